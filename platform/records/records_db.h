// The connection under the unit record: what records.cpp asks of a
// database, so its statements stay the one place that knows SQL. SQLite for
// a file (records_sqlite.cpp), ODBC for the line's server (records_odbc.cpp:
// unixODBC on Linux, odbc32 on Windows). One connection at a time; a
// statement's text parameters are read at its first step, so they must live
// until then. Parameters are written "?" and counted from 1.
#ifndef RECORDS_DB_H
#define RECORDS_DB_H

#include <stddef.h>
#include <stdint.h>

// The database behind a connection: the SQL that differs is chosen by it.
enum { REC_DB_SQLITE = 0, REC_DB_POSTGRESQL = 1, REC_DB_SQLSERVER = 2, REC_DB_OTHER = 3 };
enum { REC_STEP_ROW = 0, REC_STEP_DONE = 1, REC_STEP_ERROR = 2 };

struct stRecDbStmt;

struct stRecDb {
    // Connects, or keeps a connection that still answers. bCreate: a file
    // may be made. False with the reason (never the password).
    bool (*bConnect)(const char *pcTarget, bool bCreate, char *pcWhy, size_t whySize);
    // The end of one call: a file is let go, a server connection kept.
    void (*vRelease)(void);
    void (*vClose)(void);
    int32_t (*s32Kind)(void);
    stRecDbStmt *(*pstPrepare)(const char *pcSql);   // null on an error
    bool (*bBindText)(stRecDbStmt *pstStmt, int32_t s32Index, const char *pcText);
    bool (*bBindInt)(stRecDbStmt *pstStmt, int32_t s32Index, int64_t s64Value);
    int32_t (*s32Step)(stRecDbStmt *pstStmt);
    int32_t (*s32ColumnCount)(stRecDbStmt *pstStmt);
    int64_t (*s64ColumnInt)(stRecDbStmt *pstStmt, int32_t s32Column);
    // The row's text (null for NULL), valid until the next step.
    const char *(*pcColumnText)(stRecDbStmt *pstStmt, int32_t s32Column, size_t *pSize);
    int64_t (*s64Changes)(stRecDbStmt *pstStmt);   // rows the statement changed
    void (*vFinalize)(stRecDbStmt *pstStmt);
    // A transaction that writes: SQLite's BEGIN IMMEDIATE, ODBC's manual commit.
    bool (*bBegin)(void);
    bool (*bCommit)(void);
    void (*vRollback)(void);
    const char *(*pcError)(void);
    // Whether the last failure was the server's absence (no connection, a
    // connection lost, a time-out) rather than what the statement met.
    bool (*bAway)(void);
};

// The ports' column that keeps the order they were inserted in: a file's
// rowid, a server's id.
inline const char *pcRecPortKey(int32_t s32Kind)
{
    return s32Kind == REC_DB_SQLITE ? "rowid" : "id";
}

extern const stRecDb gst_RecDbSqlite;
extern const stRecDb gst_RecDbOdbc;

#endif
