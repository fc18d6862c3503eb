// The title scene tick by tick behind the real fade task, on stand-in pictures and tones: intro,
// slide, hop, blink, mascot clicks, the clicks that leave, and that the scene gives back what it made.
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <array>
#include <tuple>
#include <vector>
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
struct TitleWork { float t, hold, pos, speed; int32_t clicks; };  // the title task's work area
const char *const kMembers[] = {"fade.bmp", "title_bg.bmp", "robina_logo.bmp", "mouse_crick.bmp", "39zumi2.bmp",
                                "title.bmp", "bgline.bmp", "title_map.bmp", "mini_dws.bmp", "bt_norm.wav",
                                "title_se0.wav", "title_se1.wav", "bt_loc.wav"};

void Tick(int button = -1, int x = 0, int y = 0) {  // one tick with a click of that button, or none
    MouseState.x = x, MouseState.y = y;
    if (button >= 0) MouseState.click[button] = 1;
    RunTasks();
    ClearClicks();
}
Sprite *Showing(const char *name) {  // the sprite showing an image whose name starts so
    for (Sprite *sprite = SpriteList->next; sprite; sprite = sprite->next)
        if (sprite->image && strncmp(sprite->image->name, name, strlen(name)) == 0) return sprite;
    return nullptr;
}
bool Played(const char *name) {  // playing now; stopped, so that the next look sees only a new play
    Sound *sound = SoundList->next;
    while (strcmp(sound->name, name)) sound = sound->next;
    DWORD status = 0;
    sound->buffer->GetStatus(&status);
    StopSnd(sound);
    return status & DSBSTATUS_PLAYING;
}
std::array<int32_t, 4> Counts() {  // images, sprites, tasks, sounds
    std::array<int32_t, 4> counts = {ImageCount, SpriteCount, TaskCount, 0};
    for (Sound *sound = SoundList->next; sound; sound = sound->next) counts[3]++;
    return counts;
}
std::vector<std::pair<int32_t, int32_t>> RandomCalls;

class Title : public ::testing::Test {
protected:
    void SetUp() override {  // the members once, then a scene started on a covered screen
        if (!SoundList) {
            EnsureDisplay();
            ASSERT_EQ(InitSound(), 1);
            std::string dot = Bmp24(1, 1, [](int, int) { return Rgb(0x5a8cc8); }), tone = ToneWave(2.0, 440);
            Members members;  // nothing is drawn: one dot does for every picture
            char frame[32];
            for (int i = 1; i <= 34; i++) {
                snprintf(frame, sizeof frame, "title_pomo%02d.bmp", i);
                members.push_back({frame, dot});
            }
            for (const char *name : kMembers) members.push_back({name, strstr(name, ".wav") ? tone : dot});
            WriteGameFile("title.vyg", members);
            ASSERT_EQ(SetPack("title.vyg"), 1);
            InitTaskList();
            StartFadeTask();
            FadeState = FADE_COVERED;
        }
        for (int tick = 0; tick < 3; tick++) Tick();
        before = Counts();
        SceneDone = 0;
        RandomOverride = [](int32_t low, int32_t high) { return RandomCalls.push_back({low, high}), high; };
        work = (TitleWork *)StartTitleScene();
        RandomOverride = nullptr;
    }
    // Uncover, intro and slide under clicks of every kind, which must change nothing.
    void RunIntro() {
        const struct { int button, x, y; } clicks[] = {{0, 300, 200}, {1, 300, 200}, {0, 30, 330}};
        for (int tick = 0; tick < 400 && !Showing("title.bmp")->visible; tick++) {
            Tick(clicks[tick % 3].button, clicks[tick % 3].x, clicks[tick % 3].y);
            Sprite *character = Showing("title_pomo");
            frames.push_back(character->visible ? atoi(character->image->name + strlen("title_pomo")) : 0);
            if (FadeState == FADE_VISIBLE && visibleTick < 0) visibleTick = tick;
            if (Played("title_se0.wav")) se0Ticks.push_back(tick);
            if (Played("title_se1.wav")) se1Ticks.push_back(tick);
            int mascotX = Showing("39zumi2")->x;
            if (mascotX != -238 && slideTick < 0) slideTick = tick, slideX = mascotX;
            EXPECT_NE(FadeState, FADE_COVER) << tick;
        }
        Tick();  // the slide's last step
        EXPECT_EQ(work->clicks, 0);
    }
    void ExpectLeft() {  // after a click that leaves: covered, done, and nothing of the scene left
        EXPECT_EQ(FadeState, FADE_COVER);
        EXPECT_EQ(SceneDone, 0);
        for (int tick = 0; tick < 60 && !SceneDone; tick++) Tick();
        EXPECT_TRUE(SceneDone && FadeState == FADE_COVERED);
        Tick();
        EXPECT_EQ(Counts(), before) << "images, sprites, tasks, sounds";
    }
    std::array<int32_t, 4> before;
    TitleWork *work;
    std::vector<int> frames, se0Ticks, se1Ticks;
    int visibleTick = -1, slideTick = -1, slideX = 0;
};
}  // namespace

TEST_F(Title, IntroSlideHopBlinkAndMascotClicksThenAnyOtherClickLeaves) {
    ASSERT_EQ(RandomCalls.size(), 40u);
    const std::pair<int32_t, int32_t> order[] = {{1, 3}, {0, 628}, {-600, 600}, {0, 100}};  // per line
    for (size_t i = 0; i < RandomCalls.size(); i++) EXPECT_EQ(RandomCalls[i], order[i % 4]) << i;

    RunIntro();  // two ticks a picture; frame 1 also shows through the uncover, frame 16 is held
    std::vector<int> expected(visibleTick + 2, 1);
    for (int frame = 2; frame <= 33; frame++) expected.insert(expected.end(), frame == 16 ? 51 : 2, frame);
    expected.push_back(0);
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(Showing("title_pomo")->image->name, std::string("title_pomo34.bmp"));
    int hold = visibleTick + 2 + 2 * 14;
    EXPECT_EQ(se0Ticks, std::vector<int>{visibleTick});
    EXPECT_EQ(se1Ticks, (std::vector<int>{hold + 49, hold + 50}));
    EXPECT_EQ(std::make_pair(slideTick, slideX), std::make_pair(hold + 51 + 2 * 9, -220));  // -220.78
    const std::tuple<const char *, int, int> rest[] = {{"robina_logo", 303, 44}, {"mouse_crick", 71, 328},
                                                        {"39zumi2", 8, 304}};
    for (auto at : rest) {
        Sprite *sprite = Showing(std::get<0>(at));
        EXPECT_EQ(std::make_tuple(std::get<0>(at), sprite->x, sprite->y), at);
    }
    // Under right clicks the logo hops on ticks 301 and 602 and rests at 44 between; the hint shows
    // 51 ticks and hides 25.
    for (int tick = 1; tick <= 700; tick++) {
        Tick(BUTTON_RIGHT, 300, 200);
        bool hopping = (tick >= 301 && tick < 400) || tick >= 602;
        int y = Showing("robina_logo")->y;
        EXPECT_TRUE(hopping ? tick % 301 || y == 39 : y == 44) << tick << ": " << y;
        EXPECT_EQ(Showing("mouse_crick")->visible, tick % 76 <= 50) << tick;
    }
    // The mascot: the button sound fifteen times, the lock sound once, then silence; none leaves.
    for (int click = 1; click <= 20; click++) {
        EXPECT_EQ(MascotJitter, (int32_t)(click > 16)) << click;
        Tick(BUTTON_LEFT, click % 2 ? 9 : 68, click % 2 ? 305 : 355);
        EXPECT_EQ(Played("bt_norm.wav"), click < 16) << click;
        EXPECT_EQ(Played("bt_loc.wav"), click == 16) << click;
    }
    EXPECT_EQ(std::make_pair(work->clicks, FadeState), std::make_pair(20, (uint8_t)FADE_VISIBLE));
    Tick(BUTTON_LEFT, 300, 200);
    ExpectLeft();
}

class TitleEdge : public Title, public ::testing::WithParamInterface<std::pair<int, int>> {};
TEST_P(TitleEdge, TheMascotsOwnEdgesAreOutside) {
    RunIntro();
    Tick(BUTTON_LEFT, GetParam().first, GetParam().second);
    ExpectLeft();
}
INSTANTIATE_TEST_SUITE_P(Edges, TitleEdge, ::testing::Values(std::make_pair(8, 330), std::make_pair(30, 304)));

// The sprites as the scene places them; two lines' runs, one held at the left edge, with the draws
// of a wrap and the height from the sine; and the logo bouncing on through the cover.
TEST_F(Title, SpritesStartAsPlacedLinesRaceAndWrapAndTheLogoBouncesThroughTheCover) {
    const struct { const char *image; int priority, x, y, w, h, visible; } placed[] = {
        {"robina_logo", 200, 640, 44, 323, 121, 1}, {"mouse_crick", 200, -175, 328, 175, 19, 1},
        {"39zumi2", 200, -238, 304, 61, 52, 1},     {"title_map", 100, 380, 71, 121, 233, 1},
        {"title.bmp", 101, 68, 0, 469, 346, 0},     {"mini_dws", 101, 515, 312, 120, 38, 1},
        {"title_pomo01", 80, 68, 0, 312, 312, 1},   {"title_bg", 0, 0, 0, 640, 360, 1}};
    for (const auto &p : placed) {
        Sprite *s = Showing(p.image);
        ASSERT_TRUE(s) << p.image;
        EXPECT_EQ(std::vector<int>({(int)s->priority, s->x, s->y, s->srcRight, s->srcBottom, s->visible}),
                  std::vector<int>({p.priority, p.x, p.y, p.w, p.h, p.visible})) << p.image;
    }
    struct Line { float x, delay, phase; Sprite *sprite; } *lines[2];  // the line tasks' work areas
    int found = 0;
    for (Task *t = TaskHead.next; t != &TaskTail && found < 2; t = t->next)
        if (t->work != work && t->priority == SCENE_PRIORITY && ((Line *)t->work)->sprite) lines[found++] = (Line *)t->work;
    ASSERT_EQ(found, 2);
    *lines[0] = {-300, 0, 0, lines[0]->sprite}, *lines[1] = {-300, 3, 0, lines[1]->sprite};
    // x of both, and y of the first: 170 sin(0.002 t) + 180, truncated; the wrap draws 1.57 rad, 0 and 1.
    const int path[][3] = {{-364, 0, 180}, {-428, 0, 180}, {-492, 0, 181}, {-556, -64, 181}, {-620, -128, 181}, {640, -192, 349}};
    const std::vector<std::pair<int32_t, int32_t>> wrapDraws = {{0, 628}, {0, 30}, {1, 3}};
    for (const auto &at : path) {
        RandomCalls.clear();
        RandomOverride = [](int32_t low, int32_t high) { return RandomCalls.push_back({low, high}), high == 628 ? 157 : low; };
        Tick();
        RandomOverride = nullptr;
        EXPECT_EQ(std::vector<int>({lines[0]->sprite->x, lines[1]->sprite->x, lines[0]->sprite->y}), std::vector<int>(at, at + 3));
        EXPECT_EQ(RandomCalls, at[0] == 640 ? wrapDraws : decltype(RandomCalls)()) << at[0];
    }
    EXPECT_EQ(lines[0]->sprite->srcBottom, 1);
    RunIntro();
    while (Showing("robina_logo")->y == 44) Tick();  // a hop begins; the click leaves at once
    Tick(BUTTON_LEFT, 300, 200);
    std::vector<int> heights;
    for (int tick = 0; tick < 25; tick++) Tick(), heights.push_back(Showing("robina_logo")->y);
    EXPECT_LT(*std::min_element(heights.begin(), heights.end()), 30);  // still rising, then back down
    EXPECT_EQ(*std::max_element(heights.begin(), heights.end()), 44);
    ExpectLeft();
}
