// The USB-I2C bridges' report protocols against a model of each chip:
// a real EDID programmed page by page and read back, write protection,
// an unplugged device, a transfer left running, an absent address, and the
// exact reports a real chip would receive.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_bridge.h"

#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "tests/support/edid_corpus.h"

namespace {

typedef std::vector<uint8_t> Bytes;
typedef std::vector<std::string> Lines;

class BridgeTest : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override { vClockUseVirtual(1); }
    void TearDown() override { vClockUseVirtual(0); }
    const stBridgeChip *Chip() const { return pstBridgeChip(GetParam()); }
    uint32_t Open() { return Chip()->pfnSetup(m_chip.Transport(), BRIDGE_DEFAULT_CLOCK_HZ); }
    uint32_t Write(uint32_t u32Addr7, const Bytes &bytes)
    {
        return Chip()->pfnWrite(m_chip.Transport(), u32Addr7, bytes.data(), (uint32_t)bytes.size());
    }
    uint32_t Read(uint32_t u32Addr7, uint8_t u8Reg, Bytes &buf)
    {
        return Chip()->pfnRead(m_chip.Transport(), u32Addr7, u8Reg, buf.data(), (uint32_t)buf.size());
    }
    // As the bus layer does: 8-byte pages, each followed by the address
    // alone written again until the memory acknowledges it.
    uint32_t Program(const Bytes &image)
    {
        for (uint32_t u32At = 0; u32At < image.size(); u32At += 8) {
            Bytes page = {(uint8_t)u32At};
            page.insert(page.end(), image.begin() + u32At, image.begin() + u32At + 8);
            uint32_t u32Result = Write(0x50, page);
            for (uint32_t i = 0; u32Result == 0 && i < 50; i++) {
                u32Result = Write(0x50, {(uint8_t)u32At});
                if (u32Result != DDC_ERR_NO_ACK)
                    break;
                Sleep(1);
                u32Result = i + 1 < 50 ? 0 : u32Result;
            }
            if (u32Result)
                return u32Result;
        }
        return 0;
    }
    Bytes ReadBack(uint32_t u32Len)
    {
        Bytes all;
        for (uint32_t u32At = 0; u32At < u32Len; u32At += 32) {
            Bytes chunk(32);
            EXPECT_EQ(Read(0x50, (uint8_t)u32At, chunk), 0u) << u32At;
            all.insert(all.end(), chunk.begin(), chunk.end());
        }
        return all;
    }
    Bytes Memory() const { return Bytes(m_chip.mem.u8Mem, m_chip.mem.u8Mem + 256); }
    FakeBridge m_chip{GetParam()};
};

Bytes lstCorpusEdid256()
{
    for (const stCorpusEdid &edid : lstCorpus())
        if (edid.bytes.size() == 256)
            return edid.bytes;
    return {};
}

TEST_P(BridgeTest, ARealEdidProgrammedInPagesReadsBackByteForByte)
{
    Bytes image = lstCorpusEdid256();
    if (image.empty())
        GTEST_SKIP() << "no 256-byte EDID in " TAVOLIN_EDID_DATA_DIR;
    ASSERT_EQ(Open(), 0u);
    const uint32_t au32Clock[] = {117, 100, 100000}; // 12 MHz / 100 kHz - 3, kHz, Hz
    EXPECT_EQ(m_chip.u32ClockSet, au32Clock[GetParam()]);
    ASSERT_EQ(Program(image), 0u);
    EXPECT_EQ(Memory(), image);
    EXPECT_EQ(ReadBack(256), image);
}

TEST_P(BridgeTest, AProtectedMemoryAcknowledgesAndKeepsItsBytes)
{
    m_chip.mem.bWriteProtect = 1;
    ASSERT_EQ(Open(), 0u);
    EXPECT_EQ(Program(Bytes(16, 0x5A)), 0u);
    EXPECT_EQ(Memory(), Bytes(256, 0xFF));
    EXPECT_EQ(ReadBack(32), Bytes(32, 0xFF));
}

TEST_P(BridgeTest, ADeviceUnpluggedMidWriteIsGoneAndNothingFollows)
{
    Bytes image(256);
    for (uint32_t i = 0; i < 256; i++)
        image[i] = (uint8_t)(i * 5 + 1);
    m_chip.goneAtWrite = 5;
    ASSERT_EQ(Open(), 0u);
    EXPECT_EQ(Program(image), DDC_ERR_ADAPTER_GONE);
    Bytes expected(image.begin(), image.begin() + 40);
    expected.resize(256, 0xFF);
    EXPECT_EQ(Memory(), expected);
    EXPECT_EQ(m_chip.callsWhileGone, 1);
}

TEST_P(BridgeTest, ATransferLeftRunningIsCancelledAtOpen)
{
    m_chip.bStuck = true;
    ASSERT_EQ(Open(), 0u);
    const char *apcCancel[] = {"out 00 10 00 10", "set A1 20", "out 17 01"};
    Lines sent = m_chip.TakeSent();
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [&](const std::string &line) {
        return line.rfind(apcCancel[GetParam()], 0) == 0;
    }));
    EXPECT_EQ(Write(0x50, {0x00, 0x11, 0x22}), 0u);
    EXPECT_EQ(m_chip.mem.u8Mem[1], 0x22);
}

TEST_P(BridgeTest, AnAbsentAddressIsNoAcknowledgeAndTheBridgeStaysUsable)
{
    ASSERT_EQ(Open(), 0u);
    Bytes buf(8);
    EXPECT_EQ(Write(0x51, {0x00, 0x11}), DDC_ERR_NO_ACK);
    EXPECT_EQ(Read(0x51, 0x00, buf), DDC_ERR_NO_ACK);
    EXPECT_EQ(Memory(), Bytes(256, 0xFF));
    EXPECT_EQ(Write(0x50, {0x08, 0x11}), 0u);
    EXPECT_EQ(m_chip.mem.u8Mem[8], 0x11);
    EXPECT_EQ(Write(0x50, Bytes(Chip()->u32MaxWrite + 1)), DDC_ERR_BAD_COUNT);
}

INSTANTIATE_TEST_SUITE_P(Chips, BridgeTest,
                         ::testing::Values(BRIDGE_MCP2221, BRIDGE_FT260, BRIDGE_CP2112),
                         [](const ::testing::TestParamInfo<uint32_t> &info) {
                             return std::string(pstBridgeChip(info.param)->pcKind);
                         });

// "out" and the bytes, zeros up to u32Size.
std::string strReport(uint32_t u32Size, Bytes bytes)
{
    bytes.resize(u32Size);
    std::string text = "out";
    char cByte[4];
    for (uint8_t u8 : bytes) {
        snprintf(cByte, sizeof(cByte), " %02X", u8);
        text += cByte;
    }
    return text;
}

// What each chip receives for a write of 8 bytes at 0x10 and a read of 16
// bytes from 0x20, at 0x50: what its datasheet describes, byte for byte.
TEST(BridgeReports, EachChipGetsItsDatasheetsReportsForAWriteAndARead)
{
    vClockUseVirtual(1);
    const Bytes write = {0x10, 1, 2, 3, 4, 5, 6, 7, 8};
    const struct {
        uint32_t u32Kind;
        Lines writeReports, readReports;
    } cases[] = {
        {BRIDGE_MCP2221,
         {strReport(65, {0x00, 0x90, 0x09, 0x00, 0xA0, 0x10, 1, 2, 3, 4, 5, 6, 7, 8}),
          strReport(65, {0x00, 0x10})},
         {strReport(65, {0x00, 0x94, 0x01, 0x00, 0xA0, 0x20}),
          strReport(65, {0x00, 0x93, 0x10, 0x00, 0xA1}), strReport(65, {0x00, 0x40})}},
        {BRIDGE_FT260,
         {strReport(13, {0xD2, 0x50, 0x06, 0x09, 0x10, 1, 2, 3, 4, 5, 6, 7, 8})},
         {strReport(5, {0xD0, 0x50, 0x02, 0x01, 0x20}), strReport(5, {0xC2, 0x50, 0x07, 0x10, 0x00})}},
        {BRIDGE_CP2112,
         {strReport(12, {0x14, 0xA0, 0x09, 0x10, 1, 2, 3, 4, 5, 6, 7, 8}), "out 15 01"},
         {strReport(21, {0x11, 0xA0, 0x00, 0x10, 0x01, 0x20}), "out 15 01", "out 12 00 10"}},
    };
    for (const auto &c : cases) {
        const stBridgeChip *pstChip = pstBridgeChip(c.u32Kind);
        FakeBridge chip(c.u32Kind);
        for (uint32_t i = 0; i < 16; i++)
            chip.mem.u8Mem[0x20 + i] = (uint8_t)(0xC0 + i);
        ASSERT_EQ(pstChip->pfnSetup(chip.Transport(), BRIDGE_DEFAULT_CLOCK_HZ), 0u);
        chip.TakeSent();
        EXPECT_EQ(pstChip->pfnWrite(chip.Transport(), 0x50, write.data(), 9), 0u);
        EXPECT_EQ(chip.TakeSent(), c.writeReports) << pstChip->pcKind;
        Sleep(10);
        uint8_t u8Buf[16] = {};
        EXPECT_EQ(pstChip->pfnRead(chip.Transport(), 0x50, 0x20, u8Buf, 16), 0u);
        EXPECT_EQ(chip.TakeSent(), c.readReports) << pstChip->pcKind;
        EXPECT_EQ(Bytes(u8Buf, u8Buf + 16), Bytes(chip.mem.u8Mem + 0x20, chip.mem.u8Mem + 0x30));
    }
    vClockUseVirtual(0);
}

// The setup reports: the clock at 100 kHz, and on the CP2112 the chip's own
// timeouts and a single try for a refused address.
TEST(BridgeReports, SetupSetsTheClockInEachChipsUnits)
{
    const struct {
        uint32_t u32Kind;
        Lines reports;
    } cases[] = {
        {BRIDGE_MCP2221, {strReport(65, {0x00, 0x10}), strReport(65, {0x00, 0x10, 0x00, 0x00, 0x20, 0x75})}},
        {BRIDGE_FT260, {"set A1 22 64 00"}},
        {BRIDGE_CP2112,
         {"out 15 01", "set 06 00 01 86 A0 02 00 00 64 00 64 01 00 01"}},
    };
    for (const auto &c : cases) {
        FakeBridge chip(c.u32Kind);
        EXPECT_EQ(pstBridgeChip(c.u32Kind)->pfnSetup(chip.Transport(), BRIDGE_DEFAULT_CLOCK_HZ), 0u);
        EXPECT_EQ(chip.TakeSent(), c.reports) << pstBridgeChip(c.u32Kind)->pcKind;
    }
    EXPECT_EQ(pstBridgeChipOf(0x04D8, 0x00DD), pstBridgeChip(BRIDGE_MCP2221));
    EXPECT_EQ(pstBridgeChipOf(0x0403, 0x6030), pstBridgeChip(BRIDGE_FT260));
    EXPECT_EQ(pstBridgeChipOf(0x10C4, 0xEA90), pstBridgeChip(BRIDGE_CP2112));
    EXPECT_EQ(pstBridgeChipOf(0x0403, 0x6001), nullptr);
}

} // namespace
