// Test access to the simulated bench inside libDDCHelper.so. Only tests
// include this header; the program never does. The functions are exported
// from the shared library (see DDCHelper.map) so that a test and the
// program under test share the one bench of the process.
//
// Outputs are counted from 0 in enumeration order; output i has the handle
// DDC_BENCH_HANDLE(i).
#ifndef DDC_BENCH_TEST_H
#define DDC_BENCH_TEST_H

#include <stdint.h>

#if defined(_WIN32)
#define DDC_BENCH_API __declspec(dllexport)
#else
#define DDC_BENCH_API __attribute__((visibility("default")))
#endif
#define DDC_BENCH_HANDLE(i) (0x1000u + (uint32_t)(i))

// Library operations as the transaction log names them.
enum {
    DDC_OP_ENABLE_LOG = 1,
    DDC_OP_DISABLE_LOG,
    DDC_OP_INSTALL_DRIVER,
    DDC_OP_UNINSTALL_DRIVER,
    DDC_OP_INIT,
    DDC_OP_DEINIT,
    DDC_OP_SET_OPTION,
    DDC_OP_GET_VERSION,
    DDC_OP_ENUM_FIRST,
    DDC_OP_ENUM_NEXT,
    DDC_OP_TEST_ADDR,
    DDC_OP_READ_EDID,
    DDC_OP_GET_EDID_OPTION,
    DDC_OP_READ_BUF,
    DDC_OP_WRITE_BUF,
    DDC_OP_GET_OUTPUT_INFO,
    DDC_OP_GET_LIBRARY_INFO,
    // Not a call: one try the library made again within a write cycle,
    // not acknowledged. Arguments: the handle and the 7-bit address;
    // result DDC_ERR_NO_ACK. Recorded before the call it belongs to, and
    // not written to the library log.
    DDC_OP_POLL,
    DDC_OP_COUNT
};

// One library call. Arguments in the order of the call; a pointer argument
// is 1 when given and 0 when null; the enumeration's two are that flag and
// the handle it stored. Data: the bytes written or read on the bus (ReadEDID: the block
// read), the identifier text of GetEDIDOption, the path of EnableLog and
// InstallDriver.
struct stDdcBenchCall {
    uint32_t u32Op;
    uint32_t au32Arg[5];
    uint32_t u32Result;
    const uint8_t *pu8Data; // valid until the log is cleared
    uint32_t u32DataLen;
};

#ifdef __cplusplus
extern "C" {
#endif

// Back to a fresh process: library stopped, log closed, options at their
// defaults, no bench (the next InitDDCHelper finds one as the program's
// would), transaction log empty, and persistence off until allowed again.
DDC_BENCH_API void vDdcBenchReset(void);
// Whether a bench found by InitDDCHelper keeps its state file (off after
// vDdcBenchReset, so tests never write beside the test program).
DDC_BENCH_API void vDdcBenchAllowPersistence(int32_t bOn);
// The kernel the real backend reaches (see ddc_kernel.h): a test's fake one,
// or null for the machine's. vDdcBenchReset puts none at all in place, so
// a test never reaches the machine's adapters by accident.
struct stDdcKernel;
DDC_BENCH_API void vDdcBenchUseKernel(const struct stDdcKernel *pstKernel);
// The machine's kernel itself, to see what it runs (it is not put in place).
DDC_BENCH_API const struct stDdcKernel *pstDdcBenchMachineKernel(void);

// Bench building: vDdcBenchClear empties the bench, the two Add functions
// add to it, vDdcBenchUseDefault and u32DdcBenchLoadDescription replace it.
// A bench built here never persists, and InitDDCHelper keeps it.
DDC_BENCH_API void vDdcBenchClear(void);
DDC_BENCH_API void vDdcBenchUseDefault(void);
// A bench built here stands for the machine's displays (DDC_SOURCE_MACHINE)
// unless a test says where it came from.
DDC_BENCH_API void vDdcBenchSetSource(uint32_t u32Source);
// A description file as InitDDCHelper would read it; its problems go to the
// library log. Returns the number of outputs.
DDC_BENCH_API uint32_t u32DdcBenchLoadDescription(const char *pcPath);
// An output with nothing attached; its index, or -1 when 16 exist already.
DDC_BENCH_API int32_t s32DdcBenchAddOutput(void);
// An output with a display whose memory has u32MemSize bytes (256, 512, 1024
// or 2048) and holds pu8Image (null: blank, all 0xFF); index or -1.
DDC_BENCH_API int32_t s32DdcBenchAddDisplay(const uint8_t *pu8Image, uint32_t u32Len,
                                            uint32_t u32MemSize);
DDC_BENCH_API uint32_t u32DdcBenchOutputCount(void);
// How an output's memory is addressed past byte 255 (DDC_ADDRESSING_*), as
// the description's addressing key declares it; for a real output too.
DDC_BENCH_API void vDdcBenchSetAddressing(int32_t s32Output, uint32_t u32Addressing);

// Faults (code 0 removes a fault). Counts N start at 1.
DDC_BENCH_API void vDdcBenchSetNoAnswer(int32_t s32Output, int32_t bOn);
DDC_BENCH_API void vDdcBenchSetWriteProtect(int32_t s32Output, int32_t bOn);
// How long the display's memory stays silent after each write with data:
// 0 to 1000 ms (default 5; above 25 it is never polled back to life).
DDC_BENCH_API void vDdcBenchSetWriteCycle(int32_t s32Output, uint32_t u32Ms);
// The next try the display's memory leaves unanswered ends u32Ms later on
// the platform clock, as when a loaded PC pauses the process right after it.
DDC_BENCH_API void vDdcBenchSetNakStall(int32_t s32Output, uint32_t u32Ms);
DDC_BENCH_API void vDdcBenchSetReadEdidFault(int32_t s32Output, uint32_t u32Code);
// The N-th continued read (DDC_READ_CONTINUE) of a transfer, the one that
// carries block N in a chained read from block 0, fails.
DDC_BENCH_API void vDdcBenchSetExtFault(int32_t s32Output, uint32_t u32Chunk, uint32_t u32Code);
// The N-th write carrying data (counted from InitDDCHelper or this call)
// fails and writes nothing; later writes succeed.
DDC_BENCH_API void vDdcBenchSetWriteFault(int32_t s32Output, uint32_t u32Packet, uint32_t u32Code);
DDC_BENCH_API void vDdcBenchSetEnumFault(uint32_t u32Code);
// Every GetEDIDOption call fails with the code.
DDC_BENCH_API void vDdcBenchSetEdidOptionFault(uint32_t u32Code);
// Every SetLibraryOption call fails with the code and changes nothing.
DDC_BENCH_API void vDdcBenchSetOptionFault(uint32_t u32Code);
// The value GetLibraryVersion returns, until the next reset.
DDC_BENCH_API void vDdcBenchSetVersion(uint32_t u32Version);

// Memory of a display: copies up to u32Size bytes, returns the memory size
// (0: no display there).
DDC_BENCH_API uint32_t u32DdcBenchReadMemory(int32_t s32Output, uint8_t *pu8Buf, uint32_t u32Size);
// Path of the state file in use ("" when nothing persists).
DDC_BENCH_API const char *pcDdcBenchStatePath(void);

// What the simulated displays' bus carried since the bench was built or
// vDdcBenchWireClear: the microseconds of every transfer on the wire ((1
// address byte + the bytes) x 9 bits + start and stop at the bus clock; a
// try not acknowledged, its address byte), and the writes with data the
// memories took, each followed by its write cycle.
DDC_BENCH_API uint64_t u64DdcBenchWireUs(void);
DDC_BENCH_API uint32_t u32DdcBenchWireWrites(void);
DDC_BENCH_API void vDdcBenchWireClear(void);

// Transaction log: every library call in order. Holds DDC_BENCH_LOG_CALLS
// calls and DDC_BENCH_LOG_BYTES data bytes; later calls are counted as
// dropped until it is cleared.
#define DDC_BENCH_LOG_CALLS 16384u
#define DDC_BENCH_LOG_BYTES (2u * 1024u * 1024u)
DDC_BENCH_API void vDdcBenchLogClear(void);
DDC_BENCH_API uint32_t u32DdcBenchLogCount(void);
DDC_BENCH_API uint32_t u32DdcBenchLogDropped(void);
// Copies call u32Index into *pst; 0 beyond the log.
DDC_BENCH_API int32_t bDdcBenchLogCall(uint32_t u32Index, stDdcBenchCall *pst);
// The call as one line of the library log, without the time, e.g.
// "WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x0 : 00 FF FF FF FF FF FF FF FF".
DDC_BENCH_API uint32_t u32DdcBenchLogFormat(uint32_t u32Index, char *pcText, uint32_t u32Size);

#ifdef __cplusplus
}

#include <string>
#include <vector>

inline std::string strDdcBenchCall(uint32_t u32Index)
{
    static char cText[8192];
    cText[0] = '\0';
    u32DdcBenchLogFormat(u32Index, cText, sizeof(cText));
    return cText;
}

inline std::vector<std::string> lstDdcBenchCalls()
{
    std::vector<std::string> calls;
    for (uint32_t i = 0; i < u32DdcBenchLogCount(); i++)
        calls.push_back(strDdcBenchCall(i));
    return calls;
}

inline std::vector<uint8_t> lstDdcBenchMemory(int32_t s32Output)
{
    std::vector<uint8_t> mem(2048);
    mem.resize(u32DdcBenchReadMemory(s32Output, mem.data(), (uint32_t)mem.size()));
    return mem;
}
#endif

#endif
