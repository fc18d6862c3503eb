// The configuration key's exact-size rule and the start-up settings dialog. HKEY_CURRENT_USER is
// redirected to a scratch key of this test program, so the prefix's real configuration is untouched.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <gtest/gtest.h>
#include "harness.h"
#include "shell/shell.h"

namespace {

const char CONFIG_PATH[] = "Software\\Mossleaf\\" PRODUCT_TITLE "\\Config\\";

// What the dialog showed when it opened, and how it is to be left.
struct DialogVisit {
    std::string caption;
    int checked[4] = {0, 0, 0, 0};  // 1007, 1008, 1012, 1013
    int opened = 0;
};
DialogVisit *visit = 0;
UINT leaveMessage = WM_COMMAND;
WPARAM leaveParam = IDOK;
HHOOK hook = 0;

LRESULT CALLBACK AnswerDialog(int code, WPARAM wParam, LPARAM lParam) {
    HWND dialog = (HWND)wParam;
    char cls[16] = "";
    if (code == HCBT_ACTIVATE) GetClassNameA(dialog, cls, sizeof cls);
    if (visit && !visit->opened && lstrcmpA(cls, "#32770") == 0) {
        char text[256];
        GetWindowTextA(dialog, text, sizeof text);
        visit->caption = text;
        const int ids[4] = {1007, 1008, 1012, 1013};
        for (int i = 0; i < 4; i++) visit->checked[i] = IsDlgButtonChecked(dialog, ids[i]) == BST_CHECKED;
        visit->opened++;
        PostMessageA(dialog, leaveMessage, leaveParam, 0);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

// Runs the dialog, leaving it with the given message; returns what it showed.
DialogVisit RunDialog(int *result, UINT message = WM_COMMAND, WPARAM param = IDOK) {
    DialogVisit seen;
    visit = &seen;
    leaveMessage = message;
    leaveParam = param;
    hook = SetWindowsHookExA(WH_CBT, AnswerDialog, NULL, GetCurrentThreadId());
    *result = SettingsDialog(NULL);
    UnhookWindowsHookEx(hook);
    visit = 0;
    return seen;
}

std::string StoredValue(const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, CONFIG_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char data[16];
    DWORD size = sizeof data, type = 0;
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "<missing>";
    return std::string(data, size) + (type == REG_SZ ? "" : "<not REG_SZ>");
}

class Config : public ::testing::Test {
protected:
    HKEY scratch = 0;
    char scratchPath[64];
    void SetUp() override {
        snprintf(scratchPath, sizeof scratchPath, "Software\\RobinaUnitTest\\config-%lu", GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratchPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &scratch,
                                  NULL), ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
        MainInstance = GetModuleHandleA(NULL);
        FullScreen = 0;
        Log("%s\n", ::testing::UnitTest::GetInstance()->current_test_info()->name());  // the log is started
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
        RegCloseKey(scratch);
        RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath);
    }
};

TEST_F(Config, ValuesAreAcceptedOnlyAtTheirExactStoredSize) {
    ASSERT_EQ(WriteConfig("Probe", "ab", 3), 1);
    EXPECT_EQ(StoredValue("Probe"), std::string("ab\0", 3));
    char buffer[8] = {};
    EXPECT_EQ(ReadConfig("Probe", buffer, 3), 1);
    EXPECT_STREQ(buffer, "ab");

    int before = CountInLog("レジストリサイズ異常1\n");
    EXPECT_EQ(ReadConfig("Probe", buffer, 2), 0);
    EXPECT_EQ(ReadConfig("Probe", buffer, 4), 0);
    EXPECT_EQ(ReadConfig("Missing", buffer, 2), 0);
    EXPECT_EQ(CountInLog("レジストリサイズ異常1\n"), before + 3);
}

TEST_F(Config, ObsoleteValueIsDeletedOnce) {
    ASSERT_EQ(WriteConfig("UseHAL", "1", 2), 1);
    EXPECT_EQ(DeleteObsoleteConfig(), 1);
    EXPECT_EQ(StoredValue("UseHAL"), "<missing>");
    EXPECT_EQ(DeleteObsoleteConfig(), 0);
}

TEST_F(Config, FirstStartOffersStandardAndWindowAndStoresZeros) {
    int result = -1;
    DialogVisit seen = RunDialog(&result);
    ASSERT_EQ(seen.opened, 1);
    EXPECT_EQ(seen.caption, "ポモのロビナ　スタートアップ");
    EXPECT_EQ(seen.checked[0] + seen.checked[1] * 2 + seen.checked[2] * 4 + seen.checked[3] * 8, 1 + 4);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(StartupCancelled, 0);
    EXPECT_EQ(FullScreen, 0);
    EXPECT_EQ(StoredValue("UseVRAM"), std::string("0\0", 2));
    EXPECT_EQ(StoredValue("ScreenMode"), std::string("0\0", 2));
}

TEST_F(Config, StoredChoicesAreOfferedAgainAndFullScreenIsTaken) {
    WriteConfig("UseVRAM", "1", 2);
    WriteConfig("ScreenMode", "1", 2);
    int result = -1;
    DialogVisit seen = RunDialog(&result);
    EXPECT_EQ(seen.checked[0] + seen.checked[1] * 2 + seen.checked[2] * 4 + seen.checked[3] * 8, 2 + 8);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(FullScreen, 1);
    EXPECT_EQ(StoredValue("UseVRAM"), std::string("1\0", 2));
    EXPECT_EQ(StoredValue("ScreenMode"), std::string("1\0", 2));
}

TEST_F(Config, WronglySizedScreenModeIsIgnoredAndRewritten) {
    WriteConfig("UseVRAM", "1", 2);
    WriteConfig("ScreenMode", "1\0", 3);
    int before = CountInLog("レジストリサイズ異常1\n");
    int result = -1;
    DialogVisit seen = RunDialog(&result);
    EXPECT_EQ(seen.checked[0] + seen.checked[1] * 2 + seen.checked[2] * 4 + seen.checked[3] * 8, 2 + 4);
    EXPECT_EQ(CountInLog("レジストリサイズ異常1\n"), before + 1);
    EXPECT_EQ(FullScreen, 0);
    EXPECT_EQ(StoredValue("ScreenMode"), std::string("0\0", 2));
}

TEST_F(Config, CloseBoxAndQuitButtonCancelWithoutWriting) {
    const struct { UINT message; WPARAM param; } ways[] = {{WM_SYSCOMMAND, SC_CLOSE}, {WM_COMMAND, IDCANCEL}};
    for (auto way : ways) {
        int result = -1;
        DialogVisit seen = RunDialog(&result, way.message, way.param);
        EXPECT_EQ(seen.opened, 1);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(StartupCancelled, 1);
        EXPECT_EQ(StoredValue("UseVRAM"), "<missing>");
        EXPECT_EQ(StoredValue("ScreenMode"), "<missing>");
    }
}

}  // namespace
