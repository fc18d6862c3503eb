// Test games that break the rules of the game interface, one way per build:
//   NO_START / NO_END      the entry point is not exported
//   REFUSE                 Start returns 0; with REFUSE_TASKS it has created tasks first
//   TWICE                  the ending step calls GameEndCall twice, and End calls it once more
//   NEVER                  the game runs until the program is closed
//   LEAK                   Start leaves two blocks, a picture, three sprites, a sound and a second
//                          task for the shell to free
//   NO_IMAGE               Start loads a picture the game file does not hold; with USE_IMAGE it
//                          then reads the width of what it got (the null image) and faults
//   SEE_MOUSE              every tick whose mouse differs from the last one seen is appended to
//                          "mouse.log" of the current folder: tick (from 0), x, y, click, held
//   SCORE                  plays for three seconds, then ends with a score for the top ten
//   CRASH_IN_START / CRASH_IN_STEP / CRASH_IN_END   that routine faults: with CRASH_DIVIDE by an
//                          integer division by zero, otherwise by a write through a null pointer
// Otherwise the game runs one task that ends the game at its third tick.
#include <stdio.h>
#include <string.h>
#include "robina_game.h"

namespace {
ServiceTableRecord *shell = 0;

#ifdef SCORE
enum { PLAY_TICKS = 150, FINAL_SCORE = 1234 };
const char FINAL_LABEL[] = "1234てん";
#else
enum { PLAY_TICKS = 3, FINAL_SCORE = 0 };
const char FINAL_LABEL[] = "";
#endif

#if defined CRASH_IN_START || defined CRASH_IN_STEP || defined CRASH_IN_END
// Volatile, so that the compiler can neither see the fault coming nor leave it out.
volatile int32_t zero = 0, seven = 7;  // 1 / x would become a comparison, without a division
volatile int32_t *volatile nowhere = 0;
void Crash() {
#ifdef CRASH_DIVIDE
    zero = seven / zero;
#else
    *nowhere = 1;
#endif
}
#endif

#ifdef SEE_MOUSE
MouseRecord lastSeen = {-1, -1, {0, 0, 0}, {0, 0, 0}, {0, 0}};
void LogMouse(int32_t tick) {
    const MouseRecord *m = shell->mouse;
    if (memcmp(m, &lastSeen, sizeof lastSeen) == 0) return;
    lastSeen = *m;
    FILE *log = fopen("mouse.log", "a");
    if (!log) return;
    fprintf(log, "%d %d %d %d %d\n", (int)tick, (int)m->x, (int)m->y, m->click[0], m->held[0]);
    fclose(log);
}
#endif

void __cdecl Count() {
    int32_t *ticks = (int32_t *)*shell->currentWork;
#ifdef SEE_MOUSE
    LogMouse(*ticks);
#endif
    *ticks += 1;
#ifdef CRASH_IN_STEP
    if (*ticks == 2) Crash();
#endif
#ifndef NEVER
    if (*ticks < PLAY_TICKS) return;
    shell->result->score = FINAL_SCORE;
    strcpy(shell->result->label, FINAL_LABEL);
    shell->GameEndCall();
#ifdef TWICE
    shell->GameEndCall();
#endif
#endif
}

const StepRoutine CountSteps[] = {Count};

#ifdef LEAK
void __cdecl Linger() {}
const StepRoutine LingerSteps[] = {Linger};

void LeaveThingsBehind() {
    shell->Alloc(16);
    shell->Alloc(16);
    Image *picture = shell->NewImage("svc_pic.bmp");
    for (int i = 0; i < 3; i++) shell->NewSprite(500)->image = picture;
    shell->SndCreate("svc_beep.wav");
    shell->CreateTask(LingerSteps, 1001, TASK_ATTR_RUN, 4);
}
#endif
}  // namespace

#ifndef NO_START
ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    shell = services;
#ifdef CRASH_IN_START
    Crash();
#endif
#ifdef REFUSE
#ifdef REFUSE_TASKS
    services->CreateTask(CountSteps, 1000, TASK_ATTR_RUN, 4);
    services->CreateTask(CountSteps, 1001, TASK_ATTR_RUN, 4);
#endif
    return 0;
#else
    services->CreateTask(CountSteps, 1000, TASK_ATTR_RUN, 4);
#ifdef LEAK
    LeaveThingsBehind();
#endif
#ifdef NO_IMAGE
    Image *missing = services->NewImage("missing.bmp");
#ifdef USE_IMAGE
    volatile int32_t width = missing->width;
    (void)width;
#else
    (void)missing;
#endif
#endif
    return 1;
#endif
}
#endif

#ifndef NO_END
ROBINA_GAME_ENTRY End(void) {
#ifdef CRASH_IN_END
    Crash();
#endif
#ifdef TWICE
    shell->GameEndCall();
#endif
    return 0;
}
#endif
