// The Windows version as GetOsVersion's 8-bit code, from the system's major,
// minor and build numbers. Plain C++, so the Linux tests check it.
#ifndef OS_CODE_H
#define OS_CODE_H

#include "platform/assist/AssistDll.h"

#include <stdint.h>

// Outside every range the program knows.
#define ASSIST_OS_UNKNOWN 0u
// Windows 11 kept the version 10.0; only its build number tells it apart.
#define ASSIST_WIN11_FIRST_BUILD 22000u

inline uint8_t u8OsCodeOf(uint32_t u32Major, uint32_t u32Minor, uint32_t u32Build)
{
    // 5.0 -> 11, 5.1/5.2 -> 16/17, 6.0 -> 31, 6.1 -> 55.
    if (u32Major == 5 && u32Minor <= 2)
        return u32Minor == 0 ? 11 : (uint8_t)(15 + u32Minor);
    if (u32Major == 6 && u32Minor <= 3) {
        const uint8_t u8Codes[] = {31, 55, ASSIST_OS_WIN8, ASSIST_OS_WIN81};
        return u8Codes[u32Minor];
    }
    if (u32Major == 10 && u32Minor == 0)
        return u32Build >= ASSIST_WIN11_FIRST_BUILD ? ASSIST_OS_WIN11 : ASSIST_OS_WIN10;
    return ASSIST_OS_UNKNOWN;
}

#endif
