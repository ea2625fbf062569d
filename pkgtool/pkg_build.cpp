// tavolin-pkg build: a package from the EDID images of one to eight ports.
#include "pkgtool/pkgtool.h"

#include "files/edid_image.h"
#include "files/package_writer.h"

#include <stdio.h>
#include <string.h>

namespace {

const char gc_BuildHelp[] =
    "Usage: tavolin-pkg build -o OUT.pkg --type VGA|DVI|HDMI [--text-a TEXT] [--text-b TEXT]\n"
    "                         [--force] --port NAME=FILE [--port NAME=FILE ...]\n"
    "Builds a package of 10,240 bytes from one to eight port images. Each FILE is a raw\n"
    "EDID (.bin), an EDID text file as Tavolin saves it (\"0x00, 0xFF, ...\"), or a plain\n"
    "hex dump (\"00 FF FF ...\"): a regular file of at most 262,144 bytes. An image must\n"
    "start with the EDID header, every block's checksum must be right and the image must\n"
    "be exactly (byte 126 + 1) x 128 bytes; --force accepts a wrong header or checksum,\n"
    "never a wrong length. Text A holds 15 bytes, text B and each port NAME 7 (a\n"
    "character outside ASCII takes two or more); no two ports share a NAME.\n"
    "OUT is written whole or not at all and may not be one of the FILEs; -o - writes\n"
    "the package to standard output.\n"
    "An image over 256 bytes is packed with a warning: Tavolin programs it only into a\n"
    "two-block or segment memory, and one over 512 bytes nowhere.\n";

// A hex text file is at most this long: 6 characters and a line end per byte.
#define TEXT_FILE_MAX (EDID_IMAGE_MAX * 8)

struct stBuildArgs {
    const char *pcOut = nullptr;
    const char *pcType = nullptr;
    const char *pcTextA = "";
    const char *pcTextB = "";
    bool bForce = false;
    const char *pcPorts[PKG_PORT_MAX + 1];
    uint32_t u32PortCount = 0;
    bool bTooManyPorts = false;
};

uint8_t gu8_FileBuf[TEXT_FILE_MAX];
uint8_t gu8_Images[PKG_PORT_MAX][EDID_IMAGE_MAX];
char gc_Names[PKG_PORT_MAX][PKG_PORT_NAME_SIZE + 1];
uint8_t gu8_Package[PKG_FILE_SIZE];

// PKGTOOL_OK, or the exit code after a usage message.
int s32ParseBuildArgs(int argc, char *argv[], stBuildArgs *pstArgs)
{
    for (int i = 1; i < argc; i++) {
        const char *pcArg = argv[i];
        const char **ppcValue = nullptr;
        if (strcmp(pcArg, "-o") == 0)
            ppcValue = &pstArgs->pcOut;
        else if (strcmp(pcArg, "--type") == 0)
            ppcValue = &pstArgs->pcType;
        else if (strcmp(pcArg, "--text-a") == 0)
            ppcValue = &pstArgs->pcTextA;
        else if (strcmp(pcArg, "--text-b") == 0)
            ppcValue = &pstArgs->pcTextB;
        else if (strcmp(pcArg, "--force") == 0)
            pstArgs->bForce = true;
        else if (strcmp(pcArg, "--port") != 0)
            return s32UsageError("build", "unknown option '%s'", pcArg);
        if (strcmp(pcArg, "--port") == 0 || ppcValue) {
            const char *pcValue = pcOptionValue("build", argc, argv, &i);
            if (!pcValue)
                return PKGTOOL_USAGE;
            if (ppcValue)
                *ppcValue = pcValue;
            else if (pstArgs->u32PortCount < PKG_PORT_MAX)
                pstArgs->pcPorts[pstArgs->u32PortCount++] = pcValue;
            else
                pstArgs->bTooManyPorts = true;
        }
    }
    if (!pstArgs->pcOut)
        return s32UsageError("build", "no output file (-o OUT.pkg)");
    if (!pstArgs->pcType)
        return s32UsageError("build", "no package type (--type VGA|DVI|HDMI)");
    if (s32PkgTypeOfName(pstArgs->pcType) == PKG_TYPE_OTHER)
        return s32UsageError("build", "type '%s' is not VGA, DVI or HDMI", pstArgs->pcType);
    if (pstArgs->u32PortCount == 0)
        return s32UsageError("build", "no port (--port NAME=FILE)");
    for (uint32_t i = 0; i < pstArgs->u32PortCount; i++) {
        if (!strchr(pstArgs->pcPorts[i], '='))
            return s32UsageError("build", "'%s' is not NAME=FILE", pstArgs->pcPorts[i]);
    }
    return PKGTOOL_OK;
}

// The image bytes of a raw or hex text file; false after a message.
bool bLoadImage(const char *pcPath, uint8_t *pu8Image, uint32_t *pu32Length)
{
    uint64_t u64Total = 0;
    if (!bReadFile(pcPath, gu8_FileBuf, sizeof(gu8_FileBuf), &u64Total))
        return false;
    if (u64Total > sizeof(gu8_FileBuf)) {
        s32Refuse("%s: %llu bytes, larger than any EDID image or its text", pcPath,
                  (unsigned long long)u64Total);
        return false;
    }
    size_t total = (size_t)u64Total;
    if (!bEdidBytesAreText(gu8_FileBuf, total)) {
        if (total > EDID_IMAGE_MAX) {
            s32Refuse("%s: %zu bytes, larger than any EDID image (%d)", pcPath, total,
                      EDID_IMAGE_MAX);
            return false;
        }
        memcpy(pu8Image, gu8_FileBuf, total);
        *pu32Length = (uint32_t)total;
        return true;
    }
    size_t count = 0;
    size_t bad = 0;
    if (!bParseEdidText((const char *)gu8_FileBuf, total, pu8Image, EDID_IMAGE_MAX, &count, &bad)) {
        s32Refuse("%s: byte %zu: not a hex byte (\"0x1F,\" or \"1F\"), or more bytes than an "
                  "EDID holds", pcPath, bad);
        return false;
    }
    *pu32Length = (uint32_t)count;
    return true;
}

// Offsets below are those of the image's bytes.
bool bImageAccepted(const char *pcPath, const uint8_t *pu8Image, uint32_t u32Length, bool bForce)
{
    uint32_t u32Offset = 0, u32Sum = 0;
    switch (s32CheckEdidImage(pu8Image, u32Length, &u32Offset, &u32Sum)) {
    case EDID_IMAGE_OK:
        return true;
    case EDID_IMAGE_EMPTY:
        s32Refuse("%s: holds no bytes", pcPath);
        return false;
    case EDID_IMAGE_HEADER:
        if (bForce)
            return true;
        s32Refuse("%s: byte %u: no EDID header (00 FF FF FF FF FF FF 00); --force takes it",
                  pcPath, u32Offset);
        return false;
    case EDID_IMAGE_CHECKSUM:
        if (bForce)
            return true;
        s32Refuse("%s: byte %u: block %u's checksum is wrong (its bytes sum to 0x%02X, not "
                  "0x00); --force takes it", pcPath, u32Offset, u32Offset / EDID_BLOCK_BYTES,
                  u32Sum);
        return false;
    default:
        if (u32Length <= EDID_EXT_COUNT_BYTE)
            s32Refuse("%s: byte %u: the image ends after %u byte%s, before its extension count",
                      pcPath, u32Offset, u32Length, pcPlural(u32Length));
        else
            s32Refuse("%s: byte %u: declares %u extension block%s, so %u bytes, but holds %u",
                      pcPath, u32Offset, pu8Image[EDID_EXT_COUNT_BYTE],
                      pcPlural(pu8Image[EDID_EXT_COUNT_BYTE]), u32EdidDeclaredLength(pu8Image),
                      u32Length);
        return false;
    }
}

bool bLoadPort(const char *pcSpec, uint32_t u32Port, bool bForce, stPkgPort *pstPort)
{
    const char *pcEqual = strchr(pcSpec, '=');
    size_t nameLength = (size_t)(pcEqual - pcSpec);
    const char *pcPath = pcEqual + 1;
    if (nameLength == 0 || nameLength > PKG_PORT_NAME_SIZE - 1) {
        s32Refuse("%s: port name '%.*s' has %zu bytes; a name holds 1 to %d", pcPath,
                  (int)nameLength, pcSpec, nameLength, PKG_PORT_NAME_SIZE - 1);
        return false;
    }
    snprintf(gc_Names[u32Port], sizeof(gc_Names[0]), "%.*s", (int)nameLength, pcSpec);
    for (uint32_t i = 0; i < u32Port; i++) {
        if (strcmp(gc_Names[i], gc_Names[u32Port]) == 0) {
            s32Refuse("%s: port name '%s' is port %u's already; each port needs a name of its "
                      "own", pcPath, gc_Names[u32Port], i + 1);
            return false;
        }
    }
    uint32_t u32Length = 0;
    if (!bLoadImage(pcPath, gu8_Images[u32Port], &u32Length) ||
        !bImageAccepted(pcPath, gu8_Images[u32Port], u32Length, bForce))
        return false;
    *pstPort = {gc_Names[u32Port], gu8_Images[u32Port], u32Length};
    return true;
}

int s32ReportBuildRefusal(int32_t s32Code, const stBuildArgs &stArgs, uint32_t u32Bad)
{
    const char *pcPath = strchr(stArgs.pcPorts[u32Bad], '=') + 1;
    switch (s32Code) {
    case PKG_BUILD_TEXT_A:
        return s32Refuse("--text-a: '%s' has %zu bytes; text A holds %d", stArgs.pcTextA,
                         strlen(stArgs.pcTextA), PKG_TEXT_A_SIZE - 1);
    case PKG_BUILD_TEXT_B:
        return s32Refuse("--text-b: '%s' has %zu bytes; text B holds %d", stArgs.pcTextB,
                         strlen(stArgs.pcTextB), PKG_TEXT_B_SIZE - 1);
    case PKG_BUILD_NO_ROOM:
        return s32Refuse("%s: the images from the first port to this one do not fit the "
                         "package's %d bytes after its %d-byte header", pcPath,
                         PKG_FILE_SIZE - PKG_HEADER_SIZE, PKG_HEADER_SIZE);
    default:
        return s32Refuse("%s: %s", pcPath, pcPkgBuildError(s32Code));
    }
}

} // namespace

int s32BuildCommand(int argc, char *argv[])
{
    if (argc > 1 && bIsHelp(argv[1])) {
        fputs(gc_BuildHelp, stdout);
        return PKGTOOL_OK;
    }
    stBuildArgs stArgs;
    int s32Parsed = s32ParseBuildArgs(argc, argv, &stArgs);
    if (s32Parsed != PKGTOOL_OK)
        return s32Parsed;
    if (stArgs.bTooManyPorts)
        return s32Refuse("more than %d ports; a package holds %d", PKG_PORT_MAX, PKG_PORT_MAX);
    if (!bOutputUsable(stArgs.pcOut))
        return PKGTOOL_REFUSED;
    for (uint32_t i = 0; i < stArgs.u32PortCount; i++) {
        char cWhat[32];
        snprintf(cWhat, sizeof(cWhat), "port %u's image", i + 1);
        if (!bOutputIsNotInput(stArgs.pcOut, strchr(stArgs.pcPorts[i], '=') + 1, cWhat))
            return PKGTOOL_REFUSED;
    }
    stPkgPort stPorts[PKG_PORT_MAX];
    for (uint32_t i = 0; i < stArgs.u32PortCount; i++) {
        if (!bLoadPort(stArgs.pcPorts[i], i, stArgs.bForce, &stPorts[i]))
            return PKGTOOL_REFUSED;
    }
    int32_t s32Type = s32PkgTypeOfName(stArgs.pcType);
    uint32_t u32Bad = 0;
    int32_t s32Code = s32PkgBuild(stArgs.pcTextA, stArgs.pcTextB, s32Type, stPorts,
                                  stArgs.u32PortCount, gu8_Package, &u32Bad);
    if (s32Code != PKG_BUILD_OK)
        return s32ReportBuildRefusal(s32Code, stArgs, u32Bad < stArgs.u32PortCount ? u32Bad : 0);
    if (s32PkgValidate(gu8_Package, PKG_FILE_SIZE, s32Type) != PKG_CHECK_OK)
        return s32Refuse("%s: the built package fails the program's checks", stArgs.pcOut);
    if (!bWriteWhole(stArgs.pcOut, gu8_Package, PKG_FILE_SIZE))
        return PKGTOOL_REFUSED;
    for (uint32_t i = 0; i < stArgs.u32PortCount; i++)
        vWarnIfUnwritable(strchr(stArgs.pcPorts[i], '=') + 1, i, stPorts[i].pcName,
                          stPorts[i].u32Length);
    if (strcmp(stArgs.pcOut, "-") != 0) // else standard output holds the package alone
        printf("%s: %s package with %u port%s\n", stArgs.pcOut, stArgs.pcType,
               stArgs.u32PortCount, pcPlural(stArgs.u32PortCount));
    return PKGTOOL_OK;
}
