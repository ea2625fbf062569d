// The library's own files. The bench's (description, EDID images, state
// file) are read only when they are regular files: a FIFO, device or folder
// named by mistake must neither block the library nor feed it endless bytes.
#ifndef DDC_FILE_H
#define DDC_FILE_H

#include <stdint.h>

// Opens pcPath for reading when it is a regular file; the descriptor, with
// its size in *pu64Size. -1 otherwise: *ppcKind then says what the path is
// ("a FIFO", "a folder", ...), or is null when it cannot be opened at all.
int32_t s32FileOpenRegular(const char *pcPath, uint64_t *pu64Size, const char **ppcKind);
// What pcPath is when it exists and is not a regular file, else null.
const char *pcFileNotRegular(const char *pcPath);
// Reads up to u32Size bytes; fewer only at the end of the file or on an error.
uint32_t u32FileRead(int32_t s32Fd, uint8_t *pu8Buf, uint32_t u32Size);
// Creates pcPath anew for writing and gives its descriptor, or -1. What is
// there (a file, a FIFO, a link planted in its place) is removed first, and
// the file is made only where nothing is, so a link is never followed.
int32_t s32FileCreateFresh(const char *pcPath);
// Replaces pcPath by a file of u32Len bytes, written beside it (to
// "<path>.new") and moved over it, so a crash never leaves half a file.
// 1 when all was written.
int32_t bFileReplace(const char *pcPath, const uint8_t *pu8Data, uint32_t u32Len);

#endif
