// Cost of one frame (clear, draw the sprite list, present) for typical loads, and of loading a
// picture, each beside the cost of copying the same number of pixels with memcpy.
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "bench_clock.h"
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "fade/fade.h"
#include "base/base.h"
#include "task/task.h"

namespace {
double MemcpyMicroseconds(size_t pixels) {
    size_t bytes = pixels * 4;
    std::vector<char> from(bytes, 1), to(bytes);
    return MedianUs(201, [&] {
        memcpy(to.data(), from.data(), bytes);
        from[bytes / 2] = to[bytes / 3];  // keeps the copy from being optimised away
    });
}

void Report(const char *what, double microseconds, size_t pixels) {
    double copy = MemcpyMicroseconds(pixels);
    printf("%-34s %10.1f %10zu %10.1f %8.1f %7.2f%%\n", what, microseconds, pixels, copy, microseconds / copy,
           microseconds / (TICK_MS * 1000.0) * 100);
}

double FrameMicroseconds() {
    return MedianUs(301, [] {
        ClearBackBuffer();
        DrawSprites();
        PresentFrame();
    });
}

const size_t FramePixels = 640 * 360 * 2;  // the clear and the present

}  // namespace

int main() {
    EnsureDisplay();
    auto pattern = [](int x, int y) { return MakeRgb(x * 7 & 255, y * 5 & 255, (x ^ y) & 255); };
    WriteGameFile("bench.vyg", {{"fade.bmp", Bmp24(640, 1, [](int, int) { return MakeRgb(0, 0, 200); })},
                                {"cursor.bmp", Bmp24(32, 15, pattern)},
                                {"small.bmp", Bmp24(32, 32, pattern)},
                                {"large.bmp", Bmp24(640, 360, pattern)}});
    if (!SetPack("bench.vyg")) {
        printf("bench.vyg could not be made current\n");
        return 1;
    }
    printf("surfaces in %s memory, desktop %d bits\n", SystemMemorySurfaces ? "system" : "video", DesktopBitDepth());
    printf("%-34s %10s %10s %10s %8s %8s\n", "case", "median us", "pixels", "memcpy us", "ratio", "of tick");

    InitTaskList();
    StartFadeTask();
    StartCursorTask();
    SystemCursorShown = 0;
    MouseState.x = 300;
    MouseState.y = 200;
    FadeState = FADE_COVERED;
    RunTasks();
    RunTasks();
    Report("frame: full fade cover + cursor", FrameMicroseconds(), FramePixels + 640 * 360 + 15 * 15);
    FadeState = FADE_UNCOVER;
    while (FadeState != FADE_VISIBLE) RunTasks();
    SystemCursorShown = 1;
    RunTasks();
    Report("frame: nothing but the clear", FrameMicroseconds(), FramePixels);

    Image *small = NewImage("small.bmp");
    for (int i = 0; i < 1000; i++) ShowSprite(small, Random(0, 607), Random(0, 327));
    Report("frame: 1000 plain 32x32", FrameMicroseconds(), FramePixels + 1000 * 32 * 32);
    FreeSceneSprites();

    for (int i = 0; i < 200; i++) {
        Sprite *sprite = ShowSprite(small, Random(0, 575), Random(0, 295));
        sprite->right = sprite->x + 64;
        sprite->bottom = sprite->y + 64;
        sprite->stretch = 1;
    }
    Report("frame: 200 stretched 32x32 to 64x64", FrameMicroseconds(), FramePixels + 200 * 64 * 64);
    FreeSceneSprites();

    struct {
        const char *name, *label;
        size_t pixels;
    } loads[] = {{"small.bmp", "NewImage 32x32", 32 * 32}, {"large.bmp", "NewImage 640x360", 640 * 360}};
    for (const auto &load : loads) {
        std::vector<double> times;
        for (int i = 0; i < 41; i++) {
            double start = NowUs();
            Image *image = NewImage(load.name);
            times.push_back(NowUs() - start);
            FreeImage(image);
        }
        std::sort(times.begin(), times.end());
        Report(load.label, times[times.size() / 2], load.pixels);
    }
    FreeAllTasks();
    FreeSpriteList();
    rlDDRelease();
    return 0;
}
