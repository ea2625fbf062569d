// Detection of the displays whose EDID memory answers on the bus.
#ifndef MONITOR_DETECT_H
#define MONITOR_DETECT_H

#include "ui/params.h"

#include <stdint.h>

struct stMonitorInfo {
    uint32_t u32DisplayHandle;
    char u8str_MonitorId[MONITOR_ID_SIZE];
    uint8_t u8EdidBuf[MONITOR_EDID_SIZE];
    // 1 when the last detection or receive into the record read every
    // block it holds; a verify compares nothing else.
    uint8_t u8Complete;
    // The output's place among all the outputs the library enumerates, from
    // 1: it stays when another output falls silent, as the list position
    // does not.
    int32_t s32Output;
};

// Indexed by the value of the display's entry in the monitor list.
extern stMonitorInfo gst_MonitorInfo[MONITOR_MAX];
extern uint8_t gu8_MonitorNum;

// 0 when the enumeration ran, or the non-zero result of EnumGetFirst (the
// list and the table are then left as they were).
int32_t s32DetectMonitor(void);
// Writes the record's EDID below the program folder, as
// MonitorEDID/Monitor_<n>_<id>.bin; a file that cannot be written is said
// in one line of the display's ("      File : Fail, <why> \n>").
void vSaveMonitorEdid(uint8_t u8Index);
// The list index (the record) of the display on output s32Output, or -1
// when the last detection listed none there.
int32_t s32MonitorOnOutput(int32_t s32Output);
// Action of CMD_REFRESH_MONITOR; progress-used 1.
int32_t s32RefreshMonitorAction(void);

#endif
