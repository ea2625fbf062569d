#include "platform/filesys/wintext_win32.h"

#include "platform/filesys/utf16.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

static_assert(sizeof(wchar_t) == sizeof(uint16_t), "the W calls take UTF-16");

bool bWinWide(const char *pcText, wchar_t *pwcOut, size_t outCount)
{
    return s32Utf8ToUtf16(pcText, reinterpret_cast<uint16_t *>(pwcOut), outCount, 0) == UTF16_OK;
}

bool bWinUtf8(const wchar_t *pwcText, char *pcOut, size_t size)
{
    return s32Utf16ToUtf8(reinterpret_cast<const uint16_t *>(pwcText), pcOut, size, 0) == UTF16_OK;
}

void vWinErrorText(uint32_t u32Error, char *pcOut, size_t size)
{
    if (size == 0)
        return;
    wchar_t wcText[512];
    DWORD u32Units = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, u32Error, 0, wcText, 512, nullptr);
    while (u32Units > 0 && (wcText[u32Units - 1] == L'\r' || wcText[u32Units - 1] == L'\n' ||
                            wcText[u32Units - 1] == L' ' || wcText[u32Units - 1] == L'.'))
        u32Units--;
    wcText[u32Units] = L'\0';
    if (u32Units == 0 || !bWinUtf8(wcText, pcOut, size))
        snprintf(pcOut, size, "Windows error %lu", (unsigned long)u32Error);
}

namespace {

bool bIsSlash(wchar_t wc) { return wc == L'\\' || wc == L'/'; }

// "CON", "nul.txt", "COM1 " all name the device: Windows drops what follows
// the first period and trailing blanks.
bool bDosDeviceName(const wchar_t *pwcName)
{
    wchar_t wcBase[16];
    size_t length = 0;
    while (pwcName[length] && pwcName[length] != L'.' && pwcName[length] != L':' && length < 15) {
        wcBase[length] = pwcName[length];
        length++;
    }
    if (pwcName[length] && pwcName[length] != L'.' && pwcName[length] != L':')
        return false;
    while (length > 0 && wcBase[length - 1] == L' ')
        length--;
    wcBase[length] = L'\0';
    static const wchar_t *const pwcDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                                L"CONOUT$", L"CLOCK$"};
    for (const wchar_t *pwcDevice : pwcDevices)
        if (_wcsicmp(wcBase, pwcDevice) == 0)
            return true;
    bool bPort = length == 4 && (_wcsnicmp(wcBase, L"COM", 3) == 0 || _wcsnicmp(wcBase, L"LPT", 3) == 0);
    return bPort && wcBase[3] >= L'1' && wcBase[3] <= L'9';
}

} // namespace

const char *pcWinDeviceKind(const wchar_t *pwcPath)
{
    // \\.\ is the device namespace; \\?\ is a file path only with a drive
    // or UNC after it.
    if (bIsSlash(pwcPath[0]) && bIsSlash(pwcPath[1]) && (pwcPath[2] == L'.' || pwcPath[2] == L'?') &&
        bIsSlash(pwcPath[3])) {
        const wchar_t *pwcRest = pwcPath + 4;
        bool bDrive = pwcRest[0] && pwcRest[1] == L':';
        bool bUnc = _wcsnicmp(pwcRest, L"UNC", 3) == 0 && bIsSlash(pwcRest[3]);
        if (pwcPath[2] == L'.' || !(bDrive || bUnc))
            return "a device";
    }
    const wchar_t *pwcName = pwcPath;
    for (const wchar_t *pwc = pwcPath; *pwc; pwc++)
        if (bIsSlash(*pwc) || (*pwc == L':' && pwc == pwcPath + 1))
            pwcName = pwc + 1;
    return bDosDeviceName(pwcName) ? "a character device" : nullptr;
}
