// A port image as `tavolin-pkg build` takes it (pkgtool/pkg_build.cpp) and
// the code under it (files/edid_image.cpp, files/package_writer.cpp): the
// input is an image file, raw bytes or hex text. It goes through
// bEdidBytesAreText, bParseEdidText (into a buffer of exactly an EDID's
// largest size), s32CheckEdidImage and u32FormatEdidText, whose text must
// parse back to the same bytes; an image of the right length is packed by
// s32PkgBuild, and the package must pass the program's checks and give the
// image back. Last the build command runs on the file as from the command
// line, without and with --force, and a package it writes must pass.
#include "files/edid_image.h"
#include "files/package_layout.h"
#include "files/package_writer.h"
#include "pkgtool/pkgtool.h"
#include "tests/fuzz/fuzz_common.h"

#include <string.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string gs_Image;
std::string gs_Package;

// The image bytes as the build command takes them; false when it refuses.
bool bImageOf(const uint8_t *pu8Data, size_t size, std::vector<uint8_t> *pImage)
{
    if (!bEdidBytesAreText(pu8Data, size)) {
        if (size > EDID_IMAGE_MAX)
            return false;
        pImage->assign(pu8Data, pu8Data + size);
        return true;
    }
    std::unique_ptr<uint8_t[]> pu8Out(new uint8_t[EDID_IMAGE_MAX]);
    size_t count = 0, bad = 0;
    if (!bParseEdidText((const char *)pu8Data, size, pu8Out.get(), EDID_IMAGE_MAX, &count, &bad)) {
        FUZZ_CHECK(bad < size);
        return false;
    }
    FUZZ_CHECK(count <= EDID_IMAGE_MAX);
    FUZZ_CHECK(count <= size / 2);
    pImage->assign(pu8Out.get(), pu8Out.get() + count);
    return true;
}

// The program's EDID text of the image, cut at any size, and read back.
void vFormatAndParse(const std::vector<uint8_t> &image)
{
    uint32_t u32Amount = (uint32_t)image.size();
    uint32_t u32Size = EDID_TEXT_SIZE_OF(u32Amount) + 1;
    std::unique_ptr<char[]> pcText(new char[u32Size]);
    uint32_t u32Length = u32FormatEdidText(image.data(), u32Amount, pcText.get(), u32Size);
    FUZZ_CHECK(u32Length == u32Size - 1 && strlen(pcText.get()) == u32Length);
    std::unique_ptr<uint8_t[]> pu8Back(new uint8_t[u32Amount ? u32Amount : 1]);
    size_t count = 0, bad = 0;
    FUZZ_CHECK(bParseEdidText(pcText.get(), u32Length, pu8Back.get(), u32Amount, &count, &bad));
    FUZZ_CHECK(count == u32Amount);
    FUZZ_CHECK(u32Amount == 0 || memcmp(pu8Back.get(), image.data(), u32Amount) == 0);
    // A smaller text buffer holds whole entries only.
    for (uint32_t u32Cut : {0u, 1u, 6u, 7u, 97u, 98u}) {
        if (u32Cut >= u32Size)
            break;
        std::unique_ptr<char[]> pcCut(new char[u32Cut ? u32Cut : 1]);
        uint32_t u32CutLength = u32FormatEdidText(image.data(), u32Amount, pcCut.get(), u32Cut);
        FUZZ_CHECK(u32Cut == 0 ? u32CutLength == 0 : u32CutLength < u32Cut);
        FUZZ_CHECK(u32Cut == 0 || memcmp(pcCut.get(), pcText.get(), u32CutLength) == 0);
    }
}

// The image on one to three ports of a package.
void vPack(const std::vector<uint8_t> &image)
{
    std::unique_ptr<uint8_t[]> pu8Pkg(new uint8_t[PKG_FILE_SIZE]);
    for (uint32_t u32Ports = 1; u32Ports <= 3; u32Ports++) {
        stPkgPort stPorts[3] = {{"HDMI1", image.data(), (uint32_t)image.size()},
                                {"DVI", image.data(), (uint32_t)image.size()},
                                {"VGA-7ch", image.data(), (uint32_t)image.size()}};
        uint32_t u32Bad = 99;
        int32_t s32Code =
            s32PkgBuild("TEXT-A", "TXT-B", PKG_TYPE_DVI, stPorts, u32Ports, pu8Pkg.get(), &u32Bad);
        if (s32Code != PKG_BUILD_OK) {
            FUZZ_CHECK(u32Bad < u32Ports);
            for (uint32_t i = 0; i < PKG_FILE_SIZE; i++)
                FUZZ_CHECK(pu8Pkg[i] == 0);
            continue;
        }
        FUZZ_CHECK(s32PkgValidate(pu8Pkg.get(), PKG_FILE_SIZE, PKG_TYPE_DVI) == PKG_CHECK_OK);
        for (uint32_t i = 0; i < u32Ports; i++) {
            uint32_t u32Offset = 0, u32Length = 0;
            FUZZ_CHECK(bPkgPortImage(pu8Pkg.get(), i, &u32Offset, &u32Length));
            FUZZ_CHECK(u32Length == image.size());
            FUZZ_CHECK(memcmp(pu8Pkg.get() + u32Offset, image.data(), u32Length) == 0);
        }
    }
}

int s32Build(bool bForce)
{
    unlink(gs_Package.c_str());
    std::vector<std::string> args = {"build", "-o", gs_Package, "--type", "HDMI", "--text-a",
                                     "Fuzz", "--port", "P1=" + gs_Image};
    if (bForce)
        args.push_back("--force");
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int s32Code = s32BuildCommand((int)args.size(), argv.data());
    FUZZ_CHECK(s32Code == PKGTOOL_OK || s32Code == PKGTOOL_REFUSED);
    std::vector<uint8_t> pkg;
    bool bWritten = fuzz::bReadFile(gs_Package, &pkg);
    FUZZ_CHECK(bWritten == (s32Code == PKGTOOL_OK));
    if (bWritten) {
        FUZZ_CHECK(pkg.size() == PKG_FILE_SIZE);
        FUZZ_CHECK(s32PkgValidate(pkg.data(), pkg.size(), PKG_TYPE_HDMI) == PKG_CHECK_OK);
    }
    return s32Code;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::vQuietOutput();
    gs_Image = fuzz::strTempFile("port.img");
    gs_Package = fuzz::strTempFile("out.pkg");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    std::vector<uint8_t> image;
    bool bTaken = bImageOf(pu8Data, size, &image);
    int32_t s32Check = EDID_IMAGE_EMPTY;
    if (bTaken) {
        uint32_t u32Bad = 0, u32Detail = 0;
        std::unique_ptr<uint8_t[]> pu8Exact(new uint8_t[image.size() ? image.size() : 1]);
        if (!image.empty())
            memcpy(pu8Exact.get(), image.data(), image.size());
        s32Check = s32CheckEdidImage(pu8Exact.get(), (uint32_t)image.size(), &u32Bad, &u32Detail);
        FUZZ_CHECK(s32Check >= EDID_IMAGE_OK && s32Check <= EDID_IMAGE_CHECKSUM);
        FUZZ_CHECK(image.empty() || u32Bad <= image.size());
        if (s32Check == EDID_IMAGE_CHECKSUM)
            FUZZ_CHECK(u32Detail != 0 && u32Detail < 256);
        vFormatAndParse(image);
        if (image.size() >= EDID_BLOCK_BYTES && image.size() == u32EdidDeclaredLength(image.data()))
            vPack(image);
    }

    fuzz::vWriteFile(gs_Image, pu8Data, size);
    int s32Plain = s32Build(false);
    int s32Forced = s32Build(true);
    // Without --force: exactly the images that pass every check and fit.
    if (s32Plain == PKGTOOL_OK)
        FUZZ_CHECK(bTaken && s32Check == EDID_IMAGE_OK && s32Forced == PKGTOOL_OK);
    if (!bTaken)
        FUZZ_CHECK(s32Forced == PKGTOOL_REFUSED);
    return 0;
}
