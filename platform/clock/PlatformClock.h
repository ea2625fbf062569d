// Platform clock: the one place where the program and the bus library pause
// or read the time. The program runs on the real clock; tests switch to a
// virtual clock that advances by each requested pause without waiting.
#ifndef PLATFORM_CLOCK_H
#define PLATFORM_CLOCK_H

#include <stdint.h>

#if defined(PLATFORM_CLOCK_BUILT_IN)
#define CLOCK_API // compiled into the library that uses it, not exported
#elif defined(_WIN32)
#define CLOCK_API __declspec(dllexport)
#else
#define CLOCK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Pauses the calling thread for u32Milliseconds (the Windows call of that name).
#if defined(_WIN32)
// kernel32 exports a Sleep of its own, and on 64-bit Windows, where calls
// carry no decoration, the two would be one symbol: the clock's is
// vClockSleep there. A file that also includes windows.h includes it first.
CLOCK_API void vClockSleep(uint32_t u32Milliseconds);
#define Sleep vClockSleep
#else
CLOCK_API void Sleep(uint32_t u32Milliseconds);
#endif

// Milliseconds since an arbitrary start, on whichever clock is in use.
CLOCK_API uint64_t u64ClockNowMs(void);
// The same in microseconds, for spans shorter than a millisecond.
CLOCK_API uint64_t u64ClockNowUs(void);
// Time a transfer takes on the wire: the real clock waits it out (sleeping
// whole milliseconds, spinning the rest); the virtual clock moves on by it,
// a whole millisecond once enough has added up, and records no pause.
CLOCK_API void vClockSpendUs(uint32_t u32Microseconds);

// --- Test seams ---------------------------------------------------------
// Virtual clock on (1) or off (0). Switching resets the pause record.
CLOCK_API void vClockUseVirtual(int32_t s32On);
CLOCK_API int32_t bClockIsVirtual(void);
// Moves the virtual clock forward without recording a pause.
CLOCK_API void vClockAdvance(uint32_t u32Milliseconds);
// Number of pauses and their sum since the last reset.
CLOCK_API uint32_t u32ClockPauseCount(void);
CLOCK_API uint64_t u64ClockPauseSumMs(void);
// Length of pause number u32Index (0 first) of the last reset; 0 beyond the
// record, which keeps the first CLOCK_PAUSE_RECORD pauses.
CLOCK_API uint32_t u32ClockPauseAt(uint32_t u32Index);
CLOCK_API void vClockResetPauses(void);
// Called after every virtual pause (null to remove); lets a test act "while"
// an operation waits, for example close a panel during a write.
typedef void (*ClockPauseHook)(uint32_t u32Milliseconds, void *pvContext);
CLOCK_API void vClockSetPauseHook(ClockPauseHook pfnHook, void *pvContext);

#define CLOCK_PAUSE_RECORD 65536

#ifdef __cplusplus
}
#endif

#endif
