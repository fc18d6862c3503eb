// Test games that break the rules of the game interface, one way per build:
//   NO_START / NO_END      the entry point is not exported
//   REFUSE                 Start returns 0; with REFUSE_TASKS it has created tasks first
//   TWICE                  the ending step calls GameEndCall twice, and End calls it once more
//   NEVER                  the game runs until the program is closed
// Otherwise the game runs one task that ends the game at its third tick.
#include "robina_game.h"

namespace {
ServiceTableRecord *shell = 0;

void __cdecl Count() {
    int32_t *ticks = (int32_t *)*shell->currentWork;
    *ticks += 1;
#ifndef NEVER
    if (*ticks < 3) return;
    shell->result->score = 0;
    shell->GameEndCall();
#ifdef TWICE
    shell->GameEndCall();
#endif
#endif
}

const StepRoutine CountSteps[] = {Count};
}  // namespace

#ifndef NO_START
ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    shell = services;
#ifdef REFUSE
#ifdef REFUSE_TASKS
    services->CreateTask(CountSteps, 1000, TASK_ATTR_RUN, 4);
    services->CreateTask(CountSteps, 1001, TASK_ATTR_RUN, 4);
#endif
    return 0;
#else
    services->CreateTask(CountSteps, 1000, TASK_ATTR_RUN, 4);
    return 1;
#endif
}
#endif

#ifndef NO_END
ROBINA_GAME_ENTRY End(void) {
#ifdef TWICE
    shell->GameEndCall();
#endif
    return 0;
}
#endif
