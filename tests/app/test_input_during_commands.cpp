// Operator input that arrives while a command runs: it waits in the window
// system's queue until the command pumps events, as a real click, key or
// close box does. A receive by page with its data shown is the long command
// here: it pauses after every printed byte, and the tests put their input in
// at chosen pauses.
#include "tests/support/device_fixture.h"
#include "tests/support/pause_script.h"
#include "tests/support/queue_probe.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "platform/clock/PlatformClock.h"
#include "ui/Pavimo.h"

namespace {

using Commands = std::vector<int>;

size_t szCount(const std::string &text, const std::string &part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

const int LONG_RECEIVE_BYTES = 256;

class InputDuringCommandTest : public DeviceTest {
protected:
    PauseScript m_script;

    void SetUp() override
    {
        DeviceTest::SetUp();
        AddDisplay(lstMakeEdid(1, "DEL", 0x40F3));
        InitLibrary();
        DisplayPanel(MainPanel());
        vShapeMainPanel(1);
        SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
        SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, LONG_RECEIVE_BYTES / 128);
    }

    std::string Title(int s32Panel)
    {
        char cTitle[128] = "";
        GetPanelAttribute(s32Panel, ATTR_TITLE, cTitle, sizeof(cTitle));
        return cTitle;
    }

    // Ticks until the command at the head of the ring has run.
    void RunHead() { Ticks(7); }
};

TEST_F(InputDuringCommandTest, ProgressCloseDropsTheWaitingCommandsWhileOneRuns)
{
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    bool bEmptiedMidCommand = false;
    std::string titleMidCommand;
    m_script.steps[50] = [] { UiQueueClosePanel(gst_UiHandles.s32ProgressPanel); };
    m_script.steps[100] = [&] {
        bEmptiedMidCommand = bCommandRunning() && lstWaitingCommands().empty();
        titleMidCommand = Title(gst_UiHandles.s32ProgressPanel);
    };
    m_script.steps[150] = [] { UiQueueClosePanel(gst_UiHandles.s32ProgressPanel); };
    m_script.vInstall();
    RunHead();
    EXPECT_TRUE(bEmptiedMidCommand);
    EXPECT_EQ(titleMidCommand, "Progress - 1 waiting command dropped");
    EXPECT_EQ(Title(gst_UiHandles.s32ProgressPanel), "Progress - 1 waiting command dropped");
    std::string box = MsgBox();
    EXPECT_EQ(szCount(box, "0x"), (size_t)LONG_RECEIVE_BYTES); // the running one finished
    EXPECT_EQ(box.substr(box.size() - 9), " - Pass\n>");
    Ticks(21);
    EXPECT_EQ(Calls(DDC_OP_READ_EDID).size(), 1u);
    EXPECT_EQ(szCount(MsgBox(), "Receiving EDID By Number of Page"), 1u);
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
    EXPECT_EQ(Title(gst_UiHandles.s32ProgressPanel), "Progress");
}

TEST_F(InputDuringCommandTest, StartClickedWhileOneRunsGoesBehindIt)
{
    SetCtrlVal(MainPanel(), MAIN_FUNC_RECEIVE, 1);
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    Commands midCommand;
    m_script.steps[50] = [] { UiQueueClick(gst_UiHandles.s32MainPanel, MAIN_START_BTN); };
    m_script.steps[100] = [&] { midCommand = lstWaitingCommands(); };
    m_script.vInstall();
    RunHead();
    EXPECT_EQ(midCommand, (Commands{CMD_RECEIVE_BY_PAGE, CMD_RECEIVE}));
    EXPECT_EQ(lstWaitingCommands(), Commands{CMD_RECEIVE});
    RunHead();
    std::string box = MsgBox();
    size_t first = box.find(" - Pass\n>");
    EXPECT_EQ(box.find("Receiving device's EDID ...\n>"), first + 9);
    EXPECT_EQ(szCount(box, "0x"), 2u * LONG_RECEIVE_BYTES);
    EXPECT_EQ(box.substr(box.size() - 9), " - Pass\n>");
}

// A post that follows the clear lands in slot 0, where the dispatcher must
// find it once the running command ends.
TEST_F(InputDuringCommandTest, PostAfterAProgressCloseRuns)
{
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    m_script.steps[50] = [] { UiQueueClosePanel(gst_UiHandles.s32ProgressPanel); };
    m_script.steps[80] = [] { UiQueueClick(gst_UiHandles.s32MainPanel, MAIN_REFRESH_BTN); };
    m_script.vInstall();
    RunHead();
    EXPECT_EQ(lstWaitingCommands(), Commands{CMD_REFRESH_MONITOR});
    RunHead();
    EXPECT_EQ(Calls(DDC_OP_ENUM_FIRST).size(), 1u);
    EXPECT_TRUE(lstWaitingCommands().empty());
}

TEST_F(InputDuringCommandTest, KeysReachThePasswordPanelWhileACommandRuns)
{
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    UiClick(MainPanel(), MAIN_ADVANCED_BTN);
    m_script.steps[50] = [] {
        for (const char *pc = "QuorvelAdminKey"; *pc; pc++)
            UiQueueKeyPress(gs32_PasswordPanel, PASSWORD_STRING, (unsigned char)*pc);
    };
    m_script.steps[60] = [] { UiQueueKeyPress(gs32_PasswordPanel, PASSWORD_STRING, VAL_ENTER_VKEY); };
    bool bPasswordClosedMidCommand = false;
    m_script.steps[100] = [&] {
        bPasswordClosedMidCommand = bCommandRunning() && !bUiPanelIsVisible(gs32_PasswordPanel);
    };
    m_script.vInstall();
    RunHead();
    EXPECT_TRUE(bPasswordClosedMidCommand);
}

// --- Quit requests, in the real event loop -------------------------------

struct QuitRun {
    PauseScript script;
    uint32_t u32CallsAtStart = 0;
    bool bWaitCursorMidCommand = false;
    bool bQuitPendingMidCommand = false;
    std::string progressTitleMidCommand;
    int s32TicksAfterClick = 0;
    std::string msgBox;
    std::function<void()> request;
};

void vDriveQuitRun(void *pvContext)
{
    auto *pRun = static_cast<QuitRun *>(pvContext);
    for (int i = 0; i < 21; i++) // the three start-up commands
        vUiFireTimers();
    int s32Main = gst_UiHandles.s32MainPanel;
    vShapeMainPanel(1);
    SetCtrlVal(s32Main, MAIN_FUNC_SHOW_DATA, 1);
    SetCtrlVal(s32Main, MAIN_FUNC_RECEIVE, 1);
    SetCtrlVal(s32Main, MAIN_PAGE_NUM, LONG_RECEIVE_BYTES / 128);
    UiClick(s32Main, MAIN_RECEIVE_PAGE_BTN);
    UiClick(s32Main, MAIN_START_BTN);
    pRun->u32CallsAtStart = u32DdcBenchLogCount();
    pRun->script.steps[50] = [pRun] { pRun->request(); };
    pRun->script.steps[70] = [pRun] { pRun->request(); }; // a second one changes nothing
    pRun->script.steps[100] = [pRun] {
        pRun->bWaitCursorMidCommand = GetWaitCursorState() == 1;
        pRun->bQuitPendingMidCommand = gs32_QuitState == QUIT_PENDING;
        char cTitle[128] = "";
        GetPanelAttribute(gst_UiHandles.s32ProgressPanel, ATTR_TITLE, cTitle, sizeof(cTitle));
        pRun->progressTitleMidCommand = cTitle;
    };
    pRun->script.vInstall();
    while (gs32_QuitState != QUIT_DONE && pRun->s32TicksAfterClick < 40) {
        vUiFireTimers();
        pRun->s32TicksAfterClick++;
    }
    vClockSetPauseHook(nullptr, nullptr);
}

class QuitDuringCommandTest : public AppTest {
protected:
    QuitRun m_run;

    void SetUp() override
    {
        AppTest::SetUp();
        vDdcBenchClear();
        std::vector<uint8_t> edid = lstMakeEdid(1, "DEL", 0x40F3);
        s32DdcBenchAddDisplay(edid.data(), (uint32_t)edid.size(), 256);
    }

    void TearDown() override
    {
        vDdcBenchReset();
        AppTest::TearDown();
    }

    int Run()
    {
        vUiRunWhenLoopStarts(vDriveQuitRun, &m_run);
        char cName[] = "tavolin";
        char *pcArgv[] = {cName, nullptr};
        return s32TavolinMain(1, pcArgv);
    }

    // Library calls made after the clicks, one line each.
    std::vector<std::string> CallsAfterClicks()
    {
        std::vector<std::string> all = lstDdcBenchCalls();
        return std::vector<std::string>(all.begin() + m_run.u32CallsAtStart, all.end());
    }

    void ExpectReceiveRanToItsEndThenShutdown()
    {
        EXPECT_TRUE(m_run.bQuitPendingMidCommand);
        EXPECT_TRUE(m_run.bWaitCursorMidCommand);
        EXPECT_EQ(m_run.progressTitleMidCommand,
                  "Progress - the program quits after this command");
        EXPECT_EQ(GetWaitCursorState(), 0);
        EXPECT_EQ(m_run.s32TicksAfterClick, 7); // quit right after the running command
        std::vector<std::string> calls = CallsAfterClicks();
        size_t readEdid = 0, reads = 0;
        for (const std::string &call : calls) {
            readEdid += call.rfind("ReadEDID(", 0) == 0;
            reads += call.rfind("ReadI2CBuf(", 0) == 0;
        }
        EXPECT_EQ(readEdid, 1u); // the receive behind it never ran
        EXPECT_EQ(reads, (size_t)LONG_RECEIVE_BYTES / 128);
        ASSERT_GE(calls.size(), 3u);
        std::vector<std::string> last(calls.end() - 3, calls.end());
        EXPECT_EQ(last[0].rfind("DisableLog()", 0), 0u);
        EXPECT_EQ(last[1].rfind("DeinitDDCHelper()", 0), 0u);
        EXPECT_EQ(last[2].rfind("UninstallDriver()", 0), 0u);
        size_t disables = 0;
        for (const std::string &call : calls)
            disables += call.rfind("DisableLog()", 0) == 0;
        EXPECT_EQ(disables, 1u);
    }
};

TEST_F(QuitDuringCommandTest, CloseBoxWaitsForTheRunningCommand)
{
    m_run.request = [] { UiQueueClosePanel(gst_UiHandles.s32MainPanel); };
    EXPECT_EQ(Run(), 0);
    ExpectReceiveRanToItsEndThenShutdown();
    EXPECT_EQ(gst_UiHandles.s32MainPanel, 0);
}

TEST_F(QuitDuringCommandTest, ExitMenuItemWaitsForTheRunningCommand)
{
    // Two steps of the operator: open File, then pick Exit.
    m_run.request = [] {
        if (UiQueueMenuItem(gst_UiHandles.s32MainPanel, MENUBAR_FILE_EXIT) == 1) {
            vUiDeliverQueuedInput();
            UiQueueMenuItem(gst_UiHandles.s32MainPanel, MENUBAR_FILE_EXIT);
        }
    };
    EXPECT_EQ(Run(), 0);
    ExpectReceiveRanToItsEndThenShutdown();
}

struct IdleQuit {
    uint32_t u32CallsBefore = 0;
};

TEST_F(QuitDuringCommandTest, IdleCloseQuitsAtOnceAndOnlyOnce)
{
    static IdleQuit idle;
    vUiRunWhenLoopStarts(
        [](void *) {
            for (int i = 0; i < 21; i++)
                vUiFireTimers();
            idle.u32CallsBefore = u32DdcBenchLogCount();
            UiQueueClosePanel(gst_UiHandles.s32MainPanel);
            UiQueueClosePanel(gst_UiHandles.s32MainPanel);
            vUiDeliverQueuedInput();
        },
        nullptr);
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    EXPECT_EQ(s32TavolinMain(1, pcArgv), 0);
    std::vector<std::string> all = lstDdcBenchCalls();
    std::vector<std::string> calls(all.begin() + idle.u32CallsBefore, all.end());
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].rfind("DisableLog()", 0), 0u);
    EXPECT_EQ(calls[1].rfind("DeinitDDCHelper()", 0), 0u);
    EXPECT_EQ(calls[2].rfind("UninstallDriver()", 0), 0u);
    EXPECT_EQ(GetWaitCursorState(), 0);
}

} // namespace
