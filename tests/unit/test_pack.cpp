// The pack reader under Wine: game files made here in the program's folder, the resource pack
// compiled into this program, Robina.exe's own MENUDATA, temporary names in a private folder.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <utility>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "pack/pack.h"
#include "pack/pack_format.h"
#include "base/base.h"

namespace {
// The extracted file's path in Shift-JIS: the temporary folder of the tests is ASCII.
const char *ExtractedPath(const char *name) {
    const wchar_t *path = ExtractMember(name);
    return path ? ShownPath(path) : nullptr;
}
}  // namespace

namespace {

std::string TempFolder() {
    return Folder() + "pack_tmp\\";
}

std::string TempName(int number) {
    char name[32];
    snprintf(name, sizeof name, "rvpx%04d.tmp", number);
    return TempFolder() + "\\" + name;  // the reader adds one separator of its own
}

std::string ReadFile(const std::string &path) {
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return "<missing>";
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

// The member's bytes as extracted, or "<none>"; the temporary file is deleted again.
std::string Extract(const char *name) {
    const char *path = ExtractedPath(name);
    if (!path) return "<none>";
    std::string bytes = ReadFile(path);
    DeleteExtracted();
    return bytes;
}

// Width and height of the bitmap file at path as the system loads it; 0 x 0 when it does not load.
std::pair<int, int> BitmapSize(const char *path) {
    HBITMAP bitmap = (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!bitmap) return {0, 0};
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    DeleteObject(bitmap);
    return {info.bmWidth, info.bmHeight};
}

// Removes (or, with remove 0, counts) the temporary files in this program's temporary folder.
int SweepTempFiles(int remove) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TempFolder() + "rvpx*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        count++;
        if (remove) DeleteFileA((TempFolder() + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int CountTempFiles() {
    return SweepTempFiles(0);
}

// Every test program of the suite shares one Wine temporary folder; this one uses its own.
class PackTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CreateDirectoryA(TempFolder().c_str(), NULL);
        SweepTempFiles(1);
        SetEnvironmentVariableA("TMP", TempFolder().c_str());
    }
};

}  // namespace

// First in this file: the run's first extraction sees the counter at its start.
TEST_F(PackTest, TemporaryNamesRunInSequenceSkipTakenNamesAndWrap) {
    ASSERT_EQ(TempCounter, 0);
    WriteGameFile("pack_names.vyg", BuildPack({{"a.bmp", "A"}}));
    ASSERT_EQ(SetPack("pack_names.vyg"), 1);
    const char *path = ExtractedPath("a.bmp");
    ASSERT_TRUE(path);
    EXPECT_EQ(std::string(path), TempName(1));
    EXPECT_EQ(ReadFile(path), "A");
    EXPECT_EQ(CountInLog("make[a.bmp] " + TempName(1) + "\n"), 1);
    DeleteExtracted();
    EXPECT_EQ(ReadFile(TempName(1)), "<missing>");

    FILE *taken = fopen(TempName(3).c_str(), "wb");
    fputs("someone else's", taken);
    fclose(taken);
    EXPECT_EQ(std::string(ExtractedPath("a.bmp")), TempName(2));
    DeleteExtracted();
    EXPECT_EQ(std::string(ExtractedPath("a.bmp")), TempName(4));
    DeleteExtracted();
    EXPECT_EQ(ReadFile(TempName(3)), "someone else's");
    DeleteFileA(TempName(3).c_str());

    TempCounter = 9998;
    EXPECT_EQ(std::string(ExtractedPath("a.bmp")), TempName(9999));
    DeleteExtracted();
    EXPECT_EQ(std::string(ExtractedPath("a.bmp")), TempName(0));
    DeleteExtracted();
    EXPECT_EQ(CountTempFiles(), 0);
}

TEST_F(PackTest, LookupFoldsLetterCaseAndTakesTheEarlierOfEqualNames) {
    WriteGameFile("pack_fold.vyg", BuildPack({{"game.ini", "[Robina]"}, {"HELP.BMP", "first"},
                                              {"help.bmp", "second"}, {"empty.wav", ""}}));
    ASSERT_EQ(SetPack("pack_fold.vyg"), 1);
    EXPECT_STREQ(CurrentPackName(), "pack_fold.vyg");
    EXPECT_EQ(Extract("Game.INI"), "[Robina]");
    EXPECT_EQ(CountInLog("make[game.ini] "), 1);
    EXPECT_EQ(Extract("help.bmp"), "first");
    EXPECT_EQ(Extract("Help.Bmp"), "first");

    // A member of size 0 still gives a (empty) file.
    const char *path = ExtractedPath("EMPTY.WAV");
    ASSERT_TRUE(path);
    EXPECT_EQ(ReadFile(path), "");
    DeleteExtracted();

    const char request[] = "NoSuch.BMP";  // a constant text: the reader folds a copy
    EXPECT_EQ(ExtractedPath(request), nullptr);
    EXPECT_EQ(CountInLog("not found file nosuch.bmp in packfile\n"), 1);
    EXPECT_EQ(CountTempFiles(), 0);
}

TEST_F(PackTest, DamagedOrEmptyPacksHaveNoMembers) {
    std::string good = BuildPack({{"a.bmp", "12345"}, {"b.bmp", "678"}});
    std::string endless = std::string("RVPX\1\0\0\0\5\0\0\0", 12) + std::string(300, (char)('a' + PACK_NAME_KEY));
    struct Shape {
        const char *what;
        std::string image;
    } shapes[] = {
        {"empty file", ""},
        {"shorter than its header", "RVPX\2\0"},
        {"no members", std::string("RVPX\0\0\0\0", 8)},
        {"negative count", good.substr(0, 4) + std::string("\xFE\xFF\xFF\xFF", 4) + good.substr(8)},
        {"257 members", good.substr(0, 4) + std::string("\x01\x01\0\0", 4) + good.substr(8)},
        {"huge count", good.substr(0, 4) + std::string("\xFF\xFF\xFF\x7F", 4) + good.substr(8)},
        {"directory past the end", good.substr(0, 8 + 4 + 6 + 2)},
        {"member data past the end", good.substr(0, good.size() - 1)},
        {"member size past the end", good.substr(0, 8) + std::string("\xF0\xFF\xFF\xFF", 4) + good.substr(12)},
        {"name without terminator", endless},
    };
    for (const Shape &shape : shapes) {
        WriteGameFile("pack_damaged.vyg", shape.image);
        ASSERT_EQ(SetPack("pack_damaged.vyg"), 1) << shape.what;
        int before = CountInLog("not found file a.bmp in packfile\n");
        EXPECT_EQ(ExtractedPath("a.bmp"), nullptr) << shape.what;
        EXPECT_EQ(CountInLog("not found file a.bmp in packfile\n"), before + 1) << shape.what;
        EXPECT_EQ(CountTempFiles(), 0) << shape.what;
    }
    // The same bytes in good order are found, so the shapes above fail for their damage alone.
    WriteGameFile("pack_damaged.vyg", good);
    ASSERT_EQ(SetPack("pack_damaged.vyg"), 1);
    EXPECT_EQ(Extract("b.bmp"), "678");
}

TEST_F(PackTest, FailedSetPackKeepsThePreviousPack) {
    WriteGameFile("pack_kept.vyg", BuildPack({{"who.txt", "kept"}}));
    WriteGameFile("pack_locked.vyg", BuildPack({{"who.txt", "locked"}}));
    ASSERT_EQ(SetPack("pack_kept.vyg"), 1);
    int32_t blocks = LiveBlocks;

    EXPECT_EQ(SetPack("pack_missing.vyg"), 0);
    EXPECT_EQ(CountInLog("name:pack_missing.vyg packpath:" + Folder() + "pack_missing.vyg\n"), 1);
    EXPECT_EQ(CountInLog("not found resfile " + Folder() + "pack_missing.vyg\n"), 0);
    EXPECT_STREQ(CurrentPackName(), "pack_kept.vyg");

    // A file held open without sharing cannot be opened at all: no line beyond the path.
    std::string locked = Folder() + "pack_locked.vyg";
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetPack("pack_locked.vyg"), 0);
    CloseHandle(lock);
    EXPECT_EQ(CountInLog("not found resfile " + locked + "\n"), 0);
    EXPECT_STREQ(CurrentPackName(), "pack_kept.vyg");

    // A file another program is writing opens for reading, but not for the shared read of the cache.
    lock = CreateFileA(locked.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetPack("pack_locked.vyg"), 0);
    CloseHandle(lock);
    EXPECT_EQ(CountInLog("not found resfile " + locked + "\n"), 1);
    EXPECT_STREQ(CurrentPackName(), "pack_kept.vyg");
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(Extract("who.txt"), "kept");

    // Every SetPack of a file reads it again, into one cache block.
    WriteGameFile("pack_kept.vyg", BuildPack({{"who.txt", "rewritten"}}));
    ASSERT_EQ(SetPack("pack_kept.vyg"), 1);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(Extract("who.txt"), "rewritten");

    // Once the cache is released nothing can be extracted from it.
    ReleasePackCache();
    EXPECT_EQ(LiveBlocks, blocks - 1);
    EXPECT_EQ(ExtractedPath("who.txt"), nullptr);
    EXPECT_EQ(CountTempFiles(), 0);
}

TEST_F(PackTest, TemporaryFileThatCannotBeMadeGivesNothing) {
    WriteGameFile("pack_tmp.vyg", BuildPack({{"a.bmp", "A"}}));
    ASSERT_EQ(SetPack("pack_tmp.vyg"), 1);
    const char *kept = ExtractedPath("a.bmp");
    ASSERT_TRUE(kept);
    std::string keptPath = kept;
    SetEnvironmentVariableA("TMP", (Folder() + "pack_no_such_folder\\").c_str());
    EXPECT_EQ(ExtractedPath("a.bmp"), nullptr);
    SetEnvironmentVariableA("TMP", TempFolder().c_str());
    EXPECT_EQ(CountInLog("cannot make tmpfile "), 1);
    // The file of the earlier extraction is still the tracked one.
    DeleteExtracted();
    EXPECT_EQ(ReadFile(keptPath), "<missing>");
    int closes = CountInLog("pack close\n");
    EXPECT_EQ(DeleteExtracted(), 1);
    EXPECT_EQ(CountInLog("pack close\n"), closes);
}

// TMP at each length limit of the temporary folder. The system adds a separator and the reader one
// more: 245 characters is the longest folder whose file names still fit a path; 258 the longest the
// reader takes at all, which fills its buffer to the last character; 259 the system refuses.
TEST_F(PackTest, TemporaryFolderAtItsLengthLimits) {
    WriteGameFile("pack_long.vyg", BuildPack({{"a.bmp", "A"}}));
    ASSERT_EQ(SetPack("pack_long.vyg"), 1);
    std::string parent = TempFolder() + "long";
    CreateDirectoryA(parent.c_str(), NULL);
    struct Case { size_t length; const char *extracted; } cases[] = {
        {245, "A"}, {246, "<none>"}, {257, "<none>"}, {258, "<none>"}, {259, "<none>"},
    };
    for (const Case &c : cases) {
        std::string folder = parent + "\\" + std::string(c.length - parent.size() - 1, 'd');
        ASSERT_EQ(folder.size(), c.length);
        CreateDirectoryA(folder.c_str(), NULL);
        SetEnvironmentVariableA("TMP", folder.c_str());
        int refusals = CountInLog("no temporary folder for a.bmp\n");
        EXPECT_EQ(Extract("a.bmp"), c.extracted) << c.length;
        EXPECT_EQ(CountInLog("no temporary folder for a.bmp\n"), refusals + (strcmp(c.extracted, "<none>") == 0))
            << c.length;
        RemoveDirectoryA(folder.c_str());
    }
    SetEnvironmentVariableA("TMP", TempFolder().c_str());
    RemoveDirectoryA(parent.c_str());
}

TEST_F(PackTest, ResourcePackIsReadInPlaceEvenWithAFileOfItsName) {
    WriteGameFile("MENUDATA", BuildPack({{"fade.bmp", "from the disk"}}));
    int reads = CountInLog("read resfile size");
    ASSERT_EQ(SetPack(MENU_PACK), 1);
    EXPECT_STREQ(CurrentPackName(), "MENUDATA");
    EXPECT_EQ(CountInLog("type:INTERNAL packpath:MENUDATA\n"), 1);
    EXPECT_EQ(CountInLog("read resfile size"), reads);
    const char *path = ExtractedPath("FADE.BMP");
    ASSERT_TRUE(path);
    EXPECT_GE(BitmapSize(path).first, 640);
    DeleteExtracted();
    DeleteFileA((Folder() + "MENUDATA").c_str());
}

TEST_F(PackTest, RobinaCarriesTheMenuPictures) {
    HMODULE robina = LoadLibraryExA((Folder() + "..\\Robina.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(robina);
    HRSRC found = FindResourceA(robina, MENU_PACK, "RVP");
    ASSERT_TRUE(found);
    std::string image((const char *)LockResource(LoadResource(robina, found)), SizeofResource(robina, found));
    FreeLibrary(robina);
    // Read through the reader's file path: the same bytes as a game file.
    WriteGameFile("pack_robina.vyg", image);
    ASSERT_EQ(SetPack("pack_robina.vyg"), 1);
    struct Picture {
        const char *name;
        int width, height;
    } pictures[] = {{"fade.bmp", 640, 1}, {"cursor.bmp", 31, 15}};
    for (const Picture &picture : pictures) {
        const char *path = ExtractedPath(picture.name);
        ASSERT_TRUE(path) << picture.name;
        std::pair<int, int> size = BitmapSize(path);
        DeleteExtracted();
        EXPECT_GE(size.first, picture.width) << picture.name;
        EXPECT_GE(size.second, picture.height) << picture.name;
    }
    ReleasePackCache();
}

// A lent pack comes back on every path, as it was: after a step that switched and returned early,
// after one whose switch failed, after a nested lend; its file is not read again, so a pack whose
// file is gone meanwhile reads on, and no block is freed twice or leaked.
namespace {
struct Lend {
    std::vector<const char *> packs;  // made current in turn; a null entry lends again from there
    size_t at;
    std::string seen;                 // the member as each step saw it after its switches
    int bytesTaken;                   // 1: TakeGameFileBytes gave the last pack's bytes
};
int LendStep(void *context) {
    Lend *lend = (Lend *)context;
    while (lend->at < lend->packs.size()) {
        const char *pack = lend->packs[lend->at++];
        if (!pack) {
            LendPack(LendStep, lend);
            continue;
        }
        if (!SetPack(pack)) return lend->seen += Extract("who.txt") + ";", 0;  // the early way out
    }
    lend->seen += Extract("who.txt") + ";";
    uint32_t size = 0;
    uint8_t *bytes = TakeGameFileBytes(&size);
    lend->bytesTaken = bytes != nullptr;
    if (bytes) Free(bytes);
    return 1;
}
}  // namespace

TEST_F(PackTest, ALentPackComesBackAsItWasOnEveryPath) {
    WriteGameFile("pack_lender.vyg", BuildPack({{"who.txt", "lender"}}));
    WriteGameFile("pack_borrowed.vyg", BuildPack({{"who.txt", "borrowed"}}));
    WriteGameFile("pack_third.vyg", BuildPack({{"who.txt", "third"}}));
    const struct {
        const char *what;
        std::vector<const char *> packs;
        int result;
        std::string seen;
        int bytesTaken, reads, givenBack;  // files read; lines naming the lender current again
    } cases[] = {
        {"no switch", {}, 1, "lender;", 0, 0, 1},
        {"a switch", {"pack_borrowed.vyg"}, 1, "borrowed;", 1, 1, 1},
        {"a failed switch, then out early", {"pack_gone.vyg", "pack_borrowed.vyg"}, 0, "lender;", -1, 0, 1},
        {"out early after a switch", {"pack_borrowed.vyg", "pack_gone.vyg"}, 0, "borrowed;", -1, 1, 1},
        {"a lend inside a lend", {"pack_borrowed.vyg", nullptr, "pack_third.vyg"}, 1, "third;borrowed;", 1, 2, 1},
        {"a lend inside, out early", {nullptr, "pack_gone.vyg"}, 1, "lender;lender;", 0, 0, 2},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(SetPack("pack_lender.vyg"), 1);
        int32_t blocks = LiveBlocks;
        int reads = CountInLog("read resfile size");
        int givenBack = CountInLog("set pack > pack_lender.vyg\n");
        // Its file is replaced meanwhile: what the lender reads stays what it started with.
        WriteGameFile("pack_lender.vyg", BuildPack({{"who.txt", "replaced"}}));
        Lend lend = {c.packs, 0, "", -1};
        EXPECT_EQ(LendPack(LendStep, &lend), c.result) << c.what;
        EXPECT_EQ(lend.seen, c.seen) << c.what;
        EXPECT_EQ(lend.bytesTaken, c.bytesTaken) << c.what;
        EXPECT_STREQ(CurrentPackName(), "pack_lender.vyg") << c.what;
        EXPECT_EQ(Extract("who.txt"), "lender") << c.what;
        EXPECT_EQ(LiveBlocks, blocks) << c.what;
        EXPECT_EQ(CountInLog("read resfile size") - reads, c.reads) << c.what;
        EXPECT_EQ(CountInLog("set pack > pack_lender.vyg\n") - givenBack, c.givenBack) << c.what;
        WriteGameFile("pack_lender.vyg", BuildPack({{"who.txt", "lender"}}));
    }
    ReleasePackCache();
}
