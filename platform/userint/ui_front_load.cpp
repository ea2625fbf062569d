// Panels read from the resource file into plain data: the run-time's start,
// LoadPanel and DiscardPanel.
#include "ui_backend.h"
#include "ui_front_internal.h"
#include "userint_test.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

#define UI_TABSTOP_MAX 128
#define UI_RESOURCE_MAX (4 * 1024 * 1024)

const stUiCallbackEntry *gpst_Callbacks = nullptr;
size_t gsz_CallbackCount = 0;
int32_t gs32_NextHandle = 1;
int32_t gb_Initialised = 0;

// The file being read; its <tabstops> list is the Tab order.
stUirFile gst_Uir;
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

bool bReadResource(const char *pcFileName)
{
    char cPath[2 * UI_DIR_SIZE];
    if (bUiSysAbsolute(pcFileName)) {
        snprintf(cPath, sizeof(cPath), "%s", pcFileName);
    } else {
        char cDir[UI_DIR_SIZE];
        vUiResourceDir(cDir, sizeof(cDir));
        snprintf(cPath, sizeof(cPath), "%s" UI_PATH_SEP "%s", cDir, pcFileName);
    }
    long fileSize = 0;
    if (GetFileInfo(cPath, &fileSize) != 1 || fileSize >= UI_RESOURCE_MAX)
        return false;
    char *pcText = static_cast<char *>(malloc((size_t)fileSize + 1));
    size_t length = 0;
    if (!pcText || FileToArray(cPath, pcText, (size_t)fileSize, &length) != UIE_NO_ERROR) {
        free(pcText);
        return false;
    }
    pcText[length] = '\0';
    char cWhy[256];
    bool bOk = bUirParse(pcText, length, &gst_Uir, cWhy, sizeof(cWhy));
    if (bOk)
        vReadTabStops(pcText);
    else
        fprintf(stderr, "%s\n", cWhy);
    free(pcText);
    return bOk;
}

const stUirNode *pNode(int32_t s32Node) { return &gst_Uir.stNodes[s32Node]; }

bool bIsClass(const stUirNode *pstNode, const char *pcClass) { return strcmp(pstNode->cClass, pcClass) == 0; }

int32_t s32FindPanelNode(int32_t s32ResourceId)
{
    for (int32_t i = 0; i < gst_Uir.s32NodeCount; i++) {
        if (pNode(i)->s32Kind == UIR_NODE_WIDGET && pcUirProp(pNode(i), "panelId") &&
            s32UirPropNumber(pNode(i), "panelId") == s32ResourceId)
            return i;
    }
    return -1;
}

int32_t s32FindNamed(int32_t s32Kind, const char *pcName)
{
    for (int32_t i = 0; i < gst_Uir.s32NodeCount; i++) {
        if (pNode(i)->s32Kind == s32Kind && strcmp(pNode(i)->cName, pcName) == 0)
            return i;
    }
    return -1;
}

int32_t s32NumberOr(const stUirNode *pstNode, const char *pcName, int32_t s32Default)
{
    return pcUirProp(pstNode, pcName) ? s32UirPropNumber(pstNode, pcName) : s32Default;
}

int32_t bFlagOr(const stUirNode *pstNode, const char *pcName, int32_t bDefault)
{
    return pcUirProp(pstNode, pcName) ? (bUirPropTrue(pstNode, pcName) ? 1 : 0) : bDefault;
}

void vCopyProp(const stUirNode *pstNode, const char *pcName, char *pcOut, size_t size)
{
    const char *pcValue = pcUirProp(pstNode, pcName);
    snprintf(pcOut, size, "%s", pcValue ? pcValue : "");
}

// "family|pointsize|bold", each part possibly empty.
void vReadFont(const stUirNode *pstNode, stUiFont *pstFont)
{
    memset(pstFont, 0, sizeof(*pstFont));
    pstFont->bBold = -1;
    const char *pcFont = pcUirProp(pstNode, "font");
    if (!pcFont)
        return;
    const char *pcBar = strchr(pcFont, '|');
    int s32Len = pcBar ? (int)(pcBar - pcFont) : (int)strlen(pcFont);
    snprintf(pstFont->cFamily, sizeof(pstFont->cFamily), "%.*s", s32Len, pcFont);
    if (!pcBar)
        return;
    pstFont->s32PointSize = atoi(pcBar + 1);
    const char *pcBold = strchr(pcBar + 1, '|');
    if (pcBold && pcBold[1])
        pstFont->bBold = pcBold[1] == '1';
}

struct stUiClassKind {
    const char *pcClass;
    int32_t s32Kind;
};

const stUiClassKind gst_Kinds[] = {
    {"QPushButton", UI_KIND_BUTTON}, {"QCheckBox", UI_KIND_CHECKBOX},
    {"QSpinBox", UI_KIND_NUMERIC},   {"QProgressBar", UI_KIND_INDICATOR},
    {"QComboBox", UI_KIND_RING},     {"QListWidget", UI_KIND_LIST},
    {"QLineEdit", UI_KIND_TEXT},     {"QLabel", UI_KIND_LABEL},
    {"QPlainTextEdit", UI_KIND_TEXTBOX}, {"QGroupBox", UI_KIND_PART},
    {"Line", UI_KIND_LINE},
};

int32_t s32KindOf(const stUirNode *pstNode)
{
    const char *pcKind = pcUirProp(pstNode, "ctrlKind");
    if (pcKind && strcmp(pcKind, "timer") == 0)
        return UI_KIND_TIMER;
    for (const stUiClassKind &kind : gst_Kinds) {
        if (bIsClass(pstNode, kind.pcClass))
            return kind.s32Kind;
    }
    return -1;
}

void vReadAlignment(const stUirNode *pstNode, stUiCtrl *pstCtrl)
{
    const char *pcAlign = pcUirProp(pstNode, "alignment");
    if (!pcAlign)
        return;
    if (strstr(pcAlign, "AlignHCenter") || strstr(pcAlign, "AlignCenter"))
        pstCtrl->s32HAlign = UI_ALIGN_HCENTER;
    else if (strstr(pcAlign, "AlignRight"))
        pstCtrl->s32HAlign = UI_ALIGN_RIGHT;
    if (strstr(pcAlign, "AlignTop"))
        pstCtrl->s32VAlign = UI_ALIGN_TOP;
}

// A ring's or list's items: each value its place in itemValues, else its index.
void vReadItems(int32_t s32Node, stUiCtrl *pstCtrl)
{
    const char *pcValues = pcUirProp(pNode(s32Node), "itemValues");
    int32_t s32Count = 0;
    for (int32_t i = s32Node + 1; i < gst_Uir.s32NodeCount; i++) {
        if (pNode(i)->s32Kind != UIR_NODE_ITEM || pNode(i)->s32Parent != s32Node)
            continue;
        int32_t s32Value = s32Count;
        const char *pc = pcValues;
        for (int32_t k = 0; k < s32Count && pc; k++) {
            pc = strchr(pc, ',');
            pc = pc ? pc + 1 : nullptr;
        }
        if (pc && *pc)
            s32Value = atoi(pc);
        const char *pcText = pcUirProp(pNode(i), "text");
        s32UiAddItem(pstCtrl, -1, pcText ? pcText : "", s32Value);
        s32Count++;
    }
    int32_t s32Current = s32UirPropNumber(pNode(s32Node), "currentIndex");
    pstCtrl->s32Index = s32Count == 0 ? -1 : s32Current >= 0 && s32Current < s32Count ? s32Current : 0;
}

// What a control starts with: its value, limits and the timer's settings.
void vReadState(int32_t s32Node, stUiCtrl *pstCtrl)
{
    const stUirNode *pstNode = pNode(s32Node);
    pstCtrl->s32Index = -1;
    switch (pstCtrl->s32Kind) {
    case UI_KIND_CHECKBOX:
        pstCtrl->s32Value = bUirPropTrue(pstNode, "checked") ? 1 : 0;
        break;
    case UI_KIND_NUMERIC:
    case UI_KIND_INDICATOR: {
        bool bNumeric = pstCtrl->s32Kind == UI_KIND_NUMERIC;
        pstCtrl->s32Min = s32NumberOr(pstNode, "minimum", 0);
        pstCtrl->s32Max = s32NumberOr(pstNode, "maximum", bNumeric ? 99 : 100);
        pstCtrl->s32Value = s32UiClamp(pstCtrl, s32UirPropNumber(pstNode, "value"));
        break;
    }
    case UI_KIND_RING:
    case UI_KIND_LIST:
        vReadItems(s32Node, pstCtrl);
        break;
    case UI_KIND_TIMER: {
        int32_t s32Interval = s32UirPropNumber(pstNode, "interval");
        pstCtrl->s32Interval = s32Interval > 0 ? s32Interval : 100;
        pstCtrl->bTimerEnabled = bFlagOr(pstNode, "timerEnabled", 1);
        break;
    }
    default:
        break;
    }
}

void vReadLooks(const stUirNode *pstNode, stUiCtrl *pstCtrl)
{
    vCopyProp(pstNode, pstCtrl->s32Kind == UI_KIND_PART ? "title" : "text", pstCtrl->cLabel,
              sizeof(pstCtrl->cLabel));
    vReadFont(pstNode, &pstCtrl->stFont);
    vReadAlignment(pstNode, pstCtrl);
    pstCtrl->bWordWrap = bFlagOr(pstNode, "wordWrap", 0);
    const char *pcFrame = pcUirProp(pstNode, "frameShape");
    pstCtrl->bFramed = pcFrame && !strstr(pcFrame, "NoFrame");
    pstCtrl->s32Margin = s32NumberOr(pstNode, "margin", 0);
    pstCtrl->bFilled = bFlagOr(pstNode, "autoFillBackground", 0);
    pstCtrl->bReadOnly = bFlagOr(pstNode, "readOnly", 0);
    pstCtrl->s32MaxLength = s32NumberOr(pstNode, "maxLength", 0);
    const char *pcOrientation = pcUirProp(pstNode, "orientation");
    pstCtrl->bVertical = pcOrientation && strstr(pcOrientation, "Vertical");
    pstCtrl->bTextVisible = bFlagOr(pstNode, "textVisible", 1);
}

// One widget of the panel; s32Part is the group box it lies in, or -1.
void vAddWidget(stUiPanel *pstPanel, int32_t s32Node, int32_t s32Part, int32_t *ps32CtrlOfNode)
{
    const stUirNode *pstNode = pNode(s32Node);
    int32_t s32Kind = s32KindOf(pstNode);
    if (s32Kind < 0 || pstPanel->s32CtrlCount >= UI_CTRL_MAX)
        return;
    int32_t s32Index = pstPanel->s32CtrlCount++;
    stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    memset(pstCtrl, 0, sizeof(*pstCtrl));
    ps32CtrlOfNode[s32Node] = s32Index;
    pstCtrl->s32Kind = s32Kind;
    pstCtrl->s32Part = s32Part;
    snprintf(pstCtrl->cName, sizeof(pstCtrl->cName), "%s", pstNode->cName);
    pstCtrl->s32Id = s32NumberOr(pstNode, "ctrlId", 0);
    const stUiCallbackEntry *pstEntry = pstCtrl->s32Id > 0 ? pFindCallback(pcUirProp(pstNode, "callback")) : nullptr;
    pstCtrl->pfnCallback = pstEntry ? pstEntry->pfnCtrl : nullptr;
    bUirPropRect(pstNode, &pstCtrl->s32X, &pstCtrl->s32Y, &pstCtrl->s32Width, &pstCtrl->s32Height);
    pstCtrl->bVisible = bFlagOr(pstNode, "visible", 1);
    pstCtrl->bDimmed = !bFlagOr(pstNode, "enabled", 1);
    vReadLooks(pstNode, pstCtrl);
    vReadState(s32Node, pstCtrl);
    stUiFont stShown;
    vUiCtrlFont(pstPanel, pstCtrl, &stShown);
    pstCtrl->s32PointSize = stShown.s32PointSize > 0 ? stShown.s32PointSize : UI_DEFAULT_POINT_SIZE;
}

bool bNodeIsUnder(int32_t s32Node, int32_t s32Ancestor)
{
    for (int32_t p = pNode(s32Node)->s32Parent; p >= 0; p = pNode(p)->s32Parent) {
        if (p == s32Ancestor)
            return true;
    }
    return false;
}

// Group boxes hold widgets; anything else a widget holds (a menu's
// contents) is no control.
void vReadControls(stUiPanel *pstPanel, int32_t s32PanelNode)
{
    static int32_t s32CtrlOfNode[UIR_NODE_MAX];
    for (int32_t i = 0; i < UIR_NODE_MAX; i++)
        s32CtrlOfNode[i] = -1;
    for (int32_t i = s32PanelNode + 1; i < gst_Uir.s32NodeCount; i++) {
        if (pNode(i)->s32Kind != UIR_NODE_WIDGET || !bNodeIsUnder(i, s32PanelNode))
            continue;
        int32_t s32Parent = pNode(i)->s32Parent;
        int32_t s32Part = s32Parent == s32PanelNode ? -1 : s32CtrlOfNode[s32Parent];
        if (s32Parent != s32PanelNode && (s32Part < 0 || pstPanel->stCtrls[s32Part].s32Kind != UI_KIND_PART))
            continue;
        vAddWidget(pstPanel, i, s32Part, s32CtrlOfNode);
    }
    pstPanel->s32TabCount = 0;
    for (int32_t t = 0; t < gs32_TabStopCount; t++) {
        int32_t s32Node = s32FindNamed(UIR_NODE_WIDGET, gc_TabStops[t]);
        if (s32Node >= 0 && s32CtrlOfNode[s32Node] >= 0)
            pstPanel->s32TabOrder[pstPanel->s32TabCount++] = s32CtrlOfNode[s32Node];
    }
}

void vAddMenuEntry(stUiPanel *pstPanel, int32_t s32Kind, int32_t s32Menu, const stUirNode *pstNode,
                   const char *pcTextProp)
{
    if (pstPanel->s32MenuCount >= UI_MENU_ENTRY_MAX)
        return;
    stUiMenuEntry *pstEntry = &pstPanel->stMenu[pstPanel->s32MenuCount++];
    pstEntry->s32Kind = s32Kind;
    pstEntry->s32Menu = s32Menu;
    pstEntry->s32ItemId = pstNode ? s32NumberOr(pstNode, "itemId", 0) : 0;
    snprintf(pstEntry->cName, sizeof(pstEntry->cName), "%s", pstNode ? pstNode->cName : "");
    if (pstNode)
        vCopyProp(pstNode, pcTextProp, pstEntry->cText, sizeof(pstEntry->cText));
}

// A menu bar's or menu's <addaction> entries in order.
void vReadMenu(stUiPanel *pstPanel, int32_t s32MenuNode, int32_t s32Menu)
{
    for (int32_t i = s32MenuNode + 1; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pstAdd = pNode(i);
        if (pstAdd->s32Kind != UIR_NODE_ADDACTION || pstAdd->s32Parent != s32MenuNode)
            continue;
        if (strcmp(pstAdd->cName, "separator") == 0) {
            vAddMenuEntry(pstPanel, UI_MENU_SEPARATOR, s32Menu, nullptr, "");
            continue;
        }
        int32_t s32Sub = s32FindNamed(UIR_NODE_WIDGET, pstAdd->cName);
        if (s32Sub >= 0 && bIsClass(pNode(s32Sub), "QMenu")) {
            vAddMenuEntry(pstPanel, UI_MENU_MENU, s32Menu, pNode(s32Sub), "title");
            vReadMenu(pstPanel, s32Sub, pstPanel->s32MenuCount - 1);
            continue;
        }
        int32_t s32Action = s32FindNamed(UIR_NODE_ACTION, pstAdd->cName);
        if (s32Action >= 0)
            vAddMenuEntry(pstPanel, UI_MENU_ITEM, s32Menu, pNode(s32Action), "text");
    }
}

void vReadMenuBar(stUiPanel *pstPanel, int32_t s32PanelNode)
{
    for (int32_t i = s32PanelNode + 1; i < gst_Uir.s32NodeCount; i++) {
        const stUirNode *pstBar = pNode(i);
        if (pstBar->s32Kind != UIR_NODE_WIDGET || pstBar->s32Parent != s32PanelNode ||
            !bIsClass(pstBar, "QMenuBar"))
            continue;
        int32_t s32X, s32Y, s32W;
        bUirPropRect(pstBar, &s32X, &s32Y, &s32W, &pstPanel->s32MenuHeight);
        pstPanel->bHasMenuBar = 1;
        const stUiCallbackEntry *pstEntry = pFindCallback(pcUirProp(pstBar, "callback"));
        pstPanel->pfnMenuCallback = pstEntry ? pstEntry->pfnMenu : nullptr;
        vReadMenu(pstPanel, i, -1);
        return;
    }
}

void vReadPanel(stUiPanel *pstPanel, int32_t s32PanelNode)
{
    const stUirNode *pstNode = pNode(s32PanelNode);
    snprintf(pstPanel->cName, sizeof(pstPanel->cName), "%s", pstNode->cName);
    vCopyProp(pstNode, "windowTitle", pstPanel->cTitle, sizeof(pstPanel->cTitle));
    vCopyProp(pstNode, "windowIcon", pstPanel->cIconTheme, sizeof(pstPanel->cIconTheme));
    vCopyProp(pstNode, "styleSheet", pstPanel->cStyleSheet, sizeof(pstPanel->cStyleSheet));
    vReadFont(pstNode, &pstPanel->stFont);
    int32_t s32X, s32Y;
    pstPanel->s32Width = 400;
    pstPanel->s32Height = 300;
    bUirPropRect(pstNode, &s32X, &s32Y, &pstPanel->s32Width, &pstPanel->s32Height);
    pstPanel->bFloating = bUirPropTrue(pstNode, "floating");
    const stUiCallbackEntry *pstEntry = pFindCallback(pcUirProp(pstNode, "callback"));
    pstPanel->pfnCallback = pstEntry ? pstEntry->pfnPanel : nullptr;
    vReadMenuBar(pstPanel, s32PanelNode);
    vReadControls(pstPanel, s32PanelNode);
}

stUiPanel *pFreeSlot(void)
{
    for (int32_t i = 0; i < UI_PANEL_MAX; i++) {
        if (!gst_UiPanels[i].s32Handle)
            return &gst_UiPanels[i];
    }
    return nullptr;
}

void vFreePanelData(stUiPanel *pstPanel)
{
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        vUiFreeItems(&pstPanel->stCtrls[i]);
        vUiTextBoxFree(&pstPanel->stCtrls[i]);
    }
    int32_t s32Slot = (int32_t)(pstPanel - gst_UiPanels);
    memset(pstPanel, 0, sizeof(*pstPanel));
    pstPanel->s32Slot = s32Slot;
}

// The native windows take the state the resource gave: items, timers.
void vStartControls(stUiPanel *pstPanel)
{
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        stUiCtrl *pstCtrl = &pstPanel->stCtrls[i];
        for (int32_t k = 0; k < pstCtrl->s32ItemCount; k++)
            vUiBackListInsert(pstPanel, i, k, pstCtrl->pstItems[k].pcLabel);
        if (pstCtrl->s32ItemCount > 0)
            vUiBackApply(pstPanel, i, UI_CHANGE_INDEX, nullptr);
        if (pstCtrl->s32Kind == UI_KIND_TIMER)
            vUiStartTimer(pstPanel, i);
    }
}

int s32Init(void *pvInstance, char *argv[], int32_t bWithoutWindows)
{
    if (gb_Initialised)
        return 1;
    if (!bUiBackInit(pvInstance, argv, bWithoutWindows))
        return 0;
    vUiDecideProgramDirAtStart();
    gb_Initialised = 1;
    return 1;
}

} // namespace

int32_t bUiFrontInitialised(void) { return gb_Initialised; }

void vUiSetCallbackTable(const stUiCallbackEntry *pstTable, size_t count)
{
    gpst_Callbacks = pstTable;
    gsz_CallbackCount = pstTable ? count : 0;
}

int InitCVIRTE(void *hInstance, char *argv[], void *) { return s32Init(hInstance, argv, 0); }

int InitCVIRTEWithoutWindows(char *argv[]) { return s32Init(nullptr, argv, 1); }

int LoadPanel(int parentPanel, const char *fileName, int panelResourceID)
{
    if (!gb_Initialised)
        return UIE_NOT_INITIALISED;
    if (!fileName)
        return UIE_BAD_ARGUMENT;
    stUiPanel *pstPanel = pFreeSlot();
    if (!pstPanel)
        return UIE_BAD_PANEL;
    if (!bReadResource(fileName))
        return UIE_RESOURCE_NOT_FOUND;
    int32_t s32PanelNode = s32FindPanelNode(panelResourceID);
    if (s32PanelNode < 0)
        return UIE_PANEL_NOT_FOUND;
    vFreePanelData(pstPanel);
    pstPanel->s32ResourceId = panelResourceID;
    vReadPanel(pstPanel, s32PanelNode);
    pstPanel->s32Handle = gs32_NextHandle;
    if (!bUiBackCreatePanel(pstPanel, pUiFindPanel(parentPanel))) {
        vFreePanelData(pstPanel);
        return UIE_BAD_PANEL;
    }
    gs32_NextHandle++;
    vStartControls(pstPanel);
    return pstPanel->s32Handle;
}

int DiscardPanel(int panel)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    vUiBackDestroyPanel(pstPanel);
    vFreePanelData(pstPanel);
    return UIE_NO_ERROR;
}

int s32UiLoadedPanelCount(void)
{
    int s32Count = 0;
    for (const stUiPanel &panel : gst_UiPanels)
        s32Count += panel.s32Handle ? 1 : 0;
    return s32Count;
}
