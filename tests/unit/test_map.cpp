// The destination map, its information panel and its waves, run tick by tick on plain pictures: what
// the mouse is over and when the notify sound plays, the panel's dots, name tag, board and logo, the
// special picture, the version button, the music and the wave cycle, and the freeing at the close.
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <string.h>
#include <set>
#include <vector>
#include "harness.h"
#include "menu_pictures.h"
#include "scenes/menu.h"
#include "test_wave_files.h"
#include "scenes/scenes.h"
#include "dialogs/dialogs.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "pack/pack.h"
#include "task/task.h"
#include "base/base.h"

// Stand-ins for the title scene's flag and the version dialog, which would stop the run.
int32_t MascotJitter;
static int versionDialogs;
void ShowVersionDialog(void) { versionDialogs++; }

namespace {
// Random answers the first scripted answer for its range (used up), else the range's upper end.
struct Answer { int32_t lower, upper, value; };
std::vector<Answer> script, calls;
int32_t Scripted(int32_t lower, int32_t upper) {
    int32_t value = upper;
    for (size_t i = 0; i < script.size(); i++)
        if (script[i].lower == lower && script[i].upper == upper) {
            value = script[i].value;
            script.erase(script.begin() + i);
            break;
        }
    calls.push_back({lower, upper, value});
    return value;
}

std::vector<Sprite *> Showing(const char *name) {
    std::vector<Sprite *> found;
    for (Sprite *s = SpriteList->next; s; s = s->next)
        if (s->image && strcmp(s->image->name, name) == 0) found.push_back(s);
    return found;
}
int VisibleShowing(const char *name) {
    int visible = 0;
    for (Sprite *s : Showing(name)) visible += s->visible != 0;
    return visible;
}
bool Playing(Sound *sound) {
    DWORD status = 0;
    sound->buffer->GetStatus(&status);
    return status & DSBSTATUS_PLAYING;
}

struct Heard { bool notify, norm, bgm; };
Heard Tick(int x, int y, int click = 0) {
    for (Sound *sound : MenuState.sounds) if (sound) sound->buffer->Stop();
    MouseState.x = x, MouseState.y = y, MouseState.click[BUTTON_LEFT] = (uint8_t)click;
    RunTasks();
    ClearClicks();
    return {Playing(MenuState.sounds[MS_NOTIFY]), Playing(MenuState.sounds[MS_NORM]), Playing(MenuState.sounds[MS_BGM])};
}

struct Place { int x, y; };
class Map : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureDisplay();
        InitSound();
        InitTaskList();
        Members members = MenuPictures();
        for (const char *name : {"bt_notify.wav", "bt_norm.wav", "menubgm.wav"}) members.push_back({name, ToneWave(1.0, 440)});
        WriteGameFile("map.vyg", members);
    }
    void SetUp() override {
        ASSERT_EQ(SetPack("map.vyg"), 1);
        MenuState = MenuStateRecord();
        MenuState.images[MI_MAP] = NewImage("map.bmp");
        MenuState.images[MI_VERSION] = NewImage("b_version.bmp");
        MenuState.images[MI_VERSION_OVER] = NewImage("b_version_over.bmp");
        MenuState.sounds[MS_NOTIFY] = SndCreate("bt_notify.wav");
        MenuState.sounds[MS_NORM] = SndCreate("bt_norm.wav");
        MenuState.sounds[MS_BGM] = SndCreate("menubgm.wav");
        tasks = TaskCount, images = ImageCount, sprites = SpriteCount;
        RandomOverride = Scripted;
        script.clear(), calls.clear();
        MascotJitter = 0, versionDialogs = 0;
    }
    // The panel, then the map with its waves, as the menu builds them; each game its own pictures.
    void Build(std::vector<Place> games, bool map = true) {
        GameCatalogue.GameCount = (uint8_t)games.size();
        for (size_t i = 0; i < games.size(); i++) {
            GameCatalogue.entries[i].mapX = games[i].x, GameCatalogue.entries[i].mapY = games[i].y;
            MenuState.gameLogo[i] = NewImage("sys_logo.bmp");
            MenuState.gameStatus[i] = NewImage("sys_states.bmp");
        }
        images += 2 * (int)games.size();
        CreateInformationPanel();
        if (map) CreateMapTask();
        calls.clear();
    }
    // Closing: one turn to see it, one to free, one to end; the tasks are gone with what they made.
    void TearDown() override {
        MenuState.closing = 1;
        for (int tick = 0; tick < 3; tick++) Tick(0, 0);
        EXPECT_EQ(TaskCount, tasks);
        EXPECT_EQ(SpriteCount, sprites);
        EXPECT_EQ(ImageCount, images);
        RandomOverride = 0;
        FreeSceneSprites(), FreeSceneImages(), FreeSceneSounds();
    }
    int32_t tasks, images, sprites;
};
}  // namespace

TEST_F(Map, HoverAndNotifySoundFollowTheMouse) {
    // A, B; C and D overlap, D right of 264; E overlaps the information point (centre 165, 151).
    Build({{40, 60}, {100, 200}, {262, 60}, {270, 60}, {160, 135}});
    struct { int x, y, hover, selected; bool notify; } rows[] = {
        {0, 0, 0, 0, false},       {56, 76, 2, 1, true},    {57, 77, 2, 1, false},   // arrive, stay
        {152, 151, 1, 0, true},    {116, 216, 3, 2, true},                           // point to point
        {132, 216, 0, 0, false},   {131, 221, 3, 2, true},  {116, 232, 0, 0, false}, // 16 out, 15.8 in
        {282, 76, 5, 4, true},     {282, 76, 5, 4, true},                            // later wins
        {170, 151, 6, 5, true},    {170, 151, 6, 5, true},  {0, 0, 0, 0, false},
    };
    for (const auto &row : rows) {
        bool notify = Tick(row.x, row.y).notify;
        EXPECT_EQ(MenuState.hover, row.hover) << row.x << "," << row.y;
        EXPECT_EQ(SelectedGame, row.selected) << row.x << "," << row.y;
        EXPECT_EQ(notify, row.notify) << row.x << "," << row.y;
        EXPECT_EQ(MenuState.prevHover, row.hover);
    }
}

TEST_F(Map, WhileBusyTheMouseIsIgnoredAndThePanelKeepsBoardAndLogoOnly) {
    Build({{40, 60}, {100, 200}});
    for (int tick = 0; tick < 23; tick++) Tick(56, 76);  // the logo's shake has died down
    MenuState.busy = 1, MenuState.slide = 100.5f;
    Heard heard = Tick(116, 216, 1);
    EXPECT_FALSE(heard.notify || heard.norm);
    EXPECT_EQ(MenuState.hover, 2);
    EXPECT_EQ(SelectedGame, 1);
    EXPECT_EQ(VisibleShowing("destpoint0.bmp") + VisibleShowing("name_tabisaki.bmp"), 0);
    for (Sprite *line : Showing("sys_logo.bmp")) EXPECT_EQ(line->image, MenuState.gameLogo[0]);
    EXPECT_EQ(Showing("sys_logo.bmp").size(), 164u);
    ASSERT_EQ(Showing("sys_states.bmp").size(), 1u);
    EXPECT_EQ(Showing("sys_states.bmp")[0]->image, MenuState.gameStatus[0]);
    EXPECT_TRUE(Showing("sys_states.bmp")[0]->visible);
    // Map side 100.5 px left, truncated toward zero; the panel 100.5 right.
    EXPECT_EQ(Showing("map.bmp")[0]->x, -85);
    EXPECT_EQ(Showing("b_version.bmp")[0]->x, -88);
    EXPECT_EQ(Showing("point_ti7.bmp")[0]->x, 48);  // 24th tick: frame 7
    EXPECT_EQ(Showing("point7.bmp")[0]->x + Showing("point7.bmp")[1]->x, -60 + 0);  // 100 - 100.5: 0
    EXPECT_EQ(Showing("sys_states.bmp")[0]->x, 480);
    EXPECT_EQ(Showing("sys_logo.bmp")[0]->x, 480);
    EXPECT_EQ(Showing("wave1.bmp")[0]->x, -100);
}

TEST_F(Map, RouteDotsNameTagBoardAndLogoFollowHover) {
    Build({{899, 135}, {1200, 135}, {173, 135}, {174, 135}, {264, 60}, {265, 60}, {100, 60}}, false);
    struct { int hover, dots, tagX, tagY; const char *tag, *board, *logo; } rows[] = {
        {2, 30, 281, 111, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},  // 750 px: 30
        {3, 30, 281, 111, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},
        {4, 0, 190, 111, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},   // 24 px: none
        {5, 1, 191, 111, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},
        {6, 5, 281, 36, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},    // 280 + 1
        {7, 5, 281, 36, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},
        {8, 3, 117, 36, "name_tabisaki.bmp", "sys_states.bmp", "sys_logo.bmp"},
        {1, 0, 166, 111, "name_tekuai.bmp", "states_annaijyo.bmp", "logo_island.bmp"},
        {0, 0, 0, 0, nullptr, "states_none.bmp", "logo_robina.bmp"},
    };
    for (const auto &row : rows) {
        MenuState.hover = (uint8_t)row.hover;
        calls.clear();
        Tick(0, 0);
        EXPECT_EQ(VisibleShowing("destpoint0.bmp"), row.dots) << row.hover;
        EXPECT_EQ(VisibleShowing(row.board), 1) << row.hover;
        EXPECT_EQ(Showing(row.logo).size(), 164u) << row.hover;
        EXPECT_EQ(VisibleShowing("name_tekuai.bmp") + VisibleShowing("name_tabisaki.bmp"), row.tag ? 1 : 0);
        if (row.tag) {
            Sprite *tag = Showing(row.tag)[0];
            EXPECT_EQ(tag->x, row.tagX) << row.hover;
            EXPECT_EQ(tag->y, row.tagY) << row.hover;
        }
        // A change of point shakes every logo line on its own: one draw each, 0.95 x 30 px at first.
        int shake = row.hover ? 28 : 0, lines = 0;
        for (const Answer &call : calls) lines += call.lower == -shake && call.upper == shake;
        EXPECT_EQ(lines, 164) << row.hover;
        if (row.hover == 2) {  // first tick: dots 1.25 px out from the centre towards the east
            std::set<std::pair<int, int>> seen;
            for (Sprite *dot : Showing("destpoint0.bmp")) if (dot->visible) seen.insert({dot->x, dot->y});
            EXPECT_EQ(seen.size(), 30u);
            EXPECT_TRUE(*seen.begin() == std::make_pair(162, 147) && *seen.rbegin() == std::make_pair(887, 147));
        }
    }
}

TEST_F(Map, SpecialPictureIs40x40StillAndHoveredByTheSameCircle) {
    script = {{0, 500, 250}, {0, 11, 7}};
    Build({{40, 60}});
    for (int tick = 0; tick < 9; tick++) Tick(180, 151);
    EXPECT_EQ(MenuState.hover, 1);
    EXPECT_EQ(Tick(181, 151).notify, false);
    EXPECT_EQ(MenuState.hover, 0);
    ASSERT_EQ(Showing("point_ti_pomo.bmp").size(), 1u);
    EXPECT_EQ(Showing("point3.bmp").size(), 1u);  // the destinations animate meanwhile
    Frame frame = DrawFrame();
    EXPECT_EQ(frame.count(PictureColour("point_ti_pomo.bmp")), 40 * 40);
    EXPECT_TRUE(frame.shows(145, 131, PictureColour("point_ti_pomo.bmp")));
}

TEST_F(Map, InformationFramesCycleAndTheVersionButtonOpensTheDialog) {
    Build({});
    for (int tick = 1; tick <= 33; tick++) {
        Tick(12, 316);  // on the edge: not over
        char name[32];
        snprintf(name, sizeof name, "point_ti%d.bmp", tick / 4 % 8 + 1);
        EXPECT_EQ(Showing(name).size(), 1u) << tick;
    }
    EXPECT_EQ(Showing("b_version.bmp").size(), 1u);
    Tick(13, 347);
    EXPECT_EQ(Showing("b_version_over.bmp").size(), 1u);
    EXPECT_EQ(versionDialogs, 0);
    EXPECT_TRUE(Tick(42, 316, 1).norm);
    EXPECT_EQ(versionDialogs, 1);
}

TEST_F(Map, VersionButtonJittersXThenYWithTheMascot) {
    Build({});
    MenuState.busy = 1, MenuState.slide = 100.5f;
    Tick(0, 0);
    EXPECT_EQ(calls.size(), 164u);  // the logo lines only
    MascotJitter = 1;
    script = {{-1, 1, -1}, {-1, 1, 1}};
    Tick(0, 0);
    Sprite *version = Showing("b_version.bmp")[0];
    EXPECT_TRUE(version->x == -89 && version->y == 316) << version->x << "," << version->y;
    script = {{-1, 1, 1}, {-1, 1, -1}};
    Tick(0, 0);
    EXPECT_TRUE(version->x == -87 && version->y == 314) << version->x << "," << version->y;
}

TEST_F(Map, MusicStartsOnceInTheWaveTasks78thTickAndWavesCycleIn50) {
    Build({});
    for (int tick = 1; tick <= 160; tick++) {
        Heard heard = Tick(0, 0);
        EXPECT_EQ(heard.bgm, tick == 78) << tick;
        if (tick < 50 || tick >= 100) continue;  // one whole cycle: 1 1 2 2 3 3 3 3 2 2 1 1, then 38 hidden
        static const int frames[12] = {1, 1, 2, 2, 3, 3, 3, 3, 2, 2, 1, 1};
        int at = tick - 50, shown = 0;
        for (int n = 1; n <= 3; n++) {
            std::string name = "wave" + std::to_string(n) + ".bmp";
            shown += VisibleShowing(name.c_str()) * n;
        }
        EXPECT_EQ(shown, at < 12 ? frames[at] : 0) << tick;
    }
}
