// Sprite clipping against every value of the fields a game may write. A reference worked out here
// another way (the visible span of each axis in 64 bits) must agree with the engine on every input,
// and whatever is drawn lies inside the play area and inside the original source.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include "gfx/clip_format.h"

namespace {
struct Span {
    bool shown;
    int64_t from, to, at, end;  // source span and target span
};

// Plain: the target is the source's size; the visible part is the intersection with [0, limit).
Span PlainSpan(int64_t at, int64_t from, int64_t to, int64_t limit) {
    int64_t size = to - from, lo = std::max<int64_t>(at, 0), hi = std::min<int64_t>(at + size, limit);
    if (size <= 0 || hi <= lo) return {false, 0, 0, 0, 0};
    return {true, from + (lo - at), from + (hi - at), lo, hi};
}

// Stretched: each edge beyond the area gives up its overhang divided by the scale, truncated.
Span StretchedSpan(int64_t at, int64_t end, int64_t from, int64_t to, double scale, int64_t limit) {
    if (at >= limit || end < 0 || to <= from || end <= at) return {false, 0, 0, 0, 0};
    if (at < 0) from += (int64_t)((double)-at / scale);
    if (end >= limit) to -= (int64_t)((double)(end - limit) / scale);
    at = std::max<int64_t>(at, 0);
    end = std::min<int64_t>(end, limit);
    return {to > from && end > at, from, to, at, end};
}

int32_t Word(const uint8_t *data, int i) {
    uint32_t w;
    memcpy(&w, data + 4 * i, 4);
    return (int32_t)w;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 36) return 0;
    const int32_t x = Word(data, 0), y = Word(data, 1), right = Word(data, 2), bottom = Word(data, 3);
    const ClipRect source = {Word(data, 4), Word(data, 5), Word(data, 6), Word(data, 7)};
    const int32_t width = Word(data, 8) & INT32_MAX;

    ClipRect src = source;
    int32_t atX = x, atY = y;
    int drawn = ClipPlain(&src, &atX, &atY);
    Span h = PlainSpan(x, source.left, source.right, PLAY_WIDTH), v = PlainSpan(y, source.top, source.bottom, PLAY_HEIGHT);
    if (drawn != (h.shown && v.shown)) abort();
    if (drawn && (src.left != h.from || src.right != h.to || atX != h.at || src.top != v.from || src.bottom != v.to ||
                  atY != v.at))
        abort();

    src = source;
    ClipRect dst = {x, y, right, bottom};
    drawn = ClipStretched(&src, &dst, width);
    double sx = ((double)right - x) / ((double)source.right - source.left);
    double sy = (float)(((double)bottom - y) / ((double)source.bottom - source.top));
    h = StretchedSpan(x, right, source.left, source.right, sx, PLAY_WIDTH);
    v = StretchedSpan(y, bottom, source.top, source.bottom, sy, PLAY_HEIGHT);
    if (h.shown && h.to >= width) {
        h.to = (int64_t)width - 1;
        h.shown = h.to > h.from;
    }
    if (drawn != (h.shown && v.shown)) abort();
    if (!drawn) return 0;
    if (src.left != h.from || src.right != h.to || dst.left != h.at || dst.right != h.end || src.top != v.from ||
        src.bottom != v.to || dst.top != v.at || dst.bottom != v.end)
        abort();
    if (src.left < source.left || src.top < source.top || src.right > source.right || src.bottom > source.bottom ||
        dst.left < 0 || dst.top < 0 || dst.right > PLAY_WIDTH || dst.bottom > PLAY_HEIGHT)
        abort();
    return 0;
}
