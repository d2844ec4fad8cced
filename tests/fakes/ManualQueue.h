// ManualQueue: a MainQueue whose clock moves only when a test advances it.
#pragma once

#include "core/platform/MainQueue.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace morvelan {

class ManualQueue : public MainQueue {
public:
    explicit ManualQueue(double start = 800000000.0) : now_(start) {}

    void post(Task task) override;
    void postAfter(double seconds, Task task) override;
    std::unique_ptr<Timer> schedule(double seconds, bool repeat, Task task) override;
    double now() const override { return now_; }

    // Runs posted tasks (and tasks they post) until none is left.
    void drain();
    // Moves the clock forward, running every task and timer that falls due, in time order.
    void advance(double seconds);
    // Number of timers still scheduled (one-shot or repeating).
    std::size_t pendingTimers() const { return timers_.size(); }

private:
    struct Entry {
        double due;
        double interval; // 0 for a one-shot
        Task task;
        std::shared_ptr<bool> alive;
    };
    class Handle;

    std::mutex postedMutex_;
    std::vector<Task> posted_;
    std::multimap<std::pair<double, std::uint64_t>, Entry> timers_;
    std::uint64_t seq_ = 0;
    double now_;
};

} // namespace morvelan
