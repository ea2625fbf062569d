#include "files/station.h"

#include "files/edid_stamp.h"
#include "files/settings.h"
#include "files/text_escape.h"
#include "files/textmode.h"
#include "platform/filesys/filesys.h"
#include "platform/filesys/safefile.h"
#include "platform/userint/userint.h"

#include <ctype.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

#define STATION_NEXT_MAX 999999999999ull
#define STATION_LINE_SIZE 1024
#define STATION_SKIP_MAX 1000
#define STATION_YEAR_FIRST 1990
#define STATION_YEAR_LAST 2245
#define STATION_LAST_UNIT_MAX 999999999999999999ull

// The file's keys, in the order they are written.
enum {
    KEY_PRODUCTION = 0,
    KEY_STATION,
    KEY_SERIAL_SOURCE,
    KEY_SERIAL_PREFIX,
    KEY_SERIAL_DIGITS,
    KEY_NEXT_SERIAL,
    KEY_NUMERIC_SERIAL,
    KEY_WEEK_YEAR,
    KEY_PORT_MAP,
    KEY_RECORDS,
    KEY_WRITE_MODE,
    KEY_SIMULATED,
    KEY_RECORD_ID,
    KEY_LAST_UNIT,
    // The line's: written only when set.
    KEY_BEFORE_UNIT,
    KEY_AFTER_UNIT,
    KEY_HOOK_TIMEOUT,
    KEY_SERIAL_FORMAT,
    KEY_PACKAGE,
    KEY_PACKAGE_SHA256,
    KEY_REQUIRE_OPERATOR,
    KEY_OPERATOR_IDLE,
    KEY_COUNT,
};

const char *const gpc_Keys[KEY_COUNT] = {
    "Production", "Station",       "SerialSource", "SerialPrefix", "SerialDigits",
    "NextSerial", "NumericSerial", "WeekYear",     "PortMap",      "Records",
    "WriteMode",  "Simulated",     "RecordId",     "LastUnit",
    "BeforeUnit", "AfterUnit",     "HookTimeout",  "SerialFormat", "Package",
    "PackageSha256", "RequireOperator", "OperatorIdleMinutes",
};
const char *const gpc_Sources[] = {"scan", "counter"};
const char *const gpc_NumericModes[] = {"digits", "counter", "keep"};
const char *const gpc_WeekYearWords[] = {"today", "keep"};
const char *const gpc_WriteModes[] = {"paced", "fast"};

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

bool bSameNoCase(const char *pcA, const char *pcB)
{
    for (; *pcA && *pcB; pcA++, pcB++)
        if (tolower((unsigned char)*pcA) != tolower((unsigned char)*pcB))
            return false;
    return *pcA == *pcB;
}

bool bBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts the blanks (and a line's end) off both ends, in place.
char *pcTrim(char *pcText)
{
    while (bBlank(*pcText))
        pcText++;
    size_t length = strlen(pcText);
    while (length > 0 && (bBlank(pcText[length - 1]) || pcText[length - 1] == '\r' ||
                          pcText[length - 1] == '\n'))
        length--;
    pcText[length] = '\0';
    return pcText;
}

const char *pcBaseName(const char *pcPath)
{
    // The program's own paths are joined with UI_PATH_SEP.
    const char *pcSlash = strrchr(pcPath, UI_PATH_SEP[0]);
    return pcSlash ? pcSlash + 1 : pcPath;
}

int32_t s32WordIndex(const char *pcValue, const char *const *ppcWords, int32_t s32Count)
{
    for (int32_t i = 0; i < s32Count; i++)
        if (bSameNoCase(pcValue, ppcWords[i]))
            return i;
    return -1;
}

// Decimal digits only, at most u64Max.
bool bParseDecimal(const char *pcText, uint64_t u64Max, uint64_t *pu64Value)
{
    uint64_t u64Value = 0;
    if (!*pcText)
        return false;
    for (const char *pc = pcText; *pc; pc++) {
        if (*pc < '0' || *pc > '9')
            return false;
        u64Value = u64Value * 10 + (uint64_t)(*pc - '0');
        if (u64Value > u64Max)
            return false;
    }
    *pu64Value = u64Value;
    return true;
}

bool bParseRange(const char *pcText, int32_t s32Min, int32_t s32Max, int32_t *ps32Value)
{
    uint64_t u64Value = 0;
    if (!bParseDecimal(pcText, (uint64_t)s32Max, &u64Value) || u64Value < (uint64_t)s32Min)
        return false;
    *ps32Value = (int32_t)u64Value;
    return true;
}

// A text value: at most STATION_TEXT_MAX characters; bPrintable allows
// printable ASCII only, else anything but control characters.
bool bParseText(int32_t s32Key, const char *pcValue, bool bPrintable, char *pcOut, char *pcWhy,
                size_t whySize)
{
    size_t length = strlen(pcValue);
    if (length > STATION_TEXT_MAX)
        return bWhy(pcWhy, whySize, "%s has %zu characters; at most %d fit", gpc_Keys[s32Key],
                    length, STATION_TEXT_MAX);
    for (size_t i = 0; i < length; i++) {
        unsigned char u8Char = (unsigned char)pcValue[i];
        bool bControl = u8Char < 0x20 || u8Char == 0x7F;
        if (bControl || (bPrintable && u8Char > 0x7E))
            return bWhy(pcWhy, whySize, "%s's character %zu is 0x%02X; it must be %s",
                        gpc_Keys[s32Key], i + 1, (unsigned)u8Char,
                        bPrintable ? "printable ASCII" : "no control character");
    }
    memcpy(pcOut, pcValue, length + 1);
    return true;
}

bool bParseWord(int32_t s32Key, const char *pcValue, const char *const *ppcWords,
                int32_t s32Count, int32_t *ps32Out, char *pcWhy, size_t whySize)
{
    int32_t s32Index = s32WordIndex(pcValue, ppcWords, s32Count);
    if (s32Index < 0)
        return bWhy(pcWhy, whySize, "%s is \"%.40s\"; it must be %s or %s", gpc_Keys[s32Key],
                    pcValue, s32Count > 2 ? "digits, counter" : ppcWords[0],
                    ppcWords[s32Count - 1]);
    *ps32Out = s32Index;
    return true;
}

// "today", "keep" or "W Y".
bool bParseWeekYear(const char *pcValue, stStation *pstStation, char *pcWhy, size_t whySize)
{
    int32_t s32Word = s32WordIndex(pcValue, gpc_WeekYearWords, 2);
    if (s32Word >= 0) {
        pstStation->s32WeekYear = s32Word == 0 ? STATION_WEEKYEAR_TODAY : STATION_WEEKYEAR_KEEP;
        return true;
    }
    char cWeek[8] = "";
    char cYear[8] = "";
    char cRest[2] = "";
    int s32Fields = sscanf(pcValue, "%7s %7s %1s", cWeek, cYear, cRest);
    if (s32Fields == 2 && bParseRange(cWeek, 1, 53, &pstStation->s32FixedWeek) &&
        bParseRange(cYear, STATION_YEAR_FIRST, STATION_YEAR_LAST, &pstStation->s32FixedYear)) {
        pstStation->s32WeekYear = STATION_WEEKYEAR_FIXED;
        return true;
    }
    return bWhy(pcWhy, whySize,
                "WeekYear is \"%.40s\"; it must be today, keep, or a week 1 to 53 and a year "
                "%d to %d (\"12 2026\")",
                pcValue, STATION_YEAR_FIRST, STATION_YEAR_LAST);
}

// Empty, or exactly that many lower-case hex digits.
bool bLowerHex(const char *pcValue, size_t digits)
{
    size_t length = strlen(pcValue);
    bool bHex = length == 0 || length == digits;
    for (size_t i = 0; bHex && i < length; i++)
        bHex = (pcValue[i] >= '0' && pcValue[i] <= '9') || (pcValue[i] >= 'a' && pcValue[i] <= 'f');
    return bHex;
}

// The record's id is empty or the 32 lower-case hex digits the record made.
bool bParseRecordKey(int32_t s32Key, const char *pcValue, stStation *pstStation, char *pcWhy,
                     size_t whySize)
{
    if (s32Key == KEY_LAST_UNIT) {
        if (!bParseDecimal(pcValue, STATION_LAST_UNIT_MAX, &pstStation->u64LastUnit))
            return bWhy(pcWhy, whySize, "LastUnit is \"%.40s\"; it must be a number 0 to %llu",
                        pcValue, STATION_LAST_UNIT_MAX);
        return true;
    }
    if (!bLowerHex(pcValue, STATION_RECORD_ID_SIZE - 1))
        return bWhy(pcWhy, whySize,
                    "RecordId is \"%.40s\"; it must be the record's 32 hex digits (0-9, a-f), "
                    "or empty",
                    pcValue);
    memcpy(pstStation->cRecordId, pcValue, strlen(pcValue) + 1);
    return true;
}

bool bParseLineKey(int32_t s32Key, const char *pcValue, stStation *pstStation, char *pcWhy,
                   size_t whySize)
{
    switch (s32Key) {
    case KEY_BEFORE_UNIT:
        return bParseText(s32Key, pcValue, false, pstStation->cBeforeUnit, pcWhy, whySize);
    case KEY_AFTER_UNIT:
        return bParseText(s32Key, pcValue, false, pstStation->cAfterUnit, pcWhy, whySize);
    case KEY_HOOK_TIMEOUT:
        if (!bParseRange(pcValue, 1, STATION_HOOK_TIMEOUT_MAX, &pstStation->s32HookTimeoutS))
            return bWhy(pcWhy, whySize, "HookTimeout is \"%.40s\"; it must be 1 to %d seconds",
                        pcValue, STATION_HOOK_TIMEOUT_MAX);
        return true;
    case KEY_SERIAL_FORMAT:
        if (strlen(pcValue) > STAMP_SERIAL_MAX)
            return bWhy(pcWhy, whySize, "SerialFormat has %zu characters; a serial has at most %d",
                        strlen(pcValue), STAMP_SERIAL_MAX);
        return bParseText(s32Key, pcValue, true, pstStation->cSerialFormat, pcWhy, whySize);
    case KEY_PACKAGE:
        return bParseText(s32Key, pcValue, false, pstStation->cPackage, pcWhy, whySize);
    case KEY_PACKAGE_SHA256:
        if (!bLowerHex(pcValue, STATION_SHA256_SIZE - 1))
            return bWhy(pcWhy, whySize,
                        "PackageSha256 is \"%.70s\"; it must be 64 hex digits (0-9, a-f), or "
                        "empty",
                        pcValue);
        memcpy(pstStation->cPackageSha256, pcValue, strlen(pcValue) + 1);
        return true;
    case KEY_REQUIRE_OPERATOR:
        if (!bParseRange(pcValue, 0, 1, &pstStation->bRequireOperator))
            return bWhy(pcWhy, whySize, "RequireOperator is \"%.40s\"; it must be 0 or 1", pcValue);
        return true;
    case KEY_OPERATOR_IDLE:
        if (!bParseRange(pcValue, 1, STATION_OPERATOR_IDLE_MAX, &pstStation->s32OperatorIdleMinutes))
            return bWhy(pcWhy, whySize, "OperatorIdleMinutes is \"%.40s\"; it must be 1 to %d",
                        pcValue, STATION_OPERATOR_IDLE_MAX);
        return true;
    }
    return bWhy(pcWhy, whySize, "no key %d", (int)s32Key);
}

// The line's keys at their defaults are not written.
bool bLineKeyUnset(int32_t s32Key, const stStation *pst)
{
    switch (s32Key) {
    case KEY_BEFORE_UNIT:
        return pst->cBeforeUnit[0] == '\0';
    case KEY_AFTER_UNIT:
        return pst->cAfterUnit[0] == '\0';
    case KEY_HOOK_TIMEOUT:
        return pst->s32HookTimeoutS == STATION_HOOK_TIMEOUT_DEFAULT;
    case KEY_SERIAL_FORMAT:
        return pst->cSerialFormat[0] == '\0';
    case KEY_PACKAGE:
        return pst->cPackage[0] == '\0';
    case KEY_PACKAGE_SHA256:
        return pst->cPackageSha256[0] == '\0';
    case KEY_REQUIRE_OPERATOR:
        return !pst->bRequireOperator;
    case KEY_OPERATOR_IDLE:
        return pst->s32OperatorIdleMinutes == STATION_OPERATOR_IDLE_DEFAULT;
    }
    return false;
}

bool bParseValue(int32_t s32Key, const char *pcValue, stStation *pstStation, char *pcWhy,
                 size_t whySize)
{
    uint64_t u64Value = 0;
    switch (s32Key) {
    case KEY_PRODUCTION:
        if (!bParseRange(pcValue, 0, 1, &pstStation->bProduction))
            return bWhy(pcWhy, whySize, "Production is \"%.40s\"; it must be 0 or 1", pcValue);
        return true;
    case KEY_STATION:
        return bParseText(s32Key, pcValue, false, pstStation->cStation, pcWhy, whySize);
    case KEY_SERIAL_SOURCE:
        return bParseWord(s32Key, pcValue, gpc_Sources, 2, &pstStation->s32SerialSource, pcWhy,
                          whySize);
    case KEY_SERIAL_PREFIX:
        return bParseText(s32Key, pcValue, true, pstStation->cSerialPrefix, pcWhy, whySize);
    case KEY_SERIAL_DIGITS:
        if (!bParseRange(pcValue, 1, STATION_DIGITS_MAX, &pstStation->s32SerialDigits))
            return bWhy(pcWhy, whySize, "SerialDigits is \"%.40s\"; it must be 1 to %d", pcValue,
                        STATION_DIGITS_MAX);
        return true;
    case KEY_NEXT_SERIAL:
        if (!bParseDecimal(pcValue, STATION_NEXT_MAX, &u64Value))
            return bWhy(pcWhy, whySize, "NextSerial is \"%.40s\"; it must be a number 0 to %llu",
                        pcValue, STATION_NEXT_MAX);
        pstStation->u64NextSerial = u64Value;
        return true;
    case KEY_NUMERIC_SERIAL:
        return bParseWord(s32Key, pcValue, gpc_NumericModes, 3, &pstStation->s32NumericSerial,
                          pcWhy, whySize);
    case KEY_WEEK_YEAR:
        return bParseWeekYear(pcValue, pstStation, pcWhy, whySize);
    case KEY_PORT_MAP:
        return bParsePortMap(pcValue, pstStation->stMap, &pstStation->s32MapCount, pcWhy,
                             whySize);
    case KEY_RECORDS:
        if (!*pcValue)
            return bWhy(pcWhy, whySize, "Records is empty; it must name a file");
        return bParseText(s32Key, pcValue, false, pstStation->cRecords, pcWhy, whySize);
    case KEY_WRITE_MODE:
        return bParseWord(s32Key, pcValue, gpc_WriteModes, 2, &pstStation->s32WriteMode, pcWhy,
                          whySize);
    case KEY_SIMULATED:
        if (!bParseRange(pcValue, 0, 1, &pstStation->bSimulated))
            return bWhy(pcWhy, whySize, "Simulated is \"%.40s\"; it must be 0 or 1", pcValue);
        return true;
    case KEY_RECORD_ID:
    case KEY_LAST_UNIT:
        return bParseRecordKey(s32Key, pcValue, pstStation, pcWhy, whySize);
    }
    return bParseLineKey(s32Key, pcValue, pstStation, pcWhy, whySize);
}

const char *pcWordOf(const char *const *ppcWords, int32_t s32Count, int32_t s32Index)
{
    return s32Index >= 0 && s32Index < s32Count ? ppcWords[s32Index] : "?";
}

void vFormatValue(int32_t s32Key, const stStation *pst, char *pcValue, size_t size)
{
    switch (s32Key) {
    case KEY_PRODUCTION:
        snprintf(pcValue, size, "%d", (int)pst->bProduction);
        return;
    case KEY_STATION:
        snprintf(pcValue, size, "%s", pst->cStation);
        return;
    case KEY_SERIAL_SOURCE:
        snprintf(pcValue, size, "%s", pcWordOf(gpc_Sources, 2, pst->s32SerialSource));
        return;
    case KEY_SERIAL_PREFIX:
        snprintf(pcValue, size, "%s", pst->cSerialPrefix);
        return;
    case KEY_SERIAL_DIGITS:
        snprintf(pcValue, size, "%d", (int)pst->s32SerialDigits);
        return;
    case KEY_NEXT_SERIAL:
        snprintf(pcValue, size, "%llu", (unsigned long long)pst->u64NextSerial);
        return;
    case KEY_NUMERIC_SERIAL:
        snprintf(pcValue, size, "%s", pcWordOf(gpc_NumericModes, 3, pst->s32NumericSerial));
        return;
    case KEY_WEEK_YEAR:
        if (pst->s32WeekYear == STATION_WEEKYEAR_FIXED)
            snprintf(pcValue, size, "%d %d", (int)pst->s32FixedWeek, (int)pst->s32FixedYear);
        else
            snprintf(pcValue, size, "%s", pcWordOf(gpc_WeekYearWords, 2, pst->s32WeekYear));
        return;
    case KEY_PORT_MAP:
        vFormatPortMap(pst->stMap, pst->s32MapCount, pcValue, size);
        return;
    case KEY_RECORDS:
        snprintf(pcValue, size, "%s", pst->cRecords);
        return;
    case KEY_WRITE_MODE:
        snprintf(pcValue, size, "%s", pcWordOf(gpc_WriteModes, 2, pst->s32WriteMode));
        return;
    case KEY_SIMULATED:
        snprintf(pcValue, size, "%d", (int)pst->bSimulated);
        return;
    case KEY_RECORD_ID:
        snprintf(pcValue, size, "%s", pst->cRecordId);
        return;
    case KEY_LAST_UNIT:
        snprintf(pcValue, size, "%llu", (unsigned long long)pst->u64LastUnit);
        return;
    case KEY_BEFORE_UNIT:
        snprintf(pcValue, size, "%s", pst->cBeforeUnit);
        return;
    case KEY_AFTER_UNIT:
        snprintf(pcValue, size, "%s", pst->cAfterUnit);
        return;
    case KEY_HOOK_TIMEOUT:
        snprintf(pcValue, size, "%d", (int)pst->s32HookTimeoutS);
        return;
    case KEY_SERIAL_FORMAT:
        snprintf(pcValue, size, "%s", pst->cSerialFormat);
        return;
    case KEY_PACKAGE:
        snprintf(pcValue, size, "%s", pst->cPackage);
        return;
    case KEY_PACKAGE_SHA256:
        snprintf(pcValue, size, "%s", pst->cPackageSha256);
        return;
    case KEY_REQUIRE_OPERATOR:
        snprintf(pcValue, size, "%d", (int)pst->bRequireOperator);
        return;
    case KEY_OPERATOR_IDLE:
        snprintf(pcValue, size, "%d", (int)pst->s32OperatorIdleMinutes);
        return;
    }
    snprintf(pcValue, size, "?");
}

// One line of the file into the station; a blank line is no key.
bool bParseLine(char *pcLine, bool *pbSeen, int32_t *ps32SeenOn, int32_t s32LineNo,
                stStation *pstStation, char *pcWhy, size_t whySize)
{
    char *pcText = pcTrim(pcLine);
    if (!*pcText)
        return true;
    char *pcEquals = strchr(pcText, '=');
    if (!pcEquals)
        return bWhy(pcWhy, whySize, "\"%.60s\" is no \"Key = value\" line", pcText);
    *pcEquals = '\0';
    const char *pcKey = pcTrim(pcText);
    const char *pcValue = pcTrim(pcEquals + 1);
    int32_t s32Key = s32WordIndex(pcKey, gpc_Keys, KEY_COUNT);
    if (s32Key < 0)
        return bWhy(pcWhy, whySize,
                    "the key \"%.40s\" is none of Production, Station, SerialSource, "
                    "SerialPrefix, SerialDigits, NextSerial, NumericSerial, WeekYear, PortMap, "
                    "Records, WriteMode, Simulated, RecordId, LastUnit, BeforeUnit, AfterUnit, "
                    "HookTimeout, SerialFormat, Package, PackageSha256, RequireOperator, "
                    "OperatorIdleMinutes",
                    pcKey);
    if (pbSeen[s32Key])
        return bWhy(pcWhy, whySize, "%s is given again; it was on line %d", gpc_Keys[s32Key],
                    (int)ps32SeenOn[s32Key]);
    pbSeen[s32Key] = true;
    ps32SeenOn[s32Key] = s32LineNo;
    return bParseValue(s32Key, pcValue, pstStation, pcWhy, whySize);
}

// Every line of the open file into the station; false with the line's
// number and the reason.
bool bParseLines(FILE *pFile, stStation *pstStation, int32_t *ps32LineNo, char *pcWhy,
                 size_t whySize)
{
    char cLine[STATION_LINE_SIZE];
    bool bSeen[KEY_COUNT] = {};
    int32_t s32SeenOn[KEY_COUNT] = {};
    *ps32LineNo = 0;
    while (bTextReadLine(pFile, cLine, sizeof(cLine))) {
        ++*ps32LineNo;
        size_t length = strlen(cLine);
        bool bEnded = (length > 0 && cLine[length - 1] == '\n') || feof(pFile);
        if (!bEnded && length == sizeof(cLine) - 1)
            return bWhy(pcWhy, whySize, "the line is longer than %d characters",
                        (int)sizeof(cLine) - 2);
        if (!bEnded)
            return bWhy(pcWhy, whySize, "the line holds a NUL byte");
        if (!bParseLine(cLine, bSeen, s32SeenOn, *ps32LineNo, pstStation, pcWhy, whySize))
            return false;
    }
    return true;
}

// Only what reads back as it was is written.
bool bCheckWritable(const stStation *pstStation, char *pcWhy, size_t whySize)
{
    char cValue[STATION_LINE_SIZE];
    stStation stScratch;
    for (int32_t i = 0; i < KEY_COUNT; i++) {
        // Only a training station says so: a line's stations keep their files.
        if (i == KEY_SIMULATED && !pstStation->bSimulated)
            continue;
        vFormatValue(i, pstStation, cValue, sizeof(cValue));
        if (!bParseValue(i, cValue, &stScratch, pcWhy, whySize))
            return false;
    }
    return true;
}

} // namespace

stStation gst_Station = [] {
    stStation stDefaults;
    vStationDefaults(&stDefaults);
    return stDefaults;
}();

bool bSetStationValue(stStation *pstStation, const char *pcKey, const char *pcValue, char *pcWhy,
                      size_t whySize)
{
    int32_t s32Key = s32WordIndex(pcKey, gpc_Keys, KEY_COUNT);
    if (s32Key < 0)
        return bWhy(pcWhy, whySize, "the key \"%.40s\" is not a station key", pcKey);
    char cValue[STATION_LINE_SIZE];
    snprintf(cValue, sizeof(cValue), "%s", pcValue);
    stStation stNew = *pstStation;
    char cReason[STATION_WHY_MAX];
    if (!bParseValue(s32Key, pcTrim(cValue), &stNew, cReason, sizeof(cReason))) {
        pcEscapeText(cReason, ESCAPE_CONTROLS, pcWhy, whySize);
        return false;
    }
    *pstStation = stNew;
    return true;
}

void vStationDefaults(stStation *pstStation)
{
    memset(pstStation, 0, sizeof(*pstStation));
    pstStation->bProduction = 0;
    pstStation->s32SerialSource = STATION_SOURCE_SCAN;
    pstStation->s32SerialDigits = 6;
    pstStation->u64NextSerial = 1;
    pstStation->s32NumericSerial = STATION_NUMERIC_DIGITS;
    pstStation->s32WeekYear = STATION_WEEKYEAR_TODAY;
    snprintf(pstStation->cRecords, sizeof(pstStation->cRecords), "%s", STATION_RECORDS_DEFAULT);
    pstStation->s32WriteMode = STATION_WRITE_PACED;
    pstStation->s32HookTimeoutS = STATION_HOOK_TIMEOUT_DEFAULT;
    pstStation->s32OperatorIdleMinutes = STATION_OPERATOR_IDLE_DEFAULT;
}

bool bReadStationFile(const char *pcPath, stStation *pstStation, char *pcWhy, size_t whySize)
{
    vStationDefaults(pstStation);
    const char *pcName = pcBaseName(pcPath);
    uint64_t u64Size = 0;
    const char *pcKind = nullptr;
    errno = 0;
    FILE *pFile = pFsOpenRegular(pcPath, &u64Size, &pcKind);
    if (!pFile && !pcKind && errno == ENOENT)
        return true;
    if (!pFile && pcKind)
        return bWhy(pcWhy, whySize, "%s is %s, not a regular file", pcName, pcKind);
    if (!pFile)
        return bWhy(pcWhy, whySize, "%s cannot be read: %s", pcName, strerror(errno));
    stStation stRead;
    char cReason[STATION_WHY_MAX];
    vStationDefaults(&stRead);
    int32_t s32LineNo = 0;
    bool bRead = bParseLines(pFile, &stRead, &s32LineNo, cReason, sizeof(cReason));
    bool bFailed = ferror(pFile) != 0;
    fclose(pFile);
    if (bFailed)
        return bWhy(pcWhy, whySize, "%s cannot be read: a read failed", pcName);
    if (!bRead) {
        char cShown[STATION_WHY_MAX];
        pcEscapeText(cReason, ESCAPE_CONTROLS, cShown, sizeof(cShown));
        return bWhy(pcWhy, whySize, "%s line %d: %s", pcName, (int)s32LineNo, cShown);
    }
    *pstStation = stRead;
    return true;
}

bool bWriteStationFile(const char *pcPath, const stStation *pstStation, char *pcWhy,
                       size_t whySize)
{
    char cReason[STATION_WHY_MAX];
    char cValue[STATION_LINE_SIZE];
    char cLine[STATION_LINE_SIZE + 32];
    // Two paths and the write buffer (17 KB) stay off the stack, as the other
    // files' writers do; so one write of the station must end before the
    // next begins, which holds while all of them run in the event loop.
    static stTextWriter stWriter;
    const char *pcName = pcBaseName(pcPath);
    if (!bCheckWritable(pstStation, cReason, sizeof(cReason)))
        return bWhy(pcWhy, whySize, "%s is not written: %s", pcName, cReason);
    if (!bTextWriterOpenOwn(&stWriter, pcPath))
        return bWhy(pcWhy, whySize, "%s cannot be written: %s", pcName,
                    pcTextWriterWhy(&stWriter));
    for (int32_t i = 0; i < KEY_COUNT; i++) {
        // Only a training station says so: a line's stations keep their files.
        if (i == KEY_SIMULATED && !pstStation->bSimulated)
            continue;
        if ((i == KEY_RECORD_ID || i == KEY_LAST_UNIT) && pstStation->cRecordId[0] == '\0')
            continue;
        if (bLineKeyUnset(i, pstStation))
            continue;
        vFormatValue(i, pstStation, cValue, sizeof(cValue));
        snprintf(cLine, sizeof(cLine), "%s = %s\n", gpc_Keys[i], cValue);
        vTextWrite(&stWriter, cLine);
    }
    if (!bTextWriterCommit(&stWriter))
        return bWhy(pcWhy, whySize, "%s cannot be written: %s", pcName,
                    pcTextWriterWhy(&stWriter));
    return true;
}

namespace {

// A port or an output named by an earlier entry: the map's entries each
// drive one display, so a second one would leave a display unprogrammed.
bool bMappedBefore(const stStationMapEntry *pstEntries, int32_t s32Count, char *pcWhy,
                   size_t whySize)
{
    const stStationMapEntry *pstNew = &pstEntries[s32Count];
    for (int32_t i = 0; i < s32Count; i++) {
        if (strcmp(pstEntries[i].cPort, pstNew->cPort) == 0)
            return !bWhy(pcWhy, whySize, "port map entry %d: the port %s is mapped again; entry "
                         "%d maps it", (int)s32Count + 1, pstNew->cPort, (int)(i + 1));
        if (pstEntries[i].s32Output == pstNew->s32Output)
            return !bWhy(pcWhy, whySize, "port map entry %d, %s: output %d is mapped again; "
                         "entry %d maps it to %s", (int)s32Count + 1, pstNew->cPort,
                         (int)pstNew->s32Output, (int)(i + 1), pstEntries[i].cPort);
    }
    return false;
}

// One "NAME:N" into *pstEntry.
bool bParseMapEntry(char *pcEntry, int32_t s32No, stStationMapEntry *pstEntry, char *pcWhy,
                    size_t whySize)
{
    char *pcColon = strchr(pcEntry, ':');
    if (!pcColon)
        return bWhy(pcWhy, whySize, "port map entry %d, \"%.40s\": no output number", (int)s32No,
                    pcEntry);
    *pcColon = '\0';
    const char *pcPort = pcTrim(pcEntry);
    const char *pcOutput = pcTrim(pcColon + 1);
    size_t nameLength = strlen(pcPort);
    if (nameLength < 1 || nameLength > PKG_PORT_NAME_SIZE)
        return bWhy(pcWhy, whySize,
                    "port map entry %d: the port name \"%.40s\" has %zu characters; it must "
                    "have 1 to %d",
                    (int)s32No, pcPort, nameLength, PKG_PORT_NAME_SIZE);
    for (const char *pc = pcPort; *pc; pc++)
        if ((unsigned char)*pc < 0x20 || *pc == 0x7F)
            return bWhy(pcWhy, whySize, "port map entry %d: the port name \"%s\" holds a control "
                        "byte", (int)s32No, pcPort);
    if (!bParseRange(pcOutput, 1, STATION_OUTPUT_MAX, &pstEntry->s32Output))
        return bWhy(pcWhy, whySize,
                    "port map entry %d, %s: the output number is \"%.20s\"; it must be 1 to %d",
                    (int)s32No, pcPort, pcOutput, STATION_OUTPUT_MAX);
    snprintf(pstEntry->cPort, sizeof(pstEntry->cPort), "%s", pcPort);
    return true;
}

} // namespace

bool bParsePortMap(const char *pcText, stStationMapEntry *pstMap, int32_t *ps32Count,
                   char *pcWhy, size_t whySize)
{
    char cCopy[STATION_LINE_SIZE];
    stStationMapEntry stEntries[STATION_MAP_MAX];
    if (strlen(pcText) >= sizeof(cCopy))
        return bWhy(pcWhy, whySize, "the port map is longer than %d characters",
                    (int)sizeof(cCopy) - 1);
    snprintf(cCopy, sizeof(cCopy), "%s", pcText);
    int32_t s32Count = 0;
    char *pcRest = pcTrim(cCopy);
    while (*pcRest) {
        char *pcComma = strchr(pcRest, ',');
        if (pcComma)
            *pcComma = '\0';
        char *pcEntry = pcTrim(pcRest);
        pcRest = pcComma ? pcComma + 1 : pcRest + strlen(pcRest);
        if (s32Count == STATION_MAP_MAX)
            return bWhy(pcWhy, whySize, "the port map has more than %d entries",
                        STATION_MAP_MAX);
        if (!bParseMapEntry(pcEntry, s32Count + 1, &stEntries[s32Count], pcWhy, whySize) ||
            bMappedBefore(stEntries, s32Count, pcWhy, whySize))
            return false;
        s32Count++;
        if (pcComma && !*pcTrim(pcRest))
            return bWhy(pcWhy, whySize, "the port map ends with a comma");
    }
    memcpy(pstMap, stEntries, sizeof(stEntries[0]) * (size_t)s32Count);
    *ps32Count = s32Count;
    return true;
}

void vFormatPortMap(const stStationMapEntry *pstMap, int32_t s32Count, char *pcText, size_t size)
{
    if (size == 0)
        return;
    pcText[0] = '\0';
    size_t used = 0;
    for (int32_t i = 0; i < s32Count && used + 1 < size; i++) {
        int s32Length = snprintf(pcText + used, size - used, "%s%.8s:%d", i ? ", " : "",
                                 pstMap[i].cPort, (int)pstMap[i].s32Output);
        if (s32Length < 0)
            return;
        used += (size_t)s32Length;
    }
}

namespace {

// The counter's serial of u64Number; false with the reason.
bool bFormCounterSerial(const stStation *pstStation, uint64_t u64Number, char *pcFormed,
                        size_t size, char *pcWhy, size_t whySize)
{
    char cReason[STAMP_WHY_MAX];
    int32_t s32Digits = pstStation->s32SerialDigits;
    snprintf(pcFormed, size, "%s%0*llu", pstStation->cSerialPrefix,
             s32Digits >= 1 && s32Digits <= STATION_DIGITS_MAX ? (int)s32Digits : 1,
             (unsigned long long)u64Number);
    if (!bCheckUnitSerial(pcFormed, cReason, sizeof(cReason)))
        return bWhy(pcWhy, whySize, "the counter's serial \"%.40s\" cannot be used: %s", pcFormed,
                    cReason);
    if (u64Number >= STATION_NEXT_MAX)
        return bWhy(pcWhy, whySize, "NextSerial is %llu, the last number the counter holds",
                    (unsigned long long)u64Number);
    if (pstStation->s32NumericSerial == STATION_NUMERIC_COUNTER && u64Number > 0xFFFFFFFFull)
        return bWhy(pcWhy, whySize,
                    "NextSerial is %llu, more than the 32-bit numeric serial holds "
                    "(NumericSerial = counter)",
                    (unsigned long long)u64Number);
    return true;
}

void vSaySkipped(const char *pcFirst, const char *pcLast, int32_t s32Skipped, char *pcSkipped,
                 size_t skippedSize)
{
    if (!pcSkipped || skippedSize == 0)
        return;
    if (s32Skipped == 1)
        snprintf(pcSkipped, skippedSize, "The counter skipped %s: the record already holds it",
                 pcFirst);
    else
        snprintf(pcSkipped, skippedSize,
                 "The counter skipped %s to %s: the record already holds them", pcFirst,
                 pcLast);
}

} // namespace

bool bTakeCounterSerial(const char *pcPath, stStation *pstStation, char *pcSerial,
                        size_t serialSize, uint64_t *pu64Number, char *pcWhy, size_t whySize,
                        pfnSerialTaken pfnTaken, char *pcSkipped, size_t skippedSize)
{
    char cFormed[STATION_TEXT_MAX + 32];
    char cFirstSkipped[STATION_TEXT_MAX + 32] = "";
    if (pcSkipped && skippedSize)
        pcSkipped[0] = '\0';
    uint64_t u64First = pstStation->u64NextSerial;
    uint64_t u64Number = u64First;
    for (;; u64Number++) {
        if (!bFormCounterSerial(pstStation, u64Number, cFormed, sizeof(cFormed), pcWhy, whySize))
            return false;
        bool bTaken = false;
        if (pfnTaken && !pfnTaken(cFormed, &bTaken, pcWhy, whySize))
            return false;
        if (!bTaken)
            break;
        if (u64Number == u64First)
            snprintf(cFirstSkipped, sizeof(cFirstSkipped), "%s", cFormed);
        if (u64Number - u64First + 1 >= STATION_SKIP_MAX)
            return bWhy(pcWhy, whySize, "the record already holds the counter's next %d serials, "
                        "%s to %s", STATION_SKIP_MAX, cFirstSkipped, cFormed);
    }
    if (!pcSerial || strlen(cFormed) >= serialSize)
        return bWhy(pcWhy, whySize, "no room for the serial");
    // The next number is on disk before this one is given out.
    pstStation->u64NextSerial = u64Number + 1;
    if (!bWriteStationFile(pcPath, pstStation, pcWhy, whySize)) {
        pstStation->u64NextSerial = u64First;
        return false;
    }
    if (u64Number > u64First) {
        char cLast[STATION_TEXT_MAX + 32];
        bFormCounterSerial(pstStation, u64Number - 1, cLast, sizeof(cLast), nullptr, 0);
        vSaySkipped(cFirstSkipped, cLast, (int32_t)(u64Number - u64First), pcSkipped,
                    skippedSize);
    }
    snprintf(pcSerial, serialSize, "%s", cFormed);
    if (pu64Number)
        *pu64Number = u64Number;
    return true;
}

bool bTakeLineSerial(const stStation *pstStation, pfnLineNumber pfnNext, char *pcSerial,
                     size_t serialSize, uint64_t *pu64Number, char *pcWhy, size_t whySize,
                     pfnSerialTaken pfnTaken, char *pcSkipped, size_t skippedSize)
{
    char cFormed[STATION_TEXT_MAX + 32];
    char cFirstSkipped[STATION_TEXT_MAX + 32] = "";
    char cLastSkipped[STATION_TEXT_MAX + 32] = "";
    if (pcSkipped && skippedSize)
        pcSkipped[0] = '\0';
    int32_t s32Skipped = 0;
    int64_t s64Number = 0;
    for (;; s32Skipped++) {
        if (s32Skipped >= STATION_SKIP_MAX)
            return bWhy(pcWhy, whySize, "the record already holds the line counter's next %d "
                        "serials, %s to %s", STATION_SKIP_MAX, cFirstSkipped, cLastSkipped);
        if (!pfnNext(pstStation->cSerialPrefix, (int64_t)pstStation->u64NextSerial, &s64Number,
                     pcWhy, whySize) ||
            !bFormCounterSerial(pstStation, (uint64_t)s64Number, cFormed, sizeof(cFormed), pcWhy,
                                whySize))
            return false;
        bool bTaken = false;
        if (pfnTaken && !pfnTaken(cFormed, &bTaken, pcWhy, whySize))
            return false;
        if (!bTaken)
            break;
        snprintf(s32Skipped ? cLastSkipped : cFirstSkipped, sizeof(cFormed), "%s", cFormed);
    }
    if (!pcSerial || strlen(cFormed) >= serialSize)
        return bWhy(pcWhy, whySize, "no room for the serial");
    if (s32Skipped > 0)
        vSaySkipped(cFirstSkipped, cLastSkipped, s32Skipped, pcSkipped, skippedSize);
    snprintf(pcSerial, serialSize, "%s", cFormed);
    if (pu64Number)
        *pu64Number = (uint64_t)s64Number;
    return true;
}

bool bNoteStationRecord(const char *pcPath, stStation *pstStation, const char *pcId,
                        uint64_t u64LastUnit, char *pcWhy, size_t whySize)
{
    stStation stNew = *pstStation;
    snprintf(stNew.cRecordId, sizeof(stNew.cRecordId), "%s", pcId);
    stNew.u64LastUnit = u64LastUnit;
    if (!bWriteStationFile(pcPath, &stNew, pcWhy, whySize))
        return false;
    *pstStation = stNew;
    return true;
}

namespace {

bool bOwnFolderFile(const char *pcName)
{
    return strcmp(pcName, SETTING_FILE_NAME) == 0 || strcmp(pcName, STATION_FILE_NAME) == 0;
}

// MonitorEDID/Monitor_<n>_<id>.bin
bool bMonitorFile(const char *pcName)
{
    size_t length = strlen(pcName);
    return strncmp(pcName, "Monitor_", 8) == 0 && length > 12 &&
           strcmp(pcName + length - 4, ".bin") == 0;
}

} // namespace

void vRemoveSaveLeftovers(const char *pcDir)
{
    char cFolder[STATION_LINE_SIZE * 4];
    s32SafeFileRemoveLeftovers(pcDir, bOwnFolderFile);
    int s32Len = snprintf(cFolder, sizeof(cFolder), "%s" UI_PATH_SEP "MonitorEDID", pcDir);
    if (s32Len > 0 && (size_t)s32Len < sizeof(cFolder))
        s32SafeFileRemoveLeftovers(cFolder, bMonitorFile);
}
