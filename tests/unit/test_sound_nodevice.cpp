// The sound engine on a machine without an audio device (this program runs with none): start-up
// announces it and asks the program to quit, and every sound operation stays harmless.
#include <windows.h>
#include <gtest/gtest.h>
#include "harness.h"
#include "base/base.h"
#include "sound/sound.h"

TEST(SoundWithoutDevice, StartUpReportsItAndEverySoundOperationDoesNothing) {
    EnsureMainWindow();
    int32_t blocks = LiveBlocks;
    {
        BoxWatcher watcher;
        EXPECT_EQ(InitSound(), 0);
        ASSERT_EQ(watcher.boxes.size(), 1u);
        EXPECT_EQ(watcher.boxes[0].caption, "エラー");
        EXPECT_EQ(watcher.boxes[0].text, "DirectSoundが使用できません。\n"
                                         "お使いのマシンにサウンドデバイスが存在しない、もしくは問題があるようです。");
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit message posted";
    EXPECT_TRUE(SoundEnabled == 0 && SoundList == nullptr);

    BoxWatcher watcher;
    EXPECT_EQ(SndCreate("anything.wav"), nullptr);
    Sound stray = {};
    EXPECT_TRUE(PlaySnd(&stray) && StopSnd(&stray) && StopSnd(NULL) && RemoveSnd(&stray));
    EXPECT_TRUE(FreeSceneSounds() && ReleaseSnd());
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(CountInLog("anything.wav"), 0);  // nothing was even looked up
    EXPECT_EQ(CountInLog("stop sound"), 0);
    EXPECT_EQ(LiveBlocks, blocks);
}
