// WindowSystem: what the program needs from the host's window system — the managed windows of
// every desktop with their applications, the active window, acting on windows, and notices
// of what changed.
//
// Reads give the state at the moment of the call; a window that vanished in between is simply
// absent. Acting on a window that is gone does nothing. All calls come from the main thread.
#pragma once

#include "core/platform/Geometry.h"
#include "core/platform/Image.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace morvelan {

using Pid = std::int32_t;
// A window's id for the whole run: the host never gives it to another window, even when its
// own handles are reused (see WindowIds).
using WindowID = std::uint32_t;

enum class WindowKind { normal, dialog, utility, splash };

struct AppInfo {
    Pid pid = 0;
    std::string appId; // a stable application id; "" when there is none
    std::string name;  // the name people know it by; "" when there is none

    friend bool operator==(const AppInfo&, const AppInfo&) = default;
};

struct WindowInfo {
    WindowID id = 0;
    AppInfo app;
    std::string title; // valid UTF-8
    WindowKind kind = WindowKind::normal;
    bool minimized = false;
    bool fullScreen = false;
    bool skipTaskbar = false;
    // The window can be asked to close itself; closing one that cannot would end its whole
    // client (X11 kills the client of a window without WM_DELETE_WINDOW).
    bool closable = false;
    int desktop = 0; // allDesktops when shown on every desktop
    bool onCurrentDesktop = true;
    Rect frame;

    static constexpr int allDesktops = -1;

    friend bool operator==(const WindowInfo&, const WindowInfo&) = default;
};

// What a change notice is about; the receiver reads the new state itself.
enum class WindowChange {
    active, // another window became active (or none is)
    title,  // a window's title changed
    list,   // windows were opened or closed
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Every managed window of every desktop, front to back. Docks and the desktop are not
    // windows here.
    virtual std::vector<WindowInfo> windows() = 0;
    // The window with the keyboard focus; absent when there is none.
    virtual std::optional<WindowInfo> activeWindow() = 0;
    // Applications whose process still runs, also after their last window closed.
    virtual std::vector<AppInfo> runningApplications() = 0;
    // The application's icon; null when it has none.
    virtual ImageRef icon(Pid pid) = 0;

    // Makes the window active: switches to its desktop, restores it, raises it, focuses it.
    virtual void focus(WindowID id) = 0;
    // Puts the window on top of the others without moving the focus.
    virtual void raise(WindowID id) = 0;
    // What the window's close button does: asks the window manager, which ends the client of a
    // window that is not closable.
    virtual void close(WindowID id) = 0;
    // Asks the application to quit by closing its windows; never kills it.
    virtual void quit(Pid pid) = 0;

    // Called on the main thread after each change; `id` is the window a title notice is about
    // (0 otherwise). Replaces the previous handler.
    virtual void setChangeHandler(std::function<void(WindowChange, WindowID id)> handler) = 0;

    // Reads between these two calls may all be answered from one reading of the window
    // system (one round trip instead of one per call). They nest.
    virtual void beginBatch() {}
    virtual void endBatch() {}
};

// Holds a batch open for the lifetime of a scope.
class WindowSystemBatch {
public:
    explicit WindowSystemBatch(WindowSystem& system) : system_(system) { system_.beginBatch(); }
    ~WindowSystemBatch() { system_.endBatch(); }
    WindowSystemBatch(const WindowSystemBatch&) = delete;
    WindowSystemBatch& operator=(const WindowSystemBatch&) = delete;

private:
    WindowSystem& system_;
};

} // namespace morvelan
