// The state file reader of the bus library (platform/ddc/ddc_state.cpp):
// the input is written as the state file of a bench and read by vStateLoad,
// with the library log open, onto the built-in bench and a blank display of
// 2048 bytes, the largest memory (the bench the seeds were saved from).
// Each input is read twice: as it is, and with its last four bytes replaced
// by the CRC-32 of the bytes before them, so that mutations reach past the
// checksum to the entries. What was loaded is then saved (vStateSave) and
// loaded onto a fresh bench, which must then hold the same memories.
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench.h"
#include "platform/ddc/ddc_bench_test.h"
#include "platform/ddc/ddc_default_bench.h"
#include "platform/ddc/ddc_kernel.h"
#include "platform/ddc/ddc_state.h"
#include "tests/fuzz/fuzz_common.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

std::string gs_State;
std::string gs_Log;

struct stMemory {
    uint32_t u32Size;
    std::vector<uint8_t> bytes;
};

// The built-in bench and a blank display of the largest memory.
void vFreshBench(void)
{
    vDdcBenchReset();
    vDdcUseNoKernel();
    vBenchUseDefault();
    bBenchAttachDisplay((uint32_t)s32BenchAddOutput(), nullptr, 0, EEPROM_MAX_SIZE);
    snprintf(gst_Bench.cStatePath, sizeof(gst_Bench.cStatePath), "%s", gs_State.c_str());
}

std::vector<stMemory> lstMemories(void)
{
    std::vector<stMemory> mems;
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        const stBenchOutput *pst = &gst_Bench.ast[i];
        stMemory st = {pst->bHasDisplay ? pst->stMem.u32Size : 0, {}};
        st.bytes.assign(pst->stMem.u8Mem, pst->stMem.u8Mem + st.u32Size);
        mems.push_back(st);
    }
    return mems;
}

void vLoadOnce(const uint8_t *pu8Data, size_t size)
{
    vFreshBench();
    std::vector<stMemory> before = lstMemories();
    fuzz::vWriteFile(gs_State, pu8Data, size);
    EnableLog(gs_Log.c_str(), 1);
    vStateLoad();
    // The bench keeps its outputs and their sizes, whatever the file says.
    std::vector<stMemory> loaded = lstMemories();
    FUZZ_CHECK(loaded.size() == before.size());
    for (size_t i = 0; i < loaded.size(); i++)
        FUZZ_CHECK(loaded[i].u32Size == before[i].u32Size);

    // Saved and loaded again onto the bench as it was: the same memories.
    vStateSave();
    vFreshBench();
    vStateLoad();
    std::vector<stMemory> again = lstMemories();
    FUZZ_CHECK(again.size() == loaded.size());
    for (size_t i = 0; i < again.size(); i++)
        FUZZ_CHECK(again[i].u32Size == loaded[i].u32Size && again[i].bytes == loaded[i].bytes);
    DisableLog();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    vClockUseVirtual(1);
    gs_State = fuzz::strTempFile("bench.txt.state");
    gs_Log = fuzz::strTempFile("ddc.log");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    vLoadOnce(pu8Data, size);
    if (size >= 20) {
        std::vector<uint8_t> sealed(pu8Data, pu8Data + size);
        uint32_t u32Crc = u32Crc32(sealed.data(), (uint32_t)(size - 4), 0);
        for (int i = 0; i < 4; i++)
            sealed[size - 4 + i] = (uint8_t)(u32Crc >> (8 * i));
        vLoadOnce(sealed.data(), sealed.size());
    }
    return 0;
}
