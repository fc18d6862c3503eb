// Top-ten insertion and the Shift-JIS cut with any table, score and texts. The table after an
// insertion must equal a plain list insertion; every cut field holds a whole-character prefix of its
// text that no further character would fit, zero-filled to its end. Texts are exact-size heap
// copies without terminator, so ASan sees any read past them.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <vector>
#include "base/text_format.h"
#include "catalogue/rank_format.h"

namespace {
bool Lead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool Trail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The width of the character at `at` of the text, 0 when the text ends there.
size_t Width(const std::vector<char> &text, size_t at) {
    if (at >= text.size() || text[at] == 0) return 0;
    if (!Lead((uint8_t)text[at])) return 1;
    return at + 1 < text.size() && Trail((uint8_t)text[at + 1]) ? 2 : 0;
}

void CheckCut(const char *field, size_t fieldSize, const std::vector<char> &text) {
    size_t length = 0;
    while (size_t w = Width(text, length)) {
        if (length + w > fieldSize - 1) break;
        length += w;
    }
    if (memcmp(field, text.data(), length) != 0) abort();
    for (size_t i = length; i < fieldSize; i++)
        if (field[i]) abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 45) return 0;
    uint32_t scores[TOP_TEN], score;
    memcpy(scores, data, sizeof scores);
    memcpy(&score, data + 40, 4);
    std::sort(scores, scores + TOP_TEN, std::greater<uint32_t>());
    size_t split = std::min<size_t>(data[44], size - 45);
    std::vector<char> label(data + 45, data + 45 + split), name(data + 45 + split, data + size);

    char names[TOP_TEN][RANK_NAME_BYTES], labels[TOP_TEN][RANK_LABEL_BYTES];
    for (int i = 0; i < TOP_TEN; i++) {
        memset(names[i], 'a' + i, RANK_NAME_BYTES);
        memset(labels[i], 'A' + i, RANK_LABEL_BYTES);
    }
    std::vector<uint32_t> expected(scores, scores + TOP_TEN);
    size_t place = std::find_if(expected.begin(), expected.end(), [&](uint32_t s) { return s <= score; }) - expected.begin();
    int rank = score == 0 || place == TOP_TEN ? -1 : (int)place;
    if (rank >= 0) expected.insert(expected.begin() + rank, score);
    TopTenTable table = {names, scores, labels};
    if (InsertTopTen(table, score, label.data(), label.size(), name.data(), name.size()) != rank) abort();
    if (!std::equal(scores, scores + TOP_TEN, expected.begin())) abort();
    for (int i = 0; i < TOP_TEN; i++) {
        if (i == rank) continue;
        int was = rank >= 0 && i > rank ? i - 1 : i;
        if (names[i][0] != 'a' + was || labels[i][RANK_LABEL_BYTES - 1] != 'A' + was) abort();
    }
    if (rank >= 0) {
        CheckCut(names[rank], RANK_NAME_BYTES, name);
        CheckCut(labels[rank], RANK_LABEL_BYTES, label);
    }
    return 0;
}
