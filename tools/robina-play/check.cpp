// robina-play --check: judges a game file as the shell would meet it, without running any of it.
// One line per check; every problem is named again at the end, and the exit status is 2 when
// there is one. Also the crash report's place: module, offset and nearest symbol of a fault.
#include <cxxabi.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "robina_play.h"
#include "pe_image.h"
#include "catalogue/ini_format.h"
#include "gfx/bmp_format.h"

int ReadWholeFile(const wchar_t *path, std::vector<uint8_t> *bytes) {
    FILE *file = _wfopen(path, L"rb");
    if (!file) return 0;
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    int ok = !ferror(file);
    fclose(file);
    return ok;
}

int ReadGameFile(const wchar_t *path, GameFileRecord *game) {
    game->entries.resize(PACK_MAX_MEMBERS);
    game->count = -1;
    if (!ReadWholeFile(path, &game->image)) return 0;
    game->count = ReadPackDirectory(game->image.data(), game->image.size(), game->entries.data());
    return game->count >= 0;
}

int ReadMember(const GameFileRecord *game, const char *name, std::vector<uint8_t> *bytes) {
    std::vector<PackEntry> entries(PACK_MAX_MEMBERS);
    int32_t index = FindPackMember(game->image.data(), game->image.size(), name, entries.data());
    if (index < 0) return 0;
    bytes->resize(entries[index].size);
    UnscramblePackData(bytes->data(), game->image.data() + entries[index].offset, entries[index].size);
    return 1;
}

// --- problems ---
static std::vector<std::string> Problems;

static void Problem(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void Problem(const char *format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Problems.push_back(text);
    Say("  problem: %s\n", text);
}

// --- game.ini ---
// Read as the shell's profile reading reads it: the first [Robina] section, key names in any case,
// blanks around names and values and a pair of quotes around a value dropped.
static std::string Trimmed(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    std::string inner = text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
    if (inner.size() >= 2 && (inner[0] == '"' || inner[0] == '\'') && inner.back() == inner[0])
        inner = inner.substr(1, inner.size() - 2);
    return inner;
}

static int IniValue(const std::vector<uint8_t> &ini, const char *key, std::string *value) {
    std::string text(ini.begin(), ini.end()), line;
    int inSection = 0;
    for (size_t at = 0; at < text.size(); at += line.size() + 1) {
        line = text.substr(at, text.find('\n', at) - at);
        std::string trimmed = Trimmed(line);
        if (!trimmed.empty() && trimmed[0] == '[') {
            inSection = _stricmp(trimmed.c_str(), "[Robina]") == 0;
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos) continue;
        if (_stricmp(Trimmed(line.substr(0, equals)).c_str(), key) != 0) continue;
        *value = Trimmed(line.substr(equals + 1));
        return 1;
    }
    return 0;
}

static const char *const KEY_RULES[INI_KEYS] = {
    "1 to 19 bytes, and not \"default\"", "hundredths: 100 is 1.00", "at most 104, the shell's version",
    "above 0", "above 0", "0 or 1",
};

static void CheckIni(const GameFileRecord *game, const char *diskName) {
    std::vector<uint8_t> ini;
    if (!ReadMember(game, "game.ini", &ini)) return Problem("no game.ini: the menu does not list the game");
    GameIniRecord record = {};
    std::string value;
    for (int key = 0; key < INI_KEYS; key++) {
        const char *name = GameIniKeys[key].name;
        if (!IniValue(ini, name, &value)) {
            Problem("game.ini has no %s (%s)", name, KEY_RULES[key]);
            continue;
        }
        Say("game.ini: %s=%s\n", name, FromShiftJis(value.c_str()).c_str());
        if (!TakeIniValue(&record, key, value.c_str()))
            Problem("game.ini: %s=%s is refused by the shell: %s", name, FromShiftJis(value.c_str()).c_str(),
                    KEY_RULES[key]);
    }
    if (!IniValue(ini, "FILENAME", &value)) return Problem("game.ini has no FILENAME (the game file's own name)");
    std::string folded = value;
    int matched = MatchGameFileName(&folded[0], diskName);
    Say("game.ini: FILENAME=%s\n", FromShiftJis(value.c_str()).c_str());
    if (matched == 0)
        Problem("FILENAME %s is not the file's name %s (letter case aside): the menu does not list the game",
                FromShiftJis(value.c_str()).c_str(), FromShiftJis(diskName).c_str());
    if (matched < 0) Problem("FILENAME %s is longer than 29 bytes", FromShiftJis(value.c_str()).c_str());
}

// --- the menu's pictures ---
struct PicturePlace {
    const char *name;
    int32_t width, height;  // what the menu and the help page show of it
};
static const PicturePlace PICTURES[] = {
    {"sys_logo.bmp", 256, 164},
    {"sys_states.bmp", 256, 100},
    {"help.bmp", 640, 360},
};

static void CheckPicture(const GameFileRecord *game, const PicturePlace &place) {
    std::vector<uint8_t> bmp;
    int32_t w = 0, h = 0;
    if (!ReadMember(game, place.name, &bmp))
        return Problem("no %s: the menu shows a stand-in that says it is missing", place.name);
    size_t head = bmp.size() < (size_t)BMP_HEAD_BYTES ? bmp.size() : (size_t)BMP_HEAD_BYTES;
    if (!BmpIsWhole(bmp.data(), head, bmp.size(), &w, &h))
        return Problem("%s is damaged or not an uncompressed BMP file", place.name);
    Say("%s: %dx%d\n", place.name, (int)w, (int)h);
    if (!GamePictureFits(w, h, place.width, place.height))
        Problem("%s is %dx%d: the menu needs at least %dx%d and at most %d pixels in all", place.name, (int)w,
                (int)h, (int)place.width, (int)place.height, (int)GAME_PICTURE_MAX_PIXELS);
}

// --- game.dll ---
// DLLs that come with every Windows the shell runs on; anything else must be linked in.
static const char *const SYSTEM_DLLS[] = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "comctl32.dll", "comdlg32.dll", "winmm.dll", "ddraw.dll", "dsound.dll", "msvcrt.dll", "ntdll.dll",
    "shlwapi.dll", "version.dll", "ws2_32.dll", "imm32.dll", "msimg32.dll", "psapi.dll", "ucrtbase.dll",
};

static int ShippedWithWindows(const std::string &dll) {
    if (_strnicmp(dll.c_str(), "api-ms-win-", 11) == 0) return 1;  // parts of the system's C run-time
    for (const char *known : SYSTEM_DLLS)
        if (_stricmp(dll.c_str(), known) == 0) return 1;
    return 0;
}

static void CheckExports(const PeImage *pe) {
    std::vector<PeSymbol> exports;
    if (!PeExports(pe, &exports)) return Problem("game.dll's export table is damaged");
    std::string names;
    for (const PeSymbol &e : exports) names += (names.empty() ? "" : ", ") + e.name;
    Say("game.dll exports: %s\n", names.empty() ? "nothing" : names.c_str());
    for (const char *entry : {"Start", "End"}) {
        int found = 0;
        for (const PeSymbol &e : exports) found |= e.name == entry;
        if (!found)
            Problem("game.dll does not export %s: declare it with ROBINA_GAME_ENTRY (extern \"C\", __cdecl, "
                    "undecorated)", entry);
    }
}

static void CheckImports(const PeImage *pe) {
    std::vector<std::string> dlls;
    if (!PeImports(pe, &dlls)) return Problem("game.dll's import table is damaged");
    std::string names;
    for (const std::string &d : dlls) names += (names.empty() ? "" : ", ") + d;
    Say("game.dll imports: %s\n", names.empty() ? "nothing" : names.c_str());
    for (const std::string &d : dlls)
        if (!ShippedWithWindows(d))
            Problem("game.dll needs %s, which Windows does not ship: link the run-times statically "
                    "(g++ -static, or cl /MT)", d.c_str());
}

static void CheckLibrary(const GameFileRecord *game) {
    std::vector<uint8_t> dll;
    PeImage pe;
    if (!ReadMember(game, "game.dll", &dll)) return Problem("no game.dll: the game cannot start");
    if (!ReadPeImage(dll.data(), dll.size(), &pe)) return Problem("game.dll is not a Windows library");
    Say("game.dll: %s\n", MachineName(pe.machine));
    if (pe.machine != PE_MACHINE_I386)
        return Problem("game.dll is built for %s, and the shell is a 32-bit program that cannot load it (it "
                       "says the game file is damaged): build it with a compiler for 32-bit Windows (i686)",
                       MachineName(pe.machine));
    CheckExports(&pe);
    CheckImports(&pe);
}

static std::string BaseName(const wchar_t *path) {
    const wchar_t *base = path;
    for (const wchar_t *at = path; *at; at++)
        if (*at == L'\\' || *at == L'/' || *at == L':') base = at + 1;
    std::string name;
    if (!ToShiftJis(base, &name)) name = "";  // no Shift-JIS form: no FILENAME can name it
    return name;
}

int CheckGame(const wchar_t *path) {
    GameFileRecord game;
    Say("check: %s\n", Utf8(path).c_str());
    Problems.clear();
    if (!ReadGameFile(path, &game)) {
        Problem(game.image.empty() ? "the file cannot be read" : "not a game file (an RVPX pack), or damaged");
    } else {
        std::string members;
        for (int32_t i = 0; i < game.count; i++) members += (i ? ", " : "") + FromShiftJis(game.entries[i].name);
        Say("members: %s\n", members.c_str());
        CheckIni(&game, BaseName(path).c_str());
        for (const PicturePlace &place : PICTURES) CheckPicture(&game, place);
        CheckLibrary(&game);
    }
    if (Problems.empty()) {
        Say("verdict: ok\n");
        return EXIT_OK;
    }
    Say("problems: %d\n", (int)Problems.size());
    for (const std::string &p : Problems) Say("  %s\n", p.c_str());
    Say("verdict: refused\n");
    return EXIT_REFUSED;
}

// --- the place of a crash ---
static std::vector<uint8_t> LibraryBytes;
static PeImage Library;
static uintptr_t LibraryBase = 0;

int KeepLibraryFacts(const std::vector<uint8_t> &library, uintptr_t base) {
    LibraryBytes = library;
    LibraryBase = base;
    return ReadPeImage(LibraryBytes.data(), LibraryBytes.size(), &Library);
}

// A linked name as a person reads it: the 32-bit underscore gone, C++ names demangled.
static std::string Readable(const std::string &linked) {
    std::string name = linked[0] == '_' ? linked.substr(1) : linked;
    if (name.compare(0, 2, "_Z") != 0) return name;
    int status = 0;
    char *plain = abi::__cxa_demangle(name.c_str(), 0, 0, &status);
    if (status == 0 && plain) name = plain;
    free(plain);
    return name;
}

static void SayOtherModule(uintptr_t address) {
    HMODULE module = 0;
    wchar_t path[MAX_PATH] = L"";
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCWSTR)address, &module) ||
        !GetModuleFileNameW(module, path, MAX_PATH)) {
        Say("where: 0x%08lx, in no module (a jump through a bad pointer?)\n", (unsigned long)address);
        return;
    }
    const wchar_t *name = wcsrchr(path, L'\\');
    Say("where: %s+0x%lx, outside game.dll (a service handed bad arguments?)\n",
        Utf8(name ? name + 1 : path).c_str(), (unsigned long)(address - (uintptr_t)module));
}

void SayCrashPlace(uintptr_t address) {
    if (!LibraryBase || address < LibraryBase || address - LibraryBase >= Library.sizeOfImage)
        return SayOtherModule(address);
    uint32_t offset = (uint32_t)(address - LibraryBase);
    std::vector<PeSymbol> symbols, exports;
    PeFunctionSymbols(&Library, &symbols);
    PeExports(&Library, &exports);
    for (PeSymbol &e : exports) e.name = "_" + e.name;  // named as linked, like the COFF names
    symbols.insert(symbols.end(), exports.begin(), exports.end());
    PeSymbol nearest;
    char in[600] = "no symbol";
    if (NearestSymbol(symbols, offset, &nearest))
        snprintf(in, sizeof in, "%s+0x%lx", Readable(nearest.name).c_str(), (unsigned long)(offset - nearest.rva));
    Say("where: game.dll+0x%lx, in %s (addr2line -f -C -e game.dll 0x%lx)\n", (unsigned long)offset, in,
        (unsigned long)(Library.imageBase + offset));
}
