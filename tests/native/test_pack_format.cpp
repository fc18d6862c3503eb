// The pack image and the rvpx tool on Linux: round trips through create, list and extract, the
// refusals of the packer, and damaged images that must read as "no such member".
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "pack/pack_format.h"

namespace {

std::string MakeFolder() {
    char pattern[] = "/tmp/rvpx-test-XXXXXX";
    return mkdtemp(pattern);
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream all;
    all << file.rdbuf();
    return all.str();
}

bool Exists(const std::string &path) {
    return std::ifstream(path).good();
}

// Runs the tool with the given arguments (already shell-quoted); returns its exit status.
int Rvpx(const std::string &args, std::string *output = 0) {
    FILE *pipe = popen((std::string(RVPX_TOOL) + " " + args + " 2>&1").c_str(), "r");
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
    int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> Bytes(const std::string &text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A pack built in memory with the writer of the format code.
std::vector<uint8_t> BuildPack(const std::vector<std::pair<std::string, std::string>> &members) {
    std::vector<const char *> names;
    std::vector<uint32_t> sizes;
    for (auto &m : members) {
        names.push_back(m.first.c_str());
        sizes.push_back((uint32_t)m.second.size());
    }
    std::vector<uint8_t> image(PackDirectoryBytes(names.data(), (int32_t)names.size()));
    WritePackDirectory(image.data(), names.data(), sizes.data(), (int32_t)names.size());
    for (auto &m : members) {
        size_t at = image.size();
        image.resize(at + m.second.size());
        ScramblePackData(image.data() + at, (const uint8_t *)m.second.data(), m.second.size());
    }
    return image;
}

PackEntry entries[PACK_MAX_MEMBERS];

}  // namespace

TEST(Rvpx, RoundTripKeepsOrderSizesAndBytes) {
    std::string dir = MakeFolder();
    std::string binary;
    for (int i = 0; i < 70000; i++) binary += (char)(i * 7 + i / 256);
    std::string sjisName = "\x83\x5c\x83\x74\x83\x67.bmp";  // Shift-JIS with a 0x5C second byte
    WriteFile(dir + "/game.ini", "[Robina]\r\ntitle=x\r\n");
    WriteFile(dir + "/Big.DLL", binary);
    WriteFile(dir + "/empty.wav", "");
    WriteFile(dir + "/" + sjisName, "pic");
    std::string out;
    ASSERT_EQ(Rvpx("create " + dir + "/p.vyg " + dir + "/game.ini " + dir + "/Big.DLL " + dir +
                   "/empty.wav '" + dir + "/" + sjisName + "'", &out), 0) << out;

    ASSERT_EQ(Rvpx("list " + dir + "/p.vyg", &out), 0);
    EXPECT_EQ(out, "        19  game.ini\n     70000  Big.DLL\n         0  empty.wav\n         3  " + sjisName +
                       "\n");

    std::string image = ReadFile(dir + "/p.vyg");
    EXPECT_EQ(image.substr(0, 4), "RVPX");
    EXPECT_EQ(image.find("game.ini"), std::string::npos) << "names are stored scrambled";
    EXPECT_EQ(image.find("[Robina]"), std::string::npos) << "data is stored scrambled";
    int32_t count = ReadPackDirectory((const uint8_t *)image.data(), image.size(), entries);
    ASSERT_EQ(count, 4);
    size_t directoryEnd = 8;
    for (int i = 0; i < count; i++) directoryEnd += 4 + strlen(entries[i].name) + 1;
    EXPECT_EQ(entries[0].offset, directoryEnd);
    EXPECT_EQ(directoryEnd + 19 + 70000 + 0 + 3, image.size());

    ASSERT_EQ(mkdir((dir + "/all").c_str(), 0700), 0);
    ASSERT_EQ(Rvpx("extract " + dir + "/p.vyg -C " + dir + "/all", &out), 0) << out;
    EXPECT_EQ(ReadFile(dir + "/all/Big.DLL"), binary);
    EXPECT_EQ(ReadFile(dir + "/all/" + sjisName), "pic");
    EXPECT_TRUE(Exists(dir + "/all/empty.wav"));
    EXPECT_EQ(ReadFile(dir + "/all/empty.wav"), "");

    // Named members are looked up with letter case folded and keep their stored names.
    ASSERT_EQ(mkdir((dir + "/some").c_str(), 0700), 0);
    ASSERT_EQ(Rvpx("extract " + dir + "/p.vyg -C " + dir + "/some GAME.INI big.dll", &out), 0) << out;
    EXPECT_EQ(ReadFile(dir + "/some/game.ini"), "[Robina]\r\ntitle=x\r\n");
    EXPECT_EQ(ReadFile(dir + "/some/Big.DLL"), binary);
    EXPECT_FALSE(Exists(dir + "/some/empty.wav"));
    EXPECT_EQ(Rvpx("extract " + dir + "/p.vyg -C " + dir + "/some missing.bmp", &out), 1);
    EXPECT_NE(out.find("missing.bmp"), std::string::npos);
}

TEST(Rvpx, RefusesBadMemberSetsAndWritesNothing) {
    std::string dir = MakeFolder();
    WriteFile(dir + "/a.bmp", "a");
    WriteFile(dir + "/A.BMP", "b");
    WriteFile(dir + "/back\\slash.bmp", "c");
    std::string many;
    for (int i = 0; i < 257; i++) {
        std::string name = dir + "/m" + std::to_string(i);
        WriteFile(name, "x");
        many += " " + name;
    }
    struct Case {
        std::string files, message;
    } cases[] = {
        {dir + "/a.bmp " + dir + "/A.BMP", "letter case"},
        {"'" + dir + "/back\\slash.bmp'", "folder part"},
        {dir + "/a.bmp " + dir + "/nothere.bmp", "cannot read"},
        {dir + "/a.bmp " + dir, "cannot read"},
        {many, "256"},
    };
    for (const Case &c : cases) {
        std::string out;
        EXPECT_EQ(Rvpx("create " + dir + "/out.rvp " + c.files, &out), 1) << c.message;
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_FALSE(Exists(dir + "/out.rvp")) << c.message;
    }
    // 256 members is the most a pack holds, and still works.
    std::string out;
    EXPECT_EQ(Rvpx("create " + dir + "/out.rvp" + many.substr(0, many.rfind(' ')), &out), 0) << out;
    EXPECT_EQ(Rvpx(dir + "/out.rvp " + dir + "/a.bmp", &out), 2) << "no verb";
    EXPECT_EQ(Rvpx("--help", &out), 0);
    EXPECT_NE(out.find("rvpx create OUT FILE..."), std::string::npos);
}

TEST(PackFormat, NameRules) {
    const char *why = 0;
    EXPECT_TRUE(ValidPackName(std::string(259, 'n').c_str(), &why));
    EXPECT_FALSE(ValidPackName(std::string(260, 'n').c_str(), &why));
    EXPECT_STREQ(why, "name longer than 259 bytes");
    EXPECT_TRUE(ValidPackName("\x83\x5c.bmp", &why));  // the 0x5C belongs to the character
    for (const char *bad : {"", "..", "dir/a.bmp", "c:a.bmp", "x\\y", "\x83\x5c\\", "\x81/x", "\x81:x"}) {
        EXPECT_FALSE(ValidPackName(bad, &why)) << bad;
    }
}

TEST(PackFormat, FoldingIsByteWiseAndEveryBoundIsChecked) {
    std::vector<uint8_t> image = BuildPack({{"a.bmp", "12345"}, {"\x83\x41.bmp", "kana"}});
    // Lead bytes stay; a second byte in A to Z folds like a letter; A and Z are both letters.
    EXPECT_EQ(FindPackMember(image.data(), image.size(), "\x83\x61.BMP", entries), 1);
    std::vector<uint8_t> edges = BuildPack({{"az.bmp", ""}, {"Z\x83\x5A.bmp", ""}, {"[`{@.bmp", ""}});
    for (auto c : {std::make_pair("AZ.BMP", 0), std::make_pair("z\x83\x7A.BMP", 1), std::make_pair("{@[`.bmp", -1)})
        EXPECT_EQ(FindPackMember(edges.data(), edges.size(), c.first, entries), c.second) << c.first;
    EXPECT_EQ(FindPackMember(image.data(), image.size(), std::string(300, 'a').c_str(), entries), -1);
    std::vector<uint8_t> longer = image;
    longer.push_back(0);  // bytes after the last member do not matter
    EXPECT_EQ(ReadPackDirectory(longer.data(), longer.size(), entries), 2);
    for (size_t cut = 0; cut < image.size(); cut++) {
        EXPECT_EQ(ReadPackDirectory(image.data(), cut, entries), -1) << cut;
    }
    // A name of 260 bytes without terminator, followed by plenty of bytes; then the longest name.
    std::vector<uint8_t> endless = Bytes(std::string("RVPX\1\0\0\0\0\0\0\0", 12));
    endless.insert(endless.end(), 600, (uint8_t)('n' + PACK_NAME_KEY));
    EXPECT_EQ(ReadPackDirectory(endless.data(), endless.size(), entries), -1);
    endless[12 + 259] = PACK_NAME_KEY;
    EXPECT_EQ(ReadPackDirectory(endless.data(), endless.size(), entries), 1);
    EXPECT_EQ(strlen(entries[0].name), 259u);
}

// A directory of 257 well-formed entries is refused before the 256-slot table overflows.
TEST(PackFormat, MoreThan256MembersIsDamage) {
    std::vector<std::pair<std::string, std::string>> members;
    for (int i = 0; i < 257; i++) members.push_back({"m" + std::to_string(i), "x"});
    std::vector<uint8_t> image = BuildPack(members);
    std::vector<PackEntry> table(PACK_MAX_MEMBERS + 1);
    EXPECT_EQ(ReadPackDirectory(image.data(), image.size(), table.data()), -1);
    members.pop_back();
    image = BuildPack(members);
    EXPECT_EQ(ReadPackDirectory(image.data(), image.size(), table.data()), 256);
}

// A crafted member name with a folder part behind a lead byte is never written into a subfolder.
TEST(Rvpx, ExtractRefusesANameWithAFolderPartAfterALeadByte) {
    std::string dir = MakeFolder();
    std::vector<uint8_t> image = BuildPack({{"\x81/x", "evil"}});
    WriteFile(dir + "/p.vyg", std::string(image.begin(), image.end()));
    std::string out;
    EXPECT_EQ(Rvpx("extract " + dir + "/p.vyg -C " + dir, &out), 1) << out;
    EXPECT_NE(out.find("folder part"), std::string::npos) << out;
    EXPECT_FALSE(Exists(dir + "/\x81/x"));
}
