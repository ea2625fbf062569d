// Shared state of the Win32 panel run-time. Only the run-time's own source
// files include this header. Texts are UTF-8 inside and UTF-16 at every
// Win32 call; panels and their windows live in fixed tables.
#ifndef UI_W32_INTERNAL_H
#define UI_W32_INTERNAL_H

#include "../uir_reader.h"
#include "../ui_text16.h"
#include "../userint.h"
#include "platform/filesys/utf16.h"

#include <windows.h>
#include <commctrl.h>

#define UI_PANEL_MAX 8
#define UI_CTRL_MAX 96        // windows of one panel: controls, labels, group boxes, lines
#define UI_DIR_SIZE 4096      // UTF-8 bytes of a folder or file path
#define UI_WIDE_PATH 4096     // UTF-16 units of a path
#define UI_FAMILY_SIZE 48

// Window IDs: controls, the arrows of numeric controls and menu items lie
// apart, above the IDOK/IDCANCEL the dialog manager sends.
#define UI_CTRL_ID_BASE 1000
#define UI_UPDOWN_ID_BASE 3000
#define UI_MENU_ID_BASE 20000
#define UI_TIMER_ID_BASE 100
#define UI_FLUSH_TIMER_ID 50 // a panel's text box takes in what was appended
#define UI_FRAME_MS 16

#define UI_PANEL_CLASS L"TavolinPanel"
#define UI_REPORT_CLASS L"TavolinReport"

enum {
    UI_BUTTON,
    UI_CHECKBOX,
    UI_NUMERIC,
    UI_INDICATOR, // progress bar
    UI_RING,
    UI_LIST,
    UI_TEXT,
    UI_LABEL,
    UI_TEXTBOX,
    UI_TIMER,
    UI_PART,  // group box: holds other windows of the panel
    UI_DECOR, // a line
};

// A list or ring item: its value and its label's bytes as given.
struct stUiItem {
    int32_t s32Value;
    char cLabel[1]; // allocated to the label's length
};

struct stUiCtrl {
    int32_t s32Id; // ctrlId; 0 for labels, group boxes and lines without one
    int32_t s32Kind;
    HWND hWnd;
    HWND hUpDown;   // numeric: the arrows beside its field
    int32_t s32Part; // index of the group box it lies in, or -1
    int32_t bVisible; // its own visible attribute
    int32_t bOffPanel; // group box wholly outside a smaller panel
    RECT rcPlace;     // in the panel's client area
    CtrlCallbackPtr pfnCallback;
    char cFamily[UI_FAMILY_SIZE];
    int32_t s32PointSize;
    int32_t bBold;
    HFONT hFont;
    int32_t bHasTextColor;
    int32_t bHasBackColor;
    COLORREF crText;
    COLORREF crBack;
    HBRUSH hBackBrush;
    int32_t s32Min; // numeric and progress bar
    int32_t s32Max;
    int32_t s32Value;
    int32_t s32Interval; // timer
    int32_t bTimerEnabled;
    int32_t bPendingLineFeed; // text box: a line feed waits for more text
};

struct stUiPanel {
    int32_t s32Handle; // 0: a free slot
    int32_t s32ResourceId;
    HWND hWnd;
    HMENU hMenu;
    int32_t s32MenuShift; // height of the resource's menu bar: the controls move up by it
    int32_t s32Width;     // the resource's panel less its menu bar
    int32_t s32Height;
    PanelCallbackPtr pfnCallback;
    MenuCallbackPtr pfnMenu;
    int32_t bFloating;
    int32_t bShownOnce;
    HWND hFocus; // the control that takes the keyboard when the panel is activated
    int32_t s32KeyboardHome; // the text control typing goes to (SetPanelKeyboardHome)
    char cFamily[UI_FAMILY_SIZE];
    int32_t s32PointSize;
    HFONT hFont;
    HFONT hGroupFont;
    stUiCtrl stCtrls[UI_CTRL_MAX];
    int32_t s32CtrlCount;
};

// --- Registry (ui_w32_panels.cpp)
stUiPanel *pUiFindPanel(int s32Handle);
stUiCtrl *pUiFindControl(int s32Panel, int s32Control);
stUiPanel *pUiPanelOfWindow(HWND hWnd);
// The control a window of a panel is (its field, arrows or box), or null.
stUiCtrl *pUiControlOfWindow(HWND hWnd, stUiPanel **ppPanel);
stUiPanel *pUiPanelAt(int32_t s32Slot);
// The first panel loaded that is still there (the main panel), or null.
stUiPanel *pUiFirstPanel(void);
void vUiShowAsAttributes(stUiPanel *pPanel, stUiCtrl *pCtrl);
bool bUiInitialised(void);
HINSTANCE hUiInstance(void);

// --- Panels from the resource (ui_w32_build.cpp)
// Reads the resource (once) and makes the panel's windows; pPanel holds
// its handle. UIE_NO_ERROR or why not.
int s32UiBuildPanel(stUiPanel *pPanel, const char *pcFileName, int32_t s32ResourceId);
void vUiFreePanelWindows(stUiPanel *pPanel);
void vUiFitWindowToPanel(stUiPanel *pPanel);
void vUiFitPartsToPanel(stUiPanel *pPanel);

// --- Texts (ui_w32_text.cpp)
// A path for the W calls and back (platform/filesys/utf16.h): false, and
// "", when it is not valid or does not fit; a path never names another file.
bool bUiWidePath(const char *pcPath, wchar_t *pwcOut, size_t count);
bool bUiNarrowPath(const wchar_t *pwcPath, char *pcOut, size_t size);
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
size_t u32UiWindowText(HWND hWnd, char *pcOut, size_t size);
void vUiSetWindowText(HWND hWnd, const char *pcText);
// A font of that family (a family missing here falls back to one Windows
// has), size and weight; kept for the life of the process.
HFONT hUiFont(const char *pcFamily, int32_t s32PointSize, int32_t bBold);
// "txt" of "*.txt"; "" when the pattern names no single extension.
void vUiSingleSuffix(const char *pcPattern, char *pcSuffix, size_t size);

// --- Events (ui_w32_events.cpp)
LRESULT CALLBACK lrUiPanelProc(HWND hWnd, UINT u32Msg, WPARAM wParam, LPARAM lParam);
// Translates and dispatches one message as the event loop does: keys to
// the callbacks, mnemonics and Tab through the dialog manager.
void vUiHandleMessage(MSG *pMsg);
int s32UiDispatchCtrl(stUiPanel *pPanel, stUiCtrl *pCtrl, int s32Event, int s32Data1, int s32Data2);
int s32UiDispatchPanel(stUiPanel *pPanel, int s32Event);
void vUiStartTimer(stUiPanel *pPanel, int32_t s32Index);
// Programmatic changes notify nothing while held.
void vUiHoldNotifications(int32_t bHold);
// The window a modal dialog of the program is owned by, with every panel
// disabled meanwhile; vUiEndModal enables them again.
HWND hUiBeginModal(void);
void vUiEndModal(HWND hOwner);
// A window of the program's own (the report) that the event loop treats
// like a panel: Tab, Escape.
void vUiSetReportWindow(HWND hWnd);

// --- Text box (ui_w32_textbox.cpp)
int s32UiTextBoxAppend(stUiCtrl *pCtrl, const char *pcText);
// Puts what was appended into the control and shows its end.
void vUiTextBoxesFlush(void);
// Drops what was appended to a text box that goes.
void vUiTextBoxForget(stUiCtrl *pCtrl);

// --- Lists (ui_w32_controls.cpp)
void vUiFreeItems(stUiCtrl *pCtrl);
int32_t s32UiAddItem(stUiCtrl *pCtrl, int32_t s32Index, const char *pcLabel, int32_t s32Value);

// --- Files (ui_w32_files.cpp)
void vUiDecideProgramDirAtStart(void);
void vUiResourceDir(char *pcDir, size_t size);

#endif
