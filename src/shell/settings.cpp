// The start-up settings dialog (resource 124): drawing path and screen mode, kept in the configuration
// key as one-character strings ("1" or "0"). Its choice of screen mode becomes FullScreen; leaving it
// any way but through the start button cancels the start.
#include <windows.h>
#include "shell/shell.h"
#include "base/base.h"
#include "res/resource.h"

int32_t StartupCancelled = 0;

enum { FLAG_SIZE = 2 };  // one character and its terminating zero

// A missing or wrongly sized value reads as "0".
static int StoredFlag(const char *name) {
    char value[FLAG_SIZE];
    return ReadConfig(name, value, FLAG_SIZE) && value[0] == '1';
}

static void Start(HWND dialog) {
    int vram = IsDlgButtonChecked(dialog, IDC_DRAW_VRAM) == BST_CHECKED;
    int window = IsDlgButtonChecked(dialog, IDC_SCREEN_WINDOW) == BST_CHECKED;
    WriteConfig(CONFIG_USE_VRAM, vram ? "1" : "0", FLAG_SIZE);
    WriteConfig(CONFIG_SCREEN_MODE, window ? "0" : "1", FLAG_SIZE);
    FullScreen = window ? 0 : 1;
    EndDialog(dialog, IDOK);
}

static void Cancel(HWND dialog) {
    StartupCancelled = 1;
    EndDialog(dialog, IDCANCEL);
}

static INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CheckRadioButton(dialog, IDC_DRAW_STANDARD, IDC_DRAW_VRAM,
                         StoredFlag(CONFIG_USE_VRAM) ? IDC_DRAW_VRAM : IDC_DRAW_STANDARD);
        CheckRadioButton(dialog, IDC_SCREEN_WINDOW, IDC_SCREEN_FULL,
                         StoredFlag(CONFIG_SCREEN_MODE) ? IDC_SCREEN_FULL : IDC_SCREEN_WINDOW);
        StartupCancelled = 0;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Start(dialog);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            Cancel(dialog);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        Cancel(dialog);
        return TRUE;
    }
    return FALSE;
}

// A dialog that cannot be opened counts as cancelled: the program must not start unconfigured. Like
// every modal dialog it restarts the frame clock, wherever it is opened from.
int SettingsDialog(void *owner) {
    StartupCancelled = 1;
    DialogBoxParamW((HINSTANCE)MainInstance, MAKEINTRESOURCEW(IDD_SETTINGS), (HWND)owner, SettingsProc, 0);
    ResetFrameClock();
    return !StartupCancelled;
}
