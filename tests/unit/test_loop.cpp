// The frame clock driven by a clock of the test's own: catch-up after a stall, no catch-up after a
// restart of the clock, the frames-per-second figure, and the loop's end on the quit message.
#include <windows.h>
#include <gtest/gtest.h>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"
#include "dialogs/dialogs.h"
#include "shell/shell.h"
#include "task/task.h"

namespace {

int ticksSeen = 0;
uint32_t stallInTick = 0;  // ms the next tick takes; that tick then restarts the clock

void __cdecl CountTick(void) {
    ticksSeen++;
    if (stallInTick) {
        FakeNow += stallInTick;
        stallInTick = 0;
        ResetFrameClock();
    }
}
const StepRoutine CountSteps[1] = {CountTick};

class Loop : public ::testing::Test {
protected:
    void SetUp() override {
        UseFakeClock(100000);
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
    FakeNow += 19;
    EXPECT_EQ(FramePass(), 0);
    FakeNow += 1;
    EXPECT_EQ(FramePass(), 1);
    FakeNow += 1000;
    EXPECT_EQ(FramePass(), 50);
    EXPECT_EQ(ticksSeen, 52);
    EXPECT_EQ(FramePass(), 0);
}

TEST_F(Loop, TicksKeepTheirPaceAcrossTheWrapOfTheMillisecondClock) {
    FakeNow = 0xFFFFFFF0u;  // 16 ms before the clock wraps to 0
    ResetFrameClock();
    EXPECT_EQ(FramePass(), 1);
    FakeNow += 19;  // 3 ms after the wrap: not yet due
    EXPECT_EQ(FramePass(), 0);
    FakeNow += 1;
    EXPECT_EQ(FramePass(), 1);
    FakeNow += 100;
    EXPECT_EQ(FramePass(), 5);
    EXPECT_EQ(ticksSeen, 7);
}

TEST_F(Loop, ATickThatRestartsTheClockIsNotCaughtUp) {
    stallInTick = 1000;
    EXPECT_EQ(FramePass(), 1);
    EXPECT_EQ(FramePass(), 0);
    FakeNow += 20;
    EXPECT_EQ(FramePass(), 1);
    EXPECT_EQ(ticksSeen, 2);
}

TEST_F(Loop, FramesPerSecondIsFiftyUntilMeasuredThenTwiceTheFramesOfHalfASecond) {
    // A frame every 40 ms: 25 frames a second.
    int frames = 0;
    for (; FakeNow < 100000 + 500; FakeNow += 40) {
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

// Every modal dialog and message box stops time: once it closes, the ticks it was open for are not
// caught up and no button pressed meanwhile reaches a tick; after the error box no tick runs at all.
void (*openModal)(void) = 0;   // what the next tick opens; afterwards the next tick ends the loop
std::vector<int> buttonsSeen;  // left button (click + held) as each tick saw it

void __cdecl OpenModalThenQuit(void) {
    buttonsSeen.push_back(MouseState.click[0] + MouseState.held[0]);
    void (*open)(void) = openModal;
    openModal = 0;
    if (open) open();
    else PostQuitMessage(7);
}
const StepRoutine ModalSteps[1] = {OpenModalThenQuit};

// The loop spins until the next tick is due: time moves on by a millisecond at every reading.
uint32_t RunningClock(void) { return FakeNow++; }

void OpenNameDialog(void) { AskPlayerName("10てん", 7, 1); }
void OpenNoticeBox(void) { NoticeBox("notice"); }
void OpenErrorBox(void) { ErrorBox("error"); }
void OpenSettingsDialog(void) { SettingsDialog(MainWindow); }

TEST_F(Loop, NoModalDialogOrBoxIsCaughtUpOrCarriesAButtonAcrossIt) {
    EnsureDisplay();
    POINT origin = {100, 100};
    ClientToScreen((HWND)MainWindow, &origin);
    SetCursorPos(origin.x, origin.y);
    const struct { const char *what; void (*open)(void); int exitCode; size_t ticks; } cases[] = {
        {"name dialog", OpenNameDialog, 7, 2},
        {"notice box", OpenNoticeBox, 7, 2},
        {"settings dialog", OpenSettingsDialog, 7, 2},
        {"error box", OpenErrorBox, 0, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FreeAllTasks();
        InitTaskList();
        CreateTask(ModalSteps, 10, TASK_ATTR_RUN, 4);
        ResetFrameClock();
        buttonsSeen.clear();
        openModal = c.open;
        WindowActive = FramesRunning = 1;
        FrameTime = RunningClock;
        BoxWatcher watcher([](void *box, const BoxRecord &) {
            FakeNow += 1000;
            PressButton(BUTTON_LEFT);
            PostMessageA((HWND)box, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(RunMessageLoop(), c.exitCode);
        EXPECT_EQ(watcher.boxes.size(), 1u);
        EXPECT_EQ(buttonsSeen, std::vector<int>(c.ticks, 0));
    }
}

}  // namespace
