// A stand-in for AMD's atiadlxx.dll (atiadlxy.dll), for
// tools/wine-gpu-test.sh: one adapter with the two displays of
// fake_gpu_displays.h, each listed under two adapter entries as the real
// library lists a GPU's displays, reached through the DDC block access.
#include "fake_gpu_displays.h"

#include <stdio.h>

namespace {

#define ADL_OK 0
#define ADL_ERR (-1)
#define ADL_ERR_INVALID_PARAM (-3)
#define ADL_ERR_NOT_INIT (-2)
#define ADL_PATH 256
#define ADL_ADAPTERS 2
#define ADL_COMBOWRITEREAD 0x10

struct stAdapterInfo {
    int iSize, iAdapterIndex;
    char strUDID[ADL_PATH];
    int iBusNumber, iDeviceNumber, iFunctionNumber, iVendorID;
    char strAdapterName[ADL_PATH];
    char strDisplayName[ADL_PATH];
    int iPresent, iExist;
    char strDriverPath[ADL_PATH];
    char strDriverPathExt[ADL_PATH];
    char strPNPString[ADL_PATH];
    int iOSDisplayIndex;
};

struct stDisplayInfo {
    int iLogicalIndex, iPhysicalIndex, iLogicalAdapterIndex, iPhysicalAdapterIndex;
    int iControllerIndex;
    char strDisplayName[ADL_PATH];
    char strManufacturerName[ADL_PATH];
    int iDisplayType, iOutputType, iConnector, iInfoMask, iInfoValue;
};

typedef void *(__stdcall *AllocFn)(int iSize);

AllocFn gpfn_Alloc;
int gi_Context; // its address is the context handle

bool bContext(void *pvContext) { return gpfn_Alloc && pvContext == &gi_Context; }

} // namespace

extern "C" {

__declspec(dllexport) int ADL2_Main_Control_Create(AllocFn pfnAlloc, int, void **ppvContext)
{
    if (!pfnAlloc || !ppvContext)
        return ADL_ERR_INVALID_PARAM;
    gpfn_Alloc = pfnAlloc;
    *ppvContext = &gi_Context;
    return ADL_OK;
}

__declspec(dllexport) int ADL2_Main_Control_Destroy(void *pvContext)
{
    if (!bContext(pvContext))
        return ADL_ERR_NOT_INIT;
    gpfn_Alloc = nullptr;
    return ADL_OK;
}

__declspec(dllexport) int ADL2_Adapter_NumberOfAdapters_Get(void *pvContext, int *piCount)
{
    if (!bContext(pvContext))
        return ADL_ERR_NOT_INIT;
    *piCount = ADL_ADAPTERS;
    return ADL_OK;
}

__declspec(dllexport) int ADL2_Adapter_AdapterInfo_Get(void *pvContext, stAdapterInfo *pst, int iSize)
{
    if (!bContext(pvContext))
        return ADL_ERR_NOT_INIT;
    if (iSize < (int)sizeof(stAdapterInfo) * ADL_ADAPTERS)
        return ADL_ERR_INVALID_PARAM;
    for (int i = 0; i < ADL_ADAPTERS; i++) {
        memset(&pst[i], 0, sizeof(pst[i]));
        pst[i].iSize = (int)sizeof(stAdapterInfo);
        pst[i].iAdapterIndex = i;
        pst[i].iVendorID = 0x1002;
        pst[i].iPresent = 1;
        pst[i].iExist = 1;
        snprintf(pst[i].strAdapterName, ADL_PATH, "Fake Radeon");
        snprintf(pst[i].strDisplayName, ADL_PATH, "\\\\.\\DISPLAY%d", i + 1);
    }
    return ADL_OK;
}

// Both displays under each adapter entry; they belong to adapter 0.
__declspec(dllexport) int ADL2_Display_DisplayInfo_Get(void *pvContext, int iAdapter, int *piCount,
                                                       stDisplayInfo **ppst, int)
{
    if (!bContext(pvContext))
        return ADL_ERR_NOT_INIT;
    if (iAdapter < 0 || iAdapter >= ADL_ADAPTERS)
        return ADL_ERR_INVALID_PARAM;
    stDisplayInfo *pst = (stDisplayInfo *)gpfn_Alloc((int)sizeof(stDisplayInfo) * FAKE_DISPLAYS);
    memset(pst, 0, sizeof(stDisplayInfo) * FAKE_DISPLAYS);
    for (uint32_t i = 0; i < FAKE_DISPLAYS; i++) {
        pst[i].iLogicalIndex = pst[i].iPhysicalIndex = (int)i;
        snprintf(pst[i].strDisplayName, ADL_PATH, "Fake monitor %u", i + 1);
        pst[i].iInfoMask = pst[i].iInfoValue = 0x3; // connected, mapped
    }
    *ppst = pst;
    *piCount = (int)FAKE_DISPLAYS;
    return ADL_OK;
}

__declspec(dllexport) int ADL2_Display_DDCBlockAccess_Get(void *pvContext, int iAdapter,
                                                          int iDisplay, int iOption, int,
                                                          int iSendLen, char *pcSend,
                                                          int *piRecvLen, char *pcRecv)
{
    if (!bContext(pvContext))
        return ADL_ERR_NOT_INIT;
    stEeprom *pstMem = iAdapter == 0 && iDisplay >= 0 ? pstFakeMemory((uint32_t)iDisplay) : nullptr;
    if (!pstMem || iSendLen < 2 || (uint8_t)pcSend[0] != 0xA0 || !piRecvLen)
        return ADL_ERR_INVALID_PARAM;
    const uint8_t *pu8Send = (const uint8_t *)pcSend;
    if (iOption & ADL_COMBOWRITEREAD) {
        if (iSendLen != 2 || !pcRecv || *piRecvLen <= 0 || *piRecvLen > (int)FAKE_MAX_DATA)
            return ADL_ERR_INVALID_PARAM;
        return bFakeRead(pstMem, pu8Send[1], (uint8_t *)pcRecv, (uint32_t)*piRecvLen) ? ADL_OK
                                                                                       : ADL_ERR;
    }
    if (iSendLen - 2 > (int)FAKE_MAX_DATA)
        return ADL_ERR_INVALID_PARAM;
    return bFakeWrite(pstMem, pu8Send[1], pu8Send + 2, (uint32_t)(iSendLen - 2)) ? ADL_OK : ADL_ERR;
}

} // extern "C"
