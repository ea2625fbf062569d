#include "ddc_eeprom.h"

#include <string.h>

#include "DDCHelper.h"

int32_t bEepromSizeValid(uint32_t u32Size)
{
    return u32Size == 256u || u32Size == 512u || u32Size == 1024u || u32Size == 2048u;
}

void vEepromInit(stEeprom *pst, uint32_t u32Size)
{
    memset(pst->u8Mem, 0xFF, sizeof(pst->u8Mem));
    pst->u32Size = u32Size;
    pst->u32Counter = 0;
    pst->u64BusyUntilUs = 0;
    pst->u32WriteCycleMs = EEPROM_WRITE_CYCLE_MS;
    pst->bWriteProtect = 0;
    pst->u32Addressing = DDC_ADDRESSING_BYTE;
}

int32_t bEepromHasHalf(const stEeprom *pst, uint32_t u32Half)
{
    if (u32Half == 0)
        return 1;
    return pst->u32Addressing != DDC_ADDRESSING_BYTE &&
           (u32Half + 1u) * EEPROM_HALF_SIZE <= pst->u32Size;
}

int32_t bEepromAnswers(const stEeprom *pst, uint64_t u64NowUs)
{
    return u64NowUs >= pst->u64BusyUntilUs;
}

// The one-byte word address reaches only the first 256 bytes of a one-byte
// memory: the higher address bits of the larger parts are device-address
// bits, fixed at 0x50. Data bytes roll over inside their page, as the part
// does (8 bytes, 16 on the two-block and segment memories).
void vEepromWrite(stEeprom *pst, uint32_t u32Half, const uint8_t *pu8Bytes, uint32_t u32Count,
                  uint64_t u64NowUs)
{
    uint32_t u32PageSize =
        pst->u32Addressing == DDC_ADDRESSING_BYTE ? EEPROM_PAGE_SIZE : EEPROM_WIDE_PAGE_SIZE;
    uint32_t u32Base = u32Half * EEPROM_HALF_SIZE;
    uint32_t u32Addr = pu8Bytes[0];
    uint32_t u32Page = u32Addr & ~(u32PageSize - 1u);
    uint32_t u32InPage = u32Addr & (u32PageSize - 1u);
    uint32_t u32Data = u32Count - 1u;
    for (uint32_t i = 0; i < u32Data; i++) {
        uint32_t u32Target = u32Base + u32Page + ((u32InPage + i) % u32PageSize);
        if (!pst->bWriteProtect)
            pst->u8Mem[u32Target] = pu8Bytes[1u + i];
    }
    pst->u32Counter =
        u32Base + (u32Data ? u32Page + ((u32InPage + u32Data) % u32PageSize) : u32Addr);
    // A protected part acknowledges the data but starts no write cycle.
    if (u32Data && !pst->bWriteProtect)
        pst->u64BusyUntilUs = u64NowUs + pst->u32WriteCycleMs * 1000ull;
}

void vEepromRead(stEeprom *pst, uint32_t u32Half, uint8_t *pu8Buf, uint32_t u32Count)
{
    if (pst->u32Addressing == DDC_ADDRESSING_BYTE) {
        for (uint32_t i = 0; i < u32Count; i++) {
            pu8Buf[i] = pst->u8Mem[pst->u32Counter];
            pst->u32Counter = (pst->u32Counter + 1u) % pst->u32Size;
        }
        return;
    }
    uint32_t u32Base = u32Half * EEPROM_HALF_SIZE;
    uint32_t u32Offset = pst->u32Counter % EEPROM_HALF_SIZE;
    for (uint32_t i = 0; i < u32Count; i++) {
        pu8Buf[i] = pst->u8Mem[u32Base + u32Offset];
        u32Offset = (u32Offset + 1u) % EEPROM_HALF_SIZE;
    }
    pst->u32Counter = u32Base + u32Offset;
}
