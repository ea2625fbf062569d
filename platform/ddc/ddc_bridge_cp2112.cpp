// CP2112: numbered reports, 16-bit counts high byte first. A read from a
// register is its combined write-read request; the bytes are fetched with
// a forced read response once the transfer status says it is complete,
// never sent on their own (the chip can answer an address read with the
// address bytes when it sends them by itself).
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bridge.h"

namespace {

#define CP_SMBUS_CONFIG 0x06u     // feature report
#define CP_WRITE_READ 0x11u       // output reports
#define CP_FORCE_READ 0x12u
#define CP_READ_RESPONSE 0x13u    // input report
#define CP_WRITE 0x14u
#define CP_STATUS_REQUEST 0x15u
#define CP_STATUS_RESPONSE 0x16u  // input report
#define CP_CANCEL 0x17u
#define CP_IDLE 0x00u             // status 0 of a transfer
#define CP_BUSY 0x01u
#define CP_COMPLETE 0x02u
#define CP_ERROR 0x03u
#define CP_ERR_ADDR_NACK 0x00u    // status 1 after an error: the address was not acknowledged
#define CP_ERR_BUS_NOT_FREE 0x01u // ... SCL held low
#define CP_MAX_WRITE 61u
#define CP_MAX_READ 512u
#define CP_READ_DATA 61u          // data bytes of one read response
#define CP_TARGET_SIZE 16u        // register address bytes a write-read request holds
#define CP_OWN_ADDRESS 0x02u      // the chip's own address, the default
#define CP_CHIP_TIMEOUT_MS 100u   // the chip's own write and read timeouts
#define CP_RETRIES 1u             // a refused address is reported, not tried again and again

uint32_t u32Cancel(const stHidTransport *pst)
{
    const uint8_t u8Request[] = {CP_CANCEL, 0x01};
    return u32BridgeSend(pst, u8Request, sizeof(u8Request));
}

uint32_t u32CancelWith(const stHidTransport *pst, uint32_t u32Code)
{
    uint32_t u32Result = u32Cancel(pst);
    return u32Result == DDC_ERR_ADAPTER_GONE ? u32Result : u32Code;
}

uint32_t u32Status(const stHidTransport *pst, uint8_t *pu8Reply)
{
    const uint8_t u8Request[] = {CP_STATUS_REQUEST, 0x01};
    uint32_t u32Result = u32BridgeSend(pst, u8Request, sizeof(u8Request));
    return u32Result ? u32Result : u32BridgeReceive(pst, CP_STATUS_RESPONSE, pu8Reply);
}

uint32_t u32ErrorCode(uint8_t u8Why)
{
    if (u8Why == CP_ERR_ADDR_NACK)
        return DDC_ERR_NO_ACK;
    return u8Why == CP_ERR_BUS_NOT_FREE ? DDC_ERR_TIMEOUT : DDC_ERR_BUS_FAULT;
}

// Polls the transfer status until the transfer ended: its outcome.
uint32_t u32AwaitDone(const stHidTransport *pst)
{
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    for (uint32_t u32Waited = 0; u32Waited <= BRIDGE_TRANSFER_MS; u32Waited += BRIDGE_STATUS_POLL_MS) {
        uint32_t u32Result = u32Status(pst, u8Reply);
        if (u32Result)
            return u32Result;
        if (u8Reply[1] == CP_ERROR)
            return u32ErrorCode(u8Reply[2]);
        if (u8Reply[1] == CP_COMPLETE || u8Reply[1] == CP_IDLE)
            return 0;
        vBridgePause();
    }
    return u32CancelWith(pst, DDC_ERR_TIMEOUT);
}

uint32_t u32Setup(const stHidTransport *pst, uint32_t u32ClockHz)
{
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    uint32_t u32Result = u32Status(pst, u8Reply);
    if (!u32Result && u8Reply[1] == CP_BUSY)
        u32Result = u32Cancel(pst);
    if (u32Result)
        return u32Result;
    const uint8_t u8Config[] = {CP_SMBUS_CONFIG,
                                (uint8_t)(u32ClockHz >> 24), (uint8_t)(u32ClockHz >> 16),
                                (uint8_t)(u32ClockHz >> 8), (uint8_t)u32ClockHz,
                                CP_OWN_ADDRESS, 0, // the host asks for read data itself
                                0, CP_CHIP_TIMEOUT_MS, 0, CP_CHIP_TIMEOUT_MS,
                                1, // SCL held low too long ends a transfer
                                0, CP_RETRIES};
    return pst->pfnSetFeature(pst->pvDevice, u8Config, sizeof(u8Config));
}

uint32_t u32Write(const stHidTransport *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                  uint32_t u32Count)
{
    if (u32Count == 0 || u32Count > CP_MAX_WRITE)
        return DDC_ERR_BAD_COUNT;
    uint8_t u8Request[BRIDGE_REPORT_MAX] = {CP_WRITE, (uint8_t)(u32Addr7 << 1), (uint8_t)u32Count};
    memcpy(u8Request + 3, pu8Bytes, u32Count);
    uint32_t u32Result = u32BridgeSend(pst, u8Request, 3u + u32Count);
    return u32Result ? u32Result : u32AwaitDone(pst);
}

// Forced read responses until u32Count bytes came.
uint32_t u32Fetch(const stHidTransport *pst, uint8_t *pu8Buf, uint32_t u32Count)
{
    const uint8_t u8Request[] = {CP_FORCE_READ, (uint8_t)(u32Count >> 8), (uint8_t)u32Count};
    uint32_t u32Result = u32BridgeSend(pst, u8Request, sizeof(u8Request));
    uint8_t u8Reply[BRIDGE_REPORT_MAX];
    for (uint32_t u32Got = 0; !u32Result && u32Got < u32Count;) {
        u32Result = u32BridgeReceive(pst, CP_READ_RESPONSE, u8Reply);
        if (u32Result)
            break;
        if (u8Reply[1] == CP_ERROR || u8Reply[2] > CP_READ_DATA)
            return u32CancelWith(pst, DDC_ERR_BUS_FAULT);
        uint32_t u32Take = u8Reply[2] < u32Count - u32Got ? u8Reply[2] : u32Count - u32Got;
        memcpy(pu8Buf + u32Got, u8Reply + 3, u32Take);
        u32Got += u32Take;
    }
    return u32Result == DDC_ERR_TIMEOUT ? u32CancelWith(pst, u32Result) : u32Result;
}

uint32_t u32Read(const stHidTransport *pst, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                 uint32_t u32Count)
{
    if (u32Count == 0 || u32Count > CP_MAX_READ)
        return DDC_ERR_BAD_COUNT;
    uint8_t u8Request[5u + CP_TARGET_SIZE] = {CP_WRITE_READ, (uint8_t)(u32Addr7 << 1),
                                              (uint8_t)(u32Count >> 8), (uint8_t)u32Count, 1, u8Reg};
    uint32_t u32Result = u32BridgeSend(pst, u8Request, sizeof(u8Request));
    if (!u32Result)
        u32Result = u32AwaitDone(pst);
    return u32Result ? u32Result : u32Fetch(pst, pu8Buf, u32Count);
}

const stBridgeChip gst_Cp2112 = {"CP2112", 0x10C4u, 0xEA90u, 0, CP_MAX_WRITE, CP_MAX_READ,
                                 u32Setup, u32Write, u32Read};

} // namespace

const stBridgeChip *pstBridgeCp2112(void) { return &gst_Cp2112; }
