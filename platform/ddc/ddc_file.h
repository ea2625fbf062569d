// Reading the bench's own files (description, EDID images, state file) only
// when they are regular files: a FIFO, device or folder named by mistake must
// neither block the library nor feed it endless bytes.
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

#endif
