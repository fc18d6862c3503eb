// The version dialog, 116: the picture, the program's name and version, the home-page address drawn
// as a web link (underlined, blue, hand cursor) and a notice. A click on the address opens it in the
// browser and closes the dialog.
#include <windows.h>
#include <stdio.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "catalogue/catalogue.h"
#include "res/resource.h"

enum { LINK_TEXT_BYTES = 100, HELP_VIEWER_HAND_CURSOR = 106 };
static const COLORREF LINK_COLOUR = RGB(0, 0, 255);

static HFONT LinkFont;         // underlined copy of the link's font
static HFONT VersionFont;      // bold copy of the version line's font
static HCURSOR HandCursor;     // shown over the link
static int HandCursorOwned;    // 1: HandCursor is our copy and is destroyed after the dialog
static WNDPROC LinkBaseProc;   // the link control's own window procedure

// The hand is the help viewer's cursor, copied so that it survives the library; the viewer is only
// loaded as data, never run. Where the viewer has no such cursor (systems that ship it as a stub, and
// Wine), the system's own hand is shown: the arrow over a link would not say it can be clicked.
static void TakeHandCursor(void) {
    static const wchar_t viewerName[] = L"\\winhlp32.exe";
    wchar_t path[PATH_CHARS];
    UINT length = GetWindowsDirectoryW(path, PATH_CHARS);
    HandCursor = 0;
    HandCursorOwned = 0;
    if (length && length + sizeof viewerName / sizeof viewerName[0] <= PATH_CHARS) {
        lstrcatW(path, viewerName);
        HMODULE viewer = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
        if (viewer) {
            HCURSOR hand = LoadCursorW(viewer, MAKEINTRESOURCEW(HELP_VIEWER_HAND_CURSOR));
            if (hand) HandCursor = (HCURSOR)CopyIcon((HICON)hand);
            FreeLibrary(viewer);
        }
    }
    HandCursorOwned = HandCursor != 0;
    if (!HandCursor) HandCursor = LoadCursorW(NULL, (LPCWSTR)IDC_HAND);
    if (!HandCursor) HandCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
}

static void DropHandCursor(void) {
    if (HandCursorOwned) DestroyCursor(HandCursor);
    HandCursor = 0;
    HandCursorOwned = 0;
}

static void PaintLink(HWND link) {
    wchar_t text[LINK_TEXT_BYTES];
    GetWindowTextW(link, text, LINK_TEXT_BYTES);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(link, &paint);
    HGDIOBJ old = SelectObject(dc, LinkFont ? (HGDIOBJ)LinkFont : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, LINK_COLOUR);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    TextOutW(dc, 0, 0, text, lstrlenW(text));
    SelectObject(dc, old);
    EndPaint(link, &paint);
}

static LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintLink(link);
        return 0;
    case WM_SETCURSOR:
        SetCursor(HandCursor);
        return 0;
    }
    return CallWindowProcW(LinkBaseProc, link, message, wParam, lParam);
}

static void OpenVersionDialog(HWND dialog) {
    HWND link = GetDlgItem(dialog, IDC_VERSION_LINK);
    HWND version = GetDlgItem(dialog, IDC_VERSION_TEXT);
    LinkFont = (HFONT)CopyControlFont(link, 1, 0);
    char line[64];
    snprintf(line, sizeof line, "%s Version%4.2f", PRODUCT_TITLE, ShellVersion * 0.01);
    SetWindowTextSjis(version, line);
    VersionFont = (HFONT)CopyControlFont(version, 0, FW_BOLD);
    LinkBaseProc = (WNDPROC)SetWindowLongPtrW(link, GWLP_WNDPROC, (LONG_PTR)LinkProc);
    SetFocus(GetDlgItem(dialog, IDOK));
}

static void CloseVersionDialog(HWND dialog) {
    HWND link = GetDlgItem(dialog, IDC_VERSION_LINK);
    if (LinkBaseProc) SetWindowLongPtrW(link, GWLP_WNDPROC, (LONG_PTR)LinkBaseProc);
    LinkBaseProc = 0;
    if (LinkFont) DeleteObject(LinkFont);
    if (VersionFont) DeleteObject(VersionFont);
    LinkFont = 0;
    VersionFont = 0;
}

static void FollowLink(HWND dialog) {
    char address[LINK_TEXT_BYTES];
    GetWindowTextSjis(GetDlgItem(dialog, IDC_VERSION_LINK), address, sizeof address);
    OpenInBrowser(dialog, address);
    EndDialog(dialog, IDOK);
}

static INT_PTR CALLBACK VersionDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OpenVersionDialog(dialog);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) EndDialog(dialog, IDOK);
        if (LOWORD(wParam) == IDC_VERSION_LINK && HIWORD(wParam) == STN_CLICKED) FollowLink(dialog);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        CloseVersionDialog(dialog);
        return FALSE;
    }
    return FALSE;
}

void ShowVersionDialog(void) {
    TakeHandCursor();
    ModalOverStillFrame(IDD_VERSION, (void *)VersionDialog);
    DropHandCursor();
}
