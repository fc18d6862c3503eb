// game.ini values from anywhere: every key's text is judged as a reference reading of the rules
// judges it (integers read into 64 bits and wrapped to 32), and any two names are matched as a
// folded comparison would match them. Texts are exact-size heap copies, so ASan sees any overread.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "catalogue/ini_format.h"

namespace {
int32_t ReferenceInteger(const std::string &text) {
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos) return 0;
    int64_t sign = text[at] == '-' ? -1 : 1;
    if (text[at] == '-' || text[at] == '+') at++;
    uint64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; at++) value = value * 10 + (uint64_t)(text[at] - '0');
    return (int32_t)(uint32_t)(sign < 0 ? 0 - value : value);
}

std::string Upper(std::string text) {
    for (char &c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 32);
    return text;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const int key = data[0] % INI_KEYS;
    std::string text((const char *)data + 1, size - 1);
    text = text.substr(0, text.find('\0'));
    std::vector<char> copy(text.c_str(), text.c_str() + text.size() + 1);

    GameIniRecord ini;
    memset(&ini, 0xA5, sizeof ini);
    int taken = TakeIniValue(&ini, key, copy.data());
    int32_t n = ReferenceInteger(text);
    int expected = key == INI_GAMEID         ? text != "default" && text.size() < GAME_ID_BYTES
                   : key == INI_REQUIREVER   ? n <= 104
                   : key == INI_MAP_POSX || key == INI_MAP_POSY ? n > 0
                                                                 : 1;
    if (taken != expected) abort();
    if (taken && key == INI_GAMEID && text != ini.gameId) abort();
    if (key == INI_VER && (ini.readVersion != n || ini.version != (uint8_t)(n & 0xFF))) abort();
    if (taken && key == INI_MAP_POSX && ini.mapX != n) abort();
    if (key == INI_RANKING && ini.rankingEnabled != (n != 0)) abort();

    // The text split at its first '|' is a FILENAME value and a name on disk.
    size_t bar = text.find('|');
    std::string iniName = text.substr(0, bar), disk = bar == std::string::npos ? "" : text.substr(bar + 1);
    std::vector<char> name(iniName.c_str(), iniName.c_str() + iniName.size() + 1);
    std::vector<char> diskName(disk.c_str(), disk.c_str() + disk.size() + 1);
    int matched = MatchGameFileName(name.data(), diskName.data());
    int same = Upper(iniName) == Upper(disk) && Upper(iniName) != "DEFAULT.VYG";
    if (matched != (same ? (iniName.size() < GAME_FILE_NAME_BYTES ? 1 : -1) : 0)) abort();
    if (matched && Upper(iniName) != name.data()) abort();
    return 0;
}
