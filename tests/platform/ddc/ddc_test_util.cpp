#include "ddc_test_util.h"

#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <sstream>

#include "platform/clock/PlatformClock.h"
#include "tests/support/test_env.h"

void DdcTest::SetUp()
{
    vClockUseVirtual(1);
    vDdcBenchReset();
    vDdcBenchClear();
}

void DdcTest::TearDown() { vDdcBenchReset(); }

Bytes lstPattern(uint32_t u32Len, uint8_t u8Seed)
{
    Bytes bytes(u32Len);
    for (uint32_t i = 0; i < u32Len; i++)
        bytes[i] = (uint8_t)(i * 7u + (i >> 8) * 31u + u8Seed);
    return bytes;
}

void vFixChecksum(uint8_t *pu8Block)
{
    uint8_t u8Sum = 0;
    for (int i = 0; i < 127; i++)
        u8Sum = (uint8_t)(u8Sum + pu8Block[i]);
    pu8Block[127] = (uint8_t)(0x100 - u8Sum);
}

Bytes lstEdid(uint8_t u8Ext)
{
    Bytes bytes = lstPattern(128u * (u8Ext + 1u), 3);
    const uint8_t u8Head[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC, 0xF3, 0x40};
    std::copy(u8Head, u8Head + sizeof(u8Head), bytes.begin());
    bytes[126] = u8Ext;
    vFixChecksum(bytes.data());
    return bytes;
}

Bytes lstSlice(const Bytes &bytes, uint32_t u32From, uint32_t u32Len)
{
    return Bytes(bytes.begin() + u32From, bytes.begin() + u32From + u32Len);
}

Bytes lstRead(uint32_t u32Handle, uint32_t u32Count, uint32_t u32Flags, uint32_t *pu32Result)
{
    Bytes bytes(u32Count);
    uint32_t u32Result = ReadI2CBuf(u32Handle, 0x50, bytes.data(), u32Count, u32Flags);
    if (pu32Result)
        *pu32Result = u32Result;
    return u32Result ? Bytes() : bytes;
}

uint32_t u32Write(uint32_t u32Handle, const Bytes &bytes)
{
    return WriteI2CBuf(u32Handle, 0x50, bytes.data(), (uint32_t)bytes.size(), 0);
}

Bytes lstChainedRead(uint32_t u32Handle, uint32_t u32Blocks)
{
    u32Write(u32Handle, {0x00});
    Bytes all = lstRead(u32Handle, 128, 0x100);
    for (uint32_t j = 0; j < u32Blocks; j++) {
        Bytes block = lstRead(u32Handle, 128, j + 1 < u32Blocks ? 0x1100 : 0x1000);
        if (block.empty())
            break;
        all.insert(all.end(), block.begin(), block.end());
    }
    return all;
}

std::string strLogLines(const std::string &path)
{
    std::istringstream in(strReadFile(path));
    std::string line, out;
    std::getline(in, line); // the heading with the date
    while (std::getline(in, line))
        out += (line.size() > 10 ? line.substr(10) : line) + "\n";
    return out;
}

std::string strPortableFolderLine()
{
    char cExe[4096];
    ssize_t len = readlink("/proc/self/exe", cExe, sizeof(cExe) - 1);
    std::string exe(cExe, len > 0 ? (size_t)len : 0);
    return "folder: portable; the program's files beside it in " +
           exe.substr(0, exe.rfind('/') + 1) + "\n";
}

namespace {

char gc_WatchdogText[512];

void vWatchdogFired(int)
{
    ssize_t n = write(2, gc_WatchdogText, strlen(gc_WatchdogText));
    (void)n;
    _exit(1);
}

} // namespace

Watchdog::Watchdog(uint32_t u32Seconds)
{
    const ::testing::TestInfo *pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    snprintf(gc_WatchdogText, sizeof(gc_WatchdogText),
             "\nwatchdog: %s.%s blocked or looped for %u s; test program ended\n",
             pInfo ? pInfo->test_suite_name() : "?", pInfo ? pInfo->name() : "?", u32Seconds);
    struct sigaction st = {};
    st.sa_handler = vWatchdogFired;
    sigaction(SIGALRM, &st, nullptr);
    alarm(u32Seconds);
}

Watchdog::~Watchdog()
{
    alarm(0);
    signal(SIGALRM, SIG_DFL);
}
