// The start-up settings dialog (resource 124): drawing path, screen mode and the window's factor, kept
// in the configuration key as one-character strings ("1" or "0"; the factor "0" to "4", "0" for the
// one the screen suits). Its choices become FullScreen and ChosenFactor; leaving it any way but
// through the start button cancels the start.
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

// The factor's list: the screen's own first, then 1x to 4x, so that an entry's index is its factor.
static const char *const FACTOR_NAMES[LARGEST_CHOSEN_FACTOR + 1] = {"自動", "1倍", "2倍", "3倍", "4倍"};

// A missing, wrongly sized or unknown value reads as "0".
static int StoredFactor(void) {
    char value[FLAG_SIZE];
    if (!ReadConfig(CONFIG_SCREEN_SCALE, value, FLAG_SIZE) || value[0] < '0' || value[0] > '0' + LARGEST_CHOSEN_FACTOR)
        return 0;
    return value[0] - '0';
}

static void FillFactorList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_SCREEN_SCALE);
    for (const char *name : FACTOR_NAMES) {
        wchar_t wide[TITLE_CHARS];
        ToWide(name, wide, TITLE_CHARS);
        SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)wide);
    }
    SendMessageW(list, CB_SETCURSEL, (WPARAM)StoredFactor(), 0);
}

static void Start(HWND dialog) {
    int vram = IsDlgButtonChecked(dialog, IDC_DRAW_VRAM) == BST_CHECKED;
    int window = IsDlgButtonChecked(dialog, IDC_SCREEN_WINDOW) == BST_CHECKED;
    WriteConfig(CONFIG_USE_VRAM, vram ? "1" : "0", FLAG_SIZE);
    WriteConfig(CONFIG_SCREEN_MODE, window ? "0" : "1", FLAG_SIZE);
    FullScreen = window ? 0 : 1;
    LRESULT factor = SendDlgItemMessageW(dialog, IDC_SCREEN_SCALE, CB_GETCURSEL, 0, 0);
    char stored[FLAG_SIZE] = {(char)('0' + (factor > 0 ? factor : 0)), 0};
    WriteConfig(CONFIG_SCREEN_SCALE, stored, FLAG_SIZE);
    ChosenFactor = stored[0] - '0';
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
        FillFactorList(dialog);
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
