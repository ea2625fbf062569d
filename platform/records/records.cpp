#include "platform/records/records.h"

#include "platform/filesys/filesys.h"
#include "platform/filesys/safefile.h"

#include <nettle/sha2.h>
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#define REC_PATH_MAX 4096
#define REC_FORMAT 1   // PRAGMA user_version of the tables below
#define REC_TIME_SIZE 32

// The connection lives only as long as one call: Qt's file dialogs open
// every file of a folder they show to learn its type, and a close of any
// descriptor of a file drops the POSIX locks this process holds on it. A
// connection kept open across a dialog would lose the lock that tells other
// programs it is there, and one of them could remove the WAL under it.
static sqlite3 *gpst_Db = nullptr;
static bool gb_Known = false;   // bRecOpen succeeded for gc_Path
static char gc_Path[REC_PATH_MAX];
static char gc_TimeForTest[REC_TIME_SIZE];
static stSafeFile gst_CsvFile;

static const char *const gpc_Schema =
    "CREATE TABLE IF NOT EXISTS units("
    " id INTEGER PRIMARY KEY, time_utc TEXT NOT NULL, station TEXT, serial TEXT,"
    " numeric_serial INTEGER, week INTEGER, year INTEGER, package_path TEXT,"
    " package_checksum TEXT,"
    " result TEXT CHECK(result IN ('pass','fail','running','interrupted')), rework INTEGER);"
    "CREATE TABLE IF NOT EXISTS ports("
    " unit_id INTEGER REFERENCES units(id), port TEXT, display INTEGER, display_id TEXT,"
    " image_sha256 TEXT, result TEXT, message TEXT, duration_ms INTEGER);"
    "CREATE INDEX IF NOT EXISTS units_serial ON units(serial);"
    "PRAGMA user_version = 1;";

static bool bWhy(char *pcWhy, size_t whySize, const char *pcText)
{
    snprintf(pcWhy, whySize, "%s: %s", gc_Path, pcText);
    return false;
}

static bool bDbWhy(char *pcWhy, size_t whySize)
{
    return bWhy(pcWhy, whySize, sqlite3_errmsg(gpst_Db));
}

static bool bExec(const char *pcSql, char *pcWhy, size_t whySize)
{
    return sqlite3_exec(gpst_Db, pcSql, nullptr, nullptr, nullptr) == SQLITE_OK ||
           bDbWhy(pcWhy, whySize);
}

// The reason is taken before the rollback, which would replace it.
static bool bRollback(char *pcWhy, size_t whySize)
{
    bDbWhy(pcWhy, whySize);
    sqlite3_exec(gpst_Db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

static bool bCommit(char *pcWhy, size_t whySize)
{
    return sqlite3_exec(gpst_Db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK ||
           bRollback(pcWhy, whySize);
}

static sqlite3_stmt *pstPrepare(const char *pcSql)
{
    sqlite3_stmt *pstStmt = nullptr;
    sqlite3_prepare_v2(gpst_Db, pcSql, -1, &pstStmt, nullptr);
    return pstStmt;
}

// Steps a statement that returns no rows, when its parameters could be
// bound, and finalizes it.
static bool bStepDone(sqlite3_stmt *pstStmt, bool bBound = true)
{
    bool bDone = pstStmt && bBound && sqlite3_step(pstStmt) == SQLITE_DONE;
    sqlite3_finalize(pstStmt);
    return bDone;
}

static bool bReadInt(const char *pcSql, int64_t *ps64Value)
{
    sqlite3_stmt *pstStmt = pstPrepare(pcSql);
    bool bRow = pstStmt && sqlite3_step(pstStmt) == SQLITE_ROW;
    if (bRow)
        *ps64Value = sqlite3_column_int64(pstStmt, 0);
    sqlite3_finalize(pstStmt);
    return bRow;
}

// A folder, a device or a FIFO is never handed to SQLite: it could hang on
// one or do something to a device.
static bool bOpenConnection(const char *pcPath, char *pcWhy, size_t whySize)
{
    // An empty name would be a temporary database, gone at the close.
    if (!pcPath[0]) {
        snprintf(pcWhy, whySize, "no file is named for the unit record");
        return false;
    }
    const char *pcKind = pcFsNotRegular(pcPath);
    if (pcKind) {
        char cText[128];
        snprintf(cText, sizeof(cText), "it is %s, not a regular file", pcKind);
        return bWhy(pcWhy, whySize, cText);
    }
    // The record is the station's own file in the program's folder: a
    // symbolic link in its place is refused rather than followed.
    int s32Flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(pcPath, &gpst_Db, s32Flags, nullptr) != SQLITE_OK)
        return bDbWhy(pcWhy, whySize);
    // Two programs on one record wait for each other instead of failing.
    sqlite3_busy_timeout(gpst_Db, 2000);
    return true;
}

// Refuses a record a newer program made before anything is written to it.
static bool bCheckFormat(char *pcWhy, size_t whySize)
{
    int64_t s64Format = 0;
    if (!bReadInt("PRAGMA user_version", &s64Format))
        return bDbWhy(pcWhy, whySize);
    if (s64Format <= REC_FORMAT)
        return true;
    char cText[160];
    snprintf(cText, sizeof(cText),
             "made by a newer program (record format %lld; this program knows up to %d)",
             (long long)s64Format, REC_FORMAT);
    return bWhy(pcWhy, whySize, cText);
}

static bool bUseWal(char *pcWhy, size_t whySize)
{
    sqlite3_stmt *pstStmt = pstPrepare("PRAGMA journal_mode=WAL");
    bool bRow = pstStmt && sqlite3_step(pstStmt) == SQLITE_ROW;
    const unsigned char *pu8Mode = bRow ? sqlite3_column_text(pstStmt, 0) : nullptr;
    bool bWal = pu8Mode && strcmp((const char *)pu8Mode, "wal") == 0;
    sqlite3_finalize(pstStmt);
    if (bWal)
        return true;
    // A file system without shared memory keeps the old mode without an error.
    return bRow ? bWhy(pcWhy, whySize, "its journal cannot be switched to WAL")
                : bDbWhy(pcWhy, whySize);
}

static bool bMakeTablesAndMark(int32_t *ps32Interrupted, char *pcWhy, size_t whySize)
{
    if (!bExec("BEGIN IMMEDIATE", pcWhy, whySize))
        return false;
    if (sqlite3_exec(gpst_Db, gpc_Schema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        !bStepDone(pstPrepare("UPDATE units SET result = 'interrupted' WHERE result = 'running'")))
        return bRollback(pcWhy, whySize);
    int32_t s32Marked = sqlite3_changes(gpst_Db);
    if (!bCommit(pcWhy, whySize))
        return false;
    if (ps32Interrupted)
        *ps32Interrupted = s32Marked;
    return true;
}

static void vDisconnect(void)
{
    sqlite3_close(gpst_Db);
    gpst_Db = nullptr;
}

static bool bConnect(char *pcWhy, size_t whySize)
{
    if (!gb_Known) {
        snprintf(pcWhy, whySize, "no unit record is open");
        return false;
    }
    bool bUp = bOpenConnection(gc_Path, pcWhy, whySize) && bCheckFormat(pcWhy, whySize) &&
               bExec("PRAGMA foreign_keys = ON", pcWhy, whySize);
    if (!bUp)
        vDisconnect();
    return bUp;
}

// The result of a call, with the connection closed after it.
static bool bDone(bool bResult)
{
    vDisconnect();
    return bResult;
}

bool bRecOpen(const char *pcPath, int32_t *ps32Interrupted, char *pcWhy, size_t whySize)
{
    vRecClose();
    if (ps32Interrupted)
        *ps32Interrupted = 0;
    snprintf(gc_Path, sizeof(gc_Path), "%s", pcPath);
    bool bOpen = bOpenConnection(pcPath, pcWhy, whySize) && bCheckFormat(pcWhy, whySize) &&
                 bExec("PRAGMA foreign_keys = ON", pcWhy, whySize) && bUseWal(pcWhy, whySize) &&
                 bMakeTablesAndMark(ps32Interrupted, pcWhy, whySize);
    vDisconnect();
    gb_Known = bOpen;
    return bOpen;
}

void vRecClose(void)
{
    vDisconnect();
    gb_Known = false;
}

bool bRecIsOpen(void)
{
    return gb_Known;
}

bool bRecSerialPassed(const char *pcSerial, bool *pbPassed, char *pcWhy, size_t whySize)
{
    *pbPassed = false;
    if (!bConnect(pcWhy, whySize))
        return false;
    sqlite3_stmt *pstStmt =
        pstPrepare("SELECT EXISTS(SELECT 1 FROM units WHERE serial = ?1 AND result = 'pass')");
    bool bRow = pstStmt && sqlite3_bind_text(pstStmt, 1, pcSerial, -1, SQLITE_STATIC) == SQLITE_OK &&
                sqlite3_step(pstStmt) == SQLITE_ROW;
    if (bRow)
        *pbPassed = sqlite3_column_int(pstStmt, 0) != 0;
    sqlite3_finalize(pstStmt);
    return bDone(bRow || bDbWhy(pcWhy, whySize));
}

bool bRecSerialRecorded(const char *pcSerial, bool *pbRecorded, char *pcWhy, size_t whySize)
{
    *pbRecorded = false;
    if (!bConnect(pcWhy, whySize))
        return false;
    sqlite3_stmt *pstStmt = pstPrepare("SELECT EXISTS(SELECT 1 FROM units WHERE serial = ?1)");
    bool bRow = pstStmt && sqlite3_bind_text(pstStmt, 1, pcSerial, -1, SQLITE_STATIC) == SQLITE_OK &&
                sqlite3_step(pstStmt) == SQLITE_ROW;
    if (bRow)
        *pbRecorded = sqlite3_column_int(pstStmt, 0) != 0;
    sqlite3_finalize(pstStmt);
    return bDone(bRow || bDbWhy(pcWhy, whySize));
}

void vRecSetTimeForTest(const char *pcTimeUtc)
{
    snprintf(gc_TimeForTest, sizeof(gc_TimeForTest), "%s", pcTimeUtc ? pcTimeUtc : "");
}

static void vTimeNow(char (&cTime)[REC_TIME_SIZE])
{
    if (gc_TimeForTest[0]) {
        snprintf(cTime, sizeof(cTime), "%s", gc_TimeForTest);
        return;
    }
    time_t now = time(nullptr);
    struct tm stUtc;
    gmtime_r(&now, &stUtc);
    strftime(cTime, sizeof(cTime), "%Y-%m-%dT%H:%M:%SZ", &stUtc);
}

static bool bBindUnit(sqlite3_stmt *pstStmt, const stRecUnit *pstUnit, const char *pcTime)
{
    return sqlite3_bind_text(pstStmt, 1, pcTime, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_bind_text(pstStmt, 2, pstUnit->pcStation, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_bind_text(pstStmt, 3, pstUnit->pcSerial, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_bind_int64(pstStmt, 4, pstUnit->u32NumericSerial) == SQLITE_OK &&
           sqlite3_bind_int(pstStmt, 5, pstUnit->s32Week) == SQLITE_OK &&
           sqlite3_bind_int(pstStmt, 6, pstUnit->s32Year) == SQLITE_OK &&
           sqlite3_bind_text(pstStmt, 7, pstUnit->pcPackagePath, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_bind_text(pstStmt, 8, pstUnit->pcPackageChecksum, -1, SQLITE_STATIC) ==
               SQLITE_OK &&
           sqlite3_bind_int(pstStmt, 9, pstUnit->bRework ? 1 : 0) == SQLITE_OK;
}

static bool bInsertUnit(const stRecUnit *pstUnit, const char *pcTime)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "INSERT INTO units(time_utc, station, serial, numeric_serial, week, year, package_path,"
        " package_checksum, rework, result) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, 'running')");
    return bStepDone(pstStmt, pstStmt && bBindUnit(pstStmt, pstUnit, pcTime));
}

bool bRecBeginUnit(const stRecUnit *pstUnit, int64_t *ps64Id, char *pcWhy, size_t whySize)
{
    *ps64Id = 0;
    if (!bConnect(pcWhy, whySize))
        return false;
    char cTime[REC_TIME_SIZE];
    vTimeNow(cTime);
    if (!bExec("BEGIN IMMEDIATE", pcWhy, whySize))
        return bDone(false);
    if (!bInsertUnit(pstUnit, cTime))
        return bDone(bRollback(pcWhy, whySize));
    int64_t s64Id = sqlite3_last_insert_rowid(gpst_Db);
    if (!bCommit(pcWhy, whySize))
        return bDone(false);
    *ps64Id = s64Id;
    return bDone(true);
}

static bool bInsertPort(int64_t s64Id, const stRecPort *pstPort)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "INSERT INTO ports(unit_id, port, display, display_id, image_sha256, result, message,"
        " duration_ms) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    bool bBound =
        pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 2, pstPort->pcPort, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_int(pstStmt, 3, pstPort->s32Display) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 4, pstPort->pcDisplayId, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 5, pstPort->pcImageSha256, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 6, pstPort->pcResult, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 7, pstPort->pcMessage, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_int64(pstStmt, 8, pstPort->u32DurationMs) == SQLITE_OK;
    return bStepDone(pstStmt, bBound);
}

static bool bSetResult(int64_t s64Id, const char *pcResult)
{
    sqlite3_stmt *pstStmt = pstPrepare("UPDATE units SET result = ?2 WHERE id = ?1");
    bool bBound = pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK &&
                  sqlite3_bind_text(pstStmt, 2, pcResult, -1, SQLITE_STATIC) == SQLITE_OK;
    return bStepDone(pstStmt, bBound);
}

static bool bFinishUnit(int64_t s64Id, const char *pcResult, const stRecPort *pstPorts,
                        int32_t s32Count, char *pcWhy, size_t whySize)
{
    if (!bExec("BEGIN IMMEDIATE", pcWhy, whySize))
        return false;
    if (!bSetResult(s64Id, pcResult))
        return bRollback(pcWhy, whySize);
    if (sqlite3_changes(gpst_Db) != 1) {
        char cText[64];
        snprintf(cText, sizeof(cText), "no unit %lld", (long long)s64Id);
        sqlite3_exec(gpst_Db, "ROLLBACK", nullptr, nullptr, nullptr);
        return bWhy(pcWhy, whySize, cText);
    }
    for (int32_t s32Port = 0; s32Port < s32Count; s32Port++)
        if (!bInsertPort(s64Id, &pstPorts[s32Port]))
            return bRollback(pcWhy, whySize);
    return bCommit(pcWhy, whySize);
}

bool bRecFinishUnit(int64_t s64Id, const char *pcResult, const stRecPort *pstPorts,
                    int32_t s32Count, char *pcWhy, size_t whySize)
{
    return bConnect(pcWhy, whySize) &&
           bDone(bFinishUnit(s64Id, pcResult, pstPorts, s32Count, pcWhy, whySize));
}

// RFC 4180: a field with a comma, a quote or a line end is quoted, its
// quotes doubled.
static void vWriteField(const unsigned char *pu8Text, int32_t s32Size, bool bLast)
{
    const char *pcText = pu8Text ? (const char *)pu8Text : "";
    size_t size = pu8Text ? (size_t)s32Size : 0;
    bool bQuote = memchr(pcText, ',', size) || memchr(pcText, '"', size) ||
                  memchr(pcText, '\r', size) || memchr(pcText, '\n', size);
    if (!bQuote) {
        vSafeFileWrite(&gst_CsvFile, pcText, size);
    } else {
        vSafeFileWrite(&gst_CsvFile, "\"", 1);
        for (size_t at = 0; at < size; at++)
            vSafeFileWrite(&gst_CsvFile, pcText[at] == '"' ? "\"\"" : &pcText[at],
                           pcText[at] == '"' ? 2 : 1);
        vSafeFileWrite(&gst_CsvFile, "\"", 1);
    }
    vSafeFileWrite(&gst_CsvFile, bLast ? "\r\n" : ",", bLast ? 2 : 1);
}

// One line per port row; a unit without ports still has one.
static bool bWriteRows(void)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "SELECT u.id, u.time_utc, u.station, u.serial, u.numeric_serial, u.week, u.year,"
        " u.package_path, u.package_checksum, u.result, u.rework, p.port, p.display,"
        " p.display_id, p.image_sha256, p.result, p.message, p.duration_ms"
        " FROM units u LEFT JOIN ports p ON p.unit_id = u.id ORDER BY u.id, p.rowid");
    if (!pstStmt)
        return false;
    int32_t s32Step, s32Columns = sqlite3_column_count(pstStmt);
    while ((s32Step = sqlite3_step(pstStmt)) == SQLITE_ROW)
        for (int32_t s32Column = 0; s32Column < s32Columns; s32Column++)
            vWriteField(sqlite3_column_text(pstStmt, s32Column),
                        sqlite3_column_bytes(pstStmt, s32Column), s32Column == s32Columns - 1);
    sqlite3_finalize(pstStmt);
    return s32Step == SQLITE_DONE;
}

static bool bWriteCsv(const char *pcPath, char *pcWhy, size_t whySize)
{
    static const char cHeader[] =
        "unit_id,time_utc,station,serial,numeric_serial,week,year,package_path,"
        "package_checksum,unit_result,rework,port,display,display_id,image_sha256,port_result,"
        "message,duration_ms\r\n";
    if (!bSafeFileOpen(&gst_CsvFile, pcPath, SAFE_FILE_NAMED)) {
        snprintf(pcWhy, whySize, "%s: %s", pcPath, gst_CsvFile.cWhy);
        return false;
    }
    vSafeFileWrite(&gst_CsvFile, cHeader, sizeof(cHeader) - 1);
    if (!bWriteRows()) {
        bDbWhy(pcWhy, whySize);
        vSafeFileAbandon(&gst_CsvFile);
        return false;
    }
    if (!bSafeFileCommit(&gst_CsvFile)) {
        snprintf(pcWhy, whySize, "%s: %s", pcPath, gst_CsvFile.cWhy);
        return false;
    }
    return true;
}

bool bRecExportCsv(const char *pcPath, char *pcWhy, size_t whySize)
{
    if (!bConnect(pcWhy, whySize))
        return false;
    bool bWritten = bWriteCsv(pcPath, pcWhy, whySize);
    vDisconnect();
    return bWritten;
}

void vRecSha256Hex(const uint8_t *pu8Bytes, size_t count, char (&cHex)[REC_SHA256_HEX_SIZE])
{
    struct sha256_ctx stCtx;
    uint8_t u8Digest[SHA256_DIGEST_SIZE];
    sha256_init(&stCtx);
    sha256_update(&stCtx, count, pu8Bytes);
    sha256_digest(&stCtx, sizeof(u8Digest), u8Digest);
    for (size_t at = 0; at < sizeof(u8Digest); at++)
        snprintf(&cHex[at * 2], 3, "%02x", u8Digest[at]);
}
