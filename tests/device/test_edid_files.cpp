// Received EDID saved as binary and text files, and the package dump.
#include "tests/support/device_fixture.h"
#include "tests/support/package_maker.h"
#include "tests/support/privileges.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "device/edid_files.h"
#include "device/edid_receive.h"
#include "files/package.h"
#include "ui/Pavimo.h"

#include <sys/stat.h>

#include <algorithm>
#include <sstream>

namespace {

using Bytes = std::vector<uint8_t>;

const char HEADING[] = "Saving EDID as binary / ascii format ...\n>";
const char CANCELED[] = " - Saving EDID ... canceled\n>";
const char NOTHING_RECEIVED[] =
    " - Nothing has been received from the display yet: use \"Receive by page\" first\n>";

std::string Saved(const std::string &path, int s32Amount)
{
    return " - Success !\n> - Path = " + path + " \n> - Amount = " + std::to_string(s32Amount) +
           " Bytes \n>";
}

std::string SaveRequest(const std::string &dir, const char *pcSpec)
{
    return strFileRequest(dir, pcSpec, pcSpec, "Name of File to Save", VAL_SAVE_BUTTON, 0, 1, 1, 0);
}

std::string strHex(uint8_t u8Byte)
{
    char cText[8];
    snprintf(cText, sizeof(cText), "0x%02X", u8Byte);
    return cText;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line + "\n");
    return lines;
}

class EdidSaveTest : public DeviceTest {
protected:
    // One display holding a two-page EDID, its record selected, nothing
    // received yet.
    void Bench()
    {
        m_edid = lstMakeEdid(1);
        AddDisplay(m_edid);
        InitLibrary();
        snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", m_dir.path().c_str());
    }
    void ReceivePages(int s32Pages)
    {
        SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, s32Pages);
        ASSERT_EQ(s32ReceiveByPageAction(), 1);
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    }
    void SaveTypes(int s32Binary, int s32Text)
    {
        SetCtrlVal(MainPanel(), MAIN_SAVE_BIN, s32Binary);
        SetCtrlVal(MainPanel(), MAIN_SAVE_TXT, s32Text);
    }
    Bytes m_edid;
};

TEST_F(EdidSaveTest, BinaryFileHoldsTheReceivedPages)
{
    Bench();
    ReceivePages(2);
    SaveTypes(1, 0);
    std::string path = m_dir.file("two.bin");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, path);
    EXPECT_EQ(s32SaveDeviceEdid(), 0);
    ASSERT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_EQ(m_dialogs.strRequest(0), SaveRequest(m_dir.path(), "*.bin"));
    EXPECT_EQ(lstReadBytes(path), m_edid);
    EXPECT_EQ(MsgBox(), HEADING + Saved(path, 256));
    EXPECT_STREQ(gu8str_EdidFilePath, path.c_str());
    EXPECT_STREQ(gu8str_LastDir, path.c_str());
}

TEST_F(EdidSaveTest, TextFileHasSixteenBytesOnEachLineAndNoCarriageReturn)
{
    Bench();
    ReceivePages(1);
    SaveTypes(0, 1);
    std::string path = m_dir.file("one.txt");
    vWriteFile(path, std::string(5000, 'x'));
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, path);
    s32SaveDeviceEdid();
    std::string text = strReadFile(path);
    EXPECT_EQ(text.size(), 776u);
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, "
                        "0x10, 0xAC, 0xF3, 0x40, 0x00, 0x00, 0x00, 0x00, \n");
    EXPECT_EQ(lines[7], "0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, "
                        "0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x01, " +
                            strHex(m_edid[127]) + ", \n");
    EXPECT_EQ(MsgBox(), HEADING + Saved(path, 128));
}

TEST_F(EdidSaveTest, SixteenPagesMakeTheLargestTextFile)
{
    Bench();
    for (int i = 0; i < RECEIVED_EDID_SIZE; i++)
        gst_ReceivedEdid[0].u8EdidBuf[i] = (uint8_t)(i * 7);
    gst_ReceivedEdid[0].u8Complete = 1;
    vShapeMainPanel(1);
    DisplayPanel(MainPanel());
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 15);
    UiKeyPress(MainPanel(), MAIN_PAGE_NUM, VAL_UP_ARROW_VKEY); // the operator commits 16
    ASSERT_EQ(gu8_EdidPageNum, 16);
    SaveTypes(0, 1);
    std::string path = m_dir.file("all.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, path);
    s32SaveDeviceEdid();
    std::string text = strReadFile(path);
    EXPECT_EQ(text.size(), 12416u);
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 128u);
    for (size_t k = 0; k < lines.size(); k++) {
        std::string expected;
        for (size_t i = k * 16; i < k * 16 + 16; i++)
            expected += strHex((uint8_t)(i * 7)) + ", ";
        ASSERT_EQ(lines[k], expected + "\n") << "line " << k;
    }
    EXPECT_EQ(MsgBox(), HEADING + Saved(path, 2048));
}

TEST_F(EdidSaveTest, BothTypesAskBinaryFirstAndEachCancelIsReported)
{
    Bench();
    ReceivePages(2);
    SaveTypes(1, 1);
    std::string bin = m_dir.file("both.bin"), txt = m_dir.file("both.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, bin);
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, txt);
    s32SaveDeviceEdid();
    ASSERT_EQ(m_dialogs.requests.size(), 2u);
    EXPECT_EQ(m_dialogs.strRequest(0), SaveRequest(m_dir.path(), "*.bin"));
    EXPECT_EQ(m_dialogs.strRequest(1), SaveRequest(m_dir.path(), "*.txt"));
    EXPECT_EQ(MsgBox(), HEADING + Saved(bin, 256) + Saved(txt, 256));
    EXPECT_EQ(lstReadBytes(bin), m_edid);
    EXPECT_EQ(strReadFile(txt).size(), 2u * 776u);
    EXPECT_STREQ(gu8str_LastDir, txt.c_str());

    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    m_dialogs.vPush(VAL_NO_FILE_SELECTED, "");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, txt);
    s32SaveDeviceEdid();
    EXPECT_EQ(MsgBox(), HEADING + std::string(CANCELED) + Saved(txt, 256));
    EXPECT_STREQ(gu8str_EdidFilePath, txt.c_str());

    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vWriteFile(bin, "kept");
    m_dialogs.vPush(VAL_NO_FILE_SELECTED, "");
    m_dialogs.vPush(VAL_NO_FILE_SELECTED, "");
    s32SaveDeviceEdid();
    EXPECT_EQ(MsgBox(), HEADING + std::string(CANCELED) + CANCELED);
    EXPECT_EQ(strReadFile(bin), "kept");
    EXPECT_STREQ(gu8str_LastDir, "");
}

TEST_F(EdidSaveTest, NeitherTypeAsksNothingAndEmptiesTheLastFolder)
{
    Bench();
    ReceivePages(1);
    SaveTypes(0, 0);
    s32SaveDeviceEdid();
    EXPECT_TRUE(m_dialogs.requests.empty());
    EXPECT_EQ(MsgBox(), std::string(HEADING) + " - Please welect saving type ...\n>");
    EXPECT_STREQ(gu8str_LastDir, "");
}

TEST_F(EdidSaveTest, CommittedPageCountDecidesTheAmountWhateverWasReceived)
{
    Bench();
    ReceivePages(2);
    vShapeMainPanel(1);
    DisplayPanel(MainPanel());
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 3);
    UiKeyPress(MainPanel(), MAIN_PAGE_NUM, VAL_UP_ARROW_VKEY);
    SaveTypes(1, 0);
    std::string path = m_dir.file("four.bin");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, path);
    s32SaveDeviceEdid();
    Bytes expected = m_edid;
    expected.resize(512, 0);
    EXPECT_EQ(lstReadBytes(path), expected);
    EXPECT_EQ(MsgBox(), HEADING + Saved(path, 512));
}

TEST_F(EdidSaveTest, WithoutASelectedDisplayNothingIsReadOrWritten)
{
    InitLibrary(); // an empty bench: the monitor list stays empty
    SaveTypes(1, 1);
    std::vector<std::string> before = lstDirEntries(m_dir.path());
    s32SaveDeviceEdid();
    EXPECT_TRUE(m_dialogs.requests.empty());
    EXPECT_EQ(MsgBox(), std::string(HEADING) + " - Fail. Select PC output port first\n>");
    EXPECT_EQ(lstDirEntries(m_dir.path()), before);
}

TEST_F(EdidSaveTest, AFileThatCannotBeWrittenIsAFailure)
{
    Bench();
    ReceivePages(1);
    SaveTypes(1, 1);
    std::string bin = m_dir.file("none/a.bin"), txt = m_dir.file("none/a.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, bin);
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, txt);
    s32SaveDeviceEdid();
    const std::string why = " \n> - Reason: no new file can be made in its folder: No such file "
                            "or directory\n>";
    EXPECT_EQ(MsgBox(), std::string(HEADING) + " - Fail. The file cannot be written\n> - Path = " +
                            bin + why + " - Fail. The file cannot be written\n> - Path = " + txt +
                            why);
}

TEST_F(EdidSaveTest, AFifoIsRefusedAndAFullDiskLeavesNoFile)
{
    Bench();
    ReceivePages(1);
    SaveTypes(1, 0);
    std::string fifo = m_dir.file("fifo.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, fifo);
    s32SaveDeviceEdid();
    EXPECT_EQ(MsgBox(), std::string(HEADING) + " - Fail. The file cannot be written\n> - Path = " +
                            fifo + " \n> - Reason: it is a FIFO, not a regular file\n>");

    std::string dir = m_dir.file("full");
    SmallDisk disk(dir);
    if (!disk.bMounted())
        GTEST_SKIP() << "no full disk to write on: " << disk.why();
    disk.vFill();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    SaveTypes(0, 1);
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, dir + "/a.txt");
    s32SaveDeviceEdid();
    EXPECT_EQ(MsgBox(), std::string(HEADING) + " - Fail. The file cannot be written\n> - Path = " +
                            dir + "/a.txt \n> - Reason: No space left on device\n>");
    EXPECT_EQ(lstDirEntries(dir), std::vector<std::string>{"filler"});
}

// As the operator meets it right after start: nothing received, so nothing
// to save; a receive that fails part-way leaves nothing either.
using EdidSaveAtStartUpTest = AppTest;

TEST_F(EdidSaveAtStartUpTest, NothingIsSavedBeforeAReceiveByPageCompletes)
{
    vWriteFile(m_dir.file("DefSetting.ini"), "ReceivedNumOfPage = 2\r\nSavedFileType = 1 0\r\n");
    vDdcBenchUseDefault();
    StartUp();
    Ticks(30);
    int s32Count = 0;
    GetNumListItems(MainPanel(), MAIN_MONITOR_LIST, &s32Count);
    ASSERT_GT(s32Count, 0);
    std::string path = m_dir.file("first.bin");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, path);
    vShapeMainPanel(1);
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    UiClick(MainPanel(), MAIN_SAVE_EDID_BTN);
    Ticks(7);
    EXPECT_EQ(MsgBox(), std::string(HEADING) + NOTHING_RECEIVED);

    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    Ticks(7);
    ASSERT_EQ(gst_ReceivedEdid[0].u8Complete, 1);
    vDdcBenchSetExtFault(0, 1, 0x70000015u);
    UiClick(MainPanel(), MAIN_RECEIVE_PAGE_BTN);
    Ticks(7);
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    UiClick(MainPanel(), MAIN_SAVE_EDID_BTN);
    Ticks(7);
    EXPECT_EQ(MsgBox(), std::string(HEADING) + NOTHING_RECEIVED);
    EXPECT_TRUE(m_dialogs.requests.empty());
    EXPECT_FALSE(bFileExists(path));
}

// --- The package dump ---

class PackageDumpTest : public DeviceTest {};

TEST_F(PackageDumpTest, WithoutAValidPackageNothingIsShown)
{
    EXPECT_EQ(s32ShowPkgAction(), 0);
    EXPECT_EQ(MsgBox(), "Showing PKG file content ...\n> - Fail. The existence of PKG file fail\n"
                        "> - Fail. Reading PKG file fail\n>");
}

TEST_F(PackageDumpTest, EveryByteOfThePackageInItsFrame)
{
    Bytes pkg = lstMakePackage({{"HDMI1", lstMakeEdid(1)}, {"DVI", lstMakeEdid(0)}});
    vUsePackageFile(m_dir.file("p.pkg"), pkg);
    s32ReadPkgAction();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vPostCommand(CMD_SHOW_PKG, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    Ticks(7);
    std::string frame = "//************************************//\n>";
    std::string dump = strDataDump(pkg.data(), pkg.size());
    EXPECT_EQ(MsgBox(), "Showing PKG file content ...\n>Display File of HDMI ...\n>" + frame +
                            "//    Content of HDMI File\n>" + frame + dump + " - Pass\n>");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 640);
    char cText[128];
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
    EXPECT_STREQ(cText, "PC File Displaying ...            100%");
}

// The dump's first pump handles a Browse that waited: the file dialog picks
// another package, read into the package buffer while the dump goes on.
TEST_F(PackageDumpTest, AnotherPackageChosenDuringTheDumpChangesNothingItShows)
{
    Bytes pkg = lstMakePackage({{"HDMI1", lstMakeEdid(1)}});
    vUsePackageFile(m_dir.file("p.pkg"), pkg);
    s32ReadPkgAction();
    Bytes other = lstMakePackage({{"DVI1", lstMakeEdid(0, "BNQ", 1)}}, PKG_TYPE_DVI);
    std::string path = m_dir.file("other.pkg");
    vWriteFile(path, std::string(other.begin(), other.end()));
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, path);
    DisplayPanel(MainPanel());
    ASSERT_EQ(UiQueueClick(MainPanel(), MAIN_PKG_BROWSE), 0);
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    EXPECT_EQ(s32ShowPkgAction(), 1);
    EXPECT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_STREQ(gu8str_PkgFilePath, path.c_str());
    std::string frame = "//************************************//\n>";
    EXPECT_EQ(MsgBox(), "Showing PKG file content ...\n>Display File of HDMI ...\n>" + frame +
                            "//    Content of HDMI File\n>" + frame +
                            strDataDump(pkg.data(), pkg.size()) + " - Pass\n>");
}

// A code that names no type shows "Unknown"; the caption's last step is
// 99%, at the last byte.
TEST_F(PackageDumpTest, AnUnknownCodeNamesNoTypeAndTheLastByteIsAt99Percent)
{
    vUsePackageFile(m_dir.file("p.pkg"), lstMakePackage({{"VGA", lstMakeEdid(0)}}, PKG_TYPE_VGA));
    s32ReadPkgAction();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    EXPECT_EQ(s32ShowPkgContent(0), 1);
    std::string head = "Display File of Unknown ...\n>"
                       "//************************************//\n>"
                       "//    Content of Unknown File\n>"
                       "//************************************//\n>";
    EXPECT_EQ(MsgBox().substr(0, head.size()), head);
    char cText[128];
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
    EXPECT_STREQ(cText, "Display File of Unknown ...            99%");
}

} // namespace
