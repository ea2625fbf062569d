#include "files/edid_image.h"

#include <stdio.h>
#include <string.h>

namespace {

const uint8_t gu8_EdidHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

bool bIsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ','; }

int s32HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The entry of length characters as a byte; false when it is not one.
bool bEntryByte(const char *pcEntry, size_t length, uint8_t *pu8Byte)
{
    if (length == 4 && pcEntry[0] == '0' && (pcEntry[1] == 'x' || pcEntry[1] == 'X')) {
        pcEntry += 2;
        length = 2;
    }
    if (length != 2 || s32HexDigit(pcEntry[0]) < 0 || s32HexDigit(pcEntry[1]) < 0)
        return false;
    *pu8Byte = (uint8_t)(s32HexDigit(pcEntry[0]) << 4 | s32HexDigit(pcEntry[1]));
    return true;
}

} // namespace

uint32_t u32FormatEdidText(const uint8_t *pu8Edid, uint32_t u32Amount, char *pcText,
                           uint32_t u32Size)
{
    if (u32Size == 0)
        return 0;
    uint32_t u32Length = 0;
    for (uint32_t i = 0; i < u32Amount; i++) {
        bool bLineEnd = (i + 1) % EDID_TEXT_BYTES_PER_LINE == 0;
        if (u32Length + EDID_TEXT_BYTE_WIDTH + (bLineEnd ? 1 : 0) >= u32Size)
            break;
        snprintf(pcText + u32Length, EDID_TEXT_BYTE_WIDTH + 1, "0x%02X, ", pu8Edid[i]);
        u32Length += EDID_TEXT_BYTE_WIDTH;
        if (bLineEnd)
            pcText[u32Length++] = '\n';
    }
    pcText[u32Length] = '\0';
    return u32Length;
}

bool bEdidBytesAreText(const uint8_t *pu8Bytes, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        uint8_t c = pu8Bytes[i];
        if (!(c >= 0x20 && c < 0x7F) && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return count > 0;
}

bool bParseEdidText(const char *pcText, size_t length, uint8_t *pu8Out, size_t size,
                    size_t *pCount, size_t *pBadOffset)
{
    size_t count = 0;
    size_t i = 0;
    while (i < length) {
        if (bIsSeparator(pcText[i])) {
            i++;
            continue;
        }
        size_t begin = i;
        while (i < length && !bIsSeparator(pcText[i]))
            i++;
        if (count >= size || !bEntryByte(pcText + begin, i - begin, &pu8Out[count])) {
            *pBadOffset = begin;
            return false;
        }
        count++;
    }
    *pCount = count;
    return true;
}

uint32_t u32EdidBlockSum(const uint8_t *pu8Image, uint32_t u32Block)
{
    uint32_t u32Sum = 0;
    for (uint32_t k = 0; k < EDID_BLOCK_BYTES; k++)
        u32Sum += pu8Image[u32Block * EDID_BLOCK_BYTES + k];
    return u32Sum & 0xFFu;
}

uint32_t u32EdidDeclaredLength(const uint8_t *pu8Image)
{
    return (pu8Image[EDID_EXT_COUNT_BYTE] + 1u) * EDID_BLOCK_BYTES;
}

int32_t s32CheckEdidImage(const uint8_t *pu8Image, uint32_t u32Length, uint32_t *pu32BadOffset,
                          uint32_t *pu32Detail)
{
    *pu32BadOffset = 0;
    *pu32Detail = 0;
    if (u32Length == 0)
        return EDID_IMAGE_EMPTY;
    for (uint32_t i = 0; i < sizeof(gu8_EdidHeader); i++) {
        if (i >= u32Length || pu8Image[i] != gu8_EdidHeader[i]) {
            *pu32BadOffset = i;
            return EDID_IMAGE_HEADER;
        }
    }
    if (u32Length <= EDID_EXT_COUNT_BYTE || u32Length != u32EdidDeclaredLength(pu8Image)) {
        *pu32BadOffset = u32Length <= EDID_EXT_COUNT_BYTE ? u32Length : EDID_EXT_COUNT_BYTE;
        return EDID_IMAGE_LENGTH;
    }
    for (uint32_t b = 0; b < u32Length / EDID_BLOCK_BYTES; b++) {
        uint32_t u32Sum = u32EdidBlockSum(pu8Image, b);
        if (u32Sum != 0) {
            *pu32BadOffset = b * EDID_BLOCK_BYTES + EDID_BLOCK_BYTES - 1;
            *pu32Detail = u32Sum;
            return EDID_IMAGE_CHECKSUM;
        }
    }
    return EDID_IMAGE_OK;
}
