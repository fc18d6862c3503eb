// Text where it meets Windows. The program's text is Shift-JIS whatever code page the system runs
// with; Windows gets UTF-16 through the wide functions. Every conversion names code page 932: left to
// the system's own code page, a Windows of another language garbles the texts and loses the names.
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include "base/base.h"

int SjisToWide(const char *text, int bytes, wchar_t *wide, int wideChars) {
    if (bytes == 0) return 0;
    int written = MultiByteToWideChar(SHIFT_JIS_CODE_PAGE, 0, text, bytes, wide, wideChars);
    return written > 0 ? written : -1;
}

// A character with no Shift-JIS form comes back as the default character, or (without the flag
// against it) as a look-alike; both are caught by converting back and comparing.
int WideToSjis(const wchar_t *wide, int chars, char *text, int textBytes) {
    if (chars == 0) return 0;
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(SHIFT_JIS_CODE_PAGE, WC_NO_BEST_FIT_CHARS, wide, chars, text, textBytes,
                                      NULL, &usedDefault);
    if (written <= 0 || usedDefault) return -1;
    for (int at = 0, back = 0; at < written; at += back) {
        wchar_t again[2];
        int width = IsDBCSLeadByteEx(SHIFT_JIS_CODE_PAGE, (BYTE)text[at]) && at + 1 < written ? 2 : 1;
        back = width;
        if (MultiByteToWideChar(SHIFT_JIS_CODE_PAGE, 0, text + at, width, again, 2) != 1) return -1;
        if (again[0] != *wide++) return -1;
    }
    return written;
}

int ToWide(const char *text, wchar_t *wide, int wideChars) {
    int written = SjisToWide(text, (int)strlen(text) + 1, wide, wideChars);
    if (written > 0) return 1;
    if (wideChars > 0) wide[0] = 0;
    return 0;
}

int FromWide(const wchar_t *wide, char *text, int textBytes) {
    int written = WideToSjis(wide, (int)wcslen(wide) + 1, text, textBytes);
    if (written > 0) return 1;
    if (textBytes > 0) text[0] = 0;
    return 0;
}

int HasShiftJisForm(const wchar_t *wide) {
    char probe[8];
    for (; *wide; wide++)
        if (WideToSjis(wide, 1, probe, sizeof probe) < 0) return 0;
    return 1;
}

int ShowMessage(void *owner, const char *text, const char *caption, uint32_t flags) {
    wchar_t wideText[MESSAGE_CHARS], wideCaption[TITLE_CHARS];
    ToWide(text, wideText, MESSAGE_CHARS);
    ToWide(caption, wideCaption, TITLE_CHARS);
    return MessageBoxW((HWND)owner, wideText, wideCaption, flags);
}

int FormatWide(wchar_t *text, int chars, const char *format, ...) {
    wchar_t wideFormat[MESSAGE_CHARS];
    if (!ToWide(format, wideFormat, MESSAGE_CHARS)) {
        text[0] = 0;
        return 0;
    }
    va_list arguments;
    va_start(arguments, format);
    int length = vswprintf(text, chars, wideFormat, arguments);
    va_end(arguments);
    if (length >= 0 && length < chars) return 1;
    text[chars - 1] = 0;
    return 0;
}

int ShowWideMessage(void *owner, const wchar_t *text, const char *caption, uint32_t flags) {
    wchar_t wideCaption[TITLE_CHARS];
    ToWide(caption, wideCaption, TITLE_CHARS);
    return MessageBoxW((HWND)owner, text, wideCaption, flags);
}

int SetWindowTextSjis(void *window, const char *text) {
    wchar_t wide[MESSAGE_CHARS];
    return ToWide(text, wide, MESSAGE_CHARS) && SetWindowTextW((HWND)window, wide);
}

int GetWindowTextSjis(void *window, char *text, int textBytes) {
    wchar_t wide[MESSAGE_CHARS];
    GetWindowTextW((HWND)window, wide, MESSAGE_CHARS);
    return FromWide(wide, text, textBytes);
}

// Two buffers in turn, so that one log line can show two paths.
const char *ShownPath(const wchar_t *path) {
    static char shown[2][2 * PATH_CHARS];
    static int turn = 0;
    char *text = shown[turn ^= 1];
    // No look-alikes: "Zoë" must not be shown as the name of another file, "Zoe".
    if (!WideCharToMultiByte(SHIFT_JIS_CODE_PAGE, WC_NO_BEST_FIT_CHARS, path, -1, text, sizeof shown[0], "?", NULL))
        text[0] = 0;
    return text;
}
