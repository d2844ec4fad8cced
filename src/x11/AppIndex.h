// AppIndex: the running applications of a client snapshot: one per process owning client windows.
#pragma once

#include "core/platform/Desktop.h"
#include "x11/ClientSnapshot.h"
#include "x11/DesktopEntries.h"

#include <unordered_map>
#include <vector>

namespace morvelan {

struct AppRecord {
    RunningApp app;
    std::vector<xcb_window_t> windows; // oldest first; dock and desktop windows left out
    std::string icon;                  // the desktop entry's Icon, "" without an entry
};

// The application id, name and icon of a window, from its properties and the desktop entries:
// _GTK_APPLICATION_ID, else _KDE_NET_WM_DESKTOP_FILE, else the entry whose StartupWMClass
// matches, else the WM_CLASS class; the name is the entry's Name, else the WM_CLASS class.
struct AppIdentity {
    std::optional<std::string> bundleID;
    std::optional<std::string> name;
    std::string icon;
};
AppIdentity identify(const ClientWindow& w, const DesktopEntries& entries);

class AppIndex {
public:
    // Groups the snapshot's clients by _NET_WM_PID in client-list order. A process whose
    // windows are all docks or desktop windows is not an application; one without a
    // standard window is an accessory application.
    AppIndex(const ClientSnapshot& snapshot, const DesktopEntries& entries);

    const std::vector<AppRecord>& apps() const { return apps_; }
    const AppRecord* find(Pid pid) const;

private:
    std::vector<AppRecord> apps_;
    std::unordered_map<Pid, std::size_t> byPid_;
};

} // namespace morvelan
