// AppIndex: the running applications of a client snapshot: one per process owning client
// windows, and one per client that names no process here.
#include "x11/AppIndex.h"

#include <algorithm>

namespace morvelan {

bool AppOwners::local(const ClientWindow& w) const {
    if (!w.clientMachine) return true;
    // Host names are compared ignoring case, and a short name matches its qualified form.
    const std::string a = asciiLower(*w.clientMachine), b = asciiLower(host_);
    if (a == b) return true;
    const auto label = [](const std::string& s) { return s.substr(0, s.find('.')); };
    const bool oneShort = a.find('.') == std::string::npos || b.find('.') == std::string::npos;
    return oneShort && !b.empty() && label(a) == label(b);
}

Pid AppOwners::ownerOf(const ClientWindow& w) {
    const bool here = local(w);
    if (w.pid && here) return *w.pid;
    std::string key = here ? std::string() : *w.clientMachine;
    key += '\n';
    if (w.pid)
        key += "pid " + std::to_string(*w.pid);
    else if (w.leader != XCB_NONE)
        key += "leader " + std::to_string(w.leader) + ' ' + w.wmClass;
    else
        key += "class " + w.wmClass;
    const auto [it, added] = madeUp_.emplace(key, 0);
    if (added) it->second = -static_cast<Pid>(madeUp_.size());
    return it->second;
}

AppIdentity identify(const ClientWindow& w, const DesktopEntries& entries) {
    AppIdentity id;
    const DesktopEntry* entry = nullptr;
    if (w.gtkApplicationId) {
        id.appId = *w.gtkApplicationId;
        entry = entries.byId(*w.gtkApplicationId);
    } else if (w.kdeDesktopFile) {
        std::string file = *w.kdeDesktopFile;
        constexpr std::string_view suffix = ".desktop";
        if (file.size() > suffix.size() &&
            std::string_view(file).substr(file.size() - suffix.size()) == suffix)
            file.resize(file.size() - suffix.size());
        id.appId = file;
        entry = entries.byId(file);
    } else if ((entry = entries.byStartupWMClass(w.wmClass, w.instance))) {
        id.appId = entry->id;
    } else if (!w.wmClass.empty()) {
        id.appId = w.wmClass;
    }
    if (!entry) entry = entries.byStartupWMClass(w.wmClass, w.instance);
    if (!entry) entry = entries.byFileName(w.wmClass, w.instance);
    if (entry) id.icon = entry->icon;
    if (entry && !entry->name.empty())
        id.name = entry->name;
    else if (!w.wmClass.empty())
        id.name = w.wmClass;
    return id;
}

AppIndex::AppIndex(const ClientSnapshot& snapshot, const DesktopEntries& entries,
                   AppOwners& owners) {
    for (xcb_window_t id : snapshot.clients) {
        const ClientWindow* w = snapshot.find(id);
        if (!w) continue;
        const ClientKind kind = w->kind();
        if (kind == ClientKind::dock || kind == ClientKind::desktop) continue;
        const Pid pid = owners.ownerOf(*w);
        auto [it, added] = byPid_.emplace(pid, apps_.size());
        if (added) {
            apps_.emplace_back();
            apps_.back().pid = pid;
        }
        AppRecord& rec = apps_[it->second];
        // A pid names a process only on the machine that owns the window.
        rec.process = rec.process || (pid > 0 && w->clientMachine && owners.local(*w));
        rec.windows.push_back(id);
        owners_.emplace(id, pid);
    }
    for (AppRecord& rec : apps_) {
        // The first standard window speaks for the application; without one, the first window.
        const ClientWindow* speaker = nullptr;
        for (xcb_window_t id : rec.windows) {
            const ClientWindow* w = snapshot.find(id);
            if (w->standard()) {
                if (!speaker || !speaker->standard()) speaker = w;
            } else if (!speaker) {
                speaker = w;
            }
        }
        rec.identity = identify(*speaker, entries);
    }
}

const AppRecord* AppIndex::find(Pid pid) const {
    auto it = byPid_.find(pid);
    return it == byPid_.end() ? nullptr : &apps_[it->second];
}

const AppRecord* AppIndex::ofWindow(xcb_window_t window) const {
    auto it = owners_.find(window);
    return it == owners_.end() ? nullptr : find(it->second);
}

} // namespace morvelan
