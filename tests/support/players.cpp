// The scripted players of the sample games: each reads the game's own sprites tick by tick and moves
// or clicks the mouse as a player would.
#include <math.h>
#include <string.h>
#include <vector>
#include "players.h"
#include "base/base.h"
#include "gfx/gfx.h"

namespace {
// The visible sprites showing the named picture, in drawing order.
std::vector<Sprite *> Shown(const char *picture) {
    std::vector<Sprite *> found;
    for (Sprite *s = SpriteList->next; s; s = s->next)
        if (s->visible && s->image && strcmp(s->image->name, picture) == 0) found.push_back(s);
    return found;
}
int Cell(const Sprite *s, int width) { return s->srcLeft / width; }

void Press(int x, int y) {
    MouseState.x = x;
    MouseState.y = y;
    MouseState.click[0] = 1;
    MouseState.held[0] = 1;
}
}  // namespace

// Pops the first balloon well in view, every tenth tick.
void PlayBalloon(PlayerMemory &, int tick) {
    if (tick % 10) return;
    for (Sprite *s : Shown("balloons.bmp"))
        if (Cell(s, 48) < 5 && s->y > 40 && s->y < 280) return Press(s->x + 24, s->y + 25);
}

// A perfect memory: every face once seen is kept; a known pair is taken at once.
void PlayMemory(PlayerMemory &m, int tick) {
    std::vector<Sprite *> cards = Shown("cards.bmp");
    std::vector<int> down;
    for (int i = 0; i < (int)cards.size(); i++) {
        if (cards[i]->stretch) continue;
        if (Cell(cards[i], 72)) m.faces[i] = Cell(cards[i], 72);
        else down.push_back(i);
    }
    if (tick < m.next || down.empty()) return;
    auto pick = [&](int face, int besides) {
        for (int i : down)
            if (i != besides && m.faces[i] == face) return i;
        return -1;
    };
    int choice = -1;
    if (m.phase == 0) {
        for (int i : down)
            if (m.faces[i] && pick(m.faces[i], i) >= 0 && choice < 0) choice = i;
        if (choice < 0) choice = pick(0, -1);
        m.first = choice;
    } else {
        choice = pick(m.faces[m.first], m.first);
        if (choice < 0) choice = pick(0, m.first);
    }
    if (choice < 0) return;
    Press(cards[choice]->x + 36, cards[choice]->y + 48);
    m.phase = !m.phase;
    m.next = tick + (m.phase ? 12 : 60);
}

// Touches every friend well up, never the bee (cell 4) nor the marks (cells 5, 6).
void PlayMogura(PlayerMemory &m, int tick) {
    if (tick < m.next) return;
    for (Sprite *s : Shown("friends.bmp"))
        if (Cell(s, 80) < 4 && s->srcBottom >= 40) {
            Press(s->x + 40, s->y + s->srcBottom - 20);
            m.next = tick + 6;
            return;
        }
}

// Clicks the tick after the worm shows.
void PlayHayaoshi(PlayerMemory &, int) {
    for (Sprite *s : Shown("worm.bmp"))
        if (Cell(s, 80) == 0) Press(320, 200);
}

// Presses on the last lit stone while the robin sits, then draws towards the next stone (or the
// nest) five pixels a tick with the button held.
void PlayMichi(PlayerMemory &, int) {
    std::vector<Sprite *> birds = Shown("bird.bmp"), nests = Shown("nest.bmp");
    Sprite *lit = 0, *next = 0;
    for (Sprite *s : Shown("stones.bmp")) {
        if (Cell(s, 28) == 1) lit = s;
        if (Cell(s, 28) == 2 && !next) next = s;
    }
    if (birds.empty() || !lit) return;
    if (Cell(birds[0], 48) == 0) return Press(lit->x + 14, lit->y + 14);
    double tx = next ? next->x + 14 : nests[0]->x + 36, ty = next ? next->y + 14 : nests[0]->y + 26;
    double dx = tx - MouseState.x, dy = ty - MouseState.y, length = hypot(dx, dy);
    double step = length < 5 ? 1 : 5 / length;
    MouseState.x += (int)lround(dx * step);
    MouseState.y += (int)lround(dy * step);
    MouseState.held[0] = 1;
}

void PlayTemplate(PlayerMemory &, int tick) {
    if (tick % 5 == 0) Press(300 + tick % 40, 180);
}

Player PlayerOf(const char *file) {
    const struct { const char *file; Player play; } players[] = {
        {"BALLOON.VYG", PlayBalloon}, {"MEMORY.VYG", PlayMemory},   {"MOGURA.VYG", PlayMogura},
        {"HAYAOSHI.VYG", PlayHayaoshi}, {"MICHI.VYG", PlayMichi}, {"TEMPLATE.VYG", PlayTemplate},
    };
    for (const auto &p : players)
        if (strcmp(p.file, file) == 0) return p.play;
    return PlayTemplate;
}
