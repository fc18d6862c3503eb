// Whether a BMP holds all its headers promise: known answers at the edges of every rule.
#include <gtest/gtest.h>
#include <stdint.h>
#include <vector>
#include "gfx/bmp_format.h"

namespace {
// The 54 head bytes of a BMP with a 40-byte info header and no colour table.
std::vector<uint8_t> Head(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0) {
    std::vector<uint8_t> head(BMP_HEAD_BYTES, 0);
    auto put = [&](int at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; i++) head[at + i] = (uint8_t)(value >> 8 * i);
    };
    head[0] = 'B', head[1] = 'M';
    put(10, BMP_HEAD_BYTES, 4);
    put(14, 40, 4);
    put(18, (uint32_t)width, 4);
    put(22, (uint32_t)height, 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, compression, 4);
    return head;
}
}  // namespace

TEST(BmpFormat, WholeOnlyWhenEveryRowIsInTheFile) {
    struct Case { const char *what; std::vector<uint8_t> head; uint64_t fileBytes; int whole, height; } cases[] = {
        {"3x2, 24 bits, rows of 12", Head(3, 2, 24), 54 + 24, 1, 2},
        {"one byte short", Head(3, 2, 24), 54 + 23, 0, 0},
        {"top down", Head(3, -2, 24), 54 + 24, 1, 2},
        {"top down, the most negative height", Head(1, INT32_MIN, 16), UINT64_MAX, 0, 0},
        {"the largest height", Head(1, INT32_MAX, 32), 54 + 4ull * INT32_MAX, 1, INT32_MAX},
        {"0 wide", Head(0, 2, 24), 1000, 0, 0},
        {"run-length coded", Head(2, 2, 24, 1), 100000, 0, 0},
        {"unknown depth", Head(2, 2, 12), 100000, 0, 0},
    };
    for (const Case &c : cases) {
        int32_t width = -1, height = -1;
        EXPECT_EQ(BmpIsWhole(c.head.data(), c.head.size(), c.fileBytes, &width, &height), c.whole) << c.what;
        if (c.whole) {
            EXPECT_EQ(height, c.height) << c.what;
        }
    }
}

TEST(BmpFormat, AGamePictureFitsWhenItCoversItsPlaceWithinTheMemoryBound) {
    struct { int32_t width, height; int fits; } cases[] = {
        {256, 164, 1}, {255, 164, 0}, {256, 163, 0},          // the place itself, a pixel short each way
        {1024, 1024, 1}, {1025, 1024, 0}, {4096, 256, 1},     // at the bound, one column past, long and low
        {4096, 257, 0}, {INT32_MAX, INT32_MAX, 0},            // one row past; no overflow
    };
    for (const auto &c : cases)
        EXPECT_EQ(GamePictureFits(c.width, c.height, 256, 164), c.fits) << c.width << "x" << c.height;
}

// A colour count of 0 stands for the whole table of the depth, which must then lie before the pixels.
TEST(BmpFormat, AColourCountOfZeroMeansTheWholeTable) {
    struct { uint16_t bits; uint32_t pixelsAt; int whole; } cases[] = {
        {8, 54 + 256 * 4, 1}, {8, 54 + 255 * 4, 0}, {8, 54, 0},  // 2x2: rows of 4 bytes
        {1, 54 + 2 * 4, 1}, {1, 54 + 1 * 4, 0},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> head = Head(2, 2, c.bits);
        for (int i = 0; i < 4; i++) head[10 + i] = (uint8_t)(c.pixelsAt >> 8 * i);
        int32_t width = -1, height = -1;
        EXPECT_EQ(BmpIsWhole(head.data(), head.size(), c.pixelsAt + 8, &width, &height), c.whole)
            << c.bits << " bits, pixels at " << c.pixelsAt;
    }
}
