// The program directory and whole-file helpers.
#include "userint.h"
#include "ui_internal.h"
#include "userint_test.h"


#include <errno.h>
#include <limits.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

#define RESOURCE_FILE_NAME "Pavimo.uir"
#define SHARED_DATA_DIR "/../share/tavolin"
#define USER_DIR_NAME "tavolin"
#define DIR_SIZE 4096
// The program's folder when the user's own is refused: nothing can be made
// below a device, so no file is kept and none is read.
#define NO_FOLDER "/dev/null/tavolin"

char gc_ProjectDirOverride[DIR_SIZE] = "";

// Decided once at start (vUiDecideProgramDir): the folder the program keeps
// its files in, the one its panels come from, and what went wrong, if anything.
int32_t gb_DirsDecided = 0;
int32_t gb_Installed = 0;
char gc_ProgramDir[DIR_SIZE] = "";
char gc_ResourceDir[DIR_SIZE] = "";
char gc_DirError[2 * DIR_SIZE + 256] = "";

void vExecutableDir(char *pcDir, size_t size)
{
    char cExe[DIR_SIZE];
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

bool bHasResource(const char *pcDir)
{
    char cPath[2 * DIR_SIZE];
    int s32Len = snprintf(cPath, sizeof(cPath), "%s/" RESOURCE_FILE_NAME, pcDir);
    struct stat st;
    return s32Len > 0 && (size_t)s32Len < sizeof(cPath) && stat(cPath, &st) == 0 &&
           S_ISREG(st.st_mode);
}

bool bUsable(const char *pcPath) { return pcPath && pcPath[0] == '/'; }

// mkdir -p, the folders new to the user readable by the user alone; errno
// of the step that failed, or 0.
int s32MakePath(const char *pcPath)
{
    char cPart[DIR_SIZE];
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
    char cReason[DIR_SIZE + 128] = "";
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

void vDecide(const char *pcExeDir, const char *pcHome, const char *pcXdgDataHome,
             const char *pcPasswdHome)
{
    gb_DirsDecided = 1;
    gc_DirError[0] = '\0';
    snprintf(gc_ResourceDir, sizeof(gc_ResourceDir), "%s", pcExeDir);
    bool bBeside = bHasResource(pcExeDir);
    if (bBeside && access(pcExeDir, W_OK) == 0) {
        gb_Installed = 0;
        snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", pcExeDir);
        unsetenv(UI_PROGRAM_DIR_VARIABLE);
        return;
    }
    gb_Installed = 1;
    if (!bBeside) {
        char cShared[DIR_SIZE + sizeof(SHARED_DATA_DIR)];
        snprintf(cShared, sizeof(cShared), "%s" SHARED_DATA_DIR, pcExeDir);
        char cReal[PATH_MAX];
        if (bHasResource(cShared) && realpath(cShared, cReal))
            snprintf(gc_ResourceDir, sizeof(gc_ResourceDir), "%s", cReal);
    }
    // The XDG rules: a relative XDG_DATA_HOME is ignored.
    char cBase[DIR_SIZE];
    int s32Len = -1;
    if (bUsable(pcXdgDataHome))
        s32Len = snprintf(cBase, sizeof(cBase), "%s", pcXdgDataHome);
    else if (bUsable(pcHome))
        s32Len = snprintf(cBase, sizeof(cBase), "%s/.local/share", pcHome);
    else if (bUsable(pcPasswdHome))
        s32Len = snprintf(cBase, sizeof(cBase), "%s/.local/share", pcPasswdHome);
    // Without a folder of the user's the files stay beside the program,
    // where an installed program cannot write them.
    snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", pcExeDir);
    if (s32Len < 0) {
        snprintf(gc_DirError, sizeof(gc_DirError),
                 "cannot find a folder for settings and logs: HOME is not set and the user has "
                 "no home folder in the passwd file");
    } else {
        while (s32Len > 1 && cBase[s32Len - 1] == '/')
            cBase[--s32Len] = '\0';
        char cDir[DIR_SIZE];
        s32Len = snprintf(cDir, sizeof(cDir), "%s/" USER_DIR_NAME, cBase);
        if (s32Len < 0 || (size_t)s32Len >= sizeof(cDir)) {
            snprintf(gc_DirError, sizeof(gc_DirError),
                     "cannot create a folder for settings and logs: the path is too long");
        } else {
            snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", cDir);
            int s32Errno = s32MakePath(cDir);
            if (s32Errno != 0)
                snprintf(gc_DirError, sizeof(gc_DirError),
                         "cannot create the folder %s for settings and logs: %s", cDir,
                         strerror(s32Errno));
            else if (!bFolderIsTheUsers(cDir, gc_DirError, sizeof(gc_DirError)))
                snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", NO_FOLDER);
        }
    }
    setenv(UI_PROGRAM_DIR_VARIABLE, gc_ProgramDir, 1);
}

} // namespace

void vUiDecideProgramDir(const char *pcExeDir, const char *pcHome, const char *pcXdgDataHome,
                         const char *pcPasswdHome)
{
    if (pcExeDir)
        vDecide(pcExeDir, pcHome, pcXdgDataHome, pcPasswdHome);
    else
        vUiDecideProgramDirAtStart();
}

void vUiDecideProgramDirAtStart(void)
{
    char cExeDir[DIR_SIZE];
    vExecutableDir(cExeDir, sizeof(cExeDir));
    const char *pcEnvHome = getenv("HOME");
    const char *pcPasswd = nullptr;
    if (!bUsable(pcEnvHome)) {
        struct passwd *pstEntry = getpwuid(getuid());
        pcPasswd = pstEntry ? pstEntry->pw_dir : nullptr;
    }
    vDecide(cExeDir, pcEnvHome, getenv("XDG_DATA_HOME"), pcPasswd);
}

int bUiInstalledMode(void) { return gb_DirsDecided && gb_Installed; }

void vUiResourceDir(char *pcDir, size_t size)
{
    if (gc_ProjectDirOverride[0])
        snprintf(pcDir, size, "%s", gc_ProjectDirOverride);
    else if (gb_DirsDecided)
        snprintf(pcDir, size, "%s", gc_ResourceDir);
    else
        vExecutableDir(pcDir, size);
}

int GetProjectDirError(char *text, size_t size)
{
    if (text && size)
        snprintf(text, size, "%s", gc_DirError);
    return gc_DirError[0] ? 1 : 0;
}

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
    else if (gb_DirsDecided)
        snprintf(directory, size, "%s", gc_ProgramDir);
    else
        vExecutableDir(directory, size);
    return UIE_NO_ERROR;
}

int UseProgramDir(const char *pcDir, char *pcWhy, size_t whySize)
{
    char cReal[PATH_MAX];
    struct stat st;
    const char *pcProblem = nullptr;
    if (!pcDir || !*pcDir || !realpath(pcDir, cReal) || stat(cReal, &st) != 0)
        pcProblem = strerror(pcDir && *pcDir ? errno : ENOENT);
    else if (!S_ISDIR(st.st_mode))
        pcProblem = "it is not a folder";
    else if (access(cReal, W_OK | X_OK) != 0)
        pcProblem = "you may not write to it";
    else if (strlen(cReal) >= sizeof(gc_ProgramDir))
        pcProblem = "the path is too long";
    if (pcProblem) {
        snprintf(pcWhy, whySize, "cannot use the folder %s: %s", pcDir ? pcDir : "", pcProblem);
        return 0;
    }
    if (!gb_DirsDecided)
        vUiDecideProgramDirAtStart();
    snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", cReal);
    gc_DirError[0] = '\0';
    // The bus library keeps its bench and trace in the same folder.
    setenv(UI_PROGRAM_DIR_VARIABLE, gc_ProgramDir, 1);
    if (whySize > 0)
        pcWhy[0] = '\0';
    return 1;
}

int MakeDir(const char *path)
{
    if (!path || !*path)
        return UIE_BAD_ARGUMENT;
    if (mkdir(path, 0777) == 0)
        return UIE_NO_ERROR;
    return errno == EEXIST ? UIE_ALREADY_EXISTS : UIE_FILE_ERROR;
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
