// The file association of game files: the class key, its icon and open command, and the extension's
// key, rewritten at every boot so that a moved program takes its association along. A refused write
// stops the registration there; what was written before stays. Where the machine-wide classes refuse
// the writes (a standard user on a locked-down system), the same four entries go to the user's own
// classes, which the Windows shell reads first for that user.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>
#include "catalogue/catalogue.h"
#include "base/base.h"

static int SetDefaultValue(HKEY root, const wchar_t *key, const wchar_t *value) {
    return RegSetValueW(root, key, REG_SZ, value, (DWORD)(wcslen(value) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

static int WriteAssociation(HKEY root, const wchar_t *extension, const wchar_t *classKey, const wchar_t *description,
                            const wchar_t *icon, const wchar_t *command) {
    wchar_t key[PATH_CHARS + 32];
    if (!SetDefaultValue(root, classKey, description)) return 0;
    swprintf(key, PATH_CHARS + 32, L"%ls\\DefaultIcon", classKey);
    if (!SetDefaultValue(root, key, icon)) return 0;
    swprintf(key, PATH_CHARS + 32, L"%ls\\shell\\open\\command", classKey);
    if (!SetDefaultValue(root, key, command)) return 0;
    return SetDefaultValue(root, extension, classKey);
}

// The program path and the file's path are quoted: unquoted, a program under "Program Files" could be
// taken for C:\Program.exe, and a game file's path with blanks would arrive split into several words.
// The program's path stays wide: its folder may hold characters Shift-JIS has not.
int RegisterGameFileType(const char *extension, const char *description, int32_t icon) {
    wchar_t program[PATH_CHARS] = L"", wideExtension[TITLE_CHARS], wideDescription[TITLE_CHARS];
    DWORD length = GetModuleFileNameW(NULL, program, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS || !ToWide(extension, wideExtension, TITLE_CHARS) ||
        !ToWide(description, wideDescription, TITLE_CHARS))
        return 0;
    wchar_t classKey[TITLE_CHARS], iconValue[PATH_CHARS + 32], command[PATH_CHARS + 32];
    swprintf(classKey, TITLE_CHARS, L"PomoRobina%ls", wideExtension);
    swprintf(iconValue, PATH_CHARS + 32, L"%ls,%d", program, (int)icon);
    swprintf(command, PATH_CHARS + 32, L"\"%ls\" \"%%1\"", program);
    if (WriteAssociation(HKEY_CLASSES_ROOT, wideExtension, classKey, wideDescription, iconValue, command)) return 1;
    HKEY userClasses;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &userClasses,
                        NULL) != ERROR_SUCCESS)
        return 0;
    int written = WriteAssociation(userClasses, wideExtension, classKey, wideDescription, iconValue, command);
    RegCloseKey(userClasses);
    return written;
}
