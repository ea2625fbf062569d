#include "installer/installer.h"

#include "platform/win32api/Win32Api.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

char gu8str_ExeDir[INSTALLER_PATH_SIZE];
char gu8str_SystemDir[INSTALLER_PATH_SIZE];
char gu8str_DriversDir[INSTALLER_PATH_SIZE];
int32_t gs32_Install = 1;
int32_t gs32_Files = 1;
int32_t gs32_Register = 1;

namespace {

const char gc_LibraryName[] = "DDCHelper.dll";
const char gc_Separator[2] = {WIN32API_PATH_SEP, '\0'};

struct stLibraryFile {
    const char *pcName;
    const char *pcTargetDir;
};

// In the order they are handled.
const stLibraryFile gst_LibraryFiles[] = {
    {"DDCDrv.sys", gu8str_DriversDir},
    {gc_LibraryName, gu8str_SystemDir},
    {"DDCHelperX.dll", gu8str_SystemDir},
};

struct stOption {
    const char *pcToken;
    int32_t *ps32Flag;
    int32_t s32Value;
};

const stOption gst_Options[] = {
    {"-i", &gs32_Install, 1}, {"-u", &gs32_Install, 0}, {"-fyes", &gs32_Files, 1},
    {"-fno", &gs32_Files, 0}, {"-ryes", &gs32_Register, 1}, {"-rno", &gs32_Register, 0},
};

typedef uint32_t (*InstallDriverFn)(const char *pcFolder, uint32_t u32Flag);
typedef uint32_t (*UninstallDriverFn)(void);

bool bJoin(char *pcOut, const char *pcDir, const char *pcName)
{
    int s32Len = snprintf(pcOut, INSTALLER_PATH_SIZE, "%s%s", pcDir, pcName);
    return s32Len >= 0 && s32Len < INSTALLER_PATH_SIZE;
}

bool bFillExeDir(void)
{
    DWORD u32Len = GetModuleFileNameA(nullptr, gu8str_ExeDir, INSTALLER_PATH_SIZE);
    if (u32Len == 0 || u32Len >= INSTALLER_PATH_SIZE)
        return false;
    char *pcSep = strrchr(gu8str_ExeDir, WIN32API_PATH_SEP);
    if (!pcSep)
        return false;
    pcSep[1] = '\0';
    return true;
}

bool bFillSystemDirs(void)
{
    char cSystem[INSTALLER_PATH_SIZE];
    UINT u32Len = GetSystemDirectoryA(cSystem, INSTALLER_PATH_SIZE);
    if (u32Len == 0 || u32Len >= INSTALLER_PATH_SIZE)
        return false;
    return bJoin(gu8str_SystemDir, cSystem, gc_Separator) &&
           snprintf(gu8str_DriversDir, INSTALLER_PATH_SIZE, "%sdrivers%s", gu8str_SystemDir,
                    gc_Separator) < INSTALLER_PATH_SIZE;
}

bool bFilePathsFit(void)
{
    char cPath[INSTALLER_PATH_SIZE];
    for (const stLibraryFile &file : gst_LibraryFiles) {
        if (!bJoin(cPath, gu8str_ExeDir, file.pcName) || !bJoin(cPath, file.pcTargetDir, file.pcName))
            return false;
    }
    return true;
}

bool bTokenIs(const char *pcToken, size_t len, const char *pcOption)
{
    if (strlen(pcOption) != len)
        return false;
    for (size_t i = 0; i < len; i++) {
        if (tolower((unsigned char)pcToken[i]) != pcOption[i])
            return false;
    }
    return true;
}

void vApplyToken(const char *pcToken, size_t len)
{
    for (const stOption &option : gst_Options) {
        if (bTokenIs(pcToken, len, option.pcToken))
            *option.ps32Flag = option.s32Value;
    }
}

// Looks a library function up and hands it to pfnCall; nothing when the
// library cannot be loaded or lacks the function.
void vWithLibraryFunction(const char *pcFunction, void (*pfnCall)(FARPROC))
{
    HMODULE hLibrary = LoadLibraryA(gc_LibraryName);
    if (!hLibrary)
        return;
    FARPROC pfn = GetProcAddress(hLibrary, pcFunction);
    if (pfn)
        pfnCall(pfn);
    FreeLibrary(hLibrary);
}

template <typename Fn> Fn pfnAs(FARPROC pfn)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(pfn));
}

void vStartRegistrationTool(const char *pcParameters)
{
    ShellExecuteA(nullptr, "open", "regsvr32.exe", pcParameters, nullptr, SW_SHOW);
}

} // namespace

int32_t bFillFolders(void)
{
    gu8str_ExeDir[0] = gu8str_SystemDir[0] = gu8str_DriversDir[0] = '\0';
    return bFillExeDir() && bFillSystemDirs() && bFilePathsFit() ? 1 : 0;
}

void vReadOptions(const char *pcCommandLine)
{
    gs32_Install = gs32_Files = gs32_Register = 1;
    const char *pc = pcCommandLine ? pcCommandLine : "";
    for (int32_t s32Tokens = 0; s32Tokens < INSTALLER_MAX_TOKENS; s32Tokens++) {
        while (*pc == ' ')
            pc++;
        if (*pc == '\0')
            return;
        size_t len = strcspn(pc, " ");
        vApplyToken(pc, len);
        pc += len;
    }
}

void vCopyLibraryFiles(void)
{
    char cFrom[INSTALLER_PATH_SIZE];
    char cTo[INSTALLER_PATH_SIZE];
    for (const stLibraryFile &file : gst_LibraryFiles) {
        if (bJoin(cFrom, gu8str_ExeDir, file.pcName) && bJoin(cTo, file.pcTargetDir, file.pcName))
            CopyFileA(cFrom, cTo, FALSE);
    }
}

void vDeleteLibraryFiles(void)
{
    char cPath[INSTALLER_PATH_SIZE];
    for (const stLibraryFile &file : gst_LibraryFiles) {
        if (bJoin(cPath, file.pcTargetDir, file.pcName))
            DeleteFileA(cPath);
    }
}

void vCallInstallDriver(void)
{
    vWithLibraryFunction("InstallDriver",
                         [](FARPROC pfn) { pfnAs<InstallDriverFn>(pfn)(nullptr, 1); });
}

void vCallUninstallDriver(void)
{
    vWithLibraryFunction("UninstallDriver", [](FARPROC pfn) { pfnAs<UninstallDriverFn>(pfn)(); });
}

void vRegisterActiveX(void) { vStartRegistrationTool("DDCHelperX.dll -s"); }

void vUnregisterActiveX(void) { vStartRegistrationTool("DDCHelperX.dll -u -s"); }

int s32InstallerMain(const char *pcCommandLine)
{
    if (!bFillFolders())
        return 0;
    vReadOptions(pcCommandLine);
    if (gs32_Install) {
        if (gs32_Files)
            vCopyLibraryFiles();
        vCallInstallDriver();
        if (gs32_Register)
            vRegisterActiveX();
    } else {
        if (gs32_Register)
            vUnregisterActiveX();
        vCallUninstallDriver();
        if (gs32_Files)
            vDeleteLibraryFiles();
    }
    return 0;
}
