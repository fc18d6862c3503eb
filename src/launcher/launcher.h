// The game launcher: the service table handed to game libraries, the game's result, and the
// launch and return of the one game library that can be loaded at a time.
#ifndef ROBINA_LAUNCHER_H
#define ROBINA_LAUNCHER_H

#include <windows.h>
#include <stdint.h>
#include "robina_game.h"
#include "base/base.h"

// --- services.cpp ---
extern ServiceTableRecord ServiceTable;  // filled once at boot, unchanged until exit
extern GameResultRecord GameResult;      // cleared at each launch, read at each return
extern int32_t GameEnded;                // 1 once the running game called GameEndCall
void FillServiceTable(void);
void __cdecl GameEndCall(void);

// --- launch.cpp ---
// What a game left for the shell to free when it ended. The shell logs it at each return and
// robina-play reports it; both count it here.
typedef struct LeftoversRecord {
    int32_t blocks;   // from Alloc and never given back to Free
    int32_t images;
    int32_t sprites;
    int32_t sounds;
    int32_t tasks;    // still there besides the one that called GameEndCall
} LeftoversRecord;
enum { LEFTOVERS_TEXT_BYTES = 96 };

extern wchar_t TempGamePath[PATH_CHARS];  // the extracted library of the loaded game; empty: none loaded
extern const wchar_t *GameLibraryFile;  // robina-play --dir: the library loaded from this file, which stays;
                                        // null: the game file's game.dll, extracted to a temporary file
extern void *GameModule;        // HMODULE of the loaded game library
extern const char *GameRefusal; // why the last LoadGame or StartGame failed (the error box's text)
extern LeftoversRecord GameLeftovers;  // of the running game; tasks counted by GameEndCall
int LoadGame(const char *fileName, const char *gameId);  // the game file becomes the pack, its library is
                                                        // loaded; gameId: the one it must still hold, or null; 0: refused
int StartGame(ServiceTableRecord *services);  // the loaded game's Start; 0: refused, library unloaded
void FinishGame(void);          // after GameEndCall: leftovers counted, logged and freed; End; unload
int LeftoversText(const LeftoversRecord *leftovers, char *text, int size);  // "blocks 0, images 0, ..."
int LeftoversFound(const LeftoversRecord *leftovers);  // 1: something was left
int LaunchGame(void);           // 1: the game runs; 0: refused after an error box
void ReturnToMenu(void);
void TakeGameResult(int game);  // the return's high-score update, with the name dialog on a new rank
void UnloadGameAtExit(void);    // shutdown: unloads a game still loaded, without calling its End

// A fault while a game is loaded (in its Start, a step, its End, or a service it handed bad
// arguments) is logged with the game and the address, the library and its file go, and the
// program ends with EXIT_GAME_CRASHED after the crash message; other faults go to the filter that
// was there before. GameCrashHook, when set, reports the crash its own way and does not return.
enum { EXIT_GAME_CRASHED = 3 };
extern void (*GameCrashHook)(const EXCEPTION_POINTERS *crash);
void CatchGameCrashes(void);    // installs the filter over the one in place

#endif
