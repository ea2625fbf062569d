// The two displays a fake graphics driver (fake_nvapi.cpp, fake_adl.cpp)
// reports, on the bench's own EEPROM model: display 1 blank, display 2
// blank and write-protected. Each transfer is a register write or a
// register read of the memory at 0xA0.
#ifndef FAKE_GPU_DISPLAYS_H
#define FAKE_GPU_DISPLAYS_H

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include "platform/ddc/ddc_eeprom.h"

#define FAKE_DISPLAYS 2u
#define FAKE_MAX_DATA 16u

inline stEeprom *pstFakeMemory(uint32_t u32Display)
{
    static stEeprom ast[FAKE_DISPLAYS];
    static bool bReady = false;
    if (!bReady) {
        for (stEeprom &st : ast)
            vEepromInit(&st, EEPROM_DEFAULT_SIZE);
        ast[1].bWriteProtect = 1;
        bReady = true;
    }
    return u32Display < FAKE_DISPLAYS ? &ast[u32Display] : nullptr;
}

inline uint64_t u64FakeNowUs(void)
{
    LARGE_INTEGER stNow, stFreq;
    QueryPerformanceCounter(&stNow);
    QueryPerformanceFrequency(&stFreq);
    return (uint64_t)(stNow.QuadPart / (stFreq.QuadPart / 1000000));
}

// false when the memory is in its write cycle (no acknowledge).
inline bool bFakeWrite(stEeprom *pst, uint8_t u8Reg, const uint8_t *pu8Data, uint32_t u32Count)
{
    uint64_t u64Now = u64FakeNowUs();
    if (!bEepromAnswers(pst, u64Now))
        return false;
    uint8_t au8Bytes[FAKE_MAX_DATA + 1u];
    au8Bytes[0] = u8Reg;
    memcpy(au8Bytes + 1, pu8Data, u32Count);
    vEepromWrite(pst, 0, au8Bytes, u32Count + 1u, u64Now);
    return true;
}

inline bool bFakeRead(stEeprom *pst, uint8_t u8Reg, uint8_t *pu8Buf, uint32_t u32Count)
{
    if (!bEepromAnswers(pst, u64FakeNowUs()))
        return false;
    pst->u32Counter = u8Reg;
    vEepromRead(pst, 0, pu8Buf, u32Count);
    return true;
}

#endif
