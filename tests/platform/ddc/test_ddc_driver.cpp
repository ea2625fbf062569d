// The driver trace: DDCDrv.state beside the library, the last of
// InstallDriver and UninstallDriver, written only where persistence is on.
#include "ddc_test_util.h"

#include <dlfcn.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace {

// The trace beside the loaded libDDCHelper.so, found as the library finds
// its own folder. A trace already there (from running the program in the
// build folder) is put back afterwards.
class DdcDriverTrace : public DdcTest {
protected:
    void SetUp() override
    {
        DdcTest::SetUp();
        Dl_info stInfo;
        ASSERT_TRUE(dladdr((void *)&InstallDriver, &stInfo) && stInfo.dli_fname);
        m_lib = stInfo.dli_fname;
        ASSERT_NE(m_lib.rfind('/'), std::string::npos);
        m_trace = m_lib.substr(0, m_lib.rfind('/') + 1) + "DDCDrv.state";
        m_bHadTrace = bFileExists(m_trace);
        if (m_bHadTrace)
            m_before = strReadFile(m_trace);
        remove(m_trace.c_str());
    }
    void TearDown() override
    {
        remove(m_trace.c_str());
        if (m_bHadTrace)
            vWriteFile(m_trace, m_before);
        DdcTest::TearDown();
    }

    std::string m_lib;
    std::string m_trace;
    bool m_bHadTrace = false;
    std::string m_before;
};

TEST_F(DdcDriverTrace, EachCallReplacesTheTraceWithItsOwnLine)
{
    vDdcBenchAllowPersistence(1);
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
    EXPECT_EQ(strReadFile(m_trace), "InstallDriver(null, 1)\n");
    EXPECT_EQ(UninstallDriver(), 0u);
    EXPECT_EQ(strReadFile(m_trace), "UninstallDriver()\n");
    EXPECT_EQ(InstallDriver("C:\\WINDOWS\\system32\\drivers", 7), 0u);
    EXPECT_EQ(strReadFile(m_trace), "InstallDriver(\"C:\\WINDOWS\\system32\\drivers\", 7)\n");
    EXPECT_FALSE(bFileExists(m_trace + ".new"));
}

TEST_F(DdcDriverTrace, ACopyLoadedFromAnotherFolderTracesThereAsAFreshProcess)
{
    TempDir dir;
    vWriteFile(dir.file("libDDCHelper.so"), strReadFile(m_lib));
    void *pvLib = dlopen(dir.file("libDDCHelper.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(pvLib, nullptr) << dlerror();
    auto pfnInstall = (uint32_t(*)(const char *, uint32_t))dlsym(pvLib, "InstallDriver");
    ASSERT_NE(pfnInstall, nullptr);
    EXPECT_EQ(pfnInstall(nullptr, 1), 0u);
    dlclose(pvLib);
    EXPECT_EQ(strReadFile(dir.file("DDCDrv.state")), "InstallDriver(null, 1)\n");
    EXPECT_FALSE(bFileExists(m_trace));
}

TEST_F(DdcDriverTrace, NothingIsWrittenWithoutPersistence)
{
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
    EXPECT_EQ(UninstallDriver(), 0u);
    EXPECT_FALSE(bFileExists(m_trace));
    vDdcBenchAllowPersistence(1);
    vDdcBenchReset();
    EXPECT_EQ(UninstallDriver(), 0u);
    EXPECT_FALSE(bFileExists(m_trace)) << "a reset turns persistence off";
}

TEST_F(DdcDriverTrace, ATraceThatCannotBeWrittenIsSkippedSilently)
{
    vDdcBenchAllowPersistence(1);
    TempDir dir;
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    // A folder in the trace's place cannot be replaced by a file.
    ASSERT_EQ(mkdir(m_trace.c_str(), 0755), 0);
    EXPECT_EQ(InstallDriver(nullptr, 1), 0u);
    EXPECT_EQ(DisableLog(), 0u);
    EXPECT_EQ(rmdir(m_trace.c_str()), 0) << "the folder is left as it was";
    EXPECT_FALSE(bFileExists(m_trace + ".new"));
    EXPECT_EQ(strLogLines(dir.file("log.txt")),
              strPortableFolderLine() + "EnableLog(\"" + dir.file("log.txt") + "\", 1) = 0x0\n"
              "InstallDriver(NULL, 1) = 0x0\n"
              "DisableLog() = 0x0\n");
}

} // namespace
