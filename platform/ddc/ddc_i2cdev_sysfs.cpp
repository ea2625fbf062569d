// Finding real adapters: DRM connectors with a DDC adapter, adapters by
// name, device nodes, and whether an adapter is a display's bus. Only sysfs
// is read here; no adapter is opened.
#include <dirent.h>
#include <limits.h>
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

// pcHead, then each part after a '/'; false when it does not fit.
bool bJoinPath(char *pcPath, size_t size, const char *pcHead, const char *pcA,
               const char *pcB = nullptr, const char *pcC = nullptr)
{
    int s32Len = snprintf(pcPath, size, "%s", pcHead);
    if (s32Len < 0 || (size_t)s32Len >= size)
        return false;
    size_t used = (size_t)s32Len;
    const char *const apcParts[] = {pcA, pcB, pcC};
    for (const char *pcPart : apcParts) {
        if (!pcPart)
            break;
        s32Len = snprintf(pcPath + used, size - used, "/%s", pcPart);
        if (s32Len < 0 || (size_t)s32Len >= size - used)
            return false;
        used += (size_t)s32Len;
    }
    return true;
}

// The parts under the root of sysfs: "<root>/class/drm/card0-DP-1/ddc".
bool bSysPath(char *pcPath, size_t size, const char *pcA, const char *pcB = nullptr,
              const char *pcC = nullptr)
{
    const char *pcRoot = pstDdcKernel()->pcSysRoot;
    return pcRoot && pcRoot[0] && bJoinPath(pcPath, size, pcRoot, pcA, pcB, pcC);
}

DIR *pOpenSysDir(const char *pcA, const char *pcB = nullptr)
{
    char cPath[SYS_PATH_SIZE];
    return bSysPath(cPath, sizeof(cPath), pcA, pcB) ? opendir(cPath) : nullptr;
}

const char *pcBaseName(const char *pcPath)
{
    const char *pcSlash = strrchr(pcPath, '/');
    return pcSlash ? pcSlash + 1 : pcPath;
}

// The first line of a sysfs file, without its line feed.
bool bReadLine(const char *pcPath, char *pcText, size_t size)
{
    FILE *pFile = fopen(pcPath, "r");
    if (!pFile)
        return false;
    bool bRead = fgets(pcText, (int)size, pFile) != nullptr;
    fclose(pFile);
    if (bRead)
        pcText[strcspn(pcText, "\n")] = '\0';
    return bRead;
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
    unsigned long card = strtoul(pcName + 4, &pcEnd, 10);
    if (pcEnd == pcName + 4 || *pcEnd != '-' || !pcEnd[1])
        return false;
    *pu32Card = (uint32_t)card;
    return true;
}

// The connector's adapter, through its "ddc" link or an "i2c-N" folder in
// it; false (with a log line for a dangling link) when it has none.
bool bConnectorAdapter(const char *pcConnector, char *pcAdapter, size_t size, bool bQuiet)
{
    char cPath[SYS_PATH_SIZE];
    char cTarget[SYS_PATH_SIZE];
    if (!bSysPath(cPath, sizeof(cPath), "class/drm", pcConnector, "ddc"))
        return false;
    ssize_t len = readlink(cPath, cTarget, sizeof(cTarget) - 1);
    if (len > 0) {
        cTarget[len] = '\0';
        struct stat st;
        const char *pcBase = pcBaseName(cTarget);
        if (stat(cPath, &st) != 0 || !bIsAdapterName(pcBase)) {
            if (!bQuiet)
                vLogNote("bus: %s: its ddc link points at %s, which is not there; connector skipped",
                     pcConnector, cTarget);
            return false;
        }
        return bCopyName(pcAdapter, size, pcBase);
    }
    DIR *pDir = pOpenSysDir("class/drm", pcConnector);
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
    DIR *pDir = pOpenSysDir("class/drm");
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
    DIR *pDir = pOpenSysDir("class/i2c-dev");
    if (!pDir)
        return false;
    bool bFound = false;
    for (struct dirent *pEntry; !bFound && (pEntry = readdir(pDir));) {
        char cText[REAL_LABEL_SIZE] = "";
        if (bRealAdapterName(pEntry->d_name, cText, sizeof(cText)) && strcmp(cText, pcName) == 0)
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

// "/dev/i2c-N" of an adapter in sysfs.
bool bDeviceByName(const char *pcDevice, char *pcAdapter, size_t size)
{
    const char *pcDevRoot = pstDdcKernel()->pcDevRoot;
    return strncmp(pcDevice, "/dev/", 5) == 0 && bIsAdapterName(pcDevice + 5) && pcDevRoot &&
           pcDevRoot[0] && bRealAdapterPresent(pcDevice) &&
           bCopyName(pcAdapter, size, pcDevice + 5);
}

// Names of adapters that are never a display's bus: chipset and SoC
// controllers (a memory module's EEPROM sits at 0x50 on the chipset's SMBus),
// a graphics card's power-management bus, and those whose probing hangs
// some machines.
const char *const gpc_SkippedNames[] = {"SMBus", "Synopsys DesignWare", "AMDGPU SMU", "soc:i2cdsi",
                                        "smu",   "mac-io",              "u4"};

bool bSkippedName(const char *pcName, char *pcWhy, size_t size)
{
    for (const char *pcPrefix : gpc_SkippedNames) {
        if (strncmp(pcName, pcPrefix, strlen(pcPrefix)) == 0) {
            snprintf(pcWhy, size, "its name \"%.127s\" begins \"%s\"", pcName, pcPrefix);
            return true;
        }
    }
    return false;
}

// The last part of what the link pcDir/pcLink points at ("pci", "mcp2221").
bool bLinkBase(const char *pcDir, const char *pcLink, char *pcBase, size_t size)
{
    char cPath[PATH_MAX + 16];
    char cTarget[SYS_PATH_SIZE];
    if (!bJoinPath(cPath, sizeof(cPath), pcDir, pcLink))
        return false;
    ssize_t len = readlink(cPath, cTarget, sizeof(cTarget) - 1);
    if (len <= 0)
        return false;
    cTarget[len] = '\0';
    return bCopyName(pcBase, size, pcBaseName(cTarget));
}

bool bIsPciDevice(const char *pcDir)
{
    char cSubsystem[32];
    return bLinkBase(pcDir, "subsystem", cSubsystem, sizeof(cSubsystem)) &&
           strcmp(cSubsystem, "pci") == 0;
}

// The adapter's device folder and its root in sysfs, both resolved.
bool bAdapterDir(const char *pcAdapter, char *pcDir, char *pcRoot)
{
    char cPath[SYS_PATH_SIZE];
    return bSysPath(cPath, sizeof(cPath), "class/i2c-dev", pcAdapter) && realpath(cPath, pcDir) &&
           realpath(pstDdcKernel()->pcSysRoot, pcRoot);
}

// The kernel drivers of USB-I2C bridges, by the names sysfs gives them
// (their modules' names without "hid-").
const char *const gpc_BridgeDrivers[] = {"mcp2221", "ft260", "cp2112", "i2c-tiny-usb"};

bool bBridgeDriver(const char *pcDriver)
{
    const char *pcName = strncmp(pcDriver, "hid-", 4) == 0 ? pcDriver + 4 : pcDriver;
    for (const char *pcBridge : gpc_BridgeDrivers) {
        if (strcmp(pcName, pcBridge) == 0)
            return true;
    }
    return false;
}

// An external USB-I2C bridge: the adapter hangs under a device bound to a
// bridge's driver, itself below a USB device. Such a bus is a cable or a
// fixture to a display's connector, never the machine's memory bus.
bool bUsbBridge(const char *pcAdapter, char *pcDriver, size_t size)
{
    char cDir[PATH_MAX];
    char cRoot[PATH_MAX];
    if (!bAdapterDir(pcAdapter, cDir, cRoot))
        return false;
    size_t rootLen = strlen(cRoot);
    pcDriver[0] = '\0';
    for (char *pcSlash; (pcSlash = strrchr(cDir, '/')) && (size_t)(pcSlash - cDir) > rootLen;) {
        *pcSlash = '\0';
        char cName[64];
        if (!pcDriver[0] && bLinkBase(cDir, "driver", cName, sizeof(cName)) && bBridgeDriver(cName))
            snprintf(pcDriver, size, "%s", cName);
        else if (pcDriver[0] && bLinkBase(cDir, "subsystem", cName, sizeof(cName)) &&
                 strcmp(cName, "usb") == 0)
            return true;
    }
    return false;
}

// The nearest PCI device above the adapter must be a display controller
// (class 0x03) or a docking station (0x0a). Adapters under none (i2c-stub,
// a platform device) are not shown to be a display's; a USB bridge's
// nearest is its host controller.
bool bNotUnderDisplay(const char *pcAdapter, char *pcWhy, size_t size)
{
    char cDir[PATH_MAX];
    char cRoot[PATH_MAX];
    if (!bAdapterDir(pcAdapter, cDir, cRoot)) {
        snprintf(pcWhy, size, "it is not in sysfs");
        return true;
    }
    size_t rootLen = strlen(cRoot);
    for (char *pcSlash; (pcSlash = strrchr(cDir, '/')) && (size_t)(pcSlash - cDir) > rootLen;) {
        *pcSlash = '\0';
        char cClassPath[PATH_MAX + 16];
        char cClass[32] = "";
        if (!bIsPciDevice(cDir) || !bJoinPath(cClassPath, sizeof(cClassPath), cDir, "class") ||
            !bReadLine(cClassPath, cClass, sizeof(cClass)))
            continue;
        unsigned long classBase = strtoul(cClass, nullptr, 16) >> 16;
        if (classBase == 0x03 || classBase == 0x0a)
            return false;
        snprintf(pcWhy, size, "it hangs under the PCI device %.64s of class %s, neither a display "
                 "controller (0x03) nor a docking station (0x0a)", pcBaseName(cDir), cClass);
        return true;
    }
    snprintf(pcWhy, size, "it hangs under no PCI device");
    return true;
}

// A device the kernel knows at 0x50 (a memory module's EEPROM, a sensor)
// is no display's memory, whether or not its driver is loaded.
bool bDeviceAt50(const char *pcAdapter, char *pcWhy, size_t size)
{
    char cClient[32];
    char cPath[SYS_PATH_SIZE];
    char cDriver[SYS_PATH_SIZE];
    struct stat st;
    snprintf(cClient, sizeof(cClient), "%s-0050", pcAdapter + 4);
    if (!bSysPath(cPath, sizeof(cPath), "bus/i2c/devices", cClient) ||
        stat(cPath, &st) != 0)
        return false;
    bSysPath(cPath, sizeof(cPath), "bus/i2c/devices", cClient, "driver");
    ssize_t len = readlink(cPath, cDriver, sizeof(cDriver) - 1);
    cDriver[len > 0 ? len : 0] = '\0';
    snprintf(pcWhy, size, "the kernel has the device %s at 0x50 (%s%.64s)", cClient,
             len > 0 ? "driver " : "no driver bound", pcBaseName(cDriver));
    return true;
}

// An adapter a description names by name or device is used only when it is
// shown to be a display's bus, or when its description allows otherwise.
uint32_t u32CheckDisplayBus(stRealBus *pstReal, const char *pcAdapter)
{
    char cWhy[SYS_PATH_SIZE];
    char cDriver[64];
    if (bUsbBridge(pcAdapter, cDriver, sizeof(cDriver))) {
        char cAt50[SYS_PATH_SIZE / 2];
        if (!bDeviceAt50(pcAdapter, cAt50, sizeof(cAt50))) {
            vLogNote("bus: %s (%s): an external USB-I2C bridge (driver %s); used as a display's bus",
                     pstReal->cLabel, pstReal->cDevice, cDriver);
            return 0;
        }
        snprintf(cWhy, sizeof(cWhy), "it is an external USB-I2C bridge (driver %s), but %s", cDriver,
                 cAt50);
    } else if (!bSkippedName(pstReal->cAdapter, cWhy, sizeof(cWhy)) &&
               !bNotUnderDisplay(pcAdapter, cWhy, sizeof(cWhy)) &&
               !bDeviceAt50(pcAdapter, cWhy, sizeof(cWhy))) {
        return 0;
    }
    if (!pstReal->bAllowNonDisplay) {
        vLogNote("bus: %s (%s): not a display's bus: %s; the output answers 0x%X", pstReal->cLabel,
                 pstReal->cDevice, cWhy, DDC_ERR_NO_ADAPTER);
        return DDC_ERR_NO_ADAPTER;
    }
    pstReal->bNonDisplay = 1;
    vLogNote("bus: %s (%s): not a display's bus: %s; used only because its description allows "
             "it (%s)", pstReal->cLabel, pstReal->cDevice, cWhy, REAL_ALLOW_KEY);
    return 0;
}

} // namespace

void vRealNameOutput(stBenchOutput *pst, int32_t s32By, const char *pcWhat,
                     int32_t bAllowNonDisplay)
{
    vInitReal(pst, pcWhat);
    pst->stReal.s32By = s32By;
    pst->stReal.bAllowNonDisplay = bAllowNonDisplay;
}

uint32_t u32RealFind(stBenchOutput *pst)
{
    stRealBus *pstReal = &pst->stReal;
    const char *pcWhat = pstReal->cLabel;
    int32_t s32By = pstReal->s32By;
    char cAdapter[64] = "";
    bool bFound = false;
    pstReal->bNonDisplay = 0;
    pstReal->cAdapter[0] = '\0';
    if (!s32By || s32By == REAL_BY_CONNECTOR)
        bFound = bConnectorByName(pcWhat, cAdapter, sizeof(cAdapter));
    else if (s32By == REAL_BY_NAME)
        bFound = bAdapterByName(pcWhat, cAdapter, sizeof(cAdapter));
    else
        bFound = bDeviceByName(pcWhat, cAdapter, sizeof(cAdapter));
    if (!bFound) {
        pstReal->cDevice[0] = '\0';
        vLogNote("bus: %s: no such I2C adapter (is the i2c-dev module loaded? 'sudo modprobe "
                 "i2c-dev'); the output answers 0x%X", pcWhat, DDC_ERR_NO_ADAPTER);
        return DDC_ERR_NO_ADAPTER;
    }
    vSetDevice(pstReal, cAdapter);
    bRealAdapterName(cAdapter, pstReal->cAdapter, sizeof(pstReal->cAdapter));
    if (!bRealAdapterDev(cAdapter, &pstReal->u32DevMajor, &pstReal->u32DevMinor)) {
        vLogNote("bus: %s (%s): sysfs gives the adapter no device number (%s/dev); the output "
                 "answers 0x%X", pcWhat, pstReal->cDevice, cAdapter, DDC_ERR_NO_ADAPTER);
        return DDC_ERR_NO_ADAPTER;
    }
    if (s32By == REAL_BY_NAME || s32By == REAL_BY_DEVICE)
        return u32CheckDisplayBus(pstReal, cAdapter);
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

int32_t bRealI2cDevPresent(void)
{
    char cPath[SYS_PATH_SIZE];
    struct stat st;
    return bSysPath(cPath, sizeof(cPath), "class/i2c-dev") && stat(cPath, &st) == 0 &&
           S_ISDIR(st.st_mode);
}

int32_t bRealAdapterName(const char *pcDevice, char *pcName, uint32_t u32Size)
{
    const char *pcBase = pcBaseName(pcDevice);
    char cPath[SYS_PATH_SIZE];
    return bIsAdapterName(pcBase) &&
           bSysPath(cPath, sizeof(cPath), "class/i2c-dev", pcBase, "name") &&
           bReadLine(cPath, pcName, u32Size);
}

int32_t bRealAdapterPresent(const char *pcDevice)
{
    const char *pcBase = pcBaseName(pcDevice);
    char cPath[SYS_PATH_SIZE];
    struct stat st;
    return bIsAdapterName(pcBase) &&
           bSysPath(cPath, sizeof(cPath), "class/i2c-dev", pcBase) &&
           stat(cPath, &st) == 0;
}

int32_t bRealAdapterDev(const char *pcDevice, uint32_t *pu32Major, uint32_t *pu32Minor)
{
    const char *pcBase = pcBaseName(pcDevice);
    char cPath[SYS_PATH_SIZE];
    char cText[32] = "";
    unsigned int u32Major = 0, u32Minor = 0;
    char cEnd = '\0';
    if (!bIsAdapterName(pcBase) ||
        !bSysPath(cPath, sizeof(cPath), "class/i2c-dev", pcBase, "dev") ||
        !bReadLine(cPath, cText, sizeof(cText)) ||
        sscanf(cText, "%u:%u%c", &u32Major, &u32Minor, &cEnd) != 2)
        return 0;
    *pu32Major = u32Major;
    *pu32Minor = u32Minor;
    return 1;
}
