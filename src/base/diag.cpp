// Debug log, fatal error box, counted allocator, the one random generator, the program folder and
// the player's games folder.
// The log writes only when "debughqx.bin" lies in the current directory at the first call; every
// line is appended with its own open and close, so the file is complete up to a crash.
#include <windows.h>
#include <mmsystem.h>
#include <shlobj.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "base/base.h"

static int logEnabled = 1;       // 0 once the marker file was found missing
static int logFirstCall = 1;     // 1 until the first Log call decided whether logging is on
int32_t LiveBlocks = 0;          // blocks handed out by Alloc minus calls of Free
void (*LastWords)(void) = 0;
static int randomSeedPending = 1;
static uint32_t randomState = 1; // state of the linear congruential generator

enum { LOG_LINE_BYTES = 1024 };

static int LogIsOn(void) {
    if (!logEnabled) return 0;
    if (logFirstCall) {
        logFirstCall = 0;
        FILE *marker = fopen("debughqx.bin", "r");
        if (!marker) {
            logEnabled = 0;
            return 0;
        }
        fclose(marker);
        FILE *fresh = fopen("debug.log", "w");
        if (fresh) fclose(fresh);
    }
    return 1;
}

// For a tool that asks for the log (robina-play --log): a fresh debug.log, as the marker gives.
int StartLog(void) {
    logEnabled = 1;
    logFirstCall = 0;
    FILE *fresh = fopen("debug.log", "w");
    if (fresh) fclose(fresh);
    return fresh != 0;
}

int Log(const char *format, ...) {
    if (!LogIsOn()) return 0;
    char line[LOG_LINE_BYTES];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0) return 0;
    if (length >= LOG_LINE_BYTES) length = LOG_LINE_BYTES - 1;
    // A log that cannot be opened loses the line; the program goes on regardless.
    FILE *file = fopen("debug.log", "a+");
    if (!file) return 0;
    fwrite(line, 1, (size_t)length, file);
    fclose(file);
    return length;
}

void (*ErrorBoxHook)(const char *message) = 0;

void ErrorBox(const char *message) {
    if (ErrorBoxHook) {
        ErrorBoxHook(message);
        return;
    }
    if (SystemCursorShown == 0) {
        SystemCursorShown = 1;
        ShowCursor(TRUE);
    }
    ShowMessage(MainWindow, message, ERROR_CAPTION, MB_ICONWARNING | MB_OK);
    PostQuitMessage(0);
}

// For faults after which nothing of the program may run on: the loop is not returned to.
void ExitWithMessage(const char *message, unsigned exitCode) {
    if (SystemCursorShown == 0) ShowCursor(TRUE);
    ShowMessage(MainWindow, message, ERROR_CAPTION, MB_ICONWARNING | MB_OK);
    if (LastWords) LastWords();
    ExitProcess(exitCode);
}

void NoticeBox(const char *message) {
    ShowMessage(MainWindow, message, ERROR_CAPTION, MB_ICONWARNING | MB_OK);
    ResetFrameClock();
}

// Callers use a block at once and cannot take a null, so running out of memory ends the program
// here, with a message, instead of crashing somewhere later.
void *__cdecl Alloc(int32_t size) {
    void *block = size >= 0 ? calloc(1, size > 0 ? (size_t)size : 1) : NULL;
    if (!block) {
        Log("Alloc failed: %ld bytes\n", (long)size);
        ExitWithMessage("メモリが不足しています。\nプログラムを終了します。", 1);
    }
    LiveBlocks += 1;
    return block;
}

void __cdecl Free(void *block) {
    LiveBlocks -= 1;
    free(block);
}

int32_t (*RandomOverride)(int32_t lower, int32_t upper) = 0;

void SeedRandom(uint32_t seed) {
    randomSeedPending = 0;
    randomState = seed;
}

int32_t __cdecl Random(int32_t lower, int32_t upper) {
    if (RandomOverride) return RandomOverride(lower, upper);
    if (randomSeedPending) {
        randomSeedPending = 0;
        randomState = timeGetTime();
    }
    int32_t n = (int32_t)((uint32_t)upper - (uint32_t)lower + 1u);
    if (n == 0) return 0;
    randomState = randomState * 214013u + 2531011u;
    int32_t r = (int32_t)((randomState >> 16) & 0x7FFF);
    return (int32_t)((uint32_t)lower + (uint32_t)(r % n));
}

int ModuleDirectory(wchar_t *buffer) {
    wchar_t path[PATH_CHARS];
    DWORD length = GetModuleFileNameW(NULL, path, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS) return 0;
    wchar_t *name = wcsrchr(path, L'\\');
    if (!name) return 0;
    name[1] = 0;
    wcscpy(buffer, path);
    return 1;
}

// The user's Documents is asked for as the known folder: the user or an administrator may have moved
// it anywhere. It is writable without elevation on every kind of install.
int GamesFolder(wchar_t *buffer, int create) {
    static wchar_t folder[PATH_CHARS];
    if (!folder[0]) {
        PWSTR documents = NULL;
        HRESULT found = SHGetKnownFolderPath(FOLDERID_Documents, 0, NULL, &documents);
        int length = found == S_OK ? swprintf(folder, PATH_CHARS, L"%ls\\%ls\\", documents, GAMES_FOLDER_NAME) : -1;
        CoTaskMemFree(documents);
        if (length < 0 || length >= PATH_CHARS) {
            folder[0] = 0;
            return 0;
        }
    }
    if (create && !CreateDirectoryW(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    wcscpy(buffer, folder);
    return 1;
}
