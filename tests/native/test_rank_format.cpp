// The cut of Shift-JIS texts to their fields and the top-ten insertion.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "base/text_format.h"
#include "catalogue/rank_format.h"

// Each field starts full of stale bytes: the whole field is compared, so none may survive.
TEST(TextFormat, CutNeverSplitsACharacterAndZeroFillsTheField) {
    struct Case { std::string from; size_t fromSize, toSize; std::string field; } cases[] = {
        {std::string("ab\x83\0zz", 6), 6, 6, std::string("ab\0\0\0\0", 6)},  // lead byte before the terminator
        {"abc\x83\x41", 4, 6, std::string("abc\0\0\0", 6)},  // lead byte at the end of the source
        {"a\x83\x41" "b", 4, 4, std::string("a\x83\x41\0", 4)},
        {"a\x83\x41" "b", 4, 3, std::string("a\0\0", 3)},     // no room for both bytes
        {"a\x83 b", 4, 5, std::string("a\0\0\0\0", 5)},      // a lead byte without its trail
        {"\xE0\xFC\xA1z", 4, 5, std::string("\xE0\xFC\xA1z", 4) + '\0'},  // one-byte katakana after a pair
        {"abcdef", 6, 4, std::string("abc\0", 4)},
        {"", 0, 3, std::string("\0\0\0", 3)},
    };
    for (const Case &c : cases) {
        char field[8];
        memset(field, 'X', sizeof field);
        size_t copied = CutText(field, c.toSize, c.from.data(), c.fromSize);
        EXPECT_EQ(std::string(field, c.toSize), c.field) << c.from;
        EXPECT_EQ(copied, strlen(c.field.c_str())) << c.from;
        EXPECT_EQ(field[c.toSize], 'X') << "wrote past the field: " << c.from;
    }
}

// The byte ranges at each end, and one byte past: 81 40 is the ideographic space, 7F no trail byte.
TEST(TextFormat, LeadAndTrailBytesAtTheirBounds) {
    struct { uint8_t byte; int lead, trail; } cases[] = {
        {0x3F, 0, 0}, {0x40, 0, 1}, {0x7E, 0, 1}, {0x7F, 0, 0}, {0x80, 0, 1}, {0x81, 1, 1},
        {0x9F, 1, 1}, {0xA0, 0, 1}, {0xDF, 0, 1}, {0xE0, 1, 1}, {0xFC, 1, 1}, {0xFD, 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(IsShiftJisLead(c.byte), c.lead) << std::hex << (int)c.byte;
        EXPECT_EQ(IsShiftJisTrail(c.byte), c.trail) << std::hex << (int)c.byte;
    }
}

// A source is read no further than its size, even where more text follows it or where it has no
// terminator: each source here is a copy of exactly fromSize bytes, so the sanitizer sees any read
// past its end.
TEST(TextFormat, CutReadsNoFurtherThanTheSourcesSize) {
    struct Case { const char *from; size_t fromSize, toSize; std::string field; } cases[] = {
        {"abcd", 2, 6, std::string("ab\0\0\0\0", 6)},
        {"ab", 2, 3, std::string("ab\0", 3)},
        {"a\x83", 2, 4, std::string("a\0\0\0", 4)},  // a lead byte is the source's last
        {"\x83\x41", 2, 3, std::string("\x83\x41\0", 3)},
    };
    for (const Case &c : cases) {
        std::vector<char> source(c.from, c.from + c.fromSize);
        char field[8];
        memset(field, 'X', sizeof field);
        EXPECT_EQ(CutText(field, c.toSize, source.data(), c.fromSize), strlen(c.field.c_str())) << c.from;
        EXPECT_EQ(std::string(field, c.toSize), c.field) << c.from;
    }
    char field[6];
    EXPECT_EQ(CutText(field, sizeof field, "abcd", 2), 2u);
    EXPECT_EQ(std::string(field, sizeof field), std::string("ab\0\0\0\0", 6));
}

// Scores, labels and names move together; an equal score goes above, the tenth drops out.
TEST(RankFormat, TopTenInsertion) {
    char names[TOP_TEN][RANK_NAME_BYTES] = {}, labels[TOP_TEN][RANK_LABEL_BYTES] = {};
    uint32_t scores[TOP_TEN] = {500, 400, 400, 300, 200, 100, 90, 80, 70, 60};
    for (int i = 0; i < TOP_TEN; i++) snprintf(names[i], RANK_NAME_BYTES, "n%u", scores[i]);
    TopTenTable table = {names, scores, labels};
    const char *you = "\x82\xA0\x82\xC8\x82\xBD", *points = "400\x82\xC4\x82\xF1";  // Shift-JIS
    EXPECT_EQ(InsertTopTen(table, 400, points, 20, you, 20), 1);
    uint32_t after[TOP_TEN] = {500, 400, 400, 400, 300, 200, 100, 90, 80, 70};
    EXPECT_EQ(memcmp(scores, after, sizeof after), 0);
    EXPECT_STREQ(names[1], you);
    EXPECT_STREQ(names[2], "n400");
    EXPECT_STREQ(names[9], "n70");
    EXPECT_STREQ(labels[1], points);
    EXPECT_EQ(InsertTopTen(table, 70, "", 1, "last", 5), 9);
    EXPECT_STREQ(names[9], "last");
    EXPECT_EQ(InsertTopTen(table, 69, "", 1, "none", 5), -1);
    EXPECT_EQ(InsertTopTen(table, 4000000000u, "", 1, "top", 4), 0);
    EXPECT_EQ(scores[9], 80u);
    uint32_t empty[TOP_TEN] = {};
    EXPECT_EQ(TopTenPlace(empty, 0), -1);
    EXPECT_EQ(TopTenPlace(empty, 1), 0);
}
