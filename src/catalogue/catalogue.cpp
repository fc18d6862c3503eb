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

enum { MAX_SCANNED_NAMES = 100, INI_VALUE_BYTES = 260 };
static const char IniSection[] = "Robina";

// Reads one key of game.ini from a fresh extraction of the current pack. A missing member reads
// as the default, like a missing key.
static void ReadIniValue(const char *key, const char *fallback, char *value) {
    snprintf(value, INI_VALUE_BYTES, "%s", fallback);
    const char *path = ExtractMember("game.ini");
    if (!path) return;
    GetPrivateProfileStringA(IniSection, key, fallback, value, INI_VALUE_BYTES, path);
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

// Collects up to MAX_SCANNED_NAMES names of "*.vyg" files in the order the system reports them.
static int CollectGameFiles(char (*names)[MAX_PATH]) {
    char pattern[MAX_PATH + 8] = "";
    ModuleDirectory(pattern);
    strcat(pattern, "*.vyg");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        snprintf(names[count++], MAX_PATH, "%s", found.cFileName);
    } while (count < MAX_SCANNED_NAMES && FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int ScanGameFiles(void) {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1);
    LoadRecord(0);
    char (*names)[MAX_PATH] = (char (*)[MAX_PATH])Alloc(MAX_SCANNED_NAMES * MAX_PATH);
    int count = CollectGameFiles(names);
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
    if (count == 0) return 0;
    Log("ゲームファイルが%d個見つかりました\n", GameCatalogue.GameCount);
    return 1;
}
