// Whole files written for the program, the same on every platform: through
// the safe writer, whose own versions know the system's files.
#include "userint.h"

#include "platform/filesys/safefile.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

namespace {

stSafeFile gst_LastWrite;

int s32WriteWhole(const char *pcPath, const void *pvData, size_t count, int32_t s32Kind)
{
    gst_LastWrite.cWhy[0] = '\0';
    if (!pcPath || (!pvData && count)) {
        snprintf(gst_LastWrite.cWhy, sizeof(gst_LastWrite.cWhy), "%s", strerror(EINVAL));
        return UIE_BAD_ARGUMENT;
    }
    if (!bSafeFileOpen(&gst_LastWrite, pcPath, s32Kind))
        return UIE_FILE_ERROR;
    vSafeFileWrite(&gst_LastWrite, pvData, count);
    return bSafeFileCommit(&gst_LastWrite) ? UIE_NO_ERROR : UIE_FILE_ERROR;
}

} // namespace

int ArrayToFile(const char *path, const void *data, size_t count)
{
    return s32WriteWhole(path, data, count, SAFE_FILE_NAMED);
}

int ArrayToOwnFile(const char *path, const void *data, size_t count)
{
    return s32WriteWhole(path, data, count, SAFE_FILE_OWN);
}

int GetFileError(char *text, size_t size)
{
    if (text && size)
        snprintf(text, size, "%s", gst_LastWrite.cWhy);
    return gst_LastWrite.cWhy[0] ? 1 : 0;
}
