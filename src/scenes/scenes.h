// The front-end scenes that the scene sequence starts in turn. Each start operation creates the
// scene's tasks, sprites, images and sounds and returns; one of its tasks sets SceneDone when the
// scene is over, with the screen covered.
#ifndef ROBINA_SCENES_H
#define ROBINA_SCENES_H

#include <stdint.h>

// --- scene sequence (sequence.cpp) ---
enum { SEQUENCE_PRIORITY = 257, SCENE_PRIORITY = 257 };
void StartSceneSequence(void);  // the kept task that plays logo, title, menu, game, menu, ...
int ClearScene(void);           // frees every task, sprite, image and sound whose keep flag is 0

// --- logo (logo.cpp) ---
void StartLogoScene(void);

// --- title (title.cpp) ---
extern int32_t MascotJitter;      // 1 after the sixteenth click on the title's mascot; never cleared
void *StartTitleScene(void);      // returns the title task's work area

// --- menu (menu.cpp); the map and its panels are in map.cpp, see menu.h ---
void StartMenuScene(void);

#endif
