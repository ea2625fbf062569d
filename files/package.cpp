#include "files/package.h"

#include "files/edid_image.h"
#include "files/msg_log.h"
#include "files/settings.h"
#include "files/text_escape.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdio.h>
#include <string.h>

uint8_t gu8_PkgBuffer[PKG_FILE_SIZE];
uint8_t gu8_PkgExist = 0;
uint8_t gu8_PkgValid = 0;
char gu8str_PkgFilePath[TEXT_BUF_SIZE] = "";

namespace {

uint8_t gu8_PkgJobBuffer[PKG_FILE_SIZE];
const char gc_ReadHeading[] = "Reading PKG file ...\n>";

// "The file does not exist." in Traditional Chinese; the run-time's texts
// are UTF-8.
const char gc_NoFileText[] = "\xE6\xAA\x94\xE6\xA1\x88\xE4\xB8\x8D\xE5\xAD\x98\xE5\x9C\xA8"
                             "\xE3\x80\x82";

bool bIsTypeCode(int32_t s32Type)
{
    return s32Type == PKG_TYPE_VGA || s32Type == PKG_TYPE_DVI || s32Type == PKG_TYPE_HDMI ||
           s32Type == PKG_TYPE_OTHER;
}

// Whole file or its first PKG_FILE_SIZE bytes into a cleared buffer; the
// size on disk in *pu64Size (0 when it cannot be had).
void vLoadPkgFile(uint8_t *pu8Buffer, uint64_t *pu64Size)
{
    memset(pu8Buffer, 0, PKG_FILE_SIZE);
    long fileSize = 0;
    if (pu64Size)
        *pu64Size = GetFileInfo(gu8str_PkgFilePath, &fileSize) == 1 ? (uint64_t)fileSize : 0;
    size_t read = 0;
    FileToArray(gu8str_PkgFilePath, pu8Buffer, PKG_FILE_SIZE, &read);
}

uint32_t u32PathControlLength(void)
{
    static char cPath[TEXT_BUF_SIZE];
    cPath[0] = '\0';
    GetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PKG_PATH, cPath);
    return (uint32_t)strlen(cPath);
}

// The field's text, or a single blank when it is empty.
void vShowTextField(int32_t s32Control, uint32_t u32Offset, uint32_t u32FieldSize)
{
    char cText[PKG_TEXT_A_SIZE + 1];
    vPkgText(gu8_PkgBuffer, u32Offset, u32FieldSize, cText, sizeof(cText));
    SetCtrlVal(gst_UiHandles.s32MainPanel, s32Control, cText[0] ? cText : " ");
}

// After a failed read nothing of an earlier package stays beside the path.
void vClearPkgInfo(void)
{
    static const int32_t s32Fields[] = {MAIN_PKG_TEXT_A, MAIN_PKG_TEXT_B, MAIN_PKG_TYPE,
                                        MAIN_PKG_PORT_NUM, MAIN_PKG_CHECKSUM};
    for (int32_t s32Control : s32Fields)
        SetCtrlVal(gst_UiHandles.s32MainPanel, s32Control, "");
    ClearListCtrl(gst_UiHandles.s32MainPanel, MAIN_PORT_LIST);
}

void vShowPortList(void)
{
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    ClearListCtrl(s32Main, MAIN_PORT_LIST);
    // The table has eight entries whatever the count claims.
    uint32_t u32Count = u32PkgPortCount(gu8_PkgBuffer);
    for (uint32_t i = 0; i < u32Count && i < PKG_PORT_MAX; i++) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(gu8_PkgBuffer, i, cName, sizeof(cName));
        InsertListItem(s32Main, MAIN_PORT_LIST, -1, cName, (int)i);
    }
}

// The port list's selection: its place, its value and its label.
struct stPortChoice {
    int s32Index;    // -1: none
    int s32Value;
    char cLabel[64];
};
stPortChoice gst_TakenPort;
bool gb_PortTaken = false;

void vListedPort(stPortChoice *pstChoice)
{
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    pstChoice->s32Index = -1;
    pstChoice->s32Value = -1;
    pstChoice->cLabel[0] = '\0';
    GetCtrlIndex(s32Main, MAIN_PORT_LIST, &pstChoice->s32Index);
    if (pstChoice->s32Index < 0 || GetCtrlVal(s32Main, MAIN_PORT_LIST, &pstChoice->s32Value) != 0) {
        pstChoice->s32Index = -1;
        return;
    }
    GetLabelFromIndex(s32Main, MAIN_PORT_LIST, pstChoice->s32Index, pstChoice->cLabel,
                      sizeof(pstChoice->cLabel));
}

// The port list entry selected (or taken by a Start), checked against the
// package in the buffer.
bool bSelectedPort(uint32_t *pu32Port)
{
    stPortChoice stChoice;
    if (gb_PortTaken)
        stChoice = gst_TakenPort;
    else
        vListedPort(&stChoice);
    if (stChoice.s32Index < 0) {
        vPrintMsg(" - Select a port of the package first\n>");
        return false;
    }
    int s32Value = stChoice.s32Value;
    char cName[PKG_PORT_NAME_SIZE + 1];
    uint32_t u32Count = u32PkgPortCount(gu8_PkgBuffer);
    bool bInPackage = s32Value >= 0 && (uint32_t)s32Value < u32Count && s32Value < PKG_PORT_MAX;
    if (bInPackage)
        vPkgPortName(gu8_PkgBuffer, (uint32_t)s32Value, cName, sizeof(cName));
    if (!bInPackage || strcmp(stChoice.cLabel, cName) != 0) {
        vPrintMsg(" - The port list does not match the package, select the package again\n>");
        return false;
    }
    *pu32Port = (uint32_t)s32Value;
    return true;
}

// The type of the file at the path, or PKG_TYPE_OTHER when there is none.
int32_t s32DetectPkgType(void)
{
    return s32CheckPkgExist(PKG_TYPE_OTHER) == 1 ? s32GetPkgType(gu8_PkgBuffer) : PKG_TYPE_OTHER;
}

// The path check again with the type found, then the read; 1 when both pass.
int32_t bReadAsType(int32_t s32Type)
{
    if (s32CheckPkgExist(s32Type) == 1 && s32ReadPkgFile(s32Type, gu8_PkgBuffer) == 1)
        return 1;
    vClearPkgInfo();
    return 0;
}

int32_t s32ReportRead(void)
{
    int32_t s32Pass = bReadAsType(s32DetectPkgType());
    vPrintMsg(s32Pass ? " - Pass\n>" : " - Fail\n>");
    return s32Pass;
}

void vTakePkgPath(const char *pcPath)
{
    snprintf(gu8str_PkgFilePath, sizeof(gu8str_PkgFilePath), "%s", pcPath);
    int32_t s32Type = s32DetectPkgType();
    ClearListCtrl(gst_UiHandles.s32MainPanel, MAIN_PORT_LIST);
    ClearListCtrl(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST);
    if (bReadAsType(s32Type))
        vShowPkgInfo(s32Type);
}

// The refusal lines name the port as the operator picked it.
void vPortLabel(uint32_t u32Port, char *pcLabel, uint32_t u32Size)
{
    char cName[PKG_PORT_NAME_SIZE + 1];
    vPkgPortName(gu8_PkgBuffer, u32Port, cName, sizeof(cName));
    if (cName[0] == '\0')
        snprintf(pcLabel, u32Size, "%u", u32Port + 1);
    else // a package's bytes, echoed as read, never as terminal commands
        pcEscapeText(cName, ESCAPE_CONTROLS, pcLabel, u32Size);
}

// The checks an image passes before it is packed: a package whose sums are
// right can still hold an image that would leave a display with an invalid
// EDID.
bool bImageIntact(const stPkgJobImage *pstImage)
{
    uint32_t u32Offset = 0;
    uint32_t u32Sum = 0;
    switch (s32CheckEdidImage(pstImage->pu8Image, (uint32_t)pstImage->s32Amount, &u32Offset,
                              &u32Sum)) {
    case EDID_IMAGE_HEADER:
        vPrintMsg(" - The EDID of port %s is damaged: block 0 does not begin with the EDID "
                  "header\n>",
                  pstImage->cPort);
        return false;
    case EDID_IMAGE_CHECKSUM:
        vPrintMsg(" - The EDID of port %s is damaged: the checksum of block %u is wrong\n>",
                  pstImage->cPort, u32Offset / EDID_BLOCK_BYTES);
        return false;
    default:
        return true; // its length is the one its byte 126 declares
    }
}

} // namespace

void vClearPkgBuffer(void) { memset(gu8_PkgBuffer, 0, sizeof(gu8_PkgBuffer)); }

int32_t s32CheckPkgExist(int32_t s32Type)
{
    if (!bIsTypeCode(s32Type))
        return 0;
    gu8_PkgExist = 0;
    if (u32PathControlLength() <= 1) {
        vPrintMsg(" - Path Loading Error ...\n>");
        return 0;
    }
    long fileSize = 0;
    if (GetFileInfo(gu8str_PkgFilePath, &fileSize) != 1) {
        vPrintMsg(" - File does not exist ...\n>");
        return 0;
    }
    gu8_PkgExist = 1;
    return 1;
}

int32_t s32GetPkgType(uint8_t *pu8Buffer)
{
    vLoadPkgFile(pu8Buffer, nullptr);
    return s32PkgTypeOfText(pu8Buffer);
}

int32_t s32ReadPkgFile(int32_t s32Type, uint8_t *pu8Buffer)
{
    gu8_PkgValid = 0;
    uint64_t u64Size = 0;
    vLoadPkgFile(pu8Buffer, &u64Size);
    if (!bIsTypeCode(s32Type)) {
        vPrintMsg(" - Package read error\n>");
        return 0;
    }
    if (s32Type == PKG_TYPE_OTHER)
        return 1;
    char cName[PKG_TYPE_SIZE + 1];
    vPkgTypeName(pu8Buffer, cName, sizeof(cName));
    int32_t s32Check = s32PkgValidate(pu8Buffer, u64Size, s32Type);
    if (s32Check != PKG_CHECK_OK) {
        vPrintMsg(pcPkgCheckFormat(s32Check), cName);
        return 0;
    }
    gu8_PkgValid = 1;
    return 1;
}

bool bPkgCheck(void)
{
    if (gu8_PkgExist == 1 && gu8_PkgValid == 1)
        return true;
    if (gu8_PkgExist != 1)
        vPrintMsg(" - Fail. The existence of PKG file fail\n>");
    if (gu8_PkgValid != 1)
        vPrintMsg(" - Fail. Reading PKG file fail\n>");
    return false;
}

void vShowPkgInfo(int32_t)
{
    vShowTextField(MAIN_PKG_TEXT_A, PKG_TEXT_A_OFFSET, PKG_TEXT_A_SIZE);
    vShowTextField(MAIN_PKG_TEXT_B, PKG_TEXT_B_OFFSET, PKG_TEXT_B_SIZE);
    vShowTextField(MAIN_PKG_TYPE, PKG_TYPE_OFFSET, PKG_TYPE_SIZE);
    char cText[16];
    snprintf(cText, sizeof(cText), "%u", u32PkgPortCount(gu8_PkgBuffer));
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PKG_PORT_NUM, cText);
    snprintf(cText, sizeof(cText), "%04X", u32PkgLoad32(gu8_PkgBuffer, PKG_SUM_OFFSET) & 0xFFFFu);
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PKG_CHECKSUM, cText);
    vShowPortList();
}

const uint8_t *pu8PkgJobCopy(uint32_t u32Offset, uint32_t u32Count)
{
    if (u32Offset > PKG_FILE_SIZE || u32Count > PKG_FILE_SIZE - u32Offset)
        u32Count = 0;
    memcpy(gu8_PkgJobBuffer, gu8_PkgBuffer + u32Offset, u32Count);
    return gu8_PkgJobBuffer;
}

namespace {

struct stStampedImage {
    uint32_t u32Port;
    const uint8_t *pu8Image;   // null: none
    int32_t s32Amount;
};
stStampedImage gst_StampedImage = {0, nullptr, 0};

} // namespace

void vPkgUseStampedImage(uint32_t u32Port, const uint8_t *pu8Image, int32_t s32Amount)
{
    gst_StampedImage = {u32Port, pu8Image, s32Amount};
}

int32_t bSelectedPkgImage(stPkgJobImage *pstImage)
{
    uint32_t u32Port = 0;
    if (!bSelectedPort(&u32Port))
        return 0;
    uint32_t u32Offset = 0;
    uint32_t u32Length = 0;
    if (!bPkgPortImage(gu8_PkgBuffer, u32Port, &u32Offset, &u32Length)) {
        vPrintMsg(" - The EDID of the port does not lie inside the package\n>");
        return 0;
    }
    vPortLabel(u32Port, pstImage->cPort, sizeof(pstImage->cPort));
    pstImage->pu8Image = pu8PkgJobCopy(u32Offset, u32Length);
    pstImage->s32Amount = (int32_t)u32Length;
    const stStampedImage *pstStamped = &gst_StampedImage;
    if (pstStamped->pu8Image && pstStamped->u32Port == u32Port &&
        pstStamped->s32Amount <= (int32_t)sizeof(gu8_PkgJobBuffer)) {
        memcpy(gu8_PkgJobBuffer, pstStamped->pu8Image, (size_t)pstStamped->s32Amount);
        pstImage->s32Amount = pstStamped->s32Amount;
    }
    return bImageIntact(pstImage) ? 1 : 0;
}

void vSelectPkgFile(const char *pcFileSpec, char *pcResultPath, int32_t s32Control,
                    int32_t s32Panel)
{
    static char cPath[TEXT_BUF_SIZE];
    cPath[0] = '\0';
    int s32Result = FileSelectPopup(gu8str_LastDir, pcFileSpec, "", "Select File", VAL_LOAD_BUTTON,
                                    0, 1, 1, 0, cPath, sizeof(cPath));
    if (s32Result != VAL_EXISTING_FILE_SELECTED)
        return;
    long fileSize = 0;
    if (GetFileInfo(cPath, &fileSize) != 1) {
        MessagePopup("Error", gc_NoFileText);
        return;
    }
    if (s32Control == 0 || s32Panel == 0) {
        if (pcResultPath)
            snprintf(pcResultPath, TEXT_BUF_SIZE, "%s", cPath);
        return;
    }
    SetCtrlVal(s32Panel, s32Control, cPath);
    // Saved at once: a crash must not leave the station without its package.
    if (s32Control == MAIN_PKG_PATH) {
        vTakePkgPath(cPath);
        vSaveDefSetting(0);
    }
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", cPath);
}

int SettingFilePathCallback(int, int control, int event, void *, int, int)
{
    if (event == EVENT_COMMIT && control == MAIN_PKG_BROWSE)
        vSelectPkgFile("*.pkg", nullptr, MAIN_PKG_PATH, gst_UiHandles.s32MainPanel);
    return 0;
}

int32_t s32CheckPkgExistAction(void)
{
    vPrintMsg("Checking the existence of PKG file ...\n>");
    vPrintMsg(s32CheckPkgExist(PKG_TYPE_OTHER) == 1 ? " - Pass\n>" : " - Fail\n>");
    return 0;
}

int32_t s32ReadPkgAction(void)
{
    vPrintMsg("%s", gc_ReadHeading);
    s32ReportRead();
    return 0;
}

bool bReadPkgReady(void)
{
    vMsgHoldBegin();
    if (bReadAsType(s32DetectPkgType())) {
        vMsgHoldDrop();
        return true;
    }
    vMsgHoldPrintAfter(gc_ReadHeading);
    vPrintMsg(" - Fail\n>");
    return false;
}

void vTakeSelectedPort(void)
{
    gb_PortTaken = false;
    vListedPort(&gst_TakenPort);
    gb_PortTaken = true;
}

void vReleaseSelectedPort(void) { gb_PortTaken = false; }

int32_t s32CheckPkgInfoAction(void)
{
    vPrintMsg("Checking PKG file information ...\n>");
    if (s32ReportRead())
        vShowPkgInfo(PKG_TYPE_OTHER);
    return 0;
}
