#include "tests/support/privileges.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

bool bBecomeTestUser()
{
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(TEST_USER_ID) == 0 &&
                              setuid(TEST_USER_ID) == 0);
}

std::string strAsUser(const std::function<std::string()> &fn)
{
    if (geteuid() != 0)
        return fn();
    int fds[2];
    if (pipe(fds) != 0)
        return "child failed: no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!bBecomeTestUser())
            _exit(2);
        std::string out = fn();
        _exit(write(fds[1], out.data(), out.size()) == (ssize_t)out.size() ? 0 : 3);
    }
    close(fds[1]);
    std::string out;
    char cBuf[4096];
    for (ssize_t n; (n = read(fds[0], cBuf, sizeof(cBuf))) > 0;)
        out.append(cBuf, (size_t)n);
    close(fds[0]);
    int s32Status = 0;
    waitpid(pid, &s32Status, 0);
    if (!WIFEXITED(s32Status) || WEXITSTATUS(s32Status) != 0)
        return "child failed with status " + std::to_string(s32Status);
    return out;
}

SmallDisk::SmallDisk(const std::string &dir) : m_dir(dir)
{
    mkdir(dir.c_str(), 0777);
    if (geteuid() != 0) {
        m_why = "a tmpfs can be mounted by root only";
        return;
    }
    // A thread that shares no file system attributes may take a namespace
    // of its own and go back to the old one.
    m_s32OldNamespace = open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC);
    if (m_s32OldNamespace < 0 || unshare(CLONE_NEWNS) != 0) {
        m_why = std::string("no mount namespace of our own: ") + strerror(errno);
        return;
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tavolin-test", dir.c_str(), "tmpfs", 0, "size=64k,mode=0777") != 0)
        m_why = std::string("no tmpfs: ") + strerror(errno);
}

SmallDisk::~SmallDisk()
{
    if (bMounted())
        umount2(m_dir.c_str(), MNT_DETACH);
    if (m_s32OldNamespace >= 0) {
        if (setns(m_s32OldNamespace, CLONE_NEWNS) != 0)
            perror("setns back to the test's mount namespace");
        close(m_s32OldNamespace);
    }
}

void SmallDisk::vFill()
{
    int fd = open((m_dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    static const char cBlock[4096] = {};
    while (fd >= 0 && write(fd, cBlock, sizeof(cBlock)) > 0) {
    }
    // The last partial block too.
    while (fd >= 0 && write(fd, cBlock, 1) > 0) {
    }
    if (fd >= 0)
        close(fd);
}
