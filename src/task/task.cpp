// Task list operations and the per-tick walk. The walk always continues from CurrentTask's
// successor as it stands after the step returns, so steps may create, kill and clear tasks freely.
#include "task/task.h"
#include "base/base.h"

Task *CurrentTask = 0;
int32_t *CurrentStep = 0;
void *CurrentWork = 0;
int32_t TaskCount = 0;
Task TaskHead;
Task TaskTail;

static const StepRoutine IdleSteps[4] = {IdleStep, IdleStep, IdleStep, IdleStep};

static void ResetSentinel(Task *task, int32_t priority, StepTable steps) {
    task->steps = steps;
    task->step = 0;
    task->priority = priority;
    task->work = 0;
    task->attr = 3;
}

void InitTaskList(void) {
    TaskCount = 0;
    TaskHead.prev = 0;
    TaskHead.next = &TaskTail;
    TaskTail.prev = &TaskHead;
    TaskTail.next = 0;
    ResetSentinel(&TaskHead, 0, IdleSteps);
    ResetSentinel(&TaskTail, TASK_PRIORITY_MAX, IdleSteps);
}

void SetRootSteps(StepTable steps) {
    ResetSentinel(&TaskHead, 0, steps);
}

void *__cdecl CreateTask(StepTable steps, int32_t priority, uint32_t attr, int32_t workSize) {
    // Beyond the tail's priority the search would walk off the list's end.
    if (priority > TASK_PRIORITY_MAX) priority = TASK_PRIORITY_MAX;
    Task *task = (Task *)Alloc(sizeof(Task));
    task->work = Alloc(workSize);
    Task *after = TaskHead.next;
    while (after->priority < priority) after = after->next;
    task->prev = after->prev;
    task->next = after;
    after->prev->next = task;
    after->prev = task;
    task->priority = priority;
    task->steps = steps;
    task->step = 0;
    task->attr = attr;
    task->keep = 0;
    TaskCount += 1;
    CurrentTask = task;
    return task->work;
}

void KeepLastTask(void) {
    CurrentTask->keep = 1;
}

// The sentinels are never freed: a kill between ticks (CurrentTask is then the tail) is refused.
int FreeTask(Task *task) {
    if (!task->steps || task == &TaskHead || task == &TaskTail) return 0;
    task->prev->next = task->next;
    task->next->prev = task->prev;
    if (task == CurrentTask) CurrentTask = task->prev;
    Free(task->work);
    Free(task);
    TaskCount -= 1;
    return 1;
}

int32_t __cdecl KillCurrentTask(void) {
    return FreeTask(CurrentTask);
}

void __cdecl KillCurrentTaskStep(void) {
    KillCurrentTask();
}

void ClearSceneTasks(void) {
    Task *task = TaskHead.next;
    while (task != &TaskTail) {
        Task *next = task->next;
        if (!task->keep) FreeTask(task);
        task = next;
    }
}

int FreeAllTasks(void) {
    Task *task = TaskTail.prev;
    while (task != &TaskHead) {
        Task *prev = task->prev;
        Free(task->work);
        Free(task);
        TaskCount -= 1;
        task = prev;
    }
    TaskHead.next = &TaskTail;
    TaskTail.prev = &TaskHead;
    CurrentTask = &TaskTail;
    Log("タスク終了 タスク解放失敗数%d\n", (int)TaskCount);
    return 1;
}

void RunTasks(void) {
    Task *task = &TaskHead;
    while (task) {
        CurrentTask = task;
        CurrentStep = &task->step;
        CurrentWork = task->work;
        if (task->attr & TASK_ATTR_RUN) task->steps[task->step]();
        task = CurrentTask->next;
    }
}

void __cdecl IdleStep(void) {}
