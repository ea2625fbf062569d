#include "ddc_state.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "ddc_bench.h"
#include "ddc_file.h"
#include "ddc_liblog.h"

// Layout, little-endian: "DDCSTATE", version, entry count; per entry the
// output index, memory size, CRC-32 of the image the description gave and
// the memory bytes; last the CRC-32 of everything before it.
namespace {

const char gc_Magic[8] = {'D', 'D', 'C', 'S', 'T', 'A', 'T', 'E'};
const uint32_t gu32_Version = 1;
const uint32_t gu32_MaxFile = 16u + BENCH_MAX_OUTPUTS * (12u + EEPROM_MAX_SIZE) + 4u;
uint8_t gu8_File[gu32_MaxFile + 1u];

void vPut32(uint8_t *pu8, uint32_t u32)
{
    for (int i = 0; i < 4; i++)
        pu8[i] = (uint8_t)(u32 >> (8 * i));
}

uint32_t u32Get32(const uint8_t *pu8)
{
    return (uint32_t)pu8[0] | (uint32_t)pu8[1] << 8 | (uint32_t)pu8[2] << 16 |
           (uint32_t)pu8[3] << 24;
}

// The bytes read into gu8_File; 0 with *ppcProblem null when there is no
// file, or with the reason when it is not read.
uint32_t u32ReadFile(const char *pcPath, const char **ppcProblem)
{
    static char cProblem[64];
    uint64_t u64Size = 0;
    const char *pcKind = nullptr;
    int32_t s32Fd = s32FileOpenRegular(pcPath, &u64Size, &pcKind);
    *ppcProblem = nullptr;
    if (pcKind) {
        snprintf(cProblem, sizeof(cProblem), "%s, not a regular file", pcKind);
        *ppcProblem = cProblem;
    }
    if (s32Fd < 0)
        return 0;
    uint32_t u32Len = 0;
    if (u64Size > gu32_MaxFile)
        *ppcProblem = "longer than any state file";
    else
        u32Len = u32FileRead(s32Fd, gu8_File, sizeof(gu8_File));
    close(s32Fd);
    return u32Len;
}

// Why the file cannot be used, or null.
const char *pcCheckFile(uint32_t u32Len, uint32_t *pu32Entries)
{
    if (u32Len > gu32_MaxFile)
        return "longer than any state file";
    if (u32Len < 20u || memcmp(gu8_File, gc_Magic, sizeof(gc_Magic)) != 0)
        return "not a state file";
    if (u32Get32(gu8_File + 8) != gu32_Version)
        return "unknown version";
    if (u32Crc32(gu8_File, u32Len - 4u, 0) != u32Get32(gu8_File + u32Len - 4u))
        return "checksum wrong";
    *pu32Entries = u32Get32(gu8_File + 12);
    uint32_t u32Pos = 16;
    for (uint32_t i = 0; i < *pu32Entries; i++) {
        if (u32Pos + 12u > u32Len - 4u)
            return "truncated";
        uint32_t u32Size = u32Get32(gu8_File + u32Pos + 4);
        if (!bEepromSizeValid(u32Size) || u32Pos + 12u + u32Size > u32Len - 4u)
            return "bad entry";
        u32Pos += 12u + u32Size;
    }
    return u32Pos == u32Len - 4u ? nullptr : "trailing bytes";
}

void vApplyEntry(const uint8_t *pu8Entry)
{
    uint32_t u32Output = u32Get32(pu8Entry);
    uint32_t u32Size = u32Get32(pu8Entry + 4);
    stBenchOutput *pst = pstBenchOutputAt(u32Output < BENCH_MAX_OUTPUTS ? (int32_t)u32Output : -1);
    if (!pst || !pst->bHasDisplay || pst->stMem.u32Size != u32Size ||
        pst->u32ImageCrc != u32Get32(pu8Entry + 8)) {
        vLogNote("bench: %s: output %u no longer matches its description; its saved memory is "
                 "not used",
                 gst_Bench.cStatePath, u32Output);
        return;
    }
    memcpy(pst->stMem.u8Mem, pu8Entry + 12, u32Size);
}

// The state of every display into gu8_File; its length.
uint32_t u32BuildFile(void)
{
    memcpy(gu8_File, gc_Magic, sizeof(gc_Magic));
    vPut32(gu8_File + 8, gu32_Version);
    uint32_t u32Pos = 16, u32Entries = 0;
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        const stBenchOutput *pst = &gst_Bench.ast[i];
        if (!pst->bHasDisplay)
            continue;
        vPut32(gu8_File + u32Pos, i);
        vPut32(gu8_File + u32Pos + 4, pst->stMem.u32Size);
        vPut32(gu8_File + u32Pos + 8, pst->u32ImageCrc);
        memcpy(gu8_File + u32Pos + 12, pst->stMem.u8Mem, pst->stMem.u32Size);
        u32Pos += 12u + pst->stMem.u32Size;
        u32Entries++;
    }
    vPut32(gu8_File + 12, u32Entries);
    vPut32(gu8_File + u32Pos, u32Crc32(gu8_File, u32Pos, 0));
    return u32Pos + 4u;
}

} // namespace

// CRC-32 (IEEE 802.3), a table built on first use.
uint32_t u32Crc32(const uint8_t *pu8Data, uint32_t u32Len, uint32_t u32Crc)
{
    static uint32_t u32Table[256];
    if (!u32Table[1])
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t u32 = n;
            for (int k = 0; k < 8; k++)
                u32 = (u32 >> 1) ^ (0xEDB88320u & (0u - (u32 & 1u)));
            u32Table[n] = u32;
        }
    u32Crc = ~u32Crc;
    for (uint32_t i = 0; i < u32Len; i++)
        u32Crc = (u32Crc >> 8) ^ u32Table[(u32Crc ^ pu8Data[i]) & 0xFFu];
    return ~u32Crc;
}

void vStateLoad(void)
{
    if (!gst_Bench.cStatePath[0])
        return;
    const char *pcProblem = nullptr;
    uint32_t u32Len = u32ReadFile(gst_Bench.cStatePath, &pcProblem);
    if (u32Len == 0 && !pcProblem)
        return;
    uint32_t u32Entries = 0;
    if (!pcProblem)
        pcProblem = pcCheckFile(u32Len, &u32Entries);
    if (pcProblem) {
        vLogNote("bench: %s: %s; the displays start from the description's images",
                 gst_Bench.cStatePath, pcProblem);
        return;
    }
    uint32_t u32Pos = 16;
    for (uint32_t i = 0; i < u32Entries; i++) {
        vApplyEntry(gu8_File + u32Pos);
        u32Pos += 12u + u32Get32(gu8_File + u32Pos + 4);
    }
}

void vStateSave(void)
{
    if (!gst_Bench.cStatePath[0])
        return;
    const char *pcKind = pcFileNotRegular(gst_Bench.cStatePath);
    if (pcKind) {
        vLogNote("bench: cannot write the state file %s: it is %s, not a regular file; what was "
                 "written is lost at exit",
                 gst_Bench.cStatePath, pcKind);
        return;
    }
    uint32_t u32Len = u32BuildFile();
    if (!bFileReplace(gst_Bench.cStatePath, gu8_File, u32Len))
        vLogNote("bench: cannot write the state file %s; what was written is lost at exit",
                 gst_Bench.cStatePath);
}
