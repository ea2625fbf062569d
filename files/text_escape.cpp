#include "files/text_escape.h"

#include <stdio.h>
#include <string.h>

namespace {

bool bOutsidePrintable(unsigned char u8Char) { return u8Char < 0x20 || u8Char >= 0x7F; }

// One input byte as the mode shows it.
void vEscapeOne(unsigned char u8Char, int32_t s32Mode, char (&cOne)[8])
{
    bool bBackslashed = s32Mode != ESCAPE_CONTROLS &&
                        (u8Char == '\\' || (s32Mode == ESCAPE_JSON && u8Char == '"'));
    bool bHex = false;
    if (s32Mode == ESCAPE_CONTROLS)
        bHex = u8Char < 0x20 || u8Char == 0x7F;
    else if (s32Mode == ESCAPE_LINES)
        bHex = bOutsidePrintable(u8Char) && u8Char != '\n';
    else
        bHex = bOutsidePrintable(u8Char);
    if (bBackslashed)
        snprintf(cOne, sizeof(cOne), "\\%c", u8Char);
    else if (bHex)
        snprintf(cOne, sizeof(cOne), s32Mode == ESCAPE_JSON ? "\\u%04X" : "\\x%02X", u8Char);
    else
        snprintf(cOne, sizeof(cOne), "%c", u8Char);
}

} // namespace

const char *pcEscapeText(const char *pcText, int32_t s32Mode, char *pcOut, size_t size)
{
    if (size == 0)
        return pcOut;
    size_t used = 0;
    pcOut[0] = '\0';
    for (const unsigned char *pc = (const unsigned char *)pcText; *pc; pc++) {
        char cOne[8];
        vEscapeOne(*pc, s32Mode, cOne);
        size_t length = strlen(cOne);
        if (used + length >= size)
            break;
        memcpy(pcOut + used, cOne, length + 1);
        used += length;
    }
    return pcOut;
}
