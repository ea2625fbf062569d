// The panel run-time for a program without windows (tavolin-cli): Qt's
// offscreen platform, so no display server is needed and no window shows
// (on Windows the panels' windows are made and never shown);
// a program folder named by the caller; dialogs answered by the caller
// instead of an operator. Tests use the same answers to script dialogs.
#ifndef USERINT_BATCH_H
#define USERINT_BATCH_H

#include <stddef.h>

// Brings the run-time up on Qt's offscreen platform, whatever DISPLAY or
// QT_QPA_PLATFORM say: 1, or 0 when even that fails.
int InitCVIRTEWithoutWindows(char *argv[]);
// Keeps the program's files (and the bus library's) in this folder from
// now on, in place of the one the start decided; the panels still come
// from where they were found. The folder must exist and be writable: 1, or
// 0 and why in plain words.
int UseProgramDir(const char *pcDir, char *pcWhy, size_t whySize);

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
// Answers ConfirmPopup: 1 for Yes, 0 for No.
typedef int (*UiConfirmResponder)(const char *pcTitle, const char *pcMessage, void *pvContext);
// Null restores the real dialogs. TextWindowPopup goes to its responder
// (with its title and text) and returns at once.
void vUiSetFileResponder(UiFileResponder pfn, void *pvContext);
void vUiSetMessageResponder(UiMessageResponder pfn, void *pvContext);
void vUiSetConfirmResponder(UiConfirmResponder pfn, void *pvContext);
void vUiSetTextWindowResponder(UiMessageResponder pfn, void *pvContext);

#endif
