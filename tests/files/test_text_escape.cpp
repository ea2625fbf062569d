#include "files/text_escape.h"

#include <gtest/gtest.h>

namespace {

// Backslash, quote, ESC, line feed, DEL and a UTF-8 letter, in each mode.
const char gc_Input[] = "a\\\"\x1B\n\x7F\xC3\xBC";

TEST(TextEscape, EachModeEscapesItsOwnBytes)
{
    char cOut[ESCAPED_SIZE(sizeof(gc_Input))];
    EXPECT_STREQ(pcEscapeText(gc_Input, ESCAPE_CONTROLS, cOut, sizeof(cOut)),
                 "a\\\"\\x1B\\x0A\\x7F\xC3\xBC");
    EXPECT_STREQ(pcEscapeText(gc_Input, ESCAPE_TEXT, cOut, sizeof(cOut)),
                 "a\\\\\"\\x1B\\x0A\\x7F\\xC3\\xBC");
    EXPECT_STREQ(pcEscapeText(gc_Input, ESCAPE_LINES, cOut, sizeof(cOut)),
                 "a\\\\\"\\x1B\n\\x7F\\xC3\\xBC");
    EXPECT_STREQ(pcEscapeText(gc_Input, ESCAPE_JSON, cOut, sizeof(cOut)),
                 "a\\\\\\\"\\u001B\\u000A\\u007F\\u00C3\\u00BC");
}

TEST(TextEscape, OnlyWholeEscapesFit)
{
    char cOut[7];
    EXPECT_STREQ(pcEscapeText("ab\x1B", ESCAPE_TEXT, cOut, sizeof(cOut)), "ab\\x1B");
    EXPECT_STREQ(pcEscapeText("abc\x1B", ESCAPE_TEXT, cOut, sizeof(cOut)), "abc");
    EXPECT_STREQ(pcEscapeText("a\x1B", ESCAPE_JSON, cOut, 7), "a");
    char cUntouched = 'x';
    pcEscapeText("a", ESCAPE_TEXT, &cUntouched, 0);
    EXPECT_EQ(cUntouched, 'x');
}

} // namespace
