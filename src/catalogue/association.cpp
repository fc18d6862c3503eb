// The file association of game files: the class key, its icon and open command, and the extension's
// key, rewritten at every boot so that a moved program takes its association along. A refused write
// stops the registration there; what was written before stays.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "catalogue/catalogue.h"

static int SetDefaultValue(const char *key, const char *value) {
    return RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, value, (DWORD)strlen(value)) == ERROR_SUCCESS;
}

int RegisterGameFileType(const char *extension, const char *description, int32_t icon) {
    char program[MAX_PATH] = "";
    GetModuleFileNameA(NULL, program, MAX_PATH);
    char classKey[MAX_PATH], key[MAX_PATH + 32], value[MAX_PATH + 32];
    snprintf(classKey, sizeof classKey, "PomoRobina%s", extension);
    if (!SetDefaultValue(classKey, description)) return 0;
    snprintf(key, sizeof key, "%s\\DefaultIcon", classKey);
    snprintf(value, sizeof value, "%s,%d", program, (int)icon);
    if (!SetDefaultValue(key, value)) return 0;
    snprintf(key, sizeof key, "%s\\shell\\open\\command", classKey);
    snprintf(value, sizeof value, "%s %%1", program);
    if (!SetDefaultValue(key, value)) return 0;
    return SetDefaultValue(extension, classKey);
}
