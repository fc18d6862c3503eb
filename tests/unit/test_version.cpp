// The version dialog, opened in-process and answered once it is open and painted: the version line
// the program writes over the resource's text, the link's look and cursor, each way out of the
// dialog, and a click on the link, which hands the address to the browser (a stand-in script that
// records it, or the recorder of shell calls) and closes the dialog. Also the still-frame routine's
// answer to a dialog that cannot be made.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"
#include "dialogs/dialogs.h"
#include "res/resource.h"

namespace {
struct Seen {
    std::string version, link;
    int underlined = 0, bold = 0;
    int bluePixels = 0, facePixels = 0, otherPixels = 0;  // of the link's text cell
    bool handOverLink = false, arrowElsewhere = false;
};
Seen seen;

LOGFONTA FontOf(HWND control) {
    LOGFONTA font = {};
    GetObjectA((HFONT)SendMessageA(control, WM_GETFONT, 0, 0), sizeof font, &font);
    return font;
}

std::string TextOf(HWND control) {
    char text[256];
    GetWindowTextSjis(control, text, sizeof text);
    return text;
}

// What a cursor looks like: its mask and colour bits.
std::vector<BYTE> CursorImage(HCURSOR cursor) {
    std::vector<BYTE> bits;
    ICONINFO info = {};
    if (!cursor || !GetIconInfo(cursor, &info)) return bits;
    for (HBITMAP part : {info.hbmMask, info.hbmColor}) {
        BITMAP shape = {};
        if (!part || !GetObjectA(part, sizeof shape, &shape)) continue;
        size_t at = bits.size();
        bits.resize(at + shape.bmWidthBytes * shape.bmHeight);
        GetBitmapBits(part, (LONG)(bits.size() - at), &bits[at]);
        DeleteObject(part);
    }
    return bits;
}

HCURSOR CursorOver(HWND control) {
    SetCursor(NULL);
    SendMessageA(control, WM_SETCURSOR, (WPARAM)control, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

// The link's text cell as painted: pure blue on the button face, and the shades between them.
void ReadLinkPaint(HWND link) {
    RedrawWindow(GetParent(link), NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(link);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(link, WM_GETFONT, 0, 0));
    SIZE cell = {};
    GetTextExtentPoint32A(dc, seen.link.c_str(), (int)seen.link.size(), &cell);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int y = 0; y < cell.cy; y++)
        for (int x = 0; x < cell.cx; x++) {
            COLORREF pixel = GetPixel(dc, x, y);
            bool between = GetRValue(pixel) <= GetRValue(face) && GetGValue(pixel) <= GetGValue(face) &&
                           GetBValue(pixel) >= GetBValue(face);
            seen.bluePixels += pixel == RGB(0, 0, 255);
            seen.facePixels += pixel == face;
            seen.otherPixels += pixel != face && pixel != RGB(0, 0, 255) && !between;
        }
    SelectObject(dc, old);
    ReleaseDC(link, dc);
}

// Looks at the open dialog, then clicks the link as a person would. A dialog is shown only once its
// loop first finds nothing to do, which a timer due by then can come before.
void Inspect(HWND dialog) {
    if (!IsWindowVisible(dialog)) return Later([dialog] { Inspect(dialog); });
    HWND link = GetDlgItem(dialog, IDC_VERSION_LINK), version = GetDlgItem(dialog, IDC_VERSION_TEXT);
    seen.version = TextOf(version);
    seen.link = TextOf(link);
    seen.underlined = FontOf(link).lfUnderline;
    seen.bold = FontOf(version).lfWeight;
    ReadLinkPaint(link);
    seen.handOverLink = CursorImage(CursorOver(link)) == CursorImage(LoadCursor(NULL, IDC_HAND));
    HCURSOR arrow = LoadCursor(NULL, IDC_ARROW);
    seen.arrowElsewhere = CursorOver(dialog) == arrow && CursorOver(version) == arrow &&
                          CursorOver(GetDlgItem(dialog, IDOK)) == arrow;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VERSION_LINK, STN_CLICKED), (LPARAM)link);
}
}  // namespace

TEST(VersionDialog, ShowsTheVersionAndALinkWhoseClickOpensTheBrowserAndClosesTheDialog) {
    EnsureDisplay();
    ASSERT_TRUE(UseStandInBrowser());
    MouseState.click[0] = 1;  // a click made before the dialog must not survive it
    BoxWatcher watcher([](void *box, const BoxRecord &) { Later([box] { Inspect((HWND)box); }); });
    ShowVersionDialog();  // returns only once the link click has closed it

    ASSERT_EQ(watcher.boxes.size(), 1u) << Readable(watcher.boxes.back().caption) << ": "
                                        << Readable(watcher.boxes.back().text);
    EXPECT_EQ(watcher.boxes[0].caption, "バージョン情報");
    EXPECT_EQ(seen.version, "ポモのロビナ Version1.04");
    EXPECT_EQ(seen.bold, FW_BOLD);
    EXPECT_TRUE(seen.underlined);
    EXPECT_GT(seen.bluePixels, 20);
    EXPECT_GT(seen.facePixels, seen.bluePixels) << "the text cell's ground is the button face";
    EXPECT_EQ(seen.otherPixels, 0);
    EXPECT_TRUE(seen.handOverLink) << "the link shows the hand";
    EXPECT_TRUE(seen.arrowElsewhere) << "the rest of the dialog keeps the arrow";
    EXPECT_EQ(seen.link.rfind("http://", 0), 0u) << seen.link;
    EXPECT_EQ(MouseState.click[0], 0);
    EXPECT_EQ(FramesPerSecond, 50);
    EXPECT_EQ(WaitForBrowsedAddress(), seen.link);
}

// OK and the close box end the dialog without the browser; the link opens it, in full screen after
// bringing the desktop forward. A way out that fails leaves the dialog to the watchdog. Every way out
// deletes the two fonts the dialog made: one left per opening is a GDI leak.
TEST(VersionDialog, EveryWayOutEndsItAndTheDesktopComesForwardInFullScreenBeforeTheBrowser) {
    EnsureDisplay();
    const struct {
        const char *way;
        UINT message;
        WPARAM wParam;
        int fullScreen;
        std::vector<std::string> calls;  // LINK: the link's own text
    } cases[] = {
        {"OK", WM_COMMAND, IDOK, 1, {}},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, 1, {}},
        {"link, full screen", WM_COMMAND, MAKEWPARAM(IDC_VERSION_LINK, STN_CLICKED), 1, {"foreground desktop", "open LINK"}},
        {"link, window", WM_COMMAND, MAKEWPARAM(IDC_VERSION_LINK, STN_CLICKED), 0, {"open LINK"}},
    };
    for (const auto &c : cases) {
        ShellCalls shell;
        std::string link;
        HGDIOBJ fonts[2] = {};
        BoxWatcher watcher([&](void *box, const BoxRecord &) {
            link = TextOf(GetDlgItem((HWND)box, IDC_VERSION_LINK));
            int controls[2] = {IDC_VERSION_LINK, IDC_VERSION_TEXT};
            for (int i = 0; i < 2; i++) fonts[i] = (HGDIOBJ)SendMessageW(GetDlgItem((HWND)box, controls[i]), WM_GETFONT, 0, 0);
            PostMessageA((HWND)box, c.message, c.wParam, 0);
        });
        FullScreen = c.fullScreen;
        ShowVersionDialog();
        FullScreen = 0;
        for (HGDIOBJ font : fonts) {
            EXPECT_TRUE(font) << c.way;
            EXPECT_EQ(GetObjectType(font), 0u) << c.way << ": a font of the dialog outlived it";
        }
        for (std::string &call : shell.calls)
            if (call == "open " + link) call = "open LINK";
        EXPECT_EQ(watcher.boxes.size(), 1u) << c.way;
        EXPECT_EQ(shell.calls, c.calls) << c.way;
    }
}

INT_PTR CALLBACK NoDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

TEST(VersionDialog, ADialogThatCannotBeMadeIsLogged) {
    EnsureDisplay();
    int logged = CountInLog("dialog 9999 could not be opened: error ");
    EXPECT_EQ(ModalOverStillFrame(9999, (void *)NoDialog), -1);
    EXPECT_EQ(CountInLog("dialog 9999 could not be opened: error "), logged + 1);
}
