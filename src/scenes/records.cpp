// The records panel that the menu opens from the information point, once the map group has slid
// away. It shows the player's records page by page: the overall page piles up the collected total
// as collectible icons (largest denomination first) with the number below; a game's page shows how
// often it was played and clicked, its version and its top ten. Only games whose rankingEnabled is
// 1 have a page; left and right turn the pages in a ring that starts and ends at the overall page.
// The left side (list frame, list, icons, total bar, big text canvas, help and ranking) slides in
// from the left, the right side (logo, game frame, small text canvas, left, right, return) from the
// right. Texts go into the two canvas images, which lie above everything else of the panel, and are
// drawn again every 11 ticks. Return and help slide the panel out; it then frees its sprites (the
// images are the menu's) and sets panelClosed, with helpRequested set when help was pressed.
#include <math.h>
#include <stdio.h>
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "dialogs/dialogs.h"
#include "gfx/gfx.h"
#include "task/task.h"

enum RecordsStep {
    RECORDS_BUILD, RECORDS_SLIDE_IN, RECORDS_WAIT, RECORDS_ACT, RECORDS_SLIDE_OUT, RECORDS_FREE, RECORDS_END
};

// The buttons in protocol order; a press reports its index + 1 (PRESSED_*).
enum PanelButton { PB_LEFT, PB_RIGHT, PB_RETURN, PB_HELP, PB_RANKING, PB_COUNT };
enum { PRESSED_LEFT = 1, PRESSED_RIGHT, PRESSED_RETURN, PRESSED_HELP, PRESSED_RANKING };
enum { OVERALL_BUTTONS = 3 };  // the overall page has left, right and return only

// --- sprites, in creation order ---
enum { ICON_COUNT = 60, ICONS_PER_ROW = 5 };
enum PanelSlot {
    SLOT_GAME_FRAME, SLOT_LIST_FRAME, SLOT_LEFT, SLOT_RIGHT, SLOT_RETURN, SLOT_HELP, SLOT_RANKING, SLOT_LIST_HEAD,
    SLOT_ROWS, SLOT_LOGO = SLOT_ROWS + RANK_COUNT, SLOT_TOTAL,
    SLOT_ICONS, SLOT_BIG_CANVAS = SLOT_ICONS + ICON_COUNT, SLOT_SMALL_CANVAS, SLOT_COUNT
};
enum Side { SIDE_LEFT, SIDE_RIGHT };

typedef struct PanelRow {
    Placement place;
    int32_t side;
} PanelRow;
// Rows and icons repeat their first row: row k stands ROW_STEP_Y lower per k, icon n in column
// n mod 5 and row n div 5 (its y follows the row spacing of the page).
//                                               priority image                                x    y    w    h    visible
static const PanelRow GAME_FRAME_ROW   = {{1000, MI_VERSION_WINDOW,                          337, 289, 181, 65,  0}, SIDE_RIGHT};
static const PanelRow LIST_FRAME_ROW   = {{1000, MI_LIST_WINDOW,                             14,  6,   308, 348, 0}, SIDE_LEFT};
// The buttons in protocol order, each with the menu button whose pictures it shows.
typedef struct PanelButtonRow {
    PanelRow row;
    int32_t art;
} PanelButtonRow;
static const PanelButtonRow BUTTON_ROWS[] = {
    {{{1100, MI_LEFT,    367, 243, 115, 26,  0}, SIDE_RIGHT}, MENU_BUTTON_LEFT},
    {{{1100, MI_RIGHT,   490, 243, 115, 26,  0}, SIDE_RIGHT}, MENU_BUTTON_RIGHT},
    {{{1100, MI_RETURN,  533, 316, 97,  35,  0}, SIDE_RIGHT}, MENU_BUTTON_RETURN},
    {{{1100, MI_HELP,    42,  292, 123, 44,  0}, SIDE_LEFT},  MENU_BUTTON_HELP},
    {{{1100, MI_RANKING, 172, 292, 123, 44,  0}, SIDE_LEFT},  MENU_BUTTON_RANKING},
};
static_assert(ROW_COUNT(BUTTON_ROWS) == PB_COUNT, "one row each");
static const PanelRow LIST_HEAD_ROW    = {{1100, MI_LIST_HEAD,                               36,  24,  264, 24,  0}, SIDE_LEFT};
static const PanelRow FIRST_RANK_ROW   = {{1100, MI_LIST_ROWS,                               40,  55,  256, 20,  0}, SIDE_LEFT};
static const PanelRow LOGO_ROW         = {{1100, MI_LOGO_ZUMI,                               357, 66,  256, 164, 0}, SIDE_RIGHT};
static const PanelRow TOTAL_ROW        = {{1100, MI_ZUMI_ALL,                                40,  315, 256, 20,  0}, SIDE_LEFT};
static const PanelRow FIRST_ICON_ROW   = {{1100, MI_ZUMI1,                                   29,  21,  55,  45,  0}, SIDE_LEFT};
static const PanelRow BIG_CANVAS_ROW   = {{1500, MI_TEXTLIST,                                14,  6,   308, 348, 0}, SIDE_LEFT};
static const PanelRow SMALL_CANVAS_ROW = {{1500, MI_TEXTLIST2,                               340, 290, 181, 65,  0}, SIDE_RIGHT};
enum { ROW_STEP_Y = 23, ICON_STEP_X = 56 };

// --- the pile of icons ---
typedef struct Denomination {
    int32_t value;
    int32_t image;
} Denomination;
static const Denomination DENOMINATIONS[] = {
    {10000, MI_ZUMI10000}, {1000, MI_ZUMI1000}, {100, MI_ZUMI100}, {10, MI_ZUMI10}, {1, MI_ZUMI1},
};
enum { ICON_ROWS_UNSQUEEZED = 6 };                 // up to 30 icons keep their natural spacing
static const float ICON_ROW_SPACING = 46.0f;
static const float LAST_ICON_ROW_DROP = 230.0f;   // squeezed rows spread the pile over this height

// --- texts ---
enum { TEXT_HEIGHT = 14, TEXT_WHITE = 255, TEXT_FIXED_PITCH = 0 };
enum { ALIGN_LEFT = TEXT_LEFT | TEXT_ONE_LINE, ALIGN_RIGHT = TEXT_RIGHT | TEXT_ONE_LINE };
enum { TEXT_BYTES = 64 };
typedef struct TextBox {
    int32_t left, top, right, bottom;
} TextBox;
static const TextBox PLAY_BOX = {0, 8, 165, 22};
static const TextBox CLICK_BOX = {0, 25, 165, 39};
static const TextBox VERSION_BOX = {0, 41, 165, 55};
static const TextBox FIRST_RANK_BOX = {60, 53, 275, 67};  // rank r stands ROW_STEP_Y lower per r
static const TextBox TOTAL_BOX = {40, 313, 277, 327};
static const char COUNT_FORMAT[] = "%8lu回";
static const char COUNT_CAPPED[] = "1億回以上";
static const char VERSION_FORMAT[] = "%4.2f";
static const char TOTAL_FORMAT[] = "%8dズミ";
static const float VERSION_UNIT = 100.0f;          // versions are kept in hundredths

// --- motion ---
static const float SLIDE_AWAY_PX = 400.0f;
static const float SLIDE_IN_KEEP = 0.8f;           // share of the offset left after each tick
static const float SLIDE_REST_PX = 0.5f;
static const float SLIDE_OUT_ACCEL = 2.0f;
enum { REDRAW_TICKS = 11 };

// --- work area ---
typedef struct RecordsWork {
    ButtonPress press;     // counter: also the slide-out speed, px per tick
    float offset;          // px each side stands away from its place, the left to the left
    Sprite *sprites[SLOT_COUNT];
    Button buttons[PB_COUNT];
    float rowSpacing;      // px between rows of icons; 0 until the overall page is first built
} RecordsWork;

// Each run of slots and the row its first slot rests on, in slot order; the slots of a run repeat
// its row (RestOf). The runs cover every slot once, so none can be left out.
typedef struct SlotRun {
    int32_t first, count;
    const PanelRow *row;
} SlotRun;
static constexpr SlotRun SLOT_RUNS[] = {
    {SLOT_GAME_FRAME,   1,          &GAME_FRAME_ROW},
    {SLOT_LIST_FRAME,   1,          &LIST_FRAME_ROW},
    {SLOT_LEFT,         1,          &BUTTON_ROWS[PB_LEFT].row},
    {SLOT_RIGHT,        1,          &BUTTON_ROWS[PB_RIGHT].row},
    {SLOT_RETURN,       1,          &BUTTON_ROWS[PB_RETURN].row},
    {SLOT_HELP,         1,          &BUTTON_ROWS[PB_HELP].row},
    {SLOT_RANKING,      1,          &BUTTON_ROWS[PB_RANKING].row},
    {SLOT_LIST_HEAD,    1,          &LIST_HEAD_ROW},
    {SLOT_ROWS,         RANK_COUNT, &FIRST_RANK_ROW},
    {SLOT_LOGO,         1,          &LOGO_ROW},
    {SLOT_TOTAL,        1,          &TOTAL_ROW},
    {SLOT_ICONS,        ICON_COUNT, &FIRST_ICON_ROW},
    {SLOT_BIG_CANVAS,   1,          &BIG_CANVAS_ROW},
    {SLOT_SMALL_CANVAS, 1,          &SMALL_CANVAS_ROW},
};
static constexpr int RunsCoverEverySlot(void) {
    int32_t next = 0;
    for (const SlotRun &run : SLOT_RUNS) {
        if (run.first != next) return 0;
        next += run.count;
    }
    return next == SLOT_COUNT;
}
static_assert(RunsCoverEverySlot(), "one run after another from slot 0 to the last");

static const PanelRow *RowOf(int slot) {
    int run = 0;
    while (slot >= SLOT_RUNS[run].first + SLOT_RUNS[run].count) run++;
    return SLOT_RUNS[run].row;
}

// The resting place of a slot; icons take their y from the row spacing when they are positioned.
static Placement RestOf(int slot) {
    Placement place = RowOf(slot)->place;
    if (slot >= SLOT_ROWS && slot < SLOT_LOGO) {
        int k = slot - SLOT_ROWS;
        place.image += k;
        place.y += ROW_STEP_Y * k;
    } else if (slot >= SLOT_ICONS && slot < SLOT_BIG_CANVAS) {
        place.x += ICON_STEP_X * ((slot - SLOT_ICONS) % ICONS_PER_ROW);
    }
    return place;
}

static Sprite *Icon(RecordsWork *work, int n) { return work->sprites[SLOT_ICONS + n]; }

static int32_t IconY(const RecordsWork *work, int n) {
    return (int32_t)((n / ICONS_PER_ROW) * work->rowSpacing + FIRST_ICON_ROW.place.y);
}

static void PositionSprites(RecordsWork *work) {
    for (int slot = 0; slot < SLOT_COUNT; slot++) {
        Placement rest = RestOf(slot);
        int32_t x = RowOf(slot)->side == SIDE_LEFT ? (int32_t)(rest.x - work->offset)
                                                   : (int32_t)(rest.x + work->offset);
        int n = slot - SLOT_ICONS;
        MoveSprite(work->sprites[slot], x, n >= 0 && n < ICON_COUNT ? IconY(work, n) : rest.y);
    }
}

// --- texts ---
static GameEntry *PageGame(void) { return &GameCatalogue.entries[MenuState.recordsPage - 1]; }

// Nothing is drawn into a canvas without a surface: DrawString would take the back buffer instead.
static void DrawInto(int canvas, const TextBox *box, int32_t down, uint32_t format, const char *text) {
    Image *image = MenuState.images[canvas];
    if (!image || !image->surface) return;
    DrawString(image->surface, box->left, box->top + down, box->right, box->bottom + down, format, text,
               TEXT_HEIGHT, TEXT_WHITE, TEXT_WHITE, TEXT_WHITE, TEXT_FIXED_PITCH);
}

static void DrawCount(uint32_t count, const TextBox *box) {
    char text[TEXT_BYTES];
    if (count >= COUNT_CAP)
        snprintf(text, sizeof text, "%s", COUNT_CAPPED);
    else
        snprintf(text, sizeof text, COUNT_FORMAT, (unsigned long)count);
    DrawInto(MI_TEXTLIST2, box, 0, ALIGN_RIGHT, text);
}

static void DrawGameText(const GameEntry *game) {
    char text[TEXT_BYTES];
    DrawCount(game->playCount, &PLAY_BOX);
    DrawCount(game->clickCount, &CLICK_BOX);
    snprintf(text, sizeof text, VERSION_FORMAT, game->version / VERSION_UNIT);
    DrawInto(MI_TEXTLIST2, &VERSION_BOX, 0, ALIGN_RIGHT, text);
    // Names and labels come from saved records: bounded by their fields, terminated or not.
    for (int r = 0; r < RANK_COUNT; r++) {
        snprintf(text, sizeof text, "%.*s", RANK_NAME_BYTES, game->rankNames[r]);
        DrawInto(MI_TEXTLIST, &FIRST_RANK_BOX, ROW_STEP_Y * r, ALIGN_LEFT, text);
        snprintf(text, sizeof text, "%27.*s", RANK_LABEL_BYTES, game->rankLabels[r]);
        DrawInto(MI_TEXTLIST, &FIRST_RANK_BOX, ROW_STEP_Y * r, ALIGN_RIGHT, text);
    }
}

// Draws the texts of the current page over whatever the canvases hold.
static void DrawRecordsText(void) {
    char text[TEXT_BYTES];
    if (MenuState.recordsPage >= 1) {
        DrawGameText(PageGame());
        return;
    }
    snprintf(text, sizeof text, TOTAL_FORMAT, (int)GameCatalogue.ZumiTotal);
    DrawInto(MI_TEXTLIST, &TOTAL_BOX, 0, ALIGN_RIGHT, text);
}

// --- build ---
static void Show(RecordsWork *work, int first, int count, int32_t visible) {
    for (int slot = first; slot < first + count; slot++) work->sprites[slot]->visible = visible;
}

static void ShowButtons(RecordsWork *work, int count) {
    for (int b = 0; b < PB_COUNT; b++) {
        work->buttons[b].live = b < count;
        work->sprites[SLOT_LEFT + b]->visible = b < count;
    }
}

// Icons from the largest denomination down, at most ICON_COUNT; returns how many.
static int PileIcons(RecordsWork *work) {
    int32_t left = GameCatalogue.ZumiTotal;
    int shown = 0;
    for (const Denomination &coin : DENOMINATIONS) {
        while (left >= coin.value && left > 0 && shown < ICON_COUNT) {
            Sprite *icon = Icon(work, shown++);
            icon->image = MenuState.images[coin.image];
            icon->visible = 1;
            left -= coin.value;
        }
    }
    return shown;
}

// Above ICON_ROWS_UNSQUEEZED rows the rows overlap so that the last row's top stays in the frame.
static float IconRowSpacing(int icons) {
    int lastRow = (icons - 1) / ICONS_PER_ROW;
    return icons - 1 >= ICON_ROWS_UNSQUEEZED * ICONS_PER_ROW ? LAST_ICON_ROW_DROP / lastRow : ICON_ROW_SPACING;
}

static void BuildGamePage(RecordsWork *work) {
    work->sprites[SLOT_LOGO]->image = GameLogoImage(MenuState.recordsPage);
    work->sprites[SLOT_GAME_FRAME]->visible = 1;
    work->sprites[SLOT_SMALL_CANVAS]->visible = 1;
    DrawRecordsText();
    ShowButtons(work, PB_COUNT);
    Show(work, SLOT_LIST_HEAD, 1 + RANK_COUNT, 1);
    Show(work, SLOT_TOTAL, 1, 0);
    Show(work, SLOT_ICONS, ICON_COUNT, 0);
}

static void BuildOverallPage(RecordsWork *work) {
    work->sprites[SLOT_LOGO]->image = MenuState.images[MI_LOGO_ZUMI];
    work->sprites[SLOT_GAME_FRAME]->visible = 0;
    work->sprites[SLOT_SMALL_CANVAS]->visible = 0;
    ShowButtons(work, OVERALL_BUTTONS);
    Show(work, SLOT_LIST_HEAD, 1 + RANK_COUNT, 0);
    Show(work, SLOT_TOTAL, 1, 1);
    Show(work, SLOT_ICONS, ICON_COUNT, 0);
    work->rowSpacing = IconRowSpacing(PileIcons(work));
    DrawRecordsText();
}

static void __cdecl BuildStep(void) {
    RecordsWork *work = (RecordsWork *)CurrentWork;
    // The page is remembered across visits; a page past the catalogue falls back to the overall one.
    if (MenuState.recordsPage > GameCatalogue.GameCount) MenuState.recordsPage = 0;
    FillImage(MenuState.images[MI_TEXTLIST], 0, 0, 0);
    FillImage(MenuState.images[MI_TEXTLIST2], 0, 0, 0);
    if (MenuState.recordsPage >= 1)
        BuildGamePage(work);
    else
        BuildOverallPage(work);
    Show(work, SLOT_LIST_FRAME, 1, 1);
    Show(work, SLOT_LOGO, 1, 1);
    Show(work, SLOT_BIG_CANVAS, 1, 1);
    PositionSprites(work);
    *CurrentStep += 1;
}

// --- slides, buttons, actions ---
static void __cdecl SlideInStep(void) {
    RecordsWork *work = (RecordsWork *)CurrentWork;
    work->offset *= SLIDE_IN_KEEP;
    PositionSprites(work);
    if (fabsf(work->offset) > SLIDE_REST_PX) return;
    work->press.pressed = 0;
    *CurrentStep += 1;
}

static void __cdecl WaitStep(void) {
    RecordsWork *work = (RecordsWork *)CurrentWork;
    MenuState.redrawCountdown -= 1;
    if (MenuState.redrawCountdown < 0) {
        DrawRecordsText();
        MenuState.redrawCountdown = REDRAW_TICKS - 1;
    }
    // Help and ranking are not live on the overall page.
    if (RunButtons(work->buttons, PB_COUNT, &work->press, MenuState.sounds[MS_NORM])) *CurrentStep += 1;
}

static int RankedGame(int g) {
    return GameCatalogue.entries[g - 1].rankingEnabled == 1;
}

// The ring: the overall page (0), then every game with a page, in catalogue order.
static int PreviousPage(int page) {
    int g = page - 1;
    if (g < 0) g = GameCatalogue.GameCount;
    while (g > 0 && !RankedGame(g)) g -= 1;
    return g;
}

static int NextPage(int page) {
    int g = page + 1;
    while (g <= GameCatalogue.GameCount && !RankedGame(g)) g += 1;
    return g > GameCatalogue.GameCount ? 0 : g;
}

static void Rebuild(RecordsWork *work) {
    work->press.pressed = 0;
    *CurrentStep = RECORDS_BUILD;
}

static void Leave(RecordsWork *work) {
    work->press.counter = 0;
    *CurrentStep = RECORDS_SLIDE_OUT;
}

static void __cdecl ActStep(void) {
    RecordsWork *work = (RecordsWork *)CurrentWork;
    switch (work->press.pressed) {
    case PRESSED_LEFT:
        MenuState.recordsPage = PreviousPage(MenuState.recordsPage);
        break;
    case PRESSED_RIGHT:
        MenuState.recordsPage = NextPage(MenuState.recordsPage);
        break;
    case PRESSED_RETURN:
        Leave(work);
        return;
    case PRESSED_HELP:
        MenuState.helpRequested = 1;
        MenuState.helpPage = MenuState.recordsPage;
        Leave(work);
        return;
    case PRESSED_RANKING:
        OpenRankingPage(MenuState.recordsPage);
        break;
    }
    Rebuild(work);
}

static void __cdecl SlideOutStep(void) {
    RecordsWork *work = (RecordsWork *)CurrentWork;
    work->press.counter += SLIDE_OUT_ACCEL;
    work->offset += work->press.counter;
    PositionSprites(work);
    if (fabsf(work->offset) > SLIDE_AWAY_PX) *CurrentStep += 1;
}

static void __cdecl FreeStep(void) {
    RecordsWork *work = (RecordsWork *)CurrentWork;
    FreeSprites(work->sprites, SLOT_COUNT);
    for (Button &button : work->buttons) button.sprite = 0;
    MenuState.panelClosed = 1;
    *CurrentStep += 1;
}

static const StepRoutine RECORDS_STEPS[] = {
    BuildStep, SlideInStep, WaitStep, ActStep, SlideOutStep, FreeStep, KillCurrentTaskStep,
};
static_assert(sizeof RECORDS_STEPS / sizeof RECORDS_STEPS[0] == RECORDS_END + 1, "one routine per step");

// --- start ---
static void CreateSprite(RecordsWork *work, int slot) {
    Placement rest = RestOf(slot);
    work->sprites[slot] = PlaceSprite(&rest, MenuState.images);
}

void OpenRecordsPanel(void) {
    RecordsWork *work = (RecordsWork *)CreateTask(RECORDS_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN,
                                                  sizeof(RecordsWork));
    // Among equal priorities the sprite made last is drawn first: icon 0 is made last, so every
    // icon lies over the icons before it.
    for (int slot = 0; slot < SLOT_ICONS; slot++) CreateSprite(work, slot);
    for (int n = ICON_COUNT - 1; n >= 0; n--) CreateSprite(work, SLOT_ICONS + n);
    for (int slot = SLOT_BIG_CANVAS; slot < SLOT_COUNT; slot++) CreateSprite(work, slot);
    for (int b = 0; b < PB_COUNT; b++)
        SetUpMenuButton(&work->buttons[b], BUTTON_ROWS[b].art, &BUTTON_ROWS[b].row.place, work->sprites[SLOT_LEFT + b]);
    work->offset = SLIDE_AWAY_PX;
}
