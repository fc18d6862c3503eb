// The menu: the program's main screen. StartMenuScene loads everything the menu, the map and the
// panels share into MenuState, puts up the background and the decorations (a title text that sweeps
// in and out, a column of text scrolling upwards, thin lines racing right to left), creates the map
// and the information panel, and uncovers the screen while the map group slides in. MenuTask then
// waits for a click: on the information point the map group slides away and the records panel opens
// (and from it the help screen); on a destination point the screen is covered, every menu task frees
// what it made, and the scene ends with SelectedGame naming the game to launch. Every visit builds
// the scene afresh.
#include <math.h>
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "pack/pack.h"
#include "task/task.h"
#include "task/scene.h"
#include "fade/fade.h"

MenuStateRecord MenuState;

enum MenuStep {
    MENU_INTRO, MENU_IDLE, MENU_SLIDE_OUT, MENU_WAIT_PANEL, MENU_SLIDE_IN, MENU_HELP_OPEN, MENU_LAUNCH,
    MENU_LAST_TURN, MENU_FREE, MENU_END
};
enum SweepStep { SWEEP_EASE_IN, SWEEP_HOLD, SWEEP_LEAVE, SWEEP_FREE, SWEEP_END };
enum DecorationStep { DECORATION_RUN, DECORATION_END };  // text columns and racing lines

// --- assets, in load order (the MenuImage and MenuSound enums follow these rows) ---
static const char *const MENU_IMAGE_NAMES[MI_COUNT] = {
    "menu_bg.bmp", "map.bmp", "text.bmp", "text_logo.bmp", "bgline.bmp",
    "b_version.bmp", "b_version_over.bmp", "versionwindow.bmp", "textlist.bmp", "textlist2.bmp",
    "logo_39zumi.bmp", "zumiall.bmp",
    "zumi1.bmp", "zumi10.bmp", "zumi100.bmp", "zumi1000.bmp", "zumi10000.bmp",
    "listwindow.bmp",
    "b_left.bmp", "b_left_over.bmp", "b_right.bmp", "b_right_over.bmp", "b_ranking.bmp",
    "b_ranking_over.bmp", "b_return.bmp", "b_return_over.bmp", "b_help.bmp", "b_help_over.bmp",
    "b_left_down1.bmp", "b_right_down1.bmp", "b_ranking_down1.bmp", "b_return_down1.bmp", "b_help_down1.bmp",
    "b_left_down2.bmp", "b_right_down2.bmp", "b_ranking_down2.bmp", "b_return_down2.bmp", "b_help_down2.bmp",
    "b_left_down3.bmp", "b_right_down3.bmp", "b_ranking_down3.bmp", "b_return_down3.bmp", "b_help_down3.bmp",
    "listhead.bmp",
    "list01.bmp", "list02.bmp", "list03.bmp", "list04.bmp", "list05.bmp",
    "list06.bmp", "list07.bmp", "list08.bmp", "list09.bmp", "list10.bmp",
    "sys_logo_none.bmp", "sys_states_none.bmp", "sys_logo_missing.bmp", "sys_states_missing.bmp",
    "sys_logo_refused.bmp", "sys_states_refused.bmp",
};
static const char *const MENU_SOUND_NAMES[MS_COUNT] = {
    "menubgm.wav", "menuintro.wav", "bt_loc.wav", "bt_norm.wav", "bt_notify.wav",
};
// A game's pictures, at the size of their places in the panel.
static const char GAME_LOGO_NAME[] = "sys_logo.bmp";
static const char GAME_STATUS_NAME[] = "sys_states.bmp";
enum { GAME_PICTURE_W = 256, GAME_LOGO_H = 164, GAME_STATUS_H = 100 };

// --- placements ---
enum { BACKGROUND_PRIORITY = 0, DECORATION_PRIORITY = 1, SWEEP_PRIORITY = 2 };
enum { TEXT_COLUMN_TILES = 4, RACING_LINES = 10 };
//                                        priority              image          x     y     w    h    visible
static const Placement BACKGROUND      = {BACKGROUND_PRIORITY,  MI_BG,         0,    0,    640, 360, 1};
static const Placement SWEEP_START     = {SWEEP_PRIORITY,       MI_TEXT_LOGO,  -311, 20,   311, 44,  1};
static const Placement TEXT_TILE_FIRST = {DECORATION_PRIORITY,  MI_TEXT,       367,  0,    273, 121, 1};
static const Placement LINE_START      = {DECORATION_PRIORITY,  MI_BGLINE,     0,    0,    640, 1,   1};

// --- timings and motion ---
enum {
    SLIDE_AWAY_PX = 400,          // map group fully away
    SLIDE_OUT_ACCEL = 2,          // px per tick added to the slide-out speed each tick
    IDLE_DRAW_UPPER = 10000,      // the idle step draws one number of 0 to this and discards it
    SWEEP_REST_X = 327,           // the title text eases towards this x
    SWEEP_ARRIVED_PX = 2,         // ... and rests once closer than this
    SWEEP_HOLD_TICKS = 200,       // it holds until its counter exceeds this
    SWEEP_LEAVE_ACCEL = 2,
    SWEEP_Y = 20,
    TEXT_TILE_H = 121,
    TEXT_WRAP_PX = 481,           // not four tiles' 484: a wrapped tile creeps 3 px up each wrap
    LINE_STEP_PX = 64,            // px a racing line moves left each tick
    LINE_RESTART_X = 640,
    LINE_ANGLE_UPPER = 628,       // angles are drawn in hundredths, 0 to 2 pi
    LINE_Y_CENTRE = 180, LINE_Y_SWING = 170,
    LINE_START_X_RANGE = 600,
    LINE_START_HOLD_UPPER = 100, LINE_RESTART_HOLD_UPPER = 30,
    LINE_H_MIN = 1, LINE_H_MAX = 3,
};
static const float SLIDE_IN_SHARE = 0.2f;     // share of the remaining slide closed each tick
static const float SLIDE_IN_DONE_PX = 1.0f;
static const float SWEEP_EASE = 0.2f;
static const float LINE_ANGLE_STEP = 0.002f;
static const float HUNDREDTH = 0.01f;

// --- work areas ---
typedef struct MenuWork {
    float slideSpeed;  // px per tick of the slide out
} MenuWork;
typedef struct SweepWork {
    float x;
    float counter;     // hold ticks while holding, speed while leaving
    Sprite *sprite;
} SweepWork;
typedef struct TextColumnWork {
    float y;
    Sprite *sprite;
} TextColumnWork;
typedef struct LineWork {
    float x;
    float hold;        // ticks still to rest at the left edge
    float angle;       // radians; the line's height follows its sine
    Sprite *sprite;
} LineWork;
static_assert(sizeof(MenuWork) == 4, "MenuTask work area");
static_assert(sizeof(SweepWork) == 12, "TitleSweepTask work area");
static_assert(sizeof(TextColumnWork) == 8, "TextColumnTask work area");
static_assert(sizeof(LineWork) == 16, "LineTask work area");

// --- per-game pictures ---
// A neutral picture in place of a game's own says why: the neutral pair of the fault follows
// MI_LOGO_NONE's pair in GamePictureFault's order, a null picture with no fault having no file.
enum { NEUTRAL_PAIR = MI_LOGO_MISSING - MI_LOGO_NONE };
static_assert(MI_STATES_REFUSED == MI_STATES_NONE + NEUTRAL_PAIR * GAME_PICTURE_REFUSED, "neutral pairs");

static Image *PictureOrNeutral(Image *const *pictures, const int32_t *faults, int game, int neutral) {
    if (game < 1 || game > MAX_GAMES) return MenuState.images[neutral];
    Image *own = pictures[game - 1];
    return own ? own : MenuState.images[neutral + NEUTRAL_PAIR * faults[game - 1]];
}

Image *GameLogoImage(int game) {
    return PictureOrNeutral(MenuState.gameLogo, MenuState.gameLogoFault, game, MI_LOGO_NONE);
}

Image *GameStatusImage(int game) {
    return PictureOrNeutral(MenuState.gameStatus, MenuState.gameStatusFault, game, MI_STATES_NONE);
}

// A game whose file cannot be opened, or is no game file at all, keeps empty slots with no fault (a
// failed SetPack leaves the previous pack current, so nothing may be loaded then).
static void LoadGameImages(void) {
    for (int g = 1; g <= MAX_GAMES; g++) {
        MenuState.gameLogo[g - 1] = 0;
        MenuState.gameStatus[g - 1] = 0;
        MenuState.gameLogoFault[g - 1] = MenuState.gameStatusFault[g - 1] = GAME_PICTURE_FIT;
        if (g > GameCatalogue.GameCount) continue;
        if (!SetPack(GameCatalogue.entries[g - 1].fileName) || !PackIsWhole()) continue;
        MenuState.gameLogo[g - 1] =
            LoadGamePicture(GAME_LOGO_NAME, GAME_PICTURE_W, GAME_LOGO_H, &MenuState.gameLogoFault[g - 1]);
        MenuState.gameStatus[g - 1] =
            LoadGamePicture(GAME_STATUS_NAME, GAME_PICTURE_W, GAME_STATUS_H, &MenuState.gameStatusFault[g - 1]);
    }
    SetPack(MENU_PACK);
}

// --- MenuTask ---
static void __cdecl IntroStep(void) {
    if (FadeState == FADE_VISIBLE) *CurrentStep = MENU_SLIDE_IN;
}

static void __cdecl MenuIdleStep(void) {
    MenuWork *work = (MenuWork *)CurrentWork;
    Random(0, IDLE_DRAW_UPPER);  // keeps the sequence of random numbers as it always ran
    if (!MouseState.click[BUTTON_LEFT]) return;
    if (SelectedGame != 0) {
        PlaySnd(MenuState.sounds[MS_LOC]);
        MenuState.busy = 1;
        FadeState = FADE_COVER;
        *CurrentStep = MENU_LAUNCH;
    } else if (MenuState.hover == HOVER_INFORMATION) {
        PlaySnd(MenuState.sounds[MS_LOC]);
        MenuState.busy = 1;
        work->slideSpeed = 0;
        *CurrentStep += 1;
    }
}

static void OpenPanel(void) {
    MenuState.panelClosed = 0;
    OpenRecordsPanel();
}

static void __cdecl SlideOutStep(void) {
    MenuWork *work = (MenuWork *)CurrentWork;
    work->slideSpeed += SLIDE_OUT_ACCEL;
    MenuState.slide += work->slideSpeed;
    if (MenuState.slide <= SLIDE_AWAY_PX) return;
    MenuState.slide = SLIDE_AWAY_PX;
    MenuState.hover = HOVER_NOTHING;
    SelectedGame = 0;
    OpenPanel();
    *CurrentStep += 1;
}

static void __cdecl WaitPanelStep(void) {
    if (!MenuState.panelClosed) return;
    if (MenuState.helpRequested) {
        StartHelpScreen();
        *CurrentStep = MENU_HELP_OPEN;
    } else {
        *CurrentStep += 1;
    }
}

static void __cdecl SlideInStep(void) {
    MenuState.slide -= MenuState.slide * SLIDE_IN_SHARE;
    if (MenuState.slide >= SLIDE_IN_DONE_PX) return;
    MenuState.slide = 0;
    MenuState.busy = 0;
    *CurrentStep = MENU_IDLE;
}

static void __cdecl HelpOpenStep(void) {
    if (MenuState.helpRequested) return;
    OpenPanel();  // on the page it showed before the help
    *CurrentStep = MENU_WAIT_PANEL;
}

static void __cdecl LaunchStep(void) {
    if (FadeState != FADE_COVERED) return;
    MenuState.closing = 1;
    *CurrentStep += 1;
}

static void __cdecl LastTurnStep(void) {
    *CurrentStep += 1;
}

static void __cdecl FreeMenuStep(void) {
    FreeImages(MenuState.gameLogo, MAX_GAMES);
    FreeImages(MenuState.gameStatus, MAX_GAMES);
    FreeImages(MenuState.images, MI_COUNT);
    FreeSounds(MenuState.sounds, MS_COUNT);
    FreeSprites(&MenuState.background, 1);
    SceneDone = 1;
    *CurrentStep += 1;
}

static const StepRoutine MENU_STEPS[] = {
    IntroStep, MenuIdleStep, SlideOutStep, WaitPanelStep, SlideInStep, HelpOpenStep, LaunchStep,
    LastTurnStep, FreeMenuStep, KillCurrentTaskStep,
};
static_assert(sizeof MENU_STEPS / sizeof MENU_STEPS[0] == MENU_END + 1, "one routine per step");

// --- decorations ---
// The title text leaves its sprite to its freeing step once the menu is closing.
static int SweepClosing(void) {
    if (!MenuState.closing) return 0;
    *CurrentStep = SWEEP_FREE;
    return 1;
}

static void __cdecl SweepEaseInStep(void) {
    SweepWork *work = (SweepWork *)CurrentWork;
    if (SweepClosing()) return;
    work->x += (SWEEP_REST_X - work->x) * SWEEP_EASE;
    MoveSprite(work->sprite, (int32_t)work->x, SWEEP_Y);
    if (fabsf(work->x - SWEEP_REST_X) >= SWEEP_ARRIVED_PX) return;
    work->counter = 0;
    *CurrentStep += 1;
}

static void __cdecl SweepHoldStep(void) {
    SweepWork *work = (SweepWork *)CurrentWork;
    if (SweepClosing()) return;
    work->counter += 1;
    if (work->counter <= SWEEP_HOLD_TICKS) return;
    work->counter = 0;
    *CurrentStep += 1;
}

static void __cdecl SweepLeaveStep(void) {
    SweepWork *work = (SweepWork *)CurrentWork;
    if (SweepClosing()) return;
    work->counter += SWEEP_LEAVE_ACCEL;
    work->x += work->counter;
    MoveSprite(work->sprite, (int32_t)work->x, SWEEP_Y);
    if (work->x <= PLAY_WIDTH) return;
    work->x = SWEEP_START.x;
    work->counter = 0;
    *CurrentStep = SWEEP_EASE_IN;
}

static void __cdecl SweepFreeStep(void) {
    SweepWork *work = (SweepWork *)CurrentWork;
    FreeSprites(&work->sprite, 1);
    *CurrentStep += 1;
}

static const StepRoutine SWEEP_STEPS[] = {
    SweepEaseInStep, SweepHoldStep, SweepLeaveStep, SweepFreeStep, KillCurrentTaskStep,
};
static_assert(sizeof SWEEP_STEPS / sizeof SWEEP_STEPS[0] == SWEEP_END + 1, "one routine per step");

// The text tiles and the racing lines free their sprite in the tick they see the menu closing.
static void EndOnClosing(Sprite **sprite) {
    if (!MenuState.closing) return;
    FreeSprites(sprite, 1);
    *CurrentStep += 1;
}

static void CreateTitleSweepTask(void) {
    SweepWork *work = (SweepWork *)CreateTask(SWEEP_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(SweepWork));
    work->sprite = PlaceSprite(&SWEEP_START, MenuState.images);
    work->x = SWEEP_START.x;
}

static void __cdecl TextColumnStep(void) {
    TextColumnWork *work = (TextColumnWork *)CurrentWork;
    work->y -= 1;
    if (work->y < -TEXT_TILE_H) work->y += TEXT_WRAP_PX;
    MoveSprite(work->sprite, TEXT_TILE_FIRST.x, (int32_t)work->y);
    EndOnClosing(&work->sprite);
}

static const StepRoutine TEXT_COLUMN_STEPS[DECORATION_END + 1] = {TextColumnStep, KillCurrentTaskStep};

static void CreateTextColumnTask(int index) {
    TextColumnWork *work = (TextColumnWork *)CreateTask(TEXT_COLUMN_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN,
                                                        sizeof(TextColumnWork));
    Placement tile = TEXT_TILE_FIRST;
    tile.y = TEXT_TILE_H * index;
    work->sprite = PlaceSprite(&tile, MenuState.images);
    work->y = (float)tile.y;
}

static int32_t LineY(const LineWork *work) {
    return (int32_t)(sin(work->angle) * LINE_Y_SWING + LINE_Y_CENTRE);
}

static float RandomAngle(void) {
    return Random(0, LINE_ANGLE_UPPER) * HUNDREDTH;
}

static void ShowLineHeight(Sprite *sprite, int32_t h) {
    ShowImage(sprite, MenuState.images[MI_BGLINE], LINE_START.w, h);
}

static void __cdecl LineStep(void) {
    LineWork *work = (LineWork *)CurrentWork;
    work->angle += LINE_ANGLE_STEP;
    work->x -= LINE_STEP_PX;
    if (work->hold > 0 && work->x < 0) {
        work->x = 0;
        work->hold -= 1;
    }
    if (work->x < -PLAY_WIDTH) {
        work->x = LINE_RESTART_X;
        work->angle = RandomAngle();
        work->hold = (float)Random(0, LINE_RESTART_HOLD_UPPER);
        ShowLineHeight(work->sprite, Random(LINE_H_MIN, LINE_H_MAX));
    }
    MoveSprite(work->sprite, (int32_t)work->x, LineY(work));
    EndOnClosing(&work->sprite);
}

static const StepRoutine LINE_STEPS[DECORATION_END + 1] = {LineStep, KillCurrentTaskStep};

static void CreateLineTask(void) {
    LineWork *work = (LineWork *)CreateTask(LINE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(LineWork));
    work->sprite = PlaceSprite(&LINE_START, MenuState.images);
    ShowLineHeight(work->sprite, Random(LINE_H_MIN, LINE_H_MAX));
    work->angle = RandomAngle();
    work->x = (float)Random(-LINE_START_X_RANGE, LINE_START_X_RANGE);
    work->hold = (float)Random(0, LINE_START_HOLD_UPPER);
    MoveSprite(work->sprite, (int32_t)work->x, LineY(work));
}

// --- start ---
void SetUpMenuButton(Button *button, const Placement *rest, Sprite *sprite) {
    int art = (rest->image - BUTTON_BASE_IMAGE(0)) / 2;
    button->sprite = sprite;
    button->images[BUTTON_BASE] = MenuState.images[rest->image];
    button->images[BUTTON_OVER] = MenuState.images[rest->image + 1];
    for (int frame = 0; frame < BUTTON_DOWN3 - BUTTON_DOWN1 + 1; frame++)
        button->images[BUTTON_DOWN1 + frame] = MenuState.images[MI_BUTTON_DOWNS + MENU_BUTTON_COUNT * frame + art];
    button->box = {rest->x, rest->y, rest->w, rest->h};
    button->live = 0;
}

void StartMenuScene(void) {
    CreateTask(MENU_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(MenuWork));
    LoadGameImages();
    LoadImages(MenuState.images, MENU_IMAGE_NAMES, MI_COUNT);
    MenuState.background = PlaceSprite(&BACKGROUND, MenuState.images);
    LoadSounds(MenuState.sounds, MENU_SOUND_NAMES, MS_COUNT);
    if (MenuState.sounds[MS_BGM]) MenuState.sounds[MS_BGM]->loop = 1;
    MenuState.closing = 0;
    CreateTitleSweepTask();
    for (int index = 0; index < TEXT_COLUMN_TILES; index++) CreateTextColumnTask(index);
    for (int line = 0; line < RACING_LINES; line++) CreateLineTask();
    SelectedGame = 0;
    MenuState.hover = HOVER_NOTHING;
    CreateInformationPanel();
    MenuState.busy = 0;
    CreateMapTask();
    FadeState = FADE_UNCOVER;
    MenuState.slide = SLIDE_AWAY_PX;
    MenuState.busy = 1;
    PlaySnd(MenuState.sounds[MS_INTRO]);
}
