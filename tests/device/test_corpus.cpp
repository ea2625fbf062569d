#include "tests/support/device_fixture.h"
#include "tests/support/edid_corpus.h"

#include "app/app_shell.h"
#include "device/edid_receive.h"
#include "device/monitor_detect.h"
#include "files/package.h"
#include "platform/ddc/DDCHelper.h"
#include "ui/Pavimo.h"

#include <string.h>
#include <unistd.h>

namespace {

// Each real EDID in a display whose memory holds it: detected under the
// identifier the library derives, received byte for byte (the memory read
// on from address 0 wraps at its end), and saved to its monitor file.
class CorpusTest : public DeviceTest {
protected:
    void Check(const stCorpusEdid &edid)
    {
        vDdcBenchClear();
        int s32Output = AddDisplay(edid.bytes);
        ASSERT_EQ(s32Output, 0) << edid.name;
        std::vector<uint8_t> mem = lstDdcBenchMemory(0);
        ASSERT_FALSE(mem.empty());
        auto memAt = [&mem](size_t k) { return mem[k % mem.size()]; };
        InitDDCHelper();
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
        ASSERT_EQ(s32DetectMonitor(), 0);
        ASSERT_EQ(gu8_MonitorNum, 1) << edid.name;
        char cId[MONITOR_ID_SIZE] = "";
        GetEDIDOption(mem.data(), 1, cId, sizeof(cId));
        EXPECT_STREQ(gst_MonitorInfo[0].u8str_MonitorId, cId) << edid.name;

        uint32_t u32Ext = mem[126];
        uint32_t u32Held = (u32Ext < 7 ? u32Ext + 1 : 8) * 128;
        std::vector<uint8_t> expected;
        for (size_t k = 0; k < u32Held; k++)
            expected.push_back(memAt(k));
        std::string file = MonitorFile(1, cId);
        if ((u32Ext + 1) * 128 <= 1024)
            EXPECT_EQ(lstReadBytes(file), expected) << edid.name;
        else
            EXPECT_FALSE(bFileExists(file)) << edid.name;
        unlink(file.c_str());

        memset(gst_MonitorInfo[0].u8EdidBuf, 0xAA, MONITOR_EDID_SIZE);
        ASSERT_EQ(s32ReceiveEdid(PKG_TYPE_OTHER), 1) << edid.name;
        EXPECT_EQ(std::vector<uint8_t>(gst_MonitorInfo[0].u8EdidBuf,
                                       gst_MonitorInfo[0].u8EdidBuf + u32Held),
                  expected)
            << edid.name;

        SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, 16);
        ASSERT_EQ(s32ReceiveEdidByPage(PKG_TYPE_OTHER), 1) << edid.name;
        for (size_t k = 0; k < RECEIVED_EDID_SIZE; k++)
            ASSERT_EQ(gst_ReceivedEdid[0].u8EdidBuf[k], memAt(k)) << edid.name << " byte " << k;
    }

};

TEST_F(CorpusTest, RealEdidsAreDetectedReceivedAndSavedByteForByte)
{
    std::vector<stCorpusEdid> corpus = lstCorpus();
    if (corpus.empty())
        GTEST_SKIP() << strCorpusMissing();
    for (const stCorpusEdid &edid : corpus)
        Check(edid);
}

} // namespace
