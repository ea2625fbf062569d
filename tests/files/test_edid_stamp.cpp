// A unit's identity stamped into real EDID images, and the identity read
// back for the panel.
#include "tests/support/edid_corpus.h"

#include "files/edid_image.h"
#include "files/edid_stamp.h"
#include "files/station.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

using Bytes = std::vector<uint8_t>;

const int DESC_OFFSETS[] = {54, 72, 90, 108};

// Where the first serial descriptor's text starts, or -1.
int SerialTextAt(const Bytes &image)
{
    for (int at : DESC_OFFSETS)
        if (image[at] == 0 && image[at + 1] == 0 && image[at + 2] == 0 && image[at + 3] == 0xFF &&
            image[at + 4] == 0)
            return at + 5;
    return -1;
}

// Where the first descriptor of the tag starts, or -1.
int DescriptorAt(const Bytes &image, uint8_t u8Tag)
{
    for (int at : DESC_OFFSETS)
        if (image[at] == 0 && image[at + 1] == 0 && image[at + 2] == 0 && image[at + 3] == u8Tag)
            return at;
    return -1;
}

bool GoodBase(const Bytes &image)
{
    return image.size() >= 128 && u32EdidBlockSum(image.data(), 0) == 0;
}

// The first good image of the corpus that passes the test, or empty; a
// longer image first, so that the blocks after block 0 are seen unchanged.
Bytes FindImage(const std::vector<stCorpusEdid> &corpus, bool (*pfnWanted)(const Bytes &))
{
    for (size_t minimum : {256u, 128u})
        for (const stCorpusEdid &edid : corpus)
            if (edid.bytes.size() >= minimum && GoodBase(edid.bytes) && pfnWanted(edid.bytes))
                return edid.bytes;
    return {};
}

int BlockSum(const Bytes &image)
{
    int sum = 0;
    for (int i = 0; i < 128; i++)
        sum += image[i];
    return sum & 0xFF;
}

Bytes Text13(const std::string &text)
{
    Bytes bytes(text.begin(), text.end());
    if (bytes.size() < 13)
        bytes.push_back(0x0A);
    bytes.resize(13, 0x20);
    return bytes;
}

struct Case {
    const char *pcSerial;
    int32_t s32Numeric;
    uint32_t u32Counter;
    int32_t s32WeekYear;
    int32_t s32Week, s32Year;
    int s32Serial[4];   // expected bytes 12..15; -1 keeps the image's byte
    int s32WeekYearBytes[2];
};

stStampPlan Plan(const Case &c)
{
    return {c.pcSerial, c.s32Numeric, c.u32Counter, c.s32WeekYear, c.s32Week, c.s32Year};
}

// Stamps a copy and checks every byte: the ones the case names, the
// descriptor, the checksum, and nothing else of any block.
void ExpectStamp(const Bytes &original, const Case &c, bool bModelYear)
{
    SCOPED_TRACE(std::string("serial ") + c.pcSerial + " numeric " +
                 std::to_string(c.s32Numeric) + " week-year " + std::to_string(c.s32WeekYear));
    Bytes image = original;
    stStampPlan stPlan = Plan(c);
    stStampResult stResult = {};
    char cWhy[STAMP_WHY_MAX] = "";
    ASSERT_TRUE(bStampEdid(image.data(), (uint32_t)image.size(), &stPlan, &stResult, cWhy,
                           sizeof(cWhy)))
        << cWhy;
    Bytes expected = original;
    for (int i = 0; i < 4; i++)
        if (c.s32Serial[i] >= 0)
            expected[12 + i] = (uint8_t)c.s32Serial[i];
    if (!bModelYear)
        for (int i = 0; i < 2; i++)
            if (c.s32WeekYearBytes[i] >= 0)
                expected[16 + i] = (uint8_t)c.s32WeekYearBytes[i];
    int textAt = SerialTextAt(original);
    if (textAt >= 0) {
        Bytes text = Text13(c.pcSerial);
        std::copy(text.begin(), text.end(), expected.begin() + textAt);
    }
    expected[127] = image[127];
    EXPECT_EQ(image, expected);
    EXPECT_EQ(BlockSum(image), 0);
    EXPECT_EQ(stResult.u32NumericSerial, (uint32_t)image[12] | image[13] << 8 | image[14] << 16 |
                                             (uint32_t)image[15] << 24);
    EXPECT_EQ(stResult.s32Week, image[16]);
    EXPECT_EQ(stResult.s32Year, 1990 + image[17]);
    EXPECT_EQ(stResult.bSerialDescriptor, textAt >= 0);
}

// Every numeric mode and week-year choice, the serial's digits in several
// places, and the serial's length at both ends.
const Case CASES[] = {
    {"SN000042", STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_TODAY, 12, 2026,
     {0x2A, 0, 0, 0}, {12, 36}},
    {"AB12CD345", STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_FIXED, 53, 2245,
     {0x59, 0x01, 0, 0}, {53, 255}},
    {"4294967295", STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_FIXED, 1, 1990,
     {0xFF, 0xFF, 0xFF, 0xFF}, {1, 0}},
    {"NO-DIGITS", STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_KEEP, 1, 2000,
     {-1, -1, -1, -1}, {-1, -1}},
    {"ABCDEFGHIJKLM", STATION_NUMERIC_COUNTER, 0x12345678, STATION_WEEKYEAR_TODAY, 7, 2024,
     {0x78, 0x56, 0x34, 0x12}, {7, 34}},
    {"X", STATION_NUMERIC_KEEP, 99, STATION_WEEKYEAR_KEEP, 0, 0, {-1, -1, -1, -1}, {-1, -1}},
};

TEST(EdidStamp, RealImagesInEveryMode)
{
    std::vector<stCorpusEdid> corpus = lstCorpus();
    if (corpus.empty())
        GTEST_SKIP() << strCorpusMissing();
    Bytes withText = FindImage(corpus, [](const Bytes &b) { return SerialTextAt(b) >= 0; });
    Bytes withoutText = FindImage(corpus, [](const Bytes &b) { return SerialTextAt(b) < 0; });
    Bytes modelYear = FindImage(corpus, [](const Bytes &b) { return b[16] == 0xFF; });
    ASSERT_FALSE(withText.empty());
    ASSERT_FALSE(withoutText.empty());
    if (modelYear.empty()) {
        modelYear = withText;
        modelYear[16] = 0xFF;
        modelYear[127] = (uint8_t)(modelYear[127] - (0xFF - withText[16]));
    }
    EXPECT_GT(withText.size(), 128u);
    for (const Case &c : CASES) {
        ExpectStamp(withText, c, false);
        ExpectStamp(withoutText, c, false);
        ExpectStamp(modelYear, c, true);
    }

    // Only the first serial descriptor holds the serial: a second one, put
    // where another descriptor was, keeps its text.
    int firstText = SerialTextAt(withText);
    int second = firstText - 5 == 108 ? 90 : 108;
    Bytes twice = withText;
    std::copy(withText.begin() + firstText - 5, withText.begin() + firstText + 13,
              twice.begin() + second);
    twice[127] = 0;
    twice[127] = (uint8_t)(0x100 - BlockSum(twice));
    ExpectStamp(twice, CASES[0], false);
}

TEST(EdidStamp, RefusalsLeaveTheImageAlone)
{
    Bytes image = lstCorpus().empty() ? Bytes(256, 0x11) : lstCorpus()[0].bytes;
    const Bytes original = image;
    struct Refusal {
        Case c;
        const char *pcWhy;
    } refusals[] = {
        {{"", 0, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}}, "the serial is empty"},
        {{"ABCDEFGHIJKLMN", 0, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}},
         "the serial has 14 characters; at most 13 fit"},
        {{"SN\t42", 0, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}},
         "the serial's character 3 is 0x09, not printable ASCII"},
        {{"SN\xC3\xA9", 0, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}},
         "the serial's character 3 is 0xC3, not printable ASCII"},
        {{" SN42", 0, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}}, "the serial begins with a blank"},
        {{"SN42 ", 0, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}}, "the serial ends with a blank"},
        {{"SN4294967296", STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_KEEP, 1, 2000, {}, {}},
         "the serial's last digits 4294967296 are 4294967296, more than the 32-bit numeric "
         "serial holds (4294967295)"},
        {{"SN1", STATION_NUMERIC_COUNTER, 7, STATION_WEEKYEAR_FIXED, 0, 2026, {}, {}},
         "the week is 0; it must be 1 to 53"},
        {{"SN1", STATION_NUMERIC_COUNTER, 7, STATION_WEEKYEAR_TODAY, 54, 2026, {}, {}},
         "the week is 54; it must be 1 to 53"},
        {{"SN1", STATION_NUMERIC_COUNTER, 7, STATION_WEEKYEAR_FIXED, 1, 1989, {}, {}},
         "the year is 1989; it must be 1990 to 2245"},
        {{"SN1", STATION_NUMERIC_COUNTER, 7, STATION_WEEKYEAR_FIXED, 1, 2246, {}, {}},
         "the year is 2246; it must be 1990 to 2245"},
    };
    for (const Refusal &r : refusals) {
        stStampPlan stPlan = Plan(r.c);
        stStampResult stResult = {};
        char cWhy[STAMP_WHY_MAX] = "";
        EXPECT_FALSE(bStampEdid(image.data(), (uint32_t)image.size(), &stPlan, &stResult, cWhy,
                                sizeof(cWhy)));
        EXPECT_STREQ(cWhy, r.pcWhy);
        EXPECT_EQ(image, original) << r.pcWhy;
    }
    char cWhy[STAMP_WHY_MAX] = "";
    stStampPlan stPlan = Plan(CASES[0]);
    stStampResult stResult = {};
    EXPECT_FALSE(bStampEdid(image.data(), 127, &stPlan, &stResult, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "the image has 127 bytes; its block 0 needs 128");
    EXPECT_EQ(image, original);
    EXPECT_TRUE(bCheckUnitSerial("~ A", cWhy, sizeof(cWhy)));
}

TEST(EdidStamp, IsoWeekAtTheYearsEdges)
{
    struct Day {
        int y, m, d, week, weekYear;
    } days[] = {
        {2020, 12, 31, 53, 2020}, {2021, 1, 1, 53, 2020}, {2021, 1, 3, 53, 2020},
        {2021, 1, 4, 1, 2021},    {2024, 12, 29, 52, 2024}, {2024, 12, 30, 1, 2025},
        {2026, 3, 16, 12, 2026},  {2026, 12, 28, 53, 2026}, {2027, 1, 1, 53, 2026},
        {2027, 1, 3, 53, 2026},   {2027, 1, 4, 1, 2027},  {2015, 12, 31, 53, 2015},
        {2016, 2, 29, 9, 2016},   {1990, 1, 1, 1, 1990},  {2000, 1, 2, 52, 1999},
    };
    for (const Day &day : days) {
        int32_t s32Week = 0, s32WeekYear = 0;
        vIsoWeekOfDate(day.y, day.m, day.d, &s32Week, &s32WeekYear);
        EXPECT_EQ(s32Week, day.week) << day.y << "-" << day.m << "-" << day.d;
        EXPECT_EQ(s32WeekYear, day.weekYear) << day.y << "-" << day.m << "-" << day.d;
    }
}

TEST(EdidStamp, IdentityForThePanel)
{
    std::vector<stCorpusEdid> corpus = lstCorpus();
    if (corpus.empty())
        GTEST_SKIP() << strCorpusMissing();
    const stCorpusEdid *pstEdid = nullptr;
    for (const stCorpusEdid &edid : corpus)
        if (edid.bytes.size() == 256 && edid.fields.at("all_checksums_ok") == "1" &&
            SerialTextAt(edid.bytes) >= 0 && DescriptorAt(edid.bytes, 0xFC) >= 0)
            pstEdid = &edid;
    ASSERT_NE(pstEdid, nullptr);
    Bytes image = pstEdid->bytes;
    const char name[] = "Tavo 27  \n   ";
    std::copy(name, name + 13, image.begin() + DescriptorAt(image, 0xFC) + 5);
    stStampPlan stPlan = {"SN000042", STATION_NUMERIC_COUNTER, 12345,
                          STATION_WEEKYEAR_FIXED, 12, 2026};
    stStampResult stResult = {};
    char cWhy[STAMP_WHY_MAX] = "";
    ASSERT_TRUE(bStampEdid(image.data(), 256, &stPlan, &stResult, cWhy, sizeof(cWhy))) << cWhy;

    stEdidIdentity stId;
    char cText[400];
    vEdidIdentityOf(image.data(), 256, &stId);
    std::string head = "Manufacturer: " + pstEdid->fields.at("manufacturer") + "  Product: 0x";
    char cProduct[8];
    snprintf(cProduct, sizeof(cProduct), "%04X",
             (unsigned)std::stoul(pstEdid->fields.at("product_code_hex"), nullptr, 16));
    std::string expected = head + cProduct +
                           "\nName: Tavo 27\nSerial: 12345 \"SN000042\"\nMade: week 12 of "
                           "2026\nSize: 256 bytes, checksums right\n";
    EXPECT_EQ(u32FormatEdidIdentity(&stId, cText, sizeof(cText)), expected.size());
    EXPECT_EQ(cText, expected);
    EXPECT_EQ(u32FormatEdidIdentity(&stId, cText, 11), 10u);
    EXPECT_EQ(std::string(cText), expected.substr(0, 10));

    // A model year, no name, no serial text, a wrong checksum in block 1.
    image[16] = 0xFF;
    image[17] = 28;
    while (DescriptorAt(image, 0xFC) >= 0)
        image[DescriptorAt(image, 0xFC) + 3] = 0xFE;
    image[SerialTextAt(image) - 2] = 0xFE;
    image[127] = 0;
    image[127] = (uint8_t)(0x100 - BlockSum(image));
    image[200] ^= 1;
    vEdidIdentityOf(image.data(), 256, &stId);
    expected = head + cProduct +
               "\nName: (none)\nSerial: 12345, no serial text\nMade: model year 2018\nSize: "
               "256 bytes, checksums wrong\n";
    u32FormatEdidIdentity(&stId, cText, sizeof(cText));
    EXPECT_EQ(cText, expected);

    vEdidIdentityOf(image.data(), 100, &stId);
    u32FormatEdidIdentity(&stId, cText, sizeof(cText));
    EXPECT_STREQ(cText, "Size: 100 bytes, too short for an EDID\n");
    vEdidIdentityOf(nullptr, 0, &stId);
    EXPECT_EQ(u32FormatEdidIdentity(&stId, cText, sizeof(cText)), 37u);
}

} // namespace
