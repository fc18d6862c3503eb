// The top of the program: the entry point, the message and frame loop, the main window with its
// procedure and the full-screen switch, the start-up settings dialog, the DirectX probe, the boot
// step of the root task, and the start-up and shutdown of every subsystem. Nothing includes this
// header but the shell itself and its tests.
#ifndef ROBINA_SHELL_H
#define ROBINA_SHELL_H

#include <stdint.h>
#include "robina_game.h"
#include "base/base.h"

// --- start-up settings dialog (settings.cpp) ---
extern int32_t StartupCancelled;   // 1 when the settings dialog was left without starting
int SettingsDialog(void *owner);   // runs the modal dialog; 1 when the user chose to start

// --- message and frame loop (loop.cpp) ---
int RunMessageLoop(void);          // until the quit message; returns its parameter
int FramePass(void);               // one pass while frames run: due ticks, a frame; returns the ticks

// --- start-up and shutdown (subsystems.cpp) ---
int StartSubsystems(void);         // display, sound, sprites, mouse, tasks; 0 when the display failed
void ReleaseSubsystems(void);      // everything StartSubsystems brought up, in reverse order
void ReleaseBeforeFatalExit(void); // what must not outlive a fatal exit: the extracted game library
void LogExit(void);                // the last line of every run: the count of unfreed blocks

// --- main window (window.cpp) ---
extern int32_t ChosenFactor;       // the player's window factor, 1..4; 0: the one the screen suits
int CreateMainWindow(void *instance, int showCommand);  // 0: failed, or the user chose not to start
void FitWindow(void);              // the current mode's place: the kept window place, or the whole monitor
void ToggleFullScreen(void);
int ChooseFactor(int factor);      // Ctrl+0..Ctrl+4: kept in the configuration key; 0 for a factor out of range
void FollowDpi(int dpi, const struct tagRECT *suggested);  // WM_DPICHANGED: the new monitor's factor about the centre

// --- a game file handed to the running program (handover.cpp) ---
// A command line that could not be followed (a game file refused or not copied, an association
// that could not be taken away) ends with this status; the message said why.
enum { EXIT_NOT_DONE = 2 };
extern wchar_t HandedGameFile[PATH_CHARS];  // a path another start handed over, not yet asked about; ""
void BringWindowForward(void *window);      // restored when minimised, its last pop-up in front
int HandGameFileOver(const wchar_t *windowClass, const wchar_t *path);  // 1: the running program took it
int TakeHandedGameFile(const void *copyData);  // WM_COPYDATA's part: 1 when the path was taken
void OfferHandedGameFile(void);             // asks about the handed-over file (the loop, between passes)

// --- DirectX probe (dxprobe.cpp) ---
int DirectXVersion(void);          // major in the high byte, minor in the low byte (0x700 = 7.0)

// --- boot of the root task (boot.cpp) ---
extern const StepRoutine BootSteps[2];  // BootStep, then IdleStep
void __cdecl BootStep(void);

#endif
