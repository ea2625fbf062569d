// What the front's own files share; back ends include ui_front.h only.
#ifndef UI_FRONT_INTERNAL_H
#define UI_FRONT_INTERNAL_H

#include "ui_front.h"

extern stUiPanel gst_UiPanels[UI_PANEL_MAX];

// The value within the control's s32Min and s32Max.
int32_t s32UiClamp(const stUiCtrl *pstCtrl, int32_t s32Value);

// Parts of pstOwn that are set replace those of pstFont.
void vUiMergeFont(const stUiFont *pstOwn, stUiFont *pstFont);

// Lists and rings (ui_front_lists.cpp): an item at s32At (-1 or past the
// end appends); UIE_NO_ERROR or UIE_BAD_ARGUMENT when out of memory.
int s32UiAddItem(stUiCtrl *pstCtrl, int32_t s32At, const char *pcLabel, int32_t s32Value);
void vUiFreeItems(stUiCtrl *pstCtrl);
// The selected item's value, or UIE_BAD_ARGUMENT when none is.
int s32UiListValue(stUiPanel *pstPanel, stUiCtrl *pstCtrl, int *ps32Value);
// Selects the first item of that value, or UIE_BAD_ARGUMENT when none has it.
int s32UiSelectValue(stUiPanel *pstPanel, stUiCtrl *pstCtrl, int32_t s32Value);

// Text boxes (ui_front_textbox.cpp).
int s32UiTextBoxAppend(stUiPanel *pstPanel, stUiCtrl *pstCtrl, const char *pcText);
void vUiTextBoxFree(stUiCtrl *pstCtrl);

// Timers (ui_front_events.cpp): the back end's timer runs as the control's
// attributes and the manual-timer seam say.
void vUiStartTimer(stUiPanel *pstPanel, int32_t s32Index);

// The program's folders (ui_front_files.cpp), decided when the run-time starts.
void vUiDecideProgramDirAtStart(void);

#endif
