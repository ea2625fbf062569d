// Events: window messages turned into callback events, the timer controls,
// the event loop and the event pumps used from inside callbacks.
#include "ui_w32_internal.h"

#include <stdlib.h>

namespace {

const int32_t UI_PUMP_MAX = 512; // messages one pump handles at most

int32_t gs32_Hold = 0;          // programmatic changes under way
int32_t gs32_CallbackDepth = 0; // callbacks running (a command, when > 0)
bool gb_Quit = false;
int gs32_QuitCode = 0;
int32_t gs32_WaitCursor = 0;
DWORD gu32_LastFrame = 0;
bool gb_FrameSeen = false;
HWND gh_Report = nullptr;

// Keys that give no character arrive as key-downs only.
int32_t s32KeyDownCode(WPARAM vk)
{
    switch (vk) {
    case VK_BACK:
        return VAL_BACKSPACE_VKEY;
    case VK_TAB:
        return VAL_TAB_VKEY;
    case VK_RETURN:
        return VAL_ENTER_VKEY;
    case VK_ESCAPE:
        return VAL_ESC_VKEY;
    case VK_DELETE:
        return VAL_FWD_DELETE_VKEY;
    case VK_UP:
        return VAL_UP_ARROW_VKEY;
    case VK_DOWN:
        return VAL_DOWN_ARROW_VKEY;
    case VK_LEFT:
        return VAL_LEFT_ARROW_VKEY;
    case VK_RIGHT:
        return VAL_RIGHT_ARROW_VKEY;
    default:
        return MapVirtualKeyW((UINT)vk, MAPVK_VK_TO_CHAR) == 0 ? VAL_OTHER_VKEY : 0;
    }
}

// The characters of the keys above come as key-downs already.
bool bKeyDownChar(WPARAM ch) { return ch == 0x08 || ch == 0x09 || ch == 0x0A || ch == 0x0D || ch == 0x1B || ch == 0x7F; }

// A key for a control with a callback: the callback hears it first, and in
// a text field decides (0 keeps the key out of the field; Enter let in
// commits the field). Returns true when the message is used up.
bool bKeyToCallback(MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN && pMsg->message != WM_CHAR)
        return false;
    stUiPanel *pPanel = nullptr;
    stUiCtrl *pCtrl = pUiControlOfWindow(pMsg->hwnd, &pPanel);
    if (!pCtrl || !pCtrl->pfnCallback)
        return false;
    int32_t s32Code = 0;
    if (pMsg->message == WM_KEYDOWN)
        s32Code = s32KeyDownCode(pMsg->wParam);
    else if (!bKeyDownChar(pMsg->wParam))
        s32Code = pMsg->wParam < 0x100 ? (int32_t)pMsg->wParam : VAL_OTHER_VKEY;
    if (s32Code == 0)
        return false;
    int32_t s32Panel = pPanel->s32Handle;
    int32_t s32Id = pCtrl->s32Id;
    int s32Result = s32UiDispatchCtrl(pPanel, pCtrl, EVENT_KEYPRESS, s32Code, 0);
    pCtrl = pUiFindControl(s32Panel, s32Id); // the callback may have discarded the panel
    if (!pCtrl || pCtrl->s32Kind != UI_TEXT)
        return !pCtrl;
    if (s32Result == 0)
        return true;
    if (s32Code == VAL_ENTER_VKEY) {
        s32UiDispatchCtrl(pUiFindPanel(s32Panel), pCtrl, EVENT_COMMIT, 0, 0);
        return true;
    }
    return false;
}

// A character or Enter typed on a control of a panel with a keyboard home
// that takes no text goes on to the home, which takes the focus: a scan
// after a click elsewhere is neither lost nor a button's Space or Enter.
// The message is readdressed and handled on as the home's.
void vKeyToHome(MSG *pMsg)
{
    bool bEnter = pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN;
    bool bChar = pMsg->message == WM_CHAR && pMsg->wParam >= 0x20 && pMsg->wParam != 0x7F;
    bool bSpaceDown = pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_SPACE;
    if (!bEnter && !bChar && !bSpaceDown)
        return;
    stUiPanel *pPanel = nullptr;
    stUiCtrl *pCtrl = pUiControlOfWindow(pMsg->hwnd, &pPanel);
    if (!pCtrl || !pPanel->s32KeyboardHome || pCtrl->s32Kind == UI_TEXT ||
        pCtrl->s32Kind == UI_NUMERIC)
        return;
    stUiCtrl *pHome = pUiFindControl(pPanel->s32Handle, pPanel->s32KeyboardHome);
    if (!pHome || !pHome->hWnd || !IsWindowEnabled(pHome->hWnd) || !IsWindowVisible(pHome->hWnd))
        return;
    SetFocus(pHome->hWnd);
    pMsg->hwnd = pHome->hWnd;
}

// Enter on a focused button presses it, as Space does.
bool bEnterOnButton(const MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN || pMsg->wParam != VK_RETURN)
        return false;
    stUiCtrl *pCtrl = pUiControlOfWindow(pMsg->hwnd, nullptr);
    if (!pCtrl || pCtrl->s32Kind != UI_BUTTON)
        return false;
    SendMessageW(pCtrl->hWnd, BM_CLICK, 0, 0);
    return true;
}

// The read-only text box wants every key as a multi-line EDIT: Tab still
// moves on, and Escape (which such an EDIT turns into a close of its
// window) does nothing.
bool bTextBoxKey(const MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN || (pMsg->wParam != VK_TAB && pMsg->wParam != VK_ESCAPE))
        return false;
    stUiPanel *pPanel = nullptr;
    stUiCtrl *pCtrl = pUiControlOfWindow(pMsg->hwnd, &pPanel);
    if (!pCtrl || pCtrl->s32Kind != UI_TEXTBOX)
        return false;
    if (pMsg->wParam == VK_TAB) {
        bool bBack = GetKeyState(VK_SHIFT) < 0;
        HWND hNext = GetNextDlgTabItem(pPanel->hWnd, pCtrl->hWnd, bBack);
        if (hNext)
            SetFocus(hNext);
    }
    return true;
}

// The report's text is a multi-line EDIT, which wants every key: Tab still
// moves to Close, and Escape or Enter close the report, as its default
// button would.
bool bReportKey(const MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN)
        return false;
    if (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_RETURN) {
        PostMessageW(gh_Report, WM_CLOSE, 0, 0);
        return true;
    }
    if (pMsg->wParam != VK_TAB)
        return false;
    HWND hNext = GetNextDlgTabItem(gh_Report, GetFocus(), GetKeyState(VK_SHIFT) < 0);
    if (hNext)
        SetFocus(hNext);
    return true;
}

// Focus changes reach the callbacks once the message that made them is
// handled (buttons tell theirs only with BS_NOTIFY, which changes their
// double clicks).
HWND gh_LastFocus = nullptr;

void vTrackFocus(void)
{
    HWND hNow = GetFocus();
    if (hNow == gh_LastFocus)
        return;
    HWND hOld = gh_LastFocus;
    gh_LastFocus = hNow;
    stUiPanel *pPanel = nullptr;
    stUiCtrl *pCtrl = hOld && IsWindow(hOld) ? pUiControlOfWindow(hOld, &pPanel) : nullptr;
    if (pCtrl)
        s32UiDispatchCtrl(pPanel, pCtrl, EVENT_LOST_FOCUS, 0, 0);
    pCtrl = hNow ? pUiControlOfWindow(hNow, &pPanel) : nullptr;
    // A read-only field shows no text cursor, as under Qt.
    if (pCtrl && (GetWindowLongPtrW(hNow, GWL_STYLE) & ES_READONLY) &&
        (pCtrl->s32Kind == UI_TEXT || pCtrl->s32Kind == UI_TEXTBOX))
        HideCaret(hNow);
    if (pCtrl)
        s32UiDispatchCtrl(pPanel, pCtrl, EVENT_GOT_FOCUS, 0, 0);
}

HWND hDialogRoot(HWND hWnd)
{
    HWND hRoot = hWnd ? GetAncestor(hWnd, GA_ROOT) : nullptr;
    if (hRoot && (pUiPanelOfWindow(hRoot) || hRoot == gh_Report))
        return hRoot;
    return nullptr;
}

void vNumericChanged(stUiPanel *pPanel, stUiCtrl *pCtrl)
{
    wchar_t wcText[32];
    GetWindowTextW(pCtrl->hWnd, wcText, 32);
    wchar_t *pwcEnd = nullptr;
    long s32Value = wcstol(wcText, &pwcEnd, 10);
    if (pwcEnd == wcText || *pwcEnd != L'\0' || s32Value < pCtrl->s32Min || s32Value > pCtrl->s32Max)
        return;
    if (s32Value == pCtrl->s32Value)
        return;
    pCtrl->s32Value = (int32_t)s32Value;
    s32UiDispatchCtrl(pPanel, pCtrl, EVENT_COMMIT, 0, 0);
}

// A ring commits when the operator chooses an item: from its open list
// (the same item too), or with the keys while it is closed. Both end in
// CBN_SELENDOK; moving through the open list does not.
void vRingNote(stUiPanel *pPanel, stUiCtrl *pCtrl, UINT u32Code)
{
    if (u32Code == CBN_SELENDOK)
        s32UiDispatchCtrl(pPanel, pCtrl, EVENT_COMMIT, 0, 0);
}

void vControlNote(stUiPanel *pPanel, HWND hFrom, UINT u32Code)
{
    stUiCtrl *pCtrl = pUiControlOfWindow(hFrom, nullptr);
    if (!pCtrl || gs32_Hold > 0)
        return;
    switch (pCtrl->s32Kind) {
    case UI_BUTTON:
    case UI_CHECKBOX:
        if (u32Code == BN_CLICKED)
            s32UiDispatchCtrl(pPanel, pCtrl, EVENT_COMMIT, 0, 0);
        break;
    case UI_NUMERIC:
        if (u32Code == EN_CHANGE)
            vNumericChanged(pPanel, pCtrl);
        break;
    case UI_RING:
        vRingNote(pPanel, pCtrl, u32Code);
        break;
    default:
        break;
    }
}

void vMenuChosen(stUiPanel *pPanel, UINT u32Id)
{
    if (u32Id < UI_MENU_ID_BASE || !pPanel->pfnMenu)
        return;
    gs32_CallbackDepth++;
    pPanel->pfnMenu(pPanel->s32Handle, (int)(u32Id - UI_MENU_ID_BASE), nullptr, pPanel->s32Handle);
    gs32_CallbackDepth--;
}

void vTimerTick(stUiPanel *pPanel, WPARAM id)
{
    if (id == UI_FLUSH_TIMER_ID) {
        KillTimer(pPanel->hWnd, id);
        vUiTextBoxesFlush();
        return;
    }
    int32_t s32Index = (int32_t)id - UI_TIMER_ID_BASE;
    if (s32Index < 0 || s32Index >= pPanel->s32CtrlCount)
        return;
    stUiCtrl *pCtrl = &pPanel->stCtrls[s32Index];
    if (pCtrl->s32Kind == UI_TIMER && pCtrl->bTimerEnabled)
        s32UiDispatchCtrl(pPanel, pCtrl, EVENT_TIMER_TICK, 0, 0);
}

bool bCanTakeFocus(HWND hPanel, HWND hWnd)
{
    return hWnd && IsWindow(hWnd) && IsChild(hPanel, hWnd) && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd);
}

// The panel's control gets the keyboard back when the panel is activated.
void vGiveFocus(stUiPanel *pPanel)
{
    HWND hFocus = pPanel->hFocus;
    if (!bCanTakeFocus(pPanel->hWnd, hFocus))
        hFocus = GetNextDlgTabItem(pPanel->hWnd, nullptr, FALSE);
    if (bCanTakeFocus(pPanel->hWnd, hFocus))
        SetFocus(hFocus);
}

void vActivated(stUiPanel *pPanel, WPARAM wParam)
{
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND hFocus = GetFocus();
        if (hFocus && IsChild(pPanel->hWnd, hFocus))
            pPanel->hFocus = hFocus;
        s32UiDispatchPanel(pPanel, EVENT_LOST_FOCUS);
        return;
    }
    if (!HIWORD(wParam))
        vGiveFocus(pPanel);
    s32UiDispatchPanel(pPanel, EVENT_GOT_FOCUS);
}

// A logoff or shutdown is a quit request like the close box, told to the
// main panel. While a command runs the session waits: the program quits
// once the command has ended.
LRESULT lrQueryEndSession(stUiPanel *pPanel)
{
    if (pPanel != pUiFirstPanel())
        return TRUE;
    bool bBusy = gs32_CallbackDepth > 0;
    s32UiDispatchPanel(pPanel, EVENT_CLOSE);
    return bBusy ? FALSE : TRUE;
}

HBRUSH hColours(stUiPanel *pPanel, HDC hDc, HWND hCtrl, bool *pbOwn)
{
    stUiCtrl *pCtrl = pUiControlOfWindow(hCtrl, nullptr);
    *pbOwn = pCtrl && (pCtrl->bHasTextColor || pCtrl->bHasBackColor);
    if (!*pbOwn)
        return nullptr;
    if (pCtrl->bHasTextColor)
        SetTextColor(hDc, pCtrl->crText);
    if (!pCtrl->bHasBackColor) {
        *pbOwn = false; // the default brush, the text colour set
        return nullptr;
    }
    SetBkColor(hDc, pCtrl->crBack);
    return pCtrl->hBackBrush;
}

LRESULT lrPanelMessage(stUiPanel *pPanel, HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam)
{
    switch (u32Msg) {
    case WM_COMMAND:
        // Escape (the dialog manager's IDCANCEL) acts on a dialog as its close box.
        if (lParam == 0 && LOWORD(wParam) == IDCANCEL && pPanel != pUiFirstPanel())
            s32UiDispatchPanel(pPanel, EVENT_CLOSE);
        else if (lParam == 0 && HIWORD(wParam) == 0)
            vMenuChosen(pPanel, LOWORD(wParam));
        else if (lParam != 0)
            vControlNote(pPanel, (HWND)lParam, HIWORD(wParam));
        return 0;
    case WM_TIMER:
        vTimerTick(pPanel, wParam);
        return 0;
    case WM_CLOSE:
        // The callback decides what a close means; the panel stays.
        s32UiDispatchPanel(pPanel, EVENT_CLOSE);
        return 0;
    case WM_ACTIVATE:
        vActivated(pPanel, wParam);
        return 0;
    case WM_SETFOCUS:
        vGiveFocus(pPanel);
        return 0;
    case WM_SETCURSOR:
        if (!gs32_WaitCursor)
            break;
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
        return TRUE;
    case WM_QUERYENDSESSION:
        return lrQueryEndSession(pPanel);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        bool bOwn = false;
        HBRUSH hBrush = hColours(pPanel, (HDC)wParam, (HWND)lParam, &bOwn);
        if (bOwn)
            return (LRESULT)hBrush;
        LRESULT lr = DefWindowProcW(hWnd, u32Msg, wParam, lParam);
        stUiCtrl *pCtrl = pUiControlOfWindow((HWND)lParam, nullptr);
        if (pCtrl && pCtrl->bHasTextColor)
            SetTextColor((HDC)wParam, pCtrl->crText);
        return lr;
    }
    default:
        break;
    }
    return DefWindowProcW(hWnd, u32Msg, wParam, lParam);
}

void vWaitCursorNow(void)
{
    POINT pt;
    if (!GetCursorPos(&pt))
        return;
    HWND hUnder = WindowFromPoint(pt);
    if (hDialogRoot(hUnder))
        SendMessageW(hUnder, WM_SETCURSOR, (WPARAM)hUnder, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void vBringUpAll(bool bEnable, HWND hExcept)
{
    for (int32_t i = 0; i < UI_PANEL_MAX; i++) {
        stUiPanel *pPanel = pUiPanelAt(i);
        if (pPanel && pPanel->hWnd != hExcept)
            EnableWindow(pPanel->hWnd, bEnable);
    }
}

bool bFrameDue(void)
{
    DWORD u32Now = GetTickCount();
    if (gb_FrameSeen && u32Now - gu32_LastFrame < UI_FRAME_MS)
        return false;
    gb_FrameSeen = true;
    gu32_LastFrame = u32Now;
    return true;
}

} // namespace

LRESULT CALLBACK lrUiPanelProc(HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam)
{
    stUiPanel *pPanel = pUiPanelOfWindow(hWnd);
    if (!pPanel)
        return DefWindowProcW(hWnd, u32Msg, wParam, lParam);
    return lrPanelMessage(pPanel, hWnd, u32Msg, wParam, lParam);
}

void vUiHandleMessage(MSG *pMsg)
{
    vKeyToHome(pMsg);
    if (bKeyToCallback(pMsg) || bEnterOnButton(pMsg) || bTextBoxKey(pMsg)) {
        vTrackFocus();
        return;
    }
    HWND hRoot = hDialogRoot(pMsg->hwnd);
    if (hRoot && hRoot == gh_Report && bReportKey(pMsg))
        return;
    // Letters typed without Alt are text, never a control's mnemonic (a
    // scanner typing on a focused button must press nothing).
    if (hRoot && pMsg->message != WM_CHAR && IsDialogMessageW(hRoot, pMsg)) {
        vTrackFocus();
        return;
    }
    TranslateMessage(pMsg);
    DispatchMessageW(pMsg);
    vTrackFocus();
}

int s32UiDispatchCtrl(stUiPanel *pPanel, stUiCtrl *pCtrl, int s32Event, int s32Data1, int s32Data2)
{
    if (!pPanel || !pCtrl || !pCtrl->pfnCallback)
        return 0;
    gs32_CallbackDepth++;
    int s32Result = pCtrl->pfnCallback(pPanel->s32Handle, pCtrl->s32Id, s32Event, nullptr, s32Data1, s32Data2);
    gs32_CallbackDepth--;
    return s32Result;
}

int s32UiDispatchPanel(stUiPanel *pPanel, int s32Event)
{
    if (!pPanel || !pPanel->pfnCallback)
        return 0;
    gs32_CallbackDepth++;
    int s32Result = pPanel->pfnCallback(pPanel->s32Handle, s32Event, nullptr, 0, 0);
    gs32_CallbackDepth--;
    return s32Result;
}

void vUiStartTimer(stUiPanel *pPanel, int32_t s32Index)
{
    stUiCtrl *pCtrl = &pPanel->stCtrls[s32Index];
    UINT_PTR id = UI_TIMER_ID_BASE + s32Index;
    if (pCtrl->bTimerEnabled)
        SetTimer(pPanel->hWnd, id, (UINT)pCtrl->s32Interval, nullptr);
    else
        KillTimer(pPanel->hWnd, id);
}

void vUiHoldNotifications(int32_t bHold) { gs32_Hold += bHold ? 1 : -1; }

void vUiSetReportWindow(HWND hWnd) { gh_Report = hWnd; }

// Every panel is disabled while the dialog is up, as a Qt dialog is modal
// to the whole program; the owner is the panel the operator works in.
HWND hUiBeginModal(void)
{
    HWND hActive = GetActiveWindow();
    HWND hOwner = hActive && pUiPanelOfWindow(hActive) ? hActive : nullptr;
    stUiPanel *pFirst = pUiFirstPanel();
    if (!hOwner && pFirst && IsWindowVisible(pFirst->hWnd))
        hOwner = pFirst->hWnd;
    vBringUpAll(false, hOwner);
    return hOwner;
}

void vUiEndModal(HWND hOwner)
{
    vBringUpAll(true, nullptr);
    if (hOwner)
        SetActiveWindow(hOwner);
}

int RunUserInterface(void)
{
    if (!bUiInitialised())
        return UIE_NOT_INITIALISED;
    gb_Quit = false;
    MSG msg;
    while (!gb_Quit) {
        BOOL bGot = GetMessageW(&msg, nullptr, 0, 0);
        if (bGot <= 0)
            break;
        vUiHandleMessage(&msg);
    }
    return gs32_QuitCode;
}

int QuitUserInterface(int returnCode)
{
    if (!bUiInitialised())
        return UIE_NOT_INITIALISED;
    gb_Quit = true;
    gs32_QuitCode = returnCode;
    // Wakes the loop when it waits for a message.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    return UIE_NO_ERROR;
}

// Repainting after every pumped message would dominate long byte dumps:
// within a frame the system pump delivers input, timers and posted
// messages and leaves the repaints for the next frame.
int ProcessSystemEvents(void)
{
    if (!bUiInitialised())
        return UIE_NOT_INITIALISED;
    UINT u32Flags = PM_REMOVE;
    if (bFrameDue())
        vUiTextBoxesFlush();
    else
        u32Flags |= PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
    MSG msg;
    for (int32_t i = 0; i < UI_PUMP_MAX && PeekMessageW(&msg, nullptr, 0, 0, u32Flags); i++)
        vUiHandleMessage(&msg);
    return UIE_NO_ERROR;
}

int ProcessDrawEvents(void)
{
    if (!bUiInitialised())
        return UIE_NOT_INITIALISED;
    if (!bFrameDue())
        return UIE_NO_ERROR;
    vUiTextBoxesFlush();
    MSG msg;
    for (int32_t i = 0; i < UI_PUMP_MAX && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); i++)
        DispatchMessageW(&msg);
    return UIE_NO_ERROR;
}

// Windows tells a quit as window messages (the close box, a logoff), never
// through a descriptor: nothing to watch.
int WatchFileDescriptor(int fd, void (*pfnReady)(void *), void *pvContext)
{
    if (!bUiInitialised())
        return UIE_NOT_INITIALISED;
    return fd < 0 ? UIE_BAD_ARGUMENT : UIE_NO_ERROR;
}

int SetWaitCursor(int on)
{
    if (!bUiInitialised())
        return UIE_NOT_INITIALISED;
    int32_t s32On = on ? 1 : 0;
    if (s32On == gs32_WaitCursor)
        return UIE_NO_ERROR;
    gs32_WaitCursor = s32On;
    vWaitCursorNow();
    return UIE_NO_ERROR;
}

int GetWaitCursorState(void) { return gs32_WaitCursor; }
