// The menu scene run tick by tick under a stand-in for the scene sequence, with the fade and cursor
// tasks up and a catalogue of test games (no game.ini: the catalogue's scan tests never take them).
#include <windows.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <vector>
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

// The title's flag and the version dialog, which the map uses: the title scene and the dialog are not
// linked into this program (nothing here pulls them from the engine library).
void ShowVersionDialog(void) {}

namespace {
struct TestGame { const char *file; int32_t x, y; };
const TestGame GAMES[] = {{"MENUT1.VYG", 40, 60}, {"MENUT2.VYG", 250, 250}, {"MENUT3.VYG", 149, 135}};
const int INFO_X = 165, INFO_Y = 151;  // centre of the information point; MENUT3's too

void WriteTestGame(const TestGame &game) {
    Rgb colour = MakeRgb(game.x, game.y, 99);
    WriteGameFile(game.file, {{"sys_logo.bmp", Bmp24(256, 164, [=](int, int) { return colour; })},
                              {"sys_states.bmp", Bmp24(256, 100, [=](int, int) { return colour; })}});
}

void UseCatalogue(int count) {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    GameCatalogue.GameCount = (uint8_t)count;
    for (int g = 0; g < count; g++) {
        strcpy(GameCatalogue.entries[g].fileName, GAMES[g].file);
        GameCatalogue.entries[g].mapX = GAMES[g].x;
        GameCatalogue.entries[g].mapY = GAMES[g].y;
    }
}

// The scene sequence's part: start the menu, wait for its end.
enum { DRIVE_START, DRIVE_WAIT, DRIVE_IDLE };
void __cdecl DriveStart() { SceneDone = 0; StartMenuScene(); *CurrentStep += 1; }
void __cdecl DriveWait() { if (SceneDone) *CurrentStep += 1; }
const StepRoutine DRIVE_STEPS[] = {DriveStart, DriveWait, IdleStep};
Task *driver = 0;

std::vector<int> randomCalls;  // (lower, upper) of every Random drawn, while recorded
std::vector<int> randomScript; // answers for the first draws, then the lower bound
int32_t ScriptedRandom(int32_t lower, int32_t upper) {
    randomCalls.insert(randomCalls.end(), {lower, upper});
    size_t n = randomCalls.size() / 2 - 1;
    return n < randomScript.size() ? randomScript[n] : lower;
}

bool pressing = false;  // the left button is clicked in every tick
void Tick() { MouseState.click[BUTTON_LEFT] |= pressing; RunTasks(); ClearClicks(); }
void Click(int x, int y) { MouseState.x = x; MouseState.y = y; MouseState.click[BUTTON_LEFT] = 1; Tick(); }
int TicksUntil(const std::function<bool()> &done, int most = 400) {
    for (int ticks = 1; ticks <= most; ticks++) { Tick(); if (done()) return ticks; }
    return -1;
}
// The records panel closes with its return button, which it heeds once it has slid in.
void CloseRecordsPanel() {
    MouseState.x = 580, MouseState.y = 333, pressing = true;
    TicksUntil([] { return MenuState.panelClosed != 0; });
    pressing = false;
}
int SoundCount() { int n = 0; for (Sound *s = SoundList->next; s; s = s->next) n++; return n; }
int ShownPoints() {  // visible 32x32 sprites of the points' priority
    int n = 0;
    for (Sprite *s = SpriteList->next; s; s = s->next) n += s->priority == 20 && s->visible && s->srcRight == 32 && s->srcBottom == 32;
    return n;
}
bool EverySpriteShowsALiveImage() {
    for (Sprite *s = SpriteList->next; s; s = s->next) {
        bool live = !s->image;
        for (Image *i = ImageList->next; i && !live; i = i->next) live = i == s->image;
        if (!live) return false;
    }
    return true;
}
Sprite *SpriteOf(int image, int32_t y = INT32_MIN) {
    for (Sprite *s = SpriteList->next; s; s = s->next)
        if (s->image == MenuState.images[image] && (y == INT32_MIN || s->y == y)) return s;
    return 0;
}

class Menu : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureDisplay();
        InitSound();
        InitTaskList();
        ASSERT_EQ(SetPack(MENU_PACK), 1);
        StartFadeTask();
        StartCursorTask();
        for (const TestGame &game : GAMES) WriteTestGame(game);
        CreateTask(DRIVE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, 4);
        KeepLastTask();
        driver = CurrentTask;
        driver->step = DRIVE_IDLE;
    }
    void SetUp() override {
        RandomOverride = ScriptedRandom;  // no special picture on the map, answers chosen below
        randomCalls.clear();
        randomScript.clear();
        pressing = false;
        FadeState = FADE_COVERED;  // as every scene starts
        Tick();
        Tick();
    }
    void TearDown() override {  // what the scene sequence's clear does after any scene
        ClearSceneTasks();
        FreeSceneSprites();
        FreeSceneImages();
        FreeSceneSounds();
        RandomOverride = 0;
    }
    void StartVisit(int games) { UseCatalogue(games); driver->step = DRIVE_START; Tick(); }
    // From the start tick to the map at rest; the number of slide-in ticks.
    int RestAtIdle() {
        TicksUntil([] { return FadeState == FADE_VISIBLE; });
        return TicksUntil([] { return !MenuState.busy; });
    }
};
}  // namespace

TEST_F(Menu, SlidesInAndOutOnTimeAndIgnoresClicksWhileBusy) {
    StartVisit(2);
    EXPECT_EQ(MenuState.slide, 400);
    EXPECT_EQ(MenuState.busy, 1);
    // A click on a destination during the intro and the slides does nothing.
    MouseState.x = 56;
    MouseState.y = 76;
    pressing = true;
    EXPECT_EQ(TicksUntil([] { return FadeState != FADE_UNCOVER; }), 34);
    EXPECT_EQ(FadeState, FADE_VISIBLE);
    Tick();
    EXPECT_FLOAT_EQ(MenuState.slide, 320);
    EXPECT_EQ(TicksUntil([] { return !MenuState.busy; }) + 1, 27);
    EXPECT_EQ(FadeState, FADE_VISIBLE);
    EXPECT_EQ(SelectedGame, 0);
    pressing = false;
    MouseState.x = INFO_X;
    MouseState.y = INFO_Y;
    Tick();
    ASSERT_EQ(MenuState.hover, HOVER_INFORMATION);
    Click(INFO_X, INFO_Y);
    for (int n = 1; n < 20; n++) {
        Click(56, 76);  // over game 1, but the map is sliding: nothing changes
        ASSERT_FLOAT_EQ(MenuState.slide, n * (n + 1)) << n;
        ASSERT_EQ(MenuState.hover, HOVER_INFORMATION);
        ASSERT_EQ(SelectedGame, 0);
    }
    MenuState.panelClosed = 0;
    Tick();
    EXPECT_EQ(MenuState.slide, 400);
    EXPECT_EQ(MenuState.hover, HOVER_NOTHING);
    EXPECT_EQ(MenuState.panelClosed, 0);  // the panel is open
    CloseRecordsPanel();
    EXPECT_EQ(TicksUntil([] { return !MenuState.busy; }), 27);
    EXPECT_EQ(FadeState, FADE_VISIBLE);
}

TEST_F(Menu, DecorationsFollowTheirPaths) {
    // Line 0 rests on no pass, line 1 rests 3 ticks at the left edge; both start at x = -300, y 180.
    randomScript = {1, 0, -300, 0, 2, 0, -300, 3};
    for (int line = 2; line < 10; line++) randomScript.insert(randomScript.end(), {3, 314, 600, 0});
    StartVisit(0);
    for (int line = 0; line < 10; line++)
        EXPECT_EQ(std::vector<int>(randomCalls.begin() + 8 * line, randomCalls.begin() + 8 * line + 8),
                  std::vector<int>({1, 3, 0, 628, -600, 600, 0, 100}));
    Sprite *restless = 0, *resting = 0, *sweep = SpriteOf(MI_TEXT_LOGO), *tiles[4];
    for (Sprite *s = SpriteList->next; s; s = s->next)
        if (s->image == MenuState.images[MI_BGLINE] && s->srcBottom < 3) (s->srcBottom == 1 ? restless : resting) = s;
    for (int a = 0; a < 4; a++) tiles[a] = SpriteOf(MI_TEXT, 121 * a - 1);
    ASSERT_TRUE(restless && resting && sweep && tiles[0] && tiles[3]);
    const int linePath[][2] = {{-364, 0}, {-428, 0}, {-492, 0}, {-556, -64}, {-620, -128}, {640, -192}};
    std::vector<int> sweepX = {sweep->x};
    for (int tick = 1; tick <= 300; tick++) {
        if (tick <= 6) {
            EXPECT_EQ(restless->x, linePath[tick - 1][0]) << tick;
            EXPECT_EQ(resting->x, linePath[tick - 1][1]) << tick;
        }
        if (tick == 121) {
            EXPECT_EQ(tiles[0]->y, -121);
        } else if (tick == 122) {
            EXPECT_EQ(tiles[0]->y, 359);  // wrapped by 481: 3 px closer to the tile above
            EXPECT_EQ(tiles[3]->y, 241);
        }
        size_t before = randomCalls.size();
        Tick();
        sweepX.push_back(sweep->x);
        if (tick == 5) {  // the wrap of line 0 draws a new angle, hold and height, in that order
            std::vector<int> drawn(randomCalls.begin() + before, randomCalls.end());
            std::vector<int> wrap = {0, 628, 0, 30, 1, 3};
            EXPECT_NE(std::search(drawn.begin(), drawn.end(), wrap.begin(), wrap.end()), drawn.end());
        }
    }
    // Eased in for 26 ticks (the start tick first), at rest at 325 for 201 more, then off and back.
    EXPECT_EQ(sweepX[0], -183);
    EXPECT_EQ(sweepX[24], 324);
    for (int tick = 25; tick <= 226; tick++) ASSERT_EQ(sweepX[tick], 325) << tick;
    EXPECT_EQ(sweepX[227], 327);
    EXPECT_EQ(sweepX[244], 667);
    EXPECT_EQ(sweepX[245], -183);
}

TEST_F(Menu, WithNoGameOnlyTheInformationPointShowsAndOpensOnlyThePanel) {
    StartVisit(0);
    RestAtIdle();
    EXPECT_EQ(ShownPoints(), 1);
    for (int x = 16; x < 368; x += 24)
        for (int y = 28; y < 334; y += 24)
            if (abs(x - INFO_X) > 24 || abs(y - INFO_Y) > 24) Click(x, y);
    EXPECT_EQ(MenuState.busy, 0);
    EXPECT_EQ(FadeState, FADE_VISIBLE);
    Click(INFO_X, INFO_Y);
    EXPECT_EQ(MenuState.busy, 1);
    EXPECT_EQ(TicksUntil([] { return MenuState.slide == 400; }), 20);
    CloseRecordsPanel();
    EXPECT_EQ(TicksUntil([] { return !MenuState.busy; }), 27);
    EXPECT_EQ(FadeState, FADE_VISIBLE);
    EXPECT_EQ(SceneDone, 0);
}

TEST_F(Menu, DestinationWinsAndALaunchFreesEverythingBeforeSceneDone) {
    int images = ImageCount, sprites = SpriteCount, sounds = SoundCount(), tasks = TaskCount;
    StartVisit(3);
    RestAtIdle();
    EXPECT_EQ(ShownPoints(), 4);
    MouseState.x = INFO_X;
    MouseState.y = INFO_Y;
    Tick();
    EXPECT_EQ(MenuState.hover, HOVER_FIRST_GAME + 2);
    Click(INFO_X, INFO_Y);
    EXPECT_EQ(FadeState, FADE_COVER);
    EXPECT_EQ(TicksUntil([] { return SceneDone != 0; }), 37);  // the cover's 35, then two
    EXPECT_EQ(SelectedGame, 3);
    EXPECT_EQ(ImageCount, images);
    EXPECT_EQ(SpriteCount, sprites);  // the cover's rows then and now
    EXPECT_EQ(SoundCount(), sounds);
    TicksUntil([] { return false; }, 2);
    EXPECT_EQ(TaskCount, tasks);
}

TEST_F(Menu, LaterVisitsRebuildAndAnUnreadableGameShowsTheNeutralPictures) {
    int blocks[3], images[3], tasks[3], sprites[3];
    for (int visit = 0; visit < 3; visit++) {
        if (visit == 2) {  // game 1's file gone; its slot still names an image freed long ago
            char folder[MAX_PATH];
            ModuleDirectory(folder);
            DeleteFileA((std::string(folder) + GAMES[0].file).c_str());
            Image *old = NewImage("map.bmp");
            FreeImage(old);
            MenuState.gameLogo[0] = old;
        }
        StartVisit(2);
        EXPECT_EQ(MenuState.gameLogo[0] == nullptr, visit == 2);
        EXPECT_EQ(GameLogoImage(1) == MenuState.images[MI_LOGO_NONE], visit == 2);
        EXPECT_EQ(GameStatusImage(1) == MenuState.images[MI_STATES_NONE], visit == 2);
        RestAtIdle();
        images[visit] = ImageCount, tasks[visit] = TaskCount, sprites[visit] = SpriteCount;
        Click(56, 76);  // launches game 1; the panel keeps showing its pictures until the end
        EXPECT_EQ(SelectedGame, 1);
        Sprite *board = 0;
        for (Sprite *s = SpriteList->next; s; s = s->next) if (s->y == 80 && s->srcBottom == 100) board = s;
        ASSERT_TRUE(board);
        EXPECT_EQ(board->image, GameStatusImage(1));
        int stale = 0;
        TicksUntil([&] { stale += !EverySpriteShowsALiveImage(); return SceneDone != 0; });
        EXPECT_EQ(stale, 0) << visit;
        TicksUntil([] { return false; }, 2);
        blocks[visit] = LiveBlocks;
    }
    WriteTestGame(GAMES[0]);
    EXPECT_EQ(GameLogoImage(1), nullptr);  // freed with the menu: no slot keeps it
    EXPECT_EQ(images[1], images[0]);
    EXPECT_EQ(images[2], images[0] - 2);
    EXPECT_EQ(tasks[1], tasks[0]);
    EXPECT_EQ(sprites[1], sprites[0]);
    EXPECT_EQ(blocks[1], blocks[0]);
    EXPECT_EQ(blocks[2], blocks[0]);
}
