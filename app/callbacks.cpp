#include "app/callbacks.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "device/device_command.h"
#include "device/edid_write.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

namespace {

void vPost(int32_t s32CmdId)
{
    vPostCommand(s32CmdId, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
}

bool bIsFunctionBox(int32_t s32Control)
{
    return s32Control == MAIN_FUNC_VERIFY || s32Control == MAIN_FUNC_RECEIVE ||
           s32Control == MAIN_FUNC_ERASE || s32Control == MAIN_FUNC_PROGRAM ||
           s32Control == MAIN_FUNC_SHOW_PKG;
}

int s32PostOnCommit(int s32Event, int32_t s32CmdId)
{
    if (s32Event == EVENT_COMMIT)
        vPost(s32CmdId);
    return 0;
}

} // namespace

void vGetMainFunctionCB(int32_t s32Control, int32_t *ps32Value)
{
    int s32Value = 0;
    if (bIsFunctionBox(s32Control))
        GetCtrlVal(gst_UiHandles.s32MainPanel, s32Control, &s32Value);
    *ps32Value = s32Value;
}

void vSetMainFunctionCB(int32_t s32Control, int32_t s32Value)
{
    if (bIsFunctionBox(s32Control))
        SetCtrlVal(gst_UiHandles.s32MainPanel, s32Control, s32Value & 1);
}

void vGetMainDeviceSaveTypeCB(int32_t s32Control, int32_t *ps32Value)
{
    int s32Value = 0;
    if (s32Control == MAIN_SAVE_BIN || s32Control == MAIN_SAVE_TXT)
        GetCtrlVal(gst_UiHandles.s32MainPanel, s32Control, &s32Value);
    *ps32Value = s32Value;
}

void vSetMainDeviceSaveTypeCB(int32_t, int32_t s32Mask)
{
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_SAVE_BIN, s32Mask & 1);
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_SAVE_TXT, (s32Mask >> 1) & 1);
}

#define START_COMMANDS_MAX 8

namespace {

// The commands of a Start in the order they run. The checks go before
// the erase when a package command follows it: nothing is erased for a
// Start that cannot be programmed or verified.
int32_t s32StartCommands(const stStartFunctions *pstFunctions, int32_t *ps32Ids)
{
    const stStartFunctions &f = *pstFunctions;
    int32_t n = 0;
    if (f.s32Verify + f.s32Program != 0)
        ps32Ids[n++] = CMD_CHECK_PKG_EXIST;
    if (f.s32Erase && f.s32Verify + f.s32Program != 0)
        ps32Ids[n++] = CMD_CHECK_START;
    if (f.s32Erase)
        ps32Ids[n++] = CMD_ERASE;
    if (f.s32Receive)
        ps32Ids[n++] = CMD_RECEIVE;
    if (f.s32Program) {
        ps32Ids[n++] = CMD_READ_PKG;
        ps32Ids[n++] = CMD_PROGRAM;
    }
    if (f.s32Verify) {
        if (!f.s32Program)
            ps32Ids[n++] = CMD_READ_PKG;
        if (!f.s32Receive)
            ps32Ids[n++] = CMD_RECEIVE;
        ps32Ids[n++] = CMD_VERIFY;
    }
    if (f.s32ShowPkg)
        ps32Ids[n++] = CMD_SHOW_PKG;
    return n;
}

// The checks each command of a Start makes before it touches the bus.
bool bCommandReady(int32_t s32CmdId)
{
    switch (s32CmdId) {
    case CMD_ERASE:
        return bEraseCommandReady();
    case CMD_READ_PKG:
        // No device command, but its refusal fails the Start as one would.
        vMsgCaptureBegin();
        if (bReadPkgReady())
            return true;
        vCountRefusedCommand();
        return false;
    case CMD_PROGRAM:
        return bProgramCommandReady();
    case CMD_VERIFY:
        return bVerifyCommandReady();
    default:
        return true;
    }
}

// What would change a Start's display or port while its commands run.
// The main panel's choices a run holds while its commands run, a Start's
// target (its display, port and package) first.
const int32_t gs32_HeldChoices[] = {MAIN_PORT_LIST,  MAIN_MONITOR_LIST, MAIN_REFRESH_BTN,
                                    MAIN_PKG_BROWSE, MAIN_DDC_SPEED,    MAIN_FUNC_ERASE,
                                    MAIN_PRODUCTION_BTN};
const size_t START_TARGET_CHOICES = 4;

int32_t gb_TargetHeld = 0;

} // namespace

void vPostStartSequence(const stStartFunctions *pstFunctions)
{
    int32_t s32Ids[START_COMMANDS_MAX];
    int32_t s32Count = s32StartCommands(pstFunctions, s32Ids);
    for (int32_t i = 0; i < s32Count; i++) {
        if (s32Ids[i] == CMD_CHECK_START)
            vPostCommand(CMD_CHECK_START, s32Count - 1 - i, CMD_DELAY_STEP, CMD_POST_RESERVED);
        else
            vPost(s32Ids[i]);
    }
}

int32_t s32CheckStartAction(void)
{
    int32_t s32Count = s32RunningCommandParam();
    for (int32_t i = 0; i < s32Count; i++) {
        if (!bCommandReady(s32WaitingCommandAt(i))) {
            vDropWaitingCommands(s32Count);
            break;
        }
    }
    return 0;
}

void vHoldStartTarget(int32_t bHold)
{
    if (bHold) {
        vTakeSelectedMonitor();
        vTakeSelectedPort();
    } else {
        vReleaseSelectedMonitor();
        vReleaseSelectedPort();
    }
    vDimHeldChoices(HOLD_START_TARGET, bHold);
    gb_TargetHeld = bHold;
}

void vDimHeldChoices(int32_t s32Scope, int32_t bDim)
{
    size_t count = s32Scope == HOLD_START_TARGET
                       ? START_TARGET_CHOICES
                       : sizeof(gs32_HeldChoices) / sizeof(gs32_HeldChoices[0]);
    for (size_t i = 0; i < count; i++)
        SetCtrlAttribute(gst_UiHandles.s32MainPanel, gs32_HeldChoices[i], ATTR_DIMMED, bDim);
}

void vStartTick(int32_t bBusy)
{
    if (gb_TargetHeld && !bBusy)
        vHoldStartTarget(0);
}

void vGetStartFunctions(stStartFunctions *pstFunctions)
{
    vGetMainFunctionCB(MAIN_FUNC_ERASE, &pstFunctions->s32Erase);
    vGetMainFunctionCB(MAIN_FUNC_VERIFY, &pstFunctions->s32Verify);
    vGetMainFunctionCB(MAIN_FUNC_PROGRAM, &pstFunctions->s32Program);
    vGetMainFunctionCB(MAIN_FUNC_RECEIVE, &pstFunctions->s32Receive);
    vGetMainFunctionCB(MAIN_FUNC_SHOW_PKG, &pstFunctions->s32ShowPkg);
}

int StartBTNCallback(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    stStartFunctions stFunctions;
    vGetStartFunctions(&stFunctions);
    int32_t s32Waiting = s32WaitingCommandCount();
    vPostStartSequence(&stFunctions);
    // A second Start while one runs works on the same display and port.
    if (s32WaitingCommandCount() > s32Waiting && !gb_TargetHeld)
        vHoldStartTarget(1);
    return 0;
}

int BurnIOSELCallback(int, int control, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (control == MAIN_SAVE_BIN) {
        vSetMainDeviceSaveTypeCB(MAIN_SAVE_BIN, 1);
    } else if (control == MAIN_SAVE_TXT) {
        vSetMainDeviceSaveTypeCB(MAIN_SAVE_TXT, 2);
    } else if (bIsFunctionBox(control)) {
        int32_t s32Value = 0;
        vGetMainFunctionCB(control, &s32Value);
        vSetMainFunctionCB(control, s32Value);
    }
    return 0;
}

int Clear_Msg_Callback(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        ResetTextBox(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, "");
    return 0;
}

int Save_Msg_Callback(int, int, int event, void *, int, int)
{
    return s32PostOnCommit(event, CMD_SAVE_MSG);
}

int DirectRecieveEdidCallback(int, int, int event, void *, int, int)
{
    return s32PostOnCommit(event, CMD_RECEIVE_BY_PAGE);
}

int DirectSendEdidCallback(int, int, int event, void *, int, int)
{
    return s32PostOnCommit(event, CMD_PROGRAM_BY_PAGE);
}

int SaveDeviceEdidCallback(int, int, int event, void *, int, int)
{
    return s32PostOnCommit(event, CMD_SAVE_EDID);
}

int RefreshMonitorCallback(int, int, int event, void *, int, int)
{
    return s32PostOnCommit(event, CMD_REFRESH_MONITOR);
}

int DdcI2cSpeedCallback(int, int, int event, void *, int, int)
{
    return s32PostOnCommit(event, CMD_SET_DDC_SPEED);
}
