// The play area every sprite and row is placed on, in pixels, and the rules that put it on a screen:
// the window's whole-number factor, the place and factor of full screen, and the way back from a
// screen position to play-area pixels. Shared by the portable rules and the Windows code. Portable:
// no Windows header.
#ifndef ROBINA_AREA_FORMAT_H
#define ROBINA_AREA_FORMAT_H

#include <stdint.h>

enum {
    PLAY_WIDTH = 640,
    PLAY_HEIGHT = 360,
    BASE_DPI = 96,          // the screen density at which a factor of 1 is the natural size
    HALF_FIT_PERCENT = 55,  // "about half": the share of the work area's height a default window may take
    LARGEST_CHOSEN_FACTOR = 4,
};

// Where the play area stands in the client area, in screen pixels, and its factor: every play-area
// pixel is a factor x factor block of screen pixels.
typedef struct PlayPlaceRecord {
    int32_t left, top;
    int32_t factor;
} PlayPlaceRecord;

// The window's factor on a monitor: the player's choice (1..), or with 0 the whole number nearest to
// dpi / 96 but at least the largest factor whose window fits in HALF_FIT_PERCENT of the work area's
// height; never a window larger than the work area, and never below 1. frameWidth and frameHeight are
// the window's outer size less its client size.
int32_t WindowFactor(int32_t chosen, int32_t dpi, int32_t workWidth, int32_t workHeight, int32_t frameWidth,
                     int32_t frameHeight);
// Full screen on a monitor of width x height: the largest factor that fits (at least 1), centred.
PlayPlaceRecord FullScreenPlace(int32_t width, int32_t height);
// A client-area offset from the play area's edge in play-area pixels, rounded down, so that the
// pixels before the edge read as -1 and not 0.
int32_t ToPlayPixels(int32_t offset, int32_t factor);

#endif
