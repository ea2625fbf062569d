// UTF-8 and UTF-16, refusing what is not a text.
#include "platform/filesys/utf16.h"

#include <string.h>

namespace {

// The bytes allowed right after a lead byte: narrower than 80..BF where the
// full range would give an overlong form, a surrogate or a value above
// U+10FFFF. False when the byte leads nothing.
bool bUtf8Lead(uint8_t u8Lead, size_t *pu32Count, uint8_t *pu8Low, uint8_t *pu8High)
{
    *pu8Low = 0x80;
    *pu8High = 0xBF;
    if (u8Lead >= 0xC2 && u8Lead <= 0xDF)
        *pu32Count = 2;
    else if (u8Lead >= 0xE0 && u8Lead <= 0xEF)
        *pu32Count = 3;
    else if (u8Lead >= 0xF0 && u8Lead <= 0xF4)
        *pu32Count = 4;
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

// One character from the bytes: the bytes it takes, or 0 when they begin no
// valid character.
size_t u32DecodeUtf8(const uint8_t *pu8Text, size_t length, uint32_t *pu32Char)
{
    uint8_t u8Lead = pu8Text[0];
    if (u8Lead < 0x80) {
        *pu32Char = u8Lead;
        return 1;
    }
    size_t u32Count;
    uint8_t u8Low, u8High;
    if (!bUtf8Lead(u8Lead, &u32Count, &u8Low, &u8High) || u32Count > length)
        return 0;
    uint32_t u32Char = u8Lead & (0x7Fu >> u32Count);
    for (size_t u32Index = 1; u32Index < u32Count; u32Index++) {
        if (pu8Text[u32Index] < u8Low || pu8Text[u32Index] > u8High)
            return 0;
        u32Char = (u32Char << 6) | (pu8Text[u32Index] & 0x3Fu);
        u8Low = 0x80;
        u8High = 0xBF;
    }
    *pu32Char = u32Char;
    return u32Count;
}

// One character from the units: the units it takes, or 0 for a lone half
// of a pair.
size_t u32DecodeUtf16(const uint16_t *pu16Text, uint32_t *pu32Char)
{
    uint32_t u32First = pu16Text[0];
    if (u32First < 0xD800 || u32First > 0xDFFF) {
        *pu32Char = u32First;
        return 1;
    }
    if (u32First > 0xDBFF || pu16Text[1] < 0xDC00 || pu16Text[1] > 0xDFFF)
        return 0;
    *pu32Char = 0x10000 + ((u32First - 0xD800) << 10) + (pu16Text[1] - 0xDC00u);
    return 2;
}

size_t u32EncodeUtf8(uint32_t u32Char, uint8_t *pu8Out)
{
    if (u32Char < 0x80) {
        pu8Out[0] = (uint8_t)u32Char;
        return 1;
    }
    size_t u32Count = u32Char < 0x800 ? 2 : u32Char < 0x10000 ? 3 : 4;
    static const uint8_t gu8LeadMark[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t u32Index = u32Count - 1; u32Index > 0; u32Index--) {
        pu8Out[u32Index] = (uint8_t)(0x80 | (u32Char & 0x3F));
        u32Char >>= 6;
    }
    pu8Out[0] = (uint8_t)(gu8LeadMark[u32Count] | u32Char);
    return u32Count;
}

size_t u32EncodeUtf16(uint32_t u32Char, uint16_t *pu16Out)
{
    if (u32Char < 0x10000) {
        pu16Out[0] = (uint16_t)u32Char;
        return 1;
    }
    pu16Out[0] = (uint16_t)(0xD800 + ((u32Char - 0x10000) >> 10));
    pu16Out[1] = (uint16_t)(0xDC00 + ((u32Char - 0x10000) & 0x3FF));
    return 2;
}

// What became of a text too long: cut where asked, else refused (emptied).
int32_t s32TooLong(int32_t bCutToFit) { return bCutToFit ? UTF16_CUT : UTF16_TOO_LONG; }

} // namespace

int32_t s32Utf8ToUtf16(const char *pcText, uint16_t *pu16Out, size_t outCount, int32_t bCutToFit)
{
    if (outCount == 0)
        return UTF16_TOO_LONG;
    const uint8_t *pu8Text = (const uint8_t *)(pcText ? pcText : "");
    size_t length = strlen((const char *)pu8Text);
    size_t u32Written = 0;
    int32_t s32Result = UTF16_OK;
    for (size_t u32Pos = 0; u32Pos < length;) {
        uint32_t u32Char;
        size_t u32Bytes = u32DecodeUtf8(pu8Text + u32Pos, length - u32Pos, &u32Char);
        if (u32Bytes == 0) {
            pu16Out[0] = 0;
            return UTF16_BAD_UTF8;
        }
        uint16_t u16Units[2];
        size_t u32Units = u32EncodeUtf16(u32Char, u16Units);
        if (s32Result == UTF16_OK && u32Written + u32Units <= outCount - 1) {
            memcpy(pu16Out + u32Written, u16Units, u32Units * sizeof(uint16_t));
            u32Written += u32Units;
        } else {
            s32Result = s32TooLong(bCutToFit);
        }
        u32Pos += u32Bytes;
    }
    pu16Out[s32Result == UTF16_TOO_LONG ? 0 : u32Written] = 0;
    return s32Result;
}

int32_t s32Utf16ToUtf8(const uint16_t *pu16Text, char *pcOut, size_t size, int32_t bCutToFit)
{
    if (size == 0)
        return UTF16_TOO_LONG;
    static const uint16_t gu16Empty[1] = {0};
    const uint16_t *pu16In = pu16Text ? pu16Text : gu16Empty;
    size_t u32Written = 0;
    int32_t s32Result = UTF16_OK;
    for (size_t u32Pos = 0; pu16In[u32Pos] != 0;) {
        uint32_t u32Char;
        size_t u32Units = u32DecodeUtf16(pu16In + u32Pos, &u32Char);
        if (u32Units == 0) {
            pcOut[0] = '\0';
            return UTF16_LONE_SURROGATE;
        }
        uint8_t u8Bytes[4];
        size_t u32Bytes = u32EncodeUtf8(u32Char, u8Bytes);
        if (s32Result == UTF16_OK && u32Written + u32Bytes <= size - 1) {
            memcpy(pcOut + u32Written, u8Bytes, u32Bytes);
            u32Written += u32Bytes;
        } else {
            s32Result = s32TooLong(bCutToFit);
        }
        u32Pos += u32Units;
    }
    pcOut[s32Result == UTF16_TOO_LONG ? 0 : u32Written] = '\0';
    return s32Result;
}

size_t u32Utf8LengthOf(const uint16_t *pu16Text)
{
    size_t u32Bytes = 0;
    for (size_t u32Pos = 0; pu16Text && pu16Text[u32Pos] != 0;) {
        uint32_t u32Char;
        size_t u32Units = u32DecodeUtf16(pu16Text + u32Pos, &u32Char);
        if (u32Units == 0)
            return 0;
        uint8_t u8Bytes[4];
        u32Bytes += u32EncodeUtf8(u32Char, u8Bytes);
        u32Pos += u32Units;
    }
    return u32Bytes;
}

int32_t bUtf8Valid(const char *pcText, size_t length)
{
    const uint8_t *pu8Text = (const uint8_t *)pcText;
    for (size_t u32Pos = 0; u32Pos < length;) {
        uint32_t u32Char;
        size_t u32Bytes = u32DecodeUtf8(pu8Text + u32Pos, length - u32Pos, &u32Char);
        if (u32Bytes == 0)
            return 0;
        u32Pos += u32Bytes;
    }
    return 1;
}

const char *pcUtf16Reason(int32_t s32Result)
{
    switch (s32Result) {
    case UTF16_OK:
    case UTF16_CUT:
        return "";
    case UTF16_BAD_UTF8:
        return "not valid UTF-8";
    case UTF16_LONE_SURROGATE:
        return "half of a UTF-16 pair";
    default:
        return "too long";
    }
}
