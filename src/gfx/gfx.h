// The sprite engine: the DirectDraw display (one back buffer presented by one blit), images loaded
// from BMP members of the current pack, the priority-ordered sprite list and GDI text drawing.
// Every coordinate given to sprites is in play-area pixels (640x360), in every screen mode and at every
// factor: only the present enlarges and places the play area.
#ifndef ROBINA_GFX_H
#define ROBINA_GFX_H

#include <stdint.h>
#include "robina_game.h"

struct IDirectDraw;
struct IDirectDrawSurface;
struct IDirectDrawClipper;

// --- display device (display.cpp) ---
typedef struct ChannelRecord {
    uint8_t max;    // the channel's mask shifted down to bit 0, cut to 8 bits (31, 63 or 255)
    uint8_t shift;  // zero bits below the mask
} ChannelRecord;
enum { CHANNEL_BLUE = 0, CHANNEL_GREEN = 1, CHANNEL_RED = 2 };

extern struct IDirectDraw *DirectDraw;             // from DirectDrawCreate; none until InitDisplay
extern struct IDirectDrawSurface *PrimarySurface;  // the visible screen
extern struct IDirectDrawSurface *BackBuffer;      // every frame is drawn here, then presented
extern struct IDirectDrawClipper *Clipper;         // bound to MainWindow, attached to the primary
extern void *ScaledFrame;               // the pixels of the frame enlarged by ScaledFactor (a DIB section)
extern int32_t ScaledFactor;            // the factor ScaledFrame was made for; 0: none made
extern uint8_t ScreenDepth;             // desktop bits per pixel, read at each InitDisplay
extern int32_t SystemMemorySurfaces;    // 1: back buffer and images in system memory
extern int32_t ForceSystemMemory;       // 1 once video memory proved too small; never cleared
extern int32_t DisplayLost;             // 1: the next present rebuilds the device first
extern uint32_t ClearColour;            // back-buffer pixel value every frame starts from
extern ChannelRecord ChannelTable[3];   // blue, green, red of the back buffer's pixel format

int DesktopBitDepth(void);
int InitDisplay(void);
void ClearBackBuffer(void);
void PresentFrame(void);
void RequestDisplayRestore(void);
int RestoreDisplay(void);
void rlDDRelease(void);
uint32_t MakeColour(int32_t r, int32_t g, int32_t b);
int32_t __cdecl SetClearColour(int32_t r, int32_t g, int32_t b);
// An off-screen plain surface in system memory (DDSCAPS_SYSTEMMEMORY) or where DirectDraw puts it (0).
long CreatePlainSurface(int width, int height, uint32_t memoryCaps, struct IDirectDrawSurface **surface);

// --- image store (image.cpp) ---
extern Image *ImageList;   // head record of the image list (never an image); none before InitDisplay
extern int32_t ImageCount; // images loaded and not yet freed

void CreateImageList(void);
void FreeImageList(void);          // every record, the head included; surfaces released
void ReleaseImageSurfaces(void);   // records stay, without surfaces, until ReloadAllImages
int ReloadAllImages(void);         // in list order; 0 at the first failure
Image *__cdecl NewImage(const char *name);
// A game's picture for a place of width x height: null, not fatal, when unfit; *fault (if given) says why.
enum GamePictureFault { GAME_PICTURE_FIT, GAME_PICTURE_MISSING, GAME_PICTURE_REFUSED };
Image *LoadGamePicture(const char *name, int32_t width, int32_t height, int32_t *fault);
int32_t __cdecl FreeImage(Image *image);
void FreeSceneImages(void);
int32_t __cdecl FillImage(Image *image, int32_t r, int32_t g, int32_t b);
int ReloadImage(Image *image);

// --- sprite list (sprite.cpp) ---
extern Sprite *SpriteList;   // head record of the sprite list (never drawn)
extern int32_t SpriteCount;  // sprites in the list, head excluded

int InitSpriteList(void);
Sprite *__cdecl NewSprite(uint32_t priority);
int32_t __cdecl SetSpritePriority(Sprite *sprite, uint32_t priority);
int32_t __cdecl FreeSprite(Sprite *sprite);
int FreeSceneSprites(void);
int FreeSpriteList(void);
void DrawSprites(void);
void RenderFrame(void);  // clears the back buffer, draws the sprite list and presents it

// --- text (text.cpp) ---
int32_t __cdecl DrawString(struct IDirectDrawSurface *target, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, uint32_t format, const char *text, int32_t height, int32_t r,
                           int32_t g, int32_t b, int32_t proportional);

#endif
