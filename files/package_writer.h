// Building a package file from the EDID images of up to eight ports.
#ifndef PACKAGE_WRITER_H
#define PACKAGE_WRITER_H

#include "files/package_layout.h"

#include <stdint.h>

struct stPkgPort {
    const char *pcName;       // at most 7 characters
    const uint8_t *pu8Image;  // base block and the extension blocks it declares
    uint32_t u32Length;       // (byte 126 + 1) x 128
};

enum {
    PKG_BUILD_OK = 0,
    PKG_BUILD_TYPE,          // not VGA, DVI or HDMI
    PKG_BUILD_TEXT_A,        // longer than 15 characters
    PKG_BUILD_TEXT_B,        // longer than 7 characters
    PKG_BUILD_PORT_COUNT,    // more than eight ports
    PKG_BUILD_PORT_NAME,     // longer than 7 characters
    PKG_BUILD_IMAGE_LENGTH,  // length not what byte 126 declares
    PKG_BUILD_NO_ROOM,       // the images do not fit the data area
};

// Fills pu8Pkg (PKG_FILE_SIZE bytes): the texts, the type text, the port
// table with the images packed from offset 256 (unused entries point at
// 256 too), and both checksums. On a refusal returns its PKG_BUILD_* code
// and the port at fault in *pu32BadPort; pu8Pkg is then all zero.
int32_t s32PkgBuild(const char *pcTextA, const char *pcTextB, int32_t s32Type,
                    const stPkgPort *pstPorts, uint32_t u32PortCount, uint8_t *pu8Pkg,
                    uint32_t *pu32BadPort);
// Stores both checksums as computed from the bytes now in the package.
void vPkgSeal(uint8_t *pu8Pkg);
// What a refusal means, in words.
const char *pcPkgBuildError(int32_t s32Code);

#endif
