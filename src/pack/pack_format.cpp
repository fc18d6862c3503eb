// RVPX image reading and writing for both the program and the packing tool. Reading never trusts
// the image: every field is checked against the image's size before it is used, so a damaged pack
// comes out as "no such member" and never as a read past its end.
#include "pack/pack_format.h"
#include "base/text_format.h"
#include <string.h>

static uint32_t ReadWord(const uint8_t *at) {
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

static void WriteWord(uint8_t *at, uint32_t value) {
    for (int i = 0; i < 4; i++) at[i] = (uint8_t)(value >> (8 * i));
}

void FoldPackName(char *name) {
    for (; *name; name++) {
        if (*name >= 'A' && *name <= 'Z') *name = (char)(*name - 'A' + 'a');
    }
}

// Reads one stored name at image[*at...] into name; 0 when no terminator comes within
// PACK_NAME_BYTES bytes or before the end of the image.
static int ReadStoredName(const uint8_t *image, size_t size, size_t *at, char *name) {
    for (size_t n = 0; n < PACK_NAME_BYTES && *at < size; n++) {
        uint8_t plain = (uint8_t)(image[(*at)++] - PACK_NAME_KEY);
        name[n] = (char)plain;
        if (plain == 0) return 1;
    }
    return 0;
}

int32_t ReadPackDirectory(const uint8_t *image, size_t size, PackEntry *entries) {
    if (!image || size < PACK_HEADER_BYTES) return -1;
    int32_t count = (int32_t)ReadWord(image + 4);
    if (count <= 0) return 0;
    if (count > PACK_MAX_MEMBERS) return -1;
    size_t at = PACK_HEADER_BYTES;
    for (int32_t i = 0; i < count; i++) {
        if (size - at < 4) return -1;
        entries[i].size = ReadWord(image + at);
        at += 4;
        if (!ReadStoredName(image, size, &at, entries[i].name)) return -1;
    }
    // Positions follow from the sizes alone; each member must end inside the image.
    uint64_t offset = at;
    for (int32_t i = 0; i < count; i++) {
        if (offset > UINT32_MAX || entries[i].size > size - offset) return -1;
        entries[i].offset = (uint32_t)offset;
        offset += entries[i].size;
    }
    return count;
}

int32_t FindPackMember(const uint8_t *image, size_t size, const char *request, PackEntry *entries) {
    char wanted[PACK_NAME_BYTES];
    size_t length = strlen(request);
    if (length >= PACK_NAME_BYTES) return -1;
    memcpy(wanted, request, length + 1);
    FoldPackName(wanted);
    int32_t count = ReadPackDirectory(image, size, entries);
    for (int32_t i = 0; i < count; i++) {
        char stored[PACK_NAME_BYTES];
        memcpy(stored, entries[i].name, sizeof stored);
        FoldPackName(stored);
        if (strcmp(stored, wanted) == 0) return i;
    }
    return -1;
}

void ScramblePackData(uint8_t *out, const uint8_t *in, size_t count) {
    for (size_t i = 0; i < count; i++) out[i] = (uint8_t)(in[i] + PACK_DATA_KEY);
}

void UnscramblePackData(uint8_t *out, const uint8_t *in, size_t count) {
    for (size_t i = 0; i < count; i++) out[i] = (uint8_t)(in[i] - PACK_DATA_KEY);
}

int ValidPackName(const char *name, const char **why) {
    size_t length = strlen(name);
    if (length == 0) {
        *why = "empty name";
        return 0;
    }
    if (length >= PACK_NAME_BYTES) {
        *why = "name longer than 259 bytes";
        return 0;
    }
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
        *why = "name is a folder reference";
        return 0;
    }
    // The second byte of a Shift-JIS character may be 0x5C; only a real backslash is a separator.
    // A lead byte followed by anything but a trail byte stands alone, so '/' and ':' after it are
    // separators as anywhere else.
    for (size_t i = 0; i < length; i++) {
        uint8_t byte = (uint8_t)name[i];
        if (IsShiftJisLead(byte) && IsShiftJisTrail((uint8_t)name[i + 1])) {
            i++;
        } else if (byte == '/' || byte == '\\' || byte == ':') {
            *why = "name has a folder part";
            return 0;
        }
    }
    return 1;
}

size_t PackDirectoryBytes(const char *const *names, int32_t count) {
    size_t bytes = PACK_HEADER_BYTES;
    for (int32_t i = 0; i < count; i++) bytes += 4 + strlen(names[i]) + 1;
    return bytes;
}

size_t WritePackDirectory(uint8_t *image, const char *const *names, const uint32_t *sizes,
                          int32_t count) {
    memcpy(image, "RVPX", 4);
    WriteWord(image + 4, (uint32_t)count);
    size_t at = PACK_HEADER_BYTES;
    for (int32_t i = 0; i < count; i++) {
        WriteWord(image + at, sizes[i]);
        at += 4;
        for (const char *c = names[i];; c++) {
            image[at++] = (uint8_t)((uint8_t)*c + PACK_NAME_KEY);
            if (!*c) break;
        }
    }
    return at;
}
