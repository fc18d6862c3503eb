// The menu's destination map and what reacts to it. Three tasks that StartMenuScene builds:
// - the map task: the map picture, one animated destination point per game, the information point
//   (on a rare visit a special picture instead), the version button; while the map is at rest it
//   decides what the mouse is over (MenuState.hover) and which game a click would launch
//   (SelectedGame), and opens the version dialog;
// - the information panel task: the logo of the point under the mouse drawn line by line with a
//   shake after every change, its status board, its name tag and the route dots that run from the
//   information point to the chosen destination;
// - the wave task: the wave overlay over the map side, and the start of the menu music.
// The map side stands `slide` pixels left of its place and the panel `slide` pixels right, so both
// slide away and back with the menu. Each task ends when the menu closes: one more turn frees its
// sprites and its own images, the next ends it.
#include <math.h>
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "task/task.h"

// The three tasks share one shape of step table.
enum StepName { STEP_RUN, STEP_FREE, STEP_END };

// --- map task ---

enum { FRAME_COUNT = 8, SPECIAL_COUNT = 12, SPECIAL_ODDS = 500, SPECIAL_DRAW = 250 };
enum { FRAME_POINT, FRAME_INFORMATION, FRAME_KINDS };
// Load order: the point frame, then the information frame, for each frame number.
static const char *const FRAME_NAMES[] = {
    "point1.bmp", "point_ti1.bmp",
    "point2.bmp", "point_ti2.bmp",
    "point3.bmp", "point_ti3.bmp",
    "point4.bmp", "point_ti4.bmp",
    "point5.bmp", "point_ti5.bmp",
    "point6.bmp", "point_ti6.bmp",
    "point7.bmp", "point_ti7.bmp",
    "point8.bmp", "point_ti8.bmp",
};
static_assert(ROW_COUNT(FRAME_NAMES) == FRAME_COUNT * FRAME_KINDS, "one row each");
// Pictures the information point shows, still, on one visit in SPECIAL_ODDS + 1.
static const char *const SPECIAL_NAMES[] = {
    "point_ti_gakkou.bmp",
    "point_ti_hatsudensyo.bmp",
    "point_ti_jinjya.bmp",
    "point_ti_kajyuen.bmp",
    "point_ti_kuwabatake.bmp",
    "point_ti_onsen.bmp",
    "point_ti_denpa.bmp",
    "point_ti_pomo.bmp",
    "point_ti_post.bmp",
    "point_ti_recycle.bmp",
    "point_ti_smoke.bmp",
    "point_ti_tera.bmp",
};
static_assert(ROW_COUNT(SPECIAL_NAMES) == SPECIAL_COUNT, "one row each");

// Images index MenuState.images for the map and the version button, the frame table (flattened,
// FRAME_KINDS per frame) for the points, and the one special image.
static const Placement MAP_ROW         = {10, MI_MAP,            15,  27, 354, 308, 1};
static const Placement VERSION_ROW     = {10, MI_VERSION,        12, 315,  31,  33, 1};
static const Placement INFORMATION_ROW = {20, FRAME_INFORMATION, 149, 135, 32,  32, 1};
static const Placement SPECIAL_ROW     = {20, 0,                 145, 131, 40,  40, 1};
static const Placement DESTINATION_ROW = {20, FRAME_POINT,        0,   0,  32,  32, 1};  // moved to its game

static const HitBox VERSION_BOX = {12, 315, 31, 33};
enum { POINT_SIZE = 32, POINT_RADIUS = 16 };                 // destination points; mouse circle radius
enum { INFORMATION_CENTRE_X = 165, INFORMATION_CENTRE_Y = 151 };
static const float FRAME_STEP = 0.25f;                       // 4 ticks a frame, 32 a cycle

typedef struct MapWork {
    float phase;                                  // 0 <= phase < FRAME_COUNT
    Image *frames[FRAME_COUNT][FRAME_KINDS];
    Sprite *destinations[MAX_GAMES];              // catalogue order
    Sprite *information;
    Sprite *map;
    Sprite *version;
    int32_t special;                              // 1: the information point shows a still picture
    Image *specialImage;
} MapWork;

// --- information panel task ---

enum PanelImage {
    PI_LOGO_ROBINA, PI_LOGO_ISLAND, PI_STATES_NONE, PI_STATES_ANNAIJYO, PI_DOT, PI_NAME_TEKUAI,
    PI_NAME_TABISAKI, PI_COUNT
};
static const char *const PANEL_IMAGE_NAMES[] = {
    "logo_robina.bmp",
    "logo_island.bmp",
    "states_none.bmp",
    "states_annaijyo.bmp",
    "destpoint0.bmp",
    "name_tekuai.bmp",
    "name_tabisaki.bmp",
};
static_assert(ROW_COUNT(PANEL_IMAGE_NAMES) == PI_COUNT, "one row each");
enum { DOT_COUNT = 99, DOTS_SHOWN_MAX = 30, LOGO_LINES = 164, LOGO_WIDTH = 256 };
static const Placement DOT_ROW   = {19, PI_DOT,             0,   0,   8,  8,  0};
static const Placement TAG_ROW   = {21, PI_NAME_TEKUAI,     0,   0,   92, 20, 0};
static const Placement BOARD_ROW = {20, PI_STATES_ANNAIJYO, 380, 80,  256, 100, 0};
static const Placement LINE_ROW  = {20, PI_LOGO_ROBINA,     380, 192, LOGO_WIDTH, 1, 1};  // line i: y + i

enum { DOT_HALF = 4, DOT_SPACING = 25 };
enum { INFORMATION_TAG_X = 165, INFORMATION_TAG_Y = 110, TAG_X_MAX = 280, TAG_ABOVE = 25 };
enum { GLITCH_SHIFT_MAX = 30 };                               // px of logo shake at full strength
static const float GLITCH_FADE = 0.05f;                       // 20 ticks from full to still
static const float DOT_PHASE_STEP = 0.05f;                    // 1.25 px a tick
static const double DOTS_PER_PIXEL = 0.04;                    // one dot per DOT_SPACING px; double, so
                                                              // 750 px give 30 dots and 25 px one

typedef struct PanelWork {
    float glitch;                 // strength of the logo's shake, 0 to 1
    float dotPhase;               // route dots' position along their spacing, 0 <= dotPhase < 1
    uint8_t lastHover;
    Image *images[PI_COUNT];
    Sprite *lines[LOGO_LINES];
    Sprite *board;
    Sprite *dots[DOT_COUNT];
    Sprite *tag;
} PanelWork;

// --- wave task ---

enum { WAVE_IMAGES = 3, WAVE_CYCLE_FRAMES = 25, WAVE_SHOWN_FRAMES = 6 };
enum { BGM_DELAY_TICKS = 78 };
static const char *const WAVE_NAMES[] = {"wave1.bmp", "wave2.bmp", "wave3.bmp"};
static_assert(ROW_COUNT(WAVE_NAMES) == WAVE_IMAGES, "one row each");
static const Placement WAVE_ROW = {5, 0, 0, 0, 394, 360, 0};
// Wave image of each shown frame: in, then back out.
static const int WAVE_FRAMES[] = {0, 1, 2, 2, 1, 0};
static_assert(ROW_COUNT(WAVE_FRAMES) == WAVE_SHOWN_FRAMES, "one row each");
static const float WAVE_STEP = 0.5f;  // 2 ticks a frame, 50 a cycle

typedef struct WaveWork {
    float phase;                  // 0 <= phase < WAVE_CYCLE_FRAMES
    Image *images[WAVE_IMAGES];
    Sprite *sprite;
} WaveWork;

// --- shared ---

static GameEntry *Game(int index) { return &GameCatalogue.entries[index]; }  // index from 0

// The map side stands slide px left of its place, the panel slide px right.
static int32_t MapSideX(int32_t x) { return (int32_t)(x - MenuState.slide); }
static int32_t PanelSideX(int32_t x) { return (int32_t)(MenuState.slide + x); }

// The mouse is on a point when its truncated distance from the centre is below the radius.
static int OnPoint(int32_t centreX, int32_t centreY) {
    double dx = MouseState.x - centreX, dy = MouseState.y - centreY;
    return (int32_t)sqrt(dx * dx + dy * dy) < POINT_RADIUS;
}

static void PlayNotify(int32_t hover) {
    if (MenuState.prevHover != hover) PlaySnd(MenuState.sounds[MS_NOTIFY]);
}

// --- map task steps ---

static void ExamineMouse(MapWork *work) {
    SelectedGame = 0;
    MenuState.hover = HOVER_NOTHING;
    if (OnPoint(INFORMATION_CENTRE_X, INFORMATION_CENTRE_Y)) {
        MenuState.hover = HOVER_INFORMATION;
        PlayNotify(HOVER_INFORMATION);
    }
    // A later game wins over an earlier one and over the information point.
    for (int i = 0; i < GameCatalogue.GameCount; i++) {
        if (!OnPoint(Game(i)->mapX + POINT_RADIUS, Game(i)->mapY + POINT_RADIUS)) continue;
        MenuState.hover = (uint8_t)(HOVER_FIRST_GAME + i);
        SelectedGame = (uint8_t)(i + 1);
        PlayNotify(HOVER_FIRST_GAME + i);
    }
    work->version->image = MenuState.images[MI_VERSION];
    if (HitTest(&VERSION_BOX, MouseState.x, MouseState.y)) {
        work->version->image = MenuState.images[MI_VERSION_OVER];
        if (MouseState.click[BUTTON_LEFT]) {
            PlaySnd(MenuState.sounds[MS_NORM]);
            ShowVersionDialog();
        }
    }
}

static void PlaceMapSide(MapWork *work) {
    const Placement *information = work->special ? &SPECIAL_ROW : &INFORMATION_ROW;
    MoveSprite(work->information, MapSideX(information->x), information->y);
    MoveSprite(work->map, MapSideX(MAP_ROW.x), MAP_ROW.y);
    if (!MascotJitter) {
        MoveSprite(work->version, MapSideX(VERSION_ROW.x), VERSION_ROW.y);
        return;
    }
    int32_t jitterX = Random(-1, 1);  // x first, then y
    int32_t jitterY = Random(-1, 1);
    MoveSprite(work->version, MapSideX(VERSION_ROW.x + jitterX), VERSION_ROW.y + jitterY);
}

static void __cdecl MapRunStep(void) {
    MapWork *work = (MapWork *)CurrentWork;
    if (MenuState.closing) {
        *CurrentStep += 1;
        return;
    }
    work->phase += FRAME_STEP;
    while (work->phase >= FRAME_COUNT) work->phase -= FRAME_COUNT;
    Image *const *frame = work->frames[(int)work->phase];
    if (!work->special) work->information->image = frame[FRAME_INFORMATION];
    for (int i = 0; i < GameCatalogue.GameCount; i++) {
        work->destinations[i]->image = frame[FRAME_POINT];
        MoveSprite(work->destinations[i], MapSideX(Game(i)->mapX), Game(i)->mapY);
    }
    if (!MenuState.busy) ExamineMouse(work);
    MenuState.prevHover = MenuState.hover;
    PlaceMapSide(work);
}

static void __cdecl MapFreeStep(void) {
    MapWork *work = (MapWork *)CurrentWork;
    FreeImages(&work->specialImage, 1);
    FreeImages(&work->frames[0][0], FRAME_COUNT * FRAME_KINDS);
    FreeSprites(&work->map, 1);
    FreeSprites(&work->information, 1);
    FreeSprites(work->destinations, GameCatalogue.GameCount);
    FreeSprites(&work->version, 1);
    *CurrentStep += 1;
}

static const StepRoutine MAP_STEPS[] = {MapRunStep, MapFreeStep, KillCurrentTaskStep};

// --- information panel steps ---

// The dots run while a destination is under the mouse (game: its entry, else null), and are shown
// only when the map is not busy.
static void PlaceRouteDots(PanelWork *work, const GameEntry *game, int shown) {
    for (int j = 0; j < DOT_COUNT; j++) work->dots[j]->visible = 0;
    if (!game) return;
    // From the destination's corner to the information point's corner.
    float dx = (float)(INFORMATION_ROW.x - game->mapX), dy = (float)(INFORMATION_ROW.y - game->mapY);
    float distance = sqrtf(dx * dx + dy * dy);
    float ux = 0, uy = 0;
    double count = 0;
    if (distance != 0) {
        ux = dx / distance;
        uy = dy / distance;
        count = distance * DOTS_PER_PIXEL;
    }
    if (count >= DOTS_SHOWN_MAX) count = DOTS_SHOWN_MAX;
    work->dotPhase += DOT_PHASE_STEP;
    while (work->dotPhase >= 1) work->dotPhase -= 1;
    if (!shown) return;
    for (int j = 0; j < (int)count; j++) {
        float along = DOT_SPACING * j + DOT_SPACING * work->dotPhase;
        MoveSprite(work->dots[j], (int32_t)(INFORMATION_CENTRE_X - along * ux) - DOT_HALF,
                   (int32_t)(INFORMATION_CENTRE_Y - along * uy) - DOT_HALF);
        work->dots[j]->visible = 1;
    }
}

// The tag shakes by a pixel each way; x is drawn before y.
static void ShowTag(PanelWork *work, int image, int32_t x, int32_t y) {
    work->tag->image = work->images[image];
    int32_t jitterX = Random(-1, 1);
    int32_t jitterY = Random(-1, 1);
    MoveSprite(work->tag, x + jitterX, y + jitterY);
    work->tag->visible = 1;
}

static void ShowBoardAndTag(PanelWork *work) {
    int hover = MenuState.hover;
    work->board->visible = 1;
    if (hover == HOVER_NOTHING) {
        work->board->image = work->images[PI_STATES_NONE];
        work->tag->visible = 0;
    } else if (hover == HOVER_INFORMATION) {
        work->board->image = work->images[PI_STATES_ANNAIJYO];
        ShowTag(work, PI_NAME_TEKUAI, INFORMATION_TAG_X, INFORMATION_TAG_Y);
    } else {
        int game = hover - HOVER_FIRST_GAME + 1;
        const GameEntry *entry = Game(game - 1);
        int32_t x = entry->mapX + POINT_RADIUS;
        work->board->image = GameStatusImage(game);
        ShowTag(work, PI_NAME_TABISAKI, x < TAG_X_MAX ? x : TAG_X_MAX, entry->mapY - TAG_ABOVE);
    }
}

static Image *LogoOfHover(PanelWork *work) {
    if (MenuState.hover == HOVER_NOTHING) return work->images[PI_LOGO_ROBINA];
    if (MenuState.hover == HOVER_INFORMATION) return work->images[PI_LOGO_ISLAND];
    return GameLogoImage(MenuState.hover - HOVER_FIRST_GAME + 1);
}

// Every line shifts on its own, by up to the shake's strength.
static void PlaceLogoLines(PanelWork *work) {
    int32_t shift = (int32_t)(work->glitch * GLITCH_SHIFT_MAX);
    Image *logo = LogoOfHover(work);
    for (int i = 0; i < LOGO_LINES; i++) {
        work->lines[i]->image = logo;
        int32_t x = (int32_t)(MenuState.slide + LINE_ROW.x - Random(-shift, shift));
        MoveSprite(work->lines[i], x, LINE_ROW.y + i);
    }
}

static void __cdecl PanelRunStep(void) {
    PanelWork *work = (PanelWork *)CurrentWork;
    if (MenuState.closing) {
        *CurrentStep += 1;
        return;
    }
    if (MenuState.hover != work->lastHover) {
        work->glitch = MenuState.hover == HOVER_NOTHING ? 0 : 1;
        work->lastHover = MenuState.hover;
    }
    work->glitch -= GLITCH_FADE;
    if (work->glitch < 0) work->glitch = 0;
    int hoverGame = MenuState.hover >= HOVER_FIRST_GAME;
    PlaceRouteDots(work, hoverGame ? Game(MenuState.hover - HOVER_FIRST_GAME) : 0, !MenuState.busy);
    ShowBoardAndTag(work);
    PlaceLogoLines(work);
    MoveSprite(work->board, PanelSideX(BOARD_ROW.x), BOARD_ROW.y);
    if (MenuState.busy) work->tag->visible = 0;
}

static void __cdecl PanelFreeStep(void) {
    PanelWork *work = (PanelWork *)CurrentWork;
    FreeImages(work->images, PI_COUNT);
    FreeSprites(work->lines, LOGO_LINES);
    FreeSprites(&work->board, 1);
    FreeSprites(work->dots, DOT_COUNT);
    FreeSprites(&work->tag, 1);
    *CurrentStep += 1;
}

static const StepRoutine PANEL_STEPS[] = {PanelRunStep, PanelFreeStep, KillCurrentTaskStep};

// --- wave task steps ---

static void __cdecl WaveRunStep(void) {
    WaveWork *work = (WaveWork *)CurrentWork;
    // Counted even in the closing tick; stops at the start so the music starts once a visit.
    if (MenuState.bgmDelay < BGM_DELAY_TICKS && ++MenuState.bgmDelay == BGM_DELAY_TICKS)
        PlaySnd(MenuState.sounds[MS_BGM]);
    if (MenuState.closing) {
        *CurrentStep += 1;
        return;
    }
    work->phase += WAVE_STEP;
    if (work->phase >= WAVE_CYCLE_FRAMES) work->phase -= WAVE_CYCLE_FRAMES;
    int frame = (int)work->phase;
    work->sprite->visible = frame < WAVE_SHOWN_FRAMES;
    if (frame < WAVE_SHOWN_FRAMES) work->sprite->image = work->images[WAVE_FRAMES[frame]];
    MoveSprite(work->sprite, MapSideX(WAVE_ROW.x), WAVE_ROW.y);
}

static void __cdecl WaveFreeStep(void) {
    WaveWork *work = (WaveWork *)CurrentWork;
    FreeImages(work->images, WAVE_IMAGES);
    FreeSprites(&work->sprite, 1);
    *CurrentStep += 1;
}

static const StepRoutine WAVE_STEPS[] = {WaveRunStep, WaveFreeStep, KillCurrentTaskStep};

// --- creation ---

static void CreateWaveTask(void) {
    WaveWork *work = (WaveWork *)CreateTask(WAVE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(WaveWork));
    LoadImages(work->images, WAVE_NAMES, WAVE_IMAGES);
    work->sprite = PlaceSprite(&WAVE_ROW, work->images);
    work->phase = 0;
    MenuState.bgmDelay = 0;
}

void CreateMapTask(void) {
    MapWork *work = (MapWork *)CreateTask(MAP_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(MapWork));
    work->map = PlaceSprite(&MAP_ROW, MenuState.images);
    CreateWaveTask();
    work->special = 0;
    if (Random(0, SPECIAL_ODDS) == SPECIAL_DRAW) {
        work->special = 1;
        work->specialImage = NewImage(SPECIAL_NAMES[Random(0, SPECIAL_COUNT - 1)]);
    }
    LoadImages(&work->frames[0][0], FRAME_NAMES, FRAME_COUNT * FRAME_KINDS);
    if (work->special)
        work->information = PlaceSprite(&SPECIAL_ROW, &work->specialImage);
    else
        work->information = PlaceSprite(&INFORMATION_ROW, work->frames[0]);
    for (int i = 0; i < GameCatalogue.GameCount; i++) {
        work->destinations[i] = PlaceSprite(&DESTINATION_ROW, work->frames[0]);
        MoveSprite(work->destinations[i], Game(i)->mapX, Game(i)->mapY);
    }
    work->version = PlaceSprite(&VERSION_ROW, MenuState.images);
    work->phase = 0;
    MenuState.prevHover = -1;
}

void CreateInformationPanel(void) {
    PanelWork *work = (PanelWork *)CreateTask(PANEL_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(PanelWork));
    LoadImages(work->images, PANEL_IMAGE_NAMES, PI_COUNT);
    for (int j = 0; j < DOT_COUNT; j++) work->dots[j] = PlaceSprite(&DOT_ROW, work->images);
    work->tag = PlaceSprite(&TAG_ROW, work->images);
    work->board = PlaceSprite(&BOARD_ROW, work->images);
    for (int i = 0; i < LOGO_LINES; i++) {
        Sprite *line = PlaceSprite(&LINE_ROW, work->images);
        line->srcTop = i;
        line->srcBottom = i + 1;
        MoveSprite(line, LINE_ROW.x, LINE_ROW.y + i);
        work->lines[i] = line;
    }
    work->glitch = 0;
    work->dotPhase = 0;
    work->lastHover = HOVER_NOTHING;
}
