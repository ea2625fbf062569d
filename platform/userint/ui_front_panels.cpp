// Showing panels, which one is active and holds the keyboard, and the panel
// attributes.
#include "ui_backend.h"
#include "ui_front_internal.h"
#include "userint_test.h"

#include <stdio.h>
#include <string.h>

namespace {

int32_t gs32_ActivePanel = 0;

bool bOverlaps(const stUiPanel *pstPanel, const stUiCtrl *pstPart)
{
    return pstPart->s32X < pstPanel->s32Width && pstPart->s32Y < pstPanel->s32Height &&
           pstPart->s32X + pstPart->s32Width > 0 && pstPart->s32Y + pstPart->s32Height > 0 &&
           pstPart->s32Width > 0 && pstPart->s32Height > 0;
}

// What a smaller panel cuts off is out of the operator's reach, for the
// keyboard too: a group box lying wholly outside it is hidden with what it
// holds. The controls keep their own visible attribute.
void vFitPartsToPanel(stUiPanel *pstPanel)
{
    int32_t bWasShown[UI_CTRL_MAX];
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++)
        bWasShown[i] = bUiCtrlShown(pstPanel, &pstPanel->stCtrls[i]);
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        stUiCtrl *pstCtrl = &pstPanel->stCtrls[i];
        if (pstCtrl->s32Kind == UI_KIND_PART && pstCtrl->s32Part < 0)
            pstCtrl->bOffPanel = !bOverlaps(pstPanel, pstCtrl);
    }
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        if (bWasShown[i] != bUiCtrlShown(pstPanel, &pstPanel->stCtrls[i]))
            vUiBackApply(pstPanel, i, UI_CHANGE_SHOWN, nullptr);
    }
}

int s32ShowPanel(int s32Panel, int32_t bShow)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    pstPanel->bShown = bShow;
    vUiBackShowPanel(pstPanel, bShow);
    return UIE_NO_ERROR;
}

} // namespace

int DisplayPanel(int panel) { return s32ShowPanel(panel, 1); }

int HidePanel(int panel) { return s32ShowPanel(panel, 0); }

// The operations make their progress panel active after every step. The
// keyboard stays with the operator: a floating panel never takes it (it
// stays above the first panel), another panel only when the window system
// says no window of the program has it.
int SetActivePanel(int panel)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    gs32_ActivePanel = panel;
    if (!pstPanel->bFloating)
        vUiBackActivatePanel(pstPanel);
    return UIE_NO_ERROR;
}

int GetActivePanel(void) { return pUiFindPanel(gs32_ActivePanel) ? gs32_ActivePanel : 0; }

int SetActiveCtrl(int panel, int control)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl || pstCtrl->s32Kind == UI_KIND_TIMER)
        return UIE_BAD_CONTROL;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    vUiBackFocusControl(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    return UIE_NO_ERROR;
}

int SetPanelKeyboardHome(int panel, int control)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    stUiCtrl *pstCtrl = control ? pUiFindControl(panel, control) : nullptr;
    if (control && (!pstCtrl || pstCtrl->s32Kind != UI_KIND_TEXT))
        return UIE_BAD_CONTROL;
    pstPanel->s32KeyboardHome = control;
    return UIE_NO_ERROR;
}

int SetPanelAttribute(int panel, int attribute, int value)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    switch (attribute) {
    case ATTR_HEIGHT:
        pstPanel->s32Height = value > pstPanel->s32MenuHeight ? value : pstPanel->s32MenuHeight + 1;
        break;
    case ATTR_WIDTH:
        pstPanel->s32Width = value > 0 ? value : 1;
        break;
    case ATTR_VISIBLE:
        return value ? DisplayPanel(panel) : HidePanel(panel);
    default:
        return UIE_BAD_ATTRIBUTE;
    }
    vUiBackApply(pstPanel, -1, UI_CHANGE_SIZE, nullptr);
    vFitPartsToPanel(pstPanel);
    return UIE_NO_ERROR;
}

int SetPanelAttribute(int panel, int attribute, const char *text)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE || !text)
        return UIE_BAD_ATTRIBUTE;
    snprintf(pstPanel->cTitle, sizeof(pstPanel->cTitle), "%s", text);
    vUiBackApply(pstPanel, -1, UI_CHANGE_TITLE, text);
    return UIE_NO_ERROR;
}

int GetPanelAttribute(int panel, int attribute, int *value)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    switch (attribute) {
    case ATTR_HEIGHT:
        *value = pstPanel->s32Height;
        return UIE_NO_ERROR;
    case ATTR_WIDTH:
        *value = pstPanel->s32Width;
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        *value = pstPanel->bShown;
        return UIE_NO_ERROR;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetPanelAttribute(int panel, int attribute, char *text, size_t size)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE || !text || size == 0)
        return UIE_BAD_ATTRIBUTE;
    vUiCopyText(pstPanel->cTitle, strlen(pstPanel->cTitle), text, size);
    return UIE_NO_ERROR;
}

int GetPanelMenuBar(int panel)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    return pstPanel && pstPanel->bHasMenuBar ? panel : 0;
}

int bUiPanelIsVisible(int panel)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    return pstPanel && pstPanel->bShown ? 1 : 0;
}
