// The unit record's file: SQLite. The only place that includes sqlite3.h.
#include "platform/filesys/filesys.h"
#include "platform/records/records_db.h"
#include "platform/records/records_os.h"

#include <sqlite3.h>
#include <stdio.h>

// The connection lives only as long as one call: Qt's file dialogs open
// every file of a folder they show to learn its type, and a close of any
// descriptor of a file drops the POSIX locks this process holds on it. A
// connection kept open across a dialog would lose the lock that tells other
// programs it is there, and one of them could remove the WAL under it.
static sqlite3 *gpst_Db = nullptr;

static bool bFileWhy(const char *pcPath, const char *pcText, char *pcWhy, size_t whySize)
{
    snprintf(pcWhy, whySize, "%s: %s", pcPath, pcText);
    return false;
}

static void vSqlClose(void)
{
    sqlite3_close(gpst_Db);
    gpst_Db = nullptr;
}

// A folder, a device or a FIFO is never handed to SQLite: it could hang on
// one or do something to a device.
static bool bSqlConnect(const char *pcPath, bool bCreate, char *pcWhy, size_t whySize)
{
    vSqlClose();
    // An empty name would be a temporary database, gone at the close.
    if (!pcPath[0]) {
        snprintf(pcWhy, whySize, "no file is named for the unit record");
        return false;
    }
    const char *pcKind = pcFsNotRegular(pcPath);
    if (pcKind) {
        char cText[128];
        snprintf(cText, sizeof(cText), "it is %s, not a regular file", pcKind);
        return bFileWhy(pcPath, cText, pcWhy, whySize);
    }
    // The record is the station's own file in the program's folder: a
    // symbolic link in its place is refused rather than followed (SQLite's
    // own refusal holds on POSIX only).
    if (bRecOsIsLink(pcPath))
        return bFileWhy(pcPath, "it is a symbolic link, not a regular file", pcWhy, whySize);
    int s32Flags =
        SQLITE_OPEN_READWRITE | (bCreate ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(pcPath, &gpst_Db, s32Flags, nullptr) != SQLITE_OK) {
        bFileWhy(pcPath, sqlite3_errmsg(gpst_Db), pcWhy, whySize);
        vSqlClose();
        return false;
    }
    // Two programs on one record wait for each other instead of failing.
    sqlite3_busy_timeout(gpst_Db, 2000);
    return true;
}

static int32_t s32SqlKind(void) { return REC_DB_SQLITE; }

static stRecDbStmt *pstSqlPrepare(const char *pcSql)
{
    sqlite3_stmt *pstStmt = nullptr;
    sqlite3_prepare_v2(gpst_Db, pcSql, -1, &pstStmt, nullptr);
    return (stRecDbStmt *)pstStmt;
}

static sqlite3_stmt *pstOf(stRecDbStmt *pstStmt) { return (sqlite3_stmt *)pstStmt; }

static bool bSqlBindText(stRecDbStmt *pstStmt, int32_t s32Index, const char *pcText)
{
    return sqlite3_bind_text(pstOf(pstStmt), s32Index, pcText, -1, SQLITE_STATIC) == SQLITE_OK;
}

static bool bSqlBindInt(stRecDbStmt *pstStmt, int32_t s32Index, int64_t s64Value)
{
    return sqlite3_bind_int64(pstOf(pstStmt), s32Index, s64Value) == SQLITE_OK;
}

static int32_t s32SqlStep(stRecDbStmt *pstStmt)
{
    int s32Step = sqlite3_step(pstOf(pstStmt));
    return s32Step == SQLITE_ROW ? REC_STEP_ROW : s32Step == SQLITE_DONE ? REC_STEP_DONE
                                                                          : REC_STEP_ERROR;
}

static int32_t s32SqlColumnCount(stRecDbStmt *pstStmt)
{
    return sqlite3_column_count(pstOf(pstStmt));
}

static int64_t s64SqlColumnInt(stRecDbStmt *pstStmt, int32_t s32Column)
{
    return sqlite3_column_int64(pstOf(pstStmt), s32Column);
}

static const char *pcSqlColumnText(stRecDbStmt *pstStmt, int32_t s32Column, size_t *pSize)
{
    const unsigned char *pu8Text = sqlite3_column_text(pstOf(pstStmt), s32Column);
    if (pSize)
        *pSize = pu8Text ? (size_t)sqlite3_column_bytes(pstOf(pstStmt), s32Column) : 0;
    return (const char *)pu8Text;
}

static int64_t s64SqlChanges(stRecDbStmt *) { return sqlite3_changes(gpst_Db); }

static void vSqlFinalize(stRecDbStmt *pstStmt) { sqlite3_finalize(pstOf(pstStmt)); }

static bool bSqlExec(const char *pcSql)
{
    return sqlite3_exec(gpst_Db, pcSql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

static bool bSqlBegin(void) { return bSqlExec("BEGIN IMMEDIATE"); }
static bool bSqlCommit(void) { return bSqlExec("COMMIT"); }
static void vSqlRollback(void) { sqlite3_exec(gpst_Db, "ROLLBACK", nullptr, nullptr, nullptr); }

static const char *pcSqlError(void) { return sqlite3_errmsg(gpst_Db); }

static bool bSqlAway(void) { return false; }

const stRecDb gst_RecDbSqlite = {
    bSqlConnect,     vSqlClose,       vSqlClose,     s32SqlKind,      pstSqlPrepare,
    bSqlBindText,    bSqlBindInt,     s32SqlStep,    s32SqlColumnCount, s64SqlColumnInt,
    pcSqlColumnText, s64SqlChanges,   vSqlFinalize,  bSqlBegin,       bSqlCommit,
    vSqlRollback,    pcSqlError,      bSqlAway,
};
