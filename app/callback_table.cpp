// Every callback that Pavimo.uir names, found by the run-time by name.
#include "app/advanced_mode.h"
#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "app/edid_view.h"
#include "app/production.h"
#include "app/production_setup.h"
#include "device/edid_receive.h"
#include "device/progress.h"
#include "files/package.h"
#include "platform/userint/userint.h"

#include <stddef.h>

namespace {

#define CTRL_CALLBACK(name) {#name, name, nullptr, nullptr}
#define PANEL_CALLBACK(name) {#name, nullptr, name, nullptr}
#define MENU_CALLBACK(name) {#name, nullptr, nullptr, name}

const stUiCallbackEntry gst_CallbackTable[] = {
    PANEL_CALLBACK(MainQuit),
    MENU_CALLBACK(MenuBarCallback),
    CTRL_CALLBACK(Receiver_Timer_Callback),
    CTRL_CALLBACK(StartBTNCallback),
    CTRL_CALLBACK(BurnIOSELCallback),
    CTRL_CALLBACK(Clear_Msg_Callback),
    CTRL_CALLBACK(Save_Msg_Callback),
    CTRL_CALLBACK(DirectRecieveEdidCallback),
    CTRL_CALLBACK(DirectSendEdidCallback),
    CTRL_CALLBACK(SaveDeviceEdidCallback),
    CTRL_CALLBACK(RefreshMonitorCallback),
    CTRL_CALLBACK(DdcI2cSpeedCallback),
    CTRL_CALLBACK(EnableAdvancedCB),
    CTRL_CALLBACK(PasswordCallback),
    PANEL_CALLBACK(PasswordPanelCallback),
    PANEL_CALLBACK(ProgressQuitCallback),
    CTRL_CALLBACK(EdidPageToReceiveCallback),
    CTRL_CALLBACK(SettingFilePathCallback),
    CTRL_CALLBACK(UnitSerialCallback),
    CTRL_CALLBACK(ProductionSetupCallback),
    CTRL_CALLBACK(ProductionOkCallback),
    CTRL_CALLBACK(ProductionCancelCallback),
    PANEL_CALLBACK(ProductionPanelCallback),
    CTRL_CALLBACK(AnalyzeEdidCallback),
};

} // namespace

void vInstallCallbackTable(void)
{
    vUiSetCallbackTable(gst_CallbackTable, sizeof(gst_CallbackTable) / sizeof(gst_CallbackTable[0]));
}
