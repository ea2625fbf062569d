#include "ddc_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *pcKindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a special file";
}

} // namespace

const char *pcFileNotRegular(const char *pcPath)
{
    struct stat st;
    if (stat(pcPath, &st) != 0 || S_ISREG(st.st_mode))
        return nullptr;
    return pcKindOf(st.st_mode);
}

int32_t s32FileOpenRegular(const char *pcPath, uint64_t *pu64Size, const char **ppcKind)
{
    *pu64Size = 0;
    *ppcKind = pcFileNotRegular(pcPath);
    if (*ppcKind)
        return -1;
    // Non-blocking and checked again on the descriptor: the path may have
    // been replaced by a FIFO since the check above.
    int32_t s32Fd = open(pcPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (s32Fd < 0)
        return -1;
    struct stat st;
    int32_t bStat = fstat(s32Fd, &st) == 0;
    if (!bStat || !S_ISREG(st.st_mode)) {
        *ppcKind = bStat ? pcKindOf(st.st_mode) : nullptr;
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
