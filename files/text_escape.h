// Text shown to a person or written as JSON with the bytes that a terminal
// or a parser would act on escaped.
#ifndef TEXT_ESCAPE_H
#define TEXT_ESCAPE_H

#include <stddef.h>
#include <stdint.h>

enum {
    ESCAPE_CONTROLS = 0, // control bytes (below 0x20, and 0x7F) as \xXX, the rest as it is
    ESCAPE_TEXT = 1,     // backslashes doubled, every byte outside printable ASCII as \xXX
    ESCAPE_LINES = 2,    // as ESCAPE_TEXT, line feeds kept
    ESCAPE_JSON = 3,     // backslashes and quotes after a backslash, the rest as \u00XX
};

// The text escaped into pcOut, whole escapes only, as many as fit. Returns
// pcOut.
const char *pcEscapeText(const char *pcText, int32_t s32Mode, char *pcOut, size_t size);
// Room for any text of that many bytes in any mode.
#define ESCAPED_SIZE(length) ((length) * 6 + 1)

#endif
