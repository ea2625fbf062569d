// A kernel for the real backend's tests: a sysfs tree in a temporary
// folder, laid out as the kernel's (adapters under their parent devices,
// PCI devices with their class), and adapters that answer i2c-dev's calls
// on the bench's EEPROM model. Every open, lock, message, SMBus call, ioctl
// and close is recorded as a line.
#ifndef FAKE_KERNEL_H
#define FAKE_KERNEL_H

#include "tests/support/temp_dir.h"

#include "platform/ddc/ddc_eeprom.h"
#include "platform/ddc/ddc_kernel.h"

#include <stdint.h>

#include <string>
#include <vector>

// The display controller every adapter hangs under unless told otherwise.
#define FAKE_GPU "pci0000:00/0000:00:02.0"

struct FakeAdapter {
    std::string adapter;          // "i2c-5"
    std::string name;             // its sysfs name
    std::string dir;              // its device folder in sysfs
    bool unplugged = false;       // its node is gone: open fails
    uint64_t heldUntilMs = 0;     // another program holds the node's lock until then
    bool locked = false;          // the library holds the node's lock
    unsigned long funcs = 0;      // I2C_FUNCS; plain I2C by default (set in Add)
    stEeprom mem;                 // the display's memory at 0x50 (its second half at 0x51,
                                  // or through 0x30, as its u32Addressing says)
    bool bDisplay = true;         // false: nothing answers at 0x50
    int openErrno = 0;            // open fails with it
    int funcsErrno = 0;           // I2C_FUNCS fails with it (not an adapter)
    int slaveErrno = 0;           // I2C_SLAVE fails with it
    int failErrno = 0;            // transfers fail with it ...
    int failAfter = 0;            // ... after this many good ones
    int transfers = 0;
    std::string nodeLink;         // its /dev node is a link to this adapter's node
    std::string nodeOf;           // its /dev node is this adapter's device (stale, mapped)
    uint32_t stallAfterNakMs = 0; // the clock jumps this far after the next NAK (once)
    long timeout = -1;            // last I2C_TIMEOUT, in 10 ms
};

class FakeKernel {
public:
    FakeKernel();
    ~FakeKernel();
    // An adapter with a display holding the image (empty: blank 256 bytes),
    // under the device folder parent below /sys/devices ("": none).
    FakeAdapter &Add(const std::string &adapter, const std::string &name,
                     const std::vector<uint8_t> &image = {},
                     const std::string &parent = FAKE_GPU);
    // A PCI device folder below /sys/devices of a class such as "0x0c0500".
    void PciDevice(const std::string &path, const std::string &pciClass);
    // A device folder below /sys/devices on a bus ("usb", "hid", "platform"),
    // bound to driver ("": none).
    void Device(const std::string &path, const std::string &subsystem, const std::string &driver);
    // A kernel device at 0x50 on the adapter, bound to driver ("": none).
    void Client(const std::string &adapter, const std::string &driver);
    // The adapter's sysfs name changes, as when its number goes to another.
    void Rename(const std::string &adapter, const std::string &name);
    // A DRM connector folder; its adapter by a "ddc" link ("link"), an
    // "i2c-N" folder inside it ("folder"), a dangling link ("dangling") or none.
    void Connector(const std::string &connector, const std::string &adapter,
                   const std::string &how = "link");
    void RemoveI2cDevClass();
    // The adapter's /dev node becomes a link to another adapter's node, or a
    // node of the other's device number; its sysfs entry stays its own.
    void NodeLinksTo(const std::string &adapter, const std::string &other);
    void NodeIsDeviceOf(const std::string &adapter, const std::string &other);
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
