// Where the program keeps its files and where its panels come from, decided
// once at start: the running program's own folder when the panels lie there
// and it may write there (portable); else (installed) a folder of the user's,
// made then, and named to the bus library. The system answers the questions
// of fact (ui_backend.h's vUiSys...).
#include "ui_backend.h"
#include "ui_front_internal.h"
#include "userint_test.h"

#include <stdio.h>
#include <string.h>

namespace {

#define RESOURCE_FILE_NAME "Pavimo.uir"

char gc_ProjectDirOverride[UI_DIR_SIZE] = "";
int32_t gb_DirsDecided = 0;
int32_t gb_Installed = 0;
char gc_ProgramDir[UI_DIR_SIZE] = "";
char gc_ResourceDir[UI_DIR_SIZE] = "";
char gc_DirError[2 * UI_DIR_SIZE + 256] = "";

bool bHasResource(const char *pcDir)
{
    char cPath[UI_DIR_SIZE + sizeof(RESOURCE_FILE_NAME) + 1];
    int s32Len = snprintf(cPath, sizeof(cPath), "%s" UI_PATH_SEP RESOURCE_FILE_NAME, pcDir);
    long fileSize = 0;
    return s32Len > 0 && (size_t)s32Len < sizeof(cPath) && s32UiSysFileSize(cPath, &fileSize) == 1;
}

void vDecide(const char *pcExeDir, int32_t bFromEnvironment, const char *pcHome,
             const char *pcXdgDataHome, const char *pcPasswdHome)
{
    gb_DirsDecided = 1;
    gc_DirError[0] = '\0';
    snprintf(gc_ResourceDir, sizeof(gc_ResourceDir), "%s", pcExeDir);
    snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", pcExeDir);
    bool bBeside = bHasResource(pcExeDir);
    if (bBeside && bUiSysWritable(pcExeDir)) {
        gb_Installed = 0;
        vUiSysNameProgramDir(nullptr);
        return;
    }
    gb_Installed = 1;
    if (!bBeside)
        bUiSysSharedResourceDir(pcExeDir, gc_ResourceDir, sizeof(gc_ResourceDir));
    // Without a folder of the user's the files stay beside the program,
    // where an installed program cannot write them.
    char cDir[UI_DIR_SIZE];
    if (bUiSysUserDir(bFromEnvironment, pcHome, pcXdgDataHome, pcPasswdHome, cDir, sizeof(cDir),
                      gc_DirError, sizeof(gc_DirError))) {
        bUiSysMakeUserDir(cDir, sizeof(cDir), gc_DirError, sizeof(gc_DirError));
        snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", cDir);
    }
    vUiSysNameProgramDir(gc_ProgramDir);
}

// The folder the program set, else the one decided, else the program's own.
void vOverriddenOr(const char *pcDecided, char *pcDir, size_t size)
{
    if (gc_ProjectDirOverride[0])
        snprintf(pcDir, size, "%s", gc_ProjectDirOverride);
    else if (gb_DirsDecided)
        snprintf(pcDir, size, "%s", pcDecided);
    else
        vUiSysExecutableDir(pcDir, size);
}

} // namespace

void vUiDecideProgramDirAtStart(void)
{
    char cExeDir[UI_DIR_SIZE];
    vUiSysExecutableDir(cExeDir, sizeof(cExeDir));
    vDecide(cExeDir, 1, nullptr, nullptr, nullptr);
}

void vUiDecideProgramDir(const char *pcExeDir, const char *pcHome, const char *pcXdgDataHome,
                         const char *pcPasswdHome)
{
    if (pcExeDir)
        vDecide(pcExeDir, 0, pcHome, pcXdgDataHome, pcPasswdHome);
    else
        vUiDecideProgramDirAtStart();
}

int bUiInstalledMode(void) { return gb_DirsDecided && gb_Installed; }

void vUiResourceDir(char *pcDir, size_t size) { vOverriddenOr(gc_ResourceDir, pcDir, size); }

void vUiSetProjectDir(const char *pcDir)
{
    snprintf(gc_ProjectDirOverride, sizeof(gc_ProjectDirOverride), "%s", pcDir ? pcDir : "");
}

int GetProjectDir(char *directory, size_t size)
{
    if (!directory || size == 0)
        return UIE_BAD_ARGUMENT;
    vOverriddenOr(gc_ProgramDir, directory, size);
    return UIE_NO_ERROR;
}

int GetProjectDirError(char *text, size_t size)
{
    if (text && size)
        snprintf(text, size, "%s", gc_DirError);
    return gc_DirError[0] ? 1 : 0;
}

int UseProgramDir(const char *pcDir, char *pcWhy, size_t whySize)
{
    char cReal[UI_DIR_SIZE];
    char cProblem[256];
    if (!bUiSysUsableDir(pcDir, cReal, sizeof(cReal), cProblem, sizeof(cProblem))) {
        snprintf(pcWhy, whySize, "cannot use the folder %s: %s", pcDir ? pcDir : "", cProblem);
        return 0;
    }
    if (!gb_DirsDecided)
        vUiDecideProgramDirAtStart();
    snprintf(gc_ProgramDir, sizeof(gc_ProgramDir), "%s", cReal);
    gc_DirError[0] = '\0';
    // The bus library keeps its bench and trace in the same folder.
    vUiSysNameProgramDir(gc_ProgramDir);
    if (whySize > 0)
        pcWhy[0] = '\0';
    return 1;
}

int MakeDir(const char *path)
{
    if (!path || !*path)
        return UIE_BAD_ARGUMENT;
    return s32UiSysMakeDir(path);
}

int FileToArray(const char *path, void *data, size_t size, size_t *read)
{
    if (read)
        *read = 0;
    if (!path || (!data && size))
        return UIE_BAD_ARGUMENT;
    size_t got = 0;
    if (!bUiSysReadFile(path, data, size, &got))
        return UIE_FILE_ERROR;
    if (read)
        *read = got;
    return UIE_NO_ERROR;
}

// 1 when the file exists (its size in *size), 0 when not, < 0 on error.
int GetFileInfo(const char *path, long *size)
{
    if (size)
        *size = 0;
    if (!path)
        return UIE_BAD_ARGUMENT;
    long fileSize = 0;
    int32_t s32Result = s32UiSysFileSize(path, &fileSize);
    if (s32Result == 1 && size)
        *size = fileSize;
    return s32Result;
}
