// The bridge back end of the Windows bus layer, on models of the chips in
// place of the system's HID devices: how units are named, and that a
// device is opened and set up only for an operation.
#include <gtest/gtest.h>

#include "fake_bridge.h"

#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_hid.h"
#include "platform/ddc/ddc_lib.h"
#include "platform/ddc/ddc_winbus.h"

// The library's options, which this test program does not link otherwise.
stLibState gst_Lib = {0, BRIDGE_DEFAULT_CLOCK_HZ, 3000, 1, 0, 100, 0, 0};

namespace {

struct stFakeHid {
    stHidFound found;
    FakeBridge *pChip;
    bool bUnplugged;
};
std::vector<stFakeHid> g_hid;
FakeBridge *gp_OpenChip = nullptr;

} // namespace

uint32_t u32HidFindBridges(stHidFound *pstFound, uint32_t u32Max)
{
    uint32_t u32Count = 0;
    for (; u32Count < g_hid.size() && u32Count < u32Max; u32Count++)
        pstFound[u32Count] = g_hid[u32Count].found;
    return u32Count;
}

uint32_t u32HidOpen(const char *pcPath, stHidTransport *pstTransport)
{
    for (stFakeHid &hid : g_hid) {
        if (strcmp(hid.found.cPath, pcPath) == 0 && !hid.bUnplugged) {
            gp_OpenChip = hid.pChip;
            *pstTransport = *hid.pChip->Transport();
            return 0;
        }
    }
    return DDC_ERR_ADAPTER_GONE;
}

void vHidClose(void) { gp_OpenChip = nullptr; }

namespace {

stFakeHid Hid(uint32_t u32Kind, const char *pcPath, const char *pcSerial, FakeBridge *pChip)
{
    stFakeHid hid = {};
    snprintf(hid.found.cPath, sizeof(hid.found.cPath), "%s", pcPath);
    snprintf(hid.found.cSerial, sizeof(hid.found.cSerial), "%s", pcSerial);
    hid.found.pstChip = pstBridgeChip(u32Kind);
    hid.pChip = pChip;
    return hid;
}

TEST(WinBridge, UnitsAreNamedByChipAndSerialOrNumberedAndOpenedOnlyForAnOperation)
{
    vClockUseVirtual(1);
    FakeBridge mcp(BRIDGE_MCP2221), ftA(BRIDGE_FT260), ftB(BRIDGE_FT260), cp(BRIDGE_CP2112);
    ftB.bStuck = true;
    g_hid = {Hid(BRIDGE_MCP2221, "\\\\?\\hid#vid_04d8&pid_00dd&mi_02#7&1a2b&0&0000#{4d1e55b2}",
                 "0001234567", &mcp),
             Hid(BRIDGE_FT260, "\\\\?\\hid#vid_0403&pid_6030&mi_00#8&aa&0&0000#{4d1e55b2}", "", &ftA),
             Hid(BRIDGE_FT260, "\\\\?\\hid#vid_0403&pid_6030&mi_00#8&bb&0&0000#{4d1e55b2}", "", &ftB),
             Hid(BRIDGE_CP2112, "\\\\?\\hid#vid_10c4&pid_ea90#9&cc&0&0000#{4d1e55b2}", "", &cp)};
    const stWinBusOps *pstOps = pstWinBridgeOps();
    stWinBusUnit astUnits[WINBUS_MAX_UNITS];
    ASSERT_EQ(pstOps->pfnFind(astUnits, WINBUS_MAX_UNITS), 4u);
    const char *apcNames[] = {"MCP2221:0001234567", "FT260:#1", "FT260:#2", "CP2112:#1"};
    for (uint32_t i = 0; i < 4; i++) {
        EXPECT_STREQ(astUnits[i].cName, apcNames[i]);
        EXPECT_EQ(astUnits[i].bDisplay, 0);
    }
    EXPECT_STREQ(astUnits[0].cDescr, "USB-I2C bridge, vid_04d8&pid_00dd&mi_02#7&1a2b&0&0000");
    EXPECT_EQ(pstOps->u32MaxWrite, 60u);
    EXPECT_EQ(pstOps->u32MaxRead, 60u);
    EXPECT_EQ(gp_OpenChip, nullptr);

    // Each open sets the chip up again: a transfer another program left is cancelled.
    const uint8_t u8Page[] = {0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(pstOps->pfnWrite(2, 0x50, u8Page, 9), DDC_ERR_BUS_FAULT);
    ASSERT_EQ(pstOps->pfnOpen(2), 0u);
    EXPECT_EQ(gp_OpenChip, &ftB);
    EXPECT_EQ(ftB.TakeSent().front(), "set A1 20");
    EXPECT_EQ(pstOps->pfnWrite(2, 0x50, u8Page, 9), 0u);
    Sleep(10);
    uint8_t u8Buf[8] = {};
    EXPECT_EQ(pstOps->pfnRead(2, 0x50, 0x00, u8Buf, 8), 0u);
    EXPECT_EQ(std::vector<uint8_t>(u8Buf, u8Buf + 8), std::vector<uint8_t>(u8Page + 1, u8Page + 9));
    EXPECT_EQ(pstOps->pfnWrite(1, 0x50, u8Page, 9), DDC_ERR_BUS_FAULT); // not the open one
    pstOps->pfnClose(2);
    EXPECT_EQ(gp_OpenChip, nullptr);
    EXPECT_EQ(pstOps->pfnRead(2, 0x50, 0x00, u8Buf, 8), DDC_ERR_BUS_FAULT);

    // Unplugged since the start: gone, and nothing stays open.
    g_hid[0].bUnplugged = true;
    EXPECT_EQ(pstOps->pfnOpen(0), DDC_ERR_ADAPTER_GONE);
    EXPECT_EQ(pstOps->pfnWrite(0, 0x50, u8Page, 9), DDC_ERR_BUS_FAULT);
    pstOps->pfnUnload();
    EXPECT_EQ(pstOps->pfnOpen(3), DDC_ERR_NO_ADAPTER);
    g_hid.clear();
    vClockUseVirtual(0);
}

} // namespace
