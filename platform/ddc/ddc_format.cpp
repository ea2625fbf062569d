// Text form of a library call, shared by the library log and the tests.
#include <stdarg.h>
#include <stdio.h>

#include "ddc_txlog.h"

namespace {

struct stOpFormat {
    const char *pcName;
    // One letter per argument: d decimal, h hex, p pointer, s text (the
    // call's data), o pointer flag and stored handle (two arguments).
    const char *pcArgs;
};

const stOpFormat gst_OpFormat[DDC_OP_COUNT] = {
    {"?", ""},
    {"EnableLog", "sd"},
    {"DisableLog", ""},
    {"InstallDriver", "sd"},
    {"UninstallDriver", ""},
    {"InitDDCHelper", ""},
    {"DeinitDDCHelper", ""},
    {"SetLibraryOption", "dd"},
    {"GetLibraryVersion", ""},
    {"EnumGetFirst", "o"},
    {"EnumGetNext", "o"},
    {"TestAddr", "hh"},
    {"ReadEDID", "hp"},
    {"GetEDIDOption", "pdpd"},
    {"ReadI2CBuf", "hhpdh"},
    {"WriteI2CBuf", "hhpdh"},
    {"GetOutputInfo", "hdo"},
    {"GetLibraryInfo", "do"},
    {"Poll", "hh"},
};

// snprintf that keeps a running position and never runs past u32Size.
void vAppend(char *pcText, uint32_t u32Size, uint32_t *pu32Pos, const char *pcFormat, ...)
    __attribute__((format(printf, 4, 5)));

void vAppend(char *pcText, uint32_t u32Size, uint32_t *pu32Pos, const char *pcFormat, ...)
{
    if (*pu32Pos + 1u >= u32Size)
        return;
    va_list args;
    va_start(args, pcFormat);
    int s32Len = vsnprintf(pcText + *pu32Pos, u32Size - *pu32Pos, pcFormat, args);
    va_end(args);
    if (s32Len > 0)
        *pu32Pos += (uint32_t)s32Len < u32Size - *pu32Pos ? (uint32_t)s32Len : u32Size - *pu32Pos - 1u;
}

void vAppendArgs(const stDdcBenchCall *pst, const char *pcKinds, char *pcText, uint32_t u32Size,
                 uint32_t *pu32Pos)
{
    uint32_t u32Arg = 0;
    for (const char *pc = pcKinds; *pc; pc++) {
        uint32_t u32Value = pst->au32Arg[u32Arg++];
        const char *pcSep = pc == pcKinds ? "" : ", ";
        if (*pc == 'd')
            vAppend(pcText, u32Size, pu32Pos, "%s%u", pcSep, u32Value);
        else if (*pc == 'h')
            vAppend(pcText, u32Size, pu32Pos, "%s0x%X", pcSep, u32Value);
        else if (*pc == 'p')
            vAppend(pcText, u32Size, pu32Pos, "%s%s", pcSep, u32Value ? "buf" : "NULL");
        else if (*pc == 's' && u32Value)
            vAppend(pcText, u32Size, pu32Pos, "%s\"%.*s\"", pcSep, (int)pst->u32DataLen,
                    (const char *)pst->pu8Data);
        else if (*pc == 's')
            vAppend(pcText, u32Size, pu32Pos, "%sNULL", pcSep);
        else if (*pc == 'o' && u32Value)
            vAppend(pcText, u32Size, pu32Pos, "%s-> 0x%X", pcSep, pst->au32Arg[u32Arg++]);
        else if (*pc == 'o')
            vAppend(pcText, u32Size, pu32Pos, "%sNULL", pcSep);
    }
}

// Hex bytes by hand: one formatted print per byte would cost more than the
// bus transfer they describe.
void vAppendHex(const uint8_t *pu8, uint32_t u32Len, char *pcText, uint32_t u32Size,
                uint32_t *pu32Pos)
{
    static const char cDigits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < u32Len && *pu32Pos + 4u <= u32Size; i++) {
        pcText[(*pu32Pos)++] = ' ';
        pcText[(*pu32Pos)++] = cDigits[pu8[i] >> 4];
        pcText[(*pu32Pos)++] = cDigits[pu8[i] & 15];
    }
    pcText[*pu32Pos] = '\0';
}

} // namespace

uint32_t u32FormatCall(const stDdcBenchCall *pst, char *pcText, uint32_t u32Size)
{
    if (!pcText || u32Size == 0)
        return 0;
    pcText[0] = '\0';
    uint32_t u32Pos = 0;
    const stOpFormat *pstFormat = &gst_OpFormat[pst->u32Op < DDC_OP_COUNT ? pst->u32Op : 0];
    vAppend(pcText, u32Size, &u32Pos, "%s(", pstFormat->pcName);
    vAppendArgs(pst, pstFormat->pcArgs, pcText, u32Size, &u32Pos);
    vAppend(pcText, u32Size, &u32Pos, ") = 0x%X", pst->u32Result);
    bool bDataInline = pstFormat->pcArgs[0] == 's';
    if (pst->u32DataLen && pst->u32Op == DDC_OP_GET_EDID_OPTION)
        vAppend(pcText, u32Size, &u32Pos, " : \"%.*s\"", (int)pst->u32DataLen,
                (const char *)pst->pu8Data);
    else if (pst->u32DataLen && !bDataInline) {
        vAppend(pcText, u32Size, &u32Pos, " :");
        vAppendHex(pst->pu8Data, pst->u32DataLen, pcText, u32Size, &u32Pos);
    }
    return u32Pos;
}
