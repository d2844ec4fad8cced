// TestClient: a running morvelan_testclient process, driven through its stdin and stdout.
#include "TestClient.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace morvelan::e2e {

using Clock = std::chrono::steady_clock;

TestClient::TestClient() {
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) return;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    char* argv[] = {const_cast<char*>(MORVELAN_TESTCLIENT), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, MORVELAN_TESTCLIENT, &actions, nullptr, argv, environ) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    // A client that died must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    connected_ = pid_ > 0 && expect("connected", std::chrono::seconds(10));
}

TestClient::~TestClient() {
    if (pid_ > 0) {
        send("quit");
        close(in_);
        in_ = -1;
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            // Drains the client's output so it never blocks on a full pipe while quitting.
            readSome(std::chrono::milliseconds(10));
        }
    }
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
}

void TestClient::send(const std::string& line) {
    if (in_ < 0) return;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(in_, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

xcb_window_t TestClient::open(const std::string& options, std::chrono::milliseconds timeout) {
    const auto idAt = options.find("id=");
    if (idAt == std::string::npos) return XCB_NONE;
    const std::string name = options.substr(idAt + 3, options.find(' ', idAt) - idAt - 3);
    send("open " + options);
    const auto line = expect("ready " + name + " ", timeout);
    if (!line) return XCB_NONE;
    return static_cast<xcb_window_t>(
        std::strtoul(line->substr(line->rfind(' ') + 1).c_str(), nullptr, 16));
}

std::optional<std::string> TestClient::expect(const std::string& prefix,
                                              std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        for (auto it = lines_.begin(); it != lines_.end(); ++it) {
            if (it->rfind(prefix, 0) == 0) {
                std::string line = *it;
                lines_.erase(it);
                return line;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !readSome(left)) return std::nullopt;
    }
}

bool TestClient::readSome(std::chrono::milliseconds timeout) {
    if (out_ < 0) return false;
    pollfd pfd{out_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) return false;
    char buf[4096];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    buffer_.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = buffer_.find('\n')) != std::string::npos;) {
        lines_.push_back(buffer_.substr(0, nl));
        buffer_.erase(0, nl + 1);
    }
    return true;
}

} // namespace morvelan::e2e
