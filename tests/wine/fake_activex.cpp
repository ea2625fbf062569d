// A stand-in for the bus library's ActiveX component, for the installer's
// run under wine (tools/wine-installer-test.sh): registering and
// unregistering append "register" or "unregister" to DDCHelperX.trace
// beside this DLL, so the script sees what regsvr32 called.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

void vAppendTrace(const char *pcLine)
{
    HMODULE hSelf = nullptr;
    char cPath[MAX_PATH + 32];
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCSTR)(void *)&vAppendTrace, &hSelf))
        return;
    DWORD u32Len = GetModuleFileNameA(hSelf, cPath, MAX_PATH);
    if (u32Len == 0 || u32Len >= MAX_PATH)
        return;
    char *pcSep = strrchr(cPath, '\\');
    if (!pcSep)
        return;
    snprintf(pcSep + 1, sizeof(cPath) - (size_t)(pcSep + 1 - cPath), "DDCHelperX.trace");
    FILE *pFile = fopen(cPath, "ab");
    if (!pFile)
        return;
    fprintf(pFile, "%s\n", pcLine);
    fclose(pFile);
}

} // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
    vAppendTrace("register");
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    vAppendTrace("unregister");
    return S_OK;
}
