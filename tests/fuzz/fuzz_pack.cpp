// Fuzzes the directory walk and member lookup on arbitrary pack images held in memory. Every
// member reported must lie inside the image, and unscrambling it must touch only the image's bytes
// (AddressSanitizer reports any read past the copy of the input).
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "pack/pack_format.h"

static PackEntry entries[PACK_MAX_MEMBERS];

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<uint8_t> image(data, data + size);  // an exact-size heap copy: ASan sees its end
    int32_t count = ReadPackDirectory(image.data(), image.size(), entries);
    if (count > PACK_MAX_MEMBERS) abort();
    std::vector<uint8_t> plain;
    for (int32_t i = 0; i < count; i++) {
        if ((uint64_t)entries[i].offset + entries[i].size > size) abort();
        if (strlen(entries[i].name) >= PACK_NAME_BYTES) abort();
        plain.resize(entries[i].size);
        UnscramblePackData(plain.data(), image.data() + entries[i].offset, entries[i].size);
    }
    // Look up each member's name upper-cased, and one name that is rarely there.
    std::vector<std::string> requests = {"game.ini"};
    for (int32_t i = 0; i < count; i++) {
        std::string upper = entries[i].name;
        for (char &c : upper) {
            if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        }
        requests.push_back(upper);
    }
    for (const std::string &request : requests) {
        int32_t index = FindPackMember(image.data(), image.size(), request.c_str(), entries);
        if (index < -1 || (index >= 0 && index >= count)) abort();
        if (index < 0) continue;
        std::string found = entries[index].name, wanted = request;
        FoldPackName(&found[0]);
        FoldPackName(&wanted[0]);
        if (found != wanted) abort();
        plain.resize(entries[index].size);
        UnscramblePackData(plain.data(), image.data() + entries[index].offset, entries[index].size);
    }
    // Every member found by its own name must be found (the first of equal folded names).
    if (count > 0 && FindPackMember(image.data(), image.size(), requests[1].c_str(), entries) < 0) abort();
    return 0;
}
