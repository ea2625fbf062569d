// What the operator can do when the bus library reaches no display: one
// line after the start's or the detection's own lines, said on standard
// error as well, once a run.
#ifndef DDC_REMEDY_H
#define DDC_REMEDY_H

#include <stdint.h>

// The remedies already said on standard error in this run, one bit each.
extern uint32_t gu32_RemediesSaid;

// After the result lines of the start (CMD_INIT_DDC) or of a refresh
// (CMD_REFRESH_MONITOR), s32Status being that step's status: the remedy for
// a start that failed for want of the i2c-dev module, of permission or of
// its log, or, when the list stayed empty, for the real adapters that
// could not be used or where no display could be read, or for a PC where
// the library found no display's bus (and how to ask for simulated ones).
void vPrintDdcRemedy(int32_t s32Status);

#endif
