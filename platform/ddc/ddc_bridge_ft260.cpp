// FT260: its I2C master on HID interface 0, with numbered reports. A
// write goes out in the smallest of the reports 0xD0..0xDE that holds it,
// a read is asked for by report 0xC2 and its bytes come back in input
// reports 0xD0..0xDE; the outcome is read from the status feature report.
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bridge.h"

namespace {

#define FT_SYSTEM_SETTING 0xA1u // feature report
#define FT_I2C_RESET 0x20u      // ... its request: reset the I2C master
#define FT_I2C_CLOCK 0x22u      // ... its request: the clock in kHz, low byte first
#define FT_I2C_STATUS 0xC0u     // feature report
#define FT_READ_REQUEST 0xC2u   // output report
#define FT_DATA_FIRST 0xD0u     // output and input reports of 4, 8, ... 60 data bytes
#define FT_DATA_LAST 0xDEu
#define FT_START 0x02u
#define FT_START_AND_STOP 0x06u
#define FT_REPEATED_START_AND_STOP 0x07u
#define FT_BUSY 0x01u           // status bits: the master is busy (the rest mean nothing then)
#define FT_ERROR 0x02u
#define FT_ADDR_NACK 0x04u
#define FT_DATA_NACK 0x08u
#define FT_ARBITRATION_LOST 0x10u
#define FT_BUS_BUSY 0x40u
#define FT_MAX_DATA 60u
#define FT_MAX_READ 128u        // our choice: one EDID block; the request counts to 65535
#define FT_MIN_CLOCK_KHZ 60u

uint32_t u32SetFeature(const stHidTransport *pst, const uint8_t *pu8Report, uint32_t u32Size)
{
    return pst->pfnSetFeature(pst->pvDevice, pu8Report, u32Size);
}

uint32_t u32ResetMaster(const stHidTransport *pst)
{
    const uint8_t u8Request[] = {FT_SYSTEM_SETTING, FT_I2C_RESET};
    return u32SetFeature(pst, u8Request, sizeof(u8Request));
}

uint32_t u32ResetWith(const stHidTransport *pst, uint32_t u32Code)
{
    uint32_t u32Result = u32ResetMaster(pst);
    return u32Result == DDC_ERR_ADAPTER_GONE ? u32Result : u32Code;
}

uint32_t u32GetStatus(const stHidTransport *pst, uint8_t *pu8Status)
{
    uint8_t u8Report[BRIDGE_REPORT_MAX] = {FT_I2C_STATUS};
    uint32_t u32Result = pst->pfnGetFeature(pst->pvDevice, u8Report, BRIDGE_REPORT_MAX);
    *pu8Status = u8Report[1];
    return u32Result;
}

// Polls the status until the master is done: the transfer's outcome.
uint32_t u32AwaitDone(const stHidTransport *pst)
{
    for (uint32_t u32Waited = 0; u32Waited <= BRIDGE_TRANSFER_MS; u32Waited += BRIDGE_STATUS_POLL_MS) {
        uint8_t u8Status = 0;
        uint32_t u32Result = u32GetStatus(pst, &u8Status);
        if (u32Result)
            return u32Result;
        if (!(u8Status & FT_BUSY)) {
            if (u8Status & FT_ADDR_NACK)
                return DDC_ERR_NO_ACK;
            if (u8Status & (FT_ERROR | FT_DATA_NACK | FT_ARBITRATION_LOST))
                return DDC_ERR_BUS_FAULT;
            return 0;
        }
        vBridgePause();
    }
    return u32ResetWith(pst, DDC_ERR_TIMEOUT);
}

uint32_t u32SendData(const stHidTransport *pst, uint32_t u32Addr7, uint8_t u8Flag,
                     const uint8_t *pu8Bytes, uint32_t u32Count)
{
    uint8_t u8Report[BRIDGE_REPORT_MAX] = {(uint8_t)(FT_DATA_FIRST + (u32Count - 1u) / 4u),
                                           (uint8_t)u32Addr7, u8Flag, (uint8_t)u32Count};
    memcpy(u8Report + 4, pu8Bytes, u32Count);
    uint32_t u32Result = u32BridgeSend(pst, u8Report, 4u + u32Count);
    return u32Result ? u32Result : u32AwaitDone(pst);
}

uint32_t u32Setup(const stHidTransport *pst, uint32_t u32ClockHz)
{
    uint8_t u8Status = 0;
    uint32_t u32Result = u32GetStatus(pst, &u8Status);
    if (!u32Result && (u8Status & (FT_BUSY | FT_ERROR | FT_BUS_BUSY)))
        u32Result = u32ResetMaster(pst);
    if (u32Result)
        return u32Result;
    uint32_t u32Khz = u32ClockHz / 1000u < FT_MIN_CLOCK_KHZ ? FT_MIN_CLOCK_KHZ : u32ClockHz / 1000u;
    const uint8_t u8Request[] = {FT_SYSTEM_SETTING, FT_I2C_CLOCK, (uint8_t)u32Khz,
                                 (uint8_t)(u32Khz >> 8)};
    return u32SetFeature(pst, u8Request, sizeof(u8Request));
}

uint32_t u32Write(const stHidTransport *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                  uint32_t u32Count)
{
    if (u32Count == 0 || u32Count > FT_MAX_DATA)
        return DDC_ERR_BAD_COUNT;
    return u32SendData(pst, u32Addr7, FT_START_AND_STOP, pu8Bytes, u32Count);
}

bool bIsDataReport(uint8_t u8Id) { return u8Id >= FT_DATA_FIRST && u8Id <= FT_DATA_LAST; }

// The input reports of a read request until u32Count bytes came.
uint32_t u32Collect(const stHidTransport *pst, uint8_t *pu8Buf, uint32_t u32Count)
{
    uint8_t u8Report[BRIDGE_REPORT_MAX];
    for (uint32_t u32Got = 0; u32Got < u32Count;) {
        uint32_t u32Result =
            pst->pfnInput(pst->pvDevice, u8Report, BRIDGE_REPORT_MAX, BRIDGE_REPLY_MS);
        if (u32Result == DDC_ERR_TIMEOUT) {
            // Nothing came: the status tells whether the address was refused.
            u32Result = u32AwaitDone(pst);
            return u32ResetWith(pst, u32Result ? u32Result : DDC_ERR_TIMEOUT);
        }
        if (u32Result)
            return u32Result;
        if (!bIsDataReport(u8Report[0]))
            continue;
        uint32_t u32Len = u8Report[1] < FT_MAX_DATA ? u8Report[1] : FT_MAX_DATA;
        uint32_t u32Take = u32Len < u32Count - u32Got ? u32Len : u32Count - u32Got;
        memcpy(pu8Buf + u32Got, u8Report + 2, u32Take);
        u32Got += u32Take;
    }
    return u32AwaitDone(pst);
}

uint32_t u32Read(const stHidTransport *pst, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                 uint32_t u32Count)
{
    if (u32Count == 0 || u32Count > FT_MAX_READ)
        return DDC_ERR_BAD_COUNT;
    uint32_t u32Result = u32SendData(pst, u32Addr7, FT_START, &u8Reg, 1);
    if (u32Result)
        return u32Result == DDC_ERR_ADAPTER_GONE ? u32Result : u32ResetWith(pst, u32Result);
    const uint8_t u8Request[] = {FT_READ_REQUEST, (uint8_t)u32Addr7, FT_REPEATED_START_AND_STOP,
                                 (uint8_t)u32Count, (uint8_t)(u32Count >> 8)};
    u32Result = u32BridgeSend(pst, u8Request, sizeof(u8Request));
    return u32Result ? u32Result : u32Collect(pst, pu8Buf, u32Count);
}

const stBridgeChip gst_Ft260 = {"FT260", 0x0403u, 0x6030u, 1, FT_MAX_DATA, FT_MAX_READ,
                                u32Setup, u32Write, u32Read};

} // namespace

const stBridgeChip *pstBridgeFt260(void) { return &gst_Ft260; }
