// Events: window messages turned into the front's events, the timers, the
// event loop and the pumps used from inside callbacks.
#include "ui_w32_internal.h"

#include <io.h>
#include <stdlib.h>

namespace {

const int32_t UI_PUMP_MAX = 512; // messages one pump handles at most
const UINT UI_RUN_LATER = WM_APP + 1;

int32_t gs32_Hold = 0;          // programmatic changes under way
int32_t gs32_CallbackDepth = 0; // callbacks running (a command, when > 0)
bool gb_Quit = false;
int gs32_QuitCode = 0;
int32_t gb_WaitCursor = 0;
DWORD gu32_LastFrame = 0;
bool gb_FrameSeen = false;
UINT_PTR gu_FlushTimer = 0;
HWND gh_Report = nullptr;
HWND gh_LastFocus = nullptr;

int s32PanelEvent(stUiPanel *pstPanel, int32_t s32Event)
{
    gs32_CallbackDepth++;
    int s32Result = s32UiFrontPanelEvent(pstPanel->s32Handle, s32Event);
    gs32_CallbackDepth--;
    return s32Result;
}

// Keys that give no character arrive as key-downs only.
int32_t s32KeyDownCode(WPARAM vk)
{
    for (const stUiVirtualKey &key : gst_UiVirtualKeys) {
        if (key.u32Vk == vk)
            return key.s32Key;
    }
    return MapVirtualKeyW((UINT)vk, MAPVK_VK_TO_CHAR) == 0 ? VAL_OTHER_VKEY : 0;
}

// The characters of the keys above come as key-downs already.
bool bKeyDownChar(WPARAM ch) { return ch == 0x08 || ch == 0x09 || ch == 0x0A || ch == 0x0D || ch == 0x1B || ch == 0x7F; }

int32_t s32KeyCode(const MSG *pMsg)
{
    if (pMsg->message == WM_KEYDOWN)
        return s32KeyDownCode(pMsg->wParam);
    if (pMsg->message == WM_CHAR && !bKeyDownChar(pMsg->wParam))
        return pMsg->wParam < 0x100 ? (int32_t)pMsg->wParam : VAL_OTHER_VKEY;
    return 0;
}

// A key for a control with a callback: the callback hears it first, and in
// a text field decides (0 keeps the key out of the field; Enter let in
// commits the field). Returns true when the message is used up.
bool bKeyToCallback(MSG *pMsg)
{
    stUiPanel *pstPanel = nullptr;
    int32_t s32Index = s32UiControlOfWindow(pMsg->hwnd, &pstPanel);
    int32_t s32Code = s32Index >= 0 && pstPanel->stCtrls[s32Index].pfnCallback ? s32KeyCode(pMsg) : 0;
    if (s32Code == 0)
        return false;
    int32_t s32Panel = pstPanel->s32Handle;
    int32_t s32Id = pstPanel->stCtrls[s32Index].s32Id;
    int s32Result = s32UiCtrlEvent(pstPanel, s32Index, EVENT_KEYPRESS, s32Code);
    // The callback may have discarded the panel.
    stUiCtrl *pstCtrl = pUiFindControl(s32Panel, s32Id);
    if (!pstCtrl || pstCtrl->s32Kind != UI_KIND_TEXT)
        return !pstCtrl;
    if (s32Result == 0)
        return true;
    if (s32Code == VAL_ENTER_VKEY) {
        s32UiCtrlEvent(pUiFindPanel(s32Panel), s32Index, EVENT_COMMIT, 0);
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
    stUiPanel *pstPanel = nullptr;
    int32_t s32Index = s32UiControlOfWindow(pMsg->hwnd, &pstPanel);
    if (s32Index < 0)
        return;
    int32_t s32Kind = pstPanel->stCtrls[s32Index].s32Kind;
    stUiCtrl *pstHome = pUiKeyboardHome(pstPanel);
    if (!pstHome || s32Kind == UI_KIND_TEXT || s32Kind == UI_KIND_NUMERIC)
        return;
    HWND hHome = pW32Ctrl(pstPanel, s32UiCtrlIndex(pstPanel, pstHome))->hWnd;
    if (!hHome || !IsWindowEnabled(hHome) || !IsWindowVisible(hHome))
        return;
    SetFocus(hHome);
    pMsg->hwnd = hHome;
}

// Enter on a focused button presses it, as Space does.
bool bEnterOnButton(const MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN || pMsg->wParam != VK_RETURN)
        return false;
    stUiPanel *pstPanel = nullptr;
    int32_t s32Index = s32UiControlOfWindow(pMsg->hwnd, &pstPanel);
    if (s32Index < 0 || pstPanel->stCtrls[s32Index].s32Kind != UI_KIND_BUTTON)
        return false;
    SendMessageW(pMsg->hwnd, BM_CLICK, 0, 0);
    return true;
}

// Tab, or Shift+Tab, from hFrom to the next control of the window.
void vTabOn(HWND hRoot, HWND hFrom)
{
    HWND hNext = GetNextDlgTabItem(hRoot, hFrom, GetKeyState(VK_SHIFT) < 0);
    if (hNext)
        SetFocus(hNext);
}

// The read-only text box wants every key as a multi-line EDIT: Tab still
// moves on, and Escape (which such an EDIT turns into a close of its
// window) does nothing.
bool bTextBoxKey(const MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN || (pMsg->wParam != VK_TAB && pMsg->wParam != VK_ESCAPE))
        return false;
    stUiPanel *pstPanel = nullptr;
    int32_t s32Index = s32UiControlOfWindow(pMsg->hwnd, &pstPanel);
    if (s32Index < 0 || pstPanel->stCtrls[s32Index].s32Kind != UI_KIND_TEXTBOX)
        return false;
    if (pMsg->wParam == VK_TAB)
        vTabOn(pW32Panel(pstPanel)->hWnd, pMsg->hwnd);
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
    vTabOn(gh_Report, GetFocus());
    return true;
}

// Focus changes reach the callbacks once the message that made them is
// handled (buttons tell theirs only with BS_NOTIFY, which changes their
// double clicks).
void vTrackFocus(void)
{
    HWND hNow = GetFocus();
    if (hNow == gh_LastFocus)
        return;
    HWND hOld = gh_LastFocus;
    gh_LastFocus = hNow;
    stUiPanel *pstPanel = nullptr;
    int32_t s32Index = hOld && IsWindow(hOld) ? s32UiControlOfWindow(hOld, &pstPanel) : -1;
    if (s32Index >= 0)
        s32UiCtrlEvent(pstPanel, s32Index, EVENT_LOST_FOCUS, 0);
    s32Index = hNow ? s32UiControlOfWindow(hNow, &pstPanel) : -1;
    if (s32Index < 0)
        return;
    // A read-only field shows no text cursor, as under Qt.
    int32_t s32Kind = pstPanel->stCtrls[s32Index].s32Kind;
    if ((GetWindowLongPtrW(hNow, GWL_STYLE) & ES_READONLY) && (s32Kind == UI_KIND_TEXT || s32Kind == UI_KIND_TEXTBOX))
        HideCaret(hNow);
    s32UiCtrlEvent(pstPanel, s32Index, EVENT_GOT_FOCUS, 0);
}

HWND hDialogRoot(HWND hWnd)
{
    HWND hRoot = hWnd ? GetAncestor(hWnd, GA_ROOT) : nullptr;
    if (hRoot && (pUiPanelOfWindow(hRoot) || hRoot == gh_Report))
        return hRoot;
    return nullptr;
}

// A number typed into a numeric counts once it is a whole number within
// the control's range.
void vNumericChanged(stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    stW32Ctrl *pstNative = pW32Ctrl(pstPanel, s32Index);
    wchar_t wcText[32];
    GetWindowTextW(pstNative->hWnd, wcText, 32);
    wchar_t *pwcEnd = nullptr;
    long value = wcstol(wcText, &pwcEnd, 10);
    if (pwcEnd == wcText || *pwcEnd != L'\0' || value < pstCtrl->s32Min || value > pstCtrl->s32Max)
        return;
    if (value == pstNative->s32Value)
        return;
    pstNative->s32Value = (int32_t)value;
    s32UiCtrlEvent(pstPanel, s32Index, EVENT_COMMIT, 0);
}

// A ring commits when the operator chooses an item: from its open list
// (the same item too), or with the keys while it is closed. Both end in
// CBN_SELENDOK; moving through the open list does not.
void vControlNote(stUiPanel *pstPanel, HWND hFrom, UINT u32Code)
{
    int32_t s32Index = s32UiControlOfWindow(hFrom, nullptr);
    if (s32Index < 0 || gs32_Hold > 0)
        return;
    switch (pstPanel->stCtrls[s32Index].s32Kind) {
    case UI_KIND_BUTTON:
    case UI_KIND_CHECKBOX:
        if (u32Code == BN_CLICKED)
            s32UiCtrlEvent(pstPanel, s32Index, EVENT_COMMIT, 0);
        break;
    case UI_KIND_NUMERIC:
        if (u32Code == EN_CHANGE)
            vNumericChanged(pstPanel, s32Index);
        break;
    case UI_KIND_RING:
        if (u32Code == CBN_SELENDOK)
            s32UiCtrlEvent(pstPanel, s32Index, EVENT_COMMIT, 0);
        break;
    default:
        break;
    }
}

void vMenuChosen(stUiPanel *pstPanel, UINT u32Id)
{
    if (u32Id < UI_MENU_ID_BASE)
        return;
    gs32_CallbackDepth++;
    vUiFrontMenuItem(pstPanel->s32Handle, (int32_t)(u32Id - UI_MENU_ID_BASE));
    gs32_CallbackDepth--;
}

void vTimerTick(stUiPanel *pstPanel, WPARAM id)
{
    int32_t s32Index = (int32_t)id - UI_TIMER_ID_BASE;
    if (s32Index < 0 || s32Index >= pstPanel->s32CtrlCount)
        return;
    gs32_CallbackDepth++;
    vUiFrontTimerTick(pstPanel->s32Handle, s32Index);
    gs32_CallbackDepth--;
}

void CALLBACK vFlushTimer(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, gu_FlushTimer);
    gu_FlushTimer = 0;
    vUiFrontFlushTextBoxes();
}

bool bCanTakeFocus(HWND hPanel, HWND hWnd)
{
    return hWnd && IsWindow(hWnd) && IsChild(hPanel, hWnd) && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd);
}

// The panel's control gets the keyboard back when the panel is activated.
void vGiveFocus(stUiPanel *pstPanel)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    HWND hFocus = pstW32->hFocus;
    if (!bCanTakeFocus(pstW32->hWnd, hFocus))
        hFocus = GetNextDlgTabItem(pstW32->hWnd, nullptr, FALSE);
    if (bCanTakeFocus(pstW32->hWnd, hFocus))
        SetFocus(hFocus);
}

void vActivated(stUiPanel *pstPanel, WPARAM wParam)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND hFocus = GetFocus();
        if (hFocus && IsChild(pstW32->hWnd, hFocus))
            pstW32->hFocus = hFocus;
        s32PanelEvent(pstPanel, EVENT_LOST_FOCUS);
        return;
    }
    if (!HIWORD(wParam))
        vGiveFocus(pstPanel);
    s32PanelEvent(pstPanel, EVENT_GOT_FOCUS);
}

// A logoff or shutdown is a quit request like the close box, told to the
// main panel. While a command runs the session waits: the program quits
// once the command has ended.
LRESULT lrQueryEndSession(stUiPanel *pstPanel)
{
    if (pstPanel != pUiFirstPanel())
        return TRUE;
    bool bBusy = gs32_CallbackDepth > 0;
    s32PanelEvent(pstPanel, EVENT_CLOSE);
    return bBusy ? FALSE : TRUE;
}

// The colours the program set; the default brush where it set no background.
LRESULT lrColours(stUiPanel *pstPanel, HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam)
{
    int32_t s32Index = s32UiControlOfWindow((HWND)lParam, nullptr);
    const stUiCtrl *pstCtrl = s32Index >= 0 ? &pstPanel->stCtrls[s32Index] : nullptr;
    HDC hDc = (HDC)wParam;
    if (pstCtrl && pstCtrl->bHasBackColor && pW32Ctrl(pstPanel, s32Index)->hBackBrush) {
        if (pstCtrl->bHasTextColor)
            SetTextColor(hDc, crUiRgb(pstCtrl->s32TextColor));
        SetBkColor(hDc, crUiRgb(pstCtrl->s32BackColor));
        return (LRESULT)pW32Ctrl(pstPanel, s32Index)->hBackBrush;
    }
    LRESULT lr = DefWindowProcW(hWnd, u32Msg, wParam, lParam);
    if (pstCtrl && pstCtrl->bHasTextColor)
        SetTextColor(hDc, crUiRgb(pstCtrl->s32TextColor));
    return lr;
}

LRESULT lrPanelMessage(stUiPanel *pstPanel, HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam)
{
    switch (u32Msg) {
    case WM_COMMAND:
        // Escape (the dialog manager's IDCANCEL) acts on a dialog as its close box.
        if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
            gs32_CallbackDepth++;
            bUiFrontEscape(pstPanel->s32Handle);
            gs32_CallbackDepth--;
        } else if (lParam == 0 && HIWORD(wParam) == 0) {
            vMenuChosen(pstPanel, LOWORD(wParam));
        } else if (lParam != 0) {
            vControlNote(pstPanel, (HWND)lParam, HIWORD(wParam));
        }
        return 0;
    case WM_TIMER:
        vTimerTick(pstPanel, wParam);
        return 0;
    case WM_CLOSE:
        // The callback decides what a close means; the panel stays.
        s32PanelEvent(pstPanel, EVENT_CLOSE);
        return 0;
    case WM_ACTIVATE:
        vActivated(pstPanel, wParam);
        return 0;
    case WM_SETFOCUS:
        vGiveFocus(pstPanel);
        return 0;
    case WM_SETCURSOR:
        if (!gb_WaitCursor)
            break;
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
        return TRUE;
    case WM_QUERYENDSESSION:
        return lrQueryEndSession(pstPanel);
    case WM_DPICHANGED:
        vUiDpiChanged(pstPanel, HIWORD(wParam), (const RECT *)lParam);
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return lrColours(pstPanel, hWnd, u32Msg, wParam, lParam);
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

void vEnableAll(bool bEnable, HWND hExcept)
{
    for (int32_t i = 0; i < UI_PANEL_MAX; i++) {
        stUiPanel *pstPanel = pUiPanelAt(i);
        if (pstPanel && pW32Panel(pstPanel)->hWnd != hExcept)
            EnableWindow(pW32Panel(pstPanel)->hWnd, bEnable);
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
    stUiPanel *pstPanel = pUiPanelOfWindow(hWnd);
    if (!pstPanel)
        return DefWindowProcW(hWnd, u32Msg, wParam, lParam);
    return lrPanelMessage(pstPanel, hWnd, u32Msg, wParam, lParam);
}

void vUiHandleMessage(MSG *pMsg)
{
    if (!pMsg->hwnd && pMsg->message == UI_RUN_LATER) {
        reinterpret_cast<void (*)(void *)>(pMsg->wParam)(reinterpret_cast<void *>(pMsg->lParam));
        return;
    }
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

int s32UiCtrlEvent(stUiPanel *pstPanel, int32_t s32Index, int32_t s32Event, int32_t s32Data1)
{
    if (!pstPanel)
        return 0;
    gs32_CallbackDepth++;
    int s32Result = s32UiFrontCtrlEvent(pstPanel->s32Handle, s32Index, s32Event, s32Data1);
    gs32_CallbackDepth--;
    return s32Result;
}

void vUiHoldNotifications(int32_t bHold) { gs32_Hold += bHold ? 1 : -1; }

void vUiSetReportWindow(HWND hWnd) { gh_Report = hWnd; }

// Every panel is disabled while the dialog is up, as a Qt dialog is modal
// to the whole program; the owner is the panel the operator works in.
HWND hUiBeginModal(void)
{
    HWND hActive = GetActiveWindow();
    HWND hOwner = hActive && pUiPanelOfWindow(hActive) ? hActive : nullptr;
    stUiPanel *pstFirst = pUiFirstPanel();
    if (!hOwner && pstFirst && IsWindowVisible(pW32Panel(pstFirst)->hWnd))
        hOwner = pW32Panel(pstFirst)->hWnd;
    vEnableAll(false, hOwner);
    return hOwner;
}

void vUiEndModal(HWND hOwner)
{
    vEnableAll(true, nullptr);
    if (hOwner)
        SetActiveWindow(hOwner);
}

void vUiBackSetTimer(stUiPanel *pstPanel, int32_t s32Index, int32_t s32IntervalMs)
{
    HWND hWnd = pW32Panel(pstPanel)->hWnd;
    if (s32IntervalMs > 0)
        SetTimer(hWnd, UI_TIMER_ID_BASE + s32Index, (UINT)s32IntervalMs, nullptr);
    else
        KillTimer(hWnd, UI_TIMER_ID_BASE + s32Index);
}

// Set once: setting it again would put it off.
void vUiBackScheduleFlush(void)
{
    if (!gu_FlushTimer)
        gu_FlushTimer = SetTimer(nullptr, 0, UI_FRAME_MS, vFlushTimer);
}

int s32UiBackRun(void)
{
    gb_Quit = false;
    MSG msg;
    while (!gb_Quit && GetMessageW(&msg, nullptr, 0, 0) > 0)
        vUiHandleMessage(&msg);
    return gs32_QuitCode;
}

void vUiBackQuit(int s32ReturnCode)
{
    gb_Quit = true;
    gs32_QuitCode = s32ReturnCode;
    // Wakes the loop when it waits for a message.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

// Repainting after every pumped message would dominate long byte dumps:
// within a frame the system pump delivers input, timers and posted
// messages and leaves the repaints for the next frame; the draw pump
// paints at most once a frame.
void vUiBackPump(int32_t bInput)
{
    bool bDue = bFrameDue();
    if (bDue)
        vUiFrontFlushTextBoxes();
    MSG msg;
    if (!bInput) {
        for (int32_t i = 0; bDue && i < UI_PUMP_MAX && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); i++)
            DispatchMessageW(&msg);
        return;
    }
    UINT u32Flags = PM_REMOVE | (bDue ? 0 : PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
    for (int32_t i = 0; i < UI_PUMP_MAX && PeekMessageW(&msg, nullptr, 0, 0, u32Flags); i++)
        vUiHandleMessage(&msg);
}

// The one descriptor watched (a console program's quit pipe), looked at on
// a thread timer: Windows cannot wait on a pipe and on window messages at
// once.
struct stFdWatch {
    int s32Fd;
    void (*pfnReady)(void *);
    void *pvContext;
    UINT_PTR uTimer;
};
static stFdWatch gst_FdWatch = {-1, nullptr, nullptr, 0};
#define UI_FD_WATCH_MS 50

static VOID CALLBACK vFdWatchTick(HWND, UINT, UINT_PTR, DWORD)
{
    DWORD u32Waiting = 0;
    HANDLE hPipe = (HANDLE)_get_osfhandle(gst_FdWatch.s32Fd);
    if (gst_FdWatch.pfnReady && hPipe != INVALID_HANDLE_VALUE &&
        PeekNamedPipe(hPipe, nullptr, 0, nullptr, &u32Waiting, nullptr) && u32Waiting > 0)
        gst_FdWatch.pfnReady(gst_FdWatch.pvContext);
}

int s32UiBackWatchFd(int fd, void (*pfnReady)(void *), void *pvContext)
{
    if (gst_FdWatch.uTimer)
        KillTimer(nullptr, gst_FdWatch.uTimer);
    gst_FdWatch = {fd, pfnReady, pvContext, 0};
    if (!pfnReady)
        return UIE_NO_ERROR;
    gst_FdWatch.uTimer = SetTimer(nullptr, 0, UI_FD_WATCH_MS, vFdWatchTick);
    return gst_FdWatch.uTimer ? UIE_NO_ERROR : UIE_FILE_ERROR;
}

void vUiBackWaitCursor(int32_t bOn)
{
    gb_WaitCursor = bOn;
    vWaitCursorNow();
}

void vUiBackRunWhenLoopStarts(void (*pfn)(void *), void *pvContext)
{
    PostThreadMessageW(GetCurrentThreadId(), UI_RUN_LATER, (WPARAM)pfn, (LPARAM)pvContext);
}
