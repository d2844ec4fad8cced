#include "fakes/FakeWindowSystem.h"

#include <algorithm>
#include <stdexcept>

namespace morvelan {

WindowID FakeWindowSystem::open(WindowInfo info, std::optional<Handle> handle) {
    if (info.id == 0) {
        const Handle h = handle.value_or(nextHandle_++);
        ids_.forget(h); // a handle in use again names a new window
        info.id = ids_.idFor(h);
    }
    processes_[info.app.pid] = info.app;
    windows_.insert(windows_.begin(), info);
    notify(WindowChange::list);
    return info.id;
}

WindowID FakeWindowSystem::open(const AppInfo& app, std::string title,
                                std::optional<Handle> handle) {
    WindowInfo info;
    info.app = app;
    info.title = std::move(title);
    info.closable = true;
    info.desktop = currentDesktop;
    info.frame = Rect{100, 100, 800, 600};
    return open(std::move(info), handle);
}

void FakeWindowSystem::destroy(WindowID id) {
    remove(id);
    notify(WindowChange::list);
}

void FakeWindowSystem::exit(Pid pid) {
    std::vector<WindowID> gone;
    for (const WindowInfo& w : windows_)
        if (w.app.pid == pid) gone.push_back(w.id);
    for (WindowID id : gone)
        remove(id);
    processes_.erase(pid);
    notify(WindowChange::list);
}

void FakeWindowSystem::activate(WindowID id) {
    toFront(id);
    window(id).minimized = false;
    active_ = id;
    notify(WindowChange::active);
}

void FakeWindowSystem::setTitle(WindowID id, std::string title) {
    window(id).title = std::move(title);
    notify(WindowChange::title, id);
}

WindowInfo& FakeWindowSystem::window(WindowID id) {
    auto it = find(id);
    if (it == windows_.end()) throw std::logic_error("no window " + std::to_string(id));
    return *it;
}

std::vector<WindowInfo>::iterator FakeWindowSystem::find(WindowID id) {
    return std::find_if(windows_.begin(), windows_.end(),
                        [&](const WindowInfo& w) { return w.id == id; });
}

void FakeWindowSystem::toFront(WindowID id) {
    auto it = find(id);
    if (it != windows_.end()) std::rotate(windows_.begin(), it, it + 1);
}

void FakeWindowSystem::remove(WindowID id) {
    auto it = find(id);
    if (it == windows_.end()) return;
    if (auto h = ids_.handleOf(id)) ids_.forget(*h);
    windows_.erase(it);
    if (active_ == id) active_.reset();
}

void FakeWindowSystem::notify(WindowChange change, WindowID id) {
    if (handler_) handler_(change, id);
}

std::vector<WindowInfo> FakeWindowSystem::windows() {
    std::vector<WindowInfo> out = windows_;
    for (WindowInfo& w : out)
        w.onCurrentDesktop = w.desktop == WindowInfo::allDesktops || w.desktop == currentDesktop;
    return out;
}

std::optional<WindowInfo> FakeWindowSystem::activeWindow() {
    if (!active_) return std::nullopt;
    for (const WindowInfo& w : windows())
        if (w.id == *active_) return w;
    return std::nullopt;
}

std::vector<AppInfo> FakeWindowSystem::runningApplications() {
    std::vector<AppInfo> out;
    for (const auto& [pid, app] : processes_)
        out.push_back(app);
    return out;
}

ImageRef FakeWindowSystem::icon(Pid pid) {
    auto it = icons.find(pid);
    return it == icons.end() ? nullptr : it->second;
}

void FakeWindowSystem::focus(WindowID id) {
    actions.push_back("focus " + std::to_string(id));
    if (!honoursFocus || find(id) == windows_.end()) return;
    if (const int d = window(id).desktop; d != WindowInfo::allDesktops) currentDesktop = d;
    activate(id);
}

void FakeWindowSystem::raise(WindowID id) {
    actions.push_back("raise " + std::to_string(id));
    toFront(id);
}

void FakeWindowSystem::close(WindowID id) {
    actions.push_back("close " + std::to_string(id));
    auto it = find(id);
    if (it == windows_.end()) return;
    if (it->closable) return destroy(id);
    // The window manager ends the client of a window that cannot be asked: here its process's.
    std::vector<WindowID> client;
    for (const WindowInfo& w : windows_)
        if (w.app.pid == it->app.pid) client.push_back(w.id);
    for (WindowID w : client)
        destroy(w);
}

void FakeWindowSystem::quit(Pid pid) {
    actions.push_back("quit " + std::to_string(pid));
    std::vector<WindowID> closable;
    for (const WindowInfo& w : windows_)
        if (w.app.pid == pid && w.closable) closable.push_back(w.id);
    for (WindowID id : closable)
        destroy(id);
}

void FakeWindowSystem::setChangeHandler(std::function<void(WindowChange, WindowID)> handler) {
    handler_ = std::move(handler);
}

} // namespace morvelan
