// The production mode: one unit serial per unit (typed, scanned, or the
// station's counter), stamped into the image of every port the station's
// map names, then the ticked functions for each port in the map's order and
// one record of the unit. With the mode off nothing here shows or runs.
#ifndef PRODUCTION_H
#define PRODUCTION_H

#include "ui/params.h"

#include <stddef.h>
#include <stdint.h>

// 1 from the unit's Enter until its result shows.
extern int32_t gs32_UnitRunning;
// 1 when the last start found Station.ini wrong or the record not the
// station's own, and so left the production mode off; the lines said why.
extern int32_t gs32_ProductionHalted;

// The last unit as its record holds it, and how it ended: refused (nothing
// recorded), started, passed or failed. For the command line's report.
enum { UNIT_NONE = 0, UNIT_REFUSED, UNIT_STARTED, UNIT_PASSED, UNIT_FAILED };
struct stUnitOutcome {
    int32_t s32State;
    char cSerial[64];                       // as typed, or as the counter gave it
    uint32_t u32NumericSerial;
    int32_t s32Week;
    int32_t s32Year;
    int64_t s64RecordId;                    // 0: no record row
};
extern stUnitOutcome gst_UnitOutcome;

// Start-up: reads Station.ini from the program's folder; with the mode on,
// opens the unit record (a unit left "running" becomes "interrupted") and
// shows the serial field. A wrong file is said in the message box and the
// mode stays off. Sets the write mode from the station either way.
void vLoadStation(void);
// The device code's write mode from gst_Station.s32WriteMode; whatever
// changes the station calls it.
void vApplyWriteMode(void);
// The serial field and the result in place of Start (on), or the Start
// button alone (off).
void vShapeProductionMode(int32_t bOn);
// The station's name as recorded: Station.ini's, else the host name.
const char *pcStationName(void);
// Paths of the station file and of the unit record in the program's folder.
void vStationFilePath(char *pcPath, size_t size);
void vRecordsFilePath(char *pcPath, size_t size);
// Opens the record the station names, when it is not open already (the
// units it left running become interrupted); false with the reason.
bool bOpenUnitRecord(char *pcWhy, size_t whySize);
// With the mode on, opens the record or says in the message box why not.
void vOpenRecordOrSay(void);

// Called at every timer tick with whether commands wait or run: when they
// have all run, the serial field gets the keyboard back and a scan that
// waited starts its unit.
void vProductionTick(int32_t bBusy);
int UnitSerialCallback(int panel, int control, int event, void *callbackData, int eventData1,
                       int eventData2);
// Actions of CMD_UNIT_PORT (the next port's heading and target) and
// CMD_UNIT_END (the record and the result); progress-used 0.
int32_t s32UnitPortAction(void);
int32_t s32UnitEndAction(void);
// The image of package port u32Port as stamped for the last unit begun,
// and that unit's serial; false when no unit stamped it.
bool bLastUnitImage(uint32_t u32Port, const uint8_t **ppu8Image, uint32_t *pu32Length,
                    const char **ppcSerial);
// The operator recorded with the units when Station.ini's RequireOperator
// asks for one: a badge scanned into the field (the command line names it);
// "" signs the operator off.
#define UNIT_OPERATOR_MAX 32
void vSetUnitOperator(const char *pcBadge);
// File > Export records...: the record as CSV to a file the user names.
void vExportRecords(void);

#endif
