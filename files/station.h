// The station file Station.ini in the program's folder: the production
// mode's settings, beside DefSetting.ini and in its text conventions
// ("Key = value" lines, keys found case-free, CR LF written, CR LF or LF
// read, replaced only when written whole). Written by the program, by hand
// or by a line's own tools, so it is read strictly: a wrong line is named.
#ifndef STATION_H
#define STATION_H

#include "files/package_layout.h"

#include <stddef.h>
#include <stdint.h>

#define STATION_FILE_NAME "Station.ini"
#define STATION_TEXT_MAX 255        // characters of a text value
#define STATION_WHY_MAX 512         // characters of a refusal
#define STATION_MAP_MAX PKG_PORT_MAX
#define STATION_DIGITS_MAX 12
#define STATION_OUTPUT_MAX 32
#define STATION_RECORDS_DEFAULT "units.sqlite"
#define STATION_RECORD_ID_SIZE 33   // 32 hex digits and the terminator
#define STATION_SHA256_SIZE 65      // 64 hex digits and the terminator
#define STATION_HOOK_TIMEOUT_DEFAULT 10
#define STATION_HOOK_TIMEOUT_MAX 3600
#define STATION_OPERATOR_IDLE_DEFAULT 30
#define STATION_OPERATOR_IDLE_MAX 1440

enum { STATION_SOURCE_SCAN = 0, STATION_SOURCE_COUNTER = 1 };
enum { STATION_NUMERIC_DIGITS = 0, STATION_NUMERIC_COUNTER = 1, STATION_NUMERIC_KEEP = 2 };
enum { STATION_WEEKYEAR_TODAY = 0, STATION_WEEKYEAR_KEEP = 1, STATION_WEEKYEAR_FIXED = 2 };
// Packets paced by fixed pauses, or written as the memory acknowledges them.
enum { STATION_WRITE_PACED = 0, STATION_WRITE_FAST = 1 };

// One entry of the port map: a package port by its name (or its number from
// 1, as the port list shows a port without a name) onto the display on an
// output of the bus library, by the output's place among all the outputs
// the library enumerates, from 1; a silent output keeps its number, so the
// others never shift onto it.
struct stStationMapEntry {
    char cPort[PKG_PORT_NAME_SIZE + 1];
    int32_t s32Output;
};

struct stStation {
    int32_t bProduction;
    char cStation[STATION_TEXT_MAX + 1];   // empty: the host name
    int32_t s32SerialSource;
    char cSerialPrefix[STATION_TEXT_MAX + 1];
    int32_t s32SerialDigits;               // 1 to 12
    uint64_t u64NextSerial;
    int32_t s32NumericSerial;
    int32_t s32WeekYear;
    int32_t s32FixedWeek;                  // 1 to 53, with STATION_WEEKYEAR_FIXED
    int32_t s32FixedYear;                  // the full year, 1990 to 2245
    stStationMapEntry stMap[STATION_MAP_MAX];
    int32_t s32MapCount;
    char cRecords[STATION_TEXT_MAX + 1];
    int32_t s32WriteMode;
    int32_t bSimulated;                    // 1: a training station, units on simulated displays
    // The record the station made or adopted, and the last unit it began in
    // it; written only once there is an id.
    char cRecordId[STATION_RECORD_ID_SIZE];
    uint64_t u64LastUnit;
    // The line's: programs run before and after each unit (a route check,
    // a label), each within HookTimeout seconds; the pattern a scanned
    // serial must match ("" none).
    char cBeforeUnit[STATION_TEXT_MAX + 1];
    char cAfterUnit[STATION_TEXT_MAX + 1];
    int32_t s32HookTimeoutS;
    char cSerialFormat[STATION_TEXT_MAX + 1];
    // The package the station is pinned to ("" none; relative: in the
    // program's folder) and the SHA-256 of its file the engineer confirmed.
    char cPackage[STATION_TEXT_MAX + 1];
    char cPackageSha256[STATION_SHA256_SIZE];
    // 1: an operator's badge is scanned when the mode starts and after
    // OperatorIdleMinutes without a unit, and recorded with each unit.
    int32_t bRequireOperator;
    int32_t s32OperatorIdleMinutes;
};

// The station the program runs with (the defaults until a file is read).
extern stStation gst_Station;

// Production off, SerialSource scan, prefix empty, 6 digits, NextSerial 1,
// NumericSerial digits, WeekYear today, no map, Records units.sqlite,
// WriteMode paced, no RecordId, LastUnit 0, no hooks, HookTimeout 10, no
// SerialFormat, no Package, RequireOperator 0, OperatorIdleMinutes 30.
void vStationDefaults(stStation *pstStation);
// Reads the file into *pstStation. A missing file gives the defaults and
// true. False when the file cannot be read or a line is wrong, with
// pcWhy naming the file and the line ("Station.ini line 4: SerialDigits
// is 15; it must be 1 to 12"); *pstStation then holds the defaults.
bool bReadStationFile(const char *pcPath, stStation *pstStation, char *pcWhy, size_t whySize);
// Sets one key from its text as the file would hold it ("Station",
// "today"); false with the reason, the station unchanged.
bool bSetStationValue(stStation *pstStation, const char *pcKey, const char *pcValue, char *pcWhy,
                      size_t whySize);
// Writes every key, in the table's order; false with the reason.
bool bWriteStationFile(const char *pcPath, const stStation *pstStation, char *pcWhy,
                       size_t whySize);
// "NAME:N, NAME:N" into the map; false with the reason ("port map entry 2,
// \"DVI\": no output number"). A port or an output named twice is refused.
bool bParsePortMap(const char *pcText, stStationMapEntry *pstMap, int32_t *ps32Count,
                   char *pcWhy, size_t whySize);
void vFormatPortMap(const stStationMapEntry *pstMap, int32_t s32Count, char *pcText,
                    size_t size);
// Answers whether a serial is already in the unit record: true and
// *pbTaken, or false and the reason.
typedef bool (*pfnSerialTaken)(const char *pcSerial, bool *pbTaken, char *pcWhy, size_t whySize);
// The counter's serial: the prefix and NextSerial zero-padded to the digits
// ("SN" and 42 with 6 digits: "SN000042"). NextSerial + 1 is written to the
// file before this returns true, so a serial is never given out twice; on
// false nothing is given out and pcWhy says why. With pfnTaken, a serial
// the record already holds is passed over (its number used up too) and
// said in pcSkipped, one line for all of them ("" when none was).
bool bTakeCounterSerial(const char *pcPath, stStation *pstStation, char *pcSerial,
                        size_t serialSize, uint64_t *pu64Number, char *pcWhy, size_t whySize,
                        pfnSerialTaken pfnTaken, char *pcSkipped, size_t skippedSize);

// The line's counter, kept by the record's server: pfnNext takes the
// prefix's next number (the line's counter starts at s64First, the
// station's NextSerial, when the prefix has none). The station file is not
// written. As bTakeCounterSerial, a serial the record already holds is
// passed over and said in pcSkipped.
typedef bool (*pfnLineNumber)(const char *pcPrefix, int64_t s64First, int64_t *ps64Number,
                              char *pcWhy, size_t whySize);
bool bTakeLineSerial(const stStation *pstStation, pfnLineNumber pfnNext, char *pcSerial,
                     size_t serialSize, uint64_t *pu64Number, char *pcWhy, size_t whySize,
                     pfnSerialTaken pfnTaken, char *pcSkipped, size_t skippedSize);

// Removes what a save killed half-way left in the program's folder pcDir:
// the new files of the settings, the station file and the monitor files
// (named "<file>.XXXXXX" beside them) that were never renamed. Only with the
// folder locked, so no other copy is saving.
void vRemoveSaveLeftovers(const char *pcDir);

// Remembers the station's record (its id and last unit) in the file;
// false with the reason, the station unchanged.
bool bNoteStationRecord(const char *pcPath, stStation *pstStation, const char *pcId,
                        uint64_t u64LastUnit, char *pcWhy, size_t whySize);

#endif
