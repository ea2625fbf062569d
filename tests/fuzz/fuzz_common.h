// What the fuzz targets share: a folder of the process's own for the files
// a target hands to code that reads paths, quiet standard streams, and a
// check that ends the run with a message when a property does not hold.
#ifndef FUZZ_COMMON_H
#define FUZZ_COMMON_H

#include <dirent.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

// A property of the code under test that failed: a finding like a crash.
// Written to the descriptor 2 directly, where libFuzzer reports too.
#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            char cFuzzMsg[512];                                                           \
            int s32FuzzLen = snprintf(cFuzzMsg, sizeof(cFuzzMsg), "%s:%d: check failed: %s\n", \
                                      __FILE__, __LINE__, #cond);                         \
            if (s32FuzzLen > 0 && write(2, cFuzzMsg, (size_t)s32FuzzLen) < 0) {           \
            }                                                                             \
            abort();                                                                      \
        }                                                                                 \
    } while (0)

namespace fuzz {

inline void vRemoveTempDir(void);

// A folder of this process's own under $TMPDIR (else /dev/shm where it is
// a folder, else /tmp), made once and removed with its files at a normal
// exit. Files on a disk cost the targets that write them most of their
// speed (ext4 writes a file out when it is renamed over another).
inline const std::string &strTempDir(void)
{
    static std::string s_dir;
    if (s_dir.empty()) {
        const char *pcTmp = getenv("TMPDIR");
        const char *pcBase = pcTmp && pcTmp[0] ? pcTmp : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(pcBase) + "/tavolin-fuzz-XXXXXX";
        std::vector<char> cPattern(pattern.begin(), pattern.end());
        cPattern.push_back('\0');
        if (!mkdtemp(cPattern.data())) {
            perror("mkdtemp");
            abort();
        }
        s_dir = cPattern.data();
        atexit(vRemoveTempDir);
    }
    return s_dir;
}

inline std::string strTempFile(const char *pcName) { return strTempDir() + "/" + pcName; }

// The folder's files (it has no subfolders but those a target makes
// empty) and then the folder.
inline void vRemoveTempDir(void)
{
    const std::string &dir = strTempDir();
    if (DIR *pDir = opendir(dir.c_str())) {
        while (struct dirent *pEntry = readdir(pDir)) {
            if (strcmp(pEntry->d_name, ".") == 0 || strcmp(pEntry->d_name, "..") == 0)
                continue;
            std::string path = dir + "/" + pEntry->d_name;
            if (unlink(path.c_str()) != 0)
                rmdir(path.c_str());
        }
        closedir(pDir);
    }
    rmdir(dir.c_str());
}

// The bytes as the whole file; aborts when it cannot be written, which is
// the machine's fault, not a finding.
inline void vWriteFile(const std::string &path, const uint8_t *pu8Data, size_t size)
{
    FILE *pFile = fopen(path.c_str(), "wb");
    if (!pFile || (size && fwrite(pu8Data, 1, size, pFile) != size) || fclose(pFile) != 0) {
        perror(path.c_str());
        abort();
    }
}

inline void vWriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    vWriteFile(path, bytes.data(), bytes.size());
}

// The whole file; false when it cannot be read.
inline bool bReadFile(const std::string &path, std::vector<uint8_t> *pBytes)
{
    pBytes->clear();
    FILE *pFile = fopen(path.c_str(), "rb");
    if (!pFile)
        return false;
    uint8_t u8Buf[4096];
    for (size_t got; (got = fread(u8Buf, 1, sizeof(u8Buf), pFile)) > 0;)
        pBytes->insert(pBytes->end(), u8Buf, u8Buf + got);
    fclose(pFile);
    return true;
}

// What the code under test prints goes nowhere: stdout is reopened on
// /dev/null, and the stdio stream stderr is replaced by one on /dev/null.
// The descriptor 2 stays, so libFuzzer's and the sanitizers' reports (which
// write to it directly) are still seen.
inline void vQuietOutput(void)
{
    if (!freopen("/dev/null", "w", stdout))
        abort();
    FILE *pNull = fopen("/dev/null", "w");
    if (!pNull)
        abort();
    stderr = pNull;
}

} // namespace fuzz

#endif
