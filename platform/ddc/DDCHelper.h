// DDCHelper: the DDC/I2C bus library. Plain C interface; every argument is
// a 32-bit integer or a pointer, every result a 32-bit status. A status with
// all bits of DDC_ERR_MASK set is an error code; anything else is success
// (0 for every operation but GetLibraryVersion, which returns its version
// times 100).
#ifndef DDC_HELPER_H
#define DDC_HELPER_H

#include <stdint.h>

#if defined(_WIN32)
#define DDC_API __declspec(dllexport)
#else
#define DDC_API __attribute__((visibility("default")))
#endif

#define DDC_ERR_MASK 0x70000000u

// Error codes. Every code is odd as well, so that a caller that tests only
// bit 0 of a status still sees a failure.
// The library has not been started (before InitDDCHelper or after DeinitDDCHelper).
#define DDC_ERR_NOT_STARTED 0x70000001u
// A pointer argument is null.
#define DDC_ERR_NULL_POINTER 0x70000003u
// A byte count or text size is 0, too small, or above DDC_MAX_TRANSFER.
#define DDC_ERR_BAD_COUNT 0x70000005u
// The handle is not one the enumeration gave out.
#define DDC_ERR_BAD_HANDLE 0x70000007u
// The enumeration has no (further) output.
#define DDC_ERR_NO_MORE_OUTPUTS 0x70000009u
// Nothing acknowledged the bus address: no display, another address, or the
// memory is busy with its write cycle.
#define DDC_ERR_NO_ACK 0x7000000Bu
// Unknown option, option value out of range, or unknown read/write flags.
#define DDC_ERR_BAD_OPTION 0x7000000Du
// A read with DDC_READ_CONTINUE while no read is open on that output.
#define DDC_ERR_NO_OPEN_READ 0x7000000Fu
// The log file could not be opened for writing.
#define DDC_ERR_LOG_FILE 0x70000011u
// ReadEDID read the base block, but it is not a valid EDID.
#define DDC_ERR_INVALID_EDID 0x70000013u
// The bus failed in the middle of a transfer (the faults' default code).
#define DDC_ERR_BUS_FAULT 0x70000015u
// Real adapters (Linux i2c-dev) add these.
// The adapter or the address is in use: a kernel driver holds 0x50, or
// another master won the bus.
#define DDC_ERR_BUSY 0x70000017u
// The adapter gave up waiting for the bus (the timeout option).
#define DDC_ERR_TIMEOUT 0x70000019u
// The adapter's device may not be opened by this user.
#define DDC_ERR_PERMISSION 0x7000001Bu
// The adapter named does not exist, or is not an I2C adapter.
#define DDC_ERR_NO_ADAPTER 0x7000001Du
// The adapter went away after it was opened (unplugged, driver unloaded).
#define DDC_ERR_ADAPTER_GONE 0x7000001Fu
// The i2c-dev kernel module is missing and could not be loaded.
#define DDC_ERR_NO_I2C_DEV 0x70000021u
// The output's adapter cannot do the transfer its memory's addressing needs
// to reach bytes past 255 (see DDC_INFO_REACH for why).
#define DDC_ERR_CANNOT_REACH 0x70000023u

// SetLibraryOption options.
#define DDC_OPT_CLOCK_HZ 1   // bus clock in Hz: 10000, 30000, 50000, 80000, 100000,
                             // 130000, 150000, 180000 or 200000 (default 100000)
#define DDC_OPT_TIMEOUT_MS 2 // transfer timeout in ms, 1 to 60000 (default 3000)
#define DDC_OPT_ADDR_7BIT 3  // 1: bus addresses are 7-bit (0x50, default);
                             // 0: 8-bit wire addresses (0xA0)

// GetOutputInfo options.
#define DDC_INFO_FLAGS 1         // the output's DDC_OUTPUT_* flags
#define DDC_INFO_ADAPTER_ERROR 2 // a real adapter that could not be found, opened or
                                 // used at this start: the code every call on the
                                 // output answers (DDC_ERR_PERMISSION, DDC_ERR_NO_ADAPTER,
                                 // ...); 0 when it is usable, and for a simulated display
#define DDC_INFO_ADDRESSING 3    // how the memory is addressed past byte 255: DDC_ADDRESSING_*
#define DDC_INFO_REACH 4         // why the output's adapter cannot reach bytes past 255 of
                                 // such a memory: DDC_REACH_*; 0 when it can (and for a
                                 // one-byte memory, which has none to reach)

// Memory addressing, declared per display in the bench description. The
// library shows every memory the same way: bytes 0-255 at 0x50, bytes
// 256-511 of a BLOCKS or SEGMENT memory at 0x51, each with a one-byte
// address. A BLOCKS memory (24C04 style) answers at 0x51 itself; for a
// SEGMENT memory (E-DDC) the library sends segment 1 to the pointer at 0x30
// with each transfer at 0x51, as one transfer on the wire.
#define DDC_ADDRESSING_BYTE 0     // one-byte addresses at 0x50 only (the default)
#define DDC_ADDRESSING_BLOCKS 1   // 512 bytes: blocks 0-1 at 0x50, blocks 2-3 at 0x51
#define DDC_ADDRESSING_SEGMENT 2  // 256-byte segments chosen through the pointer at 0x30
#define DDC_SECOND_HALF_ADDRESS 0x51u // 7-bit address of bytes 256-511

// Why an adapter cannot reach bytes past 255 of its memory.
#define DDC_REACH_SMBUS_ONLY 1    // the adapter offers SMBus transfers only
#define DDC_REACH_TWO_MESSAGES 2  // it sends at most two messages in one transfer, and a
                                  // segment read needs three (segment, offset, read)
#define DDC_REACH_DRIVER 3        // the graphics driver's I2C call is used at 0xA0 alone

// Output flags. A real adapter that is not shown to be a display's bus (by
// its name, the PCI device it hangs under, or a kernel device at 0x50),
// used only because its bench description allows it.
#define DDC_OUTPUT_NON_DISPLAY_BUS 0x1u
// The output is a real adapter (a DRM connector's or one a description
// names), not a simulated display.
#define DDC_OUTPUT_REAL_ADAPTER 0x2u

// GetLibraryInfo options, known once InstallDriver or InitDDCHelper has put
// the outputs in place (0 before).
#define DDC_LIB_SOURCE 1    // where the outputs come from: one of DDC_SOURCE_*
#define DDC_LIB_SIMULATED 2 // how many outputs are simulated (of a bench description
                            // or the built-in bench); 0 for the machine's own buses

// Sources of the outputs. Without a bench asked for, the library drives the
// machine's display buses and never falls back to simulated displays.
#define DDC_SOURCE_MACHINE 0       // the machine's display buses (or a test's own bench)
#define DDC_SOURCE_DESCRIPTION 1   // a bench description: DDCHELPER_BENCH or DDCBench.txt
#define DDC_SOURCE_BUILTIN 2       // the built-in simulated bench: DDCHELPER_BENCH=builtin,
                                   // or a named description that could not be read
#define DDC_SOURCE_NO_DISPLAY_BUS 3 // no outputs: the machine has no DRM connector with a
                                    // DDC adapter (Linux)
#define DDC_SOURCE_NO_BUS_PATH 4   // no outputs: the library has no way to a display's bus
                                   // on this system (Windows: no graphics output with a
                                   // display that NVAPI or ADL reports)

// ReadI2CBuf flags, combinable. Without DDC_READ_CONTINUE a read starts a
// new transfer at the memory's address counter; without DDC_READ_KEEP_OPEN
// it ends the transfer.
#define DDC_READ_KEEP_OPEN 0x100u
#define DDC_READ_CONTINUE 0x1000u

// Largest count of one ReadI2CBuf or WriteI2CBuf call, in bytes.
#define DDC_MAX_TRANSFER 2048u

#ifdef __cplusplus
extern "C" {
#endif

DDC_API uint32_t EnableLog(const char *pcPath, uint32_t u32Enable);
DDC_API uint32_t DisableLog(void);
// The caller's own lines (a program's output it ran) into the open log, each
// line of pcText as a line of the log with the time; nothing while no log
// runs. Always 0; it is no call of the bus and not in the transaction log.
DDC_API uint32_t LogText(const char *pcText);
DDC_API uint32_t InstallDriver(const char *pcFolder, uint32_t u32Flag);
DDC_API uint32_t UninstallDriver(void);
DDC_API uint32_t InitDDCHelper(void);
DDC_API uint32_t DeinitDDCHelper(void);
DDC_API uint32_t SetLibraryOption(uint32_t u32Option, uint32_t u32Value);
DDC_API uint32_t GetLibraryVersion(void);
DDC_API uint32_t EnumGetFirst(uint32_t *pu32Handle);
DDC_API uint32_t EnumGetNext(uint32_t *pu32Handle);
DDC_API uint32_t TestAddr(uint32_t u32Handle, uint32_t u32Addr);
DDC_API uint32_t ReadEDID(uint32_t u32Handle, uint8_t *pu8Buffer);
DDC_API uint32_t GetEDIDOption(const uint8_t *pu8Edid, uint32_t u32Option, char *pcText,
                               uint32_t u32TextSize);
DDC_API uint32_t ReadI2CBuf(uint32_t u32Handle, uint32_t u32Addr, uint8_t *pu8Buffer,
                            uint32_t u32Count, uint32_t u32Flags);
DDC_API uint32_t WriteI2CBuf(uint32_t u32Handle, uint32_t u32Addr, const uint8_t *pu8Buffer,
                             uint32_t u32Count, uint32_t u32Flags);
DDC_API uint32_t GetOutputInfo(uint32_t u32Handle, uint32_t u32Option, uint32_t *pu32Value);
DDC_API uint32_t GetLibraryInfo(uint32_t u32Option, uint32_t *pu32Value);

#ifdef __cplusplus
}
#endif

// True when a library status is an error code.
static inline int bIsDdcError(uint32_t u32Status)
{
    return (u32Status & DDC_ERR_MASK) == DDC_ERR_MASK;
}

#endif
