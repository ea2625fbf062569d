#include "device/platform_check.h"

#include "files/msg_log.h"
#include "platform/assist/AssistDll.h"

#include <stddef.h>

namespace {

struct stOsRange {
    uint8_t u8First;
    uint8_t u8Last;
    const char *pcName;
};

const stOsRange gst_OsRanges[] = {
    {11, 12, "Win 2K"},
    {16, 19, "Win XP"},
    {31, 39, "Win Vista"},
    {55, 63, "Win 7"},
    {ASSIST_OS_WIN8, ASSIST_OS_WIN8, "Win 8"},
    {ASSIST_OS_WIN81, ASSIST_OS_WIN81, "Win 8.1"},
    {ASSIST_OS_WIN10, ASSIST_OS_WIN10, "Win 10"},
    {ASSIST_OS_WIN11, ASSIST_OS_WIN11, "Win 11"},
#if !defined(_WIN32)
    // The program also runs on Linux, which the Windows codes never name.
    {ASSIST_OS_LINUX, ASSIST_OS_LINUX, "Linux"},
#endif
};

const char gc_UnknownOs[] = "Unknown OS";

const char *pcOsName(uint8_t u8Code)
{
    for (const stOsRange &range : gst_OsRanges) {
        if (u8Code >= range.u8First && u8Code <= range.u8Last)
            return range.pcName;
    }
    return gc_UnknownOs;
}

} // namespace

int32_t bCheckOsPlatform(void)
{
    uint8_t u8Code = GetOsVersion();
    uint8_t u8Is64 = Is64bitPlatform();
    const char *pcName = pcOsName(u8Code);
    if (pcName == gc_UnknownOs) {
        vPrintMsg("Warning ! Tavolin can only support Win 2K, Win XP, Win Vista and Win 7 !");
        return 0;
    }
    vPrintMsg("OS Platform Information : %s (%d bit) \n>", pcName, 32 + 32 * (int)u8Is64);
    return 1;
}
