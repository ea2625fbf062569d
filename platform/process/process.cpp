#include "process.h"

#include "platform/filesys/filesys.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

int gs32_SignalPipe[2] = {-1, -1};
int gs32_LockFd = -1;
char gc_RunEnv[PROC_ENV_MAX][PROC_ENV_TEXT_MAX + 1];
int32_t gs32_RunEnvCount = 0;
#define RUN_ENVP_MAX 4096
const char *gpc_RunEnvp[RUN_ENVP_MAX + PROC_ENV_MAX + 1];

void vOnQuitSignal(int s32Signal)
{
    int s32SavedErrno = errno;
    unsigned char u8Signal = (unsigned char)s32Signal;
    ssize_t written = write(gs32_SignalPipe[1], &u8Signal, 1);
    (void)written; // a full pipe already holds a quit request
    errno = s32SavedErrno;
}

} // namespace

int s32ProcCatchQuitSignals(void)
{
    if (gs32_SignalPipe[0] >= 0)
        return gs32_SignalPipe[0];
    if (pipe2(gs32_SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gs32_SignalPipe[0] = gs32_SignalPipe[1] = -1;
        return -1;
    }
    struct sigaction stAction;
    memset(&stAction, 0, sizeof(stAction));
    stAction.sa_handler = vOnQuitSignal;
    sigemptyset(&stAction.sa_mask);
    stAction.sa_flags = SA_RESTART;
    const int s32Signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int s32Signal : s32Signals)
        sigaction(s32Signal, &stAction, nullptr);
    // Ctrl+C also ends a pipe the output goes through ('tavolin 2>&1 | tee'):
    // the line that says we quit must not end us in the middle of a write.
    signal(SIGPIPE, SIG_IGN);
    return gs32_SignalPipe[0];
}

int32_t s32ProcTakeQuitSignal(void)
{
    if (gs32_SignalPipe[0] < 0)
        return 0;
    unsigned char u8Signal = 0;
    ssize_t got;
    do {
        got = read(gs32_SignalPipe[0], &u8Signal, 1);
    } while (got < 0 && errno == EINTR);
    return got == 1 ? u8Signal : 0;
}

const char *pcProcSignalName(int32_t s32Signal)
{
    switch (s32Signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "signal";
    }
}

namespace {

int32_t s32ReadHolder(int s32Fd)
{
    char cText[32] = "";
    ssize_t got = pread(s32Fd, cText, sizeof(cText) - 1, 0);
    if (got <= 0)
        return 0;
    cText[got] = '\0';
    long pid = strtol(cText, nullptr, 10);
    return pid > 0 && pid < INT32_MAX ? (int32_t)pid : 0;
}

// Only a regular file locks the folder: a folder, a link, a FIFO or a
// device in its place is never opened (a device's open may act) and locks
// nothing, so the caller must not run on the folder.
bool bLockFileRefused(const char *pcPath, char *pcWhy, size_t whySize)
{
    struct stat stInfo;
    if (lstat(pcPath, &stInfo) != 0 || S_ISREG(stInfo.st_mode))
        return false;
    if (pcWhy && whySize)
        snprintf(pcWhy, whySize, "%s is %s, not a regular file", pcPath,
                 S_ISLNK(stInfo.st_mode) ? "a symbolic link" : pcFsKindOf(stInfo.st_mode));
    return true;
}

void vWriteHolder(int s32Fd)
{
    char cText[32];
    int s32Len = snprintf(cText, sizeof(cText), "%ld\n", (long)getpid());
    if (ftruncate(s32Fd, 0) == 0 && s32Len > 0) {
        ssize_t written = pwrite(s32Fd, cText, (size_t)s32Len, 0);
        (void)written; // the id is a courtesy; the lock is what counts
    }
}

} // namespace

int32_t s32ProcLockFolder(const char *pcDir, int32_t *ps32Holder, char *pcWhy, size_t whySize)
{
    if (ps32Holder)
        *ps32Holder = 0;
    if (pcWhy && whySize)
        pcWhy[0] = '\0';
    if (gs32_LockFd >= 0)
        return PROC_LOCK_HELD;
    char cPath[4096];
    int s32Len = snprintf(cPath, sizeof(cPath), "%s/%s", pcDir ? pcDir : "", PROC_LOCK_FILE_NAME);
    if (!pcDir || s32Len < 0 || (size_t)s32Len >= sizeof(cPath)) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "the folder's path is too long");
        return PROC_LOCK_FAILED;
    }
    if (bLockFileRefused(cPath, pcWhy, whySize))
        return PROC_LOCK_FAILED;
    // A symlink planted in the folder must not redirect the id we write.
    int s32Fd =
        open(cPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
    if (s32Fd < 0) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s: %s", cPath, strerror(errno));
        return PROC_LOCK_FAILED;
    }
    struct stat stInfo;
    if (fstat(s32Fd, &stInfo) != 0) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s: %s", cPath, strerror(errno));
        close(s32Fd);
        return PROC_LOCK_FAILED;
    }
    if (!S_ISREG(stInfo.st_mode)) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s is %s, not a regular file", cPath,
                     pcFsKindOf(stInfo.st_mode));
        close(s32Fd);
        return PROC_LOCK_FAILED;
    }
    int s32Locked;
    do {
        s32Locked = flock(s32Fd, LOCK_EX | LOCK_NB);
    } while (s32Locked != 0 && errno == EINTR);
    if (s32Locked != 0) {
        int s32Error = errno;
        if (s32Error == EWOULDBLOCK && ps32Holder)
            *ps32Holder = s32ReadHolder(s32Fd);
        if (s32Error != EWOULDBLOCK && pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s: %s", cPath, strerror(s32Error));
        close(s32Fd);
        return s32Error == EWOULDBLOCK ? PROC_LOCK_TAKEN : PROC_LOCK_FAILED;
    }
    vWriteHolder(s32Fd);
    gs32_LockFd = s32Fd;
    return PROC_LOCK_HELD;
}

void vProcUnlockFolder(void)
{
    if (gs32_LockFd < 0)
        return;
    close(gs32_LockFd);
    gs32_LockFd = -1;
}

namespace {

struct stRunPipes {
    int s32In[2];   // our end [1] writes its standard input
    int s32Out[2];  // our end [0] reads its standard output and error
    int s32Exec[2]; // the child writes errno here when exec fails
};

void vCloseFd(int *ps32Fd)
{
    if (*ps32Fd >= 0)
        close(*ps32Fd);
    *ps32Fd = -1;
}

void vClosePipes(stRunPipes *pstPipes)
{
    int *ps32Fds[] = {&pstPipes->s32In[0],  &pstPipes->s32In[1],   &pstPipes->s32Out[0],
                      &pstPipes->s32Out[1], &pstPipes->s32Exec[0], &pstPipes->s32Exec[1]};
    for (int *ps32Fd : ps32Fds)
        vCloseFd(ps32Fd);
}

bool bOpenPipes(stRunPipes *pstPipes)
{
    pstPipes->s32In[0] = pstPipes->s32In[1] = -1;
    pstPipes->s32Out[0] = pstPipes->s32Out[1] = -1;
    pstPipes->s32Exec[0] = pstPipes->s32Exec[1] = -1;
    if (pipe2(pstPipes->s32In, O_CLOEXEC) == 0 && pipe2(pstPipes->s32Out, O_CLOEXEC) == 0 &&
        pipe2(pstPipes->s32Exec, O_CLOEXEC) == 0)
        return true;
    vClosePipes(pstPipes);
    return false;
}

// Between fork and exec: only calls that are safe in a child of a process
// with threads. Descriptors opened without close-on-exec (by a library) are
// marked so here; the exec pipe already is.
// A descriptor already in place keeps its close-on-exec mark through dup2.
bool bPutAt(int s32Fd, int s32Target)
{
    if (s32Fd == s32Target)
        return fcntl(s32Target, F_SETFD, 0) == 0;
    return dup2(s32Fd, s32Target) == s32Target;
}

[[noreturn]] void vChildFails(int s32ExecFd)
{
    int s32Error = errno;
    ssize_t written = write(s32ExecFd, &s32Error, sizeof(s32Error));
    (void)written;
    _exit(127);
}

[[noreturn]] void vRunChild(const char *const *ppcArgv, const char *const *ppcEnvp,
                            const stRunPipes *pstPipes, long maxFd)
{
    if (!bPutAt(pstPipes->s32In[0], 0) || !bPutAt(pstPipes->s32Out[1], 1) ||
        !bPutAt(pstPipes->s32Out[1], 2))
        vChildFails(pstPipes->s32Exec[1]);
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (long fd = 3; fd < maxFd; fd++)
            fcntl((int)fd, F_SETFD, FD_CLOEXEC);
    }
    signal(SIGPIPE, SIG_DFL); // ignored dispositions survive exec
    setpgid(0, 0);            // a stop ends what it starts too
    if (ppcEnvp)
        execvpe(ppcArgv[0], const_cast<char *const *>(ppcArgv), const_cast<char *const *>(ppcEnvp));
    else
        execvp(ppcArgv[0], const_cast<char *const *>(ppcArgv));
    vChildFails(pstPipes->s32Exec[1]);
}

// The child's errno when it could not exec, else 0 (the pipe closed on exec).
int s32ExecError(int s32Fd)
{
    int s32Error = 0;
    ssize_t got;
    do {
        got = read(s32Fd, &s32Error, sizeof(s32Error));
    } while (got < 0 && errno == EINTR);
    return got == (ssize_t)sizeof(s32Error) ? s32Error : 0;
}

// The caller's watcher, asked after every look at the program.
struct stWatch {
    ProcWatcher pfnGoOn;    // null: the waits block
    void *pvContext;
    int s32LookMs;          // the longest a look waits; -1 without a watcher
    bool bStopped;          // the watcher said stop; the program was killed
};

// False once the watcher says stop: the program and all it started are
// killed then. True without a watcher.
bool bWatchGoesOn(stWatch *pstWatch, pid_t pid)
{
    if (!pstWatch->pfnGoOn)
        return true;
    if (!pstWatch->bStopped && !pstWatch->pfnGoOn(pstWatch->pvContext)) {
        pstWatch->bStopped = true;
        kill(-pid, SIGKILL);
    }
    return !pstWatch->bStopped;
}

int32_t s32WaitStatus(pid_t pid, stWatch *pstWatch, int32_t *ps32Status)
{
    int s32Raw = 0;
    pid_t done;
    do {
        bool bLook = pstWatch->pfnGoOn && !pstWatch->bStopped;
        done = waitpid(pid, &s32Raw, bLook ? WNOHANG : 0);
        if (done == 0) {
            poll(nullptr, 0, pstWatch->s32LookMs);
            bWatchGoesOn(pstWatch, pid);
            errno = EINTR;
            done = -1;
        }
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        return errno;
    *ps32Status = WIFEXITED(s32Raw) ? WEXITSTATUS(s32Raw) : 128 + WTERMSIG(s32Raw);
    return 0;
}

struct stExchange {
    pid_t pid;
    stWatch *pstWatch;
    const unsigned char *pu8Input;
    size_t inputLeft;
    char *pcOutput;
    size_t outputSize;
    size_t outputLength;
};

// A reader that went away (EPIPE) simply takes no more input.
void vWriteSome(int *ps32InFd, stExchange *pstEx)
{
    ssize_t written = write(*ps32InFd, pstEx->pu8Input, pstEx->inputLeft);
    if (written < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (written <= 0) {
        vCloseFd(ps32InFd);
        return;
    }
    pstEx->pu8Input += written;
    pstEx->inputLeft -= (size_t)written;
    if (pstEx->inputLeft == 0)
        vCloseFd(ps32InFd);
}

// 0 while output goes on, 1 at its end, or an errno.
int s32ReadSome(int s32OutFd, stExchange *pstEx)
{
    char cChunk[4096];
    ssize_t got = read(s32OutFd, cChunk, sizeof(cChunk));
    if (got < 0)
        return errno == EINTR || errno == EAGAIN ? 0 : errno;
    if (got == 0)
        return 1;
    size_t room = pstEx->outputSize - 1 - pstEx->outputLength;
    size_t kept = (size_t)got < room ? (size_t)got : room;
    memcpy(pstEx->pcOutput + pstEx->outputLength, cChunk, kept);
    pstEx->outputLength += kept;
    return 0;
}

// Feeds the input and gathers the output at once, so that neither side
// waits on a full pipe. 0 at the output's end or when the watcher stopped
// the program, or an errno.
int s32Exchange(int *ps32InFd, int s32OutFd, stExchange *pstEx)
{
    if (pstEx->inputLeft == 0)
        vCloseFd(ps32InFd);
    else
        fcntl(*ps32InFd, F_SETFL, fcntl(*ps32InFd, F_GETFL) | O_NONBLOCK);
    for (;;) {
        struct pollfd stPoll[2] = {{s32OutFd, POLLIN, 0}, {*ps32InFd, POLLOUT, 0}};
        int s32Ready = poll(stPoll, *ps32InFd >= 0 ? 2 : 1, pstEx->pstWatch->s32LookMs);
        if (s32Ready < 0 && errno == EINTR)
            continue;
        if (s32Ready < 0)
            return errno;
        if (*ps32InFd >= 0 && stPoll[1].revents)
            vWriteSome(ps32InFd, pstEx);
        if (stPoll[0].revents) {
            int s32Read = s32ReadSome(s32OutFd, pstEx);
            if (s32Read != 0)
                return s32Read == 1 ? 0 : s32Read;
        }
        if (!bWatchGoesOn(pstEx->pstWatch, pstEx->pid))
            return 0;
    }
}

void vSay(char *pcWhy, size_t whySize, const char *pcProgram, const char *pcWhat, int s32Error)
{
    if (pcWhy && whySize)
        snprintf(pcWhy, whySize, "%s: %s: %s", pcProgram, pcWhat, strerror(s32Error));
}

int32_t s32AfterFork(const char *const *ppcArgv, pid_t pid, stRunPipes *pstPipes,
                     stExchange *pstEx, int32_t *ps32ExitStatus, char *pcWhy, size_t whySize)
{
    vCloseFd(&pstPipes->s32In[0]);
    vCloseFd(&pstPipes->s32Out[1]);
    vCloseFd(&pstPipes->s32Exec[1]);
    int s32Error = s32ExecError(pstPipes->s32Exec[0]);
    int s32Exchanged = s32Error ? 0 : s32Exchange(&pstPipes->s32In[1], pstPipes->s32Out[0], pstEx);
    // Its end of the output closed: it cannot block on us any more.
    vClosePipes(pstPipes);
    int32_t s32Status = 0;
    int s32Waited = s32WaitStatus(pid, pstEx->pstWatch, &s32Status);
    if (s32Error == ENOENT)
        return PROC_RUN_NOT_FOUND;
    if (s32Error) {
        vSay(pcWhy, whySize, ppcArgv[0], "cannot run it", s32Error);
        return PROC_RUN_FAILED;
    }
    if (s32Exchanged || s32Waited) {
        vSay(pcWhy, whySize, ppcArgv[0], s32Exchanged ? "cannot read its output" : "cannot wait for it",
             s32Exchanged ? s32Exchanged : s32Waited);
        return PROC_RUN_FAILED;
    }
    if (ps32ExitStatus)
        *ps32ExitStatus = s32Status;
    return pstEx->pstWatch->bStopped ? PROC_RUN_STOPPED : PROC_RUN_OK;
}

bool bRunEnvNames(const char *pcEntry)
{
    for (int32_t i = 0; i < gs32_RunEnvCount; i++) {
        size_t nameLength = strcspn(gc_RunEnv[i], "=");
        if (strncmp(pcEntry, gc_RunEnv[i], nameLength + 1) == 0)
            return true;
    }
    return false;
}

// Ours with the entries set in place of their names, made before the fork
// (the child of a process with threads may not allocate); null for ours
// alone, or when ours is too long to copy.
const char *const *ppcRunEnvironment(void)
{
    if (gs32_RunEnvCount == 0)
        return nullptr;
    size_t used = 0;
    for (char **ppcOurs = environ; ppcOurs && *ppcOurs; ppcOurs++) {
        if (bRunEnvNames(*ppcOurs))
            continue;
        if (used == RUN_ENVP_MAX)
            return nullptr;
        gpc_RunEnvp[used++] = *ppcOurs;
    }
    for (int32_t i = 0; i < gs32_RunEnvCount; i++)
        gpc_RunEnvp[used++] = gc_RunEnv[i];
    gpc_RunEnvp[used] = nullptr;
    return gpc_RunEnvp;
}

} // namespace

bool bProcSetRunEnvironment(const char *const *ppcEntries)
{
    gs32_RunEnvCount = 0;
    int32_t s32Count = 0;
    for (; ppcEntries && ppcEntries[s32Count]; s32Count++) {
        const char *pcEntry = ppcEntries[s32Count];
        const char *pcEquals = strchr(pcEntry, '=');
        if (s32Count == PROC_ENV_MAX || !pcEquals || pcEquals == pcEntry ||
            strlen(pcEntry) > PROC_ENV_TEXT_MAX)
            return false;
    }
    for (int32_t i = 0; i < s32Count; i++)
        snprintf(gc_RunEnv[i], sizeof(gc_RunEnv[i]), "%s", ppcEntries[i]);
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
    stRunPipes stPipes;
    if (!bOpenPipes(&stPipes)) {
        vSay(pcWhy, whySize, ppcArgv[0], "cannot make its pipes", errno);
        return PROC_RUN_FAILED;
    }
    long maxFd = sysconf(_SC_OPEN_MAX);
    if (maxFd < 0 || maxFd > 65536)
        maxFd = 65536;
    const char *const *ppcEnvp = ppcRunEnvironment();
    pid_t pid = fork();
    if (pid == 0)
        vRunChild(ppcArgv, ppcEnvp, &stPipes, maxFd);
    if (pid < 0) {
        int s32Error = errno;
        vClosePipes(&stPipes);
        vSay(pcWhy, whySize, ppcArgv[0], "cannot start it", s32Error);
        return PROC_RUN_FAILED;
    }
    int s32LookMs = !pfnGoOn ? -1 : u32LookMs > 60000 ? 60000 : (int)u32LookMs;
    stWatch stWatcher = {pfnGoOn, pvContext, s32LookMs, false};
    stExchange stEx = {pid, &stWatcher, (const unsigned char *)pvInput, inputSize,
                       pcOutput, outputSize, 0};
    int32_t s32Result =
        s32AfterFork(ppcArgv, pid, &stPipes, &stEx, ps32ExitStatus, pcWhy, whySize);
    pcOutput[stEx.outputLength] = '\0';
    if (pOutputLength)
        *pOutputLength = stEx.outputLength;
    return s32Result;
}

int32_t bProcIsTerminal(int32_t s32Fd) { return isatty(s32Fd) == 1 ? 1 : 0; }

int32_t s32ProcHostName(char *pcName, size_t size)
{
    if (!pcName || size == 0)
        return 0;
    pcName[0] = '\0';
    char cName[256];
    if (gethostname(cName, sizeof(cName)) != 0)
        return 0;
    cName[sizeof(cName) - 1] = '\0';
    if (cName[0] == '\0' || strlen(cName) >= size)
        return 0;
    snprintf(pcName, size, "%s", cName);
    return 1;
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
        time_t now = time(nullptr);
        struct tm stNow;
        memset(&stNow, 0, sizeof(stNow));
        localtime_r(&now, &stNow);
        s32Year = stNow.tm_year + 1900;
        s32Month = stNow.tm_mon + 1;
        s32Day = stNow.tm_mday;
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

// The grandchild runs the opener, so nothing waits for it and no zombie is
// left; an exec that fails tells its errno through a pipe closed on exec.
[[noreturn]] void vRunOpener(const char *pcPath, int s32ReportFd)
{
    if (fork() != 0)
        _exit(0);
    setsid();
    int s32Null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (s32Null >= 0) {
        dup2(s32Null, 0);
        dup2(s32Null, 1);
        dup2(s32Null, 2);
    }
    execlp("xdg-open", "xdg-open", pcPath, (char *)nullptr);
    int s32Error = errno;
    ssize_t written = write(s32ReportFd, &s32Error, sizeof(s32Error));
    (void)written;
    _exit(127);
}

} // namespace

void vProcSetOpenerForTest(ProcOpener pfnOpen) { gpfn_Opener = pfnOpen; }

void vProcBinaryStream(FILE *) {}

bool bProcOpenDocument(const char *pcPath, char *pcWhy, size_t whySize)
{
    if (gpfn_Opener)
        return gpfn_Opener(pcPath, pcWhy, whySize);
    int s32Report[2];
    if (pipe2(s32Report, O_CLOEXEC) != 0) {
        vSay(pcWhy, whySize, "xdg-open", "could not be started", errno);
        return false;
    }
    pid_t pid = fork();
    if (pid == 0)
        vRunOpener(pcPath, s32Report[1]);
    int s32ForkError = errno;
    close(s32Report[1]);
    int s32Error = 0;
    ssize_t got = pid > 0 ? read(s32Report[0], &s32Error, sizeof(s32Error)) : 0;
    close(s32Report[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    if (pid < 0 || got == (ssize_t)sizeof(s32Error)) {
        vSay(pcWhy, whySize, "xdg-open", "could not be started", pid < 0 ? s32ForkError : s32Error);
        return false;
    }
    return true;
}
