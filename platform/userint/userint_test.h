// Test seams of the panel run-time: act as the operator would, script the
// dialogs, drive the timer by hand and give the program a folder of its own.
// The program itself never includes this header.
#ifndef USERINT_TEST_H
#define USERINT_TEST_H

#include <stddef.h>

// Program directory used by GetProjectDir (and so by LoadPanel); null or
// empty returns to the directory of the running program.
void vUiSetProjectDir(const char *pcDir);

// With manual timers on, timer controls never tick by themselves; a test
// delivers ticks with vUiFireTimers. Applies to timers loaded afterwards and
// to those already loaded.
void vUiUseManualTimers(int bOn);
// One tick to every enabled timer control of every loaded panel.
void vUiFireTimers(void);

// Operator actions, delivered through the same path as real input.
// A click commits buttons and toggles checkboxes; on other controls it
// commits their present value. 0 or < 0.
int UiClick(int panel, int control);
// One key press into a control (key codes of userint.h).
int UiKeyPress(int panel, int control, int key);
// The close box of a panel.
int UiClosePanel(int panel);
// A menu-bar item of a panel.
int UiChooseMenuItem(int panel, int menuItem);

// True when the panel is shown on screen.
int bUiPanelIsVisible(int panel);
int s32UiLoadedPanelCount(void);

// Runs pfn once as soon as the event loop (RunUserInterface) is running.
void vUiRunWhenLoopStarts(void (*pfn)(void *), void *pvContext);

// --- Scripted dialogs -----------------------------------------------------
struct stUiFileRequest {
    const char *pcDefaultDirectory;
    const char *pcDefaultFileSpec;
    const char *pcFileTypeList;
    const char *pcTitle;
    const char *pcButtonLabel;
    int s32RestrictDirectory;
    int s32RestrictExtension;
    int s32AllowCancel;
    int s32AllowMakeDirectory;
};
// Answers a file dialog: writes the path (at most size - 1 characters) and
// returns a VAL_* result.
typedef int (*UiFileResponder)(const stUiFileRequest *pstRequest, char *pcPath, size_t size,
                               void *pvContext);
typedef void (*UiMessageResponder)(const char *pcTitle, const char *pcMessage, void *pvContext);
// Null restores the real dialogs.
void vUiSetFileResponder(UiFileResponder pfn, void *pvContext);
void vUiSetMessageResponder(UiMessageResponder pfn, void *pvContext);

#endif
