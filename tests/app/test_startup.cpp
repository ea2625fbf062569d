#include "tests/support/edid_maker.h"
#include "tests/support/test_env.h"

#include "platform/ddc/ddc_bench_test.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "ui/Pavimo.h"

#include <unistd.h>

namespace {

using StartUpTest = AppTest;

TEST_F(StartUpTest, PanelsLoadFromTheResourceBesideTheProgram)
{
    LoadPanels();
    EXPECT_GT(gst_UiHandles.s32MainPanel, 0);
    EXPECT_GT(gst_UiHandles.s32ProgressPanel, 0);
    EXPECT_GT(gs32_PasswordPanel, 0);
    EXPECT_EQ(gst_UiHandles.s32MsgCtrl, 37);
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32MainPanel));
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
    EXPECT_FALSE(bUiPanelIsVisible(gs32_PasswordPanel));
}

TEST_F(StartUpTest, MessageBoxStartsWithThePromptAndTheQueueWithThreeCommands)
{
    StartUp();
    EXPECT_EQ(MsgBox(), ">");
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    ASSERT_EQ(gs32_CmdQueueWrite, 3);
    const int32_t s32Expected[] = {CMD_CHECK_PKG_INFO, CMD_INIT_DDC, CMD_SHOW_VERSION};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(gst_CmdQueue[i].s32CmdId, s32Expected[i]);
        EXPECT_EQ(gst_CmdQueue[i].s32Param, 1);
        EXPECT_EQ(gst_CmdQueue[i].s32Delay, 700);
        EXPECT_EQ(gst_CmdQueue[i].s32Reserved, 0);
    }
}

TEST_F(StartUpTest, FileDialogsStartInTheProgramFolder)
{
    StartUp();
    EXPECT_EQ(std::string(gu8str_LastDir), m_dir.path());
}

TEST_F(StartUpTest, MainPanelIsShapedForNormalMode)
{
    StartUp();
    int s32Height = 0;
    GetPanelAttribute(MainPanel(), ATTR_HEIGHT, &s32Height);
    EXPECT_EQ(s32Height, 550);
    for (int s32Ctrl : {MAIN_FUNC_RECEIVE, MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA}) {
        int s32Dimmed = 0, s32Visible = 1;
        GetCtrlAttribute(MainPanel(), s32Ctrl, ATTR_DIMMED, &s32Dimmed);
        GetCtrlAttribute(MainPanel(), s32Ctrl, ATTR_VISIBLE, &s32Visible);
        EXPECT_EQ(s32Dimmed, 1) << s32Ctrl;
        EXPECT_EQ(s32Visible, 0) << s32Ctrl;
    }
}

TEST_F(StartUpTest, HiddenCheckboxesKeepTheirRestoredValues)
{
    vWriteFile(m_dir.file("DefSetting.ini"), "FunctionSelect = 0 0 0 1 1 1\r\n");
    StartUp();
    for (int s32Box : {MAIN_FUNC_RECEIVE, MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA}) {
        int s32Value = 0;
        GetCtrlVal(MainPanel(), s32Box, &s32Value);
        EXPECT_EQ(s32Value, 1) << s32Box;
    }
}

TEST_F(StartUpTest, PageCountAcceptsOnlyOneToSixteen)
{
    StartUp();
    int s32Value = 0;
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 0);
    GetCtrlVal(MainPanel(), MAIN_PAGE_NUM, &s32Value);
    EXPECT_EQ(s32Value, 1);
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 17);
    GetCtrlVal(MainPanel(), MAIN_PAGE_NUM, &s32Value);
    EXPECT_EQ(s32Value, 16);
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 9);
    GetCtrlVal(MainPanel(), MAIN_PAGE_NUM, &s32Value);
    EXPECT_EQ(s32Value, 9);
}

TEST_F(StartUpTest, ResourceHoldsEveryControlTheProgramNames)
{
    LoadPanels();
    int s32Value = 0;
    for (int s32Ctrl : {MAIN_SAVE_BIN, MAIN_SAVE_TXT, MAIN_FUNC_VERIFY, MAIN_FUNC_RECEIVE,
                        MAIN_FUNC_ERASE, MAIN_FUNC_PROGRAM, MAIN_FUNC_SHOW_DATA,
                        MAIN_FUNC_SHOW_PKG, MAIN_PAGE_NUM})
        EXPECT_EQ(GetCtrlVal(MainPanel(), s32Ctrl, &s32Value), 0) << s32Ctrl;
    char cText[64];
    for (int s32Ctrl : {MAIN_LIB_VERSION, MAIN_UI_VERSION, MAIN_PKG_PATH, MAIN_PKG_TYPE,
                        MAIN_PKG_CHECKSUM, MAIN_PKG_PORT_NUM, MAIN_PKG_TEXT_B, MAIN_PKG_TEXT_A})
        EXPECT_EQ(GetCtrlVal(MainPanel(), s32Ctrl, cText), 0) << s32Ctrl;
    for (int s32Ctrl : {MAIN_PORT_LIST, MAIN_MONITOR_LIST, MAIN_DDC_SPEED})
        EXPECT_EQ(GetNumListItems(MainPanel(), s32Ctrl, &s32Value), 0) << s32Ctrl;
    GetNumListItems(MainPanel(), MAIN_DDC_SPEED, &s32Value);
    EXPECT_EQ(s32Value, 9);
    for (int i = 0; i < 9; i++) {
        SetCtrlIndex(MainPanel(), MAIN_DDC_SPEED, i);
        GetCtrlVal(MainPanel(), MAIN_DDC_SPEED, &s32Value);
        EXPECT_EQ(s32Value, i);
    }
    EXPECT_EQ(GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Value), 0);
    EXPECT_EQ(GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_PERCENT, &s32Value), 0);
    EXPECT_EQ(GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText), 0);
    EXPECT_EQ(GetCtrlVal(gs32_PasswordPanel, PASSWORD_STRING, cText), 0);
    EXPECT_EQ(GetCtrlAttribute(MainPanel(), MAIN_TIMER, ATTR_INTERVAL, &s32Value), 0);
    EXPECT_EQ(s32Value, 100);
    EXPECT_NE(GetPanelMenuBar(MainPanel()), 0);
}

TEST_F(StartUpTest, MissingResourceEndsWithMinusOneAndWritesNothing)
{
    unlink(m_dir.file("Pavimo.uir").c_str());
    int s32Before = s32UiLoadedPanelCount();
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), -1);
    EXPECT_TRUE(lstDirEntries(m_dir.path()).empty());
    EXPECT_EQ(s32UiLoadedPanelCount(), s32Before);
    EXPECT_EQ(gst_UiHandles.s32MainPanel, 0);
}

TEST_F(StartUpTest, ResourceWithoutThePasswordPanelEndsWithMinusOne)
{
    std::string uir = strReadFile(m_dir.file("Pavimo.uir"));
    size_t at = uir.find("name=\"panelId\" stdset=\"0\">\n    <number>3</number>");
    ASSERT_NE(at, std::string::npos);
    uir.replace(uir.find("<number>3</number>", at), 18, "<number>9</number>");
    vWriteFile(m_dir.file("Pavimo.uir"), uir);
    int s32Before = s32UiLoadedPanelCount();
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), -1);
    EXPECT_EQ(s32UiLoadedPanelCount(), s32Before);
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 1u);
}

TEST_F(StartUpTest, UnreadableResourceEndsWithMinusOne)
{
    vWriteFile(m_dir.file("Pavimo.uir"), "not a panel resource");
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), -1);
}

struct RunScript {
    int s32Ticks = 0;
    std::string msgBox;
    bool bMainVisible = false;
    void (*pfnQuit)() = nullptr;
};

using Lines = std::vector<std::string>;

const Lines gl_ShutdownCalls = {"DisableLog() = 0x0", "DeinitDDCHelper() = 0x0",
                                "UninstallDriver() = 0x0"};

void vRunScript(void *pvContext)
{
    auto *pScript = static_cast<RunScript *>(pvContext);
    pScript->bMainVisible = bUiPanelIsVisible(gst_UiHandles.s32MainPanel);
    for (int i = 0; i < pScript->s32Ticks; i++)
        vUiFireTimers();
    pScript->pfnQuit();
}

TEST_F(StartUpTest, CloseBoxEndsTheRunAndDiscardsThePanels)
{
    int s32Before = s32UiLoadedPanelCount();
    RunScript script;
    script.pfnQuit = []() { UiClosePanel(gst_UiHandles.s32MainPanel); };
    vUiRunWhenLoopStarts(vRunScript, &script);
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), 0);
    EXPECT_TRUE(script.bMainVisible);
    EXPECT_EQ(s32UiLoadedPanelCount(), s32Before);
    EXPECT_EQ(gst_UiHandles.s32MainPanel, 0);
}

TEST_F(StartUpTest, ExitMenuItemEndsTheRunWithWaitingCommandsUnrun)
{
    RunScript script;
    script.s32Ticks = 3;
    static Lines s_afterOtherItem;
    s_afterOtherItem = {"not reached"};
    script.pfnQuit = []() {
        MenuBarCallback(gst_UiHandles.s32MainPanel, 3, nullptr, gst_UiHandles.s32MainPanel);
        s_afterOtherItem = lstDdcBenchCalls();
        UiChooseMenuItem(gst_UiHandles.s32MainPanel, MENUBAR_FILE_EXIT);
    };
    vUiRunWhenLoopStarts(vRunScript, &script);
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), 0);
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    EXPECT_EQ(gst_CmdQueue[0].s32Delay, 400);
    // No command had run yet: the exit item's shutdown is the only traffic.
    EXPECT_EQ(s_afterOtherItem, Lines{});
    EXPECT_EQ(lstDdcBenchCalls(), gl_ShutdownCalls);
}

// The first ticks run the package information command (nothing yet) and
// the library start; closing then stops the library while the version
// command still waits, and that command never runs.
TEST_F(StartUpTest, ClosingStopsTheLibraryAndDropsTheWaitingCommands)
{
    vDdcBenchClear();
    std::vector<uint8_t> edid = lstMakeEdid(0);
    s32DdcBenchAddDisplay(edid.data(), (uint32_t)edid.size(), 256);
    RunScript script;
    script.s32Ticks = 14;
    script.pfnQuit = []() { UiClosePanel(gst_UiHandles.s32MainPanel); };
    vUiRunWhenLoopStarts(vRunScript, &script);
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), 0);
    std::vector<std::string> calls = lstDdcBenchCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].rfind("EnableLog(", 0), 0u);
    EXPECT_EQ(Lines(calls.end() - 3, calls.end()), gl_ShutdownCalls);
    for (const std::string &call : calls)
        EXPECT_EQ(call.rfind("GetLibraryVersion", 0), std::string::npos);
    EXPECT_EQ(gs32_CmdQueueWrite - gs32_CmdQueueRead, 1);
    EXPECT_EQ(gst_CmdQueue[gs32_CmdQueueRead].s32CmdId, CMD_SHOW_VERSION);
}

TEST_F(StartUpTest, MainPanelCallbackActsOnlyOnClose)
{
    StartUp();
    EXPECT_EQ(MainQuit(MainPanel(), EVENT_GOT_FOCUS, nullptr, 0, 0), 0);
    EXPECT_EQ(MainQuit(MainPanel(), EVENT_LOST_FOCUS, nullptr, 0, 0), 0);
    EXPECT_EQ(gs32_CmdQueueWrite, 3);
    EXPECT_EQ(lstDdcBenchCalls(), Lines{});
}

TEST_F(StartUpTest, CloseBoxLeavesThePanelToTheCallback)
{
    LoadPanels();
    DisplayPanel(gst_UiHandles.s32ProgressPanel);
    UiClosePanel(gst_UiHandles.s32ProgressPanel);
    EXPECT_TRUE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
}

} // namespace
