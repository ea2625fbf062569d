// What the C library cannot tell about a path: whether it is a regular
// file, and whether two paths name one file. POSIX (filesys.cpp) and Win32
// (filesys_win32.cpp: paths in UTF-8, a DOS device name such as NUL or
// COM1 never opened).
#ifndef FILESYS_H
#define FILESYS_H

#include <stdint.h>
#include <stdio.h>

// What pcPath is when it exists and is not a regular file ("a FIFO", "a
// character device", "a folder", ...; a symlink counts as what it points
// at), else null.
const char *pcFsNotRegular(const char *pcPath);
// The same for a file mode (st_mode): null for a regular file.
const char *pcFsKindOf(uint32_t u32Mode);
// Opens pcPath for reading in binary when it is a regular file, never
// waiting for a writer on a FIFO: the stream, with the file's size in
// *pu64Size. Null otherwise; *ppcKind then says what the path is, or is
// null when it cannot be opened at all (errno then says why, ENOENT for a
// missing file).
FILE *pFsOpenRegular(const char *pcPath, uint64_t *pu64Size, const char **ppcKind);
// True when the path names its place by itself, not below a folder it is
// joined to: "/..." on POSIX; on Windows one with a drive ("C:\x", "C:x"),
// a UNC or device path, or one from the drive's root ("\x").
bool bFsIsAbsolute(const char *pcPath);
// True when both paths exist and name one file (the same device and inode),
// however they are spelt or linked.
bool bFsSameFile(const char *pcA, const char *pcB);

#endif
