// The program started where no window system can be reached: it must end
// with -1 (255) and one line on standard error, never abort or write files.
#include "tests/support/run_program.h"
#include "tests/support/test_env.h"

#include <sys/stat.h>

namespace {

// A copy of the built program in its own folder, run there.
stRunResult RunProgram(const TempDir &dir, const std::vector<std::string> &env,
                       const std::vector<std::string> &args = {})
{
    for (const char *pcName : {"tavolin", "Pavimo.uir", "libDDCHelper.so", "libAssistDll.so",
                               "libPlatformClock.so"}) {
        std::string bytes = strReadFile(std::string(TAVOLIN_BINARY_DIR "/") + pcName);
        vWriteFile(dir.file(pcName), bytes);
    }
    chmod(dir.file("tavolin").c_str(), 0755);
    return stRunProgram("./tavolin", args, dir.path(), env);
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
        stRunResult outcome = RunProgram(dir, env);
        EXPECT_TRUE(outcome.bExited) << env[0] << " signal " << outcome.s32Signal;
        EXPECT_EQ(outcome.s32Code, 255) << env[0];
        EXPECT_EQ(outcome.err, gc_Line) << env[0];
        EXPECT_EQ(lstDirEntries(dir.path()).size(), 5u) << env[0]; // nothing written
    }
}

// --version and --help need no display and start nothing: no window, no
// bus library, no file.
TEST(NoDisplay, VersionAndHelpAnswerWithoutAWindow)
{
    const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    TempDir dir;
    stRunResult version = RunProgram(dir, noDisplay, {"--version"});
    EXPECT_EQ(version.s32Code, 0);
    EXPECT_EQ(version.out, "tavolin 1.04c\n");
    EXPECT_EQ(version.err, "");
    stRunResult help = RunProgram(dir, noDisplay, {"--help"});
    EXPECT_EQ(help.s32Code, 0);
    EXPECT_EQ(help.out.rfind("Usage: tavolin\n", 0), 0u);
    EXPECT_NE(help.out.find("  --version  the program's version\n"), std::string::npos);
    EXPECT_EQ(lstDirEntries(dir.path()).size(), 5u);
}

// The program takes no arguments: -h, an unknown option or a stray word
// gets the usage on standard error and code 2, and nothing starts.
TEST(NoDisplay, DashHAndUnknownArgumentsPrintTheUsageAndEndWithTwo)
{
    const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    TempDir dir;
    stRunResult help = RunProgram(dir, noDisplay, {"--help"});
    const std::pair<std::string, std::string> cases[] = {
        {"-h", ""},
        {"--verbose", "tavolin: unknown option '--verbose'\n"},
        {"job.pkg", "tavolin: takes no arguments, not 'job.pkg'\n"},
    };
    for (const auto &c : cases) {
        stRunResult run = RunProgram(dir, noDisplay, {c.first});
        EXPECT_TRUE(run.bExited) << c.first;
        EXPECT_EQ(run.s32Code, 2) << c.first;
        EXPECT_EQ(run.out, "") << c.first;
        EXPECT_EQ(run.err, c.second + help.out) << c.first;
    }
    EXPECT_EQ(lstDirEntries(dir.path()).size(), 5u);
}

} // namespace
