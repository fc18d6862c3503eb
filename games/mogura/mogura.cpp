// ひょっこりタッチ: the robin's friends peek out of nine holes in a meadow; a click touches one
// before it hides again. The mole, the rabbit and the squirrel give 10 points, the robin 30;
// the bee stings for 20. The friends come quicker and stay shorter as the 45 seconds run out.
#include <stdio.h>
#include "../common/playkit.h"

namespace {
enum {
    CELL_W = 80, CELL_H = 96, HOLES = 9, ROBIN = 3, BEE = 4, SPARKLE = 5, STING = 6,
    RISE_STEP = 12, FULL_HEIGHT = 90, MOUTH_OFFSET = 8, HIT_TICKS = 14, FRIEND_PRIORITY = 200,
    ROUND_TICKS = 45 * TICKS_PER_SECOND, FRIEND_POINTS = 10, ROBIN_POINTS = 30, BEE_POINTS = -20
};
enum FriendState { HIDDEN, RISING, UP, SINKING, TOUCHED };

// The mouths of the holes, as they are painted on the meadow (art.py draws the same ones).
const int32_t HOLE_X[HOLES] = {160, 320, 480, 160, 320, 480, 160, 320, 480};
const int32_t HOLE_Y[HOLES] = {150, 150, 150, 235, 235, 235, 320, 320, 320};

struct Friend {
    Sprite *sprite, *lip, *mark;
    int32_t kind;    // cell: 0-2 friends, ROBIN, BEE
    int32_t state;
    int32_t height;  // rows shown above the mouth
    int32_t wait;    // ticks left up, or of the touch mark
};

struct Work {
    Stage stage;
    Image *meadow, *sheet, *lipImage;
    Sound *touch, *gold, *buzz;
    Friend friends[HOLES];
    int32_t ticksLeft, nextPeek, touched;
};

Work *W() { return (Work *)CurrentStage(); }

// The friend is shown from its top down to the mouth of its hole, behind the hole's front lip.
void ShowFriend(Friend *f, int32_t hole) {
    ShowCell(f->sprite, CELL_W, CELL_H, f->kind);
    f->sprite->srcBottom = f->height;
    f->sprite->x = HOLE_X[hole] - CELL_W / 2;
    f->sprite->y = HOLE_Y[hole] + MOUTH_OFFSET - f->height;
    f->sprite->visible = f->height > 0;
}

void Peek(Work *w) {
    int32_t hole = shell->Random(0, HOLES - 1);
    Friend *f = &w->friends[hole];
    if (f->state != HIDDEN) return;
    int32_t roll = shell->Random(1, 24);
    f->kind = roll <= 4 ? BEE : roll <= 7 ? ROBIN : shell->Random(0, 2);
    f->state = RISING;
    f->height = 0;
    int32_t elapsed = ROUND_TICKS - w->ticksLeft;
    f->wait = shell->Random(45, 75) - elapsed / 90;  // stays shorter as time runs out
}

void Touch(Work *w, Friend *f) {
    int32_t points = f->kind == BEE ? BEE_POINTS : f->kind == ROBIN ? ROBIN_POINTS : FRIEND_POINTS;
    w->stage.score = w->stage.score + points < 0 ? 0 : w->stage.score + points;
    if (f->kind != BEE) w->touched++;
    PlaySound(f->kind == BEE ? w->buzz : f->kind == ROBIN ? w->gold : w->touch);
    ShowCell(f->mark, CELL_W, CELL_H, f->kind == BEE ? STING : SPARKLE);
    f->mark->x = f->sprite->x;
    f->mark->y = f->sprite->y - 10;
    f->mark->visible = 1;
    f->state = TOUCHED;
    f->wait = HIT_TICKS;
}

// One tick of one hole; returns 1 when the click touched its friend.
int Move(Friend *f, int32_t hole, const MouseRecord *mouse) {
    switch (f->state) {
    case RISING:
        f->height += RISE_STEP;
        if (f->height >= FULL_HEIGHT) f->height = FULL_HEIGHT, f->state = UP;
        break;
    case UP:
        if (--f->wait <= 0) f->state = SINKING;
        break;
    case SINKING:
        f->height -= RISE_STEP / 2;
        if (f->height <= 0) f->height = 0, f->state = HIDDEN;
        break;
    case TOUCHED:
        f->height = f->height > RISE_STEP ? f->height - RISE_STEP : 0;
        if (--f->wait <= 0) f->state = HIDDEN, f->mark->visible = 0;
        break;
    }
    ShowFriend(f, hole);
    int live = f->state == RISING || f->state == UP || f->state == SINKING;
    return live && mouse->click[0] && SpriteHit(f->sprite, mouse->x, mouse->y);
}

void __cdecl Setup() {
    Work *w = W();
    Stage *stage = &w->stage;
    stage->title = "よーい スタート！";
    stage->hint = "かおを だした ともだちに タッチ！";
    stage->unit = "てん";
    w->meadow = LoadImage(stage, "meadow.bmp");
    w->sheet = LoadImage(stage, "friends.bmp");
    w->lipImage = LoadImage(stage, "lip.bmp");
    w->touch = LoadSound(stage, "touch.wav");
    w->gold = LoadSound(stage, "gold.wav");
    w->buzz = LoadSound(stage, "buzz.wav");
    PlaceSprite(stage, 100, w->meadow, 0, 0);
    for (int i = 0; i < HOLES; i++) {  // lower rows in front of higher ones
        Friend *f = &w->friends[i];
        uint32_t row = FRIEND_PRIORITY + 10 * (i / 3);
        f->sprite = PlaceSprite(stage, row, w->sheet, 0, 0);
        f->lip = PlaceSprite(stage, row + 1, w->lipImage, HOLE_X[i] - w->lipImage->width / 2, HOLE_Y[i]);
        f->mark = PlaceSprite(stage, row + 2, w->sheet, 0, 0);
        f->mark->visible = 0;
        ShowFriend(f, i);
    }
    w->ticksLeft = ROUND_TICKS;
    w->nextPeek = 10;
    shell->SetClearColour(120, 190, 90);
    OpenStage(stage, "bgm.wav");
    ShowTimeLeft(stage, ROUND_TICKS, 1);
}

void __cdecl Play() {
    Work *w = W();
    if (--w->nextPeek <= 0) {
        Peek(w);
        int32_t gap = shell->Random(14, 34) - (ROUND_TICKS - w->ticksLeft) / 150;
        w->nextPeek = gap < 6 ? 6 : gap;
    }
    int touched = 0;  // one click touches one friend: the front one
    for (int i = HOLES - 1; i >= 0; i--)
        if (Move(&w->friends[i], i, shell->mouse) && !touched) touched = 1, Touch(w, &w->friends[i]);
    ShowTimeLeft(&w->stage, --w->ticksLeft, 1);
    char text[64];
    if (w->ticksLeft > 0) return;
    snprintf(text, sizeof text, "%dてん  (%dかい タッチ)", w->stage.score, w->touched);
    w->stage.zumi = w->touched / 8;
    CloseStage(&w->stage, text);
}

}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    return StartStageGame(services, Setup, Play, sizeof(Work));
}

ROBINA_GAME_ENTRY End(void) { return 0; }
