// The line report: the record's units over a period, counted by hour, by
// station, by reason of failure and by port, written as one HTML file that
// needs nothing else (its charts inline SVG, no script, nothing fetched)
// and prints as it shows.
#ifndef LINE_REPORT_H
#define LINE_REPORT_H

#include "platform/records/records.h"

#include <stddef.h>
#include <stdint.h>

#define LR_NAME_SIZE 160
#define LR_HOURS_MAX 744       // a month of hours
#define LR_STATIONS_MAX 32
#define LR_REASONS_MAX 24
#define LR_PORTS_MAX 32

// One line of a table. Failed counts "fail" and "interrupted"; a unit
// still "running" is neither passed nor failed. First counts the first
// attempts of serials that ended, FirstPassed those that passed.
struct stLrCount {
    char cName[LR_NAME_SIZE];
    int32_t s32Units;
    int32_t s32Passed;
    int32_t s32Failed;
    int32_t s32First;
    int32_t s32FirstPassed;
};

struct stLrTable {
    stLrCount *pstLines;
    int32_t s32Max;
    int32_t s32Count;
    int32_t s32LeftOut;        // names beyond s32Max, counted in the last line instead
};

struct stLineReport {
    char cSince[REC_TIME_TEXT_SIZE];
    char cUntil[REC_TIME_TEXT_SIZE];
    char cFirstUnit[REC_TIME_TEXT_SIZE];
    char cLastUnit[REC_TIME_TEXT_SIZE];
    stLrCount stTotal;
    stLrCount stHours[LR_HOURS_MAX];        // "2026-12-09 10:00", in the units' order
    stLrCount stStations[LR_STATIONS_MAX];
    stLrCount stReasons[LR_REASONS_MAX];    // failed units by their reason
    stLrCount stPorts[LR_PORTS_MAX];        // port rows: Units, Passed, Failed
    stLrTable stHourTable, stStationTable, stReasonTable, stPortTable;
};

// Counts the units of the record at pcRecords in [pcSince, pcUntil) ("" for
// no bound) into *pstReport. False with the reason.
bool bGatherLineReport(const char *pcRecords, const char *pcSince, const char *pcUntil,
                       stLineReport *pstReport, char *pcWhy, size_t whySize);
// Gathers and writes the report to pcHtml (whole or not at all).
bool bWriteLineReport(const char *pcRecords, const char *pcSince, const char *pcUntil,
                      const char *pcHtml, char *pcWhy, size_t whySize);

// File > Line report...: the period is the whole record; the file named in
// a save dialog, the lines in the message box, the file then opened.
void vLineReportFromMenu(void);

#endif
