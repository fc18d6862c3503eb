// The smallest complete game, to copy when starting a new one: a robin follows the mouse, every
// click scores 10 points, and after 10 seconds the game ends. It shows the whole life of a game:
// set up under the shell's cover, uncover, play, cover again, report the result, end.
#include <stdio.h>
#include "robina_game.h"

namespace {
enum { PLAY_TICKS = 10 * 50, CLICK_POINTS = 10 };  // a tick is 20 ms

ServiceTableRecord *shell = 0;

struct Work {  // the task's work area: zero-filled by CreateTask
    Image *robinImage, *textImage;
    Sprite *robin, *text;
    Sound *peep;
    int32_t ticks, score, clicks, shownScore;
};

Work *W() { return (Work *)*shell->currentWork; }
void Advance() { **shell->currentStep += 1; }

Sprite *WholeImageSprite(uint32_t priority, Image *image) {
    Sprite *sprite = shell->NewSprite(priority);
    sprite->image = image;
    sprite->srcRight = image->width;
    sprite->srcBottom = image->height;
    sprite->visible = 1;
    return sprite;
}

void ShowScore(Work *w) {
    char text[32];
    snprintf(text, sizeof text, "%dてん", w->score);
    shell->FillImage(w->textImage, 0, 0, 0);  // black is transparent
    shell->DrawString(w->textImage->surface, 0, 0, 200, 32, TEXT_LEFT | TEXT_ONE_LINE, text, 24, 255, 255, 255, 1);
    w->shownScore = w->score;
}

// Step 0: the screen is still covered. Load, place, then ask for the cover to open.
void __cdecl Setup() {
    Work *w = W();
    w->robinImage = shell->NewImage("robin.bmp");
    w->textImage = shell->NewImage("text.bmp");
    w->peep = shell->SndCreate("peep.wav");  // null when there is no sound device
    w->robin = WholeImageSprite(200, w->robinImage);
    w->text = WholeImageSprite(300, w->textImage);
    w->text->x = 12;
    w->text->y = 8;
    ShowScore(w);
    shell->SetClearColour(150, 205, 245);
    if (*shell->fadeState == FADE_COVERED) *shell->fadeState = FADE_UNCOVER;
    Advance();
}

// Step 1: play until the time is up.
void __cdecl Play() {
    Work *w = W();
    const MouseRecord *mouse = shell->mouse;
    w->robin->x = mouse->x - w->robinImage->width / 2;
    w->robin->y = mouse->y - w->robinImage->height / 2;
    if (mouse->click[0]) {
        w->score += CLICK_POINTS;
        w->clicks++;
        if (w->peep) shell->PlaySnd(w->peep);
    }
    if (w->score != w->shownScore) ShowScore(w);
    if (++w->ticks < PLAY_TICKS) return;
    *shell->fadeState = FADE_COVER;
    Advance();
}

// Step 2: once covered, free what the game made, report and end.
void __cdecl Leave() {
    if (*shell->fadeState != FADE_COVERED) return;
    Work *w = W();
    shell->FreeSprite(w->robin);
    shell->FreeSprite(w->text);
    shell->FreeImage(w->robinImage);
    shell->FreeImage(w->textImage);
    if (w->peep) shell->RemoveSnd(w->peep);
    GameResultRecord *result = shell->result;
    result->score = (uint32_t)w->score;                                   // 0: nothing to rank
    snprintf(result->label, sizeof result->label, "%dてん", w->score);  // at most 19 bytes
    result->zumi += w->clicks / 5;                                        // the player's total
    shell->GameEndCall();  // this task and its work area are gone: return at once
}

const StepRoutine Steps[] = {Setup, Play, Leave};
}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    shell = services;
    services->CreateTask(Steps, 1000, TASK_ATTR_RUN, sizeof(Work));
    return 1;
}

ROBINA_GAME_ENTRY End(void) { return 0; }
