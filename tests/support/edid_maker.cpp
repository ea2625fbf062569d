#include "tests/support/edid_maker.h"

#include <stdio.h>

#include <fstream>
#include <iterator>

namespace {

void vFixChecksum(std::vector<uint8_t> &edid, size_t block)
{
    uint8_t u8Sum = 0;
    for (size_t i = block * 128; i < block * 128 + 127; i++)
        u8Sum = (uint8_t)(u8Sum + edid[i]);
    edid[block * 128 + 127] = (uint8_t)(0x100 - u8Sum);
}

} // namespace

std::vector<uint8_t> lstMakeEdid(uint8_t u8Ext, const char *pcMfg, uint16_t u16Product,
                                 int s32Blocks)
{
    size_t blocks = s32Blocks > 0 ? (size_t)s32Blocks : (size_t)u8Ext + 1;
    std::vector<uint8_t> edid(blocks * 128, 0);
    const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, edid.begin());
    uint16_t u16Mfg = (uint16_t)(((pcMfg[0] - '@') << 10) | ((pcMfg[1] - '@') << 5) | (pcMfg[2] - '@'));
    edid[8] = (uint8_t)(u16Mfg >> 8);
    edid[9] = (uint8_t)(u16Mfg & 0xFF);
    edid[10] = (uint8_t)(u16Product & 0xFF);
    edid[11] = (uint8_t)(u16Product >> 8);
    edid[18] = 1;
    edid[19] = 4;
    for (size_t i = 20; i < 126; i++)
        edid[i] = (uint8_t)i;
    edid[126] = u8Ext;
    vFixChecksum(edid, 0);
    for (size_t b = 1; b < blocks; b++) {
        for (size_t k = 0; k < 127; k++)
            edid[b * 128 + k] = (uint8_t)((b * 16 + k) & 0xFF);
        vFixChecksum(edid, b);
    }
    return edid;
}

std::vector<uint8_t> lstReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string strDataDump(const uint8_t *pu8Bytes, size_t count)
{
    std::string text;
    char cByte[8];
    for (size_t k = 0; k < count; k++) {
        snprintf(cByte, sizeof(cByte), "0x%02X ", pu8Bytes[k]);
        text += cByte;
        if ((k + 1) % 16 == 0)
            text += "\n>";
    }
    return text;
}
