// The reading of Robina.exe's command line; see command_format.h. Only ASCII letters are folded:
// the rest of a path is the player's, compared and kept as it came.
#include "shell/command_format.h"

static wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? (wchar_t)(c - L'A' + L'a') : c;
}

// Equal to the switch word once a-z are folded, with "/" or "-" before it.
static int IsSwitch(const wchar_t *text, size_t length, const wchar_t *word) {
    if (length < 2 || (text[0] != L'/' && text[0] != L'-')) return 0;
    size_t i = 1;
    for (; i < length && word[i - 1]; i++)
        if (FoldAscii(text[i]) != word[i - 1]) return 0;
    return i == length && !word[i - 1];
}

static int IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The game file comes first: a quoted path on drive Q: also has 'q' for its second character.
int ReadCommandLine(const wchar_t *line, wchar_t *path, size_t pathChars) {
    const wchar_t *start = line;
    size_t length = wcslen(line);
    while (length && IsBlank(*start)) start++, length--;
    while (length && IsBlank(start[length - 1])) length--;
    if (length >= 2 && start[0] == L'"' && start[length - 1] == L'"') start++, length -= 2;
    static const wchar_t extension[] = L".vyg";
    int gameFile = length >= 4;
    for (size_t i = 0; gameFile && i < 4; i++) gameFile = FoldAscii(start[length - 4 + i]) == extension[i];
    if (gameFile) {
        if (pathChars) path[0] = 0;
        if (length >= pathChars) return COMMAND_GAME_FILE;
        wmemcpy(path, start, length);
        path[length] = 0;
        return COMMAND_GAME_FILE;
    }
    if (wcslen(line) < 2) return COMMAND_START;
    if (line[1] == L'q') return COMMAND_QUICK;
    if (IsSwitch(start, length, L"unregister")) return COMMAND_UNREGISTER;
    if (IsSwitch(start, length, L"folder")) return COMMAND_FOLDER;
    return COMMAND_OTHER;
}
