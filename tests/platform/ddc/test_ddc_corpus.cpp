// Every real EDID of the shared corpus on a simulated display: identifier,
// validity and a byte-for-byte read-back.
#include "ddc_test_util.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "tests/support/test_env.h"

namespace {

struct stRow {
    std::string file, maker, product;
    bool bHeaderOk, bChecksumOk;
};

std::vector<stRow> lstManifest()
{
    std::ifstream in(TAVOLIN_EDID_DATA_DIR "/MANIFEST.tsv");
    std::string line;
    std::getline(in, line);
    std::vector<std::string> names;
    std::istringstream head(line);
    for (std::string name; std::getline(head, name, '\t');)
        names.push_back(name);
    auto column = [&](const std::vector<std::string> &fields, const char *pcName) {
        for (size_t i = 0; i < names.size() && i < fields.size(); i++)
            if (names[i] == pcName)
                return fields[i];
        return std::string();
    };
    std::vector<stRow> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            fields.push_back(cell);
        rows.push_back({column(fields, "file"), column(fields, "raw_manufacturer"),
                        column(fields, "raw_product_code_hex"),
                        column(fields, "header_ok") == "1", column(fields, "base_checksum_ok") == "1"});
    }
    return rows;
}

// The manifest's own decoding turned into the identifier the library gives.
std::string strExpectedId(const stRow &row)
{
    std::string id = row.maker;
    for (char &c : id)
        if (c < 'A' || c > 'Z')
            c = '0';
    for (size_t i = 2; i < row.product.size(); i++)
        id += (char)toupper((unsigned char)row.product[i]);
    return id;
}

TEST_F(DdcTest, EveryCorpusEdidGivesItsIdentifierValidityAndReadsBack)
{
    struct stat info;
    if (stat(TAVOLIN_EDID_DATA_DIR, &info) != 0)
        GTEST_SKIP() << "no EDID corpus at " TAVOLIN_EDID_DATA_DIR;
    std::vector<stRow> rows = lstManifest();
    ASSERT_GT(rows.size(), 100u);
    for (const stRow &row : rows) {
        std::string text = strReadFile(TAVOLIN_EDID_DATA_DIR "/" + row.file);
        Bytes image(text.begin(), text.end());
        ASSERT_TRUE(!image.empty() && image.size() % 128 == 0 && image.size() <= 2048) << row.file;
        uint32_t u32Mem = 256;
        while (u32Mem < image.size())
            u32Mem *= 2;
        vDdcBenchClear();
        ASSERT_EQ(s32DdcBenchAddDisplay(image.data(), (uint32_t)image.size(), u32Mem), 0);
        InitDDCHelper();

        uint8_t u8Block[1024];
        char cId[128];
        uint32_t u32Result = ReadEDID(DDC_BENCH_HANDLE(0), u8Block);
        EXPECT_EQ(u32Result, row.bHeaderOk && row.bChecksumOk ? 0u : DDC_ERR_INVALID_EDID)
            << row.file;
        ASSERT_EQ(GetEDIDOption(u8Block, 1, cId, sizeof(cId)), 0u);
        EXPECT_EQ(cId, strExpectedId(row)) << row.file;
        for (char c : std::string(cId))
            EXPECT_TRUE(isalnum((unsigned char)c)) << row.file;
        EXPECT_EQ(lstChainedRead(DDC_BENCH_HANDLE(0), (uint32_t)image.size() / 128 - 1), image)
            << row.file;
        DeinitDDCHelper();
    }
}

} // namespace
