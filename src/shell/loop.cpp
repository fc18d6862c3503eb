// The frame clock and the message and frame loop: ticks of 20 ms, every missed tick run before the
// next frame, at most one frame per pass; the Windows cursor hidden while over the play area; and the
// release of what the start-up brought up, in reverse order, when the loop has ended.
#include <windows.h>
#include <mmsystem.h>
#include "shell/shell.h"
#include "sound/sound.h"
#include "task/task.h"
#include "pack/pack.h"
#include "gfx/gfx.h"
#include "launcher/launcher.h"

static uint32_t SystemTime(void) {
    return timeGetTime();
}

uint32_t (*FrameTime)(void) = SystemTime;  // ms; tests put a clock of their own here
static uint32_t nextTickTime = 0;          // ms: when the next tick is due
static int32_t tickStep = TICK_MS;         // ms between two ticks
static uint32_t loopNow = 0;               // ms: the time read at the top of the current pass
static int32_t frameCount = 0;             // frames drawn since the last rate update
static uint32_t nextRateTime = 0;          // ms: when FramesPerSecond is next refreshed
int32_t SystemCursorShown = 1;
int32_t FramesPerSecond = 50;
int32_t FramesRunning = 0;
int32_t QuickStart = 0;

enum { RATE_PERIOD_MS = 500 };

// The frames-per-second figure keeps its start value until a whole period was measured.
// Called before the loop and after anything that took long (a mode switch, an image load), so
// that the time spent is not caught up and no click made meanwhile survives it.
void ResetFrameClock(void) {
    uint32_t now = FrameTime();
    nextTickTime = now;
    nextRateTime = now + RATE_PERIOD_MS;
    frameCount = 0;
    FramesPerSecond = 50;
    tickStep = TICK_MS;
    ClearButtons();
}

static void DrawFrame(void) {
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
}

// The drawn cursor stands in for the Windows cursor inside the play area.
static void ApplyCursorRule(void) {
    int inside = MouseState.x >= 0 && MouseState.x < PLAY_WIDTH && MouseState.y >= 0 &&
                 MouseState.y < PLAY_HEIGHT;
    if (SystemCursorShown && inside) {
        SystemCursorShown = 0;
        ShowCursor(FALSE);
    } else if (!SystemCursorShown && !inside) {
        SystemCursorShown = 1;
        ShowCursor(TRUE);
    }
}

// Whether the time `when` has come. The millisecond clock wraps after 49.7 days; comparing the
// signed difference keeps ticks due across the wrap, where a plain comparison would stop them.
static int Reached(uint32_t when) {
    return (int32_t)(loopNow - when) >= 0;
}

// There is no cap on catch-up ticks: after a stall the game time is brought level with the clock
// before anything is drawn. A tick that restarts the clock ends the catch-up.
int FramePass(void) {
    loopNow = FrameTime();
    int ticks = 0;
    if (Reached(nextTickTime)) {
        do {
            PollMouse();
            RunTasks();
            ClearClicks();
            nextTickTime += tickStep;
            ticks++;
        } while (Reached(nextTickTime));
        DrawFrame();
        ApplyCursorRule();
        frameCount++;
    }
    if (Reached(nextRateTime)) {
        FramesPerSecond = frameCount * 2;
        frameCount = 0;
        nextRateTime += RATE_PERIOD_MS;
    }
    return ticks;
}

// Messages always come first. Until the window was first activated the loop sleeps; from then on it
// spins, so that a tick starts as soon as it is due.
int RunMessageLoop(void) {
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&message, NULL, 0, 0)) return (int)message.wParam;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (!FramesRunning) {
            WaitMessage();
            nextTickTime = FrameTime();
            nextRateTime = nextTickTime + RATE_PERIOD_MS;
        } else {
            FramePass();
        }
    }
}

void ReleaseSubsystems(void) {
    FreeAllTasks();
    ReleaseMouse();
    FreeSpriteList();
    ReleaseSnd();
    rlDDRelease();
    ReleasePackCache();
    UnloadGameAtExit();
}
