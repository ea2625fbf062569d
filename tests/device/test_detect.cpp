#include "tests/support/device_fixture.h"
#include "tests/support/privileges.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "device/ddc_start.h"
#include "device/monitor_detect.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "ui/Pavimo.h"

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string gs_Platform = std::string("OS Platform Information : Linux (") +
                                (sizeof(void *) == 8 ? "64" : "32") + " bit) \n>";
const std::string gs_StartLines =
    gs_Platform + "Set DDC / I2C speed = 100 KHz\n>Detecting monitor ...\n>";

using Strings = std::vector<std::string>;

class DetectTest : public DeviceTest {
protected:
    // Flags of the ReadI2CBuf calls, in order.
    std::vector<uint32_t> ReadFlags()
    {
        std::vector<uint32_t> flags;
        for (const stDdcBenchCall &call : Calls(DDC_OP_READ_BUF))
            flags.push_back(call.au32Arg[4]);
        return flags;
    }
    std::string DisplayLines(int s32Number, const std::string &id)
    {
        return " - Monitor " + std::to_string(s32Number) + " : \n>      Status : Pass \n>      PNP ID : " +
               id + " \n>      Output : " + std::to_string(s32Number) + " \n>";
    }
};

TEST_F(DetectTest, StartReportsTheStepsAndListsTheDisplay)
{
    AddDisplay(lstMakeEdid(0));
    s32DdcBenchAddOutput();
    EXPECT_EQ(s32InitDdcAction(), 1);
    EXPECT_EQ(MsgBox(), gs_StartLines + DisplayLines(1, "DEL40F3") + " - Pass\n>");
    EXPECT_EQ(ListLabels(), Strings{"DEL40F3"});
    EXPECT_EQ(gu8_MonitorNum, 1);
    int s32Value = -1;
    GetCtrlVal(MainPanel(), MAIN_MONITOR_LIST, &s32Value);
    EXPECT_EQ(s32Value, 0);
    EXPECT_EQ(gst_MonitorInfo[0].u32DisplayHandle, DDC_BENCH_HANDLE(0));
    EXPECT_STREQ(gst_MonitorInfo[0].u8str_MonitorId, "DEL40F3");
}

TEST_F(DetectTest, StartCallsTheLibraryInOrder)
{
    AddDisplay(lstMakeEdid(0));
    s32InitDdcAction();
    std::vector<uint32_t> ops;
    for (uint32_t i = 0; i < u32DdcBenchLogCount(); i++) {
        stDdcBenchCall call;
        bDdcBenchLogCall(i, &call);
        ops.push_back(call.u32Op);
    }
    std::vector<uint32_t> expected = {DDC_OP_ENABLE_LOG,  DDC_OP_INSTALL_DRIVER, DDC_OP_INIT,
                                      DDC_OP_SET_OPTION,  DDC_OP_SET_OPTION,     DDC_OP_SET_OPTION,
                                      DDC_OP_ENUM_FIRST,  DDC_OP_TEST_ADDR,      DDC_OP_READ_EDID,
                                      DDC_OP_GET_EDID_OPTION, DDC_OP_GET_OUTPUT_INFO,
                                      DDC_OP_GET_OUTPUT_INFO, DDC_OP_ENUM_NEXT,   DDC_OP_GET_LIBRARY_INFO,
                                      DDC_OP_GET_LIBRARY_INFO};
    EXPECT_EQ(ops, expected);
    std::vector<stDdcBenchCall> log = Calls(DDC_OP_ENABLE_LOG);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(std::string((const char *)log[0].pu8Data, log[0].u32DataLen),
              m_dir.file("WINI2C-DDC-LOG.txt"));
    EXPECT_EQ(log[0].au32Arg[1], 1u);
    std::vector<stDdcBenchCall> driver = Calls(DDC_OP_INSTALL_DRIVER);
    EXPECT_EQ(std::string((const char *)driver[0].pu8Data, driver[0].u32DataLen),
              "C:\\WINDOWS\\system32\\drivers");
    std::vector<stDdcBenchCall> options = Calls(DDC_OP_SET_OPTION);
    EXPECT_EQ(options[0].au32Arg[0], 3u);
    EXPECT_EQ(options[0].au32Arg[1], 1u);
    EXPECT_EQ(options[1].au32Arg[0], 1u);
    EXPECT_EQ(options[1].au32Arg[1], 100000u);
    EXPECT_EQ(options[2].au32Arg[0], 2u);
    EXPECT_EQ(options[2].au32Arg[1], 3000u);
    EXPECT_EQ(Calls(DDC_OP_TEST_ADDR)[0].au32Arg[1], 0x50u);
    // The identifier field holds 16 bytes, and the library is told so.
    EXPECT_EQ(CallLines()[9], "GetEDIDOption(buf, 1, buf, 16) = 0x0 : \"DEL40F3\"");
    EXPECT_TRUE(bFileExists(m_dir.file("WINI2C-DDC-LOG.txt")));
}

TEST_F(DetectTest, SpeedRingIndexZeroStartsTheBusAtTenKilohertz)
{
    AddDisplay(lstMakeEdid(0));
    SetCtrlVal(MainPanel(), MAIN_DDC_SPEED, 0);
    s32InitDdcAction();
    EXPECT_NE(MsgBox().find("Set DDC / I2C speed = 10 KHz\n>"), std::string::npos);
    EXPECT_EQ(Calls(DDC_OP_SET_OPTION)[1].au32Arg[1], 10000u);
    EXPECT_EQ(gs32_DdcSpeedIndex, 0);
}

// The library log cannot be made: the start fails with its code, and the
// operator is told which file, in the box and on standard error.
TEST_F(DetectTest, FailingStartStepEndsTheStartWithItsCode)
{
    AddDisplay(lstMakeEdid(0));
    vUiSetProjectDir(m_dir.file("missing-folder").c_str());
    testing::internal::CaptureStderr();
    s32InitDdcAction();
    const std::string why = "library log " + m_dir.file("missing-folder/WINI2C-DDC-LOG.txt") +
                            " cannot be written: its folder must exist and be writable, and its "
                            "disk have free space; then start the program again";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin: the " + why + "\n");
    std::vector<stDdcBenchCall> log = Calls(DDC_OP_ENABLE_LOG);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].u32Result, DDC_ERR_LOG_FILE);
    // The remedy is split into lines the box shows whole.
    std::string box = MsgBox();
    for (size_t at = box.find("\n>   "); at != std::string::npos; at = box.find("\n>   "))
        box.replace(at, 5, " ");
    EXPECT_EQ(box, gs_Platform + " - Fail ! Error Code = 0x70000011 \n> - The " + why + "\n>");
    EXPECT_NE(MsgBox().find("\n>   "), std::string::npos);
    EXPECT_TRUE(Calls(DDC_OP_INIT).empty());
    EXPECT_TRUE(ListLabels().empty());
}

// A log that lost lines (a full disk) is named on standard error when the
// program stops it; a whole one is not.
TEST_F(DetectTest, StoppingALogThatLostLinesNamesItOnStandardError)
{
    AddDisplay(lstMakeEdid(0));
    InitLibrary();
    testing::internal::CaptureStderr();
    vStopDdcLog();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    InitLibrary();
    const std::string log = m_dir.file("WINI2C-DDC-LOG.txt");
    {
        FileSizeLimit full(strReadFile(log).size());
        s32RefreshMonitorAction();
    }
    testing::internal::CaptureStderr();
    vStopDdcLog();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tavolin: lines of the library log " + log +
                  " could not be written (0x70000011), so it is incomplete: free space on its "
                  "disk\n");
}

TEST_F(DetectTest, NoAnsweringOutputPassesWithAnEmptyList)
{
    s32DdcBenchAddOutput();
    int s32Silent = AddDisplay(lstMakeEdid(0));
    vDdcBenchSetNoAnswer(s32Silent, 1);
    s32InitDdcAction();
    EXPECT_EQ(MsgBox(), gs_StartLines + " - Pass\n>");
    EXPECT_TRUE(ListLabels().empty());
    EXPECT_EQ(gu8_MonitorNum, 0);
    EXPECT_TRUE(Calls(DDC_OP_READ_EDID).empty());
    EXPECT_EQ(Calls(DDC_OP_TEST_ADDR).size(), 2u);
}

TEST_F(DetectTest, NoOutputAtAllFailsWithTheEnumerationCode)
{
    s32InitDdcAction();
    std::vector<stDdcBenchCall> first = Calls(DDC_OP_ENUM_FIRST);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_NE(first[0].u32Result, 0u);
    char cLine[96];
    snprintf(cLine, sizeof(cLine), " - Fail ! Error Code = 0x%X \n>", first[0].u32Result);
    EXPECT_EQ(MsgBox(), gs_StartLines + cLine);
}

// Byte 126 decides the reads, the file and the amount.
struct ExtCase {
    uint8_t u8Ext;
    std::vector<uint32_t> flags;
    size_t fileSize; // 0: no file
};

TEST_F(DetectTest, ExtensionCountDecidesReadsAndFile)
{
    const ExtCase cases[] = {
        {0, {}, 128},
        {1, {0x100, 0x1000}, 256},
        {7, {0x100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1000}, 1024},
        {8, {0x100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1000}, 0},
    };
    for (const ExtCase &c : cases) {
        vDdcBenchClear();
        std::vector<uint8_t> edid = lstMakeEdid(c.u8Ext);
        AddDisplay(edid);
        InitDDCHelper();
        vDdcBenchLogClear();
        s32DetectMonitor();
        EXPECT_EQ(ReadFlags(), c.flags) << int(c.u8Ext);
        std::vector<stDdcBenchCall> writes = Calls(DDC_OP_WRITE_BUF);
        EXPECT_EQ(writes.size(), c.u8Ext ? 1u : 0u);
        if (!writes.empty()) {
            EXPECT_EQ(writes[0].u32DataLen, 1u);
            EXPECT_EQ(writes[0].pu8Data[0], 0x00);
        }
        std::string file = MonitorFile(1, "DEL40F3");
        if (c.fileSize) {
            std::vector<uint8_t> expected(edid.begin(), edid.begin() + c.fileSize);
            EXPECT_EQ(lstReadBytes(file), expected) << int(c.u8Ext);
        } else {
            EXPECT_FALSE(bFileExists(file)) << int(c.u8Ext);
        }
        size_t held = c.u8Ext < 8 ? edid.size() : 1024;
        EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, edid.data(), held), 0) << int(c.u8Ext);
        unlink(file.c_str());
    }
}

TEST_F(DetectTest, DataBlockShowsTheDeclaredAmountAndTheBytesRead)
{
    std::vector<uint8_t> edid = lstMakeEdid(8);
    AddDisplay(edid);
    InitDDCHelper();
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    s32DetectMonitor();
    std::string expected = " - Monitor 1 : \n>      Status : Pass \n>";
    expected += "************************************\n>    Displaying Monitor Information\n>"
                "    Monitor ID : DEL40F3\n>    Amount : 1152 Bytes\n>"
                "************************************\n>";
    char cByte[8];
    for (size_t k = 0; k < 1024; k++) {
        snprintf(cByte, sizeof(cByte), "0x%02X ", edid[k]);
        expected += cByte;
        if ((k + 1) % 16 == 0)
            expected += "\n>";
    }
    expected += "      PNP ID : DEL40F3 \n>      Output : 1 \n>";
    EXPECT_EQ(MsgBox(), expected);
}

TEST_F(DetectTest, ZeroExtensionsNeedNoRawRead)
{
    AddDisplay(lstMakeEdid(0));
    InitDDCHelper();
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    s32DetectMonitor();
    EXPECT_TRUE(Calls(DDC_OP_READ_BUF).empty());
    EXPECT_NE(MsgBox().find("    Amount : 128 Bytes\n>"), std::string::npos);
}

TEST_F(DetectTest, InvalidEdidIsListedWithTheIdentifierOfTheRawBlock)
{
    AddBlankDisplay();
    s32InitDdcAction();
    uint8_t u8Blank[128];
    memset(u8Blank, 0xFF, sizeof(u8Blank));
    char cId[16] = "";
    GetEDIDOption(u8Blank, 1, cId, sizeof(cId));
    char cStatus[96];
    snprintf(cStatus, sizeof(cStatus), "      Status : Invalid EDID, Error Code = 0x%X \n>",
             DDC_ERR_INVALID_EDID);
    EXPECT_EQ(MsgBox(), gs_StartLines + " - Monitor 1 : \n>" + cStatus + "      PNP ID : " + cId +
                            " \n>      Output : 1 \n> - Pass\n>");
    EXPECT_EQ(ListLabels(), Strings{cId});
    // Raw read after ReadEDID, then again before the extension blocks that
    // byte 126 (0xFF) asks for, capped at seven.
    EXPECT_EQ(ReadFlags(), (std::vector<uint32_t>{0x100, 0x100, 0x1100, 0x1100, 0x1100, 0x1100,
                                                  0x1100, 0x1100, 0x1000}));
    EXPECT_TRUE(lstDirEntries(m_dir.file("MonitorEDID")).empty());
}

TEST_F(DetectTest, FailingReadEdidEndsTheDetection)
{
    AddDisplay(lstMakeEdid(0, "ACR", 0x0001));
    int s32Second = AddDisplay(lstMakeEdid(0, "BNQ", 0x0002));
    AddDisplay(lstMakeEdid(0, "CMN", 0x0003));
    vDdcBenchSetReadEdidFault(s32Second, 0x70000015u);
    s32InitDdcAction();
    EXPECT_EQ(MsgBox(), gs_StartLines + DisplayLines(1, "ACR0001") +
                            " - Monitor 2 : \n>      Status : Fail, Error Code = 0x70000015 \n>"
                            " - Pass\n>");
    EXPECT_EQ(ListLabels(), Strings{"ACR0001"});
    EXPECT_EQ(gu8_MonitorNum, 1);
    for (const stDdcBenchCall &call : Calls(DDC_OP_TEST_ADDR))
        EXPECT_NE(call.au32Arg[0], DDC_BENCH_HANDLE(2));
}

// An incomplete read is no pass: the display stays listed (it can still be
// programmed), but its status and the detection fail, and no file keeps
// the incomplete copy.
TEST_F(DetectTest, FailingExtensionBlockFailsButStillListsTheDisplay)
{
    AddDisplay(lstMakeEdid(3));
    AddDisplay(lstMakeEdid(0, "ACR", 0x0001));
    vDdcBenchSetExtFault(0, 2, 0x70000015u);
    s32InitDdcAction();
    EXPECT_EQ(ReadFlags(), (std::vector<uint32_t>{0x100, 0x1100, 0x1100}));
    EXPECT_EQ(ListLabels(), (Strings{"DEL40F3", "ACR0001"}));
    EXPECT_EQ(MsgBox(), gs_StartLines +
                            " - Monitor 1 : \n>      Status : Fail, Error Code = 0x70000015 \n>"
                            "      PNP ID : DEL40F3 \n>      Output : 1 \n>" +
                            DisplayLines(2, "ACR0001") + " - Fail ! Error Code = 0x70000015 \n>");
    EXPECT_FALSE(bFileExists(MonitorFile(1, "DEL40F3")));
    EXPECT_TRUE(bFileExists(MonitorFile(2, "ACR0001")));
    // Nor may a verify compare against the incomplete copy.
    EXPECT_EQ(gst_MonitorInfo[0].u8Complete, 0);
    EXPECT_EQ(gst_MonitorInfo[1].u8Complete, 1);
}

// The outputs after the tenth display are only asked whether one answers;
// none of them is read, and a line after the list counts those that do.
TEST_F(DetectTest, TenDisplaysAtMostAndALineCountsTheAnsweringRest)
{
    for (int i = 0; i < 11; i++)
        AddDisplay(lstMakeEdid(0, "ACR", (uint16_t)i));
    s32DdcBenchAddOutput();
    s32InitDdcAction();
    EXPECT_EQ(gu8_MonitorNum, 10);
    EXPECT_EQ(ListLabels().size(), 10u);
    EXPECT_EQ(ListLabels()[9], "ACR0009");
    EXPECT_EQ(Calls(DDC_OP_TEST_ADDR).size(), 12u);
    EXPECT_EQ(Calls(DDC_OP_READ_EDID).size(), 10u);
    std::string tail = DisplayLines(10, "ACR0009") +
                       " - 1 more answering output was left out: the list holds 10 displays\n>"
                       " - Pass\n>";
    EXPECT_EQ(MsgBox().substr(MsgBox().size() - tail.size()), tail);

    AddDisplay(lstMakeEdid(0, "ACR", 11));
    AddDisplay(lstMakeEdid(0, "ACR", 12));
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    s32RefreshMonitorAction();
    tail = DisplayLines(10, "ACR0009") +
           " - 3 more answering outputs were left out: the list holds 10 displays\n>"
           " - Pass\n>\n>";
    EXPECT_EQ(MsgBox().substr(MsgBox().size() - tail.size()), tail);
}

TEST_F(DetectTest, ProgressStepsByDisplayWithAPauseEach)
{
    for (int i = 0; i < 3; i++)
        AddDisplay(lstMakeEdid(0, "ACR", (uint16_t)i));
    InitDDCHelper();
    RecordProgress();
    s32DetectMonitor();
    EXPECT_EQ(m_progress, (std::vector<int>{0, 10, 20}));
    EXPECT_EQ(u64ClockPauseSumMs(), 60u);
}

TEST_F(DetectTest, RefreshReplacesTheList)
{
    AddDisplay(lstMakeEdid(0, "ACR", 1));
    InitLibrary();
    vDdcBenchClear();
    AddDisplay(lstMakeEdid(0, "BNQ", 2));
    AddDisplay(lstMakeEdid(0, "CMN", 3));
    InitDDCHelper();
    vDdcBenchLogClear();
    EXPECT_EQ(s32RefreshMonitorAction(), 1);
    EXPECT_EQ(ListLabels(), (Strings{"BNQ0002", "CMN0003"}));
    EXPECT_EQ(MsgBox(), "Refreshing monitor information ...\n>" + DisplayLines(1, "BNQ0002") +
                            DisplayLines(2, "CMN0003") + " - Pass\n>\n>");
}

TEST_F(DetectTest, RefreshFailingInTheEnumerationKeepsTheOldList)
{
    AddDisplay(lstMakeEdid(0, "ACR", 1));
    InitLibrary();
    vDdcBenchSetEnumFault(0x70000015u);
    s32RefreshMonitorAction();
    EXPECT_EQ(MsgBox(), "Refreshing monitor information ...\n>"
                        " - Faill, Error Code = 0x70000015 \n>"
                        " - Click \"Refresh\" botton again ...\n>\n>");
    EXPECT_EQ(ListLabels(), Strings{"ACR0001"});
    EXPECT_EQ(gu8_MonitorNum, 1);
}

// A library error has all bits of 0x70000000 set, whatever its lowest bit:
// the three actions that report a status report an even one as a failure.
TEST_F(DetectTest, EvenErrorCodeIsReportedAsAFailure)
{
    AddDisplay(lstMakeEdid(0, "ACR", 1));
    vDdcBenchSetEnumFault(0x70000014u);
    s32InitDdcAction();
    EXPECT_EQ(MsgBox(), gs_StartLines + " - Fail ! Error Code = 0x70000014 \n>");

    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    s32RefreshMonitorAction();
    EXPECT_EQ(MsgBox(), "Refreshing monitor information ...\n>"
                        " - Faill, Error Code = 0x70000014 \n>"
                        " - Click \"Refresh\" botton again ...\n>\n>");

    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchSetOptionFault(0x70000014u);
    s32SetDdcSpeedAction();
    EXPECT_EQ(MsgBox(), "Set DDC / I2C speed = 100 KHz\n>"
                        " - Faill, Error Code = 0x70000014 \n>"
                        " - Select \"I2C Speed\" again ...\n>\n>");
}

TEST_F(DetectTest, RefreshRunsFromTheQueueWithTheProgressPanel)
{
    AddDisplay(lstMakeEdid(0, "ACR", 1));
    InitLibrary();
    DisplayPanel(MainPanel());
    UiClick(MainPanel(), MAIN_REFRESH_BTN);
    Ticks(7);
    EXPECT_TRUE(bProgressPanelShown());
    EXPECT_TRUE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
    char cText[128];
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
    EXPECT_STREQ(cText, "Getting monitor information ...            100%");
    Ticks(1);
    EXPECT_FALSE(bProgressPanelShown());
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
}

TEST_F(DetectTest, MonitorFilesAreNumberedByPositionAndReplaced)
{
    std::vector<uint8_t> first = lstMakeEdid(1, "ACR", 1);
    AddDisplay(first);
    s32DdcBenchAddOutput();
    AddDisplay(lstMakeEdid(0, "BNQ", 2));
    ASSERT_EQ(mkdir(m_dir.file("MonitorEDID").c_str(), 0755), 0);
    vWriteFile(MonitorFile(1, "ACR0001"), std::string(3000, 'x'));
    ASSERT_EQ(strReadFile(MonitorFile(1, "ACR0001")).size(), 3000u);
    s32InitDdcAction();
    EXPECT_EQ(lstReadBytes(MonitorFile(1, "ACR0001")), first);
    EXPECT_EQ(lstReadBytes(MonitorFile(2, "BNQ0002")), lstMakeEdid(0, "BNQ", 2));
}

TEST_F(DetectTest, HostileIdentifierStaysInsideTheMonitorFolder)
{
    std::vector<uint8_t> edid = lstMakeEdid(0);
    memcpy(gst_MonitorInfo[0].u8EdidBuf, edid.data(), edid.size());
    snprintf(gst_MonitorInfo[0].u8str_MonitorId, MONITOR_ID_SIZE, "../../x/.y z");
    vSaveMonitorEdid(0);
    EXPECT_EQ(lstDirEntries(m_dir.file("MonitorEDID")), Strings{"Monitor_1_______x__y_z.bin"});
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 2u); // Pavimo.uir and the folder
    vSaveMonitorEdid(MONITOR_MAX);                      // out of the table: nothing
    EXPECT_EQ(lstDirEntries(m_dir.file("MonitorEDID")).size(), 1u);
}

// The monitor files are the program's own: a link planted in place of one
// is replaced, never written through; a file that cannot be written gets a
// line after its display's.
TEST_F(DetectTest, AMonitorFileReplacesALinkAndAFailureGetsALine)
{
    std::vector<uint8_t> edid = lstMakeEdid(0);
    AddDisplay(edid);
    std::string folder = m_dir.file("MonitorEDID");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    vWriteFile(m_dir.file("victim"), "secret");
    ASSERT_EQ(symlink("../victim", MonitorFile(1, "DEL40F3").c_str()), 0);
    s32InitDdcAction();
    EXPECT_EQ(MsgBox(), gs_StartLines + DisplayLines(1, "DEL40F3") + " - Pass\n>");
    EXPECT_EQ(strReadFile(m_dir.file("victim")), "secret");
    EXPECT_EQ(lstReadBytes(MonitorFile(1, "DEL40F3")), edid);

    SmallDisk disk(folder);
    if (!disk.bMounted())
        GTEST_SKIP() << "no full disk to write on: " << disk.why();
    disk.vFill();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    EXPECT_EQ(s32RefreshMonitorAction(), 1);
    EXPECT_EQ(MsgBox(), "Refreshing monitor information ...\n>" + DisplayLines(1, "DEL40F3") +
                            "      File : Fail, No space left on device \n> - Pass\n>\n>");
    EXPECT_EQ(lstDirEntries(folder), Strings{"filler"});
}

TEST_F(DetectTest, SpeedCommandSetsTheChosenClock)
{
    AddDisplay(lstMakeEdid(0));
    InitLibrary();
    SetCtrlVal(MainPanel(), MAIN_DDC_SPEED, 8);
    EXPECT_EQ(s32SetDdcSpeedAction(), 0);
    EXPECT_EQ(MsgBox(), "Set DDC / I2C speed = 200 KHz\n> - Pass\n>\n>");
    std::vector<stDdcBenchCall> options = Calls(DDC_OP_SET_OPTION);
    ASSERT_EQ(options.size(), 1u);
    EXPECT_EQ(options[0].au32Arg[0], 1u);
    EXPECT_EQ(options[0].au32Arg[1], 200000u);
}

TEST_F(DetectTest, FailingIdentifierEndsTheDetectionWithoutAMessage)
{
    AddDisplay(lstMakeEdid(0, "ACR", 1));
    AddDisplay(lstMakeEdid(0, "BNQ", 2));
    vDdcBenchSetEdidOptionFault(0x70000015u);
    s32InitDdcAction();
    EXPECT_EQ(MsgBox(), gs_StartLines + " - Monitor 1 : \n>      Status : Pass \n> - Pass\n>");
    EXPECT_TRUE(ListLabels().empty());
    EXPECT_EQ(gu8_MonitorNum, 0);
    EXPECT_EQ(Calls(DDC_OP_TEST_ADDR).size(), 1u);
    EXPECT_TRUE(lstDirEntries(m_dir.file("MonitorEDID")).empty());
}

TEST_F(DetectTest, LibraryVersionText)
{
    char cText[TEXT_BUF_SIZE] = "";
    vDdcBenchSetVersion(250);
    EXPECT_EQ(s32GetLibVersionText(cText), 250);
    EXPECT_STREQ(cText, "2.50 \n");
    vDdcBenchSetVersion(123);
    s32GetLibVersionText(cText);
    EXPECT_STREQ(cText, "1.23 \n");
    vDdcBenchSetVersion(0x70000015u);
    EXPECT_EQ((uint32_t)s32GetLibVersionText(cText), 0x70000015u);
    EXPECT_STREQ(cText, "x.xx ");
}

} // namespace
