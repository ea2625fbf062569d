// Bench descriptions, the built-in bench, and memories kept across restarts.
#include "ddc_test_util.h"

#include <stdlib.h>
#include <sys/stat.h>

#include "platform/clock/PlatformClock.h"
#include "tests/support/test_env.h"

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);

Bytes lstFile(const std::string &path)
{
    std::string text = strReadFile(path);
    return Bytes(text.begin(), text.end());
}

// Only the bench's own lines of a library log.
std::string strBenchLines(const std::string &path)
{
    std::string all = strLogLines(path), out;
    for (size_t pos = 0, end; (end = all.find('\n', pos)) != std::string::npos; pos = end + 1)
        if (all.compare(pos, 6, "bench:") == 0)
            out += all.substr(pos, end + 1 - pos);
    return out;
}

TEST_F(DdcTest, DescriptionGivesOutputsImagesMemoriesAndFaults)
{
    ASSERT_EQ(u32DdcBenchLoadDescription(BENCH_DATA_DIR "/full.txt"), 5u);
    InitDDCHelper();
    Bytes pattern = lstFile(BENCH_DATA_DIR "/pattern384.bin");
    Bytes mem0 = lstSlice(pattern, 0, 256), mem3 = pattern;
    mem3.resize(512, 0xFF);
    EXPECT_EQ(lstDdcBenchMemory(0), mem0);
    EXPECT_EQ(u32DdcBenchReadMemory(1, nullptr, 0), 0u);
    EXPECT_EQ(TestAddr(DDC_BENCH_HANDLE(1), 0x50), DDC_ERR_NO_ACK);
    EXPECT_EQ(lstDdcBenchMemory(2), Bytes(2048, 0xFF));
    EXPECT_EQ(u32Write(DDC_BENCH_HANDLE(2), {0x00, 1, 2}), 0u);
    EXPECT_EQ(lstDdcBenchMemory(2), Bytes(2048, 0xFF)) << "write-protected";
    EXPECT_EQ(lstDdcBenchMemory(3), mem3);
    EXPECT_EQ(TestAddr(DDC_BENCH_HANDLE(3), 0x50), DDC_ERR_NO_ACK);

    const uint32_t H4 = DDC_BENCH_HANDLE(4);
    uint8_t u8Buf[128];
    uint32_t u32Result = 0;
    EXPECT_EQ(ReadEDID(H4, u8Buf), 0x70000021u);
    u32Write(H4, {0x00});
    lstRead(H4, 128, 0x100);
    lstRead(H4, 128, 0x1000, &u32Result);
    EXPECT_EQ(u32Result, 0x70000023u);
    std::vector<uint32_t> results;
    for (int i = 0; i < 3; i++, Sleep(50))
        results.push_back(u32Write(H4, {0x00, 1}));
    EXPECT_EQ(results, std::vector<uint32_t>({0, 0, DDC_ERR_BUS_FAULT}));

    ASSERT_EQ(u32DdcBenchLoadDescription(BENCH_DATA_DIR "/enum_fault.txt"), 1u);
    uint32_t u32Handle = 0;
    EXPECT_EQ(EnumGetFirst(&u32Handle), 0x70000025u);
}

TEST_F(DdcTest, BadDescriptionLinesAreLoggedAndSkipped)
{
    TempDir dir;
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    ASSERT_EQ(u32DdcBenchLoadDescription(BENCH_DATA_DIR "/bad.txt"), 4u);
    DisableLog();
    const std::string f = "bench: " BENCH_DATA_DIR "/bad.txt:";
    EXPECT_EQ(strBenchLines(dir.file("log.txt")),
              f + "2: \"colour\" outside an [output] section (ignored)\n" +
              f + "3: unknown section (ignored); the only one is [output]\n" +
              f + "6: bad value \"300\" for memory (ignored)\n" +
              f + "5: cannot read the EDID image \"missing.bin\"; the display starts blank\n" +
              f + "9: bad value \"maybe\" for write_protect (ignored)\n" +
              f + "8: EDID image \"odd100.bin\" has 100 bytes, not a multiple of 128; the display "
                  "starts blank\n" +
              f + "12: bad value \"0x\" for fail_write (ignored)\n" +
              f + "11: EDID image \"pattern384.bin\" has 384 bytes, more than its 256-byte memory; "
                  "the display starts blank\n" +
              f + "15: unknown key \"colour\" (ignored); keys are edid, memory, addressing, "
                  "write_protect, no_answer, fail_read_edid, fail_ext, fail_write, fail_enum, connector, "
                  "adapter_name, device, bridge\n" +
              f + "16: bad value \"12z\" for fail_read_edid (ignored)\n" +
              f + "17: not \"key = value\" (ignored)\n");
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(lstDdcBenchMemory(i), Bytes(256, 0xFF)) << i;
    EXPECT_EQ(lstDdcBenchMemory(3), lstFile(BENCH_DATA_DIR "/pattern256.bin"));
    InitDDCHelper();
    uint8_t u8Buf[128];
    EXPECT_EQ(ReadEDID(DDC_BENCH_HANDLE(3), u8Buf), DDC_ERR_INVALID_EDID);
}

// Windows names a bridge by its kind; here the bridge is an i2c-dev adapter.
TEST_F(DdcTest, BridgeKeyIsRefusedOnLinuxWithHowToNameOne)
{
    TempDir dir;
    std::string desc = dir.file("bench.txt");
    vWriteFile(desc, "[output]\nbridge = MCP2221\n");
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    ASSERT_EQ(u32DdcBenchLoadDescription(desc.c_str()), 1u);
    DisableLog();
    EXPECT_EQ(strBenchLines(dir.file("log.txt")),
              "bench: " + desc + ":2: bridge: on Linux a bridge is named by its i2c-dev adapter "
              "(adapter_name or device) (ignored)\n");
    uint32_t u32Flags = 9;
    InitDDCHelper();
    EXPECT_EQ(GetOutputInfo(H0, DDC_INFO_FLAGS, &u32Flags), 0u);
    EXPECT_EQ(u32Flags, 0u) << "no real adapter";
}

// The addressing key: a two-block memory answers at 0x51 with its second
// half, in 16-byte pages; a segment memory through its pointer, which a
// memory of one segment leaves unacknowledged; a one-byte memory never.
TEST_F(DdcTest, AddressingDeclaresTwoBlockAndSegmentMemories)
{
    TempDir dir;
    std::string desc = dir.file("bench.txt");
    vWriteFile(desc, "[output]\nedid = blank\naddressing = blocks\n"
                     "[output]\nedid = blank\naddressing = segment\n"
                     "[output]\nedid = blank\naddressing = segment\nmemory = 256\n"
                     "[output]\nedid = blank\nmemory = 512\naddressing = words\n");
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    ASSERT_EQ(u32DdcBenchLoadDescription(desc.c_str()), 4u);
    DisableLog();
    EXPECT_EQ(strBenchLines(dir.file("log.txt")),
              "bench: " + desc + ":14: bad value \"words\" for addressing (ignored)\n");
    InitDDCHelper();
    const uint32_t au32Kinds[] = {DDC_ADDRESSING_BLOCKS, DDC_ADDRESSING_SEGMENT,
                                  DDC_ADDRESSING_SEGMENT, DDC_ADDRESSING_BYTE};
    for (int32_t i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        const uint32_t h = DDC_BENCH_HANDLE(i);
        uint32_t u32Kind = 9;
        EXPECT_EQ(GetOutputInfo(h, DDC_INFO_ADDRESSING, &u32Kind), 0u);
        EXPECT_EQ(u32Kind, au32Kinds[i]);
        EXPECT_EQ(u32DdcBenchReadMemory(i, nullptr, 0), i == 2 ? 256u : 512u);
        // 16 bytes from 0xF8 of the second half: the 16-byte page rolls over.
        Bytes packet = {0xF8};
        for (uint8_t b = 1; b <= 16; b++)
            packet.push_back(b);
        uint32_t u32Written = WriteI2CBuf(h, 0x51, packet.data(), (uint32_t)packet.size(), 0);
        Sleep(30);
        if (i >= 2) {
            EXPECT_EQ(u32Written, DDC_ERR_NO_ACK);
            EXPECT_EQ(lstDdcBenchMemory(i), Bytes(i == 2 ? 256 : 512, 0xFF));
            continue;
        }
        EXPECT_EQ(u32Written, 0u);
        Bytes expected(512, 0xFF);
        for (uint32_t k = 0; k < 16; k++)
            expected[256 + (k < 8 ? 0xF8 + k : 0xF0 + k - 8)] = (uint8_t)(k + 1);
        EXPECT_EQ(lstDdcBenchMemory(i), expected);
        // A read at 0x51 wraps inside its half; one at 0x50 stays in the first.
        const uint8_t u8Addr = 0xFC;
        EXPECT_EQ(WriteI2CBuf(h, 0x51, &u8Addr, 1, 0), 0u);
        Bytes got(8);
        EXPECT_EQ(ReadI2CBuf(h, 0x51, got.data(), 8, 0), 0u);
        EXPECT_EQ(got, (Bytes{5, 6, 7, 8, 0xFF, 0xFF, 0xFF, 0xFF}));
        EXPECT_EQ(WriteI2CBuf(h, 0x50, &u8Addr, 1, 0), 0u);
        EXPECT_EQ(ReadI2CBuf(h, 0x50, got.data(), 8, 0), 0u);
        EXPECT_EQ(got, Bytes(8, 0xFF));
    }
}

TEST_F(DdcTest, NulByteOrOverlongLineSpoilsOnlyItsOwnLine)
{
    TempDir dir;
    std::string bench = dir.file("bench.txt");
    vWriteFile(bench, std::string("[output]\nedid = bl") + '\0' + "ank\n[output]\nedid = blank\n" +
                          "memory = 300\n[output]\nwrite_protect = maybe\n# " +
                          std::string(4157, 'x') + "\n# " + std::string(4158, 'x') +
                          "\nno_answer = 2\n");
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    Watchdog watchdog;
    ASSERT_EQ(u32DdcBenchLoadDescription(bench.c_str()), 3u);
    DisableLog();
    const std::string f = "bench: " + bench + ":";
    EXPECT_EQ(strBenchLines(dir.file("log.txt")),
              f + "2: NUL byte at column 10 (line ignored)\n" +
              f + "5: bad value \"300\" for memory (ignored)\n" +
              f + "7: bad value \"maybe\" for write_protect (ignored)\n" +
              f + "9: line longer than 4159 bytes (ignored)\n" +
              f + "10: bad value \"2\" for no_answer (ignored)\n");
    EXPECT_EQ(u32DdcBenchReadMemory(0, nullptr, 0), 0u) << "its edid line was dropped";
    EXPECT_EQ(lstDdcBenchMemory(1), Bytes(256, 0xFF));
}

// FIFOs, devices and folders are never read (a FIFO would block, /dev/zero
// never ends); an image's size is judged by the file, not by what was read.
TEST_F(DdcTest, ImageThatIsNotARegularFileOrTooLargeLeavesTheDisplayBlank)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.bin").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.file("folder.bin").c_str(), 0700), 0);
    vWriteFile(dir.file("big2049.bin"), std::string(2049, 'x'));
    vWriteFile(dir.file("big2176.bin"), std::string(2176, 'x'));
    std::string bench = dir.file("bench.txt");
    vWriteFile(bench, "[output]\nedid = fifo.bin\n"
                      "[output]\nedid = /dev/zero\n"
                      "[output]\nedid = folder.bin\n"
                      "[output]\nedid = big2049.bin\nmemory = 2048\n"
                      "[output]\nedid = big2176.bin\nmemory = 2048\n");
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    Watchdog watchdog;
    ASSERT_EQ(u32DdcBenchLoadDescription(bench.c_str()), 5u);
    DisableLog();
    const std::string f = "bench: " + bench + ":";
    EXPECT_EQ(strBenchLines(dir.file("log.txt")),
              f + "2: EDID image \"fifo.bin\" is a FIFO, not a regular file; the display starts "
                  "blank\n" +
              f + "4: EDID image \"/dev/zero\" is a character device, not a regular file; the "
                  "display starts blank\n" +
              f + "6: EDID image \"folder.bin\" is a folder, not a regular file; the display "
                  "starts blank\n" +
              f + "8: EDID image \"big2049.bin\" has 2049 bytes, more than the largest memory "
                  "(2048 bytes); the display starts blank\n" +
              f + "11: EDID image \"big2176.bin\" has 2176 bytes, more than the largest memory "
                  "(2048 bytes); the display starts blank\n");
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(lstDdcBenchMemory(i), Bytes(256, 0xFF)) << i;
    for (int i = 3; i < 5; i++)
        EXPECT_EQ(lstDdcBenchMemory(i), Bytes(2048, 0xFF)) << i;
}

// An image path longer than the bench keeps (4095 characters) is refused,
// never cut: cut, it would name another file, here one that exists.
TEST_F(DdcTest, ImagePathTooLongToKeepIsRefusedRatherThanCut)
{
    TempDir dir;
    Bytes image = lstEdid(0);
    vWriteFile(dir.file("a.bin"), std::string(image.begin(), image.end()));
    // "/././.../<dir>/a.bin" of exactly 4095 characters, then more.
    std::string tail = dir.path().substr(1) + "/a.bin", pad;
    while (1 + pad.size() + tail.size() < 4095)
        pad += 4095 - (1 + pad.size() + tail.size()) == 1 ? "/" : "./";
    std::string cut = "/" + pad + tail;
    ASSERT_EQ(cut.size(), 4095u);
    std::string value = cut + ".missing";
    std::string bench = dir.file("bench.txt");
    vWriteFile(bench, "[output]\nedid = " + value + "\n");
    ASSERT_EQ(EnableLog(dir.file("log.txt").c_str(), 1), 0u);
    ASSERT_EQ(u32DdcBenchLoadDescription(bench.c_str()), 1u);
    DisableLog();
    EXPECT_EQ(u32DdcBenchReadMemory(0, nullptr, 0), 0u) << "no display: its edid line was refused";
    EXPECT_EQ(strBenchLines(dir.file("log.txt")),
              "bench: " + bench + ":2: bad value \"" + value.substr(0, 64) +
                  "\" for edid (ignored)\n");
}

TEST_F(DdcTest, DefaultBenchHasDigitalAnalogBlankAndEmptyOutputs)
{
    vDdcBenchReset(); // no bench: InitDDCHelper looks for one
    setenv("DDCHELPER_BENCH", "builtin", 1);
    ASSERT_EQ(InitDDCHelper(), 0u);
    unsetenv("DDCHELPER_BENCH");
    ASSERT_EQ(u32DdcBenchOutputCount(), 4u);
    EXPECT_STREQ(pcDdcBenchStatePath(), "") << "tests keep no state file";

    uint8_t u8Buf[1024];
    char cId[16];
    ASSERT_EQ(ReadEDID(H0, u8Buf), 0u);
    EXPECT_EQ(u8Buf[126], 1);
    EXPECT_EQ(u8Buf[20] & 0x80, 0x80) << "digital input";
    GetEDIDOption(u8Buf, 1, cId, 16);
    EXPECT_STREQ(cId, "TVL2701");
    Bytes edid = lstChainedRead(H0, 1);
    ASSERT_EQ(edid.size(), 256u);
    uint8_t u8Sum = 0;
    for (uint32_t i = 128; i < 256; i++)
        u8Sum = (uint8_t)(u8Sum + edid[i]);
    EXPECT_EQ(edid[128], 0x02) << "CTA-861 extension";
    EXPECT_EQ(u8Sum, 0);

    ASSERT_EQ(ReadEDID(DDC_BENCH_HANDLE(1), u8Buf), 0u);
    EXPECT_EQ(u8Buf[126], 0);
    EXPECT_EQ(u8Buf[20] & 0x80, 0) << "analog input";
    GetEDIDOption(u8Buf, 1, cId, 16);
    EXPECT_STREQ(cId, "TVL1301");

    EXPECT_EQ(ReadEDID(DDC_BENCH_HANDLE(2), u8Buf), DDC_ERR_INVALID_EDID);
    EXPECT_EQ(Bytes(u8Buf, u8Buf + 128), Bytes(128, 0xFF));
    EXPECT_EQ(TestAddr(DDC_BENCH_HANDLE(3), 0x50), DDC_ERR_NO_ACK);
}

class DdcRestartTest : public DdcTest {
protected:
    void SetUp() override
    {
        DdcTest::SetUp();
        m_image = lstEdid(0);
        vWriteFile(m_dir.file("image.bin"), std::string(m_image.begin(), m_image.end()));
        vWriteFile(m_dir.file("bench.txt"), "[output]\nedid = blank\n[output]\nedid = image.bin\n");
        setenv("DDCHELPER_BENCH", m_dir.file("bench.txt").c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("DDCHELPER_BENCH");
        DdcTest::TearDown();
    }
    // A new run of the program: nothing of the library is left but files.
    void Restart(int32_t bPersist = 1)
    {
        vDdcBenchReset();
        vDdcBenchAllowPersistence(bPersist);
        EnableLog(m_dir.file("log.txt").c_str(), 1);
        InitDDCHelper();
    }
    void ProgramBoth()
    {
        Restart();
        for (uint32_t i = 0; i < 2; i++, Sleep(50))
            ASSERT_EQ(u32Write(DDC_BENCH_HANDLE(i), {0x08, 1, 2, 3, 4, 5, 6, 7, 8}), 0u);
        DeinitDDCHelper();
    }
    std::string State() { return m_dir.file("bench.txt.state"); }

    TempDir m_dir;
    Bytes m_image;
};

TEST_F(DdcRestartTest, WrittenMemorySurvivesARestart)
{
    ProgramBoth();
    EXPECT_EQ(std::string(pcDdcBenchStatePath()), State());
    Restart();
    Bytes blank(256, 0xFF), image = m_image;
    image.resize(256, 0xFF);
    for (Bytes *p : {&blank, &image})
        for (int k = 0; k < 8; k++)
            (*p)[8 + k] = (uint8_t)(k + 1);
    EXPECT_EQ(lstDdcBenchMemory(0), blank);
    EXPECT_EQ(lstDdcBenchMemory(1), image);
}

TEST_F(DdcRestartTest, DamagedOrOutdatedStateFallsBackToTheDescription)
{
    ProgramBoth();
    std::string good = strReadFile(State()), flipped = good;
    flipped[100] ^= 1;
    const std::pair<std::string, const char *> cases[] = {
        {flipped, "checksum wrong"}, {good.substr(0, 5), "not a state file"},
        {good + "x", "checksum wrong"}, {std::string(40000, 'x'), "longer than any state file"}};
    Bytes image = m_image;
    image.resize(256, 0xFF);
    for (const auto &c : cases) {
        vWriteFile(State(), c.first);
        Restart();
        EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF)) << c.second;
        EXPECT_EQ(lstDdcBenchMemory(1), image) << c.second;
        EXPECT_NE(strBenchLines(m_dir.file("log.txt"))
                      .find("bench: " + State() + ": " + c.second +
                            "; the displays start from the description's images\n"),
                  std::string::npos)
            << c.second;
    }

    // A state made for another image of output 1 is not applied to it.
    vWriteFile(State(), good);
    Bytes other = lstEdid(0);
    other[20] ^= 0x80;
    vFixChecksum(other.data());
    vWriteFile(m_dir.file("image.bin"), std::string(other.begin(), other.end()));
    Restart();
    other.resize(256, 0xFF);
    EXPECT_EQ(lstDdcBenchMemory(1), other);
    EXPECT_EQ(lstDdcBenchMemory(0)[8], 1);
    EXPECT_NE(strBenchLines(m_dir.file("log.txt"))
                  .find("output 1 no longer matches its description; its saved memory is not used"),
              std::string::npos);
}

TEST_F(DdcRestartTest, MissingDescriptionFallsBackToTheBuiltInBench)
{
    setenv("DDCHELPER_BENCH", m_dir.file("none.txt").c_str(), 1);
    Restart(0); // the built-in bench would keep its state beside this test program

    EXPECT_EQ(u32DdcBenchOutputCount(), 4u);
    EXPECT_NE(strBenchLines(m_dir.file("log.txt"))
                  .find("bench: cannot open the description " + m_dir.file("none.txt") +
                        "; using the built-in bench\n"),
              std::string::npos);
}

// What follows a refused description is what follows a missing one.
TEST_F(DdcRestartTest, DescriptionThatIsNotARegularFileFallsBackToTheBuiltInBench)
{
    ASSERT_EQ(mkfifo(m_dir.file("fifo.txt").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(m_dir.file("folder").c_str(), 0700), 0);
    const std::pair<std::string, const char *> cases[] = {{m_dir.file("fifo.txt"), "a FIFO"},
                                                          {"/dev/zero", "a character device"},
                                                          {m_dir.file("folder"), "a folder"}};
    Watchdog watchdog;
    for (const auto &c : cases) {
        setenv("DDCHELPER_BENCH", c.first.c_str(), 1);
        Restart(0); // the built-in bench would keep its state beside this test program
        EXPECT_EQ(u32DdcBenchOutputCount(), 4u) << c.first;
        EXPECT_EQ(strBenchLines(m_dir.file("log.txt")),
                  "bench: the description " + c.first + " is " + c.second +
                      ", not a regular file; using the built-in bench\n"
                      "bench: built-in bench of 4 outputs\n");
    }
}

TEST_F(DdcRestartTest, DescriptionOverOneMebibyteFallsBackToTheBuiltInBench)
{
    std::string text = "[output]\n";
    while (text.size() < 1024u * 1024u)
        text += std::string(std::min<size_t>(99, 1024u * 1024u - text.size() - 1), '#') + "\n";
    const std::string big = m_dir.file("big.txt");
    vWriteFile(big, text);
    setenv("DDCHELPER_BENCH", big.c_str(), 1);
    Restart(0);
    EXPECT_EQ(strBenchLines(m_dir.file("log.txt")), "bench: 1 outputs from " + big + "\n");

    vWriteFile(big, text + "#");
    Restart(0);
    EXPECT_EQ(u32DdcBenchOutputCount(), 4u);
    EXPECT_EQ(strBenchLines(m_dir.file("log.txt")),
              "bench: the description " + big +
                  " has 1048577 bytes, more than the largest allowed (1048576 bytes); using the "
                  "built-in bench\n"
                  "bench: built-in bench of 4 outputs\n");
}

// The state file is neither read nor replaced; the displays start from the
// images and keep what is written for this run only.
TEST_F(DdcRestartTest, StateFileThatIsNotARegularFileIsNeitherReadNorReplaced)
{
    ProgramBoth();
    const std::string persist = "bench: 2 outputs from " + m_dir.file("bench.txt") +
                                "\nbench: memories persist in " + State() + "\n";
    Bytes image = m_image;
    image.resize(256, 0xFF);
    Watchdog watchdog;
    for (bool bFifo : {true, false}) {
        const std::string kind = bFifo ? "a FIFO" : "a folder";
        unlink(State().c_str());
        rmdir(State().c_str());
        ASSERT_EQ(bFifo ? mkfifo(State().c_str(), 0600) : mkdir(State().c_str(), 0700), 0);
        Restart();
        EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF)) << kind;
        EXPECT_EQ(lstDdcBenchMemory(1), image) << kind;
        EXPECT_EQ(u32Write(H0, {0x00, 0x42}), 0u);
        EXPECT_EQ(lstDdcBenchMemory(0)[0], 0x42) << kind;
        EXPECT_EQ(strBenchLines(m_dir.file("log.txt")),
                  persist + "bench: " + State() + ": " + kind +
                      ", not a regular file; the displays start from the description's images\n"
                      "bench: cannot write the state file " + State() + ": it is " + kind +
                      ", not a regular file; what was written is lost at exit\n");
        struct stat st;
        ASSERT_EQ(stat(State().c_str(), &st), 0);
        EXPECT_TRUE(bFifo ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode)) << kind;
    }
}

// A FIFO left where the new state is written first must not block saving.
TEST_F(DdcRestartTest, LeftoverFifoInPlaceOfTheNewStateIsReplaced)
{
    ASSERT_EQ(mkfifo((State() + ".new").c_str(), 0600), 0);
    Watchdog watchdog;
    ProgramBoth();
    EXPECT_FALSE(bFileExists(State() + ".new"));
    Restart();
    EXPECT_EQ(lstDdcBenchMemory(0)[8], 1) << "saved and read back";
    EXPECT_EQ(strBenchLines(m_dir.file("log.txt")).find("cannot"), std::string::npos);
}

} // namespace
