// The sample games and the template played through as the menu launches them, each with a
// scripted mouse that reads the game's own sprites tick by tick, until the game ends by itself:
// then its score and label, the player's grown total, and that it left nothing behind. What the
// mouse did is written down as a robina-play script; robina-play replays it with the same random
// numbers and must reach the same end, report no leftovers and show the same frame.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <fstream>
#include <sstream>
#include <string>
#include <algorithm>
#include <set>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "players.h"
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

// Writes down, as robina-play script lines, how the mouse changed since the last tick.
struct Recorder {
    MouseRecord last = {};
    std::ostringstream script;
    void Note(int tick) {
        const MouseRecord &m = MouseState;
        if (m.click[0]) script << tick << " press " << m.x << " " << m.y << "\n";
        else if (m.x != last.x || m.y != last.y) script << tick << " move " << m.x << " " << m.y << "\n";
        if (last.held[0] && !m.held[0]) script << tick << " release\n";
        last = m;
    }
};

std::string ProgramFolder() {
    return Folder();
}

// A 24-bit bottom-up BMP as robina-play writes it, as 0xRRGGBB top-down; empty if unreadable.
std::vector<Rgb> ReadShot(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Rgb> pixels;
    if (bytes.size() != 54u + 640 * 360 * 3) return pixels;
    for (int y = 0; y < 360; y++)
        for (int x = 0; x < 640; x++) {
            const uint8_t *p = (const uint8_t *)bytes.data() + 54 + ((359 - y) * 640 + x) * 3;
            pixels.push_back(MakeRgb(p[2], p[1], p[0]));
        }
    return pixels;
}

// The biggest visible picture the game placed itself (not the cover's rows nor the cursor).
const Sprite *BiggestGameSprite() {
    const Sprite *best = 0;
    auto area = [](const Sprite *s) { return (s->srcRight - s->srcLeft) * (s->srcBottom - s->srcTop); };
    for (Sprite *s = SpriteList->next; s; s = s->next)
        if (s->visible && s->image && !s->keep && (!best || area(s) > area(best))) best = s;
    return best;
}

enum { SHOT_TICK = 500, REPLAY_SEED = 4321 };

struct Sample {
    const char *file;
    Player play;
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
    // The scan loads the profile and every game's return saves it: the prefix's save data is this
    // program's until it ends, or a test of damaged records in another program sees them replaced.
    static void SetUpTestSuite() {
        LockSaveData();
        EnsureMainWindow();
        ASSERT_EQ(InitDisplay(), 1);
        InitSound();
        InitSpriteList();
        InitTaskList();
        BootLikeTheShell();
        FadeState = FADE_COVERED;  // as the menu leaves the screen when it launches a game
        for (int i = 0; i < 3; i++) Tick();
    }
    static void TearDownTestSuite() { UnlockSaveData(); }
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
    SeedRandom(REPLAY_SEED);
    ASSERT_EQ(LaunchGame(), 1);
    EXPECT_EQ(GameResult.zumi, 5);

    PlayerMemory memory;
    Recorder recorder;
    Frame shot;
    int left = 0, top = 0, right = 0, bottom = 0;  // where the biggest game picture lies in the shot
    int tick = 0;
    for (; tick < sample.maxTicks && !SceneDone; tick++) {
        sample.play(memory, tick);
        recorder.Note(tick);
        if (tick % 50 == 0) Tick(); else RunTasks(), ClearClicks();
        if (tick != SHOT_TICK) continue;
        shot = ReadBackBuffer();
        const Sprite *s = BiggestGameSprite();
        ASSERT_NE(s, nullptr) << "no picture of the game in view at tick " << tick;
        left = std::max(0, s->x), top = std::max(0, s->y);
        right = std::min(640, s->x + s->srcRight - s->srcLeft), bottom = std::min(360, s->y + s->srcBottom - s->srcTop);
    }
    ASSERT_EQ(SceneDone, 1) << "still running after " << tick << " ticks";
    EXPECT_EQ(TaskCount, tasks) << "the game's tasks outlived GameEndCall";
    EXPECT_EQ(FadeState, FADE_COVERED) << "the game leaves under the cover";
    EXPECT_GT(GameResult.score, 0u);
    EXPECT_EQ(std::string(GameResult.label), std::to_string(GameResult.score) + "てん");
    EXPECT_GT(GameResult.zumi, 5) << "the player's total did not grow";
    printf("%s: %s in %d ticks, total %d\n", sample.file, Readable(GameResult.label).c_str(), tick, GameResult.zumi);
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
    EXPECT_EQ(CountInLog(std::string("game leftovers ") + sample.file +
                         ": blocks 0, images 0, sprites 0, sounds 0, tasks 0\n"), 1);
    memset(&MouseState, 0, sizeof MouseState);

    // The same play through robina-play, from the script written down.
    std::string script = ProgramFolder() + sample.file + ".script";
    std::ofstream(script) << recorder.script.str();
    std::string report, arguments = "\"" + ProgramFolder() + sample.file + "\" --script \"" + script +
                                    "\" --seed " + std::to_string(REPLAY_SEED) + " --zumi 5 --ticks " +
                                    std::to_string(sample.maxTicks) + " --shot " + std::to_string(SHOT_TICK) +
                                    " --out \"" + ProgramFolder() + ".\"";
    EXPECT_EQ(RunChildProgram(ProgramFolder() + "..\\..\\robina-play.exe", arguments, 0, &report), 0) << report;
    std::string score = std::to_string(GameResult.score);
    for (const std::string &line :
         {"ticks: " + std::to_string(tick) + ", ended by the game\n",
          "result: score " + score + ", label \"" + score + u8"てん\", zumi " + std::to_string(GameResult.zumi),
          std::string("leftovers: blocks 0, images 0, sprites 0, sounds 0, tasks 0\nverdict: ok\n")})
        EXPECT_NE(report.find(line), std::string::npos) << line << "is not in the report:\n" << report;
    char name[32];
    snprintf(name, sizeof name, "shot-%05d.bmp", (int)SHOT_TICK);
    std::vector<Rgb> pixels = ReadShot(ProgramFolder() + name);
    ASSERT_EQ(pixels.size(), 640u * 360u) << "no screenshot";
    int differ = 0;
    std::set<Rgb> colours;
    for (int y = top; y < bottom; y++)
        for (int x = left; x < right; x++) {
            differ += !shot.shows(x, y, pixels[y * 640 + x]);
            colours.insert(pixels[y * 640 + x]);
        }
    EXPECT_EQ(differ, 0) << "the screenshot's game picture differs from what the game drew";
    EXPECT_GT(colours.size(), 4u) << "the game's picture is not in the screenshot";
}

INSTANTIATE_TEST_SUITE_P(Played, Samples, ::testing::ValuesIn(SAMPLES),
                         [](const ::testing::TestParamInfo<Sample> &info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });
}  // namespace
