#include "process.h"

#include "platform/filesys/wintext_win32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int gs32_QuitPipe[2] = {-1, -1};

// Ctrl+C and Ctrl+Break in the console of a console program (tavolin-cli)
// are taken as SIGINT: the byte goes into the pipe, and the program goes on.
// A window program has no console and gets none; its quits come through the
// window system (the close box, a logout's WM_QUERYENDSESSION). A closed
// console, a logout or a shutdown end a console program as Windows ends it.
BOOL WINAPI bConsoleBreak(DWORD u32Event)
{
    if (u32Event != CTRL_C_EVENT && u32Event != CTRL_BREAK_EVENT)
        return FALSE;
    unsigned char u8Signal = 2; // SIGINT
    return _write(gs32_QuitPipe[1], &u8Signal, 1) == 1;
}

bool bPipeHoldsBytes(int s32Fd)
{
    DWORD u32Waiting = 0;
    HANDLE hPipe = (HANDLE)_get_osfhandle(s32Fd);
    return hPipe != INVALID_HANDLE_VALUE && PeekNamedPipe(hPipe, nullptr, 0, nullptr, &u32Waiting, nullptr) &&
           u32Waiting > 0;
}

} // namespace

int s32ProcCatchQuitSignals(void)
{
    if (gs32_QuitPipe[0] >= 0)
        return gs32_QuitPipe[0];
    if (_pipe(gs32_QuitPipe, 64, _O_BINARY) != 0) {
        gs32_QuitPipe[0] = gs32_QuitPipe[1] = -1;
        return -1;
    }
    SetConsoleCtrlHandler(bConsoleBreak, TRUE);
    return gs32_QuitPipe[0];
}

int32_t s32ProcTakeQuitSignal(void)
{
    if (gs32_QuitPipe[0] < 0 || !bPipeHoldsBytes(gs32_QuitPipe[0]))
        return 0;
    unsigned char u8Signal = 0;
    return _read(gs32_QuitPipe[0], &u8Signal, 1) == 1 ? u8Signal : 0;
}

// The numbers the signals have on POSIX systems.
const char *pcProcSignalName(int32_t s32Signal)
{
    switch (s32Signal) {
    case 2:
        return "SIGINT";
    case 15:
        return "SIGTERM";
    case 1:
        return "SIGHUP";
    default:
        return "signal";
    }
}

namespace {

HANDLE gh_LockFile = INVALID_HANDLE_VALUE;

// A byte far beyond the holder's id is locked: a locked range cannot be
// read by others, and the second copy reads the id.
const DWORD u32_LockOffset = 1u << 20;

void vSay(char *pcWhy, size_t whySize, const char *pcFormat, const char *pcText, DWORD u32Error)
{
    if (!pcWhy || !whySize)
        return;
    char cError[256];
    vWinErrorText(u32Error, cError, sizeof(cError));
    snprintf(pcWhy, whySize, pcFormat, pcText, cError);
}

int32_t s32ReadHolder(HANDLE hFile)
{
    char cText[32] = "";
    OVERLAPPED stAt = {};
    DWORD u32Got = 0;
    if (!ReadFile(hFile, cText, sizeof(cText) - 1, &u32Got, &stAt) || u32Got == 0)
        return 0;
    cText[u32Got] = '\0';
    long pid = strtol(cText, nullptr, 10);
    return pid > 0 && pid < INT32_MAX ? (int32_t)pid : 0;
}

void vWriteHolder(HANDLE hFile)
{
    char cText[32];
    int s32Len = snprintf(cText, sizeof(cText), "%lu\n", (unsigned long)GetCurrentProcessId());
    LARGE_INTEGER stStart = {};
    DWORD u32Written = 0;
    // The id is a courtesy; the lock is what counts.
    if (s32Len > 0 && SetFilePointerEx(hFile, stStart, nullptr, FILE_BEGIN) && SetEndOfFile(hFile))
        WriteFile(hFile, cText, (DWORD)s32Len, &u32Written, nullptr);
}

} // namespace

int32_t s32ProcLockFolder(const char *pcDir, int32_t *ps32Holder, char *pcWhy, size_t whySize)
{
    if (ps32Holder)
        *ps32Holder = 0;
    if (pcWhy && whySize)
        pcWhy[0] = '\0';
    if (gh_LockFile != INVALID_HANDLE_VALUE)
        return PROC_LOCK_HELD;
    char cPath[WIN_PATH_MAX];
    wchar_t wcPath[WIN_PATH_MAX];
    int s32Len = snprintf(cPath, sizeof(cPath), "%s\\%s", pcDir ? pcDir : "", PROC_LOCK_FILE_NAME);
    if (!pcDir || s32Len < 0 || (size_t)s32Len >= sizeof(cPath) || !bWinWide(cPath, wcPath, WIN_PATH_MAX)) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "the folder's path is too long or not UTF-8");
        return PROC_LOCK_FAILED;
    }
    // A link planted in the folder must not redirect the id we write.
    HANDLE hFile = CreateFileW(wcPath, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        vSay(pcWhy, whySize, "%s: %s", cPath, GetLastError());
        return PROC_LOCK_FAILED;
    }
    BY_HANDLE_FILE_INFORMATION stInfo;
    if (GetFileType(hFile) != FILE_TYPE_DISK || !GetFileInformationByHandle(hFile, &stInfo) ||
        (stInfo.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s is not a regular file", cPath);
        CloseHandle(hFile);
        return PROC_LOCK_FAILED;
    }
    OVERLAPPED stAt = {};
    stAt.Offset = u32_LockOffset;
    if (!LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &stAt)) {
        DWORD u32Error = GetLastError();
        bool bTaken = u32Error == ERROR_LOCK_VIOLATION || u32Error == ERROR_IO_PENDING;
        if (bTaken && ps32Holder)
            *ps32Holder = s32ReadHolder(hFile);
        if (!bTaken)
            vSay(pcWhy, whySize, "%s: %s", cPath, u32Error);
        CloseHandle(hFile);
        return bTaken ? PROC_LOCK_TAKEN : PROC_LOCK_FAILED;
    }
    vWriteHolder(hFile);
    gh_LockFile = hFile;
    return PROC_LOCK_HELD;
}

void vProcUnlockFolder(void)
{
    if (gh_LockFile == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(gh_LockFile);
    gh_LockFile = INVALID_HANDLE_VALUE;
}

namespace {

// One argument as the C run-time's parser reads it back: quoted when it
// holds a blank or a quote or is empty, backslashes doubled before a quote.
bool bAppendArgument(const char *pcArg, char *pcLine, size_t size, size_t *pUsed)
{
    bool bQuote = pcArg[0] == '\0' || strpbrk(pcArg, " \t\n\v\"") != nullptr;
    char cPart[2 * 1024 + 3];
    size_t used = 0, room = sizeof(cPart) - 2;
    if (bQuote)
        cPart[used++] = '"';
    for (const char *pc = pcArg;; pc++) {
        size_t backslashes = 0;
        while (*pc == '\\') {
            backslashes++;
            pc++;
        }
        size_t copies = *pc == '"' || (*pc == '\0' && bQuote) ? 2 * backslashes : backslashes;
        if (used + copies + 2 > room)
            return false;
        memset(cPart + used, '\\', copies);
        used += copies;
        if (*pc == '\0')
            break;
        if (*pc == '"')
            cPart[used++] = '\\';
        cPart[used++] = *pc;
    }
    if (bQuote)
        cPart[used++] = '"';
    cPart[used] = '\0';
    int s32Len = snprintf(pcLine + *pUsed, size - *pUsed, "%s%s", *pUsed ? " " : "", cPart);
    if (s32Len < 0 || (size_t)s32Len >= size - *pUsed)
        return false;
    *pUsed += (size_t)s32Len;
    return true;
}

struct stFeed {
    HANDLE hIn;
    const unsigned char *pu8Input;
    size_t inputLeft;
};

// Its own thread, so that the program never waits on a full pipe while we
// wait on the other. A program that stops reading simply takes no more.
DWORD WINAPI u32FeedInput(void *pvFeed)
{
    stFeed *pstFeed = (stFeed *)pvFeed;
    while (pstFeed->inputLeft > 0) {
        DWORD u32Part = pstFeed->inputLeft > 65536 ? 65536 : (DWORD)pstFeed->inputLeft, u32Written = 0;
        if (!WriteFile(pstFeed->hIn, pstFeed->pu8Input, u32Part, &u32Written, nullptr) || u32Written == 0)
            break;
        pstFeed->pu8Input += u32Written;
        pstFeed->inputLeft -= u32Written;
    }
    CloseHandle(pstFeed->hIn);
    return 0;
}

// Reads to the end; what does not fit is read and dropped.
void vGather(HANDLE hOut, char *pcOutput, size_t outputSize, size_t *pLength)
{
    char cChunk[4096];
    DWORD u32Got = 0;
    while (ReadFile(hOut, cChunk, sizeof(cChunk), &u32Got, nullptr) && u32Got > 0) {
        size_t room = outputSize - 1 - *pLength;
        size_t kept = u32Got < room ? u32Got : room;
        memcpy(pcOutput + *pLength, cChunk, kept);
        *pLength += kept;
    }
}

struct stRunWatch {
    ProcWatcher pfnGoOn;
    void *pvContext;
    DWORD u32LookMs;
};

struct stGather {
    HANDLE hOut;
    char *pcOutput;
    size_t outputSize;
    size_t length;
};

DWORD WINAPI u32GatherOutput(void *pvGather)
{
    stGather *pstGather = (stGather *)pvGather;
    vGather(pstGather->hOut, pstGather->pcOutput, pstGather->outputSize, &pstGather->length);
    return 0;
}

// Until the program and its output end; false when the watcher stopped it.
bool bWaitWatched(HANDLE hProcess, HANDLE hGatherer, const stRunWatch *pstWatch)
{
    HANDLE hBoth[2] = {hProcess, hGatherer};
    while (WaitForMultipleObjects(2, hBoth, TRUE, pstWatch->u32LookMs) == WAIT_TIMEOUT) {
        if (!pstWatch->pfnGoOn(pstWatch->pvContext)) {
            TerminateProcess(hProcess, 1);
            return false;
        }
    }
    return true;
}

// A program it started may still hold the pipes of a stopped one.
void vEndThread(HANDLE hThread)
{
    while (WaitForSingleObject(hThread, 50) == WAIT_TIMEOUT)
        CancelSynchronousIo(hThread);
    CloseHandle(hThread);
}

struct stChildPipes {
    HANDLE hInRead, hInWrite, hOutRead, hOutWrite;
};

void vCloseHandle(HANDLE *phHandle)
{
    if (*phHandle)
        CloseHandle(*phHandle);
    *phHandle = nullptr;
}

void vClosePipes(stChildPipes *pstPipes)
{
    HANDLE *phHandles[] = {&pstPipes->hInRead, &pstPipes->hInWrite, &pstPipes->hOutRead,
                           &pstPipes->hOutWrite};
    for (HANDLE *phHandle : phHandles)
        vCloseHandle(phHandle);
}

// Only the child's ends are inheritable, and the child is given only them.
bool bOpenPipes(stChildPipes *pstPipes)
{
    SECURITY_ATTRIBUTES stInherit = {sizeof(stInherit), nullptr, TRUE};
    *pstPipes = {};
    if (CreatePipe(&pstPipes->hInRead, &pstPipes->hInWrite, &stInherit, 0) &&
        CreatePipe(&pstPipes->hOutRead, &pstPipes->hOutWrite, &stInherit, 0) &&
        SetHandleInformation(pstPipes->hInWrite, HANDLE_FLAG_INHERIT, 0) &&
        SetHandleInformation(pstPipes->hOutRead, HANDLE_FLAG_INHERIT, 0))
        return true;
    vClosePipes(pstPipes);
    return false;
}

bool bStartChild(const wchar_t *pwcProgram, wchar_t *pwcLine, stChildPipes *pstPipes,
                 PROCESS_INFORMATION *pstProcess)
{
    HANDLE hInherited[2] = {pstPipes->hInRead, pstPipes->hOutWrite};
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    alignas(16) static unsigned char u8List[256];
    LPPROC_THREAD_ATTRIBUTE_LIST pstList = (LPPROC_THREAD_ATTRIBUTE_LIST)u8List;
    if (listSize > sizeof(u8List) || !InitializeProcThreadAttributeList(pstList, 1, 0, &listSize))
        return false;
    bool bStarted = false;
    if (UpdateProcThreadAttribute(pstList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, hInherited,
                                  sizeof(hInherited), nullptr, nullptr)) {
        STARTUPINFOEXW stStart = {};
        stStart.StartupInfo.cb = sizeof(stStart);
        stStart.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        stStart.StartupInfo.hStdInput = pstPipes->hInRead;
        stStart.StartupInfo.hStdOutput = pstPipes->hOutWrite;
        stStart.StartupInfo.hStdError = pstPipes->hOutWrite;
        stStart.lpAttributeList = pstList;
        bStarted = CreateProcessW(pwcProgram, pwcLine, nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                  &stStart.StartupInfo, pstProcess) != 0;
    }
    DeleteProcThreadAttributeList(pstList);
    return bStarted;
}

int32_t s32RunFound(const wchar_t *pwcProgram, wchar_t *pwcLine, const void *pvInput, size_t inputSize,
                    char *pcOutput, size_t outputSize, size_t *pLength, int32_t *ps32ExitStatus,
                    const stRunWatch *pstWatch, const char *pcName, char *pcWhy, size_t whySize)
{
    stChildPipes stPipes;
    if (!bOpenPipes(&stPipes)) {
        vSay(pcWhy, whySize, "%s: cannot make its pipes: %s", pcName, GetLastError());
        return PROC_RUN_FAILED;
    }
    PROCESS_INFORMATION stProcess = {};
    if (!bStartChild(pwcProgram, pwcLine, &stPipes, &stProcess)) {
        DWORD u32Error = GetLastError();
        vClosePipes(&stPipes);
        vSay(pcWhy, whySize, "%s: cannot run it: %s", pcName, u32Error);
        return PROC_RUN_FAILED;
    }
    vCloseHandle(&stPipes.hInRead);
    vCloseHandle(&stPipes.hOutWrite);
    CloseHandle(stProcess.hThread);
    stFeed stInput = {stPipes.hInWrite, (const unsigned char *)pvInput, inputSize};
    stPipes.hInWrite = nullptr;
    HANDLE hFeeder = CreateThread(nullptr, 0, u32FeedInput, &stInput, 0, nullptr);
    if (!hFeeder)
        CloseHandle(stInput.hIn);
    stGather stOut = {stPipes.hOutRead, pcOutput, outputSize, 0};
    HANDLE hGatherer = pstWatch->pfnGoOn
                           ? CreateThread(nullptr, 0, u32GatherOutput, &stOut, 0, nullptr)
                           : nullptr;
    bool bStopped = false;
    if (hGatherer) {
        bStopped = !bWaitWatched(stProcess.hProcess, hGatherer, pstWatch);
        vEndThread(hGatherer);
    } else {
        u32GatherOutput(&stOut);
    }
    *pLength = stOut.length;
    vClosePipes(&stPipes);
    if (hFeeder && bStopped) {
        vEndThread(hFeeder);
    } else if (hFeeder) {
        WaitForSingleObject(hFeeder, INFINITE);
        CloseHandle(hFeeder);
    }
    WaitForSingleObject(stProcess.hProcess, INFINITE);
    DWORD u32Exit = 0;
    bool bKnown = GetExitCodeProcess(stProcess.hProcess, &u32Exit) != 0;
    DWORD u32Error = GetLastError();
    CloseHandle(stProcess.hProcess);
    if (!bKnown) {
        vSay(pcWhy, whySize, "%s: cannot wait for it: %s", pcName, u32Error);
        return PROC_RUN_FAILED;
    }
    if (ps32ExitStatus)
        *ps32ExitStatus = (int32_t)u32Exit;
    return bStopped ? PROC_RUN_STOPPED : PROC_RUN_OK;
}

} // namespace

namespace {
char gc_RunEnvNames[PROC_ENV_MAX][PROC_ENV_TEXT_MAX + 1];
int32_t gs32_RunEnvCount = 0;
} // namespace

// CreateProcessW gives a child our own environment: the entries are set in
// ours, and those of the list before are taken out of it again.
bool bProcSetRunEnvironment(const char *const *ppcEntries)
{
    for (int32_t i = 0; i < gs32_RunEnvCount; i++)
        SetEnvironmentVariableA(gc_RunEnvNames[i], nullptr);
    gs32_RunEnvCount = 0;
    int32_t s32Count = 0;
    for (; ppcEntries && ppcEntries[s32Count]; s32Count++) {
        const char *pcEquals = strchr(ppcEntries[s32Count], '=');
        if (s32Count == PROC_ENV_MAX || !pcEquals || pcEquals == ppcEntries[s32Count] ||
            strlen(ppcEntries[s32Count]) > PROC_ENV_TEXT_MAX)
            return false;
    }
    for (int32_t i = 0; i < s32Count; i++) {
        size_t nameLength = strcspn(ppcEntries[i], "=");
        snprintf(gc_RunEnvNames[i], sizeof(gc_RunEnvNames[i]), "%.*s", (int)nameLength,
                 ppcEntries[i]);
        SetEnvironmentVariableA(gc_RunEnvNames[i], ppcEntries[i] + nameLength + 1);
    }
    gs32_RunEnvCount = s32Count;
    return true;
}

int32_t s32ProcRunCapture(const char *const *ppcArgv, const void *pvInput, size_t inputSize,
                          char *pcOutput, size_t outputSize, size_t *pOutputLength,
                          int32_t *ps32ExitStatus, char *pcWhy, size_t whySize)
{
    return s32ProcRunWatched(ppcArgv, pvInput, inputSize, pcOutput, outputSize, pOutputLength,
                             ps32ExitStatus, 0, nullptr, nullptr, pcWhy, whySize);
}

int32_t s32ProcRunWatched(const char *const *ppcArgv, const void *pvInput, size_t inputSize,
                          char *pcOutput, size_t outputSize, size_t *pOutputLength,
                          int32_t *ps32ExitStatus, uint32_t u32LookMs, ProcWatcher pfnGoOn,
                          void *pvContext, char *pcWhy, size_t whySize)
{
    if (pcWhy && whySize)
        pcWhy[0] = '\0';
    if (pOutputLength)
        *pOutputLength = 0;
    if (ps32ExitStatus)
        *ps32ExitStatus = -1;
    if (!ppcArgv || !ppcArgv[0] || !pcOutput || outputSize == 0 || (!pvInput && inputSize)) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "no program, or no room for its output");
        return PROC_RUN_FAILED;
    }
    pcOutput[0] = '\0';
    static char cLine[8192];
    static wchar_t wcLine[8192];
    wchar_t wcName[MAX_PATH], wcProgram[MAX_PATH];
    size_t used = 0;
    cLine[0] = '\0';
    for (const char *const *ppcArg = ppcArgv; *ppcArg; ppcArg++) {
        if (!bAppendArgument(*ppcArg, cLine, sizeof(cLine), &used)) {
            if (pcWhy && whySize)
                snprintf(pcWhy, whySize, "%s: its command line is too long", ppcArgv[0]);
            return PROC_RUN_FAILED;
        }
    }
    if (!bWinWide(ppcArgv[0], wcName, MAX_PATH) || !bWinWide(cLine, wcLine, 8192)) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s: its name or arguments are not UTF-8", ppcArgv[0]);
        return PROC_RUN_FAILED;
    }
    DWORD u32Found = SearchPathW(nullptr, wcName, L".exe", MAX_PATH, wcProgram, nullptr);
    if (u32Found == 0 || u32Found >= MAX_PATH)
        return PROC_RUN_NOT_FOUND;
    size_t length = 0;
    stRunWatch stWatch = {pfnGoOn, pvContext, u32LookMs};
    int32_t s32Result = s32RunFound(wcProgram, wcLine, pvInput, inputSize, pcOutput, outputSize,
                                    &length, ps32ExitStatus, &stWatch, ppcArgv[0], pcWhy, whySize);
    pcOutput[length] = '\0';
    if (pOutputLength)
        *pOutputLength = length;
    return s32Result;
}

// A console a person watches; a pipe or a file is none.
int32_t bProcIsTerminal(int32_t s32Fd)
{
    DWORD u32Which = s32Fd == 0 ? STD_INPUT_HANDLE : s32Fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    if (s32Fd < 0 || s32Fd > 2)
        return 0;
    HANDLE hStd = GetStdHandle(u32Which);
    DWORD u32Mode = 0;
    return hStd && hStd != INVALID_HANDLE_VALUE && GetConsoleMode(hStd, &u32Mode) ? 1 : 0;
}

int32_t s32ProcHostName(char *pcName, size_t size)
{
    if (!pcName || size == 0)
        return 0;
    pcName[0] = '\0';
    wchar_t wcName[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD u32Units = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(wcName, &u32Units) || u32Units == 0)
        return 0;
    return bWinUtf8(wcName, pcName, size) ? 1 : 0;
}

namespace {
int32_t gs32_TestYear = 0, gs32_TestMonth = 0, gs32_TestDay = 0;
}

void vProcSetDateForTest(int32_t s32Year, int32_t s32Month, int32_t s32Day)
{
    gs32_TestYear = s32Year;
    gs32_TestMonth = s32Month;
    gs32_TestDay = s32Day;
}

void vProcLocalDate(int32_t *ps32Year, int32_t *ps32Month, int32_t *ps32Day)
{
    int32_t s32Year = gs32_TestYear, s32Month = gs32_TestMonth, s32Day = gs32_TestDay;
    if (s32Year == 0) {
        SYSTEMTIME stNow;
        GetLocalTime(&stNow);
        s32Year = stNow.wYear;
        s32Month = stNow.wMonth;
        s32Day = stNow.wDay;
    }
    if (ps32Year)
        *ps32Year = s32Year;
    if (ps32Month)
        *ps32Month = s32Month;
    if (ps32Day)
        *ps32Day = s32Day;
}

namespace {

ProcOpener gpfn_Opener = nullptr;

} // namespace

void vProcSetOpenerForTest(ProcOpener pfnOpen) { gpfn_Opener = pfnOpen; }

void vProcBinaryStream(FILE *pStream)
{
    fflush(pStream);
    _setmode(_fileno(pStream), _O_BINARY);
}

bool bProcOpenDocument(const char *pcPath, char *pcWhy, size_t whySize)
{
    if (gpfn_Opener)
        return gpfn_Opener(pcPath, pcWhy, whySize);
    static wchar_t wcPath[32768];
    if (!bWinWide(pcPath, wcPath, sizeof(wcPath) / sizeof(wcPath[0]))) {
        snprintf(pcWhy, whySize, "%s: the name is not valid UTF-8 or too long", pcPath);
        return false;
    }
    // Above 32 is success; the rest are the old error codes.
    INT_PTR result = (INT_PTR)ShellExecuteW(nullptr, L"open", wcPath, nullptr, nullptr,
                                            SW_SHOWNORMAL);
    if (result > 32)
        return true;
    char cText[256];
    vWinErrorText(GetLastError(), cText, sizeof(cText));
    snprintf(pcWhy, whySize, "%s could not be opened: %s", pcPath, cText);
    return false;
}
