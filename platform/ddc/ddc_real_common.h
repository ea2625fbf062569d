// What the real bus layers of both systems share: the log's words for a
// code, the memory's address counter after a write, and how a description
// names a bus on Windows (parsed on every system, so that its tests run
// everywhere).
#ifndef DDC_REAL_COMMON_H
#define DDC_REAL_COMMON_H

#include <stdint.h>

struct stWinBusUnit;

#define REAL_EEPROM_PAGE 8u // bytes of the memory's write page

// A few words for the log beside a real bus's error code.
const char *pcRealCodeWords(uint32_t u32Code);
// What a DDC_REACH_* reason means, for the log and the program's lines.
const char *pcRealReachWords(uint32_t u32Why);
// The memory's address counter after a write of u32Data data bytes from
// u8Addr: the address itself without data, else the byte after the last,
// kept inside the page written (the part rolls over there).
uint32_t u32RealCounterAfterWrite(uint8_t u8Addr, uint32_t u32Data);

// A bridge's name: "MCP2221", "MCP2221:0001234567" (its serial number) or
// "MCP2221:#2" (the second of that kind, from 1).
int32_t bWinBridgeNameValid(const char *pcName);
// A graphics output's name: "NVAPI:1", "ADL:2" (from 1).
int32_t bWinConnectorNameValid(const char *pcName);

#define WINBUS_NO_UNIT (-1)   // no unit answers to the name
#define WINBUS_AMBIGUOUS (-2) // several bridges of the kind, and the name says not which
// The unit of a back end's list that a name picks (s32By REAL_BY_BRIDGE or
// REAL_BY_CONNECTOR): its index, or one of the two above. A bridge unit's
// name is "KIND:SERIAL", or its kind alone ("KIND", "KIND:#N") when it has no
// serial; a graphics output's is the name a description gives it.
int32_t s32WinBusPick(int32_t s32By, const char *pcName, const stWinBusUnit *pstUnits,
                      uint32_t u32Units);

#endif
