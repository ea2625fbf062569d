#include "tests/support/device_fixture.h"

#include "app/app_shell.h"
#include "device/ddc_start.h"
#include "platform/clock/PlatformClock.h"
#include "ui/Pavimo.h"

namespace {

struct stPauseRecord {
    std::vector<int> *pProgress;
    std::vector<uint64_t> *pEnds;
    uint64_t u64StartMs;
};

void vRecordPercent(uint32_t, void *pvContext)
{
    int s32Value = -1;
    GetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_PERCENT, &s32Value);
    auto *pstRecord = static_cast<stPauseRecord *>(pvContext);
    pstRecord->pProgress->push_back(s32Value);
    pstRecord->pEnds->push_back(u64ClockNowMs() - pstRecord->u64StartMs);
}

stPauseRecord gst_PauseRecord;

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

uint32_t DeviceTest::BusCallCount()
{
    return u32DdcBenchLogCount() - (uint32_t)Calls(DDC_OP_GET_OUTPUT_INFO).size();
}

void DeviceTest::RecordProgress()
{
    m_progress.clear();
    m_pauseEnds.clear();
    gst_PauseRecord = {&m_progress, &m_pauseEnds, u64ClockNowMs()};
    vClockSetPauseHook(vRecordPercent, &gst_PauseRecord);
}

std::vector<uint64_t> DeviceTest::Schedule(const std::vector<int> &pauses)
{
    std::vector<uint64_t> ends;
    uint64_t u64End = 0;
    for (int s32Pause : pauses)
        ends.push_back(u64End += (uint64_t)s32Pause);
    return ends;
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
