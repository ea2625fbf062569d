// The library log file and the transaction log behind it.
#include "ddc_test_util.h"

#include "platform/clock/PlatformClock.h"
#include "tests/support/test_env.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

const uint32_t H0 = DDC_BENCH_HANDLE(0);

TEST_F(DdcTest, LibraryLogHasOneLinePerCallWithTimeAndData)
{
    TempDir dir;
    std::string log = dir.file("WINI2C-DDC-LOG.txt");
    s32DdcBenchAddDisplay(nullptr, 0, 256);
    ASSERT_EQ(EnableLog(log.c_str(), 1), 0u);
    InstallDriver("C:\\WINDOWS\\system32\\drivers", 1);
    InitDDCHelper();
    SetLibraryOption(1, 100000);
    uint32_t u32Handle = 0;
    EnumGetFirst(&u32Handle);
    EnumGetNext(&u32Handle);
    vClockAdvance(1234);
    WriteI2CBuf(H0, 0x50, nullptr, 9, 0);
    u32Write(H0, {0x10, 0xAB, 0x01});
    lstRead(H0, 3, 0);
    char cId[16];
    GetEDIDOption(lstDdcBenchMemory(0).data(), 1, cId, 16);
    GetLibraryVersion();
    uint32_t u32Flags = 0;
    GetOutputInfo(H0, DDC_INFO_FLAGS, &u32Flags);
    DisableLog();
    DeinitDDCHelper();

    EXPECT_EQ(strLogLines(log),
              strPortableFolderLine() + "EnableLog(\"" + log + "\", 1) = 0x0\n"
              "InstallDriver(\"C:\\WINDOWS\\system32\\drivers\", 1) = 0x0\n"
              "InitDDCHelper() = 0x0\n"
              "SetLibraryOption(1, 100000) = 0x0\n"
              "EnumGetFirst(-> 0x1000) = 0x0\n"
              "EnumGetNext(-> 0x0) = 0x70000009\n"
              "WriteI2CBuf(0x1000, 0x50, NULL, 9, 0x0) = 0x70000003\n"
              "WriteI2CBuf(0x1000, 0x50, buf, 3, 0x0) = 0x0 : 10 AB 01\n"
              "ReadI2CBuf(0x1000, 0x50, buf, 3, 0x0) = 0x0 : FF FF FF\n"
              "GetEDIDOption(buf, 1, buf, 16) = 0x0 : \"000FFFF\"\n"
              "GetLibraryVersion() = 0x64\n"
              "GetOutputInfo(0x1000, 1, -> 0x0) = 0x0\n"
              "DisableLog() = 0x0\n");
    std::string text = strReadFile(log);
    EXPECT_EQ(text.substr(0, 22), "DDCHelper log started ");
    EXPECT_NE(text.find("\n    1234  WriteI2CBuf(0x1000, 0x50, buf, 3"), std::string::npos);
}

TEST_F(DdcTest, LogThatCannotBeWrittenGivesItsCode)
{
    EXPECT_EQ(EnableLog("/nonexistent-folder/log.txt", 1), DDC_ERR_LOG_FILE);
    EXPECT_EQ(EnableLog("/nonexistent-folder/log.txt", 0), 0u) << "0 stops the log";
}

// A link planted in the program's folder under the log's name is removed,
// never followed: its target keeps its bytes, a dangling one's target is
// never made, and a FIFO there cannot block the start.
TEST_F(DdcTest, ALinkOrFifoInPlaceOfTheLogIsReplacedNeverFollowed)
{
    Watchdog watchdog;
    TempDir dir;
    const std::string log = dir.file("WINI2C-DDC-LOG.txt"), target = dir.file("settings.ini");
    vWriteFile(target, "[keep]\r\n");
    for (const std::string &to : {target, dir.file("made-by-the-link")}) {
        ASSERT_EQ(symlink(to.c_str(), log.c_str()), 0);
        ASSERT_EQ(EnableLog(log.c_str(), 1), 0u) << to;
        EXPECT_EQ(DisableLog(), 0u);
        struct stat st;
        ASSERT_EQ(lstat(log.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << to;
        EXPECT_EQ(strLogLines(log), strPortableFolderLine() + "EnableLog(\"" + log +
                                        "\", 1) = 0x0\nDisableLog() = 0x0\n");
        unlink(log.c_str());
    }
    EXPECT_EQ(strReadFile(target), "[keep]\r\n");
    EXPECT_FALSE(bFileExists(dir.file("made-by-the-link")));
    ASSERT_EQ(mkfifo(log.c_str(), 0600), 0);
    EXPECT_EQ(EnableLog(log.c_str(), 1), 0u);
    EXPECT_EQ(DisableLog(), 0u);
}

// A full disk: a log that cannot take its first lines fails the start;
// lines lost later are told by the stop, which the program sees.
TEST_F(DdcTest, FullDiskGivesTheLogsCodeAtTheStartOrAtTheStop)
{
    TempDir dir;
    const std::string log = dir.file("log.txt");
    {
        FileSizeLimit full(0);
        EXPECT_EQ(EnableLog(log.c_str(), 1), DDC_ERR_LOG_FILE);
    }
    EXPECT_EQ(lstDirEntries(dir.path()), std::vector<std::string>{}) << "no empty log left";
    EXPECT_EQ(DisableLog(), 0u) << "no log open, nothing lost";
    ASSERT_EQ(EnableLog(log.c_str(), 1), 0u);
    {
        FileSizeLimit full(strReadFile(log).size());
        GetLibraryVersion();
    }
    GetLibraryVersion();
    EXPECT_EQ(DisableLog(), DDC_ERR_LOG_FILE);
    EXPECT_EQ(strDdcBenchCall(u32DdcBenchLogCount() - 1), "DisableLog() = 0x70000011");
    EXPECT_EQ(DisableLog(), 0u) << "a new log, or none, starts with nothing lost";
    ASSERT_EQ(EnableLog(log.c_str(), 1), 0u);
    {
        FileSizeLimit full(strReadFile(log).size());
        GetLibraryVersion();
    }
    EXPECT_EQ(EnableLog(log.c_str(), 0), DDC_ERR_LOG_FILE) << "0 stops the log as DisableLog";
}

TEST_F(DdcTest, TransactionLogIsBoundedAndCleared)
{
    s32DdcBenchAddDisplay(nullptr, 0, 2048);
    InitDDCHelper();
    vDdcBenchLogClear();
    // Data fills first: 2048-byte reads use up the byte pool.
    const uint32_t u32Reads = DDC_BENCH_LOG_BYTES / 2048;
    for (uint32_t i = 0; i < u32Reads + 3; i++)
        lstRead(H0, 2048, 0);
    EXPECT_EQ(u32DdcBenchLogCount(), u32Reads);
    EXPECT_EQ(u32DdcBenchLogDropped(), 3u);
    stDdcBenchCall call;
    ASSERT_TRUE(bDdcBenchLogCall(u32Reads - 1, &call));
    EXPECT_EQ(call.u32DataLen, 2048u);
    EXPECT_EQ(call.pu8Data[2047], 0xFF);

    vDdcBenchLogClear();
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_FALSE(bDdcBenchLogCall(0, &call));
    for (uint32_t i = 0; i < DDC_BENCH_LOG_CALLS + 1; i++)
        TestAddr(H0, 0x50);
    EXPECT_EQ(u32DdcBenchLogCount(), DDC_BENCH_LOG_CALLS);
    EXPECT_EQ(u32DdcBenchLogDropped(), 1u);
    EXPECT_EQ(strDdcBenchCall(DDC_BENCH_LOG_CALLS - 1), "TestAddr(0x1000, 0x50) = 0x0");
}

} // namespace
