// The sound engine against the audio device of the test environment, whose every played sample
// lands in the capture file named by ROBINA_AUDIO_FILE: sounds come from a game file in the program
// folder, and what is heard is judged from the captured bytes (silence is all zero bytes).
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "harness.h"
#include "pack/pack.h"
#include "pack/pack_format.h"
#include "shell/shell.h"
#include "sound/sound.h"
#include "test_wave_files.h"

namespace {
const char *kPack = "sound_test.vyg";

void WriteGameFile(const std::vector<std::pair<std::string, std::string>> &members) {
    std::vector<const char *> names;
    std::vector<uint32_t> sizes;
    for (const auto &member : members) {
        names.push_back(member.first.c_str());
        sizes.push_back((uint32_t)member.second.size());
    }
    std::string image(PackDirectoryBytes(names.data(), (int32_t)names.size()), '\0');
    WritePackDirectory((uint8_t *)&image[0], names.data(), sizes.data(), (int32_t)names.size());
    for (const auto &member : members) {
        std::string data = member.second;
        ScramblePackData((uint8_t *)&data[0], (const uint8_t *)data.data(), data.size());
        image += data;
    }
    char folder[MAX_PATH];
    ASSERT_TRUE(ModuleDirectory(folder));
    ASSERT_TRUE(WriteBytes(std::string(folder) + kPack, image));
}

// --- the capture file: its Linux path seen through Wine's drive Z: ---
std::string CapturePath() {
    const char *file = getenv("ROBINA_AUDIO_FILE");
    return std::string("Z:") + (file ? file : "");
}

long CaptureSize() {
    FILE *file = fopen(CapturePath().c_str(), "rb");
    if (!file) return 0;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fclose(file);
    return size;
}

// The bytes [from, from + count) of the capture, once the device has consumed that far.
std::string Capture(long from, long count) {
    for (DWORD start = GetTickCount(); CaptureSize() < from + count && GetTickCount() - start < 10000;)
        Sleep(5);
    std::string bytes(count, '\0');
    FILE *file = fopen(CapturePath().c_str(), "rb");
    if (!file) return std::string();
    fseek(file, from, SEEK_SET);
    bytes.resize(fread(&bytes[0], 1, count, file));
    fclose(file);
    return bytes;
}

long Loud(const std::string &bytes) {
    long count = 0;
    for (char c : bytes) count += c != 0;
    return count;
}

DWORD Status(Sound *sound) {
    DWORD status = 0;
    sound->buffer->GetStatus(&status);
    return status;
}

bool WaitUntilStopped(Sound *sound) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(2))
        if (!(Status(sound) & DSBSTATUS_PLAYING)) return true;
    return false;
}

// Capture bytes between the start of a sound and well after its end, long enough for the device's
// own buffering to have passed through.
const long kWindow = 1 << 18;
}  // namespace

class SoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureMainWindow();
        WriteGameFile({{"tone.wav", ToneWave(0.2)},
                       {"long.wav", ToneWave(1.0, 660)},
                       {"other.wav", ToneWave(0.2, 880)},
                       {"broken.wav", "RIFF....WAVEfmt "},
                       {"strange.wav", Riff(Chunk("fmt ", FormatFields(0x7777, 1, 22050, 16) + Le16(0)) +
                                            Chunk("data", ToneSamples(0.1, 440, 0.5)))}});
    }
    void SetUp() override {
        ASSERT_EQ(InitSound(), 1);
        ASSERT_EQ(SetPack(kPack), 1);
        // The device streams silence from the start; wait until it does, so offsets are stable.
        long size = CaptureSize();
        Capture(size, 4096);
    }
    void TearDown() override { ReleaseSnd(); }

    // Loud bytes that one play of tone.wav leaves in the capture; the unit of the other tests.
    static long OnePlay() {
        static long measured = 0;
        if (!measured) {
            Sound *tone = SndCreate("tone.wav");
            long from = CaptureSize();
            PlaySnd(tone);
            WaitUntilStopped(tone);
            measured = Loud(Capture(from, kWindow));
            RemoveSnd(tone);
        }
        return measured;
    }
};

TEST_F(SoundTest, APlayedSoundReachesTheDeviceAndEndsByItself) {
    Sound *tone = SndCreate("tone.wav");
    ASSERT_NE(tone, nullptr);
    long quiet = CaptureSize();
    EXPECT_EQ(Loud(Capture(quiet, kWindow)), 0) << "the device is not silent while nothing plays";

    long from = CaptureSize();
    PlaySnd(tone);
    EXPECT_TRUE(Status(tone) & DSBSTATUS_PLAYING);
    ASSERT_TRUE(WaitUntilStopped(tone));
    std::string heard = Capture(from, kWindow);
    long loud = Loud(heard);
    EXPECT_GT(loud, 1000) << "nothing of the sound reached the device";
    // The sound's length in device bytes is at least its loud bytes: the end is silent.
    EXPECT_EQ(Loud(Capture(from + kWindow, kWindow)), 0);
    EXPECT_LT(loud, kWindow / 2);
}

TEST_F(SoundTest, ALoopingSoundPlaysUntilStopped) {
    long once = OnePlay();
    Sound *tone = SndCreate("tone.wav");
    ASSERT_NE(tone, nullptr);
    tone->loop = 1;
    long from = CaptureSize();
    PlaySnd(tone);
    // Eight plays' worth of device time later it is still heard.
    EXPECT_GT(Loud(Capture(from + 8 * once, 2 * once)), once);
    EXPECT_EQ(Status(tone) & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

    int stops = CountInLog("stop sound tone.wav\n");
    EXPECT_EQ(StopSnd(tone), 1);
    long stopped = CaptureSize();
    EXPECT_FALSE(Status(tone) & DSBSTATUS_PLAYING);
    DWORD play = 1, write = 1;
    tone->buffer->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(Loud(Capture(stopped + kWindow, kWindow)), 0);
    EXPECT_EQ(CountInLog("stop sound tone.wav\n"), stops + 1);
}

TEST_F(SoundTest, PlayingAPlayingSoundRestartsIt) {
    long once = OnePlay();  // long.wav lasts five times as long as tone.wav
    Sound *longTone = SndCreate("long.wav");
    ASSERT_NE(longTone, nullptr);
    long from = CaptureSize();
    PlaySnd(longTone);
    long heardBefore = 0;
    for (DWORD start = GetTickCount(); heardBefore < 2 * once && GetTickCount() - start < 10000; Sleep(1))
        heardBefore = Loud(Capture(from, CaptureSize() - from));
    ASSERT_TRUE(Status(longTone) & DSBSTATUS_PLAYING) << "the sound ended before it could be restarted";
    PlaySnd(longTone);
    ASSERT_TRUE(WaitUntilStopped(longTone));
    long total = Loud(Capture(from, 4 * kWindow));
    // At least two plays' worth before the restart plus the whole sound after it.
    EXPECT_GT(total, 6 * once) << "heard " << total << " with one play being " << 5 * once;
}

TEST_F(SoundTest, SceneClearLeavesKeptSoundsPlaying) {
    long once = OnePlay();
    Sound *kept = SndCreate("tone.wav");
    Sound *scene = SndCreate("other.wav");
    ASSERT_TRUE(kept && scene);
    kept->keep = 1;
    kept->loop = scene->loop = 1;
    PlaySnd(kept);
    PlaySnd(scene);
    EXPECT_EQ(FreeSceneSounds(), 1);
    EXPECT_EQ(CountInLog("RemoveSnd other.wav\n"), 1);
    EXPECT_EQ(SoundList->next, kept);
    EXPECT_EQ(kept->next, nullptr);
    EXPECT_TRUE(Status(kept) & DSBSTATUS_LOOPING);
    long from = CaptureSize();
    EXPECT_GT(Loud(Capture(from + 2 * once, 2 * once)), once);

    EXPECT_EQ(RemoveSnd(kept), 1);
    long removed = CaptureSize();
    EXPECT_EQ(Loud(Capture(removed + kWindow, kWindow)), 0);
    EXPECT_EQ(SoundList->next, nullptr);
}

TEST_F(SoundTest, LoadingFillsTheRecordAndAppendsItToTheList) {
    int32_t blocks = LiveBlocks;
    int logged = CountInLog("SndCreate tone.wav\n");
    Sound *first = SndCreate("TONE.WAV");
    Sound *second = SndCreate("tone.wav");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(LiveBlocks, blocks + 2);
    EXPECT_EQ(CountInLog("SndCreate tone.wav\n"), logged + 1);
    EXPECT_STREQ(first->name, "TONE.WAV");
    EXPECT_EQ(first->keep, 0);
    EXPECT_EQ(first->loop, 0);
    EXPECT_TRUE(SoundList->next == first && first->prev == SoundList && first->next == second &&
                second->prev == first && second->next == nullptr);
    DWORD bytes = 0;
    WAVEFORMATEX format = {};
    first->buffer->GetFormat(&format, sizeof format, &bytes);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);
    DSBCAPS caps = {};
    caps.dwSize = sizeof caps;
    first->buffer->GetCaps(&caps);
    EXPECT_EQ(caps.dwBufferBytes, (DWORD)ToneSamples(0.2, 440, 0.5).size());
    EXPECT_TRUE(caps.dwFlags & DSBCAPS_STATIC);

    // Removing the first keeps the list whole; a null sound is ignored.
    EXPECT_EQ(RemoveSnd(first), 1);
    EXPECT_TRUE(SoundList->next == second && second->prev == SoundList);
    EXPECT_EQ(RemoveSnd(NULL), 1);
    EXPECT_EQ(PlaySnd(NULL), 1);
    EXPECT_EQ(StopSnd(NULL), 0);
    EXPECT_EQ(LiveBlocks, blocks + 1);
}

TEST_F(SoundTest, UnreadableMembersEndTheProgramAndRefusedFormatsAreSkipped) {
    int32_t blocks = LiveBlocks;
    {
        BoxWatcher watcher;
        EXPECT_EQ(SndCreate("missing.wav"), nullptr);
        EXPECT_EQ(SndCreate("broken.wav"), nullptr);
        ASSERT_EQ(watcher.boxes.size(), 2u);
        EXPECT_EQ(watcher.boxes[0].caption, "エラー");
        EXPECT_EQ(watcher.boxes[1].text, "サウンドデータの読み込みに失敗");
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    {
        BoxWatcher watcher;
        EXPECT_EQ(SndCreate("strange.wav"), nullptr);
        EXPECT_TRUE(watcher.boxes.empty());
    }
    EXPECT_EQ(SoundList->next, nullptr);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(CountInLog("SndCreate strange.wav"), 0);
    EXPECT_EQ(CountInLog("pack close\n"), CountInLog("make["));  // every extracted file was deleted
}

TEST_F(SoundTest, ReleaseEndsEverySoundAndDisablesTheEngine) {
    int32_t blocks = LiveBlocks;
    Sound *kept = SndCreate("tone.wav");
    Sound *loop = SndCreate("other.wav");
    ASSERT_TRUE(kept && loop);
    kept->keep = 1;
    loop->loop = 1;
    PlaySnd(loop);
    int released = CountInLog("ReleaseSnd other.wav\nstop sound other.wav\n");
    EXPECT_EQ(ReleaseSnd(), 1);
    EXPECT_EQ(CountInLog("ReleaseSnd other.wav\nstop sound other.wav\n"), released + 1);
    EXPECT_EQ(LiveBlocks, blocks - 1);  // the list head went too
    EXPECT_EQ(SoundEnabled, 0);
    EXPECT_EQ(SoundDevice, nullptr);
    EXPECT_EQ(SndCreate("tone.wav"), nullptr);
    EXPECT_EQ(FreeSceneSounds(), 1);
    EXPECT_EQ(StopSnd(NULL), 1);
}
