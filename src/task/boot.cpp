// The boot step of the root task: in the program's first tick it makes the resource pack current
// and starts the kept cursor and fade tasks, then moves the root task on to idling.
#include "task/boot.h"
#include "pack/pack.h"
#include "scenes/scenes.h"
#include "task/task.h"

const StepRoutine BootSteps[2] = {BootStep, IdleStep};

void __cdecl BootStep(void) {
    SetPack(MENU_PACK);
    StartCursorTask();
    StartFadeTask();
    *CurrentStep += 1;
}
