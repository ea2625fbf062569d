// Entry points on the outputs: enumeration, address test, reads, writes
// and what is known of an output. Each checks its pointers and counts,
// clears its outputs, then needs the library started.
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_bus.h"
#include "ddc_edid.h"
#include "ddc_lib.h"
#include "ddc_txlog.h"

namespace {

uint32_t u32EnumTake(uint32_t *pu32Handle)
{
    if (gst_Lib.u32EnumNext >= gst_Bench.u32Outputs)
        return DDC_ERR_NO_MORE_OUTPUTS;
    *pu32Handle = BENCH_HANDLE_BASE + gst_Lib.u32EnumNext++;
    return 0;
}

uint32_t u32Enum(uint32_t *pu32Handle, int32_t bFirst)
{
    if (!pu32Handle)
        return DDC_ERR_NULL_POINTER;
    *pu32Handle = 0;
    if (!gst_Lib.bStarted)
        return DDC_ERR_NOT_STARTED;
    if (bFirst && gst_Bench.u32EnumFaultCode)
        return gst_Bench.u32EnumFaultCode;
    if (bFirst)
        gst_Lib.u32EnumNext = 0;
    return u32EnumTake(pu32Handle);
}

uint32_t u32RecordEnum(uint32_t u32Op, const uint32_t *pu32Handle, uint32_t u32Result)
{
    const uint32_t au32Args[5] = {pu32Handle != nullptr, pu32Handle ? *pu32Handle : 0, 0, 0, 0};
    return u32RecordCall(u32Op, au32Args, u32Result, nullptr, 0);
}

// The output of a handle once the library runs; null with *pu32Result set.
stBenchOutput *pstStartedOutput(uint32_t u32Handle, uint32_t *pu32Result)
{
    *pu32Result = gst_Lib.bStarted ? DDC_ERR_BAD_HANDLE : DDC_ERR_NOT_STARTED;
    stBenchOutput *pst = gst_Lib.bStarted ? pstBenchOutputOf(u32Handle) : nullptr;
    if (pst)
        *pu32Result = 0;
    return pst;
}

uint32_t u32CheckBuffer(const void *pv, uint32_t u32Count)
{
    if (!pv)
        return DDC_ERR_NULL_POINTER;
    return (u32Count == 0 || u32Count > DDC_MAX_TRANSFER) ? DDC_ERR_BAD_COUNT : 0;
}

uint32_t u32Read(uint32_t u32Handle, uint32_t u32Addr, uint8_t *pu8Buffer, uint32_t u32Count,
                 uint32_t u32Flags)
{
    uint32_t u32Result = u32CheckBuffer(pu8Buffer, u32Count);
    if (u32Result)
        return u32Result;
    memset(pu8Buffer, 0, u32Count);
    stBenchOutput *pst = pstStartedOutput(u32Handle, &u32Result);
    if (!pst)
        return u32Result;
    if (u32Flags & ~(DDC_READ_KEEP_OPEN | DDC_READ_CONTINUE))
        return DDC_ERR_BAD_OPTION;
    return u32BusRead(pst, u32BusAddress(u32Addr), pu8Buffer, u32Count, u32Flags);
}

uint32_t u32Write(uint32_t u32Handle, uint32_t u32Addr, const uint8_t *pu8Buffer,
                  uint32_t u32Count, uint32_t u32Flags)
{
    uint32_t u32Result = 0;
    stBenchOutput *pst = pstStartedOutput(u32Handle, &u32Result);
    if (!pst)
        return u32Result;
    if (u32Flags != 0)
        return DDC_ERR_BAD_OPTION;
    return u32BusWrite(pst, u32BusAddress(u32Addr), pu8Buffer, u32Count);
}

uint32_t u32OutputInfo(uint32_t u32Handle, uint32_t u32Option, uint32_t *pu32Value)
{
    if (!pu32Value)
        return DDC_ERR_NULL_POINTER;
    *pu32Value = 0;
    uint32_t u32Result = 0;
    const stBenchOutput *pst = pstStartedOutput(u32Handle, &u32Result);
    if (!pst)
        return u32Result;
    const stRealBus *pstReal = &pst->stReal;
    if (u32Option == DDC_INFO_FLAGS)
        *pu32Value = (pstReal->bNonDisplay ? DDC_OUTPUT_NON_DISPLAY_BUS : 0u) |
                     (pstReal->bReal ? DDC_OUTPUT_REAL_ADAPTER : 0u);
    else if (u32Option == DDC_INFO_ADAPTER_ERROR)
        *pu32Value = pstReal->bReal ? pstReal->u32FindError : 0u;
    else if (u32Option == DDC_INFO_ADDRESSING)
        *pu32Value = pst->stMem.u32Addressing;
    else if (u32Option == DDC_INFO_REACH)
        *pu32Value = pstReal->bReal && pst->stMem.u32Addressing != DDC_ADDRESSING_BYTE
                         ? u32RealReachWhy(pst)
                         : 0u;
    else
        return DDC_ERR_BAD_OPTION;
    return 0;
}

} // namespace

uint32_t EnumGetFirst(uint32_t *pu32Handle)
{
    return u32RecordEnum(DDC_OP_ENUM_FIRST, pu32Handle, u32Enum(pu32Handle, 1));
}

uint32_t EnumGetNext(uint32_t *pu32Handle)
{
    return u32RecordEnum(DDC_OP_ENUM_NEXT, pu32Handle, u32Enum(pu32Handle, 0));
}

uint32_t TestAddr(uint32_t u32Handle, uint32_t u32Addr)
{
    uint32_t u32Result = 0;
    stBenchOutput *pst = pstStartedOutput(u32Handle, &u32Result);
    if (pst)
        u32Result = u32BusProbe(pst, u32BusAddress(u32Addr));
    const uint32_t au32Args[5] = {u32Handle, u32Addr, 0, 0, 0};
    return u32RecordCall(DDC_OP_TEST_ADDR, au32Args, u32Result, nullptr, 0);
}

uint32_t ReadEDID(uint32_t u32Handle, uint8_t *pu8Buffer)
{
    uint32_t u32Result = u32CheckBuffer(pu8Buffer, EDID_BLOCK_SIZE);
    stBenchOutput *pst = nullptr;
    if (!u32Result) {
        memset(pu8Buffer, 0, EDID_BLOCK_SIZE);
        pst = pstStartedOutput(u32Handle, &u32Result);
    }
    if (pst)
        u32Result = u32BusReadEdid(pst, pu8Buffer);
    int32_t bRead = u32Result == 0 || (pst && u32Result == DDC_ERR_INVALID_EDID);
    const uint32_t au32Args[5] = {u32Handle, pu8Buffer != nullptr, 0, 0, 0};
    return u32RecordCall(DDC_OP_READ_EDID, au32Args, u32Result, bRead ? pu8Buffer : nullptr,
                         EDID_BLOCK_SIZE);
}

uint32_t ReadI2CBuf(uint32_t u32Handle, uint32_t u32Addr, uint8_t *pu8Buffer, uint32_t u32Count,
                    uint32_t u32Flags)
{
    uint32_t u32Result = u32Read(u32Handle, u32Addr, pu8Buffer, u32Count, u32Flags);
    const uint32_t au32Args[5] = {u32Handle, u32Addr, pu8Buffer != nullptr, u32Count, u32Flags};
    return u32RecordCall(DDC_OP_READ_BUF, au32Args, u32Result, u32Result ? nullptr : pu8Buffer,
                         u32Count);
}

uint32_t WriteI2CBuf(uint32_t u32Handle, uint32_t u32Addr, const uint8_t *pu8Buffer,
                     uint32_t u32Count, uint32_t u32Flags)
{
    uint32_t u32Checked = u32CheckBuffer(pu8Buffer, u32Count);
    uint32_t u32Result = u32Checked ? u32Checked
                                    : u32Write(u32Handle, u32Addr, pu8Buffer, u32Count, u32Flags);
    const uint32_t au32Args[5] = {u32Handle, u32Addr, pu8Buffer != nullptr, u32Count, u32Flags};
    return u32RecordCall(DDC_OP_WRITE_BUF, au32Args, u32Result, u32Checked ? nullptr : pu8Buffer,
                         u32Count);
}

uint32_t GetOutputInfo(uint32_t u32Handle, uint32_t u32Option, uint32_t *pu32Value)
{
    uint32_t u32Result = u32OutputInfo(u32Handle, u32Option, pu32Value);
    const uint32_t au32Args[5] = {u32Handle, u32Option, pu32Value != nullptr,
                                  pu32Value ? *pu32Value : 0, 0};
    return u32RecordCall(DDC_OP_GET_OUTPUT_INFO, au32Args, u32Result, nullptr, 0);
}
