// A stand-in for NVIDIA's nvapi64.dll (nvapi.dll), for tools/wine-gpu-test.sh:
// one GPU driving the two displays of fake_gpu_displays.h, reached through
// the I2C calls as the driver's documentation describes them. With
// FAKE_NVAPI_REFUSE_WRITES set it refuses every write, as a driver that
// keeps the display's memory to itself may.
#include "fake_gpu_displays.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

typedef int32_t NvStatus;

#define NV_OK 0
#define NV_ERROR (-1)
#define NV_INVALID_ARGUMENT (-5)
#define NV_END_ENUMERATION (-7)
#define NV_INVALID_HANDLE (-8)
#define NV_INCOMPATIBLE_STRUCT_VERSION (-9)
#define NV_API_NOT_INITIALIZED (-4)
#define NV_NOT_SUPPORTED (-104)

struct stI2cInfo {
    uint32_t u32Version;
    uint32_t u32DisplayMask;
    uint8_t u8IsDdcPort;
    uint8_t u8DevAddress;
    uint8_t *pu8RegAddress;
    uint32_t u32RegAddrSize;
    uint8_t *pu8Data;
    uint32_t u32Size;
    uint32_t u32SpeedDeprecated;
    int32_t s32SpeedKhz;
    uint8_t u8PortId;
    uint32_t bPortIdSet;
};

char gc_Gpu; // its address is the GPU's handle
char gac_Displays[FAKE_DISPLAYS];
bool gb_Started;
const uint32_t gau32_OutputIds[FAKE_DISPLAYS] = {0x100u, 0x200u};

int32_t s32DisplayOf(void *hDisplay)
{
    for (uint32_t i = 0; i < FAKE_DISPLAYS; i++) {
        if (hDisplay == &gac_Displays[i])
            return (int32_t)i;
    }
    return -1;
}

NvStatus Initialize(void)
{
    gb_Started = true;
    return NV_OK;
}

NvStatus Unload(void)
{
    gb_Started = false;
    return NV_OK;
}

NvStatus EnumDisplay(uint32_t u32Index, void **phDisplay)
{
    if (!gb_Started)
        return NV_API_NOT_INITIALIZED;
    if (u32Index >= FAKE_DISPLAYS)
        return NV_END_ENUMERATION;
    *phDisplay = &gac_Displays[u32Index];
    return NV_OK;
}

NvStatus DisplayName(void *hDisplay, char *pcName)
{
    int32_t s32 = s32DisplayOf(hDisplay);
    if (s32 < 0)
        return NV_INVALID_HANDLE;
    snprintf(pcName, 64, "\\\\.\\DISPLAY%d", s32 + 1);
    return NV_OK;
}

NvStatus GpusFromDisplay(void *hDisplay, void **phGpus, uint32_t *pu32Count)
{
    if (s32DisplayOf(hDisplay) < 0)
        return NV_INVALID_HANDLE;
    phGpus[0] = &gc_Gpu;
    *pu32Count = 1;
    return NV_OK;
}

NvStatus OutputId(void *hDisplay, uint32_t *pu32OutputId)
{
    int32_t s32 = s32DisplayOf(hDisplay);
    if (s32 < 0)
        return NV_INVALID_HANDLE;
    *pu32OutputId = gau32_OutputIds[s32];
    return NV_OK;
}

// The memory of a well-formed DDC transfer, or null with the status why not.
stEeprom *pstTarget(void *hGpu, const stI2cInfo *pst, NvStatus *ps32Status)
{
    *ps32Status = NV_INVALID_ARGUMENT;
    if (pst->u32Version != ((uint32_t)sizeof(stI2cInfo) | (3u << 16))) {
        *ps32Status = NV_INCOMPATIBLE_STRUCT_VERSION;
        return nullptr;
    }
    if (hGpu != &gc_Gpu || !pst->u8IsDdcPort || pst->u8DevAddress != 0xA0 ||
        pst->u32RegAddrSize != 1 || !pst->pu8RegAddress || pst->u32Size > FAKE_MAX_DATA ||
        pst->u32SpeedDeprecated != 0xFFFFu)
        return nullptr;
    for (uint32_t i = 0; i < FAKE_DISPLAYS; i++) {
        if (pst->u32DisplayMask == gau32_OutputIds[i])
            return pstFakeMemory(i);
    }
    return nullptr;
}

NvStatus I2cRead(void *hGpu, stI2cInfo *pst)
{
    NvStatus s32Status = NV_OK;
    stEeprom *pstMem = pstTarget(hGpu, pst, &s32Status);
    if (!pstMem)
        return s32Status;
    return bFakeRead(pstMem, pst->pu8RegAddress[0], pst->pu8Data, pst->u32Size) ? NV_OK : NV_ERROR;
}

NvStatus I2cWrite(void *hGpu, stI2cInfo *pst)
{
    if (getenv("FAKE_NVAPI_REFUSE_WRITES"))
        return NV_NOT_SUPPORTED;
    NvStatus s32Status = NV_OK;
    stEeprom *pstMem = pstTarget(hGpu, pst, &s32Status);
    if (!pstMem)
        return s32Status;
    return bFakeWrite(pstMem, pst->pu8RegAddress[0], pst->pu8Data, pst->u32Size) ? NV_OK
                                                                                 : NV_ERROR;
}

} // namespace

extern "C" __declspec(dllexport) void *nvapi_QueryInterface(uint32_t u32Id)
{
    switch (u32Id) {
    case 0x0150E828u:
        return (void *)&Initialize;
    case 0xD22BDD7Eu:
        return (void *)&Unload;
    case 0x9ABDD40Du:
        return (void *)&EnumDisplay;
    case 0x22A78B05u:
        return (void *)&DisplayName;
    case 0x34EF9506u:
        return (void *)&GpusFromDisplay;
    case 0xD995937Eu:
        return (void *)&OutputId;
    case 0x2FDE12C5u:
        return (void *)&I2cRead;
    case 0xE812EB07u:
        return (void *)&I2cWrite;
    default:
        return nullptr;
    }
}
