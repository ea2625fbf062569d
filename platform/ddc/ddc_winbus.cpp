// The real bus layer on Windows, over the back ends of ddc_winbus.h: at the
// start each lists its units, every one logged; outputs name them, or are
// made of the graphics outputs with a display. Each operation opens the
// unit and closes it after, but for a chained read, which keeps it. The
// back ends move register transfers only, so the memory's address counter
// is kept here, as the part keeps it.
#include <stdio.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_bus.h"
#include "ddc_edid.h"
#include "ddc_i2cdev.h"
#include "ddc_kernel.h"
#include "ddc_lib.h"
#include "ddc_liblog.h"
#include "ddc_real_common.h"
#include "ddc_winbus.h"

namespace {

#define WINBUS_BACKENDS 3u
#define WINBUS_REACH 256u  // bytes a one-byte register address reaches
#define WINBUS_BRIDGES 0u  // the back end of REAL_BY_BRIDGE, first in the list
#define WINBUS_NVAPI 1u    // ... then the graphics drivers'

struct stBackend {
    const stWinBusOps *pstOps;
    uint32_t u32Units;
    stWinBusUnit ast[WINBUS_MAX_UNITS];
};

const stDdcKernel gst_NoKernel = {};
stBackend gst_Backends[WINBUS_BACKENDS];
int32_t gb_Scanned;      // the back ends were asked and hold what they loaded
int32_t gb_FreshScan;    // ... by the bench's making, so the start need not ask again

const stWinBusOps *pstOpsAt(uint32_t u32Index)
{
    if (u32Index == WINBUS_BRIDGES)
        return pstWinBridgeOps();
    return u32Index == WINBUS_NVAPI ? pstWinNvapiOps() : pstWinAdlOps();
}

void vUnloadAll(void)
{
    for (uint32_t i = 0; gb_Scanned && i < WINBUS_BACKENDS; i++) {
        if (gst_Backends[i].pstOps && gst_Backends[i].pstOps->pfnUnload)
            gst_Backends[i].pstOps->pfnUnload();
        gst_Backends[i].u32Units = 0;
    }
    gb_Scanned = 0;
}

void vScan(void)
{
    vUnloadAll();
    uint32_t u32All = 0;
    for (uint32_t i = 0; i < WINBUS_BACKENDS; i++) {
        stBackend *pstBack = &gst_Backends[i];
        pstBack->pstOps = pstOpsAt(i);
        pstBack->u32Units = pstBack->pstOps ? pstBack->pstOps->pfnFind(pstBack->ast, WINBUS_MAX_UNITS)
                                            : 0;
        if (pstBack->u32Units > WINBUS_MAX_UNITS)
            pstBack->u32Units = WINBUS_MAX_UNITS;
        for (uint32_t u = 0; u < pstBack->u32Units; u++) {
            pstBack->ast[u].cName[REAL_LABEL_SIZE - 1u] = '\0';
            pstBack->ast[u].cDescr[REAL_LABEL_SIZE - 1u] = '\0';
            vLogNote("bus: found %s %s: %s%s", pstBack->pstOps->pcKind, pstBack->ast[u].cName,
                     pstBack->ast[u].cDescr, pstBack->ast[u].bDisplay ? ", a display attached" : "");
        }
        u32All += pstBack->u32Units;
    }
    if (!u32All)
        vLogNote("bus: found no USB-I2C bridge and no graphics output that NVAPI or ADL drives");
    gb_Scanned = 1;
}

const stBackend *pstBackendOf(const stRealBus *pstReal) { return &gst_Backends[pstReal->u32Backend]; }

void vInitReal(stBenchOutput *pst, const char *pcLabel)
{
    memset(&pst->stReal, 0, sizeof(pst->stReal));
    pst->stReal.bReal = 1;
    pst->stReal.s32Fd = -1;
    snprintf(pst->stReal.cLabel, sizeof(pst->stReal.cLabel), "%s", pcLabel);
}

void vUseUnit(stRealBus *pstReal, uint32_t u32Backend, uint32_t u32Unit)
{
    pstReal->u32Backend = u32Backend;
    pstReal->u32Unit = u32Unit;
    snprintf(pstReal->cDevice, sizeof(pstReal->cDevice), "%s",
             gst_Backends[u32Backend].ast[u32Unit].cDescr);
}

uint32_t u32NotFound(stRealBus *pstReal, const char *pcWhy)
{
    pstReal->cDevice[0] = '\0';
    vLogNote("bus: %s: %s; the output answers 0x%X", pstReal->cLabel, pcWhy, DDC_ERR_NO_ADAPTER);
    return DDC_ERR_NO_ADAPTER;
}

uint32_t u32FindBridge(stRealBus *pstReal)
{
    const stBackend *pstBack = &gst_Backends[WINBUS_BRIDGES];
    int32_t s32Unit = s32WinBusPick(REAL_BY_BRIDGE, pstReal->cLabel, pstBack->ast, pstBack->u32Units);
    if (s32Unit == WINBUS_AMBIGUOUS)
        return u32NotFound(pstReal, "several bridges of that kind are attached: name one by its "
                                    "serial number (KIND:SERIAL) or its place (KIND:#N)");
    if (s32Unit < 0)
        return u32NotFound(pstReal, "no such bridge attached (the log lists those found)");
    vUseUnit(pstReal, WINBUS_BRIDGES, (uint32_t)s32Unit);
    return 0;
}

uint32_t u32FindOutput(stRealBus *pstReal)
{
    for (uint32_t i = WINBUS_BRIDGES + 1u; i < WINBUS_BACKENDS; i++) {
        const stBackend *pstBack = &gst_Backends[i];
        int32_t s32Unit =
            s32WinBusPick(REAL_BY_CONNECTOR, pstReal->cLabel, pstBack->ast, pstBack->u32Units);
        if (s32Unit >= 0) {
            vUseUnit(pstReal, i, (uint32_t)s32Unit);
            return 0;
        }
    }
    return u32NotFound(pstReal, "no such graphics output with a display (the log lists those found)");
}

uint32_t u32Failed(const stBenchOutput *pst, const char *pcWhat, uint32_t u32Code)
{
    vLogNote("bus: %s (%s): %s: 0x%X (%s)", pst->stReal.cLabel, pst->stReal.cDevice, pcWhat,
             u32Code, pcRealCodeWords(u32Code));
    return u32Code;
}

void vEndOperation(stRealBus *pstReal)
{
    if (pstReal->s32Fd >= 0)
        pstBackendOf(pstReal)->pstOps->pfnClose(pstReal->u32Unit);
    pstReal->s32Fd = -1;
}

// Opens the unit, unless a chained read holds it already.
uint32_t u32BeginOperation(stBenchOutput *pst, const char *pcWhat)
{
    stRealBus *pstReal = &pst->stReal;
    if (pstReal->s32Fd >= 0)
        return 0;
    if (pstReal->u32FindError)
        return pstReal->u32FindError;
    uint32_t u32Result = pstBackendOf(pstReal)->pstOps->pfnOpen(pstReal->u32Unit);
    if (u32Result)
        return u32Failed(pst, pcWhat, u32Result);
    pstReal->s32Fd = 1;
    return 0;
}

uint32_t u32Finish(stBenchOutput *pst, uint32_t u32Result, bool bKeepOpen)
{
    pst->bReadOpen = u32Result == 0 && bKeepOpen;
    if (!pst->bReadOpen)
        vEndOperation(&pst->stReal);
    return u32Result;
}

// --- Transfers, each tried again through the memory's write cycle ----------

struct stReadChunk {
    uint8_t *pu8Buf;
    uint32_t u32Count;
    uint32_t u32Addr7;
};

uint32_t u32TryRead(stBenchOutput *pst, void *pvContext)
{
    const stReadChunk *pstChunk = static_cast<const stReadChunk *>(pvContext);
    const stRealBus *pstReal = &pst->stReal;
    return pstBackendOf(pstReal)->pstOps->pfnRead(pstReal->u32Unit, pstChunk->u32Addr7,
                                                   (uint8_t)pstReal->u32Counter, pstChunk->pu8Buf,
                                                   pstChunk->u32Count);
}

struct stWriteBytes {
    const uint8_t *pu8Bytes;
    uint32_t u32Count;
    uint32_t u32Addr7;
};

uint32_t u32TryWrite(stBenchOutput *pst, void *pvContext)
{
    const stWriteBytes *pstWrite = static_cast<const stWriteBytes *>(pvContext);
    const stRealBus *pstReal = &pst->stReal;
    return pstBackendOf(pstReal)->pstOps->pfnWrite(pstReal->u32Unit, pstWrite->u32Addr7,
                                                    pstWrite->pu8Bytes, pstWrite->u32Count);
}

// From the address counter, in the back end's pieces, each naming its
// address. The one-byte address reaches 256 bytes, and the counter rolls
// over there as a 24C02's does: a piece ends at the roll-over.
uint32_t u32ReadFromCounter(stBenchOutput *pst, const char *pcWhat, uint32_t u32Addr7,
                            uint8_t *pu8Buf, uint32_t u32Count)
{
    stRealBus *pstReal = &pst->stReal;
    uint32_t u32Max = pstBackendOf(pstReal)->pstOps->u32MaxRead;
    for (uint32_t u32Done = 0; u32Done < u32Count;) {
        pstReal->u32Counter %= WINBUS_REACH;
        stReadChunk stChunk = {pu8Buf + u32Done, u32Count - u32Done, u32Addr7};
        if (stChunk.u32Count > u32Max)
            stChunk.u32Count = u32Max;
        if (stChunk.u32Count > WINBUS_REACH - pstReal->u32Counter)
            stChunk.u32Count = WINBUS_REACH - pstReal->u32Counter;
        uint32_t u32Result = u32BusPolled(pst, DDC_EDID_ADDRESS, u32TryRead, &stChunk);
        if (u32Result)
            return u32Failed(pst, pcWhat, u32Result);
        u32Done += stChunk.u32Count;
        pstReal->u32Counter += stChunk.u32Count;
    }
    return 0;
}

// 0x50, and 0x51 for a two-block memory's second half (the bus layer has
// refused it beforehand where the back end cannot reach it).
bool bMemoryAddress(const stBenchOutput *pst, uint32_t u32Addr7)
{
    return u32Addr7 == DDC_EDID_ADDRESS ||
           (u32Addr7 == DDC_SECOND_HALF_ADDRESS &&
            pst->stMem.u32Addressing == DDC_ADDRESSING_BLOCKS);
}

uint32_t u32Refused(stBenchOutput *pst, const char *pcWhy, uint32_t u32Count)
{
    vLogNote("bus: %s (%s): %s; %u bytes are refused, 0x%X", pst->stReal.cLabel,
             pst->stReal.cDevice, pcWhy, u32Count, DDC_ERR_BAD_COUNT);
    return u32Finish(pst, DDC_ERR_BAD_COUNT, false);
}

} // namespace

const stDdcKernel *pstDdcKernel(void) { return &gst_NoKernel; }
const stDdcKernel *pstDdcMachineKernel(void) { return &gst_NoKernel; }
void vDdcSetKernel(const stDdcKernel *) {}
void vDdcUseNoKernel(void) {}

void vRealNameOutput(stBenchOutput *pst, int32_t s32By, const char *pcWhat, int32_t)
{
    vInitReal(pst, pcWhat);
    pst->stReal.s32By = s32By;
    if (s32By != REAL_BY_BRIDGE && s32By != REAL_BY_CONNECTOR) {
        pst->stReal.u32FindError = DDC_ERR_NO_ADAPTER;
        vLogNote("bus: %s: on Windows a bus is named as a bridge or a connector", pcWhat);
    }
}

uint32_t u32RealFind(stBenchOutput *pst)
{
    stRealBus *pstReal = &pst->stReal;
    if (pstReal->s32By == REAL_BY_NAME || pstReal->s32By == REAL_BY_DEVICE)
        return DDC_ERR_NO_ADAPTER;
    if (!gb_Scanned)
        vScan();
    return pstReal->s32By == REAL_BY_BRIDGE ? u32FindBridge(pstReal) : u32FindOutput(pstReal);
}

uint32_t u32RealAddConnectors(void)
{
    vScan();
    gb_FreshScan = 1;
    uint32_t u32Added = 0;
    for (uint32_t i = WINBUS_BRIDGES + 1u; i < WINBUS_BACKENDS; i++) {
        const stBackend *pstBack = &gst_Backends[i];
        for (uint32_t u = 0; u < pstBack->u32Units; u++) {
            if (!pstBack->ast[u].bDisplay)
                continue;
            if (!u32Added)
                vBenchClear();
            stBenchOutput *pst = pstBenchOutputAt(s32BenchAddOutput());
            if (!pst)
                return u32Added;
            vInitReal(pst, pstBack->ast[u].cName);
            vUseUnit(&pst->stReal, i, u);
            vLogNote("bench: output %u is %s (%s)", u32Added, pst->stReal.cLabel,
                     pst->stReal.cDevice);
            u32Added++;
        }
    }
    return u32Added;
}

int32_t bRealI2cDevPresent(void) { return 0; }

// Each start with real outputs asks the back ends again (a bridge may have
// come), but for the first, whose bench was just made from what they
// listed. A simulated bench loads no driver's library.
uint32_t u32RealStartAll(void)
{
    vRealCloseAll();
    if (!gb_FreshScan && bRealInBench())
        vScan();
    gb_FreshScan = 0;
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        stBenchOutput *pst = &gst_Bench.ast[i];
        if (!pst->stReal.bReal)
            continue;
        pst->stReal.u32FindError = u32RealFind(pst);
        if (!pst->stReal.u32FindError)
            vLogNote("bus: %s on %s, through %s", pst->stReal.cLabel, pst->stReal.cDevice,
                     pstBackendOf(&pst->stReal)->pstOps->pcKind);
        if (u32RealReachWhy(pst))
            vLogNote("bus: %s on %s: its memory's bytes past 255 cannot be reached: %s; they "
                     "answer 0x%X", pst->stReal.cLabel, pst->stReal.cDevice,
                     pcRealReachWords(u32RealReachWhy(pst)), DDC_ERR_CANNOT_REACH);
    }
    return 0;
}

void vRealCloseAll(void)
{
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        if (gst_Bench.ast[i].stReal.bReal)
            vEndOperation(&gst_Bench.ast[i].stReal);
    }
}

void vRealEnd(void)
{
    vRealCloseAll();
    vUnloadAll();
    gb_FreshScan = 0;
}

const char *pcRealMachineBuses(void)
{
    return "graphics outputs with a display, driven through NVAPI or ADL";
}

uint32_t u32RealInstallDriver(void) { return 0; }

// A bridge moves a write, or a write and a read after a repeated start: a
// two-block memory's 0x51 is in reach, a segment read's three messages are
// not. The graphics drivers' calls are used at 0xA0 alone.
uint32_t u32RealReachWhy(const stBenchOutput *pst)
{
    if (pst->stMem.u32Addressing == DDC_ADDRESSING_BYTE || pst->stReal.u32FindError)
        return 0;
    if (pstBackendOf(&pst->stReal)->pstOps != pstWinBridgeOps())
        return DDC_REACH_DRIVER;
    return pst->stMem.u32Addressing == DDC_ADDRESSING_SEGMENT ? DDC_REACH_TWO_MESSAGES : 0u;
}

uint32_t u32RealProbe(stBenchOutput *pst, uint32_t u32Addr7)
{
    if (!bMemoryAddress(pst, u32Addr7))
        return u32Finish(pst, DDC_ERR_NO_ACK, false);
    uint32_t u32Result = u32BeginOperation(pst, "TestAddr");
    uint8_t u8Byte = 0;
    if (!u32Result)
        u32Result = u32ReadFromCounter(pst, "TestAddr", u32Addr7, &u8Byte, 1);
    return u32Finish(pst, u32Result, false);
}

uint32_t u32RealRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                     uint32_t u32Flags)
{
    if ((u32Flags & DDC_READ_CONTINUE) && !pst->bReadOpen)
        return DDC_ERR_NO_OPEN_READ;
    if (!bMemoryAddress(pst, u32Addr7))
        return u32Finish(pst, DDC_ERR_NO_ACK, false);
    uint32_t u32Result = u32BeginOperation(pst, "ReadI2CBuf");
    if (!u32Result)
        u32Result = u32ReadFromCounter(pst, "ReadI2CBuf", u32Addr7, pu8Buf, u32Count);
    return u32Finish(pst, u32Result, (u32Flags & DDC_READ_KEEP_OPEN) != 0);
}

uint32_t u32RealWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                      uint32_t u32Count)
{
    if (!bMemoryAddress(pst, u32Addr7))
        return u32Finish(pst, DDC_ERR_NO_ACK, false);
    if (pst->stReal.u32FindError)
        return u32Finish(pst, pst->stReal.u32FindError, false);
    // Cut in two, a write would reach the part as two writes, the second
    // at the wrong address after the first one's write cycle.
    uint32_t u32Max = pstBackendOf(&pst->stReal)->pstOps->u32MaxWrite;
    if (u32Count > u32Max) {
        char cWhy[96];
        snprintf(cWhy, sizeof(cWhy), "the bus writes at most %u bytes at once", u32Max);
        return u32Refused(pst, cWhy, u32Count);
    }
    uint32_t u32Result = u32BeginOperation(pst, "WriteI2CBuf");
    if (u32Result)
        return u32Finish(pst, u32Result, false);
    stWriteBytes stWrite = {pu8Bytes, u32Count, u32Addr7};
    u32Result = u32BusPolled(pst, DDC_EDID_ADDRESS, u32TryWrite, &stWrite);
    if (u32Result)
        u32Failed(pst, "WriteI2CBuf", u32Result);
    else
        pst->stReal.u32Counter = u32RealCounterAfterWrite(pu8Bytes[0], u32Count - 1u);
    return u32Finish(pst, u32Result, false);
}

uint32_t u32RealReadEdid(stBenchOutput *pst, uint8_t *pu8Block)
{
    uint32_t u32Result = u32BeginOperation(pst, "ReadEDID");
    if (!u32Result) {
        pst->stReal.u32Counter = 0;
        u32Result = u32ReadFromCounter(pst, "ReadEDID", DDC_EDID_ADDRESS, pu8Block, EDID_BLOCK_SIZE);
    }
    if (u32Finish(pst, u32Result, false))
        return u32Result;
    return bEdidBlockValid(pu8Block) ? 0 : DDC_ERR_INVALID_EDID;
}
