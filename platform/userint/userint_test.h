// Test seams of the panel run-time: act as the operator would, script the
// dialogs, drive the timer by hand and give the program a folder of its own.
// The program itself never includes this header.
#ifndef USERINT_TEST_H
#define USERINT_TEST_H

#include <stddef.h>

#include "userint_batch.h"

// Program directory used by GetProjectDir (and so by LoadPanel); null or
// empty returns to the directory of the running program.
void vUiSetProjectDir(const char *pcDir);
// Decides again, as the start does, where the program keeps its files, with
// these in place of the running program's folder, HOME, XDG_DATA_HOME and the
// home folder of the user's passwd entry (each may be null). With a null
// pcExeDir: from the running program and the environment, as at start.
void vUiDecideProgramDir(const char *pcExeDir, const char *pcHome, const char *pcXdgDataHome,
                         const char *pcPasswdHome);
// 1 when that decision was the installed mode: a per-user folder.
int bUiInstalledMode(void);
// The folder the panels are loaded from (that of vUiSetProjectDir when set).
void vUiResourceDir(char *pcDir, size_t size);

// With manual timers on, timer controls never tick by themselves; a test
// delivers ticks with vUiFireTimers. Applies to timers loaded afterwards and
// to those already loaded.
void vUiUseManualTimers(int bOn);
// One tick to every enabled timer control of every loaded panel.
void vUiFireTimers(void);

// Operator input, put into the window system's event queue as a real
// mouse, keyboard or window manager would put it: the program receives it
// only when it processes events (the event loop, or a pump inside a
// command). Only a panel shown on screen can be reached; < 0 otherwise.
// A click lands on the control (a checkbox on its box, others in the
// middle), on whatever is there. A ring takes two: the first opens its list
// (returns 1: call again once it has opened), the second picks the item
// shown (returns 0).
int UiQueueClick(int panel, int control);
// One key press and release into a control, which takes the focus first.
int UiQueueKeyPress(int panel, int control, int key);
// One key press and release into the panel's window, for whatever holds
// the focus there (Tab moves it on; a menu the panel opened takes keys first).
int UiQueuePanelKey(int panel, int key);
// Alt and a letter or digit, pressed and released in the panel's window as
// the keyboard gives them: the control whose label underlines that character
// acts (a button is pressed, a checkbox toggled, a menu opens). Only the
// active window answers, as on screen.
int UiQueueAltKey(int panel, char key);
// The close box of a panel.
int UiQueueClosePanel(int panel);
// One step towards a menu-bar item: a click on its menu's title while the
// menu is closed (returns 1: call again once it has opened), else a click
// on the item (returns 0).
int UiQueueMenuItem(int panel, int menuItem);
// Text typed into the field that holds the focus in the open modal dialog
// (a real file dialog), then Enter.
int UiQueueTypeInModal(const char *pcText);
// One key press and release into the open modal dialog; < 0 when none is
// open.
int UiQueueModalKey(int key);
// Delivers everything waiting, input included, as the event loop would.
void vUiDeliverQueuedInput(void);

// The same, delivered at once: queued, then the queue processed.
int UiClick(int panel, int control);
int UiKeyPress(int panel, int control, int key);
int UiPanelKey(int panel, int key);
int UiAltKey(int panel, char key);
int UiClosePanel(int panel);
int UiChooseMenuItem(int panel, int menuItem);

// True when the panel is shown on screen.
int bUiPanelIsVisible(int panel);
// ID of the panel's control that holds the keyboard focus (the one that
// gets it back when the window is active again); 0 when none does.
int s32UiFocusedControl(int panel);
int s32UiLoadedPanelCount(void);

// Runs pfn before each tick a timer control gives by itself (not those of
// vUiFireTimers); null removes it. Lets a benchmark see the first tick.
void vUiSetTickObserver(void (*pfn)(void *), void *pvContext);

// Runs pfn once as soon as the event loop (RunUserInterface) is running.
void vUiRunWhenLoopStarts(void (*pfn)(void *), void *pvContext);

#endif
