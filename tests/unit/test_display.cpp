// The display device: start-up log lines and memory choice, pixel formats and colours, present,
// rebuild with image reload from each image's own pack, release, and the full-screen back buffer.
#include <windows.h>
#include <algorithm>
#include <ddraw.h>
#include <gtest/gtest.h>
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "base/base.h"

namespace {
std::string Solid(Rgb colour) {
    return Bmp24(8, 8, [&](int, int) { return colour; });
}
Image *LoadFrom(const char *pack, const char *member) {
    EXPECT_EQ(SetPack(pack), 1);
    return NewImage(member);
}
}  // namespace

TEST(Display, StartsInSystemMemoryByDefaultAndClearsToDarkGrey) {
    WriteConfig("UseVRAM", "0", 2);
    EnsureDisplay();
    ASSERT_NE(BackBuffer, nullptr);
    char line[64];
    snprintf(line, sizeof line, "ScreenBit is %d\n", DesktopBitDepth());
    EXPECT_EQ(CountInLog(line), 1);
    EXPECT_EQ(CountInLog("VRAM :"), 1);
    EXPECT_NE(ReadLog().find("byte Flag:0\n"), std::string::npos);
    EXPECT_EQ(CountInLog("halflag 48 > 1\n"), 1);
    EXPECT_EQ(SystemMemorySurfaces, 1);
    Frame frame = ReadBackBuffer();
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 360);
    EXPECT_TRUE(frame.shows(0, 0, MakeRgb(16, 16, 16)));
    EXPECT_TRUE(frame.shows(639, 359, MakeRgb(16, 16, 16)));
}

TEST(Display, ChannelTableFollowsTheBackBufferFormat) {
    EnsureDisplay();
    if (DesktopBitDepth() == 16) {
        EXPECT_EQ(ChannelTable[CHANNEL_RED].max, 31);
        EXPECT_EQ(ChannelTable[CHANNEL_RED].shift, 11);
        EXPECT_EQ(ChannelTable[CHANNEL_GREEN].max, 63);
        EXPECT_EQ(ChannelTable[CHANNEL_GREEN].shift, 5);
        EXPECT_EQ(MakeColour(255, 255, 255), 0xFFFFu);
    } else {
        EXPECT_EQ(ChannelTable[CHANNEL_RED].max, 255);
        EXPECT_EQ(ChannelTable[CHANNEL_RED].shift, 16);
        EXPECT_EQ(ChannelTable[CHANNEL_GREEN].shift, 8);
        EXPECT_EQ(MakeColour(255, 255, 255), 0xFFFFFFu);
    }
    EXPECT_EQ(ChannelTable[CHANNEL_BLUE].shift, 0);
    // The colour made for a fill is the colour read back.
    SetClearColour(255, 0, 0);
    ClearBackBuffer();
    EXPECT_TRUE(ReadBackBuffer().shows(320, 180, MakeRgb(255, 0, 0)));
    SetClearColour(16, 16, 16);
}

TEST(Display, MakeColourScalesEachChannelAndKeepsOnlyLowBytes) {
    EnsureDisplay();
    ChannelRecord saved[3];
    memcpy(saved, ChannelTable, sizeof saved);
    uint8_t savedDepth = ScreenDepth;
    ScreenDepth = 16;
    ChannelTable[CHANNEL_BLUE] = {31, 0};
    ChannelTable[CHANNEL_GREEN] = {63, 5};
    ChannelTable[CHANNEL_RED] = {31, 11};
    EXPECT_EQ(MakeColour(255, 255, 255), 0xFFFFu);
    EXPECT_EQ(MakeColour(16, 16, 16), (1u << 11) | (3u << 5) | 1u);
    EXPECT_EQ(MakeColour(0x1FF, 0x100, 0), 31u << 11);  // only the low 8 bits of each argument count
    ChannelTable[CHANNEL_BLUE] = {255, 0};
    ChannelTable[CHANNEL_GREEN] = {255, 8};
    ChannelTable[CHANNEL_RED] = {255, 16};
    ScreenDepth = 24;
    EXPECT_EQ(MakeColour(0x12, 0x34, 0x56), 0x123456u);
    for (uint8_t depth : {8, 15}) {
        ScreenDepth = depth;
        EXPECT_EQ(MakeColour(255, 255, 255), 0u);
    }
    ScreenDepth = savedDepth;
    memcpy(ChannelTable, saved, sizeof saved);
}

TEST(Display, PresentShowsThePlayAreaInTheWindow) {
    EnsureDisplay();
    SetClearColour(0, 200, 0);
    ClearBackBuffer();
    PresentFrame();
    HDC dc = GetDC((HWND)MainWindow);
    COLORREF seen = GetPixel(dc, 600, 300);
    ReleaseDC((HWND)MainWindow, dc);
    EXPECT_LE(GetRValue(seen), 8);  // within a step of a 16-bit display
    EXPECT_NEAR(GetGValue(seen), 200, 8);
    EXPECT_LE(GetBValue(seen), 8);
    SetClearColour(16, 16, 16);
}

namespace {
// The window's 640x360 client as the screen shows it, through GDI.
std::vector<COLORREF> ReadClient() {
    HWND window = (HWND)MainWindow;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 640, -360, 1, 32, BI_RGB};
    void *bits = 0;
    HDC dc = GetDC(window), copy = CreateCompatibleDC(dc);
    HBITMAP picture = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(copy, picture);
    BitBlt(copy, 0, 0, 640, 360, dc, 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels((COLORREF *)bits, (COLORREF *)bits + 640 * 360);
    SelectObject(copy, previous);
    DeleteObject(picture);
    DeleteDC(copy);
    ReleaseDC(window, dc);
    return pixels;
}
}  // namespace

// Enlarged, every pixel of the frame is a solid block, read back from the screen pixel by pixel;
// placed away from the client's corner (full screen), the rest of the client is black.
TEST(Display, PresentEnlargesEachPixelToASolidBlockAndBlackensAroundThePlayArea) {
    EnsureDisplay();
    WriteGameFile("pattern.vyg", {{"pattern.bmp", Bmp24(640, 360, [](int x, int y) {
                                       return MakeRgb(x * 7 & 255, y * 5 & 255, 40 + ((x ^ y) & 127));
                                   })}});
    ASSERT_EQ(SetPack("pattern.vyg"), 1);
    Sprite *sprite = ShowSprite(NewImage("pattern.bmp"), 0, 0);
    DrawFrame();
    PresentFrame();
    const std::vector<COLORREF> plain = ReadClient();
    ASSERT_EQ(std::count(plain.begin(), plain.end(), (COLORREF)0), 0) << "the pattern is on the screen";
    const struct { PlayPlaceRecord place; } cases[] = {{{0, 0, 2}}, {{0, 0, 3}}, {{100, 50, 1}}, {{-7, 30, 2}}};
    for (const auto &c : cases) {
        PlayPlace = c.place;
        PresentFrame();
        std::vector<COLORREF> shown = ReadClient();
        int wrong = 0;
        for (int y = 0; y < 360; y++)
            for (int x = 0; x < 640; x++) {
                int px = x - c.place.left, py = y - c.place.top, k = c.place.factor;
                bool inside = px >= 0 && py >= 0 && px < 640 * k && py < 360 * k;
                wrong += shown[y * 640 + x] != (inside ? plain[py / k * 640 + px / k] : 0);
            }
        EXPECT_EQ(wrong, 0) << "at (" << c.place.left << ", " << c.place.top << ") by " << c.place.factor;
    }
    PlayPlace = PlayPlaceRecord{0, 0, 1};
    EXPECT_EQ(ScaledFactor, 2);  // the enlarged surface of the last factor above 1 is kept
    FreeSprite(sprite);
    FreeSceneImages();
}

TEST(Display, RebuildReloadsEveryImageFromItsOwnPackAndKeepsTheCurrentPack) {
    EnsureDisplay();
    WriteGameFile("rebuild_a.vyg", {{"pic.bmp", Solid(MakeRgb(255, 0, 0))}});
    WriteGameFile("rebuild_b.vyg", {{"pic.bmp", Solid(MakeRgb(0, 0, 255))}});
    Image *red = LoadFrom("rebuild_a.vyg", "pic.bmp");
    Image *menu = LoadFrom(MENU_PACK, "cursor.bmp");
    Image *blue = LoadFrom("rebuild_b.vyg", "pic.bmp");
    ASSERT_TRUE(red && menu && blue);
    Sprite *left = ShowSprite(red, 0, 0), *middle = ShowSprite(menu, 200, 0), *right = ShowSprite(blue, 100, 0);
    Frame before = DrawFrame();
    EXPECT_GT(640 * 360 - before.count(MakeRgb(16, 16, 16)), 2 * 64 + 20);  // the MENUDATA picture shows too
    int loadsBefore = CountInLog("BMPLoadComplete pic.bmp(8,8)\n");

    // With another window in front nothing is rebuilt yet.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 700, 0, 50, 50, 0, 0, 0, 0);
    SetForegroundWindow(other);
    PumpMessages();
    RequestDisplayRestore();
    int restoresBefore = CountInLog("restore start\n");
    PresentFrame();
    EXPECT_EQ(CountInLog("restore start\n"), restoresBefore);
    EXPECT_EQ(DisplayLost, 1);
    DestroyWindow(other);
    SetForegroundWindow((HWND)MainWindow);
    SetActiveWindow((HWND)MainWindow);
    PumpMessages();

    ASSERT_EQ(SetPack(MENU_PACK), 1);
    SetClearColour(200, 100, 0);
    PresentFrame();
    EXPECT_EQ(DisplayLost, 0);
    EXPECT_EQ(CountInLog("restore start\n"), restoresBefore + 1);
    EXPECT_EQ(CountInLog("BMPLoadComplete pic.bmp(8,8)\n"), loadsBefore + 2);
    EXPECT_STREQ(CurrentPackName(), MENU_PACK);
    EXPECT_EQ(ClearColour, MakeColour(16, 16, 16));
    Frame after = DrawFrame();
    EXPECT_TRUE(after.shows(4, 4, MakeRgb(255, 0, 0)));
    EXPECT_TRUE(after.shows(104, 4, MakeRgb(0, 0, 255)));
    EXPECT_TRUE(after.shows(50, 4, MakeRgb(16, 16, 16)));
    EXPECT_EQ(after.pixels, before.pixels);
    FreeSprite(left);
    FreeSprite(middle);
    FreeSprite(right);
    FreeImage(red);
    FreeImage(menu);
    FreeImage(blue);
}

TEST(Display, ReleaseFreesEveryImageRecordAndLogsTheBalance) {
    EnsureDisplay();
    WriteGameFile("release.vyg", {{"one.bmp", Solid(MakeRgb(1, 2, 3))}, {"two.bmp", Solid(MakeRgb(4, 5, 6))}});
    ASSERT_EQ(SetPack("release.vyg"), 1);
    ASSERT_NE(NewImage("one.bmp"), nullptr);
    ASSERT_NE(NewImage("two.bmp"), nullptr);
    int32_t blocksWithImages = LiveBlocks;
    rlDDRelease();
    EXPECT_EQ(CountInLog("rlDDRelease 0\n"), 1);
    EXPECT_EQ(ImageList, nullptr);
    EXPECT_EQ(BackBuffer, nullptr);
    EXPECT_EQ(DirectDraw, nullptr);
    EXPECT_EQ(LiveBlocks, blocksWithImages - 3);  // the two images and the head record
}

TEST(Display, VideoMemoryWhenChosenAndItFits) {
    WriteConfig("UseVRAM", "1", 2);
    ASSERT_EQ(InitDisplay(), 1);
    WriteConfig("UseVRAM", "0", 2);
    EXPECT_EQ(CountInLog("halflag 49 > 0\n"), 1);
    EXPECT_EQ(SystemMemorySurfaces, 0);
    EXPECT_EQ(ForceSystemMemory, 0);
    EXPECT_TRUE(ReadBackBuffer().shows(10, 10, MakeRgb(16, 16, 16)));
    rlDDRelease();
}

TEST(Display, FullScreenDrawsIntoThePlayAreasOwnBackBuffer) {
    FullScreen = 1;
    ASSERT_EQ(InitDisplay(), 1);
    WriteGameFile("bands.vyg", {{"tall.bmp", Bmp24(640, 20, [](int, int) { return MakeRgb(255, 255, 0); })}});
    ASSERT_EQ(SetPack("bands.vyg"), 1);
    Image *tall = NewImage("tall.bmp");
    ASSERT_NE(tall, nullptr);
    Sprite *top = ShowSprite(tall, 0, -5);      // rows 0..14 of the play area
    Sprite *bottom = ShowSprite(tall, 0, 355);  // rows 355..359 only
    SetClearColour(0, 0, 128);
    Frame frame = DrawFrame();
    ASSERT_EQ(frame.height, PLAY_HEIGHT);  // the present places and enlarges it; the drawing does not move it
    auto rowIs = [&](int y, Rgb colour) {
        for (int x = 0; x < 640; x += 7)
            if (!frame.shows(x, y, colour)) return false;
        return true;
    };
    for (int y = 0; y < 15; y++) EXPECT_TRUE(rowIs(y, MakeRgb(255, 255, 0))) << "row " << y;
    EXPECT_TRUE(rowIs(15, MakeRgb(0, 0, 128)));
    EXPECT_TRUE(rowIs(354, MakeRgb(0, 0, 128)));
    for (int y = 355; y < 360; y++) EXPECT_TRUE(rowIs(y, MakeRgb(255, 255, 0))) << "row " << y;
    FreeSprite(top);
    FreeSprite(bottom);
    rlDDRelease();
    FullScreen = 0;
}
