// The scan of game files made here, in this program's folder (this program owns every scan test:
// other test programs' game files lying there are never acceptable games), and the file
// association, read back after registering from here and from a copy in a folder with blanks, and
// from the user's own classes when the classes root refuses it.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <algorithm>
#include <string>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "catalogue/catalogue.h"
#include "pack/pack.h"
#include "pack/pack_format.h"
#include "base/base.h"

namespace {
const char USER_CLASSES[] = "Software\\Classes";

std::string ClassValue(const char *key, HKEY root = HKEY_CLASSES_ROOT) {
    char value[1024] = "";
    LONG size = sizeof value;
    if (RegQueryValueA(root, key, value, &size) != ERROR_SUCCESS) return "<missing>";
    return value;
}

std::string ProgramPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    return path;
}

void ExpectAssociationOf(const std::string &program, HKEY root = HKEY_CLASSES_ROOT) {
    EXPECT_EQ(ClassValue(".vyg", root), "PomoRobina.vyg");
    EXPECT_EQ(ClassValue("PomoRobina.vyg", root), "ロビナ旅先ファイル");
    EXPECT_EQ(ClassValue("PomoRobina.vyg\\DefaultIcon", root), program + ",1");
    EXPECT_EQ(ClassValue("PomoRobina.vyg\\shell\\open\\command", root), "\"" + program + "\" \"%1\"");
}

void DeleteAssociation(HKEY root) {
    RegDeleteTreeA(root, "PomoRobina.vyg");
    RegDeleteKeyA(root, "PomoRobina.vyg");
    RegDeleteKeyA(root, ".vyg");
}
}  // namespace

TEST(Association, PointsAtTheRunningProgram) {
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    ExpectAssociationOf(ProgramPath());
}

TEST(Association, FollowsTheProgramToAFolderWithBlanks) {
    std::string moved = Folder() + "game shell copy\\";
    std::string copy = moved + "robina test.exe";
    CreateDirectoryA(moved.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(RunChildProgram(copy, "--gtest_filter=Association.PointsAtTheRunningProgram", moved.c_str()), 0);
    ExpectAssociationOf(copy);  // the whole path in quotes, blanks and all
    EXPECT_NE(copy.find(" copy\\robina test.exe"), std::string::npos);

    // Started once from its first folder again, the program takes all four entries back.
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    ExpectAssociationOf(ProgramPath());
    DeleteFileA(copy.c_str());
    DeleteFileA((moved + "debughqx.bin").c_str());
    DeleteFileA((moved + "debug.log").c_str());
    EXPECT_TRUE(RemoveDirectoryA(moved.c_str()));
}

// A class key that takes no lasting subkeys (a volatile one) refuses the icon's entry, as the classes
// root refuses a standard user: the four entries then go to the user's own classes.
TEST(Association, RefusedByTheClassesRootGoesToTheUsersClasses) {
    HKEY user, refusing;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, USER_CLASSES, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &user, NULL), 0);
    DeleteAssociation(user);
    DeleteAssociation(HKEY_CLASSES_ROOT);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "PomoRobina.vyg", 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              NULL, &refusing, NULL), 0);
    RegCloseKey(refusing);
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    ExpectAssociationOf(ProgramPath(), user);
    EXPECT_EQ(ClassValue("Software\\Classes\\PomoRobina.vyg\\DefaultIcon", HKEY_LOCAL_MACHINE), "<missing>");

    DeleteAssociation(user);
    RegCloseKey(user);
    DeleteAssociation(HKEY_CLASSES_ROOT);
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    ExpectAssociationOf(ProgramPath());
}

namespace {
void SetClassValue(HKEY root, const std::string &key, const std::string &value, const char *name = NULL) {
    HKEY opened;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &opened, NULL), 0);
    RegSetValueExA(opened, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(opened);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return (char)toupper((unsigned char)c); });
    return text;
}
}  // namespace

// Taken away only where the open command starts this very program, in every form it was ever
// written; another copy's association stays, and so do other programs' entries in the extension's key.
TEST(Association, UnregisterTakesAwayOnlyWhatStartsThisProgram) {
    HKEY user;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, USER_CLASSES, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &user, NULL), 0);
    const std::string program = ProgramPath();
    struct Case {
        std::string command;
        int outcome;
        bool otherEntry;  // the extension's key also holds another program's value
    } cases[] = {
        {"\"" + program + "\" \"%1\"", UNREGISTER_REMOVED, false},
        {program + " %1", UNREGISTER_REMOVED, true},  // unquoted, as early versions wrote it
        {"\"" + Upper(program) + "\" \"%1\"", UNREGISTER_REMOVED, false},
        {"\"C:\\Other Copy\\Robina.exe\" \"%1\"", UNREGISTER_NOT_OURS, false},
        {"\"" + program + "x\" \"%1\"", UNREGISTER_NOT_OURS, true},
        {"", UNREGISTER_NOT_OURS, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        DeleteAssociation(user);
        DeleteAssociation(HKEY_CLASSES_ROOT);
        SetClassValue(user, "PomoRobina.vyg\\shell\\open\\command", c.command);
        SetClassValue(user, ".vyg", "PomoRobina.vyg");
        if (c.otherEntry) SetClassValue(user, ".vyg", "text/plain", "Content Type");
        EXPECT_EQ(UnregisterGameFileType(".vyg"), c.outcome);
        bool removed = c.outcome == UNREGISTER_REMOVED;
        EXPECT_EQ(ClassValue("PomoRobina.vyg\\shell\\open\\command", user), removed ? "<missing>" : c.command);
        EXPECT_EQ(ClassValue(".vyg", user), !removed ? "PomoRobina.vyg" : c.otherEntry ? "" : "<missing>");
    }
    // The machine's classes as the program's own start writes them, beside another copy's in the user's.
    DeleteAssociation(user);
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    SetClassValue(user, "PomoRobina.vyg\\shell\\open\\command", "\"C:\\Other Copy\\Robina.exe\" \"%1\"");
    EXPECT_EQ(UnregisterGameFileType(".vyg"), UNREGISTER_REMOVED);
    EXPECT_EQ(ClassValue("Software\\Classes\\PomoRobina.vyg", HKEY_LOCAL_MACHINE), "<missing>");
    EXPECT_EQ(ClassValue("PomoRobina.vyg\\shell\\open\\command", user), "\"C:\\Other Copy\\Robina.exe\" \"%1\"");
    DeleteAssociation(user);
    RegCloseKey(user);
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
}

namespace {
// A game.ini of an acceptable game; extra lines come after the defaults, and a key given twice
// keeps its first value, so a test removes a default by naming it in drop.
std::string Ini(const std::string &fileName, const std::string &gameId, const std::string &extra = "",
                const std::string &drop = "") {
    std::string text = "[Robina]\r\n";
    std::vector<std::string> lines = {"FILENAME=" + fileName, "GAMEID=" + gameId, "VER=100",
                                      "REQUIREVER=100", "MAP_POSX=10", "MAP_POSY=20", "RANKING=0"};
    for (const std::string &line : lines) {
        std::string key = line.substr(0, line.find('='));
        if (key != drop && ("\n" + extra).find("\n" + key + "=") == std::string::npos) text += line + "\r\n";
    }
    return text + extra;
}

class Scan : public ::testing::Test {
protected:
    std::vector<std::string> made;  // game files this test wrote

    // A game file holding a game.ini (none when ini is empty) and a game.dll.
    void MakeGame(const std::string &name, const std::string &ini) {
        Members members;
        if (!ini.empty()) members.push_back({"game.ini", ini});
        members.push_back({"game.dll", "MZ not a library"});
        WriteGameFile(name, members);
        made.push_back(name);
    }

    // The names of this test's game files in the order the system lists the folder.
    std::vector<std::string> SystemOrder() {
        std::vector<std::string> order;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((Folder() + "*.vyg").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return order;
        do {
            if (std::find(made.begin(), made.end(), found.cFileName) != made.end())
                order.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return order;
    }

    const GameEntry *Find(const char *fileName) {
        for (int i = 0; i < GameCatalogue.GameCount; i++)
            if (strcmp(GameCatalogue.entries[i].fileName, fileName) == 0) return &GameCatalogue.entries[i];
        return nullptr;
    }

    // Runs a scan; returns what it logged (after a mark, as the log starts afresh at its first line).
    std::string RunScan() {
        static int scans = 0;
        std::string mark = "-- scan " + std::to_string(++scans) + "\n";
        Log("%s", mark.c_str());
        BoxWatcher watcher;
        EXPECT_EQ(ScanGameFiles(), 1);
        EXPECT_TRUE(watcher.boxes.empty());
        std::string log = ReadLog();
        size_t at = log.rfind(mark);
        EXPECT_NE(at, std::string::npos);
        return at == std::string::npos ? log : log.substr(at + mark.size());
    }

    // The player's games folder of this program's own prefix, with its final backslash.
    static std::string GamesFolderPath() {
        wchar_t wide[PATH_CHARS];
        char path[2 * PATH_CHARS] = "";
        if (GamesFolder(wide, 1)) FromWide(wide, path, sizeof path);
        return path;
    }

    void SetUp() override {
        LockSaveData();
        EnsureMainWindow();
        ForgetTestRecords();
        // Game files an interrupted run of this program left behind would be games of every test.
        for (const std::string &folder : {Folder(), GamesFolderPath()})
            for (const char *pattern : {"ct*.vyg", "tour?.vyg", "default.vyg"}) {
                WIN32_FIND_DATAA found;
                HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
                if (search == INVALID_HANDLE_VALUE) continue;
                do DeleteFileA((folder + found.cFileName).c_str());
                while (FindNextFileA(search, &found));
                FindClose(search);
            }
    }
    void TearDown() override {
        for (const std::string &name : made) DeleteFileA((Folder() + name).c_str());
        ForgetTestRecords();
        UnlockSaveData();
    }
    // Game records of earlier runs may belong to another identity: start every test without them.
    static void ForgetTestRecords() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Mossleaf\\" PRODUCT_TITLE "\\Config\\", 0,
                          KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0, size = sizeof name; RegEnumValueA(key, i, name, &size, 0, 0, 0, 0) == ERROR_SUCCESS;
             i++, size = sizeof name)
            if (strncmp(name, "ct", 2) == 0) names.push_back(name);
        for (const std::string &n : names) RegDeleteValueA(key, n.c_str());
        RegCloseKey(key);
    }
};
}  // namespace

TEST_F(Scan, AGameFileIsFoundOnlyUnderTheNameItsIniGives) {
    MakeGame("tour1.vyg", Ini("Tour1.VYG", "cttour"));
    MakeGame("default.vyg", Ini("default.vyg", "ctdefault"));
    MakeGame("ctnoini.vyg", "");
    std::string log = RunScan();
    const GameEntry *tour = Find("TOUR1.VYG");
    ASSERT_TRUE(tour);
    EXPECT_STREQ(tour->gameId, "cttour");
    EXPECT_EQ(tour->playCount, 0u);
    EXPECT_NE(log.find("find vyg file : TOUR1.VYG\n"), std::string::npos);
    EXPECT_NE(log.find("set vyg file : TOUR1.VYG(ver1.00)\nload data cttour100\n"), std::string::npos);
    EXPECT_EQ(log.find("failed : read ini file\n"), std::string::npos);
    EXPECT_EQ(log.find("DEFAULT.VYG"), std::string::npos);
    EXPECT_EQ(log.find("CTNOINI.VYG"), std::string::npos);
    EXPECT_FALSE(Find("DEFAULT.VYG"));
    char expected[64];
    snprintf(expected, sizeof expected, "ゲームファイルが%d個見つかりました\n", GameCatalogue.GameCount);
    EXPECT_NE(log.find(expected), std::string::npos);

    ASSERT_TRUE(MoveFileA((Folder() + "tour1.vyg").c_str(), (Folder() + "tour2.vyg").c_str()));
    made.push_back("tour2.vyg");
    log = RunScan();
    EXPECT_FALSE(Find("TOUR1.VYG"));
    EXPECT_FALSE(Find("TOUR2.VYG"));
    EXPECT_EQ(log.find("TOUR"), std::string::npos);
    EXPECT_EQ(log.find("failed : read ini file\n"), std::string::npos);
}

// A file's name is Shift-JIS only to be compared and shown: a Japanese name whose second bytes lie in
// a..z is found under its own name, and one with no Shift-JIS form is passed over with a line. (This
// runs under the English and Chinese code pages too: the files are made through the wide functions.)
TEST_F(Scan, NamesOfEveryScriptAreFoundOrPassedOverWithALine) {
    const std::string robina = "\x83\x8d\x83\x72\x83\x69.vyg";  // ロビナ.vyg
    MakeGame("ctsource.bin", Ini(robina, "ctrobina"));
    const std::string ascii = Folder();
    const std::wstring folder(ascii.begin(), ascii.end());  // an ASCII path
    const std::wstring names[] = {folder + L"ロビナ.vyg", folder + L"ctzoë.vyg"};
    for (const std::wstring &name : names) ASSERT_TRUE(CopyFileW((folder + L"ctsource.bin").c_str(), name.c_str(), FALSE));
    std::string log = RunScan();
    for (const std::wstring &name : names) DeleteFileW(name.c_str());
    const GameEntry *found = Find("\x83\x8d\x83\x72\x83\x69.VYG");
    ASSERT_TRUE(found) << Readable(log);
    EXPECT_STREQ(found->gameId, "ctrobina");
    EXPECT_NE(log.find("passed over ctzo?.vyg: its name has no Shift-JIS form\n"), std::string::npos) << Readable(log);
    EXPECT_EQ(log.find("CTZO"), std::string::npos);
}

// "ctdup" 1.20, "ctdup1" 0.20 and "ctdup" 1.25 all save as "ctdup120": only the first found is a game.
TEST_F(Scan, GamesOfOneRecordNameLeaveItToTheFirstFound) {
    MakeGame("ctdupa.vyg", Ini("ctdupa.vyg", "ctdup", "VER=120\r\n"));
    MakeGame("ctdupb.vyg", Ini("ctdupb.vyg", "ctdup1", "VER=20\r\n"));
    MakeGame("ctdupc.vyg", Ini("ctdupc.vyg", "ctdup", "VER=125\r\n"));
    std::string log = RunScan();
    std::vector<std::string> order = SystemOrder();
    ASSERT_EQ(order.size(), 3u);
    for (std::string &name : order) std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    for (size_t i = 0; i < order.size(); i++) {
        EXPECT_EQ(Find(order[i].c_str()) != nullptr, i == 0) << order[i];
        std::string refused = order[i] + " not added: its record belongs to " + order[0] + "\n";
        EXPECT_EQ(log.find(refused) != std::string::npos, i > 0) << order[i];
    }
}

TEST_F(Scan, EveryIniRuleAcceptsOrRejects) {
    struct Case { std::string name, gameId, extra, drop; bool accepted; };
    const std::string id19 = "ctid19" + std::string(13, 'c'), id20 = "ctid20" + std::string(14, 'd');
    const std::string name29 = "ct29" + std::string(21, 'a'), name30 = "ct30" + std::string(22, 'b');
    const Case cases[] = {
        {"ctreq104", "ctreq104", "REQUIREVER=104\r\n", "", true},
        {"ctreq105", "ctreq105", "REQUIREVER=105\r\n", "", false},
        {"ctnoreq", "ctnoreq", "", "REQUIREVER", true},
        {"ctnoid", "", "", "GAMEID", false},
        {"ctdefid", "default", "", "", false},
        {"ctabc", "ctabc", "MAP_POSX=abc\r\n", "", false},
        {"ctnegy", "ctnegy", "MAP_POSY=-5\r\n", "", false},
        {"ctzeroy", "ctzeroy", "", "MAP_POSY", false},
        {"ctlenient", "ctlenient", "MAP_POSX= +12x3\r\n", "", true},
        {"ctrank", "ctrank", "RANKING=2\r\n", "", true},
        {"ctver", "ctver", "VER=300\r\n", "", true},
        {"ctid19", id19, "", "", true},
        {"ctid20", id20, "", "", false},  // refused, not cut
        {name29, "ct29", "", "", true},
        {name30, "ct30", "", "", false},
    };
    for (const Case &c : cases) MakeGame(c.name + ".vyg", Ini(c.name + ".vyg", c.gameId, c.extra, c.drop));
    std::string log = RunScan();

    int rejected = 0;
    for (const Case &c : cases) {
        std::string upper = c.name + ".vyg";
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        const GameEntry *entry = Find(upper.c_str());
        EXPECT_EQ(entry != nullptr, c.accepted) << c.name;
        if (entry) {
            EXPECT_EQ(entry->gameId, c.gameId);
        }
        EXPECT_NE(log.find("find vyg file : " + upper + "\n"), std::string::npos) << c.name;
        rejected += !c.accepted;
    }
    int failedLines = 0;
    for (size_t at = log.find("failed : read ini file\n"); at != std::string::npos;
         at = log.find("failed : read ini file\n", at + 1))
        failedLines++;
    EXPECT_EQ(failedLines, rejected);
    EXPECT_EQ(Find("CTLENIENT.VYG")->mapX, 12);
    EXPECT_EQ(Find("CTRANK.VYG")->rankingEnabled, 1);
    EXPECT_EQ(Find("CTREQ104.VYG")->rankingEnabled, 0);
    EXPECT_EQ(Find("CTREQ104.VYG")->mapY, 20);
    EXPECT_EQ(Find("CTVER.VYG")->version, 44);
    EXPECT_NE(log.find("ctver ver3.00\n"), std::string::npos);
    EXPECT_NE(log.find("set vyg file : CTVER.VYG(ver0.44)\n"), std::string::npos);
    EXPECT_NE(log.find("load data ctver40\n"), std::string::npos);
}

TEST_F(Scan, ThirtyGamesAtMostInTheOrderTheSystemListsThem) {
    for (int i = 0; i < 31; i++) {
        char name[32], id[16];
        snprintf(name, sizeof name, "ctmany%02d.vyg", (i * 17) % 31);  // not written in name order
        snprintf(id, sizeof id, "ctmany%02d", (i * 17) % 31);
        MakeGame(name, Ini(name, id));
    }
    std::string log = RunScan();
    ASSERT_EQ(GameCatalogue.GameCount, 30);
    std::vector<std::string> order = SystemOrder();
    ASSERT_EQ(order.size(), 31u);
    for (int i = 0; i < 30; i++) {
        std::string upper = order[i];
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        EXPECT_EQ(GameCatalogue.entries[i].fileName, upper) << i;
    }
    std::string last = order[30];
    std::transform(last.begin(), last.end(), last.begin(), ::toupper);
    EXPECT_NE(log.find("game table full : " + last + " not added\n"), std::string::npos);
    EXPECT_EQ(log.find("set vyg file : " + last), std::string::npos);
    EXPECT_NE(log.find("ゲームファイルが30個見つかりました\n"), std::string::npos);
}

// The player's games folder is scanned after the program's folder, by the same rules. Each rescan (at
// every menu entry) lets new and changed files join and games whose file went away leave, and leaves
// the other entries as they are: their numbers follow them, their records come back with their file.
TEST_F(Scan, TheGamesFolderComesSecondAndEachRescanTakesInWhatChanged) {
    const std::string games = GamesFolderPath();
    ASSERT_FALSE(games.empty());
    auto place = [&](const std::string &name, const std::string &ini) {
        std::string bytes = BuildPack({{"game.ini", ini}, {"game.dll", "MZ not a library"}});
        FILE *file = fopen((games + name).c_str(), "wb");
        ASSERT_TRUE(file);
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    };
    auto number = [&](const char *name) { const GameEntry *e = Find(name); return e ? (int)(e - GameCatalogue.entries) + 1 : 0; };
    auto rescan = [&](int changed) {
        Log("-- rescan\n");
        EXPECT_EQ(RescanGameFiles(), changed);
        std::string log = ReadLog();
        return log.substr(log.rfind("-- rescan\n"));
    };
    MakeGame("ctshared.vyg", Ini("ctshared.vyg", "ctshared"));
    place("CTSHARED.VYG", Ini("CTSHARED.VYG", "ctshadow"));
    place("ctplayer.vyg", Ini("ctplayer.vyg", "ctplayer"));
    place("ctlater.vyg", Ini("ctlater.vyg", "ctlater", "REQUIREVER=999\r\n"));
    std::string log = RunScan();
    ASSERT_TRUE(number("CTSHARED.VYG") && number("CTPLAYER.VYG")) << Readable(log);
    EXPECT_STREQ(Find("CTSHARED.VYG")->gameId, "ctshared");
    EXPECT_NE(log.find("passed over CTSHARED.VYG in the games folder: the program's folder has a game file of that "
                       "name\n"), std::string::npos) << Readable(log);
    EXPECT_FALSE(Find("CTLATER.VYG"));
    ASSERT_EQ(SetPack("CTPLAYER.VYG"), 1);  // a plain name reaches the games folder too
    EXPECT_EQ(HasGameId("ctplayer"), 1);

    // Nothing changed: no file is read again, the refused one neither.
    GameEntry *player = &GameCatalogue.entries[number("CTPLAYER.VYG") - 1];
    player->playCount = 7;
    log = rescan(0);
    EXPECT_EQ(log.find("set pack"), std::string::npos) << Readable(log);

    // A game whose file goes leaves, and the games folder's file of its name takes its place; a new
    // file and a changed one join; the others keep their entries, and the chosen game stays chosen.
    GameCatalogue.entries[number("CTSHARED.VYG") - 1].playCount = 5;
    SaveRecord(number("CTSHARED.VYG"));
    SelectedGame = (uint8_t)number("CTPLAYER.VYG");
    DeleteFileA((Folder() + "ctshared.vyg").c_str());
    place("ctnew.vyg", Ini("ctnew.vyg", "ctnew"));
    place("ctlater.vyg", Ini("ctlater.vyg", "ctlater", "REQUIREVER=90\r\n"));
    log = rescan(1);
    EXPECT_NE(log.find("CTSHARED.VYG left the catalogue: its file is gone\n"), std::string::npos) << Readable(log);
    EXPECT_STREQ(Find("CTSHARED.VYG")->gameId, "ctshadow");
    EXPECT_TRUE(Find("CTNEW.VYG") && Find("CTLATER.VYG"));
    EXPECT_EQ(Find("CTPLAYER.VYG")->playCount, 7u);
    EXPECT_EQ(SelectedGame, number("CTPLAYER.VYG"));
    EXPECT_NE(log.find("rescan: " + std::to_string(GameCatalogue.GameCount) + " games, 3 joined, 1 left\n"),
              std::string::npos) << Readable(log);

    // Back in the program's folder, the game comes back with its records; the chosen game leaving
    // leaves nothing chosen.
    MakeGame("ctshared.vyg", Ini("ctshared.vyg", "ctshared"));
    SelectedGame = (uint8_t)number("CTSHARED.VYG");
    log = rescan(1);
    EXPECT_NE(log.find("CTSHARED.VYG left the catalogue: its file changed\n"), std::string::npos) << Readable(log);
    EXPECT_STREQ(Find("CTSHARED.VYG")->gameId, "ctshared");
    EXPECT_EQ(Find("CTSHARED.VYG")->playCount, 5u);
    EXPECT_EQ(SelectedGame, 0);
    for (const char *name : {"CTSHARED.VYG", "ctplayer.vyg", "ctlater.vyg", "ctnew.vyg"})
        DeleteFileA((games + name).c_str());
    SetPack(MENU_PACK);
}

// The scan looks at 100 names at most; beyond them files are passed over without a look.
TEST_F(Scan, AHundredNamesAreLookedAtAndNoMore) {
    for (size_t total : {100u, 101u}) {
        while (made.size() < total) MakeGame("ctcap" + std::to_string(made.size()) + ".vyg", "");
        int listed = 0;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((Folder() + "*.vyg").c_str(), &found);
        do listed++; while (FindNextFileA(search, &found));
        FindClose(search);
        std::string log = RunScan();
        int looked = 0;
        for (size_t at = log.find("set pack > "); at != std::string::npos; at = log.find("set pack > ", at + 1)) looked++;
        EXPECT_EQ(looked, std::min(listed, 100)) << total << " made, " << listed << " listed";
    }
}

// Only ever run as the child of the test below, from a folder without game files.
TEST(ScanNothing, DISABLED_FindsNoGameFile) {
    BoxWatcher watcher;
    EXPECT_EQ(ScanGameFiles(), 0);
    EXPECT_EQ(GameCatalogue.GameCount, 0);
    EXPECT_EQ(CountInLog("ゲームファイルが"), 0);
}

TEST_F(Scan, AFolderWithoutGameFilesGivesAnEmptyCatalogue) {
    std::string folder = Folder() + "no games\\";
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), (folder + "scan.exe").c_str(), FALSE));
    std::string output;
    EXPECT_EQ(RunChildProgram(folder + "scan.exe", "--gtest_also_run_disabled_tests --gtest_filter=ScanNothing.*",
                              folder.c_str(), &output), 0);
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// game.ini is Shift-JIS on every system code page (this runs under English and Chinese ones too); a
// file an author saved as UTF-16, with its byte-order mark, reads the same.
TEST(ReadGameIni, ShiftJisValuesAndAUtf16FileReadTheSameOnEverySystem) {
    const std::string id = "\x83\x8d\x83\x72\x83\x69";  // ロビナ: a second byte in a..z
    const std::string sjis = Ini("INIKANJI.BIN", id);
    std::wstring wide(sjis.size(), L'\0');
    wide.resize(MultiByteToWideChar(932, 0, sjis.data(), (int)sjis.size(), &wide[0], (int)wide.size()));
    const std::string utf16 = "\xff\xfe" + std::string((const char *)wide.data(), wide.size() * sizeof(wchar_t));
    for (const std::string &text : {sjis, utf16}) {
        WriteGameFile("INIKANJI.BIN", Members{{"game.ini", text}});
        ASSERT_EQ(SetPack("INIKANJI.BIN"), 1);
        GameEntry entry = {};
        EXPECT_EQ(ReadGameIni(&entry), 1);
        EXPECT_EQ(std::string(entry.gameId), id);
        EXPECT_EQ(entry.mapX * 100 + entry.mapY, 1020);
    }
    SetPack(MENU_PACK);
    DeleteFileA((Folder() + "INIKANJI.BIN").c_str());
}

// Damaged game.ini members: cut at every byte, bytes flipped, huge lines, lines without "=", the
// section gone, Shift-JIS cut after a lead byte. No crash and nothing left behind; a read that
// succeeds gives only values its text holds (keys match in any case), so every damaged value that
// is needed shows as a failure.
TEST(ReadGameIni, DamagedIniFilesFailOrGiveValuesOfTheirOwnText) {
    const std::string good = Ini("INIDAMAGE.BIN", "cttour");
    std::vector<std::string> damaged = {good};
    for (size_t cut = 0; cut < good.size(); cut++) damaged.push_back(good.substr(0, cut));
    for (uint32_t i = 0, seed = 777; i < 300; i++) {
        std::string bytes = good;
        for (uint32_t flips = 1 + i % 3; flips > 0; flips--) {
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] ^= (char)(1 + (seed >> 20) % 255);
        }
        damaged.push_back(bytes);
    }
    const std::vector<std::string> mustFail = {
        good.substr(good.find('\n') + 1),                               // no section
        "[Robin]" + good.substr(good.find('\r')),                       // another section
        Ini("INIDAMAGE.BIN", "", "GAMEID cttour\r\n", "GAMEID"),        // a line without "="
        Ini("INIDAMAGE.BIN", "cttour", "MAP_POSX\r\n", "MAP_POSX"),
        Ini("INIDAMAGE.BIN", std::string(70000, 'g')),                  // huge lines
        Ini("INIDAMAGE.BIN", "cttour", "MAP_POSY=" + std::string(70000, '0') + "\r\n", "MAP_POSY"),
    };
    damaged.insert(damaged.end(), mustFail.begin(), mustFail.end());
    damaged.push_back(Ini("INIDAMAGE.BIN", "\x83\x8d\x83\x72\x83", "RANKING=" + std::string(70000, '1') + "\x83"));
    auto upper = [](std::string text) { CharUpperBuffA(&text[0], (DWORD)text.size()); return text; };
    auto lastTempGone = [] {
        char path[MAX_PATH];
        GetTempPathA(MAX_PATH, path);
        snprintf(path + strlen(path), 32, "rvpx%04d.tmp", (int)TempCounter);
        return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
    };
    int blocks = LiveBlocks, read = 0;
    for (size_t i = 0; i < damaged.size(); i++) {
        WriteGameFile("INIDAMAGE.BIN", Members{{"game.ini", damaged[i]}});
        ASSERT_EQ(SetPack("INIDAMAGE.BIN"), 1);
        GameEntry entry = {};
        int result = ReadGameIni(&entry);
        ASSERT_TRUE(result == 0 || result == 1);
        EXPECT_TRUE(lastTempGone()) << "case " << i;
        bool designed = i >= damaged.size() - 1 - mustFail.size();
        if (designed && i < damaged.size() - 1) {
            EXPECT_EQ(result, 0) << "case " << i;
        }
        if (!result) continue;
        read++;
        std::string text = upper(damaged[i]);
        EXPECT_NE(text.find("[ROBINA]"), std::string::npos) << "case " << i;
        EXPECT_NE(text.find(upper(entry.gameId)), std::string::npos) << "case " << i;
        EXPECT_NE(text.find("MAP_POSX=" + std::to_string(entry.mapX)), std::string::npos) << "case " << i;
        EXPECT_NE(text.find("MAP_POSY=" + std::to_string(entry.mapY)), std::string::npos) << "case " << i;
        EXPECT_TRUE(entry.mapX > 0 && entry.mapY > 0 && strlen(entry.gameId) > 0) << "case " << i;
    }
    EXPECT_GT(read, 1);  // the good file and some flipped ones read, so the success path was checked
    SetPack(MENU_PACK);
    DeleteFileA((Folder() + "INIDAMAGE.BIN").c_str());
    EXPECT_EQ(LiveBlocks, blocks);
}
