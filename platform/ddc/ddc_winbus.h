// Real displays on Windows, which gives a program no raw DDC access of its
// own: each way that reaches a display's memory from user space is a back
// end that moves whole transfers to one bus address (a USB-I2C bridge's
// reports, a graphics driver's I2C calls). The real bus layer above them
// (ddc_winbus.cpp) names, finds and lists the units, keeps the memory's
// address counter and the chained reads, splits transfers to what a back
// end takes, polls through the write cycle and logs.
#ifndef DDC_WINBUS_H
#define DDC_WINBUS_H

#include <stdint.h>

#include "ddc_i2cdev.h"

#define WINBUS_MAX_UNITS 16u // units one back end lists at a start

// One bus a back end can drive.
struct stWinBusUnit {
    char cName[REAL_LABEL_SIZE];  // how DDCBench.txt names it
    char cDescr[REAL_LABEL_SIZE]; // what the log lists beside the name
    int32_t bDisplay;             // a graphics output with a display attached
};

struct stWinBusOps {
    const char *pcKind;    // for the log: "MCP2221", "NVAPI", ...
    uint32_t u32MaxWrite;  // bytes of one write transfer, the register address included
    uint32_t u32MaxRead;   // data bytes of one read transfer
    // At the library's start: loads the DLL or finds the devices and lists
    // the units; a missing DLL or device is no unit, not an error.
    uint32_t (*pfnFind)(stWinBusUnit *pstUnits, uint32_t u32Max);
    // Each call returns 0 or a DDC_ERR_* code. Open and Close bracket one
    // operation (the device is claimed only meanwhile).
    uint32_t (*pfnOpen)(uint32_t u32Unit);
    void (*pfnClose)(uint32_t u32Unit);
    // One write transfer: pu8Bytes[0] is the register (memory) address.
    uint32_t (*pfnWrite)(uint32_t u32Unit, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                         uint32_t u32Count);
    // One read transfer from a register address: the address written, a
    // repeated start, then u32Count bytes read.
    uint32_t (*pfnRead)(uint32_t u32Unit, uint32_t u32Addr7, uint8_t u8Reg, uint8_t *pu8Buf,
                        uint32_t u32Count);
    // At the library's end: lets go of the DLL or the devices.
    void (*pfnUnload)(void);
};

// The back ends, in the order the start lists them.
const stWinBusOps *pstWinBridgeOps(void);
const stWinBusOps *pstWinNvapiOps(void);
const stWinBusOps *pstWinAdlOps(void);

#endif
