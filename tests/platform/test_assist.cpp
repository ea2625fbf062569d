#include <gtest/gtest.h>

#include "platform/assist/AssistDll.h"

namespace {

TEST(AssistLibrary, ReportsLinuxAndTheSystemsWordSize)
{
    EXPECT_EQ(GetOsVersion(), ASSIST_OS_LINUX);
    EXPECT_EQ(Is64bitPlatform(), sizeof(void *) == 8 ? 1 : 0);
}

} // namespace
