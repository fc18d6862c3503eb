// The rules of game.ini's values; see ini_format.h. A number is read as far as its digits go and
// never refuses a game by itself; an id is refused rather than cut; a file name is compared folded.
#include "catalogue/ini_format.h"
#include <string.h>
#include "base/text_format.h"

const IniKey GameIniKeys[INI_KEYS] = {
    {"GAMEID", "default"},
    {"VER", "0"},
    {"REQUIREVER", "0"},
    {"MAP_POSX", "0"},
    {"MAP_POSY", "0"},
    {"RANKING", "0"},
};
const char DefaultGameFileName[] = "default.vyg";

int32_t LenientInteger(const char *text) {
    while (*text == ' ' || *text == '\t') text++;
    int negative = *text == '-';
    if (*text == '-' || *text == '+') text++;
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; text++) value = value * 10u + (uint32_t)(*text - '0');
    return (int32_t)(negative ? 0u - value : value);
}

int TakeIniValue(GameIniRecord *ini, int key, const char *text) {
    int32_t number = LenientInteger(text);
    switch (key) {
    case INI_GAMEID:
        // Refused rather than cut: a cut id could name another game's save record.
        if (strcmp(text, GameIniKeys[INI_GAMEID].fallback) == 0 || strlen(text) >= GAME_ID_BYTES) return 0;
        strcpy(ini->gameId, text);
        return 1;
    case INI_VER:
        ini->readVersion = number;
        ini->version = (uint8_t)number;
        return 1;
    case INI_REQUIREVER:
        return number <= SHELL_VERSION;
    case INI_MAP_POSX:
        ini->mapX = number;
        return number > 0;
    case INI_MAP_POSY:
        ini->mapY = number;
        return number > 0;
    case INI_RANKING:
        ini->rankingEnabled = number != 0;
        return 1;
    }
    return 0;
}

int MatchGameFileName(char *iniName, const char *diskName) {
    FoldShiftJisUpper(iniName);
    if (!SameShiftJisFolded(iniName, diskName) || SameShiftJisFolded(iniName, DefaultGameFileName)) return 0;
    return strlen(iniName) < GAME_FILE_NAME_BYTES ? 1 : -1;
}
