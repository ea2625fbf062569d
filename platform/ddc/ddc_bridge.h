// USB-I2C bridges driven through their HID reports: the MCP2221/MCP2221A,
// the FT260 and the CP2112. Each chip's report protocol moves one transfer
// at a time over a transport of four report calls, which the system's HID
// driver gives on Windows and a test's model of the chip gives elsewhere.
#ifndef DDC_BRIDGE_H
#define DDC_BRIDGE_H

#include <stdint.h>

#define BRIDGE_REPORT_MAX 65u       // the report id and 64 bytes: every report of the three chips
#define BRIDGE_REPLY_MS 500u        // an input report the chip owes is waited for this long
#define BRIDGE_TRANSFER_MS 1000u    // a transfer still running after this is cancelled
#define BRIDGE_STATUS_POLL_MS 1u    // pause between two asks whether a transfer is done
#define BRIDGE_DEFAULT_CLOCK_HZ 100000u

// The device's reports, the report id first (0 where the chip numbers none).
// Each call returns 0, DDC_ERR_TIMEOUT (no input report in time),
// DDC_ERR_ADAPTER_GONE (the device was unplugged) or DDC_ERR_BUS_FAULT.
struct stHidTransport {
    void *pvDevice;
    uint32_t (*pfnOutput)(void *pvDevice, const uint8_t *pu8Report, uint32_t u32Size);
    // Fills pu8Report (u32Size bytes, zeros after what the device sent).
    uint32_t (*pfnInput)(void *pvDevice, uint8_t *pu8Report, uint32_t u32Size,
                         uint32_t u32TimeoutMs);
    uint32_t (*pfnSetFeature)(void *pvDevice, const uint8_t *pu8Report, uint32_t u32Size);
    // pu8Report[0] names the report on the way in.
    uint32_t (*pfnGetFeature)(void *pvDevice, uint8_t *pu8Report, uint32_t u32Size);
};

enum { BRIDGE_MCP2221 = 0, BRIDGE_FT260, BRIDGE_CP2112, BRIDGE_KINDS };

struct stBridgeChip {
    const char *pcKind;           // "MCP2221", as the unit's name begins
    uint16_t u16Vid;
    uint16_t u16Pid;
    int32_t bI2cOnInterface0;     // its other HID interfaces are no I2C
    uint32_t u32MaxWrite;         // bytes of one write, the register address included
    uint32_t u32MaxRead;          // data bytes of one read
    // At each open: a transfer left running is cancelled, the clock set.
    uint32_t (*pfnSetup)(const stHidTransport *pst, uint32_t u32ClockHz);
    // One write transfer; pu8Bytes[0] is the register address.
    uint32_t (*pfnWrite)(const stHidTransport *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                         uint32_t u32Count);
    // The register address written without a stop, a repeated start, then
    // u32Count bytes read.
    uint32_t (*pfnRead)(const stHidTransport *pst, uint32_t u32Addr7, uint8_t u8Reg,
                        uint8_t *pu8Buf, uint32_t u32Count);
};

const stBridgeChip *pstBridgeChip(uint32_t u32Kind);
// The chip of a USB vendor and product id; null for any other device.
const stBridgeChip *pstBridgeChipOf(uint16_t u16Vid, uint16_t u16Pid);

const stBridgeChip *pstBridgeMcp2221(void);
const stBridgeChip *pstBridgeFt260(void);
const stBridgeChip *pstBridgeCp2112(void);

// --- Shared by the chips' files -------------------------------------------
// An output report of u32Size bytes (the rest of a full report zeros).
uint32_t u32BridgeSend(const stHidTransport *pst, const uint8_t *pu8Report, uint32_t u32Size);
// The next input report whose id is u8Id; reports of other ids are passed over.
uint32_t u32BridgeReceive(const stHidTransport *pst, uint8_t u8Id, uint8_t *pu8Report);
// An output report, then the chip's answer: an input report whose byte
// u32EchoAt repeats byte u32EchoAt of the request (the command code).
uint32_t u32BridgeAsk(const stHidTransport *pst, const uint8_t *pu8Request, uint32_t u32Size,
                      uint32_t u32EchoAt, uint8_t *pu8Reply);
// A pause between two polls of a transfer's status (platform clock).
void vBridgePause(void);

#endif
