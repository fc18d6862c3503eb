// Text drawing: default height, the half-colour shadow, right alignment, real Japanese glyphs, and
// text in pictures where black stays transparent.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "base/base.h"

namespace {
const Rgb Clear = MakeRgb(16, 16, 16);
const Rgb White = MakeRgb(255, 255, 255);
const Rgb Shadow = MakeRgb(127, 127, 127);

// Draws one text into the cleared back buffer and returns the frame.
Frame Text(const char *text, int height, uint32_t format = DT_SINGLELINE, RECT area = {10, 10, 300, 60},
           int proportional = 1) {
    EnsureDisplay();
    ClearBackBuffer();
    EXPECT_EQ(DrawString(nullptr, area.left, area.top, area.right, area.bottom, format, text, height, 255, 255,
                         255, proportional),
              0);
    return ReadBackBuffer();
}

// The columns and rows that hold white pixels.
RECT Extent(const Frame &frame, Rgb colour) {
    RECT box = {frame.width, frame.height, -1, -1};
    for (int y = 0; y < frame.height; y++)
        for (int x = 0; x < frame.width; x++)
            if (frame.shows(x, y, colour)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
    return box;
}
}  // namespace

TEST(Text, HeightZeroOrLessIsFourteenPixels) {
    Frame fourteen = Text("ロビナ 123", 14);
    EXPECT_GT(fourteen.count(White), 50);
    EXPECT_EQ(Text("ロビナ 123", 0).pixels, fourteen.pixels);
    EXPECT_EQ(Text("ロビナ 123", -3).pixels, fourteen.pixels);
    Frame big = Text("ロビナ 123", 28);
    EXPECT_GT(Extent(big, White).bottom - Extent(big, White).top,
              Extent(fourteen, White).bottom - Extent(fourteen, White).top + 8);
}

// Glyph edges are smoothed, so only fully covered pixels are exact: below and right of every
// fully white pixel lies at least the full shadow, the shadow is the commonest colour besides text
// and background, and it sits one pixel down and right of the text more often than anywhere else.
TEST(Text, WhiteTextHasAHalfColourShadowOnePixelDownAndRight) {
    Frame frame = Text("影付きの文字", 20);
    std::map<Rgb, int> others;
    for (int y = 1; y < 80; y++)
        for (int x = 1; x < 320; x++) {
            if (frame.at(x - 1, y - 1) == White) {  // exact: full coverage even on a 16-bit back buffer
                EXPECT_GE((int)(frame.at(x, y) & 0xFF) + frame.tolerance[2], 127) << x << "," << y;
            }
            if (!frame.shows(x, y, White) && !frame.shows(x, y, Clear)) others[frame.at(x, y)]++;
        }
    auto commonest = std::max_element(others.begin(), others.end(),
                                      [](const auto &a, const auto &b) { return a.second < b.second; });
    ASSERT_NE(commonest, others.end());
    EXPECT_TRUE(frame.matches(commonest->first, Shadow)) << std::hex << commonest->first;
    std::map<std::pair<int, int>, int> pairs;
    for (int y = 2; y < 80; y++)
        for (int x = 2; x < 320; x++)
            if (frame.shows(x, y, Shadow))
                for (int dy = -2; dy <= 2; dy++)
                    for (int dx = -2; dx <= 2; dx++) pairs[{dx, dy}] += frame.at(x - dx, y - dy) == White;
    int best = pairs[{1, 1}];
    EXPECT_GT(best, 30);
    for (const auto &pair : pairs) {
        if (pair.first != std::make_pair(1, 1)) {
            EXPECT_GT(best, pair.second) << pair.first.first << "," << pair.first.second;
        }
    }
}

// The drawn extent is everything not left at the clear colour: the text and its shadow.
RECT Drawn(const Frame &frame) {
    RECT box = {frame.width, frame.height, -1, -1};
    for (int y = 0; y < frame.height; y++)
        for (int x = 0; x < frame.width; x++)
            if (!frame.shows(x, y, Clear)) {
                box.left = std::min<LONG>(box.left, x);
                box.right = std::max<LONG>(box.right, x);
            }
    return box;
}

TEST(Text, RightAlignedTextEndsAtTheRightEdge) {
    RECT right = Drawn(Text("右寄せ", 16, DT_SINGLELINE | DT_RIGHT, RECT{100, 50, 300, 80}));
    RECT left = Drawn(Text("右寄せ", 16, DT_SINGLELINE, RECT{100, 50, 300, 80}));
    EXPECT_LE(right.right, 300);  // the shadow's rectangle ends one pixel further right
    EXPECT_GE(right.right, 296);
    EXPECT_GE(left.left, 100);
    EXPECT_LE(left.left, 103);
    EXPECT_EQ(right.right - right.left, left.right - left.left);
}

TEST(Text, JapaneseGlyphsAreRealAndTheFacesDifferInSpacing) {
    // Missing glyphs would all come out as the same box.
    for (int proportional = 0; proportional < 2; proportional++) {
        std::vector<std::vector<Rgb>> seen;
        for (const char *one : {"ロ", "ビ", "ナ", "漢"}) {
            Frame frame = Text(one, 24, DT_SINGLELINE, RECT{10, 10, 60, 60}, proportional);
            EXPECT_GT(frame.count(White), 20) << one;
            for (const auto &other : seen) EXPECT_NE(frame.pixels, other) << one;
            seen.push_back(frame.pixels);
        }
    }
    RECT fixed = Drawn(Text("iiiiiiii", 20, DT_SINGLELINE, RECT{10, 10, 300, 60}, 0));
    RECT proportional = Drawn(Text("iiiiiiii", 20, DT_SINGLELINE, RECT{10, 10, 300, 60}, 1));
    EXPECT_LT(proportional.right - proportional.left, fixed.right - fixed.left - 10);
}

TEST(Text, TextInAPictureShowsExceptBlack) {
    EnsureDisplay();
    WriteGameFile("text.vyg", {{"label.bmp", Bmp24(100, 30, [](int, int) { return 0; })}});
    ASSERT_EQ(SetPack("text.vyg"), 1);
    Image *label = NewImage("label.bmp");
    ASSERT_NE(label, nullptr);
    Sprite *sprite = NewSprite(1);
    sprite->image = label;
    sprite->srcRight = 100;
    sprite->srcBottom = 30;
    sprite->x = 200;
    sprite->y = 100;
    sprite->visible = 1;
    EXPECT_EQ(DrawString(label->surface, 0, 0, 100, 30, DT_SINGLELINE, "得点", 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(DrawFrame().count(Clear), 640 * 360);  // black text and its shadow stay transparent
    EXPECT_EQ(DrawString(label->surface, 0, 0, 100, 30, DT_SINGLELINE, "得点", 0, 0x1FF, 0x100, 0x100, 0), 0);
    Frame frame = DrawFrame();
    EXPECT_GT(frame.count(MakeRgb(255, 0, 0)), 20);
    EXPECT_GT(frame.count(MakeRgb(127, 0, 0)), 5);
    for (int y = 0; y < 360; y++)
        for (int x = 0; x < 640; x++)
            if (!frame.shows(x, y, Clear)) {
                ASSERT_EQ(frame.at(x, y) & 0xFFFF, 0u) << x << "," << y;
            }
    RECT box = Extent(frame, MakeRgb(255, 0, 0));
    EXPECT_GE(box.left, 200);
    EXPECT_LT(box.bottom, 130);
    FreeSprite(sprite);
    FreeImage(label);
}
