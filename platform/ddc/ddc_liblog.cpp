#include "ddc_liblog.h"

#include <stdarg.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include "DDCHelper.h"
#include "ddc_file.h"
#include "ddc_os.h"
#include "platform/clock/PlatformClock.h"

namespace {

FILE *gp_LogFile = nullptr;
uint64_t gu64_LogStartMs = 0;
// A line could not be written (a full disk) since the log was started.
int32_t gb_LogLost = 0;
// Lines are written through this buffer and flushed one by one, so a log
// survives a crash of the program; one write call costs a few microseconds
// (bench/bench_ddc_log.cpp), far below any bus transfer.
char gc_LogBuffer[16384];
char gc_LogLine[8192];

// Each line is flushed on its own, so a failed write shows at once.
void vLogPut(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
void vLogPut(const char *pcFormat, ...)
{
    va_list args;
    va_start(args, pcFormat);
    int32_t bOk = vfprintf(gp_LogFile, pcFormat, args) >= 0;
    va_end(args);
    if (fflush(gp_LogFile) != 0 || !bOk)
        gb_LogLost = 1;
}

} // namespace

uint32_t u32LogOpen(const char *pcPath)
{
    u32LogClose();
    int32_t s32Fd = s32FileCreateFresh(pcPath);
    if (s32Fd < 0)
        return DDC_ERR_LOG_FILE;
    gp_LogFile = fdopen(s32Fd, "w");
    if (!gp_LogFile) {
        close(s32Fd);
        return DDC_ERR_LOG_FILE;
    }
    setvbuf(gp_LogFile, gc_LogBuffer, _IOFBF, sizeof(gc_LogBuffer));
    gu64_LogStartMs = u64ClockNowMs();
    time_t now = time(nullptr);
    struct tm local;
    char cDate[64] = "";
    if (bDdcOsLocalTime(now, &local))
        strftime(cDate, sizeof(cDate), "%Y-%m-%d %H:%M:%S", &local);
    vLogPut("DDCHelper log started %s; times in ms since then\n", cDate);
    char cDir[4096];
    vDdcOsProgramDir(cDir, sizeof(cDir));
    if (pcDdcOsNamedProgramDir())
        vLogNote("folder: installed; the program's files in %s (named by " DDC_PROGRAM_DIR_VARIABLE ")",
                 cDir);
    else
        vLogNote("folder: portable; the program's files beside it in %s", cDir);
    if (!gb_LogLost)
        return 0;
    // A log left empty from its start would be taken for a quiet run: none
    // is left behind.
    u32LogClose();
    remove(pcPath);
    return DDC_ERR_LOG_FILE;
}

uint32_t u32LogClose(void)
{
    int32_t bLost = gb_LogLost;
    if (gp_LogFile && fclose(gp_LogFile) != 0)
        bLost = 1;
    gp_LogFile = nullptr;
    gb_LogLost = 0;
    return bLost ? DDC_ERR_LOG_FILE : 0;
}

int32_t bLogIsOpen(void) { return gp_LogFile != nullptr; }

int32_t bLogLinesLost(void) { return gb_LogLost; }

void vLogNote(const char *pcFormat, ...)
{
    if (!gp_LogFile)
        return;
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(gc_LogLine, sizeof(gc_LogLine), pcFormat, args);
    va_end(args);
    vLogPut("%8llu  %s\n", (unsigned long long)(u64ClockNowMs() - gu64_LogStartMs), gc_LogLine);
}
