#include "tests/support/temp_dir.h"

#include <dirent.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void vRemoveTree(const std::string &path)
{
    DIR *pDir = opendir(path.c_str());
    if (pDir) {
        while (struct dirent *pEntry = readdir(pDir)) {
            if (strcmp(pEntry->d_name, ".") == 0 || strcmp(pEntry->d_name, "..") == 0)
                continue;
            std::string child = path + "/" + pEntry->d_name;
            struct stat info;
            if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                vRemoveTree(child);
            else
                unlink(child.c_str());
        }
        closedir(pDir);
    }
    rmdir(path.c_str());
}

} // namespace

TempDir::TempDir()
{
    char cTemplate[] = "/tmp/tavolin-test-XXXXXX";
    const char *pcMade = mkdtemp(cTemplate);
    m_path = pcMade ? pcMade : "/tmp";
}

TempDir::~TempDir()
{
    if (m_path != "/tmp")
        vRemoveTree(m_path);
}

std::string strReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void vWriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool bFileExists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> lstDirEntries(const std::string &path)
{
    std::vector<std::string> names;
    DIR *pDir = opendir(path.c_str());
    if (!pDir)
        return names;
    while (struct dirent *pEntry = readdir(pDir)) {
        if (strcmp(pEntry->d_name, ".") != 0 && strcmp(pEntry->d_name, "..") != 0)
            names.push_back(pEntry->d_name);
    }
    closedir(pDir);
    return names;
}

FileSizeLimit::FileSizeLimit(unsigned long long u64Bytes)
{
    struct rlimit stLimit;
    getrlimit(RLIMIT_FSIZE, &stLimit);
    m_u64Soft = stLimit.rlim_cur;
    m_pfnOldHandler = signal(SIGXFSZ, SIG_IGN);
    stLimit.rlim_cur = u64Bytes;
    setrlimit(RLIMIT_FSIZE, &stLimit);
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit stLimit;
    getrlimit(RLIMIT_FSIZE, &stLimit);
    stLimit.rlim_cur = m_u64Soft;
    setrlimit(RLIMIT_FSIZE, &stLimit);
    signal(SIGXFSZ, m_pfnOldHandler);
}
