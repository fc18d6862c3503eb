// Where each row of the fade's cover starts and how it moves; see fade_format.h. The two sides
// differ only in their numbers, so they are one table of two rows.
#include "fade/fade_format.h"

typedef struct WipeSide {
    int32_t coverFrom;    // cover start of row 0 of this side; each row further down starts 1 further out
    int32_t uncoverFrom;  // uncover start of row 0 likewise: the rows leave one after another
    int32_t move;         // per tick, towards the far side
} WipeSide;

static const WipeSide Sides[2] = {
    {-PLAY_WIDTH, 0, FADE_WIPE_SPEED},                           // even rows: in from the left, out to the right
    {PLAY_WIDTH + FADE_ROWS - 1, FADE_ROWS - 1, -FADE_WIPE_SPEED},  // odd rows: in from the right, out to the left
};

int32_t CoverStart(int row) {
    return Sides[row % 2].coverFrom - row;
}

int32_t UncoverStart(int row) {
    return Sides[row % 2].uncoverFrom - row;
}

int CrossedZero(int row, int32_t x) {
    return Sides[row % 2].move > 0 ? x > 0 : x < 0;
}

int32_t CoverMove(int row, int32_t x) {
    x += Sides[row % 2].move;
    return CrossedZero(row, x) ? 0 : x;
}

int32_t UncoverMove(int row, int32_t x) {
    return x + Sides[row % 2].move;
}

int CoverClosed(const int32_t *x) {
    return x[FADE_WATCHED_ROW] == 0;
}

int CoverOpen(const int32_t *x) {
    return x[FADE_WATCHED_ROW] >= PLAY_WIDTH;
}
