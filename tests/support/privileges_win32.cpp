// privileges.h for the tests built with mingw: there is no root to give up
// and no small disk to mount, so the checks that need them skip.
#include "tests/support/privileges.h"

bool bBecomeTestUser() { return true; }

std::string strAsUser(const std::function<std::string()> &fn) { return fn(); }

SmallDisk::SmallDisk(const std::string &dir) : m_dir(dir), m_why("no small disk on Windows") {}

SmallDisk::~SmallDisk() {}

void SmallDisk::vFill() {}
