#include "app/line_hooks.h"

#include "app/app_shell.h"
#include "app/production.h"
#include "device/edid_bus.h"
#include "files/package.h"
#include "files/station.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/filesys/filesys.h"
#include "platform/process/process.h"
#include "platform/records/records.h"
#include "platform/userint/userint.h"

#include <stdio.h>
#include <string.h>

#define HOOK_OUTPUT_SIZE 4096
#define HOOK_LOOK_MS 50

bool bSplitHookCommand(const char *pcCommand, char *pcWords, size_t wordsSize,
                       const char **ppcArgv, int32_t s32ArgvMax, char *pcWhy, size_t whySize)
{
    size_t used = 0;
    int32_t s32Count = 0;
    const char *pc = pcCommand;
    for (;;) {
        pc += strspn(pc, " \t");
        if (*pc == '\0')
            break;
        if (s32Count + 1 >= s32ArgvMax || used >= wordsSize) {
            snprintf(pcWhy, whySize, "\"%s\" has too many words", pcCommand);
            return false;
        }
        ppcArgv[s32Count++] = pcWords + used;
        bool bQuoted = false;
        for (; *pc && (bQuoted || (*pc != ' ' && *pc != '\t')); pc++) {
            if (*pc == '"') {
                bQuoted = !bQuoted;
            } else if (used + 1 < wordsSize) {
                pcWords[used++] = *pc;
            }
        }
        if (bQuoted) {
            snprintf(pcWhy, whySize, "\"%s\" has a quote that is not closed", pcCommand);
            return false;
        }
        pcWords[used++] = '\0';
    }
    ppcArgv[s32Count] = nullptr;
    if (s32Count == 0) {
        snprintf(pcWhy, whySize, "the command is empty");
        return false;
    }
    return true;
}

bool bSerialFitsFormat(const char *pcSerial, const char *pcFormat)
{
    if (pcFormat[0] == '\0')
        return true;
    for (; *pcFormat && *pcSerial; pcFormat++, pcSerial++) {
        char c = *pcSerial;
        bool bDigit = c >= '0' && c <= '9';
        bool bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        bool bFits = *pcFormat == '#'   ? bDigit
                     : *pcFormat == 'A' ? bLetter
                     : *pcFormat == '?' ? true
                                        : c == *pcFormat;
        if (!bFits)
            return false;
    }
    return *pcFormat == '\0' && *pcSerial == '\0';
}

namespace {

struct stHookRun {
    const char *pcName;        // "BeforeUnit", "AfterUnit"
    char cOutput[HOOK_OUTPUT_SIZE];
    size_t outputLength;
    int32_t s32Exit;
    uint64_t u64Deadline;
};

// Between looks at the hook the panels paint and take input; it is stopped
// at its time limit, or when the program quits meanwhile.
bool bHookGoesOn(void *pvRun)
{
    vPumpEvents();
    const stHookRun *pstRun = (const stHookRun *)pvRun;
    return gs32_QuitState == QUIT_NONE && u64ClockNowMs() < pstRun->u64Deadline;
}

// Its output, each line after the hook's name, in the library log.
void vLogHook(const stHookRun *pstRun, const char *pcSerial, const char *pcEnded)
{
    static char cLog[HOOK_OUTPUT_SIZE * 2];
    size_t used = (size_t)snprintf(cLog, sizeof(cLog), "%s %s: %s\n", pstRun->pcName, pcSerial,
                                   pcEnded);
    for (const char *pc = pstRun->cOutput; *pc && used < sizeof(cLog);) {
        size_t length = strcspn(pc, "\r\n");
        if (length > 0)
            used += (size_t)snprintf(cLog + used, sizeof(cLog) - used, "%s: %.*s\n",
                                     pstRun->pcName, (int)length, pc);
        pc += length;
        pc += strspn(pc, "\r\n");
    }
    LogText(cLog);
}

// The first line it printed that is not blank, or "".
void vFirstLine(const char *pcOutput, char *pcLine, size_t size)
{
    const char *pc = pcOutput + strspn(pcOutput, " \t\r\n");
    snprintf(pcLine, size, "%.*s", (int)strcspn(pc, "\r\n"), pc);
}

// The environment it gets beside ours; the last entries only for AfterUnit.
bool bSetHookEnvironment(const char *pcSerial, const char *pcResult, int64_t s64RecordId)
{
    static char cEntries[6][PROC_ENV_TEXT_MAX + 1];
    char cMap[STATION_TEXT_MAX + 1];
    vFormatPortMap(gst_Station.stMap, gst_Station.s32MapCount, cMap, sizeof(cMap));
    snprintf(cEntries[0], sizeof(cEntries[0]), "TAVOLIN_SERIAL=%s", pcSerial);
    snprintf(cEntries[1], sizeof(cEntries[1]), "TAVOLIN_STATION=%s", pcStationName());
    snprintf(cEntries[2], sizeof(cEntries[2]), "TAVOLIN_PORTMAP=%s", cMap);
    snprintf(cEntries[3], sizeof(cEntries[3]), "TAVOLIN_RESULT=%s", pcResult ? pcResult : "");
    // A unit kept in the spool has no id on the server yet; its uid stays.
    if (s64RecordId > 0)
        snprintf(cEntries[4], sizeof(cEntries[4]), "TAVOLIN_RECORD_ID=%lld",
                 (long long)s64RecordId);
    else
        snprintf(cEntries[4], sizeof(cEntries[4]), "TAVOLIN_RECORD_ID=");
    snprintf(cEntries[5], sizeof(cEntries[5]), "TAVOLIN_UNIT_UID=%s", pcRecUnitUid());
    const char *ppcEntries[] = {cEntries[0], cEntries[1], cEntries[2],
                                pcResult ? cEntries[3] : nullptr,
                                pcResult ? cEntries[4] : nullptr,
                                pcResult ? cEntries[5] : nullptr, nullptr};
    return bProcSetRunEnvironment(ppcEntries);
}

// Runs the command with the serial as its first argument; true when it
// ended with 0, else false with the reason.
bool bRunHook(stHookRun *pstRun, const char *pcCommand, const char *pcSerial, char *pcWhy,
              size_t whySize)
{
    char cWords[STATION_TEXT_MAX + 1];
    const char *ppcArgv[HOOK_WORDS_MAX + 2];
    char cSplit[STATION_WHY_MAX];
    if (!bSplitHookCommand(pcCommand, cWords, sizeof(cWords), ppcArgv, HOOK_WORDS_MAX, cSplit,
                           sizeof(cSplit))) {
        snprintf(pcWhy, whySize, "%s cannot be run: %s", pstRun->pcName, cSplit);
        return false;
    }
    int32_t s32Words = 0;
    while (ppcArgv[s32Words])
        s32Words++;
    ppcArgv[s32Words] = pcSerial;
    ppcArgv[s32Words + 1] = nullptr;
    pstRun->u64Deadline = u64ClockNowMs() + (uint64_t)gst_Station.s32HookTimeoutS * 1000u;
    char cRunWhy[STATION_WHY_MAX] = "";
    int32_t s32Run = s32ProcRunWatched(ppcArgv, "", 0, pstRun->cOutput, sizeof(pstRun->cOutput),
                                       &pstRun->outputLength, &pstRun->s32Exit, HOOK_LOOK_MS,
                                       bHookGoesOn, pstRun, cRunWhy, sizeof(cRunWhy));
    bProcSetRunEnvironment(nullptr);
    char cEnded[STATION_WHY_MAX + 64];
    if (s32Run == PROC_RUN_OK)
        snprintf(cEnded, sizeof(cEnded), "exit code %d", (int)pstRun->s32Exit);
    else if (s32Run == PROC_RUN_NOT_FOUND)
        snprintf(cEnded, sizeof(cEnded), "no program %s was found", ppcArgv[0]);
    else if (s32Run == PROC_RUN_STOPPED && gs32_QuitState != QUIT_NONE)
        snprintf(cEnded, sizeof(cEnded), "stopped as the program quits");
    else if (s32Run == PROC_RUN_STOPPED)
        snprintf(cEnded, sizeof(cEnded), "did not finish within %d s and was stopped",
                 (int)gst_Station.s32HookTimeoutS);
    else
        snprintf(cEnded, sizeof(cEnded), "cannot be run: %s", cRunWhy);
    vLogHook(pstRun, pcSerial, cEnded);
    if (s32Run == PROC_RUN_OK && pstRun->s32Exit == 0)
        return true;
    char cLine[STATION_WHY_MAX];
    vFirstLine(pstRun->cOutput, cLine, sizeof(cLine));
    if (s32Run == PROC_RUN_OK && cLine[0] != '\0')
        snprintf(pcWhy, whySize, "%s", cLine);
    else if (s32Run == PROC_RUN_OK)
        snprintf(pcWhy, whySize, "%s ended with exit code %d and printed nothing", pstRun->pcName,
                 (int)pstRun->s32Exit);
    else
        snprintf(pcWhy, whySize, "%s %s", pstRun->pcName, cEnded);
    return false;
}

} // namespace

bool bRunBeforeUnit(const char *pcSerial, char *pcWhy, size_t whySize)
{
    if (gst_Station.cBeforeUnit[0] == '\0')
        return true;
    static stHookRun stRun;
    stRun.pcName = "BeforeUnit";
    if (!bSetHookEnvironment(pcSerial, nullptr, 0)) {
        snprintf(pcWhy, whySize, "BeforeUnit cannot be run: its environment does not fit");
        return false;
    }
    return bRunHook(&stRun, gst_Station.cBeforeUnit, pcSerial, pcWhy, whySize);
}

bool bRunAfterUnit(const char *pcSerial, bool bPass, int64_t s64RecordId, char *pcWhy,
                   size_t whySize)
{
    if (gst_Station.cAfterUnit[0] == '\0')
        return true;
    static stHookRun stRun;
    stRun.pcName = "AfterUnit";
    if (!bSetHookEnvironment(pcSerial, bPass ? "pass" : "fail", s64RecordId)) {
        snprintf(pcWhy, whySize, "AfterUnit cannot be run: its environment does not fit");
        return false;
    }
    if (bRunHook(&stRun, gst_Station.cAfterUnit, pcSerial, pcWhy, whySize))
        return true;
    // Its own words may not say which hook failed.
    if (strncmp(pcWhy, "AfterUnit", 9) != 0) {
        char cLine[STATION_WHY_MAX];
        snprintf(cLine, sizeof(cLine), "%s", pcWhy);
        snprintf(pcWhy, whySize, "AfterUnit failed: %s", cLine);
    }
    return false;
}

void vPinnedPackagePath(const char *pcPackage, char *pcPath, size_t size)
{
    if (bFsIsAbsolute(pcPackage)) {
        snprintf(pcPath, size, "%s", pcPackage);
        return;
    }
    char cDir[TEXT_BUF_SIZE];
    GetProjectDir(cDir, sizeof(cDir));
    snprintf(pcPath, size, "%s" UI_PATH_SEP "%s", cDir, pcPackage);
}

namespace {

// The pinned file's bytes as they are now (a package is never larger than
// the buffer; what is larger is no package of ours).
uint8_t gu8_PinnedBytes[PKG_FILE_SIZE + 1];
size_t g_PinnedLength = 0;

bool bReadPinned(const char *pcPath, char *pcWhy, size_t whySize)
{
    uint64_t u64Size = 0;
    const char *pcKind = nullptr;
    FILE *pFile = pFsOpenRegular(pcPath, &u64Size, &pcKind);
    if (!pFile) {
        snprintf(pcWhy, whySize, "the package %s that Station.ini pins cannot be read%s%s",
                 pcPath, pcKind ? ": it is " : "", pcKind ? pcKind : "");
        return false;
    }
    g_PinnedLength = fread(gu8_PinnedBytes, 1, sizeof(gu8_PinnedBytes), pFile);
    bool bFailed = ferror(pFile) != 0;
    fclose(pFile);
    if (bFailed)
        snprintf(pcWhy, whySize, "the package %s that Station.ini pins cannot be read", pcPath);
    return !bFailed;
}

} // namespace

bool bPinnedPackageSha256(const char *pcPackage, char *pcHex, size_t hexSize, char *pcWhy,
                          size_t whySize)
{
    char cPath[TEXT_BUF_SIZE];
    vPinnedPackagePath(pcPackage, cPath, sizeof(cPath));
    if (!bReadPinned(cPath, pcWhy, whySize))
        return false;
    char cHex[REC_SHA256_HEX_SIZE];
    vRecSha256Hex(gu8_PinnedBytes, g_PinnedLength, cHex);
    snprintf(pcHex, hexSize, "%s", cHex);
    return true;
}

bool bPackagePinHolds(char *pcWhy, size_t whySize)
{
    if (gst_Station.cPackage[0] == '\0')
        return true;
    char cPath[TEXT_BUF_SIZE];
    vPinnedPackagePath(gst_Station.cPackage, cPath, sizeof(cPath));
    if (strcmp(cPath, gu8str_PkgFilePath) != 0) {
        snprintf(pcWhy, whySize, "the loaded package is %s; Station.ini pins %s", gu8str_PkgFilePath,
                 cPath);
        return false;
    }
    char cHex[REC_SHA256_HEX_SIZE];
    if (!bPinnedPackageSha256(gst_Station.cPackage, cHex, sizeof(cHex), pcWhy, whySize))
        return false;
    if (strcmp(cHex, gst_Station.cPackageSha256) != 0) {
        snprintf(pcWhy, whySize,
                 "the package %s is not the one confirmed for this station (its SHA-256 is now "
                 "%.12s...); the engineer confirms it in Production...",
                 cPath, cHex);
        return false;
    }
    // Confirmed bytes, but read before the file changed back and forth.
    if (g_PinnedLength > PKG_FILE_SIZE || memcmp(gu8_PinnedBytes, gu8_PkgBuffer, g_PinnedLength)) {
        snprintf(pcWhy, whySize, "the package %s was read before its file changed; the engineer "
                 "confirms it in Production...", cPath);
        return false;
    }
    return true;
}
