// The one conversion between UTF-8 and UTF-16 the Windows program makes for
// its paths and texts: whole or refused, cut only where asked.
#include "platform/filesys/utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct stWide {
    int32_t s32Result;
    std::vector<uint16_t> units;
    bool operator==(const stWide &other) const { return s32Result == other.s32Result && units == other.units; }
};

void PrintTo(const stWide &wide, std::ostream *pOut)
{
    *pOut << "result " << wide.s32Result << ", " << wide.units.size() << " units";
}

// The output buffer is filled with 0xAAAA first, so a missing NUL shows.
stWide Wide(const char *pcText, size_t outCount = 64, int32_t bCutToFit = 0)
{
    std::vector<uint16_t> units(outCount + 1, 0xAAAA);
    stWide wide = {s32Utf8ToUtf16(pcText, units.data(), outCount, bCutToFit), {}};
    size_t count = 0;
    while (count < outCount && units[count] != 0)
        count++;
    EXPECT_LT(count, outCount) << "no NUL for " << pcText;
    units.resize(count);
    wide.units = units;
    return wide;
}

std::pair<int32_t, std::string> Narrow(std::vector<uint16_t> units, size_t size = 64, int32_t bCutToFit = 0)
{
    units.push_back(0);
    std::string text(size + 1, 'X');
    int32_t s32Result = s32Utf16ToUtf8(units.data(), &text[0], size, bCutToFit);
    size_t count = text.find('\0');
    EXPECT_LT(count, size);
    text.resize(count);
    return {s32Result, text};
}

const char gcMissing[] = "\xE6\xAA\x94\xE6\xA1\x88\xE4\xB8\x8D\xE5\xAD\x98\xE5\x9C\xA8\xE3\x80\x82";
const std::vector<uint16_t> gu16Missing = {0x6A94, 0x6848, 0x4E0D, 0x5B58, 0x5728, 0x3002};

TEST(Utf16, ConvertsBothWaysWhole)
{
    EXPECT_EQ(Wide(gcMissing), (stWide{UTF16_OK, gu16Missing}));
    EXPECT_EQ(Narrow(gu16Missing), std::make_pair(UTF16_OK + 0, std::string(gcMissing)));
    EXPECT_EQ(Wide("A\xF0\x9F\x98\x80"), (stWide{UTF16_OK, {'A', 0xD83D, 0xDE00}}));
    EXPECT_EQ(Narrow({'A', 0xD83D, 0xDE00}), std::make_pair(UTF16_OK + 0, std::string("A\xF0\x9F\x98\x80")));
    // The edges of each length: U+007F, U+0080, U+07FF, U+0800, U+FFFD, U+10FFFF.
    const char *pcEdges = "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF";
    const std::vector<uint16_t> edges = {0x7F, 0x80, 0x7FF, 0x800, 0xFFFD, 0xDBFF, 0xDFFF};
    EXPECT_EQ(Wide(pcEdges), (stWide{UTF16_OK, edges}));
    EXPECT_EQ(Narrow(edges).second, pcEdges);
    EXPECT_EQ(Wide(""), (stWide{UTF16_OK, {}}));
    EXPECT_EQ(Wide(nullptr), (stWide{UTF16_OK, {}}));
}

TEST(Utf16, RefusesWhatIsNotUtf8)
{
    const stWide refused = {UTF16_BAD_UTF8, {}};
    EXPECT_EQ(Wide("ok\xC0\xAF"), refused);          // overlong '/'
    EXPECT_EQ(Wide("\xE0\x9F\x80"), refused);        // overlong three bytes
    EXPECT_EQ(Wide("\xED\xA0\x80"), refused);        // a surrogate half, encoded
    EXPECT_EQ(Wide("\xF4\x90\x80\x80"), refused);    // above U+10FFFF
    EXPECT_EQ(Wide("a\x80"), refused);               // a lone continuation byte
    EXPECT_EQ(Wide("\xC0\xC9"), refused);            // a Big5 name
    EXPECT_EQ(Wide("\xFF"), refused);
    EXPECT_EQ(Wide("\xE6\xAA!"), refused);           // a sequence broken off
    EXPECT_EQ(Wide("ab\xF0\x9F\x98"), refused);      // the text ends inside one
    // Refused even where a cut would have dropped the bad part.
    EXPECT_EQ(Wide("abc\xFF", 3, 1), refused);
    EXPECT_STREQ(pcUtf16Reason(UTF16_BAD_UTF8), "not valid UTF-8");

    EXPECT_EQ(bUtf8Valid(gcMissing, sizeof(gcMissing) - 1), 1);
    EXPECT_EQ(bUtf8Valid("a\0b", 3), 1);
    EXPECT_EQ(bUtf8Valid("\xC0\xC9", 2), 0);
    EXPECT_EQ(bUtf8Valid(gcMissing, sizeof(gcMissing) - 2), 0);
}

TEST(Utf16, RefusesHalfAPair)
{
    EXPECT_EQ(Narrow({'A', 0xD83D}), std::make_pair(UTF16_LONE_SURROGATE + 0, std::string()));
    EXPECT_EQ(Narrow({0xDE00, 'A'}), std::make_pair(UTF16_LONE_SURROGATE + 0, std::string()));
    EXPECT_EQ(Narrow({0xD83D, 'A', 0xDE00}), std::make_pair(UTF16_LONE_SURROGATE + 0, std::string()));
    EXPECT_EQ(Narrow({'A', 0xD83D}, 64, 1).first, UTF16_LONE_SURROGATE);
    const uint16_t u16Lone[] = {'A', 0xDE00, 0};
    EXPECT_EQ(szUtf8LengthOf(u16Lone), 0u);
    const uint16_t u16Text[] = {'A', 0x6A94, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(szUtf8LengthOf(u16Text), 8u);
}

TEST(Utf16, RefusesWhatDoesNotFitUnlessToldToCut)
{
    // Six characters need seven units with the NUL.
    EXPECT_EQ(Wide(gcMissing, 7), (stWide{UTF16_OK, gu16Missing}));
    EXPECT_EQ(Wide(gcMissing, 6), (stWide{UTF16_TOO_LONG, {}}));
    EXPECT_EQ(Wide(gcMissing, 3, 1), (stWide{UTF16_CUT, {0x6A94, 0x6848}}));
    // A pair is never split: one unit left is not enough for it.
    EXPECT_EQ(Wide("A\xF0\x9F\x98\x80", 3), (stWide{UTF16_TOO_LONG, {}}));
    EXPECT_EQ(Wide("A\xF0\x9F\x98\x80", 3, 1), (stWide{UTF16_CUT, {'A'}}));
    EXPECT_EQ(Wide("A\xF0\x9F\x98\x80" "B", 4, 1), (stWide{UTF16_CUT, {'A', 0xD83D, 0xDE00}}));
    uint16_t u16Untouched = 0xAAAA;
    EXPECT_EQ(s32Utf8ToUtf16("A", &u16Untouched, 0, 1), UTF16_TOO_LONG);
    EXPECT_EQ(u16Untouched, 0xAAAA);

    // Eighteen bytes and the NUL; a three-byte character never split.
    EXPECT_EQ(Narrow(gu16Missing, 19).first, UTF16_OK);
    EXPECT_EQ(Narrow(gu16Missing, 18), std::make_pair(UTF16_TOO_LONG + 0, std::string()));
    EXPECT_EQ(Narrow(gu16Missing, 6, 1), std::make_pair(UTF16_CUT + 0, std::string("\xE6\xAA\x94")));
    EXPECT_EQ(Narrow({'A', 0xD83D, 0xDE00}, 5, 1), std::make_pair(UTF16_CUT + 0, std::string("A")));
    EXPECT_STREQ(pcUtf16Reason(UTF16_TOO_LONG), "too long");
}

} // namespace
