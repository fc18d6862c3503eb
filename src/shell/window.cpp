// The main window: its class, its creation around the start-up settings dialog, its placement in
// window mode (a client area of the play area at a whole-number factor, centred on its monitor at
// start) and in full screen (a borderless window over the whole monitor it is on, the display mode
// untouched), the switch between the two, the factor's keys and its following of the monitor's
// density, and the window procedure, which turns button messages into MouseState.
#include <windows.h>
#include "shell/shell.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "res/resource.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

int32_t ChosenFactor = 0;
static RECT windowPlace = {0, 0, 0, 0};  // window mode's outer rectangle, kept while in full screen
static SIZE askedClient = {0, 0};        // the client size window mode last asked for
static int settling = 0;                 // 1 from a switch back to window mode until a size not asked for

enum {
    WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    FULL_SCREEN_STYLE = WS_POPUP | WS_VISIBLE,
    WM_PLACE_AGAIN = WM_APP + 1,
};

// The monitor's own density where Windows can tell it (a per-monitor aware program on Windows 10),
// else the system's.
static int WindowDpi(HWND window) {
    typedef UINT(WINAPI * DpiOfWindow)(HWND);
    static DpiOfWindow dpiOfWindow = (DpiOfWindow)(void (*)(void))GetProcAddress(GetModuleHandleW(L"user32.dll"),
                                                                                   "GetDpiForWindow");
    if (dpiOfWindow) return (int)dpiOfWindow(window);
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

static MONITORINFO MonitorNear(HMONITOR monitor) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    return info;
}

static int Width(const RECT &r) {
    return r.right - r.left;
}
static int Height(const RECT &r) {
    return r.bottom - r.top;
}

// value moved into [low, high]; low wins when the range is empty (a window wider than the work area).
static int Within(int value, int low, int high) {
    if (value > high) value = high;
    return value < low ? low : value;
}

// The outer size less the client size, as the window has it now.
static SIZE FrameOf(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{Width(outer) - client.right, Height(outer) - client.bottom};
}

// A frame that changes with the move (a new density) is made good by a second move.
static void MoveClient(HWND window, int x, int y, int width, int height) {
    SIZE frame = FrameOf(window);
    MoveWindow(window, x, y, width + frame.cx, height + frame.cy, TRUE);
    SIZE after = FrameOf(window);
    if (after.cx != frame.cx || after.cy != frame.cy)
        MoveWindow(window, x, y, width + after.cx, height + after.cy, TRUE);
}

static int FactorOn(HWND window, const MONITORINFO &monitor, int dpi) {
    SIZE frame = FrameOf(window);
    return WindowFactor(ChosenFactor, dpi, Width(monitor.rcWork), Height(monitor.rcWork), frame.cx, frame.cy);
}

// The client at the factor for the monitor, the window centred on `around` (halves truncated, so a
// window centred on a monitor at the origin stands at ((width of screen - width of window) / 2, ...)),
// and moved inside the work area where it fits there when `inside` is set.
static void PlaceWindowMode(HWND window, HMONITOR handle, int dpi, const RECT &around, int inside) {
    MONITORINFO monitor = MonitorNear(handle);
    int factor = FactorOn(window, monitor, dpi);
    SIZE frame = FrameOf(window);
    int width = PLAY_WIDTH * factor + frame.cx, height = PLAY_HEIGHT * factor + frame.cy;
    int x = (around.left + around.right - width) / 2, y = (around.top + around.bottom - height) / 2;
    if (inside) {
        const RECT &work = monitor.rcWork;
        x = Within(x, work.left, work.right - width);
        y = Within(y, work.top, work.bottom - height);
    }
    askedClient = SIZE{PLAY_WIDTH * factor, PLAY_HEIGHT * factor};
    MoveClient(window, x, y, askedClient.cx, askedClient.cy);
    PlayPlace = PlayPlaceRecord{0, 0, factor};
}

static HMONITOR MonitorOf(HWND window) {
    return MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
}

static RECT OuterOf(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    return outer;
}

static void CentreWindow(HWND window) {
    HMONITOR monitor = MonitorOf(window);
    PlaceWindowMode(window, monitor, WindowDpi(window), MonitorNear(monitor).rcMonitor, 1);
}

static void CoverMonitor(HWND window, HMONITOR handle) {
    RECT area = MonitorNear(handle).rcMonitor;
    SetWindowPos(window, HWND_TOP, area.left, area.top, Width(area), Height(area), SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    PlayPlace = FullScreenPlace(Width(area), Height(area));
}

void FitWindow(void) {
    HWND window = (HWND)MainWindow;
    if (FullScreen) {
        CoverMonitor(window, MonitorOf(window));
    } else {
        SetWindowPos(window, NULL, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        PlaceWindowMode(window, MonitorFromRect(&windowPlace, MONITOR_DEFAULTTONEAREST), WindowDpi(window), windowPlace, 0);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

// Leaving window mode keeps its place for the way back.
void ToggleFullScreen(void) {
    HWND window = (HWND)MainWindow;
    if (!FullScreen) windowPlace = OuterOf(window);
    FullScreen = !FullScreen;
    settling = !FullScreen;
    SetWindowLongW(window, GWL_STYLE, FullScreen ? FULL_SCREEN_STYLE : WINDOW_STYLE);
    FitWindow();
    RequestDisplayRestore();
    ResetFrameClock();
}

// Kept for the next start; in full screen it waits for the way back to the window.
int ChooseFactor(int factor) {
    if (factor < 0 || factor > LARGEST_CHOSEN_FACTOR) return 0;
    ChosenFactor = factor;
    char stored[2] = {(char)('0' + factor), 0};
    WriteConfig(CONFIG_SCREEN_SCALE, stored, sizeof stored);
    HWND window = (HWND)MainWindow;
    if (!FullScreen) PlaceWindowMode(window, MonitorOf(window), WindowDpi(window), OuterOf(window), 1);
    return 1;
}

// Ctrl+0 (the screen's own factor) to Ctrl+4.
static int FactorKey(WPARAM key) {
    if (key < '0' || key > '0' + LARGEST_CHOSEN_FACTOR || GetKeyState(VK_CONTROL) >= 0) return 0;
    return ChooseFactor((int)(key - '0'));
}

// The window moved onto a monitor of another density: the factor is taken again for that monitor,
// about the window's centre, as the player drags it; full screen covers the new monitor.
void FollowDpi(int dpi, const RECT *suggested) {
    HWND window = (HWND)MainWindow;
    HMONITOR monitor = MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST);
    if (FullScreen)
        CoverMonitor(window, monitor);
    else
        PlaceWindowMode(window, monitor, dpi, OuterOf(window), 0);
}

// A window manager may give the window another size than it asked for (one of Linux's that lays
// windows out, or that brings back the size the window had as full screen began, after the switch
// back): the play area is drawn and clicked at the largest factor that fits, centred, which at the
// asked size is the asked factor at the origin. After a switch back the window asks once more.
static void FollowClientSize(HWND window, int width, int height) {
    PlayPlace = FullScreenPlace(width, height);
    if (FullScreen || !settling || (width == askedClient.cx && height == askedClient.cy)) return;
    settling = 0;
    PostMessageW(window, WM_PLACE_AGAIN, 0, 0);
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        if (wParam) {
            WindowActive = 1;
            FramesRunning = 1;
        } else {
            WindowActive = 0;
        }
        break;
    case WM_PAINT:
        PresentFrame();
        break;
    case WM_CLOSE:
        // In full screen the desktop comes forward before the window goes.
        if (FullScreen) SetForegroundWindow(GetDesktopWindow());
        PostQuitMessage(0);
        break;
    case WM_DISPLAYCHANGE:
        RequestDisplayRestore();
        if (FullScreen) FitWindow();
        break;
    case WM_DPICHANGED:
        FollowDpi(HIWORD(wParam), (const RECT *)lParam);
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) FollowClientSize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_PLACE_AGAIN:
        FitWindow();
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) SendMessageW(window, WM_CLOSE, 0, 0);
        if (FactorKey(wParam)) return 0;
        break;
    case WM_SYSKEYDOWN:
        if (wParam == VK_RETURN) ToggleFullScreen();
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
        break;
    case WM_COPYDATA:
        return TakeHandedGameFile((const void *)lParam);
    case WM_LBUTTONDOWN:
        PressButton(BUTTON_LEFT);
        break;
    case WM_LBUTTONUP:
        ReleaseButton(BUTTON_LEFT);
        break;
    case WM_RBUTTONDOWN:
        PressButton(BUTTON_RIGHT);
        break;
    case WM_RBUTTONUP:
        ReleaseButton(BUTTON_RIGHT);
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int CreateMainWindow(void *instance, int showCommand) {
    MainInstance = instance;
    HINSTANCE module = (HINSTANCE)instance;
    wchar_t title[TITLE_CHARS];
    if (!ToWide(PRODUCT_TITLE, title, TITLE_CHARS)) return 0;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = module;
    windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(IDI_PROGRAM));
    windowClass.hIconSm = (HICON)LoadImageW(module, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = title;
    if (!RegisterClassExW(&windowClass)) return 0;
    HWND window = CreateWindowExW(0, title, title, WINDOW_STYLE, 0, 0, PLAY_WIDTH,
                                  PLAY_HEIGHT, NULL, NULL, module, NULL);
    // Without a window nothing later can draw or receive input.
    if (!window) return 0;
    MainWindow = window;
    CentreWindow(window);
    if (!SettingsDialog(window)) return 0;
    CentreWindow(window);  // at the factor the dialog chose
    windowPlace = OuterOf(window);
    if (FullScreen) {
        SetWindowLongW(window, GWL_STYLE, WS_POPUP);
        CoverMonitor(window, MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return 1;
}
