// Text files as the program's first platform kept them on disk: a line feed
// written becomes CR LF, and CR LF read back becomes a line feed, so a file
// moves between machines unchanged. A written file replaces its target only
// when it was written whole.
#ifndef TEXTMODE_H
#define TEXTMODE_H

#include "app/params.h"

#include <stdio.h>

struct stTextWriter {
    FILE *pFile;       // the temporary file beside the target; null when closed
    bool bFailed;      // a write went wrong: the target must not be replaced
    char cTarget[TEXT_BUF_SIZE];
    char cTemp[TEXT_BUF_SIZE + 8];
};

// Opens "<path>.tmp" for writing; false (nothing created) when it cannot.
bool bTextWriterOpen(stTextWriter *pstWriter, const char *pcPath);
// Writes the text with every line feed as CR LF.
void vTextWrite(stTextWriter *pstWriter, const char *pcText);
// Writes bytes as they are, for files that are not text.
void vRawWrite(stTextWriter *pstWriter, const void *pvBytes, size_t count);
// Closes the temporary file and renames it over the target; on any failure
// the temporary file is removed, the target is left as it was, and false
// is returned.
bool bTextWriterCommit(stTextWriter *pstWriter);

// Reads one line of at most size - 1 characters into pcLine, as fgets does
// (a longer line comes in pieces), with CR LF read as a line feed. False at
// the end of the file.
bool bTextReadLine(FILE *pFile, char *pcLine, size_t size);

#endif
