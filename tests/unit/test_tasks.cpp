// The scheduler's walk rule and list order, observed through the order in which steps run.
#include <gtest/gtest.h>
#include <string>
#include "harness.h"
#include "base/base.h"
#include "task/task.h"

namespace {
std::string trace;           // one letter per step run, in order
StepTable spawnTable = 0;    // what the spawning steps create
int32_t spawnPriority = 0;

struct Letter { char c; };
void __cdecl StepA() { trace += 'A'; }
void __cdecl StepB() { trace += 'B'; }
void __cdecl StepC() { trace += 'C'; }
void __cdecl StepN() { trace += 'N'; }
void __cdecl StepKillSelf() { trace += 'K'; KillCurrentTask(); }
void __cdecl StepSpawn() {
    trace += 'S';
    *CurrentStep += 1;
    CreateTask(spawnTable, spawnPriority, TASK_ATTR_RUN, 0);
}
void __cdecl StepWait() { trace += 'w'; }
void __cdecl StepClear() { trace += 'X'; ClearSceneTasks(); }
void __cdecl StepCountWork() { int32_t *work = (int32_t *)CurrentWork; work[0] += 1; *CurrentStep = work[0] >= 3 ? 1 : 0; }

const StepRoutine TableA[] = {StepA};
const StepRoutine TableB[] = {StepB};
const StepRoutine TableC[] = {StepC};
const StepRoutine TableN[] = {StepN};
const StepRoutine TableKill[] = {StepKillSelf};
const StepRoutine TableSpawn[] = {StepSpawn, StepWait};
const StepRoutine TableClear[] = {StepClear};
const StepRoutine TableCount[] = {StepCountWork, KillCurrentTaskStep};

class Tasks : public ::testing::Test {
protected:
    void SetUp() override { InitTaskList(); trace.clear(); blocksBefore = LiveBlocks; }
    void TearDown() override { FreeAllTasks(); EXPECT_EQ(LiveBlocks, blocksBefore); }
    int32_t blocksBefore = 0;
};
}  // namespace

TEST_F(Tasks, OrderFollowsPriorityAndNewestFirstAmongEquals) {
    CreateTask(TableA, 10, TASK_ATTR_RUN, 4);
    CreateTask(TableB, 10, TASK_ATTR_RUN, 4);    // same priority, created later: runs first
    CreateTask(TableC, 0, TASK_ATTR_RUN, 4);     // right after the head
    CreateTask(TableN, 32767, TASK_ATTR_RUN, 4); // just before the tail
    RunTasks();
    EXPECT_EQ(trace, "CBAN");
    EXPECT_EQ(TaskCount, 4);
    EXPECT_EQ(CurrentTask, &TaskTail);
}

TEST_F(Tasks, NegativePrioritySortsAfterHeadAndPriorityAboveMaxIsClamped) {
    CreateTask(TableA, 5, TASK_ATTR_RUN, 0);
    CreateTask(TableB, -3, TASK_ATTR_RUN, 0);
    CreateTask(TableC, 100000, TASK_ATTR_RUN, 0);
    EXPECT_EQ(CurrentTask->priority, 32767);
    EXPECT_EQ(CurrentTask->next, &TaskTail);
    RunTasks();
    EXPECT_EQ(trace, "BAC");
    EXPECT_EQ(TaskHead.next->priority, -3);
}

TEST_F(Tasks, TaskWithoutRunBitStaysButNeverRuns) {
    CreateTask(TableA, 10, 0, 0);
    CreateTask(TableB, 11, 2, 0);
    RunTasks();
    RunTasks();
    EXPECT_EQ(trace, "");
    EXPECT_EQ(TaskCount, 2);
}

TEST_F(Tasks, StepThatKillsItselfLetsTheNextTaskRunInTheSameTick) {
    CreateTask(TableB, 20, TASK_ATTR_RUN, 8);
    CreateTask(TableKill, 10, TASK_ATTR_RUN, 8);
    CreateTask(TableA, 5, TASK_ATTR_RUN, 8);
    RunTasks();
    EXPECT_EQ(trace, "AKB");
    EXPECT_EQ(TaskCount, 2);
    trace.clear();
    RunTasks();
    EXPECT_EQ(trace, "AB");
}

TEST_F(Tasks, CreatingBehindSkipsUntilNextTickCreatingAheadRepeatsTheRunningTask) {
    // Behind: the spawner at 10 creates N at 30; B at 20 and N run first in the next tick.
    spawnTable = TableN;
    spawnPriority = 30;
    CreateTask(TableB, 20, TASK_ATTR_RUN, 0);
    CreateTask(TableSpawn, 10, TASK_ATTR_RUN, 0);
    RunTasks();
    EXPECT_EQ(trace, "S");
    trace.clear();
    RunTasks();
    EXPECT_EQ(trace, "wBN");
    FreeAllTasks();

    // Ahead: the spawner at 10 creates N at 0; the walk goes on after N, so A (5) and the spawner,
    // now on its waiting step, run once more in the same tick.
    InitTaskList();
    trace.clear();
    CreateTask(TableSpawn, 10, TASK_ATTR_RUN, 0);
    CreateTask(TableA, 5, TASK_ATTR_RUN, 0);
    spawnPriority = 0;
    RunTasks();
    EXPECT_EQ(trace, "ASAw");
}

TEST_F(Tasks, ClearSceneFromAnUnkeptTaskFreesItAndTheWalkGoesOnWithKeptTasks) {
    CreateTask(TableA, 5, TASK_ATTR_RUN, 0);
    KeepLastTask();
    CreateTask(TableClear, 10, TASK_ATTR_RUN, 0);
    CreateTask(TableB, 20, TASK_ATTR_RUN, 0);
    CreateTask(TableC, 30, TASK_ATTR_RUN, 0);
    KeepLastTask();
    RunTasks();
    EXPECT_EQ(trace, "AXC");
    EXPECT_EQ(TaskCount, 2);
}

TEST_F(Tasks, StepProtocolWorkAreaAndKillEntry) {
    int32_t *work = (int32_t *)CreateTask(TableCount, 10, TASK_ATTR_RUN, 4);
    EXPECT_EQ(work[0], 0);
    RunTasks();
    RunTasks();
    RunTasks();  // third run moves onto the kill entry
    EXPECT_EQ(TaskCount, 1);
    RunTasks();
    EXPECT_EQ(TaskCount, 0);
}

TEST_F(Tasks, FreeTaskRefusesATaskWithoutStepTableAndTheSentinels) {
    Task orphan = {};
    EXPECT_EQ(FreeTask(&orphan), 0);
    CreateTask(TableA, 5, TASK_ATTR_RUN, 0);
    RunTasks();                       // between ticks CurrentTask is the tail
    EXPECT_EQ(KillCurrentTask(), 0);  // a kill outside any step frees nothing
    EXPECT_EQ(FreeTask(&TaskHead), 0);
    EXPECT_EQ(TaskCount, 1);
    trace.clear();
    RunTasks();
    EXPECT_EQ(trace, "A");
}

TEST_F(Tasks, FreeAllTasksFreesKeptAndUnkeptAndLogsZero) {
    CreateTask(TableA, 5, TASK_ATTR_RUN, 100);
    KeepLastTask();
    CreateTask(TableB, 6, TASK_ATTR_RUN, 0);
    int before = CountInLog("タスク終了 タスク解放失敗数0\n");
    FreeAllTasks();
    EXPECT_EQ(TaskCount, 0);
    EXPECT_EQ(CountInLog("タスク終了 タスク解放失敗数0\n"), before + 1);
    EXPECT_EQ(TaskHead.next, &TaskTail);
}

TEST_F(Tasks, RootStepsRunFirstEveryTick) {
    static const StepRoutine root[] = {StepC};
    SetRootSteps(root);
    CreateTask(TableA, 0, TASK_ATTR_RUN, 0);
    RunTasks();
    EXPECT_EQ(trace, "CA");
}
