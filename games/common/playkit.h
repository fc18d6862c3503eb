// What the sample games share, built into each game's library: the shell's table, sprites made
// from whole pictures or from cells of a sheet, the status line and the banner, what a game
// loaded or allocated (freed again before the game ends), and the way in and out under the
// shell's cover. Knows the shell through robina_game.h only.
//
// A game's work area starts with a Stage, and its Start hands its Setup and Play to StartStageGame,
// which runs them as the steps {Setup, StageEnter, StageReady, Play, StageResults, StageLeave}.
// Setup loads through the Stage and ends with OpenStage; Play ends the round with CloseStage.
#ifndef ROBINA_PLAYKIT_H
#define ROBINA_PLAYKIT_H

#include "robina_game.h"

enum {
    STAGE_MAX_IMAGES = 12, STAGE_MAX_SOUNDS = 12, STAGE_MAX_SPRITES = 160, STAGE_MAX_BLOCKS = 4,
    BANNER_TICKS = 90, HUD_PRIORITY = 900, BANNER_PRIORITY = 901, TICKS_PER_SECOND = 50
};

struct Stage {
    const char *title, *hint;  // the start banner
    const char *unit;          // of the score, as in "120てん"
    int32_t score;
    int32_t zumi;              // earned in this play, added to the player's total at the end
    Image *hud, *banner;
    Sprite *hudSprite, *bannerSprite;
    Sound *whistle, *music;
    int32_t wait;              // ticks left of the current banner
    void (*meanwhile)(void);   // run each tick while the closing banner shows; null: the stage stands still
    char shownStatus[64];      // what the status line shows now
    Image *images[STAGE_MAX_IMAGES];
    Sound *sounds[STAGE_MAX_SOUNDS];
    Sprite *sprites[STAGE_MAX_SPRITES];
    void *blocks[STAGE_MAX_BLOCKS];
};

extern ServiceTableRecord *shell;

Stage *CurrentStage(void);
void AdvanceStep(void);
Image *LoadImage(Stage *stage, const char *name);
Sound *LoadSound(Stage *stage, const char *name);  // null without a sound device
void *TakeBlock(Stage *stage, int32_t size);
Sprite *PlaceSprite(Stage *stage, uint32_t priority, Image *image, int32_t x, int32_t y);
void ShowCell(Sprite *sprite, int32_t cellW, int32_t cellH, int32_t cell);  // cells in one row
int32_t SpriteHit(const Sprite *sprite, int32_t x, int32_t y);              // 1: the point is on it
void PlaySound(Sound *sound);                                                // no-op for null
void ShowStatus(Stage *stage, const char *right, int32_t warn);              // score left, text right
void ShowBanner(Stage *stage, const char *line1, const char *line2);
// "のこり N びょう" at the right of the status line, in the warning colour from 10 s when warn; N.
int32_t ShowTimeLeft(Stage *stage, int32_t ticksLeft, int32_t warn);
void OpenStage(Stage *stage, const char *music);  // status, banner, whistle; uncovers; advances
void CloseStage(Stage *stage, const char *line);  // the closing banner; advances

// Creates the game's task with a zeroed work area of workBytes (a Stage first); Start's result.
int32_t StartStageGame(ServiceTableRecord *services, StepRoutine setup, StepRoutine play, int32_t workBytes);

void __cdecl StageEnter(void);
void __cdecl StageReady(void);
void __cdecl StageResults(void);
void __cdecl StageLeave(void);

#endif
