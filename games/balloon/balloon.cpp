// ふうせんポン: balloons rise over a sky; a click on one pops it. Coloured balloons give 10
// points, the rare gold one 50; the round lasts one minute (3000 ticks). The game enters under
// the shell's cover, uncovers, plays, shows its result, covers again and ends.
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "robina_game.h"

namespace {
enum {
    CELL_W = 48, CELL_H = 72, GOLD = 4, BURST = 5, MAX_BALLOONS = 14, ROUND_TICKS = 3000,
    BURST_TICKS = 10, BANNER_TICKS = 90, BALLOON_PRIORITY = 200, TEXT_PRIORITY = 900
};

ServiceTableRecord *shell = 0;

struct Balloon {
    Sprite *sprite;
    int32_t kind;       // cell of the sheet: 0-3 colours, GOLD, or BURST while popping
    int32_t baseX;      // centre line of the sway
    int32_t y16;        // y in sixteenths of a pixel
    int32_t speed16;    // rise per tick in sixteenths
    int32_t phase;      // sway phase in ticks
    int32_t burst;      // ticks left of the burst picture; 0 when flying
};

struct Work {
    Image *sky, *sheet, *hud, *banner;
    Sprite *skySprite, *hudSprite, *bannerSprite;
    Sound *pop, *gold, *whistle, *music;
    Balloon balloons[MAX_BALLOONS];
    int32_t ticksLeft;
    int32_t score;
    int32_t popped;
    int32_t shownScore, shownSeconds;  // what the status line shows now
    int32_t wait;                      // ticks of the current banner
    int32_t nextSpawn;                 // ticks until the next balloon
};

Work *W() { return (Work *)*shell->currentWork; }
void Advance() { **shell->currentStep += 1; }

Sprite *PlainSprite(uint32_t priority, Image *image, int32_t x, int32_t y) {
    Sprite *sprite = shell->NewSprite(priority);
    sprite->image = image;
    sprite->srcRight = image->width;
    sprite->srcBottom = image->height;
    sprite->x = x;
    sprite->y = y;
    sprite->visible = 1;
    return sprite;
}

void ShowCell(Balloon *b, int32_t cell) {
    b->sprite->srcLeft = cell * CELL_W;
    b->sprite->srcRight = cell * CELL_W + CELL_W;
    b->sprite->srcTop = 0;
    b->sprite->srcBottom = CELL_H;
}

void DrawStatus(Work *w) {
    int32_t seconds = (w->ticksLeft + 49) / 50;
    if (seconds == w->shownSeconds && w->score == w->shownScore) return;
    w->shownSeconds = seconds;
    w->shownScore = w->score;
    char text[64];
    shell->FillImage(w->hud, 0, 0, 0);
    snprintf(text, sizeof text, "とくてん %dてん", w->score);
    shell->DrawString(w->hud->surface, 12, 3, 320, 27, 32, text, 22, 255, 255, 255, 1);
    snprintf(text, sizeof text, "のこり %2dびょう", seconds);
    shell->DrawString(w->hud->surface, 320, 3, 628, 27, 34, text, 22,
                      255, seconds <= 10 ? 120 : 255, seconds <= 10 ? 120 : 255, 1);
}

void ShowBanner(Work *w, const char *line1, const char *line2) {
    shell->FillImage(w->banner, 0, 0, 0);
    shell->DrawString(w->banner->surface, 0, 2, 480, 50, 33, line1, 44, 255, 240, 90, 1);
    if (line2) shell->DrawString(w->banner->surface, 0, 54, 480, 88, 33, line2, 28, 255, 255, 255, 1);
    w->bannerSprite->visible = 1;
}

void Spawn(Work *w) {
    for (int i = 0; i < MAX_BALLOONS; i++) {
        Balloon *b = &w->balloons[i];
        if (b->sprite->visible) continue;
        b->kind = shell->Random(1, 12) == 1 ? GOLD : shell->Random(0, 3);
        b->baseX = shell->Random(30, 640 - 30 - CELL_W);
        b->y16 = 362 * 16;
        b->speed16 = shell->Random(14, 30) + (b->kind == GOLD ? 14 : 0)
                     + (ROUND_TICKS - w->ticksLeft) / 200;  // the sky gets busier as time runs out
        b->phase = shell->Random(0, 300);
        b->burst = 0;
        ShowCell(b, b->kind);
        b->sprite->visible = 1;
        return;
    }
}

// Moves one balloon; returns 1 when the click lands on it.
int Fly(Balloon *b, const MouseRecord *mouse) {
    if (b->burst) {
        if (--b->burst == 0) b->sprite->visible = 0;
        return 0;
    }
    b->phase++;
    b->y16 -= b->speed16;
    b->sprite->x = b->baseX + (int32_t)(14.0 * sin(b->phase / 25.0));
    b->sprite->y = b->y16 / 16;
    if (b->sprite->y < -CELL_H) {
        b->sprite->visible = 0;
        return 0;
    }
    if (!mouse->click[0]) return 0;
    int32_t dx = mouse->x - (b->sprite->x + CELL_W / 2), dy = mouse->y - (b->sprite->y + 29);
    return dx * dx * 27 * 27 + dy * dy * 20 * 20 <= 20 * 20 * 27 * 27;  // inside the 40x54 oval
}

void __cdecl Setup() {
    Work *w = W();
    w->sky = shell->NewImage("sky.bmp");
    w->sheet = shell->NewImage("balloons.bmp");
    w->hud = shell->NewImage("hud.bmp");
    w->banner = shell->NewImage("banner.bmp");
    w->pop = shell->SndCreate("pop.wav");
    w->gold = shell->SndCreate("gold.wav");
    w->whistle = shell->SndCreate("whistle.wav");
    w->music = shell->SndCreate("bgm.wav");
    w->skySprite = PlainSprite(100, w->sky, 0, 0);
    for (int i = 0; i < MAX_BALLOONS; i++) {
        Balloon *b = &w->balloons[i];
        b->sprite = PlainSprite(BALLOON_PRIORITY + i, w->sheet, 0, 0);
        b->sprite->visible = 0;
    }
    w->hudSprite = PlainSprite(TEXT_PRIORITY, w->hud, 0, 4);
    w->bannerSprite = PlainSprite(TEXT_PRIORITY + 1, w->banner, 80, 130);
    w->bannerSprite->visible = 0;
    w->ticksLeft = ROUND_TICKS;
    w->shownScore = -1;
    DrawStatus(w);
    shell->SetClearColour(110, 180, 250);
    if (*shell->fadeState == FADE_COVERED) *shell->fadeState = FADE_UNCOVER;
    Advance();
}

void __cdecl WaitVisible() {
    if (*shell->fadeState != FADE_VISIBLE) return;
    Work *w = W();
    ShowBanner(w, "よーい スタート！", "ふうせんを クリック！");
    if (w->whistle) shell->PlaySnd(w->whistle);
    w->wait = BANNER_TICKS;
    Advance();
}

void __cdecl Ready() {
    Work *w = W();
    if (--w->wait > 0) return;
    w->bannerSprite->visible = 0;
    if (w->music) {
        w->music->loop = 1;
        shell->PlaySnd(w->music);
    }
    Advance();
}

void __cdecl Play() {
    Work *w = W();
    if (--w->nextSpawn <= 0) {
        Spawn(w);
        int32_t gap = shell->Random(8, 28) - (ROUND_TICKS - w->ticksLeft) / 250;
        w->nextSpawn = gap < 4 ? 4 : gap;
    }
    int clicked = 0;  // one click pops at most one balloon: the front one
    for (int i = MAX_BALLOONS - 1; i >= 0; i--) {
        Balloon *b = &w->balloons[i];
        if (!b->sprite->visible) continue;
        if (Fly(b, shell->mouse) && !clicked) {
            clicked = 1;
            w->score += b->kind == GOLD ? 50 : 10;
            w->popped++;
            Sound *sound = b->kind == GOLD ? w->gold : w->pop;
            if (sound) shell->PlaySnd(sound);
            b->kind = BURST;
            ShowCell(b, BURST);
            b->burst = BURST_TICKS;
        }
    }
    w->ticksLeft--;
    DrawStatus(w);
    if (w->ticksLeft > 0) return;
    if (w->music) shell->StopSnd(w->music);
    if (w->whistle) shell->PlaySnd(w->whistle);
    char line[64];
    snprintf(line, sizeof line, "%dてん  (%dこ わったよ)", w->score, w->popped);
    ShowBanner(w, "おしまい！", line);
    w->wait = BANNER_TICKS * 2;
    Advance();
}

void __cdecl Results() {
    Work *w = W();
    for (int i = 0; i < MAX_BALLOONS; i++) Fly(&w->balloons[i], shell->mouse);
    if (--w->wait > 0) return;
    *shell->fadeState = FADE_COVER;
    Advance();
}

// Under the cover the game frees what it made, so that it leaves nothing for the shell to clear.
void FreeWhatWasMade(Work *w) {
    Sprite *sprites[] = {w->skySprite, w->hudSprite, w->bannerSprite};
    for (Sprite *s : sprites) shell->FreeSprite(s);
    for (Balloon &b : w->balloons) shell->FreeSprite(b.sprite);
    Image *images[] = {w->sky, w->sheet, w->hud, w->banner};
    for (Image *i : images) shell->FreeImage(i);
    Sound *sounds[] = {w->pop, w->gold, w->whistle, w->music};
    for (Sound *s : sounds) shell->RemoveSnd(s);
}

void __cdecl Leave() {
    if (*shell->fadeState != FADE_COVERED) return;
    Work *w = W();
    FreeWhatWasMade(w);
    GameResultRecord *result = shell->result;
    result->score = (uint32_t)w->score;
    snprintf(result->label, sizeof result->label, "%dてん", w->score);
    result->zumi += w->popped / 10;
    shell->GameEndCall();  // the task and its work area are gone now
}

const StepRoutine Steps[] = {Setup, WaitVisible, Ready, Play, Results, Leave};
}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    shell = services;
    services->CreateTask(Steps, 1000, TASK_ATTR_RUN, sizeof(Work));
    return 1;
}

ROBINA_GAME_ENTRY End(void) {
    return 0;
}
