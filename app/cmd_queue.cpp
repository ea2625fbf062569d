#include "app/cmd_queue.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/edid_view.h"
#include "app/production.h"
#include "device/edid_bus.h"
#include "device/progress.h"
#include "platform/userint/userint.h"

#include <string.h>

stCmdQueueItem gst_CmdQueue[CMD_QUEUE_SIZE];
int32_t gs32_CmdQueueWrite = 0;
int32_t gs32_CmdQueueRead = 0;

namespace {
int32_t gs32_State = QUEUE_IDLE;
// While a command runs its record stays at the head until a clear removes
// it, so the dispatcher knows whether the ring was emptied under it.
int32_t gb_RunningInRing = 0;
int32_t gb_ProgressShown = 0;
int32_t gb_TickRunning = 0;

bool bRingEmpty(void) { return gs32_CmdQueueWrite == gs32_CmdQueueRead; }

// Outside a command's action, the ring alone says whether a countdown goes on.
void vSettleState(void)
{
    if (gs32_State != QUEUE_RUNNING)
        gs32_State = bRingEmpty() ? QUEUE_IDLE : QUEUE_COUNTING_DOWN;
}

bool bRunningRecordAtHead(void) { return gs32_State == QUEUE_RUNNING && gb_RunningInRing; }

} // namespace

int32_t s32QueueState(void) { return gs32_State; }

bool bCommandRunning(void) { return gs32_State == QUEUE_RUNNING; }

bool bProgressPanelShown(void) { return gb_ProgressShown; }

void vPostCommand(int32_t s32CmdId, int32_t s32Param, int32_t s32Delay, int32_t s32Reserved)
{
    int32_t s32Next = (gs32_CmdQueueWrite + 1) & CMD_QUEUE_MASK;
    if (s32Next == gs32_CmdQueueRead)
        return;
    stCmdQueueItem *pstItem = &gst_CmdQueue[gs32_CmdQueueWrite];
    pstItem->s32CmdId = s32CmdId;
    pstItem->s32Param = s32Param;
    pstItem->s32Delay = s32Delay;
    pstItem->s32Reserved = s32Reserved;
    gs32_CmdQueueWrite = s32Next;
    vSettleState();
}

void vClearCommandQueue(void)
{
    memset(gst_CmdQueue, 0, sizeof(gst_CmdQueue));
    gs32_CmdQueueWrite = 0;
    gs32_CmdQueueRead = 0;
    gb_RunningInRing = 0;
    vSettleState();
}

void vResetCommandQueue(void)
{
    gs32_State = QUEUE_IDLE;
    gb_ProgressShown = 0;
    vClearCommandQueue();
}

int32_t s32WaitingCommandCount(void)
{
    int32_t s32InRing = (gs32_CmdQueueWrite - gs32_CmdQueueRead) & CMD_QUEUE_MASK;
    return s32InRing - (bRunningRecordAtHead() ? 1 : 0);
}

namespace {

// Ring slot of the waiting command at this place.
int32_t s32WaitingSlot(int32_t s32Place)
{
    int32_t s32First = gs32_CmdQueueRead + (bRunningRecordAtHead() ? 1 : 0);
    return (s32First + s32Place) & CMD_QUEUE_MASK;
}

} // namespace

int32_t s32RunningCommandParam(void)
{
    if (!bRunningRecordAtHead())
        return 0;
    return gst_CmdQueue[gs32_CmdQueueRead].s32Param;
}

int32_t s32WaitingCommandAt(int32_t s32Place)
{
    if (s32Place < 0 || s32Place >= s32WaitingCommandCount())
        return 0;
    return gst_CmdQueue[s32WaitingSlot(s32Place)].s32CmdId;
}

void vDropWaitingCommands(int32_t s32Count)
{
    int32_t s32Waiting = s32WaitingCommandCount();
    if (s32Count > s32Waiting)
        s32Count = s32Waiting;
    if (s32Count <= 0)
        return;
    for (int32_t s32Place = 0; s32Place + s32Count < s32Waiting; s32Place++)
        gst_CmdQueue[s32WaitingSlot(s32Place)] = gst_CmdQueue[s32WaitingSlot(s32Place + s32Count)];
    gs32_CmdQueueWrite = (gs32_CmdQueueWrite - s32Count) & CMD_QUEUE_MASK;
    vSettleState();
}

int32_t s32DispatchCommand(void)
{
    if (bRingEmpty())
        return DISPATCH_EMPTY;
    stCmdQueueItem *pstHead = &gst_CmdQueue[gs32_CmdQueueRead];
    // Fast writes skip the countdown: the head runs at this step.
    if (!gs32_FastWrites && pstHead->s32Delay > CMD_DELAY_STEP) {
        pstHead->s32Delay -= CMD_DELAY_STEP;
        return DISPATCH_COUNTED_DOWN;
    }
    gs32_State = QUEUE_RUNNING;
    gb_RunningInRing = 1;
    int32_t s32ProgressUsed = s32RunCommandAction(pstHead->s32CmdId);
    if (bRingEmpty())
        vClearCommandQueue();
    else if (gb_RunningInRing)
        gs32_CmdQueueRead = (gs32_CmdQueueRead + 1) & CMD_QUEUE_MASK;
    // Otherwise the ring was emptied under the running command and a post
    // followed: the running record is gone, the new one is at the head.
    gs32_State = QUEUE_IDLE;
    gb_RunningInRing = 0;
    vSettleState();
    return s32ProgressUsed ? DISPATCH_RAN_WITH_PROGRESS : DISPATCH_RAN;
}

void vPlaceProgressPanel(int32_t s32Step, int32_t bUsedEarlier)
{
    // The action itself put the panel up.
    if (bUsedEarlier)
        gb_ProgressShown = 1;
    if (s32Step == DISPATCH_RAN_WITH_PROGRESS) {
        if (!gb_ProgressShown) {
            gb_ProgressShown = 1;
            vShowProgressPanel();
        }
    } else if (s32Step == DISPATCH_COUNTED_DOWN) {
        if (!gb_ProgressShown)
            vHideProgressPanel();
    } else if (gb_ProgressShown) {
        gb_ProgressShown = 0;
        vHideProgressPanel();
    }
}

int Receiver_Timer_Callback(int, int, int event, void *, int, int)
{
    if (event != EVENT_TIMER_TICK)
        return 0;
    // An action that pumps events can let the next tick in.
    if (gb_TickRunning)
        return 0;
    gb_TickRunning = 1;
    int32_t s32Step = s32DispatchCommand();
    vFinishPendingQuit();
    // Fast writes: the commands of a Start follow one another at once (each
    // pumps the events while it runs); a quit still ends them. A panel an
    // earlier command showed is hidden once the ring is empty.
    int32_t bUsedEarlier = 0;
    while (gs32_FastWrites && s32WaitingCommandCount() > 0 && gs32_QuitState == QUIT_NONE) {
        bUsedEarlier |= s32Step == DISPATCH_RAN_WITH_PROGRESS;
        s32Step = s32DispatchCommand();
        vFinishPendingQuit();
    }
    vRefreshPortIdentity();
    vStartTick(s32WaitingCommandCount() > 0);
    vProductionTick(s32WaitingCommandCount() > 0);
    vPlaceProgressPanel(s32Step, bUsedEarlier);
    ProcessDrawEvents();
    ProcessSystemEvents();
    gb_TickRunning = 0;
    return 0;
}

int ProgressQuitCallback(int panel, int event, void *, int, int)
{
    if (event != EVENT_CLOSE || panel != gst_UiHandles.s32ProgressPanel)
        return 0;
    int32_t s32Waiting = s32WaitingCommandCount();
    vClearCommandQueue();
    if (bCommandRunning())
        vTellDroppedCommands(s32Waiting);
    return 0;
}
