#include "ddc_bench.h"

#include <string.h>

stBench gst_Bench;

void vBenchClear(void)
{
    memset(&gst_Bench, 0, sizeof(gst_Bench));
    gst_Bench.bLoaded = 1;
}

int32_t s32BenchAddOutput(void)
{
    if (gst_Bench.u32Outputs >= BENCH_MAX_OUTPUTS)
        return -1;
    stBenchOutput *pst = &gst_Bench.ast[gst_Bench.u32Outputs];
    memset(pst, 0, sizeof(*pst));
    return (int32_t)gst_Bench.u32Outputs++;
}

int32_t bBenchAttachDisplay(uint32_t u32Output, const uint8_t *pu8Image, uint32_t u32Len,
                            uint32_t u32MemSize)
{
    if (u32Output >= gst_Bench.u32Outputs || !bEepromSizeValid(u32MemSize))
        return 0;
    if (pu8Image && (u32Len == 0 || u32Len % 128u != 0 || u32Len > u32MemSize))
        return 0;
    stBenchOutput *pst = &gst_Bench.ast[u32Output];
    vEepromInit(&pst->stMem, u32MemSize);
    if (pu8Image)
        memcpy(pst->stMem.u8Mem, pu8Image, u32Len);
    pst->u32ImageCrc = pu8Image ? u32Crc32(pu8Image, u32Len, 0) : 0;
    pst->bHasDisplay = 1;
    return 1;
}

stBenchOutput *pstBenchOutputAt(int32_t s32Index)
{
    if (s32Index < 0 || (uint32_t)s32Index >= gst_Bench.u32Outputs)
        return nullptr;
    return &gst_Bench.ast[s32Index];
}

stBenchOutput *pstBenchOutputOf(uint32_t u32Handle)
{
    if (u32Handle < BENCH_HANDLE_BASE)
        return nullptr;
    uint32_t u32Index = u32Handle - BENCH_HANDLE_BASE;
    if (u32Index >= gst_Bench.u32Outputs)
        return nullptr;
    return &gst_Bench.ast[u32Index];
}

void vBenchResetCounters(void)
{
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        gst_Bench.ast[i].bReadOpen = 0;
        gst_Bench.ast[i].u32Chunks = 0;
        gst_Bench.ast[i].u32DataWrites = 0;
    }
}
