// E2eSupport: what every end-to-end test needs: waiting with deadlines, running tools,
// reading the root window back on a connection of its own.
#include "E2eSupport.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

bool waitFor(X11WindowSystem& system, const std::function<bool()>& condition,
             std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        system.processEvents();
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        pollfd pfd{system.fd(), POLLIN, 0};
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

bool cleanDesktop(RootProbe& probe) {
    if (!waitFor([&] { return probe.clients().empty(); }, 5s)) return false;
    if (probe.currentDesktop() != 0 && run({"xdotool", "set_desktop", "0"}) != 0) return false;
    return waitFor([&] { return probe.currentDesktop() == 0; }, 5s);
}

std::unique_ptr<X11WindowSystem> openWindowSystem() {
    const std::string dir = dataHome() + "/e2e-entries";
    const auto write = [&](const std::string& id, const std::string& text) {
        std::filesystem::create_directories(dir + "/applications");
        std::ofstream(dir + "/applications/" + id + ".desktop") << text;
    };
    write("org.test.Alpha", "[Desktop Entry]\nType=Application\nName=Alpha Studio\n");
    write("beta-app", "[Desktop Entry]\nType=Application\nName=Beta App\nStartupWMClass=Beta\n");
    return X11WindowSystem::open(X11Connection::open(), DesktopEntries({dir}, ""));
}

std::string hex(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", value);
    return buf;
}

std::string describe(const WindowInfo& w) {
    const char* kinds[] = {"normal", "dialog", "utility", "splash"};
    return '\'' + w.title + "' " + w.app.appId + '|' + w.app.name + ' ' +
           kinds[static_cast<int>(w.kind)] + (w.minimized ? " minimized" : "") +
           (w.fullScreen ? " full" : "") + (w.skipTaskbar ? " skip" : "") +
           (w.closable ? " closable" : "") + " d" +
           (w.desktop == WindowInfo::allDesktops ? "*" : std::to_string(w.desktop)) +
           (w.onCurrentDesktop ? " here" : "");
}

} // namespace morvelan::e2e
