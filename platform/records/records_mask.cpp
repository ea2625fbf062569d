// The connection string as it may be shown: in every build, whatever
// connects the record.
#include "platform/records/records.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

static bool bKeyAt(const char *pcText, const char *pcKey)
{
    for (; *pcKey; pcText++, pcKey++)
        if (tolower((unsigned char)*pcText) != tolower((unsigned char)*pcKey))
            return false;
    return true;
}

void vRecMaskSecret(const char *pcText, char *pcMasked, size_t size)
{
    if (!size)
        return;
    size_t out = 0;
    while (*pcText && out + 1 < size) {
        bool bKey = bKeyAt(pcText, "PWD=") || bKeyAt(pcText, "Password=");
        bool bStart = out == 0 || pcText[-1] == ';' || pcText[-1] == ' ' || pcText[-1] == ':';
        if (!bKey || !bStart) {
            pcMasked[out++] = *pcText++;
            continue;
        }
        const char *pcValue = strchr(pcText, '=') + 1;
        out += (size_t)snprintf(pcMasked + out, size - out, "%.*s***",
                                (int)(pcValue - pcText), pcText);
        if (out >= size)
            out = size - 1;
        // A value in braces may hold a ';'.
        pcText = pcValue;
        if (*pcText == '{') {
            const char *pcClose = strchr(pcText, '}');
            pcText = pcClose ? pcClose + 1 : pcText + strlen(pcText);
        }
        while (*pcText && *pcText != ';')
            pcText++;
    }
    pcMasked[out] = '\0';
}
