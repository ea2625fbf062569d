// The record's rows as the export and the reports give them: the columns,
// and a row as a CSV line. No SQL here, so a build without SQLite has it too.
#include "platform/records/records.h"

#include <stdio.h>
#include <string.h>

const char *const gpc_RecColumns[REC_COL_COUNT] = {
    "unit_id",      "time_utc",   "station",         "serial",      "numeric_serial",
    "week",         "year",       "package_path",    "package_checksum", "unit_result",
    "rework",       "port",       "display",         "display_id",  "image_sha256",
    "port_result",  "message",    "duration_ms",     "port_numeric_serial", "port_week",
    "port_year",    "unit_message", "operator",
};

const char gc_RecCsvHeader[] =
    "unit_id,time_utc,station,serial,numeric_serial,week,year,package_path,"
    "package_checksum,unit_result,rework,port,display,display_id,image_sha256,port_result,"
    "message,duration_ms,port_numeric_serial,port_week,port_year,unit_message,operator\r\n";

namespace {

bool bFormulaLead(const char *pcText)
{
    static const char cLeads[] = "=+-@\t\r";
    return pcText[0] != '\0' && strchr(cLeads, pcText[0]) != nullptr;
}

// Appends one field as the export writes it; false when it does not fit.
bool bAppendField(const char *pcText, bool bLast, char *pcLine, size_t size, size_t *pUsed)
{
    bool bQuote = strpbrk(pcText, ",\"\r\n") != nullptr;
    size_t used = *pUsed;
    auto vPut = [&](char c) {
        if (used + 1 < size)
            pcLine[used] = c;
        used++;
    };
    if (bQuote)
        vPut('"');
    if (bFormulaLead(pcText))
        vPut('\'');
    for (const char *pc = pcText; *pc; pc++) {
        vPut(*pc);
        if (*pc == '"')
            vPut('"');
    }
    if (bQuote)
        vPut('"');
    if (bLast) {
        vPut('\r');
        vPut('\n');
    } else {
        vPut(',');
    }
    *pUsed = used;
    return used < size;
}

} // namespace

bool bRecColumnIsNumber(int32_t s32Column)
{
    switch (s32Column) {
    case REC_COL_UNIT_ID:
    case REC_COL_NUMERIC_SERIAL:
    case REC_COL_WEEK:
    case REC_COL_YEAR:
    case REC_COL_REWORK:
    case REC_COL_DISPLAY:
    case REC_COL_DURATION_MS:
    case REC_COL_PORT_NUMERIC_SERIAL:
    case REC_COL_PORT_WEEK:
    case REC_COL_PORT_YEAR:
        return true;
    default:
        return false;
    }
}

bool bRecCsvLine(const stRecRow *pstRow, char *pcLine, size_t size)
{
    size_t used = 0;
    bool bFits = size > 0;
    for (int32_t s32Column = 0; bFits && s32Column < REC_COL_COUNT; s32Column++)
        bFits = bAppendField(pstRow->pcField[s32Column], s32Column == REC_COL_COUNT - 1, pcLine,
                             size, &used);
    if (size > 0)
        pcLine[bFits ? used : 0] = '\0';
    return bFits;
}
