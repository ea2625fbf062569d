// The text box: the front keeps its lines, so reading them back costs the
// same on every back end and whatever the box holds. An append only gathers
// its text; the window takes what was gathered at most once a frame, since
// laying text out per fragment of a byte dump costs more than all the rest.
// A line feed or carriage return ends a line; a line feed opens its new line
// only once something follows it, so a box ending in a line feed has no
// empty last line.
#include "ui_backend.h"
#include "ui_front_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool bRoomForText(stUiTextBox *pstBox, size_t more)
{
    if (pstBox->length + more + 1 <= pstBox->capacity)
        return true;
    size_t capacity = pstBox->capacity ? pstBox->capacity : 256;
    while (capacity < pstBox->length + more + 1)
        capacity *= 2;
    char *pcText = static_cast<char *>(realloc(pstBox->pcText, capacity));
    if (!pcText)
        return false;
    pstBox->pcText = pcText;
    pstBox->capacity = capacity;
    return true;
}

bool bRoomForLine(stUiTextBox *pstBox)
{
    if (pstBox->s32LineCount < pstBox->s32LineCapacity)
        return true;
    int32_t s32Capacity = pstBox->s32LineCapacity ? 2 * pstBox->s32LineCapacity : 64;
    void *pvStarts = realloc(pstBox->pLineStart, (size_t)s32Capacity * sizeof(size_t));
    if (!pvStarts)
        return false;
    pstBox->pLineStart = static_cast<size_t *>(pvStarts);
    pstBox->s32LineCapacity = s32Capacity;
    return true;
}

bool bBreakLine(stUiTextBox *pstBox)
{
    if (!bRoomForLine(pstBox))
        return false;
    pstBox->pcText[pstBox->length++] = '\n';
    pstBox->pLineStart[pstBox->s32LineCount++] = pstBox->length;
    return true;
}

// Each byte adds at most two: a held line feed's break and itself.
bool bAppend(stUiTextBox *pstBox, const char *pcText)
{
    size_t length = strlen(pcText);
    if (!bRoomForText(pstBox, 2 * length + 1) || !bRoomForLine(pstBox))
        return false;
    if (pstBox->s32LineCount == 0)
        pstBox->pLineStart[pstBox->s32LineCount++] = 0;
    for (size_t i = 0; i < length; i++) {
        if (pstBox->bPendingLineFeed) {
            pstBox->bPendingLineFeed = 0;
            if (!bBreakLine(pstBox))
                return false;
        }
        if (pcText[i] == '\n') {
            pstBox->bPendingLineFeed = 1;
        } else if (pcText[i] == '\r') {
            if (!bBreakLine(pstBox))
                return false;
        } else {
            pstBox->pcText[pstBox->length++] = pcText[i];
        }
    }
    pstBox->pcText[pstBox->length] = '\0';
    return true;
}

int32_t s32LineCount(const stUiTextBox *pstBox)
{
    return pstBox->length == 0 && !pstBox->bPendingLineFeed ? 0 : pstBox->s32LineCount;
}

const char *pcLine(const stUiTextBox *pstBox, int32_t s32Index, size_t *pLength)
{
    size_t start = pstBox->pLineStart[s32Index];
    size_t end = s32Index + 1 < pstBox->s32LineCount ? pstBox->pLineStart[s32Index + 1] - 1
                                                      : pstBox->length;
    *pLength = end - start;
    return pstBox->pcText + start;
}

void vFlush(stUiPanel *pstPanel, int32_t s32Index)
{
    stUiTextBox *pstBox = &pstPanel->stCtrls[s32Index].stBox;
    if (pstBox->length <= pstBox->shown)
        return;
    vUiBackTextBoxAppend(pstPanel, s32Index, pstBox->pcText + pstBox->shown,
                         pstBox->length - pstBox->shown);
    pstBox->shown = pstBox->length;
}

// The box as read is the box as shown: what was gathered goes in first.
stUiCtrl *pTextBox(int s32Panel, int s32Control)
{
    stUiCtrl *pstCtrl = pUiFindControl(s32Panel, s32Control);
    if (!pstCtrl || pstCtrl->s32Kind != UI_KIND_TEXTBOX)
        return nullptr;
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    vFlush(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    return pstCtrl;
}

} // namespace

int s32UiTextBoxAppend(stUiPanel *, stUiCtrl *pstCtrl, const char *pcText)
{
    if (!bAppend(&pstCtrl->stBox, pcText))
        return UIE_BAD_ARGUMENT;
    if (pstCtrl->stBox.length > pstCtrl->stBox.shown)
        vUiBackScheduleFlush();
    return UIE_NO_ERROR;
}

void vUiTextBoxFree(stUiCtrl *pstCtrl)
{
    free(pstCtrl->stBox.pcText);
    free(pstCtrl->stBox.pLineStart);
    memset(&pstCtrl->stBox, 0, sizeof(pstCtrl->stBox));
}

void vUiFrontFlushTextBoxes(void)
{
    for (int32_t s32Slot = 0; s32Slot < UI_PANEL_MAX; s32Slot++) {
        stUiPanel *pstPanel = pUiPanelAt(s32Slot);
        for (int32_t i = 0; pstPanel && i < pstPanel->s32CtrlCount; i++)
            vFlush(pstPanel, i);
    }
}

int ResetTextBox(int panel, int control, const char *text)
{
    stUiCtrl *pstCtrl = pTextBox(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    vUiTextBoxFree(pstCtrl);
    vUiBackTextBoxReset(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    if (text && *text)
        s32UiTextBoxAppend(pstPanel, pstCtrl, text);
    return UIE_NO_ERROR;
}

int GetNumTextBoxLines(int panel, int control, int *count)
{
    stUiCtrl *pstCtrl = pTextBox(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!count)
        return UIE_BAD_ARGUMENT;
    *count = s32LineCount(&pstCtrl->stBox);
    return UIE_NO_ERROR;
}

int GetTextBoxLineLength(int panel, int control, int index, int *length)
{
    stUiCtrl *pstCtrl = pTextBox(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!length || index < 0 || index >= s32LineCount(&pstCtrl->stBox))
        return UIE_BAD_ARGUMENT;
    size_t lineLength = 0;
    pcLine(&pstCtrl->stBox, index, &lineLength);
    *length = (int)lineLength;
    return UIE_NO_ERROR;
}

int GetTextBoxLine(int panel, int control, int index, char *text, size_t size)
{
    stUiCtrl *pstCtrl = pTextBox(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!text || size == 0 || index < 0 || index >= s32LineCount(&pstCtrl->stBox))
        return UIE_BAD_ARGUMENT;
    size_t length = 0;
    const char *pcText = pcLine(&pstCtrl->stBox, index, &length);
    vUiCopyText(pcText, length, text, size);
    return UIE_NO_ERROR;
}
