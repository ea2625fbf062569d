// Test access: thin wrappers over the bench, the library state and the
// transaction log.
#include "ddc_bench_test.h"

#include <stdio.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_i2cdev.h"
#include "ddc_kernel.h"
#include "ddc_bench_file.h"
#include "ddc_default_bench.h"
#include "ddc_lib.h"
#include "ddc_liblog.h"
#include "ddc_txlog.h"

namespace {

void vEnsureBench(void)
{
    if (!gst_Bench.bLoaded)
        vBenchClear();
}

} // namespace

void vDdcBenchReset(void)
{
    vRealEnd();
    vDdcUseNoKernel();
    u32LogClose();
    vLibDefaults();
    memset(&gst_Bench, 0, sizeof(gst_Bench));
    vTxLogClear();
    vBenchSetPersistence(0);
}

void vDdcBenchAllowPersistence(int32_t bOn) { vBenchSetPersistence(bOn); }

void vDdcBenchUseKernel(const stDdcKernel *pstKernel) { vDdcSetKernel(pstKernel); }

const stDdcKernel *pstDdcBenchMachineKernel(void) { return pstDdcMachineKernel(); }

void vDdcBenchClear(void) { vBenchClear(); }

void vDdcBenchUseDefault(void) { vBenchUseDefault(); }

void vDdcBenchSetSource(uint32_t u32Source)
{
    vEnsureBench();
    gst_Bench.u32Source = u32Source;
}

uint32_t u32DdcBenchLoadDescription(const char *pcPath)
{
    static char cWhy[BENCH_PATH_SIZE + 128u];
    snprintf(cWhy, sizeof(cWhy), "cannot open the description (null)");
    if (pcPath && s32BenchReadDescription(pcPath, cWhy, sizeof(cWhy)) >= 0)
        return gst_Bench.u32Outputs;
    vBenchClear();
    vLogNote("bench: %s", cWhy);
    return 0;
}

int32_t s32DdcBenchAddOutput(void)
{
    vEnsureBench();
    return s32BenchAddOutput();
}

int32_t s32DdcBenchAddDisplay(const uint8_t *pu8Image, uint32_t u32Len, uint32_t u32MemSize)
{
    vEnsureBench();
    if (!bEepromSizeValid(u32MemSize) || (pu8Image && (u32Len == 0 || u32Len % 128u != 0 ||
                                                       u32Len > u32MemSize)))
        return -1;
    int32_t s32Output = s32BenchAddOutput();
    if (s32Output >= 0)
        bBenchAttachDisplay((uint32_t)s32Output, pu8Image, u32Len, u32MemSize);
    return s32Output;
}

uint32_t u32DdcBenchOutputCount(void) { return gst_Bench.u32Outputs; }

void vDdcBenchSetAddressing(int32_t s32Output, uint32_t u32Addressing)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output))
        pst->stMem.u32Addressing = u32Addressing;
}

void vDdcBenchSetNoAnswer(int32_t s32Output, int32_t bOn)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output))
        pst->stFault.bNoAnswer = bOn;
}

void vDdcBenchSetWriteProtect(int32_t s32Output, int32_t bOn)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output))
        pst->stMem.bWriteProtect = bOn;
}

void vDdcBenchSetWriteCycle(int32_t s32Output, uint32_t u32Ms)
{
    stBenchOutput *pst = pstBenchOutputAt(s32Output);
    if (pst && u32Ms <= EEPROM_WRITE_CYCLE_MAX_MS)
        pst->stMem.u32WriteCycleMs = u32Ms;
}

void vDdcBenchSetNakStall(int32_t s32Output, uint32_t u32Ms)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output))
        pst->stFault.u32NakStallMs = u32Ms;
}

void vDdcBenchSetReadEdidFault(int32_t s32Output, uint32_t u32Code)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output))
        pst->stFault.u32ReadEdidCode = u32Code;
}

void vDdcBenchSetExtFault(int32_t s32Output, uint32_t u32Chunk, uint32_t u32Code)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output)) {
        pst->stFault.u32ExtChunk = u32Chunk;
        pst->stFault.u32ExtCode = u32Code;
    }
}

void vDdcBenchSetWriteFault(int32_t s32Output, uint32_t u32Packet, uint32_t u32Code)
{
    if (stBenchOutput *pst = pstBenchOutputAt(s32Output)) {
        pst->stFault.u32WritePacket = u32Packet;
        pst->stFault.u32WriteCode = u32Code;
        pst->u32DataWrites = 0;
    }
}

void vDdcBenchSetEnumFault(uint32_t u32Code)
{
    vEnsureBench();
    gst_Bench.u32EnumFaultCode = u32Code;
}

void vDdcBenchSetEdidOptionFault(uint32_t u32Code) { gst_Lib.u32EdidOptionFault = u32Code; }

void vDdcBenchSetOptionFault(uint32_t u32Code) { gst_Lib.u32OptionFault = u32Code; }

void vDdcBenchSetVersion(uint32_t u32Version) { gst_Lib.u32Version = u32Version; }

uint32_t u32DdcBenchReadMemory(int32_t s32Output, uint8_t *pu8Buf, uint32_t u32Size)
{
    const stBenchOutput *pst = pstBenchOutputAt(s32Output);
    if (!pst || !pst->bHasDisplay)
        return 0;
    if (pu8Buf)
        memcpy(pu8Buf, pst->stMem.u8Mem, u32Size < pst->stMem.u32Size ? u32Size : pst->stMem.u32Size);
    return pst->stMem.u32Size;
}

const char *pcDdcBenchStatePath(void) { return gst_Bench.cStatePath; }

uint64_t u64DdcBenchWireUs(void) { return gst_Bench.u64WireUs; }

uint32_t u32DdcBenchWireWrites(void) { return gst_Bench.u32WireWrites; }

void vDdcBenchWireClear(void)
{
    gst_Bench.u64WireUs = 0;
    gst_Bench.u32WireWrites = 0;
}

void vDdcBenchLogClear(void) { vTxLogClear(); }

uint32_t u32DdcBenchLogCount(void) { return u32TxLogCount(); }

uint32_t u32DdcBenchLogDropped(void) { return u32TxLogDropped(); }

int32_t bDdcBenchLogCall(uint32_t u32Index, stDdcBenchCall *pst) { return bTxLogGet(u32Index, pst); }

uint32_t u32DdcBenchLogFormat(uint32_t u32Index, char *pcText, uint32_t u32Size)
{
    stDdcBenchCall st;
    if (!pcText || u32Size == 0)
        return 0;
    pcText[0] = '\0';
    if (!bTxLogGet(u32Index, &st))
        return 0;
    return u32FormatCall(&st, pcText, u32Size);
}
