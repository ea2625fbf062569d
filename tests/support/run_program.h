// Runs a built program as a shell would, for tests of whole programs: its
// exit code and what it printed. No panels, no Qt.
#ifndef RUN_PROGRAM_H
#define RUN_PROGRAM_H

#include <string>
#include <vector>

struct stRunResult {
    bool bExited = false;
    int s32Code = -1;   // exit code, -1 when it did not exit
    int s32Signal = 0;  // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// The program with the arguments, from the working folder (the current
// one when empty), with the environment changes "NAME=value" (set) or
// "NAME" (removed). Its standard output is read to the end, so a program
// it started that keeps it open is waited for too, without a clock.
stRunResult stRunProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::string &workDir = "",
                         const std::vector<std::string> &env = {});

#endif
