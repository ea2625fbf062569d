// Helpers for the bus library's own tests: a fresh, empty bench per test on
// the virtual clock, and short forms of the bus calls.
#ifndef DDC_TEST_UTIL_H
#define DDC_TEST_UTIL_H

#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench_test.h"

#define BENCH_DATA_DIR TAVOLIN_SOURCE_DIR "/tests/data/bench"

class DdcTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

typedef std::vector<uint8_t> Bytes;

// Byte i is (i * 7 + (i / 256) * 31 + u8Seed) & 0xFF: no two 256-byte
// stretches alike, so a read that wraps too early shows.
Bytes lstPattern(uint32_t u32Len, uint8_t u8Seed = 0);
// Valid base block (maker "DEL", product 0x40F3, byte 126 = u8Ext) followed
// by u8Ext pattern blocks.
Bytes lstEdid(uint8_t u8Ext);
void vFixChecksum(uint8_t *pu8Block);
Bytes lstSlice(const Bytes &bytes, uint32_t u32From, uint32_t u32Len);

// ReadI2CBuf of u32Count bytes at 0x50; the bytes, or empty on failure
// (*pu32Result gets the status when given).
Bytes lstRead(uint32_t u32Handle, uint32_t u32Count, uint32_t u32Flags,
              uint32_t *pu32Result = nullptr);
uint32_t u32Write(uint32_t u32Handle, const Bytes &bytes);
// Block 0 raw, then n blocks chained (0x1100, the last 0x1000).
Bytes lstChainedRead(uint32_t u32Handle, uint32_t u32Blocks);
std::string strLogLines(const std::string &path); // without the time column
// The library log's line after its heading when no folder is named to it:
// this test program's own folder.
std::string strPortableFolderLine();

// While it lives, a call that blocks or loops for u32Seconds ends the test
// program with a message naming the test, so a regression fails, never hangs.
class Watchdog {
public:
    explicit Watchdog(uint32_t u32Seconds = 10);
    ~Watchdog();
};

#endif
