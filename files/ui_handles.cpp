#include "ui/ui_handles.h"

stUiHandles gst_UiHandles = {0, 0, 0};
char gu8str_LastDir[TEXT_BUF_SIZE] = "";
