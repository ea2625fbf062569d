// An installed program names its folder to the library in
// TAVOLIN_PROGRAM_DIR: the log says so first, and the bench description, its
// state and the driver trace are looked for and kept there.
#include "ddc_test_util.h"

#include <stdlib.h>

#include "tests/support/temp_dir.h"

namespace {

class DdcProgramDirTest : public DdcTest {
protected:
    void TearDown() override
    {
        DisableLog();
        unsetenv("TAVOLIN_PROGRAM_DIR");
        DdcTest::TearDown();
    }
    // The first line after the log's heading.
    std::string FolderLine()
    {
        EXPECT_EQ(EnableLog(m_log.file("log.txt").c_str(), 1), 0u);
        std::string lines = strLogLines(m_log.file("log.txt"));
        return lines.substr(0, lines.find('\n') + 1);
    }
    // A new run with the state file allowed, as the program's start makes it.
    void Restart()
    {
        vDdcBenchReset();
        vDdcBenchAllowPersistence(1);
        EnableLog(m_log.file("log.txt").c_str(), 1);
        InitDDCHelper();
    }
    std::string BenchLines()
    {
        std::string all = strLogLines(m_log.file("log.txt")), out;
        for (size_t pos = 0, end; (end = all.find('\n', pos)) != std::string::npos; pos = end + 1)
            if (all.compare(pos, 6, "bench:") == 0)
                out += all.substr(pos, end + 1 - pos);
        return out;
    }

    TempDir m_dir; // the user's folder
    TempDir m_log;
};

TEST_F(DdcProgramDirTest, LogStartsWithTheModeAndTheFolder)
{
    EXPECT_EQ(FolderLine(), strPortableFolderLine());
    setenv("TAVOLIN_PROGRAM_DIR", m_dir.path().c_str(), 1);
    EXPECT_EQ(FolderLine(), "folder: installed; the program's files in " + m_dir.path() +
                                "/ (named by TAVOLIN_PROGRAM_DIR)\n");
    setenv("TAVOLIN_PROGRAM_DIR", (m_dir.path() + "/").c_str(), 1);
    EXPECT_EQ(FolderLine(), "folder: installed; the program's files in " + m_dir.path() +
                                "/ (named by TAVOLIN_PROGRAM_DIR)\n")
        << "one separator, not two";
    setenv("TAVOLIN_PROGRAM_DIR", "relative/folder", 1);
    EXPECT_EQ(FolderLine(), strPortableFolderLine()) << "a relative folder is ignored";
    setenv("TAVOLIN_PROGRAM_DIR", "", 1);
    EXPECT_EQ(FolderLine(), strPortableFolderLine());
}

// Without a display bus or a bench asked for, nothing starts; asked for,
// the built-in bench keeps its memories in the named folder.
TEST_F(DdcProgramDirTest, BuiltInBenchKeepsItsStateInTheNamedFolder)
{
    setenv("TAVOLIN_PROGRAM_DIR", m_dir.path().c_str(), 1);
    Restart();
    EXPECT_EQ(BenchLines(), "bench: no description, and no DRM connector with a DDC adapter under "
                            "(no sysfs)/class/drm\n"
                            "bench: no outputs; DDCHELPER_BENCH=builtin asks for the built-in "
                            "simulated bench\n");
    uint32_t u32Source = 0;
    EXPECT_EQ(GetLibraryInfo(DDC_LIB_SOURCE, &u32Source), 0u);
    EXPECT_EQ(u32Source, (uint32_t)DDC_SOURCE_NO_BUS_PATH);
    DeinitDDCHelper();
    DisableLog();
    setenv("DDCHELPER_BENCH", "builtin", 1);
    Restart();
    unsetenv("DDCHELPER_BENCH");
    EXPECT_EQ(BenchLines(), "bench: DDCHELPER_BENCH=builtin: the built-in bench, whatever "
                            "displays the machine has\n"
                            "bench: built-in bench of 4 outputs\n"
                            "bench: memories persist in " +
                                m_dir.file("DDCBench.state") + "\n");
    Bytes page = {0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(u32Write(DDC_BENCH_HANDLE(2), page), 0u);
    DeinitDDCHelper();
    EXPECT_TRUE(bFileExists(m_dir.file("DDCBench.state")));
}

TEST_F(DdcProgramDirTest, DescriptionIsReadFromTheNamedFolder)
{
    vWriteFile(m_dir.file("DDCBench.txt"), "[output]\nedid = blank\n");
    setenv("TAVOLIN_PROGRAM_DIR", m_dir.path().c_str(), 1);
    Restart();
    EXPECT_EQ(u32DdcBenchOutputCount(), 1u);
    EXPECT_EQ(BenchLines(), "bench: 1 outputs from " + m_dir.file("DDCBench.txt") +
                                "\n"
                                "bench: memories persist in " +
                                m_dir.file("DDCBench.txt.state") + "\n");
}

TEST_F(DdcProgramDirTest, DriverTraceGoesToTheNamedFolder)
{
    setenv("TAVOLIN_PROGRAM_DIR", m_dir.path().c_str(), 1);
    vDdcBenchAllowPersistence(1);
    ASSERT_EQ(InstallDriver(nullptr, 1), 0u);
    vDdcBenchAllowPersistence(0);
    EXPECT_EQ(strReadFile(m_dir.file("DDCDrv.state")), "InstallDriver(null, 1)\n");
}

} // namespace
