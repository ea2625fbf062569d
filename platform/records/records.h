// The unit record: one SQLite database (WAL mode) with a row per unit
// attempt and a row per port of it, and its export as CSV. The only place
// that includes sqlite3.h. The record is opened once (the tables made, the
// interrupted units marked); each call then connects for its own work only.
// On Windows (records_win32.cpp) there is no record: every call refuses
// with the reason; the SHA-256 is the system's.
#ifndef RECORDS_H
#define RECORDS_H

#include <stddef.h>
#include <stdint.h>

#define REC_WHY_MAX 512
#define REC_SHA256_HEX_SIZE 65   // 64 hex digits and the terminator

struct stRecUnit {
    const char *pcStation;
    const char *pcSerial;
    uint32_t u32NumericSerial;
    int32_t s32Week;             // 1 to 53, or 255 with a model year
    int32_t s32Year;             // the full year
    const char *pcPackagePath;
    const char *pcPackageChecksum;  // as the main panel shows it
    int32_t bRework;
};

struct stRecPort {
    const char *pcPort;
    int32_t s32Display;          // position in the Displays list, from 1
    const char *pcDisplayId;
    const char *pcImageSha256;   // hex, of the stamped image
    const char *pcResult;        // "pass" or "fail"
    const char *pcMessage;       // the failure line, or empty
    uint32_t u32DurationMs;
};

// Opens (makes when missing) the database, switches it to WAL, makes or
// migrates the tables, and marks rows still "running" as "interrupted"
// (their count in *ps32Interrupted when not null). False with the reason
// (sqlite3_errmsg and the file). Opening another path forgets the first.
bool bRecOpen(const char *pcPath, int32_t *ps32Interrupted, char *pcWhy, size_t whySize);
void vRecClose(void);
bool bRecIsOpen(void);
// Whether a unit of this serial was ever recorded as "pass".
bool bRecSerialPassed(const char *pcSerial, bool *pbPassed, char *pcWhy, size_t whySize);
// Whether any unit of this serial was recorded, whatever its result.
bool bRecSerialRecorded(const char *pcSerial, bool *pbRecorded, char *pcWhy, size_t whySize);
// Inserts the unit as "running" with the time in UTC (ISO 8601) and returns
// its id; false (nothing inserted) with the reason.
bool bRecBeginUnit(const stRecUnit *pstUnit, int64_t *ps64Id, char *pcWhy, size_t whySize);
// In one transaction: the unit's ports and its result ("pass" or "fail").
bool bRecFinishUnit(int64_t s64Id, const char *pcResult, const stRecPort *pstPorts,
                    int32_t s32Count, char *pcWhy, size_t whySize);
// Every port row with its unit's fields, as CSV (RFC 4180: CR LF, fields
// with a comma, a quote or a line end quoted, quotes doubled; UTF-8; a
// header row), written whole or not at all. False with the reason.
bool bRecExportCsv(const char *pcPath, char *pcWhy, size_t whySize);
// The SHA-256 of the bytes as 64 lower-case hex digits.
void vRecSha256Hex(const uint8_t *pu8Bytes, size_t count, char (&cHex)[REC_SHA256_HEX_SIZE]);

// Test seam: the time recorded for the next units (null: the system's).
void vRecSetTimeForTest(const char *pcTimeUtc);

#endif
