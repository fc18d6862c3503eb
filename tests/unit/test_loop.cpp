// The frame clock driven by a clock of the test's own: catch-up after a stall, no catch-up after a
// restart of the clock, the frames-per-second figure, and the loop's end on the quit message.
#include <windows.h>
#include <gtest/gtest.h>
#include "harness.h"
#include "base/base.h"
#include "shell/shell.h"
#include "task/task.h"

namespace {

uint32_t fakeNow = 0;
uint32_t FakeTime(void) {
    return fakeNow;
}

int ticksSeen = 0;
uint32_t stallInTick = 0;  // ms the next tick takes; that tick then restarts the clock

void __cdecl CountTick(void) {
    ticksSeen++;
    if (stallInTick) {
        fakeNow += stallInTick;
        stallInTick = 0;
        ResetFrameClock();
    }
}
const StepRoutine CountSteps[1] = {CountTick};

class Loop : public ::testing::Test {
protected:
    void SetUp() override {
        FrameTime = FakeTime;
        fakeNow = 100000;
        ticksSeen = 0;
        stallInTick = 0;
        InitTaskList();
        CreateTask(CountSteps, 10, TASK_ATTR_RUN, 4);
        ResetFrameClock();
    }
    void TearDown() override {
        FreeAllTasks();
    }
};

TEST_F(Loop, AStallOfOneSecondRunsFiftyTicksBeforeTheNextFrame) {
    EXPECT_EQ(FramePass(), 1);
    EXPECT_EQ(FramePass(), 0);  // nothing due yet
    fakeNow += 19;
    EXPECT_EQ(FramePass(), 0);
    fakeNow += 1;
    EXPECT_EQ(FramePass(), 1);
    fakeNow += 1000;
    EXPECT_EQ(FramePass(), 50);
    EXPECT_EQ(ticksSeen, 52);
    EXPECT_EQ(FramePass(), 0);
}

TEST_F(Loop, TicksKeepTheirPaceAcrossTheWrapOfTheMillisecondClock) {
    fakeNow = 0xFFFFFFF0u;  // 16 ms before the clock wraps to 0
    ResetFrameClock();
    EXPECT_EQ(FramePass(), 1);
    fakeNow += 19;  // 3 ms after the wrap: not yet due
    EXPECT_EQ(FramePass(), 0);
    fakeNow += 1;
    EXPECT_EQ(FramePass(), 1);
    fakeNow += 100;
    EXPECT_EQ(FramePass(), 5);
    EXPECT_EQ(ticksSeen, 7);
}

TEST_F(Loop, ATickThatRestartsTheClockIsNotCaughtUp) {
    stallInTick = 1000;
    EXPECT_EQ(FramePass(), 1);
    EXPECT_EQ(FramePass(), 0);
    fakeNow += 20;
    EXPECT_EQ(FramePass(), 1);
    EXPECT_EQ(ticksSeen, 2);
}

TEST_F(Loop, FramesPerSecondIsFiftyUntilMeasuredThenTwiceTheFramesOfHalfASecond) {
    // A frame every 40 ms: 25 frames a second.
    int frames = 0;
    for (; fakeNow < 100000 + 500; fakeNow += 40) {
        frames += FramePass() > 0;
        ASSERT_EQ(FramesPerSecond, 50);
    }
    frames += FramePass() > 0;  // at 100520 the figure is taken
    EXPECT_EQ(FramesPerSecond, frames * 2);
    EXPECT_EQ(FramesPerSecond, 28);
}

TEST_F(Loop, RestartClearsEveryButtonFlag) {
    for (int i = 0; i < 3; i++) MouseState.click[i] = MouseState.held[i] = 1;
    ResetFrameClock();
    for (int i = 0; i < 3; i++) EXPECT_EQ(MouseState.click[i] + MouseState.held[i], 0);
}

TEST_F(Loop, EndsOnTheQuitMessageWithItsParameter) {
    FramesRunning = 1;
    PostQuitMessage(7);
    EXPECT_EQ(RunMessageLoop(), 7);
}

}  // namespace
