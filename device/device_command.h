// The shape shared by the device commands: heading, output-port check,
// progress around the operation, and the Pass or Fail line.
#ifndef DEVICE_COMMAND_H
#define DEVICE_COMMAND_H

#include <stdint.h>

struct stDeviceCommand {
    const char *pcHeading;
    const char *pcOpenCaption;
    const char *pcCloseCaption;
    // Runs between the heading and the port check; false ends the action
    // with progress-used 0 (its lines already printed). Null: no check.
    bool (*pfnPreCheck)(void);
    int32_t (*pfnOperation)(int32_t s32PkgType);
    // The operation's own checks that need no bus, which it makes first
    // (false after its lines). Null: none.
    bool (*pfnReady)(void);
};

// Device commands run and failed since the last reset, the reason line of
// the first failure and the operations that passed: a production unit's
// port passes only when every command run for it passed and those it needs
// were among them.
#define DEVICE_REASON_SIZE 256
#define DEVICE_TALLY_PASSED_MAX 8
typedef int32_t (*DeviceOperation)(int32_t s32PkgType);
struct stDeviceTally {
    int32_t s32Run;
    int32_t s32Failed;
    char cFirstReason[DEVICE_REASON_SIZE];
    DeviceOperation pfnPassed[DEVICE_TALLY_PASSED_MAX];
    int32_t s32PassedCount;
};
extern stDeviceTally gst_DeviceTally;
void vResetDeviceTally(void);
// True when a command with that operation passed since the last reset.
bool bDeviceTallyPassed(DeviceOperation pfnOperation);

// 1 when the monitor list has a selected entry.
int32_t bIsOutputPortSelected(void);
// Index of the selected display's record, or -1 when none is selected.
int32_t s32SelectedMonitor(void);
// Runs one device command; returns its progress-used flag.
int32_t s32RunDeviceCommand(const stDeviceCommand *pstCommand);
// The command's checks, run ahead of it so that a Start writes nothing it
// cannot finish: true when they pass, printing nothing; else false after
// the lines the command itself would print, counted as a failed command.
bool bDeviceCommandReady(const stDeviceCommand *pstCommand);
// Counts a command that was refused before it ran.
void vCountRefusedCommand(void);

// A Start's display, taken when it is pressed: until released, the
// commands use it whatever the list shows. A taken display whose record a
// detection has since given to another output is no longer selected.
void vTakeSelectedMonitor(void);
void vReleaseSelectedMonitor(void);

#endif
