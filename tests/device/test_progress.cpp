#include "tests/support/queue_probe.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "device/progress.h"
#include "ui/Pavimo.h"

namespace {

class ProgressTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        LoadPanels();
    }
    int Progress() { return gst_UiHandles.s32ProgressPanel; }
    std::string Text()
    {
        char cText[256];
        GetCtrlVal(Progress(), PROGRESS_TEXT, cText);
        return cText;
    }
    int Percent()
    {
        int s32Value = -1;
        GetCtrlVal(Progress(), PROGRESS_PERCENT, &s32Value);
        return s32Value;
    }
};

TEST_F(ProgressTest, ShowsTextTwelveBlanksAndPercentage)
{
    vShowProgress("Receiving EDID ...", 20);
    EXPECT_EQ(Text(), "Receiving EDID ...            20%");
    EXPECT_EQ(Percent(), 20);
    EXPECT_TRUE(bUiPanelIsVisible(Progress()));
    EXPECT_EQ(GetActivePanel(), Progress());
}

TEST_F(ProgressTest, PercentageIsClampedToZeroAndHundred)
{
    vShowProgress("Erasing EDID ...", 150);
    EXPECT_EQ(Text(), "Erasing EDID ...            100%");
    EXPECT_EQ(Percent(), 100);
    vShowProgress("Erasing EDID ...", -5);
    EXPECT_EQ(Text(), "Erasing EDID ...            0%");
    EXPECT_EQ(Percent(), 0);
}

TEST_F(ProgressTest, EmptyTextChangesNothing)
{
    vShowProgress("Programming EDID ...", 40);
    HidePanel(Progress());
    vShowProgress("", 90);
    vShowProgress(nullptr, 90);
    EXPECT_EQ(Text(), "Programming EDID ...            40%");
    EXPECT_EQ(Percent(), 40);
    EXPECT_FALSE(bUiPanelIsVisible(Progress()));
}

// A handle of 0 means no progress panel: the panel that is loaded is left
// exactly as it was, whether hidden or shown.
TEST_F(ProgressTest, NothingHappensWithoutThePanel)
{
    const int s32Panel = Progress();
    vShowProgress("Programming EDID ...", 40);
    HidePanel(s32Panel);
    SetActivePanel(MainPanel());
    gst_UiHandles.s32ProgressPanel = 0;
    vShowProgress("Receiving EDID ...", 20);
    vShowProgressPanel();
    gst_UiHandles.s32ProgressPanel = s32Panel;
    EXPECT_FALSE(bUiPanelIsVisible(s32Panel));
    EXPECT_EQ(Text(), "Programming EDID ...            40%");
    EXPECT_EQ(Percent(), 40);
    EXPECT_EQ(GetActivePanel(), MainPanel());
    EXPECT_EQ(MsgBox(), "");

    DisplayPanel(s32Panel);
    gst_UiHandles.s32ProgressPanel = 0;
    vHideProgressPanel();
    gst_UiHandles.s32ProgressPanel = s32Panel;
    EXPECT_TRUE(bUiPanelIsVisible(s32Panel));
}

TEST_F(ProgressTest, CloseBoxEmptiesTheQueueAndLeavesThePanelUp)
{
    vShowProgress("Erasing EDID ...", 10);
    vPostCommand(CMD_ERASE, 1, 700, 0);
    vPostCommand(CMD_PROGRAM, 1, 700, 0);
    UiClosePanel(Progress());
    EXPECT_EQ(gs32_CmdQueueWrite, 0);
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    EXPECT_TRUE(bUiPanelIsVisible(Progress()));
}

TEST_F(ProgressTest, CallbackIgnoresOtherEventsAndPanels)
{
    vPostCommand(CMD_ERASE, 1, 700, 0);
    ProgressQuitCallback(Progress(), EVENT_GOT_FOCUS, nullptr, 0, 0);
    ProgressQuitCallback(Progress(), EVENT_LOST_FOCUS, nullptr, 0, 0);
    ProgressQuitCallback(MainPanel(), EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_EQ(lstWaitingCommands(), std::vector<int>{CMD_ERASE});
}

// The running command (a message save, whose dialog is where the operator
// closes the progress panel) finishes; the two behind it never run.
TEST_F(ProgressTest, ClosingDuringASequenceDropsTheWaitingCommands)
{
    std::string target = m_dir.file("first.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, target);
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, m_dir.file("second.txt"));
    // Only a panel on screen can be closed; the message save itself does not
    // show the progress panel.
    m_dialogs.pfnDuring = [](void *) {
        DisplayPanel(gst_UiHandles.s32ProgressPanel);
        UiClosePanel(gst_UiHandles.s32ProgressPanel);
    };
    DisplayPanel(MainPanel());
    for (int i = 0; i < 3; i++)
        UiClick(MainPanel(), MAIN_MSG_SAVE_BTN);
    Ticks(7);
    EXPECT_TRUE(bFileExists(target));
    EXPECT_EQ(gs32_CmdQueueRead, 0);
    EXPECT_EQ(gs32_CmdQueueWrite, 0);
    Ticks(30);
    EXPECT_EQ(m_dialogs.requests.size(), 1u);
    UiClick(MainPanel(), MAIN_REFRESH_BTN);
    EXPECT_EQ(gst_CmdQueue[0].s32CmdId, CMD_REFRESH_MONITOR);
    EXPECT_EQ(gs32_CmdQueueWrite, 1);
}

} // namespace
