// Control values and attributes, list boxes and rings.
#include "ui_w32_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

#define UI_LABEL_UNITS 1024

struct stListMsgs {
    UINT u32Count, u32GetCur, u32SetCur, u32Insert, u32GetData, u32SetData, u32Reset;
};
const stListMsgs gst_ListMsgs = {LB_GETCOUNT,     LB_GETCURSEL,    LB_SETCURSEL,   LB_INSERTSTRING,
                                 LB_GETITEMDATA,  LB_SETITEMDATA,  LB_RESETCONTENT};
const stListMsgs gst_RingMsgs = {CB_GETCOUNT,     CB_GETCURSEL,    CB_SETCURSEL,   CB_INSERTSTRING,
                                 CB_GETITEMDATA,  CB_SETITEMDATA,  CB_RESETCONTENT};

bool bIsListLike(const stUiCtrl *pCtrl) { return pCtrl->s32Kind == UI_LIST || pCtrl->s32Kind == UI_RING; }

const stListMsgs *pMsgs(const stUiCtrl *pCtrl)
{
    return pCtrl->s32Kind == UI_LIST ? &gst_ListMsgs : &gst_RingMsgs;
}

int32_t s32ItemCount(const stUiCtrl *pCtrl)
{
    LRESULT count = SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32Count, 0, 0);
    return count < 0 ? 0 : (int32_t)count;
}

int32_t s32CurrentIndex(const stUiCtrl *pCtrl)
{
    LRESULT index = SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32GetCur, 0, 0);
    return index < 0 ? -1 : (int32_t)index;
}

const stUiItem *pItemAt(const stUiCtrl *pCtrl, int32_t s32Index)
{
    LRESULT data = SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32GetData, s32Index, 0);
    return data == -1 || data == 0 ? nullptr : reinterpret_cast<const stUiItem *>(data);
}

int32_t s32IndexOfValue(const stUiCtrl *pCtrl, int32_t s32Value)
{
    int32_t s32Count = s32ItemCount(pCtrl);
    for (int32_t i = 0; i < s32Count; i++) {
        const stUiItem *pItem = pItemAt(pCtrl, i);
        if (pItem && pItem->s32Value == s32Value)
            return i;
    }
    return -1;
}

stUiCtrl *pListLike(int s32Panel, int s32Control)
{
    stUiCtrl *pCtrl = pUiFindControl(s32Panel, s32Control);
    return pCtrl && bIsListLike(pCtrl) ? pCtrl : nullptr;
}

COLORREF crOf(int32_t s32Rgb)
{
    return RGB((s32Rgb >> 16) & 0xFF, (s32Rgb >> 8) & 0xFF, s32Rgb & 0xFF);
}

int32_t s32RgbOf(COLORREF cr) { return (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr); }

bool bShowsText(const stUiCtrl *pCtrl) { return pCtrl->s32Kind == UI_LABEL || pCtrl->s32Kind == UI_TEXT; }

bool bIsTextAttribute(int s32Attribute)
{
    return s32Attribute == ATTR_TEXT_COLOR || s32Attribute == ATTR_TEXT_BGCOLOR ||
           s32Attribute == ATTR_TEXT_POINT_SIZE;
}

int s32SetTextAttribute(stUiCtrl *pCtrl, int s32Attribute, int s32Value)
{
    if (s32Attribute == ATTR_TEXT_POINT_SIZE) {
        if (s32Value <= 0)
            return UIE_BAD_ARGUMENT;
        pCtrl->s32PointSize = s32Value;
        pCtrl->hFont = hUiFont(pCtrl->cFamily, pCtrl->s32PointSize, pCtrl->bBold);
        SendMessageW(pCtrl->hWnd, WM_SETFONT, (WPARAM)pCtrl->hFont, TRUE);
        return UIE_NO_ERROR;
    }
    if (!bShowsText(pCtrl))
        return UIE_BAD_ATTRIBUTE;
    if (s32Attribute == ATTR_TEXT_COLOR) {
        pCtrl->bHasTextColor = 1;
        pCtrl->crText = crOf(s32Value);
    } else {
        pCtrl->bHasBackColor = 1;
        pCtrl->crBack = crOf(s32Value);
        if (pCtrl->hBackBrush)
            DeleteObject(pCtrl->hBackBrush);
        pCtrl->hBackBrush = CreateSolidBrush(pCtrl->crBack);
    }
    InvalidateRect(pCtrl->hWnd, nullptr, TRUE);
    return UIE_NO_ERROR;
}

// A colour never set is the one the control shows from the system's.
int s32GetTextAttribute(const stUiCtrl *pCtrl, int s32Attribute, int *ps32Value)
{
    if (s32Attribute == ATTR_TEXT_POINT_SIZE) {
        *ps32Value = pCtrl->s32PointSize;
        return UIE_NO_ERROR;
    }
    if (!bShowsText(pCtrl))
        return UIE_BAD_ATTRIBUTE;
    bool bLabel = pCtrl->s32Kind == UI_LABEL;
    if (s32Attribute == ATTR_TEXT_COLOR)
        *ps32Value = s32RgbOf(pCtrl->bHasTextColor ? pCtrl->crText
                                                   : GetSysColor(bLabel ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
    else
        *ps32Value = s32RgbOf(pCtrl->bHasBackColor ? pCtrl->crBack
                                                   : GetSysColor(bLabel ? COLOR_BTNFACE : COLOR_WINDOW));
    return UIE_NO_ERROR;
}

int32_t s32Clamp(const stUiCtrl *pCtrl, int32_t s32Value)
{
    return s32Value < pCtrl->s32Min ? pCtrl->s32Min : s32Value > pCtrl->s32Max ? pCtrl->s32Max : s32Value;
}

void vSetNumeric(stUiCtrl *pCtrl, int32_t s32Value)
{
    pCtrl->s32Value = s32Clamp(pCtrl, s32Value);
    vUiHoldNotifications(1);
    SendMessageW(pCtrl->hUpDown, UDM_SETRANGE32, pCtrl->s32Min, pCtrl->s32Max);
    SendMessageW(pCtrl->hUpDown, UDM_SETPOS32, 0, pCtrl->s32Value);
    vUiHoldNotifications(0);
}

int s32SetLimit(stUiCtrl *pCtrl, int s32Attribute, int s32Value)
{
    if (pCtrl->s32Kind != UI_NUMERIC)
        return UIE_BAD_ATTRIBUTE;
    if (s32Attribute == ATTR_MIN_VALUE) {
        pCtrl->s32Min = s32Value;
        if (pCtrl->s32Max < s32Value)
            pCtrl->s32Max = s32Value;
    } else {
        pCtrl->s32Max = s32Value;
        if (pCtrl->s32Min > s32Value)
            pCtrl->s32Min = s32Value;
    }
    vSetNumeric(pCtrl, pCtrl->s32Value);
    return UIE_NO_ERROR;
}

int s32SetTimer(stUiPanel *pPanel, stUiCtrl *pCtrl, int s32Attribute, int s32Value)
{
    if (pCtrl->s32Kind != UI_TIMER)
        return UIE_BAD_ATTRIBUTE;
    if (s32Attribute == ATTR_ENABLED)
        pCtrl->bTimerEnabled = s32Value != 0;
    else
        pCtrl->s32Interval = s32Value > 0 ? s32Value : 1;
    vUiStartTimer(pPanel, (int32_t)(pCtrl - pPanel->stCtrls));
    return UIE_NO_ERROR;
}

int s32SetDimmed(stUiPanel *pPanel, stUiCtrl *pCtrl, int s32Value)
{
    if (!pCtrl->hWnd)
        return UIE_NO_ERROR;
    // A disabled window with the keyboard would swallow it.
    HWND hFocus = GetFocus();
    if (s32Value && (hFocus == pCtrl->hWnd || IsChild(pCtrl->hWnd, hFocus))) {
        HWND hNext = GetNextDlgTabItem(pPanel->hWnd, pCtrl->hWnd, FALSE);
        SetFocus(hNext && hNext != pCtrl->hWnd ? hNext : pPanel->hWnd);
    }
    EnableWindow(pCtrl->hWnd, s32Value == 0);
    if (pCtrl->hUpDown)
        EnableWindow(pCtrl->hUpDown, s32Value == 0);
    return UIE_NO_ERROR;
}

} // namespace

void vUiFreeItems(stUiCtrl *pCtrl)
{
    if (!pCtrl->hWnd)
        return;
    int32_t s32Count = s32ItemCount(pCtrl);
    for (int32_t i = 0; i < s32Count; i++) {
        free(const_cast<stUiItem *>(pItemAt(pCtrl, i)));
        SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32SetData, i, 0);
    }
}

int32_t s32UiAddItem(stUiCtrl *pCtrl, int32_t s32Index, const char *pcLabel, int32_t s32Value)
{
    size_t length = strlen(pcLabel);
    stUiItem *pItem = static_cast<stUiItem *>(malloc(sizeof(stUiItem) + length));
    if (!pItem)
        return UIE_BAD_ARGUMENT;
    pItem->s32Value = s32Value;
    memcpy(pItem->cLabel, pcLabel, length + 1);
    int32_t s32Count = s32ItemCount(pCtrl);
    int32_t s32At = s32Index < 0 || s32Index > s32Count ? -1 : s32Index;
    wchar_t wcShown[UI_LABEL_UNITS];
    vUiWideShown(pcLabel, wcShown, UI_LABEL_UNITS);
    LRESULT at = SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32Insert, (WPARAM)s32At, (LPARAM)wcShown);
    if (at < 0) {
        free(pItem);
        return UIE_BAD_ARGUMENT;
    }
    SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32SetData, (WPARAM)at, (LPARAM)pItem);
    return UIE_NO_ERROR;
}

int SetCtrlVal(int panel, int control, int value)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    switch (pCtrl->s32Kind) {
    case UI_CHECKBOX:
        SendMessageW(pCtrl->hWnd, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        return UIE_NO_ERROR;
    case UI_NUMERIC:
        vSetNumeric(pCtrl, value);
        return UIE_NO_ERROR;
    case UI_INDICATOR:
        // As a progress bar of Qt: a value outside the range is ignored.
        if (value >= pCtrl->s32Min && value <= pCtrl->s32Max)
            SendMessageW(pCtrl->hWnd, PBM_SETPOS, value, 0);
        return UIE_NO_ERROR;
    case UI_RING:
    case UI_LIST: {
        int32_t s32Index = s32IndexOfValue(pCtrl, value);
        return s32Index < 0 ? UIE_BAD_ARGUMENT : SetCtrlIndex(panel, control, s32Index);
    }
    default:
        return UIE_BAD_CONTROL;
    }
}

int SetCtrlVal(int panel, int control, const char *text)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!text)
        return UIE_BAD_ARGUMENT;
    switch (pCtrl->s32Kind) {
    case UI_TEXT:
    case UI_LABEL:
        vUiHoldNotifications(1);
        vUiSetWindowText(pCtrl->hWnd, text);
        vUiHoldNotifications(0);
        return UIE_NO_ERROR;
    case UI_TEXTBOX:
        return s32UiTextBoxAppend(pCtrl, text);
    default:
        return UIE_BAD_CONTROL;
    }
}

int GetCtrlVal(int panel, int control, int *value)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    switch (pCtrl->s32Kind) {
    case UI_CHECKBOX:
        *value = SendMessageW(pCtrl->hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        return UIE_NO_ERROR;
    case UI_NUMERIC:
        *value = pCtrl->s32Value;
        return UIE_NO_ERROR;
    case UI_INDICATOR:
        *value = (int)SendMessageW(pCtrl->hWnd, PBM_GETPOS, 0, 0);
        return UIE_NO_ERROR;
    case UI_RING:
    case UI_LIST: {
        int32_t s32Index = s32CurrentIndex(pCtrl);
        const stUiItem *pItem = s32Index < 0 ? nullptr : pItemAt(pCtrl, s32Index);
        if (!pItem)
            return UIE_BAD_ARGUMENT;
        *value = pItem->s32Value;
        return UIE_NO_ERROR;
    }
    default:
        return UIE_BAD_CONTROL;
    }
}

int GetCtrlValText(int panel, int control, char *text, size_t size)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!text || size == 0)
        return UIE_BAD_ARGUMENT;
    if (!bShowsText(pCtrl))
        return UIE_BAD_CONTROL;
    u32UiWindowText(pCtrl->hWnd, text, size);
    return UIE_NO_ERROR;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (bIsTextAttribute(attribute))
        return pCtrl->s32Kind == UI_TIMER ? UIE_BAD_ATTRIBUTE : s32SetTextAttribute(pCtrl, attribute, value);
    switch (attribute) {
    case ATTR_DIMMED:
        return s32SetDimmed(pPanel, pCtrl, value);
    case ATTR_VISIBLE:
        if (pCtrl->s32Kind != UI_TIMER) {
            pCtrl->bVisible = value != 0;
            vUiShowAsAttributes(pPanel, pCtrl);
        }
        return UIE_NO_ERROR;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        return s32SetLimit(pCtrl, attribute, value);
    case ATTR_ENABLED:
    case ATTR_INTERVAL:
        return s32SetTimer(pPanel, pCtrl, attribute, value);
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int *value)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    if (bIsTextAttribute(attribute))
        return pCtrl->s32Kind == UI_TIMER ? UIE_BAD_ATTRIBUTE : s32GetTextAttribute(pCtrl, attribute, value);
    bool bTimer = pCtrl->s32Kind == UI_TIMER;
    switch (attribute) {
    case ATTR_DIMMED:
        *value = pCtrl->hWnd && !IsWindowEnabled(pCtrl->hWnd) ? 1 : 0;
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        *value = !bTimer && pCtrl->bVisible ? 1 : 0;
        return UIE_NO_ERROR;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        if (pCtrl->s32Kind != UI_NUMERIC)
            return UIE_BAD_ATTRIBUTE;
        *value = attribute == ATTR_MIN_VALUE ? pCtrl->s32Min : pCtrl->s32Max;
        return UIE_NO_ERROR;
    case ATTR_STRING_TEXT_LENGTH:
        if (pCtrl->s32Kind != UI_TEXT)
            return UIE_BAD_ATTRIBUTE;
        *value = (int)u32UiWindowText(pCtrl->hWnd, nullptr, 0);
        return UIE_NO_ERROR;
    case ATTR_ENABLED:
        *value = pCtrl->bTimerEnabled ? 1 : 0;
        return bTimer ? UIE_NO_ERROR : UIE_BAD_ATTRIBUTE;
    case ATTR_INTERVAL:
        *value = pCtrl->s32Interval;
        return bTimer ? UIE_NO_ERROR : UIE_BAD_ATTRIBUTE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int ClearListCtrl(int panel, int control)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!bIsListLike(pCtrl))
        return UIE_BAD_CONTROL;
    vUiFreeItems(pCtrl);
    SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32Reset, 0, 0);
    return UIE_NO_ERROR;
}

int InsertListItem(int panel, int control, int index, const char *label, int value)
{
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!label)
        return UIE_BAD_ARGUMENT;
    if (!bIsListLike(pCtrl))
        return UIE_BAD_CONTROL;
    int s32Result = s32UiAddItem(pCtrl, index, label, value);
    if (s32Result == UIE_NO_ERROR && s32CurrentIndex(pCtrl) < 0)
        SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32SetCur, 0, 0);
    return s32Result;
}

int GetNumListItems(int panel, int control, int *count)
{
    stUiCtrl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!count)
        return UIE_BAD_ARGUMENT;
    *count = s32ItemCount(pCtrl);
    return UIE_NO_ERROR;
}

int GetCtrlIndex(int panel, int control, int *index)
{
    stUiCtrl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!index)
        return UIE_BAD_ARGUMENT;
    *index = s32CurrentIndex(pCtrl);
    return UIE_NO_ERROR;
}

int SetCtrlIndex(int panel, int control, int index)
{
    stUiCtrl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= s32ItemCount(pCtrl))
        return UIE_BAD_ARGUMENT;
    SendMessageW(pCtrl->hWnd, pMsgs(pCtrl)->u32SetCur, index, 0);
    return UIE_NO_ERROR;
}

int GetLabelFromIndex(int panel, int control, int index, char *label, size_t size)
{
    stUiCtrl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= s32ItemCount(pCtrl) || !label || size == 0)
        return UIE_BAD_ARGUMENT;
    // The bytes given, so that the program can compare them with its own.
    const stUiItem *pItem = pItemAt(pCtrl, index);
    const char *pcLabel = pItem ? pItem->cLabel : "";
    size_t count = strlen(pcLabel);
    if (count > size - 1)
        count = size - 1;
    memcpy(label, pcLabel, count);
    label[count] = '\0';
    return UIE_NO_ERROR;
}
