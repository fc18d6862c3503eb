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
enum DecorationStep { DECORATION_RUN, DECORATION_END };  // text columns

// --- assets, in load order (the MenuImage and MenuSound enums follow these rows) ---
static const char *const MENU_IMAGE_NAMES[] = {
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
static_assert(ROW_COUNT(MENU_IMAGE_NAMES) == MI_COUNT, "one row each");
// One row per button, in MenuButtonArt's order; its pictures in the order the button protocol shows
// them (BUTTON_BASE to BUTTON_DOWN3).
static const int32_t MENU_BUTTON_IMAGES[][BUTTON_IMAGES] = {
    // base        over              down 1             down 2             down 3
    {MI_LEFT,      MI_LEFT_OVER,     MI_LEFT_DOWN1,     MI_LEFT_DOWN2,     MI_LEFT_DOWN3},
    {MI_RIGHT,     MI_RIGHT_OVER,    MI_RIGHT_DOWN1,    MI_RIGHT_DOWN2,    MI_RIGHT_DOWN3},
    {MI_RANKING,   MI_RANKING_OVER,  MI_RANKING_DOWN1,  MI_RANKING_DOWN2,  MI_RANKING_DOWN3},
    {MI_RETURN,    MI_RETURN_OVER,   MI_RETURN_DOWN1,   MI_RETURN_DOWN2,   MI_RETURN_DOWN3},
    {MI_HELP,      MI_HELP_OVER,     MI_HELP_DOWN1,     MI_HELP_DOWN2,     MI_HELP_DOWN3},
};
static_assert(ROW_COUNT(MENU_BUTTON_IMAGES) == MENU_BUTTON_COUNT, "one row each");
static const char *const MENU_SOUND_NAMES[] = {
    "menubgm.wav", "menuintro.wav", "bt_loc.wav", "bt_norm.wav", "bt_notify.wav",
};
static_assert(ROW_COUNT(MENU_SOUND_NAMES) == MS_COUNT, "one row each");
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
};
static const float SLIDE_IN_SHARE = 0.2f;     // share of the remaining slide closed each tick
static const float SLIDE_IN_DONE_PX = 1.0f;
static const float SWEEP_EASE = 0.2f;

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
static_assert(sizeof(MenuWork) == 4, "MenuTask work area");
static_assert(sizeof(SweepWork) == 12, "TitleSweepTask work area");
static_assert(sizeof(TextColumnWork) == 8, "TextColumnTask work area");

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
static int LoadEachGamesImages(void *) {
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
    return 1;
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

// The text tiles free their sprite in the tick they see the menu closing.
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

static const StepRoutine TEXT_COLUMN_STEPS[] = {TextColumnStep, KillCurrentTaskStep};
static_assert(ROW_COUNT(TEXT_COLUMN_STEPS) == DECORATION_END + 1, "one routine per step");

static void CreateTextColumnTask(int index) {
    TextColumnWork *work = (TextColumnWork *)CreateTask(TEXT_COLUMN_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN,
                                                        sizeof(TextColumnWork));
    Placement tile = TEXT_TILE_FIRST;
    tile.y = TEXT_TILE_H * index;
    work->sprite = PlaceSprite(&tile, MenuState.images);
    work->y = (float)tile.y;
}

// --- start ---
void SetUpMenuButton(Button *button, int art, const Placement *rest, Sprite *sprite) {
    button->sprite = sprite;
    for (int i = 0; i < BUTTON_IMAGES; i++) button->images[i] = MenuState.images[MENU_BUTTON_IMAGES[art][i]];
    button->box = {rest->x, rest->y, rest->w, rest->h};
    button->live = 0;
}

void StartMenuScene(void) {
    CreateTask(MENU_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(MenuWork));
    LendPack(LoadEachGamesImages, 0);
    LoadImages(MenuState.images, MENU_IMAGE_NAMES, MI_COUNT);
    MenuState.background = PlaceSprite(&BACKGROUND, MenuState.images);
    LoadSounds(MenuState.sounds, MENU_SOUND_NAMES, MS_COUNT);
    if (MenuState.sounds[MS_BGM]) MenuState.sounds[MS_BGM]->loop = 1;
    MenuState.closing = 0;
    CreateTitleSweepTask();
    for (int index = 0; index < TEXT_COLUMN_TILES; index++) CreateTextColumnTask(index);
    CreateRacingLines(RACING_LINES, DECORATION_PRIORITY, MenuState.images[MI_BGLINE], &MenuState.closing);
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
