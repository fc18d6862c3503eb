// The registration packet and its address: field places, the checksum, digits worked out by hand,
// the key's own digits under every key, and the limits of the base.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "catalogue/ranking_format.h"

static std::string Compose(const uint8_t *packet, uint8_t key, const std::string &base, size_t size = 400) {
    std::vector<char> address(size + 1, '#');
    int fits = ComposeRankingAddress(address.data(), size, base.c_str(), base.size() + 1, packet, key);
    return (fits ? "" : "refused:") + std::string(address.data());
}

TEST(RankingPacket, FieldsLieLittleEndianWithTheSumOfTheFirst28BytesAfterTheZero) {
    RankingPacketFields f = {{1, 2, 3, 4, 5, 6, 7}, 104, 0x12345678, {}, 123, 2990, -2, {8, 9, 10}, {11, 12, 13}};
    PutRankingGameId(f.gameId, "balloon", 20);
    uint8_t p[RANKING_PACKET_BYTES];
    PackRankingPacket(&f, p);
    const std::vector<uint8_t> head = {1, 2, 3, 4, 5, 6, 7, 104, 0x78, 0x56, 0x34, 0x12, 'b', 'a', 'l', 'l', 123,
                                       0xAE, 0x0B, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 8, 9, 10, 0};
    EXPECT_EQ(std::vector<uint8_t>(p, p + 29), head);
    // sum 2173 = 0x87D, then the tail
    EXPECT_EQ(std::vector<uint8_t>(p + 29, p + 42), std::vector<uint8_t>({0x7D, 0x08, 0, 0, 11, 12, 13, 0, 0, 0, 0, 0, 0}));
    PutRankingGameId(f.gameId, "abcdef", 3);  // a shorter id is zero-padded
    EXPECT_EQ(std::string(f.gameId, 4), std::string("abc\0", 4));
}

TEST(RankingAddress, DigitsAreScrambledUnderTheKeyWhichStandsAtDigits56And57) {
    uint8_t p[RANKING_PACKET_BYTES] = {0, 0xFF};
    // byte 0: (0 ^ 41) + 1*41 = 0x52; byte 1: (0xFF ^ 41) + 2*41 = 0x128; byte 41: 41 + 42*41 = 0x6E3
    std::string a = Compose(p, 41, "http://h/r");
    EXPECT_EQ(a.substr(0, 20), "http://h/r?user=5228");
    EXPECT_EQ(a.substr(16 + 56, 2) + a.substr(a.size() - 2), "29E3");
    for (int key = RANKING_KEY_LOW; key <= RANKING_KEY_HIGH; key++) {
        std::string digits = Compose(p, (uint8_t)key, "").substr(6);
        ASSERT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        ASSERT_EQ(std::stoi(digits.substr(56, 2), nullptr, 16) + (int)digits.size() * 1000, key + 84000);
    }
    EXPECT_EQ(Compose(p, 41, std::string(250, 'x')).size(), 340u);
    EXPECT_EQ(Compose(p, 41, std::string(251, 'x')), "refused:");
    EXPECT_EQ(Compose(p, 41, "ab", 92), "refused:");  // no room for the final zero
    EXPECT_EQ(Compose(p, 41, "ab", 93).size(), 92u);
}
