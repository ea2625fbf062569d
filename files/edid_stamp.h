// A unit's identity stamped into block 0 of an EDID image (the numeric
// serial, the week and year of manufacture, the serial descriptor, the
// checksum), and the identity an image carries, for the panel. No platform
// calls, so the program and the command-line program share it.
#ifndef EDID_STAMP_H
#define EDID_STAMP_H

#include <stddef.h>
#include <stdint.h>

#define STAMP_SERIAL_MAX 13     // characters of a unit serial
#define STAMP_WHY_MAX 160

// How the numeric serial (bytes 12 to 15) and the week and year (16, 17)
// are made; the values of station.h's STATION_NUMERIC_* and
// STATION_WEEKYEAR_*.
struct stStampPlan {
    const char *pcSerial;       // 1 to 13 printable ASCII characters
    int32_t s32NumericMode;     // digits, counter or keep
    uint32_t u32CounterNumber;  // with counter
    int32_t s32WeekYearMode;    // today, keep or fixed
    int32_t s32Week;            // today (the ISO week of the local date) or fixed
    int32_t s32Year;            // the full year (the ISO week-year for today)
};

// What went into the image, or what it kept.
struct stStampResult {
    uint32_t u32NumericSerial;  // bytes 12 to 15 afterwards
    int32_t s32Week;            // byte 16 afterwards (0xFF: a model year)
    int32_t s32Year;            // 1990 + byte 17
    bool bSerialDescriptor;     // the image had one and it holds the serial now
};

// True when the serial is 1 to 13 printable ASCII characters; else false
// with the reason ("the serial has 14 characters; at most 13 fit").
bool bCheckUnitSerial(const char *pcSerial, char *pcWhy, size_t whySize);
// The ISO 8601 week (1 to 53) and week-year of a date.
void vIsoWeekOfDate(int32_t s32Year, int32_t s32Month, int32_t s32Day, int32_t *ps32Week,
                    int32_t *ps32WeekYear);
// Stamps block 0 of the image (at least 128 bytes) as the plan says and
// recomputes byte 127; other blocks are left alone. False, the image
// unchanged, when the serial is refused (pcWhy says why) or the plan's
// week or year cannot be stored.
bool bStampEdid(uint8_t *pu8Image, uint32_t u32Length, const stStampPlan *pstPlan,
                stStampResult *pstResult, char *pcWhy, size_t whySize);

struct stEdidIdentity {
    char cManufacturer[4];      // three letters from bytes 8 and 9
    uint16_t u16Product;        // bytes 10 and 11
    char cName[14];             // the monitor name descriptor (tag 0xFC), or empty
    uint32_t u32Serial;         // bytes 12 to 15
    char cSerialText[14];       // the serial descriptor (tag 0xFF), or empty
    bool bSerialDescriptor;
    int32_t s32Week;            // byte 16
    int32_t s32Year;            // 1990 + byte 17
    bool bModelYear;            // byte 16 is 0xFF
    uint32_t u32Length;
    bool bChecksumsRight;       // every block's bytes sum to 0 modulo 256
};

void vEdidIdentityOf(const uint8_t *pu8Image, uint32_t u32Length, stEdidIdentity *pstIdentity);
// The identity as lines for the panel, terminated; returns the length.
uint32_t u32FormatEdidIdentity(const stEdidIdentity *pstIdentity, char *pcText, uint32_t u32Size);

#endif
