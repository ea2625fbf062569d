// The event pump after each printed byte of a data dump: what one byte costs
// with the draw and system passes that the device operations run after it.
//   QT_QPA_PLATFORM=offscreen build/bench_pump [bytes]
//   xvfb-run build/bench_pump [bytes]
#include "app/app_shell.h"
#include "device/edid_bus.h"
#include "platform/userint/userint.h"
#include "platform/userint/userint_test.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>

namespace {

double dNowUs()
{
    using namespace std::chrono;
    return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

// Microseconds per byte: the byte printed, then the pump.
double dDumpBytes(int s32Bytes, bool bPump)
{
    double dStart = dNowUs();
    for (int k = 0; k < s32Bytes; k++) {
        vPrintDataByte((uint8_t)k, (uint32_t)k);
        if (bPump)
            vPumpEvents();
    }
    return (dNowUs() - dStart) / s32Bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    int s32Bytes = argc > 1 ? atoi(argv[1]) : 10240;
    if (s32Bytes <= 0)
        s32Bytes = 10240;
    if (!InitCVIRTE(nullptr, argv, nullptr))
        return 1;
    vUiSetProjectDir(TAVOLIN_SOURCE_DIR "/ui");
    vUiUseManualTimers(1);
    vInstallCallbackTable();
    if (s32LoadPanels() < 0)
        return 1;
    DisplayPanel(gst_UiHandles.s32MainPanel);
    dDumpBytes(256, true); // first paint and warm-up
    double dPrintOnly = dDumpBytes(s32Bytes, false);
    double dWithPump = dDumpBytes(s32Bytes, true);
    printf("bytes per run            %d\n", s32Bytes);
    printf("print only               %.1f us per byte\n", dPrintOnly);
    printf("print and pump           %.1f us per byte\n", dWithPump);
    printf("pump alone               %.1f us per byte\n", dWithPump - dPrintOnly);
    vDiscardPanels();
    return 0;
}
