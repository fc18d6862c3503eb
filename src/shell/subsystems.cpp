// Start-up and shutdown of the subsystems, side by side so that their orders can be read against
// each other: shutdown releases in reverse order what start-up brought up, and the game library a
// running game holds goes last, after everything that could still call into it.
#include "shell/shell.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "pack/pack.h"
#include "task/task.h"
#include "launcher/launcher.h"

// Only the display can fail here; a sound failure shows its own error box, which ends the program
// through the quit message once the loop runs.
int StartSubsystems(void) {
    if (!InitDisplay()) return 0;
    InitSound();
    InitSpriteList();
    InitMouse();
    InitTaskList();
    SetRootSteps(BootSteps);
    CatchGameCrashes();
    return 1;
}

void ReleaseSubsystems(void) {
    FreeAllTasks();
    ReleaseMouse();
    FreeSpriteList();
    ReleaseSnd();
    rlDDRelease();
    ReleasePackCache();
    UnloadGameAtExit();
}

void ReleaseBeforeFatalExit(void) {
    UnloadGameAtExit();
}

void LogExit(void) {
    Log("アプリ終了 メモリ解放忘れ%d\n", (int)LiveBlocks);
}
