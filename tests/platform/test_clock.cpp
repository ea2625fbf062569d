#include <gtest/gtest.h>

#include "platform/clock/PlatformClock.h"

namespace {

TEST(VirtualClock, PausesAreRecordedAndAdvanceTimeWithoutWaiting)
{
    vClockUseVirtual(1);
    uint64_t u64Start = u64ClockNowMs();
    Sleep(20);
    Sleep(50);
    Sleep(3600000);
    EXPECT_EQ(u32ClockPauseCount(), 3u);
    EXPECT_EQ(u64ClockPauseSumMs(), 3600070u);
    EXPECT_EQ(u32ClockPauseAt(1), 50u);
    EXPECT_EQ(u32ClockPauseAt(3), 0u);
    EXPECT_EQ(u64ClockNowMs() - u64Start, 3600070u);
    vClockAdvance(5);
    EXPECT_EQ(u64ClockNowMs() - u64Start, 3600075u);
    EXPECT_EQ(u32ClockPauseCount(), 3u);
    vClockResetPauses();
    EXPECT_EQ(u32ClockPauseCount(), 0u);
    EXPECT_EQ(u64ClockPauseSumMs(), 0u);
}

TEST(VirtualClock, HookRunsAfterEveryPause)
{
    vClockUseVirtual(1);
    static uint32_t u32Seen = 0;
    vClockSetPauseHook([](uint32_t u32Ms, void *) { u32Seen += u32Ms; }, nullptr);
    Sleep(20);
    Sleep(50);
    vClockSetPauseHook(nullptr, nullptr);
    Sleep(50);
    EXPECT_EQ(u32Seen, 70u);
}

} // namespace
