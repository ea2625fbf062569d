// tavolin-pkg COMMAND ...: see the usage text below.
#include "pkgtool/pkgtool.h"

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
    "'tavolin-pkg COMMAND --help' describes a command.\n"
    "Exit codes: 0 done, 1 input refused, 2 usage error.\n";

struct stCommand {
    const char *pcName;
    int (*pfnRun)(int argc, char *argv[]);
};

const stCommand gst_Commands[] = {
    {"build", s32BuildCommand},
    {"info", s32InfoCommand},
    {"extract", s32ExtractCommand},
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2)
        return s32UsageError(nullptr, "no command given");
    if (bIsHelp(argv[1])) {
        fputs(gc_Usage, stdout);
        return PKGTOOL_OK;
    }
    for (const stCommand &stCmd : gst_Commands) {
        if (strcmp(argv[1], stCmd.pcName) == 0)
            return stCmd.pfnRun(argc - 1, argv + 1);
    }
    return s32UsageError(nullptr, "unknown command '%s'", argv[1]);
}
