// `tavolin-pkg info` and `tavolin-pkg extract` (pkgtool/pkg_info.cpp,
// pkg_extract.cpp): the input is written as the package file and the
// commands run on it as from the command line, their output thrown away:
// info as text and as JSON; extract without --force, then with it for every
// port the package lists (by number, as binary and as EDID text) and for
// the first port by its name. An extracted binary image must be the port's
// bytes in the package.
#include "files/package_layout.h"
#include "pkgtool/pkgtool.h"
#include "tests/fuzz/fuzz_common.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

std::string gs_Package;
std::string gs_Out;

int s32Run(int (*pfnCommand)(int, char **), std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int s32Code = pfnCommand((int)args.size(), argv.data());
    FUZZ_CHECK(s32Code == PKGTOOL_OK || s32Code == PKGTOOL_REFUSED);
    return s32Code;
}

// The port --port names: the first listed port of that name, else the
// port of that number.
uint32_t u32NamedPort(const std::vector<uint8_t> &pkg, const std::string &port, uint32_t u32Number)
{
    uint32_t u32Count = u32PkgPortCount(pkg.data());
    for (uint32_t i = 0; i < u32Count && i < PKG_PORT_MAX; i++) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(pkg.data(), i, cName, sizeof(cName));
        if (port == cName)
            return i;
    }
    return u32Number;
}

void vExtract(const std::vector<uint8_t> &pkg, const std::string &port, uint32_t u32Number,
              bool bText)
{
    uint32_t u32Port = u32NamedPort(pkg, port, u32Number);
    unlink(gs_Out.c_str());
    int s32Code = s32Run(s32ExtractCommand, {"extract", gs_Package, "--port", port, "-o", gs_Out,
                                             "--format", bText ? "txt" : "bin", "--force"});
    uint32_t u32Offset = 0, u32Length = 0;
    bool bInside = bPkgPortImage(pkg.data(), u32Port, &u32Offset, &u32Length);
    std::vector<uint8_t> out;
    bool bWritten = fuzz::bReadFile(gs_Out, &out);
    FUZZ_CHECK(bWritten == (s32Code == PKGTOOL_OK));
    if (s32Code != PKGTOOL_OK || bText)
        return;
    FUZZ_CHECK(bInside);
    FUZZ_CHECK(out.size() == u32Length);
    FUZZ_CHECK(memcmp(out.data(), pkg.data() + u32Offset, u32Length) == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::vQuietOutput();
    gs_Package = fuzz::strTempFile("p.pkg");
    gs_Out = fuzz::strTempFile("out");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    fuzz::vWriteFile(gs_Package, pu8Data, size);
    int s32Info = s32Run(s32InfoCommand, {"info", gs_Package});
    FUZZ_CHECK(s32Run(s32InfoCommand, {"info", "--json", gs_Package}) == s32Info);

    // The package as the tool reads it: its first 10,240 bytes, zeros after.
    std::vector<uint8_t> pkg(PKG_FILE_SIZE, 0);
    memcpy(pkg.data(), pu8Data, size < PKG_FILE_SIZE ? size : PKG_FILE_SIZE);
    int32_t s32Check = s32PkgValidate(pkg.data(), size, s32PkgTypeOfText(pkg.data()));
    FUZZ_CHECK((s32Info == PKGTOOL_OK) == (s32Check == PKG_CHECK_OK));

    unlink(gs_Out.c_str());
    int s32Plain = s32Run(s32ExtractCommand, {"extract", gs_Package, "--port", "1", "-o", gs_Out});
    if (s32Check != PKG_CHECK_OK)
        FUZZ_CHECK(s32Plain == PKGTOOL_REFUSED);

    uint32_t u32Count = u32PkgPortCount(pkg.data());
    for (uint32_t i = 0; i < u32Count && i < PKG_PORT_MAX; i++)
        vExtract(pkg, std::to_string(i + 1), i, i % 2 == 1);
    if (u32Count > 0) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(pkg.data(), 0, cName, sizeof(cName));
        if (cName[0])
            vExtract(pkg, cName, 0, false);
    }
    return 0;
}
