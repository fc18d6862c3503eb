// The game launcher: the service table handed to game libraries, the game's result, and the
// launch and return of the one game library that can be loaded at a time.
#ifndef ROBINA_LAUNCHER_H
#define ROBINA_LAUNCHER_H

#include <stdint.h>
#include "launcher/robina_game.h"

// --- services.cpp ---
extern ServiceTableRecord ServiceTable;  // filled once at boot, unchanged until exit
extern GameResultRecord GameResult;      // cleared at each launch, read at each return
extern int32_t GameEnded;                // 1 once the running game called GameEndCall
void FillServiceTable(void);
void __cdecl GameEndCall(void);

// --- launch.cpp ---
extern char TempGamePath[260];  // the extracted library of the loaded game; empty: none loaded
extern void *GameModule;        // HMODULE of the loaded game library
int LaunchGame(void);           // 1: the game runs; 0: refused after an error box
void ReturnToMenu(void);
void TakeGameResult(int game);  // the return's high-score update, with the name dialog on a new rank
void UnloadGameAtExit(void);    // shutdown: unloads a game still loaded, without calling its End

#endif
