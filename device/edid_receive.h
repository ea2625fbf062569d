// Reading a display's EDID page by page.
#ifndef EDID_RECEIVE_H
#define EDID_RECEIVE_H

#include "ui/params.h"

#include <stdint.h>

struct stReceivedEdid {
    uint8_t u8EdidBuf[RECEIVED_EDID_SIZE];
    char u8str_MonitorId[MONITOR_ID_SIZE];
    // 1 after a receive by page read every page; 0 before any and after one
    // that failed (a partial copy is nothing to write or save).
    uint8_t u8Complete;
};

// One received copy per display record, same index.
extern stReceivedEdid gst_ReceivedEdid[MONITOR_MAX];
// Pages to receive, 1 to 16.
extern uint8_t gu8_EdidPageNum;

// Reads as many pages as the EDID declares (at most 8) into the display's
// record. 1 when read, 0 after a failure whose lines are printed.
int32_t s32ReceiveEdid(int32_t s32PkgType);
// Reads the page count of the panel into the received copy.
int32_t s32ReceiveEdidByPage(int32_t s32PkgType);
// True when the display's received copy is complete, else false after a
// line saying that nothing has been received yet.
bool bReceivedCopyReady(int32_t s32Index);
int EdidPageToReceiveCallback(int panel, int control, int event, void *callbackData,
                              int eventData1, int eventData2);
// Actions of CMD_RECEIVE and CMD_RECEIVE_BY_PAGE; progress-used flag.
int32_t s32ReceiveAction(void);
int32_t s32ReceiveByPageAction(void);

#endif
