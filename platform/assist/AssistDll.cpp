#include "AssistDll.h"
#include "platform/assist/os_code.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <string.h>
#include <sys/utsname.h>
#endif

#if defined(_WIN32)
namespace {

// GetVersionEx tells a program without a manifest of newer systems that it
// runs on 6.2 (Windows 8); ntdll's RtlGetVersion tells the truth.
typedef LONG(WINAPI *RtlGetVersionCall)(OSVERSIONINFOW *);

bool bRealVersion(DWORD *pu32Major, DWORD *pu32Minor, DWORD *pu32Build)
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
    *pu32Build = info.dwBuildNumber;
    return true;
}

} // namespace
#endif

uint8_t GetOsVersion(void)
{
#if defined(_WIN32)
    DWORD u32Major = 0, u32Minor = 0, u32Build = 0;
    if (!bRealVersion(&u32Major, &u32Minor, &u32Build))
        return ASSIST_OS_UNKNOWN;
    return u8OsCodeOf(u32Major, u32Minor, u32Build);
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
