// The per-user configuration key "Software\Mossleaf\<title>\Config\": string values of an exact size.
// A value is accepted only when its stored size is exactly the size the caller expects. Key, value
// names and texts are Shift-JIS here and UTF-16 in the registry, so the key and its values are the
// same on a Windows of any language as on a Japanese one.
#include <windows.h>
#include <stdio.h>
#include "base/base.h"

enum { VALUE_CHARS = 4096 };  // the longest text value kept here, in UTF-16 units

static HKEY OpenConfigKey(void) {
    char path[TITLE_CHARS];
    wchar_t widePath[TITLE_CHARS];
    snprintf(path, sizeof path, "Software\\Mossleaf\\%s\\Config\\", PRODUCT_TITLE);
    if (!ToWide(path, widePath, TITLE_CHARS)) return NULL;
    HKEY key = NULL;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, widePath, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                        &key, &disposition) != ERROR_SUCCESS)
        return NULL;
    return key;
}

// The key and the value's name in UTF-16; null when either cannot be had.
static HKEY OpenValue(const char *name, wchar_t *wideName) {
    if (!ToWide(name, wideName, TITLE_CHARS)) return NULL;
    return OpenConfigKey();
}

// The stored text in Shift-JIS, as many bytes as the value holds (a stored terminator included):
// what the narrow functions gave on a Japanese system. -1: no such value, or not text of that form.
static int StoredText(HKEY key, const wchar_t *name, char *text, int textBytes, LONG *status) {
    static wchar_t wide[VALUE_CHARS];
    DWORD size = sizeof wide;
    *status = RegQueryValueExW(key, name, NULL, NULL, (BYTE *)wide, &size);
    if (*status != ERROR_SUCCESS) return -1;
    return WideToSjis(wide, (int)(size / sizeof(wchar_t)), text, textBytes);
}

int ReadConfig(const char *name, void *buffer, uint32_t size) {
    wchar_t wideName[TITLE_CHARS];
    HKEY key = OpenValue(name, wideName);
    if (!key) return 0;
    static char text[2 * VALUE_CHARS];
    LONG status;
    int stored = StoredText(key, wideName, text, sizeof text, &status);
    RegCloseKey(key);
    if (status == ERROR_MORE_DATA) {
        Log("レジストリサイズ異常2\n");
        return 0;
    }
    if (stored < 0 || (uint32_t)stored != size) {
        Log("レジストリサイズ異常1\n");
        return 0;
    }
    memcpy(buffer, text, size);
    return 1;
}

int HasConfig(const char *name) {
    wchar_t wideName[TITLE_CHARS];
    HKEY key = OpenValue(name, wideName);
    if (!key) return 0;
    int found = RegQueryValueExW(key, wideName, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

int WriteConfig(const char *name, const void *data, uint32_t size) {
    wchar_t wideName[TITLE_CHARS];
    static wchar_t wide[VALUE_CHARS];
    int chars = SjisToWide((const char *)data, (int)size, wide, VALUE_CHARS);
    if (chars < 0) return 0;
    HKEY key = OpenValue(name, wideName);
    if (!key) return 0;
    LONG status = RegSetValueExW(key, wideName, 0, REG_SZ, (const BYTE *)wide, (DWORD)chars * sizeof(wchar_t));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The stored bytes and type as they are: converted, a value could gain or lose its terminator.
int CopyConfig(const char *from, const char *to) {
    wchar_t fromW[TITLE_CHARS], toW[TITLE_CHARS];
    if (!ToWide(from, fromW, TITLE_CHARS) || !ToWide(to, toW, TITLE_CHARS)) return 0;
    HKEY key = OpenConfigKey();
    if (!key) return 0;
    DWORD type = 0, size = 0;
    int copied = 0;
    if (RegQueryValueExW(key, fromW, NULL, &type, NULL, &size) == ERROR_SUCCESS) {
        BYTE *bytes = (BYTE *)Alloc(size ? (int32_t)size : 1);
        copied = RegQueryValueExW(key, fromW, NULL, &type, bytes, &size) == ERROR_SUCCESS &&
                 RegSetValueExW(key, toW, 0, type, bytes, size) == ERROR_SUCCESS;
        Free(bytes);
    }
    RegCloseKey(key);
    return copied;
}

int DeleteObsoleteConfig(void) {
    HKEY key = OpenConfigKey();
    if (!key) return 0;
    LONG status = RegDeleteValueW(key, L"" CONFIG_OBSOLETE);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
