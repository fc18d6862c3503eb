// Save records and the user identity through the real configuration key and system folder: first
// run, damage and misplaced records, exact value sizes, and records surviving save-load cycles.
#include <windows.h>
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "harness.h"
#include "catalogue/catalogue.h"
#include "base/base.h"

namespace {
const char *ConfigKey = "Software\\Mossleaf\\" PRODUCT_TITLE "\\Config\\";

std::string IdentityPath() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\wtconf.ini";
}

void DeleteValue(const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ConfigKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

std::string ReadText(const char *name, uint32_t size) {
    std::string text(size, '\0');
    return ReadConfig(name, &text[0], size) ? text : std::string();
}

std::vector<uint8_t> ReadPlain(const char *name, int n) {
    std::string text = ReadText(name, RECORD_TEXT_BYTES(n));
    std::vector<uint8_t> plain(n);
    if (text.empty() || !DecodeRecord(text.c_str(), n, plain.data())) plain.clear();
    return plain;
}

void WritePlain(const char *name, const std::vector<uint8_t> &plain) {
    std::string text(RECORD_TEXT_BYTES(plain.size()), '\0');
    EncodeRecord(plain.data(), (int32_t)plain.size(), &text[0]);
    ASSERT_TRUE(WriteConfig(name, text.data(), (uint32_t)text.size()));
}

uint32_t U32(const std::vector<uint8_t> &bytes, size_t at) {
    uint32_t v;
    memcpy(&v, &bytes[at], 4);
    return v;
}

GameEntry &Game(int g) { return GameCatalogue.entries[g - 1]; }

// Started with "--save-and-die", this program saves a profile and one game's record, then is
// killed before it could tidy up anything.
struct SaveAndDie {
    SaveAndDie() {
        if (!strstr(GetCommandLineA(), "--save-and-die")) return;
        strcpy(Game(1).gameId, "svgame");
        Game(1).version = 123;
        GameCatalogue.GameCount = 1;
        LoadRecord(0);
        LoadRecord(1);
        GameCatalogue.ZumiTotal = 4242;
        Game(1).playCount = 9;
        SaveRecord(0);
        SaveRecord(1);
        TerminateProcess(GetCurrentProcess(), 3);
    }
} saveAndDie;

class SaveData : public ::testing::Test {
protected:
    void SetUp() override {
        LockSaveData();
        EnsureMainWindow();
        DeleteValue("RBSV100");
        DeleteValue("RBSVUSER");
        DeleteValue("svgame120");
        DeleteValue("svother120");
        for (const char *name : {"RBSV100", "svgame120"})
            for (int n = 1; n <= 4; n++) DeleteValue((std::string(name) + ".bad" + std::to_string(n)).c_str());
        DeleteFileA(IdentityPath().c_str());
        memset(&GameCatalogue, 0, sizeof GameCatalogue);
        strcpy(Game(1).gameId, "svgame");
        Game(1).version = 123;
        strcpy(Game(2).gameId, "svother");
        Game(2).version = 129;
        GameCatalogue.GameCount = 2;
    }
    void TearDown() override {
        UnlockSaveData();
    }
};
}  // namespace

TEST_F(SaveData, FirstRunMakesIdentityProfileAndZeroedGameRecordsSilently) {
    BoxWatcher watcher;
    LoadRecord(0);
    LoadRecord(1);
    EXPECT_TRUE(watcher.boxes.empty());

    char text[260] = "";
    GetPrivateProfileStringA("USER", "RBSV", "", text, sizeof text, IdentityPath().c_str());
    ASSERT_EQ(strlen(text), 18u);
    uint32_t id = 0;
    ASSERT_EQ(DecodeRecord(text, 4, &id), 1);
    EXPECT_EQ(GameCatalogue.UserId, id);

    std::vector<uint8_t> main = ReadPlain("RBSV100", 52);
    ASSERT_EQ(main.size(), 52u);
    EXPECT_EQ(U32(main, 0), id);
    EXPECT_EQ(std::string((char *)&main[4], 20), std::string("RBSV", 4) + std::string(16, '\0'));
    EXPECT_EQ(main[24], 104);
    EXPECT_EQ(U32(main, 28), 0u);
    EXPECT_STREQ((char *)&main[32], "あなた");
    EXPECT_STREQ(GameCatalogue.PlayerName, "あなた");

    std::vector<uint8_t> game = ReadPlain("svgame120", 448);
    ASSERT_EQ(game.size(), 448u);
    EXPECT_EQ(U32(game, 0), id);
    EXPECT_STREQ((char *)&game[4], "svgame");
    EXPECT_EQ(game[24], 123);
    EXPECT_EQ(std::vector<uint8_t>(game.begin() + 28, game.end()), std::vector<uint8_t>(420, 0));
    EXPECT_GE(CountInLog("load data svgame120\n"), 1);
}

TEST_F(SaveData, RecordsSurviveSaveAndLoadCyclesUnchangedUnderEverNewKeys) {
    BoxWatcher watcher;
    LoadRecord(0);
    LoadRecord(1);
    GameCatalogue.ZumiTotal = 98765;
    strcpy(GameCatalogue.PlayerName, "ロビナ");
    Game(1).playCount = 12;
    Game(1).clickCount = 99999999;
    strcpy(Game(1).rankNames[0], "ぽも");
    Game(1).rankScores[0] = 4321;
    strcpy(Game(1).rankLabels[9], "4321点");
    GameCatalogueRecord saved = GameCatalogue;
    std::vector<std::string> texts;
    for (int cycle = 0; cycle < 4; cycle++) {
        SaveRecord(0);
        SaveRecord(1);
        texts.push_back(ReadText("RBSV100", 115));
        memset(&GameCatalogue.UserId, 0, offsetof(GameCatalogueRecord, GameCount));
        memset(&Game(1).playCount, 0, GAME_SAVED_BYTES);
        LoadRecord(0);
        LoadRecord(1);
        ASSERT_EQ(memcmp(&GameCatalogue, &saved, sizeof saved), 0) << "cycle " << cycle;
    }
    EXPECT_TRUE(watcher.boxes.empty());
    // The key is drawn at every save: four equal texts would mean one key out of 105, four times.
    EXPECT_NE(std::count(texts.begin(), texts.end(), texts[0]), 4);
}

TEST_F(SaveData, RecordsSavedBeforeTheProgramIsKilledAreKept) {
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    ASSERT_EQ(RunChildProgram(program, "--save-and-die", NULL), 3);
    BoxWatcher watcher;
    LoadRecord(0);
    LoadRecord(1);
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(GameCatalogue.ZumiTotal, 4242);
    EXPECT_EQ(Game(1).playCount, 9u);
}

// Replaces one digit of a stored record text by another digit.
void ChangeDigit(const char *name, int size, int at) {
    std::string text = ReadText(name, size);
    text[at] = text[at] == '3' ? '4' : '3';
    ASSERT_TRUE(WriteConfig(name, text.data(), size));
}

TEST_F(SaveData, DamagedRecordsAreReportedReplacedAndRewritten) {
    LoadRecord(0);
    uint32_t id = GameCatalogue.UserId;
    GameCatalogue.ZumiTotal = 500;
    SaveRecord(0);
    ChangeDigit("RBSV100", 115, 40);
    {
        BoxWatcher watcher;
        LoadRecord(0);
        ASSERT_EQ(watcher.boxes.size(), 1u);
        EXPECT_EQ(watcher.boxes[0].caption, "エラー");
        EXPECT_EQ(watcher.boxes[0].text, "メインセーブデータが破損しています。");
    }
    EXPECT_EQ(GameCatalogue.ZumiTotal, 0);
    EXPECT_EQ(GameCatalogue.UserId, id);  // the identity file still holds it
    ASSERT_EQ(ReadPlain("RBSV100", 52).size(), 52u);

    LoadRecord(1);
    Game(1).playCount = 3;
    SaveRecord(1);
    ChangeDigit("svgame120", 907, 0);
    BoxWatcher watcher;
    LoadRecord(1);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "ゲームセーブデータが破損しています。");
    EXPECT_EQ(Game(1).playCount, 0u);
    EXPECT_EQ(U32(ReadPlain("svgame120", 448), 28), 0u);
}

TEST_F(SaveData, RecordsOfAnotherGameUserOrDecadeAreRefused) {
    LoadRecord(0);
    LoadRecord(1);
    Game(1).playCount = 7;
    SaveRecord(1);
    std::string copied = ReadText("svgame120", 907);
    ASSERT_TRUE(WriteConfig("svother120", copied.data(), 907));
    std::vector<uint8_t> foreign = ReadPlain("svgame120", 448);
    foreign[0] ^= 1;  // written while another main record was in force
    WritePlain("svgame120", foreign);
    std::vector<uint8_t> badTag = ReadPlain("RBSV100", 52);
    badTag[24] = 110;  // a shell of the next decade wrote it
    BoxWatcher watcher;
    LoadRecord(2);
    LoadRecord(1);
    WritePlain("RBSV100", badTag);
    LoadRecord(0);
    ASSERT_EQ(watcher.boxes.size(), 3u);
    EXPECT_EQ(watcher.boxes[0].text, "ゲームセーブデータ不正");
    EXPECT_EQ(watcher.boxes[1].text, "ゲームセーブデータ不正");
    EXPECT_EQ(watcher.boxes[2].text, "メインセーブデータ不正");
    EXPECT_EQ(Game(1).playCount, 0u);
    EXPECT_STREQ((char *)&ReadPlain("svother120", 448)[4], "svother");
    EXPECT_EQ(ReadPlain("RBSV100", 52)[24], 104);
}

TEST_F(SaveData, ValuesOfAnotherSizeAreMissingRecords) {
    LoadRecord(0);
    GameCatalogue.ZumiTotal = 77;
    SaveRecord(0);
    std::string text = ReadText("RBSV100", 115);
    BoxWatcher watcher;
    for (uint32_t size : {114u, 116u}) {
        std::string resized = text.substr(0, 113);  // zero-terminated texts one digit short or long
        if (size == 116) resized += "0A";
        resized += '\0';
        ASSERT_EQ(resized.size(), size);
        ASSERT_TRUE(WriteConfig("RBSV100", resized.data(), size));
        GameCatalogue.ZumiTotal = 77;
        LoadRecord(0);
        EXPECT_EQ(GameCatalogue.ZumiTotal, 0);
        EXPECT_EQ(ReadText("RBSV100", 115).size(), 115u);  // rewritten at its size
    }
    EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(SaveData, UnterminatedTextFieldsAreCutAtTheirWidths) {
    LoadRecord(0);
    LoadRecord(1);
    std::vector<uint8_t> main = ReadPlain("RBSV100", 52);
    memset(&main[32], 'N', 20);
    WritePlain("RBSV100", main);
    std::vector<uint8_t> game = ReadPlain("svgame120", 448);
    memset(&game[36], 'R', 170);
    memset(&game[248], 'L', 200);
    WritePlain("svgame120", game);
    LoadRecord(0);
    LoadRecord(1);
    EXPECT_EQ(std::string(GameCatalogue.PlayerName), std::string(19, 'N'));
    EXPECT_EQ(std::string(Game(1).rankNames[0]), std::string(16, 'R'));
    EXPECT_EQ(std::string(Game(1).rankLabels[9]), std::string(19, 'L'));
}

TEST_F(SaveData, IdentityLivesInTheConfigurationKeyWhenTheSystemFolderRefusesIt) {
    std::string path = IdentityPath();
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL));  // the profile file cannot be written
    uint32_t id = GetUserIdentity();
    uint32_t again = GetUserIdentity();
    RemoveDirectoryA(path.c_str());
    EXPECT_EQ(again, id);
    std::string kept = ReadText("RBSVUSER", 19);
    uint32_t stored = 0;
    ASSERT_EQ(DecodeRecord(kept.c_str(), 4, &stored), 1);
    EXPECT_EQ(stored, id);
    // Once the folder is writable again the kept number is still the identity.
    EXPECT_EQ(GetUserIdentity(), id);
}

// Entries past the catalogue's count are empty: their numbers must neither read nor write a record,
// not even one whose stale id and version still sit in the entry.
TEST_F(SaveData, NumbersPastTheCatalogueTouchNoRecord) {
    LoadRecord(0);
    int loadsBefore = CountInLog("load data svgame120\n");
    strcpy(Game(3).gameId, "svgame");
    Game(3).version = 123;
    Game(3).playCount = 5;
    for (int32_t game : {3, (int)MAX_GAMES, MAX_GAMES + 1, -1}) {
        SaveRecord(game);
        EXPECT_TRUE(ReadText("svgame120", 907).empty()) << game;
        LoadRecord(game);
        EXPECT_EQ(Game(3).playCount, 5u) << game;
    }
    EXPECT_EQ(CountInLog("load data svgame120\n"), loadsBefore);
}

// Raw bytes of a value of any size, or empty when it is missing.
std::string RawValue(const std::string &name) {
    HKEY key;
    std::string bytes;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return bytes;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), NULL, NULL, NULL, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        RegQueryValueExA(key, name.c_str(), NULL, NULL, (BYTE *)&bytes[0], &size);
    }
    RegCloseKey(key);
    return bytes;
}

// Every replaced record keeps its bytes beside it, the latest three of them, whatever was wrong.
TEST_F(SaveData, ReplacedRecordsKeepTheirBytesInTheLatestThreeBackups) {
    LoadRecord(0);
    LoadRecord(1);
    struct Damage { const char *name; int game; int size; std::function<void(std::string &)> spoil; };
    const Damage damages[] = {
        {"RBSV100", 0, 115, [](std::string &t) { t[40] = t[40] == '3' ? '4' : '3'; }},
        {"svgame120", 1, 907, [](std::string &t) { t[0] = t[0] == '3' ? '4' : '3'; }},
        {"svgame120", 1, 907, [](std::string &t) { t = t.substr(0, 500) + '\0'; }},  // cut short
        {"RBSV100", 0, 115, [](std::string &t) { t += "00"; }},
        {"svgame120", 1, 907, [](std::string &t) { t[100] = 'x'; }},
        {"svgame120", 1, 907, [](std::string &t) { t[905] = t[905] == '3' ? '4' : '3'; }},  // the checksum
    };
    std::map<std::string, std::vector<std::string>> spoilt;  // per value, latest first
    BoxWatcher watcher;
    for (const Damage &d : damages) {
        std::string text = RawValue(d.name);
        ASSERT_EQ(text.size(), (size_t)d.size);
        d.spoil(text);
        ASSERT_NE(text, RawValue(d.name));
        ASSERT_TRUE(WriteConfig(d.name, text.data(), (uint32_t)text.size()));
        spoilt[d.name].insert(spoilt[d.name].begin(), RawValue(d.name));  // as the registry keeps it
        int logged = CountInLog(std::string("replaced record ") + d.name + " kept as " + d.name + ".bad1\n");
        LoadRecord(d.game);
        EXPECT_EQ(RawValue(d.name).size(), (size_t)d.size) << "a fresh record in its place";
        EXPECT_EQ(CountInLog(std::string("replaced record ") + d.name + " kept as " + d.name + ".bad1\n"), logged + 1);
    }
    // A record made where none was (the value deleted by hand) moves no backup.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ConfigKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "svgame120");
    RegCloseKey(key);
    LoadRecord(1);
    for (const auto &value : spoilt)
        for (int n = 1; n <= 4; n++)
            EXPECT_EQ(RawValue(value.first + ".bad" + std::to_string(n)),
                      n <= 3 && n <= (int)value.second.size() ? value.second[n - 1] : std::string())
                << value.first << ".bad" << n;
    EXPECT_EQ(watcher.boxes.size(), 4u) << "the damaged ones are still reported; values of another size are not";
}
