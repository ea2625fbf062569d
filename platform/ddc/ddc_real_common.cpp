#include "ddc_real_common.h"

#include <ctype.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_i2cdev.h"
#include "ddc_winbus.h"

namespace {

#define REAL_KIND_SIZE 16u

// Digits only, at least one, the value from 1; 0 when malformed.
uint32_t u32Place(const char *pc)
{
    uint32_t u32 = 0;
    if (!*pc)
        return 0;
    for (; *pc; pc++) {
        if (!isdigit((unsigned char)*pc) || u32 > 99999u)
            return 0;
        u32 = u32 * 10u + (uint32_t)(*pc - '0');
    }
    return u32;
}

// The part before ':' (upper case) and where the rest begins (null: no ':').
const char *pcSplitKind(const char *pcName, char *pcKind)
{
    const char *pcColon = strchr(pcName, ':');
    size_t len = pcColon ? (size_t)(pcColon - pcName) : strlen(pcName);
    if (len >= REAL_KIND_SIZE)
        len = REAL_KIND_SIZE - 1u;
    for (size_t i = 0; i < len; i++)
        pcKind[i] = (char)toupper((unsigned char)pcName[i]);
    pcKind[len] = '\0';
    return pcColon ? pcColon + 1 : nullptr;
}

bool bKnownBridge(const char *pcKind)
{
    return !strcmp(pcKind, "MCP2221") || !strcmp(pcKind, "FT260") || !strcmp(pcKind, "CP2112");
}

bool bSerialValid(const char *pc)
{
    if (!*pc)
        return false;
    for (; *pc; pc++) {
        if (!isalnum((unsigned char)*pc))
            return false;
    }
    return true;
}

bool bSameKind(const stWinBusUnit *pstUnit, const char *pcKind)
{
    char cUnitKind[REAL_KIND_SIZE];
    pcSplitKind(pstUnit->cName, cUnitKind);
    return !strcmp(cUnitKind, pcKind);
}

bool bUnitSerial(const stWinBusUnit *pstUnit, const char *pcSerial)
{
    char cKind[REAL_KIND_SIZE];
    const char *pcRest = pcSplitKind(pstUnit->cName, cKind);
    return pcRest && pcRest[0] != '#' && !strcmp(pcRest, pcSerial);
}

int32_t s32PickBridge(const char *pcName, const stWinBusUnit *pstUnits, uint32_t u32Units)
{
    char cKind[REAL_KIND_SIZE];
    const char *pcRest = pcSplitKind(pcName, cKind);
    uint32_t u32Want = pcRest && pcRest[0] == '#' ? u32Place(pcRest + 1) : 0;
    int32_t s32Found = WINBUS_NO_UNIT;
    uint32_t u32OfKind = 0;
    for (uint32_t i = 0; i < u32Units; i++) {
        if (!bSameKind(&pstUnits[i], cKind))
            continue;
        u32OfKind++;
        if (pcRest && !u32Want && bUnitSerial(&pstUnits[i], pcRest))
            return (int32_t)i;
        if (u32Want && u32OfKind == u32Want)
            return (int32_t)i;
        if (!pcRest)
            s32Found = u32OfKind == 1 ? (int32_t)i : WINBUS_AMBIGUOUS;
    }
    return s32Found;
}

} // namespace

const char *pcRealCodeWords(uint32_t u32Code)
{
    switch (u32Code) {
    case DDC_ERR_NO_ACK:
        return "no answer";
    case DDC_ERR_BUSY:
        return "busy";
    case DDC_ERR_TIMEOUT:
        return "timed out";
    case DDC_ERR_PERMISSION:
        return "permission denied";
    case DDC_ERR_NO_ADAPTER:
        return "no such I2C adapter";
    case DDC_ERR_ADAPTER_GONE:
        return "the adapter is gone";
    case DDC_ERR_BAD_COUNT:
        return "too many bytes";
    case DDC_ERR_CANNOT_REACH:
        return "the adapter cannot reach past byte 255";
    default:
        return "bus fault";
    }
}

const char *pcRealReachWords(uint32_t u32Why)
{
    switch (u32Why) {
    case DDC_REACH_SMBUS_ONLY:
        return "the adapter offers SMBus transfers only, which reach the first 256 bytes";
    case DDC_REACH_TWO_MESSAGES:
        return "the bridge sends at most two messages in one transfer, and a segment read "
               "needs three (segment, offset, read)";
    case DDC_REACH_DRIVER:
        return "the graphics driver's I2C call is used at 0xA0 alone (no second address, no "
               "segment pointer): use a USB-I2C bridge";
    default:
        return "the adapter reaches the whole memory";
    }
}

uint32_t u32RealCounterAfterWrite(uint8_t u8Addr, uint32_t u32Data)
{
    uint32_t u32Page = u8Addr & ~(REAL_EEPROM_PAGE - 1u);
    return u32Data ? u32Page | ((u8Addr + u32Data) & (REAL_EEPROM_PAGE - 1u)) : u8Addr;
}

int32_t bWinBridgeNameValid(const char *pcName)
{
    char cKind[REAL_KIND_SIZE];
    const char *pcRest = pcSplitKind(pcName, cKind);
    if (!bKnownBridge(cKind) || strlen(pcName) >= REAL_LABEL_SIZE)
        return 0;
    if (!pcRest)
        return 1;
    return pcRest[0] == '#' ? u32Place(pcRest + 1) != 0 : bSerialValid(pcRest);
}

int32_t bWinConnectorNameValid(const char *pcName)
{
    char cKind[REAL_KIND_SIZE];
    const char *pcRest = pcSplitKind(pcName, cKind);
    return (!strcmp(cKind, "NVAPI") || !strcmp(cKind, "ADL")) && pcRest && u32Place(pcRest) != 0;
}

int32_t s32WinBusPick(int32_t s32By, const char *pcName, const stWinBusUnit *pstUnits,
                      uint32_t u32Units)
{
    if (s32By == REAL_BY_BRIDGE)
        return bWinBridgeNameValid(pcName) ? s32PickBridge(pcName, pstUnits, u32Units)
                                           : WINBUS_NO_UNIT;
    char cKind[REAL_KIND_SIZE], cUnitKind[REAL_KIND_SIZE];
    const char *pcRest = pcSplitKind(pcName, cKind);
    uint32_t u32Want = pcRest ? u32Place(pcRest) : 0;
    for (uint32_t i = 0; u32Want && i < u32Units; i++) {
        const char *pcUnitRest = pcSplitKind(pstUnits[i].cName, cUnitKind);
        if (!strcmp(cKind, cUnitKind) && pcUnitRest && u32Place(pcUnitRest) == u32Want)
            return (int32_t)i;
    }
    return WINBUS_NO_UNIT;
}

int32_t bRealInBench(void)
{
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        if (gst_Bench.ast[i].stReal.bReal)
            return 1;
    }
    return 0;
}
