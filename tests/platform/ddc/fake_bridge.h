// A USB-I2C bridge chip behind a fake HID transport: the chip's side of
// its report protocol (MCP2221, FT260 or CP2112) with the bench's EEPROM
// model at one bus address, on the platform clock. Every report the host
// sends (output and set-feature) is recorded in hex.
#ifndef FAKE_BRIDGE_H
#define FAKE_BRIDGE_H

#include <stdint.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/ddc/ddc_bridge.h"
#include "platform/ddc/ddc_eeprom.h"

class FakeBridge {
public:
    explicit FakeBridge(uint32_t u32Kind);
    const stHidTransport *Transport() const { return &m_transport; }
    // "out 90 09 00 A0 10 ..." / "set A1 22 64 00": the report's bytes as sent.
    std::vector<std::string> TakeSent();

    stEeprom mem;
    uint32_t u32MemAddr7 = 0x50;
    bool bStuck = false;        // a transfer left running by an earlier program
    int goneAtWrite = -1;       // the device is unplugged as this data write (0 first) goes out
    int callsWhileGone = 0;     // transport calls after it was unplugged
    uint32_t u32ClockSet = 0;   // what the host set the clock to (the chip's own units)

private:
    static uint32_t u32Output(void *pvDevice, const uint8_t *pu8Report, uint32_t u32Size);
    static uint32_t u32Input(void *pvDevice, uint8_t *pu8Report, uint32_t u32Size, uint32_t);
    static uint32_t u32SetFeature(void *pvDevice, const uint8_t *pu8Report, uint32_t u32Size);
    static uint32_t u32GetFeature(void *pvDevice, uint8_t *pu8Report, uint32_t u32Size);
    bool bGone();
    bool bAnswers(uint32_t u32Addr7) const;
    void vWriteMem(const uint8_t *pu8Bytes, uint32_t u32Count);
    std::vector<uint8_t> lstReadMem(uint32_t u32Count);
    void vQueue(std::vector<uint8_t> report);
    void vMcpCommand(const uint8_t *pu8);
    void vFtOutput(const uint8_t *pu8);
    void vCpOutput(const uint8_t *pu8);

    uint32_t m_u32Kind;
    stHidTransport m_transport;
    std::vector<std::string> m_sent;
    std::deque<std::vector<uint8_t>> m_inputs;
    int m_writes = 0;
    bool m_bGone = false;
    bool m_bNack = false;        // the last transfer's address was not acknowledged
    uint8_t m_u8McpState = 0;
    uint8_t m_u8CpStatus = 0;    // CP2112 status 0 of the last transfer
    std::vector<uint8_t> m_pending; // bytes read, not yet fetched
};

#endif
