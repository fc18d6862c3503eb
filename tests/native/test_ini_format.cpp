// The game.ini rules on the texts read: lenient integers, the value of each key that refuses a
// game, what the entry keeps, and the match of FILENAME with the file's own name.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "catalogue/ini_format.h"

TEST(IniFormat, IntegersAreReadLeniently) {
    struct Case { const char *text; int32_t value; } cases[] = {
        {"", 0}, {"abc", 0}, {" +12x3", 12}, {"\t-5", -5}, {"--1", 0}, {"1 2", 1}, {"- 4", 0},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"4294967297", 1}, {"007", 7},
    };
    for (const Case &c : cases) EXPECT_EQ(LenientInteger(c.text), c.value) << c.text;
}

TEST(IniFormat, EveryKeyAcceptsOrRefuses) {
    const std::string id19(19, 'i'), id20(20, 'i');
    struct Case { int key; std::string text; int accepted; } cases[] = {
        {INI_GAMEID, "default", 0}, {INI_GAMEID, "Default", 1}, {INI_GAMEID, id19, 1}, {INI_GAMEID, id20, 0},
        {INI_VER, "-7", 1},
        {INI_REQUIREVER, "104", 1}, {INI_REQUIREVER, "105", 0}, {INI_REQUIREVER, "-99999", 1},
        {INI_MAP_POSX, "1", 1}, {INI_MAP_POSX, "0", 0}, {INI_MAP_POSX, "abc", 0}, {INI_MAP_POSY, "-5", 0},
        {INI_MAP_POSY, "4294967297", 1}, {INI_RANKING, "0", 1}, {INI_RANKING, "x", 1},
    };
    for (const Case &c : cases) {
        GameIniRecord ini = {};
        EXPECT_EQ(TakeIniValue(&ini, c.key, c.text.c_str()), c.accepted) << GameIniKeys[c.key].name << "=" << c.text;
    }
    // Missing keys: only GAMEID and the map position refuse the game.
    for (int key = 0; key < INI_KEYS; key++) {
        GameIniRecord ini = {};
        bool refuses = key == INI_GAMEID || key == INI_MAP_POSX || key == INI_MAP_POSY;
        EXPECT_EQ(TakeIniValue(&ini, key, GameIniKeys[key].fallback), !refuses) << GameIniKeys[key].name;
    }
}

TEST(IniFormat, AnAcceptedGameKeepsItsValues) {
    const char *texts[INI_KEYS] = {"ctver", "300", "104", " +12x3", "20", "2"};
    GameIniRecord ini = {};
    for (int key = 0; key < INI_KEYS; key++) ASSERT_EQ(TakeIniValue(&ini, key, texts[key]), 1) << key;
    EXPECT_STREQ(ini.gameId, "ctver");
    EXPECT_EQ(ini.readVersion, 300);
    EXPECT_EQ(ini.version, 44);
    EXPECT_EQ(ini.mapX, 12);
    EXPECT_EQ(ini.mapY, 20);
    EXPECT_EQ(ini.rankingEnabled, 1);
}

TEST(IniFormat, FileNameMatchesTheNameOnDiskFoldedToUpperCase) {
    const std::string name29 = std::string(25, 'n') + ".vyg", name30 = std::string(26, 'n') + ".vyg";
    struct Case { std::string ini, disk; int matched; std::string kept; } cases[] = {
        {"Tour1.VYG", "tour1.vyg", 1, "TOUR1.VYG"},
        {"Tour1.VYG", "tour2.vyg", 0, ""},
        {"tour1.vyg", "tour1.vyg2", 0, ""},
        {"tour1.vyg2", "tour1.vyg", 0, ""},
        {"default.vyg", "DEFAULT.VYG", 0, ""},
        {"default.vyg", "tour1.vyg", 0, ""},
        // Shift-JIS: second bytes 0x61..0x7A are never folded (ロビナ is 83 8D 83 72 83 69; ロコオ,
        // 83 8D 83 52 83 49, is what a byte-wise fold made of it).
        {"\x83\x8d\x83\x72\x83\x69.vyg", "\x83\x8d\x83\x72\x83\x69.VYG", 1, "\x83\x8d\x83\x72\x83\x69.VYG"},
        {"\x83\x8d\x83\x72\x83\x69.vyg", "\x83\x8d\x83\x52\x83\x49.vyg", 0, ""},
        {"\x83\x8d\x83\x52\x83\x49.vyg", "\x83\x8d\x83\x72\x83\x69.vyg", 0, ""},
        {"\x83\x61.vyg", "\x83\x41.VYG", 0, ""},
        {"a\x83\x72" "b.vyg", "A\x83\x72" "B.VYG", 1, "A\x83\x72" "B.VYG"},
        {"ab\x83", "AB\x83", 1, "AB\x83"},  // a lead byte with nothing after it ends the text
        {name29, name29, 1, std::string(25, 'N') + ".VYG"},
        {name30, name30, -1, std::string(26, 'N') + ".VYG"},
    };
    for (const Case &c : cases) {
        std::string ini = c.ini;
        EXPECT_EQ(MatchGameFileName(&ini[0], c.disk.c_str()), c.matched) << c.ini << " on disk as " << c.disk;
        if (c.matched) {
            EXPECT_EQ(ini, c.kept);
        }
    }
}
