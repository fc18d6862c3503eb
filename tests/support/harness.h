// In-process test support: the log of the test program, a main window for code that needs one,
// and a watcher that answers message boxes and dialogs and records their texts.
#ifndef ROBINA_TEST_HARNESS_H
#define ROBINA_TEST_HARNESS_H

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

// Runs a program with the given arguments (folder: its working folder, or null for this one) and
// waits up to a minute for it; returns its exit code, or -1 when it could not be started. With an
// output string, that gets what the program wrote to its standard output.
long RunChildProgram(const std::string &program, const std::string &arguments, const char *folder,
                     std::string *output = nullptr);

// While alive, every dialog or message box that opens on this thread is recorded and answered:
// its caption and texts are kept, then its default button (or the given control) is pressed.
struct BoxRecord {
    std::string caption;
    std::string text;   // the texts of its static controls, joined by "\n"
};
class BoxWatcher {
public:
    explicit BoxWatcher(int pressId = 0);  // 0: IDOK, else the control id to press
    ~BoxWatcher();
    std::vector<BoxRecord> boxes;
};

#endif
