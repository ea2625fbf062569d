// Whole files written by the run-time (Save EDID, the monitor files): only
// the file meant changes, and it is written whole or not at all. Each check
// runs as root and again as an ordinary user.
#include "tests/support/privileges.h"
#include "tests/support/temp_dir.h"

#include "platform/filesys/safefile.h"
#include "platform/userint/userint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Check = std::function<std::string(const std::string &dir)>;

// "0 " when written, else the result and why.
std::string Write(const std::string &path, const std::string &bytes, bool bOwn = false)
{
    int s32Result = (bOwn ? ArrayToOwnFile : ArrayToFile)(path.c_str(), bytes.data(), bytes.size());
    char cWhy[1024];
    GetFileError(cWhy, sizeof(cWhy));
    return std::to_string(s32Result) + " " + cWhy + "\n";
}

// Every entry of the folder with what it is: a link's target, a file's mode
// and bytes.
std::string Listing(const std::string &dir)
{
    std::vector<std::string> names = lstDirEntries(dir);
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string &name : names) {
        std::string path = dir + "/" + name;
        struct stat st;
        lstat(path.c_str(), &st);
        char cLine[256];
        if (S_ISLNK(st.st_mode)) {
            char cTarget[256] = {};
            ssize_t length = readlink(path.c_str(), cTarget, sizeof(cTarget) - 1);
            snprintf(cLine, sizeof(cLine), " -> %s", length > 0 ? cTarget : "?");
        } else if (S_ISREG(st.st_mode)) {
            snprintf(cLine, sizeof(cLine), " %04o %s", (unsigned)(st.st_mode & 07777),
                     strReadFile(path).c_str());
        } else {
            snprintf(cLine, sizeof(cLine), S_ISDIR(st.st_mode)    ? "/"
                                           : S_ISFIFO(st.st_mode) ? " fifo"
                                           : S_ISCHR(st.st_mode)  ? " character device"
                                                                  : " other");
        }
        text += name + cLine + "\n";
    }
    return text;
}

class FileWriteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_mask = umask(022);
        chmod(m_dir.path().c_str(), 0755);
    }
    void TearDown() override { umask(m_mask); }

    // A folder of its own for a run, reachable and writable by its user.
    std::string Folder(const std::string &name)
    {
        std::string dir = m_dir.file(name);
        mkdir(dir.c_str(), 0777);
        chmod(dir.c_str(), 0777);
        return dir;
    }
    // The check as root (here) and as an ordinary user (in a child): what
    // each gave, its folder's name standing for the folder.
    std::string AsRoot(const Check &check) { return Named(check(Folder("root")), "root"); }
    std::string AsUser(const Check &check)
    {
        std::string dir = Folder("user");
        return Named(strAsUser([&] { return check(dir); }), "user");
    }
    std::string Named(std::string text, const std::string &name)
    {
        std::string dir = m_dir.file(name);
        for (size_t at; (at = text.find(dir)) != std::string::npos;)
            text.replace(at, dir.size(), "DIR");
        return text;
    }

    TempDir m_dir;
    mode_t m_mask = 022;
};

TEST_F(FileWriteTest, ANamedFileIsWrittenThroughItsLinksAndKeepsItsMode)
{
    Check check = [](const std::string &dir) {
        vWriteFile(dir + "/real.bin", "old");
        chmod((dir + "/real.bin").c_str(), 0640);
        vWriteFile(dir + "/real.bin.tmp", "mine");
        symlink("real.bin", (dir + "/link.bin").c_str());
        symlink("sub/../gone.bin", (dir + "/dangling.bin").c_str());
        mkdir((dir + "/sub").c_str(), 0755);
        symlink("../real.bin", (dir + "/sub/up.bin").c_str());
        std::string text = Write(dir + "/link.bin", "new");
        text += Write(dir + "/sub/up.bin", "newer");
        text += Write(dir + "/dangling.bin", "made");
        return text + Listing(dir);
    };
    const std::string expected =
        "0 \n0 \n-8 it is a symbolic link to a file that does not exist\n"
        "dangling.bin -> sub/../gone.bin\nlink.bin -> real.bin\nreal.bin 0640 newer\n"
        "real.bin.tmp 0644 mine\nsub/\n";
    EXPECT_EQ(AsRoot(check), expected);
    EXPECT_EQ(AsUser(check), expected);
}

TEST_F(FileWriteTest, WhatIsNoRegularFileIsRefusedAndStaysAsItWas)
{
    bool bDevices = true;
    for (const char *pcName : {"root", "user"})
        bDevices = bDevices && mknod((Folder(pcName) + "/null").c_str(), S_IFCHR | 0666,
                                     makedev(1, 3)) == 0;
    Check check = [](const std::string &dir) {
        mkfifo((dir + "/fifo").c_str(), 0644);
        mkdir((dir + "/folder").c_str(), 0755);
        symlink("folder", (dir + "/to-folder").c_str());
        std::string text = Write(dir + "/fifo", "x");
        text += Write(dir + "/folder", "x");
        text += Write(dir + "/to-folder", "x");
        if (access((dir + "/null").c_str(), F_OK) == 0)
            text += Write(dir + "/null", "x");
        return text + Listing(dir);
    };
    std::string expected = "-8 it is a FIFO, not a regular file\n"
                           "-8 it is a folder, not a regular file\n"
                           "-8 it leads to DIR/folder, a folder, not a regular file\n";
    if (bDevices)
        expected += "-8 it is a character device, not a regular file\n";
    expected += "fifo fifo\nfolder/\n";
    if (bDevices)
        expected += "null character device\n";
    expected += "to-folder -> folder\n";
    EXPECT_EQ(AsRoot(check), expected);
    EXPECT_EQ(AsUser(check), expected);
    if (!bDevices)
        GTEST_SKIP() << "no device node could be made here: the device case was left out";
}

// A link planted in the program's folder by another user of a shared
// folder: replaced, never written through. A folder that is another user's
// link is refused; the user's own is followed.
TEST_F(FileWriteTest, AProgramFileReplacesALinkInItsPlace)
{
    bool bRoot = geteuid() == 0;
    for (const char *pcName : {"root", "user"}) {
        std::string dir = Folder(pcName);
        mkdir((dir + "/elsewhere").c_str(), 0777);
        chmod((dir + "/elsewhere").c_str(), 0777);
        symlink("elsewhere", (dir + "/theirs").c_str());
        symlink("elsewhere", (dir + "/mine").c_str());
        // Each run's "theirs" is the other user's.
        uid_t other = std::string(pcName) == "root" ? TEST_USER_ID : 0;
        uid_t self = std::string(pcName) == "root" ? 0 : TEST_USER_ID;
        if (bRoot && (lchown((dir + "/theirs").c_str(), other, other) != 0 ||
                      lchown((dir + "/mine").c_str(), self, self) != 0))
            FAIL() << "lchown";
    }
    Check check = [](const std::string &dir) {
        vWriteFile(dir + "/victim", "secret");
        symlink("victim", (dir + "/own.bin").c_str());
        std::string text = Write(dir + "/own.bin", "edid", true);
        text += Write(dir + "/theirs/x.bin", "edid", true);
        text += Write(dir + "/mine/y.bin", "edid", true);
        return text + Listing(dir) + Listing(dir + "/elsewhere");
    };
    const std::string expected = "0 \n-8 its folder DIR/theirs is another user's symbolic link\n0 \n"
                                 "elsewhere/\nmine -> elsewhere\nown.bin 0644 edid\n"
                                 "theirs -> elsewhere\nvictim 0644 secret\ny.bin 0644 edid\n";
    if (!bRoot)
        GTEST_SKIP() << "only root can give a link to another user";
    EXPECT_EQ(AsRoot(check), expected);
    EXPECT_EQ(AsUser(check), expected);
}

TEST_F(FileWriteTest, ANamedFileTheUserMayNotWriteIsNotReplaced)
{
    Check check = [](const std::string &dir) {
        vWriteFile(dir + "/kept.bin", "old");
        chmod((dir + "/kept.bin").c_str(), 0444);
        std::string text = Write(dir + "/kept.bin", "new");
        return text + Listing(dir);
    };
    EXPECT_EQ(AsUser(check), "-8 Permission denied\nkept.bin 0444 old\n");
    if (geteuid() == 0) {
        EXPECT_EQ(AsRoot(check), "0 \nkept.bin 0444 new\n") << "root writes any file";
    }
}

TEST_F(FileWriteTest, AFullDiskLeavesTheOldFileOrNoneAndSaysSo)
{
    std::string dir = m_dir.file("full");
    SmallDisk disk(dir);
    if (!disk.bMounted())
        GTEST_SKIP() << "no full disk to write on: " << disk.why();
    vWriteFile(dir + "/old.bin", "old");
    disk.vFill();
    std::string bytes(300, 'x');
    EXPECT_EQ(Write(dir + "/old.bin", bytes), "-8 No space left on device\n");
    EXPECT_EQ(Write(dir + "/new.bin", bytes, true), "-8 No space left on device\n");
    EXPECT_EQ(lstDirEntries(dir).size(), 2u) << Listing(dir);
    EXPECT_EQ(strReadFile(dir + "/old.bin"), "old");
}

// The rename is on the disk only once its folder is synced: the folder is
// synced after every replace, the new bytes already in place by then.
TEST_F(FileWriteTest, EachReplaceSyncsItsFolderAfterTheRename)
{
    static std::vector<std::string> s_synced;
    s_synced.clear();
    vSafeFileSetFolderSyncHook(
        [](const char *pcTarget, void *) {
            s_synced.push_back(std::string(pcTarget) + " " + strReadFile(pcTarget));
        },
        nullptr);
    std::string dir = Folder("sync");
    vWriteFile(dir + "/Station.ini", "old");
    EXPECT_EQ(Write(dir + "/Station.ini", "new", true), "0 \n");
    EXPECT_EQ(Write(dir + "/saved.bin", "bin"), "0 \n");
    vSafeFileSetFolderSyncHook(nullptr, nullptr);
    EXPECT_EQ(s_synced, (std::vector<std::string>{dir + "/Station.ini new", dir + "/saved.bin bin"}));
}

// What a save killed before its rename leaves: only the program's own new
// files (regular, ours, "<name>.XXXXXX") go; nothing else of the folder.
TEST_F(FileWriteTest, ASaveKilledHalfWayLeavesNothingAfterTheCleanUp)
{
    std::string dir = Folder("left");
    for (const char *pcName : {"Station.ini", "Station.ini.aB3xY9", "DefSetting.ini.Q1w2E3",
                               "Station.ini.aB3xY", "Station.ini.aB3xY9z", "Station.ini.aB3-Y9",
                               "Mine.ini.aB3xY9", "Station.iniaB3xY9"})
        vWriteFile(dir + "/" + pcName, "x");
    mkdir((dir + "/Station.ini.F0lder").c_str(), 0700);
    symlink((dir + "/Station.ini").c_str(), (dir + "/Station.ini.L1nk00").c_str());
    mkfifo((dir + "/Station.ini.F1f000").c_str(), 0600);
    auto pfnOurs = [](const char *pcName) {
        return strcmp(pcName, "Station.ini") == 0 || strcmp(pcName, "DefSetting.ini") == 0;
    };
    EXPECT_EQ(s32SafeFileRemoveLeftovers(dir.c_str(), pfnOurs), 2);
    EXPECT_EQ(Named(Listing(dir), "left"),
              "Mine.ini.aB3xY9 0644 x\nStation.ini 0644 x\nStation.ini.F0lder/\n"
              "Station.ini.F1f000 fifo\nStation.ini.L1nk00 -> DIR/Station.ini\n"
              "Station.ini.aB3-Y9 0644 x\nStation.ini.aB3xY 0644 x\n"
              "Station.ini.aB3xY9z 0644 x\nStation.iniaB3xY9 0644 x\n");
    EXPECT_EQ(s32SafeFileRemoveLeftovers((dir + "/none").c_str(), pfnOurs), -1);
}

} // namespace
