#include "ddc_txlog.h"

#include <string.h>

#include "ddc_liblog.h"

namespace {

struct stStoredCall {
    uint32_t u32Op;
    uint32_t au32Arg[5];
    uint32_t u32Result;
    uint32_t u32DataOffset;
    uint32_t u32DataLen;
};

stStoredCall gst_Calls[DDC_BENCH_LOG_CALLS];
uint8_t gu8_Pool[DDC_BENCH_LOG_BYTES];
uint32_t gu32_CallCount = 0;
uint32_t gu32_PoolUsed = 0;
uint32_t gu32_Dropped = 0;
char gc_Line[8192];

void vStore(const stDdcBenchCall *pst)
{
    if (gu32_CallCount >= DDC_BENCH_LOG_CALLS ||
        pst->u32DataLen > DDC_BENCH_LOG_BYTES - gu32_PoolUsed) {
        gu32_Dropped++;
        return;
    }
    stStoredCall *pstOut = &gst_Calls[gu32_CallCount++];
    pstOut->u32Op = pst->u32Op;
    memcpy(pstOut->au32Arg, pst->au32Arg, sizeof(pstOut->au32Arg));
    pstOut->u32Result = pst->u32Result;
    pstOut->u32DataOffset = gu32_PoolUsed;
    pstOut->u32DataLen = pst->u32DataLen;
    if (pst->u32DataLen)
        memcpy(gu8_Pool + gu32_PoolUsed, pst->pu8Data, pst->u32DataLen);
    gu32_PoolUsed += pst->u32DataLen;
}

} // namespace

uint32_t u32RecordCall(uint32_t u32Op, const uint32_t *pau32Args, uint32_t u32Result,
                       const void *pvData, uint32_t u32DataLen)
{
    stDdcBenchCall st;
    st.u32Op = u32Op;
    memcpy(st.au32Arg, pau32Args, sizeof(st.au32Arg));
    st.u32Result = u32Result;
    st.pu8Data = static_cast<const uint8_t *>(pvData);
    st.u32DataLen = pvData ? u32DataLen : 0;
    vStore(&st);
    if (bLogIsOpen()) {
        u32FormatCall(&st, gc_Line, sizeof(gc_Line));
        vLogNote("%s", gc_Line);
    }
    return u32Result;
}

void vRecordPoll(uint32_t u32Handle, uint32_t u32Addr7, uint32_t u32Result)
{
    stDdcBenchCall st = {DDC_OP_POLL, {u32Handle, u32Addr7, 0, 0, 0}, u32Result, nullptr, 0};
    vStore(&st);
}

void vTxLogClear(void)
{
    gu32_CallCount = 0;
    gu32_PoolUsed = 0;
    gu32_Dropped = 0;
}

uint32_t u32TxLogCount(void) { return gu32_CallCount; }

uint32_t u32TxLogDropped(void) { return gu32_Dropped; }

int32_t bTxLogGet(uint32_t u32Index, stDdcBenchCall *pst)
{
    if (u32Index >= gu32_CallCount || !pst)
        return 0;
    const stStoredCall *pstIn = &gst_Calls[u32Index];
    pst->u32Op = pstIn->u32Op;
    memcpy(pst->au32Arg, pstIn->au32Arg, sizeof(pst->au32Arg));
    pst->u32Result = pstIn->u32Result;
    pst->pu8Data = gu8_Pool + pstIn->u32DataOffset;
    pst->u32DataLen = pstIn->u32DataLen;
    return 1;
}
