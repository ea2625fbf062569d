// Stands in for the platform-info library in the platform check's tests.
#ifndef FAKE_ASSIST_H
#define FAKE_ASSIST_H

#include <stdint.h>

extern uint8_t gu8_FakeOsVersion;
extern uint8_t gu8_FakeIs64bit;
extern int gs32_FakeOsCalls;
extern int gs32_FakeWordCalls;

#endif
