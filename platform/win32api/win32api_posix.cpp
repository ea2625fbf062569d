#include "Win32Api.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#define PATH_BUF 4096
#define LIBRARY_DLL_NAME "DDCHelper.dll"
#define LIBRARY_SO_NAME "libDDCHelper.so"
#define DEFAULT_SYSTEM_DIR "/usr/local/lib"
#define MAX_TOOL_ARGS 32

namespace {

// The path with a last component "DDCHelper.dll" turned into our library's
// file name; false when the result does not fit.
bool bPlatformPath(const char *pcPath, char *pcOut, size_t size)
{
    const char *pcSlash = strrchr(pcPath, '/');
    const char *pcName = pcSlash ? pcSlash + 1 : pcPath;
    int s32Len = strcasecmp(pcName, LIBRARY_DLL_NAME) == 0
                     ? snprintf(pcOut, size, "%.*s%s", (int)(pcName - pcPath), pcPath, LIBRARY_SO_NAME)
                     : snprintf(pcOut, size, "%s", pcPath);
    return s32Len >= 0 && (size_t)s32Len < size;
}

bool bIsFile(const char *pcPath)
{
    struct stat st;
    return stat(pcPath, &st) == 0 && S_ISREG(st.st_mode);
}

bool bCopyBytes(int s32From, int s32To)
{
    char cBuf[65536];
    for (;;) {
        ssize_t got = read(s32From, cBuf, sizeof(cBuf));
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(s32To, cBuf + done, (size_t)(got - done));
            if (put < 0 && errno != EINTR)
                return false;
            done += put > 0 ? put : 0;
        }
    }
}

// Copies into a new file beside the target, then renames it over the
// target, so a reader never sees half a library.
bool bCopyReplacing(const char *pcFrom, const char *pcTo)
{
    int s32From = open(pcFrom, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (s32From < 0 || fstat(s32From, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (s32From >= 0)
            close(s32From);
        return false;
    }
    char cTemp[PATH_BUF];
    int s32Len = snprintf(cTemp, sizeof(cTemp), "%s.copy-XXXXXX", pcTo);
    int s32To = s32Len > 0 && (size_t)s32Len < sizeof(cTemp) ? mkstemp(cTemp) : -1;
    bool bDone = s32To >= 0 && bCopyBytes(s32From, s32To) && fchmod(s32To, st.st_mode & 07777) == 0;
    if (s32To >= 0 && close(s32To) != 0)
        bDone = false;
    close(s32From);
    if (bDone && rename(cTemp, pcTo) == 0)
        return true;
    if (s32To >= 0)
        unlink(cTemp);
    return false;
}

// A plain library name looked for beside the program, then in the system
// folder.
void *pvOpenPlain(const char *pcName)
{
    char cDir[PATH_BUF];
    char cPath[PATH_BUF];
    DWORD u32Len = GetModuleFileNameA(nullptr, cDir, sizeof(cDir));
    char *pcSlash = u32Len > 0 && u32Len < sizeof(cDir) ? strrchr(cDir, '/') : nullptr;
    if (pcSlash) {
        pcSlash[1] = '\0';
        int s32Len = snprintf(cPath, sizeof(cPath), "%s%s", cDir, pcName);
        if (s32Len > 0 && (size_t)s32Len < sizeof(cPath) && bIsFile(cPath))
            return dlopen(cPath, RTLD_NOW | RTLD_LOCAL);
    }
    UINT u32Sys = GetSystemDirectoryA(cDir, sizeof(cDir));
    if (u32Sys == 0 || u32Sys >= sizeof(cDir))
        return nullptr;
    int s32Len = snprintf(cPath, sizeof(cPath), "%s/%s", cDir, pcName);
    if (s32Len <= 0 || (size_t)s32Len >= sizeof(cPath) || !bIsFile(cPath))
        return nullptr;
    return dlopen(cPath, RTLD_NOW | RTLD_LOCAL);
}

// The file to start: a path as given, else the first match on the PATH.
bool bFindTool(const char *pcFile, char *pcPath, size_t size)
{
    if (strchr(pcFile, '/'))
        return snprintf(pcPath, size, "%s", pcFile) < (int)size && access(pcPath, X_OK) == 0;
    const char *pcDirs = getenv("PATH");
    while (pcDirs && *pcDirs) {
        const char *pcEnd = strchr(pcDirs, ':');
        size_t len = pcEnd ? (size_t)(pcEnd - pcDirs) : strlen(pcDirs);
        int s32Len = snprintf(pcPath, size, "%.*s/%s", (int)len, len ? pcDirs : ".", pcFile);
        if (s32Len > 0 && (size_t)s32Len < size && bIsFile(pcPath) && access(pcPath, X_OK) == 0)
            return true;
        pcDirs = pcEnd ? pcEnd + 1 : nullptr;
    }
    return false;
}

// argv of the tool: its path, then the parameters split at blanks.
int s32SplitArgs(char *pcPath, char *pcParams, char **ppcArgv)
{
    int s32Count = 0;
    ppcArgv[s32Count++] = pcPath;
    for (char *pc = strtok(pcParams, " "); pc && s32Count < MAX_TOOL_ARGS; pc = strtok(nullptr, " "))
        ppcArgv[s32Count++] = pc;
    ppcArgv[s32Count] = nullptr;
    return s32Count;
}

// Starts the tool in a grandchild, so it is neither waited for nor left
// behind as a zombie of ours.
bool bStartDetached(char **ppcArgv)
{
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (fork() == 0) {
            execv(ppcArgv[0], ppcArgv);
            _exit(127);
        }
        _exit(0);
    }
    int s32Status = 0;
    while (waitpid(child, &s32Status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

HINSTANCE hResult(intptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

} // namespace

extern "C" {

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (hModule != nullptr || !lpFilename || nSize == 0)
        return 0;
    ssize_t len = readlink("/proc/self/exe", lpFilename, nSize);
    if (len <= 0)
        return 0;
    // Cut as Windows cuts: nSize characters at most, the last one the NUL.
    if ((DWORD)len >= nSize) {
        lpFilename[nSize - 1] = '\0';
        return nSize;
    }
    lpFilename[len] = '\0';
    return (DWORD)len;
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    const char *pcDir = getenv("TAVOLIN_SYSTEM_DIR");
    if (!pcDir || !pcDir[0])
        pcDir = DEFAULT_SYSTEM_DIR;
    size_t len = strlen(pcDir);
    while (len > 1 && pcDir[len - 1] == '/')
        len--;
    // Too small: the size needed, NUL included, and nothing written.
    if (!lpBuffer || len >= uSize)
        return (UINT)(len + 1);
    memcpy(lpBuffer, pcDir, len);
    lpBuffer[len] = '\0';
    return (UINT)len;
}

BOOL CopyFileA(const char *lpExistingFileName, const char *lpNewFileName, BOOL bFailIfExists)
{
    char cFrom[PATH_BUF];
    char cTo[PATH_BUF];
    if (!lpExistingFileName || !lpNewFileName || !bPlatformPath(lpExistingFileName, cFrom, sizeof(cFrom)) ||
        !bPlatformPath(lpNewFileName, cTo, sizeof(cTo)))
        return FALSE;
    if (bFailIfExists && access(cTo, F_OK) == 0)
        return FALSE;
    return bCopyReplacing(cFrom, cTo) ? TRUE : FALSE;
}

BOOL DeleteFileA(const char *lpFileName)
{
    char cPath[PATH_BUF];
    if (!lpFileName || !bPlatformPath(lpFileName, cPath, sizeof(cPath)) || !bIsFile(cPath))
        return FALSE;
    return unlink(cPath) == 0 ? TRUE : FALSE;
}

HMODULE LoadLibraryA(const char *lpLibFileName)
{
    char cPath[PATH_BUF];
    if (!lpLibFileName || !bPlatformPath(lpLibFileName, cPath, sizeof(cPath)))
        return nullptr;
    if (strchr(cPath, '/'))
        return dlopen(cPath, RTLD_NOW | RTLD_LOCAL);
    return pvOpenPlain(cPath);
}

FARPROC GetProcAddress(HMODULE hModule, const char *lpProcName)
{
    if (!hModule || !lpProcName)
        return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(hModule, lpProcName));
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    return hLibModule && dlclose(hLibModule) == 0 ? TRUE : FALSE;
}

HINSTANCE ShellExecuteA(HWND, const char *lpOperation, const char *lpFile, const char *lpParameters,
                        const char *, int)
{
    if (!lpFile || (lpOperation && strcmp(lpOperation, "open") != 0))
        return hResult(31); // no application for the operation
    static char cPath[PATH_BUF];
    static char cParams[PATH_BUF];
    static char *pcArgv[MAX_TOOL_ARGS + 1];
    if (!bFindTool(lpFile, cPath, sizeof(cPath)))
        return hResult(2); // file not found
    snprintf(cParams, sizeof(cParams), "%s", lpParameters ? lpParameters : "");
    s32SplitArgs(cPath, cParams, pcArgv);
    return hResult(bStartDetached(pcArgv) ? 33 : 8); // 8: out of memory
}

} // extern "C"
