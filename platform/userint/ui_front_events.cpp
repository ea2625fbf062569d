// Callbacks, timers and the event loop's entry points; the loop itself is
// the back end's.
#include "ui_backend.h"
#include "ui_front_internal.h"
#include "userint_test.h"

namespace {

int32_t gb_ManualTimers = 0;
void (*gpfn_TickObserver)(void *) = nullptr;
void *gpv_TickObserverContext = nullptr;
int32_t gb_WaitCursor = 0;

stUiCtrl *pCtrlAt(stUiPanel *pstPanel, int32_t s32Index)
{
    return pstPanel && s32Index >= 0 && s32Index < pstPanel->s32CtrlCount ? &pstPanel->stCtrls[s32Index]
                                                                          : nullptr;
}

void vEachTimer(void (*pfn)(stUiPanel *, int32_t))
{
    for (int32_t s32Slot = 0; s32Slot < UI_PANEL_MAX; s32Slot++) {
        stUiPanel *pstPanel = pUiPanelAt(s32Slot);
        for (int32_t i = 0; pstPanel && i < pstPanel->s32CtrlCount; i++) {
            if (pstPanel->stCtrls[i].s32Kind == UI_KIND_TIMER)
                pfn(pstPanel, i);
        }
    }
}

void vTick(stUiPanel *pstPanel, int32_t s32Index)
{
    if (pstPanel->stCtrls[s32Index].bTimerEnabled)
        s32UiFrontCtrlEvent(pstPanel->s32Handle, s32Index, EVENT_TIMER_TICK, 0);
}

} // namespace

int s32UiFrontCtrlEvent(int32_t s32Panel, int32_t s32Index, int32_t s32Event, int32_t s32Data1)
{
    stUiCtrl *pstCtrl = pCtrlAt(pUiFindPanel(s32Panel), s32Index);
    if (!pstCtrl || !pstCtrl->pfnCallback)
        return 0;
    return pstCtrl->pfnCallback(s32Panel, pstCtrl->s32Id, s32Event, nullptr, s32Data1, 0);
}

int s32UiFrontPanelEvent(int32_t s32Panel, int32_t s32Event)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    if (!pstPanel || !pstPanel->pfnCallback)
        return 0;
    return pstPanel->pfnCallback(s32Panel, s32Event, nullptr, 0, 0);
}

void vUiFrontMenuItem(int32_t s32Panel, int32_t s32ItemId)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    if (pstPanel && pstPanel->pfnMenuCallback && s32ItemId)
        pstPanel->pfnMenuCallback(s32Panel, s32ItemId, nullptr, s32Panel);
}

// Escape that no control took acts on a panel other than the first as its
// close box.
int32_t bUiFrontEscape(int32_t s32Panel)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    if (!pstPanel || pstPanel == pUiFirstPanel())
        return 0;
    s32UiFrontPanelEvent(s32Panel, EVENT_CLOSE);
    return 1;
}

void vUiFrontTimerTick(int32_t s32Panel, int32_t s32Index)
{
    if (gpfn_TickObserver)
        gpfn_TickObserver(gpv_TickObserverContext);
    s32UiFrontCtrlEvent(s32Panel, s32Index, EVENT_TIMER_TICK, 0);
}

void vUiStartTimer(stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    bool bRuns = pstCtrl->bTimerEnabled && !gb_ManualTimers;
    vUiBackSetTimer(pstPanel, s32Index, bRuns ? pstCtrl->s32Interval : 0);
}

int RunUserInterface(void)
{
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    return s32UiBackRun();
}

int QuitUserInterface(int returnCode)
{
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    vUiBackQuit(returnCode);
    return UIE_NO_ERROR;
}

int ProcessDrawEvents(void)
{
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    vUiBackPump(0);
    return UIE_NO_ERROR;
}

int ProcessSystemEvents(void)
{
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    vUiBackPump(1);
    return UIE_NO_ERROR;
}

int WatchFileDescriptor(int fd, void (*pfnReady)(void *), void *pvContext)
{
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    if (fd < 0)
        return UIE_BAD_ARGUMENT;
    return s32UiBackWatchFd(fd, pfnReady, pvContext);
}

int SetWaitCursor(int on)
{
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    int32_t bOn = on ? 1 : 0;
    if (bOn != gb_WaitCursor) {
        gb_WaitCursor = bOn;
        vUiBackWaitCursor(bOn);
    }
    return UIE_NO_ERROR;
}

int GetWaitCursorState(void) { return gb_WaitCursor; }

void vUiUseManualTimers(int bOn)
{
    gb_ManualTimers = bOn != 0;
    vEachTimer(vUiStartTimer);
}

void vUiFireTimers(void) { vEachTimer(vTick); }

void vUiSetTickObserver(void (*pfn)(void *), void *pvContext)
{
    gpfn_TickObserver = pfn;
    gpv_TickObserverContext = pvContext;
}

void vUiRunWhenLoopStarts(void (*pfn)(void *), void *pvContext) { vUiBackRunWhenLoopStarts(pfn, pvContext); }

namespace {

int s32Delivered(int s32Result)
{
    vUiDeliverQueuedInput();
    return s32Result;
}

// Queues one step of the operator's and delivers it; a step that opened a
// list or menu (1) is followed by the one that picks from it.
int s32Deliver(int (*pfnQueue)(int, int), int s32Panel, int s32What)
{
    int s32Result = s32Delivered(pfnQueue(s32Panel, s32What));
    return s32Result == 1 ? s32Delivered(pfnQueue(s32Panel, s32What)) : s32Result;
}

int s32QueueClose(int s32Panel, int) { return UiQueueClosePanel(s32Panel); }

} // namespace

int UiClick(int panel, int control) { return s32Deliver(UiQueueClick, panel, control); }

int UiKeyPress(int panel, int control, int key) { return s32Delivered(UiQueueKeyPress(panel, control, key)); }

int UiPanelKey(int panel, int key) { return s32Delivered(UiQueuePanelKey(panel, key)); }

int UiAltKey(int panel, char key) { return s32Delivered(UiQueueAltKey(panel, key)); }

int UiClosePanel(int panel) { return s32Deliver(s32QueueClose, panel, 0); }

int UiChooseMenuItem(int panel, int menuItem) { return s32Deliver(UiQueueMenuItem, panel, menuItem); }
