// What the front's own files share; back ends include ui_front.h only.
#ifndef UI_FRONT_INTERNAL_H
#define UI_FRONT_INTERNAL_H

#include "ui_front.h"

extern stUiPanel gst_UiPanels[UI_PANEL_MAX];

// Parts of pstOwn that are set replace those of pstFont.
void vUiMergeFont(const stUiFont *pstOwn, stUiFont *pstFont);

#endif
