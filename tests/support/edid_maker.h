// Hand-made EDIDs for tests: a valid base block and extension blocks whose
// bytes tell where they came from.
#ifndef EDID_MAKER_H
#define EDID_MAKER_H

#include <stdint.h>

#include <string>
#include <vector>

// Base block with the fixed header, manufacturer letters (three of A-Z),
// product code, extension count u8Ext and a correct checksum, followed by
// u32Blocks - 1 extension blocks (u32Blocks defaults to u8Ext + 1). Byte k
// of extension block b holds (b * 16 + k) & 0xFF, with its checksum last.
std::vector<uint8_t> lstMakeEdid(uint8_t u8Ext, const char *pcMfg = "DEL",
                                 uint16_t u16Product = 0x40F3, int s32Blocks = -1);

// Bytes as a data block prints them: "0x%02X " each, "\n>" after every 16th.
std::string strDataDump(const uint8_t *pu8Bytes, size_t count);

// Raw bytes of a file; empty when it cannot be read.
std::vector<uint8_t> lstReadBytes(const std::string &path);

#endif
