// The DirectDraw device: primary surface, one off-screen back buffer of the play area's size and the
// clipper of the main window. Every frame is cleared, drawn into the back buffer and presented with
// one blit to the play area's place in the window; at a factor above 1 the processor enlarges the
// frame into a picture of the enlarged size (each pixel a solid block: a stretching blit may be
// filtered by the driver), which GDI copies to the window unstretched. In full screen the rest of the window
// is filled black at each present. The display mode is never changed. When DirectDraw reports lost
// surfaces the whole device is rebuilt and every image reloaded, at the next present that happens
// while the window is in front. Image records outlive every rebuild.
#include <windows.h>
#include <ddraw.h>
#include "gfx/gfx.h"
#include "gfx/scale_format.h"
#include "base/base.h"

IDirectDraw *DirectDraw = 0;
IDirectDrawSurface *PrimarySurface = 0;
IDirectDrawSurface *BackBuffer = 0;
IDirectDrawClipper *Clipper = 0;
void *ScaledFrame = 0;
int32_t ScaledFactor = 0;
uint8_t ScreenDepth = 0;
int32_t SystemMemorySurfaces = 0;
int32_t ForceSystemMemory = 0;
int32_t DisplayLost = 0;
uint32_t ClearColour = 0;
ChannelRecord ChannelTable[3];

static_assert(sizeof(DDSURFACEDESC) == 108, "DirectDraw surface description size");
static_assert(sizeof(DDCAPS) == 380, "DirectDraw capabilities size");
static_assert(sizeof(DDBLTFX) == 100, "DirectDraw blit effects size");

int DesktopBitDepth(void) {
    HDC info = CreateICW(L"Display", NULL, NULL, NULL);
    int depth = GetDeviceCaps(info, BITSPIXEL);
    DeleteDC(info);
    return depth;
}

template <class T> static void ReleaseObject(T *&object) {
    if (object) object->Release();
    object = 0;
}

static void ReleaseScaledFrame(void);

// Releases in dependency order; used by every rebuild and at exit, and after a failed rebuild so
// that no surface of a dead DirectDraw object is drawn into later.
static void ReleaseDevice(void) {
    ReleaseScaledFrame();
    ReleaseObject(Clipper);
    ReleaseObject(BackBuffer);
    ReleaseObject(PrimarySurface);
    ReleaseObject(DirectDraw);
}

static int ReadFreeVideoMemory(void) {
    if (!DirectDraw) return 0;
    DDCAPS caps;
    ZeroMemory(&caps, sizeof caps);
    caps.dwSize = sizeof caps;
    DirectDraw->GetCaps(&caps, NULL);
    return (int)caps.dwVidMemFree;
}

// "UseVRAM" is "1" when the user chose video memory; anything else, or nothing, means system memory.
static void ChooseSurfaceMemory(void) {
    char useVram[2] = {'0', 0};
    if (!ReadConfig(CONFIG_USE_VRAM, useVram, sizeof useVram)) useVram[0] = '0';
    if (ForceSystemMemory) useVram[0] = '0';
    SystemMemorySurfaces = useVram[0] == '1' ? 0 : 1;
    Log("halflag %d > %d\n", (int)(unsigned char)useVram[0], (int)SystemMemorySurfaces);
}

long CreatePlainSurface(int width, int height, uint32_t memoryCaps, IDirectDrawSurface **surface) {
    DDSURFACEDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memoryCaps;
    return DirectDraw->CreateSurface(&desc, surface, NULL);
}

// Video memory is kept only if one more 960x10 surface still fits after the back buffer; otherwise
// everything moves to system memory for the rest of the run.
static int CreateBackBuffer(void) {
    for (;;) {
        DWORD memory = SystemMemorySurfaces ? DDSCAPS_SYSTEMMEMORY : 0;
        if (CreatePlainSurface(PLAY_WIDTH, PLAY_HEIGHT, memory, &BackBuffer) != DD_OK) {
            BackBuffer = 0;
            ErrorBox("バックサーフェスを作成できません");
            return 0;
        }
        if (ForceSystemMemory || SystemMemorySurfaces) return 1;
        IDirectDrawSurface *probe = 0;
        if (CreatePlainSurface(960, 10, 0, &probe) == DD_OK) {
            probe->Release();
            return 1;
        }
        ReleaseObject(BackBuffer);
        SystemMemorySurfaces = 1;
        ForceSystemMemory = 1;
    }
}

// A mask of 0 (no RGB format) gives a channel of maximum 0, so MakeColour yields 0 for it.
static void FillChannelTable(void) {
    DDSURFACEDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_PIXELFORMAT;
    if (BackBuffer->GetSurfaceDesc(&desc) != DD_OK) return;
    DWORD masks[3] = {desc.ddpfPixelFormat.dwBBitMask, desc.ddpfPixelFormat.dwGBitMask,
                      desc.ddpfPixelFormat.dwRBitMask};
    for (int c = 0; c < 3; c++) {
        DWORD mask = masks[c];
        uint8_t shift = 0;
        while (mask && !(mask & 1)) {
            mask >>= 1;
            shift++;
        }
        ChannelTable[c].max = (uint8_t)mask;
        ChannelTable[c].shift = shift;
    }
}

int InitDisplay(void) {
    ScreenDepth = (uint8_t)DesktopBitDepth();
    Log("ScreenBit is %d\n", (int)ScreenDepth);
    if (DirectDrawCreate(NULL, &DirectDraw, NULL) != DD_OK) {
        DirectDraw = 0;
        ErrorBox("DirectDrawを使用できません");
        return 0;
    }
    HWND window = (HWND)MainWindow;
    DirectDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    Log("VRAM :%ldbyte Flag:%d\n", (long)ReadFreeVideoMemory(), (int)SystemMemorySurfaces);
    ChooseSurfaceMemory();

    DDSURFACEDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (DirectDraw->CreateSurface(&desc, &PrimarySurface, NULL) != DD_OK) {
        PrimarySurface = 0;
        return 0;
    }
    if (!CreateBackBuffer()) return 0;
    if (DirectDraw->CreateClipper(0, &Clipper, NULL) != DD_OK) {
        Clipper = 0;
        ErrorBox("クリップを作成できません");
        return 0;
    }
    if (Clipper->SetHWnd(0, window) != DD_OK) {
        ErrorBox("ウィンドウ座標取得に失敗");
        return 0;
    }
    PrimarySurface->SetClipper(Clipper);
    if (ScreenDepth > 8) FillChannelTable();
    SetClearColour(16, 16, 16);
    ClearBackBuffer();
    if (!ImageList) CreateImageList();
    return 1;
}

uint32_t MakeColour(int32_t r, int32_t g, int32_t b) {
    if (ScreenDepth != 16 && ScreenDepth != 24 && ScreenDepth != 32) return 0;
    const uint32_t values[3] = {(uint32_t)(b & 0xFF), (uint32_t)(g & 0xFF), (uint32_t)(r & 0xFF)};
    uint32_t pixel = 0;
    for (int c = 0; c < 3; c++) {
        uint32_t scaled = (ChannelTable[c].max * values[c] / 255) & 0xFF;
        pixel |= scaled << ChannelTable[c].shift;
    }
    return pixel;
}

int32_t __cdecl SetClearColour(int32_t r, int32_t g, int32_t b) {
    ClearColour = MakeColour(r, g, b);
    return (int32_t)ClearColour;
}

void ClearBackBuffer(void) {
    if (!BackBuffer) return;
    RECT area = {0, 0, PLAY_WIDTH, PLAY_HEIGHT};
    DDBLTFX fx;
    ZeroMemory(&fx, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = ClearColour;
    BackBuffer->Blt(&area, NULL, NULL, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void RequestDisplayRestore(void) {
    DisplayLost = 1;
}

// The enlarged frame: a DIB section in the back buffer's pixel format, whose rows GDI copies to the
// window as they are (under Wine a DirectDraw blit of an enlarged surface took several times longer).
static HBITMAP scaledPicture = 0;
static struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];  // red, green, blue, for BI_BITFIELDS
} scaledFormat;

static void ReleaseScaledFrame(void) {
    if (scaledPicture) DeleteObject(scaledPicture);
    scaledPicture = 0;
    ScaledFrame = 0;
    ScaledFactor = 0;
}

static int MakeScaledFrame(int32_t factor, const DDPIXELFORMAT &format) {
    ReleaseScaledFrame();
    ZeroMemory(&scaledFormat, sizeof scaledFormat);
    BITMAPINFOHEADER &header = scaledFormat.header;
    header.biSize = sizeof header;
    header.biWidth = PLAY_WIDTH * factor;
    header.biHeight = -PLAY_HEIGHT * factor;  // top-down, as the surface's rows
    header.biPlanes = 1;
    header.biBitCount = (WORD)format.dwRGBBitCount;
    header.biCompression = format.dwRGBBitCount == 24 ? BI_RGB : BI_BITFIELDS;
    scaledFormat.masks[0] = format.dwRBitMask;
    scaledFormat.masks[1] = format.dwGBitMask;
    scaledFormat.masks[2] = format.dwBBitMask;
    scaledPicture = CreateDIBSection(NULL, (BITMAPINFO *)&scaledFormat, DIB_RGB_COLORS, &ScaledFrame, NULL, 0);
    if (!scaledPicture) {
        ScaledFrame = 0;
        return 0;
    }
    ScaledFactor = factor;
    return 1;
}

// The frame enlarged into the DIB section, made at the first present of a factor and kept while
// the factor and the pixel format stay.
static int EnlargeFrame(int32_t factor) {
    DDSURFACEDESC from;
    ZeroMemory(&from, sizeof from);
    from.dwSize = sizeof from;
    HRESULT got = BackBuffer->Lock(NULL, &from, DDLOCK_WAIT | DDLOCK_READONLY, NULL);
    if (got == DDERR_SURFACELOST) RequestDisplayRestore();
    if (got != DD_OK) return 0;
    int32_t bytes = (int32_t)(from.ddpfPixelFormat.dwRGBBitCount / 8);
    if (ScaledFactor != factor || scaledFormat.header.biBitCount != from.ddpfPixelFormat.dwRGBBitCount)
        MakeScaledFrame(factor, from.ddpfPixelFormat);
    if (ScaledFrame)
        ScaleNearest((const uint8_t *)from.lpSurface, from.lPitch, PLAY_WIDTH, PLAY_HEIGHT, bytes, factor,
                     (uint8_t *)ScaledFrame, PLAY_WIDTH * factor * bytes);
    BackBuffer->Unlock(NULL);
    return ScaledFrame != 0;
}

static void ShowScaledFrame(HWND window) {
    int width = PLAY_WIDTH * ScaledFactor, height = PLAY_HEIGHT * ScaledFactor;
    HDC dc = GetDC(window);
    SetDIBitsToDevice(dc, PlayPlace.left, PlayPlace.top, width, height, 0, 0, 0, height, ScaledFrame,
                      (BITMAPINFO *)&scaledFormat, DIB_RGB_COLORS);
    ReleaseDC(window, dc);
}

// Black on every part of the client area that the play area leaves (full screen); nothing when it
// fills the client area.
static void FillAroundPlayArea(HWND window, POINT origin, const RECT &play) {
    RECT client;
    GetClientRect(window, &client);
    OffsetRect(&client, origin.x, origin.y);
    const RECT around[4] = {{client.left, client.top, client.right, play.top},
                            {client.left, play.bottom, client.right, client.bottom},
                            {client.left, play.top, play.left, play.bottom},
                            {play.right, play.top, client.right, play.bottom}};
    DDBLTFX fx;
    ZeroMemory(&fx, sizeof fx);
    fx.dwSize = sizeof fx;
    for (const RECT &part : around) {
        RECT area;
        if (IntersectRect(&area, &part, &client)) PrimarySurface->Blt(&area, NULL, NULL, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
}

void PresentFrame(void) {
    HWND window = (HWND)MainWindow;
    if (DisplayLost) {
        if (GetForegroundWindow() != window || GetActiveWindow() != window) return;
        if (!RestoreDisplay()) return;
        DisplayLost = 0;
    }
    if (!DirectDraw || !PrimarySurface || !BackBuffer) return;
    int32_t factor = PlayPlace.factor < 1 ? 1 : PlayPlace.factor;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT from = {0, 0, PLAY_WIDTH, PLAY_HEIGHT};
    RECT to = {0, 0, PLAY_WIDTH * factor, PLAY_HEIGHT * factor};
    OffsetRect(&to, origin.x + PlayPlace.left, origin.y + PlayPlace.top);
    FillAroundPlayArea(window, origin, to);
    if (factor > 1) {
        if (EnlargeFrame(factor)) ShowScaledFrame(window);
    } else if (PrimarySurface->Blt(&to, BackBuffer, &from, DDBLT_WAIT, NULL) == DDERR_SURFACELOST) {
        RequestDisplayRestore();
    }
}

int RestoreDisplay(void) {
    Log("restore start\n");
    if (DesktopBitDepth() < 15) return 1;
    ReleaseImageSurfaces();
    ReleaseDevice();
    if (!InitDisplay()) {
        ReleaseDevice();
        return 0;
    }
    return ReloadAllImages();
}

void rlDDRelease(void) {
    FreeImageList();
    ReleaseDevice();
    Log("rlDDRelease %d\n", (int)ImageCount);
}
