// Until the USB-I2C bridges come: no bridge is ever found.
#include "ddc_winbus.h"

namespace {

uint32_t u32FindNone(stWinBusUnit *, uint32_t) { return 0; }

const stWinBusOps gst_NoBridges = {"bridge", 0, 0, u32FindNone, nullptr, nullptr, nullptr,
                                   nullptr, nullptr};

} // namespace

const stWinBusOps *pstWinBridgeOps(void) { return &gst_NoBridges; }
