// Reading the unit record back for the reports. Its SQL is kept to what
// PostgreSQL, SQL Server and SQLite all take (positional parameters, a left
// join, plain comparisons), so a server's record can be read the same way;
// the one SQLite word is the ports' order of insertion (gc_PortOrder).
#include "platform/records/records.h"

#include "platform/filesys/filesys.h"
#include "platform/records/records_os.h"

#include <sqlite3.h>
#include <stdio.h>
#include <string.h>

namespace {

const char gc_Select[] =
    "SELECT u.id, u.time_utc, u.station, u.serial, u.numeric_serial, u.week, u.year,"
    " u.package_path, u.package_checksum, u.result, u.rework, p.port, p.display,"
    " p.display_id, p.image_sha256, p.result, p.message, p.duration_ms, p.numeric_serial,"
    " p.week, p.year, u.message"
    " FROM units u LEFT JOIN ports p ON p.unit_id = u.id WHERE 1 = 1";
const char gc_PortOrder[] = "p.rowid";

struct stCondition {
    const char *pcSql;
    const char *pcValue;
};

bool bWhy(char *pcWhy, size_t whySize, const char *pcPath, const char *pcText)
{
    snprintf(pcWhy, whySize, "%s: %s", pcPath, pcText);
    return false;
}

// The filter's conditions that were given, each with its one parameter.
int32_t s32Conditions(const stRecFilter *pstFilter, stCondition (&stOut)[5])
{
    const stCondition stAll[5] = {
        {" AND u.serial = ?", pstFilter->cSerial},
        {" AND u.station = ?", pstFilter->cStation},
        {" AND u.result = ?", pstFilter->cResult},
        {" AND u.time_utc >= ?", pstFilter->cSince},
        {" AND u.time_utc < ?", pstFilter->cUntil},
    };
    int32_t s32Count = 0;
    for (const stCondition &stOne : stAll)
        if (stOne.pcValue[0] != '\0')
            stOut[s32Count++] = stOne;
    return s32Count;
}

sqlite3_stmt *pstPrepareQuery(sqlite3 *pstDb, const stRecFilter *pstFilter)
{
    stCondition stGiven[5];
    int32_t s32Count = s32Conditions(pstFilter, stGiven);
    char cSql[1024];
    size_t used = (size_t)snprintf(cSql, sizeof(cSql), "%s", gc_Select);
    for (int32_t i = 0; i < s32Count && used < sizeof(cSql); i++)
        used += (size_t)snprintf(cSql + used, sizeof(cSql) - used, "%s", stGiven[i].pcSql);
    if (used < sizeof(cSql))
        used += (size_t)snprintf(cSql + used, sizeof(cSql) - used, " ORDER BY u.id, %s",
                                 gc_PortOrder);
    sqlite3_stmt *pstStmt = nullptr;
    if (used >= sizeof(cSql) || sqlite3_prepare_v2(pstDb, cSql, -1, &pstStmt, nullptr) != SQLITE_OK)
        return nullptr;
    for (int32_t i = 0; i < s32Count; i++) {
        if (sqlite3_bind_text(pstStmt, i + 1, stGiven[i].pcValue, -1, SQLITE_STATIC) != SQLITE_OK) {
            sqlite3_finalize(pstStmt);
            return nullptr;
        }
    }
    return pstStmt;
}

void vTakeRow(sqlite3_stmt *pstStmt, stRecRow *pstRow)
{
    for (int32_t s32Column = 0; s32Column < REC_COL_COUNT; s32Column++) {
        const unsigned char *pu8Text = sqlite3_column_text(pstStmt, s32Column);
        pstRow->bNull[s32Column] = pu8Text == nullptr;
        pstRow->pcField[s32Column] = pu8Text ? (const char *)pu8Text : "";
    }
}

bool bReadRows(sqlite3 *pstDb, const char *pcPath, const stRecFilter *pstFilter,
               RecRowReader pfnRow, void *pvContext, char *pcWhy, size_t whySize)
{
    sqlite3_stmt *pstStmt = pstPrepareQuery(pstDb, pstFilter);
    if (!pstStmt)
        return bWhy(pcWhy, whySize, pcPath, sqlite3_errmsg(pstDb));
    stRecRow stRow;
    int32_t s32Step;
    bool bGoOn = true;
    while (bGoOn && (s32Step = sqlite3_step(pstStmt)) == SQLITE_ROW) {
        vTakeRow(pstStmt, &stRow);
        bGoOn = pfnRow(&stRow, pvContext);
    }
    bool bRead = bGoOn && s32Step == SQLITE_DONE;
    if (bGoOn && !bRead)
        bWhy(pcWhy, whySize, pcPath, sqlite3_errmsg(pstDb));
    sqlite3_finalize(pstStmt);
    return bRead;
}

// Only an existing regular file is opened, and only for reading: a query
// never makes a record, and never follows a link in its place.
bool bOpenForReading(const char *pcPath, sqlite3 **ppstDb, char *pcWhy, size_t whySize)
{
    if (!pcPath[0]) {
        snprintf(pcWhy, whySize, "no file is named for the unit record");
        return false;
    }
    const char *pcKind = pcFsNotRegular(pcPath);
    char cText[128];
    if (pcKind) {
        snprintf(cText, sizeof(cText), "it is %s, not a regular file", pcKind);
        return bWhy(pcWhy, whySize, pcPath, cText);
    }
    if (bRecOsNothingAt(pcPath))
        return bWhy(pcWhy, whySize, pcPath, "there is no unit record (no such file)");
    if (bRecOsIsLink(pcPath))
        return bWhy(pcWhy, whySize, pcPath, "it is a symbolic link, not a regular file");
    if (sqlite3_open_v2(pcPath, ppstDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr) !=
        SQLITE_OK)
        return bWhy(pcWhy, whySize, pcPath, *ppstDb ? sqlite3_errmsg(*ppstDb) : "out of memory");
    sqlite3_busy_timeout(*ppstDb, 2000);
    return true;
}

} // namespace

bool bRecQuery(const char *pcPath, const stRecFilter *pstFilter, RecRowReader pfnRow,
               void *pvContext, char *pcWhy, size_t whySize)
{
    sqlite3 *pstDb = nullptr;
    bool bRead = bOpenForReading(pcPath, &pstDb, pcWhy, whySize) &&
                 bReadRows(pstDb, pcPath, pstFilter, pfnRow, pvContext, pcWhy, whySize);
    sqlite3_close(pstDb);
    return bRead;
}
