// The panel table and the look-ups every entry point starts with.
#include "ui_front.h"
#include "ui_front_internal.h"

#include <stdio.h>
#include <string.h>

stUiPanel gst_UiPanels[UI_PANEL_MAX];

stUiPanel *pUiFindPanel(int32_t s32Handle)
{
    if (s32Handle <= 0)
        return nullptr;
    for (stUiPanel &panel : gst_UiPanels) {
        if (panel.s32Handle == s32Handle)
            return &panel;
    }
    return nullptr;
}

stUiPanel *pUiPanelAt(int32_t s32Slot)
{
    if (s32Slot < 0 || s32Slot >= UI_PANEL_MAX || !gst_UiPanels[s32Slot].s32Handle)
        return nullptr;
    return &gst_UiPanels[s32Slot];
}

stUiPanel *pUiFirstPanel(void)
{
    stUiPanel *pstFirst = nullptr;
    for (stUiPanel &panel : gst_UiPanels) {
        if (panel.s32Handle && (!pstFirst || panel.s32Handle < pstFirst->s32Handle))
            pstFirst = &panel;
    }
    return pstFirst;
}

stUiCtrl *pUiFindControl(int32_t s32Panel, int32_t s32Control)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    if (!pstPanel || s32Control <= 0)
        return nullptr;
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        if (pstPanel->stCtrls[i].s32Id == s32Control)
            return &pstPanel->stCtrls[i];
    }
    return nullptr;
}

int32_t s32UiCtrlIndex(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl)
{
    return (int32_t)(pstCtrl - pstPanel->stCtrls);
}

int32_t s32UiClamp(const stUiCtrl *pstCtrl, int32_t s32Value)
{
    return s32Value < pstCtrl->s32Min ? pstCtrl->s32Min : s32Value > pstCtrl->s32Max ? pstCtrl->s32Max : s32Value;
}

int32_t bUiCtrlShown(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl)
{
    if (!pstCtrl->bVisible || pstCtrl->bOffPanel || pstCtrl->s32Kind == UI_KIND_TIMER)
        return 0;
    return pstCtrl->s32Part < 0 || !pstPanel->stCtrls[pstCtrl->s32Part].bOffPanel;
}

stUiCtrl *pUiKeyboardHome(stUiPanel *pstPanel)
{
    stUiCtrl *pstHome = pstPanel ? pUiFindControl(pstPanel->s32Handle, pstPanel->s32KeyboardHome)
                                 : nullptr;
    if (!pstHome || pstHome->bDimmed || !bUiCtrlShown(pstPanel, pstHome))
        return nullptr;
    return pstHome;
}

void vUiCtrlFont(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl, stUiFont *pstFont)
{
    *pstFont = pstPanel->stFont;
    if (pstCtrl->s32Part >= 0)
        vUiMergeFont(&pstPanel->stCtrls[pstCtrl->s32Part].stFont, pstFont);
    // A group box's weight is its title's alone.
    pstFont->bBold = pstPanel->stFont.bBold;
    vUiMergeFont(&pstCtrl->stFont, pstFont);
    if (pstFont->s32PointSize <= 0)
        pstFont->s32PointSize = UI_DEFAULT_POINT_SIZE;
}

void vUiMergeFont(const stUiFont *pstOwn, stUiFont *pstFont)
{
    if (pstOwn->cFamily[0])
        snprintf(pstFont->cFamily, sizeof(pstFont->cFamily), "%s", pstOwn->cFamily);
    if (pstOwn->s32PointSize > 0)
        pstFont->s32PointSize = pstOwn->s32PointSize;
    if (pstOwn->bBold >= 0)
        pstFont->bBold = pstOwn->bBold;
}

int32_t s32UiMenuEntryOfItem(const stUiPanel *pstPanel, int32_t s32ItemId)
{
    for (int32_t i = 0; i < pstPanel->s32MenuCount; i++) {
        const stUiMenuEntry *pstEntry = &pstPanel->stMenu[i];
        if (pstEntry->s32Kind == UI_MENU_ITEM && pstEntry->s32ItemId == s32ItemId && s32ItemId)
            return i;
    }
    return -1;
}

void vUiCopyText(const char *pcText, size_t length, char *pcOut, size_t size)
{
    if (!pcOut || size == 0)
        return;
    size_t count = length < size - 1 ? length : size - 1;
    memcpy(pcOut, pcText, count);
    pcOut[count] = '\0';
}

void vUiSingleSuffix(const char *pcPattern, char *pcSuffix, size_t size)
{
    vUiCopyText("", 0, pcSuffix, size);
    if (!pcPattern || strncmp(pcPattern, "*.", 2) != 0 || !pcPattern[2])
        return;
    const char *pcRest = pcPattern + 2;
    if (strpbrk(pcRest, "*?; "))
        return;
    vUiCopyText(pcRest, strlen(pcRest), pcSuffix, size);
}
