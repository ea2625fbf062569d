// MCP2221/MCP2221A: every command is a 64-byte output report without a
// report id, answered by a 64-byte input report that repeats the command
// code. Byte n of the datasheet's tables is byte n + 1 of the reports here.
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bridge.h"

namespace {

#define MCP_STATUS 0x10u        // status, cancel a transfer, set the clock
#define MCP_CANCEL 0x10u        // ... its byte 2: cancel the current transfer
#define MCP_SET_SPEED 0x20u     // ... its byte 3: take the divider of byte 4
#define MCP_SPEED_TAKEN 0x20u   // ... answered in byte 3 when the clock was set
#define MCP_WRITE 0x90u
#define MCP_WRITE_NO_STOP 0x94u
#define MCP_READ_REPEATED_START 0x93u
#define MCP_GET_DATA 0x40u
#define MCP_DONE 0x00u          // byte 1 of an answer: command taken
#define MCP_STATE_IDLE 0x00u    // the I2C engine's state, byte 8 of the status
#define MCP_STATE_ADDR_NACK 0x25u
#define MCP_STATE_READ_DONE 0x55u
#define MCP_NACK_BIT 0x40u      // byte 20 of the status: the address was not acknowledged
#define MCP_DATA_ERROR 0x7Fu    // data size of Get I2C Data when the read failed
#define MCP_MAX_DATA 60u        // bytes one report carries
#define MCP_CLOCK_HZ 12000000u  // the clock the divider divides
#define MCP_MAX_DIVIDER 255u    // about 46 kHz: a slower clock asked for gets this
#define MCP_SPEED_TRIES 5u

#define MCP_STATE_AT 9u
#define MCP_NACK_AT 21u

// A state from which the engine gives up waiting on the bus (start, stop,
// address or data timed out).
bool bTimedOutState(uint8_t u8State)
{
    return u8State == 0x12u || u8State == 0x23u || u8State == 0x44u || u8State == 0x62u;
}

uint32_t u32Command(const stHidTransport *pst, uint8_t *pu8Request, uint8_t *pu8Reply)
{
    return u32BridgeAsk(pst, pu8Request, BRIDGE_REPORT_MAX, 1u, pu8Reply);
}

uint32_t u32Status(const stHidTransport *pst, uint8_t u8Cancel, uint8_t u8Speed,
                   uint8_t u8Divider, uint8_t *pu8Reply)
{
    uint8_t u8Request[BRIDGE_REPORT_MAX] = {0, MCP_STATUS, 0, u8Cancel, u8Speed, u8Divider};
    return u32Command(pst, u8Request, pu8Reply);
}

uint32_t u32Cancel(const stHidTransport *pst)
{
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    return u32Status(pst, MCP_CANCEL, 0, 0, u8Reply);
}

// Cancels what a failed transfer left in the engine; the transport's own
// failure (an unplugged device) wins over the transfer's.
uint32_t u32CancelWith(const stHidTransport *pst, uint32_t u32Code)
{
    uint32_t u32Result = u32Cancel(pst);
    return u32Result == DDC_ERR_ADAPTER_GONE ? u32Result : u32Code;
}

// Polls the status until the engine is idle again: the transfer's outcome.
uint32_t u32AwaitIdle(const stHidTransport *pst)
{
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    for (uint32_t u32Waited = 0; u32Waited <= BRIDGE_TRANSFER_MS; u32Waited += BRIDGE_STATUS_POLL_MS) {
        uint32_t u32Result = u32Status(pst, 0, 0, 0, u8Reply);
        if (u32Result)
            return u32Result;
        uint8_t u8State = u8Reply[MCP_STATE_AT];
        if (u8State == MCP_STATE_ADDR_NACK || (u8Reply[MCP_NACK_AT] & MCP_NACK_BIT))
            return u32CancelWith(pst, DDC_ERR_NO_ACK);
        if (bTimedOutState(u8State))
            return u32CancelWith(pst, DDC_ERR_TIMEOUT);
        if (u8State == MCP_STATE_IDLE)
            return 0;
        vBridgePause();
    }
    return u32CancelWith(pst, DDC_ERR_TIMEOUT);
}

// A write command (with or without its stop) of u32Count bytes.
uint32_t u32StartWrite(const stHidTransport *pst, uint8_t u8Command, uint32_t u32Addr7,
                       const uint8_t *pu8Bytes, uint32_t u32Count)
{
    uint8_t u8Request[BRIDGE_REPORT_MAX] = {0, u8Command, (uint8_t)u32Count, 0,
                                            (uint8_t)(u32Addr7 << 1)};
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    memcpy(u8Request + 5, pu8Bytes, u32Count);
    uint32_t u32Result = u32Command(pst, u8Request, u8Reply);
    if (u32Result)
        return u32Result;
    return u8Reply[2] == MCP_DONE ? 0 : u32CancelWith(pst, DDC_ERR_BUS_FAULT);
}

uint32_t u32Setup(const stHidTransport *pst, uint32_t u32ClockHz)
{
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    uint32_t u32Result = u32Status(pst, 0, 0, 0, u8Reply);
    if (!u32Result && u8Reply[MCP_STATE_AT] != MCP_STATE_IDLE)
        u32Result = u32Cancel(pst);
    if (u32Result)
        return u32Result;
    uint32_t u32Divider = MCP_CLOCK_HZ / u32ClockHz - 3u;
    uint8_t u8Divider = (uint8_t)(u32Divider < MCP_MAX_DIVIDER ? u32Divider : MCP_MAX_DIVIDER);
    // A cancelled transfer may take a moment to end: till then the clock is refused.
    for (uint32_t u32Try = 0; u32Try < MCP_SPEED_TRIES; u32Try++) {
        u32Result = u32Status(pst, 0, MCP_SET_SPEED, u8Divider, u8Reply);
        if (u32Result || u8Reply[4] == MCP_SPEED_TAKEN)
            return u32Result;
        vBridgePause();
    }
    return DDC_ERR_BUS_FAULT;
}

uint32_t u32Write(const stHidTransport *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                  uint32_t u32Count)
{
    if (u32Count == 0 || u32Count > MCP_MAX_DATA)
        return DDC_ERR_BAD_COUNT;
    uint32_t u32Result = u32StartWrite(pst, MCP_WRITE, u32Addr7, pu8Bytes, u32Count);
    return u32Result ? u32Result : u32AwaitIdle(pst);
}

// Get I2C Data until the engine has read all u32Count bytes.
uint32_t u32Collect(const stHidTransport *pst, uint8_t *pu8Buf, uint32_t u32Count)
{
    uint8_t u8Request[BRIDGE_REPORT_MAX] = {0, MCP_GET_DATA};
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    uint32_t u32Got = 0;
    for (uint32_t u32Waited = 0; u32Waited <= BRIDGE_TRANSFER_MS; u32Waited += BRIDGE_STATUS_POLL_MS) {
        uint32_t u32Result = u32Command(pst, u8Request, u8Reply);
        if (u32Result)
            return u32Result;
        if (u8Reply[3] == MCP_STATE_ADDR_NACK)
            return u32CancelWith(pst, DDC_ERR_NO_ACK);
        if (u8Reply[2] != MCP_DONE || u8Reply[4] == MCP_DATA_ERROR || u8Reply[4] > MCP_MAX_DATA)
            return u32CancelWith(pst, DDC_ERR_BUS_FAULT);
        uint32_t u32Take = u8Reply[4] < u32Count - u32Got ? u8Reply[4] : u32Count - u32Got;
        memcpy(pu8Buf + u32Got, u8Reply + 5, u32Take);
        u32Got += u32Take;
        if (u32Got == u32Count)
            return 0;
        if (u32Take == 0)
            vBridgePause();
    }
    return u32CancelWith(pst, DDC_ERR_TIMEOUT);
}

uint32_t u32Read(const stHidTransport *pst, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                 uint32_t u32Count)
{
    if (u32Count == 0 || u32Count > MCP_MAX_DATA)
        return DDC_ERR_BAD_COUNT;
    uint32_t u32Result = u32StartWrite(pst, MCP_WRITE_NO_STOP, u32Addr7, &u8Reg, 1);
    if (u32Result)
        return u32Result;
    uint8_t u8Request[BRIDGE_REPORT_MAX] = {0, MCP_READ_REPEATED_START, (uint8_t)u32Count, 0,
                                            (uint8_t)((u32Addr7 << 1) | 1u)};
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    u32Result = u32Command(pst, u8Request, u8Reply);
    if (u32Result)
        return u32Result;
    if (u8Reply[2] != MCP_DONE) {
        // Refused while the engine still holds the address phase: its outcome.
        u32Result = u32AwaitIdle(pst);
        return u32Result ? u32Result : u32CancelWith(pst, DDC_ERR_BUS_FAULT);
    }
    return u32Collect(pst, pu8Buf, u32Count);
}

const stBridgeChip gst_Mcp2221 = {"MCP2221", 0x04D8u, 0x00DDu, 0, MCP_MAX_DATA, MCP_MAX_DATA,
                                  u32Setup, u32Write, u32Read};

} // namespace

const stBridgeChip *pstBridgeMcp2221(void) { return &gst_Mcp2221; }
