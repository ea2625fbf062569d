#include "ddc_edid.h"

#include <stdio.h>

int32_t bEdidBlockValid(const uint8_t *pu8Block)
{
    static const uint8_t u8Header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    uint8_t u8Sum = 0;
    for (uint32_t i = 0; i < EDID_BLOCK_SIZE; i++) {
        if (i < sizeof(u8Header) && pu8Block[i] != u8Header[i])
            return 0;
        u8Sum = (uint8_t)(u8Sum + pu8Block[i]);
    }
    return u8Sum == 0;
}

// The identifier names files, so a letter code outside 1 to 26 (blank or
// damaged EDIDs) becomes a digit instead of a punctuation character.
void vEdidIdentifier(const uint8_t *pu8Block, char *pcText, uint32_t u32Size)
{
    uint32_t u32Maker = (uint32_t)pu8Block[8] << 8 | pu8Block[9];
    char cLetters[3];
    for (int i = 0; i < 3; i++) {
        uint32_t u32Code = (u32Maker >> (10 - 5 * i)) & 0x1Fu;
        cLetters[i] = (u32Code >= 1 && u32Code <= 26) ? (char)('A' + u32Code - 1) : EDID_ID_FALLBACK;
    }
    unsigned u32Product = (unsigned)pu8Block[10] | (unsigned)pu8Block[11] << 8;
    snprintf(pcText, u32Size, "%c%c%c%04X", cLetters[0], cLetters[1], cLetters[2], u32Product);
}
