#include "tests/support/queue_probe.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "ui/Pavimo.h"

namespace {

using Commands = std::vector<int>;

class CallbackTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartUp();
        vClearCommandQueue();
    }

    void SetBoxes(int s32Erase, int s32Program, int s32Verify, int s32Receive, int s32ShowPkg)
    {
        SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, s32Erase);
        SetCtrlVal(MainPanel(), MAIN_FUNC_PROGRAM, s32Program);
        SetCtrlVal(MainPanel(), MAIN_FUNC_VERIFY, s32Verify);
        SetCtrlVal(MainPanel(), MAIN_FUNC_RECEIVE, s32Receive);
        SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_PKG, s32ShowPkg);
    }

    Commands Start()
    {
        vClearCommandQueue();
        UiClick(MainPanel(), MAIN_START_BTN);
        return lstWaitingCommands();
    }

    int Value(int s32Ctrl)
    {
        int s32Value = -1;
        GetCtrlVal(MainPanel(), s32Ctrl, &s32Value);
        return s32Value;
    }
};

TEST_F(CallbackTest, StartPostsTheFunctionSequence)
{
    struct Row {
        int erase, program, verify, receive, showPkg;
        Commands expected;
    } rows[] = {
        {0, 0, 0, 0, 0, {}},
        {0, 1, 0, 0, 0, {1, 2, 9}},
        {0, 0, 1, 0, 0, {1, 2, 8, 10}},
        {0, 1, 1, 0, 0, {1, 2, 9, 8, 10}},
        {1, 1, 1, 0, 0, {1, 20, 11, 2, 9, 8, 10}},
        {1, 0, 1, 0, 0, {1, 20, 11, 2, 8, 10}},
        {0, 1, 1, 1, 0, {1, 8, 2, 9, 10}},
        {1, 0, 0, 0, 0, {11}},
        {0, 0, 0, 1, 0, {8}},
        {0, 0, 0, 0, 1, {3}},
        {1, 1, 1, 1, 1, {1, 20, 11, 8, 2, 9, 10, 3}},
    };
    for (const Row &row : rows) {
        SetBoxes(row.erase, row.program, row.verify, row.receive, row.showPkg);
        EXPECT_EQ(Start(), row.expected) << row.erase << row.program << row.verify << row.receive
                                         << row.showPkg;
    }
}

TEST_F(CallbackTest, EveryPostCarriesTheStandardFields)
{
    SetBoxes(1, 1, 1, 1, 1);
    Start();
    for (int32_t i = gs32_CmdQueueRead; i != gs32_CmdQueueWrite; i++) {
        // The checks before the erase run at once and count the commands
        // of the Start behind them.
        if (gst_CmdQueue[i].s32CmdId == CMD_CHECK_START) {
            EXPECT_EQ(gst_CmdQueue[i].s32Param, gs32_CmdQueueWrite - i - 1);
            EXPECT_EQ(gst_CmdQueue[i].s32Delay, 100);
            continue;
        }
        EXPECT_EQ(gst_CmdQueue[i].s32Param, 1);
        EXPECT_EQ(gst_CmdQueue[i].s32Delay, 700);
        EXPECT_EQ(gst_CmdQueue[i].s32Reserved, 0);
    }
}

TEST_F(CallbackTest, HiddenReceiveAndShowPackageStillCountInNormalMode)
{
    SetBoxes(0, 0, 0, 1, 1);
    int s32Visible = 1;
    GetCtrlAttribute(MainPanel(), MAIN_FUNC_RECEIVE, ATTR_VISIBLE, &s32Visible);
    ASSERT_EQ(s32Visible, 0);
    EXPECT_EQ(Start(), (Commands{8, 3}));
}

TEST_F(CallbackTest, ShowDataBoxIsNotAStartFunction)
{
    SetBoxes(0, 0, 0, 0, 0);
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    EXPECT_EQ(Start(), Commands{});
}

TEST_F(CallbackTest, StartActsOnlyOnCommit)
{
    SetBoxes(1, 0, 0, 0, 0);
    StartBTNCallback(MainPanel(), MAIN_START_BTN, EVENT_GOT_FOCUS, nullptr, 0, 0);
    EXPECT_EQ(lstWaitingCommands(), Commands{});
}

// The save-type boxes and the page buttons lie in the advanced part of
// the panel, out of reach in normal mode.
TEST_F(CallbackTest, SaveTypeBoxesActAsATwoWaySelector)
{
    vShapeMainPanel(1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_BIN, 1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_TXT, 0);
    UiClick(MainPanel(), MAIN_SAVE_TXT);
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 0);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 1);
    UiClick(MainPanel(), MAIN_SAVE_TXT); // clicking the box that is on leaves it on
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 0);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 1);
    UiClick(MainPanel(), MAIN_SAVE_BIN);
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 1);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 0);
    UiClick(MainPanel(), MAIN_SAVE_BIN);
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 1);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 0);
}

TEST_F(CallbackTest, BothOrNeitherSaveTypeBecomesOneOnAClick)
{
    vShapeMainPanel(1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_BIN, 1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_TXT, 1);
    UiClick(MainPanel(), MAIN_SAVE_BIN); // the click turns it off, the handler back on
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 1);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 0);
    SetCtrlVal(MainPanel(), MAIN_SAVE_BIN, 0);
    SetCtrlVal(MainPanel(), MAIN_SAVE_TXT, 0);
    UiClick(MainPanel(), MAIN_SAVE_TXT);
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 0);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 1);
}

TEST_F(CallbackTest, FunctionBoxesAreIndependent)
{
    SetBoxes(0, 1, 0, 0, 0);
    UiClick(MainPanel(), MAIN_FUNC_ERASE);
    UiClick(MainPanel(), MAIN_FUNC_VERIFY);
    EXPECT_EQ(Value(MAIN_FUNC_ERASE), 1);
    EXPECT_EQ(Value(MAIN_FUNC_VERIFY), 1);
    EXPECT_EQ(Value(MAIN_FUNC_PROGRAM), 1);
    UiClick(MainPanel(), MAIN_FUNC_PROGRAM);
    EXPECT_EQ(Value(MAIN_FUNC_PROGRAM), 0);
    EXPECT_EQ(Value(MAIN_FUNC_ERASE), 1);
}

TEST_F(CallbackTest, FunctionAccessorsCoverOnlyTheFiveStartBoxes)
{
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_BIN, 1);
    int32_t s32Value = 7;
    vGetMainFunctionCB(MAIN_FUNC_SHOW_DATA, &s32Value);
    EXPECT_EQ(s32Value, 0);
    s32Value = 7;
    vGetMainFunctionCB(MAIN_SAVE_BIN, &s32Value);
    EXPECT_EQ(s32Value, 0);
    vSetMainFunctionCB(MAIN_FUNC_SHOW_DATA, 0);
    EXPECT_EQ(Value(MAIN_FUNC_SHOW_DATA), 1);
    vSetMainFunctionCB(MAIN_FUNC_ERASE, 3); // only bit 0 counts
    EXPECT_EQ(Value(MAIN_FUNC_ERASE), 1);
    vSetMainFunctionCB(MAIN_FUNC_ERASE, 2);
    EXPECT_EQ(Value(MAIN_FUNC_ERASE), 0);
}

TEST_F(CallbackTest, SaveTypeAccessors)
{
    vSetMainDeviceSaveTypeCB(0, 3);
    int32_t s32Value = 0;
    vGetMainDeviceSaveTypeCB(MAIN_SAVE_BIN, &s32Value);
    EXPECT_EQ(s32Value, 1);
    vGetMainDeviceSaveTypeCB(MAIN_SAVE_TXT, &s32Value);
    EXPECT_EQ(s32Value, 1);
    vGetMainDeviceSaveTypeCB(MAIN_FUNC_ERASE, &s32Value);
    EXPECT_EQ(s32Value, 0);
    vSetMainDeviceSaveTypeCB(MAIN_SAVE_TXT, 0);
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 0);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 0);
}

TEST_F(CallbackTest, SingleActionButtonsPostTheirCommand)
{
    vShapeMainPanel(1);
    struct {
        int s32Ctrl;
        int s32Command;
    } buttons[] = {
        {MAIN_MSG_SAVE_BTN, CMD_SAVE_MSG},          {MAIN_RECEIVE_PAGE_BTN, CMD_RECEIVE_BY_PAGE},
        {MAIN_PROGRAM_PAGE_BTN, CMD_PROGRAM_BY_PAGE}, {MAIN_SAVE_EDID_BTN, CMD_SAVE_EDID},
        {MAIN_REFRESH_BTN, CMD_REFRESH_MONITOR},    {MAIN_DDC_SPEED, CMD_SET_DDC_SPEED},
    };
    for (const auto &button : buttons) {
        vClearCommandQueue();
        UiClick(MainPanel(), button.s32Ctrl);
        EXPECT_EQ(lstWaitingCommands(), Commands{button.s32Command}) << button.s32Ctrl;
    }
}

// A Start holds its display, port and package until the ring is empty; the
// panel's other choices stay as they were.
TEST_F(CallbackTest, StartDimsOnlyItsTargetUntilTheRingIsEmpty)
{
    const int s32Target[] = {MAIN_PORT_LIST, MAIN_MONITOR_LIST, MAIN_REFRESH_BTN, MAIN_PKG_BROWSE};
    const int s32Others[] = {MAIN_DDC_SPEED, MAIN_FUNC_ERASE, MAIN_PRODUCTION_BTN};
    auto dimmed = [this](int s32Ctrl) {
        int s32Dimmed = -1;
        GetCtrlAttribute(MainPanel(), s32Ctrl, ATTR_DIMMED, &s32Dimmed);
        return s32Dimmed;
    };
    std::vector<int> others;
    for (int s32Ctrl : s32Others)
        others.push_back(dimmed(s32Ctrl));
    SetBoxes(0, 1, 0, 0, 0);
    Start();
    for (int s32Ctrl : s32Target)
        EXPECT_EQ(dimmed(s32Ctrl), 1) << s32Ctrl;
    for (size_t i = 0; i < others.size(); i++)
        EXPECT_EQ(dimmed(s32Others[i]), others[i]) << s32Others[i];
    vClearCommandQueue();
    Ticks(1);
    for (int s32Ctrl : s32Target)
        EXPECT_EQ(dimmed(s32Ctrl), 0) << s32Ctrl;
}

TEST_F(CallbackTest, ClickDuringASequenceGoesBehindIt)
{
    SetBoxes(0, 1, 0, 0, 0);
    UiClick(MainPanel(), MAIN_START_BTN);
    UiClick(MainPanel(), MAIN_REFRESH_BTN); // dimmed: the Start keeps its display
    UiClick(MainPanel(), MAIN_MSG_SAVE_BTN);
    EXPECT_EQ(lstWaitingCommands(), (Commands{1, 2, 9, 15}));
}

TEST_F(CallbackTest, ClearEmptiesTheMessageBoxEntirely)
{
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "Detecting monitor ...\n>");
    UiClick(MainPanel(), MAIN_MSG_CLEAR_BTN);
    EXPECT_EQ(MsgBox(), "");
    int s32Lines = -1;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Lines);
    EXPECT_EQ(s32Lines, 0);
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, " - Pass\n>");
    EXPECT_EQ(MsgBox(), " - Pass\n>");
}

} // namespace
