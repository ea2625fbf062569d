// A control's window after the front changed it, what the operator changed
// read back, list and ring items, and the text box's text.
#include "ui_w32_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

#define UI_LABEL_UNITS 1024

struct stListMsgs {
    UINT u32GetCur, u32SetCur, u32Insert, u32Reset;
};
const stListMsgs gst_ListMsgs = {LB_GETCURSEL, LB_SETCURSEL, LB_INSERTSTRING, LB_RESETCONTENT};
const stListMsgs gst_RingMsgs = {CB_GETCURSEL, CB_SETCURSEL, CB_INSERTSTRING, CB_RESETCONTENT};

const stListMsgs *pMsgs(const stUiCtrl *pstCtrl)
{
    return pstCtrl->s32Kind == UI_KIND_LIST ? &gst_ListMsgs : &gst_RingMsgs;
}

int32_t s32RgbOf(COLORREF cr) { return (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr); }

void vSetValue(const stUiCtrl *pstCtrl, stW32Ctrl *pstNative)
{
    switch (pstCtrl->s32Kind) {
    case UI_KIND_CHECKBOX:
        SendMessageW(pstNative->hWnd, BM_SETCHECK, pstCtrl->s32Value ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case UI_KIND_NUMERIC:
        pstNative->s32Value = pstCtrl->s32Value;
        SendMessageW(pstNative->hUpDown, UDM_SETRANGE32, pstCtrl->s32Min, pstCtrl->s32Max);
        SendMessageW(pstNative->hUpDown, UDM_SETPOS32, 0, pstCtrl->s32Value);
        break;
    case UI_KIND_INDICATOR:
        SendMessageW(pstNative->hWnd, PBM_SETRANGE32, pstCtrl->s32Min, pstCtrl->s32Max);
        SendMessageW(pstNative->hWnd, PBM_SETPOS, pstCtrl->s32Value, 0);
        break;
    default:
        break;
    }
}

// A disabled window with the keyboard would swallow it.
void vSetDimmed(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl, stW32Ctrl *pstNative)
{
    HWND hFocus = GetFocus();
    HWND hPanel = pW32Panel(pstPanel)->hWnd;
    if (pstCtrl->bDimmed && (hFocus == pstNative->hWnd || IsChild(pstNative->hWnd, hFocus))) {
        HWND hNext = GetNextDlgTabItem(hPanel, pstNative->hWnd, FALSE);
        SetFocus(hNext && hNext != pstNative->hWnd ? hNext : hPanel);
    }
    EnableWindow(pstNative->hWnd, !pstCtrl->bDimmed);
    if (pstNative->hUpDown)
        EnableWindow(pstNative->hUpDown, !pstCtrl->bDimmed);
}

void vSetColours(const stUiCtrl *pstCtrl, stW32Ctrl *pstNative)
{
    if (pstNative->hBackBrush)
        DeleteObject(pstNative->hBackBrush);
    pstNative->hBackBrush = pstCtrl->bHasBackColor ? CreateSolidBrush(crUiRgb(pstCtrl->s32BackColor)) : nullptr;
    InvalidateRect(pstNative->hWnd, nullptr, TRUE);
}

void vApplyPanel(stUiPanel *pstPanel, int32_t s32Change, const char *pcText)
{
    HWND hWnd = pW32Panel(pstPanel)->hWnd;
    if (s32Change == UI_CHANGE_TITLE) {
        vUiSetWindowText(hWnd, pcText ? pcText : pstPanel->cTitle);
    } else if (s32Change == UI_CHANGE_SIZE) {
        vUiFitWindowToPanel(pstPanel);
    } else if (s32Change == UI_CHANGE_SHOWN) {
        for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++)
            vUiShowAsAttributes(pstPanel, i);
    }
}

// A static control centres only one line of text vertically, and shows the
// line feeds of several as boxes: a label made centred shows those from the
// top.
void vFitLabelLines(const stUiCtrl *pstCtrl, HWND hWnd, const char *pcText)
{
    LONG_PTR style = GetWindowLongPtrW(hWnd, GWL_STYLE);
    bool bCentred = (DWORD)style & SS_CENTERIMAGE;
    bool bLines = pcText && strchr(pcText, '\n');
    if (bLines && bCentred)
        SetWindowLongPtrW(hWnd, GWL_STYLE, style & ~(LONG_PTR)SS_CENTERIMAGE);
    else if (!bLines && !bCentred && (u32UiLabelStyle(pstCtrl) & SS_CENTERIMAGE))
        SetWindowLongPtrW(hWnd, GWL_STYLE, style | SS_CENTERIMAGE);
}

} // namespace

void vUiBackApply(stUiPanel *pstPanel, int32_t s32Index, int32_t s32Change, const char *pcText)
{
    if (s32Index < 0) {
        vApplyPanel(pstPanel, s32Change, pcText);
        return;
    }
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    stW32Ctrl *pstNative = pW32Ctrl(pstPanel, s32Index);
    if (!pstNative->hWnd)
        return;
    vUiHoldNotifications(1);
    switch (s32Change) {
    case UI_CHANGE_TEXT:
        if (pstCtrl->s32Kind == UI_KIND_LABEL)
            vFitLabelLines(pstCtrl, pstNative->hWnd, pcText);
        vUiSetWindowText(pstNative->hWnd, pcText ? pcText : "");
        break;
    case UI_CHANGE_VALUE:
    case UI_CHANGE_RANGE:
        vSetValue(pstCtrl, pstNative);
        break;
    case UI_CHANGE_INDEX:
        SendMessageW(pstNative->hWnd, pMsgs(pstCtrl)->u32SetCur, (WPARAM)pstCtrl->s32Index, 0);
        break;
    case UI_CHANGE_SHOWN:
        vUiShowAsAttributes(pstPanel, s32Index);
        break;
    case UI_CHANGE_DIMMED:
        vSetDimmed(pstPanel, pstCtrl, pstNative);
        break;
    case UI_CHANGE_COLORS:
        vSetColours(pstCtrl, pstNative);
        break;
    case UI_CHANGE_FONT:
        SendMessageW(pstNative->hWnd, WM_SETFONT, (WPARAM)hUiCtrlFont(pstPanel, pstCtrl), TRUE);
        break;
    default:
        break;
    }
    vUiHoldNotifications(0);
}

int32_t s32UiBackReadValue(const stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    HWND hWnd = pW32Ctrl(pstPanel, s32Index)->hWnd;
    switch (pstCtrl->s32Kind) {
    case UI_KIND_CHECKBOX:
        return SendMessageW(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case UI_KIND_RING:
    case UI_KIND_LIST: {
        LRESULT index = SendMessageW(hWnd, pMsgs(pstCtrl)->u32GetCur, 0, 0);
        return index < 0 ? -1 : (int32_t)index;
    }
    case UI_KIND_NUMERIC:
        // Taken as the operator types (ui_w32_events.cpp).
        return pW32Ctrl(pstPanel, s32Index)->s32Value;
    case UI_KIND_INDICATOR:
        return (int32_t)SendMessageW(hWnd, PBM_GETPOS, 0, 0);
    default:
        return pstCtrl->s32Value;
    }
}

size_t szUiBackReadText(const stUiPanel *pstPanel, int32_t s32Index, char *pcOut, size_t size)
{
    return szUiWindowText(pW32Ctrl(pstPanel, s32Index)->hWnd, pcOut, size);
}

int32_t s32UiBackShownColor(const stUiPanel *pstPanel, int32_t s32Index, int32_t bBackground)
{
    bool bLabel = pstPanel->stCtrls[s32Index].s32Kind == UI_KIND_LABEL;
    if (bBackground)
        return s32RgbOf(GetSysColor(bLabel ? COLOR_BTNFACE : COLOR_WINDOW));
    return s32RgbOf(GetSysColor(bLabel ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
}

void vUiBackListInsert(stUiPanel *pstPanel, int32_t s32Index, int32_t s32At, const char *pcLabel)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    wchar_t wcShown[UI_LABEL_UNITS];
    vUiWideShown(pcLabel, wcShown, UI_LABEL_UNITS);
    vUiHoldNotifications(1);
    SendMessageW(pW32Ctrl(pstPanel, s32Index)->hWnd, pMsgs(pstCtrl)->u32Insert, (WPARAM)s32At, (LPARAM)wcShown);
    vUiHoldNotifications(0);
}

void vUiBackListClear(stUiPanel *pstPanel, int32_t s32Index)
{
    vUiHoldNotifications(1);
    SendMessageW(pW32Ctrl(pstPanel, s32Index)->hWnd, pMsgs(&pstPanel->stCtrls[s32Index])->u32Reset, 0, 0);
    vUiHoldNotifications(0);
}

// The end stays in view: the caret goes to the end and the replacement
// scrolls to it. Each change of a visible EDIT updates its scroll bars,
// which under wine costs milliseconds: the front gathers appends and sends
// them at most once a frame.
void vUiBackTextBoxAppend(stUiPanel *pstPanel, int32_t s32Index, const char *pcText, size_t length)
{
    HWND hEdit = pW32Ctrl(pstPanel, s32Index)->hWnd;
    char *pcPart = static_cast<char *>(malloc(length + 1));
    if (!pcPart)
        return;
    memcpy(pcPart, pcText, length);
    pcPart[length] = '\0';
    wchar_t *pwcText = pwcUiWideAlloc(pcPart, 1);
    free(pcPart);
    if (!pwcText)
        return;
    int32_t s32End = GetWindowTextLengthW(hEdit);
    SendMessageW(hEdit, EM_SETSEL, s32End, s32End);
    SendMessageW(hEdit, EM_REPLACESEL, FALSE, (LPARAM)pwcText);
    free(pwcText);
}

void vUiBackTextBoxReset(stUiPanel *pstPanel, int32_t s32Index)
{
    SetWindowTextW(pW32Ctrl(pstPanel, s32Index)->hWnd, L"");
}
