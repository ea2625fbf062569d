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
#define HALF_BYTES 256            // bytes a one-byte memory address reaches

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

uint32_t u32MemoryAddressing(uint32_t u32Handle)
{
    uint32_t u32Addressing = DDC_ADDRESSING_BYTE;
    if (GetOutputInfo(u32Handle, DDC_INFO_ADDRESSING, &u32Addressing) != 0)
        return DDC_ADDRESSING_BYTE;
    return u32Addressing;
}

int32_t s32ReachableBytes(uint32_t u32Addressing)
{
    return u32Addressing == DDC_ADDRESSING_BYTE ? HALF_BYTES : 2 * HALF_BYTES;
}

uint32_t u32ReachableBlocks(uint32_t u32Addressing)
{
    return u32Addressing == DDC_ADDRESSING_BYTE ? MONITOR_EDID_BLOCKS
                                                : 2u * HALF_BYTES / EDID_BLOCK_SIZE;
}

uint32_t u32ExtensionsToRead(uint32_t u32Handle, uint32_t u32Ext)
{
    uint32_t u32Most = MONITOR_EDID_BLOCKS - 1u;
    if (u32Ext > 2u * HALF_BYTES / EDID_BLOCK_SIZE - 1u)
        u32Most = u32ReachableBlocks(u32MemoryAddressing(u32Handle)) - 1u;
    return u32Ext < u32Most ? u32Ext : u32Most;
}

uint32_t u32HalfAddress(int32_t s32Offset)
{
    return s32Offset < HALF_BYTES ? EDID_BUS_ADDR : DDC_SECOND_HALF_ADDRESS;
}

const char *pcAddressingWords(uint32_t u32Addressing)
{
    if (u32Addressing == DDC_ADDRESSING_BLOCKS)
        return "two blocks, 512 bytes at 0x50 and 0x51";
    if (u32Addressing == DDC_ADDRESSING_SEGMENT)
        return "E-DDC segments, 256 bytes each through the pointer at 0x30";
    return nullptr;
}

uint32_t u32ReachWhy(uint32_t u32Handle)
{
    uint32_t u32Why = 0;
    return GetOutputInfo(u32Handle, DDC_INFO_REACH, &u32Why) == 0 ? u32Why : 0u;
}

const char *pcReachWhyWords(uint32_t u32Why)
{
    if (u32Why == DDC_REACH_SMBUS_ONLY)
        return "the adapter offers SMBus transfers only";
    if (u32Why == DDC_REACH_TWO_MESSAGES)
        return "the bridge cannot send segment, offset and read as one transfer";
    return "the graphics driver's I2C call reaches 0xA0 alone";
}

bool bBusReachesMemory(uint32_t u32Handle)
{
    uint32_t u32Why = u32ReachWhy(u32Handle);
    if (u32Why == 0)
        return true;
    vPrintMsg(" - The display's bus cannot reach its memory past byte 255: %s, Error Code = "
              "0x%X \n>",
              pcReachWhyWords(u32Why), DDC_ERR_CANNOT_REACH);
    return false;
}

void vRawReadBlock0(uint32_t u32Handle, uint8_t *pu8Buf)
{
    const uint8_t u8Address = 0x00;
    WriteI2CBuf(u32Handle, EDID_BUS_ADDR, &u8Address, 1, 0);
    ReadI2CBuf(u32Handle, EDID_BUS_ADDR, pu8Buf, EDID_BLOCK_SIZE, READ_FIRST_BLOCK);
}

// Sets the counter of the half at u32Addr to 0 and reads from there.
static uint32_t u32ReadHalfFromStart(uint32_t u32Handle, uint32_t u32Addr, uint8_t *pu8Buf,
                                     uint32_t u32Count, uint32_t u32Flags)
{
    const uint8_t u8Address = 0x00;
    uint32_t u32Result = WriteI2CBuf(u32Handle, u32Addr, &u8Address, 1, 0);
    if (bIsDdcError(u32Result))
        return u32Result;
    return ReadI2CBuf(u32Handle, u32Addr, pu8Buf, u32Count, u32Flags);
}

uint32_t u32ReadFromStart(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Blocks)
{
    const uint32_t u32HalfBlocks = HALF_BYTES / EDID_BLOCK_SIZE;
    if (u32Blocks <= u32HalfBlocks || u32MemoryAddressing(u32Handle) == DDC_ADDRESSING_BYTE)
        return u32ReadHalfFromStart(u32Handle, EDID_BUS_ADDR, pu8Buf, EDID_BLOCK_SIZE * u32Blocks,
                                    0);
    uint32_t u32Result = u32ReadHalfFromStart(u32Handle, EDID_BUS_ADDR, pu8Buf, HALF_BYTES, 0);
    if (bIsDdcError(u32Result))
        return u32Result;
    return u32ReadHalfFromStart(u32Handle, DDC_SECOND_HALF_ADDRESS, pu8Buf + HALF_BYTES,
                                EDID_BLOCK_SIZE * (u32Blocks - u32HalfBlocks), 0);
}

// One block of a chained read: block 2 of a two-block or segment memory
// starts a read of its own at 0x51, and block 1 ends the read before it.
static uint32_t u32ReadChainedBlock(uint32_t u32Handle, bool bHalves, uint8_t *pu8Block,
                                    uint32_t u32Block, bool bLast)
{
    const uint32_t u32HalfBlocks = HALF_BYTES / EDID_BLOCK_SIZE;
    bool bHalfEnds = bHalves && u32Block + 1u == u32HalfBlocks;
    uint32_t u32Flags = bLast || bHalfEnds ? READ_LAST_BLOCK : READ_NEXT_BLOCK;
    if (bHalves && u32Block == u32HalfBlocks)
        return u32ReadHalfFromStart(u32Handle, DDC_SECOND_HALF_ADDRESS, pu8Block, EDID_BLOCK_SIZE,
                                    bLast ? 0u : READ_FIRST_BLOCK);
    uint32_t u32Addr = bHalves && u32Block > u32HalfBlocks ? DDC_SECOND_HALF_ADDRESS
                                                           : EDID_BUS_ADDR;
    return ReadI2CBuf(u32Handle, u32Addr, pu8Block, EDID_BLOCK_SIZE, u32Flags);
}

int32_t s32ChainedBlockRead(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Count,
                            PageHook pfnBefore, PageHook pfnAfter, uint32_t *pu32Result)
{
    // Only a read past block 1 asks how the memory is addressed.
    bool bHalves = u32Count >= 2 && u32MemoryAddressing(u32Handle) != DDC_ADDRESSING_BYTE;
    for (uint32_t j = 0; j < u32Count; j++) {
        if (pfnBefore)
            pfnBefore(j, u32Count);
        uint32_t u32Result = u32ReadChainedBlock(u32Handle, bHalves,
                                                 pu8Buf + EDID_BLOCK_SIZE * (j + 1), j + 1,
                                                 j + 1 == u32Count);
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
