// What robina-play reads of a game library's file without loading it: the kind of machine it is
// for, its exports, the DLLs it imports and its function symbols (for naming a crash's place).
// Every offset is checked against the bytes at hand, so a damaged file gives 0, never a crash.
#ifndef ROBINA_PE_IMAGE_H
#define ROBINA_PE_IMAGE_H

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

enum { PE_MACHINE_I386 = 0x14C, PE_MACHINE_AMD64 = 0x8664, PE_MACHINE_ARM64 = 0xAA64 };

typedef struct PeImage {
    const uint8_t *bytes;
    size_t size;
    uint16_t machine;
    int32_t wide;             // 1: PE32+, the 64-bit layout
    uint32_t imageBase;       // preferred load address (32-bit layout only)
    uint32_t sizeOfImage;
    uint32_t sectionsAt;      // file offset of the section table
    uint16_t sectionCount;
    uint32_t symbolsAt;       // COFF symbol table, kept by MinGW unless stripped; 0: none
    uint32_t symbolCount;
    uint32_t exportRva, importRva;
} PeImage;

typedef struct PeSymbol {
    std::string name;
    uint32_t rva;
} PeSymbol;

int ReadPeImage(const uint8_t *bytes, size_t size, PeImage *pe);       // 0: not a PE image
int PeExports(const PeImage *pe, std::vector<PeSymbol> *exports);      // 0: damaged export table
int PeImports(const PeImage *pe, std::vector<std::string> *dlls);      // 0: damaged import table
int PeFunctionSymbols(const PeImage *pe, std::vector<PeSymbol> *symbols);  // COFF functions, names as linked
// The symbol at or last before rva; 0: none before it.
int NearestSymbol(const std::vector<PeSymbol> &symbols, uint32_t rva, PeSymbol *nearest);
const char *MachineName(uint16_t machine);

#endif
