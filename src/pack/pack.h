// The pack reader: one current RVPX pack (the "RVP" resource MENUDATA or a game file of the program's
// folder or the player's games folder); members reach their users only through one tracked
// temporary file at a time.
#ifndef ROBINA_PACK_H
#define ROBINA_PACK_H

#include <stdint.h>

#define MENU_PACK "MENUDATA"

int SetPack(const char *name);                 // a resource, a file of the game folders or a full path; 0: not reached
int SetPackFile(const wchar_t *path);          // a game file at a full path; 0: not reached
uint8_t *TakeGameFileBytes(uint32_t *size);    // the current game file's cached bytes, now the caller's (Free); null for a resource
// Runs step, which may make other packs current and return on any path, and makes the caller's pack
// current again afterwards, cache and all (its file is not read again); the log names it. step's result.
int LendPack(int (*step)(void *context), void *context);
const char *CurrentPackName(void);             // the name given to the last successful SetPack
const wchar_t *ExtractMember(const char *name);  // path of a new temporary file, or null
int HasMember(const char *name);               // 1: the current pack holds the member (names folded)
int PackIsWhole(void);                         // 1: the current pack's directory reads; 0: damaged, or no pack
// Up to *headBytes first bytes of a member, unscrambled, and its whole size, from the pack as held:
// for judging a member without reading back its extracted file. 0: no such member.
int PeekMember(const char *name, uint8_t *head, uint32_t *headBytes, uint32_t *size);
int DeleteExtracted(void);                     // deletes the last extracted file; always 1
void ReleasePackCache(void);                   // frees the cached game file (at exit)
int SweepTempLeftovers(void);                  // deletes leftover "rvpxNNNN.tmp" files; the count

extern int32_t TempCounter;                    // number part of the last temporary name tried

#endif
