#include "platform/filesys/safefile.h"

#include "platform/filesys/wintext_win32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// The handle of the new file lives in s32Fd: Win32 handles fit in 32 bits,
// and INVALID_HANDLE_VALUE is -1 there too. s32Errno holds a GetLastError
// code, u32Mode the attributes the new file takes over.

namespace {

void (*gpfn_FolderSynced)(const char *, void *) = nullptr;
void *gpv_FolderSynced = nullptr;

const DWORD u32_KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

HANDLE hOf(const stSafeFile *pstFile) { return (HANDLE)(intptr_t)pstFile->s32Fd; }

bool bFail(stSafeFile *pstFile, const char *pcFormat, ...)
{
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(pstFile->cWhy, sizeof(pstFile->cWhy), pcFormat, args);
    va_end(args);
    return false;
}

bool bFailError(stSafeFile *pstFile, const char *pcBefore, DWORD u32Error)
{
    char cText[256];
    vWinErrorText(u32Error, cText, sizeof(cText));
    return bFail(pstFile, "%s%s", pcBefore, cText);
}

bool bNotFound(DWORD u32Error)
{
    return u32Error == ERROR_FILE_NOT_FOUND || u32Error == ERROR_PATH_NOT_FOUND;
}

// The path the handle's file really has, links resolved, without the
// \\?\ that GetFinalPathNameByHandleW puts first.
bool bFinalPath(HANDLE hFile, char (&cPath)[SAFE_FILE_PATH_MAX])
{
    wchar_t wcPath[WIN_PATH_MAX];
    DWORD u32Units = GetFinalPathNameByHandleW(hFile, wcPath, WIN_PATH_MAX, FILE_NAME_NORMALIZED);
    if (u32Units == 0 || u32Units >= WIN_PATH_MAX)
        return false;
    const wchar_t *pwcPath = wcPath;
    if (wcsncmp(pwcPath, L"\\\\?\\UNC\\", 8) == 0) {
        pwcPath += 6;
        wcPath[6] = L'\\';
    } else if (wcsncmp(pwcPath, L"\\\\?\\", 4) == 0 && pwcPath[4] && pwcPath[5] == L':') {
        pwcPath += 4;
    }
    return bWinUtf8(pwcPath, cPath, sizeof(cPath));
}

// A file the user named: its links followed as any open follows them, into
// cTarget. A link to no file is refused, as cp refuses it; so is anything
// but a regular file, and a file this user may not write.
bool bCheckNamed(stSafeFile *pstFile, const wchar_t *pwcPath, bool *pbExists)
{
    *pbExists = false;
    HANDLE hFile = CreateFileW(pwcPath, FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        DWORD u32Error = GetLastError();
        if (!bNotFound(u32Error))
            return bFailError(pstFile, "", u32Error);
        DWORD u32Attributes = GetFileAttributesW(pwcPath);
        if (u32Attributes != INVALID_FILE_ATTRIBUTES && (u32Attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return bFail(pstFile, "it is a symbolic link to a file that does not exist");
        return true;
    }
    BY_HANDLE_FILE_INFORMATION stInfo;
    bool bDisk = GetFileType(hFile) == FILE_TYPE_DISK && GetFileInformationByHandle(hFile, &stInfo);
    bool bFound = bDisk && bFinalPath(hFile, pstFile->cTarget);
    CloseHandle(hFile);
    if (!bDisk)
        return bFail(pstFile, "it is a device, not a regular file");
    if (stInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DWORD u32Named = GetFileAttributesW(pwcPath);
        if (u32Named != INVALID_FILE_ATTRIBUTES && (u32Named & FILE_ATTRIBUTE_REPARSE_POINT) && bFound)
            return bFail(pstFile, "it leads to %s, a folder, not a regular file", pstFile->cTarget);
        return bFail(pstFile, "it is a folder, not a regular file");
    }
    if (!bFound)
        return bFail(pstFile, "its real path cannot be found");
    *pbExists = true;
    pstFile->u32Mode = stInfo.dwFileAttributes & u32_KeptAttributes;
    // As a shell's redirection would not write it, a file this user may
    // not write is not replaced either; read-only holds for everyone.
    if (stInfo.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return bFailError(pstFile, "", ERROR_ACCESS_DENIED);
    wchar_t wcTarget[WIN_PATH_MAX];
    if (!bWinWide(pstFile->cTarget, wcTarget, WIN_PATH_MAX))
        return bFail(pstFile, "its real path is too long or not UTF-8");
    hFile = CreateFileW(wcTarget, FILE_WRITE_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bFailError(pstFile, "", GetLastError());
    CloseHandle(hFile);
    return true;
}

// One of the program's own files: a link in its place is replaced like any
// file there, never followed.
bool bCheckOwn(stSafeFile *pstFile, const wchar_t *pwcPath, bool *pbExists)
{
    DWORD u32Attributes = GetFileAttributesW(pwcPath);
    *pbExists = u32Attributes != INVALID_FILE_ATTRIBUTES;
    if (!*pbExists) {
        DWORD u32Error = GetLastError();
        return bNotFound(u32Error) || bFailError(pstFile, "", u32Error);
    }
    if (u32Attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        *pbExists = false;
    else if (u32Attributes & FILE_ATTRIBUTE_DIRECTORY)
        return bFail(pstFile, "it is a folder, not a regular file");
    else
        pstFile->u32Mode = u32Attributes & u32_KeptAttributes;
    return true;
}

// Six letters or digits after the target's name, as mkstemp makes them;
// CREATE_NEW makes sure no file of that name is taken over.
bool bMakeNewFile(stSafeFile *pstFile)
{
    static const char cLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    LARGE_INTEGER stNow;
    QueryPerformanceCounter(&stNow);
    uint32_t u32Seed = (uint32_t)stNow.QuadPart ^ (GetCurrentProcessId() << 16) ^ GetTickCount();
    DWORD u32Error = ERROR_FILE_EXISTS;
    for (int32_t s32Try = 0; s32Try < 100 && u32Error == ERROR_FILE_EXISTS; s32Try++) {
        char cSuffix[7];
        for (int i = 0; i < 6; i++) {
            u32Seed = u32Seed * 1664525u + 1013904223u;
            cSuffix[i] = cLetters[(u32Seed >> 16) % (sizeof(cLetters) - 1)];
        }
        cSuffix[6] = '\0';
        int s32Len = snprintf(pstFile->cTemp, sizeof(pstFile->cTemp), "%s.%s", pstFile->cTarget, cSuffix);
        wchar_t wcTemp[WIN_PATH_MAX];
        if (s32Len < 0 || (size_t)s32Len >= sizeof(pstFile->cTemp) ||
            !bWinWide(pstFile->cTemp, wcTemp, WIN_PATH_MAX))
            return bFail(pstFile, "the file's name is too long");
        HANDLE hFile = CreateFileW(wcTemp, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            pstFile->s32Fd = (int)(intptr_t)hFile;
            return true;
        }
        u32Error = GetLastError();
        if (u32Error == ERROR_ALREADY_EXISTS)
            u32Error = ERROR_FILE_EXISTS;
    }
    pstFile->cTemp[0] = '\0';
    return bFailError(pstFile, "no new file can be made in its folder: ", u32Error);
}

bool bFlush(stSafeFile *pstFile)
{
    size_t done = 0;
    while (done < pstFile->used && pstFile->s32Errno == 0) {
        DWORD u32Written = 0;
        if (!WriteFile(hOf(pstFile), pstFile->u8Buffer + done, (DWORD)(pstFile->used - done),
                       &u32Written, nullptr))
            pstFile->s32Errno = (int)GetLastError();
        else if (u32Written == 0)
            pstFile->s32Errno = ERROR_WRITE_FAULT;
        done += u32Written;
    }
    pstFile->used = 0;
    return pstFile->s32Errno == 0;
}

void vRemoveNew(const stSafeFile *pstFile)
{
    wchar_t wcTemp[WIN_PATH_MAX];
    if (bWinWide(pstFile->cTemp, wcTemp, WIN_PATH_MAX))
        DeleteFileW(wcTemp);
}

} // namespace

bool bSafeFileOpen(stSafeFile *pstFile, const char *pcPath, int32_t s32Kind)
{
    pstFile->s32Fd = -1;
    pstFile->s32Errno = 0;
    pstFile->u32Mode = 0;
    pstFile->s64Uid = pstFile->s64Gid = -1;
    pstFile->used = 0;
    pstFile->cWhy[0] = '\0';
    pstFile->cTemp[0] = '\0';
    if (!pcPath || !pcPath[0])
        return bFail(pstFile, "no file was named");
    int s32Len = snprintf(pstFile->cTarget, sizeof(pstFile->cTarget), "%s", pcPath);
    wchar_t wcPath[WIN_PATH_MAX];
    if (s32Len < 0 || (size_t)s32Len >= sizeof(pstFile->cTarget))
        return bFail(pstFile, "the file's name is too long");
    if (!bWinWide(pcPath, wcPath, WIN_PATH_MAX))
        return bFail(pstFile, "the file's name is not valid UTF-8 or too long");
    const char *pcDevice = pcWinDeviceKind(wcPath);
    if (pcDevice)
        return bFail(pstFile, "it is %s, not a regular file", pcDevice);
    bool bExists = false;
    bool bChecked = s32Kind == SAFE_FILE_OWN ? bCheckOwn(pstFile, wcPath, &bExists)
                                             : bCheckNamed(pstFile, wcPath, &bExists);
    return bChecked && bMakeNewFile(pstFile);
}

void vSafeFileWrite(stSafeFile *pstFile, const void *pvBytes, size_t count)
{
    const unsigned char *pu8Bytes = (const unsigned char *)pvBytes;
    while (pstFile->s32Fd != -1 && pstFile->s32Errno == 0 && count > 0) {
        size_t room = sizeof(pstFile->u8Buffer) - pstFile->used;
        size_t part = count < room ? count : room;
        memcpy(pstFile->u8Buffer + pstFile->used, pu8Bytes, part);
        pstFile->used += part;
        pu8Bytes += part;
        count -= part;
        if (pstFile->used == sizeof(pstFile->u8Buffer))
            bFlush(pstFile);
    }
}

void vSafeFileAbandon(stSafeFile *pstFile)
{
    if (pstFile->s32Fd == -1)
        return;
    CloseHandle(hOf(pstFile));
    pstFile->s32Fd = -1;
    vRemoveNew(pstFile);
}

bool bSafeFileCommit(stSafeFile *pstFile)
{
    if (pstFile->s32Fd == -1)
        return false;
    bFlush(pstFile);
    if (pstFile->s32Errno == 0 && !FlushFileBuffers(hOf(pstFile)))
        pstFile->s32Errno = (int)GetLastError();
    if (!CloseHandle(hOf(pstFile)) && pstFile->s32Errno == 0)
        pstFile->s32Errno = (int)GetLastError();
    pstFile->s32Fd = -1;
    if (pstFile->s32Errno != 0) {
        vRemoveNew(pstFile);
        return bFailError(pstFile, "", (DWORD)pstFile->s32Errno);
    }
    wchar_t wcTemp[WIN_PATH_MAX], wcTarget[WIN_PATH_MAX];
    if (!bWinWide(pstFile->cTemp, wcTemp, WIN_PATH_MAX) || !bWinWide(pstFile->cTarget, wcTarget, WIN_PATH_MAX)) {
        vRemoveNew(pstFile);
        return bFail(pstFile, "its path is too long or not UTF-8");
    }
    if (pstFile->u32Mode)
        SetFileAttributesW(wcTemp, pstFile->u32Mode);
    if (!MoveFileExW(wcTemp, wcTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD u32Error = GetLastError();
        vRemoveNew(pstFile);
        return bFailError(pstFile, "it cannot be replaced: ", u32Error);
    }
    // MOVEFILE_WRITE_THROUGH returns once the rename is on the disk.
    if (gpfn_FolderSynced)
        gpfn_FolderSynced(pstFile->cTarget, gpv_FolderSynced);
    return true;
}

int32_t s32SafeFileRemoveLeftovers(const char *pcFolder, bool (*pfnOurs)(const char *pcName))
{
    char cPattern[WIN_PATH_MAX];
    wchar_t wcPattern[WIN_PATH_MAX];
    int s32Len = snprintf(cPattern, sizeof(cPattern), "%s\\*.??????", pcFolder);
    if (s32Len < 0 || (size_t)s32Len >= sizeof(cPattern) ||
        !bWinWide(cPattern, wcPattern, WIN_PATH_MAX))
        return -1;
    WIN32_FIND_DATAW stFound;
    HANDLE hFind = FindFirstFileW(wcPattern, &stFound);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    int32_t s32Removed = 0;
    do {
        char cEntry[WIN_PATH_MAX];
        if (stFound.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT) ||
            !bWinUtf8(stFound.cFileName, cEntry, sizeof(cEntry)))
            continue;
        size_t length = strlen(cEntry);
        bool bNew = length >= 8 && cEntry[length - 7] == '.';
        for (size_t i = length - 6; bNew && i < length; i++)
            bNew = isalnum((unsigned char)cEntry[i]) != 0;
        if (!bNew)
            continue;
        cEntry[length - 7] = '\0';
        if (!pfnOurs(cEntry))
            continue;
        cEntry[length - 7] = '.';
        char cPath[WIN_PATH_MAX];
        wchar_t wcPath[WIN_PATH_MAX];
        s32Len = snprintf(cPath, sizeof(cPath), "%s\\%s", pcFolder, cEntry);
        if (s32Len > 0 && (size_t)s32Len < sizeof(cPath) &&
            bWinWide(cPath, wcPath, WIN_PATH_MAX) && DeleteFileW(wcPath))
            s32Removed++;
    } while (FindNextFileW(hFind, &stFound));
    FindClose(hFind);
    return s32Removed;
}

void vSafeFileSetFolderSyncHook(void (*pfnSynced)(const char *pcTarget, void *pv), void *pv)
{
    gpfn_FolderSynced = pfnSynced;
    gpv_FolderSynced = pv;
}
