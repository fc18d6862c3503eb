// The factor and place of the play area on a screen; see area_format.h.
#include "base/area_format.h"

// The largest whole factor whose play area fits in width x height; 0 or less when not even 1 does.
static int64_t LargestFactor(int64_t width, int64_t height) {
    int64_t across = width / PLAY_WIDTH, down = height / PLAY_HEIGHT;
    return across < down ? across : down;
}

int32_t WindowFactor(int32_t chosen, int32_t dpi, int32_t workWidth, int32_t workHeight, int32_t frameWidth,
                     int32_t frameHeight) {
    int64_t width = (int64_t)workWidth - frameWidth;
    int64_t fits = LargestFactor(width, (int64_t)workHeight - frameHeight);
    int64_t factor = chosen;
    if (chosen <= 0) {
        factor = ((int64_t)dpi + BASE_DPI / 2) / BASE_DPI;
        int64_t half = LargestFactor(width, (int64_t)workHeight * HALF_FIT_PERCENT / 100 - frameHeight);
        if (half > factor) factor = half;
    }
    if (factor > fits) factor = fits;
    return factor < 1 ? 1 : (int32_t)factor;
}

PlayPlaceRecord FullScreenPlace(int32_t width, int32_t height) {
    int64_t factor = LargestFactor(width, height);
    if (factor < 1) factor = 1;
    PlayPlaceRecord place;
    place.factor = (int32_t)factor;
    place.left = (int32_t)(((int64_t)width - PLAY_WIDTH * factor) / 2);
    place.top = (int32_t)(((int64_t)height - PLAY_HEIGHT * factor) / 2);
    return place;
}

int32_t ToPlayPixels(int32_t offset, int32_t factor) {
    int64_t k = factor < 1 ? 1 : factor;
    int64_t at = offset;
    return (int32_t)(at >= 0 ? at / k : -((-at + k - 1) / k));
}
