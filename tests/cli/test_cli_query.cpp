// tavolin-cli records and report on a small record: the exact bytes, the
// filters, and the command lines refused.
#include "tests/support/test_env.h"

#include "cli/cli_options.h"
#include "cli/cli_query.h"
#include "platform/records/records.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace {

struct stQueryResult {
    int32_t s32Code;
    std::string out;
    std::string err;
};

std::string strAll(FILE *p)
{
    std::string text;
    rewind(p);
    char cChunk[4096];
    size_t got;
    while ((got = fread(cChunk, 1, sizeof(cChunk), p)) > 0)
        text.append(cChunk, got);
    fclose(p);
    return text;
}

class CliQueryTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        char cWhy[REC_WHY_MAX] = "";
        stRecIdentity stNew = {};
        ASSERT_TRUE(bRecOpen(m_db.c_str(), &stNew, nullptr, cWhy, sizeof(cWhy))) << cWhy;
        // A comma, a quote, a line end and a formula's lead in the fields.
        const stRecPort stPorts[] = {{"DP-1", 1, "DEL:A0B1", "ab12", 4711, 23, 2024},
                                     {"HDMI,2", 2, "=SUM(A1)", "cd34", 4711, 255, 2019}};
        Unit("2024-06-07T08:00:00Z", "A", "SN\"1", stPorts, "pass", "");
        Unit("2024-06-07T09:00:00Z", "B", "SN2", stPorts, "fail", "verify:\nbyte 3");
        vRecClose();
        vRecSetTimeForTest(nullptr);
    }
    void Unit(const char *pcTime, const char *pcStation, const char *pcSerial,
              const stRecPort *pstPorts, const char *pcResult, const char *pcMessage)
    {
        char cWhy[REC_WHY_MAX] = "";
        vRecSetTimeForTest(pcTime);
        stRecUnit stUnit = {pcStation, pcSerial, 4711, 23, 2024, "/pkg/a.pkg", "0x1F2E", 0,
                            pcStation[0] == 'B' ? "B-17" : nullptr};
        int64_t s64Id = 0;
        ASSERT_TRUE(bRecBeginUnit(&stUnit, pstPorts, 2, &s64Id, cWhy, sizeof(cWhy))) << cWhy;
        ASSERT_TRUE(bRecFinishPort(s64Id, "DP-1", pcResult, pcMessage, 120, cWhy, sizeof(cWhy)));
        if (pcResult[0] == 'p') {
            ASSERT_TRUE(bRecFinishPort(s64Id, "HDMI,2", "pass", "", 130, cWhy, sizeof(cWhy)));
        }
        ASSERT_TRUE(bRecFinishUnit(s64Id, pcResult, pcMessage, cWhy, sizeof(cWhy))) << cWhy;
    }
    stQueryResult Cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), "tavolin-cli");
        std::vector<char *> argv;
        for (std::string &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        static stCliOptions stOptions;
        char cWhy[1024];
        if (!bParseCliOptions((int)args.size(), argv.data(), &stOptions, cWhy, sizeof(cWhy)))
            return {CLI_EXIT_USAGE, "", cWhy};
        FILE *pOut = tmpfile();
        FILE *pErr = tmpfile();
        int32_t s32Code = s32CliQuery(&stOptions, pOut, pErr);
        return {s32Code, strAll(pOut), strAll(pErr)};
    }
    std::string m_db = m_dir.file("units.sqlite");
};

const char CSV_HEADER[] =
    "unit_id,time_utc,station,serial,numeric_serial,week,year,package_path,package_checksum,"
    "unit_result,rework,port,display,display_id,image_sha256,port_result,message,duration_ms,"
    "port_numeric_serial,port_week,port_year,unit_message,operator\r\n";
const char CSV_UNIT_2[] =
    "2,2024-06-07T09:00:00Z,B,SN2,4711,23,2024,/pkg/a.pkg,0x1F2E,fail,0,DP-1,1,DEL:A0B1,ab12,fail,"
    "\"verify:\nbyte 3\",120,4711,23,2024,\"verify:\nbyte 3\",B-17\r\n"
    "2,2024-06-07T09:00:00Z,B,SN2,4711,23,2024,/pkg/a.pkg,0x1F2E,fail,0,\"HDMI,2\",2,'=SUM(A1),"
    "cd34,fail,the unit ended before this port ran,,4711,255,2019,\"verify:\nbyte 3\",B-17\r\n";

TEST_F(CliQueryTest, RecordsCsvIsTheExportsBytesAndFiltersByEachOption)
{
    char cWhy[REC_WHY_MAX] = "";
    stRecIdentity stKnown = {};
    ASSERT_TRUE(bRecOpen(m_db.c_str(), &stKnown, nullptr, cWhy, sizeof(cWhy))) << cWhy;
    ASSERT_TRUE(bRecExportCsv(m_dir.file("export.csv").c_str(), cWhy, sizeof(cWhy))) << cWhy;
    vRecClose();
    stQueryResult stAll = Cli({"records"});
    EXPECT_EQ(stAll.s32Code, CLI_EXIT_PASS) << stAll.err;
    EXPECT_EQ(stAll.out, strReadFile(m_dir.file("export.csv")));

    for (auto args : std::vector<std::vector<std::string>>{
             {"records", "--serial", "SN2"},
             {"records", "--station=B", "--format", "csv"},
             {"records", "--result", "fail"},
             {"records", "--since", "2024-06-07T08:00:01Z"},
             {"records", "--since", "2024-06-07T09:00", "--until", "2024-06-07T09:00:01Z"}}) {
        stQueryResult stOne = Cli(args);
        EXPECT_EQ(stOne.s32Code, CLI_EXIT_PASS) << args[1];
        EXPECT_EQ(stOne.out, std::string(CSV_HEADER) + CSV_UNIT_2) << args[1];
    }
    // --until leaves its own second out; a serial with a quote is itself.
    EXPECT_EQ(Cli({"records", "--until", "2024-06-07T09:00:00Z", "--serial", "SN\"1"}).out.size(),
              strReadFile(m_dir.file("export.csv")).size() - sizeof(CSV_UNIT_2) + 1);
    EXPECT_EQ(Cli({"records", "--until", "2024-06-07"}).out, CSV_HEADER);
}

TEST_F(CliQueryTest, RecordsJsonIsAnArrayOfRowsWithNumbersAndNulls)
{
    stQueryResult stJson = Cli({"records", "--format", "json", "--serial", "SN\"1"});
    EXPECT_EQ(stJson.s32Code, CLI_EXIT_PASS);
    const char *const pcRow =
        "{\"unit_id\": 1, \"time_utc\": \"2024-06-07T08:00:00Z\", \"station\": \"A\", "
        "\"serial\": \"SN\\\"1\", \"numeric_serial\": 4711, \"week\": 23, \"year\": 2024, "
        "\"package_path\": \"/pkg/a.pkg\", \"package_checksum\": \"0x1F2E\", "
        "\"unit_result\": \"pass\", \"rework\": 0, ";
    EXPECT_EQ(stJson.out,
              std::string("[\n  ") + pcRow +
                  "\"port\": \"DP-1\", \"display\": 1, \"display_id\": \"DEL:A0B1\", "
                  "\"image_sha256\": \"ab12\", \"port_result\": \"pass\", \"message\": \"\", "
                  "\"duration_ms\": 120, \"port_numeric_serial\": 4711, \"port_week\": 23, "
                  "\"port_year\": 2024, \"unit_message\": \"\", \"operator\": null},\n  " +
                  pcRow +
                  "\"port\": \"HDMI,2\", \"display\": 2, \"display_id\": \"=SUM(A1)\", "
                  "\"image_sha256\": \"cd34\", \"port_result\": \"pass\", \"message\": \"\", "
                  "\"duration_ms\": 130, \"port_numeric_serial\": 4711, \"port_week\": 255, "
                  "\"port_year\": 2019, \"unit_message\": \"\", \"operator\": null}\n]\n");
    EXPECT_EQ(Cli({"records", "--format", "json", "--serial", "none"}).out, "[]\n");
    stQueryResult stTwo = Cli({"records", "--format", "json", "--serial", "SN2"});
    EXPECT_NE(stTwo.out.find("\"message\": \"verify:\\u000abyte 3\""), std::string::npos);
    // The port that never ran has no duration.
    EXPECT_NE(stTwo.out.find("\"duration_ms\": null, \"port_numeric_serial\": 4711, "
                             "\"port_week\": 255"),
              std::string::npos)
        << stTwo.out;
}

TEST_F(CliQueryTest, OptionsRepeatedConflictingOrMisspeltAreUsageErrors)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"records", "--since", "2024-06-07", "--since", "2024-06-08"}, "--since is given twice"},
        {{"records", "--format", "csv", "--format", "json"}, "--format is given twice"},
        {{"records", "--since", "2024-06-08", "--until", "2024-06-07T23:59:59Z"},
         "--since 2024-06-08T00:00:00Z is not before --until 2024-06-07T23:59:59Z"},
        {{"records", "--since", "2024-06-31T25:00"},
         "--since is \"2024-06-31T25:00\"; a time is 2026-12-09, 2026-12-09T10:00 or "
         "2026-12-09T10:00:00Z (UTC)"},
        {{"records", "--until", "7 June"},
         "--until is \"7 June\"; a time is 2026-12-09, 2026-12-09T10:00 or 2026-12-09T10:00:00Z "
         "(UTC)"},
        {{"records", "--result", "passed"},
         "--result is \"passed\"; it is pass, fail, running or interrupted"},
        {{"records", "--format", "xml"}, "--format is \"xml\"; it is csv or json"},
        {{"records", "--json"}, "--json is not an option of 'records'"},
        {{"records", "--fast"}, "--fast is not an option of 'records'"},
        {{"records", "-o", "x.csv"}, "-o is not an option of 'records'"},
        {{"report", "--since", "2024-06-07"}, "'report' needs -o FILE.html"},
        {{"report", "-o", "r.html", "--station", "A"}, "--station is not an option of 'report'"},
        {{"report", "-o", "r.html", "--format", "json"}, "--format is not an option of 'report'"},
        {{"unit", "--next", "--since", "2024-06-07"}, "--since is not an option of 'unit'"},
    };
    for (const auto &c : cases) {
        stQueryResult stR = Cli(c.first);
        EXPECT_EQ(stR.s32Code, CLI_EXIT_USAGE) << c.second;
        EXPECT_EQ(stR.err, c.second);
    }
}

TEST_F(CliQueryTest, ReportWritesTheFileAndAMissingRecordFailsWithItsReason)
{
    std::string html = m_dir.file("r.html");
    stQueryResult stR = Cli({"report", "--since", "2024-06-07T09:00", "-o", html});
    EXPECT_EQ(stR.s32Code, CLI_EXIT_PASS) << stR.err;
    EXPECT_EQ(stR.out, "");
    EXPECT_NE(strReadFile(html).find("<tr><td>Units</td><td>1</td></tr>"), std::string::npos);

    vWriteFile(m_dir.file("Station.ini"), "Records = other.sqlite\r\n");
    stR = Cli({"records"});
    EXPECT_EQ(stR.s32Code, CLI_EXIT_FAIL);
    EXPECT_EQ(stR.out, "");
    EXPECT_EQ(stR.err, "tavolin-cli: " + m_dir.file("other.sqlite") +
                           ": there is no unit record (no such file)\n");
    EXPECT_FALSE(bRecIsOpen());
}

} // namespace
