#include "filesys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char *pcFsKindOf(uint32_t u32Mode)
{
    mode_t mode = (mode_t)u32Mode;
    if (S_ISREG(mode))
        return nullptr;
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

const char *pcFsNotRegular(const char *pcPath)
{
    struct stat st;
    return stat(pcPath, &st) == 0 ? pcFsKindOf(st.st_mode) : nullptr;
}

FILE *pFsOpenRegular(const char *pcPath, uint64_t *pu64Size, const char **ppcKind)
{
    *pu64Size = 0;
    // A device is never opened: opening some of them does something.
    *ppcKind = pcFsNotRegular(pcPath);
    if (*ppcKind)
        return nullptr;
    // Checked again on the descriptor, as the path may have been replaced
    // since; O_NONBLOCK so that a FIFO put there opens without waiting for a
    // writer.
    int s32Fd = open(pcPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (s32Fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(s32Fd, &st) != 0 || (*ppcKind = pcFsKindOf(st.st_mode)) != nullptr) {
        close(s32Fd);
        return nullptr;
    }
    FILE *pFile = fdopen(s32Fd, "rb");
    if (!pFile) {
        close(s32Fd);
        return nullptr;
    }
    *pu64Size = (uint64_t)st.st_size;
    return pFile;
}

bool bFsIsAbsolute(const char *pcPath)
{
    return pcPath[0] == '/';
}

bool bFsSameFile(const char *pcA, const char *pcB)
{
    struct stat stA, stB;
    return stat(pcA, &stA) == 0 && stat(pcB, &stB) == 0 && stA.st_dev == stB.st_dev &&
           stA.st_ino == stB.st_ino;
}
