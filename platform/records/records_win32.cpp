// The unit record's Windows side: the same SQLite code (records.cpp, with
// the amalgamation built in); here what POSIX does in records_posix.cpp,
// and SHA-256 from the system (CNG).
#include "platform/records/records.h"
#include "platform/records/records_os.h"
#include "platform/filesys/wintext_win32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

#include <stdio.h>

namespace {

bool bHash(const uint8_t *pu8Bytes, size_t count, uint8_t (&u8Digest)[32])
{
    BCRYPT_ALG_HANDLE hAlgorithm = nullptr;
    BCRYPT_HASH_HANDLE hHash = nullptr;
    bool bDone = BCryptOpenAlgorithmProvider(&hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0 &&
                 BCryptCreateHash(hAlgorithm, &hHash, nullptr, 0, nullptr, 0, 0) >= 0;
    // BCryptHashData takes at most 4 GiB less a byte per call.
    while (bDone && count > 0) {
        ULONG u32Part = count > 0x40000000u ? 0x40000000u : (ULONG)count;
        bDone = BCryptHashData(hHash, (PUCHAR)pu8Bytes, u32Part, 0) >= 0;
        pu8Bytes += u32Part;
        count -= u32Part;
    }
    bDone = bDone && BCryptFinishHash(hHash, u8Digest, sizeof(u8Digest), 0) >= 0;
    if (hHash)
        BCryptDestroyHash(hHash);
    if (hAlgorithm)
        BCryptCloseAlgorithmProvider(hAlgorithm, 0);
    return bDone;
}

// The attributes of the path itself, links not followed; false with the
// system's error left for GetLastError.
bool bAttributes(const char *pcPath, DWORD *pu32Attributes)
{
    wchar_t wcPath[WIN_PATH_MAX];
    if (!bWinWide(pcPath, wcPath, WIN_PATH_MAX)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    *pu32Attributes = GetFileAttributesW(wcPath);
    return *pu32Attributes != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool bRecOsNothingAt(const char *pcPath)
{
    DWORD u32Attributes = 0;
    if (bAttributes(pcPath, &u32Attributes))
        return false;
    DWORD u32Error = GetLastError();
    return u32Error == ERROR_FILE_NOT_FOUND || u32Error == ERROR_PATH_NOT_FOUND;
}

bool bRecOsIsLink(const char *pcPath)
{
    DWORD u32Attributes = 0;
    return bAttributes(pcPath, &u32Attributes) && (u32Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void vRecOsUtcNow(char *pcTime, size_t size)
{
    SYSTEMTIME stUtc;
    GetSystemTime(&stUtc);
    snprintf(pcTime, size, "%04u-%02u-%02uT%02u:%02u:%02uZ", stUtc.wYear, stUtc.wMonth, stUtc.wDay,
             stUtc.wHour, stUtc.wMinute, stUtc.wSecond);
}

// Empty when the system offers no SHA-256 (before Vista).
void vRecSha256Hex(const uint8_t *pu8Bytes, size_t count, char (&cHex)[REC_SHA256_HEX_SIZE])
{
    uint8_t u8Digest[32];
    cHex[0] = '\0';
    if (!bHash(pu8Bytes, count, u8Digest))
        return;
    for (size_t at = 0; at < sizeof(u8Digest); at++)
        snprintf(&cHex[at * 2], 3, "%02x", u8Digest[at]);
}

void vRecOsRandomHex(char *pcHex, size_t size)
{
    uint8_t u8Random[64] = {};
    size_t count = size / 2 < sizeof(u8Random) ? size / 2 : sizeof(u8Random);
    BCryptGenRandom(nullptr, u8Random, (ULONG)count, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    pcHex[0] = '\0';
    for (size_t at = 0; at < count && at * 2 + 2 < size + 1; at++)
        snprintf(&pcHex[at * 2], 3, "%02x", u8Random[at]);
}

namespace {

struct stAside {
    void (*pfnWork)(void *);
    void *pvContext;
};

DWORD WINAPI u32RunAside(LPVOID pvAside)
{
    stAside *pst = (stAside *)pvAside;
    pst->pfnWork(pst->pvContext);
    return 0;
}

} // namespace

void vRecOsRunAside(void (*pfnWork)(void *), void *pvContext, void (*pfnWait)(void))
{
    stAside stWork = {pfnWork, pvContext};
    HANDLE hThread = pfnWait ? CreateThread(nullptr, 0, u32RunAside, &stWork, 0, nullptr) : nullptr;
    if (!hThread) {
        pfnWork(pvContext);
        return;
    }
    while (WaitForSingleObject(hThread, 15) == WAIT_TIMEOUT)
        pfnWait();
    CloseHandle(hThread);
}
