// The file association of game files: the class key, its icon and open command, and the extension's
// key, rewritten at every boot so that a moved program takes its association along. A refused write
// stops the registration there; what was written before stays. Where the machine-wide classes refuse
// the writes (a standard user on a locked-down system), the same four entries go to the user's own
// classes, which the Windows shell reads first for that user. On request the association is taken
// away again, but only where it starts this very program: another copy's (an installed one beside
// an unzipped one) stays.
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

// The program an open command starts: the text in its first quotes, or, unquoted as early versions
// wrote it, everything before the last blank (" %1").
static int CommandProgram(const wchar_t *command, wchar_t *program) {
    const wchar_t *start = command, *end = 0;
    if (*command == L'"') {
        start = command + 1;
        end = wcschr(start, L'"');
    } else {
        end = wcsrchr(command, L' ');
    }
    if (!end || end == start || end - start >= PATH_CHARS) return 0;
    wmemcpy(program, start, end - start);
    program[end - start] = 0;
    return 1;
}

// Both paths as the file system spells them in full: an installer may have written a short (8.3)
// form or another case.
static int SameProgram(const wchar_t *a, const wchar_t *b) {
    wchar_t longA[PATH_CHARS], longB[PATH_CHARS];
    DWORD lengthA = GetLongPathNameW(a, longA, PATH_CHARS), lengthB = GetLongPathNameW(b, longB, PATH_CHARS);
    if (lengthA == 0 || lengthA >= PATH_CHARS) lstrcpynW(longA, a, PATH_CHARS);
    if (lengthB == 0 || lengthB >= PATH_CHARS) lstrcpynW(longB, b, PATH_CHARS);
    return CompareStringOrdinal(longA, -1, longB, -1, TRUE) == CSTR_EQUAL;
}

static int ReadDefaultValue(HKEY root, const wchar_t *key, wchar_t *value, DWORD chars) {
    DWORD bytes = chars * sizeof(wchar_t), type = 0;
    value[0] = 0;
    if (RegGetValueW(root, key, NULL, RRF_RT_REG_SZ, &type, value, &bytes) != ERROR_SUCCESS) return 0;
    value[chars - 1] = 0;
    return 1;
}

// The extension's key may carry other programs' entries ("open with" lists): only its default value
// goes, and the key itself only when nothing else is left in it.
static int ReleaseExtension(HKEY classes, const wchar_t *extension, const wchar_t *classKey) {
    wchar_t value[TITLE_CHARS];
    if (!ReadDefaultValue(classes, extension, value, TITLE_CHARS) || wcscmp(value, classKey) != 0) return 1;
    HKEY key;
    if (RegOpenKeyExW(classes, extension, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    DWORD subkeys = 0, values = 0;
    int released = RegDeleteValueW(key, NULL) == ERROR_SUCCESS &&
                   RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL) ==
                       ERROR_SUCCESS;
    RegCloseKey(key);
    if (released && subkeys == 0 && values == 0) released = RegDeleteKeyW(classes, extension) == ERROR_SUCCESS;
    return released;
}

// Whether the tree's deletion takes the key itself differs between systems: what counts is that it
// is gone.
static int RemoveKey(HKEY classes, const wchar_t *name) {
    RegDeleteTreeW(classes, name);
    RegDeleteKeyW(classes, name);
    HKEY left;
    if (RegOpenKeyExW(classes, name, 0, KEY_READ, &left) != ERROR_SUCCESS) return 1;
    RegCloseKey(left);
    return 0;
}

// One set of classes (the user's or the machine's): -1 when its association is not this program's.
static int UnregisterFrom(HKEY root, const wchar_t *extension, const wchar_t *classKey, const wchar_t *program) {
    HKEY classes;
    if (RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_ALL_ACCESS, &classes) != ERROR_SUCCESS) {
        if (RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) return -1;
    }
    wchar_t commandKey[TITLE_CHARS + 32], command[PATH_CHARS + 32], target[PATH_CHARS];
    swprintf(commandKey, TITLE_CHARS + 32, L"%ls\\shell\\open\\command", classKey);
    int removed = -1;
    if (ReadDefaultValue(classes, commandKey, command, PATH_CHARS + 32) && CommandProgram(command, target) &&
        SameProgram(target, program)) {
        removed = RemoveKey(classes, classKey) && ReleaseExtension(classes, extension, classKey);
    }
    RegCloseKey(classes);
    return removed;
}

int UnregisterGameFileType(const char *extension) {
    wchar_t program[PATH_CHARS] = L"", wideExtension[TITLE_CHARS], classKey[TITLE_CHARS];
    DWORD length = GetModuleFileNameW(NULL, program, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS || !ToWide(extension, wideExtension, TITLE_CHARS))
        return UNREGISTER_REFUSED;
    swprintf(classKey, TITLE_CHARS, L"PomoRobina%ls", wideExtension);
    static const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    int found = 0, refused = 0;
    for (HKEY root : roots) {
        int removed = UnregisterFrom(root, wideExtension, classKey, program);
        if (removed < 0) continue;
        found = 1;
        if (!removed) refused = 1;
        Log("association of %s in the %s classes: %s\n", extension, root == HKEY_CURRENT_USER ? "user's" : "machine's",
            removed ? "removed" : "could not be removed");
    }
    return refused ? UNREGISTER_REFUSED : found ? UNREGISTER_REMOVED : UNREGISTER_NOT_OURS;
}
