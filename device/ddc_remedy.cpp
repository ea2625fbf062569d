#include "device/ddc_remedy.h"

#include "device/ddc_start.h"
#include "device/monitor_detect.h"
#include "files/msg_log.h"
#include "platform/ddc/DDCHelper.h"

#include <stdio.h>

uint32_t gu32_RemediesSaid = 0;

namespace {

enum {
    REMEDY_NO_I2C_DEV,
    REMEDY_PERMISSION,
    REMEDY_LOG_FILE,
    REMEDY_NO_ADAPTER,
    REMEDY_NO_DISPLAY,
    REMEDY_NO_DISPLAY_BUS,
    REMEDY_NO_BUS_PATH,
    REMEDY_COUNT
};

// "%s" is the library log's path.
const char *const gpc_Remedies[REMEDY_COUNT] = {
    "the i2c-dev kernel module is not loaded: run 'sudo modprobe i2c-dev' and start the program "
    "again; put i2c-dev in a file in /etc/modules-load.d/ to load it at every boot",
    "this user may not open the displays' DDC buses (/dev/i2c-N): log out and in once after "
    "installing the tavolin package, whose udev rule gives the user at the machine access; or "
    "join the i2c group of i2c-tools ('sudo adduser $USER i2c') and log in again",
    "the library log %s cannot be written: its folder must exist and be writable, and its disk "
    "have free space; then start the program again",
    "the DDC adapter of an output was not found or cannot be used (0x7000001D): the library log "
    "%s names the output and why; check a bench description's connector, adapter_name or device "
    "against /sys/class/drm and /sys/class/i2c-dev/*/name",
    "no display could be read on the DDC buses found: check that the display is switched on and "
    "its cable plugged in, then click \"Refresh\"",
    "this PC shows no display's DDC bus (no DRM connector with a DDC adapter under "
    "/sys/class/drm, as in a virtual machine): connect the displays to the graphics card's "
    "outputs and check its driver, run 'sudo modprobe i2c-dev', or name the adapter in a bench "
    "description; to try the program on simulated displays, start it with " DDC_BENCH_ASK,
    "this PC has no display bus the program can drive: to try the program on simulated "
    "displays, start it with " DDC_BENCH_ASK,
};

void vSayRemedy(uint32_t u32Remedy)
{
    char cText[TEXT_BUF_SIZE];
    snprintf(cText, sizeof(cText), gpc_Remedies[u32Remedy], gu8str_DdcLogPath);
    if (!(gu32_RemediesSaid & (1u << u32Remedy)))
        fprintf(stderr, "tavolin: %s\n", cText);
    gu32_RemediesSaid |= 1u << u32Remedy;
    cText[0] = (char)(cText[0] - 'a' + 'A');
    vPrintMsgLines(" - ", cText);
}

// Without any output the library says why: no display's bus on this PC.
bool bSaidNoBus(void)
{
    if (gu32_DdcSource == DDC_SOURCE_NO_DISPLAY_BUS)
        vSayRemedy(REMEDY_NO_DISPLAY_BUS);
    else if (gu32_DdcSource == DDC_SOURCE_NO_BUS_PATH)
        vSayRemedy(REMEDY_NO_BUS_PATH);
    else
        return false;
    return true;
}

// Only real adapters count: a simulated bench without displays needs
// nothing done on the machine.
void vSayEmptyListRemedies(void)
{
    uint32_t u32Usable = 0, u32Remedies = 0, u32Handle = 0;
    for (uint32_t u32Next = EnumGetFirst(&u32Handle); u32Next == 0;
         u32Next = EnumGetNext(&u32Handle)) {
        uint32_t u32Flags = 0, u32Error = 0;
        if (GetOutputInfo(u32Handle, DDC_INFO_FLAGS, &u32Flags) != 0 ||
            !(u32Flags & DDC_OUTPUT_REAL_ADAPTER) ||
            GetOutputInfo(u32Handle, DDC_INFO_ADAPTER_ERROR, &u32Error) != 0)
            continue;
        if (u32Error == 0)
            u32Usable++;
        else if (u32Error == DDC_ERR_PERMISSION)
            u32Remedies |= 1u << REMEDY_PERMISSION;
        else if (u32Error == DDC_ERR_NO_ADAPTER)
            u32Remedies |= 1u << REMEDY_NO_ADAPTER;
    }
    if (u32Usable)
        u32Remedies |= 1u << REMEDY_NO_DISPLAY;
    for (uint32_t u32Remedy = 0; u32Remedy < REMEDY_COUNT; u32Remedy++)
        if (u32Remedies & (1u << u32Remedy))
            vSayRemedy(u32Remedy);
}

} // namespace

void vPrintDdcRemedy(int32_t s32Status)
{
    switch ((uint32_t)s32Status) {
    case DDC_ERR_NO_I2C_DEV:
        vSayRemedy(REMEDY_NO_I2C_DEV);
        break;
    case DDC_ERR_PERMISSION:
        vSayRemedy(REMEDY_PERMISSION);
        break;
    case DDC_ERR_LOG_FILE:
        vSayRemedy(REMEDY_LOG_FILE);
        break;
    case 0:
        if (gu8_MonitorNum == 0 && !bSaidNoBus())
            vSayEmptyListRemedies();
        break;
    case DDC_ERR_NO_MORE_OUTPUTS:
        bSaidNoBus();
        break;
    default:
        break;
    }
}
