#include "cli/cli_query.h"

#include "app/line_report.h"
#include "app/production.h"
#include "files/station.h"
#include "platform/process/process.h"
#include "platform/records/records.h"

#include <string.h>

namespace {

struct stWriter {
    FILE *pOut;
    int32_t s32Format;
    int32_t s32Rows;
    bool bStarted;             // the header or the opening bracket is out
    char *pcWhy;
    size_t whySize;
};

void vPutJsonString(FILE *pOut, const char *pcText)
{
    fputc('"', pOut);
    for (const unsigned char *pu8 = (const unsigned char *)pcText; *pu8; pu8++) {
        if (*pu8 == '"' || *pu8 == '\\')
            fprintf(pOut, "\\%c", *pu8);
        else if (*pu8 < 0x20)
            fprintf(pOut, "\\u%04x", *pu8);
        else
            fputc(*pu8, pOut);
    }
    fputc('"', pOut);
}

// A whole number the record holds goes out as a number, anything else a
// column of numbers holds as a string.
bool bWholeNumber(const char *pcText)
{
    const char *pc = pcText[0] == '-' ? pcText + 1 : pcText;
    if (*pc == '\0' || strlen(pc) > 18 || (pc[0] == '0' && pc[1] != '\0'))
        return false;
    for (; *pc; pc++)
        if (*pc < '0' || *pc > '9')
            return false;
    return true;
}

void vPutJsonRow(FILE *pOut, const stRecRow *pstRow, bool bFirst)
{
    fputs(bFirst ? "\n  {" : ",\n  {", pOut);
    for (int32_t s32Column = 0; s32Column < REC_COL_COUNT; s32Column++) {
        fprintf(pOut, "%s\"%s\": ", s32Column ? ", " : "", gpc_RecColumns[s32Column]);
        const char *pcField = pstRow->pcField[s32Column];
        if (pstRow->bNull[s32Column])
            fputs("null", pOut);
        else if (bRecColumnIsNumber(s32Column) && bWholeNumber(pcField))
            fputs(pcField, pOut);
        else
            vPutJsonString(pOut, pcField);
    }
    fputc('}', pOut);
}

// Nothing is written before the record could be read.
void vStart(stWriter *pstW)
{
    if (!pstW->bStarted)
        fputs(pstW->s32Format == CLI_FORMAT_JSON ? "[" : gc_RecCsvHeader, pstW->pOut);
    pstW->bStarted = true;
}

bool bWriteRow(const stRecRow *pstRow, void *pvContext)
{
    stWriter *pstW = (stWriter *)pvContext;
    vStart(pstW);
    if (pstW->s32Format == CLI_FORMAT_JSON) {
        vPutJsonRow(pstW->pOut, pstRow, pstW->s32Rows == 0);
    } else {
        static char cLine[32768];
        if (!bRecCsvLine(pstRow, cLine, sizeof(cLine))) {
            snprintf(pstW->pcWhy, pstW->whySize, "unit %s: a row longer than %u bytes",
                     pstRow->pcField[REC_COL_UNIT_ID], (unsigned)sizeof(cLine));
            return false;
        }
        fputs(cLine, pstW->pOut);
    }
    pstW->s32Rows++;
    return !ferror(pstW->pOut);
}

void vFilterOf(const stCliOptions &o, stRecFilter *pstFilter)
{
    memset(pstFilter, 0, sizeof(*pstFilter));
    snprintf(pstFilter->cSerial, sizeof(pstFilter->cSerial), "%s", o.cSerial);
    snprintf(pstFilter->cStation, sizeof(pstFilter->cStation), "%s", o.cStation);
    snprintf(pstFilter->cResult, sizeof(pstFilter->cResult), "%s", o.cResult);
    snprintf(pstFilter->cSince, sizeof(pstFilter->cSince), "%s", o.cSince);
    snprintf(pstFilter->cUntil, sizeof(pstFilter->cUntil), "%s", o.cUntil);
}

bool bWriteRecords(const stCliOptions &o, const char *pcRecords, FILE *pOut, char *pcWhy,
                   size_t whySize)
{
    static stRecFilter stFilter;
    vFilterOf(o, &stFilter);
    stWriter stW = {pOut, o.s32Format, 0, false, pcWhy, whySize};
    vProcBinaryStream(pOut);
    bool bRead = bRecQuery(pcRecords, &stFilter, bWriteRow, &stW, pcWhy, whySize);
    if (!bRead)
        return false;
    vStart(&stW);
    if (o.s32Format == CLI_FORMAT_JSON)
        fputs(stW.s32Rows ? "\n]\n" : "]\n", pOut);
    if (fflush(pOut) == 0 && !ferror(pOut))
        return true;
    snprintf(pcWhy, whySize, "standard output could not be written");
    return false;
}

// The record Station.ini names, as the production mode finds it.
bool bRecordsPath(char *pcPath, size_t size, char *pcWhy, size_t whySize)
{
    char cStation[TEXT_BUF_SIZE];
    vStationFilePath(cStation, sizeof(cStation));
    if (!bReadStationFile(cStation, &gst_Station, pcWhy, whySize))
        return false;
    vRecordsFilePath(pcPath, size);
    return true;
}

} // namespace

int32_t s32CliQuery(const stCliOptions *pstOptions, FILE *pOut, FILE *pErr)
{
    char cRecords[TEXT_BUF_SIZE];
    char cWhy[TEXT_BUF_SIZE] = "";
    if (!bRecordsPath(cRecords, sizeof(cRecords), cWhy, sizeof(cWhy))) {
        fprintf(pErr, "tavolin-cli: %s\n", cWhy);
        return CLI_EXIT_NO_START;
    }
    const stCliOptions &o = *pstOptions;
    bool bDone = o.s32Command == CLI_CMD_REPORT
                     ? bWriteLineReport(cRecords, o.cSince, o.cUntil, o.cOutput, cWhy, sizeof(cWhy))
                     : bWriteRecords(o, cRecords, pOut, cWhy, sizeof(cWhy));
    if (bDone)
        return CLI_EXIT_PASS;
    fprintf(pErr, "tavolin-cli: %s\n", cWhy);
    return CLI_EXIT_FAIL;
}
