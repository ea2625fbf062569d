#include "ddc_bus.h"

#include "DDCHelper.h"
#include "ddc_edid.h"
#include "ddc_lib.h"
#include "ddc_state.h"
#include "platform/clock/PlatformClock.h"

uint32_t u32BusAddress(uint32_t u32Addr) { return gst_Lib.u32Addr7Bit ? u32Addr : u32Addr >> 1; }

uint32_t u32BusProbe(stBenchOutput *pst, uint32_t u32Addr7)
{
    if (pst->stReal.bReal)
        return u32RealProbe(pst, u32Addr7);
    pst->bReadOpen = 0;
    if (!pst->bHasDisplay || pst->stFault.bNoAnswer || u32Addr7 != DDC_EDID_ADDRESS ||
        !bEepromAnswers(&pst->stMem, u64ClockNowMs()))
        return DDC_ERR_NO_ACK;
    return 0;
}

// A continued read has no address phase of its own: it goes on with the
// open transfer, which a fault in the middle of the chain breaks off.
uint32_t u32BusRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                    uint32_t u32Flags)
{
    if (pst->stReal.bReal)
        return u32RealRead(pst, u32Addr7, pu8Buf, u32Count, u32Flags);
    if (u32Flags & DDC_READ_CONTINUE) {
        if (!pst->bReadOpen || u32Addr7 != DDC_EDID_ADDRESS)
            return DDC_ERR_NO_OPEN_READ;
        pst->u32Chunks++;
        if (pst->stFault.u32ExtCode && pst->u32Chunks == pst->stFault.u32ExtChunk) {
            pst->bReadOpen = 0;
            return pst->stFault.u32ExtCode;
        }
    } else {
        uint32_t u32Result = u32BusProbe(pst, u32Addr7);
        if (u32Result)
            return u32Result;
        pst->u32Chunks = 0;
    }
    vEepromRead(&pst->stMem, pu8Buf, u32Count);
    pst->bReadOpen = (u32Flags & DDC_READ_KEEP_OPEN) != 0;
    return 0;
}

uint32_t u32BusWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                     uint32_t u32Count)
{
    if (pst->stReal.bReal)
        return u32RealWrite(pst, u32Addr7, pu8Bytes, u32Count);
    int32_t bData = u32Count > 1u;
    pst->bReadOpen = 0;
    if (bData && ++pst->u32DataWrites == pst->stFault.u32WritePacket && pst->stFault.u32WriteCode)
        return pst->stFault.u32WriteCode;
    uint32_t u32Result = u32BusProbe(pst, u32Addr7);
    if (u32Result)
        return u32Result;
    vEepromWrite(&pst->stMem, pu8Bytes, u32Count, u64ClockNowMs());
    if (bData && !pst->stMem.bWriteProtect)
        vStateSave();
    return 0;
}

uint32_t u32BusReadEdid(stBenchOutput *pst, uint8_t *pu8Block)
{
    if (pst->stReal.bReal)
        return u32RealReadEdid(pst, pu8Block);
    uint32_t u32Fault = pst->stFault.u32ReadEdidCode;
    if (u32Fault && u32Fault != DDC_ERR_INVALID_EDID) {
        pst->bReadOpen = 0;
        return u32Fault;
    }
    const uint8_t u8Zero = 0;
    uint32_t u32Result = u32BusWrite(pst, DDC_EDID_ADDRESS, &u8Zero, 1);
    if (!u32Result)
        u32Result = u32BusRead(pst, DDC_EDID_ADDRESS, pu8Block, EDID_BLOCK_SIZE, 0);
    if (u32Result)
        return u32Result;
    return (u32Fault || !bEdidBlockValid(pu8Block)) ? DDC_ERR_INVALID_EDID : 0;
}
