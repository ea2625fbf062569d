// Builds a package file from raw EDID images, for trying the program out:
//   make_package OUT.pkg VGA|DVI|HDMI NAME=IMAGE.bin [NAME=IMAGE.bin ...]
// Texts A and B are "Sample" and "Tools". Exit code 0, or 1 with a message.
#include "files/package_writer.h"

#include <stdio.h>
#include <string.h>

namespace {

uint8_t gu8_Images[PKG_PORT_MAX][PKG_FILE_SIZE];
char gc_Names[PKG_PORT_MAX][64];
uint8_t gu8_Package[PKG_FILE_SIZE];

// NAME=FILE into the port; false after a message.
bool bReadPort(const char *pcArg, uint32_t u32Port, stPkgPort *pstPort)
{
    const char *pcEqual = strchr(pcArg, '=');
    if (!pcEqual || pcEqual - pcArg >= (long)sizeof(gc_Names[0])) {
        fprintf(stderr, "make_package: '%s' is not NAME=FILE\n", pcArg);
        return false;
    }
    snprintf(gc_Names[u32Port], sizeof(gc_Names[0]), "%.*s", (int)(pcEqual - pcArg), pcArg);
    FILE *pFile = fopen(pcEqual + 1, "rb");
    if (!pFile) {
        fprintf(stderr, "make_package: cannot read %s\n", pcEqual + 1);
        return false;
    }
    size_t length = fread(gu8_Images[u32Port], 1, sizeof(gu8_Images[0]), pFile);
    fclose(pFile);
    *pstPort = {gc_Names[u32Port], gu8_Images[u32Port], (uint32_t)length};
    return true;
}

bool bWrite(const char *pcPath)
{
    FILE *pFile = fopen(pcPath, "wb");
    bool bDone = pFile && fwrite(gu8_Package, 1, PKG_FILE_SIZE, pFile) == PKG_FILE_SIZE;
    if (pFile && fclose(pFile) != 0)
        bDone = false;
    if (!bDone)
        fprintf(stderr, "make_package: cannot write %s\n", pcPath);
    return bDone;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4 || argc - 3 > PKG_PORT_MAX || s32PkgTypeOfName(argv[2]) == PKG_TYPE_OTHER) {
        fprintf(stderr, "usage: make_package OUT.pkg VGA|DVI|HDMI NAME=IMAGE.bin ... (1 to 8)\n");
        return 1;
    }
    stPkgPort stPorts[PKG_PORT_MAX];
    uint32_t u32Count = (uint32_t)(argc - 3);
    for (uint32_t i = 0; i < u32Count; i++) {
        if (!bReadPort(argv[3 + i], i, &stPorts[i]))
            return 1;
    }
    uint32_t u32Bad = 0;
    int32_t s32Code = s32PkgBuild("Sample", "Tools", s32PkgTypeOfName(argv[2]), stPorts, u32Count,
                                  gu8_Package, &u32Bad);
    if (s32Code != PKG_BUILD_OK) {
        fprintf(stderr, "make_package: port %u: %s\n", u32Bad + 1, pcPkgBuildError(s32Code));
        return 1;
    }
    return bWrite(argv[1]) ? 0 : 1;
}
