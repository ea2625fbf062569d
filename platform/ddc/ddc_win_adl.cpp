// AMD's display library: atiadlxx.dll (atiadlxy.dll for a 32-bit process on
// 64-bit Windows). Its DDC block access sends a message on a display's DDC
// line that begins with the device address, and reads the answer of a
// combined write-read. The declarations are the documented ones, written
// here for the few calls used.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_liblog.h"
#include "ddc_winbus.h"

namespace {

#define ADL_OK 0
#define ADL_ERR (-1)
#define ADL_ERR_NOT_SUPPORTED (-8)
#define ADL_MAX_PATH 256
#define ADL_DISPLAY_CONNECTED 0x1
#define ADL_DISPLAY_MAPPED 0x2
#define ADL_DDC_OPTION_COMBOWRITEREAD 0x10
#define ADL_DDC_ADDRESS 0xA0u // the memory's 0x50, as on the wire
#define ADL_MAX_DATA 16u

struct stAdlAdapterInfo {
    int iSize;
    int iAdapterIndex;
    char strUDID[ADL_MAX_PATH];
    int iBusNumber;
    int iDeviceNumber;
    int iFunctionNumber;
    int iVendorID;
    char strAdapterName[ADL_MAX_PATH];
    char strDisplayName[ADL_MAX_PATH];
    int iPresent;
    int iExist;
    char strDriverPath[ADL_MAX_PATH];
    char strDriverPathExt[ADL_MAX_PATH];
    char strPNPString[ADL_MAX_PATH];
    int iOSDisplayIndex;
};

struct stAdlDisplayInfo {
    int iDisplayLogicalIndex;
    int iDisplayPhysicalIndex;
    int iDisplayLogicalAdapterIndex;
    int iDisplayPhysicalAdapterIndex;
    int iDisplayControllerIndex;
    char strDisplayName[ADL_MAX_PATH];
    char strDisplayManufacturerName[ADL_MAX_PATH];
    int iDisplayType;
    int iDisplayOutputType;
    int iDisplayConnector;
    int iDisplayInfoMask;
    int iDisplayInfoValue;
};

typedef void *AdlContext;
typedef void *(__stdcall *AllocFn)(int iSize);
typedef int (*CreateFn)(AllocFn pfnAlloc, int iConnectedOnly, AdlContext *pContext);
typedef int (*DestroyFn)(AdlContext context);
typedef int (*AdapterCountFn)(AdlContext context, int *piCount);
typedef int (*AdapterInfoFn)(AdlContext context, stAdlAdapterInfo *pstInfo, int iSize);
typedef int (*DisplayInfoFn)(AdlContext context, int iAdapter, int *piCount,
                             stAdlDisplayInfo **ppstInfo, int iForceDetect);
typedef int (*DdcBlockFn)(AdlContext context, int iAdapter, int iDisplay, int iOption,
                          int iCommandIndex, int iSendLen, char *pcSend, int *piRecvLen,
                          char *pcRecv);

#define ADL_MAX_ADAPTERS 64

struct stAdlOutput {
    int iAdapter;
    int iDisplay;
};

HMODULE gh_Dll;
AdlContext gpv_Context;
DdcBlockFn gpfn_Ddc;
stAdlOutput gst_Outputs[WINBUS_MAX_UNITS];
uint32_t gu32_Outputs;
stAdlAdapterInfo gst_Adapters[ADL_MAX_ADAPTERS];

void *__stdcall pvAlloc(int iSize) { return iSize > 0 ? malloc((size_t)iSize) : nullptr; }

FARPROC pfnNamed(const char *pcName) { return gh_Dll ? GetProcAddress(gh_Dll, pcName) : nullptr; }

void vAdlUnload(void)
{
    DestroyFn pfnDestroy = (DestroyFn)(void *)pfnNamed("ADL2_Main_Control_Destroy");
    if (gpv_Context && pfnDestroy)
        pfnDestroy(gpv_Context);
    if (gh_Dll)
        FreeLibrary(gh_Dll);
    gh_Dll = nullptr;
    gpv_Context = nullptr;
    gpfn_Ddc = nullptr;
    gu32_Outputs = 0;
}

// A 32-bit process on 64-bit Windows finds the 32-bit library under its
// own name; elsewhere that name is not there.
HMODULE hLoadDll(void)
{
#ifndef _WIN64
    HMODULE h = LoadLibraryA("atiadlxy.dll");
    if (h)
        return h;
#endif
    return LoadLibraryA("atiadlxx.dll");
}

bool bLoad(void)
{
    gh_Dll = hLoadDll();
    if (!gh_Dll)
        return false;
    CreateFn pfnCreate = (CreateFn)(void *)pfnNamed("ADL2_Main_Control_Create");
    gpfn_Ddc = (DdcBlockFn)(void *)pfnNamed("ADL2_Display_DDCBlockAccess_Get");
    int iCreated = pfnCreate ? pfnCreate(pvAlloc, 1, &gpv_Context) : ADL_ERR;
    if (iCreated == ADL_OK && gpfn_Ddc)
        return true;
    vLogNote("bus: ADL: the library is there but %s (status %d)",
             iCreated != ADL_OK ? "does not start" : "offers no DDC block access", iCreated);
    gpv_Context = iCreated == ADL_OK ? gpv_Context : nullptr;
    vAdlUnload();
    return false;
}

bool bListed(int iAdapter, int iDisplay)
{
    for (uint32_t i = 0; i < gu32_Outputs; i++) {
        if (gst_Outputs[i].iAdapter == iAdapter && gst_Outputs[i].iDisplay == iDisplay)
            return true;
    }
    return false;
}

// The displays of one adapter that are connected and mapped; the same
// display shows under each adapter entry of its GPU, so it is listed once.
void vAddDisplays(const stAdlAdapterInfo *pstAdapter, stWinBusUnit *pstUnits, uint32_t u32Max)
{
    DisplayInfoFn pfnDisplays = (DisplayInfoFn)(void *)pfnNamed("ADL2_Display_DisplayInfo_Get");
    stAdlDisplayInfo *pstInfo = nullptr;
    int iCount = 0;
    if (!pfnDisplays ||
        pfnDisplays(gpv_Context, pstAdapter->iAdapterIndex, &iCount, &pstInfo, 0) != ADL_OK) {
        free(pstInfo);
        return;
    }
    const int iWanted = ADL_DISPLAY_CONNECTED | ADL_DISPLAY_MAPPED;
    for (int i = 0; pstInfo && i < iCount && gu32_Outputs < u32Max; i++) {
        const stAdlDisplayInfo *pst = &pstInfo[i];
        int iAdapter = pst->iDisplayLogicalAdapterIndex, iDisplay = pst->iDisplayLogicalIndex;
        if ((pst->iDisplayInfoValue & iWanted) != iWanted || bListed(iAdapter, iDisplay))
            continue;
        gst_Outputs[gu32_Outputs] = {iAdapter, iDisplay};
        stWinBusUnit *pstUnit = &pstUnits[gu32_Outputs++];
        memset(pstUnit, 0, sizeof(*pstUnit));
        snprintf(pstUnit->cName, sizeof(pstUnit->cName), "ADL:%u", gu32_Outputs);
        snprintf(pstUnit->cDescr, sizeof(pstUnit->cDescr), "%.32s, %.40s on %.40s",
                 pstAdapter->strDisplayName, pst->strDisplayName, pstAdapter->strAdapterName);
        pstUnit->bDisplay = 1;
    }
    free(pstInfo);
}

uint32_t u32AdlFind(stWinBusUnit *pstUnits, uint32_t u32Max)
{
    vAdlUnload();
    if (!bLoad())
        return 0;
    AdapterCountFn pfnCount = (AdapterCountFn)(void *)pfnNamed("ADL2_Adapter_NumberOfAdapters_Get");
    AdapterInfoFn pfnInfo = (AdapterInfoFn)(void *)pfnNamed("ADL2_Adapter_AdapterInfo_Get");
    int iAdapters = 0;
    if (!pfnCount || !pfnInfo || pfnCount(gpv_Context, &iAdapters) != ADL_OK || iAdapters <= 0)
        return 0;
    if (iAdapters > ADL_MAX_ADAPTERS)
        iAdapters = ADL_MAX_ADAPTERS;
    memset(gst_Adapters, 0, sizeof(gst_Adapters));
    for (int i = 0; i < iAdapters; i++)
        gst_Adapters[i].iSize = (int)sizeof(stAdlAdapterInfo);
    if (pfnInfo(gpv_Context, gst_Adapters, (int)sizeof(stAdlAdapterInfo) * iAdapters) != ADL_OK)
        return 0;
    if (u32Max > WINBUS_MAX_UNITS)
        u32Max = WINBUS_MAX_UNITS;
    for (int i = 0; i < iAdapters; i++) {
        gst_Adapters[i].strDisplayName[ADL_MAX_PATH - 1] = '\0';
        gst_Adapters[i].strAdapterName[ADL_MAX_PATH - 1] = '\0';
        if (gst_Adapters[i].iPresent)
            vAddDisplays(&gst_Adapters[i], pstUnits, u32Max);
    }
    return gu32_Outputs;
}

uint32_t u32AdlOpen(uint32_t u32Unit) { return u32Unit < gu32_Outputs ? 0 : DDC_ERR_ADAPTER_GONE; }
void vAdlClose(uint32_t) {}

uint32_t u32Status(int iStatus, bool bWrite)
{
    if (iStatus == ADL_OK)
        return 0;
    if (iStatus == ADL_ERR)
        return DDC_ERR_NO_ACK;
    if (iStatus == ADL_ERR_NOT_SUPPORTED && bWrite) {
        vLogNote("bus: ADL: status %d: the graphics driver refuses writes to the display's memory "
                 "at 0xA0: use a USB-I2C bridge", iStatus);
        return DDC_ERR_PERMISSION;
    }
    vLogNote("bus: ADL: status %d", iStatus);
    return iStatus == ADL_ERR_NOT_SUPPORTED ? DDC_ERR_PERMISSION : DDC_ERR_BUS_FAULT;
}

uint32_t u32AdlWrite(uint32_t u32Unit, uint32_t u32Addr7, const uint8_t *pu8Bytes, uint32_t u32Count)
{
    if (u32Unit >= gu32_Outputs || !gpfn_Ddc)
        return DDC_ERR_ADAPTER_GONE;
    if (u32Addr7 != ADL_DDC_ADDRESS >> 1 || u32Count < 1 || u32Count > ADL_MAX_DATA + 1u)
        return DDC_ERR_BAD_COUNT;
    char acSend[ADL_MAX_DATA + 2u];
    acSend[0] = (char)ADL_DDC_ADDRESS;
    memcpy(acSend + 1, pu8Bytes, u32Count);
    int iRecv = 0;
    const stAdlOutput *pst = &gst_Outputs[u32Unit];
    return u32Status(gpfn_Ddc(gpv_Context, pst->iAdapter, pst->iDisplay, 0, 0, (int)u32Count + 1,
                              acSend, &iRecv, nullptr),
                     true);
}

uint32_t u32AdlRead(uint32_t u32Unit, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                    uint32_t u32Count)
{
    if (u32Unit >= gu32_Outputs || !gpfn_Ddc)
        return DDC_ERR_ADAPTER_GONE;
    if (u32Addr7 != ADL_DDC_ADDRESS >> 1 || u32Count > ADL_MAX_DATA)
        return DDC_ERR_BAD_COUNT;
    char acSend[2] = {(char)ADL_DDC_ADDRESS, (char)u8Reg};
    int iRecv = (int)u32Count;
    const stAdlOutput *pst = &gst_Outputs[u32Unit];
    int iStatus = gpfn_Ddc(gpv_Context, pst->iAdapter, pst->iDisplay,
                           ADL_DDC_OPTION_COMBOWRITEREAD, 0, 2, acSend, &iRecv, (char *)pu8Buf);
    if (iStatus == ADL_OK && iRecv != (int)u32Count) {
        vLogNote("bus: ADL: %d bytes came of %u", iRecv, u32Count);
        return DDC_ERR_BUS_FAULT;
    }
    return u32Status(iStatus, false);
}

const stWinBusOps gst_AdlOps = {
    "ADL", ADL_MAX_DATA + 1u, ADL_MAX_DATA, u32AdlFind, u32AdlOpen, vAdlClose,
    u32AdlWrite, u32AdlRead, vAdlUnload,
};

} // namespace

const stWinBusOps *pstWinAdlOps(void) { return &gst_AdlOps; }
