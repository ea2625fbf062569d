// EDIDs of 384 and 512 bytes on the memories declared to hold them: a
// two-block memory (its second half at 0x51) and a segment memory (the
// library sends its segment pointer).
#include "tests/support/device_fixture.h"
#include "tests/support/edid_corpus.h"
#include "tests/support/package_maker.h"

#include "device/edid_bus.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/edid_image.h"
#include "files/package.h"
#include "platform/ddc/DDCHelper.h"
#include "ui/Pavimo.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class WideMemoryTest : public DeviceTest {
protected:
    void TearDown() override
    {
        gs32_FastWrites = 0;
        DeviceTest::TearDown();
    }
    // One blank display of u32Size bytes addressed as declared, detected.
    void Display(uint32_t u32Addressing, uint32_t u32Size = 512)
    {
        vDdcBenchClear();
        AddBlankDisplay(u32Size);
        vDdcBenchSetAddressing(0, u32Addressing);
        InitLibrary();
    }
    void UsePackage(const Bytes &image)
    {
        vUsePackageFile(m_dir.file("job.pkg"), lstMakePackage({{"HDMI1", image}}));
        s32CheckPkgInfoAction();
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    }
    // The packets as "address:first memory address", e.g. "0x51:0x08".
    std::vector<std::string> Packets()
    {
        std::vector<std::string> packets;
        for (const stDdcBenchCall &call : Calls(DDC_OP_WRITE_BUF)) {
            char cText[32];
            snprintf(cText, sizeof(cText), "0x%02X:0x%02X", call.au32Arg[1], call.pu8Data[0]);
            if (call.au32Arg[3] == 9)
                packets.push_back(cText);
        }
        return packets;
    }
    static std::vector<std::string> Expected(size_t amount)
    {
        std::vector<std::string> packets;
        for (size_t offset = 0; offset < amount; offset += 8) {
            char cText[32];
            snprintf(cText, sizeof(cText), "0x%02X:0x%02X", offset < 256 ? 0x50 : 0x51,
                     (unsigned)(offset % 256));
            packets.push_back(cText);
        }
        return packets;
    }
    static Bytes Padded(const Bytes &image)
    {
        Bytes memory = image;
        memory.resize(512, 0xFF);
        return memory;
    }
};

// The dumps of 384 and 512 bytes, each cut to the EDID its byte 126
// declares (one dump of 512 bytes declares 256).
std::vector<stCorpusEdid> lstWideCorpus()
{
    std::vector<stCorpusEdid> wide;
    for (stCorpusEdid edid : lstCorpus()) {
        if (edid.bytes.size() != 384 && edid.bytes.size() != 512)
            continue;
        edid.bytes.resize(std::min<size_t>(edid.bytes.size(), (edid.bytes[126] + 1u) * 128u));
        uint32_t u32Offset = 0, u32Detail = 0;
        EXPECT_EQ(s32CheckEdidImage(edid.bytes.data(), (uint32_t)edid.bytes.size(), &u32Offset,
                                    &u32Detail),
                  EDID_IMAGE_OK)
            << edid.name;
        wide.push_back(edid);
    }
    return wide;
}

TEST_F(WideMemoryTest, RealEdidsProgramVerifyAndReadBackOnBothKindsPacedAndFast)
{
    std::vector<stCorpusEdid> corpus = lstWideCorpus();
    if (corpus.empty())
        GTEST_SKIP() << strCorpusMissing();
    EXPECT_EQ(corpus.size(), 21u);
    for (uint32_t u32Kind : {DDC_ADDRESSING_BLOCKS, DDC_ADDRESSING_SEGMENT}) {
        for (int32_t s32Fast : {0, 1}) {
            for (const stCorpusEdid &edid : corpus) {
                SCOPED_TRACE(edid.name + (u32Kind == DDC_ADDRESSING_BLOCKS ? " blocks" : " segment") +
                             (s32Fast ? " fast" : " paced"));
                gs32_FastWrites = s32Fast;
                Display(u32Kind);
                UsePackage(edid.bytes);
                vDdcBenchLogClear();
                EXPECT_EQ(s32ProgramAction(), 1);
                EXPECT_EQ(Packets(), Expected(edid.bytes.size()));
                EXPECT_EQ(lstDdcBenchMemory(0), Padded(edid.bytes));
                EXPECT_EQ(s32ReceiveAction(), 1);
                EXPECT_EQ(s32VerifyAction(), 1);
                EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Pass\n>"
                                    "Receiving device's EDID ...\n> - Pass\n>"
                                    "Verifying device's EDID ...\n> - Pass\n>");
                SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, (int)(edid.bytes.size() / 128));
                ASSERT_EQ(s32ReceiveEdidByPage(PKG_TYPE_OTHER), 1);
                EXPECT_EQ(Bytes(gst_ReceivedEdid[0].u8EdidBuf,
                                gst_ReceivedEdid[0].u8EdidBuf + edid.bytes.size()),
                          edid.bytes);
                if (&edid != &corpus.front())
                    continue;
                // Once per kind and pace: erased whole, then written back by page.
                ASSERT_EQ(s32EraseAction(), 1);
                EXPECT_EQ(lstDdcBenchMemory(0), Bytes(512, 0xFF));
                EXPECT_EQ(s32ProgramByPageAction(), 1);
                EXPECT_EQ(lstDdcBenchMemory(0), Padded(edid.bytes));
            }
        }
    }
}

// The detection names the memory after its own lines and reads the
// blocks past 255 where the memory keeps them; the monitor file holds all.
TEST_F(WideMemoryTest, DetectionReadsThePastHalfAndNamesTheMemory)
{
    Bytes image = lstMakeEdid(3, "ACR", 0x0512);
    for (uint32_t u32Kind : {DDC_ADDRESSING_BLOCKS, DDC_ADDRESSING_SEGMENT}) {
        vDdcBenchClear();
        s32DdcBenchAddDisplay(image.data(), (uint32_t)image.size(), 512);
        vDdcBenchSetAddressing(0, u32Kind);
        InitLibrary();
        ASSERT_EQ(s32RefreshMonitorAction(), 1);
        EXPECT_EQ(MsgBox(), std::string("Refreshing monitor information ...\n>"
                                        " - Monitor 1 : \n>      Status : Pass \n>"
                                        "      PNP ID : ACR0512 \n>      Output : 1 \n>"
                                        "      Memory : ") +
                                (u32Kind == DDC_ADDRESSING_BLOCKS
                                     ? "two blocks, 512 bytes at 0x50 and 0x51"
                                     : "E-DDC segments, 256 bytes each through the pointer at 0x30") +
                                " \n> - Pass\n>\n>");
        EXPECT_EQ(Bytes(gst_MonitorInfo[0].u8EdidBuf, gst_MonitorInfo[0].u8EdidBuf + 512), image);
        EXPECT_EQ(lstReadBytes(MonitorFile(1, "ACR0512")), image);
    }
    // Six blocks declared, four held: no file of blocks never read.
    Bytes big = lstMakeEdid(5, "ACR", 0x0768);
    vDdcBenchClear();
    s32DdcBenchAddDisplay(big.data(), 512, 512);
    vDdcBenchSetAddressing(0, DDC_ADDRESSING_SEGMENT);
    InitLibrary();
    EXPECT_FALSE(bFileExists(MonitorFile(1, "ACR0768")));
    EXPECT_EQ(Bytes(gst_MonitorInfo[0].u8EdidBuf, gst_MonitorInfo[0].u8EdidBuf + 512),
              Bytes(big.begin(), big.begin() + 512));
}

// A memory of one segment leaves segment 1 unacknowledged: the packet
// fails and nothing after it is sent.
TEST_F(WideMemoryTest, AnUnacknowledgedSegmentWriteFailsTheCommandWithNothingFurtherWritten)
{
    Display(DDC_ADDRESSING_SEGMENT, 256);
    Bytes image = lstMakeEdid(2, "ACR", 0x0384);
    UsePackage(image);
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>"
                        " - Programming EDID fail, Error Code = 0x7000000B \n>"
                        " - Try \"Program\" again ...\n> - Fail\n>");
    std::vector<std::string> sent = Expected(264);
    EXPECT_EQ(Packets(), sent);
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(image.begin(), image.begin() + 256));
}

// Larger than the declared memory reaches: refused before any write, as is
// a page count past its four pages; an erase covers both halves.
TEST_F(WideMemoryTest, WhatTheMemoryCannotHoldIsRefusedAndAnEraseCoversItAll)
{
    Display(DDC_ADDRESSING_BLOCKS);
    Bytes big = lstMakeEdid(5, "ACR", 0x0768);
    UsePackage(big);
    vDdcBenchLogClear();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - The EDID of port HDMI1 has 768 "
                        "bytes; only the first 512 bytes of the display's memory can be "
                        "written\n> - Fail\n>");
    EXPECT_EQ(BusCallCount(), 0u);

    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 5);
    EXPECT_EQ(s32ReceiveByPageAction(), 1);
    EXPECT_EQ(MsgBox(), "Receiving EDID By Number of Page ...\n> - The display's memory (two "
                        "blocks, 512 bytes at 0x50 and 0x51) holds 4 pages; 5 were asked for\n>"
                        " - Fail\n>");
    EXPECT_EQ(BusCallCount(), 0u);

    Bytes image = lstMakeEdid(3);
    UsePackage(image);
    ASSERT_EQ(s32ProgramAction(), 1);
    gs32_FastWrites = 1;
    vDdcBenchLogClear();
    EXPECT_EQ(s32EraseAction(), 1);
    EXPECT_EQ(Packets().size(), 64u);
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(512, 0xFF));
}

} // namespace
