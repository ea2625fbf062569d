// The panel run-time's rules, held by its front, run against a back end
// with no windows: what the Qt and the Win32 run-times both obey.
#include "tests/support/ui_fake_backend.h"

#include "platform/userint/userint_test.h"
#include "ui/Pavimo.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_events;

void vNote(const std::string &event) { g_events.push_back(event); }

int MainQuit(int, int event, void *, int, int)
{
    vNote("main " + std::to_string(event));
    return 0;
}

int ProgressQuitCallback(int, int event, void *, int, int)
{
    vNote("progress " + std::to_string(event));
    return 0;
}

void MenuBarCallback(int menuBar, int menuItem, void *, int panel)
{
    vNote("menu " + std::to_string(menuItem) + (menuBar == panel ? " of its panel" : " elsewhere"));
}

int Receiver_Timer_Callback(int, int control, int event, void *, int, int)
{
    vNote("timer " + std::to_string(control) + " " + std::to_string(event));
    return 0;
}

// Keeps the keys of a field (0) unless it is Enter.
int UnitSerialCallback(int, int control, int event, void *, int key, int)
{
    vNote("serial " + std::to_string(event) + " " + std::to_string(key));
    return key == VAL_ENTER_VKEY ? 1 : 0;
}

const stUiCallbackEntry gst_Callbacks[] = {
    {"MainQuit", nullptr, MainQuit, nullptr},
    {"ProgressQuitCallback", nullptr, ProgressQuitCallback, nullptr},
    {"MenuBarCallback", nullptr, nullptr, MenuBarCallback},
    {"Receiver_Timer_Callback", Receiver_Timer_Callback, nullptr, nullptr},
    {"UnitSerialCallback", UnitSerialCallback, nullptr, nullptr},
};

bool bCalled(const std::string &call)
{
    const std::vector<std::string> &calls = lstFakeCalls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

class UiFrontTest : public ::testing::Test {
protected:
    int m_s32Main = 0;
    int m_s32Progress = 0;

    void SetUp() override
    {
        vFakeReset();
        g_events.clear();
        vUiSetCallbackTable(gst_Callbacks, sizeof(gst_Callbacks) / sizeof(gst_Callbacks[0]));
        char cArg[] = "test";
        char *pcArgv[] = {cArg, nullptr};
        ASSERT_EQ(InitCVIRTEWithoutWindows(pcArgv), 1);
        vUiSetProjectDir(TAVOLIN_SOURCE_DIR "/ui");
        m_s32Main = LoadPanel(0, "Pavimo.uir", PANEL_MAIN);
        m_s32Progress = LoadPanel(m_s32Main, "Pavimo.uir", PANEL_PROGRESS);
        ASSERT_GT(m_s32Main, 0);
        ASSERT_GT(m_s32Progress, 0);
    }

    void TearDown() override
    {
        DiscardPanel(m_s32Progress);
        DiscardPanel(m_s32Main);
        EXPECT_EQ(s32UiLoadedPanelCount(), 0);
        vUiSetProjectDir(nullptr);
        vUiUseManualTimers(0);
        vUiSetFileResponder(nullptr, nullptr);
        vUiSetConfirmResponder(nullptr, nullptr);
    }

    const stUiCtrl *Ctrl(int s32Control) { return pUiFindControl(m_s32Main, s32Control); }

    std::vector<std::string> Lines(int s32Control)
    {
        int s32Count = 0;
        EXPECT_EQ(GetNumTextBoxLines(m_s32Main, s32Control, &s32Count), 0);
        std::vector<std::string> lines;
        for (int i = 0; i < s32Count; i++) {
            char cLine[256];
            GetTextBoxLine(m_s32Main, s32Control, i, cLine, sizeof(cLine));
            lines.push_back(cLine);
        }
        return lines;
    }
};

TEST_F(UiFrontTest, PanelsComeFromTheResourceAsPlainData)
{
    const stUiPanel *pstMain = pUiFindPanel(m_s32Main);
    EXPECT_STREQ(pstMain->cTitle, "Tavolin");
    EXPECT_EQ(pstMain->s32Height, 695);
    EXPECT_FALSE(pstMain->bFloating);
    EXPECT_TRUE(pUiFindPanel(m_s32Progress)->bFloating);
    EXPECT_TRUE(bCalled("create " + std::to_string(m_s32Progress) + " progressPanel in mainPanel"));

    const stUiCtrl *pstBrowse = Ctrl(MAIN_PKG_BROWSE);
    EXPECT_EQ(pstBrowse->s32Kind, UI_KIND_BUTTON);
    EXPECT_EQ(std::vector<int>({pstBrowse->s32X, pstBrowse->s32Y, pstBrowse->s32Width, pstBrowse->s32Height}),
              std::vector<int>({334, 28, 84, 26}));
    EXPECT_EQ(pstMain->stCtrls[pstBrowse->s32Part].s32Kind, UI_KIND_PART);
    EXPECT_EQ(Ctrl(MAIN_TIMER)->s32Kind, UI_KIND_TIMER);
    EXPECT_EQ(Ctrl(MAIN_TIMER)->s32Interval, 100);
    EXPECT_EQ(Ctrl(MAIN_PKG_PATH)->s32PointSize, 9);
    EXPECT_STREQ(pstMain->stCtrls[pstMain->s32TabOrder[0]].cName, "pkgPath");

    // The resource's ring items reach the window, its current one selected.
    EXPECT_EQ(lstFakeItems(m_s32Main, MAIN_DDC_SPEED).at(1), "30 kHz");
    EXPECT_EQ(s32FakeShownIndex(m_s32Main, MAIN_DDC_SPEED), 4);

    int32_t s32Exit = s32UiMenuEntryOfItem(pstMain, MENUBAR_FILE_EXIT);
    ASSERT_GE(s32Exit, 0);
    const stUiMenuEntry *pstExit = &pstMain->stMenu[s32Exit];
    EXPECT_STREQ(pstExit->cText, "E&xit");
    EXPECT_STREQ(pstMain->stMenu[pstExit->s32Menu].cText, "&File");
    EXPECT_EQ(GetPanelMenuBar(m_s32Main), m_s32Main);
    EXPECT_EQ(GetPanelMenuBar(m_s32Progress), 0);

    EXPECT_EQ(LoadPanel(0, "Pavimo.uir", 99), UIE_PANEL_NOT_FOUND);
    EXPECT_EQ(LoadPanel(0, "missing.uir", PANEL_MAIN), UIE_RESOURCE_NOT_FOUND);
    EXPECT_EQ(LoadPanel(0, nullptr, PANEL_MAIN), UIE_BAD_ARGUMENT);
}

TEST_F(UiFrontTest, EntryPointsRefuseWhatTheirControlCannotDo)
{
    int s32Value = 0;
    char cText[8];
    EXPECT_EQ(DisplayPanel(999), UIE_BAD_PANEL);
    EXPECT_EQ(SetCtrlVal(m_s32Main, 999, 1), UIE_BAD_CONTROL);
    EXPECT_EQ(SetCtrlVal(m_s32Main, MAIN_START_BTN, 1), UIE_BAD_CONTROL);
    EXPECT_EQ(SetCtrlVal(m_s32Main, MAIN_PKG_PATH, (const char *)nullptr), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlVal(m_s32Main, MAIN_FUNC_ERASE, "x"), UIE_BAD_CONTROL);
    EXPECT_EQ(GetCtrlVal(m_s32Main, MAIN_FUNC_ERASE, (int *)nullptr), UIE_BAD_ARGUMENT);
    EXPECT_EQ(GetCtrlValText(m_s32Main, MAIN_START_BTN, cText, sizeof(cText)), UIE_BAD_CONTROL);
    EXPECT_EQ(GetCtrlValText(m_s32Main, MAIN_PKG_PATH, cText, 0), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlAttribute(m_s32Main, MAIN_START_BTN, ATTR_TEXT_COLOR, 0xFF0000), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(m_s32Main, MAIN_START_BTN, ATTR_TEXT_POINT_SIZE, 0), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlAttribute(m_s32Main, MAIN_TIMER, ATTR_TEXT_POINT_SIZE, 10), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(m_s32Main, MAIN_START_BTN, ATTR_INTERVAL, 10), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(m_s32Main, MAIN_START_BTN, ATTR_MIN_VALUE, 1), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(GetCtrlAttribute(m_s32Main, MAIN_START_BTN, ATTR_STRING_TEXT_LENGTH, &s32Value), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(GetCtrlAttribute(m_s32Main, MAIN_START_BTN, ATTR_ENABLED, &s32Value), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(m_s32Main, MAIN_TIMER, ATTR_VISIBLE, 1), UIE_NO_ERROR);
    GetCtrlAttribute(m_s32Main, MAIN_TIMER, ATTR_VISIBLE, &s32Value);
    EXPECT_EQ(s32Value, 0);
    EXPECT_EQ(SetActiveCtrl(m_s32Main, MAIN_TIMER), UIE_BAD_CONTROL);
    EXPECT_EQ(SetPanelKeyboardHome(m_s32Main, MAIN_START_BTN), UIE_BAD_CONTROL);
    EXPECT_EQ(SetPanelKeyboardHome(m_s32Main, MAIN_UNIT_SERIAL), UIE_NO_ERROR);
    EXPECT_EQ(InsertListItem(m_s32Main, MAIN_START_BTN, -1, "x", 1), UIE_BAD_CONTROL);
    EXPECT_EQ(InsertListItem(m_s32Main, MAIN_PORT_LIST, -1, nullptr, 1), UIE_BAD_ARGUMENT);
    EXPECT_EQ(GetTextBoxLine(m_s32Main, MAIN_MSG_BOX, 0, cText, sizeof(cText)), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetPanelAttribute(m_s32Main, ATTR_TITLE, (const char *)nullptr), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(GetPanelAttribute(m_s32Main, ATTR_DIMMED, &s32Value), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(MakeDir(""), UIE_BAD_ARGUMENT);
    EXPECT_EQ(GetFileInfo(TAVOLIN_SOURCE_DIR "/ui", nullptr), 0);
}

TEST_F(UiFrontTest, ListsKeepTheirItemsAndTheOperatorsSelection)
{
    int s32Index = 0, s32Value = 0;
    GetCtrlIndex(m_s32Main, MAIN_PORT_LIST, &s32Index);
    EXPECT_EQ(s32Index, -1);
    EXPECT_EQ(GetCtrlVal(m_s32Main, MAIN_PORT_LIST, &s32Value), UIE_BAD_ARGUMENT);
    InsertListItem(m_s32Main, MAIN_PORT_LIST, -1, "HDMI", 7);
    InsertListItem(m_s32Main, MAIN_PORT_LIST, 0, "VGA", 3);
    InsertListItem(m_s32Main, MAIN_PORT_LIST, 9, "\xBF\xE9\xA4\x4A", 5);
    EXPECT_EQ(lstFakeItems(m_s32Main, MAIN_PORT_LIST),
              (std::vector<std::string>{"VGA", "HDMI", "\xBF\xE9\xA4\x4A"}));
    // Filled, the first item was selected; it stays selected as others come before it.
    GetCtrlVal(m_s32Main, MAIN_PORT_LIST, &s32Value);
    EXPECT_EQ(s32Value, 7);
    vFakeOperatorSets(m_s32Main, MAIN_PORT_LIST, 2);
    GetCtrlVal(m_s32Main, MAIN_PORT_LIST, &s32Value);
    EXPECT_EQ(s32Value, 5);
    EXPECT_EQ(SetCtrlVal(m_s32Main, MAIN_PORT_LIST, 3), 0);
    EXPECT_EQ(s32FakeShownIndex(m_s32Main, MAIN_PORT_LIST), 0);
    EXPECT_EQ(SetCtrlVal(m_s32Main, MAIN_PORT_LIST, 4), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlIndex(m_s32Main, MAIN_PORT_LIST, 3), UIE_BAD_ARGUMENT);
    char cLabel[4];
    GetLabelFromIndex(m_s32Main, MAIN_PORT_LIST, 2, cLabel, sizeof(cLabel));
    EXPECT_STREQ(cLabel, "\xBF\xE9\xA4");
    int s32Count = 0;
    GetNumListItems(m_s32Main, MAIN_PORT_LIST, &s32Count);
    EXPECT_EQ(s32Count, 3);
    ClearListCtrl(m_s32Main, MAIN_PORT_LIST);
    GetNumListItems(m_s32Main, MAIN_PORT_LIST, &s32Count);
    GetCtrlIndex(m_s32Main, MAIN_PORT_LIST, &s32Index);
    EXPECT_EQ(s32Count, 0);
    EXPECT_EQ(s32Index, -1);
    // A ring's resource items carry the resource's values.
    SetCtrlVal(m_s32Main, MAIN_DDC_SPEED, 2);
    GetLabelFromIndex(m_s32Main, MAIN_DDC_SPEED, 2, cLabel, sizeof(cLabel));
    GetCtrlIndex(m_s32Main, MAIN_DDC_SPEED, &s32Index);
    EXPECT_EQ(s32Index, 2);
}

TEST_F(UiFrontTest, NumbersStayWithinTheirLimits)
{
    int s32Value = 0;
    SetCtrlAttribute(m_s32Main, MAIN_PAGE_NUM, ATTR_MAX_VALUE, 7);
    SetCtrlAttribute(m_s32Main, MAIN_PAGE_NUM, ATTR_MIN_VALUE, 9); // passes the maximum
    GetCtrlAttribute(m_s32Main, MAIN_PAGE_NUM, ATTR_MAX_VALUE, &s32Value);
    EXPECT_EQ(s32Value, 9);
    SetCtrlAttribute(m_s32Main, MAIN_PAGE_NUM, ATTR_MAX_VALUE, 20);
    SetCtrlVal(m_s32Main, MAIN_PAGE_NUM, 50);
    GetCtrlVal(m_s32Main, MAIN_PAGE_NUM, &s32Value);
    EXPECT_EQ(s32Value, 20);
    vFakeOperatorSets(m_s32Main, MAIN_PAGE_NUM, 12);
    GetCtrlVal(m_s32Main, MAIN_PAGE_NUM, &s32Value);
    EXPECT_EQ(s32Value, 12);

    int s32Percent = 0;
    SetCtrlVal(m_s32Progress, PROGRESS_PERCENT, 40);
    EXPECT_EQ(SetCtrlVal(m_s32Progress, PROGRESS_PERCENT, 101), UIE_NO_ERROR);
    GetCtrlVal(m_s32Progress, PROGRESS_PERCENT, &s32Percent);
    EXPECT_EQ(s32Percent, 40);

    SetCtrlVal(m_s32Main, MAIN_FUNC_ERASE, 5);
    GetCtrlVal(m_s32Main, MAIN_FUNC_ERASE, &s32Value);
    EXPECT_EQ(s32Value, 1);
    vFakeOperatorTypes(m_s32Main, MAIN_PKG_PATH, "a/b.pkg");
    GetCtrlAttribute(m_s32Main, MAIN_PKG_PATH, ATTR_STRING_TEXT_LENGTH, &s32Value);
    EXPECT_EQ(s32Value, 7);
    char cText[4];
    GetCtrlValText(m_s32Main, MAIN_PKG_PATH, cText, sizeof(cText));
    EXPECT_STREQ(cText, "a/b");
}

// The window gets what was appended at most once a frame, joined; reading
// the box gives its lines whenever it is read, and shows it first.
TEST_F(UiFrontTest, TextBoxKeepsItsLinesAndGivesTheWindowWholeFrames)
{
    vFakeClearCalls();
    SetCtrlVal(m_s32Main, MAIN_MSG_BOX, "ab");
    SetCtrlVal(m_s32Main, MAIN_MSG_BOX, "c\n");
    SetCtrlVal(m_s32Main, MAIN_MSG_BOX, "\nd\n>");
    EXPECT_EQ(strFakeShownText(m_s32Main, MAIN_MSG_BOX), "");
    ProcessDrawEvents();
    EXPECT_EQ(strFakeShownText(m_s32Main, MAIN_MSG_BOX), "abc\n\nd\n>");
    EXPECT_EQ(std::count_if(lstFakeCalls().begin(), lstFakeCalls().end(),
                            [](const std::string &call) { return call.rfind("append", 0) == 0; }),
              1);
    EXPECT_EQ(Lines(MAIN_MSG_BOX), (std::vector<std::string>{"abc", "", "d", ">"}));

    ResetTextBox(m_s32Main, MAIN_MSG_BOX, "x\n");
    EXPECT_EQ(Lines(MAIN_MSG_BOX), (std::vector<std::string>{"x"}));
    SetCtrlVal(m_s32Main, MAIN_MSG_BOX, "\r\ny\r");
    EXPECT_EQ(Lines(MAIN_MSG_BOX), (std::vector<std::string>{"x", "", "", "y", ""}));
    EXPECT_EQ(strFakeShownText(m_s32Main, MAIN_MSG_BOX), "x\n\n\ny\n");
    int s32Length = 0;
    GetTextBoxLineLength(m_s32Main, MAIN_MSG_BOX, 3, &s32Length);
    EXPECT_EQ(s32Length, 1);
    ResetTextBox(m_s32Main, MAIN_MSG_BOX, "");
    EXPECT_EQ(Lines(MAIN_MSG_BOX), std::vector<std::string>{});
    SetCtrlVal(m_s32Main, MAIN_MSG_BOX, "\n");
    EXPECT_EQ(Lines(MAIN_MSG_BOX), std::vector<std::string>{""});
}

// A smaller panel hides a group box wholly outside it, and with it what it
// holds; the controls keep their own visible attribute.
TEST_F(UiFrontTest, PanelSizeHidesTheGroupBoxesItCutsOff)
{
    vFakeClearCalls();
    SetPanelAttribute(m_s32Main, ATTR_HEIGHT, 550);
    EXPECT_TRUE(bCalled("apply " + std::to_string(m_s32Main) + " advancedGroup SHOWN"));
    EXPECT_TRUE(bCalled("apply " + std::to_string(m_s32Main) + " saveEdidBtn SHOWN"));
    EXPECT_FALSE(bCalled("apply " + std::to_string(m_s32Main) + " msgGroup SHOWN"));
    const stUiPanel *pstMain = pUiFindPanel(m_s32Main);
    const stUiCtrl *pstSave = Ctrl(MAIN_SAVE_EDID_BTN);
    EXPECT_FALSE(bUiCtrlShown(pstMain, pstSave));
    int s32Value = 0;
    GetCtrlAttribute(m_s32Main, MAIN_SAVE_EDID_BTN, ATTR_VISIBLE, &s32Value);
    EXPECT_EQ(s32Value, 1);
    GetPanelAttribute(m_s32Main, ATTR_HEIGHT, &s32Value);
    EXPECT_EQ(s32Value, 550);
    SetPanelAttribute(m_s32Main, ATTR_HEIGHT, 695);
    EXPECT_TRUE(bUiCtrlShown(pstMain, pstSave));
    SetPanelAttribute(m_s32Main, ATTR_HEIGHT, 0);
    GetPanelAttribute(m_s32Main, ATTR_HEIGHT, &s32Value);
    EXPECT_EQ(s32Value, pstMain->s32MenuHeight + 1);

    SetPanelAttribute(m_s32Main, ATTR_TITLE, "Tavolin - station 3");
    char cTitle[12];
    GetPanelAttribute(m_s32Main, ATTR_TITLE, cTitle, sizeof(cTitle));
    EXPECT_STREQ(cTitle, "Tavolin - s");
    SetPanelAttribute(m_s32Progress, ATTR_VISIBLE, 1);
    EXPECT_EQ(bUiPanelIsVisible(m_s32Progress), 1);
    // A floating panel never takes the keyboard.
    vFakeClearCalls();
    SetActivePanel(m_s32Progress);
    SetActivePanel(m_s32Main);
    EXPECT_EQ(lstFakeCalls(), std::vector<std::string>{"activate " + std::to_string(m_s32Main)});
    EXPECT_EQ(GetActivePanel(), m_s32Main);
}

TEST_F(UiFrontTest, CallbacksAreFoundByNameAndTimersTickAsSet)
{
    const stUiPanel *pstMain = pUiFindPanel(m_s32Main);
    int32_t s32Timer = s32UiCtrlIndex(pstMain, Ctrl(MAIN_TIMER));
    int32_t s32Serial = s32UiCtrlIndex(pstMain, Ctrl(MAIN_UNIT_SERIAL));
    EXPECT_TRUE(bCalled("timer " + std::to_string(m_s32Main) + " receiverTimer 100"));
    vUiFrontTimerTick(m_s32Main, s32Timer);
    EXPECT_EQ(s32UiFrontCtrlEvent(m_s32Main, s32Serial, EVENT_KEYPRESS, 'a'), 0);
    EXPECT_EQ(s32UiFrontCtrlEvent(m_s32Main, s32Serial, EVENT_KEYPRESS, VAL_ENTER_VKEY), 1);
    vUiFrontMenuItem(m_s32Main, MENUBAR_FILE_EXIT);
    EXPECT_FALSE(bUiFrontEscape(m_s32Main));
    EXPECT_TRUE(bUiFrontEscape(m_s32Progress));
    s32UiFrontPanelEvent(m_s32Main, EVENT_CLOSE);
    EXPECT_EQ(g_events, (std::vector<std::string>{"timer 18 6", "serial 2 97", "serial 2 768",
                                                  "menu 4 of its panel", "progress 3", "main 3"}));

    vFakeClearCalls();
    g_events.clear();
    vUiUseManualTimers(1);
    EXPECT_EQ(lstFakeCalls(), std::vector<std::string>{"timer " + std::to_string(m_s32Main) + " receiverTimer 0"});
    vUiFireTimers();
    SetCtrlAttribute(m_s32Main, MAIN_TIMER, ATTR_ENABLED, 0);
    vUiFireTimers();
    EXPECT_EQ(g_events, std::vector<std::string>{"timer 18 6"});
    vUiUseManualTimers(0);
    SetCtrlAttribute(m_s32Main, MAIN_TIMER, ATTR_ENABLED, 1);
    SetCtrlAttribute(m_s32Main, MAIN_TIMER, ATTR_INTERVAL, -5);
    EXPECT_EQ(lstFakeCalls().back(), "timer " + std::to_string(m_s32Main) + " receiverTimer 1");
}

int AnswerWithPath(const stUiFileRequest *, char *pcPath, size_t size, void *pvPath)
{
    snprintf(pcPath, size, "%s", static_cast<const char *>(pvPath));
    return VAL_EXISTING_FILE_SELECTED;
}

int AnswerYes(const char *, const char *, void *) { return 1; }

TEST_F(UiFrontTest, DialogsAreAnsweredByTheCallerOrTheBackEnd)
{
    char cPath[16] = "old";
    vUiSetFileResponder(AnswerWithPath, (void *)"/tmp/a-long-name.edid");
    EXPECT_EQ(FileSelectPopup("", "*.edid", "", "Save", VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath, sizeof(cPath)),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(cPath, "");
    char cLong[64];
    vUiSetFileResponder(AnswerWithPath, (void *)"/nonexistent/unit3");
    EXPECT_EQ(FileSelectPopup("", "*.edid", "", "Save", VAL_SAVE_BUTTON, 0, 1, 1, 0, cLong, sizeof(cLong)),
              VAL_NEW_FILE_SELECTED);
    EXPECT_STREQ(cLong, "/nonexistent/unit3.edid");
    vUiSetFileResponder(AnswerWithPath, (void *)"/nonexistent/unit3.EDID");
    FileSelectPopup("", "*.edid", "", "Save", VAL_SAVE_BUTTON, 0, 1, 1, 0, cLong, sizeof(cLong));
    EXPECT_STREQ(cLong, "/nonexistent/unit3.EDID");
    char cRoom[20];
    vUiSetFileResponder(AnswerWithPath, (void *)"/nonexistent/unit3");
    EXPECT_EQ(FileSelectPopup("", "*.edid", "", "Save", VAL_SAVE_BUTTON, 0, 1, 1, 0, cRoom, sizeof(cRoom)),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(cRoom, "");

    vUiSetFileResponder(nullptr, nullptr);
    vFakeFileAnswer("/nonexistent/b");
    vFakeClearCalls();
    FileSelectPopup("", "*.txt", "*.txt;*.log", "Open", VAL_LOAD_BUTTON, 0, 1, 1, 0, cLong, sizeof(cLong));
    FileSelectPopup("", "*.txt", "", "Open", VAL_LOAD_BUTTON, 0, 0, 1, 0, cLong, sizeof(cLong));
    EXPECT_EQ(lstFakeCalls(), (std::vector<std::string>{"file dialog Open [txt]", "file dialog Open []"}));
    EXPECT_STREQ(cLong, "/nonexistent/b");

    EXPECT_EQ(ConfirmPopup("Erase", "Sure?"), 0);
    vUiSetConfirmResponder(AnswerYes, nullptr);
    EXPECT_EQ(ConfirmPopup(nullptr, nullptr), 1);
    EXPECT_EQ(lstFakeCalls().back(), "confirm Erase: Sure?");
}

// The program's folder: beside the program when the panels lie there and it
// may write there, else the user's own, made then.
TEST_F(UiFrontTest, ProgramFolderIsBesideThePanelsOrTheUsersOwn)
{
    char cBase[] = "/tmp/uifront.XXXXXX";
    ASSERT_NE(mkdtemp(cBase), nullptr);
    std::string exe = std::string(cBase) + "/bin", data = std::string(cBase) + "/data";
    ASSERT_EQ(MakeDir(exe.c_str()), 0);
    EXPECT_EQ(MakeDir(exe.c_str()), UIE_ALREADY_EXISTS);
    vUiDecideProgramDir(exe.c_str(), nullptr, data.c_str(), nullptr);
    char cDir[256];
    vUiSetProjectDir(nullptr);
    GetProjectDir(cDir, sizeof(cDir));
    EXPECT_EQ(std::string(cDir), data + "/tavolin");
    EXPECT_EQ(std::string(getenv(UI_PROGRAM_DIR_VARIABLE)), data + "/tavolin");
    EXPECT_TRUE(bUiInstalledMode());
    struct stat st;
    EXPECT_EQ(stat((data + "/tavolin").c_str(), &st), 0);

    std::string resource = exe + "/Pavimo.uir";
    ASSERT_EQ(ArrayToFile(resource.c_str(), "<ui/>", 5), 0);
    vUiDecideProgramDir(exe.c_str(), nullptr, data.c_str(), nullptr);
    GetProjectDir(cDir, sizeof(cDir));
    EXPECT_EQ(std::string(cDir), exe);
    EXPECT_EQ(getenv(UI_PROGRAM_DIR_VARIABLE), nullptr);
    EXPECT_FALSE(bUiInstalledMode());

    vUiDecideProgramDir(exe.c_str(), nullptr, "relative", nullptr);
    char cWhy[256];
    EXPECT_EQ(GetProjectDirError(cWhy, sizeof(cWhy)), 0);
    unlink(resource.c_str());
    vUiDecideProgramDir(exe.c_str(), nullptr, "relative", nullptr);
    EXPECT_EQ(GetProjectDirError(cWhy, sizeof(cWhy)), 1);
    EXPECT_STREQ(cWhy, "cannot find a folder for settings and logs: HOME is not set and the user "
                       "has no home folder in the passwd file");
    rmdir((data + "/tavolin").c_str());
    rmdir(data.c_str());
    rmdir(exe.c_str());
    rmdir(cBase);
}

} // namespace
