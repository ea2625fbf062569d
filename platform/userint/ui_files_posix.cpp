// The system's answers about folders and files on Linux: the program's own
// folder, the XDG rules for the user's, and the whole-file helpers.
#include "ui_backend.h"

#include <errno.h>
#include <limits.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

#define SHARED_DATA_DIR "/../share/tavolin"
#define USER_DIR_NAME "tavolin"
// The program's folder when the user's own is refused: nothing can be made
// below a device, so no file is kept and none is read.
#define NO_FOLDER "/dev/null/tavolin"

bool bUsable(const char *pcPath) { return pcPath && pcPath[0] == '/'; }

// mkdir -p, the folders new to the user readable by the user alone; errno
// of the step that failed, or 0.
int s32MakePath(const char *pcPath)
{
    char cPart[UI_DIR_SIZE];
    snprintf(cPart, sizeof(cPart), "%s", pcPath);
    for (char *pc = cPart + 1;; pc++) {
        if (*pc != '/' && *pc != '\0')
            continue;
        char c = *pc;
        *pc = '\0';
        if (mkdir(cPart, 0700) != 0 && errno != EEXIST) {
            int s32Errno = errno;
            struct stat st;
            if (stat(cPart, &st) != 0 || !S_ISDIR(st.st_mode))
                return s32Errno;
        }
        *pc = c;
        if (c == '\0')
            break;
    }
    struct stat st;
    if (stat(pcPath, &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return EEXIST;
    return access(pcPath, W_OK | X_OK) == 0 ? 0 : errno;
}

// A folder of the user's that another user could plant files or links in
// (its settings, the bench description the bus library obeys) is not used,
// as careful tools refuse such a folder for their keys. False and why.
bool bFolderIsTheUsers(const char *pcDir, char *pcWhy, size_t size)
{
    uid_t uid = geteuid();
    char cReason[UI_DIR_SIZE + 128] = "";
    struct stat st;
    if (lstat(pcDir, &st) == 0 && S_ISLNK(st.st_mode) && st.st_uid != uid)
        snprintf(cReason, sizeof(cReason),
                 "it is a symbolic link of the user with id %u; remove it, or set XDG_DATA_HOME "
                 "to a folder of your own",
                 (unsigned)st.st_uid);
    else if (stat(pcDir, &st) != 0)
        return true; // s32MakePath has said why
    else if (st.st_uid != uid)
        snprintf(cReason, sizeof(cReason),
                 "it belongs to the user with id %u, not to you (id %u); set XDG_DATA_HOME to a "
                 "folder of your own",
                 (unsigned)st.st_uid, (unsigned)uid);
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        snprintf(cReason, sizeof(cReason),
                 "others can write to it (mode %04o); make it yours alone with: chmod 700 %s",
                 (unsigned)(st.st_mode & 07777), pcDir);
    if (!cReason[0])
        return true;
    snprintf(pcWhy, size, "cannot use the folder %s for settings and logs: %s", pcDir, cReason);
    return false;
}

} // namespace

void vUiSysExecutableDir(char *pcDir, size_t size)
{
    char cExe[UI_DIR_SIZE];
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

int32_t bUiSysAbsolute(const char *pcPath) { return pcPath[0] == '/'; }

int32_t bUiSysExists(const char *pcPath)
{
    struct stat st;
    return stat(pcPath, &st) == 0;
}

int32_t bUiSysWritable(const char *pcDir) { return access(pcDir, W_OK) == 0; }

int32_t bUiSysSharedResourceDir(const char *pcExeDir, char *pcDir, size_t size)
{
    char cShared[UI_DIR_SIZE + sizeof(SHARED_DATA_DIR)];
    snprintf(cShared, sizeof(cShared), "%s" SHARED_DATA_DIR, pcExeDir);
    char cPath[sizeof(cShared) + 16];
    snprintf(cPath, sizeof(cPath), "%s/Pavimo.uir", cShared);
    char cReal[PATH_MAX];
    long fileSize = 0;
    if (s32UiSysFileSize(cPath, &fileSize) != 1 || !realpath(cShared, cReal))
        return 0;
    snprintf(pcDir, size, "%s", cReal);
    return 1;
}

// The XDG rules: a relative XDG_DATA_HOME is ignored.
int32_t bUiSysUserDir(int32_t bFromEnvironment, const char *pcHome, const char *pcXdgDataHome,
                      const char *pcPasswdHome, char *pcDir, size_t size, char *pcWhy, size_t whySize)
{
    if (bFromEnvironment) {
        pcHome = getenv("HOME");
        pcXdgDataHome = getenv("XDG_DATA_HOME");
        struct passwd *pstEntry = bUsable(pcHome) ? nullptr : getpwuid(getuid());
        pcPasswdHome = pstEntry ? pstEntry->pw_dir : nullptr;
    }
    char cBase[UI_DIR_SIZE];
    int s32Len = -1;
    if (bUsable(pcXdgDataHome))
        s32Len = snprintf(cBase, sizeof(cBase), "%s", pcXdgDataHome);
    else if (bUsable(pcHome))
        s32Len = snprintf(cBase, sizeof(cBase), "%s/.local/share", pcHome);
    else if (bUsable(pcPasswdHome))
        s32Len = snprintf(cBase, sizeof(cBase), "%s/.local/share", pcPasswdHome);
    if (s32Len < 0) {
        snprintf(pcWhy, whySize,
                 "cannot find a folder for settings and logs: HOME is not set and the user has "
                 "no home folder in the passwd file");
        return 0;
    }
    while (s32Len > 1 && cBase[s32Len - 1] == '/')
        cBase[--s32Len] = '\0';
    s32Len = snprintf(pcDir, size, "%s/" USER_DIR_NAME, cBase);
    if (s32Len < 0 || (size_t)s32Len >= size || (size_t)s32Len >= sizeof(cBase)) {
        snprintf(pcWhy, whySize, "cannot create a folder for settings and logs: the path is too long");
        return 0;
    }
    return 1;
}

int32_t bUiSysMakeUserDir(char *pcDir, size_t size, char *pcWhy, size_t whySize)
{
    int s32Errno = s32MakePath(pcDir);
    if (s32Errno != 0) {
        snprintf(pcWhy, whySize, "cannot create the folder %s for settings and logs: %s", pcDir,
                 strerror(s32Errno));
        return 0;
    }
    if (bFolderIsTheUsers(pcDir, pcWhy, whySize))
        return 1;
    snprintf(pcDir, size, "%s", NO_FOLDER);
    return 0;
}

int32_t bUiSysUsableDir(const char *pcDir, char *pcReal, size_t size, char *pcProblem, size_t problemSize)
{
    char cReal[PATH_MAX];
    struct stat st;
    const char *pcWhat = nullptr;
    if (!pcDir || !*pcDir || !realpath(pcDir, cReal) || stat(cReal, &st) != 0)
        pcWhat = strerror(pcDir && *pcDir ? errno : ENOENT);
    else if (!S_ISDIR(st.st_mode))
        pcWhat = "it is not a folder";
    else if (access(cReal, W_OK | X_OK) != 0)
        pcWhat = "you may not write to it";
    else if (strlen(cReal) >= size)
        pcWhat = "the path is too long";
    if (pcWhat) {
        snprintf(pcProblem, problemSize, "%s", pcWhat);
        return 0;
    }
    snprintf(pcReal, size, "%s", cReal);
    return 1;
}

void vUiSysNameProgramDir(const char *pcDir)
{
    if (pcDir)
        setenv(UI_PROGRAM_DIR_VARIABLE, pcDir, 1);
    else
        unsetenv(UI_PROGRAM_DIR_VARIABLE);
}

int32_t s32UiSysMakeDir(const char *pcPath)
{
    if (mkdir(pcPath, 0777) == 0)
        return UIE_NO_ERROR;
    return errno == EEXIST ? UIE_ALREADY_EXISTS : UIE_FILE_ERROR;
}

int32_t bUiSysReadFile(const char *pcPath, void *pvData, size_t size, size_t *pRead)
{
    FILE *pFile = fopen(pcPath, "rb");
    if (!pFile)
        return 0;
    *pRead = size ? fread(pvData, 1, size, pFile) : 0;
    fclose(pFile);
    return 1;
}

int32_t s32UiSysFileSize(const char *pcPath, long *pSize)
{
    struct stat info;
    if (stat(pcPath, &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? 0 : UIE_FILE_ERROR;
    if (!S_ISREG(info.st_mode))
        return 0;
    *pSize = (long)info.st_size;
    return 1;
}
