// Finding the bench at start-up: the description named by DDCHELPER_BENCH,
// else DDCBench.txt beside the program, else the machine's displays;
// DDCHELPER_BENCH=builtin asks for the built-in bench. Simulated displays
// are never started unasked: a machine without a display's bus gets no
// outputs, so nothing passes that was not done.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_bench_file.h"
#include "ddc_default_bench.h"
#include "ddc_i2cdev.h"
#include "ddc_kernel.h"
#include "ddc_liblog.h"
#include "ddc_os.h"
#include "ddc_state.h"

namespace {

int32_t gb_PersistenceAllowed = 1;
// The value of DDCHELPER_BENCH that names no file but the built-in bench,
// so a machine with displays can run the simulated ones without a file.
const char gc_BuiltinName[] = "builtin";

// Reads the description; 1 when it could be used.
int32_t bUseDescription(const char *pcPath)
{
    char cWhy[BENCH_PATH_SIZE + 128u];
    if (s32BenchReadDescription(pcPath, cWhy, sizeof(cWhy)) < 0) {
        vLogNote("bench: %s; using the built-in bench", cWhy);
        return 0;
    }
    snprintf(gst_Bench.cStatePath, sizeof(gst_Bench.cStatePath), "%s.state", pcPath);
    gst_Bench.u32Source = DDC_SOURCE_DESCRIPTION;
    vLogNote("bench: %u outputs from %s", gst_Bench.u32Outputs, pcPath);
    return 1;
}

// Without a description: the machine's own displays where it has DRM
// connectors with DDC adapters. Their memories keep what is written, so
// nothing persists beside the program. Without such connectors no outputs.
void vUseMachineDisplays(void)
{
    uint32_t u32Count = u32RealAddConnectors();
    if (u32Count == 0) {
        // Windows has no kernel table: no sysfs root at all.
        const char *pcRoot = pstDdcKernel()->pcSysRoot;
        int32_t bHasSys = pcRoot && pcRoot[0];
        vBenchClear();
        gst_Bench.u32Source = bHasSys ? DDC_SOURCE_NO_DISPLAY_BUS : DDC_SOURCE_NO_BUS_PATH;
#ifdef _WIN32
        vLogNote("bench: no description, and no %s", pcRealMachineBuses());
#else
        vLogNote("bench: no description, and no DRM connector with a DDC adapter under %s/class/drm",
                 bHasSys ? pcRoot : "(no sysfs)");
#endif
        vLogNote("bench: no outputs; DDCHELPER_BENCH=%s asks for the built-in simulated bench",
                 gc_BuiltinName);
        return;
    }
    vLogNote("bench: real displays: %u %s", u32Count, pcRealMachineBuses());
}

} // namespace

void vBenchSetPersistence(int32_t bOn) { gb_PersistenceAllowed = bOn; }

int32_t bBenchPersistenceAllowed(void) { return gb_PersistenceAllowed; }

void vBenchLoadIfNeeded(void)
{
    if (gst_Bench.bLoaded)
        return;
    static char cDir[BENCH_PATH_SIZE - 32u];
    static char cPath[BENCH_PATH_SIZE];
    vDdcOsProgramDir(cDir, sizeof(cDir));
    const char *pcEnv = getenv("DDCHELPER_BENCH");
    int32_t bBuiltin = pcEnv && strcmp(pcEnv, gc_BuiltinName) == 0;
    if (pcEnv && pcEnv[0])
        snprintf(cPath, sizeof(cPath), "%s", pcEnv);
    else
        snprintf(cPath, sizeof(cPath), "%sDDCBench.txt", cDir);
    int32_t bNamed = !bBuiltin && ((pcEnv && pcEnv[0]) || bDdcOsExists(cPath));
    if (bBuiltin)
        vLogNote("bench: DDCHELPER_BENCH=%s: the built-in bench, whatever displays the "
                 "machine has", gc_BuiltinName);
    else if (!bNamed) {
        vUseMachineDisplays();
        return;
    }
    if (bBuiltin || !bUseDescription(cPath)) {
        vBenchUseDefault();
        gst_Bench.u32Source = DDC_SOURCE_BUILTIN;
        if (cDir[0])
            snprintf(gst_Bench.cStatePath, sizeof(gst_Bench.cStatePath), "%sDDCBench.state", cDir);
        vLogNote("bench: built-in bench of %u outputs", gst_Bench.u32Outputs);
    }
    if (!gb_PersistenceAllowed)
        gst_Bench.cStatePath[0] = '\0';
    if (gst_Bench.cStatePath[0])
        vLogNote("bench: memories persist in %s", gst_Bench.cStatePath);
    vStateLoad();
}
