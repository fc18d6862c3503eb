#include "playkit.h"

#include <stdio.h>
#include <string.h>

ServiceTableRecord *shell = 0;
static StepRoutine stageSteps[] = {0, StageEnter, StageReady, 0, StageResults, StageLeave};
enum { GAME_TASK_PRIORITY = 1000, STEP_SETUP = 0, STEP_PLAY = 3 };

int32_t StartStageGame(ServiceTableRecord *services, StepRoutine setup, StepRoutine play, int32_t workBytes) {
    shell = services;
    stageSteps[STEP_SETUP] = setup;
    stageSteps[STEP_PLAY] = play;
    services->CreateTask(stageSteps, GAME_TASK_PRIORITY, TASK_ATTR_RUN, workBytes);
    return 1;
}

Stage *CurrentStage(void) { return (Stage *)*shell->currentWork; }
void AdvanceStep(void) { **shell->currentStep += 1; }

// Every list keeps its first free slot; a full list still hands out the thing (the shell frees it).
template <typename T, int N> void Keep(T *(&list)[N], T *item) {
    for (int i = 0; i < N; i++)
        if (!list[i]) {
            list[i] = item;
            return;
        }
}

Image *LoadImage(Stage *stage, const char *name) {
    Image *image = shell->NewImage(name);
    Keep(stage->images, image);
    return image;
}

Sound *LoadSound(Stage *stage, const char *name) {
    Sound *sound = shell->SndCreate(name);
    if (sound) Keep(stage->sounds, sound);
    return sound;
}

void *TakeBlock(Stage *stage, int32_t size) {
    void *block = shell->Alloc(size);
    Keep(stage->blocks, block);
    return block;
}

Sprite *PlaceSprite(Stage *stage, uint32_t priority, Image *image, int32_t x, int32_t y) {
    Sprite *sprite = shell->NewSprite(priority);
    Keep(stage->sprites, sprite);
    sprite->image = image;
    sprite->srcRight = image->width;
    sprite->srcBottom = image->height;
    sprite->x = x;
    sprite->y = y;
    sprite->visible = 1;
    return sprite;
}

void ShowCell(Sprite *sprite, int32_t cellW, int32_t cellH, int32_t cell) {
    sprite->srcLeft = cell * cellW;
    sprite->srcRight = cell * cellW + cellW;
    sprite->srcTop = 0;
    sprite->srcBottom = cellH;
}

int32_t SpriteHit(const Sprite *sprite, int32_t x, int32_t y) {
    int32_t w = sprite->stretch ? sprite->right - sprite->x : sprite->srcRight - sprite->srcLeft;
    int32_t h = sprite->stretch ? sprite->bottom - sprite->y : sprite->srcBottom - sprite->srcTop;
    return sprite->visible && x >= sprite->x && x < sprite->x + w && y >= sprite->y && y < sprite->y + h;
}

void PlaySound(Sound *sound) {
    if (sound) shell->PlaySnd(sound);
}

void ShowStatus(Stage *stage, const char *right, int32_t warn) {
    char status[64];
    snprintf(status, sizeof status, "%d%s|%s|%d", stage->score, stage->unit, right, warn);
    if (strcmp(status, stage->shownStatus) == 0) return;  // text is drawn only when it changes
    strcpy(stage->shownStatus, status);
    char left[32];
    snprintf(left, sizeof left, "とくてん %d%s", stage->score, stage->unit);
    shell->FillImage(stage->hud, 0, 0, 0);
    shell->DrawString(stage->hud->surface, 12, 3, 320, 27, TEXT_LEFT | TEXT_ONE_LINE, left, 22, 255, 255, 255, 1);
    shell->DrawString(stage->hud->surface, 320, 3, 628, 27, TEXT_RIGHT | TEXT_ONE_LINE, right, 22, 255,
                      warn ? 120 : 255, warn ? 120 : 255, 1);
}

// Whole seconds, rounded up, so the last one still shows "1".
int32_t ShowTimeLeft(Stage *stage, int32_t ticksLeft, int32_t warn) {
    int32_t seconds = (ticksLeft + TICKS_PER_SECOND - 1) / TICKS_PER_SECOND;
    char right[32];
    snprintf(right, sizeof right, "のこり %2dびょう", seconds);
    ShowStatus(stage, right, warn && seconds <= 10);
    return seconds;
}

void ShowBanner(Stage *stage, const char *line1, const char *line2) {
    shell->FillImage(stage->banner, 0, 0, 0);
    const uint32_t centred = TEXT_CENTRE | TEXT_ONE_LINE;
    shell->DrawString(stage->banner->surface, 0, 2, 480, 50, centred, line1, 44, 255, 240, 90, 1);
    if (line2) shell->DrawString(stage->banner->surface, 0, 54, 480, 88, centred, line2, 28, 255, 255, 255, 1);
    stage->bannerSprite->visible = 1;
}

void OpenStage(Stage *stage, const char *music) {
    stage->hud = LoadImage(stage, "hud.bmp");
    stage->banner = LoadImage(stage, "banner.bmp");
    stage->whistle = LoadSound(stage, "whistle.wav");
    stage->music = music ? LoadSound(stage, music) : 0;
    stage->hudSprite = PlaceSprite(stage, HUD_PRIORITY, stage->hud, 0, 4);
    stage->bannerSprite = PlaceSprite(stage, BANNER_PRIORITY, stage->banner, 80, 130);
    stage->bannerSprite->visible = 0;
    if (*shell->fadeState == FADE_COVERED) *shell->fadeState = FADE_UNCOVER;
    AdvanceStep();
}

void __cdecl StageEnter(void) {
    if (*shell->fadeState != FADE_VISIBLE) return;
    Stage *stage = CurrentStage();
    ShowBanner(stage, stage->title, stage->hint);
    PlaySound(stage->whistle);
    stage->wait = BANNER_TICKS;
    AdvanceStep();
}

void __cdecl StageReady(void) {
    Stage *stage = CurrentStage();
    if (--stage->wait > 0) return;
    stage->bannerSprite->visible = 0;
    if (stage->music) {
        stage->music->loop = 1;
        shell->PlaySnd(stage->music);
    }
    AdvanceStep();
}

void CloseStage(Stage *stage, const char *line) {
    if (stage->music) shell->StopSnd(stage->music);
    PlaySound(stage->whistle);
    ShowBanner(stage, "おしまい！", line);
    stage->wait = BANNER_TICKS * 2;
    AdvanceStep();
}

void __cdecl StageResults(void) {
    Stage *stage = CurrentStage();
    if (stage->meanwhile) stage->meanwhile();
    if (--stage->wait > 0) return;
    *shell->fadeState = FADE_COVER;
    AdvanceStep();
}

// Under the cover: everything the game made goes, then the result, then the end.
void __cdecl StageLeave(void) {
    if (*shell->fadeState != FADE_COVERED) return;
    Stage *stage = CurrentStage();
    for (Sprite *sprite : stage->sprites)
        if (sprite) shell->FreeSprite(sprite);
    for (Image *image : stage->images)
        if (image) shell->FreeImage(image);
    for (Sound *sound : stage->sounds)
        if (sound) shell->RemoveSnd(sound);
    for (void *block : stage->blocks)
        if (block) shell->Free(block);
    GameResultRecord *result = shell->result;
    result->score = stage->score > 0 ? (uint32_t)stage->score : 0;
    snprintf(result->label, sizeof result->label, "%d%s", stage->score, stage->unit);
    result->zumi += stage->zumi;
    shell->GameEndCall();  // the task and its work area are gone now
}
