// Between the program's texts and paths (UTF-8) and the Win32 calls
// (UTF-16), for the Windows files of filesys/, process/ and records/.
#ifndef WINTEXT_WIN32_H
#define WINTEXT_WIN32_H

#include <stddef.h>
#include <stdint.h>

#define WIN_PATH_MAX 4096

// UTF-8 to UTF-16, NUL ended (utf16.h). False (and "") when the text is
// not valid UTF-8 or does not fit: a path is never turned into another name.
bool bWinWide(const char *pcText, wchar_t *pwcOut, size_t outCount);
// UTF-16 to UTF-8, NUL ended; false (and "") for half a pair or when it
// does not fit.
bool bWinUtf8(const wchar_t *pwcText, char *pcOut, size_t size);
// The system's words for an error code (GetLastError), without the closing
// period and line end, in UTF-8: "There is not enough space on the disk".
void vWinErrorText(uint32_t u32Error, char *pcOut, size_t size);
// What the path names when it is a device rather than a file, by its name
// alone ("NUL", "COM1", "C:\\x\\con.txt", "\\\\.\\pipe\\x"): "a character
// device" or "a device"; else null. Such a path is never opened: opening
// some devices does something.
const char *pcWinDeviceKind(const wchar_t *pwcPath);

#endif
