// The image store: BMP members of the current pack, each in its own off-screen surface with black
// as source colour key, kept in one list in loading order. A record remembers its member and pack
// so a display rebuild can replace its surface in place; pointers to records stay valid throughout.
#include <windows.h>
#include <ddraw.h>
#include <stdio.h>
#include <string.h>
#include "gfx/gfx.h"
#include "gfx/bmp_format.h"
#include "pack/pack.h"
#include "base/base.h"

Image *ImageList = 0;
int32_t ImageCount = 0;

void CreateImageList(void) {
    ImageList = (Image *)Alloc(sizeof(Image));
    ImageCount = 0;
}

static void ReleaseSurface(Image *image) {
    if (image->surface) image->surface->Release();
    image->surface = 0;
}

static IDirectDrawSurface *CreateImageSurface(int width, int height) {
    if (!DirectDraw) return 0;
    IDirectDrawSurface *surface = 0;
    if (CreatePlainSurface(width, height, SystemMemorySurfaces ? DDSCAPS_SYSTEMMEMORY : 0, &surface) != DD_OK)
        return 0;
    return surface;
}

// GDI converts from whatever depth the bitmap has into the surface's format.
static void CopyBitmap(HBITMAP bitmap, int width, int height, IDirectDrawSurface *surface) {
    HDC memory = CreateCompatibleDC(NULL);
    if (!memory) OutputDebugStringW(L"createcompatible dc failed\n");
    SelectObject(memory, bitmap);
    DDSURFACEDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    surface->GetSurfaceDesc(&desc);
    HDC target;
    if (surface->GetDC(&target) == DD_OK) {
        StretchBlt(target, 0, 0, desc.dwWidth, desc.dwHeight, memory, 0, 0, width, height, SRCCOPY);
        surface->ReleaseDC(target);
    }
    DeleteDC(memory);
}

// Judged from the pack's bytes: the extracted file holds the same.
static int MemberIsWholeBmp(const char *name) {
    uint8_t head[BMP_HEAD_BYTES];
    uint32_t got = sizeof head, size = 0;
    int32_t width, height;
    return PeekMember(name, head, &got, &size) && BmpIsWhole(head, got, size, &width, &height);
}

// Loads the member into the record's surface, replacing any surface it had.
static int LoadBitmapInto(Image *image) {
    const wchar_t *path = ExtractMember(image->name);
    HBITMAP bitmap = path && MemberIsWholeBmp(image->name) ? (HBITMAP)LoadImageW(NULL, path, IMAGE_BITMAP, 0, 0,
                                                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION)
                                                  : NULL;
    DeleteExtracted();
    if (!bitmap) return 0;
    BITMAP info;
    ZeroMemory(&info, sizeof info);
    GetObjectW(bitmap, sizeof info, &info);
    ReleaseSurface(image);
    IDirectDrawSurface *surface = CreateImageSurface(info.bmWidth, info.bmHeight);
    if (!surface) {
        DeleteObject(bitmap);
        return 0;
    }
    CopyBitmap(bitmap, info.bmWidth, info.bmHeight, surface);
    DeleteObject(bitmap);
    DDCOLORKEY black = {0, 0};
    surface->SetColorKey(DDCKEY_SRCBLT, &black);
    image->surface = surface;
    image->width = info.bmWidth;
    image->height = info.bmHeight;
    Log("BMPLoadComplete %s(%d,%d)\n", image->name, (int)image->width, (int)image->height);
    return 1;
}

static void Unlink(Image *image) {
    image->prev->next = image->next;
    if (image->next) image->next->prev = image->prev;
}

// A failed load drops its record at once, so that no surface-less record is left for a later
// display rebuild to stumble over. A name no pack member can carry fails the same way.
static Image *AddImage(const char *name) {
    if (!ImageList) CreateImageList();
    Image *last = ImageList;
    while (last->next) last = last->next;
    Image *image = (Image *)Alloc(sizeof(Image));
    image->prev = last;
    last->next = image;
    size_t length = name ? strlen(name) : sizeof image->name;
    if (length < sizeof image->name) {
        memcpy(image->name, name, length + 1);
        snprintf(image->pack, sizeof image->pack, "%s", CurrentPackName());
        if (LoadBitmapInto(image)) {
            ImageCount += 1;
            ResetFrameClock();
            return image;
        }
    }
    Unlink(image);
    Free(image);
    return 0;
}

// The program's own pictures and a game's: one that does not load ends the program with its name.
Image *__cdecl NewImage(const char *name) {
    Image *image = AddImage(name);
    if (image) return image;
    char message[sizeof image->name + 64];
    snprintf(message, sizeof message, "画像の読み込みに失敗(%.259s)", name ? name : "");
    ErrorBox(message);
    return 0;
}

// The front end shows pictures of every game file beside the program, and must stay usable whatever
// those files hold: a picture that is missing, damaged, smaller than its place or beyond the memory
// bound is logged and answered with null, and never reaches the error box. One larger than its place
// shows its top-left part, as sprites do. The size is judged from the headers, before any memory is
// taken for the picture.
static int MemberFitsItsPlace(const char *name, int32_t width, int32_t height) {
    uint8_t head[BMP_HEAD_BYTES];
    uint32_t got = sizeof head, size = 0;
    int32_t w, h;
    return PeekMember(name, head, &got, &size) && BmpIsWhole(head, got, size, &w, &h) &&
           GamePictureFits(w, h, width, height);
}

Image *LoadGamePicture(const char *name, int32_t width, int32_t height, int32_t *fault) {
    int32_t found = HasMember(name) ? GAME_PICTURE_REFUSED : GAME_PICTURE_MISSING;
    Image *image = found == GAME_PICTURE_REFUSED && MemberFitsItsPlace(name, width, height) ? AddImage(name) : 0;
    if (fault) *fault = image ? GAME_PICTURE_FIT : found;
    if (!image)
        Log("game picture %s %s of %s\n", found == GAME_PICTURE_MISSING ? "missing" : "refused", name,
            CurrentPackName());
    return image;
}

int32_t __cdecl FreeImage(Image *image) {
    if (!image || image == ImageList) return ImageCount;
    Unlink(image);
    ReleaseSurface(image);
    Free(image);
    ImageCount -= 1;
    return ImageCount;
}

void FreeSceneImages(void) {
    if (!ImageList) return;
    Image *image = ImageList->next;
    while (image) {
        Image *next = image->next;
        if (!image->keep) FreeImage(image);
        image = next;
    }
}

int32_t __cdecl FillImage(Image *image, int32_t r, int32_t g, int32_t b) {
    if (!image) return DDERR_INVALIDPARAMS;
    if (!image->surface) return DDERR_SURFACELOST;
    RECT area = {0, 0, image->width, image->height};
    DDBLTFX fx;
    ZeroMemory(&fx, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = MakeColour(r, g, b);
    return image->surface->Blt(&area, NULL, NULL, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

static int LoadFromOwnPack(void *image) {
    SetPack(((Image *)image)->pack);
    return LoadBitmapInto((Image *)image);
}

// The image's own pack is lent for the load and the caller's given back afterwards, whatever the
// outcome, so a rebuild inside WM_PAINT leaves the running scene's pack alone.
int ReloadImage(Image *image) {
    if (DesktopBitDepth() < 15) return 1;
    return LendPack(LoadFromOwnPack, image);
}

int ReloadAllImages(void) {
    for (Image *image = ImageList ? ImageList->next : 0; image; image = image->next)
        if (!ReloadImage(image)) return 0;
    return 1;
}

void ReleaseImageSurfaces(void) {
    for (Image *image = ImageList ? ImageList->next : 0; image; image = image->next) ReleaseSurface(image);
}

void FreeImageList(void) {
    Image *image = ImageList;
    while (image) {
        Image *next = image->next;
        ReleaseSurface(image);
        if (image != ImageList) ImageCount -= 1;
        Free(image);
        image = next;
    }
    ImageList = 0;
}
