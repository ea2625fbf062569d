// temp_dir.h for the tests built with mingw and run under wine: the same
// helpers over std::filesystem (no FileSizeLimit: Windows has no rlimit).
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <process.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    for (int s32Try = 0; s32Try < 1000; s32Try++) {
        fs::path made = base / ("tavolin-test-" + std::to_string(_getpid()) + "-" +
                                std::to_string(s32Try));
        if (fs::create_directory(made, error)) {
            m_path = made.generic_string();
            return;
        }
    }
    m_path = base.generic_string();
}

TempDir::~TempDir()
{
    std::error_code error;
    if (m_path.find("tavolin-test-") != std::string::npos)
        fs::remove_all(m_path, error);
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
    std::error_code error;
    return fs::exists(path, error);
}

std::vector<std::string> lstDirEntries(const std::string &path)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(path, error))
        names.push_back(entry.path().filename().string());
    return names;
}
