// The program directory and whole-file helpers. Paths are UTF-8 for the
// program and UTF-16 for Windows, so that folders with letters of any
// language work.
#include "ui_w32_internal.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

#define RESOURCE_FILE_NAME L"Pavimo.uir"
#define USER_DIR_NAME "Tavolin"

// Decided once at start: the folder the program keeps its files in, the
// one its panels come from, and what went wrong, if anything.
int32_t gb_DirsDecided = 0;
char gc_ProgramDir[UI_DIR_SIZE] = "";
char gc_ResourceDir[UI_DIR_SIZE] = "";
char gc_DirError[2 * UI_DIR_SIZE + 256] = "";

void vExecutableDir(wchar_t *pwcDir, size_t count)
{
    DWORD u32Length = GetModuleFileNameW(nullptr, pwcDir, (DWORD)count);
    if (u32Length == 0 || u32Length >= count) {
        lstrcpynW(pwcDir, L".", (int)count);
        return;
    }
    wchar_t *pwcSep = wcsrchr(pwcDir, L'\\');
    if (pwcSep)
        *pwcSep = L'\0';
}

bool bHasResource(const wchar_t *pwcDir)
{
    wchar_t wcPath[UI_WIDE_PATH];
    _snwprintf(wcPath, UI_WIDE_PATH, L"%ls\\%ls", pwcDir, RESOURCE_FILE_NAME);
    wcPath[UI_WIDE_PATH - 1] = L'\0';
    DWORD u32Attributes = GetFileAttributesW(wcPath);
    return u32Attributes != INVALID_FILE_ATTRIBUTES && !(u32Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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

// The system's words for an error, without the closing period and line end.
void vErrorText(DWORD u32Error, char *pcOut, size_t size)
{
    wchar_t wcText[512] = L"";
    DWORD u32Length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                     u32Error, 0, wcText, 512, nullptr);
    while (u32Length > 0 && (wcText[u32Length - 1] == L'\n' || wcText[u32Length - 1] == L'\r' ||
                             wcText[u32Length - 1] == L' ' || wcText[u32Length - 1] == L'.'))
        wcText[--u32Length] = L'\0';
    if (u32Length == 0)
        snprintf(pcOut, size, "error %lu", (unsigned long)u32Error);
    else
        vUiNarrowShown(wcText, pcOut, size);
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

// The bus library reads the variable with the C library's getenv: both the
// process's environment and the C library's copy are set.
void vNameProgramDir(const wchar_t *pwcDir)
{
    wchar_t wcName[64];
    bUiWidePath(UI_PROGRAM_DIR_VARIABLE, wcName, 64);
    SetEnvironmentVariableW(wcName, pwcDir);
    wchar_t wcAssignment[UI_WIDE_PATH + 64];
    _snwprintf(wcAssignment, UI_WIDE_PATH + 64, L"%ls=%ls", wcName, pwcDir ? pwcDir : L"");
    wcAssignment[UI_WIDE_PATH + 63] = L'\0';
    _wputenv(wcAssignment);
}

void vDecideInstalled(const wchar_t *pwcExeDir)
{
    wchar_t wcBase[UI_WIDE_PATH];
    if (!bLocalAppData(wcBase, UI_WIDE_PATH)) {
        snprintf(gc_DirError, sizeof(gc_DirError),
                 "cannot find a folder for settings and logs: LOCALAPPDATA and USERPROFILE are not set");
        return;
    }
    wchar_t wcDir[UI_WIDE_PATH];
    _snwprintf(wcDir, UI_WIDE_PATH, L"%ls\\" USER_DIR_NAME, wcBase);
    wcDir[UI_WIDE_PATH - 1] = L'\0';
    if (!bUiNarrowPath(wcDir, gc_ProgramDir, sizeof(gc_ProgramDir))) {
        snprintf(gc_DirError, sizeof(gc_DirError),
                 "cannot name a folder for settings and logs: its path is too long or not valid");
        return;
    }
    DWORD u32Error = u32MakePath(wcDir);
    if (u32Error != 0) {
        char cWhy[512];
        vErrorText(u32Error, cWhy, sizeof(cWhy));
        snprintf(gc_DirError, sizeof(gc_DirError), "cannot create the folder %s for settings and logs: %s",
                 gc_ProgramDir, cWhy);
    }
    vNameProgramDir(wcDir);
}

void vDecide(void)
{
    gb_DirsDecided = 1;
    gc_DirError[0] = '\0';
    wchar_t wcExeDir[UI_WIDE_PATH];
    vExecutableDir(wcExeDir, UI_WIDE_PATH);
    if (!bUiNarrowPath(wcExeDir, gc_ResourceDir, sizeof(gc_ResourceDir))) {
        snprintf(gc_DirError, sizeof(gc_DirError), "the program's folder has a path too long or not valid");
        return;
    }
    // Without a folder of the user's the files stay beside the program.
    snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", gc_ResourceDir);
    if (bHasResource(wcExeDir) && bWritable(wcExeDir)) {
        vNameProgramDir(nullptr);
        return;
    }
    vDecideInstalled(wcExeDir);
}

} // namespace

void vUiDecideProgramDirAtStart(void) { vDecide(); }

void vUiResourceDir(char *pcDir, size_t size)
{
    if (!gb_DirsDecided)
        vDecide();
    snprintf(pcDir, size, "%s", gc_ResourceDir);
}

int GetProjectDir(char *directory, size_t size)
{
    if (!directory || size == 0)
        return UIE_BAD_ARGUMENT;
    if (!gb_DirsDecided)
        vDecide();
    snprintf(directory, size, "%s", gc_ProgramDir);
    return UIE_NO_ERROR;
}

int GetProjectDirError(char *text, size_t size)
{
    if (text && size)
        snprintf(text, size, "%s", gc_DirError);
    return gc_DirError[0] ? 1 : 0;
}

int MakeDir(const char *path)
{
    if (!path || !*path)
        return UIE_BAD_ARGUMENT;
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bUiWidePath(path, wcPath, UI_WIDE_PATH))
        return UIE_FILE_ERROR;
    if (CreateDirectoryW(wcPath, nullptr))
        return UIE_NO_ERROR;
    return GetLastError() == ERROR_ALREADY_EXISTS ? UIE_ALREADY_EXISTS : UIE_FILE_ERROR;
}

int FileToArray(const char *path, void *data, size_t size, size_t *read)
{
    if (read)
        *read = 0;
    if (!path || (!data && size))
        return UIE_BAD_ARGUMENT;
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bUiWidePath(path, wcPath, UI_WIDE_PATH))
        return UIE_FILE_ERROR;
    HANDLE hFile = CreateFileW(wcPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return UIE_FILE_ERROR;
    size_t got = 0;
    while (got < size) {
        DWORD u32Chunk = size - got > 0x10000000 ? 0x10000000 : (DWORD)(size - got);
        DWORD u32Read = 0;
        if (!ReadFile(hFile, static_cast<char *>(data) + got, u32Chunk, &u32Read, nullptr) || u32Read == 0)
            break;
        got += u32Read;
    }
    CloseHandle(hFile);
    if (read)
        *read = got;
    return UIE_NO_ERROR;
}

int GetFileInfo(const char *path, long *size)
{
    if (size)
        *size = 0;
    if (!path)
        return UIE_BAD_ARGUMENT;
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bUiWidePath(path, wcPath, UI_WIDE_PATH))
        return UIE_FILE_ERROR;
    WIN32_FILE_ATTRIBUTE_DATA stData;
    if (!GetFileAttributesExW(wcPath, GetFileExInfoStandard, &stData)) {
        DWORD u32Error = GetLastError();
        return u32Error == ERROR_FILE_NOT_FOUND || u32Error == ERROR_PATH_NOT_FOUND ||
                       u32Error == ERROR_INVALID_NAME
                   ? 0
                   : UIE_FILE_ERROR;
    }
    if (stData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    if (size)
        *size = stData.nFileSizeHigh || stData.nFileSizeLow > (DWORD)LONG_MAX ? LONG_MAX : (long)stData.nFileSizeLow;
    return 1;
}
