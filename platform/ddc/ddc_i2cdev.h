// Real displays: outputs whose DDC bus is a kernel I2C adapter reached
// through i2c-dev (/dev/i2c-N), found through sysfs or named by a bench
// description. On other systems there are none, and naming one fails.
#ifndef DDC_I2CDEV_H
#define DDC_I2CDEV_H

#include <stdint.h>

#define REAL_LABEL_SIZE 128u
#define REAL_DEVICE_SIZE 256u
#define REAL_ACK_POLL_MS 25u   // a memory's write cycle, at most

// How a description names a real adapter.
enum { REAL_BY_CONNECTOR = 1, REAL_BY_NAME, REAL_BY_DEVICE };

struct stRealBus {
    int32_t bReal;
    int32_t s32By;                   // REAL_BY_*: how a description named it; 0 found by us
    char cLabel[REAL_LABEL_SIZE];    // connector or adapter name, for the log
    char cDevice[REAL_DEVICE_SIZE];  // /dev/i2c-N; empty until found
    uint32_t u32FindError;           // why it cannot be used this start
    int s32Fd;                       // -1 while closed
    int32_t bSmbusOnly;              // the adapter offers no plain I2C transfers
    uint32_t u32Counter;             // the memory's address counter, for SMBus reads
    int32_t bWriteCycle;             // a write with data may still be running ...
    uint64_t u64WriteMs;             // ... since then, on the platform clock
};

struct stBenchOutput;

// Sets up the output as the adapter of a DRM connector ("card0-DP-1"), an
// adapter name ("SMBus stub driver") or a device ("/dev/i2c-3"), looked up
// at each start (the adapter may come with i2c-dev); when it cannot be
// found the output answers with the reason.
void vRealNameOutput(stBenchOutput *pst, int32_t s32By, const char *pcWhat);
// Looks up a named output's device; 0 or DDC_ERR_NO_ADAPTER (logged).
uint32_t u32RealFindNamed(stBenchOutput *pst);
// A new bench of one output per external DRM connector with a DDC adapter,
// in card and connector order; their count. Internal panels (eDP, LVDS,
// DSI) are left out: only a description names them. Without any, the bench
// is untouched.
uint32_t u32RealAddConnectors(void);
// Whether the bench has real outputs.
int32_t bRealInBench(void);
// Whether the adapter of a device node is still in sysfs.
int32_t bRealAdapterPresent(const char *pcDevice);
// Whether i2c-dev is there (its sysfs class).
int32_t bRealI2cDevPresent(void);

// Opens every real output's adapter. 0, or DDC_ERR_PERMISSION when there
// are real outputs and none could be opened for want of permission.
uint32_t u32RealOpenAll(void);
void vRealCloseAll(void);
// Makes sure i2c-dev is there when real adapters are in use: 0 or a code.
uint32_t u32RealInstallDriver(void);
// The timeout option onto every open adapter.
void vRealApplyOptions(void);

uint32_t u32RealProbe(stBenchOutput *pst, uint32_t u32Addr7);
uint32_t u32RealRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                     uint32_t u32Flags);
uint32_t u32RealWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                      uint32_t u32Count);
uint32_t u32RealReadEdid(stBenchOutput *pst, uint8_t *pu8Block);

#endif
