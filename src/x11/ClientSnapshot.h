// ClientSnapshot: every managed client window's properties, fetched in one batch of requests.
#pragma once

#include "core/platform/WindowSystem.h"
#include "x11/X11Connection.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvelan {

// What a client's _NET_WM_WINDOW_TYPE (and WM_TRANSIENT_FOR) make of it.
enum class ClientKind { normal, dialog, utility, splash, dock, desktop };

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
ClientKind classifyWindow(const std::vector<WindowType>& types, bool transient);

// _NET_WM_DESKTOP of a window shown on every desktop.
inline constexpr std::uint32_t allDesktops = 0xFFFFFFFFu;
// Any client may write the root's desktop count and a window's desktop: more desktops than
// this are not believed (a window on a desktop past it reads as on every desktop).
inline constexpr std::uint32_t maxDesktops = 1024;

struct ClientWindow {
    xcb_window_t id = XCB_NONE;
    std::optional<Pid> pid;
    std::string instance; // WM_CLASS instance ("" when absent)
    std::string wmClass;  // WM_CLASS class ("" when absent)
    std::optional<std::string> gtkApplicationId;
    std::optional<std::string> kdeDesktopFile;
    std::optional<std::string> clientMachine;
    xcb_window_t leader = XCB_NONE; // WM_CLIENT_LEADER: one window shared by a client's windows
    std::vector<WindowType> types;
    bool transient = false;
    std::optional<std::string> title; // valid UTF-8: _NET_WM_NAME, else WM_NAME
    bool deletable = false;           // WM_PROTOCOLS holds WM_DELETE_WINDOW
    std::optional<std::uint32_t> desktop;
    bool hidden = false;
    bool fullScreen = false;
    bool skipTaskbar = false;
    std::optional<Rect> geometry; // the client area, in root coordinates

    ClientKind kind() const { return classifyWindow(types, transient); }
    // A normal, taskbar-listed window: the standard window of its application.
    bool standard() const { return kind() == ClientKind::normal && !skipTaskbar; }
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

// The parts of a client window, each read by requests of its own, so that a change of one
// property makes only its part stale.
using WindowParts = std::uint16_t;
namespace part {
inline constexpr WindowParts pid = 1u << 0;     // _NET_WM_PID
inline constexpr WindowParts wmClass = 1u << 1; // WM_CLASS
inline constexpr WindowParts gtkApplicationId = 1u << 2;
inline constexpr WindowParts kdeDesktopFile = 1u << 3;
inline constexpr WindowParts clientMachine = 1u << 4; // WM_CLIENT_MACHINE
inline constexpr WindowParts types = 1u << 5;         // _NET_WM_WINDOW_TYPE
inline constexpr WindowParts transient = 1u << 6;     // WM_TRANSIENT_FOR
inline constexpr WindowParts title = 1u << 7;         // _NET_WM_NAME and WM_NAME
inline constexpr WindowParts protocols = 1u << 8;     // WM_PROTOCOLS
inline constexpr WindowParts desktop = 1u << 9;       // _NET_WM_DESKTOP
inline constexpr WindowParts state = 1u << 10;        // _NET_WM_STATE
inline constexpr WindowParts geometry = 1u << 11;     // size and position in the root
inline constexpr WindowParts leader = 1u << 12;       // WM_CLIENT_LEADER
inline constexpr WindowParts all = (1u << 13) - 1;
} // namespace part

// The part of a client window that a change of its property `atom` makes stale; none (0)
// for a property no snapshot reads.
WindowParts partOf(const X11Connection& conn, xcb_atom_t atom);
// Whether a change of the root property `atom` makes a snapshot's root part stale.
bool rootReads(const X11Connection& conn, xcb_atom_t atom);

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

// What refreshSnapshot made of a snapshot.
enum class Refresh {
    failed,    // it was not ok, or the root could not be read: `s` is not ok now
    unchanged, // nothing read differed from what it held
    changed,
};
// Brings `s`, a snapshot that was read whole before, up to date with what changed since:
// the root properties again when `rootStale` (one round trip), then in one more round trip
// the `stale` parts of listed windows and every listed window not read yet (`beforeWindows`
// sees the client list first, as for fetchSnapshot). Windows no longer listed are dropped,
// and a window that vanished is left out, as a whole fetch would. Nothing stale: no request.
Refresh
refreshSnapshot(X11Connection& conn, ClientSnapshot& s, bool rootStale,
                const std::unordered_map<xcb_window_t, WindowParts>& stale,
                const std::function<void(const std::vector<xcb_window_t>&)>& beforeWindows = {});

} // namespace morvelan
