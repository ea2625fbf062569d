#include "app/production.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "device/ddc_start.h"
#include "device/device_command.h"
#include "device/edid_bus.h"
#include "files/edid_image.h"
#include "files/edid_stamp.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/clock/PlatformClock.h"
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

int32_t gs32_UnitRunning = 0;
stUnitOutcome gst_UnitOutcome;

namespace {

struct stUnitPort {
    uint32_t u32Port;
    char cPort[PKG_PORT_NAME_SIZE + 1];
    int32_t s32Display;                     // position in the Displays list, from 1
    char cDisplayId[MONITOR_ID_SIZE + 16];
    uint8_t u8Image[PKG_FILE_SIZE];
    int32_t s32Amount;
    char cSha256[REC_SHA256_HEX_SIZE];
    bool bPass;
    char cMessage[DEVICE_REASON_SIZE];
    uint32_t u32DurationMs;
};

struct stUnit {
    char cSerial[STAMP_SERIAL_MAX + 1];
    bool bRework;
    int64_t s64RecordId;
    stUnitPort stPorts[STATION_MAP_MAX];
    int32_t s32PortCount;
    int32_t s32Current;       // the port whose commands run; -1 before the first
    uint64_t u64PortStartMs;
};

stUnit gst_Unit;
char gc_HostName[STATION_TEXT_MAX + 1] = "";

int32_t s32Main(void) { return gst_UiHandles.s32MainPanel; }

// A training station says so on every result it shows.
void vShowResult(const char *pcText, int32_t s32Color)
{
    char cText[STAMP_SERIAL_MAX + 64];
    snprintf(cText, sizeof(cText), "%s%s", gst_Station.bSimulated ? "TRAINING " : "", pcText);
    SetCtrlVal(s32Main(), MAIN_UNIT_RESULT, cText);
    SetCtrlAttribute(s32Main(), MAIN_UNIT_RESULT, ATTR_TEXT_BGCOLOR, s32Color);
}

void vShowVerdict(const char *pcVerdict, const char *pcSerial, int32_t s32Color)
{
    char cText[STAMP_SERIAL_MAX + 32];
    snprintf(cText, sizeof(cText), "%s\n%s", pcVerdict, pcSerial);
    vShowResult(cText, s32Color);
}

// The panel's choices stay as the unit found them while its commands run.
void vHoldPanel(int32_t bHold)
{
    static const int32_t s32Held[] = {MAIN_PORT_LIST,    MAIN_MONITOR_LIST, MAIN_REFRESH_BTN,
                                      MAIN_PKG_BROWSE,   MAIN_DDC_SPEED,    MAIN_FUNC_ERASE,
                                      MAIN_FUNC_PROGRAM, MAIN_FUNC_VERIFY,  MAIN_PRODUCTION_BTN};
    for (int32_t s32Control : s32Held)
        SetCtrlAttribute(s32Main(), s32Control, ATTR_DIMMED, bHold);
}

void vGiveFieldTheKeyboard(void)
{
    SetCtrlVal(s32Main(), MAIN_UNIT_SERIAL, "");
    SetActiveCtrl(s32Main(), MAIN_UNIT_SERIAL);
}

void vRefuseUnit(const char *pcSerial, const char *pcWhy)
{
    if (gst_UnitOutcome.s32State != UNIT_STARTED)
        gst_UnitOutcome = {UNIT_REFUSED, "", 0, 0, 0, 0};
    else
        gst_UnitOutcome.s32State = UNIT_FAILED;
    snprintf(gst_UnitOutcome.cSerial, sizeof(gst_UnitOutcome.cSerial), "%s", pcSerial);
    vPrintMsg("Unit %s refused: %s\n>", pcSerial[0] ? pcSerial : "(no serial)", pcWhy);
    vShowVerdict("FAIL", pcSerial, RESULT_FAIL_COLOR);
    vGiveFieldTheKeyboard();
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
// mapped display in the list; false with the reason.
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
    int s32Displays = 0;
    GetNumListItems(s32Main(), MAIN_MONITOR_LIST, &s32Displays);
    for (int32_t i = 0; i < gst_Station.s32MapCount; i++) {
        const stStationMapEntry *pstEntry = &gst_Station.stMap[i];
        stUnitPort *pstPort = &pstUnit->stPorts[i];
        memset(pstPort, 0, sizeof(*pstPort));
        uint32_t u32Offset = 0, u32Length = 0;
        if (!bFindPackagePort(pstEntry->cPort, &pstPort->u32Port) ||
            !bPkgPortImage(gu8_PkgBuffer, pstPort->u32Port, &u32Offset, &u32Length)) {
            snprintf(pcWhy, whySize, "the package has no port %s", pstEntry->cPort);
            return false;
        }
        if (u32Length < EDID_BLOCK_BYTES || u32Length > sizeof(pstPort->u8Image)) {
            snprintf(pcWhy, whySize, "the image of port %s has %u bytes", pstEntry->cPort,
                     u32Length);
            return false;
        }
        if (pstEntry->s32Display < 1 || pstEntry->s32Display > s32Displays) {
            snprintf(pcWhy, whySize, "display %d of the map is not in the Displays list (%d listed)",
                     (int)pstEntry->s32Display, s32Displays);
            return false;
        }
        snprintf(pstPort->cPort, sizeof(pstPort->cPort), "%s", pstEntry->cPort);
        pstPort->s32Display = pstEntry->s32Display;
        GetLabelFromIndex(s32Main(), MAIN_MONITOR_LIST, pstEntry->s32Display - 1,
                          pstPort->cDisplayId, sizeof(pstPort->cDisplayId));
        memcpy(pstPort->u8Image, gu8_PkgBuffer + u32Offset, u32Length);
        pstPort->s32Amount = (int32_t)u32Length;
    }
    pstUnit->s32PortCount = gst_Station.s32MapCount;
    return true;
}

bool bAnyFunctionTicked(void)
{
    stStartFunctions stFunctions;
    vGetStartFunctions(&stFunctions);
    return stFunctions.s32Erase + stFunctions.s32Program + stFunctions.s32Verify != 0;
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
    if (!bTakeCounterSerial(cPath, &gst_Station, pcSerial, size, &u64Number, pcWhy, whySize))
        return false;
    *ps64Counter = (int64_t)u64Number;
    return true;
}

// A serial recorded as passed is programmed again only when the operator
// says so.
bool bConfirmRework(const char *pcSerial, bool *pbRework, char *pcWhy, size_t whySize)
{
    bool bPassed = false;
    *pbRework = false;
    if (!bRecSerialPassed(pcSerial, &bPassed, pcWhy, whySize))
        return false;
    if (!bPassed)
        return true;
    char cQuestion[STAMP_SERIAL_MAX + 128];
    snprintf(cQuestion, sizeof(cQuestion),
             "Unit %s has already passed. Program it again (a re-work)?", pcSerial);
    if (!ConfirmPopup("Re-work", cQuestion)) {
        snprintf(pcWhy, whySize, "it has already passed and was not programmed again");
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

// *pstFirst gets what the first image holds afterwards: stamped, or its own
// numbers when the plan could not be stamped into it.
bool bStampPorts(stUnit *pstUnit, const stStampPlan *pstPlan, stStampResult *pstFirst,
                 char *pcWhy, size_t whySize)
{
    stEdidIdentity stOwn;
    vEdidIdentityOf(pstUnit->stPorts[0].u8Image, (uint32_t)pstUnit->stPorts[0].s32Amount, &stOwn);
    *pstFirst = {stOwn.u32Serial, stOwn.s32Week, stOwn.s32Year, stOwn.bSerialDescriptor};
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++) {
        stUnitPort *pstPort = &pstUnit->stPorts[i];
        stStampResult stResult;
        if (!bStampEdid(pstPort->u8Image, (uint32_t)pstPort->s32Amount, pstPlan, &stResult,
                        pcWhy, whySize))
            return false;
        if (i == 0)
            *pstFirst = stResult;
        vRecSha256Hex(pstPort->u8Image, (size_t)pstPort->s32Amount, pstPort->cSha256);
    }
    return true;
}

// The record holds the numbers the first image got.
bool bBeginRecord(stUnit *pstUnit, const stStampResult *pstFirst, char *pcWhy, size_t whySize)
{
    char cPackagePath[TEXT_BUF_SIZE];
    char cChecksum[32] = "";
    snprintf(cPackagePath, sizeof(cPackagePath), "%s", gu8str_PkgFilePath);
    GetCtrlVal(s32Main(), MAIN_PKG_CHECKSUM, cChecksum);
    stRecUnit stRecord = {pcStationName(),    pstUnit->cSerial, pstFirst->u32NumericSerial,
                          pstFirst->s32Week,  pstFirst->s32Year, cPackagePath,
                          cChecksum,          pstUnit->bRework ? 1 : 0};
    if (!bRecBeginUnit(&stRecord, &pstUnit->s64RecordId, pcWhy, whySize))
        return false;
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
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++) {
        vPostCommand(CMD_UNIT_PORT, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
        vPostStartSequence(&stFunctions);
    }
    vPostCommand(CMD_UNIT_END, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
}

void vFinishFailedStart(stUnit *pstUnit, const char *pcWhy)
{
    char cWhy[UNIT_WHY_SIZE];
    bRecFinishUnit(pstUnit->s64RecordId, "fail", nullptr, 0, cWhy, sizeof(cWhy));
    vRefuseUnit(pstUnit->cSerial, pcWhy);
}

void vStartUnit(const char *pcTyped)
{
    gst_UnitOutcome = {UNIT_NONE, "", 0, 0, 0, 0};
    stUnit *pstUnit = &gst_Unit;
    memset(pstUnit, 0, sizeof(*pstUnit));
    pstUnit->s32Current = -1;
    char cWhy[UNIT_WHY_SIZE] = "";
    if (pcTyped[0] != '\0' && !bCheckUnitSerial(pcTyped, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    if (!bAnyFunctionTicked())
        return vRefuseUnit(pcTyped, "tick Erase, Program or Verify");
    if (gu32_SimulatedOutputs && !gst_Station.bSimulated)
        return vRefuseUnit(pcTyped, "the displays are simulated; Simulated = 1 in Station.ini "
                                    "runs units on them for training");
    if (!bPlanPorts(pstUnit, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    if (!bOpenUnitRecord(cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    if (pcTyped[0] != '\0' && !bConfirmRework(pcTyped, &pstUnit->bRework, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    int64_t s64Counter = -1;
    if (!bTakeSerial(pcTyped, pstUnit->cSerial, sizeof(pstUnit->cSerial), &s64Counter, cWhy,
                     sizeof(cWhy)))
        return vRefuseUnit(pcTyped, cWhy);
    stStampPlan stPlan;
    vStampPlanFor(pstUnit->cSerial, s64Counter, &stPlan);
    // The serial is used up now: a unit whose images cannot be stamped is
    // recorded as failed.
    stStampResult stFirst;
    char cStampWhy[STAMP_WHY_MAX] = "";
    bool bStamped = bStampPorts(pstUnit, &stPlan, &stFirst, cStampWhy, sizeof(cStampWhy));
    if (!bBeginRecord(pstUnit, &stFirst, cWhy, sizeof(cWhy)))
        return vRefuseUnit(pstUnit->cSerial, cWhy);
    if (!bStamped)
        return vFinishFailedStart(pstUnit, cStampWhy);
    gs32_UnitRunning = 1;
    vHoldPanel(1);
    vShowVerdict("RUNNING", pstUnit->cSerial, RESULT_RUNNING_COLOR);
    vPostUnitCommands(pstUnit);
}

void vClosePort(stUnit *pstUnit)
{
    if (pstUnit->s32Current < 0)
        return;
    stUnitPort *pstPort = &pstUnit->stPorts[pstUnit->s32Current];
    pstPort->bPass = gst_DeviceTally.s32Run > 0 && gst_DeviceTally.s32Failed == 0;
    snprintf(pstPort->cMessage, sizeof(pstPort->cMessage), "%s",
             pstPort->bPass ? "" : gst_DeviceTally.cFirstReason);
    pstPort->u32DurationMs = (uint32_t)(u64ClockNowMs() - pstUnit->u64PortStartMs);
}

bool bRecordUnit(const stUnit *pstUnit, bool bPass, char *pcWhy, size_t whySize)
{
    stRecPort stRows[STATION_MAP_MAX];
    for (int32_t i = 0; i < pstUnit->s32PortCount; i++) {
        const stUnitPort *pstPort = &pstUnit->stPorts[i];
        stRows[i] = {pstPort->cPort,    pstPort->s32Display, pstPort->cDisplayId,
                     pstPort->cSha256,  pstPort->bPass ? "pass" : "fail",
                     pstPort->cMessage, pstPort->u32DurationMs};
    }
    return bRecFinishUnit(pstUnit->s64RecordId, bPass ? "pass" : "fail", stRows,
                          pstUnit->s32PortCount, pcWhy, whySize);
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
    SetCtrlIndex(s32Main(), MAIN_MONITOR_LIST, pstPort->s32Display - 1);
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
    if (!bRecordUnit(pstUnit, bPass, cWhy, sizeof(cWhy))) {
        vPrintMsg(" - The unit's record could not be written: %s\n>", cWhy);
        bPass = false;
    }
    gst_UnitOutcome.s32State = bPass ? UNIT_PASSED : UNIT_FAILED;
    vPrintMsg("Unit %s : %s\n>", pstUnit->cSerial, bPass ? "Pass" : "Fail");
    vShowVerdict(bPass ? "PASS" : "FAIL", pstUnit->cSerial,
                 bPass ? RESULT_PASS_COLOR : RESULT_FAIL_COLOR);
    gs32_UnitRunning = 0;
    vHoldPanel(0);
    vGiveFieldTheKeyboard();
    return 0;
}

void vProductionTick(int32_t bBusy)
{
    static int32_t s_bWasBusy = 0;
    // The scanner's keys go to the field again once what the operator
    // started (a Refresh, a package read) has run.
    if (s_bWasBusy && !bBusy && gst_Station.bProduction && !gs32_UnitRunning)
        SetActiveCtrl(s32Main(), MAIN_UNIT_SERIAL);
    s_bWasBusy = bBusy;
}

int UnitSerialCallback(int, int, int event, void *, int, int)
{
    // The field takes every key as typed.
    if (event == EVENT_KEYPRESS)
        return 1;
    if (event != EVENT_COMMIT || !gst_Station.bProduction)
        return 0;
    if (gs32_UnitRunning || gs32_CommandRunning || s32WaitingCommandCount() > 0) {
        vPrintMsg(" - The station is busy; enter the serial again when the result shows\n>");
        return 0;
    }
    char cTyped[STAMP_SERIAL_MAX * 4 + 8] = "";
    GetCtrlVal(s32Main(), MAIN_UNIT_SERIAL, cTyped);
    // A scanner's stray Enter on the empty field starts nothing.
    if (cTyped[0] == '\0' && gst_Station.s32SerialSource != STATION_SOURCE_COUNTER)
        return 0;
    vStartUnit(cTyped);
    return 0;
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
    if (gst_Station.cRecords[0] == '/')
        snprintf(pcPath, size, "%s", gst_Station.cRecords);
    else
        vInProgramDir(gst_Station.cRecords, pcPath, size);
}

bool bOpenUnitRecord(char *pcWhy, size_t whySize)
{
    if (bRecIsOpen())
        return true;
    char cPath[TEXT_BUF_SIZE];
    vRecordsFilePath(cPath, sizeof(cPath));
    int32_t s32Interrupted = 0;
    if (!bRecOpen(cPath, &s32Interrupted, pcWhy, whySize))
        return false;
    if (s32Interrupted > 0)
        vPrintMsg(" - %d unit(s) of the record were interrupted before their end\n>",
                  (int)s32Interrupted);
    return true;
}

void vOpenRecordOrSay(void)
{
    char cWhy[REC_WHY_MAX];
    if (gst_Station.bProduction && !bOpenUnitRecord(cWhy, sizeof(cWhy)))
        vPrintMsg(" - The unit record cannot be opened: %s\n>", cWhy);
}

void vShapeProductionMode(int32_t bOn)
{
    static const int32_t s32UnitControls[] = {MAIN_UNIT_SERIAL_LABEL, MAIN_UNIT_SERIAL,
                                              MAIN_UNIT_RESULT};
    for (int32_t s32Control : s32UnitControls)
        SetCtrlAttribute(s32Main(), s32Control, ATTR_VISIBLE, bOn ? 1 : 0);
    SetCtrlAttribute(s32Main(), MAIN_START_BTN, ATTR_VISIBLE, bOn ? 0 : 1);
    if (!bOn)
        return;
    vShowResult("READY", RESULT_READY_COLOR);
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
    if (!bReadStationFile(cPath, &gst_Station, cWhy, sizeof(cWhy)))
        vPrintMsg(" - %s; the production mode is off\n>", cWhy);
    vApplyWriteMode();
    vOpenRecordOrSay();
    vShapeProductionMode(gst_Station.bProduction);
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
        vPrintMsg(" - Pass\n>");
        return;
    }
    if (cWhy[0] != '\0')
        vPrintMsg(" - %s\n>", cWhy);
    vPrintMsg(" - Fail\n>");
}
