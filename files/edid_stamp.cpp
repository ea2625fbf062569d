#include "files/edid_stamp.h"

#include "files/edid_image.h"
#include "files/station.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

#define STAMP_SERIAL_BYTE 12
#define STAMP_WEEK_BYTE 16
#define STAMP_YEAR_BYTE 17
#define STAMP_MODEL_YEAR 0xFF
#define STAMP_YEAR_FIRST 1990
#define STAMP_YEAR_LAST (STAMP_YEAR_FIRST + 255)
#define STAMP_DESC_FIRST 54
#define STAMP_DESC_COUNT 4
#define STAMP_DESC_BYTES 18
#define STAMP_DESC_TEXT 5
#define STAMP_DESC_TEXT_BYTES 13
#define STAMP_TAG_SERIAL 0xFF
#define STAMP_TAG_NAME 0xFC
#define STAMP_CHECKSUM_BYTE 127

bool bWhy(char *pcWhy, size_t whySize, const char *pcFormat, ...)
    __attribute__((format(printf, 3, 4)));

bool bWhy(char *pcWhy, size_t whySize, const char *pcFormat, ...)
{
    if (pcWhy && whySize > 0) {
        va_list args;
        va_start(args, pcFormat);
        vsnprintf(pcWhy, whySize, pcFormat, args);
        va_end(args);
    }
    return false;
}

bool bPrintable(uint8_t u8Char) { return u8Char >= 0x20 && u8Char <= 0x7E; }

uint32_t u32Load32(const uint8_t *pu8Bytes)
{
    return (uint32_t)pu8Bytes[0] | (uint32_t)pu8Bytes[1] << 8 | (uint32_t)pu8Bytes[2] << 16 |
           (uint32_t)pu8Bytes[3] << 24;
}

void vStore32(uint8_t *pu8Bytes, uint32_t u32Value)
{
    for (int i = 0; i < 4; i++)
        pu8Bytes[i] = (uint8_t)(u32Value >> (8 * i));
}

// The display descriptor of the tag in block 0, or null: the first only.
const uint8_t *pu8FindDescriptor(const uint8_t *pu8Block, uint8_t u8Tag)
{
    for (int i = 0; i < STAMP_DESC_COUNT; i++) {
        const uint8_t *pu8Desc = pu8Block + STAMP_DESC_FIRST + i * STAMP_DESC_BYTES;
        if (pu8Desc[0] == 0 && pu8Desc[1] == 0 && pu8Desc[2] == 0 && pu8Desc[3] == u8Tag &&
            pu8Desc[4] == 0)
            return pu8Desc;
    }
    return nullptr;
}

// The value of the serial's last run of digits, or false when it has none.
bool bLastDigits(const char *pcSerial, uint64_t *pu64Value, const char **ppcRun)
{
    const char *pcEnd = nullptr;
    for (const char *pc = pcSerial; *pc; pc++)
        if (*pc >= '0' && *pc <= '9')
            pcEnd = pc + 1;
    if (!pcEnd)
        return false;
    const char *pcStart = pcEnd;
    while (pcStart > pcSerial && pcStart[-1] >= '0' && pcStart[-1] <= '9')
        pcStart--;
    // At most 13 digits: no overflow of 64 bits.
    uint64_t u64Value = 0;
    for (const char *pc = pcStart; pc < pcEnd; pc++)
        u64Value = u64Value * 10 + (uint64_t)(*pc - '0');
    *pu64Value = u64Value;
    *ppcRun = pcStart;
    return true;
}

bool bNumericSerial(const uint8_t *pu8Block, const stStampPlan *pstPlan, uint32_t *pu32Value,
                    char *pcWhy, size_t whySize)
{
    *pu32Value = u32Load32(pu8Block + STAMP_SERIAL_BYTE);
    if (pstPlan->s32NumericMode == STATION_NUMERIC_KEEP)
        return true;
    if (pstPlan->s32NumericMode == STATION_NUMERIC_COUNTER) {
        *pu32Value = pstPlan->u32CounterNumber;
        return true;
    }
    if (pstPlan->s32NumericMode != STATION_NUMERIC_DIGITS)
        return bWhy(pcWhy, whySize, "the numeric serial mode %d is none of digits, counter, keep",
                    (int)pstPlan->s32NumericMode);
    uint64_t u64Digits = 0;
    const char *pcRun = nullptr;
    if (!bLastDigits(pstPlan->pcSerial, &u64Digits, &pcRun))
        return true;
    if (u64Digits > 0xFFFFFFFFu)
        return bWhy(pcWhy, whySize,
                    "the serial's last digits %s are %llu, more than the 32-bit numeric serial "
                    "holds (4294967295)",
                    pcRun, (unsigned long long)u64Digits);
    *pu32Value = (uint32_t)u64Digits;
    return true;
}

bool bCheckWeekYear(const stStampPlan *pstPlan, char *pcWhy, size_t whySize)
{
    int32_t s32Mode = pstPlan->s32WeekYearMode;
    if (s32Mode == STATION_WEEKYEAR_KEEP)
        return true;
    if (s32Mode != STATION_WEEKYEAR_TODAY && s32Mode != STATION_WEEKYEAR_FIXED)
        return bWhy(pcWhy, whySize, "the week and year mode %d is none of today, keep, fixed",
                    (int)s32Mode);
    if (pstPlan->s32Week < 1 || pstPlan->s32Week > 53)
        return bWhy(pcWhy, whySize, "the week is %d; it must be 1 to 53", (int)pstPlan->s32Week);
    if (pstPlan->s32Year < STAMP_YEAR_FIRST || pstPlan->s32Year > STAMP_YEAR_LAST)
        return bWhy(pcWhy, whySize, "the year is %d; it must be %d to %d", (int)pstPlan->s32Year,
                    STAMP_YEAR_FIRST, STAMP_YEAR_LAST);
    return true;
}

void vWriteSerialText(uint8_t *pu8Desc, const char *pcSerial)
{
    uint8_t *pu8Text = pu8Desc + STAMP_DESC_TEXT;
    size_t length = strlen(pcSerial);
    memcpy(pu8Text, pcSerial, length);
    if (length < STAMP_DESC_TEXT_BYTES) {
        pu8Text[length] = 0x0A;
        memset(pu8Text + length + 1, 0x20, STAMP_DESC_TEXT_BYTES - length - 1);
    }
}

void vSetChecksum(uint8_t *pu8Block)
{
    uint32_t u32Sum = 0;
    for (int i = 0; i < STAMP_CHECKSUM_BYTE; i++)
        u32Sum += pu8Block[i];
    pu8Block[STAMP_CHECKSUM_BYTE] = (uint8_t)(0x100 - (u32Sum & 0xFF));
}

// A descriptor's text up to its line feed, trailing blanks left out; a byte
// that is not printable shows as '?'.
void vDescriptorText(const uint8_t *pu8Desc, char (&pcText)[14])
{
    size_t length = 0;
    if (pu8Desc) {
        for (; length < STAMP_DESC_TEXT_BYTES; length++) {
            uint8_t u8Char = pu8Desc[STAMP_DESC_TEXT + length];
            if (u8Char == 0x0A)
                break;
            pcText[length] = bPrintable(u8Char) ? (char)u8Char : '?';
        }
    }
    while (length > 0 && pcText[length - 1] == ' ')
        length--;
    pcText[length] = '\0';
}

bool bChecksumsRight(const uint8_t *pu8Image, uint32_t u32Length)
{
    if (u32Length % EDID_BLOCK_BYTES != 0)
        return false;
    for (uint32_t u32Block = 0; u32Block < u32Length / EDID_BLOCK_BYTES; u32Block++)
        if (u32EdidBlockSum(pu8Image, u32Block) != 0)
            return false;
    return true;
}

// Appends to the text, never past its end.
void vAppend(char *pcText, uint32_t u32Size, uint32_t *pu32Used, const char *pcFormat, ...)
    __attribute__((format(printf, 4, 5)));

void vAppend(char *pcText, uint32_t u32Size, uint32_t *pu32Used, const char *pcFormat, ...)
{
    if (*pu32Used + 1 >= u32Size)
        return;
    va_list args;
    va_start(args, pcFormat);
    int s32Length = vsnprintf(pcText + *pu32Used, u32Size - *pu32Used, pcFormat, args);
    va_end(args);
    if (s32Length < 0)
        return;
    uint32_t u32Room = u32Size - *pu32Used - 1;
    *pu32Used += (uint32_t)s32Length < u32Room ? (uint32_t)s32Length : u32Room;
}

// Days from 1970-01-01 of a date of the Gregorian calendar.
int64_t s64DaysOfDate(int32_t s32Year, int32_t s32Month, int32_t s32Day)
{
    int64_t s64Year = s32Month <= 2 ? s32Year - 1 : s32Year;
    int64_t s64Era = (s64Year >= 0 ? s64Year : s64Year - 399) / 400;
    int64_t s64YearOfEra = s64Year - s64Era * 400;
    int64_t s64DayOfYear =
        (153 * (s32Month > 2 ? s32Month - 3 : s32Month + 9) + 2) / 5 + s32Day - 1;
    int64_t s64DayOfEra =
        s64YearOfEra * 365 + s64YearOfEra / 4 - s64YearOfEra / 100 + s64DayOfYear;
    return s64Era * 146097 + s64DayOfEra - 719468;
}

// 1 for Monday to 7 for Sunday.
int32_t s32IsoWeekday(int64_t s64Days)
{
    // 1970-01-01 was a Thursday.
    int64_t s64Index = ((s64Days + 3) % 7 + 7) % 7;
    return (int32_t)s64Index + 1;
}

// A year has 53 ISO weeks when it begins on a Thursday, or is a leap year
// beginning on a Wednesday.
int32_t s32IsoWeeksOfYear(int32_t s32Year)
{
    int32_t s32Jan1 = s32IsoWeekday(s64DaysOfDate(s32Year, 1, 1));
    bool bLeap = (s32Year % 4 == 0 && s32Year % 100 != 0) || s32Year % 400 == 0;
    return s32Jan1 == 4 || (bLeap && s32Jan1 == 3) ? 53 : 52;
}

} // namespace

bool bCheckUnitSerial(const char *pcSerial, char *pcWhy, size_t whySize)
{
    if (!pcSerial || !pcSerial[0])
        return bWhy(pcWhy, whySize, "the serial is empty");
    size_t length = strlen(pcSerial);
    if (length > STAMP_SERIAL_MAX)
        return bWhy(pcWhy, whySize, "the serial has %zu characters; at most %d fit", length,
                    STAMP_SERIAL_MAX);
    for (size_t i = 0; i < length; i++)
        if (!bPrintable((uint8_t)pcSerial[i]))
            return bWhy(pcWhy, whySize, "the serial's character %zu is 0x%02X, not printable ASCII",
                        i + 1, (unsigned)(uint8_t)pcSerial[i]);
    // A scanner's stray blank would be stored with the unit.
    if (pcSerial[0] == ' ')
        return bWhy(pcWhy, whySize, "the serial begins with a blank");
    if (pcSerial[length - 1] == ' ')
        return bWhy(pcWhy, whySize, "the serial ends with a blank");
    return true;
}

void vIsoWeekOfDate(int32_t s32Year, int32_t s32Month, int32_t s32Day, int32_t *ps32Week,
                    int32_t *ps32WeekYear)
{
    int64_t s64Days = s64DaysOfDate(s32Year, s32Month, s32Day);
    int32_t s32DayOfYear = (int32_t)(s64Days - s64DaysOfDate(s32Year, 1, 1)) + 1;
    int32_t s32Week = (s32DayOfYear - s32IsoWeekday(s64Days) + 10) / 7;
    int32_t s32WeekYear = s32Year;
    if (s32Week < 1) {
        s32WeekYear = s32Year - 1;
        s32Week = s32IsoWeeksOfYear(s32WeekYear);
    } else if (s32Week > s32IsoWeeksOfYear(s32Year)) {
        s32WeekYear = s32Year + 1;
        s32Week = 1;
    }
    *ps32Week = s32Week;
    *ps32WeekYear = s32WeekYear;
}

bool bStampEdid(uint8_t *pu8Image, uint32_t u32Length, const stStampPlan *pstPlan,
                stStampResult *pstResult, char *pcWhy, size_t whySize)
{
    if (!pu8Image || u32Length < EDID_BLOCK_BYTES)
        return bWhy(pcWhy, whySize, "the image has %u bytes; its block 0 needs %d",
                    pu8Image ? (unsigned)u32Length : 0u, EDID_BLOCK_BYTES);
    if (!bCheckUnitSerial(pstPlan->pcSerial, pcWhy, whySize))
        return false;
    uint8_t u8Block[EDID_BLOCK_BYTES];
    memcpy(u8Block, pu8Image, sizeof(u8Block));
    uint32_t u32Numeric = 0;
    if (!bNumericSerial(u8Block, pstPlan, &u32Numeric, pcWhy, whySize) ||
        !bCheckWeekYear(pstPlan, pcWhy, whySize))
        return false;
    vStore32(u8Block + STAMP_SERIAL_BYTE, u32Numeric);
    if (pstPlan->s32WeekYearMode != STATION_WEEKYEAR_KEEP &&
        u8Block[STAMP_WEEK_BYTE] != STAMP_MODEL_YEAR) {
        u8Block[STAMP_WEEK_BYTE] = (uint8_t)pstPlan->s32Week;
        u8Block[STAMP_YEAR_BYTE] = (uint8_t)(pstPlan->s32Year - STAMP_YEAR_FIRST);
    }
    uint8_t *pu8Desc = (uint8_t *)pu8FindDescriptor(u8Block, STAMP_TAG_SERIAL);
    if (pu8Desc)
        vWriteSerialText(pu8Desc, pstPlan->pcSerial);
    vSetChecksum(u8Block);
    memcpy(pu8Image, u8Block, sizeof(u8Block));
    if (pstResult) {
        pstResult->u32NumericSerial = u32Numeric;
        pstResult->s32Week = u8Block[STAMP_WEEK_BYTE];
        pstResult->s32Year = STAMP_YEAR_FIRST + u8Block[STAMP_YEAR_BYTE];
        pstResult->bSerialDescriptor = pu8Desc != nullptr;
    }
    return true;
}

void vEdidIdentityOf(const uint8_t *pu8Image, uint32_t u32Length, stEdidIdentity *pstIdentity)
{
    memset(pstIdentity, 0, sizeof(*pstIdentity));
    pstIdentity->u32Length = u32Length;
    if (!pu8Image || u32Length < EDID_BLOCK_BYTES)
        return;
    uint32_t u32Letters = (uint32_t)pu8Image[8] << 8 | pu8Image[9];
    for (int i = 0; i < 3; i++) {
        uint32_t u32Letter = (u32Letters >> (10 - 5 * i)) & 0x1F;
        pstIdentity->cManufacturer[i] =
            u32Letter >= 1 && u32Letter <= 26 ? (char)('A' + u32Letter - 1) : '?';
    }
    pstIdentity->u16Product = (uint16_t)(pu8Image[10] | pu8Image[11] << 8);
    vDescriptorText(pu8FindDescriptor(pu8Image, STAMP_TAG_NAME), pstIdentity->cName);
    pstIdentity->u32Serial = u32Load32(pu8Image + STAMP_SERIAL_BYTE);
    const uint8_t *pu8Serial = pu8FindDescriptor(pu8Image, STAMP_TAG_SERIAL);
    vDescriptorText(pu8Serial, pstIdentity->cSerialText);
    pstIdentity->bSerialDescriptor = pu8Serial != nullptr;
    pstIdentity->s32Week = pu8Image[STAMP_WEEK_BYTE];
    pstIdentity->s32Year = STAMP_YEAR_FIRST + pu8Image[STAMP_YEAR_BYTE];
    pstIdentity->bModelYear = pu8Image[STAMP_WEEK_BYTE] == STAMP_MODEL_YEAR;
    pstIdentity->bChecksumsRight = bChecksumsRight(pu8Image, u32Length);
}

uint32_t u32FormatEdidIdentity(const stEdidIdentity *pstIdentity, char *pcText, uint32_t u32Size)
{
    if (!pcText || u32Size == 0)
        return 0;
    pcText[0] = '\0';
    uint32_t u32Used = 0;
    const stEdidIdentity *pst = pstIdentity;
    if (pst->u32Length < EDID_BLOCK_BYTES) {
        vAppend(pcText, u32Size, &u32Used, "Size: %u bytes, too short for an EDID\n",
                (unsigned)pst->u32Length);
        return u32Used;
    }
    vAppend(pcText, u32Size, &u32Used, "Manufacturer: %s  Product: 0x%04X\n", pst->cManufacturer,
            (unsigned)pst->u16Product);
    vAppend(pcText, u32Size, &u32Used, "Name: %s\n", pst->cName[0] ? pst->cName : "(none)");
    if (pst->bSerialDescriptor)
        vAppend(pcText, u32Size, &u32Used, "Serial: %u \"%s\"\n", (unsigned)pst->u32Serial,
                pst->cSerialText);
    else
        vAppend(pcText, u32Size, &u32Used, "Serial: %u, no serial text\n",
                (unsigned)pst->u32Serial);
    if (pst->bModelYear)
        vAppend(pcText, u32Size, &u32Used, "Made: model year %d\n", (int)pst->s32Year);
    else if (pst->s32Week == 0)
        vAppend(pcText, u32Size, &u32Used, "Made: %d\n", (int)pst->s32Year);
    else
        vAppend(pcText, u32Size, &u32Used, "Made: week %d of %d\n", (int)pst->s32Week,
                (int)pst->s32Year);
    vAppend(pcText, u32Size, &u32Used, "Size: %u bytes, checksums %s\n", (unsigned)pst->u32Length,
            pst->bChecksumsRight ? "right" : "wrong");
    return u32Used;
}
