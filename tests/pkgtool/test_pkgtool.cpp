// The built tavolin-pkg run as an engineer runs it; what it builds must pass
// the program's own read of a package.
#include "tests/support/edid_corpus.h"
#include "tests/support/edid_maker.h"
#include "tests/support/package_maker.h"
#include "tests/support/run_program.h"
#include "tests/support/test_env.h"

#include "files/edid_image.h"
#include "files/package.h"
#include "ui/Pavimo.h"

#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Args = std::vector<std::string>;

const std::string TOOL = TAVOLIN_BINARY_DIR "/tavolin-pkg";

std::string Text(const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string EdidText(const Bytes &image)
{
    std::string text(EDID_TEXT_SIZE_OF(image.size()) + 1, '\0');
    text.resize(u32FormatEdidText(image.data(), (uint32_t)image.size(), text.data(),
                                  (uint32_t)text.size()));
    return text;
}

Bytes TwoPortPackage() { return lstMakePackage({{"HDMI1", lstMakeEdid(1)}, {"VGA", lstMakeEdid(0)}}); }

class PkgToolTest : public AppTest {
protected:
    stRunResult Run(const Args &args, stRunSetup setup = {})
    {
        setup.workDir = m_dir.path();
        return stRunProgram(TOOL, args, setup);
    }
    // Root and an ordinary user (the folder open to both) when the tests run
    // as root, else the user they run as.
    std::vector<stRunSetup> Users()
    {
        if (geteuid() != 0)
            return {stRunSetup()};
        chmod(m_dir.path().c_str(), 0777);
        stRunSetup user;
        user.bOrdinaryUser = true;
        return {stRunSetup(), user};
    }
    std::string File(const std::string &name, const Bytes &bytes)
    {
        vWriteFile(m_dir.file(name), Text(bytes));
        return m_dir.file(name);
    }
    // The program's read of the package, as the Read step prints it.
    std::string ProgramRead(const std::string &path)
    {
        vUsePackagePath(path);
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
        s32ReadPkgAction();
        return MsgBox();
    }
    // A refusal: exit code 1, the one message, and no output file.
    void ExpectRefused(const Args &args, const std::string &message, const stRunSetup &as = {})
    {
        stRunResult result = Run(args, as);
        EXPECT_EQ(result.s32Code, 1) << message;
        EXPECT_EQ(result.err, "tavolin-pkg: " + message + "\n");
        EXPECT_FALSE(bFileExists(m_dir.file("out.pkg"))) << message;
    }
    Args Build(const Args &ports, const Args &more = {})
    {
        Args args = {"build", "-o", "out.pkg", "--type", "HDMI"};
        for (const std::string &port : ports) {
            args.push_back("--port");
            args.push_back(port);
        }
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
};

// Real EDIDs whose length matches their byte 126 and whose checksums hold,
// of as many different sizes as fit one package.
std::vector<stCorpusEdid> PackableCorpus()
{
    std::vector<stCorpusEdid> chosen;
    size_t total = 0;
    for (const stCorpusEdid &edid : lstCorpus()) {
        bool bNewSize = std::none_of(chosen.begin(), chosen.end(), [&](const stCorpusEdid &c) {
            return c.bytes.size() == edid.bytes.size();
        });
        uint32_t u32Offset = 0, u32Sum = 0;
        if (bNewSize && chosen.size() < 8 && total + edid.bytes.size() <= 9984 &&
            s32CheckEdidImage(edid.bytes.data(), (uint32_t)edid.bytes.size(), &u32Offset,
                              &u32Sum) == EDID_IMAGE_OK) {
            chosen.push_back(edid);
            total += edid.bytes.size();
        }
    }
    return chosen;
}

TEST_F(PkgToolTest, RealEdidsGoInAndComeBackOutByteForByte)
{
    std::vector<stCorpusEdid> corpus = PackableCorpus();
    if (corpus.size() < 2)
        GTEST_SKIP() << strCorpusMissing();
    LoadPanels();
    Args ports;
    for (size_t i = 0; i < corpus.size(); i++)
        ports.push_back("P" + std::to_string(i + 1) + "=" + TAVOLIN_EDID_DATA_DIR "/" +
                        corpus[i].name);
    stRunResult built = Run(Build(ports, {"--text-a", "Line 7 bench", "--text-b", "B-2"}));
    ASSERT_EQ(built.s32Code, 0) << built.err;
    EXPECT_EQ(built.out, "out.pkg: HDMI package with " + std::to_string(corpus.size()) +
                             " ports\n");
    EXPECT_EQ(ProgramRead(m_dir.file("out.pkg")), "Reading PKG file ...\n> - Pass\n>");
    EXPECT_EQ(Run({"info", "out.pkg"}).s32Code, 0);
    for (size_t i = 0; i < corpus.size(); i++) {
        std::string name = "P" + std::to_string(i + 1);
        ASSERT_EQ(Run({"extract", "out.pkg", "--port", name, "-o", "by-name.bin"}).s32Code, 0);
        EXPECT_EQ(lstReadBytes(m_dir.file("by-name.bin")), corpus[i].bytes) << corpus[i].name;
        Args byNumber = {"extract", "out.pkg", "--port", std::to_string(i + 1), "-o", "n.txt",
                         "--format", "txt"};
        ASSERT_EQ(Run(byNumber).s32Code, 0);
        EXPECT_EQ(strReadFile(m_dir.file("n.txt")), EdidText(corpus[i].bytes)) << corpus[i].name;
    }
}

TEST_F(PkgToolTest, TextAndHexDumpImagesBuildTheSamePackageAsRawOnes)
{
    Bytes image = lstMakeEdid(2);
    std::string dump;
    for (uint8_t u8Byte : image) {
        char cHex[4];
        snprintf(cHex, sizeof(cHex), "%02x ", u8Byte);
        dump += cHex;
    }
    File("a.bin", image);
    vWriteFile(m_dir.file("a.txt"), EdidText(image));
    vWriteFile(m_dir.file("a.hex"), dump + "\r\n");
    ASSERT_EQ(Run(Build({"A=a.bin"})).s32Code, 0);
    std::string raw = strReadFile(m_dir.file("out.pkg"));
    for (const char *pcInput : {"A=a.txt", "A=a.hex"}) {
        stRunResult result = Run({"build", "-o", "again.pkg", "--type", "HDMI", "--port", pcInput});
        ASSERT_EQ(result.s32Code, 0) << result.err;
        EXPECT_EQ(strReadFile(m_dir.file("again.pkg")), raw) << pcInput;
    }
}

TEST_F(PkgToolTest, BadImagesAreRefusedNamingFileAndByte)
{
    Bytes header = lstMakeEdid(0), checksum = lstMakeEdid(1), longer = lstMakeEdid(0);
    header[3] = 0x12;
    checksum[200] ^= 0x01;
    longer.resize(256, 0);
    File("header.bin", header);
    File("checksum.bin", checksum);
    File("longer.bin", longer);
    File("empty.bin", {});
    Bytes declaresTwo = lstMakeEdid(1);
    declaresTwo.resize(128);
    File("declares-two.bin", declaresTwo);
    vWriteFile(m_dir.file("bad.txt"), "0x00, 0xFF, 0xGF, ");
    ExpectRefused(Build({"A=header.bin"}),
                  "header.bin: byte 3: no EDID header (00 FF FF FF FF FF FF 00); --force takes it");
    ExpectRefused(Build({"A=checksum.bin"}),
                  "checksum.bin: byte 255: block 1's checksum is wrong (its bytes sum to 0x01, "
                  "not 0x00); --force takes it");
    ExpectRefused(Build({"A=longer.bin"}, {"--force"}),
                  "longer.bin: byte 126: declares 0 extension blocks, so 128 bytes, but holds 256");
    ExpectRefused(Build({"A=empty.bin"}), "empty.bin: holds no bytes");
    ExpectRefused(Build({"A=declares-two.bin"}, {"--force"}),
                  "declares-two.bin: byte 126: declares 1 extension block, so 256 bytes, but "
                  "holds 128");
    ExpectRefused(Build({"A=bad.txt"}), "bad.txt: byte 12: not a hex byte (\"0x1F,\" or \"1F\"), "
                                        "or more bytes than an EDID holds");
    ExpectRefused(Build({"A=missing.bin"}), "missing.bin: cannot be read");
    EXPECT_EQ(Run(Build({"A=header.bin", "B=checksum.bin"}, {"--force"})).s32Code, 0);
}

// Tavolin refuses to program such an image; other tools may write it.
TEST_F(PkgToolTest, AnImageOver256BytesIsPackedWithAWarning)
{
    File("a.bin", lstMakeEdid(1));
    File("big.bin", lstMakeEdid(2));
    const std::string rest = " has an image of 384 bytes; one-byte addresses reach only the "
                             "first 256 bytes of a display's memory: Tavolin programs it only "
                             "into a two-block or segment memory\n";
    stRunResult built = Run(Build({"A=a.bin", "BIG=big.bin"}));
    EXPECT_EQ(built.s32Code, 0);
    EXPECT_EQ(built.out, "out.pkg: HDMI package with 2 ports\n");
    EXPECT_EQ(built.err, "tavolin-pkg: warning: big.bin: port 2 (BIG)" + rest);
    stRunResult info = Run({"info", "--json", "out.pkg"});
    EXPECT_EQ(info.s32Code, 0);
    EXPECT_EQ(info.out.rfind("{\n", 0), 0u);
    EXPECT_EQ(info.err, "tavolin-pkg: warning: out.pkg: port 2 (BIG)" + rest);
    EXPECT_NE(info.out.find("\"memories\": [\"blocks\", \"segment\"]"), std::string::npos);

    // Past 512 bytes no memory holds it.
    File("huge.bin", lstMakeEdid(5));
    built = Run(Build({"A=a.bin", "HUGE=huge.bin"}));
    EXPECT_EQ(built.err, "tavolin-pkg: warning: huge.bin: port 2 (HUGE) has an image of 768 "
                         "bytes; Tavolin writes at most 512 bytes of a display's memory and "
                         "refuses to program it\n");
    info = Run({"info", "out.pkg"});
    EXPECT_NE(info.out.find("  image size     768 bytes\n  identifier     DEL40F3\n"
                            "  memories       none\n"),
              std::string::npos)
        << info.out;
}

TEST_F(PkgToolTest, WhatDoesNotFitItsFieldIsRefusedNeverCut)
{
    File("a.bin", lstMakeEdid(0));
    File("big.bin", lstMakeEdid(39)); // 5,120 bytes: two do not fit 9,984
    ExpectRefused(Build({"LONGNAME=a.bin"}),
                  "a.bin: port name 'LONGNAME' has 8 bytes; a name holds 1 to 7");
    ExpectRefused(Build({"=a.bin"}), "a.bin: port name '' has 0 bytes; a name holds 1 to 7");
    ExpectRefused(Build({"A=a.bin"}, {"--text-a", "0123456789abcdef"}),
                  "--text-a: '0123456789abcdef' has 16 bytes; text A holds 15");
    ExpectRefused(Build({"A=a.bin"}, {"--text-b", "K\xC3\xBC" "che12"}),
                  "--text-b: 'K\xC3\xBC" "che12' has 8 bytes; text B holds 7");
    ExpectRefused(Build({"A=a.bin", "B=a.bin", "A=big.bin"}),
                  "big.bin: port name 'A' is port 1's already; each port needs a name of its own");
    ExpectRefused(Build(Args(9, "A=a.bin")), "more than 8 ports; a package holds 8");
    ExpectRefused(Build({"A=big.bin", "B=big.bin"}),
                  "big.bin: the images from the first port to this one do not fit the package's "
                  "9984 bytes after its 256-byte header");
    Args eight;
    for (const char *pcName : {"A", "B", "C", "D", "E", "F", "G", "H"})
        eight.push_back(pcName + std::string("=a.bin"));
    EXPECT_EQ(Run(Build(eight, {"--text-a", "0123456789abcde"})).s32Code, 0);
}

TEST_F(PkgToolTest, AnOutputIsWrittenWholeOrNotAtAll)
{
    File("a.bin", lstMakeEdid(0));
    File("old.pkg", Bytes(5, 0x55));
    EXPECT_EQ(Run({"build", "-o", "old.pkg", "--type", "VGA", "--port", "A=missing.bin"}).s32Code,
              1);
    EXPECT_EQ(strReadFile(m_dir.file("old.pkg")), "UUUUU");
    stRunResult result = Run({"build", "-o", "no/dir.pkg", "--type", "VGA", "--port", "A=a.bin"});
    EXPECT_EQ(result.s32Code, 1);
    EXPECT_EQ(result.err, "tavolin-pkg: no/dir.pkg: cannot be written: no new file can be made in "
                          "its folder: No such file or directory\n");
    EXPECT_EQ(lstDirEntries(m_dir.path()), (std::vector<std::string>{"Pavimo.uir", "a.bin", "old.pkg"}));
}

TEST_F(PkgToolTest, InputsAreRegularFilesReadNoFurtherThanTheyCanHold)
{
    File("a.bin", lstMakeEdid(0));
    File("huge", {});
    ASSERT_EQ(truncate(m_dir.file("huge").c_str(), 1ll << 40), 0); // no test could read it all
    ASSERT_EQ(mkfifo(m_dir.file("fifo").c_str(), 0666), 0);
    const std::string zero = "/dev/zero: is a character device, not a regular file";
    const std::string fifo = "fifo: is a FIFO, not a regular file";
    for (const stRunSetup &as : Users()) {
        ExpectRefused({"info", "/dev/zero"}, zero, as);
        ExpectRefused({"info", "fifo"}, fifo, as);
        ExpectRefused({"info", "."}, ".: is a folder, not a regular file", as);
        ExpectRefused({"extract", "fifo", "--port", "1", "-o", "x.bin"}, fifo, as);
        ExpectRefused(Build({"A=a.bin", "B=/dev/zero"}), zero, as);
        ExpectRefused(Build({"A=fifo"}), fifo, as);
        ExpectRefused(Build({"A=huge"}),
                      "huge: 1099511627776 bytes, larger than any EDID image or its text", as);
        stRunResult info = Run({"info", "huge"}, as);
        EXPECT_EQ(info.s32Code, 1);
        EXPECT_EQ(info.out.rfind("File:            huge (1099511627776 bytes)\n", 0), 0u);
        EXPECT_NE(info.out.find("  Size mismatch (  ): byte 10240: the file holds 1099511627776 "
                                "bytes, a package 10240\n"), std::string::npos);
    }
}

TEST_F(PkgToolTest, AnOutputIsARegularFileAndNoneOfTheInputs)
{
    File("a.bin", lstMakeEdid(0));
    File("good.pkg", TwoPortPackage());
    ASSERT_EQ(symlink("a.bin", m_dir.file("link.bin").c_str()), 0);
    const std::string pkg = m_dir.file("good.pkg");
    for (const stRunSetup &as : Users()) {
        ExpectRefused({"build", "-o", "link.bin", "--type", "VGA", "--port", "X=missing.bin",
                       "--port", "A=a.bin"},
                      "-o link.bin: the same file as port 2's image a.bin; name another file", as);
        ExpectRefused({"build", "-o", "./a.bin", "--type", "VGA", "--port", "A=a.bin"},
                      "-o ./a.bin: the same file as port 1's image a.bin; name another file", as);
        ExpectRefused({"extract", "good.pkg", "--port", "1", "-o", pkg},
                      "-o " + pkg + ": the same file as the package good.pkg; name another file",
                      as);
    }
    EXPECT_EQ(lstReadBytes(m_dir.file("a.bin")), lstMakeEdid(0));
    EXPECT_EQ(lstReadBytes(pkg), TwoPortPackage());
    char cLink[16] = "";
    EXPECT_EQ(readlink(m_dir.file("link.bin").c_str(), cLink, sizeof(cLink) - 1), 5);
    EXPECT_STREQ(cLink, "a.bin");

    // Root could replace /dev/null itself: a device node of the test's own.
    std::string null = geteuid() == 0 ? m_dir.file("null") : "/dev/null";
    if (geteuid() == 0 && mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "no device node can be made here; -o naming a device is not tried as root";
    for (const stRunSetup &as : Users())
        ExpectRefused({"extract", "good.pkg", "--port", "1", "-o", null},
                      "-o " + null + ": is a character device, not a regular file; name a file, "
                      "or - for standard output", as);
    struct stat st;
    ASSERT_EQ(lstat(null.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(PkgToolTest, DashIsStandardOutputAndAFailedWriteThereExitsOne)
{
    File("a.bin", lstMakeEdid(1));
    File("good.pkg", TwoPortPackage());
    ASSERT_EQ(Run(Build({"A=a.bin"})).s32Code, 0);
    const Args extract = {"extract", "good.pkg", "--port", "VGA", "-o", "-"};
    for (const stRunSetup &as : Users()) {
        stRunResult built = Run({"build", "-o", "-", "--type", "HDMI", "--port", "A=a.bin"}, as);
        EXPECT_EQ(built.s32Code, 0);
        EXPECT_EQ(built.out, strReadFile(m_dir.file("out.pkg")));
        EXPECT_EQ(Run(extract, as).out, Text(lstMakeEdid(0)));
        Args text = extract;
        text.insert(text.end(), {"--format", "txt"});
        EXPECT_EQ(Run(text, as).out, EdidText(lstMakeEdid(0)));
        EXPECT_FALSE(bFileExists(m_dir.file("-")));

        stRunSetup full = as, unread = as;
        full.stdoutPath = "/dev/full";
        unread.bStdoutUnread = true;
        for (const Args &args : {Args{"info", "good.pkg"}, Args{"--version"}, extract}) {
            stRunResult result = Run(args, full);
            EXPECT_EQ(result.s32Code, 1) << args[0];
            EXPECT_EQ(result.err, "tavolin-pkg: standard output: cannot be written: No space left "
                                  "on device\n");
            result = Run(args, unread);
            EXPECT_EQ(result.s32Code, 1) << args[0] << " signal " << result.s32Signal;
            EXPECT_EQ(result.err, "tavolin-pkg: standard output: cannot be written: Broken pipe\n");
        }
    }
}

TEST_F(PkgToolTest, UsageErrorsExitWithTwoAndHelpWithZero)
{
    File("a.bin", lstMakeEdid(0));
    const std::vector<std::pair<Args, std::string>> cases = {
        {{}, "no command given\nTry 'tavolin-pkg --help'."},
        {{"pack"}, "unknown command 'pack'\nTry 'tavolin-pkg --help'."},
        {{"build", "--type", "VGA", "--port", "A=a.bin"},
         "no output file (-o OUT.pkg)\nTry 'tavolin-pkg build --help'."},
        {{"build", "-o", "x.pkg", "--type", "DP", "--port", "A=a.bin"},
         "type 'DP' is not VGA, DVI or HDMI\nTry 'tavolin-pkg build --help'."},
        {{"build", "-o", "x.pkg", "--type", "VGA", "--port", "a.bin"},
         "'a.bin' is not NAME=FILE\nTry 'tavolin-pkg build --help'."},
        {{"build", "-o", "x.pkg", "--type", "VGA", "--colour"},
         "unknown option '--colour'\nTry 'tavolin-pkg build --help'."},
        {{"build", "-o"}, "-o needs a value\nTry 'tavolin-pkg build --help'."},
        {{"info"}, "no package file given\nTry 'tavolin-pkg info --help'."},
        {{"extract", "x.pkg", "--port", "1", "-o", "y", "--format", "hex"},
         "format 'hex' is not bin or txt\nTry 'tavolin-pkg extract --help'."},
    };
    stRunResult version = Run({"--version"});
    EXPECT_EQ(version.s32Code, 0);
    EXPECT_EQ(version.out, "tavolin-pkg " TAVOLIN_VERSION "\n");
    for (const auto &[args, message] : cases) {
        stRunResult result = Run(args);
        EXPECT_EQ(result.s32Code, 2) << message;
        EXPECT_EQ(result.err, "tavolin-pkg: " + message + "\n");
    }
    for (const Args &help : {Args{"--help"}, Args{"build", "--help"}, Args{"info", "--help"},
                             Args{"extract", "--help"}}) {
        stRunResult result = Run(help);
        EXPECT_EQ(result.s32Code, 0) << help[0];
        EXPECT_EQ(result.out.rfind("Usage: tavolin-pkg", 0), 0u) << help[0];
    }
}

// --- info and extract on packages made and damaged by hand ---

TEST_F(PkgToolTest, InfoOfAGoodPackageAsTextAndJson)
{
    File("good.pkg", TwoPortPackage());
    stRunResult text = Run({"info", "good.pkg"});
    EXPECT_EQ(text.s32Code, 0);
    EXPECT_EQ(text.out, "File:            good.pkg (10240 bytes)\n"
                        "Text A:          TEXT-A\n"
                        "Text B:          TXT-B\n"
                        "Type:            HDMI\n"
                        "Ports:           2\n"
                        "Package sum:     0x00007A80 (computed 0x00007A80)\n"
                        "Header sum:      0x00000680 (computed 0x00000680)\n"
                        "Port 1:          HDMI1\n"
                        "  offset         256\n"
                        "  image size     256 bytes\n"
                        "  identifier     DEL40F3\n"
                        "  memories       byte, blocks, segment\n"
                        "  block checksums 0:ok 1:ok\n"
                        "Port 2:          VGA\n"
                        "  offset         512\n"
                        "  image size     128 bytes\n"
                        "  identifier     DEL40F3\n"
                        "  memories       byte, blocks, segment\n"
                        "  block checksums 0:ok\n"
                        "Checks:          Pass\n");
    stRunResult json = Run({"info", "--json", "good.pkg"});
    EXPECT_EQ(json.out,
              "{\n  \"file\": \"good.pkg\",\n  \"size\": 10240,\n  \"text_a\": \"TEXT-A\",\n"
              "  \"text_b\": \"TXT-B\",\n  \"type\": \"HDMI\",\n  \"port_count\": 2,\n"
              "  \"package_sum\": {\"stored\": 31360, \"computed\": 31360},\n"
              "  \"header_sum\": {\"stored\": 1664, \"computed\": 1664},\n  \"ports\": [\n"
              "    {\"port\": 1, \"name\": \"HDMI1\", \"entry\": 44, \"offset\": 256, \"inside\": "
              "true, \"size\": 256, \"identifier\": \"DEL40F3\", "
              "\"memories\": [\"byte\", \"blocks\", \"segment\"], \"blocks_ok\": [true, true]},\n"
              "    {\"port\": 2, \"name\": \"VGA\", \"entry\": 56, \"offset\": 512, \"inside\": "
              "true, \"size\": 128, \"identifier\": \"DEL40F3\", "
              "\"memories\": [\"byte\", \"blocks\", \"segment\"], \"blocks_ok\": [true]}\n"
              "  ],\n  \"pass\": true,\n  \"faults\": []\n}\n");
}

TEST_F(PkgToolTest, InfoNamesEveryFaultOfADamagedPackage)
{
    Bytes pkg = TwoPortPackage();
    const char cType[8] = "DP\"x";
    std::copy(cType, cType + 8, pkg.begin() + PKG_TYPE_OFFSET);
    pkg[56] = 0x10, pkg[57] = 0x01; // port 2 at 272
    pkg[300] ^= 0xFF;               // block 0 of port 1
    pkg.push_back(0);
    File("bad.pkg", pkg);
    stRunResult text = Run({"info", "bad.pkg"});
    EXPECT_EQ(text.s32Code, 1);
    std::string checks = text.out.substr(text.out.find("Checks:"));
    EXPECT_EQ(checks,
              "Checks:          Fail\n"
              "  Size mismatch ( DP\"x ): byte 10240: the file holds 10241 bytes, a package 10240\n"
              "  Type mismatch ( DP\"x ): byte 24: the type text 'DP\"x' is not VGA, DVI or HDMI\n"
              "  Port data address illegal ( DP\"x ): byte 56: port 2's entry points at 272, not "
              "on a 128-byte boundary\n"
              "  Package header checksum error ( DP\"x ): byte 36: stored 0x00000680, computed "
              "0x0000069B\n"
              "  Package Checksum error (DP\"x): byte 32: stored 0x00007A80, computed 0x00007B42\n");
    EXPECT_NE(text.out.find("  block checksums 0:wrong(byte 383) 1:ok\n"), std::string::npos);
    stRunResult json = Run({"info", "--json", "bad.pkg"});
    EXPECT_NE(json.out.find("\"type\": \"DP\\\"x\""), std::string::npos);
    EXPECT_NE(json.out.find("\"pass\": false"), std::string::npos);
    // The document, its two sums and its two ports, then one per fault.
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '{') - 5, 5);

    stRunResult refused = Run({"extract", "bad.pkg", "--port", "HDMI1", "-o", "x.bin"});
    EXPECT_EQ(refused.s32Code, 1);
    EXPECT_EQ(refused.err, "tavolin-pkg: bad.pkg: Size mismatch ( DP\"x ) ('tavolin-pkg info' "
                           "names every fault; --force extracts anyway)\n");
    EXPECT_EQ(Run({"extract", "bad.pkg", "--port", "HDMI1", "-o", "x.bin", "--force"}).s32Code, 0);
    EXPECT_EQ(lstReadBytes(m_dir.file("x.bin")), Bytes(pkg.begin() + 256, pkg.begin() + 512));
}

TEST_F(PkgToolTest, InfoEscapesWhatThePackageHoldsBeyondPrintableAscii)
{
    File("odd.pkg", lstMakePackage({{"P\x1B[1", lstMakeEdid(2)}}, PKG_TYPE_HDMI,
                                   "\x1B]0;x\x07\\", "\xC3\xBC"));
    stRunResult text = Run({"info", "odd.pkg"});
    EXPECT_EQ(text.s32Code, 0);
    EXPECT_NE(text.out.find("Text A:          \\x1B]0;x\\x07\\\\\n"
                            "Text B:          \\xC3\\xBC\n"), std::string::npos);
    EXPECT_NE(text.out.find("Port 1:          P\\x1B[1\n"), std::string::npos);
    EXPECT_EQ(text.err, "tavolin-pkg: warning: odd.pkg: port 1 (P\\x1B[1) has an image of 384 "
                        "bytes; one-byte addresses reach only the first 256 bytes of a "
                        "display's memory: Tavolin programs it only into a two-block or segment "
                        "memory\n");
    EXPECT_NE(Run({"info", "--json", "odd.pkg"}).out.find("\"text_a\": \"\\u001B]0;x\\u0007\\\\\""),
              std::string::npos);
}

TEST_F(PkgToolTest, AShortFileSaysItsLengthAndForceExtractsNothingPastIt)
{
    Bytes pkg = TwoPortPackage();
    File("short.pkg", Bytes(pkg.begin(), pkg.begin() + 400));
    File("one.pkg", {0x00});
    ExpectRefused({"extract", "short.pkg", "--port", "1", "-o", "out.pkg", "--force"},
                  "short.pkg: port 1's image (bytes 256 to 511) runs past the end of the file, "
                  "which holds 400 bytes");
    stRunResult info = Run({"info", "one.pkg"});
    EXPECT_EQ(info.out.rfind("File:            one.pkg (1 byte)\n", 0), 0u);
    EXPECT_NE(info.out.find("byte 1: the file holds 1 byte, a package 10240\n"), std::string::npos);
}

TEST_F(PkgToolTest, ExtractNeedsAPortThePackageHas)
{
    File("good.pkg", TwoPortPackage());
    stRunResult result = Run({"extract", "good.pkg", "--port", "3", "-o", "x.bin"});
    EXPECT_EQ(result.s32Code, 1);
    EXPECT_EQ(result.err, "tavolin-pkg: good.pkg: no port named or numbered '3'\n");
    EXPECT_FALSE(bFileExists(m_dir.file("x.bin")));
    EXPECT_EQ(Run({"extract", "good.pkg", "--port", "2", "-o", "x.bin"}).s32Code, 0);
    EXPECT_EQ(lstReadBytes(m_dir.file("x.bin")), lstMakeEdid(0));
}

// Only the file named changes: an output goes through a link to its file
// and keeps that file's mode; a FIFO or a device is refused, nothing written.
TEST_F(PkgToolTest, AnOutputChangesOnlyTheFileNamed)
{
    File("good.pkg", TwoPortPackage());
    File("real.bin", Bytes(3, 0x55));
    chmod(m_dir.file("real.bin").c_str(), 0600);
    File("real.bin.tmp", Bytes(2, 0x66));
    ASSERT_EQ(symlink("real.bin", m_dir.file("link.bin").c_str()), 0);
    EXPECT_EQ(Run({"extract", "good.pkg", "--port", "2", "-o", "link.bin"}).s32Code, 0);
    EXPECT_EQ(lstReadBytes(m_dir.file("real.bin")), lstMakeEdid(0));
    struct stat st;
    ASSERT_EQ(stat(m_dir.file("real.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(strReadFile(m_dir.file("real.bin.tmp")), "ff");

    ASSERT_EQ(mkfifo(m_dir.file("fifo.bin").c_str(), 0644), 0);
    bool bDevice = mknod(m_dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const std::vector<std::pair<std::string, std::string>> outputs = {
        {"fifo.bin", "a FIFO"}, {"null", "a character device"}};
    for (const auto &[out, kind] : outputs) {
        if (!bDevice && out == "null")
            continue;
        stRunResult result = Run({"extract", "good.pkg", "--port", "2", "-o", out});
        EXPECT_EQ(result.s32Code, 1) << out;
        EXPECT_EQ(result.err, "tavolin-pkg: -o " + out + ": is " + kind +
                                  ", not a regular file; name a file, or - for standard output\n");
    }
    ASSERT_EQ(lstat(m_dir.file("fifo.bin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(!bDevice || (lstat(m_dir.file("null").c_str(), &st) == 0 && S_ISCHR(st.st_mode)));
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), bDevice ? 7u : 6u);
}

} // namespace
