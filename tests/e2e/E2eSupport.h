// E2eSupport: what every end-to-end test needs: waiting with deadlines, running tools,
// reading the root window back on a connection of its own.
#pragma once

#include "LoopQueue.h"
#include "x11/X11Connection.h"
#include "x11/X11WindowSystem.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morvelan::e2e {

using namespace std::chrono_literals;

// True inside scripts/xvfb-session: the tests open windows and write desktop entries, so
// they never run on the user's own display.
bool inSession();
// The session's XDG_DATA_HOME.
std::string dataHome();

// Runs a program found on PATH and waits for it; its exit status, or -1.
int run(const std::vector<std::string>& argv);

// Pumps the window system's events until `condition` holds or `timeout` passes; whether it
// held.
bool waitFor(X11WindowSystem& system, const std::function<bool()>& condition,
             std::chrono::milliseconds timeout);
// The same without a desktop to pump.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Reads the root window's EWMH properties on its own connection.
class RootProbe {
public:
    RootProbe();
    bool ok() const { return conn_ != nullptr; }
    xcb_window_t active();
    std::uint32_t currentDesktop();
    std::vector<xcb_window_t> clients();
    // _NET_CLIENT_LIST_STACKING, bottom to top.
    std::vector<xcb_window_t> stacking();
    X11Connection& connection() { return *conn_; }

private:
    std::vector<std::uint32_t> cardinals(xcb_atom_t atom);
    std::unique_ptr<X11Connection> conn_;
};

// Waits until the windows of the test before are gone and the first desktop is shown.
bool cleanDesktop(RootProbe& probe);
// A window system on a connection of its own that knows the tests' desktop entries:
// org.test.Alpha "Alpha Studio", and beta-app "Beta App" for the WM_CLASS class Beta.
std::unique_ptr<X11WindowSystem> openWindowSystem();

std::string hex(std::uint32_t value);
// A window in one line, without its id and frame: "'title' appId|name kind[ minimized][ full]
// [ skip][ closable] dDESKTOP[ here]" (d* on every desktop; here: on the current one).
std::string describe(const WindowInfo& w);

} // namespace morvelan::e2e
