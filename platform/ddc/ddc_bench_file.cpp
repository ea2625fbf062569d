#include "ddc_bench_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_file.h"
#include "ddc_liblog.h"
#include "ddc_os.h"
#include "ddc_real_common.h"

namespace {

#define DESC_LINE_SIZE (BENCH_PATH_SIZE + 64u)
#define DESC_MAX_SIZE (1024u * 1024u)

// The [output] section being read; it becomes an output at its end.
struct stSection {
    int32_t bOpen;
    uint32_t u32Line;            // line of the section header
    char cImage[BENCH_PATH_SIZE]; // "" no display, "blank", or an image path
    uint32_t u32ImageLine;
    uint32_t u32MemSize;
    int32_t bMemSizeGiven;
    uint32_t u32Addressing;       // DDC_ADDRESSING_*
    int32_t bWriteProtect;
    uint32_t u32WriteCycleMs;
    stBenchFaults stFault;
    int32_t s32RealBy;            // REAL_BY_*: a real adapter instead of a display
    char cReal[REAL_DEVICE_SIZE];
    int32_t bAllowNonDisplay;     // ... even one not shown to be a display's bus
};

// An EDID image as found on disk.
struct stImageFile {
    int32_t bOpen;       // opened as a regular file
    const char *pcKind;  // else what the path is, or null when it cannot be opened
    uint64_t u64Size;    // its size; a larger one than the largest memory is not read
    uint32_t u32Len;     // bytes read into gu8_Image
};

// The description being read, line by line.
struct stDescReader {
    FILE *pFile;
    uint32_t u32Left;      // bytes not yet read of the size found at opening
    uint32_t u32Line;
    uint32_t u32NulColumn; // first NUL byte of the line, from 1; 0 none
    int32_t bTooLong;
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

int32_t bParseAddressing(const char *pc, uint32_t *pu32)
{
    if (!strcmp(pc, "byte"))
        *pu32 = DDC_ADDRESSING_BYTE;
    else if (!strcmp(pc, "blocks"))
        *pu32 = DDC_ADDRESSING_BLOCKS;
    else if (!strcmp(pc, "segment"))
        *pu32 = DDC_ADDRESSING_SEGMENT;
    else
        return 0;
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

void vReadImage(const char *pcPath, stImageFile *pst)
{
    char cFull[BENCH_PATH_SIZE * 2];
    snprintf(cFull, sizeof(cFull), "%s%s", bDdcOsIsAbsolute(pcPath) ? "" : gc_Dir, pcPath);
    memset(pst, 0, sizeof(*pst));
    int32_t s32Fd = s32FileOpenRegular(cFull, &pst->u64Size, &pst->pcKind);
    if (s32Fd < 0)
        return;
    pst->bOpen = 1;
    if (pst->u64Size <= EEPROM_MAX_SIZE)
        pst->u32Len = u32FileRead(s32Fd, gu8_Image, sizeof(gu8_Image));
    if (pst->u32Len > pst->u64Size) // grew since it was measured
        pst->u64Size = pst->u32Len;
    close(s32Fd);
}

// The image's problem, written into pcWhat, or 0 when it loads.
int32_t bImageProblem(const stSection *pst, const stImageFile *pstFile, char *pcWhat,
                      uint32_t u32Size)
{
    uint32_t u32Len = pstFile->u32Len;
    if (pstFile->pcKind)
        snprintf(pcWhat, u32Size, "EDID image \"%s\" is %s, not a regular file", pst->cImage,
                 pstFile->pcKind);
    else if (!pstFile->bOpen)
        snprintf(pcWhat, u32Size, "cannot read the EDID image \"%s\"", pst->cImage);
    else if (pstFile->u64Size > EEPROM_MAX_SIZE)
        snprintf(pcWhat, u32Size,
                 "EDID image \"%s\" has %llu bytes, more than the largest memory (%u bytes)",
                 pst->cImage, (unsigned long long)pstFile->u64Size, EEPROM_MAX_SIZE);
    else if (u32Len == 0 || u32Len % 128u != 0)
        snprintf(pcWhat, u32Size, "EDID image \"%s\" has %u bytes, not a multiple of 128",
                 pst->cImage, u32Len);
    else if (u32Len > pst->u32MemSize)
        snprintf(pcWhat, u32Size, "EDID image \"%s\" has %u bytes, more than its %u-byte memory",
                 pst->cImage, u32Len, pst->u32MemSize);
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
    stImageFile stFile;
    vReadImage(pst->cImage, &stFile);
    char cWhat[BENCH_PATH_SIZE + 128];
    if (bImageProblem(pst, &stFile, cWhat, sizeof(cWhat))) {
        size_t len = strlen(cWhat);
        snprintf(cWhat + len, sizeof(cWhat) - len, "; the display starts blank");
        vProblem(pst->u32ImageLine, cWhat);
        bBenchAttachDisplay(u32Output, nullptr, 0, pst->u32MemSize);
        return;
    }
    bBenchAttachDisplay(u32Output, gu8_Image, stFile.u32Len, pst->u32MemSize);
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
    stBenchOutput *pst = pstBenchOutputAt(s32Output);
    // A memory declared wider than one byte's reach is 512 bytes unless said.
    if (gst_Section.u32Addressing != DDC_ADDRESSING_BYTE && !gst_Section.bMemSizeGiven)
        gst_Section.u32MemSize = 2u * EEPROM_HALF_SIZE;
    if (gst_Section.s32RealBy) {
        pst->stMem.u32Addressing = gst_Section.u32Addressing;
        if (gst_Section.cImage[0])
            vProblem(gst_Section.u32Line, "a real adapter has no simulated display (edid ignored)");
        vRealNameOutput(pst, gst_Section.s32RealBy, gst_Section.cReal,
                        gst_Section.bAllowNonDisplay);
        vLogNote("bench: output %d is the real adapter %s", s32Output, gst_Section.cReal);
        return;
    }
    vAttach((uint32_t)s32Output, &gst_Section);
    pst->stMem.u32Addressing = gst_Section.u32Addressing;
    pst->stFault = gst_Section.stFault;
    pst->stMem.bWriteProtect = gst_Section.bWriteProtect;
    pst->stMem.u32WriteCycleMs = gst_Section.u32WriteCycleMs;
}

void vOpenSection(uint32_t u32Line)
{
    vCloseSection();
    memset(&gst_Section, 0, sizeof(gst_Section));
    gst_Section.bOpen = 1;
    gst_Section.u32Line = u32Line;
    gst_Section.u32MemSize = EEPROM_DEFAULT_SIZE;
    gst_Section.u32WriteCycleMs = EEPROM_WRITE_CYCLE_MS;
}

// The keys that name a real adapter: a DRM connector, an adapter's name in
// sysfs, or its device node; on Windows a graphics output or a USB-I2C bridge.
int32_t s32RealKey(const char *pcKey)
{
    if (!strcmp(pcKey, "connector"))
        return REAL_BY_CONNECTOR;
    if (!strcmp(pcKey, "adapter_name"))
        return REAL_BY_NAME;
    if (!strcmp(pcKey, "device"))
        return REAL_BY_DEVICE;
    if (!strcmp(pcKey, "bridge"))
        return REAL_BY_BRIDGE;
    return 0;
}

// Why this system cannot take a key that names a real bus, or null.
const char *pcRealKeyRefused(int32_t s32By)
{
#ifdef _WIN32
    if (s32By == REAL_BY_NAME || s32By == REAL_BY_DEVICE)
        return "on Windows a real bus is named by bridge or connector (ignored)";
#else
    if (s32By == REAL_BY_BRIDGE)
        return "on Linux a bridge is named by its i2c-dev adapter (adapter_name or device) "
               "(ignored)";
#endif
    return nullptr;
}

int32_t bRealNameValid(int32_t s32By, const char *pcValue)
{
#ifdef _WIN32
    if (s32By == REAL_BY_CONNECTOR)
        return bWinConnectorNameValid(pcValue);
#endif
    return s32By != REAL_BY_BRIDGE || bWinBridgeNameValid(pcValue);
}

int32_t bTakeReal(stSection *pst, int32_t s32By, const char *pcValue)
{
    if (!pcValue[0] || strlen(pcValue) >= sizeof(pst->cReal) || !bRealNameValid(s32By, pcValue))
        return 0;
    pst->s32RealBy = s32By;
    snprintf(pst->cReal, sizeof(pst->cReal), "%s", pcValue);
    return 1;
}

// 1 when the key belongs to an output and was applied (or was malformed).
int32_t bOutputKey(const char *pcKey, char *pcValue, uint32_t u32Line, int32_t *pbValueOk)
{
    stSection *pst = &gst_Section;
    uint32_t u32Size = 0;
    if (!strcmp(pcKey, "edid")) {
        // A path cut to fit would name another file.
        if (strlen(pcValue) >= sizeof(pst->cImage)) {
            *pbValueOk = 0;
            return 1;
        }
        snprintf(pst->cImage, sizeof(pst->cImage), "%s", pcValue);
        pst->u32ImageLine = u32Line;
        *pbValueOk = pcValue[0] != '\0';
    } else if (!strcmp(pcKey, "memory")) {
        *pbValueOk = bParseNumber(pcValue, &u32Size) && bEepromSizeValid(u32Size);
        if (*pbValueOk) {
            pst->u32MemSize = u32Size;
            pst->bMemSizeGiven = 1;
        }
    } else if (!strcmp(pcKey, "addressing")) {
        *pbValueOk = bParseAddressing(pcValue, &pst->u32Addressing);
    } else if (!strcmp(pcKey, "write_cycle_ms")) {
        *pbValueOk = bParseNumber(pcValue, &u32Size) && u32Size <= EEPROM_WRITE_CYCLE_MAX_MS;
        if (*pbValueOk)
            pst->u32WriteCycleMs = u32Size;
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
    else if (s32RealKey(pcKey))
        *pbValueOk = bTakeReal(pst, s32RealKey(pcKey), pcValue);
    else if (!strcmp(pcKey, REAL_ALLOW_KEY))
        *pbValueOk = bParseBool(pcValue, &pst->bAllowNonDisplay);
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
    } else if (s32RealKey(pcKey) && pcRealKeyRefused(s32RealKey(pcKey))) {
        snprintf(cWhat, sizeof(cWhat), "%s: %s", pcKey, pcRealKeyRefused(s32RealKey(pcKey)));
        vProblem(u32Line, cWhat);
        return;
    } else if (!gst_Section.bOpen) {
        snprintf(cWhat, sizeof(cWhat), "\"%.64s\" outside an [output] section (ignored)", pcKey);
        vProblem(u32Line, cWhat);
        return;
    } else if (!bOutputKey(pcKey, pcValue, u32Line, &bValueOk)) {
        snprintf(cWhat, sizeof(cWhat),
                 "unknown key \"%.64s\" (ignored); keys are edid, memory, addressing, write_protect, "
                 "no_answer, fail_read_edid, fail_ext, fail_write, fail_enum, connector, "
                 "adapter_name, device, bridge",
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
    char *pcSlash = pcDdcOsLastSeparator(gc_Dir);
    if (pcSlash)
        pcSlash[1] = '\0';
    else
        gc_Dir[0] = '\0';
}

// The description opened for reading, or null with the reason in pcWhy.
FILE *pOpenDescription(const char *pcPath, uint32_t *pu32Size, char *pcWhy, uint32_t u32WhySize)
{
    uint64_t u64Size = 0;
    const char *pcKind = nullptr;
    int32_t s32Fd = s32FileOpenRegular(pcPath, &u64Size, &pcKind);
    FILE *pFile = nullptr;
    if (pcKind)
        snprintf(pcWhy, u32WhySize, "the description %s is %s, not a regular file", pcPath, pcKind);
    else if (s32Fd >= 0 && u64Size > DESC_MAX_SIZE)
        snprintf(pcWhy, u32WhySize,
                 "the description %s has %llu bytes, more than the largest allowed (%u bytes)",
                 pcPath, (unsigned long long)u64Size, DESC_MAX_SIZE);
    else if (s32Fd < 0 || !(pFile = fdopen(s32Fd, "r")))
        snprintf(pcWhy, u32WhySize, "cannot open the description %s", pcPath);
    if (!pFile && s32Fd >= 0)
        close(s32Fd);
    *pu32Size = (uint32_t)u64Size;
    return pFile;
}

// Next line into pcLine, without its line feed; 0 at the end. Bytes are
// taken one by one so that a NUL spoils only its own line.
int32_t bNextLine(stDescReader *pst, char *pcLine, uint32_t u32Size)
{
    uint32_t u32Len = 0, u32Column = 0;
    int c = EOF;
    pst->u32NulColumn = 0;
    pst->bTooLong = 0;
    while (pst->u32Left > 0 && (c = getc(pst->pFile)) != EOF) {
        pst->u32Left--;
        if (c == '\n')
            break;
        u32Column++;
        if (c == '\0' && !pst->u32NulColumn)
            pst->u32NulColumn = u32Column;
        if (u32Len + 1u < u32Size)
            pcLine[u32Len++] = (char)c;
        else
            pst->bTooLong = 1;
    }
    pcLine[u32Len] = '\0';
    return c == '\n' || u32Column > 0;
}

void vReadLines(stDescReader *pst)
{
    static char cLine[DESC_LINE_SIZE];
    char cWhat[64];
    while (bNextLine(pst, cLine, sizeof(cLine))) {
        pst->u32Line++;
        if (pst->bTooLong) {
            snprintf(cWhat, sizeof(cWhat), "line longer than %u bytes (ignored)",
                     DESC_LINE_SIZE - 1u);
            vProblem(pst->u32Line, cWhat);
        } else if (pst->u32NulColumn) {
            snprintf(cWhat, sizeof(cWhat), "NUL byte at column %u (line ignored)",
                     pst->u32NulColumn);
            vProblem(pst->u32Line, cWhat);
        } else {
            vLine(cLine, pst->u32Line);
        }
    }
}

} // namespace

int32_t s32BenchReadDescription(const char *pcPath, char *pcWhy, uint32_t u32WhySize)
{
    stDescReader st;
    memset(&st, 0, sizeof(st));
    st.pFile = pOpenDescription(pcPath, &st.u32Left, pcWhy, u32WhySize);
    if (!st.pFile)
        return -1;
    gpc_File = pcPath;
    vSetDir(pcPath);
    vBenchClear();
    memset(&gst_Section, 0, sizeof(gst_Section));
    vReadLines(&st);
    fclose(st.pFile);
    vCloseSection();
    return (int32_t)gst_Bench.u32Outputs;
}
