// The program's own detection, receive, erase, program and verify on real
// adapters, through the fake kernel: what the operator reads in the message
// box, and what the display's memory holds afterwards.
#include "fake_kernel.h"

#include "tests/support/edid_maker.h"
#include "tests/support/package_maker.h"
#include "tests/support/test_env.h"

#include "device/ddc_start.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/package.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench_test.h"
#include "ui/Pavimo.h"

#include <errno.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

namespace {

using Bytes = std::vector<uint8_t>;

class RealProgramTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        vDdcBenchUseKernel(m_kernel.Kernel());
        LoadPanels();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        vDdcBenchReset();
    }
    FakeAdapter &Display(const Bytes &image, bool bSmbus = false)
    {
        FakeAdapter &a = m_kernel.Add("i2c-4", "i915 gmbus dpb", image);
        if (bSmbus)
            a.funcs = I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_I2C_BLOCK;
        m_kernel.Connector("card0-HDMI-A-1", "i2c-4");
        return a;
    }
    std::string Start()
    {
        s32InitDdcAction();
        std::string box = MsgBox();
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
        return box;
    }
    void Package(const Bytes &image)
    {
        vUsePackageFile(m_dir.file("job.pkg"), lstMakePackage({{"HDMI1", image}}));
        s32CheckPkgInfoAction();
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    }
    void ProgramAndVerify(bool bSmbus)
    {
        Bytes old = lstMakeEdid(1, "BNQ", 0x0001), job = lstMakeEdid(1, "ACR", 0x1234);
        Display(old, bSmbus);
        std::string box = Start();
        EXPECT_NE(box.find("PNP ID : BNQ0001"), std::string::npos) << box;
        EXPECT_EQ(box.substr(box.size() - 9), " - Pass\n>");
        Package(job);
        EXPECT_EQ(s32EraseAction(), 1);
        EXPECT_EQ(m_kernel.Memory("i2c-4", 256), Bytes(256, 0xFF));
        EXPECT_EQ(s32ProgramAction(), 1);
        EXPECT_EQ(s32ReceiveAction(), 1);
        EXPECT_EQ(s32VerifyAction(), 1);
        EXPECT_EQ(MsgBox(), "Erasing device's EDID..\n> - Pass\n>"
                            "Programming device's EDID ...\n> - Pass\n>"
                            "Receiving device's EDID ...\n> - Pass\n>"
                            "Verifying device's EDID ...\n> - Pass\n>");
        EXPECT_EQ(m_kernel.Memory("i2c-4", 256), job);
    }
    FakeKernel m_kernel;
};

TEST_F(RealProgramTest, DetectsProgramsAndVerifiesADisplayOnAnI2cAdapter)
{
    ProgramAndVerify(false);
}

TEST_F(RealProgramTest, DetectsProgramsAndVerifiesADisplayOnAnSmbusAdapter)
{
    ProgramAndVerify(true);
}

TEST_F(RealProgramTest, ADisplayUnpluggedDuringTheProgramFailsIt)
{
    FakeAdapter &a = Display(lstMakeEdid(1));
    Start();
    Package(lstMakeEdid(1, "ACR", 0x1234));
    a.failErrno = ENXIO;
    a.failAfter = a.transfers + 3;
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n>"
                        " - Programming EDID fail, Error Code = 0x7000000B \n>"
                        " - Try \"Program\" again ...\n> - Fail\n>");
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    a.failErrno = ENODEV; // the USB adapter itself pulled
    m_kernel.Unplug("i2c-4");
    EXPECT_EQ(s32ReceiveAction(), 1);
    EXPECT_EQ(MsgBox(), "Receiving device's EDID ...\n> - Fail, Error Code = 0x7000001F \n> - Fail\n>");
}

// A bus that is not a display's, used only because its description allows
// it, is said so in the detection after the display's identifier.
TEST_F(RealProgramTest, TheDetectionWarnsOfABusUsedOnlyBecauseItsDescriptionAllowsIt)
{
    Display(lstMakeEdid(1, "BNQ", 0x0001));
    m_kernel.Add("i2c-9", "SMBus stub driver", lstMakeEdid(0, "ACR", 0x1234), "").funcs =
        I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_I2C_BLOCK;
    std::string desc = m_dir.file("bench.txt");
    vWriteFile(desc, "[output]\nconnector = card0-HDMI-A-1\n[output]\nadapter_name = SMBus stub "
                     "driver\nunsafe_non_display_bus = yes\n");
    setenv("DDCHELPER_BENCH", desc.c_str(), 1);
    std::string box = Start();
    unsetenv("DDCHELPER_BENCH");
    ASSERT_NE(box.find(" - Monitor 1"), std::string::npos) << box;
    EXPECT_EQ(box.substr(box.find(" - Monitor 1")),
              " - Monitor 1 : \n>      Status : Pass \n>      PNP ID : BNQ0001 \n>"
              " - Monitor 2 : \n>      Status : Pass \n>      PNP ID : ACR1234 \n>"
              "      Warning : not a display's bus; used only because its description allows it \n>"
              " - Pass\n>");
}

TEST_F(RealProgramTest, WithoutPermissionTheStartShowsTheCode)
{
    Display(lstMakeEdid(0)).openErrno = EACCES;
    std::string box = Start();
    EXPECT_NE(box.find(" - Fail ! Error Code = 0x7000001B \n>"), std::string::npos) << box;
}

} // namespace
