#include "app/line_report.h"

#include "app/production.h"
#include "files/msg_log.h"
#include "ui/ui_handles.h"
#include "platform/filesys/safefile.h"
#include "platform/process/process.h"
#include "platform/userint/userint.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

// Serials already seen in the period, by a 64-bit hash: a later unit of
// one is a repeat, not a first attempt. Past the table's room every unit
// counts as a first attempt.
#define LR_SERIAL_SLOTS (1u << 18)
#define LR_SERIALS_MAX (LR_SERIAL_SLOTS / 4 * 3)
uint64_t gu64_Serials[LR_SERIAL_SLOTS];
uint32_t gu32_SerialCount = 0;

struct stGather {
    stLineReport *pst;
    char cUnitId[32];          // the unit whose port rows are coming
};

stSafeFile gst_Html;

uint64_t u64Hash(const char *pcText)
{
    uint64_t u64 = 1469598103934665603ull;
    for (; *pcText; pcText++)
        u64 = (u64 ^ (uint8_t)*pcText) * 1099511628211ull;
    return u64 ? u64 : 1;
}

// True the first time a serial is seen.
bool bFirstSighting(const char *pcSerial)
{
    uint64_t u64 = u64Hash(pcSerial);
    uint32_t u32At = (uint32_t)u64 & (LR_SERIAL_SLOTS - 1);
    while (gu64_Serials[u32At] != 0) {
        if (gu64_Serials[u32At] == u64)
            return false;
        u32At = (u32At + 1) & (LR_SERIAL_SLOTS - 1);
    }
    if (gu32_SerialCount < LR_SERIALS_MAX) {
        gu64_Serials[u32At] = u64;
        gu32_SerialCount++;
    }
    return true;
}

void vInitTable(stLrTable *pstTable, stLrCount *pstLines, int32_t s32Max)
{
    *pstTable = {pstLines, s32Max, 0, 0};
}

// The table's line of that name, made when new; a name past the table's
// room is counted in its last line, renamed to say so.
stLrCount *pstLineOf(stLrTable *pstTable, const char *pcName)
{
    for (int32_t i = 0; i < pstTable->s32Count; i++)
        if (strcmp(pstTable->pstLines[i].cName, pcName) == 0)
            return &pstTable->pstLines[i];
    if (pstTable->s32Count == pstTable->s32Max) {
        stLrCount *pstLast = &pstTable->pstLines[pstTable->s32Max - 1];
        pstTable->s32LeftOut++;
        snprintf(pstLast->cName, sizeof(pstLast->cName), "others");
        return pstLast;
    }
    stLrCount *pstNew = &pstTable->pstLines[pstTable->s32Count++];
    memset(pstNew, 0, sizeof(*pstNew));
    snprintf(pstNew->cName, sizeof(pstNew->cName), "%s", pcName);
    return pstNew;
}

void vCountResult(stLrCount *pstLine, const char *pcResult, int32_t s32First)
{
    bool bPassed = strcmp(pcResult, "pass") == 0;
    bool bFailed = strcmp(pcResult, "fail") == 0 || strcmp(pcResult, "interrupted") == 0;
    pstLine->s32Units++;
    pstLine->s32Passed += bPassed;
    pstLine->s32Failed += bFailed;
    // A unit still running has no first result yet.
    if (s32First && (bPassed || bFailed)) {
        pstLine->s32First++;
        pstLine->s32FirstPassed += bPassed;
    }
}

void vCountUnit(stLineReport *pst, const stRecRow *pstRow)
{
    const char *const *ppc = pstRow->pcField;
    const char *pcResult = ppc[REC_COL_UNIT_RESULT];
    // A rework repeats a unit that passed on purpose: never a first attempt.
    int32_t s32First = strcmp(ppc[REC_COL_REWORK], "1") != 0 && bFirstSighting(ppc[REC_COL_SERIAL]);
    char cHour[LR_NAME_SIZE];
    snprintf(cHour, sizeof(cHour), "%.10s %.2s:00", ppc[REC_COL_TIME_UTC],
             strlen(ppc[REC_COL_TIME_UTC]) >= 13 ? ppc[REC_COL_TIME_UTC] + 11 : "??");
    vCountResult(&pst->stTotal, pcResult, s32First);
    vCountResult(pstLineOf(&pst->stHourTable, cHour), pcResult, s32First);
    vCountResult(pstLineOf(&pst->stStationTable, ppc[REC_COL_STATION]), pcResult, s32First);
    bool bFailed = strcmp(pcResult, "fail") == 0 || strcmp(pcResult, "interrupted") == 0;
    if (bFailed) {
        const char *pcReason = ppc[REC_COL_UNIT_MESSAGE][0] ? ppc[REC_COL_UNIT_MESSAGE]
                                                            : "(no reason recorded)";
        vCountResult(pstLineOf(&pst->stReasonTable, pcReason), pcResult, 0);
    }
    if (pst->cFirstUnit[0] == '\0' || strcmp(ppc[REC_COL_TIME_UTC], pst->cFirstUnit) < 0)
        snprintf(pst->cFirstUnit, sizeof(pst->cFirstUnit), "%s", ppc[REC_COL_TIME_UTC]);
    if (strcmp(ppc[REC_COL_TIME_UTC], pst->cLastUnit) > 0)
        snprintf(pst->cLastUnit, sizeof(pst->cLastUnit), "%s", ppc[REC_COL_TIME_UTC]);
}

bool bTakeRow(const stRecRow *pstRow, void *pvContext)
{
    stGather *pstGather = (stGather *)pvContext;
    const char *pcId = pstRow->pcField[REC_COL_UNIT_ID];
    if (strcmp(pcId, pstGather->cUnitId) != 0) {
        snprintf(pstGather->cUnitId, sizeof(pstGather->cUnitId), "%s", pcId);
        vCountUnit(pstGather->pst, pstRow);
    }
    if (!pstRow->bNull[REC_COL_PORT])
        vCountResult(pstLineOf(&pstGather->pst->stPortTable, pstRow->pcField[REC_COL_PORT]),
                     pstRow->pcField[REC_COL_PORT_RESULT], 0);
    return true;
}

// ---- The HTML ----

void vPut(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
void vPut(const char *pcFormat, ...)
{
    char cText[1024];
    va_list args;
    va_start(args, pcFormat);
    int s32Length = vsnprintf(cText, sizeof(cText), pcFormat, args);
    va_end(args);
    if (s32Length > 0)
        vSafeFileWrite(&gst_Html, cText,
                       (size_t)s32Length < sizeof(cText) ? (size_t)s32Length : sizeof(cText) - 1);
}

// A name from the record, as HTML text.
void vPutText(const char *pcText)
{
    for (; *pcText; pcText++) {
        switch (*pcText) {
        case '&': vPut("&amp;"); break;
        case '<': vPut("&lt;"); break;
        case '>': vPut("&gt;"); break;
        case '"': vPut("&quot;"); break;
        case '\'': vPut("&#39;"); break;
        default: vSafeFileWrite(&gst_Html, pcText, 1); break;
        }
    }
}

// At most s32Chars characters of a name, whole UTF-8 sequences, "..." when cut.
void vPutShort(const char *pcName, int32_t s32Chars)
{
    char cShort[LR_NAME_SIZE];
    size_t at = 0;
    int32_t s32Seen = 0;
    for (; pcName[at] && at + 1 < sizeof(cShort); at++) {
        if (((uint8_t)pcName[at] & 0xC0) != 0x80 && ++s32Seen > s32Chars)
            break;
        cShort[at] = pcName[at];
    }
    cShort[at] = '\0';
    vPutText(cShort);
    if (pcName[at])
        vPut("...");
}

// "97.5 % (39 of 40)", or "none ended" when nothing ended.
void vPutYield(int32_t s32Of, int32_t s32Total)
{
    if (s32Total == 0)
        vPut("none ended");
    else
        vPut("%.1f %% (%d of %d)", 100.0 * s32Of / s32Total, (int)s32Of, (int)s32Total);
}

const char gc_Head[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<title>Line report</title>\n<style>\n"
    "body{font-family:sans-serif;margin:2em;color:#111;max-width:60em}\n"
    "table{border-collapse:collapse;margin:.5em 0 1.5em}\n"
    "th,td{border:1px solid #999;padding:.2em .6em;text-align:right}\n"
    "th:first-child,td:first-child{text-align:left}\n"
    "svg{display:block;margin:.5em 0}svg.key{display:inline;margin:0}\n"
    ".pass{fill:#2e7d32}.fail{fill:#c62828}.axis{stroke:#444}\n"
    "svg text{font-size:11px;fill:#111}\n"
    "@media print{body{margin:0;max-width:none;font-size:10pt}"
    "section{break-inside:avoid}*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}\n"
    "</style>\n</head>\n<body>\n";

void vPutSummary(const stLineReport *pst, const char *pcRecords)
{
    // A server's password stays out of the file.
    char cShown[TEXT_BUF_SIZE];
    vRecMaskSecret(pcRecords, cShown, sizeof(cShown));
    vPut("<h1>Line report</h1>\n<p>Record: ");
    vPutText(cShown);
    vPut("<br>Period: %s to %s (UTC)<br>Units from %s to %s</p>\n",
         pst->cSince[0] ? pst->cSince : "the first unit",
         pst->cUntil[0] ? pst->cUntil : "the last unit", pst->cFirstUnit[0] ? pst->cFirstUnit : "-",
         pst->cLastUnit[0] ? pst->cLastUnit : "-");
    const stLrCount &t = pst->stTotal;
    vPut("<section>\n<h2>Summary</h2>\n<table>\n<tr><td>Units</td><td>%d</td></tr>\n"
         "<tr><td>Passed</td><td>%d</td></tr>\n<tr><td>Failed</td><td>%d</td></tr>\n"
         "<tr><td>Still running</td><td>%d</td></tr>\n<tr><td>First-pass yield</td><td>",
         (int)t.s32Units, (int)t.s32Passed, (int)t.s32Failed,
         (int)(t.s32Units - t.s32Passed - t.s32Failed));
    vPutYield(t.s32FirstPassed, t.s32First);
    vPut("</td></tr>\n</table>\n</section>\n");
}

int32_t s32Largest(const stLrTable &stTable, bool bFailedOnly)
{
    int32_t s32Max = 1;
    for (int32_t i = 0; i < stTable.s32Count; i++) {
        const stLrCount &c = stTable.pstLines[i];
        int32_t s32Value = bFailedOnly ? c.s32Failed : c.s32Units;
        s32Max = s32Value > s32Max ? s32Value : s32Max;
    }
    return s32Max;
}

// Upright bars: each hour's passed units under its failed ones.
void vPutHourChart(const stLrTable &stTable)
{
    const int32_t s32Height = 160, s32Base = 180;
    int32_t s32Bar = stTable.s32Count <= 12 ? 36 : stTable.s32Count <= 48 ? 12 : 5;
    int32_t s32Width = 40 + stTable.s32Count * (s32Bar + 2);
    int32_t s32Max = s32Largest(stTable, false);
    vPut("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"200\" role=\"img\" "
         "aria-label=\"Units per hour\">\n",
         (int)(s32Width > 320 ? s32Width : 320));
    vPut("<line class=\"axis\" x1=\"36\" y1=\"%d\" x2=\"%d\" y2=\"%d\"/>\n", (int)s32Base,
         (int)s32Width, (int)s32Base);
    vPut("<text x=\"0\" y=\"%d\">%d</text><text x=\"0\" y=\"%d\">0</text>\n",
         (int)(s32Base - s32Height + 4), (int)s32Max, (int)s32Base);
    for (int32_t i = 0; i < stTable.s32Count; i++) {
        const stLrCount &c = stTable.pstLines[i];
        int32_t s32X = 40 + i * (s32Bar + 2);
        int32_t s32Pass = c.s32Passed * s32Height / s32Max;
        int32_t s32Rest = (c.s32Units - c.s32Passed) * s32Height / s32Max;
        vPut("<rect class=\"pass\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>", (int)s32X,
             (int)(s32Base - s32Pass), (int)s32Bar, (int)s32Pass);
        vPut("<rect class=\"fail\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n", (int)s32X,
             (int)(s32Base - s32Pass - s32Rest), (int)s32Bar, (int)s32Rest);
    }
    if (stTable.s32Count > 0) {
        vPut("<text x=\"40\" y=\"196\">");
        vPutText(stTable.pstLines[0].cName);
        vPut("</text>\n");
    }
    if (stTable.s32Count > 1) {
        vPut("<text x=\"%d\" y=\"196\" text-anchor=\"end\">", (int)(s32Width > 320 ? s32Width : 320));
        vPutText(stTable.pstLines[stTable.s32Count - 1].cName);
        vPut("</text>\n");
    }
    vPut("</svg>\n");
}

// Lying bars, one per line of the table, its name beside it.
void vPutBarChart(const stLrTable &stTable, bool bFailedOnly, const char *pcLabel)
{
    int32_t s32Max = s32Largest(stTable, bFailedOnly);
    vPut("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"%d\" role=\"img\" "
         "aria-label=\"%s\">\n",
         (int)(stTable.s32Count * 20 + 4), pcLabel);
    for (int32_t i = 0; i < stTable.s32Count; i++) {
        const stLrCount &c = stTable.pstLines[i];
        int32_t s32Y = i * 20 + 2;
        int32_t s32Fail = c.s32Failed * 380 / s32Max;
        int32_t s32Pass = bFailedOnly ? 0 : c.s32Passed * 380 / s32Max;
        vPut("<text x=\"0\" y=\"%d\">", (int)(s32Y + 13));
        vPutShort(c.cName, 28);
        vPut("</text>");
        vPut("<rect class=\"pass\" x=\"200\" y=\"%d\" width=\"%d\" height=\"16\"/>", (int)s32Y,
             (int)s32Pass);
        vPut("<rect class=\"fail\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"16\"/>",
             (int)(200 + s32Pass), (int)s32Y, (int)s32Fail);
        vPut("<text x=\"%d\" y=\"%d\">%d</text>\n", (int)(206 + s32Pass + s32Fail),
             (int)(s32Y + 13), (int)(bFailedOnly ? c.s32Failed : c.s32Units));
    }
    vPut("</svg>\n");
}

void vPutLeftOut(const stLrTable &stTable, const char *pcWhat)
{
    if (stTable.s32LeftOut > 0)
        vPut("<p>More %s than the report lists: the last line counts %d units of the rest.</p>\n",
             pcWhat, (int)stTable.s32LeftOut);
}

void vPutLegend(void)
{
    vPut("<p><svg class=\"key\" width=\"10\" height=\"10\"><rect class=\"pass\" width=\"10\" height=\"10\"/>"
         "</svg> passed &#160; <svg class=\"key\" width=\"10\" height=\"10\"><rect class=\"fail\" width=\"10\" "
         "height=\"10\"/></svg> failed or not ended</p>\n");
}

void vPutHours(const stLineReport *pst)
{
    vPut("<section>\n<h2>Units per hour</h2>\n");
    vPutLegend();
    vPutHourChart(pst->stHourTable);
    vPut("<table>\n<tr><th>Hour (UTC)</th><th>Units</th><th>Passed</th><th>Failed</th></tr>\n");
    for (int32_t i = 0; i < pst->stHourTable.s32Count; i++) {
        const stLrCount &c = pst->stHours[i];
        vPut("<tr><td>");
        vPutText(c.cName);
        vPut("</td><td>%d</td><td>%d</td><td>%d</td></tr>\n", (int)c.s32Units, (int)c.s32Passed,
             (int)c.s32Failed);
    }
    vPut("</table>\n");
    vPutLeftOut(pst->stHourTable, "hours");
    vPut("</section>\n");
}

void vPutStations(const stLineReport *pst)
{
    vPut("<section>\n<h2>Per station</h2>\n");
    vPutLegend();
    vPutBarChart(pst->stStationTable, false, "Units per station");
    vPut("<table>\n<tr><th>Station</th><th>Units</th><th>Passed</th><th>Failed</th>"
         "<th>First-pass yield</th></tr>\n");
    for (int32_t i = 0; i < pst->stStationTable.s32Count; i++) {
        const stLrCount &c = pst->stStations[i];
        vPut("<tr><td>");
        vPutText(c.cName);
        vPut("</td><td>%d</td><td>%d</td><td>%d</td><td>", (int)c.s32Units, (int)c.s32Passed,
             (int)c.s32Failed);
        vPutYield(c.s32FirstPassed, c.s32First);
        vPut("</td></tr>\n");
    }
    vPut("</table>\n");
    vPutLeftOut(pst->stStationTable, "stations");
    vPut("</section>\n");
}

void vPutFailures(const stLrTable &stTable, const char *pcTitle, const char *pcColumn)
{
    vPut("<section>\n<h2>%s</h2>\n", pcTitle);
    if (stTable.s32Count == 0) {
        vPut("<p>No failures.</p>\n</section>\n");
        return;
    }
    vPutBarChart(stTable, true, pcTitle);
    vPut("<table>\n<tr><th>%s</th><th>Failed</th></tr>\n", pcColumn);
    for (int32_t i = 0; i < stTable.s32Count; i++) {
        const stLrCount &c = stTable.pstLines[i];
        if (c.s32Failed == 0)
            continue;
        vPut("<tr><td>");
        vPutText(c.cName);
        vPut("</td><td>%d</td></tr>\n", (int)c.s32Failed);
    }
    vPut("</table>\n</section>\n");
}

// Ports that never failed are left out of their chart.
void vPutPortFailures(const stLineReport *pst)
{
    static stLrCount stFailed[LR_PORTS_MAX];
    stLrTable stTable;
    vInitTable(&stTable, stFailed, LR_PORTS_MAX);
    for (int32_t i = 0; i < pst->stPortTable.s32Count; i++)
        if (pst->stPorts[i].s32Failed > 0)
            stFailed[stTable.s32Count++] = pst->stPorts[i];
    vPutFailures(stTable, "Failures by port", "Port");
}

} // namespace

bool bGatherLineReport(const char *pcRecords, const char *pcSince, const char *pcUntil,
                       stLineReport *pstReport, char *pcWhy, size_t whySize)
{
    memset(pstReport, 0, sizeof(*pstReport));
    memset(gu64_Serials, 0, sizeof(gu64_Serials));
    gu32_SerialCount = 0;
    stLineReport *p = pstReport;
    vInitTable(&p->stHourTable, p->stHours, LR_HOURS_MAX);
    vInitTable(&p->stStationTable, p->stStations, LR_STATIONS_MAX);
    vInitTable(&p->stReasonTable, p->stReasons, LR_REASONS_MAX);
    vInitTable(&p->stPortTable, p->stPorts, LR_PORTS_MAX);
    snprintf(p->cSince, sizeof(p->cSince), "%s", pcSince);
    snprintf(p->cUntil, sizeof(p->cUntil), "%s", pcUntil);
    static stRecFilter stFilter;
    memset(&stFilter, 0, sizeof(stFilter));
    snprintf(stFilter.cSince, sizeof(stFilter.cSince), "%s", pcSince);
    snprintf(stFilter.cUntil, sizeof(stFilter.cUntil), "%s", pcUntil);
    stGather stG = {pstReport, ""};
    return bRecQuery(pcRecords, &stFilter, bTakeRow, &stG, pcWhy, whySize);
}

bool bWriteLineReport(const char *pcRecords, const char *pcSince, const char *pcUntil,
                      const char *pcHtml, char *pcWhy, size_t whySize)
{
    static stLineReport stReport;
    if (!bGatherLineReport(pcRecords, pcSince, pcUntil, &stReport, pcWhy, whySize))
        return false;
    if (!bSafeFileOpen(&gst_Html, pcHtml, SAFE_FILE_NAMED)) {
        snprintf(pcWhy, whySize, "%s: %s", pcHtml, gst_Html.cWhy);
        return false;
    }
    vSafeFileWrite(&gst_Html, gc_Head, sizeof(gc_Head) - 1);
    vPutSummary(&stReport, pcRecords);
    vPutHours(&stReport);
    vPutStations(&stReport);
    vPutFailures(stReport.stReasonTable, "Failures by reason", "Reason");
    vPutPortFailures(&stReport);
    vPut("</body>\n</html>\n");
    if (!bSafeFileCommit(&gst_Html)) {
        snprintf(pcWhy, whySize, "%s: %s", pcHtml, gst_Html.cWhy);
        return false;
    }
    return true;
}

void vLineReportFromMenu(void)
{
    char cPath[TEXT_BUF_SIZE] = "";
    int s32Result = FileSelectPopup(gu8str_LastDir, "*.html", "*.html", "Line report",
                                    VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath, sizeof(cPath));
    if (s32Result != VAL_EXISTING_FILE_SELECTED && s32Result != VAL_NEW_FILE_SELECTED)
        return;
    vPrintMsg("Writing the line report ...\n>");
    char cRecords[TEXT_BUF_SIZE];
    vRecordsFilePath(cRecords, sizeof(cRecords));
    char cWhy[REC_WHY_MAX] = "";
    if (!bWriteLineReport(cRecords, "", "", cPath, cWhy, sizeof(cWhy))) {
        vPrintMsg(" - %s\n>", cWhy);
        vPrintMsg(" - Fail\n>");
        return;
    }
    vPrintMsg(" - Pass\n>");
    if (!bProcOpenDocument(cPath, cWhy, sizeof(cWhy)))
        vPrintMsg("The report could not be opened: %s\n>", cWhy);
}
