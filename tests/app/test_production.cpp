#include "tests/support/device_fixture.h"
#include "tests/support/package_maker.h"

#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "app/production.h"
#include "app/production_setup.h"
#include "app/edid_view.h"
#include "device/edid_bus.h"
#include "files/edid_stamp.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/process/process.h"
#include "platform/records/records.h"
#include "ui/Pavimo.h"

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Two simulated blank displays, a package with two ports mapped onto them,
// the production mode on with a fixed week and year.
class ProductionTest : public DeviceTest {
protected:
    Bytes m_portA, m_portB;
    std::vector<std::string> m_popups;

    void SetUp() override
    {
        DeviceTest::SetUp();
        vRecSetTimeForTest("2026-12-08T10:00:00Z");
        vProcSetDateForTest(2026, 12, 8);
        vUiSetMessageResponder(
            [](const char *, const char *pcMessage, void *pv) {
                static_cast<ProductionTest *>(pv)->m_popups.push_back(pcMessage);
            },
            this);
        AddBlankDisplay(256);
        AddBlankDisplay(256);
        m_portA = lstMakeEdid(1, "ACR", 0x1234);
        m_portB = lstMakeEdid(0, "BNQ", 0x0042);
        WithSerialDescriptor(m_portA);
        InitLibrary();
        vUsePackageFile(m_dir.file("job.pkg"),
                        lstMakePackage({{"HDMI", m_portA}, {"DVI", m_portB}}));
        s32CheckPkgInfoAction();
        Station("Production = 1\nStation = Line 4\nWeekYear = 49 2026\n"
                "PortMap = DVI:2, HDMI:1\n");
        DisplayPanel(MainPanel());
        SetCtrlVal(MainPanel(), MAIN_FUNC_ERASE, 0);
        SetCtrlVal(MainPanel(), MAIN_FUNC_PROGRAM, 1);
        SetCtrlVal(MainPanel(), MAIN_FUNC_VERIFY, 1);
        ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
        vDdcBenchLogClear();
    }

    void TearDown() override
    {
        vRecClose();
        vRecSetTimeForTest(nullptr);
        vProcSetDateForTest(0, 0, 0);
        gs32_UnitRunning = 0;
        vPkgUseStampedImage(0, nullptr, 0);
        vStationDefaults(&gst_Station);
        DeviceTest::TearDown();
    }

    // The serial descriptor at 72 the stamp writes into.
    static void WithSerialDescriptor(Bytes &image)
    {
        const uint8_t u8Head[] = {0, 0, 0, 0xFF, 0};
        std::copy(u8Head, u8Head + 5, image.begin() + 72);
        std::fill(image.begin() + 77, image.begin() + 90, 0x20);
        uint8_t u8Sum = 0;
        for (int i = 0; i < 127; i++)
            u8Sum = (uint8_t)(u8Sum + image[i]);
        image[127] = (uint8_t)(0x100 - u8Sum);
    }

    void Station(const std::string &text)
    {
        vWriteFile(m_dir.file(STATION_FILE_NAME), text);
        vLoadStation();
    }

    // A scanner types the serial and Enter into the field with the keyboard;
    // the event loop then runs until the ring is empty.
    void Scan(const std::string &serial)
    {
        SetCtrlVal(MainPanel(), MAIN_UNIT_SERIAL, serial.c_str());
        UiKeyPress(MainPanel(), MAIN_UNIT_SERIAL, VAL_ENTER_VKEY);
        for (int i = 0; i < 400 && (s32WaitingCommandCount() > 0 || gs32_UnitRunning); i++)
            Ticks(1);
    }

    std::string Text(int s32Control)
    {
        char cText[256] = "";
        GetCtrlVal(MainPanel(), s32Control, cText);
        return cText;
    }

    static Bytes Stamped(Bytes image, const char *pcSerial)
    {
        stStampPlan stPlan = {pcSerial, STATION_NUMERIC_DIGITS, 0, STATION_WEEKYEAR_FIXED, 49, 2026};
        stStampResult stResult;
        char cWhy[STAMP_WHY_MAX];
        EXPECT_TRUE(bStampEdid(image.data(), (uint32_t)image.size(), &stPlan, &stResult, cWhy,
                               sizeof(cWhy)));
        return image;
    }

    static std::string Sha(const Bytes &image)
    {
        char cHex[REC_SHA256_HEX_SIZE];
        vRecSha256Hex(image.data(), image.size(), cHex);
        return cHex;
    }

    Bytes Memory(int s32Display, size_t size)
    {
        Bytes memory = lstDdcBenchMemory(s32Display);
        memory.resize(size);
        return memory;
    }

    std::string Csv()
    {
        char cWhy[REC_WHY_MAX];
        EXPECT_TRUE(bRecExportCsv(m_dir.file("units.csv").c_str(), cWhy, sizeof(cWhy))) << cWhy;
        return strReadFile(m_dir.file("units.csv"));
    }
};

const char *const gc_PortLines = "Checking the existence of PKG file ...\n> - Pass\n>"
                                 "Reading PKG file ...\n> - Pass\n>"
                                 "Programming device's EDID ...\n> - Pass\n>"
                                 "Receiving device's EDID ...\n> - Pass\n>"
                                 "Verifying device's EDID ...\n> - Pass\n>";

const char *const gc_CsvHeader =
    "unit_id,time_utc,station,serial,numeric_serial,week,year,package_path,package_checksum,"
    "unit_result,rework,port,display,display_id,image_sha256,port_result,message,duration_ms\r\n";

TEST_F(ProductionTest, AScannedUnitStampsProgramsAndRecordsEveryMappedPort)
{
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_UNIT_SERIAL);
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "READY");
    EXPECT_EQ(gst_Station.bProduction, 1);
    EXPECT_TRUE(bUiPanelIsVisible(MainPanel()));
    Scan("SN-0042");
    std::string ids[2] = {"", ""};
    for (int i = 0; i < 2; i++) {
        char cId[64] = "";
        GetLabelFromIndex(MainPanel(), MAIN_MONITOR_LIST, i, cId, sizeof(cId));
        ids[i] = cId;
    }
    EXPECT_EQ(MsgBox(), "Unit SN-0042, port DVI, display 2 (" + ids[1] + ") ...\n>" +
                            gc_PortLines + "Unit SN-0042, port HDMI, display 1 (" + ids[0] +
                            ") ...\n>" + gc_PortLines + "Unit SN-0042 : Pass\n>");
    Bytes stampedA = Stamped(m_portA, "SN-0042");
    Bytes stampedB = Stamped(m_portB, "SN-0042");
    EXPECT_EQ(Memory(0, stampedA.size()), stampedA);
    EXPECT_EQ(Memory(1, stampedB.size()), stampedB);
    // The numeric serial is the serial's last digits, the descriptor its text.
    EXPECT_EQ(Bytes(stampedA.begin() + 12, stampedA.begin() + 18), (Bytes{42, 0, 0, 0, 49, 36}));
    EXPECT_EQ(std::string(stampedA.begin() + 77, stampedA.begin() + 90), "SN-0042\n     ");
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "PASS\nSN-0042");
    EXPECT_EQ(Text(MAIN_UNIT_SERIAL), "");
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_UNIT_SERIAL);
    // A Refresh clicked between units gives the field the keyboard back.
    UiClick(MainPanel(), MAIN_REFRESH_BTN);
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_REFRESH_BTN);
    Ticks(20);
    EXPECT_EQ(s32UiFocusedControl(MainPanel()), MAIN_UNIT_SERIAL);
    std::string unit = "1,2026-12-08T10:00:00Z,Line 4,SN-0042,42,49,2026," + m_dir.file("job.pkg") +
                       "," + Text(MAIN_PKG_CHECKSUM) + ",pass,0,";
    std::string csv = Csv();
    EXPECT_EQ(csv.substr(0, csv.find("\r\n") + 2), gc_CsvHeader);
    EXPECT_NE(csv.find(unit + "DVI,2," + ids[1] + "," + Sha(stampedB) + ",pass,,"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find(unit + "HDMI,1," + ids[0] + "," + Sha(stampedA) + ",pass,,"),
              std::string::npos)
        << csv;
}

TEST_F(ProductionTest, AFailingPortFailsTheUnitButTheOthersStillRun)
{
    vDdcBenchSetWriteProtect(1, 1);
    Scan("SN7");
    std::string box = MsgBox();
    EXPECT_NE(box.find("Verifying device's EDID ...\n> - Verifying fail, index: 0 \n> - Fail\n>"
                       "Unit SN7, port HDMI"),
              std::string::npos)
        << box;
    std::string end = std::string(gc_PortLines) + "Unit SN7 : Fail\n>";
    EXPECT_EQ(box.substr(box.size() - end.size()), end);
    EXPECT_EQ(Memory(0, m_portA.size()), Stamped(m_portA, "SN7"));
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "FAIL\nSN7");
    std::string csv = Csv();
    EXPECT_NE(csv.find(",fail,0,DVI,2,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",fail,\" - Verifying fail, index: 0\","), std::string::npos) << csv;
    EXPECT_NE(csv.find(",fail,0,HDMI,1,"), std::string::npos) << csv;
}

TEST_F(ProductionTest, ACounterSerialIsOnDiskBeforeAnyWriteAndAPassedSerialAsksFirst)
{
    Station("Production = 1\nStation = vm\nSerialSource = counter\nSerialPrefix = U\nSerialDigits = 4\n"
            "NextSerial = 7\nNumericSerial = counter\nWeekYear = keep\nPortMap = HDMI:1\n");
    static std::string s_atFirstPause;
    s_atFirstPause.clear();
    std::string station = m_dir.file(STATION_FILE_NAME);
    vClockSetPauseHook(
        [](uint32_t, void *pv) {
            if (s_atFirstPause.empty())
                s_atFirstPause = strReadFile(*static_cast<std::string *>(pv));
        },
        &station);
    Scan("");
    vClockSetPauseHook(nullptr, nullptr);
    EXPECT_NE(s_atFirstPause.find("NextSerial = 8\r\n"), std::string::npos) << s_atFirstPause;
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "PASS\nU0007");
    Bytes head = Memory(0, 18);
    EXPECT_EQ(Bytes(head.begin() + 12, head.end()), (Bytes{7, 0, 0, 0, m_portA[16], m_portA[17]}));

    // The same serial typed again is a re-work, only when the operator says so.
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    vDdcBenchLogClear();
    m_dialogs.vPushConfirm(0);
    Scan("U0007");
    EXPECT_EQ(m_dialogs.confirmMessages,
              std::vector<std::string>{"Unit U0007 has already passed. Program it again (a re-work)?"});
    EXPECT_EQ(MsgBox(), "Unit U0007 refused: it has already passed and was not programmed again\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    m_dialogs.vPushConfirm(1);
    Scan("U0007");
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "PASS\nU0007");
    std::string csv = Csv();
    EXPECT_NE(csv.find("\r\n2,2026-12-08T10:00:00Z,vm,U0007,7,0,1990,"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find(",pass,1,HDMI,1,"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("\r\n3,"), csv.npos) << csv;
}

TEST_F(ProductionTest, ARefusedUnitWritesNothingAndSaysWhy)
{
    Scan("SN-0123456789A");
    EXPECT_EQ(MsgBox(), "Unit SN-0123456789A refused: the serial has 14 characters; at most 13 "
                        "fit\n>");
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "FAIL\nSN-0123456789A");
    EXPECT_EQ(Text(MAIN_UNIT_SERIAL), "");

    MakeDir(m_dir.file("db").c_str());
    Station("Production = 1\nRecords = db\nPortMap = HDMI:1\n");
    EXPECT_EQ(MsgBox().substr(MsgBox().find(">") + 1),
              " - The unit record cannot be opened: " + m_dir.file("db") +
                  ": it is a folder, not a regular file\n>");
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    Scan("SN1");
    EXPECT_EQ(MsgBox(), "Unit SN1 refused: " + m_dir.file("db") +
                            ": it is a folder, not a regular file\n>");
    Station("Production = 1\nPortMap = HDMI:3\n");
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    Scan("SN1");
    EXPECT_EQ(MsgBox(), "Unit SN1 refused: display 3 of the map is not in the Displays list (2 "
                        "listed)\n>");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_EQ(lstDdcBenchMemory(0), Bytes(256, 0xFF));
}

// Simulated displays pass whatever is written: a unit on them is refused
// before anything is taken, unless the station is one for training, which
// every result then shows.
TEST_F(ProductionTest, SimulatedDisplaysRunUnitsOnlyAtATrainingStation)
{
    vDdcBenchSetSource(DDC_SOURCE_BUILTIN);
    testing::internal::CaptureStderr();
    InitLibrary();
    testing::internal::GetCapturedStderr();
    Scan("SN1");
    EXPECT_EQ(MsgBox(), "Unit SN1 refused: the displays are simulated; Simulated = 1 in "
                        "Station.ini runs units on them for training\n>");
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "FAIL\nSN1");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
    EXPECT_EQ(Csv().find(",SN1,"), std::string::npos);
    Station("Production = 1\nStation = Line 4\nWeekYear = 49 2026\n"
            "PortMap = DVI:2, HDMI:1\nSimulated = 1\n");
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "TRAINING READY");
    ResetTextBox(MainPanel(), MAIN_MSG_BOX, "");
    Scan("SN2");
    EXPECT_EQ(MsgBox().substr(MsgBox().size() - 17), "Unit SN2 : Pass\n>");
    EXPECT_EQ(Text(MAIN_UNIT_RESULT), "TRAINING PASS\nSN2");
    EXPECT_EQ(Memory(0, m_portA.size()), Stamped(m_portA, "SN2"));
}

TEST_F(ProductionTest, WithoutTheModeOrWithAWrongFileThePanelIsAsBefore)
{
    int s32Visible = -1;
    Station("Production = 1\nSerialDigits = 15\n");
    EXPECT_EQ(MsgBox(), " - Station.ini line 2: SerialDigits is \"15\"; it must be 1 to 12; the "
                        "production mode is off\n>");
    for (int s32Control : {MAIN_UNIT_SERIAL, MAIN_UNIT_RESULT, MAIN_UNIT_SERIAL_LABEL}) {
        GetCtrlAttribute(MainPanel(), s32Control, ATTR_VISIBLE, &s32Visible);
        EXPECT_EQ(s32Visible, 0) << s32Control;
    }
    GetCtrlAttribute(MainPanel(), MAIN_START_BTN, ATTR_VISIBLE, &s32Visible);
    EXPECT_EQ(s32Visible, 1);
    Scan("SN1");
    EXPECT_EQ(u32DdcBenchLogCount(), 0u);
}

TEST_F(ProductionTest, TheDialogRefusesAMapThePanelCannotServeAndWritesTheFile)
{
    UiClick(MainPanel(), MAIN_PRODUCTION_BTN);
    int s32Panel = gs32_ProductionPanel;
    EXPECT_TRUE(bUiPanelIsVisible(s32Panel));
    for (const char *pcMap : {"VGA:1", "HDMI:3", "HDMI"}) {
        SetCtrlVal(s32Panel, PROD_MAP, pcMap);
        UiClick(s32Panel, PROD_OK);
    }
    EXPECT_EQ(m_popups, (std::vector<std::string>{
                            "The port map names port VGA, which the loaded package does not have.",
                            "The port map names display 3; 2 display(s) are listed.",
                            "port map entry 1, \"HDMI\": no display position"}));
    EXPECT_TRUE(bUiPanelIsVisible(s32Panel));
    SetCtrlVal(s32Panel, PROD_MAP, "HDMI:2");
    SetCtrlVal(s32Panel, PROD_NEXT, "41");
    SetCtrlVal(s32Panel, PROD_SOURCE, STATION_SOURCE_COUNTER);
    SetCtrlVal(s32Panel, PROD_FAST, 1);
    UiClick(s32Panel, PROD_OK);
    EXPECT_FALSE(bUiPanelIsVisible(s32Panel));
    EXPECT_EQ(strReadFile(m_dir.file(STATION_FILE_NAME)),
              "Production = 1\r\nStation = Line 4\r\nSerialSource = counter\r\n"
              "SerialPrefix = \r\nSerialDigits = 6\r\nNextSerial = 41\r\n"
              "NumericSerial = digits\r\nWeekYear = 49 2026\r\nPortMap = HDMI:2\r\n"
              "Records = units.sqlite\r\nWriteMode = fast\r\n");
    EXPECT_EQ(gst_Station.stMap[0].s32Display, 2);
    EXPECT_EQ(gs32_FastWrites, 1);
}

TEST_F(ProductionTest, ThePortsIdentityAndAnalyze)
{
    SetCtrlIndex(MainPanel(), MAIN_PORT_LIST, 1);
    Ticks(1);
    EXPECT_EQ(Text(MAIN_PORT_IDENTITY).substr(0, 35), "Manufacturer: BNQ  Product: 0x0042\n");
    UiClick(MainPanel(), MAIN_ANALYZE_BTN);
    EXPECT_EQ(m_dialogs.textWindowTitle, "Analyze: port DVI");
    if (system("command -v edid-decode >/dev/null") == 0) {
        EXPECT_NE(m_dialogs.textWindowText.find("Manufacturer: BNQ"), std::string::npos)
            << m_dialogs.textWindowText;
    }
    std::string path = getenv("PATH");
    setenv("PATH", m_dir.path().c_str(), 1);
    UiClick(MainPanel(), MAIN_ANALYZE_BTN);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(m_dialogs.textWindowText,
              "The program edid-decode is not installed.\n\nInstall the Debian package "
              "edid-decode (sudo apt install edid-decode) to see its report here.\n");
}

} // namespace
