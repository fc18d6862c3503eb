// Frame clock and the globals of the message and frame loop.
#include <windows.h>
#include "shell/shell.h"

int32_t SystemCursorShown = 1;
int32_t FramesPerSecond = 50;
int32_t FramesRunning = 0;
int32_t QuickStart = 0;

void ResetFrameClock(void) {}
