#include <gtest/gtest.h>

#include "platform/process/process.h"
#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct RunResult {
    int32_t s32Result = -2;
    int32_t s32Status = -2;
    size_t length = 0;
    std::string why;
};

RunResult stRun(std::vector<const char *> argv, const std::string &input, char *pcOutput,
                size_t outputSize)
{
    argv.push_back(nullptr);
    RunResult result;
    char cWhy[256] = "unset";
    result.s32Result = s32ProcRunCapture(argv.data(), input.data(), input.size(), pcOutput,
                                         outputSize, &result.length, &result.s32Status, cWhy,
                                         sizeof(cWhy));
    result.why = cWhy;
    return result;
}

// The program answers its input while it reads it: the exchange must
// neither block nor lose a byte.
TEST(ProcessRun, InputComesBackWholeAndStatusAndErrorsAreTold)
{
    std::string input(32768, '\0');
    for (size_t i = 0; i < input.size(); i++)
        input[i] = (char)(i * 7 + i / 256);
    std::vector<char> output(40000, 'x');
    RunResult run = stRun({"cat"}, input, output.data(), output.size());
    ASSERT_EQ(run.s32Result, PROC_RUN_OK) << run.why;
    EXPECT_EQ(run.s32Status, 0);
    EXPECT_EQ(run.why, "");
    ASSERT_EQ(run.length, input.size());
    EXPECT_EQ(std::string(output.data(), run.length), input);
    EXPECT_EQ(output[run.length], '\0');
    // Many times what the pipes hold: written all first, it would never end.
    std::string big;
    for (int i = 0; i < 16; i++)
        big += input;
    output.assign(big.size() + 1, 'x');
    run = stRun({"cat"}, big, output.data(), output.size());
    EXPECT_EQ(run.s32Result, PROC_RUN_OK);
    EXPECT_TRUE(run.length == big.size() && memcmp(output.data(), big.data(), big.size()) == 0);

    char cOut[64];
    run = stRun({"sh", "-c", "echo out; echo err >&2; exit 3"}, "", cOut, sizeof(cOut));
    EXPECT_EQ(run.s32Result, PROC_RUN_OK);
    EXPECT_EQ(run.s32Status, 3);
    EXPECT_STREQ(cOut, "out\nerr\n");
    EXPECT_EQ(run.length, 8u);

    run = stRun({"sh", "-c", "kill -TERM $$"}, "", cOut, sizeof(cOut));
    EXPECT_EQ(run.s32Result, PROC_RUN_OK);
    EXPECT_EQ(run.s32Status, 128 + 15);

    run = stRun({"tavolin-no-such-program"}, "abc", cOut, sizeof(cOut));
    EXPECT_EQ(run.s32Result, PROC_RUN_NOT_FOUND);
    EXPECT_STREQ(cOut, "");
    EXPECT_EQ(run.length, 0u);
    run = stRun({"/"}, "", cOut, sizeof(cOut));
    EXPECT_EQ(run.s32Result, PROC_RUN_FAILED);
    EXPECT_EQ(run.why, "/: cannot run it: Permission denied");
}

// A program that reads no input and prints more than the buffer holds: the
// output is cut to the buffer, the program still runs to its end.
TEST(ProcessRun, OutputIsCutToTheBufferAndInputNobodyReadsIsDropped)
{
    std::string input(32768, 'i');
    char cOut[8];
    memset(cOut, 'x', sizeof(cOut));
    RunResult run = stRun({"sh", "-c", "seq 1 20000; echo end >&2; exit 4"}, input, cOut,
                          sizeof(cOut));
    EXPECT_EQ(run.s32Result, PROC_RUN_OK) << run.why;
    EXPECT_EQ(run.s32Status, 4);
    EXPECT_STREQ(cOut, "1\n2\n3\n4");
    EXPECT_EQ(run.length, 7u);
}

// The watcher is asked after every look; its stop kills the program, whose
// output until then is kept. (Not stopped, the program would end by itself
// with more output.)
TEST(ProcessRun, AWatcherIsAskedAndItsStopKillsTheProgram)
{
    struct Watch {
        const char *pcOutput;
        bool bStopAtOutput;
        int s32Asked;
    };
    auto pfnWatcher = [](void *pv) {
        Watch *pstWatch = static_cast<Watch *>(pv);
        pstWatch->s32Asked++;
        return !(pstWatch->bStopAtOutput && strstr(pstWatch->pcOutput, "partial"));
    };
    std::vector<char> output(64, '\0');
    Watch stWatch = {output.data(), true, 0};
    size_t length = 0;
    int32_t s32Status = 0;
    char cWhy[256] = "unset";
    const char *ppcArgv[] = {"sh", "-c", "echo partial; sleep 5; echo never", nullptr};
    EXPECT_EQ(s32ProcRunWatched(ppcArgv, "", 0, output.data(), output.size(), &length, &s32Status,
                                10, pfnWatcher, &stWatch, cWhy, sizeof(cWhy)),
              PROC_RUN_STOPPED);
    EXPECT_STREQ(output.data(), "partial\n");
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(s32Status, 128 + 9);
    EXPECT_STREQ(cWhy, "");

    std::string input(100000, 'c');
    output.assign(input.size() + 1, '\0');
    stWatch = {output.data(), false, 0};
    const char *ppcCat[] = {"cat", nullptr};
    EXPECT_EQ(s32ProcRunWatched(ppcCat, input.data(), input.size(), output.data(), output.size(),
                                &length, &s32Status, 10, pfnWatcher, &stWatch, cWhy, sizeof(cWhy)),
              PROC_RUN_OK);
    EXPECT_EQ(std::string(output.data(), length), input);
    EXPECT_EQ(s32Status, 0);
    EXPECT_GT(stWatch.s32Asked, 0);
}

TEST(ProcessRun, OurOtherDescriptorsAreNotInherited)
{
    int s32Fd = open("/dev/null", O_RDONLY); // no close-on-exec
    ASSERT_GE(s32Fd, 0);
    ASSERT_EQ(dup2(s32Fd, 57), 57);
    char cOut[64];
    RunResult run = stRun({"sh", "-c", "[ -e /proc/self/fd/57 ] && echo open; exit 0"}, "", cOut,
                          sizeof(cOut));
    close(57);
    close(s32Fd);
    EXPECT_EQ(run.s32Result, PROC_RUN_OK);
    EXPECT_STREQ(cOut, "");
}

TEST(ProcessInfo, HostNameAndTheDateTestsFix)
{
    char cName[256];
    EXPECT_EQ(s32ProcHostName(cName, sizeof(cName)), 1);
    char cOwn[256] = "";
    gethostname(cOwn, sizeof(cOwn));
    EXPECT_STREQ(cName, cOwn);
    char cTiny[1];
    EXPECT_EQ(s32ProcHostName(cTiny, sizeof(cTiny)), 0);
    EXPECT_STREQ(cTiny, "");

    int32_t s32Year = 0, s32Month = 0, s32Day = 0;
    vProcSetDateForTest(2024, 2, 29);
    vProcLocalDate(&s32Year, &s32Month, &s32Day);
    EXPECT_EQ(s32Year * 10000 + s32Month * 100 + s32Day, 20240229);
    vProcSetDateForTest(0, 0, 0);
    vProcLocalDate(&s32Year, &s32Month, &s32Day);
    time_t now = time(nullptr);
    struct tm stNow;
    localtime_r(&now, &stNow);
    EXPECT_EQ(s32Year, stNow.tm_year + 1900);
    EXPECT_EQ(s32Month, stNow.tm_mon + 1);
    EXPECT_EQ(s32Day, stNow.tm_mday);
}

// Only a regular tavolin.lock locks the folder: anything else in its place
// is refused, named, and left as it was (a FIFO is not waited on).
TEST(ProcessLock, ALockFileThatIsNoRegularFileIsRefused)
{
    struct Case {
        const char *pcKind;
        int (*pfnMake)(const char *pcPath);
    } cases[] = {
        {"a folder", [](const char *pcPath) { return mkdir(pcPath, 0700); }},
        {"a FIFO", [](const char *pcPath) { return mkfifo(pcPath, 0600); }},
        {"a symbolic link", [](const char *pcPath) { return symlink("/dev/null", pcPath); }},
    };
    for (const Case &c : cases) {
        TempDir dir;
        std::string lock = dir.file(PROC_LOCK_FILE_NAME);
        ASSERT_EQ(c.pfnMake(lock.c_str()), 0);
        int32_t s32Holder = -1;
        char cWhy[512] = "";
        EXPECT_EQ(s32ProcLockFolder(dir.path().c_str(), &s32Holder, cWhy, sizeof(cWhy)),
                  PROC_LOCK_FAILED);
        EXPECT_EQ(std::string(cWhy), lock + " is " + c.pcKind + ", not a regular file");
        EXPECT_EQ(s32Holder, 0);
    }
}

} // namespace

namespace {

// The desktop's opener is looked for on the PATH when the document is
// opened; the call does not wait for what it shows.
class ProcessOpen : public ::testing::Test {
protected:
    void SetUp() override { m_path = getenv("PATH") ? getenv("PATH") : ""; }
    void TearDown() override { setenv("PATH", m_path.c_str(), 1); }
    std::string Open(const char *pcDocument)
    {
        setenv("PATH", m_dir.path().c_str(), 1);
        char cWhy[256] = "unset";
        bool bOpened = bProcOpenDocument(pcDocument, cWhy, sizeof(cWhy));
        return bOpened ? "" : cWhy;
    }
    std::string m_path;
    TempDir m_dir;
};

TEST_F(ProcessOpen, AMissingOpenerIsSaidAndAnOpenerThereIsLeftRunning)
{
    EXPECT_EQ(Open("/tmp/report.html"), "xdg-open: could not be started: No such file or directory");
    vWriteFile(m_dir.file("xdg-open"), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(Open("/tmp/report.html"), "xdg-open: could not be started: Permission denied");
    chmod(m_dir.file("xdg-open").c_str(), 0755);
    EXPECT_EQ(Open("/tmp/report.html"), "");
}

} // namespace
