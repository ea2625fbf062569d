// The only way the real backend reaches the kernel: opening, locking, ioctl
// and closing an adapter's device, the SMBus calls of i2c-tools' library, and
// the folders where sysfs and the device nodes live. Tests put a fake kernel
// here; everything else of the backend is the same code on real hardware.
#ifndef DDC_KERNEL_H
#define DDC_KERNEL_H

#include <stdint.h>

// What an open device node is.
struct stDdcNode {
    int32_t bCharDevice;
    uint32_t u32Major, u32Minor; // its device number, when a character device
};

struct stDdcKernel {
    // As open(2), ioctl(2) and close(2): -1 with errno set on failure.
    int (*pfnOpen)(const char *pcPath, int s32Flags);
    int (*pfnIoctl)(int s32Fd, unsigned long request, void *pvArg);
    int (*pfnClose)(int s32Fd);
    // As flock(2): the advisory lock careful programs take on a device node.
    int (*pfnFlock)(int s32Fd, int s32Operation);
    // As fstat(2): what the open node is; -1 with errno set on failure.
    int (*pfnStatNode)(int s32Fd, stDdcNode *pstNode);
    // As i2c-tools' i2c_smbus_* calls: a negative errno on failure.
    int32_t (*pfnSmbusReadByte)(int s32Fd);
    int32_t (*pfnSmbusWriteByte)(int s32Fd, uint8_t u8Value);
    int32_t (*pfnSmbusReadBlock)(int s32Fd, uint8_t u8Command, uint8_t u8Length, uint8_t *pu8Values);
    int32_t (*pfnSmbusWriteBlock)(int s32Fd, uint8_t u8Command, uint8_t u8Length,
                                  const uint8_t *pu8Values);
    // Loads a kernel module by name (modprobe, by its absolute path and with
    // an environment of our own); 0 on success.
    int (*pfnLoadModule)(const char *pcName);
    // Whether the process may load modules (runs as root).
    int (*pfnIsAdmin)(void);
    // "/sys" and "/dev" on a real machine; empty: no kernel to look at.
    const char *pcSysRoot;
    const char *pcDevRoot;
};

// The kernel in use: the machine's, or a test's.
const stDdcKernel *pstDdcKernel(void);
// The machine's kernel, whichever is in use.
const stDdcKernel *pstDdcMachineKernel(void);
// A test's kernel (null: the machine's again); kept until replaced.
void vDdcSetKernel(const stDdcKernel *pstKernel);
// No kernel at all: tests that build a bench must never reach the machine's.
void vDdcUseNoKernel(void);

#endif
