// What a back end of the panel run-time does for the front (ui_front.h):
// only what is native. The front has checked every argument before a call;
// a panel is given by its plain data, a control by its index in the panel's
// table. Back ends keep their native objects in tables of their own, by the
// panel's s32Slot and the control's index. The fake of the tests records
// these calls.
#ifndef UI_BACKEND_H
#define UI_BACKEND_H

#include <stddef.h>
#include <stdint.h>

#include "ui_front.h"
#include "userint_batch.h"

// --- Run-time and panels --------------------------------------------------
// Brings the window system up (bWithoutWindows: none shown, as for the
// command line): 1, or 0 when no window system can be reached.
int32_t bUiBackInit(void *pvInstance, char *argv[], int32_t bWithoutWindows);
// Makes the panel's native windows from its plain data, hidden: every
// widget at its place with its label, font, state and the menu bar. List
// and ring items come afterwards through vUiBackListInsert. pstParent is the
// parent panel or null. 1, or 0 when the window system refused.
int32_t bUiBackCreatePanel(stUiPanel *pstPanel, const stUiPanel *pstParent);
// Stops the panel's timers and destroys its windows; the front frees the data.
void vUiBackDestroyPanel(stUiPanel *pstPanel);
void vUiBackShowPanel(stUiPanel *pstPanel, int32_t bShow);
// The panel takes the keyboard if the window system lets a program take it
// now (no window of the program has it, no menu open); never for a
// floating panel, which the front does not ask.
void vUiBackActivatePanel(stUiPanel *pstPanel);
// The control holds its panel's keyboard focus: at once when the panel's
// window is active, else when it is activated.
void vUiBackFocusControl(stUiPanel *pstPanel, int32_t s32Index);

// What changed of a control (s32Index >= 0) or of the panel (s32Index -1);
// the new state is in the plain data, a text in pcText.
enum {
    UI_CHANGE_TEXT,     // text field or label: pcText
    UI_CHANGE_VALUE,    // checkbox, numeric, progress bar: s32Value
    UI_CHANGE_INDEX,    // ring or list: s32Index
    UI_CHANGE_RANGE,    // numeric: s32Min, s32Max (and the clamped s32Value)
    UI_CHANGE_SHOWN,    // bUiCtrlShown(); for the panel, the parts off a smaller panel
    UI_CHANGE_DIMMED,   // bDimmed
    UI_CHANGE_COLORS,   // bHasTextColor, s32TextColor, bHasBackColor, s32BackColor
    UI_CHANGE_FONT,     // s32PointSize
    UI_CHANGE_TITLE,    // panel: pcText (also in cTitle)
    UI_CHANGE_SIZE,     // panel: s32Width, s32Height
};
void vUiBackApply(stUiPanel *pstPanel, int32_t s32Index, int32_t s32Change, const char *pcText);

// What the operator may have changed, read back from the window: a
// checkbox's 0/1, a numeric's value, a ring's or list's selected index (-1
// when none).
int32_t s32UiBackReadValue(const stUiPanel *pstPanel, int32_t s32Index);
// A text field's or label's text as UTF-8, cut to size - 1 bytes and NUL
// ended (nothing written when size is 0); returns its whole length in bytes.
size_t szUiBackReadText(const stUiPanel *pstPanel, int32_t s32Index, char *pcOut, size_t size);
// The colour a label or text field shows when the program set none (0xRRGGBB).
int32_t s32UiBackShownColor(const stUiPanel *pstPanel, int32_t s32Index, int32_t bBackground);
// A ring or list item inserted at s32At (0 .. count); the label's bytes as
// the program gave them (shown as UTF-8 when valid, else in a legacy code).
void vUiBackListInsert(stUiPanel *pstPanel, int32_t s32Index, int32_t s32At, const char *pcLabel);
void vUiBackListClear(stUiPanel *pstPanel, int32_t s32Index);
// Text box: text put at its end ('\n' breaks lines), and the end shown.
void vUiBackTextBoxAppend(stUiPanel *pstPanel, int32_t s32Index, const char *pcText, size_t length);
void vUiBackTextBoxReset(stUiPanel *pstPanel, int32_t s32Index);
// Text was appended: vUiFrontFlushTextBoxes within a frame (about 16 ms),
// from the event loop or a pump.
void vUiBackScheduleFlush(void);
// A timer control ticks every s32IntervalMs through vUiFrontTimerTick; 0 stops it.
void vUiBackSetTimer(stUiPanel *pstPanel, int32_t s32Index, int32_t s32IntervalMs);

// --- Event loop ----------------------------------------------------------------
int s32UiBackRun(void);
void vUiBackQuit(int s32ReturnCode);
// One pass over waiting events: with bInput the operator's input too, else
// only drawing (at most once a frame). Flushes the text boxes when a frame is due.
void vUiBackPump(int32_t bInput);
// pfnReady null removes the watch. UIE_NO_ERROR or < 0.
int s32UiBackWatchFd(int fd, void (*pfnReady)(void *), void *pvContext);
void vUiBackWaitCursor(int32_t bOn);
void vUiBackRunWhenLoopStarts(void (*pfn)(void *), void *pvContext);

// --- Dialogs (the front answers them itself when a responder is set) ----------
// The chosen path into pcPath (size bytes, NUL ended): a VAL_* result.
// pcSuffix is the single extension offered when the request restricts it
// ("" otherwise); the front adds it to a name typed without it.
int32_t s32UiBackFileDialog(const stUiFileRequest *pstRequest, const char *pcSuffix, char *pcPath,
                            size_t size);
void vUiBackMessage(const char *pcTitle, const char *pcMessage);
// 1 for Yes, 0 for No; No is the default button.
int32_t bUiBackConfirm(const char *pcTitle, const char *pcMessage);
void vUiBackTextWindow(const char *pcTitle, const char *pcText);

// --- The system's folders (one version per system, not per toolkit) ------------
// The running program's folder, without a trailing separator.
void vUiSysExecutableDir(char *pcDir, size_t size);
// 1 when the path is absolute.
int32_t bUiSysAbsolute(const char *pcPath);
// 1 when anything (a file, a folder) has that path.
int32_t bUiSysExists(const char *pcPath);
// 1 when this user may create files in the folder.
int32_t bUiSysWritable(const char *pcDir);
// Where an installed program's panels lie when they are not beside it
// (exe/../share/tavolin on Linux): 1 and the folder, or 0.
int32_t bUiSysSharedResourceDir(const char *pcExeDir, char *pcDir, size_t size);
// The user's own folder for the program's files: 1 and the folder, or 0 and
// why in plain words. With bFromEnvironment the system's settings decide,
// else the three given (each may be null; the Linux rules of
// XDG_DATA_HOME, HOME and the passwd entry's home).
int32_t bUiSysUserDir(int32_t bFromEnvironment, const char *pcHome, const char *pcXdgDataHome,
                      const char *pcPasswdHome, char *pcDir, size_t size, char *pcWhy,
                      size_t whySize);
// Makes the user's folder and its parents: 1 when it is ready, else 0 and
// why; a folder others could plant files in is refused, and pcDir becomes
// one below which nothing can be made, so no file is kept and none read.
int32_t bUiSysMakeUserDir(char *pcDir, size_t size, char *pcWhy, size_t whySize);
// A folder the caller names for the program's files: 1 and its full path,
// or 0 and what is wrong with it ("it is not a folder").
int32_t bUiSysUsableDir(const char *pcDir, char *pcReal, size_t size, char *pcProblem,
                        size_t problemSize);
// Sets UI_PROGRAM_DIR_VARIABLE for the bus library; null removes it.
void vUiSysNameProgramDir(const char *pcDir);
// One folder made: UIE_NO_ERROR, UIE_ALREADY_EXISTS or UIE_FILE_ERROR.
int32_t s32UiSysMakeDir(const char *pcPath);
// Up to size bytes of the file into pvData, the count in *pRead: 1, or 0
// when it cannot be opened.
int32_t bUiSysReadFile(const char *pcPath, void *pvData, size_t size, size_t *pRead);
// 1 and the size of a regular file, 0 when there is none (or no regular
// file), UIE_FILE_ERROR when the system cannot say.
int32_t s32UiSysFileSize(const char *pcPath, long *pSize);

#endif
