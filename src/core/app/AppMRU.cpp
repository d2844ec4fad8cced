// AppMRU: application activation order fed by the desktop's activation notices.
#include "core/app/AppMRU.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace morvelan {

namespace {

bool isRegular(const RunningApp& app) {
    return app.policy == ActivationPolicy::regular;
}

} // namespace

AppMRU::AppMRU(Desktop& desktop) : desktop_(desktop) {
    for (const RunningApp& app : desktop_.runningApplications())
        if (isRegular(app)) order_.push_back(app.pid);
    if (auto front = desktop_.frontmostApplication()) touch(front->pid);
    desktop_.setActivationHandler(
        [alive = std::weak_ptr<bool>(alive_), this](std::optional<RunningApp> app) {
            if (alive.expired()) return;
            activated(app);
        });
}

void AppMRU::activated(const std::optional<RunningApp>& app) {
    if (app) touch(app->pid);
    if (onActivate) onActivate();
}

void AppMRU::touch(Pid pid) {
    std::erase(order_, pid);
    order_.insert(order_.begin(), pid);
}

std::vector<RunningApp> AppMRU::apps() const {
    std::vector<RunningApp> running;
    for (RunningApp& app : desktop_.runningApplications())
        if (isRegular(app) && !app.terminated) running.push_back(std::move(app));

    std::unordered_map<Pid, std::size_t> byPid;
    for (std::size_t i = 0; i < running.size(); ++i)
        byPid.emplace(running[i].pid, i); // the first entry of a pid wins

    std::vector<RunningApp> result;
    result.reserve(running.size());
    std::unordered_set<Pid> listed;
    for (Pid pid : order_) {
        auto it = byPid.find(pid);
        if (it == byPid.end() || !listed.insert(pid).second) continue;
        result.push_back(running[it->second]);
    }
    for (const RunningApp& app : running)
        if (listed.insert(app.pid).second) result.push_back(app);
    return result;
}

} // namespace morvelan
