#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "ui/Pavimo.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTimer>

#include <string.h>
#include <vector>

namespace {

using PanelRuntimeTest = AppTest;

TEST_F(PanelRuntimeTest, ListSelectsTheFirstItemOnceFilledAndNoneWhenEmpty)
{
    LoadPanels();
    int s32Index = 0, s32Value = 0;
    GetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, &s32Index);
    EXPECT_EQ(s32Index, -1);
    EXPECT_LT(GetCtrlVal(MainPanel(), MAIN_MONITOR_LIST, &s32Value), 0);
    InsertListItem(MainPanel(), MAIN_MONITOR_LIST, 0, "DEL40F3", 0);
    InsertListItem(MainPanel(), MAIN_MONITOR_LIST, 1, "ACR0001", 1);
    GetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, &s32Index);
    EXPECT_EQ(s32Index, 0);
    SetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, 1);
    GetCtrlVal(MainPanel(), MAIN_MONITOR_LIST, &s32Value);
    EXPECT_EQ(s32Value, 1);
    char cLabel[16];
    GetLabelFromIndex(MainPanel(), MAIN_MONITOR_LIST, 1, cLabel, sizeof(cLabel));
    EXPECT_STREQ(cLabel, "ACR0001");
    ClearListCtrl(MainPanel(), MAIN_MONITOR_LIST);
    GetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, &s32Index);
    EXPECT_EQ(s32Index, -1);
}

TEST_F(PanelRuntimeTest, ListValueIsTheItemsOwnValue)
{
    LoadPanels();
    InsertListItem(MainPanel(), MAIN_PORT_LIST, -1, "HDMI", 7);
    InsertListItem(MainPanel(), MAIN_PORT_LIST, 0, "VGA", 3);
    int s32Value = 0;
    SetCtrlIndex(MainPanel(), MAIN_PORT_LIST, 1);
    GetCtrlVal(MainPanel(), MAIN_PORT_LIST, &s32Value);
    EXPECT_EQ(s32Value, 7);
    EXPECT_EQ(SetCtrlVal(MainPanel(), MAIN_PORT_LIST, 3), 0);
    int s32Index = 0;
    GetCtrlIndex(MainPanel(), MAIN_PORT_LIST, &s32Index);
    EXPECT_EQ(s32Index, 0);
    EXPECT_LT(SetCtrlIndex(MainPanel(), MAIN_PORT_LIST, 2), 0);
}

// The label's bytes come back as given, for the program to compare with its
// own; the list shows them as UTF-8, else Big5 where this Qt has it, else
// Latin-1. The resource's ring items give their text.
TEST_F(PanelRuntimeTest, ListLabelsKeepTheirBytesAndShowThemDecoded)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    const bool bBig5 = QStringDecoder("Big5").isValid();
    const struct {
        const char *pcBytes;
        QString shown;
    } labels[] = {
        {"\xE8\xBC\xB8\xE5\x85\xA5" "1", QString::fromUtf8(u8"輸入1")},
        {"\xBF\xE9\xA4\x4A" "1",
         bBig5 ? QString::fromUtf8(u8"輸入1") : QString::fromLatin1("\xBF\xE9\xA4\x4A" "1")},
        {"\xFF\xFE", QString::fromLatin1("\xFF\xFE")},
    };
    QListWidget *pList = nullptr;
    for (QWidget *pWidget : QApplication::allWidgets()) {
        if (pWidget->objectName() == "portList" && pWidget->isVisible())
            pList = qobject_cast<QListWidget *>(pWidget);
    }
    ASSERT_NE(pList, nullptr);
    for (int i = 0; i < 3; i++) {
        InsertListItem(MainPanel(), MAIN_PORT_LIST, -1, labels[i].pcBytes, i);
        char cLabel[16];
        GetLabelFromIndex(MainPanel(), MAIN_PORT_LIST, i, cLabel, sizeof(cLabel));
        EXPECT_STREQ(cLabel, labels[i].pcBytes) << i;
        EXPECT_EQ(pList->item(i)->text(), labels[i].shown) << i;
    }
    char cCut[4];
    GetLabelFromIndex(MainPanel(), MAIN_PORT_LIST, 1, cCut, sizeof(cCut));
    EXPECT_STREQ(cCut, "\xBF\xE9\xA4");
    char cRing[16];
    GetLabelFromIndex(MainPanel(), MAIN_DDC_SPEED, 1, cRing, sizeof(cRing));
    EXPECT_STREQ(cRing, "30 kHz");
}

TEST_F(PanelRuntimeTest, TextBoxAppendsWithoutLineBreaksAndReadsLinesBack)
{
    LoadPanels();
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "ab");
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "c\n");
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "\nd\n>");
    int s32Count = 0;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    ASSERT_EQ(s32Count, 4);
    const char *pcExpected[] = {"abc", "", "d", ">"};
    char cLine[32];
    for (int i = 0; i < 4; i++) {
        GetTextBoxLine(MainPanel(), MAIN_MSG_BOX, i, cLine, sizeof(cLine));
        EXPECT_STREQ(cLine, pcExpected[i]);
    }
    int s32Length = 0;
    GetTextBoxLineLength(MainPanel(), MAIN_MSG_BOX, 0, &s32Length);
    EXPECT_EQ(s32Length, 3);
    EXPECT_LT(GetTextBoxLine(MainPanel(), MAIN_MSG_BOX, 4, cLine, sizeof(cLine)), 0);
    // Reading out of order still gives the right lines.
    GetTextBoxLine(MainPanel(), MAIN_MSG_BOX, 2, cLine, sizeof(cLine));
    EXPECT_STREQ(cLine, "d");
    GetTextBoxLine(MainPanel(), MAIN_MSG_BOX, 0, cLine, sizeof(cLine));
    EXPECT_STREQ(cLine, "abc");
}

TEST_F(PanelRuntimeTest, TextBoxEndingInALineFeedHasNoEmptyLastLine)
{
    LoadPanels();
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "one\n");
    int s32Count = 0;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    EXPECT_EQ(s32Count, 1);
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "two");
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    EXPECT_EQ(s32Count, 2);
}

TEST_F(PanelRuntimeTest, ResetEmptiesTheTextBox)
{
    LoadPanels();
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, ">a\n>");
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    int s32Count = -1;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    EXPECT_EQ(s32Count, 0);
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "x");
    EXPECT_EQ(MsgBox(), "x");
}

// The shown one: discarded panels of earlier tests may not be deleted yet.
QPlainTextEdit *pMessageBoxWidget()
{
    for (QWidget *pWidget : QApplication::allWidgets()) {
        if (pWidget->objectName() == "msgBox" && pWidget->isVisible())
            return qobject_cast<QPlainTextEdit *>(pWidget);
    }
    return nullptr;
}

// A byte dump as the device operations print it, with draw pumps between:
// the bytes of a line join it, and the window shows every line, scrolled to
// the last one.
TEST_F(PanelRuntimeTest, TextBoxShowsALongDumpDownToItsLastLine)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    std::string expected = ">";
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, ">");
    for (int i = 0; i < 2000; i++) {
        for (int k = 0; k < 16; k++) {
            char cByte[8];
            snprintf(cByte, sizeof(cByte), "0x%02X ", (i + k) & 0xFF);
            SetCtrlVal(MainPanel(), MAIN_MSG_BOX, cByte);
            expected += cByte;
        }
        SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "\n>");
        expected += "\n>";
        if (i % 100 == 0)
            ProcessDrawEvents();
    }
    int s32Count = 0;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    EXPECT_EQ(s32Count, 2001);
    EXPECT_EQ(MsgBox(), expected);
    QPlainTextEdit *pBox = pMessageBoxWidget();
    ASSERT_NE(pBox, nullptr);
    EXPECT_EQ(pBox->toPlainText().toStdString(), expected);
    QScrollBar *pBar = pBox->verticalScrollBar();
    EXPECT_GT(pBar->maximum(), 0);
    EXPECT_EQ(pBar->value(), pBar->maximum());
    QPoint bottomLeft(2, pBox->viewport()->height() - 2);
    EXPECT_EQ(pBox->cursorForPosition(bottomLeft).blockNumber(), 2000);
}

// A carriage return and the line feed after it give the same lines whether
// the box was read between them or not.
TEST_F(PanelRuntimeTest, TextBoxLinesDoNotDependOnWhenTheBoxIsRead)
{
    LoadPanels();
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "a\r");
    std::string split = MsgBox();
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "\nb");
    split = MsgBox();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "a\r\nb");
    EXPECT_EQ(MsgBox(), split);
    int s32Count = 0;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    EXPECT_EQ(s32Count, 3);
}

TEST_F(PanelRuntimeTest, TextOutputIsCutToTheCallersBuffer)
{
    LoadPanels();
    SetCtrlVal(MainPanel(), MAIN_PKG_PATH, "/a/rather/long/path.pkg");
    char cShort[8];
    GetCtrlVal(MainPanel(), MAIN_PKG_PATH, cShort);
    EXPECT_STREQ(cShort, "/a/rath");
    SetCtrlVal(MainPanel(), MAIN_MSG_BOX, "0123456789");
    GetTextBoxLine(MainPanel(), MAIN_MSG_BOX, 0, cShort, sizeof(cShort));
    EXPECT_STREQ(cShort, "0123456");
}

TEST_F(PanelRuntimeTest, PanelAttributes)
{
    LoadPanels();
    SetPanelAttribute(MainPanel(), ATTR_HEIGHT, 695);
    SetPanelAttribute(MainPanel(), ATTR_TITLE, "Tavolin - EDID Download AP v1.04c  2010.05.27");
    int s32Height = 0;
    GetPanelAttribute(MainPanel(), ATTR_HEIGHT, &s32Height);
    EXPECT_EQ(s32Height, 695);
    char cTitle[64];
    GetPanelAttribute(MainPanel(), ATTR_TITLE, cTitle, sizeof(cTitle));
    EXPECT_STREQ(cTitle, "Tavolin - EDID Download AP v1.04c  2010.05.27");
}

TEST_F(PanelRuntimeTest, ShowHideAndActivePanel)
{
    LoadPanels();
    int s32Progress = gst_UiHandles.s32ProgressPanel;
    DisplayPanel(s32Progress);
    EXPECT_TRUE(bUiPanelIsVisible(s32Progress));
    SetActivePanel(s32Progress);
    EXPECT_EQ(GetActivePanel(), s32Progress);
    HidePanel(s32Progress);
    EXPECT_FALSE(bUiPanelIsVisible(s32Progress));
    EXPECT_LT(DisplayPanel(9999), 0);
}

TEST_F(PanelRuntimeTest, DiscardedPanelIsGone)
{
    int s32Before = s32UiLoadedPanelCount();
    int s32Panel = LoadPanel(0, "Pavimo.uir", PANEL_PROGRESS);
    ASSERT_GT(s32Panel, 0);
    EXPECT_EQ(s32UiLoadedPanelCount(), s32Before + 1);
    EXPECT_EQ(DiscardPanel(s32Panel), 0);
    EXPECT_EQ(s32UiLoadedPanelCount(), s32Before);
    EXPECT_LT(SetCtrlVal(s32Panel, PROGRESS_PERCENT, 5), 0);
    EXPECT_LT(DiscardPanel(s32Panel), 0);
}

TEST_F(PanelRuntimeTest, UnknownPanelOrFileFails)
{
    EXPECT_LT(LoadPanel(0, "Pavimo.uir", 77), 0);
    EXPECT_LT(LoadPanel(0, "Missing.uir", PANEL_MAIN), 0);
    EXPECT_LT(LoadPanel(0, nullptr, PANEL_MAIN), 0);
}

// Key presses reach the callback with the key code; a field with such a
// callback shows only what the callback sets.
struct KeyRecord {
    std::vector<int> keys;
} g_keys;

int RecordingKeyCallback(int panel, int control, int event, void *, int eventData1, int)
{
    if (event == EVENT_KEYPRESS)
        g_keys.keys.push_back(eventData1);
    return 0;
}

int RecordingPanelCallback(int, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        g_keys.keys.push_back(-1);
    return 0;
}

TEST_F(PanelRuntimeTest, KeysReachTheCallbackButNotTheField)
{
    static const stUiCallbackEntry table[] = {
        {"PasswordCallback", RecordingKeyCallback, nullptr, nullptr},
        {"ProgressQuitCallback", nullptr, RecordingPanelCallback, nullptr},
    };
    vUiSetCallbackTable(table, 2);
    g_keys.keys.clear();
    int s32Panel = LoadPanel(0, "Pavimo.uir", PANEL_PASSWORD);
    ASSERT_GT(s32Panel, 0);
    DisplayPanel(s32Panel);
    for (int key : std::vector<int>{'Q', 'u', '!', ' ', VAL_BACKSPACE_VKEY, VAL_ENTER_VKEY,
                                    VAL_FWD_DELETE_VKEY})
        UiKeyPress(s32Panel, PASSWORD_STRING, key);
    std::vector<int> expected = {'Q', 'u', '!', ' ', VAL_BACKSPACE_VKEY, VAL_ENTER_VKEY,
                                 VAL_FWD_DELETE_VKEY};
    EXPECT_EQ(g_keys.keys, expected);
    char cText[40];
    GetCtrlVal(s32Panel, PASSWORD_STRING, cText);
    EXPECT_STREQ(cText, "");
    int s32Length = -1;
    GetCtrlAttribute(s32Panel, PASSWORD_STRING, ATTR_STRING_TEXT_LENGTH, &s32Length);
    EXPECT_EQ(s32Length, 0);
    DiscardPanel(s32Panel);

    g_keys.keys.clear();
    int s32Progress = LoadPanel(0, "Pavimo.uir", PANEL_PROGRESS);
    DisplayPanel(s32Progress);
    UiClosePanel(s32Progress);
    EXPECT_EQ(g_keys.keys, std::vector<int>{-1});
    EXPECT_TRUE(bUiPanelIsVisible(s32Progress));
    DiscardPanel(s32Progress);
}

std::vector<int> g_menuItems;

void RecordingMenuCallback(int, int menuItem, void *, int) { g_menuItems.push_back(menuItem); }

// Qt Designer saves actions on the form's root, which does not survive the
// loading of a panel: the menu must still reach its callback.
TEST_F(PanelRuntimeTest, MenuItemDeclaredOnTheFormRootReachesTheCallback)
{
    std::string uir = strReadFile(m_dir.file("Pavimo.uir"));
    size_t begin = uir.find("<action name=\"actionExit\">");
    size_t end = uir.find("</action>", begin) + strlen("</action>");
    ASSERT_NE(begin, std::string::npos);
    std::string action = uir.substr(begin, end - begin);
    uir.erase(begin, end - begin);
    size_t root = uir.find(">", uir.find("<widget class=\"QWidget\" name=\"Pavimo\"")) + 1;
    uir.insert(root, action);
    vWriteFile(m_dir.file("Pavimo.uir"), uir);
    static const stUiCallbackEntry table[] = {
        {"MenuBarCallback", nullptr, nullptr, RecordingMenuCallback},
    };
    vUiSetCallbackTable(table, 1);
    g_menuItems.clear();
    int s32Panel = LoadPanel(0, "Pavimo.uir", PANEL_MAIN);
    ASSERT_GT(s32Panel, 0);
    DisplayPanel(s32Panel);
    EXPECT_EQ(UiChooseMenuItem(s32Panel, MENUBAR_FILE_EXIT), 0);
    EXPECT_EQ(g_menuItems, std::vector<int>{MENUBAR_FILE_EXIT});
    EXPECT_LT(UiChooseMenuItem(s32Panel, 3), 0);
    DiscardPanel(s32Panel);
}

TEST_F(PanelRuntimeTest, DimmedAndVisibleAttributes)
{
    LoadPanels();
    int s32Value = -1;
    SetCtrlAttribute(MainPanel(), MAIN_FUNC_ERASE, ATTR_DIMMED, 1);
    GetCtrlAttribute(MainPanel(), MAIN_FUNC_ERASE, ATTR_DIMMED, &s32Value);
    EXPECT_EQ(s32Value, 1);
    SetCtrlAttribute(MainPanel(), MAIN_FUNC_ERASE, ATTR_VISIBLE, 0);
    GetCtrlAttribute(MainPanel(), MAIN_FUNC_ERASE, ATTR_VISIBLE, &s32Value);
    EXPECT_EQ(s32Value, 0);
    EXPECT_LT(SetCtrlAttribute(MainPanel(), 99, ATTR_DIMMED, 1), 0);
}

TEST_F(PanelRuntimeTest, ProgramFolderFiles)
{
    char cDir[256];
    GetProjectDir(cDir, sizeof(cDir));
    EXPECT_EQ(std::string(cDir), m_dir.path());
    std::string folder = m_dir.file("MonitorEDID");
    EXPECT_EQ(MakeDir(folder.c_str()), 0);
    EXPECT_EQ(MakeDir(folder.c_str()), UIE_ALREADY_EXISTS);
    EXPECT_LT(MakeDir(m_dir.file("a/b/c").c_str()), 0);
    std::string file = folder + "/x.bin";
    const unsigned char bytes[] = {0x00, 0xFF, 0x0A, 0x0D};
    EXPECT_EQ(ArrayToFile(file.c_str(), bytes, sizeof(bytes)), 0);
    long size = 0;
    EXPECT_EQ(GetFileInfo(file.c_str(), &size), 1);
    EXPECT_EQ(size, 4);
    unsigned char back[8] = {};
    size_t got = 0;
    EXPECT_EQ(FileToArray(file.c_str(), back, sizeof(back), &got), 0);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(memcmp(back, bytes, 4), 0);
    EXPECT_EQ(GetFileInfo(m_dir.file("none").c_str(), &size), 0);
    EXPECT_EQ(GetFileInfo(folder.c_str(), &size), 0);
}

// A path cut to fit would name another file: it is no choice at all.
TEST_F(PanelRuntimeTest, FileDialogNeverReturnsACutPathAndClearsOnCancel)
{
    char cPath[12] = "garbage";
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, "/very/long/path/name.pkg");
    EXPECT_EQ(FileSelectPopup("", "*.pkg", "", "Select File", VAL_LOAD_BUTTON, 0, 0, 1, 0, cPath,
                              sizeof(cPath)),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(cPath, "");
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, "/tmp/a.pkg");
    EXPECT_EQ(FileSelectPopup("", "*.pkg", "", "Select File", VAL_LOAD_BUTTON, 0, 0, 1, 0, cPath,
                              sizeof(cPath)),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_STREQ(cPath, "/tmp/a.pkg");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, "/tmp/abcdef"); // fits, but not with ".pkg"
    EXPECT_EQ(FileSelectPopup("", "*.pkg", "", "Select File", VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath,
                              sizeof(cPath)),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(cPath, "");
    EXPECT_EQ(FileSelectPopup("", "*.pkg", "", "Select File", VAL_LOAD_BUTTON, 0, 1, 1, 0, cPath,
                              sizeof(cPath)),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(cPath, "");
}


// The real file dialog, driven by typed keys.
struct DialogSeen {
    QStringList filters;
    bool bReadOnly = false;
    bool bSeen = false;
    const char *pcTyped = "msgs";
};

void vAnswerDialog(DialogSeen *pSeen)
{
    auto *pDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (!pDialog) {
        QTimer::singleShot(10, [pSeen]() { vAnswerDialog(pSeen); });
        return;
    }
    pSeen->bSeen = true;
    pSeen->filters = pDialog->nameFilters();
    pSeen->bReadOnly = pDialog->testOption(QFileDialog::ReadOnly);
    UiQueueTypeInModal(pSeen->pcTyped);
}

TEST_F(PanelRuntimeTest, RealSaveDialogRestrictsTheExtensionAndFolderCreation)
{
    vUiSetFileResponder(nullptr, nullptr);
    char cPath[512];
    DialogSeen seen;
    QTimer::singleShot(0, [&seen]() { vAnswerDialog(&seen); });
    int s32Result = FileSelectPopup(m_dir.path().c_str(), "*.txt", "*.txt", "Name of File to Save",
                                    VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath, sizeof(cPath));
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(s32Result, VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(cPath), m_dir.file("msgs.txt"));
    EXPECT_EQ(seen.filters, QStringList{"Files (*.txt)"});
    EXPECT_TRUE(seen.bReadOnly);

    DialogSeen open;
    open.pcTyped = "notes.txt";
    vWriteFile(m_dir.file("notes.txt"), "x");
    QTimer::singleShot(0, [&open]() { vAnswerDialog(&open); });
    s32Result = FileSelectPopup(m_dir.path().c_str(), "*.pkg", "*.pkg;*.txt", "Select File",
                                VAL_LOAD_BUTTON, 0, 0, 1, 1, cPath, sizeof(cPath));
    ASSERT_TRUE(open.bSeen);
    EXPECT_EQ(s32Result, VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(cPath), m_dir.file("notes.txt"));
    EXPECT_EQ(open.filters, (QStringList{"Files (*.pkg *.txt)", "All files (*)"}));
    EXPECT_FALSE(open.bReadOnly);
}

// A name typed without the extension gets it; the answer is new or existing
// for the name it became.
TEST_F(PanelRuntimeTest, RestrictedExtensionIsAddedToAnAnswer)
{
    char cPath[512];
    vWriteFile(m_dir.file("old.txt"), "x");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, m_dir.file("old"));
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, m_dir.file("log.TXT"));
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, m_dir.file("other"));
    EXPECT_EQ(FileSelectPopup("", "*.txt", "*.txt", "t", VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath,
                              sizeof(cPath)),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(cPath), m_dir.file("old.txt"));
    FileSelectPopup("", "*.txt", "*.txt", "t", VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath, sizeof(cPath));
    EXPECT_EQ(std::string(cPath), m_dir.file("log.TXT"));
    FileSelectPopup("", "*.txt", "*.txt", "t", VAL_SAVE_BUTTON, 0, 0, 1, 0, cPath, sizeof(cPath));
    EXPECT_EQ(std::string(cPath), m_dir.file("other")); // not restricted
}

// The program's texts are UTF-8 whatever the locale says.
struct PopupSeen {
    QString title;
    QString text;
    bool bSeen = false;
};

void vAnswerPopup(PopupSeen *pSeen)
{
    auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!pBox) {
        QTimer::singleShot(0, [pSeen]() { vAnswerPopup(pSeen); });
        return;
    }
    pSeen->bSeen = true;
    pSeen->title = pBox->windowTitle();
    pSeen->text = pBox->text();
    UiQueueTypeInModal("");
}

TEST_F(PanelRuntimeTest, RealMessagePopupShowsUtf8Text)
{
    vUiSetMessageResponder(nullptr, nullptr);
    PopupSeen seen;
    QTimer::singleShot(0, [&seen]() { vAnswerPopup(&seen); });
    EXPECT_EQ(MessagePopup("Error", "\xE6\xAA\x94\xE6\xA1\x88\xE4\xB8\x8D\xE5\xAD\x98\xE5\x9C\xA8"
                                    "\xE3\x80\x82"),
              UIE_NO_ERROR);
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.title, QString("Error"));
    EXPECT_EQ(seen.text, QString::fromUtf8(u8"檔案不存在。"));
}

TEST_F(PanelRuntimeTest, ScriptedQuestionsAndReportsAreRecorded)
{
    m_dialogs.vPushConfirm(1);
    EXPECT_EQ(ConfirmPopup("Erase", "Erase the EDID of port 2?"), 1);
    EXPECT_EQ(ConfirmPopup("Again", nullptr), 0); // none left: No
    EXPECT_EQ(m_dialogs.confirmTitles, (std::vector<std::string>{"Erase", "Again"}));
    EXPECT_EQ(m_dialogs.confirmMessages, (std::vector<std::string>{"Erase the EDID of port 2?", ""}));
    EXPECT_EQ(TextWindowPopup("EDID report", "Block 0\n  Version 1.3\n"), UIE_NO_ERROR);
    EXPECT_EQ(m_dialogs.textWindowTitle, "EDID report");
    EXPECT_EQ(m_dialogs.textWindowText, "Block 0\n  Version 1.3\n");
}

// Runs pfn on the open modal dialog of class T as soon as there is one.
template <typename T, typename F> void vOnModal(F pfn)
{
    auto *pDialog = qobject_cast<T *>(QApplication::activeModalWidget());
    if (!pDialog) {
        QTimer::singleShot(0, [pfn]() { vOnModal<T>(pfn); });
        return;
    }
    pfn(pDialog);
}

// A scanner's Enter lands on No; only Yes itself says yes.
TEST_F(PanelRuntimeTest, RealQuestionTakesEnterAndItsCloseBoxForNo)
{
    vUiSetConfirmResponder(nullptr, nullptr);
    QString title, text;
    vOnModal<QMessageBox>([&](QMessageBox *pBox) {
        title = pBox->windowTitle();
        text = pBox->text();
        UiQueueTypeInModal("");
    });
    EXPECT_EQ(ConfirmPopup("Program", "\xE7\xA2\xBA\xE5\xAE\x9A?"), 0);
    EXPECT_EQ(title, QString("Program"));
    EXPECT_EQ(text, QString::fromUtf8(u8"確定?"));
    vOnModal<QMessageBox>([](QMessageBox *pBox) { pBox->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(ConfirmPopup("Program", "Sure?"), 1);
    vOnModal<QMessageBox>([](QMessageBox *pBox) { pBox->close(); });
    EXPECT_EQ(ConfirmPopup("Program", "Sure?"), 0);
    // A scan's letters and its Enter press no button; Tab and Space do.
    bool bOpenAfterScan = false;
    vOnModal<QMessageBox>([&bOpenAfterScan](QMessageBox *pBox) {
        UiQueueTypeInModal("n1 y");
        QTimer::singleShot(0, [&bOpenAfterScan, pBox]() {
            bOpenAfterScan = QApplication::activeModalWidget() == pBox;
            UiQueueModalKey(VAL_TAB_VKEY);
            UiQueueModalKey(' ');
        });
    });
    EXPECT_EQ(ConfirmPopup("Program", "Sure?"), 1);
    EXPECT_TRUE(bOpenAfterScan);
}

struct TextWindowSeen {
    QString title, text;
    bool bReadOnly = false, bFixedPitch = false, bEscapeClosed = true;
    QSize size, hundredByForty;
};

TEST_F(PanelRuntimeTest, RealTextWindowShowsTheReportReadOnlyAndEscapeClosesIt)
{
    vUiSetTextWindowResponder(nullptr, nullptr);
    std::string report;
    for (int i = 0; i < 300; i++)
        report += "Line " + std::to_string(i) + ": " + std::string(120, 'x') + "\n";
    TextWindowSeen seen;
    vOnModal<QDialog>([&seen](QDialog *pDialog) {
        auto *pView = pDialog->findChild<QPlainTextEdit *>();
        if (!pView)
            return;
        seen.title = pDialog->windowTitle();
        seen.text = pView->toPlainText();
        seen.bReadOnly = pView->isReadOnly();
        seen.bFixedPitch = QFontInfo(pView->font()).fixedPitch();
        seen.size = pDialog->frameGeometry().size();
        QFontMetrics metrics(pView->font());
        seen.hundredByForty = QSize(metrics.horizontalAdvance('0') * 100, metrics.lineSpacing() * 40);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(pView, &escape);
        seen.bEscapeClosed = !pDialog->isVisible();
        if (!seen.bEscapeClosed)
            pDialog->reject();
    });
    EXPECT_EQ(TextWindowPopup("EDID report", report.c_str()), UIE_NO_ERROR);
    EXPECT_EQ(seen.title, QString("EDID report"));
    EXPECT_EQ(seen.text.toStdString(), report.substr(0, report.size() - 1) + "\n");
    EXPECT_TRUE(seen.bReadOnly);
    EXPECT_TRUE(seen.bFixedPitch);
    EXPECT_TRUE(seen.bEscapeClosed);
    QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_LE(seen.size.width(), room.width());
    EXPECT_LE(seen.size.height(), room.height());
    EXPECT_GE(seen.size.width(), std::min(seen.hundredByForty.width(), room.width() - 40));
    EXPECT_GE(seen.size.height(), std::min(seen.hundredByForty.height(), room.height() - 40));
}

TEST_F(PanelRuntimeTest, ActiveControlHoldsTheFocusOfItsPanel)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    EXPECT_EQ(SetActiveCtrl(MainPanel(), MAIN_PKG_BROWSE), 0);
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_PKG_BROWSE);
    EXPECT_EQ(SetActiveCtrl(MainPanel(), MAIN_PAGE_NUM), 0); // a numeric field's editor
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_PAGE_NUM);
    int s32Progress = gst_UiHandles.s32ProgressPanel; // never shown
    EXPECT_EQ(SetActiveCtrl(s32Progress, PROGRESS_PERCENT), 0);
    EXPECT_EQ(s32UiFocusedControl(s32Progress), PROGRESS_PERCENT);
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_PAGE_NUM);
    EXPECT_LT(SetActiveCtrl(MainPanel(), MAIN_TIMER), 0);
    EXPECT_LT(SetActiveCtrl(MainPanel(), 99), 0);
}

// The panel's style sheet colours the read-only fields: the colours set must
// still be the ones painted.
TEST_F(PanelRuntimeTest, TextColoursAndSizeAreThoseShown)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    int s32Value = -1;
    EXPECT_EQ(GetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_BGCOLOR, &s32Value), 0);
    EXPECT_EQ(s32Value, 0xF2F3F5);
    EXPECT_EQ(SetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_POINT_SIZE, 14), 0);
    EXPECT_EQ(SetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_BGCOLOR, 0xFFFF00), 0);
    EXPECT_EQ(SetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_COLOR, 0x0000C0), 0);
    SetCtrlVal(MainPanel(), MAIN_PKG_PATH, "WWWW");
    GetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_COLOR, &s32Value);
    EXPECT_EQ(s32Value, 0x0000C0);
    GetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_BGCOLOR, &s32Value);
    EXPECT_EQ(s32Value, 0xFFFF00);
    GetCtrlAttribute(MainPanel(), MAIN_PKG_PATH, ATTR_TEXT_POINT_SIZE, &s32Value);
    EXPECT_EQ(s32Value, 14);
    QLineEdit *pField = nullptr;
    for (QWidget *pWidget : QApplication::allWidgets()) {
        if (pWidget->objectName() == "pkgPath" && pWidget->isVisible())
            pField = qobject_cast<QLineEdit *>(pWidget);
    }
    ASSERT_NE(pField, nullptr);
    EXPECT_EQ(QFontInfo(pField->font()).pointSize(), 14);
    QImage image = pField->grab().toImage();
    EXPECT_EQ(image.pixel(image.width() - 8, image.height() / 2) & 0xFFFFFF, 0xFFFF00u);
    bool bTextPainted = false;
    for (int x = 0; x < image.width() / 2 && !bTextPainted; x++) {
        for (int y = 0; y < image.height() && !bTextPainted; y++)
            bTextPainted = (image.pixel(x, y) & 0xFFFFFF) == 0x0000C0;
    }
    EXPECT_TRUE(bTextPainted);

    int s32Progress = gst_UiHandles.s32ProgressPanel;
    EXPECT_EQ(SetCtrlAttribute(s32Progress, PROGRESS_TEXT, ATTR_TEXT_COLOR, 0xFF0000), 0);
    GetCtrlAttribute(s32Progress, PROGRESS_TEXT, ATTR_TEXT_COLOR, &s32Value);
    EXPECT_EQ(s32Value, 0xFF0000);
    EXPECT_EQ(SetCtrlAttribute(MainPanel(), MAIN_START_BTN, ATTR_TEXT_COLOR, 0xFF0000),
              UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(MainPanel(), MAIN_START_BTN, ATTR_TEXT_POINT_SIZE, 11), 0);
    EXPECT_LT(SetCtrlAttribute(MainPanel(), MAIN_START_BTN, ATTR_TEXT_POINT_SIZE, 0), 0);
    EXPECT_EQ(GetCtrlAttribute(MainPanel(), MAIN_TIMER, ATTR_TEXT_POINT_SIZE, &s32Value),
              UIE_BAD_ATTRIBUTE);
}

} // namespace
