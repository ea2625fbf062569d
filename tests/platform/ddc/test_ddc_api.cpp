// The library's entry points: start and stop, argument checks, options,
// enumeration, EDID reads and the identifier text.
#include "ddc_test_util.h"

#include <string.h>

#include "tests/support/test_env.h"

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);
const uint32_t H1 = DDC_BENCH_HANDLE(1);

TEST_F(DdcTest, BusOperationsFailUntilStartedAndAfterStopping)
{
    Bytes edid = lstEdid(0);
    s32DdcBenchAddDisplay(edid.data(), 128, 256);
    TempDir dir;
    uint32_t u32Handle = 7;
    uint8_t u8Buf[128];
    char cId[16];
    uint32_t u32Flags = 7;
    for (int s32Round = 0; s32Round < 2; s32Round++) {
        EXPECT_EQ(EnumGetFirst(&u32Handle), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(u32Handle, 0u);
        EXPECT_EQ(EnumGetNext(&u32Handle), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(ReadEDID(H0, u8Buf), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(ReadI2CBuf(H0, 0x50, u8Buf, 128, 0), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(WriteI2CBuf(H0, 0x50, u8Buf, 1, 0), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(GetOutputInfo(H0, DDC_INFO_FLAGS, &u32Flags), DDC_ERR_NOT_STARTED);
        EXPECT_EQ(u32Flags, 0u);
        // These need no started library.
        EXPECT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
        EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
        EXPECT_EQ(SetLibraryOption(3, 1), 0u);
        EXPECT_EQ(GetLibraryVersion(), 100u);
        EXPECT_EQ(GetEDIDOption(edid.data(), 1, cId, sizeof(cId)), 0u);
        EXPECT_EQ(DisableLog(), 0u);
        EXPECT_EQ(UninstallDriver(), 0u);
        ASSERT_EQ(InitDDCHelper(), 0u);
        EXPECT_EQ(TestAddr(H0, 0x50), 0u);
        ASSERT_EQ(DeinitDDCHelper(), 0u);
    }
}

TEST_F(DdcTest, BadPointersCountsHandlesAndFlagsGiveCodes)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    InitDDCHelper();
    uint8_t u8Buf[DDC_MAX_TRANSFER + 1];
    char cId[128];
    EXPECT_EQ(EnableLog(nullptr, 1), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(EnumGetFirst(nullptr), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(EnumGetNext(nullptr), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(ReadEDID(H0, nullptr), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(ReadI2CBuf(H0, 0x50, nullptr, 128, 0), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(WriteI2CBuf(H0, 0x50, nullptr, 9, 0), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(GetEDIDOption(nullptr, 1, cId, 128), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(GetEDIDOption(u8Buf, 1, nullptr, 128), DDC_ERR_NULL_POINTER);
    EXPECT_EQ(GetOutputInfo(H0, DDC_INFO_FLAGS, nullptr), DDC_ERR_NULL_POINTER);
    uint32_t u32Flags = 7;
    EXPECT_EQ(GetOutputInfo(H1, DDC_INFO_FLAGS, &u32Flags), DDC_ERR_BAD_HANDLE);
    EXPECT_EQ(u32Flags, 0u);
    u32Flags = 7;
    EXPECT_EQ(GetOutputInfo(H0, 5, &u32Flags), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(u32Flags, 0u);
    EXPECT_EQ(GetOutputInfo(H0, DDC_INFO_FLAGS, &u32Flags), 0u); // a simulated display's
    EXPECT_EQ(ReadI2CBuf(H0, 0x50, u8Buf, 0, 0), DDC_ERR_BAD_COUNT);
    EXPECT_EQ(ReadI2CBuf(H0, 0x50, u8Buf, DDC_MAX_TRANSFER + 1, 0), DDC_ERR_BAD_COUNT);
    EXPECT_EQ(WriteI2CBuf(H0, 0x50, u8Buf, 0, 0), DDC_ERR_BAD_COUNT);
    EXPECT_EQ(GetEDIDOption(u8Buf, 1, cId, 15), DDC_ERR_BAD_COUNT);
    EXPECT_EQ(TestAddr(H1, 0x50), DDC_ERR_BAD_HANDLE);
    EXPECT_EQ(TestAddr(0, 0x50), DDC_ERR_BAD_HANDLE);
    memset(u8Buf, 0xAA, 8);
    EXPECT_EQ(ReadI2CBuf(H1, 0x50, u8Buf, 4, 0), DDC_ERR_BAD_HANDLE);
    EXPECT_EQ(Bytes(u8Buf, u8Buf + 5), Bytes({0, 0, 0, 0, 0xAA})) << "cleared, not more";
    EXPECT_EQ(ReadI2CBuf(H0, 0x50, u8Buf, 1, 0x1), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(WriteI2CBuf(H0, 0x50, u8Buf, 1, 0x100), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(GetEDIDOption(u8Buf, 2, cId, 128), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(TestAddr(H0, 0x51), DDC_ERR_NO_ACK);
}

TEST_F(DdcTest, OptionsAcceptTheNineClockRatesAndOptionsTwoAndThree)
{
    for (uint32_t u32Rate : {10000u, 30000u, 50000u, 80000u, 100000u, 130000u, 150000u, 180000u,
                             200000u})
        EXPECT_EQ(SetLibraryOption(1, u32Rate), 0u) << u32Rate;
    EXPECT_EQ(SetLibraryOption(1, 100001), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(SetLibraryOption(1, 0), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(SetLibraryOption(2, 3000), 0u);
    EXPECT_EQ(SetLibraryOption(2, 0), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(SetLibraryOption(2, 60001), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(SetLibraryOption(3, 2), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(SetLibraryOption(0, 1), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(SetLibraryOption(4, 1), DDC_ERR_BAD_OPTION);

    // Option 3 at 0: the caller gives 8-bit wire addresses.
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    InitDDCHelper();
    ASSERT_EQ(SetLibraryOption(3, 0), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(TestAddr(H0, 0xA0), 0u);
    ASSERT_EQ(SetLibraryOption(3, 1), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
}

TEST_F(DdcTest, EnumerationGivesEveryOutputInOrder)
{
    uint32_t u32Handle = 0;
    InitDDCHelper();
    EXPECT_EQ(EnumGetFirst(&u32Handle), DDC_ERR_NO_MORE_OUTPUTS) << "no output at all";

    for (int i = 0; i < 12; i++)
        (i == 1) ? s32DdcBenchAddOutput() : s32DdcBenchAddDisplay(nullptr, 0, 256);
    std::vector<uint32_t> handles, answers;
    for (uint32_t r = EnumGetFirst(&u32Handle); r == 0; r = EnumGetNext(&u32Handle)) {
        handles.push_back(u32Handle);
        answers.push_back(TestAddr(u32Handle, 0x50));
    }
    ASSERT_EQ(handles.size(), 12u);
    for (uint32_t i = 0; i < 12; i++) {
        EXPECT_EQ(handles[i], DDC_BENCH_HANDLE(i));
        EXPECT_EQ(answers[i], i == 1 ? DDC_ERR_NO_ACK : 0u);
    }
    EXPECT_EQ(u32Handle, 0u) << "cleared at the end";
    EXPECT_EQ(EnumGetNext(&u32Handle), DDC_ERR_NO_MORE_OUTPUTS);
    EXPECT_EQ(EnumGetFirst(&u32Handle), 0u);
    EXPECT_EQ(u32Handle, H0) << "a new enumeration starts over";

    for (int i = 12; i < 16; i++)
        EXPECT_EQ(s32DdcBenchAddOutput(), i);
    EXPECT_EQ(s32DdcBenchAddOutput(), -1);
}

TEST_F(DdcTest, ReadEdidChecksHeaderAndChecksum)
{
    Bytes good = lstEdid(1), badHeader = good, badSum = good;
    badHeader[7] = 0x01;
    vFixChecksum(badHeader.data());
    badSum[127] ^= 1;
    for (const Bytes *p : {&good, &badHeader, &badSum})
        s32DdcBenchAddDisplay(p->data(), 256, 256);
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    s32DdcBenchAddOutput();
    InitDDCHelper();
    const uint32_t u32Expected[] = {0, DDC_ERR_INVALID_EDID, DDC_ERR_INVALID_EDID,
                                    DDC_ERR_INVALID_EDID, DDC_ERR_NO_ACK};
    const Bytes blank(128, 0xFF), zeros(128, 0);
    const Bytes *pExpected[] = {&good, &badHeader, &badSum, &blank, &zeros};
    for (uint32_t i = 0; i < 5; i++) {
        uint8_t u8Buf[1024];
        memset(u8Buf, 0xAA, sizeof(u8Buf));
        EXPECT_EQ(ReadEDID(DDC_BENCH_HANDLE(i), u8Buf), u32Expected[i]) << i;
        EXPECT_EQ(Bytes(u8Buf, u8Buf + 128), lstSlice(*pExpected[i], 0, 128)) << i;
        EXPECT_EQ(u8Buf[128], 0xAA) << "only the base block is written";
    }
}

TEST_F(DdcTest, ChainedReadGoesOnFromBlockZeroAndEndsWithTheLastChunk)
{
    Bytes edid = lstEdid(3);
    s32DdcBenchAddDisplay(edid.data(), 512, 512);
    InitDDCHelper();
    uint8_t u8Buf[1024];
    ASSERT_EQ(ReadEDID(H0, u8Buf), 0u);
    vDdcBenchLogClear();
    EXPECT_EQ(lstChainedRead(H0, 3), edid);

    std::vector<std::string> calls = lstDdcBenchCalls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0], "WriteI2CBuf(0x1000, 0x50, buf, 1, 0x0) = 0x0 : 00");
    const char *pcFlags[] = {"0x100", "0x1100", "0x1100", "0x1000"};
    for (uint32_t b = 0; b < 4; b++) {
        std::string hex;
        for (uint32_t i = 0; i < 128; i++) {
            char cByte[4];
            snprintf(cByte, sizeof(cByte), " %02X", edid[b * 128 + i]);
            hex += cByte;
        }
        EXPECT_EQ(calls[1 + b],
                  std::string("ReadI2CBuf(0x1000, 0x50, buf, 128, ") + pcFlags[b] + ") = 0x0 :" + hex);
    }
    uint32_t u32Result = 0;
    lstRead(H0, 128, 0x1000, &u32Result);
    EXPECT_EQ(u32Result, DDC_ERR_NO_OPEN_READ) << "0x1000 ended the transfer";
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    lstRead(H0, 128, 0x1100, &u32Result);
    EXPECT_EQ(u32Result, DDC_ERR_NO_OPEN_READ);
}

TEST_F(DdcTest, IdentifierIsMakerLettersAndProductCodeWithinSixteenBytes)
{
    Bytes edid = lstEdid(0);
    char cId[128];
    memset(cId, '#', sizeof(cId));
    ASSERT_EQ(GetEDIDOption(edid.data(), 1, cId, sizeof(cId)), 0u);
    EXPECT_STREQ(cId, "DEL40F3");
    EXPECT_EQ(cId[15], '\0');
    EXPECT_EQ(cId[16], '#') << "nothing beyond the 16 bytes the program holds";

    // Letter codes 0 and 27 to 31 fall back to '0'; product in upper-case hex.
    const struct {
        uint8_t u8Maker[2], u8Product[2];
        const char *pcId;
    } cases[] = {{{0x00, 0x00}, {0x00, 0x00}, "0000000"},
                 {{0x72, 0xA1}, {0xAD, 0x36}, "0UA36AD"},
                 {{0x21, 0xFF}, {0xA0, 0x46}, "HO046A0"},
                 {{0xFF, 0xFF}, {0xFF, 0xFF}, "000FFFF"},
                 {{0x04, 0x21}, {0x0B, 0xA0}, "AAAA00B"}};
    for (const auto &c : cases) {
        edid[8] = c.u8Maker[0];
        edid[9] = c.u8Maker[1];
        edid[10] = c.u8Product[0];
        edid[11] = c.u8Product[1];
        ASSERT_EQ(GetEDIDOption(edid.data(), 1, cId, 16), 0u);
        EXPECT_STREQ(cId, c.pcId);
    }
    EXPECT_EQ(GetEDIDOption(edid.data(), 3, cId, 16), DDC_ERR_BAD_OPTION);
    EXPECT_STREQ(cId, "");
}

} // namespace
