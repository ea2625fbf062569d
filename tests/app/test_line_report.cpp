// The line report: its numbers against a record of known units, the HTML's
// tables, and File > Line report....
#include "tests/support/test_env.h"

#include "app/line_report.h"
#include "files/station.h"
#include "platform/process/process.h"
#include "platform/records/records.h"
#include "ui/Pavimo.h"

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

namespace {

const char *const STATION_A = "Linie <1> & A";
const char *const STATION_B = "B";

struct stKnownUnit {
    const char *pcTime;
    const char *pcStation;
    const char *pcSerial;
    int32_t bRework;
    const char *pcP1;     // the ports' results; "" leaves the port unfinished
    const char *pcP2;
    const char *pcUnit;   // "" leaves the unit running
    const char *pcReason;
};

// Seven units in three hours: a retry after a failure (not a first
// attempt), a rework of a passed serial, a unit left running (marked
// interrupted when the record is opened again).
const stKnownUnit KNOWN[] = {
    {"2024-06-07T08:05:00Z", STATION_A, "SN1", 0, "pass", "pass", "pass", ""},
    {"2024-06-07T08:20:00Z", STATION_A, "SN2", 0, "pass", "fail", "fail", "port P2 failed"},
    {"2024-06-07T08:40:00Z", STATION_B, "SN2", 0, "pass", "pass", "pass", ""},
    {"2024-06-07T09:10:00Z", STATION_B, "SN3", 0, "fail", "", "fail", "port P1 failed"},
    {"2024-06-07T09:30:00Z", STATION_B, "SN1", 1, "pass", "pass", "pass", ""},
    {"2024-06-07T09:50:00Z", STATION_A, "SN4", 0, "", "", "", ""},
    {"2024-06-07T10:15:00Z", STATION_A, "SN5", 0, "pass", "pass", "pass", ""},
};

void vRecordKnownUnits(const std::string &db)
{
    char cWhy[REC_WHY_MAX] = "";
    stRecIdentity stNew = {};
    ASSERT_TRUE(bRecOpen(db.c_str(), &stNew, nullptr, cWhy, sizeof(cWhy))) << cWhy;
    const stRecPort stPorts[] = {{"P1", 1, "AAA:0001", "ab", 1, 23, 2024},
                                 {"P2", 2, "AAA:0002", "cd", 1, 23, 2024}};
    for (const stKnownUnit &k : KNOWN) {
        vRecSetTimeForTest(k.pcTime);
        stRecUnit stUnit = {k.pcStation, k.pcSerial, 1, 23, 2024, "/pkg/a.pkg", "0x1F2E", k.bRework,
                            nullptr};
        int64_t s64Id = 0;
        ASSERT_TRUE(bRecBeginUnit(&stUnit, stPorts, 2, &s64Id, cWhy, sizeof(cWhy))) << cWhy;
        const char *pcPorts[2][2] = {{"P1", k.pcP1}, {"P2", k.pcP2}};
        for (auto &port : pcPorts) {
            if (port[1][0]) {
                ASSERT_TRUE(bRecFinishPort(s64Id, port[0], port[1], port[1][0] == 'f' ? "no ACK" : "",
                                           100, cWhy, sizeof(cWhy)))
                    << cWhy;
            }
        }
        if (k.pcUnit[0]) {
            ASSERT_TRUE(bRecFinishUnit(s64Id, k.pcUnit, k.pcReason, cWhy, sizeof(cWhy))) << cWhy;
        }
    }
    ASSERT_TRUE(bRecOpen(db.c_str(), &stNew, nullptr, cWhy, sizeof(cWhy))) << cWhy;
    vRecClose();
    vRecSetTimeForTest(nullptr);
}

// "name units/passed/failed first/firstPassed" per line.
std::string Lines(const stLrTable &stTable)
{
    std::string text;
    for (int32_t i = 0; i < stTable.s32Count; i++) {
        const stLrCount &c = stTable.pstLines[i];
        text += std::string(c.cName) + " " + std::to_string(c.s32Units) + "/" +
                std::to_string(c.s32Passed) + "/" + std::to_string(c.s32Failed) + " " +
                std::to_string(c.s32First) + "/" + std::to_string(c.s32FirstPassed) + "\n";
    }
    return text;
}

class LineReportTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        vRecordKnownUnits(m_db);
    }
    void TearDown() override
    {
        vProcSetOpenerForTest(nullptr);
        AppTest::TearDown();
    }
    std::string m_db = m_dir.file("units.sqlite");
    stLineReport m_report;
};

TEST_F(LineReportTest, NumbersPerHourStationReasonAndPortFollowTheRows)
{
    char cWhy[REC_WHY_MAX] = "";
    ASSERT_TRUE(bGatherLineReport(m_db.c_str(), "", "", &m_report, cWhy, sizeof(cWhy))) << cWhy;
    // SN2's retry and SN1's rework are no first attempts; SN4 was interrupted.
    EXPECT_EQ(Lines({&m_report.stTotal, 1, 1, 0}), " 7/4/3 5/2\n");
    EXPECT_EQ(Lines(m_report.stHourTable), "2024-06-07 08:00 3/2/1 2/1\n"
                                           "2024-06-07 09:00 3/1/2 2/0\n"
                                           "2024-06-07 10:00 1/1/0 1/1\n");
    EXPECT_EQ(Lines(m_report.stStationTable), "Linie <1> & A 4/2/2 4/2\n"
                                              "B 3/2/1 1/0\n");
    EXPECT_EQ(Lines(m_report.stReasonTable),
              "port P2 failed 1/0/1 0/0\n"
              "port P1 failed 1/0/1 0/0\n"
              "the program stopped before the unit ended 1/0/1 0/0\n");
    EXPECT_EQ(Lines(m_report.stPortTable), "P1 7/5/2 0/0\n"
                                           "P2 7/4/3 0/0\n");
    EXPECT_STREQ(m_report.cFirstUnit, "2024-06-07T08:05:00Z");
    EXPECT_STREQ(m_report.cLastUnit, "2024-06-07T10:15:00Z");

    // From 09:00 SN1's rework is still no first attempt.
    ASSERT_TRUE(bGatherLineReport(m_db.c_str(), "2024-06-07T09:00:00Z", "2024-06-07T10:15:00Z",
                                  &m_report, cWhy, sizeof(cWhy)))
        << cWhy;
    EXPECT_EQ(Lines({&m_report.stTotal, 1, 1, 0}), " 3/1/2 2/0\n");
}

TEST_F(LineReportTest, HtmlHoldsTheNumbersAsTablesAndFetchesNothing)
{
    char cWhy[REC_WHY_MAX] = "";
    std::string html = m_dir.file("report.html");
    ASSERT_TRUE(bWriteLineReport(m_db.c_str(), "", "", html.c_str(), cWhy, sizeof(cWhy))) << cWhy;
    std::string text = strReadFile(html);
    for (const char *pcLine :
         {"<tr><td>Units</td><td>7</td></tr>", "<tr><td>Failed</td><td>3</td></tr>",
          "<tr><td>First-pass yield</td><td>40.0 % (2 of 5)</td></tr>",
          "<tr><td>2024-06-07 09:00</td><td>3</td><td>1</td><td>2</td></tr>",
          "<tr><td>Linie &lt;1&gt; &amp; A</td><td>4</td><td>2</td><td>2</td><td>50.0 % (2 of 4)",
          "<tr><td>port P1 failed</td><td>1</td></tr>", "<tr><td>P2</td><td>3</td></tr>",
          "@media print"})
        EXPECT_NE(text.find(pcLine), std::string::npos) << pcLine;
    EXPECT_EQ(text.find("Linie <1>"), std::string::npos);
    for (const char *pcFetch : {"<script", "src=", "href=", "url(", "@import"})
        EXPECT_EQ(text.find(pcFetch), std::string::npos) << pcFetch;
    EXPECT_EQ(text.substr(text.size() - 8), "</html>\n");
}

std::string g_opened;

TEST_F(LineReportTest, MenuItemWritesTheReportAndOpensIt)
{
    LoadPanels();
    DisplayPanel(MainPanel());
    g_opened.clear();
    vProcSetOpenerForTest([](const char *pcPath, char *, size_t) {
        g_opened = pcPath;
        return true;
    });
    std::string html = m_dir.file("line.html");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, html);
    ASSERT_EQ(UiChooseMenuItem(MainPanel(), MENUBAR_FILE_LINE_REPORT), 0);
    EXPECT_EQ(m_dialogs.requestTitles, std::vector<std::string>{"Line report"});
    EXPECT_EQ(m_dialogs.requestSpecs, std::vector<std::string>{"*.html"});
    EXPECT_EQ(g_opened, html);
    EXPECT_NE(strReadFile(html).find("<tr><td>Units</td><td>7</td></tr>"), std::string::npos);
    EXPECT_EQ(MsgBox(), "Writing the line report ...\n> - Pass\n>");

    // A record that is not there: the reason, no file, nothing opened.
    g_opened.clear();
    snprintf(gst_Station.cRecords, sizeof(gst_Station.cRecords), "gone.sqlite");
    m_dialogs.vPush(VAL_NEW_FILE_SELECTED, m_dir.file("none.html"));
    UiChooseMenuItem(MainPanel(), MENUBAR_FILE_LINE_REPORT);
    EXPECT_EQ(MsgBox(), "Writing the line report ...\n> - Pass\n>Writing the line report ...\n> - " +
                            m_dir.file("gone.sqlite") +
                            ": there is no unit record (no such file)\n> - Fail\n>");
    EXPECT_EQ(g_opened, "");
    EXPECT_EQ(access(m_dir.file("none.html").c_str(), F_OK), -1);
}

} // namespace
