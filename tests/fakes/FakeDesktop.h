// FakeDesktop: a Desktop a test scripts — applications, window elements, the window-server
// list, spaces — and that records every action taken on it.
#pragma once

#include "core/platform/Desktop.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace morvelan {

// One element of the fake: an application, a window or a window's close button. Window
// attributes live here so a test can change them between calls; every one may be absent.
class FakeElement : public ElementHandle {
public:
    enum class Kind { application, window, closeButton };

    Kind kind = Kind::window;
    Pid pid = 0;
    std::string label; // names the element in trace()

    std::optional<std::string> role = "AXWindow";
    std::optional<std::string> subrole = "AXStandardWindow";
    std::optional<std::string> title;
    std::optional<bool> minimized = false;
    std::optional<bool> fullScreen = false;
    bool minimizeButton = true;
    std::optional<Size> size;
    bool hasCloseButton = true;
    std::optional<WindowID> wid;

    // The close button element, made on first use so its identity stays the same.
    Element closeButton();

private:
    Element closeButton_;
};
using FakeElementPtr = std::shared_ptr<FakeElement>;

class FakeDesktop : public Desktop {
public:
    struct App {
        RunningApp info;
        std::vector<FakeElementPtr> windows; // "AXWindows", in order
        bool windowsFail = false;            // "AXWindows" does not read
        FakeElementPtr focused;              // "AXFocusedWindow"
    };

    struct Action {
        enum class Kind {
            manualAccessibility,
            setMain,
            setFrontmost,
            raise,
            press,
            activate,
            terminate,
            frontProcess,
            postEvent,
            observe,
            observeFailed,
            unobserve,
        };
        Kind kind;
        Pid pid = 0;
        Element element;
        WindowID wid = 0;
        ProcessSerial psn;
        std::array<std::uint8_t, 248> record{};
        bool force = false;
        double at = 0; // clock() when recorded
    };

    FakeDesktop();
    ~FakeDesktop() override;

    // --- Scripting --------------------------------------------------------------
    // Adds a running application at the end of the system's list.
    App& addApp(Pid pid, std::optional<std::string> bundleID, std::optional<std::string> name,
                ActivationPolicy policy = ActivationPolicy::regular);
    App* app(Pid pid);
    // A standard window element of `pid` ("AXWindows" order), with an id and title.
    FakeElementPtr addAxWindow(Pid pid, std::optional<WindowID> wid,
                               std::optional<std::string> title);
    // A window-server entry at the back of the list (layer 0, on screen by default).
    WindowInfo& addServerWindow(Pid pid, WindowID wid, Rect frame, std::optional<std::string> name,
                                bool onscreen = true);
    // Both: an element and its window-server entry, owner name from the application.
    FakeElementPtr addWindow(Pid pid, WindowID wid, std::string title,
                             Rect frame = {0, 0, 800, 600});
    // Removes the window from the application's list and from the window-server list.
    void removeWindow(WindowID wid);
    // Moves the window-server entry of `wid` to the front of the list.
    void bringToFront(WindowID wid);

    std::deque<App> apps; // the system's order (references stay valid)
    std::optional<Pid> frontmost;
    Pid own = 999;
    bool trusted = true;
    bool idsAvailable = true;

    std::deque<WindowInfo> serverWindows; // front to back
    std::set<WindowList> failingLists;    // these list kinds return nothing

    bool spaces = false;
    std::optional<std::vector<DisplaySpaces>> displaySpaces;
    std::map<std::int64_t, std::vector<WindowID>> spaceWindows;
    bool windowsInSpacesFails = false;
    std::vector<std::vector<std::int64_t>> spaceQueries; // the ids passed, per call

    bool frontProcess = true;
    std::set<Pid> noProcess; // processForPid fails for these

    std::vector<Rect> screenRects{{0, 0, 1440, 900}};
    std::optional<Point> pointerAt = Point{100, 100};
    std::map<Pid, ImageRef> icons;

    std::set<Pid> observeFails; // observeFocus returns null for these
    // Stamps recorded actions (a test usually passes its ManualQueue's clock).
    std::function<double()> clock;

    // --- Recordings --------------------------------------------------------------
    std::vector<Action> actions;
    std::optional<double> messagingTimeout;
    int trustPrompts = 0;
    int batchesBegun = 0;
    int batchesEnded = 0;
    int batchDepth = 0;
    int windowReadsInBatch = 0;
    int windowReadsOutsideBatch = 0;
    int iconReadsOutsideBatch = 0; // on X11 each one outside a batch is a whole new snapshot
    std::map<WindowList, int> listQueries;

    // The actions as short texts ("setMain win7", "post 412 #7 1", "activate 412" …).
    std::vector<std::string> trace() const;
    std::vector<Action> actionsOf(Action::Kind kind) const;
    int count(Action::Kind kind) const;
    void clearActions() { actions.clear(); }

    // Pids with a live focus observer, in creation order.
    std::vector<Pid> observedPids() const;
    // Calls the callbacks of the live observers of `pid`; returns how many ran.
    int fireFocusChange(Pid pid);
    // Delivers an application-activation notice to the handler, if one is set.
    void fireActivation(std::optional<RunningApp> app);

    // --- Desktop ----------------------------------------------------------------------
    bool isTrusted() override { return trusted; }
    void promptForTrust() override { ++trustPrompts; }
    void setMessagingTimeout(double seconds) override { messagingTimeout = seconds; }

    std::vector<RunningApp> runningApplications() override;
    std::optional<RunningApp> application(Pid pid) override;
    std::optional<RunningApp> frontmostApplication() override;
    void activate(Pid pid) override;
    void terminate(Pid pid, bool force) override;
    ImageRef icon(Pid pid) override;
    void setActivationHandler(std::function<void(std::optional<RunningApp>)> handler) override;
    Pid ownPid() override { return own; }

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
    bool windowIDAvailable() override { return idsAvailable; }

    void setManualAccessibility(const Element& app) override;
    void setMain(const Element& window) override;
    void setFrontmost(const Element& app) override;
    void raise(const Element& window) override;
    void press(const Element& button) override;

    std::unique_ptr<FocusObserver> observeFocus(Pid pid, std::function<void()> changed) override;

    std::optional<std::vector<WindowInfo>> windowList(WindowList which,
                                                      WindowID relativeTo = 0) override;
    bool spacesAvailable() override { return spaces; }
    std::optional<std::vector<DisplaySpaces>> managedDisplaySpaces() override;
    std::optional<std::vector<WindowID>>
    windowsInSpaces(const std::vector<std::int64_t>& spaceIDs) override;

    bool frontProcessAvailable() override { return frontProcess; }
    std::optional<ProcessSerial> processForPid(Pid pid) override;
    void setFrontProcess(const ProcessSerial& psn, WindowID wid) override;
    void postEventRecord(const ProcessSerial& psn,
                         const std::array<std::uint8_t, 248>& record) override;

    std::vector<Rect> screens() override { return screenRects; }
    std::optional<Point> pointer() override { return pointerAt; }

    void beginBatch() override;
    void endBatch() override;

    // The serial number processForPid gives `pid`.
    static ProcessSerial serialOf(Pid pid) { return ProcessSerial{0x10000u + std::uint64_t(pid)}; }

private:
    class Observer;
    struct ObserverEntry {
        Pid pid;
        std::function<void()> changed;
    };

    void record(Action action);
    FakeElement* window(const Element& el) const;

    std::map<Pid, FakeElementPtr> appElements_;
    std::map<int, ObserverEntry> observers_;
    int nextObserver_ = 0;
    std::function<void(std::optional<RunningApp>)> activationHandler_;
};

} // namespace morvelan
