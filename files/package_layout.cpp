#include "files/package_layout.h"

#include <string.h>

uint32_t u32PkgLoad32(const uint8_t *pu8Pkg, uint32_t u32Offset)
{
    const uint8_t *p = pu8Pkg + u32Offset;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void vPkgStore32(uint8_t *pu8Pkg, uint32_t u32Offset, uint32_t u32Value)
{
    for (uint32_t k = 0; k < 4; k++)
        pu8Pkg[u32Offset + k] = (uint8_t)(u32Value >> (8 * k));
}

void vByteSum(const uint8_t *pu8Bytes, uint32_t u32Count, uint32_t *pu32Sum)
{
    uint32_t u32Sum = 0;
    for (uint32_t i = 0; i < u32Count; i++)
        u32Sum += pu8Bytes[i];
    *pu32Sum = u32Sum;
}

namespace {

// Sum of the eight bytes of the two checksum fields, left out of both sums.
uint32_t u32ChecksumFieldsSum(const uint8_t *pu8Pkg)
{
    uint32_t u32Sum = 0;
    vByteSum(pu8Pkg + PKG_SUM_OFFSET, 8, &u32Sum);
    return u32Sum;
}

bool bOffsetLegal(uint16_t u16Offset)
{
    return u16Offset >= PKG_HEADER_SIZE && u16Offset % PKG_DATA_ALIGN == 0;
}

// Beyond the eight legal offsets: the listed ports exist in the table and
// their images end inside the file.
bool bListedImagesFit(const uint8_t *pu8Pkg)
{
    uint32_t u32Count = u32PkgPortCount(pu8Pkg);
    if (u32Count > PKG_PORT_MAX)
        return false;
    for (uint32_t i = 0; i < u32Count; i++) {
        if (!bPkgPortImage(pu8Pkg, i, nullptr, nullptr))
            return false;
    }
    return true;
}

bool bPortAddressesLegal(const uint8_t *pu8Pkg)
{
    for (uint32_t i = 0; i < PKG_PORT_MAX; i++) {
        if (!bOffsetLegal(u16PkgPortOffset(pu8Pkg, i)))
            return false;
    }
    return bListedImagesFit(pu8Pkg);
}

} // namespace

uint32_t u32PkgHeaderSum(const uint8_t *pu8Pkg)
{
    uint32_t u32Sum = 0;
    vByteSum(pu8Pkg, PKG_HEADER_SIZE, &u32Sum);
    return u32Sum - u32ChecksumFieldsSum(pu8Pkg);
}

uint32_t u32PkgFileSum(const uint8_t *pu8Pkg)
{
    uint32_t u32Sum = 0;
    vByteSum(pu8Pkg, PKG_FILE_SIZE, &u32Sum);
    return u32Sum - u32ChecksumFieldsSum(pu8Pkg);
}

void vPkgText(const uint8_t *pu8Pkg, uint32_t u32Offset, uint32_t u32FieldSize, char *pcText,
              uint32_t u32Size)
{
    if (u32Size == 0)
        return;
    uint32_t u32Len = 0;
    while (u32Len < u32FieldSize && u32Len + 1 < u32Size && pu8Pkg[u32Offset + u32Len] != 0)
        u32Len++;
    memcpy(pcText, pu8Pkg + u32Offset, u32Len);
    pcText[u32Len] = '\0';
}

void vPkgTypeName(const uint8_t *pu8Pkg, char *pcName, uint32_t u32Size)
{
    vPkgText(pu8Pkg, PKG_TYPE_OFFSET, PKG_TYPE_SIZE, pcName, u32Size);
}

void vPkgPortName(const uint8_t *pu8Pkg, uint32_t u32Port, char *pcName, uint32_t u32Size)
{
    uint32_t u32Entry = PKG_PORT_TABLE_OFFSET + PKG_ENTRY_SIZE * u32Port;
    vPkgText(pu8Pkg, u32Entry + PKG_ENTRY_NAME_OFFSET, PKG_PORT_NAME_SIZE, pcName, u32Size);
}

uint32_t u32PkgPortCount(const uint8_t *pu8Pkg) { return u32PkgLoad32(pu8Pkg, PKG_PORT_COUNT_OFFSET); }

uint16_t u16PkgPortOffset(const uint8_t *pu8Pkg, uint32_t u32Port)
{
    const uint8_t *p = pu8Pkg + PKG_PORT_TABLE_OFFSET + PKG_ENTRY_SIZE * u32Port;
    return (uint16_t)(p[0] | p[1] << 8);
}

const char *pcPkgTypeCodeName(int32_t s32Type)
{
    switch (s32Type) {
    case PKG_TYPE_VGA:
        return "VGA";
    case PKG_TYPE_DVI:
        return "DVI";
    case PKG_TYPE_HDMI:
        return "HDMI";
    default:
        return nullptr;
    }
}

int32_t s32PkgTypeOfName(const char *pcName)
{
    static const int32_t s32Codes[] = {PKG_TYPE_VGA, PKG_TYPE_DVI, PKG_TYPE_HDMI};
    for (int32_t s32Code : s32Codes) {
        if (strcmp(pcName, pcPkgTypeCodeName(s32Code)) == 0)
            return s32Code;
    }
    return PKG_TYPE_OTHER;
}

int32_t s32PkgTypeOfText(const uint8_t *pu8Pkg)
{
    char cName[PKG_TYPE_SIZE + 1];
    vPkgTypeName(pu8Pkg, cName, sizeof(cName));
    return s32PkgTypeOfName(cName);
}

int32_t bPkgPortImage(const uint8_t *pu8Pkg, uint32_t u32Port, uint32_t *pu32Offset,
                      uint32_t *pu32Length)
{
    if (u32Port >= PKG_PORT_MAX)
        return 0;
    uint32_t u32Offset = u16PkgPortOffset(pu8Pkg, u32Port);
    if (u32Offset < PKG_HEADER_SIZE || u32Offset + PKG_EDID_BLOCK_SIZE > PKG_FILE_SIZE)
        return 0;
    uint32_t u32Length = (pu8Pkg[u32Offset + PKG_EDID_EXT_COUNT] + 1u) * PKG_EDID_BLOCK_SIZE;
    if (u32Offset + u32Length > PKG_FILE_SIZE)
        return 0;
    if (pu32Offset)
        *pu32Offset = u32Offset;
    if (pu32Length)
        *pu32Length = u32Length;
    return 1;
}

bool bPkgCheckPasses(const uint8_t *pu8Pkg, uint64_t u64FileSize, int32_t s32Type, int32_t s32Check)
{
    switch (s32Check) {
    case PKG_CHECK_SIZE:
        return u64FileSize == PKG_FILE_SIZE;
    case PKG_CHECK_TYPE: {
        const char *pcWanted = pcPkgTypeCodeName(s32Type);
        char cName[PKG_TYPE_SIZE + 1];
        vPkgTypeName(pu8Pkg, cName, sizeof(cName));
        return pcWanted && strcmp(cName, pcWanted) == 0;
    }
    case PKG_CHECK_PORT_ADDRESS:
        return bPortAddressesLegal(pu8Pkg);
    case PKG_CHECK_HEADER_SUM:
        return u32PkgHeaderSum(pu8Pkg) == u32PkgLoad32(pu8Pkg, PKG_HEADER_SUM_OFFSET);
    case PKG_CHECK_PACKAGE_SUM:
        return u32PkgFileSum(pu8Pkg) == u32PkgLoad32(pu8Pkg, PKG_SUM_OFFSET);
    default:
        return true;
    }
}

int32_t s32PkgValidate(const uint8_t *pu8Pkg, uint64_t u64FileSize, int32_t s32Type)
{
    for (int32_t s32Check = PKG_CHECK_SIZE; s32Check <= PKG_CHECK_LAST; s32Check++) {
        if (!bPkgCheckPasses(pu8Pkg, u64FileSize, s32Type, s32Check))
            return s32Check;
    }
    return PKG_CHECK_OK;
}

const char *pcPkgCheckFormat(int32_t s32Check)
{
    switch (s32Check) {
    case PKG_CHECK_SIZE:
        return " - Size mismatch ( %s ) \n>";
    case PKG_CHECK_TYPE:
        return " - Type mismatch ( %s ) \n>";
    case PKG_CHECK_PORT_ADDRESS:
        return " - Port data address illegal ( %s ) \n>";
    case PKG_CHECK_HEADER_SUM:
        return " - Package header checksum error ( %s ) \n>";
    case PKG_CHECK_PACKAGE_SUM:
        return " - Package Checksum error (%s) \n>";
    default:
        return "";
    }
}
