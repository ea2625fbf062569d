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

// How the program is started, beyond its arguments.
struct stRunSetup {
    std::string workDir;            // the current folder when empty
    std::vector<std::string> env;   // changes: "NAME=value" (set) or "NAME" (removed)
    bool bOrdinaryUser = false;     // as user and group 65534 when the test runs as root
    std::string stdoutPath;         // standard output opened on this file ("/dev/full")
    bool bStdoutUnread = false;     // standard output a pipe whose reading end is closed
};

// The program with the arguments, SIGPIPE at its default. Its standard
// output (unless the setup sends it elsewhere) is read to the end, so a
// program it started that keeps it open is waited for too, without a clock.
stRunResult stRunProgram(const std::string &program, const std::vector<std::string> &args,
                         const stRunSetup &setup);
stRunResult stRunProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::string &workDir = "",
                         const std::vector<std::string> &env = {});

#endif
