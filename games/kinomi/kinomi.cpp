// きのみひろい, the example that uses every service of the shell: berries fall from the trees, a
// basket follows the mouse and catches them; after 8 seconds the game ends. Each service appears
// where a game would need it, marked with its name in a comment ("service:"), so that the guide can
// point here. The template is the smaller start; this file is the reference.
#include <stdio.h>
#include "robina_game.h"

namespace {
enum {
    PLAY_TICKS = 8 * 50,                     // a tick is 20 ms
    CELL = 48,                               // the sheet: basket, red berry, purple berry, leaf
    CELL_BASKET = 0, CELL_RED = 1, CELL_PURPLE = 2, CELL_LEAF = 3,
    BASKET_Y = 290, GROUND_Y = 340,
    FALL_STEP = 3,                           // pixels a tick
    RED_POINTS = 10, PURPLE_POINTS = 30,
    LEAVES_MIN = 5, LEAVES_MAX = 9,
    PRIORITY_LEAF = 100, PRIORITY_BERRY = 200, PRIORITY_BASKET = 300, PRIORITY_CAUGHT = 400, PRIORITY_TEXT = 500,
    TASK_PRIORITY_GAME = 1000, TASK_PRIORITY_BERRY = 1100,
};

ServiceTableRecord *shell = 0;

// The game's own state lives in the main task's work area; the berries' tasks reach it here.
struct Game {
    Image *sheet, *text;
    Sprite *basket, *score;
    Sprite **leaves;       // Alloc'ed: as many as Random chose
    int32_t leafCount;
    Sound *wind, *pop;     // null without a sound device
    int32_t ticks, nextBerry, points, caught, shownPoints, shownRate;
    int32_t berriesFalling;
};
Game *game = 0;

struct Berry {  // a falling berry's work area (zero-filled by CreateTask)
    Sprite *sprite;
    int32_t points;
};

template <typename T> T *Work() { return (T *)*shell->currentWork; }  // service: currentWork
void Advance() { **shell->currentStep += 1; }                          // service: currentStep

// A sprite showing one cell of the sheet: the source rectangle picks the cell (right and bottom
// edges excluded); x and y place its top-left corner on the screen.
Sprite *CellSprite(uint32_t priority, int32_t cell) {
    Sprite *sprite = shell->NewSprite(priority);  // service: NewSprite
    sprite->image = game->sheet;
    sprite->srcLeft = cell * CELL;
    sprite->srcTop = 0;
    sprite->srcRight = sprite->srcLeft + CELL;
    sprite->srcBottom = CELL;
    sprite->visible = 1;
    return sprite;
}

// A leaf stretched to its own size: with stretch set, the source rectangle fills the screen
// rectangle from x, y to right, bottom (edges excluded).
void PlaceLeaf(int32_t index) {
    Sprite *leaf = CellSprite(PRIORITY_LEAF, CELL_LEAF);
    int32_t width = shell->Random(40, 120);  // service: Random
    leaf->x = index * 640 / game->leafCount + shell->Random(0, 20);
    leaf->y = GROUND_Y - width / 4;
    leaf->right = leaf->x + width;
    leaf->bottom = GROUND_Y + width / 4;
    leaf->stretch = 1;
    game->leaves[index] = leaf;
}

void ShowScore() {
    char text[64];
    // service: framesPerSecond
    snprintf(text, sizeof text, "%dてん  %dコマ/びょう", game->points, *shell->framesPerSecond);
    shell->FillImage(game->text, 0, 0, 0);  // service: FillImage (black is transparent)
    shell->DrawString(game->text->surface, 0, 0, game->text->width, game->text->height, TEXT_LEFT | TEXT_TOP, text,
                      24, 255, 255, 255, 1);  // service: DrawString
    game->shownPoints = game->points;
    game->shownRate = *shell->framesPerSecond;
}

// --- a falling berry: a task of its own ---
void __cdecl BerryFall() {
    Berry *berry = Work<Berry>();
    Sprite *s = berry->sprite;
    s->y += FALL_STEP;
    Sprite *basket = game->basket;
    int inBasket = s->y + CELL / 2 >= BASKET_Y && s->y < BASKET_Y && s->x + CELL / 2 >= basket->x &&
                   s->x + CELL / 2 < basket->x + CELL;
    if (inBasket) {
        game->points += berry->points;
        game->caught++;
        shell->SetSpritePriority(s, PRIORITY_CAUGHT);  // service: SetSpritePriority (in front of the basket)
        if (game->pop) shell->PlaySnd(game->pop);       // service: PlaySnd
        Advance();
        return;
    }
    if (s->y < GROUND_Y) return;
    shell->FreeSprite(s);  // service: FreeSprite
    game->berriesFalling--;
    shell->KillCurrentTask();  // service: KillCurrentTask (its work area is gone: return at once)
}

void __cdecl BerryCaught() {  // shown in the basket for one tick, then gone
    shell->FreeSprite(Work<Berry>()->sprite);
    game->berriesFalling--;
    shell->KillCurrentTask();
}

const StepRoutine BerrySteps[] = {BerryFall, BerryCaught};

void DropBerry() {
    int purple = shell->Random(0, 3) == 0;
    // service: CreateTask
    Berry *berry = (Berry *)shell->CreateTask(BerrySteps, TASK_PRIORITY_BERRY, TASK_ATTR_RUN, sizeof(Berry));
    berry->sprite = CellSprite(PRIORITY_BERRY, purple ? CELL_PURPLE : CELL_RED);
    berry->sprite->x = shell->Random(0, 640 - CELL);
    berry->sprite->y = -CELL;
    berry->points = purple ? PURPLE_POINTS : RED_POINTS;
    game->berriesFalling++;
}

// --- the game's main task ---
// Step 0: under the cover, load and place everything, then open the cover.
void __cdecl Setup() {
    game = Work<Game>();
    game->sheet = shell->NewImage("sheet.bmp");  // service: NewImage
    game->text = shell->NewImage("text.bmp");
    game->wind = shell->SndCreate("wind.wav");   // service: SndCreate
    game->pop = shell->SndCreate("pop.wav");
    game->leafCount = shell->Random(LEAVES_MIN, LEAVES_MAX);
    game->leaves = (Sprite **)shell->Alloc(game->leafCount * (int32_t)sizeof(Sprite *));  // service: Alloc
    for (int32_t i = 0; i < game->leafCount; i++) PlaceLeaf(i);
    game->basket = CellSprite(PRIORITY_BASKET, CELL_BASKET);
    game->basket->y = BASKET_Y;
    game->score = shell->NewSprite(PRIORITY_TEXT);
    game->score->image = game->text;
    game->score->srcRight = game->text->width;
    game->score->srcBottom = game->text->height;
    game->score->x = 12;
    game->score->y = 8;
    game->score->visible = 1;
    ShowScore();
    shell->SetClearColour(200, 230, 250);  // service: SetClearColour
    if (*shell->fadeState == FADE_COVERED) *shell->fadeState = FADE_UNCOVER;  // service: fadeState
    Advance();
}

// Step 1: wait until the screen shows, then let the wind blow.
void __cdecl Uncovering() {
    if (*shell->fadeState != FADE_VISIBLE) return;
    if (game->wind) {
        game->wind->loop = 1;  // over and over, until StopSnd
        shell->PlaySnd(game->wind);
    }
    Advance();
}

// Step 2: play. While the Windows cursor shows, the mouse is outside the play area: the basket
// waits where it is.
void __cdecl Play() {
    const MouseRecord *mouse = shell->mouse;          // service: mouse
    if (!*shell->cursorShown) game->basket->x = mouse->x - CELL / 2;  // service: cursorShown
    if (mouse->click[0]) game->nextBerry = 0;         // a click shakes the tree
    if (--game->nextBerry <= 0) {
        DropBerry();
        game->nextBerry = shell->Random(15, 40);
    }
    if (game->points != game->shownPoints || game->shownRate != *shell->framesPerSecond) ShowScore();
    if (++game->ticks < PLAY_TICKS) return;
    if (game->wind) shell->StopSnd(game->wind);       // service: StopSnd
    Advance();
}

// Step 3: the berries still falling land; then cover the screen.
void __cdecl LetLand() {
    if (game->points != game->shownPoints) ShowScore();
    if (game->berriesFalling > 0) return;
    *shell->fadeState = FADE_COVER;
    Advance();
}

// Step 4: once covered, free what the game made, report and end.
void __cdecl Leave() {
    if (*shell->fadeState != FADE_COVERED) return;
    for (int32_t i = 0; i < game->leafCount; i++) shell->FreeSprite(game->leaves[i]);
    shell->Free(game->leaves);  // service: Free (the shell never frees Alloc's blocks)
    shell->FreeSprite(game->basket);
    shell->FreeSprite(game->score);
    shell->FreeImage(game->sheet);  // service: FreeImage
    shell->FreeImage(game->text);
    if (game->wind) shell->RemoveSnd(game->wind);  // service: RemoveSnd
    if (game->pop) shell->RemoveSnd(game->pop);
    GameResultRecord *result = shell->result;     // service: result
    result->score = (uint32_t)game->points;       // 0: nothing to rank
    snprintf(result->label, sizeof result->label, "%dてん", game->points);  // at most 19 bytes
    result->zumi += game->caught;                  // the player's total, preset by the shell
    game = 0;
    shell->GameEndCall();  // service: GameEndCall (every task of the game is gone: return at once)
}

const StepRoutine GameSteps[] = {Setup, Uncovering, Play, LetLand, Leave};
}  // namespace

// The shell's instance and window are there for Windows calls that need them (a dialog box's
// owner, say); a game that cannot draw without a window refuses to start.
ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    if (!*services->instance || !*services->window) return 0;  // service: instance, window
    shell = services;
    services->CreateTask(GameSteps, TASK_PRIORITY_GAME, TASK_ATTR_RUN, sizeof(Game));
    return 1;
}

ROBINA_GAME_ENTRY End(void) { return 0; }
