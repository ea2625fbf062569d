// bench_tavolin: the program's goals measured on the simulated bench and the
// real clock, offscreen and under Xvfb.
#ifndef BENCH_TAVOLIN_H
#define BENCH_TAVOLIN_H

// One measured phase in this process; prints "key value" lines.
int s32RunPhase(const char *pcPhase, bool bVirtual, char *argv[]);

#endif
