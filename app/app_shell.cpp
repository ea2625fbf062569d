#include "app/app_shell.h"

#include "app/cmd_queue.h"
#include "app/line_report.h"
#include "app/production.h"
#include "device/ddc_start.h"
#include "device/progress.h"
#include "files/msg_log.h"
#include "files/settings.h"
#include "files/station.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/process/process.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define UIR_FILE_NAME "Pavimo.uir"

int32_t gs32_PasswordPanel = 0;
int32_t gs32_ProductionPanel = 0;
int32_t gs32_QuitState = QUIT_NONE;

void vStartupHook(void) { s32LoadDefSetting(); }

// The settings keep the title without the simulated displays' note.
void vExitHook(void)
{
    vShowSimulatedInTitle(0);
    vSaveDefSetting(0);
}

int32_t s32LoadPanels(void)
{
    int s32Main = LoadPanel(0, UIR_FILE_NAME, PANEL_MAIN);
    if (s32Main < 0)
        return -1;
    int s32Progress = LoadPanel(0, UIR_FILE_NAME, PANEL_PROGRESS);
    if (s32Progress < 0) {
        DiscardPanel(s32Main);
        return -1;
    }
    int s32Password = LoadPanel(0, UIR_FILE_NAME, PANEL_PASSWORD);
    int s32Production = s32Password < 0 ? -1 : LoadPanel(0, UIR_FILE_NAME, PANEL_PRODUCTION);
    if (s32Production < 0) {
        if (s32Password >= 0)
            DiscardPanel(s32Password);
        DiscardPanel(s32Progress);
        DiscardPanel(s32Main);
        return -1;
    }
    gst_UiHandles.s32MainPanel = s32Main;
    gst_UiHandles.s32MsgCtrl = MAIN_MSG_BOX;
    gst_UiHandles.s32ProgressPanel = s32Progress;
    gs32_PasswordPanel = s32Password;
    gs32_ProductionPanel = s32Production;
    return 0;
}

void vStartUp(void)
{
    GetProjectDir(gu8str_LastDir, sizeof(gu8str_LastDir));
    vStartupHook();
    vPrintMsg(">");
    // Without its folder the program still runs; settings and logs are lost.
    char cProblem[TEXT_BUF_SIZE];
    if (GetProjectDirError(cProblem, sizeof(cProblem))) {
        fprintf(stderr, "tavolin: %s\n", cProblem);
        if (cProblem[0] >= 'a' && cProblem[0] <= 'z')
            cProblem[0] = (char)(cProblem[0] - 'a' + 'A');
        vPrintMsg(" - Fail. %s\n>", cProblem);
    }
    vLoadStation();
    vPostCommand(CMD_CHECK_PKG_INFO, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    vPostCommand(CMD_INIT_DDC, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    vPostCommand(CMD_SHOW_VERSION, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    vShapeMainPanel(0);
    SetCtrlAttribute(s32Main, MAIN_PAGE_NUM, ATTR_MAX_VALUE, PAGE_NUM_MAX);
    SetCtrlAttribute(s32Main, MAIN_PAGE_NUM, ATTR_MIN_VALUE, PAGE_NUM_MIN);
}

void vShapeMainPanel(int32_t bAdvanced)
{
    static const int32_t s32AdvancedBoxes[] = {MAIN_FUNC_RECEIVE,   MAIN_FUNC_SHOW_PKG,
                                               MAIN_FUNC_SHOW_DATA, MAIN_PRODUCTION_BTN,
                                               MAIN_ANALYZE_BTN};
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    SetPanelAttribute(s32Main, ATTR_HEIGHT, bAdvanced ? MAIN_PANEL_HEIGHT_ADV : MAIN_PANEL_HEIGHT);
    for (int32_t s32Box : s32AdvancedBoxes)
        SetCtrlAttribute(s32Main, s32Box, ATTR_DIMMED, bAdvanced ? 0 : 1);
    for (int32_t s32Box : s32AdvancedBoxes)
        SetCtrlAttribute(s32Main, s32Box, ATTR_VISIBLE, bAdvanced ? 1 : 0);
}

void vDiscardPanels(void)
{
    // Forgets the title kept for the simulated displays' note.
    vShowSimulatedInTitle(0);
    DiscardPanel(gst_UiHandles.s32MainPanel);
    DiscardPanel(gst_UiHandles.s32ProgressPanel);
    DiscardPanel(gs32_PasswordPanel);
    DiscardPanel(gs32_ProductionPanel);
    gst_UiHandles.s32MainPanel = 0;
    gst_UiHandles.s32MsgCtrl = 0;
    gst_UiHandles.s32ProgressPanel = 0;
    gs32_PasswordPanel = 0;
    gs32_ProductionPanel = 0;
}

namespace {

// A quit signal (Ctrl+C, logout, a line controller's kill) is a quit request
// like the close box: the running command ends first. Later ones change
// nothing.
void vOnQuitSignal(void *)
{
    int32_t s32Signal;
    while ((s32Signal = s32ProcTakeQuitSignal()) != 0) {
        if (gs32_QuitState != QUIT_NONE)
            continue;
        fprintf(stderr, "tavolin: %s: %s\n", pcProcSignalName(s32Signal),
                bCommandRunning() ? "quitting after the running command" : "quitting");
        vRequestQuit();
    }
}

// While the second copy's popup waits for OK, a signal ends it at once:
// it has nothing to finish, and a line controller's kill must not hang.
void vEndOnSignal(void *)
{
    int32_t s32Signal = s32ProcTakeQuitSignal();
    if (s32Signal == 0)
        return;
    fprintf(stderr, "tavolin: %s: ending\n", pcProcSignalName(s32Signal));
    fflush(stderr);
    _Exit(1);
}

// Two copies on one folder would share its settings, its monitor files and
// the bench's memories, and drive the same displays: the second one ends.
int32_t bFolderIsOurs(int s32SignalFd)
{
    char cDir[TEXT_BUF_SIZE];
    GetProjectDir(cDir, sizeof(cDir));
    int32_t s32Holder = 0;
    char cWhy[TEXT_BUF_SIZE];
    int32_t s32Lock = s32ProcLockFolder(cDir, &s32Holder, cWhy, sizeof(cWhy));
    if (s32Lock == PROC_LOCK_HELD) {
        vRemoveSaveLeftovers(cDir);
        return 1;
    }
    // Without a folder the program runs on none; settings and logs are lost.
    if (GetProjectDirError(nullptr, 0))
        return 1;
    if (s32Lock == PROC_LOCK_FAILED) {
        fprintf(stderr, "tavolin: cannot lock the program's folder (%s); this copy ends.\n", cWhy);
        char cPopup[TEXT_BUF_SIZE + 96];
        snprintf(cPopup, sizeof(cPopup),
                 "Tavolin cannot lock the program's folder (%s); this copy ends.", cWhy);
        MessagePopup("Tavolin", cPopup);
        return 0;
    }
    char cText[TEXT_BUF_SIZE + 128];
    char cHolder[32] = "";
    if (s32Holder > 0)
        snprintf(cHolder, sizeof(cHolder), " (process %d)", (int)s32Holder);
    snprintf(cText, sizeof(cText), "is already running on the folder %s%s; this copy ends.",
             cDir, cHolder);
    fprintf(stderr, "tavolin %s\n", cText);
    char cPopup[sizeof(cText) + 16];
    snprintf(cPopup, sizeof(cPopup), "Tavolin %s", cText);
    if (s32SignalFd >= 0)
        WatchFileDescriptor(s32SignalFd, vEndOnSignal, nullptr);
    MessagePopup("Tavolin", cPopup);
    if (s32SignalFd >= 0)
        WatchFileDescriptor(s32SignalFd, nullptr, nullptr);
    return 0;
}

const char gc_Usage[] = "Usage: tavolin\n"
                       "Reads and programs the EDID memory of displays over DDC/I2C, from one main\n"
                       "panel. It takes no arguments; its settings, monitor EDID files and library\n"
                       "log are kept in its folder (see 'man tavolin').\n"
                       "  --help     this text\n"
                       "  --version  the program's version\n";

// --version and --help answer without a window and without the bus
// library; anything else on the command line is refused with the usage, as
// the program takes no arguments. -1 when there are none: the program runs.
int s32AnswerArguments(int argc, char *argv[])
{
    for (int i = 1; i < argc && argv[i]; i++) {
        if (strcmp(argv[i], "--version") == 0) {
            char cVersion[TEXT_BUF_SIZE];
            s32GetUiVersion(cVersion);
            printf("tavolin %s\n", cVersion);
            return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
        }
        if (strcmp(argv[i], "--help") == 0) {
            fputs(gc_Usage, stdout);
            return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
        }
    }
    if (argc < 2 || !argv[1])
        return -1;
    if (strcmp(argv[1], "-h") != 0)
        fprintf(stderr, "tavolin: %s '%.60s'\n",
                argv[1][0] == '-' ? "unknown option" : "takes no arguments, not", argv[1]);
    fputs(gc_Usage, stderr);
    return 2;
}

} // namespace

int s32TavolinMain(int argc, char *argv[])
{
    int s32Answer = s32AnswerArguments(argc, argv);
    if (s32Answer >= 0)
        return s32Answer;
    int s32SignalFd = s32ProcCatchQuitSignals();
    if (InitCVIRTE(nullptr, argv, nullptr) == 0) {
        fprintf(stderr, "tavolin: no display could be opened; without one, run it as "
                        "'xvfb-run tavolin' or 'QT_QPA_PLATFORM=offscreen tavolin'\n");
        return -1;
    }
    vInstallCallbackTable();
    if (s32LoadPanels() < 0)
        return -1;
    if (!bFolderIsOurs(s32SignalFd)) {
        vDiscardPanels();
        return 1;
    }
    if (s32SignalFd >= 0)
        WatchFileDescriptor(s32SignalFd, vOnQuitSignal, nullptr);
    vStartUp();
    DisplayPanel(gst_UiHandles.s32MainPanel);
    RunUserInterface();
    vExitHook();
    vDiscardPanels();
    vProcUnlockFolder();
    return 0;
}

namespace {

void vQuitNow(void)
{
    gs32_QuitState = QUIT_DONE;
    vShutdownDdc();
    QuitUserInterface(0);
}

} // namespace

void vRequestQuit(void)
{
    if (gs32_QuitState != QUIT_NONE)
        return;
    if (!bCommandRunning()) {
        vQuitNow();
        return;
    }
    // Stopping the library under a running write would leave the display's
    // memory half written.
    gs32_QuitState = QUIT_PENDING;
    SetWaitCursor(1);
    vTellQuitPending();
}

void vFinishPendingQuit(void)
{
    if (gs32_QuitState != QUIT_PENDING)
        return;
    vClearCommandQueue();
    SetWaitCursor(0);
    vQuitNow();
}

int MainQuit(int, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        vRequestQuit();
    return 0;
}

void MenuBarCallback(int, int menuItem, void *, int)
{
    if (menuItem == MENUBAR_FILE_EXIT)
        vRequestQuit();
    else if (menuItem == MENUBAR_FILE_EXPORT)
        vExportRecords();
    else if (menuItem == MENUBAR_FILE_LINE_REPORT)
        vLineReportFromMenu();
}

void vShutdownDdc(void)
{
    vStopDdcLog();
    DeinitDDCHelper();
    UninstallDriver();
}

int32_t s32ShowVersionAction(void)
{
    static char cText[TEXT_BUF_SIZE];
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    cText[0] = '\0';
    s32GetUiVersion(cText);
    vPrintMsg("AP version : UI = %s \n>", cText);
    SetCtrlVal(s32Main, MAIN_UI_VERSION, cText);
    cText[0] = '\0';
    s32GetLibVersionText(cText);
    vPrintMsg("AP version : Library = %s \n>", cText);
    SetCtrlVal(s32Main, MAIN_LIB_VERSION, cText);
    return 0;
}
