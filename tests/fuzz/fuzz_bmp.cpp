// BMP headers from anywhere, with the file's size in the first eight bytes: whatever is accepted
// has its pixel rows, worked out here again in 128 bits, inside the file. The head is an exact-size
// heap copy, so ASan sees any overread.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "gfx/bmp_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 8) return 0;
    uint64_t fileBytes;
    memcpy(&fileBytes, data, 8);
    std::vector<uint8_t> head(data + 8, data + size);
    if (head.size() > BMP_HEAD_BYTES) head.resize(BMP_HEAD_BYTES);
    int32_t width = -1, height = -1;
    if (!BmpIsWhole(head.data(), head.size(), fileBytes, &width, &height)) return 0;
    auto le32 = [&](int at) { return head[at] | head[at + 1] << 8 | head[at + 2] << 16 | (uint32_t)head[at + 3] << 24; };
    uint32_t pixelsAt = le32(10);
    uint32_t bits = le32(14) == 12 ? (head[24] | head[25] << 8) : (head[28] | head[29] << 8);
    unsigned __int128 rows = (unsigned __int128)(((uint64_t)width * bits + 31) / 32 * 4) * (uint32_t)height;
    if (width < 1 || height < 1 || pixelsAt < 26 || rows + pixelsAt > fileBytes) abort();
    return 0;
}
