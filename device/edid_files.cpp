#include "device/edid_files.h"

#include "device/device_command.h"
#include "device/edid_bus.h"
#include "device/edid_receive.h"
#include "device/progress.h"
#include "files/edid_image.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdio.h>

#define SHOW_PKG_CAPTION "PC File Displaying ..."
#define EDID_SAVE_TITLE "Name of File to Save"

char gu8str_EdidFilePath[TEXT_BUF_SIZE] = "";

namespace {

const char gc_FrameLine[] = "//************************************//\n>";

uint32_t u32SavedAmount(void)
{
    uint32_t u32Pages = gu8_EdidPageNum;
    if (u32Pages < PAGE_NUM_MIN)
        u32Pages = PAGE_NUM_MIN;
    if (u32Pages > PAGE_NUM_MAX)
        u32Pages = PAGE_NUM_MAX;
    return u32Pages * EDID_BLOCK_SIZE;
}

void vReportSaved(int32_t s32Written, uint32_t u32Amount)
{
    if (s32Written != UIE_NO_ERROR) {
        char cWhy[TEXT_BUF_SIZE];
        GetFileError(cWhy, sizeof(cWhy));
        vPrintMsg(" - Fail. The file cannot be written\n>");
        vPrintMsg(" - Path = %s \n>", gu8str_EdidFilePath);
        vPrintMsg(" - Reason: %s\n>", cWhy);
        return;
    }
    vPrintMsg(" - Success !\n>");
    vPrintMsg(" - Path = %s \n>", gu8str_EdidFilePath);
    vPrintMsg(" - Amount = %d Bytes \n>", (int)u32Amount);
}

// The save dialog for one file type; true when a file was chosen, its path
// in pcPath (emptied otherwise).
bool bAskSavePath(const char *pcSpec, char (&pcPath)[TEXT_BUF_SIZE])
{
    pcPath[0] = '\0';
    int s32Result = FileSelectPopup(gu8str_LastDir, pcSpec, pcSpec, EDID_SAVE_TITLE,
                                    VAL_SAVE_BUTTON, 0, 1, 1, 0, pcPath, sizeof(pcPath));
    if (s32Result == VAL_EXISTING_FILE_SELECTED || s32Result == VAL_NEW_FILE_SELECTED) {
        snprintf(gu8str_EdidFilePath, sizeof(gu8str_EdidFilePath), "%s", pcPath);
        return true;
    }
    vPrintMsg(" - Saving EDID ... canceled\n>");
    return false;
}

void vSaveBinary(const uint8_t *pu8Edid, uint32_t u32Amount, char (&pcPath)[TEXT_BUF_SIZE])
{
    if (bAskSavePath("*.bin", pcPath))
        vReportSaved(ArrayToFile(gu8str_EdidFilePath, pu8Edid, u32Amount), u32Amount);
}

void vSaveText(const uint8_t *pu8Edid, uint32_t u32Amount, char (&pcPath)[TEXT_BUF_SIZE])
{
    // 12,416 characters for 16 pages, more than a text buffer holds.
    static char cText[EDID_TEXT_SIZE_OF(RECEIVED_EDID_SIZE) + 1];
    if (!bAskSavePath("*.txt", pcPath))
        return;
    uint32_t u32Length = u32FormatEdidText(pu8Edid, u32Amount, cText, sizeof(cText));
    vReportSaved(ArrayToFile(gu8str_EdidFilePath, cText, u32Length), u32Amount);
}

} // namespace

int32_t s32SaveDeviceEdid(void)
{
    static char cPath[TEXT_BUF_SIZE];
    cPath[0] = '\0';
    int32_t s32Index = s32SelectedMonitor();
    vPrintMsg("Saving EDID as binary / ascii format ...\n>");
    // With no display selected there is no record to read.
    if (s32Index < 0) {
        vPrintMsg(" - Fail. Select PC output port first\n>");
        return 0;
    }
    if (!bReceivedCopyReady(s32Index))
        return 0;
    const uint8_t *pu8Edid = gst_ReceivedEdid[s32Index].u8EdidBuf;
    uint32_t u32Amount = u32SavedAmount();
    int32_t s32Requested = 0;
    int s32Binary = 0;
    int s32Text = 0;
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_SAVE_BIN, &s32Binary);
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_SAVE_TXT, &s32Text);
    if (s32Binary == 1) {
        s32Requested++;
        vSaveBinary(pu8Edid, u32Amount, cPath);
    }
    if (s32Text == 1) {
        s32Requested++;
        vSaveText(pu8Edid, u32Amount, cPath);
    }
    if (s32Requested == 0)
        vPrintMsg(" - Please welect saving type ...\n>");
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", cPath);
    return 0;
}

int32_t s32ShowPkgContent(int32_t s32Type)
{
    const uint8_t *pu8Pkg = pu8PkgJobCopy(0, PKG_FILE_SIZE);
    char cName[PKG_TYPE_SIZE + 1] = "Unknown";
    if (s32Type == PKG_TYPE_VGA || s32Type == PKG_TYPE_DVI || s32Type == PKG_TYPE_HDMI ||
        s32Type == PKG_TYPE_OTHER)
        vPkgTypeName(pu8Pkg, cName, sizeof(cName));
    char cCaption[64];
    snprintf(cCaption, sizeof(cCaption), "Display File of %s ...", cName);
    vPrintMsg("%s\n>", cCaption);
    vPrintMsg("%s", gc_FrameLine);
    vPrintMsg("//    Content of %s File\n>", cName);
    vPrintMsg("%s", gc_FrameLine);
    for (uint32_t i = 0; i < PKG_FILE_SIZE; i++) {
        vShowProgress(cCaption, (int32_t)(i * 100 / PKG_FILE_SIZE));
        vPrintDataByte(pu8Pkg[i], i);
        vPumpEvents();
    }
    return 1;
}

int32_t s32ShowPkgAction(void)
{
    vPrintMsg("Showing PKG file content ...\n>");
    if (!bPkgCheck())
        return 0;
    vShowProgress(SHOW_PKG_CAPTION, 0);
    vPrintMsg(s32ShowPkgContent(PKG_TYPE_OTHER) == 1 ? " - Pass\n>" : " - Fail\n>");
    vShowProgress(SHOW_PKG_CAPTION, 100);
    return 1;
}
