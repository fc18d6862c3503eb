// The registration packet that carries a game's top score to the ranking page, and the address
// that carries the packet: 42 bytes, scrambled under a packet key R into 84 upper-case hexadecimal
// digits after "?user=". The key byte (offset 28) always holds zero, so its two digits (56 and 57)
// show R itself and the page can undo the rest. Portable: no Windows header.
#ifndef ROBINA_RANKING_FORMAT_H
#define ROBINA_RANKING_FORMAT_H

#include <stddef.h>
#include <stdint.h>

enum {
    RANKING_PACKET_BYTES = 42,
    RANKING_DIGITS = 2 * RANKING_PACKET_BYTES,
    RANKING_KEY_AT = 28,          // the zero byte whose digits carry R
    RANKING_KEY_LOW = 41,         // R is drawn from RANKING_KEY_LOW..RANKING_KEY_HIGH
    RANKING_KEY_HIGH = 184,
    RANKING_GAME_ID_BYTES = 4,    // the first bytes of the game id, zero-padded
    RANKING_BASE_MAX_BYTES = 250, // longest base address a developer may set
    // base, "?user=", the digits and the final zero
    RANKING_ADDRESS_BYTES = RANKING_BASE_MAX_BYTES + 6 + RANKING_DIGITS + 1,
};

// What the packet says, and the random bytes around it, in packet order.
typedef struct RankingPacketFields {
    uint8_t head[7];                        // random
    uint8_t shellVersion;                   // low byte of the shell's version
    uint32_t userId;
    char gameId[RANKING_GAME_ID_BYTES];     // the id's first bytes; a shorter id is zero-padded
    uint8_t version;                        // the game's version
    uint32_t topScore;                      // score of rank 1
    int32_t zumiTotal;                      // the player's collected total
    uint8_t middle[3];                      // random
    uint8_t tail[9];                        // random
} RankingPacketFields;

#ifdef __cplusplus
extern "C" {
#endif

// Lays the fields out little-endian, with the zero byte and the sum of bytes 0 to 27 after them.
void PackRankingPacket(const RankingPacketFields *fields, uint8_t *packet);
// Copies the first bytes of a game id of at most idSize bytes, zero-padding a shorter one.
void PutRankingGameId(char *field, const char *id, size_t idSize);
// Writes base (at most baseSize bytes, cut at its zero), "?user=" and the 84 digits of the packet
// under key into address, zero-terminated. 0, and address empty, when the base is longer than
// RANKING_BASE_MAX_BYTES or the whole does not fit size bytes.
int ComposeRankingAddress(char *address, size_t size, const char *base, size_t baseSize,
                          const uint8_t *packet, uint8_t key);

#ifdef __cplusplus
}
#endif

#endif
