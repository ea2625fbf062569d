// Quits from outside the window: SIGINT, SIGTERM and SIGHUP take the close
// box's path in the real event loop, and a second copy of the program on
// the same folder ends before it writes anything.
#include "tests/support/edid_maker.h"
#include "tests/support/package_maker.h"
#include "tests/support/pause_script.h"
#include "tests/support/test_env.h"

#include "platform/ddc/ddc_bench_test.h"
#include "platform/process/process.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "ui/Pavimo.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

const Lines gl_ShutdownCalls = {"DisableLog() = 0x0", "DeinitDDCHelper() = 0x0",
                                "UninstallDriver() = 0x0"};

struct SignalRun {
    std::string pkgPath;
    std::vector<uint8_t> pkg;
    PauseScript script;
    uint32_t u32CallsAtStart = 0;
    int s32Writes = 0;
};

// Start-up, then a Start with Program alone; the pause before each packet
// write (50 ms) counts the packets, and the script signals at some of them.
void vDriveProgram(void *pvContext)
{
    auto *pRun = static_cast<SignalRun *>(pvContext);
    vUsePackageFile(pRun->pkgPath, pRun->pkg);
    for (int i = 0; i < 21; i++)
        vUiFireTimers();
    int s32Main = gst_UiHandles.s32MainPanel;
    SetCtrlVal(s32Main, MAIN_FUNC_VERIFY, 0);
    SetCtrlVal(s32Main, MAIN_FUNC_PROGRAM, 1);
    UiClick(s32Main, MAIN_START_BTN);
    pRun->u32CallsAtStart = u32DdcBenchLogCount();
    vClockSetPauseHook(
        [](uint32_t u32Ms, void *pv) {
            auto *pRun = static_cast<SignalRun *>(pv);
            if (u32Ms != 50)
                return;
            auto step = pRun->script.steps.find(++pRun->s32Writes);
            if (step != pRun->script.steps.end())
                step->second();
        },
        pRun);
    for (int i = 0; i < 40 && gs32_QuitState != QUIT_DONE; i++)
        vUiFireTimers();
    vClockSetPauseHook(nullptr, nullptr);
}

class QuitSignalTest : public AppTest {
protected:
    SignalRun m_run;
    std::vector<uint8_t> m_old = lstMakeEdid(1, "OLD", 0x1111);
    std::vector<uint8_t> m_new = lstMakeEdid(1, "NEW", 0x2222);

    void SetUp() override
    {
        AppTest::SetUp();
        vDdcBenchClear();
        s32DdcBenchAddDisplay(m_old.data(), (uint32_t)m_old.size(), 256);
        m_run.pkgPath = m_dir.file("new.pkg");
        m_run.pkg = lstMakePackage({{"HDMI1", m_new}});
    }

    void TearDown() override
    {
        vDdcBenchReset();
        AppTest::TearDown();
    }

    int Run(void (*pfnDrive)(void *), void *pvContext)
    {
        vUiRunWhenLoopStarts(pfnDrive, pvContext);
        char cName[] = "tavolin";
        char *pcArgv[] = {cName, nullptr};
        return s32TavolinMain(1, pcArgv);
    }
};

TEST_F(QuitSignalTest, TermDuringAProgramLetsItFinishThenShutsDown)
{
    // What an earlier save killed before its rename left goes at the start.
    vWriteFile(m_dir.file("DefSetting.ini.k1LL3d"), "FilePath = half");
    m_run.script.steps[8] = [] { raise(SIGTERM); };
    m_run.script.steps[12] = [] { raise(SIGTERM); }; // a second one changes nothing
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(vDriveProgram, &m_run), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tavolin: SIGTERM: quitting after the running command\n");
    EXPECT_EQ(lstDdcBenchMemory(0), m_new);
    Lines all = lstDdcBenchCalls();
    Lines calls(all.begin() + m_run.u32CallsAtStart, all.end());
    ASSERT_EQ(calls.size(), 32u + 3u);
    for (size_t i = 0; i < 32; i++)
        EXPECT_EQ(calls[i].rfind("WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x0", 0), 0u) << i;
    EXPECT_EQ(Lines(calls.end() - 3, calls.end()), gl_ShutdownCalls);
    EXPECT_FALSE(bFileExists(m_dir.file("DefSetting.ini.k1LL3d")));
    // The settings were saved at the end: the package chosen in this run.
    EXPECT_NE(strReadFile(m_dir.file("DefSetting.ini")).find("FilePath = " + m_run.pkgPath + "\r\n"),
              std::string::npos);
}

TEST_F(QuitSignalTest, HangupWhileIdleQuitsAtOnce)
{
    static uint32_t u32CallsBefore;
    testing::internal::CaptureStderr();
    int s32Status = Run(
        [](void *) {
            for (int i = 0; i < 21; i++)
                vUiFireTimers();
            u32CallsBefore = u32DdcBenchLogCount();
            raise(SIGHUP);
            raise(SIGINT);
            vUiDeliverQueuedInput();
        },
        nullptr);
    EXPECT_EQ(s32Status, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin: SIGHUP: quitting\n");
    Lines all = lstDdcBenchCalls();
    EXPECT_EQ(Lines(all.begin() + u32CallsBefore, all.end()), gl_ShutdownCalls);
}

TEST_F(QuitSignalTest, SecondCopyOnTheFolderEndsAndWritesNothing)
{
    std::string lock = m_dir.file(PROC_LOCK_FILE_NAME);
    vWriteFile(lock, "4242\n");
    int s32Fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(s32Fd, 0);
    ASSERT_EQ(flock(s32Fd, LOCK_EX | LOCK_NB), 0); // the first copy, as far as the kernel knows
    static std::string s_popup;
    s_popup.clear();
    vUiSetMessageResponder(
        [](const char *pcTitle, const char *pcText, void *) {
            s_popup = std::string(pcTitle) + ": " + pcText;
        },
        nullptr);
    Lines before = lstDirEntries(m_dir.path());
    testing::internal::CaptureStderr();
    // Were it to start after all, it would be closed again at once.
    EXPECT_EQ(Run([](void *) { UiClosePanel(gst_UiHandles.s32MainPanel); }, nullptr), 1);
    vUiDeliverQueuedInput(); // the close finds no panel now
    std::string text = "is already running on the folder " + m_dir.path() +
                       " (process 4242); this copy ends.";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin " + text + "\n");
    EXPECT_EQ(s_popup, "Tavolin: Tavolin " + text);
    EXPECT_EQ(lstDirEntries(m_dir.path()), before);
    EXPECT_EQ(strReadFile(lock), "4242\n");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_EQ(gst_UiHandles.s32MainPanel, 0);
    close(s32Fd);
}

// A lock file that cannot lock (here a folder in its place) keeps nothing
// off the folder: the program does not run on it.
TEST_F(QuitSignalTest, ALockFileThatCannotLockEndsTheCopy)
{
    std::string lock = m_dir.file(PROC_LOCK_FILE_NAME);
    ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
    static std::string s_popup;
    s_popup.clear();
    vUiSetMessageResponder([](const char *, const char *pcText, void *) { s_popup = pcText; },
                           nullptr);
    Lines before = lstDirEntries(m_dir.path());
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run([](void *) { UiClosePanel(gst_UiHandles.s32MainPanel); }, nullptr), 1);
    vUiDeliverQueuedInput();
    std::string text = "cannot lock the program's folder (" + lock +
                       " is a folder, not a regular file); this copy ends.";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin: " + text + "\n");
    EXPECT_EQ(s_popup, "Tavolin " + text);
    EXPECT_EQ(lstDirEntries(m_dir.path()), before);
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
}

// The second copy's popup waits for OK; a signal meanwhile (timeout, a line
// controller's kill) ends it at once with code 1, not after the popup.
TEST_F(QuitSignalTest, ASignalWhileTheSecondCopysPopupShowsEndsItWithOne)
{
    std::string lock = m_dir.file(PROC_LOCK_FILE_NAME);
    vWriteFile(lock, "4242\n");
    int s32Fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(s32Fd, 0);
    ASSERT_EQ(flock(s32Fd, LOCK_EX | LOCK_NB), 0);
    // The popup's own event loop, while the operator has not pressed OK.
    vUiSetMessageResponder(
        [](const char *, const char *, void *) {
            raise(SIGTERM);
            for (int i = 0; i < 10; i++)
                ProcessSystemEvents();
        },
        nullptr);
    EXPECT_EXIT(Run([](void *) { UiClosePanel(gst_UiHandles.s32MainPanel); }, nullptr),
                testing::ExitedWithCode(1), "tavolin: SIGTERM: ending\n");
    close(s32Fd);
}

// Ctrl+C ends the whole pipeline 'tavolin 2>&1 | tee log': the line saying
// that the program quits then goes into a pipe nobody reads.
TEST_F(QuitSignalTest, WriteIntoAPipeNobodyReadsFailsWithoutEndingTheProgram)
{
    ASSERT_GE(s32ProcCatchQuitSignals(), 0);
    int s32Pipe[2];
    ASSERT_EQ(pipe(s32Pipe), 0);
    close(s32Pipe[0]);
    EXPECT_EQ(write(s32Pipe[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    close(s32Pipe[1]);
}

// A lock file planted as a symlink is not followed: what it points at keeps
// its bytes, and the program runs on without a lock.
TEST_F(QuitSignalTest, LockFileSymlinkIsNotFollowed)
{
    TempDir other;
    std::string target = other.file("target");
    vWriteFile(target, "keep");
    ASSERT_EQ(symlink(target.c_str(), m_dir.file(PROC_LOCK_FILE_NAME).c_str()), 0);
    int32_t s32Holder = -1;
    char cWhy[256];
    EXPECT_EQ(s32ProcLockFolder(m_dir.path().c_str(), &s32Holder, cWhy, sizeof(cWhy)),
              PROC_LOCK_FAILED);
    EXPECT_EQ(s32Holder, 0);
    EXPECT_EQ(strReadFile(target), "keep");
}

} // namespace
