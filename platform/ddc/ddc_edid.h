// What the library itself reads from an EDID base block.
#ifndef DDC_EDID_H
#define DDC_EDID_H

#include <stdint.h>

#define EDID_BLOCK_SIZE 128u
#define EDID_ID_SIZE 16u          // bytes of identifier text, NUL included
#define EDID_ID_FALLBACK '0'      // stands for a maker letter outside A to Z

// Header 00 FF FF FF FF FF FF 00 and a block sum of 0 modulo 256.
int32_t bEdidBlockValid(const uint8_t *pu8Block);
// Maker letters of bytes 8-9 and product code of bytes 10-11 (little-endian)
// as four upper-case hex digits, e.g. "DEL40F3"; only letters and digits.
void vEdidIdentifier(const uint8_t *pu8Block, char *pcText, uint32_t u32Size);

#endif
