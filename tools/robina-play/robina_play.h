// What the parts of robina-play share: its output, which reaches any console in its own script, and
// the reading of game files and libraries that --check, --dir and the crash report use.
#ifndef ROBINA_PLAY_H
#define ROBINA_PLAY_H

#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "pack/pack_format.h"

enum { EXIT_OK = 0, EXIT_LEAKED = 1, EXIT_REFUSED = 2, EXIT_CRASHED = 3, EXIT_USAGE = 4 };

// --- output (robina_play.cpp) ---
// Texts are UTF-8 here: written wide to a console, as UTF-8 bytes to a file or a pipe.
void Say(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Complain(const char *format, ...) __attribute__((format(printf, 1, 2)));  // to the error output
std::string FromShiftJis(const char *text);
std::string Utf8(const wchar_t *text);
int ToShiftJis(const wchar_t *text, std::string *shiftJis);  // 0: a character has no Shift-JIS form

// --- game files and libraries (check.cpp) ---
typedef struct GameFileRecord {
    std::vector<uint8_t> image;     // the whole file
    std::vector<PackEntry> entries;
    int32_t count;
} GameFileRecord;

int ReadWholeFile(const wchar_t *path, std::vector<uint8_t> *bytes);
int ReadGameFile(const wchar_t *path, GameFileRecord *game);  // 0: unreadable, or not an RVPX pack
int ReadMember(const GameFileRecord *game, const char *name, std::vector<uint8_t> *bytes);  // 0: none
int CheckGame(const wchar_t *path);  // --check: the report, and its exit status

// The crash report's place: the library's bytes and where it was loaded, taken at each start.
int KeepLibraryFacts(const std::vector<uint8_t> &library, uintptr_t base);
void SayCrashPlace(uintptr_t address);

#endif
