// EDID reads shared by detection and the receives, and the data block that
// device operations print when the Show data box is on.
#ifndef EDID_BUS_H
#define EDID_BUS_H

#include <stdint.h>

// The program's write mode, from the station: 0 paced (every pause before a
// packet, a progress step and a page), 1 fast (no pauses: the library waits
// out each write cycle by polling the memory's acknowledge).
extern int32_t gs32_FastWrites;

// The pauses of one operation, counted from its start: each ends when the
// pauses so far have elapsed, so time spent working between pauses is
// taken off the next one. A pause reached after it was due is skipped and
// the count goes on from then: lateness is no credit against later pauses,
// so a packet follows the one before by at least the write pause. On the
// virtual clock, where work takes no time, every pause is whole. Fast
// writes make every pause nothing.
struct stPacer {
    uint64_t u64DueMs; // the end of the last pause
};
void vPacerStart(stPacer *pstPacer);
void vPace(stPacer *pstPacer, uint32_t u32Ms);

// How the display's memory is addressed past byte 255 (DDC_ADDRESSING_*);
// a library that cannot say is taken to mean the one-byte memory.
uint32_t u32MemoryAddressing(uint32_t u32Handle);
// Bytes of a memory of that addressing that packets can reach: 256, or 512.
int32_t s32ReachableBytes(uint32_t u32Addressing);
// Blocks a read of the display reaches, block 0 included: the 8 the record
// holds, or the 4 of a two-block or segment memory.
uint32_t u32ReachableBlocks(uint32_t u32Addressing);
// The extension blocks to read after block 0 for an EDID that declares
// u32Ext of them: all, up to what the display's memory reaches (a read past
// block 3 asks the library how the memory is addressed).
uint32_t u32ExtensionsToRead(uint32_t u32Handle, uint32_t u32Ext);
// The bus address of a memory offset: 0x50, or 0x51 for bytes 256-511 of a
// two-block or segment memory (the library sends a segment memory's
// pointer itself).
uint32_t u32HalfAddress(int32_t s32Offset);
// A line for the memory's addressing, or null for the one-byte memory.
const char *pcAddressingWords(uint32_t u32Addressing);
// Why the display's bus cannot reach bytes past 255 of its memory
// (DDC_REACH_*), or 0 when it can; and that reason in words.
uint32_t u32ReachWhy(uint32_t u32Handle);
const char *pcReachWhyWords(uint32_t u32Why);
// False after a line saying why the display's bus cannot reach bytes past
// 255 of its memory, with the library's code; true when it can.
bool bBusReachesMemory(uint32_t u32Handle);

// Sets the memory's address counter to 0 and reads block 0 into the start
// of pu8Buf; both results are ignored.
void vRawReadBlock0(uint32_t u32Handle, uint8_t *pu8Buf);

// Sets the memory's address counter to 0 and reads u32Blocks blocks (at
// most 16: the library's largest transfer) in one read, or in one read per
// half of a two-block or segment memory; the library result.
uint32_t u32ReadFromStart(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Blocks);

// Called before chained page j (0 first) is read, and after it was read.
typedef void (*PageHook)(uint32_t u32Page, uint32_t u32PageCount);

// Reads u32Count (>= 1) blocks after block 0 into pu8Buf + 128 onwards, as
// one sequential read continuing the raw read of block 0 (on a two-block or
// segment memory, blocks 2 and 3 as a second read at 0x51). Returns -1 when
// all were read, else the index of the failing block (its result in
// *pu32Result); the blocks after it are not read.
int32_t s32ChainedBlockRead(uint32_t u32Handle, uint8_t *pu8Buf, uint32_t u32Count,
                            PageHook pfnBefore, PageHook pfnAfter, uint32_t *pu32Result);

// "*****...", title, Monitor ID and Amount lines of a data block.
void vPrintDataBlockHead(const char *pcTitle, const char *pcMonitorId, int32_t s32Amount);
// One byte of a dump: "0x%02X ", and "\n>" after every 16th position.
void vPrintDataByte(uint8_t u8Byte, uint32_t u32Position);

// Lets the user interface draw and handle pending events.
void vPumpEvents(void);
// One progress step of an operation: the text at the percentage, then the
// pause that follows every step.
void vProgressStep(stPacer *pstPacer, const char *pcText, int32_t s32Percent);
// The Show data box of the main panel: 1 when the operations print bytes.
int32_t s32ShowDataOn(void);

#endif
