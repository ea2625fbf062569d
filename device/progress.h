// The progress panel: one text line and one percentage indicator.
#ifndef PROGRESS_H
#define PROGRESS_H

#include <stdint.h>

// Shows the text and the percentage (clamped to 0..100) and makes the panel
// active; an empty text changes nothing.
void vShowProgress(const char *pcText, int32_t s32Percent);
void vShowProgressPanel(void);
// The progress window's caption says a quit waits for the running command.
void vTellQuitPending(void);
void vHideProgressPanel(void);
// The caption tells, until the panel is hidden, how many waiting commands
// closes of the panel dropped while a command ran on (added up).
void vTellDroppedCommands(int32_t s32Count);

#endif
