// For tests whose checks differ between root and an ordinary user, and for a
// full disk: a child that gives up root, and a small tmpfs. No panels, no Qt.
#ifndef PRIVILEGES_H
#define PRIVILEGES_H

#include <functional>
#include <string>

// The ordinary user the children become ("nobody").
#define TEST_USER_ID 65534

// In a child: gives up root for TEST_USER_ID, groups included; true when
// that worked or there was no root to give up.
bool bBecomeTestUser();

// What fn returns when run by an ordinary user, for whom a file's mode
// holds (root writes everywhere): as root in a child process that gives up
// root first (so fn may call no Qt), otherwise here. "child failed ..."
// when the child did not end well.
std::string strAsUser(const std::function<std::string()> &fn);

// A full disk at the folder for the calling thread: a 64 KiB tmpfs mounted
// there in a mount namespace of the thread's own (nobody else sees it), as
// long as the object lives. Needs root; otherwise why() says why not.
class SmallDisk {
public:
    explicit SmallDisk(const std::string &dir);
    ~SmallDisk();
    bool bMounted() const { return m_why.empty(); }
    const std::string &why() const { return m_why; }
    // Takes every free block, so the next write fails for want of space.
    void vFill();

private:
    std::string m_dir, m_why;
    int m_s32OldNamespace = -1;
};

#endif
