// Message box under a long log: the cost of one append at 10 and at 100,000
// lines, and reading every line back for a save.
//   QT_QPA_PLATFORM=offscreen build/bench_textbox [lines]
#include "app/app_shell.h"
#include "files/msg_log.h"
#include "platform/userint/userint.h"
#include "platform/userint/userint_test.h"
#include "ui/Pavimo.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

double dNowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Microseconds per line of 16 byte fragments, averaged over u32Lines lines.
double dAppendLines(int s32Lines)
{
    double dStart = dNowMs();
    for (int i = 0; i < s32Lines; i++) {
        for (int k = 0; k < 16; k++)
            vPrintMsg("0x%02X ", k);
        vPrintMsg("\n>");
        ProcessDrawEvents();
    }
    return (dNowMs() - dStart) * 1000.0 / s32Lines;
}

} // namespace

int main(int argc, char *argv[])
{
    int s32Lines = argc > 1 ? atoi(argv[1]) : 100000;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!InitCVIRTE(nullptr, argv, nullptr))
        return 1;
    vUiSetProjectDir(TAVOLIN_SOURCE_DIR "/ui");
    vInstallCallbackTable();
    if (s32LoadPanels() < 0)
        return 1;
    DisplayPanel(gst_UiHandles.s32MainPanel);
    double dEarly = dAppendLines(10);
    dAppendLines(s32Lines - 110);
    double dLate = dAppendLines(100);
    int s32Count = 0;
    GetNumTextBoxLines(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, &s32Count);
    static char cLine[TEXT_BUF_SIZE];
    double dStart = dNowMs();
    size_t total = 0;
    for (int i = 0; i < s32Count; i++) {
        GetTextBoxLine(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, i, cLine, sizeof(cLine));
        total += strlen(cLine);
    }
    double dReadMs = dNowMs() - dStart;
    printf("lines in box            %d\n", s32Count);
    printf("append, first 10 lines  %.1f us per line\n", dEarly);
    printf("append, last 100 lines  %.1f us per line\n", dLate);
    printf("read back every line    %.1f ms (%zu characters)\n", dReadMs, total);
    vDiscardPanels();
    return 0;
}
