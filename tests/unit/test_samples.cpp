// The sample games and the template played through as the menu launches them, each with a
// scripted mouse that reads the game's own sprites tick by tick, until the game ends by itself:
// then its score and label, the player's grown total, and that it left no task and no block.
#include <windows.h>
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>
#include "harness.h"
#include "catalogue/catalogue.h"
#include "gfx/gfx.h"
#include "launcher/launcher.h"
#include "pack/pack.h"
#include "fade/fade.h"
#include "base/base.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

namespace {
void Tick() {
    RunTasks();
    ClearClicks();
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
}

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

// What a script remembers between ticks.
struct Memory {
    int next = 0, phase = 0, first = -1;
    int faces[18] = {};
};

// Pops the first balloon well in view, every tenth tick.
void PlayBalloon(Memory &, int tick) {
    if (tick % 10) return;
    for (Sprite *s : Shown("balloons.bmp"))
        if (Cell(s, 48) < 5 && s->y > 40 && s->y < 280) return Press(s->x + 24, s->y + 25);
}

// A perfect memory: every face once seen is kept; a known pair is taken at once.
void PlayMemory(Memory &m, int tick) {
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
void PlayMogura(Memory &m, int tick) {
    if (tick < m.next) return;
    for (Sprite *s : Shown("friends.bmp"))
        if (Cell(s, 80) < 4 && s->srcBottom >= 40) {
            Press(s->x + 40, s->y + s->srcBottom - 20);
            m.next = tick + 6;
            return;
        }
}

// Clicks the tick after the worm shows.
void PlayHayaoshi(Memory &, int) {
    for (Sprite *s : Shown("worm.bmp"))
        if (Cell(s, 80) == 0) Press(320, 200);
}

// Presses on the last lit stone while the robin sits, then draws towards the next stone (or the
// nest) five pixels a tick with the button held.
void PlayMichi(Memory &, int) {
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

void PlayTemplate(Memory &, int tick) {
    if (tick % 5 == 0) Press(300 + tick % 40, 180);
}

struct Sample {
    const char *file;
    void (*play)(Memory &, int tick);
    int maxTicks;
};
void PrintTo(const Sample &sample, std::ostream *out) { *out << sample.file; }
const Sample SAMPLES[] = {
    {"BALLOON.VYG", PlayBalloon, 4000},
    {"MEMORY.VYG", PlayMemory, 4000},
    {"MOGURA.VYG", PlayMogura, 3000},
    {"HAYAOSHI.VYG", PlayHayaoshi, 3000},
    {"MICHI.VYG", PlayMichi, 3000},
    {"TEMPLATE.VYG", PlayTemplate, 1000},
};

class Samples : public ::testing::TestWithParam<Sample> {
protected:
    static void SetUpTestSuite() {
        EnsureMainWindow();
        ASSERT_EQ(InitDisplay(), 1);
        InitSound();
        InitSpriteList();
        InitTaskList();
        FillServiceTable();
        {
            BoxWatcher saveDataMessages;  // records other test programs left may be reported
            ScanGameFiles();
        }
        PumpMessages();
        SetPack(MENU_PACK);
        StartCursorTask();
        StartFadeTask();
        FadeState = FADE_COVERED;  // as the menu leaves the screen when it launches a game
        for (int i = 0; i < 3; i++) Tick();
    }
};

TEST_P(Samples, GameIsPlayedToItsEndAndReportsItsScore) {
    const Sample &sample = GetParam();
    int game = 0;
    for (int g = 1; g <= GameCatalogue.GameCount; g++)
        if (strcmp(GameCatalogue.entries[g - 1].fileName, sample.file) == 0) game = g;
    ASSERT_NE(game, 0) << sample.file << " was not found by the scan";
    ASSERT_EQ(FadeState, FADE_COVERED);
    int tasks = TaskCount, blocks = LiveBlocks;
    GameCatalogue.ZumiTotal = 5;
    strcpy(GameCatalogue.PlayerName, "ロビナ");
    SelectedGame = (uint8_t)game;
    SceneDone = 0;
    ASSERT_EQ(LaunchGame(), 1);
    EXPECT_EQ(GameResult.zumi, 5);

    Memory memory;
    int tick = 0;
    for (; tick < sample.maxTicks && !SceneDone; tick++) {
        sample.play(memory, tick);
        if (tick % 50 == 0) Tick(); else RunTasks(), ClearClicks();
    }
    ASSERT_EQ(SceneDone, 1) << "still running after " << tick << " ticks";
    EXPECT_EQ(TaskCount, tasks) << "the game's tasks outlived GameEndCall";
    EXPECT_EQ(FadeState, FADE_COVERED) << "the game leaves under the cover";
    EXPECT_GT(GameResult.score, 0u);
    EXPECT_EQ(std::string(GameResult.label), std::to_string(GameResult.score) + "てん");
    EXPECT_GT(GameResult.zumi, 5) << "the player's total did not grow";
    printf("%s: %s in %d ticks, total %d\n", sample.file, GameResult.label, tick, GameResult.zumi);
    {
        BoxWatcher nameDialog;
        Tick();
        Tick();
        ReturnToMenu();
    }
    EXPECT_EQ(GameModule, nullptr);
    EXPECT_EQ(TaskCount, tasks);
    EXPECT_EQ(LiveBlocks, blocks) << "blocks left behind";
    EXPECT_EQ(GameCatalogue.ZumiTotal, GameResult.zumi);
    memset(&MouseState, 0, sizeof MouseState);
}

INSTANTIATE_TEST_SUITE_P(Played, Samples, ::testing::ValuesIn(SAMPLES),
                         [](const ::testing::TestParamInfo<Sample> &info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });
}  // namespace
