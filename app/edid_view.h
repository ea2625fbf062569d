// What an EDID image holds, for the operator: the identity of the selected
// package port beside the port list, and Analyze..., which shows Debian's
// edid-decode report of the selected port's image or the received copy.
#ifndef EDID_VIEW_H
#define EDID_VIEW_H

#include <stdint.h>

// Called at every timer tick: shows the identity again when the selected
// port or the package changed.
void vRefreshPortIdentity(void);
int AnalyzeEdidCallback(int panel, int control, int event, void *callbackData, int eventData1,
                        int eventData2);

#endif
