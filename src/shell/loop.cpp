// The message and frame loop: window messages first; then every due tick polls the mouse, runs the
// task list and clears the one-tick clicks, and after the due ticks one frame is drawn. The Windows
// cursor is hidden while it is over the play area, where the drawn cursor stands in for it.
#include <windows.h>
#include <mmsystem.h>
#include "shell/shell.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "task/task.h"
#include "task/scene.h"

static void ApplyCursorRule(void) {
    int inside = InsidePlayArea(MouseState.x, MouseState.y);
    if (SystemCursorShown && inside) {
        SystemCursorShown = 0;
        ShowCursor(FALSE);
    } else if (!SystemCursorShown && !inside) {
        SystemCursorShown = 1;
        ShowCursor(TRUE);
    }
}

// The start-up benchmark reads these lines: the system's millisecond clock is the same in every
// process, so the time from a launch to the first frame of a scene can be taken from outside.
static void LogSceneShown(void) {
    if (!SceneShown) return;
    Log("first frame of the %s at %lu ms\n", SceneShown, (unsigned long)timeGetTime());
    SceneShown = 0;
}

// There is no cap on catch-up ticks: after a stall the game time is brought level with the clock
// before anything is drawn.
int FramePass(void) {
    BeginClockPass();
    int ticks = 0;
    if (TickDue()) {
        do {
            PollMouse();
            RunTasks();
            ClearClicks();
            CountTick();
            ticks++;
        } while (TickDue());
        RenderFrame();
        LogSceneShown();
        ApplyCursorRule();
        CountFrame();
    }
    UpdateFrameRate();
    return ticks;
}

// Until the window was first activated the loop sleeps; from then on it spins, so that a tick
// starts as soon as it is due. A game file handed over by another start is asked about here, where
// no dialog is open.
int RunMessageLoop(void) {
    MSG message;
    for (;;) {
        if (HandedGameFile[0]) OfferHandedGameFile();
        if (PeekMessageW(&message, NULL, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageW(&message, NULL, 0, 0)) return (int)message.wParam;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else if (!FramesRunning) {
            WaitMessage();
            IdleClock();
        } else {
            FramePass();
        }
    }
}
