// The file association, read back from the registry after registering from this program and from a
// copy of it in a folder whose path has blanks.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "harness.h"
#include "catalogue/catalogue.h"
#include "shell/shell.h"

namespace {
std::string ClassValue(const char *key) {
    char value[1024] = "";
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS) return "<missing>";
    return value;
}

std::string ProgramPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    return path;
}

void ExpectAssociationOf(const std::string &program) {
    EXPECT_EQ(ClassValue(".vyg"), "PomoRobina.vyg");
    EXPECT_EQ(ClassValue("PomoRobina.vyg"), "ロビナ旅先ファイル");
    EXPECT_EQ(ClassValue("PomoRobina.vyg\\DefaultIcon"), program + ",1");
    EXPECT_EQ(ClassValue("PomoRobina.vyg\\shell\\open\\command"), program + " %1");
}
}  // namespace

TEST(Association, PointsAtTheRunningProgram) {
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    ExpectAssociationOf(ProgramPath());
}

TEST(Association, FollowsTheProgramToAFolderWithBlanks) {
    char folder[MAX_PATH];
    ASSERT_EQ(ModuleDirectory(folder), 1);
    std::string moved = std::string(folder) + "game shell copy\\";
    std::string copy = moved + "robina test.exe";
    CreateDirectoryA(moved.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE));
    std::string command = "\"" + copy + "\" --gtest_filter=Association.PointsAtTheRunningProgram";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(copy.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, moved.c_str(),
                               &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
    ExpectAssociationOf(copy);  // the blanks stay as they are, unquoted
    EXPECT_NE(copy.find(" copy\\robina test.exe"), std::string::npos);

    // Started once from its first folder again, the program takes all four entries back.
    ASSERT_EQ(RegisterGameFileType(".vyg", "ロビナ旅先ファイル", 1), 1);
    ExpectAssociationOf(ProgramPath());
    DeleteFileA(copy.c_str());
    DeleteFileA((moved + "debughqx.bin").c_str());
    DeleteFileA((moved + "debug.log").c_str());
    RemoveDirectoryA(moved.c_str());
}
