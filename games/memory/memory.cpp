// なかよしカード: eighteen cards lie face down, nine pairs of the robin's friends and garden
// things. A click turns a card over; two that match stay up, two that differ turn back. A pair
// is worth 100 points, a pair found right after another one 50 more; finding all nine within the
// minute adds 10 points per second left.
#include <stdio.h>
#include "../common/playkit.h"

namespace {
enum {
    CARD_W = 72, CARD_H = 96, COLUMNS = 6, ROWS = 3, CARDS = COLUMNS * ROWS, PAIRS = CARDS / 2,
    GRID_X = 79, GRID_Y = 42, GAP = 10, BACK = 0, FLIP_TICKS = 8, LOOK_TICKS = 40,
    ROUND_TICKS = 60 * TICKS_PER_SECOND, CARD_PRIORITY = 200, PAIR_POINTS = 100, STREAK_POINTS = 50
};
enum CardState { DOWN, TURNING_UP, UP, TURNING_DOWN, MATCHED };

// Width of a turning card per tick of the turn: the old side narrows, the new side widens.
const int32_t TURN_WIDTH[FLIP_TICKS] = {54, 36, 18, 6, 6, 18, 36, 54};

struct Card {
    Sprite *sprite;
    int32_t face;   // cell of the sheet, 1 to PAIRS
    int32_t state;
    int32_t turn;   // ticks into the turn
};

struct Work {
    Stage stage;
    Image *table, *sheet;
    Sound *flip, *pair, *miss;
    Card cards[CARDS];
    int32_t open[2], openCount;  // cards turned up and not yet judged
    int32_t look;                // ticks left to look at two different cards
    int32_t pairs, streak, ticksLeft;
};

Work *W() { return (Work *)CurrentStage(); }

void Turn(Work *w, Card *card, int32_t state) {
    card->state = state;
    card->turn = 0;
    PlaySound(w->flip);
}

// One tick of a turning card: stretched while it turns, plain again once it lies flat.
void Animate(Card *card) {
    if (card->state != TURNING_UP && card->state != TURNING_DOWN) return;
    int32_t up = card->state == TURNING_UP, newSide = card->turn >= FLIP_TICKS / 2;
    Sprite *s = card->sprite;
    if (++card->turn > FLIP_TICKS) {
        card->state = up ? UP : DOWN;
        card->turn = 0;
        s->stretch = 0;
        ShowCell(s, CARD_W, CARD_H, up ? card->face : BACK);
        return;
    }
    ShowCell(s, CARD_W, CARD_H, newSide == up ? card->face : BACK);
    s->stretch = 1;
}

void PlaceCard(Card *card, int32_t index) {
    Sprite *s = card->sprite;
    int32_t x = GRID_X + (index % COLUMNS) * (CARD_W + GAP), y = GRID_Y + (index / COLUMNS) * (CARD_H + GAP);
    int32_t width = s->stretch ? TURN_WIDTH[card->turn - 1] : CARD_W;
    s->x = x + (CARD_W - width) / 2;
    s->right = s->x + width;
    s->y = y;
    s->bottom = y + CARD_H;
}

void Shuffle(Work *w) {
    int32_t faces[CARDS];
    for (int i = 0; i < CARDS; i++) faces[i] = 1 + i / 2;
    for (int i = CARDS - 1; i > 0; i--) {
        int j = shell->Random(0, i), f = faces[i];
        faces[i] = faces[j];
        faces[j] = f;
    }
    for (int i = 0; i < CARDS; i++) w->cards[i].face = faces[i];
}

void __cdecl Setup() {
    Work *w = W();
    Stage *stage = &w->stage;
    stage->title = "よーい スタート！";
    stage->hint = "おなじ えの カードを さがそう";
    stage->unit = "てん";
    w->table = LoadImage(stage, "table.bmp");
    w->sheet = LoadImage(stage, "cards.bmp");
    w->flip = LoadSound(stage, "flip.wav");
    w->pair = LoadSound(stage, "pair.wav");
    w->miss = LoadSound(stage, "miss.wav");
    PlaceSprite(stage, 100, w->table, 0, 0);
    Shuffle(w);
    for (int i = 0; i < CARDS; i++) {
        Card *card = &w->cards[i];
        card->sprite = PlaceSprite(stage, CARD_PRIORITY + i, w->sheet, 0, 0);
        ShowCell(card->sprite, CARD_W, CARD_H, BACK);
        PlaceCard(card, i);
    }
    w->ticksLeft = ROUND_TICKS;
    shell->SetClearColour(240, 214, 170);
    OpenStage(stage, "bgm.wav");
    ShowTimeLeft(stage, ROUND_TICKS, 1);
}

// Two cards are up: a pair stays, two different ones turn back after a look.
void Judge(Work *w) {
    Card *a = &w->cards[w->open[0]], *b = &w->cards[w->open[1]];
    if (a->state != UP || b->state != UP) return;
    if (a->face == b->face) {
        a->state = b->state = MATCHED;
        w->stage.score += PAIR_POINTS + STREAK_POINTS * (w->streak > 0);
        w->streak++;
        w->pairs++;
        w->openCount = 0;
        PlaySound(w->pair);
        return;
    }
    if (w->look == 0) {
        w->look = LOOK_TICKS;
        w->streak = 0;
        PlaySound(w->miss);
    }
    if (--w->look > 0) return;
    Turn(w, a, TURNING_DOWN);
    Turn(w, b, TURNING_DOWN);
    w->openCount = 0;
}

void TakeClick(Work *w, const MouseRecord *mouse) {
    if (!mouse->click[0] || w->openCount == 2) return;
    for (int i = 0; i < CARDS; i++) {
        Card *card = &w->cards[i];
        if (card->state != DOWN || !SpriteHit(card->sprite, mouse->x, mouse->y)) continue;
        w->open[w->openCount++] = i;
        Turn(w, card, TURNING_UP);
        return;
    }
}

void __cdecl Play() {
    Work *w = W();
    TakeClick(w, shell->mouse);
    for (int i = 0; i < CARDS; i++) {
        Animate(&w->cards[i]);
        PlaceCard(&w->cards[i], i);
    }
    if (w->openCount == 2) Judge(w);
    int32_t seconds = ShowTimeLeft(&w->stage, --w->ticksLeft, 1);
    if (w->pairs < PAIRS && w->ticksLeft > 0) return;
    char line[64];
    if (w->pairs == PAIRS) {
        w->stage.score += seconds * 10;
        snprintf(line, sizeof line, "ぜんぶ そろった！ %dてん", w->stage.score);
    } else {
        snprintf(line, sizeof line, "%dくみ みつけたよ  %dてん", w->pairs, w->stage.score);
    }
    ShowTimeLeft(&w->stage, w->ticksLeft, 0);
    w->stage.zumi = w->pairs / 3 + (w->pairs == PAIRS);
    CloseStage(&w->stage, line);
}

}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    return StartStageGame(services, Setup, Play, sizeof(Work));
}

ROBINA_GAME_ENTRY End(void) { return 0; }
