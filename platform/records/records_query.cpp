// Reading the unit record back for the reports, a file or the line's server,
// through the same connection as the record (records_db.h). Its SQL is kept
// to what PostgreSQL, SQL Server and SQLite all take (positional parameters,
// a left join, plain comparisons); the ports' order is each database's key.
#include "platform/records/records.h"

#include "platform/filesys/filesys.h"
#include "platform/records/records_db.h"
#include "platform/records/records_os.h"

#include <stdio.h>
#include <string.h>

namespace {

const char gc_OdbcPrefix[] = "odbc:";

const char gc_Select[] =
    "SELECT u.id, u.time_utc, u.station, u.serial, u.numeric_serial, u.week, u.year,"
    " u.package_path, u.package_checksum, u.result, u.rework, p.port, p.display,"
    " p.display_id, p.image_sha256, p.result, p.message, p.duration_ms, p.numeric_serial,"
    " p.week, p.year, u.message, u.operator"
    " FROM units u LEFT JOIN ports p ON p.unit_id = u.id WHERE 1 = 1";

struct stCondition {
    const char *pcSql;
    const char *pcValue;
};

bool bWhy(char *pcWhy, size_t whySize, const char *pcShown, const char *pcText)
{
    snprintf(pcWhy, whySize, "%s: %s", pcShown, pcText);
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

stRecDbStmt *pstPrepareQuery(const stRecDb *pstDb, const stRecFilter *pstFilter)
{
    stCondition stGiven[5];
    int32_t s32Count = s32Conditions(pstFilter, stGiven);
    char cSql[1024];
    size_t used = (size_t)snprintf(cSql, sizeof(cSql), "%s", gc_Select);
    for (int32_t i = 0; i < s32Count && used < sizeof(cSql); i++)
        used += (size_t)snprintf(cSql + used, sizeof(cSql) - used, "%s", stGiven[i].pcSql);
    if (used < sizeof(cSql))
        used += (size_t)snprintf(cSql + used, sizeof(cSql) - used, " ORDER BY u.id, p.%s",
                                 pcRecPortKey(pstDb->s32Kind()));
    stRecDbStmt *pstStmt = used < sizeof(cSql) ? pstDb->pstPrepare(cSql) : nullptr;
    for (int32_t i = 0; pstStmt && i < s32Count; i++) {
        if (!pstDb->bBindText(pstStmt, i + 1, stGiven[i].pcValue)) {
            pstDb->vFinalize(pstStmt);
            return nullptr;
        }
    }
    return pstStmt;
}

void vTakeRow(const stRecDb *pstDb, stRecDbStmt *pstStmt, stRecRow *pstRow)
{
    for (int32_t s32Column = 0; s32Column < REC_COL_COUNT; s32Column++) {
        const char *pcText = pstDb->pcColumnText(pstStmt, s32Column, nullptr);
        pstRow->bNull[s32Column] = pcText == nullptr;
        pstRow->pcField[s32Column] = pcText ? pcText : "";
    }
}

bool bReadRows(const stRecDb *pstDb, const char *pcShown, const stRecFilter *pstFilter,
               RecRowReader pfnRow, void *pvContext, char *pcWhy, size_t whySize)
{
    stRecDbStmt *pstStmt = pstPrepareQuery(pstDb, pstFilter);
    if (!pstStmt)
        return bWhy(pcWhy, whySize, pcShown, pstDb->pcError());
    stRecRow stRow;
    int32_t s32Step;
    bool bGoOn = true;
    while (bGoOn && (s32Step = pstDb->s32Step(pstStmt)) == REC_STEP_ROW) {
        vTakeRow(pstDb, pstStmt, &stRow);
        bGoOn = pfnRow(&stRow, pvContext);
    }
    bool bRead = bGoOn && s32Step == REC_STEP_DONE;
    if (bGoOn && !bRead)
        bWhy(pcWhy, whySize, pcShown, pstDb->pcError());
    pstDb->vFinalize(pstStmt);
    return bRead;
}

// A query never makes a record: a file that is not there is named as such
// (the connection refuses what is not a regular file, and a link).
bool bConnectForReading(const stRecDb *pstDb, const char *pcTarget, const char *pcShown,
                        char *pcWhy, size_t whySize)
{
    if (pstDb == &gst_RecDbSqlite && pcTarget[0] && !pcFsNotRegular(pcTarget) &&
        bRecOsNothingAt(pcTarget))
        return bWhy(pcWhy, whySize, pcShown, "there is no unit record (no such file)");
    if (pstDb->bConnect(pcTarget, false, pcWhy, whySize))
        return true;
    // A server's reason is the driver's alone: the record is named before it.
    return pstDb == &gst_RecDbSqlite || bWhy(pcWhy, whySize, pcShown, pstDb->pcError());
}

} // namespace

bool bRecQuery(const char *pcPath, const stRecFilter *pstFilter, RecRowReader pfnRow,
               void *pvContext, char *pcWhy, size_t whySize)
{
    bool bServer = strncmp(pcPath, gc_OdbcPrefix, sizeof(gc_OdbcPrefix) - 1) == 0;
    const stRecDb *pstDb = bServer ? &gst_RecDbOdbc : &gst_RecDbSqlite;
    const char *pcTarget = bServer ? pcPath + sizeof(gc_OdbcPrefix) - 1 : pcPath;
    char cShown[4096];
    vRecMaskSecret(pcPath, cShown, sizeof(cShown));
    bool bRead = bConnectForReading(pstDb, pcTarget, cShown, pcWhy, whySize) &&
                 bReadRows(pstDb, cShown, pstFilter, pfnRow, pvContext, pcWhy, whySize);
    pstDb->vRelease();
    return bRead;
}
