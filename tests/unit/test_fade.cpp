// The fade cover and the drawn cursor, run tick by tick through the task list and checked on the
// back buffer: timing of cover and uncover, the wipe's shape, instant covers, scene clears, cursor.
#include <windows.h>
#include <gtest/gtest.h>
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "fade/fade.h"
#include "base/base.h"
#include "task/task.h"

namespace {
const Rgb Clear = MakeRgb(16, 16, 16);
const Rgb Cover = MakeRgb(0, 0, 200);
const Rgb Normal = MakeRgb(0, 255, 0);
const Rgb Pressed = MakeRgb(255, 255, 0);

// Fade and cursor tasks with their pictures, made once; "fade.bmp" shows only its top row.
void EnsureFrontTasks() {
    static bool started = false;
    if (started) return;
    started = true;
    EnsureDisplay();
    WriteGameFile("front.vyg",
                  {{"fade.bmp", Bmp24(640, 2, [](int, int y) { return y == 0 ? Cover : MakeRgb(255, 0, 0); })},
                   {"cursor.bmp", Bmp24(32, 15, [](int x, int) { return x < 16 ? Normal : Pressed; })}});
    ASSERT_EQ(SetPack("front.vyg"), 1);
    InitTaskList();
    StartFadeTask();
    StartCursorTask();
}

// Ticks until FadeState reads the value; the number of ticks taken, or -1 after 100.
int TicksUntil(uint8_t state) {
    for (int ticks = 1; ticks <= 100; ticks++) {
        RunTasks();
        if (FadeState == state) return ticks;
    }
    return -1;
}

class Fade : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureFrontTasks();
        SystemCursorShown = 1;
    }
};
}  // namespace

TEST_F(Fade, CoverTakes35TicksAndWipesInFromAlternateSides) {
    int32_t sprites = SpriteCount;
    FadeState = FADE_COVER;
    for (int tick = 1; tick <= 10; tick++) RunTasks();
    EXPECT_EQ(SpriteCount, sprites + 360);
    // Eight wipe ticks: even row r has come 256 - r pixels in from the left, odd row r (starting at
    // 999 - r) r - 103 pixels from the right.
    Frame frame = DrawFrame();
    EXPECT_TRUE(frame.shows(255, 0, Cover));
    EXPECT_TRUE(frame.shows(256, 0, Clear));
    EXPECT_TRUE(frame.shows(639, 1, Clear));
    EXPECT_TRUE(frame.shows(639 - 255, 359, Cover));
    EXPECT_TRUE(frame.shows(639 - 256, 359, Clear));
    int covered = 0;
    for (int r = 0; r < 360; r++) covered += std::max(0, r % 2 == 0 ? 256 - r : r - 103);
    EXPECT_EQ(frame.count(Cover), covered);
    EXPECT_EQ(FadeState, FADE_COVER);
    EXPECT_EQ(TicksUntil(FADE_COVERED), 25);
    EXPECT_EQ(DrawFrame().count(Cover), 640 * 360);
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), -1);  // stays covered
    EXPECT_EQ(FadeState, FADE_COVERED);

    FadeState = FADE_UNCOVER;
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), 34);
    EXPECT_EQ(SpriteCount, sprites);
    EXPECT_EQ(DrawFrame().count(Clear), 640 * 360);
}

TEST_F(Fade, UncoverMovesRowsOnlyOnceTheyHaveCrossedTheEdge) {
    FadeState = FADE_COVERED;
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), -1);
    FadeState = FADE_UNCOVER;
    for (int tick = 1; tick <= 3; tick++) RunTasks();  // start positions, then two moves of 32
    Frame frame = DrawFrame();
    // Even rows start at -r and leave to the right once past 0: row 0 is at 64, row 64 still covers.
    EXPECT_TRUE(frame.shows(63, 0, Clear));
    EXPECT_TRUE(frame.shows(64, 0, Cover));
    EXPECT_TRUE(frame.shows(1, 62, Clear));
    EXPECT_TRUE(frame.shows(0, 64, Cover));
    // Odd rows start at 359 - r and leave to the left: row 359 is at -64, row 1 still covers.
    EXPECT_TRUE(frame.shows(575, 359, Cover));
    EXPECT_TRUE(frame.shows(576, 359, Clear));
    EXPECT_TRUE(frame.shows(639, 1, Cover));
    EXPECT_TRUE(frame.shows(639, 295, Cover));
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), 31);
}

TEST_F(Fade, WritingTwoCoversAtOnceAndAnUncoverWhileVisibleIsDropped) {
    FadeState = FADE_UNCOVER;
    int32_t sprites = SpriteCount;
    RunTasks();
    EXPECT_EQ(FadeState, FADE_VISIBLE);
    EXPECT_EQ(SpriteCount, sprites);

    FadeState = FADE_COVERED;
    RunTasks();
    EXPECT_EQ(DrawFrame().count(Clear), 640 * 360);  // noticed, nothing built yet
    RunTasks();
    EXPECT_EQ(DrawFrame().count(Cover), 640 * 360);
    EXPECT_EQ(FadeState, FADE_COVERED);
    FadeState = FADE_COVER;  // a cover request while covered is turned back into "covered"
    RunTasks();
    EXPECT_EQ(FadeState, FADE_COVERED);
    FadeState = FADE_UNCOVER;
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), 34);
}

TEST_F(Fade, RowsAndKeptImagesSurviveASceneClearWhileCovered) {
    FadeState = FADE_COVERED;
    RunTasks();
    RunTasks();
    int32_t sprites = SpriteCount, images = ImageCount;
    ASSERT_EQ(SetPack("front.vyg"), 1);
    Image *scene = NewImage("cursor.bmp");
    ASSERT_NE(scene, nullptr);
    NewSprite(5)->image = scene;
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    EXPECT_EQ(SpriteCount, sprites);
    EXPECT_EQ(ImageCount, images);
    EXPECT_EQ(ImageCount, 2);
    EXPECT_EQ(DrawFrame().count(Cover), 640 * 360);
    FadeState = FADE_UNCOVER;
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), 34);
}

TEST_F(Fade, CursorShowsThePressedCellWhileAButtonIsHeldAndHidesForTheSystemCursor) {
    SystemCursorShown = 0;
    MouseState.x = 100;
    MouseState.y = 50;
    RunTasks();
    Frame frame = DrawFrame();
    EXPECT_TRUE(frame.shows(100, 50, Normal));
    EXPECT_TRUE(frame.shows(114, 64, Normal));
    EXPECT_TRUE(frame.shows(115, 50, Clear));
    EXPECT_EQ(frame.count(Normal), 15 * 15);
    for (int button = 0; button < 2; button++) {
        MouseState.held[button] = 1;
        RunTasks();
        frame = DrawFrame();
        EXPECT_EQ(frame.count(Pressed), 15 * 15) << button;
        EXPECT_TRUE(frame.shows(100, 50, Pressed));
        MouseState.held[button] = 0;
    }
    FadeState = FADE_COVERED;
    RunTasks();
    RunTasks();
    frame = DrawFrame();
    EXPECT_EQ(frame.count(Normal), 15 * 15);  // drawn over the cover
    SystemCursorShown = 1;
    RunTasks();
    EXPECT_EQ(DrawFrame().count(Normal), 0);
    EXPECT_EQ(CursorSprite->visible, 0);
    FadeState = FADE_UNCOVER;
    EXPECT_EQ(TicksUntil(FADE_VISIBLE), 34);
}
