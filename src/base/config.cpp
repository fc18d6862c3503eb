// The per-user configuration key "Software\Mossleaf\<title>\Config\": string values of an exact size.
// A value is accepted only when its stored size is exactly the size the caller expects.
#include <windows.h>
#include <stdio.h>
#include "base/base.h"

static HKEY OpenConfigKey(void) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "Software\\Mossleaf\\%s\\Config\\", PRODUCT_TITLE);
    HKEY key = NULL;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                        &key, &disposition) != ERROR_SUCCESS)
        return NULL;
    return key;
}

int ReadConfig(const char *name, void *buffer, uint32_t size) {
    HKEY key = OpenConfigKey();
    if (!key) return 0;
    DWORD stored = 0;
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, &stored) != ERROR_SUCCESS) stored = 0;
    if (stored != size) {
        RegCloseKey(key);
        Log("レジストリサイズ異常1\n");
        return 0;
    }
    DWORD length = size;
    LONG status = RegQueryValueExA(key, name, NULL, NULL, (BYTE *)buffer, &length);
    RegCloseKey(key);
    if (status == ERROR_MORE_DATA) {
        Log("レジストリサイズ異常2\n");
        return 0;
    }
    return status == ERROR_SUCCESS;
}

int HasConfig(const char *name) {
    HKEY key = OpenConfigKey();
    if (!key) return 0;
    int found = RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

int WriteConfig(const char *name, const void *data, uint32_t size) {
    HKEY key = OpenConfigKey();
    if (!key) return 0;
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)data, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Through the wide functions, which hand over the stored bytes as they are: the narrow ones convert
// a string value and may end it with a terminator it did not have.
int CopyConfig(const char *from, const char *to) {
    WCHAR fromW[MAX_PATH], toW[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, from, -1, fromW, MAX_PATH) ||
        !MultiByteToWideChar(CP_ACP, 0, to, -1, toW, MAX_PATH))
        return 0;
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
    LONG status = RegDeleteValueA(key, CONFIG_OBSOLETE);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
