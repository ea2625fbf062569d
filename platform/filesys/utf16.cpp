// UTF-8 and UTF-16, refusing what is not a text.
#include "platform/filesys/utf16.h"

#include <string.h>

namespace {

// The bytes allowed right after a lead byte: narrower than 80..BF where the
// full range would give an overlong form, a surrogate or a value above
// U+10FFFF. False when the byte leads nothing.
bool bUtf8Lead(uint8_t u8Lead, size_t *pCount, uint8_t *pu8Low, uint8_t *pu8High)
{
    *pu8Low = 0x80;
    *pu8High = 0xBF;
    if (u8Lead >= 0xC2 && u8Lead <= 0xDF)
        *pCount = 2;
    else if (u8Lead >= 0xE0 && u8Lead <= 0xEF)
        *pCount = 3;
    else if (u8Lead >= 0xF0 && u8Lead <= 0xF4)
        *pCount = 4;
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
size_t szDecodeUtf8(const uint8_t *pu8Text, size_t length, uint32_t *pu32Char)
{
    uint8_t u8Lead = pu8Text[0];
    if (u8Lead < 0x80) {
        *pu32Char = u8Lead;
        return 1;
    }
    size_t count;
    uint8_t u8Low, u8High;
    if (!bUtf8Lead(u8Lead, &count, &u8Low, &u8High) || count > length)
        return 0;
    uint32_t u32Char = u8Lead & (0x7Fu >> count);
    for (size_t index = 1; index < count; index++) {
        if (pu8Text[index] < u8Low || pu8Text[index] > u8High)
            return 0;
        u32Char = (u32Char << 6) | (pu8Text[index] & 0x3Fu);
        u8Low = 0x80;
        u8High = 0xBF;
    }
    *pu32Char = u32Char;
    return count;
}

// One character from the units: the units it takes, or 0 for a lone half
// of a pair.
size_t szDecodeUtf16(const uint16_t *pu16Text, uint32_t *pu32Char)
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

size_t szEncodeUtf8(uint32_t u32Char, uint8_t *pu8Out)
{
    if (u32Char < 0x80) {
        pu8Out[0] = (uint8_t)u32Char;
        return 1;
    }
    size_t count = u32Char < 0x800 ? 2 : u32Char < 0x10000 ? 3 : 4;
    static const uint8_t gu8LeadMark[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t index = count - 1; index > 0; index--) {
        pu8Out[index] = (uint8_t)(0x80 | (u32Char & 0x3F));
        u32Char >>= 6;
    }
    pu8Out[0] = (uint8_t)(gu8LeadMark[count] | u32Char);
    return count;
}

size_t szEncodeUtf16(uint32_t u32Char, uint16_t *pu16Out)
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
    size_t written = 0;
    int32_t s32Result = UTF16_OK;
    for (size_t pos = 0; pos < length;) {
        uint32_t u32Char;
        size_t bytes = szDecodeUtf8(pu8Text + pos, length - pos, &u32Char);
        if (bytes == 0) {
            pu16Out[0] = 0;
            return UTF16_BAD_UTF8;
        }
        uint16_t u16Units[2];
        size_t units = szEncodeUtf16(u32Char, u16Units);
        if (s32Result == UTF16_OK && written + units <= outCount - 1) {
            memcpy(pu16Out + written, u16Units, units * sizeof(uint16_t));
            written += units;
        } else {
            s32Result = s32TooLong(bCutToFit);
        }
        pos += bytes;
    }
    pu16Out[s32Result == UTF16_TOO_LONG ? 0 : written] = 0;
    return s32Result;
}

int32_t s32Utf16ToUtf8(const uint16_t *pu16Text, char *pcOut, size_t size, int32_t bCutToFit)
{
    if (size == 0)
        return UTF16_TOO_LONG;
    static const uint16_t gu16Empty[1] = {0};
    const uint16_t *pu16In = pu16Text ? pu16Text : gu16Empty;
    size_t written = 0;
    int32_t s32Result = UTF16_OK;
    for (size_t pos = 0; pu16In[pos] != 0;) {
        uint32_t u32Char;
        size_t units = szDecodeUtf16(pu16In + pos, &u32Char);
        if (units == 0) {
            pcOut[0] = '\0';
            return UTF16_LONE_SURROGATE;
        }
        uint8_t u8Bytes[4];
        size_t bytes = szEncodeUtf8(u32Char, u8Bytes);
        if (s32Result == UTF16_OK && written + bytes <= size - 1) {
            memcpy(pcOut + written, u8Bytes, bytes);
            written += bytes;
        } else {
            s32Result = s32TooLong(bCutToFit);
        }
        pos += units;
    }
    pcOut[s32Result == UTF16_TOO_LONG ? 0 : written] = '\0';
    return s32Result;
}

size_t szUtf8LengthOf(const uint16_t *pu16Text)
{
    size_t bytes = 0;
    for (size_t pos = 0; pu16Text && pu16Text[pos] != 0;) {
        uint32_t u32Char;
        size_t units = szDecodeUtf16(pu16Text + pos, &u32Char);
        if (units == 0)
            return 0;
        uint8_t u8Bytes[4];
        bytes += szEncodeUtf8(u32Char, u8Bytes);
        pos += units;
    }
    return bytes;
}

int32_t bUtf8Valid(const char *pcText, size_t length)
{
    const uint8_t *pu8Text = (const uint8_t *)pcText;
    for (size_t pos = 0; pos < length;) {
        uint32_t u32Char;
        size_t bytes = szDecodeUtf8(pu8Text + pos, length - pos, &u32Char);
        if (bytes == 0)
            return 0;
        pos += bytes;
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
