// The sprite list and its drawing, checked on the back buffer's pixels: clipping, stretching,
// transparency, bitmap depths, drawing order, scene clears and load failures.
#include <windows.h>
#include <gtest/gtest.h>
#include <set>
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "base/base.h"

namespace {
const Rgb Clear = MakeRgb(16, 16, 16);

// A pixel of the striped pictures tells its source column (red and blue) and row (green), in steps
// wide enough to survive a 16-bit back buffer.
Rgb Stripe(int x, int y) {
    return MakeRgb(16 * (x % 16) + 8, 20 * y + 10, 80 + 64 * (x / 16));
}
int SourceColumn(Rgb pixel) {
    int blue = pixel & 0xFF;
    if (blue < 60) return -1;  // not from a striped picture
    return (int)((pixel >> 16) & 0xFF) / 16 + 16 * ((blue - 48) / 64);
}
int SourceRow(Rgb pixel) {
    return (int)((pixel >> 8) & 0xFF) / 20;
}

Image *Load(const char *member) {
    static bool written = false;
    if (!written) {
        auto red = [](int, int) { return MakeRgb(255, 0, 0); };
        std::vector<Rgb> palette = {0, MakeRgb(255, 0, 0), MakeRgb(0, 255, 0), MakeRgb(0, 0, 255),
                                    MakeRgb(200, 100, 50)};
        WriteGameFile("sprites.vyg",
                      {{"stripe20.bmp", Bmp24(20, 10, Stripe)},
                       {"stripe40.bmp", Bmp24(40, 10, Stripe)},
                       {"checker.bmp", Bmp24(8, 8, [](int x, int y) { return (x + y) % 2 ? MakeRgb(255, 0, 0) : 0; })},
                       {"black.bmp", Bmp24(16, 16, [](int, int) { return 0; })},
                       {"red.bmp", Bmp24(16, 16, red)},
                       {"blue.bmp", Bmp24(16, 16, [](int, int) { return MakeRgb(0, 0, 255); })},
                       {"palette8.bmp", Bmp8(5, 2, palette, [](int x, int) { return x; })}});
        written = true;
    }
    EnsureDisplay();
    EXPECT_EQ(SetPack("sprites.vyg"), 1);
    Image *image = NewImage(member);
    EXPECT_NE(image, nullptr) << member;
    return image;
}


Sprite *Stretched(Image *image, int srcRight, RECT to) {
    Sprite *sprite = ShowSprite(image, to.left, to.top);
    sprite->srcRight = srcRight;
    sprite->right = to.right;
    sprite->bottom = to.bottom;
    sprite->stretch = 1;
    return sprite;
}

}  // namespace

// Frees what a test made, even after a failed check, so each test starts from an empty list.
class Sprites : public ::testing::Test {
protected:
    void TearDown() override {
        FreeSceneSprites();
        FreeSceneImages();
    }
};

TEST_F(Sprites, PlainClipsAtTheLeftAndRightEdges) {
    Image *stripes = Load("stripe20.bmp");
    ShowSprite(stripes, -5, 0);
    ShowSprite(stripes, 630, 20);
    Frame frame = DrawFrame();
    for (int x = 0; x < 15; x++) EXPECT_EQ(SourceColumn(frame.at(x, 0)), x + 5) << x;
    EXPECT_TRUE(frame.shows(15, 0, Clear));
    for (int x = 630; x < 640; x++) EXPECT_EQ(SourceColumn(frame.at(x, 25)), x - 630) << x;
    EXPECT_TRUE(frame.shows(629, 25, Clear));
}

TEST_F(Sprites, PlainClipsAtTheTopAndBottomAndSkipsWhatIsOutside) {
    Image *stripes = Load("stripe20.bmp");
    ShowSprite(stripes, 100, 355);
    ShowSprite(stripes, 200, -7);
    ShowSprite(stripes, 300, 360);
    ShowSprite(stripes, -20, 100);
    ShowSprite(stripes, 640, 100);
    Frame frame = DrawFrame();
    for (int y = 355; y < 360; y++) EXPECT_EQ(SourceRow(frame.at(100, y)), y - 355) << y;
    EXPECT_EQ(SourceRow(frame.at(200, 0)), 7);
    EXPECT_EQ(SourceColumn(frame.at(219, 2)), 19);
    EXPECT_TRUE(frame.shows(200, 3, Clear));
    EXPECT_EQ(640 * 360 - frame.count(Clear), 20 * 5 + 20 * 3);
}

TEST_F(Sprites, StretchedLosesTheClippedPartOfTheSourceInProportion) {
    Image *stripes = Load("stripe40.bmp");
    Stretched(stripes, 20, RECT{-10, 50, 30, 60});  // twice the width: 10 columns off screen are 5 of the source
    Frame frame = DrawFrame();
    std::set<int> columns;
    for (int x = 0; x < 30; x++) columns.insert(SourceColumn(frame.at(x, 55)));
    EXPECT_EQ(*columns.begin(), 5);
    EXPECT_EQ(*columns.rbegin(), 19);
    EXPECT_EQ(columns.size(), 15u);
    EXPECT_EQ(SourceColumn(frame.at(0, 55)), 5);
    EXPECT_EQ(SourceColumn(frame.at(1, 55)), 5);
    EXPECT_TRUE(frame.shows(30, 55, Clear));
}

TEST_F(Sprites, StretchedAFullWidthSourceShowsAllButItsLastColumn) {
    Image *stripes = Load("stripe20.bmp");
    Stretched(stripes, 20, RECT{100, 0, 138, 20});
    Frame frame = DrawFrame();
    std::set<int> columns;
    for (int x = 100; x < 138; x++) columns.insert(SourceColumn(frame.at(x, 10)));
    EXPECT_EQ(columns.size(), 19u);
    EXPECT_EQ(*columns.rbegin(), 18);
    EXPECT_EQ(SourceColumn(frame.at(137, 10)), 18);
    EXPECT_TRUE(frame.shows(138, 10, Clear));
}

TEST_F(Sprites, StretchedEmptyOrInvertedRectanglesDrawNothing) {
    Image *red = Load("red.bmp");
    Stretched(red, 0, RECT{-10, -10, 100, 100});
    Sprite *inverted = Stretched(red, 16, RECT{10, 10, 100, 100});
    inverted->srcTop = 12;
    inverted->srcBottom = 4;
    Stretched(red, 16, RECT{50, 50, 50, 80});
    Stretched(red, 16, RECT{-100000, 0, 0, 10});  // clipped away completely
    Frame frame = DrawFrame();
    EXPECT_EQ(frame.count(Clear), 640 * 360);
}

TEST_F(Sprites, FieldsAtTheEndsOfTheirRangeDrawNothingAndDoNotOverflow) {
    Image *red = Load("red.bmp");
    Sprite *wide = ShowSprite(red, 600, 0);  // a span of about four billion columns
    wide->srcLeft = -2000000000;
    wide->srcRight = 2000000000;
    Sprite *distant = ShowSprite(red, -2147483647, -2147483647);
    distant->srcRight = 2147483647;
    distant->srcBottom = 2147483647;
    Sprite *huge = Stretched(red, 16, RECT{-2000000000, 0, 2000000000, 10});
    huge->srcLeft = -2147483647;
    Frame frame = DrawFrame();
    EXPECT_EQ(frame.count(Clear), 640 * 360);
}

TEST_F(Sprites, BlackPixelsLeaveWhatIsUnderneath) {
    ShowSprite(Load("blue.bmp"), 0, 0, 1);
    ShowSprite(Load("checker.bmp"), 0, 0, 2);
    ShowSprite(Load("black.bmp"), 100, 100, 3);
    Stretched(Load("black.bmp"), 16, RECT{200, 100, 260, 160});
    Stretched(Load("checker.bmp"), 8, RECT{300, 0, 316, 16});
    Frame frame = DrawFrame();
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_TRUE(frame.shows(x, y, (x + y) % 2 ? MakeRgb(255, 0, 0) : MakeRgb(0, 0, 255))) << x << "," << y;
    int red = 0, other = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 300; x < 316; x++) {
            red += frame.shows(x, y, MakeRgb(255, 0, 0));
            other += !frame.shows(x, y, MakeRgb(255, 0, 0)) && !frame.shows(x, y, Clear);
        }
    EXPECT_GT(red, 64);  // a stretched checker: its black half stays transparent
    EXPECT_LT(red, 192);
    EXPECT_EQ(other, 0);
    int changed = 0;
    for (int y = 90; y < 200; y++)
        for (int x = 90; x < 280; x++) changed += !frame.shows(x, y, Clear);
    EXPECT_EQ(changed, 0);
}

TEST_F(Sprites, AnEightBitPictureShowsItsPaletteColours) {
    Image *picture = Load("palette8.bmp");
    EXPECT_EQ(picture->width, 5);
    EXPECT_EQ(picture->height, 2);
    EXPECT_EQ(CountInLog("BMPLoadComplete palette8.bmp(5,2)\n"), 1);
    ShowSprite(picture, 10, 10);
    Frame frame = DrawFrame();
    EXPECT_TRUE(frame.shows(10, 10, Clear));  // index 0 is black, so transparent
    EXPECT_TRUE(frame.shows(11, 10, MakeRgb(255, 0, 0)));
    EXPECT_TRUE(frame.shows(12, 11, MakeRgb(0, 255, 0)));
    EXPECT_TRUE(frame.shows(13, 10, MakeRgb(0, 0, 255)));
    EXPECT_TRUE(frame.shows(14, 11, MakeRgb(200, 100, 50)));
}

TEST_F(Sprites, EqualPrioritiesPutTheNewestUnderneathAndHiddenSpritesAreSkipped) {
    Image *red = Load("red.bmp"), *blue = Load("blue.bmp");
    Sprite *older = ShowSprite(red, 0, 0, 50);
    Sprite *newer = ShowSprite(blue, 8, 0, 50);  // overlaps columns 8..15
    EXPECT_TRUE(DrawFrame().shows(10, 5, MakeRgb(255, 0, 0)));
    ASSERT_EQ(SetSpritePriority(older, 50), 1);
    EXPECT_TRUE(DrawFrame().shows(10, 5, MakeRgb(0, 0, 255)));
    Sprite *front = ShowSprite(red, 8, 0, 51);
    EXPECT_TRUE(DrawFrame().shows(10, 5, MakeRgb(255, 0, 0)));
    front->visible = 0;
    EXPECT_TRUE(DrawFrame().shows(10, 5, MakeRgb(0, 0, 255)));
    newer->visible = 0;
    older->visible = 0;
    EXPECT_TRUE(DrawFrame().shows(10, 5, Clear));
    EXPECT_EQ(SetSpritePriority(nullptr, 1), 0);
    EXPECT_EQ(FreeSprite(nullptr), 0);
    // The list stays sorted by unsigned priority whatever the order of creation.
    ShowSprite(red, 0, 0, 0xFFFFFFFFu);
    ShowSprite(red, 0, 0, 3);
    uint32_t last = 0;
    int count = 0;
    for (Sprite *s = SpriteList->next; s; s = s->next, count++) {
        EXPECT_GE(s->priority, last);
        last = s->priority;
    }
    EXPECT_EQ(count, SpriteCount);
}

TEST_F(Sprites, SceneClearKeepsOnlyKeptSpritesAndImagesAndBalancesTheAllocator) {
    EnsureDisplay();
    int32_t blocks = LiveBlocks, images = ImageCount, sprites = SpriteCount;
    Image *kept = Load("red.bmp");
    kept->keep = 1;
    Image *scene = Load("blue.bmp");
    Sprite *keptSprite = ShowSprite(kept, 0, 0);
    keptSprite->keep = 1;
    ShowSprite(scene, 20, 0);
    ShowSprite(kept, 40, 0);
    FreeSceneSprites();
    FreeSceneImages();
    EXPECT_EQ(ImageCount, images + 1);
    EXPECT_EQ(SpriteCount, sprites + 1);
    EXPECT_EQ(SpriteList->next, keptSprite);
    EXPECT_EQ(ImageList->next, kept);
    EXPECT_EQ(FreeImage(nullptr), ImageCount);
    EXPECT_EQ(FreeSprite(keptSprite), 1);
    EXPECT_EQ(FreeImage(kept), images);
    EXPECT_EQ(LiveBlocks, blocks);
}

TEST_F(Sprites, FillChangesEveryPixelAndBlackMakesThePictureTransparent) {
    Image *picture = Load("checker.bmp");
    ShowSprite(picture, 0, 0);
    EXPECT_EQ(FillImage(picture, 0, 255, 0), 0);
    Frame frame = DrawFrame();
    EXPECT_TRUE(frame.shows(0, 0, MakeRgb(0, 255, 0)));
    EXPECT_TRUE(frame.shows(7, 7, MakeRgb(0, 255, 0)));
    EXPECT_EQ(FillImage(picture, 0, 0, 0), 0);
    EXPECT_TRUE(DrawFrame().shows(1, 0, Clear));
    EXPECT_NE(FillImage(nullptr, 1, 2, 3), 0);
}

TEST_F(Sprites, AMissingMemberIsReportedAndLeavesNothingBehind) {
    EnsureDisplay();
    ASSERT_EQ(SetPack("sprites.vyg"), 1);
    int32_t blocks = LiveBlocks, images = ImageCount;
    BoxWatcher watcher;
    EXPECT_EQ(NewImage("nothing.bmp"), nullptr);
    EXPECT_EQ(NewImage(std::string(300, 'a').c_str()), nullptr);
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].caption, "エラー");
    EXPECT_EQ(watcher.boxes[0].text, "画像の読み込みに失敗(nothing.bmp)");
    EXPECT_EQ(ImageCount, images);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(ImageList->next, nullptr);
    PumpMessages();  // takes the quit message the error box posted
}

TEST_F(Sprites, ListReleaseFreesEverySpriteAndLogsTheBalance) {
    Image *red = Load("red.bmp");
    ShowSprite(red, 0, 0)->keep = 1;
    ShowSprite(red, 0, 0);
    FreeSpriteList();
    EXPECT_EQ(SpriteList, nullptr);
    EXPECT_EQ(CountInLog("スプライトメモリ解放0\n"), 1);
    InitSpriteList();
}
