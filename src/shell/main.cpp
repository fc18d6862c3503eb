// Entry point of Robina.exe: screens the command line, keeps to one running instance, refuses desktops
// and systems the program cannot run on, sweeps what a killed run left in the temporary folder, brings
// the subsystems up in order, runs the loop and takes everything down again. Every exit after the
// instance mutex exists releases it and logs the count of allocator blocks still live.
#include <windows.h>
#include <wchar.h>
#include "shell/shell.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "catalogue/catalogue.h"

static HANDLE instanceMutex = NULL;  // named after the product; marks the running instance

static const char GAME_FILE_NOTICE[] =
    "このファイルはポモのロビナ用のゲームファイルです。\n\n"
    "※VYGファイルはRobina.exeのあるフォルダ内に一緒に入れることで、\n遊べるようになります。";
static const char DEPTH_REFUSAL[] =
    "現在の画面色数には対応しておりません。\nハイカラー(16bit)以上に切り替えてお楽しみ下さい。";
static const char DIRECTX_REFUSAL[] =
    "このソフトを実行するにはMicrosoftから提供されているDirectX7以上が\n"
    "インストールされている必要があります。";

static wchar_t Title[TITLE_CHARS];   // the product title: class and window name, mutex name

static void Refuse(const char *message) {
    ShowMessage(NULL, message, PRODUCT_TITLE, MB_ICONWARNING | MB_OK);
}

enum { EXIT_NOT_DONE = 2 };  // what the command line asked could not be done; the message said why

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

static int IsUnregisterSwitch(const wchar_t *line) {
    return (line[0] == '/' || line[0] == '-') && _wcsicmp(line + 1, L"unregister") == 0;
}

// Only the menu switch ("/q", "-q", ...) is understood. Anything else ends the program; a game file
// opened from the Windows shell arrives here as its path (in quotes, as the association passes it),
// and is answered with where such files go.
static int AcceptCommandLine(const wchar_t *line) {
    size_t length = wcslen(line);
    if (length < 2) return 1;
    if (line[1] == 'q') {
        QuickStart = 1;
        return 1;
    }
    if (line[0] == '"' && line[length - 1] == '"') length -= 1;
    if (length >= 4 && wcsncmp(line + length - 4, L".vyg", 4) == 0) Refuse(GAME_FILE_NOTICE);
    return 0;
}

static void BringFirstInstanceForward(void) {
    HWND first = FindWindowW(Title, NULL);
    if (!first) return;
    if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(first));
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

// The wide command line: a game file's path may hold characters the system's code page has not.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    ToWide(PRODUCT_TITLE, Title, TITLE_CHARS);
    if (IsUnregisterSwitch(commandLine)) return UnregisterSwitch();
    if (!AcceptCommandLine(commandLine)) return 0;
    if (!BecomeOnlyInstance()) return 0;
    LastWords = LeaveAtOnce;
    int exitCode = 0;
    if (SystemSupported()) {
        Log("ポモのロビナ ver1.04 start\n");
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
