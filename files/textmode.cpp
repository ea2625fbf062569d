#include "files/textmode.h"

#include <string.h>

namespace {

// One character of the file, CR LF taken as LF; EOF at the end.
int s32TextGetc(FILE *pFile)
{
    int c = fgetc(pFile);
    if (c != '\r')
        return c;
    int next = fgetc(pFile);
    if (next == '\n')
        return '\n';
    if (next != EOF)
        ungetc(next, pFile);
    return '\r';
}

} // namespace

bool bTextWriterOpen(stTextWriter *pstWriter, const char *pcPath)
{
    return bSafeFileOpen(&pstWriter->stFile, pcPath, SAFE_FILE_NAMED);
}

bool bTextWriterOpenOwn(stTextWriter *pstWriter, const char *pcPath)
{
    return bSafeFileOpen(&pstWriter->stFile, pcPath, SAFE_FILE_OWN);
}

void vTextWrite(stTextWriter *pstWriter, const char *pcText)
{
    for (const char *pc = pcText; *pc;) {
        size_t length = strcspn(pc, "\n");
        vSafeFileWrite(&pstWriter->stFile, pc, length);
        pc += length;
        if (*pc == '\n') {
            vSafeFileWrite(&pstWriter->stFile, "\r\n", 2);
            pc++;
        }
    }
}

void vRawWrite(stTextWriter *pstWriter, const void *pvBytes, size_t count)
{
    vSafeFileWrite(&pstWriter->stFile, pvBytes, count);
}

bool bTextWriterCommit(stTextWriter *pstWriter) { return bSafeFileCommit(&pstWriter->stFile); }

const char *pcTextWriterWhy(const stTextWriter *pstWriter) { return pstWriter->stFile.cWhy; }

bool bTextReadLine(FILE *pFile, char *pcLine, size_t size)
{
    if (size == 0)
        return false;
    size_t n = 0;
    int c = EOF;
    while (n + 1 < size && (c = s32TextGetc(pFile)) != EOF) {
        pcLine[n++] = (char)c;
        if (c == '\n')
            break;
    }
    pcLine[n] = '\0';
    return n > 0;
}
