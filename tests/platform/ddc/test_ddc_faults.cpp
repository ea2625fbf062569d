// Faults set per display or on the bench, as the device tests use them.
#include "ddc_test_util.h"

#include "platform/clock/PlatformClock.h"

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);
const uint32_t CODE = 0x70000021u;

TEST_F(DdcTest, DisplayThatDoesNotAnswerFailsEveryTransfer)
{
    Bytes edid = lstEdid(0);
    s32DdcBenchAddDisplay(edid.data(), 128, 256);
    vDdcBenchSetNoAnswer(0, 1);
    InitDDCHelper();
    uint8_t u8Buf[128];
    uint32_t u32Result = 0;
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(ReadEDID(H0, u8Buf), DDC_ERR_NO_ACK);
    EXPECT_EQ(u32Write(H0, {0x00}), DDC_ERR_NO_ACK);
    lstRead(H0, 128, 0x100, &u32Result);
    EXPECT_EQ(u32Result, DDC_ERR_NO_ACK);
    vDdcBenchSetNoAnswer(0, 0);
    EXPECT_EQ(ReadEDID(H0, u8Buf), 0u);
}

TEST_F(DdcTest, ReadEdidFaultGivesItsCodeWhileRawReadsStillWork)
{
    Bytes edid = lstEdid(0);
    s32DdcBenchAddDisplay(edid.data(), 128, 256);
    vDdcBenchSetReadEdidFault(0, CODE);
    InitDDCHelper();
    uint8_t u8Buf[128];
    EXPECT_EQ(ReadEDID(H0, u8Buf), CODE);
    EXPECT_EQ(Bytes(u8Buf, u8Buf + 128), Bytes(128, 0));
    EXPECT_EQ(lstChainedRead(H0, 0), edid);

    // Given as DDC_ERR_INVALID_EDID, the block is still read.
    vDdcBenchSetReadEdidFault(0, DDC_ERR_INVALID_EDID);
    EXPECT_EQ(ReadEDID(H0, u8Buf), DDC_ERR_INVALID_EDID);
    EXPECT_EQ(Bytes(u8Buf, u8Buf + 128), edid);
}

TEST_F(DdcTest, ExtensionChunkFaultBreaksOffTheChainedRead)
{
    Bytes edid = lstEdid(3);
    s32DdcBenchAddDisplay(edid.data(), 512, 512);
    vDdcBenchSetExtFault(0, 2, CODE);
    InitDDCHelper();
    for (int s32Try = 0; s32Try < 2; s32Try++) {
        uint32_t u32Result = 0;
        u32Write(H0, {0x00});
        EXPECT_EQ(lstRead(H0, 128, 0x100), lstSlice(edid, 0, 128));
        EXPECT_EQ(lstRead(H0, 128, 0x1100), lstSlice(edid, 128, 128));
        lstRead(H0, 128, 0x1100, &u32Result);
        EXPECT_EQ(u32Result, CODE) << "the chunk carrying block 2";
        lstRead(H0, 128, 0x1000, &u32Result);
        EXPECT_EQ(u32Result, DDC_ERR_NO_OPEN_READ);
    }
    vDdcBenchSetExtFault(0, 2, 0);
    EXPECT_EQ(lstChainedRead(H0, 3), edid);
}

TEST_F(DdcTest, WritePacketFaultFailsThatPacketOnly)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    vDdcBenchSetWriteFault(0, 5, CODE);
    InitDDCHelper();
    EXPECT_EQ(u32Write(H0, {0x00}), 0u) << "an address alone is no packet";
    std::vector<uint32_t> results;
    for (uint8_t u8Packet = 0; u8Packet < 7; u8Packet++) {
        Sleep(50);
        Bytes packet(9, u8Packet);
        packet[0] = (uint8_t)(u8Packet * 8);
        results.push_back(u32Write(H0, packet));
    }
    EXPECT_EQ(results, std::vector<uint32_t>({0, 0, 0, 0, CODE, 0, 0}));
    Bytes mem = lstDdcBenchMemory(0);
    EXPECT_EQ(lstSlice(mem, 24, 24), Bytes({3, 3, 3, 3, 3, 3, 3, 3, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 5, 5, 5, 5, 5, 5, 5, 5}));

    // Counting starts again with the library.
    DeinitDDCHelper();
    InitDDCHelper();
    results.clear();
    for (int i = 0; i < 5; i++) {
        Sleep(50);
        results.push_back(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}));
    }
    EXPECT_EQ(results, std::vector<uint32_t>({0, 0, 0, 0, CODE}));
}

TEST_F(DdcTest, EnumerationFaultGivesItsCode)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    vDdcBenchSetEnumFault(CODE);
    InitDDCHelper();
    uint32_t u32Handle = 5;
    EXPECT_EQ(EnumGetFirst(&u32Handle), CODE);
    EXPECT_EQ(u32Handle, 0u);
    vDdcBenchSetEnumFault(0);
    EXPECT_EQ(EnumGetFirst(&u32Handle), 0u);
    EXPECT_EQ(u32Handle, H0);
}

// Any code, even ones the library never gives, so callers' error tests are
// tried on every bit pattern; the failed call changes no option.
TEST_F(DdcTest, OptionFaultGivesItsCodeAndChangesNothing)
{
    Bytes edid = lstEdid(0);
    s32DdcBenchAddDisplay(edid.data(), 128, 256);
    InitDDCHelper();
    vDdcBenchSetOptionFault(0x70000014u);
    EXPECT_EQ(SetLibraryOption(DDC_OPT_ADDR_7BIT, 0), 0x70000014u);
    vDdcBenchSetOptionFault(0);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u); // still 7-bit addresses
    EXPECT_EQ(SetLibraryOption(DDC_OPT_ADDR_7BIT, 0), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
}

} // namespace
