// The run-time's start and the panels' windows: a top-level window per
// panel, a child window per widget at its place (a group box's contents are
// children of the panel itself, moved by the group box's place), the menu
// bar a Win32 menu.
#include "ui_w32_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

stW32Panel gst_W32Panels[UI_PANEL_MAX];
HINSTANCE gh_Instance = nullptr;
bool gb_ClassReady = false;

struct stW32Class {
    const wchar_t *pwcClass;
    DWORD u32Style;
    DWORD u32ExStyle;
};

} // namespace

DWORD u32UiLabelStyle(const stUiCtrl *pstCtrl)
{
    DWORD u32Style = SS_NOPREFIX;
    if (pstCtrl->s32HAlign == UI_ALIGN_HCENTER)
        u32Style |= SS_CENTER;
    else if (pstCtrl->s32HAlign == UI_ALIGN_RIGHT)
        u32Style |= SS_RIGHT;
    else
        u32Style |= pstCtrl->bWordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
    // Qt centres a label's text vertically unless told to keep it at the
    // top; a static control can only for one line.
    if (pstCtrl->s32VAlign != UI_ALIGN_TOP && (!pstCtrl->bWordWrap || pstCtrl->s32HAlign == UI_ALIGN_HCENTER))
        u32Style |= SS_CENTERIMAGE;
    return u32Style;
}

namespace {

DWORD u32FieldAlign(const stUiCtrl *pstCtrl)
{
    return pstCtrl->s32HAlign == UI_ALIGN_RIGHT ? ES_RIGHT : pstCtrl->s32HAlign == UI_ALIGN_HCENTER ? ES_CENTER : ES_LEFT;
}

stW32Class stClassOf(const stUiCtrl *pstCtrl)
{
    DWORD u32ReadOnly = pstCtrl->bReadOnly ? ES_READONLY : 0;
    switch (pstCtrl->s32Kind) {
    case UI_KIND_BUTTON:
        return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case UI_KIND_CHECKBOX:
        return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case UI_KIND_NUMERIC:
        return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case UI_KIND_INDICATOR:
        return {PROGRESS_CLASSW, PBS_SMOOTH, 0};
    case UI_KIND_RING:
        return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case UI_KIND_LIST:
        return {WC_LISTBOXW, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case UI_KIND_TEXT:
        return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | u32FieldAlign(pstCtrl) | u32ReadOnly, WS_EX_CLIENTEDGE};
    case UI_KIND_LABEL:
        return {L"STATIC", u32UiLabelStyle(pstCtrl), pstCtrl->bFramed ? (DWORD)WS_EX_STATICEDGE : 0};
    case UI_KIND_TEXTBOX:
        // No word wrap: a horizontal scroll bar, as the resource's NoWrap.
        return {L"EDIT",
                ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                    ES_NOHIDESEL | u32ReadOnly,
                WS_EX_CLIENTEDGE};
    case UI_KIND_PART:
        return {L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case UI_KIND_LINE:
        return {L"STATIC", pstCtrl->bVertical ? (DWORD)SS_ETCHEDVERT : (DWORD)SS_ETCHEDHORZ, 0};
    default:
        return {nullptr, 0, 0};
    }
}

// A one-line EDIT draws its text at the top: it gets the height its font
// needs, centred on the resource's place, as Qt centres a field's text.
void vCentreField(HFONT hFont, RECT *prcPlace)
{
    TEXTMETRICW stMetrics;
    vUiFontMetrics(hFont, &stMetrics);
    int32_t s32Wanted = stMetrics.tmHeight + 8;
    int32_t s32Height = prcPlace->bottom - prcPlace->top;
    if (s32Wanted >= s32Height)
        return;
    prcPlace->top += (s32Height - s32Wanted) / 2;
    prcPlace->bottom = prcPlace->top + s32Wanted;
}

// The resource places a control in its group box, else in the panel with
// its menu bar, which Windows keeps outside the client area; at the
// panel's dpi.
void vPlace(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl, RECT *prcPlace)
{
    int32_t s32Dpi = pW32Panel(pstPanel)->s32Dpi;
    POINT ptOrigin = {0, -s32UiScaled(pstPanel->s32MenuHeight, s32Dpi)};
    if (pstCtrl->s32Part >= 0) {
        const RECT *prcPart = &pW32Ctrl(pstPanel, pstCtrl->s32Part)->rcPlace;
        ptOrigin = {prcPart->left, prcPart->top};
    }
    SetRect(prcPlace, ptOrigin.x + s32UiScaled(pstCtrl->s32X, s32Dpi),
            ptOrigin.y + s32UiScaled(pstCtrl->s32Y, s32Dpi),
            ptOrigin.x + s32UiScaled(pstCtrl->s32X + pstCtrl->s32Width, s32Dpi),
            ptOrigin.y + s32UiScaled(pstCtrl->s32Y + pstCtrl->s32Height, s32Dpi));
}

void vMakeNumeric(stUiPanel *pstPanel, int32_t s32Index)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    stW32Ctrl *pstNative = &pstW32->stCtrls[s32Index];
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    pstNative->hUpDown = CreateWindowExW(
        0, UPDOWN_CLASSW, L"", WS_CHILD | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
        0, 0, 0, pstW32->hWnd, (HMENU)(INT_PTR)(UI_UPDOWN_ID_BASE + s32Index), gh_Instance, nullptr);
    pstNative->s32Value = pstCtrl->s32Value;
    vUiHoldNotifications(1);
    SendMessageW(pstNative->hUpDown, UDM_SETBUDDY, (WPARAM)pstNative->hWnd, 0);
    SendMessageW(pstNative->hUpDown, UDM_SETRANGE32, pstCtrl->s32Min, pstCtrl->s32Max);
    SendMessageW(pstNative->hUpDown, UDM_SETPOS32, 0, pstCtrl->s32Value);
    vUiHoldNotifications(0);
}

// The window's state from the plain data: values, limits.
void vInitWindow(stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    stW32Ctrl *pstNative = pW32Ctrl(pstPanel, s32Index);
    switch (pstCtrl->s32Kind) {
    case UI_KIND_CHECKBOX:
        SendMessageW(pstNative->hWnd, BM_SETCHECK, pstCtrl->s32Value ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case UI_KIND_NUMERIC:
        vMakeNumeric(pstPanel, s32Index);
        break;
    case UI_KIND_INDICATOR:
        SendMessageW(pstNative->hWnd, PBM_SETRANGE32, pstCtrl->s32Min, pstCtrl->s32Max);
        SendMessageW(pstNative->hWnd, PBM_SETPOS, pstCtrl->s32Value, 0);
        break;
    case UI_KIND_TEXT:
        if (pstCtrl->s32MaxLength > 0)
            SendMessageW(pstNative->hWnd, EM_SETLIMITTEXT, pstCtrl->s32MaxLength, 0);
        break;
    case UI_KIND_TEXTBOX:
        SendMessageW(pstNative->hWnd, EM_SETLIMITTEXT, 0, 0);
        break;
    default:
        break;
    }
    if (pstCtrl->bDimmed)
        EnableWindow(pstNative->hWnd, FALSE);
}

void vCreateControl(stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    stW32Ctrl *pstNative = pW32Ctrl(pstPanel, s32Index);
    stW32Class stClass = stClassOf(pstCtrl);
    if (!stClass.pwcClass) {
        vPlace(pstPanel, pstCtrl, &pstNative->rcPlace);
        return;
    }
    wchar_t *pwcText = pwcUiWideAlloc(pstCtrl->cLabel, 0);
    pstNative->hWnd = CreateWindowExW(stClass.u32ExStyle, stClass.pwcClass, pwcText ? pwcText : L"",
                                      WS_CHILD | stClass.u32Style, 0, 0, 0, 0, pW32Panel(pstPanel)->hWnd,
                                      (HMENU)(INT_PTR)(UI_CTRL_ID_BASE + s32Index), gh_Instance, nullptr);
    free(pwcText);
    // Creation order is the stacking order (and the Tab order until the resource's list).
    SetWindowPos(pstNative->hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    vUiPlaceControl(pstPanel, s32Index);
    vInitWindow(pstPanel, s32Index);
}

// The resource's Tab order; group boxes and lines go below every control,
// so that their frames never paint over one.
void vApplyTabOrder(const stUiPanel *pstPanel)
{
    HWND hPrev = HWND_TOP;
    for (int32_t t = 0; t < pstPanel->s32TabCount; t++) {
        HWND hWnd = pW32Ctrl(pstPanel, pstPanel->s32TabOrder[t])->hWnd;
        if (!hWnd)
            continue;
        SetWindowPos(hWnd, hPrev, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hPrev = hWnd;
    }
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        int32_t s32Kind = pstPanel->stCtrls[i].s32Kind;
        HWND hWnd = pW32Ctrl(pstPanel, i)->hWnd;
        if ((s32Kind == UI_KIND_PART || s32Kind == UI_KIND_LINE) && hWnd)
            SetWindowPos(hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void vAppendMenuText(HMENU hMenu, UINT u32Flags, UINT_PTR id, const char *pcText)
{
    wchar_t wcText[UI_LABEL_SIZE];
    vUiWideShown(pcText, wcText, UI_LABEL_SIZE);
    AppendMenuW(hMenu, u32Flags, id, wcText);
}

// The flat list in its order: a menu comes before its entries.
HMENU hBuildMenuBar(const stUiPanel *pstPanel)
{
    HMENU hBar = CreateMenu();
    HMENU hMenus[UI_MENU_ENTRY_MAX] = {};
    for (int32_t i = 0; i < pstPanel->s32MenuCount; i++) {
        const stUiMenuEntry *pstEntry = &pstPanel->stMenu[i];
        HMENU hIn = pstEntry->s32Menu >= 0 && pstEntry->s32Menu < i ? hMenus[pstEntry->s32Menu] : hBar;
        if (!hIn)
            continue;
        if (pstEntry->s32Kind == UI_MENU_SEPARATOR) {
            AppendMenuW(hIn, MF_SEPARATOR, 0, nullptr);
        } else if (pstEntry->s32Kind == UI_MENU_MENU) {
            hMenus[i] = CreatePopupMenu();
            vAppendMenuText(hIn, MF_POPUP | MF_STRING, (UINT_PTR)hMenus[i], pstEntry->cText);
        } else {
            // An item without an itemId reaches no callback.
            UINT_PTR id = pstEntry->s32ItemId ? UI_MENU_ID_BASE + pstEntry->s32ItemId : 0;
            vAppendMenuText(hIn, MF_STRING, id, pstEntry->cText);
        }
    }
    return hBar;
}

bool bCreatePanelWindow(stUiPanel *pstPanel)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    DWORD u32Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    DWORD u32Ex = 0;
    HWND hOwner = nullptr;
    stUiPanel *pstFirst = pUiFirstPanel();
    if (pstPanel->bFloating) {
        // Owned by the main panel: kept above it, and it never takes the keyboard.
        u32Ex |= WS_EX_NOACTIVATE;
        hOwner = pstFirst && pstFirst != pstPanel ? pW32Panel(pstFirst)->hWnd : nullptr;
    } else {
        u32Style |= WS_MINIMIZEBOX;
    }
    wchar_t wcTitle[UI_LABEL_SIZE];
    vUiWideShown(pstPanel->cTitle, wcTitle, UI_LABEL_SIZE);
    pstW32->hWnd = CreateWindowExW(u32Ex, UI_PANEL_CLASS, wcTitle, u32Style, CW_USEDEFAULT, CW_USEDEFAULT,
                                   pstPanel->s32Width, pstPanel->s32Height, hOwner, pstW32->hMenu, gh_Instance,
                                   nullptr);
    if (!pstW32->hWnd)
        return false;
    pstW32->s32Dpi = s32UiWindowDpi(pstW32->hWnd);
    SetWindowLongPtrW(pstW32->hWnd, GWLP_USERDATA, pstPanel->s32Handle);
    vUiFitWindowToPanel(pstPanel);
    return true;
}

bool bFocusIsIn(HWND hWnd) { return GetFocus() == hWnd || (hWnd && IsChild(hWnd, GetFocus())); }

// A panel other than the main one comes up over the middle of the main
// panel the first time, as a dialog would; a floating one is owned by it.
void vPlaceOverMain(stUiPanel *pstPanel)
{
    stUiPanel *pstFirst = pUiFirstPanel();
    if (!pstFirst || pstFirst == pstPanel)
        return;
    HWND hWnd = pW32Panel(pstPanel)->hWnd, hMain = pW32Panel(pstFirst)->hWnd;
    if (pstPanel->bFloating && GetWindow(hWnd, GW_OWNER) != hMain)
        SetWindowLongPtrW(hWnd, GWLP_HWNDPARENT, (LONG_PTR)hMain);
    if (pW32Panel(pstPanel)->bShownOnce || !IsWindowVisible(hMain))
        return;
    RECT rcMain, rcSelf;
    GetWindowRect(hMain, &rcMain);
    GetWindowRect(hWnd, &rcSelf);
    int32_t s32X = (rcMain.left + rcMain.right - (rcSelf.right - rcSelf.left)) / 2;
    int32_t s32Y = (rcMain.top + rcMain.bottom - (rcSelf.bottom - rcSelf.top)) / 2;
    SetWindowPos(hWnd, nullptr, s32X > 0 ? s32X : 0, s32Y > 0 ? s32Y : 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pW32Panel(pstPanel)->bShownOnce = 1;
}

} // namespace

void vUiFitWindowToPanel(const stUiPanel *pstPanel)
{
    HWND hWnd = pW32Panel(pstPanel)->hWnd;
    DWORD u32Style = (DWORD)GetWindowLongPtrW(hWnd, GWL_STYLE);
    DWORD u32Ex = (DWORD)GetWindowLongPtrW(hWnd, GWL_EXSTYLE);
    // The panel's size counts its menu bar: the real one takes its height
    // from that, so the window is as high as the resource says whatever the
    // menu's font.
    int32_t s32Dpi = pW32Panel(pstPanel)->s32Dpi;
    RECT rc = {0, 0, s32UiScaled(pstPanel->s32Width, s32Dpi), s32UiScaled(pstPanel->s32Height, s32Dpi)};
    vUiAdjustWindowRect(&rc, u32Style, u32Ex, s32Dpi);
    SetWindowPos(hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

stW32Panel *pW32Panel(const stUiPanel *pstPanel) { return &gst_W32Panels[pstPanel->s32Slot]; }

stW32Ctrl *pW32Ctrl(const stUiPanel *pstPanel, int32_t s32Index)
{
    return &gst_W32Panels[pstPanel->s32Slot].stCtrls[s32Index];
}

HINSTANCE hUiInstance(void) { return gh_Instance; }

stUiPanel *pUiPanelOfWindow(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    stUiPanel *pstPanel = pUiFindPanel((int32_t)GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    return pstPanel && pW32Panel(pstPanel)->hWnd == hWnd ? pstPanel : nullptr;
}

int32_t s32UiControlOfWindow(HWND hWnd, stUiPanel **ppstPanel)
{
    if (!hWnd || !(GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD))
        return -1;
    stUiPanel *pstPanel = pUiPanelOfWindow(GetParent(hWnd));
    if (!pstPanel)
        return -1;
    int32_t s32Id = GetDlgCtrlID(hWnd);
    int32_t s32Index = s32Id >= UI_UPDOWN_ID_BASE ? s32Id - UI_UPDOWN_ID_BASE : s32Id - UI_CTRL_ID_BASE;
    if (s32Index < 0 || s32Index >= pstPanel->s32CtrlCount)
        return -1;
    if (ppstPanel)
        *ppstPanel = pstPanel;
    return s32Index;
}

// The panels name the families of a Linux desktop (hUiFont falls back);
// group boxes are bold when the panel's style sheet says so.
HFONT hUiCtrlFont(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl)
{
    stUiFont stFont;
    vUiCtrlFont(pstPanel, pstCtrl, &stFont);
    int32_t bBold = stFont.bBold > 0;
    if (stFont.bBold < 0 && pstCtrl->s32Kind == UI_KIND_PART)
        bBold = strstr(pstPanel->cStyleSheet, "QGroupBox") && strstr(pstPanel->cStyleSheet, "bold");
    int32_t s32PointSize = pstCtrl->s32PointSize > 0 ? pstCtrl->s32PointSize : stFont.s32PointSize;
    return hUiFont(stFont.cFamily[0] ? stFont.cFamily : "DejaVu Sans",
                   s32PointSize > 0 ? s32PointSize : UI_DEFAULT_POINT_SIZE, bBold, pW32Panel(pstPanel)->s32Dpi);
}

void vUiPlaceControl(stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    stW32Ctrl *pstNative = pW32Ctrl(pstPanel, s32Index);
    int32_t s32Dpi = pW32Panel(pstPanel)->s32Dpi;
    vPlace(pstPanel, pstCtrl, &pstNative->rcPlace);
    if (!pstNative->hWnd)
        return;
    HFONT hFont = hUiCtrlFont(pstPanel, pstCtrl);
    if (pstCtrl->s32Kind == UI_KIND_TEXT || pstCtrl->s32Kind == UI_KIND_NUMERIC)
        vCentreField(hFont, &pstNative->rcPlace);
    RECT rc = pstNative->rcPlace;
    // A ring's window is as high as its drop-down list; the field keeps the resource's height.
    int32_t s32List = pstCtrl->s32Kind == UI_KIND_RING ? s32UiScaled(200, s32Dpi) : 0;
    MoveWindow(pstNative->hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top + s32List, FALSE);
    SendMessageW(pstNative->hWnd, WM_SETFONT, (WPARAM)hFont, FALSE);
    if (pstCtrl->s32Kind == UI_KIND_RING)
        SendMessageW(pstNative->hWnd, CB_SETITEMHEIGHT, (WPARAM)-1, s32UiScaled(pstCtrl->s32Height - 6, s32Dpi));
    // The arrows sit in the field's right end: set again, they follow it.
    if (pstNative->hUpDown)
        SendMessageW(pstNative->hUpDown, UDM_SETBUDDY, (WPARAM)pstNative->hWnd, 0);
}

// Nothing is shown until a panel is displayed, with or without windows.
int32_t bUiBackInit(void *pvInstance, char *[], int32_t)
{
    if (gb_ClassReady)
        return 1;
    gh_Instance = pvInstance ? static_cast<HINSTANCE>(pvInstance) : GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX stInit = {sizeof(stInit), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&stInit);
    WNDCLASSEXW stClass = {};
    stClass.cbSize = sizeof(stClass);
    stClass.lpfnWndProc = lrUiPanelProc;
    stClass.hInstance = gh_Instance;
    stClass.hIcon = LoadIconW(gh_Instance, MAKEINTRESOURCEW(1));
    if (!stClass.hIcon)
        stClass.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    stClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    stClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    stClass.lpszClassName = UI_PANEL_CLASS;
    gb_ClassReady = RegisterClassExW(&stClass) != 0;
    return gb_ClassReady ? 1 : 0;
}

// Only a floating panel has an owner, the main panel: a parent changes nothing.
int32_t bUiBackCreatePanel(stUiPanel *pstPanel, const stUiPanel *)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    memset(pstW32, 0, sizeof(*pstW32));
    if (pstPanel->bHasMenuBar)
        pstW32->hMenu = hBuildMenuBar(pstPanel);
    if (!bCreatePanelWindow(pstPanel)) {
        if (pstW32->hMenu)
            DestroyMenu(pstW32->hMenu);
        memset(pstW32, 0, sizeof(*pstW32));
        return 0;
    }
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++)
        vCreateControl(pstPanel, i);
    vApplyTabOrder(pstPanel);
    vUiBackApply(pstPanel, -1, UI_CHANGE_SHOWN, nullptr);
    return 1;
}

void vUiBackDestroyPanel(stUiPanel *pstPanel)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        if (pstPanel->stCtrls[i].s32Kind == UI_KIND_TIMER && pstW32->hWnd)
            KillTimer(pstW32->hWnd, UI_TIMER_ID_BASE + i);
        if (pstW32->stCtrls[i].hBackBrush)
            DeleteObject(pstW32->stCtrls[i].hBackBrush);
    }
    // Owned windows go with their owner: the panels it owns stay.
    for (int32_t s32Slot = 0; s32Slot < UI_PANEL_MAX; s32Slot++) {
        HWND hOther = gst_W32Panels[s32Slot].hWnd;
        if (hOther && pUiPanelAt(s32Slot) && GetWindow(hOther, GW_OWNER) == pstW32->hWnd)
            SetWindowLongPtrW(hOther, GWLP_HWNDPARENT, 0);
    }
    // The windows' last messages (focus, activation) reach no callback.
    if (pstW32->hWnd && IsWindow(pstW32->hWnd)) {
        SetWindowLongPtrW(pstW32->hWnd, GWLP_USERDATA, 0);
        DestroyWindow(pstW32->hWnd);
    }
    memset(pstW32, 0, sizeof(*pstW32));
}

void vUiBackShowPanel(stUiPanel *pstPanel, int32_t bShow)
{
    HWND hWnd = pW32Panel(pstPanel)->hWnd;
    if (!bShow) {
        ShowWindow(hWnd, SW_HIDE);
        return;
    }
    vPlaceOverMain(pstPanel);
    if (pstPanel->bFloating)
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    else if (!IsWindowVisible(hWnd))
        ShowWindow(hWnd, SW_SHOW);
    SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The keyboard stays with the operator: another panel takes it only when
// no window of the program has it.
void vUiBackActivatePanel(stUiPanel *pstPanel)
{
    HWND hWnd = pW32Panel(pstPanel)->hWnd;
    HWND hForeground = GetForegroundWindow();
    DWORD u32Process = 0;
    if (hForeground)
        GetWindowThreadProcessId(hForeground, &u32Process);
    if (u32Process == GetCurrentProcessId() || !IsWindowVisible(hWnd))
        return;
    SetForegroundWindow(hWnd);
}

// Windows gives an inactive window's control the keyboard when the window
// is activated (lrUiPanelProc restores hFocus).
void vUiBackFocusControl(stUiPanel *pstPanel, int32_t s32Index)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    HWND hCtrl = pstW32->stCtrls[s32Index].hWnd;
    pstW32->hFocus = hCtrl;
    if (hCtrl && GetActiveWindow() == pstW32->hWnd && IsWindowVisible(hCtrl))
        SetFocus(hCtrl);
}

// A hidden window keeps the keyboard unless it is handed on.
void vUiShowAsAttributes(const stUiPanel *pstPanel, int32_t s32Index)
{
    stW32Ctrl *pstNative = pW32Ctrl(pstPanel, s32Index);
    if (!pstNative->hWnd)
        return;
    bool bShown = bUiCtrlShown(pstPanel, &pstPanel->stCtrls[s32Index]) != 0;
    HWND hPanel = pW32Panel(pstPanel)->hWnd;
    if (!bShown && bFocusIsIn(pstNative->hWnd)) {
        HWND hNext = GetNextDlgTabItem(hPanel, pstNative->hWnd, FALSE);
        SetFocus(hNext && hNext != pstNative->hWnd ? hNext : hPanel);
    }
    ShowWindow(pstNative->hWnd, bShown ? SW_SHOWNA : SW_HIDE);
    if (pstNative->hUpDown)
        ShowWindow(pstNative->hUpDown, bShown ? SW_SHOWNA : SW_HIDE);
}
