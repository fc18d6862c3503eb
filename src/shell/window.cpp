// The main window: its class, its creation around the start-up settings dialog, its placement in
// window mode (centred, 640x360 client area) and full-screen mode (640x480 pop-up at the origin), the
// switch between the two, and the window procedure, which turns button messages into MouseState.
#include <windows.h>
#include "shell/shell.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "res/resource.h"

enum {
    WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    FULL_SCREEN_STYLE = WS_POPUP | WS_VISIBLE,
};

// Expects the window's outer size at 640x360: the difference to the client size then gives the frame.
static void CentreWindow(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    int width = 2 * PLAY_WIDTH - client.right;
    int height = 2 * PLAY_HEIGHT - client.bottom;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);
}

void FitWindow(void) {
    HWND window = (HWND)MainWindow;
    MoveWindow(window, 0, 0, PLAY_WIDTH, PLAY_HEIGHT, TRUE);
    if (FullScreen)
        MoveWindow(window, 0, 0, PLAY_WIDTH, FULL_HEIGHT, TRUE);
    else
        CentreWindow(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

void ToggleFullScreen(void) {
    HWND window = (HWND)MainWindow;
    FullScreen = !FullScreen;
    SetWindowLongW(window, GWL_STYLE, FullScreen ? FULL_SCREEN_STYLE : WINDOW_STYLE);
    SwitchDisplayMode();
    FitWindow();
    RequestDisplayRestore();
    ResetFrameClock();
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
        // Leaves the exclusive display to the desktop before the window goes.
        if (FullScreen) SetForegroundWindow(GetDesktopWindow());
        PostQuitMessage(0);
        break;
    case WM_DISPLAYCHANGE:
        if (!FullScreen) RequestDisplayRestore();
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) SendMessageW(window, WM_CLOSE, 0, 0);
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
    if (FullScreen) {
        SetWindowLongW(window, GWL_STYLE, WS_POPUP);
        MoveWindow(window, 0, 0, PLAY_WIDTH, FULL_HEIGHT, TRUE);
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return 1;
}
