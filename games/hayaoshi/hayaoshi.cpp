// ぴょこっとキャッチ: the robin watches a patch of soil; when a worm pops out, a click catches it.
// The quicker the click, the more points: (1000 - milliseconds) / 2, at least 10. A click before
// the worm shows is a false start and the round is lost; a worm left alone hides after 1.2 s.
// Six rounds.
#include <stdio.h>
#include "../common/playkit.h"

namespace {
enum {
    ROBIN_W = 160, ROBIN_H = 140, WORM_W = 80, WORM_H = 80, ROUNDS = 6, MS_PER_TICK = 20,
    WAIT_MIN_TICKS = 60, WAIT_MAX_TICKS = 200, ESCAPE_TICKS = 60, SHOW_TICKS = 70, PECK_TICKS = 12,
    WORM_X = 380, WORM_Y = 214, MIN_POINTS = 10
};
enum Phase { WAITING, SIGNAL, SHOWING };

struct Work {
    Stage stage;
    Image *garden, *robinImage, *wormImage, *sign;
    Sprite *robin, *worm, *signSprite;
    Sound *pop, *caught, *miss;
    int32_t phase, round, ticks, peck;
    int32_t caughtCount, bestMs;
};

Work *W() { return (Work *)CurrentStage(); }

void Say(Work *w, const char *text, int32_t r, int32_t g, int32_t b) {
    shell->FillImage(w->sign, 0, 0, 0);
    shell->DrawString(w->sign->surface, 0, 0, w->sign->width, w->sign->height,
                      TEXT_CENTRE | TEXT_MIDDLE | TEXT_ONE_LINE, text, 40, r, g, b, 1);
    w->signSprite->visible = 1;
}

void StartRound(Work *w) {
    w->phase = WAITING;
    w->ticks = shell->Random(WAIT_MIN_TICKS, WAIT_MAX_TICKS);
    w->worm->visible = 0;
    Say(w, "じっと まって…", 255, 255, 255);
    char right[32];
    snprintf(right, sizeof right, "ラウンド %d/%d", w->round + 1, ROUNDS);
    ShowStatus(&w->stage, right, 0);
}

void EndRound(Work *w, const char *text, int32_t r, int32_t g, int32_t b) {
    w->phase = SHOWING;
    w->ticks = SHOW_TICKS;
    Say(w, text, r, g, b);
}

void Catch(Work *w) {
    int32_t ms = w->ticks * MS_PER_TICK;
    int32_t points = (1000 - ms) / 2 < MIN_POINTS ? MIN_POINTS : (1000 - ms) / 2;
    w->stage.score += points;
    w->caughtCount++;
    if (!w->bestMs || ms < w->bestMs) w->bestMs = ms;
    ShowCell(w->worm, WORM_W, WORM_H, 1);
    PlaySound(w->caught);
    char text[48];
    snprintf(text, sizeof text, "%d.%02dびょう  +%dてん", ms / 1000, ms % 1000 / 10, points);
    EndRound(w, text, 255, 240, 90);
}

void __cdecl Setup() {
    Work *w = W();
    Stage *stage = &w->stage;
    stage->title = "よーい スタート！";
    stage->hint = "ミミズが でたら すぐ クリック！";
    stage->unit = "てん";
    w->garden = LoadImage(stage, "garden.bmp");
    w->robinImage = LoadImage(stage, "robin.bmp");
    w->wormImage = LoadImage(stage, "worm.bmp");
    w->sign = LoadImage(stage, "sign.bmp");
    w->pop = LoadSound(stage, "pop.wav");
    w->caught = LoadSound(stage, "catch.wav");
    w->miss = LoadSound(stage, "miss.wav");
    PlaceSprite(stage, 100, w->garden, 0, 0);
    w->robin = PlaceSprite(stage, 200, w->robinImage, 150, 150);
    ShowCell(w->robin, ROBIN_W, ROBIN_H, 0);
    w->worm = PlaceSprite(stage, 190, w->wormImage, WORM_X, WORM_Y);
    ShowCell(w->worm, WORM_W, WORM_H, 0);
    w->worm->visible = 0;
    w->signSprite = PlaceSprite(stage, 300, w->sign, (640 - w->sign->width) / 2, 48);
    w->signSprite->visible = 0;
    shell->SetClearColour(150, 205, 245);
    OpenStage(stage, 0);
    StartRound(w);  // its wait counts from the end of the start banner
}

void __cdecl Play() {
    Work *w = W();
    int clicked = shell->mouse->click[0];
    if (clicked && w->phase != SHOWING) w->peck = PECK_TICKS;
    ShowCell(w->robin, ROBIN_W, ROBIN_H, w->peck > 0);
    if (w->peck > 0) w->peck--;
    switch (w->phase) {
    case WAITING:
        if (clicked) {
            PlaySound(w->miss);
            EndRound(w, "フライング！", 255, 140, 120);
        } else if (--w->ticks <= 0) {
            w->phase = SIGNAL;
            w->worm->visible = 1;
            ShowCell(w->worm, WORM_W, WORM_H, 0);
            PlaySound(w->pop);
            Say(w, "いまだ！", 255, 240, 90);
        }
        return;
    case SIGNAL:
        w->ticks++;
        if (clicked) {
            Catch(w);
        } else if (w->ticks >= ESCAPE_TICKS) {
            w->worm->visible = 0;
            PlaySound(w->miss);
            EndRound(w, "にげられた…", 200, 220, 255);
        }
        return;
    }
    if (--w->ticks > 0) return;
    if (++w->round < ROUNDS) {
        StartRound(w);
        return;
    }
    w->signSprite->visible = 0;
    w->worm->visible = 0;
    char line[64];
    snprintf(line, sizeof line, "%dてん  (%dひき キャッチ)", w->stage.score, w->caughtCount);
    w->stage.zumi = w->caughtCount / 2;
    CloseStage(&w->stage, line);
}

}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    return StartStageGame(services, Setup, Play, sizeof(Work));
}

ROBINA_GAME_ENTRY End(void) { return 0; }
