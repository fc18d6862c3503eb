// The command line of Robina.exe, read by rules that need no Windows call: its switches, and the game
// file that a double-click (the file association) or a drop on the program hands over. Portable: no
// Windows header.
#ifndef ROBINA_COMMAND_FORMAT_H
#define ROBINA_COMMAND_FORMAT_H

#include <stddef.h>
#include <wchar.h>

enum CommandKind {
    COMMAND_START,       // nothing asked (also a single character): a plain start
    COMMAND_QUICK,       // a second character 'q' ("/q", "-q"): straight to the menu
    COMMAND_GAME_FILE,   // a path ending in ".vyg" in any case, quoted or not: add that game
    COMMAND_UNREGISTER,  // "/unregister": take this program's file association away
    COMMAND_FOLDER,      // "/folder": open the player's games folder
    COMMAND_OTHER,       // anything else ("/x"): the program ends at once, as it always has
};

// The kind of a command line (the text after the program's name). For COMMAND_GAME_FILE, path
// (pathChars units) gets the file's path without its quotes and outer blanks, or "" when it does not
// fit.
int ReadCommandLine(const wchar_t *line, wchar_t *path, size_t pathChars);

#endif
