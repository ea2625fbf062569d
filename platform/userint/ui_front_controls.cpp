// Control values and attributes, decided by the control's kind.
#include "ui_backend.h"
#include "ui_front_internal.h"

namespace {

bool bShowsText(const stUiCtrl *pstCtrl)
{
    return pstCtrl->s32Kind == UI_KIND_LABEL || pstCtrl->s32Kind == UI_KIND_TEXT;
}

bool bIsTextAttribute(int s32Attribute)
{
    return s32Attribute == ATTR_TEXT_COLOR || s32Attribute == ATTR_TEXT_BGCOLOR ||
           s32Attribute == ATTR_TEXT_POINT_SIZE;
}

void vApply(int s32Panel, stUiCtrl *pstCtrl, int32_t s32Change)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    vUiBackApply(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl), s32Change, nullptr);
}

int s32SetTextAttribute(int s32Panel, stUiCtrl *pstCtrl, int s32Attribute, int s32Value)
{
    if (s32Attribute == ATTR_TEXT_POINT_SIZE) {
        if (s32Value <= 0)
            return UIE_BAD_ARGUMENT;
        pstCtrl->s32PointSize = s32Value;
        vApply(s32Panel, pstCtrl, UI_CHANGE_FONT);
        return UIE_NO_ERROR;
    }
    if (!bShowsText(pstCtrl))
        return UIE_BAD_ATTRIBUTE;
    if (s32Attribute == ATTR_TEXT_COLOR) {
        pstCtrl->bHasTextColor = 1;
        pstCtrl->s32TextColor = s32Value & 0xFFFFFF;
    } else {
        pstCtrl->bHasBackColor = 1;
        pstCtrl->s32BackColor = s32Value & 0xFFFFFF;
    }
    vApply(s32Panel, pstCtrl, UI_CHANGE_COLORS);
    return UIE_NO_ERROR;
}

// A colour never set is the one the control shows.
int s32GetTextAttribute(int s32Panel, const stUiCtrl *pstCtrl, int s32Attribute, int *ps32Value)
{
    if (s32Attribute == ATTR_TEXT_POINT_SIZE) {
        *ps32Value = pstCtrl->s32PointSize;
        return UIE_NO_ERROR;
    }
    if (!bShowsText(pstCtrl))
        return UIE_BAD_ATTRIBUTE;
    bool bBack = s32Attribute == ATTR_TEXT_BGCOLOR;
    if (bBack ? pstCtrl->bHasBackColor : pstCtrl->bHasTextColor) {
        *ps32Value = bBack ? pstCtrl->s32BackColor : pstCtrl->s32TextColor;
        return UIE_NO_ERROR;
    }
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    *ps32Value = s32UiBackShownColor(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl), bBack);
    return UIE_NO_ERROR;
}

// A limit that passes the other moves it along; the value stays within both.
int s32SetLimit(int s32Panel, stUiCtrl *pstCtrl, int s32Attribute, int s32Value)
{
    if (pstCtrl->s32Kind != UI_KIND_NUMERIC)
        return UIE_BAD_ATTRIBUTE;
    if (s32Attribute == ATTR_MIN_VALUE) {
        pstCtrl->s32Min = s32Value;
        if (pstCtrl->s32Max < s32Value)
            pstCtrl->s32Max = s32Value;
    } else {
        pstCtrl->s32Max = s32Value;
        if (pstCtrl->s32Min > s32Value)
            pstCtrl->s32Min = s32Value;
    }
    pstCtrl->s32Value = s32UiClamp(pstCtrl, pstCtrl->s32Value);
    vApply(s32Panel, pstCtrl, UI_CHANGE_RANGE);
    return UIE_NO_ERROR;
}

int s32SetTimer(int s32Panel, stUiCtrl *pstCtrl, int s32Attribute, int s32Value)
{
    if (pstCtrl->s32Kind != UI_KIND_TIMER)
        return UIE_BAD_ATTRIBUTE;
    if (s32Attribute == ATTR_ENABLED)
        pstCtrl->bTimerEnabled = s32Value != 0;
    else
        pstCtrl->s32Interval = s32Value > 0 ? s32Value : 1;
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    vUiStartTimer(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    return UIE_NO_ERROR;
}

int32_t s32ReadBack(int s32Panel, stUiCtrl *pstCtrl)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    pstCtrl->s32Value = s32UiBackReadValue(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    return pstCtrl->s32Value;
}

} // namespace

int SetCtrlVal(int panel, int control, int value)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    switch (pstCtrl->s32Kind) {
    case UI_KIND_CHECKBOX:
        pstCtrl->s32Value = value != 0;
        break;
    case UI_KIND_NUMERIC:
        pstCtrl->s32Value = s32UiClamp(pstCtrl, value);
        break;
    case UI_KIND_INDICATOR:
        // As a progress bar does: a value outside its range is ignored.
        if (value < pstCtrl->s32Min || value > pstCtrl->s32Max)
            return UIE_NO_ERROR;
        pstCtrl->s32Value = value;
        break;
    case UI_KIND_RING:
    case UI_KIND_LIST:
        return s32UiSelectValue(pUiFindPanel(panel), pstCtrl, value);
    default:
        return UIE_BAD_CONTROL;
    }
    vApply(panel, pstCtrl, UI_CHANGE_VALUE);
    return UIE_NO_ERROR;
}

int SetCtrlVal(int panel, int control, const char *text)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!text)
        return UIE_BAD_ARGUMENT;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (pstCtrl->s32Kind == UI_KIND_TEXTBOX)
        return s32UiTextBoxAppend(pstPanel, pstCtrl, text);
    if (!bShowsText(pstCtrl))
        return UIE_BAD_CONTROL;
    vUiBackApply(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl), UI_CHANGE_TEXT, text);
    return UIE_NO_ERROR;
}

int GetCtrlVal(int panel, int control, int *value)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    switch (pstCtrl->s32Kind) {
    case UI_KIND_CHECKBOX:
    case UI_KIND_NUMERIC:
        *value = s32ReadBack(panel, pstCtrl);
        return UIE_NO_ERROR;
    case UI_KIND_INDICATOR:
        *value = pstCtrl->s32Value;
        return UIE_NO_ERROR;
    case UI_KIND_RING:
    case UI_KIND_LIST:
        return s32UiListValue(pUiFindPanel(panel), pstCtrl, value);
    default:
        return UIE_BAD_CONTROL;
    }
}

int GetCtrlValText(int panel, int control, char *text, size_t size)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!text || size == 0)
        return UIE_BAD_ARGUMENT;
    if (!bShowsText(pstCtrl))
        return UIE_BAD_CONTROL;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    szUiBackReadText(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl), text, size);
    return UIE_NO_ERROR;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    bool bTimer = pstCtrl->s32Kind == UI_KIND_TIMER;
    if (bIsTextAttribute(attribute))
        return bTimer ? UIE_BAD_ATTRIBUTE : s32SetTextAttribute(panel, pstCtrl, attribute, value);
    switch (attribute) {
    case ATTR_DIMMED:
        pstCtrl->bDimmed = value != 0;
        if (!bTimer)
            vApply(panel, pstCtrl, UI_CHANGE_DIMMED);
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        if (!bTimer) {
            pstCtrl->bVisible = value != 0;
            vApply(panel, pstCtrl, UI_CHANGE_SHOWN);
        }
        return UIE_NO_ERROR;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        return s32SetLimit(panel, pstCtrl, attribute, value);
    case ATTR_ENABLED:
    case ATTR_INTERVAL:
        return s32SetTimer(panel, pstCtrl, attribute, value);
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int *value)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    bool bTimer = pstCtrl->s32Kind == UI_KIND_TIMER;
    if (bIsTextAttribute(attribute))
        return bTimer ? UIE_BAD_ATTRIBUTE : s32GetTextAttribute(panel, pstCtrl, attribute, value);
    switch (attribute) {
    case ATTR_DIMMED:
        *value = pstCtrl->bDimmed ? 1 : 0;
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        *value = !bTimer && pstCtrl->bVisible ? 1 : 0;
        return UIE_NO_ERROR;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        if (pstCtrl->s32Kind != UI_KIND_NUMERIC)
            return UIE_BAD_ATTRIBUTE;
        *value = attribute == ATTR_MIN_VALUE ? pstCtrl->s32Min : pstCtrl->s32Max;
        return UIE_NO_ERROR;
    case ATTR_STRING_TEXT_LENGTH: {
        if (pstCtrl->s32Kind != UI_KIND_TEXT)
            return UIE_BAD_ATTRIBUTE;
        stUiPanel *pstPanel = pUiFindPanel(panel);
        *value = (int)szUiBackReadText(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl), nullptr, 0);
        return UIE_NO_ERROR;
    }
    case ATTR_ENABLED:
        *value = pstCtrl->bTimerEnabled ? 1 : 0;
        return bTimer ? UIE_NO_ERROR : UIE_BAD_ATTRIBUTE;
    case ATTR_INTERVAL:
        *value = pstCtrl->s32Interval;
        return bTimer ? UIE_NO_ERROR : UIE_BAD_ATTRIBUTE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}
