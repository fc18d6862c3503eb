// The records panel and the help screen inside the running menu, tick by tick, on the program's own
// pictures and test games: the ring of pages, the buttons, the pile of icons, the texts in the
// canvases, and the help picture with its fallbacks.
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include "harness.h"
#include "pictures.h"
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "base/base.h"
#include "fade/fade.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

void ShowVersionDialog(void) {}
static std::vector<int> rankingPages;  // games sent to the ranking page
void OpenRankingPage(int game) { rankingPages.push_back(game); }

namespace {
const int INFO_X = 165, INFO_Y = 151;
enum { LEFT, RIGHT, RETURN, HELP, RANKING };
const POINT BUTTON_AT[] = {{420, 256}, {540, 256}, {580, 333}, {100, 314}, {230, 314}};
const int BUTTON_ART[] = {MENU_BUTTON_LEFT, MENU_BUTTON_RIGHT, MENU_BUTTON_RETURN, MENU_BUTTON_HELP, MENU_BUTTON_RANKING};
const Rgb HELP_COLOUR = MakeRgb(30, 160, 220), MARKER = MakeRgb(70, 90, 110);

struct TestGame { const char *file; int ranked; bool help; };
void UseGames(const std::vector<TestGame> &games) {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    GameCatalogue.GameCount = (uint8_t)games.size();
    for (size_t g = 0; g < games.size(); g++) {
        GameEntry &entry = GameCatalogue.entries[g];
        strcpy(entry.fileName, games[g].file), entry.rankingEnabled = games[g].ranked, entry.mapX = 40 + 60 * (int)g, entry.mapY = 40;
        Members members = {{"sys_logo.bmp", Bmp24(256, 164, [](int, int) { return MakeRgb(200, 90, 90); })},
                           {"sys_states.bmp", Bmp24(256, 100, [](int, int) { return MakeRgb(90, 200, 90); })}};
        if (games[g].help) members.push_back({"help.bmp", Bmp24(640, 360, [](int, int) { return HELP_COLOUR; })});
        WriteGameFile(games[g].file, members);
    }
}

enum { DRIVE_START, DRIVE_WAIT, DRIVE_IDLE };
void __cdecl DriveStart() { SceneDone = 0; StartMenuScene(); *CurrentStep += 1; }
void __cdecl DriveWait() { if (SceneDone) *CurrentStep += 1; }
const StepRoutine DRIVE_STEPS[] = {DriveStart, DriveWait, IdleStep};
Task *driver = 0;

bool pressing = false;
void Tick() { MouseState.click[BUTTON_LEFT] |= pressing; RunTasks(); ClearClicks(); }
void Ticks(int n) { while (n--) Tick(); }
void Click(int x, int y) { MouseState.x = x; MouseState.y = y; MouseState.click[BUTTON_LEFT] = 1; Tick(); }
int TicksUntil(const std::function<bool()> &done) { for (int n = 1; n <= 200; n++) { Tick(); if (done()) return n; } return -1; }
Sprite *Find(const std::function<bool(Sprite *)> &match) { for (Sprite *s = SpriteList->next; s; s = s->next) if (match(s)) return s; return 0; }
Sprite *SpriteOf(int image) { return Find([=](Sprite *s) { return s->image == MenuState.images[image]; }); }
Image *ButtonImage(int button, int frame) {  // 0 base, 1 over, 2 to 4 down 1 to 3
    int art = BUTTON_ART[button];
    return MenuState.images[frame < 2 ? MI_BUTTONS + 2 * art + frame : MI_BUTTON_DOWNS + 5 * (frame - 2) + art];
}
Sprite *ButtonSprite(int button) {
    return Find([=](Sprite *s) { for (int f = 0; f < 5; f++) if (s->image == ButtonImage(button, f)) return true; return false; });
}
bool Shows(int button, int frame) { Sprite *s = ButtonSprite(button); return s && s->visible && s->image == ButtonImage(button, frame); }
bool Played(int sound) {  // playing now; stopped, so that the next look sees only a new play
    DWORD status = 0;
    MenuState.sounds[sound]->buffer->GetStatus(&status);
    StopSnd(MenuState.sounds[sound]);
    return status & DSBSTATUS_PLAYING;
}
void Press(int button) { Click(BUTTON_AT[button].x, BUTTON_AT[button].y); MouseState.x = MouseState.y = 5; Ticks(7); }  // acted on, rebuilt, waiting

// The canvas as it should be: the rows' texts drawn by themselves into a blank copy of it. Only
// where it is lit counts: drawn again, smoothed glyph edges grow brighter.
struct Text { RECT box; uint32_t format; const char *text; };
bool CanvasHolds(int canvas, const std::vector<Text> &texts) {
    Image *expected = NewImage(MenuState.images[canvas]->name);
    FillImage(expected, 0, 0, 0);
    for (const Text &t : texts)
        DrawString(expected->surface, t.box.left, t.box.top, t.box.right, t.box.bottom, t.format, t.text, 14, 255, 255, 255, 0);
    Frame want = ReadSurface(expected->surface), seen = ReadSurface(MenuState.images[canvas]->surface);
    bool same = want.pixels.size() == seen.pixels.size();
    for (size_t i = 0; same && i < want.pixels.size(); i++) same = (want.pixels[i] != 0) == (seen.pixels[i] != 0);
    FreeImage(expected);
    return same;
}
int WhiteIn(int canvas) { return ReadSurface(MenuState.images[canvas]->surface).count(0xFFFFFF); }

class Records : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureDisplay(), InitSound(), InitTaskList(), SetPack(MENU_PACK), StartFadeTask(), StartCursorTask();
        CreateTask(DRIVE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, 4);
        KeepLastTask();
        driver = CurrentTask, driver->step = DRIVE_IDLE;
    }
    void SetUp() override { pressing = false, FadeState = FADE_COVERED, rankingPages.clear(), Ticks(2); }
    void TearDown() override { ClearSceneTasks(), FreeSceneSprites(), FreeSceneImages(), FreeSceneSounds(); }
    // A menu visit at rest, then the panel opened from the information point and waiting.
    void Visit(const std::vector<TestGame> &games) {
        UseGames(games), driver->step = DRIVE_START, Tick();
        TicksUntil([] { return !MenuState.busy; });
        MouseState.x = INFO_X, MouseState.y = INFO_Y, Tick();
        spritesBefore = SpriteCount, imagesBefore = ImageCount;
        OpenPanel();
    }
    void OpenPanel() { Click(INFO_X, INFO_Y), AwaitPanel(52); }  // the map 20 away, the panel built, 30 in, waiting
    void AwaitPanel(int ticks) {
        MouseState.x = BUTTON_AT[RETURN].x, MouseState.y = BUTTON_AT[RETURN].y;
        EXPECT_EQ(TicksUntil([] { return Shows(RETURN, 1); }), ticks);
        MouseState.x = MouseState.y = 5;
    }
    int spritesBefore = 0, imagesBefore = 0;
};
}  // namespace

TEST_F(Records, PagesRingOverRankedGamesWithTheirButtonsTextsAndRedraws) {
    Visit({{"RECA.VYG", 1, false}, {"RECB.VYG", 0, false}, {"RECC.VYG", 1, false}});
    GameEntry &game = GameCatalogue.entries[0];
    game.playCount = COUNT_CAP, game.clickCount = COUNT_CAP - 1, game.version = 123;
    strcpy(game.rankNames[0], "ポモ"), strcpy(game.rankLabels[0], "1234点");
    strcpy(game.rankNames[2], "ロビナ"), strcpy(game.rankLabels[2], "9点");
    // First opening: the overall page, whose help and ranking are hidden and dead.
    EXPECT_EQ(MenuState.recordsPage, 0);
    EXPECT_EQ(SpriteOf(MI_LOGO_NONE), nullptr);
    EXPECT_TRUE(SpriteOf(MI_ZUMI_ALL)->visible);
    EXPECT_EQ(SpriteOf(MI_LIST_WINDOW)->x, 13);  // the offsets come to rest just under a pixel
    for (int button : {HELP, RANKING}) {
        Click(BUTTON_AT[button].x, BUTTON_AT[button].y);
        Ticks(6);
        EXPECT_FALSE(ButtonSprite(button)->visible);
        EXPECT_EQ(ButtonSprite(button)->image, ButtonImage(button, 0));
    }
    EXPECT_EQ(MenuState.recordsPage, 0);
    // Left from the overall page: the last ranked game; then right round the ring, skipping game 2.
    const int ring[][2] = {{LEFT, 3}, {RIGHT, 0}, {RIGHT, 1}, {RIGHT, 3}};
    for (const auto &turn : ring) {
        Played(MS_NORM);
        Click(BUTTON_AT[turn[0]].x, BUTTON_AT[turn[0]].y);
        EXPECT_TRUE(Played(MS_NORM));
        for (int frame = 2; frame <= 4; frame++) { Tick(); EXPECT_TRUE(Shows(turn[0], frame)); }
        Tick();
        EXPECT_NE(MenuState.recordsPage, turn[1]);  // acted on in the fifth tick
        Tick();
        EXPECT_EQ(MenuState.recordsPage, turn[1]);
        Ticks(2);
        EXPECT_EQ(ButtonSprite(HELP)->visible, turn[1] != 0);
        EXPECT_EQ(SpriteOf(MI_ZUMI_ALL)->visible, turn[1] == 0);
    }
    // A click on left while right shows its press frames takes the press over: 3 goes to 1, not 0.
    Click(BUTTON_AT[RIGHT].x, BUTTON_AT[RIGHT].y);
    Tick();
    Press(LEFT);
    EXPECT_EQ(MenuState.recordsPage, 1);
    // In the tick a press finishes the buttons after it are not looked at: a click on right is lost.
    Click(BUTTON_AT[LEFT].x, BUTTON_AT[LEFT].y), Ticks(3), Played(MS_NORM);
    Click(BUTTON_AT[RIGHT].x, BUTTON_AT[RIGHT].y);
    EXPECT_FALSE(Played(MS_NORM));
    EXPECT_EQ(ButtonSprite(RIGHT)->image, ButtonImage(RIGHT, 0));
    MouseState.x = MouseState.y = 5, Ticks(7);
    EXPECT_EQ(MenuState.recordsPage, 0);
    Press(RIGHT);
    Press(RANKING);
    EXPECT_EQ(rankingPages, std::vector<int>({1}));
    EXPECT_TRUE(SpriteOf(MI_LIST_ROWS + 9)->visible);
    // The texts of game 1; the empty ranks have none.
    EXPECT_TRUE(CanvasHolds(MI_TEXTLIST2, {{{0, 8, 165, 22}, 34, "1億回以上"}, {{0, 25, 165, 39}, 34, "99999998回"},
                                           {{0, 41, 165, 55}, 34, "1.23"}}));
    EXPECT_TRUE(CanvasHolds(MI_TEXTLIST, {{{60, 53, 275, 67}, 32, "ポモ"}, {{60, 53, 275, 67}, 34, "1234点"},
                                          {{60, 99, 275, 113}, 32, "ロビナ"}, {{60, 99, 275, 113}, 34, "9点"}}));
    // Drawn again every 11 ticks over whatever the canvas holds.
    FillImage(MenuState.images[MI_TEXTLIST2], 70, 90, 110);
    int first = TicksUntil([] { return WhiteIn(MI_TEXTLIST2) > 0; });
    EXPECT_TRUE(first >= 1 && first <= 11) << first;
    FillImage(MenuState.images[MI_TEXTLIST2], 70, 90, 110);
    EXPECT_EQ(TicksUntil([] { return WhiteIn(MI_TEXTLIST2) > 0; }), 11);
    EXPECT_GT(ReadSurface(MenuState.images[MI_TEXTLIST2]->surface).count(MARKER), 181 * 65 / 2);
    // Return: out in 20 ticks after the action, every sprite freed; the next opening keeps the page.
    Press(RETURN);
    EXPECT_EQ(TicksUntil([] { return MenuState.panelClosed != 0; }), 19);
    EXPECT_EQ(SpriteCount, spritesBefore);
    EXPECT_EQ(ImageCount, imagesBefore);
    TicksUntil([] { return !MenuState.busy; });
    OpenPanel();
    EXPECT_EQ(MenuState.recordsPage, 1);
    EXPECT_EQ(SpriteOf(MI_LOGO_ZUMI), nullptr);
    TearDown(), SetUp();  // and the next visit of the menu, built afresh, keeps it too
    Visit({{"RECA.VYG", 1, false}, {"RECB.VYG", 0, false}, {"RECC.VYG", 1, false}});
    EXPECT_EQ(MenuState.recordsPage, 1);
}

TEST_F(Records, OverallPagePilesIconsByDenominationAndSqueezesRows) {
    Visit({{"RECA.VYG", 0, false}, {"RECB.VYG", 0, false}});
    MenuState.recordsPage = 0;
    struct Case { int32_t total; std::vector<int> coins; int lastRowY; };
    std::vector<int> sixty(60, MI_ZUMI10000), squeezed = sixty;
    squeezed.back() = MI_ZUMI1000;
    std::vector<int> thirty(3, MI_ZUMI10000), thirtyOne;
    for (int image : {MI_ZUMI1000, MI_ZUMI100, MI_ZUMI10}) thirty.insert(thirty.end(), 9, image);
    thirtyOne = thirty, thirtyOne.push_back(MI_ZUMI1);
    const Case cases[] = {
        {123, {MI_ZUMI100, MI_ZUMI10, MI_ZUMI10, MI_ZUMI1, MI_ZUMI1, MI_ZUMI1}, 67},
        {0, {}, 0}, {-5, {}, 0},
        {39990, thirty, 251}, {39991, thirtyOne, 250},  // 46 apart; then 230/6 apart
        {600000, sixty, 250}, {599999, squeezed, 250},  // 230/11: row 1 at 41
    };
    for (const Case &c : cases) {
        GameCatalogue.ZumiTotal = c.total;
        FillImage(MenuState.images[MI_TEXTLIST], 70, 90, 110);
        Press(c.total % 2 ? LEFT : RIGHT);  // no ranked game: both lead back to the page, rebuilt
        EXPECT_EQ(MenuState.recordsPage, 0);
        std::vector<Sprite *> icons;
        for (Sprite *s = SpriteList->next; s; s = s->next) if (s->srcRight == 55 && s->visible) icons.push_back(s);
        std::sort(icons.begin(), icons.end(), [](Sprite *a, Sprite *b) { return a->y != b->y ? a->y < b->y : a->x < b->x; });
        ASSERT_EQ(icons.size(), c.coins.size()) << c.total;
        for (size_t n = 0; n < icons.size(); n++) {
            EXPECT_EQ(icons[n]->image, MenuState.images[c.coins[n]]) << c.total << " icon " << n;
            EXPECT_EQ(icons[n]->x, 29 + 56 * (int)(n % 5) - 1) << c.total << " icon " << n;
        }
        if (!icons.empty()) { EXPECT_EQ(icons.back()->y, c.lastRowY) << c.total; }
        if (icons.size() == 60) { EXPECT_EQ(icons[5]->y, 41); }
        char total[32];
        snprintf(total, sizeof total, "%8dズミ", (int)c.total);
        EXPECT_TRUE(CanvasHolds(MI_TEXTLIST, {{{40, 313, 277, 327}, 34, total}})) << c.total;
    }
}

TEST_F(Records, HelpShowsTheGamesPictureOrTheProgramsOwnAndComesBackToThePanel) {
    MenuState.recordsPage = 0;
    Visit({{"RECA.VYG", 1, true}, {"RECB.VYG", 1, false}, {"RECC.VYG", 1, true}});
    DeleteFileA((Folder() + "RECC.VYG").c_str());  // gone after the menu read its logo
    BoxWatcher boxes;
    struct Case { int page; const char *picture, *pack; };
    const Case cases[] = {{1, "help.bmp", "RECA.VYG"}, {2, "help_none.bmp", MENU_PACK}, {3, "help_none.bmp", MENU_PACK}};
    for (const Case &c : cases) {
        Press(RIGHT);
        ASSERT_EQ(MenuState.recordsPage, c.page);
        int images = ImageCount;
        Press(HELP);
        auto picture = [] { return Find([](Sprite *s) { return s->priority == 1000 && s->srcRight == 640; }); };
        EXPECT_EQ(TicksUntil([&] { return picture() != nullptr; }), 19);
        EXPECT_EQ(MenuState.helpRequested, 1);
        EXPECT_EQ(MenuState.helpPage, c.page);
        EXPECT_STREQ(CurrentPackName(), MENU_PACK);
        ASSERT_TRUE(picture()->image);
        EXPECT_STREQ(picture()->image->name, c.picture);
        EXPECT_STREQ(picture()->image->pack, c.pack);
        // Clicks on the return button during the slide-in are ignored; it rests at x 534, the picture at -1.
        Sprite *button = Find([](Sprite *s) { return s->priority == 1100 && s->srcRight == 97; });
        ASSERT_TRUE(button);
        MouseState.x = 580, MouseState.y = 333, pressing = true, Ticks(29);
        pressing = false, Tick();
        EXPECT_EQ(button->image, ButtonImage(RETURN, 1));  // waiting, not pressed
        EXPECT_EQ(picture()->x, -1);
        EXPECT_EQ(button->x, 534);
        if (c.page == 1) { EXPECT_TRUE(DrawFrame().shows(100, 100, HELP_COLOUR)); }
        for (POINT edge : {POINT{533, 333}, POINT{580, 316}}) {
            Click(edge.x, edge.y), Ticks(4);
            EXPECT_EQ(button->image, ButtonImage(RETURN, 0));
        }
        Played(MS_NORM);
        Click(580, 333);
        EXPECT_TRUE(Played(MS_NORM));
        EXPECT_EQ(TicksUntil([] { return MenuState.helpRequested == 0; }), 30);  // 3 frames, on, 25 out, freed
        EXPECT_EQ(picture(), nullptr);
        EXPECT_STREQ(CurrentPackName(), MENU_PACK);
        AwaitPanel(32);  // the menu reopens the panel on the same page
        EXPECT_EQ(MenuState.recordsPage, c.page);
        EXPECT_EQ(ImageCount, images);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}
