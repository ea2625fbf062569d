// The command ring and its dispatcher: every piece of work is a numbered
// command, run one at a time from the main panel's timer.
#ifndef CMD_QUEUE_H
#define CMD_QUEUE_H

#include "ui/params.h"

#include <stdint.h>

enum {
    CMD_CHECK_PKG_EXIST = 1,
    CMD_READ_PKG = 2,
    CMD_SHOW_PKG = 3,
    CMD_UNUSED_4 = 4,
    CMD_CHECK_PKG_INFO = 5,
    CMD_RECEIVE_BY_PAGE = 6,
    CMD_PROGRAM_BY_PAGE = 7,
    CMD_RECEIVE = 8,
    CMD_PROGRAM = 9,
    CMD_VERIFY = 10,
    CMD_ERASE = 11,
    CMD_INIT_DDC = 12,
    CMD_SHOW_VERSION = 13,
    CMD_REFRESH_MONITOR = 14,
    CMD_SAVE_MSG = 15,
    CMD_SAVE_EDID = 16,
    CMD_SET_DDC_SPEED = 17,
    // The production mode's unit: the next port's heading and target, and
    // the unit's record and result.
    CMD_UNIT_PORT = 18,
    CMD_UNIT_END = 19,
    // The checks of a Start's commands, before the first of them writes;
    // its s32Param is the number of the Start's commands posted behind it.
    CMD_CHECK_START = 20,
    CMD_FIRST = CMD_CHECK_PKG_EXIST,
    CMD_LAST = CMD_CHECK_START,
};

struct stCmdQueueItem {
    int32_t s32CmdId;
    int32_t s32Param;
    int32_t s32Delay;
    int32_t s32Reserved;
};

extern stCmdQueueItem gst_CmdQueue[CMD_QUEUE_SIZE];
extern int32_t gs32_CmdQueueWrite;
extern int32_t gs32_CmdQueueRead;

// The dispatcher: idle with an empty ring, counting down while the head
// command waits, running while a command's action runs (callbacks then run
// from its pumps).
enum { QUEUE_IDLE = 0, QUEUE_COUNTING_DOWN = 1, QUEUE_RUNNING = 2 };
int32_t s32QueueState(void);
bool bCommandRunning(void);

// Stores a command behind the waiting ones. A post that would fill the ring
// (63 already waiting) is dropped, so the waiting commands are kept.
void vPostCommand(int32_t s32CmdId, int32_t s32Param, int32_t s32Delay, int32_t s32Reserved);
void vClearCommandQueue(void);
// Commands in the ring that have not started (the running one not counted).
int32_t s32WaitingCommandCount(void);
// The s32Param of the running command, 0 when the ring was emptied under it.
int32_t s32RunningCommandParam(void);
// The number of the waiting command at this place (0 first), 0 when none.
int32_t s32WaitingCommandAt(int32_t s32Place);
// Removes the first s32Count waiting commands; those behind them move up.
void vDropWaitingCommands(int32_t s32Count);
// What one dispatcher step did: found the ring empty, took a step off the
// head command's countdown, or ran it (its action said whether it used the
// progress panel).
enum {
    DISPATCH_EMPTY = 0,
    DISPATCH_COUNTED_DOWN = 1,
    DISPATCH_RAN = 2,
    DISPATCH_RAN_WITH_PROGRESS = 3,
};
int32_t s32DispatchCommand(void);
// The progress panel after a step: a command that used it shows it, and it
// stays through the countdowns behind it until a command runs without it or
// the ring is empty; a countdown hides a panel the dispatcher did not show.
// bUsedEarlier: a command of the same tick used it before this step.
void vPlaceProgressPanel(int32_t s32Step, int32_t bUsedEarlier);
bool bProgressPanelShown(void);
// The ring emptied and the dispatcher idle, as at start.
void vResetCommandQueue(void);
// Close box of the progress panel: drops the waiting commands; the running
// one goes on and the panel stays until the dispatcher hides it.
int ProgressQuitCallback(int panel, int event, void *callbackData, int eventData1, int eventData2);
int Receiver_Timer_Callback(int panel, int control, int event, void *callbackData, int eventData1,
                            int eventData2);

// Runs the action of one command; returns its progress-used flag. A number
// without an action runs nothing and gives 0.
int32_t s32RunCommandAction(int32_t s32CmdId);

#endif
