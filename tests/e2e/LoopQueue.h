// LoopQueue: a MainQueue on the real clock, run by an end-to-end test's own polling loop.
#pragma once

#include "core/platform/MainQueue.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace morvelan::e2e {

class LoopQueue : public MainQueue {
public:
    void post(Task task) override;
    void postAfter(double seconds, Task task) override;
    std::unique_ptr<Timer> schedule(double seconds, bool repeat, Task task) override;
    double now() const override;

    // Runs the posted tasks and every timer that is due.
    void runDue();

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        Clock::duration interval; // zero for a one-shot
        Task task;
        std::shared_ptr<bool> alive;
    };
    class Handle;

    // Adds a timer; its flag says whether it is still wanted.
    std::shared_ptr<bool> add(double seconds, bool repeat, Task task);

    std::mutex mutex_;
    std::vector<Task> posted_;
    std::multimap<std::pair<Clock::time_point, std::uint64_t>, Entry> timers_;
    std::uint64_t seq_ = 0;
};

} // namespace morvelan::e2e
