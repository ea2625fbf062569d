#include "fake_bridge.h"

#include <stdio.h>
#include <string.h>

#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"

namespace {

std::string strHex(const char *pcWhat, const uint8_t *pu8, uint32_t u32Size)
{
    std::string text = pcWhat;
    char cByte[4];
    for (uint32_t i = 0; i < u32Size; i++) {
        snprintf(cByte, sizeof(cByte), " %02X", pu8[i]);
        text += cByte;
    }
    return text;
}

} // namespace

FakeBridge::FakeBridge(uint32_t u32Kind) : m_u32Kind(u32Kind)
{
    vEepromInit(&mem, 256);
    m_transport = {this, u32Output, u32Input, u32SetFeature, u32GetFeature};
}

std::vector<std::string> FakeBridge::TakeSent()
{
    std::vector<std::string> sent;
    sent.swap(m_sent);
    return sent;
}

bool FakeBridge::bGone()
{
    if (m_bGone)
        callsWhileGone++;
    return m_bGone;
}

bool FakeBridge::bAnswers(uint32_t u32Addr7) const
{
    return u32Addr7 == u32MemAddr7 && bEepromAnswers(&mem, u64ClockNowUs());
}

void FakeBridge::vWriteMem(const uint8_t *pu8Bytes, uint32_t u32Count)
{
    vEepromWrite(&mem, 0, pu8Bytes, u32Count, u64ClockNowUs());
}

std::vector<uint8_t> FakeBridge::lstReadMem(uint32_t u32Count)
{
    std::vector<uint8_t> bytes(u32Count);
    vEepromRead(&mem, 0, bytes.data(), u32Count);
    return bytes;
}

void FakeBridge::vQueue(std::vector<uint8_t> report)
{
    report.resize(BRIDGE_REPORT_MAX);
    m_inputs.push_back(report);
}

uint32_t FakeBridge::u32Output(void *pvDevice, const uint8_t *pu8Report, uint32_t u32Size)
{
    FakeBridge *p = static_cast<FakeBridge *>(pvDevice);
    // A data write, as the chip would see it: unplugging takes it with it.
    bool bDataWrite = (p->m_u32Kind == BRIDGE_MCP2221 && pu8Report[1] == 0x90 && pu8Report[2] > 1) ||
                      (p->m_u32Kind == BRIDGE_FT260 && pu8Report[0] >= 0xD0 && pu8Report[3] > 1) ||
                      (p->m_u32Kind == BRIDGE_CP2112 && pu8Report[0] == 0x14 && pu8Report[2] > 1);
    if (bDataWrite && p->m_writes++ == p->goneAtWrite)
        p->m_bGone = true;
    if (p->bGone())
        return DDC_ERR_ADAPTER_GONE;
    p->m_sent.push_back(strHex("out", pu8Report, u32Size));
    uint8_t u8Full[BRIDGE_REPORT_MAX] = {};
    memcpy(u8Full, pu8Report, u32Size < BRIDGE_REPORT_MAX ? u32Size : BRIDGE_REPORT_MAX);
    if (p->m_u32Kind == BRIDGE_MCP2221)
        p->vMcpCommand(u8Full);
    else if (p->m_u32Kind == BRIDGE_FT260)
        p->vFtOutput(u8Full);
    else
        p->vCpOutput(u8Full);
    return 0;
}

uint32_t FakeBridge::u32Input(void *pvDevice, uint8_t *pu8Report, uint32_t u32Size, uint32_t)
{
    FakeBridge *p = static_cast<FakeBridge *>(pvDevice);
    if (p->bGone())
        return DDC_ERR_ADAPTER_GONE;
    if (p->m_inputs.empty())
        return DDC_ERR_TIMEOUT;
    memcpy(pu8Report, p->m_inputs.front().data(), u32Size);
    p->m_inputs.pop_front();
    return 0;
}

uint32_t FakeBridge::u32SetFeature(void *pvDevice, const uint8_t *pu8Report, uint32_t u32Size)
{
    FakeBridge *p = static_cast<FakeBridge *>(pvDevice);
    if (p->bGone())
        return DDC_ERR_ADAPTER_GONE;
    p->m_sent.push_back(strHex("set", pu8Report, u32Size));
    if (p->m_u32Kind == BRIDGE_FT260 && pu8Report[0] == 0xA1 && pu8Report[1] == 0x20) {
        p->bStuck = false;
        p->m_bNack = false;
    } else if (p->m_u32Kind == BRIDGE_FT260 && pu8Report[0] == 0xA1 && pu8Report[1] == 0x22) {
        p->u32ClockSet = pu8Report[2] | (uint32_t)pu8Report[3] << 8;
    } else if (p->m_u32Kind == BRIDGE_CP2112 && pu8Report[0] == 0x06) {
        p->u32ClockSet = (uint32_t)pu8Report[1] << 24 | (uint32_t)pu8Report[2] << 16 |
                         (uint32_t)pu8Report[3] << 8 | pu8Report[4];
    }
    return 0;
}

// Only the FT260's status is a feature report read here.
uint32_t FakeBridge::u32GetFeature(void *pvDevice, uint8_t *pu8Report, uint32_t u32Size)
{
    FakeBridge *p = static_cast<FakeBridge *>(pvDevice);
    if (p->bGone())
        return DDC_ERR_ADAPTER_GONE;
    if (p->m_u32Kind != BRIDGE_FT260 || pu8Report[0] != 0xC0)
        return DDC_ERR_BUS_FAULT;
    memset(pu8Report + 1, 0, u32Size - 1);
    // Busy with the bus held, or idle with the last transfer's outcome.
    pu8Report[1] = p->bStuck ? 0x41 : (uint8_t)(0x20 | (p->m_bNack ? 0x06 : 0x00));
    pu8Report[2] = (uint8_t)p->u32ClockSet;
    pu8Report[3] = (uint8_t)(p->u32ClockSet >> 8);
    return 0;
}

// Report id 0, the command in byte 1; every command is answered.
void FakeBridge::vMcpCommand(const uint8_t *pu8)
{
    std::vector<uint8_t> reply = {0, pu8[1], 0};
    reply.resize(BRIDGE_REPORT_MAX);
    uint32_t u32Addr7 = pu8[4] >> 1;
    uint32_t u32Len = pu8[2] | (uint32_t)pu8[3] << 8;
    bool bBusy = bStuck || (m_u8McpState != 0 && m_u8McpState != 0x55);
    switch (pu8[1]) {
    case 0x10:
        if (pu8[3] == 0x10) {
            reply[3] = (bStuck || m_u8McpState) ? 0x10 : 0x11;
            bStuck = false;
            m_bNack = false;
            m_u8McpState = 0;
            m_pending.clear();
        }
        if (pu8[4] == 0x20) {
            reply[4] = bStuck ? 0x21 : 0x20;
            if (!bStuck)
                u32ClockSet = pu8[5];
        }
        reply[9] = bStuck ? 0x46 : m_u8McpState;
        reply[21] = m_bNack ? 0x40 : 0x00;
        break;
    case 0x90:
    case 0x94:
        if (bBusy) {
            reply[2] = 0x01;
        } else if (bAnswers(u32Addr7)) {
            vWriteMem(pu8 + 5, pu8[1] == 0x90 ? u32Len : 1u);
            m_bNack = false;
        } else {
            m_bNack = true;
            m_u8McpState = 0x25;
        }
        break;
    case 0x93:
        if (m_u8McpState == 0 && !bStuck) {
            m_pending = lstReadMem(u32Len);
            m_u8McpState = 0x55;
        }
        break;
    case 0x40:
        reply[3] = m_u8McpState;
        if (m_u8McpState == 0x55) {
            reply[4] = (uint8_t)m_pending.size();
            std::copy(m_pending.begin(), m_pending.end(), reply.begin() + 5);
            m_pending.clear();
            m_u8McpState = 0;
        }
        break;
    default:
        reply[2] = 0x02; // not supported
    }
    vQueue(reply);
}

void FakeBridge::vFtOutput(const uint8_t *pu8)
{
    if (bStuck)
        return;
    uint32_t u32Addr7 = pu8[1];
    if (pu8[0] == 0xC2) {
        uint32_t u32Len = pu8[3] | (uint32_t)pu8[4] << 8;
        if (m_bNack || !bAnswers(u32Addr7)) {
            m_bNack = true;
            return;
        }
        std::vector<uint8_t> bytes = lstReadMem(u32Len);
        for (uint32_t u32At = 0; u32At < u32Len; u32At += 60) {
            uint32_t u32Chunk = u32Len - u32At < 60 ? u32Len - u32At : 60;
            std::vector<uint8_t> report = {(uint8_t)(0xD0 + (u32Chunk - 1) / 4), (uint8_t)u32Chunk};
            report.insert(report.end(), bytes.begin() + u32At, bytes.begin() + u32At + u32Chunk);
            vQueue(report);
        }
        return;
    }
    m_bNack = !bAnswers(u32Addr7);
    if (!m_bNack)
        vWriteMem(pu8 + 4, pu8[2] == 0x06 ? pu8[3] : 1u);
}

void FakeBridge::vCpOutput(const uint8_t *pu8)
{
    uint32_t u32Addr7 = pu8[1] >> 1;
    switch (pu8[0]) {
    case 0x15:
        vQueue({0x16, bStuck ? (uint8_t)0x01 : m_u8CpStatus, 0x00});
        break;
    case 0x17:
        bStuck = false;
        m_u8CpStatus = 0;
        break;
    case 0x14:
    case 0x11:
        if (bStuck)
            break;
        m_bNack = !bAnswers(u32Addr7);
        m_u8CpStatus = m_bNack ? 0x03 : 0x02;
        if (m_bNack)
            break;
        if (pu8[0] == 0x14) {
            vWriteMem(pu8 + 3, pu8[2]);
        } else {
            vWriteMem(pu8 + 5, 1);
            m_pending = lstReadMem(pu8[2] << 8 | pu8[3]);
        }
        break;
    case 0x12:
        for (size_t at = 0; at < m_pending.size(); at += 61) {
            size_t chunk = m_pending.size() - at < 61 ? m_pending.size() - at : 61;
            std::vector<uint8_t> report = {0x13, 0x02, (uint8_t)chunk};
            report.insert(report.end(), m_pending.begin() + at, m_pending.begin() + at + chunk);
            vQueue(report);
        }
        m_pending.clear();
        break;
    }
}
