// The play area on a screen: the window's factor by density and work area, full screen's place and
// factor, the way back from screen pixels (at the edge and one past), and the enlargement itself
// checked pixel by pixel in every pixel size.
#include <gtest/gtest.h>
#include <stdint.h>
#include <vector>
#include "base/area_format.h"
#include "gfx/scale_format.h"

TEST(AreaFormat, WindowFactorByDensityWorkAreaAndChoice) {
    // frame 6 x 29 (a caption at 96 dpi); the work area as a monitor gives it
    struct Case { int32_t chosen, dpi, workWidth, workHeight, frameWidth, frameHeight, factor; } cases[] = {
        {0, 96, 1024, 768, 6, 29, 1},      // the size the window always had
        {0, 144, 1920, 1040, 9, 44, 2},    // 150 %: one and a half rounds up
        {0, 120, 1920, 1040, 8, 37, 1},    // 125 %: rounds down
        {0, 168, 1920, 1040, 10, 51, 2},   // 175 %
        {0, 192, 1920, 1040, 12, 58, 2},   // 200 %
        {0, 96, 3840, 2120, 6, 29, 3},     // 4K at 100 %: about half the height wins over the density
        {0, 96, 2560, 1400, 6, 29, 2},
        {0, 96, 1920, 1040, 6, 29, 1},     // 720 + 29 is more than 55 % of 1040
        {0, 96, 1920, 1361, 6, 29, 1},     // 749 rows: more than 55 % of 1361 (748.55) ...
        {0, 96, 1920, 1362, 6, 29, 2},     // ... and within 55 % of 1362 (749.1)
        {0, 288, 1920, 1040, 9, 44, 2},    // 300 % wants 3, the work area holds 2
        {0, 384, 1280, 720, 6, 29, 1},     // never more than fits
        {0, 96, 600, 300, 6, 29, 1},       // a work area smaller than the play area: still 1
        {3, 96, 1920, 1040, 6, 29, 2},     // a choice is capped by the work area ...
        {2, 96, 1286, 749, 6, 29, 2},      // ... which it may fill exactly
        {2, 96, 1285, 749, 6, 29, 1},      // one pixel short
        {2, 96, 1286, 748, 6, 29, 1},
        {1, 192, 3840, 2120, 12, 58, 1},   // a choice holds over the density
        {4, 96, 3840, 2120, 6, 29, 4},
        {0, 0, 1024, 768, 6, 29, 1},
        {0, -96, 1024, 768, 6, 29, 1},
        {0, INT32_MAX, INT32_MAX, INT32_MAX, 0, 0, 3355443},
        {INT32_MAX, 96, 2566, 1469, 6, 29, 4},
    };
    for (const Case &c : cases)
        EXPECT_EQ(WindowFactor(c.chosen, c.dpi, c.workWidth, c.workHeight, c.frameWidth, c.frameHeight), c.factor)
            << c.chosen << " " << c.dpi << " " << c.workWidth << "x" << c.workHeight;
}

TEST(AreaFormat, FullScreenTakesTheLargestFactorThatFitsCentred) {
    struct Case { int32_t width, height, left, top, factor; } cases[] = {
        {1920, 1080, 0, 0, 3}, {1280, 1024, 0, 152, 2}, {1024, 768, 192, 204, 1}, {3840, 2160, 0, 0, 6},
        {2560, 1080, 320, 0, 3}, {1279, 720, 319, 180, 1}, {1280, 719, 320, 179, 1}, {640, 360, 0, 0, 1},
        {600, 300, -20, -30, 1}, {1366, 768, 43, 24, 2},
    };
    for (const Case &c : cases) {
        PlayPlaceRecord place = FullScreenPlace(c.width, c.height);
        EXPECT_EQ(place.left * 1000000 + place.top * 1000 + place.factor, c.left * 1000000 + c.top * 1000 + c.factor)
            << c.width << "x" << c.height;
    }
}

TEST(AreaFormat, ScreenPixelsBeforeThePlayAreaReadAsOutsideIt) {
    for (int32_t k = 1; k <= 6; k++) {
        const int32_t offsets[][2] = {{-k - 1, -2}, {-k, -1}, {-1, -1}, {0, 0}, {k - 1, 0}, {k, 1},
                                      {PLAY_WIDTH * k - 1, PLAY_WIDTH - 1}, {PLAY_WIDTH * k, PLAY_WIDTH}};
        for (const auto &o : offsets) EXPECT_EQ(ToPlayPixels(o[0], k), o[1]) << o[0] << " at factor " << k;
    }
    EXPECT_EQ(ToPlayPixels(-5, 0), -5);
    EXPECT_EQ(ToPlayPixels(INT32_MIN, 2), INT32_MIN / 2);
    EXPECT_EQ(ToPlayPixels(INT32_MIN, 3), -715827883);
}

TEST(AreaFormat, EveryPixelBecomesASolidBlockInEveryPixelSize) {
    const int32_t width = 7, height = 5;
    for (int32_t bytes = 2; bytes <= 4; bytes++)
        for (int32_t k = 1; k <= 4; k++) {
            int32_t sourcePitch = width * bytes + 3, targetPitch = width * k * bytes + 5;
            std::vector<uint8_t> source(sourcePitch * height), target(targetPitch * height * k, 0xEE);
            for (size_t i = 0; i < source.size(); i++) source[i] = (uint8_t)(i * 37 + 11);
            ScaleNearest(source.data(), sourcePitch, width, height, bytes, k, target.data(), targetPitch);
            int wrong = 0;
            for (int32_t y = 0; y < height * k; y++)
                for (int32_t x = 0; x < targetPitch; x++) {
                    uint8_t expected = 0xEE;  // beyond the row's pixels: untouched
                    if (x < width * k * bytes) expected = source[(y / k) * sourcePitch + (x / bytes / k) * bytes + x % bytes];
                    wrong += target[y * targetPitch + x] != expected;
                }
            EXPECT_EQ(wrong, 0) << bytes << " bytes a pixel, factor " << k;
        }
}
