#include "files/textmode.h"

#include <string.h>

namespace {

void vDropTemp(stTextWriter *pstWriter)
{
    if (pstWriter->pFile)
        fclose(pstWriter->pFile);
    pstWriter->pFile = nullptr;
    remove(pstWriter->cTemp);
}

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
    pstWriter->pFile = nullptr;
    pstWriter->bFailed = false;
    int s32Target = snprintf(pstWriter->cTarget, sizeof(pstWriter->cTarget), "%s", pcPath);
    int s32Temp = snprintf(pstWriter->cTemp, sizeof(pstWriter->cTemp), "%s.tmp", pcPath);
    // A cut path would name another file.
    bool bFits = s32Target >= 0 && (size_t)s32Target < sizeof(pstWriter->cTarget) &&
                 s32Temp >= 0 && (size_t)s32Temp < sizeof(pstWriter->cTemp);
    if (!pcPath[0] || !bFits)
        return false;
    pstWriter->pFile = fopen(pstWriter->cTemp, "wb");
    return pstWriter->pFile != nullptr;
}

void vTextWrite(stTextWriter *pstWriter, const char *pcText)
{
    if (!pstWriter->pFile)
        return;
    for (const char *pc = pcText; *pc; pc++) {
        if (*pc == '\n' && fputc('\r', pstWriter->pFile) == EOF)
            pstWriter->bFailed = true;
        if (fputc(*pc, pstWriter->pFile) == EOF)
            pstWriter->bFailed = true;
    }
}

void vRawWrite(stTextWriter *pstWriter, const void *pvBytes, size_t count)
{
    if (pstWriter->pFile && count > 0 && fwrite(pvBytes, 1, count, pstWriter->pFile) != count)
        pstWriter->bFailed = true;
}

bool bTextWriterCommit(stTextWriter *pstWriter)
{
    if (!pstWriter->pFile)
        return false;
    bool bWritten = !pstWriter->bFailed && fflush(pstWriter->pFile) == 0 &&
                    !ferror(pstWriter->pFile);
    if (!bWritten) {
        vDropTemp(pstWriter);
        return false;
    }
    int s32Closed = fclose(pstWriter->pFile);
    pstWriter->pFile = nullptr;
    if (s32Closed != 0 || rename(pstWriter->cTemp, pstWriter->cTarget) != 0) {
        remove(pstWriter->cTemp);
        return false;
    }
    return true;
}

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
