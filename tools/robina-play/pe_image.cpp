// Reading a Windows library's file: headers, export and import tables, the COFF symbol table.
#include "pe_image.h"
#include <string.h>

enum {
    DOS_NEW_HEADER_AT = 0x3C, COFF_HEADER_BYTES = 20, SECTION_BYTES = 40, SYMBOL_BYTES = 18,
    EXPORT_DIRECTORY_BYTES = 40, IMPORT_DESCRIPTOR_BYTES = 20, MAX_IMPORTS = 4096,
    OPTIONAL_PE32 = 0x10B, OPTIONAL_PE32_PLUS = 0x20B, FUNCTION_TYPE = 0x20,
    CLASS_EXTERNAL = 2, CLASS_STATIC = 3,
};

static int Fits(const PeImage *pe, uint64_t at, uint64_t count) {
    return at <= pe->size && count <= pe->size - at;
}

static uint32_t U16(const uint8_t *p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8; }
static uint32_t U32(const uint8_t *p) { return U16(p) | U16(p + 2) << 16; }

// The file offset of an address in the loaded image; 0 when no section holds it.
static uint32_t FileOffset(const PeImage *pe, uint32_t rva) {
    for (uint32_t i = 0; i < pe->sectionCount; i++) {
        const uint8_t *s = pe->bytes + pe->sectionsAt + i * SECTION_BYTES;
        uint32_t address = U32(s + 12), raw = U32(s + 16), at = U32(s + 20);
        if (rva >= address && rva - address < raw) return at + (rva - address);
    }
    return 0;
}

// A zero-terminated text at a file offset, whole within the file; 0: none.
static int TextAt(const PeImage *pe, uint64_t at, std::string *text) {
    if (!at || at >= pe->size) return 0;
    const uint8_t *start = pe->bytes + at;
    const void *end = memchr(start, 0, pe->size - at);
    if (!end) return 0;
    text->assign((const char *)start, (const uint8_t *)end - start);
    return 1;
}

static int TextAtRva(const PeImage *pe, uint32_t rva, std::string *text) {
    return TextAt(pe, FileOffset(pe, rva), text);
}

int ReadPeImage(const uint8_t *bytes, size_t size, PeImage *pe) {
    memset(pe, 0, sizeof *pe);
    pe->bytes = bytes;
    pe->size = size;
    if (!Fits(pe, 0, DOS_NEW_HEADER_AT + 4) || bytes[0] != 'M' || bytes[1] != 'Z') return 0;
    uint32_t header = U32(bytes + DOS_NEW_HEADER_AT);
    if (!Fits(pe, header, 4 + COFF_HEADER_BYTES + 2) || memcmp(bytes + header, "PE\0\0", 4) != 0) return 0;
    const uint8_t *coff = bytes + header + 4;
    pe->machine = (uint16_t)U16(coff);
    pe->sectionCount = (uint16_t)U16(coff + 2);
    pe->symbolsAt = U32(coff + 8);
    pe->symbolCount = U32(coff + 12);
    uint32_t optionalBytes = U16(coff + 16);
    uint32_t optionalAt = header + 4 + COFF_HEADER_BYTES;
    pe->sectionsAt = optionalAt + optionalBytes;
    if (!Fits(pe, pe->sectionsAt, (uint64_t)pe->sectionCount * SECTION_BYTES)) return 0;
    const uint8_t *optional = bytes + optionalAt;
    uint32_t magic = U16(optional);
    pe->wide = magic == OPTIONAL_PE32_PLUS;
    if (magic != OPTIONAL_PE32 && !pe->wide) return 0;
    uint32_t directories = pe->wide ? 112 : 96;  // where the data directories start
    if (optionalBytes < directories) return 0;
    pe->imageBase = pe->wide ? 0 : U32(optional + 28);
    pe->sizeOfImage = U32(optional + 56);
    uint32_t count = U32(optional + directories - 4);
    if (count > 0 && optionalBytes >= directories + 8) pe->exportRva = U32(optional + directories);
    if (count > 1 && optionalBytes >= directories + 16) pe->importRva = U32(optional + directories + 8);
    if (!Fits(pe, pe->symbolsAt, (uint64_t)pe->symbolCount * SYMBOL_BYTES)) pe->symbolsAt = pe->symbolCount = 0;
    return 1;
}

int PeExports(const PeImage *pe, std::vector<PeSymbol> *exports) {
    exports->clear();
    if (!pe->exportRva) return 1;
    uint32_t at = FileOffset(pe, pe->exportRva);
    if (!at || !Fits(pe, at, EXPORT_DIRECTORY_BYTES)) return 0;
    const uint8_t *directory = pe->bytes + at;
    uint32_t functionCount = U32(directory + 20), nameCount = U32(directory + 24);
    uint32_t functions = FileOffset(pe, U32(directory + 28)), names = FileOffset(pe, U32(directory + 32));
    uint32_t ordinals = FileOffset(pe, U32(directory + 36));
    if (!nameCount) return 1;
    if (!names || !ordinals || !functions || !Fits(pe, names, (uint64_t)nameCount * 4) ||
        !Fits(pe, ordinals, (uint64_t)nameCount * 2) || !Fits(pe, functions, (uint64_t)functionCount * 4))
        return 0;
    for (uint32_t i = 0; i < nameCount; i++) {
        PeSymbol symbol;
        uint32_t ordinal = U16(pe->bytes + ordinals + i * 2);
        if (ordinal >= functionCount || !TextAtRva(pe, U32(pe->bytes + names + i * 4), &symbol.name)) return 0;
        symbol.rva = U32(pe->bytes + functions + ordinal * 4);
        exports->push_back(symbol);
    }
    return 1;
}

int PeImports(const PeImage *pe, std::vector<std::string> *dlls) {
    dlls->clear();
    if (!pe->importRva) return 1;
    uint32_t at = FileOffset(pe, pe->importRva);
    if (!at) return 0;
    for (int i = 0; i < MAX_IMPORTS; i++, at += IMPORT_DESCRIPTOR_BYTES) {
        if (!Fits(pe, at, IMPORT_DESCRIPTOR_BYTES)) return 0;
        uint32_t name = U32(pe->bytes + at + 12);
        if (!name) return 1;
        std::string dll;
        if (!TextAtRva(pe, name, &dll)) return 0;
        dlls->push_back(dll);
    }
    return 0;
}

// A COFF name: eight bytes in place, or an offset into the string table after the symbols.
static int SymbolName(const PeImage *pe, const uint8_t *symbol, std::string *name) {
    if (U32(symbol) != 0) {
        const void *end = memchr(symbol, 0, 8);
        name->assign((const char *)symbol, end ? (const char *)end - (const char *)symbol : 8);
        return 1;
    }
    return TextAt(pe, (uint64_t)pe->symbolsAt + (uint64_t)pe->symbolCount * SYMBOL_BYTES + U32(symbol + 4), name);
}

int PeFunctionSymbols(const PeImage *pe, std::vector<PeSymbol> *symbols) {
    symbols->clear();
    for (uint32_t i = 0; pe->symbolsAt && i < pe->symbolCount; i++) {
        const uint8_t *symbol = pe->bytes + pe->symbolsAt + (size_t)i * SYMBOL_BYTES;
        uint32_t section = U16(symbol + 12), type = U16(symbol + 14), storage = symbol[16];
        i += symbol[17];  // auxiliary records
        if (type != FUNCTION_TYPE || (storage != CLASS_EXTERNAL && storage != CLASS_STATIC)) continue;
        if (section == 0 || section > pe->sectionCount) continue;
        PeSymbol found;
        if (!SymbolName(pe, symbol, &found.name)) continue;
        found.rva = U32(pe->bytes + pe->sectionsAt + (section - 1) * SECTION_BYTES + 12) + U32(symbol + 8);
        symbols->push_back(found);
    }
    return 1;
}

int NearestSymbol(const std::vector<PeSymbol> &symbols, uint32_t rva, PeSymbol *nearest) {
    const PeSymbol *best = 0;
    for (const PeSymbol &s : symbols)
        if (s.rva <= rva && (!best || s.rva > best->rva)) best = &s;
    if (best) *nearest = *best;
    return best != 0;
}

const char *MachineName(uint16_t machine) {
    switch (machine) {
    case PE_MACHINE_I386: return "32-bit x86";
    case PE_MACHINE_AMD64: return "64-bit x64";
    case PE_MACHINE_ARM64: return "64-bit ARM";
    }
    return "an unknown machine";
}
