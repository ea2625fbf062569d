// The station file Station.ini: its exact bytes, its strict reading, and a
// counter that never gives a serial out twice.
#include "tests/support/temp_dir.h"

#include "files/edid_stamp.h"
#include "files/station.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>
#include <vector>

namespace {

const std::string DEFAULTS_FILE = "Production = 0\r\nStation = \r\nSerialSource = scan\r\n"
                                  "SerialPrefix = \r\nSerialDigits = 6\r\nNextSerial = 1\r\n"
                                  "NumericSerial = digits\r\nWeekYear = today\r\nPortMap = \r\n"
                                  "Records = units.sqlite\r\nWriteMode = paced\r\n";
const std::string LINE_FILE = "Production = 1\r\nStation = Line 3 bench\r\n"
                              "SerialSource = counter\r\nSerialPrefix = SN-\r\n"
                              "SerialDigits = 8\r\nNextSerial = 42\r\nNumericSerial = counter\r\n"
                              "WeekYear = 12 2026\r\nPortMap = DVI:1, HDMI 2:2, 3:10\r\n"
                              "Records = line3.sqlite\r\nWriteMode = fast\r\n";

// The station as one line, to compare whole.
std::string Describe(const stStation &st)
{
    char cMap[256];
    vFormatPortMap(st.stMap, st.s32MapCount, cMap, sizeof(cMap));
    char cText[1200];
    snprintf(cText, sizeof(cText),
             "production %d station '%s' source %d prefix '%s' digits %d next %llu numeric %d "
             "weekyear %d %d %d map %d '%s' records '%s' write %d",
             st.bProduction, st.cStation, st.s32SerialSource, st.cSerialPrefix,
             st.s32SerialDigits, (unsigned long long)st.u64NextSerial, st.s32NumericSerial,
             st.s32WeekYear, st.s32FixedWeek, st.s32FixedYear, st.s32MapCount, cMap, st.cRecords,
             st.s32WriteMode);
    return cText;
}

std::string DefaultsText()
{
    stStation st;
    vStationDefaults(&st);
    return Describe(st);
}

stStation LineStation()
{
    stStation st;
    vStationDefaults(&st);
    st.bProduction = 1;
    snprintf(st.cStation, sizeof(st.cStation), "Line 3 bench");
    st.s32SerialSource = STATION_SOURCE_COUNTER;
    snprintf(st.cSerialPrefix, sizeof(st.cSerialPrefix), "SN-");
    st.s32SerialDigits = 8;
    st.u64NextSerial = 42;
    st.s32NumericSerial = STATION_NUMERIC_COUNTER;
    st.s32WeekYear = STATION_WEEKYEAR_FIXED;
    st.s32FixedWeek = 12;
    st.s32FixedYear = 2026;
    st.stMap[0] = {"DVI", 1};
    st.stMap[1] = {"HDMI 2", 2};
    st.stMap[2] = {"3", 10};
    st.s32MapCount = 3;
    snprintf(st.cRecords, sizeof(st.cRecords), "line3.sqlite");
    st.s32WriteMode = STATION_WRITE_FAST;
    return st;
}

// Reads the text as the file; the result, and the station afterwards.
bool Read(const TempDir &dir, const std::string &text, stStation *pst, std::string *pWhy)
{
    vWriteFile(dir.file(STATION_FILE_NAME), text);
    char cWhy[STATION_WHY_MAX] = "";
    *pst = LineStation();
    bool bRead = bReadStationFile(dir.file(STATION_FILE_NAME).c_str(), pst, cWhy, sizeof(cWhy));
    *pWhy = cWhy;
    return bRead;
}

TEST(StationFile, WrittenAndReadBack)
{
    TempDir dir;
    std::string path = dir.file(STATION_FILE_NAME);
    char cWhy[STATION_WHY_MAX] = "";
    stStation st = LineStation();
    // No file: the defaults.
    ASSERT_TRUE(bReadStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(Describe(st), DefaultsText());
    ASSERT_TRUE(bWriteStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(strReadFile(path), DEFAULTS_FILE);

    stStation stLine = LineStation();
    ASSERT_TRUE(bWriteStationFile(path.c_str(), &stLine, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(strReadFile(path), LINE_FILE);
    ASSERT_TRUE(bReadStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(Describe(st), Describe(stLine));
    EXPECT_EQ(lstDirEntries(dir.path()).size(), 1u);

    // LF lines, keys and words in any case, blanks anywhere around, empty
    // lines, keys left out keeping their defaults.
    std::string why;
    ASSERT_TRUE(Read(dir,
                     "\n  productION=1 \t\n\nSERIALSOURCE =\tCounter\nnumericserial= KEEP\n"
                     "WeekYear = Keep\r\nportmap =dvi : 2 ,VGA:1\nstation = a = b\nwritemode = FAST\n",
                     &st, &why))
        << why;
    stStation stExpected;
    vStationDefaults(&stExpected);
    stExpected.bProduction = 1;
    stExpected.s32SerialSource = STATION_SOURCE_COUNTER;
    stExpected.s32NumericSerial = STATION_NUMERIC_KEEP;
    stExpected.s32WeekYear = STATION_WEEKYEAR_KEEP;
    stExpected.stMap[0] = {"dvi", 2};
    stExpected.stMap[1] = {"VGA", 1};
    stExpected.s32MapCount = 2;
    snprintf(stExpected.cStation, sizeof(stExpected.cStation), "a = b");
    stExpected.s32WriteMode = STATION_WRITE_FAST;
    EXPECT_EQ(Describe(st), Describe(stExpected));
    // Written back in the file's own words and order.
    ASSERT_TRUE(bWriteStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(strReadFile(path), "Production = 1\r\nStation = a = b\r\nSerialSource = counter\r\n"
                                 "SerialPrefix = \r\nSerialDigits = 6\r\nNextSerial = 1\r\n"
                                 "NumericSerial = keep\r\nWeekYear = keep\r\n"
                                 "PortMap = dvi:2, VGA:1\r\nRecords = units.sqlite\r\n"
                                 "WriteMode = fast\r\n");
    // Only a training station says so, last.
    st.bSimulated = 1;
    ASSERT_TRUE(bWriteStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(strReadFile(path).substr(strReadFile(path).find("WriteMode")),
              "WriteMode = fast\r\nSimulated = 1\r\n");
    ASSERT_TRUE(bReadStationFile(path.c_str(), &stExpected, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(stExpected.bSimulated, 1);

    // What would not read back is not written, and the file stays.
    stLine.s32SerialDigits = 13;
    EXPECT_FALSE(bWriteStationFile(path.c_str(), &stLine, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "Station.ini is not written: SerialDigits is \"13\"; it must be 1 to 12");
    stLine = LineStation();
    snprintf(stLine.cStation, sizeof(stLine.cStation), "two\nlines");
    EXPECT_FALSE(bWriteStationFile(path.c_str(), &stLine, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "Station.ini is not written: Station's character 4 is 0x0A; it must be "
                       "no control character");
    EXPECT_EQ(strReadFile(path).substr(0, 16), "Production = 1\r\n");
}

TEST(StationFile, AWrongLineIsNamed)
{
    TempDir dir;
    const std::string head = "\r\n \t\n\n";   // the bad line is line 4
    struct Bad {
        std::string line;
        const char *pcWhy;
    } bads[] = {
        {"Colour = red", "Station.ini line 4: the key \"Colour\" is none of Production, Station, "
                         "SerialSource, SerialPrefix, SerialDigits, NextSerial, NumericSerial, "
                         "WeekYear, PortMap, Records, WriteMode, Simulated, RecordId, LastUnit, "
                         "BeforeUnit, AfterUnit, HookTimeout, SerialFormat, Package, "
                         "PackageSha256, RequireOperator, OperatorIdleMinutes"},
        {"SerialDigits 6", "Station.ini line 4: \"SerialDigits 6\" is no \"Key = value\" line"},
        {"= 6", "Station.ini line 4: the key \"\" is none of Production, Station, SerialSource, "
                "SerialPrefix, SerialDigits, NextSerial, NumericSerial, WeekYear, PortMap, "
                "Records, WriteMode, Simulated, RecordId, LastUnit, BeforeUnit, AfterUnit, "
                "HookTimeout, SerialFormat, Package, PackageSha256, RequireOperator, "
                "OperatorIdleMinutes"},
        {"Station = A\r\nstation = B", "Station.ini line 5: Station is given again; it was on "
                                      "line 4"},
        {"Production = yes", "Station.ini line 4: Production is \"yes\"; it must be 0 or 1"},
        {"SerialDigits = 15", "Station.ini line 4: SerialDigits is \"15\"; it must be 1 to 12"},
        {"HookTimeout = 0", "Station.ini line 4: HookTimeout is \"0\"; it must be 1 to 3600 "
                            "seconds"},
        {"SerialFormat = L3-2650####-XYZ", "Station.ini line 4: SerialFormat has 15 characters; "
                                           "a serial has at most 13"},
        {"SerialDigits = 0", "Station.ini line 4: SerialDigits is \"0\"; it must be 1 to 12"},
        {"SerialDigits = -6", "Station.ini line 4: SerialDigits is \"-6\"; it must be 1 to 12"},
        {"NextSerial = 1000000000000",
         "Station.ini line 4: NextSerial is \"1000000000000\"; it must be a number 0 to "
         "999999999999"},
        {"NextSerial = 12a", "Station.ini line 4: NextSerial is \"12a\"; it must be a number 0 "
                             "to 999999999999"},
        {"SerialSource = both", "Station.ini line 4: SerialSource is \"both\"; it must be scan "
                                "or counter"},
        {"NumericSerial = all", "Station.ini line 4: NumericSerial is \"all\"; it must be "
                                "digits, counter or keep"},
        {"SerialPrefix = S\xC3\xA9", "Station.ini line 4: SerialPrefix's character 2 is 0xC3; it "
                                     "must be printable ASCII"},
        {"Station = a\tb", "Station.ini line 4: Station's character 2 is 0x09; it must be no "
                           "control character"},
        {"Station = " + std::string(256, 'x'),
         "Station.ini line 4: Station has 256 characters; at most 255 fit"},
        {"Records =", "Station.ini line 4: Records is empty; it must name a file"},
        {"WriteMode = quick", "Station.ini line 4: WriteMode is \"quick\"; it must be paced or "
                              "fast"},
        {"Simulated = yes", "Station.ini line 4: Simulated is \"yes\"; it must be 0 or 1"},
        {"WeekYear = 54 2026", "Station.ini line 4: WeekYear is \"54 2026\"; it must be today, "
                               "keep, or a week 1 to 53 and a year 1990 to 2245 (\"12 2026\")"},
        {"WeekYear = 12 1989", "Station.ini line 4: WeekYear is \"12 1989\"; it must be today, "
                               "keep, or a week 1 to 53 and a year 1990 to 2245 (\"12 2026\")"},
        {"WeekYear = 12 2026 1", "Station.ini line 4: WeekYear is \"12 2026 1\"; it must be "
                                 "today, keep, or a week 1 to 53 and a year 1990 to 2245 "
                                 "(\"12 2026\")"},
        {"PortMap = DVI:1, HDMI", "Station.ini line 4: port map entry 2, \"HDMI\": no output "
                                  "number"},
        {"PortMap = DVI:0", "Station.ini line 4: port map entry 1, DVI: the output number is "
                            "\"0\"; it must be 1 to 32"},
        {"PortMap = DVI:33", "Station.ini line 4: port map entry 1, DVI: the output number is "
                             "\"33\"; it must be 1 to 32"},
        {"PortMap = DISPLAY12:1", "Station.ini line 4: port map entry 1: the port name "
                                  "\"DISPLAY12\" has 9 characters; it must have 1 to 8"},
        {"PortMap = :1", "Station.ini line 4: port map entry 1: the port name \"\" has 0 "
                         "characters; it must have 1 to 8"},
        {"PortMap = DVI:1, VGA:2, DVI:3", "Station.ini line 4: port map entry 3: the port DVI "
                                          "is mapped again; entry 1 maps it"},
        {"PortMap = HD\x1BMI:1", "Station.ini line 4: port map entry 1: the port name "
                                 "\"HD\\x1BMI\" holds a control byte"},
        {"PortMap = HDMI1:1, DP1:1", "Station.ini line 4: port map entry 2, DP1: output 1 is "
                                     "mapped again; entry 1 maps it to HDMI1"},
        {"PortMap = A:1,B:2,C:3,D:4,E:5,F:6,G:7,H:8,I:9",
         "Station.ini line 4: the port map has more than 8 entries"},
        {"PortMap = A:1,", "Station.ini line 4: the port map ends with a comma"},
        {std::string(1100, 'x'), "Station.ini line 4: the line is longer than 1022 characters"},
        // Control bytes are echoed escaped, as typed.
        {"Production = \x1B[2J", "Station.ini line 4: Production is \"\\x1B[2J\"; it must be 0 or 1"},
        {"Sta\x7Ftion 1", "Station.ini line 4: \"Sta\\x7Ftion 1\" is no \"Key = value\" line"},
    };
    for (const Bad &bad : bads) {
        stStation st;
        std::string why;
        EXPECT_FALSE(Read(dir, head + bad.line + "\r\nRecords = r.sqlite\r\n", &st, &why))
            << bad.line;
        EXPECT_EQ(why, bad.pcWhy);
        EXPECT_EQ(Describe(st), DefaultsText()) << bad.line;
    }

    // Not a regular file: refused, a FIFO without waiting for a writer.
    stStation st = LineStation();
    char cWhy[STATION_WHY_MAX] = "";
    std::string folder = dir.file("folder/" STATION_FILE_NAME);
    ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    EXPECT_FALSE(bReadStationFile(folder.c_str(), &st, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "Station.ini is a folder, not a regular file");
    EXPECT_EQ(Describe(st), DefaultsText());
    std::string fifo = dir.file("fifo/" STATION_FILE_NAME);
    ASSERT_EQ(mkdir(dir.file("fifo").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(bReadStationFile(fifo.c_str(), &st, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "Station.ini is a FIFO, not a regular file");
}

TEST(StationCounter, TakesEachNumberOnce)
{
    TempDir dir;
    std::string path = dir.file(STATION_FILE_NAME);
    stStation st = LineStation();
    st.s32SerialDigits = 6;
    snprintf(st.cSerialPrefix, sizeof(st.cSerialPrefix), "SN");
    char cSerial[STAMP_SERIAL_MAX + 1];
    char cWhy[STATION_WHY_MAX] = "";
    uint64_t u64Number = 0;
    ASSERT_TRUE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                   sizeof(cWhy), nullptr, nullptr, 0))
        << cWhy;
    EXPECT_STREQ(cSerial, "SN000042");
    EXPECT_EQ(u64Number, 42u);
    EXPECT_EQ(st.u64NextSerial, 43u);
    stStation stRead;
    ASSERT_TRUE(bReadStationFile(path.c_str(), &stRead, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(Describe(stRead), Describe(st));

    // Refused: nothing given out, nothing written.
    const std::string written = strReadFile(path);
    struct Refusal {
        const char *pcPrefix;
        int32_t s32Digits;
        uint64_t u64Next;
        const char *pcWhy;
    } refusals[] = {
        {"LINE3-A", 7, 5, "the counter's serial \"LINE3-A0000005\" cannot be used: the serial "
                          "has 14 characters; at most 13 fit"},
        {" SN", 6, 5, "the counter's serial \" SN000005\" cannot be used: the serial begins with "
                      "a blank"},
        {"", 12, 4294967296ull, "NextSerial is 4294967296, more than the 32-bit numeric "
                                  "serial holds (NumericSerial = counter)"},
        {"", 12, 999999999999ull, "NextSerial is 999999999999, the last number the counter "
                                  "holds"},
    };
    for (const Refusal &r : refusals) {
        snprintf(st.cSerialPrefix, sizeof(st.cSerialPrefix), "%s", r.pcPrefix);
        st.s32SerialDigits = r.s32Digits;
        st.u64NextSerial = r.u64Next;
        cSerial[0] = '\0';
        EXPECT_FALSE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number,
                                        cWhy, sizeof(cWhy), nullptr, nullptr, 0));
        EXPECT_STREQ(cWhy, r.pcWhy);
        EXPECT_STREQ(cSerial, "");
        EXPECT_EQ(st.u64NextSerial, r.u64Next);
        EXPECT_EQ(strReadFile(path), written);
    }
    // The largest 32-bit number is still taken.
    st.u64NextSerial = 4294967295ull;
    EXPECT_TRUE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                   sizeof(cWhy), nullptr, nullptr, 0));
    EXPECT_STREQ(cSerial, "004294967295");
    // A file that cannot be written gives nothing out.
    st.s32NumericSerial = STATION_NUMERIC_DIGITS;
    std::string nowhere = dir.file("absent/" STATION_FILE_NAME);
    EXPECT_FALSE(bTakeCounterSerial(nowhere.c_str(), &st, cSerial, sizeof(cSerial), &u64Number,
                                    cWhy, sizeof(cWhy), nullptr, nullptr, 0));
    EXPECT_EQ(std::string(cWhy).substr(0, 31), "Station.ini cannot be written: ");
    EXPECT_EQ(st.u64NextSerial, 4294967296ull);
}

// A serial the record already holds (typed by hand earlier) is passed
// over, said in one line, and its number is used up with the one given.
TEST(StationCounter, SkipsSerialsTheRecordHolds)
{
    TempDir dir;
    std::string path = dir.file(STATION_FILE_NAME);
    stStation st = LineStation();
    st.s32SerialDigits = 6;
    snprintf(st.cSerialPrefix, sizeof(st.cSerialPrefix), "SN");
    static std::set<std::string> s_recorded;
    s_recorded = {"SN000042", "SN000043", "SN000044", "SN000046"};
    auto pfnRecorded = [](const char *pcSerial, bool *pbTaken, char *, size_t) {
        *pbTaken = s_recorded.count(pcSerial) != 0;
        return true;
    };
    char cSerial[STAMP_SERIAL_MAX + 1];
    char cWhy[STATION_WHY_MAX] = "";
    char cSkipped[128] = "x";
    uint64_t u64Number = 0;
    ASSERT_TRUE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                   sizeof(cWhy), pfnRecorded, cSkipped, sizeof(cSkipped)))
        << cWhy;
    EXPECT_STREQ(cSerial, "SN000045");
    EXPECT_EQ(u64Number, 45u);
    EXPECT_STREQ(cSkipped, "The counter skipped SN000042 to SN000044: the record already holds "
                           "them");
    EXPECT_NE(strReadFile(path).find("NextSerial = 46\r\n"), std::string::npos);
    ASSERT_TRUE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                   sizeof(cWhy), pfnRecorded, cSkipped, sizeof(cSkipped)));
    EXPECT_STREQ(cSerial, "SN000047");
    EXPECT_STREQ(cSkipped, "The counter skipped SN000046: the record already holds it");
    ASSERT_TRUE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                   sizeof(cWhy), pfnRecorded, cSkipped, sizeof(cSkipped)));
    EXPECT_STREQ(cSerial, "SN000048");
    EXPECT_STREQ(cSkipped, "");
    // A record that cannot be asked gives nothing out.
    auto pfnBroken = [](const char *, bool *, char *pcWhy, size_t whySize) {
        snprintf(pcWhy, whySize, "units.sqlite: disk I/O error");
        return false;
    };
    EXPECT_FALSE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                    sizeof(cWhy), pfnBroken, cSkipped, sizeof(cSkipped)));
    EXPECT_STREQ(cWhy, "units.sqlite: disk I/O error");
    EXPECT_EQ(st.u64NextSerial, 49u);
    EXPECT_NE(strReadFile(path).find("NextSerial = 49\r\n"), std::string::npos);
}

// The line's counter: numbers come from the server (another station took
// 44 meanwhile); recorded serials are passed over, the station's file is
// never written, and a server away gives nothing out.
TEST(StationCounter, TheLinesCounterTakesFromTheServerAndLeavesTheFile)
{
    stStation st = LineStation();
    st.s32SerialDigits = 6;
    st.u64NextSerial = 7;
    snprintf(st.cSerialPrefix, sizeof(st.cSerialPrefix), "SN");
    static std::vector<int64_t> s_numbers;
    static std::string s_asked;
    s_numbers = {42, 43, 45};
    s_asked.clear();
    auto pfnNext = [](const char *pcPrefix, int64_t s64First, int64_t *ps64Number, char *pcWhy,
                      size_t whySize) {
        s_asked += std::string(pcPrefix) + "@" + std::to_string(s64First) + " ";
        if (s_numbers.empty()) {
            snprintf(pcWhy, whySize, "the line's database: could not connect");
            return false;
        }
        *ps64Number = s_numbers.front();
        s_numbers.erase(s_numbers.begin());
        return true;
    };
    auto pfnRecorded = [](const char *pcSerial, bool *pbTaken, char *, size_t) {
        *pbTaken = strcmp(pcSerial, "SN000045") != 0;
        return true;
    };
    char cSerial[STAMP_SERIAL_MAX + 1];
    char cWhy[STATION_WHY_MAX] = "";
    char cSkipped[128] = "x";
    uint64_t u64Number = 0;
    ASSERT_TRUE(bTakeLineSerial(&st, pfnNext, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                sizeof(cWhy), pfnRecorded, cSkipped, sizeof(cSkipped)))
        << cWhy;
    EXPECT_STREQ(cSerial, "SN000045");
    EXPECT_EQ(u64Number, 45u);
    EXPECT_EQ(s_asked, "SN@7 SN@7 SN@7 ");
    EXPECT_STREQ(cSkipped, "The counter skipped SN000042 to SN000043: the record already holds "
                           "them");
    EXPECT_EQ(st.u64NextSerial, 7u);
    EXPECT_FALSE(bTakeLineSerial(&st, pfnNext, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                 sizeof(cWhy), pfnRecorded, cSkipped, sizeof(cSkipped)));
    EXPECT_STREQ(cWhy, "the line's database: could not connect");
}

// A child takes serials and reports each one after it is taken. Held after
// its 40th report, the file must already hold the next number; let go and
// killed wherever it then is (most likely inside a write), the file must
// read and be past every serial it reported.
TEST(StationCounter, KilledTakerNeverReusesANumber)
{
    TempDir dir;
    std::string path = dir.file(STATION_FILE_NAME);
    int s32Reports[2], s32Hold[2];
    ASSERT_EQ(pipe(s32Reports), 0);
    ASSERT_EQ(pipe(s32Hold), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(s32Reports[0]);
        close(s32Hold[1]);
        stStation st;
        vStationDefaults(&st);
        char cSerial[STAMP_SERIAL_MAX + 1];
        char cWhy[STATION_WHY_MAX];
        uint64_t u64Number = 0;
        while (bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                  sizeof(cWhy), nullptr, nullptr, 0)) {
            char cLine[32];
            int s32Length = snprintf(cLine, sizeof(cLine), "%llu\n", (unsigned long long)u64Number);
            if (write(s32Reports[1], cLine, (size_t)s32Length) != s32Length)
                break;
            char c;
            if (u64Number == 40 && read(s32Hold[0], &c, 1) < 0)
                break;
        }
        _exit(1);
    }
    close(s32Reports[1]);
    close(s32Hold[0]);
    FILE *pReports = fdopen(s32Reports[0], "r");
    std::vector<unsigned long long> reported;
    unsigned long long u64Number = 0;
    while (reported.size() < 40 && fscanf(pReports, "%llu", &u64Number) == 1)
        reported.push_back(u64Number);
    stStation st;
    char cWhy[STATION_WHY_MAX] = "";
    EXPECT_TRUE(bReadStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(st.u64NextSerial, 41u);
    close(s32Hold[1]);
    while (reported.size() < 60 && fscanf(pReports, "%llu", &u64Number) == 1)
        reported.push_back(u64Number);
    kill(child, SIGKILL);
    int s32Status = 0;
    waitpid(child, &s32Status, 0);
    EXPECT_TRUE(WIFSIGNALED(s32Status));
    // What it reported before it died counts too.
    while (fscanf(pReports, "%llu", &u64Number) == 1)
        reported.push_back(u64Number);
    fclose(pReports);
    ASSERT_GE(reported.size(), 60u);
    for (size_t i = 0; i < reported.size(); i++)
        EXPECT_EQ(reported[i], i + 1);
    ASSERT_TRUE(bReadStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_GT(st.u64NextSerial, reported.back());
}

// The record's id and last unit are written once the station has an id, and
// read back as they were; an id the record cannot have made is refused.
TEST(StationFile, TheRecordsIdAndLastUnitAreKeptOnceThereIsAnId)
{
    TempDir dir;
    std::string path = dir.file(STATION_FILE_NAME);
    stStation st;
    vStationDefaults(&st);
    char cWhy[STATION_WHY_MAX] = "";
    const char *pcId = "00112233445566778899aabbccddeeff";
    ASSERT_TRUE(bNoteStationRecord(path.c_str(), &st, pcId, 40, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(strReadFile(path), DEFAULTS_FILE + "RecordId = " + pcId + "\r\nLastUnit = 40\r\n");
    stStation stRead;
    ASSERT_TRUE(bReadStationFile(path.c_str(), &stRead, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_STREQ(stRead.cRecordId, pcId);
    EXPECT_EQ(stRead.u64LastUnit, 40u);
    for (const char *pcBad : {"RecordId = 00112233445566778899AABBCCDDEEFF", "RecordId = 12"}) {
        vWriteFile(path, pcBad);
        EXPECT_FALSE(bReadStationFile(path.c_str(), &stRead, cWhy, sizeof(cWhy)));
        EXPECT_EQ(std::string(cWhy), "Station.ini line 1: RecordId is \"" +
                                         std::string(pcBad + 11) +
                                         "\"; it must be the record's 32 hex digits (0-9, a-f), "
                                         "or empty");
    }
    vWriteFile(path, "LastUnit = -1");
    EXPECT_FALSE(bReadStationFile(path.c_str(), &stRead, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "Station.ini line 1: LastUnit is \"-1\"; it must be a number 0 to "
                       "999999999999999999");
}

// A save killed before its rename leaves "<file>.XXXXXX" beside the file;
// the start removes those of the program's own files, nothing else.
TEST(StationFolder, SaveLeftoversOfOurOwnFilesAreRemoved)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("MonitorEDID").c_str(), 0700), 0);
    const char *const pcGone[] = {"DefSetting.ini.a1B2c3", "Station.ini.Zz09Aa",
                                  "MonitorEDID/Monitor_2_DEL40F3.bin.q8W7e6"};
    const char *const pcKept[] = {"Station.ini", "units.sqlite.a1B2c3", "export.csv.a1B2c3",
                                  "MonitorEDID/Monitor_2_DEL40F3.bin", "MonitorEDID/x.bin.a1B2c3",
                                  "MonitorEDID/DefSetting.ini.a1B2c3"};
    for (const char *pcName : pcGone)
        vWriteFile(dir.file(pcName), "x");
    for (const char *pcName : pcKept)
        vWriteFile(dir.file(pcName), "x");
    vRemoveSaveLeftovers(dir.path().c_str());
    for (const char *pcName : pcGone)
        EXPECT_FALSE(bFileExists(dir.file(pcName))) << pcName;
    for (const char *pcName : pcKept)
        EXPECT_TRUE(bFileExists(dir.file(pcName))) << pcName;
}

} // namespace

TEST(StationFile, TheLinesKeysAreWrittenOnlyWhenSetAndKeptByTheCounter)
{
    TempDir dir;
    std::string path = dir.file(STATION_FILE_NAME);
    vWriteFile(path, "SerialSource = counter\r\nBeforeUnit = \"/opt/line tools/mes\" check\r\n"
                     "AfterUnit = label\r\nHookTimeout = 30\r\nSerialFormat = SN######\r\n");
    stStation st;
    char cWhy[STATION_WHY_MAX] = "";
    ASSERT_TRUE(bReadStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    char cSerial[STAMP_SERIAL_MAX + 1];
    uint64_t u64Number = 0;
    ASSERT_TRUE(bTakeCounterSerial(path.c_str(), &st, cSerial, sizeof(cSerial), &u64Number, cWhy,
                                   sizeof(cWhy), nullptr, nullptr, 0))
        << cWhy;
    std::string written = strReadFile(path);
    EXPECT_NE(written.find("NextSerial = 2\r\n"), std::string::npos) << written;
    EXPECT_EQ(written.substr(written.find("\r\nBeforeUnit") + 2),
              "BeforeUnit = \"/opt/line tools/mes\" check\r\nAfterUnit = label\r\n"
              "HookTimeout = 30\r\nSerialFormat = SN######\r\n");
    vStationDefaults(&st);
    ASSERT_TRUE(bWriteStationFile(path.c_str(), &st, cWhy, sizeof(cWhy))) << cWhy;
    written = strReadFile(path);
    EXPECT_EQ(written.find("Unit"), std::string::npos) << written;
    EXPECT_EQ(written.find("Hook"), std::string::npos) << written;
}
