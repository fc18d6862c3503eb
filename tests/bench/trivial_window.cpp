// The yardstick of the start-up benchmark: the least a windowed program does, a window shown and
// painted once, after which it ends. With the argument "ddraw" it first makes and releases a
// DirectDraw object, the least any DirectDraw program pays before its window (under Wine, the
// load of its 3D back end).
#include <windows.h>
#include <string.h>

typedef HRESULT(WINAPI *DirectDrawCreateProc)(GUID *, IUnknown **, IUnknown *);

static void TouchDirectDraw(void) {
    HMODULE library = LoadLibraryA("DDRAW.DLL");
    if (!library) return;
    DirectDrawCreateProc create = (DirectDrawCreateProc)(void *)GetProcAddress(library, "DirectDrawCreate");
    IUnknown *ddraw = NULL;
    if (create && SUCCEEDED(create(NULL, &ddraw, NULL))) ddraw->Release();
}

static LRESULT CALLBACK TrivialProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    PostQuitMessage(0);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (strcmp(commandLine, "ddraw") == 0) TouchDirectDraw();
    WNDCLASSA cls = {};
    cls.lpfnWndProc = TrivialProc;
    cls.hInstance = instance;
    cls.lpszClassName = "TrivialWindow";
    RegisterClassA(&cls);
    HWND window = CreateWindowA("TrivialWindow", "trivial", WS_OVERLAPPEDWINDOW, 0, 0, 640, 360, 0, 0, instance, 0);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) DispatchMessageA(&message);
    return 0;
}
