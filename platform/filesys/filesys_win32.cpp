#include "platform/filesys/filesys.h"
#include "platform/filesys/wintext_win32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>

namespace {

// The kinds of a POSIX st_mode, which the interface speaks.
const uint32_t u32_ModeType = 0170000u, u32_ModeRegular = 0100000u, u32_ModeFolder = 0040000u,
               u32_ModeFifo = 0010000u, u32_ModeCharDevice = 0020000u, u32_ModeBlockDevice = 0060000u,
               u32_ModeSocket = 0140000u;

// A file opened to look at, not to read: links followed, folders too.
HANDLE hOpenToLook(const wchar_t *pwcPath)
{
    return CreateFileW(pwcPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// What an open handle is, as pcFsKindOf says it; null for a regular file.
const char *pcKindOfHandle(HANDLE hFile, BY_HANDLE_FILE_INFORMATION *pstInfo)
{
    DWORD u32Type = GetFileType(hFile);
    if (u32Type == FILE_TYPE_CHAR)
        return "a character device";
    if (u32Type == FILE_TYPE_PIPE)
        return "a FIFO";
    if (u32Type != FILE_TYPE_DISK || !GetFileInformationByHandle(hFile, pstInfo))
        return "a special file";
    return pstInfo->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "a folder" : nullptr;
}

// The C library's errno for a failed open, as POSIX's open() leaves it:
// callers tell a missing file (ENOENT) from one they may not read.
void vSetErrno(DWORD u32Error)
{
    switch (u32Error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        errno = ENAMETOOLONG;
        break;
    case ERROR_INVALID_NAME:
        errno = EINVAL;
        break;
    case ERROR_TOO_MANY_OPEN_FILES:
        errno = EMFILE;
        break;
    default:
        errno = EIO;
        break;
    }
}

} // namespace

const char *pcFsKindOf(uint32_t u32Mode)
{
    switch (u32Mode & u32_ModeType) {
    case u32_ModeRegular:
        return nullptr;
    case u32_ModeFolder:
        return "a folder";
    case u32_ModeFifo:
        return "a FIFO";
    case u32_ModeCharDevice:
        return "a character device";
    case u32_ModeBlockDevice:
        return "a block device";
    case u32_ModeSocket:
        return "a socket";
    default:
        return "a special file";
    }
}

const char *pcFsNotRegular(const char *pcPath)
{
    wchar_t wcPath[WIN_PATH_MAX];
    if (!bWinWide(pcPath, wcPath, WIN_PATH_MAX))
        return nullptr;
    const char *pcDevice = pcWinDeviceKind(wcPath);
    if (pcDevice)
        return pcDevice;
    HANDLE hFile = hOpenToLook(wcPath);
    if (hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION stInfo;
    const char *pcKind = pcKindOfHandle(hFile, &stInfo);
    CloseHandle(hFile);
    return pcKind;
}

FILE *pFsOpenRegular(const char *pcPath, uint64_t *pu64Size, const char **ppcKind)
{
    *pu64Size = 0;
    *ppcKind = nullptr;
    wchar_t wcPath[WIN_PATH_MAX];
    if (!bWinWide(pcPath, wcPath, WIN_PATH_MAX)) {
        errno = EINVAL;
        return nullptr;
    }
    // A device is never opened: opening some of them does something.
    *ppcKind = pcWinDeviceKind(wcPath);
    if (*ppcKind)
        return nullptr;
    HANDLE hFile = CreateFileW(wcPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        vSetErrno(GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION stInfo;
    *ppcKind = pcKindOfHandle(hFile, &stInfo);
    if (*ppcKind) {
        CloseHandle(hFile);
        return nullptr;
    }
    // The C library's stream over the handle: from here on the stream owns it.
    int s32Fd = _open_osfhandle((intptr_t)hFile, _O_RDONLY | _O_BINARY);
    if (s32Fd < 0) {
        CloseHandle(hFile);
        return nullptr;
    }
    FILE *pFile = _fdopen(s32Fd, "rb");
    if (!pFile) {
        _close(s32Fd);
        return nullptr;
    }
    *pu64Size = (uint64_t)stInfo.nFileSizeHigh << 32 | stInfo.nFileSizeLow;
    return pFile;
}

bool bFsIsAbsolute(const char *pcPath)
{
    bool bDrive = ((pcPath[0] | 0x20) >= 'a' && (pcPath[0] | 0x20) <= 'z') && pcPath[1] == ':';
    return bDrive || pcPath[0] == '\\' || pcPath[0] == '/';
}

bool bFsSameFile(const char *pcA, const char *pcB)
{
    const char *pcPaths[2] = {pcA, pcB};
    BY_HANDLE_FILE_INFORMATION stInfo[2];
    for (int i = 0; i < 2; i++) {
        wchar_t wcPath[WIN_PATH_MAX];
        if (!bWinWide(pcPaths[i], wcPath, WIN_PATH_MAX) || pcWinDeviceKind(wcPath))
            return false;
        HANDLE hFile = hOpenToLook(wcPath);
        if (hFile == INVALID_HANDLE_VALUE)
            return false;
        bool bKnown = GetFileInformationByHandle(hFile, &stInfo[i]) != 0;
        CloseHandle(hFile);
        if (!bKnown)
            return false;
    }
    return stInfo[0].dwVolumeSerialNumber == stInfo[1].dwVolumeSerialNumber &&
           stInfo[0].nFileIndexHigh == stInfo[1].nFileIndexHigh &&
           stInfo[0].nFileIndexLow == stInfo[1].nFileIndexLow;
}
