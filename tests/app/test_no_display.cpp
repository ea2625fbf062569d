// The program started where no window system can be reached: it must end
// with -1 (255) and one line on standard error, never abort or write files.
#include "tests/support/test_env.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    bool bExited = false;
    int s32Code = -1;
    int s32Signal = 0;
    std::string err;
};

// Runs a copy of the built program in its own folder with the environment
// changes given as "NAME=value" (set) or "NAME" (removed).
Outcome RunProgram(const TempDir &dir, const std::vector<std::string> &env)
{
    for (const char *pcName : {"tavolin", "Pavimo.uir", "libDDCHelper.so", "libAssistDll.so",
                               "libPlatformClock.so"}) {
        std::string bytes = strReadFile(std::string(TAVOLIN_BINARY_DIR "/") + pcName);
        vWriteFile(dir.file(pcName), bytes);
    }
    chmod(dir.file("tavolin").c_str(), 0755);
    std::string errPath = dir.path() + ".err";
    pid_t pid = fork();
    if (pid == 0) {
        int fdErr = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fdErr, STDERR_FILENO);
        for (const std::string &change : env) {
            size_t eq = change.find('=');
            if (eq == std::string::npos)
                unsetenv(change.c_str());
            else
                setenv(change.substr(0, eq).c_str(), change.substr(eq + 1).c_str(), 1);
        }
        if (chdir(dir.path().c_str()) != 0)
            _exit(100);
        execl("./tavolin", "tavolin", (char *)nullptr);
        _exit(101);
    }
    int s32Status = 0;
    waitpid(pid, &s32Status, 0);
    Outcome outcome;
    outcome.bExited = WIFEXITED(s32Status);
    outcome.s32Code = outcome.bExited ? WEXITSTATUS(s32Status) : -1;
    outcome.s32Signal = WIFSIGNALED(s32Status) ? WTERMSIG(s32Status) : 0;
    outcome.err = strReadFile(errPath);
    unlink(errPath.c_str());
    return outcome;
}

const char gc_Line[] = "tavolin: no display could be opened; without one, run it as "
                       "'xvfb-run tavolin' or 'QT_QPA_PLATFORM=offscreen tavolin'\n";

TEST(NoDisplay, EndsWithMinusOneAndOneLineWhateverTheReason)
{
    const std::vector<std::vector<std::string>> cases = {
        {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
        {"DISPLAY=:4242", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
        {"QT_QPA_PLATFORM=nosuchplatform"},
    };
    for (const auto &env : cases) {
        TempDir dir;
        Outcome outcome = RunProgram(dir, env);
        EXPECT_TRUE(outcome.bExited) << env[0] << " signal " << outcome.s32Signal;
        EXPECT_EQ(outcome.s32Code, 255) << env[0];
        EXPECT_EQ(outcome.err, gc_Line) << env[0];
        EXPECT_EQ(lstDirEntries(dir.path()).size(), 5u) << env[0]; // nothing written
    }
}

} // namespace
