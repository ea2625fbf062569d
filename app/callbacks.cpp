#include "app/callbacks.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
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

void vPostStartSequence(const stStartFunctions *pstFunctions)
{
    const stStartFunctions &f = *pstFunctions;
    if (f.s32Verify + f.s32Program != 0)
        vPost(CMD_CHECK_PKG_EXIST);
    if (f.s32Erase)
        vPost(CMD_ERASE);
    if (f.s32Receive)
        vPost(CMD_RECEIVE);
    if (f.s32Program) {
        vPost(CMD_READ_PKG);
        vPost(CMD_PROGRAM);
    }
    if (f.s32Verify) {
        if (!f.s32Program)
            vPost(CMD_READ_PKG);
        if (!f.s32Receive)
            vPost(CMD_RECEIVE);
        vPost(CMD_VERIFY);
    }
    if (f.s32ShowPkg)
        vPost(CMD_SHOW_PKG);
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
    vPostStartSequence(&stFunctions);
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
