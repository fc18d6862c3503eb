// The Shift-JIS rules of fixed-size text fields; see text_format.h. A field filled from saved
// records or a game need not end in a zero, so no loop here reads past the size it is given.
#include "base/text_format.h"
#include <string.h>

int IsShiftJisLead(uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

int IsShiftJisTrail(uint8_t byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

size_t CutText(char *to, size_t toSize, const char *from, size_t fromSize) {
    size_t at = 0;
    while (at < fromSize && from[at]) {
        size_t width = 1;
        if (IsShiftJisLead((uint8_t)from[at])) {
            if (at + 1 >= fromSize || !IsShiftJisTrail((uint8_t)from[at + 1])) break;
            width = 2;
        }
        if (at + width > toSize - 1) break;
        at += width;
    }
    memmove(to, from, at);
    memset(to + at, 0, toSize - at);
    return at;
}

static char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

void FoldShiftJisUpper(char *text) {
    for (; *text; text++) {
        if (IsShiftJisLead((uint8_t)*text)) {
            if (!text[1]) return;
            text++;
        } else {
            *text = UpperAscii(*text);
        }
    }
}

int SameShiftJisFolded(const char *a, const char *b) {
    for (;; a++, b++) {
        if (UpperAscii(*a) != UpperAscii(*b)) return 0;
        if (!*a) return 1;
        if (!IsShiftJisLead((uint8_t)*a)) continue;
        a++, b++;
        if (*a != *b) return 0;
        if (!*a) return 1;
    }
}
