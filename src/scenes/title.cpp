// The title: behind the lifting cover the title character plays as 34 full pictures, holding on
// frame 16; the product logo, a click hint and the small mascot slide in, and the title picture
// replaces the character. Then it waits: the logo hops every 301 ticks and bounces back, the hint
// blinks and thin lines sweep across the background. A left click anywhere but on the mascot covers
// the screen, frees the scene and ends it through SceneDone. Clicking the mascot plays the button
// sound; the sixteenth click plays the lock sound instead and sets MascotJitter for the whole run.
#include <stdio.h>
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "task/task.h"
#include "task/scene.h"
#include "fade/fade.h"

enum {
    TITLE_UNCOVER,
    TITLE_WAIT_VISIBLE,
    TITLE_INTRO,
    TITLE_SLIDE,
    TITLE_WAIT_CLICK,
    TITLE_UNUSED,       // never entered; the covering steps keep their numbers
    TITLE_WAIT_COVER,
    TITLE_FREE,
    TITLE_DONE,
    TITLE_END,
};

// --- assets ---
enum { SOUND_BUTTON, SOUND_INTRO, SOUND_HOLD_END, SOUND_LOCK, TITLE_SOUNDS };
static const char *const SoundNames[] = {
    "bt_norm.wav",
    "title_se0.wav",
    "title_se1.wav",
    "bt_loc.wav",
};
static_assert(ROW_COUNT(SoundNames) == TITLE_SOUNDS, "one row each");

enum { IMAGE_BG, IMAGE_LOGO, IMAGE_HINT, IMAGE_MASCOT, IMAGE_TITLE, IMAGE_LINE, IMAGE_MAP, IMAGE_MINI,
       TITLE_IMAGES };
static const char *const ImageNames[] = {
    "title_bg.bmp",
    "robina_logo.bmp",
    "mouse_crick.bmp",
    "39zumi2.bmp",
    "title.bmp",
    "bgline.bmp",
    "title_map.bmp",
    "mini_dws.bmp",
};
static_assert(ROW_COUNT(ImageNames) == TITLE_IMAGES, "one row each");

// The character's pictures: FRAME_NAME with the numbers 1 to FRAME_COUNT.
enum { FRAME_COUNT = 34, FRAME_NAME_BYTES = 32 };
static const char FRAME_NAME[] = "title_pomo%02d.bmp";

// --- sprites, in creation order; the character row's image is an index into the frames ---
enum { SPRITE_LOGO, SPRITE_HINT, SPRITE_MASCOT, SPRITE_MAP, SPRITE_TITLE, SPRITE_MINI, SPRITE_CHARACTER,
       SPRITE_BG, TITLE_SPRITES, SPRITES_BEFORE_FRAMES = SPRITE_CHARACTER };
static const Placement SpriteRows[] = {
    // priority  image          x      y    w    h   visible
    {200, IMAGE_LOGO,    640,  44, 323, 121, 1},
    {200, IMAGE_HINT,   -175, 328, 175,  19, 1},
    {200, IMAGE_MASCOT, -238, 304,  61,  52, 1},
    {100, IMAGE_MAP,     380,  71, 121, 233, 1},
    {101, IMAGE_TITLE,    68,   0, 469, 346, 0},
    {101, IMAGE_MINI,    515, 312, 120,  38, 1},
    { 80, 0,              68,   0, 312, 312, 1},
    {  0, IMAGE_BG,        0,   0, 640, 360, 1},
};
static_assert(ROW_COUNT(SpriteRows) == TITLE_SPRITES, "one row each");

// The mascot at rest; its own edges are outside.
static const HitBox MascotBox = {8, 304, 61, 52};

// --- timings and motion ---
enum {
    TITLE_PRIORITY = SCENE_PRIORITY,
    HOLD_FRAME = 16,          // the picture the intro stays on
    HOLD_STEP = 2,            // hold counter gain per tick; the hold ends at HOLD_END
    HOLD_END = 100,
    SLIDE_FROM_FRAME = 26,    // the logo, hint and mascot start moving with this picture
    SLIDE_STEP = 7,           // slide progress per tick, out of SLIDE_END
    SLIDE_END = 100,
    HOP_EVERY_TICKS = 300,    // the hop comes on the tick after this many
    BLINK_ON_TICKS = 50,      // the hint shows while the blink counter is at most this
    BLINK_CYCLE_TICKS = 75,   // past this the blink counter starts again at 0
    MASCOT_LOCK_CLICKS = 16,  // the click that plays the lock sound and sets MascotJitter
};
static const float FRAME_STEP = 0.5f;     // pictures per tick
static const float LOGO_REST_Y = 44;
static const int32_t LOGO_REST_X = 303;
static const float HOP_SPEED = -5;
static const float BOUNCE = -0.8f;        // speed kept, reversed, when the logo lands
static const float GRAVITY = 0.6f;        // speed gained per tick

// Slide paths: x = start + progress * span * 0.01, progress 0 to SLIDE_END. The logo comes in from
// the right, the hint and the mascot from the left.
static const double LOGO_SPAN = -337, INLAY_SPAN = 246;

// --- background lines ---
enum { LINE_TASK_COUNT = 10, LINE_PRIORITY = 10 };

// --- work areas ---
typedef struct TitleWork {
    float t;       // intro: picture position; idle: blink counter
    float hold;    // intro: hold counter on HOLD_FRAME; idle: hop timer
    float pos;     // intro: slide progress; idle: logo y
    float speed;   // idle: logo vertical speed
    int32_t clicks;  // clicks on the mascot
} TitleWork;
static_assert(sizeof(TitleWork) == 20, "title work area is 20 bytes");

int32_t MascotJitter = 0;
static int32_t TitleLinesStop = 0;  // 1 tells the line tasks to free their sprites and end
static Sound *Sounds[TITLE_SOUNDS];
static Image *Images[TITLE_IMAGES];
static Image *Frames[FRAME_COUNT];
static Sprite *Sprites[TITLE_SPRITES];

static TitleWork *Work(void) { return (TitleWork *)CurrentWork; }

// --- shared motion ---
static void SlideSprite(int slot, double progress, double span) {
    const Placement *row = &SpriteRows[slot];
    MoveSprite(Sprites[slot], (int32_t)(row->x + progress * span * 0.01), row->y);
}

static void Slide(TitleWork *work) {
    work->pos += SLIDE_STEP;
    if (work->pos > SLIDE_END) work->pos = SLIDE_END;
    SlideSprite(SPRITE_LOGO, work->pos, LOGO_SPAN);
    SlideSprite(SPRITE_HINT, work->pos, INLAY_SPAN);
    SlideSprite(SPRITE_MASCOT, work->pos, INLAY_SPAN);
}

static void Bounce(TitleWork *work) {
    work->pos += work->speed;
    if (work->pos > LOGO_REST_Y) {
        work->speed *= BOUNCE;
        work->pos = LOGO_REST_Y;
    }
    work->speed += GRAVITY;
    MoveSprite(Sprites[SPRITE_LOGO], LOGO_REST_X, (int32_t)work->pos);
}

// --- title steps ---
static void __cdecl UncoverStep(void) {
    FadeState = FADE_UNCOVER;
    *CurrentStep += 1;
}

static void __cdecl WaitVisibleStep(void) {
    if (FadeState != FADE_VISIBLE) return;
    TitleWork *work = Work();
    work->t = 1;
    work->hold = 0;
    work->pos = 0;
    PlaySnd(Sounds[SOUND_INTRO]);
    *CurrentStep += 1;
}

static void __cdecl IntroStep(void) {
    TitleWork *work = Work();
    work->t += FRAME_STEP;
    int frame = (int)work->t;
    if (frame == HOLD_FRAME) {
        work->hold += HOLD_STEP;
        if (work->hold < HOLD_END) work->t -= FRAME_STEP;
        else PlaySnd(Sounds[SOUND_HOLD_END]);
    } else if (frame >= FRAME_COUNT) {
        frame = FRAME_COUNT;
    }
    Sprites[SPRITE_CHARACTER]->image = Frames[frame - 1];
    if (frame == FRAME_COUNT) {
        work->t = 1;
        Sprites[SPRITE_CHARACTER]->visible = 0;
        Sprites[SPRITE_TITLE]->visible = 1;
        *CurrentStep += 1;
    } else if (frame >= SLIDE_FROM_FRAME) {
        Slide(work);
    }
}

static void __cdecl SlideStep(void) {
    TitleWork *work = Work();
    Slide(work);
    if (work->pos < SLIDE_END) return;
    work->t = 0;
    work->hold = 0;
    work->pos = LOGO_REST_Y;
    work->speed = 0;
    *CurrentStep += 1;
}

static void ClickMascot(TitleWork *work) {
    work->clicks += 1;
    if (work->clicks == MASCOT_LOCK_CLICKS) {
        PlaySnd(Sounds[SOUND_LOCK]);
        MascotJitter = 1;
    } else if (work->clicks < MASCOT_LOCK_CLICKS) {
        PlaySnd(Sounds[SOUND_BUTTON]);
    }
}

static void __cdecl WaitClickStep(void) {
    TitleWork *work = Work();
    work->hold += 1;
    if (work->hold > HOP_EVERY_TICKS) {
        work->pos = LOGO_REST_Y;
        work->hold = 0;
        work->speed = HOP_SPEED;
    }
    Bounce(work);
    work->t += 1;
    if (work->t > BLINK_CYCLE_TICKS) work->t = 0;
    Sprites[SPRITE_HINT]->visible = work->t <= BLINK_ON_TICKS;
    if (!MouseState.click[BUTTON_LEFT]) return;
    if (HitTest(&MascotBox, MouseState.x, MouseState.y)) {
        ClickMascot(work);
        return;
    }
    FadeState = FADE_COVER;
    *CurrentStep = TITLE_WAIT_COVER;
}

static void __cdecl WaitCoverStep(void) {
    Bounce(Work());
    if (FadeState != FADE_COVERED) return;
    TitleLinesStop = 1;
    *CurrentStep += 1;
}

static void __cdecl FreeStep(void) {
    FreeSprites(Sprites, TITLE_SPRITES);
    FreeImages(Images, TITLE_IMAGES);
    FreeImages(Frames, FRAME_COUNT);
    FreeSounds(Sounds, TITLE_SOUNDS);
    *CurrentStep += 1;
}

static void __cdecl DoneStep(void) {
    SceneDone = 1;
    *CurrentStep += 1;
}

static const StepRoutine TitleSteps[] = {
    UncoverStep,
    WaitVisibleStep,
    IntroStep,
    SlideStep,
    WaitClickStep,
    IdleStep,
    WaitCoverStep,
    FreeStep,
    DoneStep,
    KillCurrentTaskStep,
};
static_assert(sizeof(TitleSteps) / sizeof(TitleSteps[0]) == TITLE_END + 1, "one routine per title step");

static void LoadFrames(void) {
    char name[FRAME_NAME_BYTES];
    for (int i = 0; i < FRAME_COUNT; i++) {
        snprintf(name, sizeof name, FRAME_NAME, i + 1);
        Frames[i] = NewImage(name);
    }
}

void *StartTitleScene(void) {
    TitleWork *work = (TitleWork *)CreateTask(TitleSteps, TITLE_PRIORITY, TASK_ATTR_RUN, sizeof(TitleWork));
    LoadSounds(Sounds, SoundNames, TITLE_SOUNDS);
    LoadImages(Images, ImageNames, TITLE_IMAGES);
    PlaceSprites(Sprites, SpriteRows, SPRITES_BEFORE_FRAMES, Images);
    LoadFrames();
    Sprites[SPRITE_CHARACTER] = PlaceSprite(&SpriteRows[SPRITE_CHARACTER], Frames);
    Sprites[SPRITE_BG] = PlaceSprite(&SpriteRows[SPRITE_BG], Images);
    TitleLinesStop = 0;
    CreateRacingLines(LINE_TASK_COUNT, LINE_PRIORITY, Images[IMAGE_LINE], &TitleLinesStop);
    work->clicks = 0;
    return work;
}
