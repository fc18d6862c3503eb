// The end-of-scene flag shared by the scene sequence, the scenes and the game launcher.
#ifndef ROBINA_SCENE_H
#define ROBINA_SCENE_H

#include <stdint.h>

extern uint8_t SceneDone;  // 1: the running scene (or game) is over; cleared when one starts
extern const char *SceneShown;  // a scene just started, whose first frame the loop logs with the time; 0: none

#endif
