// ClientSnapshot: every managed client window's properties, fetched in one batch of requests.
#pragma once

#include "core/platform/Desktop.h"
#include "x11/X11Connection.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvelan {

// What a client's _NET_WM_WINDOW_TYPE (and WM_TRANSIENT_FOR) make of it.
enum class WindowKind { normal, dialog, utility, splash, dock, desktop };

// The first type the list names that we know decides; a window without a known type is a
// dialog when it is transient for another window and normal otherwise.
enum class WindowType {
    normal,
    dialog,
    utility,
    toolbar,
    menu,
    splash,
    dock,
    desktop,
    dropdownMenu,
    popupMenu,
    tooltip,
    notification,
    combo,
    dnd,
    unknown
};
WindowKind classifyWindow(const std::vector<WindowType>& types, bool transient);

// _NET_WM_DESKTOP of a window shown on every desktop.
inline constexpr std::uint32_t allDesktops = 0xFFFFFFFFu;

struct ClientWindow {
    xcb_window_t id = XCB_NONE;
    std::optional<Pid> pid;
    std::string instance; // WM_CLASS instance ("" when absent)
    std::string wmClass;  // WM_CLASS class ("" when absent)
    std::optional<std::string> gtkApplicationId;
    std::optional<std::string> kdeDesktopFile;
    std::optional<std::string> clientMachine;
    std::vector<WindowType> types;
    bool transient = false;
    std::optional<std::string> title; // valid UTF-8: _NET_WM_NAME, else WM_NAME
    bool deletable = false;           // WM_PROTOCOLS holds WM_DELETE_WINDOW
    std::optional<std::uint32_t> desktop;
    bool hidden = false;
    bool fullScreen = false;
    bool skipTaskbar = false;
    std::optional<Rect> geometry; // the client area, in root coordinates

    WindowKind kind() const { return classifyWindow(types, transient); }
    // A normal, taskbar-listed window: the standard window of its application.
    bool standard() const { return kind() == WindowKind::normal && !skipTaskbar; }
    bool onDesktop(std::uint32_t d) const {
        return !desktop || *desktop == allDesktops || *desktop == d;
    }
};

struct ClientSnapshot {
    bool ok = false;                    // false when the root properties could not be read
    std::vector<xcb_window_t> clients;  // _NET_CLIENT_LIST, oldest first
    std::vector<xcb_window_t> stacking; // _NET_CLIENT_LIST_STACKING, bottom to top
    xcb_window_t active = XCB_NONE;     // _NET_ACTIVE_WINDOW when it names a client
    std::uint32_t currentDesktop = 0;
    std::uint32_t desktopCount = 1;
    std::unordered_map<xcb_window_t, ClientWindow> windows; // clients still alive

    const ClientWindow* find(xcb_window_t id) const {
        auto it = windows.find(id);
        return it == windows.end() ? nullptr : &it->second;
    }
};

// The root's client lists, active window and desktops, then every client's properties:
// two round trips whatever the number of windows. `beforeWindows` sees the client list
// before any window is asked (a caller that selects events there misses no change made
// after the values it reads).
ClientSnapshot
fetchSnapshot(X11Connection& conn,
              const std::function<void(const std::vector<xcb_window_t>&)>& beforeWindows = {});
// One window's properties in one round trip; absent when the window is gone.
std::optional<ClientWindow> fetchWindow(X11Connection& conn, xcb_window_t id);
// The root properties only (client lists, active window, desktops): one round trip.
ClientSnapshot fetchRoot(X11Connection& conn);

} // namespace morvelan
