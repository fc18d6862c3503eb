// Text at the Windows boundary, the same on every system code page: this program also runs with
// ROBINA_LANG set to English (1252) and Chinese (936). Shift-JIS converts to known UTF-16 both ways, a
// character without a Shift-JIS form is refused (never a "?"), and a window's text and the registry
// hold what a Japanese system holds.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <gtest/gtest.h>
#include "harness.h"
#include "base/base.h"

namespace {

struct Pair {
    const char *sjis;
    const wchar_t *wide;
};
const Pair KNOWN[] = {
    {"ABC 1.04", L"ABC 1.04"},
    {"\x83\x7c\x83\x82\x82\xcc\x83\x8d\x83\x72\x83\x69", L"ポモのロビナ"},
    {"\x83\x8d\x83\x72\x83\x93", L"ロビン"},
    {"\x8f\xac\x96\xbe", L"小明"},        // Chinese names of Japanese characters are Shift-JIS too
    {"\x89\xad", L"億"},
    {"\xb1\xdd", L"ｱﾝ"},                  // half-width katakana, one byte each
};

TEST(WideText, ShiftJisAndUtf16ConvertBothWaysWhateverTheSystemCodePage) {
    printf("system code page %u\n", GetACP());
    for (const Pair &p : KNOWN) {
        wchar_t wide[32];
        char sjis[32];
        ASSERT_EQ(ToWide(p.sjis, wide, 32), 1) << Readable(p.sjis);
        EXPECT_EQ(std::wstring(wide), p.wide) << Readable(p.sjis);
        ASSERT_EQ(FromWide(p.wide, sjis, 32), 1) << Readable(p.sjis);
        EXPECT_EQ(std::string(sjis), p.sjis);
        EXPECT_EQ(HasShiftJisForm(p.wide), 1);
    }
}

TEST(WideText, ACharacterWithoutAShiftJisFormIsRefusedNeverTurnedIntoSomethingElse) {
    const wchar_t *refused[] = {L"Zoë", L"¥100", L"5€", L"ok\U0001F600", L"\u00e9"};
    for (const wchar_t *text : refused) {
        char sjis[32] = "unchanged";
        EXPECT_EQ(FromWide(text, sjis, sizeof sjis), 0);
        EXPECT_STREQ(sjis, "");
        EXPECT_EQ(HasShiftJisForm(text), 0);
        EXPECT_EQ(WideToSjis(text, (int)wcslen(text), sjis, sizeof sjis), -1);
    }
    // Too long for the field: refused whole, at the boundary and one past it.
    char field[7];
    EXPECT_EQ(FromWide(L"ロビン", field, 7), 1);  // six bytes and the terminator
    EXPECT_EQ(FromWide(L"ロビンA", field, 7), 0);
    EXPECT_STREQ(field, "");
    wchar_t wide[4];
    EXPECT_EQ(ToWide("ABC", wide, 4), 1);
    EXPECT_EQ(ToWide("ABCD", wide, 4), 0);
    EXPECT_EQ(wide[0], 0);
}

TEST(WideText, AWindowShowsTheTextAndGivesItBack) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(window);
    ASSERT_EQ(SetWindowTextSjis(window, PRODUCT_TITLE), 1);
    wchar_t shown[32];
    GetWindowTextW(window, shown, 32);
    EXPECT_EQ(std::wstring(shown), L"ポモのロビナ");
    char back[32];
    EXPECT_EQ(GetWindowTextSjis(window, back, sizeof back), 1);
    EXPECT_STREQ(back, PRODUCT_TITLE);
    SetWindowTextW(window, L"Zoë");
    EXPECT_EQ(GetWindowTextSjis(window, back, sizeof back), 0);
    EXPECT_STREQ(back, "");
    DestroyWindow(window);
}

// A Japanese system stored the key's name and the values' texts in UTF-16; so does every system now.
TEST(WideText, TheConfigurationKeyAndItsValuesAreTheJapaneseSystemsOnes) {
    HKEY scratch;
    wchar_t scratchPath[64];
    swprintf(scratchPath, 64, L"Software\\RobinaUnitTest\\widetext-%lu", GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, scratchPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &scratch, NULL),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
    const char name[] = "\x83\x8d\x83\x72\x83\x69" "100";  // a game id in Japanese, as a record's name
    ASSERT_EQ(WriteConfig(name, "A1\x83\x8d", 5), 1);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Mossleaf\\ポモのロビナ\\Config\\", 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    wchar_t stored[16] = L"";
    DWORD size = sizeof stored;
    EXPECT_EQ(RegQueryValueExW(key, L"ロビナ100", NULL, NULL, (BYTE *)stored, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(stored, size / sizeof(wchar_t)), std::wstring(L"A1ロ\0", 4));
    // What a Japanese system wrote before reads back byte for byte; a size off by one is refused.
    const wchar_t earlier[] = L"0F3ロビン";
    ASSERT_EQ(RegSetValueExW(key, L"earlier", 0, REG_SZ, (const BYTE *)earlier, sizeof earlier), ERROR_SUCCESS);
    char read[16] = "";
    EXPECT_EQ(ReadConfig("earlier", read, 10), 1);
    EXPECT_EQ(std::string(read, 10), std::string("0F3\x83\x8d\x83\x72\x83\x93\0", 10));
    EXPECT_EQ(ReadConfig("earlier", read, 9), 0);
    EXPECT_EQ(ReadConfig("earlier", read, 11), 0);
    RegCloseKey(key);
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath);
}

}  // namespace
