#include "tests/support/run_program.h"

#include "tests/support/privileges.h"

#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void vRedirect(const std::string &path, int fd)
{
    int fdFile = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fdFile, fd);
    close(fdFile);
}

void vApplyEnv(const std::vector<std::string> &env)
{
    for (const std::string &change : env) {
        size_t eq = change.find('=');
        if (eq == std::string::npos)
            unsetenv(change.c_str());
        else
            setenv(change.substr(0, eq).c_str(), change.substr(eq + 1).c_str(), 1);
    }
}

// Standard output as the setup says; false when it cannot be set up.
bool bSetStdout(const stRunSetup &setup)
{
    if (!setup.stdoutPath.empty()) {
        vRedirect(setup.stdoutPath, STDOUT_FILENO);
        return true;
    }
    int fdsUnread[2];
    if (pipe(fdsUnread) != 0)
        return false;
    dup2(fdsUnread[1], STDOUT_FILENO);
    close(fdsUnread[0]);
    close(fdsUnread[1]);
    return true;
}

} // namespace

stRunResult stRunProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::string &workDir, const std::vector<std::string> &env)
{
    stRunSetup setup;
    setup.workDir = workDir;
    setup.env = env;
    return stRunProgram(program, args, setup);
}

stRunResult stRunProgram(const std::string &program, const std::vector<std::string> &args,
                         const stRunSetup &setup)
{
    TempDir output;
    std::string errPath = output.file("err");
    int fds[2];
    if (pipe(fds) != 0)
        return stRunResult();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        vRedirect(errPath, STDERR_FILENO);
        vApplyEnv(setup.env);
        signal(SIGPIPE, SIG_DFL);
        bool bOwnStdout = !setup.stdoutPath.empty() || setup.bStdoutUnread;
        if ((!setup.workDir.empty() && chdir(setup.workDir.c_str()) != 0) ||
            (bOwnStdout && !bSetStdout(setup)) ||
            (setup.bOrdinaryUser && !bBecomeTestUser()))
            _exit(125);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(126);
    }
    close(fds[1]);
    stRunResult result;
    char cBuf[4096];
    for (ssize_t got; (got = read(fds[0], cBuf, sizeof(cBuf))) > 0;)
        result.out.append(cBuf, (size_t)got);
    close(fds[0]);
    int s32Status = 0;
    waitpid(pid, &s32Status, 0);
    result.bExited = WIFEXITED(s32Status);
    result.s32Code = result.bExited ? WEXITSTATUS(s32Status) : -1;
    result.s32Signal = WIFSIGNALED(s32Status) ? WTERMSIG(s32Status) : 0;
    result.err = strReadFile(errPath);
    return result;
}
