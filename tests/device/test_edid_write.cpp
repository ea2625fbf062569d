#include "tests/support/device_fixture.h"
#include "tests/support/edid_corpus.h"
#include "tests/support/package_maker.h"
#include "tests/support/pause_script.h"
#include "tests/support/queue_probe.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "app/production.h"
#include "device/device_command.h"
#include "device/edid_bus.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/edid_image.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "ui/Pavimo.h"

#include <regex>
#include <string.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Ints = std::vector<int>;

class WriteTest : public DeviceTest {
protected:
    Bytes m_image;

    // A package holding the image as its only port, read and shown as
    // start-up does it; the message box and the bus log cleared after.
    void UsePackage(const Bytes &image, const std::string &port = "HDMI1")
    {
        m_image = image;
        vUsePackageFile(m_dir.file("job.pkg"), lstMakePackage({{port, image}}));
        s32CheckPkgInfoAction();
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    }
    // The 9-byte packets; a read's one-byte address write is no packet.
    std::vector<stDdcBenchCall> Writes()
    {
        std::vector<stDdcBenchCall> packets;
        for (const stDdcBenchCall &call : Calls(DDC_OP_WRITE_BUF)) {
            if (call.au32Arg[3] == 9)
                packets.push_back(call);
        }
        return packets;
    }
    Ints AddressBytes()
    {
        Ints addresses;
        for (const stDdcBenchCall &call : Writes())
            addresses.push_back(call.pu8Data[0]);
        return addresses;
    }
    // What the packets carried after their address bytes, in order.
    Bytes WrittenData()
    {
        Bytes data;
        for (const stDdcBenchCall &call : Writes())
            data.insert(data.end(), call.pu8Data + 1, call.pu8Data + call.u32DataLen);
        return data;
    }
    Ints Pauses()
    {
        Ints pauses;
        for (uint32_t i = 0; i < u32ClockPauseCount(); i++)
            pauses.push_back((int)u32ClockPauseAt(i));
        return pauses;
    }
    static Ints PacketPauses(int s32Packets)
    {
        Ints pauses;
        for (int i = 0; i < s32Packets; i++) {
            pauses.push_back(20);
            pauses.push_back(50);
        }
        return pauses;
    }
    static Ints Repeat(const Ints &block, int s32Times)
    {
        Ints all;
        for (int i = 0; i < s32Times; i++)
            all.insert(all.end(), block.begin(), block.end());
        return all;
    }
    void ShowData() { SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 1); }
    std::string Head(const char *pcTitle, const char *pcId, int s32Amount)
    {
        return std::string("************************************\n>") + pcTitle + "    Monitor ID : " +
               pcId + "\n>    Amount : " + std::to_string(s32Amount) +
               " Bytes\n>************************************\n>";
    }
};

Ints AddressRun(int s32From, int s32To)
{
    Ints run;
    for (int a = s32From; a <= s32To; a += 8)
        run.push_back(a);
    return run;
}

TEST_F(WriteTest, EraseFillsTheMemoryEightTimesOverWithPacedPackets)
{
    AddDisplay(lstMakeEdid(1));
    InitLibrary();
    ShowData();
    RecordProgress();
    EXPECT_EQ(s32EraseAction(), 1);

    EXPECT_EQ(MsgBox(), "Erasing device's EDID..\n>" + Head("    Erasing  EDID\n>", "DEL40F3", 2048) +
                            " - Pass\n>");
    std::vector<stDdcBenchCall> writes = Writes();
    ASSERT_EQ(writes.size(), 256u);
    EXPECT_EQ(AddressBytes(), Repeat(AddressRun(0x00, 0xF8), 8));
    for (const stDdcBenchCall &call : writes) {
        EXPECT_EQ(call.au32Arg[0], DDC_BENCH_HANDLE(0));
        EXPECT_EQ(call.au32Arg[1], 0x50u);
        EXPECT_EQ(call.au32Arg[3], 9u);
        EXPECT_EQ(call.au32Arg[4], 0u);
    }
    EXPECT_EQ(WrittenData(), Bytes(2048, 0xFF));
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF));
    EXPECT_EQ(m_pauseEnds, Schedule(PacketPauses(256)));
    // Progress at every packet's pause after the update: 0, 0, 0, 1 ... 99.
    Ints expected;
    for (int s32Offset = 0; s32Offset < 2048; s32Offset += 8)
        expected.push_back(s32Offset * 100 / 2048);
    expected = Repeat(expected, 1);
    Ints seen;
    for (size_t i = 0; i < m_progress.size(); i += 2)
        seen.push_back(m_progress[i]);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Ints(seen.begin(), seen.begin() + 4), (Ints{0, 0, 0, 1}));
    int s32Percent = -1;
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_PERCENT, &s32Percent);
    EXPECT_EQ(s32Percent, 100);
}

TEST_F(WriteTest, ProgramWritesThePackageImageInPacketsOfEight)
{
    struct Case {
        uint8_t u8Ext;
        Ints addresses;
    };
    for (const Case &c : {Case{0, AddressRun(0x00, 0x78)}, Case{1, AddressRun(0x00, 0xF8)}}) {
        SCOPED_TRACE(c.u8Ext);
        vDdcBenchClear();
        AddBlankDisplay(256);
        InitLibrary();
        UsePackage(lstMakeEdid(c.u8Ext, "ACR", 0x1234));
        vDdcBenchLogClear();
        RecordProgress();
        EXPECT_EQ(s32ProgramAction(), 1);
        EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Pass\n>");
        EXPECT_EQ(AddressBytes(), c.addresses);
        EXPECT_EQ(WrittenData(), m_image);
        EXPECT_EQ(m_pauseEnds, Schedule(PacketPauses((int)m_image.size() / 8)));
        Bytes memory = lstDdcBenchMemory(0);
        EXPECT_EQ(Bytes(memory.begin(), memory.begin() + m_image.size()), m_image);
    }
}

TEST_F(WriteTest, ProgramPrintsTheDataBlockSixteenBytesToALine)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(1, "ACR", 0x1234));
    ShowData();
    s32ProgramAction();
    // The blank display's identifier, as detection found it.
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>" +
                            Head("    Displaying Programming Data\n>", "000FFFF", 256) +
                            strDataDump(m_image.data(), 256) + " - Pass\n>");
}

TEST_F(WriteTest, FailedFifthPacketStopsWithTheRetryLine)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(1));
    vDdcBenchSetWriteFault(0, 5, 0x70000015u);
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>"
                        " - Programming EDID fail, Error Code = 0x70000015 \n>"
                        " - Try \"Program\" again ...\n> - Fail\n>");
    EXPECT_EQ(Writes().size(), 5u);
    Bytes memory = lstDdcBenchMemory(0);
    EXPECT_EQ(Bytes(memory.begin(), memory.begin() + 32), Bytes(m_image.begin(), m_image.begin() + 32));
    EXPECT_EQ(Bytes(memory.begin() + 32, memory.begin() + 40), Bytes(8, 0xFF));
}

TEST_F(WriteTest, FailedEraseNamesItsOwnRetry)
{
    AddDisplay(lstMakeEdid(0));
    InitLibrary();
    vDdcBenchSetWriteFault(0, 1, 0x70000015u);
    s32EraseAction();
    EXPECT_EQ(MsgBox(), "Erasing device's EDID..\n>"
                        " - Erasing EDID fail, Error Code = 0x70000015 \n>"
                        " - Try \"Erase\" again ...\n> - Fail\n>");
}

TEST_F(WriteTest, VerifyComparesTheDisplayCopyWithThePackage)
{
    AddDisplay(lstMakeEdid(1, "ACR", 0x1234));
    InitLibrary();
    UsePackage(lstMakeEdid(1, "ACR", 0x1234));
    vDdcBenchLogClear();
    vClockResetPauses();
    EXPECT_EQ(s32VerifyAction(), 1);
    EXPECT_EQ(MsgBox(), "Verifying device's EDID ...\n> - Pass\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_EQ(u32ClockPauseCount(), 0u);
    char cText[128];
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
    EXPECT_STREQ(cText, "Verifying EDID ..            100%");

    gst_MonitorInfo[0].u8EdidBuf[127] ^= 0x01;
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    s32VerifyAction();
    EXPECT_EQ(MsgBox(), "Verifying device's EDID ...\n> - Verifying fail, index: 127 \n> - Fail\n>");
}

TEST_F(WriteTest, VerifyOfAnImageLargerThanTheDisplayCopyIsRefused)
{
    AddDisplay(lstMakeEdid(7));
    InitLibrary();
    UsePackage(lstMakeEdid(8));
    s32VerifyAction();
    EXPECT_EQ(MsgBox(), "Verifying device's EDID ...\n>"
                        " - The package EDID has 1152 bytes, more than the 1024 bytes read from "
                        "the display\n> - Fail\n>");
}

TEST_F(WriteTest, ProgramByPageWritesWhatTheReceivedCopyDeclares)
{
    Bytes edid = lstMakeEdid(1, "BNQ", 0x7F01);
    AddDisplay(edid);
    AddBlankDisplay(256);
    InitLibrary();
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 1);
    memset(gst_ReceivedEdid[1].u8EdidBuf, 0x5A, RECEIVED_EDID_SIZE);
    Select(0);
    ASSERT_EQ(s32ReceiveByPageAction(), 1);
    // The copy goes to the second display, read as one page only.
    gst_ReceivedEdid[1] = gst_ReceivedEdid[0];
    Select(1);
    ShowData();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramByPageAction(), 1);
    // Page 0 as received, then whatever the copy held beyond it.
    Bytes expected(gst_ReceivedEdid[0].u8EdidBuf, gst_ReceivedEdid[0].u8EdidBuf + 256);
    EXPECT_EQ(Bytes(expected.begin(), expected.begin() + 128), Bytes(edid.begin(), edid.begin() + 128));
    EXPECT_EQ(Bytes(expected.begin() + 128, expected.end()), Bytes(128, 0x00));
    EXPECT_EQ(WrittenData(), expected);
    EXPECT_EQ(Writes()[0].au32Arg[0], DDC_BENCH_HANDLE(1));
    EXPECT_EQ(MsgBox(), "Programming EDID  By Number of Page ...\n>" +
                            Head("    Displaying Programming Data\n>", "BNQ7F01", 256) +
                            strDataDump(expected.data(), 256) + " - Pass\n>");
}

TEST_F(WriteTest, ProgramByPageNeverReadsPastTheReceivedCopy)
{
    AddBlankDisplay(256);
    InitLibrary();
    gst_ReceivedEdid[0].u8EdidBuf[126] = 16;
    gst_ReceivedEdid[0].u8Complete = 1;
    EXPECT_EQ(s32ProgramByPageAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming EDID  By Number of Page ...\n>"
                        " - The received EDID declares 2176 bytes, more than the 2048 bytes held\n>"
                        " - Fail\n>");
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WriteTest, ThePortMustBeOneOfThePackageInTheBuffer)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(0));
    ClearListCtrl(MainPanel(), MAIN_PORT_LIST);
    s32ProgramAction();
    s32VerifyAction();
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Select a port of the package first\n>"
                        " - Fail\n>"
                        "Verifying device's EDID ...\n> - Select a port of the package first\n>"
                        " - Fail\n>");

    // A list left from an earlier package with more ports.
    InsertListItem(MainPanel(), MAIN_PORT_LIST, -1, "HDMI1", 0);
    InsertListItem(MainPanel(), MAIN_PORT_LIST, -1, "DP", 1);
    SetCtrlIndex(MainPanel(), MAIN_PORT_LIST, 1);
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    s32ProgramAction();
    // Same count, another name.
    ClearListCtrl(MainPanel(), MAIN_PORT_LIST);
    InsertListItem(MainPanel(), MAIN_PORT_LIST, -1, "VGA", 0);
    s32VerifyAction();
    const char *pcStale = " - The port list does not match the package, select the package again\n>";
    EXPECT_EQ(MsgBox(), std::string("Programming device's EDID ...\n>") + pcStale + " - Fail\n>" +
                            "Verifying device's EDID ...\n>" + pcStale + " - Fail\n>");
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WriteTest, AnotherPackageChosenDuringTheProgramChangesNothingItWrites)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(1, "ACR", 0x1234));
    Bytes first = m_image;
    std::string other = m_dir.file("other.pkg");
    vWriteFile(other, [] {
        Bytes pkg = lstMakePackage({{"DVI1", lstMakeEdid(1, "BNQ", 0x0001)}});
        return std::string(pkg.begin(), pkg.end());
    }());
    m_dialogs.vPush(VAL_EXISTING_FILE_SELECTED, other);
    DisplayPanel(MainPanel());
    PauseScript script;
    script.steps[19] = [] { UiQueueClick(gst_UiHandles.s32MainPanel, MAIN_PKG_BROWSE); };
    script.vInstall();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_STREQ(gu8str_PkgFilePath, other.c_str());
    EXPECT_EQ(WrittenData(), first);
    EXPECT_EQ(lstDdcBenchMemory(0), first);
}

// Paced pauses count from the operation's start: time spent working is
// taken off the next pause, a pause reached late is skipped and the count
// goes on from then; fast writes make every pause nothing.
TEST_F(WriteTest, PacedPausesAbsorbTheWorkBetweenThem)
{
    stPacer stPacer;
    uint64_t u64StartMs = u64ClockNowMs();
    vPacerStart(&stPacer);
    vPace(&stPacer, 20);
    vClockAdvance(5);
    vPace(&stPacer, 50);
    EXPECT_EQ(u64ClockNowMs() - u64StartMs, 70u);
    vClockAdvance(30);
    vPace(&stPacer, 20);
    vPace(&stPacer, 50);
    EXPECT_EQ(u64ClockNowMs() - u64StartMs, 150u);
    vClockAdvance(20);
    vPace(&stPacer, 20);
    vPace(&stPacer, 50);
    gs32_FastWrites = 1;
    vPace(&stPacer, 50);
    EXPECT_EQ(Pauses(), (Ints{20, 45, 50, 50}));
    EXPECT_EQ(u64ClockNowMs() - u64StartMs, 220u);
}

// Writes that take time (the clock moved on at their pauses, besides the
// bus's own time on the wire) never bring two packets closer than the
// write pause, nor a packet before the pauses ahead of it add up.
TEST_F(WriteTest, SlowWritesKeepThePacketsFiftyMsApart)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(0));
    static const uint32_t au32WriteMs[] = {0, 5, 15, 20, 30, 70, 0};
    static std::vector<uint64_t> s_writeAt;
    static size_t s_write;
    s_writeAt.clear();
    s_write = 0;
    uint64_t u64StartMs = u64ClockNowMs();
    vClockSetPauseHook(
        [](uint32_t u32Ms, void *) {
            if (u32Ms != WRITE_PAUSE_MS)
                return;
            if (s_write < sizeof(au32WriteMs) / sizeof(au32WriteMs[0]))
                vClockAdvance(au32WriteMs[s_write++]);
            s_writeAt.push_back(u64ClockNowMs());
        },
        nullptr);
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Pass\n>");
    EXPECT_EQ(WrittenData(), m_image);
    ASSERT_EQ(s_writeAt.size(), 16u);
    uint64_t u64Closest = UINT64_MAX;
    for (size_t i = 0; i < s_writeAt.size(); i++) {
        EXPECT_GE(s_writeAt[i] - u64StartMs, 70u * (i + 1)) << i;
        if (i > 0)
            u64Closest = std::min(u64Closest, s_writeAt[i] - s_writeAt[i - 1]);
    }
    EXPECT_GE(u64Closest, 50u);
    // The slow writes' time came off the progress pauses after them.
    EXPECT_LT(u64ClockPauseSumMs(), 16u * 70u - 5u - 15u - 20u);
}

TEST_F(WriteTest, ChecksComeBeforeAnyBusTraffic)
{
    s32DdcBenchAddOutput();
    InitLibrary();
    vUsePackageFile(m_dir.file("job.pkg"), lstMakePackage({{"HDMI1", lstMakeEdid(0)}}));
    EXPECT_EQ(s32ProgramAction(), 0);
    EXPECT_EQ(s32VerifyAction(), 0);
    EXPECT_EQ(s32EraseAction(), 0);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Fail. The existence of PKG file fail\n>"
                        " - Fail. Reading PKG file fail\n>"
                        "Verifying device's EDID ...\n> - Fail. The existence of PKG file fail\n>"
                        " - Fail. Reading PKG file fail\n>"
                        "Erasing device's EDID..\n> - Fail. Select PC output port first\n>");
    s32ReadPkgAction();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    EXPECT_EQ(s32ProgramAction(), 0);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Fail. Select PC output port first\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
}

// --- Fast writes: no pause anywhere, the erase writes each address once,
// a receive reads the whole EDID in one read ---

// The library polls the memory through each write cycle: between two
// packets only its tries that were not acknowledged, and no pause but
// their milliseconds.
TEST_F(WriteTest, FastWritesEraseProgramReceiveAndVerifyWithoutAPause)
{
    const Bytes old = lstMakeEdid(1, "BNQ", 0x0001);
    AddDisplay(old);
    InitLibrary();
    gs32_FastWrites = 1;
    ShowData();
    // 'W' a packet, 'p' a poll; every pause is a poll's.
    auto PacketsAndPolls = [] {
        std::string seen;
        for (uint32_t i = 0; i < u32DdcBenchLogCount(); i++) {
            stDdcBenchCall call;
            bDdcBenchLogCall(i, &call);
            if (call.u32Op == DDC_OP_POLL)
                seen += 'p';
            else if (call.u32Op == DDC_OP_WRITE_BUF && call.au32Arg[3] == 9)
                seen += call.u32Result == 0 ? 'W' : 'F';
        }
        return seen;
    };
    auto OnlyPollPauses = [this] {
        return Pauses() == Ints(Calls(DDC_OP_POLL).size(), 1);
    };
    EXPECT_EQ(s32EraseAction(), 1);
    EXPECT_EQ(MsgBox(), "Erasing device's EDID..\n>" + Head("    Erasing  EDID\n>", "BNQ0001", 256) +
                            " - Pass\n>");
    EXPECT_EQ(AddressBytes(), AddressRun(0x00, 0xF8));
    EXPECT_EQ(WrittenData(), Bytes(256, 0xFF));
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF));
    std::string traffic = PacketsAndPolls();
    EXPECT_TRUE(std::regex_match(traffic, std::regex("W(p+W){31}"))) << traffic;
    EXPECT_TRUE(OnlyPollPauses());

    UsePackage(lstMakeEdid(1, "ACR", 0x1234));
    vDdcBenchLogClear();
    vClockResetPauses();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>" +
                            Head("    Displaying Programming Data\n>", "BNQ0001", 256) +
                            strDataDump(m_image.data(), 256) + " - Pass\n>");
    EXPECT_EQ(AddressBytes(), AddressRun(0x00, 0xF8));
    EXPECT_EQ(WrittenData(), m_image);
    EXPECT_EQ(lstDdcBenchMemory(0), m_image);
    traffic = PacketsAndPolls();
    EXPECT_TRUE(std::regex_match(traffic, std::regex("p*W(p+W){31}"))) << traffic;
    EXPECT_TRUE(OnlyPollPauses());

    // Block 0 by ReadEDID, then the address 0 and one read of both blocks.
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    vClockResetPauses();
    memset(gst_MonitorInfo[0].u8EdidBuf, 0xAA, MONITOR_EDID_SIZE);
    EXPECT_EQ(s32ReceiveAction(), 1);
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n>" +
                            Head("    Displaying Received Data\n>", "BNQ0001", 256) +
                            strDataDump(m_image.data(), 256) + " - Pass\n>");
    auto Traffic = [this] {
        std::vector<std::string> calls;
        for (const stDdcBenchCall &call : Calls(DDC_OP_READ_EDID))
            calls.push_back("ReadEDID " + std::to_string(call.u32Result));
        for (const stDdcBenchCall &call : Calls(DDC_OP_WRITE_BUF))
            calls.push_back("write " + std::to_string(call.u32DataLen) + " " +
                            std::to_string(call.pu8Data[0]));
        for (const stDdcBenchCall &call : Calls(DDC_OP_READ_BUF))
            calls.push_back("read " + std::to_string(call.au32Arg[3]) + " " +
                            std::to_string(call.au32Arg[4]) + " " + std::to_string(call.u32Result));
        return calls;
    };
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"ReadEDID 0", "write 1 0", "read 256 0 0"}));
    EXPECT_EQ(Bytes(gst_MonitorInfo[0].u8EdidBuf, gst_MonitorInfo[0].u8EdidBuf + 256), m_image);
    EXPECT_EQ(gst_MonitorInfo[0].u8EdidBuf[256], 0x00);
    EXPECT_TRUE(OnlyPollPauses());

    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    EXPECT_EQ(s32VerifyAction(), 1);
    EXPECT_EQ(MsgBox(), "Verifying device's EDID ...\n> - Pass\n>");

    // Three pages of a 256-byte memory: its address counter wraps to block 0.
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 3);
    SetCtrlVal(MainPanel(), MAIN_FUNC_SHOW_DATA, 0);
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    vClockResetPauses();
    EXPECT_EQ(s32ReceiveByPageAction(), 1);
    EXPECT_EQ(MsgBox(), "Receiving EDID By Number of Page ...\n> - Pass\n>");
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"ReadEDID 0", "write 1 0", "read 384 0 0"}));
    Bytes expected = m_image;
    expected.insert(expected.end(), m_image.begin(), m_image.begin() + 128);
    EXPECT_EQ(Bytes(gst_ReceivedEdid[0].u8EdidBuf, gst_ReceivedEdid[0].u8EdidBuf + 384), expected);
    EXPECT_EQ(u32ClockPauseCount(), 0u);
}

// A packet the library fails ends the program with the lines of a paced
// one: here the memory stays silent longer than the library polls it.
TEST_F(WriteTest, FastPacketTheMemoryDoesNotAcknowledgeFailsAsPaced)
{
    AddBlankDisplay(256);
    vDdcBenchSetWriteCycle(0, 30);
    InitLibrary();
    gs32_FastWrites = 1;
    UsePackage(lstMakeEdid(1));
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>"
                        " - Programming EDID fail, Error Code = 0x7000000B \n>"
                        " - Try \"Program\" again ...\n> - Fail\n>");
    EXPECT_EQ(Writes().size(), 2u);
    EXPECT_EQ(Writes()[1].u32Result, DDC_ERR_NO_ACK);
    EXPECT_FALSE(Calls(DDC_OP_POLL).empty());
}

// --- Nothing that would leave a display with an invalid EDID is written,
// and no such write passes ---

const char gc_NothingReceived[] =
    " - Nothing has been received from the display yet: use \"Receive by page\" first\n>";

std::string strPastAddresses(const std::string &what, size_t amount)
{
    return " - " + what + " has " + std::to_string(amount) +
           " bytes; only the first 256 bytes of the display's memory can be written\n>";
}

TEST_F(WriteTest, ImagesPastTheWritableAddressesAreRefusedBeforeAnyTraffic)
{
    Bytes held = lstMakeEdid(2, "BNQ", 0x0001);
    AddDisplay(held);
    InitLibrary();
    const Bytes before = lstDdcBenchMemory(0);
    std::vector<std::pair<std::string, Bytes>> images = {{"made", lstMakeEdid(2)},
                                                         {"made", lstMakeEdid(3)}};
    for (const stCorpusEdid &edid : lstCorpus()) {
        uint32_t u32Offset = 0, u32Sum = 0;
        if (edid.bytes.size() > 256 &&
            s32CheckEdidImage(edid.bytes.data(), (uint32_t)edid.bytes.size(), &u32Offset,
                              &u32Sum) == EDID_IMAGE_OK)
            images.push_back({edid.name, edid.bytes});
    }
    for (const auto &[name, image] : images) {
        SCOPED_TRACE(name);
        UsePackage(image, "HDMI2");
        vDdcBenchLogClear();
        EXPECT_EQ(s32ProgramAction(), 1);
        EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>" +
                                strPastAddresses("The EDID of port HDMI2", image.size()) +
                                " - Fail\n>");
        EXPECT_EQ(BusCallCount(), 0u);
    }
    EXPECT_EQ(lstDdcBenchMemory(0), before);

    // A display may hold such an EDID: verify compares it as before.
    UsePackage(held);
    EXPECT_EQ(s32VerifyAction(), 1);
    EXPECT_EQ(MsgBox(), "Verifying device's EDID ...\n> - Pass\n>");

    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 3);
    ASSERT_EQ(s32ReceiveByPageAction(), 1);
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramByPageAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming EDID  By Number of Page ...\n>" +
                            strPastAddresses("The received EDID", 384) + " - Fail\n>");
    EXPECT_EQ(BusCallCount(), 0u);
    EXPECT_EQ(lstDdcBenchMemory(0), before);
}

// The package's sums are right; the image inside is not an EDID a display
// should be left with.
TEST_F(WriteTest, DamagedPortImagesAreRefusedNamingThePortAndTheBlock)
{
    AddBlankDisplay(256);
    InitLibrary();
    Bytes header = lstMakeEdid(1), checksum = lstMakeEdid(1);
    header[7] = 0x01;
    checksum[200] ^= 0x01;
    const struct {
        Bytes image;
        std::string port, line;
    } cases[] = {
        {header, "HDMI1",
         " - The EDID of port HDMI1 is damaged: block 0 does not begin with the EDID header\n>"},
        // A control byte of the name is shown escaped, not sent to a terminal.
        {header, "HD\x1B[2J",
         " - The EDID of port HD\\x1B[2J is damaged: block 0 does not begin with the EDID header\n>"},
        // An empty name: the port's number stands for it.
        {checksum, "", " - The EDID of port 1 is damaged: the checksum of block 1 is wrong\n>"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        UsePackage(c.image, c.port);
        vDdcBenchLogClear();
        EXPECT_EQ(s32ProgramAction(), 1);
        EXPECT_EQ(s32VerifyAction(), 1);
        EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>" + c.line + " - Fail\n>" +
                                "Verifying device's EDID ...\n>" + c.line + " - Fail\n>");
        EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    }
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF));
}

TEST_F(WriteTest, ProgramByPageWritesNothingUntilAReceiveByPageCompletes)
{
    const Bytes edid = lstMakeEdid(1);
    AddDisplay(edid);
    InitLibrary();
    EXPECT_EQ(s32ProgramByPageAction(), 1);
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 2);
    ASSERT_EQ(s32ReceiveByPageAction(), 1);
    // A receive failing part-way leaves a copy that is nothing to write.
    vDdcBenchSetExtFault(0, 1, 0x70000015u);
    s32ReceiveByPageAction();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramByPageAction(), 1);
    EXPECT_EQ(MsgBox(), std::string("Programming EDID  By Number of Page ...\n>") +
                            gc_NothingReceived + " - Fail\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_EQ(lstDdcBenchMemory(0), edid);
}

// "輸入1" in Big5, as a package made on Windows in Traditional Chinese names
// its port.
TEST_F(WriteTest, APortNameThatIsNotUtf8IsProgrammedAndVerified)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(1, "ACR", 0x1234), "\xBF\xE9\xA4\x4A" "1");
    EXPECT_EQ(s32ProgramAction(), 1);
    Ticks(1); // the memory's last write cycle ends
    EXPECT_EQ(s32ReceiveAction(), 1);
    EXPECT_EQ(s32VerifyAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Pass\n>"
                        "Receiving device's EDID ...\n> - Pass\n>"
                        "Verifying device's EDID ...\n> - Pass\n>");
    EXPECT_EQ(lstDdcBenchMemory(0), m_image);
}

// The Start button through the event queue, then the ticks of the event
// loop until the ring is empty.
class StartSequenceTest : public WriteTest {
protected:
    void SetUp() override
    {
        WriteTest::SetUp();
        DisplayPanel(MainPanel());
    }
    void Functions(int s32Erase, int s32Program, int s32Verify)
    {
        SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, s32Erase);
        SetCtrlVal(MainPanel(), MAIN_FUNC_PROGRAM, s32Program);
        SetCtrlVal(MainPanel(), MAIN_FUNC_VERIFY, s32Verify);
    }
    Ints PressStart()
    {
        UiClick(MainPanel(), MAIN_START_BTN);
        Ints posted = lstWaitingCommands();
        for (int i = 0; i < 200 && !lstWaitingCommands().empty(); i++)
            Ticks(1);
        return posted;
    }
};

const char *const gc_ProgramVerifyLog = "Checking the existence of PKG file ...\n> - Pass\n>"
                                        "Reading PKG file ...\n> - Pass\n>"
                                        "Programming device's EDID ...\n> - Pass\n>"
                                        "Receiving device's EDID ...\n> - Pass\n>"
                                        "Verifying device's EDID ...\n> - Pass\n>";
const char *const gc_EraseProgramVerifyLog = "Checking the existence of PKG file ...\n> - Pass\n>"
                                             "Erasing device's EDID..\n> - Pass\n>"
                                             "Reading PKG file ...\n> - Pass\n>"
                                             "Programming device's EDID ...\n> - Pass\n>"
                                             "Receiving device's EDID ...\n> - Pass\n>"
                                             "Verifying device's EDID ...\n> - Pass\n>";

TEST_F(StartSequenceTest, ProgramAndVerifyOfABlankDisplay)
{
    AddBlankDisplay(256);
    InitLibrary();
    UsePackage(lstMakeEdid(1, "ACR", 0x1234));
    Functions(0, 1, 1);
    EXPECT_EQ(PressStart(), (Ints{CMD_CHECK_PKG_EXIST, CMD_READ_PKG, CMD_PROGRAM, CMD_RECEIVE,
                                  CMD_VERIFY}));
    EXPECT_EQ(MsgBox(), gc_ProgramVerifyLog);
    EXPECT_EQ(lstDdcBenchMemory(0), m_image);
}

TEST_F(StartSequenceTest, EraseProgramAndVerify)
{
    AddDisplay(lstMakeEdid(1, "BNQ", 0x0001));
    InitLibrary();
    UsePackage(lstMakeEdid(0, "ACR", 0x1234));
    Functions(1, 1, 1);
    EXPECT_EQ(PressStart(), (Ints{CMD_CHECK_PKG_EXIST, CMD_CHECK_START, CMD_ERASE, CMD_READ_PKG,
                                  CMD_PROGRAM, CMD_RECEIVE, CMD_VERIFY}));
    EXPECT_EQ(MsgBox(), gc_EraseProgramVerifyLog);
    Bytes expected = m_image;
    expected.resize(256, 0xFF); // the old second block was erased
    EXPECT_EQ(lstDdcBenchMemory(0), expected);
}

TEST_F(StartSequenceTest, WriteProtectedMemoryPassesTheProgramAndFailsTheVerify)
{
    AddDisplay(lstMakeEdid(0, "BNQ", 0x0001));
    vDdcBenchSetWriteProtect(0, 1);
    InitLibrary();
    UsePackage(lstMakeEdid(0, "ACR", 0x1234));
    Functions(0, 1, 1);
    PressStart();
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Pass\n>"
                        "Reading PKG file ...\n> - Pass\n>"
                        "Programming device's EDID ...\n> - Pass\n>"
                        "Receiving device's EDID ...\n> - Pass\n>"
                        "Verifying device's EDID ...\n> - Verifying fail, index: 8 \n> - Fail\n>");
}

// The station's WriteMode, with the production mode off: the commands of
// a Start run one after another in the first tick, none waits its countdown.
TEST_F(StartSequenceTest, FastWritesRunTheWholeStartInOneTick)
{
    AddDisplay(lstMakeEdid(0, "BNQ", 0x0001));
    vDdcBenchSetWriteProtect(0, 1);
    InitLibrary();
    vWriteFile(m_dir.file(STATION_FILE_NAME), "Production = 0\nWriteMode = Fast\n");
    vLoadStation();
    EXPECT_EQ(gs32_FastWrites, 1);
    UsePackage(lstMakeEdid(0, "ACR", 0x1234));
    Functions(1, 1, 1);
    UiClick(MainPanel(), MAIN_START_BTN);
    EXPECT_EQ(lstWaitingCommands(), (Ints{CMD_CHECK_PKG_EXIST, CMD_CHECK_START, CMD_ERASE,
                                          CMD_READ_PKG, CMD_PROGRAM, CMD_RECEIVE, CMD_VERIFY}));
    int s32Ticks = 0;
    while (s32Ticks < 200 && !lstWaitingCommands().empty()) {
        Ticks(1);
        s32Ticks++;
    }
    EXPECT_EQ(s32Ticks, 1);
    int s32Interval = 0;
    GetCtrlAttribute(MainPanel(), MAIN_TIMER, ATTR_INTERVAL, &s32Interval);
    EXPECT_EQ(s32Interval, FAST_TICK_MS);
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Pass\n>"
                        "Erasing device's EDID..\n> - Pass\n>"
                        "Reading PKG file ...\n> - Pass\n>"
                        "Programming device's EDID ...\n> - Pass\n>"
                        "Receiving device's EDID ...\n> - Pass\n>"
                        "Verifying device's EDID ...\n> - Verifying fail, index: 8 \n> - Fail\n>");
    EXPECT_EQ(Writes().size(), 32u + 16u);
    EXPECT_EQ(u32ClockPauseCount(), 0u);
    // As at start-up: a command that shows the progress panel, then one that
    // does not; the panel goes once they have run.
    Ticks(1);
    vPostCommand(CMD_REFRESH_MONITOR, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    vPostCommand(CMD_SHOW_VERSION, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
    Ticks(2);
    EXPECT_FALSE(bUiPanelIsVisible(gst_UiHandles.s32ProgressPanel));

    // A station that cannot be read writes paced again.
    vWriteFile(m_dir.file(STATION_FILE_NAME), "WriteMode = quick\n");
    vLoadStation();
    EXPECT_EQ(gs32_FastWrites, 0);
    GetCtrlAttribute(MainPanel(), MAIN_TIMER, ATTR_INTERVAL, &s32Interval);
    EXPECT_EQ(s32Interval, CMD_DELAY_STEP);
}

TEST_F(StartSequenceTest, WithoutAPackageNothingIsWrittenAndNothingPasses)
{
    AddBlankDisplay(256);
    InitLibrary();
    Functions(0, 1, 1);
    PressStart();
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Path Loading Error ...\n> - Fail\n>"
                        "Reading PKG file ...\n> - Path Loading Error ...\n>"
                        " - Path Loading Error ...\n> - Fail\n>"
                        "Programming device's EDID ...\n> - Fail. The existence of PKG file fail\n>"
                        " - Fail. Reading PKG file fail\n>"
                        "Receiving device's EDID ...\n>"
                        " - Invalid EDID, Error Code = 0x70000013 \n> - Pass\n>"
                        "Verifying device's EDID ...\n> - Fail. The existence of PKG file fail\n>"
                        " - Fail. Reading PKG file fail\n>");
    EXPECT_TRUE(Writes().empty());
}

TEST_F(StartSequenceTest, ClosingTheProgressPanelDuringTheEraseDropsTheRest)
{
    AddDisplay(lstMakeEdid(0, "BNQ", 0x0001));
    InitLibrary();
    UsePackage(lstMakeEdid(0, "ACR", 0x1234));
    Functions(1, 1, 1);
    UiClick(MainPanel(), MAIN_START_BTN);
    Ticks(13); // the existence check, then the erase's countdown
    ASSERT_EQ(lstWaitingCommands().front(), CMD_ERASE);
    PauseScript script;
    script.steps[99] = [] { UiQueueClosePanel(gst_UiHandles.s32ProgressPanel); };
    script.vInstall();
    for (int i = 0; i < 200 && !lstWaitingCommands().empty(); i++)
        Ticks(1);
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Pass\n>"
                        "Erasing device's EDID..\n> - Pass\n>");
    EXPECT_EQ(Writes().size(), 256u);
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF));
}

TEST_F(StartSequenceTest, RealEdidsPackagedEndProgrammedAndVerified)
{
    std::vector<stCorpusEdid> corpus = lstCorpus();
    if (corpus.empty())
        GTEST_SKIP() << strCorpusMissing();
    int s32Tried = 0;
    for (const stCorpusEdid &edid : corpus) {
        // Images up to the 256 addresses at 0x50 that pass an image's checks.
        uint32_t u32Offset = 0, u32Sum = 0;
        if (edid.bytes.size() > 256 ||
            s32CheckEdidImage(edid.bytes.data(), (uint32_t)edid.bytes.size(), &u32Offset,
                              &u32Sum) != EDID_IMAGE_OK)
            continue;
        if (s32Tried++ % 8 != 0)
            continue;
        for (uint32_t u32Mem : {256u, 2048u}) {
            for (int s32Erase : {0, 1}) {
                SCOPED_TRACE(edid.name + " in " + std::to_string(u32Mem) + " bytes, erase " +
                             std::to_string(s32Erase));
                vDdcBenchClear();
                Bytes old = lstMakeEdid(1, "BNQ", 0x0001);
                s32DdcBenchAddDisplay(old.data(), (uint32_t)old.size(), u32Mem);
                InitLibrary();
                UsePackage(edid.bytes);
                Functions(s32Erase, 1, 1);
                PressStart();
                std::string log = gc_ProgramVerifyLog;
                if (s32Erase)
                    log.insert(log.find("Reading"), "Erasing device's EDID..\n> - Pass\n>");
                EXPECT_EQ(MsgBox(), log);
                Bytes memory = lstDdcBenchMemory(0);
                EXPECT_EQ(Bytes(memory.begin(), memory.begin() + edid.bytes.size()), edid.bytes);
            }
        }
    }
    EXPECT_GT(s32Tried, 8);
}

// A Start that erases first: whatever its package commands would refuse
// is found before the erase, with the lines that command prints, and the
// display keeps what it held.
TEST_F(StartSequenceTest, AStartThatCannotFinishWritesNothing)
{
    Bytes held = lstMakeEdid(1, "BNQ", 0x0001);
    AddDisplay(held);
    InitLibrary();
    Bytes header = lstMakeEdid(1), checksum = lstMakeEdid(1);
    header[7] = 0x01;
    checksum[200] ^= 0x01;
    const std::string exists = "Checking the existence of PKG file ...\n> - Pass\n>";
    const std::string gone = " - File does not exist ...\n>";
    const struct {
        const char *name;
        Bytes image;
        int s32Program, s32Verify;
        bool bRemoveFile;
        std::string log;
    } cases[] = {
        {"damaged header", header, 1, 1, false,
         exists + "Programming device's EDID ...\n> - The EDID of port HDMI1 is damaged: block 0 "
                  "does not begin with the EDID header\n> - Fail\n>"},
        {"past the addresses", lstMakeEdid(2), 1, 0, false,
         exists + "Programming device's EDID ...\n>" +
             strPastAddresses("The EDID of port HDMI1", 384) + " - Fail\n>"},
        {"verify only", checksum, 0, 1, false,
         exists + "Verifying device's EDID ...\n> - The EDID of port HDMI1 is damaged: the "
                  "checksum of block 1 is wrong\n> - Fail\n>"},
        {"package gone", lstMakeEdid(1), 1, 1, true,
         "Checking the existence of PKG file ...\n>" + gone + " - Fail\n>Reading PKG file ...\n>" +
             gone + gone + " - Fail\n>"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        UsePackage(c.image);
        if (c.bRemoveFile)
            remove(m_dir.file("job.pkg").c_str());
        Functions(1, c.s32Program, c.s32Verify);
        vResetDeviceTally();
        vDdcBenchLogClear();
        PressStart();
        EXPECT_EQ(MsgBox(), c.log);
        EXPECT_EQ(BusCallCount(), 0u);
        EXPECT_EQ(lstDdcBenchMemory(0), held);
        EXPECT_EQ(gst_DeviceTally.s32Failed, 1);
        EXPECT_TRUE(lstWaitingCommands().empty());
    }
}

// Down in the display list during the erase, and a list changed under the
// Start by other means: every command of the Start goes to the display it
// was pressed with, and the lists stay dimmed until its commands have run.
TEST_F(StartSequenceTest, TheDisplayOfAStartIsTheOneItWasPressedWith)
{
    Bytes other = lstMakeEdid(1, "BNQ", 0x0002);
    AddDisplay(lstMakeEdid(1, "BNQ", 0x0001));
    AddDisplay(other);
    InitLibrary();
    UsePackage(lstMakeEdid(1, "ACR", 0x1234));
    Select(0);
    Functions(1, 1, 1);
    int s32DimmedMidStart = 1;
    PauseScript script;
    script.steps[10] = [] {
        UiQueueKeyPress(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, VAL_DOWN_ARROW_VKEY);
    };
    script.steps[20] = [&] {
        for (int s32Control : {MAIN_MONITOR_LIST, MAIN_PORT_LIST, MAIN_REFRESH_BTN, MAIN_PKG_BROWSE}) {
            int s32Dimmed = 0;
            GetCtrlAttribute(MainPanel(), s32Control, ATTR_DIMMED, &s32Dimmed);
            s32DimmedMidStart &= s32Dimmed;
        }
        int s32Index = -1;
        GetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, &s32Index);
        EXPECT_EQ(s32Index, 0);
        Select(1);
    };
    script.vInstall();
    PressStart();
    vClockSetPauseHook(nullptr, nullptr);
    EXPECT_EQ(MsgBox(), gc_EraseProgramVerifyLog);
    for (const stDdcBenchCall &call : Calls(DDC_OP_WRITE_BUF))
        EXPECT_EQ(call.au32Arg[0], DDC_BENCH_HANDLE(0));
    EXPECT_EQ(Writes().size(), 256u + 32u);
    EXPECT_EQ(lstDdcBenchMemory(0), m_image);
    EXPECT_EQ(lstDdcBenchMemory(1), other);
    EXPECT_EQ(s32DimmedMidStart, 1);
    int s32Dimmed = -1;
    for (int s32Control : {MAIN_MONITOR_LIST, MAIN_PORT_LIST, MAIN_REFRESH_BTN, MAIN_PKG_BROWSE}) {
        GetCtrlAttribute(MainPanel(), s32Control, ATTR_DIMMED, &s32Dimmed);
        EXPECT_EQ(s32Dimmed, 0) << s32Control;
    }
}

// A detection that ran between the press and the erase gave the record to
// another output: the Start asks for the display again and writes nothing.
TEST_F(StartSequenceTest, ADisplayReplacedUnderAStartIsNotWritten)
{
    AddDisplay(lstMakeEdid(1, "BNQ", 0x0001));
    InitLibrary();
    Select(0);
    Functions(1, 0, 0);
    UiClick(MainPanel(), MAIN_START_BTN);
    gst_MonitorInfo[0].u32DisplayHandle = DDC_BENCH_HANDLE(1);
    Ticks(7);
    EXPECT_EQ(MsgBox(), "Erasing device's EDID..\n> - Fail. Select PC output port first\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
}

// The program failed after block 0 and the receive failed at page 1: the
// receive's cleared copy matches an image whose block 1 is all zero, though
// the display's block 1 is not.
TEST_F(StartSequenceTest, AVerifyWhoseReceiveFailedNeverPasses)
{
    AddBlankDisplay(256);
    InitLibrary();
    Bytes image = lstMakeEdid(1, "ACR", 0x1234);
    std::fill(image.begin() + 128, image.end(), 0x00);
    UsePackage(image);
    Functions(0, 1, 1);
    vDdcBenchSetWriteFault(0, 17, 0x70000015u);
    vDdcBenchSetExtFault(0, 1, 0x7000000Bu);
    PressStart();
    EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Pass\n>"
                        "Reading PKG file ...\n> - Pass\n>"
                        "Programming device's EDID ...\n>"
                        " - Programming EDID fail, Error Code = 0x70000015 \n>"
                        " - Try \"Program\" again ...\n> - Fail\n>"
                        "Receiving device's EDID ...\n>"
                        " - Receiving EDID fail (Page 1), Error Code = 0x7000000B \n>"
                        " - Try \"Read\" again ...\n> - Fail\n>"
                        "Verifying device's EDID ...\n>"
                        " - The display's EDID could not be read back, so it cannot be verified\n>"
                        " - Fail\n>");
    Bytes expected(image.begin(), image.begin() + 128);
    expected.resize(256, 0xFF);
    EXPECT_EQ(lstDdcBenchMemory(0), expected);
}

} // namespace
