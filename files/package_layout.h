// The package file as bytes: its layout, its two checksums, its validation
// and where each port's EDID image lies. Nothing here touches a file or the
// panel, so the program and the package tool share it.
#ifndef PACKAGE_LAYOUT_H
#define PACKAGE_LAYOUT_H

#include <stdint.h>

// Package type codes (bit values).
#define PKG_TYPE_VGA 1
#define PKG_TYPE_DVI 2
#define PKG_TYPE_HDMI 4
#define PKG_TYPE_OTHER 8

#define PKG_FILE_SIZE 10240        // bytes of every package file
#define PKG_HEADER_SIZE 256        // bytes before the port data area
#define PKG_TEXT_A_OFFSET 0
#define PKG_TEXT_A_SIZE 16
#define PKG_TEXT_B_OFFSET 16
#define PKG_TEXT_B_SIZE 8
#define PKG_TYPE_OFFSET 24
#define PKG_TYPE_SIZE 8
#define PKG_SUM_OFFSET 32          // package checksum, 32-bit little-endian
#define PKG_HEADER_SUM_OFFSET 36   // header checksum, 32-bit little-endian
#define PKG_PORT_COUNT_OFFSET 40   // 32-bit little-endian
#define PKG_PORT_TABLE_OFFSET 44
#define PKG_PORT_MAX 8             // entries in the port table
#define PKG_ENTRY_SIZE 12          // bytes of one port entry
#define PKG_ENTRY_NAME_OFFSET 4    // in the entry
#define PKG_PORT_NAME_SIZE 8
#define PKG_DATA_ALIGN 128         // data offsets are multiples of this
#define PKG_EDID_BLOCK_SIZE 128
#define PKG_EDID_EXT_COUNT 126     // extension count in an image's base block

// Results of the validation, in the order the checks run.
enum {
    PKG_CHECK_OK = 0,
    PKG_CHECK_SIZE,
    PKG_CHECK_TYPE,
    PKG_CHECK_PORT_ADDRESS,
    PKG_CHECK_HEADER_SUM,
    PKG_CHECK_PACKAGE_SUM,
    PKG_CHECK_LAST = PKG_CHECK_PACKAGE_SUM,
};

uint32_t u32PkgLoad32(const uint8_t *pu8Pkg, uint32_t u32Offset);
void vPkgStore32(uint8_t *pu8Pkg, uint32_t u32Offset, uint32_t u32Value);

// Stores the sum of u32Count unsigned byte values in *pu32Sum.
void vByteSum(const uint8_t *pu8Bytes, uint32_t u32Count, uint32_t *pu32Sum);
// The two checksums as they should be; the checksum fields do not count.
uint32_t u32PkgHeaderSum(const uint8_t *pu8Pkg);
uint32_t u32PkgFileSum(const uint8_t *pu8Pkg);

// A text field as a string: cut at its field (or at u32Size - 1), NUL-ended.
void vPkgText(const uint8_t *pu8Pkg, uint32_t u32Offset, uint32_t u32FieldSize, char *pcText,
              uint32_t u32Size);
void vPkgTypeName(const uint8_t *pu8Pkg, char *pcName, uint32_t u32Size);
void vPkgPortName(const uint8_t *pu8Pkg, uint32_t u32Port, char *pcName, uint32_t u32Size);
uint32_t u32PkgPortCount(const uint8_t *pu8Pkg);
uint16_t u16PkgPortOffset(const uint8_t *pu8Pkg, uint32_t u32Port);

// The code whose name ("VGA", "DVI", "HDMI") is the text, else
// PKG_TYPE_OTHER; case and trailing blanks count.
int32_t s32PkgTypeOfName(const char *pcName);
// The same for the package's type text.
int32_t s32PkgTypeOfText(const uint8_t *pu8Pkg);
// "VGA", "DVI", "HDMI", or null for any other code.
const char *pcPkgTypeCodeName(int32_t s32Type);

// Where the image of port u32Port lies: 1 with its offset and length when
// its base block and every block it declares lie inside the package.
int32_t bPkgPortImage(const uint8_t *pu8Pkg, uint32_t u32Port, uint32_t *pu32Offset,
                      uint32_t *pu32Length);

// The checks a package of a programmable type goes through, in order; the
// first that fails is returned. u64FileSize is the size of the file on disk.
int32_t s32PkgValidate(const uint8_t *pu8Pkg, uint64_t u64FileSize, int32_t s32Type);
// One of those checks alone, so that every fault of a package can be named.
bool bPkgCheckPasses(const uint8_t *pu8Pkg, uint64_t u64FileSize, int32_t s32Type, int32_t s32Check);
// The message of a failed check, with one %s for the type text.
const char *pcPkgCheckFormat(int32_t s32Check);

#endif
