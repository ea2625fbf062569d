// Acknowledge polling through a memory's write cycle, and the time the
// simulated bus spends on the wire, on the virtual clock.
#include "ddc_test_util.h"

#include <algorithm>

#include "platform/clock/PlatformClock.h"
#include "tests/support/test_env.h"

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);
const uint32_t H1 = DDC_BENCH_HANDLE(1);
const Bytes PACKET = {0x80, 1, 2, 3, 4, 5, 6, 7, 8};
const std::string POLL0 = "Poll(0x1000, 0x50) = 0x7000000B";

std::vector<std::string> lstPolls(uint32_t u32Count, const std::string &poll = POLL0)
{
    return std::vector<std::string>(u32Count, poll);
}

// Every pause recorded is one poll's millisecond.
uint32_t u32OneMsPauses()
{
    uint32_t u32Count = 0;
    for (uint32_t i = 0; i < u32ClockPauseCount(); i++)
        u32Count += u32ClockPauseAt(i) == 1u;
    return u32Count == u32ClockPauseCount() ? u32Count : 0xFFFFFFFFu;
}

// At 100 kHz a poll not acknowledged costs 110 us on the wire besides its
// millisecond: tries come 1.11 ms apart from the write's end.
TEST_F(DdcTest, TransfersInAWriteCycleArePolledUntilTheMemoryAnswersOrTwentyFiveMsPass)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    s32DdcBenchAddOutput();
    InitDDCHelper();
    vDdcBenchLogClear();
    vDdcBenchWireClear();
    uint64_t u64Start = u64ClockNowUs();
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    EXPECT_EQ(lstRead(H0, 8, 0), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    std::vector<std::string> expected = {
        "WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x0 : 80 01 02 03 04 05 06 07 08"};
    std::vector<std::string> polls = lstPolls(5);
    expected.insert(expected.end(), polls.begin(), polls.end());
    expected.push_back("ReadI2CBuf(0x1000, 0x50, buf, 8, 0x0) = 0x0 : 01 02 03 04 05 06 07 08");
    EXPECT_EQ(lstDdcBenchCalls(), expected);
    EXPECT_EQ(u32OneMsPauses(), 5u);
    EXPECT_EQ(u64DdcBenchWireUs(), 920u + 5u * 110u + 830u);
    EXPECT_EQ(u64ClockNowUs() - u64Start, 920u + 5u * 1110u + 830u);
    EXPECT_EQ(u32DdcBenchWireWrites(), 1u);

    // Back to back, each packet waits out the cycle of the one before.
    vDdcBenchLogClear();
    vClockResetPauses();
    for (int i = 0; i < 3; i++)
        ASSERT_EQ(u32Write(H0, PACKET), 0u);
    EXPECT_EQ(u32DdcBenchLogCount(), 3u + 2u * 5u);
    EXPECT_EQ(u32OneMsPauses(), 10u);
    EXPECT_EQ(u32DdcBenchWireWrites(), 4u);

    // A memory silent for longer: tries up to 25 ms after the write, then
    // the call fails, and the next one at once.
    vDdcBenchSetWriteCycle(0, 1000);
    ASSERT_EQ(TestAddr(H0, 0x50), 0u); // the last cycle polled out first
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    vDdcBenchLogClear();
    vClockResetPauses();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), DDC_ERR_NO_ACK);
    expected = lstPolls(23);
    expected.push_back("ReadEDID(0x1000, buf) = 0x7000000B");
    EXPECT_EQ(lstDdcBenchCalls(), expected);
    EXPECT_EQ(u32OneMsPauses(), 23u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(u32DdcBenchLogCount(), 25u);
    EXPECT_EQ(u32ClockPauseCount(), 23u);

    // Outside a write cycle's 25 ms, at another address, on another output,
    // or after a write that failed, nothing is tried again.
    ASSERT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
    vDdcBenchSetWriteCycle(0, 0);
    vClockAdvance(1000);
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    vDdcBenchSetNoAnswer(0, 1);
    vClockAdvance(25); // a try begun 25 ms after the write is the last
    vDdcBenchLogClear();
    vClockResetPauses();
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
    vDdcBenchSetNoAnswer(0, 0);
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    vDdcBenchSetNoAnswer(0, 1);
    EXPECT_EQ(TestAddr(H0, 0x37), DDC_ERR_NO_ACK);
    EXPECT_EQ(TestAddr(H1, 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(u32Write(H1, PACKET), DDC_ERR_NO_ACK);
    EXPECT_EQ(TestAddr(H1, 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(u32DdcBenchLogCount(), 6u);
    EXPECT_EQ(u32ClockPauseCount(), 0u);
}

// A loaded PC may pause the process right after a refused try: that try
// asked within the window, so one more comes after it, for a packet written
// or read after a write. Only a memory still silent then fails the call.
TEST_F(DdcTest, APauseAfterARefusedTryInTheWriteCycleIsFollowedByOneMoreTry)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    InitDDCHelper();
    const Bytes packet2 = {0x88, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    vDdcBenchLogClear();
    vClockResetPauses();
    vDdcBenchSetNakStall(0, 100);
    EXPECT_EQ(lstRead(H0, 8, 0), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    vDdcBenchSetNakStall(0, 100);
    EXPECT_EQ(u32Write(H0, packet2), 0u);
    EXPECT_EQ(lstDdcBenchCalls(),
              (std::vector<std::string>{
                  POLL0, "ReadI2CBuf(0x1000, 0x50, buf, 8, 0x0) = 0x0 : 01 02 03 04 05 06 07 08",
                  "WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x0 : 80 01 02 03 04 05 06 07 08",
                  POLL0,
                  "WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x0 : 88 09 0A 0B 0C 0D 0E 0F 10"}));
    EXPECT_EQ(u32OneMsPauses(), 2u);
    EXPECT_EQ(lstSlice(lstDdcBenchMemory(0), 0x80, 16),
              Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));

    vDdcBenchSetWriteCycle(0, 1000);
    ASSERT_EQ(u32Write(H0, PACKET), 0u);
    vDdcBenchSetNakStall(0, 100);
    vDdcBenchLogClear();
    EXPECT_EQ(u32Write(H0, PACKET), DDC_ERR_NO_ACK);
    EXPECT_EQ(lstDdcBenchCalls(),
              (std::vector<std::string>{
                  POLL0, "WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x7000000B : 80 01 02 03 04 05 "
                         "06 07 08"}));
}

TEST_F(DdcTest, WriteCycleComesFromTheDescription)
{
    TempDir dir;
    std::string bench = dir.file("bench.txt");
    vWriteFile(bench, "[output]\nedid = blank\nwrite_cycle_ms = 10\n"
                      "[output]\nedid = blank\nwrite_cycle_ms = 0\n"
                      "[output]\nedid = blank\nwrite_cycle_ms = 1001\n");
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    ASSERT_EQ(u32DdcBenchLoadDescription(bench.c_str()), 3u);
    InitDDCHelper();
    vDdcBenchLogClear();
    for (uint32_t i = 0; i < 3; i++) {
        ASSERT_EQ(u32Write(DDC_BENCH_HANDLE(i), PACKET), 0u);
        ASSERT_EQ(TestAddr(DDC_BENCH_HANDLE(i), 0x50), 0u);
    }
    DisableLog();
    std::vector<std::string> calls = lstDdcBenchCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), POLL0), 10);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Poll(0x1001, 0x50) = 0x7000000B"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Poll(0x1002, 0x50) = 0x7000000B"), 5);
    EXPECT_EQ(calls.size(), 7u + 15u); // with DisableLog
    std::string log = strLogLines(dir.file("log.txt"));
    EXPECT_NE(log.find(bench + ":9: bad value \"1001\" for write_cycle_ms (ignored)\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Poll"), std::string::npos) << "polls stay out of the library log";
}

// (1 address byte + 9) x 9 bits + start and stop: 92 bit times.
TEST_F(DdcTest, ANineByteWriteTakesItsBitsOnTheWireAtTheBusClock)
{
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    InitDDCHelper();
    const uint32_t au32Hz[] = {100000u, 10000u, 30000u};
    const uint64_t au64Us[] = {920u, 9200u, 3066u};
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(SetLibraryOption(DDC_OPT_CLOCK_HZ, au32Hz[i]), 0u);
        vClockAdvance(30);
        vDdcBenchWireClear();
        vClockResetPauses();
        uint64_t u64Start = u64ClockNowUs();
        ASSERT_EQ(u32Write(H0, PACKET), 0u);
        EXPECT_EQ(u64DdcBenchWireUs(), au64Us[i]) << au32Hz[i];
        EXPECT_EQ(u64ClockNowUs() - u64Start, au64Us[i]) << au32Hz[i];
        EXPECT_EQ(u32ClockPauseCount(), 0u) << "wire time is no pause";
    }
    // A millisecond of the clock once enough has added up.
    uint64_t u64Ms = u64ClockNowMs();
    vClockSpendUs(999u - (uint32_t)(u64ClockNowUs() % 1000u));
    EXPECT_EQ(u64ClockNowMs(), u64Ms);
    vClockSpendUs(1);
    EXPECT_EQ(u64ClockNowMs(), u64Ms + 1u);
}

} // namespace
