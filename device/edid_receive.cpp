#include "device/edid_receive.h"

#include "device/device_command.h"
#include "device/edid_bus.h"
#include "device/monitor_detect.h"
#include "device/progress.h"
#include "files/msg_log.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <string.h>

#define RECEIVE_TEXT "Receiving EDID ..."

stReceivedEdid gst_ReceivedEdid[MONITOR_MAX];
uint8_t gu8_EdidPageNum = 1;

namespace {

// The pauses of the running receive.
stPacer gst_ReceivePacer;

void vStep(int32_t s32Percent) { vProgressStep(&gst_ReceivePacer, RECEIVE_TEXT, s32Percent); }

void vBeforePage(uint32_t u32Page, uint32_t u32Count) { vStep(30 + (int32_t)(u32Page * 50 / u32Count)); }

void vAfterPage(uint32_t, uint32_t) { vPumpEvents(); }

// ReadEDID with its result handled; false after a failure other than an
// invalid EDID.
bool bReadBaseBlock(uint32_t u32Handle, uint8_t *pu8Buf)
{
    uint32_t u32Result = ReadEDID(u32Handle, pu8Buf);
    if (u32Result == DDC_ERR_INVALID_EDID) {
        vRawReadBlock0(u32Handle, pu8Buf);
        vPrintMsg(" - Invalid EDID, Error Code = 0x%X \n>", u32Result);
    } else if (bIsDdcError(u32Result)) {
        vPrintMsg(" - Fail, Error Code = 0x%X \n>", u32Result);
        return false;
    }
    return true;
}

// Clears the buffer, reads page 0 raw and u32Count pages after it.
bool bReadPages(uint32_t u32Handle, uint8_t *pu8Buf, size_t size, uint32_t u32Count)
{
    if (u32Count == 0) {
        vStep(80);
        return true;
    }
    vStep(30);
    memset(pu8Buf, 0, size);
    uint32_t u32Result = 0;
    int32_t s32Failed = -1;
    if (gs32_FastWrites) {
        // Block 0 again and every page after it in one read; a failure is
        // named after the first page the base read had not read.
        u32Result = u32ReadFromStart(u32Handle, pu8Buf, u32Count + 1);
        if (bIsDdcError(u32Result))
            s32Failed = 0;
    } else {
        vRawReadBlock0(u32Handle, pu8Buf);
        s32Failed = s32ChainedBlockRead(u32Handle, pu8Buf, u32Count, vBeforePage, vAfterPage,
                                        &u32Result);
    }
    if (s32Failed < 0)
        return true;
    vPrintMsg(" - Receiving EDID fail (Page %d), Error Code = 0x%X \n>", s32Failed + 1, u32Result);
    vPrintMsg(" - Try \"Read\" again ...\n>");
    return false;
}

// The received bytes, each after its progress step and pause (none with
// fast writes).
void vPrintReceivedData(const char *pcMonitorId, const uint8_t *pu8Buf, int32_t s32Amount)
{
    vPrintDataBlockHead("    Displaying Received Data\n>", pcMonitorId, s32Amount);
    for (int32_t k = 0; k < s32Amount; k++) {
        vStep(80 + k * 20 / s32Amount);
        vPrintDataByte(pu8Buf[k], (uint32_t)k);
        vPumpEvents();
    }
}

// The pages a two-block or segment memory holds are all its reads reach: a
// larger page count is refused, after a line, before the bus is asked.
bool bPagesWithinMemory(uint32_t u32Handle, uint8_t u8Pages)
{
    if (u8Pages <= u32ReachableBlocks(DDC_ADDRESSING_BLOCKS))
        return true;
    uint32_t u32Addressing = u32MemoryAddressing(u32Handle);
    uint32_t u32Blocks = u32ReachableBlocks(u32Addressing);
    if (u32Addressing == DDC_ADDRESSING_BYTE || u8Pages <= u32Blocks)
        return true;
    vPrintMsg(" - The display's memory (%s) holds %u pages; %u were asked for\n>",
              pcAddressingWords(u32Addressing), u32Blocks, (unsigned)u8Pages);
    return false;
}

// The page count of the panel, kept within 1 to 16 whatever the control holds.
uint8_t u8ReadPageCount(void)
{
    int s32Pages = 1;
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PAGE_NUM, &s32Pages);
    if (s32Pages < PAGE_NUM_MIN)
        s32Pages = PAGE_NUM_MIN;
    if (s32Pages > PAGE_NUM_MAX)
        s32Pages = PAGE_NUM_MAX;
    return (uint8_t)s32Pages;
}

const stDeviceCommand gst_ReceiveCommand = {"Receiving device's EDID ...\n>", RECEIVE_TEXT,
                                            RECEIVE_TEXT, nullptr, s32ReceiveEdid, nullptr};
const stDeviceCommand gst_ReceiveByPageCommand = {"Receiving EDID By Number of Page ...\n>",
                                                  RECEIVE_TEXT, RECEIVE_TEXT, nullptr,
                                                  s32ReceiveEdidByPage, nullptr};

} // namespace

int32_t s32ReceiveEdid(int32_t)
{
    int32_t s32Index = s32SelectedMonitor();
    if (s32Index < 0)
        return 0;
    stMonitorInfo *pstRec = &gst_MonitorInfo[s32Index];
    pstRec->u8Complete = 0;
    vPacerStart(&gst_ReceivePacer);
    if (!bReadBaseBlock(pstRec->u32DisplayHandle, pstRec->u8EdidBuf))
        return 0;
    vStep(20);
    uint32_t u32Ext = pstRec->u8EdidBuf[EDID_EXT_COUNT];
    uint32_t u32Pages = u32ExtensionsToRead(pstRec->u32DisplayHandle, u32Ext);
    if (!bReadPages(pstRec->u32DisplayHandle, pstRec->u8EdidBuf, sizeof(pstRec->u8EdidBuf),
                    u32Pages))
        return 0;
    pstRec->u8Complete = 1;
    if (s32ShowDataOn() != 1)
        return 1;
    vPrintReceivedData(pstRec->u8str_MonitorId, pstRec->u8EdidBuf,
                       (int32_t)(u32Pages + 1) * EDID_BLOCK_SIZE);
    return 1;
}

int32_t s32ReceiveEdidByPage(int32_t)
{
    int32_t s32Index = s32SelectedMonitor();
    if (s32Index < 0)
        return 0;
    uint32_t u32Handle = gst_MonitorInfo[s32Index].u32DisplayHandle;
    stReceivedEdid *pstCopy = &gst_ReceivedEdid[s32Index];
    pstCopy->u8Complete = 0;
    vPacerStart(&gst_ReceivePacer);
    if (!bPagesWithinMemory(u32Handle, u8ReadPageCount()))
        return 0;
    if (!bReadBaseBlock(u32Handle, pstCopy->u8EdidBuf))
        return 0;
    vStep(20);
    gu8_EdidPageNum = u8ReadPageCount();
    if (!bReadPages(u32Handle, pstCopy->u8EdidBuf, sizeof(pstCopy->u8EdidBuf),
                    gu8_EdidPageNum - 1u))
        return 0;
    pstCopy->u8Complete = 1;
    int32_t s32Show = s32ShowDataOn();
    GetEDIDOption(pstCopy->u8EdidBuf, 1, pstCopy->u8str_MonitorId,
                  sizeof(pstCopy->u8str_MonitorId));
    pstCopy->u8str_MonitorId[MONITOR_ID_SIZE - 1] = '\0';
    if (s32Show != 1)
        return 1;
    vPrintReceivedData(pstCopy->u8str_MonitorId, pstCopy->u8EdidBuf,
                       gu8_EdidPageNum * EDID_BLOCK_SIZE);
    return 1;
}

bool bReceivedCopyReady(int32_t s32Index)
{
    if (gst_ReceivedEdid[s32Index].u8Complete == 1)
        return true;
    vPrintMsg(" - Nothing has been received from the display yet: use \"Receive by page\" "
              "first\n>");
    return false;
}

int EdidPageToReceiveCallback(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        gu8_EdidPageNum = u8ReadPageCount();
    return 0;
}

int32_t s32ReceiveAction(void) { return s32RunDeviceCommand(&gst_ReceiveCommand); }

int32_t s32ReceiveByPageAction(void) { return s32RunDeviceCommand(&gst_ReceiveByPageCommand); }
