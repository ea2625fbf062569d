// The unit record: a SQLite file (WAL mode) or the line's database server
// through ODBC ("odbc:" and a connection string), with its id, a row per
// unit attempt and a row per port of it, and its export as CSV. records.cpp
// holds every statement but the reports' query (records_query.cpp); records_sqlite.cpp and records_odbc.cpp connect
// (records_db.h). The record is opened once (the tables made, the
// interrupted units marked); each call then connects for its own work only
// (a server's connection is kept while it answers). The same code on Linux
// and Windows; what differs (the file's kind, the time, SHA-256: nettle, or
// CNG on Windows) is in records_posix.cpp and records_win32.cpp.
#ifndef RECORDS_H
#define RECORDS_H

#include <stddef.h>
#include <stdint.h>

#define REC_WHY_MAX 512
#define REC_SHA256_HEX_SIZE 65   // 64 hex digits and the terminator
#define REC_ID_SIZE 33           // a record's id: 32 hex digits and the terminator
#define REC_PORTS_MAX 8
#define REC_NAME_SIZE 32         // a serial or a port name as the record hands it back

struct stRecUnit {
    const char *pcStation;
    const char *pcSerial;
    uint32_t u32NumericSerial;   // the first port's, as its image holds them
    int32_t s32Week;             // 1 to 53, or 255 with a model year
    int32_t s32Year;             // the full year
    const char *pcPackagePath;
    const char *pcPackageChecksum;  // as the main panel shows it
    int32_t bRework;
    const char *pcOperator;         // the badge scanned; null or "": none asked for
};

// A port of a unit as it begins: what its image was stamped with.
struct stRecPort {
    const char *pcPort;
    int32_t s32Display;          // the output the station's map names, from 1
    const char *pcDisplayId;
    const char *pcImageSha256;   // hex, of the stamped image
    uint32_t u32NumericSerial;   // this port's image's numbers (a model year keeps its own)
    int32_t s32Week;
    int32_t s32Year;
};

// The record a station knows (its id and the last unit it began in it).
// With an id the file must be that record and hold that unit; without one
// the record is made, or one that is there adopted (its id kept, or one
// made for it). Afterwards the record's own id and last unit; bNotThis
// tells a refusal for the identity from one for the file.
struct stRecIdentity {
    char cId[REC_ID_SIZE];
    int64_t s64LastUnit;
    bool bNotThis;
};

// The last unit an open found still running, with every port and whether
// it had finished, so it can be stamped again as it was.
struct stRecInterruptedPort {
    char cPort[REC_NAME_SIZE];
    int32_t s32Display;
    uint32_t u32NumericSerial;
    int32_t s32Week;
    int32_t s32Year;
    bool bFinished;
};
struct stRecInterrupted {
    int64_t s64Id;               // 0: none
    char cSerial[REC_NAME_SIZE];
    stRecInterruptedPort stPorts[REC_PORTS_MAX];
    int32_t s32PortCount;
};

// Opens (makes when the station has no record yet) the database, switches
// it to WAL, makes or migrates the tables, checks or gives its identity
// (*pstIdentity, above), and marks units and ports still "running" as
// "interrupted" (their count in *ps32Interrupted when not null). False with
// the reason (sqlite3_errmsg or what was found, and the file). Opening
// another path forgets the first.
bool bRecOpen(const char *pcPath, stRecIdentity *pstIdentity, int32_t *ps32Interrupted,
              char *pcWhy, size_t whySize);
// The last unit the latest open marked interrupted (s64Id 0 when none).
const stRecInterrupted *pstRecInterrupted(void);
void vRecClose(void);
bool bRecIsOpen(void);
// Whether a unit of this serial was ever recorded as "pass".
bool bRecSerialPassed(const char *pcSerial, bool *pbPassed, char *pcWhy, size_t whySize);
// Whether any unit of this serial was recorded, whatever its result.
bool bRecSerialRecorded(const char *pcSerial, bool *pbRecorded, char *pcWhy, size_t whySize);
// Inserts the unit and a row per port, all "running", with the time in UTC
// (ISO 8601), and returns its id; false (nothing inserted) with the reason.
bool bRecBeginUnit(const stRecUnit *pstUnit, const stRecPort *pstPorts, int32_t s32Count,
                   int64_t *ps64Id, char *pcWhy, size_t whySize);
// A port's end as it happens: "pass", or "fail" with the line that says why.
bool bRecFinishPort(int64_t s64Id, const char *pcPort, const char *pcResult,
                    const char *pcMessage, uint32_t u32DurationMs, char *pcWhy, size_t whySize);
// The unit's end: "pass" only when every port passed; "fail" with its reason.
// Ports that never ended fail with "the unit ended before this port ran".
bool bRecFinishUnit(int64_t s64Id, const char *pcResult, const char *pcMessage, char *pcWhy,
                    size_t whySize);
// Every port row with its unit's fields, as CSV (RFC 4180: CR LF, fields
// with a comma, a quote or a line end quoted, quotes doubled; UTF-8; a
// header row), written whole or not at all; a field that a spreadsheet
// would take for a formula (=, +, -, @, a tab or a CR first) gets a ' in
// front. False with the reason.
bool bRecExportCsv(const char *pcPath, char *pcWhy, size_t whySize);
// Whether the open record is the line's database server (Records =
// odbc:CONNECTION), which keeps the line's counters.
bool bRecIsServer(void);
// After a call that failed: whether it failed because the line's server
// could not be reached (no connection, a connection lost, a time-out), so
// the unit may be kept to be sent later, rather than for what the record
// holds. Always false for a file.
bool bRecServerAway(void);
// A scanning station's spool (a file; empty: none): with a server record, a
// unit begun while the server is away is written there (its id negative)
// and so is every later one until the spool is sent, oldest first, each unit
// once (the server inserts a unit only when its uid is not there).
void vRecSetSpool(const char *pcPath);
// Sends what the spool holds but the unit under way; *ps32Unsent: how many
// are left. False with the reason when the server did not take them all.
bool bRecSendSpooled(int32_t *ps32Unsent, char *pcWhy, size_t whySize);
// How many units the spool holds.
int32_t s32RecUnsent(void);
// The id the station made for the unit it began last, the same in the spool
// and on the server ("" before the first).
const char *pcRecUnitUid(void);
// Whether the last rework check or export could see only the spool (the
// server away): they then answer from it.
bool bRecOnlySpool(void);
// Test seam: sending stops after the server's commit, the spool left as it was.
void vRecStopSendingForTest(bool bStop);
// The station whose units an open of a server marks interrupted (the other
// stations' units may still be running).
void vRecSetStation(const char *pcStation);
// The line's next number for the counter's prefix, taken in one transaction
// that locks the prefix's row, so no two stations get the same; the row is
// made at s64First when the prefix has none. Only a server keeps counters.
bool bRecTakeCounter(const char *pcPrefix, int64_t s64First, int64_t *ps64Number, char *pcWhy,
                     size_t whySize);
// Called every few milliseconds while a server's statement or connection
// is waited for (a connection within 3 s, a statement within 5 s), which then
// runs on a thread of its own: the window paints meanwhile. Null (the
// default): the calls wait where they are made.
void vRecSetWaitPump(void (*pfnWait)(void));
// The connection string with the values of PWD= and Password= shown as
// "***", for whatever shows it.
void vRecMaskSecret(const char *pcText, char *pcMasked, size_t size);
// The SHA-256 of the bytes as 64 lower-case hex digits.
void vRecSha256Hex(const uint8_t *pu8Bytes, size_t count, char (&cHex)[REC_SHA256_HEX_SIZE]);

// Test seam: the time recorded for the next units (null: the system's).
void vRecSetTimeForTest(const char *pcTimeUtc);

// Reading the record back, row by row: one row per port of each unit (a
// unit without ports gives one), its unit's fields with it, in the order and
// with the columns of the CSV export. The fields are texts as the record
// holds them ("" and bNull for none), valid during the callback only.
enum {
    REC_COL_UNIT_ID, REC_COL_TIME_UTC, REC_COL_STATION, REC_COL_SERIAL, REC_COL_NUMERIC_SERIAL,
    REC_COL_WEEK, REC_COL_YEAR, REC_COL_PACKAGE_PATH, REC_COL_PACKAGE_CHECKSUM,
    REC_COL_UNIT_RESULT, REC_COL_REWORK, REC_COL_PORT, REC_COL_DISPLAY, REC_COL_DISPLAY_ID,
    REC_COL_IMAGE_SHA256, REC_COL_PORT_RESULT, REC_COL_MESSAGE, REC_COL_DURATION_MS,
    REC_COL_PORT_NUMERIC_SERIAL, REC_COL_PORT_WEEK, REC_COL_PORT_YEAR, REC_COL_UNIT_MESSAGE,
    REC_COL_OPERATOR, REC_COL_COUNT
};
#define REC_TIME_TEXT_SIZE 21   // 2026-12-09T10:11:01Z and the terminator

// The export's column names, in its order.
extern const char *const gpc_RecColumns[REC_COL_COUNT];
// Whether a column holds a whole number (JSON writes it without quotes).
bool bRecColumnIsNumber(int32_t s32Column);

struct stRecRow {
    const char *pcField[REC_COL_COUNT];
    bool bNull[REC_COL_COUNT];
};

// Which units: "" (or no time) takes every one. Times are the record's own
// form (ISO 8601 UTC, whole seconds); since is included, until is not.
struct stRecFilter {
    char cSerial[REC_NAME_SIZE * 4];
    char cStation[REC_NAME_SIZE * 4];
    char cResult[16];             // pass, fail, running or interrupted
    char cSince[REC_TIME_TEXT_SIZE];
    char cUntil[REC_TIME_TEXT_SIZE];
};

// False from the callback stops the reading (the call then returns false
// with pcWhy as the callback left it).
typedef bool (*RecRowReader)(const stRecRow *pstRow, void *pvContext);
// Reads the record at pcPath, a file or "odbc:" and a connection string
// (only reading: nothing is made, marked or changed, a station may be
// writing it meanwhile) and hands each row of the filtered units to pfnRow,
// in the units' order. False with the reason (a password never in it).
bool bRecQuery(const char *pcPath, const stRecFilter *pstFilter, RecRowReader pfnRow,
               void *pvContext, char *pcWhy, size_t whySize);
// One row as a CSV line of the export (its quoting and formula guard, CR LF
// ended) into pcLine; false when it does not fit.
bool bRecCsvLine(const stRecRow *pstRow, char *pcLine, size_t size);
// The export's header line, CR LF ended.
extern const char gc_RecCsvHeader[];

#endif
