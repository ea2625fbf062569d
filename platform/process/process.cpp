#include "process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int gs32_SignalPipe[2] = {-1, -1};
int gs32_LockFd = -1;

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
    long s32Pid = strtol(cText, nullptr, 10);
    return s32Pid > 0 && s32Pid < INT32_MAX ? (int32_t)s32Pid : 0;
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
    // A symlink planted in the folder must not redirect the id we write.
    int s32Fd = open(cPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (s32Fd < 0) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s: %s", cPath, strerror(errno));
        return PROC_LOCK_FAILED;
    }
    struct stat stInfo;
    if (fstat(s32Fd, &stInfo) != 0 || !S_ISREG(stInfo.st_mode)) {
        if (pcWhy && whySize)
            snprintf(pcWhy, whySize, "%s is not a regular file", cPath);
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
