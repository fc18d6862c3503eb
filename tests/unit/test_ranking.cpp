// Ranking registration in-process: the address handed to the stand-in browser, decoded here from
// the packet table alone; games with nothing to send; the developer's address dialog (Ctrl + U).
#include <windows.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "harness.h"
#include "base/base.h"
#include "catalogue/catalogue.h"
#include "dialogs/dialogs.h"
#include "res/resource.h"

namespace {
// Digits 56-57 are the key R; every other byte went out as (byte XOR R) + (j + 1) * R.
std::vector<uint8_t> DecodePacket(const std::string &address) {
    std::string digits = address.substr(address.rfind("?user=") + 6);
    int key = std::stoi(digits.substr(56, 2), nullptr, 16);
    std::vector<uint8_t> packet;
    for (int j = 0; j < 42; j++)
        packet.push_back((uint8_t)(((std::stoi(digits.substr(2 * j, 2), nullptr, 16) - (j == 28 ? 0 : (j + 1) * key)) & 255) ^ key));
    return packet;
}
uint32_t U32(const std::vector<uint8_t> &p, int at) { return p[at] | p[at + 1] << 8 | p[at + 2] << 16 | (uint32_t)p[at + 3] << 24; }

std::string LastLoggedAddress() {
    std::string log = ReadLog();
    size_t at = log.rfind("ranking: ") + 9;
    return log.substr(at, log.find('\n', at) - at);
}

// Wine brings its key state in line with the X server's on a focus change: pending ones go first.
bool HoldChord(bool down) {
    SetForegroundWindow((HWND)MainWindow);
    PumpMessages();
    INPUT keys[2] = {{INPUT_KEYBOARD, {}}, {INPUT_KEYBOARD, {}}};
    keys[0].ki = {VK_CONTROL, 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
    keys[1].ki = {'U', 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
    SendInput(2, keys, sizeof keys[0]);
    return ((GetAsyncKeyState(VK_CONTROL) & GetAsyncKeyState('U')) < 0) == down;
}

std::vector<std::pair<int, int>> draws;
int32_t CountedRandom(int32_t lower, int32_t upper) {  // the real generator, every draw written down
    RandomOverride = 0;
    int32_t value = Random(lower, upper);
    RandomOverride = CountedRandom;
    draws.push_back({lower, value});
    return value;
}

GameEntry &Game(int g) { return GameCatalogue.entries[g - 1]; }

class Ranking : public ::testing::Test {
protected:
    void SetUp() override {
        LockSaveData();
        EnsureMainWindow();
        BoxWatcher quiet;  // records a run before left damaged are reset here
        memset(&GameCatalogue, 0, sizeof GameCatalogue);
        LoadRecord(0);
        GameCatalogue.ZumiTotal = -123456;
        strcpy(Game(1).gameId, "rkgame");
        Game(1).version = 123;
        strcpy(Game(2).gameId, "rk");
        GameCatalogue.GameCount = 2;
        LoadRecord(1);
        LoadRecord(2);
        Game(1).rankScores[0] = 4321;
        SaveRecord(1);
        Game(1).rankScores[0] = 1;  // stale: the registration reads the record again
    }
    void TearDown() override { UnlockSaveData(); }
};
}  // namespace

TEST_F(Ranking, TheBrowserGetsTheRecordsOfTheGameInEightyFourDigits) {
    ASSERT_TRUE(UseStandInBrowser());
    draws.clear();
    RandomOverride = CountedRandom;
    OpenRankingPage(1);
    RandomOverride = 0;
    std::string address = WaitForBrowsedAddress();
    const size_t at = sizeof "http://ranking.robina.example/robina/ranking/regist.asp?user=" - 1;
    ASSERT_EQ(address.find("http://ranking.robina.example/robina/ranking/regist.asp?user="), 0u) << address;
    ASSERT_EQ(address.find_first_not_of("0123456789ABCDEF", at), std::string::npos) << address;
    ASSERT_EQ(address.size(), at + 84) << address;
    std::vector<uint8_t> p = DecodePacket(address);
    // Drawn in this order: head 0-6, middle 25-27, the key (41..184, its digits carry it), tail 33-41.
    const int drawnAt[] = {0, 1, 2, 3, 4, 5, 6, 25, 26, 27, -1, 33, 34, 35, 36, 37, 38, 39, 40, 41};
    ASSERT_EQ(draws.size(), 20u);
    for (int d = 0; d < 20; d++) {
        EXPECT_EQ(draws[d].first, d == 10 ? 41 : 0) << d;
        EXPECT_EQ(d == 10 ? std::stoi(address.substr(at + 56, 2), nullptr, 16) : p[drawnAt[d]], draws[d].second) << d;
    }
    EXPECT_LE(draws[10].second, 184);
    uint32_t sum = 0;
    for (int j = 0; j < 28; j++) sum += p[j];
    const std::vector<uint32_t> fields = {p[7], U32(p, 8), U32(p, 12), p[16], U32(p, 17), U32(p, 21), p[28], U32(p, 29)};
    const std::vector<uint32_t> expected = {104, GameCatalogue.UserId, 0x61676B72 /* "rkga" */, 123, 4321, (uint32_t)-123456, 0, sum};
    EXPECT_EQ(fields, expected);
}

// In full screen the desktop comes forward first, so the browser is not hidden behind the display.
TEST_F(Ranking, InFullScreenTheDesktopComesForwardBeforeTheBrowserOpens) {
    for (int fullScreen : {1, 0}) {
        ShellCalls shell;
        FullScreen = fullScreen;
        OpenRankingPage(1);
        FullScreen = 0;
        std::vector<std::string> expected = {"open " + LastLoggedAddress()};
        if (fullScreen) expected.insert(expected.begin(), "foreground desktop");
        EXPECT_EQ(shell.calls, expected);
    }
}

// Nothing is sent for a game without a score (in memory, or once a damaged record is reset on the
// reload), nor past the catalogue; below 1 is fatal.
TEST_F(Ranking, GamesWithNothingToSendOrNoGameAtAllSendNothing) {
    ErrorBoxHook = [](const char *message) { Log("fatal: %s\n", message); };
    int sent = CountInLog("ranking: ");
    BoxWatcher watcher;
    Game(3) = Game(1);
    for (int game : {2, 3, 0, -5}) OpenRankingPage(game);
    std::string damaged(907, '\0');
    ASSERT_TRUE(ReadConfig("rkgame120", &damaged[0], 907));
    damaged[10] = damaged[10] == '7' ? 'C' : '7';
    ASSERT_TRUE(WriteConfig("rkgame120", damaged.data(), 907));
    OpenRankingPage(1);
    ErrorBoxHook = 0;
    EXPECT_EQ(CountInLog("ranking: "), sent);
    EXPECT_EQ(CountInLog("fatal: 不正ゲームナンバー\n"), 2);
    EXPECT_EQ(CountInLog("ranking refused: game 3 of 2\n"), 1);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "ゲームセーブデータが破損しています。");
}

// The dialog opens empty without a close box; Escape and close requests leave it open (else the
// refusal of 251 bytes could not follow); 250 bytes are taken; OK on the empty box gives "?user=".
TEST_F(Ranking, TheChordOpensTheAddressDialogWhichOnlyOkEndsWithinTheLimit) {
    std::vector<std::string> opened;  // caption, text and close box of each opening
    BoxWatcher watcher([&](void *box, const BoxRecord &record) {
        HWND dialog = (HWND)box, edit = GetDlgItem(dialog, IDC_RANKING_ADDRESS), owner = GetWindow(dialog, GW_OWNER);
        if (!edit) {  // the refusal: answered, then the longest address allowed
            SetDlgItemTextA(owner, IDC_RANKING_ADDRESS, std::string(250, 'y').c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            PostMessageA(owner, WM_COMMAND, IDOK, 0);
            return;
        }
        char text[300];
        GetWindowTextA(edit, text, sizeof text);
        if (text[0] == 'y') return;  // active again after the refusal
        opened.push_back(record.caption + "|" + text + ((GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU) ? "|x" : "|"));
        if (opened.size() == 1) {
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            SetWindowTextA(edit, std::string(251, 'x').c_str());
        }
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    std::vector<std::string> addresses;
    for (bool chord : {true, false, true}) {
        ASSERT_TRUE(HoldChord(chord));
        OpenRankingPage(1);
        ASSERT_TRUE(HoldChord(false));
        addresses.push_back(LastLoggedAddress());
    }
    EXPECT_EQ(opened, std::vector<std::string>({"test||", "test||"}));
    EXPECT_EQ(watcher.boxes[1].caption + watcher.boxes[1].text, "エラーＵＲＬが長すぎます");
    EXPECT_EQ(addresses[0].find(std::string(250, 'y') + "?user="), 0u);
    EXPECT_EQ(addresses[1].find("http://ranking.robina.example/"), 0u);
    EXPECT_EQ(addresses[2].find("?user="), 0u);
    for (const std::string &address : addresses) EXPECT_EQ(address.size() - address.rfind("?user="), 90u);
}
