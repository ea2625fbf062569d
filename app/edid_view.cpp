#include "app/edid_view.h"

#include "app/app_shell.h"
#include "app/production.h"
#include "device/device_command.h"
#include "device/edid_bus.h"
#include "device/edid_receive.h"
#include "files/edid_stamp.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/clock/PlatformClock.h"
#include "platform/process/process.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

#include <stdio.h>
#include <string.h>

#define ANALYZE_PROGRAM "edid-decode"
#define ANALYZE_OUTPUT_SIZE 65536   // bytes of a report shown
#define ANALYZE_LIMIT_S 10u          // the decoder is stopped after this
#define ANALYZE_LOOK_MS 20u          // between looks at the decoder

namespace {

struct stShownIdentity {
    int32_t s32Port;      // -1: none shown
    uint32_t u32PkgSum;
    uint8_t u8Valid;
};
stShownIdentity gst_Shown = {-2, 0, 0};
// The panels take input while the decoder runs: a second Analyze meanwhile
// is ignored.
bool gb_Analyzing = false;

// The selected port's image in the package buffer, without a line when
// there is none.
bool bSelectedPortImage(const uint8_t **ppu8Image, uint32_t *pu32Length, int32_t *ps32Port)
{
    int s32Index = -1;
    GetCtrlIndex(gst_UiHandles.s32MainPanel, MAIN_PORT_LIST, &s32Index);
    *ps32Port = s32Index;
    uint32_t u32Offset = 0;
    if (s32Index < 0 || gu8_PkgValid != 1 ||
        !bPkgPortImage(gu8_PkgBuffer, (uint32_t)s32Index, &u32Offset, pu32Length))
        return false;
    *ppu8Image = gu8_PkgBuffer + u32Offset;
    return true;
}

// In the production mode the port's image can be seen as the last unit got
// it, stamped with its serial, week and year.
void vOfferStampedImage(int32_t s32Port, char *pcTitle, size_t titleSize,
                        const uint8_t **ppu8Image, uint32_t *pu32Length)
{
    const uint8_t *pu8Stamped = nullptr;
    uint32_t u32Length = 0;
    const char *pcSerial = "";
    if (!gst_Station.bProduction ||
        !bLastUnitImage((uint32_t)s32Port, &pu8Stamped, &u32Length, &pcSerial))
        return;
    char cQuestion[STAMP_SERIAL_MAX + 160];
    snprintf(cQuestion, sizeof(cQuestion),
             "Show the image as stamped for the last unit, %s? No shows the package's image.",
             pcSerial);
    if (!ConfirmPopup("Analyze", cQuestion))
        return;
    size_t used = strlen(pcTitle);
    snprintf(pcTitle + used, titleSize - used, " as stamped for unit %s", pcSerial);
    *ppu8Image = pu8Stamped;
    *pu32Length = u32Length;
}

// Between looks at the decoder the panels paint and take input; it is
// stopped at its time limit, or when the program quits meanwhile.
bool bDecoderGoesOn(void *pvDeadline)
{
    vPumpEvents();
    return gs32_QuitState == QUIT_NONE && u64ClockNowMs() < *(const uint64_t *)pvDeadline;
}

// The line that says so, above what the decoder wrote until then.
void vSayStopped(char *pcReport, size_t size, size_t length)
{
    char cLine[96];
    int s32Len = snprintf(cLine, sizeof(cLine),
                          "edid-decode did not finish within %u s and was stopped.\n%s",
                          ANALYZE_LIMIT_S, length ? "\n" : "");
    size_t lineLength = s32Len > 0 && (size_t)s32Len < size ? (size_t)s32Len : 0;
    size_t kept = length < size - 1 - lineLength ? length : size - 1 - lineLength;
    memmove(pcReport + lineLength, pcReport, kept);
    memcpy(pcReport, cLine, lineLength);
    pcReport[lineLength + kept] = '\0';
}

// The decoder's report of the image, or why there is none.
void vDecode(const uint8_t *pu8Image, uint32_t u32Length, char *pcReport, size_t size)
{
    size_t length = 0;
    int32_t s32Status = 0;
    char cWhy[256] = "";
    const char *ppcArgv[] = {ANALYZE_PROGRAM, nullptr};
    uint64_t u64Deadline = u64ClockNowMs() + ANALYZE_LIMIT_S * 1000u;
    int32_t s32Run = s32ProcRunWatched(ppcArgv, pu8Image, u32Length, pcReport, size, &length,
                                       &s32Status, ANALYZE_LOOK_MS, bDecoderGoesOn, &u64Deadline,
                                       cWhy, sizeof(cWhy));
    if (s32Run == PROC_RUN_NOT_FOUND)
        snprintf(pcReport, size,
                 "The program edid-decode is not installed.\n\nInstall the Debian package "
                 "edid-decode (sudo apt install edid-decode) to see its report here.\n");
    else if (s32Run == PROC_RUN_STOPPED)
        vSayStopped(pcReport, size, length);
    else if (s32Run != PROC_RUN_OK)
        snprintf(pcReport, size, "edid-decode could not be run: %s\n", cWhy);
}

} // namespace

void vRefreshPortIdentity(void)
{
    const uint8_t *pu8Image = nullptr;
    uint32_t u32Length = 0;
    int32_t s32Port = -1;
    bool bImage = bSelectedPortImage(&pu8Image, &u32Length, &s32Port);
    // The package's stored sum tells one package from another without summing
    // its 10 KB at every tick.
    stShownIdentity stNow = {bImage ? s32Port : -1, u32PkgLoad32(gu8_PkgBuffer, PKG_SUM_OFFSET),
                             gu8_PkgValid};
    if (memcmp(&stNow, &gst_Shown, sizeof(stNow)) == 0)
        return;
    gst_Shown = stNow;
    char cText[512] = "";
    if (bImage) {
        stEdidIdentity stIdentity;
        vEdidIdentityOf(pu8Image, u32Length, &stIdentity);
        u32FormatEdidIdentity(&stIdentity, cText, sizeof(cText));
    }
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PORT_IDENTITY, cText);
}

int AnalyzeEdidCallback(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT || gb_Analyzing)
        return 0;
    const uint8_t *pu8Image = nullptr;
    uint32_t u32Length = 0;
    int32_t s32Port = -1;
    char cTitle[96 + STAMP_SERIAL_MAX];
    int32_t s32Display = s32SelectedMonitor();
    if (bSelectedPortImage(&pu8Image, &u32Length, &s32Port)) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(gu8_PkgBuffer, (uint32_t)s32Port, cName, sizeof(cName));
        snprintf(cTitle, sizeof(cTitle), "Analyze: port %s", cName[0] ? cName : "(no name)");
        vOfferStampedImage(s32Port, cTitle, sizeof(cTitle), &pu8Image, &u32Length);
    } else if (s32Display >= 0 && gst_ReceivedEdid[s32Display].u8Complete == 1) {
        pu8Image = gst_ReceivedEdid[s32Display].u8EdidBuf;
        u32Length = (uint32_t)(pu8Image[EDID_EXT_COUNT] + 1) * EDID_BLOCK_SIZE;
        if (u32Length > RECEIVED_EDID_SIZE)
            u32Length = RECEIVED_EDID_SIZE;
        snprintf(cTitle, sizeof(cTitle), "Analyze: received EDID of %s",
                 gst_ReceivedEdid[s32Display].u8str_MonitorId);
    } else {
        MessagePopup("Analyze", "Select a port of the package, or receive the EDID of the "
                                "selected display first.");
        return 0;
    }
    // A command may load another package or receive again while the
    // decoder reads the image.
    static uint8_t u8Image[PKG_FILE_SIZE > RECEIVED_EDID_SIZE ? PKG_FILE_SIZE : RECEIVED_EDID_SIZE];
    static char cReport[ANALYZE_OUTPUT_SIZE];
    if (u32Length > sizeof(u8Image))
        return 0;
    memcpy(u8Image, pu8Image, u32Length);
    gb_Analyzing = true;
    vDecode(u8Image, u32Length, cReport, sizeof(cReport));
    gb_Analyzing = false;
    if (gs32_QuitState == QUIT_NONE)
        TextWindowPopup(cTitle, cReport);
    return 0;
}
