// Start-up and memory of the real program, taken from outside: Robina.exe runs from a folder of its
// own with 30 game files (the balloon game and 29 of a realistic size), its debug marker set, and
// the time from CreateProcess to its log line "first frame of the menu at N ms" (or of the title)
// is set beside the start of a trivial windowed program under the same Wine. The marker costs every
// log line an open and a close of the log file, so the share of the log in the menu figure is given
// too: the lines written before the first menu frame times the cost of one line. Memory is the peak
// of the private bytes at the menu and in the balloon game, launched by a click on its map point.
#include <windows.h>
#include <mmsystem.h>
#include <psapi.h>
#include <stdio.h>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"

namespace {
enum { LOG_LINES = 2000, RUNS = 5, GAMES = 30, WAIT_MS = 20000, SETTLE_MS = 2000, BALLOON_X = 70 + 16, BALLOON_Y = 80 + 16 };
const std::string FOLDER = "bench\\startup\\";

std::string ReadFileText(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Filler(size_t bytes, int seed) {
    std::string data(bytes, 0);
    for (size_t i = 0; i < bytes; i++) data[i] = (char)((i * 31 + seed * 7) ^ (i >> 9));
    return data;
}

void MakeFolder() {
    CreateDirectoryA("bench\\startup", NULL);
    CopyFileA("Robina.exe", (FOLDER + "Robina.exe").c_str(), FALSE);
    CopyFileA("games\\BALLOON.VYG", (FOLDER + "BALLOON.VYG").c_str(), FALSE);
    WriteFileBytes(FOLDER + "debughqx.bin", "");
    for (int g = 1; g < GAMES; g++) {
        char name[16], ini[256];
        snprintf(name, sizeof name, "BENCH%02d.VYG", g);
        snprintf(ini, sizeof ini, "[Robina]\r\nFILENAME=%s\r\nGAMEID=bench%02d\r\nVER=100\r\nREQUIREVER=100\r\n"
                 "MAP_POSX=%d\r\nMAP_POSY=%d\r\nRANKING=1\r\n", name, g, 20 + g * 10, 180 + g % 5 * 30);
        auto pattern = [g](int x, int y) { return MakeRgb(x * g & 255, y * 3 & 255, ((x ^ y) & 255) | 1); };
        WriteFileBytes(FOLDER + name, BuildPack({{"game.ini", ini}, {"game.dll", Filler(300 * 1024, g)},
                                                 {"sys_logo.bmp", Bmp24(256, 164, pattern)},
                                                 {"sys_states.bmp", Bmp24(256, 100, pattern)},
                                                 {"help.bmp", Bmp24(640, 360, pattern)},
                                                 {"se.wav", Filler(400 * 1024, g + 1)}}));
    }
}

PROCESS_INFORMATION Start(const std::string &commandLine, const char *folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, folder, &startup, &process);
    return process;
}

// A message of the program (a record of the shared prefix reported as damaged) is answered, and
// its time is counted in.
void AnswerBox() {
    HWND box = FindWindowA("#32770", NULL);
    if (!box) return;
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    printf("(answered a box: %s)\n", Readable(caption).c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Sleep(50);
}

// The time of the log line "<prefix>N ms", or 0 when it did not come. The program runs its frames
// from its first activation, which the desktop gives a program started by a person at once; a
// program started by this one is not given it, so it is handed over as soon as the window exists.
uint32_t WaitForLogTime(const std::string &prefix, HANDLE process) {
    HWND activated = 0;
    for (uint32_t start = timeGetTime(); timeGetTime() - start < WAIT_MS; Sleep(2)) {
        HWND window = FindWindowA(PRODUCT_TITLE, NULL);
        if (window && window != activated) PostMessageA(activated = window, WM_ACTIVATE, WA_ACTIVE, 0);
        AnswerBox();
        std::string log = ReadFileText(FOLDER + "debug.log");
        size_t at = log.find(prefix);
        if (at != std::string::npos) return (uint32_t)strtoul(log.c_str() + at + prefix.size(), 0, 10);
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return 0;
    }
    return 0;
}

void Close(PROCESS_INFORMATION &process) {
    HWND window = FindWindowA(PRODUCT_TITLE, NULL);
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double TrivialMs(const char *arguments) {
    uint32_t start = timeGetTime();
    PROCESS_INFORMATION process = Start(std::string("bench\\trivial_window.exe") + arguments, NULL);
    WaitForSingleObject(process.hProcess, WAIT_MS);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return timeGetTime() - start;
}

double SceneMs(const char *arguments, const char *scene) {
    DeleteFileA((FOLDER + "debug.log").c_str());
    uint32_t start = timeGetTime();
    PROCESS_INFORMATION process = Start(FOLDER + "Robina.exe" + arguments, FOLDER.c_str());
    uint32_t shown = WaitForLogTime(std::string("first frame of the ") + scene + " at ", process.hProcess);
    Close(process);
    return shown ? (double)(shown - start) : -1;
}

// Lines of the last run's log before the line that starts with prefix.
size_t LinesBefore(const std::string &prefix) {
    std::string log = ReadFileText(FOLDER + "debug.log");
    size_t at = log.find(prefix);
    return at == std::string::npos ? 0 : (size_t)std::count(log.begin(), log.begin() + at, '\n');
}

// One log line as the program writes it, in a folder of its own with the marker.
double LogLineMs() {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    CreateDirectoryA((FOLDER + "logcost").c_str(), NULL);
    SetCurrentDirectoryA((FOLDER + "logcost").c_str());
    WriteFileBytes("debughqx.bin", "");
    uint32_t start = timeGetTime();
    for (int i = 0; i < LOG_LINES; i++) Log("pack open > %s\n", "sys_logo.bmp");
    double each = (timeGetTime() - start) / (double)LOG_LINES;
    SetCurrentDirectoryA(previous);
    return each;
}

double PrivateMb(HANDLE process, bool peak) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS *)&counters, sizeof counters);
    return (peak ? counters.PeakPagefileUsage : counters.PagefileUsage) / 1048576.0;  // Wine leaves PrivateUsage 0
}

void ClickBalloon() {
    HWND window = FindWindowA(PRODUCT_TITLE, NULL);
    POINT at = {BALLOON_X, BALLOON_Y};
    ClientToScreen(window, &at);
    SetForegroundWindow(window);
    SetCursorPos(at.x, at.y);
    Sleep(300);  // hovered for some ticks first
    LPARAM where = MAKELPARAM(BALLOON_X, BALLOON_Y);
    PostMessageA(window, WM_MOUSEMOVE, 0, where);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
    Sleep(60);
    PostMessageA(window, WM_LBUTTONUP, 0, where);
}

void Memory() {
    DeleteFileA((FOLDER + "debug.log").c_str());
    PROCESS_INFORMATION process = Start(FOLDER + "Robina.exe /q", FOLDER.c_str());
    if (!WaitForLogTime("first frame of the menu at ", process.hProcess)) return Close(process);
    Sleep(SETTLE_MS);
    printf("%-52s %7.1f MB now, %7.1f MB peak\n", "private bytes at the menu, 30 games", PrivateMb(process.hProcess, false),
           PrivateMb(process.hProcess, true));
    ClickBalloon();
    if (WaitForLogTime("start task_sum ", process.hProcess)) {
        Sleep(SETTLE_MS);
        printf("%-52s %7.1f MB now, %7.1f MB peak\n", "private bytes in the balloon game", PrivateMb(process.hProcess, false),
               PrivateMb(process.hProcess, true));
    } else {
        printf("the balloon game did not start from the click\n");
    }
    Close(process);
}
}  // namespace

int main() {
    timeBeginPeriod(1);
    MakeFolder();
    std::vector<double> trivial, trivialDdraw, menu, title;
    size_t logLines = 0;
    for (int i = 0; i < RUNS; i++) {
        trivial.push_back(TrivialMs(""));
        trivialDdraw.push_back(TrivialMs(" ddraw"));
        menu.push_back(SceneMs(" /q", "menu"));
        logLines = LinesBefore("first frame of the menu at ");
        title.push_back(SceneMs("", "title"));
    }
    printf("start-up, median of %d runs (Robina.exe with its log, 30 game files)\n", RUNS);
    printf("%-52s %9.0f ms\n", "trivial windowed program, start to end", Median(trivial));
    printf("%-52s %9.0f ms\n", "  the same with a DirectDraw object made first", Median(trivialDdraw));
    printf("%-52s %9.0f ms\n", "Robina.exe /q, start to the first menu frame", Median(menu));
    printf("%-52s %9.0f ms\n", "Robina.exe, start to the first title frame", Median(title));
    double lineMs = LogLineMs();
    printf("%-52s %9.0f ms (%u lines at %.3f ms)\n", "of the menu figure, the log's own lines", logLines * lineMs,
           (unsigned)logLines, lineMs);
    Memory();
    timeEndPeriod(1);
    return 0;
}
