// Every callback that Pavimo.uir names, found by the run-time by name.
#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "platform/userint/userint.h"

#include <stddef.h>

namespace {

const stUiCallbackEntry gst_CallbackTable[] = {
    {"MainQuit", nullptr, MainQuit, nullptr},
    {"MenuBarCallback", nullptr, nullptr, MenuBarCallback},
    {"Receiver_Timer_Callback", Receiver_Timer_Callback, nullptr, nullptr},
};

} // namespace

void vInstallCallbackTable(void)
{
    vUiSetCallbackTable(gst_CallbackTable, sizeof(gst_CallbackTable) / sizeof(gst_CallbackTable[0]));
}
