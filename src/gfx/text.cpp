// GDI text into an image's surface or the back buffer: a bold Shift-JIS font made for each call,
// a shadow in half the colour one pixel down and right, then the text itself, both transparent. The
// text and the face names are Shift-JIS, handed to GDI in UTF-16.
#include <windows.h>
#include <ddraw.h>
#include <string.h>
#include "gfx/gfx.h"
#include "base/base.h"

// Games pass the interface's TEXT_ flags; DrawTextW reads them as its own.
static_assert(TEXT_CENTRE == DT_CENTER && TEXT_RIGHT == DT_RIGHT && TEXT_MIDDLE == DT_VCENTER &&
                  TEXT_BOTTOM == DT_BOTTOM && TEXT_WRAP == DT_WORDBREAK && TEXT_ONE_LINE == DT_SINGLELINE &&
                  TEXT_LEFT == DT_LEFT && TEXT_TOP == DT_TOP,
              "DrawString's TEXT_ flags are DrawText's DT_ flags");

enum { DEFAULT_TEXT_HEIGHT = 14, DRAWN_TEXT_CHARS = 4096 };

static HFONT MakeFont(int height, int proportional) {
    LOGFONTW font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = height;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = SHIFTJIS_CHARSET;
    ToWide(proportional ? "ＭＳ Ｐゴシック" : "ＭＳ ゴシック", font.lfFaceName, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

static void DrawPass(HDC dc, const wchar_t *text, int chars, RECT area, uint32_t format, int r, int g, int b) {
    SetTextColor(dc, RGB(r, g, b));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, chars, &area, format);
}

int32_t __cdecl DrawString(IDirectDrawSurface *target, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, uint32_t format, const char *text, int32_t height, int32_t r,
                           int32_t g, int32_t b, int32_t proportional) {
    if (height <= 0) height = DEFAULT_TEXT_HEIGHT;
    if (!target) target = BackBuffer;
    if (!target) return DDERR_INVALIDOBJECT;
    HDC dc;
    HRESULT got = target->GetDC(&dc);
    if (got != DD_OK) return got;
    HFONT font = MakeFont(height, proportional);
    HGDIOBJ previous = SelectObject(dc, font);
    r &= 0xFF;
    g &= 0xFF;
    b &= 0xFF;
    static wchar_t wide[DRAWN_TEXT_CHARS];
    int chars = text ? SjisToWide(text, (int)strnlen(text, DRAWN_TEXT_CHARS), wide, DRAWN_TEXT_CHARS) : -1;
    if (chars >= 0) {
        RECT shadow = {left + 1, top + 1, right + 1, bottom + 1};
        DrawPass(dc, wide, chars, shadow, format, r / 2, g / 2, b / 2);
        DrawPass(dc, wide, chars, RECT{left, top, right, bottom}, format, r, g, b);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    return target->ReleaseDC(dc);
}
