// Back ends for the Windows bus layer on any system: each unit a record of
// the bench's EEPROM model (or none), every transfer written down.
#ifndef FAKE_WINBUS_H
#define FAKE_WINBUS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/ddc/ddc_eeprom.h"
#include "platform/ddc/ddc_winbus.h"

struct FakeUnit {
    stWinBusUnit unit;
    stEeprom mem;
    bool bMemory = true;
    uint32_t u32FailNext = 0; // the next transfer answers this code (once)
};

struct FakeBackend {
    std::vector<FakeUnit> units;
    std::vector<std::string> lines; // "open 0", "read 0 @10 16", "write 0 06 01 02", "close 0"
    uint32_t u32Finds = 0, u32Unloads = 0;
};

// 0 bridges, 1 NVAPI, 2 ADL; each emptied by vFakeWinBusReset.
FakeBackend &fakeBackend(uint32_t u32Index);
void vFakeWinBusReset(void);
FakeUnit &fakeAddUnit(uint32_t u32Backend, const char *pcName, const char *pcDescr,
                      bool bDisplay);

#endif
