// The configuration key's exact-size rule and its obsolete value (the settings dialog is exercised
// end to end). HKEY_CURRENT_USER is redirected to a scratch key of this test program, so the prefix's
// real configuration is untouched.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <gtest/gtest.h>
#include "harness.h"
#include "base/base.h"

namespace {

const char CONFIG_PATH[] = "Software\\Mossleaf\\" PRODUCT_TITLE "\\Config\\";

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

}  // namespace
