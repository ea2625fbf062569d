// Texts and paths between the program (UTF-8) and the Windows W calls
// (UTF-16), both ways. Plain C++, so the Linux tests check the very
// conversion the Windows files make. A text is never turned into another:
// bad input is refused, and only a caller that shows the text may have it
// cut at a whole character to fit.
#ifndef UTF16_H
#define UTF16_H

#include <stddef.h>
#include <stdint.h>

enum eUtf16Result {
    UTF16_OK = 0,
    UTF16_CUT,            // cut at a whole character to fit (only when asked)
    UTF16_BAD_UTF8,       // a byte that begins or continues no character, an
                          // overlong form, a surrogate, a value above
                          // U+10FFFF or a sequence the text ends inside
    UTF16_LONE_SURROGATE, // half of a UTF-16 pair
    UTF16_TOO_LONG,       // does not fit the buffer
};

// UTF-8 to UTF-16, NUL ended in outCount units. On a refusal the output is
// empty. With bCutToFit a text too long gives its longest whole-character
// start and UTF16_CUT (a pair is never split).
int32_t s32Utf8ToUtf16(const char *pcText, uint16_t *pu16Out, size_t outCount, int32_t bCutToFit);
// UTF-16 to UTF-8, NUL ended in size bytes; the same rules.
int32_t s32Utf16ToUtf8(const uint16_t *pu16Text, char *pcOut, size_t size, int32_t bCutToFit);
// The UTF-8 bytes of a valid UTF-16 text (its NUL not counted), or 0 for
// one with a lone surrogate.
size_t szUtf8LengthOf(const uint16_t *pu16Text);
// 1 when the bytes are valid UTF-8 (a NUL among them included).
int32_t bUtf8Valid(const char *pcText, size_t length);
// The reason of a refusal in words: "not valid UTF-8".
const char *pcUtf16Reason(int32_t s32Result);

#endif
