// X11Desktop: the Desktop of an EWMH window manager on X11, over one xcb connection.
//
// Applications are the processes owning managed client windows (_NET_WM_PID), elements are
// handles on those processes and windows, the window-server list is _NET_CLIENT_LIST_STACKING
// and spaces are the EWMH desktops. The object is driven by the main thread's event loop:
// call processEvents() whenever fd() is readable AND before the loop goes to sleep, because
// xcb reads events into its own queue while it waits for a reply, and a reading keeps the
// events it looked at for processEvents() (a QSocketNotifier alone misses those; hook
// QAbstractEventDispatcher::aboutToBlock as well).
//
// What it answers comes from one live reading of the window system, kept up to date from
// the events: a reading first makes sure every event sent so far is in, then reads again
// only the root or the parts of the windows that those events made stale.
#pragma once

#include "core/platform/Desktop.h"
#include "x11/AppIndex.h"
#include "x11/ClientSnapshot.h"
#include "x11/DesktopEntries.h"
#include "x11/X11Connection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvelan {

struct FocusObserverList;

class X11Desktop final : public Desktop {
public:
    // Connects to `display` (null: $DISPLAY). Null when no X server answers.
    static std::unique_ptr<X11Desktop> open(const char* display = nullptr);
    // With a given connection and desktop entries (tests).
    static std::unique_ptr<X11Desktop> open(std::unique_ptr<X11Connection> conn,
                                            DesktopEntries entries);
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // --- Event loop -----------------------------------------------------------
    // The connection's file descriptor, for the main loop to watch.
    int fd() const { return conn_->fd(); }
    // Reads every pending event and calls the observers and the activation handler.
    void processEvents();
    // True once the X connection is gone; nothing works after that.
    bool connectionLost() const { return lost_ || conn_->hasError(); }

    X11Connection& connection() { return *conn_; }
    // The current reading of the window system (the batch's inside a batch). It is kept
    // live from the events: one round trip when nothing changed since the last reading,
    // which then comes back as the very same object.
    std::shared_ptr<const ClientSnapshot> snapshot();
    // Forgets the live reading, so that the next one reads everything again (benchmarks,
    // and a host with reason to distrust its events).
    void refetchAll();
    // The icon file of the application's desktop entry (PNG closest to `size`), for hosts
    // that decode images themselves; icon() only reads _NET_WM_ICON.
    std::optional<std::string> iconFile(Pid pid, int size = 64);

    // --- Desktop ----------------------------------------------------------------
    bool isTrusted() override;
    void promptForTrust() override {}
    void setMessagingTimeout(double seconds) override;

    std::vector<RunningApp> runningApplications() override;
    std::optional<RunningApp> application(Pid pid) override;
    std::optional<RunningApp> frontmostApplication() override;
    void activate(Pid pid) override;
    void terminate(Pid pid, bool force) override;
    ImageRef icon(Pid pid) override;
    void setActivationHandler(std::function<void(std::optional<RunningApp>)> handler) override;
    Pid ownPid() override;

    Element applicationElement(Pid pid) override;
    std::optional<std::vector<Element>> windows(const Element& app) override;
    Element focusedWindow(const Element& app) override;
    std::optional<std::string> role(const Element& el) override;
    std::optional<std::string> subrole(const Element& el) override;
    std::optional<std::string> title(const Element& el) override;
    std::optional<bool> minimized(const Element& el) override;
    std::optional<bool> fullScreen(const Element& el) override;
    bool hasMinimizeButton(const Element& el) override;
    std::optional<Size> size(const Element& el) override;
    Element closeButton(const Element& el) override;
    std::optional<WindowID> windowID(const Element& el) override;
    bool windowIDAvailable() override { return true; }

    void setManualAccessibility(const Element&) override {}
    void setMain(const Element& window) override;
    void setFrontmost(const Element& app) override;
    void raise(const Element& window) override;
    void press(const Element& button) override;

    std::unique_ptr<FocusObserver> observeFocus(Pid pid, std::function<void()> changed) override;

    std::optional<std::vector<WindowInfo>> windowList(WindowList which,
                                                      WindowID relativeTo = 0) override;
    bool spacesAvailable() override { return true; }
    std::optional<std::vector<DisplaySpaces>> managedDisplaySpaces() override;
    std::optional<std::vector<WindowID>>
    windowsInSpaces(const std::vector<std::int64_t>& spaceIDs) override;

    bool frontProcessAvailable() override { return true; }
    std::optional<ProcessSerial> processForPid(Pid pid) override;
    void setFrontProcess(const ProcessSerial& psn, WindowID wid) override;
    void postEventRecord(const ProcessSerial& psn,
                         const std::array<std::uint8_t, 248>& record) override;

    std::vector<Rect> screens() override;
    std::optional<Point> pointer() override;

    void beginBatch() override;
    void endBatch() override;

private:
    struct View;

    X11Desktop(std::unique_ptr<X11Connection> conn, DesktopEntries entries);

    // The batch's view inside beginBatch/endBatch, else a fresh one.
    std::shared_ptr<const View> view();
    // One window's properties: from the batch's view, else fetched now.
    std::shared_ptr<const ClientWindow> client(const Element& el);
    Element windowElement(xcb_window_t id, Pid pid);
    // The application's windows, most recently active first (then front to back).
    std::vector<const ClientWindow*> byRecency(const View& v, const AppRecord& app) const;
    void focusWindow(const ClientSnapshot& s, const ClientWindow& w);
    xcb_timestamp_t timestamp();
    void restack(const Element& window);

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
    std::optional<Pid> pidOf(xcb_window_t window);
    void onActiveWindowChanged();
    void onTitleChanged(xcb_window_t window);
    // Calls the observers of `pid` (every observer when `pid` is 0).
    void notifyObservers(Pid pid);
    void dispatch(const xcb_generic_event_t& ev);

    std::unique_ptr<X11Connection> conn_;
    DesktopEntries entries_;
    std::shared_ptr<FocusObserverList> observers_;
    std::function<void(std::optional<RunningApp>)> activationHandler_;
    std::shared_ptr<const View> batchView_;
    // The live view and what the events seen since it was read made stale.
    std::shared_ptr<const View> live_;
    bool rootStale_ = false;
    std::unordered_map<xcb_window_t, WindowParts> stale_;
    int batchDepth_ = 0;
    int timeoutMs_ = 500;
    bool lost_ = false;
    bool dispatching_ = false;

    // Clients whose changes we receive, with their pids once read, for routing title
    // changes to observers.
    struct Watch {
        std::optional<Pid> pid;
        bool pidRead = false;
    };
    std::unordered_map<xcb_window_t, Watch> watched_;
    // Activation order: a higher stamp is more recent.
    std::unordered_map<xcb_window_t, std::uint64_t> activeStamp_;
    std::uint64_t activeCounter_ = 0;
    Pid lastActivePid_ = 0;
    std::unordered_map<xcb_window_t, std::weak_ptr<ElementHandle>> elements_;
    // _NET_WM_ICON per window; a null image means the window has none.
    std::unordered_map<xcb_window_t, ImageRef> icons_;
};

} // namespace morvelan
