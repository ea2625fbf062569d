// What the unit record asks of the system, apart from SQLite: POSIX
// (records_posix.cpp: lstat, gmtime_r; SHA-256 by nettle) and Win32
// (records_win32.cpp: file attributes, GetSystemTime; SHA-256 by CNG).
// The SQLite and CSV code in records.cpp is the same on both.
#ifndef RECORDS_OS_H
#define RECORDS_OS_H

#include <stddef.h>

// True only when nothing at all is at the path (not even a dangling link);
// false when something is there or it cannot be told.
bool bRecOsNothingAt(const char *pcPath);
// True when the path itself is a symbolic link (on Windows, any reparse
// point: a link or a junction).
bool bRecOsIsLink(const char *pcPath);
// The time now in UTC as ISO 8601 ("2024-06-07T08:09:10Z").
void vRecOsUtcNow(char *pcTime, size_t size);
// Runs pfnWork(pvContext) on a thread of its own and calls pfnWait every
// few milliseconds until it has returned (the window keeps painting while
// a server is slow); here and now when pfnWait is null or no thread can be
// made. pfnWait must not touch what pfnWork uses.
void vRecOsRunAside(void (*pfnWork)(void *), void *pvContext, void (*pfnWait)(void));
// size - 1 random lower-case hex digits from the system's generator.
void vRecOsRandomHex(char *pcHex, size_t size);

#endif
