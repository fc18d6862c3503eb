// The positions of the fade's rows: one row per pixel row of the play area, even rows sliding in
// from the left and odd rows from the right, both sides slanted one pixel per row, so the watched
// row (358, like row 1 the furthest out) arrives last. Portable: no Windows header.
#ifndef ROBINA_FADE_FORMAT_H
#define ROBINA_FADE_FORMAT_H

#include <stdint.h>
#include "base/area_format.h"

enum { FADE_ROWS = PLAY_HEIGHT, FADE_WIPE_SPEED = 32, FADE_WATCHED_ROW = 358 };

int32_t CoverStart(int row);    // off the play area: even rows at -640 - row, odd rows at 999 - row
int32_t UncoverStart(int row);  // even rows at -row, odd rows at 359 - row
// One tick of the cover: the row moves in by FADE_WIPE_SPEED and stops at 0.
int32_t CoverMove(int row, int32_t x);
// One tick of the uncover: the row's value moves on by FADE_WIPE_SPEED; the row itself stays at 0,
// covering, until its value has crossed 0.
int32_t UncoverMove(int row, int32_t x);
// The value has crossed 0 towards the row's far side: a covering row stops, an uncovering one leaves.
int CrossedZero(int row, int32_t x);
int CoverClosed(const int32_t *x);  // the watched row has arrived at 0
int CoverOpen(const int32_t *x);    // the watched row's value is off the play area

#endif
