// The boot step of the root task: in the program's first tick it creates the scene sequence, reads
// the installed games and the player's records, makes the resource pack current and starts the kept
// cursor and fade tasks, then moves the root task on to idling.
#include "shell/shell.h"
#include "catalogue/catalogue.h"
#include "launcher/launcher.h"
#include "pack/pack.h"
#include "fade/fade.h"
#include "task/task.h"
#include "scenes/scenes.h"

const StepRoutine BootSteps[2] = {BootStep, IdleStep};

void __cdecl BootStep(void) {
    StartSceneSequence();
    FillServiceTable();
    ScanGameFiles();
    SetPack(MENU_PACK);
    StartCursorTask();
    StartFadeTask();
    SelectedGame = 0;
    TempGamePath[0] = 0;
    *CurrentStep += 1;
}
