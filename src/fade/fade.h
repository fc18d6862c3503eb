// The fade cover and the drawn cursor: two kept tasks that live for the whole run, used by the
// scenes, the dialogs and, through the service table, by games.
#ifndef ROBINA_FADE_H
#define ROBINA_FADE_H

#include <stdint.h>
#include "robina_game.h"

extern uint8_t FadeState;      // 0 visible, 1 cover requested/running, 2 covered, 3 uncover requested/running
extern Sprite *CursorSprite;   // the drawn cursor; dialogs hide it before their last frame

enum { FADE_ROW_PRIORITY = 30001, CURSOR_PRIORITY = 30002, FRONT_TASK_PRIORITY = 256 };

void StartFadeTask(void);
void StartCursorTask(void);

#endif
