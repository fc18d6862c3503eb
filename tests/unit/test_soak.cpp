// Soak runs in one process: game after game launched and returned as the menu does it, menu visits with
// thirty installed games, and a child that saves in a loop killed at random moments. Afterwards the
// engine's counts and lists are where they started, the process's GDI and USER objects and private
// bytes are within their bounds, no temporary file is left and every record is whole. The counts here
// are short; `make soak` runs this program with --long for the full figures.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "players.h"
#include "../../games/testgames/observe.h"
#include "catalogue/catalogue.h"
#include "gfx/gfx.h"
#include "launcher/launcher.h"
#include "pack/pack.h"
#include "fade/fade.h"
#include "base/base.h"
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

namespace {
bool Long() { return strstr(GetCommandLineA(), "--long") != 0; }

// Short and long counts, and the bounds of growth after the warm-up (first use of every game, first
// menu build) that the long run must keep.
enum {
    GAME_CYCLES_SHORT = 21, GAME_CYCLES_LONG = 1000,
    MENU_VISITS_SHORT = 6, MENU_VISITS_LONG = 200, MENU_GAMES = 30,
    LONGEST_PLAY_TICKS = 4000,
    KILLS_SHORT = 8, KILLS_LONG = 200, KILL_AFTER_LOW_MS = 0, KILL_AFTER_HIGH_MS = 600,
    GDI_GROWTH_BOUND = 8, USER_GROWTH_BOUND = 2, PRIVATE_GROWTH_BOUND_BYTES = 2 << 20,
};

void Tick(bool draw) {
    RunTasks();
    ClearClicks();
    if (!draw) return;
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
}

// The engine's own counts and the lengths of its lists, which must agree with them.
struct EngineCounts {
    int blocks, images, imageList, sprites, spriteList, sounds, tasks;
    bool operator==(const EngineCounts &o) const { return memcmp(this, &o, sizeof o) == 0; }
};
void PrintTo(const EngineCounts &c, std::ostream *out) {
    *out << "blocks " << c.blocks << ", images " << c.images << "/" << c.imageList << ", sprites " << c.sprites
         << "/" << c.spriteList << ", sounds " << c.sounds << ", tasks " << c.tasks;
}
EngineCounts Counts() {
    EngineCounts c = {LiveBlocks, ImageCount, 0, SpriteCount, 0, 0, TaskCount};
    for (Image *i = ImageList->next; i; i = i->next) c.imageList++;
    for (Sprite *s = SpriteList->next; s; s = s->next) c.spriteList++;
    for (Sound *s = SoundList ? SoundList->next : 0; s; s = s->next) c.sounds++;
    return c;
}

// The figures after the warm-up, half-way through the rest and at the end.
struct Figures {
    ProcessFigures warm, half, end;
    void Read(int at, int warmAt, int last) {
        if (at == warmAt) warm = ReadProcessFigures();
        if (at == (warmAt + last) / 2) half = ReadProcessFigures();
        if (at == last) end = ReadProcessFigures();
    }
};

// Checks growth after the warm-up and prints the figures for the report. Private bytes count Wine's
// own memory too, which a loaded machine has seen take one step of 10.5 MB, once, between two looks:
// a leak grows in both halves of the run, so the smaller half's growth is bounded.
void ExpectWithinBounds(const char *run, int count, const Figures &f) {
    printf("%s x%d: GDI %ld -> %ld, USER %ld -> %ld, private bytes %lld -> %lld -> %lld\n", run, count, f.warm.gdi,
           f.end.gdi, f.warm.user, f.end.user, f.warm.privateBytes, f.half.privateBytes, f.end.privateBytes);
    EXPECT_LE(f.end.gdi - f.warm.gdi, GDI_GROWTH_BOUND);
    EXPECT_LE(f.end.user - f.warm.user, USER_GROWTH_BOUND);
    long long first = f.half.privateBytes - f.warm.privateBytes, second = f.end.privateBytes - f.half.privateBytes;
    EXPECT_LE(first < second ? first : second, PRIVATE_GROWTH_BOUND_BYTES / 2);
}

// Ends the game from a task of its own, as a game's step would, so that a cycle need not wait for
// the game's end.
void __cdecl EndGameStep() { GameEndCall(); }
const StepRoutine END_GAME_STEPS[] = {EndGameStep};

class Soak : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        LockSaveData();
        // Every run starts from no records, as the first did: the top tens that earlier runs filled
        // would keep the name dialog, and the objects of its first showing, out of the warm-up.
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Mossleaf");
        EnsureDisplay();
        InitSound();
        InitTaskList();
        BootLikeTheShell();
        Tick(true);
    }
    static void TearDownTestSuite() { UnlockSaveData(); }
};

// The screen as the menu leaves it when it launches a game (covered), and as the menu shows it again
// after the return (uncovered), asked for as the menu asks: a game cut short may have left either.
void Fade(int32_t ask, int32_t reached) {
    if (FadeState != reached) FadeState = ask;
    for (int tick = 0; tick < 100 && FadeState != reached; tick++) Tick(false);
    Tick(false);
}
void Cover() { Fade(FADE_COVER, FADE_COVERED); }
void Uncover() { Fade(FADE_UNCOVER, FADE_VISIBLE); }

// Games that keep blocks of their own free them only on their own way out: they play to their end.
// The others are cut short, since the shell frees whatever else a game leaves.
const char *const PLAYED_TO_THE_END[] = {"MICHI.VYG", "SVCTEST.VYG"};

// One launch and return of game g, ended after endTick ticks of scripted play unless the game
// ended first. Name dialogs of a high score are answered.
void PlayCycle(int g, int cycle, int endTick, int *dialogs) {
    Cover();
    SelectedGame = (uint8_t)g;
    SceneDone = 0;
    SeedRandom((uint32_t)cycle);
    ASSERT_EQ(LaunchGame(), 1) << GameCatalogue.entries[g - 1].fileName;
    const char *file = GameCatalogue.entries[g - 1].fileName;
    Player play = PlayerOf(file);
    PlayerMemory memory;
    for (const char *whole : PLAYED_TO_THE_END)
        if (strcmp(file, whole) == 0) endTick = LONGEST_PLAY_TICKS;
    // The service test ends by itself once it has an outcome to report.
    SetOutcomeProc setOutcome = (SetOutcomeProc)(void (*)(void))GetProcAddress((HMODULE)GameModule, "SetOutcome");
    if (setOutcome) setOutcome(0, "", 0);
    for (int tick = 0; tick < endTick && !SceneDone; tick++) {
        play(memory, tick);
        Tick(tick % 25 == 0);
    }
    if (!SceneDone) CreateTask(END_GAME_STEPS, 1, TASK_ATTR_RUN, 4);
    for (int tick = 0; tick < 3 && !SceneDone; tick++) Tick(false);
    ASSERT_EQ(SceneDone, 1);
    memset(&MouseState, 0, sizeof MouseState);
    BoxWatcher names;
    ReturnToMenu();
    *dialogs += (int)names.boxes.size();
}

TEST_F(Soak, GamesLaunchedAndReturnedLeaveEveryCountWhereItStarted) {
    int games = GameCatalogue.GameCount, cycles = Long() ? GAME_CYCLES_LONG : GAME_CYCLES_SHORT, dialogs = 0;
    ASSERT_EQ(games, 7) << "the five samples, the template and the service test";
    std::vector<uint32_t> plays;
    for (int g = 1; g <= games; g++) plays.push_back(GameCatalogue.entries[g - 1].playCount);
    Uncover();
    EngineCounts start = Counts();
    std::set<std::string> temps = TempLeftovers();
    DWORD began = GetTickCount();
    Figures figures = {};
    for (int cycle = 0; cycle < cycles; cycle++) {
        // The end falls anywhere from the way in under the cover to well into play.
        PlayCycle(cycle % games + 1, cycle, 2 + cycle * 37 % 160, &dialogs);
        if (HasFatalFailure()) return;
        Uncover();
        ASSERT_EQ(Counts(), start) << "after cycle " << cycle;
        figures.Read(cycle, games - 1, cycles - 1);
    }
    printf("games x%d in %lu ms, %d name dialogs\n", cycles, (unsigned long)(GetTickCount() - began), dialogs);
    ExpectWithinBounds("games", cycles, figures);
    EXPECT_EQ(TempLeftovers(), temps) << "a temporary file was left behind";
    EXPECT_EQ(GameModule, nullptr);
    for (int g = 1; g <= games; g++)
        EXPECT_EQ(GameCatalogue.entries[g - 1].playCount, plays[g - 1] + (cycles - g + games) / games) << g;
}

// Drives the menu scene as the scene sequence would: started at step 0, idle afterwards.
void __cdecl DriveMenu() { SceneDone = 0; StartMenuScene(); *CurrentStep += 1; }
const StepRoutine DRIVE_STEPS[] = {DriveMenu, IdleStep};

// Ticks until done() holds; false after a limit no menu visit needs.
template <typename Done> bool TickUntil(Done done) {
    for (int tick = 0; tick < 600; tick++) {
        Tick(tick % 10 == 0);
        if (done()) return true;
    }
    return false;
}

// One visit: the menu is built with every game's pictures, slides in, a destination is hovered,
// and a click on game 1 leaves it; then the sequence's clear.
void VisitMenu(Task *driver, int visit) {
    FadeState = FADE_COVERED;
    driver->step = 0;
    ASSERT_TRUE(TickUntil([] { return FadeState == FADE_VISIBLE && !MenuState.busy; })) << "visit " << visit;
    const GameEntry &hovered = GameCatalogue.entries[visit % MENU_GAMES];
    MouseState.x = hovered.mapX + 16, MouseState.y = hovered.mapY + 16;
    for (int tick = 0; tick < 5; tick++) Tick(true);
    MouseState.x = GameCatalogue.entries[0].mapX + 16, MouseState.y = GameCatalogue.entries[0].mapY + 16;
    MouseState.click[0] = 1;
    ASSERT_TRUE(TickUntil([] { return SceneDone != 0; })) << "visit " << visit;
    EXPECT_EQ(SelectedGame, 1);
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    FreeSceneSounds();
}

TEST_F(Soak, MenuVisitsWithThirtyGamesLeaveEveryCountWhereItStarted) {
    GameCatalogueRecord scanned = GameCatalogue;
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    for (int g = 0; g < MENU_GAMES; g++) {
        GameEntry *entry = &GameCatalogue.entries[g];
        snprintf(entry->fileName, sizeof entry->fileName, "SOAK%02d.VYG", g + 1);
        entry->mapX = 20 + g % 6 * 56, entry->mapY = 30 + g / 6 * 56;
        auto colour = [g](int x, int) { return MakeRgb(40 + g * 7, 90 + x % 50, 120); };
        WriteGameFile(entry->fileName, {{"sys_logo.bmp", Bmp24(256, 164, colour)},
                                        {"sys_states.bmp", Bmp24(256, 100, colour)}});
    }
    GameCatalogue.GameCount = MENU_GAMES;
    CreateTask(DRIVE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, 4);
    KeepLastTask();
    Task *driver = CurrentTask;
    driver->step = 1;
    Cover();  // as every visit leaves the screen
    EngineCounts start = Counts();
    std::set<std::string> temps = TempLeftovers();
    int visits = Long() ? MENU_VISITS_LONG : MENU_VISITS_SHORT;
    DWORD began = GetTickCount();
    Figures figures = {};
    for (int visit = 0; visit < visits && !HasFatalFailure(); visit++) {
        VisitMenu(driver, visit);
        ASSERT_EQ(Counts(), start) << "after visit " << visit;
        figures.Read(visit, 0, visits - 1);
    }
    printf("menu visits x%d in %lu ms\n", visits, (unsigned long)(GetTickCount() - began));
    ExpectWithinBounds("menu visits", visits, figures);
    EXPECT_EQ(TempLeftovers(), temps) << "a temporary file was left behind";
    GameCatalogue = scanned;
}

// The child's progress, shared with the parent through a named mapping that outlives the child: the
// number of the play being saved, and of the last play whose two records were both written.
struct Progress {
    volatile LONG started, saved;
};
Progress *OpenProgress() {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(Progress),
                                        "RobinaSoakProgress");
    return (Progress *)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Progress));
}

GameEntry &KillGame() { return GameCatalogue.entries[0]; }
void UseKillGame() {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    strcpy(KillGame().gameId, "soakkill");
    KillGame().version = 100;
    GameCatalogue.GameCount = 1;
}

// Play n's results, spread over every part of both records so that a record torn between two
// plays cannot pass for either.
void PutPlay(long n) {
    GameCatalogue.ZumiTotal = (int32_t)n;
    snprintf(GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName, "p%ld", n);
    KillGame().playCount = KillGame().clickCount = (uint32_t)n;
    for (int r = 0; r < RANK_COUNT; r++) {
        KillGame().rankScores[r] = (uint32_t)(n + RANK_COUNT - r);
        snprintf(KillGame().rankNames[r], RANK_NAME_BYTES, "n%ld", n);
        snprintf(KillGame().rankLabels[r], RANK_LABEL_BYTES, "%ldてん", n);
    }
}

// The play the loaded records hold, or -1 when their parts disagree.
long PlayOfMain() {
    char name[20];
    snprintf(name, sizeof name, "p%ld", (long)GameCatalogue.ZumiTotal);
    return strcmp(name, GameCatalogue.PlayerName) == 0 ? GameCatalogue.ZumiTotal : -1;
}
long PlayOfGame() {
    GameCatalogueRecord loaded = GameCatalogue;
    long n = KillGame().playCount;
    PutPlay(n);
    bool whole = memcmp(&KillGame().playCount, &loaded.entries[0].playCount, GAME_SAVED_BYTES) == 0;
    GameCatalogue = loaded;
    return whole ? n : -1;
}

// The last play the records hold whole: where the next run goes on.
long LastPlay(long main, long game) { return main > game ? main : game; }

// Started with "--save-loop", this program plays and saves without end, from where the records
// stand, until it is killed.
struct SaveLoop {
    SaveLoop() {
        if (!strstr(GetCommandLineA(), "--save-loop")) return;
        Progress *progress = OpenProgress();
        UseKillGame();
        LoadRecord(0);
        LoadRecord(1);
        for (long n = LastPlay(PlayOfMain(), PlayOfGame()) + 1;; n++) {
            progress->started = n;
            PutPlay(n);
            SaveRecord(0);
            SaveRecord(1);
            progress->saved = n;
        }
    }
} saveLoop;

// A record may hold the play it held before the child started, or the last play the child saved
// whole, or the play being saved when the kill came; nothing else.
int Judge(long value, long before, long first, long saved, long started, int *old, int *now) {
    long oldValue = saved >= first ? saved : before;
    *old += value == oldValue;
    *now += started >= first && started != saved && value == started;
    return value == oldValue || (started >= first && value == started);
}

TEST_F(Soak, KilledAtAnyMomentEveryRecordIsTheOldOrTheNewPlay) {
    GameCatalogueRecord scanned = GameCatalogue;
    UseKillGame();
    {
        BoxWatcher firstRun;
        LoadRecord(0);
    }
    PutPlay(1);
    SaveRecord(0);
    SaveRecord(1);
    Progress *progress = OpenProgress();
    ASSERT_NE(progress, nullptr);
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    std::string command = std::string("\"") + program + "\" --save-loop", folder = Folder() + "kill";
    CreateDirectoryA(folder.c_str(), NULL);  // the child's log, apart from this program's
    int kills = Long() ? KILLS_LONG : KILLS_SHORT;
    int atStartUp = 0, betweenSaves = 0, insideSave = 0, mixed = 0;
    int mainOld = 0, mainNew = 0, gameOld = 0, gameNew = 0;
    long main = 1, game = 1;
    SeedRandom(2024);
    DWORD began = GetTickCount();
    for (int kill = 0; kill < kills; kill++) {
        long first = LastPlay(main, game) + 1;  // the child's first play
        progress->started = progress->saved = first - 1;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child = {};
        ASSERT_TRUE(CreateProcessA(program, &command[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup,
                                   &child));
        // Every other kill waits for the child's first save to begin, so that kills inside a save
        // come however slowly a busy machine starts the child; the others may come at start-up.
        if (kill % 2)
            while (progress->started < first && WaitForSingleObject(child.hProcess, 1) == WAIT_TIMEOUT) {
            }
        Sleep((DWORD)Random(KILL_AFTER_LOW_MS, KILL_AFTER_HIGH_MS));
        TerminateProcess(child.hProcess, 9);
        WaitForSingleObject(child.hProcess, INFINITE);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        long started = progress->started, saved = progress->saved;
        atStartUp += started < first;
        betweenSaves += started >= first && saved == started;
        insideSave += started >= first && saved != started;
        BoxWatcher damage;
        LoadRecord(0);
        LoadRecord(1);
        for (const BoxRecord &box : damage.boxes) ADD_FAILURE() << "kill " << kill << ": " << box.text;
        long mainNow = PlayOfMain(), gameNow = PlayOfGame();
        int whole = Judge(mainNow, main, first, saved, started, &mainOld, &mainNew) +
                    Judge(gameNow, game, first, saved, started, &gameOld, &gameNew);
        mixed += 2 - whole;
        EXPECT_EQ(whole, 2) << "kill " << kill << ": main " << mainNow << ", game " << gameNow << ", saved "
                            << saved << ", started " << started;
        main = mainNow, game = gameNow;
    }
    printf("kills x%d in %lu ms: %d at start-up, %d between saves, %d inside a save; main record old %d new %d, "
           "game record old %d new %d, neither %d\n", kills, (unsigned long)(GetTickCount() - began), atStartUp,
           betweenSaves, insideSave, mainOld, mainNew, gameOld, gameNew, mixed);
    EXPECT_GT(insideSave, 0) << "no kill came inside a save";
    GameCatalogue = scanned;
}
}  // namespace
