// The bench description parser of the bus library
// (platform/ddc/ddc_bench_file.cpp): the input is written as the
// description file and read by s32BenchReadDescription with the library log
// open, as the library reads it at start; image files it may name lie beside
// it (made at start-up here, under the names the seeds use). The bench it
// builds is then started and every output read as the program reads a
// display: enumeration, TestAddr, ReadEDID, the identifier and a chained
// read of the whole memory. No real adapter is ever reached: the kernel seam
// is the library's "no kernel", and the clock is the virtual one.
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench.h"
#include "platform/ddc/ddc_bench_file.h"
#include "platform/ddc/ddc_bench_test.h"
#include "platform/ddc/ddc_kernel.h"
#include "tests/fuzz/fuzz_common.h"

#include <string.h>
#include <sys/stat.h>

#include <memory>
#include <string>

namespace {

std::string gs_Description;
std::string gs_Log;

// Bytes that look like an EDID (header, maker, product, byte 126, sums).
std::vector<uint8_t> lstImage(uint32_t u32Len, uint8_t u8Seed)
{
    std::vector<uint8_t> image(u32Len);
    for (uint32_t i = 0; i < u32Len; i++)
        image[i] = (uint8_t)(i * 7 + u8Seed);
    if (u32Len >= 128) {
        const uint8_t u8Header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        memcpy(image.data(), u8Header, 8);
        image[126] = (uint8_t)(u32Len / 128 - 1);
        for (uint32_t b = 0; b + 128 <= u32Len; b += 128) {
            uint8_t u8Sum = 0;
            for (uint32_t k = 0; k < 127; k++)
                u8Sum = (uint8_t)(u8Sum + image[b + k]);
            image[b + 127] = (uint8_t)(0x100 - u8Sum);
        }
    }
    return image;
}

void vMakeImages(void)
{
    struct stFile {
        const char *pcName;
        uint32_t u32Len;
    };
    const stFile stFiles[] = {
        {"a.bin", 128},           {"b.bin", 256},          {"c.bin", 384},
        {"d.bin", 1024},          {"e.bin", 2048},         {"pattern256.bin", 256},
        {"pattern384.bin", 384},  {"odd100.bin", 100},     {"big.bin", 2049},
        {"empty.bin", 0},
    };
    uint8_t u8Seed = 1;
    for (const stFile &st : stFiles)
        fuzz::vWriteFile(fuzz::strTempFile(st.pcName), lstImage(st.u32Len, u8Seed++));
    mkdir(fuzz::strTempFile("folder.bin").c_str(), 0755);
    mkfifo(fuzz::strTempFile("fifo.bin").c_str(), 0644);
}

// A display read as the program reads it; the results only have to come
// without a crash, a hang or a sanitizer report.
void vReadOutput(uint32_t u32Handle)
{
    TestAddr(u32Handle, 0x50);
    std::unique_ptr<uint8_t[]> pu8Block(new uint8_t[128]);
    ReadEDID(u32Handle, pu8Block.get());
    std::unique_ptr<char[]> pcId(new char[16]);
    GetEDIDOption(pu8Block.get(), 1, pcId.get(), 16);
    std::unique_ptr<uint8_t[]> pu8Mem(new uint8_t[EEPROM_MAX_SIZE]);
    if (ReadI2CBuf(u32Handle, 0x50, pu8Mem.get(), 128, DDC_READ_KEEP_OPEN) == 0) {
        for (uint32_t b = 1; b < EEPROM_MAX_SIZE / 128; b++) {
            uint32_t u32Flags = b + 1 < EEPROM_MAX_SIZE / 128
                                    ? DDC_READ_CONTINUE | DDC_READ_KEEP_OPEN
                                    : DDC_READ_CONTINUE;
            if (ReadI2CBuf(u32Handle, 0x50, pu8Mem.get() + b * 128, 128, u32Flags) != 0)
                break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    vClockUseVirtual(1);
    gs_Description = fuzz::strTempFile("bench.txt");
    gs_Log = fuzz::strTempFile("ddc.log");
    vMakeImages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    vDdcBenchReset();
    vDdcUseNoKernel();
    fuzz::vWriteFile(gs_Description, pu8Data, size);
    EnableLog(gs_Log.c_str(), 1);

    char cWhy[BENCH_PATH_SIZE + 128u] = "";
    int32_t s32Outputs = s32BenchReadDescription(gs_Description.c_str(), cWhy, sizeof(cWhy));
    FUZZ_CHECK(s32Outputs >= 0);
    FUZZ_CHECK((uint32_t)s32Outputs == gst_Bench.u32Outputs);
    FUZZ_CHECK(gst_Bench.u32Outputs <= BENCH_MAX_OUTPUTS);
    FUZZ_CHECK(gst_Bench.cStatePath[0] == '\0');
    for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++) {
        const stBenchOutput *pst = &gst_Bench.ast[i];
        if (pst->bHasDisplay)
            FUZZ_CHECK(bEepromSizeValid(pst->stMem.u32Size));
        FUZZ_CHECK(!(pst->bHasDisplay && pst->stReal.bReal));
        FUZZ_CHECK(strnlen(pst->stReal.cDevice, REAL_DEVICE_SIZE) < REAL_DEVICE_SIZE);
        FUZZ_CHECK(strnlen(pst->stReal.cLabel, REAL_LABEL_SIZE) < REAL_LABEL_SIZE);
    }

    if (InitDDCHelper() == 0) {
        uint32_t u32Handle = 0;
        for (uint32_t u32Result = EnumGetFirst(&u32Handle); u32Result == 0;
             u32Result = EnumGetNext(&u32Handle))
            FUZZ_CHECK(u32Handle >= 0x1000u && u32Handle < 0x1000u + gst_Bench.u32Outputs);
        for (uint32_t i = 0; i < gst_Bench.u32Outputs; i++)
            vReadOutput(DDC_BENCH_HANDLE(i));
        DeinitDDCHelper();
    }
    // Every call as the log writes it.
    char cLine[8192];
    for (uint32_t i = 0; i < u32DdcBenchLogCount(); i++)
        u32DdcBenchLogFormat(i, cLine, sizeof(cLine));
    DisableLog();
    return 0;
}
