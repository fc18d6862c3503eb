// Record texts from anywhere: decoding reads exactly its text's bytes whatever they hold, and any
// bytes encoded under any key decode back unchanged.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "catalogue/save_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    int32_t n = (int32_t)(int16_t)(data[0] | data[1] << 8) * 3;  // negative and oversized lengths included
    uint8_t r = data[2];
    data += 3;
    size -= 3;
    std::vector<uint8_t> plain(size + 1);
    if (n >= 0 && n <= RECORD_MAX_BYTES) {
        // A heap block of exactly the text's length, so reading one byte more is caught.
        std::vector<char> text(RECORD_TEXT_BYTES(n), 0);
        memcpy(text.data(), data, size < text.size() ? size : text.size());
        std::vector<uint8_t> out(n + 1);
        DecodeRecord(text.data(), n, out.data());
    } else if (DecodeRecord(reinterpret_cast<const char *>(data), n, plain.data())) {
        abort();  // an impossible length must be refused before any read
    }
    if (size > RECORD_MAX_BYTES) return 0;
    std::vector<char> encoded(RECORD_TEXT_BYTES(size));
    EncodeRecordWithKey(data, (int32_t)size, r, encoded.data());
    if (!DecodeRecord(encoded.data(), (int32_t)size, plain.data()) || memcmp(plain.data(), data, size) != 0)
        abort();
    return 0;
}
