// The scene sequence's shared state.
#include "task/scene.h"

uint8_t SceneDone = 0;
