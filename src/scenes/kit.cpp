// The scene kit; see kit.h. Every operation works on a scene's tables and slot arrays, so a scene
// file holds data and step routines, and the loading, placing and button rules live here once.
#include "scenes/kit.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "task/task.h"
#include "scenes/lines_format.h"
#include "scenes/scenes.h"

int LoadImages(Image **slots, const char *const *names, int count) {
    int loaded = 0;
    for (int i = 0; i < count; i++) {
        slots[i] = NewImage(names[i]);
        loaded += slots[i] != 0;
    }
    return loaded;
}

int LoadSounds(Sound **slots, const char *const *names, int count) {
    int loaded = 0;
    for (int i = 0; i < count; i++) {
        slots[i] = SndCreate(names[i]);
        loaded += slots[i] != 0;
    }
    return loaded;
}

void FreeImages(Image **slots, int count) {
    for (int i = 0; i < count; i++) {
        if (slots[i]) FreeImage(slots[i]);
        slots[i] = 0;
    }
}

void FreeSounds(Sound **slots, int count) {
    for (int i = 0; i < count; i++) {
        if (slots[i]) RemoveSnd(slots[i]);
        slots[i] = 0;
    }
}

void FreeSprites(Sprite **slots, int count) {
    for (int i = 0; i < count; i++) {
        if (slots[i]) FreeSprite(slots[i]);
        slots[i] = 0;
    }
}

void ShowImage(Sprite *sprite, Image *image, int32_t w, int32_t h) {
    sprite->image = image;
    sprite->srcLeft = 0;
    sprite->srcTop = 0;
    sprite->srcRight = w;
    sprite->srcBottom = h;
    sprite->stretch = 0;
}

void MoveSprite(Sprite *sprite, int32_t x, int32_t y) {
    sprite->x = x;
    sprite->y = y;
}

Sprite *PlaceSprite(const Placement *row, Image *const *images) {
    Sprite *sprite = NewSprite(row->priority);
    ShowImage(sprite, images[row->image], row->w, row->h);
    MoveSprite(sprite, row->x, row->y);
    sprite->visible = row->visible;
    return sprite;
}

void PlaceSprites(Sprite **slots, const Placement *rows, int count, Image *const *images) {
    for (int i = 0; i < count; i++) slots[i] = PlaceSprite(&rows[i], images);
}

int HitTest(const HitBox *box, int32_t mx, int32_t my) {
    return box->x < mx && mx < box->x + box->w && box->y < my && my < box->y + box->h;
}

enum { PRESS_START = BUTTON_DOWN1, PRESS_END = BUTTON_IMAGES };  // counter values of a running press

static void ShowButton(Button *button, int image) {
    ShowImage(button->sprite, button->images[image], button->box.w, button->box.h);
}

int RunButtons(Button *buttons, int count, ButtonPress *press, Sound *click) {
    for (int i = 0; i < count; i++) {
        Button *button = &buttons[i];
        if (!button->live) continue;
        ShowButton(button, BUTTON_BASE);
        if (press->pressed == i + 1) {
            if (press->counter < PRESS_END) {
                ShowButton(button, (int)press->counter);
                press->counter += 1;
                continue;
            }
            ShowButton(button, BUTTON_DOWN3);
            return i + 1;
        }
        if (HitTest(&button->box, MouseState.x, MouseState.y)) {
            ShowButton(button, BUTTON_OVER);
            if (MouseState.click[BUTTON_LEFT]) {
                PlaySnd(click);
                press->counter = PRESS_START;
                press->pressed = i + 1;
            }
        }
    }
    return 0;
}

// --- racing lines ---
typedef struct RacingLine {
    LineMotion motion;
    Sprite *sprite;
    Image *image;
    const int32_t *stop;  // the scene's: 1 frees the sprite and ends the task
} RacingLine;

static void ShowLine(RacingLine *line, int32_t h) {
    if (h) ShowImage(line->sprite, line->image, LINE_W, h);
    MoveSprite(line->sprite, LineX(&line->motion), LineY(&line->motion));
}

static void __cdecl RacingLineStep(void) {
    RacingLine *line = (RacingLine *)CurrentWork;
    ShowLine(line, MoveLine(&line->motion, Random));
    if (!*line->stop) return;
    FreeSprites(&line->sprite, 1);
    *CurrentStep += 1;
}

static const StepRoutine RACING_LINE_STEPS[] = {RacingLineStep, KillCurrentTaskStep};

void CreateRacingLines(int count, uint32_t priority, Image *image, const int32_t *stop) {
    for (int i = 0; i < count; i++) {
        RacingLine *line =
            (RacingLine *)CreateTask(RACING_LINE_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(RacingLine));
        line->sprite = NewSprite(priority);
        line->sprite->visible = 1;
        line->image = image;
        line->stop = stop;
        ShowLine(line, StartLine(&line->motion, Random));
    }
}
