// The panel handles every folder writes to, and the start location of the
// file dialogs. Defined in files/, the lowest folder that uses them.
#ifndef UI_HANDLES_H
#define UI_HANDLES_H

#include "ui/params.h"

#include <stdint.h>

struct stUiHandles {
    int32_t s32MainPanel;     // 0: not available
    int32_t s32MsgCtrl;       // message box control, always 37 once filled
    int32_t s32ProgressPanel; // 0: not available
};

extern stUiHandles gst_UiHandles;
// Start location of every file dialog; each dialog overwrites it.
extern char gu8str_LastDir[TEXT_BUF_SIZE];

#endif
