// The menu run tick by tick under a stand-in for the scene sequence, with the fade and cursor tasks
// and test games (no game.ini in them, so the catalogue's scan tests never take them).
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "base/base.h"
#include "dialogs/dialogs.h"
#include "fade/fade.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "res/resource.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

// The ranking page, which the records panel opens, is not linked into this program: it opens the
// browser. The map's version dialog runs as every modal dialog does, over the still frame; here it
// is one that ends as it opens.
int versionDialogs;
static INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) EndDialog(dialog, IDOK);
    return FALSE;
}
void ShowVersionDialog(void) { versionDialogs++; ModalOverStillFrame(IDD_VERSION, (void *)EndAtOnce); }
void OpenRankingPage(int) {}

namespace {
// Game 3's circle overlaps the information point's (centre 165, 151): at (165, 151) both hold. Game
// 4's overlaps the version button: at (20, 325) both hold.
const struct { const char *file; int32_t x, y; } GAMES[] = {{"MENUT1.VYG", 40, 60}, {"MENUT2.VYG", 250, 250}, {"MENUT3.VYG", 159, 135}, {"MENUT4.VYG", 4, 309}};
void WriteTestGame(int g) {
    auto colour = [g](int, int) { return MakeRgb(60 * g + 40, 99, 99); };
    WriteGameFile(GAMES[g].file, {{"sys_logo.bmp", Bmp24(256, 164, colour)}, {"sys_states.bmp", Bmp24(256, 100, colour)}});
}

void __cdecl DriveStart() { SceneDone = 0; StartMenuScene(); *CurrentStep += 1; }
const StepRoutine DRIVE_STEPS[] = {DriveStart, IdleStep};
Task *driver;

std::vector<int> randomCalls, randomScript;  // (lower, upper) of each draw; answers of the first draws, then lower
int32_t ScriptedRandom(int32_t lower, int32_t upper) {
    randomCalls.insert(randomCalls.end(), {lower, upper});
    size_t n = randomCalls.size() / 2 - 1;
    return n < randomScript.size() ? randomScript[n] : lower;
}

bool pressing;  // the left button is clicked in every tick
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
// The menu's sounds playing now, each then stopped so that the next look sees only new plays; and
// whether the music loops.
std::vector<int> Played(bool *musicLoops = nullptr) {
    std::vector<int> played;
    for (int sound = 0; sound < MS_COUNT; sound++) {
        DWORD status = 0;
        MenuState.sounds[sound]->buffer->GetStatus(&status);
        if (status & DSBSTATUS_PLAYING) played.push_back(sound);
        if (sound == MS_BGM && musicLoops) *musicLoops = status & DSBSTATUS_LOOPING;
        StopSnd(MenuState.sounds[sound]);
    }
    return played;
}
int SoundCount() { int n = 0; for (Sound *s = SoundList->next; s; s = s->next) n++; return n; }
Sprite *FindSprite(const std::function<bool(Sprite *)> &match) {
    for (Sprite *s = SpriteList->next; s; s = s->next) if (match(s)) return s;
    return 0;
}
int ShownPoints() {
    int n = 0;
    for (Sprite *s = SpriteList->next; s; s = s->next) n += s->priority == 20 && s->visible && s->srcRight == 32 && s->srcBottom == 32;
    return n;
}
bool ShowsAFreedImage(Sprite *s) {
    for (Image *i = ImageList->next; i; i = i->next) if (i == s->image) return false;
    return s->image != 0;
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
        for (int g = 0; g < 4; g++) WriteTestGame(g);
        CreateTask(DRIVE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, 4);
        KeepLastTask();
        driver = CurrentTask;
        driver->step = 1;
    }
    void SetUp() override {
        RandomOverride = ScriptedRandom;  // never the map's special picture; scripts set below
        randomCalls.clear();
        pressing = false;
        FadeState = FADE_COVERED;  // as the sequence starts every scene
        Tick();
        Tick();
    }
    void TearDown() override {  // the sequence's clear
        ClearSceneTasks();
        FreeSceneSprites();
        FreeSceneImages();
        FreeSceneSounds();
        RandomOverride = 0;
    }
    void StartVisit(int games) {
        memset(&GameCatalogue, 0, sizeof GameCatalogue);
        for (GameCatalogue.GameCount = 0; GameCatalogue.GameCount < games; GameCatalogue.GameCount++) {
            GameEntry *entry = &GameCatalogue.entries[GameCatalogue.GameCount];
            strcpy(entry->fileName, GAMES[GameCatalogue.GameCount].file);
            entry->mapX = GAMES[GameCatalogue.GameCount].x, entry->mapY = GAMES[GameCatalogue.GameCount].y;
        }
        driver->step = 0;
        Tick();
    }
    int SlideIn() { return TicksUntil([] { return !MenuState.busy; }); }
};
}  // namespace

TEST_F(Menu, SlidesIgnoreClicksTheDestinationWinsAndTheLaunchFreesAllBeforeSceneDone) {
    int images = ImageCount, sprites = SpriteCount, sounds = SoundCount(), tasks = TaskCount;
    StartVisit(3);
    MouseState.x = 56, MouseState.y = 76;  // on game 1, clicking through the intro and the slide in
    pressing = true;
    EXPECT_EQ(TicksUntil([] { return FadeState == FADE_VISIBLE; }), 34);
    EXPECT_EQ(MenuState.slide, 400);
    EXPECT_EQ(SlideIn(), 27);
    EXPECT_EQ(SelectedGame, 0);
    pressing = false;
    Click(155, 151);  // the information point alone
    for (int n = 1; n <= 20; n++) {
        Click(56, 76);
        ASSERT_EQ(MenuState.slide, n < 20 ? n * (n + 1) : 400) << n;
        ASSERT_EQ(MenuState.hover, n < 20 ? HOVER_INFORMATION : HOVER_NOTHING);
    }
    EXPECT_EQ(MenuState.panelClosed, 0);  // the panel is open
    CloseRecordsPanel();
    EXPECT_EQ(SlideIn(), 27);
    Click(165, 151);
    EXPECT_EQ(MenuState.hover, HOVER_FIRST_GAME + 2);
    EXPECT_EQ(FadeState, FADE_COVER);
    EXPECT_EQ(TicksUntil([] { return SceneDone != 0; }), 37);  // the cover's 35, then two
    EXPECT_EQ(SelectedGame, 3);
    EXPECT_EQ(ImageCount, images);
    EXPECT_EQ(SpriteCount, sprites);  // the cover's rows then and now
    EXPECT_EQ(SoundCount(), sounds);
    Tick();
    EXPECT_EQ(TaskCount, tasks);
}

// The click that opens the version dialog is spent on it: the menu's idle step, which runs later in
// the same tick, launches no game whose point lies under the button too.
TEST_F(Menu, AClickOnTheVersionButtonOverAGamesPointOpensTheDialogAndLaunchesNothing) {
    StartVisit(4);
    SlideIn();
    versionDialogs = 0;
    Click(20, 325);
    EXPECT_EQ(versionDialogs, 1);
    EXPECT_EQ(SelectedGame, 4);  // the point was under the mouse
    Tick();
    EXPECT_EQ(MenuState.busy, 0);
    EXPECT_EQ(FadeState, FADE_VISIBLE);
}

TEST_F(Menu, DecorationsRunTheirCoursesAndWithNoGameOnlyThePanelOpens) {
    randomScript = {1, 0, -300, 0, 2, 0, -300, 3};  // two lines left of the screen: hold 0 and hold 3
    for (int line = 2; line < 10; line++) randomScript.insert(randomScript.end(), {3, 314, 600, 0});
    StartVisit(0);
    for (int line = 0; line < 10; line++)
        EXPECT_EQ(std::vector<int>(randomCalls.begin() + 8 * line, randomCalls.begin() + 8 * line + 8),
                  std::vector<int>({1, 3, 0, 628, -600, 600, 0, 100}));
    auto line = [](int h) { return FindSprite([h](Sprite *s) { return s->image == MenuState.images[MI_BGLINE] && s->srcBottom == h; }); };
    auto tile = [](int y) { return FindSprite([y](Sprite *s) { return s->image == MenuState.images[MI_TEXT] && s->y == y; }); };
    Sprite *restless = line(1), *resting = line(2), *top = tile(-1), *bottom = tile(362);
    Sprite *sweep = FindSprite([](Sprite *s) { return s->image == MenuState.images[MI_TEXT_LOGO]; });
    ASSERT_TRUE(restless && resting && top && bottom && sweep);
    const int path[][2] = {{-364, 0}, {-428, 0}, {-492, 0}, {-556, -64}, {-620, -128}, {640, -192}};
    std::vector<int> sweepX, wrapDraws;
    for (int tick = 1; tick <= 300; tick++) {
        if (tick <= 6) { EXPECT_EQ(std::vector<int>({restless->x, resting->x}), std::vector<int>(path[tick - 1], path[tick - 1] + 2)) << tick; }
        if (tick == 121) { EXPECT_EQ(top->y, -121); }
        if (tick == 122) { EXPECT_EQ(top->y - bottom->y, 118); }  // wrapped by 481: 3 px under the tile above
        sweepX.push_back(sweep->x);
        size_t before = randomCalls.size();
        Tick();
        if (tick == 5) wrapDraws.assign(randomCalls.begin() + before, randomCalls.end());
    }
    const int wrap[] = {0, 628, 0, 30, 1, 3};  // angle, hold, height
    EXPECT_NE(std::search(wrapDraws.begin(), wrapDraws.end(), wrap, wrap + 6), wrapDraws.end());
    // Eases in for 26 ticks, the start tick first; rests at 325 for 201 more; leaves; starts again.
    EXPECT_EQ(std::vector<int>(sweepX.begin(), sweepX.begin() + 2), std::vector<int>({-183, -81}));
    EXPECT_EQ(sweepX[24], 324);
    EXPECT_EQ(std::count(sweepX.begin(), sweepX.begin() + 245, 325), 202);
    EXPECT_EQ(sweepX[25], 325);
    EXPECT_EQ(std::vector<int>(sweepX.begin() + 227, sweepX.begin() + 229), std::vector<int>({327, 331}));
    EXPECT_EQ(std::vector<int>(sweepX.begin() + 244, sweepX.begin() + 246), std::vector<int>({667, -183}));

    EXPECT_EQ(ShownPoints(), 1);
    for (int x = 16; x < 368; x += 24)
        for (int y = 28; y < 334; y += 24) if (abs(x - 165) > 24 || abs(y - 151) > 24) Click(x, y);
    EXPECT_EQ(MenuState.busy + FadeState + SelectedGame, 0);
    Click(165, 151);
    EXPECT_EQ(TicksUntil([] { return MenuState.slide == 400; }), 20);
    CloseRecordsPanel();
    EXPECT_EQ(SlideIn(), 27);
}

TEST_F(Menu, LaterVisitsRebuildWithoutGrowthAndAnUnreadableGameShowsTheNeutralPictures) {
    int blocks[3], images[3], tasks[3], sprites[3];
    for (int visit = 0; visit < 3; visit++) {
        if (visit == 2) {  // game 1's file gone, and its slot naming an image freed long ago
            DeleteFileA((Folder() + GAMES[0].file).c_str());
            Image *old = NewImage("map.bmp");
            FreeImage(old);
            MenuState.gameLogo[0] = old;
        }
        StartVisit(2);
        EXPECT_EQ(MenuState.gameLogo[0] == 0 && MenuState.gameStatus[0] == 0, visit == 2);
        EXPECT_EQ(GameLogoImage(1) == MenuState.images[MI_LOGO_NONE], visit == 2);
        EXPECT_EQ(GameStatusImage(1) == MenuState.images[MI_STATES_NONE], visit == 2);
        TicksUntil([] { return FadeState == FADE_VISIBLE; });
        SlideIn();
        images[visit] = ImageCount, tasks[visit] = TaskCount, sprites[visit] = SpriteCount;
        Click(56, 76);  // launches game 1; the panel shows its pictures until the end
        EXPECT_EQ(FindSprite([](Sprite *s) { return s->y == 80 && s->srcBottom == 100; })->image, GameStatusImage(1));
        int stale = 0;
        TicksUntil([&] { stale += FindSprite(ShowsAFreedImage) != 0; return SceneDone != 0; });
        EXPECT_EQ(stale, 0) << visit;
        Tick();
        blocks[visit] = LiveBlocks;
    }
    WriteTestGame(0);
    EXPECT_EQ(GameLogoImage(1), nullptr);  // freed with the menu: no slot keeps it
    EXPECT_EQ(std::vector<int>({images[1], tasks[1], sprites[1], blocks[1], blocks[2]}),
              std::vector<int>({images[0], tasks[0], sprites[0], blocks[0], blocks[0]}));
    EXPECT_EQ(images[2], images[0] - 2);
}

// Thirty game files beside the program: pictures that do not fit their places (missing, cut short,
// 0x0, 1x1, past the memory bound, not a picture), files that do not open, and one replaced between
// the build and the click. No error box; each unfit picture shows the neutral one that says why;
// nothing freed is drawn; the launch frees all.
TEST_F(Menu, ThirtyGamesWithUnfitPicturesOrUnreadableFilesLeaveTheMenuUsable) {
    auto solid = [](int, int) { return MakeRgb(120, 90, 60); };
    static const std::string atBound = Bmp24(1024, 1024, solid), pastBound = Bmp24(1025, 1024, solid);
    // neutral: the logo shown instead (0: the game's own); the status board's follows it.
    const struct { const char *what; std::function<std::string(int w, int h)> bytes; int neutral; } pictures[] = {
        {"a little larger", [&](int w, int h) { return Bmp24(w + 8, h + 4, solid); }, 0},
        {"missing", nullptr, MI_LOGO_MISSING},
        {"cut in its pixels", [&](int w, int h) { return Bmp24(w, h, solid).substr(0, 54 + w * h); }, MI_LOGO_REFUSED},
        {"headers only", [&](int w, int h) { return Bmp24(w, h, solid).substr(0, 54); }, MI_LOGO_REFUSED},
        {"0x0", [&](int, int) { return Bmp24(0, 0, solid); }, MI_LOGO_REFUSED},
        {"1x1", [&](int, int) { return Bmp24(1, 1, solid); }, MI_LOGO_REFUSED},
        {"at the memory bound", [](int, int) { return atBound; }, 0},
        {"a column past the bound", [](int, int) { return pastBound; }, MI_LOGO_REFUSED},
        {"not a picture", [](int, int) { return std::string("RIFF\x04\0\0\0WAVE", 12); }, MI_LOGO_REFUSED},
    };
    const int KINDS = sizeof pictures / sizeof pictures[0];
    const int PICTURE_GAMES = 24, UNREADABLE = 27, REPLACED = 28;  // 24, 25 not packs; 26 absent; 27 held
    BoxWatcher boxes;
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    std::string folder = Folder();
    HANDLE held = INVALID_HANDLE_VALUE;
    int logo[MAX_GAMES], states[MAX_GAMES];
    for (int g = 0; g < MAX_GAMES; g++) {
        GameEntry *entry = &GameCatalogue.entries[g];
        snprintf(entry->fileName, sizeof entry->fileName, "MENUX%02d.VYG", g);
        entry->mapX = 20 + g % 6 * 56, entry->mapY = std::vector<int>{20, 76, 190, 246, 296}[g / 6];
        logo[g] = g < PICTURE_GAMES ? g % KINDS : 0, states[g] = g < PICTURE_GAMES ? (g + g / KINDS + 1) % KINDS : 0;
        int help = (g + 5) % KINDS;
        Members members;
        for (auto [name, index, w, h] : {std::tuple("sys_logo.bmp", logo[g], 256, 164), std::tuple("sys_states.bmp", states[g], 256, 100),
                                         std::tuple("help.bmp", help, 640, 360)})
            if (pictures[index].bytes) members.push_back({name, pictures[index].bytes(w, h)});
        std::string path = std::string(folder) + entry->fileName;
        DeleteFileA(path.c_str());
        if (g == 24 || g == 25) WriteGameFile(entry->fileName, std::string(g == 24 ? "" : "RVPX but not a pack"));
        if (g < 24 || g > 26) WriteGameFile(entry->fileName, members);
        if (g == UNREADABLE) held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (g >= PICTURE_GAMES || !SetPack(entry->fileName)) continue;
        int32_t fault = -1;
        Image *page = LoadGamePicture("help.bmp", 640, 360, &fault);  // the help screen's load
        EXPECT_EQ(page != 0, pictures[help].neutral == 0) << pictures[help].what;
        int neutral = pictures[help].neutral;
        EXPECT_EQ(fault, neutral == MI_LOGO_MISSING ? GAME_PICTURE_MISSING : neutral ? GAME_PICTURE_REFUSED : GAME_PICTURE_FIT);
        FreeImage(page);
    }
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SetPack(MENU_PACK);
    GameCatalogue.GameCount = MAX_GAMES;
    int images = ImageCount, blocks = LiveBlocks;
    driver->step = 0;
    Tick();
    for (int g = 0; g < MAX_GAMES; g++) {
        bool opens = g < 24 || g > UNREADABLE;
        int logoNeutral = opens ? pictures[logo[g]].neutral : MI_LOGO_NONE;
        int statesNeutral = opens ? pictures[states[g]].neutral : MI_LOGO_NONE;
        Image *ownLogo = MenuState.gameLogo[g], *ownStates = MenuState.gameStatus[g];
        EXPECT_EQ(GameLogoImage(g + 1), logoNeutral ? MenuState.images[logoNeutral] : ownLogo) << g << " " << pictures[logo[g]].what;
        EXPECT_EQ(GameStatusImage(g + 1), statesNeutral ? MenuState.images[statesNeutral + 1] : ownStates) << g;
        EXPECT_TRUE(ownLogo || logoNeutral) << g;
    }
    CloseHandle(held);
    WriteGameFile(GameCatalogue.entries[REPLACED].fileName, std::string("replaced"));
    TicksUntil([] { return FadeState == FADE_VISIBLE; });
    SlideIn();
    int stale = 0;
    for (int g = 0; g < MAX_GAMES; g++) {
        MouseState.x = GameCatalogue.entries[g].mapX + 16, MouseState.y = GameCatalogue.entries[g].mapY + 16;
        for (int i = 0; i < 3; i++, Tick()) stale += FindSprite(ShowsAFreedImage) != 0;
        EXPECT_EQ(MenuState.hover, HOVER_FIRST_GAME + g);
        EXPECT_EQ(FindSprite([](Sprite *s) { return s->y == 80 && s->srcBottom == 100; })->image, GameStatusImage(g + 1));
    }
    Click(GameCatalogue.entries[REPLACED].mapX + 16, GameCatalogue.entries[REPLACED].mapY + 16);
    TicksUntil([&] { stale += FindSprite(ShowsAFreedImage) != 0; return SceneDone != 0; });
    EXPECT_EQ(SelectedGame, REPLACED + 1);
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(boxes.boxes.size(), 0u);
    Tick();
    EXPECT_EQ(ImageCount, images);
    EXPECT_EQ(LiveBlocks, blocks);
    for (int g = 0; g < MAX_GAMES; g++) DeleteFileA((std::string(folder) + GameCatalogue.entries[g].fileName).c_str());
}

// Every visit: the intro in the build tick, the music looping from 78 ticks later, and the location
// sound, never the button sound, for a click on the information point or on a destination.
TEST_F(Menu, EachVisitPlaysTheIntroThenTheLoopingMusicAndPointsAnswerWithTheLocationSound) {
    const std::vector<int> none, intro = {MS_INTRO}, music = {MS_BGM}, location = {MS_LOC};
    for (int visit = 0; visit < 2; visit++) {
        MouseState.x = MouseState.y = 0;
        StartVisit(3);
        EXPECT_EQ(Played(), intro) << visit;
        bool loops = false;
        EXPECT_EQ(TicksUntil([&] { return Played(&loops) != none; }), 78) << visit;
        EXPECT_TRUE(loops) << visit;
        SlideIn();
        for (POINT point : {POINT{155, 151}, POINT{56, 76}}) {  // the information point, game 1
            MouseState.x = point.x, MouseState.y = point.y;
            Tick();  // the hover's notify
            Played();
            Click(point.x, point.y);
            EXPECT_EQ(Played(), location) << visit << ": " << point.x;
            if (point.x == 155) TicksUntil([] { return MenuState.slide == 400; }), CloseRecordsPanel(), SlideIn();
        }
        EXPECT_GT(TicksUntil([] { return SceneDone != 0; }), 0);
        Tick();
    }
}
