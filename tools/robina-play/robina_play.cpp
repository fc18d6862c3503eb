// robina-play: runs one game file on the shell's own engine, without the front end, for the people
// who write games. The game gets what the menu leaves it (a covered screen, the fade and cursor
// tasks) and a copy of the service table whose operations count their calls. Headless, it runs a
// number of ticks or until the game ends, feeds the mouse from a script, saves screenshots of the
// back buffer and prints a report; with --watch it shows the game in a window, played with the
// real mouse, and starts it again whenever the game file changes.
#include <windows.h>
#include <ddraw.h>
#include <fcntl.h>
#include <io.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "base/base.h"
#include "fade/fade.h"
#include "gfx/gfx.h"
#include "launcher/launcher.h"
#include "pack/pack.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

enum {
    EXIT_OK = 0, EXIT_LEAKED = 1, EXIT_REFUSED = 2, EXIT_CRASHED = 3, EXIT_USAGE = 4,
    DEFAULT_TICKS = 6000, DEFAULT_SEED = 1, MAX_SHOTS = 64, MAX_EVENTS = 32768,
    COVER_TICKS = 200,        // at most, to bring the cover down before a start
    WATCH_POLL_MS = 250,      // how often --watch looks at the game file
    TEXT_BYTES = 512,
    MAX_MESSAGES = 16,        // error messages kept for the report
};

static const char USAGE[] =
    "usage: robina-play GAME.VYG [--ticks N] [--script FILE] [--shot TICK]... [--out FOLDER]\n"
    "                            [--seed N] [--zumi N] [--watch]\n"
    "  Runs the game on the shell's engine for N ticks of 20 ms (default 6000) or until it ends.\n"
    "  --script   mouse input, one event a line: 'TICK move X Y', 'TICK click [X Y]' (down at TICK,\n"
    "             up at the next tick), 'TICK press [X Y]', 'TICK release'; '#' starts a comment\n"
    "  --shot     saves the back buffer after that tick as FOLDER/shot-TICK.bmp (default folder: .)\n"
    "  --seed     seed of the game's random numbers (default 1: every run is the same)\n"
    "  --zumi     the player's collected total handed to the game (default 0)\n"
    "  --watch    shows the game in a window, played with the mouse; restarts it when the file changes\n"
    "Exit status: 0 ok, 1 the game left something behind, 2 refused or stopped by an error message\n"
    "(also when the game crashed after one), 3 crashed, 4 bad command line.\n";

// --- options ---
struct Options {
    char game[MAX_PATH];      // full path of the game file
    int32_t ticks;
    const char *script;
    const char *out;
    int32_t shots[MAX_SHOTS];
    int32_t shotCount;
    uint32_t seed;
    int32_t zumi;
    int32_t watch;
};
static Options Opts;

static int Number(const char *text, int32_t *value) {
    char *end = 0;
    long n = strtol(text, &end, 10);
    if (!text[0] || *end || n < 0 || n > 0x7FFFFFFF) return 0;
    *value = (int32_t)n;
    return 1;
}

static int ReadOptions(int argc, char **argv) {
    Opts.ticks = DEFAULT_TICKS;
    Opts.out = ".";
    Opts.seed = DEFAULT_SEED;
    const char *game = 0;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : 0;
        int32_t n = 0;
        if (strcmp(a, "--watch") == 0) {
            Opts.watch = 1;
            continue;
        }
        if (a[0] != '-') {
            if (game) return 0;
            game = a;
            continue;
        }
        if (!value) return 0;
        i++;
        if (strcmp(a, "--script") == 0) Opts.script = value;
        else if (strcmp(a, "--out") == 0) Opts.out = value;
        else if (strcmp(a, "--ticks") == 0 && Number(value, &n)) Opts.ticks = n;
        else if (strcmp(a, "--seed") == 0 && Number(value, &n)) Opts.seed = (uint32_t)n;
        else if (strcmp(a, "--zumi") == 0 && Number(value, &n)) Opts.zumi = n;
        else if (strcmp(a, "--shot") == 0 && Number(value, &n) && Opts.shotCount < MAX_SHOTS)
            Opts.shots[Opts.shotCount++] = n;
        else return 0;
    }
    if (!game) return 0;
    DWORD length = GetFullPathNameA(game, MAX_PATH, Opts.game, 0);
    return length > 0 && length < MAX_PATH;
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

static int ReadScript(const char *path) {
    FILE *file = fopen(path, "r");
    if (!file) {
        fprintf(stderr, "robina-play: cannot read the script %s\n", path);
        return 0;
    }
    char line[TEXT_BYTES];
    int number = 0, good = 1;
    while (good && fgets(line, sizeof line, file)) {
        number++;
        char *hash = strchr(line, '#');
        if (hash) *hash = 0;
        if (strspn(line, " \t\r\n") == strlen(line)) continue;
        ScriptEvent *event = &Events[EventCount];
        good = EventCount < MAX_EVENTS && ReadEvent(line, event) &&
               (EventCount == 0 || event->tick >= Events[EventCount - 1].tick);
        if (good) EventCount++;
        else fprintf(stderr, "robina-play: %s line %d: not an event in tick order\n", path, number);
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
// The console gets UTF-8; the shell's texts are Shift-JIS.
static void PrintShiftJis(const char *format, const char *text) {
    wchar_t wide[TEXT_BYTES];
    char utf8[TEXT_BYTES * 3];
    int n = MultiByteToWideChar(932, 0, text, -1, wide, TEXT_BYTES);
    if (!n || !WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, 0, 0)) utf8[0] = 0;
    printf(format, utf8);
}

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
    for (int i = 0; i < FatalCount && i < MAX_MESSAGES; i++) PrintShiftJis("error: %s\n", FatalMessages[i]);
    if (FatalCount > MAX_MESSAGES) printf("error: %d more\n", (int)(FatalCount - MAX_MESSAGES));
}

static void ForgetFatalMessages(void) {
    for (int i = 0; i < FatalCount && i < MAX_MESSAGES; i++) free(FatalMessages[i]);
    FatalCount = 0;
}

static void ReportRun(void) {
    printf("ticks: %d, %s\n", (int)TicksRun, GameEnded ? "ended by the game" : "stopped, the game did not end");
    char label[sizeof GameResult.label + 1] = "";
    memcpy(label, GameResult.label, sizeof GameResult.label);
    printf("result: score %u, ", (unsigned)GameResult.score);
    PrintShiftJis("label \"%s\", ", label);
    printf("zumi %d\n", (int)GameResult.zumi);
    printf("calls:\n");
    for (const ServiceRow &row : SERVICES) printf("  %-18s %d\n", row.name, (int)CallCounts[row.slot]);
}

static int ReportLeftovers(void) {
    char text[LEFTOVERS_TEXT_BYTES];
    LeftoversText(&GameLeftovers, text, sizeof text);
    printf("leftovers: %s\n", text);
    int leaked = LeftoversFound(&GameLeftovers);
    printf("verdict: %s\n", leaked ? "leaked" : "ok");
    fflush(stdout);
    return leaked ? EXIT_LEAKED : EXIT_OK;
}

// Called by the shell's crash filter once the game's library is gone. An error message before the
// crash is its first cause and names the exit status.
static void ReportCrash(const EXCEPTION_POINTERS *info) {
    ReportRun();
    PrintFatalMessages();
    printf("crashed: exception %08lx at tick %d\nverdict: %s\n", (unsigned long)info->ExceptionRecord->ExceptionCode,
           (int)TicksRun, FatalCount ? "failed" : "crashed");
    fflush(stdout);
    ExitProcess(FatalCount ? EXIT_REFUSED : EXIT_CRASHED);
}

// --- screenshots ---
// The back buffer through GDI into a 24-bit bottom-up BMP, whatever the buffer's own format.
static int SaveBackBuffer(const char *path) {
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
    FILE *file = fopen(path, "wb");
    int written = file && fwrite(&head, sizeof head, 1, file) && fwrite(&info, sizeof info, 1, file) &&
                  fwrite(bits, info.biSizeImage, 1, file);
    if (file) fclose(file);
    DeleteObject(bitmap);
    return written;
}

static void TakeShots(int32_t tick) {
    for (int i = 0; i < Opts.shotCount; i++) {
        if (Opts.shots[i] != tick) continue;
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s/shot-%05d.bmp", Opts.out, (int)tick);
        ClearBackBuffer();
        DrawSprites();
        printf(SaveBackBuffer(path) ? "shot: %s\n" : "shot: %s could not be written\n", path);
        return;
    }
}

// --- the run of a game ---
static void PumpMessages(void) {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            UnloadGameAtExit();
            ExitProcess(EXIT_OK);
        }
        DispatchMessageA(&message);
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

// 1: the game runs. A refusal is reported here.
static int BeginRun(void) {
    CoverScreen();
    SceneDone = 0;
    TicksRun = 0;
    NextEvent = 0;
    ReleaseAt = -1;
    memset(CallCounts, 0, sizeof CallCounts);
    printf("game: %s\n", Opts.game);
    int started = LoadGame(Opts.game, NULL);
    if (started) {
        GameResult.zumi = Opts.zumi;
        SeedRandom(Opts.seed);
        started = StartGame(&CountingTable);
    }
    if (!started) {
        PrintShiftJis("refused: %s\nverdict: refused\n", GameRefusal);
        fflush(stdout);
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
    printf("leftovers: not counted, the game did not end\n");
    fflush(stdout);
}

// The shell ends the program after an error box: the run stops there.
static int StopAtError(void) {
    StopRun();
    PrintFatalMessages();
    printf("verdict: failed\n");
    fflush(stdout);
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
    printf("verdict: ok\n");
    return EXIT_OK;
}

// --- watch mode ---
static FILETIME GameFileTime(void) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(Opts.game, GetFileExInfoStandard, &data);
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
        printf("-- the game file changed: starting again\n");
        fflush(stdout);
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
    return DefWindowProcA(window, message, wParam, lParam);
}

// The engine draws for a window; headless, it stays hidden.
static int OpenWindow(int shown) {
    HINSTANCE instance = GetModuleHandleA(NULL);
    MainInstance = instance;
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = PlayWindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(NULL, IDC_ARROW);
    cls.lpszClassName = "RobinaPlayWindow";
    RegisterClassExA(&cls);
    RECT frame = {0, 0, PLAY_WIDTH, PLAY_HEIGHT};
    AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
    HWND window = CreateWindowExA(0, "RobinaPlayWindow", "robina-play", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, 0, 0,
                                  instance, 0);
    MainWindow = window;
    if (window && shown) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
    }
    return window != 0;
}

int main(int argc, char **argv) {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);  // plain line ends, for the terminal and for scripts
    if (!ReadOptions(argc, argv)) {
        fputs(USAGE, stderr);
        return EXIT_USAGE;
    }
    if (Opts.script && !ReadScript(Opts.script)) return EXIT_USAGE;
    ErrorBoxHook = TakeFatalMessage;
    if (!OpenWindow(Opts.watch) || !InitDisplay()) {
        fprintf(stderr, "robina-play: no display\n");
        return EXIT_USAGE;
    }
    InitSound();
    if (FatalCount) fputs("robina-play: no sound device; the game plays without sound\n", stderr);
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
    return Opts.watch ? Watch() : PlayHeadless();
}
