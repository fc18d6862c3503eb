// Whole-number enlargement by repetition; see scale_format.h. Each source row is widened once and
// the widened row copied factor - 1 times below itself, so the cost is little more than writing the
// enlarged picture.
#include "gfx/scale_format.h"
#include <stddef.h>
#include <string.h>

template <class Pixel> static void WidenRow(const uint8_t *from, int32_t width, int32_t factor, uint8_t *to) {
    for (int32_t x = 0; x < width; x++) {
        Pixel pixel;
        memcpy(&pixel, from + x * sizeof(Pixel), sizeof pixel);
        for (int32_t i = 0; i < factor; i++, to += sizeof(Pixel)) memcpy(to, &pixel, sizeof pixel);
    }
}

static void WidenBytes(const uint8_t *from, int32_t width, int32_t bytesPerPixel, int32_t factor, uint8_t *to) {
    for (int32_t x = 0; x < width; x++, from += bytesPerPixel)
        for (int32_t i = 0; i < factor; i++, to += bytesPerPixel) memcpy(to, from, bytesPerPixel);
}

void ScaleNearest(const uint8_t *source, int32_t sourcePitch, int32_t width, int32_t height, int32_t bytesPerPixel,
                  int32_t factor, uint8_t *target, int32_t targetPitch) {
    size_t rowBytes = (size_t)width * factor * bytesPerPixel;
    for (int32_t y = 0; y < height; y++) {
        const uint8_t *from = source + (ptrdiff_t)y * sourcePitch;
        uint8_t *to = target + (ptrdiff_t)y * factor * targetPitch;
        if (bytesPerPixel == 4)
            WidenRow<uint32_t>(from, width, factor, to);
        else if (bytesPerPixel == 2)
            WidenRow<uint16_t>(from, width, factor, to);
        else
            WidenBytes(from, width, bytesPerPixel, factor, to);
        for (int32_t i = 1; i < factor; i++) memcpy(to + (ptrdiff_t)i * targetPitch, to, rowBytes);
    }
}
