// Files for tests: a temporary folder of the test's own and whole-file
// helpers. No panels, no Qt.
#ifndef TEMP_DIR_H
#define TEMP_DIR_H

#include <string>
#include <vector>

// A fresh temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// While it lives, this process writes no file past u64Bytes, as on a full
// disk: writes fail (with EFBIG rather than ENOSPC), and SIGXFSZ is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long u64Bytes);
    ~FileSizeLimit();

private:
    unsigned long long m_u64Soft;
    void (*m_pfnOldHandler)(int);
};

std::string strReadFile(const std::string &path);
void vWriteFile(const std::string &path, const std::string &bytes);
bool bFileExists(const std::string &path);
std::vector<std::string> lstDirEntries(const std::string &path);

#endif
