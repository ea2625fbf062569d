// tavolin-cli run in this process on the simulated bench, beside the window
// program doing the same on the same bench.
#include "tests/support/device_fixture.h"
#include "tests/support/edid_corpus.h"
#include "tests/support/package_maker.h"
#include "tests/support/run_program.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "files/station.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/clock/PlatformClock.h"
#include "platform/records/records.h"
#include "ui/Pavimo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct stCliResult {
    int32_t s32Code;
    std::string out;
    std::string err;
};

std::string strRead(FILE *p)
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

Bytes lstBytes(const std::string &text) { return Bytes(text.begin(), text.end()); }

const char *const gc_SettingsHead = "Version Name = Tavolin - EDID Download AP v1.04c  2010.05.27\r\r\n";

// Three displays: two holding images, one blank; a two-port package.
class CliTest : public DeviceTest {
public:
    Bytes m_image1 = lstMakeEdid(1, "ACR", 0x1234);
    Bytes m_image2 = lstMakeEdid(0, "BNQ", 0x0042);
    Bytes m_portA = lstMakeEdid(1, "GSM", 0x7777);
    std::string m_pkg;
    Bytes m_windowMemory; // the blank display's, after the window program's run

    void SetUp() override
    {
        DeviceTest::SetUp();
        vDiscardPanels();
        m_pkg = m_dir.file("job.pkg");
        vWriteFile(m_pkg, Bytes2Str(lstMakePackage({{"HDMI", m_portA}, {"DVI", m_image2}})));
        Bench();
    }

    std::string File(const char *pcName) { return m_dir.file(pcName); }

    static std::string Bytes2Str(const Bytes &b) { return std::string(b.begin(), b.end()); }

    void Bench()
    {
        vDdcBenchReset();
        vDdcBenchClear();
        AddDisplay(m_image1);
        AddDisplay(m_image2);
        AddBlankDisplay(256);
    }

    // Both programs start with these settings: the package and the functions.
    void Settings(const std::string &package, int s32Speed = 4)
    {
        vWriteFile(m_dir.file("DefSetting.ini"),
                   std::string(gc_SettingsHead) + "FilePath = " + package +
                       "\r\r\nFunctionSelect = 0 1 1 0 0 0\r\r\nSavedFileType = 1 0\r\r\n"
                       "ReceivedNumOfPage = 1\r\r\nDdcI2cSpeed = " + std::to_string(s32Speed) +
                       "\r\r\n");
    }

    stCliResult Cli(std::vector<std::string> args)
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
        int32_t s32Code = s32CliRun(&stOptions, pOut, pErr);
        m_dialogs.vInstall();
        vUiSetMessageResponder([](const char *, const char *, void *) {}, nullptr);
        return {s32Code, strRead(pOut), strRead(pErr)};
    }

    void RunUntilIdle()
    {
        for (int i = 0; i < 2000 && s32WaitingCommandCount() > 0; i++)
            Ticks(1);
    }

    // The window program from its start to the end of what the operator did.
    std::string Window(void (*pfnOperator)(CliTest *))
    {
        Bench();
        vResetProgramState();
        StartUp();
        RunUntilIdle();
        pfnOperator(this);
        RunUntilIdle();
        std::string box = MsgBox();
        m_windowMemory = Memory(3, 256);
        vShutdownDdc();
        vDiscardPanels();
        Bench();
        vResetProgramState();
        return box;
    }

    void Pick(int s32Display, int s32Port = -1)
    {
        SetCtrlIndex(MainPanel(), MAIN_MONITOR_LIST, s32Display - 1);
        if (s32Port > 0)
            SetCtrlIndex(MainPanel(), MAIN_PORT_LIST, s32Port - 1);
    }

    void Start(int s32Erase, int s32Program, int s32Verify)
    {
        SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, s32Erase);
        SetCtrlVal(MainPanel(), MAIN_FUNC_PROGRAM, s32Program);
        SetCtrlVal(MainPanel(), MAIN_FUNC_VERIFY, s32Verify);
        SetCtrlVal(MainPanel(), MAIN_FUNC_RECEIVE, 0);
        ASSERT_EQ(UiClick(MainPanel(), MAIN_START_BTN), 0);
    }

    // Receive by page and Save, as their buttons post them.
    void ReadAndSave(int s32Pages, int s32Text, const std::string &path)
    {
        SetCtrlVal(MainPanel(), MAIN_PAGE_NUM, s32Pages);
        vSetMainDeviceSaveTypeCB(0, s32Text ? 2 : 1);
        m_dialogs.vPush(VAL_NEW_FILE_SELECTED, path);
        DirectRecieveEdidCallback(MainPanel(), MAIN_RECEIVE_PAGE_BTN, EVENT_COMMIT, nullptr, 0, 0);
        SaveDeviceEdidCallback(MainPanel(), MAIN_SAVE_EDID_BTN, EVENT_COMMIT, nullptr, 0, 0);
    }

    Bytes Memory(int s32Display, size_t size)
    {
        Bytes memory = lstDdcBenchMemory(s32Display - 1);
        memory.resize(size);
        return memory;
    }
};

TEST_F(CliTest, EachCommandPrintsWhatTheWindowProgramsMessageBoxShows)
{
    struct stCase {
        std::vector<std::string> args;
        void (*pfnOperator)(CliTest *);
    };
    const std::string bin = m_dir.file("read.bin");
    const std::string txt = m_dir.file("read.txt");
    const stCase cases[] = {
        {{"detect"}, [](CliTest *) {}},
        {{"detect", "--speed", "200"}, [](CliTest *) {}},
        {{"read", "--display", "1", "-o", bin},
         [](CliTest *t) { t->Pick(1), t->ReadAndSave(2, 0, t->File("read.bin")); }},
        {{"read", "--display", "2", "--pages", "3", "--text", "-o", txt},
         [](CliTest *t) { t->Pick(2), t->ReadAndSave(3, 1, t->File("read.txt")); }},
        {{"program", "--package", m_pkg, "--port", "HDMI", "--display", "3", "--erase"},
         [](CliTest *t) { t->Pick(3, 1), t->Start(1, 1, 1); }},
        {{"verify", "--package", m_pkg, "--port", "2", "--display", "2"},
         [](CliTest *t) { t->Pick(2, 2), t->Start(0, 0, 1); }},
        {{"erase", "--display", "1"}, [](CliTest *t) { t->Pick(1), t->Start(1, 0, 0); }},
    };
    for (const stCase &c : cases) {
        bool bProgram = c.args[0] == "program";
        bool bSpeed = c.args.size() == 3 && c.args[1] == "--speed";
        // The window program's speed comes from its settings (the last clock).
        Settings(c.args[0] == "program" || c.args[0] == "verify" ? m_pkg : "", bSpeed ? 8 : 4);
        std::string box = Window(c.pfnOperator);
        const std::string &out = c.args.back() == txt ? txt : bin;
        bool bRead = c.args[0] == "read";
        Bytes windowFile = bRead ? lstBytes(strReadFile(out)) : Bytes();
        EXPECT_EQ(windowFile.empty(), !bRead);
        remove(out.c_str());
        Settings(c.args[0] == "program" || c.args[0] == "verify" ? m_pkg : "");
        stCliResult r = Cli(c.args);
        SCOPED_TRACE(c.args[0]);
        EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
        EXPECT_EQ(r.out, box);
        EXPECT_NE(box.find(" - Pass\n>"), std::string::npos);
        EXPECT_EQ(r.err, "");
        if (bRead) {
            EXPECT_EQ(lstBytes(strReadFile(out)), windowFile);
        }
        EXPECT_EQ(Memory(3, 256), m_windowMemory);
        if (bProgram) {
            EXPECT_EQ(Memory(3, 256), m_portA);
        }
    }
}

TEST_F(CliTest, ACorpusEdidProgrammedOntoABlankDisplayReadsBackByteForByte)
{
    std::vector<stCorpusEdid> corpus = lstCorpus();
    if (corpus.empty())
        GTEST_SKIP() << strCorpusMissing();
    const stCorpusEdid *pst = nullptr;
    for (const stCorpusEdid &e : corpus)
        if (!pst && e.bytes.size() == 256 && e.bytes[126] == 1)
            pst = &e;
    ASSERT_NE(pst, nullptr);
    vWriteFile(m_pkg, Bytes2Str(lstMakePackage({{"HDMI", pst->bytes}})));
    // A blank memory declares no pages: one is read.
    stCliResult r = Cli({"read", "--display", "3", "-o", m_dir.file("blank.bin"), "--quiet"});
    EXPECT_EQ(lstBytes(strReadFile(m_dir.file("blank.bin"))), Bytes(128, 0xFF));
    r = Cli({"program", "--package", m_pkg, "--port", "HDMI", "--display", "3", "--fast"});
    ASSERT_EQ(r.s32Code, CLI_EXIT_PASS) << r.out << r.err;
    // The bench keeps its memories between the two runs, as a display would.
    r = Cli({"read", "--display", "3", "-o", m_dir.file("back.bin"), "--quiet"});
    ASSERT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(lstBytes(strReadFile(m_dir.file("back.bin"))), pst->bytes) << pst->name;
}

// Display 3 becomes a blank 512-byte memory of the addressing given.
void vWideThird(uint32_t u32Addressing)
{
    vDdcBenchReset();
    vDdcBenchClear();
    const Bytes one = lstMakeEdid(0);
    s32DdcBenchAddDisplay(one.data(), 128, 256);
    s32DdcBenchAddDisplay(one.data(), 128, 256);
    s32DdcBenchAddDisplay(nullptr, 0, 512);
    vDdcBenchSetAddressing(2, u32Addressing);
}

// Every real EDID of 384 or 512 bytes, on both memories that hold it, paced
// and fast: programmed and verified, then read back without --pages into
// a file byte for byte; the window's Start programs one the same way.
TEST_F(CliTest, RealEdidsOf384And512BytesProgramAndReadBackOnBothWideMemories)
{
    std::vector<Bytes> images;
    for (const stCorpusEdid &e : lstCorpus())
        if (e.bytes.size() == 384 || (e.bytes.size() == 512 && e.bytes[126] == 3))
            images.push_back(e.bytes);
    if (images.empty())
        GTEST_SKIP() << strCorpusMissing();
    EXPECT_EQ(images.size(), 20u);
    const std::string back = File("back.bin");
    for (uint32_t u32Kind : {DDC_ADDRESSING_BLOCKS, DDC_ADDRESSING_SEGMENT}) {
        for (const char *pcPace : {"--paced", "--fast"}) {
            for (const Bytes &image : images) {
                SCOPED_TRACE(std::to_string(u32Kind) + pcPace + std::to_string(image.size()));
                vWriteFile(m_pkg, Bytes2Str(lstMakePackage({{"HDMI", image}})));
                vWideThird(u32Kind);
                stCliResult r = Cli({"program", "--package", m_pkg, "--port", "HDMI",
                                     "--display", "3", pcPace, "--quiet"});
                ASSERT_EQ(r.s32Code, CLI_EXIT_PASS) << r.out << r.err;
                remove(back.c_str());
                r = Cli({"read", "--display", "3", "-o", back, pcPace, "--quiet"});
                ASSERT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
                EXPECT_EQ(lstBytes(strReadFile(back)), image);
            }
        }
        vWriteFile(m_pkg, Bytes2Str(lstMakePackage({{"HDMI", images.back()}})));
        Settings(m_pkg);
        vResetProgramState();
        vWideThird(u32Kind);
        StartUp();
        RunUntilIdle();
        Pick(3, 1);
        Start(0, 1, 1);
        RunUntilIdle();
        std::string box = MsgBox();
        EXPECT_NE(box.find("Programming device's EDID ...\n> - Pass\n>"), std::string::npos);
        EXPECT_NE(box.find("Verifying device's EDID ...\n> - Pass\n>"), std::string::npos);
        Bytes memory = images.back();
        memory.resize(512, 0xFF);
        EXPECT_EQ(lstDdcBenchMemory(2), memory);
        vShutdownDdc();
        vDiscardPanels();
        vResetProgramState();
    }
}

TEST_F(CliTest, ExitCodesTellAFailedStepAUsageErrorAndNoDisplay)
{
    vDdcBenchSetWriteProtect(2, 1);
    stCliResult r = Cli({"program", "--package", m_pkg, "--port", "HDMI", "--display", "3"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_FAIL);
    EXPECT_NE(r.out.find("Verifying device's EDID ...\n> - Verifying fail"), std::string::npos);
    EXPECT_EQ(Memory(3, 256), Bytes(256, 0xFF));
    vDdcBenchSetWriteProtect(2, 0);

    r = Cli({"program", "--package", m_dir.file("none.pkg"), "--port", "1", "--display", "3"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_FAIL);
    EXPECT_NE(r.out.find("Programming device's EDID ...\n> - Fail. The existence of PKG file fail"),
              std::string::npos);
    EXPECT_EQ(Memory(3, 256), Bytes(256, 0xFF));

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {},
             {"burn"},
             {"erase"},
             {"erase", "--display", "0"},
             {"read", "--display", "1"},
             {"program", "--package", m_pkg, "--display", "1"},
             {"--display", "1", "erase"},
             {"erase", "--display", "1", "--speed", "120"},
             {"erase", "--display", "1", "--text"},
             {"unit", "--serial", "A1", "--next"}}) {
        r = Cli(bad);
        EXPECT_EQ(r.s32Code, CLI_EXIT_USAGE) << (bad.empty() ? "" : bad[0]);
    }
    r = Cli({"program", "--package", m_pkg, "--port", "VGA", "--display", "3"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_USAGE);
    EXPECT_EQ(r.err, "tavolin-cli: the package has no port \"VGA\"; its ports are HDMI, DVI (or "
                     "their numbers 1 to 2)\n");
    r = Cli({"unit", "--serial", "SN1"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_USAGE);

    r = Cli({"erase", "--display", "4"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_NO_START);
    EXPECT_EQ(r.err, "tavolin-cli: no display 4: 3 displays were found\n");
    vDdcBenchClear();
    vDdcBenchLogClear();
    r = Cli({"erase", "--display", "1"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_NO_START);
    EXPECT_EQ(u32DdcBenchLogCount() > 0, true);
    EXPECT_EQ(Calls(DDC_OP_WRITE_BUF).size(), 0u);
}

// A port image that programming refuses: the erase never starts.
TEST_F(CliTest, ProgramWithEraseOfARefusedImageLeavesTheDisplayAsItWas)
{
    Bytes damaged = m_portA;
    damaged[130] ^= 0x01;
    std::string bad = File("bad.pkg");
    vWriteFile(bad, Bytes2Str(lstMakePackage({{"BAD", damaged}})));
    vDdcBenchLogClear();
    stCliResult r = Cli({"program", "--package", bad, "--port", "BAD", "--display", "1", "--erase"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_FAIL);
    EXPECT_NE(r.out.find("Checking the existence of PKG file ...\n> - Pass\n>"
                         "Programming device's EDID ...\n> - The EDID of port BAD is damaged: the "
                         "checksum of block 1 is wrong\n> - Fail\n>"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Erasing"), std::string::npos);
    for (const stDdcBenchCall &call : Calls(DDC_OP_WRITE_BUF))
        EXPECT_EQ(call.au32Arg[3], 1u); // the reads' address bytes, no packet
    EXPECT_EQ(Memory(1, 256), m_image1);
}

TEST_F(CliTest, JsonHoldsEveryStepTheDisplaysAndTheResult)
{
    stCliResult r = Cli({"program", "--package", m_pkg, "--port", "DVI", "--display", "3", "--json"});
    ASSERT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    QJsonParseError stError;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &stError);
    ASSERT_EQ(stError.error, QJsonParseError::NoError) << r.out;
    QJsonObject root = doc.object();
    EXPECT_EQ(root["command"].toString(), "program");
    EXPECT_EQ(root["result"].toString(), "pass");
    EXPECT_EQ(root["exit_code"].toInt(), 0);
    EXPECT_TRUE(root["stopped_by"].isNull());
    QJsonArray displays = root["displays"].toArray();
    ASSERT_EQ(displays.size(), 3);
    EXPECT_EQ(displays[0].toObject()["id"].toString(), "ACR1234");
    EXPECT_EQ(displays[2].toObject()["position"].toInt(), 3);
    EXPECT_EQ(displays[2].toObject()["status"].toString(), "Invalid EDID, Error Code = 0x70000013");
    std::string commands;
    std::string joined;
    for (const QJsonValue &step : root["steps"].toArray()) {
        QJsonObject o = step.toObject();
        commands += o["command"].toString().toStdString() + ":" +
                    o["result"].toString().toStdString() + " ";
        joined += ">" + o["heading"].toString().toStdString() + "\n";
        for (const QJsonValue &line : o["lines"].toArray())
            joined += ">" + line.toString().toStdString() + "\n";
        EXPECT_GE(o["duration_ms"].toInt(), 0);
    }
    EXPECT_EQ(commands, "package-info:pass start-library:pass version:none check-package:pass "
                        "read-package:pass program:pass receive:pass verify:pass ");
    // The lines went to standard error, as they came.
    EXPECT_NE(r.err.find("Programming device's EDID ...\n> - Pass\n>"), std::string::npos);
    EXPECT_NE(joined.find(">Programming device's EDID ...\n> - Pass\n"), std::string::npos);
    EXPECT_EQ(Memory(3, 128), m_image2);
    EXPECT_EQ(root["reason"].toString(), "every step passed");
    EXPECT_EQ(root["simulated"].toBool(true), false) << "a test's bench stands for real displays";
    EXPECT_FALSE(root.contains("serial"));

    // The built-in bench asked for is said to be simulated.
    vDdcBenchReset();
    vDdcBenchUseDefault();
    vDdcBenchSetSource(DDC_SOURCE_BUILTIN);
    testing::internal::CaptureStderr();
    r = Cli({"detect", "--json"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tavolin: simulated displays (the built-in bench): nothing is read from or written "
              "to a real display\n");
    root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(root["simulated"].toBool(false), true) << r.out;
    EXPECT_NE(r.err.find(">Detecting monitor ...\n"), std::string::npos) << r.err;
}

// Which of two was meant is not known: a repeated option, or one with its
// opposite, is refused before anything runs, and --json still gives a
// document saying why.
TEST_F(CliTest, RepeatedOrConflictingOptionsAreUsageErrorsWithAJsonReason)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"erase", "--display", "1", "--display", "2"}, "--display is given twice"},
        {{"detect", "--fast", "--paced"}, "--fast and --paced cannot both be given"},
        {{"detect", "--json", "--json"}, "--json is given twice"},
        {{"read", "--display", "1", "-o", "a.bin", "--output", "b.bin"}, "-o is given twice"},
        {{"unit", "--next", "--serial", "A1"}, "--next and --serial cannot both be given"},
    };
    for (const auto &c : cases) {
        stCliResult r = Cli(c.first);
        EXPECT_EQ(r.s32Code, CLI_EXIT_USAGE) << c.second;
        EXPECT_EQ(r.err, c.second);
    }
    stRunResult run = stRunProgram(TAVOLIN_BINARY_DIR "/tavolin-cli",
                                   {"erase", "--json", "--display", "1", "--display=2"});
    EXPECT_EQ(run.s32Code, CLI_EXIT_USAGE);
    EXPECT_EQ(run.err, "tavolin-cli: --display is given twice\nTry 'tavolin-cli --help'.\n");
    QJsonParseError stError;
    QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &stError).object();
    ASSERT_EQ(stError.error, QJsonParseError::NoError) << run.out;
    EXPECT_EQ(root["command"].toString(), "erase");
    EXPECT_EQ(root["result"].toString(), "fail");
    EXPECT_EQ(root["exit_code"].toInt(), 2);
    EXPECT_EQ(root["reason"].toString(), "--display is given twice");
    EXPECT_TRUE(root["steps"].toArray().isEmpty());
}

// SIGTERM during the program's first packets: the program ends and passes,
// the verify never runs, the library is stopped, and the run, cut short, is
// no pass.
TEST_F(CliTest, SigtermLetsTheRunningCommandEndAndRunsNothingAfterIt)
{
    static uint32_t s_Pauses;
    s_Pauses = 0;
    vClockSetPauseHook(
        [](uint32_t u32Ms, void *) {
            if (u32Ms == WRITE_PAUSE_MS && ++s_Pauses == 2)
                raise(SIGTERM);
        },
        nullptr);
    stCliResult r = Cli({"program", "--package", m_pkg, "--port", "HDMI", "--display", "3", "--json"});
    vClockSetPauseHook(nullptr, nullptr);
    EXPECT_EQ(r.s32Code, CLI_EXIT_STOPPED);
    EXPECT_NE(r.err.find("Programming device's EDID ...\n>\ntavolin-cli: SIGTERM: stopping after "
                         "the running command\n - Pass\n>"),
              std::string::npos) << r.err;
    QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(root["result"].toString(), "stopped");
    EXPECT_EQ(root["exit_code"].toInt(), 4);
    EXPECT_EQ(root["reason"].toString(), "SIGTERM stopped the run before its end");
    EXPECT_EQ(root["stopped_by"].toString(), "SIGTERM");
    QJsonArray steps = root["steps"].toArray();
    ASSERT_FALSE(steps.isEmpty());
    EXPECT_EQ(steps.last().toObject()["command"].toString(), "program");
    EXPECT_EQ(steps.last().toObject()["result"].toString(), "pass");
    EXPECT_EQ(Memory(3, 256), m_portA);
    std::vector<std::string> lines = CallLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("UninstallDriver", 0), 0u) << lines.back();
}

TEST_F(CliTest, AStationThatAsksForItsOperatorNeedsOneNamedAndRecordsIt)
{
    Settings(m_pkg);
    vWriteFile(File(STATION_FILE_NAME), "Production = 1\nWeekYear = 50 2026\nPortMap = HDMI:3\n"
                                        "RequireOperator = 1\n");
    Bytes before = Memory(3, 256);
    stCliResult r = Cli({"unit", "--serial", "SN-8"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_USAGE);
    EXPECT_NE(r.err.find("Station.ini asks for the operator (RequireOperator = 1): give "
                         "--operator BADGE"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Memory(3, 256), before);
    r = Cli({"unit", "--serial", "SN-8", "--operator", "B-17"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    char cWhy[REC_WHY_MAX] = "";
    ASSERT_TRUE(bRecExportCsv(File("units.csv").c_str(), cWhy, sizeof(cWhy))) << cWhy;
    std::string csv = strReadFile(File("units.csv"));
    EXPECT_NE(csv.find(",SN-8,"), std::string::npos) << csv;
    EXPECT_EQ(csv.substr(csv.size() - 7), ",B-17\r\n") << csv;
    // Named without being asked for, it is recorded all the same.
    vWriteFile(File(STATION_FILE_NAME), "Production = 1\nWeekYear = 50 2026\nPortMap = HDMI:3\n");
    r = Cli({"unit", "--serial", "SN-9", "--operator", "B-18"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    r = Cli({"unit", "--serial", "SN-10"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    ASSERT_TRUE(bRecExportCsv(File("units.csv").c_str(), cWhy, sizeof(cWhy))) << cWhy;
    csv = strReadFile(File("units.csv"));
    EXPECT_NE(csv.find(",B-18\r\n"), std::string::npos) << csv;
    EXPECT_EQ(csv.substr(csv.size() - 3), ",\r\n") << csv;
    vRecClose();
}

TEST_F(CliTest, AUnitPrintsWhatTheWindowPrintsAndRecordsIt)
{
    vRecSetTimeForTest("2026-12-09T10:00:00Z");
    Settings(m_pkg);
    vWriteFile(File(STATION_FILE_NAME), "Production = 1\nWeekYear = 50 2026\nPortMap = HDMI:3\n");
    std::string box = Window([](CliTest *) {
        SetCtrlVal(gst_UiHandles.s32MainPanel, MAIN_UNIT_SERIAL, "SN-7");
        UiKeyPress(gst_UiHandles.s32MainPanel, MAIN_UNIT_SERIAL, VAL_ENTER_VKEY);
    });
    vRecClose();
    // A new station again: its record and the id the window gave it both gone.
    for (const char *pcName : {"units.sqlite", "units.sqlite-wal", "units.sqlite-shm"})
        remove(File(pcName).c_str());
    vWriteFile(File(STATION_FILE_NAME), "Production = 1\nWeekYear = 50 2026\nPortMap = HDMI:3\n");
    stCliResult r = Cli({"unit", "--serial", "SN-7"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    EXPECT_EQ(r.out, box);
    EXPECT_NE(r.out.find(">Unit SN-7 : Pass\n>"), std::string::npos);
    EXPECT_EQ(Memory(3, 256), m_windowMemory);
    EXPECT_EQ(Memory(3, 256)[12], 7);

    // The counter's next serial; a serial that passed is done again only when asked.
    vWriteFile(File(STATION_FILE_NAME), "Production = 1\nSerialSource = counter\nSerialPrefix = LN\n"
                                        "NextSerial = 41\nWeekYear = 50 2026\nPortMap = HDMI:3\n");
    r = Cli({"unit", "--next", "--fast"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.out << r.err;
    EXPECT_NE(r.out.find(">Unit LN000041 : Pass\n>"), std::string::npos);
    EXPECT_EQ(Memory(3, 256)[12], 41);
    r = Cli({"unit", "--serial", "LN000041"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_FAIL);
    EXPECT_NE(r.err.find("No (no --rework)"), std::string::npos) << r.err;

    // The document holds what the record holds of the unit.
    r = Cli({"unit", "--next", "--json"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_PASS) << r.err;
    QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(root["serial"].toString(), "LN000042");
    EXPECT_EQ(root["numeric_serial"].toInt(), 42);
    EXPECT_EQ(root["week"].toInt(), 50);
    EXPECT_EQ(root["year"].toInt(), 2026);
    EXPECT_EQ(root["record_id"].toInt(), 3);
    // A serial is checked as it was typed: its bad byte is named as given.
    r = Cli({"unit", "--serial", "caf\xE9", "--json"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_FAIL);
    EXPECT_NE(r.err.find(">Unit caf\xE9 refused: the serial's character 4 is 0xE9, not printable "
                         "ASCII\n>"),
              std::string::npos)
        << r.err;
    root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(root["serial"].toString(), QString::fromLatin1("caf\xE9"));
    EXPECT_TRUE(root["record_id"].isNull());
    EXPECT_EQ(root["reason"].toString(),
              "unit-start: Unit caf\u00E9 refused: the serial's character 4 is 0xE9, not "
              "printable ASCII");

    // A record emptied behind the station's back stops it: nothing to fix
    // in the command, so no usage error.
    vRecClose();
    for (const char *pcName : {"units.sqlite-wal", "units.sqlite-shm"})
        remove(File(pcName).c_str());
    vWriteFile(File("units.sqlite"), "");
    r = Cli({"unit", "--next"});
    EXPECT_EQ(r.s32Code, CLI_EXIT_NO_START) << r.out << r.err;
    EXPECT_NE(r.out.find(": it is empty; the station's record is "), std::string::npos) << r.out;
    EXPECT_NE((r.out + r.err).find("the production mode could not start on "), std::string::npos)
        << r.err;
    EXPECT_EQ(strReadFile(File("units.sqlite")), "");
    vRecClose();
    vRecSetTimeForTest(nullptr);
    vStationDefaults(&gst_Station);
}

// On a terminal, a serial's control bytes could clear the screen or retitle
// it: they are shown escaped, as tavolin-pkg shows them.
TEST_F(CliTest, ControlBytesOfASerialAreEscapedOnATerminal)
{
    vWriteFile(File(STATION_FILE_NAME), "Production = 1\nPortMap = HDMI:3\n");
    int s32Master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(s32Master, 0);
    ASSERT_EQ(grantpt(s32Master), 0);
    ASSERT_EQ(unlockpt(s32Master), 0);
    int s32Slave = open(ptsname(s32Master), O_RDWR | O_NOCTTY);
    ASSERT_GE(s32Slave, 0);
    struct termios stRaw;
    tcgetattr(s32Slave, &stRaw);
    cfmakeraw(&stRaw);
    tcsetattr(s32Slave, TCSANOW, &stRaw);
    fflush(stdout);
    int s32Saved = dup(1);
    dup2(s32Slave, 1);
    static stCliOptions stOptions;
    char cWhy[256];
    std::string serial = "SN\x1b]0;x\x07";
    std::vector<std::string> args = {"tavolin-cli", "unit", "--serial", serial};
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    ASSERT_TRUE(bParseCliOptions((int)argv.size(), argv.data(), &stOptions, cWhy, sizeof(cWhy)));
    FILE *pErr = tmpfile();
    int32_t s32Code = s32CliRun(&stOptions, stdout, pErr);
    fflush(stdout);
    dup2(s32Saved, 1);
    close(s32Saved);
    close(s32Slave);
    m_dialogs.vInstall();
    std::string shown;
    char cChunk[4096];
    fcntl(s32Master, F_SETFL, O_NONBLOCK);
    for (ssize_t got; (got = read(s32Master, cChunk, sizeof(cChunk))) > 0;)
        shown.append(cChunk, (size_t)got);
    close(s32Master);
    strRead(pErr);
    EXPECT_EQ(s32Code, CLI_EXIT_FAIL);
    EXPECT_NE(shown.find(">Unit SN\\x1B]0;x\\x07 refused: the serial's character 3 is 0x1B, not "
                         "printable ASCII\n>"),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find('\x1b'), std::string::npos);
}

} // namespace
