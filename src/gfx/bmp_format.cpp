// The judgement of a BMP file's headers against its size; see bmp_format.h. Every field is read
// little-endian byte by byte, so the file's bytes need no alignment.
#include "gfx/bmp_format.h"

enum {
    FILE_HEADER_BYTES = 14,
    CORE_HEADER_BYTES = 12,    // the oldest info header: 16-bit sizes
    INFO_HEADER_BYTES = 40,    // and its later, longer kinds
    COMPRESSION_NONE = 0, COMPRESSION_BITFIELDS = 3,
    BITFIELD_MASKS_BYTES = 12, // the three masks after a 40-byte header
};

static uint32_t Le(const uint8_t *at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; i--) value = value << 8 | at[i];
    return value;
}

static int KnownDepth(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Run-length pictures are refused: how far their rows reach shows only by decoding them.
int BmpIsWhole(const uint8_t *head, size_t headBytes, uint64_t fileBytes, int32_t *width, int32_t *height) {
    if (headBytes < FILE_HEADER_BYTES + CORE_HEADER_BYTES || head[0] != 'B' || head[1] != 'M') return 0;
    uint64_t pixelsAt = Le(head + 10, 4);
    uint32_t infoBytes = Le(head + 14, 4);
    const uint8_t *info = head + FILE_HEADER_BYTES;
    int64_t w, h;
    uint32_t bits, colours, entryBytes = 4, extra = 0;
    if (infoBytes == CORE_HEADER_BYTES) {
        w = Le(info + 4, 2), h = Le(info + 6, 2), bits = Le(info + 10, 2);
        colours = bits <= 8 ? 1u << bits : 0, entryBytes = 3;
    } else if (infoBytes >= INFO_HEADER_BYTES && headBytes >= FILE_HEADER_BYTES + INFO_HEADER_BYTES) {
        w = (int32_t)Le(info + 4, 4), h = (int32_t)Le(info + 8, 4), bits = Le(info + 14, 2);
        uint32_t compression = Le(info + 16, 4);
        if (compression != COMPRESSION_NONE && compression != COMPRESSION_BITFIELDS) return 0;
        if (compression == COMPRESSION_BITFIELDS && infoBytes == INFO_HEADER_BYTES) extra = BITFIELD_MASKS_BYTES;
        colours = Le(info + 32, 4);
        if (colours == 0 && bits <= 8) colours = 1u << bits;
    } else {
        return 0;
    }
    if (h < 0) h = -h;  // rows from the top down; the most negative height has no positive twin
    if (!KnownDepth(bits) || w < 1 || h < 1 || h > INT32_MAX || (bits <= 8 && colours > (1u << bits))) return 0;
    uint64_t headersEnd = (uint64_t)FILE_HEADER_BYTES + infoBytes + extra + (uint64_t)colours * entryBytes;
    uint64_t rowBytes = ((uint64_t)w * bits + 31) / 32 * 4;
    if (pixelsAt < headersEnd || pixelsAt > fileBytes || (uint64_t)h > (fileBytes - pixelsAt) / rowBytes) return 0;
    *width = (int32_t)w;
    *height = (int32_t)h;
    return 1;
}

int GamePictureFits(int32_t width, int32_t height, int32_t placeWidth, int32_t placeHeight) {
    return width >= placeWidth && height >= placeHeight && (int64_t)width * height <= GAME_PICTURE_MAX_PIXELS;
}
