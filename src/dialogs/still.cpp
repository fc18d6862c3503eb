// The still frame under every modal dialog of the program.
#include <windows.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "fade/fade.h"

// The frame is drawn from a cleared back buffer: drawn over the previous frame, the cursor that
// frame showed would stay.
static void DrawStillFrame(void) {
    if (CursorSprite) CursorSprite->visible = 0;
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
}

long ModalOverStillFrame(int id, void *proc) {
    DrawStillFrame();
    ShowCursor(TRUE);
    INT_PTR result = DialogBoxParamA((HINSTANCE)MainInstance, MAKEINTRESOURCEA(id), (HWND)MainWindow,
                                     (DLGPROC)proc, 0);
    ShowCursor(FALSE);
    ResetFrameClock();
    return (long)result;
}
