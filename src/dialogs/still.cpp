// The still frame under every modal dialog of the program, and the font copies the dialogs give
// their emphasised controls.
#include <windows.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "fade/fade.h"
#include <string.h>

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
    INT_PTR result = DialogBoxParamW((HINSTANCE)MainInstance, MAKEINTRESOURCEW(id), (HWND)MainWindow,
                                     (DLGPROC)proc, 0);
    if (result == -1) Log("dialog %d could not be opened: error %lu\n", id, (unsigned long)GetLastError());
    ShowCursor(FALSE);
    ResetFrameClock();
    return (long)result;
}

int MessageOverStillFrame(const wchar_t *text, const char *caption, unsigned flags) {
    DrawStillFrame();
    ShowCursor(TRUE);
    int answer = ShowWideMessage(MainWindow, text, caption, flags);
    ShowCursor(FALSE);
    ResetFrameClock();
    return answer;
}

void *CopyControlFont(void *control, int underline, int weight) {
    LOGFONTW font;
    HFONT base = (HFONT)SendMessageW((HWND)control, WM_GETFONT, 0, 0);
    if (!base || !GetObjectW(base, sizeof font, &font)) return 0;
    if (underline) font.lfUnderline = TRUE;
    if (weight) font.lfWeight = weight;
    HFONT copy = CreateFontIndirectW(&font);
    if (copy) SendMessageW((HWND)control, WM_SETFONT, (WPARAM)copy, FALSE);
    return copy;
}

// Text is kept in Shift-JIS: a character without a Shift-JIS form is refused with a message, never
// stored as something else; the length rule counts Shift-JIS bytes.
int TakeDialogText(void *dialog, int id, char *text, size_t maxBytes, const char *unfit, const char *tooLong) {
    static wchar_t typed[MESSAGE_CHARS];
    static char converted[2 * MESSAGE_CHARS];
    GetDlgItemTextW((HWND)dialog, id, typed, MESSAGE_CHARS);
    const char *refusal = !HasShiftJisForm(typed) ? unfit : 0;
    if (!refusal && (!FromWide(typed, converted, sizeof converted) || strlen(converted) > maxBytes))
        refusal = tooLong;
    if (refusal) {
        ShowMessage(dialog, refusal, ERROR_CAPTION, MB_OK);
        return 0;
    }
    memcpy(text, converted, strlen(converted) + 1);
    return 1;
}
