// The game interface: the one header a game library is built against, and the record layouts the
// engine itself uses (the globals MouseState, GameResult and ServiceTable are of the *Record types
// here). Every layout here is shared by pointer with game libraries built separately, so
// sizes and offsets are frozen and checked at compile time. 32-bit Windows, cdecl, little-endian.
//
// Fields marked "engine's" belong to the shell: a game reads them at most and never writes them.
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

// The shell this header comes with, in hundredths (1.04). A game.ini whose REQUIREVER is above the
// version of the shell that reads it is refused by that shell.
#define ROBINA_SHELL_VERSION 104

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
    struct Image *prev;                  // engine's: the image list
    struct Image *next;                  // engine's
    struct IDirectDrawSurface *surface;  // what DrawString draws into
    uint8_t keep;                        // engine's: 1 keeps the image when a scene ends
    char name[260];                      // the member it was loaded from
    char pack[260];                      // engine's: the file it is reloaded from after a display change
    uint8_t pad[3];
    int32_t width;                       // in pixels, as loaded
    int32_t height;
} Image;

// One entry of the draw list: each frame draws the part srcLeft..srcRight, srcTop..srcBottom (right
// and bottom excluded) of its image at x, y, or with stretch 1 into x..right, y..bottom; whatever
// falls outside the play area (640x360) is cut off.
typedef struct Sprite {
    struct Sprite *prev;  // engine's: the draw list, in priority order
    struct Sprite *next;  // engine's
    Image *image;         // null: nothing is drawn
    uint8_t keep;         // engine's: 1 keeps the sprite when a scene ends
    uint8_t pad0[3];
    uint32_t priority;    // engine's: read it, change it with SetSpritePriority
    int32_t visible;      // 0 (as made): not drawn
    int32_t x;
    int32_t y;
    int32_t right;        // with stretch only
    int32_t bottom;       // with stretch only
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
    struct Sound *prev;                 // engine's: the sound list
    struct Sound *next;                 // engine's
    uint8_t keep;                       // engine's: 1 keeps the sound when a scene ends
    char name[263];                     // the member it was loaded from
    struct IDirectSoundBuffer *buffer;  // engine's: the loaded samples
    int32_t loop;                       // 1 before PlaySnd: plays over and over until StopSnd
} Sound;

// What a game reports back: a score to rank (0: none), the score as shown, the collected total.
typedef struct GameResultRecord {
    uint32_t score;
    char label[20];
    int32_t zumi;
} GameResultRecord;

// The table handed to a game's Start: nine pointers to shell data, then eighteen operations.
// Colours are 0..255 each.
typedef struct ServiceTableRecord {
    // The program's HINSTANCE and main HWND, for Windows calls that need an owner.
    void *const *instance;
    void *const *window;
    // 1 while the Windows cursor shows (the mouse is outside the play area), 0 while the drawn one does.
    int32_t *cursorShown;
    // Frames drawn in the last second, refreshed twice a second.
    int32_t *framesPerSecond;
    // The cover over the screen: the FADE_ values below.
    uint8_t *fadeState;
    // The mouse as this tick sees it.
    MouseRecord *mouse;
    // The running task's work area (zero-filled by CreateTask) and its step index.
    void **currentWork;
    int32_t **currentStep;
    // What the game reports when it ends.
    GameResultRecord *result;
    // Ends the game: every task of the game and its work area is freed at once, so return from the step.
    void (__cdecl *GameEndCall)(void);
    // Loads a BMP member into an image of its own size. Reads and decodes the file: load once, not each tick.
    // A missing or damaged member is an error that ends the program (the result is then null).
    Image *(__cdecl *NewImage)(const char *name);
    // Frees an image (null: nothing); returns how many images are still loaded.
    int32_t (__cdecl *FreeImage)(Image *image);
    // Fills a whole image with one colour (black: transparent); returns 0 when filled.
    int32_t (__cdecl *FillImage)(Image *image, int32_t r, int32_t g, int32_t b);
    // Draws Shift-JIS text into a surface (null: the back buffer) inside left..right, top..bottom, placed by
    // format (TEXT_ flags below), height pixels tall (0: 14), with a shadow in half the colour one pixel down
    // and right; proportional 1 for the proportional face. Makes a font each call: draw into an image when
    // the text changes, not each tick. Returns 0 when drawn.
    int32_t (__cdecl *DrawString)(struct IDirectDrawSurface *target, int32_t left, int32_t top,
                                  int32_t right, int32_t bottom, uint32_t format, const char *text,
                                  int32_t height, int32_t r, int32_t g, int32_t b, int32_t proportional);
    // Sets the colour every frame starts from; returns that colour as the screen's pixel value.
    int32_t (__cdecl *SetClearColour)(int32_t r, int32_t g, int32_t b);
    // A new sprite, zero-filled and so invisible, drawn by priority (lower first, and before the sprites of
    // its own; stay below 30000: the cover and the cursor are above). Costs a walk along the draw list.
    Sprite *(__cdecl *NewSprite)(uint32_t priority);
    // Moves a sprite in the drawing order as NewSprite places it; returns 1, 0 for null.
    int32_t (__cdecl *SetSpritePriority)(Sprite *sprite, uint32_t priority);
    // Takes a sprite off the draw list and frees it; returns 1, 0 for null.
    int32_t (__cdecl *FreeSprite)(Sprite *sprite);
    // Loads a PCM WAV member whole; null without a sound device or a readable member. Load once, not each tick.
    Sound *(__cdecl *SndCreate)(const char *name);
    // Stops and frees a sound (null: nothing); returns 1.
    int32_t (__cdecl *RemoveSnd)(Sound *sound);
    // Plays a sound from its start (null or no device: nothing); returns 1.
    int32_t (__cdecl *PlaySnd)(Sound *sound);
    // Stops a sound; returns 1, 0 for null while there is a device.
    int32_t (__cdecl *StopSnd)(Sound *sound);
    // A new task running steps[*currentStep] each tick with TASK_ATTR_RUN, lower priorities first (0 to
    // TASK_PRIORITY_MAX); steps must be static data. Returns its zero-filled work area of workSize bytes.
    void *(__cdecl *CreateTask)(StepTable steps, int32_t priority, uint32_t attr, int32_t workSize);
    // Ends the running task and frees its work area: return from the step at once. Returns 1, 0 outside a step.
    int32_t (__cdecl *KillCurrentTask)(void);
    // A number from lower to upper, both included; one sequence for the whole shell.
    int32_t (__cdecl *Random)(int32_t lower, int32_t upper);
    // A zero-filled block of size bytes (running out ends the program), and its return. The shell frees
    // images, sprites and sounds a game leaves behind, never its blocks.
    void *(__cdecl *Alloc)(int32_t size);
    void (__cdecl *Free)(void *block);
} ServiceTableRecord;

// DrawString's format: one place across, one place down, and TEXT_ONE_LINE or TEXT_WRAP, or'ed
// together (TEXT_CENTRE | TEXT_MIDDLE | TEXT_ONE_LINE). TEXT_MIDDLE and TEXT_BOTTOM need TEXT_ONE_LINE.
// Without either, the text breaks only at its line feeds. They are Windows' DrawText flags (DT_).
enum {
    TEXT_LEFT = 0x00, TEXT_CENTRE = 0x01, TEXT_RIGHT = 0x02,
    TEXT_TOP = 0x00, TEXT_MIDDLE = 0x04, TEXT_BOTTOM = 0x08,
    TEXT_WRAP = 0x10, TEXT_ONE_LINE = 0x20
};

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
