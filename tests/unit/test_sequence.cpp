// The scene sequence from the boot on, with the real scenes and pictures and the template game beside
// the program: the order of the scenes, what survives each scene change, the quick start, the click
// counting during play and the one-tick pause after a game.
#include <windows.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "task/task.h"
#include "task/scene.h"
#include "fade/fade.h"
#include "catalogue/catalogue.h"
#include "scenes/menu.h"
#include "shell/shell.h"

namespace {
enum { LOGO_WAIT = 2, TITLE_WAIT = 4, MENU = 5, MENU_WAIT = 6, PLAY = 8, PAUSE = 9 };
enum { KEPT_TASKS = 3, KEPT_IMAGES = 2 };  // sequence, fade, cursor; "fade.bmp", "cursor.bmp"

struct Boot {
    Task *sequence = 0;
    explicit Boot(int quick) {
        LockSaveData();
        EnsureDisplay();
        // Other test programs of the prefix make new identities: a record of the template game
        // written under another one is announced and reset at the scan, and must not wait for a person.
        BoxWatcher foreignRecords;
        QuickStart = quick;
        InitTaskList();
        SetRootSteps(BootSteps);
        RunTasks();
        for (Task *t = TaskHead.next; t != &TaskTail; t = t->next)
            if (t->priority == 257 && t->keep) sequence = t;
    }
    ~Boot() {
        FreeAllTasks();
        FreeSceneSprites();
        FreeSceneImages();
        FreeSceneSounds();
        UnlockSaveData();
    }
    int Step() const { return sequence->step; }
};

// Only the kept things are left: what a scene clear must leave.
void ExpectOnlyKept(int step) {
    int unkept = 0;
    for (Sprite *s = SpriteList->next; s; s = s->next) unkept += !s->keep;
    EXPECT_EQ(TaskCount, KEPT_TASKS) << "after step " << step;
    EXPECT_EQ(ImageCount, KEPT_IMAGES) << "after step " << step;
    EXPECT_EQ(unkept, 0) << "after step " << step;
}

void Click(int x, int y, int right = 0) {
    MouseState.x = x, MouseState.y = y;
    MouseState.click[0] = 1;
    MouseState.click[1] = (uint8_t)right;
}
}  // namespace

TEST(Sequence, LogoTitleMenuGamePauseMenuWithOnlyKeptThingsBetweenScenes) {
    Boot boot(0);
    ASSERT_NE(boot.sequence, nullptr);
    ASSERT_EQ(GameCatalogue.GameCount, 1);
    GameEntry *game = &GameCatalogue.entries[0];
    game->clickCount = 0;
    uint32_t plays = game->playCount;
    EXPECT_EQ(boot.Step(), 1) << "the sequence's first step runs in the boot tick";
    EXPECT_EQ(FadeState, FADE_COVERED);
    BoxWatcher names;  // answers the name dialog of a new high score
    std::vector<int> steps = {boot.Step()};
    std::map<int, int> ticksAt;
    int playTicks = 0;
    for (int tick = 0; tick < 20000 && steps.size() < 12; tick++) {
        int step = boot.Step();
        MouseState.click[0] = MouseState.click[1] = 0;
        if (step == LOGO_WAIT && tick % 40 == 0) Click(320, 180);
        if (step == TITLE_WAIT && tick % 10 == 0) Click(320, 180);
        if (step == MENU_WAIT && !MenuState.busy) Click(game->mapX + 16, game->mapY + 16);
        if (step == PLAY && ++playTicks == 100) Click(320, 180, 1);  // left and right in one tick
        if (step == PLAY && playTicks == 200) {
            EXPECT_EQ(game->clickCount, 2u);
            game->clickCount = COUNT_CAP - 1;
            Click(320, 180, 1);
        }
        RunTasks();
        ClearClicks();
        ticksAt[boot.Step()]++;
        if (boot.Step() == step) continue;
        steps.push_back(boot.Step());
        if (step == LOGO_WAIT || step == TITLE_WAIT || step == MENU_WAIT) ExpectOnlyKept(step);
        if (step == LOGO_WAIT || step == TITLE_WAIT) {
            EXPECT_EQ(FadeState, FADE_COVERED);
        }
    }
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 5, 6}));
    EXPECT_EQ(ticksAt[PAUSE], 1);
    EXPECT_EQ(game->playCount, plays + 1);
    EXPECT_EQ(game->clickCount, (uint32_t)COUNT_CAP);
    EXPECT_EQ(names.boxes.size(), 1u);
    EXPECT_GT(game->rankScores[0], 0u);
}

TEST(Sequence, QuickStartGoesStraightToTheMenuUncoveredAndAMenuWithoutClicksNeverEnds) {
    Boot boot(1);
    // The boot leaves its tasks in the order they run every tick: head, fade, cursor, sequence, tail
    // (the fade's and the cursor's work areas begin with their images).
    std::vector<std::string> order;
    for (Task *t = TaskHead.next; t != &TaskTail; t = t->next)
        order.push_back(t == boot.sequence ? "sequence" : (*(Image **)t->work)->name);
    EXPECT_EQ(order, (std::vector<std::string>{"fade.bmp", "cursor.bmp", "sequence"}));
    while (boot.Step() < MENU) RunTasks();
    EXPECT_EQ(FadeState, FADE_VISIBLE);
    RunTasks();
    EXPECT_EQ(boot.Step(), MENU_WAIT);
    EXPECT_EQ(FadeState, FADE_UNCOVER);  // asked by the menu itself: nothing covered it first
    for (int tick = 0; tick < 1000; tick++) RunTasks();
    EXPECT_EQ(boot.Step(), MENU_WAIT);
    EXPECT_EQ(SceneDone, 0);
}

// A game whose file went away while the map was shown is no fatal fault: the click says so, the menu
// comes back, and the rescan at its entry has taken the game off the map.
TEST(Sequence, AClickOnAGameWhoseFileWentAwaySaysSoAndTheMenuComesBackWithoutIt) {
    wchar_t games[PATH_CHARS];
    ASSERT_TRUE(GamesFolder(games, 1));
    const std::wstring gone = std::wstring(games) + L"SQGONE.VYG";
    const std::string pack = BuildPack({{"game.ini", "[Robina]\r\nFILENAME=SQGONE.VYG\r\nGAMEID=sqgone\r\n"
                                                     "MAP_POSX=40\r\nMAP_POSY=40\r\n"}});
    FILE *file = _wfopen(gone.c_str(), L"wb");
    ASSERT_TRUE(file);
    fwrite(pack.data(), 1, pack.size(), file);
    fclose(file);
    Boot boot(1);
    ASSERT_EQ(GameCatalogue.GameCount, 2);
    ASSERT_STREQ(GameCatalogue.entries[1].fileName, "SQGONE.VYG");
    while (boot.Step() != MENU_WAIT) RunTasks();
    DeleteFileW(gone.c_str());
    ErrorBoxHook = [](const char *message) { ADD_FAILURE() << "fatal: " << Readable(message); };
    BoxWatcher notice;
    SelectedGame = 2;
    SceneDone = 1;
    std::vector<int> steps = {boot.Step()};
    for (int tick = 0; tick < 100 && steps.size() < 4; tick++) {
        RunTasks();
        if (boot.Step() != steps.back()) steps.push_back(boot.Step());
    }
    ErrorBoxHook = 0;
    EXPECT_EQ(steps, (std::vector<int>{MENU_WAIT, MENU + 2, MENU, MENU_WAIT}));
    ASSERT_EQ(notice.boxes.size(), 1u);
    EXPECT_EQ(notice.boxes[0].text, "ゲームファイルが見つかりません。\n移動されたか、消されたようです。");
    EXPECT_EQ(GameCatalogue.GameCount, 1);
    EXPECT_EQ(SelectedGame, 0);
    EXPECT_EQ(CountInLog("launch refused: the file of SQGONE.VYG is gone\n"), 1);
    EXPECT_EQ(CountInLog("SQGONE.VYG left the catalogue: its file is gone\n"), 1);
}
