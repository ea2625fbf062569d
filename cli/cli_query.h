// tavolin-cli's records and report: the station's unit record read back,
// without the panels, the bus or the folder's lock (a station may be
// writing the record meanwhile).
#ifndef CLI_QUERY_H
#define CLI_QUERY_H

#include "cli/cli_options.h"

#include <stdint.h>
#include <stdio.h>

// Runs records or report in the program's folder; the exit code (CLI_EXIT_*).
int32_t s32CliQuery(const stCliOptions *pstOptions, FILE *pOut, FILE *pErr);

#endif
