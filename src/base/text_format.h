// Shift-JIS rules shared by every fixed-size text field of the program (names, labels, member
// names): which bytes open and close a double-byte character, and the cut of a text to a field.
// Portable: no Windows header.
#ifndef ROBINA_TEXT_FORMAT_H
#define ROBINA_TEXT_FORMAT_H

#include <stddef.h>
#include <stdint.h>

int IsShiftJisLead(uint8_t byte);   // 0x81..0x9F, 0xE0..0xFC
int IsShiftJisTrail(uint8_t byte);  // 0x40..0x7E, 0x80..0xFC

// Copies the text `from` (at most fromSize bytes; it need not be terminated there) into the field
// `to` of toSize bytes (at least 1): cut where the next character no longer fits, never inside a
// double-byte character, and zero-filled to the end of the field. A lead byte without its trail
// byte ends the text. Returns the bytes copied.
size_t CutText(char *to, size_t toSize, const char *from, size_t fromSize);

// The case fold of file names: single-byte a to z become A to Z; the second byte of a double-byte
// character is stepped over, since 0x61..0x7A are trail bytes too (ビ is 83 72, and 83 52 is コ).
void FoldShiftJisUpper(char *text);
int SameShiftJisFolded(const char *a, const char *b);  // 1: equal once both are folded

#endif
