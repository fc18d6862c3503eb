// こみちなぞり: stepping stones wind across a field to the robin's nest. Press on the shining
// stone and, holding the button, draw a line along the stones; each stone reached lights up (10
// points), the nest ends the course (100 points) and a new path appears. Straying off the path or
// letting go breaks the line: start again from the last stone lit. 45 seconds.
#include <math.h>
#include <stdio.h>
#include "../common/playkit.h"

namespace {
enum {
    STONES = 12, STONE = 28, UNLIT = 0, LIT = 1, NEXT = 2, NEST_W = 72, NEST_H = 52, BIRD_W = 48,
    BIRD_H = 44, SITTING = 0, FLYING = 1, DOT = 10, DOTS = 100, DOT_SPACING = 6, REACH = 16,
    CORRIDOR = 30, SIGN_TICKS = 40, GOAL_TICKS = 50, ROUND_TICKS = 45 * TICKS_PER_SECOND,
    STONE_POINTS = 10, GOAL_POINTS = 100, FIRST_X = 60, LAST_X = 580, TOP_Y = 80, BOTTOM_Y = 320
};

struct Work {
    Stage stage;
    Image *field, *stoneImage, *nestImage, *birdImage, *dotImage, *sign;
    Sprite *stones[STONES], *nest, *bird, *signSprite;
    Sprite **dots;                    // the line drawn, a ring of DOTS sprites
    Sound *ping, *goal, *oops;
    int32_t pathX[STONES], pathY[STONES];
    int32_t lit;                      // the last stone lit; the line goes on from it
    int32_t drawing, dotCount;
    double tipX, tipY;                // where the line ends
    int32_t ticksLeft, signTicks, goalTicks;
    int32_t courses;
};

Work *W() { return (Work *)CurrentStage(); }

void Say(Work *w, const char *text, int32_t r, int32_t g, int32_t b) {
    shell->FillImage(w->sign, 0, 0, 0);
    shell->DrawString(w->sign->surface, 0, 0, w->sign->width, w->sign->height,
                      TEXT_CENTRE | TEXT_MIDDLE | TEXT_ONE_LINE, text, 36, r, g, b, 1);
    w->signSprite->visible = 1;
    w->signTicks = SIGN_TICKS;
}

void ShowStones(Work *w) {
    for (int i = 0; i < STONES - 1; i++)
        ShowCell(w->stones[i], STONE, STONE, i <= w->lit ? LIT : i == w->lit + 1 ? NEXT : UNLIT);
}

void Perch(Work *w) {
    ShowCell(w->bird, BIRD_W, BIRD_H, w->drawing ? FLYING : SITTING);
    int32_t x = w->drawing ? (int32_t)w->tipX : w->pathX[w->lit];
    int32_t y = w->drawing ? (int32_t)w->tipY : w->pathY[w->lit];
    w->bird->x = x - BIRD_W / 2;
    w->bird->y = y - BIRD_H + 6;
}

void EraseLine(Work *w) {
    for (int i = 0; i < DOTS; i++) w->dots[i]->visible = 0;
    w->dotCount = 0;
    w->drawing = 0;
}

// A new winding path: the stones go left to right, each a little above or below the last.
void NewCourse(Work *w) {
    int32_t y = shell->Random(120, 280);
    for (int i = 0; i < STONES; i++) {
        w->pathX[i] = FIRST_X + i * (LAST_X - FIRST_X) / (STONES - 1);
        w->pathY[i] = y;
        y += shell->Random(-70, 70);
        y = y < TOP_Y ? TOP_Y + (TOP_Y - y) : y > BOTTOM_Y ? BOTTOM_Y - (y - BOTTOM_Y) : y;
        if (i < STONES - 1) {
            w->stones[i]->x = w->pathX[i] - STONE / 2;
            w->stones[i]->y = w->pathY[i] - STONE / 2;
        }
    }
    w->nest->x = w->pathX[STONES - 1] - NEST_W / 2;
    w->nest->y = w->pathY[STONES - 1] - NEST_H / 2;
    w->lit = 0;
    EraseLine(w);
    ShowStones(w);
    Perch(w);
}

void Dot(Work *w, double x, double y) {
    Sprite *dot = w->dots[w->dotCount++ % DOTS];
    dot->x = (int32_t)x - DOT / 2;
    dot->y = (int32_t)y - DOT / 2;
    dot->visible = 1;
}

// Distance from the point to the part of the path the line is on now.
double OffPath(const Work *w, double x, double y) {
    double ax = w->pathX[w->lit], ay = w->pathY[w->lit];
    double dx = w->pathX[w->lit + 1] - ax, dy = w->pathY[w->lit + 1] - ay;
    double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return hypot(x - ax - t * dx, y - ay - t * dy);
}

void Draw(Work *w, const MouseRecord *mouse) {
    if (!mouse->held[0]) {
        EraseLine(w);
        return;
    }
    if (OffPath(w, mouse->x, mouse->y) > CORRIDOR) {
        EraseLine(w);
        PlaySound(w->oops);
        Say(w, "はみだし！", 255, 150, 130);
        return;
    }
    double dx = mouse->x - w->tipX, dy = mouse->y - w->tipY, length = hypot(dx, dy);
    for (double d = DOT_SPACING; d <= length; d += DOT_SPACING)
        Dot(w, w->tipX + dx * d / length, w->tipY + dy * d / length);
    if (length >= DOT_SPACING) w->tipX = mouse->x, w->tipY = mouse->y;
    if (hypot(w->pathX[w->lit + 1] - w->tipX, w->pathY[w->lit + 1] - w->tipY) > REACH) return;
    w->lit++;
    if (w->lit < STONES - 1) {
        w->stage.score += STONE_POINTS;
        PlaySound(w->ping);
        ShowStones(w);
        return;
    }
    w->stage.score += GOAL_POINTS;
    w->courses++;
    w->drawing = 0;
    w->goalTicks = GOAL_TICKS;
    PlaySound(w->goal);
    Say(w, "ゴール！ +100てん", 255, 240, 90);
}

void __cdecl Setup() {
    Work *w = W();
    Stage *stage = &w->stage;
    stage->title = "よーい スタート！";
    stage->hint = "ひかる いしから すにまで なぞろう";
    stage->unit = "てん";
    w->field = LoadImage(stage, "field.bmp");
    w->stoneImage = LoadImage(stage, "stones.bmp");
    w->nestImage = LoadImage(stage, "nest.bmp");
    w->birdImage = LoadImage(stage, "bird.bmp");
    w->dotImage = LoadImage(stage, "dot.bmp");
    w->sign = LoadImage(stage, "sign.bmp");
    w->ping = LoadSound(stage, "ping.wav");
    w->goal = LoadSound(stage, "goal.wav");
    w->oops = LoadSound(stage, "oops.wav");
    PlaceSprite(stage, 100, w->field, 0, 0);
    for (int i = 0; i < STONES - 1; i++) w->stones[i] = PlaceSprite(stage, 200 + i, w->stoneImage, 0, 0);
    w->nest = PlaceSprite(stage, 220, w->nestImage, 0, 0);
    w->dots = (Sprite **)TakeBlock(stage, DOTS * (int32_t)sizeof(Sprite *));
    for (int i = 0; i < DOTS; i++) w->dots[i] = PlaceSprite(stage, 300, w->dotImage, 0, 0);
    w->bird = PlaceSprite(stage, 400, w->birdImage, 0, 0);
    w->signSprite = PlaceSprite(stage, 500, w->sign, (640 - w->sign->width) / 2, 40);
    w->signSprite->visible = 0;
    NewCourse(w);
    w->ticksLeft = ROUND_TICKS;
    shell->SetClearColour(120, 185, 85);
    OpenStage(stage, "bgm.wav");
    ShowTimeLeft(stage, ROUND_TICKS, 1);
}

void __cdecl Play() {
    Work *w = W();
    const MouseRecord *mouse = shell->mouse;
    if (w->goalTicks > 0) {
        if (--w->goalTicks == 0) NewCourse(w);
    } else if (w->drawing) {
        Draw(w, mouse);
    } else if (mouse->click[0] &&
               hypot(mouse->x - w->pathX[w->lit], mouse->y - w->pathY[w->lit]) <= REACH + 4) {
        w->drawing = 1;
        w->tipX = w->pathX[w->lit];
        w->tipY = w->pathY[w->lit];
    }
    Perch(w);
    if (w->signTicks > 0 && --w->signTicks == 0) w->signSprite->visible = 0;
    ShowTimeLeft(&w->stage, --w->ticksLeft, 1);
    char text[64];
    if (w->ticksLeft > 0) return;
    snprintf(text, sizeof text, "%dてん  (ゴール %dかい)", w->stage.score, w->courses);
    w->stage.zumi = w->courses;
    CloseStage(&w->stage, text);
}

}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    return StartStageGame(services, Setup, Play, sizeof(Work));
}

ROBINA_GAME_ENTRY End(void) { return 0; }
