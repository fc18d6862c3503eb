// Ranking registration in-process: the address handed to the (stand-in) browser, decoded here from
// the packet table alone; the order of the random draws; games with nothing to send; and the
// developer's address dialog, opened by holding Ctrl + U.
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
const size_t DIGITS = 84;

// Undoes the scrambling: digits 56-57 are the key R; every other byte went out as
// (byte XOR R) + (j + 1) * R.
std::vector<uint8_t> DecodePacket(const std::string &digits, int *key) {
    *key = std::stoi(digits.substr(56, 2), nullptr, 16);
    std::vector<uint8_t> packet;
    for (size_t j = 0; j < DIGITS / 2; j++) {
        int y = std::stoi(digits.substr(2 * j, 2), nullptr, 16);
        if (j != 28) y -= (int)(j + 1) * *key;
        packet.push_back((uint8_t)((y & 255) ^ *key));
    }
    return packet;
}

uint32_t U32(const std::vector<uint8_t> &p, size_t at) {
    return p[at] | p[at + 1] << 8 | p[at + 2] << 16 | (uint32_t)p[at + 3] << 24;
}

std::string Digits(const std::string &address) {
    size_t at = address.rfind("?user=");
    return at == std::string::npos ? "" : address.substr(at + 6);
}

// Every address the program wrote to its log so far, in order.
std::vector<std::string> LoggedAddresses() {
    std::vector<std::string> found;
    std::string log = ReadLog();
    for (size_t at = log.find("ranking: "); at != std::string::npos; at = log.find("ranking: ", at + 1))
        found.push_back(log.substr(at + 9, log.find('\n', at) - at - 9));
    return found;
}

// Pending focus changes are handled first: Wine brings its key state in line with the X server's
// on a focus change, which would let the keys go again.
bool HoldChord(bool down) {
    SetForegroundWindow((HWND)MainWindow);
    PumpMessages();
    INPUT keys[2] = {};
    for (int i = 0; i < 2; i++) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = i == 0 ? VK_CONTROL : 'U';
        keys[i].ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(2, keys, sizeof keys[0]);
    return ((GetAsyncKeyState(VK_CONTROL) & GetAsyncKeyState('U')) < 0) == down;
}

std::vector<std::pair<int, int>> draws;
int32_t CountedRandom(int32_t lower, int32_t upper) {
    draws.push_back({lower, upper});
    return upper == 255 ? (int32_t)(draws.size() * 11) : 77;
}

GameEntry &Game(int g) { return GameCatalogue.entries[g - 1]; }

class Ranking : public ::testing::Test {
protected:
    void SetUp() override {
        LockSaveData();
        EnsureMainWindow();
        memset(&GameCatalogue, 0, sizeof GameCatalogue);
        LoadRecord(0);
        GameCatalogue.ZumiTotal = -123456;
        strcpy(Game(1).gameId, "rkgame");
        Game(1).version = 123;
        strcpy(Game(2).gameId, "rk");
        Game(2).version = 100;
        GameCatalogue.GameCount = 2;
        LoadRecord(1);
        LoadRecord(2);
        Game(1).rankScores[0] = 4321;
        Game(1).rankScores[1] = 40;
        SaveRecord(1);
        Game(2).rankScores[0] = 9;
        SaveRecord(2);
        Game(2).rankScores[0] = 0;
        Game(1).rankScores[0] = 1;  // stale: the registration reads the record again
    }
    void TearDown() override {
        RandomOverride = 0;
        UnlockSaveData();
    }
};
}  // namespace

TEST_F(Ranking, TheBrowserGetsTheRecordsOfTheGameInEightyFourDigits) {
    ASSERT_TRUE(UseStandInBrowser());
    OpenRankingPage(1);
    std::string address = WaitForBrowsedAddress();
    EXPECT_EQ(address.rfind("http://ranking.robina.example/robina/ranking/regist.asp?user=", 0), 0u) << address;
    std::string digits = Digits(address);
    ASSERT_EQ(digits.size(), DIGITS) << address;
    ASSERT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << address;
    int key;
    std::vector<uint8_t> p = DecodePacket(digits, &key);
    EXPECT_GE(key, 41);
    EXPECT_LE(key, 184);
    EXPECT_EQ(p[7], 104);
    EXPECT_EQ(U32(p, 8), GameCatalogue.UserId);
    EXPECT_EQ(std::string(p.begin() + 12, p.begin() + 16), "rkga");
    EXPECT_EQ(p[16], 123);
    EXPECT_EQ(U32(p, 17), 4321u);
    EXPECT_EQ((int32_t)U32(p, 21), -123456);
    EXPECT_EQ(p[28], 0);
    uint32_t sum = 0;
    for (int j = 0; j < 28; j++) sum += p[j];
    EXPECT_EQ(U32(p, 29), sum);
    EXPECT_EQ(Game(1).rankScores[0], 4321u);
}

TEST_F(Ranking, RandomBytesAndTheKeyAreDrawnInPacketOrderAndAShortIdIsPadded) {
    Game(2).rankScores[0] = 9;  // as stored
    RandomOverride = CountedRandom;
    draws.clear();
    size_t before = LoggedAddresses().size();
    OpenRankingPage(2);
    std::vector<std::string> logged = LoggedAddresses();
    ASSERT_EQ(logged.size(), before + 1);
    std::vector<std::pair<int, int>> expected(7, {0, 255});
    expected.insert(expected.end(), 3, {0, 255});
    expected.push_back({41, 184});
    expected.insert(expected.end(), 9, {0, 255});
    ASSERT_EQ(draws, expected);
    int key;
    std::vector<uint8_t> p = DecodePacket(Digits(logged.back()), &key);
    EXPECT_EQ(key, 77);
    const int randomAt[] = {0, 1, 2, 3, 4, 5, 6, 25, 26, 27, -1, 33, 34, 35, 36, 37, 38, 39, 40, 41};
    for (size_t d = 0; d < draws.size(); d++) {
        if (randomAt[d] < 0) continue;
        EXPECT_EQ(p[randomAt[d]], (uint8_t)((d + 1) * 11)) << "draw " << d;
    }
    EXPECT_EQ(std::string(p.begin() + 12, p.begin() + 16), std::string("rk\0\0", 4));
}

// Nothing is sent for a game without a score (in memory, or after a damaged record is reset on the
// reload), nor for a number past the catalogue; a number below 1 is fatal.
TEST_F(Ranking, GamesWithNothingToSendOrNoGameAtAllSendNothing) {
    ErrorBoxHook = [](const char *message) { Log("fatal: %s\n", message); };
    size_t before = LoggedAddresses().size();
    int fatalBefore = CountInLog("fatal: 不正ゲームナンバー\n");
    BoxWatcher watcher;
    OpenRankingPage(2);  // top score 0
    Game(3) = Game(1);
    OpenRankingPage(3);  // past GameCount, though the stale entry has a score
    OpenRankingPage(0);
    OpenRankingPage(-5);
    std::string damaged(907, '\0');
    ASSERT_TRUE(ReadConfig("rkgame120", &damaged[0], 907));
    damaged[10] = damaged[10] == '7' ? 'C' : '7';
    ASSERT_TRUE(WriteConfig("rkgame120", damaged.data(), 907));
    OpenRankingPage(1);
    ErrorBoxHook = 0;
    EXPECT_EQ(LoggedAddresses().size(), before);
    EXPECT_EQ(CountInLog("fatal: 不正ゲームナンバー\n"), fatalBefore + 2);
    EXPECT_EQ(CountInLog("ranking refused: game 3 of 2\n"), 1);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "ゲームセーブデータが破損しています。");
}

// Held Ctrl + U opens the address dialog: empty, no close box, deaf to Escape and close requests
// (else the refusal that follows could not come), refusing 251 bytes; OK on the empty box leaves
// the digits alone.
TEST_F(Ranking, TheChordOpensTheAddressDialogWhichOnlyOkEndsWithinTheLimit) {
    struct Seen { std::string caption, text; LONG style = 0; } seen;
    HWND lastDialog = 0;
    int openings = 0;
    BoxWatcher watcher([&](void *box, const BoxRecord &record) {
        HWND dialog = (HWND)box, edit = GetDlgItem(dialog, IDC_RANKING_ADDRESS);
        if (!edit) {  // the refusal: answer it, then try the longest address allowed
            HWND owner = GetWindow(dialog, GW_OWNER);
            SetDlgItemTextA(owner, IDC_RANKING_ADDRESS, std::string(250, 'y').c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            PostMessageA(owner, WM_COMMAND, IDOK, 0);
            return;
        }
        if (dialog == lastDialog) return;  // active again after the refusal
        lastDialog = dialog;
        seen.caption = record.caption;
        char text[300];
        GetWindowTextA(edit, text, sizeof text);
        seen.text = text;
        seen.style = GetWindowLongA(dialog, GWL_STYLE);
        if (openings++ > 0) {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return;
        }
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        SetWindowTextA(edit, std::string(251, 'x').c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    size_t before = LoggedAddresses().size();
    ASSERT_TRUE(HoldChord(true));
    OpenRankingPage(1);
    ASSERT_TRUE(HoldChord(false));
    OpenRankingPage(1);  // the chord let go: the built-in address
    std::vector<std::string> logged = LoggedAddresses();
    ASSERT_EQ(logged.size(), before + 2);
    // The dialog is seen again when it is active again after the refusal.
    ASSERT_GE(watcher.boxes.size(), 2u);
    int refusals = 0;
    for (const BoxRecord &box : watcher.boxes) refusals += box.text == "ＵＲＬが長すぎます";
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(seen.caption, "test");
    EXPECT_EQ(seen.text, "");
    EXPECT_FALSE(seen.style & WS_SYSMENU);
    EXPECT_EQ(watcher.boxes[1].caption, "エラー");
    EXPECT_EQ(watcher.boxes[1].text, "ＵＲＬが長すぎます");
    EXPECT_EQ(logged[before], std::string(250, 'y') + "?user=" + Digits(logged[before]));
    EXPECT_EQ(Digits(logged[before]).size(), DIGITS);
    EXPECT_EQ(logged[before + 1].rfind("http://ranking.robina.example/", 0), 0u);

    HoldChord(true);
    OpenRankingPage(1);  // a second opening starts empty again; OK on it gives only the query
    HoldChord(false);
    logged = LoggedAddresses();
    ASSERT_EQ(logged.size(), before + 3);
    EXPECT_EQ(openings, 2);
    EXPECT_EQ(seen.text, "");
    EXPECT_EQ(logged.back().rfind("?user=", 0), 0u) << logged.back();
    EXPECT_EQ(logged.back().size(), 6 + DIGITS);
}
