// The service table that game libraries are given, the result record they fill, and the end of a
// game. The table's order and the layouts it points at are the plug-in interface (robina_game.h):
// every entry is the engine's own data or operation, nothing is wrapped.
#include "launcher/launcher.h"
#include "base/base.h"
#include "task/task.h"
#include "task/scene.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "fade/fade.h"

ServiceTableRecord ServiceTable;
GameResultRecord GameResult;
int32_t GameEnded = 0;

void FillServiceTable(void) {
    ServiceTableRecord *t = &ServiceTable;
    t->instance = &MainInstance;
    t->window = &MainWindow;
    t->cursorShown = &SystemCursorShown;
    t->framesPerSecond = &FramesPerSecond;
    t->fadeState = &FadeState;
    t->mouse = &MouseState;
    t->currentWork = &CurrentWork;
    t->currentStep = &CurrentStep;
    t->result = &GameResult;
    t->GameEndCall = GameEndCall;
    t->NewImage = NewImage;
    t->FreeImage = FreeImage;
    t->FillImage = FillImage;
    t->DrawString = DrawString;
    t->SetClearColour = SetClearColour;
    t->NewSprite = NewSprite;
    t->SetSpritePriority = SetSpritePriority;
    t->FreeSprite = FreeSprite;
    t->SndCreate = SndCreate;
    t->RemoveSnd = RemoveSnd;
    t->PlaySnd = PlaySnd;
    t->StopSnd = StopSnd;
    t->CreateTask = CreateTask;
    t->KillCurrentTask = KillCurrentTask;
    t->Random = Random;
    t->Alloc = Alloc;
    t->Free = Free;
}

// Only the first call of a game counts. The calling step's own task is freed here with the rest,
// so a game's step returns at once after this call; the others were the game's to end.
void __cdecl GameEndCall(void) {
    if (GameEnded) return;
    GameEnded = 1;
    Log("GameEndCall\n");
    for (Task *task = TaskHead.next; task != &TaskTail; task = task->next)
        if (!task->keep && task != CurrentTask) GameLeftovers.tasks += 1;
    ClearSceneTasks();
    SceneDone = 1;
}
