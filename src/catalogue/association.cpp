// The file association of game files: the class key, its icon and open command, and the extension's
// key, rewritten at every boot so that a moved program takes its association along. A refused write
// stops the registration there; what was written before stays. Where the machine-wide classes refuse
// the writes (a standard user on a locked-down system), the same four entries go to the user's own
// classes, which the Windows shell reads first for that user.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "catalogue/catalogue.h"

static int SetDefaultValue(HKEY root, const char *key, const char *value) {
    return RegSetValueA(root, key, REG_SZ, value, (DWORD)strlen(value)) == ERROR_SUCCESS;
}

static int WriteAssociation(HKEY root, const char *extension, const char *classKey, const char *description,
                            const char *icon, const char *command) {
    char key[MAX_PATH + 32];
    if (!SetDefaultValue(root, classKey, description)) return 0;
    snprintf(key, sizeof key, "%s\\DefaultIcon", classKey);
    if (!SetDefaultValue(root, key, icon)) return 0;
    snprintf(key, sizeof key, "%s\\shell\\open\\command", classKey);
    if (!SetDefaultValue(root, key, command)) return 0;
    return SetDefaultValue(root, extension, classKey);
}

// The program path and the file's path are quoted: unquoted, a program under "Program Files" could be
// taken for C:\Program.exe, and a game file's path with blanks would arrive split into several words.
int RegisterGameFileType(const char *extension, const char *description, int32_t icon) {
    char program[MAX_PATH] = "";
    GetModuleFileNameA(NULL, program, MAX_PATH);
    char classKey[MAX_PATH], iconValue[MAX_PATH + 32], command[MAX_PATH + 32];
    snprintf(classKey, sizeof classKey, "PomoRobina%s", extension);
    snprintf(iconValue, sizeof iconValue, "%s,%d", program, (int)icon);
    snprintf(command, sizeof command, "\"%s\" \"%%1\"", program);
    if (WriteAssociation(HKEY_CLASSES_ROOT, extension, classKey, description, iconValue, command)) return 1;
    HKEY userClasses;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &userClasses,
                        NULL) != ERROR_SUCCESS)
        return 0;
    int written = WriteAssociation(userClasses, extension, classKey, description, iconValue, command);
    RegCloseKey(userClasses);
    return written;
}
