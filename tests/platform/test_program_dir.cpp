// Where the program keeps its files: beside itself when Pavimo.uir lies in a
// writable program folder (portable), else in the user's own folder
// $XDG_DATA_HOME/tavolin or ~/.local/share/tavolin (installed).
#include "tests/support/privileges.h"
#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "ui/Pavimo.h"

#include <algorithm>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Decision {
    bool bInstalled = false;
    std::string programDir, resourceDir, error, variable = "(unset)";
};

Decision stCurrent()
{
    Decision d;
    char cText[8192];
    d.bInstalled = bUiInstalledMode() != 0;
    GetProjectDir(cText, sizeof(cText));
    d.programDir = cText;
    vUiResourceDir(cText, sizeof(cText));
    d.resourceDir = cText;
    GetProjectDirError(cText, sizeof(cText));
    d.error = cText;
    const char *pcVariable = getenv("TAVOLIN_PROGRAM_DIR");
    if (pcVariable)
        d.variable = pcVariable;
    return d;
}

std::vector<std::string> lstSorted(const std::string &dir)
{
    std::vector<std::string> names = lstDirEntries(dir);
    std::sort(names.begin(), names.end());
    return names;
}

const char *pc(const std::string &s) { return s.empty() ? nullptr : s.c_str(); }

std::string strReal(const std::string &path)
{
    char cReal[PATH_MAX];
    return realpath(path.c_str(), cReal) ? cReal : path;
}

class ProgramDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        chmod(m_dir.path().c_str(), 0755); // reachable by the user of DecideAsUser
        m_exe = Folder("bin");
        m_home = Folder("home");
    }
    // Back to this test program's own decision, as at its start.
    void TearDown() override { vUiDecideProgramDir(nullptr, nullptr, nullptr, nullptr); }

    std::string Folder(const std::string &name, mode_t mode = 0755)
    {
        std::string path = m_dir.file(name);
        EXPECT_EQ(system(("mkdir -p '" + path + "'").c_str()), 0);
        chmod(path.c_str(), mode);
        return path;
    }
    void Uir(const std::string &dir) { vWriteFile(dir + "/Pavimo.uir", "<ui/>"); }

    Decision Decide(const std::string &home, const std::string &xdg, const std::string &passwd)
    {
        vUiDecideProgramDir(m_exe.c_str(), pc(home), pc(xdg), pc(passwd));
        return stCurrent();
    }
    // The same as an ordinary user, for whom a folder's mode holds.
    Decision DecideAsUser(const std::string &home, const std::string &xdg)
    {
        std::string out = strAsUser([&] {
            vUiDecideProgramDir(m_exe.c_str(), pc(home), pc(xdg), nullptr);
            Decision d = stCurrent();
            return std::string(d.bInstalled ? "1" : "0") + '\n' + d.programDir + '\n' +
                   d.resourceDir + '\n' + d.error + '\n' + d.variable + '\n';
        });
        Decision d;
        std::string *pFields[] = {&d.programDir, &d.resourceDir, &d.error, &d.variable};
        size_t pos = out.find('\n');
        EXPECT_NE(pos, std::string::npos) << out;
        d.bInstalled = out.substr(0, pos) == "1";
        for (std::string *pField : pFields) {
            size_t end = out.find('\n', pos + 1);
            if (end == std::string::npos)
                break;
            *pField = out.substr(pos + 1, end - pos - 1);
            pos = end;
        }
        return d;
    }

    TempDir m_dir;
    std::string m_exe, m_home;
};

TEST_F(ProgramDirTest, PortableWhenPavimoLiesInAWritableProgramFolder)
{
    Uir(m_exe);
    setenv("TAVOLIN_PROGRAM_DIR", "/left/over", 1);
    Decision d = Decide(m_home, "", "");
    EXPECT_FALSE(d.bInstalled);
    EXPECT_EQ(d.programDir, m_exe);
    EXPECT_EQ(d.resourceDir, m_exe);
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.variable, "(unset)") << "the library must take the program's own folder";
    EXPECT_TRUE(lstDirEntries(m_home).empty()) << "nothing made in the user's folder";
}

TEST_F(ProgramDirTest, InstalledWhenTheProgramFolderIsReadOnly)
{
    Uir(m_exe);
    chmod(m_exe.c_str(), 0555);
    std::string xdg = Folder("xdg", 0777);
    Decision d = DecideAsUser(m_home, xdg);
    chmod(m_exe.c_str(), 0755);
    EXPECT_TRUE(d.bInstalled);
    EXPECT_EQ(d.programDir, xdg + "/tavolin");
    EXPECT_EQ(d.resourceDir, m_exe) << "the panels still come from beside the program";
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.variable, xdg + "/tavolin");
    struct stat st;
    ASSERT_EQ(stat((xdg + "/tavolin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ProgramDirTest, InstalledTakesThePanelsFromTheSharedDataFolder)
{
    std::string shared = Folder("share/tavolin");
    Uir(shared);
    Decision d = Decide(m_home, "", "");
    EXPECT_TRUE(d.bInstalled);
    EXPECT_EQ(d.resourceDir, strReal(shared));
    EXPECT_EQ(d.programDir, m_home + "/.local/share/tavolin");
    EXPECT_EQ(d.variable, d.programDir);
    EXPECT_EQ(d.error, "");
    // Made on the first start, for the user alone.
    for (const char *pcMade : {"/.local", "/.local/share", "/.local/share/tavolin"}) {
        struct stat st;
        ASSERT_EQ(stat((m_home + pcMade).c_str(), &st), 0) << pcMade;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << pcMade;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << pcMade;
    }
    // A second start finds it made.
    d = Decide(m_home, "", "");
    EXPECT_EQ(d.programDir, m_home + "/.local/share/tavolin");
    EXPECT_EQ(d.error, "");
}

TEST_F(ProgramDirTest, XdgDataHomeCountsOnlyWhenAbsolute)
{
    std::string xdg = Folder("xdg");
    EXPECT_EQ(Decide(m_home, xdg, "").programDir, xdg + "/tavolin");
    EXPECT_EQ(Decide(m_home, xdg + "/", "").programDir, xdg + "/tavolin");
    EXPECT_EQ(Decide(m_home, "relative/data", "").programDir, m_home + "/.local/share/tavolin");
    EXPECT_FALSE(bFileExists("relative")) << "nothing made in the current folder";
}

TEST_F(ProgramDirTest, WithoutHomeThePasswdEntryGivesTheFolder)
{
    std::string passwd = Folder("passwd-home");
    for (const char *pcHome : {"", "relative-home"}) {
        Decision d = Decide(pcHome, "", passwd);
        EXPECT_EQ(d.programDir, passwd + "/.local/share/tavolin") << pcHome;
        EXPECT_EQ(d.error, "") << pcHome;
    }
}

TEST_F(ProgramDirTest, WithoutAnyHomeTheProgramSaysSoAndKeepsItsOwnFolder)
{
    Decision d = Decide("", "", "");
    EXPECT_TRUE(d.bInstalled);
    EXPECT_EQ(d.error, "cannot find a folder for settings and logs: HOME is not set and the user "
                       "has no home folder in the passwd file");
    EXPECT_EQ(d.programDir, m_exe);
    EXPECT_EQ(d.variable, m_exe);
}

TEST_F(ProgramDirTest, AFolderThatCannotBeMadeIsReportedInPlainWords)
{
    std::string xdg = Folder("xdg");
    vWriteFile(xdg + "/tavolin", "a file in the way");
    Decision d = Decide(m_home, xdg, "");
    EXPECT_EQ(d.error, "cannot create the folder " + xdg +
                           "/tavolin for settings and logs: File exists");
    EXPECT_EQ(d.programDir, xdg + "/tavolin");

    std::string locked = Folder("locked", 0555);
    d = DecideAsUser(m_home, locked);
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(d.error, "cannot create the folder " + locked +
                           "/tavolin for settings and logs: Permission denied");
}

// A folder of the user's that another user could plant files or links in
// is not used: the program's folder is then one where nothing can be made.
TEST_F(ProgramDirTest, AUsersFolderOthersCanWriteOrOwnIsRefused)
{
    std::string xdg = Folder("xdg", 0777);
    std::string dir = Folder("xdg/tavolin", 0777);
    Decision d = Decide(m_home, xdg, "");
    EXPECT_EQ(d.error, "cannot use the folder " + dir + " for settings and logs: others can "
                       "write to it (mode 0777); make it yours alone with: chmod 700 " + dir);
    EXPECT_EQ(d.programDir, "/dev/null/tavolin");
    EXPECT_EQ(d.variable, "/dev/null/tavolin");
    chmod(dir.c_str(), 0700);
    EXPECT_EQ(Decide(m_home, xdg, "").error, "");
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder or a link to another user";
    chmod(dir.c_str(), 0777);
    d = DecideAsUser(m_home, xdg);
    EXPECT_EQ(d.error, "cannot use the folder " + dir + " for settings and logs: it belongs to "
                       "the user with id 0, not to you (id 65534); set XDG_DATA_HOME to a folder "
                       "of your own");
    EXPECT_EQ(d.programDir, "/dev/null/tavolin");

    // A link in its place: the user's own is followed, another user's not.
    rmdir(dir.c_str());
    ASSERT_EQ(symlink(Folder("real", 0700).c_str(), dir.c_str()), 0);
    EXPECT_EQ(Decide(m_home, xdg, "").error, "");
    ASSERT_EQ(lchown(dir.c_str(), TEST_USER_ID, TEST_USER_ID), 0);
    EXPECT_EQ(Decide(m_home, xdg, "").error,
              "cannot use the folder " + dir + " for settings and logs: it is a symbolic link "
              "of the user with id 65534; remove it, or set XDG_DATA_HOME to a folder of your own");
}

// The whole start in installed mode: panels from the shared data folder,
// everything the program writes in the user's folder.
class InstalledStartTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        m_exe = m_dir.file("bin");
        m_user = m_dir.file("xdg/tavolin");
        ASSERT_EQ(system(("mkdir -p '" + m_exe + "' '" + m_dir.file("share/tavolin") + "' '" +
                          m_dir.file("xdg") + "'")
                             .c_str()),
                  0);
        vWriteFile(m_dir.file("share/tavolin/Pavimo.uir"),
                   strReadFile(TAVOLIN_SOURCE_DIR "/ui/Pavimo.uir"));
        unlink(m_dir.file("Pavimo.uir").c_str());
        vUiSetProjectDir(nullptr);
    }
    void TearDown() override
    {
        AppTest::TearDown();
        vUiDecideProgramDir(nullptr, nullptr, nullptr, nullptr);
    }
    void Decide() { vUiDecideProgramDir(m_exe.c_str(), nullptr, m_dir.file("xdg").c_str(), nullptr); }

    std::string m_exe, m_user;
};

TEST_F(InstalledStartTest, SettingsMonitorFilesAndTheLogGoToTheUsersFolder)
{
    Decide();
    setenv("DDCHELPER_BENCH", "builtin", 1);
    testing::internal::CaptureStderr();
    StartUp();
    EXPECT_EQ(std::string(gu8str_LastDir), m_user) << "the first file dialog opens there";
    Ticks(40);
    unsetenv("DDCHELPER_BENCH");
    testing::internal::GetCapturedStderr();
    vExitHook();
    EXPECT_NE(MsgBox().find("Detecting monitor ...\n> - Monitor 1 : "), std::string::npos) << MsgBox();
    EXPECT_EQ(lstSorted(m_user), (std::vector<std::string>{"DefSetting.ini", "MonitorEDID",
                                                                "WINI2C-DDC-LOG.txt"}));
    EXPECT_EQ(lstSorted(m_user + "/MonitorEDID"),
              (std::vector<std::string>{"Monitor_1_TVL2701.bin", "Monitor_2_TVL1301.bin"}));
    std::string log = strReadFile(m_user + "/WINI2C-DDC-LOG.txt");
    EXPECT_NE(log.find("\n       0  folder: installed; the program's files in " + m_user +
                       "/ (named by TAVOLIN_PROGRAM_DIR)\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(lstDirEntries(m_exe).size(), 0u);
}

TEST_F(InstalledStartTest, AFileInPlaceOfTheFolderIsReportedAndTheProgramStillStarts)
{
    vWriteFile(m_user, "");
    Decide();
    testing::internal::CaptureStderr();
    StartUp();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tavolin: cannot create the folder " + m_user +
                  " for settings and logs: File exists\n");
    EXPECT_EQ(MsgBox(), "> - Fail. Cannot create the folder " + m_user +
                            " for settings and logs: File exists\n>");
    EXPECT_TRUE(bUiPanelIsVisible(MainPanel()));
    Ticks(40);
    // Without its folder the library log cannot be made: the start says so.
    std::string box = MsgBox();
    for (size_t at = box.find("\n>   "); at != std::string::npos; at = box.find("\n>   "))
        box.replace(at, 5, " ");
    EXPECT_NE(box.find("\n> - Fail ! Error Code = 0x70000011 \n> - The library log " +
                            m_user + "/WINI2C-DDC-LOG.txt cannot be written: its folder must "
                            "exist and be writable, and its disk have free space; then start "
                            "the program again\n>AP version"),
              std::string::npos)
        << MsgBox();
    EXPECT_EQ(strReadFile(m_user), "");
}

// Nothing of a refused folder is read (its settings, a bench description
// planted there) and nothing is written into it.
TEST_F(InstalledStartTest, ARefusedFolderIsReportedAndLeftAlone)
{
    ASSERT_EQ(mkdir(m_user.c_str(), 0777), 0);
    chmod(m_user.c_str(), 0777);
    vWriteFile(m_user + "/DefSetting.ini", "ReceivedNumOfPage = 9\r\n");
    Decide();
    testing::internal::CaptureStderr();
    StartUp();
    const std::string why = "he folder " + m_user + " for settings and logs: others can write "
                            "to it (mode 0777); make it yours alone with: chmod 700 " + m_user;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin: cannot use t" + why + "\n");
    EXPECT_EQ(MsgBox(), "> - Fail. Cannot use t" + why + "\n>");
    int s32Pages = 0;
    GetCtrlVal(MainPanel(), MAIN_PAGE_NUM, &s32Pages);
    EXPECT_EQ(s32Pages, 1);
    Ticks(40);
    EXPECT_NE(MsgBox().find("\n> - Fail ! Error Code = 0x70000011 \n>"), std::string::npos)
        << MsgBox();
    vExitHook();
    EXPECT_EQ(lstSorted(m_user), std::vector<std::string>{"DefSetting.ini"});
    EXPECT_EQ(strReadFile(m_user + "/DefSetting.ini"), "ReceivedNumOfPage = 9\r\n");
}

} // namespace
