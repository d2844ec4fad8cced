// AppIndex: the running applications of a client snapshot: one per process owning client
// windows, and one per client that names no process here.
#pragma once

#include "x11/ClientSnapshot.h"
#include "x11/DesktopEntries.h"

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvelan {

// The application id and name of a window, from its properties and the desktop entries:
// _GTK_APPLICATION_ID, else _KDE_NET_WM_DESKTOP_FILE, else the entry whose StartupWMClass
// matches, else the WM_CLASS class; the name is the entry's Name, else the WM_CLASS class.
struct AppIdentity {
    std::string appId; // "" when there is none
    std::string name;  // "" when there is none
    std::string icon;  // the desktop entry's Icon; "" when there is none
};
AppIdentity identify(const ClientWindow& w, const DesktopEntries& entries);

// The application that owns a client window, as a Pid the core can key on: the process of
// _NET_WM_PID when it runs on this machine (or names no machine). Clients without
// _NET_WM_PID (xlogo, xeyes, Motif and Java programs) and clients of other machines get an
// application made up for the run, one per machine and client leader (WM_CLIENT_LEADER, with
// the WM_CLASS class) or, without a leader, per machine and class. Made-up ones are
// negative: no process has such a pid, and none is ever signalled.
class AppOwners {
public:
    explicit AppOwners(std::string host) : host_(std::move(host)) {}
    Pid ownerOf(const ClientWindow& w);
    // Whether the window says it comes from this machine.
    bool local(const ClientWindow& w) const;

private:
    std::string host_;
    std::map<std::string, Pid> madeUp_;
};

struct AppRecord {
    Pid pid = 0;
    bool process = false;              // `pid` is a process of this machine
    AppIdentity identity;              // of the window that speaks for the application
    std::vector<xcb_window_t> windows; // oldest first; dock and desktop windows left out
};

class AppIndex {
public:
    // Groups the snapshot's clients by owner in client-list order. An application whose
    // windows are all docks or desktop windows is not one.
    AppIndex(const ClientSnapshot& snapshot, const DesktopEntries& entries, AppOwners& owners);

    const std::vector<AppRecord>& apps() const { return apps_; }
    const AppRecord* find(Pid pid) const;
    const AppRecord* ofWindow(xcb_window_t window) const;

private:
    std::vector<AppRecord> apps_;
    std::unordered_map<Pid, std::size_t> byPid_;
    std::unordered_map<xcb_window_t, Pid> owners_;
};

} // namespace morvelan
