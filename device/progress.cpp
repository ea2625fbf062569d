#include "device/progress.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "files/msg_log.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

void vShowProgress(const char *pcText, int32_t s32Percent)
{
    if (s32Percent > 100)
        s32Percent = 100;
    if (s32Percent < 0)
        s32Percent = 0;
    if (!pcText || pcText[0] == '\0')
        return;
    vShowProgressPanel();
    vPrintProgress("%s            %d%%", pcText, s32Percent);
    if (gst_UiHandles.s32ProgressPanel == 0)
        return;
    SetCtrlVal(gst_UiHandles.s32ProgressPanel, PROGRESS_PERCENT, s32Percent);
    SetActivePanel(gst_UiHandles.s32ProgressPanel);
}

void vShowProgressPanel(void)
{
    if (gst_UiHandles.s32ProgressPanel != 0)
        DisplayPanel(gst_UiHandles.s32ProgressPanel);
}

void vHideProgressPanel(void)
{
    if (gst_UiHandles.s32ProgressPanel != 0)
        HidePanel(gst_UiHandles.s32ProgressPanel);
}

int ProgressQuitCallback(int panel, int event, void *, int, int)
{
    if (event == EVENT_CLOSE && panel == gst_UiHandles.s32ProgressPanel)
        vClearCommandQueue();
    return 0;
}
