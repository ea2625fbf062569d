// Fixture for tests that run device commands against the simulated bench:
// the bench is built in the test, the library started as at start-up.
#ifndef DEVICE_FIXTURE_H
#define DEVICE_FIXTURE_H

#include "tests/support/edid_maker.h"
#include "tests/support/test_env.h"

#include "platform/ddc/ddc_bench_test.h"

#include <string>
#include <vector>

class DeviceTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a display holding the image, in the smallest memory that holds it.
    int AddDisplay(const std::vector<uint8_t> &image);
    int AddBlankDisplay(uint32_t u32MemSize = 256);
    // Starts the library (the action of the start-up command) and clears
    // the message box and the transaction log behind it.
    void InitLibrary();
    // Library calls of one operation since the log was last cleared.
    std::vector<stDdcBenchCall> Calls(uint32_t u32Op);
    std::vector<std::string> CallLines();
    // Calls since the log was cleared that reach the bus or change it: all
    // but the questions of GetOutputInfo.
    uint32_t BusCallCount();
    // Progress percentages seen at each pause, in order, and the time each
    // pause ended, in ms after RecordProgress.
    std::vector<int> m_progress;
    std::vector<uint64_t> m_pauseEnds;
    void RecordProgress();
    // Where pauses of these lengths end, one after the other: paced pauses
    // end there whatever time the bus takes between them.
    static std::vector<uint64_t> Schedule(const std::vector<int> &pauses);
    std::string MonitorFile(int s32Number, const std::string &id);
    std::vector<std::string> ListLabels();
    void Select(int s32Index);
};

#endif
