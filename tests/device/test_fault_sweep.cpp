// A bus failure injected at every packet of a write and at every page of a
// read: the step must say so and end " - Fail", nothing after it may pass
// for it, and the display must hold exactly what landed before the fault.
#include "tests/support/device_fixture.h"
#include "tests/support/package_maker.h"
#include "tests/support/queue_probe.h"

#include "app/app_shell.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/package.h"
#include "ui/Pavimo.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

// Several codes, so a message that names a fixed code instead of the one
// the library returned is caught.
uint32_t u32CodeFor(int s32Position)
{
    static const uint32_t c_Codes[] = {0x70000015u, 0x7000000Bu, 0x70000019u};
    return c_Codes[s32Position % 3];
}

std::string strHex(uint32_t u32Value)
{
    char cText[16];
    snprintf(cText, sizeof(cText), "0x%X", u32Value);
    return cText;
}

std::string strFailLine(const char *pcWhat, uint32_t u32Code)
{
    return std::string(" - ") + pcWhat + " EDID fail, Error Code = " + strHex(u32Code) + " \n>";
}

// The memory once the first s32Packets 8-byte packets of data have landed
// on it; the one-byte address wraps every 256 bytes.
Bytes lstAfterPackets(Bytes memory, const Bytes &data, int s32Packets)
{
    for (int p = 0; p < s32Packets; p++)
        std::copy(data.begin() + p * 8, data.begin() + p * 8 + 8, memory.begin() + (p * 8) % 256);
    return memory;
}

// Every packet must change the memory, or a packet written after the fault
// (or one lost before it) could go unseen.
bool bEveryPacketDiffers(const Bytes &old, const Bytes &data)
{
    for (size_t p = 0; p * 8 < data.size(); p++) {
        if (std::equal(data.begin() + p * 8, data.begin() + p * 8 + 8, old.begin() + (p * 8) % 256))
            return false;
    }
    return true;
}

uint32_t u32FirstDifference(const Bytes &a, const Bytes &b)
{
    return (uint32_t)(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

class FaultSweepTest : public DeviceTest {
protected:
    // A bench of one display holding old (blank when empty), detected.
    void FreshDisplay(const Bytes &old)
    {
        vDdcBenchClear();
        if (old.empty())
            AddBlankDisplay(256);
        else
            AddDisplay(old);
        InitLibrary();
    }
    void UsePackage(const Bytes &image)
    {
        vUsePackageFile(m_dir.file("job.pkg"), lstMakePackage({{"HDMI1", image}}));
        s32CheckPkgInfoAction();
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    }
    void ClearBoxAndLog()
    {
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
        vDdcBenchLogClear();
    }
    // The 9-byte packets; a read's one-byte address write is no packet.
    size_t PacketCount()
    {
        size_t count = 0;
        for (const stDdcBenchCall &call : Calls(DDC_OP_WRITE_BUF))
            count += call.au32Arg[3] == 9;
        return count;
    }
    size_t ContinuedReads()
    {
        size_t count = 0;
        for (const stDdcBenchCall &call : Calls(DDC_OP_READ_BUF))
            count += (call.au32Arg[4] & 0x1000u) != 0;
        return count;
    }
};

TEST_F(FaultSweepTest, ProgramStopsAtEveryFailedPacketKeepingThoseBefore)
{
    const Bytes image = lstMakeEdid(1, "ACR", 0x1234);
    const Bytes blank(256, 0xFF);
    ASSERT_TRUE(bEveryPacketDiffers(blank, image));
    FreshDisplay({});
    UsePackage(image);
    for (int k = 1; k <= 32; k++) {
        SCOPED_TRACE("packet " + std::to_string(k));
        FreshDisplay({});
        vDdcBenchSetWriteFault(0, (uint32_t)k, u32CodeFor(k));
        EXPECT_EQ(s32ProgramAction(), 1);
        EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>" +
                                strFailLine("Programming", u32CodeFor(k)) +
                                " - Try \"Program\" again ...\n> - Fail\n>");
        EXPECT_EQ(PacketCount(), (size_t)k);
        EXPECT_EQ(lstDdcBenchMemory(0), lstAfterPackets(blank, image, k - 1));
    }
}

TEST_F(FaultSweepTest, EraseStopsAtEveryFailedPacketKeepingThoseBefore)
{
    const Bytes old = lstMakeEdid(1, "BNQ", 0x0001);
    const Bytes fill(2048, 0xFF);
    ASSERT_TRUE(bEveryPacketDiffers(old, Bytes(fill.begin(), fill.begin() + 256)));
    for (int k = 1; k <= 256; k++) {
        SCOPED_TRACE("packet " + std::to_string(k));
        FreshDisplay(old);
        vDdcBenchSetWriteFault(0, (uint32_t)k, u32CodeFor(k));
        EXPECT_EQ(s32EraseAction(), 1);
        EXPECT_EQ(MsgBox(), "Erasing device's EDID..\n>" + strFailLine("Erasing", u32CodeFor(k)) +
                                " - Try \"Erase\" again ...\n> - Fail\n>");
        // From the 33rd packet on the memory is all 0xFF whatever follows:
        // the count is what shows a packet after the fault.
        EXPECT_EQ(PacketCount(), (size_t)k);
        EXPECT_EQ(lstDdcBenchMemory(0), lstAfterPackets(old, fill, k - 1));
    }
}

// Page 0 comes through ReadEDID, pages 1 to 15 through the chained read.
TEST_F(FaultSweepTest, SixteenPageReceiveFailsAtEveryPage)
{
    const Bytes edid = lstMakeEdid(15);
    AddDisplay(edid);
    InitLibrary();
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 16);
    for (int s32Page = 0; s32Page < 16; s32Page++) {
        SCOPED_TRACE("page " + std::to_string(s32Page));
        uint32_t u32Code = u32CodeFor(s32Page);
        if (s32Page == 0)
            vDdcBenchSetReadEdidFault(0, u32Code);
        else
            vDdcBenchSetExtFault(0, (uint32_t)s32Page, u32Code);
        memset(gst_ReceivedEdid[0].u8EdidBuf, 0xAA, RECEIVED_EDID_SIZE);
        ClearBoxAndLog();
        EXPECT_EQ(s32ReceiveByPageAction(), 1);
        std::string fail = s32Page == 0
                               ? " - Fail, Error Code = " + strHex(u32Code) + " \n>"
                               : " - Receiving EDID fail (Page " + std::to_string(s32Page) +
                                     "), Error Code = " + strHex(u32Code) +
                                     " \n> - Try \"Read\" again ...\n>";
        EXPECT_EQ(MsgBox(), "Receiving EDID By Number of Page ...\n>" + fail + " - Fail\n>");
        EXPECT_EQ(ContinuedReads(), (size_t)s32Page);
        EXPECT_EQ(PacketCount(), 0u);
        EXPECT_EQ(lstDdcBenchMemory(0), edid);
        if (s32Page > 0) {
            // The pages read before the fault, then the cleared rest.
            Bytes expected(edid.begin(), edid.begin() + s32Page * 128);
            expected.resize(RECEIVED_EDID_SIZE, 0x00);
            EXPECT_EQ(Bytes(gst_ReceivedEdid[0].u8EdidBuf,
                            gst_ReceivedEdid[0].u8EdidBuf + RECEIVED_EDID_SIZE),
                      expected);
        }
        vDdcBenchSetReadEdidFault(0, 0);
        vDdcBenchSetExtFault(0, (uint32_t)s32Page, 0);
    }
}

// FAILS TODAY at pages 1 to 7: detection ignores a failed page of its
// chained read. It reports "Status : Pass" and the refresh " - Pass", and
// saves Monitor_1_DEL40F3.bin with that page zeroed (and the pages after it
// as the record held them before), bytes the display never held. Page 0
// (ReadEDID) is reported and nothing is saved. The exact failure line is
// left to the fix; the code named and no pass for the display are not.
TEST_F(FaultSweepTest, DetectionReportsAFailedPageOfItsChainedRead)
{
    const Bytes edid = lstMakeEdid(7);
    AddDisplay(edid);
    InitLibrary();
    const std::string file = MonitorFile(1, "DEL40F3");
    for (int s32Page = 0; s32Page < 8; s32Page++) {
        SCOPED_TRACE("page " + std::to_string(s32Page));
        uint32_t u32Code = u32CodeFor(s32Page);
        if (s32Page == 0)
            vDdcBenchSetReadEdidFault(0, u32Code);
        else
            vDdcBenchSetExtFault(0, (uint32_t)s32Page, u32Code);
        unlink(file.c_str());
        ClearBoxAndLog();
        EXPECT_EQ(s32RefreshMonitorAction(), 1);
        std::string box = MsgBox();
        EXPECT_NE(box.find("Error Code = " + strHex(u32Code)), std::string::npos) << box;
        EXPECT_EQ(box.find("Status : Pass"), std::string::npos) << box;
        Bytes saved = lstReadBytes(file);
        if (!saved.empty()) {
            EXPECT_TRUE(saved == edid) << "the saved file differs from byte "
                                       << u32FirstDifference(saved, edid);
        }
        EXPECT_EQ(ContinuedReads(), (size_t)s32Page);
        EXPECT_EQ(PacketCount(), 0u);
        EXPECT_EQ(lstDdcBenchMemory(0), edid);
        vDdcBenchSetReadEdidFault(0, 0);
        vDdcBenchSetExtFault(0, (uint32_t)s32Page, 0);
    }
}

// The Start button through the event queue, then the ticks of the event
// loop until the ring is empty.
class StartSweepTest : public FaultSweepTest {
protected:
    void SetUp() override
    {
        FaultSweepTest::SetUp();
        DisplayPanel(MainPanel());
    }
    void PressStart()
    {
        UiClick(MainPanel(), MAIN_START_BTN);
        for (int i = 0; i < 200 && !lstWaitingCommands().empty(); i++)
            Ticks(1);
        EXPECT_TRUE(lstWaitingCommands().empty());
    }
};

TEST_F(StartSweepTest, ProgramAndVerifyNeverPassAfterAFailedPacket)
{
    const Bytes image = lstMakeEdid(1, "ACR", 0x1234);
    const Bytes blank(256, 0xFF);
    ASSERT_TRUE(bEveryPacketDiffers(blank, image));
    FreshDisplay({});
    UsePackage(image);
    SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, 0);
    SetCtrlVal(MainPanel(), MAIN_FUNC_PROGRAM, 1);
    SetCtrlVal(MainPanel(), MAIN_FUNC_VERIFY, 1);
    for (int k = 1; k <= 32; k++) {
        SCOPED_TRACE("packet " + std::to_string(k));
        FreshDisplay({});
        vDdcBenchSetWriteFault(0, (uint32_t)k, u32CodeFor(k));
        PressStart();
        Bytes memory = lstDdcBenchMemory(0);
        if (MsgBox().find("Verifying device's EDID ...\n> - Pass") != std::string::npos &&
            memory != image)
            ADD_FAILURE() << "verify passed on a memory that differs from the package";
        Bytes expected = lstAfterPackets(blank, image, k - 1);
        EXPECT_EQ(memory, expected);
        // Block 0 is whole from the 17th packet on; before, it reads as invalid.
        std::string invalid = k <= 16 ? " - Invalid EDID, Error Code = 0x70000013 \n>" : "";
        EXPECT_EQ(MsgBox(), "Checking the existence of PKG file ...\n> - Pass\n>"
                            "Reading PKG file ...\n> - Pass\n>"
                            "Programming device's EDID ...\n>" +
                                strFailLine("Programming", u32CodeFor(k)) +
                                " - Try \"Program\" again ...\n> - Fail\n>"
                                "Receiving device's EDID ...\n>" +
                                invalid +
                                " - Pass\n>"
                                "Verifying device's EDID ...\n> - Verifying fail, index: " +
                                std::to_string(u32FirstDifference(image, expected)) +
                                " \n> - Fail\n>");
    }
}

} // namespace
