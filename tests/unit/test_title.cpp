// The title scene run tick by tick behind the real fade task, on plain stand-in pictures and tones:
// the intro's pictures and sounds, the slide, the logo's hop, the hint's blink, the mascot's clicks,
// the clicks that leave, and that the scene gives back everything it made.
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "test_wave_files.h"
#include "base/base.h"
#include "fade/fade.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "task/scene.h"
#include "task/task.h"

namespace {
struct TitleWork {  // the title task's work area
    float t, hold, pos, speed;
    int32_t clicks;
};

const char *const kSounds[] = {"bt_norm.wav", "title_se0.wav", "title_se1.wav", "bt_loc.wav"};
const struct {
    const char *name;
    int w, h;
} kImages[] = {
    {"title_bg.bmp", 640, 360}, {"robina_logo.bmp", 323, 121}, {"mouse_crick.bmp", 175, 19},
    {"39zumi2.bmp", 61, 52},    {"title.bmp", 469, 346},       {"bgline.bmp", 640, 3},
    {"title_map.bmp", 121, 233}, {"mini_dws.bmp", 120, 38},
};

std::string Plain(int w, int h) {
    return Bmp8(w, h, {MakeRgb(0, 0, 0), MakeRgb(90, 140, 200)}, [](int, int) { return 1; });
}

// The fade task over a covered screen, as the scene sequence leaves it, and the title's members.
void EnsureTitleWorld() {
    static bool made = false;
    if (made) return;
    made = true;
    EnsureDisplay();
    ASSERT_EQ(InitSound(), 1);
    Members members = {{"fade.bmp", Plain(640, 1)}};
    for (const char *sound : kSounds) members.push_back({sound, ToneWave(2.0, 440)});
    for (const auto &image : kImages) members.push_back({image.name, Plain(image.w, image.h)});
    for (int i = 1; i <= 34; i++) {
        char name[32];
        snprintf(name, sizeof name, "title_pomo%02d.bmp", i);
        members.push_back({name, Plain(312, 312)});
    }
    WriteGameFile("title.vyg", members);
    ASSERT_EQ(SetPack("title.vyg"), 1);
    InitTaskList();
    StartFadeTask();
    FadeState = FADE_COVERED;
}

void Tick(int button = -1, int x = 0, int y = 0) {
    MouseState.x = x;
    MouseState.y = y;
    if (button >= 0) MouseState.click[button] = 1;
    RunTasks();
    ClearClicks();
}

// The scene's sprite showing an image whose name starts with the given text.
Sprite *Showing(const char *name) {
    for (Sprite *sprite = SpriteList->next; sprite; sprite = sprite->next)
        if (sprite->image && strncmp(sprite->image->name, name, strlen(name)) == 0) return sprite;
    return nullptr;
}
int FrameOf(Sprite *character) { return atoi(character->image->name + strlen("title_pomo")); }

Sound *SoundNamed(const char *name) {
    for (Sound *sound = SoundList->next; sound; sound = sound->next)
        if (strcmp(sound->name, name) == 0) return sound;
    return nullptr;
}
bool Playing(const char *name) {
    DWORD status = 0;
    SoundNamed(name)->buffer->GetStatus(&status);
    return status & DSBSTATUS_PLAYING;
}
void Hush() {
    for (const char *sound : kSounds) StopSnd(SoundNamed(sound));
}

struct Counts {
    int32_t images, sprites, tasks, sounds;
    bool operator==(const Counts &o) const {
        return images == o.images && sprites == o.sprites && tasks == o.tasks && sounds == o.sounds;
    }
};
Counts Now() {
    Counts counts = {ImageCount, SpriteCount, TaskCount, 0};
    for (Sound *sound = SoundList->next; sound; sound = sound->next) counts.sounds++;
    return counts;
}

// What the uncover, the intro and the slide showed, one entry per tick; clicks of every kind
// (outside, right, on the mascot's resting place) come all along and must change nothing.
struct Intro {
    std::vector<int> frames;  // character picture shown, 0 once hidden
    int visibleTick = -1, se0Tick = -1, se1Tick = -1, slideTick = -1;
    int slideX[3] = {0, 0, 0};  // logo, hint, mascot in the first tick of the slide
    bool coverAsked = false;
};
Intro RunIntro() {
    const struct { int button, x, y; } clicks[] = {{BUTTON_LEFT, 300, 200}, {BUTTON_RIGHT, 300, 200}, {BUTTON_LEFT, 30, 330}};
    Intro intro;
    Sprite *logo = Showing("robina_logo"), *hint = Showing("mouse_crick"), *mascot = Showing("39zumi2");
    for (int tick = 0; tick < 400 && !Showing("title.bmp")->visible; tick++) {
        const auto &click = clicks[tick % 3];
        Tick(click.button, click.x, click.y);
        Sprite *character = Showing("title_pomo");
        intro.frames.push_back(character->visible ? FrameOf(character) : 0);
        if (intro.visibleTick < 0 && FadeState == FADE_VISIBLE) intro.visibleTick = tick;
        if (intro.se0Tick < 0 && Playing("title_se0.wav")) intro.se0Tick = tick;
        if (intro.se1Tick < 0 && Playing("title_se1.wav")) intro.se1Tick = tick;
        if (intro.slideTick < 0 && logo->x != 640) {
            intro.slideTick = tick;
            intro.slideX[0] = logo->x, intro.slideX[1] = hint->x, intro.slideX[2] = mascot->x;
        }
        intro.coverAsked |= FadeState == FADE_COVER;
    }
    Tick();  // the slide's last step
    Hush();
    return intro;
}

// Ticks until the scene has ended and its task is gone; then nothing it made may be left.
void ExpectEndedAndFreed(const Counts &before) {
    EXPECT_EQ(FadeState, FADE_COVER);
    EXPECT_EQ(SceneDone, 0);
    for (int tick = 0; tick < 60 && !SceneDone; tick++) Tick();
    EXPECT_EQ(SceneDone, 1);
    EXPECT_EQ(FadeState, FADE_COVERED);
    Tick();
    EXPECT_TRUE(Now() == before) << "images " << ImageCount << ", sprites " << SpriteCount << ", tasks "
                                 << TaskCount;
}

std::vector<std::pair<int32_t, int32_t>> RandomCalls;
int32_t RecordRandom(int32_t lower, int32_t upper) {
    RandomCalls.push_back({lower, upper});
    return upper;
}

class Title : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureTitleWorld();
        for (int tick = 0; tick < 3; tick++) Tick();
        ASSERT_EQ(FadeState, FADE_COVERED);
        before = Now();
        SceneDone = 0;
    }
    TitleWork *Start() {
        RandomOverride = RecordRandom;
        RandomCalls.clear();
        TitleWork *work = (TitleWork *)StartTitleScene();
        RandomOverride = nullptr;
        return work;
    }
    Counts before;
};
}  // namespace

TEST_F(Title, IntroSlideHopBlinkAndMascotClicksThenAnyOtherClickLeaves) {
    TitleWork *work = Start();
    EXPECT_EQ(TaskCount, before.tasks + 11);
    ASSERT_EQ(RandomCalls.size(), 40u);
    const std::pair<int32_t, int32_t> order[] = {{1, 3}, {0, 628}, {-600, 600}, {0, 100}};  // per line
    for (size_t i = 0; i < RandomCalls.size(); i++) EXPECT_EQ(RandomCalls[i], order[i % 4]) << i;

    Intro intro = RunIntro();
    EXPECT_FALSE(intro.coverAsked);
    EXPECT_EQ(work->clicks, 0);
    EXPECT_EQ(intro.se0Tick, intro.visibleTick);
    // Two ticks a picture; frame 1 also shows through the uncover and frame 16 gets the hold.
    std::vector<int> expected(intro.visibleTick + 2, 1);
    for (int frame = 2; frame <= 33; frame++) expected.insert(expected.end(), frame == 16 ? 51 : 2, frame);
    expected.push_back(0);
    EXPECT_EQ(intro.frames, expected);
    int firstHold = intro.visibleTick + 2 + 2 * 14;
    EXPECT_EQ(intro.se1Tick, firstHold + 49);
    EXPECT_EQ(FrameOf(Showing("title_pomo")), 34);
    EXPECT_EQ(intro.slideTick, firstHold + 51 + 2 * 9);
    EXPECT_EQ(std::vector<int>(intro.slideX, intro.slideX + 3), (std::vector<int>{616, -157, -220}));
    struct { const char *name; int x, y; } rest[] = {{"robina_logo", 303, 44}, {"mouse_crick", 71, 328}, {"39zumi2", 8, 304}};
    for (const auto &sprite : rest)
        EXPECT_TRUE(Showing(sprite.name)->x == sprite.x && Showing(sprite.name)->y == sprite.y) << sprite.name;

    // Idle, under right clicks: a hop on tick 301 and 602, resting at y 44 in between; the hint
    // shows 51 ticks and hides 25.
    for (int tick = 1; tick <= 700; tick++) {
        Tick(BUTTON_RIGHT, 300, 200);
        bool hopping = (tick >= 301 && tick < 400) || tick >= 602;
        if (!hopping || tick == 301 || tick == 602) {
            EXPECT_EQ(Showing("robina_logo")->y, hopping ? 39 : 44) << tick;
        }
        EXPECT_EQ(Showing("mouse_crick")->visible, tick % 76 <= 50) << tick;
    }
    EXPECT_EQ(FadeState, FADE_VISIBLE);

    // Mascot clicks: the button sound fifteen times, the lock sound once, then silence.
    for (int click = 1; click <= 20; click++) {
        EXPECT_EQ(MascotJitter, (int32_t)(click > 16)) << click;
        Tick(BUTTON_LEFT, click % 2 ? 9 : 68, click % 2 ? 305 : 355);
        EXPECT_EQ(Playing("bt_norm.wav"), click < 16) << click;
        EXPECT_EQ(Playing("bt_loc.wav"), click == 16) << click;
        Hush();
    }
    EXPECT_EQ(work->clicks, 20);
    EXPECT_EQ(FadeState, FADE_VISIBLE);

    Tick(BUTTON_LEFT, 300, 200);
    ExpectEndedAndFreed(before);
}

TEST_F(Title, TheMascotsOwnEdgesAreOutside) {
    const struct { int x, y; } edges[] = {{8, 330}, {30, 304}, {69, 330}, {30, 356}};
    for (const auto &edge : edges) {
        TitleWork *work = Start();
        RunIntro();
        Tick(BUTTON_LEFT, edge.x, edge.y);
        EXPECT_EQ(work->clicks, 0) << edge.x << "," << edge.y;
        ExpectEndedAndFreed(before);
        SceneDone = 0;
    }
}
