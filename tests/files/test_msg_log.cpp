#include "tests/support/privileges.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "files/msg_log.h"
#include "ui/Pavimo.h"

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using MessageLogTest = AppTest;

TEST_F(MessageLogTest, FragmentsWithoutLineFeedShareOneLine)
{
    LoadPanels();
    vPrintMsg(">");
    vPrintMsg("0x%02X ", 0x00);
    vPrintMsg("0x%02X ", 0xFF);
    vPrintMsg("\n>");
    vPrintMsg("Detecting monitor ...\n>");
    EXPECT_EQ(MsgBox(), ">0x00 0xFF \n>Detecting monitor ...\n>");
    int s32Lines = 0;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Lines);
    EXPECT_EQ(s32Lines, 3);
}

TEST_F(MessageLogTest, FormatsLikePrintf)
{
    LoadPanels();
    vPrintMsg(" - Fail ! Error Code = 0x%X \n>", 0x70000013u);
    vPrintMsg("Set DDC / I2C speed = %d KHz\n>", 100);
    EXPECT_EQ(MsgBox(), " - Fail ! Error Code = 0x70000013 \n>Set DDC / I2C speed = 100 KHz\n>");
}

TEST_F(MessageLogTest, MessagesBeforeThePanelsAreLoadedAreDropped)
{
    vPrintMsg("lost\n>");
    vPrintProgress("lost %d", 1);
    LoadPanels();
    EXPECT_EQ(MsgBox(), "");
}

TEST_F(MessageLogTest, ALineWiderThanTheBoxIsSplitAtBlanksUnderItsLead)
{
    LoadPanels();
    vPrintMsgLines(" - ", "The i2c-dev kernel module is not loaded: run 'sudo modprobe i2c-dev' "
                          "and start the program again; /sys/class/i2c-dev/i2c-0123456789/"
                          "device/name-of-the-adapter-that-is-longer-than-the-box x");
    EXPECT_EQ(MsgBox(),
              " - The i2c-dev kernel module is not loaded: run 'sudo modprobe\n>"
              "   i2c-dev' and start the program again;\n>"
              "   /sys/class/i2c-dev/i2c-0123456789/device/name-of-the-adapter-that-is-longer-than-the-box\n>"
              "   x\n>");
}

TEST_F(MessageLogTest, OverlongMessageIsCutToTheBuffer)
{
    LoadPanels();
    static char cLong[TEXT_BUF_SIZE + 500];
    memset(cLong, 'A', sizeof(cLong) - 1);
    cLong[sizeof(cLong) - 1] = '\0';
    vPrintMsg("%s", cLong);
    EXPECT_EQ(MsgBox(), std::string(TEXT_BUF_SIZE - 1, 'A'));
}

TEST_F(MessageLogTest, ProgressTextReplacesTheLine)
{
    LoadPanels();
    vPrintProgress("%s            %d%%", "Receiving EDID ...", 20);
    vPrintProgress("%s            %d%%", "Erasing EDID ...", 7);
    char cText[128];
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
    EXPECT_STREQ(cText, "Erasing EDID ...            7%");
}

TEST_F(MessageLogTest, SavedFileHoldsEveryLineEndedWithCrLf)
{
    LoadPanels();
    vPrintMsg(">");
    vPrintMsg("Checking PKG file information ...\n>");
    vPrintMsg(" - Pass\n>");
    std::string target = m_dir.file("log.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, target);
    EXPECT_EQ(s32SaveMsgToFile(), 0);
    EXPECT_EQ(strReadFile(target), ">Checking PKG file information ...\r\n> - Pass\r\n>\r\n");
    EXPECT_STREQ(gu8str_MsgFilePath, target.c_str());
    EXPECT_STREQ(gu8str_LastDir, target.c_str());
    EXPECT_EQ(MsgBox(), ">Checking PKG file information ...\n> - Pass\n>");
}

TEST_F(MessageLogTest, SaveDialogAsksForATextFileFromTheLastFolder)
{
    LoadPanels();
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", m_dir.path().c_str());
    s32SaveMsgToFile();
    ASSERT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_EQ(m_dialogs.strRequest(0), strFileRequest(m_dir.path(), "*.txt", "*.txt",
                                                      "Name of File to Save", VAL_SAVE_BUTTON, 0,
                                                      1, 1, 0));
}

TEST_F(MessageLogTest, ExistingFileIsReplaced)
{
    LoadPanels();
    std::string target = m_dir.file("log.txt");
    vWriteFile(target, std::string(5000, 'x'));
    vPrintMsg(">done\n>");
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, target);
    s32SaveMsgToFile();
    EXPECT_EQ(strReadFile(target), ">done\r\n>\r\n");
}

TEST_F(MessageLogTest, CancelWritesNothingAndEmptiesTheLastFolder)
{
    LoadPanels();
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", m_dir.path().c_str());
    vPrintMsg(">x\n>");
    s32SaveMsgToFile();
    EXPECT_STREQ(gu8str_LastDir, "");
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 1u); // Pavimo.uir only
    EXPECT_EQ(MsgBox(), ">x\n>");
}

TEST_F(MessageLogTest, UncreatableFileWritesNothingAndTheProgramGoesOn)
{
    LoadPanels();
    vPrintMsg(">x\n>");
    std::string target = m_dir.file("no-such-folder/log.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, target);
    EXPECT_EQ(s32SaveMsgToFile(), 0);
    EXPECT_FALSE(bFileExists(target));
    EXPECT_STREQ(gu8str_LastDir, target.c_str());
    EXPECT_EQ(MsgBox(), ">x\n> - The messages could not be saved to " + target +
                            ": no new file can be made in its folder: No such file or directory\n>");
}

// Only the file named changes: a link is written through, a folder (or a
// device, a FIFO) is refused.
TEST_F(MessageLogTest, ALinkIsWrittenThroughAndAFolderIsRefused)
{
    LoadPanels();
    vPrintMsg(">x\n>");
    vWriteFile(m_dir.file("real.txt"), "old");
    ASSERT_EQ(symlink("real.txt", m_dir.file("link.txt").c_str()), 0);
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, m_dir.file("link.txt"));
    s32SaveMsgToFile();
    EXPECT_EQ(strReadFile(m_dir.file("real.txt")), ">x\r\n>\r\n");
    std::string folder = m_dir.file("folder.txt");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, folder);
    s32SaveMsgToFile();
    EXPECT_EQ(MsgBox(), ">x\n> - The messages could not be saved to " + folder +
                            ": it is a folder, not a regular file\n>");
    EXPECT_TRUE(lstDirEntries(folder).empty());
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 4u); // Pavimo.uir, real, link, folder
}

TEST_F(MessageLogTest, AFullDiskKeepsTheOldFileAndSaysSo)
{
    std::string dir = m_dir.file("full");
    SmallDisk disk(dir);
    if (!disk.bMounted())
        GTEST_SKIP() << "no full disk to write on: " << disk.why();
    vWriteFile(dir + "/log.txt", "old");
    disk.vFill();
    LoadPanels();
    vPrintMsg(">x\n>");
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, dir + "/log.txt");
    s32SaveMsgToFile();
    EXPECT_EQ(MsgBox(), ">x\n> - The messages could not be saved to " + dir +
                            "/log.txt: No space left on device\n>");
    EXPECT_EQ(strReadFile(dir + "/log.txt"), "old");
    EXPECT_EQ(lstDirEntries(dir).size(), 2u); // log.txt and the filler
}

TEST_F(MessageLogTest, EmptyBoxSavesAnEmptyFile)
{
    LoadPanels();
    std::string target = m_dir.file("empty.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, target);
    s32SaveMsgToFile();
    EXPECT_TRUE(bFileExists(target));
    EXPECT_EQ(strReadFile(target), "");
}

TEST_F(MessageLogTest, SaveCommandRunsFromTheQueue)
{
    LoadPanels();
    vPrintMsg(">queued\n>");
    std::string target = m_dir.file("queued.txt");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, target);
    vPostCommand(CMD_SAVE_MSG, 1, 700, 0);
    Ticks(6);
    EXPECT_FALSE(bFileExists(target));
    Ticks(1);
    EXPECT_EQ(strReadFile(target), ">queued\r\n>\r\n");
}

} // namespace
