// The Win32 back end of the panel run-time (ui_backend.h): the native
// windows of the front's panels, kept in tables of their own by the panel's
// slot and the control's index. Only the back end's own files include this
// header. Texts are UTF-8 inside and UTF-16 at every Win32 call.
#ifndef UI_W32_INTERNAL_H
#define UI_W32_INTERNAL_H

#include "../ui_backend.h"
#include "platform/filesys/utf16.h"
#include "platform/filesys/wintext_win32.h"

#include <windows.h>
#include <commctrl.h>

#ifndef WM_DPICHANGED // Windows 8.1's, missing from older headers
#define WM_DPICHANGED 0x02E0
#endif

#define UI_WIDE_PATH 4096 // UTF-16 units of a path

// Window IDs: controls, the arrows of numeric controls and menu items lie
// apart, above the IDOK/IDCANCEL the dialog manager sends.
#define UI_CTRL_ID_BASE 1000
#define UI_UPDOWN_ID_BASE 3000
#define UI_MENU_ID_BASE 20000
#define UI_TIMER_ID_BASE 100
#define UI_FRAME_MS 16

#define UI_PANEL_CLASS L"TavolinPanel"
#define UI_REPORT_CLASS L"TavolinReport"

struct stW32Ctrl {
    HWND hWnd;      // null for a timer
    HWND hUpDown;   // numeric: the arrows beside its field
    RECT rcPlace;   // in the panel's client area
    HBRUSH hBackBrush;
    int32_t s32Value; // numeric: the last whole number in range the field held
};

struct stW32Panel {
    HWND hWnd;
    HMENU hMenu;
    int32_t s32Dpi; // of the monitor the panel is on: its layout's scale from 96
    HWND hFocus; // the control that takes the keyboard when the panel is activated
    int32_t bShownOnce;
    stW32Ctrl stCtrls[UI_CTRL_MAX];
};

// --- Windows of the panels (ui_w32_panels.cpp)
stW32Panel *pW32Panel(const stUiPanel *pstPanel);
stW32Ctrl *pW32Ctrl(const stUiPanel *pstPanel, int32_t s32Index);
// The panel a top-level window is, or null.
stUiPanel *pUiPanelOfWindow(HWND hWnd);
// The control a window of a panel is (its field or arrows): its index, or -1.
int32_t s32UiControlOfWindow(HWND hWnd, stUiPanel **ppstPanel);
HINSTANCE hUiInstance(void);
// Shows or hides the control's windows as its attributes say, handing the
// keyboard on from one that goes.
void vUiShowAsAttributes(const stUiPanel *pstPanel, int32_t s32Index);
// The window's outer size for the panel's size.
void vUiFitWindowToPanel(const stUiPanel *pstPanel);
// The font a control is drawn in, at its panel's dpi.
HFONT hUiCtrlFont(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl);
// Puts the control's window at its place for the panel's dpi, in its font.
void vUiPlaceControl(stUiPanel *pstPanel, int32_t s32Index);
// A colour of the front (0xRRGGBB) for GDI.
inline COLORREF crUiRgb(int32_t s32Rgb) { return RGB((s32Rgb >> 16) & 0xFF, (s32Rgb >> 8) & 0xFF, s32Rgb & 0xFF); }

// --- Texts (ui_w32_text.cpp)
// Paths go through bWinWide and bWinUtf8 (platform/filesys/wintext_win32.h),
// which refuse what they cannot convert whole.
// A text shown to the user, into a fixed buffer: cut at a whole character
// to fit; bytes that are not UTF-8 are shown as Big5, else Latin-1, so a
// text never vanishes.
void vUiWideShown(const char *pcText, wchar_t *pwcOut, size_t count);
// A text the user edited, into the caller's buffer: cut at a whole
// character; "" when it holds half a UTF-16 pair.
void vUiNarrowShown(const wchar_t *pwcText, char *pcOut, size_t size);
// A text shown, in a new buffer (free() it); line feeds become CR LF with
// bCrLf. Null when out of memory.
wchar_t *pwcUiWideAlloc(const char *pcText, int32_t bCrLf);
// A window's text as UTF-8, cut to fit; its length in UTF-8 bytes.
size_t szUiWindowText(HWND hWnd, char *pcOut, size_t size);
void vUiSetWindowText(HWND hWnd, const char *pcText);
// A font of that family (a family missing here falls back to one Windows
// has), size and weight, for a monitor of s32Dpi (0: the system's); kept
// for the life of the process.
HFONT hUiFont(const char *pcFamily, int32_t s32PointSize, int32_t bBold, int32_t s32Dpi);
void vUiFontMetrics(HFONT hFont, TEXTMETRICW *pstMetrics);

// --- Monitors' dpi (ui_w32_dpi.cpp)
// The resource's places are for 96 dpi: pixels at s32Dpi.
inline int32_t s32UiScaled(int32_t s32Pixels, int32_t s32Dpi) { return MulDiv(s32Pixels, s32Dpi, 96); }
// The dpi of the monitor the window is on; the system's where Windows
// cannot tell (before Windows 10).
int32_t s32UiWindowDpi(HWND hWnd);
// The outer rectangle for a client area, with the frame of that dpi.
void vUiAdjustWindowRect(RECT *prc, DWORD u32Style, DWORD u32ExStyle, int32_t s32Dpi);
// WM_DPICHANGED: the panel is laid out for the new dpi and takes the
// rectangle Windows suggests.
void vUiDpiChanged(stUiPanel *pstPanel, int32_t s32Dpi, const RECT *prcSuggested);

// --- Events (ui_w32_events.cpp)
// The keys that type no character, by their codes of userint.h.
struct stUiVirtualKey {
    UINT u32Vk;
    int32_t s32Key;
};
const stUiVirtualKey gst_UiVirtualKeys[] = {
    {VK_BACK, VAL_BACKSPACE_VKEY}, {VK_TAB, VAL_TAB_VKEY},   {VK_RETURN, VAL_ENTER_VKEY},
    {VK_ESCAPE, VAL_ESC_VKEY},     {VK_DELETE, VAL_FWD_DELETE_VKEY}, {VK_UP, VAL_UP_ARROW_VKEY},
    {VK_DOWN, VAL_DOWN_ARROW_VKEY}, {VK_LEFT, VAL_LEFT_ARROW_VKEY}, {VK_RIGHT, VAL_RIGHT_ARROW_VKEY},
};
LRESULT CALLBACK lrUiPanelProc(HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam);
// Translates and dispatches one message as the event loop does: keys to
// the callbacks, mnemonics and Tab through the dialog manager.
void vUiHandleMessage(MSG *pMsg);
// A control's event to the front, counted as a callback running.
int s32UiCtrlEvent(stUiPanel *pstPanel, int32_t s32Index, int32_t s32Event, int32_t s32Data1);
// The static control style a label of the resource is made with.
DWORD u32UiLabelStyle(const stUiCtrl *pstCtrl);
// Programmatic changes notify nothing while held.
void vUiHoldNotifications(int32_t bHold);
// The window a modal dialog of the program is owned by, with every panel
// disabled meanwhile; vUiEndModal enables them again.
HWND hUiBeginModal(void);
void vUiEndModal(HWND hOwner);
// A window of the program's own (the report) that the event loop treats
// like a panel: Tab, Escape.
void vUiSetReportWindow(HWND hWnd);

#endif
