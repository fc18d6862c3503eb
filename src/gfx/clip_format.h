// Clipping of a sprite's rectangles to the play area, for plain and stretched drawing. Games write
// the sprite fields directly, so any 32-bit values may arrive; what is left of a source always
// lies between its original edges. Portable: no Windows header.
#ifndef ROBINA_CLIP_FORMAT_H
#define ROBINA_CLIP_FORMAT_H

#include <stdint.h>
#include "base/area_format.h"

typedef struct ClipRect {
    int32_t left, top, right, bottom;  // right and bottom exclusive
} ClipRect;

// Plain drawing of `source` at its own size with its top-left corner at (*x, *y): cuts the source
// to the part on the play area and moves the corner onto it. 0 when nothing is left to draw.
int ClipPlain(ClipRect *source, int32_t *x, int32_t *y);

// Stretched drawing of `source` scaled into `target`: cuts both to the play area, the source in
// proportion (scales from the unclipped rectangles, cuts truncated towards zero), and keeps the
// source's right edge below imageWidth (0 or more). 0 when nothing is left to draw.
int ClipStretched(ClipRect *source, ClipRect *target, int32_t imageWidth);

#endif
