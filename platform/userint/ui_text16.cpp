// The '&' markers of labels.
#include "ui_text16.h"

namespace {

// Drops the start of a UTF-8 sequence a cut left at the end of pcOut: the
// lead byte's high bits say how many bytes it needs.
size_t szTrimCutSequence(const char *pcOut, size_t length)
{
    size_t start = length;
    while (start > 0 && length - start < 3 && ((uint8_t)pcOut[start - 1] & 0xC0) == 0x80)
        start--;
    if (start == 0 || (uint8_t)pcOut[start - 1] < 0xC0)
        return length;
    uint8_t u8Lead = (uint8_t)pcOut[start - 1];
    size_t needed = u8Lead >= 0xF0 ? 4 : u8Lead >= 0xE0 ? 3 : 2;
    return length - (start - 1) >= needed ? length : start - 1;
}

} // namespace

char cUiMnemonic(const char *pcLabel)
{
    for (size_t pos = 0; pcLabel[pos] != '\0'; pos++) {
        if (pcLabel[pos] != '&')
            continue;
        char cMarked = pcLabel[pos + 1];
        if (cMarked == '&') {
            pos++;
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
    size_t written = 0;
    bool bCut = false;
    for (size_t pos = 0; pcLabel[pos] != '\0'; pos++) {
        if (pcLabel[pos] == '&' && pcLabel[++pos] == '\0')
            break;
        if (written == size - 1) {
            bCut = true;
            break;
        }
        pcOut[written++] = pcLabel[pos];
    }
    if (bCut)
        written = szTrimCutSequence(pcOut, written);
    pcOut[written] = '\0';
}
