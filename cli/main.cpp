// tavolin-cli: the main panel's jobs from the command line.
#include "cli/cli_options.h"
#include "cli/cli_query.h"
#include "cli/cli_report.h"
#include "cli/cli_run.h"
#include "files/settings.h"
#include "platform/process/process.h"
#include "platform/userint/userint_batch.h"

#include <stdio.h>
#include <string.h>

namespace {

// --json promises a document whatever happens, so it is looked for even on a
// command line that could not be parsed.
bool bAsksForJson(int argc, char *argv[])
{
    for (int i = 1; i < argc && argv[i]; i++)
        if (strcmp(argv[i], "--json") == 0)
            return true;
    return false;
}

int s32EndEarly(int argc, char *argv[], const stCliOptions &stOptions, int32_t s32Code,
                const char *pcWhy)
{
    if (bAsksForJson(argc, argv))
        vReportEarlyDocument(stdout, pcCliCommandName(stOptions.s32Command), s32Code, pcWhy);
    return s32Code;
}

int s32Usage(int argc, char *argv[], const stCliOptions &stOptions, const char *pcWhy)
{
    fprintf(stderr, "tavolin-cli: %s\nTry 'tavolin-cli --help'.\n", pcWhy);
    return s32EndEarly(argc, argv, stOptions, CLI_EXIT_USAGE, pcWhy);
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
        return s32Usage(argc, argv, stOptions, cWhy);
    if (stOptions.bHelp || stOptions.bVersion)
        return s32Answered(stOptions);
    // Caught before the run-time starts, so a signal during its start waits too.
    s32ProcCatchQuitSignals();
    if (!InitCVIRTEWithoutWindows(argv)) {
#if defined(_WIN32)
        const char cWhyNot[] = "the panel run-time could not start (Windows refused its window "
                               "class)";
#else
        const char cWhyNot[] = "the panel run-time could not start (Qt's offscreen platform is "
                               "missing: install qt6-qpa-plugins)";
#endif
        fprintf(stderr, "tavolin-cli: %s\n", cWhyNot);
        return s32EndEarly(argc, argv, stOptions, CLI_EXIT_NO_START, cWhyNot);
    }
    if (stOptions.cFolder[0] != '\0' && !UseProgramDir(stOptions.cFolder, cWhy, sizeof(cWhy)))
        return s32Usage(argc, argv, stOptions, cWhy);
    if (stOptions.s32Command == CLI_CMD_RECORDS || stOptions.s32Command == CLI_CMD_REPORT)
        return s32CliQuery(&stOptions, stdout, stderr);
    return s32CliRun(&stOptions, stdout, stderr);
}
