// The front-end scenes: the fade cover and drawn cursor that live for the whole run, and the scenes
// that the scene sequence starts in turn.
#ifndef ROBINA_SCENES_H
#define ROBINA_SCENES_H

#include <stdint.h>
#include "launcher/robina_game.h"

// --- fade and cursor tasks (fade.cpp) ---
extern uint8_t FadeState;      // 0 visible, 1 cover requested/running, 2 covered, 3 uncover requested/running
extern Sprite *CursorSprite;   // the drawn cursor; dialogs hide it before their last frame

enum { FADE_ROW_PRIORITY = 30001, CURSOR_PRIORITY = 30002, FRONT_TASK_PRIORITY = 256 };

void StartFadeTask(void);
void StartCursorTask(void);

#endif
