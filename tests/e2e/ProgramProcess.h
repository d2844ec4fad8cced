// ProgramProcess: the morvelan program itself, started as a user would inside the session.
#pragma once

#include <string>
#include <sys/types.h>

namespace morvelan::e2e {

class ProgramProcess {
public:
    // Starts `program` with the session's environment; its stdout and stderr go to `logPath`.
    ProgramProcess(const std::string& program, const std::string& logPath);
    // Ends the program with SIGTERM (SIGKILL after five seconds) unless it has already ended.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Whether it still runs (reaps it when it has ended).
    bool running();
    // Sends SIGTERM and waits; the exit status, or -1 when it was killed or never started.
    int stop();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

} // namespace morvelan::e2e
