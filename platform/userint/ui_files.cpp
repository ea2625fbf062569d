// The program directory and whole-file helpers.
#include "userint.h"
#include "userint_test.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char gc_ProjectDirOverride[4096] = "";

void vExecutableDir(char *pcDir, size_t size)
{
    char cExe[4096];
    ssize_t len = readlink("/proc/self/exe", cExe, sizeof(cExe) - 1);
    if (len <= 0) {
        snprintf(pcDir, size, ".");
        return;
    }
    cExe[len] = '\0';
    char *pcSlash = strrchr(cExe, '/');
    if (pcSlash && pcSlash != cExe)
        *pcSlash = '\0';
    else if (pcSlash)
        pcSlash[1] = '\0';
    snprintf(pcDir, size, "%s", cExe);
}

} // namespace

void vUiSetProjectDir(const char *pcDir)
{
    snprintf(gc_ProjectDirOverride, sizeof(gc_ProjectDirOverride), "%s", pcDir ? pcDir : "");
}

int GetProjectDir(char *directory, size_t size)
{
    if (!directory || size == 0)
        return UIE_BAD_ARGUMENT;
    if (gc_ProjectDirOverride[0])
        snprintf(directory, size, "%s", gc_ProjectDirOverride);
    else
        vExecutableDir(directory, size);
    return UIE_NO_ERROR;
}

int MakeDir(const char *path)
{
    if (!path || !*path)
        return UIE_BAD_ARGUMENT;
    if (mkdir(path, 0777) == 0)
        return UIE_NO_ERROR;
    return errno == EEXIST ? UIE_ALREADY_EXISTS : UIE_FILE_ERROR;
}

int ArrayToFile(const char *path, const void *data, size_t count)
{
    if (!path || (!data && count))
        return UIE_BAD_ARGUMENT;
    FILE *pFile = fopen(path, "wb");
    if (!pFile)
        return UIE_FILE_ERROR;
    size_t written = count ? fwrite(data, 1, count, pFile) : 0;
    int s32Closed = fclose(pFile);
    return written == count && s32Closed == 0 ? UIE_NO_ERROR : UIE_FILE_ERROR;
}

int FileToArray(const char *path, void *data, size_t size, size_t *read)
{
    if (read)
        *read = 0;
    if (!path || (!data && size))
        return UIE_BAD_ARGUMENT;
    FILE *pFile = fopen(path, "rb");
    if (!pFile)
        return UIE_FILE_ERROR;
    size_t got = size ? fread(data, 1, size, pFile) : 0;
    fclose(pFile);
    if (read)
        *read = got;
    return UIE_NO_ERROR;
}

int GetFileInfo(const char *path, long *size)
{
    if (size)
        *size = 0;
    if (!path)
        return UIE_BAD_ARGUMENT;
    struct stat info;
    if (stat(path, &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? 0 : UIE_FILE_ERROR;
    if (!S_ISREG(info.st_mode))
        return 0;
    if (size)
        *size = (long)info.st_size;
    return 1;
}
