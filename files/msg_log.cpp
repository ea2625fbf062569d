#include "files/msg_log.h"

#include "files/textmode.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

char gu8str_MsgFilePath[TEXT_BUF_SIZE] = "";

namespace {

char gc_MsgCapture[MSG_CAPTURE_SIZE];
size_t g_MsgCaptureUsed = 0;
stMsgEcho gst_Echo = {nullptr, nullptr, nullptr};
char gc_MsgHeld[TEXT_BUF_SIZE];
size_t g_MsgHeldUsed = 0;
bool gb_MsgHolding = false;

// Appends to a fixed buffer what still fits in it.
void vAppendTo(char *pcBuffer, size_t size, size_t *pUsed, const char *pcText)
{
    size_t length = strnlen(pcText, size - 1 - *pUsed);
    memcpy(pcBuffer + *pUsed, pcText, length);
    *pUsed += length;
    pcBuffer[*pUsed] = '\0';
}

void vHold(const char *pcText)
{
    vAppendTo(gc_MsgHeld, sizeof(gc_MsgHeld), &g_MsgHeldUsed, pcText);
}

void vCapture(const char *pcText)
{
    vAppendTo(gc_MsgCapture, sizeof(gc_MsgCapture), &g_MsgCaptureUsed, pcText);
}

bool bIsVerdict(const char *pcLine, size_t length)
{
    return length == 7 && (strncmp(pcLine, " - Pass", 7) == 0 || strncmp(pcLine, " - Fail", 7) == 0);
}

} // namespace

void vMsgSetEcho(const stMsgEcho *pstEcho)
{
    gst_Echo = pstEcho ? *pstEcho : stMsgEcho{nullptr, nullptr, nullptr};
}

void vMsgCaptureBegin(void)
{
    g_MsgCaptureUsed = 0;
    gc_MsgCapture[0] = '\0';
}

void vMsgCapturedReason(char *pcLine, size_t size)
{
    pcLine[0] = '\0';
    const char *pcAt = gc_MsgCapture;
    while (*pcAt) {
        if (*pcAt == '>')
            pcAt++;
        size_t length = strcspn(pcAt, "\n");
        size_t shown = length;
        while (shown > 0 && pcAt[shown - 1] == ' ')
            shown--;
        if (shown >= 3 && strncmp(pcAt, " - ", 3) == 0 && !bIsVerdict(pcAt, shown)) {
            length = shown;
            snprintf(pcLine, size, "%.*s", (int)length, pcAt);
            return;
        }
        pcAt += length;
        if (*pcAt == '\n')
            pcAt++;
    }
}

void vMsgHoldBegin(void)
{
    gb_MsgHolding = true;
    g_MsgHeldUsed = 0;
    gc_MsgHeld[0] = '\0';
}

void vMsgHoldDrop(void)
{
    gb_MsgHolding = false;
    g_MsgHeldUsed = 0;
}

void vMsgHoldPrintAfter(const char *pcHeading)
{
    gb_MsgHolding = false;
    vPrintMsg("%s", pcHeading);
    if (g_MsgHeldUsed > 0)
        vPrintMsg("%s", gc_MsgHeld);
    g_MsgHeldUsed = 0;
}

void vPrintMsg(const char *pcFormat, ...)
{
    char cText[TEXT_BUF_SIZE];
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(cText, sizeof(cText), pcFormat, args);
    va_end(args);
    if (gb_MsgHolding)
        return vHold(cText);
    vCapture(cText);
    if (gst_Echo.pfnMessage)
        gst_Echo.pfnMessage(cText, gst_Echo.pvContext);
    if (gst_UiHandles.s32MainPanel != 0 && gst_UiHandles.s32MsgCtrl != 0)
        SetCtrlVal(gst_UiHandles.s32MainPanel, gst_UiHandles.s32MsgCtrl, cText);
}

void vPrintMsgLines(const char *pcLead, const char *pcText)
{
    int s32Indent = (int)strlen(pcLead);
    size_t room = MSG_BOX_COLUMNS > s32Indent ? (size_t)(MSG_BOX_COLUMNS - s32Indent) : 1;
    const char *pcAt = pcText;
    for (bool bFirst = true; bFirst || *pcAt; bFirst = false) {
        size_t length = strlen(pcAt);
        if (length > room) {
            // The last blank that keeps the line in the box; a word longer
            // than the box stays whole.
            size_t cut = room;
            while (cut > 0 && pcAt[cut] != ' ')
                cut--;
            if (cut == 0)
                cut = strcspn(pcAt, " ");
            length = cut;
        }
        vPrintMsg("%*s%.*s\n>", s32Indent, bFirst ? pcLead : "", (int)length, pcAt);
        pcAt += length;
        while (*pcAt == ' ')
            pcAt++;
    }
}

void vPrintProgress(const char *pcFormat, ...)
{
    char cText[TEXT_BUF_SIZE];
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(cText, sizeof(cText), pcFormat, args);
    va_end(args);
    if (gst_Echo.pfnProgress)
        gst_Echo.pfnProgress(cText, gst_Echo.pvContext);
    if (gst_UiHandles.s32ProgressPanel != 0 && gst_UiHandles.s32MsgCtrl != 0)
        SetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_TEXT, cText);
}

namespace {

void vWriteMsgLines(stTextWriter *pstWriter, int32_t s32LineCount)
{
    static char cLine[TEXT_BUF_SIZE];
    for (int32_t i = 0; i < s32LineCount; i++) {
        cLine[0] = '\0';
        GetTextBoxLine(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, i, cLine, sizeof(cLine));
        vTextWrite(pstWriter, cLine);
        vTextWrite(pstWriter, "\n");
    }
}

} // namespace

int32_t s32SaveMsgToFile(void)
{
    int s32LineCount = 0;
    GetNumTextBoxLines(gst_UiHandles.s32MainPanel, MAIN_MSG_BOX, &s32LineCount);
    char cPath[TEXT_BUF_SIZE];
    cPath[0] = '\0';
    int s32Result = FileSelectPopup(gu8str_LastDir, "*.txt", "*.txt", "Name of File to Save",
                                    VAL_SAVE_BUTTON, 0, 1, 1, 0, cPath, sizeof(cPath));
    if (s32Result == VAL_EXISTING_FILE_SELECTED || s32Result == VAL_NEW_FILE_SELECTED) {
        snprintf(gu8str_MsgFilePath, sizeof(gu8str_MsgFilePath), "%s", cPath);
        static stTextWriter stWriter;
        bool bSaved = bTextWriterOpen(&stWriter, gu8str_MsgFilePath);
        if (bSaved) {
            vWriteMsgLines(&stWriter, s32LineCount);
            bSaved = bTextWriterCommit(&stWriter);
        }
        if (!bSaved)
            vPrintMsg(" - The messages could not be saved to %s: %s\n>", gu8str_MsgFilePath,
                      pcTextWriterWhy(&stWriter));
    }
    snprintf(gu8str_LastDir, sizeof(gu8str_LastDir), "%s", cPath);
    return 0;
}
