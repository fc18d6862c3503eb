// Clipping of plain and stretched sprites at every edge of the play area, at the edge and one past.
#include <gtest/gtest.h>
#include <string>
#include "gfx/clip_format.h"

namespace {
bool operator==(ClipRect a, ClipRect b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string Show(ClipRect r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}
const ClipRect NOTHING = {0, 0, 0, 0};
}  // namespace

TEST(ClipFormat, PlainAtAndOnePastEveryEdge) {
    struct Case { int32_t x, y; ClipRect src; ClipRect shown; int32_t toX, toY; } cases[] = {
        {639, 0, {0, 0, 20, 10}, {0, 0, 1, 10}, 639, 0},
        {640, 0, {0, 0, 20, 10}, NOTHING, 0, 0},
        {-19, 0, {0, 0, 20, 10}, {19, 0, 20, 10}, 0, 0},
        {-20, 0, {0, 0, 20, 10}, NOTHING, 0, 0},
        {0, 359, {0, 0, 20, 10}, {0, 0, 20, 1}, 0, 359},
        {0, 360, {0, 0, 20, 10}, NOTHING, 0, 0},
        {0, -9, {0, 0, 20, 10}, {0, 9, 20, 10}, 0, 0},
        {0, -10, {0, 0, 20, 10}, NOTHING, 0, 0},
        {-5, 3, {4, 4, 24, 14}, {9, 4, 24, 14}, 0, 3},
        {630, 355, {0, 0, 20, 10}, {0, 0, 10, 5}, 630, 355},
        {0, 0, {5, 0, 5, 10}, NOTHING, 0, 0},
        {600, 0, {-2000000000, 0, 2000000000, 10}, {-2000000000, 0, -1999999960, 10}, 600, 0},
        {-2147483646, 0, {0, 0, 2147483647, 1}, {2147483646, 0, 2147483647, 1}, 0, 0},
    };
    for (const Case &c : cases) {
        ClipRect src = c.src;
        int32_t x = c.x, y = c.y;
        bool drawn = ClipPlain(&src, &x, &y);
        EXPECT_EQ(drawn, !(c.shown == NOTHING)) << c.x << "," << c.y << " " << Show(c.src);
        if (drawn) {
            EXPECT_TRUE(src == c.shown && x == c.toX && y == c.toY) << c.x << "," << c.y << " gave " << Show(src);
        }
    }
}

TEST(ClipFormat, StretchedAtEveryEdgeAndWithUnequalScales) {
    struct Case { ClipRect src, dst; int32_t width; ClipRect shownSrc, shownDst; } cases[] = {
        {{0, 0, 20, 10}, {-10, 50, 30, 60}, 40, {5, 0, 20, 10}, {0, 50, 30, 60}},
        {{0, 0, 20, 10}, {100, 0, 138, 20}, 20, {0, 0, 19, 10}, {100, 0, 138, 20}},
        {{0, 0, 20, 10}, {639, 0, 659, 10}, 40, {0, 0, 1, 10}, {639, 0, 640, 10}},
        {{0, 0, 20, 10}, {640, 0, 660, 10}, 40, NOTHING, NOTHING},
        {{0, 0, 20, 10}, {620, 0, 640, 10}, 40, {0, 0, 20, 10}, {620, 0, 640, 10}},
        {{0, 0, 20, 10}, {621, 0, 641, 10}, 40, {0, 0, 19, 10}, {621, 0, 640, 10}},
        {{0, 0, 20, 10}, {-19, 0, 1, 10}, 40, {19, 0, 20, 10}, {0, 0, 1, 10}},
        {{0, 0, 3, 10}, {-20, 0, 0, 10}, 40, NOTHING, NOTHING},
        {{0, 0, 20, 10}, {-21, 0, -1, 10}, 40, NOTHING, NOTHING},
        {{0, 0, 20, 10}, {0, 359, 20, 369}, 40, {0, 0, 20, 1}, {0, 359, 20, 360}},
        {{0, 0, 20, 10}, {0, 360, 20, 370}, 40, NOTHING, NOTHING},
        {{0, 0, 20, 10}, {0, 350, 20, 360}, 40, {0, 0, 20, 10}, {0, 350, 20, 360}},
        {{0, 0, 20, 10}, {0, -9, 20, 1}, 40, {0, 9, 20, 10}, {0, 0, 20, 1}},
        {{0, 0, 20, 10}, {0, -11, 20, -1}, 40, NOTHING, NOTHING},
        // Horizontal scale 4, vertical 3, and the other way round: each cut uses its own axis.
        {{0, 0, 10, 10}, {0, -12, 40, 18}, 40, {0, 4, 10, 10}, {0, 0, 40, 18}},
        {{0, 0, 10, 20}, {0, 340, 20, 400}, 40, {0, 0, 10, 7}, {0, 340, 20, 360}},
        {{0, 0, 10, 10}, {-12, 0, 28, 20}, 40, {3, 0, 10, 10}, {0, 0, 28, 20}},
        // The vertical scale 1/3 in single precision: 3 rows off the top are 8 source rows, not 9.
        {{0, 0, 30, 30}, {0, -3, 10, 7}, 40, {0, 8, 30, 30}, {0, 0, 10, 7}},
        {{0, 4, 0, 8}, {0, 0, 10, 10}, 40, NOTHING, NOTHING},
        {{0, 0, 16, 16}, {50, 50, 50, 80}, 40, NOTHING, NOTHING},
    };
    for (const Case &c : cases) {
        ClipRect src = c.src, dst = c.dst;
        bool drawn = ClipStretched(&src, &dst, c.width);
        EXPECT_EQ(drawn, !(c.shownSrc == NOTHING)) << Show(c.src) << " into " << Show(c.dst);
        if (drawn) {
            EXPECT_TRUE(src == c.shownSrc && dst == c.shownDst) << Show(c.dst) << " gave " << Show(src) << " into " << Show(dst);
        }
    }
}

// A source left empty is not drawn, rather than handed on as an empty rectangle: one that starts at
// the image's last column or beyond, once its right edge is held below the width; and one row
// stretched over 2^24 + 1, whose scale single precision rounds to 2^24, so that the 2^24 rows above
// the screen cut away its only row.
TEST(ClipFormat, StretchedSourceLeftEmptyIsNotDrawn) {
    struct { ClipRect src, dst; int32_t width; bool drawn; } cases[] = {
        {{5, 0, 10, 10}, {0, 0, 20, 20}, 7, true},
        {{5, 0, 10, 10}, {0, 0, 20, 20}, 6, false},
        {{5, 0, 10, 10}, {0, 0, 20, 20}, 5, false},
        {{0, 0, 10, 1}, {0, -(1 << 24), 10, 1}, 40, false},
        {{0, 0, 10, 1}, {0, -(1 << 23), 10, 1}, 40, true},
    };
    for (const auto &c : cases) {
        ClipRect src = c.src, dst = c.dst;
        EXPECT_EQ(ClipStretched(&src, &dst, c.width) == 1, c.drawn) << Show(c.src) << " into " << Show(c.dst);
    }
}
