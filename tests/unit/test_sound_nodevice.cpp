// The sound engine on a machine without an audio device (this program runs with none): start-up
// announces it and asks the program to quit, and every sound operation stays harmless.
#include <windows.h>
#include <gtest/gtest.h>
#include "harness.h"
#include "pack/pack.h"
#include "shell/shell.h"
#include "sound/sound.h"

TEST(SoundWithoutDevice, StartUpReportsItAndEverySoundOperationDoesNothing) {
    EnsureMainWindow();
    int32_t blocks = LiveBlocks;
    {
        BoxWatcher watcher;
        EXPECT_EQ(InitSound(), 0);
        ASSERT_EQ(watcher.boxes.size(), 1u);
        EXPECT_EQ(watcher.boxes[0].caption, "エラー");
        EXPECT_EQ(watcher.boxes[0].text,
                  "DirectSoundが使用できません。\n"
                  "お使いのマシンにサウンドデバイスが存在しない、もしくは問題があるようです。");
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit message posted";
    EXPECT_EQ(SoundEnabled, 0);
    EXPECT_EQ(SoundList, nullptr);

    BoxWatcher watcher;
    EXPECT_EQ(SndCreate("anything.wav"), nullptr);
    EXPECT_EQ(CountInLog("pack open > anything.wav"), 0);  // nothing was even looked up
    Sound stray = {};
    EXPECT_EQ(PlaySnd(&stray), 1);
    EXPECT_EQ(StopSnd(&stray), 1);
    EXPECT_EQ(StopSnd(NULL), 1);
    EXPECT_EQ(RemoveSnd(&stray), 1);
    EXPECT_EQ(FreeSceneSounds(), 1);
    EXPECT_EQ(ReleaseSnd(), 1);
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(CountInLog("stop sound"), 0);
    EXPECT_EQ(LiveBlocks, blocks);
}
