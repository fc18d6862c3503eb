// The clipping of sprites to the play area; see clip_format.h. Games write sprite fields freely, so
// the sums are made in 64 bits or in floating point and only a result known to fit goes back.
#include "gfx/clip_format.h"
#include <math.h>

// Worked out in 64 bits: the width of a source with edges far apart does not fit 32.
int ClipPlain(ClipRect *source, int32_t *x, int32_t *y) {
    int64_t atX = *x, atY = *y;
    int64_t left = source->left, top = source->top, right = source->right, bottom = source->bottom;
    int64_t w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return 0;
    if (atX >= PLAY_WIDTH || atY >= PLAY_HEIGHT || atX <= -w || atY <= -h) return 0;
    if (atX + w > PLAY_WIDTH) right -= atX + w - PLAY_WIDTH;
    if (atY + h > PLAY_HEIGHT) bottom -= atY + h - PLAY_HEIGHT;
    if (atX < 0) {
        left -= atX;
        atX = 0;
    }
    if (atY < 0) {
        top -= atY;
        atY = 0;
    }
    *source = {(int32_t)left, (int32_t)top, (int32_t)right, (int32_t)bottom};
    *x = (int32_t)atX;
    *y = (int32_t)atY;
    return 1;
}

// An empty or inverted rectangle (which would make a scale infinite or negative) draws nothing.
// The vertical scale is rounded to single precision. The right source edge never reaches the
// image's width: a source spanning the whole image shows width - 1 columns over the target.
int ClipStretched(ClipRect *source, ClipRect *target, int32_t imageWidth) {
    ClipRect dst = *target, src = *source;
    if (dst.left >= PLAY_WIDTH || dst.top >= PLAY_HEIGHT || dst.right < 0 || dst.bottom < 0) return 0;
    if (src.right <= src.left || src.bottom <= src.top) return 0;
    if (dst.right <= dst.left || dst.bottom <= dst.top) return 0;
    double sx = ((double)dst.right - dst.left) / ((double)src.right - src.left);
    double sy = (float)(((double)dst.bottom - dst.top) / ((double)src.bottom - src.top));
    double left = src.left, top = src.top, right = src.right, bottom = src.bottom;
    if (dst.left < 0) {
        left -= trunc(dst.left / sx);
        dst.left = 0;
    }
    if (dst.right >= PLAY_WIDTH) {
        right -= trunc((dst.right - PLAY_WIDTH) / sx);
        dst.right = PLAY_WIDTH;
    }
    if (dst.top < 0) {
        top -= trunc(dst.top / sy);
        dst.top = 0;
    }
    if (dst.bottom >= PLAY_HEIGHT) {
        bottom -= trunc((dst.bottom - PLAY_HEIGHT) / sy);
        dst.bottom = PLAY_HEIGHT;
    }
    // Left and top only grow, right and bottom only shrink: whatever is left fits 32 bits.
    if (right <= left || bottom <= top) return 0;
    src = {(int32_t)left, (int32_t)top, (int32_t)right, (int32_t)bottom};
    if (src.right >= imageWidth) src.right = imageWidth - 1;
    if (src.right <= src.left || dst.right <= dst.left || dst.bottom <= dst.top) return 0;
    *source = src;
    *target = dst;
    return 1;
}
