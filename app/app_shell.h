// Entry and exit of the program: panels, start-up, the event loop and the
// shutdown of the bus library.
#ifndef APP_SHELL_H
#define APP_SHELL_H

#include "ui/ui_handles.h"

#include <stdint.h>

extern int32_t gs32_PasswordPanel;
extern int32_t gs32_ProductionPanel;

// The body of main: 0 after a normal run, -1 when the run-time or a panel
// cannot be brought up.
int s32TavolinMain(int argc, char *argv[]);

// Steps of the start-up, apart for the tests: load the three panels (0 or
// -1, nothing loaded on failure) and run everything between loading and the
// event loop.
int32_t s32LoadPanels(void);
void vStartUp(void);
void vDiscardPanels(void);
// Normal mode (0): height 550, the three advanced boxes dimmed and hidden;
// advanced mode (1): height 695, the boxes usable and shown.
void vShapeMainPanel(int32_t bAdvanced);

// Work attached to start-up (after the panels are loaded) and to exit
// (after the event loop).
void vStartupHook(void);
void vExitHook(void);

// Quit requests (close box, File > Exit). While a command runs, a request
// is only remembered, with a wait cursor: the command ends, then the quit
// happens and the waiting commands never run. Further requests change
// nothing.
enum { QUIT_NONE = 0, QUIT_PENDING = 1, QUIT_DONE = 2 };
extern int32_t gs32_QuitState;
void vRequestQuit(void);
// Called by the dispatcher once the running command has ended.
void vFinishPendingQuit(void);

int MainQuit(int panel, int event, void *callbackData, int eventData1, int eventData2);
void MenuBarCallback(int menuBar, int menuItem, void *callbackData, int panel);
void vShutdownDdc(void);

// Action of CMD_SHOW_VERSION: the program's and the bus library's versions
// in the message box and on the main panel; progress-used 0.
int32_t s32ShowVersionAction(void);

// Hands the program's callback table to the panel run-time.
void vInstallCallbackTable(void);

#endif
