#include "device/progress.h"

#include "files/msg_log.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdio.h>

namespace {

// The panel's caption tells the operator, until the panel goes, how many
// waiting commands a close of it dropped while a command ran on.
char gc_ResourceTitle[64] = "";
int32_t gs32_Dropped = -1; // -1: the caption is the resource's own

void vKeepResourceTitle(void)
{
    if (gs32_Dropped >= 0)
        return;
    GetPanelAttribute(gst_UiHandles.s32ProgressPanel, ATTR_TITLE, gc_ResourceTitle,
                      sizeof(gc_ResourceTitle));
    gs32_Dropped = 0;
}

void vRestoreTitle(void)
{
    if (gs32_Dropped < 0)
        return;
    SetPanelAttribute(gst_UiHandles.s32ProgressPanel, ATTR_TITLE, gc_ResourceTitle);
    gs32_Dropped = -1;
}

} // namespace

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

void vTellQuitPending(void)
{
    if (gst_UiHandles.s32ProgressPanel == 0)
        return;
    vKeepResourceTitle();
    char cTitle[128];
    snprintf(cTitle, sizeof(cTitle), "%s - the program quits after this command",
             gc_ResourceTitle);
    SetPanelAttribute(gst_UiHandles.s32ProgressPanel, ATTR_TITLE, cTitle);
}

void vShowProgressPanel(void)
{
    if (gst_UiHandles.s32ProgressPanel != 0)
        DisplayPanel(gst_UiHandles.s32ProgressPanel);
}

void vHideProgressPanel(void)
{
    if (gst_UiHandles.s32ProgressPanel == 0)
        return;
    HidePanel(gst_UiHandles.s32ProgressPanel);
    vRestoreTitle();
}

void vTellDroppedCommands(int32_t s32Count)
{
    int32_t s32Panel = gst_UiHandles.s32ProgressPanel;
    vKeepResourceTitle();
    gs32_Dropped += s32Count;
    char cTitle[128];
    if (gs32_Dropped == 0)
        snprintf(cTitle, sizeof(cTitle), "%s - no command was waiting", gc_ResourceTitle);
    else
        snprintf(cTitle, sizeof(cTitle), "%s - %d waiting command%s dropped", gc_ResourceTitle,
                 (int)gs32_Dropped, gs32_Dropped == 1 ? "" : "s");
    SetPanelAttribute(s32Panel, ATTR_TITLE, cTitle);
}
