// Desktop: everything the program asks of the host's window system — running
// applications, window elements and their attributes, the window-server list,
// spaces, screens, the pointer and activation notices.
//
// Attribute reads return std::optional (or a null Element): a failed request, a
// vanished window and a value of the wrong type all read as absent. Writes and
// actions report nothing. All calls come from the main thread.
#pragma once

#include "core/platform/Geometry.h"
#include "core/platform/Image.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace morvelan {

using Pid = std::int32_t;
using WindowID = std::uint32_t;

// An opaque, shared handle on an application or window element. Hosts derive
// from it; the core only copies, compares and passes it back.
class ElementHandle {
public:
    virtual ~ElementHandle() = default;
};
using Element = std::shared_ptr<ElementHandle>;

enum class ActivationPolicy { regular = 0, accessory = 1, prohibited = 2 };

struct RunningApp {
    Pid pid = 0;
    std::optional<std::string> bundleID;
    std::optional<std::string> name;
    ActivationPolicy policy = ActivationPolicy::regular;
    bool terminated = false;
};

// One entry of the window-server list. Every key may be missing.
struct WindowInfo {
    std::optional<WindowID> number;
    std::optional<std::int64_t> layer;
    std::optional<Pid> ownerPid;
    std::optional<std::string> ownerName;
    std::optional<std::string> name;
    // The bounds dictionary; a missing coordinate reads as absent.
    struct Bounds {
        std::optional<double> x, y, width, height;
    };
    std::optional<Bounds> bounds;
    std::optional<bool> onscreen;
};

enum class WindowList {
    allSpaces,    // every window of every space, desktop elements excluded
    onScreenOnly, // on-screen windows of the current space, desktop excluded
    including,    // the one window given as `relativeTo`
};

// The spaces of one display, by id; an id that is missing or not an integer is absent.
struct DisplaySpaces {
    std::optional<std::vector<std::optional<std::int64_t>>> spaces;
};

// Process serial number for the front-process call.
struct ProcessSerial {
    std::uint64_t value = 0;
};

// Watches the focus and titles of one application; destroying it stops watching.
class FocusObserver {
public:
    virtual ~FocusObserver() = default;
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // --- Trust ------------------------------------------------------------
    virtual bool isTrusted() = 0;
    // Asks the user for the permission where the host has such a request.
    virtual void promptForTrust() = 0;
    // Bounds every element request (seconds).
    virtual void setMessagingTimeout(double seconds) = 0;

    // --- Running applications -------------------------------------------
    virtual std::vector<RunningApp> runningApplications() = 0;
    virtual std::optional<RunningApp> application(Pid pid) = 0;
    virtual std::optional<RunningApp> frontmostApplication() = 0;
    // Brings the application to the front (no options).
    virtual void activate(Pid pid) = 0;
    // Asks the application to quit; `force` ends it when it does not comply.
    virtual void terminate(Pid pid, bool force) = 0;
    virtual ImageRef icon(Pid pid) = 0;
    // Called on the main thread after another application became active; the
    // argument is the activated application when the notice names one.
    virtual void setActivationHandler(std::function<void(std::optional<RunningApp>)> handler) = 0;
    virtual Pid ownPid() = 0;

    // --- Elements -------------------------------------------------------------
    virtual Element applicationElement(Pid pid) = 0;
    virtual std::optional<std::vector<Element>> windows(const Element& app) = 0;
    virtual Element focusedWindow(const Element& app) = 0;
    virtual std::optional<std::string> role(const Element& el) = 0;
    virtual std::optional<std::string> subrole(const Element& el) = 0;
    virtual std::optional<std::string> title(const Element& el) = 0;
    virtual std::optional<bool> minimized(const Element& el) = 0;
    virtual std::optional<bool> fullScreen(const Element& el) = 0;
    // Whether the window has a minimise button at all.
    virtual bool hasMinimizeButton(const Element& el) = 0;
    virtual std::optional<Size> size(const Element& el) = 0;
    virtual Element closeButton(const Element& el) = 0;
    // The window-server id of a window element; absent when the host cannot tell.
    virtual std::optional<WindowID> windowID(const Element& el) = 0;
    virtual bool windowIDAvailable() = 0;

    virtual void setManualAccessibility(const Element& app) = 0;
    virtual void setMain(const Element& window) = 0;
    virtual void setFrontmost(const Element& app) = 0;
    virtual void raise(const Element& window) = 0;
    virtual void press(const Element& button) = 0;

    // Reports focus, main-window, focused-element and title changes of the
    // application on the main thread. Null when the observer cannot be made.
    virtual std::unique_ptr<FocusObserver> observeFocus(Pid pid, std::function<void()> changed) = 0;

    // --- Window server ------------------------------------------------------
    virtual std::optional<std::vector<WindowInfo>> windowList(WindowList which,
                                                              WindowID relativeTo = 0) = 0;
    // Spaces: both absent when the host has no space interface.
    virtual bool spacesAvailable() = 0;
    virtual std::optional<std::vector<DisplaySpaces>> managedDisplaySpaces() = 0;
    virtual std::optional<std::vector<WindowID>>
    windowsInSpaces(const std::vector<std::int64_t>& spaceIDs) = 0;

    // The front-process call that makes one window of a process key, across spaces.
    virtual bool frontProcessAvailable() = 0;
    virtual std::optional<ProcessSerial> processForPid(Pid pid) = 0;
    virtual void setFrontProcess(const ProcessSerial& psn, WindowID wid) = 0;
    virtual void postEventRecord(const ProcessSerial& psn,
                                 const std::array<std::uint8_t, 248>& record) = 0;

    // --- Screens and pointer -------------------------------------------------
    virtual std::vector<Rect> screens() = 0;
    virtual std::optional<Point> pointer() = 0;

    // --- Batching -------------------------------------------------------------
    // Queries between these two calls may be answered from one snapshot of the
    // window system (one round trip instead of one per attribute).
    virtual void beginBatch() {}
    virtual void endBatch() {}
};

} // namespace morvelan
