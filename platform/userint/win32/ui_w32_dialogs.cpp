// File selection, message, question and report popups.
#include "ui_w32_internal.h"

#include <commdlg.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const size_t UI_CHOSEN_UNITS = 32768;
const int32_t UI_REPORT_COLUMNS = 100;
const int32_t UI_REPORT_LINES = 40;
const int32_t UI_REPORT_CLOSE_ID = IDCANCEL;

// "Files (*.pkg *.bin)" and its patterns, then every file; or only the one
// extension a restricting dialog allows (pcSuffix). Units written, the list ending in
// two NULs.
void vFilter(const char *pcDefaultSpec, const char *pcTypeList, const char *pcSuffix, wchar_t *pwcOut, size_t count)
{
    char cPatterns[512];
    char cShown[512];
    char cText[1200];
    if (pcSuffix[0]) {
        snprintf(cText, sizeof(cText), "Files (*.%s)|*.%s||", pcSuffix, pcSuffix);
    } else {
        snprintf(cPatterns, sizeof(cPatterns), "%s", pcTypeList[0] ? pcTypeList : pcDefaultSpec);
        if (!cPatterns[0]) {
            pwcOut[0] = pwcOut[1] = L'\0';
            return;
        }
        snprintf(cShown, sizeof(cShown), "%s", cPatterns);
        for (char *pc = cShown; *pc; pc++)
            *pc = *pc == ';' ? ' ' : *pc;
        snprintf(cText, sizeof(cText), "Files (%s)|%s|All files (*.*)|*.*||", cShown, cPatterns);
    }
    vUiWideShown(cText, pwcOut, count);
    for (wchar_t *pwc = pwcOut; *pwc; pwc++)
        *pwc = *pwc == L'|' ? L'\0' : *pwc;
}

// The report: a read-only EDIT in a fixed-pitch font and a Close button.
struct stReport {
    HWND hWnd;
    HWND hEdit;
    HWND hClose;
    bool bClosed;
};
stReport gst_Report;

void vLayoutReport(HWND hWnd)
{
    RECT rc;
    GetClientRect(hWnd, &rc);
    const int32_t s32Margin = 8, s32ButtonW = 88, s32ButtonH = 28;
    int32_t s32ButtonY = rc.bottom - s32Margin - s32ButtonH;
    MoveWindow(gst_Report.hEdit, s32Margin, s32Margin, rc.right - 2 * s32Margin, s32ButtonY - 2 * s32Margin, TRUE);
    MoveWindow(gst_Report.hClose, rc.right - s32Margin - s32ButtonW, s32ButtonY, s32ButtonW, s32ButtonH, TRUE);
}

// The arrow and page keys scroll the text; a read-only text shows no
// cursor, as under Qt.
void vFocusText(void)
{
    if (!gst_Report.hEdit)
        return;
    SetFocus(gst_Report.hEdit);
    HideCaret(gst_Report.hEdit);
}

LRESULT CALLBACK lrReportProc(HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam)
{
    switch (u32Msg) {
    case WM_COMMAND:
        if (LOWORD(wParam) == UI_REPORT_CLOSE_ID)
            gst_Report.bClosed = true;
        return 0;
    case WM_CLOSE:
        gst_Report.bClosed = true;
        return 0;
    case WM_SIZE:
        if (gst_Report.hEdit)
            vLayoutReport(hWnd);
        return 0;
    case WM_SETFOCUS:
        vFocusText();
        return 0;
    case WM_CTLCOLORSTATIC:
        // A read-only EDIT is grey by default; a report reads better on white.
        SetBkColor((HDC)wParam, GetSysColor(COLOR_WINDOW));
        return (LRESULT)GetSysColorBrush(COLOR_WINDOW);
    default:
        return DefWindowProcW(hWnd, u32Msg, wParam, lParam);
    }
}

bool bReportClassReady(void)
{
    static bool s_bRegistered = false;
    if (s_bRegistered)
        return true;
    WNDCLASSEXW stClass = {};
    stClass.cbSize = sizeof(stClass);
    stClass.lpfnWndProc = lrReportProc;
    stClass.hInstance = hUiInstance();
    stClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    stClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    stClass.lpszClassName = UI_REPORT_CLASS;
    s_bRegistered = RegisterClassExW(&stClass) != 0;
    return s_bRegistered;
}

// Room for 100 columns and 40 lines of the text, within the screen's free
// area (without the task bar).
SIZE stReportSize(HFONT hFont, DWORD u32Style)
{
    TEXTMETRICW stMetrics;
    vUiFontMetrics(hFont, &stMetrics);
    int32_t s32Scroll = GetSystemMetrics(SM_CXVSCROLL);
    RECT rc = {0, 0, stMetrics.tmAveCharWidth * UI_REPORT_COLUMNS + s32Scroll + 8 + 16,
               stMetrics.tmHeight * UI_REPORT_LINES + s32Scroll + 8 + 16 + 36};
    AdjustWindowRectEx(&rc, u32Style, FALSE, 0);
    RECT rcWork;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    SIZE stSize = {rc.right - rc.left, rc.bottom - rc.top};
    if (stSize.cx > rcWork.right - rcWork.left)
        stSize.cx = rcWork.right - rcWork.left;
    if (stSize.cy > rcWork.bottom - rcWork.top)
        stSize.cy = rcWork.bottom - rcWork.top;
    return stSize;
}

// Over the middle of its owner, within the screen's free area.
void vCentreOver(HWND hWnd, HWND hOwner)
{
    RECT rcSelf, rcOwner, rcWork;
    GetWindowRect(hWnd, &rcSelf);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    if (!hOwner || !GetWindowRect(hOwner, &rcOwner))
        rcOwner = rcWork;
    int32_t s32W = rcSelf.right - rcSelf.left, s32H = rcSelf.bottom - rcSelf.top;
    int32_t s32X = (rcOwner.left + rcOwner.right - s32W) / 2;
    int32_t s32Y = (rcOwner.top + rcOwner.bottom - s32H) / 2;
    s32X = s32X + s32W > rcWork.right ? rcWork.right - s32W : s32X;
    s32Y = s32Y + s32H > rcWork.bottom ? rcWork.bottom - s32H : s32Y;
    s32X = s32X < rcWork.left ? rcWork.left : s32X;
    s32Y = s32Y < rcWork.top ? rcWork.top : s32Y;
    SetWindowPos(hWnd, nullptr, s32X, s32Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool bOpenReport(HWND hOwner, const char *pcTitle, const wchar_t *pwcText)
{
    const DWORD u32Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    HFONT hFixed = hUiFont("DejaVu Sans Mono", UI_DEFAULT_POINT_SIZE, 0, 0);
    SIZE stSize = stReportSize(hFixed, u32Style);
    wchar_t wcTitle[256];
    vUiWideShown(pcTitle, wcTitle, 256);
    gst_Report = {};
    gst_Report.hWnd = CreateWindowExW(0, UI_REPORT_CLASS, wcTitle, u32Style, CW_USEDEFAULT, CW_USEDEFAULT,
                                      stSize.cx, stSize.cy, hOwner, nullptr, hUiInstance(), nullptr);
    if (!gst_Report.hWnd)
        return false;
    gst_Report.hEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                                           ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                       0, 0, 0, 0, gst_Report.hWnd, nullptr, hUiInstance(), nullptr);
    gst_Report.hClose = CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                        0, 0, 0, 0, gst_Report.hWnd, (HMENU)(INT_PTR)UI_REPORT_CLOSE_ID,
                                        hUiInstance(), nullptr);
    SendMessageW(gst_Report.hEdit, WM_SETFONT, (WPARAM)hFixed, FALSE);
    SendMessageW(gst_Report.hClose, WM_SETFONT, (WPARAM)hUiFont("DejaVu Sans", 9, 0, 0), FALSE);
    SendMessageW(gst_Report.hEdit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(gst_Report.hEdit, pwcText);
    vLayoutReport(gst_Report.hWnd);
    vCentreOver(gst_Report.hWnd, hOwner);
    ShowWindow(gst_Report.hWnd, SW_SHOW);
    vFocusText();
    return true;
}

// A path cut to fit would name another file: one that does not fit is no choice.
int s32Chosen(const OPENFILENAMEW *pst, bool bOk, char *pcPath, size_t size)
{
    if (!bOk || !pst->lpstrFile[0] || !bWinUtf8(pst->lpstrFile, pcPath, size))
        return VAL_NO_FILE_SELECTED;
    return GetFileAttributesW(pst->lpstrFile) != INVALID_FILE_ATTRIBUTES ? VAL_EXISTING_FILE_SELECTED
                                                                         : VAL_NEW_FILE_SELECTED;
}

} // namespace

// The request's restrictDirectory and allowCancel change nothing, as under
// Qt. The standard dialog always offers to make a folder (its New Folder
// button and menu cannot be switched off), whatever allowMakeDirectory says.
int32_t s32UiBackFileDialog(const stUiFileRequest *pstRequest, const char *pcSuffix, char *pcPath, size_t size)
{
    static wchar_t s_wcChosen[UI_CHOSEN_UNITS];
    static wchar_t s_wcFilter[1200];
    wchar_t wcDir[UI_WIDE_PATH], wcTitle[UI_LABEL_SIZE], wcDefExt[64];
    s_wcChosen[0] = L'\0';
    vFilter(pstRequest->pcDefaultFileSpec, pstRequest->pcFileTypeList, pcSuffix, s_wcFilter, 1200);
    // A folder that cannot be named leaves the dialog in its own.
    bWinWide(pstRequest->pcDefaultDirectory, wcDir, UI_WIDE_PATH);
    vUiWideShown(pstRequest->pcTitle, wcTitle, UI_LABEL_SIZE);
    bWinWide(pcSuffix, wcDefExt, 64);
    bool bSave = strcmp(pstRequest->pcButtonLabel, VAL_SAVE_BUTTON) == 0;
    OPENFILENAMEW stOfn = {};
    stOfn.lStructSize = sizeof(stOfn);
    stOfn.hwndOwner = hUiBeginModal();
    stOfn.lpstrFilter = s_wcFilter[0] ? s_wcFilter : nullptr;
    stOfn.lpstrFile = s_wcChosen;
    stOfn.nMaxFile = UI_CHOSEN_UNITS;
    stOfn.lpstrInitialDir = wcDir[0] ? wcDir : nullptr;
    stOfn.lpstrTitle = wcTitle[0] ? wcTitle : nullptr;
    stOfn.lpstrDefExt = wcDefExt[0] ? wcDefExt : nullptr;
    stOfn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                  (bSave ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    bool bOk = bSave ? GetSaveFileNameW(&stOfn) != 0 : GetOpenFileNameW(&stOfn) != 0;
    vUiEndModal(stOfn.hwndOwner);
    return s32Chosen(&stOfn, bOk, pcPath, size);
}

namespace {

// A scanner's keys that reach an open question: characters typed without
// Alt or Ctrl and the Enter that ends them. The dialog manager would press
// the button whose letter is typed, even without Alt; here they are no
// answer, and go on to the main panel's keyboard home once the question is
// closed, as if typed there then. A lone Enter or Space still answers.
const int32_t UI_SCAN_KEPT_MAX = 256;
wchar_t gwc_ScanKept[UI_SCAN_KEPT_MAX];
int32_t gs32_ScanKeptCount = 0;
bool gb_ScanTyping = false;    // characters came since the last Enter
bool gb_ScanSpaceDown = false; // a Space taken as a character, until its key-up

bool bKeepScanKey(const MSG *pMsg)
{
    bool bTyping = gb_ScanTyping;
    wchar_t wc = 0;
    if (pMsg->message == WM_CHAR && pMsg->wParam >= 0x20 && pMsg->wParam != 0x7F &&
        (pMsg->wParam != L' ' || bTyping))
        wc = (wchar_t)pMsg->wParam;
    else if (pMsg->message == WM_KEYDOWN && bTyping && GetKeyState(VK_CONTROL) >= 0 &&
             (pMsg->wParam == VK_SPACE || pMsg->wParam == VK_RETURN))
        wc = pMsg->wParam == VK_SPACE ? L' ' : L'\r';
    else if (pMsg->message == WM_KEYUP && pMsg->wParam == VK_SPACE && gb_ScanSpaceDown) {
        gb_ScanSpaceDown = false;
        return true;
    }
    if (wc == 0)
        return false;
    // A Space's key-down is kept whole: no character follows it.
    gb_ScanSpaceDown = gb_ScanSpaceDown || (pMsg->message == WM_KEYDOWN && wc == L' ');
    gb_ScanTyping = wc != L'\r';
    if (gs32_ScanKeptCount < UI_SCAN_KEPT_MAX)
        gwc_ScanKept[gs32_ScanKeptCount++] = wc;
    return true;
}

// A Yes/No message box has no Cancel, so Escape would do nothing: it is No.
bool bEscapeIsNo(const MSG *pMsg)
{
    if (pMsg->message != WM_KEYDOWN || pMsg->wParam != VK_ESCAPE)
        return false;
    PostMessageW(GetAncestor(pMsg->hwnd, GA_ROOT), WM_COMMAND, IDNO, 0);
    return true;
}

LRESULT CALLBACK lrScanFilter(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *pMsg = reinterpret_cast<const MSG *>(lParam);
    if (code == MSGF_DIALOGBOX && (bKeepScanKey(pMsg) || bEscapeIsNo(pMsg)))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void vHandScanToHome(void)
{
    stUiPanel *pstMain = pUiFirstPanel();
    stUiCtrl *pstHome = pstMain ? pUiKeyboardHome(pstMain) : nullptr;
    HWND hHome = pstHome ? pW32Ctrl(pstMain, s32UiCtrlIndex(pstMain, pstHome))->hWnd : nullptr;
    int32_t s32Count = gs32_ScanKeptCount;
    gs32_ScanKeptCount = 0;
    if (!hHome || !IsWindowEnabled(hHome) || !IsWindowVisible(hHome))
        return;
    SetFocus(hHome);
    for (int32_t i = 0; i < s32Count; i++)
        if (gwc_ScanKept[i] == L'\r')
            PostMessageW(hHome, WM_KEYDOWN, VK_RETURN, 1);
        else
            PostMessageW(hHome, WM_CHAR, gwc_ScanKept[i], 1);
}

// A question keeps a scanner's keys for the main panel (lrScanFilter).
int s32MessageBox(const char *pcTitle, const char *pcMessage, UINT u32Type, bool bQuestion)
{
    wchar_t *pwcTitle = pwcUiWideAlloc(pcTitle, 0);
    wchar_t *pwcMessage = pwcUiWideAlloc(pcMessage, 0);
    HWND hOwner = hUiBeginModal();
    gs32_ScanKeptCount = 0;
    gb_ScanTyping = gb_ScanSpaceDown = false;
    HHOOK hFilter = bQuestion ? SetWindowsHookExW(WH_MSGFILTER, lrScanFilter, nullptr, GetCurrentThreadId()) : nullptr;
    int s32Answer = MessageBoxW(hOwner, pwcMessage ? pwcMessage : L"", pwcTitle ? pwcTitle : L"", u32Type);
    if (hFilter)
        UnhookWindowsHookEx(hFilter);
    vUiEndModal(hOwner);
    if (bQuestion)
        vHandScanToHome();
    free(pwcTitle);
    free(pwcMessage);
    return s32Answer;
}

} // namespace

void vUiBackMessage(const char *pcTitle, const char *pcMessage)
{
    s32MessageBox(pcTitle, pcMessage, MB_OK | MB_ICONINFORMATION, false);
}

// No is the default button, so an Enter that arrives by chance (a
// scanner's) never says Yes.
int32_t bUiBackConfirm(const char *pcTitle, const char *pcMessage)
{
    return s32MessageBox(pcTitle, pcMessage, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, true) == IDYES;
}

void vUiBackTextWindow(const char *pcTitle, const char *pcText)
{
    if (!bReportClassReady())
        return;
    wchar_t *pwcText = pwcUiWideAlloc(pcText, 1);
    if (!pwcText)
        return;
    HWND hOwner = hUiBeginModal();
    if (hOwner)
        EnableWindow(hOwner, FALSE);
    bool bOpen = bOpenReport(hOwner, pcTitle, pwcText);
    free(pwcText);
    if (bOpen) {
        vUiSetReportWindow(gst_Report.hWnd);
        MSG msg;
        while (!gst_Report.bClosed && GetMessageW(&msg, nullptr, 0, 0) > 0)
            vUiHandleMessage(&msg);
    }
    // The owner comes back before the report goes, so that it is activated.
    vUiEndModal(hOwner);
    if (bOpen) {
        vUiSetReportWindow(nullptr);
        DestroyWindow(gst_Report.hWnd);
    }
    gst_Report = {};
}
