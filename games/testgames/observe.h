// What the service-exercising test game saw, read by the test that launches it through the
// library's exported GetObservations() while the library is loaded.
#ifndef ROBINA_TESTGAME_OBSERVE_H
#define ROBINA_TESTGAME_OBSERVE_H

#include <stdint.h>

typedef struct Observations {
    int32_t dataPointersSet;   // all nine data entries were non-null in Start
    int32_t workMatches;       // the first step found the area CreateTask returned in *currentWork
    int32_t stepsRun;          // steps of the main task run so far
    int32_t lingerTicks;       // ticks the never-ending helper task ran
    int32_t killResult;        // KillCurrentTask from the short helper's own step
    int32_t imageWidth;        // fields of the loaded picture
    int32_t imageHeight;
    int32_t imageCountAfterFree;  // FreeImage of a second copy
    int32_t fillResult;        // FillImage of the picture
    int32_t drawResult;        // DrawString into the picture
    int32_t clearPixel;        // SetClearColour(10, 20, 30)
    int32_t priorityResult;    // SetSpritePriority of a real sprite
    int32_t priorityNull;      // SetSpritePriority of null
    int32_t freeSpriteResult;  // FreeSprite of a real sprite
    int32_t freeSpriteNull;    // FreeSprite of null
    int32_t soundLoaded;       // SndCreate gave a record
    int32_t playResult;        // PlaySnd
    int32_t stopResult;        // StopSnd of a real sound
    int32_t stopNull;          // StopSnd of null
    int32_t removeResult;      // RemoveSnd
    int32_t coverTicks;        // ticks from writing "cover" until the state read "covered"
    int32_t uncoverTicks;      // ticks from writing "uncover" until the state read "visible"
    int32_t randomInRange;     // 200 draws of Random(1, 6) all in range
    int32_t randomEmpty;       // Random(5, 4)
    int32_t allocZeroed;       // a block from Alloc came zero-filled
    int32_t endCalls;          // End calls so far
} Observations;

// The outcome the game reports when it ends: GameResult.score and .label, and an amount it adds
// to .zumi. Set by the test through the exported SetOutcome before the game reaches its last step.
typedef void (__cdecl *SetOutcomeProc)(uint32_t score, const char *label, int32_t zumiGain);
typedef const Observations *(__cdecl *ObservationsProc)(void);
// A routine of the test that End calls first, to see the shell's state at that moment.
typedef void (__cdecl *EndProbe)(void);
typedef void (__cdecl *SetEndProbeProc)(EndProbe probe);

#endif
