#include "ddc_driver.h"

#include <stdio.h>

#include "ddc_bench.h"
#include "ddc_file.h"
#include "ddc_os.h"

namespace {

void vWriteTrace(const char *pcLine, uint32_t u32Len)
{
    if (!bBenchPersistenceAllowed())
        return;
    char cDir[BENCH_PATH_SIZE];
    char cPath[BENCH_PATH_SIZE + sizeof(DDC_DRIVER_TRACE_NAME)];
    // An installed program's library lies in a system folder: its trace goes
    // to the program's folder with the rest of its files.
    if (pcDdcOsNamedProgramDir())
        vDdcOsProgramDir(cDir, sizeof(cDir));
    else
        vDdcOsLibraryDir(cDir, sizeof(cDir));
    if (cDir[0]) {
        snprintf(cPath, sizeof(cPath), "%s%s", cDir, DDC_DRIVER_TRACE_NAME);
        bFileReplace(cPath, (const uint8_t *)pcLine, u32Len);
    }
}

} // namespace

void vDriverTraceInstall(const char *pcFolder, uint32_t u32Flag)
{
    char cLine[BENCH_PATH_SIZE + 64u];
    int s32Len = pcFolder ? snprintf(cLine, sizeof(cLine), "InstallDriver(\"%s\", %u)\n",
                                     pcFolder, u32Flag)
                          : snprintf(cLine, sizeof(cLine), "InstallDriver(null, %u)\n", u32Flag);
    // A cut line would name another folder.
    if (s32Len > 0 && s32Len < (int)sizeof(cLine))
        vWriteTrace(cLine, (uint32_t)s32Len);
}

void vDriverTraceUninstall(void)
{
    static const char cLine[] = "UninstallDriver()\n";
    vWriteTrace(cLine, sizeof(cLine) - 1u);
}
