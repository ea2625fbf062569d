#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <time.h>
#endif

#include "PlatformClock.h"

namespace {

int32_t gs32_Virtual = 0;
uint64_t gu64_VirtualNowMs = 0;
uint32_t gu32_VirtualUs = 0; // below a millisecond, spent on the wire
uint32_t gu32_PauseCount = 0;
uint64_t gu64_PauseSumMs = 0;
uint32_t gu32_PauseRecord[CLOCK_PAUSE_RECORD];
ClockPauseHook gpfn_PauseHook = nullptr;
void *gpv_PauseHookContext = nullptr;

#if defined(_WIN32)

uint64_t u64RealNowUnits(uint64_t u64PerSecond)
{
    LARGE_INTEGER stCount, stFrequency;
    QueryPerformanceCounter(&stCount);
    QueryPerformanceFrequency(&stFrequency);
    uint64_t u64Count = (uint64_t)stCount.QuadPart, u64Hz = (uint64_t)stFrequency.QuadPart;
    return u64Count / u64Hz * u64PerSecond + u64Count % u64Hz * u64PerSecond / u64Hz;
}

uint64_t u64RealNowMs() { return u64RealNowUnits(1000u); }

uint64_t u64RealNowUs() { return u64RealNowUnits(1000000u); }

void vRealSleep(uint32_t u32Milliseconds) { SleepEx(u32Milliseconds, FALSE); }

#else

uint64_t u64RealNowMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

uint64_t u64RealNowUs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000u + (uint64_t)now.tv_nsec / 1000u;
}

void vRealSleep(uint32_t u32Milliseconds)
{
    struct timespec wait;
    wait.tv_sec = u32Milliseconds / 1000u;
    wait.tv_nsec = (long)(u32Milliseconds % 1000u) * 1000000L;
    while (nanosleep(&wait, &wait) != 0) {
    }
}

#endif

// Sleeping is too coarse for a transfer's microseconds: the last
// millisecond is spun out.
void vRealSpendUs(uint32_t u32Microseconds)
{
    uint64_t u64End = u64RealNowUs() + u32Microseconds;
    if (u32Microseconds >= 2000u)
        vRealSleep(u32Microseconds / 1000u - 1u);
    while (u64RealNowUs() < u64End) {
    }
}

} // namespace

void Sleep(uint32_t u32Milliseconds)
{
    if (!gs32_Virtual) {
        vRealSleep(u32Milliseconds);
        return;
    }
    if (gu32_PauseCount < CLOCK_PAUSE_RECORD)
        gu32_PauseRecord[gu32_PauseCount] = u32Milliseconds;
    gu32_PauseCount++;
    gu64_PauseSumMs += u32Milliseconds;
    gu64_VirtualNowMs += u32Milliseconds;
    if (gpfn_PauseHook)
        gpfn_PauseHook(u32Milliseconds, gpv_PauseHookContext);
}

uint64_t u64ClockNowMs(void)
{
    return gs32_Virtual ? gu64_VirtualNowMs : u64RealNowMs();
}

uint64_t u64ClockNowUs(void)
{
    return gs32_Virtual ? gu64_VirtualNowMs * 1000u + gu32_VirtualUs : u64RealNowUs();
}

void vClockSpendUs(uint32_t u32Microseconds)
{
    if (!gs32_Virtual) {
        vRealSpendUs(u32Microseconds);
        return;
    }
    uint64_t u64Us = (uint64_t)gu32_VirtualUs + u32Microseconds;
    gu64_VirtualNowMs += u64Us / 1000u;
    gu32_VirtualUs = (uint32_t)(u64Us % 1000u);
}

void vClockUseVirtual(int32_t s32On)
{
    gs32_Virtual = s32On ? 1 : 0;
    gu64_VirtualNowMs = 1000000u;
    gu32_VirtualUs = 0;
    vClockResetPauses();
}

int32_t bClockIsVirtual(void) { return gs32_Virtual; }

void vClockAdvance(uint32_t u32Milliseconds) { gu64_VirtualNowMs += u32Milliseconds; }

uint32_t u32ClockPauseCount(void) { return gu32_PauseCount; }

uint64_t u64ClockPauseSumMs(void) { return gu64_PauseSumMs; }

uint32_t u32ClockPauseAt(uint32_t u32Index)
{
    if (u32Index >= gu32_PauseCount || u32Index >= CLOCK_PAUSE_RECORD)
        return 0;
    return gu32_PauseRecord[u32Index];
}

void vClockResetPauses(void)
{
    gu32_PauseCount = 0;
    gu64_PauseSumMs = 0;
}

void vClockSetPauseHook(ClockPauseHook pfnHook, void *pvContext)
{
    gpfn_PauseHook = pfnHook;
    gpv_PauseHookContext = pvContext;
}
