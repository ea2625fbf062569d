#include "device/progress.h"

#include "app/app_shell.h"
#include "platform/userint/userint.h"

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
