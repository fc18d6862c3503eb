// The text form of save records: scrambled bytes as hexadecimal digits (low digit first), the key
// byte, and a 32-bit checksum over the data digits. No Windows header: the host tools and the
// fuzzers build this too. The caller draws the key; the format only applies it.
#ifndef ROBINA_SAVE_FORMAT_H
#define ROBINA_SAVE_FORMAT_H

#include <stdint.h>

enum {
    RECORD_KEY_LOW = 73,    // the key byte is drawn from RECORD_KEY_LOW..RECORD_KEY_HIGH
    RECORD_KEY_HIGH = 177,
    RECORD_KEY_MASK = 0xE3, // stored key = drawn key XOR mask; outside the key range, so never 0
    RECORD_MAX_BYTES = 0x10000,
};
#define RECORD_CHECKSUM_SEED 0x5EB1A7C3u

// Bytes of the text of an n-byte record, final zero included.
#define RECORD_TEXT_BYTES(n) (2 * (n) + 11)

#ifdef __cplusplus
extern "C" {
#endif

// Writes the text of the n plain bytes (RECORD_TEXT_BYTES(n) bytes, zero-terminated) with key r.
void EncodeRecordWithKey(const void *plain, int32_t n, uint8_t r, char *text);
// Reads RECORD_TEXT_BYTES(n) bytes of text and nothing beyond. 1: the checksum matches and the n
// plain bytes were written; 0: damaged (or n out of range), plain untouched.
int DecodeRecord(const char *text, int32_t n, void *plain);

#ifdef __cplusplus
}
#endif

#endif
