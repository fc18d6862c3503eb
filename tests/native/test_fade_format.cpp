// The fade's rows tick by tick: start positions, speed, the stop at 0 of the cover, the rows that
// stay covering until their value has crossed 0, and the watched row that ends each wipe.
#include <gtest/gtest.h>
#include <algorithm>
#include "fade/fade_format.h"

TEST(FadeFormat, StartPositionsSlantOnePixelPerRow) {
    struct Case { int row; int32_t cover, uncover; } cases[] = {
        {0, -640, 0}, {1, 998, 358}, {2, -642, -2}, {358, -998, -358}, {359, 640, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(CoverStart(c.row), c.cover) << c.row;
        EXPECT_EQ(UncoverStart(c.row), c.uncover) << c.row;
    }
}

// Both wipes take 32 ticks; each row is checked against its closed form after every tick.
TEST(FadeFormat, CoverAndUncoverEndWhenTheWatchedRowIsThrough) {
    int32_t x[FADE_ROWS];
    for (int r = 0; r < FADE_ROWS; r++) x[r] = CoverStart(r);
    for (int tick = 1; tick <= 32; tick++) {
        EXPECT_FALSE(CoverClosed(x)) << tick;
        for (int r = 0; r < FADE_ROWS; r++) {
            x[r] = CoverMove(r, x[r]);
            int32_t moved = r % 2 ? 999 - r - 32 * tick : -640 - r + 32 * tick;
            ASSERT_EQ(x[r], r % 2 ? std::max(moved, 0) : std::min(moved, 0)) << "row " << r << " tick " << tick;
        }
    }
    EXPECT_TRUE(CoverClosed(x));
    for (int r = 0; r < FADE_ROWS; r++) x[r] = UncoverStart(r);
    for (int tick = 1; tick <= 32; tick++) {
        EXPECT_FALSE(CoverOpen(x)) << tick;
        int leaving = 0;
        for (int r = 0; r < FADE_ROWS; r++) {
            x[r] = UncoverMove(r, x[r]);
            ASSERT_EQ(x[r], r % 2 ? 359 - r - 32 * tick : -r + 32 * tick) << "row " << r << " tick " << tick;
            leaving += CrossedZero(r, x[r]);
            if (tick == 32) {
                EXPECT_TRUE(x[r] >= 640 || x[r] <= -640) << "row " << r << " still on the play area";
            }
        }
        // Per side, the rows whose start is within 32 * tick of 0 have left; row 0 and row 359 first.
        EXPECT_EQ(leaving, 2 * std::min(180, 16 * tick)) << tick;
    }
    EXPECT_TRUE(CoverOpen(x));
    EXPECT_FALSE(CrossedZero(0, 0));
    EXPECT_FALSE(CrossedZero(1, 0));
}
