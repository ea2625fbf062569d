// NVIDIA's driver interface: nvapi64.dll (nvapi.dll in a 32-bit process)
// exports one function that hands out the others by number. Its I2C calls
// reach a display output's DDC port; the output is named by its output id
// on its physical GPU. The declarations are the documented ones, written
// here for the few calls used.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_liblog.h"
#include "ddc_winbus.h"

namespace {

#ifdef _WIN64
const char gc_DllName[] = "nvapi64.dll";
#else
const char gc_DllName[] = "nvapi.dll";
#endif

typedef int32_t NvStatus;
typedef void *NvHandle; // display and physical GPU handles alike

#define NVAPI_OK 0
#define NVAPI_ERROR (-1)
#define NVAPI_END_ENUMERATION (-7)
#define NVAPI_NOT_SUPPORTED (-104)
#define NVAPI_INVALID_USER_PRIVILEGE (-137)

#define NVAPI_MAX_GPUS 64u
#define NVAPI_NAME_SIZE 64u
#define NVAPI_I2C_SPEED_DEPRECATED 0xFFFFu
#define NVAPI_DDC_ADDRESS 0xA0u // the memory's 0x50, shifted as on the wire
#define NVAPI_MAX_DATA 16u      // data bytes of a transfer with a register address

// Function numbers for nvapi_QueryInterface.
enum : uint32_t {
    NVID_INITIALIZE = 0x0150E828u,
    NVID_UNLOAD = 0xD22BDD7Eu,
    NVID_ENUM_DISPLAY_HANDLE = 0x9ABDD40Du,
    NVID_DISPLAY_NAME = 0x22A78B05u,
    NVID_GPUS_FROM_DISPLAY = 0x34EF9506u,
    NVID_DISPLAY_OUTPUT_ID = 0xD995937Eu,
    NVID_I2C_READ = 0x2FDE12C5u,
    NVID_I2C_WRITE = 0xE812EB07u,
};

// The transfer description, version 3.
struct stNvI2cInfo {
    uint32_t u32Version;
    uint32_t u32DisplayMask; // the output id
    uint8_t u8IsDdcPort;
    uint8_t u8DevAddress;    // 8-bit form
    uint8_t *pu8RegAddress;
    uint32_t u32RegAddrSize;
    uint8_t *pu8Data;
    uint32_t u32Size;
    uint32_t u32SpeedDeprecated;
    int32_t s32SpeedKhz;     // 0: the driver's default
    uint8_t u8PortId;
    uint32_t bPortIdSet;
};
#define NV_I2C_INFO_VERSION ((uint32_t)sizeof(stNvI2cInfo) | (3u << 16))

typedef void *(__cdecl *QueryFn)(uint32_t u32Id);
typedef NvStatus(__cdecl *VoidFn)(void);
typedef NvStatus(__cdecl *EnumDisplayFn)(uint32_t u32Index, NvHandle *phDisplay);
typedef NvStatus(__cdecl *DisplayNameFn)(NvHandle hDisplay, char *pcName);
typedef NvStatus(__cdecl *GpusFromDisplayFn)(NvHandle hDisplay, NvHandle *phGpus, uint32_t *pu32Count);
typedef NvStatus(__cdecl *OutputIdFn)(NvHandle hDisplay, uint32_t *pu32OutputId);
typedef NvStatus(__cdecl *I2cFn)(NvHandle hGpu, stNvI2cInfo *pstInfo);

struct stNvOutput {
    NvHandle hGpu;
    uint32_t u32OutputId;
};

HMODULE gh_Dll;
QueryFn gpfn_Query;
I2cFn gpfn_Read;
I2cFn gpfn_Write;
stNvOutput gst_Outputs[WINBUS_MAX_UNITS];
uint32_t gu32_Outputs;

void *pvFunction(uint32_t u32Id) { return gpfn_Query ? gpfn_Query(u32Id) : nullptr; }

void vNvUnload(void)
{
    VoidFn pfnUnload = (VoidFn)pvFunction(NVID_UNLOAD);
    if (gh_Dll && pfnUnload)
        pfnUnload();
    if (gh_Dll)
        FreeLibrary(gh_Dll);
    gh_Dll = nullptr;
    gpfn_Query = nullptr;
    gpfn_Read = gpfn_Write = nullptr;
    gu32_Outputs = 0;
}

bool bLoad(void)
{
    gh_Dll = LoadLibraryA(gc_DllName);
    if (!gh_Dll)
        return false;
    gpfn_Query = (QueryFn)(void *)GetProcAddress(gh_Dll, "nvapi_QueryInterface");
    VoidFn pfnInit = (VoidFn)pvFunction(NVID_INITIALIZE);
    gpfn_Read = (I2cFn)pvFunction(NVID_I2C_READ);
    gpfn_Write = (I2cFn)pvFunction(NVID_I2C_WRITE);
    NvStatus s32Init = pfnInit ? pfnInit() : NVAPI_ERROR;
    if (s32Init == NVAPI_OK && gpfn_Read && gpfn_Write)
        return true;
    vLogNote("bus: NVAPI: %s is there but %s (status %d)", gc_DllName,
             s32Init != NVAPI_OK ? "does not start" : "offers no I2C calls", (int)s32Init);
    vNvUnload();
    return false;
}

// One display NVAPI drives: its GPU, output id, and Windows' name for it.
bool bDescribeDisplay(NvHandle hDisplay, stNvOutput *pstOut, stWinBusUnit *pstUnit)
{
    GpusFromDisplayFn pfnGpus = (GpusFromDisplayFn)pvFunction(NVID_GPUS_FROM_DISPLAY);
    OutputIdFn pfnOutput = (OutputIdFn)pvFunction(NVID_DISPLAY_OUTPUT_ID);
    DisplayNameFn pfnName = (DisplayNameFn)pvFunction(NVID_DISPLAY_NAME);
    NvHandle ahGpus[NVAPI_MAX_GPUS] = {};
    uint32_t u32Gpus = 0;
    if (!pfnGpus || !pfnOutput || pfnGpus(hDisplay, ahGpus, &u32Gpus) != NVAPI_OK || !u32Gpus ||
        pfnOutput(hDisplay, &pstOut->u32OutputId) != NVAPI_OK)
        return false;
    pstOut->hGpu = ahGpus[0];
    char cName[NVAPI_NAME_SIZE] = "";
    if (!pfnName || pfnName(hDisplay, cName) != NVAPI_OK)
        snprintf(cName, sizeof(cName), "a display");
    cName[sizeof(cName) - 1] = '\0';
    snprintf(pstUnit->cDescr, sizeof(pstUnit->cDescr), "%s, output id 0x%X of an NVIDIA GPU",
             cName, pstOut->u32OutputId);
    pstUnit->bDisplay = 1;
    return true;
}

uint32_t u32NvFind(stWinBusUnit *pstUnits, uint32_t u32Max)
{
    vNvUnload();
    if (!bLoad())
        return 0;
    EnumDisplayFn pfnEnum = (EnumDisplayFn)pvFunction(NVID_ENUM_DISPLAY_HANDLE);
    NvHandle hDisplay = nullptr;
    for (uint32_t i = 0; pfnEnum && gu32_Outputs < u32Max && gu32_Outputs < WINBUS_MAX_UNITS &&
                         pfnEnum(i, &hDisplay) == NVAPI_OK;
         i++) {
        stWinBusUnit *pstUnit = &pstUnits[gu32_Outputs];
        memset(pstUnit, 0, sizeof(*pstUnit));
        if (!bDescribeDisplay(hDisplay, &gst_Outputs[gu32_Outputs], pstUnit))
            continue;
        gu32_Outputs++;
        snprintf(pstUnit->cName, sizeof(pstUnit->cName), "NVAPI:%u", gu32_Outputs);
    }
    return gu32_Outputs;
}

uint32_t u32NvOpen(uint32_t u32Unit) { return u32Unit < gu32_Outputs ? 0 : DDC_ERR_ADAPTER_GONE; }
void vNvClose(uint32_t) {}

// A refused write: the driver keeps the display's memory to itself.
uint32_t u32Status(NvStatus s32Status, bool bWrite)
{
    switch (s32Status) {
    case NVAPI_OK:
        return 0;
    case NVAPI_ERROR:
        return DDC_ERR_NO_ACK;
    case NVAPI_NOT_SUPPORTED:
    case NVAPI_INVALID_USER_PRIVILEGE:
        if (!bWrite)
            return DDC_ERR_PERMISSION;
        vLogNote("bus: NVAPI: status %d: the graphics driver refuses writes to the display's "
                 "memory at 0xA0: use a USB-I2C bridge", (int)s32Status);
        return DDC_ERR_PERMISSION;
    default:
        vLogNote("bus: NVAPI: status %d", (int)s32Status);
        return DDC_ERR_BUS_FAULT;
    }
}

stNvI2cInfo stTransfer(uint32_t u32Unit, uint8_t *pu8Reg, uint8_t *pu8Data, uint32_t u32Count)
{
    stNvI2cInfo st = {};
    st.u32Version = NV_I2C_INFO_VERSION;
    st.u32DisplayMask = gst_Outputs[u32Unit].u32OutputId;
    st.u8IsDdcPort = 1;
    st.u8DevAddress = NVAPI_DDC_ADDRESS;
    st.pu8RegAddress = pu8Reg;
    st.u32RegAddrSize = 1;
    st.pu8Data = pu8Data;
    st.u32Size = u32Count;
    st.u32SpeedDeprecated = NVAPI_I2C_SPEED_DEPRECATED;
    return st;
}

uint32_t u32NvWrite(uint32_t u32Unit, uint32_t u32Addr7, const uint8_t *pu8Bytes, uint32_t u32Count)
{
    if (u32Unit >= gu32_Outputs || !gpfn_Write)
        return DDC_ERR_ADAPTER_GONE;
    if (u32Addr7 != NVAPI_DDC_ADDRESS >> 1 || u32Count < 1 || u32Count > NVAPI_MAX_DATA + 1u)
        return DDC_ERR_BAD_COUNT;
    uint8_t u8Reg = pu8Bytes[0];
    uint8_t au8Data[NVAPI_MAX_DATA];
    memcpy(au8Data, pu8Bytes + 1, u32Count - 1u);
    stNvI2cInfo st = stTransfer(u32Unit, &u8Reg, au8Data, u32Count - 1u);
    return u32Status(gpfn_Write(gst_Outputs[u32Unit].hGpu, &st), true);
}

uint32_t u32NvRead(uint32_t u32Unit, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                   uint32_t u32Count)
{
    if (u32Unit >= gu32_Outputs || !gpfn_Read)
        return DDC_ERR_ADAPTER_GONE;
    if (u32Addr7 != NVAPI_DDC_ADDRESS >> 1 || u32Count > NVAPI_MAX_DATA)
        return DDC_ERR_BAD_COUNT;
    stNvI2cInfo st = stTransfer(u32Unit, &u8Reg, pu8Buf, u32Count);
    return u32Status(gpfn_Read(gst_Outputs[u32Unit].hGpu, &st), false);
}

const stWinBusOps gst_NvapiOps = {
    "NVAPI", NVAPI_MAX_DATA + 1u, NVAPI_MAX_DATA, u32NvFind, u32NvOpen, vNvClose,
    u32NvWrite, u32NvRead, vNvUnload,
};

} // namespace

const stWinBusOps *pstWinNvapiOps(void) { return &gst_NvapiOps; }
