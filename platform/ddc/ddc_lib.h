// Library-wide state: started or not, the options, the enumeration cursor.
#ifndef DDC_LIB_H
#define DDC_LIB_H

#include <stdint.h>

#define DDC_LIBRARY_VERSION 100u // 1.00, as GetLibraryVersion reports it
#define DDC_EDID_ADDRESS 0x50u   // 7-bit bus address of the EDID memory

struct stLibState {
    int32_t bStarted;
    uint32_t u32ClockHz;
    uint32_t u32TimeoutMs;
    uint32_t u32Addr7Bit;
    uint32_t u32EnumNext;  // index of the output EnumGetNext gives next
    uint32_t u32Version;   // what GetLibraryVersion returns (tests may change it)
    uint32_t u32EdidOptionFault; // GetEDIDOption fails with it (0: no fault)
    uint32_t u32OptionFault;     // SetLibraryOption fails with it (0: no fault)
};

extern stLibState gst_Lib;

// Stopped, options at their defaults.
void vLibDefaults(void);

#endif
