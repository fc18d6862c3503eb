// The input state: the main window and screen mode the rest of the program draws for, and the mouse
// record that the window procedure's button messages set and each tick's poll completes. The cursor
// is read in play-area pixels whatever the factor; outside the play area it reads outside 0..639 and
// 0..359. In window mode buttons count only over the play area, so a press outside it, or a button
// held while the cursor leaves, reads as released; in full screen the black around it counts too.
#include <windows.h>
#include <string.h>
#include "base/base.h"

void *MainInstance = 0;
void *MainWindow = 0;
int32_t FullScreen = 0;
PlayPlaceRecord PlayPlace = {0, 0, 1};
int32_t WindowActive = 0;
int32_t SystemCursorShown = 1;
int32_t QuickStart = 0;
MouseRecord MouseState;

int InsidePlayArea(int32_t x, int32_t y) {
    return x >= 0 && x < PLAY_WIDTH && y >= 0 && y < PLAY_HEIGHT;
}

int InitMouse(void) {
    memset(&MouseState, 0, sizeof MouseState);
    return 1;
}

int ReleaseMouse(void) {
    return 1;
}

void PressButton(int button) {
    MouseState.held[button] = 1;
    MouseState.click[button] = 1;
}

void ReleaseButton(int button) {
    MouseState.held[button] = 0;
}

void ClearButtons(void) {
    memset(MouseState.click, 0, sizeof MouseState.click);
    memset(MouseState.held, 0, sizeof MouseState.held);
}

void ClearClicks(void) {
    memset(MouseState.click, 0, sizeof MouseState.click);
}

int PollMouse(void) {
    POINT origin = {0, 0};
    POINT cursor = {0, 0};
    ClientToScreen((HWND)MainWindow, &origin);
    GetCursorPos(&cursor);
    MouseState.x = ToPlayPixels(cursor.x - origin.x - PlayPlace.left, PlayPlace.factor);
    MouseState.y = ToPlayPixels(cursor.y - origin.y - PlayPlace.top, PlayPlace.factor);
    if (!WindowActive || (!FullScreen && !InsidePlayArea(MouseState.x, MouseState.y))) ClearButtons();
    return 1;
}
