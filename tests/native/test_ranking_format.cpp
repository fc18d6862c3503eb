// The registration packet and its address: where each field lies, the checksum, the scrambling of
// single bytes under a key (worked out by hand), the key's own digits, and the limits of the base.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "catalogue/ranking_format.h"

namespace {
RankingPacketFields Sample() {
    RankingPacketFields f = {};
    for (int i = 0; i < 7; i++) f.head[i] = (uint8_t)(0xA0 + i);
    f.shellVersion = 104;
    f.userId = 0x12345678;
    PutRankingGameId(f.gameId, "balloon", 20);
    f.version = 123;
    f.topScore = 2990;
    f.zumiTotal = -2;
    for (int i = 0; i < 3; i++) f.middle[i] = (uint8_t)(0xC0 + i);
    for (int i = 0; i < 9; i++) f.tail[i] = (uint8_t)(0xD0 + i);
    return f;
}

std::string Compose(const uint8_t *packet, uint8_t key, const std::string &base, size_t size = RANKING_ADDRESS_BYTES) {
    std::vector<char> address(size + 1, '#');
    int fits = ComposeRankingAddress(address.data(), size, base.c_str(), base.size() + 1, packet, key);
    return fits ? std::string(address.data()) : "refused:" + std::string(address.data());
}
}  // namespace

TEST(RankingPacket, FieldsLieLittleEndianWithTheSumOfTheFirst28BytesAfterTheZero) {
    RankingPacketFields f = Sample();
    uint8_t p[RANKING_PACKET_BYTES];
    PackRankingPacket(&f, p);
    const std::vector<uint8_t> expected = {
        0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 104, 0x78, 0x56, 0x34, 0x12, 'b', 'a', 'l', 'l', 123,
        0xAE, 0x0B, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xC0, 0xC1, 0xC2, 0};
    ASSERT_EQ(std::vector<uint8_t>(p, p + 29), expected);
    uint32_t sum = 0;
    for (uint8_t b : expected) sum += b;
    EXPECT_EQ(p[29] | p[30] << 8 | p[31] << 16 | (uint32_t)p[32] << 24, sum);
    for (int i = 0; i < 9; i++) EXPECT_EQ(p[33 + i], 0xD0 + i);

    char id[RANKING_GAME_ID_BYTES];
    PutRankingGameId(id, "ab", 20);
    EXPECT_EQ(std::string(id, 4), std::string("ab\0\0", 4));
    PutRankingGameId(id, "abcdef", 3);  // never beyond the id's own bytes
    EXPECT_EQ(std::string(id, 4), std::string("abc\0", 4));
}

TEST(RankingAddress, EightyFourUpperCaseDigitsWithTheKeyAtDigits56And57) {
    uint8_t zero[RANKING_PACKET_BYTES] = {};
    // byte 0: (0 XOR 41) + 1*41 = 0x52; byte 28: 41 = 0x29; byte 41: 41 + 42*41 = 1763 = 0xE3 mod 256
    std::string a = Compose(zero, 41, "http://h/r");
    ASSERT_EQ(a.size(), 10u + 6 + 84);
    EXPECT_EQ(a.substr(0, 18), "http://h/r?user=52");
    EXPECT_EQ(a.substr(16 + 56, 2), "29");
    EXPECT_EQ(a.substr(a.size() - 2), "E3");
    // byte 1 = 0xFF under 184: (0xFF XOR 0xB8) + 2*184 = 0x47 + 0x170 = 0x1B7 -> 0xB7
    uint8_t one[RANKING_PACKET_BYTES] = {0, 0xFF};
    EXPECT_EQ(Compose(one, 184, "").substr(8, 2), "B7");
    for (int key = RANKING_KEY_LOW; key <= RANKING_KEY_HIGH; key++) {
        std::string digits = Compose(one, (uint8_t)key, "").substr(6);
        ASSERT_EQ(digits.size(), 84u);
        ASSERT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        ASSERT_EQ(std::stoi(digits.substr(56, 2), nullptr, 16), key);
    }
}

TEST(RankingAddress, BasesUpTo250BytesFitAndLongerOnesOrSmallBuffersAreRefused) {
    uint8_t zero[RANKING_PACKET_BYTES] = {};
    EXPECT_EQ(Compose(zero, 41, std::string(250, 'x')).size(), 250u + 90);
    EXPECT_EQ(Compose(zero, 41, std::string(251, 'x')), "refused:");
    EXPECT_EQ(Compose(zero, 41, "ab", 2 + 90), "refused:");  // no room for the final zero
    EXPECT_EQ(Compose(zero, 41, "ab", 2 + 91).size(), 92u);
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    char address[RANKING_ADDRESS_BYTES];
    ASSERT_EQ(ComposeRankingAddress(address, sizeof address, unterminated, 3, zero, 41), 1);
    EXPECT_EQ(std::string(address).substr(0, 9), "abc?user=");
}
