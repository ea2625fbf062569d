#include "tests/support/edid_maker.h"
#include "tests/support/package_maker.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "device/edid_write.h"
#include "files/package.h"
#include "files/package_writer.h"
#include "ui/Pavimo.h"

#include <string.h>

#include <functional>
#include <utility>

namespace {

typedef std::vector<uint8_t> Bytes;

// Sums as an operator's tool would compute them: the eight checksum bytes
// left out.
uint32_t u32SumWithoutChecksums(const Bytes &pkg, size_t count)
{
    uint32_t u32Sum = 0;
    for (size_t i = 0; i < count; i++)
        u32Sum += (i >= 32 && i < 40) ? 0 : pkg[i];
    return u32Sum;
}

void vPut32(Bytes &pkg, size_t offset, uint32_t u32Value)
{
    for (int k = 0; k < 4; k++)
        pkg[offset + k] = (uint8_t)(u32Value >> (8 * k));
}

void vPutEntry(Bytes &pkg, int s32Port, uint16_t u16Offset)
{
    pkg[44 + 12 * s32Port] = (uint8_t)u16Offset;
    pkg[44 + 12 * s32Port + 1] = (uint8_t)(u16Offset >> 8);
}

void vPutText(Bytes &pkg, size_t offset, const char *pcText)
{
    memcpy(&pkg[offset], pcText, strlen(pcText));
}

// Type text "VGA", one port, the eight offsets 256: nothing else set.
Bytes lstMinimalVga()
{
    Bytes pkg(PKG_FILE_SIZE, 0);
    vPutText(pkg, 24, "VGA");
    pkg[40] = 1;
    for (int i = 0; i < 8; i++)
        vPutEntry(pkg, i, 256);
    return pkg;
}

Bytes lstOnePortVga() { return lstMakePackage({{"IN1", lstMakeEdid(1)}}, PKG_TYPE_VGA); }

const char gc_NoFile[] = "\xE6\xAA\x94\xE6\xA1\x88\xE4\xB8\x8D\xE5\xAD\x98\xE5\x9C\xA8\xE3\x80\x82";

class PackageTest : public AppTest {
protected:
    std::string Use(const Bytes &pkg, const std::string &name = "p.pkg")
    {
        vUsePackageFile(m_dir.file(name), pkg);
        return m_dir.file(name);
    }
    void ClearMsgs() { ResetTextBox(MainPanel(), MAIN_MSG_BOX, ""); }
    std::string Field(int s32Ctrl)
    {
        static char cText[TEXT_BUF_SIZE];
        GetCtrlVal(MainPanel(), s32Ctrl, cText);
        return cText;
    }
    std::vector<std::pair<std::string, int>> Items(int s32Ctrl)
    {
        std::vector<std::pair<std::string, int>> items;
        int s32Count = 0;
        GetNumListItems(MainPanel(), s32Ctrl, &s32Count);
        for (int i = 0; i < s32Count; i++) {
            char cLabel[64] = "";
            int s32Value = -1;
            GetLabelFromIndex(MainPanel(), s32Ctrl, i, cLabel, sizeof(cLabel));
            SetCtrlIndex(MainPanel(), s32Ctrl, i);
            GetCtrlVal(MainPanel(), s32Ctrl, &s32Value);
            items.push_back({cLabel, s32Value});
        }
        return items;
    }
    void FillFieldsAndLists()
    {
        for (int s32Ctrl : {MAIN_PKG_TEXT_A, MAIN_PKG_TEXT_B, MAIN_PKG_TYPE, MAIN_PKG_PORT_NUM,
                            MAIN_PKG_CHECKSUM})
            SetCtrlVal(MainPanel(), s32Ctrl, "old");
        InsertListItem(MainPanel(), MAIN_PORT_LIST, -1, "oldport", 5);
        InsertListItem(MainPanel(), MAIN_MONITOR_LIST, -1, "DEL40F3", 0);
    }
    std::vector<std::pair<std::string, std::string>> m_popups;
    void RecordPopups()
    {
        vUiSetMessageResponder(
            [](const char *pcTitle, const char *pcText, void *pv) {
                static_cast<std::vector<std::pair<std::string, std::string>> *>(pv)->push_back(
                    {pcTitle, pcText});
            },
            &m_popups);
    }
};

TEST_F(PackageTest, ChecksumsOfTheMinimalPackage)
{
    Bytes pkg = lstMinimalVga();
    EXPECT_EQ(u32PkgHeaderSum(pkg.data()), 231u);
    EXPECT_EQ(u32PkgFileSum(pkg.data()), 231u);
    memset(&pkg[32], 0xFF, 8);
    EXPECT_EQ(u32PkgHeaderSum(pkg.data()), 231u);
    EXPECT_EQ(u32PkgFileSum(pkg.data()), 231u);
    vPut32(pkg, 32, 231);
    vPut32(pkg, 36, 231);
    EXPECT_EQ(s32PkgValidate(pkg.data(), PKG_FILE_SIZE, PKG_TYPE_VGA), PKG_CHECK_OK);
    EXPECT_EQ(s32PkgValidate(pkg.data(), PKG_FILE_SIZE, PKG_TYPE_HDMI), PKG_CHECK_TYPE);
    pkg[9000] = 1;
    EXPECT_EQ(u32PkgHeaderSum(pkg.data()), 231u);
    EXPECT_EQ(s32PkgValidate(pkg.data(), PKG_FILE_SIZE, PKG_TYPE_VGA), PKG_CHECK_PACKAGE_SUM);
    pkg[9000] = 0;

    LoadPanels();
    Use(pkg);
    EXPECT_EQ(s32CheckPkgInfoAction(), 0);
    EXPECT_EQ(MsgBox(), "Checking PKG file information ...\n> - Pass\n>");
    EXPECT_EQ(gu8_PkgValid, 1);
    EXPECT_EQ(Items(MAIN_PORT_LIST), (std::vector<std::pair<std::string, int>>{{"", 0}}));
    EXPECT_EQ(Field(MAIN_PKG_CHECKSUM), "00E7");
    EXPECT_EQ(Field(MAIN_PKG_TEXT_A), " ");
}

TEST_F(PackageTest, ExistenceCheckLooksAtThePathControlThenTheFile)
{
    LoadPanels();
    std::string path = Use(lstOnePortVga());
    for (int32_t s32Type : {PKG_TYPE_VGA, PKG_TYPE_DVI, PKG_TYPE_HDMI, PKG_TYPE_OTHER}) {
        gu8_PkgExist = 0;
        EXPECT_EQ(s32CheckPkgExist(s32Type), 1) << s32Type;
        EXPECT_EQ(gu8_PkgExist, 1);
    }
    EXPECT_EQ(MsgBox(), "");

    // A one-character path control fails even though the file is there.
    for (const char *pcControl : {"", "/"}) {
        SetCtrlVal(MainPanel(), MAIN_PKG_PATH, pcControl);
        ClearMsgs();
        gu8_PkgExist = 1;
        EXPECT_EQ(s32CheckPkgExist(PKG_TYPE_HDMI), 0);
        EXPECT_EQ(gu8_PkgExist, 0);
        EXPECT_EQ(MsgBox(), " - Path Loading Error ...\n>");
    }

    vUsePackagePath(m_dir.file("gone.pkg"));
    ClearMsgs();
    gu8_PkgExist = 1;
    EXPECT_EQ(s32CheckPkgExist(PKG_TYPE_OTHER), 0);
    EXPECT_EQ(gu8_PkgExist, 0);
    EXPECT_EQ(MsgBox(), " - File does not exist ...\n>");

    // Not a type code: nothing is checked, said or changed.
    vUsePackagePath(path);
    ClearMsgs();
    for (int32_t s32Type : {0, 3, 16, -1}) {
        gu8_PkgExist = 1;
        EXPECT_EQ(s32CheckPkgExist(s32Type), 0);
        EXPECT_EQ(gu8_PkgExist, 1);
    }
    EXPECT_EQ(MsgBox(), "");
}

struct ReadCase {
    const char *pcWhat;
    int32_t s32Type;
    std::function<void(Bytes &)> mutate;
    const char *pcMessage; // null: passes
};

TEST_F(PackageTest, ReadChecksInOrderAndNamesTheTypeText)
{
    auto reseal = [](Bytes &p) { vResealPackage(p); };
    const ReadCase cases[] = {
        {"valid", PKG_TYPE_VGA, [](Bytes &) {}, nullptr},
        {"one byte short", PKG_TYPE_VGA, [](Bytes &p) { p.pop_back(); },
         " - Size mismatch ( VGA ) \n>"},
        {"one byte long, wrong type too", PKG_TYPE_DVI, [](Bytes &p) { p.push_back(0); },
         " - Size mismatch ( VGA ) \n>"},
        {"other type asked", PKG_TYPE_DVI, [](Bytes &) {}, " - Type mismatch ( VGA ) \n>"},
        {"lower case", PKG_TYPE_VGA, [&](Bytes &p) { vPutText(p, 24, "vga"); reseal(p); },
         " - Type mismatch ( vga ) \n>"},
        {"eight-character type, bad offset too", PKG_TYPE_HDMI,
         [](Bytes &p) { vPutText(p, 24, "HDMIHDMI"); vPutEntry(p, 3, 0); },
         " - Type mismatch ( HDMIHDMI ) \n>"},
        {"unused entry below the data", PKG_TYPE_VGA,
         [&](Bytes &p) { vPutEntry(p, 7, 128); reseal(p); },
         " - Port data address illegal ( VGA ) \n>"},
        {"offset off the 128 grid, sums wrong too", PKG_TYPE_VGA,
         [](Bytes &p) { vPutEntry(p, 5, 320); },
         " - Port data address illegal ( VGA ) \n>"},
        {"nine ports", PKG_TYPE_VGA, [&](Bytes &p) { p[40] = 9; reseal(p); },
         " - Port data address illegal ( VGA ) \n>"},
        {"listed image past the end", PKG_TYPE_VGA,
         [&](Bytes &p) { vPutEntry(p, 0, 10112); p[10112 + 126] = 1; reseal(p); },
         " - Port data address illegal ( VGA ) \n>"},
        {"listed image ends at the end", PKG_TYPE_VGA,
         [&](Bytes &p) { vPutEntry(p, 0, 10112); reseal(p); }, nullptr},
        {"unlisted image past the end", PKG_TYPE_VGA,
         [&](Bytes &p) { vPutEntry(p, 1, 10112); p[10112 + 126] = 3; reseal(p); }, nullptr},
        {"header byte changed", PKG_TYPE_VGA, [](Bytes &p) { p[200]++; },
         " - Package header checksum error ( VGA ) \n>"},
        {"stored header sum off by one", PKG_TYPE_VGA, [](Bytes &p) { p[36]++; },
         " - Package header checksum error ( VGA ) \n>"},
        {"data byte changed", PKG_TYPE_VGA, [](Bytes &p) { p[256 + 130]++; },
         " - Package Checksum error (VGA) \n>"},
        {"stored package sum off by 65536", PKG_TYPE_VGA, [](Bytes &p) { p[34]++; },
         " - Package Checksum error (VGA) \n>"},
    };
    LoadPanels();
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.pcWhat);
        Bytes pkg = lstOnePortVga();
        c.mutate(pkg);
        Use(pkg);
        ClearMsgs();
        gu8_PkgValid = c.pcMessage ? 1 : 0;
        EXPECT_EQ(s32ReadPkgFile(c.s32Type, gu8_PkgBuffer), c.pcMessage ? 0 : 1);
        EXPECT_EQ(MsgBox(), c.pcMessage ? c.pcMessage : "");
        EXPECT_EQ(gu8_PkgValid, c.pcMessage ? 0 : 1);
        pkg.resize(PKG_FILE_SIZE);
        EXPECT_EQ(Bytes(gu8_PkgBuffer, gu8_PkgBuffer + PKG_FILE_SIZE), pkg);
    }
}

TEST_F(PackageTest, ReadOfTypeOtherSkipsTheChecksAndABadCodeIsRefused)
{
    LoadPanels();
    Bytes pkg = lstOnePortVga();
    pkg[5000]++;
    Use(pkg);
    gu8_PkgValid = 1;
    EXPECT_EQ(s32ReadPkgFile(PKG_TYPE_OTHER, gu8_PkgBuffer), 1);
    EXPECT_EQ(gu8_PkgValid, 0);
    EXPECT_EQ(MsgBox(), "");
    EXPECT_EQ(Bytes(gu8_PkgBuffer, gu8_PkgBuffer + PKG_FILE_SIZE), pkg);
    for (int32_t s32Type : {0, 3, 5}) {
        ClearMsgs();
        gu8_PkgValid = 1;
        EXPECT_EQ(s32ReadPkgFile(s32Type, gu8_PkgBuffer), 0);
        EXPECT_EQ(MsgBox(), " - Package read error\n>");
        EXPECT_EQ(gu8_PkgValid, 0);
        EXPECT_EQ(Bytes(gu8_PkgBuffer, gu8_PkgBuffer + PKG_FILE_SIZE), pkg); // read, not validated
    }
}

TEST_F(PackageTest, CommandActionsReportPassOrFail)
{
    LoadPanels();
    vUsePackagePath(m_dir.file("none.pkg"));
    s32CheckPkgExistAction();
    s32ReadPkgAction();
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - File does not exist ...\n"
                        "> - Fail\n>Reading PKG file ...\n> - File does not exist ...\n"
                        "> - File does not exist ...\n> - Fail\n>");

    Bytes pkg = lstMakePackage({{"HDMI1", lstMakeEdid(1)}});
    Use(pkg);
    ClearMsgs();
    s32CheckPkgExistAction();
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Pass\n>");
    ClearMsgs();
    vPostCommand(CMD_READ_PKG, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    Ticks(6);
    EXPECT_EQ(MsgBox(), "");
    Ticks(1);
    EXPECT_EQ(MsgBox(), "Reading PKG file ...\n> - Pass\n>");
    EXPECT_EQ(gu8_PkgExist, 1);
    EXPECT_EQ(gu8_PkgValid, 1);

    pkg[300]++;
    Use(pkg);
    ClearMsgs();
    FillFieldsAndLists();
    s32CheckPkgInfoAction();
    EXPECT_EQ(MsgBox(),
              "Checking PKG file information ...\n> - Package Checksum error (HDMI) \n> - Fail\n>");
    EXPECT_EQ(gu8_PkgValid, 0);
    // Nothing of the earlier package stays beside the new path.
    for (int s32Ctrl : {MAIN_PKG_TEXT_A, MAIN_PKG_TEXT_B, MAIN_PKG_TYPE, MAIN_PKG_PORT_NUM,
                        MAIN_PKG_CHECKSUM})
        EXPECT_EQ(Field(s32Ctrl), "") << s32Ctrl;
    EXPECT_TRUE(Items(MAIN_PORT_LIST).empty());
    EXPECT_EQ(Items(MAIN_MONITOR_LIST).size(), 1u);
}

TEST_F(PackageTest, TypeTextNotExactlyANameReadsButIsNeverProgrammed)
{
    LoadPanels();
    for (const char *pcType : {"vga", "HDMI "}) {
        SCOPED_TRACE(pcType);
        Bytes pkg = lstMakePackage({{"P", lstMakeEdid(0)}});
        memset(&pkg[24], 0, 8);
        vPutText(pkg, 24, pcType);
        vResealPackage(pkg);
        Use(pkg);
        EXPECT_EQ(s32PkgTypeOfText(pkg.data()), PKG_TYPE_OTHER);
        ClearMsgs();
        s32ReadPkgAction();
        EXPECT_EQ(MsgBox(), "Reading PKG file ...\n> - Pass\n>");
        EXPECT_EQ(gu8_PkgExist, 1);
        EXPECT_EQ(gu8_PkgValid, 0);
        ClearMsgs();
        EXPECT_EQ(s32ProgramAction(), 0);
        EXPECT_EQ(s32VerifyAction(), 0);
        EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Fail. Reading PKG file fail\n"
                            ">Verifying device's EDID ...\n> - Fail. Reading PKG file fail\n>");
    }
    gu8_PkgExist = 0;
    ClearMsgs();
    s32ProgramAction();
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Fail. The existence of PKG file fail\n"
                        "> - Fail. Reading PKG file fail\n>");
}

TEST_F(PackageTest, InfoFieldsShowTheHeaderCutToItsFields)
{
    LoadPanels();
    FillFieldsAndLists();
    Bytes pkg(PKG_FILE_SIZE, 0);
    vPutText(pkg, 0, "ABCDEFGHIJKLMNOP"); // no NUL before text B
    vPutText(pkg, 16, "QRSTUVWX");         // nor before the type text
    vPutText(pkg, 24, "TYPE8CHR");         // nor before the checksum
    vPut32(pkg, 32, 0x1234ABCD);
    pkg[40] = 3;
    vPutText(pkg, 44 + 4, "P0");
    vPutText(pkg, 44 + 12 * 2 + 4, "EIGHTCHR"); // runs into the next entry's offset
    vPutEntry(pkg, 3, 0x4141);
    memcpy(gu8_PkgBuffer, pkg.data(), PKG_FILE_SIZE);
    vShowPkgInfo(PKG_TYPE_OTHER);
    EXPECT_EQ(Field(MAIN_PKG_TEXT_A), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(Field(MAIN_PKG_TEXT_B), "QRSTUVWX");
    EXPECT_EQ(Field(MAIN_PKG_TYPE), "TYPE8CHR");
    EXPECT_EQ(Field(MAIN_PKG_PORT_NUM), "3");
    EXPECT_EQ(Field(MAIN_PKG_CHECKSUM), "ABCD");
    EXPECT_EQ(Items(MAIN_PORT_LIST),
              (std::vector<std::pair<std::string, int>>{{"P0", 0}, {"", 1}, {"EIGHTCHR", 2}}));

    // Empty texts show one blank; a count above eight lists eight entries.
    memset(gu8_PkgBuffer, 0, 40);
    vPkgStore32(gu8_PkgBuffer, 32, 66);
    vPkgStore32(gu8_PkgBuffer, 40, 4000000000u);
    vShowPkgInfo(PKG_TYPE_OTHER);
    for (int s32Ctrl : {MAIN_PKG_TEXT_A, MAIN_PKG_TEXT_B, MAIN_PKG_TYPE})
        EXPECT_EQ(Field(s32Ctrl), " ") << s32Ctrl;
    EXPECT_EQ(Field(MAIN_PKG_PORT_NUM), "4000000000");
    EXPECT_EQ(Field(MAIN_PKG_CHECKSUM), "0042");
    auto items = Items(MAIN_PORT_LIST);
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[2], (std::pair<std::string, int>{"EIGHTCHR", 2}));
    EXPECT_EQ(items[7].second, 7);
}

TEST_F(PackageTest, BrowseLoadsTheChosenPackageAndRemembersItsPlace)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    RecordPopups();
    FillFieldsAndLists();
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", m_dir.path().c_str());
    Bytes pkg = lstMakePackage({{"HDMI1", lstMakeEdid(1)}, {"HDMI2", lstMakeEdid(0)}},
                               PKG_TYPE_HDMI, "MODEL-27", "REV3");
    std::string path = m_dir.file("model.pkg");
    vWriteFile(path, std::string(pkg.begin(), pkg.end()));
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, path);
    UiClick(MainPanel(), MAIN_PKG_BROWSE);

    ASSERT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_EQ(m_dialogs.strRequest(0),
              strFileRequest(m_dir.path(), "*.pkg", "", "Select File", VAL_LOAD_BUTTON, 0, 1, 1, 0));

    EXPECT_EQ(Field(MAIN_PKG_PATH), path);
    EXPECT_STREQ(gu8str_PkgFilePath, path.c_str());
    EXPECT_STREQ(gu8str_LastDir, path.c_str());
    EXPECT_EQ(MsgBox(), "");
    EXPECT_EQ(gu8_PkgValid, 1);
    EXPECT_EQ(Field(MAIN_PKG_TEXT_A), "MODEL-27");
    EXPECT_EQ(Field(MAIN_PKG_TEXT_B), "REV3");
    EXPECT_EQ(Field(MAIN_PKG_TYPE), "HDMI");
    EXPECT_EQ(Field(MAIN_PKG_PORT_NUM), "2");
    char cSum[8];
    snprintf(cSum, sizeof(cSum), "%04X", u32SumWithoutChecksums(pkg, PKG_FILE_SIZE) & 0xFFFF);
    EXPECT_EQ(Field(MAIN_PKG_CHECKSUM), cSum);
    EXPECT_EQ(Items(MAIN_PORT_LIST),
              (std::vector<std::pair<std::string, int>>{{"HDMI1", 0}, {"HDMI2", 1}}));
    EXPECT_TRUE(Items(MAIN_MONITOR_LIST).empty());

    // A failing package: its line alone, the lists and the fields emptied.
    pkg[9999]++;
    std::string bad = m_dir.file("bad.pkg");
    vWriteFile(bad, std::string(pkg.begin(), pkg.end()));
    InsertListItem(MainPanel(), MAIN_MONITOR_LIST, -1, "DEL40F3", 0);
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, bad);
    UiClick(MainPanel(), MAIN_PKG_BROWSE);
    EXPECT_EQ(m_dialogs.requestDirs[1], path);
    EXPECT_EQ(MsgBox(), " - Package Checksum error (HDMI) \n>");
    EXPECT_EQ(gu8_PkgValid, 0);
    EXPECT_EQ(Field(MAIN_PKG_PATH), bad);
    EXPECT_STREQ(gu8str_LastDir, bad.c_str());
    EXPECT_EQ(Field(MAIN_PKG_TEXT_A), "");
    EXPECT_EQ(Field(MAIN_PKG_CHECKSUM), "");
    EXPECT_TRUE(Items(MAIN_PORT_LIST).empty());
    EXPECT_TRUE(Items(MAIN_MONITOR_LIST).empty());
    EXPECT_TRUE(m_popups.empty());
}

TEST_F(PackageTest, BrowseWithoutAnExistingFileChangesNothing)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    RecordPopups();
    std::string path = Use(lstOnePortVga());
    FillFieldsAndLists();
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", m_dir.path().c_str());
    std::string missing = m_dir.file("missing.pkg");
    m_dialogs.vPush(VAL_NO_FILE_SELECTED, "");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, missing);
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, missing); // gone in between
    for (int i = 0; i < 3; i++)
        UiClick(MainPanel(), MAIN_PKG_BROWSE);
    ASSERT_EQ(m_dialogs.requests.size(), 3u);
    ASSERT_EQ(m_popups.size(), 1u);
    EXPECT_EQ(m_popups[0].first, "Error");
    EXPECT_EQ(m_popups[0].second, gc_NoFile);
    EXPECT_EQ(Field(MAIN_PKG_PATH), path);
    EXPECT_STREQ(gu8str_PkgFilePath, path.c_str());
    EXPECT_STREQ(gu8str_LastDir, m_dir.path().c_str());
    EXPECT_EQ(MsgBox(), "");
    EXPECT_EQ(Field(MAIN_PKG_TYPE), "old");
    EXPECT_EQ(Items(MAIN_PORT_LIST).size(), 1u);
    EXPECT_EQ(Items(MAIN_MONITOR_LIST).size(), 1u);
}

TEST_F(PackageTest, SelectionWithoutControlOrPanelOnlyFillsTheResult)
{
    LoadPanels();
    std::string path = Use(lstOnePortVga());
    std::string other = m_dir.file("other.pkg");
    vWriteFile(other, "x");
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", m_dir.path().c_str());
    static char cResult[TEXT_BUF_SIZE];
    for (int s32Panel : {MainPanel(), 0}) {
        strcpy(cResult, "stale");
        m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, other);
        vSelectPkgFile("*.pkg", cResult, s32Panel ? 0 : MAIN_PKG_PATH, s32Panel);
        EXPECT_STREQ(cResult, other.c_str());
    }
    EXPECT_STREQ(gu8str_LastDir, m_dir.path().c_str());
    EXPECT_EQ(Field(MAIN_PKG_PATH), path);
    EXPECT_STREQ(gu8str_PkgFilePath, path.c_str());
    EXPECT_EQ(MsgBox(), "");
}

TEST_F(PackageTest, StartUpShowsThePackageNamedInThePath)
{
    Bytes pkg = lstMakePackage({{"DP", lstMakeEdid(0)}}, PKG_TYPE_DVI, "START", "B");
    std::string path = m_dir.file("start.pkg");
    vWriteFile(path, std::string(pkg.begin(), pkg.end()));
    vWriteFile(m_dir.file("DefSetting.ini"), "FilePath = " + path + "\r\n");
    StartUp();
    Ticks(6);
    EXPECT_EQ(MsgBox(), ">");
    Ticks(1);
    EXPECT_EQ(MsgBox(), ">Checking PKG file information ...\n> - Pass\n>");
    EXPECT_EQ(Field(MAIN_PKG_TEXT_A), "START");
    EXPECT_EQ(Field(MAIN_PKG_TYPE), "DVI");
    EXPECT_EQ(Items(MAIN_PORT_LIST), (std::vector<std::pair<std::string, int>>{{"DP", 0}}));
}

TEST_F(PackageTest, StartUpWithoutAPathFails)
{
    StartUp();
    Ticks(7);
    EXPECT_EQ(MsgBox(), ">Checking PKG file information ...\n> - Path Loading Error ...\n"
                        "> - Path Loading Error ...\n> - Fail\n>");
}

TEST_F(PackageTest, WriterRefusesBadInputAndLeavesNothing)
{
    Bytes one = lstMakeEdid(0), two = lstMakeEdid(1), big = lstMakeEdid(75), most = lstMakeEdid(70);
    Bytes lying = lstMakeEdid(0, "DEL", 1, 2); // two blocks, declares one
    struct {
        const char *pcWhat;
        int32_t s32Type;
        const char *pcTextA, *pcTextB;
        std::vector<stPkgPort> ports;
        int32_t s32Code;
        uint32_t u32Bad;
    } cases[] = {
        {"type other", PKG_TYPE_OTHER, "A", "B", {}, PKG_BUILD_TYPE, 0},
        {"type zero", 0, "A", "B", {}, PKG_BUILD_TYPE, 0},
        {"text A of 16", PKG_TYPE_VGA, "0123456789ABCDEF", "B", {}, PKG_BUILD_TEXT_A, 0},
        {"text B of 8", PKG_TYPE_VGA, "A", "01234567", {}, PKG_BUILD_TEXT_B, 0},
        {"nine ports", PKG_TYPE_VGA, "A", "B", std::vector<stPkgPort>(9, {"P", one.data(), 128}),
         PKG_BUILD_PORT_COUNT, 0},
        {"name of 8", PKG_TYPE_VGA, "A", "B",
         {{"P", one.data(), 128}, {"P", one.data(), 128}, {"EIGHTCHR", one.data(), 128}},
         PKG_BUILD_PORT_NAME, 2},
        {"length above the declared", PKG_TYPE_VGA, "A", "B",
         {{"P", one.data(), 128}, {"P", lying.data(), 256}}, PKG_BUILD_IMAGE_LENGTH, 1},
        {"length below the declared", PKG_TYPE_VGA, "A", "B", {{"P", two.data(), 128}},
         PKG_BUILD_IMAGE_LENGTH, 0},
        // 76 + 2 blocks fill the 78 of the data area; one more does not fit.
        {"no room", PKG_TYPE_VGA, "A", "B",
         {{"P", big.data(), 76 * 128}, {"P", two.data(), 256}, {"P", one.data(), 128}},
         PKG_BUILD_NO_ROOM, 2},
    };
    Bytes pkg(PKG_FILE_SIZE);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pcWhat);
        memset(pkg.data(), 0xAA, PKG_FILE_SIZE);
        uint32_t u32Bad = 99;
        EXPECT_EQ(s32PkgBuild(c.pcTextA, c.pcTextB, c.s32Type, c.ports.data(),
                              (uint32_t)c.ports.size(), pkg.data(), &u32Bad),
                  c.s32Code);
        EXPECT_EQ(u32Bad, c.u32Bad);
        EXPECT_EQ(pkg, Bytes(PKG_FILE_SIZE, 0));
    }

    // The limits themselves are taken, the data area filled to its end.
    std::vector<stPkgPort> full = {{"SEVENCH", most.data(), 71 * 128}};
    for (int i = 1; i < 8; i++)
        full.push_back({"", one.data(), 128});
    EXPECT_EQ(s32PkgBuild("0123456789ABCDE", "0123456", PKG_TYPE_HDMI, full.data(), 8, pkg.data(),
                          nullptr),
              PKG_BUILD_OK);
    EXPECT_EQ(u16PkgPortOffset(pkg.data(), 7), PKG_FILE_SIZE - 128);
    EXPECT_EQ(s32PkgValidate(pkg.data(), PKG_FILE_SIZE, PKG_TYPE_HDMI), PKG_CHECK_OK);
}

TEST_F(PackageTest, WriterPacksThePortsAndTheProgramReadsTheResult)
{
    Bytes a = lstMakeEdid(0, "AAA"), b = lstMakeEdid(2, "BBB"), c = lstMakeEdid(1, "CCC");
    std::vector<stPkgPort> ports = {{"IN-A", a.data(), 128}, {"IN-B", b.data(), 384},
                                    {"IN-C", c.data(), 256}};
    Bytes pkg(PKG_FILE_SIZE, 0xAA);
    ASSERT_EQ(s32PkgBuild("TEXT-A", "TXT-B", PKG_TYPE_DVI, ports.data(), 3, pkg.data(), nullptr),
              PKG_BUILD_OK);

    Bytes expected(PKG_FILE_SIZE, 0);
    vPutText(expected, 0, "TEXT-A");
    vPutText(expected, 16, "TXT-B");
    vPutText(expected, 24, "DVI");
    expected[40] = 3;
    const uint16_t u16Offsets[8] = {256, 384, 768, 256, 256, 256, 256, 256};
    for (int i = 0; i < 8; i++)
        vPutEntry(expected, i, u16Offsets[i]);
    vPutText(expected, 44 + 4, "IN-A");
    vPutText(expected, 56 + 4, "IN-B");
    vPutText(expected, 68 + 4, "IN-C");
    std::copy(a.begin(), a.end(), expected.begin() + 256);
    std::copy(b.begin(), b.end(), expected.begin() + 384);
    std::copy(c.begin(), c.end(), expected.begin() + 768);
    vPut32(expected, 32, u32SumWithoutChecksums(expected, PKG_FILE_SIZE));
    vPut32(expected, 36, u32SumWithoutChecksums(expected, 256));
    EXPECT_EQ(pkg, expected);

    LoadPanels();
    Use(pkg);
    s32ReadPkgAction();
    EXPECT_EQ(MsgBox(), "Reading PKG file ...\n> - Pass\n>");
    EXPECT_EQ(gu8_PkgValid, 1);
    EXPECT_EQ(s32PkgTypeOfText(gu8_PkgBuffer), PKG_TYPE_DVI);
}

} // namespace
