// Registration addresses from any base text, buffer size, packet and key: the address never runs
// past its buffer or the base's bytes, and when it fits it holds the base, "?user=" and 84
// upper-case digits whose pair 56-57 is the key.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "catalogue/ranking_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < sizeof(RankingPacketFields) + 3) return 0;
    RankingPacketFields fields;
    memcpy(&fields, data, sizeof fields);
    uint8_t key = data[sizeof fields];
    size_t addressSize = data[sizeof fields + 1] | (size_t)data[sizeof fields + 2] << 8;
    data += sizeof fields + 3;
    size -= sizeof fields + 3;
    uint8_t packet[RANKING_PACKET_BYTES];
    PackRankingPacket(&fields, packet);
    std::vector<char> base(data, data + size);  // exactly its bytes, terminated or not
    std::vector<char> address(addressSize);
    if (!ComposeRankingAddress(address.data(), addressSize, base.data(), base.size(), packet, key)) {
        if (addressSize > 0 && address[0] != 0) abort();
        return 0;
    }
    size_t length = strlen(address.data());
    if (length < 90 || memcmp(address.data() + length - 90, "?user=", 6) != 0) abort();
    const char *digits = address.data() + length - 84;
    if (strspn(digits, "0123456789ABCDEF") != 84) abort();
    if (strtol(std::string(digits + 56, 2).c_str(), nullptr, 16) != key) abort();
    return 0;
}
