// Run inside a virtual machine with Debian's kernel, i2c-dev and i2c-stub
// (an SMBus-only adapter with a 256-byte memory at 0x50): the bus library,
// linked in statically, drives the adapter the description names as the
// program does, and every byte is checked.
//   ddc_kernel_check /dev/i2c-N "ADAPTER NAME"
// The adapter is named by its name, as a bench description names a USB
// bridge; the device is only printed. i2c-stub is no display's bus (its
// name begins "SMBus", no PCI device above it): named alone it is refused,
// and only the description's unsafe key lets it through.
// Prints one line per step and "ddc_kernel_check: PASS" or "... FAIL: why";
// exit code 0 or 1.
#include "platform/ddc/DDCHelper.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

uint8_t gu8_Image[256];

bool bFail(const char *pcWhat, uint32_t u32Result)
{
    printf("ddc_kernel_check: FAIL: %s = 0x%X\n", pcWhat, u32Result);
    return false;
}

// A valid two-block EDID whose bytes all differ from the erased 0xFF.
void vMakeImage(void)
{
    const uint8_t au8Header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    for (uint32_t i = 0; i < 256; i++)
        gu8_Image[i] = (uint8_t)(i * 3 + 1);
    memcpy(gu8_Image, au8Header, sizeof(au8Header));
    gu8_Image[126] = 1;
    for (uint32_t b = 0; b < 2; b++) {
        uint32_t u32Sum = 0;
        for (uint32_t k = 0; k < 127; k++)
            u32Sum += gu8_Image[b * 128 + k];
        gu8_Image[b * 128 + 127] = (uint8_t)(0x100 - (u32Sum & 0xFF));
    }
}

// Nine-byte packets as the program writes them.
bool bWriteAll(uint32_t u32Handle, const uint8_t *pu8Bytes, const char *pcWhat)
{
    for (uint32_t u32At = 0; u32At < 256; u32At += 8) {
        uint8_t au8Packet[9] = {(uint8_t)u32At};
        memcpy(au8Packet + 1, pu8Bytes + u32At, 8);
        uint32_t u32Result = WriteI2CBuf(u32Handle, 0x50, au8Packet, 9, 0);
        if (u32Result)
            return bFail(pcWhat, u32Result);
    }
    printf("ddc_kernel_check: %s: 32 packets written\n", pcWhat);
    return true;
}

// Address 0, block 0, then block 1 chained, as the receive does.
bool bReadBack(uint32_t u32Handle, uint8_t *pu8Out)
{
    const uint8_t u8Zero = 0;
    uint32_t u32Result = WriteI2CBuf(u32Handle, 0x50, &u8Zero, 1, 0);
    if (!u32Result)
        u32Result = ReadI2CBuf(u32Handle, 0x50, pu8Out, 128, 0x100);
    if (!u32Result)
        u32Result = ReadI2CBuf(u32Handle, 0x50, pu8Out + 128, 128, 0x1000);
    return u32Result ? bFail("reading back", u32Result) : true;
}

bool bSame(const uint8_t *pu8A, const uint8_t *pu8B, const char *pcWhat)
{
    for (uint32_t i = 0; i < 256; i++) {
        if (pu8A[i] != pu8B[i]) {
            printf("ddc_kernel_check: FAIL: %s: byte %u is 0x%02X, not 0x%02X\n", pcWhat, i, pu8A[i],
                   pu8B[i]);
            return false;
        }
    }
    printf("ddc_kernel_check: %s: 256 bytes read back equal\n", pcWhat);
    return true;
}

// Output 0 names the stub alone, output 1 allows it.
bool bStart(const char *pcAdapter, uint32_t *pu32Handle)
{
    FILE *pFile = fopen("/tmp/bench.txt", "w");
    if (!pFile)
        return bFail("writing the description", 0);
    fprintf(pFile, "[output]\nadapter_name = %s\n[output]\nadapter_name = %s\n"
                   "unsafe_non_display_bus = yes\n", pcAdapter, pcAdapter);
    fclose(pFile);
    setenv("DDCHELPER_BENCH", "/tmp/bench.txt", 1);
    EnableLog("/tmp/ddc.log", 1);
    uint32_t u32Result = InstallDriver(nullptr, 1);
    if (!u32Result)
        u32Result = InitDDCHelper();
    if (!u32Result)
        u32Result = EnumGetFirst(pu32Handle);
    if (u32Result)
        return bFail("starting", u32Result);
    u32Result = TestAddr(*pu32Handle, 0x50);
    if (u32Result != DDC_ERR_NO_ADAPTER)
        return bFail("TestAddr of the stub named without the unsafe key", u32Result);
    printf("ddc_kernel_check: named alone, \"%s\" is refused\n", pcAdapter);
    uint32_t u32Flags = 0;
    u32Result = EnumGetNext(pu32Handle);
    if (!u32Result)
        u32Result = TestAddr(*pu32Handle, 0x50);
    if (!u32Result)
        u32Result = GetOutputInfo(*pu32Handle, DDC_INFO_FLAGS, &u32Flags);
    if (u32Result)
        return bFail("detecting", u32Result);
    if (u32Flags != (DDC_OUTPUT_NON_DISPLAY_BUS | DDC_OUTPUT_REAL_ADAPTER))
        return bFail("the output's flags", u32Flags);
    printf("ddc_kernel_check: allowed, detected the adapter \"%s\" as 0x%X, flagged as no "
           "display's bus\n", pcAdapter, *pu32Handle);
    return true;
}

bool bRun(const char *pcAdapter)
{
    uint32_t u32Handle = 0;
    uint8_t au8Read[256], au8Blank[256], au8Block[128];
    vMakeImage();
    memset(au8Blank, 0xFF, sizeof(au8Blank));
    if (!bStart(pcAdapter, &u32Handle) || !bWriteAll(u32Handle, au8Blank, "erase") ||
        !bReadBack(u32Handle, au8Read) || !bSame(au8Read, au8Blank, "erase"))
        return false;
    uint32_t u32Result = ReadEDID(u32Handle, au8Block);
    if (u32Result != DDC_ERR_INVALID_EDID)
        return bFail("ReadEDID of the erased memory", u32Result);
    if (!bWriteAll(u32Handle, gu8_Image, "program") || !bReadBack(u32Handle, au8Read) ||
        !bSame(au8Read, gu8_Image, "verify"))
        return false;
    u32Result = ReadEDID(u32Handle, au8Block);
    if (u32Result || memcmp(au8Block, gu8_Image, 128) != 0)
        return bFail("ReadEDID of the programmed memory", u32Result);
    char cId[16];
    GetEDIDOption(au8Block, 1, cId, sizeof(cId));
    printf("ddc_kernel_check: ReadEDID gives a valid block, identifier %s\n", cId);
    DeinitDDCHelper();
    return true;
}

void vPrintLog(void)
{
    DisableLog();
    FILE *pFile = fopen("/tmp/ddc.log", "r");
    char cLine[512];
    while (pFile && fgets(cLine, sizeof(cLine), pFile)) {
        if (strstr(cLine, "bench:") || strstr(cLine, "bus:"))
            printf("ddc_kernel_check: log: %s", strstr(cLine, "b"));
    }
    if (pFile)
        fclose(pFile);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        fprintf(stderr, "usage: ddc_kernel_check /dev/i2c-N \"ADAPTER NAME\"\n");
        return 2;
    }
    printf("ddc_kernel_check: %s is \"%s\"\n", argv[1], argv[2]);
    bool bPassed = bRun(argv[2]);
    vPrintLog();
    printf("ddc_kernel_check: %s\n", bPassed ? "PASS" : "FAIL");
    return bPassed ? 0 : 1;
}
