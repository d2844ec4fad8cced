// QtProcesses: the Processes of the Qt shell, over QProcess.
#pragma once

#include "core/platform/Processes.h"

class QProcess;

namespace morvelan {

// run() and capture() block the calling thread until the program ends, at most `timeLimit`
// milliseconds: a program still running then is killed and counts as failed.
class QtProcesses : public Processes {
public:
    explicit QtProcesses(int timeLimit = 120'000) : timeLimit_(timeLimit) {}
    int run(const std::filesystem::path& program, const std::vector<std::string>& args) override;
    std::string capture(const std::filesystem::path& program,
                        const std::vector<std::string>& args) override;
    Result<void> startDetached(const std::filesystem::path& program,
                               const std::vector<std::string>& args) override;

private:
    bool finishedNormally(QProcess& process) const;

    int timeLimit_;
};

} // namespace morvelan
