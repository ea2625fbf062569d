#include "cli/cli_report.h"

#include "app/cmd_queue.h"
#include "app/production.h"
#include "device/ddc_start.h"
#include "files/msg_log.h"
#include "files/text_escape.h"
#include "platform/clock/PlatformClock.h"
#include "platform/process/process.h"

#include <stdarg.h>
#include <string.h>

namespace {

#define DISPLAY_STATUS_SIZE 96
#define PROGRESS_WIDTH 30         // characters of the bar

struct stStep {
    int32_t s32CmdId;
    uint32_t u32Offset;           // in the arena
    uint32_t u32Length;
    int32_t s32Verdict;
    int32_t bCut;                 // its text did not fit the arena
    int32_t bCounted;             // its verdict counts for the exit code
    uint64_t u64DurationMs;
};

struct stDisplay {
    char cId[MONITOR_ID_SIZE];
    char cStatus[DISPLAY_STATUS_SIZE];
};

const stCliOptions *gpst_Options = nullptr;
FILE *gp_Out = nullptr;
FILE *gp_Err = nullptr;
char gc_Arena[CLI_TEXT_ARENA];
uint32_t gu32_ArenaUsed = 0;
uint32_t gu32_PendingStart = 0;
int32_t gb_PendingCut = 0;
int32_t gs32_PendingVerdict = STEP_NONE;
uint64_t gu64_PendingSinceMs = 0;
stStep gst_Steps[CLI_STEP_MAX];
int32_t gs32_StepCount = 0;
int32_t gs32_StepsLeftOut = 0;
int32_t gb_CountedFailure = 0;
stDisplay gst_Displays[MONITOR_MAX];
int32_t gs32_DisplayCount = 0;
// Status lines of the last detection, by position from 0.
char gc_DetectedStatus[MONITOR_MAX][DISPLAY_STATUS_SIZE];
int32_t gs32_DetectingPosition = -1;
int32_t gb_ProgressShown = 0;
int32_t gb_ProgressOnTerminal = 0;
// A notice on the screen where the lines are shown starts a line of its own.
int32_t gb_NoticeBesideLines = 0;
// The lines' last, unended line (the prompt, mostly): a bar drawn over it
// puts it back when it goes.
char gc_OpenLine[128] = "";
// The JSON document's reason, when the run did not pass.
char gc_Reason[TEXT_BUF_SIZE] = "";
// Lines shown on a terminal have their control bytes escaped.
int32_t gb_LinesOnTerminal = 0;

struct stCmdName {
    int32_t s32CmdId;
    const char *pcName;
};

const stCmdName gst_CmdNames[] = {
    {CMD_CHECK_PKG_EXIST, "check-package"}, {CMD_READ_PKG, "read-package"},
    {CMD_SHOW_PKG, "show-package"},         {CMD_CHECK_PKG_INFO, "package-info"},
    {CMD_RECEIVE_BY_PAGE, "receive-by-page"}, {CMD_PROGRAM_BY_PAGE, "program-by-page"},
    {CMD_RECEIVE, "receive"},               {CMD_PROGRAM, "program"},
    {CMD_VERIFY, "verify"},                 {CMD_ERASE, "erase"},
    {CMD_INIT_DDC, "start-library"},        {CMD_SHOW_VERSION, "version"},
    {CMD_REFRESH_MONITOR, "detect"},        {CMD_SAVE_MSG, "save-messages"},
    {CMD_SAVE_EDID, "save-edid"},           {CMD_SET_DDC_SPEED, "set-speed"},
    {CMD_UNIT_PORT, "unit-port"},           {CMD_UNIT_END, "unit-end"},
    {CMD_CHECK_START, "start-check"},
    {CLI_STEP_UNIT_START, "unit-start"},
};

const char *pcCmdName(int32_t s32CmdId)
{
    for (const stCmdName &stName : gst_CmdNames) {
        if (stName.s32CmdId == s32CmdId)
            return stName.pcName;
    }
    return "other";
}

FILE *pLinesTo(void) { return gpst_Options->bJson ? gp_Err : gp_Out; }

void vEraseProgress(void)
{
    if (!gb_ProgressShown)
        return;
    fputs("\r\033[K", gp_Err);
    if (gb_NoticeBesideLines)
        fputs(gc_OpenLine, gp_Err);
    fflush(gp_Err);
    gb_ProgressShown = 0;
}

bool bStartsWith(const char *pcText, size_t length, const char *pcPrefix)
{
    size_t prefixLength = strlen(pcPrefix);
    return length >= prefixLength && memcmp(pcText, pcPrefix, prefixLength) == 0;
}

bool bEndsWith(const char *pcText, size_t length, const char *pcSuffix)
{
    size_t suffixLength = strlen(pcSuffix);
    return length >= suffixLength && memcmp(pcText + length - suffixLength, pcSuffix,
                                            suffixLength) == 0;
}

bool bContains(const char *pcText, size_t length, const char *pcPart)
{
    size_t partLength = strlen(pcPart);
    for (size_t i = 0; i + partLength <= length; i++) {
        if (memcmp(pcText + i, pcPart, partLength) == 0)
            return true;
    }
    return false;
}

// The detected list's status lines, as the detection prints them.
void vNoteDetection(const char *pcText)
{
    size_t length = strlen(pcText);
    int s32Position = 0;
    if (sscanf(pcText, " - Monitor %d : ", &s32Position) == 1 && s32Position >= 1 &&
        s32Position <= MONITOR_MAX) {
        gs32_DetectingPosition = s32Position - 1;
        gc_DetectedStatus[gs32_DetectingPosition][0] = '\0';
        return;
    }
    const char cStatus[] = "      Status : ";
    if (gs32_DetectingPosition < 0 || !bStartsWith(pcText, length, cStatus))
        return;
    const char *pcValue = pcText + strlen(cStatus);
    size_t valueLength = strcspn(pcValue, "\n");
    while (valueLength > 0 && pcValue[valueLength - 1] == ' ')
        valueLength--;
    snprintf(gc_DetectedStatus[gs32_DetectingPosition], DISPLAY_STATUS_SIZE, "%.*s",
             (int)valueLength, pcValue);
}

void vKeepOpenLine(const char *pcText, size_t length)
{
    size_t lineStart = length;
    while (lineStart > 0 && pcText[lineStart - 1] != '\n')
        lineStart--;
    if (lineStart > 0) {
        snprintf(gc_OpenLine, sizeof(gc_OpenLine), "%s", pcText + lineStart);
        return;
    }
    size_t used = strlen(gc_OpenLine);
    snprintf(gc_OpenLine + used, sizeof(gc_OpenLine) - used, "%s", pcText);
}

// A serial or a port name could hold bytes a terminal acts on: they are
// shown as \xXX, as tavolin-pkg shows them; line feeds stay.
void vWriteEscaped(FILE *p, const char *pcText, size_t length)
{
    char cChunk[256];
    char cEscaped[ESCAPED_SIZE(sizeof(cChunk))];
    for (size_t done = 0; done < length;) {
        size_t count = length - done < sizeof(cChunk) - 1 ? length - done : sizeof(cChunk) - 1;
        memcpy(cChunk, pcText + done, count);
        cChunk[count] = '\0';
        fputs(pcEscapeText(cChunk, ESCAPE_LINES, cEscaped, sizeof(cEscaped)), p);
        done += count;
    }
}

void vOnMessage(const char *pcText, void *)
{
    size_t length = strlen(pcText);
    size_t room = sizeof(gc_Arena) - gu32_ArenaUsed;
    size_t kept = length < room ? length : room;
    memcpy(gc_Arena + gu32_ArenaUsed, pcText, kept);
    gu32_ArenaUsed += (uint32_t)kept;
    gb_PendingCut |= kept < length ? 1 : 0;
    vNoteDetection(pcText);
    // Judged text by text, so a step whose lines no longer fit still fails.
    int32_t s32Verdict = s32StepVerdict(pcText, length);
    if (s32Verdict == STEP_FAIL || gs32_PendingVerdict == STEP_NONE)
        gs32_PendingVerdict = s32Verdict;
    if (gpst_Options->bQuiet)
        return;
    vEraseProgress();
    vKeepOpenLine(pcText, length);
    if (gb_LinesOnTerminal)
        vWriteEscaped(pLinesTo(), pcText, length);
    else
        fwrite(pcText, 1, length, pLinesTo());
    fflush(pLinesTo());
}

// "Caption            42%" becomes a bar with the caption behind it.
void vOnProgress(const char *pcText, void *)
{
    if (!gb_ProgressOnTerminal)
        return;
    size_t length = strlen(pcText);
    size_t captionLength = length;
    while (captionLength > 0 && pcText[captionLength - 1] != ' ')
        captionLength--;
    int s32Percent = 0;
    sscanf(pcText + captionLength, "%d", &s32Percent);
    while (captionLength > 0 && pcText[captionLength - 1] == ' ')
        captionLength--;
    char cBar[PROGRESS_WIDTH + 1];
    int32_t s32Filled = s32Percent * PROGRESS_WIDTH / 100;
    for (int32_t i = 0; i < PROGRESS_WIDTH; i++)
        cBar[i] = i < s32Filled ? '#' : '-';
    cBar[PROGRESS_WIDTH] = '\0';
    fprintf(gp_Err, "\r\033[K[%s] %3d%% %.*s", cBar, s32Percent,
            (int)(captionLength < 40 ? captionLength : 40), pcText);
    fflush(gp_Err);
    gb_ProgressShown = 1;
}

bool bLineFails(const char *pcLine, size_t length)
{
    static const char *const pcFailPrefixes[] = {
        " - Fail", " - Saving EDID ... canceled", " - Please welect saving type",
        " - Nothing has been received", " - The messages could not be saved",
        " - The unit record cannot be opened", " - The unit's record could not be written",
    };
    for (const char *pcPrefix : pcFailPrefixes) {
        if (bStartsWith(pcLine, length, pcPrefix))
            return true;
    }
    if (bContains(pcLine, length, "Status : Fail") || bContains(pcLine, length, "File : Fail"))
        return true;
    return bStartsWith(pcLine, length, "Unit ") &&
           (bEndsWith(pcLine, length, " : Fail") || bContains(pcLine, length, " refused: "));
}

bool bLinePasses(const char *pcLine, size_t length)
{
    return bStartsWith(pcLine, length, " - Pass") || bStartsWith(pcLine, length, " - Success !") ||
           (bStartsWith(pcLine, length, "Unit ") && bEndsWith(pcLine, length, " : Pass"));
}

// Calls pfn with each line of the text, its prompt ('>') taken off and
// empty lines left out.
template <typename F> void vEachLine(const char *pcText, size_t length, F pfn)
{
    size_t at = 0;
    while (at < length) {
        const char *pcLine = pcText + at;
        const char *pcEnd = (const char *)memchr(pcLine, '\n', length - at);
        size_t lineLength = pcEnd ? (size_t)(pcEnd - pcLine) : length - at;
        at += lineLength + (pcEnd ? 1 : 0);
        if (lineLength > 0 && pcLine[0] == '>') {
            pcLine++;
            lineLength--;
        }
        if (lineLength > 0)
            pfn(pcLine, lineLength);
    }
}

const stStep *pstLastStep(int32_t s32CmdId)
{
    for (int32_t i = gs32_StepCount - 1; i >= 0; i--) {
        if (gst_Steps[i].s32CmdId == s32CmdId)
            return &gst_Steps[i];
    }
    return nullptr;
}

// --- The JSON document ---------------------------------------------------

// Valid UTF-8 goes out as it is; any other byte is taken as Latin-1.
void vJsonString(FILE *p, const char *pcText, size_t length)
{
    fputc('"', p);
    for (size_t i = 0; i < length;) {
        unsigned char c = (unsigned char)pcText[i];
        size_t sequence = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3
                                     : (c & 0xF8) == 0xF0   ? 4 : 0;
        bool bValid = sequence > 0 && i + sequence <= length && (sequence == 1 || c >= 0xC2);
        for (size_t k = 1; bValid && k < sequence; k++)
            bValid = ((unsigned char)pcText[i + k] & 0xC0) == 0x80;
        if (c == '"' || c == '\\')
            fprintf(p, "\\%c", c);
        else if (c == '\n')
            fputs("\\n", p);
        else if (c < 0x20 || c == 0x7F || !bValid)
            fprintf(p, "\\u%04x", c);
        else
            fwrite(pcText + i, 1, sequence, p);
        i += bValid ? sequence : 1;
    }
    fputc('"', p);
}

void vJsonText(FILE *p, const char *pcText) { vJsonString(p, pcText, strlen(pcText)); }

const char *pcVerdictName(int32_t s32Verdict)
{
    return s32Verdict == STEP_PASS ? "pass" : s32Verdict == STEP_FAIL ? "fail" : "none";
}

void vJsonStep(FILE *p, const stStep *pstStep)
{
    const char *pcText = gc_Arena + pstStep->u32Offset;
    bool bFirst = true;
    fprintf(p, "    {\"command\": \"%s\", \"heading\": ", pcCmdName(pstStep->s32CmdId));
    vEachLine(pcText, pstStep->u32Length, [&](const char *pcLine, size_t length) {
        if (!bFirst)
            return;
        vJsonString(p, pcLine, length);
        bFirst = false;
    });
    if (bFirst)
        fputs("\"\"", p);
    fputs(", \"lines\": [", p);
    bool bHeading = true;
    const char *pcSep = "";
    vEachLine(pcText, pstStep->u32Length, [&](const char *pcLine, size_t length) {
        if (bHeading) {
            bHeading = false;
            return;
        }
        fputs(pcSep, p);
        vJsonString(p, pcLine, length);
        pcSep = ", ";
    });
    fprintf(p, "], \"result\": \"%s\", \"counted\": %s, \"duration_ms\": %llu%s}",
            pcVerdictName(pstStep->s32Verdict), pstStep->bCounted ? "true" : "false",
            (unsigned long long)pstStep->u64DurationMs, pstStep->bCut ? ", \"lines_cut\": true" : "");
}

const char *pcResultName(int32_t s32ExitCode)
{
    return s32ExitCode == CLI_EXIT_PASS      ? "pass"
           : s32ExitCode == CLI_EXIT_STOPPED ? "stopped"
                                             : "fail";
}

// The first line that failed the first counted step that failed.
bool bFailedStepReason(char *pcReason, size_t size)
{
    for (int32_t i = 0; i < gs32_StepCount; i++) {
        const stStep *pstStep = &gst_Steps[i];
        if (!pstStep->bCounted || pstStep->s32Verdict != STEP_FAIL)
            continue;
        const char *pcText = gc_Arena + pstStep->u32Offset;
        bool bFound = false;
        vEachLine(pcText, pstStep->u32Length, [&](const char *pcLine, size_t length) {
            if (bFound || !bLineFails(pcLine, length))
                return;
            snprintf(pcReason, size, "%s: %.*s", pcCmdName(pstStep->s32CmdId), (int)length,
                     pcLine);
            bFound = true;
        });
        if (!bFound)
            snprintf(pcReason, size, "%s failed", pcCmdName(pstStep->s32CmdId));
        return true;
    }
    return false;
}

void vFillReason(int32_t s32ExitCode, const char *pcStopSignal)
{
    if (s32ExitCode == CLI_EXIT_PASS)
        snprintf(gc_Reason, sizeof(gc_Reason), "every step passed");
    else if (s32ExitCode == CLI_EXIT_STOPPED)
        snprintf(gc_Reason, sizeof(gc_Reason), "%s stopped the run before its end",
                 pcStopSignal ? pcStopSignal : "a signal");
    else if (s32ExitCode == CLI_EXIT_FAIL && bFailedStepReason(gc_Reason, sizeof(gc_Reason)))
        return;
    else if (gc_Reason[0] == '\0')
        snprintf(gc_Reason, sizeof(gc_Reason), "the run failed (exit code %d)", (int)s32ExitCode);
}

void vJsonHead(FILE *p, const char *pcCommand, int32_t s32ExitCode, const char *pcReason,
               const char *pcStopSignal, bool bSimulated)
{
    fprintf(p, "{\n  \"program\": \"tavolin-cli\",\n  \"command\": \"%s\",\n", pcCommand);
    fprintf(p, "  \"result\": \"%s\",\n  \"exit_code\": %d,\n  \"reason\": ",
            pcResultName(s32ExitCode), (int)s32ExitCode);
    vJsonText(p, pcReason);
    fputs(",\n  \"stopped_by\": ", p);
    if (pcStopSignal)
        vJsonText(p, pcStopSignal);
    else
        fputs("null", p);
    fprintf(p, ",\n  \"simulated\": %s", bSimulated ? "true" : "false");
}

// What the unit's record holds: its serial and the numbers stamped.
void vJsonUnit(FILE *p)
{
    if (gpst_Options->s32Command != CLI_CMD_UNIT)
        return;
    const stUnitOutcome &u = gst_UnitOutcome;
    bool bRecorded = u.s32State >= UNIT_STARTED;
    fputs(",\n  \"serial\": ", p);
    if (u.s32State != UNIT_NONE)
        vJsonText(p, u.cSerial);
    else
        fputs("null", p);
    if (bRecorded)
        fprintf(p, ",\n  \"numeric_serial\": %lu,\n  \"week\": %d,\n  \"year\": %d,\n"
                   "  \"record_id\": %lld",
                (unsigned long)u.u32NumericSerial, (int)u.s32Week, (int)u.s32Year,
                (long long)u.s64RecordId);
    else
        fputs(",\n  \"numeric_serial\": null,\n  \"week\": null,\n  \"year\": null,\n"
              "  \"record_id\": null",
              p);
}

void vJsonDocument(FILE *p, int32_t s32ExitCode, const char *pcStopSignal)
{
    vFillReason(s32ExitCode, pcStopSignal);
    vJsonHead(p, pcCliCommandName(gpst_Options->s32Command), s32ExitCode, gc_Reason,
              pcStopSignal, gu32_SimulatedOutputs != 0);
    vJsonUnit(p);
    fputs(",\n  \"displays\": [", p);
    for (int32_t i = 0; i < gs32_DisplayCount; i++) {
        fprintf(p, "%s\n    {\"position\": %d, \"id\": ", i ? "," : "", (int)i + 1);
        vJsonText(p, gst_Displays[i].cId);
        fputs(", \"status\": ", p);
        vJsonText(p, gst_Displays[i].cStatus);
        fputs("}", p);
    }
    fprintf(p, "%s],\n  \"steps\": [", gs32_DisplayCount ? "\n  " : "");
    for (int32_t i = 0; i < gs32_StepCount; i++) {
        fputs(i ? ",\n" : "\n", p);
        vJsonStep(p, &gst_Steps[i]);
    }
    fprintf(p, "%s],\n  \"steps_left_out\": %d\n}\n", gs32_StepCount ? "\n  " : "",
            (int)gs32_StepsLeftOut);
    fflush(p);
}

} // namespace

int32_t s32StepVerdict(const char *pcText, size_t length)
{
    int32_t s32Verdict = STEP_NONE;
    vEachLine(pcText, length, [&](const char *pcLine, size_t lineLength) {
        if (bLineFails(pcLine, lineLength))
            s32Verdict = STEP_FAIL;
        else if (s32Verdict == STEP_NONE && bLinePasses(pcLine, lineLength))
            s32Verdict = STEP_PASS;
    });
    return s32Verdict;
}

void vReportBegin(const stCliOptions *pstOptions, FILE *pOut, FILE *pErr)
{
    gpst_Options = pstOptions;
    gp_Out = pOut;
    gp_Err = pErr;
    gu32_ArenaUsed = 0;
    gu32_PendingStart = 0;
    gb_PendingCut = 0;
    gs32_PendingVerdict = STEP_NONE;
    gs32_StepCount = 0;
    gs32_StepsLeftOut = 0;
    gb_CountedFailure = 0;
    gs32_DisplayCount = 0;
    gs32_DetectingPosition = -1;
    memset(gc_DetectedStatus, 0, sizeof(gc_DetectedStatus));
    gb_ProgressShown = 0;
    gb_ProgressOnTerminal = !pstOptions->bQuiet && pErr == stderr && bProcIsTerminal(2);
    gc_OpenLine[0] = '\0';
    gc_Reason[0] = '\0';
    gb_LinesOnTerminal = (pLinesTo() == stdout && bProcIsTerminal(1)) ||
                         (pLinesTo() == stderr && bProcIsTerminal(2));
    gb_NoticeBesideLines = !pstOptions->bQuiet &&
                           (pLinesTo() == pErr || (pErr == stderr && pOut == stdout &&
                                                   bProcIsTerminal(1) && bProcIsTerminal(2)));
    gu64_PendingSinceMs = u64ClockNowMs();
    static const stMsgEcho stEcho = {vOnMessage, vOnProgress, nullptr};
    vMsgSetEcho(&stEcho);
}

void vReportEndStep(int32_t s32CmdId, int32_t bCounted, int32_t s32Verdict)
{
    uint64_t u64Now = u64ClockNowMs();
    if (gu32_ArenaUsed == gu32_PendingStart && !gb_PendingCut)
        return;
    if (s32Verdict != STEP_NONE)
        gs32_PendingVerdict = s32Verdict;
    if (bCounted && gs32_PendingVerdict == STEP_FAIL)
        gb_CountedFailure = 1;
    if (gs32_StepCount == CLI_STEP_MAX) {
        gs32_StepsLeftOut++;
    } else {
        stStep *pstStep = &gst_Steps[gs32_StepCount++];
        pstStep->s32CmdId = s32CmdId;
        pstStep->u32Offset = gu32_PendingStart;
        pstStep->u32Length = gu32_ArenaUsed - gu32_PendingStart;
        pstStep->s32Verdict = gs32_PendingVerdict;
        pstStep->bCut = gb_PendingCut;
        pstStep->bCounted = bCounted;
        pstStep->u64DurationMs = u64Now - gu64_PendingSinceMs;
    }
    gu32_PendingStart = gu32_ArenaUsed;
    gb_PendingCut = 0;
    gs32_PendingVerdict = STEP_NONE;
    gu64_PendingSinceMs = u64Now;
    vEraseProgress();
}

void vReportSay(const char *pcFormat, ...)
{
    vEraseProgress();
    if (gc_OpenLine[0] && gb_NoticeBesideLines) {
        fputc('\n', gp_Err);
        gc_OpenLine[0] = '\0';
    }
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(gc_Reason, sizeof(gc_Reason), pcFormat, args);
    va_end(args);
    fputs("tavolin-cli: ", gp_Err);
    if (bProcIsTerminal(2) && gp_Err == stderr)
        vWriteEscaped(gp_Err, gc_Reason, strlen(gc_Reason));
    else
        fputs(gc_Reason, gp_Err);
    fputc('\n', gp_Err);
    fflush(gp_Err);
}

void vReportReason(const char *pcFormat, ...)
{
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(gc_Reason, sizeof(gc_Reason), pcFormat, args);
    va_end(args);
}

void vReportEarlyDocument(FILE *pOut, const char *pcCommand, int32_t s32ExitCode,
                          const char *pcWhy)
{
    vJsonHead(pOut, pcCommand, s32ExitCode, pcWhy, nullptr, false);
    fputs(",\n  \"displays\": [],\n  \"steps\": [],\n  \"steps_left_out\": 0\n}\n", pOut);
    fflush(pOut);
}

void vReportAddDisplay(int32_t s32Position, const char *pcId)
{
    if (gs32_DisplayCount >= MONITOR_MAX || s32Position < 1 || s32Position > MONITOR_MAX)
        return;
    stDisplay *pstDisplay = &gst_Displays[gs32_DisplayCount++];
    snprintf(pstDisplay->cId, sizeof(pstDisplay->cId), "%s", pcId);
    snprintf(pstDisplay->cStatus, sizeof(pstDisplay->cStatus), "%s",
             gc_DetectedStatus[s32Position - 1]);
}

int32_t s32ReportLastVerdict(int32_t s32CmdId)
{
    const stStep *pstStep = pstLastStep(s32CmdId);
    return pstStep ? pstStep->s32Verdict : STEP_NONE;
}

bool bReportLastStepHas(int32_t s32CmdId, const char *pcText)
{
    const stStep *pstStep = pstLastStep(s32CmdId);
    return pstStep && bContains(gc_Arena + pstStep->u32Offset, pstStep->u32Length, pcText);
}

int32_t s32ReportExitCode(void)
{
    return gb_CountedFailure ? CLI_EXIT_FAIL : CLI_EXIT_PASS;
}

void vReportFinish(int32_t s32ExitCode, const char *pcStopSignal)
{
    vEraseProgress();
    vMsgSetEcho(nullptr);
    if (gpst_Options->bJson)
        vJsonDocument(gp_Out, s32ExitCode, pcStopSignal);
    fflush(gp_Out);
}
