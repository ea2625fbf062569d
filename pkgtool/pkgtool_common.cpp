#include "pkgtool/pkgtool.h"

#include "files/edid_image.h"
#include "files/package_layout.h"
#include "files/textmode.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int s32Refuse(const char *pcFormat, ...)
{
    va_list args;
    va_start(args, pcFormat);
    fputs("tavolin-pkg: ", stderr);
    vfprintf(stderr, pcFormat, args);
    fputc('\n', stderr);
    va_end(args);
    return PKGTOOL_REFUSED;
}

int s32UsageError(const char *pcCommand, const char *pcFormat, ...)
{
    va_list args;
    va_start(args, pcFormat);
    fputs("tavolin-pkg: ", stderr);
    vfprintf(stderr, pcFormat, args);
    fprintf(stderr, "\nTry 'tavolin-pkg %s%s--help'.\n", pcCommand ? pcCommand : "",
            pcCommand ? " " : "");
    va_end(args);
    return PKGTOOL_USAGE;
}

bool bIsHelp(const char *pcArg) { return strcmp(pcArg, "--help") == 0 || strcmp(pcArg, "-h") == 0; }

void vWarnIfUnwritable(const char *pcFile, uint32_t u32Port, const char *pcName,
                       uint32_t u32Length)
{
    if (u32Length <= EDID_WRITABLE_SIZE)
        return;
    fprintf(stderr,
            "tavolin-pkg: warning: %s: port %u (%s) has an image of %u bytes; Tavolin writes "
            "only the first %d bytes of a display's memory and refuses to program it\n",
            pcFile, u32Port + 1, pcName, u32Length, EDID_WRITABLE_SIZE);
}

const char *pcOptionValue(const char *pcCommand, int argc, char *argv[], int *pi)
{
    if (*pi + 1 >= argc) {
        s32UsageError(pcCommand, "%s needs a value", argv[*pi]);
        return nullptr;
    }
    *pi += 1;
    return argv[*pi];
}

bool bReadFile(const char *pcPath, uint8_t *pu8Buf, size_t size, size_t *pTotal)
{
    FILE *pFile = fopen(pcPath, "rb");
    if (!pFile) {
        s32Refuse("%s: cannot be read", pcPath);
        return false;
    }
    size_t total = fread(pu8Buf, 1, size, pFile);
    char cRest[4096];
    for (size_t got; (got = fread(cRest, 1, sizeof(cRest), pFile)) > 0;)
        total += got;
    bool bError = ferror(pFile) != 0;
    fclose(pFile);
    if (bError) {
        s32Refuse("%s: cannot be read", pcPath);
        return false;
    }
    *pTotal = total;
    return true;
}

bool bWriteWhole(const char *pcPath, const void *pvBytes, size_t count)
{
    static stTextWriter stWriter;
    if (!bTextWriterOpen(&stWriter, pcPath)) {
        s32Refuse("%s: cannot be written", pcPath);
        return false;
    }
    vRawWrite(&stWriter, pvBytes, count);
    if (!bTextWriterCommit(&stWriter)) {
        s32Refuse("%s: cannot be written", pcPath);
        return false;
    }
    return true;
}

bool bReadPackage(const char *pcPath, uint8_t *pu8Pkg, uint64_t *pu64Size)
{
    memset(pu8Pkg, 0, PKG_FILE_SIZE);
    size_t total = 0;
    if (!bReadFile(pcPath, pu8Pkg, PKG_FILE_SIZE, &total))
        return false;
    *pu64Size = total;
    return true;
}

void vCheckWords(int32_t s32Check, const uint8_t *pu8Pkg, char *pcText, size_t size)
{
    char cName[PKG_TYPE_SIZE + 1];
    vPkgTypeName(pu8Pkg, cName, sizeof(cName));
    char cLine[128];
    snprintf(cLine, sizeof(cLine), pcPkgCheckFormat(s32Check), cName);
    const char *pcStart = strncmp(cLine, " - ", 3) == 0 ? cLine + 3 : cLine;
    size_t length = strlen(pcStart);
    while (length > 0 && (pcStart[length - 1] == '>' || pcStart[length - 1] == '\n' ||
                          pcStart[length - 1] == ' '))
        length--;
    snprintf(pcText, size, "%.*s", (int)length, pcStart);
}
