// Transfers on real adapters through i2c-dev: I2C_RDWR messages where the
// adapter offers plain I2C, i2c-tools' SMBus block calls where it offers
// only SMBus. An adapter is open only for an operation, and locked against
// other careful programs while it is. Every kernel call goes through the
// kernel seam.
#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

#include "DDCHelper.h"
#include "ddc_bench.h"
#include "ddc_bus.h"
#include "ddc_edid.h"
#include "ddc_i2cdev.h"
#include "ddc_kernel.h"
#include "ddc_lib.h"
#include "ddc_liblog.h"
#include "ddc_real_common.h"
#include "platform/clock/PlatformClock.h"

namespace {

#define SMBUS_BLOCK_MAX 32u   // bytes of one I2C block transfer
#define SMBUS_REACH 256u      // bytes an SMBus command byte can address

uint32_t u32ErrnoCode(int s32Errno)
{
    switch (s32Errno) {
    case ENXIO:
    case EREMOTEIO:
        return DDC_ERR_NO_ACK;
    case EBUSY:
    case EAGAIN:
        return DDC_ERR_BUSY;
    case ETIMEDOUT:
        return DDC_ERR_TIMEOUT;
    case EACCES:
    case EPERM:
        return DDC_ERR_PERMISSION;
    case ENODEV:
    case ESHUTDOWN:
    case EBADF:
    case ENOENT:
        return DDC_ERR_ADAPTER_GONE;
    default:
        return DDC_ERR_BUS_FAULT;
    }
}

// SMBus drivers (and i2c-stub) answer ENODEV for an address nobody
// acknowledges, the kernel too once an adapter is gone: sysfs tells which.
int s32PlainErrno(const stBenchOutput *pst, int s32Errno)
{
    if (s32Errno == ENODEV && bRealAdapterPresent(pst->stReal.cDevice))
        return ENXIO;
    return s32Errno;
}

uint32_t u32Failed(const stBenchOutput *pst, const char *pcWhat, int s32Errno)
{
    uint32_t u32Code = u32ErrnoCode(s32PlainErrno(pst, s32Errno));
    vLogNote("bus: %s (%s): %s: %s, 0x%X (%s)", pst->stReal.cLabel, pst->stReal.cDevice, pcWhat,
             strerror(s32Errno), u32Code, pcRealCodeWords(u32Code));
    return u32Code;
}

// --- One operation ------------------------------------------------------------

// Closing lets go of the lock as well.
void vEndOperation(stRealBus *pstReal)
{
    if (pstReal->s32Fd >= 0)
        pstDdcKernel()->pfnClose(pstReal->s32Fd);
    pstReal->s32Fd = -1;
}

// Adapter numbers are given out again as adapters come and go: the node
// must still be the adapter found at the start. Asked of the open node,
// which keeps its adapter from going away meanwhile.
uint32_t u32SameAdapter(const stBenchOutput *pst, const char *pcWhat)
{
    const stRealBus *pstReal = &pst->stReal;
    char cName[REAL_LABEL_SIZE] = "";
    if (bRealAdapterName(pstReal->cDevice, cName, sizeof(cName)) &&
        strcmp(cName, pstReal->cAdapter) == 0)
        return 0;
    vLogNote("bus: %s (%s): %s: no longer the adapter \"%s\" found at the start, 0x%X (%s)",
             pstReal->cLabel, pstReal->cDevice, pcWhat, pstReal->cAdapter, DDC_ERR_ADAPTER_GONE,
             pcRealCodeWords(DDC_ERR_ADAPTER_GONE));
    return DDC_ERR_ADAPTER_GONE;
}

// A link, or a node of another device than the adapter checked in sysfs (a
// stale or container-mapped node), leads to another bus: a chipset's SMBus
// holds a memory module's EEPROM at 0x50. Refused before anything reaches it,
// for the rest of this start.
uint32_t u32NotTheNode(stBenchOutput *pst, const char *pcWhat, const char *pcWhy)
{
    stRealBus *pstReal = &pst->stReal;
    vLogNote("bus: %s (%s): %s%snot the adapter's device node: %s; the output answers 0x%X",
             pstReal->cLabel, pstReal->cDevice, pcWhat ? pcWhat : "", pcWhat ? ": " : "", pcWhy,
             DDC_ERR_NO_ADAPTER);
    pstReal->u32FindError = DDC_ERR_NO_ADAPTER;
    return DDC_ERR_NO_ADAPTER;
}

uint32_t u32CheckNode(stBenchOutput *pst, int s32Fd, const char *pcWhat)
{
    const stRealBus *pstReal = &pst->stReal;
    stDdcNode stNode = {};
    char cWhy[128];
    if (pstDdcKernel()->pfnStatNode(s32Fd, &stNode) != 0)
        snprintf(cWhy, sizeof(cWhy), "it cannot be examined (%s)", strerror(errno));
    else if (!stNode.bCharDevice)
        snprintf(cWhy, sizeof(cWhy), "it is not a character device");
    else if (stNode.u32Major != pstReal->u32DevMajor || stNode.u32Minor != pstReal->u32DevMinor)
        snprintf(cWhy, sizeof(cWhy), "it is the device %u:%u, the adapter's is %u:%u",
                 stNode.u32Major, stNode.u32Minor, pstReal->u32DevMajor, pstReal->u32DevMinor);
    else
        return 0;
    return u32NotTheNode(pst, pcWhat, cWhy);
}

// Never through a link: the node itself is what is checked.
int s32OpenNode(const stRealBus *pstReal)
{
    return pstDdcKernel()->pfnOpen(pstReal->cDevice, O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
}

// The advisory lock careful programs take on the node, waited for on the
// platform clock for a bounded time.
uint32_t u32Lock(const stBenchOutput *pst, const char *pcWhat)
{
    const stRealBus *pstReal = &pst->stReal;
    uint64_t u64Start = u64ClockNowMs();
    for (;;) {
        if (pstDdcKernel()->pfnFlock(pstReal->s32Fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return u32Failed(pst, pcWhat, errno);
        if (u64ClockNowMs() - u64Start >= REAL_LOCK_WAIT_MS)
            break;
        Sleep(REAL_LOCK_POLL_MS);
    }
    vLogNote("bus: %s (%s): %s: held by another program for more than %u ms, 0x%X (%s)",
             pstReal->cLabel, pstReal->cDevice, pcWhat, REAL_LOCK_WAIT_MS, DDC_ERR_BUSY,
             pcRealCodeWords(DDC_ERR_BUSY));
    return DDC_ERR_BUSY;
}

// SMBus transfers take their address from the open node.
uint32_t u32Claim(const stBenchOutput *pst)
{
    if (pst->stReal.bSmbusOnly &&
        pstDdcKernel()->pfnIoctl(pst->stReal.s32Fd, I2C_SLAVE,
                                 (void *)(unsigned long)DDC_EDID_ADDRESS) < 0)
        return u32Failed(pst, "claiming 0x50", errno);
    return 0;
}

// The timeout is the adapter's, for every user, and stays after the run:
// only an adapter a description names (a bench's USB bridge) gets ours, at
// each operation, never a graphics driver's own bus.
void vApplyTimeout(const stBenchOutput *pst)
{
    if (!pst->stReal.s32By || pst->stReal.s32By == REAL_BY_CONNECTOR)
        return;
    unsigned long tensOfMs = (gst_Lib.u32TimeoutMs + 9u) / 10u;
    if (pstDdcKernel()->pfnIoctl(pst->stReal.s32Fd, I2C_TIMEOUT, (void *)tensOfMs) < 0)
        vLogNote("bus: %s (%s): the adapter keeps its own timeout (%s)", pst->stReal.cLabel,
                 pst->stReal.cDevice, strerror(errno));
}

// Opens and locks the adapter, unless a chained read holds it already.
uint32_t u32BeginOperation(stBenchOutput *pst, const char *pcWhat)
{
    stRealBus *pstReal = &pst->stReal;
    if (pstReal->s32Fd >= 0)
        return 0;
    if (pstReal->u32FindError)
        return pstReal->u32FindError;
    pstReal->s32Fd = s32OpenNode(pstReal);
    if (pstReal->s32Fd < 0)
        return errno == ELOOP ? u32NotTheNode(pst, pcWhat, "it is a symbolic link")
                              : u32Failed(pst, pcWhat, errno);
    uint32_t u32Result = u32CheckNode(pst, pstReal->s32Fd, pcWhat);
    if (!u32Result)
        u32Result = u32SameAdapter(pst, pcWhat);
    if (!u32Result)
        u32Result = u32Lock(pst, pcWhat);
    if (!u32Result)
        u32Result = u32Claim(pst);
    if (u32Result)
        vEndOperation(pstReal);
    else
        vApplyTimeout(pst);
    return u32Result;
}

// The operation ends with the call unless a chained read goes on.
uint32_t u32Finish(stBenchOutput *pst, uint32_t u32Result, bool bKeepOpen)
{
    pst->bReadOpen = u32Result == 0 && bKeepOpen;
    if (!pst->bReadOpen)
        vEndOperation(&pst->stReal);
    return u32Result;
}

// One transfer, tried again while the memory may be in its write cycle
// (the bus's acknowledge polling); the kernel's words for the last failure
// go to the log.
typedef int (*Transfer)(stBenchOutput *pst, void *pvContext);

struct stAttempt {
    Transfer pfn;
    void *pvContext;
    int s32Errno; // of the last failed try
};

uint32_t u32Attempt(stBenchOutput *pst, void *pvAttempt)
{
    stAttempt *pstAttempt = static_cast<stAttempt *>(pvAttempt);
    int s32Result = pstAttempt->pfn(pst, pstAttempt->pvContext);
    if (s32Result >= 0)
        return 0;
    pstAttempt->s32Errno = -s32Result;
    return u32ErrnoCode(s32PlainErrno(pst, -s32Result));
}

uint32_t u32Transfer(stBenchOutput *pst, const char *pcWhat, Transfer pfn, void *pvContext)
{
    uint32_t u32Begun = u32BeginOperation(pst, pcWhat);
    if (u32Begun)
        return u32Begun;
    stAttempt stTry = {pfn, pvContext, 0};
    if (u32BusPolled(pst, DDC_EDID_ADDRESS, u32Attempt, &stTry) == 0)
        return 0;
    return u32Failed(pst, pcWhat, stTry.s32Errno);
}

// --- I2C_RDWR -------------------------------------------------------------

struct stMessages {
    struct i2c_msg ast[3];
    uint32_t u32Count;
};

int s32Rdwr(stBenchOutput *pst, void *pvContext)
{
    stMessages *pstMsgs = static_cast<stMessages *>(pvContext);
    struct i2c_rdwr_ioctl_data stData = {pstMsgs->ast, pstMsgs->u32Count};
    int s32Result = pstDdcKernel()->pfnIoctl(pst->stReal.s32Fd, I2C_RDWR, &stData);
    return s32Result < 0 ? -errno : 0;
}

stMessages stMessage(uint32_t u32Addr7, uint16_t u16Flags, uint8_t *pu8Buf, uint32_t u32Count)
{
    stMessages st = {};
    st.ast[0] = {(uint16_t)u32Addr7, u16Flags, (uint16_t)u32Count, pu8Buf};
    st.u32Count = 1;
    return st;
}

void vAddMessage(stMessages *pst, uint32_t u32Addr7, uint16_t u16Flags, uint8_t *pu8Buf,
                 uint32_t u32Count)
{
    pst->ast[pst->u32Count++] = {(uint16_t)u32Addr7, u16Flags, (uint16_t)u32Count, pu8Buf};
}

// --- The second half of a segment memory ------------------------------------

#define SEGMENT_POINTER_ADDRESS 0x30u // 7-bit address of the E-DDC segment pointer

uint8_t gu8_SecondSegment = 1;

bool bSegmentHalf(const stBenchOutput *pst, uint32_t u32Addr7)
{
    return u32Addr7 == DDC_SECOND_HALF_ADDRESS &&
           pst->stMem.u32Addressing == DDC_ADDRESSING_SEGMENT;
}

// The pointer resets at every stop, so segment 1 opens each transfer, all
// of whose messages then go to 0x50: one I2C_RDWR.
stMessages stSegmentMessages(void)
{
    stMessages st = {};
    vAddMessage(&st, SEGMENT_POINTER_ADDRESS, 0, &gu8_SecondSegment, 1);
    return st;
}

uint32_t u32SegmentRead(stBenchOutput *pst, const char *pcWhat, uint8_t *pu8Buf, uint32_t u32Count)
{
    stRealBus *pstReal = &pst->stReal;
    uint8_t u8Offset = (uint8_t)pstReal->u32Counter;
    stMessages stMsgs = stSegmentMessages();
    vAddMessage(&stMsgs, DDC_EDID_ADDRESS, 0, &u8Offset, 1);
    vAddMessage(&stMsgs, DDC_EDID_ADDRESS, I2C_M_RD, pu8Buf, u32Count);
    uint32_t u32Result = u32Transfer(pst, pcWhat, s32Rdwr, &stMsgs);
    if (!u32Result)
        pstReal->u32Counter = (pstReal->u32Counter + u32Count) % SMBUS_REACH;
    return u32Result;
}

// A write of the address alone only sets where the next read starts: it
// goes with that read, as one transfer.
uint32_t u32SegmentWrite(stBenchOutput *pst, const uint8_t *pu8Bytes, uint32_t u32Count)
{
    stRealBus *pstReal = &pst->stReal;
    if (u32Count == 1u) {
        pstReal->u32Counter = pu8Bytes[0];
        return 0;
    }
    stMessages stMsgs = stSegmentMessages();
    vAddMessage(&stMsgs, DDC_EDID_ADDRESS, 0, const_cast<uint8_t *>(pu8Bytes), u32Count);
    uint32_t u32Result = u32Transfer(pst, "WriteI2CBuf", s32Rdwr, &stMsgs);
    if (!u32Result)
        pstReal->u32Counter = u32RealCounterAfterWrite(pu8Bytes[0], u32Count - 1u);
    return u32Result;
}

// --- SMBus ------------------------------------------------------------------

struct stSmbusRead {
    uint8_t *pu8Buf;
    uint32_t u32Count;
};

int s32SmbusReadByte(stBenchOutput *pst, void *pvContext)
{
    int32_t s32Value = pstDdcKernel()->pfnSmbusReadByte(pst->stReal.s32Fd);
    if (s32Value < 0)
        return s32Value;
    if (pvContext)
        *static_cast<uint8_t *>(pvContext) = (uint8_t)s32Value;
    pst->stReal.u32Counter++;
    return 0;
}

// From the address counter, in blocks of 32 bytes, each naming its
// address: SMBus has no read that goes on from where the last one ended.
int s32SmbusRead(stBenchOutput *pst, void *pvContext)
{
    stSmbusRead *pstRead = static_cast<stSmbusRead *>(pvContext);
    for (uint32_t u32Done = 0; u32Done < pstRead->u32Count;) {
        uint32_t u32Chunk = pstRead->u32Count - u32Done;
        if (u32Chunk > SMBUS_BLOCK_MAX)
            u32Chunk = SMBUS_BLOCK_MAX;
        int32_t s32Got = pstDdcKernel()->pfnSmbusReadBlock(
            pst->stReal.s32Fd, (uint8_t)pst->stReal.u32Counter, (uint8_t)u32Chunk,
            pstRead->pu8Buf + u32Done);
        if (s32Got < 0)
            return s32Got;
        if ((uint32_t)s32Got != u32Chunk)
            return -EIO;
        u32Done += u32Chunk;
        pst->stReal.u32Counter += u32Chunk;
    }
    return 0;
}

struct stSmbusWrite {
    const uint8_t *pu8Bytes;
    uint32_t u32Count;
};

int s32SmbusWrite(stBenchOutput *pst, void *pvContext)
{
    const stSmbusWrite *pstWrite = static_cast<const stSmbusWrite *>(pvContext);
    const stDdcKernel *pstKernel = pstDdcKernel();
    uint8_t u8Addr = pstWrite->pu8Bytes[0];
    uint32_t u32Data = pstWrite->u32Count - 1;
    int32_t s32Result = u32Data == 0
                            ? pstKernel->pfnSmbusWriteByte(pst->stReal.s32Fd, u8Addr)
                            : pstKernel->pfnSmbusWriteBlock(pst->stReal.s32Fd, u8Addr,
                                                            (uint8_t)u32Data, pstWrite->pu8Bytes + 1);
    if (s32Result < 0)
        return s32Result;
    pst->stReal.u32Counter = u32RealCounterAfterWrite(u8Addr, u32Data);
    return 0;
}

// --- Opening ------------------------------------------------------------------

// The adapter's functions decide how it is driven; SMBus needs the
// memory's address set once.
uint32_t u32SetUpAdapter(stBenchOutput *pst)
{
    stRealBus *pstReal = &pst->stReal;
    unsigned long functions = 0;
    const stDdcKernel *pstKernel = pstDdcKernel();
    if (pstKernel->pfnIoctl(pstReal->s32Fd, I2C_FUNCS, &functions) < 0) {
        vLogNote("bus: %s: %s is not an I2C adapter (%s)", pstReal->cLabel, pstReal->cDevice,
                 strerror(errno));
        return DDC_ERR_NO_ADAPTER;
    }
    const unsigned long smbusBlock = I2C_FUNC_SMBUS_READ_I2C_BLOCK | I2C_FUNC_SMBUS_WRITE_I2C_BLOCK |
                                        I2C_FUNC_SMBUS_READ_BYTE | I2C_FUNC_SMBUS_WRITE_BYTE;
    if (!(functions & I2C_FUNC_I2C) && (functions & smbusBlock) != smbusBlock) {
        vLogNote("bus: %s: %s offers neither I2C transfers nor SMBus block transfers (functions "
                 "0x%lX)", pstReal->cLabel, pstReal->cDevice, functions);
        return DDC_ERR_NO_ADAPTER;
    }
    pstReal->bSmbusOnly = !(functions & I2C_FUNC_I2C);
    uint32_t u32Claimed = u32Claim(pst);
    if (u32Claimed)
        return u32Claimed;
    if (pstReal->bSmbusOnly && pst->stMem.u32Addressing != DDC_ADDRESSING_BYTE)
        vLogNote("bus: %s on %s: its memory's bytes past 255 cannot be reached: %s; they "
                 "answer 0x%X", pstReal->cLabel, pstReal->cDevice,
                 pcRealReachWords(DDC_REACH_SMBUS_ONLY), DDC_ERR_CANNOT_REACH);
    bool bOwnTimeout = !pstReal->s32By || pstReal->s32By == REAL_BY_CONNECTOR;
    vLogNote("bus: %s on %s, %s; the bus clock %s the adapter's own", pstReal->cLabel,
             pstReal->cDevice, pstReal->bSmbusOnly ? "SMBus block transfers" : "I2C transfers",
             bOwnTimeout ? "and timeout stay" : "stays");
    return 0;
}

// At the start: the adapter looked up, opened to see what it offers, closed.
uint32_t u32StartReal(stBenchOutput *pst)
{
    stRealBus *pstReal = &pst->stReal;
    if (u32RealFind(pst))
        return DDC_ERR_NO_ADAPTER;
    int s32Fd = s32OpenNode(pstReal);
    if (s32Fd < 0) {
        int s32Errno = errno;
        if (s32Errno == ELOOP)
            return u32NotTheNode(pst, nullptr, "it is a symbolic link");
        uint32_t u32Code = s32Errno == EACCES || s32Errno == EPERM ? DDC_ERR_PERMISSION
                                                                   : DDC_ERR_NO_ADAPTER;
        vLogNote(u32Code == DDC_ERR_PERMISSION
                     ? "bus: %s: %s may not be opened (%s): log out and in once after "
                       "installing the tavolin package, whose udev rule gives the user at the "
                       "machine access; or join the i2c group of i2c-tools ('sudo adduser $USER "
                       "i2c') and log in again"
                     : "bus: %s: %s cannot be opened (%s): is the i2c-dev module loaded? 'sudo "
                       "modprobe i2c-dev'",
                 pstReal->cLabel, pstReal->cDevice, strerror(s32Errno));
        return u32Code;
    }
    pstReal->s32Fd = s32Fd;
    uint32_t u32Result = u32CheckNode(pst, s32Fd, nullptr);
    if (!u32Result)
        u32Result = u32SetUpAdapter(pst);
    vEndOperation(pstReal);
    return u32Result;
}

// The memory's second half answers at 0x51 where its addressing has one
// (the bus layer refuses it beforehand on an adapter that cannot reach it).
bool bEdidAddress(const stBenchOutput *pst, uint32_t u32Addr7)
{
    return u32Addr7 == DDC_EDID_ADDRESS ||
           (u32Addr7 == DDC_SECOND_HALF_ADDRESS &&
            pst->stMem.u32Addressing != DDC_ADDRESSING_BYTE);
}

} // namespace

uint32_t u32RealStartAll(void)
{
    uint32_t u32Real = 0, u32Denied = 0;
    vRealCloseAll();
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        stBenchOutput *pst = &gst_Bench.ast[i];
        if (!pst->stReal.bReal)
            continue;
        u32Real++;
        uint32_t u32Result = u32StartReal(pst);
        if (u32Result == DDC_ERR_PERMISSION)
            u32Denied++;
        pst->stReal.u32FindError = u32Result;
    }
    return u32Real > 0 && u32Denied == u32Real ? DDC_ERR_PERMISSION : 0;
}

void vRealCloseAll(void)
{
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        if (gst_Bench.ast[i].stReal.bReal)
            vEndOperation(&gst_Bench.ast[i].stReal);
    }
}

void vRealEnd(void) { vRealCloseAll(); }

const char *pcRealMachineBuses(void)
{
    return "DRM connectors with DDC adapters, driven through i2c-dev";
}

uint32_t u32RealInstallDriver(void)
{
    vBenchLoadIfNeeded();
    if (!bRealInBench() || bRealI2cDevPresent())
        return 0;
    const stDdcKernel *pstKernel = pstDdcKernel();
    if (pstKernel->pfnIsAdmin() && pstKernel->pfnLoadModule("i2c-dev") == 0 && bRealI2cDevPresent()) {
        vLogNote("bus: loaded the i2c-dev kernel module");
        return 0;
    }
    vLogNote("bus: the displays' DDC adapters need the i2c-dev kernel module, which is not "
             "loaded: run 'sudo modprobe i2c-dev', and add i2c-dev to /etc/modules-load.d/ to "
             "load it at boot");
    return DDC_ERR_NO_I2C_DEV;
}

uint32_t u32RealReachWhy(const stBenchOutput *pst)
{
    return pst->stReal.bSmbusOnly ? DDC_REACH_SMBUS_ONLY : 0u;
}

uint32_t u32RealProbe(stBenchOutput *pst, uint32_t u32Addr7)
{
    if (!bEdidAddress(pst, u32Addr7))
        return u32Finish(pst, DDC_ERR_NO_ACK, false);
    uint8_t u8Byte = 0;
    if (bSegmentHalf(pst, u32Addr7)) {
        stMessages stMsgs = stSegmentMessages();
        vAddMessage(&stMsgs, DDC_EDID_ADDRESS, I2C_M_RD, &u8Byte, 1);
        return u32Finish(pst, u32Transfer(pst, "TestAddr", s32Rdwr, &stMsgs), false);
    }
    if (pst->stReal.bSmbusOnly)
        return u32Finish(pst, u32Transfer(pst, "TestAddr", s32SmbusReadByte, &u8Byte), false);
    stMessages stMsgs = stMessage(u32Addr7, I2C_M_RD, &u8Byte, 1);
    return u32Finish(pst, u32Transfer(pst, "TestAddr", s32Rdwr, &stMsgs), false);
}

uint32_t u32RealRead(stBenchOutput *pst, uint32_t u32Addr7, uint8_t *pu8Buf, uint32_t u32Count,
                     uint32_t u32Flags)
{
    if ((u32Flags & DDC_READ_CONTINUE) && !pst->bReadOpen)
        return DDC_ERR_NO_OPEN_READ;
    if (!bEdidAddress(pst, u32Addr7))
        return u32Finish(pst, DDC_ERR_NO_ACK, false);
    uint32_t u32Result;
    if (bSegmentHalf(pst, u32Addr7)) {
        u32Result = u32SegmentRead(pst, "ReadI2CBuf", pu8Buf, u32Count);
        return u32Finish(pst, u32Result, (u32Flags & DDC_READ_KEEP_OPEN) != 0);
    }
    if (pst->stReal.bSmbusOnly && pst->stReal.u32Counter + u32Count > SMBUS_REACH) {
        vLogNote("bus: %s (%s): SMBus reaches only the first %u bytes; a read of %u from %u is "
                 "refused, 0x%X", pst->stReal.cLabel, pst->stReal.cDevice, SMBUS_REACH, u32Count,
                 pst->stReal.u32Counter, DDC_ERR_BAD_COUNT);
        return u32Finish(pst, DDC_ERR_BAD_COUNT, false);
    }
    if (pst->stReal.bSmbusOnly) {
        stSmbusRead stRead = {pu8Buf, u32Count};
        u32Result = u32Transfer(pst, "ReadI2CBuf", s32SmbusRead, &stRead);
    } else {
        stMessages stMsgs = stMessage(u32Addr7, I2C_M_RD, pu8Buf, u32Count);
        u32Result = u32Transfer(pst, "ReadI2CBuf", s32Rdwr, &stMsgs);
    }
    return u32Finish(pst, u32Result, (u32Flags & DDC_READ_KEEP_OPEN) != 0);
}

uint32_t u32RealWrite(stBenchOutput *pst, uint32_t u32Addr7, const uint8_t *pu8Bytes,
                      uint32_t u32Count)
{
    if (!bEdidAddress(pst, u32Addr7))
        return u32Finish(pst, DDC_ERR_NO_ACK, false);
    uint32_t u32Result;
    if (bSegmentHalf(pst, u32Addr7)) {
        u32Result = u32SegmentWrite(pst, pu8Bytes, u32Count);
    } else if (pst->stReal.bSmbusOnly) {
        if (u32Count - 1u > SMBUS_BLOCK_MAX)
            return u32Finish(pst, DDC_ERR_BAD_COUNT, false);
        stSmbusWrite stWrite = {pu8Bytes, u32Count};
        u32Result = u32Transfer(pst, "WriteI2CBuf", s32SmbusWrite, &stWrite);
    } else {
        stMessages stMsgs = stMessage(u32Addr7, 0, const_cast<uint8_t *>(pu8Bytes), u32Count);
        u32Result = u32Transfer(pst, "WriteI2CBuf", s32Rdwr, &stMsgs);
    }
    return u32Finish(pst, u32Result, false);
}

uint32_t u32RealReadEdid(stBenchOutput *pst, uint8_t *pu8Block)
{
    uint32_t u32Result;
    if (pst->stReal.bSmbusOnly) {
        pst->stReal.u32Counter = 0;
        stSmbusRead stRead = {pu8Block, EDID_BLOCK_SIZE};
        u32Result = u32Transfer(pst, "ReadEDID", s32SmbusRead, &stRead);
    } else {
        uint8_t u8Zero = 0;
        stMessages stMsgs = stMessage(DDC_EDID_ADDRESS, 0, &u8Zero, 1);
        stMsgs.ast[1] = {(uint16_t)DDC_EDID_ADDRESS, I2C_M_RD, (uint16_t)EDID_BLOCK_SIZE, pu8Block};
        stMsgs.u32Count = 2;
        u32Result = u32Transfer(pst, "ReadEDID", s32Rdwr, &stMsgs);
    }
    if (u32Finish(pst, u32Result, false))
        return u32Result;
    return bEdidBlockValid(pu8Block) ? 0 : DDC_ERR_INVALID_EDID;
}
