// Bus transfers to the memory on one output, with the output's faults.
#ifndef DDC_BUS_H
#define DDC_BUS_H

#include <stdint.h>

#include "ddc_bench.h"

#define BUS_ACK_POLL_MS 25u     // a memory's write cycle, at most
#define BUS_ACK_POLL_STEP_MS 1u // ... during which a missing acknowledge is tried again this often
#define BUS_START_STOP_BITS 2u  // bit times of a transfer's start and stop conditions

// The 7-bit address a caller's address stands for under option 3.
uint32_t u32BusAddress(uint32_t u32Addr);
// Address phase alone: 0 when acknowledged, else DDC_ERR_NO_ACK.
uint32_t u32BusProbe(stBenchOutput *pst, uint32_t u32Addr7);
uint32_t u32BusRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                    uint32_t u32Flags);
uint32_t u32BusWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                     uint32_t u32Count);
// Block 0 from address 0, checked as EDID.
uint32_t u32BusReadEdid(stBenchOutput *pst, uint8_t *pu8Block);

// One try at a transfer, by either backend: 0, DDC_ERR_NO_ACK when the
// address was not acknowledged, or another code.
typedef uint32_t (*BusAttempt)(stBenchOutput *pst, void *pvContext);
// Runs the attempt; a missing acknowledge to a try begun within
// BUS_ACK_POLL_MS of a write with data to the output (its memory's write
// cycle) is tried again every millisecond on the platform clock, each such
// poll recorded in the transaction log. So the last try always begins after
// the window, however long the process was kept from the bus: a packet
// fails only when the memory was still silent then. The result of the last try.
uint32_t u32BusPolled(stBenchOutput *pst, uint32_t u32Addr7, BusAttempt pfn, void *pvContext);

#endif
