// Entry of the installer: a windowless program on Windows, which gets the
// command line as one text; on Linux the arguments are joined with blanks
// into that text.
#include "installer/installer.h"

#include "platform/win32api/Win32Api.h"

#include <string.h>

#if defined(_WIN32)

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    return s32InstallerMain(lpCmdLine);
}

#else

namespace {

// Only whole arguments go in: one that does not fit ends the text, since a
// cut one could read as another option.
void vJoinArguments(int argc, char *argv[], char *pcText, size_t size)
{
    size_t used = 0;
    pcText[0] = '\0';
    for (int i = 1; i < argc; i++) {
        size_t len = strlen(argv[i]);
        if (used + (used ? 1 : 0) + len >= size)
            return;
        if (used)
            pcText[used++] = ' ';
        memcpy(pcText + used, argv[i], len + 1);
        used += len;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    static char cCommandLine[32768];
    vJoinArguments(argc, argv, cCommandLine, sizeof(cCommandLine));
    return s32InstallerMain(cCommandLine);
}

#endif
