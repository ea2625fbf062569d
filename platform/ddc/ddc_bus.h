// Bus transfers to the memory on one output, with the output's faults.
#ifndef DDC_BUS_H
#define DDC_BUS_H

#include <stdint.h>

#include "ddc_bench.h"

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

#endif
