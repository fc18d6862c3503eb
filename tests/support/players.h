// Scripted players of the sample games, one call per tick: each looks at the game's visible sprites
// and sets MouseState as a player would.
#ifndef ROBINA_TEST_PLAYERS_H
#define ROBINA_TEST_PLAYERS_H

// What a script remembers between ticks.
struct PlayerMemory {
    int next = 0, phase = 0, first = -1;
    int faces[18] = {};
};

typedef void (*Player)(PlayerMemory &memory, int tick);

void PlayBalloon(PlayerMemory &m, int tick);
void PlayMemory(PlayerMemory &m, int tick);
void PlayMogura(PlayerMemory &m, int tick);
void PlayHayaoshi(PlayerMemory &m, int tick);
void PlayMichi(PlayerMemory &m, int tick);
void PlayTemplate(PlayerMemory &m, int tick);
Player PlayerOf(const char *file);  // the sample's own player; the template's clicks for any other game

#endif
