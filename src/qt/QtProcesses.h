// QtProcesses: the Processes of the Qt shell, over QProcess.
#pragma once

#include "core/platform/Processes.h"

namespace morvelan {

// run() and capture() block the calling thread until the program ends.
class QtProcesses : public Processes {
public:
    int run(const std::filesystem::path& program, const std::vector<std::string>& args) override;
    std::string capture(const std::filesystem::path& program,
                        const std::vector<std::string>& args) override;
    Result<void> startDetached(const std::filesystem::path& program,
                               const std::vector<std::string>& args) override;
};

} // namespace morvelan
