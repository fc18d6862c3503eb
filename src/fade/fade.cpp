// The two kept front-end tasks. The fade task covers the play area with 360 one-pixel rows that slide
// in from alternate sides and reports through FadeState; the rows exist only from a cover request
// to the end of the uncover. The cursor task shows "cursor.bmp" wherever the Windows cursor is hidden.
#include "fade/fade.h"
#include "fade/fade_format.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "task/task.h"

uint8_t FadeState = 0;
Sprite *CursorSprite = 0;

typedef struct FadeWork {
    Image *image;             // "fade.bmp": every row shows its top pixel row
    Sprite *rows[FADE_ROWS];  // row r at play-area y = r
    int32_t x[FADE_ROWS];     // the rows' current positions
} FadeWork;
static_assert(sizeof(FadeWork) == 2884, "fade work area size");

typedef struct CursorWork {
    Image *image;
    Sprite *sprite;
} CursorWork;
static_assert(sizeof(CursorWork) == 8, "cursor work area size");

enum FadeStep { FADE_WAIT, FADE_BUILD, FADE_COVER_WIPE, FADE_COVERED_HOLD, FADE_UNCOVER_WIPE, FADE_FINISH, FADE_END };

static FadeWork *Work(void) {
    return (FadeWork *)CurrentWork;
}

static void PlaceRow(FadeWork *work, int r) {
    work->rows[r]->x = work->x[r];
    work->rows[r]->y = r;
    work->rows[r]->stretch = 0;
    work->rows[r]->visible = 1;
}

static void __cdecl FadeWait(void) {
    if (FadeState == FADE_COVER || FadeState == FADE_COVERED)
        *CurrentStep += 1;
    else
        FadeState = FADE_VISIBLE;  // an uncover asked for while nothing is covered is dropped
}

static void __cdecl FadeBuild(void) {
    FadeWork *work = Work();
    for (int r = 0; r < FADE_ROWS; r++) {
        Sprite *row = NewSprite(FADE_ROW_PRIORITY);
        row->keep = 1;
        row->image = work->image;
        row->srcRight = PLAY_WIDTH;
        row->srcBottom = 1;
        row->y = r;
        work->rows[r] = row;
        work->x[r] = 0;
    }
    if (FadeState == FADE_COVERED) {
        for (int r = 0; r < FADE_ROWS; r++) work->rows[r]->visible = 1;
        *CurrentStep = FADE_COVERED_HOLD;
        return;
    }
    for (int r = 0; r < FADE_ROWS; r++) work->x[r] = CoverStart(r);
    *CurrentStep += 1;
}

static void __cdecl FadeCoverWipe(void) {
    FadeWork *work = Work();
    for (int r = 0; r < FADE_ROWS; r++) {
        work->x[r] = CoverMove(r, work->x[r]);
        PlaceRow(work, r);
    }
    if (CoverClosed(work->x)) *CurrentStep += 1;
}

static void __cdecl FadeCovered(void) {
    FadeWork *work = Work();
    if (FadeState != FADE_UNCOVER) {
        FadeState = FADE_COVERED;
        return;
    }
    for (int r = 0; r < FADE_ROWS; r++) work->x[r] = UncoverStart(r);
    *CurrentStep += 1;
}

// A row keeps covering at x 0 until its value has crossed 0.
static void __cdecl FadeUncoverWipe(void) {
    FadeWork *work = Work();
    for (int r = 0; r < FADE_ROWS; r++) {
        work->x[r] = UncoverMove(r, work->x[r]);
        if (CrossedZero(r, work->x[r])) PlaceRow(work, r);
    }
    if (CoverOpen(work->x)) *CurrentStep += 1;
}

static void __cdecl FadeFinish(void) {
    FadeWork *work = Work();
    for (int r = 0; r < FADE_ROWS; r++) {
        FreeSprite(work->rows[r]);
        work->rows[r] = 0;
    }
    FadeState = FADE_VISIBLE;
    *CurrentStep = FADE_WAIT;
}

static const StepRoutine FadeSteps[FADE_END + 1] = {FadeWait,        FadeBuild,  FadeCoverWipe,      FadeCovered,
                                                   FadeUncoverWipe, FadeFinish, KillCurrentTaskStep};

// The cell at x 16 is the pressed look; the cell's top-left pixel is the hot spot.
static void __cdecl CursorStep(void) {
    Sprite *sprite = ((CursorWork *)CurrentWork)->sprite;
    int pressed = MouseState.held[0] || MouseState.held[1];
    sprite->srcLeft = pressed ? 16 : 0;
    sprite->srcTop = 0;
    sprite->srcRight = pressed ? 31 : 15;
    sprite->srcBottom = 15;
    sprite->x = MouseState.x;
    sprite->y = MouseState.y;
    sprite->stretch = 0;
    sprite->visible = SystemCursorShown == 0;
}

static const StepRoutine CursorSteps[2] = {CursorStep, KillCurrentTaskStep};

void StartFadeTask(void) {
    FadeWork *work = (FadeWork *)CreateTask(FadeSteps, FRONT_TASK_PRIORITY, TASK_ATTR_RUN, sizeof(FadeWork));
    KeepLastTask();
    work->image = NewImage("fade.bmp");
    if (work->image) work->image->keep = 1;
    FadeState = FADE_VISIBLE;
}

void StartCursorTask(void) {
    CursorWork *work =
        (CursorWork *)CreateTask(CursorSteps, FRONT_TASK_PRIORITY, TASK_ATTR_RUN, sizeof(CursorWork));
    KeepLastTask();
    work->image = NewImage("cursor.bmp");
    if (work->image) work->image->keep = 1;
    Sprite *sprite = NewSprite(CURSOR_PRIORITY);
    sprite->keep = 1;
    sprite->image = work->image;
    sprite->srcRight = 15;
    sprite->srcBottom = 15;
    sprite->visible = 1;
    work->sprite = sprite;
    CursorSprite = sprite;
}
