#include "app/production.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "app/line_hooks.h"
#include "device/ddc_start.h"
#include "device/device_command.h"
#include "device/edid_bus.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/edid_image.h"
#include "files/edid_stamp.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/station.h"
#include "files/text_escape.h"
#include "platform/clock/PlatformClock.h"
#include "platform/filesys/filesys.h"
#include "platform/process/process.h"
#include "platform/records/records.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

#include <stdio.h>
#include <string.h>

#define RESULT_READY_COLOR 0xD8DCE0
#define RESULT_RUNNING_COLOR 0xF3D36B
#define RESULT_PASS_COLOR 0x4CB050
#define RESULT_FAIL_COLOR 0xE0463C
#define UNIT_WHY_SIZE 600
#define SPOOL_FILE_NAME "spool.sqlite"
#define RESULT_TEXT_SIZE 640
// The result's point sizes: the panel's own holds two lines of 15
// characters; more lines or longer ones (a training station's, an
// interrupted unit's ports) need a smaller one to be read whole.
#define RESULT_POINT_SIZE 15
#define RESULT_SMALL_POINT_SIZE 11     // three lines of 21
#define RESULT_SMALLEST_POINT_SIZE 9   // what is longer, wrapped

int32_t gs32_UnitRunning = 0;
int32_t gs32_ProductionHalted = 0;
stUnitOutcome gst_UnitOutcome;

namespace {

struct stUnitPort {
    uint32_t u32Port;
    char cPort[PKG_PORT_NAME_SIZE + 1];
    int32_t s32Display;                     // the output the map names, from 1
    int32_t s32ListIndex;                   // its display's entry in the Displays list
    char cDisplayId[MONITOR_ID_SIZE + 16];
    uint8_t u8Image[PKG_FILE_SIZE];
    int32_t s32Amount;
    stStampResult stStamped;                // the numbers this port's image got
    char cSha256[REC_SHA256_HEX_SIZE];
    bool bPass;
    char cMessage[DEVICE_REASON_SIZE];
    uint32_t u32DurationMs;
};

struct stUnit {
    char cSerial[STAMP_SERIAL_MAX + 1];
    bool bRework;
    bool bAgain;              // the interrupted unit, stamped again as it was
    bool bStamped;            // its images are stamped for it
    int64_t s64RecordId;
    stUnitPort stPorts[STATION_MAP_MAX];
    int32_t s32PortCount;
    int32_t s32Current;       // the port whose commands run; -1 before the first
    uint64_t u64PortStartMs;
};

stUnit gst_Unit;
char gc_HostName[STATION_TEXT_MAX + 1] = "";
// The unit the record's open found interrupted, until a counter unit was
// offered to run it again.
stRecInterrupted gst_Interrupted;
bool gb_RecordNotThis = false;   // the last open found another record than the station's
// A scan completed while the station was busy: it starts when the running
// unit (or command) ends. Empty at a counter station means the next number.
bool gb_NextWaiting = false;
char gc_NextSerial[STAMP_SERIAL_MAX * 4 + 8] = "";
// The badge scanned (empty: none yet, or signed off after the idle time),
// and when it was scanned or the last unit ended, on the platform clock.
char gc_Operator[UNIT_OPERATOR_MAX + 1] = "";
uint64_t gu64_OperatorSeenMs = 0;
// Set while a unit is being started: a question it asks lets the event
// loop run, and a scan committed then must wait, not start a second unit.
bool gb_UnitStarting = false;
int32_t gs32_Unsent = 0;   // the spool's units the server has not taken yet

int32_t s32Main(void) { return gst_UiHandles.s32MainPanel; }

int32_t s32ResultPointSize(const char *pcText)
{
    int32_t s32Lines = 1;
    size_t longest = 0;
    for (const char *pcLine = pcText; *pcLine; s32Lines++) {
        size_t length = strcspn(pcLine, "\n");
        longest = length > longest ? length : longest;
        pcLine += length;
        if (*pcLine == '\0')
            break;
        pcLine++;
    }
    if (s32Lines <= 2 && longest <= 15)
        return RESULT_POINT_SIZE;
    return s32Lines <= 3 && longest <= 21 ? RESULT_SMALL_POINT_SIZE : RESULT_SMALLEST_POINT_SIZE;
}

// A training station says so on every result it shows.
void vShowResult(const char *pcText, int32_t s32Color)
{
    char cText[RESULT_TEXT_SIZE];
    snprintf(cText, sizeof(cText), "%s%s", gst_Station.bSimulated ? "TRAINING " : "", pcText);
    SetCtrlAttribute(s32Main(), MAIN_UNIT_RESULT, ATTR_TEXT_POINT_SIZE, s32ResultPointSize(cText));
    SetCtrlVal(s32Main(), MAIN_UNIT_RESULT, cText);
    SetCtrlAttribute(s32Main(), MAIN_UNIT_RESULT, ATTR_TEXT_BGCOLOR, s32Color);
}

const char *pcScanName(const char *pcSerial)
{
    return pcSerial[0] ? pcSerial : "(no serial)";
}

void vShowVerdict(const char *pcVerdict, const char *pcSerial, int32_t s32Color)
{
    char cText[sizeof(gc_NextSerial) * 2 + 80];
    int32_t s32Used = 0;
    if (gb_NextWaiting)
        s32Used = snprintf(cText, sizeof(cText), "%s\n%s\nnext: %s", pcVerdict, pcSerial,
                           pcScanName(gc_NextSerial));
    else
        s32Used = snprintf(cText, sizeof(cText), "%s\n%s", pcVerdict, pcSerial);
    if (gs32_Unsent > 0 && s32Used > 0 && (size_t)s32Used < sizeof(cText))
        snprintf(cText + s32Used, sizeof(cText) - (size_t)s32Used, "\n%d unit%s not yet on the server",
                 (int)gs32_Unsent, gs32_Unsent == 1 ? "" : "s");
    vShowResult(cText, s32Color);
}

// Units spooled while the line's server was away go as soon as it answers.
void vSendSpooled(void)
{
    char cWhy[REC_WHY_MAX] = "";
    int32_t s32Before = gs32_Unsent;
    if (!bRecSendSpooled(&gs32_Unsent, cWhy, sizeof(cWhy)) && gs32_Unsent != s32Before)
        vPrintMsg(" - %d unit%s not yet on the server: %s\n>", (int)gs32_Unsent,
                  gs32_Unsent == 1 ? "" : "s", cWhy);
}

// Program and Verify are part of every unit: their boxes show it and
// cannot drop them while the mode is on.
void vLockUnitFunctions(int32_t bOn)
{
    static const int32_t s32Locked[] = {MAIN_FUNC_PROGRAM, MAIN_FUNC_VERIFY};
    for (int32_t s32Control : s32Locked) {
        if (bOn)
            SetCtrlVal(s32Main(), s32Control, 1);
        SetCtrlAttribute(s32Main(), s32Control, ATTR_DIMMED, bOn);
    }
}

// A pinned station's package changes only through Production...
void vLockPackageChoice(void)
{
    bool bPinned = gst_Station.bProduction && gst_Station.cPackage[0] != '\0';
    SetCtrlAttribute(s32Main(), MAIN_PKG_BROWSE, ATTR_DIMMED, bPinned ? 1 : 0);
}

// The panel's choices stay as the unit found them while its commands run.
void vHoldPanel(int32_t bHold)
{
    vDimHeldChoices(HOLD_UNIT, bHold);
    vLockUnitFunctions(gst_Station.bProduction);
    if (!bHold)
        vLockPackageChoice();
}

// What the field holds was typed after the last Enter: the start of the
// next scan, which stays.
void vGiveFieldTheKeyboard(void)
{
    SetActiveCtrl(s32Main(), MAIN_UNIT_SERIAL);
}

bool bOperatorIdle(void)
{
    uint64_t u64IdleMs = (uint64_t)gst_Station.s32OperatorIdleMinutes * 60000u;
    return u64ClockNowMs() - gu64_OperatorSeenMs >= u64IdleMs;
}

bool bOperatorNeeded(void)
{
    return gst_Station.bRequireOperator && (gc_Operator[0] == '\0' || bOperatorIdle());
}

void vAskForBadge(void)
{
    gc_Operator[0] = '\0';
    vShowResult("SCAN BADGE", RESULT_READY_COLOR);
}

// What the field took while no operator is signed on is a badge: 1 to 32
// printable characters, no blank at either end.
void vTakeBadge(const char *pcTyped)
{
    size_t length = strlen(pcTyped);
    bool bFits = length > 0 && length <= UNIT_OPERATOR_MAX && pcTyped[0] != ' ' &&
                 pcTyped[length - 1] != ' ';
    for (size_t i = 0; bFits && i < length; i++)
        bFits = pcTyped[i] >= 0x20 && pcTyped[i] <= 0x7E;
    gst_UnitOutcome = {UNIT_REFUSED, "", 0, 0, 0, 0};
    if (!bFits) {
        vPrintMsg("Badge \"%.40s\" refused: a badge has 1 to %d printable characters, no blank "
                  "at either end; scan the operator's badge before the units\n>",
                  pcTyped, UNIT_OPERATOR_MAX);
        vAskForBadge();
        return;
    }
    vSetUnitOperator(pcTyped);
    vPrintMsg("Operator %s signed on\n>", gc_Operator);
    char cText[UNIT_OPERATOR_MAX + 16];
    snprintf(cText, sizeof(cText), "READY\n%s", gc_Operator);
    vShowResult(cText, RESULT_READY_COLOR);
}

// What the command line reports of a unit that did not run to its end.
void vNoteNotRun(const char *pcSerial)
{
    if (gst_UnitOutcome.s32State != UNIT_STARTED)
        gst_UnitOutcome = {UNIT_REFUSED, "", 0, 0, 0, 0};
    else
        gst_UnitOutcome.s32State = UNIT_FAILED;
    snprintf(gst_UnitOutcome.cSerial, sizeof(gst_UnitOutcome.cSerial), "%s", pcSerial);
}

// A unit that did not run: why, in the box, and its verdict in the result.
void vSayNotRun(const char *pcSerial, const char *pcWhy, const char *pcVerdict, int32_t s32Color)
{
    vNoteNotRun(pcSerial);
    vPrintMsg("Unit %s refused: %s\n>", pcScanName(pcSerial), pcWhy);
    vShowVerdict(pcVerdict, pcSerial, s32Color);
    vGiveFieldTheKeyboard();
}

void vRefuseUnit(const char *pcSerial, const char *pcWhy)
{
    vSayNotRun(pcSerial, pcWhy, "FAIL", RESULT_FAIL_COLOR);
}

// A good unit the operator chose not to program again: nothing was done
// to it, which is no failure.
void vLeaveUnitAlone(const char *pcSerial, const char *pcWhy)
{
    vSayNotRun(pcSerial, pcWhy, "NOTHING DONE", RESULT_READY_COLOR);
}

// The package port the map names: by its name, or by its number from 1 for
// a port without one, as the message lines name it.
bool bFindPackagePort(const char *pcName, uint32_t *pu32Port)
{
    uint32_t u32Count = u32PkgPortCount(gu8_PkgBuffer);
    for (uint32_t i = 0; i < u32Count && i < PKG_PORT_MAX; i++) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(gu8_PkgBuffer, i, cName, sizeof(cName));
        if (cName[0] == '\0')
            snprintf(cName, sizeof(cName), "%u", i + 1);
        if (strcmp(cName, pcName) == 0) {
            *pu32Port = i;
            return true;
        }
    }
    return false;
}

// Each mapped port in the package with an image that can be stamped, each
// mapped output with a listed display; false with the reason, before any
// bus traffic.
bool bPlanPorts(stUnit *pstUnit, char *pcWhy, size_t whySize)
{
    if (gst_Station.s32MapCount == 0) {
        snprintf(pcWhy, whySize, "the station's port map is empty (Production... sets it)");
        return false;
    }
    if (gu8_PkgExist != 1 || gu8_PkgValid != 1) {
        snprintf(pcWhy, whySize, "no valid package is loaded");
        return false;
    }
    // Taking a package empties the list; the table alone is no display.
    int s32Displays = 0;
    GetNumListItems(s32Main(), MAIN_MONITOR_LIST, &s32Displays);
    for (int32_t i = 0; i < gst_Station.s32MapCount; i++) {
        const stStationMapEntry *pstEntry = &gst_Station.stMap[i];
        stUnitPort *pstPort = &pstUnit->stPorts[i];
        memset(pstPort, 0, sizeof(*pstPort));
        uint32_t u32Offset = 0, u32Length = 0;
        char cShown[PKG_PORT_NAME_SIZE * 4 + 1];
        pcEscapeText(pstEntry->cPort, ESCAPE_CONTROLS, cShown, sizeof(cShown));
        if (!bFindPackagePort(pstEntry->cPort, &pstPort->u32Port) ||
            !bPkgPortImage(gu8_PkgBuffer, pstPort->u32Port, &u32Offset, &u32Length)) {
            snprintf(pcWhy, whySize, "the package has no port %s", cShown);
            return false;
        }
        if (u32Length < EDID_BLOCK_BYTES || u32Length > sizeof(pstPort->u8Image)) {
            snprintf(pcWhy, whySize, "the image of port %s has %u bytes", cShown, u32Length);
            return false;
        }
        int32_t s32Index = s32MonitorOnOutput(pstEntry->s32Output);
        if (s32Index < 0 || s32Index >= s32Displays) {
            snprintf(pcWhy, whySize, "output %d of the map (port %s) has no display that answered "
                     "(Refresh, or check its cable)", (int)pstEntry->s32Output, cShown);
            return false;
        }
        snprintf(pstPort->cPort, sizeof(pstPort->cPort), "%s", pstEntry->cPort);
        pstPort->s32Display = pstEntry->s32Output;
        pstPort->s32ListIndex = s32Index;
        GetLabelFromIndex(s32Main(), MAIN_MONITOR_LIST, s32Index, pstPort->cDisplayId,
                          sizeof(pstPort->cDisplayId));
        memcpy(pstPort->u8Image, gu8_PkgBuffer + u32Offset, u32Length);
        pstPort->s32Amount = (int32_t)u32Length;
    }
    pstUnit->s32PortCount = gst_Station.s32MapCount;
    return true;
}

// The serial typed or scanned, or the counter's next one (written to the
// station file before it is used). ps64Counter gets the counter's number,
// or -1 for a serial typed.
bool bTakeSerial(const char *pcTyped, char *pcSerial, size_t size, int64_t *ps64Counter,
                 char *pcWhy, size_t whySize)
{
    *ps64Counter = -1;
    if (pcTyped[0] != '\0') {
        snprintf(pcSerial, size, "%s", pcTyped);
        return true;
    }
    char cPath[TEXT_BUF_SIZE];
    vStationFilePath(cPath, sizeof(cPath));
    uint64_t u64Number = 0;
    char cSkipped[2 * STAMP_SERIAL_MAX + 80] = "";
    // A serial typed by hand earlier may already be the counter's next one.
    // With the line's server the counter is the line's, not the station file's.
    bool bTaken = bRecIsServer()
                      ? bTakeLineSerial(&gst_Station, bRecTakeCounter, pcSerial, size, &u64Number,
                                        pcWhy, whySize, bRecSerialRecorded, cSkipped,
                                        sizeof(cSkipped))
                      : bTakeCounterSerial(cPath, &gst_Station, pcSerial, size, &u64Number, pcWhy,
                                           whySize, bRecSerialRecorded, cSkipped,
                                           sizeof(cSkipped));
    if (!bTaken && bRecIsServer() && bRecServerAway())
        snprintf(pcWhy, whySize, "the line's server is away: a counter station takes no serial "
                                 "until it answers (a serial could not be known unique)");
    if (!bTaken)
        return false;
    if (cSkipped[0] != '\0')
        vPrintMsg(" - %s\n>", cSkipped);
    *ps64Counter = (int64_t)u64Number;
    return true;
}

// A serial recorded as passed is programmed again only when the operator
// says so.
bool bConfirmRework(const char *pcSerial, bool *pbRework, bool *pbDeclined, char *pcWhy,
                    size_t whySize)
{
    bool bPassed = false;
    *pbRework = false;
    *pbDeclined = false;
    if (!bRecSerialPassed(pcSerial, &bPassed, pcWhy, whySize))
        return false;
    if (bRecOnlySpool())
        vPrintMsg(" - The line's server is away: only this station's spool was checked for an "
                  "earlier pass of %s\n>", pcSerial);
    if (!bPassed)
        return true;
    char cQuestion[STAMP_SERIAL_MAX + 128];
    snprintf(cQuestion, sizeof(cQuestion),
             "Unit %s has already passed. Program it again (a re-work)?", pcSerial);
    if (!ConfirmPopup("Re-work", cQuestion)) {
        snprintf(pcWhy, whySize, "it has already passed and was not programmed again");
        *pbDeclined = true;
        return false;
    }
    *pbRework = true;
    return true;
}

// s64Counter is the counter's number of the serial, -1 for one typed.
void vStampPlanFor(const char *pcSerial, int64_t s64Counter, stStampPlan *pstPlan)
{
    pstPlan->pcSerial = pcSerial;
    pstPlan->s32NumericMode = gst_Station.s32NumericSerial;
    // A serial typed at a counter station (a re-work) has no number of the
    // counter's; its digits stand for it.
    if (pstPlan->s32NumericMode == STATION_NUMERIC_COUNTER && s64Counter < 0)
        pstPlan->s32NumericMode = STATION_NUMERIC_DIGITS;
    pstPlan->u32CounterNumber = s64Counter < 0 ? 0 : (uint32_t)s64Counter;
    pstPlan->s32WeekYearMode = gst_Station.s32WeekYear;
    pstPlan->s32Week = gst_Station.s32FixedWeek;
    pstPlan->s32Year = gst_Station.s32FixedYear;
    if (gst_Station.s32WeekYear == STATION_WEEKYEAR_TODAY) {
        int32_t s32Year = 0, s32Month = 0, s32Day = 0;
        vProcLocalDate(&s32Year, &s32Month, &s32Day);
        vIsoWeekOfDate(s32Year, s32Month, s32Day, &pstPlan->s32Week, &pstPlan->s32Year);
    }
}

const stRecInterruptedPort *pstInterruptedPort(const char *pcPort)
{
    for (int32_t i = 0; i < gst_Interrupted.s32PortCount; i++)
        if (strcmp(gst_Interrupted.stPorts[i].cPort, pcPort) == 0)
            return &gst_Interrupted.stPorts[i];
    return nullptr;
}

// A port of the interrupted unit gets the numbers it was stamped with then,
// whatever the date or the counter say now; a week the image kept (a model
// year) it keeps again.
void vAgainPlanFor(const stStampPlan *pstPlan, const stRecInterruptedPort *pstWas,
                   stStampPlan *pstAgain)
{
    *pstAgain = *pstPlan;
    pstAgain->s32NumericMode = STATION_NUMERIC_COUNTER;
    pstAgain->u32CounterNumber = pstWas->u32NumericSerial;
    bool bWeek = pstWas->s32Week >= 1 && pstWas->s32Week <= 53;
    pstAgain->s32WeekYearMode = bWeek ? STATION_WEEKYEAR_FIXED : STATION_WEEKYEAR_KEEP;
    pstAgain->s32Week = pstWas->s32Week;
    pstAgain->s32Year = pstWas->s32Year;
}

// Every port's image stamped, each keeping the numbers it got; false, with
// the reason, when one cannot be.
bool bStampPorts(stUnit *pstUnit, const stStampPlan *pstPlan, char *pcWhy, size_t whySize)
{
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++) {
        stUnitPort *pstPort = &pstUnit->stPorts[i];
        stStampPlan stPlan = *pstPlan;
        const stRecInterruptedPort *pstWas = pstInterruptedPort(pstPort->cPort);
        if (pstUnit->bAgain && pstWas)
            vAgainPlanFor(pstPlan, pstWas, &stPlan);
        if (!bStampEdid(pstPort->u8Image, (uint32_t)pstPort->s32Amount, &stPlan,
                        &pstPort->stStamped, pcWhy, whySize))
            return false;
        vRecSha256Hex(pstPort->u8Image, (size_t)pstPort->s32Amount, pstPort->cSha256);
    }
    return true;
}

// The station remembers the unit as the last of its record; a file that
// cannot be written only weakens that check, so the unit goes on.
void vNoteLastUnit(int64_t s64Id)
{
    char cPath[TEXT_BUF_SIZE];
    char cWhy[STATION_WHY_MAX];
    vStationFilePath(cPath, sizeof(cPath));
    if (!bNoteStationRecord(cPath, &gst_Station, gst_Station.cRecordId, (uint64_t)s64Id, cWhy,
                            sizeof(cWhy)))
        vPrintMsg(" - %s; the station's last unit stays %llu\n>", cWhy,
                  (unsigned long long)gst_Station.u64LastUnit);
}

// The unit's row holds the numbers the first image got, each port's row its own.
bool bBeginRecord(stUnit *pstUnit, char *pcWhy, size_t whySize)
{
    char cPackagePath[TEXT_BUF_SIZE];
    char cChecksum[32] = "";
    snprintf(cPackagePath, sizeof(cPackagePath), "%s", gu8str_PkgFilePath);
    GetCtrlVal(s32Main(), MAIN_PKG_CHECKSUM, cChecksum);
    const stStampResult *pstFirst = &pstUnit->stPorts[0].stStamped;
    stRecUnit stRecord = {pcStationName(),    pstUnit->cSerial, pstFirst->u32NumericSerial,
                          pstFirst->s32Week,  pstFirst->s32Year, cPackagePath,
                          cChecksum,          pstUnit->bRework ? 1 : 0,
                          gc_Operator};
    stRecPort stRows[STATION_MAP_MAX];
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++) {
        const stUnitPort *pstPort = &pstUnit->stPorts[i];
        stRows[i] = {pstPort->cPort,    pstPort->s32Display,
                     pstPort->cDisplayId, pstPort->cSha256,
                     pstPort->stStamped.u32NumericSerial, pstPort->stStamped.s32Week,
                     pstPort->stStamped.s32Year};
    }
    if (!bRecBeginUnit(&stRecord, stRows, pstUnit->s32PortCount, &pstUnit->s64RecordId, pcWhy,
                       whySize))
        return false;
    if (pstUnit->s64RecordId > 0)   // a spooled unit's id is the spool's
        vNoteLastUnit(pstUnit->s64RecordId);
    gst_UnitOutcome = {UNIT_STARTED,       "", pstFirst->u32NumericSerial, pstFirst->s32Week,
                       pstFirst->s32Year, pstUnit->s64RecordId};
    snprintf(gst_UnitOutcome.cSerial, sizeof(gst_UnitOutcome.cSerial), "%s", pstUnit->cSerial);
    return true;
}

void vPostUnitCommands(const stUnit *pstUnit)
{
    stStartFunctions stFunctions;
    vGetStartFunctions(&stFunctions);
    stFunctions.s32Receive = 0;
    stFunctions.s32ShowPkg = 0;
    stFunctions.s32Program = 1;
    stFunctions.s32Verify = 1;
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++) {
        vPostCommand(CMD_UNIT_PORT, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
        vPostStartSequence(&stFunctions);
    }
    vPostCommand(CMD_UNIT_END, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
}

// "DVI, HDMI": the interrupted unit's ports that had not finished.
void vUnfinishedPorts(char *pcText, size_t size)
{
    pcText[0] = '\0';
    size_t used = 0;
    for (int32_t i = 0; i < gst_Interrupted.s32PortCount && used < size; i++)
        if (!gst_Interrupted.stPorts[i].bFinished)
            used += (size_t)snprintf(pcText + used, size - used, "%s%s", used ? ", " : "",
                                     gst_Interrupted.stPorts[i].cPort);
}

// At a counter station, the Enter of the next unit first offers the unit the
// start found interrupted (once): again with its own serial and numbers, so
// a half-written monitor gets a whole EDID with the serial it carries.
bool bTakeInterruptedUnit(stUnit *pstUnit)
{
    if (gst_Station.s32SerialSource != STATION_SOURCE_COUNTER || gst_Interrupted.s64Id == 0 ||
        gst_Interrupted.s32PortCount == 0)
        return false;
    gst_Interrupted.s64Id = 0;
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++)
        if (!pstInterruptedPort(pstUnit->stPorts[i].cPort)) {
            vPrintMsg(" - Unit %s cannot be programmed again as it was: port %s was not part of "
                      "it\n>",
                      gst_Interrupted.cSerial, pstUnit->stPorts[i].cPort);
            return false;
        }
    char cPorts[REC_PORTS_MAX * (REC_NAME_SIZE + 2)];
    vUnfinishedPorts(cPorts, sizeof(cPorts));
    char cQuestion[sizeof(cPorts) + 160];
    snprintf(cQuestion, sizeof(cQuestion),
             "Unit %s was interrupted before ports %s were finished. Program it again with its "
             "serial %s (a re-work)?",
             gst_Interrupted.cSerial, cPorts[0] ? cPorts : "(none)", gst_Interrupted.cSerial);
    if (!ConfirmPopup("Re-work", cQuestion))
        return false;
    snprintf(pstUnit->cSerial, sizeof(pstUnit->cSerial), "%.*s", STAMP_SERIAL_MAX,
             gst_Interrupted.cSerial);
    pstUnit->bRework = true;
    pstUnit->bAgain = true;
    return true;
}

void vTryStartUnit(const char *pcTyped)
{
    gst_UnitOutcome = {UNIT_NONE, "", 0, 0, 0, 0};
    if (bOperatorNeeded()) {
        vTakeBadge(pcTyped);
        vGiveFieldTheKeyboard();
        return;
    }
    stUnit *pstUnit = &gst_Unit;
    memset(pstUnit, 0, sizeof(*pstUnit));
    pstUnit->s32Current = -1;
    char cWhy[UNIT_WHY_SIZE] = "";
    if (pcTyped[0] != '\0' && !bCheckUnitSerial(pcTyped, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    if (pcTyped[0] != '\0' && !bSerialFitsFormat(pcTyped, gst_Station.cSerialFormat)) {
        snprintf(cWhy, sizeof(cWhy), "it does not match SerialFormat %s (a mis-scanned label?)",
                 gst_Station.cSerialFormat);
        return vRefuseUnit(pcTyped, cWhy);
    }
    if (gu32_SimulatedOutputs && !gst_Station.bSimulated)
        return vRefuseUnit(pcTyped, "the displays are simulated; Simulated = 1 in Station.ini "
                                    "runs units on them for training");
    if (!bPackagePinHolds(cWhy, sizeof(cWhy)) || !bPlanPorts(pstUnit, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    if (!bOpenUnitRecord(cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    vSendSpooled();
    bool bDeclined = false;
    if (pcTyped[0] != '\0' &&
        !bConfirmRework(pcTyped, &pstUnit->bRework, &bDeclined, cWhy, sizeof(cWhy)))
        return bDeclined ? vLeaveUnitAlone(pcTyped, cWhy) : vRefuseUnit(pcTyped, cWhy);
    int64_t s64Counter = -1;
    if (!(pcTyped[0] == '\0' && bTakeInterruptedUnit(pstUnit)) &&
        !bTakeSerial(pcTyped, pstUnit->cSerial, sizeof(pstUnit->cSerial), &s64Counter, cWhy,
                     sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    // The line's route check, before anything is written anywhere.
    if (gst_Station.cBeforeUnit[0] != '\0') {
        vShowVerdict("RUNNING", pstUnit->cSerial, RESULT_RUNNING_COLOR);
        if (!bRunBeforeUnit(pstUnit->cSerial, cWhy, sizeof(cWhy)))
            return vRefuseUnit(pstUnit->cSerial, cWhy);
    }
    stStampPlan stPlan;
    vStampPlanFor(pstUnit->cSerial, s64Counter, &stPlan);
    // A refusal writes no row: the images are stamped before the record
    // begins (a counter's serial refused here is not given out again).
    if (!bStampPorts(pstUnit, &stPlan, cWhy, sizeof(cWhy)) ||
        !bBeginRecord(pstUnit, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pstUnit->cSerial, cWhy);
    pstUnit->bStamped = true;
    gs32_UnitRunning = 1;
    vHoldPanel(1);
    vShowVerdict("RUNNING", pstUnit->cSerial, RESULT_RUNNING_COLOR);
    vPostUnitCommands(pstUnit);
}

void vStartUnit(const char *pcTyped)
{
    gb_UnitStarting = true;
    vTryStartUnit(pcTyped);
    gb_UnitStarting = false;
}

void vClosePort(stUnit *pstUnit)
{
    if (pstUnit->s32Current < 0)
        return;
    stUnitPort *pstPort = &pstUnit->stPorts[pstUnit->s32Current];
    // A clean tally is not enough: the port passes only when it was
    // programmed and verified.
    bool bDone = bDeviceTallyPassed(s32ProgramEdid) && bDeviceTallyPassed(s32VerifyEdid);
    pstPort->bPass = gst_DeviceTally.s32Failed == 0 && bDone;
    // A failure without a line of its own still says what failed.
    const char *pcWhy = "";
    if (gst_DeviceTally.s32Failed > 0)
        pcWhy = gst_DeviceTally.cFirstReason[0] ? gst_DeviceTally.cFirstReason : "a step failed";
    else if (!bDone)
        pcWhy = "the port was not programmed and verified";
    snprintf(pstPort->cMessage, sizeof(pstPort->cMessage), "%s", pcWhy);
    pstPort->u32DurationMs = (uint32_t)(u64ClockNowMs() - pstUnit->u64PortStartMs);
    // Each port's row is written as it ends, so a kill later in the unit
    // leaves what was finished on record.
    char cWhy[UNIT_WHY_SIZE];
    if (!bRecFinishPort(pstUnit->s64RecordId, pstPort->cPort, pstPort->bPass ? "pass" : "fail",
                        pstPort->cMessage, pstPort->u32DurationMs, cWhy, sizeof(cWhy)))
        vPrintMsg(" - The unit's record could not be written: %s\n>", cWhy);
}

// The unit's reason is its first port that failed or did not run, and
// what its AfterUnit said when that failed (pcHookWhy, "" when not).
bool bRecordUnit(const stUnit *pstUnit, bool bPass, const char *pcHookWhy, char *pcWhy,
                 size_t whySize)
{
    char cReason[PKG_PORT_NAME_SIZE + UNIT_WHY_SIZE + 32] = "";
    for (int32_t i = 0; i < pstUnit->s32PortCount && !bPass && !cReason[0]; i++)
        if (i > pstUnit->s32Current)
            snprintf(cReason, sizeof(cReason), "port %s did not run", pstUnit->stPorts[i].cPort);
        else if (!pstUnit->stPorts[i].bPass)
            snprintf(cReason, sizeof(cReason), "port %s failed", pstUnit->stPorts[i].cPort);
    if (pcHookWhy[0] != '\0') {
        size_t used = strlen(cReason);
        snprintf(cReason + used, sizeof(cReason) - used, "%s%s", used ? "; " : "", pcHookWhy);
    }
    return bRecFinishUnit(pstUnit->s64RecordId, bPass ? "pass" : "fail", cReason, pcWhy,
                          whySize);
}

} // namespace

int32_t s32UnitPortAction(void)
{
    stUnit *pstUnit = &gst_Unit;
    if (!gs32_UnitRunning || pstUnit->s32Current + 1 >= pstUnit->s32PortCount)
        return 0;
    vClosePort(pstUnit);
    stUnitPort *pstPort = &pstUnit->stPorts[++pstUnit->s32Current];
    vPrintMsg("Unit %s, port %s, display %d (%s) ...\n>", pstUnit->cSerial, pstPort->cPort,
              (int)pstPort->s32Display, pstPort->cDisplayId);
    SetCtrlIndex(s32Main(), MAIN_PORT_LIST, (int)pstPort->u32Port);
    SetCtrlIndex(s32Main(), MAIN_MONITOR_LIST, pstPort->s32ListIndex);
    vPkgUseStampedImage(pstPort->u32Port, pstPort->u8Image, pstPort->s32Amount);
    vResetDeviceTally();
    pstUnit->u64PortStartMs = u64ClockNowMs();
    return 0;
}

int32_t s32UnitEndAction(void)
{
    stUnit *pstUnit = &gst_Unit;
    if (!gs32_UnitRunning)
        return 0;
    vClosePort(pstUnit);
    vPkgUseStampedImage(0, nullptr, 0);
    bool bPass = pstUnit->s32Current + 1 == pstUnit->s32PortCount;
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++)
        bPass = bPass && pstUnit->stPorts[i].bPass;
    char cWhy[UNIT_WHY_SIZE];
    // Its label or upload failing leaves the unit as it is, said and kept.
    char cHookWhy[UNIT_WHY_SIZE] = "";
    if (!bRunAfterUnit(pstUnit->cSerial, bPass, pstUnit->s64RecordId, cHookWhy, sizeof(cHookWhy)))
        vPrintMsg(" - %s\n>", cHookWhy);
    if (!bRecordUnit(pstUnit, bPass, cHookWhy, cWhy, sizeof(cWhy))) {
        vPrintMsg(" - The unit's record could not be written: %s\n>", cWhy);
        bPass = false;
    }
    vSendSpooled();
    gst_UnitOutcome.s32State = bPass ? UNIT_PASSED : UNIT_FAILED;
    gu64_OperatorSeenMs = u64ClockNowMs();
    vPrintMsg("Unit %s : %s\n>", pstUnit->cSerial, bPass ? "Pass" : "Fail");
    char cShown[STAMP_SERIAL_MAX + 32];
    snprintf(cShown, sizeof(cShown), "%.*s%s", STAMP_SERIAL_MAX, pstUnit->cSerial,
             cHookWhy[0] ? "\nAfterUnit failed" : "");
    vShowVerdict(bPass ? "PASS" : "FAIL", cShown, bPass ? RESULT_PASS_COLOR : RESULT_FAIL_COLOR);
    gs32_UnitRunning = 0;
    vHoldPanel(0);
    vGiveFieldTheKeyboard();
    return 0;
}

void vProductionTick(int32_t bBusy)
{
    static int32_t s_bWasBusy = 0;
    // The unit's commands were dropped (the progress window closed): it
    // ends with what ran. A quit leaves it running, for the next start.
    if (gs32_UnitRunning && !bBusy && !bCommandRunning() && gs32_QuitState == QUIT_NONE)
        s32UnitEndAction();
    bool bFree = !bBusy && !gs32_UnitRunning && !gb_UnitStarting && gst_Station.bProduction;
    // The scanner's keys go to the field again once what the operator
    // started (a Refresh, a package read) has run.
    if (s_bWasBusy && bFree)
        SetActiveCtrl(s32Main(), MAIN_UNIT_SERIAL);
    s_bWasBusy = bBusy;
    if (bFree && gst_Station.bRequireOperator && gc_Operator[0] != '\0' && bOperatorIdle()) {
        vPrintMsg("Operator %s signed off after %d minutes without a unit\n>", gc_Operator,
                  (int)gst_Station.s32OperatorIdleMinutes);
        vAskForBadge();
    }
    if (bFree && gb_NextWaiting) {
        char cSerial[sizeof(gc_NextSerial)];
        snprintf(cSerial, sizeof(cSerial), "%s", gc_NextSerial);
        gb_NextWaiting = false;
        vStartUnit(cSerial);
    }
}

namespace {

// One scan waits for the busy station; a second is refused whole, so no
// scan is ever lost without a word, split or joined to another.
void vKeepAsNextUnit(const char *pcTyped)
{
    if (gb_NextWaiting) {
        vPrintMsg("Unit %s refused: unit %s is already waiting; scan it again once that one has "
                  "started\n>",
                  pcScanName(pcTyped), pcScanName(gc_NextSerial));
        return;
    }
    gb_NextWaiting = true;
    snprintf(gc_NextSerial, sizeof(gc_NextSerial), "%s", pcTyped);
    vPrintMsg("Unit %s waits; it starts when the station is free\n>", pcScanName(pcTyped));
    if (gs32_UnitRunning)
        vShowVerdict("RUNNING", gst_Unit.cSerial, RESULT_RUNNING_COLOR);
}

} // namespace

int UnitSerialCallback(int, int, int event, void *, int, int)
{
    // The field takes every key as typed.
    if (event == EVENT_KEYPRESS)
        return 1;
    if (event != EVENT_COMMIT || !gst_Station.bProduction)
        return 0;
    // Only what is typed between two Enters is a serial: the field is
    // emptied as its Enter is taken, never later.
    char cTyped[sizeof(gc_NextSerial)] = "";
    GetCtrlVal(s32Main(), MAIN_UNIT_SERIAL, cTyped);
    SetCtrlVal(s32Main(), MAIN_UNIT_SERIAL, "");
    // A scanner's stray Enter on the empty field starts nothing.
    if (cTyped[0] == '\0' && gst_Station.s32SerialSource != STATION_SOURCE_COUNTER)
        return 0;
    if (gb_UnitStarting || gs32_UnitRunning || bCommandRunning() ||
        s32WaitingCommandCount() > 0 || gb_NextWaiting)
        vKeepAsNextUnit(cTyped);
    else
        vStartUnit(cTyped);
    return 0;
}

bool bLastUnitImage(uint32_t u32Port, const uint8_t **ppu8Image, uint32_t *pu32Length,
                    const char **ppcSerial)
{
    const stUnit *pstUnit = &gst_Unit;
    for (int32_t i = 0; pstUnit->bStamped && i < pstUnit->s32PortCount; i++) {
        const stUnitPort *pstPort = &pstUnit->stPorts[i];
        if (pstPort->u32Port != u32Port)
            continue;
        *ppu8Image = pstPort->u8Image;
        *pu32Length = (uint32_t)pstPort->s32Amount;
        *ppcSerial = pstUnit->cSerial;
        return true;
    }
    return false;
}

void vSetUnitOperator(const char *pcBadge)
{
    snprintf(gc_Operator, sizeof(gc_Operator), "%s", pcBadge);
    gu64_OperatorSeenMs = u64ClockNowMs();
}

const char *pcStationName(void)
{
    if (gst_Station.cStation[0] != '\0')
        return gst_Station.cStation;
    if (gc_HostName[0] == '\0' && !s32ProcHostName(gc_HostName, sizeof(gc_HostName)))
        snprintf(gc_HostName, sizeof(gc_HostName), "station");
    return gc_HostName;
}

namespace {

// A file of the program's folder; a path that does not fit is cut, and so
// names no file that could be opened.
void vInProgramDir(const char *pcName, char *pcPath, size_t size)
{
    char cDir[TEXT_BUF_SIZE];
    GetProjectDir(cDir, sizeof(cDir));
    size_t used = (size_t)snprintf(pcPath, size, "%s", cDir);
    if (used < size)
        snprintf(pcPath + used, size - used, UI_PATH_SEP "%s", pcName);
}

} // namespace

void vStationFilePath(char *pcPath, size_t size)
{
    vInProgramDir(STATION_FILE_NAME, pcPath, size);
}

void vRecordsFilePath(char *pcPath, size_t size)
{
    // "odbc:" and a connection string name the line's server.
    if (bFsIsAbsolute(gst_Station.cRecords) || strncmp(gst_Station.cRecords, "odbc:", 5) == 0)
        snprintf(pcPath, size, "%s", gst_Station.cRecords);
    else
        vInProgramDir(gst_Station.cRecords, pcPath, size);
}

namespace {

// Each port the unit had not finished, with its display, which may now hold
// a half-written EDID.
void vSayInterrupted(int32_t s32Interrupted)
{
    if (s32Interrupted > 1)
        vPrintMsg(" - %d unit(s) of the record were interrupted before their end\n>",
                  (int)s32Interrupted);
    vPrintMsg(" - Unit %s was interrupted before its end\n>", gst_Interrupted.cSerial);
    for (int32_t i = 0; i < gst_Interrupted.s32PortCount; i++)
        if (!gst_Interrupted.stPorts[i].bFinished)
            vPrintMsg(" - Port %s was not finished: display %d may hold a half-written EDID\n>",
                      gst_Interrupted.stPorts[i].cPort, (int)gst_Interrupted.stPorts[i].s32Display);
    // A unit of an older record has no port rows to stamp it again from.
    if (gst_Station.s32SerialSource == STATION_SOURCE_COUNTER && gst_Interrupted.s32PortCount > 0)
        vPrintMsg(" - Enter on the empty field offers to program it again as %s (a re-work)\n>",
                  gst_Interrupted.cSerial);
}

void vShowInterrupted(void)
{
    if (gst_Interrupted.s64Id == 0 || !gst_Station.bProduction)
        return;
    char cPorts[REC_PORTS_MAX * (REC_NAME_SIZE + 2)];
    vUnfinishedPorts(cPorts, sizeof(cPorts));
    char cText[sizeof(cPorts) + 64];
    snprintf(cText, sizeof(cText), "INTERRUPTED\n%s\nnot finished: %s", gst_Interrupted.cSerial,
             cPorts[0] ? cPorts : "-");
    vShowResult(cText, RESULT_FAIL_COLOR);
}

// A station without a record's id yet (a new one, or one from before ids)
// keeps the id of the record it made or adopted.
bool bRememberRecord(const stRecIdentity *pstIdentity, char *pcWhy, size_t whySize)
{
    // Without the mode (an export) no station file is made or changed.
    if (!gst_Station.bProduction || strcmp(pstIdentity->cId, gst_Station.cRecordId) == 0)
        return true;
    char cPath[TEXT_BUF_SIZE];
    vStationFilePath(cPath, sizeof(cPath));
    if (bNoteStationRecord(cPath, &gst_Station, pstIdentity->cId,
                           (uint64_t)pstIdentity->s64LastUnit, pcWhy, whySize))
        return true;
    vRecClose();
    return false;
}

} // namespace

namespace {

// A server slow to answer: the window is painted meanwhile; nothing else
// runs, so no click starts another unit under the waiting one.
void vPaintWhileWaiting(void)
{
    ProcessDrawEvents();
}

} // namespace

bool bOpenUnitRecord(char *pcWhy, size_t whySize)
{
    gb_RecordNotThis = false;
    if (bRecIsOpen())
        return true;
    char cPath[TEXT_BUF_SIZE];
    vRecordsFilePath(cPath, sizeof(cPath));
    stRecIdentity stIdentity = {};
    snprintf(stIdentity.cId, sizeof(stIdentity.cId), "%s", gst_Station.cRecordId);
    stIdentity.s64LastUnit = (int64_t)gst_Station.u64LastUnit;
    int32_t s32Interrupted = 0;
    vRecSetStation(pcStationName());
    vRecSetWaitPump(vPaintWhileWaiting);
    char cSpool[TEXT_BUF_SIZE];
    vInProgramDir(SPOOL_FILE_NAME, cSpool, sizeof(cSpool));
    vRecSetSpool(cSpool);
    bool bOpen = bRecOpen(cPath, &stIdentity, &s32Interrupted, pcWhy, whySize);
    gb_RecordNotThis = stIdentity.bNotThis;
    if (!bOpen || !bRememberRecord(&stIdentity, pcWhy, whySize))
        return false;
    gst_Interrupted = *pstRecInterrupted();
    if (s32Interrupted > 0)
        vSayInterrupted(s32Interrupted);
    return true;
}

void vOpenRecordOrSay(void)
{
    char cWhy[REC_WHY_MAX];
    if (!gst_Station.bProduction || bOpenUnitRecord(cWhy, sizeof(cWhy)))
        return;
    if (!gb_RecordNotThis) {
        vPrintMsg(" - The unit record cannot be opened: %s\n>", cWhy);
        return;
    }
    // A record lost or replaced would let serials pass again and hide the
    // units in it: the station stops until someone looks.
    vPrintMsg(" - The unit record cannot be used: %s; the production mode is off\n>", cWhy);
    gst_Station.bProduction = 0;
    gs32_ProductionHalted = 1;
}

void vShapeProductionMode(int32_t bOn)
{
    static const int32_t s32UnitControls[] = {MAIN_UNIT_SERIAL_LABEL, MAIN_UNIT_SERIAL,
                                              MAIN_UNIT_RESULT};
    for (int32_t s32Control : s32UnitControls)
        SetCtrlAttribute(s32Main(), s32Control, ATTR_VISIBLE, bOn ? 1 : 0);
    SetCtrlAttribute(s32Main(), MAIN_START_BTN, ATTR_VISIBLE, bOn ? 0 : 1);
    SetPanelKeyboardHome(s32Main(), bOn ? MAIN_UNIT_SERIAL : 0);
    vLockUnitFunctions(bOn);
    vLockPackageChoice();
    gb_NextWaiting = false;
    if (!bOn)
        return;
    gc_Operator[0] = '\0';
    if (gst_Station.bRequireOperator)
        vAskForBadge();
    else
        vShowResult("READY", RESULT_READY_COLOR);
    SetCtrlVal(s32Main(), MAIN_UNIT_SERIAL, "");
    vGiveFieldTheKeyboard();
}

void vApplyWriteMode(void)
{
    gs32_FastWrites = gst_Station.s32WriteMode == STATION_WRITE_FAST;
    // Without countdowns the timer only starts what was posted: a short tick
    // starts it at once.
    SetCtrlAttribute(s32Main(), MAIN_TIMER, ATTR_INTERVAL,
                     gs32_FastWrites ? FAST_TICK_MS : CMD_DELAY_STEP);
}

void vLoadStation(void)
{
    // Without its folder the program has no station; that line is said.
    if (GetProjectDirError(nullptr, 0))
        return;
    char cPath[TEXT_BUF_SIZE];
    vStationFilePath(cPath, sizeof(cPath));
    char cWhy[STATION_WHY_MAX];
    vRecClose();
    gs32_ProductionHalted = 0;
    if (!bReadStationFile(cPath, &gst_Station, cWhy, sizeof(cWhy))) {
        vPrintMsg(" - %s; the production mode is off\n>", cWhy);
        gs32_ProductionHalted = 1;
    }
    vApplyWriteMode();
    memset(&gst_Interrupted, 0, sizeof(gst_Interrupted));
    vOpenRecordOrSay();
    vShapeProductionMode(gst_Station.bProduction);
    vShowInterrupted();
}

void vExportRecords(void)
{
    char cPath[TEXT_BUF_SIZE] = "";
    int s32Result = FileSelectPopup(gu8str_LastDir, "*.csv", "*.csv", "Export records",
                                    VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath, sizeof(cPath));
    if (s32Result != VAL_EXISTING_FILE_SELECTED && s32Result != VAL_NEW_FILE_SELECTED)
        return;
    vPrintMsg("Exporting the unit records ...\n>");
    char cWhy[REC_WHY_MAX] = "";
    if (bOpenUnitRecord(cWhy, sizeof(cWhy)) && bRecExportCsv(cPath, cWhy, sizeof(cWhy))) {
        if (bRecOnlySpool())
            vPrintMsg(" - The line's server is away: only this station's spool was exported\n>");
        vPrintMsg(" - Pass\n>");
        return;
    }
    if (cWhy[0] != '\0')
        vPrintMsg(" - %s\n>", cWhy);
    vPrintMsg(" - Fail\n>");
}
