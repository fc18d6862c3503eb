// DirectXVersion: finds the installed DirectX release by trying, oldest first, the interfaces each
// release added. Every interface obtained is released at once, so no DirectDraw object survives.
#include <windows.h>
#include <ddraw.h>
#include <dmusicc.h>
#include "shell/shell.h"

typedef HRESULT(WINAPI *DirectDrawCreateProc)(GUID *, IDirectDraw **, IUnknown *);
typedef HRESULT(WINAPI *DirectDrawCreateExProc)(GUID *, void **, REFIID, IUnknown *);

static int HasDirectInput(void) {
    HMODULE dinput = LoadLibraryW(L"DINPUT.DLL");
    if (!dinput) {
        OutputDebugStringW(L"Couldn't LoadLibrary DInput\r\n");
        return 0;
    }
    int found = GetProcAddress(dinput, "DirectInputCreateA") != NULL;
    FreeLibrary(dinput);
    if (!found) OutputDebugStringW(L"Couldn't GetProcAddress DInputCreate\r\n");
    return found;
}

static int HasInterface(IUnknown *object, REFIID iid) {
    IUnknown *other = NULL;
    if (FAILED(object->QueryInterface(iid, (void **)&other))) return 0;
    other->Release();
    return 1;
}

// Steps 7 to 10: a primary surface and its newer interfaces. Returns the version they prove,
// 0 when no surface can be made, or -1 when all passed and the later tests decide.
static int ProbeSurfaces(IDirectDraw *ddraw) {
    if (FAILED(ddraw->SetCooperativeLevel(NULL, DDSCL_NORMAL))) {
        OutputDebugStringW(L"Couldn't Set coop level\r\n");
        return 0;
    }
    DDSURFACEDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface *surface = NULL;
    if (FAILED(ddraw->CreateSurface(&desc, &surface, NULL))) {
        OutputDebugStringW(L"Couldn't CreateSurface\r\n");
        return 0;
    }
    int result = -1;
    if (!HasInterface(surface, IID_IDirectDrawSurface3)) result = 0x300;
    else if (!HasInterface(surface, IID_IDirectDrawSurface4)) result = 0x500;
    surface->Release();
    return result;
}

static int HasDirectMusic(void) {
    CoInitialize(NULL);
    IUnknown *music = NULL;
    HRESULT hr = CoCreateInstance(CLSID_DirectMusic, NULL, CLSCTX_INPROC_SERVER, IID_IDirectMusic,
                                  (void **)&music);
    if (SUCCEEDED(hr)) music->Release();
    CoUninitialize();
    if (FAILED(hr)) OutputDebugStringW(L"Couldn't create CLSID_DirectMusic\r\n");
    return SUCCEEDED(hr);
}

static int HasDirectDraw7(HMODULE ddrawLibrary) {
    DirectDrawCreateExProc createEx =
        (DirectDrawCreateExProc)(void *)GetProcAddress(ddrawLibrary, "DirectDrawCreateEx");
    if (!createEx) return 0;
    IUnknown *ddraw7 = NULL;
    if (FAILED(createEx(NULL, (void **)&ddraw7, IID_IDirectDraw7, NULL))) return 0;
    ddraw7->Release();
    return 1;
}

static int HasDirect3D8(void) {
    HMODULE d3d8 = LoadLibraryW(L"D3D8.DLL");
    if (!d3d8) return 0;
    FreeLibrary(d3d8);
    return 1;
}

// Steps 3 to 10, on a DirectDraw object created from the loaded library.
static int ProbeDirectDraw(DirectDrawCreateProc create) {
    IDirectDraw *ddraw = NULL;
    if (FAILED(create(NULL, &ddraw, NULL))) {
        OutputDebugStringW(L"Couldn't create DDraw\r\n");
        return 0;
    }
    int result = -1;
    if (!HasInterface(ddraw, IID_IDirectDraw2)) {
        OutputDebugStringW(L"Couldn't QI DDraw2\r\n");
        result = 0x100;
    } else if (!HasDirectInput()) {
        result = 0x200;
    } else {
        result = ProbeSurfaces(ddraw);
    }
    ddraw->Release();
    return result;
}

int DirectXVersion(void) {
    HMODULE ddrawLibrary = LoadLibraryW(L"DDRAW.DLL");
    if (!ddrawLibrary) return 0;
    DirectDrawCreateProc create =
        (DirectDrawCreateProc)(void *)GetProcAddress(ddrawLibrary, "DirectDrawCreate");
    int result = 0;
    if (!create) {
        OutputDebugStringW(L"Couldn't LoadLibrary DDraw\r\n");
    } else {
        result = ProbeDirectDraw(create);
        if (result < 0) {
            if (!HasDirectMusic()) result = 0x600;
            else if (!HasDirectDraw7(ddrawLibrary)) result = 0x601;
            else if (!HasDirect3D8()) result = 0x700;
            else result = 0x800;
        }
    }
    FreeLibrary(ddrawLibrary);
    return result;
}
