// Text files as the program's first platform kept them on disk: a line feed
// written becomes CR LF, and CR LF read back becomes a line feed, so a file
// moves between machines unchanged. A written file replaces its target only
// when it was written whole (platform/filesys): a file the user named is
// written through its symbolic links, one of the program's own replaces a
// link in its place; a target that is no regular file is refused.
#ifndef TEXTMODE_H
#define TEXTMODE_H

#include "platform/filesys/safefile.h"

#include <stdio.h>

struct stTextWriter {
    stSafeFile stFile;
};

// Checks the file the user named and opens a new file beside it; false
// (nothing created) when it cannot, the reason from pcTextWriterWhy.
bool bTextWriterOpen(stTextWriter *pstWriter, const char *pcPath);
// The same for one of the program's own files, in its folder.
bool bTextWriterOpenOwn(stTextWriter *pstWriter, const char *pcPath);
// Writes the text with every line feed as CR LF.
void vTextWrite(stTextWriter *pstWriter, const char *pcText);
// Writes bytes as they are, for files that are not text.
void vRawWrite(stTextWriter *pstWriter, const void *pvBytes, size_t count);
// Closes the new file and renames it over the target; on any failure the
// new file is removed, the target is left as it was, and false is
// returned.
bool bTextWriterCommit(stTextWriter *pstWriter);
// Why the open or the commit failed, in plain words ("No space left on
// device", "it is a folder, not a regular file").
const char *pcTextWriterWhy(const stTextWriter *pstWriter);

// Reads one line of at most size - 1 characters into pcLine, as fgets does
// (a longer line comes in pieces), with CR LF read as a line feed. False at
// the end of the file.
bool bTextReadLine(FILE *pFile, char *pcLine, size_t size);

#endif
