// Cost of presenting one frame at each whole-number factor of the window and in full screen on
// 1920x1080 and 3840x2160 monitors, beside the cost of copying the same number of bytes with memcpy.
// The present enlarges the 640x360 back buffer on the processor (each pixel a solid block) and blits
// the result unstretched; full screen also blackens what the play area leaves of the monitor. Run
// on a display of 3840x2160 (make bench gives it one), so that every window lies on the screen.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "bench_clock.h"
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "base/base.h"

namespace {
double MemcpyMicroseconds(size_t bytes) {
    std::vector<char> from(bytes, 1), to(bytes);
    return MedianUs(101, [&] {
        memcpy(to.data(), from.data(), bytes);
        from[bytes / 2] = to[bytes / 3];  // keeps the copy from being optimised away
    });
}

// The window as the shell makes it for this case: a captioned client of the enlarged play area, or a
// borderless window of the monitor's size with the play area centred in it.
void Arrange(int fullWidth, int fullHeight, int factor) {
    HWND window = (HWND)MainWindow;
    if (fullWidth) {
        SetWindowLongW(window, GWL_STYLE, WS_POPUP | WS_VISIBLE);
        SetWindowPos(window, NULL, 0, 0, fullWidth, fullHeight, SWP_FRAMECHANGED | SWP_NOZORDER);
        PlayPlace = FullScreenPlace(fullWidth, fullHeight);
    } else {
        SetWindowLongW(window, GWL_STYLE, WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
        RECT frame = {0, 0, PLAY_WIDTH * factor, PLAY_HEIGHT * factor};
        AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
        SetWindowPos(window, NULL, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_FRAMECHANGED | SWP_NOZORDER);
        PlayPlace = PlayPlaceRecord{0, 0, factor};
    }
    PumpMessages();
}

void Report(const char *what, int fullWidth, int fullHeight, int factor) {
    Arrange(fullWidth, fullHeight, factor);
    PresentFrame();  // makes the enlarged surface of this factor
    double present = MedianUs(101, [] { PresentFrame(); });
    size_t bytes = (size_t)PLAY_WIDTH * PlayPlace.factor * PLAY_HEIGHT * PlayPlace.factor * (DesktopBitDepth() / 8);
    double copy = MemcpyMicroseconds(bytes);
    printf("%-30s %2d %10.1f %10zu %10.1f %8.1f %7.2f%%\n", what, (int)PlayPlace.factor, present, bytes, copy,
           present / copy, present / (TICK_MS * 1000.0) * 100);
}
}  // namespace

int main() {
    EnsureDisplay();
    WriteGameFile("present.vyg", {{"pattern.bmp", Bmp24(640, 360, [](int x, int y) {
                                       return MakeRgb(x * 7 & 255, y * 5 & 255, (x ^ y) & 255);
                                   })}});
    if (!SetPack("present.vyg")) {
        printf("present.vyg could not be made current\n");
        return 1;
    }
    ShowSprite(NewImage("pattern.bmp"), 0, 0);
    ClearBackBuffer();
    DrawSprites();
    printf("present: screen %dx%d, desktop %d bits, surfaces in %s memory\n", GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN), DesktopBitDepth(), SystemMemorySurfaces ? "system" : "video");
    printf("%-30s %2s %10s %10s %10s %8s %8s\n", "case", "k", "median us", "bytes", "memcpy us", "ratio", "of tick");
    Report("window at 1x", 0, 0, 1);
    Report("window at 2x", 0, 0, 2);
    Report("window at 3x", 0, 0, 3);
    Report("full screen 1920x1080", 1920, 1080, 0);
    Report("full screen 3840x2160", 3840, 2160, 0);
    return 0;
}
