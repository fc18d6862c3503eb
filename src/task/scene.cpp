// The scene sequence's shared state.
#include "task/scene.h"

uint8_t SceneDone = 0;
const char *SceneShown = 0;
