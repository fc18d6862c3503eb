// The game interface: the one header a game library is built against, and the record layouts the
// engine itself uses (the globals MouseState, GameResult and ServiceTable are of the *Record types
// here). Every layout here is shared by pointer with game libraries built separately, so
// sizes and offsets are frozen and checked at compile time. 32-bit Windows, cdecl, little-endian.
//
// Writing a game against this file alone:
//   - Build a 32-bit DLL named game.dll that exports two undecorated cdecl entry points:
//         ROBINA_GAME_ENTRY Start(ServiceTableRecord *services)  -> non-zero when the game started
//         ROBINA_GAME_ENTRY End(void)                            -> result ignored
//     Link the C and C++ run-times statically (-static); the shell ships no run-time libraries.
//   - Start keeps the table pointer and creates the first task(s) with services->CreateTask.
//     A Start that returns 0 refuses to run: create tasks only once it is sure to go on (the
//     shell frees any task left by a refusing Start before it unloads the library).
//   - A step routine takes no arguments: its work area is *services->currentWork, its step index
//     is **services->currentStep (add 1 to advance, store another index to jump). Every index a
//     routine can reach needs an entry in its table; services->KillCurrentTask ends a task (the
//     work area is gone afterwards). Step tables must be static data of the library.
//   - Pictures (24-bit BMP, black is transparent) and sounds (PCM WAV) are members of the game file
//     and are loaded by member name while the game runs; images, sprites and sounds the game leaves
//     behind are freed by the shell when the game ends, blocks from services->Alloc are not.
//   - To finish, fill *services->result (score 0 = nothing to rank; label = the score as shown,
//     at most 19 bytes of Shift-JIS; zumi = the player's collected total, preset by the shell)
//     and call services->GameEndCall(); return from the step at once: the calling task, every
//     other task of the game and their work areas are gone. End is called a few ticks later,
//     after the shell freed the game's sprites, images and sounds: End must not free them again.
//   - *services->fadeState: write FADE_COVER and wait for FADE_COVERED to hide the screen;
//     write FADE_UNCOVER (only while covered) and wait for FADE_VISIBLE to show it again.
#ifndef ROBINA_GAME_H
#define ROBINA_GAME_H

// A game library is loaded into the 32-bit shell: a 64-bit one cannot be, and its compiler gets
// this one message rather than every layout check below failing.
#if defined(_WIN64) || (defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ != 4)
#error "game.dll must be a 32-bit Windows library, and this compiler makes 64-bit code. Use a compiler for 32-bit Windows (i686): MinGW-w64's i686-w64-mingw32-g++, or Visual C++ from the x86 Native Tools Command Prompt."
#else  // the rest of this file: only the message above for a 64-bit build

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct IDirectDrawSurface;
struct IDirectSoundBuffer;

// A step routine of a task: no arguments, no result. A task's behaviour is an array of them,
// indexed by its step number.
typedef void (__cdecl *StepRoutine)(void);
typedef const StepRoutine *StepTable;

// Cursor position in play-area pixels and, per button (left, right, third), a one-tick click flag
// and a held flag.
typedef struct MouseRecord {
    int32_t x;
    int32_t y;
    uint8_t click[3];
    uint8_t held[3];
    uint8_t reserved[2];
} MouseRecord;

// One BMP member loaded into its own off-screen surface; black is transparent.
typedef struct Image {
    struct Image *prev;
    struct Image *next;
    struct IDirectDrawSurface *surface;
    uint8_t keep;
    char name[260];
    char pack[260];
    uint8_t pad[3];
    int32_t width;
    int32_t height;
} Image;

// One entry of the draw list.
typedef struct Sprite {
    struct Sprite *prev;
    struct Sprite *next;
    Image *image;
    uint8_t keep;
    uint8_t pad0[3];
    uint32_t priority;
    int32_t visible;
    int32_t x;
    int32_t y;
    int32_t right;
    int32_t bottom;
    int32_t srcLeft;
    int32_t srcTop;
    int32_t srcRight;
    int32_t srcBottom;
    uint8_t stretch;
    uint8_t pad1[3];
    int32_t reserved;
} Sprite;

// One WAV member loaded whole into a static DirectSound buffer.
typedef struct Sound {
    struct Sound *prev;
    struct Sound *next;
    uint8_t keep;
    char name[263];
    struct IDirectSoundBuffer *buffer;
    int32_t loop;
} Sound;

// What a game reports back: a score to rank (0: none), the score as shown, the collected total.
typedef struct GameResultRecord {
    uint32_t score;
    char label[20];
    int32_t zumi;
} GameResultRecord;

// The table handed to a game's Start: nine pointers to shell data, then eighteen operations.
typedef struct ServiceTableRecord {
    void *const *instance;
    void *const *window;
    int32_t *cursorShown;
    int32_t *framesPerSecond;
    uint8_t *fadeState;
    MouseRecord *mouse;
    void **currentWork;
    int32_t **currentStep;
    GameResultRecord *result;
    void (__cdecl *GameEndCall)(void);
    Image *(__cdecl *NewImage)(const char *name);
    int32_t (__cdecl *FreeImage)(Image *image);
    int32_t (__cdecl *FillImage)(Image *image, int32_t r, int32_t g, int32_t b);
    int32_t (__cdecl *DrawString)(struct IDirectDrawSurface *target, int32_t left, int32_t top,
                                  int32_t right, int32_t bottom, uint32_t format, const char *text,
                                  int32_t height, int32_t r, int32_t g, int32_t b, int32_t proportional);
    int32_t (__cdecl *SetClearColour)(int32_t r, int32_t g, int32_t b);
    Sprite *(__cdecl *NewSprite)(uint32_t priority);
    int32_t (__cdecl *SetSpritePriority)(Sprite *sprite, uint32_t priority);
    int32_t (__cdecl *FreeSprite)(Sprite *sprite);
    Sound *(__cdecl *SndCreate)(const char *name);
    int32_t (__cdecl *RemoveSnd)(Sound *sound);
    int32_t (__cdecl *PlaySnd)(Sound *sound);
    int32_t (__cdecl *StopSnd)(Sound *sound);
    void *(__cdecl *CreateTask)(StepTable steps, int32_t priority, uint32_t attr, int32_t workSize);
    int32_t (__cdecl *KillCurrentTask)(void);
    int32_t (__cdecl *Random)(int32_t lower, int32_t upper);
    void *(__cdecl *Alloc)(int32_t size);
    void (__cdecl *Free)(void *block);
} ServiceTableRecord;

// FadeState values, read and written through ServiceTableRecord.fadeState.
enum { FADE_VISIBLE = 0, FADE_COVER = 1, FADE_COVERED = 2, FADE_UNCOVER = 3 };

// Task attribute bit: the task's step runs each tick. Priorities run from 0 (first) to
// TASK_PRIORITY_MAX; the shell's own tasks use 256 and 257.
enum { TASK_ATTR_RUN = 1, TASK_PRIORITY_MAX = 0x7FFF };

// The two entry points a game library exports (undecorated names "Start" and "End").
typedef int32_t (__cdecl *GameStartProc)(ServiceTableRecord *services);
typedef int32_t (__cdecl *GameEndProc)(void);

#ifdef __cplusplus
}
#define ROBINA_GAME_ENTRY extern "C" __declspec(dllexport) int32_t __cdecl
#else
#define ROBINA_GAME_ENTRY __declspec(dllexport) int32_t __cdecl
#endif

#ifdef __cplusplus
#define ROBINA_STATIC_ASSERT static_assert
#else
#define ROBINA_STATIC_ASSERT _Static_assert
#endif
#define ROBINA_CHECK_SIZE(type, size) ROBINA_STATIC_ASSERT(sizeof(type) == (size), #type " resized")
#define ROBINA_CHECK_LAYOUT(type, field, offset) \
    ROBINA_STATIC_ASSERT(offsetof(type, field) == (offset), #type "." #field " moved")

ROBINA_CHECK_SIZE(void *, 4);
ROBINA_CHECK_SIZE(MouseRecord, 16);
ROBINA_CHECK_LAYOUT(MouseRecord, y, 4);
ROBINA_CHECK_LAYOUT(MouseRecord, click, 8);
ROBINA_CHECK_LAYOUT(MouseRecord, held, 11);
ROBINA_CHECK_LAYOUT(MouseRecord, reserved, 14);

ROBINA_CHECK_SIZE(Image, 544);
ROBINA_CHECK_LAYOUT(Image, surface, 8);
ROBINA_CHECK_LAYOUT(Image, keep, 12);
ROBINA_CHECK_LAYOUT(Image, name, 13);
ROBINA_CHECK_LAYOUT(Image, pack, 273);
ROBINA_CHECK_LAYOUT(Image, width, 536);
ROBINA_CHECK_LAYOUT(Image, height, 540);

ROBINA_CHECK_SIZE(Sprite, 64);
ROBINA_CHECK_LAYOUT(Sprite, image, 8);
ROBINA_CHECK_LAYOUT(Sprite, keep, 12);
ROBINA_CHECK_LAYOUT(Sprite, priority, 16);
ROBINA_CHECK_LAYOUT(Sprite, visible, 20);
ROBINA_CHECK_LAYOUT(Sprite, x, 24);
ROBINA_CHECK_LAYOUT(Sprite, y, 28);
ROBINA_CHECK_LAYOUT(Sprite, right, 32);
ROBINA_CHECK_LAYOUT(Sprite, bottom, 36);
ROBINA_CHECK_LAYOUT(Sprite, srcLeft, 40);
ROBINA_CHECK_LAYOUT(Sprite, srcTop, 44);
ROBINA_CHECK_LAYOUT(Sprite, srcRight, 48);
ROBINA_CHECK_LAYOUT(Sprite, srcBottom, 52);
ROBINA_CHECK_LAYOUT(Sprite, stretch, 56);
ROBINA_CHECK_LAYOUT(Sprite, reserved, 60);

ROBINA_CHECK_SIZE(Sound, 280);
ROBINA_CHECK_LAYOUT(Sound, keep, 8);
ROBINA_CHECK_LAYOUT(Sound, name, 9);
ROBINA_CHECK_LAYOUT(Sound, buffer, 272);
ROBINA_CHECK_LAYOUT(Sound, loop, 276);

ROBINA_CHECK_SIZE(GameResultRecord, 28);
ROBINA_CHECK_LAYOUT(GameResultRecord, label, 4);
ROBINA_CHECK_LAYOUT(GameResultRecord, zumi, 24);

ROBINA_CHECK_SIZE(ServiceTableRecord, 27 * 4);
ROBINA_CHECK_LAYOUT(ServiceTableRecord, result, 32);
ROBINA_CHECK_LAYOUT(ServiceTableRecord, GameEndCall, 36);
ROBINA_CHECK_LAYOUT(ServiceTableRecord, DrawString, 52);
ROBINA_CHECK_LAYOUT(ServiceTableRecord, SndCreate, 72);
ROBINA_CHECK_LAYOUT(ServiceTableRecord, CreateTask, 88);
ROBINA_CHECK_LAYOUT(ServiceTableRecord, Free, 104);

#endif  // 32-bit
#endif
