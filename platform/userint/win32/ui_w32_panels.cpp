// Run-time start, the panel registry, showing panels and their attributes.
#include "ui_w32_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

stUiPanel gst_Panels[UI_PANEL_MAX];
int32_t gs32_NextHandle = 1;
int32_t gs32_ActivePanel = 0;
bool gb_Initialised = false;
HINSTANCE gh_Instance = nullptr;

bool bFocusIsIn(HWND hWnd) { return GetFocus() == hWnd || (hWnd && IsChild(hWnd, GetFocus())); }

} // namespace

bool bUiInitialised(void) { return gb_Initialised; }

HINSTANCE hUiInstance(void) { return gh_Instance; }

stUiPanel *pUiFindPanel(int s32Handle)
{
    if (s32Handle <= 0)
        return nullptr;
    for (stUiPanel &panel : gst_Panels) {
        if (panel.s32Handle == s32Handle)
            return panel.hWnd ? &panel : nullptr;
    }
    return nullptr;
}

stUiPanel *pUiPanelAt(int32_t s32Slot)
{
    if (s32Slot < 0 || s32Slot >= UI_PANEL_MAX || !gst_Panels[s32Slot].s32Handle || !gst_Panels[s32Slot].hWnd)
        return nullptr;
    return &gst_Panels[s32Slot];
}

stUiCtrl *pUiFindControl(int s32Panel, int s32Control)
{
    stUiPanel *pPanel = pUiFindPanel(s32Panel);
    if (!pPanel || s32Control <= 0)
        return nullptr;
    for (int32_t i = 0; i < pPanel->s32CtrlCount; i++) {
        if (pPanel->stCtrls[i].s32Id == s32Control)
            return &pPanel->stCtrls[i];
    }
    return nullptr;
}

stUiPanel *pUiPanelOfWindow(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    stUiPanel *pPanel = pUiFindPanel((int)GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    return pPanel && pPanel->hWnd == hWnd ? pPanel : nullptr;
}

stUiCtrl *pUiControlOfWindow(HWND hWnd, stUiPanel **ppPanel)
{
    if (!hWnd || !(GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD))
        return nullptr;
    stUiPanel *pPanel = pUiPanelOfWindow(GetParent(hWnd));
    if (!pPanel)
        return nullptr;
    int32_t s32Id = GetDlgCtrlID(hWnd);
    int32_t s32Index = s32Id >= UI_UPDOWN_ID_BASE ? s32Id - UI_UPDOWN_ID_BASE : s32Id - UI_CTRL_ID_BASE;
    if (s32Index < 0 || s32Index >= pPanel->s32CtrlCount)
        return nullptr;
    if (ppPanel)
        *ppPanel = pPanel;
    return &pPanel->stCtrls[s32Index];
}

stUiPanel *pUiFirstPanel(void)
{
    stUiPanel *pFirst = nullptr;
    for (stUiPanel &panel : gst_Panels) {
        if (panel.s32Handle && panel.hWnd && (!pFirst || panel.s32Handle < pFirst->s32Handle))
            pFirst = &panel;
    }
    return pFirst;
}

void vUiShowAsAttributes(stUiPanel *pPanel, stUiCtrl *pCtrl)
{
    if (!pCtrl->hWnd)
        return;
    bool bShown = pCtrl->bVisible && !pCtrl->bOffPanel;
    if (pCtrl->s32Part >= 0 && pPanel->stCtrls[pCtrl->s32Part].bOffPanel)
        bShown = false;
    // A hidden window keeps the keyboard unless it is handed on.
    if (!bShown && bFocusIsIn(pCtrl->hWnd)) {
        HWND hNext = GetNextDlgTabItem(pPanel->hWnd, pCtrl->hWnd, FALSE);
        SetFocus(hNext && hNext != pCtrl->hWnd ? hNext : pPanel->hWnd);
    }
    ShowWindow(pCtrl->hWnd, bShown ? SW_SHOWNA : SW_HIDE);
    if (pCtrl->hUpDown)
        ShowWindow(pCtrl->hUpDown, bShown ? SW_SHOWNA : SW_HIDE);
}

int InitCVIRTE(void *hInstance, char *argv[], void *)
{
    if (gb_Initialised)
        return 1;
    gh_Instance = hInstance ? static_cast<HINSTANCE>(hInstance) : GetModuleHandleW(nullptr);
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
    if (!RegisterClassExW(&stClass))
        return 0;
    vUiDecideProgramDirAtStart();
    gb_Initialised = true;
    return 1;
}

int LoadPanel(int parentPanel, const char *fileName, int panelResourceID)
{
    if (!gb_Initialised)
        return UIE_NOT_INITIALISED;
    if (!fileName)
        return UIE_BAD_ARGUMENT;
    stUiPanel *pPanel = nullptr;
    for (stUiPanel &panel : gst_Panels) {
        if (!panel.s32Handle) {
            pPanel = &panel;
            break;
        }
    }
    if (!pPanel)
        return UIE_BAD_PANEL;
    memset(pPanel, 0, sizeof(*pPanel));
    pPanel->s32Handle = gs32_NextHandle;
    int s32Result = s32UiBuildPanel(pPanel, fileName, panelResourceID);
    if (s32Result != UIE_NO_ERROR) {
        memset(pPanel, 0, sizeof(*pPanel));
        return s32Result;
    }
    gs32_NextHandle++;
    return pPanel->s32Handle;
}

int DiscardPanel(int panel)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    // Owned windows go with their owner: the panels it owns stay.
    for (stUiPanel &other : gst_Panels) {
        if (other.s32Handle && other.hWnd && GetWindow(other.hWnd, GW_OWNER) == pPanel->hWnd)
            SetWindowLongPtrW(other.hWnd, GWLP_HWNDPARENT, 0);
    }
    vUiFreePanelWindows(pPanel);
    return UIE_NO_ERROR;
}

namespace {

// A panel other than the main one comes up over the middle of the main
// panel the first time, as a dialog would; a floating one is owned by it.
void vPlaceOverMain(stUiPanel *pPanel)
{
    stUiPanel *pFirst = pUiFirstPanel();
    if (!pFirst || pFirst == pPanel)
        return;
    if (pPanel->bFloating && GetWindow(pPanel->hWnd, GW_OWNER) != pFirst->hWnd)
        SetWindowLongPtrW(pPanel->hWnd, GWLP_HWNDPARENT, (LONG_PTR)pFirst->hWnd);
    if (pPanel->bShownOnce || !IsWindowVisible(pFirst->hWnd))
        return;
    RECT rcMain, rcSelf;
    GetWindowRect(pFirst->hWnd, &rcMain);
    GetWindowRect(pPanel->hWnd, &rcSelf);
    int32_t s32X = (rcMain.left + rcMain.right - (rcSelf.right - rcSelf.left)) / 2;
    int32_t s32Y = (rcMain.top + rcMain.bottom - (rcSelf.bottom - rcSelf.top)) / 2;
    SetWindowPos(pPanel->hWnd, nullptr, s32X > 0 ? s32X : 0, s32Y > 0 ? s32Y : 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pPanel->bShownOnce = 1;
}

} // namespace

int DisplayPanel(int panel)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    vPlaceOverMain(pPanel);
    if (pPanel->bFloating) {
        ShowWindow(pPanel->hWnd, SW_SHOWNOACTIVATE);
    } else if (!IsWindowVisible(pPanel->hWnd)) {
        ShowWindow(pPanel->hWnd, SW_SHOW);
    }
    SetWindowPos(pPanel->hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return UIE_NO_ERROR;
}

int HidePanel(int panel)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    ShowWindow(pPanel->hWnd, SW_HIDE);
    return UIE_NO_ERROR;
}

// The operations make their progress panel active after every step. The
// keyboard stays with the operator: a floating panel never takes it, and
// another panel takes it only when no window of the program has it.
int SetActivePanel(int panel)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    gs32_ActivePanel = panel;
    HWND hForeground = GetForegroundWindow();
    DWORD u32Process = 0;
    if (hForeground)
        GetWindowThreadProcessId(hForeground, &u32Process);
    if (pPanel->bFloating || u32Process == GetCurrentProcessId() || !IsWindowVisible(pPanel->hWnd))
        return UIE_NO_ERROR;
    SetForegroundWindow(pPanel->hWnd);
    return UIE_NO_ERROR;
}

int GetActivePanel(void) { return pUiFindPanel(gs32_ActivePanel) ? gs32_ActivePanel : 0; }

// Windows gives an inactive window's control the keyboard when the window
// is activated (lrUiPanelProc restores hFocus).
int SetActiveCtrl(int panel, int control)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    stUiCtrl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl || !pCtrl->hWnd || pCtrl->s32Kind == UI_TIMER)
        return UIE_BAD_CONTROL;
    pPanel->hFocus = pCtrl->hWnd;
    if (GetActiveWindow() == pPanel->hWnd && IsWindowVisible(pCtrl->hWnd))
        SetFocus(pCtrl->hWnd);
    return UIE_NO_ERROR;
}

int SetPanelKeyboardHome(int panel, int control)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    stUiCtrl *pCtrl = control ? pUiFindControl(panel, control) : nullptr;
    if (control && (!pCtrl || pCtrl->s32Kind != UI_TEXT))
        return UIE_BAD_CONTROL;
    pPanel->s32KeyboardHome = control;
    return UIE_NO_ERROR;
}

int SetPanelAttribute(int panel, int attribute, int value)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    switch (attribute) {
    case ATTR_HEIGHT:
    case ATTR_WIDTH:
        if (attribute == ATTR_HEIGHT)
            pPanel->s32Height = value - pPanel->s32MenuShift > 0 ? value - pPanel->s32MenuShift : 1;
        else
            pPanel->s32Width = value > 0 ? value : 1;
        vUiFitWindowToPanel(pPanel);
        vUiFitPartsToPanel(pPanel);
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        return value ? DisplayPanel(panel) : HidePanel(panel);
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int SetPanelAttribute(int panel, int attribute, const char *text)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE || !text)
        return UIE_BAD_ATTRIBUTE;
    vUiSetWindowText(pPanel->hWnd, text);
    return UIE_NO_ERROR;
}

int GetPanelAttribute(int panel, int attribute, int *value)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    switch (attribute) {
    case ATTR_HEIGHT:
        *value = pPanel->s32Height + pPanel->s32MenuShift;
        return UIE_NO_ERROR;
    case ATTR_WIDTH:
        *value = pPanel->s32Width;
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        *value = IsWindowVisible(pPanel->hWnd) ? 1 : 0;
        return UIE_NO_ERROR;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetPanelAttribute(int panel, int attribute, char *text, size_t size)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE || !text || size == 0)
        return UIE_BAD_ATTRIBUTE;
    u32UiWindowText(pPanel->hWnd, text, size);
    return UIE_NO_ERROR;
}

int GetPanelMenuBar(int panel)
{
    stUiPanel *pPanel = pUiFindPanel(panel);
    return pPanel && pPanel->hMenu ? panel : 0;
}
