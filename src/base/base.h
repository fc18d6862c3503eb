// The ground floor of the program: everything here calls nothing above it, so every other part may
// use it. The log, the error box, the counted allocator and the one random generator; the registry
// configuration key; the frame clock; and the input state the window procedure fills and each tick
// reads (main window, screen mode, mouse).
#ifndef ROBINA_BASE_H
#define ROBINA_BASE_H

#include <stddef.h>
#include <stdint.h>
#include "robina_game.h"
#include "base/area_format.h"

#define PRODUCT_TITLE "ポモのロビナ"
#define ERROR_CAPTION "エラー"  // caption of every error box
enum { TICK_MS = 20 };

// --- log, error box, allocator, random, program folder, text cut (diag.cpp) ---
int Log(const char *format, ...) __attribute__((format(printf, 1, 2)));
int StartLog(void);                   // logs from here on without the marker file; 0: debug.log not writable
void ErrorBox(const char *message);   // fatal: shows the message, then posts the quit message
extern void (*ErrorBoxHook)(const char *message);  // when set, takes the fatal message instead
void ExitWithMessage(const char *message, unsigned exitCode);  // shows the message, LastWords, ends at once
void NoticeBox(const char *message);  // not fatal: shows the message; time stops while it is open
void *__cdecl Alloc(int32_t size);
void __cdecl Free(void *block);
int32_t __cdecl Random(int32_t lower, int32_t upper);
extern int32_t (*RandomOverride)(int32_t lower, int32_t upper);  // tests: answers Random when set
void SeedRandom(uint32_t seed);     // a run that repeats: the same seed, the same numbers after it
int ModuleDirectory(wchar_t *buffer);  // buffer of PATH_CHARS; 1 when filled (ends in a backslash)
// The player's own games folder, scanned after the program's folder: GAMES_FOLDER_NAME in the user's
// Documents. Made only when create is 1 (a game is added, the folder is opened); buffer of
// PATH_CHARS, 1 when filled (ends in a backslash).
#define GAMES_FOLDER_NAME L"Robina Games"
int GamesFolder(wchar_t *buffer, int create);
// Called once before a fatal exit that bypasses the normal shutdown (for example when memory ran
// out), so that what must never be left behind (an extracted game library) is released.
extern void (*LastWords)(void);

extern int32_t LiveBlocks;      // blocks from Alloc not yet given back to Free

// --- text at the Windows boundary (widetext.cpp) ---
// The program's own text is Shift-JIS on every system; Windows is given UTF-16 through the wide
// functions, converted here with code page 932 named, never with the system's code page. Paths are
// wide from Windows to Windows and become Shift-JIS only to be compared, shown or logged.
enum {
    SHIFT_JIS_CODE_PAGE = 932,
    PATH_CHARS = 260,       // a path of the program's: the classic Windows limit, in UTF-16 units
    MESSAGE_CHARS = 1024,   // a message, a window's or a control's text
    TITLE_CHARS = 128,      // a caption, a font face, a registry value name
};
// `bytes` of Shift-JIS (a terminator among them is converted too): the UTF-16 units written, 0 for
// none, -1 when they do not fit.
int SjisToWide(const char *text, int bytes, wchar_t *wide, int wideChars);
// `chars` UTF-16 units: the bytes written, 0 for none, -1 when they do not fit or one of them has no
// Shift-JIS form (never a silent "?").
int WideToSjis(const wchar_t *wide, int chars, char *text, int textBytes);
int ToWide(const char *text, wchar_t *wide, int wideChars);    // terminated; 1 when whole, else ""
int FromWide(const wchar_t *wide, char *text, int textBytes);  // terminated; 1 when whole, else ""
int HasShiftJisForm(const wchar_t *wide);                      // 1: every character has one
int ShowMessage(void *owner, const char *text, const char *caption, uint32_t flags);  // MessageBoxW's answer
// The program's text with wide parts put in: `format` is Shift-JIS, "%ls" takes a wide string (a
// path), "%d" a number. 1 when the whole text fitted.
int FormatWide(wchar_t *text, int chars, const char *format, ...);
int ShowWideMessage(void *owner, const wchar_t *text, const char *caption, uint32_t flags);
int SetWindowTextSjis(void *window, const char *text);
int GetWindowTextSjis(void *window, char *text, int textBytes);  // 0 ("") for a text with no Shift-JIS form
// A path as log lines and messages show it, where a character with no Shift-JIS form may be "?";
// never stored, never compared.
const char *ShownPath(const wchar_t *path);

// --- registry configuration (config.cpp) ---
// Value names of the configuration key; the save records add their own (savedata.cpp).
#define CONFIG_USE_VRAM "UseVRAM"        // "1": surfaces in video memory
#define CONFIG_SCREEN_MODE "ScreenMode"  // "1": full screen
#define CONFIG_SCREEN_SCALE "ScreenScale"  // the window's factor: "1" to "4", or "0" for the screen's own
#define CONFIG_OBSOLETE "UseHAL"         // written by early versions; deleted at every start
int ReadConfig(const char *name, void *buffer, uint32_t size);
int HasConfig(const char *name);                  // 1: the value exists, whatever its size
int WriteConfig(const char *name, const void *data, uint32_t size);
int CopyConfig(const char *from, const char *to);  // the value's bytes and type as they are; 0: none
int DeleteObsoleteConfig(void);

// --- frame clock (clock.cpp) ---
// Ticks of TICK_MS; a pass of the loop reads the clock once, runs every tick that is due and draws
// one frame. Anything that takes long (a load, a modal dialog, a mode switch) restarts the clock, so
// the time spent is not caught up and no click made meanwhile survives it.
extern uint32_t (*FrameTime)(void);  // ms clock of the loop: timeGetTime, replaced by tests
extern int32_t FramesPerSecond;    // frames drawn per second, refreshed every 500 ms
extern int32_t FramesRunning;      // 1 from the first activation of the main window on
void ResetFrameClock(void);
void BeginClockPass(void);         // reads the clock for this pass of the loop
int TickDue(void);                 // 1 while a tick is due at the time read
void CountTick(void);              // the due tick has run
void CountFrame(void);             // a frame was drawn
void UpdateFrameRate(void);        // refreshes FramesPerSecond when its period is over
void IdleClock(void);              // while frames do not run: nothing is due until now

// --- input state (input.cpp) ---
extern int32_t QuickStart;          // 1: the command line asked to start at the menu
extern void *MainInstance;          // HINSTANCE of the program
extern void *MainWindow;            // HWND of the main window
extern int32_t FullScreen;          // 1: full screen (a borderless window over its monitor); 0: window mode
extern PlayPlaceRecord PlayPlace;   // the play area's place in the client area and its factor
extern int32_t WindowActive;        // 1 while the main window is active
extern int32_t SystemCursorShown;   // 1 while the Windows cursor is shown
extern MouseRecord MouseState;      // the shared mouse record, refreshed once per tick
enum { BUTTON_LEFT = 0, BUTTON_RIGHT = 1 };
int InsidePlayArea(int32_t x, int32_t y);  // 1 for x in 0..639 and y in 0..359
int InitMouse(void);               // clears all of MouseState
int ReleaseMouse(void);
int PollMouse(void);
void PressButton(int button);      // a button went down: held, and clicked for one tick
void ReleaseButton(int button);
void ClearClicks(void);
void ClearButtons(void);           // all click and held flags

#endif
