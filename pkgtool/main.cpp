// tavolin-pkg COMMAND ...: see the usage text below.
#include "pkgtool/pkgtool.h"

#include "files/edid_image.h"
#include "files/package_layout.h"

#include <signal.h>
#include <stdio.h>
#include <string.h>

namespace {

const char gc_Usage[] =
    "Usage: tavolin-pkg COMMAND [OPTION...]\n"
    "Builds, inspects and unpacks Tavolin package files (*.pkg).\n"
    "\n"
    "Commands:\n"
    "  build    a package from the EDID images of up to eight ports\n"
    "  info     the header, the ports and the checks of a package\n"
    "  extract  one port's EDID image, as binary or as EDID text\n"
    "\n"
    "'tavolin-pkg COMMAND --help' describes a command; 'tavolin-pkg --version' prints\n"
    "the version.\n"
    "Exit codes: 0 done, 1 input refused or standard output not written, 2 usage error.\n";

struct stCommand {
    const char *pcName;
    int (*pfnRun)(int argc, char *argv[]);
};

const stCommand gst_Commands[] = {
    {"build", s32BuildCommand},
    {"info", s32InfoCommand},
    {"extract", s32ExtractCommand},
};

// Everything the tool prints fits (the largest is an image as EDID text), so
// standard output is written once, when it is closed, and a failure is seen
// there with its reason.
char gc_StdoutBuf[64 * 1024];
static_assert(sizeof(gc_StdoutBuf) > EDID_TEXT_SIZE_OF(PKG_FILE_SIZE));

int s32RunCommand(int argc, char *argv[])
{
    if (argc < 2)
        return s32UsageError(nullptr, "no command given");
    if (bIsHelp(argv[1])) {
        fputs(gc_Usage, stdout);
        return PKGTOOL_OK;
    }
    if (strcmp(argv[1], "--version") == 0) {
        printf("tavolin-pkg %s\n", TAVOLIN_VERSION);
        return PKGTOOL_OK;
    }
    for (const stCommand &stCmd : gst_Commands) {
        if (strcmp(argv[1], stCmd.pcName) == 0)
            return stCmd.pfnRun(argc - 1, argv + 1);
    }
    return s32UsageError(nullptr, "unknown command '%s'", argv[1]);
}

} // namespace

int main(int argc, char *argv[])
{
    // A write to a pipe nobody reads then fails, and the tool says so and
    // exits 1, instead of being ended by the signal (Windows has none: the
    // write just fails).
#if defined(SIGPIPE)
    signal(SIGPIPE, SIG_IGN);
#endif
    setvbuf(stdout, gc_StdoutBuf, _IOFBF, sizeof(gc_StdoutBuf));
    int s32Code = s32RunCommand(argc, argv);
    return bCloseStdout() ? s32Code : PKGTOOL_REFUSED;
}
