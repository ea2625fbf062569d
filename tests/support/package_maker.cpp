#include "tests/support/package_maker.h"

#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "files/package.h"
#include "ui/Pavimo.h"

#include <stdio.h>

std::vector<uint8_t> lstMakePackage(const std::vector<stTestPort> &ports, int32_t s32Type,
                                    const char *pcTextA, const char *pcTextB)
{
    std::vector<stPkgPort> entries;
    for (const stTestPort &port : ports)
        entries.push_back({port.name.c_str(), port.image.data(), (uint32_t)port.image.size()});
    std::vector<uint8_t> pkg(PKG_FILE_SIZE);
    uint32_t u32Bad = 0;
    int32_t s32Code = s32PkgBuild(pcTextA, pcTextB, s32Type, entries.data(),
                                  (uint32_t)entries.size(), pkg.data(), &u32Bad);
    EXPECT_EQ(s32Code, PKG_BUILD_OK) << pcPkgBuildError(s32Code) << " (port " << u32Bad << ")";
    return pkg;
}

void vResealPackage(std::vector<uint8_t> &pkg) { vPkgSeal(pkg.data()); }

void vUsePackagePath(const std::string &path)
{
    snprintf(gu8str_PkgFilePath, sizeof(gu8str_PkgFilePath), "%s", path.c_str());
    SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_PKG_PATH, path.c_str());
}

void vUsePackageFile(const std::string &path, const std::vector<uint8_t> &pkg)
{
    vWriteFile(path, std::string(pkg.begin(), pkg.end()));
    vUsePackagePath(path);
}
