#include "AssistDll.h"

#if defined(_WIN32)
#include <windows.h>
#endif

// Outside every range the program knows (11-12, 16-19, 31-39, 55-63, Linux).
#define ASSIST_OS_UNKNOWN 0u

uint8_t GetOsVersion(void)
{
#if defined(_WIN32)
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return ASSIST_OS_UNKNOWN;
    // Major and minor folded into one code: 5.0 -> 11, 5.1/5.2 -> 16/17,
    // 6.0 -> 31, 6.1 -> 55.
    if (info.dwMajorVersion == 5)
        return info.dwMinorVersion == 0 ? 11 : (uint8_t)(15 + info.dwMinorVersion);
    if (info.dwMajorVersion == 6 && info.dwMinorVersion == 0)
        return 31;
    if (info.dwMajorVersion == 6 && info.dwMinorVersion == 1)
        return 55;
    return 70;
#elif defined(__linux__)
    return ASSIST_OS_LINUX;
#else
    return ASSIST_OS_UNKNOWN;
#endif
}

uint8_t Is64bitPlatform(void)
{
    return sizeof(void *) == 8 ? 1 : 0;
}
