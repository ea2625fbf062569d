#include "ddc_bench_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_liblog.h"

namespace {

#define DESC_LINE_SIZE (BENCH_PATH_SIZE + 64u)

// The [output] section being read; it becomes an output at its end.
struct stSection {
    int32_t bOpen;
    uint32_t u32Line;            // line of the section header
    char cImage[BENCH_PATH_SIZE]; // "" no display, "blank", or an image path
    uint32_t u32ImageLine;
    uint32_t u32MemSize;
    int32_t bWriteProtect;
    stBenchFaults stFault;
};

const char *gpc_File = "";
char gc_Dir[BENCH_PATH_SIZE];
stSection gst_Section;
uint8_t gu8_Image[EEPROM_MAX_SIZE + 1u];

void vProblem(uint32_t u32Line, const char *pcWhat)
{
    vLogNote("bench: %s:%u: %s", gpc_File, u32Line, pcWhat);
}

// Decimal, or hexadecimal with 0x; 0 when malformed or above 32 bits.
int32_t bParseNumber(const char *pc, uint32_t *pu32)
{
    int32_t bHex = pc[0] == '0' && (pc[1] == 'x' || pc[1] == 'X');
    const char *pcDigits = bHex ? pc + 2 : pc;
    if (*pcDigits == '\0' || *pcDigits == '-' || *pcDigits == '+' || *pcDigits == ' ')
        return 0;
    char *pcEnd = nullptr;
    unsigned long long u64 = strtoull(pcDigits, &pcEnd, bHex ? 16 : 10);
    if (*pcEnd != '\0' || u64 > 0xFFFFFFFFull)
        return 0;
    *pu32 = (uint32_t)u64;
    return 1;
}

int32_t bParseBool(const char *pc, int32_t *pb)
{
    if (!strcmp(pc, "1") || !strcmp(pc, "yes"))
        *pb = 1;
    else if (!strcmp(pc, "0") || !strcmp(pc, "no"))
        *pb = 0;
    else
        return 0;
    return 1;
}

// "N" or "N CODE"; the code defaults to DDC_ERR_BUS_FAULT.
int32_t bParseCountAndCode(char *pc, uint32_t *pu32Count, uint32_t *pu32Code)
{
    char *pcCode = strpbrk(pc, " \t");
    *pu32Code = DDC_ERR_BUS_FAULT;
    if (pcCode) {
        *pcCode++ = '\0';
        while (*pcCode == ' ' || *pcCode == '\t')
            pcCode++;
        if (!bParseNumber(pcCode, pu32Code))
            return 0;
    }
    return bParseNumber(pc, pu32Count) && *pu32Count > 0;
}

uint32_t u32ReadImage(const char *pcPath, int32_t *pbOk)
{
    char cFull[BENCH_PATH_SIZE * 2];
    snprintf(cFull, sizeof(cFull), "%s%s", pcPath[0] == '/' ? "" : gc_Dir, pcPath);
    FILE *pFile = fopen(cFull, "rb");
    *pbOk = pFile != nullptr;
    if (!pFile)
        return 0;
    uint32_t u32Len = (uint32_t)fread(gu8_Image, 1, sizeof(gu8_Image), pFile);
    fclose(pFile);
    return u32Len;
}

// The image's problem, written into pcWhat, or 0 when it loads.
int32_t bImageProblem(const stSection *pst, uint32_t u32Len, int32_t bRead, char *pcWhat,
                      uint32_t u32Size)
{
    if (!bRead)
        snprintf(pcWhat, u32Size, "cannot read the EDID image \"%s\"", pst->cImage);
    else if (u32Len == 0 || u32Len % 128u != 0)
        snprintf(pcWhat, u32Size, "EDID image \"%s\" has %u bytes, not a multiple of 128",
                 pst->cImage, u32Len);
    else if (u32Len > pst->u32MemSize)
        snprintf(pcWhat, u32Size, "EDID image \"%s\" has %s%u bytes, more than its %u-byte memory",
                 pst->cImage, u32Len > EEPROM_MAX_SIZE ? "over " : "",
                 u32Len > EEPROM_MAX_SIZE ? EEPROM_MAX_SIZE : u32Len, pst->u32MemSize);
    else
        return 0;
    return 1;
}

void vAttach(uint32_t u32Output, const stSection *pst)
{
    if (!pst->cImage[0])
        return;
    if (!strcmp(pst->cImage, "blank")) {
        bBenchAttachDisplay(u32Output, nullptr, 0, pst->u32MemSize);
        return;
    }
    int32_t bRead = 0;
    uint32_t u32Len = u32ReadImage(pst->cImage, &bRead);
    char cWhat[BENCH_PATH_SIZE + 128];
    if (bImageProblem(pst, u32Len, bRead, cWhat, sizeof(cWhat))) {
        size_t len = strlen(cWhat);
        snprintf(cWhat + len, sizeof(cWhat) - len, "; the display starts blank");
        vProblem(pst->u32ImageLine, cWhat);
        bBenchAttachDisplay(u32Output, nullptr, 0, pst->u32MemSize);
        return;
    }
    bBenchAttachDisplay(u32Output, gu8_Image, u32Len, pst->u32MemSize);
}

void vCloseSection(void)
{
    if (!gst_Section.bOpen)
        return;
    gst_Section.bOpen = 0;
    int32_t s32Output = s32BenchAddOutput();
    if (s32Output < 0) {
        vProblem(gst_Section.u32Line, "more than 16 outputs; this one is left out");
        return;
    }
    vAttach((uint32_t)s32Output, &gst_Section);
    stBenchOutput *pst = pstBenchOutputAt(s32Output);
    pst->stFault = gst_Section.stFault;
    pst->stMem.bWriteProtect = gst_Section.bWriteProtect;
}

void vOpenSection(uint32_t u32Line)
{
    vCloseSection();
    memset(&gst_Section, 0, sizeof(gst_Section));
    gst_Section.bOpen = 1;
    gst_Section.u32Line = u32Line;
    gst_Section.u32MemSize = EEPROM_DEFAULT_SIZE;
}

// 1 when the key belongs to an output and was applied (or was malformed).
int32_t bOutputKey(const char *pcKey, char *pcValue, uint32_t u32Line, int32_t *pbValueOk)
{
    stSection *pst = &gst_Section;
    uint32_t u32Size = 0;
    if (!strcmp(pcKey, "edid")) {
        snprintf(pst->cImage, sizeof(pst->cImage), "%s", pcValue);
        pst->u32ImageLine = u32Line;
        *pbValueOk = pcValue[0] != '\0';
    } else if (!strcmp(pcKey, "memory")) {
        *pbValueOk = bParseNumber(pcValue, &u32Size) && bEepromSizeValid(u32Size);
        if (*pbValueOk)
            pst->u32MemSize = u32Size;
    } else if (!strcmp(pcKey, "write_protect"))
        *pbValueOk = bParseBool(pcValue, &pst->bWriteProtect);
    else if (!strcmp(pcKey, "no_answer"))
        *pbValueOk = bParseBool(pcValue, &pst->stFault.bNoAnswer);
    else if (!strcmp(pcKey, "fail_read_edid"))
        *pbValueOk = bParseNumber(pcValue, &pst->stFault.u32ReadEdidCode);
    else if (!strcmp(pcKey, "fail_ext"))
        *pbValueOk = bParseCountAndCode(pcValue, &pst->stFault.u32ExtChunk, &pst->stFault.u32ExtCode);
    else if (!strcmp(pcKey, "fail_write"))
        *pbValueOk =
            bParseCountAndCode(pcValue, &pst->stFault.u32WritePacket, &pst->stFault.u32WriteCode);
    else
        return 0;
    return 1;
}

void vKeyLine(char *pcKey, char *pcValue, uint32_t u32Line)
{
    char cWhat[256];
    int32_t bValueOk = 1;
    if (!strcmp(pcKey, "fail_enum")) {
        bValueOk = bParseNumber(pcValue, &gst_Bench.u32EnumFaultCode);
    } else if (!gst_Section.bOpen) {
        snprintf(cWhat, sizeof(cWhat), "\"%.64s\" outside an [output] section (ignored)", pcKey);
        vProblem(u32Line, cWhat);
        return;
    } else if (!bOutputKey(pcKey, pcValue, u32Line, &bValueOk)) {
        snprintf(cWhat, sizeof(cWhat),
                 "unknown key \"%.64s\" (ignored); keys are edid, memory, write_protect, "
                 "no_answer, fail_read_edid, fail_ext, fail_write, fail_enum",
                 pcKey);
        vProblem(u32Line, cWhat);
        return;
    }
    if (!bValueOk) {
        snprintf(cWhat, sizeof(cWhat), "bad value \"%.64s\" for %.64s (ignored)", pcValue, pcKey);
        vProblem(u32Line, cWhat);
    }
}

char *pcTrim(char *pc)
{
    while (*pc == ' ' || *pc == '\t')
        pc++;
    size_t len = strlen(pc);
    while (len && (pc[len - 1] == ' ' || pc[len - 1] == '\t' || pc[len - 1] == '\r' ||
                   pc[len - 1] == '\n'))
        pc[--len] = '\0';
    return pc;
}

void vLine(char *pcRaw, uint32_t u32Line)
{
    char *pc = pcTrim(pcRaw);
    if (*pc == '\0' || *pc == '#')
        return;
    if (!strcmp(pc, "[output]")) {
        vOpenSection(u32Line);
        return;
    }
    char *pcEquals = strchr(pc, '=');
    if (*pc == '[' || !pcEquals) {
        vProblem(u32Line, *pc == '[' ? "unknown section (ignored); the only one is [output]"
                                     : "not \"key = value\" (ignored)");
        return;
    }
    *pcEquals = '\0';
    vKeyLine(pcTrim(pc), pcTrim(pcEquals + 1), u32Line);
}

void vSetDir(const char *pcPath)
{
    snprintf(gc_Dir, sizeof(gc_Dir), "%s", pcPath);
    char *pcSlash = strrchr(gc_Dir, '/');
    if (pcSlash)
        pcSlash[1] = '\0';
    else
        gc_Dir[0] = '\0';
}

} // namespace

int32_t s32BenchReadDescription(const char *pcPath)
{
    FILE *pFile = fopen(pcPath, "r");
    if (!pFile)
        return -1;
    gpc_File = pcPath;
    vSetDir(pcPath);
    vBenchClear();
    memset(&gst_Section, 0, sizeof(gst_Section));
    static char cLine[DESC_LINE_SIZE];
    uint32_t u32Line = 0;
    int32_t bSkipping = 0; // inside an over-long line
    while (fgets(cLine, sizeof(cLine), pFile)) {
        int32_t bWhole = strchr(cLine, '\n') != nullptr || feof(pFile);
        if (!bSkipping) {
            u32Line++;
            if (bWhole)
                vLine(cLine, u32Line);
            else
                vProblem(u32Line, "line too long (ignored)");
        }
        bSkipping = !bWhole;
    }
    fclose(pFile);
    vCloseSection();
    return (int32_t)gst_Bench.u32Outputs;
}
