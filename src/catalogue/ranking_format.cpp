// Packing and scrambling of the registration packet. All byte arithmetic is modulo 256, so the
// digits depend on nothing but the packet and its key.
#include "catalogue/ranking_format.h"
#include <string.h>

static const char HexDigits[] = "0123456789ABCDEF";
static const char UserQuery[] = "?user=";

enum {
    AT_SHELL_VERSION = 7, AT_USER_ID = 8, AT_GAME_ID = 12, AT_VERSION = 16, AT_TOP_SCORE = 17,
    AT_ZUMI_TOTAL = 21, AT_MIDDLE = 25, AT_CHECKSUM = 29, AT_TAIL = 33,
};

static void PutLittleEndian(uint8_t *at, uint32_t value) {
    for (int i = 0; i < 4; i++) at[i] = (uint8_t)(value >> (8 * i));
}

void PackRankingPacket(const RankingPacketFields *fields, uint8_t *packet) {
    memcpy(packet, fields->head, sizeof fields->head);
    packet[AT_SHELL_VERSION] = fields->shellVersion;
    PutLittleEndian(packet + AT_USER_ID, fields->userId);
    memcpy(packet + AT_GAME_ID, fields->gameId, RANKING_GAME_ID_BYTES);
    packet[AT_VERSION] = fields->version;
    PutLittleEndian(packet + AT_TOP_SCORE, fields->topScore);
    PutLittleEndian(packet + AT_ZUMI_TOTAL, (uint32_t)fields->zumiTotal);
    memcpy(packet + AT_MIDDLE, fields->middle, sizeof fields->middle);
    packet[RANKING_KEY_AT] = 0;
    uint32_t sum = 0;
    for (int j = 0; j < RANKING_KEY_AT; j++) sum += packet[j];
    PutLittleEndian(packet + AT_CHECKSUM, sum);
    memcpy(packet + AT_TAIL, fields->tail, sizeof fields->tail);
}

void PutRankingGameId(char *field, const char *id, size_t idSize) {
    memset(field, 0, RANKING_GAME_ID_BYTES);
    for (size_t i = 0; i < RANKING_GAME_ID_BYTES && i < idSize && id[i]; i++) field[i] = id[i];
}

// Byte j goes out as (byte XOR key) + (j + 1) * key, high digit first; the key's own byte is
// only XORed, so that zero shows the key.
static void WriteRankingDigits(char *digits, const uint8_t *packet, uint8_t key) {
    for (int j = 0; j < RANKING_PACKET_BYTES; j++) {
        uint8_t y = (uint8_t)(packet[j] ^ key);
        if (j != RANKING_KEY_AT) y = (uint8_t)(y + (uint32_t)(j + 1) * key);
        digits[2 * j] = HexDigits[y >> 4];
        digits[2 * j + 1] = HexDigits[y & 15];
    }
}

int ComposeRankingAddress(char *address, size_t size, const char *base, size_t baseSize,
                          const uint8_t *packet, uint8_t key) {
    const char *end = (const char *)memchr(base, 0, baseSize);
    size_t baseLength = end ? (size_t)(end - base) : baseSize;
    size_t total = baseLength + sizeof UserQuery - 1 + RANKING_DIGITS + 1;
    if (size > 0) address[0] = 0;
    if (baseLength > RANKING_BASE_MAX_BYTES || total > size) return 0;
    memcpy(address, base, baseLength);
    memcpy(address + baseLength, UserQuery, sizeof UserQuery - 1);
    WriteRankingDigits(address + baseLength + sizeof UserQuery - 1, packet, key);
    address[total - 1] = 0;
    return 1;
}
