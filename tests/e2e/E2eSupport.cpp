// E2eSupport: what every end-to-end test needs: waiting with deadlines, running tools,
// reading the root window back on a connection of its own.
#include "E2eSupport.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace morvelan::e2e {

using Clock = std::chrono::steady_clock;

bool inSession() {
    const char* dir = std::getenv("MORVELAN_SESSION_DIR");
    return dir && *dir;
}

std::string dataHome() {
    const char* dir = std::getenv("XDG_DATA_HOME");
    return dir ? dir : "";
}

int run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool waitFor(X11Desktop& desktop, const std::function<bool()>& condition,
             std::chrono::milliseconds timeout, LoopQueue* queue) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        desktop.processEvents();
        if (queue) queue->runDue();
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        pollfd pfd{desktop.fd(), POLLIN, 0};
        poll(&pfd, 1, 2);
    }
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        poll(nullptr, 0, 2);
    }
    return true;
}

RootProbe::RootProbe() : conn_(X11Connection::open()) {}

std::vector<std::uint32_t> RootProbe::cardinals(xcb_atom_t atom) {
    auto r = conn_->reply(xcb_get_property_reply,
                          xcb_get_property(conn_->get(), 0, conn_->root(), atom,
                                           XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 16));
    return prop::cardinals(r.get());
}

xcb_window_t RootProbe::active() {
    auto v = cardinals(conn_->ewmh()._NET_ACTIVE_WINDOW);
    return v.empty() ? XCB_NONE : v.front();
}

std::uint32_t RootProbe::currentDesktop() {
    auto v = cardinals(conn_->ewmh()._NET_CURRENT_DESKTOP);
    return v.empty() ? 0 : v.front();
}

std::vector<xcb_window_t> RootProbe::clients() {
    return cardinals(conn_->ewmh()._NET_CLIENT_LIST);
}

std::vector<xcb_window_t> RootProbe::stacking() {
    return cardinals(conn_->ewmh()._NET_CLIENT_LIST_STACKING);
}

std::string hex(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", value);
    return buf;
}

} // namespace morvelan::e2e
