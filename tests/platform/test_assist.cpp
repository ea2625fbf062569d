#include <gtest/gtest.h>

#include "platform/assist/AssistDll.h"

namespace {

// Off Windows the version code lies outside every supported range, so the
// program warns; the word size is the real one.
TEST(AssistLibrary, ReportsAnUnsupportedSystemAndTheRealWordSize)
{
    uint8_t u8Code = GetOsVersion();
    bool bSupported = (u8Code >= 11 && u8Code <= 12) || (u8Code >= 16 && u8Code <= 19) ||
                      (u8Code >= 31 && u8Code <= 39) || (u8Code >= 55 && u8Code <= 63);
    EXPECT_FALSE(bSupported);
    EXPECT_EQ(Is64bitPlatform(), sizeof(void *) == 8 ? 1 : 0);
}

} // namespace
