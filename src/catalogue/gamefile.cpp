// A game file offered from outside the game folders (a double-click on a download): judged by the
// scan's own rules before anything is written, compared with a file of the same name already in a
// game folder, and written into a folder under a temporary name that is renamed only once every
// byte is on disk, so that a failed copy leaves nothing that a scan could take for a game.
#include <windows.h>
#include <string.h>
#include <wchar.h>
#include "catalogue/catalogue.h"
#include "catalogue/ini_format.h"
#include "pack/pack.h"
#include "base/base.h"

enum { COPY_CHUNK_BYTES = 1 << 16 };
static const wchar_t TEMPORARY_SUFFIX[] = L".adding";

// The folder part of a full path, backslash included, compared as the file system does.
static int InFolder(const wchar_t *path, const wchar_t *folder) {
    const wchar_t *name = wcsrchr(path, L'\\');
    if (!name) return 0;
    int length = (int)(name + 1 - path);
    return length == (int)wcslen(folder) && CompareStringOrdinal(path, length, folder, length, TRUE) == CSTR_EQUAL;
}

int InGameFolders(const wchar_t *path) {
    wchar_t folder[PATH_CHARS];
    return (ModuleDirectory(folder) && InFolder(path, folder)) || (GamesFolder(folder, 0) && InFolder(path, folder));
}

// The name the file system keeps (a download may be handed over by its short 8.3 name), as a full path.
int FullGamePath(const wchar_t *given, wchar_t *path) {
    wchar_t full[PATH_CHARS];
    DWORD length = GetFullPathNameW(given, PATH_CHARS, full, NULL);
    if (length == 0 || length >= PATH_CHARS) return 0;
    length = GetLongPathNameW(full, path, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS) wcscpy(path, full);
    return 1;
}

static int RefuseByKey(int key) {
    if (key == INI_GAMEID) return GAME_FILE_NO_ID;
    if (key == INI_REQUIREVER) return GAME_FILE_NEWER_SHELL;
    return GAME_FILE_NO_MAP_POINT;
}

int CheckGameFile(const wchar_t *path, GameFileFacts *facts) {
    memset(facts, 0, sizeof *facts);
    const wchar_t *name = wcsrchr(path, L'\\');
    name = name ? name + 1 : path;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return GAME_FILE_MISSING;
    if (!FromWide(name, facts->diskName, sizeof facts->diskName)) return GAME_FILE_NAME_UNFIT;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path, GetFileExInfoStandard, &data) &&
        (data.nFileSizeHigh || data.nFileSizeLow > GAME_FILE_BYTES_MAX))
        return GAME_FILE_TOO_LARGE;
    if (!SetPackFile(path)) return GAME_FILE_UNREADABLE;
    if (!PackIsWhole()) return GAME_FILE_NOT_PACK;
    if (!HasMember("game.ini")) return GAME_FILE_NO_INI;
    if (!ReadIniFileName(facts->iniName)) facts->iniName[0] = 0;
    char folded[INI_VALUE_BYTES];
    strcpy(folded, facts->iniName);
    int matched = MatchGameFileName(folded, facts->diskName);
    if (matched == 0) return GAME_FILE_NAME_MISMATCH;
    if (matched < 0) return GAME_FILE_NAME_TOO_LONG;
    strcpy(facts->entry.fileName, folded);
    facts->readVersion = ReadIniNumber(GameIniKeys[INI_VER].name);
    facts->requiredVersion = ReadIniNumber(GameIniKeys[INI_REQUIREVER].name);
    int key = 0;
    if (!ReadGameIniKeys(&facts->entry, &key)) return RefuseByKey(key);
    return GAME_FILE_FITS;
}

// Looks for a file of the name in one folder; the name the folder keeps it under comes back.
static int FindIn(const wchar_t *folder, const wchar_t *name, wchar_t *path) {
    if (wcslen(folder) + wcslen(name) >= PATH_CHARS) return 0;
    wchar_t pattern[PATH_CHARS];
    swprintf(pattern, PATH_CHARS, L"%ls%ls", folder, name);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    if (wcslen(folder) + wcslen(found.cFileName) >= PATH_CHARS) return 0;
    swprintf(path, PATH_CHARS, L"%ls%ls", folder, found.cFileName);
    return 1;
}

int FindGameFile(const wchar_t *name, wchar_t *path, int32_t *where) {
    wchar_t folder[PATH_CHARS];
    if (wcspbrk(name, L"*?")) return 0;
    *where = GAME_FOLDER_PROGRAM;
    if (ModuleDirectory(folder) && FindIn(folder, name, path)) return 1;
    *where = GAME_FOLDER_PLAYER;
    return GamesFolder(folder, 0) && FindIn(folder, name, path);
}

int SameFileBytes(const wchar_t *path, const uint8_t *bytes, uint32_t size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int same = GetFileSize(file, NULL) == size;
    uint8_t *chunk = same ? (uint8_t *)Alloc(COPY_CHUNK_BYTES) : 0;
    for (uint32_t done = 0; same && done < size;) {
        DWORD part = size - done < (uint32_t)COPY_CHUNK_BYTES ? size - done : (DWORD)COPY_CHUNK_BYTES, got = 0;
        same = ReadFile(file, chunk, part, &got, NULL) && got == part && memcmp(chunk, bytes + done, part) == 0;
        done += part;
    }
    if (chunk) Free(chunk);
    CloseHandle(file);
    return same;
}

static int WriteAll(const wchar_t *path, const uint8_t *bytes, uint32_t size) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int written = 1;
    for (uint32_t done = 0; written && done < size;) {
        DWORD part = size - done < (uint32_t)COPY_CHUNK_BYTES ? size - done : (DWORD)COPY_CHUNK_BYTES, wrote = 0;
        written = WriteFile(file, bytes + done, part, &wrote, NULL) && wrote == part;
        done += part;
    }
    if (written) written = FlushFileBuffers(file);
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return written;
}

// A new name is never taken over: a file that appeared there meanwhile was not asked about.
int PlaceGameFile(const wchar_t *target, const uint8_t *bytes, uint32_t size, int replace, uint32_t *error) {
    wchar_t temporary[PATH_CHARS + 8];
    int length = swprintf(temporary, PATH_CHARS + 8, L"%ls%ls", target, TEMPORARY_SUFFIX);
    int step = COPY_WRITE_FAILED;
    if (length < 0 || length >= PATH_CHARS) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    } else if (WriteAll(temporary, bytes, size)) {
        step = COPY_RENAME_FAILED;
        DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
        if (MoveFileExW(temporary, target, flags)) step = COPY_DONE;
    }
    *error = step == COPY_DONE ? 0 : GetLastError();
    if (step != COPY_DONE && length > 0 && length < PATH_CHARS) DeleteFileW(temporary);
    Log("game file copy to %s: %s (error %lu)\n", ShownPath(target),
        step == COPY_DONE ? "done" : step == COPY_WRITE_FAILED ? "write failed" : "rename failed", (unsigned long)*error);
    return step;
}
