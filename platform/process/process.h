// The process among others: quit signals caught into a pipe that the event
// loop reads, the lock that keeps a second copy of the program off a folder
// the first one uses, other programs run with their output captured, the
// host's name and the local date. POSIX (process.cpp); on Windows
// (process_win32.cpp) Ctrl+C and Ctrl+Break in a console program's console
// are its only quit signals, both SIGINT, and the lock is LockFileEx.
#ifndef PROCESS_H
#define PROCESS_H

#include <stddef.h>
#include <stdio.h>
#include <stdint.h>

// SIGINT, SIGTERM and SIGHUP no longer end the process: each is written as
// one byte into a pipe (nothing else happens in the handler). Returns the
// pipe's reading end, to be watched by the event loop, or -1. Calling it
// again returns the same end. SIGPIPE is ignored from then on: a write to a
// pipe nobody reads fails instead of ending the process.
int s32ProcCatchQuitSignals(void);
// The next quit signal caught, or 0 when none waits; never blocks.
int32_t s32ProcTakeQuitSignal(void);
// "SIGINT", "SIGTERM", "SIGHUP", or "signal" for any other number.
const char *pcProcSignalName(int32_t s32Signal);

// Results of s32ProcLockFolder.
enum {
    PROC_LOCK_HELD = 0,      // this process holds the folder until it ends
    PROC_LOCK_TAKEN = 1,     // another process holds it
    PROC_LOCK_FAILED = -1,   // no lock file could be made there, or it is no
                             // regular file: the folder is not locked
};
#define PROC_LOCK_FILE_NAME "tavolin.lock"
// Takes an exclusive advisory lock on the lock file in the folder, made when
// missing, for the rest of the process's life (the kernel releases it when
// the process ends, however it ends). With the lock held, the file holds
// this process's id. Taken by another process: its id in *ps32Holder (0
// when unknown), and nothing is written. Failed: why in pcWhy.
int32_t s32ProcLockFolder(const char *pcDir, int32_t *ps32Holder, char *pcWhy, size_t whySize);
// Gives the lock up (the tests take it again in one process).
void vProcUnlockFolder(void);

// Results of s32ProcRunCapture.
enum {
    PROC_RUN_OK = 0,         // it ran; its exit status is given
    PROC_RUN_NOT_FOUND = 1,  // no such program on the PATH
    PROC_RUN_FAILED = -1,    // it could not be run or read; why is given
    PROC_RUN_STOPPED = 2,    // the watcher stopped it; its output until then is given
};
// Runs ppcArgv[0], searched on the PATH, with the arguments ppcArgv (null
// ended), no shell. The inputSize bytes of pvInput are its standard input;
// its standard output and standard error together go into pcOutput, NUL
// ended, their length in *pOutputLength. What does not fit is dropped, but
// the program is still read to its end. It inherits none of our other
// descriptors. Its exit status goes to *ps32ExitStatus (128 + the signal
// when a signal ended it). Waits for the program however long it runs.
int32_t s32ProcRunCapture(const char *const *ppcArgv, const void *pvInput, size_t inputSize,
                          char *pcOutput, size_t outputSize, size_t *pOutputLength,
                          int32_t *ps32ExitStatus, char *pcWhy, size_t whySize);
// The same, with a watcher: the program is waited for at most u32LookMs of
// real time at once, and after every look pfnGoOn(pvContext) is asked (to
// serve a window, to keep a time limit on the caller's clock). Its false
// kills the program (on Linux with all it started) and gives
// PROC_RUN_STOPPED.
typedef bool (*ProcWatcher)(void *pvContext);
int32_t s32ProcRunWatched(const char *const *ppcArgv, const void *pvInput, size_t inputSize,
                          char *pcOutput, size_t outputSize, size_t *pOutputLength,
                          int32_t *ps32ExitStatus, uint32_t u32LookMs, ProcWatcher pfnGoOn,
                          void *pvContext, char *pcWhy, size_t whySize);

// "NAME=value" entries (a null-ended list, copied) that the programs run
// after this find in their environment beside ours, replacing ours of the
// same name; null or an empty list: ours alone. False when they do not fit
// (PROC_ENV_MAX entries of PROC_ENV_TEXT_MAX characters) or one has no name;
// the list is empty then.
#define PROC_ENV_MAX 8
#define PROC_ENV_TEXT_MAX 511
bool bProcSetRunEnvironment(const char *const *ppcEntries);

// 1 when standard error (2) or output (1) is a terminal a person watches.
int32_t bProcIsTerminal(int32_t s32Fd);
// The host's name: 1 when it is known and fits, else 0 and "".
int32_t s32ProcHostName(char *pcName, size_t size);
// Today's local date (month and day from 1).
void vProcLocalDate(int32_t *ps32Year, int32_t *ps32Month, int32_t *ps32Day);
// Tests fix the date vProcLocalDate gives; year 0 gives the real date again.
void vProcSetDateForTest(int32_t s32Year, int32_t s32Month, int32_t s32Day);

// The stream's bytes go out as written: Windows' C library would put a CR
// before each LF of a text-mode stream (a CSV's CR LF would become CR CR LF).
void vProcBinaryStream(FILE *pStream);

// Opens a document the way the desktop opens it (xdg-open on Linux,
// ShellExecute on Windows), without waiting for what shows it; false with
// the reason when the opener could not be started.
bool bProcOpenDocument(const char *pcPath, char *pcWhy, size_t whySize);
// Test seam: opens through pfnOpen instead (null: the desktop's opener).
typedef bool (*ProcOpener)(const char *pcPath, char *pcWhy, size_t whySize);
void vProcSetOpenerForTest(ProcOpener pfnOpen);

#endif
