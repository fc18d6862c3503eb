// WAV parsing: chunks found anywhere in the RIFF form, extra format bytes kept, and damaged files
// refused without leaking memory or file handles.
#include <windows.h>
#include <mmreg.h>
#include <gtest/gtest.h>
#include <string.h>
#include <vector>
#include "sound/sound.h"
#include "test_wave_files.h"

namespace {
// A full path: the multimedia file functions look for a bare name in the program's folder first.
std::string FilePath() {
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    return std::string(folder) + "\\wave_test.wav";
}
const std::string kPath = FilePath();
const std::wstring kWidePath(kPath.begin(), kPath.end());  // an ASCII path
const std::string kPcm = FormatFields(1, 2, 44100, 16), kSamples = "\x01\x02\x03\x04\xfe\xff";
const std::string kFmt = Chunk("fmt ", kPcm), kData = Chunk("data", kSamples);
const std::string kList = Chunk("LIST", "INFOISFT" + Le(3) + "me");

struct Parsed {
    int result;
    uint32_t length = 9;
    WAVEFORMATEX *format = (WAVEFORMATEX *)1;
    uint8_t *data = (uint8_t *)1;
    explicit Parsed(const std::string &bytes) {
        result = WriteBytes(kPath, bytes) ? ReadWave(kWidePath.c_str(), &length, &format, &data) : -1;
    }
    ~Parsed() {
        if (result == 1) FreeWaveBlock(format), FreeWaveBlock(data);
    }
    bool Failed() const { return result == 0 && !length && !format && !data; }
};
}  // namespace

TEST(ReadWave, FindsTheChunksWhereverOtherChunksSitAndKeepsExtraFormatBytes) {
    for (const std::string &bytes :
         {Riff(kList + kFmt + kData), Riff(kFmt + kList + Chunk("odd ", "abc") + kData), Riff(kData + kFmt)}) {
        Parsed parsed(bytes);
        ASSERT_EQ(parsed.result, 1);
        EXPECT_EQ(std::string((char *)parsed.data, parsed.length), kSamples);
        EXPECT_EQ(memcmp(parsed.format, kPcm.data(), 16), 0);
        EXPECT_EQ(parsed.format->cbSize, 0);  // PCM ignores what may follow the 16 bytes
    }
    std::string extra("\x20\x00\xf4\x01\x07\x00", 6);
    std::string fields = FormatFields(WAVE_FORMAT_ADPCM, 1, 22050, 4) + Le(6, 2) + extra;
    Parsed adpcm(Riff(Chunk("fmt ", fields) + kData));
    ASSERT_EQ(adpcm.result, 1);
    EXPECT_EQ(adpcm.format->wFormatTag, WAVE_FORMAT_ADPCM);
    ASSERT_EQ(adpcm.format->cbSize, 6);
    EXPECT_EQ(std::string((char *)(adpcm.format + 1), 6), extra);
}

TEST(ReadWave, RefusesIncompleteOrForeignFiles) {
    EXPECT_TRUE(Parsed(Riff(kFmt + "data" + Le(7) + kSamples)).Failed()) << "data longer than the file";
    EXPECT_TRUE(Parsed(Riff(kFmt + "data" + Le(0xFFFFFFF0u) + kSamples)).Failed()) << "huge data chunk";
    EXPECT_TRUE(Parsed("RIFX" + Riff(kFmt + kData).substr(4)).Failed()) << "not RIFF";
    EXPECT_TRUE(Parsed(Riff(kFmt + kData, "AVI ")).Failed()) << "not WAVE";
    EXPECT_TRUE(Parsed(Riff(kList + kData)).Failed()) << "no fmt chunk";
    EXPECT_TRUE(Parsed(Riff(kFmt + kList)).Failed()) << "no data chunk";
    EXPECT_TRUE(Parsed(Riff(Chunk("fmt ", kPcm.substr(0, 14)) + kData)).Failed()) << "short fmt chunk";
    EXPECT_TRUE(Parsed(Riff(kData + Chunk("fmt ", FormatFields(2, 1, 22050, 4) + Le(40, 2) + "ab"))).Failed())
        << "extra format bytes cut off by the end of the file";
    uint32_t length = 5;
    WAVEFORMATEX *format = (WAVEFORMATEX *)1;
    uint8_t *data = (uint8_t *)1;
    EXPECT_EQ(ReadWave(L"Z:\\no\\such.wav", &length, &format, &data), 0);
    EXPECT_EQ(ReadWave(NULL, &length, &format, &data), 0);
    EXPECT_TRUE(length == 0 && format == nullptr && data == nullptr);
}

namespace {
// Bytes in use in the process heap, which holds GlobalAlloc blocks and the multimedia file records.
size_t HeapBytesInUse() {
    PROCESS_HEAP_ENTRY entry = {};
    size_t total = 0;
    while (HeapWalk(GetProcessHeap(), &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    return total;
}

// Writing with no sharing allowed fails while an earlier parse still holds the file open.
bool WriteExclusive(const std::string &bytes) {
    HANDLE file = CreateFileA(kPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE) return false;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return written == bytes.size();
}
}  // namespace

TEST(ReadWave, SurvivesThousandsOfDamagedFilesWithoutLeaks) {
    const std::string good = Riff(kList + Chunk("fmt ", FormatFields(2, 1, 22050, 4) + Le(4, 2) + "wxyz") +
                                  Chunk("data", kSamples + "tail"));
    std::vector<std::string> damaged;
    for (size_t cut = 0; cut < good.size(); cut++) damaged.push_back(good.substr(0, cut));
    for (uint32_t i = 0, seed = 12345; i < 3000; i++) {
        std::string bytes = good;
        for (uint32_t flips = 1 + i % 3; flips > 0; flips--) {
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] ^= (char)(1 + (seed >> 20) % 255);
        }
        damaged.push_back(bytes);
    }
    for (size_t at = 4; at + 4 <= good.size(); at++)
        for (uint32_t size : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x10000u})
            damaged.push_back(good.substr(0, at) + Le(size) + good.substr(at + 4));

    { Parsed warmUp(good); }  // what the first call loads stays loaded
    size_t heapBefore = HeapBytesInUse();
    int loaded = 0;
    for (size_t i = 0; i < damaged.size(); i++) {
        ASSERT_TRUE(WriteExclusive(damaged[i])) << "file still open after case " << i - 1;
        uint32_t length;
        WAVEFORMATEX *format;
        uint8_t *data;
        int result = ReadWave(kWidePath.c_str(), &length, &format, &data);
        if (result == 0) {
            ASSERT_TRUE(length == 0 && format == nullptr && data == nullptr) << "case " << i;
            continue;
        }
        ASSERT_EQ(result, 1);
        ASSERT_GE(i, good.size()) << "a truncated file loaded";
        loaded++;
        // What comes back are bytes of the file, not of memory beyond it.
        EXPECT_NE(damaged[i].find(std::string((char *)data, length)), std::string::npos) << "case " << i;
        EXPECT_NE(damaged[i].find(std::string((char *)format, 16)), std::string::npos) << "case " << i;
        FreeWaveBlock(format);
        FreeWaveBlock(data);
    }
    EXPECT_GT(loaded, 0);  // flipped sample bytes still load, so the success path was checked too
    EXPECT_LT(HeapBytesInUse(), heapBefore + 4096);
}
