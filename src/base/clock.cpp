// The frame clock: ticks of 20 ms counted against the millisecond multimedia timer, and the
// frames-per-second figure. The loop reads the clock once per pass and runs every tick that is due.
#include <windows.h>
#include <mmsystem.h>
#include "base/base.h"

static uint32_t SystemTime(void) {
    return timeGetTime();
}

uint32_t (*FrameTime)(void) = SystemTime;  // ms; tests put a clock of their own here
static uint32_t nextTickTime = 0;          // ms: when the next tick is due
static uint32_t passNow = 0;               // ms: the time read at the top of the current pass
static int32_t frameCount = 0;             // frames drawn since the last rate update
static uint32_t nextRateTime = 0;          // ms: when FramesPerSecond is next refreshed
enum { RATE_PERIOD_MS = 500, START_RATE = 50 };
int32_t FramesPerSecond = START_RATE;
int32_t FramesRunning = 0;

// The frames-per-second figure keeps its start value until a whole period was measured.
void ResetFrameClock(void) {
    IdleClock();
    frameCount = 0;
    FramesPerSecond = START_RATE;
    ClearButtons();
}

// Whether the time `when` has come. The millisecond clock wraps after 49.7 days; comparing the
// signed difference keeps ticks due across the wrap, where a plain comparison would stop them.
static int Reached(uint32_t when) {
    return (int32_t)(passNow - when) >= 0;
}

void BeginClockPass(void) {
    passNow = FrameTime();
}

// A tick that restarted the clock moved the next tick past the time read, which ends the catch-up.
int TickDue(void) {
    return Reached(nextTickTime);
}

void CountTick(void) {
    nextTickTime += TICK_MS;
}

void CountFrame(void) {
    frameCount++;
}

void UpdateFrameRate(void) {
    if (!Reached(nextRateTime)) return;
    FramesPerSecond = frameCount * (1000 / RATE_PERIOD_MS);
    frameCount = 0;
    nextRateTime += RATE_PERIOD_MS;
}

void IdleClock(void) {
    nextTickTime = FrameTime();
    nextRateTime = nextTickTime + RATE_PERIOD_MS;
}
