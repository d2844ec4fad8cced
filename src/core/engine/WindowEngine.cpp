// WindowEngine: the accessibility scan, the window-server scan, order and titles.
#include "core/engine/WindowEngine.h"

#include "core/engine/DesktopBatch.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace morvelan {

namespace {

constexpr double minWindowWidth = 120;
constexpr double minWindowHeight = 100;
constexpr double fullscreenTolerance = 2.0;

} // namespace

WindowEngine::WindowEngine(Desktop& desktop, MainQueue& queue)
    : desktop_(desktop), queue_(queue), axWidAvailable_(desktop.windowIDAvailable()),
      spaceScanAvailable_(desktop.spacesAvailable()),
      frontProcessAvailable_(desktop.frontProcessAvailable()) {
    // No request may hang the main thread on an application that does not answer.
    desktop_.setMessagingTimeout(0.5);
}

WindowEngine::~WindowEngine() = default;

PidSet WindowEngine::windowedPids() {
    PidSet pids;
    auto list = desktop_.windowList(WindowList::allSpaces);
    // A failed list says nothing about which windows died: keep the last set, or every
    // stored window id would look dead at once.
    if (!list) return pids;
    WidSet fresh;
    for (const WindowInfo& entry : *list) {
        if (entry.number) fresh.insert(*entry.number);
        if (entry.layer == 0 && entry.ownerPid && entry.bounds &&
            entry.bounds->width.value_or(0) >= minWindowWidth &&
            entry.bounds->height.value_or(0) >= minWindowHeight)
            pids.insert(*entry.ownerPid);
    }
    liveWids_ = std::move(fresh);
    return pids;
}

WindowEngine::ScanResult
WindowEngine::axScan(const std::function<bool(const RunningApp&)>& accept) {
    // The host answers every query of the scan from one snapshot of the window system, so
    // there is no slow client to wait on and the applications are simply taken in turn.
    DesktopBatch batch(desktop_);
    const PidSet windowed = windowedPids();

    std::vector<RunningApp> eligible;
    for (RunningApp& app : desktop_.runningApplications()) {
        const bool takesPart =
            app.policy == ActivationPolicy::regular ||
            (app.policy == ActivationPolicy::accessory && windowed.count(app.pid) != 0);
        if (takesPart && accept(app)) eligible.push_back(std::move(app));
    }
    std::vector<bool> enable;
    enable.reserve(eligible.size());
    for (const RunningApp& app : eligible)
        enable.push_back(axEnabled_.count(app.pid) == 0);
    for (const RunningApp& app : eligible)
        axEnabled_.insert(app.pid);

    std::vector<ScanResult> slots(eligible.size());
    for (std::size_t i = 0; i < eligible.size(); ++i)
        scanApplication(eligible[i], enable[i], slots[i]);

    ScanResult result;
    for (ScanResult& slot : slots) {
        for (Win& win : slot.wins)
            result.wins.push_back(std::move(win));
        result.wids.insert(slot.wids.begin(), slot.wids.end());
    }
    return result;
}

void WindowEngine::scanApplication(const RunningApp& app, bool enable, ScanResult& slot) {
    const Element appElement = desktop_.applicationElement(app.pid);
    if (!appElement) return;
    if (enable) desktop_.setManualAccessibility(appElement);
    const auto windows = desktop_.windows(appElement);
    if (!windows) return;
    const std::string bundleID = app.bundleID.value_or("");
    const std::string name = app.name.value_or("");
    for (const Element& window : *windows) {
        // Every listed window counts as known to the accessibility interface, kept or not.
        const WindowID wid = idOf(window);
        slot.wids.insert(wid);
        if (!window) continue;
        if (desktop_.subrole(window) != "AXStandardWindow") continue;
        if (desktop_.minimized(window) == true) continue;
        // Dialogs and panels lack a minimise button; so do some full-screen windows.
        if (!desktop_.hasMinimizeButton(window) && !isFullscreen(window)) continue;
        slot.wins.push_back(Win{app.pid, bundleID, name, windowTitle(window, wid), wid, window});
    }
}

std::vector<Win> WindowEngine::allWindows() {
    return axScan([](const RunningApp&) { return true; }).wins;
}

std::vector<Win> WindowEngine::windows(const BundleSet& forBundles) {
    return axScan([&](const RunningApp& app) {
               return forBundles.count(app.bundleID.value_or("")) != 0;
           })
        .wins;
}

std::vector<Win> WindowEngine::windows(const Context& in) {
    DesktopBatch batch(desktop_);
    std::vector<Win> wins = allWindows();
    std::erase_if(wins, [&](const Win& win) { return !belongs(win, in); });
    sortByZOrder(wins);
    return wins;
}

bool WindowEngine::belongs(const Win& window, const Context& context) const {
    return morvelan::belongs(window, context, liveWids_);
}

std::optional<Win> WindowEngine::focusedWindow() {
    DesktopBatch batch(desktop_);
    const auto front = desktop_.frontmostApplication();
    if (!front) return std::nullopt;
    const Element app = desktop_.applicationElement(front->pid);
    if (!app) return std::nullopt;
    enableManualAX(front->pid, app);
    const Element window = desktop_.focusedWindow(app);
    if (!window) return std::nullopt;
    const WindowID wid = idOf(window);
    return Win{front->pid,
               front->bundleID.value_or(""),
               front->name.value_or(""),
               windowTitle(window, wid),
               wid,
               window};
}

void WindowEngine::enableManualAX(Pid pid, const Element& app) {
    if (!axEnabled_.insert(pid).second) return;
    desktop_.setManualAccessibility(app);
}

WindowID WindowEngine::idOf(const Element& window) {
    if (!axWidAvailable_ || !window) return 0;
    return desktop_.windowID(window).value_or(0);
}

bool WindowEngine::isFullscreen(const Element& window) {
    if (!window) return false;
    if (desktop_.fullScreen(window) == true) return true;
    const auto size = desktop_.size(window);
    if (!size) return false;
    for (const Rect& screen : desktop_.screens()) {
        if (std::abs(screen.width - size->width) < fullscreenTolerance &&
            std::abs(screen.height - size->height) < fullscreenTolerance)
            return true;
    }
    return false;
}

std::string WindowEngine::windowTitle(const Element& window, WindowID wid) {
    if (window) {
        auto title = desktop_.title(window);
        if (title && !title->empty()) return std::move(*title);
    }
    if (wid != 0) {
        auto list = desktop_.windowList(WindowList::including, wid);
        if (list && !list->empty() && list->front().name) return *list->front().name;
    }
    return "";
}

std::unordered_map<WindowID, int> WindowEngine::zOrder() {
    std::unordered_map<WindowID, int> order;
    const auto list = desktop_.windowList(WindowList::onScreenOnly);
    if (!list) return order;
    int position = 0;
    for (const WindowInfo& entry : *list) {
        if (entry.number) order[*entry.number] = position;
        ++position; // entries without a number still take their place
    }
    return order;
}

namespace {

void stableSortBy(std::vector<Win>& wins, const std::unordered_map<WindowID, int>& order) {
    auto position = [&](WindowID wid) {
        const auto it = order.find(wid);
        return it == order.end() ? INT_MAX : it->second;
    };
    std::stable_sort(wins.begin(), wins.end(),
                     [&](const Win& a, const Win& b) { return position(a.wid) < position(b.wid); });
}

} // namespace

void WindowEngine::sortByZOrder(std::vector<Win>& wins) {
    stableSortBy(wins, zOrder());
}

std::vector<WindowID> WindowEngine::zOrderedWIDs() {
    DesktopBatch batch(desktop_);
    const auto order = zOrder();
    std::vector<Win> wins = allWindows();
    stableSortBy(wins, order);
    std::vector<WindowID> ids;
    ids.reserve(wins.size());
    for (const Win& win : wins)
        ids.push_back(win.wid);
    return ids;
}

bool WindowEngine::onScreen(WindowID wid) {
    const auto list = desktop_.windowList(WindowList::onScreenOnly);
    if (!list) return false;
    return std::any_of(list->begin(), list->end(),
                       [&](const WindowInfo& entry) { return entry.number == wid; });
}

Element WindowEngine::axWindow(Pid pid, WindowID wid) {
    // Without an id there is nothing to match: any unidentified window would do otherwise.
    if (wid == 0) return nullptr;
    const Element app = desktop_.applicationElement(pid);
    if (!app) return nullptr;
    const auto windows = desktop_.windows(app);
    if (!windows) return nullptr;
    for (const Element& window : *windows)
        if (window && idOf(window) == wid) return window;
    return nullptr;
}

} // namespace morvelan
