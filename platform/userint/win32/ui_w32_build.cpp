// Panels built from the resource file: Pavimo.uir read once through the
// reader, a top-level window per panel and a child window per widget, the
// menu bar a Win32 menu.
#include "ui_w32_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

#define UI_TABSTOP_MAX 128
#define UI_RESOURCE_MAX (4 * 1024 * 1024)

const stUiCallbackEntry *gpst_Callbacks = nullptr;
size_t gsz_CallbackCount = 0;

// The resource file, read once; its <tabstops> list is the Tab order.
stUirFile gst_Uir;
char gc_UirPath[UI_DIR_SIZE] = "";
char gc_TabStops[UI_TABSTOP_MAX][UIR_NAME_SIZE];
int32_t gs32_TabStopCount = 0;

const stUiCallbackEntry *pFindCallback(const char *pcName)
{
    if (!pcName || !*pcName)
        return nullptr;
    for (size_t i = 0; i < gsz_CallbackCount; i++) {
        if (gpst_Callbacks[i].pcName && strcmp(gpst_Callbacks[i].pcName, pcName) == 0)
            return &gpst_Callbacks[i];
    }
    return nullptr;
}

void vReadTabStops(const char *pcText)
{
    gs32_TabStopCount = 0;
    const char *pc = pcText;
    while ((pc = strstr(pc, "<tabstop>")) != nullptr && gs32_TabStopCount < UI_TABSTOP_MAX) {
        pc += strlen("<tabstop>");
        const char *pcEnd = strstr(pc, "</tabstop>");
        if (!pcEnd)
            break;
        int s32Len = (int)(pcEnd - pc);
        if (s32Len > 0 && s32Len < UIR_NAME_SIZE)
            snprintf(gc_TabStops[gs32_TabStopCount++], UIR_NAME_SIZE, "%.*s", s32Len, pc);
        pc = pcEnd;
    }
}

bool bIsAbsolute(const char *pcPath)
{
    return pcPath[0] == '\\' || pcPath[0] == '/' || (pcPath[0] && pcPath[1] == ':');
}

char *pcReadWhole(const char *pcPath, size_t *pLength)
{
    wchar_t wcPath[UI_WIDE_PATH];
    if (!bUiWidePath(pcPath, wcPath, UI_WIDE_PATH))
        return nullptr;
    HANDLE hFile = CreateFileW(wcPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD u32Size = GetFileSize(hFile, nullptr);
    char *pcText = nullptr;
    DWORD u32Read = 0;
    if (u32Size != INVALID_FILE_SIZE && u32Size < UI_RESOURCE_MAX)
        pcText = static_cast<char *>(malloc(u32Size + 1));
    if (pcText && (!ReadFile(hFile, pcText, u32Size, &u32Read, nullptr) || u32Read != u32Size)) {
        free(pcText);
        pcText = nullptr;
    }
    CloseHandle(hFile);
    if (pcText) {
        pcText[u32Size] = '\0';
        *pLength = u32Size;
    }
    return pcText;
}

// The resource, read and parsed when another file is asked for than last time.
bool bLoadResource(const char *pcFileName)
{
    char cPath[UI_DIR_SIZE];
    if (bIsAbsolute(pcFileName)) {
        snprintf(cPath, sizeof(cPath), "%s", pcFileName);
    } else {
        char cDir[UI_DIR_SIZE];
        vUiResourceDir(cDir, sizeof(cDir));
        snprintf(cPath, sizeof(cPath), "%s\\%s", cDir, pcFileName);
    }
    if (gc_UirPath[0] && strcmp(gc_UirPath, cPath) == 0)
        return true;
    gc_UirPath[0] = '\0';
    size_t length = 0;
    char *pcText = pcReadWhole(cPath, &length);
    if (!pcText)
        return false;
    char cWhy[256];
    bool bOk = bUirParse(pcText, length, &gst_Uir, cWhy, sizeof(cWhy));
    if (bOk)
        vReadTabStops(pcText);
    else
        OutputDebugStringA(cWhy);
    free(pcText);
    if (bOk)
        snprintf(gc_UirPath, sizeof(gc_UirPath), "%s", cPath);
    return bOk;
}

int32_t s32FindPanelNode(int32_t s32ResourceId)
{
    for (int32_t i = 0; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pNode = &gst_Uir.stNodes[i];
        if (pNode->s32Kind == UIR_NODE_WIDGET && pcUirProp(pNode, "panelId") &&
            s32UirPropNumber(pNode, "panelId") == s32ResourceId)
            return i;
    }
    return -1;
}

int32_t s32FindNamed(int32_t s32Kind, const char *pcName)
{
    for (int32_t i = 0; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pNode = &gst_Uir.stNodes[i];
        if (pNode->s32Kind == s32Kind && strcmp(pNode->cName, pcName) == 0)
            return i;
    }
    return -1;
}

bool bIsClass(const stUirNode *pNode, const char *pcClass) { return strcmp(pNode->cClass, pcClass) == 0; }

void vAppendMenuText(HMENU hMenu, UINT u32Flags, UINT_PTR id, const char *pcText)
{
    wchar_t wcText[256];
    vUiWideShown(pcText, wcText, 256);
    AppendMenuW(hMenu, u32Flags, id, wcText);
}

// A menu bar or menu of the resource: its <addaction> entries in order.
HMENU hBuildMenu(int32_t s32MenuNode, bool bBar)
{
    HMENU hMenu = bBar ? CreateMenu() : CreatePopupMenu();
    for (int32_t i = s32MenuNode + 1; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pEntry = &gst_Uir.stNodes[i];
        if (pEntry->s32Kind != UIR_NODE_ADDACTION || pEntry->s32Parent != s32MenuNode)
            continue;
        if (strcmp(pEntry->cName, "separator") == 0) {
            AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        int32_t s32Sub = s32FindNamed(UIR_NODE_WIDGET, pEntry->cName);
        if (s32Sub >= 0 && bIsClass(&gst_Uir.stNodes[s32Sub], "QMenu")) {
            const char *pcTitle = pcUirProp(&gst_Uir.stNodes[s32Sub], "title");
            vAppendMenuText(hMenu, MF_POPUP | MF_STRING, (UINT_PTR)hBuildMenu(s32Sub, false),
                            pcTitle ? pcTitle : "");
            continue;
        }
        int32_t s32Action = s32FindNamed(UIR_NODE_ACTION, pEntry->cName);
        if (s32Action < 0)
            continue;
        const stUirNode *pAction = &gst_Uir.stNodes[s32Action];
        const char *pcText = pcUirProp(pAction, "text");
        // An item without an itemId reaches no callback, as under Qt.
        UINT_PTR id = pcUirProp(pAction, "itemId") ? UI_MENU_ID_BASE + s32UirPropNumber(pAction, "itemId") : 0;
        vAppendMenuText(hMenu, MF_STRING, id, pcText ? pcText : "");
    }
    return hMenu;
}

// "family|pointsize|bold", each part possibly empty.
void vReadFont(const stUirNode *pNode, char *pcFamily, size_t size, int32_t *ps32Size, int32_t *pbBold)
{
    const char *pcFont = pcUirProp(pNode, "font");
    if (!pcFont)
        return;
    const char *pcBar = strchr(pcFont, '|');
    int s32Len = pcBar ? (int)(pcBar - pcFont) : (int)strlen(pcFont);
    if (s32Len > 0)
        snprintf(pcFamily, size, "%.*s", s32Len, pcFont);
    if (!pcBar)
        return;
    int32_t s32Size = atoi(pcBar + 1);
    if (s32Size > 0)
        *ps32Size = s32Size;
    const char *pcBold = strchr(pcBar + 1, '|');
    if (pcBold && pcBold[1])
        *pbBold = pcBold[1] == '1';
}

struct stUiClass {
    const wchar_t *pwcClass;
    DWORD u32Style;
    DWORD u32ExStyle;
    int32_t s32Kind;
};

DWORD u32LabelStyle(const stUirNode *pNode)
{
    const char *pcAlign = pcUirProp(pNode, "alignment");
    bool bWrap = bUirPropTrue(pNode, "wordWrap");
    DWORD u32Style = SS_NOPREFIX;
    if (pcAlign && (strstr(pcAlign, "AlignHCenter") || strstr(pcAlign, "AlignCenter")))
        u32Style |= SS_CENTER;
    else if (pcAlign && strstr(pcAlign, "AlignRight"))
        u32Style |= SS_RIGHT;
    else
        u32Style |= bWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
    // Qt centres a label's text vertically unless told AlignTop; a static
    // control can only for one line.
    bool bTop = pcAlign && strstr(pcAlign, "AlignTop");
    if (!bTop && (!bWrap || (pcAlign && strstr(pcAlign, "AlignCenter"))))
        u32Style |= SS_CENTERIMAGE;
    return u32Style;
}

bool bClassOf(const stUirNode *pNode, stUiClass *pClass)
{
    const char *pcKind = pcUirProp(pNode, "ctrlKind");
    *pClass = {nullptr, 0, 0, UI_DECOR};
    if (pcKind && strcmp(pcKind, "timer") == 0) {
        pClass->s32Kind = UI_TIMER;
    } else if (bIsClass(pNode, "QPushButton")) {
        *pClass = {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, UI_BUTTON};
    } else if (bIsClass(pNode, "QCheckBox")) {
        *pClass = {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, UI_CHECKBOX};
    } else if (bIsClass(pNode, "QSpinBox")) {
        *pClass = {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, UI_NUMERIC};
    } else if (bIsClass(pNode, "QProgressBar")) {
        *pClass = {PROGRESS_CLASSW, PBS_SMOOTH, 0, UI_INDICATOR};
    } else if (bIsClass(pNode, "QComboBox")) {
        *pClass = {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, UI_RING};
    } else if (bIsClass(pNode, "QListWidget")) {
        *pClass = {WC_LISTBOXW, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                   WS_EX_CLIENTEDGE, UI_LIST};
    } else if (bIsClass(pNode, "QLineEdit")) {
        const char *pcAlign = pcUirProp(pNode, "alignment");
        DWORD u32Align = pcAlign && strstr(pcAlign, "AlignRight") ? ES_RIGHT
                         : pcAlign && strstr(pcAlign, "Center")   ? ES_CENTER
                                                                  : ES_LEFT;
        DWORD u32ReadOnly = bUirPropTrue(pNode, "readOnly") ? ES_READONLY : 0;
        *pClass = {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | u32Align | u32ReadOnly, WS_EX_CLIENTEDGE,
                   UI_TEXT};
    } else if (bIsClass(pNode, "QLabel")) {
        const char *pcFrame = pcUirProp(pNode, "frameShape");
        DWORD u32Ex = pcFrame && !strstr(pcFrame, "NoFrame") ? WS_EX_STATICEDGE : 0;
        *pClass = {L"STATIC", u32LabelStyle(pNode), u32Ex, UI_LABEL};
    } else if (bIsClass(pNode, "QPlainTextEdit")) {
        // No word wrap: a horizontal scroll bar, as the resource's NoWrap.
        DWORD u32ReadOnly = bUirPropTrue(pNode, "readOnly") ? ES_READONLY : 0;
        *pClass = {L"EDIT",
                   ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL |
                       WS_TABSTOP | ES_NOHIDESEL | u32ReadOnly,
                   WS_EX_CLIENTEDGE, UI_TEXTBOX};
    } else if (bIsClass(pNode, "QGroupBox")) {
        *pClass = {L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0, UI_PART};
    } else if (bIsClass(pNode, "Line")) {
        const char *pcOrient = pcUirProp(pNode, "orientation");
        DWORD u32Style = pcOrient && strstr(pcOrient, "Vertical") ? SS_ETCHEDVERT : SS_ETCHEDHORZ;
        *pClass = {L"STATIC", u32Style, 0, UI_DECOR};
    } else {
        return false;
    }
    return true;
}

const char *pcShownText(const stUirNode *pNode)
{
    const char *pcText = pcUirProp(pNode, bIsClass(pNode, "QGroupBox") ? "title" : "text");
    return pcText ? pcText : "";
}

void vApplyFont(stUiPanel *pPanel, stUiCtrl *pCtrl)
{
    if (!pCtrl->hWnd)
        return;
    pCtrl->hFont = hUiFont(pCtrl->cFamily, pCtrl->s32PointSize, pCtrl->bBold);
    SendMessageW(pCtrl->hWnd, WM_SETFONT, (WPARAM)pCtrl->hFont, FALSE);
}

void vMakeNumeric(stUiPanel *pPanel, stUiCtrl *pCtrl, const stUirNode *pNode, int32_t s32Index)
{
    pCtrl->s32Min = pcUirProp(pNode, "minimum") ? s32UirPropNumber(pNode, "minimum") : 0;
    pCtrl->s32Max = pcUirProp(pNode, "maximum") ? s32UirPropNumber(pNode, "maximum") : 99;
    int32_t s32Value = s32UirPropNumber(pNode, "value");
    pCtrl->hUpDown = CreateWindowExW(
        0, UPDOWN_CLASSW, L"",
        WS_CHILD | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
        pPanel->hWnd, (HMENU)(INT_PTR)(UI_UPDOWN_ID_BASE + s32Index), hUiInstance(), nullptr);
    vUiHoldNotifications(1);
    SendMessageW(pCtrl->hUpDown, UDM_SETBUDDY, (WPARAM)pCtrl->hWnd, 0);
    SendMessageW(pCtrl->hUpDown, UDM_SETRANGE32, pCtrl->s32Min, pCtrl->s32Max);
    pCtrl->s32Value = s32Value < pCtrl->s32Min ? pCtrl->s32Min
                      : s32Value > pCtrl->s32Max ? pCtrl->s32Max
                                                 : s32Value;
    SendMessageW(pCtrl->hUpDown, UDM_SETPOS32, 0, pCtrl->s32Value);
    vUiHoldNotifications(0);
}

void vFillItems(stUiCtrl *pCtrl, int32_t s32Node)
{
    const stUirNode *pNode = &gst_Uir.stNodes[s32Node];
    const char *pcValues = pcUirProp(pNode, "itemValues");
    int32_t s32Count = 0;
    for (int32_t i = s32Node + 1; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pItem = &gst_Uir.stNodes[i];
        if (pItem->s32Kind != UIR_NODE_ITEM || pItem->s32Parent != s32Node)
            continue;
        // The item's value: its place in itemValues, else its index.
        int32_t s32Value = s32Count;
        if (pcValues) {
            const char *pc = pcValues;
            for (int32_t k = 0; k < s32Count && pc; k++) {
                pc = strchr(pc, ',');
                pc = pc ? pc + 1 : nullptr;
            }
            if (pc && *pc)
                s32Value = atoi(pc);
        }
        const char *pcText = pcUirProp(pItem, "text");
        s32UiAddItem(pCtrl, -1, pcText ? pcText : "", s32Value);
        s32Count++;
    }
    if (s32Count > 0) {
        int32_t s32Current = s32UirPropNumber(pNode, "currentIndex");
        if (s32Current < 0 || s32Current >= s32Count)
            s32Current = 0;
        SendMessageW(pCtrl->hWnd, pCtrl->s32Kind == UI_RING ? CB_SETCURSEL : LB_SETCURSEL, s32Current, 0);
    }
}

// The window's state from the resource: values, limits, the timer.
void vInitControl(stUiPanel *pPanel, stUiCtrl *pCtrl, int32_t s32Node, int32_t s32Index)
{
    const stUirNode *pNode = &gst_Uir.stNodes[s32Node];
    switch (pCtrl->s32Kind) {
    case UI_CHECKBOX:
        SendMessageW(pCtrl->hWnd, BM_SETCHECK, bUirPropTrue(pNode, "checked") ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case UI_NUMERIC:
        vMakeNumeric(pPanel, pCtrl, pNode, s32Index);
        break;
    case UI_INDICATOR:
        pCtrl->s32Min = pcUirProp(pNode, "minimum") ? s32UirPropNumber(pNode, "minimum") : 0;
        pCtrl->s32Max = pcUirProp(pNode, "maximum") ? s32UirPropNumber(pNode, "maximum") : 100;
        SendMessageW(pCtrl->hWnd, PBM_SETRANGE32, pCtrl->s32Min, pCtrl->s32Max);
        SendMessageW(pCtrl->hWnd, PBM_SETPOS, s32UirPropNumber(pNode, "value"), 0);
        break;
    case UI_RING:
        // The window's height is its drop-down list's; the field keeps the resource's.
        SendMessageW(pCtrl->hWnd, CB_SETITEMHEIGHT, (WPARAM)-1,
                     pCtrl->rcPlace.bottom - pCtrl->rcPlace.top - 6);
        vFillItems(pCtrl, s32Node);
        break;
    case UI_LIST:
        vFillItems(pCtrl, s32Node);
        break;
    case UI_TEXT:
        if (pcUirProp(pNode, "maxLength"))
            SendMessageW(pCtrl->hWnd, EM_SETLIMITTEXT, s32UirPropNumber(pNode, "maxLength"), 0);
        break;
    case UI_TEXTBOX:
        SendMessageW(pCtrl->hWnd, EM_SETLIMITTEXT, 0, 0);
        break;
    case UI_TIMER: {
        int32_t s32Interval = s32UirPropNumber(pNode, "interval");
        pCtrl->s32Interval = s32Interval > 0 ? s32Interval : 100;
        pCtrl->bTimerEnabled = pcUirProp(pNode, "timerEnabled") ? bUirPropTrue(pNode, "timerEnabled") : 1;
        vUiStartTimer(pPanel, s32Index);
        break;
    }
    default:
        break;
    }
}

// A one-line EDIT draws its text at the top: it gets the height its font
// needs, centred on the resource's place, as Qt centres a field's text.
void vCentreField(stUiCtrl *pCtrl)
{
    HDC hDc = GetDC(nullptr);
    HGDIOBJ hOld = SelectObject(hDc, hUiFont(pCtrl->cFamily, pCtrl->s32PointSize, pCtrl->bBold));
    TEXTMETRICW stMetrics;
    GetTextMetricsW(hDc, &stMetrics);
    SelectObject(hDc, hOld);
    ReleaseDC(nullptr, hDc);
    int32_t s32Wanted = stMetrics.tmHeight + 8;
    int32_t s32Height = pCtrl->rcPlace.bottom - pCtrl->rcPlace.top;
    if (s32Wanted >= s32Height)
        return;
    pCtrl->rcPlace.top += (s32Height - s32Wanted) / 2;
    pCtrl->rcPlace.bottom = pCtrl->rcPlace.top + s32Wanted;
}

void vCreateWindow(stUiPanel *pPanel, stUiCtrl *pCtrl, const stUiClass *pClass,
                   const stUirNode *pNode, int32_t s32Index)
{
    RECT rc = pCtrl->rcPlace;
    int32_t s32Height = rc.bottom - rc.top;
    if (pClass->s32Kind == UI_RING)
        s32Height += 200; // the drop-down list
    wchar_t *pwcText = pwcUiWideAlloc(pcShownText(pNode), 0);
    pCtrl->hWnd = CreateWindowExW(pClass->u32ExStyle, pClass->pwcClass, pwcText ? pwcText : L"",
                                  WS_CHILD | pClass->u32Style, rc.left, rc.top, rc.right - rc.left,
                                  s32Height, pPanel->hWnd, (HMENU)(INT_PTR)(UI_CTRL_ID_BASE + s32Index),
                                  hUiInstance(), nullptr);
    free(pwcText);
    // Creation order is the stacking order (and the Tab order until the resource's list).
    SetWindowPos(pCtrl->hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// One widget of the panel: its window, font, place and state.
void vAddWidget(stUiPanel *pPanel, int32_t s32Node, int32_t s32Part, int32_t *ps32CtrlOfNode,
                int32_t bBoldGroups)
{
    const stUirNode *pNode = &gst_Uir.stNodes[s32Node];
    stUiClass stClass;
    if (!bClassOf(pNode, &stClass) || pPanel->s32CtrlCount >= UI_CTRL_MAX)
        return;
    int32_t s32Index = pPanel->s32CtrlCount++;
    stUiCtrl *pCtrl = &pPanel->stCtrls[s32Index];
    memset(pCtrl, 0, sizeof(*pCtrl));
    ps32CtrlOfNode[s32Node] = s32Index;
    pCtrl->s32Kind = stClass.s32Kind;
    pCtrl->s32Part = s32Part;
    pCtrl->s32Id = pcUirProp(pNode, "ctrlId") ? s32UirPropNumber(pNode, "ctrlId") : 0;
    const stUiCallbackEntry *pEntry = pCtrl->s32Id > 0 ? pFindCallback(pcUirProp(pNode, "callback")) : nullptr;
    pCtrl->pfnCallback = pEntry ? pEntry->pfnCtrl : nullptr;
    pCtrl->bVisible = pcUirProp(pNode, "visible") ? bUirPropTrue(pNode, "visible") : 1;
    int32_t s32X = 0, s32Y = 0, s32W = 0, s32H = 0;
    bUirPropRect(pNode, &s32X, &s32Y, &s32W, &s32H);
    POINT ptOrigin = {0, -pPanel->s32MenuShift};
    if (s32Part >= 0)
        ptOrigin = {pPanel->stCtrls[s32Part].rcPlace.left, pPanel->stCtrls[s32Part].rcPlace.top};
    SetRect(&pCtrl->rcPlace, ptOrigin.x + s32X, ptOrigin.y + s32Y, ptOrigin.x + s32X + s32W,
            ptOrigin.y + s32Y + s32H);
    snprintf(pCtrl->cFamily, sizeof(pCtrl->cFamily), "%s", pPanel->cFamily);
    pCtrl->s32PointSize = pPanel->s32PointSize;
    pCtrl->bBold = stClass.s32Kind == UI_PART && bBoldGroups;
    vReadFont(pNode, pCtrl->cFamily, sizeof(pCtrl->cFamily), &pCtrl->s32PointSize, &pCtrl->bBold);
    if (stClass.s32Kind == UI_TEXT || stClass.s32Kind == UI_NUMERIC)
        vCentreField(pCtrl);
    if (stClass.s32Kind != UI_TIMER) {
        vCreateWindow(pPanel, pCtrl, &stClass, pNode, s32Index);
        vApplyFont(pPanel, pCtrl);
        if (pcUirProp(pNode, "enabled") && !bUirPropTrue(pNode, "enabled"))
            EnableWindow(pCtrl->hWnd, FALSE);
    }
    vInitControl(pPanel, pCtrl, s32Node, s32Index);
}

// The resource's Tab order; group boxes and lines go below every control,
// so that their frames never paint over one.
void vApplyTabOrder(stUiPanel *pPanel, const int32_t *ps32CtrlOfNode)
{
    HWND hPrev = HWND_TOP;
    for (int32_t t = 0; t < gs32_TabStopCount; t++) {
        int32_t s32Node = s32FindNamed(UIR_NODE_WIDGET, gc_TabStops[t]);
        if (s32Node < 0 || ps32CtrlOfNode[s32Node] < 0)
            continue;
        HWND hWnd = pPanel->stCtrls[ps32CtrlOfNode[s32Node]].hWnd;
        if (!hWnd)
            continue;
        SetWindowPos(hWnd, hPrev, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hPrev = hWnd;
    }
    for (int32_t i = 0; i < pPanel->s32CtrlCount; i++) {
        stUiCtrl *pCtrl = &pPanel->stCtrls[i];
        if ((pCtrl->s32Kind == UI_PART || pCtrl->s32Kind == UI_DECOR) && pCtrl->hWnd)
            SetWindowPos(pCtrl->hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

bool bNodeIsUnder(int32_t s32Node, int32_t s32Ancestor)
{
    for (int32_t p = gst_Uir.stNodes[s32Node].s32Parent; p >= 0; p = gst_Uir.stNodes[p].s32Parent) {
        if (p == s32Ancestor)
            return true;
    }
    return false;
}

int32_t s32FindMenuBar(int32_t s32PanelNode)
{
    for (int32_t i = s32PanelNode + 1; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pNode = &gst_Uir.stNodes[i];
        if (pNode->s32Kind == UIR_NODE_WIDGET && pNode->s32Parent == s32PanelNode &&
            bIsClass(pNode, "QMenuBar"))
            return i;
    }
    return -1;
}

void vReadPanelProps(stUiPanel *pPanel, const stUirNode *pNode)
{
    int32_t s32X, s32Y, s32W = 400, s32H = 300;
    bUirPropRect(pNode, &s32X, &s32Y, &s32W, &s32H);
    pPanel->s32Width = s32W;
    pPanel->s32Height = s32H - pPanel->s32MenuShift;
    snprintf(pPanel->cFamily, sizeof(pPanel->cFamily), "DejaVu Sans");
    pPanel->s32PointSize = 9;
    int32_t bBold = 0;
    vReadFont(pNode, pPanel->cFamily, sizeof(pPanel->cFamily), &pPanel->s32PointSize, &bBold);
    const stUiCallbackEntry *pEntry = pFindCallback(pcUirProp(pNode, "callback"));
    pPanel->pfnCallback = pEntry ? pEntry->pfnPanel : nullptr;
    pPanel->bFloating = bUirPropTrue(pNode, "floating");
}

bool bCreatePanelWindow(stUiPanel *pPanel, const stUirNode *pNode)
{
    DWORD u32Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    DWORD u32Ex = 0;
    HWND hOwner = nullptr;
    stUiPanel *pFirst = pUiFirstPanel();
    if (pPanel->bFloating) {
        // Owned by the main panel: kept above it, and it never takes the keyboard.
        u32Ex |= WS_EX_NOACTIVATE;
        hOwner = pFirst ? pFirst->hWnd : nullptr;
    } else {
        u32Style |= WS_MINIMIZEBOX;
    }
    const char *pcTitle = pcUirProp(pNode, "windowTitle");
    wchar_t wcTitle[256];
    vUiWideShown(pcTitle, wcTitle, 256);
    pPanel->hWnd = CreateWindowExW(u32Ex, UI_PANEL_CLASS, wcTitle, u32Style, CW_USEDEFAULT,
                                   CW_USEDEFAULT, pPanel->s32Width, pPanel->s32Height, hOwner,
                                   pPanel->hMenu, hUiInstance(), nullptr);
    if (!pPanel->hWnd)
        return false;
    SetWindowLongPtrW(pPanel->hWnd, GWLP_USERDATA, pPanel->s32Handle);
    vUiFitWindowToPanel(pPanel);
    return true;
}

void vBuildControls(stUiPanel *pPanel, int32_t s32PanelNode, bool bBoldGroups)
{
    static int32_t s32CtrlOfNode[UIR_NODE_MAX];
    for (int32_t i = 0; i < UIR_NODE_MAX; i++)
        s32CtrlOfNode[i] = -1;
    for (int32_t i = s32PanelNode + 1; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pNode = &gst_Uir.stNodes[i];
        if (pNode->s32Kind != UIR_NODE_WIDGET || !bNodeIsUnder(i, s32PanelNode))
            continue;
        // Group boxes hold windows; anything else a widget holds (a menu's
        // contents) is not one.
        int32_t s32Parent = pNode->s32Parent;
        int32_t s32Part = s32Parent == s32PanelNode ? -1 : s32CtrlOfNode[s32Parent];
        if (s32Parent != s32PanelNode && (s32Part < 0 || pPanel->stCtrls[s32Part].s32Kind != UI_PART))
            continue;
        vAddWidget(pPanel, i, s32Part, s32CtrlOfNode, bBoldGroups);
    }
    vApplyTabOrder(pPanel, s32CtrlOfNode);
}

} // namespace

void vUiSetCallbackTable(const stUiCallbackEntry *pstTable, size_t count)
{
    gpst_Callbacks = pstTable;
    gsz_CallbackCount = pstTable ? count : 0;
}

int s32UiBuildPanel(stUiPanel *pPanel, const char *pcFileName, int32_t s32ResourceId)
{
    if (!bLoadResource(pcFileName))
        return UIE_RESOURCE_NOT_FOUND;
    int32_t s32PanelNode = s32FindPanelNode(s32ResourceId);
    if (s32PanelNode < 0)
        return UIE_PANEL_NOT_FOUND;
    pPanel->s32ResourceId = s32ResourceId;
    const stUirNode *pNode = &gst_Uir.stNodes[s32PanelNode];
    int32_t s32MenuBar = s32FindMenuBar(s32PanelNode);
    if (s32MenuBar >= 0) {
        int32_t s32X, s32Y, s32W, s32H = 0;
        bUirPropRect(&gst_Uir.stNodes[s32MenuBar], &s32X, &s32Y, &s32W, &s32H);
        pPanel->s32MenuShift = s32H;
        pPanel->hMenu = hBuildMenu(s32MenuBar, true);
        const stUiCallbackEntry *pEntry = pFindCallback(pcUirProp(&gst_Uir.stNodes[s32MenuBar], "callback"));
        pPanel->pfnMenu = pEntry ? pEntry->pfnMenu : nullptr;
    }
    vReadPanelProps(pPanel, pNode);
    if (!bCreatePanelWindow(pPanel, pNode)) {
        if (pPanel->hMenu)
            DestroyMenu(pPanel->hMenu);
        return UIE_BAD_PANEL;
    }
    const char *pcSheet = pcUirProp(pNode, "styleSheet");
    bool bBoldGroups = pcSheet && strstr(pcSheet, "QGroupBox") && strstr(pcSheet, "bold");
    vBuildControls(pPanel, s32PanelNode, bBoldGroups);
    vUiFitPartsToPanel(pPanel);
    return UIE_NO_ERROR;
}

// The window's outer size for the panel's size in the resource, which
// counts its menu bar: the real menu bar takes its height from that, so
// the window is as high as the resource says whatever the menu's font.
void vUiFitWindowToPanel(stUiPanel *pPanel)
{
    DWORD u32Style = (DWORD)GetWindowLongPtrW(pPanel->hWnd, GWL_STYLE);
    DWORD u32Ex = (DWORD)GetWindowLongPtrW(pPanel->hWnd, GWL_EXSTYLE);
    RECT rc = {0, 0, pPanel->s32Width, pPanel->s32Height + pPanel->s32MenuShift};
    AdjustWindowRectEx(&rc, u32Style, FALSE, u32Ex);
    SetWindowPos(pPanel->hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void vUiFreePanelWindows(stUiPanel *pPanel)
{
    for (int32_t i = 0; i < pPanel->s32CtrlCount; i++) {
        stUiCtrl *pCtrl = &pPanel->stCtrls[i];
        if (pCtrl->s32Kind == UI_TIMER && pPanel->hWnd)
            KillTimer(pPanel->hWnd, UI_TIMER_ID_BASE + i);
        if (pCtrl->s32Kind == UI_LIST || pCtrl->s32Kind == UI_RING)
            vUiFreeItems(pCtrl);
        if (pCtrl->s32Kind == UI_TEXTBOX)
            vUiTextBoxForget(pCtrl);
        if (pCtrl->hBackBrush)
            DeleteObject(pCtrl->hBackBrush);
    }
    // The windows' last messages (focus, activation) reach no callback.
    if (pPanel->hWnd && IsWindow(pPanel->hWnd)) {
        SetWindowLongPtrW(pPanel->hWnd, GWLP_USERDATA, 0);
        DestroyWindow(pPanel->hWnd);
    }
    memset(pPanel, 0, sizeof(*pPanel));
}

// What a smaller panel cuts off is out of the operator's reach, for the
// keyboard too: a group box lying wholly outside it is hidden with what it
// holds. The controls keep their own visible attribute.
void vUiFitPartsToPanel(stUiPanel *pPanel)
{
    RECT rcArea = {0, 0, pPanel->s32Width, pPanel->s32Height};
    for (int32_t i = 0; i < pPanel->s32CtrlCount; i++) {
        stUiCtrl *pCtrl = &pPanel->stCtrls[i];
        RECT rcCommon;
        if (pCtrl->s32Kind == UI_PART)
            pCtrl->bOffPanel = !IntersectRect(&rcCommon, &rcArea, &pCtrl->rcPlace);
    }
    for (int32_t i = 0; i < pPanel->s32CtrlCount; i++)
        vUiShowAsAttributes(pPanel, &pPanel->stCtrls[i]);
}
