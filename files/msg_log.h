// The message log: the main panel's message box, the progress panel's text
// line, and saving the box to a text file.
#ifndef MSG_LOG_H
#define MSG_LOG_H

#include "ui/params.h"

#include <stddef.h>
#include <stdint.h>

extern char gu8str_MsgFilePath[TEXT_BUF_SIZE];

// printf-style; appends to the message box. A text longer than the
// formatting buffer is cut to it.
void vPrintMsg(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
// Appends pcLead and pcText as lines the message box shows whole: split at
// blanks into lines of at most MSG_BOX_COLUMNS characters, each after the
// first indented as far as the lead; each line ends with the prompt.
#define MSG_BOX_COLUMNS 68
void vPrintMsgLines(const char *pcLead, const char *pcText);
// Keeps what vPrintMsg prints from now on (its first MSG_CAPTURE_SIZE - 1
// characters), so a unit can record the line that told why a step failed.
#define MSG_CAPTURE_SIZE 1024
void vMsgCaptureBegin(void);
// The first captured line that starts with " - " and is not a Pass or Fail
// verdict, without its line end and prompt; empty when none.
void vMsgCapturedReason(char *pcLine, size_t size);
// Keeps what vPrintMsg prints from now on out of the box, the capture and
// the echo (its first TEXT_BUF_SIZE - 1 characters), so checks run ahead of
// a command can say why only under that command's heading. Ended by
// vMsgHoldDrop, or by vMsgHoldPrintAfter, which prints the heading and then
// the held text.
void vMsgHoldBegin(void);
void vMsgHoldDrop(void);
void vMsgHoldPrintAfter(const char *pcHeading);
// A program without windows sees every text as it is printed: the message
// box's (exactly as appended) and the progress line's. Null members are
// not called; a null echo removes it.
struct stMsgEcho {
    void (*pfnMessage)(const char *pcText, void *pvContext);
    void (*pfnProgress)(const char *pcText, void *pvContext);
    void *pvContext;
};
void vMsgSetEcho(const stMsgEcho *pstEcho);
// printf-style; replaces the progress panel's text line.
void vPrintProgress(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
// Action of CMD_SAVE_MSG; returns progress-used 0.
int32_t s32SaveMsgToFile(void);

#endif
