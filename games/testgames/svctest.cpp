// A test game that calls every entry of the service table and records what it saw (observe.h).
// Start makes three tasks: the main one walks through images, sprites, text, sounds, random
// numbers, memory and the fade protocol, then reports its outcome and ends the game; a short
// helper ends itself; a lingering helper runs until the end of the game takes it away.
#include <string.h>
#include "robina_game.h"
#include "observe.h"

namespace {
ServiceTableRecord *shell = 0;
Observations seen;
uint32_t outcomeScore = 0;
char outcomeLabel[20] = "";
int32_t outcomeZumi = 0;
int outcomeSet = 0;
EndProbe endProbe = 0;

struct MainWork {
    void *self;       // the area CreateTask returned, to compare with *currentWork
    int32_t ticks;    // ticks spent in the current fade wait
};

MainWork *Work() { return (MainWork *)*shell->currentWork; }
void Advance() { **shell->currentStep += 1; }

void __cdecl CheckWork() {
    seen.stepsRun++;
    seen.workMatches = Work()->self == *shell->currentWork;
    Advance();
}

void __cdecl UsePictures() {
    seen.stepsRun++;
    Image *picture = shell->NewImage("SVC_PIC.BMP");  // member names are found whatever their case
    seen.imageWidth = picture->width;
    seen.imageHeight = picture->height;
    Image *second = shell->NewImage("svc_pic.bmp");
    seen.imageCountAfterFree = shell->FreeImage(second);
    seen.fillResult = shell->FillImage(picture, 0, 0, 200);
    seen.drawResult =
        shell->DrawString(picture->surface, 0, 0, 32, 16, TEXT_LEFT | TEXT_ONE_LINE, "12", 12, 255, 255, 255, 0);
    seen.clearPixel = shell->SetClearColour(10, 20, 30);

    Sprite *kept = shell->NewSprite(500);  // left for the shell to free
    kept->image = picture;
    kept->srcRight = picture->width;
    kept->srcBottom = picture->height;
    kept->x = 300;
    kept->y = 170;
    kept->visible = 1;
    Sprite *moved = shell->NewSprite(400);
    seen.priorityResult = shell->SetSpritePriority(moved, 600);
    seen.priorityNull = shell->SetSpritePriority(0, 1);
    seen.freeSpriteResult = shell->FreeSprite(moved);
    seen.freeSpriteNull = shell->FreeSprite(0);
    Advance();
}

void __cdecl UseSounds() {
    seen.stepsRun++;
    Sound *looping = shell->SndCreate("svc_beep.wav");  // left playing for the shell to free
    Sound *once = shell->SndCreate("svc_beep.wav");
    seen.soundLoaded = looping != 0 && once != 0;
    if (looping) {
        looping->loop = 1;
        shell->PlaySnd(looping);
    }
    if (once) {
        seen.playResult = shell->PlaySnd(once);
        seen.stopResult = shell->StopSnd(once);
        seen.removeResult = shell->RemoveSnd(once);
    }
    seen.stopNull = shell->StopSnd(0);
    Advance();
}

void __cdecl UseNumbersAndMemory() {
    seen.stepsRun++;
    seen.randomInRange = 1;
    for (int i = 0; i < 200; i++) {
        int32_t value = shell->Random(1, 6);
        if (value < 1 || value > 6) seen.randomInRange = 0;
    }
    seen.randomEmpty = shell->Random(5, 4);
    unsigned char *block = (unsigned char *)shell->Alloc(64);
    seen.allocZeroed = 1;
    for (int i = 0; i < 64; i++)
        if (block[i]) seen.allocZeroed = 0;
    memset(block, 0xAB, 64);
    shell->Free(block);
    *shell->fadeState = FADE_COVER;
    Advance();
}

void __cdecl WaitCovered() {
    seen.stepsRun++;
    Work()->ticks++;
    if (*shell->fadeState != FADE_COVERED) return;
    seen.coverTicks = Work()->ticks;
    Work()->ticks = 0;
    *shell->fadeState = FADE_UNCOVER;
    Advance();
}

void __cdecl WaitVisible() {
    seen.stepsRun++;
    Work()->ticks++;
    if (*shell->fadeState != FADE_VISIBLE) return;
    seen.uncoverTicks = Work()->ticks;
    Advance();
}

// Waits until the test has set the outcome, then reports it and ends the game.
void __cdecl Finish() {
    seen.stepsRun++;
    if (!outcomeSet) return;
    shell->result->score = outcomeScore;
    memcpy(shell->result->label, outcomeLabel, sizeof outcomeLabel);
    shell->result->zumi += outcomeZumi;
    shell->GameEndCall();
}

void __cdecl EndItself() {
    seen.killResult = shell->KillCurrentTask();
}

void __cdecl Linger() {
    seen.lingerTicks++;
}

const StepRoutine MainSteps[] = {CheckWork, UsePictures, UseSounds, UseNumbersAndMemory,
                                 WaitCovered, WaitVisible, Finish};
const StepRoutine ShortSteps[] = {EndItself};
const StepRoutine LingerSteps[] = {Linger};
}  // namespace

ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    shell = services;
    seen.dataPointersSet = services->instance && services->window && services->cursorShown &&
                           services->framesPerSecond && services->fadeState && services->mouse &&
                           services->currentWork && services->currentStep && services->result;
    MainWork *work = (MainWork *)services->CreateTask(MainSteps, 1000, TASK_ATTR_RUN, sizeof(MainWork));
    work->self = work;
    services->CreateTask(ShortSteps, 900, TASK_ATTR_RUN, 0);
    services->CreateTask(LingerSteps, 1100, TASK_ATTR_RUN, 16);
    return 1;
}

ROBINA_GAME_ENTRY End(void) {
    if (endProbe) endProbe();
    seen.endCalls++;
    return 0;
}

extern "C" __declspec(dllexport) const Observations *__cdecl GetObservations(void) {
    return &seen;
}

extern "C" __declspec(dllexport) void __cdecl SetOutcome(uint32_t score, const char *label, int32_t zumiGain) {
    outcomeScore = score;
    strncpy(outcomeLabel, label, sizeof outcomeLabel - 1);
    outcomeZumi = zumiGain;
    outcomeSet = 1;
}

extern "C" __declspec(dllexport) void __cdecl SetEndProbe(EndProbe probe) {
    endProbe = probe;
}
