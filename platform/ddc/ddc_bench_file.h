// The bench description: a text file listing the outputs, each display's
// EDID image and its faults (format in README.md).
#ifndef DDC_BENCH_FILE_H
#define DDC_BENCH_FILE_H

#include <stdint.h>

// Replaces the bench by the one pcPath describes; each problem becomes a
// line in the library log and is skipped. -1 (bench unchanged) when the
// file cannot be opened, else the number of outputs.
int32_t s32BenchReadDescription(const char *pcPath);

#endif
