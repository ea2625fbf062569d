// The unit record on the line's database server, through the system's ODBC
// (unixODBC on Linux, odbc32 on Windows): the only place that includes the
// ODBC headers. The connection is kept between calls and asked whether it
// still answers before each one, so a server restarted meanwhile is
// connected again before the next unit.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include "platform/records/records.h"
#include "platform/records/records_db.h"
#include "platform/records/records_os.h"

#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define ODBC_LOGIN_SECONDS 3
#define ODBC_QUERY_SECONDS 5
#define ODBC_PARAMS_MAX 16
#define ODBC_COLUMNS_MAX 24
#define ODBC_COLUMN_SIZE 1100   // a message of the record and its quotes
#define ODBC_TARGET_MAX 1024

struct stRecDbStmt {
    SQLHSTMT hStmt;
    bool bExecuted;
    SQLSMALLINT s16Columns;
    SQLLEN sRowCount;
    int64_t s64Ints[ODBC_PARAMS_MAX];
    SQLLEN sParamInd[ODBC_PARAMS_MAX];
    char cColumns[ODBC_COLUMNS_MAX][ODBC_COLUMN_SIZE];
    SQLLEN sColumnInd[ODBC_COLUMNS_MAX];
};

static SQLHENV gh_Env = SQL_NULL_HENV;
static SQLHDBC gh_Dbc = SQL_NULL_HDBC;
static bool gb_Connected = false;
static int32_t gs32_Kind = REC_DB_OTHER;
static char gc_Target[ODBC_TARGET_MAX];
static char gc_Error[512];
static bool gb_Away = false;
static void (*gpfn_Wait)(void) = nullptr;

void vRecSetWaitPump(void (*pfnWait)(void))
{
    gpfn_Wait = pfnWait;
}

// What may wait on the server runs aside while the window paints.
struct stAsideCall {
    SQLHANDLE hHandle;
    SQLSMALLINT s16How;
    SQLRETURN sRet;
};

static void vConnectAside(void *pv)
{
    stAsideCall *pst = (stAsideCall *)pv;
    pst->sRet = SQLDriverConnect(pst->hHandle, nullptr, (SQLCHAR *)gc_Target, SQL_NTS, nullptr, 0,
                                 nullptr, SQL_DRIVER_NOPROMPT);
}

static void vExecuteAside(void *pv)
{
    stAsideCall *pst = (stAsideCall *)pv;
    pst->sRet = SQLExecute(pst->hHandle);
}

static void vFetchAside(void *pv)
{
    stAsideCall *pst = (stAsideCall *)pv;
    pst->sRet = SQLFetch(pst->hHandle);
}

static void vEndAside(void *pv)
{
    stAsideCall *pst = (stAsideCall *)pv;
    pst->sRet = SQLEndTran(SQL_HANDLE_DBC, pst->hHandle, pst->s16How);
}

static SQLRETURN sAside(void (*pfnWork)(void *), SQLHANDLE hHandle, SQLSMALLINT s16How = 0)
{
    stAsideCall stCall = {hHandle, s16How, SQL_ERROR};
    vRecOsRunAside(pfnWork, &stCall, gpfn_Wait);
    return stCall.sRet;
}

// The driver's first diagnostic, the password masked in case it repeats
// the connection string.
static void vNoteError(SQLSMALLINT s16Type, SQLHANDLE hHandle, const char *pcWhat)
{
    SQLCHAR cState[6] = "";
    SQLCHAR cText[400] = "";
    SQLINTEGER s32Native = 0;
    SQLSMALLINT s16Length = 0;
    char cRaw[sizeof(gc_Error)];
    if (SQL_SUCCEEDED(SQLGetDiagRec(s16Type, hHandle, 1, cState, &s32Native, cText,
                                    sizeof(cText), &s16Length))) {
        snprintf(cRaw, sizeof(cRaw), "%s (%s)", (const char *)cText, (const char *)cState);
        // Class 08: the connection; HYT00, HYT01: a time-out.
        const char *pcState = (const char *)cState;
        gb_Away = strncmp(pcState, "08", 2) == 0 || strcmp(pcState, "HYT00") == 0 ||
                  strcmp(pcState, "HYT01") == 0;
    } else
        snprintf(cRaw, sizeof(cRaw), "%s failed without a reason from the driver", pcWhat);
    // Drivers write several lines; the message box and the log take one.
    for (char *pc = cRaw; *pc; pc++)
        if (*pc == '\n' || *pc == '\r' || *pc == '\t')
            *pc = ' ';
    vRecMaskSecret(cRaw, gc_Error, sizeof(gc_Error));
}

static void vOdbcClose(void)
{
    if (gh_Dbc != SQL_NULL_HDBC) {
        if (gb_Connected)
            SQLDisconnect(gh_Dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, gh_Dbc);
    }
    gh_Dbc = SQL_NULL_HDBC;
    gb_Connected = false;
}

static int32_t s32KindOf(const char *pcDbms)
{
    if (strstr(pcDbms, "PostgreSQL"))
        return REC_DB_POSTGRESQL;
    if (strstr(pcDbms, "SQL Server"))
        return REC_DB_SQLSERVER;
    return REC_DB_OTHER;
}

static bool bOdbcWhy(char *pcWhy, size_t whySize)
{
    snprintf(pcWhy, whySize, "%s", gc_Error);
    return false;
}

static bool bAllocate(void)
{
    if (gh_Env == SQL_NULL_HENV) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &gh_Env)))
            return false;
        SQLSetEnvAttr(gh_Env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    }
    return SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, gh_Env, &gh_Dbc));
}

static bool bStillAnswers(void);

static bool bOdbcConnect(const char *pcTarget, bool, char *pcWhy, size_t whySize)
{
    if (gb_Connected && strcmp(pcTarget, gc_Target) == 0 && bStillAnswers())
        return true;
    vOdbcClose();
    snprintf(gc_Error, sizeof(gc_Error), "the ODBC driver manager cannot be used");
    gb_Away = false;
    if (!bAllocate())
        return bOdbcWhy(pcWhy, whySize);
    SQLSetConnectAttr(gh_Dbc, SQL_ATTR_LOGIN_TIMEOUT, (SQLPOINTER)(intptr_t)ODBC_LOGIN_SECONDS, 0);
    SQLSetConnectAttr(gh_Dbc, SQL_ATTR_CONNECTION_TIMEOUT,
                      (SQLPOINTER)(intptr_t)ODBC_QUERY_SECONDS, 0);
    snprintf(gc_Target, sizeof(gc_Target), "%s", pcTarget);
    SQLRETURN sRet = sAside(vConnectAside, gh_Dbc);
    if (!SQL_SUCCEEDED(sRet)) {
        vNoteError(SQL_HANDLE_DBC, gh_Dbc, "the connection");
        gb_Away = true;
        vOdbcClose();
        return bOdbcWhy(pcWhy, whySize);
    }
    gb_Connected = true;
    gb_Away = false;
    SQLCHAR cDbms[128] = "";
    SQLSMALLINT s16Length = 0;
    SQLGetInfo(gh_Dbc, SQL_DBMS_NAME, cDbms, sizeof(cDbms), &s16Length);
    gs32_Kind = s32KindOf((const char *)cDbms);
    return true;
}

static void vOdbcRelease(void) {}

static int32_t s32OdbcKind(void) { return gs32_Kind; }

static stRecDbStmt *pstOdbcPrepare(const char *pcSql)
{
    if (!gb_Connected) {
        snprintf(gc_Error, sizeof(gc_Error), "not connected");
        return nullptr;
    }
    stRecDbStmt *pstStmt = new (std::nothrow) stRecDbStmt();
    if (!pstStmt) {
        snprintf(gc_Error, sizeof(gc_Error), "out of memory");
        return nullptr;
    }
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gh_Dbc, &pstStmt->hStmt))) {
        vNoteError(SQL_HANDLE_DBC, gh_Dbc, "a statement");
        delete pstStmt;
        return nullptr;
    }
    SQLSetStmtAttr(pstStmt->hStmt, SQL_ATTR_QUERY_TIMEOUT, (SQLPOINTER)(intptr_t)ODBC_QUERY_SECONDS,
                   0);
    if (!SQL_SUCCEEDED(SQLPrepare(pstStmt->hStmt, (SQLCHAR *)pcSql, SQL_NTS))) {
        vNoteError(SQL_HANDLE_STMT, pstStmt->hStmt, "a statement");
        SQLFreeHandle(SQL_HANDLE_STMT, pstStmt->hStmt);
        delete pstStmt;
        return nullptr;
    }
    return pstStmt;
}

static bool bParamFits(stRecDbStmt *pstStmt, int32_t s32Index)
{
    return pstStmt && s32Index >= 1 && s32Index <= ODBC_PARAMS_MAX;
}

static bool bOdbcBindText(stRecDbStmt *pstStmt, int32_t s32Index, const char *pcText)
{
    if (!bParamFits(pstStmt, s32Index))
        return false;
    SQLLEN *psInd = &pstStmt->sParamInd[s32Index - 1];
    *psInd = pcText ? SQL_NTS : SQL_NULL_DATA;
    size_t length = pcText ? strlen(pcText) : 0;
    SQLRETURN sRet = SQLBindParameter(pstStmt->hStmt, (SQLUSMALLINT)s32Index, SQL_PARAM_INPUT,
                                      SQL_C_CHAR, SQL_VARCHAR, length ? length : 1, 0,
                                      (SQLPOINTER)pcText, 0, psInd);
    if (!SQL_SUCCEEDED(sRet))
        vNoteError(SQL_HANDLE_STMT, pstStmt->hStmt, "a parameter");
    return SQL_SUCCEEDED(sRet);
}

static bool bOdbcBindInt(stRecDbStmt *pstStmt, int32_t s32Index, int64_t s64Value)
{
    if (!bParamFits(pstStmt, s32Index))
        return false;
    pstStmt->s64Ints[s32Index - 1] = s64Value;
    pstStmt->sParamInd[s32Index - 1] = 0;
    SQLRETURN sRet = SQLBindParameter(pstStmt->hStmt, (SQLUSMALLINT)s32Index, SQL_PARAM_INPUT,
                                      SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                      &pstStmt->s64Ints[s32Index - 1], 0,
                                      &pstStmt->sParamInd[s32Index - 1]);
    if (!SQL_SUCCEEDED(sRet))
        vNoteError(SQL_HANDLE_STMT, pstStmt->hStmt, "a parameter");
    return SQL_SUCCEEDED(sRet);
}

static bool bExecute(stRecDbStmt *pstStmt)
{
    pstStmt->bExecuted = true;
    SQLRETURN sRet = sAside(vExecuteAside, pstStmt->hStmt);
    // An UPDATE that met no row answers SQL_NO_DATA.
    if (!SQL_SUCCEEDED(sRet) && sRet != SQL_NO_DATA) {
        vNoteError(SQL_HANDLE_STMT, pstStmt->hStmt, "a statement");
        return false;
    }
    pstStmt->sRowCount = 0;
    SQLRowCount(pstStmt->hStmt, &pstStmt->sRowCount);
    SQLNumResultCols(pstStmt->hStmt, &pstStmt->s16Columns);
    if (pstStmt->s16Columns > ODBC_COLUMNS_MAX)
        pstStmt->s16Columns = ODBC_COLUMNS_MAX;
    return true;
}

static int32_t s32Fetch(stRecDbStmt *pstStmt)
{
    SQLRETURN sRet = sAside(vFetchAside, pstStmt->hStmt);
    if (sRet == SQL_NO_DATA)
        return REC_STEP_DONE;
    if (!SQL_SUCCEEDED(sRet)) {
        vNoteError(SQL_HANDLE_STMT, pstStmt->hStmt, "a row");
        return REC_STEP_ERROR;
    }
    for (SQLSMALLINT s16Column = 0; s16Column < pstStmt->s16Columns; s16Column++) {
        pstStmt->cColumns[s16Column][0] = '\0';
        sRet = SQLGetData(pstStmt->hStmt, (SQLUSMALLINT)(s16Column + 1), SQL_C_CHAR,
                          pstStmt->cColumns[s16Column], ODBC_COLUMN_SIZE,
                          &pstStmt->sColumnInd[s16Column]);
        if (!SQL_SUCCEEDED(sRet)) {
            vNoteError(SQL_HANDLE_STMT, pstStmt->hStmt, "a column");
            return REC_STEP_ERROR;
        }
    }
    return REC_STEP_ROW;
}

static int32_t s32OdbcStep(stRecDbStmt *pstStmt)
{
    if (!pstStmt->bExecuted && !bExecute(pstStmt))
        return REC_STEP_ERROR;
    return pstStmt->s16Columns > 0 ? s32Fetch(pstStmt) : REC_STEP_DONE;
}

static int32_t s32OdbcColumnCount(stRecDbStmt *pstStmt)
{
    return pstStmt->s16Columns;
}

static const char *pcOdbcColumnText(stRecDbStmt *pstStmt, int32_t s32Column, size_t *pSize)
{
    bool bNull = s32Column < 0 || s32Column >= pstStmt->s16Columns ||
                 pstStmt->sColumnInd[s32Column] == SQL_NULL_DATA;
    const char *pcText = bNull ? nullptr : pstStmt->cColumns[s32Column];
    if (pSize)
        *pSize = pcText ? strlen(pcText) : 0;
    return pcText;
}

static int64_t s64OdbcColumnInt(stRecDbStmt *pstStmt, int32_t s32Column)
{
    const char *pcText = pcOdbcColumnText(pstStmt, s32Column, nullptr);
    return pcText ? strtoll(pcText, nullptr, 10) : 0;
}

static int64_t s64OdbcChanges(stRecDbStmt *pstStmt) { return pstStmt->sRowCount; }

static void vOdbcFinalize(stRecDbStmt *pstStmt)
{
    if (!pstStmt)
        return;
    SQLFreeHandle(SQL_HANDLE_STMT, pstStmt->hStmt);
    delete pstStmt;
}

static bool bStillAnswers(void)
{
    stRecDbStmt *pstStmt = pstOdbcPrepare("SELECT 1");
    bool bRow = pstStmt && s32OdbcStep(pstStmt) == REC_STEP_ROW;
    vOdbcFinalize(pstStmt);
    return bRow;
}

static bool bOdbcBegin(void)
{
    SQLRETURN sRet = SQLSetConnectAttr(gh_Dbc, SQL_ATTR_AUTOCOMMIT,
                                       (SQLPOINTER)(intptr_t)SQL_AUTOCOMMIT_OFF, 0);
    if (!SQL_SUCCEEDED(sRet))
        vNoteError(SQL_HANDLE_DBC, gh_Dbc, "a transaction");
    return SQL_SUCCEEDED(sRet);
}

static bool bEndTransaction(SQLSMALLINT s16How)
{
    SQLRETURN sRet = sAside(vEndAside, gh_Dbc, s16How);
    if (!SQL_SUCCEEDED(sRet))
        vNoteError(SQL_HANDLE_DBC, gh_Dbc, "the transaction's end");
    SQLSetConnectAttr(gh_Dbc, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)(intptr_t)SQL_AUTOCOMMIT_ON, 0);
    return SQL_SUCCEEDED(sRet);
}

static bool bOdbcCommit(void) { return bEndTransaction(SQL_COMMIT); }
static void vOdbcRollback(void) { bEndTransaction(SQL_ROLLBACK); }

static const char *pcOdbcError(void) { return gc_Error; }

static bool bOdbcAway(void) { return gb_Away; }

const stRecDb gst_RecDbOdbc = {
    bOdbcConnect,     vOdbcRelease,   vOdbcClose,    s32OdbcKind,      pstOdbcPrepare,
    bOdbcBindText,    bOdbcBindInt,   s32OdbcStep,   s32OdbcColumnCount, s64OdbcColumnInt,
    pcOdbcColumnText, s64OdbcChanges, vOdbcFinalize, bOdbcBegin,       bOdbcCommit,
    vOdbcRollback,    pcOdbcError,    bOdbcAway,
};
