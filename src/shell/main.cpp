// Entry point of Robina.exe: reads the command line (a game file to add, the switches), keeps to one
// running instance, refuses desktops and systems the program cannot run on, sweeps what a killed run
// left in the temporary folder, brings the subsystems up in order, runs the loop and takes everything
// down again. Every exit after the instance mutex exists releases it and logs the count of allocator
// blocks still live.
#include <windows.h>
#include <shellapi.h>
#include <wchar.h>
#include "shell/shell.h"
#include "shell/command_format.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "catalogue/catalogue.h"
#include "dialogs/dialogs.h"

static HANDLE instanceMutex = NULL;  // named after the product; marks the running instance
static const char DEPTH_REFUSAL[] =
    "現在の画面色数には対応しておりません。\nハイカラー(16bit)以上に切り替えてお楽しみ下さい。";
static const char DIRECTX_REFUSAL[] =
    "このソフトを実行するにはMicrosoftから提供されているDirectX7以上が\n"
    "インストールされている必要があります。";

static wchar_t Title[TITLE_CHARS];   // the product title: class and window name, mutex name

static void Refuse(const char *message) {
    ShowMessage(NULL, message, PRODUCT_TITLE, MB_ICONWARNING | MB_OK);
}

static void BringFirstInstanceForward(void) {
    HWND first = FindWindowW(Title, NULL);
    if (first) BringWindowForward(first);
}

// A second start brings the first instance (or its open dialog) to the front instead. Two starts at
// nearly the same moment can both miss the mutex; the later creation then finds it existing, and
// that start gives way too, so that only one instance ever saves records.
static int BecomeOnlyInstance(void) {
    HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, Title);
    if (existing) {
        CloseHandle(existing);
        BringFirstInstanceForward();
        return 0;
    }
    instanceMutex = CreateMutexW(NULL, FALSE, Title);
    if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(instanceMutex);
        instanceMutex = NULL;
        BringFirstInstanceForward();
        return 0;
    }
    return 1;
}

static void ReleaseInstance(void) {
    if (!instanceMutex) return;
    ReleaseMutex(instanceMutex);
    CloseHandle(instanceMutex);
    instanceMutex = NULL;
}

// A fatal exit that skips the normal shutdown still leaves no game library behind and ends the log.
static void LeaveAtOnce(void) {
    ReleaseBeforeFatalExit();
    ReleaseInstance();
    LogExit();
}

static int SystemSupported(void) {
    DeleteObsoleteConfig();
    if (DesktopBitDepth() < 15) {
        Refuse(DEPTH_REFUSAL);
        return 0;
    }
    if (DirectXVersion() < 0x700) {
        Refuse(DIRECTX_REFUSAL);
        return 0;
    }
    return 1;
}

// Takes the association away where it starts this program; 0 when none is left that does.
static int UnregisterSwitch(void) {
    static const char *const said[] = {
        "「.vyg」ファイルの関連付けを解除しました。",
        "このRobina.exeを開く「.vyg」ファイルの関連付けは、ありませんでした。\n何も変えていません。",
        "「.vyg」ファイルの関連付けを解除できませんでした（権限がありません）。\n"
        "管理者として、もう一度実行してください。",
    };
    int outcome = UnregisterGameFileType(".vyg");
    ShowMessage(NULL, said[outcome], PRODUCT_TITLE,
                (outcome == UNREGISTER_REFUSED ? MB_ICONWARNING : MB_ICONINFORMATION) | MB_OK | MB_SETFOREGROUND);
    return outcome == UNREGISTER_REFUSED ? EXIT_NOT_DONE : 0;
}

// The folder is made when it is missing, so that the player always finds where games go.
static int FolderSwitch(void) {
    wchar_t folder[PATH_CHARS];
    if (!GamesFolder(folder, 1)) {
        ShowMessage(NULL, "ゲームフォルダを作れませんでした。", PRODUCT_TITLE, MB_ICONWARNING | MB_OK);
        return EXIT_NOT_DONE;
    }
    ShellExecuteW(NULL, L"open", folder, NULL, NULL, SW_SHOWNORMAL);
    return 0;
}

// A game file opened from a game folder starts the program as a plain start does. Any other is
// handed to the running program, which asks about it; with none running (or none that answers),
// it is asked about here, and after a yes the program starts. 1: go on with the start; 0: end
// with *status.
static int TakeGameFile(const wchar_t *given, int *status) {
    wchar_t path[PATH_CHARS] = L"";
    *status = 0;
    if (FullGamePath(given, path) && InGameFolders(path)) return 1;
    if (HandGameFileOver(Title, path[0] ? path : given)) return 0;
    int outcome = OfferGameFile(given);
    if (outcome == GAME_FILE_ADDED || outcome == GAME_FILE_ALREADY_ADDED) return 1;
    if (outcome != GAME_FILE_CANCELLED) *status = EXIT_NOT_DONE;
    return 0;
}

// 1: go on with the start; 0: end with *status.
static int FollowCommandLine(const wchar_t *line, int *status) {
    wchar_t gameFile[PATH_CHARS];
    *status = 0;
    switch (ReadCommandLine(line, gameFile, PATH_CHARS)) {
    case COMMAND_START:
        return 1;
    case COMMAND_QUICK:
        QuickStart = 1;
        return 1;
    case COMMAND_GAME_FILE:
        return TakeGameFile(gameFile, status);
    case COMMAND_UNREGISTER:
        *status = UnregisterSwitch();
        return 0;
    case COMMAND_FOLDER:
        *status = FolderSwitch();
        return 0;
    }
    return 0;
}

// The wide command line: a game file's path may hold characters the system's code page has not.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    ToWide(PRODUCT_TITLE, Title, TITLE_CHARS);
    int exitCode = 0;
    if (!FollowCommandLine(commandLine, &exitCode)) return exitCode;
    if (!BecomeOnlyInstance()) return 0;
    LastWords = LeaveAtOnce;
    if (SystemSupported()) {
        Log("ポモのロビナ ver%d.%02d start\n", (int)(ShellVersion / 100), (int)(ShellVersion % 100));
        SweepTempLeftovers();
        if (CreateMainWindow(instance, showCommand) && StartSubsystems()) {
            ResetFrameClock();
            Log("loop start\n");
            exitCode = RunMessageLoop();
            ReleaseSubsystems();
        }
    }
    ReleaseInstance();
    LogExit();
    return exitCode;
}
