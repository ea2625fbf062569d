#include "platform/records/records.h"

#include "platform/filesys/filesys.h"
#include "platform/filesys/safefile.h"
#include "platform/records/records_os.h"

#include <sqlite3.h>
#include <stdio.h>
#include <string.h>

#define REC_PATH_MAX 4096
#define REC_FORMAT 3   // PRAGMA user_version of the tables below
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

static stRecInterrupted gst_Interrupted;

static const char *const gpc_Schema =
    "CREATE TABLE IF NOT EXISTS units("
    " id INTEGER PRIMARY KEY, time_utc TEXT NOT NULL, station TEXT, serial TEXT,"
    " numeric_serial INTEGER, week INTEGER, year INTEGER, package_path TEXT,"
    " package_checksum TEXT,"
    " result TEXT CHECK(result IN ('pass','fail','running','interrupted')), rework INTEGER,"
    " message TEXT, operator TEXT);"
    "CREATE TABLE IF NOT EXISTS ports("
    " unit_id INTEGER REFERENCES units(id), port TEXT, display INTEGER, display_id TEXT,"
    " image_sha256 TEXT,"
    " result TEXT CHECK(result IN ('pass','fail','running','interrupted')), message TEXT,"
    " duration_ms INTEGER, numeric_serial INTEGER, week INTEGER, year INTEGER);"
    "CREATE INDEX IF NOT EXISTS units_serial ON units(serial);"
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);";

// From format 1: the unit's reason (an older unit that did not pass says
// it has none), each port's own numbers, the record's id.
static const char *const gpc_FromFormat1 =
    "ALTER TABLE units ADD COLUMN message TEXT;"
    "UPDATE units SET message = 'no reason was recorded by the older program'"
    " WHERE result IN ('fail','interrupted');"
    "ALTER TABLE ports ADD COLUMN numeric_serial INTEGER;"
    "ALTER TABLE ports ADD COLUMN week INTEGER;"
    "ALTER TABLE ports ADD COLUMN year INTEGER;"
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "ALTER TABLE units ADD COLUMN operator TEXT;";

// From format 2: the operator who ran each unit (none before).
static const char *const gpc_FromFormat2 = "ALTER TABLE units ADD COLUMN operator TEXT;";

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
static bool bOpenConnection(const char *pcPath, bool bCreate, char *pcWhy, size_t whySize)
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
    // symbolic link in its place is refused rather than followed (SQLite's
    // own refusal holds on POSIX only).
    if (bRecOsIsLink(pcPath))
        return bWhy(pcWhy, whySize, "it is a symbolic link, not a regular file");
    int s32Flags =
        SQLITE_OPEN_READWRITE | (bCreate ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOFOLLOW;
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

static void vColumnText(sqlite3_stmt *pstStmt, int32_t s32Column, char *pcText, size_t size)
{
    const unsigned char *pu8Text = sqlite3_column_text(pstStmt, s32Column);
    snprintf(pcText, size, "%s", pu8Text ? (const char *)pu8Text : "");
}

// "" when the database holds no id (a record of an older program, or none).
static void vReadRecordId(char (&cId)[REC_ID_SIZE])
{
    cId[0] = '\0';
    sqlite3_stmt *pstStmt = pstPrepare("SELECT value FROM meta WHERE key = 'record_id'");
    if (pstStmt && sqlite3_step(pstStmt) == SQLITE_ROW)
        vColumnText(pstStmt, 0, cId, sizeof(cId));
    sqlite3_finalize(pstStmt);
}

static int64_t s64LastUnitId(void)
{
    int64_t s64Last = 0;
    return bReadInt("SELECT ifnull(max(id), 0) FROM units", &s64Last) ? s64Last : 0;
}

static bool bNotThis(stRecIdentity *pstIdentity, char *pcWhy, size_t whySize, const char *pcText)
{
    pstIdentity->bNotThis = true;
    return bWhy(pcWhy, whySize, pcText);
}

// A station that has a record never gets a new one made in its place.
static bool bFileThere(stRecIdentity *pstIdentity, char *pcWhy, size_t whySize)
{
    if (!bRecOsNothingAt(gc_Path))
        return true;
    char cText[160];
    snprintf(cText, sizeof(cText), "there is no such file; the station's record is %s",
             pstIdentity->cId);
    return bNotThis(pstIdentity, pcWhy, whySize, cText);
}

static bool bIsTheStations(stRecIdentity *pstIdentity, char *pcWhy, size_t whySize)
{
    int64_t s64Tables = 0;
    if (!bReadInt("SELECT count(*) FROM sqlite_master", &s64Tables))
        return bDbWhy(pcWhy, whySize);
    char cFound[REC_ID_SIZE] = "";
    vReadRecordId(cFound);
    int64_t s64Last = s64LastUnitId();
    char cText[256] = "";
    if (s64Tables == 0)
        snprintf(cText, sizeof(cText), "it is empty; the station's record is %s",
                 pstIdentity->cId);
    else if (strcmp(cFound, pstIdentity->cId) != 0)
        snprintf(cText, sizeof(cText), "it is another database (%s%s); the station's record is %s",
                 cFound[0] ? "record " : "no record id", cFound, pstIdentity->cId);
    else if (s64Last < pstIdentity->s64LastUnit)
        snprintf(cText, sizeof(cText),
                 "it is older than the station expects: its last unit is %lld, the station "
                 "began unit %lld in it",
                 (long long)s64Last, (long long)pstIdentity->s64LastUnit);
    return cText[0] == '\0' || bNotThis(pstIdentity, pcWhy, whySize, cText);
}

static bool bMakeOrMigrate(void)
{
    int64_t s64Format = 0;
    if (!bReadInt("PRAGMA user_version", &s64Format))
        return false;
    const char *pcSql = s64Format == 0   ? gpc_Schema
                        : s64Format == 1 ? gpc_FromFormat1
                        : s64Format == 2 ? gpc_FromFormat2
                                         : "";
    char cVersion[40];
    snprintf(cVersion, sizeof(cVersion), "PRAGMA user_version = %d", REC_FORMAT);
    return sqlite3_exec(gpst_Db, pcSql, nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_exec(gpst_Db, cVersion, nullptr, nullptr, nullptr) == SQLITE_OK &&
           bStepDone(pstPrepare("INSERT OR IGNORE INTO meta(key, value)"
                                " VALUES('record_id', lower(hex(randomblob(16))))"));
}

// The last running unit with its ports, read before it is marked.
static void vFindInterrupted(void)
{
    memset(&gst_Interrupted, 0, sizeof(gst_Interrupted));
    sqlite3_stmt *pstStmt = pstPrepare(
        "SELECT id, serial FROM units WHERE result = 'running' ORDER BY id DESC LIMIT 1");
    if (pstStmt && sqlite3_step(pstStmt) == SQLITE_ROW) {
        gst_Interrupted.s64Id = sqlite3_column_int64(pstStmt, 0);
        vColumnText(pstStmt, 1, gst_Interrupted.cSerial, sizeof(gst_Interrupted.cSerial));
    }
    sqlite3_finalize(pstStmt);
    pstStmt = pstPrepare("SELECT port, display, numeric_serial, week, year, result <> 'running'"
                         " FROM ports WHERE unit_id = ?1 ORDER BY rowid");
    bool bBound = pstStmt && sqlite3_bind_int64(pstStmt, 1, gst_Interrupted.s64Id) == SQLITE_OK;
    while (bBound && gst_Interrupted.s32PortCount < REC_PORTS_MAX &&
           sqlite3_step(pstStmt) == SQLITE_ROW) {
        stRecInterruptedPort *pstPort = &gst_Interrupted.stPorts[gst_Interrupted.s32PortCount++];
        vColumnText(pstStmt, 0, pstPort->cPort, sizeof(pstPort->cPort));
        pstPort->s32Display = sqlite3_column_int(pstStmt, 1);
        pstPort->u32NumericSerial = (uint32_t)sqlite3_column_int64(pstStmt, 2);
        pstPort->s32Week = sqlite3_column_int(pstStmt, 3);
        pstPort->s32Year = sqlite3_column_int(pstStmt, 4);
        pstPort->bFinished = sqlite3_column_int(pstStmt, 5) != 0;
    }
    sqlite3_finalize(pstStmt);
}

static bool bMarkInterrupted(int32_t *ps32Marked)
{
    vFindInterrupted();
    bool bPorts = bStepDone(pstPrepare(
        "UPDATE ports SET result = 'interrupted',"
        " message = 'the program stopped before this port ended' WHERE result = 'running'"));
    bool bUnits = bPorts && bStepDone(pstPrepare(
        "UPDATE units SET result = 'interrupted',"
        " message = 'the program stopped before the unit ended' WHERE result = 'running'"));
    *ps32Marked = bUnits ? sqlite3_changes(gpst_Db) : 0;
    return bUnits;
}

static bool bMakeTablesAndMark(stRecIdentity *pstIdentity, int32_t *ps32Interrupted,
                               char *pcWhy, size_t whySize)
{
    if (!bExec("BEGIN IMMEDIATE", pcWhy, whySize))
        return false;
    int32_t s32Marked = 0;
    if (!bMakeOrMigrate() || !bMarkInterrupted(&s32Marked)) {
        memset(&gst_Interrupted, 0, sizeof(gst_Interrupted));
        return bRollback(pcWhy, whySize);
    }
    vReadRecordId(pstIdentity->cId);
    pstIdentity->s64LastUnit = s64LastUnitId();
    if (!bCommit(pcWhy, whySize)) {
        memset(&gst_Interrupted, 0, sizeof(gst_Interrupted));
        return false;
    }
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
    // A record gone since the open is not made again empty.
    bool bUp = bOpenConnection(gc_Path, false, pcWhy, whySize) && bCheckFormat(pcWhy, whySize) &&
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

bool bRecOpen(const char *pcPath, stRecIdentity *pstIdentity, int32_t *ps32Interrupted,
              char *pcWhy, size_t whySize)
{
    vRecClose();
    memset(&gst_Interrupted, 0, sizeof(gst_Interrupted));
    if (ps32Interrupted)
        *ps32Interrupted = 0;
    pstIdentity->bNotThis = false;
    snprintf(gc_Path, sizeof(gc_Path), "%s", pcPath);
    bool bKnown = pstIdentity->cId[0] != '\0';
    bool bOpen = (!bKnown || bFileThere(pstIdentity, pcWhy, whySize)) &&
                 bOpenConnection(pcPath, !bKnown, pcWhy, whySize) && bCheckFormat(pcWhy, whySize) &&
                 (!bKnown || bIsTheStations(pstIdentity, pcWhy, whySize)) &&
                 bExec("PRAGMA foreign_keys = ON", pcWhy, whySize) && bUseWal(pcWhy, whySize) &&
                 bMakeTablesAndMark(pstIdentity, ps32Interrupted, pcWhy, whySize);
    vDisconnect();
    gb_Known = bOpen;
    return bOpen;
}

const stRecInterrupted *pstRecInterrupted(void)
{
    return &gst_Interrupted;
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

// Whether the query, asked for the serial (?1), finds a unit.
static bool bSerialFound(const char *pcExistsSql, const char *pcSerial, bool *pbFound,
                         char *pcWhy, size_t whySize)
{
    *pbFound = false;
    if (!bConnect(pcWhy, whySize))
        return false;
    sqlite3_stmt *pstStmt = pstPrepare(pcExistsSql);
    bool bRow = pstStmt && sqlite3_bind_text(pstStmt, 1, pcSerial, -1, SQLITE_STATIC) == SQLITE_OK &&
                sqlite3_step(pstStmt) == SQLITE_ROW;
    if (bRow)
        *pbFound = sqlite3_column_int(pstStmt, 0) != 0;
    sqlite3_finalize(pstStmt);
    return bDone(bRow || bDbWhy(pcWhy, whySize));
}

bool bRecSerialPassed(const char *pcSerial, bool *pbPassed, char *pcWhy, size_t whySize)
{
    return bSerialFound("SELECT EXISTS(SELECT 1 FROM units WHERE serial = ?1 AND result = 'pass')",
                        pcSerial, pbPassed, pcWhy, whySize);
}

bool bRecSerialRecorded(const char *pcSerial, bool *pbRecorded, char *pcWhy, size_t whySize)
{
    return bSerialFound("SELECT EXISTS(SELECT 1 FROM units WHERE serial = ?1)", pcSerial,
                        pbRecorded, pcWhy, whySize);
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
    vRecOsUtcNow(cTime, sizeof(cTime));
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
           sqlite3_bind_int(pstStmt, 9, pstUnit->bRework ? 1 : 0) == SQLITE_OK &&
           (!pstUnit->pcOperator || !pstUnit->pcOperator[0] ||
            sqlite3_bind_text(pstStmt, 10, pstUnit->pcOperator, -1, SQLITE_STATIC) == SQLITE_OK);
}

static bool bInsertUnit(const stRecUnit *pstUnit, const char *pcTime)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "INSERT INTO units(time_utc, station, serial, numeric_serial, week, year, package_path,"
        " package_checksum, rework, result, operator)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, 'running', ?10)");
    return bStepDone(pstStmt, pstStmt && bBindUnit(pstStmt, pstUnit, pcTime));
}

static bool bInsertPort(int64_t s64Id, const stRecPort *pstPort)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "INSERT INTO ports(unit_id, port, display, display_id, image_sha256, numeric_serial,"
        " week, year, result) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 'running')");
    bool bBound =
        pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 2, pstPort->pcPort, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_int(pstStmt, 3, pstPort->s32Display) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 4, pstPort->pcDisplayId, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_text(pstStmt, 5, pstPort->pcImageSha256, -1, SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_bind_int64(pstStmt, 6, pstPort->u32NumericSerial) == SQLITE_OK &&
        sqlite3_bind_int(pstStmt, 7, pstPort->s32Week) == SQLITE_OK &&
        sqlite3_bind_int(pstStmt, 8, pstPort->s32Year) == SQLITE_OK;
    return bStepDone(pstStmt, bBound);
}

bool bRecBeginUnit(const stRecUnit *pstUnit, const stRecPort *pstPorts, int32_t s32Count,
                   int64_t *ps64Id, char *pcWhy, size_t whySize)
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
    for (int32_t i = 0; i < s32Count; i++)
        if (!bInsertPort(s64Id, &pstPorts[i]))
            return bDone(bRollback(pcWhy, whySize));
    if (!bCommit(pcWhy, whySize))
        return bDone(false);
    *ps64Id = s64Id;
    return bDone(true);
}

// Whatever did not pass carries the line that says why.
static bool bReasonGiven(const char *pcResult, const char *pcMessage, char *pcWhy, size_t whySize)
{
    if (strcmp(pcResult, "pass") == 0 || (pcMessage && pcMessage[0]))
        return true;
    char cText[64];
    snprintf(cText, sizeof(cText), "a \"%.10s\" is recorded only with its reason", pcResult);
    return bWhy(pcWhy, whySize, cText);
}

// The statement's own reason, or pcNone when it changed no row.
static bool bChangedOne(sqlite3_stmt *pstStmt, bool bBound, const char *pcNone, char *pcWhy,
                        size_t whySize)
{
    bool bStepped = pstStmt && bBound && sqlite3_step(pstStmt) == SQLITE_DONE;
    if (!bStepped)
        bDbWhy(pcWhy, whySize);
    sqlite3_finalize(pstStmt);
    if (bStepped && sqlite3_changes(gpst_Db) != 1)
        return bWhy(pcWhy, whySize, pcNone);
    return bStepped;
}

bool bRecFinishPort(int64_t s64Id, const char *pcPort, const char *pcResult,
                    const char *pcMessage, uint32_t u32DurationMs, char *pcWhy, size_t whySize)
{
    if (!bReasonGiven(pcResult, pcMessage, pcWhy, whySize) || !bConnect(pcWhy, whySize))
        return false;
    sqlite3_stmt *pstStmt =
        pstPrepare("UPDATE ports SET result = ?3, message = ?4, duration_ms = ?5"
                   " WHERE unit_id = ?1 AND port = ?2 AND result = 'running'");
    bool bBound = pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK &&
                  sqlite3_bind_text(pstStmt, 2, pcPort, -1, SQLITE_STATIC) == SQLITE_OK &&
                  sqlite3_bind_text(pstStmt, 3, pcResult, -1, SQLITE_STATIC) == SQLITE_OK &&
                  sqlite3_bind_text(pstStmt, 4, pcMessage, -1, SQLITE_STATIC) == SQLITE_OK &&
                  sqlite3_bind_int64(pstStmt, 5, u32DurationMs) == SQLITE_OK;
    char cNone[REC_NAME_SIZE + 64];
    snprintf(cNone, sizeof(cNone), "unit %lld has no running port %.24s", (long long)s64Id, pcPort);
    return bDone(bChangedOne(pstStmt, bBound, cNone, pcWhy, whySize));
}

static bool bAllPortsPassed(int64_t s64Id)
{
    sqlite3_stmt *pstStmt =
        pstPrepare("SELECT count(*) FROM ports WHERE unit_id = ?1 AND result IS NOT 'pass'");
    bool bRow = pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK &&
                sqlite3_step(pstStmt) == SQLITE_ROW;
    bool bAll = bRow && sqlite3_column_int64(pstStmt, 0) == 0;
    sqlite3_finalize(pstStmt);
    return bAll;
}

static bool bFailPortsNotRun(int64_t s64Id)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "UPDATE ports SET result = 'fail', message = 'the unit ended before this port ran'"
        " WHERE unit_id = ?1 AND result = 'running'");
    return bStepDone(pstStmt, pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK);
}

static bool bFinishUnit(int64_t s64Id, const char *pcResult, const char *pcMessage, char *pcWhy,
                        size_t whySize)
{
    if (!bExec("BEGIN IMMEDIATE", pcWhy, whySize))
        return false;
    char cNone[80];
    if (strcmp(pcResult, "pass") == 0 && !bAllPortsPassed(s64Id)) {
        snprintf(cNone, sizeof(cNone), "unit %lld has a port that did not pass",
                 (long long)s64Id);
        sqlite3_exec(gpst_Db, "ROLLBACK", nullptr, nullptr, nullptr);
        return bWhy(pcWhy, whySize, cNone);
    }
    if (!bFailPortsNotRun(s64Id))
        return bRollback(pcWhy, whySize);
    sqlite3_stmt *pstStmt = pstPrepare("UPDATE units SET result = ?2, message = ?3 WHERE id = ?1");
    bool bBound = pstStmt && sqlite3_bind_int64(pstStmt, 1, s64Id) == SQLITE_OK &&
                  sqlite3_bind_text(pstStmt, 2, pcResult, -1, SQLITE_STATIC) == SQLITE_OK &&
                  sqlite3_bind_text(pstStmt, 3, pcMessage, -1, SQLITE_STATIC) == SQLITE_OK;
    snprintf(cNone, sizeof(cNone), "no unit %lld", (long long)s64Id);
    if (!bChangedOne(pstStmt, bBound, cNone, pcWhy, whySize)) {
        sqlite3_exec(gpst_Db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return bCommit(pcWhy, whySize);
}

bool bRecFinishUnit(int64_t s64Id, const char *pcResult, const char *pcMessage, char *pcWhy,
                    size_t whySize)
{
    return bReasonGiven(pcResult, pcMessage, pcWhy, whySize) && bConnect(pcWhy, whySize) &&
           bDone(bFinishUnit(s64Id, pcResult, pcMessage, pcWhy, whySize));
}

// A spreadsheet takes a cell that begins with one of these for a formula.
static bool bFormulaLead(const char *pcText, size_t size)
{
    static const char cLeads[] = {'=', '+', '-', '@', '\t', '\r'};
    return size > 0 && memchr(cLeads, pcText[0], sizeof(cLeads)) != nullptr;
}

// RFC 4180: a field with a comma, a quote or a line end is quoted, its
// quotes doubled; a formula's lead gets a ' before it, inside the quotes.
static void vWriteField(const unsigned char *pu8Text, int32_t s32Size, bool bLast)
{
    const char *pcText = pu8Text ? (const char *)pu8Text : "";
    size_t size = pu8Text ? (size_t)s32Size : 0;
    bool bQuote = memchr(pcText, ',', size) || memchr(pcText, '"', size) ||
                  memchr(pcText, '\r', size) || memchr(pcText, '\n', size);
    if (bQuote)
        vSafeFileWrite(&gst_CsvFile, "\"", 1);
    if (bFormulaLead(pcText, size))
        vSafeFileWrite(&gst_CsvFile, "'", 1);
    for (size_t at = 0; at < size; at++)
        vSafeFileWrite(&gst_CsvFile, pcText[at] == '"' ? "\"\"" : &pcText[at],
                       pcText[at] == '"' ? 2 : 1);
    if (bQuote)
        vSafeFileWrite(&gst_CsvFile, "\"", 1);
    vSafeFileWrite(&gst_CsvFile, bLast ? "\r\n" : ",", bLast ? 2 : 1);
}

// One line per port row; a unit without ports still has one.
static bool bWriteRows(void)
{
    sqlite3_stmt *pstStmt = pstPrepare(
        "SELECT u.id, u.time_utc, u.station, u.serial, u.numeric_serial, u.week, u.year,"
        " u.package_path, u.package_checksum, u.result, u.rework, p.port, p.display,"
        " p.display_id, p.image_sha256, p.result, p.message, p.duration_ms, p.numeric_serial,"
        " p.week, p.year, u.message, u.operator"
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
        "message,duration_ms,port_numeric_serial,port_week,port_year,unit_message,operator\r\n";
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
