// The root task's boot: the first tick builds the front end once, then the head sentinel idles.
#ifndef ROBINA_BOOT_H
#define ROBINA_BOOT_H

#include "launcher/robina_game.h"

extern const StepRoutine BootSteps[2];  // BootStep, then IdleStep
void __cdecl BootStep(void);

#endif
