#include "tests/support/privileges.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "files/package.h"
#include "files/settings.h"
#include "files/textmode.h"
#include "platform/ddc/ddc_bench_test.h"
#include "ui/Pavimo.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

const std::string gs_Version = "Tavolin - EDID Download AP v1.04c  2010.05.27";
const std::string gs_FactoryFile = "Version Name = " + gs_Version +
                                   "\r\nFilePath = \r\nFunctionSelect = 0 1 1 0 0 0\r\n"
                                   "SavedFileType = 1 0\r\nReceivedNumOfPage = 1\r\n"
                                   "DdcI2cSpeed = 4\r\n";
const std::string gs_DefaultsFile = "Version Name = " + gs_Version +
                                    "\r\r\nFilePath = \r\r\nFunctionSelect = 0 1 1 0 0 0\r\r\n"
                                    "SavedFileType = 1 0\r\r\nReceivedNumOfPage = 1\r\r\n"
                                    "DdcI2cSpeed = 4\r\r\n";
const std::string gs_FactoryPanel = "path '' functions 0 1 1 0 0 0 save 1 0 page 1 speed 4";

// The function boxes in FunctionSelect order, then the save-type boxes.
const int gs32_Boxes[] = {MAIN_FUNC_ERASE,   MAIN_FUNC_PROGRAM,  MAIN_FUNC_VERIFY,
                          MAIN_FUNC_RECEIVE, MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA,
                          MAIN_SAVE_BIN,     MAIN_SAVE_TXT};

class SettingsTest : public AppTest {
protected:
    std::string SettingsFile() { return m_dir.file("DefSetting.ini"); }
    void WriteSettings(const std::string &text) { vWriteFile(SettingsFile(), text); }
    std::string Saved() { return strReadFile(SettingsFile()); }

    int Value(int s32Ctrl)
    {
        int s32Value = -100;
        GetCtrlVal(MainPanel(), s32Ctrl, &s32Value);
        return s32Value;
    }

    std::string Text(int s32Ctrl)
    {
        static char cText[TEXT_BUF_SIZE];
        cText[0] = '\0';
        GetCtrlVal(MainPanel(), s32Ctrl, cText);
        return cText;
    }

    std::string Title()
    {
        static char cTitle[TEXT_BUF_SIZE];
        GetPanelAttribute(MainPanel(), ATTR_TITLE, cTitle, sizeof(cTitle));
        return cTitle;
    }

    // Every setting on the panel as one line; the path control and the
    // path global must agree.
    std::string Panel()
    {
        EXPECT_EQ(Text(MAIN_PKG_PATH), gu8str_PkgFilePath);
        std::string text = "path '" + Text(MAIN_PKG_PATH) + "' functions";
        for (int i = 0; i < 8; i++)
            text += (i == 6 ? " save " : " ") + std::to_string(Value(gs32_Boxes[i]));
        return text + " page " + std::to_string(Value(MAIN_PAGE_NUM)) + " speed " +
               std::to_string(Value(MAIN_DDC_SPEED));
    }

    // The start-up hook again, on the panels as they are.
    void Load(const std::string &text)
    {
        WriteSettings(text);
        s32LoadDefSetting();
    }

    void StartWith(const std::string &text)
    {
        WriteSettings(text);
        StartUp();
    }

    // A new run of the program from the same folder.
    void Restart()
    {
        vDiscardPanels();
        vResetProgramState();
        StartUp();
    }
};

TEST_F(SettingsTest, KeyTableRowsAreInFileOrder)
{
    const SettingKey expected[] = {{"Version Name = ", gs_Version.c_str(), SET_TYPE_STRING},
                                   {"FilePath = ", "", SET_TYPE_STRING},
                                   {"FunctionSelect = ", "0 1 1 0 0 0", SET_TYPE_STRING},
                                   {"SavedFileType = ", "1 0", SET_TYPE_STRING},
                                   {"ReceivedNumOfPage = ", "1", SET_TYPE_INT},
                                   {"DdcI2cSpeed = ", "4", SET_TYPE_INT}};
    for (int i = 0; i < SET_ROW_COUNT; i++) {
        EXPECT_STREQ(gSettingKeyTable[i].pcKey, expected[i].pcKey) << i;
        EXPECT_STREQ(gSettingKeyTable[i].pcDefault, expected[i].pcDefault) << i;
        EXPECT_EQ(gSettingKeyTable[i].s32Type, expected[i].s32Type) << i;
    }
}

TEST_F(SettingsTest, StartUpWithoutFileWritesTheDefaultsAndShowsThem)
{
    StartUp();
    EXPECT_EQ(Saved(), gs_DefaultsFile);
    EXPECT_EQ(Title(), gs_Version);
    EXPECT_EQ(Panel(), gs_FactoryPanel);
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 2u);
}

TEST_F(SettingsTest, NormalSaveOfTheFactoryStateWritesCrLfLines)
{
    StartUp();
    vSaveDefSetting(0);
    EXPECT_EQ(Saved(), gs_FactoryFile);
    EXPECT_FALSE(bFileExists(SettingsFile() + ".tmp"));
}

// The defaults file ends its lines CR CR LF; its CRs must not reach a value.
TEST_F(SettingsTest, DefaultsAndWindowsFilesReadLikeANormalSave)
{
    for (const std::string &file : {gs_DefaultsFile, gs_FactoryFile}) {
        StartWith(file);
        EXPECT_EQ(Panel(), gs_FactoryPanel);
        EXPECT_STREQ(gu8str_PkgFilePath, "");
        Ticks(7);
        EXPECT_EQ(MsgBox(), ">Checking PKG file information ...\n> - Path Loading Error ...\n"
                            "> - Path Loading Error ...\n> - Fail\n>");
        vExitHook();
        EXPECT_EQ(Saved(), gs_FactoryFile);
        vDiscardPanels();
        vResetProgramState();
    }
}

TEST_F(SettingsTest, KeyIsFoundAnywhereInALineInAnyCaseAndTheFirstWins)
{
    StartWith("# remembered: filepath = /x/y.pkg\n");
    EXPECT_EQ(Panel(), "path '/x/y.pkg' functions 0 1 1 0 0 0 save 1 0 page 1 speed 4");
    Load("FilePath=x\r\n");
    EXPECT_EQ(Panel(), gs_FactoryPanel);
    Load("FilePath = /first.pkg\r\nFilePath = /second.pkg\r\n");
    EXPECT_STREQ(gu8str_PkgFilePath, "/first.pkg");
}

TEST_F(SettingsTest, TitleAlwaysComesFromTheBuiltInVersion)
{
    StartWith("Version Name = Other v9\r\n");
    EXPECT_EQ(Title(), gs_Version);
    vExitHook();
    EXPECT_EQ(Saved(), gs_FactoryFile);
}

// A row that is there with a short or malformed value reads as zeros,
// not as its default.
TEST_F(SettingsTest, MissingNumbersReadAsZero)
{
    StartWith("FunctionSelect = 1 1\r\nDdcI2cSpeed = fast\r\n");
    EXPECT_EQ(Panel(), "path '' functions 1 1 0 0 0 0 save 1 0 page 1 speed 0");
}

TEST_F(SettingsTest, MissingRowsTakeTheirDefaultsAndTheFileStays)
{
    StartWith("ReceivedNumOfPage = 5\r\n");
    EXPECT_EQ(Panel(), "path '' functions 0 1 1 0 0 0 save 1 0 page 5 speed 4");
    Ticks(30);
    EXPECT_EQ(Saved(), "ReceivedNumOfPage = 5\r\n");
}

// 1,000 characters, the key and twelve characters of its value fill the
// first piece; the rest of the line is a line of its own.
TEST_F(SettingsTest, LongLinesAreReadInPieces)
{
    StartWith(std::string(1000, 'x') + "FilePath = /abcdefghijklmnop DdcI2cSpeed = 7\r\n");
    EXPECT_STREQ(gu8str_PkgFilePath, "/abcdefghijk");
    EXPECT_EQ(Value(MAIN_DDC_SPEED), 7);
    Load("FilePath = /" + std::string(300, 'p') + "\r\n");
    EXPECT_EQ(gu8str_PkgFilePath, "/" + std::string(255, 'p'));
}

TEST_F(SettingsTest, OutOfRangeValuesNeverReachAControl)
{
    LoadPanels();
    const char *pcFiles[] = {"FunctionSelect = 2 3 2 3 2 3\r\nSavedFileType = 3 2\r\n"
                             "ReceivedNumOfPage = 0\r\nDdcI2cSpeed = 9\r\n",
                             "ReceivedNumOfPage = 99\r\nDdcI2cSpeed = -1\r\n"};
    const char *pcPanels[] = {"path '' functions 0 1 0 1 0 1 save 1 0 page 1 speed 4",
                              "path '' functions 0 1 1 0 0 0 save 1 0 page 16 speed 4"};
    for (int i = 0; i < 2; i++) {
        // Away from the defaults, so that only the mend brings the speed back.
        SetCtrlVal(MainPanel(), MAIN_DDC_SPEED, 7);
        SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 13);
        Load(pcFiles[i]);
        EXPECT_EQ(Panel(), pcPanels[i]);
    }
}

TEST_F(SettingsTest, EveryValueComesBackInTheNextRun)
{
    StartUp();
    const int s32Values[] = {1, 0, 0, 1, 1, 1, 0, 1};
    for (int i = 0; i < 8; i++)
        SetCtrlVal(MainPanel(), gs32_Boxes[i], s32Values[i]);
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 13);
    SetCtrlVal(MainPanel(), MAIN_DDC_SPEED, 7);
    std::string path = m_dir.file("edid packages/panel.pkg");
    SetCtrlVal(MainPanel(), MAIN_PKG_PATH, path.c_str());
    snprintf(gu8str_PkgFilePath, sizeof(gu8str_PkgFilePath), "%s", path.c_str());
    vExitHook();
    EXPECT_EQ(Saved(), "Version Name = " + gs_Version + "\r\nFilePath = " + path +
                           "\r\nFunctionSelect = 1 0 0 1 1 1\r\nSavedFileType = 0 1\r\n"
                           "ReceivedNumOfPage = 13\r\nDdcI2cSpeed = 7\r\n");
    Restart();
    EXPECT_EQ(Panel(), "path '" + path + "' functions 1 0 0 1 1 1 save 0 1 page 13 speed 7");
    EXPECT_EQ(gu8str_PkgFilePath, path);
    EXPECT_EQ(Title(), gs_Version);
}

TEST_F(SettingsTest, RunOfTheProgramRestoresAndSavesTheSettings)
{
    WriteSettings("DdcI2cSpeed = 2\r\n");
    vUiRunWhenLoopStarts(
        [](void *) {
            SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PAGE_NUM, 13);
            UiClosePanel(gst_UiHandles.s32MainPanel);
        },
        nullptr);
    char cName[] = "tavolin";
    char *pcArgv[] = {cName, nullptr};
    ASSERT_EQ(s32TavolinMain(1, pcArgv), 0);
    EXPECT_EQ(Saved(), "Version Name = " + gs_Version +
                           "\r\nFilePath = \r\nFunctionSelect = 0 1 1 0 0 0\r\n"
                           "SavedFileType = 1 0\r\nReceivedNumOfPage = 13\r\nDdcI2cSpeed = 2\r\n");
}

TEST_F(SettingsTest, UnwritableFolderStillGivesTheDefaults)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into a folder whatever its permissions";
    ASSERT_EQ(chmod(m_dir.path().c_str(), 0555), 0);
    struct Restore {
        std::string dir;
        ~Restore() { chmod(dir.c_str(), 0755); }
    } restore{m_dir.path()};
    StartUp();
    EXPECT_EQ(Title(), gs_Version);
    EXPECT_EQ(Panel(), gs_FactoryPanel);
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 13);
    vExitHook();
    EXPECT_EQ(lstDirEntries(m_dir.path()), Lines{"Pavimo.uir"});
}

// The same for root too: a program folder that lies below a plain file.
TEST_F(SettingsTest, FolderWhereNoFileCanBeMadeStillGivesTheDefaults)
{
    LoadPanels();
    std::string blocked = m_dir.file("Pavimo.uir") + "/program";
    vUiSetProjectDir(blocked.c_str());
    vStartUp();
    EXPECT_EQ(Title(), gs_Version);
    EXPECT_EQ(Panel(), gs_FactoryPanel);
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 13);
    vExitHook();
    EXPECT_EQ(lstDirEntries(m_dir.path()), Lines{"Pavimo.uir"});
}

// A link planted where the settings file goes (a shared portable folder)
// is replaced, never written through; a file named like a temporary one
// stays.
TEST_F(SettingsTest, OnlyTheSettingsFileItselfIsReplaced)
{
    vWriteFile(m_dir.file("victim"), "secret");
    ASSERT_EQ(symlink("victim", SettingsFile().c_str()), 0);
    vWriteFile(SettingsFile() + ".tmp", "mine");
    StartUp();
    vExitHook();
    EXPECT_EQ(strReadFile(m_dir.file("victim")), "secret");
    EXPECT_EQ(Saved(), gs_FactoryFile);
    EXPECT_EQ(strReadFile(SettingsFile() + ".tmp"), "mine");
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 4u);
}

// A FIFO in the settings file's place is never waited on: the start goes
// on with the defaults, and the FIFO is left as it is.
TEST_F(SettingsTest, AFifoInTheFilesPlaceNeitherHangsTheStartNorIsWritten)
{
    ASSERT_EQ(mkfifo(SettingsFile().c_str(), 0600), 0);
    StartUp();
    EXPECT_EQ(Panel(), gs_FactoryPanel);
    struct stat st;
    ASSERT_EQ(lstat(SettingsFile().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(SettingsTest, AFullDiskKeepsTheOldFileAndSaysSoOnStandardError)
{
    std::string dir = m_dir.file("full");
    SmallDisk disk(dir);
    if (!disk.bMounted())
        GTEST_SKIP() << "no full disk to write on: " << disk.why();
    const std::string old = "ReceivedNumOfPage = 5\nDdcI2cSpeed = 3\n";
    vWriteFile(dir + "/DefSetting.ini", old);
    disk.vFill();
    StartUp();
    vUiSetProjectDir(dir.c_str());
    testing::internal::CaptureStderr();
    vExitHook();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tavolin: the settings could not be saved to " + dir +
                  "/DefSetting.ini: No space left on device\n");
    EXPECT_EQ(strReadFile(dir + "/DefSetting.ini"), old);
    EXPECT_EQ(lstDirEntries(dir).size(), 2u);
}

using VersionTest = AppTest;

TEST_F(VersionTest, ReportPrintsBothVersionsAndFillsTheirFields)
{
    static char cText[TEXT_BUF_SIZE];
    EXPECT_EQ(s32GetUiVersion(cText), 1);
    EXPECT_STREQ(cText, "1.04c");
    LoadPanels();
    EXPECT_EQ(s32ShowVersionAction(), 0);
    EXPECT_EQ(MsgBox(), "AP version : UI = 1.04c \n>AP version : Library = 1.00 \n \n>");
    GetCtrlVal(MainPanel(), MAIN_UI_VERSION, cText);
    EXPECT_STREQ(cText, "1.04c");
    GetCtrlVal(MainPanel(), MAIN_LIB_VERSION, cText);
    EXPECT_STREQ(cText, "1.00 \n");
}

TEST_F(VersionTest, StartUpReportsTheVersionsThird)
{
    vDdcBenchUseDefault();
    StartUp();
    Ticks(21);
    std::string box = MsgBox();
    EXPECT_EQ(box.rfind(">Checking PKG file information ...\n", 0), 0u) << box;
    const std::string tail =
        "> - Pass\n>AP version : UI = 1.04c \n>AP version : Library = 1.00 \n \n>";
    ASSERT_GE(box.size(), tail.size());
    EXPECT_EQ(box.substr(box.size() - tail.size()), tail);
}

class TextModeTest : public ::testing::Test {
protected:
    // Every piece the reader gives for the bytes, with a buffer of the size.
    Lines Read(const std::string &bytes, size_t size)
    {
        vWriteFile(m_dir.file("in.txt"), bytes);
        FILE *pFile = fopen(m_dir.file("in.txt").c_str(), "rb");
        Lines pieces;
        std::vector<char> line(size);
        while (pFile && bTextReadLine(pFile, line.data(), size))
            pieces.push_back(line.data());
        if (pFile)
            fclose(pFile);
        return pieces;
    }

    TempDir m_dir;
};

TEST_F(TextModeTest, WrittenFileReplacesTheTargetOnlyWhenCommitted)
{
    std::string target = m_dir.file("out.txt");
    vWriteFile(target, "old");
    stTextWriter writer;
    ASSERT_TRUE(bTextWriterOpen(&writer, target.c_str()));
    vTextWrite(&writer, "a\nb\n");
    EXPECT_EQ(strReadFile(target), "old");
    EXPECT_TRUE(bTextWriterCommit(&writer));
    EXPECT_EQ(strReadFile(target), "a\r\nb\r\n");
    EXPECT_EQ(lstDirEntries(m_dir.path()), Lines{"out.txt"});
}

TEST_F(TextModeTest, WriterInAMissingFolderCreatesNothing)
{
    stTextWriter writer;
    EXPECT_FALSE(bTextWriterOpen(&writer, m_dir.file("none/out.txt").c_str()));
    vTextWrite(&writer, "a\n");
    EXPECT_FALSE(bTextWriterCommit(&writer));
    EXPECT_TRUE(lstDirEntries(m_dir.path()).empty());
}

TEST_F(TextModeTest, CrLfIsReadAsLineFeedAndALoneCrStays)
{
    EXPECT_EQ(Read("a\r\nb\rc\n", 64), (Lines{"a\n", "b\rc\n"}));
}

TEST_F(TextModeTest, LongLinesComeInPiecesWithoutSplittingCrLf)
{
    EXPECT_EQ(Read("ab\r\ncd\r\nabcdef\r\nx\r", 4),
              (Lines{"ab\n", "cd\n", "abc", "def", "\n", "x\r"}));
}

} // namespace
