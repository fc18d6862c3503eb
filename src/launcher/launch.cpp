// Launch and return of a game library. The library is extracted from its game file to a temporary
// file that lives exactly as long as the library is loaded: TempGamePath is non-empty from a
// successful load to the unload, and every path that unloads also deletes the file. (robina-play
// --dir loads a library from its own folder instead, and leaves it there.)
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "launcher/launcher.h"
#include "base/base.h"
#include "task/task.h"
#include "task/scene.h"
#include "pack/pack.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "catalogue/catalogue.h"
#include "dialogs/dialogs.h"

wchar_t TempGamePath[PATH_CHARS] = L"";
const wchar_t *GameLibraryFile = 0;
void *GameModule = 0;
static GameStartProc GameStart = 0;  // the library's "Start"
static GameEndProc GameEnd = 0;      // the library's "End"
const char *GameRefusal = "";
LeftoversRecord GameLeftovers;

static void UnloadGame(void) {
    FreeLibrary((HMODULE)GameModule);
    GameModule = 0;
    GameStart = 0;
    GameEnd = 0;
    if (!GameLibraryFile) DeleteFileW(TempGamePath);
    TempGamePath[0] = 0;
}

// GetProcAddress hands out every export as one generic type; the game's entry points have their own.
static void (*GameExport(const char *name))(void) {
    return (void (*)(void))GetProcAddress((HMODULE)GameModule, name);
}

static int RefuseGame(const char *message) {
    UnloadGame();
    GameRefusal = message;
    return 0;
}

// Loads "game.dll" of the current pack. The pack reader's own deletion of the extracted file fails
// while the library holds it, so TempGamePath is what deletes it later; if the library did not
// load, that deletion has already removed it.
static int LoadGameLibrary(void) {
    const wchar_t *path = GameLibraryFile ? GameLibraryFile : ExtractMember("game.dll");
    if (!path) return 0;  // a game file without a library
    lstrcpynW(TempGamePath, path, PATH_CHARS);
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    GameModule = LoadLibraryW(TempGamePath);
    SetErrorMode(oldMode);
    if (!GameLibraryFile) DeleteExtracted();
    if (!GameModule) TempGamePath[0] = 0;
    return GameModule != 0;
}

// A file replaced since the scan by another game's would put that game's results into this one's
// records; it is refused before any code of its library runs.
int LoadGame(const char *fileName, const char *gameId) {
    if (!fileName[0] || !SetPack(fileName)) return RefuseGame("ゲームファイルがありません");
    if (gameId && !HasGameId(gameId)) return RefuseGame("ゲームファイルが壊れています。");
    if (!LoadGameLibrary()) return RefuseGame("ゲームファイルが壊れています。");
    GameStart = (GameStartProc)GameExport("Start");
    if (!GameStart) return RefuseGame("スタートエントリポイント取得失敗");
    GameEnd = (GameEndProc)GameExport("End");
    if (!GameEnd) return RefuseGame("エンドエントリポイント取得失敗");
    GameEnded = 0;
    memset(&GameResult, 0, sizeof GameResult);
    return 1;
}

static int32_t CountSounds(int sceneOnly) {
    int32_t n = 0;
    for (Sound *s = SoundList ? SoundList->next : 0; s; s = s->next) n += !sceneOnly || !s->keep;
    return n;
}

// Alloc's blocks that are not records of the image, sprite and sound lists. It is read before
// Start and after GameEndCall, when the game has no task, so whatever the game allocated itself
// shows as its growth.
static int32_t LooseBlocks(void) {
    return LiveBlocks - ImageCount - SpriteCount - CountSounds(0);
}

static int32_t LooseBlocksAtStart = 0;

// The scene was cleared before the launch, so what is not kept is the game's. Tasks were counted
// by GameEndCall, which freed them.
static void CountLeftovers(LeftoversRecord *leftovers) {
    leftovers->blocks = LooseBlocks() - LooseBlocksAtStart;
    leftovers->images = 0;
    for (Image *i = ImageList ? ImageList->next : 0; i; i = i->next) leftovers->images += !i->keep;
    leftovers->sprites = 0;
    for (Sprite *s = SpriteList ? SpriteList->next : 0; s; s = s->next) leftovers->sprites += !s->keep;
    leftovers->sounds = CountSounds(1);
}

int StartGame(ServiceTableRecord *services) {
    memset(&GameLeftovers, 0, sizeof GameLeftovers);
    LooseBlocksAtStart = LooseBlocks();
    Log("call child proc.\n");
    if (!GameStart(services)) {
        // Tasks a refusing Start made would run code of the library about to be unloaded. The
        // scene was cleared before the launch, so every task that is not kept is the game's.
        ClearSceneTasks();
        return RefuseGame("チャイルドブロック");
    }
    Log("start task_sum %d\n", (int)TaskCount);
    return 1;
}

int LeftoversText(const LeftoversRecord *l, char *text, int size) {
    return snprintf(text, size, "blocks %d, images %d, sprites %d, sounds %d, tasks %d", (int)l->blocks,
                    (int)l->images, (int)l->sprites, (int)l->sounds, (int)l->tasks) < size;
}

int LeftoversFound(const LeftoversRecord *l) {
    return l->blocks || l->images || l->sprites || l->sounds || l->tasks;
}

void FinishGame(void) {
    CountLeftovers(&GameLeftovers);
    char text[LEFTOVERS_TEXT_BYTES];
    LeftoversText(&GameLeftovers, text, sizeof text);
    Log("game leftovers %s: %s\n", CurrentPackName(), text);
    FreeSceneSprites();
    FreeSceneImages();
    FreeSceneSounds();
    if (GameEnd) GameEnd();
    if (TempGamePath[0]) UnloadGame();
}

int LaunchGame(void) {
    int n = SelectedGame;
    GameEntry *entry = CatalogueGame(n);
    Log("launch vyg file(%d) : %s\n", n - 1, entry ? entry->fileName : "");
    if (!LoadGame(entry ? entry->fileName : "", entry ? entry->gameId : "")) {
        ErrorBox(GameRefusal);
        return 0;
    }
    if (entry->playCount < COUNT_CAP) entry->playCount += 1;
    GameResult.zumi = GameCatalogue.ZumiTotal;
    if (!StartGame(&ServiceTable)) {
        ErrorBox(GameRefusal);
        return 0;
    }
    return 1;
}

// The result of the game goes into the records; a score that reaches the top ten asks for the
// player's name first.
void TakeGameResult(int game) {
    int rank = HighScoreRank(game, GameResult.score);
    if (rank) AskPlayerName(GameResult.label, sizeof GameResult.label, rank);
    UpdateHighScore(game, GameResult.zumi, GameResult.score, GameResult.label, sizeof GameResult.label,
                    GameCatalogue.PlayerName);
}

void ReturnToMenu(void) {
    Log("GameEndCall2\n");
    FinishGame();
    SceneDone = 1;
    Log("end task_sum %d\n", (int)TaskCount);
    SetPack(MENU_PACK);
    Log("ReturnMenu\n");
    TakeGameResult(SelectedGame);
    SaveRecord(0);
    SaveRecord(SelectedGame);
    SetClearColour(16, 16, 16);
}

void UnloadGameAtExit(void) {
    if (TempGamePath[0]) UnloadGame();
}

void (*GameCrashHook)(const EXCEPTION_POINTERS *crash) = 0;
static LPTOP_LEVEL_EXCEPTION_FILTER OuterCrashFilter = 0;

// The records on disk stay as the last return saved them: nothing of the crashed game is saved.
static LONG WINAPI GameCrashFilter(EXCEPTION_POINTERS *crash) {
    if (!TempGamePath[0]) return OuterCrashFilter ? OuterCrashFilter(crash) : EXCEPTION_CONTINUE_SEARCH;
    Log("game crashed %s: exception %08lX at %p\n", CurrentPackName(),
        (unsigned long)crash->ExceptionRecord->ExceptionCode, crash->ExceptionRecord->ExceptionAddress);
    UnloadGame();
    if (GameCrashHook) GameCrashHook(crash);
    ExitWithMessage("ゲームが異常終了しました。\nプログラムを終了します。", EXIT_GAME_CRASHED);
    return EXCEPTION_EXECUTE_HANDLER;
}

void CatchGameCrashes(void) {
    LPTOP_LEVEL_EXCEPTION_FILTER outer = SetUnhandledExceptionFilter(GameCrashFilter);
    if (outer != GameCrashFilter) OuterCrashFilter = outer;
}
