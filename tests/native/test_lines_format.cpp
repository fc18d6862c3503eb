// The racing lines as the title and the menu show them: the order of the draws, a pass tick by tick,
// and known answers of a seeded run of ten lines, taken from the scenes' own line code before both
// came to share this one.
#include <gtest/gtest.h>
#include <utility>
#include <vector>
#include "scenes/lines_format.h"

namespace {
typedef std::vector<std::pair<int32_t, int32_t>> Draws;
Draws draws;  // bounds of each draw
std::vector<int32_t> answers;                    // answers of the first draws; then the lower bound
int32_t Scripted(int32_t lower, int32_t upper) {
    draws.push_back({lower, upper});
    return draws.size() <= answers.size() ? answers[draws.size() - 1] : lower;
}

// The program's generator from a seed, every draw and every line's place and height folded in.
uint32_t state;
uint64_t print;
int drawn;
void Fold(int64_t n) {
    for (int i = 0; i < 8; i++) print = (print ^ (uint8_t)(n >> (8 * i))) * 1099511628211ull;
}
int32_t Seeded(int32_t lower, int32_t upper) {
    state = state * 214013u + 2531011u;
    int32_t n = upper - lower + 1, answer = lower + (int32_t)((state >> 16) & 0x7FFF) % n;
    Fold(lower), Fold(upper), Fold(answer);
    drawn++;
    return answer;
}
}  // namespace

TEST(LinesFormat, ALineDrawsInOneOrderRestsAtTheLeftEdgeAndStartsEachPassAtTheRight) {
    draws.clear();
    answers = {2, 157, -300, 3};  // height 2, a quarter turn, x -300, three ticks of rest
    LineMotion line;
    EXPECT_EQ(StartLine(&line, Scripted), 2);
    EXPECT_EQ(draws, (Draws{{1, 3}, {0, 628}, {-600, 600}, {0, 100}}));
    EXPECT_EQ(std::make_pair(LineX(&line), LineY(&line)), std::make_pair(-300, 349));
    // x each tick: held at 0 for three ticks of rest, then leftwards until past -640, where the next
    // pass starts at 640 with angle, rest and height drawn.
    const int32_t path[] = {0, 0, 0, -64, -128, -192, -256, -320, -384, -448, -512, -576, -640, 640};
    answers = {2, 157, -300, 3, 0, 5, 3};
    for (size_t tick = 0; tick < sizeof path / sizeof path[0]; tick++) {
        size_t before = draws.size();
        int32_t h = MoveLine(&line, Scripted);
        EXPECT_EQ(LineX(&line), path[tick]) << tick;
        EXPECT_EQ(h, path[tick] == 640 ? 3 : 0) << tick;
        EXPECT_EQ(draws.size() - before, path[tick] == 640 ? 3u : 0u) << tick;
    }
    const Draws restart = {{0, 628}, {0, 30}, {1, 3}};
    EXPECT_EQ(Draws(draws.end() - 3, draws.end()), restart);
    EXPECT_EQ(LineY(&line), 180);  // angle 0: the middle
    EXPECT_EQ(line.hold, 5.0f);
    // The rest of the new pass is 5 ticks; the angle creeps on 0.002 a tick: 170 sin(0.002) rounds down.
    EXPECT_EQ(MoveLine(&line, Scripted), 0);
    EXPECT_EQ(std::make_pair(LineX(&line), LineY(&line)), std::make_pair(576, 180));
}

// Ten lines, as each scene runs them, from seed 34: the draws and every place and height of each tick
// fold into the print the title's and the menu's line code gave.
TEST(LinesFormat, TenSeededLinesRunAsTheScenesAlwaysRanThem) {
    const struct { int ticks, draws; uint64_t print; } runs[] = {
        {1000, 859, 0x9a49fa5ae9068c7cull}, {100000, 83458, 0xaceb812bda5298baull},
    };
    for (const auto &run : runs) {
        state = 34, print = 14695981039346656037ull, drawn = 0;
        LineMotion lines[10];
        int32_t heights[10];
        for (int i = 0; i < 10; i++) heights[i] = StartLine(&lines[i], Seeded);
        for (int i = 0; i < 10; i++) Fold(LineX(&lines[i])), Fold(LineY(&lines[i])), Fold(heights[i]);
        for (int tick = 0; tick < run.ticks; tick++) {
            for (int i = 0; i < 10; i++) {
                int32_t h = MoveLine(&lines[i], Seeded);
                if (h) heights[i] = h;
                Fold(LineX(&lines[i])), Fold(LineY(&lines[i])), Fold(heights[i]);
            }
        }
        EXPECT_EQ(drawn, run.draws) << run.ticks;
        EXPECT_EQ(print, run.print) << run.ticks;
    }
}
