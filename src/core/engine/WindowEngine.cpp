// WindowEngine: eligibility and order of the windows, and acting on them with a follow-up.
#include "core/engine/WindowEngine.h"

#include "core/model/RegexCache.h"

#include <algorithm>

namespace morvelan {

namespace {

bool switchable(const WindowInfo& w) {
    return w.kind == WindowKind::normal && !w.skipTaskbar && !w.minimized;
}

} // namespace

Win winOf(const WindowInfo& info) {
    std::optional<int> elsewhere;
    if (!info.onCurrentDesktop && info.desktop >= 0) elsewhere = info.desktop;
    return Win{info.app.pid, info.app.appId, info.app.name, info.title, info.id, elsewhere};
}

WindowEngine::WindowEngine(WindowSystem& system, MainQueue& queue)
    : system_(system), queue_(queue) {
    system_.setChangeHandler(
        [this, alive = std::weak_ptr<bool>(alive_)](WindowChange change, WindowID id) {
            if (alive.lock() && onChange) onChange(change, id);
        });
}

WindowEngine::~WindowEngine() {
    system_.setChangeHandler({});
}

void WindowEngine::read() {
    // Each reading starts a scan of the windows against the rules.
    RegexCache::shared().beginScan();
    reading_ = system_.windows();
    liveWids_.clear();
    for (const WindowInfo& w : reading_)
        liveWids_.insert(w.id);
}

std::vector<Win> WindowEngine::listed(const std::function<bool(const Win&)>& keep) {
    read();
    std::vector<const WindowInfo*> order;
    for (const WindowInfo& w : reading_)
        if (switchable(w)) order.push_back(&w);
    // What is on screen first: the windows of the current desktop stay in front.
    std::stable_partition(order.begin(), order.end(),
                          [](const WindowInfo* w) { return w->onCurrentDesktop; });
    std::vector<Win> wins;
    wins.reserve(order.size());
    for (const WindowInfo* w : order)
        if (Win win = winOf(*w); keep(win)) wins.push_back(std::move(win));
    return wins;
}

std::vector<Win> WindowEngine::allWindows() {
    return listed([](const Win&) { return true; });
}

std::vector<Win> WindowEngine::windows(const BundleSet& forBundles) {
    return listed([&](const Win& win) { return forBundles.count(win.bundleID) != 0; });
}

std::vector<Win> WindowEngine::windows(const Context& in) {
    return listed([&](const Win& win) { return belongs(win, in); });
}

std::optional<Win> WindowEngine::focusedWindow() {
    // Whatever is decided about the focused window next asks which pinned ids still live.
    WindowSystemBatch batch(system_);
    read();
    auto active = system_.activeWindow();
    if (!active) return std::nullopt;
    return winOf(*active);
}

BundleSet WindowEngine::runningApplications() {
    BundleSet ids;
    for (const AppInfo& app : system_.runningApplications())
        if (!app.appId.empty()) ids.insert(app.appId);
    return ids;
}

bool WindowEngine::belongs(const Win& window, const Context& context) const {
    return morvelan::belongs(window, context, liveWids_);
}

void WindowEngine::focus(const Win& win) {
    // The request leaves first. The active window read after it is the one before it, or the
    // chosen one when the window manager was quicker: either way nothing is asked again.
    system_.focus(win.wid);
    const auto before = system_.activeWindow();
    const WindowID was = before ? before->id : 0;
    const std::uint64_t request = ++focusRequests_;
    queue_.postAfter(focusFollowUpDelay, [this, alive = std::weak_ptr<bool>(alive_), request,
                                          wid = win.wid, was] {
        // A later request, or the user, has moved the focus since: nothing to insist on.
        if (!alive.lock() || request != focusRequests_) return;
        const auto active = system_.activeWindow();
        const WindowID now = active ? active->id : 0;
        if (now == wid || now != was) return;
        // The window manager let the request go by; ask again while the window exists.
        const auto all = system_.windows();
        if (std::any_of(all.begin(), all.end(), [&](const WindowInfo& w) { return w.id == wid; }))
            system_.focus(wid);
    });
}

void WindowEngine::raise(const std::vector<Win>& wins) {
    for (auto it = wins.rbegin(); it != wins.rend(); ++it)
        system_.raise(it->wid);
}

bool WindowEngine::close(const Win& win) {
    read();
    const auto it = std::find_if(reading_.begin(), reading_.end(),
                                 [&](const WindowInfo& w) { return w.id == win.wid; });
    system_.close(win.wid);
    return it == reading_.end() || it->closable;
}

void WindowEngine::quit(Pid pid) {
    system_.quit(pid);
}

} // namespace morvelan
