// Where there is no i2c-dev (Windows): no real displays are found, and an
// adapter a description names answers that it does not exist.
#include <stdio.h>
#include <string.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_i2cdev.h"
#include "ddc_kernel.h"
#include "ddc_liblog.h"

namespace {

const stDdcKernel gst_NoKernel = {};

uint32_t u32Missing(const stBenchOutput *pst)
{
    return pst->stReal.u32FindError ? pst->stReal.u32FindError : DDC_ERR_NO_ADAPTER;
}

} // namespace

const stDdcKernel *pstDdcKernel(void) { return &gst_NoKernel; }
const stDdcKernel *pstDdcMachineKernel(void) { return &gst_NoKernel; }
void vDdcSetKernel(const stDdcKernel *) {}
void vDdcUseNoKernel(void) {}

void vRealNameOutput(stBenchOutput *pst, int32_t, const char *pcWhat, int32_t)
{
    memset(&pst->stReal, 0, sizeof(pst->stReal));
    pst->stReal.bReal = 1;
    pst->stReal.s32Fd = -1;
    pst->stReal.u32FindError = DDC_ERR_NO_ADAPTER;
    snprintf(pst->stReal.cLabel, sizeof(pst->stReal.cLabel), "%s", pcWhat);
    vLogNote("bus: %s: real adapters are driven through Linux i2c-dev only", pcWhat);
}

uint32_t u32RealAddConnectors(void) { return 0; }
uint32_t u32RealFind(stBenchOutput *) { return DDC_ERR_NO_ADAPTER; }
int32_t bRealI2cDevPresent(void) { return 0; }
uint32_t u32RealStartAll(void) { return 0; }
void vRealCloseAll(void) {}
uint32_t u32RealInstallDriver(void) { return 0; }

uint32_t u32RealReachWhy(const stBenchOutput *) { return 0; }

uint32_t u32RealProbe(stBenchOutput *pst, uint32_t) { return u32Missing(pst); }

uint32_t u32RealRead(stBenchOutput *pst, uint32_t, uint8_t *, uint32_t, uint32_t)
{
    return u32Missing(pst);
}

uint32_t u32RealWrite(stBenchOutput *pst, uint32_t, const uint8_t *, uint32_t)
{
    return u32Missing(pst);
}

uint32_t u32RealReadEdid(stBenchOutput *pst, uint8_t *) { return u32Missing(pst); }
void vRealEnd(void) {}
const char *pcRealMachineBuses(void) { return "real display buses"; }
