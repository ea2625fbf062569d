// Cost of the bus library's bookkeeping per call: a 128-byte read and a
// 9-byte packet write without the log, with the log (one flushed line per
// call), and a write that also rewrites the state file of a bench of 16
// displays with 2048-byte memories (the largest state file).
//   build/bench_ddc_log [calls]
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench_test.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);

double dNowUs()
{
    using namespace std::chrono;
    return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

double dReads(int s32Calls)
{
    uint8_t u8Buf[128];
    double dStart = dNowUs();
    for (int i = 0; i < s32Calls; i++) {
        ReadI2CBuf(H0, 0x50, u8Buf, 128, 0);
        if ((i & 1023) == 1023)
            vDdcBenchLogClear();
    }
    return (dNowUs() - dStart) / s32Calls;
}

// The virtual clock steps over each write cycle without waiting.
double dWrites(int s32Calls)
{
    uint8_t u8Packet[9] = {0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    double dStart = dNowUs();
    for (int i = 0; i < s32Calls; i++) {
        u8Packet[0] = (uint8_t)(i * 8);
        WriteI2CBuf(H0, 0x50, u8Packet, 9, 0);
        vClockAdvance(5);
        if ((i & 1023) == 1023)
            vDdcBenchLogClear();
    }
    return (dNowUs() - dStart) / s32Calls;
}

} // namespace

int main(int argc, char *argv[])
{
    int s32Calls = argc > 1 ? atoi(argv[1]) : 20000;
    char cDir[] = "/tmp/bench-ddc-XXXXXX";
    if (!mkdtemp(cDir))
        return 1;
    std::string dir = cDir, log = dir + "/log.txt", desc = dir + "/bench.txt";
    vClockUseVirtual(1);
    vDdcBenchReset();
    vDdcBenchUseDefault();
    InitDDCHelper();
    printf("read 128 bytes, no log        %7.2f us per call\n", dReads(s32Calls));
    printf("write 9 bytes, no log         %7.2f us per call\n", dWrites(s32Calls));
    EnableLog(log.c_str(), 1);
    printf("read 128 bytes, log           %7.2f us per call\n", dReads(s32Calls));
    printf("write 9 bytes, log            %7.2f us per call\n", dWrites(s32Calls));
    DisableLog();

    FILE *pFile = fopen(desc.c_str(), "w");
    for (int i = 0; pFile && i < 16; i++)
        fprintf(pFile, "[output]\nedid = blank\nmemory = 2048\n");
    if (pFile)
        fclose(pFile);
    setenv("DDCHELPER_BENCH", desc.c_str(), 1);
    vDdcBenchReset();
    vDdcBenchAllowPersistence(1);
    InitDDCHelper();
    printf("write 9 bytes, 33 KB state    %7.2f us per call\n", dWrites(s32Calls / 10));
    vDdcBenchReset();
    std::string state = desc + ".state";
    unlink(state.c_str());
    unlink(desc.c_str());
    unlink(log.c_str());
    rmdir(cDir);
    return 0;
}
