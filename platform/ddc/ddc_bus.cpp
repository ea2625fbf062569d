#include "ddc_bus.h"

#include "DDCHelper.h"
#include "ddc_edid.h"
#include "ddc_lib.h"
#include "ddc_liblog.h"
#include "ddc_real_common.h"
#include "ddc_state.h"
#include "ddc_txlog.h"
#include "platform/clock/PlatformClock.h"

namespace {

#define BITS_PER_BYTE 9u // eight data bits and the acknowledge

// The simulated wire: each byte with its acknowledge at the bus clock, and
// for a transfer with an address phase its address byte, start and stop.
void vBenchWire(uint32_t u32Bytes, int32_t bAddressPhase)
{
    uint64_t u64Bits = ((uint64_t)u32Bytes + (bAddressPhase ? 1u : 0u)) * BITS_PER_BYTE +
                       (bAddressPhase ? BUS_START_STOP_BITS : 0u);
    uint32_t u32Us = (uint32_t)(u64Bits * 1000000u / gst_Lib.u32ClockHz);
    gst_Bench.u64WireUs += u32Us;
    vClockSpendUs(u32Us);
}

uint32_t u32HandleOf(const stBenchOutput *pst)
{
    return BENCH_HANDLE_BASE + (uint32_t)(pst - gst_Bench.ast);
}

// Whether a try made at that time asked the memory within its write cycle.
// The time a try began counts, never when its answer came back: a process
// paused after a refused try has still asked only once.
int32_t bAskedInWriteCycle(const stBenchOutput *pst, uint64_t u64AskedUs)
{
    return pst->bWriteCycle && u64AskedUs - pst->u64WriteUs < BUS_ACK_POLL_MS * 1000ull;
}

// The half of a simulated memory an address reaches: 0 at 0x50, 1 at 0x51
// on a two-block or segment memory; -1 where nothing can answer.
int32_t s32BenchHalf(const stBenchOutput *pst, uint32_t u32Addr7)
{
    if (u32Addr7 == DDC_EDID_ADDRESS)
        return 0;
    if (u32Addr7 == DDC_SECOND_HALF_ADDRESS && pst->stMem.u32Addressing != DDC_ADDRESSING_BYTE)
        return 1;
    return -1;
}

// A simulated memory's address byte, acknowledged or not. The second half
// of a segment memory is reached after segment 1 is written to the pointer
// at 0x30, which a memory without that segment leaves unacknowledged (and
// ignores); a two-block memory without it is silent at 0x51.
uint32_t u32BenchAddress(stBenchOutput *pst, void *pvHalf)
{
    uint32_t u32Half = pvHalf ? *static_cast<const uint32_t *>(pvHalf) : 0u;
    int32_t bSegment = u32Half && pst->stMem.u32Addressing == DDC_ADDRESSING_SEGMENT;
    int32_t bSilent = !pst->bHasDisplay || pst->stFault.bNoAnswer ||
                      !bEepromAnswers(&pst->stMem, u64ClockNowUs()) ||
                      !bEepromHasHalf(&pst->stMem, u32Half);
    if (bSegment && !bSilent)
        vBenchWire(1, 1);
    if (bSilent) {
        vBenchWire(0, 1);
        vClockSpendUs(pst->stFault.u32NakStallMs * 1000u);
        pst->stFault.u32NakStallMs = 0;
        return DDC_ERR_NO_ACK;
    }
    return 0;
}

// Nothing but the EDID memory sits on a display's bus: another address
// fails at once, write cycle or not.
uint32_t u32BenchAddressPolled(stBenchOutput *pst, uint32_t u32Addr7)
{
    int32_t s32Half = s32BenchHalf(pst, u32Addr7);
    if (s32Half < 0) {
        vBenchWire(0, 1);
        return DDC_ERR_NO_ACK;
    }
    uint32_t u32Half = (uint32_t)s32Half;
    return u32BusPolled(pst, u32Addr7, u32BenchAddress, &u32Half);
}

// A continued read has no address phase of its own: it goes on with the
// open transfer, which a fault in the middle of the chain breaks off.
uint32_t u32BenchRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                      uint32_t u32Flags)
{
    int32_t bContinue = (u32Flags & DDC_READ_CONTINUE) != 0;
    if (bContinue) {
        if (!pst->bReadOpen || u32Addr7 != pst->u32ReadAddr7)
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
    vBenchWire(u32Count, !bContinue);
    vEepromRead(&pst->stMem, (uint32_t)s32BenchHalf(pst, u32Addr7), pu8Buf, u32Count);
    pst->bReadOpen = (u32Flags & DDC_READ_KEEP_OPEN) != 0;
    pst->u32ReadAddr7 = u32Addr7;
    return 0;
}

uint32_t u32BenchWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                       uint32_t u32Count)
{
    int32_t bData = u32Count > 1u;
    pst->bReadOpen = 0;
    if (bData && ++pst->u32DataWrites == pst->stFault.u32WritePacket && pst->stFault.u32WriteCode)
        return pst->stFault.u32WriteCode;
    uint32_t u32Result = u32BusProbe(pst, u32Addr7);
    if (u32Result)
        return u32Result;
    vBenchWire(u32Count, 1);
    vEepromWrite(&pst->stMem, (uint32_t)s32BenchHalf(pst, u32Addr7), pu8Bytes, u32Count,
                 u64ClockNowUs());
    gst_Bench.u32WireWrites += (uint32_t)bData;
    if (bData && !pst->stMem.bWriteProtect)
        vStateSave();
    return 0;
}

// A real adapter that cannot do the transfer the memory's addressing needs
// refuses the second half before anything is sent.
uint32_t u32RealHalfRefused(const stBenchOutput *pst, uint32_t u32Addr7)
{
    if (u32Addr7 != DDC_SECOND_HALF_ADDRESS || pst->stMem.u32Addressing == DDC_ADDRESSING_BYTE)
        return 0;
    uint32_t u32Why = u32RealReachWhy(pst);
    if (!u32Why)
        return 0;
    vLogNote("bus: %s (%s): bytes past 255 of a %s memory: %s, 0x%X", pst->stReal.cLabel,
             pst->stReal.cDevice,
             pst->stMem.u32Addressing == DDC_ADDRESSING_SEGMENT ? "segment" : "two-block",
             pcRealReachWords(u32Why), DDC_ERR_CANNOT_REACH);
    return DDC_ERR_CANNOT_REACH;
}

} // namespace

uint32_t u32BusAddress(uint32_t u32Addr) { return gst_Lib.u32Addr7Bit ? u32Addr : u32Addr >> 1; }

uint32_t u32BusPolled(stBenchOutput *pst, uint32_t u32Addr7, BusAttempt pfn, void *pvContext)
{
    for (;;) {
        uint64_t u64AskedUs = u64ClockNowUs();
        uint32_t u32Result = pfn(pst, pvContext);
        if (u32Result != DDC_ERR_NO_ACK || !bAskedInWriteCycle(pst, u64AskedUs)) {
            pst->bWriteCycle = 0;
            return u32Result;
        }
        vRecordPoll(u32HandleOf(pst), u32Addr7, u32Result);
        Sleep(BUS_ACK_POLL_STEP_MS);
    }
}

uint32_t u32BusProbe(stBenchOutput *pst, uint32_t u32Addr7)
{
    if (pst->stReal.bReal) {
        uint32_t u32Refused = u32RealHalfRefused(pst, u32Addr7);
        return u32Refused ? u32Refused : u32RealProbe(pst, u32Addr7);
    }
    pst->bReadOpen = 0;
    return u32BenchAddressPolled(pst, u32Addr7);
}

uint32_t u32BusRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                    uint32_t u32Flags)
{
    if (pst->stReal.bReal) {
        uint32_t u32Refused = u32RealHalfRefused(pst, u32Addr7);
        return u32Refused ? u32Refused : u32RealRead(pst, u32Addr7, pu8Buf, u32Count, u32Flags);
    }
    return u32BenchRead(pst, u32Addr7, pu8Buf, u32Count, u32Flags);
}

// The write cycle starts when a write with data ends, on either backend.
uint32_t u32BusWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                     uint32_t u32Count)
{
    uint32_t u32Result = 0;
    if (!pst->stReal.bReal)
        u32Result = u32BenchWrite(pst, u32Addr7, pu8Bytes, u32Count);
    else if (!(u32Result = u32RealHalfRefused(pst, u32Addr7)))
        u32Result = u32RealWrite(pst, u32Addr7, pu8Bytes, u32Count);
    if (u32Result == 0 && u32Count > 1u) {
        pst->bWriteCycle = 1;
        pst->u64WriteUs = u64ClockNowUs();
    }
    return u32Result;
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
