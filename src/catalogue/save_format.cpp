// Scrambling and checksum of save-record texts. Every byte arithmetic is modulo 256 and the
// checksum wraps at 32 bits, so the text of a record depends on nothing but its bytes and key.
#include "catalogue/save_format.h"

static const char HexDigits[] = "0123456789ABCDEF";

// Lenient digit value: codes from 'A' on count from 10, everything else from '0'; damaged digits
// are left to the checksum to notice.
static uint32_t DigitValue(unsigned char c) { return c >= 65 ? c - 55u : c - 48u; }

static uint8_t ByteAt(const char *text, int32_t lowPosition) {
    return (uint8_t)(16u * DigitValue((unsigned char)text[lowPosition + 1]) +
                     DigitValue((unsigned char)text[lowPosition]));
}

static void WriteByte(char *text, uint8_t value) {
    text[0] = HexDigits[value & 15];
    text[1] = HexDigits[value >> 4];
}

static uint32_t DigitChecksum(const char *text, int32_t digits, uint8_t k) {
    uint32_t s = RECORD_CHECKSUM_SEED;
    for (int32_t j = 0; j < digits; j++) {
        uint32_t d = (unsigned char)text[j];
        s += (uint32_t)j * (uint32_t)j + (uint32_t)k * k * d * d;
    }
    return s;
}

void EncodeRecordWithKey(const void *plain, int32_t n, uint8_t r, char *text) {
    const uint8_t *p = (const uint8_t *)plain;
    for (int32_t i = 0; i < n; i++) {
        uint8_t x = (uint8_t)(p[i] + 3u * (uint32_t)i * (uint32_t)i);
        x = (uint8_t)((x ^ r) - (uint32_t)i);
        WriteByte(text + 2 * i, x);
    }
    uint8_t k = (uint8_t)(r ^ RECORD_KEY_MASK);
    WriteByte(text + 2 * n, k);
    uint32_t s = DigitChecksum(text, 2 * n, k);
    for (int d = 0; d < 8; d++) text[2 * n + 2 + d] = HexDigits[(s >> (28 - 4 * d)) & 15];
    text[2 * n + 10] = 0;
}

int DecodeRecord(const char *text, int32_t n, void *plain) {
    if (n < 0 || n > RECORD_MAX_BYTES) return 0;
    uint8_t k = ByteAt(text, 2 * n);
    uint32_t stored = 0;
    for (int d = 0; d < 8; d++) stored = stored * 16u + DigitValue((unsigned char)text[2 * n + 2 + d]);
    if (stored != DigitChecksum(text, 2 * n, k)) return 0;
    uint8_t r = (uint8_t)(k ^ RECORD_KEY_MASK);
    uint8_t *p = (uint8_t *)plain;
    for (int32_t i = 0; i < n; i++) {
        uint8_t v = ByteAt(text, 2 * i);
        p[i] = (uint8_t)(((uint8_t)(v + (uint32_t)i) ^ r) - 3u * (uint32_t)i * (uint32_t)i);
    }
    return 1;
}
