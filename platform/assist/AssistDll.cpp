#include "AssistDll.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <string.h>
#include <sys/utsname.h>
#endif

// Outside every range the program knows (11-12, 16-19, 31-39, 55-63, Linux).
#define ASSIST_OS_UNKNOWN 0u

#if defined(_WIN32)
namespace {

// GetVersionEx tells a program without a manifest of newer systems that it
// runs on 6.2 (Windows 8); ntdll's RtlGetVersion tells the truth.
typedef LONG(WINAPI *RtlGetVersionCall)(OSVERSIONINFOW *);

bool bRealVersion(DWORD *pu32Major, DWORD *pu32Minor)
{
    HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    RtlGetVersionCall pfnGetVersion =
        hNtdll ? (RtlGetVersionCall)(void *)GetProcAddress(hNtdll, "RtlGetVersion") : nullptr;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!pfnGetVersion || pfnGetVersion(&info) != 0)
        return false;
    *pu32Major = info.dwMajorVersion;
    *pu32Minor = info.dwMinorVersion;
    return true;
}

} // namespace
#endif

uint8_t GetOsVersion(void)
{
#if defined(_WIN32)
    DWORD u32Major = 0, u32Minor = 0;
    if (!bRealVersion(&u32Major, &u32Minor))
        return ASSIST_OS_UNKNOWN;
    // Major and minor folded into one code: 5.0 -> 11, 5.1/5.2 -> 16/17,
    // 6.0 -> 31, 6.1 -> 55.
    if (u32Major == 5)
        return u32Minor == 0 ? 11 : (uint8_t)(15 + u32Minor);
    if (u32Major == 6 && u32Minor == 0)
        return 31;
    if (u32Major == 6 && u32Minor == 1)
        return 55;
    return 70;
#elif defined(__linux__)
    return ASSIST_OS_LINUX;
#else
    return ASSIST_OS_UNKNOWN;
#endif
}

// The system's word size, not the program's: a 32-bit program on a 64-bit
// system is told 1, as Windows tells it through WOW64.
uint8_t Is64bitPlatform(void)
{
#if defined(_WIN32)
    if (sizeof(void *) == 8)
        return 1;
    BOOL bWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &bWow64) && bWow64 ? 1 : 0;
#else
    struct utsname stName;
    if (uname(&stName) != 0)
        return 0;
    const char *const pcMachines64[] = {"x86_64", "aarch64", "ppc64", "ppc64le", "s390x",
                                        "riscv64", "mips64", "loongarch64", "sparc64"};
    for (const char *pcMachine : pcMachines64) {
        if (strcmp(stName.machine, pcMachine) == 0)
            return 1;
    }
    return 0;
#endif
}
