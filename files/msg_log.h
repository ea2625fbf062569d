// The message log: the main panel's message box, the progress panel's text
// line, and saving the box to a text file.
#ifndef MSG_LOG_H
#define MSG_LOG_H

#include "app/params.h"

#include <stdint.h>

extern char gu8str_MsgFilePath[TEXT_BUF_SIZE];

// printf-style; appends to the message box. A text longer than the
// formatting buffer is cut to it.
void vPrintMsg(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
// printf-style; replaces the progress panel's text line.
void vPrintProgress(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
// Action of CMD_SAVE_MSG; returns progress-used 0.
int32_t vSaveMsgToFile(void);

#endif
