// Packages for tests, built by the program's own writer, and the path the
// program reads them from.
#ifndef PACKAGE_MAKER_H
#define PACKAGE_MAKER_H

#include "files/package_writer.h"

#include <stdint.h>

#include <string>
#include <vector>

struct stTestPort {
    std::string name;
    std::vector<uint8_t> image;
};

// A valid package of the type with the ports (texts "TEXT-A", "TXT-B" by
// default); fails the test when the writer refuses.
std::vector<uint8_t> lstMakePackage(const std::vector<stTestPort> &ports,
                                    int32_t s32Type = PKG_TYPE_HDMI, const char *pcTextA = "TEXT-A",
                                    const char *pcTextB = "TXT-B");
// Both checksums stored again after the test changed bytes.
void vResealPackage(std::vector<uint8_t> &pkg);
// Writes the bytes as a file and makes it the program's package path (the
// path control and the path it reads), as choosing it would.
void vUsePackageFile(const std::string &path, const std::vector<uint8_t> &pkg);
void vUsePackagePath(const std::string &path);

#endif
