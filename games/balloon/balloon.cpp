// ふうせんポン: balloons rise over a sky; a click on one pops it. Coloured balloons give 10
// points, the rare gold one 50; the round lasts one minute (3000 ticks). The game enters under
// the shell's cover, uncovers, plays, shows its result, covers again and ends.
#include <math.h>
#include <stdio.h>
#include "../common/playkit.h"

namespace {
enum {
    CELL_W = 48, CELL_H = 72, GOLD = 4, BURST = 5, MAX_BALLOONS = 14, ROUND_TICKS = 3000,
    BURST_TICKS = 10, BALLOON_PRIORITY = 200
};

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
    Stage stage;
    Image *sheet;
    Sound *pop, *gold;
    Balloon balloons[MAX_BALLOONS];
    int32_t ticksLeft;
    int32_t popped;
    int32_t nextSpawn;  // ticks until the next balloon
};

Work *W() { return (Work *)CurrentStage(); }

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
        ShowCell(b->sprite, CELL_W, CELL_H, b->kind);
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

// While the result shows, the balloons go on rising and the bursts fade.
void Drift(void) {
    Work *w = W();
    for (int i = 0; i < MAX_BALLOONS; i++) Fly(&w->balloons[i], shell->mouse);
}

void __cdecl Setup() {
    Work *w = W();
    Stage *stage = &w->stage;
    stage->title = "よーい スタート！";
    stage->hint = "ふうせんを クリック！";
    stage->unit = "てん";
    stage->meanwhile = Drift;
    Image *sky = LoadImage(stage, "sky.bmp");
    w->sheet = LoadImage(stage, "balloons.bmp");
    w->pop = LoadSound(stage, "pop.wav");
    w->gold = LoadSound(stage, "gold.wav");
    PlaceSprite(stage, 100, sky, 0, 0);
    for (int i = 0; i < MAX_BALLOONS; i++) {
        Balloon *b = &w->balloons[i];
        b->sprite = PlaceSprite(stage, BALLOON_PRIORITY + i, w->sheet, 0, 0);
        b->sprite->visible = 0;
    }
    w->ticksLeft = ROUND_TICKS;
    shell->SetClearColour(110, 180, 250);
    OpenStage(stage, "bgm.wav");
    ShowTimeLeft(stage, ROUND_TICKS, 1);
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
            w->stage.score += b->kind == GOLD ? 50 : 10;
            w->popped++;
            PlaySound(b->kind == GOLD ? w->gold : w->pop);
            b->kind = BURST;
            ShowCell(b->sprite, CELL_W, CELL_H, BURST);
            b->burst = BURST_TICKS;
        }
    }
    ShowTimeLeft(&w->stage, --w->ticksLeft, 1);
    if (w->ticksLeft > 0) return;
    char line[64];
    snprintf(line, sizeof line, "%dてん  (%dこ わったよ)", w->stage.score, w->popped);
    w->stage.zumi = w->popped / 10;
    CloseStage(&w->stage, line);
}
}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    return StartStageGame(services, Setup, Play, sizeof(Work));
}

ROBINA_GAME_ENTRY End(void) {
    return 0;
}
