// Real displays: outputs whose DDC bus is a kernel I2C adapter reached
// through i2c-dev (/dev/i2c-N), found through sysfs or named by a bench
// description. On other systems there are none, and naming one fails.
#ifndef DDC_I2CDEV_H
#define DDC_I2CDEV_H

#include <stdint.h>

#define REAL_LABEL_SIZE 128u
#define REAL_DEVICE_SIZE 256u
#define REAL_LOCK_WAIT_MS 1500u  // another program's hold on an adapter, waited for at most
#define REAL_LOCK_POLL_MS 10u    // ... trying again after this pause

// The description's key that lets an output use an adapter not shown to be
// a display's bus: long and plain, so that nobody writes it by accident.
#define REAL_ALLOW_KEY "unsafe_non_display_bus"

// How a description names a real adapter; a bridge only on Windows, where a
// connector is a graphics output ("NVAPI:1").
enum { REAL_BY_CONNECTOR = 1, REAL_BY_NAME, REAL_BY_DEVICE, REAL_BY_BRIDGE };

struct stRealBus {
    int32_t bReal;
    int32_t s32By;                   // REAL_BY_*: how a description named it; 0 found by us
    int32_t bAllowNonDisplay;        // its description allows a bus not shown to be a display's
    int32_t bNonDisplay;             // ... and this start found it to be one
    char cLabel[REAL_LABEL_SIZE];    // connector or adapter name, for the log
    char cDevice[REAL_DEVICE_SIZE];  // /dev/i2c-N; empty until found
    char cAdapter[REAL_LABEL_SIZE];  // its sysfs name at the start: each open checks it
    uint32_t u32DevMajor;            // its sysfs device number at the start: the node
    uint32_t u32DevMinor;            // ... opened must be that device
    uint32_t u32FindError;           // why it cannot be used this start
    int s32Fd;                       // open and locked only during an operation
    int32_t bSmbusOnly;              // the adapter offers no plain I2C transfers
    uint32_t u32Counter;             // the memory's address counter, for SMBus reads and
                                     // a segment memory's second half
    uint32_t u32Backend;             // Windows: the back end and its unit found at the start
    uint32_t u32Unit;
};

struct stBenchOutput;

// Sets up the output as the adapter of a DRM connector ("card0-DP-1"), an
// adapter name ("SMBus stub driver") or a device ("/dev/i2c-3"), looked up
// at each start (the adapter may come with i2c-dev); when it cannot be
// found, or is refused, the output answers with the reason.
void vRealNameOutput(stBenchOutput *pst, int32_t s32By, const char *pcWhat,
                     int32_t bAllowNonDisplay);
// Looks up a real output's device at this start; an adapter named by name
// or device must be shown to be a display's bus unless its description
// allows otherwise. 0 or DDC_ERR_NO_ADAPTER (logged).
uint32_t u32RealFind(stBenchOutput *pst);
// A new bench of one output per external DRM connector with a DDC adapter,
// in card and connector order; their count. Internal panels (eDP, LVDS,
// DSI) are left out: only a description names them. Without any, the bench
// is untouched.
uint32_t u32RealAddConnectors(void);
// Whether the bench has real outputs.
int32_t bRealInBench(void);
// Whether the adapter of a device node is still in sysfs.
int32_t bRealAdapterPresent(const char *pcDevice);
// The sysfs name of a device node's adapter; 0 when it has none.
int32_t bRealAdapterName(const char *pcDevice, char *pcName, uint32_t u32Size);
// The device number sysfs gives a device node's adapter ("dev"); 0 when none.
int32_t bRealAdapterDev(const char *pcDevice, uint32_t *pu32Major, uint32_t *pu32Minor);
// Whether i2c-dev is there (its sysfs class).
int32_t bRealI2cDevPresent(void);

// Looks up every real output's adapter and opens it once to see what it
// offers; none stays open. 0, or DDC_ERR_PERMISSION when there are real
// outputs and none could be opened for want of permission.
uint32_t u32RealStartAll(void);
// Closes what an unfinished chained read holds.
void vRealCloseAll(void);
// At the library's end: lets go of what the start loaded (Windows' DLLs).
void vRealEnd(void);
// What the machine's outputs are, for the bench's log line.
const char *pcRealMachineBuses(void);
// Makes sure i2c-dev is there when real adapters are in use: 0 or a code.
uint32_t u32RealInstallDriver(void);

// Why the output's adapter cannot reach bytes past 255 of its memory, as
// its addressing needs (DDC_REACH_*), or 0 when it can.
uint32_t u32RealReachWhy(const stBenchOutput *pst);

// Each is one operation: the adapter is opened and locked for it and
// closed after it; a chained read keeps it until the read that ends it.
uint32_t u32RealProbe(stBenchOutput *pst, uint32_t u32Addr7);
uint32_t u32RealRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                     uint32_t u32Flags);
uint32_t u32RealWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                      uint32_t u32Count);
uint32_t u32RealReadEdid(stBenchOutput *pst, uint8_t *pu8Block);

#endif
