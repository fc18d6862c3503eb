// The scan of the program's folder for game files and the reading of their game.ini: owns
// GameCatalogue. Entries 1..GameCount are games whose FILENAME matches their file's name and whose
// game.ini passed every check; their names and ids always fit their fields whole, never cut.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "catalogue/catalogue.h"
#include "pack/pack.h"
#include "base/base.h"

const int32_t ShellVersion = 104;
GameCatalogueRecord GameCatalogue;
uint8_t SelectedGame = 0;

enum { MAX_SCANNED_NAMES = 100, INI_VALUE_BYTES = 260 };
static const char IniSection[] = "Robina";
static const char DefaultFileName[] = "default.vyg";

// Reads one key of game.ini from a fresh extraction of the current pack. A missing member reads
// as the default, like a missing key.
static void ReadIniValue(const char *key, const char *fallback, char *value) {
    snprintf(value, INI_VALUE_BYTES, "%s", fallback);
    const char *path = ExtractMember("game.ini");
    if (!path) return;
    GetPrivateProfileStringA(IniSection, key, fallback, value, INI_VALUE_BYTES, path);
    DeleteExtracted();
}

// Optional blanks and sign, then decimal digits up to the first other character; wraps at 32 bits.
static int32_t LenientInteger(const char *text) {
    while (*text == ' ' || *text == '\t') text++;
    int negative = *text == '-';
    if (*text == '-' || *text == '+') text++;
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; text++) value = value * 10u + (uint32_t)(*text - '0');
    return (int32_t)(negative ? 0u - value : value);
}

static int32_t ReadIniInteger(const char *key) {
    char value[INI_VALUE_BYTES];
    ReadIniValue(key, "0", value);
    return LenientInteger(value);
}

static void FoldUpper(char *text) {
    for (; *text; text++)
        if (*text >= 'a' && *text <= 'z') *text = (char)(*text - 'a' + 'A');
}

int ReadGameIni(GameEntry *entry) {
    char value[INI_VALUE_BYTES];
    ReadIniValue("GAMEID", "default", value);
    // An id too long for its field is refused rather than cut: a cut id could name another game's
    // save record.
    if (strcmp(value, "default") == 0 || strlen(value) >= sizeof entry->gameId) return 0;
    strcpy(entry->gameId, value);
    int32_t version = ReadIniInteger("VER");
    Log("%s ver%4.2f\n", entry->gameId, version * 0.01);
    entry->version = (uint8_t)version;
    if (ReadIniInteger("REQUIREVER") > ShellVersion) return 0;
    entry->mapX = ReadIniInteger("MAP_POSX");
    if (entry->mapX <= 0) return 0;
    entry->mapY = ReadIniInteger("MAP_POSY");
    if (entry->mapY <= 0) return 0;
    entry->rankingEnabled = ReadIniInteger("RANKING") != 0;
    return 1;
}

// Looks at one game file. 1: a game of its own name, logged as found, *entry zeroed but for its
// upper-case name; -1: such a game whose name does not fit the entry; 0: not a game of this name,
// passed over in silence.
static int IdentifyGameFile(const char *name, GameEntry *entry) {
    if (!SetPack(name)) return 0;
    char fileName[INI_VALUE_BYTES], diskName[INI_VALUE_BYTES];
    ReadIniValue("FILENAME", DefaultFileName, fileName);
    snprintf(diskName, sizeof diskName, "%s", name);
    FoldUpper(fileName);
    FoldUpper(diskName);
    if (strcmp(fileName, diskName) != 0 || strcmp(fileName, "DEFAULT.VYG") == 0) return 0;
    Log("find vyg file : %s\n", diskName);
    memset(entry, 0, sizeof *entry);
    if (strlen(fileName) >= sizeof entry->fileName) return -1;
    strcpy(entry->fileName, fileName);
    return 1;
}

static void AddGame(const GameEntry *entry) {
    if (GameCatalogue.GameCount >= MAX_GAMES) {
        Log("game table full : %s not added\n", entry->fileName);
        return;
    }
    GameCatalogue.entries[GameCatalogue.GameCount] = *entry;
    Log("set vyg file : %s(ver%4.2f)\n", entry->fileName, entry->version * 0.01);
    LoadRecord(GameCatalogue.GameCount + 1);
    GameCatalogue.GameCount += 1;
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
