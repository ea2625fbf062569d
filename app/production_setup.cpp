// The Production... dialog of the advanced mode: the station file's keys,
// with the package's ports and the detected displays beside the port map.
#include "app/app_shell.h"
#include "app/cmd_queue.h"
#include "app/line_hooks.h"
#include "app/production.h"
#include "app/production_setup.h"
#include "device/monitor_detect.h"
#include "files/edid_stamp.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/station.h"
#include "files/text_escape.h"
#include "platform/records/records.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

#include <stdio.h>
#include <string.h>

namespace {

struct stTextField {
    int32_t s32Control;
    const char *pcKey;
};

// The dialog's text fields in the station file's words, so the file's own
// checks judge them.
const stTextField gst_TextFields[] = {
    {PROD_STATION, "Station"},        {PROD_PREFIX, "SerialPrefix"},
    {PROD_NEXT, "NextSerial"},        {PROD_WEEK_YEAR, "WeekYear"},
    {PROD_MAP, "PortMap"},            {PROD_RECORDS, "Records"},
};

const char *const gc_SourceWords[] = {"scan", "counter"};
const char *const gc_NumericWords[] = {"digits", "counter", "keep"};

void vFillLists(int32_t s32Panel)
{
    ClearListCtrl(s32Panel, PROD_PORTS);
    uint32_t u32Count = gu8_PkgValid == 1 ? u32PkgPortCount(gu8_PkgBuffer) : 0;
    for (uint32_t i = 0; i < u32Count && i < PKG_PORT_MAX; i++) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(gu8_PkgBuffer, i, cName, sizeof(cName));
        if (cName[0] == '\0')
            snprintf(cName, sizeof(cName), "%u", i + 1);
        InsertListItem(s32Panel, PROD_PORTS, -1, cName, (int)i);
    }
    ClearListCtrl(s32Panel, PROD_DISPLAYS);
    int s32Displays = 0;
    GetNumListItems(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, &s32Displays);
    for (int i = 0; i < s32Displays && i < MONITOR_MAX; i++) {
        char cId[64] = "";
        char cLine[80];
        GetLabelFromIndex(gst_UiHandles.s32MainPanel, MAIN_MONITOR_LIST, i, cId, sizeof(cId));
        snprintf(cLine, sizeof(cLine), "%d: %s", (int)gst_MonitorInfo[i].s32Output, cId);
        InsertListItem(s32Panel, PROD_DISPLAYS, -1, cLine, gst_MonitorInfo[i].s32Output);
    }
}

void vStationToDialog(int32_t s32Panel, const stStation *pstStation)
{
    char cNext[32], cWeekYear[32], cMap[256];
    snprintf(cNext, sizeof(cNext), "%llu", (unsigned long long)pstStation->u64NextSerial);
    if (pstStation->s32WeekYear == STATION_WEEKYEAR_FIXED)
        snprintf(cWeekYear, sizeof(cWeekYear), "%d %d", (int)pstStation->s32FixedWeek,
                 (int)pstStation->s32FixedYear);
    else
        snprintf(cWeekYear, sizeof(cWeekYear), "%s",
                 pstStation->s32WeekYear == STATION_WEEKYEAR_KEEP ? "keep" : "today");
    vFormatPortMap(pstStation->stMap, pstStation->s32MapCount, cMap, sizeof(cMap));
    SetCtrlVal(s32Panel, PROD_ON, pstStation->bProduction);
    SetCtrlVal(s32Panel, PROD_FAST, pstStation->s32WriteMode == STATION_WRITE_FAST);
    SetCtrlVal(s32Panel, PROD_STATION, pstStation->cStation);
    SetCtrlVal(s32Panel, PROD_SOURCE, pstStation->s32SerialSource);
    SetCtrlVal(s32Panel, PROD_PREFIX, pstStation->cSerialPrefix);
    SetCtrlVal(s32Panel, PROD_DIGITS, pstStation->s32SerialDigits);
    SetCtrlVal(s32Panel, PROD_NEXT, cNext);
    SetCtrlVal(s32Panel, PROD_NUMERIC, pstStation->s32NumericSerial);
    SetCtrlVal(s32Panel, PROD_WEEK_YEAR, cWeekYear);
    SetCtrlVal(s32Panel, PROD_MAP, cMap);
    char cShown[sizeof(pstStation->cRecords)];
    vRecMaskSecret(pstStation->cRecords, cShown, sizeof(cShown));
    SetCtrlVal(s32Panel, PROD_RECORDS, cShown);
}

// The Records field shows a server's password masked: left as shown, the
// station keeps the one it had.
bool bKeptMasked(const stStation *pstStation, const stTextField &stField, const char *pcText)
{
    char cShown[sizeof(pstStation->cRecords)];
    vRecMaskSecret(pstStation->cRecords, cShown, sizeof(cShown));
    return stField.s32Control == PROD_RECORDS && strcmp(pcText, cShown) == 0;
}

bool bSetChoice(stStation *pstStation, const char *pcKey, const char *const *ppcWords,
                int32_t s32Count, int32_t s32Value, char *pcWhy, size_t whySize)
{
    const char *pcWord = s32Value >= 0 && s32Value < s32Count ? ppcWords[s32Value] : "";
    return bSetStationValue(pstStation, pcKey, pcWord, pcWhy, whySize);
}

bool bDialogToStation(int32_t s32Panel, stStation *pstStation, char *pcWhy, size_t whySize)
{
    int s32Value = 0;
    char cText[STATION_TEXT_MAX + 1];
    for (const stTextField &stField : gst_TextFields) {
        cText[0] = '\0';
        GetCtrlVal(s32Panel, stField.s32Control, cText);
        if (bKeptMasked(pstStation, stField, cText))
            continue;
        if (!bSetStationValue(pstStation, stField.pcKey, cText, pcWhy, whySize))
            return false;
    }
    GetCtrlVal(s32Panel, PROD_ON, &s32Value);
    pstStation->bProduction = s32Value ? 1 : 0;
    GetCtrlVal(s32Panel, PROD_FAST, &s32Value);
    if (!bSetStationValue(pstStation, "WriteMode", s32Value ? "fast" : "paced", pcWhy, whySize))
        return false;
    GetCtrlVal(s32Panel, PROD_DIGITS, &s32Value);
    snprintf(cText, sizeof(cText), "%d", s32Value);
    if (!bSetStationValue(pstStation, "SerialDigits", cText, pcWhy, whySize))
        return false;
    GetCtrlVal(s32Panel, PROD_SOURCE, &s32Value);
    if (!bSetChoice(pstStation, "SerialSource", gc_SourceWords, 2, s32Value, pcWhy, whySize))
        return false;
    GetCtrlVal(s32Panel, PROD_NUMERIC, &s32Value);
    return bSetChoice(pstStation, "NumericSerial", gc_NumericWords, 3, s32Value, pcWhy, whySize);
}

// The map may name only the package's ports and the outputs of listed
// displays.
bool bMapFitsPanel(int32_t s32Panel, const stStation *pstStation, char *pcWhy, size_t whySize)
{
    int s32Ports = 0, s32Displays = 0;
    GetNumListItems(s32Panel, PROD_PORTS, &s32Ports);
    GetNumListItems(s32Panel, PROD_DISPLAYS, &s32Displays);
    for (int32_t i = 0; i < pstStation->s32MapCount; i++) {
        const stStationMapEntry *pstEntry = &pstStation->stMap[i];
        bool bFound = false;
        for (int j = 0; j < s32Ports && !bFound; j++) {
            char cName[PKG_PORT_NAME_SIZE + 1] = "";
            GetLabelFromIndex(s32Panel, PROD_PORTS, j, cName, sizeof(cName));
            bFound = strcmp(cName, pstEntry->cPort) == 0;
        }
        if (!bFound) {
            char cShown[PKG_PORT_NAME_SIZE * 4 + 1];
            pcEscapeText(pstEntry->cPort, ESCAPE_CONTROLS, cShown, sizeof(cShown));
            snprintf(pcWhy, whySize, "The port map names port %s, which the loaded package "
                                     "does not have.",
                     cShown);
            return false;
        }
        int32_t s32Index = s32MonitorOnOutput(pstEntry->s32Output);
        if (s32Index < 0 || s32Index >= s32Displays) {
            snprintf(pcWhy, whySize, "The port map names output %d; no listed display is on it.",
                     (int)pstEntry->s32Output);
            return false;
        }
    }
    return true;
}

// The counter's serials must fit a serial: a station that could only refuse
// every unit is not set up.
bool bCounterFits(const stStation *pstStation, char *pcWhy, size_t whySize)
{
    size_t length = strlen(pstStation->cSerialPrefix) + (size_t)pstStation->s32SerialDigits;
    if (pstStation->s32SerialSource != STATION_SOURCE_COUNTER || length <= STAMP_SERIAL_MAX)
        return true;
    snprintf(pcWhy, whySize,
             "The serial prefix (%zu characters) and %d digits make serials of %zu characters; "
             "at most %d fit.",
             strlen(pstStation->cSerialPrefix), (int)pstStation->s32SerialDigits, length,
             STAMP_SERIAL_MAX);
    return false;
}

// A pinned package whose file is not the one confirmed is taken for the
// units from now on only when the engineer says so; then it is read again.
void vConfirmPinnedPackage(stStation *pstStation)
{
    if (pstStation->cPackage[0] == '\0')
        return;
    char cPath[TEXT_BUF_SIZE], cHex[STATION_SHA256_SIZE], cWhy[STATION_WHY_MAX];
    vPinnedPackagePath(pstStation->cPackage, cPath, sizeof(cPath));
    bool bRead = bPinnedPackageSha256(pstStation->cPackage, cHex, sizeof(cHex), cWhy, sizeof(cWhy));
    if (!bRead || strcmp(cHex, pstStation->cPackageSha256) == 0)
        return;
    char cQuestion[TEXT_BUF_SIZE + 200];
    snprintf(cQuestion, sizeof(cQuestion),
             "The package %s is not the one confirmed for this station (its SHA-256 is now "
             "%.12s...). Use it for the units from now on?",
             cPath, cHex);
    if (!ConfirmPopup("Production", cQuestion))
        return;
    snprintf(pstStation->cPackageSha256, sizeof(pstStation->cPackageSha256), "%s", cHex);
    if (strcmp(cPath, gu8str_PkgFilePath) == 0)
        vPostCommand(CMD_CHECK_PKG_INFO, CMD_POST_PARAM, CMD_POST_DELAY, CMD_POST_RESERVED);
}

void vApplyStation(const stStation *pstStation)
{
    bool bRecordsMoved = strcmp(pstStation->cRecords, gst_Station.cRecords) != 0;
    gst_Station = *pstStation;
    vApplyWriteMode();
    if (bRecordsMoved)
        vRecClose();
    vOpenRecordOrSay();
    vShapeProductionMode(gst_Station.bProduction);
}

} // namespace

int ProductionSetupCallback(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT || gs32_UnitRunning)
        return 0;
    vFillLists(gs32_ProductionPanel);
    vStationToDialog(gs32_ProductionPanel, &gst_Station);
    DisplayPanel(gs32_ProductionPanel);
    return 0;
}

int ProductionOkCallback(int panel, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    stStation stNew = gst_Station;
    char cWhy[STATION_WHY_MAX] = "";
    if (!bDialogToStation(panel, &stNew, cWhy, sizeof(cWhy)) ||
        !bMapFitsPanel(panel, &stNew, cWhy, sizeof(cWhy)) ||
        !bCounterFits(&stNew, cWhy, sizeof(cWhy))) {
        MessagePopup("Production", cWhy);
        return 0;
    }
    vConfirmPinnedPackage(&stNew);
    // Another record named is made or adopted as the station's own.
    if (strcmp(stNew.cRecords, gst_Station.cRecords) != 0) {
        stNew.cRecordId[0] = '\0';
        stNew.u64LastUnit = 0;
    }
    char cPath[TEXT_BUF_SIZE];
    vStationFilePath(cPath, sizeof(cPath));
    if (!bWriteStationFile(cPath, &stNew, cWhy, sizeof(cWhy))) {
        MessagePopup("Production", cWhy);
        return 0;
    }
    HidePanel(panel);
    vApplyStation(&stNew);
    return 0;
}

int ProductionCancelCallback(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

int ProductionPanelCallback(int panel, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        HidePanel(panel);
    return 0;
}
