#include "cli/cli_run.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "app/production.h"
#include "cli/cli_report.h"
#include "device/device_command.h"
#include "device/monitor_detect.h"
#include "files/edid_stamp.h"
#include "files/msg_log.h"
#include "files/edid_image.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/process/process.h"
#include "platform/userint/userint.h"
#include "platform/userint/userint_batch.h"
#include "ui/Pavimo.h"

#include <stdlib.h>
#include <string.h>

namespace {

const stCliOptions *gpst_Options = nullptr;
int32_t gs32_StopSignal = 0;
// Commands were left unrun by a quit signal.
int32_t gb_Stopped = 0;
// Device commands of this run, by their own results.
int32_t gs32_DeviceRun = 0;
int32_t gs32_DeviceFailed = 0;

int32_t s32Main(void) { return gst_UiHandles.s32MainPanel; }

void vTakeSignals(void *)
{
    int32_t s32Signal;
    while ((s32Signal = s32ProcTakeQuitSignal()) != 0) {
        if (gs32_StopSignal != 0)
            continue;
        gs32_StopSignal = s32Signal;
        vReportSay("%s: stopping after the running command", pcProcSignalName(s32Signal));
    }
}

// The save dialog of a read is answered with -o; no other dialog has an
// answer.
int s32AnswerFile(const stUiFileRequest *, char *pcPath, size_t size, void *)
{
    if (gpst_Options->cOutput[0] == '\0')
        return VAL_NO_FILE_SELECTED;
    long lSize = 0;
    bool bExists = GetFileInfo(gpst_Options->cOutput, &lSize) == 1;
    snprintf(pcPath, size, "%s", gpst_Options->cOutput);
    return bExists ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

void vTellPopup(const char *pcTitle, const char *pcMessage, void *)
{
    vReportSay("%s: %s", pcTitle, pcMessage);
}

// A serial that already passed is programmed again only with --rework.
int s32AnswerConfirm(const char *, const char *pcMessage, void *)
{
    vReportSay("%s %s", pcMessage, gpst_Options->bRework ? "Yes (--rework)" : "No (no --rework)");
    return gpst_Options->bRework ? 1 : 0;
}

void vIgnoreTextWindow(const char *, const char *, void *) {}

void vAnswerDialogs(bool bOn)
{
    vUiSetFileResponder(bOn ? s32AnswerFile : nullptr, nullptr);
    vUiSetMessageResponder(bOn ? vTellPopup : nullptr, nullptr);
    vUiSetConfirmResponder(bOn ? s32AnswerConfirm : nullptr, nullptr);
    vUiSetTextWindowResponder(bOn ? vIgnoreTextWindow : nullptr, nullptr);
}

bool bLockFolder(void)
{
    char cDir[TEXT_BUF_SIZE];
    GetProjectDir(cDir, sizeof(cDir));
    int32_t s32Holder = 0;
    char cWhy[TEXT_BUF_SIZE];
    int32_t s32Lock = s32ProcLockFolder(cDir, &s32Holder, cWhy, sizeof(cWhy));
    if (s32Lock == PROC_LOCK_FAILED)
        vReportSay("cannot lock the folder %s (%s); this copy does not run on it", cDir, cWhy);
    if (s32Lock == PROC_LOCK_HELD)
        vRemoveSaveLeftovers(cDir);
    if (s32Lock != PROC_LOCK_TAKEN)
        return s32Lock == PROC_LOCK_HELD;
    vReportSay("another copy of Tavolin (process %d) is using the folder %s; try again when it "
               "has ended",
               (int)s32Holder, cDir);
    return false;
}

bool bUsesPackage(void)
{
    int32_t s32Cmd = gpst_Options->s32Command;
    return s32Cmd == CLI_CMD_PROGRAM || s32Cmd == CLI_CMD_VERIFY || s32Cmd == CLI_CMD_UNIT;
}

// The start-up reads the settings' package whatever the command; only a
// command that uses a package is failed by it.
int32_t bCounted(int32_t s32CmdId) { return s32CmdId != CMD_CHECK_PKG_INFO || bUsesPackage(); }

// A device command counts itself in the tally, whatever it printed; a unit
// ends with its own verdict. Other commands are judged by their lines.
int32_t s32CommandVerdict(int32_t s32CmdId, int32_t s32RunBefore, int32_t s32FailedBefore)
{
    if (s32CmdId == CMD_UNIT_END && gst_UnitOutcome.s32State >= UNIT_STARTED)
        return gst_UnitOutcome.s32State == UNIT_PASSED ? STEP_PASS : STEP_FAIL;
    if (gst_DeviceTally.s32Run <= s32RunBefore)
        return STEP_NONE;
    gs32_DeviceRun++;
    if (gst_DeviceTally.s32Failed <= s32FailedBefore)
        return STEP_PASS;
    gs32_DeviceFailed++;
    return STEP_FAIL;
}

void vRunRing(void)
{
    while (s32QueueState() != QUEUE_IDLE) {
        ProcessSystemEvents();
        vTakeSignals(nullptr);
        if (gs32_StopSignal != 0) {
            vClearCommandQueue();
            gb_Stopped = 1;
            return;
        }
        int32_t s32CmdId = s32WaitingCommandAt(0);
        int32_t s32RunBefore = gst_DeviceTally.s32Run;
        int32_t s32FailedBefore = gst_DeviceTally.s32Failed;
        if (s32DispatchCommand() >= DISPATCH_RAN)
            vReportEndStep(s32CmdId, bCounted(s32CmdId),
                           s32CommandVerdict(s32CmdId, s32RunBefore, s32FailedBefore));
    }
}

// What the command line changes before the start-up's commands run.
void vApplyOptions(void)
{
    const stCliOptions &o = *gpst_Options;
    if (o.cPackage[0] != '\0') {
        SetCtrlVal(s32Main(), MAIN_PKG_PATH, o.cPackage);
        snprintf(gu8str_PkgFilePath, sizeof(gu8str_PkgFilePath), "%s", o.cPackage);
    }
    if (o.s32SpeedIndex >= 0)
        SetCtrlVal(s32Main(), MAIN_DDC_SPEED, o.s32SpeedIndex);
    if (o.s32Writes != CLI_WRITES_STATION) {
        gst_Station.s32WriteMode =
            o.s32Writes == CLI_WRITES_FAST ? STATION_WRITE_FAST : STATION_WRITE_PACED;
        vApplyWriteMode();
    }
    // The commands run from here, not from the panel's timer.
    SetCtrlAttribute(s32Main(), MAIN_TIMER, ATTR_ENABLED, 0);
}

// The library started when its start-up got as far as the detection.
bool bLibraryStarted(void)
{
    return s32ReportLastVerdict(CMD_INIT_DDC) != STEP_FAIL ||
           bReportLastStepHas(CMD_INIT_DDC, "Detecting monitor ...");
}

int32_t s32SelectDisplay(void)
{
    int s32Count = 0;
    GetNumListItems(s32Main(), MAIN_MONITOR_LIST, &s32Count);
    if (gpst_Options->s32Display > s32Count) {
        vReportSay("no display %d: %d display%s found", (int)gpst_Options->s32Display,
                   s32Count, s32Count == 1 ? " was" : "s were");
        return CLI_EXIT_NO_START;
    }
    SetCtrlIndex(s32Main(), MAIN_MONITOR_LIST, gpst_Options->s32Display - 1);
    return CLI_EXIT_PASS;
}

// A port by its name in the list, else by its number from 1. An empty list
// (no package read) selects nothing: the package's own checks say why.
int32_t s32SelectPort(void)
{
    int s32Count = 0;
    GetNumListItems(s32Main(), MAIN_PORT_LIST, &s32Count);
    if (s32Count == 0)
        return CLI_EXIT_PASS;
    char cNames[TEXT_BUF_SIZE] = "";
    size_t used = 0;
    for (int i = 0; i < s32Count; i++) {
        char cLabel[CLI_PORT_SIZE] = "";
        GetLabelFromIndex(s32Main(), MAIN_PORT_LIST, i, cLabel, sizeof(cLabel));
        if (strcmp(cLabel, gpst_Options->cPort) == 0)
            return SetCtrlIndex(s32Main(), MAIN_PORT_LIST, i), CLI_EXIT_PASS;
        used += (size_t)snprintf(cNames + used, used < sizeof(cNames) ? sizeof(cNames) - used : 0,
                                 "%s%s", i ? ", " : "", cLabel);
        if (used >= sizeof(cNames))
            used = sizeof(cNames) - 1;
    }
    char *pcEnd = nullptr;
    long lNumber = strtol(gpst_Options->cPort, &pcEnd, 10);
    if (*pcEnd == '\0' && lNumber >= 1 && lNumber <= s32Count) {
        SetCtrlIndex(s32Main(), MAIN_PORT_LIST, (int)lNumber - 1);
        return CLI_EXIT_PASS;
    }
    vReportSay("the package has no port \"%s\"; its ports are %s (or their numbers 1 to %d)",
               gpst_Options->cPort, cNames, s32Count);
    return CLI_EXIT_USAGE;
}

void vPostStart(int32_t bErase, int32_t bProgram, int32_t bVerify)
{
    stStartFunctions stFunctions = {bErase, bVerify, bProgram, 0, 0};
    vPostStartSequence(&stFunctions);
}

void vPost(int32_t s32CmdId)
{
    vPostCommand(s32CmdId, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
}

// Pages as the EDID block 0 read at the detection declares them; a block
// that is no EDID block (a blank memory) declares nothing: one page.
int32_t s32DeclaredPages(void)
{
    const uint8_t *pu8Block = gst_MonitorInfo[gpst_Options->s32Display - 1].u8EdidBuf;
    uint32_t u32BadOffset = 0;
    uint32_t u32Detail = 0;
    bool bEdid = s32CheckEdidImage(pu8Block, EDID_BLOCK_SIZE, &u32BadOffset, &u32Detail) !=
                     EDID_IMAGE_HEADER &&
                 u32EdidBlockSum(pu8Block, 0) == 0;
    int32_t s32Pages = bEdid ? pu8Block[EDID_EXT_COUNT] + 1 : 1;
    return s32Pages > PAGE_NUM_MAX ? PAGE_NUM_MAX : s32Pages;
}

void vPostRead(void)
{
    const stCliOptions &o = *gpst_Options;
    SetCtrlVal(s32Main(), MAIN_PAGE_NUM, o.s32Pages ? o.s32Pages : s32DeclaredPages());
    vSetMainDeviceSaveTypeCB(0, o.bText ? 2 : 1);
    vPost(CMD_RECEIVE_BY_PAGE);
    vPost(CMD_SAVE_EDID);
}

// The serial's Enter in the production mode's field.
int32_t s32StartUnit(void)
{
    const stCliOptions &o = *gpst_Options;
    char cStation[TEXT_BUF_SIZE];
    vStationFilePath(cStation, sizeof(cStation));
    // A station whose file or record was refused at the start is no usage
    // error: the lines above say what was found.
    if (gs32_ProductionHalted) {
        vReportSay("the production mode could not start on %s (the lines above say why)",
                   cStation);
        return CLI_EXIT_NO_START;
    }
    if (!gst_Station.bProduction) {
        vReportSay("the production mode is off in %s (Production = 1 turns it on)", cStation);
        return CLI_EXIT_USAGE;
    }
    if (o.bNext && gst_Station.s32SerialSource != STATION_SOURCE_COUNTER) {
        vReportSay("%s takes typed or scanned serials (SerialSource = scan): give --serial",
                   cStation);
        return CLI_EXIT_USAGE;
    }
    // No badge is scanned here: the operator is named, or the unit waits for none.
    if (gst_Station.bRequireOperator && o.cOperator[0] == '\0') {
        vReportSay("%s asks for the operator (RequireOperator = 1): give --operator BADGE",
                   cStation);
        return CLI_EXIT_USAGE;
    }
    if (o.cOperator[0] != '\0')
        vSetUnitOperator(o.cOperator);
    // Checked as typed: the field would take a byte that is not UTF-8 for
    // another one.
    char cWhy[TEXT_BUF_SIZE];
    if (!o.bNext && !bCheckUnitSerial(o.cSerial, cWhy, sizeof(cWhy))) {
        vPrintMsg("Unit %s refused: %s\n>", o.cSerial, cWhy);
        gst_UnitOutcome = {UNIT_REFUSED, "", 0, 0, 0, 0};
        snprintf(gst_UnitOutcome.cSerial, sizeof(gst_UnitOutcome.cSerial), "%s", o.cSerial);
        vReportEndStep(CLI_STEP_UNIT_START, 1, STEP_FAIL);
        return CLI_EXIT_FAIL;
    }
    SetCtrlVal(s32Main(), MAIN_UNIT_SERIAL, o.bNext ? "" : o.cSerial);
    UnitSerialCallback(s32Main(), MAIN_UNIT_SERIAL, EVENT_COMMIT, nullptr, 0, 0);
    vReportEndStep(CLI_STEP_UNIT_START, 1,
                   gst_UnitOutcome.s32State == UNIT_STARTED ? STEP_NONE : STEP_FAIL);
    return CLI_EXIT_PASS;
}

// Sets the panel and posts the command's jobs; a code other than
// CLI_EXIT_PASS ends the run before any.
int32_t s32PostCommand(void)
{
    const stCliOptions &o = *gpst_Options;
    bool bNeedsDisplay = o.s32Display != 0;
    int32_t s32Code = bNeedsDisplay ? s32SelectDisplay() : CLI_EXIT_PASS;
    if (s32Code == CLI_EXIT_PASS && o.cPort[0] != '\0')
        s32Code = s32SelectPort();
    if (s32Code != CLI_EXIT_PASS)
        return s32Code;
    switch (o.s32Command) {
    case CLI_CMD_READ:
        vPostRead();
        break;
    case CLI_CMD_PROGRAM:
        vPostStart(o.bErase, 1, !o.bNoVerify);
        break;
    case CLI_CMD_VERIFY:
        vPostStart(0, 0, 1);
        break;
    case CLI_CMD_ERASE:
        vPostStart(1, 0, 0);
        break;
    case CLI_CMD_UNIT:
        return s32StartUnit();
    default:
        break;
    }
    return CLI_EXIT_PASS;
}

// The device commands the subcommand posts, each of which must run and pass.
int32_t s32DeviceCommandsOf(const stCliOptions &o)
{
    switch (o.s32Command) {
    case CLI_CMD_READ:
    case CLI_CMD_ERASE:
        return 1;
    case CLI_CMD_PROGRAM:
        return (o.bErase ? 1 : 0) + 1 + (o.bNoVerify ? 0 : 2);
    case CLI_CMD_VERIFY:
        return 2;
    default:
        return 0;
    }
}

// Pass only for work done: every step's own result, every device command
// the subcommand posted run and passed, a unit passed.
int32_t s32VerdictOfRun(void)
{
    const stCliOptions &o = *gpst_Options;
    if (s32ReportExitCode() != CLI_EXIT_PASS)
        return CLI_EXIT_FAIL;
    int32_t s32Expected = s32DeviceCommandsOf(o);
    if (gs32_DeviceFailed > 0 || gs32_DeviceRun < s32Expected) {
        vReportReason("%d of the %d bus commands of '%s' ran and %d of them failed",
                      (int)gs32_DeviceRun, (int)s32Expected, pcCliCommandName(o.s32Command),
                      (int)gs32_DeviceFailed);
        return CLI_EXIT_FAIL;
    }
    if (o.s32Command == CLI_CMD_UNIT && gst_UnitOutcome.s32State != UNIT_PASSED) {
        vReportReason("the unit %s did not pass", gst_UnitOutcome.cSerial);
        return CLI_EXIT_FAIL;
    }
    return CLI_EXIT_PASS;
}

int32_t s32RunCommand(void)
{
    vStartUp();
    vApplyOptions();
    vRunRing();
    if (gs32_StopSignal != 0)
        return CLI_EXIT_STOPPED;
    if (!bLibraryStarted())
        return CLI_EXIT_NO_START;
    vResetDeviceTally();
    gst_UnitOutcome = {UNIT_NONE, "", 0, 0, 0, 0};
    int32_t s32Code = s32PostCommand();
    if (s32Code != CLI_EXIT_PASS)
        return s32Code;
    vRunRing();
    return gb_Stopped ? CLI_EXIT_STOPPED : s32VerdictOfRun();
}

void vListDisplays(void)
{
    int s32Count = 0;
    GetNumListItems(s32Main(), MAIN_MONITOR_LIST, &s32Count);
    for (int i = 0; i < s32Count; i++) {
        char cId[MONITOR_ID_SIZE] = "";
        GetLabelFromIndex(s32Main(), MAIN_MONITOR_LIST, i, cId, sizeof(cId));
        vReportAddDisplay(i + 1, cId);
    }
}

} // namespace

int32_t s32CliRun(const stCliOptions *pstOptions, FILE *pOut, FILE *pErr)
{
    gpst_Options = pstOptions;
    gs32_StopSignal = 0;
    gb_Stopped = 0;
    gs32_DeviceRun = 0;
    gs32_DeviceFailed = 0;
    vReportBegin(pstOptions, pOut, pErr);
    int s32SignalFd = s32ProcCatchQuitSignals();
    vInstallCallbackTable();
    if (s32LoadPanels() < 0) {
        vReportSay("the panels could not be loaded from Pavimo.uir");
        vReportFinish(CLI_EXIT_NO_START, nullptr);
        return CLI_EXIT_NO_START;
    }
    if (!bLockFolder()) {
        vDiscardPanels();
        vReportFinish(CLI_EXIT_NO_START, nullptr);
        return CLI_EXIT_NO_START;
    }
    if (s32SignalFd >= 0)
        WatchFileDescriptor(s32SignalFd, vTakeSignals, nullptr);
    vAnswerDialogs(true);
    int32_t s32Code = s32RunCommand();
    vShutdownDdc();
    vListDisplays();
    vReportFinish(s32Code, gs32_StopSignal ? pcProcSignalName(gs32_StopSignal) : nullptr);
    vAnswerDialogs(false);
    if (s32SignalFd >= 0)
        WatchFileDescriptor(s32SignalFd, nullptr, nullptr);
    vDiscardPanels();
    vProcUnlockFolder();
    return s32Code;
}
