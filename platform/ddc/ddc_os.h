// Everything in the bus library that differs between Linux and Windows:
// folders, paths, opening and replacing files, the local time. The rest of
// the library calls only these and the C library.
#ifndef DDC_OS_H
#define DDC_OS_H

#include <stdint.h>
#include <sys/stat.h>
#include <time.h>

// Folders end in their separator, as the system gives it ('\\' on Windows),
// so a file name can be appended as it is.

// The folder the program keeps its files in (the bench description, its
// state) when the program names one in this environment variable (an
// installed program: a folder of the user's); a relative path is ignored.
#define DDC_PROGRAM_DIR_VARIABLE "TAVOLIN_PROGRAM_DIR"
#if defined(_WIN32)
#define DDC_OS_SEPARATOR '\\'
#else
#define DDC_OS_SEPARATOR '/'
#endif
// That folder as named, or null when none is.
const char *pcDdcOsNamedProgramDir(void);
// The program's folder, with its trailing separator, or "": the named one,
// else the running program's own.
void vDdcOsProgramDir(char *pcDir, uint32_t u32Size);
// Folder of the running program's file, with its trailing separator, or "".
void vDdcOsExecutableDir(char *pcDir, uint32_t u32Size);
// Folder of this library's own file, with its trailing separator, or "".
void vDdcOsLibraryDir(char *pcDir, uint32_t u32Size);
// The last path separator in pcPath, or null.
char *pcDdcOsLastSeparator(char *pcPath);
// 1 when pcPath does not depend on the current folder.
int32_t bDdcOsIsAbsolute(const char *pcPath);
// 1 when something exists at pcPath.
int32_t bDdcOsExists(const char *pcPath);
// What a stat result is when it is not a regular file ("a FIFO", "a
// folder", ...), or null for a regular file.
const char *pcDdcOsKindOf(const struct stat *pst);
// Opens for reading, in binary, not inherited by child processes, and
// without waiting for a writer on a FIFO; the descriptor or -1.
int32_t s32DdcOsOpenRead(const char *pcPath);
// Creates pcPath for writing, failing when anything is there already; the
// descriptor or -1.
int32_t s32DdcOsCreateNew(const char *pcPath);
// Puts pcFrom in the place of pcTo in one step, replacing a file there; 1
// on success.
int32_t bDdcOsReplace(const char *pcFrom, const char *pcTo);
// Local time of tNow; 1 on success.
int32_t bDdcOsLocalTime(time_t tNow, struct tm *pst);

#endif
