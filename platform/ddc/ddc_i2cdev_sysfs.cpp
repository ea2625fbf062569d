// Finding real adapters: DRM connectors with a DDC adapter, adapters by
// name, device nodes. Only sysfs is read here; no adapter is opened.
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_i2cdev.h"
#include "ddc_kernel.h"
#include "ddc_liblog.h"

namespace {

#define REAL_MAX_CONNECTORS 64u
#define SYS_PATH_SIZE 1024u

struct stConnector {
    uint32_t u32Card;
    char cName[REAL_LABEL_SIZE];     // "card0-DP-1"
    char cAdapter[32];               // "i2c-5"
};

stConnector gst_Found[REAL_MAX_CONNECTORS];

bool bSysPath(char *pcPath, size_t size, const char *pcFormat, const char *pcA, const char *pcB)
{
    const char *pcRoot = pstDdcKernel()->pcSysRoot;
    if (!pcRoot || !pcRoot[0])
        return false;
    char cTail[SYS_PATH_SIZE];
    snprintf(cTail, sizeof(cTail), pcFormat, pcA, pcB);
    int s32Len = snprintf(pcPath, size, "%s%s", pcRoot, cTail);
    return s32Len > 0 && (size_t)s32Len < size;
}

DIR *pOpenSysDir(const char *pcFormat, const char *pcA)
{
    char cPath[SYS_PATH_SIZE];
    return bSysPath(cPath, sizeof(cPath), pcFormat, pcA, "") ? opendir(cPath) : nullptr;
}

// "i2c-N" with N digits only.
bool bIsAdapterName(const char *pcName)
{
    if (strncmp(pcName, "i2c-", 4) != 0 || !pcName[4])
        return false;
    for (const char *pc = pcName + 4; *pc; pc++) {
        if (*pc < '0' || *pc > '9')
            return false;
    }
    return true;
}

// Sysfs names of ours are short ("i2c-12", "card0-DP-1"); a longer one
// is none of ours, never one cut short.
bool bCopyName(char *pcAdapter, size_t size, const char *pcName)
{
    size_t len = strlen(pcName);
    if (len >= size)
        return false;
    memcpy(pcAdapter, pcName, len + 1);
    return true;
}

// A laptop's own panel: its EDID is never offered for programming unless a
// description names it.
bool bIsInternalPanel(const char *pcConnector)
{
    const char *pcType = strchr(pcConnector, '-');
    return pcType && (strncmp(pcType + 1, "eDP-", 4) == 0 || strncmp(pcType + 1, "LVDS-", 5) == 0 ||
                      strncmp(pcType + 1, "DSI-", 4) == 0);
}

// "cardN-CONNECTOR": its card number.
bool bIsConnectorName(const char *pcName, uint32_t *pu32Card)
{
    if (strncmp(pcName, "card", 4) != 0)
        return false;
    char *pcEnd = nullptr;
    unsigned long u32Card = strtoul(pcName + 4, &pcEnd, 10);
    if (pcEnd == pcName + 4 || *pcEnd != '-' || !pcEnd[1])
        return false;
    *pu32Card = (uint32_t)u32Card;
    return true;
}

// The connector's adapter, through its "ddc" link or an "i2c-N" folder in
// it; false (with a log line for a dangling link) when it has none.
bool bConnectorAdapter(const char *pcConnector, char *pcAdapter, size_t size, bool bQuiet)
{
    char cPath[SYS_PATH_SIZE];
    char cTarget[SYS_PATH_SIZE];
    if (!bSysPath(cPath, sizeof(cPath), "/class/drm/%s/ddc%s", pcConnector, ""))
        return false;
    ssize_t len = readlink(cPath, cTarget, sizeof(cTarget) - 1);
    if (len > 0) {
        cTarget[len] = '\0';
        struct stat st;
        const char *pcBase = strrchr(cTarget, '/') ? strrchr(cTarget, '/') + 1 : cTarget;
        if (stat(cPath, &st) != 0 || !bIsAdapterName(pcBase)) {
            if (!bQuiet)
                vLogNote("bus: %s: its ddc link points at %s, which is not there; connector skipped",
                     pcConnector, cTarget);
            return false;
        }
        return bCopyName(pcAdapter, size, pcBase);
    }
    DIR *pDir = pOpenSysDir("/class/drm/%s%s", pcConnector);
    if (!pDir)
        return false;
    bool bFound = false;
    for (struct dirent *pEntry; !bFound && (pEntry = readdir(pDir));) {
        if (bIsAdapterName(pEntry->d_name))
            bFound = bCopyName(pcAdapter, size, pEntry->d_name);
    }
    closedir(pDir);
    return bFound;
}

int s32CompareConnectors(const void *pvA, const void *pvB)
{
    const stConnector *pstA = static_cast<const stConnector *>(pvA);
    const stConnector *pstB = static_cast<const stConnector *>(pvB);
    if (pstA->u32Card != pstB->u32Card)
        return pstA->u32Card < pstB->u32Card ? -1 : 1;
    return strcmp(pstA->cName, pstB->cName);
}

// The DRM connectors that have a DDC adapter, sorted; their count. Quiet:
// no log line for a broken link (the question is only whether there are any).
uint32_t u32FindConnectors(bool bQuiet)
{
    DIR *pDir = pOpenSysDir("/class/drm%s%s", "");
    if (!pDir)
        return 0;
    uint32_t u32Count = 0;
    for (struct dirent *pEntry; (pEntry = readdir(pDir)) && u32Count < REAL_MAX_CONNECTORS;) {
        stConnector *pst = &gst_Found[u32Count];
        if (!bIsConnectorName(pEntry->d_name, &pst->u32Card) ||
            !bCopyName(pst->cName, sizeof(pst->cName), pEntry->d_name))
            continue;
        if (bIsInternalPanel(pst->cName)) {
            if (!bQuiet)
                vLogNote("bench: %s is a built-in panel; left out (a description may name it)",
                         pst->cName);
            continue;
        }
        if (bConnectorAdapter(pst->cName, pst->cAdapter, sizeof(pst->cAdapter), bQuiet))
            u32Count++;
    }
    closedir(pDir);
    qsort(gst_Found, u32Count, sizeof(gst_Found[0]), s32CompareConnectors);
    return u32Count;
}

// The adapter ("i2c-N") whose sysfs name is pcName.
bool bAdapterByName(const char *pcName, char *pcAdapter, size_t size)
{
    DIR *pDir = pOpenSysDir("/class/i2c-dev%s%s", "");
    if (!pDir)
        return false;
    bool bFound = false;
    for (struct dirent *pEntry; !bFound && (pEntry = readdir(pDir));) {
        char cNamePath[SYS_PATH_SIZE];
        char cText[REAL_LABEL_SIZE] = "";
        if (!bIsAdapterName(pEntry->d_name) ||
            !bSysPath(cNamePath, sizeof(cNamePath), "/class/i2c-dev/%s/name%s", pEntry->d_name, ""))
            continue;
        FILE *pFile = fopen(cNamePath, "r");
        if (!pFile)
            continue;
        if (fgets(cText, sizeof(cText), pFile))
            cText[strcspn(cText, "\n")] = '\0';
        fclose(pFile);
        if (strcmp(cText, pcName) == 0)
            bFound = bCopyName(pcAdapter, size, pEntry->d_name);
    }
    closedir(pDir);
    return bFound;
}

void vSetDevice(stRealBus *pstReal, const char *pcAdapter)
{
    const char *pcDev = pstDdcKernel()->pcDevRoot;
    snprintf(pstReal->cDevice, sizeof(pstReal->cDevice), "%s/%s", pcDev ? pcDev : "", pcAdapter);
}

void vInitReal(stBenchOutput *pst, const char *pcLabel)
{
    memset(&pst->stReal, 0, sizeof(pst->stReal));
    pst->stReal.bReal = 1;
    pst->stReal.s32Fd = -1;
    snprintf(pst->stReal.cLabel, sizeof(pst->stReal.cLabel), "%s", pcLabel);
}

// A connector named by a description: found as enumeration finds them.
bool bConnectorByName(const char *pcName, char *pcAdapter, size_t size)
{
    uint32_t u32Card = 0;
    return bIsConnectorName(pcName, &u32Card) && !strchr(pcName, '/') &&
           bConnectorAdapter(pcName, pcAdapter, size, false);
}

} // namespace

void vRealNameOutput(stBenchOutput *pst, int32_t s32By, const char *pcWhat)
{
    vInitReal(pst, pcWhat);
    pst->stReal.s32By = s32By;
}

uint32_t u32RealFindNamed(stBenchOutput *pst)
{
    const char *pcWhat = pst->stReal.cLabel;
    int32_t s32By = pst->stReal.s32By;
    char cAdapter[64] = "";
    const char *pcDevRoot = pstDdcKernel()->pcDevRoot;
    bool bFound = false;
    if (s32By == REAL_BY_CONNECTOR) {
        bFound = bConnectorByName(pcWhat, cAdapter, sizeof(cAdapter));
    } else if (s32By == REAL_BY_NAME) {
        bFound = bAdapterByName(pcWhat, cAdapter, sizeof(cAdapter));
    } else if (strncmp(pcWhat, "/dev/", 5) == 0 && bIsAdapterName(pcWhat + 5) && pcDevRoot &&
               pcDevRoot[0]) {
        bFound = bCopyName(cAdapter, sizeof(cAdapter), pcWhat + 5);
    }
    if (!bFound) {
        pst->stReal.cDevice[0] = '\0';
        vLogNote("bus: %s: no such I2C adapter (is the i2c-dev module loaded? 'sudo modprobe "
                 "i2c-dev'); the output answers 0x%X", pcWhat, DDC_ERR_NO_ADAPTER);
        return DDC_ERR_NO_ADAPTER;
    }
    vSetDevice(&pst->stReal, cAdapter);
    return 0;
}

uint32_t u32RealAddConnectors(void)
{
    uint32_t u32Count = u32FindConnectors(false);
    if (u32Count == 0)
        return 0;
    vBenchClear();
    uint32_t u32Added = 0;
    for (uint32_t i = 0; i < u32Count; i++) {
        stBenchOutput *pst = pstBenchOutputAt(s32BenchAddOutput());
        if (!pst)
            break;
        vInitReal(pst, gst_Found[i].cName);
        vSetDevice(&pst->stReal, gst_Found[i].cAdapter);
        vLogNote("bench: output %u is %s on %s", u32Added, gst_Found[i].cName, pst->stReal.cDevice);
        u32Added++;
    }
    return u32Added;
}

int32_t bRealInBench(void)
{
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        if (gst_Bench.ast[i].stReal.bReal)
            return 1;
    }
    return 0;
}

int32_t bRealI2cDevPresent(void)
{
    char cPath[SYS_PATH_SIZE];
    struct stat st;
    return bSysPath(cPath, sizeof(cPath), "/class/i2c-dev%s%s", "", "") && stat(cPath, &st) == 0 &&
           S_ISDIR(st.st_mode);
}

int32_t bRealAdapterPresent(const char *pcDevice)
{
    const char *pcBase = strrchr(pcDevice, '/') ? strrchr(pcDevice, '/') + 1 : pcDevice;
    char cPath[SYS_PATH_SIZE];
    struct stat st;
    return bIsAdapterName(pcBase) &&
           bSysPath(cPath, sizeof(cPath), "/class/i2c-dev/%s%s", pcBase, "") &&
           stat(cPath, &st) == 0;
}
