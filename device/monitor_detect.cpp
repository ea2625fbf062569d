#include "device/monitor_detect.h"

#include "device/ddc_remedy.h"
#include "device/edid_bus.h"
#include "device/progress.h"
#include "files/msg_log.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdio.h>
#include <string.h>

#define DETECT_PROGRESS_TEXT "Getting monitor information ..."

stMonitorInfo gst_MonitorInfo[MONITOR_MAX];
uint8_t gu8_MonitorNum = 0;

namespace {

// The identifier comes from the display: only letters, digits, '-' and '_'
// may reach a file name.
void vFileSafeId(const char *pcId, char *pcOut, size_t size)
{
    size_t i = 0;
    for (; pcId[i] && i + 1 < size; i++) {
        char c = pcId[i];
        bool bSafe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '_';
        pcOut[i] = bSafe ? c : '_';
    }
    pcOut[i] = '\0';
}

// Reads the extension blocks after block 0; 0, or the code of the block
// that failed (the blocks after it are not read).
uint32_t u32ReadExtensions(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Blocks)
{
    if (u32Blocks == 0)
        return 0;
    uint32_t u32Result = 0;
    vRawReadBlock0(u32Handle, pu8Buf);
    return s32ChainedBlockRead(u32Handle, pu8Buf, u32Blocks, nullptr, nullptr, &u32Result) < 0
               ? 0
               : u32Result;
}

// The memory's declared addressing, where it is not the one-byte memory's,
// and whether the display's bus reaches past byte 255.
void vPrintAddressing(uint32_t u32Handle)
{
    const char *pcWords = pcAddressingWords(u32MemoryAddressing(u32Handle));
    if (!pcWords)
        return;
    vPrintMsg("      Memory : %s \n>", pcWords);
    uint32_t u32Why = u32ReachWhy(u32Handle);
    if (u32Why)
        vPrintMsg("      Reach : Fail, past byte 255: %s, Error Code = 0x%X \n>",
                  pcReachWhyWords(u32Why), DDC_ERR_CANNOT_REACH);
}

// Reads one answering display into record u8Index; false ends the detection.
// A failed extension block is reported on the display's status line and in
// *pu32ExtFault; the display is still listed, but its incomplete copy is
// saved to no file.
bool bDetectDisplay(uint8_t u8Index, uint32_t u32Handle, int32_t s32Output, int s32ShowData,
                    uint32_t *pu32ExtFault)
{
    stMonitorInfo *pstRec = &gst_MonitorInfo[u8Index];
    vPrintMsg(" - Monitor %d : \n>", u8Index + 1);
    pstRec->u32DisplayHandle = u32Handle;
    pstRec->s32Output = s32Output;
    pstRec->u8Complete = 0;
    uint32_t u32Result = ReadEDID(u32Handle, pstRec->u8EdidBuf);
    if (u32Result == DDC_ERR_INVALID_EDID) {
        vRawReadBlock0(u32Handle, pstRec->u8EdidBuf);
    } else if (bIsDdcError(u32Result)) {
        vPrintMsg("      Status : Fail, Error Code = 0x%X \n>", u32Result);
        return false;
    }
    uint32_t u32Ext = pstRec->u8EdidBuf[EDID_EXT_COUNT];
    uint32_t u32Blocks = u32ExtensionsToRead(u32Handle, u32Ext);
    uint32_t u32ExtResult = u32ReadExtensions(u32Handle, pstRec->u8EdidBuf, u32Blocks);
    pstRec->u8Complete = u32ExtResult == 0 ? 1 : 0;
    if (u32ExtResult) {
        vPrintMsg("      Status : Fail, Error Code = 0x%X \n>", u32ExtResult);
        if (!*pu32ExtFault)
            *pu32ExtFault = u32ExtResult;
    } else if (u32Result == DDC_ERR_INVALID_EDID) {
        vPrintMsg("      Status : Invalid EDID, Error Code = 0x%X \n>", u32Result);
    } else {
        vPrintMsg("      Status : Pass \n>");
    }
    if (bIsDdcError(GetEDIDOption(pstRec->u8EdidBuf, 1, pstRec->u8str_MonitorId,
                                  sizeof(pstRec->u8str_MonitorId))))
        return false;
    pstRec->u8str_MonitorId[MONITOR_ID_SIZE - 1] = '\0';
    vShowProgress(DETECT_PROGRESS_TEXT, u8Index * 100 / MONITOR_MAX);
    Sleep(DETECT_PAUSE_MS);
    if (s32ShowData == 1) {
        vPrintDataBlockHead("    Displaying Monitor Information\n>", pstRec->u8str_MonitorId,
                            (int32_t)(u32Ext + 1) * EDID_BLOCK_SIZE);
        for (uint32_t k = 0; k < (u32Blocks + 1) * EDID_BLOCK_SIZE; k++) {
            vPrintDataByte(pstRec->u8EdidBuf[k], k);
            vPumpEvents();
        }
    }
    vPrintMsg("      PNP ID : %s \n>", pstRec->u8str_MonitorId);
    vPrintMsg("      Output : %d \n>", (int)s32Output);
    uint32_t u32Flags = 0;
    if (GetOutputInfo(u32Handle, DDC_INFO_FLAGS, &u32Flags) == 0 &&
        (u32Flags & DDC_OUTPUT_NON_DISPLAY_BUS))
        vPrintMsg("      Warning : not a display's bus; used only because its description allows "
                  "it \n>");
    vPrintAddressing(u32Handle);
    // A two-block or segment memory reaches four blocks: an EDID declaring
    // more was not read whole, and gets no file.
    if (!u32ExtResult && (u32Blocks == u32Ext || u32Ext >= MONITOR_EDID_BLOCKS))
        vSaveMonitorEdid(u8Index);
    char cLabel[MONITOR_ID_SIZE];
    snprintf(cLabel, sizeof(cLabel), "%s", pstRec->u8str_MonitorId);
    InsertListItem(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, u8Index, cLabel, u8Index);
    return true;
}

// The table is full: the outputs after u32Handle are only asked whether a
// display answers, and those that do are counted in one line.
void vReportLeftOut(uint32_t u32Handle)
{
    uint32_t u32LeftOut = 0;
    while (EnumGetNext(&u32Handle) == 0)
        u32LeftOut += TestAddr(u32Handle, EDID_BUS_ADDR) == 0 ? 1 : 0;
    if (u32LeftOut == 1)
        vPrintMsg(" - 1 more answering output was left out: the list holds %d displays\n>",
                  MONITOR_MAX);
    else if (u32LeftOut > 1)
        vPrintMsg(" - %u more answering outputs were left out: the list holds %d displays\n>",
                  u32LeftOut, MONITOR_MAX);
}

} // namespace

int32_t s32DetectMonitor(void)
{
    int s32ShowData = 0;
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_FUNC_SHOW_DATA, &s32ShowData);
    uint32_t u32Handle = 0;
    uint32_t u32Result = EnumGetFirst(&u32Handle);
    if (u32Result != 0)
        return (int32_t)u32Result;
    ClearListCtrl(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST);
    uint8_t u8Count = 0;
    uint32_t u32ExtFault = 0;
    int32_t s32Output = 0;
    do {
        s32Output++;
        if (TestAddr(u32Handle, EDID_BUS_ADDR) == 0) {
            if (!bDetectDisplay(u8Count, u32Handle, s32Output, s32ShowData, &u32ExtFault))
                break;
            u8Count++;
        }
        vPumpEvents();
        if (u8Count == MONITOR_MAX) {
            vReportLeftOut(u32Handle);
            break;
        }
    } while (EnumGetNext(&u32Handle) == 0);
    gu8_MonitorNum = u8Count;
    // An incomplete read is no pass, though the display stays listed.
    return (int32_t)u32ExtFault;
}

int32_t s32MonitorOnOutput(int32_t s32Output)
{
    for (int32_t i = 0; i < gu8_MonitorNum && i < MONITOR_MAX; i++)
        if (gst_MonitorInfo[i].s32Output == s32Output)
            return i;
    return -1;
}

void vSaveMonitorEdid(uint8_t u8Index)
{
    if (u8Index >= MONITOR_MAX)
        return;
    const stMonitorInfo *pstRec = &gst_MonitorInfo[u8Index];
    char cDir[TEXT_BUF_SIZE];
    GetProjectDir(cDir, sizeof(cDir));
    char cFolder[TEXT_BUF_SIZE];
    int s32Len = snprintf(cFolder, sizeof(cFolder), "%s" UI_PATH_SEP "MonitorEDID", cDir);
    if (s32Len < 0 || (size_t)s32Len >= sizeof(cFolder))
        return;
    // A folder that cannot be made is told by the write below.
    MakeDir(cFolder);
    char cId[MONITOR_ID_SIZE];
    vFileSafeId(pstRec->u8str_MonitorId, cId, sizeof(cId));
    char cPath[TEXT_BUF_SIZE];
    s32Len = snprintf(cPath, sizeof(cPath), "%s" UI_PATH_SEP "Monitor_%d_%s.bin", cFolder,
                      u8Index + 1, cId);
    if (s32Len < 0 || (size_t)s32Len >= sizeof(cPath))
        return;
    uint32_t u32Size = (pstRec->u8EdidBuf[EDID_EXT_COUNT] + 1u) * EDID_BLOCK_SIZE;
    if (u32Size > MONITOR_EDID_SIZE)
        return;
    if (ArrayToOwnFile(cPath, pstRec->u8EdidBuf, u32Size) != UIE_NO_ERROR) {
        char cWhy[TEXT_BUF_SIZE];
        GetFileError(cWhy, sizeof(cWhy));
        vPrintMsg("      File : Fail, %s \n>", cWhy);
    }
}

int32_t s32RefreshMonitorAction(void)
{
    vPrintMsg("Refreshing monitor information ...\n>");
    vShowProgress(DETECT_PROGRESS_TEXT, 0);
    int32_t s32Status = s32DetectMonitor();
    // Every non-zero status is a failure, whatever its lowest bit.
    if (s32Status != 0) {
        vPrintMsg(" - Faill, Error Code = 0x%X \n>", (uint32_t)s32Status);
        vPrintMsg(" - Click \"Refresh\" botton again ...\n>");
    } else {
        vPrintMsg(" - Pass\n>");
    }
    vPrintDdcRemedy(s32Status);
    vShowProgress(DETECT_PROGRESS_TEXT, 100);
    vPrintMsg("\n>");
    return 1;
}
