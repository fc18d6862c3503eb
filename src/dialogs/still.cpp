// The still frame under every modal dialog of the program, and the font copies the dialogs give
// their emphasised controls.
#include <windows.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "fade/fade.h"

// The frame is drawn from a cleared back buffer: drawn over the previous frame, the cursor that
// frame showed would stay.
static void DrawStillFrame(void) {
    if (CursorSprite) CursorSprite->visible = 0;
    RenderFrame();
}

// The clock's reset also clears the mouse buttons: the click that opened the dialog must not act
// again later in the same tick (a version button's click launching the game under it).
long ModalOverStillFrame(int id, void *proc) {
    DrawStillFrame();
    ShowCursor(TRUE);
    INT_PTR result = DialogBoxParamA((HINSTANCE)MainInstance, MAKEINTRESOURCEA(id), (HWND)MainWindow,
                                     (DLGPROC)proc, 0);
    if (result == -1) Log("dialog %d could not be opened: error %lu\n", id, (unsigned long)GetLastError());
    ShowCursor(FALSE);
    ResetFrameClock();
    return (long)result;
}

void *CopyControlFont(void *control, int underline, int weight) {
    LOGFONTA font;
    HFONT base = (HFONT)SendMessageA((HWND)control, WM_GETFONT, 0, 0);
    if (!base || !GetObjectA(base, sizeof font, &font)) return 0;
    if (underline) font.lfUnderline = TRUE;
    if (weight) font.lfWeight = weight;
    HFONT copy = CreateFontIndirectA(&font);
    if (copy) SendMessageA((HWND)control, WM_SETFONT, (WPARAM)copy, FALSE);
    return copy;
}
