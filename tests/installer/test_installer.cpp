// The built installer run as an operator runs it, on a bench of its own: a
// shipped folder with the installer and the library files, a system folder
// (TAVOLIN_SYSTEM_DIR) and a registration tool on the PATH that records its
// arguments. The tool inherits the run's standard output, which the runner
// reads to the end: the tool is waited for as well, without a clock.
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

const std::string gc_Build = TAVOLIN_BINARY_DIR;

class InstallerTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string m_exe, m_sys, m_tool;

    void SetUp() override
    {
        m_exe = m_dir.file("DDC_Library");
        m_sys = m_dir.file("system");
        m_tool = m_dir.file("bin");
        for (const std::string &dir : {m_exe, m_sys, m_sys + "/drivers", m_tool})
            mkdir(dir.c_str(), 0755);
        for (const char *pcName : {"installer", "libDDCHelper.so", "libPlatformClock.so"})
            Copy(gc_Build + "/DDC_Library/32Bit/" + pcName, m_exe + "/" + pcName);
        vWriteFile(m_exe + "/DDCDrv.sys", "driver bytes");
        vWriteFile(m_exe + "/DDCHelperX.dll", "component bytes");
        vWriteFile(m_tool + "/regsvr32.exe",
                   "#!/bin/sh\necho \"$*\" >> '" + m_dir.file("registrations") + "'\n");
        chmod((m_tool + "/regsvr32.exe").c_str(), 0755);
    }
    static void Copy(const std::string &from, const std::string &to)
    {
        vWriteFile(to, strReadFile(from));
        chmod(to.c_str(), 0755);
    }
    // Runs the installer with the arguments; its exit code.
    int Run(const std::vector<std::string> &args, const std::string &exeDir = "")
    {
        std::string program = (exeDir.empty() ? m_exe : exeDir) + "/installer";
        return stRunProgram(program, args, "",
                            {"PATH=" + m_tool + ":/usr/bin:/bin", "TAVOLIN_SYSTEM_DIR=" + m_sys})
            .s32Code;
    }
    std::string Registrations() { return strReadFile(m_dir.file("registrations")); }
    std::string Driver() { return strReadFile(m_exe + "/DDCDrv.state"); }
    // Which of the three targets exist: drivers/DDCDrv.sys, the library,
    // DDCHelperX.dll.
    std::string Installed()
    {
        std::string flags;
        for (const std::string &path : {m_sys + "/drivers/DDCDrv.sys", m_sys + "/libDDCHelper.so",
                                         m_sys + "/DDCHelperX.dll"})
            flags += bFileExists(path) ? "1" : "0";
        return flags;
    }
    void Install()
    {
        ASSERT_EQ(Run({}), 0);
        ASSERT_EQ(Installed(), "111");
        unlink(m_dir.file("registrations").c_str());
        unlink((m_exe + "/DDCDrv.state").c_str());
    }
};

TEST_F(InstallerTest, NoArgumentsInstallsEverything)
{
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(Installed(), "111");
    EXPECT_EQ(strReadFile(m_sys + "/drivers/DDCDrv.sys"), "driver bytes");
    EXPECT_EQ(strReadFile(m_sys + "/libDDCHelper.so"), strReadFile(m_exe + "/libDDCHelper.so"));
    EXPECT_EQ(strReadFile(m_sys + "/DDCHelperX.dll"), "component bytes");
    struct stat st;
    ASSERT_EQ(stat((m_sys + "/libDDCHelper.so").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(Driver(), "InstallDriver(null, 1)\n");
    EXPECT_EQ(Registrations(), "DDCHelperX.dll -s\n");
    EXPECT_EQ(lstDirEntries(m_sys).size(), 3u); // no copy left behind
}

TEST_F(InstallerTest, MinusUUninstallsInTheReverseOrder)
{
    Install();
    EXPECT_EQ(Run({"-u"}), 0);
    EXPECT_EQ(Registrations(), "DDCHelperX.dll -u -s\n");
    EXPECT_EQ(Driver(), "UninstallDriver()\n");
    EXPECT_EQ(Installed(), "000");
}

TEST_F(InstallerTest, FlagsLeaveOutTheFilesAndTheRegistration)
{
    Install();
    EXPECT_EQ(Run({"-u", "-fno", "-rno"}), 0);
    EXPECT_EQ(Driver(), "UninstallDriver()\n");
    EXPECT_EQ(Registrations(), "");
    EXPECT_EQ(Installed(), "111");

    EXPECT_EQ(Run({"-fNO", "-RnO"}), 0);
    EXPECT_EQ(Driver(), "InstallDriver(null, 1)\n");
    EXPECT_EQ(Registrations(), "");
}

TEST_F(InstallerTest, TokensMatchWholeInAnyCaseAndTheLastWins)
{
    struct Case {
        std::vector<std::string> args;
        bool bUninstalls;
    };
    const Case cases[] = {
        {{"-i", "-u"}, true},
        {{"-u", "-i"}, false},
        {{"-U"}, true},
        {{"/u"}, false},
        {{"u"}, false},
        {{"-u-fno"}, false},
        {{"-uu"}, false},
        {{"-u\t-fno"}, false},                       // a tab does not separate
        {{"  -u   "}, true},                         // runs of blanks count as one
        {{"-rno -u"}, true},                         // one argument, two tokens
        {{"-u", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, true},
        {{"-u", "1", "2", "3", "4", "5", "6", "7", "8", "9", "-i"}, true}, // eleventh: ignored
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "-u"}, true},       // tenth: read
        {{std::string(20000, 'x'), "-u"}, true},
    };
    for (const Case &c : cases) {
        std::string shown;
        for (const std::string &arg : c.args)
            shown += "[" + arg.substr(0, 12) + "]";
        SCOPED_TRACE(shown);
        Install();
        EXPECT_EQ(Run(c.args), 0);
        EXPECT_EQ(Driver(), c.bUninstalls ? "UninstallDriver()\n" : "InstallDriver(null, 1)\n");
        EXPECT_EQ(Installed(), c.bUninstalls ? "000" : "111");
    }
}

TEST_F(InstallerTest, WithoutARegistrationToolTheRestStillRuns)
{
    unlink((m_tool + "/regsvr32.exe").c_str());
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(Installed(), "111");
    EXPECT_EQ(Driver(), "InstallDriver(null, 1)\n");
    EXPECT_EQ(Run({"-u"}), 0);
    EXPECT_EQ(Installed(), "000");
    EXPECT_EQ(Registrations(), "");
}

TEST_F(InstallerTest, AnInstalledLibraryIsReplaced)
{
    vWriteFile(m_sys + "/libDDCHelper.so", "an old library");
    EXPECT_EQ(Run({"-rno"}), 0);
    EXPECT_EQ(strReadFile(m_sys + "/libDDCHelper.so"), strReadFile(m_exe + "/libDDCHelper.so"));
}

TEST_F(InstallerTest, WithoutTheLibraryTheRestStillRuns)
{
    unlink((m_exe + "/libDDCHelper.so").c_str());
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(Installed(), "101");
    EXPECT_FALSE(bFileExists(m_exe + "/DDCDrv.state"));
    EXPECT_EQ(Registrations(), "DDCHelperX.dll -s\n");

    // A library without the driver functions is loaded and let go.
    Copy(m_exe + "/libPlatformClock.so", m_exe + "/libDDCHelper.so");
    EXPECT_EQ(Run({"-u"}), 0);
    EXPECT_EQ(Installed(), "000");
    EXPECT_FALSE(bFileExists(m_exe + "/DDCDrv.state"));
}

TEST_F(InstallerTest, TheSystemFolderIsFoundWhenTheLibraryIsNotBesideTheInstaller)
{
    EXPECT_EQ(Run({"-rno"}), 0);
    unlink((m_exe + "/libDDCHelper.so").c_str());
    unlink((m_exe + "/DDCDrv.state").c_str());
    Copy(m_exe + "/libPlatformClock.so", m_sys + "/libPlatformClock.so");
    EXPECT_EQ(Run({"-u", "-fno", "-rno"}), 0);
    EXPECT_EQ(strReadFile(m_sys + "/DDCDrv.state"), "UninstallDriver()\n");
}

// Install: the files, then InstallDriver, then the registration tool, which
// finds both done (the tool is not waited for, so one started too early
// shows only when it runs first). Uninstall: UninstallDriver before the
// files go, which shows when the library lies only in the system folder.
TEST_F(InstallerTest, StepsRunInTheirOrder)
{
    vWriteFile(m_tool + "/regsvr32.exe",
               "#!/bin/sh\n{ printf '%s ' \"$*\"\n"
               "for f in drivers/DDCDrv.sys libDDCHelper.so DDCHelperX.dll; do\n"
               "  [ -e '" + m_sys + "'/$f ] && printf 1 || printf 0; done\n"
               "printf ' '; cat '" + m_exe + "/DDCDrv.state' || echo; } >> '" +
                   m_dir.file("registrations") + "' 2>/dev/null\n");
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(Registrations(), "DDCHelperX.dll -s 111 InstallDriver(null, 1)\n");

    unlink((m_exe + "/libDDCHelper.so").c_str());
    Copy(m_exe + "/libPlatformClock.so", m_sys + "/libPlatformClock.so");
    EXPECT_EQ(Run({"-u", "-rno"}), 0);
    EXPECT_EQ(strReadFile(m_sys + "/DDCDrv.state"), "UninstallDriver()\n");
    EXPECT_EQ(Installed(), "000");
}

TEST_F(InstallerTest, AFolderPathTooLongForItsTextDoesNothing)
{
    // System folder: 512 characters with the separator do not fit.
    std::string longSys = m_dir.file(std::string(511 - m_dir.path().size() - 1, 's'));
    ASSERT_EQ(longSys.size(), 511u);
    mkdir(longSys.c_str(), 0755);
    std::string keep = m_sys;
    m_sys = longSys;
    EXPECT_EQ(Run({}), 0);
    EXPECT_TRUE(lstDirEntries(longSys).empty());
    EXPECT_FALSE(bFileExists(m_exe + "/DDCDrv.state"));
    EXPECT_EQ(Registrations(), "");

    // The installer's own folder of 500 characters: its own path fits, the
    // path of DDCHelperX.dll in it does not.
    m_sys = keep;
    std::string deep = m_dir.path();
    while (deep.size() < 500) {
        deep += "/" + std::string(std::min<size_t>(60, 500 - deep.size() - 1), 'd');
        mkdir(deep.c_str(), 0755);
    }
    ASSERT_EQ(deep.size(), 500u);
    ASSERT_GT(deep.size() + strlen("/DDCHelperX.dll"), 511u);
    Copy(m_exe + "/installer", deep + "/installer");
    EXPECT_EQ(Run({}, deep), 0);
    EXPECT_EQ(Installed(), "000");
    EXPECT_EQ(Registrations(), "");
}

} // namespace
