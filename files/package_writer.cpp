#include "files/package_writer.h"

#include <string.h>

namespace {

bool bFitsField(const char *pcText, uint32_t u32FieldSize)
{
    return pcText == nullptr || strlen(pcText) < u32FieldSize;
}

void vPutText(uint8_t *pu8Pkg, uint32_t u32Offset, const char *pcText)
{
    if (pcText)
        memcpy(pu8Pkg + u32Offset, pcText, strlen(pcText));
}

void vPutPortEntry(uint8_t *pu8Pkg, uint32_t u32Port, uint32_t u32Offset, const char *pcName)
{
    uint32_t u32Entry = PKG_PORT_TABLE_OFFSET + PKG_ENTRY_SIZE * u32Port;
    pu8Pkg[u32Entry] = (uint8_t)u32Offset;
    pu8Pkg[u32Entry + 1] = (uint8_t)(u32Offset >> 8);
    vPutText(pu8Pkg, u32Entry + PKG_ENTRY_NAME_OFFSET, pcName);
}

bool bImageLengthRight(const stPkgPort *pstPort)
{
    if (!pstPort->pu8Image || pstPort->u32Length < PKG_EDID_BLOCK_SIZE)
        return false;
    return pstPort->u32Length ==
           (pstPort->pu8Image[PKG_EDID_EXT_COUNT] + 1u) * PKG_EDID_BLOCK_SIZE;
}

int32_t s32CheckPort(const stPkgPort *pstPort, uint32_t u32Offset)
{
    if (!bFitsField(pstPort->pcName, PKG_PORT_NAME_SIZE))
        return PKG_BUILD_PORT_NAME;
    if (!bImageLengthRight(pstPort))
        return PKG_BUILD_IMAGE_LENGTH;
    if (u32Offset + pstPort->u32Length > PKG_FILE_SIZE)
        return PKG_BUILD_NO_ROOM;
    return PKG_BUILD_OK;
}

int32_t s32CheckHeader(const char *pcTextA, const char *pcTextB, int32_t s32Type,
                       uint32_t u32PortCount)
{
    if (!pcPkgTypeCodeName(s32Type))
        return PKG_BUILD_TYPE;
    if (!bFitsField(pcTextA, PKG_TEXT_A_SIZE))
        return PKG_BUILD_TEXT_A;
    if (!bFitsField(pcTextB, PKG_TEXT_B_SIZE))
        return PKG_BUILD_TEXT_B;
    if (u32PortCount > PKG_PORT_MAX)
        return PKG_BUILD_PORT_COUNT;
    return PKG_BUILD_OK;
}

} // namespace

void vPkgSeal(uint8_t *pu8Pkg)
{
    vPkgStore32(pu8Pkg, PKG_SUM_OFFSET, u32PkgFileSum(pu8Pkg));
    vPkgStore32(pu8Pkg, PKG_HEADER_SUM_OFFSET, u32PkgHeaderSum(pu8Pkg));
}

int32_t s32PkgBuild(const char *pcTextA, const char *pcTextB, int32_t s32Type,
                    const stPkgPort *pstPorts, uint32_t u32PortCount, uint8_t *pu8Pkg,
                    uint32_t *pu32BadPort)
{
    memset(pu8Pkg, 0, PKG_FILE_SIZE);
    if (pu32BadPort)
        *pu32BadPort = 0;
    int32_t s32Code = s32CheckHeader(pcTextA, pcTextB, s32Type, u32PortCount);
    if (s32Code != PKG_BUILD_OK)
        return s32Code;
    vPutText(pu8Pkg, PKG_TEXT_A_OFFSET, pcTextA);
    vPutText(pu8Pkg, PKG_TEXT_B_OFFSET, pcTextB);
    vPutText(pu8Pkg, PKG_TYPE_OFFSET, pcPkgTypeCodeName(s32Type));
    vPkgStore32(pu8Pkg, PKG_PORT_COUNT_OFFSET, u32PortCount);
    uint32_t u32Offset = PKG_HEADER_SIZE;
    for (uint32_t i = 0; i < PKG_PORT_MAX; i++) {
        if (i >= u32PortCount) {
            vPutPortEntry(pu8Pkg, i, PKG_HEADER_SIZE, nullptr);
            continue;
        }
        s32Code = s32CheckPort(&pstPorts[i], u32Offset);
        if (s32Code != PKG_BUILD_OK) {
            memset(pu8Pkg, 0, PKG_FILE_SIZE);
            if (pu32BadPort)
                *pu32BadPort = i;
            return s32Code;
        }
        vPutPortEntry(pu8Pkg, i, u32Offset, pstPorts[i].pcName);
        memcpy(pu8Pkg + u32Offset, pstPorts[i].pu8Image, pstPorts[i].u32Length);
        u32Offset += pstPorts[i].u32Length;
    }
    vPkgSeal(pu8Pkg);
    return PKG_BUILD_OK;
}

const char *pcPkgBuildError(int32_t s32Code)
{
    switch (s32Code) {
    case PKG_BUILD_OK:
        return "no error";
    case PKG_BUILD_TYPE:
        return "type is not VGA, DVI or HDMI";
    case PKG_BUILD_TEXT_A:
        return "text A is longer than 15 characters";
    case PKG_BUILD_TEXT_B:
        return "text B is longer than 7 characters";
    case PKG_BUILD_PORT_COUNT:
        return "more than 8 ports";
    case PKG_BUILD_PORT_NAME:
        return "port name is longer than 7 characters";
    case PKG_BUILD_IMAGE_LENGTH:
        return "image length is not (byte 126 + 1) x 128";
    case PKG_BUILD_NO_ROOM:
        return "images do not fit the 9,984-byte data area";
    default:
        return "unknown error";
    }
}
