// The application shell's shared services and globals: log, error box, counted allocator, random
// numbers, program folder, registry configuration, frame clock, main window and mouse state.
#ifndef ROBINA_SHELL_H
#define ROBINA_SHELL_H

#include <stdint.h>
#include "launcher/robina_game.h"

#define PRODUCT_TITLE "ポモのロビナ"
enum { PLAY_WIDTH = 640, PLAY_HEIGHT = 360, FULL_HEIGHT = 480, FULL_BAND = 60, TICK_MS = 20 };

// --- log, error box, allocator, random, program folder (diag.cpp) ---
int Log(const char *format, ...) __attribute__((format(printf, 1, 2)));
void ErrorBox(const char *message);
void *__cdecl Alloc(int32_t size);
void __cdecl Free(void *block);
int32_t __cdecl Random(int32_t lower, int32_t upper);
int ModuleDirectory(char *buffer);  // buffer of 260 characters; 1 when filled

extern int32_t LiveBlocks;      // blocks from Alloc not yet given back to Free

// --- registry configuration (config.cpp) ---
int ReadConfig(const char *name, void *buffer, uint32_t size);
int WriteConfig(const char *name, const void *data, uint32_t size);
int DeleteObsoleteConfig(void);

// --- start-up settings dialog (settings.cpp) ---
extern int32_t StartupCancelled;   // 1 when the settings dialog was left without starting
int SettingsDialog(void *owner);   // runs the modal dialog; 1 when the user chose to start

// --- frame clock, message and frame loop, shutdown (loop.cpp) ---
void ResetFrameClock(void);
int RunMessageLoop(void);          // until the quit message; returns its parameter
int FramePass(void);               // one pass while frames run: due ticks, a frame; returns the ticks
void ReleaseSubsystems(void);      // everything the start-up brought up, in reverse order
extern uint32_t (*FrameTime)(void);  // ms clock of the loop: timeGetTime, replaced by tests
extern int32_t SystemCursorShown;  // 1 while the Windows cursor is shown
extern int32_t FramesPerSecond;    // frames drawn per second, refreshed every 500 ms
extern int32_t FramesRunning;      // 1 from the first activation of the main window on
extern int32_t QuickStart;         // 1: the scene sequence starts at the menu

// --- main window and mouse (window.cpp) ---
extern void *MainInstance;          // HINSTANCE of the program
extern void *MainWindow;            // HWND of the main window
extern int32_t FullScreen;          // 1: 640x480 full-screen mode; 0: window mode
extern int32_t WindowActive;        // 1 while the main window is active
extern MouseRecord MouseState;      // the shared mouse record, refreshed once per tick
int CreateMainWindow(void *instance, int showCommand);  // 0: failed, or the user chose not to start
void FitWindow(void);
void ToggleFullScreen(void);
int InitMouse(void);               // clears all of MouseState
int ReleaseMouse(void);
int PollMouse(void);
void ClearClicks(void);
void ClearButtons(void);           // all click and held flags

#endif
