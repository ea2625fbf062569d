// The system's side of the program folder's decision (ui_backend.h's
// vUiSys...) and the whole-file helpers, over Windows. Paths are UTF-8 for
// the program and UTF-16 for Windows, so that folders with letters of any
// language work.
#include "ui_w32_internal.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

#define USER_DIR_NAME L"Tavolin"

// A file made and removed again tells whether this user may write there
// (the folder's ACL, a read-only medium).
bool bWritable(const wchar_t *pwcDir)
{
    wchar_t wcPath[UI_WIDE_PATH];
    _snwprintf(wcPath, UI_WIDE_PATH, L"%ls\\tavolin-%lu.probe", pwcDir, (unsigned long)GetCurrentProcessId());
    wcPath[UI_WIDE_PATH - 1] = L'\0';
    HANDLE hFile = CreateFileW(wcPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(hFile);
    return true;
}

bool bAbsolute(const wchar_t *pwcPath)
{
    return (pwcPath[0] && pwcPath[1] == L':' && (pwcPath[2] == L'\\' || pwcPath[2] == L'/')) ||
           (pwcPath[0] == L'\\' && pwcPath[1] == L'\\');
}

// The user's folder for local application data; systems before Vista name
// it by the profile only.
bool bLocalAppData(wchar_t *pwcBase, size_t count)
{
    DWORD u32Length = GetEnvironmentVariableW(L"LOCALAPPDATA", pwcBase, (DWORD)count);
    if (u32Length > 0 && u32Length < count && bAbsolute(pwcBase))
        return true;
    wchar_t wcProfile[UI_WIDE_PATH];
    u32Length = GetEnvironmentVariableW(L"USERPROFILE", wcProfile, UI_WIDE_PATH);
    if (u32Length == 0 || u32Length >= UI_WIDE_PATH || !bAbsolute(wcProfile))
        return false;
    _snwprintf(pwcBase, count, L"%ls\\Local Settings\\Application Data", wcProfile);
    pwcBase[count - 1] = L'\0';
    return true;
}

// mkdir -p; the error of the step that failed, or 0.
DWORD u32MakePath(const wchar_t *pwcPath)
{
    wchar_t wcPart[UI_WIDE_PATH];
    lstrcpynW(wcPart, pwcPath, UI_WIDE_PATH);
    size_t start = wcPart[0] == L'\\' && wcPart[1] == L'\\' ? 2 : 3;
    for (size_t i = start;; i++) {
        wchar_t wc = wcPart[i];
        if (wc != L'\\' && wc != L'/' && wc != L'\0')
            continue;
        wcPart[i] = L'\0';
        if (!CreateDirectoryW(wcPart, nullptr)) {
            DWORD u32Error = GetLastError();
            DWORD u32Attributes = GetFileAttributesW(wcPart);
            if (u32Attributes == INVALID_FILE_ATTRIBUTES)
                return u32Error;
            if (!(u32Attributes & FILE_ATTRIBUTE_DIRECTORY))
                return ERROR_ALREADY_EXISTS;
        }
        wcPart[i] = wc;
        if (wc == L'\0')
            break;
    }
    return bWritable(pwcPath) ? 0 : ERROR_ACCESS_DENIED;
}

} // namespace

void vUiSysExecutableDir(char *pcDir, size_t size)
{
    wchar_t wcDir[UI_WIDE_PATH];
    DWORD u32Length = GetModuleFileNameW(nullptr, wcDir, UI_WIDE_PATH);
    wchar_t *pwcSep = u32Length > 0 && u32Length < UI_WIDE_PATH ? wcsrchr(wcDir, L'\\') : nullptr;
    if (pwcSep)
        *pwcSep = L'\0';
    if (!pwcSep || !bWinUtf8(wcDir, pcDir, size))
        snprintf(pcDir, size, ".");
}

int32_t bUiSysAbsolute(const char *pcPath)
{
    return pcPath[0] == '\\' || pcPath[0] == '/' || (pcPath[0] && pcPath[1] == ':');
}

int32_t bUiSysWritable(const char *pcDir)
{
    wchar_t wcDir[UI_WIDE_PATH];
    return bWinWide(pcDir, wcDir, UI_WIDE_PATH) && bWritable(wcDir);
}

// The panels lie beside the program or nowhere.
int32_t bUiSysSharedResourceDir(const char *, char *, size_t) { return 0; }

// The user's folder for local application data; systems before Vista name
// it by the profile only. Windows has no other homes to give.
int32_t bUiSysUserDir(int32_t, const char *, const char *, const char *, char *pcDir, size_t size, char *pcWhy,
                      size_t whySize)
{
    wchar_t wcBase[UI_WIDE_PATH];
    if (!bLocalAppData(wcBase, UI_WIDE_PATH)) {
        snprintf(pcWhy, whySize, "cannot find a folder for settings and logs: LOCALAPPDATA and USERPROFILE are not set");
        return 0;
    }
    wchar_t wcDir[UI_WIDE_PATH];
    int s32Len = _snwprintf(wcDir, UI_WIDE_PATH, L"%ls\\" USER_DIR_NAME, wcBase);
    if (s32Len < 0 || s32Len >= UI_WIDE_PATH || !bWinUtf8(wcDir, pcDir, size)) {
        snprintf(pcWhy, whySize, "cannot create a folder for settings and logs: the path is too long or not valid");
        return 0;
    }
    return 1;
}

int32_t bUiSysMakeUserDir(char *pcDir, size_t, char *pcWhy, size_t whySize)
{
    wchar_t wcDir[UI_WIDE_PATH];
    DWORD u32Error = bWinWide(pcDir, wcDir, UI_WIDE_PATH) ? u32MakePath(wcDir) : ERROR_INVALID_NAME;
    if (u32Error == 0)
        return 1;
    char cWhy[512];
    vWinErrorText(u32Error, cWhy, sizeof(cWhy));
    snprintf(pcWhy, whySize, "cannot create the folder %s for settings and logs: %s", pcDir, cWhy);
    return 0;
}

int32_t bUiSysUsableDir(const char *pcDir, char *pcReal, size_t size, char *pcProblem, size_t problemSize)
{
    wchar_t wcDir[UI_WIDE_PATH], wcFull[UI_WIDE_PATH];
    const char *pcWhat = nullptr;
    DWORD u32Length = 0;
    if (!pcDir || !*pcDir || !bWinWide(pcDir, wcDir, UI_WIDE_PATH))
        pcWhat = "the path is empty, too long or not valid";
    else if ((u32Length = GetFullPathNameW(wcDir, UI_WIDE_PATH, wcFull, nullptr)) == 0 || u32Length >= UI_WIDE_PATH)
        pcWhat = "the path is too long";
    else if (GetFileAttributesW(wcFull) == INVALID_FILE_ATTRIBUTES)
        pcWhat = "it does not exist";
    else if (!(GetFileAttributesW(wcFull) & FILE_ATTRIBUTE_DIRECTORY))
        pcWhat = "it is not a folder";
    else if (!bWritable(wcFull))
        pcWhat = "you may not write to it";
    else if (!bWinUtf8(wcFull, pcReal, size))
        pcWhat = "the path is too long";
    if (!pcWhat)
        return 1;
    snprintf(pcProblem, problemSize, "%s", pcWhat);
    return 0;
}

// The bus library reads the variable with the C library's getenv: both the
// process's environment and the C library's copy are set.
void vUiSysNameProgramDir(const char *pcDir)
{
    wchar_t wcName[64], wcDir[UI_WIDE_PATH];
    bWinWide(UI_PROGRAM_DIR_VARIABLE, wcName, 64);
    bool bNamed = pcDir && bWinWide(pcDir, wcDir, UI_WIDE_PATH);
    SetEnvironmentVariableW(wcName, bNamed ? wcDir : nullptr);
    wchar_t wcAssignment[UI_WIDE_PATH + 64];
    _snwprintf(wcAssignment, UI_WIDE_PATH + 64, L"%ls=%ls", wcName, bNamed ? wcDir : L"");
    wcAssignment[UI_WIDE_PATH + 63] = L'\0';
    _wputenv(wcAssignment);
}

int32_t bUiSysExists(const char *pcPath)
{
    wchar_t wcPath[UI_WIDE_PATH];
    return bWinWide(pcPath, wcPath, UI_WIDE_PATH) && GetFileAttributesW(wcPath) != INVALID_FILE_ATTRIBUTES;
}

int32_t s32UiSysMakeDir(const char *pcPath)
{
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bWinWide(pcPath, wcPath, UI_WIDE_PATH))
        return UIE_FILE_ERROR;
    if (CreateDirectoryW(wcPath, nullptr))
        return UIE_NO_ERROR;
    return GetLastError() == ERROR_ALREADY_EXISTS ? UIE_ALREADY_EXISTS : UIE_FILE_ERROR;
}

int32_t bUiSysReadFile(const char *pcPath, void *pvData, size_t size, size_t *pRead)
{
    *pRead = 0;
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bWinWide(pcPath, wcPath, UI_WIDE_PATH))
        return 0;
    HANDLE hFile = CreateFileW(wcPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 0;
    while (*pRead < size) {
        DWORD u32Chunk = size - *pRead > 0x10000000 ? 0x10000000 : (DWORD)(size - *pRead);
        DWORD u32Got = 0;
        if (!ReadFile(hFile, static_cast<char *>(pvData) + *pRead, u32Chunk, &u32Got, nullptr) || u32Got == 0)
            break;
        *pRead += u32Got;
    }
    CloseHandle(hFile);
    return 1;
}

// A name Windows cannot take names no file.
int32_t s32UiSysFileSize(const char *pcPath, long *pSize)
{
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bWinWide(pcPath, wcPath, UI_WIDE_PATH))
        return UIE_FILE_ERROR;
    WIN32_FILE_ATTRIBUTE_DATA stData;
    if (!GetFileAttributesExW(wcPath, GetFileExInfoStandard, &stData)) {
        DWORD u32Error = GetLastError();
        bool bNone = u32Error == ERROR_FILE_NOT_FOUND || u32Error == ERROR_PATH_NOT_FOUND || u32Error == ERROR_INVALID_NAME;
        return bNone ? 0 : UIE_FILE_ERROR;
    }
    if (stData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    bool bHuge = stData.nFileSizeHigh || stData.nFileSizeLow > (DWORD)LONG_MAX;
    *pSize = bHuge ? LONG_MAX : (long)stData.nFileSizeLow;
    return 1;
}
