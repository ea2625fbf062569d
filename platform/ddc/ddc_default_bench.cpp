#include "ddc_default_bench.h"

#include <string.h>

#include "ddc_bench.h"

// The EDIDs are made up for the bench: maker "TVL", product 0x2701 (digital)
// and 0x1301 (analog), common timings, valid checksums.
namespace {

const uint8_t gu8_Header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
const uint8_t gu8_Chroma[10] = {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54};
// 1920x1080 at 60 Hz (148.5 MHz) and 1280x720 at 60 Hz (74.25 MHz), 531x299 mm.
const uint8_t gu8_Dtd1080[18] = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58,
                                 0x2C, 0x45, 0x00, 0x13, 0x2B, 0x21, 0x00, 0x00, 0x1E};
const uint8_t gu8_Dtd720[18] = {0x01, 0x1D, 0x00, 0x72, 0x51, 0xD0, 0x1E, 0x20, 0x6E,
                                0x28, 0x55, 0x00, 0x13, 0x2B, 0x21, 0x00, 0x00, 0x1E};
// 1280x1024 at 60 Hz (108 MHz), 338x270 mm.
const uint8_t gu8_Dtd1024[18] = {0x30, 0x2A, 0x00, 0x98, 0x51, 0x00, 0x2A, 0x40, 0x30,
                                 0x70, 0x13, 0x00, 0x52, 0x0E, 0x11, 0x00, 0x00, 0x1E};
// CTA data blocks: video (VIC 16 native, 4, 3, 1), audio (2-channel LPCM),
// speaker allocation, HDMI vendor block at physical address 1.0.0.0.
const uint8_t gu8_CtaBlocks[19] = {0x44, 0x90, 0x04, 0x03, 0x01, 0x23, 0x09, 0x07, 0x07, 0x83,
                                   0x01, 0x00, 0x00, 0x65, 0x03, 0x0C, 0x00, 0x10, 0x00};

void vSetChecksum(uint8_t *pu8Block)
{
    uint8_t u8Sum = 0;
    for (int i = 0; i < 127; i++)
        u8Sum = (uint8_t)(u8Sum + pu8Block[i]);
    pu8Block[127] = (uint8_t)(0x100 - u8Sum);
}

// Display descriptor with up to 13 characters, ended by 0x0A and padded.
void vPutTextDescriptor(uint8_t *pu8, uint8_t u8Tag, const char *pcText)
{
    memset(pu8, 0, 5);
    pu8[3] = u8Tag;
    size_t len = strlen(pcText);
    for (size_t i = 0; i < 13; i++)
        pu8[5 + i] = i < len ? (uint8_t)pcText[i] : (i == len ? 0x0A : 0x20);
}

void vPutRangeLimits(uint8_t *pu8, uint8_t u8MaxKhz, uint8_t u8MaxClock10Mhz)
{
    const uint8_t u8Range[18] = {0x00, 0x00, 0x00, 0xFD, 0x00, 56, 76, 30, u8MaxKhz,
                                 u8MaxClock10Mhz, 0x00, 0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    memcpy(pu8, u8Range, sizeof(u8Range));
}

// Bytes 0 to 35 common to both: header, maker, product, serial, date, version.
void vPutBaseHead(uint8_t *pu8, uint8_t u8ProductHi, uint8_t u8Minor)
{
    memcpy(pu8, gu8_Header, 8);
    pu8[8] = 0x52; // "TVL": 10100 10110 01100
    pu8[9] = 0xCC;
    pu8[10] = 0x01;
    pu8[11] = u8ProductHi;
    pu8[12] = u8ProductHi; // serial number, low byte
    pu8[16] = 12;  // week
    pu8[17] = 33;  // 2023
    pu8[18] = 1;
    pu8[19] = u8Minor;
    pu8[23] = 0x78; // gamma 2.2
    memcpy(pu8 + 25, gu8_Chroma, sizeof(gu8_Chroma));
    pu8[35] = 0x21; // 640x480 and 800x600 at 60 Hz
    pu8[36] = 0x08; // 1024x768 at 60 Hz
    for (int i = 38; i < 54; i++)
        pu8[i] = 0x01;
}

void vBuildDigital(uint8_t *pu8)
{
    memset(pu8, 0, 256);
    vPutBaseHead(pu8, 0x27, 4);
    pu8[20] = 0xA2; // digital, 8 bits per colour, HDMI
    pu8[21] = 53;
    pu8[22] = 30;
    pu8[24] = 0x2A;
    const uint8_t u8Std[6] = {0x81, 0x80, 0xD1, 0xC0, 0xB3, 0x00};
    memcpy(pu8 + 38, u8Std, sizeof(u8Std));
    memcpy(pu8 + 54, gu8_Dtd1080, 18);
    vPutRangeLimits(pu8 + 72, 83, 17);
    vPutTextDescriptor(pu8 + 90, 0xFC, "Bench Digital");
    vPutTextDescriptor(pu8 + 108, 0xFF, "TB0000001");
    pu8[126] = 1;
    vSetChecksum(pu8);

    uint8_t *pu8Cta = pu8 + 128;
    pu8Cta[0] = 0x02;
    pu8Cta[1] = 0x03;
    pu8Cta[2] = (uint8_t)(4 + sizeof(gu8_CtaBlocks));
    pu8Cta[3] = 0x71; // basic audio, YCbCr 4:4:4 and 4:2:2, one native timing
    memcpy(pu8Cta + 4, gu8_CtaBlocks, sizeof(gu8_CtaBlocks));
    memcpy(pu8Cta + pu8Cta[2], gu8_Dtd720, 18);
    vSetChecksum(pu8Cta);
}

void vBuildAnalog(uint8_t *pu8)
{
    memset(pu8, 0, 128);
    vPutBaseHead(pu8, 0x13, 3);
    pu8[20] = 0x0E; // analog, separate and composite sync, sync on green
    pu8[21] = 34;
    pu8[22] = 27;
    pu8[24] = 0xEA;
    const uint8_t u8Std[6] = {0x81, 0x80, 0x81, 0x40, 0x71, 0x4F};
    memcpy(pu8 + 38, u8Std, sizeof(u8Std));
    memcpy(pu8 + 54, gu8_Dtd1024, 18);
    vPutRangeLimits(pu8 + 72, 81, 14);
    vPutTextDescriptor(pu8 + 90, 0xFC, "Bench Analog");
    vPutTextDescriptor(pu8 + 108, 0xFF, "TB0000002");
    vSetChecksum(pu8);
}

} // namespace

void vBenchUseDefault(void)
{
    uint8_t u8Digital[256], u8Analog[128];
    vBuildDigital(u8Digital);
    vBuildAnalog(u8Analog);
    vBenchClear();
    bBenchAttachDisplay((uint32_t)s32BenchAddOutput(), u8Digital, sizeof(u8Digital), 256);
    bBenchAttachDisplay((uint32_t)s32BenchAddOutput(), u8Analog, sizeof(u8Analog), 256);
    bBenchAttachDisplay((uint32_t)s32BenchAddOutput(), nullptr, 0, 256);
    s32BenchAddOutput();
}
