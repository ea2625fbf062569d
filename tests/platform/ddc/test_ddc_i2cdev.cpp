// The bus library on real adapters, through a fake kernel: which adapters
// it finds, refuses and never touches, the messages and the lock of each
// operation, the SMBus path, acknowledge polling, and a code for every
// kernel error.
#include "ddc_test_util.h"
#include "fake_kernel.h"

#include "platform/clock/PlatformClock.h"

#include <algorithm>
#include <errno.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

const uint32_t H0 = DDC_BENCH_HANDLE(0), H1 = DDC_BENCH_HANDLE(1), H2 = DDC_BENCH_HANDLE(2);

class RealBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vClockUseVirtual(1);
        vDdcBenchReset();
        vDdcBenchUseKernel(m_kernel.Kernel());
        unsetenv("DDCHELPER_BENCH");
        ASSERT_EQ(EnableLog(m_log.c_str(), 1), 0u);
    }
    void TearDown() override
    {
        vDdcBenchReset();
        unsetenv("DDCHELPER_BENCH");
    }
    // One display on card0-DP-1 through i2c-5.
    FakeAdapter &OneDisplay(const Bytes &image = lstEdid(1))
    {
        FakeAdapter &a = m_kernel.Add("i2c-5", "AMDGPU DM i2c hw bus 1", image);
        m_kernel.Connector("card0-DP-1", "i2c-5");
        return a;
    }
    // A USB-I2C bridge: it hangs under the USB host controller.
    FakeAdapter &UsbBridge(const std::string &adapter, const std::string &name,
                           const Bytes &image = lstEdid(1))
    {
        m_kernel.PciDevice("pci0000:00/0000:00:14.0", "0x0c0330");
        return m_kernel.Add(adapter, name, image, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0");
    }
    void Describe(const std::string &text)
    {
        std::string desc = m_dir.file("bench.txt");
        vWriteFile(desc, text);
        setenv("DDCHELPER_BENCH", desc.c_str(), 1);
    }
    void Start()
    {
        ASSERT_EQ(InitDDCHelper(), 0u);
        m_kernel.TakeLines();
    }
    // The kernel's lines without opening, locking, claiming 0x50 and closing.
    Lines Transfers()
    {
        Lines transfers;
        for (const std::string &line : m_kernel.TakeLines()) {
            std::string call = line.substr(line.find(' ') + 1);
            if (call != "open" && call != "lock" && call != "close" && call != "I2C_SLAVE 80")
                transfers.push_back(line);
        }
        return transfers;
    }
    bool HasNote(const std::string &note)
    {
        Lines notes = Notes();
        return std::find(notes.begin(), notes.end(), note) != notes.end();
    }
    // Library log lines of the bus and the bench, without the calls.
    Lines Notes()
    {
        Lines notes;
        std::istringstream in(strLogLines(m_log));
        for (std::string line; std::getline(in, line);)
            if (line.rfind("bus: ", 0) == 0 || line.rfind("bench: ", 0) == 0)
                notes.push_back(line);
        return notes;
    }
    std::vector<uint32_t> Handles()
    {
        std::vector<uint32_t> handles;
        uint32_t u32Handle = 0;
        for (uint32_t r = EnumGetFirst(&u32Handle); r == 0; r = EnumGetNext(&u32Handle))
            handles.push_back(u32Handle);
        return handles;
    }
    FakeKernel m_kernel;
    TempDir m_dir;
    std::string m_log = m_dir.file("ddc.log");
};

// --- Which adapters ---------------------------------------------------------

TEST_F(RealBusTest, ConnectorsWithDdcAdaptersBecomeOutputsInCardAndNameOrder)
{
    m_kernel.Add("i2c-7", "i915 gmbus dpb");
    m_kernel.Add("i2c-5", "AMDGPU DM i2c hw bus 1");
    m_kernel.Add("i2c-6", "AMDGPU DM i2c hw bus 2");
    m_kernel.Add("i2c-0", "SMBus I801 adapter at efa0");
    m_kernel.Connector("card1-HDMI-A-1", "i2c-7");
    m_kernel.Connector("card0-DP-2", "i2c-6", "folder");
    m_kernel.Connector("card0-DP-1", "i2c-5");
    m_kernel.Connector("card0-LVDS-1", "", "none");
    m_kernel.Connector("card0-eDP-1", "i2c-7");
    m_kernel.Connector("card0-DP-3", "i2c-9", "dangling");
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(Handles(), (std::vector<uint32_t>{H0, H1, H2}));
    std::string sys = m_kernel.Sys();
    // The connectors left out are noted in the folder's order, whatever that is.
    Lines notes = Notes();
    ASSERT_GE(notes.size(), 3u);
    std::sort(notes.begin(), notes.begin() + 3);
    EXPECT_EQ(notes,
              (Lines{"bench: card0-LVDS-1 is a built-in panel; left out (a description may name "
                     "it)",
                     "bench: card0-eDP-1 is a built-in panel; left out (a description may name "
                     "it)",
                     "bus: card0-DP-3: its ddc link points at " + sys + "/devices/gone/i2c-9, "
                     "which is not there; connector skipped",
                     "bench: output 0 is card0-DP-1 on " + m_kernel.DevPath("i2c-5"),
                     "bench: output 1 is card0-DP-2 on " + m_kernel.DevPath("i2c-6"),
                     "bench: output 2 is card1-HDMI-A-1 on " + m_kernel.DevPath("i2c-7"),
                     "bench: real displays: 3 DRM connectors with DDC adapters, driven through "
                     "i2c-dev",
                     "bus: card0-DP-1 on " + m_kernel.DevPath("i2c-5") +
                         ", I2C transfers; the bus clock and timeout stay the adapter's own",
                     "bus: card0-DP-2 on " + m_kernel.DevPath("i2c-6") +
                         ", I2C transfers; the bus clock and timeout stay the adapter's own",
                     "bus: card1-HDMI-A-1 on " + m_kernel.DevPath("i2c-7") +
                         ", I2C transfers; the bus clock and timeout stay the adapter's own"}));
    // The memory-module controller is never opened, let alone written.
    for (const std::string &line : m_kernel.TakeLines())
        EXPECT_NE(line.rfind("i2c-0", 0), 0u) << line;
}

// A virtual machine: simulated displays would pass whatever is written to
// them, so without being asked for they are not started.
TEST_F(RealBusTest, WithoutConnectorsAndUnaskedNoOutputsAreStarted)
{
    m_kernel.Add("i2c-0", "SMBus I801 adapter at efa0");
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(Handles().size(), 0u);
    EXPECT_EQ(Notes(), (Lines{"bench: no description, and no DRM connector with a DDC adapter "
                              "under " + m_kernel.Sys() + "/class/drm",
                              "bench: no outputs; DDCHELPER_BENCH=builtin asks for the built-in "
                              "simulated bench"}));
    uint32_t u32Source = 7, u32Simulated = 7;
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SOURCE, &u32Source), 0u);
    EXPECT_EQ(u32Source, (uint32_t)DDC_SOURCE_NO_DISPLAY_BUS);
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SIMULATED, &u32Simulated), 0u);
    EXPECT_EQ(u32Simulated, 0u);
    EXPECT_EQ(GetLibraryInfo(3, &u32Simulated), DDC_ERR_BAD_OPTION);
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SOURCE, nullptr), DDC_ERR_NULL_POINTER);
    EXPECT_TRUE(m_kernel.TakeLines().empty());
}

// An operator tries the program on a machine with displays without touching
// them: neither the machine's connectors nor DDCBench.txt count, and no
// module is needed.
TEST_F(RealBusTest, BuiltinInTheEnvironmentRunsTheBuiltInBenchWhateverTheMachineHas)
{
    OneDisplay();
    m_kernel.RemoveI2cDevClass();
    m_kernel.bAdmin = false;
    vWriteFile(m_dir.file("DDCBench.txt"), "[output]\nconnector = card0-DP-1\n");
    setenv("TAVOLIN_PROGRAM_DIR", m_dir.path().c_str(), 1);
    setenv("DDCHELPER_BENCH", "builtin", 1);
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
    ASSERT_EQ(InitDDCHelper(), 0u);
    unsetenv("TAVOLIN_PROGRAM_DIR");
    EXPECT_EQ(Handles().size(), 4u);
    EXPECT_EQ(Notes(), (Lines{"bench: DDCHELPER_BENCH=builtin: the built-in bench, whatever "
                              "displays the machine has",
                              "bench: built-in bench of 4 outputs"}));
    uint32_t u32Flags = 7;
    EXPECT_EQ(GetOutputInfo(H0, DDC_INFO_FLAGS, &u32Flags), 0u);
    EXPECT_EQ(u32Flags, 0u);
    uint32_t u32Source = 7, u32Simulated = 7;
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SOURCE, &u32Source), 0u);
    EXPECT_EQ(u32Source, (uint32_t)DDC_SOURCE_BUILTIN);
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SIMULATED, &u32Simulated), 0u);
    EXPECT_EQ(u32Simulated, 4u);
    EXPECT_TRUE(m_kernel.TakeLines().empty());
}

TEST_F(RealBusTest, ADescriptionMixesNamedAdaptersAndSimulatedDisplays)
{
    m_kernel.Add("i2c-5", "AMDGPU DM i2c hw bus 1", lstEdid(0));
    UsbBridge("i2c-11", "CH341 I2C USB bus");
    UsbBridge("i2c-12", "MCP2221 usb-i2c bridge", {});
    m_kernel.Connector("card0-DP-1", "i2c-5");
    Describe("[output]\nconnector = card0-DP-1\n[output]\nadapter_name = CH341 I2C USB bus\n"
             "unsafe_non_display_bus = yes\n[output]\nedid = blank\n[output]\ndevice = "
             "/dev/i2c-12\nunsafe_non_display_bus = 1\n[output]\nadapter_name = No Such Bus\n");
    ASSERT_EQ(InitDDCHelper(), 0u);
    ASSERT_EQ(Handles().size(), 5u);
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    EXPECT_EQ(Bytes(u8Block, u8Block + 128), lstEdid(0));
    EXPECT_EQ(ReadEDID(H1, u8Block), 0u);
    EXPECT_EQ(Bytes(u8Block, u8Block + 128), lstSlice(lstEdid(1), 0, 128));
    EXPECT_EQ(ReadEDID(H2, u8Block), DDC_ERR_INVALID_EDID); // the simulated blank one
    EXPECT_EQ(ReadEDID(DDC_BENCH_HANDLE(3), u8Block), DDC_ERR_INVALID_EDID);
    EXPECT_EQ(ReadEDID(DDC_BENCH_HANDLE(4), u8Block), DDC_ERR_NO_ADAPTER);
    Lines notes = Notes();
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "bus: No Such Bus: no such I2C adapter (is the i2c-dev module loaded? "
                        "'sudo modprobe i2c-dev'); the output answers 0x7000001D"),
              notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "bench: output 3 is the real adapter /dev/i2c-12"),
              notes.end());
    // Only the blank display is simulated.
    uint32_t u32Source = 7, u32Simulated = 7;
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SOURCE, &u32Source), 0u);
    EXPECT_EQ(u32Source, (uint32_t)DDC_SOURCE_DESCRIPTION);
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SIMULATED, &u32Simulated), 0u);
    EXPECT_EQ(u32Simulated, 1u);
}

// --- The messages of each operation -----------------------------------------

// The node is open, and locked against other careful programs, only during
// an operation; a chained read is one operation from its first read to
// the one that ends it.
TEST_F(RealBusTest, EachOperationIsOneCombinedTransferUnderTheNodesLock)
{
    Bytes edid = lstEdid(1);
    FakeAdapter &a = OneDisplay(edid);
    Start();
    uint8_t u8Block[128];
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    EXPECT_EQ(u32Write(H0, {0x00}), 0u);
    EXPECT_EQ(lstRead(H0, 128, 0x100), lstSlice(edid, 0, 128));
    EXPECT_TRUE(a.locked);
    EXPECT_EQ(lstRead(H0, 128, 0x1000), lstSlice(edid, 128, 128));
    EXPECT_FALSE(a.locked);
    EXPECT_EQ(m_kernel.TakeLines(),
              (Lines{"i2c-5 open", "i2c-5 lock", "i2c-5 I2C_RDWR [0x50 R 1]", "i2c-5 close",
                     "i2c-5 open", "i2c-5 lock", "i2c-5 I2C_RDWR [0x50 W 1: 00] [0x50 R 128]",
                     "i2c-5 close", "i2c-5 open", "i2c-5 lock", "i2c-5 I2C_RDWR [0x50 W 1: 00]",
                     "i2c-5 close", "i2c-5 open", "i2c-5 lock", "i2c-5 I2C_RDWR [0x50 R 128]",
                     "i2c-5 I2C_RDWR [0x50 R 128]", "i2c-5 close"}));
    EXPECT_EQ(u32Write(H0, {0x10, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    EXPECT_EQ(Transfers(), (Lines{"i2c-5 I2C_RDWR [0x50 W 9: 10 01 02 03 04 05 06 07 08]"}));
    EXPECT_EQ(lstSlice(m_kernel.Memory("i2c-5", 32), 16, 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    // Nothing but the EDID memory's address is ever put on the bus.
    EXPECT_EQ(TestAddr(H0, 0x37), DDC_ERR_NO_ACK);
    EXPECT_TRUE(m_kernel.TakeLines().empty());
}

TEST_F(RealBusTest, AfterAWriteTheMemoryIsPolledUntilItAnswers)
{
    OneDisplay();
    Start();
    uint64_t u64Before = u64ClockNowMs();
    EXPECT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    EXPECT_EQ(u32Write(H0, {0x08, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    Lines lines = Transfers();
    // 5 ms of write cycle, polled each millisecond on the platform clock.
    EXPECT_EQ(lines.size(), 1u + 5u + 1u);
    EXPECT_EQ(u64ClockNowMs() - u64Before, 5u);
    EXPECT_EQ(lines.back(), "i2c-5 I2C_RDWR [0x50 W 9: 08 01 02 03 04 05 06 07 08]");
    std::vector<std::string> calls = lstDdcBenchCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Poll(0x1000, 0x50) = 0x7000000B"), 5);
}

TEST_F(RealBusTest, AMemoryThatStaysSilentFailsAfterTwentyFiveMilliseconds)
{
    FakeAdapter &a = OneDisplay();
    Start();
    EXPECT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    a.bDisplay = false;
    uint64_t u64Before = u64ClockNowMs();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), DDC_ERR_NO_ACK);
    EXPECT_EQ(u64ClockNowMs() - u64Before, 25u);
    std::vector<std::string> calls = lstDdcBenchCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Poll(0x1000, 0x50) = 0x7000000B"), 25);
    // Without a write before it, a silent memory fails at once.
    u64Before = u64ClockNowMs();
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(u64ClockNowMs(), u64Before);
}

// The process paused 100 ms inside the kernel, after a refused try: the
// try was made within the write cycle, so another follows, for a write as
// for the read after it.
TEST_F(RealBusTest, APauseAfterARefusedTryInTheWriteCycleIsFollowedByOneMoreTry)
{
    FakeAdapter &a = OneDisplay();
    Start();
    EXPECT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    a.stallAfterNakMs = 100;
    EXPECT_EQ(lstRead(H0, 8, 0), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    a.stallAfterNakMs = 100;
    EXPECT_EQ(u32Write(H0, {0x08, 9, 10, 11, 12, 13, 14, 15, 16}), 0u);
    const std::string write1 = "i2c-5 I2C_RDWR [0x50 W 9: 00 01 02 03 04 05 06 07 08]";
    const std::string write2 = "i2c-5 I2C_RDWR [0x50 W 9: 08 09 0A 0B 0C 0D 0E 0F 10]";
    const std::string read = "i2c-5 I2C_RDWR [0x50 R 8]";
    EXPECT_EQ(Transfers(), (Lines{write1, read, read, write1, write2, write2}));
    EXPECT_EQ(m_kernel.Memory("i2c-5", 16),
              Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    // A memory still silent after the window fails the packet.
    ASSERT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    Transfers();
    a.bDisplay = false;
    a.stallAfterNakMs = 100;
    EXPECT_EQ(u32Write(H0, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), DDC_ERR_NO_ACK);
    EXPECT_EQ(Transfers().size(), 2u);
}

// The timeout belongs to the adapter, for every user and after the run:
// a bench's named bridge takes ours, a graphics driver's bus keeps its own.
TEST_F(RealBusTest, TimeoutOptionReachesOnlyANamedAdapter)
{
    FakeAdapter &a = OneDisplay();
    FakeAdapter &usb = UsbBridge("i2c-11", "CH341 I2C USB bus");
    Describe("[output]\nconnector = card0-DP-1\n[output]\nadapter_name = CH341 I2C USB bus\n"
             "unsafe_non_display_bus = yes\n");
    Start();
    EXPECT_EQ(TestAddr(H1, 0x50), 0u);
    EXPECT_EQ(usb.timeout, 300); // 3000 ms in tens of milliseconds
    EXPECT_EQ(SetLibraryOption(DDC_OPT_TIMEOUT_MS, 1001), 0u);
    EXPECT_EQ(TestAddr(H1, 0x50), 0u);
    EXPECT_EQ(usb.timeout, 101);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(a.timeout, -1);
}

// Another careful program's lock on the node is waited for on the platform
// clock, at most 1.5 s.
TEST_F(RealBusTest, AnotherProgramsLockIsWaitedForAtMostOneAndAHalfSeconds)
{
    FakeAdapter &a = OneDisplay();
    Start();
    a.heldUntilMs = u64ClockNowMs() + 300;
    uint64_t u64Before = u64ClockNowMs();
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(u64ClockNowMs() - u64Before, 300u);
    EXPECT_EQ(m_kernel.TakeLines(), (Lines{"i2c-5 open", "i2c-5 lock",
                                           "i2c-5 I2C_RDWR [0x50 R 1]", "i2c-5 close"}));
    a.heldUntilMs = UINT64_MAX;
    u64Before = u64ClockNowMs();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), DDC_ERR_BUSY);
    EXPECT_EQ(u64ClockNowMs() - u64Before, 1500u);
    EXPECT_EQ(m_kernel.TakeLines(), (Lines{"i2c-5 open", "i2c-5 close"}));
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") +
                                  "): ReadEDID: held by another program for more than 1500 ms, "
                                  "0x70000017 (busy)");
}

// Adapter numbers are given out again when a driver is loaded anew or a
// bridge plugged in: a node is checked at each open, and looked up again at
// each start.
TEST_F(RealBusTest, AfterARenumberingNoOperationReachesTheOldNodeAndTheNextStartUsesTheNew)
{
    OneDisplay(lstEdid(0));
    Start();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    m_kernel.Rename("i2c-5", "SMBus I801 adapter at efa0");
    m_kernel.Add("i2c-6", "AMDGPU DM i2c hw bus 1", lstEdid(1));
    m_kernel.Connector("card0-DP-1", "i2c-6");
    m_kernel.TakeLines();
    EXPECT_EQ(ReadEDID(H0, u8Block), DDC_ERR_ADAPTER_GONE);
    EXPECT_EQ(m_kernel.TakeLines(), (Lines{"i2c-5 open", "i2c-5 close"}));
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") +
                                  "): ReadEDID: no longer the adapter \"AMDGPU DM i2c hw bus 1\" "
                                  "found at the start, 0x7000001F (the adapter is gone)");
    DeinitDDCHelper();
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(m_kernel.TakeLines(), (Lines{"i2c-6 open", "i2c-6 I2C_FUNCS", "i2c-6 close"}));
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    EXPECT_EQ(Bytes(u8Block, u8Block + 128), lstSlice(lstEdid(1), 0, 128));
}

// --- Buses that are not a display's -----------------------------------------

// An adapter named by name or device is refused unless it is shown to be a
// display's bus: its name, the PCI device it hangs under, and what the
// kernel has at 0x50 must all allow it. Refused ones are never opened.
TEST_F(RealBusTest, ANamedAdapterNotShownToBeADisplaysBusIsRefusedUnopened)
{
    const std::string chipset = "pci0000:00/0000:00:1f.4";
    m_kernel.PciDevice(chipset, "0x0c0500");
    m_kernel.PciDevice("pci0000:00/0000:00:1c.0/0000:02:00.0", "0x0a0000");
    UsbBridge("i2c-11", "CH341 I2C USB bus");
    const struct {
        std::string adapter, name, parent, key, why;
    } cases[] = {
        {"i2c-0", "SMBus I801 adapter at efa0", chipset, "device = /dev/i2c-0",
         "its name \"SMBus I801 adapter at efa0\" begins \"SMBus\""},
        {"i2c-3", "AMDGPU SMU 1", FAKE_GPU, "", "its name \"AMDGPU SMU 1\" begins \"AMDGPU SMU\""},
        {"i2c-1", "Some I2C controller", chipset, "",
         "it hangs under the PCI device 0000:00:1f.4 of class 0x0c0500, neither a display "
         "controller (0x03) nor a docking station (0x0a)"},
        {"i2c-11", "CH341 I2C USB bus", "", "",
         "it hangs under the PCI device 0000:00:14.0 of class 0x0c0330, neither a display "
         "controller (0x03) nor a docking station (0x0a)"},
        {"i2c-2", "Stub I2C bus", "", "", "it hangs under no PCI device"},
        {"i2c-7", "i915 gmbus dpc", FAKE_GPU, "",
         "the kernel has the device 7-0050 at 0x50 (driver ee1004)"},
        {"i2c-8", "i915 gmbus dpd", FAKE_GPU, "",
         "the kernel has the device 8-0050 at 0x50 (no driver bound)"},
    };
    std::string desc;
    for (const auto &c : cases) {
        if (c.adapter != "i2c-11")
            m_kernel.Add(c.adapter, c.name, lstEdid(0), c.parent);
        desc += "[output]\n" + (c.key.empty() ? "adapter_name = " + c.name : c.key) + "\n";
    }
    m_kernel.Client("i2c-7", "ee1004");
    m_kernel.Client("i2c-8", "");
    m_kernel.Add("i2c-9", "Dock I2C bus", lstEdid(0), "pci0000:00/0000:00:1c.0/0000:02:00.0");
    Describe(desc + "[output]\nadapter_name = Dock I2C bus\n");
    ASSERT_EQ(InitDDCHelper(), 0u);
    for (uint32_t i = 0; i < sizeof(cases) / sizeof(cases[0]); i++) {
        const auto &c = cases[i];
        std::string label = c.key.empty() ? c.name : "/dev/" + c.adapter;
        EXPECT_EQ(TestAddr(DDC_BENCH_HANDLE(i), 0x50), DDC_ERR_NO_ADAPTER) << c.name;
        EXPECT_TRUE(HasNote("bus: " + label + " (" + m_kernel.DevPath(c.adapter) +
                            "): not a display's bus: " + c.why + "; the output answers 0x7000001D"))
            << c.name;
    }
    EXPECT_EQ(TestAddr(DDC_BENCH_HANDLE(7), 0x50), 0u); // the docking station's
    for (const std::string &line : m_kernel.TakeLines())
        EXPECT_EQ(line.rfind("i2c-9 ", 0), 0u) << line;
}

// A /dev node that leads elsewhere than the adapter checked in sysfs (a link,
// a stale or container-mapped node) is refused before anything reaches it:
// here it leads to the chipset's SMBus and a memory module's EEPROM.
TEST_F(RealBusTest, ANodeThatIsNotTheCheckedAdaptersDeviceIsRefusedBeforeAnyTransfer)
{
    const Bytes spd = lstPattern(256, 9);
    m_kernel.PciDevice("pci0000:00/0000:00:1f.4", "0x0c0500");
    m_kernel.Add("i2c-0", "SMBus I801 adapter at efa0", spd, "pci0000:00/0000:00:1f.4");
    OneDisplay();
    m_kernel.Add("i2c-6", "AMDGPU DM i2c hw bus 2", lstEdid(0));
    Describe("[output]\nconnector = card0-DP-1\n[output]\nadapter_name = AMDGPU DM i2c hw bus 2\n");
    m_kernel.NodeLinksTo("i2c-5", "i2c-0");
    m_kernel.NodeIsDeviceOf("i2c-6", "i2c-0");
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(m_kernel.TakeLines(), (Lines{"i2c-5 open", "i2c-6 open", "i2c-0 close"}));
    const std::string tail = "not the adapter's device node: ";
    EXPECT_TRUE(HasNote("bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") + "): " + tail +
                        "it is a symbolic link; the output answers 0x7000001D"));
    EXPECT_TRUE(HasNote("bus: AMDGPU DM i2c hw bus 2 (" + m_kernel.DevPath("i2c-6") + "): " + tail +
                        "it is the device 89:0, the adapter's is 89:6; the output answers "
                        "0x7000001D"));
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ADAPTER);
    EXPECT_EQ(u32Write(H1, {0x00, 1, 2, 3, 4, 5, 6, 7, 8}), DDC_ERR_NO_ADAPTER);
    uint32_t u32Error = 0;
    EXPECT_EQ(GetOutputInfo(H1, DDC_INFO_ADAPTER_ERROR, &u32Error), 0u);
    EXPECT_EQ(u32Error, DDC_ERR_NO_ADAPTER);
    EXPECT_TRUE(m_kernel.TakeLines().empty());
    EXPECT_EQ(m_kernel.Memory("i2c-0", 256), spd);

    // A node changed after the start: the next operation finds it out.
    DeinitDDCHelper();
    m_kernel.Find("i2c-5")->nodeLink.clear();
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    m_kernel.NodeIsDeviceOf("i2c-5", "i2c-0");
    m_kernel.TakeLines();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), DDC_ERR_NO_ADAPTER);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ADAPTER);
    EXPECT_EQ(m_kernel.TakeLines(), (Lines{"i2c-5 open", "i2c-0 close"}));
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") + "): ReadEDID: " +
                                  tail + "it is the device 89:0, the adapter's is 89:5; the output "
                                  "answers 0x7000001D");
    EXPECT_EQ(m_kernel.Memory("i2c-0", 256), spd);
}

// Only the description's own key lets such an adapter through, output by
// output, and then the log and GetOutputInfo say so.
TEST_F(RealBusTest, TheUnsafeKeyLetsANonDisplayBusThroughAndItIsFlagged)
{
    FakeAdapter &stub = m_kernel.Add("i2c-0", "SMBus stub driver", lstEdid(0), "");
    stub.funcs = I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_I2C_BLOCK;
    OneDisplay();
    Describe("[output]\nadapter_name = SMBus stub driver\nunsafe_non_display_bus = yes\n"
             "[output]\nconnector = card0-DP-1\n[output]\nadapter_name = SMBus stub driver\n"
             "unsafe_non_display_bus = no\n[output]\nedid = blank\n");
    Start();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    EXPECT_EQ(Bytes(u8Block, u8Block + 128), lstEdid(0));
    EXPECT_EQ(TestAddr(H2, 0x50), DDC_ERR_NO_ADAPTER);
    const std::string why = "not a display's bus: its name \"SMBus stub driver\" begins \"SMBus\"";
    const std::string dev = m_kernel.DevPath("i2c-0");
    EXPECT_TRUE(HasNote("bus: SMBus stub driver (" + dev + "): " + why +
                        "; used only because its description allows it (unsafe_non_display_bus)"));
    EXPECT_TRUE(HasNote("bus: SMBus stub driver (" + dev + "): " + why +
                        "; the output answers 0x7000001D"));
    // The program learns which outputs are real, and why one cannot be used.
    const uint32_t R = DDC_OUTPUT_REAL_ADAPTER;
    const uint32_t au32Flags[] = {DDC_OUTPUT_NON_DISPLAY_BUS | R, R, R, 0};
    const uint32_t au32Errors[] = {0, 0, DDC_ERR_NO_ADAPTER, 0};
    for (uint32_t i = 0; i < 4; i++) {
        uint32_t u32Flags = 7, u32Error = 7;
        EXPECT_EQ(GetOutputInfo(DDC_BENCH_HANDLE(i), DDC_INFO_FLAGS, &u32Flags), 0u);
        EXPECT_EQ(u32Flags, au32Flags[i]) << i;
        EXPECT_EQ(GetOutputInfo(DDC_BENCH_HANDLE(i), DDC_INFO_ADAPTER_ERROR, &u32Error), 0u);
        EXPECT_EQ(u32Error, au32Errors[i]) << i;
    }
}

// A USB-I2C bridge's adapter (MCP2221, FT260, CP2112 or i2c-tiny-usb
// through its kernel driver) is a cable to a display: usable when named,
// without the key, unless the kernel has a device at 0x50 on it. The same
// driver's name on a device below no USB device proves nothing.
TEST_F(RealBusTest, AUsbBridgeOfAKnownDriverIsADisplaysBusUnlessADeviceSitsAt50)
{
    const std::string usb = "pci0000:00/0000:00:14.0/usb1/1-2";
    m_kernel.PciDevice("pci0000:00/0000:00:14.0", "0x0c0330");
    m_kernel.Device(usb, "usb", "usb");
    m_kernel.Device(usb + "/1-2:1.2", "usb", "usbhid");
    m_kernel.Device(usb + "/1-2:1.2/0003:04D8:00DD.0001", "hid", "mcp2221");
    m_kernel.Device(usb + "/1-2:1.0", "usb", "i2c-tiny-usb");
    m_kernel.Device(usb + "/1-2:1.1/0003:0403:6030.0002", "hid", "ft260");
    m_kernel.Device("platform/cp2112.0", "platform", "cp2112");
    Bytes edid = lstEdid(1);
    m_kernel.Add("i2c-11", "MCP2221 usb-i2c bridge", edid, usb + "/1-2:1.2/0003:04D8:00DD.0001");
    m_kernel.Add("i2c-12", "i2c-tiny-usb at bus 001 device 002", edid, usb + "/1-2:1.0");
    m_kernel.Add("i2c-13", "FT260 usb-i2c bridge", edid, usb + "/1-2:1.1/0003:0403:6030.0002");
    m_kernel.Add("i2c-14", "CP2112 SMBus Bridge on hidraw3", edid, "platform/cp2112.0");
    m_kernel.Client("i2c-13", "at24");
    Describe("[output]\nadapter_name = MCP2221 usb-i2c bridge\n[output]\ndevice = /dev/i2c-12\n"
             "[output]\nadapter_name = FT260 usb-i2c bridge\n"
             "[output]\nadapter_name = CP2112 SMBus Bridge on hidraw3\n");
    Start();
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    EXPECT_EQ(Bytes(u8Block, u8Block + 128), lstSlice(edid, 0, 128));
    EXPECT_EQ(TestAddr(H1, 0x50), 0u);
    EXPECT_EQ(TestAddr(H2, 0x50), DDC_ERR_NO_ADAPTER);
    EXPECT_EQ(TestAddr(DDC_BENCH_HANDLE(3), 0x50), DDC_ERR_NO_ADAPTER);
    uint32_t u32Flags = 0;
    EXPECT_EQ(GetOutputInfo(H0, DDC_INFO_FLAGS, &u32Flags), 0u);
    EXPECT_EQ(u32Flags, (uint32_t)DDC_OUTPUT_REAL_ADAPTER);
    EXPECT_TRUE(HasNote("bus: MCP2221 usb-i2c bridge (" + m_kernel.DevPath("i2c-11") +
                        "): an external USB-I2C bridge (driver mcp2221); used as a display's bus"));
    EXPECT_TRUE(HasNote("bus: /dev/i2c-12 (" + m_kernel.DevPath("i2c-12") +
                        "): an external USB-I2C bridge (driver i2c-tiny-usb); used as a display's bus"));
    EXPECT_TRUE(HasNote("bus: FT260 usb-i2c bridge (" + m_kernel.DevPath("i2c-13") +
                        "): not a display's bus: it is an external USB-I2C bridge (driver ft260), but "
                        "the kernel has the device 13-0050 at 0x50 (driver at24); the output answers "
                        "0x7000001D"));
    EXPECT_TRUE(HasNote("bus: CP2112 SMBus Bridge on hidraw3 (" + m_kernel.DevPath("i2c-14") +
                        "): not a display's bus: it hangs under no PCI device; the output answers "
                        "0x7000001D"));
}

// --- SMBus-only adapters ----------------------------------------------------

TEST_F(RealBusTest, SmbusAdaptersGetTheSameOperationsInBlocksOfThirtyTwo)
{
    Bytes edid = lstEdid(1);
    FakeAdapter &a = OneDisplay(edid);
    a.funcs = I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_I2C_BLOCK;
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(m_kernel.TakeLines(),
              (Lines{"i2c-5 open", "i2c-5 I2C_FUNCS", "i2c-5 I2C_SLAVE 80", "i2c-5 close"}));
    uint8_t u8Block[128];
    EXPECT_EQ(ReadEDID(H0, u8Block), 0u);
    EXPECT_EQ(Bytes(u8Block, u8Block + 128), lstSlice(edid, 0, 128));
    EXPECT_EQ(m_kernel.TakeLines(),
              (Lines{"i2c-5 open", "i2c-5 lock", "i2c-5 I2C_SLAVE 80",
                     "i2c-5 smbus read block 00 32", "i2c-5 smbus read block 20 32",
                     "i2c-5 smbus read block 40 32", "i2c-5 smbus read block 60 32",
                     "i2c-5 close"}));
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(lstChainedRead(H0, 1), edid);
    EXPECT_EQ(u32Write(H0, {0x80, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
    Lines lines = Transfers();
    EXPECT_EQ(lines.front(), "i2c-5 smbus read byte");
    EXPECT_EQ(lines[1], "i2c-5 smbus write byte 00");
    EXPECT_EQ(lines[2], "i2c-5 smbus read block 00 32");
    EXPECT_EQ(lines[6], "i2c-5 smbus read block 80 32"); // the chained block goes on at 128
    EXPECT_EQ(lines.back(), "i2c-5 smbus write block 80: 01 02 03 04 05 06 07 08");
    EXPECT_EQ(lstSlice(m_kernel.Memory("i2c-5", 256), 128, 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(RealBusTest, AnAdapterWithoutBlockTransfersOrOneHeldByADriverIsRefused)
{
    FakeAdapter &a = OneDisplay();
    a.funcs = I2C_FUNC_SMBUS_BYTE_DATA;
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ADAPTER);
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1: " + m_kernel.DevPath("i2c-5") +
                                  " offers neither I2C transfers nor SMBus block transfers "
                                  "(functions 0x180000)");
    DeinitDDCHelper();
    a.funcs = I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_I2C_BLOCK;
    a.slaveErrno = EBUSY;
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_BUSY);
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") +
                                  "): claiming 0x50: Device or resource busy, 0x70000017 (busy)");
}

// --- Kernel errors ------------------------------------------------------------

TEST_F(RealBusTest, EveryKernelErrorHasItsCodeAndOneLogLine)
{
    const struct {
        int s32Errno;
        uint32_t u32Code;
        const char *pcWords;
    } cases[] = {
        {ENXIO, DDC_ERR_NO_ACK, "No such device or address, 0x7000000B (no answer)"},
        {EREMOTEIO, DDC_ERR_NO_ACK, "Remote I/O error, 0x7000000B (no answer)"},
        {EBUSY, DDC_ERR_BUSY, "Device or resource busy, 0x70000017 (busy)"},
        {EAGAIN, DDC_ERR_BUSY, "Resource temporarily unavailable, 0x70000017 (busy)"},
        {ETIMEDOUT, DDC_ERR_TIMEOUT, "Connection timed out, 0x70000019 (timed out)"},
        {EACCES, DDC_ERR_PERMISSION, "Permission denied, 0x7000001B (permission denied)"},
        {ENODEV, DDC_ERR_NO_ACK, "No such device, 0x7000000B (no answer)"},
        {ESHUTDOWN, DDC_ERR_ADAPTER_GONE,
         "Cannot send after transport endpoint shutdown, 0x7000001F (the adapter is gone)"},
        {EIO, DDC_ERR_BUS_FAULT, "Input/output error, 0x70000015 (bus fault)"},
        {EOPNOTSUPP, DDC_ERR_BUS_FAULT, "Operation not supported, 0x70000015 (bus fault)"},
    };
    FakeAdapter &a = OneDisplay();
    Start();
    for (const auto &c : cases) {
        a.failErrno = c.s32Errno;
        size_t before = Notes().size();
        uint8_t u8Block[128];
        EXPECT_EQ(ReadEDID(H0, u8Block), c.u32Code) << c.pcWords;
        Lines notes = Notes();
        ASSERT_EQ(notes.size(), before + 1) << c.pcWords;
        EXPECT_EQ(notes.back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") +
                                    "): ReadEDID: " + c.pcWords);
    }
    // ENODEV means the adapter is gone only once sysfs no longer has it:
    // pulled during a chained read, which holds its node open.
    a.failErrno = 0;
    ASSERT_EQ(lstRead(H0, 128, 0x100).size(), 128u);
    a.failErrno = ENODEV;
    m_kernel.Unplug("i2c-5");
    uint32_t u32Result = 0;
    lstRead(H0, 128, 0x1000, &u32Result);
    EXPECT_EQ(u32Result, DDC_ERR_ADAPTER_GONE);
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") +
                                  "): ReadI2CBuf: No such device, 0x7000001F (the adapter is "
                                  "gone)");
    // Its node gone, the next operation cannot open it.
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_ADAPTER_GONE);
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1 (" + m_kernel.DevPath("i2c-5") +
                                  "): TestAddr: No such file or directory, 0x7000001F (the "
                                  "adapter is gone)");
}

TEST_F(RealBusTest, WithoutPermissionForAnyDisplayTheStartFails)
{
    FakeAdapter &a = OneDisplay();
    m_kernel.Add("i2c-6", "AMDGPU DM i2c hw bus 2").openErrno = EACCES;
    m_kernel.Connector("card0-HDMI-A-1", "i2c-6");
    a.openErrno = EACCES;
    EXPECT_EQ(InitDDCHelper(), DDC_ERR_PERMISSION);
    uint32_t u32Handle = 0;
    EXPECT_EQ(EnumGetFirst(&u32Handle), DDC_ERR_NOT_STARTED);
    EXPECT_EQ(Notes().back(), "bus: card0-HDMI-A-1: " + m_kernel.DevPath("i2c-6") +
                                  " may not be opened (Permission denied): log out and in once "
                                  "after installing the tavolin package, whose udev rule gives "
                                  "the user at the machine access; or join the i2c group of "
                                  "i2c-tools ('sudo adduser $USER i2c') and log in again");
    // One display that may be opened is enough; the other answers the code.
    a.openErrno = 0;
    EXPECT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    EXPECT_EQ(TestAddr(H1, 0x50), DDC_ERR_PERMISSION);
    uint32_t u32Error = 0;
    EXPECT_EQ(GetOutputInfo(H1, DDC_INFO_ADAPTER_ERROR, &u32Error), 0u);
    EXPECT_EQ(u32Error, DDC_ERR_PERMISSION);
}

TEST_F(RealBusTest, ANodeThatIsNoAdapterOrThatVanishedAnswersNoAdapter)
{
    FakeAdapter &a = OneDisplay();
    a.funcsErrno = ENOTTY;
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ADAPTER);
    EXPECT_EQ(Notes().back(), "bus: card0-DP-1: " + m_kernel.DevPath("i2c-5") +
                                  " is not an I2C adapter (Inappropriate ioctl for device)");
    DeinitDDCHelper();
    a.funcsErrno = 0;
    a.openErrno = ENOENT; // gone between enumeration and use
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), DDC_ERR_NO_ADAPTER);
}

// --- The i2c-dev module -------------------------------------------------------

TEST_F(RealBusTest, InstallDriverLoadsI2cDevForRootOrSaysWhatToDo)
{
    OneDisplay();
    m_kernel.RemoveI2cDevClass();
    const std::string help = "bus: the displays' DDC adapters need the i2c-dev kernel module, "
                             "which is not loaded: run 'sudo modprobe i2c-dev', and add i2c-dev "
                             "to /etc/modules-load.d/ to load it at boot";
    m_kernel.bAdmin = false;
    m_kernel.bModprobeWorks = true;
    EXPECT_EQ(InstallDriver(nullptr, 1), DDC_ERR_NO_I2C_DEV);
    EXPECT_TRUE(m_kernel.modprobed.empty()); // an operator's run never tries
    EXPECT_EQ(Notes().back(), help);
    m_kernel.bAdmin = true;
    m_kernel.bModprobeWorks = false;
    EXPECT_EQ(InstallDriver(nullptr, 1), DDC_ERR_NO_I2C_DEV);
    EXPECT_EQ(m_kernel.modprobed, (Lines{"i2c-dev"}));
    EXPECT_EQ(Notes().back(), help);
    m_kernel.bModprobeWorks = true;
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
    EXPECT_EQ(Notes().back(), "bus: loaded the i2c-dev kernel module");
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u); // there now: nothing more to load
    EXPECT_EQ(m_kernel.modprobed.size(), 2u);
}

// Loading a module may run as root: never a modprobe planted in PATH, which
// here would leave its mark. The name is no module, so the system's own
// modprobe, where there is one, loads nothing.
TEST_F(RealBusTest, TheMachinesModprobeIsRunByItsAbsolutePath)
{
    std::string mark = m_dir.file("planted-ran");
    vWriteFile(m_dir.file("modprobe"), "#!/bin/sh\ntouch '" + mark + "'\n");
    ASSERT_EQ(chmod(m_dir.file("modprobe").c_str(), 0755), 0);
    const char *pcPath = getenv("PATH");
    std::string oldPath = pcPath ? pcPath : "";
    setenv("PATH", (m_dir.path() + ":" + oldPath).c_str(), 1);
    int s32Result = pstDdcBenchMachineKernel()->pfnLoadModule("tavolin-no-such-module");
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(s32Result, -1);
    EXPECT_NE(access(mark.c_str(), F_OK), 0);
}

// Which bench runs decides, not what the machine has: a description of
// simulated displays needs no module, one naming a USB bridge does.
TEST_F(RealBusTest, OnlyABenchWithRealAdaptersNeedsI2cDev)
{
    OneDisplay();
    m_kernel.RemoveI2cDevClass();
    m_kernel.bAdmin = false;
    std::string desc = m_dir.file("bench.txt");
    vWriteFile(desc, "[output]\nedid = blank\n");
    setenv("DDCHELPER_BENCH", desc.c_str(), 1);
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
    vDdcBenchReset();
    vDdcBenchUseKernel(m_kernel.Kernel());
    vWriteFile(desc, "[output]\nadapter_name = CH341 I2C USB bus\n");
    EXPECT_EQ(InstallDriver(nullptr, 1), DDC_ERR_NO_I2C_DEV);
    unsetenv("DDCHELPER_BENCH");
}

// The laptop's own panel is never offered for programming unless named.
TEST_F(RealBusTest, BuiltInPanelsAreLeftOutUnlessNamed)
{
    m_kernel.Add("i2c-3", "i915 gmbus dpc");
    m_kernel.Connector("card0-eDP-1", "i2c-3");
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(Handles().size(), 0u); // and no simulated bench unasked
    EXPECT_EQ(Notes().front(), "bench: card0-eDP-1 is a built-in panel; left out (a description "
                               "may name it)");
    EXPECT_TRUE(m_kernel.TakeLines().empty());
    DeinitDDCHelper();
    vDdcBenchReset();
    vDdcBenchUseKernel(m_kernel.Kernel());
    std::string desc = m_dir.file("bench.txt");
    vWriteFile(desc, "[output]\nconnector = card0-eDP-1\n");
    setenv("DDCHELPER_BENCH", desc.c_str(), 1);
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(TestAddr(H0, 0x50), 0u);
    unsetenv("DDCHELPER_BENCH");
}

} // namespace
