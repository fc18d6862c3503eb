// The task scheduler: one priority-ordered, doubly linked list of cooperative tasks between two
// static sentinels. Each tick walks it head to tail and runs the current step of every running task.
#ifndef ROBINA_TASK_H
#define ROBINA_TASK_H

#include <stdint.h>
#include "robina_game.h"

typedef struct Task {
    struct Task *prev;   // towards the head; null for the head sentinel
    struct Task *next;   // towards the tail; null for the tail sentinel
    StepTable steps;     // not copied: must outlive the task
    int32_t step;        // index of the routine that runs next
    int32_t priority;    // smaller runs earlier; at most TASK_PRIORITY_MAX
    void *work;          // zero-filled work area owned by the task
    uint32_t attr;       // bit 0: the step runs each tick
    uint8_t keep;        // 1: survives ClearSceneTasks
} Task;

extern Task *CurrentTask;     // task whose step runs; the new task right after CreateTask
extern int32_t *CurrentStep;  // its step index
extern void *CurrentWork;     // its work area
extern int32_t TaskCount;     // tasks created and not yet freed, sentinels excluded
extern Task TaskHead;         // head sentinel, also the root task
extern Task TaskTail;         // tail sentinel, runs last in every tick

void InitTaskList(void);
void SetRootSteps(StepTable steps);
void *__cdecl CreateTask(StepTable steps, int32_t priority, uint32_t attr, int32_t workSize);
void KeepLastTask(void);
int FreeTask(Task *task);
int32_t __cdecl KillCurrentTask(void);
void ClearSceneTasks(void);
int FreeAllTasks(void);
void RunTasks(void);
void __cdecl IdleStep(void);
void __cdecl KillCurrentTaskStep(void);  // KillCurrentTask as an entry of a step table

#endif
