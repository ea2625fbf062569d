// Persistence of the displays' memories across runs, in a state file beside
// the bench description. A missing, damaged or outdated file is ignored.
#ifndef DDC_STATE_H
#define DDC_STATE_H

#include <stdint.h>

// Applies the state file named in the bench to the displays it matches.
void vStateLoad(void);
// Writes every display's memory to the state file (nothing without a path).
void vStateSave(void);

#endif
