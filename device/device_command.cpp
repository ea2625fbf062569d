#include "device/device_command.h"

#include "device/monitor_detect.h"
#include "device/progress.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

stDeviceTally gst_DeviceTally;

namespace {

void vCount(const stDeviceCommand *pstCommand, int32_t s32Result)
{
    gst_DeviceTally.s32Run++;
    if (s32Result == 1) {
        if (gst_DeviceTally.s32PassedCount < DEVICE_TALLY_PASSED_MAX)
            gst_DeviceTally.pfnPassed[gst_DeviceTally.s32PassedCount++] = pstCommand->pfnOperation;
        return;
    }
    if (gst_DeviceTally.s32Failed++ == 0)
        vMsgCapturedReason(gst_DeviceTally.cFirstReason, sizeof(gst_DeviceTally.cFirstReason));
}

struct stTakenMonitor {
    bool bTaken;
    int32_t s32Record;     // -1: none
    uint32_t u32Handle;
};
stTakenMonitor gst_TakenMonitor = {false, -1, 0};

int32_t s32ListedMonitor(void)
{
    int s32Value = -1;
    if (GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, &s32Value) != 0)
        return -1;
    return s32Value >= 0 && s32Value < MONITOR_MAX ? s32Value : -1;
}

bool bPortSelectedOrSay(void)
{
    if (bIsOutputPortSelected())
        return true;
    vPrintMsg(" - Fail. Select PC output port first\n>");
    return false;
}

} // namespace

void vTakeSelectedMonitor(void)
{
    stTakenMonitor *pstTaken = &gst_TakenMonitor;
    pstTaken->bTaken = false;
    pstTaken->s32Record = bIsOutputPortSelected() ? s32ListedMonitor() : -1;
    pstTaken->u32Handle =
        pstTaken->s32Record >= 0 ? gst_MonitorInfo[pstTaken->s32Record].u32DisplayHandle : 0;
    pstTaken->bTaken = true;
}

void vReleaseSelectedMonitor(void) { gst_TakenMonitor.bTaken = false; }

void vCountRefusedCommand(void) { vCount(nullptr, 0); }

void vResetDeviceTally(void)
{
    gst_DeviceTally.s32Run = 0;
    gst_DeviceTally.s32Failed = 0;
    gst_DeviceTally.cFirstReason[0] = '\0';
    gst_DeviceTally.s32PassedCount = 0;
}

bool bDeviceTallyPassed(DeviceOperation pfnOperation)
{
    for (int32_t i = 0; i < gst_DeviceTally.s32PassedCount; i++) {
        if (gst_DeviceTally.pfnPassed[i] == pfnOperation)
            return true;
    }
    return false;
}

int32_t bIsOutputPortSelected(void)
{
    // A taken display that a detection has since replaced must be
    // selected again.
    if (gst_TakenMonitor.bTaken)
        return s32SelectedMonitor() >= 0 ? 1 : 0;
    int s32Index = -1;
    GetCtrlIndex(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, &s32Index);
    return s32Index != -1 ? 1 : 0;
}

int32_t s32SelectedMonitor(void)
{
    const stTakenMonitor *pstTaken = &gst_TakenMonitor;
    if (!pstTaken->bTaken)
        return s32ListedMonitor();
    if (pstTaken->s32Record < 0 ||
        gst_MonitorInfo[pstTaken->s32Record].u32DisplayHandle != pstTaken->u32Handle)
        return -1;
    return pstTaken->s32Record;
}

int32_t s32RunDeviceCommand(const stDeviceCommand *pstCommand)
{
    vPrintMsg("%s", pstCommand->pcHeading);
    vMsgCaptureBegin();
    if (pstCommand->pfnPreCheck && !pstCommand->pfnPreCheck()) {
        vCount(pstCommand, 0);
        return 0;
    }
    if (!bPortSelectedOrSay()) {
        vCount(pstCommand, 0);
        return 0;
    }
    vShowProgress(pstCommand->pcOpenCaption, 0);
    int32_t s32Result = pstCommand->pfnOperation(PKG_TYPE_OTHER);
    vPrintMsg(s32Result == 1 ? " - Pass\n>" : " - Fail\n>");
    vCount(pstCommand, s32Result);
    vShowProgress(pstCommand->pcCloseCaption, 100);
    return 1;
}

bool bDeviceCommandReady(const stDeviceCommand *pstCommand)
{
    vMsgHoldBegin();
    bool bChecked = !pstCommand->pfnPreCheck || pstCommand->pfnPreCheck();
    bool bReady = bChecked && bPortSelectedOrSay() &&
                  (!pstCommand->pfnReady || pstCommand->pfnReady());
    if (bReady) {
        vMsgHoldDrop();
        return true;
    }
    vMsgCaptureBegin();
    vMsgHoldPrintAfter(pstCommand->pcHeading);
    // As the command prints it: a failed package or port check is its own
    // verdict.
    if (bChecked && bIsOutputPortSelected())
        vPrintMsg(" - Fail\n>");
    vCount(pstCommand, 0);
    return false;
}
