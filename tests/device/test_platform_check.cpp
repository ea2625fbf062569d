#include "tests/device/fake_assist.h"
#include "tests/support/test_env.h"

#include "device/platform_check.h"
#include "files/msg_log.h"
#include "platform/assist/AssistDll.h"
#include "platform/assist/os_code.h"

namespace {

const char gc_Warning[] = "Warning ! Tavolin can only support Win 2K, Win XP, Win Vista and Win 7 !";

class PlatformCheckTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        LoadPanels();
        gs32_FakeOsCalls = 0;
        gs32_FakeWordCalls = 0;
    }

    std::string Check(uint8_t u8Code, uint8_t u8Is64, int32_t *ps32Result)
    {
        ResetTextBox(MainPanel(), 37, "");
        gu8_FakeOsVersion = u8Code;
        gu8_FakeIs64bit = u8Is64;
        *ps32Result = bCheckOsPlatform();
        return MsgBox();
    }
};

TEST_F(PlatformCheckTest, SupportedCodesLogNameAndWordSize)
{
    struct {
        uint8_t u8Code;
        const char *pcName;
    } cases[] = {{11, "Win 2K"},    {12, "Win 2K"},    {16, "Win XP"}, {19, "Win XP"},
                 {31, "Win Vista"}, {39, "Win Vista"}, {55, "Win 7"},  {63, "Win 7"},
                 {70, "Win 8"},     {75, "Win 8.1"},   {80, "Win 10"}, {90, "Win 11"},
                 {ASSIST_OS_LINUX, "Linux"}};
    for (const auto &c : cases) {
        for (uint8_t u8Is64 : {0, 1}) {
            int32_t s32Result = -1;
            std::string box = Check(c.u8Code, u8Is64, &s32Result);
            std::string expected = std::string("OS Platform Information : ") + c.pcName + " (" +
                                   (u8Is64 ? "64" : "32") + " bit) \n>";
            EXPECT_EQ(box, expected) << int(c.u8Code);
            EXPECT_EQ(s32Result, 1);
        }
    }
}

TEST_F(PlatformCheckTest, UnsupportedNeighboursLogOnlyTheWarning)
{
    const int s32Linux = ASSIST_OS_LINUX;
    for (int s32Code : {0, 10, 13, 15, 20, 30, 40, 54, 64, 69, 71, 74, 76, 79, 81, 89, 91,
                        s32Linux - 1, s32Linux + 1, 255}) {
        int32_t s32Result = -1;
        EXPECT_EQ(Check((uint8_t)s32Code, 1, &s32Result), gc_Warning) << s32Code;
        EXPECT_EQ(s32Result, 0);
    }
}

TEST_F(PlatformCheckTest, WarningCarriesNoPromptSoTheNextMessageJoinsItsLine)
{
    int32_t s32Result = -1;
    Check(64, 0, &s32Result);
    vPrintMsg("Set DDC / I2C speed = %d KHz\n>", 100);
    EXPECT_EQ(MsgBox(), std::string(gc_Warning) + "Set DDC / I2C speed = 100 KHz\n>");
}

TEST_F(PlatformCheckTest, AsksEachQuestionOnce)
{
    int32_t s32Result = -1;
    Check(55, 1, &s32Result);
    EXPECT_EQ(gs32_FakeOsCalls, 1);
    EXPECT_EQ(gs32_FakeWordCalls, 1);
}

// What the system's version numbers become, for the check above to name.
TEST(OsCodeTest, VersionNumbersMapToTheCodesTheCheckNames)
{
    struct {
        uint32_t u32Major, u32Minor, u32Build;
        uint8_t u8Code;
    } cases[] = {{5, 0, 2195, 11},  {5, 1, 2600, 16},  {5, 2, 3790, 17},  {6, 0, 6002, 31},
                 {6, 1, 7601, 55},  {6, 2, 9200, 70},  {6, 3, 9600, 75},  {10, 0, 10240, 80},
                 {10, 0, 21999, 80}, {10, 0, 22000, 90}, {10, 0, 26100, 90}, {4, 0, 1381, 0},
                 {5, 3, 0, 0},      {6, 4, 9841, 0},   {10, 1, 0, 0},     {11, 0, 0, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(u8OsCodeOf(c.u32Major, c.u32Minor, c.u32Build), c.u8Code)
            << c.u32Major << "." << c.u32Minor << " build " << c.u32Build;
}

} // namespace
