// rvpx: makes, lists and unpacks RVPX packs (the program's resource pack and game files), on Linux and,
// as rvpx.exe, on Windows for game authors there (the same packs from the same inputs).
// A pack is written only after every input was read and every name checked, so a refused run
// leaves no file behind; extraction writes only names without a folder part.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "base/text_format.h"
#include "pack/pack_format.h"

static const char USAGE[] =
    "usage: rvpx create OUT FILE...\n"
    "       rvpx list PACK\n"
    "       rvpx extract PACK [-C DIR] [MEMBER...]\n"
    "\n"
    "Makes and reads RVPX packs: the program's resource pack and game files (.vyg).\n"
    "\n"
    "  create   writes the pack OUT holding each FILE, in the order given, as a member named\n"
    "           by the file's base name. At most 256 members; names of 1 to 259 bytes without\n"
    "           a folder part; names must differ in more than letter case (lookups ignore the\n"
    "           case of A to Z).\n"
    "  list     prints one line per member in directory order: its size in bytes and its name.\n"
    "  extract  writes the named members (all members when none is named) into DIR (default:\n"
    "           the current folder) under their stored names. Members are looked up as the\n"
    "           program does: A to Z match either case, the first of equal names wins.\n"
    "\n"
    "Exit status: 0 on success, 1 when something was refused or failed, 2 for a usage error.\n";

static int Fail(const char *what, const char *detail) {
    fprintf(stderr, "rvpx: %s: %s\n", what, detail);
    return 1;
}

static int ReadWholeFile(const char *path, std::vector<uint8_t> *bytes) {
    FILE *file = fopen(path, "rb");
    if (!file) return 0;
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    int ok = !ferror(file);
    fclose(file);
    return ok;
}

static int WriteWholeFile(const char *path, const uint8_t *bytes, size_t count) {
    FILE *file = fopen(path, "wb");
    if (!file) return 0;
    int ok = fwrite(bytes, 1, count, file) == count;
    ok = (fclose(file) == 0) && ok;
    if (!ok) remove(path);
    return ok;
}

static std::string Folded(const char *name) {
    std::string folded(name);
    FoldPackName(&folded[0]);
    return folded;
}

// A member is named by its file's base name. On Windows a path also parts at '\\' and at a drive's
// ':', and a 0x5C that is the second byte of a Shift-JIS character is no separator.
static const char *BaseName(const char *path) {
    const char *base = path;
    for (const char *at = path; *at; at++) {
#ifdef _WIN32
        if (IsShiftJisLead((uint8_t)at[0]) && IsShiftJisTrail((uint8_t)at[1])) {
            at++;
            continue;
        }
        if (*at == '\\' || *at == ':') base = at + 1;
#endif
        if (*at == '/') base = at + 1;
    }
    return base;
}

static int CreatePack(const char *out, int count, char **files) {
    if (count > PACK_MAX_MEMBERS) return Fail(out, "more than 256 members");
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> contents((size_t)count);
    for (int i = 0; i < count; i++) {
        names.push_back(BaseName(files[i]));
        const char *why = 0;
        if (!ValidPackName(names[i].c_str(), &why)) return Fail(files[i], why);
        for (int j = 0; j < i; j++) {
            if (Folded(names[j].c_str()) == Folded(names[i].c_str())) {
                return Fail(files[i], ("same name as " + std::string(files[j]) +
                                       " when letter case is ignored").c_str());
            }
        }
        if (!ReadWholeFile(files[i], &contents[i])) return Fail(files[i], "cannot read file");
        if (contents[i].size() > UINT32_MAX) return Fail(files[i], "file larger than 4 GB");
    }
    std::vector<const char *> namePointers;
    std::vector<uint32_t> sizes;
    size_t total = 0;
    for (int i = 0; i < count; i++) {
        namePointers.push_back(names[i].c_str());
        sizes.push_back((uint32_t)contents[i].size());
        total += contents[i].size();
    }
    size_t directory = PackDirectoryBytes(namePointers.data(), count);
    if (directory + total > UINT32_MAX) return Fail(out, "pack larger than 4 GB");
    std::vector<uint8_t> image(directory + total);
    size_t at = WritePackDirectory(image.data(), namePointers.data(), sizes.data(), count);
    for (int i = 0; i < count; i++) {
        ScramblePackData(image.data() + at, contents[i].data(), contents[i].size());
        at += contents[i].size();
    }
    if (!WriteWholeFile(out, image.data(), image.size())) return Fail(out, strerror(errno));
    printf("%s: %d members, %zu bytes\n", out, count, image.size());
    return 0;
}

// Reads a pack and its directory; 0 (with a message) when it cannot be read or is damaged.
static int LoadPack(const char *path, std::vector<uint8_t> *image, std::vector<PackEntry> *entries,
                    int32_t *count) {
    if (!ReadWholeFile(path, image)) {
        Fail(path, "cannot read file");
        return 0;
    }
    entries->resize(PACK_MAX_MEMBERS);
    *count = ReadPackDirectory(image->data(), image->size(), entries->data());
    if (*count < 0) {
        Fail(path, "not an RVPX pack, or damaged");
        return 0;
    }
    return 1;
}

static int ListPack(const char *path) {
    std::vector<uint8_t> image;
    std::vector<PackEntry> entries;
    int32_t count;
    if (!LoadPack(path, &image, &entries, &count)) return 1;
    for (int32_t i = 0; i < count; i++) printf("%10u  %s\n", entries[i].size, entries[i].name);
    return 0;
}

static int ExtractOne(const std::vector<uint8_t> &image, const PackEntry &entry, const std::string &dir) {
    const char *why = 0;
    if (!ValidPackName(entry.name, &why)) return Fail(entry.name, why);
    std::string path = dir + "/" + entry.name;
    std::vector<uint8_t> plain(entry.size);
    UnscramblePackData(plain.data(), image.data() + entry.offset, entry.size);
    if (!WriteWholeFile(path.c_str(), plain.data(), plain.size())) return Fail(path.c_str(), strerror(errno));
    return 0;
}

static int ExtractPack(int argc, char **argv) {
    const char *pack = argv[0];
    std::string dir = ".";
    std::vector<const char *> wanted;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "-C") == 0) {
            if (++i == argc) return Fail("-C", "needs a folder");
            dir = argv[i];
        } else {
            wanted.push_back(argv[i]);
        }
    }
    std::vector<uint8_t> image;
    std::vector<PackEntry> entries;
    int32_t count;
    if (!LoadPack(pack, &image, &entries, &count)) return 1;
    int failed = 0;
    if (wanted.empty()) {
        for (int32_t i = 0; i < count; i++) failed |= ExtractOne(image, entries[i], dir);
    }
    for (const char *name : wanted) {
        int32_t index = FindPackMember(image.data(), image.size(), name, entries.data());
        failed |= index < 0 ? Fail(name, "no such member") : ExtractOne(image, entries[index], dir);
    }
    return failed;
}

int main(int argc, char **argv) {
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "create") == 0) return CreatePack(argv[2], argc - 3, argv + 3);
    if (argc == 3 && strcmp(argv[1], "list") == 0) return ListPack(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "extract") == 0) return ExtractPack(argc - 2, argv + 2);
    fputs(USAGE, stderr);
    return 2;
}
