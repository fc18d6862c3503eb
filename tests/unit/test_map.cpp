// The destination map, its information panel and its waves, run tick by tick on plain pictures: hover
// and the notify sound, the panel's dots, tag, board and logo, the special picture, the version
// button, the music and the wave cycle; every case ends by closing, which must free all it made.
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <set>
#include <vector>
#include "menu_pictures.h"
#include "test_wave_files.h"
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "pack/pack.h"
#include "task/task.h"
#include "base/base.h"

static int versionDialogs;
void ShowVersionDialog(void) { versionDialogs++; }  // the real one is modal
void OpenRankingPage(int) {}  // the real one opens the browser

namespace {
// Random gives the scripted answers to (-1, 1) in turn, else the range's upper end; calls are kept.
std::vector<int32_t> jitter;
std::vector<std::pair<int32_t, int32_t>> calls;
int32_t Scripted(int32_t lower, int32_t upper) {
    calls.push_back({lower, upper});
    if (lower != -1 || upper != 1 || jitter.empty()) return upper;
    int32_t value = jitter.front();
    jitter.erase(jitter.begin());
    return value;
}
std::vector<Sprite *> Showing(const char *name, bool visibleOnly = false) {
    std::vector<Sprite *> found;
    for (Sprite *s = SpriteList->next; s; s = s->next)
        if (s->image && !strcmp(s->image->name, name) && (s->visible || !visibleOnly)) found.push_back(s);
    return found;
}
int Shown(const char *name) { return (int)Showing(name, true).size(); }
bool Playing(int sound) {
    DWORD status = 0;
    MenuState.sounds[sound]->buffer->GetStatus(&status);
    return status & DSBSTATUS_PLAYING;
}
// One tick with the mouse at (x, y); whether the notify sound played in it.
bool Tick(int x, int y, int click = 0) {
    for (Sound *sound : MenuState.sounds) if (sound) sound->buffer->Stop();
    MouseState.x = x, MouseState.y = y, MouseState.click[BUTTON_LEFT] = (uint8_t)click;
    RunTasks();
    ClearClicks();
    return Playing(MS_NOTIFY);
}

class Map : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureDisplay(), InitSound(), InitTaskList();
        Members members = MenuPictures();
        for (const char *name : {"menubgm.wav", "bt_norm.wav", "bt_notify.wav"})
            members.push_back({name, ToneWave(1, 440)});
        WriteGameFile("map.vyg", members);
    }
    void SetUp() override {
        static const char *const buttons[] = {"b_version.bmp", "b_version_over.bmp"};
        static const char *const sounds[] = {"bt_norm.wav", "bt_notify.wav"};
        ASSERT_EQ(SetPack("map.vyg"), 1);
        MenuState = MenuStateRecord();
        MenuState.images[MI_MAP] = NewImage("map.bmp");
        LoadImages(&MenuState.images[MI_VERSION], buttons, 2);
        MenuState.sounds[MS_BGM] = SndCreate("menubgm.wav");
        LoadSounds(&MenuState.sounds[MS_NORM], sounds, 2);
        tasks = TaskCount, images = ImageCount, sprites = SpriteCount;
        RandomOverride = Scripted, jitter.clear(), MascotJitter = 0, versionDialogs = 0;
    }
    // The panel, then the map with its waves, as the menu builds them; each game its own pictures.
    void Build(std::vector<std::pair<int, int>> games, bool map = true) {
        GameCatalogue.GameCount = (uint8_t)games.size();
        for (size_t i = 0; i < games.size(); i++) {
            GameCatalogue.entries[i].mapX = games[i].first, GameCatalogue.entries[i].mapY = games[i].second;
            MenuState.gameLogo[i] = NewImage("sys_logo.bmp");
            MenuState.gameStatus[i] = NewImage("sys_states.bmp");
        }
        images += 2 * (int)games.size();
        CreateInformationPanel();
        if (map) CreateMapTask();
        calls.clear();
    }
    // Closing: one turn to see it, one to free, one to end.
    void TearDown() override {
        MenuState.closing = 1;
        for (int tick = 0; tick < 3; tick++) Tick(0, 0);
        EXPECT_TRUE(TaskCount == tasks && SpriteCount == sprites && ImageCount == images);
        RandomOverride = 0;
        FreeSceneSprites(), FreeSceneImages(), FreeSceneSounds();
    }
    int32_t tasks, images, sprites;
};
}  // namespace

TEST_F(Map, HoverAndNotifySoundFollowTheMouse) {
    // A, B; C and D overlap; E overlaps the information point (centre 165, 151).
    Build({{40, 60}, {100, 200}, {262, 60}, {270, 60}, {160, 135}});
    struct { int x, y, hover, selected; bool notify; } rows[] = {
        {0, 0, 0, 0, false},     {56, 76, 2, 1, true},   {57, 77, 2, 1, false},   // arrive, stay
        {152, 151, 1, 0, true},  {116, 216, 3, 2, true},                          // point to point
        {132, 216, 0, 0, false}, {131, 221, 3, 2, true}, {116, 232, 0, 0, false}, // 16 out, 15.8 in
        {282, 76, 5, 4, true},   {282, 76, 5, 4, true},  {170, 151, 6, 5, true},  // later wins, and
        {170, 151, 6, 5, true},  {0, 0, 0, 0, false},                             // the other plays
    };
    for (const auto &row : rows) {
        EXPECT_EQ(Tick(row.x, row.y), row.notify) << row.x << "," << row.y;
        EXPECT_EQ(SelectedGame, row.selected) << row.x << "," << row.y;
        EXPECT_TRUE(MenuState.hover == row.hover && MenuState.prevHover == row.hover)
            << row.x << "," << row.y << ": " << (int)MenuState.hover;
    }
}

TEST_F(Map, WhileBusyTheMouseIsIgnoredAndThePanelKeepsBoardAndLogoOnly) {
    Build({{40, 60}, {100, 200}});
    for (int tick = 0; tick < 23; tick++) Tick(56, 76);  // the logo's shake dies down
    MenuState.busy = 1, MenuState.slide = 100.5f;
    EXPECT_FALSE(Tick(116, 216, 1) || Playing(MS_NORM));
    EXPECT_TRUE(MenuState.hover == 2 && SelectedGame == 1);
    EXPECT_EQ(Shown("destpoint0.bmp") + Shown("name_tabisaki.bmp"), 0);
    EXPECT_EQ(Shown("sys_states.bmp"), 1);
    EXPECT_EQ(Showing("sys_states.bmp")[0]->image, MenuState.gameStatus[0]);
    EXPECT_EQ(Shown("sys_logo.bmp"), 164);
    for (Sprite *line : Showing("sys_logo.bmp")) EXPECT_EQ(line->image, MenuState.gameLogo[0]);
    // The map side 100.5 px to the left, truncated toward zero (the 24th tick shows frame 7); the
    // panel 100.5 px to the right.
    struct { const char *name; int x; } places[] = {{"map.bmp", -85}, {"b_version.bmp", -88},
        {"point_ti7.bmp", 48}, {"wave1.bmp", -100}, {"sys_states.bmp", 480}, {"sys_logo.bmp", 480}};
    for (const auto &place : places) EXPECT_EQ(Showing(place.name)[0]->x, place.x) << place.name;
    EXPECT_EQ(Showing("point7.bmp")[0]->x + Showing("point7.bmp")[1]->x, -60 + 0);  // 100 - 100.5: 0
}

TEST_F(Map, RouteDotsNameTagBoardAndLogoFollowHover) {
    Build({{899, 135}, {1200, 135}, {173, 135}, {174, 135}, {264, 60}, {265, 60}, {100, 60}}, false);
    // By hover 0, 1, game: name tag, board and logo.
    static const char *const tags[] = {nullptr, "name_tekuai.bmp", "name_tabisaki.bmp"};
    static const char *const boards[] = {"states_none.bmp", "states_annaijyo.bmp", "sys_states.bmp"};
    static const char *const logos[] = {"logo_robina.bmp", "logo_island.bmp", "sys_logo.bmp"};
    // 750 px: 30 dots, 24 px: none, 25: one; the tag at X + 16 but at most 280 (Random answers +1).
    struct { int hover, dots, tagX, tagY; } rows[] = {{2, 30, 281, 111}, {3, 30, 281, 111}, {4, 0, 190, 111},
        {5, 1, 191, 111}, {6, 5, 281, 36}, {7, 5, 281, 36}, {8, 3, 117, 36}, {1, 0, 166, 111}, {0, 0, 0, 0}};
    for (const auto &row : rows) {
        int kind = std::min(row.hover, 2);
        MenuState.hover = (uint8_t)row.hover;
        calls.clear();
        Tick(0, 0);
        EXPECT_EQ(Shown("destpoint0.bmp"), row.dots) << row.hover;
        EXPECT_TRUE(Shown(boards[kind]) == 1 && Showing(logos[kind]).size() == 164) << row.hover;
        EXPECT_EQ(Shown("name_tekuai.bmp") + Shown("name_tabisaki.bmp"), kind ? 1 : 0) << row.hover;
        Sprite *tag = kind ? Showing(tags[kind])[0] : nullptr;
        EXPECT_TRUE(!tag || (tag->x == row.tagX && tag->y == row.tagY)) << row.hover;
        // A change of point shakes every logo line on its own: one draw each, 0.95 x 30 px at first.
        int shake = row.hover ? 28 : 0;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), std::make_pair(-shake, shake)), 164) << row.hover;
        if (row.hover != 2) continue;  // first tick: dots 1.25 px out from the centre towards the east
        std::set<std::pair<int, int>> seen;
        for (Sprite *dot : Showing("destpoint0.bmp", true)) seen.insert({dot->x, dot->y});
        EXPECT_TRUE(*seen.begin() == std::make_pair(162, 147) && *seen.rbegin() == std::make_pair(887, 147));
        // 1.25 px further each tick; in the 20th the phase wraps and the dots start again from the centre.
        std::vector<int> nearest;
        for (int tick = 2; tick <= 21; tick++) {
            Tick(0, 0);
            seen.clear();
            for (Sprite *dot : Showing("destpoint0.bmp", true)) seen.insert({dot->x, dot->y});
            nearest.push_back(seen.begin()->first);
        }
        EXPECT_EQ(nearest, std::vector<int>({163, 164, 166, 167, 168, 169, 171, 172, 173, 174, 176, 177, 178, 179,
                                             181, 182, 183, 184, 161, 162}));
    }
}

TEST_F(Map, SpecialPictureIs40x40StillAndHoveredByTheSameCircle) {
    RandomOverride = [](int32_t, int32_t upper) { return upper == 500 ? 250 : upper == 11 ? 7 : upper; };
    Build({{40, 60}});
    RandomOverride = Scripted;
    for (int tick = 0; tick < 9; tick++) Tick(180, 151);
    EXPECT_EQ(MenuState.hover, 1);
    EXPECT_FALSE(Tick(181, 151));
    EXPECT_EQ(MenuState.hover, 0);
    EXPECT_TRUE(Shown("point_ti_pomo.bmp") == 1 && Shown("point3.bmp") == 1);  // the destination animates
    Frame frame = DrawFrame();
    EXPECT_EQ(frame.count(PictureColour("point_ti_pomo.bmp")), 40 * 40);
    EXPECT_TRUE(frame.shows(145, 131, PictureColour("point_ti_pomo.bmp")));
}

TEST_F(Map, VersionButtonOpensTheDialogAndJittersXThenYWithTheMascot) {
    Build({});
    Tick(12, 316);  // the box's own edge is outside
    Tick(13, 347);
    EXPECT_TRUE(Shown("b_version.bmp") == 0 && Shown("b_version_over.bmp") == 1 && versionDialogs == 0);
    Tick(42, 316, 1);
    EXPECT_TRUE(Playing(MS_NORM) && versionDialogs == 1);
    Tick(0, 0);
    MenuState.busy = 1, MenuState.slide = 100.5f;
    EXPECT_FALSE(Tick(42, 316, 1) || Playing(MS_NORM) || versionDialogs != 1 || Shown("b_version_over.bmp"));
    calls.clear();
    Tick(0, 0);
    EXPECT_EQ(calls.size(), 164u);  // the logo lines only: no jitter without the mascot
    MascotJitter = 1;
    Sprite *version = Showing("b_version.bmp")[0];
    // x = trunc(12 + dx - 100.5), y = 315 + dy
    struct { int dx, dy, x, y; } jitters[] = {{-1, 1, -89, 316}, {1, -1, -87, 314}};
    for (const auto &row : jitters) {
        jitter = {row.dx, row.dy};
        Tick(0, 0);
        EXPECT_TRUE(version->x == row.x && version->y == row.y) << version->x << "," << version->y;
    }
}

TEST_F(Map, MusicStartsOnceInTheWaveTasks78thTickAndWavesCycleIn50) {
    Build({});
    static const int frames[12] = {1, 1, 2, 2, 3, 3, 3, 3, 2, 2, 1, 1};  // then 38 ticks hidden
    for (int tick = 1; tick <= 160; tick++) {
        Tick(0, 0);
        EXPECT_EQ(Playing(MS_BGM), tick == 78) << tick;
        int shown = Shown("wave1.bmp") + 2 * Shown("wave2.bmp") + 3 * Shown("wave3.bmp");
        if (tick < 50 || tick >= 100) continue;
        EXPECT_EQ(shown, tick - 50 < 12 ? frames[tick - 50] : 0) << tick;
    }
}
