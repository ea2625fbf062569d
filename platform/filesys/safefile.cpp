#include "platform/filesys/safefile.h"

#include "platform/filesys/filesys.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool bFail(stSafeFile *pstFile, const char *pcFormat, ...)
{
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(pstFile->cWhy, sizeof(pstFile->cWhy), pcFormat, args);
    va_end(args);
    return false;
}

// Length of the folder part of a path, its last slash included.
size_t szFolderLength(const char *pcPath)
{
    const char *pcSlash = strrchr(pcPath, '/');
    return pcSlash ? (size_t)(pcSlash - pcPath) + 1 : 0;
}

bool bCopyPath(char (&pcTo)[SAFE_FILE_PATH_MAX], const char *pcFolder, size_t folderLength,
               const char *pcName)
{
    int s32Len = snprintf(pcTo, sizeof(pcTo), "%.*s%s", (int)folderLength, pcFolder, pcName);
    return s32Len >= 0 && (size_t)s32Len < sizeof(pcTo);
}

// Follows the target's symbolic links as any open does, so the kernel's
// rules hold (a link another user planted in /tmp is not followed), into
// cTarget; *pstInfo is the file they lead to. A link to no file is
// refused, as cp refuses it.
bool bFollowLinks(stSafeFile *pstFile, struct stat *pstInfo, bool *pbExists)
{
    *pbExists = false;
    int s32Fd = open(pstFile->cTarget, O_PATH | O_CLOEXEC);
    if (s32Fd < 0) {
        struct stat stLink;
        if (errno != ENOENT)
            return bFail(pstFile, "%s", strerror(errno));
        if (lstat(pstFile->cTarget, &stLink) == 0 && S_ISLNK(stLink.st_mode))
            return bFail(pstFile, "it is a symbolic link to a file that does not exist");
        return true;
    }
    char cReal[PATH_MAX];
    bool bFound = fstat(s32Fd, pstInfo) == 0 && realpath(pstFile->cTarget, cReal);
    int s32Errno = errno;
    close(s32Fd);
    if (!bFound)
        return bFail(pstFile, "%s", strerror(s32Errno));
    *pbExists = true;
    return bCopyPath(pstFile->cTarget, "", 0, cReal) ||
           bFail(pstFile, "%s", strerror(ENAMETOOLONG));
}

bool bCheckNamed(stSafeFile *pstFile, const char *pcPath, struct stat *pstInfo, bool *pbExists)
{
    if (!bFollowLinks(pstFile, pstInfo, pbExists))
        return false;
    if (!*pbExists)
        return true;
    struct stat stNamed;
    if (!S_ISREG(pstInfo->st_mode)) {
        if (lstat(pcPath, &stNamed) != 0 || !S_ISLNK(stNamed.st_mode))
            return bFail(pstFile, "it is %s, not a regular file", pcFsKindOf(pstInfo->st_mode));
        return bFail(pstFile, "it leads to %s, %s, not a regular file", pstFile->cTarget,
                     pcFsKindOf(pstInfo->st_mode));
    }
    // A file this user may not write is not replaced either, as a shell's
    // redirection would not write it.
    if (faccessat(AT_FDCWD, pstFile->cTarget, W_OK, AT_EACCESS) != 0)
        return bFail(pstFile, "%s", strerror(errno));
    return true;
}

// A link planted in the program's folder, by another user of a shared
// folder, is replaced like any file there: it never leads our bytes away.
bool bCheckOwn(stSafeFile *pstFile, struct stat *pstInfo, bool *pbExists)
{
    *pbExists = lstat(pstFile->cTarget, pstInfo) == 0;
    if (!*pbExists && errno != ENOENT)
        return bFail(pstFile, "%s", strerror(errno));
    if (*pbExists && S_ISLNK(pstInfo->st_mode))
        *pbExists = false;
    else if (*pbExists && !S_ISREG(pstInfo->st_mode))
        return bFail(pstFile, "it is %s, not a regular file", pcFsKindOf(pstInfo->st_mode));
    char cFolder[SAFE_FILE_PATH_MAX];
    size_t folderLength = szFolderLength(pstFile->cTarget);
    bCopyPath(cFolder, pstFile->cTarget, folderLength > 1 ? folderLength - 1 : folderLength,
              folderLength ? "" : ".");
    struct stat stFolder;
    if (lstat(cFolder, &stFolder) == 0 && S_ISLNK(stFolder.st_mode) &&
        stFolder.st_uid != geteuid())
        return bFail(pstFile, "its folder %s is another user's symbolic link", cFolder);
    return true;
}

// As open() gives a new file; the mask can be read only by setting it.
uint32_t u32NewFileMode(void)
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666u & ~(uint32_t)mask;
}

bool bFlush(stSafeFile *pstFile)
{
    size_t done = 0;
    while (done < pstFile->used && pstFile->s32Errno == 0) {
        ssize_t written = write(pstFile->s32Fd, pstFile->u8Buffer + done, pstFile->used - done);
        if (written > 0)
            done += (size_t)written;
        else if (written == 0 || errno != EINTR)
            pstFile->s32Errno = written == 0 ? EIO : errno;
    }
    pstFile->used = 0;
    return pstFile->s32Errno == 0;
}

void (*gpfn_FolderSynced)(const char *, void *) = nullptr;
void *gpv_FolderSynced = nullptr;

// A rename lives in the folder: until the folder is synced a power cut can
// bring the old file back (and a counter would give its number out again).
// A file system that cannot sync a folder (EINVAL) keeps renames as it can.
bool bSyncFolder(stSafeFile *pstFile)
{
    char cFolder[SAFE_FILE_PATH_MAX];
    size_t folderLength = szFolderLength(pstFile->cTarget);
    bCopyPath(cFolder, pstFile->cTarget, folderLength, ".");
    int s32Fd = open(cFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool bSynced = s32Fd >= 0 && (fsync(s32Fd) == 0 || errno == EINVAL);
    int s32Errno = errno;
    if (s32Fd >= 0)
        close(s32Fd);
    if (!bSynced)
        return bFail(pstFile, "it was replaced, but its folder could not be synced: %s",
                     strerror(s32Errno));
    if (gpfn_FolderSynced)
        gpfn_FolderSynced(pstFile->cTarget, gpv_FolderSynced);
    return true;
}

// Root replacing another user's file gives it back to that user. Others
// may not; the file is then theirs, as a new one would be.
void vKeepOwner(const stSafeFile *pstFile)
{
    struct stat stNew;
    if (pstFile->s64Uid < 0 || fstat(pstFile->s32Fd, &stNew) != 0 ||
        ((int64_t)stNew.st_uid == pstFile->s64Uid && (int64_t)stNew.st_gid == pstFile->s64Gid))
        return;
    int s32Ignored = fchown(pstFile->s32Fd, (uid_t)pstFile->s64Uid, (gid_t)pstFile->s64Gid);
    (void)s32Ignored;
}

} // namespace

bool bSafeFileOpen(stSafeFile *pstFile, const char *pcPath, int32_t s32Kind)
{
    pstFile->s32Fd = -1;
    pstFile->s32Errno = 0;
    pstFile->used = 0;
    pstFile->cWhy[0] = '\0';
    pstFile->cTemp[0] = '\0';
    if (!pcPath || !pcPath[0])
        return bFail(pstFile, "%s", strerror(ENOENT));
    if (!bCopyPath(pstFile->cTarget, "", 0, pcPath))
        return bFail(pstFile, "%s", strerror(ENAMETOOLONG));
    struct stat stInfo;
    bool bExists = false;
    bool bChecked = s32Kind == SAFE_FILE_OWN ? bCheckOwn(pstFile, &stInfo, &bExists)
                                             : bCheckNamed(pstFile, pcPath, &stInfo, &bExists);
    if (!bChecked)
        return false;
    pstFile->u32Mode = bExists ? (uint32_t)(stInfo.st_mode & 07777) : u32NewFileMode();
    pstFile->s64Uid = bExists ? (int64_t)stInfo.st_uid : -1;
    pstFile->s64Gid = bExists ? (int64_t)stInfo.st_gid : -1;
    int s32Len = snprintf(pstFile->cTemp, sizeof(pstFile->cTemp), "%s.XXXXXX", pstFile->cTarget);
    if (s32Len < 0 || (size_t)s32Len >= sizeof(pstFile->cTemp))
        return bFail(pstFile, "%s", strerror(ENAMETOOLONG));
    pstFile->s32Fd = mkostemp(pstFile->cTemp, O_CLOEXEC);
    if (pstFile->s32Fd < 0)
        return bFail(pstFile, "no new file can be made in its folder: %s", strerror(errno));
    return true;
}

void vSafeFileWrite(stSafeFile *pstFile, const void *pvBytes, size_t count)
{
    const unsigned char *pu8Bytes = (const unsigned char *)pvBytes;
    while (pstFile->s32Fd >= 0 && pstFile->s32Errno == 0 && count > 0) {
        size_t room = sizeof(pstFile->u8Buffer) - pstFile->used;
        size_t part = count < room ? count : room;
        memcpy(pstFile->u8Buffer + pstFile->used, pu8Bytes, part);
        pstFile->used += part;
        pu8Bytes += part;
        count -= part;
        if (pstFile->used == sizeof(pstFile->u8Buffer))
            bFlush(pstFile);
    }
}

void vSafeFileAbandon(stSafeFile *pstFile)
{
    if (pstFile->s32Fd < 0)
        return;
    close(pstFile->s32Fd);
    pstFile->s32Fd = -1;
    unlink(pstFile->cTemp);
}

bool bSafeFileCommit(stSafeFile *pstFile)
{
    if (pstFile->s32Fd < 0)
        return false;
    bFlush(pstFile);
    vKeepOwner(pstFile);
    if (pstFile->s32Errno == 0 && fchmod(pstFile->s32Fd, (mode_t)pstFile->u32Mode) != 0)
        pstFile->s32Errno = errno;
    if (pstFile->s32Errno == 0 && fsync(pstFile->s32Fd) != 0)
        pstFile->s32Errno = errno;
    if (close(pstFile->s32Fd) != 0 && pstFile->s32Errno == 0)
        pstFile->s32Errno = errno;
    pstFile->s32Fd = -1;
    if (pstFile->s32Errno != 0) {
        unlink(pstFile->cTemp);
        return bFail(pstFile, "%s", strerror(pstFile->s32Errno));
    }
    if (rename(pstFile->cTemp, pstFile->cTarget) != 0) {
        int s32Errno = errno;
        unlink(pstFile->cTemp);
        return bFail(pstFile, "it cannot be replaced: %s", strerror(s32Errno));
    }
    return bSyncFolder(pstFile);
}

namespace {

// "<name>.XXXXXX" as mkstemp names the new file beside <name>: the name's
// length, or 0 for any other name.
size_t szLeftoverStem(const char *pcEntry)
{
    size_t length = strlen(pcEntry);
    if (length < 8 || pcEntry[length - 7] != '.')
        return 0;
    for (size_t i = length - 6; i < length; i++) {
        char c = pcEntry[i];
        bool bAlnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!bAlnum)
            return 0;
    }
    return length - 7;
}

} // namespace

int32_t s32SafeFileRemoveLeftovers(const char *pcFolder, bool (*pfnOurs)(const char *pcName))
{
    int s32DirFd = open(pcFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *pDir = s32DirFd >= 0 ? fdopendir(s32DirFd) : nullptr;
    if (!pDir) {
        if (s32DirFd >= 0)
            close(s32DirFd);
        return -1;
    }
    int32_t s32Removed = 0;
    struct dirent *pstEntry;
    while ((pstEntry = readdir(pDir)) != nullptr) {
        char cName[256];
        size_t stem = szLeftoverStem(pstEntry->d_name);
        if (stem == 0 || stem >= sizeof(cName))
            continue;
        memcpy(cName, pstEntry->d_name, stem);
        cName[stem] = '\0';
        struct stat stInfo;
        if (!pfnOurs(cName) ||
            fstatat(s32DirFd, pstEntry->d_name, &stInfo, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(stInfo.st_mode) || stInfo.st_uid != geteuid())
            continue;
        if (unlinkat(s32DirFd, pstEntry->d_name, 0) == 0)
            s32Removed++;
    }
    closedir(pDir);
    return s32Removed;
}

void vSafeFileSetFolderSyncHook(void (*pfnSynced)(const char *pcTarget, void *pv), void *pv)
{
    gpfn_FolderSynced = pfnSynced;
    gpv_FolderSynced = pv;
}
