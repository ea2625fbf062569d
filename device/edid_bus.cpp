#include "device/edid_bus.h"

#include "device/progress.h"
#include "files/msg_log.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/params.h"
#include "ui/ui_handles.h"

#define READ_FIRST_BLOCK 0x100u   // block 0, the read stays open
#define READ_NEXT_BLOCK 0x1100u   // the next block, the read stays open
#define READ_LAST_BLOCK 0x1000u   // the next block, the read ends

static const char gc_FrameLine[] = "************************************\n>";

int32_t gs32_FastWrites = 0;

void vPacerStart(stPacer *pstPacer) { pstPacer->u64DueMs = u64ClockNowMs(); }

void vPace(stPacer *pstPacer, uint32_t u32Ms)
{
    if (gs32_FastWrites)
        return;
    uint64_t u64NowMs = u64ClockNowMs();
    pstPacer->u64DueMs += u32Ms;
    if (u64NowMs < pstPacer->u64DueMs) {
        Sleep((uint32_t)(pstPacer->u64DueMs - u64NowMs));
        return;
    }
    // Reached late: the count goes on from now, so the pauses after this
    // one are not shortened by the lateness.
    pstPacer->u64DueMs = u64NowMs;
}

void vRawReadBlock0(uint32_t u32Handle, uint8_t *pu8Buf)
{
    const uint8_t u8Address = 0x00;
    WriteI2CBuf(u32Handle, EDID_BUS_ADDR, &u8Address, 1, 0);
    ReadI2CBuf(u32Handle, EDID_BUS_ADDR, pu8Buf, EDID_BLOCK_SIZE, READ_FIRST_BLOCK);
}

uint32_t u32ReadFromStart(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Blocks)
{
    const uint8_t u8Address = 0x00;
    uint32_t u32Result = WriteI2CBuf(u32Handle, EDID_BUS_ADDR, &u8Address, 1, 0);
    if (bIsDdcError(u32Result))
        return u32Result;
    return ReadI2CBuf(u32Handle, EDID_BUS_ADDR, pu8Buf, EDID_BLOCK_SIZE * u32Blocks, 0);
}

int32_t s32ChainedBlockRead(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Count,
                            PageHook pfnBefore, PageHook pfnAfter, uint32_t *pu32Result)
{
    for (uint32_t j = 0; j < u32Count; j++) {
        if (pfnBefore)
            pfnBefore(j, u32Count);
        uint32_t u32Flags = j + 1 < u32Count ? READ_NEXT_BLOCK : READ_LAST_BLOCK;
        uint32_t u32Result = ReadI2CBuf(u32Handle, EDID_BUS_ADDR,
                                        pu8Buf + EDID_BLOCK_SIZE * (j + 1), EDID_BLOCK_SIZE,
                                        u32Flags);
        if (bIsDdcError(u32Result)) {
            if (pu32Result)
                *pu32Result = u32Result;
            return (int32_t)j;
        }
        if (pfnAfter)
            pfnAfter(j, u32Count);
    }
    return -1;
}

void vPrintDataBlockHead(const char *pcTitle, const char *pcMonitorId, int32_t s32Amount)
{
    vPrintMsg("%s", gc_FrameLine);
    vPrintMsg("%s", pcTitle);
    vPrintMsg("    Monitor ID : %s\n>", pcMonitorId);
    vPrintMsg("    Amount : %d Bytes\n>", s32Amount);
    vPrintMsg("%s", gc_FrameLine);
}

void vPrintDataByte(uint8_t u8Byte, uint32_t u32Position)
{
    vPrintMsg("0x%02X ", u8Byte);
    if ((u32Position + 1) % DATA_BYTES_PER_LINE == 0)
        vPrintMsg("\n>");
}

void vPumpEvents(void)
{
    ProcessDrawEvents();
    ProcessSystemEvents();
}

void vProgressStep(stPacer *pstPacer, const char *pcText, int32_t s32Percent)
{
    vShowProgress(pcText, s32Percent);
    vPace(pstPacer, PROGRESS_PAUSE_MS);
}

int32_t s32ShowDataOn(void)
{
    int s32Value = 0;
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_FUNC_SHOW_DATA, &s32Value);
    return s32Value;
}
