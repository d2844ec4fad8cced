// AppIndex: the running applications of a client snapshot: one per process owning client windows.
#pragma once

#include "x11/ClientSnapshot.h"
#include "x11/DesktopEntries.h"

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
};
AppIdentity identify(const ClientWindow& w, const DesktopEntries& entries);

struct AppRecord {
    Pid pid = 0;
    AppIdentity identity;              // of the window that speaks for the application
    std::vector<xcb_window_t> windows; // oldest first; dock and desktop windows left out
};

class AppIndex {
public:
    // Groups the snapshot's clients by _NET_WM_PID in client-list order. A process whose
    // windows are all docks or desktop windows is not an application.
    AppIndex(const ClientSnapshot& snapshot, const DesktopEntries& entries);

    const std::vector<AppRecord>& apps() const { return apps_; }
    const AppRecord* find(Pid pid) const;

private:
    std::vector<AppRecord> apps_;
    std::unordered_map<Pid, std::size_t> byPid_;
};

} // namespace morvelan
