#include "ddc_os.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// pcDir holds a file's path; cuts it after its last separator.
void vKeepFolder(char *pcDir)
{
    char *pcSep = pcDdcOsLastSeparator(pcDir);
    if (pcSep)
        pcSep[1] = '\0';
    else
        pcDir[0] = '\0';
}

#if defined(_WIN32)

void vModuleDir(HMODULE hModule, char *pcDir, uint32_t u32Size)
{
    DWORD u32Len = GetModuleFileNameA(hModule, pcDir, u32Size);
    // A path cut at the buffer's end names no folder of ours.
    pcDir[u32Len < u32Size ? u32Len : 0] = '\0';
    vKeepFolder(pcDir);
}

#endif

} // namespace

#if defined(_WIN32)

void vDdcOsExecutableDir(char *pcDir, uint32_t u32Size) { vModuleDir(nullptr, pcDir, u32Size); }

void vDdcOsLibraryDir(char *pcDir, uint32_t u32Size)
{
    HMODULE hSelf = nullptr;
    pcDir[0] = '\0';
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           (LPCSTR)(void *)&vDdcOsLibraryDir, &hSelf))
        vModuleDir(hSelf, pcDir, u32Size);
}

char *pcDdcOsLastSeparator(char *pcPath)
{
    char *pcBack = strrchr(pcPath, '\\');
    char *pcSlash = strrchr(pcPath, '/');
    if (!pcBack || !pcSlash)
        return pcBack ? pcBack : pcSlash;
    return pcBack > pcSlash ? pcBack : pcSlash;
}

int32_t bDdcOsIsAbsolute(const char *pcPath)
{
    return pcPath[0] == '\\' || pcPath[0] == '/' || (pcPath[0] && pcPath[1] == ':');
}

int32_t s32DdcOsOpenRead(const char *pcPath)
{
    return open(pcPath, O_RDONLY | O_BINARY | O_NOINHERIT);
}

int32_t s32DdcOsCreateNew(const char *pcPath)
{
    return open(pcPath, O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT,
                S_IREAD | S_IWRITE);
}

// rename() fails on Windows when the target exists.
int32_t bDdcOsReplace(const char *pcFrom, const char *pcTo)
{
    return MoveFileExA(pcFrom, pcTo, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

int32_t bDdcOsLocalTime(time_t tNow, struct tm *pst) { return localtime_s(pst, &tNow) == 0; }

#else

void vDdcOsExecutableDir(char *pcDir, uint32_t u32Size)
{
    ssize_t len = readlink("/proc/self/exe", pcDir, u32Size - 1u);
    pcDir[len > 0 ? len : 0] = '\0';
    vKeepFolder(pcDir);
}

void vDdcOsLibraryDir(char *pcDir, uint32_t u32Size)
{
    Dl_info stInfo;
    pcDir[0] = '\0';
    if (dladdr((void *)&vDdcOsLibraryDir, &stInfo) && stInfo.dli_fname &&
        snprintf(pcDir, u32Size, "%s", stInfo.dli_fname) < (int)u32Size)
        vKeepFolder(pcDir);
    else
        pcDir[0] = '\0';
}

char *pcDdcOsLastSeparator(char *pcPath) { return strrchr(pcPath, '/'); }

int32_t bDdcOsIsAbsolute(const char *pcPath) { return pcPath[0] == '/'; }

int32_t s32DdcOsOpenRead(const char *pcPath)
{
    return open(pcPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int32_t s32DdcOsCreateNew(const char *pcPath)
{
    return open(pcPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int32_t bDdcOsReplace(const char *pcFrom, const char *pcTo) { return rename(pcFrom, pcTo) == 0; }

int32_t bDdcOsLocalTime(time_t tNow, struct tm *pst) { return localtime_r(&tNow, pst) != nullptr; }

#endif

const char *pcDdcOsNamedProgramDir(void)
{
    const char *pcNamed = getenv(DDC_PROGRAM_DIR_VARIABLE);
    return pcNamed && bDdcOsIsAbsolute(pcNamed) ? pcNamed : nullptr;
}

void vDdcOsProgramDir(char *pcDir, uint32_t u32Size)
{
    const char *pcNamed = pcDdcOsNamedProgramDir();
    if (!pcNamed) {
        vDdcOsExecutableDir(pcDir, u32Size);
        return;
    }
    int s32Len = snprintf(pcDir, u32Size, "%s", pcNamed);
    // A cut path would name another folder.
    if (s32Len <= 0 || (uint32_t)s32Len + 1u >= u32Size) {
        pcDir[0] = '\0';
        return;
    }
    char *pcSep = pcDdcOsLastSeparator(pcDir);
    if (!pcSep || pcSep[1] != '\0') {
        pcDir[s32Len] = DDC_OS_SEPARATOR;
        pcDir[s32Len + 1] = '\0';
    }
}

int32_t bDdcOsExists(const char *pcPath)
{
    struct stat st;
    return stat(pcPath, &st) == 0;
}

const char *pcDdcOsKindOf(const struct stat *pst)
{
    if (S_ISREG(pst->st_mode))
        return nullptr;
    if (S_ISDIR(pst->st_mode))
        return "a folder";
    if (S_ISFIFO(pst->st_mode))
        return "a FIFO";
    if (S_ISCHR(pst->st_mode))
        return "a character device";
#if !defined(_WIN32)
    if (S_ISBLK(pst->st_mode))
        return "a block device";
    if (S_ISSOCK(pst->st_mode))
        return "a socket";
#endif
    return "a special file";
}
