// The pack reader: owns the current pack (a resource of the program, read in place, or a game file
// cached whole), the temporary-name counter and the one tracked temporary file. A failed SetPack
// keeps the previous pack and its cache, so the current name always describes the bytes held.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include "pack/pack.h"
#include "pack/pack_format.h"
#include "base/base.h"

enum { PACK_SOURCE_RESOURCE = 0, PACK_SOURCE_CACHE = 1, TEMP_NAMES = 10000, COPY_CHUNK = 16384 };

static char CurrentName[MAX_PATH];        // name given to the last successful SetPack; "" at start
static wchar_t PackPath[PATH_CHARS];      // resource name, or full path of the cached game file
static int32_t SourceKind = PACK_SOURCE_RESOURCE;
static uint8_t *PackCache = 0;            // the whole current game file (Alloc), or null
static uint32_t PackCacheSize = 0;        // its bytes
static int32_t PackCacheHeld = 0;         // 1: PackCache belongs to a LendPack's caller, never freed here
int32_t TempCounter = 0;                  // number part of the last temporary name tried, 0..9999
static wchar_t LastExtractedPath[PATH_CHARS];  // temporary file of the last extraction; "" when none
static PackEntry Directory[PACK_MAX_MEMBERS];  // scratch table of the directory walk

static const wchar_t RESOURCE_TYPE[] = L"RVP";

static void DropCache(void) {
    if (PackCache && !PackCacheHeld) Free(PackCache);
    PackCache = 0;
    PackCacheSize = 0;
    PackCacheHeld = 0;
}

// Reads the game file at PackPath whole into a new cache; the old cache goes only on success.
static int CacheGameFile(void) {
    HANDLE file = CreateFileW(PackPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        Log("not found resfile %s\n", ShownPath(PackPath));
        return 0;
    }
    // One buffer of the whole file: beyond 2 GB the counted allocator cannot hold it.
    DWORD size = GetFileSize(file, NULL);
    int readable = size != INVALID_FILE_SIZE && size <= 0x7FFFFFFF;
    uint8_t *buffer = readable ? (uint8_t *)Alloc((int32_t)size) : 0;
    if (readable) Log("read resfile size %ld\n", (long)size);
    DWORD got = 0;
    if (!readable || !ReadFile(file, buffer, size, &got, NULL) || got != size) {
        if (buffer) Free(buffer);
        CloseHandle(file);
        Log("crash resfile %s\n", ShownPath(PackPath));
        return 0;
    }
    CloseHandle(file);
    DropCache();
    PackCache = buffer;
    PackCacheSize = size;
    Log("file cached\n");
    return 1;
}

// The first test of a game file: any reader may open it, whatever others share; only the cached
// read afterwards insists that nobody is writing it.
static int CanOpenForReading(const wchar_t *path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

// A plain name is a game file of the program's folder or, when that has none of the name, of the
// player's games folder; a full path (a drive or a share) is taken as is. Both folders stay wide:
// they may hold characters that Shift-JIS has not.
static int GameFilePath(const char *name, wchar_t *path) {
    wchar_t wideName[PATH_CHARS];
    if (!ToWide(name, wideName, PATH_CHARS)) return 0;
    int fullPath = (name[0] && name[1] == ':') || (name[0] == '\\' && name[1] == '\\');
    if (fullPath) return lstrcpynW(path, wideName, PATH_CHARS) != NULL;
    wchar_t games[PATH_CHARS];
    if (!ModuleDirectory(path)) return 0;
    if (wcslen(path) + wcslen(wideName) >= PATH_CHARS) return 0;
    wcscat(path, wideName);
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES || !GamesFolder(games, 0)) return 1;
    if (wcslen(games) + wcslen(wideName) >= PATH_CHARS) return 1;
    wcscat(games, wideName);
    if (GetFileAttributesW(games) != INVALID_FILE_ATTRIBUTES) wcscpy(path, games);
    return 1;
}

// A game file at a full path becomes the current pack, cached whole; a failure keeps the previous.
static int CachePackAt(const wchar_t *path) {
    if (!CanOpenForReading(path)) return 0;
    wchar_t previousPath[PATH_CHARS];
    memcpy(previousPath, PackPath, sizeof previousPath);
    lstrcpynW(PackPath, path, PATH_CHARS);
    if (!CacheGameFile()) {
        memcpy(PackPath, previousPath, sizeof PackPath);
        return 0;
    }
    SourceKind = PACK_SOURCE_CACHE;
    return 1;
}

int SetPack(const char *name) {
    Log("set pack > %s\n", name);
    wchar_t path[PATH_CHARS];
    if (strlen(name) >= MAX_PATH || !ToWide(name, path, PATH_CHARS)) return 0;
    if (FindResourceW(NULL, path, RESOURCE_TYPE)) {
        Log("type:INTERNAL packpath:%s\n", name);
        wcscpy(PackPath, path);
        SourceKind = PACK_SOURCE_RESOURCE;
    } else {
        if (!GameFilePath(name, path)) return 0;
        Log("name:%s packpath:%s\n", name, ShownPath(path));
        if (!CachePackAt(path)) return 0;
    }
    snprintf(CurrentName, sizeof CurrentName, "%s", name);
    return 1;
}

// The name is the file's own, as it shows in the log: the path may have no Shift-JIS form.
int SetPackFile(const wchar_t *path) {
    Log("set pack file > %s\n", ShownPath(path));
    if (!CachePackAt(path)) return 0;
    const wchar_t *name = wcsrchr(path, L'\\');
    snprintf(CurrentName, sizeof CurrentName, "%s", ShownPath(name ? name + 1 : path));
    return 1;
}

// The pack keeps its name but no bytes: every member lookup fails until the next SetPack.
uint8_t *TakeGameFileBytes(uint32_t *size) {
    if (SourceKind != PACK_SOURCE_CACHE || !PackCache || PackCacheHeld) return 0;
    uint8_t *bytes = PackCache;
    *size = PackCacheSize;
    PackCache = 0;
    PackCacheSize = 0;
    return bytes;
}

// The caller's pack stays current while the step runs, until the step makes another current; its
// cache is held meanwhile, so no switch frees it, and it comes back as it was: the bytes a running
// scene or game reads from stay exactly those it started with, even when its file is replaced or gone
// meanwhile. Each lend holds its own, so lends nest.
typedef struct HeldPack {
    char name[MAX_PATH];
    wchar_t path[PATH_CHARS];
    int32_t kind;
    uint8_t *cache;
    uint32_t cacheSize;
    int32_t cacheHeld;
} HeldPack;

static void HoldPack(HeldPack *held) {
    memcpy(held->name, CurrentName, sizeof held->name);
    memcpy(held->path, PackPath, sizeof held->path);
    held->kind = SourceKind;
    held->cache = PackCache;
    held->cacheSize = PackCacheSize;
    held->cacheHeld = PackCacheHeld;
    PackCacheHeld = 1;
}

static void GiveBackPack(const HeldPack *held) {
    DropCache();
    memcpy(CurrentName, held->name, sizeof CurrentName);
    memcpy(PackPath, held->path, sizeof PackPath);
    SourceKind = held->kind;
    PackCache = held->cache;
    PackCacheSize = held->cacheSize;
    PackCacheHeld = held->cacheHeld;
    Log("set pack > %s\n", CurrentName);
}

int LendPack(int (*step)(void *context), void *context) {
    HeldPack held;
    HoldPack(&held);
    int result = step(context);
    GiveBackPack(&held);
    return result;
}

const char *CurrentPackName(void) {
    return CurrentName;
}

// The temporary folder with a backslash after it, into a buffer of chars characters. The system is
// told of one character fewer, which keeps room for the backslash whatever the buffer's size.
static int TempFolder(wchar_t *folder, DWORD chars) {
    DWORD length = GetTempPathW(chars - 1, folder);
    if (length == 0 || length >= chars - 1) return 0;
    wcscat(folder, L"\\");
    return 1;
}

// The next free name "rvpx%04d.tmp" of the temporary folder; after 10,000 taken names, the last.
static int ChooseTempPath(wchar_t *path) {
    wchar_t folder[PATH_CHARS + 1];
    if (!TempFolder(folder, sizeof folder / sizeof folder[0])) return 0;
    for (int tries = 0; tries < TEMP_NAMES; tries++) {
        TempCounter += 1;
        if (TempCounter > TEMP_NAMES - 1) TempCounter = 0;
        int length = swprintf(path, PATH_CHARS, L"%lsrvpx%04d.tmp", folder, (int)TempCounter);
        if (length < 0 || length >= PATH_CHARS) return 0;
        if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) break;
    }
    return 1;
}

// The bytes of the current pack, or null when there is none to reach.
static const uint8_t *ReachPack(size_t *size) {
    if (SourceKind == PACK_SOURCE_CACHE) {
        *size = PackCacheSize;
        return PackCache;
    }
    HRSRC found = FindResourceW(NULL, PackPath, RESOURCE_TYPE);
    HGLOBAL loaded = found ? LoadResource(NULL, found) : NULL;
    if (!loaded) return 0;
    *size = SizeofResource(NULL, found);
    return (const uint8_t *)LockResource(loaded);
}

// Writes count unscrambled bytes to a new file at path; a partial file is removed.
static int WriteMember(const wchar_t *path, const uint8_t *data, uint32_t count) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    uint8_t chunk[COPY_CHUNK];
    int written = 1;
    for (uint32_t done = 0; done < count && written;) {
        uint32_t part = count - done < (uint32_t)COPY_CHUNK ? count - done : (uint32_t)COPY_CHUNK;
        UnscramblePackData(chunk, data + done, part);
        DWORD wrote = 0;
        written = WriteFile(file, chunk, part, &wrote, NULL) && wrote == part;
        done += part;
    }
    CloseHandle(file);
    if (!written) DeleteFileW(path);
    return written;
}

const wchar_t *ExtractMember(const char *name) {
    Log("pack open > %s\n", name);
    wchar_t tempPath[PATH_CHARS];
    if (!ChooseTempPath(tempPath)) {
        Log("no temporary folder for %s\n", name);
        return 0;
    }
    size_t size = 0;
    const uint8_t *image = ReachPack(&size);
    if (!image) return 0;
    char folded[PACK_NAME_BYTES];
    snprintf(folded, sizeof folded, "%s", name);
    FoldPackName(folded);
    int32_t index = FindPackMember(image, size, name, Directory);
    if (index < 0) {
        Log("not found file %s in packfile\n", folded);
        return 0;
    }
    const PackEntry *member = &Directory[index];
    if (!WriteMember(tempPath, image + member->offset, member->size)) {
        Log("cannot make tmpfile %s for %s\n", ShownPath(tempPath), folded);
        return 0;
    }
    Log("make[%s] %s\n", folded, ShownPath(tempPath));
    memcpy(LastExtractedPath, tempPath, sizeof LastExtractedPath);
    return LastExtractedPath;
}

// For optional members, which a caller looks for before loading so that no failure is reported.
int HasMember(const char *name) {
    size_t size = 0;
    const uint8_t *image = ReachPack(&size);
    return image && FindPackMember(image, size, name, Directory) >= 0;
}

int PackIsWhole(void) {
    size_t size = 0;
    const uint8_t *image = ReachPack(&size);
    return image && ReadPackDirectory(image, size, Directory) >= 0;
}

int PeekMember(const char *name, uint8_t *head, uint32_t *headBytes, uint32_t *size) {
    size_t packBytes = 0;
    const uint8_t *image = ReachPack(&packBytes);
    int32_t index = image ? FindPackMember(image, packBytes, name, Directory) : -1;
    if (index < 0) return 0;
    const PackEntry *member = &Directory[index];
    if (*headBytes > member->size) *headBytes = member->size;
    UnscramblePackData(head, image + member->offset, *headBytes);
    *size = member->size;
    return 1;
}

int DeleteExtracted(void) {
    if (LastExtractedPath[0]) {
        DeleteFileW(LastExtractedPath);
        LastExtractedPath[0] = 0;
        Log("pack close\n");
    }
    return 1;
}

void ReleasePackCache(void) {
    DropCache();
}

// Exactly the names ChooseTempPath makes, whatever the case: other programs' files stay.
static int IsOwnTempName(const wchar_t *name) {
    if (wcslen(name) != 12 || _wcsnicmp(name, L"rvpx", 4) != 0 || _wcsicmp(name + 8, L".tmp") != 0) return 0;
    for (int i = 4; i < 8; i++)
        if (name[i] < '0' || name[i] > '9') return 0;
    return 1;
}

// A run that was killed leaves its extracted files, the game library above all, in the temporary
// folder. A library another instance has loaded cannot be deleted, so it stays.
int SweepTempLeftovers(void) {
    wchar_t folder[PATH_CHARS + 1], pattern[PATH_CHARS + 16], path[PATH_CHARS + 16];
    if (!TempFolder(folder, sizeof folder / sizeof folder[0])) return 0;
    swprintf(pattern, PATH_CHARS + 16, L"%lsrvpx*.tmp", folder);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int swept = 0;
    do {
        if (!IsOwnTempName(found.cFileName)) continue;
        swprintf(path, PATH_CHARS + 16, L"%ls%ls", folder, found.cFileName);
        if (!DeleteFileW(path)) continue;
        Log("swept leftover %s\n", ShownPath(path));
        swept += 1;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return swept;
}
