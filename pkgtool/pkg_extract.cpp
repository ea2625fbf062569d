// tavolin-pkg extract: one port's EDID image out of a package.
#include "pkgtool/pkgtool.h"

#include "files/edid_image.h"
#include "files/package_layout.h"
#include "files/text_escape.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char gc_ExtractHelp[] =
    "Usage: tavolin-pkg extract FILE.pkg --port N|NAME -o OUT [--format bin|txt] [--force]\n"
    "Writes the EDID image of one port: the port named NAME, else port number N (1 is the\n"
    "first). --format txt writes it as Tavolin saves EDID text (\"0x00, 0xFF, ...\", 16\n"
    "bytes a line). A package that fails a check is refused unless --force is given; an\n"
    "image that runs past the end of the file is refused even then. OUT is written whole\n"
    "or not at all and may not be FILE.pkg; -o - writes the image to standard output.\n";

struct stExtractArgs {
    const char *pcPackage = nullptr;
    const char *pcPort = nullptr;
    const char *pcOut = nullptr;
    bool bText = false;
    bool bForce = false;
};

uint8_t gu8_Package[PKG_FILE_SIZE];
char gc_Text[EDID_TEXT_SIZE_OF(PKG_FILE_SIZE) + 1];

int s32ParseExtractArgs(int argc, char *argv[], stExtractArgs *pstArgs)
{
    for (int i = 1; i < argc; i++) {
        const char *pcArg = argv[i];
        const char **ppcValue = strcmp(pcArg, "--port") == 0 ? &pstArgs->pcPort
                                : strcmp(pcArg, "-o") == 0   ? &pstArgs->pcOut
                                                             : nullptr;
        if (ppcValue) {
            if (!(*ppcValue = pcOptionValue("extract", argc, argv, &i)))
                return PKGTOOL_USAGE;
        } else if (strcmp(pcArg, "--format") == 0) {
            const char *pcFormat = pcOptionValue("extract", argc, argv, &i);
            if (!pcFormat)
                return PKGTOOL_USAGE;
            if (strcmp(pcFormat, "bin") != 0 && strcmp(pcFormat, "txt") != 0)
                return s32UsageError("extract", "format '%s' is not bin or txt", pcFormat);
            pstArgs->bText = strcmp(pcFormat, "txt") == 0;
        } else if (strcmp(pcArg, "--force") == 0) {
            pstArgs->bForce = true;
        } else if (pcArg[0] == '-' || pstArgs->pcPackage) {
            return s32UsageError("extract", "unexpected argument '%s'", pcArg);
        } else {
            pstArgs->pcPackage = pcArg;
        }
    }
    if (!pstArgs->pcPackage)
        return s32UsageError("extract", "no package file given");
    if (!pstArgs->pcPort)
        return s32UsageError("extract", "no port (--port N|NAME)");
    if (!pstArgs->pcOut)
        return s32UsageError("extract", "no output file (-o OUT)");
    return PKGTOOL_OK;
}

// The port the argument names: a name first, else a number from 1; -1 when
// neither.
int32_t s32FindPort(const char *pcPort)
{
    uint32_t u32Count = u32PkgPortCount(gu8_Package);
    if (u32Count > PKG_PORT_MAX)
        u32Count = PKG_PORT_MAX;
    char cName[PKG_PORT_NAME_SIZE + 1];
    for (uint32_t i = 0; i < u32Count; i++) {
        vPkgPortName(gu8_Package, i, cName, sizeof(cName));
        if (strcmp(cName, pcPort) == 0)
            return (int32_t)i;
    }
    char *pcEnd = nullptr;
    long number = strtol(pcPort, &pcEnd, 10);
    if (pcEnd != pcPort && *pcEnd == '\0' && number >= 1 && number <= (long)u32Count)
        return (int32_t)(number - 1);
    return -1;
}

int s32RefuseFailedPackage(const char *pcPath, int32_t s32Check)
{
    char cWords[128];
    char cEscaped[ESCAPED_SIZE(sizeof(cWords))];
    vCheckWords(s32Check, gu8_Package, cWords, sizeof(cWords));
    return s32Refuse("%s: %s ('tavolin-pkg info' names every fault; --force extracts anyway)",
                     pcPath, pcEscapeText(cWords, ESCAPE_TEXT, cEscaped, sizeof(cEscaped)));
}

} // namespace

int s32ExtractCommand(int argc, char *argv[])
{
    if (argc > 1 && bIsHelp(argv[1])) {
        fputs(gc_ExtractHelp, stdout);
        return PKGTOOL_OK;
    }
    stExtractArgs stArgs;
    int s32Parsed = s32ParseExtractArgs(argc, argv, &stArgs);
    if (s32Parsed != PKGTOOL_OK)
        return s32Parsed;
    if (!bOutputUsable(stArgs.pcOut) ||
        !bOutputIsNotInput(stArgs.pcOut, stArgs.pcPackage, "the package"))
        return PKGTOOL_REFUSED;
    uint64_t u64Size = 0;
    if (!bReadPackage(stArgs.pcPackage, gu8_Package, &u64Size))
        return PKGTOOL_REFUSED;
    int32_t s32Check = s32PkgValidate(gu8_Package, u64Size, s32PkgTypeOfText(gu8_Package));
    if (!stArgs.bForce && s32Check != PKG_CHECK_OK)
        return s32RefuseFailedPackage(stArgs.pcPackage, s32Check);
    int32_t s32Port = s32FindPort(stArgs.pcPort);
    if (s32Port < 0)
        return s32Refuse("%s: no port named or numbered '%s'", stArgs.pcPackage, stArgs.pcPort);
    uint32_t u32Offset = 0, u32Length = 0;
    if (!bPkgPortImage(gu8_Package, (uint32_t)s32Port, &u32Offset, &u32Length))
        return s32Refuse("%s: byte %u: port %d's image does not lie inside the package",
                         stArgs.pcPackage, PKG_PORT_TABLE_OFFSET + PKG_ENTRY_SIZE * s32Port,
                         s32Port + 1);
    if (u32Offset + u32Length > u64Size) // a short file, taken with --force
        return s32Refuse("%s: port %d's image (bytes %u to %u) runs past the end of the file, "
                         "which holds %llu byte%s", stArgs.pcPackage, s32Port + 1, u32Offset,
                         u32Offset + u32Length - 1, (unsigned long long)u64Size,
                         pcPlural(u64Size));
    bool bWritten;
    if (stArgs.bText) {
        uint32_t u32TextLength =
            u32FormatEdidText(gu8_Package + u32Offset, u32Length, gc_Text, sizeof(gc_Text));
        bWritten = bWriteWhole(stArgs.pcOut, gc_Text, u32TextLength);
    } else {
        bWritten = bWriteWhole(stArgs.pcOut, gu8_Package + u32Offset, u32Length);
    }
    return bWritten ? PKGTOOL_OK : PKGTOOL_REFUSED;
}
