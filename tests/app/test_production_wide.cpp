// A production unit whose port image has 512 bytes, on the memories
// declared to hold it: the stamp changes block 0 alone, as ever.
#include "tests/support/device_fixture.h"
#include "tests/support/package_maker.h"

#include "app/cmd_queue.h"
#include "app/production.h"
#include "files/edid_stamp.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/process/process.h"
#include "platform/records/records.h"
#include "ui/Pavimo.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class WideProductionTest : public DeviceTest {
protected:
    void TearDown() override
    {
        vRecClose();
        vRecSetTimeForTest(nullptr);
        vProcSetDateForTest(0, 0, 0);
        gs32_UnitRunning = 0;
        vPkgUseStampedImage(0, nullptr, 0);
        vStationDefaults(&gst_Station);
        DeviceTest::TearDown();
    }
};

TEST_F(WideProductionTest, AUnitStampsBlock0OfA512ByteImageOnBothWideMemories)
{
    vRecSetTimeForTest("2026-12-08T10:00:00Z");
    vProcSetDateForTest(2026, 12, 8);
    vUiSetMessageResponder([](const char *, const char *, void *) {}, nullptr);
    AddBlankDisplay(512);
    AddBlankDisplay(512);
    vDdcBenchSetAddressing(0, DDC_ADDRESSING_SEGMENT);
    vDdcBenchSetAddressing(1, DDC_ADDRESSING_BLOCKS);
    Bytes image = lstMakeEdid(3, "ACR", 0x1234);
    const uint8_t u8Head[] = {0, 0, 0, 0xFF, 0};
    std::copy(u8Head, u8Head + 5, image.begin() + 72);
    std::fill(image.begin() + 77, image.begin() + 90, 0x20);
    uint8_t u8Sum = 0;
    for (int i = 0; i < 127; i++)
        u8Sum = (uint8_t)(u8Sum + image[i]);
    image[127] = (uint8_t)(0x100 - u8Sum);
    InitLibrary();
    vUsePackageFile(m_dir.file("job.pkg"), lstMakePackage({{"HDMI", image}, {"DP", image}}));
    s32CheckPkgInfoAction();
    vWriteFile(m_dir.file(STATION_FILE_NAME), "Production = 1\nStation = Line 4\n"
                                              "WeekYear = 49 2026\nPortMap = HDMI:1, DP:2\n");
    vLoadStation();
    DisplayPanel(MainPanel());
    SetCtrlVal(MainPanel(), MAIN_UNIT_SERIAL, "SN-0512");
    UiKeyPress(MainPanel(), MAIN_UNIT_SERIAL, VAL_ENTER_VKEY);
    for (int i = 0; i < 400 && (s32WaitingCommandCount() > 0 || gs32_UnitRunning); i++)
        Ticks(1);
    char cResult[64] = "";
    GetCtrlVal(MainPanel(), MAIN_UNIT_RESULT, cResult);
    EXPECT_STREQ(cResult, "PASS\nSN-0512");

    Bytes stamped = image;
    stStampPlan stPlan = {"SN-0512", STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_FIXED, 49, 2026};
    stStampResult stResult;
    char cWhy[STAMP_WHY_MAX];
    ASSERT_TRUE(bStampEdid(stamped.data(), (uint32_t)stamped.size(), &stPlan, &stResult, cWhy,
                           sizeof(cWhy)));
    EXPECT_NE(Bytes(stamped.begin(), stamped.begin() + 128),
              Bytes(image.begin(), image.begin() + 128));
    EXPECT_EQ(Bytes(stamped.begin() + 128, stamped.end()), Bytes(image.begin() + 128, image.end()));
    EXPECT_EQ(lstDdcBenchMemory(0), stamped);
    EXPECT_EQ(lstDdcBenchMemory(1), stamped);
}

} // namespace
