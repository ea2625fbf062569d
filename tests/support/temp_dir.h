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

std::string strReadFile(const std::string &path);
void vWriteFile(const std::string &path, const std::string &bytes);
bool bFileExists(const std::string &path);
std::vector<std::string> lstDirEntries(const std::string &path);

#endif
