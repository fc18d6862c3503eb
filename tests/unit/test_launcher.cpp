// Launch and return of game libraries, driven tick by tick as the scene sequence drives them, with
// the display, sound, fade and cursor tasks up. The game files are built from games/testgames and lie
// beside this program, which is built into a folder of its own so that no other test program's
// game files are scanned with them.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include "harness.h"
#include "pictures.h"
#include "../../games/testgames/observe.h"
#include "catalogue/catalogue.h"
#include "dialogs/dialogs.h"
#include "res/resource.h"
#include "catalogue/save_format.h"
#include "gfx/gfx.h"
#include "launcher/launcher.h"
#include "pack/pack.h"
#include "shell/shell.h"
#include "fade/fade.h"
#include "base/base.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

namespace {
// Answers the name dialog, once it is open, with the next of the given names (closing it by its
// close box when none is left) and every other box with OK, recording what each showed.
struct NameAnswers {
    std::vector<std::wstring> names;  // typed as Windows takes them
    size_t next = 0;
    std::vector<std::string> congratulations, shownNames, selections, messages;
    int boldWeight = 0;
};
void AnswerNameDialog(NameAnswers *answers, HWND box);
void AnswerBox(NameAnswers *answers, HWND box, const BoxRecord &record) {
    if (GetDlgItem(box, IDC_NAME_EDIT)) {
        Later([answers, box] { AnswerNameDialog(answers, box); });
        return;
    }
    std::string message = record.caption + "|" + record.text;
    std::replace(message.begin(), message.end(), '\n', '|');
    answers->messages.push_back(message);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}
void AnswerNameDialog(NameAnswers *answers, HWND box) {
    char text[256] = "";
    HWND edit = GetDlgItem(box, IDC_NAME_EDIT);
    GetWindowTextSjis(GetDlgItem(box, IDC_NAME_CONGRATULATION), text, sizeof text);
    answers->congratulations.push_back(text);
    GetWindowTextSjis(edit, text, sizeof text);
    answers->shownNames.push_back(text);
    DWORD from = 0, to = 0;
    SendMessageW(edit, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
    answers->selections.push_back(GetFocus() != edit ? "focus elsewhere"
                                  : from == 0 && (int)to == GetWindowTextLengthW(edit) ? "all" : "part");
    LOGFONTA font = {};
    HFONT bold = (HFONT)SendDlgItemMessageA(box, IDC_NAME_CONGRATULATION, WM_GETFONT, 0, 0);
    if (bold && GetObjectA(bold, sizeof font, &font)) answers->boldWeight = font.lfWeight;
    if (answers->next < answers->names.size()) {
        SetWindowTextW(edit, answers->names[answers->next++].c_str());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else {
        PostMessageA(box, WM_CLOSE, 0, 0);
    }
}

struct AnswerNames {
    NameAnswers seen;
    BoxWatcher watcher;
    explicit AnswerNames(std::vector<std::wstring> names)
        : watcher([this](void *box, const BoxRecord &record) { AnswerBox(&seen, (HWND)box, record); }) {
        seen.names = names;
    }
};

int GameNumber(const char *fileName) {
    for (int g = 1; g <= GameCatalogue.GameCount; g++)
        if (strcmp(GameCatalogue.entries[g - 1].fileName, fileName) == 0) return g;
    return 0;
}

void Tick() {
    RunTasks();
    ClearClicks();
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
}

// What the game's End saw of the shell, recorded by the probe the test hands the game.
struct AtEnd {
    int called = 0, tasks = 0, images = 0, sprites = 0, sounds = 0;
} atEnd;
void __cdecl ProbeAtEnd() {
    atEnd.called++;
    atEnd.tasks = TaskCount;
    atEnd.images = ImageCount;
    atEnd.sprites = SpriteCount;
    atEnd.sounds = 0;
    for (Sound *s = SoundList ? SoundList->next : 0; s; s = s->next) atEnd.sounds++;
}

template <typename T> T Export(const char *name) {
    return (T)(void (*)(void))GetProcAddress((HMODULE)GameModule, name);
}

class Launcher : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureMainWindow();
        ASSERT_EQ(InitDisplay(), 1);
        InitSound();
        InitSpriteList();
        InitTaskList();
        BootLikeTheShell();
        Tick();
    }
    void SetUp() override {
        tasks = TaskCount;
        images = ImageCount;
        sprites = SpriteCount;
        blocks = LiveBlocks;
        temps = TempLeftovers();
        atEnd = AtEnd();
    }
    // Launches a game the way the menu does; 1 when it runs.
    int Launch(const char *fileName) {
        SelectedGame = (uint8_t)GameNumber(fileName);
        EXPECT_NE(SelectedGame, 0) << fileName << " was not found by the scan";
        SceneDone = 0;
        return LaunchGame();
    }
    // Ticks until the game ends; then the scene sequence's pause and the return to the menu.
    void PlayToTheEnd(int maxTicks = 400) {
        for (int i = 0; i < maxTicks && !SceneDone; i++) Tick();
        ASSERT_EQ(SceneDone, 1) << "the game did not end";
        EXPECT_EQ(TaskCount, tasks) << "the game's tasks outlived GameEndCall";
        Tick();
        Tick();
        ReturnToMenu();
    }
    void ExpectNothingLeft() {
        EXPECT_EQ(TempGamePath[0], 0);
        EXPECT_EQ(GameModule, nullptr);
        EXPECT_EQ(TempLeftovers(), temps) << "a temporary library was left behind";
        EXPECT_EQ(TaskCount, tasks);
        EXPECT_EQ(LiveBlocks, blocks);
        Tick();  // a task left with its steps in an unloaded library would crash here
    }
    int tasks = 0, images = 0, sprites = 0, blocks = 0;
    std::set<std::string> temps;
};

TEST_F(Launcher, ServiceTableHoldsTheEngineInItsFixedOrder) {
    const void *const expected[27] = {
        &MainInstance, &MainWindow, &SystemCursorShown, &FramesPerSecond, &FadeState, &MouseState,
        &CurrentWork, &CurrentStep, &GameResult, (void *)GameEndCall, (void *)NewImage,
        (void *)FreeImage, (void *)FillImage, (void *)DrawString, (void *)SetClearColour,
        (void *)NewSprite, (void *)SetSpritePriority, (void *)FreeSprite, (void *)SndCreate,
        (void *)RemoveSnd, (void *)PlaySnd, (void *)StopSnd, (void *)CreateTask,
        (void *)KillCurrentTask, (void *)Random, (void *)Alloc, (void *)Free};
    const void *const *table = (const void *const *)&ServiceTable;
    for (int i = 0; i < 27; i++) EXPECT_EQ(table[i], expected[i]) << "entry " << i;
}

TEST_F(Launcher, GameRunsOnEveryServiceAndReturnsCleanly) {
    int g = GameNumber("SVCTEST.VYG");
    ASSERT_NE(g, 0);
    GameEntry *entry = &GameCatalogue.entries[g - 1];
    uint32_t plays = entry->playCount;
    GameCatalogue.ZumiTotal = 40;
    memset(entry->rankScores, 0, sizeof entry->rankScores);

    ASSERT_EQ(Launch("SVCTEST.VYG"), 1);
    EXPECT_EQ(entry->playCount, plays + 1);
    EXPECT_EQ(GameResult.zumi, 40);
    EXPECT_NE(GetFileAttributesW(TempGamePath), INVALID_FILE_ATTRIBUTES) << "library file missing";
    EXPECT_EQ(TaskCount, tasks + 3);
    const Observations *seen = Export<ObservationsProc>("GetObservations")();
    Export<SetOutcomeProc>("SetOutcome")(1500, "1500てん", 7);
    Export<SetEndProbeProc>("SetEndProbe")(ProbeAtEnd);
    std::string library = ShownPath(TempGamePath);

    for (int i = 0; i < 400 && !SceneDone; i++) Tick();
    ASSERT_EQ(SceneDone, 1);
    EXPECT_EQ(seen->dataPointersSet, 1);
    EXPECT_EQ(seen->workMatches, 1);
    EXPECT_EQ(seen->killResult, 1);
    EXPECT_GT(seen->lingerTicks, 40);
    EXPECT_EQ(seen->imageWidth, 32);
    EXPECT_EQ(seen->imageHeight, 16);
    EXPECT_EQ(seen->imageCountAfterFree, images + 1);
    EXPECT_EQ(seen->fillResult, 0);
    EXPECT_EQ(seen->drawResult, 0);
    EXPECT_EQ((uint32_t)seen->clearPixel, MakeColour(10, 20, 30));
    EXPECT_EQ(seen->priorityResult, 1);
    EXPECT_EQ(seen->priorityNull, 0);
    EXPECT_EQ(seen->freeSpriteResult, 1);
    EXPECT_EQ(seen->freeSpriteNull, 0);
    EXPECT_EQ(seen->soundLoaded, SoundEnabled);
    EXPECT_EQ(seen->stopNull, SoundEnabled ? 0 : 1);
    EXPECT_EQ(seen->coverTicks, 35);  // one to notice, one to build, 32 of wipe, one to report
    EXPECT_EQ(seen->uncoverTicks, 34);
    EXPECT_EQ(seen->randomInRange, 1);
    EXPECT_EQ(seen->randomEmpty, 0);
    EXPECT_EQ(seen->allocZeroed, 1);
    EXPECT_EQ(TaskCount, tasks);
    EXPECT_EQ(SpriteCount, sprites + 1) << "the game's sprite stays drawn until the return";

    char valueName[32];
    snprintf(valueName, sizeof valueName, "%s%d", entry->gameId, entry->version / 10 * 10);
    {
        AnswerNames names({L"ロビナ"});
        PlayToTheEnd();
        EXPECT_EQ(names.seen.congratulations, std::vector<std::string>{"1500てんで1位にランクイン！"});
    }
    EXPECT_EQ(atEnd.called, 1);
    EXPECT_EQ(atEnd.tasks, tasks);
    EXPECT_EQ(atEnd.images, images);
    EXPECT_EQ(atEnd.sprites, sprites);
    EXPECT_EQ(atEnd.sounds, 0);
    EXPECT_EQ(GetFileAttributesA(library.c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectNothingLeft();
    EXPECT_EQ(ImageCount, images);
    EXPECT_STREQ(CurrentPackName(), MENU_PACK);
    EXPECT_EQ(ClearColour, MakeColour(16, 16, 16));
    EXPECT_EQ(GameCatalogue.ZumiTotal, 47);
    EXPECT_EQ(entry->rankScores[0], 1500u);
    EXPECT_STREQ(entry->rankNames[0], "ロビナ");
    EXPECT_STREQ(entry->rankLabels[0], "1500てん");

    // The saved record holds what the return put in the table.
    char text[RECORD_TEXT_BYTES(GAME_RECORD_BYTES)];
    ASSERT_EQ(ReadConfig(valueName, text, sizeof text), 1);
    unsigned char plain[GAME_RECORD_BYTES];
    ASSERT_EQ(DecodeRecord(text, GAME_RECORD_BYTES, plain), 1);
    uint32_t savedTop, savedPlays;
    memcpy(&savedPlays, plain + 28, 4);
    memcpy(&savedTop, plain + 208, 4);
    EXPECT_EQ(savedPlays, plays + 1);
    EXPECT_EQ(savedTop, 1500u);
}

TEST_F(Launcher, TwoLaunchesUseTwoTemporaryFilesBothDeleted) {
    int g = GameNumber("TWICE.VYG");
    ASSERT_NE(g, 0);
    uint32_t plays = GameCatalogue.entries[g - 1].playCount;
    int endCalls = CountInLog("GameEndCall\n");
    std::string first;
    for (int round = 0; round < 2; round++) {
        ASSERT_EQ(Launch("TWICE.VYG"), 1);
        EXPECT_NE(ShownPath(TempGamePath), first);
        first = ShownPath(TempGamePath);
        PlayToTheEnd();
        EXPECT_EQ(GetFileAttributesA(first.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // The game calls GameEndCall twice in its step and once more in End: one call counts per game.
    EXPECT_EQ(CountInLog("GameEndCall\n"), endCalls + 2);
    EXPECT_EQ(GameCatalogue.entries[g - 1].playCount, plays + 2);
    ExpectNothingLeft();
}

// The return logs one line of what the game left for the shell, then frees it all but the
// blocks, which only the game could give back.
TEST_F(Launcher, ReturnLogsWhatTheGameLeftBehind) {
    const struct { const char *file; int blocks, images, sprites, sounds, tasks; } cases[] = {
        {"LEAK.VYG", 2, 1, 3, 1, 1},
        {"TWICE.VYG", 0, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        char line[160];
        snprintf(line, sizeof line, "game leftovers %s: blocks %d, images %d, sprites %d, sounds %d, tasks %d\n",
                 c.file, c.blocks, c.images, c.sprites, SoundEnabled ? c.sounds : 0, c.tasks);
        int before = CountInLog(line);
        ASSERT_EQ(Launch(c.file), 1);
        PlayToTheEnd();
        EXPECT_EQ(CountInLog(line), before + 1) << "expected " << line;
        blocks += c.blocks;
        ExpectNothingLeft();
        EXPECT_EQ(ImageCount, images);
        EXPECT_EQ(SpriteCount, sprites);
    }
}

TEST_F(Launcher, EveryBrokenGameIsRefusedWithItsMessageAndLeavesNothing) {
    const struct { const char *file, *message, *scannedId; } cases[] = {
        {"NODLL.VYG", "ゲームファイルが壊れています。"},
        {"NOTLIB.VYG", "ゲームファイルが壊れています。"},
        {"NOSTART.VYG", "スタートエントリポイント取得失敗"},
        {"NOEND.VYG", "エンドエントリポイント取得失敗"},
        {"REFUSE.VYG", "チャイルドブロック"},
        {"REFUSET.VYG", "チャイルドブロック"},
        {"TWICE.VYG", "ゲームファイルが壊れています。", "other"},  // replaced by another game since the scan
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        char *id = GameCatalogue.entries[GameNumber(c.file) - 1].gameId, scanned[sizeof GameEntry{}.gameId];
        strcpy(scanned, id);
        if (c.scannedId) strcpy(id, c.scannedId);
        {
            BoxWatcher boxes;
            EXPECT_EQ(Launch(c.file), 0);
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].caption, "エラー");
            EXPECT_EQ(boxes.boxes[0].text, c.message);
        }
        PumpMessages();  // takes the quit message the error box posted
        strcpy(id, scanned);
        EXPECT_STREQ(CurrentPackName(), c.file) << "the game file stays the current pack";
        ExpectNothingLeft();
    }
    SetPack(MENU_PACK);
}

TEST_F(Launcher, GameFileGoneSinceTheScanIsReported) {
    GameEntry *entry = &GameCatalogue.entries[GameNumber("NEVER.VYG") - 1];
    char fileName[sizeof entry->fileName];
    strcpy(fileName, entry->fileName);
    strcpy(entry->fileName, "GONE.VYG");
    {
        BoxWatcher boxes;
        EXPECT_EQ(Launch("GONE.VYG"), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "ゲームファイルがありません");
    }
    strcpy(entry->fileName, fileName);
    PumpMessages();
    ExpectNothingLeft();
}

// The same clean-up as at program exit, after the shutdown freed every task.
TEST_F(Launcher, GameStillRunningAtExitIsUnloadedAndDeleted) {
    ASSERT_EQ(Launch("NEVER.VYG"), 1);
    for (int i = 0; i < 20; i++) Tick();
    EXPECT_EQ(SceneDone, 0);
    std::string library = ShownPath(TempGamePath);
    EXPECT_NE(GetFileAttributesA(library.c_str()), INVALID_FILE_ATTRIBUTES);
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    FreeSceneSounds();
    UnloadGameAtExit();
    EXPECT_EQ(GetFileAttributesA(library.c_str()), INVALID_FILE_ATTRIBUTES);
    SetPack(MENU_PACK);
    ExpectNothingLeft();
}

// The log tells support people what happened in order; the play count stops at its cap.
TEST_F(Launcher, LaunchAndReturnAreLoggedInOrderAndPlaysStopAtTheCap) {
    GameEntry *entry = &GameCatalogue.entries[GameNumber("TWICE.VYG") - 1];
    entry->playCount = COUNT_CAP - 1;
    for (int round = 0; round < 2; round++) {
        Log("-- round %d\n", round);
        ASSERT_EQ(Launch("TWICE.VYG"), 1);
        PlayToTheEnd();
        EXPECT_EQ(entry->playCount, (uint32_t)COUNT_CAP);
    }
    std::string log = ReadLog();
    log = log.substr(log.rfind("-- round 1\n"));
    size_t at = 0;
    for (const std::string &line : {"launch vyg file(" + std::to_string(GameNumber("TWICE.VYG") - 1) + ") : TWICE.VYG\n",
                                   std::string("call child proc.\n"), std::string("start task_sum "),
                                   std::string("GameEndCall\n"), std::string("GameEndCall2\n"),
                                   std::string("end task_sum "), std::string("ReturnMenu\n")}) {
        size_t next = log.find(line, at);
        ASSERT_NE(next, std::string::npos) << line << " after:\n" << log.substr(at);
        at = next + line.size();
    }
    ExpectNothingLeft();
    entry->playCount = 0;  // the saved record is read by the next run's other tests
    SaveRecord(GameNumber("TWICE.VYG"));
}

// Only ever run as the child of the test below: memory runs out while a game is loaded.
TEST_F(Launcher, DISABLED_MemoryRunsOutWhileAGameRuns) {
    ASSERT_EQ(Launch("NEVER.VYG"), 1);
    Tick();
    LastWords = [] {
        ReleaseBeforeFatalExit();
        LogExit();
    };
    BoxWatcher watcher;
    Alloc(-1);
}

TEST_F(Launcher, RunningOutOfMemoryReleasesTheGameLibraryAndEndsTheLog) {
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    std::string folder = Folder() + "alloc_fails\\";
    CreateDirectoryA(folder.c_str(), NULL);
    EXPECT_EQ(RunChildProgram(program, "--gtest_also_run_disabled_tests --gtest_filter=*DISABLED_MemoryRunsOut*",
                              folder.c_str()), 1);
    EXPECT_EQ(TempLeftovers(), temps) << "the game library's file outlived the exit";
    std::ifstream file(folder + "debug.log");
    std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    size_t failed = log.find("Alloc failed: -1 bytes");
    EXPECT_NE(failed, std::string::npos) << log;
    EXPECT_NE(log.find("アプリ終了 メモリ解放忘れ", failed), std::string::npos) << log;
}

// Only ever run as the child of the test below: the game named by "--crash=" faults.
TEST_F(Launcher, DISABLED_GameCrashes) {
    std::string line = GetCommandLineA();
    std::string game = line.substr(line.find("--crash=") + 8);
    game = game.substr(0, game.find_first_of(" \""));
    LastWords = [] {
        ReleaseBeforeFatalExit();
        LogExit();
    };
    CatchGameCrashes();
    // While the crash message is up, the game is already unloaded and its library's file gone.
    BoxWatcher watcher([this](void *box, const BoxRecord &record) {
        std::string text = record.caption + "|" + record.text;
        std::replace(text.begin(), text.end(), '\n', '|');
        std::set<std::string> now = TempLeftovers();
        for (const std::string &name : temps) now.erase(name);
        Log("box %s (library %s, %d new temporary files)\n", text.c_str(), GameModule ? "loaded" : "unloaded",
            (int)now.size());
        PostMessageA((HWND)box, WM_COMMAND, IDOK, 0);
    });
    if (Launch(game.c_str())) PlayToTheEnd();
}

// A fault in Start, in a step or in End: logged with the game and its address, the library's file
// deleted, the crash message, a non-zero exit, and the record saved before the game unchanged.
TEST_F(Launcher, AGameThatCrashesEndsTheProgramWithItsMessageAndLeavesTheRecords) {
    struct Case {
        const char *game;
        const char *exception;
    };
    const Case cases[] = {
        {"CRASHST.VYG", "exception C0000005 at "},   // access violation in Start
        {"CRASHSTP.VYG", "exception C0000094 at "},  // division by zero in a step
        {"CRASHEND.VYG", "exception C0000094 at "},  // division by zero in End
    };
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    LockSaveData();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.game);
        int game = GameNumber(c.game);
        ASSERT_NE(game, 0);
        GameCatalogue.entries[game - 1].playCount = 7;
        SaveRecord(game);
        std::string folder = Folder() + "crash_" + c.game + "\\";
        CreateDirectoryA(folder.c_str(), NULL);
        DeleteFileA((folder + "debug.log").c_str());
        std::string output;
        EXPECT_EQ(RunChildProgram(program, std::string("--gtest_also_run_disabled_tests --gtest_filter=*DISABLED_GameCrashes ")
                                  + "--crash=" + c.game, folder.c_str(), &output), EXIT_GAME_CRASHED) << output;
        EXPECT_EQ(TempLeftovers(), temps) << "the game library's file outlived the crash";
        std::ifstream file(folder + "debug.log");
        std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        size_t crashed = log.find(std::string("game crashed ") + c.game + ": " + c.exception);
        EXPECT_NE(crashed, std::string::npos) << Readable(log);
        EXPECT_NE(log.find("box エラー|ゲームが異常終了しました。|プログラムを終了します。 (library unloaded, 0 new "
                           "temporary files)\n", crashed), std::string::npos) << Readable(log);
        EXPECT_NE(log.find("アプリ終了", crashed), std::string::npos) << Readable(log);
        GameCatalogue.entries[game - 1].playCount = 0;
        LoadRecord(game);
        EXPECT_EQ(GameCatalogue.entries[game - 1].playCount, 7u);
    }
    UnlockSaveData();
}

// The playable game: it enters under the cover the menu leaves, pops what is clicked, and after its
// minute reports the points with their label.
TEST_F(Launcher, BalloonGamePopsWhatIsClickedAndReportsItsScore) {
    FadeState = FADE_COVERED;
    for (int i = 0; i < 3; i++) Tick();
    SetUp();  // the cover's rows are the fade task's, kept across the game
    ASSERT_EQ(Launch("BALLOON.VYG"), 1);
    int clicks = 0;
    for (int i = 0; i < 4000 && !SceneDone; i++) {
        for (Sprite *s = SpriteList->next; s && clicks < 8; s = s->next) {
            int flying = s->visible && s->image && s->image->width == 6 * 48 && s->srcLeft < 5 * 48;
            if (!flying || s->y < 40 || s->y > 280) continue;
            MouseState.x = s->x + 24;
            MouseState.y = s->y + 25;
            MouseState.click[0] = 1;
            clicks++;
            break;
        }
        if (i % 100 == 0) Tick(); else RunTasks(), ClearClicks();
    }
    ASSERT_EQ(SceneDone, 1);
    EXPECT_EQ(clicks, 8);
    EXPECT_GE(GameResult.score, 80u);
    EXPECT_EQ(GameResult.score % 10, 0u);
    EXPECT_EQ(std::string(GameResult.label), std::to_string(GameResult.score) + "てん");
    EXPECT_EQ(FadeState, FADE_COVERED) << "the game leaves under the cover";
    AnswerNames names({L"ポモ"});
    PlayToTheEnd();
    ExpectNothingLeft();
    EXPECT_EQ(ImageCount, images);
    FadeState = FADE_UNCOVER;
    for (int i = 0; i < 40; i++) Tick();
}

class HighScore : public Launcher {
protected:
    void SetUp() override {
        Launcher::SetUp();
        game = GameNumber("SVCTEST.VYG");
        ASSERT_NE(game, 0);
        entry = &GameCatalogue.entries[game - 1];
        memset(entry->rankScores, 0, sizeof entry->rankScores);
        memset(entry->rankNames, 0, sizeof entry->rankNames);
        memset(entry->rankLabels, 0, sizeof entry->rankLabels);
        strcpy(GameCatalogue.PlayerName, "あなた");
        memset(&GameResult, 0, sizeof GameResult);
    }
    void Result(uint32_t score, const char *label, int32_t zumi = 0) {
        GameResult.score = score;
        strcpy(GameResult.label, label);
        GameResult.zumi = zumi;
    }
    int game = 0;
    GameEntry *entry = 0;
};

TEST_F(HighScore, EmptyTableTakesAnyScoreAtRankOne) {
    Result(1, "1てん", 12);
    AnswerNames names({L"ポモ"});
    TakeGameResult(game);
    EXPECT_EQ(names.seen.congratulations, std::vector<std::string>{"1てんで1位にランクイン！"});
    EXPECT_EQ(names.seen.shownNames, std::vector<std::string>{"あなた"});
    EXPECT_EQ(names.seen.selections, std::vector<std::string>{"all"}) << "the focus in the edit box, its name selected";
    EXPECT_EQ(names.seen.boldWeight, 700);
    EXPECT_EQ(entry->rankScores[0], 1u);
    EXPECT_STREQ(entry->rankNames[0], "ポモ");
    EXPECT_STREQ(GameCatalogue.PlayerName, "ポモ");
    EXPECT_EQ(GameCatalogue.ZumiTotal, 12);
}

TEST_F(HighScore, TheNameIsAskedOverAStillFrameWithoutTheDrawnCursor) {
    // The last frame before the dialog shows the drawn cursor at (200, 100).
    CursorSprite->visible = 1;
    CursorSprite->x = 200;
    CursorSprite->y = 100;
    ClearBackBuffer();
    DrawSprites();
    Frame before = ReadBackBuffer();
    Rgb floor = before.at(5, 5);
    int covered = 0;
    for (int y = 100; y < 110; y++)
        for (int x = 200; x < 210; x++) covered += !before.shows(x, y, floor);
    ASSERT_GT(covered, 0);

    Result(300, "300てん");
    AnswerNames names({L"ポモ"});
    TakeGameResult(game);
    Frame still = ReadBackBuffer();  // nothing drew since the dialog's frame
    for (int y = 100; y < 110; y++)
        for (int x = 200; x < 210; x++) ASSERT_TRUE(still.shows(x, y, floor)) << x << "," << y;
}

TEST_F(HighScore, EqualScoreGoesAboveAndRankTenDropsOut) {
    for (int i = 0; i < 10; i++) {
        entry->rankScores[i] = 500;
        snprintf(entry->rankLabels[i], 20, "old%d", i);
    }
    Result(499, "499てん", 3);
    {
        AnswerNames names({L"x"});
        TakeGameResult(game);
        EXPECT_TRUE(names.seen.congratulations.empty()) << "499 does not reach the table";
    }
    EXPECT_EQ(GameCatalogue.ZumiTotal, 3);
    EXPECT_STREQ(entry->rankLabels[9], "old9");
    Result(500, "500てん", 4);
    AnswerNames names({L"ロビナ"});
    TakeGameResult(game);
    EXPECT_EQ(names.seen.congratulations, std::vector<std::string>{"500てんで1位にランクイン！"});
    EXPECT_STREQ(entry->rankLabels[0], "500てん");
    for (int i = 1; i < 10; i++) EXPECT_EQ(std::string(entry->rankLabels[i]), "old" + std::to_string(i - 1));
    for (int i = 0; i < 10; i++) EXPECT_EQ(entry->rankScores[i], 500u);
}

TEST_F(HighScore, ScoreZeroTakesTheTotalOnly) {
    Result(0, "", -5);
    AnswerNames names({L"x"});
    TakeGameResult(game);
    EXPECT_TRUE(names.seen.congratulations.empty());
    EXPECT_EQ(GameCatalogue.ZumiTotal, -5);
    EXPECT_EQ(entry->rankScores[0], 0u);
}

// Twelve Shift-JIS bytes are taken, thirteen refused; so is a character Shift-JIS has not, never stored
// as something else.
TEST_F(HighScore, NameOfTwelveBytesIsTakenThirteenRefused) {
    Result(300, "300てん");
    {
        AnswerNames names({L"ロビナとポモ", L"abcdefghijkl"});  // 6 double-byte, then 12 single-byte
        TakeGameResult(game);
        TakeGameResult(game);
        EXPECT_TRUE(names.seen.messages.empty());
    }
    EXPECT_STREQ(entry->rankNames[0], "abcdefghijkl");
    EXPECT_STREQ(entry->rankNames[1], "ロビナとポモ");
    AnswerNames names({L"ロビナとポモだ", L"Zoë", L"小明"});
    TakeGameResult(game);
    EXPECT_EQ(names.seen.messages, std::vector<std::string>({"エラー|おなまえは全角６文字までです。",
                                                             "エラー|おなまえに使えない文字が入っています。"}));
    EXPECT_EQ(names.seen.congratulations.size(), 3u) << "the dialog stays open after each refusal";
    EXPECT_STREQ(entry->rankNames[0], "小明");
    EXPECT_STREQ(GameCatalogue.PlayerName, "小明");
}

TEST_F(HighScore, CloseBoxKeepsTheNameAndStillRanks) {
    strcpy(GameCatalogue.PlayerName, "ポモ");
    Result(80, "80てん");
    AnswerNames names({});
    TakeGameResult(game);
    EXPECT_EQ(names.seen.congratulations.size(), 1u);
    EXPECT_STREQ(GameCatalogue.PlayerName, "ポモ");
    EXPECT_EQ(entry->rankScores[0], 80u);
    EXPECT_STREQ(entry->rankNames[0], "ポモ");
}

TEST_F(HighScore, TextsTooLongForTheTableAreCutWithATerminator) {
    memset(GameCatalogue.PlayerName, 'n', 19);  // a name from a stored record: 19 bytes
    GameCatalogue.PlayerName[19] = 0;
    Result(10, "");
    memset(GameResult.label, 'l', sizeof GameResult.label);  // no terminator in 20 bytes
    AnswerNames names({});
    TakeGameResult(game);
    EXPECT_EQ(std::string(entry->rankNames[0]), std::string(16, 'n'));
    EXPECT_EQ(std::string(entry->rankLabels[0]), std::string(19, 'l'));
    EXPECT_EQ(names.seen.congratulations[0], std::string(19, 'l') + "で1位にランクイン！");
}
// A lead byte before the terminator ends the text there: nothing after the zero is stored or shown.
TEST_F(HighScore, ALeadByteBeforeTheTerminatorEndsLabelAndName) {
    Result(300, "");
    memcpy(GameResult.label, "ab\x82\0stale-bytes-here", sizeof GameResult.label);
    memcpy(GameCatalogue.PlayerName, "cd\x82\0stale-name-bytes", sizeof GameCatalogue.PlayerName);
    AnswerNames names({});
    TakeGameResult(game);
    EXPECT_EQ(names.seen.congratulations, std::vector<std::string>{"abで1位にランクイン！"});
    EXPECT_EQ(std::string(entry->rankLabels[0], RANK_LABEL_BYTES), "ab" + std::string(RANK_LABEL_BYTES - 2, '\0'));
    EXPECT_EQ(std::string(entry->rankNames[0], RANK_NAME_BYTES), "cd" + std::string(RANK_NAME_BYTES - 2, '\0'));
}

TEST_F(HighScore, EscapeLeavesTheNameDialogOpen) {
    Result(300, "300てん");
    BoxWatcher watcher([](void *box, const BoxRecord &) {
        HWND edit = GetDlgItem((HWND)box, IDC_NAME_EDIT);
        SetWindowTextA(edit, "ポモ");
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA((HWND)box, WM_COMMAND, IDOK, 0);
    });
    TakeGameResult(game);
    EXPECT_EQ(watcher.boxes.size(), 1u);
    EXPECT_STREQ(entry->rankNames[0], "ポモ") << "Escape closed the dialog before OK";
}

// What a killed run left in the temporary folder goes at the next start, but only names the pack
// reader makes, and never the library of a game that is loaded.
TEST_F(Launcher, LeftoverTemporaryFilesAreSweptButALoadedLibraryStays) {
    const struct { const char *name; bool swept; } files[] = {
        {"rvpx9990.tmp", true}, {"RVPX9991.TMP", true}, {"rvpx999.tmp", false},
        {"rvpx99912.tmp", false}, {"rvpxabcd.tmp", false}, {"rvpx9993.tmp.keep", false},
    };
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    SweepTempLeftovers();  // what killed runs of other programs of the prefix may have left
    temps = TempLeftovers();
    for (const auto &f : files) std::ofstream(std::string(folder) + f.name) << "left by a killed run";
    ASSERT_EQ(Launch("NEVER.VYG"), 1);
    std::string library = ShownPath(TempGamePath);
    int logged = CountInLog("swept leftover ");
    EXPECT_EQ(SweepTempLeftovers(), 2);
    EXPECT_EQ(CountInLog("swept leftover "), logged + 2);
    EXPECT_NE(GetFileAttributesA(library.c_str()), INVALID_FILE_ATTRIBUTES) << "the loaded library was swept";
    for (const auto &f : files) {
        std::string path = std::string(folder) + f.name;
        EXPECT_EQ(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES, f.swept) << f.name;
        DeleteFileA(path.c_str());
    }
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    FreeSceneSounds();
    UnloadGameAtExit();
    SetPack(MENU_PACK);
    ExpectNothingLeft();
}
}  // namespace
