// AppIndex: the running applications of a client snapshot: one per process owning client windows.
#include "x11/AppIndex.h"

namespace morvelan {

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
    if (entry && !entry->name.empty())
        id.name = entry->name;
    else if (!w.wmClass.empty())
        id.name = w.wmClass;
    return id;
}

AppIndex::AppIndex(const ClientSnapshot& snapshot, const DesktopEntries& entries) {
    for (xcb_window_t id : snapshot.clients) {
        const ClientWindow* w = snapshot.find(id);
        if (!w || !w->pid) continue;
        const ClientKind kind = w->kind();
        if (kind == ClientKind::dock || kind == ClientKind::desktop) continue;
        auto [it, added] = byPid_.emplace(*w->pid, apps_.size());
        if (added) {
            apps_.emplace_back();
            apps_.back().pid = *w->pid;
        }
        apps_[it->second].windows.push_back(id);
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

} // namespace morvelan
