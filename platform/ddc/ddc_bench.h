// The simulated bench: PC outputs, the display on each, its EDID memory and
// the faults set on it. State of the whole process, like a real bus.
#ifndef DDC_BENCH_H
#define DDC_BENCH_H

#include <stdint.h>

#include "ddc_eeprom.h"
#include "ddc_i2cdev.h"

#define BENCH_MAX_OUTPUTS 16u
#define BENCH_HANDLE_BASE 0x1000u // handle of output 0; output i is base + i
#define BENCH_PATH_SIZE 4096u

struct stBenchFaults {
    int32_t bNoAnswer;         // nothing acknowledges 0x50
    uint32_t u32ReadEdidCode;  // ReadEDID fails with this code (0: no fault)
    uint32_t u32ExtChunk;      // continued read number N (from 1) fails ...
    uint32_t u32ExtCode;       // ... with this code (0: no fault)
    uint32_t u32WritePacket;   // data write number N (from 1) fails ...
    uint32_t u32WriteCode;     // ... with this code (0: no fault)
    uint32_t u32NakStallMs;    // the next try left unanswered ends this much later (once)
};

struct stBenchOutput {
    int32_t bHasDisplay;
    stEeprom stMem;
    stBenchFaults stFault;
    uint32_t u32ImageCrc;      // CRC-32 of the loaded image; ties saved state to it
    int32_t bReadOpen;         // a read transfer is open on this output's bus ...
    uint32_t u32ReadAddr7;     // ... at this address
    uint32_t u32Chunks;        // continued reads since the open read began
    uint32_t u32DataWrites;    // writes carrying data since start or fault set
    int32_t bWriteCycle;       // a write with data may still be running ...
    uint64_t u64WriteUs;       // ... since it ended, on the platform clock
    stRealBus stReal;          // a real adapter instead of a simulated display
};

struct stBench {
    int32_t bLoaded;           // set once a bench is in place for this process
    uint32_t u32Source;        // DDC_SOURCE_*: where the outputs came from
    uint32_t u32Outputs;
    stBenchOutput ast[BENCH_MAX_OUTPUTS];
    uint32_t u32EnumFaultCode; // EnumGetFirst fails with it (0: no fault)
    char cStatePath[BENCH_PATH_SIZE + 16u]; // empty: nothing persists
    uint64_t u64WireUs;        // simulated displays' transfers on the wire, since cleared
    uint32_t u32WireWrites;    // ... of them writes with data the memories took
};

extern stBench gst_Bench;

// Empties the bench (no outputs, no faults, no state file) and marks it loaded.
void vBenchClear(void);
// Adds an output; s32Index of the new one or -1 when the bench is full.
int32_t s32BenchAddOutput(void);
// Attaches a display with a memory of u32MemSize bytes holding pu8Image
// (null: blank); 0 when the size or image does not fit.
int32_t bBenchAttachDisplay(uint32_t u32Output, const uint8_t *pu8Image, uint32_t u32Len,
                            uint32_t u32MemSize);
// The output of a handle, or null.
stBenchOutput *pstBenchOutputOf(uint32_t u32Handle);
stBenchOutput *pstBenchOutputAt(int32_t s32Index);
// Resets the per-start counters (open reads, chunk and write counts).
void vBenchResetCounters(void);
// Puts the bench in place when none is: description, else default.
void vBenchLoadIfNeeded(void);
// Whether a bench found at start-up may keep a state file (tests turn it off).
void vBenchSetPersistence(int32_t bOn);
int32_t bBenchPersistenceAllowed(void);

uint32_t u32Crc32(const uint8_t *pu8Data, uint32_t u32Len, uint32_t u32Crc);

#endif
