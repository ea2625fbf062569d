#include "tests/support/device_fixture.h"

#include "app/app_shell.h"
#include "device/ddc_start.h"
#include "platform/clock/PlatformClock.h"
#include "ui/Pavimo.h"

namespace {

void vRecordPercent(uint32_t, void *pvContext)
{
    int s32Value = -1;
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_PERCENT, &s32Value);
    static_cast<std::vector<int> *>(pvContext)->push_back(s32Value);
}

} // namespace

void DeviceTest::SetUp()
{
    AppTest::SetUp();
    vDdcBenchReset();
    vDdcBenchClear();
    LoadPanels();
}

void DeviceTest::TearDown()
{
    vDdcBenchReset();
    AppTest::TearDown();
}

int DeviceTest::AddDisplay(const std::vector<uint8_t> &image)
{
    uint32_t u32Mem = 256;
    while (u32Mem < image.size() && u32Mem < 2048)
        u32Mem *= 2;
    return s32DdcBenchAddDisplay(image.data(), (uint32_t)image.size(), u32Mem);
}

int DeviceTest::AddBlankDisplay(uint32_t u32MemSize)
{
    return s32DdcBenchAddDisplay(nullptr, 0, u32MemSize);
}

void DeviceTest::InitLibrary()
{
    s32InitDdcAction();
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    vClockResetPauses();
}

std::vector<stDdcBenchCall> DeviceTest::Calls(uint32_t u32Op)
{
    std::vector<stDdcBenchCall> calls;
    for (uint32_t i = 0; i < u32DdcBenchLogCount(); i++) {
        stDdcBenchCall call;
        if (bDdcBenchLogCall(i, &call) && call.u32Op == u32Op)
            calls.push_back(call);
    }
    return calls;
}

std::vector<std::string> DeviceTest::CallLines() { return lstDdcBenchCalls(); }

void DeviceTest::RecordProgress()
{
    m_progress.clear();
    vClockSetPauseHook(vRecordPercent, &m_progress);
}

std::string DeviceTest::MonitorFile(int s32Number, const std::string &id)
{
    return m_dir.file("MonitorEDID/Monitor_" + std::to_string(s32Number) + "_" + id + ".bin");
}

std::vector<std::string> DeviceTest::ListLabels()
{
    std::vector<std::string> labels;
    int s32Count = 0;
    GetNumListItems(MainPanel(), MAIN_MONITOR_LIST, &s32Count);
    for (int i = 0; i < s32Count; i++) {
        char cLabel[64];
        GetLabelFromIndex(MainPanel(), MAIN_MONITOR_LIST, i, cLabel, sizeof(cLabel));
        labels.push_back(cLabel);
    }
    return labels;
}

void DeviceTest::Select(int s32Index) { SetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, s32Index); }
