// The bench description: a text file listing the outputs, each display's
// EDID image and its faults (format in README.md).
#ifndef DDC_BENCH_FILE_H
#define DDC_BENCH_FILE_H

#include <stdint.h>

// Replaces the bench by the one pcPath describes; each problem becomes a
// line in the library log and is skipped. The number of outputs, or -1
// (bench unchanged, nothing logged, the reason in pcWhy) when the file
// cannot be opened, is not a regular file or is too large.
int32_t s32BenchReadDescription(const char *pcPath, char *pcWhy, uint32_t u32WhySize);

#endif
