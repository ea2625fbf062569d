// Linked into the test program itself, these definitions take the place of
// the shared library's.
#include "tests/device/fake_assist.h"

#include "platform/assist/AssistDll.h"

uint8_t gu8_FakeOsVersion = 0;
uint8_t gu8_FakeIs64bit = 0;
int gs32_FakeOsCalls = 0;
int gs32_FakeWordCalls = 0;

uint8_t GetOsVersion(void)
{
    gs32_FakeOsCalls++;
    return gu8_FakeOsVersion;
}

uint8_t Is64bitPlatform(void)
{
    gs32_FakeWordCalls++;
    return gu8_FakeIs64bit;
}
