// The command line of tavolin-cli: its subcommands, its options and their
// checks, and its help text. Nothing here runs a command.
#ifndef CLI_OPTIONS_H
#define CLI_OPTIONS_H

#include "ui/params.h"

#include <stddef.h>
#include <stdint.h>

enum {
    CLI_CMD_NONE = 0,
    CLI_CMD_DETECT,
    CLI_CMD_READ,
    CLI_CMD_PROGRAM,
    CLI_CMD_VERIFY,
    CLI_CMD_ERASE,
    CLI_CMD_UNIT,
    CLI_CMD_RECORDS,
    CLI_CMD_REPORT,
};

enum { CLI_WRITES_STATION = 0, CLI_WRITES_PACED = 1, CLI_WRITES_FAST = 2 };

// Exit codes, as the manual page gives them.
enum {
    CLI_EXIT_PASS = 0,
    CLI_EXIT_FAIL = 1,
    CLI_EXIT_USAGE = 2,
    CLI_EXIT_NO_START = 3,
    CLI_EXIT_STOPPED = 4,   // a quit signal stopped the run before its end
};

#define CLI_PORT_SIZE 64
#define CLI_SERIAL_SIZE 64
#define CLI_TIME_SIZE 21    // 2026-12-09T10:11:01Z
#define CLI_STATION_SIZE 128

enum { CLI_FORMAT_CSV = 0, CLI_FORMAT_JSON = 1 };

struct stCliOptions {
    int32_t s32Command;
    int32_t bHelp;
    int32_t bVersion;
    // Common options.
    char cFolder[TEXT_BUF_SIZE];
    int32_t s32SpeedIndex;   // -1: the settings' speed
    int32_t s32Writes;       // CLI_WRITES_*
    int32_t bJson;
    int32_t bQuiet;
    // Subcommand options; 0 or "" when not given.
    int32_t s32Display;      // from 1
    int32_t s32Pages;        // 1 to 16; 0: as the EDID declares
    char cOutput[TEXT_BUF_SIZE];
    int32_t bText;
    char cPackage[TEXT_BUF_SIZE];
    char cPort[CLI_PORT_SIZE];
    int32_t bErase;
    int32_t bNoVerify;
    char cSerial[CLI_SERIAL_SIZE];
    int32_t bNext;
    int32_t bRework;
    char cOperator[CLI_SERIAL_SIZE];   // "": none named
    // records and report: times in the record's form, since included.
    char cSince[CLI_TIME_SIZE];
    char cUntil[CLI_TIME_SIZE];
    char cStation[CLI_STATION_SIZE];
    char cResult[16];
    int32_t s32Format;       // CLI_FORMAT_*
    int32_t bFormatGiven;
};

// Fills the options from argv: true, or false with why (one sentence, no
// program name) for a usage error. --help and --version end the checks.
bool bParseCliOptions(int argc, char *argv[], stCliOptions *pstOptions, char *pcWhy,
                      size_t whySize);
// The subcommand's name ("program"), or "" for none.
const char *pcCliCommandName(int32_t s32Command);
extern const char gc_CliUsage[];

#endif
