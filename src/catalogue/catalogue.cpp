// The scan of the program's folder for game files and the reading of their game.ini: owns
// GameCatalogue. Entries 1..GameCount are games whose FILENAME matches their file's name and whose
// game.ini passed every check; their names and ids always fit their fields whole, never cut.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "catalogue/catalogue.h"
#include "catalogue/ini_format.h"
#include "pack/pack.h"
#include "base/base.h"

const int32_t ShellVersion = SHELL_VERSION;
GameCatalogueRecord GameCatalogue;
uint8_t SelectedGame = 0;

enum { MAX_SCANNED_NAMES = 100, INI_VALUE_BYTES = 260, INI_FILE_BYTES_MAX = 1 << 20, UTF16_MARK = 0xFEFF };
static const wchar_t IniSection[] = L"Robina";

// The text of an open file rewritten as UTF-16 with its byte-order mark; one that has the mark is kept.
static int RewriteAsUtf16(HANDLE file, DWORD size) {
    char *text = (char *)Alloc((int32_t)size + 1);
    wchar_t *wide = (wchar_t *)Alloc(((int32_t)size + 1) * (int32_t)sizeof(wchar_t));
    DWORD got = 0, wrote = 0;
    int made = ReadFile(file, text, size, &got, NULL) && got == size;
    if (made && !(size >= 2 && (uint8_t)text[0] == 0xFF && (uint8_t)text[1] == 0xFE)) {
        wide[0] = UTF16_MARK;
        int chars = SjisToWide(text, (int)size, wide + 1, (int)size);
        DWORD bytes = (DWORD)(chars + 1) * sizeof(wchar_t);
        made = chars >= 0 && SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0 &&
               WriteFile(file, wide, bytes, &wrote, NULL) && wrote == bytes && SetEndOfFile(file);
    }
    Free(wide);
    Free(text);
    return made;
}

// game.ini is Shift-JIS. The profile reader takes a file without a byte-order mark to be in the
// system's code page, so the extracted copy is rewritten as UTF-16 first: then the values read the
// same on a Windows of any language.
static int MakeIniUnicode(const wchar_t *path) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD size = GetFileSize(file, NULL);
    int made = size <= INI_FILE_BYTES_MAX && RewriteAsUtf16(file, size);
    CloseHandle(file);
    return made;
}

// Reads one key of game.ini from a fresh extraction of the current pack. A missing member reads
// as the default, like a missing key; so does a value with no Shift-JIS form, which no game wrote.
static void ReadIniValue(const char *key, const char *fallback, char *value) {
    snprintf(value, INI_VALUE_BYTES, "%s", fallback);
    wchar_t wideKey[TITLE_CHARS], wideFallback[INI_VALUE_BYTES], wide[INI_VALUE_BYTES];
    const wchar_t *path = ExtractMember("game.ini");
    if (!path) return;
    if (MakeIniUnicode(path) && ToWide(key, wideKey, TITLE_CHARS) && ToWide(fallback, wideFallback, INI_VALUE_BYTES)) {
        GetPrivateProfileStringW(IniSection, wideKey, wideFallback, wide, INI_VALUE_BYTES, path);
        if (!FromWide(wide, value, INI_VALUE_BYTES)) snprintf(value, INI_VALUE_BYTES, "%s", fallback);
    }
    DeleteExtracted();
}

GameEntry *CatalogueGame(int32_t game) {
    return game >= 1 && game <= GameCatalogue.GameCount ? &GameCatalogue.entries[game - 1] : 0;
}

int HasGameId(const char *gameId) {
    char value[INI_VALUE_BYTES];
    ReadIniValue(GameIniKeys[INI_GAMEID].name, GameIniKeys[INI_GAMEID].fallback, value);
    return strcmp(value, gameId) == 0;
}

static_assert(sizeof(GameEntry{}.fileName) == GAME_FILE_NAME_BYTES, "file name field");
static_assert(sizeof(GameEntry{}.gameId) == GAME_ID_BYTES, "game id field");

int ReadGameIni(GameEntry *entry) {
    GameIniRecord ini = {};
    for (int key = 0; key < INI_KEYS; key++) {
        char value[INI_VALUE_BYTES];
        ReadIniValue(GameIniKeys[key].name, GameIniKeys[key].fallback, value);
        if (!TakeIniValue(&ini, key, value)) return 0;
        if (key == INI_VER) Log("%s ver%4.2f\n", ini.gameId, ini.readVersion * 0.01);
    }
    strcpy(entry->gameId, ini.gameId);
    entry->version = ini.version;
    entry->mapX = ini.mapX;
    entry->mapY = ini.mapY;
    entry->rankingEnabled = ini.rankingEnabled;
    return 1;
}

// Looks at one game file. 1: a game of its own name, logged as found, *entry zeroed but for its
// upper-case name; -1: such a game whose name does not fit the entry; 0: not a game of this name,
// passed over in silence.
static int IdentifyGameFile(const char *name, GameEntry *entry) {
    if (!SetPack(name)) return 0;
    char fileName[INI_VALUE_BYTES];
    ReadIniValue("FILENAME", DefaultGameFileName, fileName);
    int matched = MatchGameFileName(fileName, name);
    if (matched == 0) return 0;
    Log("find vyg file : %s\n", fileName);
    memset(entry, 0, sizeof *entry);
    if (matched < 0) return -1;
    strcpy(entry->fileName, fileName);
    return 1;
}

static void AddGame(const GameEntry *entry) {
    if (GameCatalogue.GameCount >= MAX_GAMES) {
        Log("game table full : %s not added\n", entry->fileName);
        return;
    }
    // A record is named by the game id and the version's tens ("abc" 1.20 and "abc1" 0.20 alike):
    // two games saving under one name would overwrite each other's scores at every start.
    int32_t owner = RecordTakenBy(entry);
    if (owner) {
        Log("%s not added: its record belongs to %s\n", entry->fileName, GameCatalogue.entries[owner - 1].fileName);
        return;
    }
    GameCatalogue.entries[GameCatalogue.GameCount] = *entry;
    Log("set vyg file : %s(ver%4.2f)\n", entry->fileName, entry->version * 0.01);
    GameCatalogue.GameCount += 1;
    LoadRecord(GameCatalogue.GameCount);
}

// Collects up to MAX_SCANNED_NAMES names of "*.vyg" files in the order the system reports them. A
// name is Shift-JIS only to be compared with FILENAME and shown: one with no Shift-JIS form can
// match no game and is passed over, with a log line. The folder's own path stays wide. 0: no file
// matched at all.
static int CollectGameFiles(char (*names)[MAX_PATH], int *count) {
    wchar_t pattern[PATH_CHARS + 8] = L"";
    if (!ModuleDirectory(pattern)) return 0;
    wcscat(pattern, L"*.vyg");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    *count = 0;
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (FromWide(found.cFileName, names[*count], MAX_PATH))
            *count += 1;
        else
            Log("passed over %s: its name has no Shift-JIS form\n", ShownPath(found.cFileName));
    } while (*count < MAX_SCANNED_NAMES && FindNextFileW(search, &found));
    FindClose(search);
    return 1;
}

int ScanGameFiles(void) {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1);
    LoadRecord(0);
    char (*names)[MAX_PATH] = (char (*)[MAX_PATH])Alloc(MAX_SCANNED_NAMES * MAX_PATH);
    int count = 0;
    int matched = CollectGameFiles(names, &count);
    for (int i = 0; i < count; i++) {
        GameEntry entry;
        int identified = IdentifyGameFile(names[i], &entry);
        if (identified == 0) continue;
        if (identified < 0 || !ReadGameIni(&entry)) {
            Log("failed : read ini file\n");
            continue;
        }
        AddGame(&entry);
    }
    Free(names);
    if (!matched) return 0;
    Log("ゲームファイルが%d個見つかりました\n", GameCatalogue.GameCount);
    return 1;
}
