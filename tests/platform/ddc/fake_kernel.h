// A kernel for the real backend's tests: a sysfs tree in a temporary
// folder, and adapters that answer i2c-dev's calls on the bench's EEPROM
// model. Every message, SMBus call and ioctl is recorded as a line.
#ifndef FAKE_KERNEL_H
#define FAKE_KERNEL_H

#include "tests/support/temp_dir.h"

#include "platform/ddc/ddc_eeprom.h"
#include "platform/ddc/ddc_kernel.h"

#include <stdint.h>

#include <string>
#include <vector>

struct FakeAdapter {
    std::string adapter;          // "i2c-5"
    std::string name;             // its sysfs name
    unsigned long funcs = 0;      // I2C_FUNCS; plain I2C by default (set in Add)
    stEeprom mem;                 // the display's memory at 0x50
    bool bDisplay = true;         // false: nothing answers at 0x50
    int openErrno = 0;            // open fails with it
    int funcsErrno = 0;           // I2C_FUNCS fails with it (not an adapter)
    int slaveErrno = 0;           // I2C_SLAVE fails with it
    int failErrno = 0;            // transfers fail with it ...
    int failAfter = 0;            // ... after this many good ones
    int transfers = 0;
    long timeout = -1;            // last I2C_TIMEOUT, in 10 ms
};

class FakeKernel {
public:
    FakeKernel();
    ~FakeKernel();
    // An adapter with a display holding the image (empty: blank 256 bytes).
    FakeAdapter &Add(const std::string &adapter, const std::string &name,
                     const std::vector<uint8_t> &image = {});
    // A DRM connector folder; its adapter by a "ddc" link ("link"), an
    // "i2c-N" folder inside it ("folder"), a dangling link ("dangling") or none.
    void Connector(const std::string &connector, const std::string &adapter,
                   const std::string &how = "link");
    void RemoveI2cDevClass();
    // The adapter leaves sysfs, as a USB bridge pulled out does.
    void Unplug(const std::string &adapter);
    FakeAdapter *Find(const std::string &adapter);
    std::vector<std::string> TakeLines();
    std::vector<uint8_t> Memory(const std::string &adapter, uint32_t u32Len);
    std::string DevPath(const std::string &adapter) const { return m_dev + "/" + adapter; }
    const std::string &Sys() const { return m_sys; }
    bool bModprobeWorks = false;
    bool bAdmin = true;
    std::vector<std::string> modprobed;
    const stDdcKernel *Kernel() const { return &m_kernel; }

private:
    TempDir m_dir;
    std::string m_sys, m_dev;
    stDdcKernel m_kernel;
};

// The one fake kernel of the running test (its calls are plain functions).
extern FakeKernel *gp_FakeKernel;

#endif
