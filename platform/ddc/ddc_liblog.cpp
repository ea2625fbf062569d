#include "ddc_liblog.h"

#include <stdarg.h>
#include <stdio.h>
#include <time.h>

#include "DDCHelper.h"
#include "ddc_os.h"
#include "platform/clock/PlatformClock.h"

namespace {

FILE *gp_LogFile = nullptr;
uint64_t gu64_LogStartMs = 0;
// Lines are written through this buffer and flushed one by one, so a log
// survives a crash of the program; one write call costs a few microseconds
// (bench/bench_ddc_log.cpp), far below any bus transfer.
char gc_LogBuffer[16384];
char gc_LogLine[8192];

} // namespace

uint32_t u32LogOpen(const char *pcPath)
{
    vLogClose();
    gp_LogFile = fopen(pcPath, "w");
    if (!gp_LogFile)
        return DDC_ERR_LOG_FILE;
    setvbuf(gp_LogFile, gc_LogBuffer, _IOFBF, sizeof(gc_LogBuffer));
    gu64_LogStartMs = u64ClockNowMs();
    time_t now = time(nullptr);
    struct tm local;
    char cDate[64] = "";
    if (bDdcOsLocalTime(now, &local))
        strftime(cDate, sizeof(cDate), "%Y-%m-%d %H:%M:%S", &local);
    fprintf(gp_LogFile, "DDCHelper log started %s; times in ms since then\n", cDate);
    fflush(gp_LogFile);
    char cDir[4096];
    vDdcOsProgramDir(cDir, sizeof(cDir));
    if (pcDdcOsNamedProgramDir())
        vLogNote("folder: installed; the program's files in %s (named by " DDC_PROGRAM_DIR_VARIABLE ")",
                 cDir);
    else
        vLogNote("folder: portable; the program's files beside it in %s", cDir);
    return 0;
}

void vLogClose(void)
{
    if (gp_LogFile)
        fclose(gp_LogFile);
    gp_LogFile = nullptr;
}

int32_t bLogIsOpen(void) { return gp_LogFile != nullptr; }

void vLogNote(const char *pcFormat, ...)
{
    if (!gp_LogFile)
        return;
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(gc_LogLine, sizeof(gc_LogLine), pcFormat, args);
    va_end(args);
    fprintf(gp_LogFile, "%8llu  %s\n", (unsigned long long)(u64ClockNowMs() - gu64_LogStartMs),
            gc_LogLine);
    fflush(gp_LogFile);
}
