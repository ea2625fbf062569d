#include "tests/support/ui_fake_backend.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

struct FakeCtrl {
    int s32Value = 0;
    int s32Index = -1;
    std::string text;
    std::vector<std::string> items;
};

struct FakePanel {
    FakeCtrl ctrls[UI_CTRL_MAX];
};

std::vector<std::string> g_calls;
FakePanel g_panels[UI_PANEL_MAX];
int gb_ConfirmYes = 0;
std::string g_filePath;

const char *const gpc_Changes[] = {"TEXT", "VALUE", "INDEX", "RANGE", "SHOWN",
                                   "DIMMED", "COLORS", "FONT", "TITLE", "SIZE"};

const char *pcName(const stUiPanel *pstPanel, int32_t s32Index)
{
    return s32Index < 0 ? pstPanel->cName : pstPanel->stCtrls[s32Index].cName;
}

void vRecord(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
void vRecord(const char *pcFormat, ...)
{
    char cLine[512];
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(cLine, sizeof(cLine), pcFormat, args);
    va_end(args);
    g_calls.push_back(cLine);
}

FakeCtrl *pFake(const stUiPanel *pstPanel, int32_t s32Index)
{
    return &g_panels[pstPanel->s32Slot].ctrls[s32Index];
}

FakeCtrl *pFakeOf(int s32Panel, int s32Control)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    stUiCtrl *pstCtrl = pUiFindControl(s32Panel, s32Control);
    return pstCtrl ? pFake(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl)) : nullptr;
}

} // namespace

const std::vector<std::string> &lstFakeCalls() { return g_calls; }

void vFakeClearCalls() { g_calls.clear(); }

void vFakeReset()
{
    g_calls.clear();
    for (FakePanel &panel : g_panels)
        panel = FakePanel();
    gb_ConfirmYes = 0;
    g_filePath.clear();
}

void vFakeOperatorSets(int s32Panel, int s32Control, int s32Value)
{
    FakeCtrl *pCtrl = pFakeOf(s32Panel, s32Control);
    pCtrl->s32Value = s32Value;
    pCtrl->s32Index = s32Value;
}

void vFakeOperatorTypes(int s32Panel, int s32Control, const char *pcText)
{
    pFakeOf(s32Panel, s32Control)->text = pcText;
}

std::string strFakeShownText(int s32Panel, int s32Control) { return pFakeOf(s32Panel, s32Control)->text; }

std::vector<std::string> lstFakeItems(int s32Panel, int s32Control)
{
    return pFakeOf(s32Panel, s32Control)->items;
}

int s32FakeShownIndex(int s32Panel, int s32Control) { return pFakeOf(s32Panel, s32Control)->s32Index; }

void vFakeConfirmAnswer(int bYes) { gb_ConfirmYes = bYes; }

void vFakeFileAnswer(const char *pcPath) { g_filePath = pcPath; }

// --- The back end ---------------------------------------------------------

int32_t bUiBackInit(void *, char *[], int32_t bWithoutWindows)
{
    vRecord("init %d", bWithoutWindows);
    return 1;
}

int32_t bUiBackCreatePanel(stUiPanel *pstPanel, const stUiPanel *pstParent)
{
    g_panels[pstPanel->s32Slot] = FakePanel();
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        pFake(pstPanel, i)->s32Value = pstPanel->stCtrls[i].s32Value;
        pFake(pstPanel, i)->text = pstPanel->stCtrls[i].cLabel;
    }
    vRecord("create %d %s in %s", pstPanel->s32Handle, pstPanel->cName,
            pstParent ? pstParent->cName : "-");
    return 1;
}

void vUiBackDestroyPanel(stUiPanel *pstPanel) { vRecord("destroy %d", pstPanel->s32Handle); }

void vUiBackShowPanel(stUiPanel *pstPanel, int32_t bShow) { vRecord("show %d %d", pstPanel->s32Handle, bShow); }

void vUiBackActivatePanel(stUiPanel *pstPanel) { vRecord("activate %d", pstPanel->s32Handle); }

void vUiBackFocusControl(stUiPanel *pstPanel, int32_t s32Index)
{
    vRecord("focus %d %s", pstPanel->s32Handle, pcName(pstPanel, s32Index));
}

void vUiBackApply(stUiPanel *pstPanel, int32_t s32Index, int32_t s32Change, const char *pcText)
{
    vRecord("apply %d %s %s%s%s", pstPanel->s32Handle, pcName(pstPanel, s32Index), gpc_Changes[s32Change],
            pcText ? " " : "", pcText ? pcText : "");
    if (s32Index < 0)
        return;
    FakeCtrl *pCtrl = pFake(pstPanel, s32Index);
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    if (s32Change == UI_CHANGE_TEXT)
        pCtrl->text = pcText;
    else if (s32Change == UI_CHANGE_VALUE || s32Change == UI_CHANGE_RANGE)
        pCtrl->s32Value = pstCtrl->s32Value;
    else if (s32Change == UI_CHANGE_INDEX)
        pCtrl->s32Index = pstCtrl->s32Index;
}

int32_t s32UiBackReadValue(const stUiPanel *pstPanel, int32_t s32Index)
{
    const FakeCtrl *pCtrl = pFake(pstPanel, s32Index);
    int32_t s32Kind = pstPanel->stCtrls[s32Index].s32Kind;
    return s32Kind == UI_KIND_LIST || s32Kind == UI_KIND_RING ? pCtrl->s32Index : pCtrl->s32Value;
}

size_t szUiBackReadText(const stUiPanel *pstPanel, int32_t s32Index, char *pcOut, size_t size)
{
    const std::string &text = pFake(pstPanel, s32Index)->text;
    vUiCopyText(text.c_str(), text.size(), pcOut, size);
    return text.size();
}

int32_t s32UiBackShownColor(const stUiPanel *, int32_t, int32_t bBackground)
{
    return bBackground ? 0xFFFFFF : 0x000000;
}

void vUiBackListInsert(stUiPanel *pstPanel, int32_t s32Index, int32_t s32At, const char *pcLabel)
{
    FakeCtrl *pCtrl = pFake(pstPanel, s32Index);
    pCtrl->items.insert(pCtrl->items.begin() + s32At, pcLabel);
    if (pCtrl->s32Index >= s32At)
        pCtrl->s32Index++; // the selected item stays selected, as in a real list
    vRecord("insert %d %s %d %s", pstPanel->s32Handle, pcName(pstPanel, s32Index), s32At, pcLabel);
}

void vUiBackListClear(stUiPanel *pstPanel, int32_t s32Index)
{
    FakeCtrl *pCtrl = pFake(pstPanel, s32Index);
    pCtrl->items.clear();
    pCtrl->s32Index = -1;
    vRecord("clear %d %s", pstPanel->s32Handle, pcName(pstPanel, s32Index));
}

void vUiBackTextBoxAppend(stUiPanel *pstPanel, int32_t s32Index, const char *pcText, size_t length)
{
    pFake(pstPanel, s32Index)->text.append(pcText, length);
    vRecord("append %d %s %zu", pstPanel->s32Handle, pcName(pstPanel, s32Index), length);
}

void vUiBackTextBoxReset(stUiPanel *pstPanel, int32_t s32Index)
{
    pFake(pstPanel, s32Index)->text.clear();
    vRecord("reset %d %s", pstPanel->s32Handle, pcName(pstPanel, s32Index));
}

void vUiBackScheduleFlush(void) { vRecord("schedule flush"); }

void vUiBackSetTimer(stUiPanel *pstPanel, int32_t s32Index, int32_t s32IntervalMs)
{
    vRecord("timer %d %s %d", pstPanel->s32Handle, pcName(pstPanel, s32Index), s32IntervalMs);
}

int s32UiBackRun(void) { return 0; }

void vUiBackQuit(int s32ReturnCode) { vRecord("quit %d", s32ReturnCode); }

void vUiBackPump(int32_t bInput)
{
    vRecord("pump %d", bInput);
    vUiFrontFlushTextBoxes();
}

int s32UiBackWatchFd(int fd, void (*pfnReady)(void *), void *)
{
    vRecord("watch %d %d", fd, pfnReady ? 1 : 0);
    return UIE_NO_ERROR;
}

void vUiBackWaitCursor(int32_t bOn) { vRecord("wait cursor %d", bOn); }

void vUiBackRunWhenLoopStarts(void (*pfn)(void *), void *pvContext) { pfn(pvContext); }

int32_t s32UiBackFileDialog(const stUiFileRequest *pstRequest, const char *pcSuffix, char *pcPath, size_t size)
{
    vRecord("file dialog %s [%s]", pstRequest->pcTitle, pcSuffix);
    snprintf(pcPath, size, "%s", g_filePath.c_str());
    return g_filePath.empty() ? VAL_NO_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

void vUiBackMessage(const char *pcTitle, const char *pcMessage) { vRecord("message %s: %s", pcTitle, pcMessage); }

int32_t bUiBackConfirm(const char *pcTitle, const char *pcMessage)
{
    vRecord("confirm %s: %s", pcTitle, pcMessage);
    return gb_ConfirmYes;
}

void vUiBackTextWindow(const char *pcTitle, const char *) { vRecord("text window %s", pcTitle); }

// Operator input is the Qt and Win32 back ends' own; the fake has none.
int UiQueueClick(int, int) { return UIE_BAD_PANEL; }
int UiQueueKeyPress(int, int, int) { return UIE_BAD_PANEL; }
int UiQueuePanelKey(int, int) { return UIE_BAD_PANEL; }
int UiQueueAltKey(int, char) { return UIE_BAD_PANEL; }
int UiQueueClosePanel(int) { return UIE_BAD_PANEL; }
int UiQueueMenuItem(int, int) { return UIE_BAD_PANEL; }
void vUiDeliverQueuedInput(void) {}
