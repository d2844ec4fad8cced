// WindowEngine: the program's view of the live windows — scans, order, focus, close, focus watch.
#pragma once

#include "core/engine/Win.h"
#include "core/model/Membership.h"
#include "core/platform/Desktop.h"
#include "core/platform/MainQueue.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace morvelan {

struct Context;

using PidSet = std::set<Pid>;
using BundleSet = std::unordered_set<std::string>;

// The 248-byte record posted twice after the front-process call; `phase` is 1 or 2.
std::array<std::uint8_t, 248> frontEventRecord(WindowID wid, std::uint8_t phase);

// The geometry key "pid|x|y|w|h" of a window-server entry: truncated values, and 0 for a
// missing, non-finite or out-of-range one.
std::string geometryKey(Pid pid, const WindowInfo::Bounds& bounds);

// The first `count` characters (UTF-8 code points) of `text`.
std::string prefixChars(const std::string& text, std::size_t count);

class WindowEngine {
public:
    WindowEngine(Desktop& desktop, MainQueue& queue);
    ~WindowEngine();
    WindowEngine(const WindowEngine&) = delete;
    WindowEngine& operator=(const WindowEngine&) = delete;

    // Called on the main thread when the observed application's focus or titles change.
    std::function<void()> onFocusChange = [] {};

    // --- Scans ------------------------------------------------------------------
    // Windows of every eligible application, in application order, then list order.
    std::vector<Win> allWindows();
    // The same, restricted to applications whose bundle id ("" when none) is in the set.
    std::vector<Win> windows(const BundleSet& forBundles);
    // The context's windows, front to back (windows not on screen last, in scan order).
    std::vector<Win> windows(const Context& in);
    // The focused window of the frontmost application; no subrole or state filter.
    std::optional<Win> focusedWindow();
    // Pids owning a layer-0 window of at least 120 × 100; refreshes liveWids().
    PidSet windowedPids();
    // Window id → position in the on-screen list (0 = frontmost).
    std::unordered_map<WindowID, int> zOrder();
    // The ids of allWindows(), on-screen ones front to back first, the rest in scan order.
    std::vector<WindowID> zOrderedWIDs();
    bool onScreen(WindowID wid);
    // The window element of `pid` with id `wid`; null when there is none.
    Element axWindow(Pid pid, WindowID wid);
    std::string windowTitle(const Element& window, WindowID wid);
    bool isFullscreen(const Element& window);
    // The membership test, against this engine's liveWids().
    bool belongs(const Win& window, const Context& context) const;

    // --- Across spaces ------------------------------------------------------------
    // Accessibility windows, then window-server-only windows front to back, then one
    // placeholder per regular application without windows.
    std::vector<Win> allAcrossSpaces();
    // Ids of every window of every managed space; empty without a space interface.
    std::unordered_set<WindowID> windowsOnAllSpaces();

    // --- Acting -------------------------------------------------------------------
    void focus(const Win& win);
    // The front-process call plus both event records; false when it could not be made.
    bool slpsFocus(Pid pid, WindowID wid);
    // Presses the window's close button when it has one.
    void close(const Win& win);
    // Watches `pid` (the frontmost application) and calls onFocusChange.
    void trackFocusChanges(Pid pid);

    // --- Diagnostics ----------------------------------------------------------------
    std::string debugDump();
    std::string cgDump();

    // --- State (read only) ------------------------------------------------------------
    // Every window id of the last window-server list.
    const WidSet& liveWids() const { return liveWids_; }
    bool axWidAvailable() const { return axWidAvailable_; }
    bool spaceScanAvailable() const { return spaceScanAvailable_; }
    const std::map<WindowID, Win>& winCache() const { return winCache_; }
    const std::set<Pid>& axEnabled() const { return axEnabled_; }
    Pid focusObsPid() const { return focusObsPid_; }

private:
    struct ScanResult {
        std::vector<Win> wins;
        WidSet wids; // every id the accessibility interface listed, filtered or not
    };

    ScanResult axScan(const std::function<bool(const RunningApp&)>& accept);
    void scanApplication(const RunningApp& app, bool enable, ScanResult& slot);
    WindowID idOf(const Element& window);
    void enableManualAX(Pid pid, const Element& app);
    void raiseSequence(const Win& win, const Element& el);
    void sortByZOrder(std::vector<Win>& wins);

    Desktop& desktop_;
    MainQueue& queue_;
    std::map<WindowID, Win> winCache_;
    std::set<Pid> axEnabled_;
    std::unique_ptr<FocusObserver> focusObs_;
    Pid focusObsPid_ = 0;
    WidSet liveWids_;
    bool axWidAvailable_ = false;
    bool spaceScanAvailable_ = false;
    bool frontProcessAvailable_ = false;
    // Delayed follow-ups hold this weakly so they do nothing once the engine is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvelan
