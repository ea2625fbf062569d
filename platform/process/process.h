// The process among others: quit signals caught into a pipe that the event
// loop reads, and the lock that keeps a second copy of the program off a
// folder the first one uses. POSIX only.
#ifndef PROCESS_H
#define PROCESS_H

#include <stddef.h>
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
    PROC_LOCK_FAILED = -1,   // no lock file could be made there
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

#endif
