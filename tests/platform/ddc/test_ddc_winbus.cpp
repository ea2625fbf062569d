// The Windows bus layer on fake back ends, built here from the library's
// sources: the bench of graphics outputs, names, the memory's counter over
// register reads, pieces, the write cycle, refusals and the log's words.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>

#include <sstream>

#include "fake_winbus.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench.h"
#include "platform/ddc/ddc_bench_test.h"
#include "platform/ddc/ddc_i2cdev.h"
#include "platform/ddc/ddc_real_common.h"
#include "tests/support/temp_dir.h"

namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

const uint32_t H0 = DDC_BENCH_HANDLE(0), H1 = DDC_BENCH_HANDLE(1);
const uint32_t NVAPI = 1, ADL = 2, BRIDGES = 0;

class WinBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vClockUseVirtual(1);
        vDdcBenchReset();
        vFakeWinBusReset();
        unsetenv("DDCHELPER_BENCH");
        ASSERT_EQ(EnableLog(m_dir.file("log.txt").c_str(), 1), 0u);
    }
    void TearDown() override
    {
        DeinitDDCHelper();
        vDdcBenchReset();
    }
    // Outputs a description would name, without its file.
    void Name(int32_t s32By, const char *pcName)
    {
        if (!gst_Bench.bLoaded)
            vDdcBenchClear();
        vRealNameOutput(pstBenchOutputAt(s32DdcBenchAddOutput()), s32By, pcName, 0);
    }
    Lines Notes()
    {
        Lines notes;
        std::istringstream in(strReadFile(m_dir.file("log.txt")));
        for (std::string line; std::getline(in, line);) {
            std::string text = line.size() > 10 ? line.substr(10) : line;
            if (text.rfind("bus: ", 0) == 0 || text.rfind("bench: ", 0) == 0)
                notes.push_back(text);
        }
        return notes;
    }
    Lines Take(uint32_t u32Backend)
    {
        Lines lines = fakeBackend(u32Backend).lines;
        fakeBackend(u32Backend).lines.clear();
        return lines;
    }
    Bytes Read(uint32_t u32Handle, uint32_t u32Count, uint32_t u32Flags, uint32_t *pu32Result)
    {
        Bytes bytes(u32Count);
        *pu32Result = ReadI2CBuf(u32Handle, 0x50, bytes.data(), u32Count, u32Flags);
        return bytes;
    }
    TempDir m_dir;
};

TEST_F(WinBusTest, WithoutDescriptionEveryGraphicsOutputWithADisplayIsDrivenAndAllUnitsLogged)
{
    fakeAddUnit(NVAPI, "NVAPI:1", "\\\\.\\DISPLAY1, output id 0x100", true);
    fakeAddUnit(NVAPI, "NVAPI:2", "\\\\.\\DISPLAY3, output id 0x400", false);
    fakeAddUnit(ADL, "ADL:1", "\\\\.\\DISPLAY2, LG on Radeon", true);
    fakeAddUnit(BRIDGES, "MCP2221:0001234567", "USB VID_04D8&PID_00DD", false);
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(u32DdcBenchOutputCount(), 2u);
    uint32_t u32Source = 9;
    GetLibraryInfo(DDC_LIB_SOURCE, &u32Source);
    EXPECT_EQ(u32Source, (uint32_t)DDC_SOURCE_MACHINE);
    EXPECT_EQ(Notes(), Lines({
        "bus: found MCP2221 MCP2221:0001234567: USB VID_04D8&PID_00DD",
        "bus: found NVAPI NVAPI:1: \\\\.\\DISPLAY1, output id 0x100, a display attached",
        "bus: found NVAPI NVAPI:2: \\\\.\\DISPLAY3, output id 0x400",
        "bus: found ADL ADL:1: \\\\.\\DISPLAY2, LG on Radeon, a display attached",
        "bench: output 0 is NVAPI:1 (\\\\.\\DISPLAY1, output id 0x100)",
        "bench: output 1 is ADL:1 (\\\\.\\DISPLAY2, LG on Radeon)",
        "bench: real displays: 2 graphics outputs with a display, driven through NVAPI or ADL",
        "bus: NVAPI:1 on \\\\.\\DISPLAY1, output id 0x100, through NVAPI",
        "bus: ADL:1 on \\\\.\\DISPLAY2, LG on Radeon, through ADL",
    }));
    EXPECT_EQ(fakeBackend(NVAPI).u32Finds, 1u) << "the first start uses the bench's own look";
    DeinitDDCHelper();
    EXPECT_EQ(fakeBackend(ADL).u32Unloads, 1u);
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(fakeBackend(ADL).u32Finds, 2u);
}

TEST_F(WinBusTest, ASimulatedBenchLoadsNoDriversLibrary)
{
    fakeAddUnit(NVAPI, "NVAPI:1", "D1", true);
    vDdcBenchClear();
    ASSERT_EQ(s32DdcBenchAddDisplay(nullptr, 0, 256), 0);
    ASSERT_EQ(InitDDCHelper(), 0u);
    EXPECT_EQ(fakeBackend(NVAPI).u32Finds, 0u);
    DeinitDDCHelper();
    EXPECT_EQ(fakeBackend(NVAPI).u32Unloads, 0u);
}

TEST_F(WinBusTest, ChainedReadsGoOnFromTheCounterInPiecesTheBackEndTakes)
{
    FakeUnit &unit = fakeAddUnit(NVAPI, "NVAPI:1", "D1", true);
    for (uint32_t i = 0; i < 256; i++)
        unit.mem.u8Mem[i] = (uint8_t)(i * 3);
    ASSERT_EQ(InitDDCHelper(), 0u);
    const uint8_t u8Addr = 0x10;
    ASSERT_EQ(WriteI2CBuf(H0, 0x50, &u8Addr, 1, 0), 0u);
    uint32_t u32First = 0, u32Second = 0;
    Bytes first = Read(H0, 40, DDC_READ_KEEP_OPEN, &u32First);
    Bytes second = Read(H0, 8, DDC_READ_CONTINUE, &u32Second);
    ASSERT_EQ(u32First, 0u);
    ASSERT_EQ(u32Second, 0u);
    EXPECT_EQ(first[0], 0x30);
    EXPECT_EQ(first[39], (uint8_t)(0x37 * 3));
    EXPECT_EQ(second[0], (uint8_t)(0x38 * 3));
    EXPECT_EQ(Take(NVAPI), Lines({"open 0", "write 0 10", "close 0", "open 0", "read 0 @10 16",
                                  "read 0 @20 16", "read 0 @30 8", "read 0 @38 8", "close 0"}));
    // The one-byte register address ends at 256, where the counter rolls over.
    uint32_t u32Past = 0;
    const uint8_t u8End = 0xF8;
    ASSERT_EQ(WriteI2CBuf(H0, 0x50, &u8End, 1, 0), 0u);
    Take(NVAPI);
    Bytes over = Read(H0, 16, 0, &u32Past);
    EXPECT_EQ(u32Past, 0u);
    EXPECT_EQ(over[8], 0x00);
    EXPECT_EQ(Take(NVAPI), Lines({"open 0", "read 0 @F8 8", "read 0 @00 8", "close 0"}));
    Read(H0, 1, DDC_READ_CONTINUE, &u32Past);
    EXPECT_EQ(u32Past, DDC_ERR_NO_OPEN_READ);
}

TEST_F(WinBusTest, WritesKeepThePageRuleArePolledThroughTheCycleAndTooLongOnesRefused)
{
    fakeAddUnit(NVAPI, "NVAPI:1", "D1", true);
    ASSERT_EQ(InitDDCHelper(), 0u);
    const uint8_t au8Page[] = {0x06, 0xA1, 0xA2, 0xA3};
    ASSERT_EQ(WriteI2CBuf(H0, 0x50, au8Page, sizeof(au8Page), 0), 0u);
    uint32_t u32Result = 0;
    Bytes back = Read(H0, 7, 0, &u32Result);
    EXPECT_EQ(u32Result, 0u) << "read through the write cycle";
    EXPECT_EQ(back, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xA1, 0xA2}))
        << "the counter rolled over in its page, to 0x01";
    EXPECT_EQ(fakeBackend(NVAPI).units[0].mem.u8Mem[0], 0xA3);
    Lines lines = Take(NVAPI);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "write 0 06 A1 A2 A3");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "read 0 @01 7"), 6) << "polled 5 ms";

    Bytes tooLong(18, 0x00);
    EXPECT_EQ(WriteI2CBuf(H0, 0x50, tooLong.data(), 18, 0), DDC_ERR_BAD_COUNT);
    EXPECT_EQ(Take(NVAPI), Lines());
    EXPECT_EQ(Notes().back(), "bus: NVAPI:1 (D1): the bus writes at most 17 bytes at once; 18 "
                              "bytes are refused, 0x70000005");
}

TEST_F(WinBusTest, AFailedTransferIsLoggedInTheLinuxLayersWords)
{
    fakeAddUnit(ADL, "ADL:1", "D2", true);
    ASSERT_EQ(InitDDCHelper(), 0u);
    fakeBackend(ADL).units[0].u32FailNext = DDC_ERR_TIMEOUT;
    uint8_t au8Block[128];
    EXPECT_EQ(ReadEDID(H0, au8Block), DDC_ERR_TIMEOUT);
    EXPECT_EQ(Notes().back(), "bus: ADL:1 (D2): ReadEDID: 0x70000019 (timed out)");
    EXPECT_EQ(Take(ADL), Lines({"open 0", "read 0 @00 16", "close 0"}));
    EXPECT_EQ(TestAddr(H0, 0x51), DDC_ERR_NO_ACK);
    EXPECT_EQ(Take(ADL), Lines());
}

TEST_F(WinBusTest, ADescriptionNamesBridgesByKindSerialOrPlaceAndOutputsByNumber)
{
    fakeAddUnit(BRIDGES, "MCP2221:0000000011", "bridge one", false);
    fakeAddUnit(BRIDGES, "FT260", "bridge two", false);
    fakeAddUnit(BRIDGES, "MCP2221:0000000022", "bridge three", false);
    fakeAddUnit(ADL, "ADL:1", "D2", true);
    Name(REAL_BY_BRIDGE, "MCP2221");
    Name(REAL_BY_BRIDGE, "mcp2221:#2");
    Name(REAL_BY_BRIDGE, "FT260");
    Name(REAL_BY_CONNECTOR, "ADL:1");
    Name(REAL_BY_CONNECTOR, "NVAPI:1");
    ASSERT_EQ(InitDDCHelper(), 0u);
    std::vector<uint32_t> errors;
    for (uint32_t i = 0; i < 5; i++) {
        uint32_t u32Error = 0;
        GetOutputInfo(DDC_BENCH_HANDLE(i), DDC_INFO_ADAPTER_ERROR, &u32Error);
        errors.push_back(u32Error);
    }
    EXPECT_EQ(errors, std::vector<uint32_t>({DDC_ERR_NO_ADAPTER, 0, 0, 0, DDC_ERR_NO_ADAPTER}));
    Lines notes = Notes();
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "bus: MCP2221: several bridges of that kind are attached: name one by its "
                        "serial number (KIND:SERIAL) or its place (KIND:#N); the output answers "
                        "0x7000001D"),
              notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(), "bus: mcp2221:#2 on bridge three, through MCP2221"),
              notes.end());
    uint8_t u8Byte = 0;
    EXPECT_EQ(ReadI2CBuf(H1, 0x50, &u8Byte, 1, 0), 0u);
    EXPECT_EQ(Take(BRIDGES), Lines({"open 2", "read 2 @00 1", "close 2"}));
}

// A bridge reaches a two-block memory's 0x51, but cannot send a segment
// read's three messages; the drivers' calls are used at 0xA0 alone. What
// cannot be reached is refused before any transfer, and the log says why.
TEST_F(WinBusTest, ABridgeReachesATwoBlockMemoryButNoSegmentOne)
{
    FakeUnit &unit = fakeAddUnit(BRIDGES, "FT260", "bridge", false);
    unit.mem.u32Size = 512;
    unit.mem.u32Addressing = DDC_ADDRESSING_BLOCKS;
    fakeAddUnit(NVAPI, "NVAPI:1", "D1", true);
    Name(REAL_BY_BRIDGE, "FT260");
    Name(REAL_BY_BRIDGE, "FT260");
    Name(REAL_BY_CONNECTOR, "NVAPI:1");
    vDdcBenchSetAddressing(0, DDC_ADDRESSING_BLOCKS);
    vDdcBenchSetAddressing(1, DDC_ADDRESSING_SEGMENT);
    vDdcBenchSetAddressing(2, DDC_ADDRESSING_BLOCKS);
    ASSERT_EQ(InitDDCHelper(), 0u);
    std::vector<uint32_t> reasons;
    for (uint32_t i = 0; i < 3; i++) {
        uint32_t u32Why = 9;
        GetOutputInfo(DDC_BENCH_HANDLE(i), DDC_INFO_REACH, &u32Why);
        reasons.push_back(u32Why);
    }
    EXPECT_EQ(reasons, std::vector<uint32_t>({0, DDC_REACH_TWO_MESSAGES, DDC_REACH_DRIVER}));
    Take(BRIDGES);
    const uint8_t au8Packet[] = {0x08, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(WriteI2CBuf(H0, 0x51, au8Packet, sizeof(au8Packet), 0), 0u);
    EXPECT_EQ(Bytes(fakeBackend(BRIDGES).units[0].mem.u8Mem + 264,
                    fakeBackend(BRIDGES).units[0].mem.u8Mem + 272),
              Bytes(au8Packet + 1, au8Packet + 9));
    Take(BRIDGES);
    EXPECT_EQ(WriteI2CBuf(H1, 0x51, au8Packet, sizeof(au8Packet), 0), DDC_ERR_CANNOT_REACH);
    EXPECT_EQ(WriteI2CBuf(DDC_BENCH_HANDLE(2), 0x51, au8Packet, 9, 0), DDC_ERR_CANNOT_REACH);
    EXPECT_EQ(Take(BRIDGES), Lines());
    EXPECT_EQ(Take(NVAPI), Lines());
    Lines notes = Notes();
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "bus: FT260 on bridge: its memory's bytes past 255 cannot be reached: the "
                        "bridge sends at most two messages in one transfer, and a segment read "
                        "needs three (segment, offset, read); they answer 0x70000023"),
              notes.end());
    EXPECT_EQ(notes.back(), "bus: NVAPI:1 (D1): bytes past 255 of a two-block memory: the "
                            "graphics driver's I2C call is used at 0xA0 alone (no second address, "
                            "no segment pointer): use a USB-I2C bridge, 0x70000023");
}

TEST(WinBusNames, BridgeAndConnectorNamesAndWhichUnitTheyPick)
{
    EXPECT_TRUE(bWinBridgeNameValid("MCP2221"));
    EXPECT_TRUE(bWinBridgeNameValid("cp2112:ABC123"));
    EXPECT_TRUE(bWinBridgeNameValid("FT260:#3"));
    EXPECT_FALSE(bWinBridgeNameValid("CH341"));
    EXPECT_FALSE(bWinBridgeNameValid("FT260:#0"));
    EXPECT_FALSE(bWinBridgeNameValid("FT260:"));
    EXPECT_FALSE(bWinBridgeNameValid("FT260:#x"));
    EXPECT_FALSE(bWinBridgeNameValid("FT260:a b"));
    EXPECT_TRUE(bWinConnectorNameValid("NVAPI:1"));
    EXPECT_TRUE(bWinConnectorNameValid("adl:12"));
    EXPECT_FALSE(bWinConnectorNameValid("NVAPI:0"));
    EXPECT_FALSE(bWinConnectorNameValid("ADL"));
    EXPECT_FALSE(bWinConnectorNameValid("card0-DP-1"));

    stWinBusUnit ast[3] = {{"FT260:#1", "", 0}, {"FT260:#2", "", 0}, {"CP2112:XY", "", 0}};
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "FT260", ast, 3), WINBUS_AMBIGUOUS);
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "FT260:#2", ast, 3), 1);
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "FT260:#3", ast, 3), WINBUS_NO_UNIT);
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "CP2112", ast, 3), 2);
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "CP2112:XY", ast, 3), 2);
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "CP2112:XZ", ast, 3), WINBUS_NO_UNIT);
    EXPECT_EQ(s32WinBusPick(REAL_BY_BRIDGE, "FT260:#1", ast, 1), 0);
    stWinBusUnit astOut[2] = {{"NVAPI:1", "", 1}, {"NVAPI:2", "", 1}};
    EXPECT_EQ(s32WinBusPick(REAL_BY_CONNECTOR, "nvapi:2", astOut, 2), 1);
    EXPECT_EQ(s32WinBusPick(REAL_BY_CONNECTOR, "NVAPI:3", astOut, 2), WINBUS_NO_UNIT);
    EXPECT_EQ(s32WinBusPick(REAL_BY_CONNECTOR, "ADL:1", astOut, 2), WINBUS_NO_UNIT);
}

TEST(WinBusCounter, AWriteSetsTheCounterOrLeavesItAfterItsDataInsideThePage)
{
    EXPECT_EQ(u32RealCounterAfterWrite(0x42, 0), 0x42u);
    EXPECT_EQ(u32RealCounterAfterWrite(0x40, 8), 0x40u);
    EXPECT_EQ(u32RealCounterAfterWrite(0x43, 2), 0x45u);
    EXPECT_EQ(u32RealCounterAfterWrite(0xFE, 3), 0xF9u);
}

} // namespace
