#include "ddc_file.h"

#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ddc_os.h"

const char *pcFileNotRegular(const char *pcPath)
{
    struct stat st;
    if (stat(pcPath, &st) != 0)
        return nullptr;
    return pcDdcOsKindOf(&st);
}

int32_t s32FileOpenRegular(const char *pcPath, uint64_t *pu64Size, const char **ppcKind)
{
    *pu64Size = 0;
    *ppcKind = pcFileNotRegular(pcPath);
    if (*ppcKind)
        return -1;
    // Non-blocking and checked again on the descriptor: the path may have
    // been replaced by a FIFO since the check above.
    int32_t s32Fd = s32DdcOsOpenRead(pcPath);
    if (s32Fd < 0)
        return -1;
    struct stat st;
    int32_t bStat = fstat(s32Fd, &st) == 0;
    if (!bStat || !S_ISREG(st.st_mode)) {
        *ppcKind = bStat ? pcDdcOsKindOf(&st) : nullptr;
        close(s32Fd);
        return -1;
    }
    *pu64Size = (uint64_t)st.st_size;
    return s32Fd;
}

uint32_t u32FileRead(int32_t s32Fd, uint8_t *pu8Buf, uint32_t u32Size)
{
    uint32_t u32Done = 0;
    while (u32Done < u32Size) {
        ssize_t n = read(s32Fd, pu8Buf + u32Done, u32Size - u32Done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        u32Done += (uint32_t)n;
    }
    return u32Done;
}

int32_t s32FileCreateFresh(const char *pcPath)
{
    // A stale one, even a FIFO, goes first, so creating it never blocks.
    unlink(pcPath);
    return s32DdcOsCreateNew(pcPath);
}

int32_t bFileReplace(const char *pcPath, const uint8_t *pu8Data, uint32_t u32Len)
{
    char cTemp[4096 + 64]; // any bench path with room for the suffix
    if (snprintf(cTemp, sizeof(cTemp), "%s.new", pcPath) >= (int)sizeof(cTemp))
        return 0;
    int32_t s32Fd = s32FileCreateFresh(cTemp);
    if (s32Fd < 0)
        return 0;
    FILE *pFile = fdopen(s32Fd, "wb");
    if (!pFile)
        close(s32Fd);
    int32_t bOk = pFile && fwrite(pu8Data, 1, u32Len, pFile) == u32Len;
    if (pFile && fclose(pFile) != 0)
        bOk = 0;
    if (bOk && !bDdcOsReplace(cTemp, pcPath))
        bOk = 0;
    if (!bOk)
        remove(cTemp);
    return bOk;
}
