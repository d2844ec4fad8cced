// X11WindowSystem: the WindowSystem of an EWMH window manager on X11, over one xcb connection.
//
// Windows are the managed clients (_NET_CLIENT_LIST); applications are the processes that own
// them (_NET_WM_PID), and clients that name no process of this machine are applications of
// their own (see AppOwners); desktops are the EWMH desktops. The object is driven by
// the main thread's event loop: call processEvents() whenever fd() is readable AND before the
// loop goes to sleep, because xcb reads events into its own queue while it waits for a reply,
// and a reading keeps the events it looked at for processEvents() (a QSocketNotifier alone
// misses those; hook QAbstractEventDispatcher::aboutToBlock as well).
//
// What it answers comes from one live reading of the window system, kept up to date from the
// events: a reading first makes sure every event sent so far is in, then reads again only the
// root or the parts of the windows that those events made stale.
#pragma once

#include "core/platform/WindowIds.h"
#include "core/platform/WindowSystem.h"
#include "x11/AppIndex.h"
#include "x11/ClientSnapshot.h"
#include "x11/DesktopEntries.h"
#include "x11/X11Connection.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace morvelan {

class X11WindowSystem final : public WindowSystem {
public:
    // Connects to `display` (null: $DISPLAY). Null when no X server answers.
    static std::unique_ptr<X11WindowSystem> open(const char* display = nullptr);
    // With a given connection and desktop entries (tests).
    static std::unique_ptr<X11WindowSystem> open(std::unique_ptr<X11Connection> conn,
                                                 DesktopEntries entries);
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    // --- Event loop -----------------------------------------------------------------
    // The connection's file descriptor, for the main loop to watch.
    int fd() const { return conn_->fd(); }
    // Reads every pending event, then calls the change handler once for each change.
    void processEvents();
    // True once the X connection is gone; nothing works after that.
    bool connectionLost() const { return lost_ || conn_->hasError(); }

    X11Connection& connection() { return *conn_; }
    // Forgets the live reading, so that the next one reads everything again (benchmarks).
    void refetchAll();

    // Loads a theme icon by name, or an image file by absolute path, at about `size` pixels;
    // null when there is none. The host has no icon theme code of its own: the shell gives it
    // one. Without a loader, desktop entries' icons are not used.
    using IconLoader = std::function<ImageRef(const std::string& nameOrPath, int size)>;
    void setIconLoader(IconLoader loader) { iconLoader_ = std::move(loader); }

    // --- WindowSystem ---------------------------------------------------------------
    std::vector<WindowInfo> windows() override;
    std::optional<WindowInfo> activeWindow() override;
    std::vector<AppInfo> runningApplications() override;
    ImageRef icon(Pid pid) override;
    void focus(WindowID id) override;
    void raise(WindowID id) override;
    void close(WindowID id) override;
    void quit(Pid pid) override;
    void setChangeHandler(std::function<void(WindowChange, WindowID)> handler) override;
    void beginBatch() override;
    void endBatch() override;

private:
    struct View;
    // An application seen owning windows, remembered after its last window closed.
    struct Process {
        AppInfo app;
        bool process = false; // a process of this machine, which may run on without windows
    };

    X11WindowSystem(std::unique_ptr<X11Connection> conn, DesktopEntries entries);

    // The batch's view inside beginBatch/endBatch, else a fresh one.
    std::shared_ptr<const View> view();
    // The live view brought up to date: after one round trip that brings in every event
    // sent so far, the parts those events made stale are read again (a whole reading when
    // there is no good view yet). Unchanged: the same view.
    std::shared_ptr<const View> freshView();
    // Makes `s` the live view; what is kept per client follows the client list.
    void setLive(ClientSnapshot s, bool clientsChanged);
    // Sees every event as it is read, before it is handled: marks what it makes stale.
    void look(const xcb_generic_event_t& ev);
    // Selects property and structure changes on the clients not watched yet.
    void watch(const std::vector<xcb_window_t>& clients);
    // The live client behind `id` in `v`; null when the window is gone.
    const ClientWindow* client(const View& v, WindowID id) const;
    xcb_timestamp_t timestamp();
    void requestClose(xcb_window_t window, xcb_timestamp_t time);

    std::unique_ptr<X11Connection> conn_;
    DesktopEntries entries_;
    AppOwners owners_;
    WindowIds ids_;
    IconLoader iconLoader_;
    std::function<void(WindowChange, WindowID)> handler_;
    std::shared_ptr<const View> batchView_;
    int batchDepth_ = 0;
    // The live view and what the events seen since it was read made stale.
    std::shared_ptr<const View> live_;
    bool rootStale_ = false;
    std::unordered_map<xcb_window_t, WindowParts> stale_;
    // Windows destroyed since the reading under way began.
    std::unordered_set<xcb_window_t> destroyed_;
    // Clients whose changes we receive.
    std::unordered_set<xcb_window_t> watched_;
    // The icon of each window (_NET_WM_ICON, else WM_HINTS); null when it has none.
    std::unordered_map<xcb_window_t, ImageRef> icons_;
    // Desktop entries' icons by name; null when the loader found none.
    std::unordered_map<std::string, ImageRef> themed_;
    std::map<Pid, Process> processes_;
    WindowID lastActive_ = 0; // the active window the handler last heard of
    bool lost_ = false;
    bool dispatching_ = false;
};

} // namespace morvelan
