// The logo scene, tick by tick behind the real fade task: which logo shows on which background, how
// long each is held, what a click skips, and that the scene leaves nothing behind.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "fade/fade.h"
#include "task/task.h"
#include "task/scene.h"
#include "scenes/scenes.h"

namespace {
const Rgb First = MakeRgb(200, 30, 30), Second = MakeRgb(30, 30, 200), CoverRow = MakeRgb(90, 90, 90);

void EnsureLogoPack() {
    static bool made = false;
    if (made) return;
    made = true;
    EnsureDisplay();
    WriteGameFile("logos.vyg", {{"fade.bmp", Bmp24(640, 1, [](int, int) { return CoverRow; })},
                                {"cursor.bmp", Bmp24(32, 15, [](int, int) { return MakeRgb(1, 2, 3); })},
                                {"vyg.bmp", Bmp24(186, 113, [](int, int) { return First; })},
                                {"mossleaf_logo.bmp", Bmp24(289, 77, [](int, int) { return Second; })}});
    ASSERT_EQ(SetPack("logos.vyg"), 1);
    InitTaskList();
    StartFadeTask();
    StartCursorTask();
}

// What one tick of the scene looked like.
struct Tick {
    int fade;
    std::string logo;   // member name of the logo the sprite shows, when it is visible
    uint32_t clear;
};

struct LogoRun {
    std::vector<Tick> ticks;
    int32_t images = 0, sprites = 0, tasks = 0;
    // Runs the scene from a full cover until SceneDone, clicking at the given ticks (from 1).
    explicit LogoRun(std::vector<int> clicks = {}) {
        EnsureLogoPack();
        FadeState = FADE_COVERED;
        while (DrawFrame().count(CoverRow) != 640 * 360) RunTasks();
        images = ImageCount, sprites = SpriteCount, tasks = TaskCount;
        SceneDone = 0;
        StartLogoScene();
        Sprite *logo = SpriteList->next;  // the scene's one sprite, priority 0, drawn first
        EXPECT_EQ(logo->priority, 0u);
        for (int t = 1; !SceneDone && t < 2000; t++) {
            MouseState.click[0] = std::find(clicks.begin(), clicks.end(), t) != clicks.end();
            RunTasks();
            ClearClicks();
            std::string shown = SceneDone || !logo->visible ? "" : logo->image->name;
            ticks.push_back({FadeState, shown, ClearColour});
        }
        RunTasks();  // the task ends itself
    }
    // Ticks (from 1) in which the given logo was on its sprite, first and last.
    std::pair<int, int> Span(const std::string &name) const {
        int first = 0, last = 0;
        for (size_t i = 0; i < ticks.size(); i++)
            if (ticks[i].logo == name) last = (int)i + 1, first = first ? first : (int)i + 1;
        return {first, last};
    }
    int FirstTickWith(int fade, int after = 0) const {
        for (size_t i = after; i < ticks.size(); i++)
            if (ticks[i].fade == fade) return (int)i + 1;
        return 0;
    }
};
}  // namespace

TEST(Logo, WithoutClicksBothLogosShowOnTheirBackgroundsAndTheSceneEndsCoveredAndClean) {
    LogoRun run;
    auto first = run.Span("vyg.bmp"), second = run.Span("mossleaf_logo.bmp");
    ASSERT_EQ(first.first, 1);
    ASSERT_GT(second.first, first.second);
    EXPECT_EQ(run.ticks[0].clear, MakeColour(255, 255, 255));
    EXPECT_EQ(run.ticks[second.first - 1].clear, MakeColour(16, 16, 16));
    // The cover of the first logo is asked for in the tick its count passes 150.
    EXPECT_EQ(run.FirstTickWith(FADE_COVER), 152);
    EXPECT_EQ(run.FirstTickWith(FADE_COVER, second.first), second.first + 151);
    Tick last = run.ticks.back();
    EXPECT_EQ(last.fade, FADE_COVERED);
    EXPECT_EQ(last.clear, MakeColour(16, 16, 16));
    EXPECT_EQ(ImageCount, run.images);
    EXPECT_EQ(SpriteCount, run.sprites);
    EXPECT_EQ(TaskCount, run.tasks);
}

TEST(Logo, AClickDuringTheFirstUncoverOrCoverSkipsTheSecondLogo) {
    // The uncover asked for in tick 1 takes 34 ticks; the cover is asked for in the tick it ends. A
    // click in the cover of the first logo, asked for in tick 152, skips the second as well.
    const struct { int click, coverTick; } cases[] = {{5, 35}, {160, 152}};
    for (const auto &c : cases) {
        LogoRun run({c.click});
        EXPECT_EQ(run.Span("mossleaf_logo.bmp").first, 0) << c.click;
        EXPECT_EQ(run.FirstTickWith(FADE_COVER), c.coverTick) << c.click;
        EXPECT_EQ(run.ticks.back().fade, FADE_COVERED) << c.click;
        EXPECT_EQ(ImageCount, run.images) << c.click;
    }
    EXPECT_EQ(LogoRun({5}).FirstTickWith(FADE_VISIBLE), 0);
}

TEST(Logo, AClickDuringTheSecondLogoShortensIt) {
    LogoRun plain;
    int second = plain.Span("mossleaf_logo.bmp").first;
    LogoRun clicked({second + 60});
    EXPECT_EQ(clicked.FirstTickWith(FADE_COVER, second), second + 61);
    EXPECT_LT(clicked.ticks.size(), plain.ticks.size());
    EXPECT_EQ(clicked.Span("mossleaf_logo.bmp").first, second);
}
