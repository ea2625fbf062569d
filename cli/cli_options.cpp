#include "cli/cli_options.h"

#include "device/ddc_start.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const char gc_CliUsage[] =
    "Usage: tavolin-cli COMMAND [OPTIONS]\n"
    "Runs the jobs of Tavolin's main panel without a window: the same bus traffic and the\n"
    "same message-box lines, written to standard output as they come.\n"
    "\n"
    "Commands:\n"
    "  detect                              detect the displays and save their EDID files\n"
    "  read --display N -o FILE.bin [--pages P]\n"
    "  read --display N -o FILE.txt --text [--pages P]\n"
    "                                      receive P pages (default: as the EDID declares)\n"
    "                                      and save them as binary, or as EDID text\n"
    "  program --package FILE --port PORT --display N [--erase] [--no-verify]\n"
    "                                      program a port's image and verify it\n"
    "  verify --package FILE --port PORT --display N\n"
    "  erase --display N\n"
    "  unit (--serial S | --next) [--rework] [--operator BADGE]\n"
    "                                      one unit of the production mode (Station.ini)\n"
    "  records [--serial S] [--since T] [--until T] [--station S] [--result R]\n"
    "          [--format csv|json]         the unit record's rows (the export's columns)\n"
    "  report [--since T] [--until T] -o FILE.html\n"
    "                                      the line report: units per hour, first-pass\n"
    "                                      yield, failures by reason and port, per station\n"
    "\n"
    "Options:\n"
    "  --folder DIR   the program's folder (settings, monitor files, logs, Station.ini)\n"
    "  --speed KHZ    bus clock: 10, 30, 50, 80, 100, 130, 150, 180 or 200\n"
    "  --fast         fast writes; --paced: paced writes (default: as Station.ini says)\n"
    "  --json         one JSON document on standard output, whatever happens; the lines\n"
    "                 go to standard error\n"
    "  --quiet        no message-box lines\n"
    "  --help, --version\n"
    "\n"
    "PORT is a port's name in the package or its number from 1; N is a display's\n"
    "position in the detected list, from 1. T is a time in UTC, 2026-12-09, 2026-12-09T10:00\n"
    "or 2026-12-09T10:00:00Z; --since includes it, --until does not. R is pass, fail,\n"
    "running or interrupted.\n"
    "An option given twice, --fast with --paced, --serial with --next: usage errors.\n"
    "Exit codes: 0 every step passed, 1 a step failed, 2 usage error, 3 the library could\n"
    "not start or no display was found where one was named, 4 a signal stopped the run\n"
    "before its end. See 'man tavolin-cli'.\n";

namespace {

enum {
    FOR_READ = 1 << CLI_CMD_READ,
    FOR_PROGRAM = 1 << CLI_CMD_PROGRAM,
    FOR_VERIFY = 1 << CLI_CMD_VERIFY,
    FOR_ERASE = 1 << CLI_CMD_ERASE,
    FOR_UNIT = 1 << CLI_CMD_UNIT,
    FOR_RECORDS = 1 << CLI_CMD_RECORDS,
    FOR_REPORT = 1 << CLI_CMD_REPORT,
    FOR_ALL = 0x7FFF,
};

struct stCommandName {
    const char *pcName;
    int32_t s32Command;
};

const stCommandName gst_Commands[] = {
    {"detect", CLI_CMD_DETECT}, {"read", CLI_CMD_READ},   {"program", CLI_CMD_PROGRAM},
    {"verify", CLI_CMD_VERIFY}, {"erase", CLI_CMD_ERASE}, {"unit", CLI_CMD_UNIT},
    {"records", CLI_CMD_RECORDS}, {"report", CLI_CMD_REPORT},
};

struct stParse {
    stCliOptions *pst;
    char *pcWhy;
    size_t whySize;
    const char *pcGiven[32]; // each option given so far, by its index
};

typedef bool (*OptionSetter)(stParse *pstParse, const char *pcValue);

struct stOption {
    const char *pcName;
    int32_t bTakesValue;
    int32_t s32For;
    OptionSetter pfnSet;
};

bool bFail(stParse *p, const char *pcFormat, const char *pcA, const char *pcB = "")
{
    snprintf(p->pcWhy, p->whySize, pcFormat, pcA, pcB);
    return false;
}

bool bCopy(stParse *p, char *pcTo, size_t size, const char *pcValue, const char *pcName)
{
    if (pcValue[0] == '\0')
        return bFail(p, "%s needs a value", pcName);
    if (strlen(pcValue) >= size)
        return bFail(p, "the value of %s is too long", pcName);
    snprintf(pcTo, size, "%s", pcValue);
    return true;
}

bool bNumber(stParse *p, const char *pcValue, long lMin, long lMax, const char *pcName,
             int32_t *ps32Out)
{
    char *pcEnd = nullptr;
    long lValue = strtol(pcValue, &pcEnd, 10);
    if (pcValue[0] < '0' || pcValue[0] > '9' || *pcEnd != '\0' || lValue < lMin || lValue > lMax) {
        char cRange[48];
        snprintf(cRange, sizeof(cRange), "%ld to %ld", lMin, lMax);
        char cName[64];
        snprintf(cName, sizeof(cName), "%s is \"%.20s\"", pcName, pcValue);
        return bFail(p, "%s; it must be a whole number from %s", cName, cRange);
    }
    *ps32Out = (int32_t)lValue;
    return true;
}

bool bSetFolder(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cFolder, sizeof(p->pst->cFolder), v, "--folder");
}

bool bSetSpeed(stParse *p, const char *v)
{
    int32_t s32Khz = 0;
    if (!bNumber(p, v, 1, 100000, "--speed", &s32Khz))
        return false;
    for (int32_t i = 0; i < DDC_SPEED_COUNT; i++) {
        if (gu32_DdcSpeedTable[i] == (uint32_t)s32Khz * 1000u) {
            p->pst->s32SpeedIndex = i;
            return true;
        }
    }
    char cClocks[DDC_SPEED_COUNT * 8] = "";
    size_t used = 0;
    for (int32_t i = 0; i < DDC_SPEED_COUNT && used < sizeof(cClocks); i++)
        used += (size_t)snprintf(cClocks + used, sizeof(cClocks) - used, "%s%u",
                                 i == 0 ? "" : i + 1 == DDC_SPEED_COUNT ? " and " : ", ",
                                 (unsigned)(gu32_DdcSpeedTable[i] / 1000u));
    return bFail(p, "--speed is %s kHz; the bus clocks are %s kHz", v, cClocks);
}

bool bSetFast(stParse *p, const char *)
{
    p->pst->s32Writes = CLI_WRITES_FAST;
    return true;
}

bool bSetPaced(stParse *p, const char *)
{
    p->pst->s32Writes = CLI_WRITES_PACED;
    return true;
}

bool bSetJson(stParse *p, const char *)
{
    p->pst->bJson = 1;
    return true;
}

bool bSetQuiet(stParse *p, const char *)
{
    p->pst->bQuiet = 1;
    return true;
}

bool bSetDisplay(stParse *p, const char *v)
{
    return bNumber(p, v, 1, MONITOR_MAX, "--display", &p->pst->s32Display);
}

bool bSetPages(stParse *p, const char *v)
{
    return bNumber(p, v, PAGE_NUM_MIN, PAGE_NUM_MAX, "--pages", &p->pst->s32Pages);
}

bool bSetOutput(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cOutput, sizeof(p->pst->cOutput), v, "-o");
}

bool bSetText(stParse *p, const char *)
{
    p->pst->bText = 1;
    return true;
}

bool bSetPackage(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cPackage, sizeof(p->pst->cPackage), v, "--package");
}

bool bSetPort(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cPort, sizeof(p->pst->cPort), v, "--port");
}

bool bSetErase(stParse *p, const char *)
{
    p->pst->bErase = 1;
    return true;
}

bool bSetNoVerify(stParse *p, const char *)
{
    p->pst->bNoVerify = 1;
    return true;
}

bool bSetSerial(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cSerial, sizeof(p->pst->cSerial), v, "--serial");
}

bool bSetNext(stParse *p, const char *)
{
    p->pst->bNext = 1;
    return true;
}

bool bSetRework(stParse *p, const char *)
{
    p->pst->bRework = 1;
    return true;
}

bool bSetOperator(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cOperator, sizeof(p->pst->cOperator), v, "--operator");
}

bool bTwoDigits(const char *pc, int32_t s32Max)
{
    return pc[0] >= '0' && pc[0] <= '9' && pc[1] >= '0' && pc[1] <= '9' &&
           (pc[0] - '0') * 10 + (pc[1] - '0') <= s32Max;
}

// The date, and the hour, minute and second that are given, in the
// record's own form; what is not given is zero.
bool bTime(stParse *p, const char *pcValue, const char *pcName, char (&cTime)[CLI_TIME_SIZE])
{
    char cFull[CLI_TIME_SIZE] = "0000-00-00T00:00:00Z";
    size_t length = strlen(pcValue);
    if (length > 0 && pcValue[length - 1] == 'Z')
        length--;
    const char cShape[] = "dddd-dd-ddTdd:dd:dd";
    bool bShape = length == 10 || length == 16 || length == 19;
    for (size_t i = 0; bShape && i < length; i++)
        bShape = cShape[i] == 'd' ? pcValue[i] >= '0' && pcValue[i] <= '9' : pcValue[i] == cShape[i];
    if (bShape)
        memcpy(cFull, pcValue, length);
    bool bInRange = bShape && bTwoDigits(cFull + 5, 12) && bTwoDigits(cFull + 8, 31) &&
                    strncmp(cFull + 5, "00", 2) != 0 && strncmp(cFull + 8, "00", 2) != 0 &&
                    bTwoDigits(cFull + 11, 23) && bTwoDigits(cFull + 14, 59) &&
                    bTwoDigits(cFull + 17, 59);
    if (!bInRange)
        return bFail(p, "%s is \"%.30s\"; a time is 2026-12-09, 2026-12-09T10:00 or "
                        "2026-12-09T10:00:00Z (UTC)",
                     pcName, pcValue);
    snprintf(cTime, sizeof(cTime), "%s", cFull);
    return true;
}

bool bSetSince(stParse *p, const char *v) { return bTime(p, v, "--since", p->pst->cSince); }

bool bSetUntil(stParse *p, const char *v) { return bTime(p, v, "--until", p->pst->cUntil); }

bool bSetStation(stParse *p, const char *v)
{
    return bCopy(p, p->pst->cStation, sizeof(p->pst->cStation), v, "--station");
}

bool bSetResult(stParse *p, const char *v)
{
    static const char *const gpcResults[] = {"pass", "fail", "running", "interrupted"};
    for (const char *pcResult : gpcResults)
        if (strcmp(v, pcResult) == 0)
            return bCopy(p, p->pst->cResult, sizeof(p->pst->cResult), v, "--result");
    return bFail(p, "--result is \"%.30s\"; it is pass, fail, running or interrupted%s", v);
}

bool bSetFormat(stParse *p, const char *v)
{
    p->pst->bFormatGiven = 1;
    if (strcmp(v, "csv") == 0 || strcmp(v, "json") == 0) {
        p->pst->s32Format = v[0] == 'j' ? CLI_FORMAT_JSON : CLI_FORMAT_CSV;
        return true;
    }
    return bFail(p, "--format is \"%.30s\"; it is csv or json%s", v);
}

const stOption gst_Options[] = {
    {"--folder", 1, FOR_ALL, bSetFolder},
    {"--speed", 1, FOR_ALL, bSetSpeed},
    {"--fast", 0, FOR_ALL, bSetFast},
    {"--paced", 0, FOR_ALL, bSetPaced},
    {"--json", 0, FOR_ALL, bSetJson},
    {"--quiet", 0, FOR_ALL, bSetQuiet},
    {"--display", 1, FOR_READ | FOR_PROGRAM | FOR_VERIFY | FOR_ERASE, bSetDisplay},
    {"--pages", 1, FOR_READ, bSetPages},
    {"-o", 1, FOR_READ | FOR_REPORT, bSetOutput},
    {"--output", 1, FOR_READ | FOR_REPORT, bSetOutput},
    {"--text", 0, FOR_READ, bSetText},
    {"--package", 1, FOR_PROGRAM | FOR_VERIFY, bSetPackage},
    {"--port", 1, FOR_PROGRAM | FOR_VERIFY, bSetPort},
    {"--erase", 0, FOR_PROGRAM, bSetErase},
    {"--no-verify", 0, FOR_PROGRAM, bSetNoVerify},
    {"--serial", 1, FOR_UNIT | FOR_RECORDS, bSetSerial},
    {"--next", 0, FOR_UNIT, bSetNext},
    {"--rework", 0, FOR_UNIT, bSetRework},
    {"--operator", 1, FOR_UNIT, bSetOperator},
    {"--since", 1, FOR_RECORDS | FOR_REPORT, bSetSince},
    {"--until", 1, FOR_RECORDS | FOR_REPORT, bSetUntil},
    {"--station", 1, FOR_RECORDS, bSetStation},
    {"--result", 1, FOR_RECORDS, bSetResult},
    {"--format", 1, FOR_RECORDS, bSetFormat},
};

static_assert(sizeof(gst_Options) / sizeof(gst_Options[0]) <= 32, "room in stParse");

const stOption *pstFindOption(const char *pcArg, size_t nameLength);

// Options that choose one of two ways: the later one would silently win.
const char *const gpc_Conflicts[][2] = {
    {"--fast", "--paced"},
    {"--serial", "--next"},
};

// An option given twice, or with its opposite, is a usage error: which of
// the two was meant is not known.
bool bFirstTime(stParse *p, const stOption *pstOpt)
{
    size_t index = (size_t)(pstOpt - gst_Options);
    for (size_t i = 0; i < sizeof(gst_Options) / sizeof(gst_Options[0]); i++) {
        if (gst_Options[i].pfnSet == pstOpt->pfnSet && p->pcGiven[i])
            return bFail(p, "%s is given twice", p->pcGiven[i]);
    }
    for (const auto &pair : gpc_Conflicts) {
        for (int32_t k = 0; k < 2; k++) {
            if (strcmp(pair[k], pstOpt->pcName) != 0)
                continue;
            const stOption *pstOther = pstFindOption(pair[1 - k], strlen(pair[1 - k]));
            if (pstOther && p->pcGiven[pstOther - gst_Options])
                return bFail(p, "%s and %s cannot both be given", pair[1 - k], pair[k]);
        }
    }
    p->pcGiven[index] = pstOpt->pcName;
    return true;
}

const stOption *pstFindOption(const char *pcArg, size_t nameLength)
{
    for (const stOption &stOpt : gst_Options) {
        if (strlen(stOpt.pcName) == nameLength && strncmp(stOpt.pcName, pcArg, nameLength) == 0)
            return &stOpt;
    }
    return nullptr;
}

// One option at argv[*pi] (its value in the same word after '=', or the
// next word); *pi moves past what it took.
bool bTakeOption(stParse *p, int argc, char *argv[], int *pi)
{
    const char *pcArg = argv[*pi];
    const char *pcEquals = strchr(pcArg, '=');
    size_t nameLength = pcEquals ? (size_t)(pcEquals - pcArg) : strlen(pcArg);
    const stOption *pstOpt = pstFindOption(pcArg, nameLength);
    if (!pstOpt) {
        char cName[64];
        snprintf(cName, sizeof(cName), "%.*s", (int)(nameLength < 40 ? nameLength : 40), pcArg);
        return bFail(p, "unknown option %s%s", cName);
    }
    if (p->pst->s32Command == CLI_CMD_NONE && pstOpt->s32For != FOR_ALL)
        return bFail(p, "%s comes after the command%s", pstOpt->pcName);
    if (!(pstOpt->s32For & (1 << p->pst->s32Command)))
        return bFail(p, "%s is not an option of '%s'", pstOpt->pcName,
                     pcCliCommandName(p->pst->s32Command));
    const char *pcValue = "";
    if (pstOpt->bTakesValue && pcEquals) {
        pcValue = pcEquals + 1;
    } else if (pstOpt->bTakesValue) {
        if (*pi + 1 >= argc)
            return bFail(p, "%s needs a value", pstOpt->pcName);
        pcValue = argv[++*pi];
    } else if (pcEquals) {
        return bFail(p, "%s takes no value", pstOpt->pcName);
    }
    return bFirstTime(p, pstOpt) && pstOpt->pfnSet(p, pcValue);
}

bool bTakeCommand(stParse *p, const char *pcArg)
{
    for (const stCommandName &stName : gst_Commands) {
        if (strcmp(stName.pcName, pcArg) == 0) {
            p->pst->s32Command = stName.s32Command;
            return true;
        }
    }
    return bFail(p, "unknown command '%s'; the commands are detect, read, program, verify, erase, "
                    "unit, records and report%s",
                 pcArg);
}

bool bSameLetters(const char *pcA, const char *pcLower)
{
    for (; *pcA && *pcLower; pcA++, pcLower++) {
        char c = *pcA >= 'A' && *pcA <= 'Z' ? (char)(*pcA - 'A' + 'a') : *pcA;
        if (c != *pcLower)
            return false;
    }
    return *pcA == *pcLower;
}

// records and report only read the record: the bus's options mean nothing
// to them, and --json would promise another document than --format's.
bool bQueryComplete(stParse *p)
{
    const stCliOptions &o = *p->pst;
    const char *pcName = pcCliCommandName(o.s32Command);
    static const char *const gpcBusOptions[] = {"--speed", "--fast", "--paced", "--json",
                                                "--quiet"};
    for (const char *pcOption : gpcBusOptions) {
        const stOption *pstOpt = pstFindOption(pcOption, strlen(pcOption));
        if (p->pcGiven[pstOpt - gst_Options])
            return bFail(p, "%s is not an option of '%s'", pcOption, pcName);
    }
    if (o.cSince[0] && o.cUntil[0] && strcmp(o.cSince, o.cUntil) >= 0)
        return bFail(p, "--since %s is not before --until %s", o.cSince, o.cUntil);
    if (o.s32Command == CLI_CMD_REPORT && o.cOutput[0] == '\0')
        return bFail(p, "'%s' needs -o FILE.html", pcName);
    return true;
}

// What each subcommand cannot do without.
bool bComplete(stParse *p)
{
    const stCliOptions &o = *p->pst;
    int32_t s32Cmd = o.s32Command;
    const char *pcName = pcCliCommandName(s32Cmd);
    if (s32Cmd == CLI_CMD_NONE)
        return bFail(p, "no command given%s", "");
    bool bNeedsDisplay = s32Cmd == CLI_CMD_READ || s32Cmd == CLI_CMD_PROGRAM ||
                         s32Cmd == CLI_CMD_VERIFY || s32Cmd == CLI_CMD_ERASE;
    if (bNeedsDisplay && o.s32Display == 0)
        return bFail(p, "'%s' needs --display N", pcName);
    if (s32Cmd == CLI_CMD_READ && o.cOutput[0] == '\0')
        return bFail(p, "'%s' needs -o FILE", pcName);
    // The save takes only its own extension, as its dialog does; a name
    // without it would be saved under another one.
    const char *pcSuffix = o.bText ? ".txt" : ".bin";
    size_t outputLength = strlen(o.cOutput);
    if (s32Cmd == CLI_CMD_READ &&
        (outputLength <= 4 || !bSameLetters(o.cOutput + outputLength - 4, pcSuffix)))
        return bFail(p, "-o must name a %s file, as the program saves %s", pcSuffix,
                     o.bText ? "EDID text" : "binary EDID");
    bool bNeedsPackage = s32Cmd == CLI_CMD_PROGRAM || s32Cmd == CLI_CMD_VERIFY;
    if (bNeedsPackage && o.cPackage[0] == '\0')
        return bFail(p, "'%s' needs --package FILE", pcName);
    if (bNeedsPackage && o.cPort[0] == '\0')
        return bFail(p, "'%s' needs --port NAME or NUMBER", pcName);
    if (s32Cmd == CLI_CMD_UNIT && (o.cSerial[0] != '\0') == (o.bNext != 0))
        return bFail(p, "'%s' needs either --serial S or --next", pcName);
    return s32Cmd != CLI_CMD_RECORDS && s32Cmd != CLI_CMD_REPORT ? true : bQueryComplete(p);
}

} // namespace

const char *pcCliCommandName(int32_t s32Command)
{
    for (const stCommandName &stName : gst_Commands) {
        if (stName.s32Command == s32Command)
            return stName.pcName;
    }
    return "";
}

bool bParseCliOptions(int argc, char *argv[], stCliOptions *pstOptions, char *pcWhy,
                      size_t whySize)
{
    memset(pstOptions, 0, sizeof(*pstOptions));
    pstOptions->s32SpeedIndex = -1;
    stParse stP = {pstOptions, pcWhy, whySize, {}};
    pcWhy[0] = '\0';
    for (int i = 1; i < argc && argv[i]; i++) {
        const char *pcArg = argv[i];
        if (strcmp(pcArg, "--help") == 0 || strcmp(pcArg, "-h") == 0) {
            pstOptions->bHelp = 1;
            return true;
        }
        if (strcmp(pcArg, "--version") == 0) {
            pstOptions->bVersion = 1;
            return true;
        }
        bool bOk = pcArg[0] == '-' ? bTakeOption(&stP, argc, argv, &i)
                   : pstOptions->s32Command == CLI_CMD_NONE
                       ? bTakeCommand(&stP, pcArg)
                       : bFail(&stP, "unexpected argument '%s'%s", pcArg);
        if (!bOk)
            return false;
    }
    return bComplete(&stP);
}
