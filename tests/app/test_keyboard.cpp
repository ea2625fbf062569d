// The main panel without a mouse: Alt and the underlined letter, Tab in
// reading order, Space and Enter on the focused control. Every key goes
// through the window system's event queue, as the keyboard's would.
#include "tests/support/queue_probe.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "ui/Pavimo.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <string.h>

namespace {

using Commands = std::vector<int>;
using Controls = std::vector<int>;

class KeyboardTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartUp();
        vClearCommandQueue();
        // Every box off, whatever the restored settings ticked.
        for (int s32Box : {MAIN_FUNC_ERASE, MAIN_FUNC_PROGRAM, MAIN_FUNC_VERIFY, MAIN_FUNC_RECEIVE,
                           MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA, MAIN_SAVE_BIN, MAIN_SAVE_TXT})
            SetCtrlVal(MainPanel(), s32Box, 0);
    }

    int Value(int s32Ctrl)
    {
        int s32Value = -1;
        GetCtrlVal(MainPanel(), s32Ctrl, &s32Value);
        return s32Value;
    }

    // The focus given to the first control by a click, then Tab until it
    // comes back there: the controls in the order Tab reached them.
    Controls TabWalk()
    {
        UiClick(MainPanel(), MAIN_PKG_PATH);
        Controls walk = {s32UiFocusedControl(MainPanel())};
        for (int i = 0; i < 40; i++) {
            UiPanelKey(MainPanel(), VAL_TAB_VKEY);
            walk.push_back(s32UiFocusedControl(MainPanel()));
            if (walk.back() == walk.front())
                break;
        }
        return walk;
    }
};

const Controls NORMAL_TAB_ORDER = {
    MAIN_PKG_PATH,     MAIN_PKG_BROWSE,    MAIN_PKG_TEXT_A,    MAIN_PKG_TEXT_B,
    MAIN_PKG_TYPE,     MAIN_PKG_PORT_NUM,  MAIN_PKG_CHECKSUM,  MAIN_PORT_LIST,
    MAIN_MONITOR_LIST, MAIN_REFRESH_BTN,   MAIN_DDC_SPEED,     MAIN_FUNC_ERASE,
    MAIN_FUNC_PROGRAM, MAIN_FUNC_VERIFY,   MAIN_START_BTN,     MAIN_MSG_BOX,
    MAIN_MSG_CLEAR_BTN, MAIN_MSG_SAVE_BTN, MAIN_UI_VERSION,    MAIN_LIB_VERSION,
    MAIN_ADVANCED_BTN,
};
const Controls ADVANCED_TAB_ORDER = {
    MAIN_FUNC_RECEIVE,     MAIN_FUNC_SHOW_PKG,    MAIN_FUNC_SHOW_DATA,
    MAIN_PRODUCTION_BTN,   MAIN_ANALYZE_BTN,      MAIN_PAGE_NUM,         MAIN_RECEIVE_PAGE_BTN, MAIN_PROGRAM_PAGE_BTN,
    MAIN_SAVE_BIN,         MAIN_SAVE_TXT,         MAIN_SAVE_EDID_BTN,
};

Controls Closed(Controls walk)
{
    walk.push_back(walk.front());
    return walk;
}

TEST_F(KeyboardTest, AltSPressesStartWithTheBoxesTickedByTheirLetters)
{
    UiAltKey(MainPanel(), 'e');
    UiAltKey(MainPanel(), 'v');
    EXPECT_EQ(Value(MAIN_FUNC_ERASE), 1);
    EXPECT_EQ(Value(MAIN_FUNC_PROGRAM), 0);
    EXPECT_EQ(Value(MAIN_FUNC_VERIFY), 1);
    EXPECT_EQ(lstWaitingCommands(), Commands{});
    EXPECT_EQ(UiAltKey(MainPanel(), 's'), 0);
    EXPECT_EQ(lstWaitingCommands(),
              (Commands{CMD_CHECK_PKG_EXIST, CMD_CHECK_START, CMD_ERASE, CMD_READ_PKG,
                        CMD_RECEIVE, CMD_VERIFY}));
}

// The press arrives with the pass that delivers the keys, as a click
// does: a command's pump is enough, no wall-clock wait follows.
TEST_F(KeyboardTest, QueuedAltSActsWhenTheEventsAreProcessed)
{
    SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, 1);
    UiQueueAltKey(MainPanel(), 's');
    EXPECT_EQ(lstWaitingCommands(), Commands{});
    ProcessSystemEvents();
    EXPECT_EQ(lstWaitingCommands(), Commands{CMD_ERASE});
}

TEST_F(KeyboardTest, AltOnACheckboxTogglesItAndFocusesIt)
{
    UiAltKey(MainPanel(), 'p');
    EXPECT_EQ(Value(MAIN_FUNC_PROGRAM), 1);
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_FUNC_PROGRAM);
    UiAltKey(MainPanel(), 'P');
    EXPECT_EQ(Value(MAIN_FUNC_PROGRAM), 0);
    EXPECT_EQ(Value(MAIN_FUNC_ERASE), 0);
    EXPECT_EQ(Value(MAIN_FUNC_VERIFY), 0);
}

// The save-type boxes' callback keeps exactly one of them ticked: what a
// letter leaves behind shows that the callback ran.
TEST_F(KeyboardTest, AltOnASaveTypeBoxRunsItsCallback)
{
    vShapeMainPanel(1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_BIN, 1);
    SetCtrlVal(MainPanel(), MAIN_SAVE_TXT, 1);
    UiAltKey(MainPanel(), 'y'); // the press turns Binary off, the callback back on
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 1);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 0);
    UiAltKey(MainPanel(), 't');
    EXPECT_EQ(Value(MAIN_SAVE_BIN), 0);
    EXPECT_EQ(Value(MAIN_SAVE_TXT), 1);
}

TEST_F(KeyboardTest, AdvancedLettersAreOutOfReachInNormalMode)
{
    for (char cKey : std::string("ihwgoytd")) {
        UiAltKey(MainPanel(), cKey);
        EXPECT_EQ(lstWaitingCommands(), Commands{}) << cKey;
    }
    for (int s32Box : {MAIN_FUNC_RECEIVE, MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA, MAIN_SAVE_BIN,
                       MAIN_SAVE_TXT})
        EXPECT_EQ(Value(s32Box), 0) << s32Box;
    vShapeMainPanel(1);
    UiAltKey(MainPanel(), 'g');
    UiAltKey(MainPanel(), 'd');
    EXPECT_EQ(lstWaitingCommands(), (Commands{CMD_RECEIVE_BY_PAGE, CMD_SAVE_EDID}));
}

TEST_F(KeyboardTest, TabVisitsTheControlsInReadingOrder)
{
    EXPECT_EQ(TabWalk(), Closed(NORMAL_TAB_ORDER));
    vShapeMainPanel(1);
    Controls advanced = NORMAL_TAB_ORDER;
    advanced.insert(advanced.end(), ADVANCED_TAB_ORDER.begin(), ADVANCED_TAB_ORDER.end());
    EXPECT_EQ(TabWalk(), Closed(advanced));
    vShapeMainPanel(0);
    EXPECT_EQ(TabWalk(), Closed(NORMAL_TAB_ORDER));
}

TEST_F(KeyboardTest, SpaceAndEnterPressTheFocusedButton)
{
    SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, 1);
    UiKeyPress(MainPanel(), MAIN_START_BTN, ' ');
    EXPECT_EQ(lstWaitingCommands(), Commands{CMD_ERASE});
    UiKeyPress(MainPanel(), MAIN_START_BTN, VAL_ENTER_VKEY);
    EXPECT_EQ(lstWaitingCommands(), (Commands{CMD_ERASE, CMD_ERASE}));
    UiKeyPress(MainPanel(), MAIN_SAVE_EDID_BTN, VAL_ENTER_VKEY);
    EXPECT_EQ(lstWaitingCommands(), (Commands{CMD_ERASE, CMD_ERASE, CMD_SAVE_EDID}));
}

// A keyboard home takes what is typed on a button or a box; Alt letters
// still act, and without the home the keys are the focused control's again.
TEST_F(KeyboardTest, TypingOnAButtonGoesToThePanelsKeyboardHome)
{
    SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, 1);
    SetCtrlAttribute(MainPanel(), MAIN_UNIT_SERIAL, ATTR_VISIBLE, 1);
    EXPECT_EQ(SetPanelKeyboardHome(MainPanel(), MAIN_START_BTN), UIE_BAD_CONTROL);
    EXPECT_EQ(SetPanelKeyboardHome(MainPanel(), MAIN_UNIT_SERIAL), UIE_NO_ERROR);
    UiKeyPress(MainPanel(), MAIN_START_BTN, ' ');
    for (int s32Key : {(int)'S', (int)'N', (int)VAL_ENTER_VKEY})
        UiPanelKey(MainPanel(), s32Key);
    UiKeyPress(MainPanel(), MAIN_FUNC_VERIFY, '7');
    EXPECT_EQ(lstWaitingCommands(), Commands{});
    EXPECT_EQ(Value(MAIN_FUNC_VERIFY), 0);
    char cField[32] = "";
    GetCtrlVal(MainPanel(), MAIN_UNIT_SERIAL, cField);
    EXPECT_STREQ(cField, " SN7");
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_UNIT_SERIAL);
    UiAltKey(MainPanel(), 's');
    EXPECT_EQ(lstWaitingCommands(), Commands{CMD_ERASE});
    SetPanelKeyboardHome(MainPanel(), 0);
    UiKeyPress(MainPanel(), MAIN_START_BTN, ' ');
    EXPECT_EQ(lstWaitingCommands(), (Commands{CMD_ERASE, CMD_ERASE}));
}

TEST_F(KeyboardTest, SpaceTogglesTheFocusedCheckbox)
{
    UiKeyPress(MainPanel(), MAIN_FUNC_VERIFY, ' ');
    EXPECT_EQ(Value(MAIN_FUNC_VERIFY), 1);
    UiKeyPress(MainPanel(), MAIN_FUNC_VERIFY, ' ');
    EXPECT_EQ(Value(MAIN_FUNC_VERIFY), 0);
}

// --- Every letter, against a callback table that records what commits ---

struct Commit {
    int s32Control;
    int s32MenuItem;
    bool operator==(const Commit &other) const
    {
        return s32Control == other.s32Control && s32MenuItem == other.s32MenuItem;
    }
};
std::vector<Commit> g_commits;

int RecordCommit(int, int control, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        g_commits.push_back({control, 0});
    return 0;
}

void RecordMenu(int, int menuItem, void *, int) { g_commits.push_back({0, menuItem}); }

const stUiCallbackEntry RECORDING_TABLE[] = {
    {"StartBTNCallback", RecordCommit, nullptr, nullptr},
    {"BurnIOSELCallback", RecordCommit, nullptr, nullptr},
    {"SettingFilePathCallback", RecordCommit, nullptr, nullptr},
    {"RefreshMonitorCallback", RecordCommit, nullptr, nullptr},
    {"Clear_Msg_Callback", RecordCommit, nullptr, nullptr},
    {"Save_Msg_Callback", RecordCommit, nullptr, nullptr},
    {"EnableAdvancedCB", RecordCommit, nullptr, nullptr},
    {"DirectRecieveEdidCallback", RecordCommit, nullptr, nullptr},
    {"DirectSendEdidCallback", RecordCommit, nullptr, nullptr},
    {"SaveDeviceEdidCallback", RecordCommit, nullptr, nullptr},
    {"ProductionSetupCallback", RecordCommit, nullptr, nullptr},
    {"AnalyzeEdidCallback", RecordCommit, nullptr, nullptr},
    {"MenuBarCallback", nullptr, nullptr, RecordMenu},
};

// The keys README.md lists for the main panel.
const std::map<char, int> LETTERS = {
    {'b', MAIN_PKG_BROWSE},       {'e', MAIN_FUNC_ERASE},       {'p', MAIN_FUNC_PROGRAM},
    {'v', MAIN_FUNC_VERIFY},      {'s', MAIN_START_BTN},        {'r', MAIN_REFRESH_BTN},
    {'c', MAIN_MSG_CLEAR_BTN},    {'a', MAIN_MSG_SAVE_BTN},     {'n', MAIN_ADVANCED_BTN},
    {'i', MAIN_FUNC_RECEIVE},     {'h', MAIN_FUNC_SHOW_PKG},    {'w', MAIN_FUNC_SHOW_DATA},
    {'g', MAIN_RECEIVE_PAGE_BTN}, {'o', MAIN_PROGRAM_PAGE_BTN}, {'y', MAIN_SAVE_BIN},
    {'t', MAIN_SAVE_TXT},         {'d', MAIN_SAVE_EDID_BTN},    {'u', MAIN_PRODUCTION_BTN},
    {'z', MAIN_ANALYZE_BTN},
};

class LetterTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        vUiSetCallbackTable(RECORDING_TABLE, sizeof(RECORDING_TABLE) / sizeof(RECORDING_TABLE[0]));
        g_commits.clear();
        m_s32Panel = LoadPanel(0, "Pavimo.uir", PANEL_MAIN); // as loaded: advanced area shown
        ASSERT_GT(m_s32Panel, 0);
        DisplayPanel(m_s32Panel);
    }
    void TearDown() override
    {
        DiscardPanel(m_s32Panel);
        AppTest::TearDown();
    }
    int m_s32Panel = 0;
};

TEST_F(LetterTest, EveryLetterCommitsItsOwnControlOnly)
{
    for (char cLetter = 'a'; cLetter <= 'z'; cLetter++) {
        g_commits.clear();
        UiAltKey(m_s32Panel, cLetter);
        auto known = LETTERS.find(cLetter);
        std::vector<Commit> expected;
        if (known != LETTERS.end())
            expected.push_back({known->second, 0});
        EXPECT_EQ(g_commits, expected) << cLetter;
        UiPanelKey(m_s32Panel, VAL_ESC_VKEY); // closes the File menu Alt+F opens
    }
}

TEST_F(LetterTest, AltFOpensTheFileMenuAndXExits)
{
    UiAltKey(m_s32Panel, 'f');
    EXPECT_EQ(g_commits, std::vector<Commit>{});
    UiPanelKey(m_s32Panel, 'x');
    EXPECT_EQ(g_commits, (std::vector<Commit>{{0, MENUBAR_FILE_EXIT}}));
}

TEST_F(LetterTest, AHiddenPanelTakesNoKeys)
{
    HidePanel(m_s32Panel);
    EXPECT_EQ(UiQueueAltKey(m_s32Panel, 's'), UIE_BAD_PANEL);
    EXPECT_EQ(UiQueuePanelKey(m_s32Panel, VAL_TAB_VKEY), UIE_BAD_PANEL);
    DisplayPanel(m_s32Panel);
    EXPECT_EQ(UiQueueAltKey(m_s32Panel, '?'), UIE_BAD_ARGUMENT);
    vUiDeliverQueuedInput();
    EXPECT_EQ(g_commits, std::vector<Commit>{});
}

// --- The resource itself --------------------------------------------------

struct Label {
    std::string widget; // its class
    std::string text;   // as the XML holds it
};

// The text or title of every widget in the main panel's part of
// Pavimo.uir. A menu's items follow its title: their letters work inside the
// open menu and are not the panel's.
std::vector<Label> lstMainPanelLabels()
{
    std::string uir = strReadFile(TAVOLIN_SOURCE_DIR "/ui/Pavimo.uir");
    size_t begin = uir.find("name=\"mainPanel\"");
    std::string panel = uir.substr(begin, uir.find("name=\"progressPanel\"") - begin);
    std::vector<Label> labels;
    const std::string open = "<widget class=\"";
    for (size_t at = panel.find(open); at != std::string::npos;) {
        size_t next = panel.find(open, at + 1);
        std::string body = panel.substr(at, next == std::string::npos ? next : next - at);
        at = next;
        size_t property = std::min(body.find("name=\"text\""), body.find("name=\"title\""));
        if (property == std::string::npos)
            continue;
        size_t from = body.find("<string>", property) + strlen("<string>");
        labels.push_back({body.substr(open.size(), body.find('"', open.size()) - open.size()),
                          body.substr(from, body.find("</string>", from) - from)});
    }
    return labels;
}

TEST(MainPanelResource, EveryButtonAndCheckboxHasALetterOfItsOwn)
{
    size_t buttons = 0;
    std::map<char, std::string> owners;
    for (const Label &label : lstMainPanelLabels()) {
        size_t amp = label.text.find("&amp;");
        if (label.widget == "QPushButton" || label.widget == "QCheckBox") {
            buttons++;
            EXPECT_NE(amp, std::string::npos) << label.text;
        }
        if (amp == std::string::npos)
            continue;
        EXPECT_EQ(label.text.find("&amp;", amp + 1), std::string::npos) << label.text;
        char cLetter = (char)tolower((unsigned char)label.text[amp + strlen("&amp;")]);
        EXPECT_TRUE(owners.emplace(cLetter, label.text).second)
            << label.text << " and " << owners[cLetter] << " share " << cLetter;
    }
    EXPECT_EQ(buttons, 19u);
    EXPECT_EQ(owners.size(), 20u); // the buttons and checkboxes, and File
}

} // namespace
