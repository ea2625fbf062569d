// UTF-8 and UTF-16 for the Win32 calls, and the '&' markers of labels.
#include "ui_text16.h"

#include <string.h>

namespace {

const uint32_t gu32Replacement = 0xFFFD;

// The bytes allowed right after a lead byte: narrower than 80..BF where the
// full range would give an overlong form, a surrogate or a value above
// U+10FFFF. 0 when the byte leads nothing.
bool bUtf8Lead(uint8_t u8Lead, int32_t *ps32Count, uint8_t *pu8Low, uint8_t *pu8High)
{
    *pu8Low = 0x80;
    *pu8High = 0xBF;
    if (u8Lead >= 0xC2 && u8Lead <= 0xDF)
        *ps32Count = 2;
    else if (u8Lead >= 0xE0 && u8Lead <= 0xEF)
        *ps32Count = 3;
    else if (u8Lead >= 0xF0 && u8Lead <= 0xF4)
        *ps32Count = 4;
    else
        return false;
    if (u8Lead == 0xE0)
        *pu8Low = 0xA0;
    else if (u8Lead == 0xED)
        *pu8High = 0x9F;
    else if (u8Lead == 0xF0)
        *pu8Low = 0x90;
    else if (u8Lead == 0xF4)
        *pu8High = 0x8F;
    return true;
}

// One character from the bytes: the bytes it takes and its value, or -1 for
// a maximal invalid subpart (the bytes that began a sequence, up to the
// first that cannot continue it), which counts as one U+FFFD.
size_t u32DecodeUtf8(const uint8_t *pu8Text, size_t length, int32_t *ps32Char)
{
    uint8_t u8Lead = pu8Text[0];
    int32_t s32Count = 1;
    uint8_t u8Low, u8High;
    if (u8Lead < 0x80) {
        *ps32Char = u8Lead;
        return 1;
    }
    *ps32Char = -1;
    if (!bUtf8Lead(u8Lead, &s32Count, &u8Low, &u8High))
        return 1;
    uint32_t u32Char = u8Lead & (0x7F >> s32Count);
    for (int32_t s32Index = 1; s32Index < s32Count; s32Index++) {
        if ((size_t)s32Index >= length || pu8Text[s32Index] < u8Low || pu8Text[s32Index] > u8High)
            return (size_t)s32Index;
        u32Char = (u32Char << 6) | (pu8Text[s32Index] & 0x3F);
        u8Low = 0x80;
        u8High = 0xBF;
    }
    *ps32Char = (int32_t)u32Char;
    return (size_t)s32Count;
}

// The UTF-8 bytes of a character (at most 4).
size_t u32EncodeUtf8(uint32_t u32Char, uint8_t *pu8Out)
{
    if (u32Char < 0x80) {
        pu8Out[0] = (uint8_t)u32Char;
        return 1;
    }
    if (u32Char < 0x800) {
        pu8Out[0] = (uint8_t)(0xC0 | (u32Char >> 6));
        pu8Out[1] = (uint8_t)(0x80 | (u32Char & 0x3F));
        return 2;
    }
    if (u32Char < 0x10000) {
        pu8Out[0] = (uint8_t)(0xE0 | (u32Char >> 12));
        pu8Out[1] = (uint8_t)(0x80 | ((u32Char >> 6) & 0x3F));
        pu8Out[2] = (uint8_t)(0x80 | (u32Char & 0x3F));
        return 3;
    }
    pu8Out[0] = (uint8_t)(0xF0 | (u32Char >> 18));
    pu8Out[1] = (uint8_t)(0x80 | ((u32Char >> 12) & 0x3F));
    pu8Out[2] = (uint8_t)(0x80 | ((u32Char >> 6) & 0x3F));
    pu8Out[3] = (uint8_t)(0x80 | (u32Char & 0x3F));
    return 4;
}

// Drops the start of a UTF-8 sequence a cut left at the end of pcOut.
size_t u32TrimCutSequence(const char *pcOut, size_t length)
{
    size_t u32Start = length;
    while (u32Start > 0 && length - u32Start < 3 && ((uint8_t)pcOut[u32Start - 1] & 0xC0) == 0x80)
        u32Start--;
    if (u32Start == 0 || (uint8_t)pcOut[u32Start - 1] < 0xC0)
        return length;
    int32_t s32Count = 0;
    uint8_t u8Low, u8High;
    if (bUtf8Lead((uint8_t)pcOut[u32Start - 1], &s32Count, &u8Low, &u8High) &&
        length - (u32Start - 1) >= (size_t)s32Count)
        return length;
    return u32Start - 1;
}

} // namespace

size_t u32Utf8ToUtf16(const char *pcText, uint16_t *pu16Out, size_t outCount)
{
    if (outCount == 0)
        return 0;
    const uint8_t *pu8Text = (const uint8_t *)pcText;
    size_t length = strlen(pcText);
    size_t u32Written = 0;
    for (size_t u32Pos = 0; u32Pos < length;) {
        int32_t s32Char;
        u32Pos += u32DecodeUtf8(pu8Text + u32Pos, length - u32Pos, &s32Char);
        uint32_t u32Char = s32Char < 0 ? gu32Replacement : (uint32_t)s32Char;
        size_t u32Units = u32Char >= 0x10000 ? 2 : 1;
        if (u32Written + u32Units > outCount - 1)
            break;
        if (u32Units == 2) {
            pu16Out[u32Written++] = (uint16_t)(0xD800 + ((u32Char - 0x10000) >> 10));
            pu16Out[u32Written++] = (uint16_t)(0xDC00 + ((u32Char - 0x10000) & 0x3FF));
        } else {
            pu16Out[u32Written++] = (uint16_t)u32Char;
        }
    }
    pu16Out[u32Written] = 0;
    return u32Written;
}

int32_t bUtf8Valid(const char *pcText, size_t length)
{
    const uint8_t *pu8Text = (const uint8_t *)pcText;
    for (size_t u32Pos = 0; u32Pos < length;) {
        int32_t s32Char;
        u32Pos += u32DecodeUtf8(pu8Text + u32Pos, length - u32Pos, &s32Char);
        if (s32Char < 0)
            return 0;
    }
    return 1;
}

size_t u32Utf16ToUtf8(const uint16_t *pu16Text, char *pcOut, size_t size)
{
    if (size == 0)
        return 0;
    size_t u32Written = 0;
    for (size_t u32Pos = 0; pu16Text[u32Pos] != 0; u32Pos++) {
        uint32_t u32Char = pu16Text[u32Pos];
        if (u32Char >= 0xD800 && u32Char <= 0xDBFF && pu16Text[u32Pos + 1] >= 0xDC00 &&
            pu16Text[u32Pos + 1] <= 0xDFFF) {
            u32Char = 0x10000 + ((u32Char - 0xD800) << 10) + (pu16Text[u32Pos + 1] - 0xDC00);
            u32Pos++;
        } else if (u32Char >= 0xD800 && u32Char <= 0xDFFF) {
            u32Char = gu32Replacement;
        }
        uint8_t u8Bytes[4];
        size_t u32Bytes = u32EncodeUtf8(u32Char, u8Bytes);
        if (u32Written + u32Bytes > size - 1)
            break;
        memcpy(pcOut + u32Written, u8Bytes, u32Bytes);
        u32Written += u32Bytes;
    }
    pcOut[u32Written] = '\0';
    return u32Written;
}

char cUiMnemonic(const char *pcLabel)
{
    for (size_t u32Pos = 0; pcLabel[u32Pos] != '\0'; u32Pos++) {
        if (pcLabel[u32Pos] != '&')
            continue;
        char cMarked = pcLabel[u32Pos + 1];
        if (cMarked == '&') {
            u32Pos++;
            continue;
        }
        if (cMarked > ' ' && cMarked < 0x7F)
            return (cMarked >= 'A' && cMarked <= 'Z') ? (char)(cMarked - 'A' + 'a') : cMarked;
        return 0;
    }
    return 0;
}

void vUiStripMnemonic(const char *pcLabel, char *pcOut, size_t size)
{
    if (size == 0)
        return;
    size_t u32Written = 0;
    bool bCut = false;
    for (size_t u32Pos = 0; pcLabel[u32Pos] != '\0'; u32Pos++) {
        if (pcLabel[u32Pos] == '&' && pcLabel[++u32Pos] == '\0')
            break;
        if (u32Written == size - 1) {
            bCut = true;
            break;
        }
        pcOut[u32Written++] = pcLabel[u32Pos];
    }
    if (bCut)
        u32Written = u32TrimCutSequence(pcOut, u32Written);
    pcOut[u32Written] = '\0';
}
