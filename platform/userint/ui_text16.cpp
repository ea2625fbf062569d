// The '&' markers of labels.
#include "ui_text16.h"

namespace {

// Drops the start of a UTF-8 sequence a cut left at the end of pcOut: the
// lead byte's high bits say how many bytes it needs.
size_t u32TrimCutSequence(const char *pcOut, size_t length)
{
    size_t u32Start = length;
    while (u32Start > 0 && length - u32Start < 3 && ((uint8_t)pcOut[u32Start - 1] & 0xC0) == 0x80)
        u32Start--;
    if (u32Start == 0 || (uint8_t)pcOut[u32Start - 1] < 0xC0)
        return length;
    uint8_t u8Lead = (uint8_t)pcOut[u32Start - 1];
    size_t u32Needed = u8Lead >= 0xF0 ? 4 : u8Lead >= 0xE0 ? 3 : 2;
    return length - (u32Start - 1) >= u32Needed ? length : u32Start - 1;
}

} // namespace

char cUiMnemonic(const char *pcLabel)
{
    for (size_t u32Pos = 0; pcLabel[u32Pos] != '\0'; u32Pos++) {
        if (pcLabel[u32Pos] != '&')
            continue;
        char cMarked = pcLabel[u32Pos + 1];
        if (cMarked == '&') {
            u32Pos++;
            continue;
        }
        if (cMarked > ' ' && cMarked < 0x7F)
            return (cMarked >= 'A' && cMarked <= 'Z') ? (char)(cMarked - 'A' + 'a') : cMarked;
        return 0;
    }
    return 0;
}

void vUiStripMnemonic(const char *pcLabel, char *pcOut, size_t size)
{
    if (size == 0)
        return;
    size_t u32Written = 0;
    bool bCut = false;
    for (size_t u32Pos = 0; pcLabel[u32Pos] != '\0'; u32Pos++) {
        if (pcLabel[u32Pos] == '&' && pcLabel[++u32Pos] == '\0')
            break;
        if (u32Written == size - 1) {
            bCut = true;
            break;
        }
        pcOut[u32Written++] = pcLabel[u32Pos];
    }
    if (bCut)
        u32Written = u32TrimCutSequence(pcOut, u32Written);
    pcOut[u32Written] = '\0';
}
