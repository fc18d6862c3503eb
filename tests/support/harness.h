// In-process test support: the log of the test program, a main window for code that needs one,
// a watcher that answers message boxes and dialogs and records their texts, and a watchdog that
// fails the running test when a dialog it opened stays open (DIALOG_WATCHDOG_MS), closing it, so a
// dialog that never ends costs seconds and names itself instead of hanging the test program.
#ifndef ROBINA_TEST_HARNESS_H
#define ROBINA_TEST_HARNESS_H

#include <stdint.h>
#include <functional>
#include <set>
#include <string>
#include <vector>

// The whole debug.log of this test program's run so far (logging is switched on for every test
// program: the marker file is created before main runs).
std::string ReadLog();
// Number of times a text occurs in debug.log.
int CountInLog(const std::string &text);

// Creates (once) a visible 640x360 main window and makes it MainWindow; pumps its first messages.
void *EnsureMainWindow();
// Dispatches waiting window messages.
void PumpMessages();

// The test program's folder, with its final backslash.
std::string Folder();

// What the boot step does once the display, sound and task list are up: the service table, the scan
// of the game files (save-data boxes answered, as records other test programs left may be reported),
// the resource pack made current and the kept cursor and fade tasks started.
void BootLikeTheShell();

// Names of the "rvpx*.tmp" files in the temporary folder, which every test program shares.
std::set<std::string> TempLeftovers();

// What the process holds of the system: GDI and USER objects, as GetGuiResources counts them, and
// private bytes. Where the system does not count objects (Wine answers "not implemented"), GDI objects
// are the used entries of the process's GDI handle table and USER objects the windows of this thread.
struct ProcessFigures {
    long gdi, user;
    long long privateBytes;
};
ProcessFigures ReadProcessFigures();

// Save data, the scan's folder and the registry are shared by every test program of the prefix:
// tests that touch them hold this lock, so each sees only its own changes.
void LockSaveData();
void UnlockSaveData();

// A clock of the test's own for the frame loop: FrameTime reads FakeNow from UseFakeClock on.
extern uint32_t FakeNow;
void UseFakeClock(uint32_t start);

// Runs a program with the given arguments (folder: its working folder, or null for this one) and
// waits up to a minute for it; returns its exit code, or -1 when it could not be started. What it
// writes to its standard output and error goes to *output when given.
long RunChildProgram(const std::string &program, const std::string &arguments, const char *folder,
                     std::string *output = 0);

// Makes Wine's browser a stand-in script that appends each address it is given to "browsed.txt" in
// the folder the opening program runs in, and deletes that file; 1 when the setting was written.
int UseStandInBrowser();
// The first address the stand-in received, waiting for it up to 30 s.
std::string WaitForBrowsedAddress();

// While alive, every dialog or message box that opens on this thread is recorded and answered:
// its caption and texts are kept, then its default button (or the given control) is pressed, or
// the answer given is called to close it in its own way (box: the dialog's HWND).
struct BoxRecord {
    std::string caption;
    std::string text;   // the texts of its static controls, joined by "\n"
};
typedef std::function<void(void *box, const BoxRecord &record)> BoxAnswer;
class BoxWatcher {
public:
    explicit BoxWatcher(int pressId = 0);  // 0: IDOK, else the control id to press
    explicit BoxWatcher(BoxAnswer answer);
    ~BoxWatcher();
    std::vector<BoxRecord> boxes;
};

// Runs `step` on this thread once its message loop (a modal dialog's too) has nothing else to do:
// after a dialog's opening, its focus and its first paint.
void Later(std::function<void()> step);

// Shift-JIS text of the program as UTF-8, for what tests print on the terminal.
std::string Readable(const std::string &shiftJis);

enum { DIALOG_WATCHDOG_MS = 8000 };

// While alive, the program's calls of SetForegroundWindow and ShellExecuteW are recorded in order,
// not made: "foreground desktop" (or "foreground other"), "open <address>".
class ShellCalls {
public:
    ShellCalls();
    ~ShellCalls();
    std::vector<std::string> calls;
};

#endif
