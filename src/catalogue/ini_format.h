// The rules of a game file's game.ini, applied to the texts read from it: which names and values
// refuse a game and what its catalogue entry keeps. Portable: no Windows header.
#ifndef ROBINA_INI_FORMAT_H
#define ROBINA_INI_FORMAT_H

#include <stdint.h>

// The shell's version in hundredths (104 is 1.04) is set once, in the top CMakeLists.txt.
enum { SHELL_VERSION = ROBINA_SHELL_VERSION_HUNDREDTHS, GAME_FILE_NAME_BYTES = 30, GAME_ID_BYTES = 20 };

// The keys after FILENAME, in the order they are read; a missing key reads as its fallback.
enum { INI_GAMEID, INI_VER, INI_REQUIREVER, INI_MAP_POSX, INI_MAP_POSY, INI_RANKING, INI_KEYS };
typedef struct IniKey {
    const char *name;
    const char *fallback;
} IniKey;
extern const IniKey GameIniKeys[INI_KEYS];
extern const char DefaultGameFileName[];  // FILENAME when missing; never a game

typedef struct GameIniRecord {
    char gameId[GAME_ID_BYTES];  // never "default", never cut
    int32_t readVersion;         // VER in hundredths as written
    uint8_t version;             // VER kept modulo 256
    int32_t mapX, mapY;          // destination point on the map, both above 0
    int32_t rankingEnabled;      // 1 when RANKING is not 0
} GameIniRecord;

// Optional blanks and sign, then decimal digits up to the first other character (none: 0); wraps
// at 32 bits.
int32_t LenientInteger(const char *text);

// Takes the text of one key into the record; 0 when the value refuses the game.
int TakeIniValue(GameIniRecord *ini, int key, const char *text);

// Folds FILENAME (iniName) to upper case in place and compares it with the file's name on disk,
// single-byte a to z folded (never the second byte of a double-byte character). 1: the file is this game; -1: it is, but the name does not fit a catalogue entry;
// 0: not a game of this name, or the default name.
int MatchGameFileName(char *iniName, const char *diskName);

#endif
