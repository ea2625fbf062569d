#include "pkgtool/pkgtool.h"

#include "files/edid_image.h"
#include "files/package_layout.h"
#include "files/text_escape.h"
#include "files/textmode.h"
#include "platform/filesys/filesys.h"

#include <errno.h>
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

#define WIDE_MEMORY_SIZE (2 * EDID_WRITABLE_SIZE) // a two-block or segment memory

void vWarnIfUnwritable(const char *pcFile, uint32_t u32Port, const char *pcName,
                       uint32_t u32Length)
{
    if (u32Length <= EDID_WRITABLE_SIZE)
        return;
    char cName[ESCAPED_SIZE(PKG_PORT_NAME_SIZE)];
    const char *pcShown = pcEscapeText(pcName, ESCAPE_TEXT, cName, sizeof(cName));
    if (u32Length <= WIDE_MEMORY_SIZE)
        fprintf(stderr,
                "tavolin-pkg: warning: %s: port %u (%s) has an image of %u bytes; one-byte "
                "addresses reach only the first %d bytes of a display's memory: Tavolin "
                "programs it only into a two-block or segment memory\n",
                pcFile, u32Port + 1, pcShown, u32Length, EDID_WRITABLE_SIZE);
    else
        fprintf(stderr,
                "tavolin-pkg: warning: %s: port %u (%s) has an image of %u bytes; Tavolin writes "
                "at most %d bytes of a display's memory and refuses to program it\n",
                pcFile, u32Port + 1, pcShown, u32Length, WIDE_MEMORY_SIZE);
}

const char *pcMemoryKinds(uint32_t u32Length)
{
    if (u32Length <= EDID_WRITABLE_SIZE)
        return "byte, blocks, segment";
    return u32Length <= WIDE_MEMORY_SIZE ? "blocks, segment" : "none";
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

bool bReadFile(const char *pcPath, uint8_t *pu8Buf, size_t size, uint64_t *pu64Total)
{
    uint64_t u64Size = 0;
    const char *pcKind = nullptr;
    FILE *pFile = pFsOpenRegular(pcPath, &u64Size, &pcKind);
    if (!pFile) {
        if (pcKind)
            s32Refuse("%s: is %s, not a regular file", pcPath, pcKind);
        else
            s32Refuse("%s: cannot be read", pcPath);
        return false;
    }
    size_t got = fread(pu8Buf, 1, size, pFile);
    bool bLonger = got == size && fgetc(pFile) != EOF;
    bool bError = ferror(pFile) != 0;
    fclose(pFile);
    if (bError) {
        s32Refuse("%s: cannot be read", pcPath);
        return false;
    }
    *pu64Total = !bLonger ? got : u64Size > size ? u64Size : size + 1;
    return true;
}

bool bOutputUsable(const char *pcOut)
{
    const char *pcKind = strcmp(pcOut, "-") == 0 ? nullptr : pcFsNotRegular(pcOut);
    if (pcKind)
        s32Refuse("-o %s: is %s, not a regular file; name a file, or - for standard output",
                  pcOut, pcKind);
    return !pcKind;
}

bool bOutputIsNotInput(const char *pcOut, const char *pcInput, const char *pcWhat)
{
    if (strcmp(pcOut, "-") == 0 || !bFsSameFile(pcOut, pcInput))
        return true;
    s32Refuse("-o %s: the same file as %s %s; name another file", pcOut, pcWhat, pcInput);
    return false;
}

bool bWriteWhole(const char *pcPath, const void *pvBytes, size_t count)
{
    if (strcmp(pcPath, "-") == 0)
        return fwrite(pvBytes, 1, count, stdout) == count; // told when it is closed
    static stTextWriter stWriter;
    if (bTextWriterOpen(&stWriter, pcPath)) {
        vRawWrite(&stWriter, pvBytes, count);
        if (bTextWriterCommit(&stWriter))
            return true;
    }
    s32Refuse("%s: cannot be written: %s", pcPath, pcTextWriterWhy(&stWriter));
    return false;
}

bool bCloseStdout(void)
{
    errno = 0;
    bool bFlushed = fflush(stdout) == 0;
    int s32Error = bFlushed ? 0 : errno;
    bool bWritten = bFlushed && !ferror(stdout);
    if (fclose(stdout) != 0 && bWritten) {
        bWritten = false;
        s32Error = errno;
    }
    if (!bWritten)
        s32Refuse("standard output: cannot be written%s%s", s32Error ? ": " : "",
                  s32Error ? strerror(s32Error) : "");
    return bWritten;
}

const char *pcPlural(uint64_t u64Count) { return u64Count == 1 ? "" : "s"; }

bool bReadPackage(const char *pcPath, uint8_t *pu8Pkg, uint64_t *pu64Size)
{
    memset(pu8Pkg, 0, PKG_FILE_SIZE);
    return bReadFile(pcPath, pu8Pkg, PKG_FILE_SIZE, pu64Size);
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
