// The logo scene: "vyg.bmp" centred on white, then "mossleaf_logo.bmp" centred on dark grey, each
// uncovered and covered again by the fade wipe. A left click shortens the logo on screen; a click
// during the first logo skips the second. It starts behind a full cover and ends, with the screen
// covered, by freeing what it made and setting SceneDone.
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "task/task.h"
#include "task/scene.h"
#include "fade/fade.h"

enum LogoStep { LOGO_SHOW, LOGO_HOLD_FIRST, LOGO_SWITCH, LOGO_HOLD_SECOND, LOGO_END_SECOND, LOGO_FINISH, LOGO_LAST };

enum LogoImage { LOGO_FIRST, LOGO_SECOND, LOGO_IMAGES };
static const char *const LogoAssets[] = {"vyg.bmp", "mossleaf_logo.bmp"};
static_assert(ROW_COUNT(LogoAssets) == LOGO_IMAGES, "one row each");

// Each picture centred in the play area, rounding down; the second reuses the first's sprite.
static const Placement LogoPlacements[] = {
    // priority image         x    y    w    h    visible
    {0,        LOGO_FIRST,  227, 123, 186, 113, 0},
    {0,        LOGO_SECOND, 175, 141, 289,  77, 0},
};
static_assert(ROW_COUNT(LogoPlacements) == LOGO_IMAGES, "one row each");

typedef struct Colour {
    int32_t r, g, b;
} Colour;
static const Colour FirstBackground = {255, 255, 255};
static const Colour SecondBackground = {16, 16, 16};

// A logo is held for more than this many ticks, counted from its uncover request.
enum { LOGO_HOLD_TICKS = 150, LOGO_WORK_BYTES = 8 };

typedef struct LogoWork {
    int32_t counter;  // ticks the current logo has been held
    int32_t skip;     // 1: a click asked to skip the second logo
} LogoWork;
static_assert(sizeof(LogoWork) == LOGO_WORK_BYTES, "logo work area size");

static Image *LogoImages[LOGO_IMAGES];
static Sprite *LogoSprite;

static LogoWork *Work(void) {
    return (LogoWork *)CurrentWork;
}

static int LeftClick(void) {
    return MouseState.click[BUTTON_LEFT];
}

static void SetBackground(const Colour *colour) {
    SetClearColour(colour->r, colour->g, colour->b);
}

static void __cdecl ShowStep(void) {
    Work()->counter = 0;
    LogoSprite->visible = 1;
    FadeState = FADE_UNCOVER;
    SetBackground(&FirstBackground);
    *CurrentStep += 1;
}

// A click makes the next tick's count pass the hold, so the cover starts as soon as the uncover is
// over; it also marks the second logo to be skipped.
static void __cdecl HoldStep(void) {
    LogoWork *work = Work();
    work->counter += 1;
    if (work->counter > LOGO_HOLD_TICKS && FadeState == FADE_VISIBLE) {
        FadeState = FADE_COVER;
        work->counter = 0;
        *CurrentStep += 1;
    } else if (LeftClick()) {
        work->counter = LOGO_HOLD_TICKS;
        work->skip = 1;
    }
}

static void __cdecl SwitchStep(void) {
    LogoWork *work = Work();
    if (LeftClick()) work->skip = 1;
    if (FadeState != FADE_COVERED) return;
    if (work->skip) {
        *CurrentStep = LOGO_FINISH;
        return;
    }
    FadeState = FADE_UNCOVER;
    SetBackground(&SecondBackground);
    const Placement *second = &LogoPlacements[LOGO_SECOND];
    ShowImage(LogoSprite, LogoImages[second->image], second->w, second->h);
    MoveSprite(LogoSprite, second->x, second->y);
    *CurrentStep += 1;
}

static void __cdecl EndSecondStep(void) {
    if (LeftClick()) Work()->skip = 1;
    if (FadeState == FADE_COVERED) *CurrentStep = LOGO_FINISH;
}

static void __cdecl FinishStep(void) {
    if (FadeState != FADE_COVERED) return;
    FreeSprites(&LogoSprite, 1);
    FreeImages(LogoImages, LOGO_IMAGES);
    SetBackground(&SecondBackground);
    SceneDone = 1;
    *CurrentStep += 1;
}

static const StepRoutine LogoSteps[] = {
    ShowStep,             // LOGO_SHOW
    HoldStep,             // LOGO_HOLD_FIRST
    SwitchStep,           // LOGO_SWITCH
    HoldStep,             // LOGO_HOLD_SECOND
    EndSecondStep,        // LOGO_END_SECOND
    FinishStep,           // LOGO_FINISH
    KillCurrentTaskStep,  // LOGO_LAST
};
static_assert(sizeof LogoSteps / sizeof LogoSteps[0] == LOGO_LAST + 1, "one routine per step");

void StartLogoScene(void) {
    LogoWork *work = (LogoWork *)CreateTask(LogoSteps, SCENE_PRIORITY, TASK_ATTR_RUN, LOGO_WORK_BYTES);
    LoadImages(LogoImages, LogoAssets, LOGO_IMAGES);
    LogoSprite = PlaceSprite(&LogoPlacements[LOGO_FIRST], LogoImages);
    work->skip = 0;
}
