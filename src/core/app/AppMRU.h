// AppMRU: the order in which applications were last activated, most recent first.
#pragma once

#include "core/platform/Desktop.h"

#include <functional>
#include <memory>
#include <vector>

namespace morvelan {

class AppMRU {
public:
    // Snapshots the running regular applications, moves the frontmost one to the front and
    // takes over the desktop's activation notices (the handler holds this object weakly).
    explicit AppMRU(Desktop& desktop);
    AppMRU(const AppMRU&) = delete;
    AppMRU& operator=(const AppMRU&) = delete;

    // Activation order, most recent first; each pid at most once. Never pruned: it may hold
    // pids of applications that quit or that are not regular.
    const std::vector<Pid>& order() const { return order_; }

    // Called after every activation notice, also one that names no application.
    std::function<void()> onActivate = [] {};

    // The running regular applications, most recently activated first; those never seen
    // active follow in the system's order.
    std::vector<RunningApp> apps() const;

private:
    void touch(Pid pid);
    void activated(const std::optional<RunningApp>& app);

    Desktop& desktop_;
    std::vector<Pid> order_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvelan
