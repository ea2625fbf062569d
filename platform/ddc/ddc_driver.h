// The driver trace. The bench has no driver to install; InstallDriver and
// UninstallDriver leave their last call instead in DDCDrv.state beside the
// library, where a test of an installer can see which it made.
#ifndef DDC_DRIVER_H
#define DDC_DRIVER_H

#include <stdint.h>

#define DDC_DRIVER_TRACE_NAME "DDCDrv.state"

// Replace the trace with the call, when persistence is allowed; a failure
// to write is ignored.
void vDriverTraceInstall(const char *pcFolder, uint32_t u32Flag);
void vDriverTraceUninstall(void);

#endif
