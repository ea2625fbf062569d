// Record of every library call: kept in memory for tests (the transaction
// log) and written as a line to the library log when that is open.
#ifndef DDC_TXLOG_H
#define DDC_TXLOG_H

#include <stdint.h>

#include "ddc_bench_test.h"

// Records one finished call and returns u32Result. pau32Args holds five
// values; pvData the bytes moved (null or length 0: none).
uint32_t u32RecordCall(uint32_t u32Op, const uint32_t *pau32Args, uint32_t u32Result,
                       const void *pvData, uint32_t u32DataLen);
// Records a try at an address that was not acknowledged and is made again
// (the acknowledge polling); kept for tests only, not written to the log.
void vRecordPoll(uint32_t u32Handle, uint32_t u32Addr7, uint32_t u32Result);
void vTxLogClear(void);
uint32_t u32TxLogCount(void);
uint32_t u32TxLogDropped(void);
int32_t bTxLogGet(uint32_t u32Index, stDdcBenchCall *pst);
// One call as text, e.g. "TestAddr(0x1000, 0x50) = 0x0"; returns its length.
uint32_t u32FormatCall(const stDdcBenchCall *pst, char *pcText, uint32_t u32Size);

#endif
