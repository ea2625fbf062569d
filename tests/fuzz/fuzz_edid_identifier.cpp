// The EDID identifier of the bus library: GetEDIDOption
// (platform/ddc/ddc_api_edid.cpp) over vEdidIdentifier (ddc_edid.cpp), and
// the block check bEdidBlockValid. The input's first 128 bytes are the EDID
// base block, in a heap buffer of exactly 128 bytes (zeros after a short
// input), as the program passes a received block; the bytes after them, when
// there are any, choose the option and the text size the caller claims. The
// text buffer is the program's 16 bytes whatever size is claimed, so a
// write past 16 bytes is reported.
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench_test.h"
#include "platform/ddc/ddc_edid.h"
#include "tests/fuzz/fuzz_common.h"

#include <ctype.h>
#include <string.h>

#include <memory>

namespace {

void vCheckIdentifier(const uint8_t *pu8Block, const char *pcText)
{
    // Three letters or '0', then the product code in four upper-case digits.
    FUZZ_CHECK(strnlen(pcText, EDID_ID_SIZE) == 7);
    for (int i = 0; i < 3; i++)
        FUZZ_CHECK((pcText[i] >= 'A' && pcText[i] <= 'Z') || pcText[i] == EDID_ID_FALLBACK);
    char cCode[8];
    snprintf(cCode, sizeof(cCode), "%04X", (unsigned)(pu8Block[10] | pu8Block[11] << 8));
    FUZZ_CHECK(strcmp(pcText + 3, cCode) == 0);
    for (int i = 0; i < 7; i++)
        FUZZ_CHECK(isalnum((unsigned char)pcText[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    vDdcBenchLogClear();
    std::unique_ptr<uint8_t[]> pu8Block(new uint8_t[EDID_BLOCK_SIZE]);
    memset(pu8Block.get(), 0, EDID_BLOCK_SIZE);
    memcpy(pu8Block.get(), pu8Data, size < EDID_BLOCK_SIZE ? size : EDID_BLOCK_SIZE);

    std::unique_ptr<char[]> pcText(new char[EDID_ID_SIZE]);
    memset(pcText.get(), 'x', EDID_ID_SIZE);
    FUZZ_CHECK(GetEDIDOption(pu8Block.get(), 1, pcText.get(), EDID_ID_SIZE) == 0);
    vCheckIdentifier(pu8Block.get(), pcText.get());

    // The option and size a caller claims, from the bytes after the block.
    uint32_t u32Option = 1, u32Size = EDID_ID_SIZE;
    if (size >= EDID_BLOCK_SIZE + 1)
        u32Option = pu8Data[EDID_BLOCK_SIZE] & 3;
    if (size >= EDID_BLOCK_SIZE + 3)
        u32Size = (uint32_t)pu8Data[EDID_BLOCK_SIZE + 1] | (uint32_t)pu8Data[EDID_BLOCK_SIZE + 2] << 8;
    uint32_t u32Result = GetEDIDOption(pu8Block.get(), u32Option, pcText.get(), u32Size);
    if (u32Size < EDID_ID_SIZE)
        FUZZ_CHECK(u32Result == DDC_ERR_BAD_COUNT);
    else if (u32Option != 1)
        FUZZ_CHECK(u32Result == DDC_ERR_BAD_OPTION && pcText[0] == '\0');
    else {
        FUZZ_CHECK(u32Result == 0);
        vCheckIdentifier(pu8Block.get(), pcText.get());
    }
    FUZZ_CHECK(GetEDIDOption(nullptr, 1, pcText.get(), EDID_ID_SIZE) == DDC_ERR_NULL_POINTER);

    // The block check, and the identifier straight into a smaller text.
    (void)bEdidBlockValid(pu8Block.get());
    for (uint32_t u32Small = 1; u32Small <= 8; u32Small++) {
        std::unique_ptr<char[]> pcSmall(new char[u32Small]);
        vEdidIdentifier(pu8Block.get(), pcSmall.get(), u32Small);
        FUZZ_CHECK(strnlen(pcSmall.get(), u32Small) < u32Small);
    }

    // The call as the library log writes it.
    char cLine[512];
    for (uint32_t i = 0; i < u32DdcBenchLogCount(); i++)
        u32DdcBenchLogFormat(i, cLine, sizeof(cLine));
    return 0;
}
