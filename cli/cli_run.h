// One tavolin-cli command, run by the program's own code: its panels are
// loaded but never shown, the start-up runs as the window program's does,
// the subcommand sets the panel as an operator would and posts the same
// commands, and the commands run one after another from the ring. It takes
// the folder's lock as the window program does and answers the dialogs in
// place of an operator; the run passes only when every bus command it asked
// for ran and passed. The settings are never saved.
#ifndef CLI_RUN_H
#define CLI_RUN_H

#include "cli/cli_options.h"

#include <stdint.h>
#include <stdio.h>

// With the panel run-time up: runs the command, writes what it tells to
// pOut and pErr, and returns the exit code (CLI_EXIT_*). A quit signal lets
// the running command end; the rest is not run.
int32_t s32CliRun(const stCliOptions *pstOptions, FILE *pOut, FILE *pErr);

#endif
