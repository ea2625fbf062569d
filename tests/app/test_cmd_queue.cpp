#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "ui/Pavimo.h"

namespace {

void vPost(int32_t s32CmdId)
{
    vPostCommand(s32CmdId, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
}

// Counts dispatcher steps until the head command runs (its record is consumed).
int s32StepsUntilRun()
{
    for (int s32Steps = 1; s32Steps <= 100; s32Steps++) {
        if (s32DispatchCommand() >= DISPATCH_RAN)
            return s32Steps;
    }
    return -1;
}

using CommandQueueTest = AppTest;

TEST_F(CommandQueueTest, EmptyQueueStepRunsNothingAndStaysIdle)
{
    EXPECT_EQ(s32DispatchCommand(), DISPATCH_EMPTY);
    EXPECT_EQ(s32QueueState(), QUEUE_IDLE);
}

TEST_F(CommandQueueTest, PostStoresTheRecordAndAdvancesTheWriteIndex)
{
    vPostCommand(CMD_ERASE, 1, 700, 0);
    EXPECT_EQ(gs32_CmdQueueWrite, 1);
    EXPECT_EQ(gst_CmdQueue[0].s32CmdId, CMD_ERASE);
    EXPECT_EQ(gst_CmdQueue[0].s32Param, 1);
    EXPECT_EQ(gst_CmdQueue[0].s32Delay, 700);
    EXPECT_EQ(gst_CmdQueue[0].s32Reserved, 0);
}

TEST_F(CommandQueueTest, CommandRunsOnTheSeventhStepAtTheHead)
{
    vPost(CMD_UNUSED_4);
    EXPECT_EQ(s32QueueState(), QUEUE_COUNTING_DOWN);
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(s32DispatchCommand(), DISPATCH_COUNTED_DOWN);
        EXPECT_EQ(s32QueueState(), QUEUE_COUNTING_DOWN);
        EXPECT_EQ(gst_CmdQueue[0].s32Delay, 600 - 100 * i);
    }
    EXPECT_EQ(s32DispatchCommand(), DISPATCH_RAN); // the action used no progress
    EXPECT_EQ(s32QueueState(), QUEUE_IDLE);
    EXPECT_EQ(gs32_CmdQueueRead, gs32_CmdQueueWrite);
}

TEST_F(CommandQueueTest, TwoCommandsRunSevenStepsApart)
{
    vPost(CMD_UNUSED_4);
    vPost(CMD_UNUSED_4);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(gs32_CmdQueueRead, 1);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(gs32_CmdQueueRead, 2);
}

TEST_F(CommandQueueTest, UnknownNumbersRunNothing)
{
    vPost(0);
    vPost(18);
    vPost(-3);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(gs32_CmdQueueRead, gs32_CmdQueueWrite);
}

TEST_F(CommandQueueTest, SixtyThreeWaitingCommandsAreKeptAndASixtyFourthIsDropped)
{
    for (int i = 0; i < 63; i++)
        vPostCommand(CMD_UNUSED_4, 1, 700, i);
    EXPECT_EQ(gs32_CmdQueueWrite, 63);
    vPostCommand(CMD_ERASE, 1, 700, 99);
    EXPECT_EQ(gs32_CmdQueueWrite, 63);
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    for (int i = 0; i < 63; i++) {
        EXPECT_EQ(gst_CmdQueue[gs32_CmdQueueRead].s32Reserved, i);
        EXPECT_EQ(s32StepsUntilRun(), 7);
    }
    EXPECT_EQ(gs32_CmdQueueRead, gs32_CmdQueueWrite);
}

TEST_F(CommandQueueTest, RingWrapsAroundAfterSlot63)
{
    for (int i = 0; i < 60; i++) {
        vPost(CMD_UNUSED_4);
        s32StepsUntilRun();
    }
    EXPECT_EQ(gs32_CmdQueueRead, 60);
    for (int i = 0; i < 10; i++)
        vPostCommand(CMD_UNUSED_4, 1, 700, i);
    EXPECT_EQ(gs32_CmdQueueWrite, 6);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(gst_CmdQueue[gs32_CmdQueueRead].s32Reserved, i);
        s32StepsUntilRun();
    }
    EXPECT_EQ(gs32_CmdQueueRead, 6);
}

TEST_F(CommandQueueTest, ClearZeroesEveryRecordAndBothIndices)
{
    for (int i = 0; i < 5; i++)
        vPost(CMD_ERASE);
    vClearCommandQueue();
    EXPECT_EQ(s32QueueState(), QUEUE_IDLE);
    EXPECT_EQ(gs32_CmdQueueWrite, 0);
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    for (const stCmdQueueItem &item : gst_CmdQueue) {
        EXPECT_EQ(item.s32CmdId, 0);
        EXPECT_EQ(item.s32Delay, 0);
    }
}

// The message-file dialog is the one place where a command of this build
// hands control to the operator: a queue emptied there (as the progress
// panel's close box does) must drop the waiting commands and restart at 0.
TEST_F(CommandQueueTest, QueueEmptiedDuringAnActionDropsTheRestAndRestartsAtSlotZero)
{
    LoadPanels();
    m_dialogs.pfnDuring = [](void *) { vClearCommandQueue(); };
    vPost(CMD_UNUSED_4);
    vPost(CMD_SAVE_MSG);
    vPost(CMD_SAVE_MSG);
    vPost(CMD_SAVE_MSG);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    EXPECT_EQ(gs32_CmdQueueWrite, 0);
    EXPECT_EQ(s32DispatchCommand(), DISPATCH_EMPTY);
    vPost(CMD_ERASE);
    EXPECT_EQ(gst_CmdQueue[0].s32CmdId, CMD_ERASE);
    EXPECT_EQ(gs32_CmdQueueWrite, 1);
}

TEST_F(CommandQueueTest, ActionRunsInTheRunningStateAndTheNextCountdownFollows)
{
    LoadPanels();
    static int32_t s32Seen;
    s32Seen = -1;
    m_dialogs.pfnDuring = [](void *) { s32Seen = s32QueueState(); };
    vPost(CMD_SAVE_MSG);
    vPost(CMD_UNUSED_4);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(s32Seen, QUEUE_RUNNING);
    EXPECT_EQ(s32QueueState(), QUEUE_COUNTING_DOWN);
    vDropWaitingCommands(1);
    EXPECT_EQ(s32QueueState(), QUEUE_IDLE);
}

TEST_F(CommandQueueTest, PostDuringAnActionGoesBehindTheRunningCommand)
{
    LoadPanels();
    m_dialogs.pfnDuring = [](void *) { vPost(CMD_UNUSED_4); };
    vPost(CMD_SAVE_MSG);
    EXPECT_EQ(s32StepsUntilRun(), 7);
    EXPECT_EQ(gs32_CmdQueueRead, 1);
    EXPECT_EQ(gs32_CmdQueueWrite, 2);
    EXPECT_EQ(gst_CmdQueue[1].s32CmdId, CMD_UNUSED_4);
    EXPECT_EQ(gst_CmdQueue[1].s32Delay, 700);
}

using TimerTickTest = AppTest;

TEST_F(TimerTickTest, OnlyTimerTicksStepTheDispatcher)
{
    LoadPanels();
    vPost(CMD_UNUSED_4);
    for (int s32Event : {EVENT_COMMIT, EVENT_CLOSE, EVENT_KEYPRESS, EVENT_GOT_FOCUS})
        Receiver_Timer_Callback(MainPanel(), MAIN_TIMER, s32Event, nullptr, 0, 0);
    EXPECT_EQ(gst_CmdQueue[0].s32Delay, 700);
    Receiver_Timer_Callback(MainPanel(), MAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(gst_CmdQueue[0].s32Delay, 600);
}

TEST_F(TimerTickTest, TheTimerControlOfTheMainPanelDrivesTheQueue)
{
    LoadPanels();
    vPost(CMD_UNUSED_4);
    Ticks(6);
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    Ticks(1);
    EXPECT_EQ(gs32_CmdQueueRead, 1);
}

TEST_F(TimerTickTest, TickArrivingDuringARunningCommandDoesNothing)
{
    LoadPanels();
    m_dialogs.pfnDuring = [](void *) { vUiFireTimers(); };
    vPost(CMD_SAVE_MSG);
    vPost(CMD_UNUSED_4);
    Ticks(7);
    EXPECT_EQ(gs32_CmdQueueRead, 1);
    EXPECT_EQ(gst_CmdQueue[1].s32Delay, 700);
}

TEST_F(TimerTickTest, WaitingCommandHidesTheProgressPanelUntilShown)
{
    LoadPanels();
    DisplayPanel(gst_UiHandles.s32ProgressPanel);
    vPost(CMD_UNUSED_4);
    Ticks(1);
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
    EXPECT_FALSE(bProgressPanelShown());
}

TEST_F(TimerTickTest, EmptyQueueHidesTheShownProgressPanelOnce)
{
    LoadPanels();
    vPlaceProgressPanel(DISPATCH_RAN_WITH_PROGRESS, 0);
    Ticks(1);
    EXPECT_FALSE(bProgressPanelShown());
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
    DisplayPanel(gst_UiHandles.s32ProgressPanel);
    Ticks(1);
    EXPECT_TRUE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
}

TEST_F(TimerTickTest, ShownProgressPanelStaysThroughTheNextCountdown)
{
    LoadPanels();
    vPlaceProgressPanel(DISPATCH_RAN_WITH_PROGRESS, 0);
    vPost(CMD_UNUSED_4);
    Ticks(6);
    EXPECT_TRUE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
    EXPECT_TRUE(bProgressPanelShown());
}

} // namespace
