// Whether a BMP file holds all that its headers promise. The system's loader reads as far as the
// headers say, beyond the end of a file cut short, so a picture goes to it only once this
// judged it whole. Portable: no Windows header.
#ifndef ROBINA_BMP_FORMAT_H
#define ROBINA_BMP_FORMAT_H

#include <stddef.h>
#include <stdint.h>

enum { BMP_HEAD_BYTES = 54 };  // file header and the common info header: all that is judged

// head: the file's first bytes (up to BMP_HEAD_BYTES; fewer when the file is shorter); fileBytes:
// its whole size. 1 when the headers are of a known kind, uncompressed, at least 1x1, and the
// colour table and every pixel row lie inside the file; then *width and *height are the size.
int BmpIsWhole(const uint8_t *head, size_t headBytes, uint64_t fileBytes, int32_t *width, int32_t *height);

// A game's picture fits its place of placeWidth x placeHeight when it covers the place and stays
// within the memory bound (4 bytes a pixel as a 32-bit surface: 4 MiB).
enum { GAME_PICTURE_MAX_PIXELS = 1024 * 1024 };
int GamePictureFits(int32_t width, int32_t height, int32_t placeWidth, int32_t placeHeight);

#endif
