// The unit record: rows as stored (read with SQLite directly), the marking
// of interrupted units, the CSV's exact bytes, and the databases refused.
#include "tests/support/privileges.h"
#include "tests/support/temp_dir.h"
#if !defined(_WIN32)
#include "tests/support/pg_scratch.h"
#endif

#include "platform/records/records.h"
#include "platform/records/records_os.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every row of the query, fields separated by '|', NULL as "-".
std::string Rows(const std::string &db, const std::string &sql)
{
    sqlite3 *pstDb = nullptr;
    sqlite3_open_v2(db.c_str(), &pstDb, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *pstStmt = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(pstDb, sql.c_str(), -1, &pstStmt, nullptr) != SQLITE_OK)
        text = std::string("error: ") + sqlite3_errmsg(pstDb);
    while (pstStmt && sqlite3_step(pstStmt) == SQLITE_ROW) {
        for (int s32Column = 0; s32Column < sqlite3_column_count(pstStmt); s32Column++) {
            const unsigned char *pu8Text = sqlite3_column_text(pstStmt, s32Column);
            text += (s32Column ? "|" : "") + std::string(pu8Text ? (const char *)pu8Text : "-");
        }
        text += "\n";
    }
    sqlite3_finalize(pstStmt);
    sqlite3_close(pstDb);
    return text;
}

void Exec(const std::string &db, const std::string &sql)
{
    sqlite3 *pstDb = nullptr;
    sqlite3_open(db.c_str(), &pstDb);
    EXPECT_EQ(sqlite3_exec(pstDb, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(pstDb);
    sqlite3_close(pstDb);
}

const char *const UNITS = "SELECT id, time_utc, station, serial, numeric_serial, week, year,"
                         " package_path, package_checksum, result, rework, message, operator"
                         " FROM units ORDER BY id";
const char *const PORTS = "SELECT unit_id, port, display, display_id, image_sha256, result,"
                          " message, duration_ms, numeric_serial, week, year FROM ports"
                          " ORDER BY unit_id, display";

stRecUnit Unit(const char *pcSerial, int32_t bRework = 0)
{
    return {"Linea 2 — Präzision", pcSerial, 4711, 23, 2024, "/pkg/a.pkg", "0x1F2E", bRework, nullptr};
}

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override { vRecSetTimeForTest("2024-06-07T08:09:10Z"); }
    void TearDown() override
    {
        vRecClose();
        vRecSetTimeForTest(nullptr);
    }
    // Opens the test's database: "" when it opened, else the reason.
    // A station without a record yet, unless an identity is given.
    std::string Open(const std::string &path, int32_t *ps32Interrupted = nullptr,
                     stRecIdentity *pstIdentity = nullptr)
    {
        char cWhy[REC_WHY_MAX] = "unchanged";
        stRecIdentity stNew = {};
        return bRecOpen(path.c_str(), pstIdentity ? pstIdentity : &stNew, ps32Interrupted, cWhy,
                        sizeof(cWhy))
                   ? ""
                   : cWhy;
    }
    int64_t Begin(const stRecUnit &stUnit, const stRecPort *pstPorts = nullptr,
                  int32_t s32Count = 0)
    {
        int64_t s64Id = -1;
        char cWhy[REC_WHY_MAX] = "";
        EXPECT_TRUE(bRecBeginUnit(&stUnit, pstPorts, s32Count, &s64Id, cWhy, sizeof(cWhy))) << cWhy;
        return s64Id;
    }
    std::string FinishPort(int64_t s64Id, const char *pcPort, const char *pcResult,
                           const char *pcMessage, uint32_t u32DurationMs)
    {
        char cWhy[REC_WHY_MAX] = "";
        return bRecFinishPort(s64Id, pcPort, pcResult, pcMessage, u32DurationMs, cWhy,
                              sizeof(cWhy))
                   ? ""
                   : cWhy;
    }
    std::string Finish(int64_t s64Id, const char *pcResult, const char *pcMessage = "")
    {
        char cWhy[REC_WHY_MAX] = "";
        return bRecFinishUnit(s64Id, pcResult, pcMessage, cWhy, sizeof(cWhy)) ? "" : cWhy;
    }
    bool Passed(const char *pcSerial)
    {
        bool bPassed = false;
        char cWhy[REC_WHY_MAX] = "";
        EXPECT_TRUE(bRecSerialPassed(pcSerial, &bPassed, cWhy, sizeof(cWhy))) << cWhy;
        return bPassed;
    }
    std::string Export(const std::string &path)
    {
        char cWhy[REC_WHY_MAX] = "";
        return bRecExportCsv(path.c_str(), cWhy, sizeof(cWhy)) ? "" : cWhy;
    }

    TempDir m_dir;
    std::string m_db = m_dir.file("units.sqlite");
};

// The same checks on a file and on the line's server: m_db is then the
// record's target and m_shown what its messages name.
class RecordsOnBoth : public RecordsTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        m_shown = m_db;
        vRecSetStation(Unit("").pcStation);
        if (!GetParam())
            return;
#if defined(_WIN32)
        GTEST_SKIP() << "the line's server is tried on Linux";
#else
        std::string why;
        if (!bPgScratchUp(&why))
            GTEST_SKIP() << why;
        m_database = strPgNewDatabase();
        m_db = strPgTarget(m_database);
        char cShown[1024];
        vRecMaskSecret(m_db.c_str(), cShown, sizeof(cShown));
        m_shown = cShown;
#endif
    }
    void TearDown() override
    {
        RecordsTest::TearDown();
        vRecSetStation(nullptr);
        vRecSetSpool(nullptr);
        vRecStopSendingForTest(false);
    }
    std::string Rows(const std::string &sql)
    {
#if !defined(_WIN32)
        if (GetParam())
            return strPgRows(m_database, sql);
#endif
        return ::Rows(m_db, sql);
    }
    std::string m_database, m_shown;
};

INSTANTIATE_TEST_SUITE_P(Records, RecordsOnBoth, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "Server" : "File");
                         });

// The second image has a model year, which it keeps.
const stRecPort PORTS_TWO[] = {
    {"DP-1", 1, "DEL:A0B1", "ab12", 4711, 23, 2024},
    {"HDMI-A-1", 2, "SAM:0C0D", "cd34", 4711, 255, 2019},
};

TEST_F(RecordsTest, BeginAndFinishStoreTheRowsInOneWalDatabase)
{
    int32_t s32Interrupted = -1;
    ASSERT_EQ(Open(m_db, &s32Interrupted), "");
    EXPECT_TRUE(bRecIsOpen());
    EXPECT_EQ(s32Interrupted, 0);
    EXPECT_EQ(Begin(Unit("SN-1"), PORTS_TWO, 2), 1);
    EXPECT_EQ(Rows(m_db, UNITS), "1|2024-06-07T08:09:10Z|Linea 2 — Präzision|SN-1|4711|23|2024|"
                                 "/pkg/a.pkg|0x1F2E|running|0|-|-\n");
    EXPECT_EQ(Rows(m_db, PORTS), "1|DP-1|1|DEL:A0B1|ab12|running|-|-|4711|23|2024\n"
                                 "1|HDMI-A-1|2|SAM:0C0D|cd34|running|-|-|4711|255|2019\n");
    ASSERT_EQ(FinishPort(1, "DP-1", "pass", "", 1500), "");
    ASSERT_EQ(FinishPort(1, "HDMI-A-1", "fail", "verify: byte 7\nwanted 0x13", 4200), "");
    // A pass with a failed port, or a failure without its reason, is refused.
    EXPECT_EQ(Finish(1, "pass"), m_db + ": unit 1 has a port that did not pass");
    EXPECT_EQ(Finish(1, "fail", ""), m_db + ": a \"fail\" is recorded only with its reason");
    ASSERT_EQ(Finish(1, "fail", "port HDMI-A-1 failed"), "");
    EXPECT_EQ(Rows(m_db, UNITS), "1|2024-06-07T08:09:10Z|Linea 2 — Präzision|SN-1|4711|23|2024|"
                                 "/pkg/a.pkg|0x1F2E|fail|0|port HDMI-A-1 failed|-\n");
    EXPECT_EQ(Rows(m_db, PORTS), "1|DP-1|1|DEL:A0B1|ab12|pass||1500|4711|23|2024\n"
                                 "1|HDMI-A-1|2|SAM:0C0D|cd34|fail|verify: byte 7\n"
                                 "wanted 0x13|4200|4711|255|2019\n");
    EXPECT_EQ(Rows(m_db, "PRAGMA journal_mode"), "wal\n");
    EXPECT_EQ(Rows(m_db, "PRAGMA user_version"), "4\n");
    EXPECT_EQ(Rows(m_db, "SELECT name FROM sqlite_master WHERE type = 'index'"),
              "units_serial\nsqlite_autoindex_meta_1\nunits_uid\nsqlite_autoindex_stations_1\n");
    EXPECT_EQ(Rows(m_db, "SELECT name, first_utc, last_utc FROM stations"),
              "Linea 2 — Präzision|2024-06-07T08:09:10Z|2024-06-07T08:09:10Z\n");

    // A unit or port that is not there, or a result the table refuses: nothing changes.
    EXPECT_EQ(Finish(9, "pass"), m_db + ": no unit 9");
    EXPECT_EQ(FinishPort(1, "DP-1", "fail", "again", 1),
              m_db + ": unit 1 has no running port DP-1");
    EXPECT_EQ(Finish(1, "maybe", "why"),
              m_db + ": CHECK constraint failed: "
                     "result IN ('pass','fail','running','interrupted')");
    EXPECT_EQ(Rows(m_db, "SELECT count(*), group_concat(result) FROM ports"), "2|pass,fail\n");

    // Without the seam the time is the system's, in UTC.
    vRecSetTimeForTest(nullptr);
    time_t before = time(nullptr);
    EXPECT_EQ(Begin(Unit("SN-2")), 2);
    std::string stored = Rows(m_db, "SELECT strftime('%s', time_utc), time_utc FROM units WHERE id = 2");
    EXPECT_NEAR(std::stoll(stored), (long long)before, 2) << stored;
    EXPECT_EQ(stored.substr(stored.size() - 2), "Z\n");
}

// A record of the second or third format gets what it lacks and keeps its
// units: the second the station's uid and stations, both the operator.
TEST_F(RecordsTest, AnOlderRecordGetsTheNewColumnsAndKeepsItsUnits)
{
    for (int32_t s32Format : {2, 3}) {
        std::string db = m_dir.file("units" + std::to_string(s32Format) + ".sqlite");
        ASSERT_EQ(Open(db), "");
        Begin(Unit("SN-1"));
        vRecClose();
        Exec(db, s32Format == 2 ? "DROP INDEX units_uid; ALTER TABLE units DROP COLUMN uid;"
                                  " DROP TABLE stations; ALTER TABLE units DROP COLUMN operator;"
                                  " PRAGMA user_version = 2"
                                : "ALTER TABLE units DROP COLUMN operator; PRAGMA user_version = 3");
        ASSERT_EQ(Open(db), "");
        EXPECT_EQ(Rows(db, "PRAGMA user_version"), "4\n");
        stRecUnit stUnit = Unit("SN-2");
        stUnit.pcOperator = "B-17";
        Begin(stUnit);
        EXPECT_EQ(Rows(db, "SELECT serial, operator, length(uid) FROM units"),
                  s32Format == 2 ? "SN-1|-|-\nSN-2|B-17|32\n" : "SN-1|-|32\nSN-2|B-17|32\n");
        EXPECT_EQ(Rows(db, "SELECT count(*) FROM stations"), "1\n");
    }
}

TEST_P(RecordsOnBoth, ReopeningMarksRunningUnitsInterruptedAndTellsPassedSerials)
{
    ASSERT_EQ(Open(m_db), "");
    EXPECT_EQ(Finish(Begin(Unit("SN-1")), "pass"), "");
    Begin(Unit("SN-2"));
    EXPECT_EQ(Finish(Begin(Unit("SN-2", 1)), "fail", "port DP-1 failed"), "");
    Begin(Unit("SN-3"));
    EXPECT_TRUE(Passed("SN-1"));
    EXPECT_FALSE(Passed("SN-2"));
    EXPECT_FALSE(Passed("SN-9"));

    int32_t s32Interrupted = -1;
    ASSERT_EQ(Open(m_db, &s32Interrupted), "");
    EXPECT_EQ(s32Interrupted, 2);
    EXPECT_EQ(Rows("SELECT id, serial, result, rework FROM units ORDER BY id"),
              "1|SN-1|pass|0\n2|SN-2|interrupted|0\n3|SN-2|fail|1\n4|SN-3|interrupted|0\n");
    EXPECT_EQ(Finish(Begin(Unit("SN-2", 1)), "pass"), "");
    EXPECT_TRUE(Passed("SN-2"));
    vRecClose();
    EXPECT_FALSE(bRecIsOpen());
    ASSERT_EQ(Open(m_db, &s32Interrupted), "");
    EXPECT_EQ(s32Interrupted, 0);
}

TEST_F(RecordsTest, CsvHasOneQuotedLinePerPortAndOneForAUnitWithoutPorts)
{
    ASSERT_EQ(Open(m_db), "");
    stRecUnit stOdd = Unit("SN \"7\"");
    stOdd.pcPackagePath = "/pkg/a,1.pkg";
    int64_t s64Id = Begin(stOdd, PORTS_TWO, 2);
    FinishPort(s64Id, "DP-1", "pass", "", 1500);
    FinishPort(s64Id, "HDMI-A-1", "fail", "verify: byte 7\nwanted 0x13", 4200);
    EXPECT_EQ(Finish(s64Id, "fail", "port HDMI-A-1 failed"), "");
    stRecUnit stBare = {nullptr, "SN-8", 8, 255, 2023, "p.pkg", "0x0", 1, "B-17"};
    Begin(stBare);
    std::string csv = m_dir.file("units.csv");
    ASSERT_EQ(Export(csv), "");
    EXPECT_EQ(strReadFile(csv),
              "unit_id,time_utc,station,serial,numeric_serial,week,year,package_path,"
              "package_checksum,unit_result,rework,port,display,display_id,image_sha256,"
              "port_result,message,duration_ms,port_numeric_serial,port_week,port_year,"
              "unit_message,operator\r\n"
              "1,2024-06-07T08:09:10Z,Linea 2 — Präzision,\"SN \"\"7\"\"\",4711,23,2024,"
              "\"/pkg/a,1.pkg\",0x1F2E,fail,0,DP-1,1,DEL:A0B1,ab12,pass,,1500,4711,23,2024,"
              "port HDMI-A-1 failed,\r\n"
              "1,2024-06-07T08:09:10Z,Linea 2 — Präzision,\"SN \"\"7\"\"\",4711,23,2024,"
              "\"/pkg/a,1.pkg\",0x1F2E,fail,0,HDMI-A-1,2,SAM:0C0D,cd34,fail,"
              "\"verify: byte 7\nwanted 0x13\",4200,4711,255,2019,port HDMI-A-1 failed,\r\n"
              "2,2024-06-07T08:09:10Z,,SN-8,8,255,2023,p.pkg,0x0,running,1,,,,,,,,,,,,B-17\r\n");

    // No connection stays open between calls: no WAL or shm is left.
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 2u);
    EXPECT_EQ(Export(m_dir.path()), m_dir.path() + ": it is a folder, not a regular file");

    // A full disk keeps the last export as it was, and nothing beside it.
    std::string dir = m_dir.file("full");
    SmallDisk disk(dir);
    if (!disk.bMounted())
        GTEST_SKIP() << "no full disk to write on: " << disk.why();
    csv = dir + "/units.csv";
    vWriteFile(csv, "old");
    disk.vFill();
    EXPECT_EQ(Export(csv), csv + ": No space left on device");
    EXPECT_EQ(strReadFile(csv), "old");
    EXPECT_EQ(lstDirEntries(dir).size(), 2u); // the CSV and the filler
}

// What another program reads: sqlite3's own command-line shell.
std::string OtherProgramReads(const std::string &db, const std::string &sql)
{
    std::string command = "sqlite3 '" + db + "' \"" + sql + "\" 2>&1";
    FILE *pPipe = popen(command.c_str(), "r");
    std::string text;
    char cBuf[256];
    while (pPipe && fgets(cBuf, sizeof(cBuf), pPipe))
        text += cBuf;
    if (pPipe)
        pclose(pPipe);
    return text;
}

// Opening and closing the record's file in this process (as a file dialog
// showing its folder does) drops the locks a connection holds on it; another
// program closing its connection would then remove the WAL under one kept
// open, and a finished unit would never reach the file.
TEST_F(RecordsTest, AFinishedUnitReachesTheFileWhateverOpenedItMeanwhile)
{
#if defined(_WIN32)
    GTEST_SKIP() << "Windows drops no lock when a file is closed";
#endif
    if (system("command -v sqlite3 >/dev/null") != 0)
        GTEST_SKIP() << "no sqlite3 shell (tools/install-deps.sh installs it)";
    ASSERT_EQ(Open(m_db), "");
    int64_t s64Id = Begin(Unit("SN-1"));
    close(open(m_db.c_str(), O_RDONLY));
    EXPECT_EQ(OtherProgramReads(m_db, "SELECT result FROM units"), "running\n");
    ASSERT_EQ(Finish(s64Id, "pass"), "");
    EXPECT_EQ(OtherProgramReads(m_db, "SELECT result FROM units"), "pass\n");
}

TEST(Records, Sha256IsLowerCaseHex)
{
    char cHex[REC_SHA256_HEX_SIZE];
    vRecSha256Hex((const uint8_t *)"abc", 3, cHex);
    EXPECT_STREQ(cHex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    vRecSha256Hex(nullptr, 0, cHex);
    EXPECT_STREQ(cHex, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST_F(RecordsTest, WhatCannotBeADatabaseIsRefusedWithTheReason)
{
    std::string folder = m_dir.file("folder");
    EXPECT_EQ(Open(""), "no file is named for the unit record");
#if defined(_WIN32)
    mkdir(folder.c_str());
    // Wine shows no link as one: only the device names are Windows' own.
    EXPECT_EQ(Open(m_dir.file("COM1")), m_dir.file("COM1") + ": it is a character device, not a "
                                                             "regular file");
#else
    std::string fifo = m_dir.file("fifo");
    mkdir(folder.c_str(), 0755);
    mkfifo(fifo.c_str(), 0644);
    symlink("units.sqlite", m_dir.file("link.sqlite").c_str());
    EXPECT_EQ(Open(fifo), fifo + ": it is a FIFO, not a regular file");
    EXPECT_EQ(Open(m_dir.file("link.sqlite")),
              m_dir.file("link.sqlite") + ": it is a symbolic link, not a regular file");
#endif
    EXPECT_EQ(Open(folder), folder + ": it is a folder, not a regular file");
    EXPECT_EQ(Open(m_dir.file("none/units.sqlite")),
              m_dir.file("none/units.sqlite") + ": unable to open database file");
    vWriteFile(m_dir.file("text.sqlite"), std::string(600, 'x'));
    EXPECT_EQ(Open(m_dir.file("text.sqlite")),
              m_dir.file("text.sqlite") + ": file is not a database");
    EXPECT_FALSE(bRecIsOpen());
    int64_t s64Id = 5;
    char cWhy[REC_WHY_MAX] = "";
    stRecUnit stUnit = Unit("SN-1");
    EXPECT_FALSE(bRecBeginUnit(&stUnit, nullptr, 0, &s64Id, cWhy, sizeof(cWhy)));
    EXPECT_STREQ(cWhy, "no unit record is open");
    EXPECT_EQ(s64Id, 0);

    // A record of a newer program is left alone.
    ASSERT_EQ(Open(m_db), "");
    Begin(Unit("SN-1"));
    vRecClose();
    Exec(m_db, "PRAGMA user_version = 5");
    EXPECT_EQ(Open(m_db), m_db + ": made by a newer program (record format 5; this program "
                                 "knows up to 4)");
    EXPECT_EQ(Rows(m_db, "SELECT result FROM units"), "running\n");

#if !defined(_WIN32)
    // For an ordinary user (root writes everywhere) a read-only record.
    chmod(m_dir.path().c_str(), 0755);
    Exec(m_db, "PRAGMA journal_mode = DELETE; PRAGMA user_version = 4");
    chmod(m_db.c_str(), 0644);
    std::string text = strAsUser([&] { return Open(m_db); });
    EXPECT_EQ(text, m_db + ": attempt to write a readonly database");
    EXPECT_EQ(Rows(m_db, "SELECT result FROM units"), "running\n");
#endif
}

// The station's record: made once, then recognised; what took its place is
// named, never made again.
TEST_F(RecordsTest, TheStationsRecordIsKnownByItsIdAndLastUnit)
{
    stRecIdentity stStation = {};
    ASSERT_EQ(Open(m_db, nullptr, &stStation), "");
    std::string id = stStation.cId;
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
    EXPECT_EQ(Rows(m_db, "SELECT key, value FROM meta"), "record_id|" + id + "\n");
    EXPECT_EQ(stStation.s64LastUnit, 0);
    Begin(Unit("SN-1"));
    Begin(Unit("SN-2"));

    auto Refused = [&](const char *pcId, int64_t s64Last) {
        stRecIdentity stExpect = {};
        snprintf(stExpect.cId, sizeof(stExpect.cId), "%s", pcId);
        stExpect.s64LastUnit = s64Last;
        std::string why = Open(m_db, nullptr, &stExpect);
        EXPECT_EQ(stExpect.bNotThis, !why.empty()) << why;
        EXPECT_EQ(bRecIsOpen(), why.empty());
        return why;
    };
    EXPECT_EQ(Refused(id.c_str(), 2), "");
    EXPECT_EQ(Refused(id.c_str(), 3), m_db + ": it is older than the station expects: its last "
                                             "unit is 2, the station began unit 3 in it");
    const char *pcOther = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(Refused(pcOther, 0),
              m_db + ": it is another database (record " + id + "); the station's record is " +
                  pcOther);
    vRecClose();
    for (const char *pcEnd : {"-wal", "-shm"})
        remove((m_db + pcEnd).c_str());
    vWriteFile(m_db, "");
    EXPECT_EQ(Refused(id.c_str(), 2), m_db + ": it is empty; the station's record is " + id);
    EXPECT_EQ(strReadFile(m_db), "");
    remove(m_db.c_str());
    EXPECT_EQ(Refused(id.c_str(), 2),
              m_db + ": there is no such file; the station's record is " + id);
    EXPECT_EQ(lstDirEntries(m_dir.path()).size(), 0u);

    // A record of the first format is migrated and adopted with its units.
    Exec(m_db, "CREATE TABLE units(id INTEGER PRIMARY KEY, time_utc TEXT NOT NULL, station TEXT,"
               " serial TEXT, numeric_serial INTEGER, week INTEGER, year INTEGER,"
               " package_path TEXT, package_checksum TEXT, result TEXT, rework INTEGER);"
               "CREATE TABLE ports(unit_id INTEGER, port TEXT, display INTEGER, display_id TEXT,"
               " image_sha256 TEXT, result TEXT, message TEXT, duration_ms INTEGER);"
               "INSERT INTO units VALUES(7, 't', 's', 'SN-7', 7, 1, 2020, 'p', 'c', 'pass', 0);"
               "INSERT INTO units VALUES(8, 't', 's', 'SN-8', 8, 1, 2020, 'p', 'c', 'fail', 0);"
               "INSERT INTO ports VALUES(7, 'DP-1', 1, 'd', 'ab', 'pass', '', 10);"
               "PRAGMA user_version = 1;");
    EXPECT_EQ(Refused(id.c_str(), 0), m_db + ": it is another database (no record id); the "
                                             "station's record is " + id);
    stStation = {};
    ASSERT_EQ(Open(m_db, nullptr, &stStation), "");
    EXPECT_EQ(stStation.s64LastUnit, 8);
    EXPECT_EQ(Rows(m_db, "SELECT value FROM meta"), std::string(stStation.cId) + "\n");
    EXPECT_EQ(Rows(m_db, "PRAGMA user_version"), "4\n");
    EXPECT_EQ(Rows(m_db, "SELECT count(uid) FROM units"), "0\n");
    EXPECT_EQ(Rows(m_db, "SELECT operator FROM units"), "-\n-\n");
    EXPECT_EQ(Rows(m_db, UNITS), "7|t|s|SN-7|7|1|2020|p|c|pass|0|-|-\n"
                                 "8|t|s|SN-8|8|1|2020|p|c|fail|0|no reason was recorded by the "
                                 "older program|-\n");
    EXPECT_EQ(Rows(m_db, PORTS), "7|DP-1|1|d|ab|pass||10|-|-|-\n");
}

// A kill between two ports: the next open names the unit, what finished and
// what did not, with the numbers each port was stamped with.
TEST_P(RecordsOnBoth, EachPortIsRecordedAsItEndsAndAnInterruptedUnitNamesTheRest)
{
    ASSERT_EQ(Open(m_db), "");
    EXPECT_EQ(pstRecInterrupted()->s64Id, 0);
    int64_t s64Id = Begin(Unit("SN-5"), PORTS_TWO, 2);
    ASSERT_EQ(FinishPort(s64Id, "DP-1", "pass", "", 900), "");
    int32_t s32Interrupted = 0;
    ASSERT_EQ(Open(m_db, &s32Interrupted), "");
    EXPECT_EQ(s32Interrupted, 1);
    const stRecInterrupted *pst = pstRecInterrupted();
    EXPECT_EQ(pst->s64Id, s64Id);
    EXPECT_STREQ(pst->cSerial, "SN-5");
    ASSERT_EQ(pst->s32PortCount, 2);
    std::string ports;
    for (int32_t i = 0; i < pst->s32PortCount; i++) {
        const stRecInterruptedPort &p = pst->stPorts[i];
        ports += std::string(p.cPort) + " " + std::to_string(p.s32Display) + " " +
                 std::to_string(p.u32NumericSerial) + " " + std::to_string(p.s32Week) + " " +
                 std::to_string(p.s32Year) + (p.bFinished ? " finished\n" : " not finished\n");
    }
    EXPECT_EQ(ports, "DP-1 1 4711 23 2024 finished\nHDMI-A-1 2 4711 255 2019 not finished\n");
    EXPECT_EQ(Rows("SELECT result, message FROM units"),
              "interrupted|the program stopped before the unit ended\n");
    EXPECT_EQ(Rows("SELECT port, result, message FROM ports ORDER BY display"),
              "DP-1|pass|\nHDMI-A-1|interrupted|the program stopped before this port ended\n");
    ASSERT_EQ(Open(m_db), "");
    EXPECT_EQ(pstRecInterrupted()->s64Id, 0);

    // A unit that ends before a port ran: that port fails with the reason.
    s64Id = Begin(Unit("SN-6"), PORTS_TWO, 2);
    ASSERT_EQ(FinishPort(s64Id, "DP-1", "pass", "", 900), "");
    ASSERT_EQ(Finish(s64Id, "fail", "port HDMI-A-1 did not run"), "");
    EXPECT_EQ(Rows("SELECT port, result, message FROM ports WHERE unit_id = 2 ORDER BY display"),
              "DP-1|pass|\nHDMI-A-1|fail|the unit ended before this port ran\n");
}

TEST_P(RecordsOnBoth, CsvCellsASpreadsheetWouldRunAreInert)
{
    ASSERT_EQ(Open(m_db), "");
    stRecUnit stUnit = {"@SUM(A1)", "=1+2", 1, 1, 2024, "-p.pkg", "+0x1", 0, "@op"};
    const stRecPort stPort = {"\tDP", 1, "\rX", "ab", 1, 1, 2024};
    int64_t s64Id = Begin(stUnit, &stPort, 1);
    FinishPort(s64Id, "\tDP", "fail", "=HYPERLINK(\"x\")", 5);
    Finish(s64Id, "fail", "-port failed");
    std::string csv = m_dir.file("units.csv");
    ASSERT_EQ(Export(csv), "");
    std::string text = strReadFile(csv);
    EXPECT_EQ(text.substr(text.find("\r\n") + 2),
              "1,2024-06-07T08:09:10Z,'@SUM(A1),'=1+2,1,1,2024,'-p.pkg,'+0x1,fail,0,'\tDP,1,"
              "\"'\rX\",ab,fail,\"'=HYPERLINK(\"\"x\"\")\",5,1,1,2024,'-port failed,'@op\r\n");

    // The reports' query gives the export's bytes, for the unit it asks for.
    Finish(Begin(Unit("SN-2")), "pass");
    stRecFilter stFilter = {};
    snprintf(stFilter.cSerial, sizeof(stFilter.cSerial), "=1+2");
    std::string queried = gc_RecCsvHeader;
    char cWhy[REC_WHY_MAX] = "";
    auto bAppend = [](const stRecRow *pstRow, void *pvText) {
        char cLine[2048];
        bool bFits = bRecCsvLine(pstRow, cLine, sizeof(cLine));
        *(std::string *)pvText += cLine;
        return bFits;
    };
    EXPECT_TRUE(bRecQuery(m_db.c_str(), &stFilter, bAppend, &queried, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(queried, text);
}

// The window paints while a server's statement runs: the work here ends
// only once the painting has been seen three times.
TEST(Records, WorkSetAsideRunsWhileTheWaitIsCalled)
{
    static int32_t s_s32Paints;
    s_s32Paints = 0;
    int32_t s32Seen = 0;
    vRecOsRunAside(
        [](void *pvSeen) {
            // Bounded, so work run in place fails the check instead of hanging.
            for (int64_t i = 0; i < 2000000000 && __atomic_load_n(&s_s32Paints, __ATOMIC_ACQUIRE) < 3;
                 i++)
                ;
            *(int32_t *)pvSeen = __atomic_load_n(&s_s32Paints, __ATOMIC_ACQUIRE);
        },
        &s32Seen, [] { __atomic_add_fetch(&s_s32Paints, 1, __ATOMIC_RELEASE); });
    EXPECT_GE(s32Seen, 3);
    // Without a wait the work runs here, at once.
    s32Seen = 0;
    vRecOsRunAside([](void *pvSeen) { *(int32_t *)pvSeen = 1; }, &s32Seen, nullptr);
    EXPECT_EQ(s32Seen, 1);
}

TEST(Records, APasswordInTheConnectionStringIsNeverShown)
{
    char cShown[256];
    vRecMaskSecret("odbc:DSN=line3;UID=qa;PWD=s3cret;Server=db1", cShown, sizeof(cShown));
    EXPECT_STREQ(cShown, "odbc:DSN=line3;UID=qa;PWD=***;Server=db1");
    vRecMaskSecret("odbc:Driver={PostgreSQL Unicode};password={a;b}c;Database=x", cShown,
                   sizeof(cShown));
    EXPECT_STREQ(cShown, "odbc:Driver={PostgreSQL Unicode};password=***;Database=x");
    vRecMaskSecret("odbc:Pwd=end", cShown, 12);
    EXPECT_STREQ(cShown, "odbc:Pwd=**");
    vRecMaskSecret("units.sqlite", cShown, sizeof(cShown));
    EXPECT_STREQ(cShown, "units.sqlite");
}

#if !defined(_WIN32)
class RecordsOnServer : public RecordsOnBoth {};

INSTANTIATE_TEST_SUITE_P(Records, RecordsOnServer, ::testing::Values(true),
                         [](const ::testing::TestParamInfo<bool> &) { return "Server"; });

// What the line relies on: one passed unit per serial whichever station
// passes it, the stations, the line's counters, a server refused without
// its password in the reason.
TEST_P(RecordsOnServer, TheDatabaseKeepsOnePassPerSerialAndTheLinesCounters)
{
    ASSERT_EQ(Open(m_db), "");
    EXPECT_TRUE(bRecIsServer());
    EXPECT_EQ(Rows("SELECT version FROM schema_version"), "4\n");
    EXPECT_EQ(Finish(Begin(Unit("SN-1")), "pass"), "");
    int64_t s64Again = Begin(Unit("SN-1"));
    std::string why = Finish(s64Again, "pass");
    EXPECT_EQ(why.rfind(m_shown + ": ERROR: duplicate key value violates unique constraint "
                                  "\"units_one_pass\"", 0), 0u) << why;
    EXPECT_FALSE(bRecServerAway());
    stRecUnit stRework = Unit("SN-1", 1);
    stRework.pcOperator = "B-17";
    EXPECT_EQ(Finish(Begin(stRework), "pass"), "");
    EXPECT_EQ(Rows(UNITS), "1|2024-06-07T08:09:10Z|Linea 2 — Präzision|SN-1|4711|23|2024|"
                           "/pkg/a.pkg|0x1F2E|pass|0||-\n"
                           "2|2024-06-07T08:09:10Z|Linea 2 — Präzision|SN-1|4711|23|2024|"
                           "/pkg/a.pkg|0x1F2E|running|0|-|-\n"
                           "3|2024-06-07T08:09:10Z|Linea 2 — Präzision|SN-1|4711|23|2024|"
                           "/pkg/a.pkg|0x1F2E|pass|1||B-17\n");
    EXPECT_EQ(Rows("SELECT count(DISTINCT uid), min(length(uid)) FROM units"), "3|32\n");
    EXPECT_EQ(Rows("SELECT name, first_utc FROM stations"),
              "Linea 2 — Präzision|2024-06-07T08:09:10Z\n");

    char cWhy[REC_WHY_MAX] = "";
    int64_t s64Number = 0;
    std::string taken;
    for (const char *pcPrefix : {"L3-", "L3-", "L4-", "L3-"}) {
        EXPECT_TRUE(bRecTakeCounter(pcPrefix, 42, &s64Number, cWhy, sizeof(cWhy))) << cWhy;
        taken += std::to_string(s64Number) + " ";
    }
    EXPECT_EQ(taken, "42 43 42 44 ");
    EXPECT_EQ(Rows("SELECT prefix, next_value FROM counters ORDER BY prefix"),
              "L3-|45\nL4-|43\n");

    // Another station's unit still running is not this one's to mark.
    int32_t s32Interrupted = -1;
    stRecUnit stOther = Unit("SN-9");
    stOther.pcStation = "other";
    Begin(stOther);
    ASSERT_EQ(Open(m_db, &s32Interrupted), "");
    EXPECT_EQ(s32Interrupted, 1);   // unit 2
    EXPECT_EQ(Rows("SELECT id, result FROM units WHERE result IN ('running', 'interrupted')"
                   " ORDER BY id"),
              "2|interrupted\n4|running\n");

    // A file keeps its counter in the station's file.
    ASSERT_EQ(Open(m_dir.file("units.sqlite")), "");
    EXPECT_FALSE(bRecIsServer());
    EXPECT_FALSE(bRecTakeCounter("L3-", 1, &s64Number, cWhy, sizeof(cWhy)));
    EXPECT_EQ(std::string(cWhy), m_dir.file("units.sqlite") + ": a file record keeps no line counter");

    std::string refused = Open("odbc:Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=1;"
                               "Database=x;Uid=u;PWD=topsecret;");
    EXPECT_EQ(refused.rfind("odbc:Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=1;"
                            "Database=x;Uid=u;PWD=***;: ", 0), 0u) << refused;
    EXPECT_EQ(refused.find("topsecret"), std::string::npos) << refused;
    EXPECT_EQ(refused.find_first_of("\n\t"), std::string::npos) << refused;
    EXPECT_TRUE(bRecServerAway());
}

// A server made by the program before the operator column gets it, its units kept.
TEST_P(RecordsOnServer, AServerOfTheThirdFormatGetsTheOperatorColumn)
{
    ASSERT_EQ(Open(m_db), "");
    Begin(Unit("SN-1"));
    vRecClose();
    Rows("ALTER TABLE units DROP COLUMN operator; UPDATE schema_version SET version = 3");
    ASSERT_EQ(Open(m_db), "");
    EXPECT_EQ(Rows("SELECT version FROM schema_version"), "4\n");
    stRecUnit stUnit = Unit("SN-2");
    stUnit.pcOperator = "B-17";
    Begin(stUnit);
    EXPECT_EQ(Rows("SELECT serial, result, operator FROM units ORDER BY id"),
              "SN-1|interrupted|-\nSN-2|running|B-17\n");
}

// The server restarted between two units: the lost connection is found and
// made again before the next call, which does its work.
TEST_P(RecordsOnServer, ALostConnectionIsMadeAgainBeforeTheNextCall)
{
    ASSERT_EQ(Open(m_db), "");
    int64_t s64Id = Begin(Unit("SN-1"));
    ASSERT_TRUE(bPgRestart());
    EXPECT_EQ(Finish(s64Id, "fail", "port DP-1 failed"), "");
    EXPECT_FALSE(bRecServerAway());
    EXPECT_FALSE(Passed("SN-1"));
    EXPECT_EQ(Rows("SELECT result FROM units"), "fail\n");
}

// The server away: the units go to the spool, the rework check and the export
// see only it; back, the units arrive in order and once, even when a send
// stopped after the server's commit; a unit under way waits for its end.
TEST_P(RecordsOnServer, UnitsSpooledWhileTheServerIsAwayArriveOnceInOrder)
{
    std::string spool = m_dir.file("spool.sqlite");
    vRecSetSpool(spool.c_str());
    ASSERT_EQ(Open(m_db), "");
    EXPECT_EQ(Finish(Begin(Unit("SN-1")), "pass"), "");
    ASSERT_TRUE(bPgStop());
    int64_t s64Two = Begin(Unit("SN-2"), PORTS_TWO, 2);
    EXPECT_LT(s64Two, 0);
    EXPECT_EQ(FinishPort(s64Two, "DP-1", "pass", "", 12), "");
    EXPECT_EQ(Finish(s64Two, "fail", "port HDMI-A-1 did not run"), "");
    stRecUnit stThree = Unit("SN-3");
    stThree.pcOperator = "B-17";
    EXPECT_EQ(Finish(Begin(stThree), "pass"), "");
    EXPECT_EQ(s32RecUnsent(), 2);
    EXPECT_FALSE(Passed("SN-1"));
    EXPECT_TRUE(Passed("SN-3"));
    EXPECT_TRUE(bRecOnlySpool());
    char cWhy[REC_WHY_MAX] = "";
    ASSERT_TRUE(bRecExportCsv(m_dir.file("x.csv").c_str(), cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_TRUE(bRecOnlySpool());
    std::string csv = strReadFile(m_dir.file("x.csv"));
    EXPECT_EQ(csv.find("SN-1"), std::string::npos);
    EXPECT_NE(csv.find("SN-3"), std::string::npos);
    int32_t s32Unsent = -1;
    EXPECT_FALSE(bRecSendSpooled(&s32Unsent, cWhy, sizeof(cWhy)));
    EXPECT_EQ(s32Unsent, 2);

    ASSERT_TRUE(bPgStart());
    vRecStopSendingForTest(true);
    EXPECT_FALSE(bRecSendSpooled(&s32Unsent, cWhy, sizeof(cWhy)));
    EXPECT_EQ(s32Unsent, 2);
    vRecStopSendingForTest(false);
    EXPECT_TRUE(bRecSendSpooled(&s32Unsent, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(s32Unsent, 0);
    EXPECT_EQ(Rows("SELECT serial, result, message, operator FROM units ORDER BY id"),
              "SN-1|pass||-\nSN-2|fail|port HDMI-A-1 did not run|-\nSN-3|pass||B-17\n");
    EXPECT_EQ(Rows("SELECT count(DISTINCT uid) FROM units"), "3\n");
    // Ids follow the server's own sequence, which a stop may have moved on.
    EXPECT_EQ(Rows("SELECT port, display, p.result, p.message, duration_ms, p.year FROM ports p"
                   " JOIN units u ON u.id = p.unit_id WHERE u.serial = 'SN-2' ORDER BY p.id"),
              "DP-1|1|pass|-|12|2024\n"
              "HDMI-A-1|2|fail|the unit ended before this port ran|-|2019\n");
    EXPECT_TRUE(Passed("SN-1"));
    EXPECT_FALSE(bRecOnlySpool());

    // A station that knows its record opens it with the server away; its
    // unit left running there is marked when the server answers.
    stRecIdentity stKnown = {};
    ASSERT_EQ(Open(m_db, nullptr, &stKnown), "");
    int64_t s64Left = Begin(Unit("SN-5"));
    ASSERT_TRUE(bPgStop());
    EXPECT_EQ(Open(m_db).rfind(m_shown + ": ", 0), 0u)
        << "the server away, a station that knows no record opens none";
    stKnown.s64LastUnit = s64Left;
    ASSERT_EQ(Open(m_db, nullptr, &stKnown), "");
    int64_t s64Four = Begin(Unit("SN-4"));
    EXPECT_LT(s64Four, 0);
    ASSERT_TRUE(bPgStart());
    EXPECT_TRUE(bRecSendSpooled(&s32Unsent, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(s32Unsent, 1);
    EXPECT_EQ(Finish(s64Four, "pass"), "");
    EXPECT_TRUE(bRecSendSpooled(&s32Unsent, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(s32Unsent, 0);
    EXPECT_EQ(Rows("SELECT serial, result FROM units ORDER BY id"),
              "SN-1|pass\nSN-2|fail\nSN-3|pass\nSN-5|interrupted\nSN-4|pass\n");

    // A serial another station passed meanwhile arrives as a re-work, and
    // the unit after it is not held back.
    ASSERT_TRUE(bPgStop());
    EXPECT_EQ(Finish(Begin(Unit("SN-6")), "pass"), "");
    EXPECT_EQ(Finish(Begin(Unit("SN-7")), "pass"), "");
    ASSERT_TRUE(bPgStart());
    Rows("INSERT INTO units(uid, time_utc, station, serial, result, rework)"
         " VALUES('other', '2024-06-07T09:00:00Z', 'other', 'SN-6', 'pass', 0)");
    EXPECT_TRUE(bRecSendSpooled(&s32Unsent, cWhy, sizeof(cWhy))) << cWhy;
    EXPECT_EQ(s32Unsent, 0);
    EXPECT_EQ(Rows("SELECT serial, station, result, rework, message FROM units"
                   " WHERE serial IN ('SN-6', 'SN-7') ORDER BY id"),
              "SN-6|other|pass|0|-\n"
              "SN-6|Linea 2 — Präzision|pass|1|passed again while the line's server was away:"
              " recorded as a re-work\n"
              "SN-7|Linea 2 — Präzision|pass|0|\n");
}
#endif

} // namespace
