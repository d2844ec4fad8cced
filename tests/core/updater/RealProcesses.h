// RealProcesses: Processes that really run programs (posix_spawn) but only record detached
// starts, so a test can unpack real archives without relaunching anything.
#pragma once

#include "core/platform/Processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace morvelan {

class RealProcesses : public Processes {
public:
    int run(const std::filesystem::path& program, const std::vector<std::string>& args) override {
        std::string ignored;
        return spawn(program, args, ignored);
    }
    std::string capture(const std::filesystem::path& program,
                        const std::vector<std::string>& args) override {
        std::string output;
        spawn(program, args, output);
        return output;
    }
    Result<void> startDetached(const std::filesystem::path& program,
                               const std::vector<std::string>&) override {
        detached.push_back(program);
        return success();
    }

    std::vector<std::filesystem::path> detached;

private:
    // Runs the program with its output and errors read into `output`; its exit status or −1.
    static int spawn(const std::filesystem::path& program, const std::vector<std::string>& args,
                     std::string& output) {
        std::vector<std::string> words{program.string()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);

        int pipeFds[2] = {-1, -1};
        if (::pipe(pipeFds) != 0) return -1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        pid_t pid = 0;
        int started = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            output.append(buffer, static_cast<std::size_t>(n));
        ::close(pipeFds[0]);
        if (started != 0) return -1;
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }
};

} // namespace morvelan
