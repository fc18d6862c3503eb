// The game catalogue: the installed games found at boot with their saved records, the player's
// profile, the file association of game files, and the save records in the configuration key.
// Game g (counted from 1, as SelectedGame) is GameCatalogue.entries[g - 1].
#ifndef ROBINA_CATALOGUE_H
#define ROBINA_CATALOGUE_H

#include <stddef.h>
#include <stdint.h>
#include "catalogue/save_format.h"
#include "catalogue/rank_format.h"

enum {
    MAX_GAMES = 30,
    MAX_PATH_BYTES = 260,       // a file name in Shift-JIS, terminator included
    RANK_COUNT = TOP_TEN,
    GAME_SAVED_BYTES = 420,     // playCount up to the end of rankLabels, as stored in a game record
    MAIN_RECORD_BYTES = 52,
    GAME_RECORD_BYTES = 448,
    IDENTITY_RECORD_BYTES = 4,
    COUNT_CAP = 99999999,       // play and click counts stop here (eight digits on the records page)
};

extern const int32_t ShellVersion;  // the shell's version in hundredths: 104 is 1.04

typedef struct GameEntry {
    char fileName[30];              // game file name, upper case, zero-terminated
    char gameId[20];                // GAMEID: the stem of the save record's value name
    uint8_t version;                // VER in hundredths, modulo 256
    uint8_t reserved;
    // saved part: GAME_SAVED_BYTES from playCount on, stored byte for byte in the game record
    uint32_t playCount;             // launches, capped at 99,999,999
    uint32_t clickCount;            // button presses during play, capped at 99,999,999
    char rankNames[RANK_COUNT][RANK_NAME_BYTES];  // player names of ranks 1 to 10
    uint8_t rankPad[2];
    uint32_t rankScores[RANK_COUNT];    // never increasing; 0 is an empty rank
    char rankLabels[RANK_COUNT][RANK_LABEL_BYTES];  // each ranked score as the game showed it
    // end of the saved part
    int32_t rankingEnabled;         // 1: the game has a records page and can send its top score
    int32_t mapX;                   // destination point on the map, play-area pixels, > 0
    int32_t mapY;
} GameEntry;

typedef struct GameCatalogueRecord {
    uint32_t UserId;                // ties the game records to this player's main record
    char PlayerName[20];            // Shift-JIS, zero-terminated
    int32_t ZumiTotal;              // collected total
    uint8_t GameCount;              // entries in use, 0 to MAX_GAMES
    GameEntry entries[MAX_GAMES];
} GameCatalogueRecord;

static_assert(offsetof(GameEntry, playCount) == 52, "saved part starts on a 4-byte boundary");
static_assert(offsetof(GameEntry, rankingEnabled) - offsetof(GameEntry, playCount) == GAME_SAVED_BYTES,
              "saved part is exactly the stored bytes");
static_assert(offsetof(GameEntry, rankScores) - offsetof(GameEntry, playCount) == 180, "score table");
static_assert(sizeof(GameEntry) == 484, "entry layout");

extern GameCatalogueRecord GameCatalogue;  // zeroed and filled by ScanGameFiles
extern uint8_t SelectedGame;               // game chosen in the menu, from 1; 0: none

// --- scan and game.ini (catalogue.cpp) ---
enum { GAME_FOLDER_PROGRAM = 0, GAME_FOLDER_PLAYER = 1 };  // where a game file lies
int ScanGameFiles(void);                   // 0: no file matched "*.vyg" in either folder
// Games whose file is gone or changed leave the catalogue, files that are new or changed join it;
// the others keep their entries, numbers shifting down past a game that left. 1: anything changed.
int RescanGameFiles(void);
int GameFileAtHand(int32_t game);          // 1: game's file still lies where it was found
// Game numbers count from 1; a number past GameCount names no game, and its entry is not to be read.
GameEntry *CatalogueGame(int32_t game);    // the entry of game number game, or null
int ReadGameIni(GameEntry *entry);         // the game file must be the current pack; 1: acceptable
int ReadGameIniKeys(GameEntry *entry, int *refusingKey);  // the same; on 0, the key (INI_*) that refused it
enum { INI_VALUE_BYTES = 260 };            // a game.ini value as read, terminator included
int ReadIniFileName(char *fileName);       // FILENAME of the current pack; 0: none given
int32_t ReadIniNumber(const char *key);    // a number of the current pack's game.ini; 0 when missing
int HasGameId(const char *gameId);         // 1: the current pack's game.ini gives exactly this GAMEID

// --- a game file offered from outside the game folders (gamefile.cpp) ---
// The rule a game file breaks, in the order they are checked.
enum GameFileRule {
    GAME_FILE_FITS, GAME_FILE_MISSING, GAME_FILE_NAME_UNFIT, GAME_FILE_TOO_LARGE, GAME_FILE_UNREADABLE, GAME_FILE_NOT_PACK,
    GAME_FILE_NO_INI, GAME_FILE_NAME_MISMATCH, GAME_FILE_NAME_TOO_LONG, GAME_FILE_NO_ID, GAME_FILE_NEWER_SHELL,
    GAME_FILE_NO_MAP_POINT,
};
typedef struct GameFileFacts {
    char diskName[MAX_PATH_BYTES];  // the file's own name, Shift-JIS
    char iniName[INI_VALUE_BYTES];  // FILENAME as game.ini gives it; "" when it gives none
    GameEntry entry;                // fileName, gameId, version, map point, as a scan would take them
    int32_t readVersion;            // VER in hundredths as written
    int32_t requiredVersion;        // REQUIREVER in hundredths
} GameFileFacts;
// A game file is cached whole to be judged: past this size one is refused rather than risk running
// out of memory in a running program.
enum { GAME_FILE_BYTES_MAX = 256 << 20 };
enum { COPY_DONE, COPY_FOLDER_FAILED, COPY_WRITE_FAILED, COPY_RENAME_FAILED };
int FullGamePath(const wchar_t *given, wchar_t *path);  // full and long form, PATH_CHARS; 0: too long
int InGameFolders(const wchar_t *path);    // 1: a full path of a file in the program's or the games folder
// Judges the file at a full path by the scan's rules; it stays the current pack. GAME_FILE_FITS or
// the rule it breaks; facts holds what could be read.
int CheckGameFile(const wchar_t *path, GameFileFacts *facts);
// A file of this name (case ignored) in the program's folder, else in the games folder: 1, its full
// path as the folder spells it and where (GAME_FOLDER_*).
int FindGameFile(const wchar_t *name, wchar_t *path, int32_t *where);
int SameFileBytes(const wchar_t *path, const uint8_t *bytes, uint32_t size);  // 1: exactly these bytes
// Writes bytes under a temporary name beside target, then renames it to target (replacing a file
// there only when replace is 1); nothing is left on failure. COPY_DONE or the step that failed, with
// the system's error code.
int PlaceGameFile(const wchar_t *target, const uint8_t *bytes, uint32_t size, int replace, uint32_t *error);

// --- high scores (highscore.cpp); the name is asked for by the caller ---
enum { PLAYER_NAME_BYTES_MAX = 12 };       // longest name the player may enter
int HighScoreRank(int game, uint32_t score);  // 1 to 10: the rank the score would take; 0: none
void UpdateHighScore(int game, int32_t zumi, uint32_t score, const char *label, size_t labelSize,
                     const char *name);

// --- file association (association.cpp) ---
int RegisterGameFileType(const char *extension, const char *description, int32_t icon);
// Removes the association from the user's and the machine's classes where it starts this program.
enum { UNREGISTER_REMOVED, UNREGISTER_NOT_OURS, UNREGISTER_REFUSED };
int UnregisterGameFileType(const char *extension);

// --- save records and identity (savedata.cpp) ---
void LoadRecord(int32_t game);             // 0: the main record
void SaveRecord(int32_t game);
int RecordTakenBy(const GameEntry *entry);  // the game already saving under this entry's record name; 0: none
uint32_t GetUserIdentity(void);
// Writes the RECORD_TEXT_BYTES(n) text of n plain bytes with a freshly drawn key.
void EncodeRecord(const void *plain, int32_t n, char *text);

#endif
