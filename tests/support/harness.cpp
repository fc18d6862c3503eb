// Test support: the log file, a main window, and the message-box watcher and dialog watchdog (CBT
// hooks on the test's own thread, so modal boxes opened by the code under test never wait for a
// person, nor for CTest's time-out).
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include "harness.h"
#include "base/base.h"
#include "catalogue/catalogue.h"
#include "fade/fade.h"
#include "launcher/launcher.h"
#include "pack/pack.h"

namespace {
// A crash ends the test program at once with its code and address on the standard error, where
// the test runner shows it, instead of waiting in a debugger until the runner's time-out.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS *crash) {
    fprintf(stderr, "unhandled exception %08lX at %p\n", (unsigned long)crash->ExceptionRecord->ExceptionCode,
            crash->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), crash->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct MarkerFile {
    MarkerFile() {
        FILE *f = fopen("debughqx.bin", "w");
        if (f) fclose(f);
        SetUnhandledExceptionFilter(ReportCrash);
    }
} markerFile;

BoxWatcher *activeWatcher = 0;
int watcherPressId = IDOK;
BoxAnswer watcherAnswer;
HHOOK watcherHook = 0;
HANDLE saveDataLock = 0;

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    char cls[64], text[1024];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    GetWindowTextSjis(child, text, sizeof text);
    if (!text[0]) return TRUE;
    std::string *all = (std::string *)param;
    if (!all->empty()) *all += "\n";
    *all += text;
    return TRUE;
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeWatcher) {
        HWND box = (HWND)wParam;
        char cls[64];
        GetClassNameA(box, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0) {
            BoxRecord record;
            char caption[512];
            GetWindowTextSjis(box, caption, sizeof caption);
            record.caption = caption;
            EnumChildWindows(box, CollectText, (LPARAM)&record.text);
            activeWatcher->boxes.push_back(record);
            if (watcherAnswer) {
                watcherAnswer(box, record);
                return CallNextHookEx(watcherHook, code, wParam, lParam);
            }
            HWND button = GetDlgItem(box, watcherPressId);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(watcherPressId, BN_CLICKED), (LPARAM)button);
        }
    }
    return CallNextHookEx(watcherHook, code, wParam, lParam);
}

// --- the dialog watchdog: each open dialog has a deadline, checked on every message this thread's
// loops take (a dialog's own loop too, even when it never goes idle) and on a timer while idle ---
std::map<HWND, DWORD> dialogDeadlines;  // open dialog -> GetTickCount() past which it is overdue
UINT_PTR watchdogTimer = 0;
enum { WATCHDOG_WAKE_MS = 250 };

void CloseOverdueDialogs() {
    for (auto it = dialogDeadlines.begin(); it != dialogDeadlines.end();) {
        HWND box = it->first;
        if ((LONG)(GetTickCount() - it->second) < 0) {
            ++it;
            continue;
        }
        it = dialogDeadlines.erase(it);
        char caption[512];
        GetWindowTextSjis(box, caption, sizeof caption);
        std::string texts;
        EnumChildWindows(box, CollectText, (LPARAM)&texts);
        std::replace(texts.begin(), texts.end(), '\n', ' ');
        ADD_FAILURE() << "the dialog \"" << Readable(caption) << "\" (" << Readable(texts) << ") stayed open "
                      << DIALOG_WATCHDOG_MS / 1000 << " s; the watchdog closed it";
        EndDialog(box, 0);
    }
}

void CALLBACK WakeWatchdog(HWND, UINT, UINT_PTR, DWORD) {
    CloseOverdueDialogs();
}

LRESULT CALLBACK WatchDialogMessages(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && !dialogDeadlines.empty()) CloseOverdueDialogs();
    return CallNextHookEx(NULL, code, wParam, lParam);
}

LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = (HWND)wParam;
    char cls[64] = "";
    if (code == HCBT_ACTIVATE && !dialogDeadlines.count(window) && GetClassNameA(window, cls, sizeof cls) &&
        lstrcmpA(cls, "#32770") == 0)
        dialogDeadlines[window] = GetTickCount() + DIALOG_WATCHDOG_MS;
    if (code == HCBT_DESTROYWND) dialogDeadlines.erase(window);
    if (!dialogDeadlines.empty() && !watchdogTimer) watchdogTimer = SetTimer(NULL, 0, WATCHDOG_WAKE_MS, WakeWatchdog);
    if (dialogDeadlines.empty() && watchdogTimer) {
        KillTimer(NULL, watchdogTimer);
        watchdogTimer = 0;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

struct DialogWatchdog {
    DialogWatchdog() {
        SetWindowsHookExA(WH_CBT, WatchDialogs, NULL, GetCurrentThreadId());
        SetWindowsHookExA(WH_GETMESSAGE, WatchDialogMessages, NULL, GetCurrentThreadId());
    }
} dialogWatchdog;

std::map<UINT_PTR, std::function<void()>> laterSteps;  // timer id -> the step it runs

void CALLBACK RunLaterStep(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(NULL, timer);
    std::function<void()> step = laterSteps[timer];
    laterSteps.erase(timer);
    step();
}

// --- the shell-call recorder: the test program's own import slots point at recorders meanwhile ---
ShellCalls *activeShellCalls = 0;
void *realForeground = 0, *realShellExecute = 0;

BOOL WINAPI RecordForeground(HWND window) {
    activeShellCalls->calls.push_back(window == GetDesktopWindow() ? "foreground desktop" : "foreground other");
    return TRUE;
}

HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    char address[2 * MESSAGE_CHARS] = "(null)";
    if (file && !FromWide(file, address, sizeof address)) snprintf(address, sizeof address, "(no Shift-JIS form)");
    activeShellCalls->calls.push_back(std::string("open ") + address);
    return (HINSTANCE)(INT_PTR)(SE_ERR_DLLNOTFOUND + 1);  // above 32: success
}

// Puts `replacement` into the import slot of `function` of this program; returns what was there.
void *SwapImport(const char *function, void *replacement) {
    BYTE *image = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *headers = (IMAGE_NT_HEADERS *)(image + ((IMAGE_DOS_HEADER *)image)->e_lfanew);
    DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(image + imports); d->Name; d++) {
        IMAGE_THUNK_DATA *name = (IMAGE_THUNK_DATA *)(image + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(image + d->FirstThunk);
        for (; name->u1.AddressOfData; name++, slot++) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            if (strcmp((const char *)((IMAGE_IMPORT_BY_NAME *)(image + name->u1.AddressOfData))->Name, function)) continue;
            DWORD access;
            VirtualProtect(&slot->u1.Function, sizeof(void *), PAGE_READWRITE, &access);
            void *old = (void *)slot->u1.Function;
            slot->u1.Function = (DWORD_PTR)replacement;
            VirtualProtect(&slot->u1.Function, sizeof(void *), access, &access);
            return old;
        }
    }
    return 0;
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

std::string ReadLog() {
    std::ifstream file("debug.log", std::ios::binary);
    std::stringstream all;
    all << file.rdbuf();
    // The log is written in text mode, so its lines end in CR LF on disk.
    std::string text = all.str(), plain;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
    return plain;
}

int CountInLog(const std::string &text) {
    std::string log = ReadLog();
    int count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) count++;
    return count;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void BootLikeTheShell() {
    FillServiceTable();
    {
        BoxWatcher saveDataMessages;
        ScanGameFiles();
    }
    PumpMessages();
    SetPack(MENU_PACK);
    StartCursorTask();
    StartFadeTask();
}

long RunChildProgram(const std::string &program, const std::string &arguments, const char *folder,
                     std::string *output) {
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The child writes into a file of the folder it runs in, read back once it ended.
    std::string outPath = std::string(folder ? folder : ".") + "\\child-output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE outFile = output ? CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL)
                            : INVALID_HANDLE_VALUE;
    if (outFile != INVALID_HANDLE_VALUE) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = outFile;
    }
    BOOL started = CreateProcessA(program.c_str(), &command[0], NULL, NULL, outFile != INVALID_HANDLE_VALUE, 0,
                                  NULL, folder, &startup, &process);
    if (outFile != INVALID_HANDLE_VALUE) CloseHandle(outFile);
    if (!started) return -1;
    // However long a busy machine makes it take: CTest's time-out ends a child that hangs.
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = (DWORD)-1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (output) {
        std::ifstream file(outPath.c_str(), std::ios::binary);
        std::stringstream all;
        all << file.rdbuf();
        *output = all.str();
    }
    return (long)exitCode;
}

void *EnsureMainWindow() {
    if (MainWindow) return MainWindow;
    HINSTANCE instance = GetModuleHandleA(NULL);
    MainInstance = instance;
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = PlainWindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(NULL, IDC_ARROW);
    cls.lpszClassName = "RobinaTestWindow";
    RegisterClassExA(&cls);
    RECT frame = {0, 0, PLAY_WIDTH, PLAY_HEIGHT};
    AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
    HWND window = CreateWindowExA(0, "RobinaTestWindow", PRODUCT_TITLE, WS_CAPTION | WS_SYSMENU, 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, 0, 0, instance, 0);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);
    PumpMessages();
    MainWindow = window;
    return window;
}

int UseStandInBrowser() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return 0;
    std::string script = ROBINA_SOURCE_DIR "/tests/support/record-url.sh";
    LONG written = RegSetValueExA(key, "Browsers", 0, REG_SZ, (const BYTE *)script.c_str(), (DWORD)script.size() + 1);
    RegCloseKey(key);
    DeleteFileA("browsed.txt");
    return written == ERROR_SUCCESS;
}

std::string WaitForBrowsedAddress() {
    for (int wait = 0; wait < 1200; wait++) {  // up to 120 s: a new prefix on a busy machine is slow to start it
        std::ifstream file("browsed.txt");
        std::string line;
        if (std::getline(file, line)) return line;
        Sleep(100);
    }
    return "(nothing reached the browser in 120 s)";
}

BoxWatcher::BoxWatcher(int pressId) {
    activeWatcher = this;
    watcherPressId = pressId ? pressId : IDOK;
    watcherHook = SetWindowsHookExA(WH_CBT, WatchBoxes, NULL, GetCurrentThreadId());
}

BoxWatcher::BoxWatcher(BoxAnswer answer) : BoxWatcher(0) {
    watcherAnswer = answer;
}

BoxWatcher::~BoxWatcher() {
    UnhookWindowsHookEx(watcherHook);
    watcherHook = 0;
    activeWatcher = 0;
    watcherAnswer = nullptr;
}

void Later(std::function<void()> step) {
    laterSteps[SetTimer(NULL, 0, 0, RunLaterStep)] = step;
}

std::string Readable(const std::string &shiftJis) {
    int n = MultiByteToWideChar(932, 0, shiftJis.data(), (int)shiftJis.size(), NULL, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(932, 0, shiftJis.data(), (int)shiftJis.size(), &wide[0], n);
    int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, NULL, 0, NULL, NULL);
    std::string utf8(m, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &utf8[0], m, NULL, NULL);
    return utf8;
}

ShellCalls::ShellCalls() {
    activeShellCalls = this;
    realForeground = SwapImport("SetForegroundWindow", (void *)RecordForeground);
    realShellExecute = SwapImport("ShellExecuteW", (void *)RecordShellExecute);
}

ShellCalls::~ShellCalls() {
    SwapImport("SetForegroundWindow", realForeground);
    SwapImport("ShellExecuteW", realShellExecute);
    activeShellCalls = 0;
}

// The test programs lie in the build tree, whose path is ASCII.
std::string Folder() {
    wchar_t wide[PATH_CHARS];
    char folder[2 * PATH_CHARS] = "";
    if (ModuleDirectory(wide)) FromWide(wide, folder, sizeof folder);
    return folder;
}

void LockSaveData() {
    saveDataLock = CreateMutexA(NULL, FALSE, "RobinaSaveDataTests");
    WaitForSingleObject(saveDataLock, INFINITE);
}

void UnlockSaveData() {
    ReleaseMutex(saveDataLock);
    CloseHandle(saveDataLock);
    saveDataLock = 0;
}

uint32_t FakeNow = 0;
static uint32_t ReadFakeClock(void) {
    return FakeNow;
}

void UseFakeClock(uint32_t start) {
    FakeNow = start;
    FrameTime = ReadFakeClock;
}

std::set<std::string> TempLeftovers() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(folder) + "rvpx*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName); while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

namespace {
// An entry of the GDI handle table as Wine lays it out (the table the PEB points at, 65,536 entries).
#pragma pack(push, 1)
struct GdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type, flags;
    uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24, "Wine's GDI handle entry");
enum { GDI_HANDLE_ENTRIES = 65536, PEB_GDI_TABLE_OFFSET = 0x94 };

long GdiTableObjects() {
    const char *peb;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));  // the PEB of a 32-bit process
    const GdiHandleEntry *table = *(const GdiHandleEntry *const *)(peb + PEB_GDI_TABLE_OFFSET);
    long used = 0;
    for (int i = 0; table && i < GDI_HANDLE_ENTRIES; i++) used += table[i].type != 0;
    return used;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    *(long *)count += 1;
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}
}  // namespace

ProcessFigures ReadProcessFigures() {
    ProcessFigures figures = {};
    SetLastError(0);
    figures.gdi = (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    figures.user = (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        figures.gdi = GdiTableObjects();
        figures.user = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&figures.user);
    }
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&memory, sizeof memory);
    // Wine leaves PrivateUsage at 0; its commit charge is the same figure.
    figures.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    return figures;
}
