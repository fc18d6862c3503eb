// The sound engine on the test environment's audio device, which writes every played sample to the
// capture file named by ROBINA_AUDIO_FILE (this program's own). Silence is all zero bytes there, so
// what was heard is judged by counting non-zero ("loud") bytes of the capture.
#include <windows.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <algorithm>
#include <vector>
#include "harness.h"
#include "pack/pack.h"
#include "pack/pack_format.h"
#include "base/base.h"
#include "sound/sound.h"
#include "test_wave_files.h"

namespace {
const long kWindow = 1 << 18;  // capture bytes that outlast the device's own buffering

void WriteGameFile(const char *file, const std::vector<std::pair<const char *, std::string>> &members) {
    std::vector<const char *> names;
    std::vector<uint32_t> sizes;
    for (const auto &member : members) names.push_back(member.first), sizes.push_back(member.second.size());
    std::string image(PackDirectoryBytes(names.data(), (int32_t)names.size()), '\0');
    WritePackDirectory((uint8_t *)&image[0], names.data(), sizes.data(), (int32_t)names.size());
    for (const auto &member : members) {
        std::string data = member.second;
        ScramblePackData((uint8_t *)&data[0], (const uint8_t *)data.data(), data.size());
        image += data;
    }
    ASSERT_TRUE(WriteBytes(Folder() + file, image));
}

FILE *OpenCapture() { return fopen((std::string("Z:") + getenv("ROBINA_AUDIO_FILE")).c_str(), "rb"); }

long CaptureSize() {
    FILE *file = OpenCapture();
    long size = file && fseek(file, 0, SEEK_END) == 0 ? ftell(file) : 0;
    if (file) fclose(file);
    return size;
}

// Loud bytes in [from, from + count) of the capture, once the device has played that far.
long Loud(long from, long count) {
    for (DWORD start = GetTickCount(); CaptureSize() < from + count && GetTickCount() - start < 10000;)
        Sleep(5);
    std::string bytes(count, '\0');
    FILE *file = OpenCapture();
    if (!file) return -1;
    fseek(file, from, SEEK_SET);
    bytes.resize(fread(&bytes[0], 1, count, file));
    fclose(file);
    return (long)bytes.size() - (long)std::count(bytes.begin(), bytes.end(), '\0');
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
// Blocks in use on the process heap, where the wave data of a sound lives outside the counted
// allocator.
int HeapBlocks() {
    int blocks = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(GetProcessHeap());
    while (HeapWalk(GetProcessHeap(), &entry)) blocks += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    HeapUnlock(GetProcessHeap());
    return blocks;
}
}  // namespace

class SoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureMainWindow();
        WriteGameFile("sound_test.vyg",
                      {{"tone.wav", ToneWave(0.2, 440)}, {"long.wav", ToneWave(1.0, 660)},
                       {"other.wav", ToneWave(0.2, 880)}, {"broken.wav", "RIFF....WAVEfmt "},
                       {"strange.wav", Riff(Chunk("fmt ", FormatFields(0x7777, 1, 22050, 16) + Le(0, 2)) +
                                            Chunk("data", ToneSamples(0.1, 440)))}});
    }
    void SetUp() override {
        ASSERT_EQ(InitSound(), 1);
        ASSERT_EQ(SetPack("sound_test.vyg"), 1);
        Loud(CaptureSize(), 4096);  // the device streams (silence) from here on
    }
    void TearDown() override { ReleaseSnd(); }

    // Loud bytes of one play of tone.wav: the unit of length in the other tests.
    static long OnePlay() {
        static long measured = 0;
        if (!measured) {
            Sound *tone = SndCreate("tone.wav");
            long from = CaptureSize();
            PlaySnd(tone);
            WaitUntilStopped(tone);
            measured = Loud(from, kWindow);
            RemoveSnd(tone);
        }
        return measured;
    }
};

TEST_F(SoundTest, ALoadedSoundReachesTheDeviceOnceAndEndsByItself) {
    int32_t blocks = LiveBlocks;
    Sound *tone = SndCreate("TONE.WAV");
    ASSERT_NE(tone, nullptr);
    EXPECT_STREQ(tone->name, "TONE.WAV");
    EXPECT_TRUE(tone->keep == 0 && tone->loop == 0 && tone->prev == SoundList && SoundList->next == tone);
    EXPECT_EQ(CountInLog("SndCreate TONE.WAV\n"), 1);
    EXPECT_EQ(LiveBlocks, blocks + 1);
    EXPECT_EQ(Loud(CaptureSize(), kWindow), 0) << "the device is not silent while nothing plays";

    long from = CaptureSize();
    PlaySnd(tone);
    ASSERT_TRUE(WaitUntilStopped(tone));
    long loud = Loud(from, kWindow);
    EXPECT_GT(loud, 1000) << "nothing of the sound reached the device";
    EXPECT_LT(loud, kWindow / 2);
    EXPECT_EQ(Loud(from + kWindow, kWindow), 0) << "the sound did not end";
}

// A load takes time: the clock restarts after it, so a step that loaded a sound for a second runs no
// fifty missed ticks at once, and a click made before the load does not survive it.
TEST_F(SoundTest, ALoadRestartsTheFrameClock) {
    uint32_t (*realClock)(void) = FrameTime;
    UseFakeClock(100000);
    ResetFrameClock();
    MouseState.click[BUTTON_LEFT] = 1;
    FakeNow += 1000;
    Sound *tone = SndCreate("tone.wav");
    ASSERT_TRUE(tone);
    BeginClockPass();
    int due = 0;
    for (; TickDue() && due < 100; due++) CountTick();
    EXPECT_EQ(due, 1);
    EXPECT_EQ(MouseState.click[BUTTON_LEFT], 0);
    RemoveSnd(tone);
    FrameTime = realClock;
}

TEST_F(SoundTest, ALoopingSoundPlaysUntilStopped) {
    long once = OnePlay();
    Sound *tone = SndCreate("tone.wav");
    tone->loop = 1;
    long from = CaptureSize();
    PlaySnd(tone);
    EXPECT_GT(Loud(from + 8 * once, 2 * once), once) << "silent eight plays' worth later";
    EXPECT_TRUE(Status(tone) & DSBSTATUS_LOOPING);

    int stops = CountInLog("stop sound tone.wav\n");
    EXPECT_EQ(StopSnd(tone), 1);
    long stopped = CaptureSize();
    DWORD play = 1, write;
    tone->buffer->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(Loud(stopped + kWindow, kWindow), 0);
    EXPECT_EQ(CountInLog("stop sound tone.wav\n"), stops + 1);
}

TEST_F(SoundTest, PlayingAPlayingSoundRestartsIt) {
    long once = OnePlay();  // long.wav lasts five times as long
    Sound *longTone = SndCreate("long.wav");
    long from = CaptureSize();
    PlaySnd(longTone);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(1))
        if (Loud(from, CaptureSize() - from) >= 2 * once) break;
    ASSERT_TRUE(Status(longTone) & DSBSTATUS_PLAYING) << "it ended before it could be restarted";
    PlaySnd(longTone);
    ASSERT_TRUE(WaitUntilStopped(longTone));
    // Two plays' worth before the restart, then the whole sound again.
    EXPECT_GT(Loud(from, 4 * kWindow), 6 * once);
}

TEST_F(SoundTest, SceneClearLeavesKeptSoundsPlaying) {
    long once = OnePlay();
    Sound *kept = SndCreate("tone.wav"), *scene = SndCreate("other.wav");
    kept->keep = 1;
    kept->loop = scene->loop = 1;
    PlaySnd(kept);
    PlaySnd(scene);
    EXPECT_EQ(FreeSceneSounds(), 1);
    EXPECT_EQ(CountInLog("RemoveSnd other.wav\nstop sound other.wav\n"), 1);
    EXPECT_TRUE(SoundList->next == kept && kept->next == nullptr);
    EXPECT_GT(Loud(CaptureSize() + 2 * once, 2 * once), once);

    EXPECT_EQ(RemoveSnd(kept), 1);
    EXPECT_EQ(SoundList->next, nullptr);
    EXPECT_EQ(Loud(CaptureSize() + kWindow, kWindow), 0);
}

TEST_F(SoundTest, UnreadableMembersEndTheProgramAndRefusedFormatsAreSkipped) {
    int32_t blocks = LiveBlocks;
    {
        BoxWatcher watcher;
        EXPECT_EQ(SndCreate("missing.wav"), nullptr);
        EXPECT_EQ(SndCreate("broken.wav"), nullptr);
        ASSERT_EQ(watcher.boxes.size(), 2u);
        EXPECT_EQ(watcher.boxes[1].caption, "エラー");
        EXPECT_EQ(watcher.boxes[1].text, "サウンドデータの読み込みに失敗");
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) continue;
    BoxWatcher watcher;
    EXPECT_EQ(SndCreate("strange.wav"), nullptr);  // DirectSound refuses the format: no message
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_TRUE(SoundList->next == nullptr && LiveBlocks == blocks);
    EXPECT_EQ(CountInLog("pack close\n"), CountInLog("make["));  // every extracted file was deleted
}

TEST_F(SoundTest, ReleaseEndsEverySoundAndDisablesTheEngine) {
    int32_t blocks = LiveBlocks;
    Sound *kept = SndCreate("tone.wav");
    kept->keep = 1;
    PlaySnd(kept);
    int released = CountInLog("ReleaseSnd tone.wav\nstop sound tone.wav\n");
    EXPECT_EQ(ReleaseSnd(), 1);
    EXPECT_EQ(CountInLog("ReleaseSnd tone.wav\nstop sound tone.wav\n"), released + 1);
    EXPECT_EQ(LiveBlocks, blocks - 1);  // the list head went too
    EXPECT_TRUE(SoundEnabled == 0 && SoundDevice == nullptr && PrimaryBuffer == nullptr);
    EXPECT_EQ(SndCreate("tone.wav"), nullptr);
}

TEST_F(SoundTest, TheProgramsOwnSoundsLoadFromItsResourcePack) {
    ASSERT_EQ(SetPack(MENU_PACK), 1);
    for (const char *name : {"click.wav", "notice.wav", "menubgm.wav"}) {
        Sound *sound = SndCreate(name);
        ASSERT_NE(sound, nullptr) << name;
        DSBCAPS caps = {sizeof caps};
        sound->buffer->GetCaps(&caps);
        EXPECT_GT(caps.dwBufferBytes, 1000u) << name;
    }
}

TEST_F(SoundTest, LoadingAndRemovingSoundsLeavesNoHeapBlockOrHandleBehind) {
    RemoveSnd(SndCreate("tone.wav"));  // what the device allocates once
    int blocks = HeapBlocks();
    DWORD handles = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    for (int i = 0; i < 30; i++) RemoveSnd(SndCreate("tone.wav"));
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LT(HeapBlocks(), blocks + 10) << "30 loads; a lost block per load shows as 30";
    EXPECT_LT(handlesAfter, handles + 10);
}
