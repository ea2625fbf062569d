// tavolin-pkg info: the header, the ports and the checks of a package.
#include "pkgtool/pkgtool.h"

#include "files/edid_image.h"
#include "files/package_layout.h"
#include "files/text_escape.h"
#include "platform/ddc/DDCHelper.h"

#include <stdio.h>
#include <string.h>

namespace {

const char gc_InfoHelp[] =
    "Usage: tavolin-pkg info [--json] FILE.pkg\n"
    "Shows the header fields, each port (name, offset, image size, the identifier the\n"
    "bus library derives, the checksum of each block) and every check the package\n"
    "fails, in the words the program uses. Exit code 1 when a check fails. A port image\n"
    "over 256 bytes gets a warning on standard error: Tavolin programs it only into a\n"
    "two-block or segment memory, and one over 512 bytes nowhere. \"memories\" names the\n"
    "memory kinds (a bench description's addressing) that can hold each port's image.\n"
    "Texts, names and the file name are printed with every backslash and every byte\n"
    "outside printable ASCII escaped (\\xXX; in JSON \\u00XX). FILE.pkg is read only\n"
    "when it is a regular file, and no further than its first 10,240 bytes.\n";

struct stFault {
    int32_t s32Check;
    uint32_t u32Offset;   // the byte at fault
    char cWords[128];     // as the program says it
    char cDetail[160];
};

struct stPortView {
    char cName[PKG_PORT_NAME_SIZE + 1];
    uint32_t u32Entry;    // where the port's entry lies
    uint32_t u32Offset;
    bool bInside;         // base block and declared blocks inside the package
    uint32_t u32Length;
    char cIdentifier[32];
    uint32_t u32BlockSums[PKG_FILE_SIZE / EDID_BLOCK_BYTES];
};

struct stPackageView {
    const char *pcPath;
    uint64_t u64Size;
    char cTextA[PKG_TEXT_A_SIZE + 1];
    char cTextB[PKG_TEXT_B_SIZE + 1];
    char cType[PKG_TYPE_SIZE + 1];
    uint32_t u32PortCount;
    uint32_t u32ShownPorts;
    uint32_t u32SumStored, u32SumComputed, u32HeaderStored, u32HeaderComputed;
    stPortView stPorts[PKG_PORT_MAX];
    stFault stFaults[PKG_CHECK_LAST];
    uint32_t u32FaultCount;
};

uint8_t gu8_Package[PKG_FILE_SIZE];
stPackageView gst_View;
// Room for the longest text printed escaped: a path the system opened.
char gc_Escaped[ESCAPED_SIZE(4096)];

void vViewPort(const uint8_t *pu8Pkg, uint32_t u32Port, stPortView *pstPort)
{
    memset(pstPort, 0, sizeof(*pstPort));
    vPkgPortName(pu8Pkg, u32Port, pstPort->cName, sizeof(pstPort->cName));
    pstPort->u32Entry = PKG_PORT_TABLE_OFFSET + PKG_ENTRY_SIZE * u32Port;
    pstPort->u32Offset = u16PkgPortOffset(pu8Pkg, u32Port);
    pstPort->bInside = bPkgPortImage(pu8Pkg, u32Port, &pstPort->u32Offset, &pstPort->u32Length);
    if (!pstPort->bInside)
        return;
    const uint8_t *pu8Image = pu8Pkg + pstPort->u32Offset;
    GetEDIDOption(pu8Image, 1, pstPort->cIdentifier, sizeof(pstPort->cIdentifier));
    for (uint32_t b = 0; b < pstPort->u32Length / EDID_BLOCK_BYTES; b++)
        pstPort->u32BlockSums[b] = u32EdidBlockSum(pu8Image, b);
}

// Names the first port entry (or the count) at fault.
void vDescribePortFault(const stPackageView *pstView, stFault *pstFault)
{
    char *pcText = pstFault->cDetail;
    size_t size = sizeof(pstFault->cDetail);
    pstFault->u32Offset = PKG_PORT_COUNT_OFFSET;
    if (pstView->u32PortCount > PKG_PORT_MAX) {
        snprintf(pcText, size, "the port count is %u, over %d", pstView->u32PortCount,
                 PKG_PORT_MAX);
        return;
    }
    for (uint32_t i = 0; i < PKG_PORT_MAX; i++) {
        const stPortView *pstPort = &pstView->stPorts[i];
        pstFault->u32Offset = pstPort->u32Entry;
        if (pstPort->u32Offset < PKG_HEADER_SIZE) {
            snprintf(pcText, size, "port %u's entry points at %u, inside the %d-byte header",
                     i + 1, pstPort->u32Offset, PKG_HEADER_SIZE);
            return;
        }
        if (pstPort->u32Offset % PKG_DATA_ALIGN != 0) {
            snprintf(pcText, size, "port %u's entry points at %u, not on a %d-byte boundary",
                     i + 1, pstPort->u32Offset, PKG_DATA_ALIGN);
            return;
        }
        if (i < pstView->u32PortCount && !pstPort->bInside) {
            snprintf(pcText, size, "port %u's image at %u does not end inside the package",
                     i + 1, pstPort->u32Offset);
            return;
        }
    }
}

void vDescribeFault(const stPackageView *pstView, stFault *pstFault)
{
    switch (pstFault->s32Check) {
    case PKG_CHECK_SIZE:
        pstFault->u32Offset = (uint32_t)(pstView->u64Size < PKG_FILE_SIZE ? pstView->u64Size
                                                                          : PKG_FILE_SIZE);
        snprintf(pstFault->cDetail, sizeof(pstFault->cDetail),
                 "the file holds %llu byte%s, a package %d",
                 (unsigned long long)pstView->u64Size, pcPlural(pstView->u64Size), PKG_FILE_SIZE);
        break;
    case PKG_CHECK_TYPE:
        pstFault->u32Offset = PKG_TYPE_OFFSET;
        snprintf(pstFault->cDetail, sizeof(pstFault->cDetail),
                 "the type text '%s' is not VGA, DVI or HDMI", pstView->cType);
        break;
    case PKG_CHECK_PORT_ADDRESS:
        vDescribePortFault(pstView, pstFault);
        break;
    case PKG_CHECK_HEADER_SUM:
        pstFault->u32Offset = PKG_HEADER_SUM_OFFSET;
        snprintf(pstFault->cDetail, sizeof(pstFault->cDetail), "stored 0x%08X, computed 0x%08X",
                 pstView->u32HeaderStored, pstView->u32HeaderComputed);
        break;
    default:
        pstFault->u32Offset = PKG_SUM_OFFSET;
        snprintf(pstFault->cDetail, sizeof(pstFault->cDetail), "stored 0x%08X, computed 0x%08X",
                 pstView->u32SumStored, pstView->u32SumComputed);
        break;
    }
}

void vViewPackage(const char *pcPath, uint64_t u64Size, stPackageView *pstView)
{
    const uint8_t *pu8Pkg = gu8_Package;
    memset(pstView, 0, sizeof(*pstView));
    pstView->pcPath = pcPath;
    pstView->u64Size = u64Size;
    vPkgText(pu8Pkg, PKG_TEXT_A_OFFSET, PKG_TEXT_A_SIZE, pstView->cTextA, sizeof(pstView->cTextA));
    vPkgText(pu8Pkg, PKG_TEXT_B_OFFSET, PKG_TEXT_B_SIZE, pstView->cTextB, sizeof(pstView->cTextB));
    vPkgTypeName(pu8Pkg, pstView->cType, sizeof(pstView->cType));
    pstView->u32PortCount = u32PkgPortCount(pu8Pkg);
    pstView->u32ShownPorts = pstView->u32PortCount < PKG_PORT_MAX ? pstView->u32PortCount
                                                                  : PKG_PORT_MAX;
    pstView->u32SumStored = u32PkgLoad32(pu8Pkg, PKG_SUM_OFFSET);
    pstView->u32SumComputed = u32PkgFileSum(pu8Pkg);
    pstView->u32HeaderStored = u32PkgLoad32(pu8Pkg, PKG_HEADER_SUM_OFFSET);
    pstView->u32HeaderComputed = u32PkgHeaderSum(pu8Pkg);
    for (uint32_t i = 0; i < PKG_PORT_MAX; i++)
        vViewPort(pu8Pkg, i, &pstView->stPorts[i]);
    int32_t s32Type = s32PkgTypeOfText(pu8Pkg);
    for (int32_t s32Check = PKG_CHECK_SIZE; s32Check <= PKG_CHECK_LAST; s32Check++) {
        if (bPkgCheckPasses(pu8Pkg, u64Size, s32Type, s32Check))
            continue;
        stFault *pstFault = &pstView->stFaults[pstView->u32FaultCount++];
        pstFault->s32Check = s32Check;
        vCheckWords(s32Check, pu8Pkg, pstFault->cWords, sizeof(pstFault->cWords));
        vDescribeFault(pstView, pstFault);
    }
}

// Texts of the package (and the file's name) as they are, but for escapes.
const char *pcText(const char *pcRaw)
{
    return pcEscapeText(pcRaw, ESCAPE_TEXT, gc_Escaped, sizeof(gc_Escaped));
}

void vPrintPortText(uint32_t u32Index, const stPortView *pstPort)
{
    printf("Port %u:          %s\n", u32Index + 1, pcText(pstPort->cName));
    if (!pstPort->bInside) {
        printf("  offset         %u (entry at byte %u): the image does not lie inside the "
               "package\n", pstPort->u32Offset, pstPort->u32Entry);
        return;
    }
    printf("  offset         %u\n  image size     %u bytes\n  identifier     %s\n",
           pstPort->u32Offset, pstPort->u32Length, pstPort->cIdentifier);
    printf("  memories       %s\n", pcMemoryKinds(pstPort->u32Length));
    printf("  block checksums");
    for (uint32_t b = 0; b < pstPort->u32Length / EDID_BLOCK_BYTES; b++) {
        if (pstPort->u32BlockSums[b] == 0)
            printf(" %u:ok", b);
        else
            printf(" %u:wrong(byte %u)", b, pstPort->u32Offset + b * EDID_BLOCK_BYTES + 127);
    }
    printf("\n");
}

void vPrintText(const stPackageView *pstView)
{
    printf("File:            %s (%llu byte%s)\n", pcText(pstView->pcPath),
           (unsigned long long)pstView->u64Size, pcPlural(pstView->u64Size));
    printf("Text A:          %s\n", pcText(pstView->cTextA));
    printf("Text B:          %s\n", pcText(pstView->cTextB));
    printf("Type:            %s\n", pcText(pstView->cType));
    printf("Ports:           %u\n", pstView->u32PortCount);
    printf("Package sum:     0x%08X (computed 0x%08X)\n", pstView->u32SumStored,
           pstView->u32SumComputed);
    printf("Header sum:      0x%08X (computed 0x%08X)\n", pstView->u32HeaderStored,
           pstView->u32HeaderComputed);
    for (uint32_t i = 0; i < pstView->u32ShownPorts; i++)
        vPrintPortText(i, &pstView->stPorts[i]);
    if (pstView->u32FaultCount == 0) {
        printf("Checks:          Pass\n");
        return;
    }
    printf("Checks:          Fail\n");
    for (uint32_t i = 0; i < pstView->u32FaultCount; i++) {
        const stFault *pstFault = &pstView->stFaults[i];
        printf("  %s: byte %u: ", pcText(pstFault->cWords), pstFault->u32Offset);
        printf("%s\n", pcText(pstFault->cDetail));
    }
}

void vPrintJsonString(const char *pcRaw)
{
    printf("\"%s\"", pcEscapeText(pcRaw, ESCAPE_JSON, gc_Escaped, sizeof(gc_Escaped)));
}

// The memory kinds as a JSON list: "byte, blocks" becomes ["byte", "blocks"].
void vPrintJsonKinds(uint32_t u32Length)
{
    const char *pcKinds = pcMemoryKinds(u32Length);
    printf(", \"memories\": [");
    if (strcmp(pcKinds, "none") != 0) {
        for (const char *pc = pcKinds; *pc; pc++) {
            if (pc == pcKinds)
                printf("\"");
            if (*pc == ',') {
                printf("\", \"");
                pc++; // the blank after the comma
            } else {
                putchar(*pc);
            }
        }
        printf("\"");
    }
    printf("]");
}

void vPrintPortJson(uint32_t u32Index, const stPortView *pstPort)
{
    printf("    {\"port\": %u, \"name\": ", u32Index + 1);
    vPrintJsonString(pstPort->cName);
    printf(", \"entry\": %u, \"offset\": %u, \"inside\": %s", pstPort->u32Entry,
           pstPort->u32Offset, pstPort->bInside ? "true" : "false");
    if (pstPort->bInside) {
        printf(", \"size\": %u, \"identifier\": ", pstPort->u32Length);
        vPrintJsonString(pstPort->cIdentifier);
        vPrintJsonKinds(pstPort->u32Length);
        printf(", \"blocks_ok\": [");
        for (uint32_t b = 0; b < pstPort->u32Length / EDID_BLOCK_BYTES; b++)
            printf("%s%s", b ? ", " : "", pstPort->u32BlockSums[b] == 0 ? "true" : "false");
        printf("]");
    }
    printf("}");
}

void vPrintJson(const stPackageView *pstView)
{
    printf("{\n  \"file\": ");
    vPrintJsonString(pstView->pcPath);
    printf(",\n  \"size\": %llu,\n  \"text_a\": ", (unsigned long long)pstView->u64Size);
    vPrintJsonString(pstView->cTextA);
    printf(",\n  \"text_b\": ");
    vPrintJsonString(pstView->cTextB);
    printf(",\n  \"type\": ");
    vPrintJsonString(pstView->cType);
    printf(",\n  \"port_count\": %u,\n", pstView->u32PortCount);
    printf("  \"package_sum\": {\"stored\": %u, \"computed\": %u},\n", pstView->u32SumStored,
           pstView->u32SumComputed);
    printf("  \"header_sum\": {\"stored\": %u, \"computed\": %u},\n", pstView->u32HeaderStored,
           pstView->u32HeaderComputed);
    printf("  \"ports\": [\n");
    for (uint32_t i = 0; i < pstView->u32ShownPorts; i++) {
        vPrintPortJson(i, &pstView->stPorts[i]);
        printf(i + 1 < pstView->u32ShownPorts ? ",\n" : "\n");
    }
    printf("  ],\n  \"pass\": %s,\n  \"faults\": [", pstView->u32FaultCount ? "false" : "true");
    for (uint32_t i = 0; i < pstView->u32FaultCount; i++) {
        const stFault *pstFault = &pstView->stFaults[i];
        printf("%s\n    {\"message\": ", i ? "," : "");
        vPrintJsonString(pstFault->cWords);
        printf(", \"byte\": %u, \"detail\": ", pstFault->u32Offset);
        vPrintJsonString(pstFault->cDetail);
        printf("}");
    }
    printf(pstView->u32FaultCount ? "\n  ]\n}\n" : "]\n}\n");
}

} // namespace

int s32InfoCommand(int argc, char *argv[])
{
    const char *pcPath = nullptr;
    bool bJson = false;
    for (int i = 1; i < argc; i++) {
        if (bIsHelp(argv[i])) {
            fputs(gc_InfoHelp, stdout);
            return PKGTOOL_OK;
        }
        if (strcmp(argv[i], "--json") == 0)
            bJson = true;
        else if (argv[i][0] == '-' || pcPath)
            return s32UsageError("info", "unexpected argument '%s'", argv[i]);
        else
            pcPath = argv[i];
    }
    if (!pcPath)
        return s32UsageError("info", "no package file given");
    uint64_t u64Size = 0;
    if (!bReadPackage(pcPath, gu8_Package, &u64Size))
        return PKGTOOL_REFUSED;
    vViewPackage(pcPath, u64Size, &gst_View);
    for (uint32_t i = 0; i < gst_View.u32ShownPorts; i++) {
        const stPortView *pstPort = &gst_View.stPorts[i];
        if (pstPort->bInside)
            vWarnIfUnwritable(pcPath, i, pstPort->cName, pstPort->u32Length);
    }
    if (bJson)
        vPrintJson(&gst_View);
    else
        vPrintText(&gst_View);
    return gst_View.u32FaultCount ? PKGTOOL_REFUSED : PKGTOOL_OK;
}
