#include "fake_winbus.h"

#include <stdio.h>
#include <string.h>

#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"

namespace {

FakeBackend g_backends[3];

std::string strHex(const uint8_t *pu8, uint32_t u32Count)
{
    std::string text;
    char cByte[4];
    for (uint32_t i = 0; i < u32Count; i++) {
        snprintf(cByte, sizeof(cByte), " %02X", pu8[i]);
        text += cByte;
    }
    return text;
}

template <uint32_t B> uint32_t u32Find(stWinBusUnit *pstUnits, uint32_t u32Max)
{
    FakeBackend &back = g_backends[B];
    back.u32Finds++;
    uint32_t u32Count = 0;
    for (; u32Count < back.units.size() && u32Count < u32Max; u32Count++)
        pstUnits[u32Count] = back.units[u32Count].unit;
    return u32Count;
}

template <uint32_t B> uint32_t u32Open(uint32_t u32Unit)
{
    g_backends[B].lines.push_back("open " + std::to_string(u32Unit));
    return 0;
}

template <uint32_t B> void vClose(uint32_t u32Unit)
{
    g_backends[B].lines.push_back("close " + std::to_string(u32Unit));
}

// The memory answers unless it is in its write cycle.
uint32_t u32Answer(FakeUnit &unit)
{
    uint32_t u32Code = unit.u32FailNext;
    unit.u32FailNext = 0;
    if (u32Code)
        return u32Code;
    return unit.bMemory && bEepromAnswers(&unit.mem, u64ClockNowUs()) ? 0 : DDC_ERR_NO_ACK;
}

// 0x50, and 0x51 on a two-block memory of 512 bytes.
bool bAnswersAt(const FakeUnit &unit, uint32_t u32Addr7)
{
    return u32Addr7 == 0x50 || (u32Addr7 == 0x51 && bEepromHasHalf(&unit.mem, 1));
}

template <uint32_t B>
uint32_t u32Write(uint32_t u32Unit, uint32_t u32Addr7, const uint8_t *pu8Bytes, uint32_t u32Count)
{
    FakeUnit &unit = g_backends[B].units.at(u32Unit);
    g_backends[B].lines.push_back("write " + std::to_string(u32Unit) + strHex(pu8Bytes, u32Count));
    uint32_t u32Result = bAnswersAt(unit, u32Addr7) ? u32Answer(unit) : DDC_ERR_NO_ACK;
    if (!u32Result)
        vEepromWrite(&unit.mem, u32Addr7 == 0x51 ? 1u : 0u, pu8Bytes, u32Count, u64ClockNowUs());
    return u32Result;
}

template <uint32_t B>
uint32_t u32Read(uint32_t u32Unit, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                 uint32_t u32Count)
{
    FakeUnit &unit = g_backends[B].units.at(u32Unit);
    char cLine[64];
    snprintf(cLine, sizeof(cLine), "read %u @%02X %u", u32Unit, u8Reg, u32Count);
    g_backends[B].lines.push_back(cLine);
    uint32_t u32Result = bAnswersAt(unit, u32Addr7) ? u32Answer(unit) : DDC_ERR_NO_ACK;
    if (!u32Result) {
        unit.mem.u32Counter = u8Reg;
        vEepromRead(&unit.mem, u32Addr7 == 0x51 ? 1u : 0u, pu8Buf, u32Count);
    }
    return u32Result;
}

template <uint32_t B> void vUnload(void) { g_backends[B].u32Unloads++; }

// The bridge takes what one USB report holds; the drivers what theirs say.
const stWinBusOps g_ops[3] = {
    {"MCP2221", 9, 60, u32Find<0>, u32Open<0>, vClose<0>, u32Write<0>, u32Read<0>, vUnload<0>},
    {"NVAPI", 17, 16, u32Find<1>, u32Open<1>, vClose<1>, u32Write<1>, u32Read<1>, vUnload<1>},
    {"ADL", 17, 16, u32Find<2>, u32Open<2>, vClose<2>, u32Write<2>, u32Read<2>, vUnload<2>},
};

} // namespace

const stWinBusOps *pstWinBridgeOps(void) { return &g_ops[0]; }
const stWinBusOps *pstWinNvapiOps(void) { return &g_ops[1]; }
const stWinBusOps *pstWinAdlOps(void) { return &g_ops[2]; }

FakeBackend &fakeBackend(uint32_t u32Index) { return g_backends[u32Index]; }

void vFakeWinBusReset(void)
{
    for (FakeBackend &back : g_backends)
        back = FakeBackend();
}

FakeUnit &fakeAddUnit(uint32_t u32Backend, const char *pcName, const char *pcDescr, bool bDisplay)
{
    FakeUnit unit;
    snprintf(unit.unit.cName, sizeof(unit.unit.cName), "%s", pcName);
    snprintf(unit.unit.cDescr, sizeof(unit.unit.cDescr), "%s", pcDescr);
    unit.unit.bDisplay = bDisplay;
    vEepromInit(&unit.mem, EEPROM_DEFAULT_SIZE);
    g_backends[u32Backend].units.push_back(unit);
    return g_backends[u32Backend].units.back();
}
