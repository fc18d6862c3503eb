// The program's dialogs on a screen of high density (this program runs in a prefix whose density is
// set above 96 dpi): each is opened through the code that opens it in the program, and every text
// is measured in its control's own font against the control's rectangle: a line wider than its
// control, lines taller than it, a button or list whose text leaves no room for its box or arrow,
// or a control reaching past the dialog's edge, is named.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "harness.h"
#include "base/base.h"
#include "shell/shell.h"
#include "dialogs/dialogs.h"
#include "res/resource.h"

namespace {
std::vector<std::string> misfits;
int dialogDpi = 0;

std::string Name(HWND control, const std::wstring &text) {
    char shown[256] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, shown, sizeof shown, NULL, NULL);
    return std::to_string(GetDlgCtrlID(control)) + " \"" + shown + "\"";
}

// The room a text needs in the control's font: DrawText's own measure, the "&" of a mnemonic left out.
SIZE Needed(HWND control, const std::wstring &text, int width, UINT flags) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
    RECT need = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | flags);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return SIZE{need.right, flags & DT_SINGLELINE ? metrics.tmHeight : need.bottom};
}

void Check(HWND control, const std::wstring &text, SIZE need, SIZE room) {
    if (need.cx > room.cx || need.cy > room.cy)
        misfits.push_back(Name(control, text) + " needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) +
                          ", has " + std::to_string(room.cx) + "x" + std::to_string(room.cy));
}

// What each kind of control takes besides its text: a radio button's or check box's box and gap, a
// push button's edges, a group box's indent, a drop-down list's arrow.
void Measure(HWND control) {
    wchar_t buffer[512] = L"", cls[32] = L"";
    GetClassNameW(control, cls, 32);
    RECT client;
    GetClientRect(control, &client);
    SIZE room = {client.right, client.bottom};
    LONG style = GetWindowLongW(control, GWL_STYLE);
    int box = GetSystemMetrics(SM_CXMENUCHECK), edge = 2 * GetSystemMetrics(SM_CXEDGE);
    if (!lstrcmpiW(cls, L"ComboBox")) {
        for (int i = 0, n = (int)SendMessageW(control, CB_GETCOUNT, 0, 0); i < n; i++) {
            SendMessageW(control, CB_GETLBTEXT, i, (LPARAM)buffer);
            SIZE need = Needed(control, buffer, 0, DT_SINGLELINE | DT_NOPREFIX);
            Check(control, buffer, SIZE{need.cx + GetSystemMetrics(SM_CXVSCROLL) + edge, need.cy}, room);
        }
        return;
    }
    GetWindowTextW(control, buffer, 512);
    std::wstring text = buffer;
    if (text.empty()) return;
    if (!lstrcmpiW(cls, L"Edit")) {
        Check(control, text, SIZE{0, Needed(control, text, 0, DT_SINGLELINE).cy}, room);
    } else if (!lstrcmpiW(cls, L"Static")) {
        if ((style & SS_TYPEMASK) > SS_RIGHT) return;  // a picture or an icon
        Check(control, text, Needed(control, text, room.cx, DT_WORDBREAK | DT_EXPANDTABS), room);
    } else if (!lstrcmpiW(cls, L"Button")) {
        SIZE need = Needed(control, text, 0, DT_SINGLELINE);
        LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX) need.cx += 2 * Needed(control, L"0", 0, DT_SINGLELINE).cx;
        else if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX || type == BS_CHECKBOX)
            need.cx += box + box / 2;
        else
            need = SIZE{need.cx + 2 * edge, need.cy + edge};
        Check(control, text, need, room);
    }
}

BOOL CALLBACK MeasureChild(HWND control, LPARAM dialog) {
    RECT inDialog, client;
    GetWindowRect(control, &inDialog);
    MapWindowPoints(NULL, (HWND)dialog, (POINT *)&inDialog, 2);
    GetClientRect((HWND)dialog, &client);
    RECT both;
    IntersectRect(&both, &inDialog, &client);
    if (!EqualRect(&both, &inDialog)) misfits.push_back(Name(control, L"") + " reaches past the dialog's edge");
    Measure(control);
    return TRUE;
}

void MeasureAndClose(void *box, const BoxRecord &) {
    HWND dialog = (HWND)box;
    typedef UINT(WINAPI * DpiOfWindow)(HWND);
    DpiOfWindow dpiOf = (DpiOfWindow)(void (*)(void))GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    dialogDpi = dpiOf ? (int)dpiOf(dialog) : 0;
    EnumChildWindows(dialog, MeasureChild, (LPARAM)dialog);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
}

INT_PTR CALLBACK PlainDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) EndDialog(dialog, IDOK);
    return FALSE;
}

HKEY scratch = 0;
}  // namespace

TEST(DialogFit, EveryTextFitsItsControlAtTheScreensDensity) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\RobinaUnitTest\\dialog-fit", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                    &scratch, NULL);
    RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
    EnsureMainWindow();
    const struct { const char *name; void (*open)(void); } dialogs[] = {
        {"start-up settings", [] { SettingsDialog(MainWindow); }},
        {"high-score name", [] { AskPlayerName("99999999てん", 13, 10); }},
        {"version", [] { ShowVersionDialog(); }},
        {"ranking address", [] { ModalOverStillFrame(IDD_RANKING_ADDRESS, (void *)PlainDialog); }},
    };
    // Wine lays out a program unaware of densities as it does an aware one, so the manifest's own
    // words are what shows a lost setting (Windows would stretch the whole program blurred).
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(found != NULL);
    std::string manifest((const char *)LockResource(LoadResource(NULL, found)), SizeofResource(NULL, found));
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    HDC screen = GetDC(NULL);
    int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    EXPECT_GT(screenDpi, 96) << "the prefix's density was not set";
    for (const auto &d : dialogs) {
        misfits.clear();
        dialogDpi = 0;
        BoxWatcher watcher(MeasureAndClose);
        d.open();
        ASSERT_EQ(watcher.boxes.size(), 1u) << d.name;
        EXPECT_EQ(dialogDpi, screenDpi) << d.name << ": laid out for another density";
        EXPECT_EQ(misfits, std::vector<std::string>()) << d.name;
    }
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegCloseKey(scratch);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\RobinaUnitTest\\dialog-fit");
}
