// The measured phases of bench_tavolin, each run in a process of its own so
// that its peak resident memory is its own. A phase prints "key value" lines.
#include "bench/bench_tavolin.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "device/ddc_start.h"
#include "device/edid_bus.h"
#include "device/edid_files.h"
#include "device/edid_receive.h"
#include "device/edid_write.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/package_writer.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/ddc_bench_test.h"
#include "platform/userint/userint.h"
#include "platform/userint/userint_test.h"
#include "ui/Pavimo.h"

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

char gc_ScratchDir[256] = "";

double dWallMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1000.0 + (double)now.tv_nsec / 1e6;
}

// Peak resident memory of this process so far, in kB.
long long s64PeakKb()
{
    FILE *pFile = fopen("/proc/self/status", "r");
    char cLine[256];
    long long s64Kb = -1;
    while (pFile && fgets(cLine, sizeof(cLine), pFile)) {
        if (strncmp(cLine, "VmHWM:", 6) == 0)
            s64Kb = strtoll(cLine + 6, nullptr, 10);
    }
    if (pFile)
        fclose(pFile);
    return s64Kb;
}

void vWallSleepMs(int s32Ms)
{
    struct timespec wait = {s32Ms / 1000, (long)(s32Ms % 1000) * 1000000L};
    nanosleep(&wait, nullptr);
}

bool bCopyFile(const char *pcFrom, const char *pcTo)
{
    FILE *pIn = fopen(pcFrom, "rb");
    FILE *pOut = pIn ? fopen(pcTo, "wb") : nullptr;
    char cBuf[65536];
    size_t n = 0;
    while (pOut && (n = fread(cBuf, 1, sizeof(cBuf), pIn)) > 0)
        fwrite(cBuf, 1, n, pOut);
    bool bOk = pIn && pOut && fclose(pOut) == 0;
    if (pIn)
        fclose(pIn);
    return bOk;
}

int s32RemoveEntry(const char *pcPath, const struct stat *, int, struct FTW *)
{
    return remove(pcPath);
}

void vRemoveScratch() { nftw(gc_ScratchDir, s32RemoveEntry, 8, FTW_DEPTH | FTW_PHYS); }

// A program folder of the phase's own holding the real Pavimo.uir.
bool bMakeScratch()
{
    snprintf(gc_ScratchDir, sizeof(gc_ScratchDir), "/tmp/tavolin-bench-XXXXXX");
    if (!mkdtemp(gc_ScratchDir))
        return false;
    atexit(vRemoveScratch);
    char cUir[512];
    snprintf(cUir, sizeof(cUir), "%s/Pavimo.uir", gc_ScratchDir);
    vUiSetProjectDir(gc_ScratchDir);
    return bCopyFile(TAVOLIN_SOURCE_DIR "/ui/Pavimo.uir", cUir);
}

void vFixChecksum(std::vector<uint8_t> &edid, size_t block)
{
    uint8_t u8Sum = 0;
    for (size_t i = block * 128; i < block * 128 + 127; i++)
        u8Sum = (uint8_t)(u8Sum + edid[i]);
    edid[block * 128 + 127] = (uint8_t)(0x100 - u8Sum);
}

// A valid base block (maker DEL, product 0x40F3) and u8Ext extension blocks.
std::vector<uint8_t> lstMakeEdid(uint8_t u8Ext)
{
    static const uint8_t u8Head[20] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC,
                                       0xF3, 0x40, 0, 0, 0, 0, 0, 0, 1, 4};
    std::vector<uint8_t> edid((u8Ext + 1u) * 128u, 0);
    memcpy(edid.data(), u8Head, sizeof(u8Head));
    for (size_t i = 20; i < 126; i++)
        edid[i] = (uint8_t)i;
    edid[126] = u8Ext;
    vFixChecksum(edid, 0);
    for (size_t b = 1; b <= u8Ext; b++) {
        for (size_t k = 0; k < 127; k++)
            edid[b * 128 + k] = (uint8_t)(b * 16 + k);
        vFixChecksum(edid, b);
    }
    return edid;
}

// Shown and painted once, as the operator first sees it.
void vSettle()
{
    for (int i = 0; i < 5; i++) {
        ProcessSystemEvents();
        vWallSleepMs(20);
    }
    ProcessSystemEvents();
}

bool bShowMainPanel()
{
    if (!bMakeScratch() || s32LoadPanels() < 0)
        return false;
    DisplayPanel(gst_UiHandles.s32MainPanel);
    vSettle();
    return true;
}

// The simulated bench with one display, the library started as at start-up.
void vStartBench(const std::vector<uint8_t> &image, uint32_t u32MemSize)
{
    vDdcBenchReset();
    vDdcBenchClear();
    s32DdcBenchAddDisplay(image.data(), (uint32_t)image.size(), u32MemSize);
    s32InitDdcAction();
}

// A package holding the image for port HDMI1, read as choosing it does.
bool bUsePackage(const std::vector<uint8_t> &image)
{
    stPkgPort stPort = {"HDMI1", image.data(), (uint32_t)image.size()};
    static uint8_t u8Pkg[PKG_FILE_SIZE];
    uint32_t u32Bad = 0;
    if (s32PkgBuild("TEXT-A", "TXT-B", PKG_TYPE_HDMI, &stPort, 1, u8Pkg, &u32Bad) != PKG_BUILD_OK)
        return false;
    snprintf(gu8str_PkgFilePath, sizeof(gu8str_PkgFilePath), "%s/job.pkg", gc_ScratchDir);
    FILE *pFile = fopen(gu8str_PkgFilePath, "wb");
    if (!pFile || fwrite(u8Pkg, 1, sizeof(u8Pkg), pFile) != sizeof(u8Pkg) || fclose(pFile) != 0)
        return false;
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PKG_PATH, gu8str_PkgFilePath);
    s32CheckPkgInfoAction();
    return bPkgCheck();
}

bool bLastResultPassed()
{
    int s32Count = 0;
    GetNumTextBoxLines(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, &s32Count);
    static char cLine[TEXT_BUF_SIZE];
    cLine[0] = '\0';
    if (s32Count >= 2)
        GetTextBoxLine(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, s32Count - 2, cLine, sizeof(cLine));
    return strstr(cLine, " - Pass") != nullptr;
}

bool bPrepareProgram()
{
    vStartBench(std::vector<uint8_t>(), 256);
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_FUNC_SHOW_DATA, 1);
    return bUsePackage(lstMakeEdid(1));
}

bool bPrepareErase()
{
    vStartBench(lstMakeEdid(1), 256);
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_FUNC_SHOW_DATA, 1);
    return true;
}

bool bPrepareReceive()
{
    vStartBench(lstMakeEdid(15), 2048);
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_FUNC_SHOW_DATA, 1);
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PAGE_NUM, 16);
    return true;
}

bool bPrepareDump() { return bUsePackage(lstMakeEdid(1)); }

struct stTimedAction {
    const char *pcName;
    bool (*pfnPrepare)();
    int32_t (*pfnAction)();
};

const stTimedAction gst_Actions[] = {
    {"program", bPrepareProgram, s32ProgramAction},
    {"erase", bPrepareErase, s32EraseAction},
    {"receive", bPrepareReceive, s32ReceiveByPageAction},
    {"dump", bPrepareDump, s32ShowPkgAction},
};

// On the virtual clock: the pauses the action asks for. On the real clock:
// its wall time.
int s32RunAction(const stTimedAction *pstAction, bool bVirtual)
{
    vClockUseVirtual(bVirtual ? 1 : 0);
    if (!bShowMainPanel() || !pstAction->pfnPrepare())
        return 1;
    ResetTextBox(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, "");
    vClockResetPauses();
    double dStart = dWallMs();
    uint64_t u64VirtualStart = u64ClockNowMs();
    pstAction->pfnAction();
    double dWall = dWallMs() - dStart;
    if (bVirtual) {
        // The paced pauses keep to the sum asked from the operation's start,
        // less what the bus took: the virtual time is what the operation asks.
        printf("pauses %u\npause_ms %llu\nasked_ms %llu\n", u32ClockPauseCount(),
               (unsigned long long)u64ClockPauseSumMs(),
               (unsigned long long)(u64ClockNowMs() - u64VirtualStart));
    } else {
        printf("wall_ms %.3f\npeak_kb %lld\n", dWall, s64PeakKb());
    }
    printf("passed %d\n", bLastResultPassed() ? 1 : 0);
    vDiscardPanels();
    return 0;
}

// --- A whole Start -----------------------------------------------------------

#define START_WRITE_CYCLE_MS 5   // the bench memory's write cycle, as a typical part's

struct stStartRun {
    const char *pcName;
    int32_t bFast;
    int32_t bErase;
};

const stStartRun gst_StartRuns[] = {
    {"start-pv-paced", 0, 0},
    {"start-pv-fast", 1, 0},
    {"start-epv-fast", 1, 1},
};

// Program and Verify (and Erase) of a 256-byte EDID onto a display holding
// another, at 100 kHz: from the press of Start, through the event loop's own
// ticks, to the verify's result line. The bus floor is what the bench saw:
// every byte's time on the wire at the speed, and one write cycle per packet.
int s32RunStart(const stStartRun *pstRun)
{
    vClockUseVirtual(0);
    if (!bShowMainPanel())
        return 1;
    std::vector<uint8_t> image = lstMakeEdid(1);
    vStartBench(lstMakeEdid(0), 256);
    vDdcBenchSetWriteCycle(0, START_WRITE_CYCLE_MS);
    if (!bUsePackage(image))
        return 1;
    gs32_FastWrites = pstRun->bFast;
    stStartFunctions stFunctions = {pstRun->bErase, 1, 1, 0, 0};
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_FUNC_SHOW_DATA, 0);
    SetCtrlIndex(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, 0);
    SetCtrlIndex(gst_UiHandles.s32MainPanel, MAIN_PORT_LIST, 0);
    ResetTextBox(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, "");
    vSettle();
    vDdcBenchWireClear();
    double dStart = dWallMs();
    vPostStartSequence(&stFunctions);
    while (s32WaitingCommandCount() > 0 || bCommandRunning()) {
        ProcessSystemEvents();
        vWallSleepMs(1);
    }
    double dWall = dWallMs() - dStart;
    double dFloorMs = (double)u64DdcBenchWireUs() / 1000.0 +
                      (double)u32DdcBenchWireWrites() * START_WRITE_CYCLE_MS;
    std::vector<uint8_t> memory = lstDdcBenchMemory(0);
    bool bHolds = memory.size() >= image.size() &&
                  std::equal(image.begin(), image.end(), memory.begin());
    printf("start_ms %.3f\nfloor_ms %.3f\nwrites %u\n", dWall, dFloorMs, u32DdcBenchWireWrites());
    printf("passed %d\n", bLastResultPassed() && bHolds ? 1 : 0);
    vDiscardPanels();
    return 0;
}

// --- The message box ---------------------------------------------------------

const int FRAGMENTS_PER_LINE = 17; // 16 bytes and the line feed
const int SAMPLE_LINES = 100;
const int SAMPLE_COUNT = 20;
const int BIG_LOG_LINES = 100000;

// Lines of a byte dump, each fragment followed by the pump a dump runs.
void vAppendDumpLines(int s32Lines)
{
    for (int i = 0; i < s32Lines; i++) {
        for (uint32_t k = 0; k < DATA_BYTES_PER_LINE; k++) {
            vPrintDataByte((uint8_t)(i + k), k);
            vPumpEvents();
        }
    }
}

int s32BoxLines()
{
    int s32Count = 0;
    GetNumTextBoxLines(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, &s32Count);
    return s32Count;
}

// Microseconds per fragment. Each sample starts with a frame due and ends
// with its text in the document, so it pays for at least one repaint and
// for putting its own lines in.
double dSampleAppends(int s32ResetToLines)
{
    double dTotal = 0;
    for (int s = 0; s < SAMPLE_COUNT; s++) {
        if (s32ResetToLines > 0) {
            ResetTextBox(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, ">");
            vAppendDumpLines(s32ResetToLines);
        }
        s32BoxLines();
        vWallSleepMs(17);
        double dStart = dWallMs();
        vAppendDumpLines(SAMPLE_LINES);
        s32BoxLines();
        dTotal += dWallMs() - dStart;
    }
    return dTotal * 1000.0 / (SAMPLE_COUNT * SAMPLE_LINES * FRAGMENTS_PER_LINE);
}

// Dump lines in large appends, as many dumps would leave them.
void vFillLog(int s32Lines)
{
    static char cChunk[100 * 96];
    int s32Done = 0;
    while (s32Done < s32Lines) {
        size_t used = 0;
        for (int i = 0; i < 100 && s32Done < s32Lines; i++, s32Done++) {
            for (int k = 0; k < 16; k++)
                used += (size_t)snprintf(cChunk + used, sizeof(cChunk) - used, "0x%02X ",
                                         (s32Done + k) & 0xFF);
            used += (size_t)snprintf(cChunk + used, sizeof(cChunk) - used, "\n>");
        }
        SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, cChunk);
    }
}

int s32AnswerSavePath(const stUiFileRequest *, char *pcPath, size_t size, void *)
{
    snprintf(pcPath, size, "%s/log.txt", gc_ScratchDir);
    return VAL_NEW_FILE_SELECTED;
}

long long s64FileLines(const char *pcPath)
{
    FILE *pFile = fopen(pcPath, "rb");
    static char cBuf[65536];
    long long s64Lines = 0;
    size_t n = 0;
    while (pFile && (n = fread(cBuf, 1, sizeof(cBuf), pFile)) > 0) {
        for (size_t i = 0; i < n; i++)
            s64Lines += cBuf[i] == '\n';
    }
    if (pFile)
        fclose(pFile);
    return s64Lines;
}

int s32RunMessageBox()
{
    if (!bShowMainPanel())
        return 1;
    double dSmall = dSampleAppends(10);
    ResetTextBox(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, ">");
    double dStart = dWallMs();
    vFillLog(BIG_LOG_LINES);
    vSettle();
    printf("fill_ms %.1f\n", dWallMs() - dStart);
    double dBig = dSampleAppends(0);
    int s32Count = 0;
    GetNumTextBoxLines(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, &s32Count);
    vUiSetFileResponder(s32AnswerSavePath, nullptr);
    dStart = dWallMs();
    s32SaveMsgToFile();
    double dSave = dWallMs() - dStart;
    char cPath[512];
    snprintf(cPath, sizeof(cPath), "%s/log.txt", gc_ScratchDir);
    printf("append_small_us %.2f\nappend_big_us %.2f\nlines %d\n", dSmall, dBig, s32Count);
    printf("save_ms %.1f\nsaved_lines %lld\npeak_kb %lld\n", dSave, s64FileLines(cPath),
           s64PeakKb());
    printf("passed %d\n", s64FileLines(cPath) == s32Count ? 1 : 0);
    vDiscardPanels();
    return 0;
}

// --- Start-up ----------------------------------------------------------------

void vOnFirstTick(void *)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    printf("tick_ns %lld\npeak_kb %lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec,
           s64PeakKb());
    fflush(stdout);
    vUiSetTickObserver(nullptr, nullptr);
    QuitUserInterface(0);
}

// The program's own main, stopped at its first timer tick.
int s32RunStartupChild(char *argv[])
{
    if (!bMakeScratch())
        return 1;
    vDdcBenchReset();
    vUiSetTickObserver(vOnFirstTick, nullptr);
    static char *pcArgv[] = {argv[0], nullptr};
    return s32TavolinMain(1, pcArgv) == 0 ? 0 : 1;
}

// From just before the program is started to its first tick: the process
// start, the libraries loaded, the window system reached, the panels loaded
// and shown, the event loop entered.
int s32RunStartup(const char *pcSelf)
{
    char cCommand[1024];
    snprintf(cCommand, sizeof(cCommand), "exec '%s' --phase startup-child", pcSelf);
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    FILE *pChild = popen(cCommand, "r");
    char cLine[256];
    long long s64TickNs = 0;
    long long s64Peak = -1;
    while (pChild && fgets(cLine, sizeof(cLine), pChild)) {
        sscanf(cLine, "tick_ns %lld", &s64TickNs);
        sscanf(cLine, "peak_kb %lld", &s64Peak);
    }
    int s32Status = pChild ? pclose(pChild) : -1;
    long long s64StartNs = (long long)start.tv_sec * 1000000000LL + start.tv_nsec;
    printf("startup_ms %.1f\npeak_kb %lld\n", (double)(s64TickNs - s64StartNs) / 1e6, s64Peak);
    printf("passed %d\n", s64TickNs > 0 && s32Status == 0 ? 1 : 0);
    return 0;
}

} // namespace

int s32RunPhase(const char *pcPhase, bool bVirtual, char *argv[])
{
    if (strcmp(pcPhase, "startup-child") == 0)
        return s32RunStartupChild(argv);
    if (strcmp(pcPhase, "startup") == 0)
        return s32RunStartup(argv[0]);
    if (!InitCVIRTE(nullptr, argv, nullptr))
        return 1;
    vInstallCallbackTable();
    if (strcmp(pcPhase, "msgbox") == 0)
        return s32RunMessageBox();
    for (const stTimedAction &stAction : gst_Actions) {
        if (strcmp(pcPhase, stAction.pcName) == 0)
            return s32RunAction(&stAction, bVirtual);
    }
    for (const stStartRun &stRun : gst_StartRuns) {
        if (strcmp(pcPhase, stRun.pcName) == 0)
            return s32RunStart(&stRun);
    }
    return 2;
}
