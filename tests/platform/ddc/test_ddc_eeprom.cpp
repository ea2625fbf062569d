// The display memory behaves like the serial EEPROM it stands for.
#include "ddc_test_util.h"

#include "platform/clock/PlatformClock.h"

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);

TEST_F(DdcTest, SequentialReadContinuesFromTheCounterAndWrapsAt256)
{
    Bytes mem = lstPattern(256);
    s32DdcBenchAddDisplay(mem.data(), 256, 256);
    InitDDCHelper();
    ASSERT_EQ(u32Write(H0, {0xF0}), 0u);
    Bytes expected = lstSlice(mem, 0xF0, 16);
    Bytes head = lstSlice(mem, 0, 16);
    expected.insert(expected.end(), head.begin(), head.end());
    EXPECT_EQ(lstRead(H0, 32, 0), expected);
    EXPECT_EQ(lstRead(H0, 4, 0), lstSlice(mem, 0x10, 4)); // a new read goes on from the counter
}

TEST_F(DdcTest, LargerPartReadsThroughAllOfItButAddressesOnlyTheFirst256Bytes)
{
    Bytes mem = lstPattern(2048, 1);
    s32DdcBenchAddDisplay(mem.data(), 2048, 2048);
    InitDDCHelper();
    EXPECT_EQ(lstChainedRead(H0, 15), mem);
    EXPECT_EQ(lstRead(H0, 4, 0), lstSlice(mem, 0, 4)); // wrapped at 2048

    ASSERT_EQ(u32Write(H0, {0xF8, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    Bytes now = lstDdcBenchMemory(0);
    EXPECT_EQ(lstSlice(now, 0xF8, 8), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(lstSlice(now, 0x100, 0x700), lstSlice(mem, 0x100, 0x700));
}

TEST_F(DdcTest, PageWriteWrapsInsideItsEightBytePage)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    InitDDCHelper();
    ASSERT_EQ(u32Write(H0, {0x0D, 1, 2, 3, 4, 5}), 0u);
    Bytes mem = lstDdcBenchMemory(0);
    EXPECT_EQ(lstSlice(mem, 0, 24),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 4, 5, 0xFF, 0xFF, 0xFF, 1, 2, 3,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

    Sleep(5);
    // Ten data bytes: the last two come round again over the first two.
    ASSERT_EQ(u32Write(H0, {0x10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 0u);
    EXPECT_EQ(lstSlice(lstDdcBenchMemory(0), 0x10, 9), Bytes({9, 10, 3, 4, 5, 6, 7, 8, 0xFF}));
    Sleep(5);
    // The counter stays in the page after the last byte written.
    EXPECT_EQ(lstRead(H0, 2, 0), Bytes({3, 4}));
}

TEST_F(DdcTest, WriteCycleSilencesTheMemoryForFiveMilliseconds)
{
    Bytes mem = lstEdid(0);
    s32DdcBenchAddDisplay(mem.data(), 128, 256);
    InitDDCHelper();
    ASSERT_EQ(u32Write(H0, {0x00}), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u) << "setting the address is no write cycle";

    // The library polls a silent memory every millisecond (see
    // test_ddc_polling.cpp): the pauses show how long it stays silent.
    ASSERT_EQ(u32Write(H0, {0x80, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    vClockResetPauses();
    vClockAdvance(4);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(u32ClockPauseCount(), 1u) << "silent 4 ms after the write";
    ASSERT_EQ(u32Write(H0, {0x88, 9}), 0u);
    vClockAdvance(5);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(u32ClockPauseCount(), 1u) << "answering 5 ms after it";
    EXPECT_EQ(lstSlice(lstDdcBenchMemory(0), 0x80, 9), Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // The program's pause before every packet is enough: nothing is polled.
    vClockResetPauses();
    for (uint8_t u8Addr = 0x90; u8Addr < 0xB0; u8Addr += 8) {
        Sleep(50);
        EXPECT_EQ(u32Write(H0, {u8Addr, 0, 0, 0, 0, 0, 0, 0, 0}), 0u);
    }
    EXPECT_EQ(u32ClockPauseCount(), 4u);
    EXPECT_EQ(u64ClockPauseSumMs(), 200u);
}

TEST_F(DdcTest, WriteProtectAcknowledgesButChangesNothing)
{
    Bytes mem = lstPattern(512);
    s32DdcBenchAddDisplay(mem.data(), 512, 512);
    vDdcBenchSetWriteProtect(0, 1);
    InitDDCHelper();
    EXPECT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    EXPECT_EQ(lstDdcBenchMemory(0), mem);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u) << "no write cycle starts";
    EXPECT_EQ(lstRead(H0, 2, 0), lstSlice(mem, 0, 2)) << "the counter wrapped in the page";
}

} // namespace
