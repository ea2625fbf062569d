// The action of each command number.
#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "app/production.h"
#include "device/ddc_start.h"
#include "device/edid_files.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/settings.h"

#include <stddef.h>

namespace {

typedef int32_t (*CmdAction)(void);

struct stCmdAction {
    int32_t s32CmdId;
    CmdAction pfnAction;
};

const stCmdAction gst_CmdActions[] = {
    {CMD_CHECK_PKG_EXIST, s32CheckPkgExistAction},
    {CMD_READ_PKG, s32ReadPkgAction},
    {CMD_CHECK_PKG_INFO, s32CheckPkgInfoAction},
    {CMD_SHOW_PKG, s32ShowPkgAction},
    {CMD_PROGRAM_BY_PAGE, s32ProgramByPageAction},
    {CMD_PROGRAM, s32ProgramAction},
    {CMD_VERIFY, s32VerifyAction},
    {CMD_ERASE, s32EraseAction},
    {CMD_RECEIVE_BY_PAGE, s32ReceiveByPageAction},
    {CMD_RECEIVE, s32ReceiveAction},
    {CMD_INIT_DDC, s32InitDdcAction},
    {CMD_REFRESH_MONITOR, s32RefreshMonitorAction},
    {CMD_SHOW_VERSION, s32ShowVersionAction},
    {CMD_SAVE_MSG, s32SaveMsgToFile},
    {CMD_SAVE_EDID, s32SaveDeviceEdid},
    {CMD_SET_DDC_SPEED, s32SetDdcSpeedAction},
    {CMD_UNIT_PORT, s32UnitPortAction},
    {CMD_UNIT_END, s32UnitEndAction},
    {CMD_CHECK_START, s32CheckStartAction},
};

} // namespace

int32_t s32RunCommandAction(int32_t s32CmdId)
{
    for (size_t i = 0; i < sizeof(gst_CmdActions) / sizeof(gst_CmdActions[0]); i++) {
        if (gst_CmdActions[i].s32CmdId == s32CmdId)
            return gst_CmdActions[i].pfnAction();
    }
    return 0;
}
