// The USB-I2C bridges as a back end of the Windows bus layer: one unit per
// bridge found at the start, named by its chip and USB serial number. A
// unit's device is opened for one operation and set up anew each time,
// since another program may have used it, or left a transfer running, in
// between.
#include <stdio.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bridge.h"
#include "ddc_hid.h"
#include "ddc_lib.h"
#include "ddc_winbus.h"

namespace {

#define WINBRIDGE_MAX_WRITE 60u // the smallest of the three chips' limits
#define WINBRIDGE_MAX_READ 60u
#define WINBRIDGE_NO_UNIT 0xFFFFFFFFu

stHidFound gst_Found[WINBUS_MAX_UNITS];
uint32_t gu32_Found = 0;
uint32_t gu32_OpenUnit = WINBRIDGE_NO_UNIT;
stHidTransport gst_Transport;

// "vid_04d8&pid_00dd&mi_02#7&1a2b3c&0&0000" of
// "\\?\hid#vid_04d8&pid_00dd&mi_02#7&1a2b3c&0&0000#{4d1e55b2-...}".
void vShortPath(const char *pcPath, char *pcShort, size_t size)
{
    const char *pcFirst = strchr(pcPath, '#');
    const char *pcLast = strrchr(pcPath, '#');
    if (!pcFirst || pcLast == pcFirst) {
        snprintf(pcShort, size, "%s", pcPath);
        return;
    }
    snprintf(pcShort, size, "%.*s", (int)(pcLast - pcFirst - 1), pcFirst + 1);
}

void vNameUnit(const stHidFound *pstFound, uint32_t u32Unnamed, stWinBusUnit *pstUnit)
{
    if (pstFound->cSerial[0])
        snprintf(pstUnit->cName, sizeof(pstUnit->cName), "%s:%s", pstFound->pstChip->pcKind,
                 pstFound->cSerial);
    else
        snprintf(pstUnit->cName, sizeof(pstUnit->cName), "%s:#%u", pstFound->pstChip->pcKind,
                 u32Unnamed);
    char cShort[REAL_LABEL_SIZE];
    vShortPath(pstFound->cPath, cShort, sizeof(cShort));
    snprintf(pstUnit->cDescr, sizeof(pstUnit->cDescr), "USB-I2C bridge, %.100s", cShort);
    pstUnit->bDisplay = 0;
}

// Devices without a serial number are numbered from 1 per chip, in
// device-path order.
uint32_t u32Find(stWinBusUnit *pstUnits, uint32_t u32Max)
{
    uint32_t u32Limit = u32Max < WINBUS_MAX_UNITS ? u32Max : WINBUS_MAX_UNITS;
    gu32_Found = u32HidFindBridges(gst_Found, u32Limit);
    uint32_t au32Unnamed[BRIDGE_KINDS] = {};
    for (uint32_t i = 0; i < gu32_Found; i++) {
        uint32_t u32Kind = 0;
        while (u32Kind < BRIDGE_KINDS && pstBridgeChip(u32Kind) != gst_Found[i].pstChip)
            u32Kind++;
        if (u32Kind < BRIDGE_KINDS && !gst_Found[i].cSerial[0])
            au32Unnamed[u32Kind]++;
        vNameUnit(&gst_Found[i], u32Kind < BRIDGE_KINDS ? au32Unnamed[u32Kind] : 0, &pstUnits[i]);
    }
    return gu32_Found;
}

void vClose(uint32_t)
{
    if (gu32_OpenUnit != WINBRIDGE_NO_UNIT)
        vHidClose();
    gu32_OpenUnit = WINBRIDGE_NO_UNIT;
}

uint32_t u32Open(uint32_t u32Unit)
{
    vClose(u32Unit);
    if (u32Unit >= gu32_Found)
        return DDC_ERR_NO_ADAPTER;
    uint32_t u32Result = u32HidOpen(gst_Found[u32Unit].cPath, &gst_Transport);
    if (u32Result)
        return u32Result;
    gu32_OpenUnit = u32Unit;
    u32Result = gst_Found[u32Unit].pstChip->pfnSetup(&gst_Transport, gst_Lib.u32ClockHz);
    if (u32Result)
        vClose(u32Unit);
    return u32Result;
}

const stBridgeChip *pstOpenChip(uint32_t u32Unit)
{
    return u32Unit == gu32_OpenUnit ? gst_Found[u32Unit].pstChip : nullptr;
}

uint32_t u32Write(uint32_t u32Unit, uint32_t u32Addr7, const uint8_t *pu8Bytes, uint32_t u32Count)
{
    const stBridgeChip *pstChip = pstOpenChip(u32Unit);
    return pstChip ? pstChip->pfnWrite(&gst_Transport, u32Addr7, pu8Bytes, u32Count)
                   : DDC_ERR_BUS_FAULT;
}

uint32_t u32Read(uint32_t u32Unit, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                 uint32_t u32Count)
{
    const stBridgeChip *pstChip = pstOpenChip(u32Unit);
    return pstChip ? pstChip->pfnRead(&gst_Transport, u32Addr7, u8Reg, pu8Buf, u32Count)
                   : DDC_ERR_BUS_FAULT;
}

void vUnload(void)
{
    vClose(0);
    gu32_Found = 0;
}

const stWinBusOps gst_BridgeOps = {"USB-I2C", WINBRIDGE_MAX_WRITE, WINBRIDGE_MAX_READ, u32Find,
                                   u32Open, vClose, u32Write, u32Read, vUnload};

} // namespace

const stWinBusOps *pstWinBridgeOps(void) { return &gst_BridgeOps; }
