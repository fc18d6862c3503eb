// Cost of the heaviest menu frame: the map at rest with the mouse on a destination, so that the
// decorations, the waves, the map with 30 points, the 164 logo lines, the board, the name tag and
// 30 route dots are all shown; drawn (clear and sprite list) beside a memcpy of as many pixels.
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "bench_clock.h"
#include "harness.h"
#include "menu_pictures.h"
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "base/base.h"
#include "task/task.h"


namespace {
// Pixels the frame writes: the clear, then every shown sprite as far as it lies on the play area.
size_t FramePixels() {
    size_t pixels = 640 * 360;
    for (Sprite *s = SpriteList->next; s; s = s->next) {
        if (!s->visible || !s->image) continue;
        int left = std::max(s->x, 0), right = std::min(s->x + s->srcRight - s->srcLeft, 640);
        int top = std::max(s->y, 0), bottom = std::min(s->y + s->srcBottom - s->srcTop, 360);
        if (right > left && bottom > top) pixels += (size_t)(right - left) * (bottom - top);
    }
    return pixels;
}

// The menu's decorations as they stand in one frame: background, text column, title, racing lines.
void ShowDecorations() {
    ShowSprite(NewImage("menu_bg.bmp"), 0, 0, 0);
    Image *text = NewImage("text.bmp"), *line = NewImage("bgline.bmp");
    for (int a = 0; a < 4; a++) ShowSprite(text, 367, 121 * a, 1);
    for (int i = 0; i < 10; i++) ShowSprite(line, 0, 10 + 34 * i, 1);
    ShowSprite(NewImage("text_logo.bmp"), 325, 20, 2);
}
}  // namespace

int main() {
    EnsureDisplay();
    WriteGameFile("bench_map.vyg", MenuPictures());
    if (!SetPack("bench_map.vyg")) {
        printf("bench_map.vyg could not be made current\n");
        return 1;
    }
    InitTaskList();
    ShowDecorations();
    MenuState.images[MI_MAP] = NewImage("map.bmp");
    MenuState.images[MI_VERSION] = NewImage("b_version.bmp");
    MenuState.images[MI_VERSION_OVER] = NewImage("b_version_over.bmp");
    // 30 games: 29 points spread over the map, the last 750 px from the information point (off the
    // screen: no place on it is far enough for 30 dots), with the mouse on it.
    Image *logo = NewImage("sys_logo.bmp"), *status = NewImage("sys_states.bmp");
    GameCatalogue.GameCount = MAX_GAMES;
    for (int i = 0; i < MAX_GAMES; i++) {
        GameCatalogue.entries[i].mapX = 20 + 35 * (i % 9);
        GameCatalogue.entries[i].mapY = 40 + 70 * (i / 9);
        MenuState.gameLogo[i] = logo;
        MenuState.gameStatus[i] = status;
    }
    GameCatalogue.entries[MAX_GAMES - 1].mapX = 899;
    GameCatalogue.entries[MAX_GAMES - 1].mapY = 135;
    CreateInformationPanel();
    CreateMapTask();
    MouseState.x = 899 + 16;
    MouseState.y = 135 + 16;
    for (int tick = 0; tick < 55; tick++) RunTasks();  // the waves are shown from the 50th tick on

    size_t pixels = FramePixels();
    double draw = MedianUs(301, [] {
        ClearBackBuffer();
        DrawSprites();
    });
    size_t bytes = pixels * 4;
    std::vector<char> from(bytes, 1), to(bytes);
    double copy = MedianUs(301, [&] {
        memcpy(to.data(), from.data(), bytes);
        from[bytes / 2] = to[bytes / 3];  // keeps the copy from being optimised away
    });
    printf("surfaces in %s memory, desktop %d bits, %d sprites, hover %d\n",
           SystemMemorySurfaces ? "system" : "video", DesktopBitDepth(), SpriteCount, MenuState.hover);
    printf("%-34s %10s %10s %10s %8s %8s\n", "case", "median us", "pixels", "memcpy us", "ratio", "of tick");
    printf("%-34s %10.1f %10zu %10.1f %8.1f %7.2f%%\n", "frame: heaviest menu frame", draw, pixels, copy,
           draw / copy, draw / (TICK_MS * 1000.0) * 100);
    FreeAllTasks();
    FreeSpriteList();
    rlDDRelease();
    return 0;
}
