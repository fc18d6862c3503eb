// The command line of Robina.exe: which lines start, go to the menu, add a game file (and the path
// taken from them), take the association away, open the games folder, or end at once.
#include <gtest/gtest.h>
#include <string>
#include "shell/command_format.h"

TEST(CommandFormat, EveryLineHasItsKindAndAGameFileItsPath) {
    struct Case {
        const wchar_t *line;
        int kind;
        const wchar_t *path;
    } cases[] = {
        {L"", COMMAND_START, L""},
        {L"q", COMMAND_START, L""},
        {L"/q", COMMAND_QUICK, L""},
        {L"-q", COMMAND_QUICK, L""},
        {L"xq anything", COMMAND_QUICK, L""},
        {L"/Q", COMMAND_OTHER, L""},
        {L"/x", COMMAND_OTHER, L""},
        {L"xy", COMMAND_OTHER, L""},
        {L"C:\\games\\kinomi.vyg", COMMAND_GAME_FILE, L"C:\\games\\kinomi.vyg"},
        {L"C:\\games\\KINOMI.VYG", COMMAND_GAME_FILE, L"C:\\games\\KINOMI.VYG"},
        {L"\"C:\\my games\\Kinomi.Vyg\"", COMMAND_GAME_FILE, L"C:\\my games\\Kinomi.Vyg"},
        {L"  \"C:\\ロビナの部屋\\ゲーム.vYG\"  ", COMMAND_GAME_FILE, L"C:\\ロビナの部屋\\ゲーム.vYG"},
        {L"C:\\my games\\two words.vyg", COMMAND_GAME_FILE, L"C:\\my games\\two words.vyg"},
        {L"\"Q:\\quick.vyg\"", COMMAND_GAME_FILE, L"Q:\\quick.vyg"},  // 'q' second, yet a game file
        {L".vyg", COMMAND_GAME_FILE, L".vyg"},
        {L"\"vyg\"", COMMAND_OTHER, L""},
        {L"C:\\games\\kinomi.vyg.txt", COMMAND_OTHER, L""},
        {L"C:\\games\\kinomi.vy", COMMAND_OTHER, L""},
        {L"/unregister", COMMAND_UNREGISTER, L""},
        {L" -UnRegister ", COMMAND_UNREGISTER, L""},
        {L"/unregisterx", COMMAND_OTHER, L""},
        {L"/unregiste", COMMAND_OTHER, L""},
        {L"unregister", COMMAND_OTHER, L""},
        {L"/folder", COMMAND_FOLDER, L""},
        {L"-FOLDER", COMMAND_FOLDER, L""},
        {L"/folders", COMMAND_OTHER, L""},
    };
    for (const Case &c : cases) {
        wchar_t path[64] = L"untouched";
        int kind = ReadCommandLine(c.line, path, 64);
        std::wstring line = c.line;
        EXPECT_EQ(kind, c.kind) << std::string(line.begin(), line.end());
        EXPECT_EQ(std::wstring(path), kind == COMMAND_GAME_FILE ? std::wstring(c.path) : L"untouched");
    }
}

// A path that does not fit gives an empty one (the program then says the file is not there), never
// a cut one that could name another file.
TEST(CommandFormat, APathThatDoesNotFitIsEmptyNeverCut) {
    std::wstring fits(59, L'a'), longer(60, L'a');
    wchar_t path[64];
    EXPECT_EQ(ReadCommandLine((L"\"" + fits + L".vyg\"").c_str(), path, 64), COMMAND_GAME_FILE);
    EXPECT_EQ(std::wstring(path), fits + L".vyg");
    EXPECT_EQ(ReadCommandLine((longer + L".vyg").c_str(), path, 64), COMMAND_GAME_FILE);
    EXPECT_EQ(std::wstring(path), L"");
}
