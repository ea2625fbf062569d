// The bench used when no description is found.
#ifndef DDC_DEFAULT_BENCH_H
#define DDC_DEFAULT_BENCH_H

// Replaces the bench by four outputs: a digital display (256-byte EDID with
// a CTA-861 extension), an analog display (128-byte EDID), a display with a
// blank memory, and an output with nothing attached.
void vBenchUseDefault(void);

#endif
