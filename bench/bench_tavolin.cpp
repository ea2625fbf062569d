// Runs every phase of bench_phases.cpp in a fresh process, offscreen and
// again under Xvfb where xvfb-run is installed, prints the goals with their
// verdicts and writes them to bench/results/<date>-<commit>.json.
//   build/bench_tavolin [--offscreen-only]
#include "bench/bench_tavolin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Values = std::map<std::string, double>;

struct stPlatform {
    const char *pcName;
    const char *pcPrefix; // put before the command
    double dDumpGoalS;
};

const stPlatform gst_Platforms[] = {
    {"offscreen", "QT_QPA_PLATFORM=offscreen", 1.0},
    {"xvfb", "env -u QT_QPA_PLATFORM xvfb-run -a -s '-screen 0 1280x1024x24'", 2.0},
};

const char *const gpc_Phases[] = {"startup", "program",       "erase",          "receive",
                                  "dump",    "msgbox",        "start-pv-paced", "start-pv-fast",
                                  "start-epv-fast"};

struct stGoal {
    std::string platform;
    std::string name;
    std::string shown; // the measurement as printed
    std::string goal;
    double dValue;
    bool bPass;
};

std::string strSelf;

// Runs one phase; its values, or none when it failed.
Values mapRunPhase(const stPlatform *pstPlatform, const char *pcPhase, bool bVirtual)
{
    char cCommand[2048];
    snprintf(cCommand, sizeof(cCommand), "%s '%s' --phase %s%s 2>/tmp/tavolin-bench-%s.log",
             pstPlatform->pcPrefix, strSelf.c_str(), pcPhase, bVirtual ? " --virtual" : "",
             pcPhase);
    Values values;
    FILE *pChild = popen(cCommand, "r");
    char cKey[64];
    double dValue = 0;
    char cLine[256];
    while (pChild && fgets(cLine, sizeof(cLine), pChild)) {
        if (sscanf(cLine, "%63s %lf", cKey, &dValue) == 2)
            values[cKey] = dValue;
    }
    if (!pChild || pclose(pChild) != 0 || values["passed"] != 1) {
        fprintf(stderr, "bench_tavolin: phase %s%s failed on %s (see /tmp/tavolin-bench-%s.log)\n",
                pcPhase, bVirtual ? " (virtual clock)" : "", pstPlatform->pcName, pcPhase);
        values.clear();
    }
    return values;
}

std::string strFormat(const char *pcFormat, double dA, double dB = 0, double dC = 0)
{
    char cText[128];
    snprintf(cText, sizeof(cText), pcFormat, dA, dB, dC);
    return cText;
}

void vAddGoal(std::vector<stGoal> &goals, const stPlatform *pstPlatform, const std::string &name,
              const std::string &shown, const std::string &goal, double dValue, bool bPass)
{
    goals.push_back({pstPlatform->pcName, name, shown, goal, dValue, bPass});
}

// A time against what it is measured by: a paced operation's wall time
// against the pauses it asks for, a fast Start's against the bus floor the
// bench saw for it.
struct stRatioGoal {
    const char *pcPhase;
    const char *pcTitle;
    const char *pcTimeKey;
    const char *pcBaseKey;
    double dLimit;
};

const stRatioGoal gst_RatioGoals[] = {
    {"program", "program 256 bytes: wall / pauses", "wall_ms", "asked_ms", 1.01},
    {"erase", "erase: wall / pauses", "wall_ms", "asked_ms", 1.01},
    {"receive", "receive 16 pages, data shown: wall / pauses", "wall_ms", "asked_ms", 1.01},
    {"start-pv-fast", "fast Start P+V: wall / bus floor", "start_ms", "floor_ms", 1.5},
    {"start-epv-fast", "fast Start E+P+V: wall / bus floor", "start_ms", "floor_ms", 1.5},
};

void vRatioGoal(std::vector<stGoal> &goals, const stPlatform *pstPlatform, Values &all,
                const stRatioGoal *pstGoal)
{
    std::string prefix = std::string(pstGoal->pcPhase) + ".";
    double dTime = all[prefix + pstGoal->pcTimeKey], dBase = all[prefix + pstGoal->pcBaseKey];
    bool bMeasured = dTime > 0 && dBase > 0;
    double dRatio = bMeasured ? dTime / dBase : 0;
    vAddGoal(goals, pstPlatform, pstGoal->pcTitle,
             strFormat("%.3f s / %.3f s = %.4f", dTime / 1000, dBase / 1000, dRatio),
             strFormat("ratio <= %.2f", pstGoal->dLimit), dRatio,
             bMeasured && dRatio <= pstGoal->dLimit);
}

void vPlatformGoals(std::vector<stGoal> &goals, const stPlatform *pstPlatform, Values &all)
{
    for (const stRatioGoal &stGoal : gst_RatioGoals)
        vRatioGoal(goals, pstPlatform, all, &stGoal);
    double dPaced = all["start-pv-paced.start_ms"], dFast = all["start-pv-fast.start_ms"];
    double dSpeedUp = dPaced > 0 && dFast > 0 ? dPaced / dFast : 0;
    vAddGoal(goals, pstPlatform, "Start P+V: paced / fast",
             strFormat("%.3f s / %.3f s = %.1fx", dPaced / 1000, dFast / 1000, dSpeedUp),
             "faster", dSpeedUp, dSpeedUp > 1);
    double dDump = all["dump.wall_ms"] / 1000;
    vAddGoal(goals, pstPlatform, "package dump 10,240 bytes",
             strFormat("%.3f s (%.0f pauses)", dDump, all["dump.pauses"]),
             strFormat("< %.0f s", pstPlatform->dDumpGoalS), dDump,
             dDump > 0 && dDump < pstPlatform->dDumpGoalS && all["dump.pauses"] == 0);
    double dSmall = all["msgbox.append_small_us"], dBig = all["msgbox.append_big_us"];
    vAddGoal(goals, pstPlatform, "append per fragment, 10 lines", strFormat("%.2f us", dSmall),
             "< 50 us", dSmall, dSmall > 0 && dSmall < 50);
    vAddGoal(goals, pstPlatform, "append per fragment, 100,000 lines", strFormat("%.2f us", dBig),
             "< 50 us", dBig, dBig > 0 && dBig < 50);
    double dFlat = dSmall > 0 && dBig > 0 ? (dBig > dSmall ? dBig / dSmall : dSmall / dBig) : 0;
    vAddGoal(goals, pstPlatform, "append flat: larger / smaller", strFormat("%.2f", dFlat),
             "<= 1.5", dFlat, dFlat > 0 && dFlat <= 1.5);
    double dSave = all["msgbox.save_ms"] / 1000;
    vAddGoal(goals, pstPlatform, "save 100,000-line log", strFormat("%.3f s", dSave), "< 0.5 s",
             dSave, dSave > 0 && dSave < 0.5);
    double dStart = all["startup.startup_ms"] / 1000;
    vAddGoal(goals, pstPlatform, "start-up to first tick", strFormat("%.3f s", dStart), "< 0.5 s",
             dStart, dStart > 0 && dStart < 0.5);
    double dErase = all["erase.peak_kb"] / 1024, dLog = all["msgbox.peak_kb"] / 1024;
    vAddGoal(goals, pstPlatform, "peak memory, erase", strFormat("%.1f MB", dErase), "< 80 MB",
             dErase, dErase > 0 && dErase < 80);
    vAddGoal(goals, pstPlatform, "peak memory, 100,000-line log", strFormat("%.1f MB", dLog),
             "< 150 MB", dLog, dLog > 0 && dLog < 150);
}

Values mapRunPlatform(const stPlatform *pstPlatform)
{
    Values all;
    for (const char *pcPhase : gpc_Phases) {
        bool bPaced = strcmp(pcPhase, "startup") != 0 && strcmp(pcPhase, "msgbox") != 0 &&
                      strncmp(pcPhase, "start-", 6) != 0;
        for (int s32Virtual = bPaced ? 1 : 0; s32Virtual >= 0; s32Virtual--) {
            for (const auto &entry : mapRunPhase(pstPlatform, pcPhase, s32Virtual == 1))
                all[std::string(pcPhase) + "." + entry.first] = entry.second;
        }
    }
    return all;
}

std::string strCommandOutput(const char *pcCommand)
{
    FILE *pPipe = popen(pcCommand, "r");
    char cLine[256] = "";
    if (pPipe && !fgets(cLine, sizeof(cLine), pPipe))
        cLine[0] = '\0';
    if (pPipe)
        pclose(pPipe);
    cLine[strcspn(cLine, "\n")] = '\0';
    return cLine;
}

std::string strLoad() { return strCommandOutput("cut -d' ' -f1-3 /proc/loadavg"); }

void vPrintTable(const std::vector<stGoal> &goals)
{
    printf("%-10s %-44s %-34s %-14s %s\n", "platform", "measure", "result", "goal", "verdict");
    for (const stGoal &g : goals)
        printf("%-10s %-44s %-34s %-14s %s\n", g.platform.c_str(), g.name.c_str(), g.shown.c_str(),
               g.goal.c_str(), g.bPass ? "met" : "MISSED");
}

void vWriteJson(const char *pcPath, const std::vector<stGoal> &goals,
                const std::map<std::string, Values> &raw, const std::string &commit,
                const std::string &loadBefore, const std::string &loadAfter)
{
    FILE *pFile = fopen(pcPath, "w");
    if (!pFile)
        return;
    fprintf(pFile, "{\n  \"commit\": \"%s\",\n  \"cores\": %ld,\n", commit.c_str(),
            sysconf(_SC_NPROCESSORS_ONLN));
    fprintf(pFile, "  \"load_before\": \"%s\",\n  \"load_after\": \"%s\",\n  \"goals\": [\n",
            loadBefore.c_str(), loadAfter.c_str());
    for (size_t i = 0; i < goals.size(); i++) {
        const stGoal &g = goals[i];
        fprintf(pFile,
                "    {\"platform\": \"%s\", \"measure\": \"%s\", \"result\": \"%s\", \"value\": %.6g, "
                "\"goal\": \"%s\", \"met\": %s}%s\n",
                g.platform.c_str(), g.name.c_str(), g.shown.c_str(), g.dValue, g.goal.c_str(),
                g.bPass ? "true" : "false", i + 1 < goals.size() ? "," : "");
    }
    fprintf(pFile, "  ],\n  \"measured\": {\n");
    size_t platformsLeft = raw.size();
    for (const auto &platform : raw) {
        fprintf(pFile, "    \"%s\": {", platform.first.c_str());
        const char *pcSep = "\n";
        for (const auto &value : platform.second) {
            fprintf(pFile, "%s      \"%s\": %.6g", pcSep, value.first.c_str(), value.second);
            pcSep = ",\n";
        }
        fprintf(pFile, "\n    }%s\n", --platformsLeft ? "," : "");
    }
    fprintf(pFile, "  }\n}\n");
    fclose(pFile);
}

int s32RunAll(bool bOffscreenOnly)
{
    std::string loadBefore = strLoad();
    std::vector<stGoal> goals;
    std::map<std::string, Values> raw;
    bool bXvfb = !bOffscreenOnly && system("command -v xvfb-run >/dev/null 2>&1") == 0;
    for (const stPlatform &stPlatform : gst_Platforms) {
        if (strcmp(stPlatform.pcName, "xvfb") == 0 && !bXvfb)
            continue;
        fprintf(stderr, "bench_tavolin: measuring %s ...\n", stPlatform.pcName);
        raw[stPlatform.pcName] = mapRunPlatform(&stPlatform);
        vPlatformGoals(goals, &stPlatform, raw[stPlatform.pcName]);
    }
    std::string loadAfter = strLoad();
    std::string commit = strCommandOutput("git -C '" TAVOLIN_SOURCE_DIR "' rev-parse --short HEAD");
    char cDate[16];
    time_t now = time(nullptr);
    strftime(cDate, sizeof(cDate), "%Y-%m-%d", localtime(&now));
    char cPath[1024];
    mkdir(TAVOLIN_SOURCE_DIR "/bench/results", 0777);
    snprintf(cPath, sizeof(cPath), TAVOLIN_SOURCE_DIR "/bench/results/%s-%s.json", cDate,
             commit.empty() ? "unknown" : commit.c_str());
    vPrintTable(goals);
    printf("cores %ld, commit %s, load average %s before, %s after\n",
           sysconf(_SC_NPROCESSORS_ONLN), commit.c_str(), loadBefore.c_str(), loadAfter.c_str());
    vWriteJson(cPath, goals, raw, commit, loadBefore, loadAfter);
    printf("written to %s\n", cPath);
    for (const stGoal &g : goals) {
        if (!g.bPass)
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    char cSelf[1024];
    ssize_t length = readlink("/proc/self/exe", cSelf, sizeof(cSelf) - 1);
    cSelf[length > 0 ? length : 0] = '\0';
    strSelf = cSelf;
    if (argc >= 3 && strcmp(argv[1], "--phase") == 0)
        return s32RunPhase(argv[2], argc >= 4 && strcmp(argv[3], "--virtual") == 0, argv);
    return s32RunAll(argc >= 2 && strcmp(argv[1], "--offscreen-only") == 0);
}
