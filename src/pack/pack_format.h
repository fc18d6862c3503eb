// The RVPX pack image, shared by the program's reader and the host packing tool: header, directory
// of scrambled names, member data stored with the data key. Plain C records, no Windows header.
// A pack image is only ever read through ReadPackDirectory, which checks every bound first.
#ifndef ROBINA_PACK_FORMAT_H
#define ROBINA_PACK_FORMAT_H

#include <stddef.h>
#include <stdint.h>

enum {
    PACK_HEADER_BYTES = 8,     // magic "RVPX" and the signed member count
    PACK_MAX_MEMBERS = 256,    // slots of the reader's directory table
    PACK_NAME_BYTES = 260,     // longest stored name (259 bytes) plus its terminator
    PACK_NAME_KEY = 0xA7,      // stored name byte = plain byte + this key, modulo 256
    PACK_DATA_KEY = 0x3D       // stored data byte = plain byte + this key, modulo 256
};

// One member as found in a directory.
typedef struct PackEntry {
    uint32_t size;                 // bytes of member data
    uint32_t offset;               // from the start of the image to the member's first byte
    char name[PACK_NAME_BYTES];    // plain name as stored (not folded), zero-terminated
} PackEntry;

// Lower-cases A to Z in place; every other byte, Shift-JIS bytes included, stays as it is.
void FoldPackName(char *name);

// Walks the directory of the image into entries (room for PACK_MAX_MEMBERS). Returns the number of
// members (0 for a count of 0 or less), or -1 when the image is damaged: shorter than its header,
// more than PACK_MAX_MEMBERS members, a name without terminator within PACK_NAME_BYTES, or a
// directory or member data running past the end of the image.
int32_t ReadPackDirectory(const uint8_t *image, size_t size, PackEntry *entries);

// Index into entries (filled as by ReadPackDirectory) of the first member whose folded name equals
// the folded request, or -1 when there is none or the image is damaged.
int32_t FindPackMember(const uint8_t *image, size_t size, const char *request, PackEntry *entries);

// Data scrambling in either direction; in and out may be the same buffer.
void ScramblePackData(uint8_t *out, const uint8_t *in, size_t count);
void UnscramblePackData(uint8_t *out, const uint8_t *in, size_t count);

// 1 when name can be a member name: 1 to 259 bytes, no folder part ('/', '\\' or ':' outside a
// Shift-JIS double-byte character), not "." or "..". Otherwise 0 and *why says what is wrong.
int ValidPackName(const char *name, const char **why);

// Bytes of the header and directory of a pack with these member names (each a valid name).
size_t PackDirectoryBytes(const char *const *names, int32_t count);

// Writes the header and directory into image (PackDirectoryBytes long); member data goes right
// after it, scrambled, in the same order. Returns the number of bytes written.
size_t WritePackDirectory(uint8_t *image, const char *const *names, const uint32_t *sizes,
                          int32_t count);

#endif
