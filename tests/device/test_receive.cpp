#include "tests/support/device_fixture.h"

#include "app/app_shell.h"
#include "device/edid_receive.h"
#include "device/monitor_detect.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "ui/Pavimo.h"

#include <string.h>

namespace {

using Ints = std::vector<int>;
using Flags = std::vector<uint32_t>;

class ReceiveTest : public DeviceTest {
protected:
    std::vector<uint8_t> m_edid;

    void Bench(uint8_t u8Ext, int s32Blocks = -1)
    {
        m_edid = lstMakeEdid(u8Ext, "DEL", 0x40F3, s32Blocks);
        AddDisplay(m_edid);
        InitLibrary();
    }
    Flags ReadFlags()
    {
        Flags flags;
        for (const stDdcBenchCall &call : Calls(DDC_OP_READ_BUF))
            flags.push_back(call.au32Arg[4]);
        return flags;
    }
    void Pages(int s32Pages) { SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, s32Pages); }
};

TEST_F(ReceiveTest, NoExtensionReadsTheBaseBlockOnly)
{
    Bench(0);
    memset(gst_MonitorInfo[0].u8EdidBuf, 0xAA, MONITOR_EDID_SIZE);
    RecordProgress();
    EXPECT_EQ(s32ReceiveAction(), 1);
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n> - Pass\n>");
    EXPECT_EQ(m_progress, (Ints{20, 80}));
    EXPECT_TRUE(ReadFlags().empty());
    EXPECT_EQ(Calls(DDC_OP_READ_EDID).size(), 1u);
    EXPECT_EQ(Calls(DDC_OP_READ_EDID)[0].au32Arg[0], DDC_BENCH_HANDLE(0));
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, m_edid.data(), 128), 0);
    EXPECT_EQ(gst_MonitorInfo[0].u8EdidBuf[128], 0xAA); // untouched beyond the block
    char cText[128];
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
    EXPECT_STREQ(cText, "Receiving EDID ...            100%");
}

TEST_F(ReceiveTest, OneExtensionClearsAndReadsBlockZeroRawThenOnePage)
{
    Bench(1);
    memset(gst_MonitorInfo[0].u8EdidBuf, 0xAA, MONITOR_EDID_SIZE);
    RecordProgress();
    s32ReceiveAction();
    EXPECT_EQ(m_progress, (Ints{20, 30, 30}));
    EXPECT_EQ(ReadFlags(), (Flags{0x100, 0x1000}));
    std::vector<stDdcBenchCall> writes = Calls(DDC_OP_WRITE_BUF);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].au32Arg[3], 1u);
    EXPECT_EQ(writes[0].pu8Data[0], 0x00);
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, m_edid.data(), 256), 0);
    EXPECT_EQ(gst_MonitorInfo[0].u8EdidBuf[256], 0x00); // cleared, not read
}

TEST_F(ReceiveTest, ThreeExtensionsStepTheProgressBeforeEachPage)
{
    Bench(3);
    RecordProgress();
    s32ReceiveAction();
    EXPECT_EQ(m_progress, (Ints{20, 30, 30, 46, 63}));
    EXPECT_EQ(ReadFlags(), (Flags{0x100, 0x1100, 0x1100, 0x1000}));
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, m_edid.data(), 512), 0);
}

TEST_F(ReceiveTest, EightOrMoreExtensionsStopAtTheRecordsEightPages)
{
    Bench(8);
    gst_ReceivedEdid[0].u8EdidBuf[0] = 0x5A;
    s32ReceiveAction();
    EXPECT_EQ(ReadFlags(), (Flags{0x100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1100, 0x1000}));
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, m_edid.data(), 1024), 0);
    EXPECT_STREQ(gst_MonitorInfo[0].u8str_MonitorId, "DEL40F3");
    EXPECT_EQ(gst_ReceivedEdid[0].u8EdidBuf[0], 0x5A);
}

TEST_F(ReceiveTest, ShownDataIsPacedByteByByte)
{
    Bench(0);
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    RecordProgress();
    s32ReceiveAction();
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n>"
                        "************************************\n>    Displaying Received Data\n>"
                        "    Monitor ID : DEL40F3\n>    Amount : 128 Bytes\n>"
                        "************************************\n>" +
                            strDataDump(m_edid.data(), 128) + " - Pass\n>");
    ASSERT_EQ(m_progress.size(), 2u + 128u);
    EXPECT_EQ(m_progress[2], 80);
    EXPECT_EQ(m_progress[2 + 7], 81);  // 80 + 7 * 20 / 128
    EXPECT_EQ(m_progress.back(), 99); // 80 + 127 * 20 / 128
    EXPECT_EQ(m_pauseEnds, Schedule(Ints(130, 20)));
}

TEST_F(ReceiveTest, ShownDataOfAnEdidWithExtensions)
{
    Bench(1);
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    RecordProgress();
    s32ReceiveAction();
    EXPECT_NE(MsgBox().find("    Amount : 256 Bytes\n>"), std::string::npos);
    EXPECT_NE(MsgBox().find(strDataDump(m_edid.data(), 256) + " - Pass\n>"), std::string::npos);
    EXPECT_EQ(std::vector<int>(m_progress.begin(), m_progress.begin() + 4), (Ints{20, 30, 30, 80}));
    EXPECT_EQ(m_pauseEnds, Schedule(Ints(3 + 256, 20)));
}

TEST_F(ReceiveTest, InvalidEdidIsReadRawAndTheReceiveGoesOn)
{
    AddBlankDisplay();
    InitLibrary();
    s32ReceiveAction();
    char cLine[80];
    snprintf(cLine, sizeof(cLine), " - Invalid EDID, Error Code = 0x%X \n>", DDC_ERR_INVALID_EDID);
    EXPECT_EQ(MsgBox(), std::string("Receiving device's EDID ...\n>") + cLine + " - Pass\n>");
    std::vector<uint8_t> blank(1024, 0xFF);
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, blank.data(), 1024), 0);
}

TEST_F(ReceiveTest, FailingReadEdidEndsTheReceive)
{
    Bench(1);
    vDdcBenchSetReadEdidFault(0, 0x70000015u);
    s32ReceiveAction();
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n> - Fail, Error Code = 0x70000015 \n> - Fail\n>");
    EXPECT_TRUE(ReadFlags().empty());
}

TEST_F(ReceiveTest, FailingSecondPageNamesItAndLeavesTheRestCleared)
{
    Bench(3);
    vDdcBenchSetExtFault(0, 2, 0x70000015u);
    RecordProgress();
    s32ReceiveAction();
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n>"
                        " - Receiving EDID fail (Page 2), Error Code = 0x70000015 \n>"
                        " - Try \"Read\" again ...\n> - Fail\n>");
    EXPECT_EQ(ReadFlags(), (Flags{0x100, 0x1100, 0x1100}));
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf, m_edid.data(), 256), 0);
    std::vector<uint8_t> zeros(1024 - 384, 0);
    EXPECT_EQ(memcmp(gst_MonitorInfo[0].u8EdidBuf + 384, zeros.data(), zeros.size()), 0);
}

TEST_F(ReceiveTest, NoOutputSelectedRunsNothing)
{
    s32DdcBenchAddOutput();
    InitLibrary();
    HidePanel(gst_UiHandles.s32ProgressPanel);
    EXPECT_EQ(s32ReceiveAction(), 0);
    EXPECT_EQ(s32ReceiveByPageAction(), 0);
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n> - Fail. Select PC output port first\n>"
                        "Receiving EDID By Number of Page ...\n> - Fail. Select PC output port first\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));
}

TEST_F(ReceiveTest, ActsOnTheSelectedDisplay)
{
    AddDisplay(lstMakeEdid(0, "ACR", 1));
    AddDisplay(lstMakeEdid(0, "BNQ", 2));
    InitLibrary();
    Select(1);
    s32ReceiveAction();
    EXPECT_EQ(Calls(DDC_OP_READ_EDID)[0].au32Arg[0], DDC_BENCH_HANDLE(1));
}

TEST_F(ReceiveTest, ByPageWithOnePageKeepsOnlyTheBaseBlock)
{
    Bench(1);
    memset(gst_ReceivedEdid[0].u8EdidBuf, 0xAA, RECEIVED_EDID_SIZE);
    Pages(1);
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1);
    RecordProgress();
    EXPECT_EQ(s32ReceiveByPageAction(), 1);
    EXPECT_TRUE(ReadFlags().empty());
    EXPECT_EQ(gu8_EdidPageNum, 1);
    EXPECT_EQ(memcmp(gst_ReceivedEdid[0].u8EdidBuf, m_edid.data(), 128), 0);
    EXPECT_EQ(gst_ReceivedEdid[0].u8EdidBuf[128], 0xAA);
    EXPECT_STREQ(gst_ReceivedEdid[0].u8str_MonitorId, "DEL40F3");
    std::vector<std::string> identifier;
    for (const std::string &line : CallLines())
        if (line.rfind("GetEDIDOption(", 0) == 0)
            identifier.push_back(line);
    EXPECT_EQ(identifier,
              std::vector<std::string>{"GetEDIDOption(buf, 1, buf, 16) = 0x0 : \"DEL40F3\""});
    EXPECT_EQ(MsgBox(), "Receiving EDID By Number of Page ...\n>"
                        "************************************\n>    Displaying Received Data\n>"
                        "    Monitor ID : DEL40F3\n>    Amount : 128 Bytes\n>"
                        "************************************\n>" +
                            strDataDump(m_edid.data(), 128) + " - Pass\n>");
    EXPECT_EQ(std::vector<int>(m_progress.begin(), m_progress.begin() + 3), (Ints{20, 80, 80}));
}

TEST_F(ReceiveTest, ByPageWithSixteenPagesReadsWhateverTheBusReturns)
{
    Bench(1);
    Pages(16);
    s32ReceiveByPageAction();
    Flags expected = {0x100};
    for (int i = 0; i < 14; i++)
        expected.push_back(0x1100);
    expected.push_back(0x1000);
    EXPECT_EQ(ReadFlags(), expected);
    EXPECT_EQ(gu8_EdidPageNum, 16);
    // A 256-byte memory read on from address 0 wraps around every 256 bytes.
    for (size_t k = 0; k < RECEIVED_EDID_SIZE; k++)
        ASSERT_EQ(gst_ReceivedEdid[0].u8EdidBuf[k], m_edid[k % 256]) << k;
}

TEST_F(ReceiveTest, ByPageFailingPageTwo)
{
    Bench(3);
    Pages(5);
    vDdcBenchSetExtFault(0, 2, 0x70000015u);
    s32ReceiveByPageAction();
    EXPECT_EQ(MsgBox(), "Receiving EDID By Number of Page ...\n>"
                        " - Receiving EDID fail (Page 2), Error Code = 0x70000015 \n>"
                        " - Try \"Read\" again ...\n> - Fail\n>");
    std::vector<uint8_t> zeros(RECEIVED_EDID_SIZE - 384, 0);
    EXPECT_EQ(memcmp(gst_ReceivedEdid[0].u8EdidBuf + 384, zeros.data(), zeros.size()), 0);
}

TEST_F(ReceiveTest, PageCountFollowsTheControlOnCommit)
{
    Bench(0);
    gu8_EdidPageNum = 1;
    Pages(3);
    DisplayPanel(MainPanel());
    UiKeyPress(MainPanel(), MAIN_PAGE_NUM, VAL_UP_ARROW_VKEY);
    EXPECT_EQ(gu8_EdidPageNum, 4);
    // A got-focus event that took the control's value would give 9.
    Pages(9);
    EdidPageToReceiveCallback(MainPanel(), MAIN_PAGE_NUM, EVENT_GOT_FOCUS, nullptr, 0, 0);
    EXPECT_EQ(gu8_EdidPageNum, 4);
}

} // namespace
