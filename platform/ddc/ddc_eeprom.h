// Serial EEPROM as a display's EDID memory: a 24C02, or a 24C04/08/16 seen
// only at its first device address; or, as its description declares, a
// two-block memory (its second 256 bytes at the next device address) or an
// E-DDC memory (256-byte segments chosen through the segment pointer).
#ifndef DDC_EEPROM_H
#define DDC_EEPROM_H

#include <stdint.h>

#define EEPROM_MAX_SIZE 2048u      // bytes, the largest part (24C16)
#define EEPROM_DEFAULT_SIZE 256u   // bytes, a 24C02
#define EEPROM_PAGE_SIZE 8u        // bytes written by one write at most
#define EEPROM_WIDE_PAGE_SIZE 16u  // ... on a two-block or segment memory
#define EEPROM_HALF_SIZE 256u      // bytes a one-byte address reaches
#define EEPROM_WRITE_CYCLE_MS 5u   // ms the part stays silent after a write, by default
#define EEPROM_WRITE_CYCLE_MAX_MS 1000u // longer than any polling: a part that never answers

struct stEeprom {
    uint8_t u8Mem[EEPROM_MAX_SIZE];
    uint32_t u32Size;
    uint32_t u32Counter;        // address of the next byte read
    uint64_t u64BusyUntilUs;    // platform clock; silent while now is below it
    uint32_t u32WriteCycleMs;   // silence after each write with data
    int32_t bWriteProtect;
    uint32_t u32Addressing;     // DDC_ADDRESSING_*
};

// True for 256, 512, 1024 and 2048.
int32_t bEepromSizeValid(uint32_t u32Size);
// Blank part (every byte 0xFF) of the given valid size, with the usual write cycle.
void vEepromInit(stEeprom *pst, uint32_t u32Size);
// Whether the part acknowledges its address at u64NowUs (platform clock).
int32_t bEepromAnswers(const stEeprom *pst, uint64_t u64NowUs);
// Whether 256 bytes from u32Half x 256 answer: the first always, the second
// only on a two-block or segment memory of 512 bytes or more.
int32_t bEepromHasHalf(const stEeprom *pst, uint32_t u32Half);
// One bus write ending at u64NowUs to the memory's half u32Half (0 but for
// the second half of a two-block or segment memory): byte 0 is the word
// address, the rest are data bytes.
void vEepromWrite(stEeprom *pst, uint32_t u32Half, const uint8_t *pu8Bytes, uint32_t u32Count,
                  uint64_t u64NowUs);
// Sequential read from the address counter: a one-byte memory wraps at the
// end of the part; the others read in half u32Half and wrap at its end.
void vEepromRead(stEeprom *pst, uint32_t u32Half, uint8_t *pu8Buf, uint32_t u32Count);

#endif
