#include "device/edid_write.h"

#include "device/device_command.h"
#include "device/edid_bus.h"
#include "device/edid_receive.h"
#include "device/monitor_detect.h"
#include "files/edid_image.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"

#include <stdio.h>
#include <string.h>

#define ERASE_TEXT "Erasing EDID ..."
#define PROGRAM_TEXT "Programming EDID ..."
#define VERIFY_TEXT "Verifying EDID ..."
#define ERASE_AMOUNT 2048      // bytes: the 256 addresses eight times over
#define ERASE_FAST_AMOUNT EDID_WRITABLE_SIZE  // bytes: each address once
#define ERASE_FILL 0xFF
#define PACKET_DATA 8          // data bytes in one write packet

namespace {

struct stWriteJob {
    uint32_t u32Handle;
    const uint8_t *pu8Source;  // null: the erase fill
    int32_t s32Amount;         // a multiple of 128
    const char *pcProgressText;
    const char *pcFailLine;    // one %X for the library result
    const char *pcRetryLine;
    bool bPrintsData;
    bool bHalves;              // a two-block or segment memory: 512 bytes in two halves
};

// The job's bus address for the packet at s32Offset: a one-byte memory
// takes every packet at 0x50, its addresses wrapping every 256 bytes.
uint32_t u32PacketAddress(const stWriteJob *pstJob, int32_t s32Offset)
{
    return pstJob->bHalves ? u32HalfAddress(s32Offset % (2 * EDID_WRITABLE_SIZE)) : EDID_BUS_ADDR;
}

void vBuildPacket(const stWriteJob *pstJob, int32_t s32Offset, uint8_t *pu8Packet)
{
    pu8Packet[0] = (uint8_t)(s32Offset % 256);
    if (pstJob->pu8Source)
        memcpy(pu8Packet + 1, pstJob->pu8Source + s32Offset, PACKET_DATA);
    else
        memset(pu8Packet + 1, ERASE_FILL, PACKET_DATA);
}

int32_t s32WritePackets(const stWriteJob *pstJob)
{
    stPacer stPacer;
    vPacerStart(&stPacer);
    for (int32_t s32Offset = 0; s32Offset < pstJob->s32Amount; s32Offset += PACKET_DATA) {
        vProgressStep(&stPacer, pstJob->pcProgressText, s32Offset * 100 / pstJob->s32Amount);
        uint8_t u8Packet[1 + PACKET_DATA];
        vBuildPacket(pstJob, s32Offset, u8Packet);
        vPace(&stPacer, WRITE_PAUSE_MS);
        uint32_t u32Result = WriteI2CBuf(pstJob->u32Handle, u32PacketAddress(pstJob, s32Offset),
                                         u8Packet, sizeof(u8Packet), 0);
        if (bIsDdcError(u32Result)) {
            vPrintMsg(pstJob->pcFailLine, u32Result);
            vPrintMsg("%s", pstJob->pcRetryLine);
            return 0;
        }
        if (pstJob->bPrintsData && s32ShowDataOn() == 1) {
            for (int32_t k = 0; k < PACKET_DATA; k++)
                vPrintDataByte(pstJob->pu8Source[s32Offset + k], (uint32_t)(s32Offset + k));
        }
        vPumpEvents();
    }
    return 1;
}

int32_t s32AmountOf(const uint8_t *pu8Edid)
{
    return (pu8Edid[EDID_EXT_COUNT] + 1) * EDID_BLOCK_SIZE;
}

int32_t s32ProgramFrom(uint32_t u32Handle, const uint8_t *pu8Source, int32_t s32Amount,
                       const char *pcMonitorId)
{
    if (s32ShowDataOn() == 1)
        vPrintDataBlockHead("    Displaying Programming Data\n>", pcMonitorId, s32Amount);
    stWriteJob stJob = {u32Handle,
                        pu8Source,
                        s32Amount,
                        PROGRAM_TEXT,
                        " - Programming EDID fail, Error Code = 0x%X \n>",
                        " - Try \"Program\" again ...\n>",
                        true,
                        s32Amount > EDID_WRITABLE_SIZE};
    return s32WritePackets(&stJob);
}

// The selected display and the job's copy of the package image for it;
// false after a line.
bool bPackageTarget(int32_t *ps32Index, stPkgJobImage *pstImage)
{
    *ps32Index = s32SelectedMonitor();
    return *ps32Index >= 0 && bSelectedPkgImage(pstImage);
}

// Packets carry one-byte addresses: on a one-byte memory a longer image
// would wrap onto the memory's first block; a two-block or segment memory
// takes 512 bytes, where its bus can reach them. Refused before any write,
// after a line.
bool bWithinAddresses(uint32_t u32Handle, const char *pcWhat, int32_t s32Amount)
{
    if (s32Amount <= EDID_WRITABLE_SIZE)
        return true;
    int32_t s32Reach = s32ReachableBytes(u32MemoryAddressing(u32Handle));
    if (s32Amount <= s32Reach)
        return bBusReachesMemory(u32Handle);
    vPrintMsg(" - %s has %d bytes; only the first %d bytes of the display's memory can be "
              "written\n>",
              pcWhat, s32Amount, s32Reach);
    return false;
}

bool bProgramTarget(int32_t *ps32Index, stPkgJobImage *pstImage)
{
    if (!bPackageTarget(ps32Index, pstImage))
        return false;
    char cWhat[64];
    snprintf(cWhat, sizeof(cWhat), "The EDID of port %s", pstImage->cPort);
    return bWithinAddresses(gst_MonitorInfo[*ps32Index].u32DisplayHandle, cWhat,
                            pstImage->s32Amount);
}

bool bVerifyTarget(int32_t *ps32Index, stPkgJobImage *pstImage)
{
    if (!bPackageTarget(ps32Index, pstImage))
        return false;
    if (pstImage->s32Amount <= MONITOR_EDID_SIZE)
        return true;
    vPrintMsg(" - The package EDID has %d bytes, more than the %d bytes read from the "
              "display\n>",
              pstImage->s32Amount, MONITOR_EDID_SIZE);
    return false;
}

bool bProgramReady(void)
{
    int32_t s32Index = -1;
    stPkgJobImage stImage;
    return bProgramTarget(&s32Index, &stImage);
}

bool bVerifyReady(void)
{
    int32_t s32Index = -1;
    stPkgJobImage stImage;
    return bVerifyTarget(&s32Index, &stImage);
}

const stDeviceCommand gst_EraseCommand = {"Erasing device's EDID..\n>", ERASE_TEXT, ERASE_TEXT,
                                          nullptr, s32EraseEdid, nullptr};
const stDeviceCommand gst_ProgramCommand = {"Programming device's EDID ...\n>", PROGRAM_TEXT,
                                            PROGRAM_TEXT, bPkgCheck, s32ProgramEdid,
                                            bProgramReady};
const stDeviceCommand gst_ProgramByPageCommand = {"Programming EDID  By Number of Page ...\n>",
                                                  PROGRAM_TEXT, PROGRAM_TEXT, nullptr,
                                                  s32ProgramEdidByPage, nullptr};
const stDeviceCommand gst_VerifyCommand = {"Verifying device's EDID ...\n>", VERIFY_TEXT,
                                           "Verifying EDID ..", bPkgCheck, s32VerifyEdid,
                                           bVerifyReady};

} // namespace

int32_t s32EraseEdid(int32_t)
{
    int32_t s32Index = s32SelectedMonitor();
    if (s32Index < 0)
        return 0;
    const stMonitorInfo *pstRec = &gst_MonitorInfo[s32Index];
    bool bHalves = u32MemoryAddressing(pstRec->u32DisplayHandle) != DDC_ADDRESSING_BYTE;
    if (bHalves && !bBusReachesMemory(pstRec->u32DisplayHandle))
        return 0;
    // Paced, the memory is filled over and over; fast writes are
    // acknowledged, so once is enough.
    int32_t s32Amount = !gs32_FastWrites ? ERASE_AMOUNT
                        : bHalves        ? 2 * ERASE_FAST_AMOUNT
                                         : ERASE_FAST_AMOUNT;
    if (s32ShowDataOn() == 1)
        vPrintDataBlockHead("    Erasing  EDID\n>", pstRec->u8str_MonitorId, s32Amount);
    stWriteJob stJob = {pstRec->u32DisplayHandle,
                        nullptr,
                        s32Amount,
                        ERASE_TEXT,
                        " - Erasing EDID fail, Error Code = 0x%X \n>",
                        " - Try \"Erase\" again ...\n>",
                        false,
                        bHalves};
    return s32WritePackets(&stJob);
}

int32_t s32ProgramEdid(int32_t)
{
    int32_t s32Index = -1;
    stPkgJobImage stImage;
    if (!bProgramTarget(&s32Index, &stImage))
        return 0;
    const stMonitorInfo *pstRec = &gst_MonitorInfo[s32Index];
    return s32ProgramFrom(pstRec->u32DisplayHandle, stImage.pu8Image, stImage.s32Amount,
                          pstRec->u8str_MonitorId);
}

int32_t s32ProgramEdidByPage(int32_t)
{
    int32_t s32Index = s32SelectedMonitor();
    if (s32Index < 0)
        return 0;
    if (!bReceivedCopyReady(s32Index))
        return 0;
    const stReceivedEdid *pstCopy = &gst_ReceivedEdid[s32Index];
    int32_t s32Amount = s32AmountOf(pstCopy->u8EdidBuf);
    if (s32Amount > RECEIVED_EDID_SIZE) {
        vPrintMsg(" - The received EDID declares %d bytes, more than the %d bytes held\n>",
                  s32Amount, RECEIVED_EDID_SIZE);
        return 0;
    }
    if (!bWithinAddresses(gst_MonitorInfo[s32Index].u32DisplayHandle, "The received EDID",
                          s32Amount))
        return 0;
    return s32ProgramFrom(gst_MonitorInfo[s32Index].u32DisplayHandle, pstCopy->u8EdidBuf,
                          s32Amount, pstCopy->u8str_MonitorId);
}

int32_t s32VerifyEdid(int32_t)
{
    int32_t s32Index = -1;
    stPkgJobImage stImage;
    if (!bVerifyTarget(&s32Index, &stImage))
        return 0;
    int32_t s32Amount = stImage.s32Amount;
    // A failed read leaves cleared blocks that an image could match.
    if (gst_MonitorInfo[s32Index].u8Complete != 1) {
        vPrintMsg(" - The display's EDID could not be read back, so it cannot be verified\n>");
        return 0;
    }
    const uint8_t *pu8Display = gst_MonitorInfo[s32Index].u8EdidBuf;
    for (int32_t i = 0; i < s32Amount; i++) {
        if (pu8Display[i] != stImage.pu8Image[i]) {
            vPrintMsg(" - Verifying fail, index: %d \n>", i);
            return 0;
        }
        vPumpEvents();
    }
    return 1;
}

int32_t s32EraseAction(void) { return s32RunDeviceCommand(&gst_EraseCommand); }

int32_t s32ProgramAction(void) { return s32RunDeviceCommand(&gst_ProgramCommand); }

int32_t s32ProgramByPageAction(void) { return s32RunDeviceCommand(&gst_ProgramByPageCommand); }

int32_t s32VerifyAction(void) { return s32RunDeviceCommand(&gst_VerifyCommand); }

bool bEraseCommandReady(void) { return bDeviceCommandReady(&gst_EraseCommand); }

bool bProgramCommandReady(void) { return bDeviceCommandReady(&gst_ProgramCommand); }

bool bVerifyCommandReady(void) { return bDeviceCommandReady(&gst_VerifyCommand); }
