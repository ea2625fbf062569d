// Start of the bus library for the run and the stop of its log, the bus
// clock, the library version.
#ifndef DDC_START_H
#define DDC_START_H

#include "ui/params.h"

#include <stdint.h>

extern const uint32_t gu32_DdcSpeedTable[DDC_SPEED_COUNT];
extern int32_t gs32_DdcSpeedIndex;
// The library log the start asks for, to name it to the operator.
extern char gu8str_DdcLogPath[TEXT_BUF_SIZE];

// What the library said at the start: where its outputs come from
// (DDC_SOURCE_*) and how many of them are simulated displays.
extern uint32_t gu32_DdcSource;
extern uint32_t gu32_SimulatedOutputs;
// The variable that asks for the built-in simulated bench, as an operator
// types it.
#define DDC_BENCH_ASK "DDCHELPER_BENCH=builtin"

// 0 when the library started and detection ran, else the code of the first
// failing step (or EnumGetFirst's result).
int32_t s32InitDdc(void);
// "%.2f \n" of the version, or "x.xx " on a library error; returns the raw
// result.
int32_t s32GetLibVersionText(char (&pcText)[TEXT_BUF_SIZE]);
// Actions of CMD_INIT_DDC (progress-used 1) and CMD_SET_DDC_SPEED (0).
int32_t s32InitDdcAction(void);
int32_t s32SetDdcSpeedAction(void);
// Adds to the main panel's title that the displays are simulated (1), or
// gives it back its own text (0).
void vShowSimulatedInTitle(int32_t bOn);
// Stops the library log; when it lost lines (a full disk) says so on
// standard error, naming it.
void vStopDdcLog(void);

#endif
