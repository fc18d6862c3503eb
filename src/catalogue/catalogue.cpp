// The scan of the program's folder and then the player's games folder for game files, and the reading
// of their game.ini: owns GameCatalogue. Entries 1..GameCount are games whose FILENAME matches their
// file's name and whose game.ini passed every check; their names and ids always fit their fields
// whole, never cut. A rescan (each time the menu is entered) takes in what changed since.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "catalogue/catalogue.h"
#include "catalogue/ini_format.h"
#include "base/text_format.h"
#include "pack/pack.h"
#include "base/base.h"
#include "robina_game.h"

const int32_t ShellVersion = SHELL_VERSION;
GameCatalogueRecord GameCatalogue;
uint8_t SelectedGame = 0;

enum { MAX_SCANNED_NAMES = 100, INI_FILE_BYTES_MAX = 1 << 20, UTF16_MARK = 0xFEFF };
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

int ReadGameIniKeys(GameEntry *entry, int *refusingKey) {
    GameIniRecord ini = {};
    for (int key = 0; key < INI_KEYS; key++) {
        char value[INI_VALUE_BYTES];
        ReadIniValue(GameIniKeys[key].name, GameIniKeys[key].fallback, value);
        *refusingKey = key;
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

int ReadGameIni(GameEntry *entry) {
    int refusingKey;
    return ReadGameIniKeys(entry, &refusingKey);
}

int32_t ReadIniNumber(const char *key) {
    char value[INI_VALUE_BYTES];
    ReadIniValue(key, "0", value);
    return LenientInteger(value);
}

int ReadIniFileName(char *fileName) {
    ReadIniValue("FILENAME", DefaultGameFileName, fileName);
    return strcmp(fileName, DefaultGameFileName) != 0;
}

// Looks at one game file. 1: a game of its own name, logged as found, *entry zeroed but for its
// upper-case name; -1: such a game whose name does not fit the entry; 0: not a game of this name,
// passed over in silence.
static int IdentifyGameFile(const char *name, GameEntry *entry) {
    if (!SetPack(name)) return 0;
    char fileName[INI_VALUE_BYTES];
    ReadIniFileName(fileName);
    int matched = MatchGameFileName(fileName, name);
    if (matched == 0) return 0;
    Log("find vyg file : %s\n", fileName);
    memset(entry, 0, sizeof *entry);
    if (matched < 0) return -1;
    strcpy(entry->fileName, fileName);
    return 1;
}

// One game file as a folder listing showed it: a file that changes size, time or folder is another
// file to the catalogue.
typedef struct ListedFile {
    char name[MAX_PATH];    // the name on disk, Shift-JIS
    int32_t folder;         // GAME_FOLDER_PROGRAM or GAME_FOLDER_PLAYER
    uint32_t sizeLow, sizeHigh;
    FILETIME written;
} ListedFile;

static ListedFile EntryFiles[MAX_GAMES];          // the file of each entry as it was when it joined
static ListedFile Refused[MAX_SCANNED_NAMES];     // files whose game.ini refused them, as they were then
static int32_t RefusedCount;

static int SameListedFile(const ListedFile *a, const ListedFile *b) {
    return SameShiftJisFolded(a->name, b->name) && a->folder == b->folder && a->sizeLow == b->sizeLow &&
           a->sizeHigh == b->sizeHigh && CompareFileTime(&a->written, &b->written) == 0;
}

static int AddGame(const GameEntry *entry, const ListedFile *file) {
    if (GameCatalogue.GameCount >= MAX_GAMES) {
        Log("game table full : %s not added\n", entry->fileName);
        return 0;
    }
    // A record is named by the game id and the version's tens ("abc" 1.20 and "abc1" 0.20 alike):
    // two games saving under one name would overwrite each other's scores at every start.
    int32_t owner = RecordTakenBy(entry);
    if (owner) {
        Log("%s not added: its record belongs to %s\n", entry->fileName, GameCatalogue.entries[owner - 1].fileName);
        return 0;
    }
    GameCatalogue.entries[GameCatalogue.GameCount] = *entry;
    EntryFiles[GameCatalogue.GameCount] = *file;
    Log("set vyg file : %s(ver%4.2f)\n", entry->fileName, entry->version * 0.01);
    GameCatalogue.GameCount += 1;
    LoadRecord(GameCatalogue.GameCount);
    return 1;
}

// A file whose game.ini refused it is not read again until it changes. A full table or a record
// name taken by another game depends on the rest of the catalogue, so those are tried again.
static void ExamineGameFile(const ListedFile *file) {
    GameEntry entry;
    int identified = IdentifyGameFile(file->name, &entry);
    if (identified > 0 && ReadGameIni(&entry)) {
        AddGame(&entry, file);
        return;
    }
    if (identified != 0) Log("failed : read ini file\n");
    if (RefusedCount < MAX_SCANNED_NAMES) Refused[RefusedCount++] = *file;
}

static int AlreadyJudged(const ListedFile *file) {
    for (int g = 0; g < GameCatalogue.GameCount; g++)
        if (SameListedFile(&EntryFiles[g], file)) return 1;
    for (int i = 0; i < RefusedCount; i++)
        if (SameListedFile(&Refused[i], file)) return 1;
    return 0;
}

// A name taken by a file listed before it (the program's folder first; on a file system that tells
// case apart, another spelling of it) is passed over with a line: one name is one game file.
static int NameListed(const ListedFile *files, int count, const ListedFile *file) {
    for (int i = 0; i < count; i++) {
        if (!SameShiftJisFolded(files[i].name, file->name)) continue;
        Log("passed over %s in the %s folder: the %s folder has a game file of that name\n", file->name,
            file->folder == GAME_FOLDER_PLAYER ? "games" : "program's",
            files[i].folder == GAME_FOLDER_PLAYER ? "games" : "program's");
        return 1;
    }
    return 0;
}

// Lists the "*.vyg" files of one folder after those already listed, up to MAX_SCANNED_NAMES in all,
// in the order the system reports them. A name is Shift-JIS only to be compared with FILENAME and
// shown: one with no Shift-JIS form can match no game and is passed over, with a log line. The
// folder's own path stays wide. 0: no file matched at all.
static int ListFolder(const wchar_t *folder, int32_t kind, ListedFile *files, int *count) {
    wchar_t pattern[PATH_CHARS + 8];
    if (swprintf(pattern, PATH_CHARS + 8, L"%ls*.vyg", folder) < 0) return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (*count >= MAX_SCANNED_NAMES) break;
        ListedFile *file = &files[*count];
        if (!FromWide(found.cFileName, file->name, MAX_PATH)) {
            Log("passed over %s: its name has no Shift-JIS form\n", ShownPath(found.cFileName));
            continue;
        }
        file->folder = kind;
        file->sizeLow = found.nFileSizeLow;
        file->sizeHigh = found.nFileSizeHigh;
        file->written = found.ftLastWriteTime;
        if (!NameListed(files, *count, file)) *count += 1;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return 1;
}

// The program's folder first, then the player's games folder, by the same rules.
static int ListGameFiles(ListedFile *files, int *count) {
    wchar_t folder[PATH_CHARS];
    *count = 0;
    int matched = ModuleDirectory(folder) && ListFolder(folder, GAME_FOLDER_PROGRAM, files, count);
    if (GamesFolder(folder, 0) && ListFolder(folder, GAME_FOLDER_PLAYER, files, count)) matched = 1;
    return matched;
}

static int Listed(const ListedFile *files, int count, const ListedFile *file) {
    for (int i = 0; i < count; i++)
        if (SameListedFile(&files[i], file)) return 1;
    return 0;
}

static void DropGame(int32_t game, const char *why) {
    Log("%s left the catalogue: %s\n", GameCatalogue.entries[game - 1].fileName, why);
    int32_t after = GameCatalogue.GameCount - game;
    memmove(&GameCatalogue.entries[game - 1], &GameCatalogue.entries[game], after * sizeof(GameEntry));
    memmove(&EntryFiles[game - 1], &EntryFiles[game], after * sizeof(ListedFile));
    GameCatalogue.GameCount -= 1;
    if (SelectedGame == game) SelectedGame = 0;
    if (SelectedGame > game) SelectedGame -= 1;
}

static void JoinListedFiles(const ListedFile *files, int count) {
    for (int i = 0; i < count; i++)
        if (!AlreadyJudged(&files[i])) ExamineGameFile(&files[i]);
}

// Refusals of files no longer listed as they were are forgotten.
static void KeepListedRefusals(const ListedFile *files, int count) {
    int kept = 0;
    for (int i = 0; i < RefusedCount; i++)
        if (Listed(files, count, &Refused[i])) Refused[kept++] = Refused[i];
    RefusedCount = kept;
}

int ScanGameFiles(void) {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    RefusedCount = 0;
    RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1);
    LoadRecord(0);
    ListedFile *files = (ListedFile *)Alloc(MAX_SCANNED_NAMES * (int32_t)sizeof(ListedFile));
    int count = 0;
    int matched = ListGameFiles(files, &count);
    JoinListedFiles(files, count);
    Free(files);
    if (!matched) return 0;
    Log("ゲームファイルが%d個見つかりました\n", GameCatalogue.GameCount);
    return 1;
}

// Every record is on disk whenever the menu is entered (a game's return saved it), so a game that
// leaves loses nothing: it joins again, records and all, when its file comes back.
int RescanGameFiles(void) {
    ListedFile *files = (ListedFile *)Alloc(MAX_SCANNED_NAMES * (int32_t)sizeof(ListedFile));
    int count = 0;
    ListGameFiles(files, &count);
    int32_t before = GameCatalogue.GameCount, left = 0;
    for (int32_t game = GameCatalogue.GameCount; game >= 1; game--) {
        if (Listed(files, count, &EntryFiles[game - 1])) continue;
        DropGame(game, GameFileAtHand(game) ? "its file changed" : "its file is gone");
        left += 1;
    }
    KeepListedRefusals(files, count);
    JoinListedFiles(files, count);
    Free(files);
    int32_t joined = GameCatalogue.GameCount - (before - left);
    if (left || joined) Log("rescan: %d games, %d joined, %d left\n", GameCatalogue.GameCount, joined, left);
    return left || joined;
}

int GameFileAtHand(int32_t game) {
    const GameEntry *entry = CatalogueGame(game);
    wchar_t path[PATH_CHARS], name[GAME_FILE_NAME_BYTES];
    if (!entry || !ToWide(EntryFiles[game - 1].name, name, GAME_FILE_NAME_BYTES)) return 0;
    int folder = EntryFiles[game - 1].folder == GAME_FOLDER_PLAYER ? GamesFolder(path, 0) : ModuleDirectory(path);
    if (!folder || wcslen(path) + wcslen(name) >= PATH_CHARS) return 0;
    wcscat(path, name);
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}
