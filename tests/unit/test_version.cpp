// The version dialog, opened in-process and driven from a hook: the version line the program writes
// over the resource's text, the link's look and cursor, and a click on the link, which hands the
// address to the browser (a stand-in script that records it) and closes the dialog.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"
#include "dialogs/dialogs.h"
#include "res/resource.h"

namespace {
struct Seen {
    std::string caption, version, link;
    int underlined = 0, bold = 0;
    bool handOverLink = false;
};
Seen seen;
HHOOK hook;

LOGFONTA FontOf(HWND control) {
    LOGFONTA font = {};
    GetObjectA((HFONT)SendMessageA(control, WM_GETFONT, 0, 0), sizeof font, &font);
    return font;
}

std::string TextOf(HWND control) {
    char text[256];
    GetWindowTextA(control, text, sizeof text);
    return text;
}

// Runs once the dialog is up: looks at it, then clicks the link as a person would.
LRESULT CALLBACK Inspect(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND dialog = (HWND)wParam, link = GetDlgItem(dialog, IDC_VERSION_LINK);
        HWND version = GetDlgItem(dialog, IDC_VERSION_TEXT);
        if (link && version) {
            seen.caption = TextOf(dialog);
            seen.version = TextOf(version);
            seen.link = TextOf(link);
            seen.underlined = FontOf(link).lfUnderline;
            seen.bold = FontOf(version).lfWeight;
            SetCursor(NULL);
            SendMessageA(link, WM_SETCURSOR, (WPARAM)link, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            seen.handOverLink = GetCursor() != NULL;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VERSION_LINK, STN_CLICKED), (LPARAM)link);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

TEST(VersionDialog, ShowsTheVersionAndALinkWhoseClickOpensTheBrowserAndClosesTheDialog) {
    EnsureDisplay();
    ASSERT_TRUE(UseStandInBrowser());
    MouseState.click[0] = 1;  // a click made before the dialog must not survive it
    hook = SetWindowsHookExA(WH_CBT, Inspect, NULL, GetCurrentThreadId());
    ShowVersionDialog();  // returns only once the link click has closed it
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(seen.caption, "バージョン情報");
    EXPECT_EQ(seen.version, "ポモのロビナ Version1.04");
    EXPECT_EQ(seen.bold, FW_BOLD);
    EXPECT_TRUE(seen.underlined);
    EXPECT_TRUE(seen.handOverLink);
    EXPECT_EQ(seen.link.rfind("http://", 0), 0u) << seen.link;
    EXPECT_EQ(MouseState.click[0], 0);
    EXPECT_EQ(FramesPerSecond, 50);
    EXPECT_EQ(WaitForBrowsedAddress(), seen.link);
}
