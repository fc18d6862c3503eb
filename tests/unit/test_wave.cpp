// WAV parsing: chunk search across the RIFF form, format blocks with extra bytes, and refusal of
// damaged files without leaking memory or file handles.
#include <windows.h>
#include <mmreg.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "sound/sound.h"
#include "test_wave_files.h"

namespace {
// A full path: the multimedia file functions search a bare name in the program's folder first.
const std::string kFullPath = [] {
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    return std::string(folder) + "\\wave_test.wav";
}();
const char *kPath = kFullPath.c_str();

struct Parsed {
    int result = -1;
    uint32_t length = 99;
    WAVEFORMATEX *format = (WAVEFORMATEX *)1;
    uint8_t *data = (uint8_t *)1;
    ~Parsed() {
        if (result == 0) {
            FreeWaveBlock(format);
            FreeWaveBlock(data);
        }
    }
    std::string Data() const { return std::string((const char *)data, length); }
    std::string Extra() const { return std::string((const char *)(format + 1), format->cbSize); }
};

void Parse(const std::string &bytes, Parsed *parsed) {
    ASSERT_TRUE(WriteBytes(kPath, bytes));
    parsed->result = ReadWave(kPath, &parsed->length, &parsed->format, &parsed->data);
}

void ExpectFailure(const std::string &bytes, const char *why) {
    Parsed parsed;
    Parse(bytes, &parsed);
    EXPECT_EQ(parsed.result, 1) << why;
    EXPECT_EQ(parsed.length, 0u) << why;
    EXPECT_EQ(parsed.format, nullptr) << why;
    EXPECT_EQ(parsed.data, nullptr) << why;
}

const std::string kPcm = FormatFields(1, 2, 44100, 16);
const std::string kSamples = "\x01\x02\x03\x04\x05\x06\x07\x08\xfe\xff";
const std::string kList = Chunk("LIST", "INFOISFT" + Le32(7) + "tester\0");
}  // namespace

TEST(ReadWave, FindsFormatAndDataWhereverOtherChunksSit) {
    const std::string layouts[] = {
        Riff(Chunk("fmt ", kPcm) + Chunk("data", kSamples)),
        Riff(kList + Chunk("fmt ", kPcm) + Chunk("data", kSamples)),
        Riff(Chunk("fmt ", kPcm) + kList + Chunk("odd ", "abc") + Chunk("data", kSamples)),
        Riff(Chunk("data", kSamples) + kList + Chunk("fmt ", kPcm)),
    };
    for (const std::string &bytes : layouts) {
        Parsed parsed;
        Parse(bytes, &parsed);
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.Data(), kSamples);
        EXPECT_EQ(memcmp(parsed.format, kPcm.data(), 16), 0);
        EXPECT_EQ(parsed.format->cbSize, 0);
        EXPECT_EQ(parsed.format->nSamplesPerSec, 44100u);
        EXPECT_EQ(parsed.format->nChannels, 2);
    }
}

TEST(ReadWave, KeepsTheExtraBytesOfOtherFormats) {
    std::string extra("\x20\x00\xf4\x01\x07\x00", 6);
    std::string adpcm = FormatFields(WAVE_FORMAT_ADPCM, 1, 22050, 4) + Le16(6) + extra;
    Parsed parsed;
    Parse(Riff(Chunk("fmt ", adpcm) + Chunk("data", kSamples)), &parsed);
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.format->wFormatTag, WAVE_FORMAT_ADPCM);
    EXPECT_EQ(parsed.format->cbSize, 6);
    EXPECT_EQ(parsed.Extra(), extra);
    EXPECT_EQ(GlobalSize(GlobalHandle(parsed.format)), sizeof(WAVEFORMATEX) + 6);

    // PCM ignores whatever follows the 16 bytes.
    Parsed pcm;
    Parse(Riff(Chunk("fmt ", kPcm + Le16(6) + extra) + Chunk("data", kSamples)), &pcm);
    ASSERT_EQ(pcm.result, 0);
    EXPECT_EQ(pcm.format->cbSize, 0);
    EXPECT_EQ(pcm.Data(), kSamples);
}

TEST(ReadWave, RefusesIncompleteOrForeignFiles) {
    std::string fmt = Chunk("fmt ", kPcm), data = Chunk("data", kSamples);
    ExpectFailure(Riff(fmt + "data" + Le32(11) + kSamples), "data chunk longer than the file");
    ExpectFailure(Riff(fmt + "data" + Le32(0xFFFFFFF0u) + kSamples), "huge data chunk");
    ExpectFailure("RIFX" + Riff(fmt + data).substr(4), "not RIFF");
    ExpectFailure(Riff(fmt + data, "AVI "), "not WAVE");
    ExpectFailure(Riff(kList + data), "no fmt chunk");
    ExpectFailure(Riff(fmt + kList), "no data chunk");
    ExpectFailure(Riff(Chunk("fmt ", kPcm.substr(0, 14)) + data), "short fmt chunk");
    ExpectFailure(Riff(data + Chunk("fmt ", FormatFields(2, 1, 22050, 4) + Le16(40) + "ab")),
                  "extra bytes missing at the end of the file");
    ExpectFailure(std::string(), "empty file");

    uint32_t length = 5;
    WAVEFORMATEX *format = (WAVEFORMATEX *)1;
    uint8_t *samples = (uint8_t *)1;
    EXPECT_EQ(ReadWave("no_such_file.wav", &length, &format, &samples), 1);
    EXPECT_EQ(ReadWave(NULL, &length, &format, &samples), 1);
    EXPECT_TRUE(length == 0 && format == nullptr && samples == nullptr);
}

namespace {
// Bytes in use in the process heap, where GlobalAlloc blocks and the multimedia file records live.
size_t HeapBytesInUse() {
    HANDLE heap = GetProcessHeap();
    PROCESS_HEAP_ENTRY entry = {};
    size_t total = 0;
    HeapLock(heap);
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    HeapUnlock(heap);
    return total;
}

// Writes the file with an exclusive share mode: it fails if an earlier parse left the file open.
bool WriteExclusive(const std::string &bytes) {
    HANDLE file = CreateFileA(kPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}
}  // namespace

TEST(ReadWave, SurvivesThousandsOfDamagedFiles) {
    const std::string good = Riff(kList + Chunk("fmt ", FormatFields(2, 1, 22050, 4) + Le16(4) + "wxyz") +
                                  Chunk("data", std::string(kSamples) + kSamples + "tail!!"));
    std::vector<std::string> damaged;
    for (size_t cut = 0; cut < good.size(); cut++) damaged.push_back(good.substr(0, cut));
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; i++) {
        std::string bytes = good;
        for (int flips = 1 + i % 3; flips > 0; flips--) {
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] ^= (char)(1 + (seed >> 20) % 255);
        }
        damaged.push_back(bytes);
    }
    const uint32_t huge[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x10000u};
    for (size_t at = 4; at + 4 <= good.size(); at++)
        for (uint32_t size : huge) damaged.push_back(good.substr(0, at) + Le32(size) + good.substr(at + 4));

    WAVEFORMATEX *format;
    uint8_t *data;
    uint32_t length;
    ASSERT_TRUE(WriteExclusive(good));
    ASSERT_EQ(ReadWave(kPath, &length, &format, &data), 0);  // the first call loads what stays loaded
    FreeWaveBlock(format);
    FreeWaveBlock(data);
    size_t heapBefore = HeapBytesInUse();

    int loaded = 0;
    for (size_t i = 0; i < damaged.size(); i++) {
        const std::string &bytes = damaged[i];
        ASSERT_TRUE(WriteExclusive(bytes)) << "file still open after case " << i - 1;
        int result = ReadWave(kPath, &length, &format, &data);
        ASSERT_TRUE(result == 0 || result == 1);
        if (result == 1) {
            ASSERT_TRUE(length == 0 && format == nullptr && data == nullptr) << "case " << i;
            continue;
        }
        loaded++;
        ASSERT_GE(i, good.size()) << "a truncated file loaded";
        // What comes back must be bytes of the file, not of memory beyond it.
        EXPECT_NE(bytes.find(std::string((const char *)data, length)), std::string::npos) << "case " << i;
        EXPECT_NE(bytes.find(std::string((const char *)format, 16)), std::string::npos) << "case " << i;
        FreeWaveBlock(format);
        FreeWaveBlock(data);
    }
    EXPECT_GT(loaded, 0);  // flips in the sample bytes leave loadable files
    EXPECT_GT(damaged.size(), 3000u);
    size_t heapAfter = HeapBytesInUse();
    EXPECT_LT(heapAfter, heapBefore + 4096) << "heap grew from " << heapBefore << " to " << heapAfter;
}
