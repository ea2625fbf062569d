// tavolin-cli: the main panel's jobs from the command line.
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "files/settings.h"
#include "platform/process/process.h"
#include "platform/userint/userint_batch.h"

#include <stdio.h>

namespace {

int s32Usage(const char *pcWhy)
{
    fprintf(stderr, "tavolin-cli: %s\nTry 'tavolin-cli --help'.\n", pcWhy);
    return CLI_EXIT_USAGE;
}

int s32Answered(const stCliOptions &stOptions)
{
    if (stOptions.bHelp) {
        fputs(gc_CliUsage, stdout);
    } else {
        char cVersion[TEXT_BUF_SIZE];
        s32GetUiVersion(cVersion);
        printf("tavolin-cli %s\n", cVersion);
    }
    return fflush(stdout) == 0 && !ferror(stdout) ? CLI_EXIT_PASS : CLI_EXIT_FAIL;
}

} // namespace

int main(int argc, char *argv[])
{
    static stCliOptions stOptions;
    char cWhy[TEXT_BUF_SIZE];
    if (!bParseCliOptions(argc, argv, &stOptions, cWhy, sizeof(cWhy)))
        return s32Usage(cWhy);
    if (stOptions.bHelp || stOptions.bVersion)
        return s32Answered(stOptions);
    // Caught before the run-time starts, so a signal during its start waits too.
    s32ProcCatchQuitSignals();
    if (!InitCVIRTEWithoutWindows(argv)) {
        fprintf(stderr, "tavolin-cli: the panel run-time could not start (Qt's offscreen "
                        "platform is missing: install qt6-qpa-plugins)\n");
        return CLI_EXIT_NO_START;
    }
    if (stOptions.cFolder[0] != '\0' && !UseProgramDir(stOptions.cFolder, cWhy, sizeof(cWhy)))
        return s32Usage(cWhy);
    return s32CliRun(&stOptions, stdout, stderr);
}
