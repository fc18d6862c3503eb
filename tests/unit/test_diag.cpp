// Log, allocator balance, the random generator and the program folder.
#include <windows.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "harness.h"
#include "base/base.h"
#include "shell/shell.h"


TEST(Log, WritesTheFormattedLineAndArgumentPercentSignsUnchanged) {
    int written = Log("file %s at %d%%\n", "100%_done%s.bmp", 7);
    EXPECT_EQ(written, (int)strlen("file 100%_done%s.bmp at 7%\n"));
    EXPECT_EQ(CountInLog("file 100%_done%s.bmp at 7%\n"), 1);
}

TEST(Log, CutsALineAt1023Characters) {
    std::string longText(3000, 'x');
    EXPECT_EQ(Log("%s", longText.c_str()), 1023);
    EXPECT_NE(ReadLog().find(std::string(1023, 'x')), std::string::npos);
    EXPECT_EQ(ReadLog().find(std::string(1024, 'x')), std::string::npos);
}

TEST(Alloc, CountsBlocksAndZeroFills) {
    int32_t before = LiveBlocks;
    unsigned char *a = (unsigned char *)Alloc(64);
    void *b = Alloc(0);
    void *c = Alloc(0);
    EXPECT_NE(b, c);  // a zero-sized work area is still distinct
    EXPECT_EQ(LiveBlocks, before + 3);
    for (int i = 0; i < 64; i++) ASSERT_EQ(a[i], 0);
    Free(a);
    Free(b);
    Free(c);
    EXPECT_EQ(LiveBlocks, before);
}

TEST(Random, StaysInItsRangesIncludingTheEdgeCases) {
    std::set<int> seen;
    for (int i = 0; i < 2000; i++) {
        int v = Random(1, 6);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 6);
        seen.insert(v);
        ASSERT_EQ(Random(7, 7), 7);
        ASSERT_EQ(Random(0, -1), 0);
        int wide = Random(-100000, 100000);  // only the first 32768 values can come out
        ASSERT_GE(wide, -100000);
        ASSERT_LT(wide, -100000 + 32768);
        int inverted = Random(10, 3);  // negative span: never below lower
        ASSERT_GE(inverted, 10);
        ASSERT_LT(inverted, 10 + 6);
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST(Random, FollowsTheLinearCongruentialSequence) {
    // Two draws over the full 15-bit range reveal consecutive states' high bits: the second must be
    // the generator's successor of some state whose high bits gave the first.
    int first = Random(0, 32767);
    int second = Random(0, 32767);
    bool consistent = false;
    for (uint32_t low = 0; low < 65536 && !consistent; low++) {
        for (uint32_t top = 0; top < 2 && !consistent; top++) {
            uint32_t state = (top << 31) | ((uint32_t)first << 16) | low;
            uint32_t next = state * 214013u + 2531011u;
            consistent = (int)((next >> 16) & 0x7FFF) == second;
        }
    }
    EXPECT_TRUE(consistent);
}

TEST(ModuleDirectory, IsTheProgramFolderWithATrailingBackslash) {
    wchar_t folder[PATH_CHARS] = L"unchanged";
    ASSERT_EQ(ModuleDirectory(folder), 1);
    wchar_t program[PATH_CHARS];
    GetModuleFileNameW(NULL, program, PATH_CHARS);
    size_t length = wcslen(folder);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(folder[length - 1], L'\\');
    EXPECT_EQ(std::wstring(program).substr(0, length), folder);
    EXPECT_EQ(std::wstring(program).find(L'\\', length), std::wstring::npos);
}

TEST(DirectXVersion, ReportsDirectX8UnderWine) {
    EXPECT_EQ(DirectXVersion(), 0x800);
    EXPECT_EQ(DirectXVersion(), 0x800);  // repeatable: the first probe left nothing in the way
}

TEST(AllocDeathTest, AnImpossibleBlockEndsTheProgramWithAMessageInsteadOfReturningNull) {
    EXPECT_EXIT(
        {
            BoxWatcher watcher;  // without an answer the box would wait for ever
            Alloc(-1);
            _exit(7);  // not reached: Alloc never hands back a null
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(CountInLog("Alloc failed: -1 bytes\n"), 1);  // the child's log line
}

TEST(ErrorBox, ShowsTheHiddenSystemCursorWhileItIsOpen) {
    EnsureMainWindow();
    SystemCursorShown = 0;
    ShowCursor(FALSE);
    CURSORINFO seen = {sizeof seen};
    {
        BoxWatcher watcher([&seen](void *box, const BoxRecord &) {
            GetCursorInfo(&seen);
            PostMessageA((HWND)box, WM_COMMAND, IDOK, 0);
        });
        ErrorBox("test");
        ASSERT_EQ(watcher.boxes.size(), 1u);
    }
    PumpMessages();  // the quit message it posted
    EXPECT_EQ(SystemCursorShown, 1);
    EXPECT_TRUE(seen.flags & CURSOR_SHOWING);
}

// Only ever run as the child of the test below.
TEST(CrashReport, DISABLED_CrashesOnPurpose) {
    if (strstr(GetCommandLineA(), "--without-report")) SetUnhandledExceptionFilter(NULL);
    int *guarded = (int *)VirtualAlloc(NULL, 4096, MEM_COMMIT, PAGE_NOACCESS);
    *(volatile int *)guarded = 1;
}

// A crash ends a test program in seconds with the crash's code: the report of the test support
// names the code and address; without it, the prefix has no debugger to wait in.
TEST(CrashReport, ACrashEndsTheProgramAtOnceWithItsCode) {
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    for (const char *extra : {"", " --without-report"}) {
        std::string output;
        DWORD start = GetTickCount();
        long code = RunChildProgram(
            program, "--gtest_also_run_disabled_tests --gtest_filter=CrashReport.DISABLED_*" + std::string(extra),
            NULL, &output);
        EXPECT_EQ((unsigned long)code, 0xC0000005ul) << extra << output;
        EXPECT_LT(GetTickCount() - start, 20000u) << extra;
        EXPECT_EQ(output.find("unhandled exception C0000005 at ") != std::string::npos, !extra[0]) << output;
    }
}
