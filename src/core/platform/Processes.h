// Processes: child programs started by absolute path, with exact arguments (no shell).
#pragma once

#include "core/platform/Result.h"

#include <filesystem>
#include <string>
#include <vector>

namespace morvelan {

class Processes {
public:
    virtual ~Processes() = default;

    // Runs the program without a terminal (standard input from /dev/null, a session of its
    // own) and waits for it to end, up to the host's time limit, after which it is killed. Its
    // exit status, or −1 when it could not be started, timed out or did not exit normally.
    virtual int run(const std::filesystem::path& program, const std::vector<std::string>& args) = 0;

    // Like run(), with standard output and standard error read together to the end and
    // returned as text; empty when the program could not be started or timed out.
    virtual std::string capture(const std::filesystem::path& program,
                                const std::vector<std::string>& args) = 0;

    // Starts the program on its own, without waiting for it or keeping a tie to it.
    virtual Result<void> startDetached(const std::filesystem::path& program,
                                       const std::vector<std::string>& args) = 0;
};

} // namespace morvelan
