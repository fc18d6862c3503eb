// The real main window (its settings dialog answered by the watcher) on a 1920x1080 display of its
// own: placement, the factor by choice and by the monitor's density, the mouse record as the ticks
// see it at every place and factor, the cursor rule, the mode switch and the two ways to end the loop.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "harness.h"
#include "base/base.h"
#include "shell/shell.h"
#include "task/task.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

struct TickView {
    int click, held;
};
std::vector<TickView> ticks;  // left button as each tick saw it

void __cdecl RecordTick(void) {
    ticks.push_back({MouseState.click[0], MouseState.held[0]});
}
const StepRoutine RecordSteps[1] = {RecordTick};

HWND Main() {
    return (HWND)MainWindow;
}

void PutCursor(int x, int y) {
    POINT origin = {0, 0};
    ClientToScreen(Main(), &origin);
    SetCursorPos(origin.x + x, origin.y + y);
}

// Runs the tick due now; the clock then moves on to the next one.
void NextTick() {
    FramePass();
    FakeNow += TICK_MS;
}

class Window : public ::testing::Test {
protected:
    static HKEY scratch;
    static char scratchPath[64];
    static std::vector<BoxRecord> dialogs;
    static int created;

    static void SetUpTestSuite() {
        snprintf(scratchPath, sizeof scratchPath, "Software\\RobinaUnitTest\\window-%lu", GetCurrentProcessId());
        RegCreateKeyExA(HKEY_CURRENT_USER, scratchPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &scratch, NULL);
        RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
        BoxWatcher watcher;
        created = CreateMainWindow(GetModuleHandleA(NULL), SW_SHOWNORMAL);
        dialogs = watcher.boxes;
        SetForegroundWindow(Main());
        PumpMessages();
    }
    static void TearDownTestSuite() {
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
        RegCloseKey(scratch);
        RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath);
    }
    void SetUp() override {
        ASSERT_EQ(created, 1);
        UseFakeClock(50000);
        InitTaskList();
        InitMouse();
        CreateTask(RecordSteps, 10, TASK_ATTR_RUN, 4);
        ResetFrameClock();
        ticks.clear();
        WindowActive = 1;
        PutCursor(100, 100);
    }
    void TearDown() override {
        FreeAllTasks();
    }
};
HKEY Window::scratch = 0;
char Window::scratchPath[64];
std::vector<BoxRecord> Window::dialogs;
int Window::created = 0;

TEST_F(Window, OpensCentredWithAPlayAreaClientAfterTheDialog) {
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, "ポモのロビナ　スタートアップ");
    RECT client, frame;
    GetClientRect(Main(), &client);
    GetWindowRect(Main(), &frame);
    EXPECT_EQ(client.right, PLAY_WIDTH);
    EXPECT_EQ(client.bottom, PLAY_HEIGHT);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);
    LONG style = GetWindowLongA(Main(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_TRUE(IsWindowVisible(Main()));
    EXPECT_NE(GetClassLongPtrA(Main(), GCLP_HICON), 0);
    EXPECT_EQ(PlayPlace.left + PlayPlace.top + PlayPlace.factor, 1);
    char stored[2] = "";
    EXPECT_TRUE(ReadConfig("ScreenScale", stored, 2) && stored[0] == '0');  // the factor the screen suits
}

TEST_F(Window, AClickLastsOneTickAndHoldingLastsUntilTheButtonGoesUp) {
    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    NextTick();
    NextTick();
    SendMessageA(Main(), WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    NextTick();
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0].click * 10 + ticks[0].held, 11);
    EXPECT_EQ(ticks[1].click * 10 + ticks[1].held, 1);
    EXPECT_EQ(ticks[2].click * 10 + ticks[2].held, 0);
    EXPECT_EQ(MouseState.x, 100);
    EXPECT_EQ(MouseState.y, 100);

    SendMessageA(Main(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    PollMouse();
    EXPECT_EQ(MouseState.click[1] * 10 + MouseState.held[1], 11);
    SendMessageA(Main(), WM_RBUTTONUP, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(MouseState.held[1], 0);
}

TEST_F(Window, WindowModeReadsButtonsOutsideThePlayAreaOrWhileInactiveAsReleased) {
    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    PutCursor(-3, 50);
    NextTick();
    EXPECT_EQ(MouseState.x, -3);
    EXPECT_EQ(ticks[0].click + ticks[0].held, 0);

    PutCursor(639, 359);
    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(639, 359));
    PollMouse();
    EXPECT_EQ(MouseState.held[0], 1);
    WindowActive = 0;
    PollMouse();
    EXPECT_EQ(MouseState.click[0] + MouseState.held[0], 0);
}

TEST_F(Window, TheMouseReadsInPlayAreaPixelsAtEveryPlaceAndFactor) {
    const struct { int fullScreen, left, top, factor, cursorX, cursorY, x, y, kept; } cases[] = {
        {0, 0, 0, 2, 201, 101, 100, 50, 1},
        {0, 0, 0, 2, 1279, 719, 639, 359, 1},
        {0, 0, 0, 2, 1280, 100, 640, 50, 0},
        {0, 0, 0, 2, -1, 100, -1, 50, 0},  // one screen pixel before the play area is outside it
        {0, 0, 0, 3, 5, -3, 1, -1, 0},
        {1, 0, 152, 2, 100, 151, 50, -1, 1},  // full screen: the black bands keep the buttons
        {1, 0, 152, 2, 100, 152, 50, 0, 1},
        {1, 192, 204, 1, 392, 214, 200, 10, 1},
        {1, 192, 204, 1, 191, 600, -1, 396, 1},
        {1, 0, 0, 3, 1904, 1064, 634, 354, 1},
    };
    PlayPlaceRecord kept = PlayPlace;
    // The client near the screen's origin, so that every position asked for is on the screen.
    RECT was;
    GetWindowRect(Main(), &was);
    POINT origin = {0, 0};
    ClientToScreen(Main(), &origin);
    MoveWindow(Main(), was.left - origin.x + 8, was.top - origin.y + 8, was.right - was.left, was.bottom - was.top, TRUE);
    for (const auto &c : cases) {
        FullScreen = c.fullScreen;
        PlayPlace = PlayPlaceRecord{c.left, c.top, c.factor};
        PutCursor(c.cursorX, c.cursorY);
        PressButton(BUTTON_LEFT);
        PollMouse();
        EXPECT_EQ(MouseState.x * 1000 + MouseState.y, c.x * 1000 + c.y) << c.cursorX << "," << c.cursorY;
        EXPECT_EQ(MouseState.click[0] + MouseState.held[0], 2 * c.kept) << c.cursorX << "," << c.cursorY;
    }
    FullScreen = 0;
    PlayPlace = kept;
    MoveWindow(Main(), was.left, was.top, was.right - was.left, was.bottom - was.top, TRUE);
}

TEST_F(Window, TheWindowsCursorIsHiddenOnlyOverThePlayArea) {
    NextTick();
    EXPECT_EQ(SystemCursorShown, 0);
    PutCursor(PLAY_WIDTH, 10);
    NextTick();
    EXPECT_EQ(SystemCursorShown, 1);
    PutCursor(10, PLAY_HEIGHT - 1);
    NextTick();
    EXPECT_EQ(SystemCursorShown, 0);
    PutCursor(10, -1);
    NextTick();
    EXPECT_EQ(SystemCursorShown, 1);
    // Windows counts the calls: several frames outside and one back in must leave the arrow hidden.
    auto showing = [] {
        CURSORINFO info = {sizeof info};
        return GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING);
    };
    EXPECT_TRUE(showing());
    for (int frame = 0; frame < 4; frame++) NextTick();
    PutCursor(320, 180);
    NextTick();
    EXPECT_FALSE(showing()) << "the arrow stays over the play area beside the drawn cursor";
    PutCursor(PLAY_WIDTH + 5, 180);
    NextTick();
    EXPECT_TRUE(showing());
}

RECT Outer() {
    RECT frame;
    GetWindowRect(Main(), &frame);
    return frame;
}

SIZE Client() {
    RECT client;
    GetClientRect(Main(), &client);
    return SIZE{client.right, client.bottom};
}

TEST_F(Window, AltEnterCoversTheMonitorAndComesBackToTheWindowsPlaceWithTheClockRestartedAndNoButtons) {
    FakeNow += 5000;
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    RECT frame = Outer();
    EXPECT_EQ(FullScreen, 1);
    EXPECT_EQ(GetWindowLongA(Main(), GWL_STYLE) & (WS_POPUP | WS_CAPTION), WS_POPUP);
    EXPECT_EQ(frame.left * 1000 + frame.top, 0);
    EXPECT_EQ(frame.right * 10000 + frame.bottom, GetSystemMetrics(SM_CXSCREEN) * 10000 + GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(PlayPlace.left * 1000000 + PlayPlace.top * 1000 + PlayPlace.factor, 3);  // 1920x1080: all of it at 3

    SendMessageA(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(FullScreen, 0);
    EXPECT_EQ(MouseState.click[0] + MouseState.held[0], 0);
    EXPECT_EQ(FramePass(), 1);  // not the 250 ticks of the five seconds before the switch
    frame = Outer();
    EXPECT_EQ(Client().cx * 1000 + Client().cy, PLAY_WIDTH * 1000 + PLAY_HEIGHT);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(PlayPlace.left * 1000000 + PlayPlace.top * 1000 + PlayPlace.factor, 1);

    // A window the player moved comes back where it was.
    MoveWindow(Main(), 100, 80, frame.right - frame.left, frame.bottom - frame.top, TRUE);
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Outer().left * 1000 + Outer().top, 100080);
    EXPECT_EQ(Client().cx * 1000 + Client().cy, PLAY_WIDTH * 1000 + PLAY_HEIGHT);
}

// The factor a key chooses is kept and capped by the work area; the window grows about its centre.
// A monitor of another density gives its own factor about the centre; full screen covers the monitor.
TEST_F(Window, TheFactorFollowsTheChoiceAndTheMonitorsDensityAboutTheWindowsCentre) {
    auto centre = [] { RECT r = Outer(); return (r.left + r.right) / 2 * 10000 + (r.top + r.bottom) / 2; };
    RECT was = Outer();
    MoveWindow(Main(), 600, 300, was.right - was.left, was.bottom - was.top, TRUE);  // room to grow about it
    const int before = centre();
    SendMessageA(Main(), WM_KEYDOWN, '2', 0);  // without Ctrl: nothing
    EXPECT_EQ(Client().cx, PLAY_WIDTH);
    const struct { int chosen, answer, width; const char *stored; } choices[] = {
        {2, 1, 1280, "2"}, {3, 1, 1280, "3"}, {5, 0, 1280, "3"}, {-1, 0, 1280, "3"}, {1, 1, 640, "1"}, {0, 1, 640, "0"},
    };
    for (const auto &c : choices) {
        EXPECT_EQ(ChooseFactor(c.chosen), c.answer) << c.chosen;
        EXPECT_EQ(Client().cx * 1000 + Client().cy, c.width * 1000 + c.width * 9 / 16) << c.chosen;
        EXPECT_EQ(PlayPlace.factor, c.width / PLAY_WIDTH);
        char stored[2] = "";
        EXPECT_TRUE(ReadConfig("ScreenScale", stored, 2) && std::string(stored) == c.stored) << c.chosen;
        EXPECT_NEAR(centre() / 10000, before / 10000, 1);
        EXPECT_NEAR(centre() % 10000, before % 10000, 1);
    }
    const struct { int dpi, width; } monitors[] = {{192, 1280}, {144, 1280}, {120, 640}, {96, 640}};
    for (const auto &m : monitors) {
        RECT suggested = Outer();
        EXPECT_EQ(SendMessageA(Main(), WM_DPICHANGED, MAKEWPARAM(m.dpi, m.dpi), (LPARAM)&suggested), 0);
        EXPECT_EQ(Client().cx * 1000 + Client().cy, m.width * 1000 + m.width * 9 / 16) << m.dpi;
        EXPECT_EQ(PlayPlace.factor, m.width / PLAY_WIDTH) << m.dpi;
        EXPECT_NEAR(centre() / 10000, before / 10000, 1);
        EXPECT_NEAR(centre() % 10000, before % 10000, 1);
    }
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    RECT suggested = {0, 0, 10, 10};
    SendMessageA(Main(), WM_DPICHANGED, MAKEWPARAM(192, 192), (LPARAM)&suggested);
    EXPECT_EQ(Outer().right * 10000 + Outer().bottom, 1920 * 10000 + 1080);
    EXPECT_EQ(PlayPlace.factor, 3);
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Client().cx, PLAY_WIDTH);
}

TEST_F(Window, ButtonsCountUpToTheLastColumnAndRowOfThePlayArea) {
    const struct { int x, y, inside; } cases[] = {
        {0, 0, 1}, {639, 359, 1}, {640, 100, 0}, {100, 360, 0}, {-1, 100, 0}, {100, -1, 0},
    };
    for (const auto &c : cases) {
        PutCursor(c.x, c.y);
        PressButton(BUTTON_LEFT);
        PollMouse();
        EXPECT_EQ(MouseState.x * 1000 + MouseState.y, c.x * 1000 + c.y);
        EXPECT_EQ(MouseState.held[0] + MouseState.click[0], 2 * c.inside) << c.x << "," << c.y;
        EXPECT_EQ(InsidePlayArea(MouseState.x, MouseState.y), c.inside) << c.x << "," << c.y;
    }
}

// Alt alone (SC_KEYMENU) must not open the system menu's modal loop, which would stop every tick.
HHOOK menuHook = 0;
int menuLoopsEntered = 0;
LRESULT CALLBACK WatchMenuLoop(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && ((CWPSTRUCT *)lParam)->message == WM_ENTERMENULOOP) {
        menuLoopsEntered++;
        EndMenu();
    }
    return CallNextHookEx(menuHook, code, wParam, lParam);
}

// What a window manager of Linux may do: give the window another size than it asked for (one that
// lays windows out, or one that brings back the size before full screen once full screen ends).
void GiveClient(int width, int height) {
    SIZE frame = {Outer().right - Outer().left - Client().cx, Outer().bottom - Outer().top - Client().cy};
    SetWindowPos(Main(), NULL, 0, 0, width + frame.cx, height + frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST_F(Window, ASizeNotAskedForShowsThePlayAreaCentredAndAfterASwitchBackTheWindowAsksOnceMore) {
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    SendMessageA(Main(), WM_SYSKEYDOWN, VK_RETURN, 0);
    GiveClient(1018, 743);
    EXPECT_EQ(PlayPlace.left * 1000000 + PlayPlace.top * 1000 + PlayPlace.factor, 189191001);
    PumpMessages();
    EXPECT_EQ(Client().cx * 1000 + Client().cy, PLAY_WIDTH * 1000 + PLAY_HEIGHT);
    EXPECT_EQ(PlayPlace.left * 1000000 + PlayPlace.top * 1000 + PlayPlace.factor, 1);
    GiveClient(1300, 741);  // once only: a window manager that insists has the last word
    PumpMessages();
    EXPECT_EQ(Client().cx * 1000 + Client().cy, 1300741);
    EXPECT_EQ(PlayPlace.left * 1000000 + PlayPlace.top * 1000 + PlayPlace.factor, 10010002);
    PutCursor(10 + 2 * 100, 10 + 2 * 50 + 1);
    PollMouse();
    EXPECT_EQ(MouseState.x * 1000 + MouseState.y, 100050);
}

TEST_F(Window, AltAloneOpensNoMenu) {
    menuHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchMenuLoop, NULL, GetCurrentThreadId());
    EXPECT_EQ(SendMessageA(Main(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    EXPECT_EQ(SendMessageA(Main(), WM_SYSCOMMAND, SC_KEYMENU, ' '), 0);
    UnhookWindowsHookEx(menuHook);
    EXPECT_EQ(menuLoopsEntered, 0);
}

// Esc and the close box both end in WM_CLOSE and the quit message; the window is then gone.
TEST_F(Window, CloseBoxAndEscEndTheLoopTheSameWay) {
    HWND second = CreateWindowExA(0, PRODUCT_TITLE, "second", WS_CAPTION | WS_SYSMENU, 0, 0, 100, 100, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(second != NULL);
    PostMessageA(second, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(second));

    PostMessageA(Main(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(Main()));
}

}  // namespace
