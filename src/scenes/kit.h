// The small kit every scene file is built from: loading and freeing lists of assets, placing sprites
// from a table, the hit test of every clickable box, the button protocol, and the generic steps that
// wait for the fade cover. See CONVENTIONS.md for how a scene file is laid out.
#ifndef ROBINA_SCENE_KIT_H
#define ROBINA_SCENE_KIT_H

#include <stdint.h>
#include "robina_game.h"

// The rows of a table declared without a size, for the static_assert that holds its count: a row
// left out fails to build instead of reading as zeros.
#define ROW_COUNT(table) (sizeof(table) / sizeof((table)[0]))

// --- assets ---
// Loads names[i] into slots[i] from the current pack, in list order; a failed load leaves a null
// slot (the loaders have already reported it). Returns the number loaded.
int LoadImages(Image **slots, const char *const *names, int count);
int LoadSounds(Sound **slots, const char *const *names, int count);
// Frees every non-null slot and clears it; null slots are skipped.
void FreeImages(Image **slots, int count);
void FreeSounds(Sound **slots, int count);
void FreeSprites(Sprite **slots, int count);

// --- sprites from tables ---
// One row of a placement table: a plain sprite showing (0, 0)-(w, h) of its image at (x, y).
typedef struct Placement {
    uint32_t priority;
    int32_t image;    // index into the scene's image slots
    int32_t x, y;     // play-area position
    int32_t w, h;     // source size
    int32_t visible;
} Placement;
Sprite *PlaceSprite(const Placement *row, Image *const *images);
void PlaceSprites(Sprite **slots, const Placement *rows, int count, Image *const *images);
// Shows (0, 0)-(w, h) of an image, plain; and moves a sprite.
void ShowImage(Sprite *sprite, Image *image, int32_t w, int32_t h);
void MoveSprite(Sprite *sprite, int32_t x, int32_t y);

// --- hit boxes ---
// Strictly inside: x < mx < x + w and y < my < y + h, so the box's own edges count as outside.
typedef struct HitBox {
    int32_t x, y, w, h;
} HitBox;
int HitTest(const HitBox *box, int32_t mx, int32_t my);

// --- buttons ---
// A button: its sprite, its five images (base, over, down 1, down 2, down 3) and its hit box, which
// is its resting position and source size. A press shows down 1, 2 and 3 in the three ticks after
// the click; the action follows in the fourth. A click on another button during the animation takes
// the press over and restarts it.
enum { BUTTON_BASE, BUTTON_OVER, BUTTON_DOWN1, BUTTON_DOWN2, BUTTON_DOWN3, BUTTON_IMAGES };
typedef struct Button {
    Sprite *sprite;
    Image *images[BUTTON_IMAGES];
    HitBox box;
    int32_t live;     // 0: neither shown nor clickable
} Button;
typedef struct ButtonPress {
    int32_t pressed;  // code of the pressed button, 1 for buttons[0]; 0: none
    float counter;    // image number of the press frame shown next
} ButtonPress;
// One tick of the protocol over the buttons in order; returns the code of the button whose press
// has finished (its action is due now), or 0. `click` is the sound every press plays.
int RunButtons(Button *buttons, int count, ButtonPress *press, Sound *click);

// --- racing lines ---
// Thin lines that race right to left across the play area, each at a height that follows a slow sine,
// resting a while at the left edge before a pass ends. A line draws its random numbers in one order:
// at its start height, angle, x and rest; at each new pass angle, rest and height. Each line is a task
// of its own; once *stop is 1 it frees its sprite and ends.
void CreateRacingLines(int count, uint32_t priority, Image *image, const int32_t *stop);

#endif
