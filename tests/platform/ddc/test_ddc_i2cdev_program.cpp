// The program's own detection, receive, erase, program and verify on real
// adapters, through the fake kernel: what the operator reads in the message
// box, and what the display's memory holds afterwards.
#include "fake_kernel.h"

#include "tests/support/edid_maker.h"
#include "tests/support/package_maker.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "device/ddc_remedy.h"
#include "device/ddc_start.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "device/monitor_detect.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench_test.h"
#include "ui/Pavimo.h"

#include <ctype.h>
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
    // A blank 512-byte memory of that addressing on a plain I2C adapter,
    // programmed with a 512-byte EDID, read back and verified; the
    // transfers past byte 255 that carried it, the 32 packets as one line
    // with their count.
    std::vector<std::string> ProgramWide(uint32_t u32Addressing)
    {
        FakeAdapter &a = Display(Bytes(512, 0xFF));
        a.mem.u32Size = 512;
        a.mem.u32Addressing = u32Addressing;
        Start();
        vDdcBenchSetAddressing(0, u32Addressing);
        Package(m_wide);
        m_kernel.TakeLines();
        EXPECT_EQ(s32ProgramAction(), 1);
        EXPECT_EQ(s32ReceiveAction(), 1);
        EXPECT_EQ(s32VerifyAction(), 1);
        std::vector<std::string> past;
        int s32Packets = 0;
        for (const std::string &line : m_kernel.TakeLines()) {
            if (line.find("0x30") == std::string::npos && line.find("0x51") == std::string::npos)
                continue;
            if (line.find(" W 9: ") != std::string::npos && s32Packets++)
                continue;
            past.push_back(line);
        }
        past.push_back(std::to_string(s32Packets) + " packets");
        return past;
    }
    Bytes m_wide = lstMakeEdid(3, "ACR", 0x0512);
    FakeKernel m_kernel;
};

// The box's text with the lines a remedy was split into joined again; every
// line must fit in the box.
std::string Joined(std::string box)
{
    for (size_t at = 0, end = 0; at < box.size(); at = end + 1) {
        end = box.find('\n', at);
        end = end == std::string::npos ? box.size() : end;
        EXPECT_LE(end - at, (size_t)MSG_BOX_COLUMNS + 1) << box.substr(at, end - at);
    }
    for (size_t at = box.find("\n>   "); at != std::string::npos; at = box.find("\n>   "))
        box.replace(at, 5, " ");
    return box;
}

// A virtual machine has no display's bus: the list stays empty, and the
// operator learns why and how to ask for simulated displays instead of
// getting them unasked.
TEST_F(RealProgramTest, WithoutADisplayBusNothingIsListedAndTheRemedyNamesTheSimulatedBench)
{
    m_kernel.Add("i2c-0", "SMBus I801 adapter at efa0");
    const std::string linux = "his PC shows no display's DDC bus (no DRM connector with a DDC "
                              "adapter under /sys/class/drm, as in a virtual machine): connect "
                              "the displays to the graphics card's outputs and check its driver, "
                              "run 'sudo modprobe i2c-dev', or name the adapter in a bench "
                              "description; to try the program on simulated displays, start it "
                              "with DDCHELPER_BENCH=builtin";
    testing::internal::CaptureStderr();
    std::string box = Start();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin: t" + linux + "\n");
    ASSERT_NE(box.find("Detecting monitor ...\n>"), std::string::npos) << box;
    EXPECT_EQ(Joined(box.substr(box.find("Detecting monitor ...\n>"))),
              "Detecting monitor ...\n> - Fail ! Error Code = 0x70000009 \n> - T" + linux + "\n>");
    EXPECT_EQ(gu8_MonitorNum, 0);
    EXPECT_EQ(gu32_SimulatedOutputs, 0u);
    // No way to a display's bus at all (Windows): the line says that much.
    vShutdownDdc();
    vDiscardPanels();
    vDdcBenchReset();
    LoadPanels();
    testing::internal::CaptureStderr();
    box = Start();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tavolin: this PC has no display bus the program can drive: to try the program on "
              "simulated displays, start it with DDCHELPER_BENCH=builtin\n");
    EXPECT_EQ(Joined(box.substr(box.find("Detecting monitor ...\n>"))),
              "Detecting monitor ...\n> - Fail ! Error Code = 0x70000009 \n> - This PC has no "
              "display bus the program can drive: to try the program on simulated displays, "
              "start it with DDCHELPER_BENCH=builtin\n>");
}

// Asked for, the simulated displays are said to be so in the box, on
// standard error and in the title, which the settings keep without it.
TEST_F(RealProgramTest, TheBuiltInBenchAskedForIsSaidToBeSimulated)
{
    Display(lstMakeEdid(1, "BNQ", 0x0001));
    char cTitle[256] = "";
    GetPanelAttribute(MainPanel(), ATTR_TITLE, cTitle, sizeof(cTitle));
    const std::string own = cTitle;
    setenv("DDCHELPER_BENCH", "builtin", 1);
    testing::internal::CaptureStderr();
    std::string box = Start();
    unsetenv("DDCHELPER_BENCH");
    const std::string said = "imulated displays (the built-in bench): nothing is read from or "
                             "written to a real display";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin: s" + said + "\n");
    ASSERT_NE(box.find("PNP ID : TVL1301"), std::string::npos) << box;
    box = Joined(box);
    EXPECT_EQ(box.substr(box.size() - 9 - said.size() - 6), " - Pass\n> - S" + said + "\n>");
    EXPECT_EQ(gu32_SimulatedOutputs, 4u);
    GetPanelAttribute(MainPanel(), ATTR_TITLE, cTitle, sizeof(cTitle));
    EXPECT_EQ(std::string(cTitle), own + " - SIMULATED DISPLAYS");
    vExitHook();
    GetPanelAttribute(MainPanel(), ATTR_TITLE, cTitle, sizeof(cTitle));
    EXPECT_EQ(std::string(cTitle), own);
    std::string settings = strReadFile(m_dir.file("DefSetting.ini"));
    EXPECT_EQ(settings.rfind("Version Name = " + own + "\r", 0), 0u) << settings;
}

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
              " - Monitor 1 : \n>      Status : Pass \n>      PNP ID : BNQ0001 \n>      Output : 1 \n>"
              " - Monitor 2 : \n>      Status : Pass \n>      PNP ID : ACR1234 \n>      Output : 2 \n>"
              "      Warning : not a display's bus; used only because its description allows it \n>"
              " - Pass\n>");
}

// --- What the operator can do --------------------------------------------------
// After the step's own lines, one line says what to do; standard error says
// it once a run.

const std::string gs_NoI2cDev =
    "the i2c-dev kernel module is not loaded: run 'sudo modprobe i2c-dev' and start the program "
    "again; put i2c-dev in a file in /etc/modules-load.d/ to load it at every boot";
const std::string gs_NoPermission =
    "this user may not open the displays' DDC buses (/dev/i2c-N): log out and in once after "
    "installing the tavolin package, whose udev rule gives the user at the machine access; or "
    "join the i2c group of i2c-tools ('sudo adduser $USER i2c') and log in again";
const std::string gs_NoDisplay = "no display could be read on the DDC buses found: check that the "
                                 "display is switched on and its cable plugged in, then click "
                                 "\"Refresh\"";

// The text as a message-box line, and as a line on standard error.
std::string BoxLine(std::string text)
{
    text[0] = (char)toupper(text[0]);
    return " - " + text + "\n>";
}
std::string ErrLine(const std::string &text) { return "tavolin: " + text + "\n"; }


std::string Tail(const std::string &split, const std::string &from)
{
    std::string box = Joined(split);
    size_t at = box.rfind(from);
    return at == std::string::npos ? box : box.substr(at);
}

TEST_F(RealProgramTest, AStartWithoutPermissionOrI2cDevSaysWhatToDo)
{
    FakeAdapter &a = Display(lstMakeEdid(0));
    m_kernel.bAdmin = false;
    for (const std::string &text : {gs_NoPermission, gs_NoI2cDev}) {
        a.openErrno = text == gs_NoPermission ? EACCES : 0;
        if (text == gs_NoI2cDev)
            m_kernel.RemoveI2cDevClass();
        vDdcBenchReset();
        vDdcBenchUseKernel(m_kernel.Kernel());
        testing::internal::CaptureStderr();
        std::string box = Start();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), ErrLine(text));
        EXPECT_EQ(Tail(box, " - Fail"), std::string(" - Fail ! Error Code = ") +
                                            (text == gs_NoI2cDev ? "0x70000021" : "0x7000001B") +
                                            " \n>" + BoxLine(text));
    }
}

// The list stays empty: each refresh repeats the line in the box, standard
// error has it once. An output refused for want of permission gets its own
// line before it.
TEST_F(RealProgramTest, AnEmptyListOfRealAdaptersSaysWhyOnEveryRefreshAndOnceOnStandardError)
{
    Display(lstMakeEdid(0)).bDisplay = false;
    m_kernel.Add("i2c-6", "i915 gmbus dpc").openErrno = EACCES;
    m_kernel.Connector("card0-DP-1", "i2c-6");
    testing::internal::CaptureStderr();
    std::string box = Start();
    EXPECT_EQ(Tail(box, " - Pass"), " - Pass\n>" + BoxLine(gs_NoPermission) + BoxLine(gs_NoDisplay));
    for (int i = 0; i < 2; i++) {
        s32RefreshMonitorAction();
        EXPECT_EQ(Joined(MsgBox()), "Refreshing monitor information ...\n> - Pass\n>" +
                                BoxLine(gs_NoPermission) + BoxLine(gs_NoDisplay) + "\n>");
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              ErrLine(gs_NoPermission) + ErrLine(gs_NoDisplay));
    // Once a display answers, nothing more is said.
    m_kernel.Find("i2c-4")->bDisplay = true;
    s32RefreshMonitorAction();
    EXPECT_EQ(Tail(MsgBox(), " - Pass"), " - Pass\n>\n>");
}

// A description whose adapters are all missing: no adapter at all. A bench
// of simulated outputs without displays needs nothing done on the machine,
// but says that its displays are simulated.
TEST_F(RealProgramTest, NoAdapterFoundSaysWhereToLookAndASimulatedBenchSaysNothing)
{
    const std::string simulated = "simulated displays (a bench description: 1 of its outputs): "
                                  "nothing is read from or written to a real display on them";
    std::string desc = m_dir.file("bench.txt");
    vWriteFile(desc, "[output]\nadapter_name = CH341 I2C USB bus\n[output]\n");
    setenv("DDCHELPER_BENCH", desc.c_str(), 1);
    testing::internal::CaptureStderr();
    std::string box = Start();
    const std::string noAdapter =
        "the DDC adapter of an output was not found or cannot be used (0x7000001D): the library "
        "log " + m_dir.file("WINI2C-DDC-LOG.txt") + " names the output and why; check a bench "
        "description's connector, adapter_name or device against /sys/class/drm and "
        "/sys/class/i2c-dev/*/name";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ErrLine(simulated) + ErrLine(noAdapter));
    EXPECT_EQ(Tail(box, " - Pass"), " - Pass\n>" + BoxLine(simulated) + BoxLine(noAdapter));
    vWriteFile(desc, "[output]\n[output]\n");
    vDdcBenchReset();
    vDdcBenchUseKernel(m_kernel.Kernel());
    testing::internal::CaptureStderr();
    box = Start();
    testing::internal::GetCapturedStderr();
    unsetenv("DDCHELPER_BENCH");
    EXPECT_EQ(Tail(box, " - Pass"),
              " - Pass\n> - Simulated displays (a bench description: 2 of its outputs): nothing "
              "is read from or written to a real display on them\n>");
}

// A two-block memory's second half answers at 0x51 itself; a segment
// memory's is reached by segment 1 written to 0x30 at the head of each
// transfer, offset and read going with it as one I2C_RDWR.
TEST_F(RealProgramTest, TheSecondHalfIsReachedAt51OrThroughTheSegmentPointer)
{
    EXPECT_EQ(ProgramWide(DDC_ADDRESSING_SEGMENT),
              (std::vector<std::string>{
                  "i2c-4 I2C_RDWR [0x30 W 1: 01] [0x50 W 9: 00 20 21 22 23 24 25 26 27]",
                  "i2c-4 I2C_RDWR [0x30 W 1: 01] [0x50 W 1: 00] [0x50 R 128]",
                  "i2c-4 I2C_RDWR [0x30 W 1: 01] [0x50 W 1: 80] [0x50 R 128]", "32 packets"}));
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - Pass\n>"
                        "Receiving device's EDID ...\n> - Pass\n>"
                        "Verifying device's EDID ...\n> - Pass\n>");
    EXPECT_EQ(m_kernel.Memory("i2c-4", 512), m_wide);
}

TEST_F(RealProgramTest, ATwoBlockMemorysSecondHalfAnswersAt51)
{
    EXPECT_EQ(ProgramWide(DDC_ADDRESSING_BLOCKS),
              (std::vector<std::string>{"i2c-4 I2C_RDWR [0x51 W 9: 00 20 21 22 23 24 25 26 27]",
                                        "i2c-4 I2C_RDWR [0x51 W 1: 00]",
                                        "i2c-4 I2C_RDWR [0x51 R 128]",
                                        "i2c-4 I2C_RDWR [0x51 R 128]", "32 packets"}));
    EXPECT_EQ(m_kernel.Memory("i2c-4", 512), m_wide);
}

// An SMBus-only adapter cannot send segment, offset and read as one
// transfer: refused with its reason before anything is written.
TEST_F(RealProgramTest, AnSmbusOnlyAdapterRefusesTheSecondHalfBeforeWriting)
{
    FakeAdapter &a = Display(Bytes(512, 0xFF), true);
    a.mem.u32Size = 512;
    a.mem.u32Addressing = DDC_ADDRESSING_SEGMENT;
    Start();
    vDdcBenchSetAddressing(0, DDC_ADDRESSING_SEGMENT);
    uint32_t u32Why = 0;
    EXPECT_EQ(GetOutputInfo(DDC_BENCH_HANDLE(0), DDC_INFO_REACH, &u32Why), 0u);
    EXPECT_EQ(u32Why, (uint32_t)DDC_REACH_SMBUS_ONLY);
    Package(m_wide);
    m_kernel.TakeLines();
    EXPECT_EQ(s32ProgramAction(), 1);
    EXPECT_EQ(MsgBox(), "Programming device's EDID ...\n> - The display's bus cannot reach its "
                        "memory past byte 255: the adapter offers SMBus transfers only, Error "
                        "Code = 0x70000023 \n> - Fail\n>");
    EXPECT_EQ(m_kernel.TakeLines(), std::vector<std::string>{});
    uint8_t u8Byte = 0;
    EXPECT_EQ(WriteI2CBuf(DDC_BENCH_HANDLE(0), 0x51, &u8Byte, 1, 0), DDC_ERR_CANNOT_REACH);
    EXPECT_EQ(m_kernel.Memory("i2c-4", 512), Bytes(512, 0xFF));
}

} // namespace
