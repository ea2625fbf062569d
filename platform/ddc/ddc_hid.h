// The system's HID devices that are USB-I2C bridges, and their reports
// (Windows: ddc_hid_win32.cpp). No system header is needed to use it.
#ifndef DDC_HID_H
#define DDC_HID_H

#include <stdint.h>

#include "ddc_bridge.h"

#define HID_PATH_SIZE 512u   // a device interface's path, UTF-8
#define HID_SERIAL_SIZE 64u

struct stHidFound {
    char cPath[HID_PATH_SIZE];
    char cSerial[HID_SERIAL_SIZE]; // the USB serial number; empty when it has none
    const stBridgeChip *pstChip;
};

// The bridges present, in device-path order; their count.
uint32_t u32HidFindBridges(stHidFound *pstFound, uint32_t u32Max);
// Opens the device at pcPath for its reports, reports left over from an
// earlier program dropped: 0, DDC_ERR_ADAPTER_GONE (unplugged since it was
// found), DDC_ERR_BUSY (another program holds it) or DDC_ERR_BUS_FAULT.
// One device is open at a time.
uint32_t u32HidOpen(const char *pcPath, stHidTransport *pstTransport);
void vHidClose(void);

#endif
