// What tavolin-cli tells: the message-box lines streamed as the commands
// print them (standard output, or standard error with --json), a progress
// bar on a terminal, each command kept as a step with its lines, verdict and
// duration, and the JSON document at the end.
#ifndef CLI_REPORT_H
#define CLI_REPORT_H

#include "cli/cli_options.h"

#include <stdint.h>
#include <stdio.h>

enum { STEP_NONE = 0, STEP_PASS = 1, STEP_FAIL = 2 };

// The step of a unit's start (the serial's Enter), which is no command: a
// refused unit prints its reason there.
#define CLI_STEP_UNIT_START 0

#define CLI_STEP_MAX 128          // steps kept for the JSON document
#define CLI_TEXT_ARENA 262144     // bytes of step text kept for it

// Starts the report: the message log's texts go to it from now on.
void vReportBegin(const stCliOptions *pstOptions, FILE *pOut, FILE *pErr);
// The text printed since the last step ends one step of this command;
// bCounted: whether its verdict counts for the exit code. s32Verdict is the
// command's own result, or STEP_NONE to judge the step by its lines.
void vReportEndStep(int32_t s32CmdId, int32_t bCounted, int32_t s32Verdict);
// Our own notices (not the message box's), on standard error. The last one
// is the JSON document's reason for a run that could not start.
void vReportSay(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
// Why the run did not pass, for the JSON document, when no step says it.
void vReportReason(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
// The JSON document of a run that ended before it began: a command line
// refused, no panel run-time.
void vReportEarlyDocument(FILE *pOut, const char *pcCommand, int32_t s32ExitCode,
                          const char *pcWhy);
// A display of the detected list, for the JSON document.
void vReportAddDisplay(int32_t s32Position, const char *pcId);
// The verdict of the last step run of this command, STEP_NONE when none ran.
int32_t s32ReportLastVerdict(int32_t s32CmdId);
// True when that step printed this text.
bool bReportLastStepHas(int32_t s32CmdId, const char *pcText);
// CLI_EXIT_FAIL when a counted step failed, else CLI_EXIT_PASS.
int32_t s32ReportExitCode(void);
// Ends the report with the exit code: the JSON document when asked, the
// progress bar erased, the message log left alone again. pcStopSignal names
// the signal that stopped the run, or is null.
void vReportFinish(int32_t s32ExitCode, const char *pcStopSignal);

// A step's verdict from its text: a " - Fail..." line, a status or file
// line that failed, or a refused or failed unit fail it; a " - Pass",
// " - Success !" or passed unit line passes it; anything else tells nothing.
int32_t s32StepVerdict(const char *pcText, size_t length);

#endif
