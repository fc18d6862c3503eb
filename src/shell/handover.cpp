// The hand-over of a game file to the program already running. A later start that was given a game
// file brings the first instance's window to the front, sends it the path (WM_COPYDATA) and ends;
// the first asks about the file as soon as its loop runs again, outside any dialog, so that only the
// running program ever writes records.
#include <windows.h>
#include <wchar.h>
#include "shell/shell.h"
#include "base/base.h"
#include "pack/pack.h"
#include "dialogs/dialogs.h"

enum { HANDOVER_GAME_FILE = 0x52564701, HANDOVER_WAIT_MS = 10000 };  // "RVG" and a version

wchar_t HandedGameFile[PATH_CHARS];

void BringWindowForward(void *window) {
    if (IsIconic((HWND)window)) ShowWindow((HWND)window, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup((HWND)window));
}

int HandGameFileOver(const wchar_t *windowClass, const wchar_t *path) {
    HWND first = FindWindowW(windowClass, NULL);
    if (!first) return 0;
    BringWindowForward(first);
    COPYDATASTRUCT data = {HANDOVER_GAME_FILE, (DWORD)((wcslen(path) + 1) * sizeof(wchar_t)), (void *)path};
    DWORD_PTR taken = 0;
    return SendMessageTimeoutW(first, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, HANDOVER_WAIT_MS, &taken) &&
           taken == 1;
}

// Only one whole, terminated path of the right kind is taken, and one at a time: a start whose
// path was not taken asks about its file itself.
int TakeHandedGameFile(const void *copyData) {
    const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)copyData;
    size_t chars = data->cbData / sizeof(wchar_t);
    if (data->dwData != HANDOVER_GAME_FILE || data->cbData % sizeof(wchar_t) || chars < 2 || chars > PATH_CHARS ||
        HandedGameFile[0])
        return 0;
    const wchar_t *path = (const wchar_t *)data->lpData;
    if (path[chars - 1] || wcslen(path) != chars - 1) return 0;
    wcscpy(HandedGameFile, path);
    Log("game file handed over: %s\n", ShownPath(HandedGameFile));
    return 1;
}

static int OfferStep(void *path) {
    return OfferGameFile((const wchar_t *)path);
}

// The running scene's pack is lent meanwhile, so the scene (or a game) reads on from the very bytes
// it started with.
void OfferHandedGameFile(void) {
    wchar_t path[PATH_CHARS];
    wcscpy(path, HandedGameFile);
    HandedGameFile[0] = 0;
    BringWindowForward(MainWindow);
    LendPack(OfferStep, path);
}
