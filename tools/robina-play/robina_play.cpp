// robina-play: runs one game file on the shell's own engine, without the front end, for the people
// who write games. The game gets what the menu leaves it (a covered screen, the fade and cursor
// tasks) and a copy of the service table whose operations count their calls. Headless, it runs a
// number of ticks or until the game ends, feeds the mouse from a script, saves screenshots of the
// back buffer and prints a report; with --watch it shows the game in a window, played with the
// real mouse, and starts it again whenever the game file changes. --check judges a game file
// without running it, --dir runs an unpacked game folder with its library loaded in place.
#include <windows.h>
#include <ddraw.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdarg.h>
#include "robina_play.h"
#include "base/base.h"
#include "fade/fade.h"
#include "gfx/gfx.h"
#include "launcher/launcher.h"
#include "pack/pack.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

enum {
    DEFAULT_TICKS = 6000, DEFAULT_SEED = 1, MAX_SHOTS = 64, MAX_EVENTS = 32768,
    COVER_TICKS = 200,        // at most, to bring the cover down before a start
    WATCH_POLL_MS = 250,      // how often --watch looks at the game file
    TEXT_BYTES = 512,
    LINE_BYTES = 4096,        // one line of the report, paths and messages included
    MAX_MESSAGES = 16,        // error messages kept for the report
};

static const char USAGE[] =
    "usage: robina-play GAME.VYG [--ticks N] [--script FILE] [--shot TICK]... [--out FOLDER]\n"
    "                            [--seed N] [--zumi N] [--watch] [--log]\n"
    "       robina-play --dir FOLDER [the same options]\n"
    "       robina-play --check GAME.VYG\n"
    "  Runs the game on the shell's engine for N ticks of 20 ms (default 6000) or until it ends.\n"
    "  --dir      runs an unpacked game: FOLDER holds game.ini, game.dll and the pictures and sounds;\n"
    "             game.dll is loaded from there, so a debugger finds its symbols\n"
    "  --check    judges the game file as the shell meets it, running nothing: members, game.ini,\n"
    "             FILENAME, the menu's pictures, game.dll's kind, exports and imports\n"
    "  --log      writes the shell's log, debug.log, into the current folder\n"
    "  --script   mouse input, one event a line: 'TICK move X Y', 'TICK click [X Y]' (down at TICK,\n"
    "             up at the next tick), 'TICK press [X Y]', 'TICK release'; '#' starts a comment\n"
    "  --shot     saves the back buffer after that tick as FOLDER/shot-TICK.bmp (default folder: .)\n"
    "  --seed     seed of the game's random numbers (default 1: every run is the same)\n"
    "  --zumi     the player's collected total handed to the game (default 0)\n"
    "  --watch    shows the game in a window, played with the mouse; restarts it when the file changes\n"
    "Exit status: 0 ok, 1 the game left something behind, 2 refused or stopped by an error message\n"
    "(also when the game crashed after one; for --check: a problem found), 3 crashed, 4 bad command\n"
    "line.\n";

// --- output ---
static HANDLE ConsoleOut = 0, ConsoleError = 0;  // set when the output is a console: written wide

static HANDLE Console(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode;
    return GetConsoleMode(handle, &mode) ? handle : 0;
}

static void Emit(HANDLE console, FILE *stream, const char *format, va_list args) {
    char text[LINE_BYTES];
    vsnprintf(text, sizeof text, format, args);
    if (!console) {
        fputs(text, stream);
        fflush(stream);
        return;
    }
    wchar_t wide[LINE_BYTES];
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, LINE_BYTES);
    DWORD written;
    if (n > 1) WriteConsoleW(console, wide, (DWORD)(n - 1), &written, 0);
}

void Say(const char *format, ...) {
    va_list args;
    va_start(args, format);
    Emit(ConsoleOut, stdout, format, args);
    va_end(args);
}

void Complain(const char *format, ...) {
    va_list args;
    va_start(args, format);
    Emit(ConsoleError, stderr, format, args);
    va_end(args);
}

std::string Utf8(const wchar_t *text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, 0, 0, 0, 0);
    std::string utf8(n > 0 ? n : 1, 0);
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], n, 0, 0);
    utf8.resize(strlen(utf8.c_str()));
    return utf8;
}

// The shell's texts are Shift-JIS, whatever the system's code page.
std::string FromShiftJis(const char *text) {
    std::vector<wchar_t> wide(strlen(text) + 1);
    ToWide(text, wide.data(), (int)wide.size());
    return Utf8(wide.data());
}

int ToShiftJis(const wchar_t *text, std::string *shiftJis) {
    std::vector<char> bytes(2 * wcslen(text) + 1);
    if (!FromWide(text, bytes.data(), (int)bytes.size())) return 0;
    shiftJis->assign(bytes.data());
    return 1;
}

// The engine opens files by Shift-JIS names. A path with a character outside Shift-JIS (a user
// folder such as C:\Users\Zoë) reaches it by its short form, which the system spells in ASCII.
static int EnginePath(const wchar_t *path, std::string *enginePath) {
    if (ToShiftJis(path, enginePath)) return 1;
    wchar_t brief[MAX_PATH];
    DWORD n = GetShortPathNameW(path, brief, MAX_PATH);
    return n > 0 && n < MAX_PATH && ToShiftJis(brief, enginePath);
}

// --- options ---
struct Options {
    wchar_t game[MAX_PATH];   // full path of the game file, or of the game folder with --dir
    int32_t dir;              // 1: game is an unpacked game folder
    int32_t check;
    int32_t log;
    int32_t ticks;
    const wchar_t *script;
    const wchar_t *out;
    int32_t shots[MAX_SHOTS];
    int32_t shotCount;
    uint32_t seed;
    int32_t zumi;
    int32_t watch;
};
static Options Opts;

static int Number(const wchar_t *text, int32_t *value) {
    wchar_t *end = 0;
    errno = 0;  // long is 32 bits here: a larger number comes back as the largest, with ERANGE
    long n = wcstol(text, &end, 10);
    if (!text[0] || *end || errno == ERANGE || n < 0 || n > 0x7FFFFFFF) return 0;
    *value = (int32_t)n;
    return 1;
}

struct Flag {
    const wchar_t *name;
    int32_t *set;
};

static int ReadOptions(int argc, wchar_t **argv) {
    Opts.ticks = DEFAULT_TICKS;
    Opts.out = L".";
    Opts.seed = DEFAULT_SEED;
    const Flag flags[] = {{L"--watch", &Opts.watch}, {L"--check", &Opts.check}, {L"--log", &Opts.log},
                          {L"--dir", &Opts.dir}};
    const wchar_t *game = 0;
    for (int i = 1; i < argc; i++) {
        const wchar_t *a = argv[i];
        const wchar_t *value = i + 1 < argc ? argv[i + 1] : 0;
        int32_t n = 0, flagged = 0;
        for (const Flag &f : flags) flagged |= wcscmp(a, f.name) == 0 && (*f.set = 1);
        if (flagged) continue;
        if (a[0] != L'-') {
            if (game) return 0;
            game = a;
            continue;
        }
        if (!value) return 0;
        i++;
        if (wcscmp(a, L"--script") == 0) Opts.script = value;
        else if (wcscmp(a, L"--out") == 0) Opts.out = value;
        else if (wcscmp(a, L"--ticks") == 0 && Number(value, &n)) Opts.ticks = n;
        else if (wcscmp(a, L"--seed") == 0 && Number(value, &n)) Opts.seed = (uint32_t)n;
        else if (wcscmp(a, L"--zumi") == 0 && Number(value, &n)) Opts.zumi = n;
        else if (wcscmp(a, L"--shot") == 0 && Number(value, &n) && Opts.shotCount < MAX_SHOTS)
            Opts.shots[Opts.shotCount++] = n;
        else return 0;
    }
    if (!game || (Opts.check && (Opts.dir || Opts.watch))) return 0;
    DWORD length = GetFullPathNameW(game, MAX_PATH, Opts.game, 0);
    if (length > 0 && length < MAX_PATH) return 1;
    Complain("robina-play: the path of the game is longer than %d characters\n", MAX_PATH - 1);
    return 0;
}

// --- mouse script ---
enum EventKind { EVENT_MOVE, EVENT_CLICK, EVENT_PRESS, EVENT_RELEASE };
struct ScriptEvent {
    int32_t tick;
    int32_t kind;
    int32_t placed;  // 1: x and y move the cursor first
    int32_t x, y;
};
struct EventWord {
    const char *word;
    int32_t kind;
    int32_t place;  // 2: x y required, 1: optional, 0: none
};
static const EventWord EVENT_WORDS[] = {
    {"move", EVENT_MOVE, 2},
    {"click", EVENT_CLICK, 1},
    {"press", EVENT_PRESS, 1},
    {"release", EVENT_RELEASE, 0},
};
static ScriptEvent Events[MAX_EVENTS];
static int32_t EventCount = 0;

static int ReadEvent(char *line, ScriptEvent *event) {
    char word[16];
    int fields = 0;
    if (sscanf(line, "%d %15s %n", &event->tick, word, &fields) < 2 || event->tick < 0) return 0;
    for (const EventWord &w : EVENT_WORDS) {
        if (strcmp(word, w.word) != 0) continue;
        event->kind = w.kind;
        char rest[2];
        int got = sscanf(line + fields, "%d %d %1s", &event->x, &event->y, rest);
        event->placed = got == 2;
        return (got == 2 && w.place > 0) || (got <= 0 && w.place < 2);
    }
    return 0;
}

static int ReadScript(const wchar_t *path) {
    FILE *file = _wfopen(path, L"r");
    if (!file) {
        Complain("robina-play: cannot read the script %s\n", Utf8(path).c_str());
        return 0;
    }
    char line[TEXT_BYTES];
    int number = 0, good = 1;
    while (good && fgets(line, sizeof line, file)) {
        number++;
        char *hash = strchr(line, '#');
        if (hash) *hash = 0;
        if (strspn(line, " \t\r\n") == strlen(line)) continue;
        if (EventCount == MAX_EVENTS) {
            Complain("robina-play: %s line %d: more than %d events\n", Utf8(path).c_str(), number, MAX_EVENTS);
            good = 0;
            break;
        }
        ScriptEvent *event = &Events[EventCount];
        good = ReadEvent(line, event) && (EventCount == 0 || event->tick >= Events[EventCount - 1].tick);
        if (good) EventCount++;
        else Complain("robina-play: %s line %d: not an event in tick order\n", Utf8(path).c_str(), number);
    }
    fclose(file);
    return good;
}

static int32_t NextEvent = 0;
static int32_t ReleaseAt = -1;  // the tick a click lets go of the button

// Events of a tick land before its step routines run, as the window's messages do in the shell.
static void ApplyScript(int32_t tick) {
    if (tick == ReleaseAt) ReleaseButton(BUTTON_LEFT);
    for (; NextEvent < EventCount && Events[NextEvent].tick <= tick; NextEvent++) {
        const ScriptEvent *e = &Events[NextEvent];
        if (e->placed) {
            MouseState.x = e->x;
            MouseState.y = e->y;
        }
        if (e->kind == EVENT_CLICK || e->kind == EVENT_PRESS) PressButton(BUTTON_LEFT);
        if (e->kind == EVENT_RELEASE) ReleaseButton(BUTTON_LEFT);
        if (e->kind == EVENT_CLICK) ReleaseAt = tick + 1;
    }
}

// --- counted services ---
enum { SERVICE_SLOTS = sizeof(ServiceTableRecord) / sizeof(void *) };
static void *EngineEntries[SERVICE_SLOTS];  // the shell's own table, entry by entry
static int32_t CallCounts[SERVICE_SLOTS];
static ServiceTableRecord CountingTable;     // what the game is given

template <size_t SLOT, typename R, typename... A> R __cdecl CountCall(A... args) {
    CallCounts[SLOT] += 1;
    return ((R(__cdecl *)(A...))EngineEntries[SLOT])(args...);
}
template <size_t SLOT, typename R, typename... A> void *Counter(R(__cdecl *)(A...)) {
    return (void *)&CountCall<SLOT, R, A...>;
}
#define SLOT_OF(entry) (offsetof(ServiceTableRecord, entry) / sizeof(void *))
#define SERVICE(entry) {#entry, SLOT_OF(entry), Counter<SLOT_OF(entry)>(decltype(ServiceTableRecord::entry)(0))}

struct ServiceRow {
    const char *name;
    size_t slot;
    void *counter;
};
static const ServiceRow SERVICES[] = {
    SERVICE(GameEndCall),
    SERVICE(NewImage),
    SERVICE(FreeImage),
    SERVICE(FillImage),
    SERVICE(DrawString),
    SERVICE(SetClearColour),
    SERVICE(NewSprite),
    SERVICE(SetSpritePriority),
    SERVICE(FreeSprite),
    SERVICE(SndCreate),
    SERVICE(RemoveSnd),
    SERVICE(PlaySnd),
    SERVICE(StopSnd),
    SERVICE(CreateTask),
    SERVICE(KillCurrentTask),
    SERVICE(Random),
    SERVICE(Alloc),
    SERVICE(Free),
};

static void FillCountingTable(void) {
    memcpy(EngineEntries, &ServiceTable, sizeof EngineEntries);
    memcpy(&CountingTable, &ServiceTable, sizeof CountingTable);
    for (const ServiceRow &row : SERVICES) ((void **)&CountingTable)[row.slot] = row.counter;
}

// --- report ---
static void DeleteFolderPack(void);

static int32_t TicksRun = 0;  // ticks of the running game so far
// The error boxes the shell would have shown, in order: the first ends the run, unless the game
// crashes before the run can stop (a game going on with the null image it was refused).
static char *FatalMessages[MAX_MESSAGES];
static int32_t FatalCount = 0;  // also those past MAX_MESSAGES

static void TakeFatalMessage(const char *message) {
    if (FatalCount < MAX_MESSAGES) FatalMessages[FatalCount] = strdup(message);
    FatalCount++;
}

static void PrintFatalMessages(void) {
    for (int i = 0; i < FatalCount && i < MAX_MESSAGES; i++) Say("error: %s\n", FromShiftJis(FatalMessages[i]).c_str());
    if (FatalCount > MAX_MESSAGES) Say("error: %d more\n", (int)(FatalCount - MAX_MESSAGES));
}

static void ForgetFatalMessages(void) {
    for (int i = 0; i < FatalCount && i < MAX_MESSAGES; i++) free(FatalMessages[i]);
    FatalCount = 0;
}

static void ReportRun(void) {
    Say("ticks: %d, %s\n", (int)TicksRun, GameEnded ? "ended by the game" : "stopped, the game did not end");
    char label[sizeof GameResult.label + 1] = "";
    memcpy(label, GameResult.label, sizeof GameResult.label);
    Say("result: score %u, label \"%s\", zumi %d\n", (unsigned)GameResult.score, FromShiftJis(label).c_str(),
        (int)GameResult.zumi);
    Say("calls:\n");
    for (const ServiceRow &row : SERVICES) Say("  %-18s %d\n", row.name, (int)CallCounts[row.slot]);
}

static int ReportLeftovers(void) {
    char text[LEFTOVERS_TEXT_BYTES];
    LeftoversText(&GameLeftovers, text, sizeof text);
    Say("leftovers: %s\n", text);
    int leaked = LeftoversFound(&GameLeftovers);
    Say("verdict: %s\n", leaked ? "leaked" : "ok");
    return leaked ? EXIT_LEAKED : EXIT_OK;
}

// Called by the shell's crash filter once the game's library is gone. An error message before the
// crash is its first cause and names the exit status.
static void ReportCrash(const EXCEPTION_POINTERS *info) {
    ReportRun();
    PrintFatalMessages();
    Say("crashed: exception %08lx at tick %d\n", (unsigned long)info->ExceptionRecord->ExceptionCode, (int)TicksRun);
    SayCrashPlace((uintptr_t)info->ExceptionRecord->ExceptionAddress);
    Say("verdict: %s\n", FatalCount ? "failed" : "crashed");
    DeleteFolderPack();
    ExitProcess(FatalCount ? EXIT_REFUSED : EXIT_CRASHED);
}

// --- screenshots ---
// The back buffer through GDI into a 24-bit bottom-up BMP, whatever the buffer's own format.
static int SaveBackBuffer(const wchar_t *path) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = PLAY_WIDTH;
    info.biHeight = PLAY_HEIGHT;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = PLAY_WIDTH * 3 * PLAY_HEIGHT;
    void *bits = 0;
    HDC source = 0;
    HBITMAP bitmap = CreateDIBSection(0, (BITMAPINFO *)&info, DIB_RGB_COLORS, &bits, 0, 0);
    if (!bitmap || BackBuffer->GetDC(&source) != DD_OK) {
        if (bitmap) DeleteObject(bitmap);
        return 0;
    }
    HDC target = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(target, bitmap);
    BitBlt(target, 0, 0, PLAY_WIDTH, PLAY_HEIGHT, source, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(target, old);
    DeleteDC(target);
    BackBuffer->ReleaseDC(source);
    BITMAPFILEHEADER head = {};
    head.bfType = 0x4D42;
    head.bfOffBits = sizeof head + sizeof info;
    head.bfSize = head.bfOffBits + info.biSizeImage;
    FILE *file = _wfopen(path, L"wb");
    int written = file && fwrite(&head, sizeof head, 1, file) && fwrite(&info, sizeof info, 1, file) &&
                  fwrite(bits, info.biSizeImage, 1, file);
    if (file) fclose(file);
    DeleteObject(bitmap);
    return written;
}

static void TakeShots(int32_t tick) {
    for (int i = 0; i < Opts.shotCount; i++) {
        if (Opts.shots[i] != tick) continue;
        wchar_t path[MAX_PATH];
        _snwprintf(path, MAX_PATH, L"%ls/shot-%05d.bmp", Opts.out, (int)tick);
        path[MAX_PATH - 1] = 0;
        ClearBackBuffer();
        DrawSprites();
        Say(SaveBackBuffer(path) ? "shot: %s\n" : "shot: %s could not be written\n", Utf8(path).c_str());
        return;
    }
}

// --- the run of a game ---
static void PumpMessages(void) {
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            UnloadGameAtExit();
            DeleteFolderPack();
            ExitProcess(EXIT_OK);
        }
        DispatchMessageW(&message);
    }
}

static void RunTick(void) {
    RunTasks();
    ClearClicks();
}

// As the menu leaves it for a game: covered, whatever the fade was doing.
static void CoverScreen(void) {
    for (int i = 0; i < COVER_TICKS && FadeState != FADE_COVERED; i++) {
        if (FadeState == FADE_VISIBLE) FadeState = FADE_COVER;
        RunTick();
    }
}

// --- an unpacked game folder (--dir) ---
// Its files but the library become a pack of robina-play's own in the temporary folder (a new
// "rbpNNNN.tmp", never a file already there), for the engine to load pictures and sounds from as
// from a game file; the library loads in place.
static wchar_t FolderPack[MAX_PATH] = L"";  // the pack made for --dir; empty: none
static std::wstring FolderLibrary;          // its game.dll, loaded in place

static std::wstring InGameFolder(const wchar_t *name) {
    return std::wstring(Opts.game) + L"\\" + name;
}

// The folder's files but game.dll and subfolders; null, or why they cannot make a game file.
static const char *CollectFolder(std::vector<std::string> *names, std::vector<std::vector<uint8_t>> *contents) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(InGameFolder(L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "the folder cannot be read";
    const char *why = 0;
    do {
        std::string name;
        const wchar_t *file = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || _wcsicmp(file, L"game.dll") == 0) continue;
        contents->emplace_back();
        if (!ToShiftJis(file, &name) || !ReadWholeFile(InGameFolder(file).c_str(), &contents->back())) {
            Complain("robina-play: %s cannot go into a game file\n", Utf8(found.cFileName).c_str());
            why = "a file of the folder cannot go into a game file";
        }
        names->push_back(name);
        if (names->size() == PACK_MAX_MEMBERS) why = "the folder has more than 255 files besides game.dll";
    } while (!why && FindNextFileW(search, &found));
    FindClose(search);
    return why;
}

static const char *WriteFolderPack(void) {
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> contents;
    const char *why = CollectFolder(&names, &contents);
    if (why) return why;
    std::vector<const char *> pointers;
    std::vector<uint32_t> sizes;
    for (size_t i = 0; i < names.size(); i++) {
        pointers.push_back(names[i].c_str());
        sizes.push_back((uint32_t)contents[i].size());
    }
    std::vector<uint8_t> image(PackDirectoryBytes(pointers.data(), (int32_t)names.size()));
    WritePackDirectory(image.data(), pointers.data(), sizes.data(), (int32_t)names.size());
    for (const std::vector<uint8_t> &c : contents) {
        size_t at = image.size();
        image.resize(at + c.size());
        ScramblePackData(image.data() + at, c.data(), c.size());
    }
    static const char NO_ROOM[] = "the folder's files cannot be packed in the temporary folder";
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(folder, L"rbp", 0, FolderPack)) return NO_ROOM;
    FILE *file = _wfopen(FolderPack, L"wb");
    int written = file && fwrite(image.data(), 1, image.size(), file) == image.size();
    if (file && fclose(file) != 0) written = 0;
    return written ? 0 : NO_ROOM;
}

static void DeleteFolderPack(void) {
    if (FolderPack[0]) DeleteFileW(FolderPack);
    FolderPack[0] = 0;
}

// The file the engine loads as the game's pack, and the library's bytes for a crash report.
// Null, or why the game's files cannot reach the engine.
static const char *PrepareGame(std::string *pack, std::vector<uint8_t> *library) {
    static const char UNREACHABLE[] = "the path cannot be opened by the engine";
    if (!Opts.dir) {
        GameFileRecord game;
        if (ReadGameFile(Opts.game, &game)) ReadMember(&game, "game.dll", library);
        return EnginePath(Opts.game, pack) ? 0 : UNREACHABLE;
    }
    GameLibraryFile = 0;
    DeleteFolderPack();
    std::wstring dll = InGameFolder(L"game.dll");
    if (!ReadWholeFile(dll.c_str(), library)) return "the folder has no game.dll";
    FolderLibrary = dll;
    const char *why = WriteFolderPack();
    if (why) return why;
    GameLibraryFile = FolderLibrary.c_str();
    return EnginePath(FolderPack, pack) ? 0 : UNREACHABLE;
}

// 1: the game runs. A refusal is reported here.
static int BeginRun(void) {
    CoverScreen();
    SceneDone = 0;
    TicksRun = 0;
    NextEvent = 0;
    ReleaseAt = -1;
    memset(CallCounts, 0, sizeof CallCounts);
    Say("game: %s\n", Utf8(Opts.game).c_str());
    std::string pack;
    std::vector<uint8_t> library;
    const char *unreachable = PrepareGame(&pack, &library);
    if (unreachable) {
        Say("refused: %s\nverdict: refused\n", unreachable);
        return 0;
    }
    int started = LoadGame(pack.c_str(), NULL);
    if (started) {
        KeepLibraryFacts(library, (uintptr_t)GameModule);
        GameResult.zumi = Opts.zumi;
        SeedRandom(Opts.seed);
        started = StartGame(&CountingTable);
    }
    if (!started) {
        Say("refused: %s\nverdict: refused\n", FromShiftJis(GameRefusal).c_str());
        SetPack(MENU_PACK);
    }
    return started;
}

// The game ended by itself: the shell's own return, less the menu's records.
static int EndRun(void) {
    ReportRun();
    FinishGame();
    SetPack(MENU_PACK);
    return ReportLeftovers();
}

// Stopped before its end: freed as at the shell's exit, and nothing counted as left behind.
static void StopRun(void) {
    ReportRun();
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    FreeSceneSounds();
    UnloadGameAtExit();
    SetPack(MENU_PACK);
    Say("leftovers: not counted, the game did not end\n");
}

// The shell ends the program after an error box: the run stops there.
static int StopAtError(void) {
    StopRun();
    PrintFatalMessages();
    Say("verdict: failed\n");
    return EXIT_REFUSED;
}

static int PlayHeadless(void) {
    if (!BeginRun()) return EXIT_REFUSED;
    for (; TicksRun < Opts.ticks && !SceneDone && !FatalCount; TicksRun++) {
        ApplyScript(TicksRun);
        RunTick();
        TakeShots(TicksRun);
        PumpMessages();
    }
    if (FatalCount) return StopAtError();
    if (SceneDone) return EndRun();
    StopRun();
    Say("verdict: ok\n");
    return EXIT_OK;
}

// --- watch mode ---
// The game file, or with --dir the library, which a build writes last.
static FILETIME GameFileTime(void) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(Opts.dir ? InGameFolder(L"game.dll").c_str() : Opts.game, GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

static int SameTime(FILETIME a, FILETIME b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// 1 once the file changed and then stood still for one poll, so that a file still being written
// is not loaded half done.
static int GameFileChanged(FILETIME *seen) {
    FILETIME now = GameFileTime();
    if (SameTime(now, *seen)) return 0;
    Sleep(WATCH_POLL_MS);
    if (!SameTime(now, GameFileTime())) return 0;
    *seen = now;
    return 1;
}

static void ApplyCursorRule(void) {
    int inside = InsidePlayArea(MouseState.x, MouseState.y);
    if (SystemCursorShown == inside) {
        SystemCursorShown = !inside;
        ShowCursor(!inside);
    }
}

static int Watch(void) {
    FILETIME seen = GameFileTime();
    for (;;) {
        int running = BeginRun();
        ResetFrameClock();
        uint32_t lastPoll = GetTickCount();
        for (;;) {
            PumpMessages();
            BeginClockPass();
            if (running && FatalCount) {
                running = 0;
                StopAtError();
            }
            while (running && !FatalCount && TickDue()) {
                PollMouse();
                RunTick();
                CountTick();
                TicksRun++;
                if (!SceneDone) continue;
                running = 0;
                EndRun();
            }
            RenderFrame();
            ApplyCursorRule();
            Sleep(1);
            if (GetTickCount() - lastPoll < WATCH_POLL_MS) continue;
            lastPoll = GetTickCount();
            if (GameFileChanged(&seen)) break;
        }
        if (running) StopRun();
        ForgetFatalMessages();
        Say("-- the game file changed: starting again\n");
    }
}

// --- window ---
static LRESULT CALLBACK PlayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE: WindowActive = LOWORD(wParam) != WA_INACTIVE; return 0;
    case WM_LBUTTONDOWN: PressButton(BUTTON_LEFT); return 0;
    case WM_LBUTTONUP: ReleaseButton(BUTTON_LEFT); return 0;
    case WM_RBUTTONDOWN: PressButton(BUTTON_RIGHT); return 0;
    case WM_RBUTTONUP: ReleaseButton(BUTTON_RIGHT); return 0;
    case WM_KEYDOWN: if (wParam == VK_ESCAPE) PostQuitMessage(0); return 0;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The engine draws for a window; headless, it stays hidden.
static int OpenWindow(int shown) {
    HINSTANCE instance = GetModuleHandleW(NULL);
    MainInstance = instance;
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = PlayWindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    cls.lpszClassName = L"RobinaPlayWindow";
    RegisterClassExW(&cls);
    RECT frame = {0, 0, PLAY_WIDTH, PLAY_HEIGHT};
    AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
    HWND window = CreateWindowExW(0, L"RobinaPlayWindow", L"robina-play", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, 0, 0,
                                  instance, 0);
    MainWindow = window;
    if (window && shown) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
    }
    return window != 0;
}

int wmain(int argc, wchar_t **argv) {
    ConsoleOut = Console(STD_OUTPUT_HANDLE);
    ConsoleError = Console(STD_ERROR_HANDLE);
    _setmode(_fileno(stdout), _O_BINARY);  // plain line ends, for the terminal and for scripts
    _setmode(_fileno(stderr), _O_BINARY);
    if (!ReadOptions(argc, argv)) {
        Complain("%s", USAGE);
        return EXIT_USAGE;
    }
    if (Opts.check) return CheckGame(Opts.game);
    if (Opts.script && !ReadScript(Opts.script)) return EXIT_USAGE;
    if (Opts.shotCount && !CreateDirectoryW(Opts.out, 0) && GetLastError() != ERROR_ALREADY_EXISTS) {
        Complain("robina-play: cannot make the folder %s for the screenshots\n", Utf8(Opts.out).c_str());
        return EXIT_USAGE;
    }
    if (Opts.log && !StartLog()) Complain("robina-play: debug.log cannot be written in this folder: no log\n");
    ErrorBoxHook = TakeFatalMessage;
    if (!OpenWindow(Opts.watch) || !InitDisplay()) {
        Complain("robina-play: no display\n");
        return EXIT_USAGE;
    }
    InitSound();
    if (FatalCount) Complain("robina-play: no sound device; the game plays without sound\n");
    ForgetFatalMessages();
    InitSpriteList();
    InitMouse();
    InitTaskList();
    FillServiceTable();
    FillCountingTable();
    SetPack(MENU_PACK);
    StartFadeTask();
    StartCursorTask();
    GameCrashHook = ReportCrash;
    CatchGameCrashes();
    int status = Opts.watch ? Watch() : PlayHeadless();
    DeleteFolderPack();
    return status;
}
