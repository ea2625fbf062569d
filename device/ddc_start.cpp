#include "device/ddc_start.h"

#include "device/ddc_remedy.h"
#include "device/monitor_detect.h"
#include "device/platform_check.h"
#include "device/progress.h"
#include "files/msg_log.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdio.h>

#define INIT_PROGRESS_TEXT "Initial WinI2C/DDC ..."
#define DRIVER_FOLDER "C:\\WINDOWS\\system32\\drivers"
#define LIBRARY_LOG_NAME "WINI2C-DDC-LOG.txt"
#define SIMULATED_TITLE_NOTE " - SIMULATED DISPLAYS"
#define OPTION_CLOCK 1
#define OPTION_TIMEOUT 2
#define OPTION_ADDRESSING 3

const uint32_t gu32_DdcSpeedTable[DDC_SPEED_COUNT] = {10000,  30000,  50000,  80000, 100000,
                                                     130000, 150000, 180000, 200000};
int32_t gs32_DdcSpeedIndex = DDC_SPEED_DEFAULT;
char gu8str_DdcLogPath[TEXT_BUF_SIZE] = LIBRARY_LOG_NAME;
uint32_t gu32_DdcSource = DDC_SOURCE_MACHINE;
uint32_t gu32_SimulatedOutputs = 0;

namespace {

// The main panel's own title while the simulated displays' note is added.
char gc_OwnTitle[TEXT_BUF_SIZE] = "";

// Takes the ring's index; a value outside the table (a damaged settings
// file) is taken as the default.
uint32_t u32ReadSpeedRate(void)
{
    int s32Index = DDC_SPEED_DEFAULT;
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_DDC_SPEED, &s32Index);
    if (s32Index < 0 || s32Index >= DDC_SPEED_COUNT)
        s32Index = DDC_SPEED_DEFAULT;
    gs32_DdcSpeedIndex = s32Index;
    uint32_t u32Rate = gu32_DdcSpeedTable[s32Index];
    vPrintMsg("Set DDC / I2C speed = %d KHz\n>", (int)(u32Rate / 1000u));
    return u32Rate;
}

// Simulated displays pass whatever is written to them: the operator must
// never take them for real ones.
void vNoteSimulatedDisplays(void)
{
    if (GetLibraryInfo(DDC_LIB_SOURCE, &gu32_DdcSource) != 0)
        gu32_DdcSource = DDC_SOURCE_MACHINE;
    if (GetLibraryInfo(DDC_LIB_SIMULATED, &gu32_SimulatedOutputs) != 0)
        gu32_SimulatedOutputs = 0;
    if (gu32_SimulatedOutputs == 0)
        return;
    // A description may mix real adapters with simulated displays.
    char cWhat[128];
    if (gu32_DdcSource == DDC_SOURCE_BUILTIN)
        snprintf(cWhat, sizeof(cWhat), "the built-in bench): nothing is read from or written to "
                                       "a real display");
    else
        snprintf(cWhat, sizeof(cWhat), "a bench description: %u of its outputs): nothing is "
                                       "read from or written to a real display on them",
                 gu32_SimulatedOutputs);
    char cLine[160];
    snprintf(cLine, sizeof(cLine), "Simulated displays (%s", cWhat);
    vPrintMsgLines(" - ", cLine);
    fprintf(stderr, "tavolin: simulated displays (%s\n", cWhat);
    vShowSimulatedInTitle(1);
}

} // namespace

void vShowSimulatedInTitle(int32_t bOn)
{
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    if (!bOn) {
        if (gc_OwnTitle[0])
            SetPanelAttribute(s32Main, ATTR_TITLE, gc_OwnTitle);
        gc_OwnTitle[0] = '\0';
        return;
    }
    if (gc_OwnTitle[0])
        return;
    GetPanelAttribute(s32Main, ATTR_TITLE, gc_OwnTitle, sizeof(gc_OwnTitle));
    char cTitle[TEXT_BUF_SIZE + 32];
    snprintf(cTitle, sizeof(cTitle), "%s" SIMULATED_TITLE_NOTE, gc_OwnTitle);
    SetPanelAttribute(s32Main, ATTR_TITLE, cTitle);
}

int32_t s32InitDdc(void)
{
    bCheckOsPlatform();
    char cDir[TEXT_BUF_SIZE];
    GetProjectDir(cDir, sizeof(cDir));
    char cLogPath[TEXT_BUF_SIZE];
    int s32Len = snprintf(cLogPath, sizeof(cLogPath), "%s" UI_PATH_SEP LIBRARY_LOG_NAME, cDir);
    if (s32Len < 0 || (size_t)s32Len >= sizeof(cLogPath))
        cLogPath[0] = '\0'; // no log rather than one in the wrong place
    else
        snprintf(gu8str_DdcLogPath, sizeof(gu8str_DdcLogPath), "%s", cLogPath);
    uint32_t u32Result = EnableLog(cLogPath, 1);
    if (bIsDdcError(u32Result))
        return (int32_t)u32Result;
    u32Result = InstallDriver(DRIVER_FOLDER, 1);
    if (bIsDdcError(u32Result))
        return (int32_t)u32Result;
    u32Result = InitDDCHelper();
    if (bIsDdcError(u32Result))
        return (int32_t)u32Result;
    u32Result = SetLibraryOption(OPTION_ADDRESSING, 1);
    if (bIsDdcError(u32Result))
        return (int32_t)u32Result;
    u32Result = SetLibraryOption(OPTION_CLOCK, u32ReadSpeedRate());
    if (bIsDdcError(u32Result))
        return (int32_t)u32Result;
    u32Result = SetLibraryOption(OPTION_TIMEOUT, DDC_TIMEOUT_MS);
    if (bIsDdcError(u32Result))
        return (int32_t)u32Result;
    vPrintMsg("Detecting monitor ...\n>");
    return s32DetectMonitor();
}

int32_t s32GetLibVersionText(char (&pcText)[TEXT_BUF_SIZE])
{
    uint32_t u32Version = GetLibraryVersion();
    if (bIsDdcError(u32Version))
        snprintf(pcText, sizeof(pcText), "x.xx ");
    else
        snprintf(pcText, sizeof(pcText), "%.2f \n", u32Version / 100.0);
    return (int32_t)u32Version;
}

int32_t s32InitDdcAction(void)
{
    vShowProgress(INIT_PROGRESS_TEXT, 0);
    int32_t s32Status = s32InitDdc();
    // Every non-zero status is a failure, whatever its lowest bit.
    if (s32Status != 0)
        vPrintMsg(" - Fail ! Error Code = 0x%X \n>", (uint32_t)s32Status);
    else
        vPrintMsg(" - Pass\n>");
    vNoteSimulatedDisplays();
    vPrintDdcRemedy(s32Status);
    vShowProgress(INIT_PROGRESS_TEXT, 100);
    return 1;
}

int32_t s32SetDdcSpeedAction(void)
{
    uint32_t u32Status = SetLibraryOption(OPTION_CLOCK, u32ReadSpeedRate());
    if (u32Status != 0) {
        vPrintMsg(" - Faill, Error Code = 0x%X \n>", u32Status);
        vPrintMsg(" - Select \"I2C Speed\" again ...\n>");
    } else {
        vPrintMsg(" - Pass\n>");
    }
    vPrintMsg("\n>");
    return 0;
}

void vStopDdcLog(void)
{
    uint32_t u32Result = DisableLog();
    if (u32Result == DDC_ERR_LOG_FILE)
        fprintf(stderr,
                "tavolin: lines of the library log %s could not be written (0x%X), so it is "
                "incomplete: free space on its disk\n",
                gu8str_DdcLogPath, u32Result);
}
