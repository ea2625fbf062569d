// The Windows calls the installer makes. Built for Windows they are the
// real ones (this header brings in the system's declarations); on Linux
// win32api_posix.cpp gives them the same meaning over POSIX:
//
// - GetModuleFileNameA(null): the program's own path, from /proc/self/exe.
// - GetSystemDirectoryA: the folder named by the environment variable
//   TAVOLIN_SYSTEM_DIR, else /usr/local/lib, without a trailing slash.
// - CopyFileA, DeleteFileA, LoadLibraryA: a file named "DDCHelper.dll" (any
//   letter case, alone or at the end of a path) is our bus library,
//   "libDDCHelper.so", in the same folder. CopyFileA replaces the target in
//   one step (a copy beside it, then renamed over it) and keeps the mode.
// - LoadLibraryA with a plain name looks beside the program first, then in
//   the system folder, as Windows does; GetProcAddress and FreeLibrary are
//   dlsym and dlclose.
// - ShellExecuteA("open"): the file is found on the PATH (or taken as a
//   path when it holds a slash) and started as a process of its own with
//   the parameters split at blanks; it is not waited for. A file that is not
//   found starts nothing (result 2, as "file not found").
#ifndef WIN32API_H
#define WIN32API_H

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#define WIN32API_PATH_SEP '\\'

#else

#include <stdint.h>

#define WIN32API_PATH_SEP '/'
#define TRUE 1
#define FALSE 0
#define SW_SHOW 5
#define WINAPI

typedef int BOOL;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef char *LPSTR;
typedef void *HMODULE;
typedef void *HINSTANCE;
typedef void *HWND;
typedef void (*FARPROC)(void);

#ifdef __cplusplus
extern "C" {
#endif

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
BOOL CopyFileA(const char *lpExistingFileName, const char *lpNewFileName, BOOL bFailIfExists);
BOOL DeleteFileA(const char *lpFileName);
HMODULE LoadLibraryA(const char *lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, const char *lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);
HINSTANCE ShellExecuteA(HWND hwnd, const char *lpOperation, const char *lpFile,
                        const char *lpParameters, const char *lpDirectory, int nShowCmd);

#ifdef __cplusplus
}
#endif

#endif

#endif
