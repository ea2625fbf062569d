// Entry points that need no bus: log, driver, start and stop, options,
// version. All but InitDDCHelper work whether or not the library is started.
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_driver.h"
#include "ddc_i2cdev.h"
#include "ddc_lib.h"
#include "ddc_liblog.h"
#include "ddc_txlog.h"

stLibState gst_Lib = {0, 100000u, 3000u, 1u, 0u, DDC_LIBRARY_VERSION, 0u, 0u};

namespace {

const uint32_t gu32_ClockRates[] = {10000,  30000,  50000,  80000, 100000,
                                    130000, 150000, 180000, 200000};
const uint32_t gu32_MaxTimeoutMs = 60000;
const uint32_t gu32_MaxPathRecorded = 1024;

uint32_t u32Record(uint32_t u32Op, uint32_t u32Result, uint32_t u32A = 0, uint32_t u32B = 0,
                   const char *pcText = nullptr)
{
    const uint32_t au32Args[5] = {u32A, u32B, 0, 0, 0};
    uint32_t u32Len = pcText ? (uint32_t)strnlen(pcText, gu32_MaxPathRecorded) : 0;
    return u32RecordCall(u32Op, au32Args, u32Result, pcText, u32Len);
}

uint32_t u32SetOption(uint32_t u32Option, uint32_t u32Value)
{
    if (u32Option == DDC_OPT_CLOCK_HZ) {
        for (uint32_t u32Rate : gu32_ClockRates)
            if (u32Rate == u32Value) {
                gst_Lib.u32ClockHz = u32Value;
                return 0;
            }
    } else if (u32Option == DDC_OPT_TIMEOUT_MS && u32Value >= 1 && u32Value <= gu32_MaxTimeoutMs) {
        gst_Lib.u32TimeoutMs = u32Value;
        return 0;
    } else if (u32Option == DDC_OPT_ADDR_7BIT && u32Value <= 1) {
        gst_Lib.u32Addr7Bit = u32Value;
        return 0;
    }
    return DDC_ERR_BAD_OPTION;
}

uint32_t u32SimulatedOutputs(void)
{
    if (gst_Bench.u32Source != DDC_SOURCE_DESCRIPTION && gst_Bench.u32Source != DDC_SOURCE_BUILTIN)
        return 0;
    uint32_t u32Count = 0;
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++)
        u32Count += gst_Bench.ast[i].stReal.bReal ? 0u : 1u;
    return u32Count;
}

uint32_t u32LibraryInfo(uint32_t u32Option, uint32_t *pu32Value)
{
    if (!pu32Value)
        return DDC_ERR_NULL_POINTER;
    *pu32Value = 0;
    if (u32Option == DDC_LIB_SOURCE)
        *pu32Value = gst_Bench.u32Source;
    else if (u32Option == DDC_LIB_SIMULATED)
        *pu32Value = u32SimulatedOutputs();
    else
        return DDC_ERR_BAD_OPTION;
    return 0;
}

} // namespace

void vLibDefaults(void)
{
    gst_Lib.bStarted = 0;
    gst_Lib.u32ClockHz = 100000u;
    gst_Lib.u32TimeoutMs = 3000u;
    gst_Lib.u32Addr7Bit = 1u;
    gst_Lib.u32EnumNext = 0;
    gst_Lib.u32Version = DDC_LIBRARY_VERSION;
    gst_Lib.u32EdidOptionFault = 0;
    gst_Lib.u32OptionFault = 0;
}

uint32_t EnableLog(const char *pcPath, uint32_t u32Enable)
{
    uint32_t u32Result = 0;
    if (!u32Enable)
        u32Result = u32LogClose();
    else if (!pcPath)
        u32Result = DDC_ERR_NULL_POINTER;
    else
        u32Result = u32LogOpen(pcPath);
    return u32Record(DDC_OP_ENABLE_LOG, u32Result, pcPath != nullptr, u32Enable, pcPath);
}

// Its result tells the caller whether the log lost lines (a full disk),
// which it cannot learn otherwise: the library never prints. The line for
// this call goes into the log before it closes, so it shows only what was
// lost before it.
uint32_t DisableLog(void)
{
    u32Record(DDC_OP_DISABLE_LOG, bLogLinesLost() ? DDC_ERR_LOG_FILE : 0);
    return u32LogClose();
}

uint32_t LogText(const char *pcText)
{
    while (pcText && *pcText) {
        size_t length = strcspn(pcText, "\r\n");
        if (length > 0)
            vLogNote("%.*s", (int)length, pcText);
        pcText += length;
        pcText += strspn(pcText, "\r\n");
    }
    return 0;
}

// Both leave the driver trace. Installing makes sure i2c-dev is there when
// the bench has real adapters; the simulated bench needs nothing.
uint32_t InstallDriver(const char *pcFolder, uint32_t u32Flag)
{
    vDriverTraceInstall(pcFolder, u32Flag);
    return u32Record(DDC_OP_INSTALL_DRIVER, u32RealInstallDriver(), pcFolder != nullptr, u32Flag,
                     pcFolder);
}

uint32_t UninstallDriver(void)
{
    vDriverTraceUninstall();
    return u32Record(DDC_OP_UNINSTALL_DRIVER, 0);
}

uint32_t InitDDCHelper(void)
{
    vBenchLoadIfNeeded();
    vBenchResetCounters();
    // With real displays that this user may not open, the start fails:
    // the operator sees the code, where an empty list would say nothing.
    uint32_t u32Result = u32RealStartAll();
    if (u32Result) {
        vRealCloseAll();
        return u32Record(DDC_OP_INIT, u32Result);
    }
    gst_Lib.bStarted = 1;
    gst_Lib.u32EnumNext = 0;
    return u32Record(DDC_OP_INIT, 0);
}

uint32_t DeinitDDCHelper(void)
{
    vRealEnd();
    vBenchResetCounters();
    gst_Lib.bStarted = 0;
    return u32Record(DDC_OP_DEINIT, 0);
}

uint32_t SetLibraryOption(uint32_t u32Option, uint32_t u32Value)
{
    uint32_t u32Result =
        gst_Lib.u32OptionFault ? gst_Lib.u32OptionFault : u32SetOption(u32Option, u32Value);
    return u32Record(DDC_OP_SET_OPTION, u32Result, u32Option, u32Value);
}

uint32_t GetLibraryVersion(void) { return u32Record(DDC_OP_GET_VERSION, gst_Lib.u32Version); }

uint32_t GetLibraryInfo(uint32_t u32Option, uint32_t *pu32Value)
{
    uint32_t u32Result = u32LibraryInfo(u32Option, pu32Value);
    const uint32_t au32Args[5] = {u32Option, pu32Value != nullptr, pu32Value ? *pu32Value : 0, 0,
                                  0};
    return u32RecordCall(DDC_OP_GET_LIBRARY_INFO, au32Args, u32Result, nullptr, 0);
}
