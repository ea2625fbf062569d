// Which system the program runs on, and its word size, for the message log.
#ifndef PLATFORM_CHECK_H
#define PLATFORM_CHECK_H

#include <stdint.h>

// 1 on a supported Windows (2000, XP, Vista, 7, 8, 8.1, 10, 11) or, in a build for another
// system, on Linux; else 0 after a warning.
int32_t bCheckOsPlatform(void);

#endif
